#ifndef TXQ_LLK_COLLECTIONS_LLKCOBJECTARRAY_H
#define TXQ_LLK_COLLECTIONS_LLKCOBJECTARRAY_H
// LLKCObjectArray: a dense, growable sequence of objects. Positions 0..count-1 are always occupied
// (nil is never stored); the slots live in one block that grows by the grow factor (default 0.25:
// capacity + ceil(capacity * factor), in single precision) when an addition finds the array full.
// A grow factor of 0 makes the array fixed-size.
//
//   LLKCObjectArray* a = LLKCObjectArray::arrayWithObjects(x, y);   // x, y (a trailing nil is optional)
//   a->append(z);                                                    // 0
//   a->insert_atIndex(w, 0);                                         // w, x, y, z
//   for (LLKBObject* o : a) ...                                      // in order (LLKContainers.h)
//
// Callbacks: the change callback is told op 0 after an object was added and op 1 before an object
// is released on its way out (removal, replacement, clear, deallocation). The accept callback is
// asked op 0 before an addition or a replacement and op 1 before a removal or replacement of the
// object in a slot; answering NO vetoes the operation and nothing changes. remove() asks op 0 for
// the object first and then removeAtIndex() asks op 1 again: a callback must accept both.
// Ownership: factories and copies autoreleased; init... +1. Every stored object is retained and
//            released when it leaves. fetchAtIndex answers a borrowed object; callbacks and their
//            contexts are borrowed and not copied.
// Threads:   one thread at a time; no locks (threads that share an array put their own lock around it).
// Failure:   statuses of llk::Status: 24 nil argument, 15 index out of range, 5 not contained,
//            11 vetoed, 10 full and not allowed to grow, 2 no memory; object results answer nil
//            instead. A failed operation changes nothing.

#include <concepts>
#include <cstdarg>
#include <cstdint>

#include <txq/llk/collections/LLKBObjectContainer.h>

class LLK_EXPORT LLKCObjectArray : public LLKBObjectContainer {
  LLK_OBJECT(LLKCObjectArray, LLKBObjectContainer)

 public:
  // The record is visible so that count and fetchAtIndex compile inline; only the array touches it.
  // Slots 0..mCount-1 hold retained objects; every other slot of the block is nil.
  struct private_t {
    LLKBObject** mObjects = nullptr;  // owned (C allocator); null until the first slot is made
    uint64_t mCount = 0;
    uint64_t mCapacity = 0;           // the slots the array may use before it must grow
    float mGrowFactor = 0.25f;
    LLKFChangeCallback mChangeCallback = nullptr;  // borrowed, with their contexts
    void* mChangeContext = nullptr;
    LLKFAcceptCallback mAcceptCallback = nullptr;
    void* mAcceptContext = nullptr;
    uint64_t mAllocated = 0;  // slots in the block: >= mCapacity (small blocks are rounded up)
    ~private_t();             // change callback op 1 and release for each object; frees the block
  };
  private_t* iPrivate;

  // ---- Creation ----
  // Empty, no slots yet (allocated by the first addition), grow factor 0.25.
  static LLKCObjectArray* array() noexcept;
  LLKCObjectArray* init() noexcept override;
  // max(n, 1) empty slots.
  static LLKCObjectArray* arrayWithCapacity(uint64_t capacity) noexcept;
  LLKCObjectArray* initWithCapacity(uint64_t capacity) noexcept;
  // The objects in order, up to the first nil (a trailing nil is optional); capacity = their number.
  template <class... More>
    requires(std::convertible_to<More, LLKBObject*> && ...)
  static LLKCObjectArray* arrayWithObjects(LLKBObject* first, More... more) noexcept {
    LLKBObject* const all[] = {first, static_cast<LLKBObject*>(more)..., nullptr};
    return arrayWithObjectsOfList(all);
  }
  template <class... More>
    requires(std::convertible_to<More, LLKBObject*> && ...)
  LLKCObjectArray* initWithObjects(LLKBObject* first, More... more) noexcept {
    LLKBObject* const all[] = {first, static_cast<LLKBObject*>(more)..., nullptr};
    return initWithObjectsOfList(all);
  }
  // `rest` holds LLKBObject* values ending with a nil; `head` comes first (nil: an empty array).
  LLKCObjectArray* initWithHead_andRest(LLKBObject* head, va_list rest) noexcept;
  // `nilTerminated` is an array of objects ending with a nil.
  static LLKCObjectArray* arrayWithObjectsOfList(LLKBObject* const* nilTerminated) noexcept;
  LLKCObjectArray* initWithObjectsOfList(LLKBObject* const* nilTerminated) noexcept;

