#ifndef TXQ_LLK_COLLECTIONS_LLKCOBJECTDEQUE_H
#define TXQ_LLK_COLLECTIONS_LLKCOBJECTDEQUE_H
// LLKCObjectDeque: a dense sequence of objects with cheap additions and removals at both ends,
// insertion and removal at any index, rotation, shuffling and sorting. Positions 0..count-1 are
// always occupied (nil is never stored); the slots live in one block that grows by the grow factor
// (default 0.25: capacity + ceil(capacity * factor), in single precision) when an addition finds the
// deque full. Only a change callback exists (op 0 after an addition, op 1 before an object is
// released on its way out); the accept callback of the base is ignored.
//
//   LLKCObjectDeque* d = LLKCObjectDeque::dequeWithObjects(a, b, c);   // a, b, c (nil optional)
//   d->rotateBy(1);                                                     // b, c, a
//   d->removeHead();                                                    // c, a
//   for (LLKBObject* o : d) ...                                         // head to tail
//
// Ownership: factories and copies autoreleased; init... +1. Every stored object is retained and
//            released when it leaves (removal, clear, dealloc); replace_atIndex hands the old object
//            back autoreleased. fetch/head/tail/atIndex answer borrowed objects.
// Threads:   one thread at a time; no locks (threads that share a deque put their own lock around it).
// Failure:   statuses of llk::Status: 24 nil argument, 15 index out of range, 5 empty / not found,
//            10 full and not allowed to grow (grow factor 0, or ...andResizeIfNeeded NO), 2 no
//            memory; a failed operation changes nothing. Object results answer nil instead.

#include <concepts>
#include <cstdarg>
#include <cstdint>

#include <txq/llk/collections/LLKBObjectContainer.h>

class LLK_EXPORT LLKCObjectDeque : public LLKBObjectContainer {
  LLK_OBJECT(LLKCObjectDeque, LLKBObjectContainer)

 public:
  // The record is visible so that count and fetchAtIndex compile inline; only the deque touches it.
  // The slots form a ring: position i (0 = head) lives in slot (mHead + i) mod mCapacity, so both
  // ends are reached without moving anything. Slots outside the occupied positions hold nil.
  struct private_t {
    LLKBObject** mObjects = nullptr;  // owned (C allocator); null until the first slot is made
    uint64_t mCount = 0;
    uint64_t mCapacity = 0;           // the ring's size: the slots usable before the deque must grow
    float mGrowFactor = 0.25f;
    LLKFChangeCallback mChangeCallback = nullptr;  // borrowed, with its context
    void* mChangeContext = nullptr;
    uint64_t mHead = 0;       // the slot of position 0; < mCapacity (0 while there are no slots)
    uint64_t mAllocated = 0;  // slots in the block: >= mCapacity (small blocks are rounded up)
    ~private_t();             // change callback op 1 and release for each object; frees the block

    uint64_t slot(uint64_t position) const noexcept {
      const uint64_t s = mHead + position;  // both below mCapacity <= SIZE_MAX / 8: no wrap
      return s >= mCapacity ? s - mCapacity : s;
    }
  };
  private_t* iPrivate;

  // ---- Creation ----
  // Empty, no slots yet (allocated by the first addition), grow factor 0.25.
  static LLKCObjectDeque* deque() noexcept;
  LLKCObjectDeque* init() noexcept override;
  // max(n, 1) empty slots.
  static LLKCObjectDeque* dequeWithCapacity(uint64_t capacity) noexcept;
  LLKCObjectDeque* initWithCapacity(uint64_t capacity) noexcept;
  // The objects in order, up to the first nil (a trailing nil is optional); capacity = their number.
  template <class... More>
    requires(std::convertible_to<More, LLKBObject*> && ...)
  static LLKCObjectDeque* dequeWithObjects(LLKBObject* first, More... more) noexcept {
    LLKBObject* const all[] = {first, static_cast<LLKBObject*>(more)..., nullptr};
    return dequeWithObjectsOfList(all);
  }
  template <class... More>
    requires(std::convertible_to<More, LLKBObject*> && ...)
  LLKCObjectDeque* initWithObjects(LLKBObject* first, More... more) noexcept {
    LLKBObject* const all[] = {first, static_cast<LLKBObject*>(more)..., nullptr};
    return initWithObjectsOfList(all);
  }
  // `rest` holds LLKBObject* values ending with a nil; `head` comes first (nil: an empty deque).
  LLKCObjectDeque* initWithHead_andRest(LLKBObject* head, va_list rest) noexcept;
  // `nilTerminated` is an array of objects ending with a nil.
  static LLKCObjectDeque* dequeWithObjectsOfList(LLKBObject* const* nilTerminated) noexcept;
  LLKCObjectDeque* initWithObjectsOfList(LLKBObject* const* nilTerminated) noexcept;

  // ---- Size ----
  uint64_t count() const noexcept { return iPrivate->mCount; }
  uint64_t capacity() const noexcept { return iPrivate->mCapacity; }
  float growFactor() const noexcept;
  // Negative (or NaN) factors are stored as 0, which makes the deque fixed-size.
  void setGrowFactor(float growFactor) noexcept;
  // Reallocates to n slots (0 counts as 1), never below the count: 0, or 2 with nothing changed.
  int32_t resize(uint64_t capacity) noexcept;
  // resize(count).
  int32_t compact() noexcept;
  // Grows so that at least n slots are free: 0, or 2 (no memory or a size that cannot be
  // represented) with nothing changed.
  int32_t reserve(uint64_t n) noexcept;

  // ---- Access ----  (borrowed objects; nil when empty or out of range)
  LLKBObject* fetchAtIndex(uint64_t index) const noexcept {
    return index < iPrivate->mCount ? iPrivate->mObjects[iPrivate->slot(index)] : nullptr;
  }
  LLKBObject* atIndex(uint64_t index) const noexcept { return fetchAtIndex(index); }
  LLKBObject* head() const noexcept;
  LLKBObject* tail() const noexcept;
  // Identity search from the head; the index of the first match is stored when `index` is not null.
  bool contains(LLKBObject* object) const noexcept;
  bool contains_atIndex(LLKBObject* object, uint64_t* index) const noexcept;

  // ---- Additions ----  (0, 24 nil, 10 full, 2 no memory; 15 for an insertion index >= count)
  // These grow the deque when it is full (by the grow factor; 10 when it is 0).
  int32_t append(LLKBObject* object) noexcept;
  int32_t prepend(LLKBObject* object) noexcept;
  // Before the object at `index` (which must be < count: use append to add at the end).
  int32_t insert_atIndex(LLKBObject* object, uint64_t index) noexcept;
  // With `resize` NO a full deque answers 10 instead of growing.
  int32_t append_andResizeIfNeeded(LLKBObject* object, bool resize) noexcept;
  int32_t prepend_andResizeIfNeeded(LLKBObject* object, bool resize) noexcept;
  int32_t insert_atIndex_andResizeIfNeeded(LLKBObject* object, uint64_t index, bool resize) noexcept;
  // Puts `object` (retained) at an index < count and answers the object it replaced, autoreleased;
  // no callbacks are called. nil (nothing changed) for a nil object or an index out of range.
  LLKBObject* replace_atIndex(LLKBObject* object, uint64_t index) noexcept;

  // ---- Removals ----  (change callback op 1, then the object is released)
  // 24 nil, 5 not contained; else removes its first occurrence.
  int32_t remove(LLKBObject* object) noexcept;
  // 15 out of range; later objects move down one place.
  int32_t removeAtIndex(uint64_t index) noexcept;
  // 5 when empty.
  int32_t removeHead() noexcept;
  int32_t removeTail() noexcept;
  // Every object (head first); the capacity is kept.
  void clear() noexcept;

  // ---- Order ----
  // 0 < n < count: the first n objects move to the end in their order (a left rotation); otherwise
  // nothing. No callbacks.
  void rotateBy(uint64_t n) noexcept;
  // Shuffles by swapping the object at i with one drawn from [i + 1, count - 1) for each i while
  // i + 1 < count - 1: the last object never moves, and fewer than 3 objects stay as they are.
  // No callbacks.
  void scramble() noexcept;

  // ---- Callbacks and iteration ----  (changing the deque from inside a function is not allowed)
  void setChangeCallback_withContext(LLKFChangeCallback callback, void* context) noexcept override;
  void iterateWithFunction_andContext(LLKFIterateFunction function, void* context) noexcept override;
  LLKBObject* iterateUntilMatchWithFunction_andContext(LLKFMatchFunction function, void* context) noexcept override;
  // Removes every object the function matches (each slot is cleared as its object is released),
  // then closes the gaps keeping the order of the rest: YES if anything matched.
  bool removeEachMatchWithFunction_andContext(LLKFMatchFunction function, void* context) noexcept override;
  bool removeFirstMatchWithFunction_andContext(LLKFMatchFunction function, void* context) noexcept override;
  // The C library's qsort_r over the slots (not stable); the function orders two objects.
  void sortWithFunction_andContext(LLKFSortFunction function, void* context) noexcept override;

  // ---- Copies ----
  // Same grow factor, capacity and objects in order (deep: each object's copy, and nil when one
  // of them is not copyable); no callbacks. nil (the receiver freed) when the source is no deque.
  LLKCObjectDeque* initWithCopy_deep(LLKBObject* source, bool deep) noexcept override;
  LLKCObjectDeque* copy() noexcept override;
  LLKCObjectDeque* deepCopy() noexcept override;

  // ---- Coding ----
  // The encodable objects head to tail, then "growFactor", "count" and "capacity"; they come
  // back in that order (the capacity as LLKBObjectContainer says).
  bool encodeWithCoder(LLKBEncoder* coder) noexcept override;
  LLKCObjectDeque* initWithCoder(LLKBDecoder* coder) noexcept override;

 protected:
  ~LLKCObjectDeque() override;  // change callback op 1 and release for each object; frees the slots
};

// The comparison handed to qsort_r by sortWithFunction_andContext: `context` points at the sort
// function and its context.
LLK_EXTERN_C LLK_EXPORT int LLKFObjectDequeSortComparator(const void* a, const void* b, void* context) noexcept;

#endif  // TXQ_LLK_COLLECTIONS_LLKCOBJECTDEQUE_H