  // ---- Size ----
  uint64_t count() const noexcept { return iPrivate->mCount; }
  uint64_t capacity() const noexcept;
  float growFactor() const noexcept;
  // Negative (or NaN) factors are stored as 0, which makes the array fixed-size.
  void setGrowFactor(float growFactor) noexcept;
  // Reallocates to n slots (0 counts as 1), never below the count: 0, or 2 with nothing changed.
  int32_t resize(uint64_t capacity) noexcept;
  // resize(count).
  int32_t compact() noexcept;

  // ---- Access ----
  // Borrowed; nil when index >= count.
  LLKBObject* fetchAtIndex(uint64_t index) const noexcept {
    return index < iPrivate->mCount ? iPrivate->mObjects[index] : nullptr;
  }
  // Identity search from index 0; the index of the first match is stored when `index` is not null.
  bool contains(LLKBObject* object) const noexcept;
  bool contains_atIndex(LLKBObject* object, uint64_t* index) const noexcept;

  // ---- Additions ----  (growing by the grow factor when full)
  // 0; 24 nil; 11 vetoed; 10 full with grow factor 0; 2 no memory.
  int32_t append(LLKBObject* object) noexcept;
  int32_t prepend(LLKBObject* object) noexcept;
  // Before the object at `index`, which must be < count (append adds at the end). The object, or
  // nil when refused for any of the reasons above.
  LLKBObject* insert_atIndex(LLKBObject* object, uint64_t index) noexcept;
  // Replaces the object at an index < count: accept op 0 for the new object and op 1 for the old
  // one, then change op 1 (old), the swap, change op 0 (new). The new object, or nil (nothing
  // changed) when nil, out of range or vetoed.
  LLKBObject* store_atIndex(LLKBObject* object, uint64_t index) noexcept;

  // ---- Removals ----
  // 5 when not contained; 11 when the accept callback refuses op 0 for it; else removeAtIndex of
  // its first occurrence (which asks op 1).
  int32_t remove(LLKBObject* object) noexcept;
  // 15 out of range; 11 vetoed (op 1); else change op 1, later objects move down one place, the
  // object is released: 0.
  int32_t removeAtIndex(uint64_t index) noexcept;
  // Every object (change op 1 each, no accept asked); the capacity is kept.
  void clear() noexcept;

  // ---- Callbacks and iteration ----  (changing the array from inside a function is not allowed)
  void setChangeCallback_withContext(LLKFChangeCallback callback, void* context) noexcept override;
  void setAcceptCallback_withContext(LLKFAcceptCallback callback, void* context) noexcept override;
  void iterateWithFunction_andContext(LLKFIterateFunction function, void* context) noexcept override;
  LLKBObject* iterateUntilMatchWithFunction_andContext(LLKFMatchFunction function, void* context) noexcept override;
  // Removes every object the function matches and the accept callback lets go (op 1); each slot is
  // cleared as its object is released, and the rest close up in their order. YES if the function
  // matched anything (even an object the accept callback kept).
  bool removeEachMatchWithFunction_andContext(LLKFMatchFunction function, void* context) noexcept override;
  // The same for the first object the function matches only.
  bool removeFirstMatchWithFunction_andContext(LLKFMatchFunction function, void* context) noexcept override;
  // The C library's qsort_r over the objects (not stable); no callbacks.
  void sortWithFunction_andContext(LLKFSortFunction function, void* context) noexcept override;

  // ---- Copies ----
  // Same grow factor, capacity and objects in order (deep: each object's copy, and nil when one
  // of them is not copyable); no callbacks. nil (the receiver freed) when the source is no array.
  LLKCObjectArray* initWithCopy_deep(LLKBObject* source, bool deep) noexcept override;
  LLKCObjectArray* copy() noexcept override;
  LLKCObjectArray* deepCopy() noexcept override;

  // ---- Coding ----
  // The encodable objects in order, then "growFactor", "count" and "capacity"; they come back
  // in that order (the capacity as LLKBObjectContainer says).
  bool encodeWithCoder(LLKBEncoder* coder) noexcept override;
  LLKCObjectArray* initWithCoder(LLKBDecoder* coder) noexcept override;

 protected:
  ~LLKCObjectArray() override;  // change callback op 1 and release for each object; frees the slots
};

#endif  // TXQ_LLK_COLLECTIONS_LLKCOBJECTARRAY_H
