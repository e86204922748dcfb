#ifndef TXQ_LLK_COLLECTIONS_LLKCOBJECTVECTOR_H
#define TXQ_LLK_COLLECTIONS_LLKCOBJECTVECTOR_H
// LLKCObjectVector: a sparse array of slots. Any of the capacity's slots may be empty (nil) and
// count() is the number of occupied ones; objects keep their slot until removed or compacted.
// stash() puts an object into the first empty slot and grows the vector by the grow factor (default
// 0.25: capacity + ceil(capacity * factor), in single precision) when every slot is occupied.
//
//   LLKCObjectVector* v = LLKCObjectVector::vectorWithCapacity(4);
//   v->store_atIndex(x, 2);             // slot 2; count 1
//   v->stash(y);                        // 0: slot 0
//   for (LLKBObject* o : v) ...         // the occupied slots in order (y, x)
//
// Callbacks as the array's: change op 0 after an addition and op 1 before an object is released on
// its way out; accept op 0 before an addition, op 1 before the removal or replacement of an object
// in a slot (NO vetoes, nothing changes). remove() asks op 0 first, then removeAtIndex() asks op 1.
// Ownership: factories and copies autoreleased; init... +1. Every stored object is retained and
//            released when it leaves. fetchAtIndex answers a borrowed object; callbacks and their
//            contexts are borrowed and not copied.
// Threads:   one thread at a time; no locks (threads that share a vector put their own lock around it).
// Failure:   statuses of llk::Status: 24 nil argument, 15 index out of range, 5 not contained,
//            11 vetoed, 10 full and not allowed to grow, 8 not supported (append, prepend), 2 no
//            memory; object results answer nil instead. A failed operation changes nothing.

#include <concepts>
#include <cstdarg>
#include <cstdint>
#include <iterator>

#include <txq/llk/collections/LLKBObjectContainer.h>

class LLK_EXPORT LLKCObjectVector : public LLKBObjectContainer {
  LLK_OBJECT(LLKCObjectVector, LLKBObjectContainer)

 public:
  // The record is visible so that count and fetchAtIndex compile inline; only the vector touches it.
  // mCount of the mCapacity slots hold retained objects, the others nil (so does the rest of the block).
  struct private_t {
    LLKBObject** mObjects = nullptr;  // owned (C allocator); null until the first slot is made
    uint64_t mCount = 0;
    uint64_t mCapacity = 0;
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
  // Empty, no slots yet (allocated by the first stash), grow factor 0.25.
  static LLKCObjectVector* vector() noexcept;
  LLKCObjectVector* init() noexcept override;
  // max(n, 1) empty slots.
  static LLKCObjectVector* vectorWithCapacity(uint64_t capacity) noexcept;
  LLKCObjectVector* initWithCapacity(uint64_t capacity) noexcept;
  // The objects in slots 0, 1, ... up to the first nil (a trailing nil is optional); capacity =
  // their number.
  template <class... More>
    requires(std::convertible_to<More, LLKBObject*> && ...)
  static LLKCObjectVector* vectorWithObjects(LLKBObject* first, More... more) noexcept {
    LLKBObject* const all[] = {first, static_cast<LLKBObject*>(more)..., nullptr};
    return vectorWithObjectsOfList(all);
  }
  template <class... More>
    requires(std::convertible_to<More, LLKBObject*> && ...)
  LLKCObjectVector* initWithObjects(LLKBObject* first, More... more) noexcept {
    LLKBObject* const all[] = {first, static_cast<LLKBObject*>(more)..., nullptr};
    return initWithObjectsOfList(all);
  }
  // `rest` holds LLKBObject* values ending with a nil; `head` comes first (nil: an empty vector).
  LLKCObjectVector* initWithHead_andRest(LLKBObject* head, va_list rest) noexcept;
  // `nilTerminated` is an array of objects ending with a nil.
  static LLKCObjectVector* vectorWithObjectsOfList(LLKBObject* const* nilTerminated) noexcept;
  LLKCObjectVector* initWithObjectsOfList(LLKBObject* const* nilTerminated) noexcept;

  // ---- Size ----
  uint64_t count() const noexcept { return iPrivate->mCount; }  // occupied slots
  uint64_t capacity() const noexcept { return iPrivate->mCapacity; }
  float growFactor() const noexcept;
  // Negative (or NaN) factors are stored as 0: stash then answers 10 once every slot is occupied.
  void setGrowFactor(float growFactor) noexcept;
  // n slots (0 counts as 1), never fewer than the count. Growing adds empty slots; shrinking first
  // compacts. 0, or 2 with nothing changed.
  int32_t resize(uint64_t capacity) noexcept;
  // Moves the objects to the front slots in their order and empties the rest (no callbacks; the
  // capacity is kept): 0.
  int32_t compact() noexcept;

  // ---- Access ----
  // The object in a slot: borrowed; nil for an empty slot or index >= capacity.
  LLKBObject* fetchAtIndex(uint64_t index) const noexcept {
    return index < iPrivate->mCapacity ? iPrivate->mObjects[index] : nullptr;
  }
  // Identity search from slot 0; the slot of the first match is stored when `index` is not null.
  bool contains(LLKBObject* object) const noexcept;
  bool contains_atIndex(LLKBObject* object, uint64_t* index) const noexcept;

  // ---- Additions ----
  // Into the first empty slot; a vector with every slot occupied grows by the grow factor and uses
  // the first new slot. 0; 24 nil; 11 vetoed (op 0); 10 full with grow factor 0; 7 no empty slot;
  // 2 no memory.
  int32_t stash(LLKBObject* object) noexcept;
  // Into the slot at an index < capacity: accept op 0 for the new object and op 1 for an object
  // already there; then change op 1 (old), the swap, change op 0 (new). An empty slot takes the
  // object and the count grows by one. The new object, or nil (nothing changed) when nil, out of
  // range or vetoed. (removeAtIndex empties a slot.)
  LLKBObject* store_atIndex(LLKBObject* object, uint64_t index) noexcept;
  // Positions mean nothing in a sparse vector: 8 (not supported), and nil for insert.
  int32_t append(LLKBObject* object) noexcept;
  int32_t prepend(LLKBObject* object) noexcept;
  LLKBObject* insert_atIndex(LLKBObject* object, uint64_t index) noexcept;

  // ---- Removals ----  (other objects never move)
  // 5 when not contained; 11 when the accept callback refuses op 0 for it; else removeAtIndex of
  // its first slot (which asks op 1).
  int32_t remove(LLKBObject* object) noexcept;
  // Empties the slot: 15 out of range; 0 for a slot already empty; 11 vetoed (op 1); else change
  // op 1, the slot is emptied, the object released: 0.
  int32_t removeAtIndex(uint64_t index) noexcept;
  // Every object (change op 1 each, no accept asked); the capacity is kept.
  void clear() noexcept;

  // ---- Callbacks and iteration ----  (occupied slots in order; no changes from inside a function)
  void setChangeCallback_withContext(LLKFChangeCallback callback, void* context) noexcept override;
  void setAcceptCallback_withContext(LLKFAcceptCallback callback, void* context) noexcept override;
  void iterateWithFunction_andContext(LLKFIterateFunction function, void* context) noexcept override;
  LLKBObject* iterateUntilMatchWithFunction_andContext(LLKFMatchFunction function, void* context) noexcept override;
  // Empties the slot of every object the function matches and the accept callback lets go (op 1).
  // YES if the function matched anything (even an object the accept callback kept).
  bool removeEachMatchWithFunction_andContext(LLKFMatchFunction function, void* context) noexcept override;
  // The same for the first object the function matches only.
  bool removeFirstMatchWithFunction_andContext(LLKFMatchFunction function, void* context) noexcept override;

  // ---- Copies ----
  // Same grow factor, capacity and objects in the same slots (deep: each object's copy, and nil
  // when one of them is not copyable); no callbacks. nil (the receiver freed) when the source is
  // no vector.
  LLKCObjectVector* initWithCopy_deep(LLKBObject* source, bool deep) noexcept override;
  LLKCObjectVector* copy() noexcept override;
  LLKCObjectVector* deepCopy() noexcept override;

  // ---- Coding ----
  // The encodable objects in slot order, then "growFactor", "count" and "capacity"; they come
  // back in slots 0, 1, ... (empty slots between them are not kept).
  bool encodeWithCoder(LLKBEncoder* coder) noexcept override;
  LLKCObjectVector* initWithCoder(LLKBDecoder* coder) noexcept override;

 protected:
  ~LLKCObjectVector() override;  // change callback op 1 and release for each object; frees the slots
};

// Range-for over a vector yields the occupied slots only, in slot order (the generic walk of
// LLKContainers.h would stop at position count and yield the empty slots as nil).
class LLKObjectVectorIterator {
 public:
  using iterator_category = std::forward_iterator_tag;
  using value_type = LLKBObject*;
  using difference_type = std::ptrdiff_t;
  using pointer = void;
  using reference = LLKBObject*;

  LLKObjectVectorIterator() noexcept = default;
  // Positioned on the first occupied slot at or after `slot`.
  LLKObjectVectorIterator(const LLKCObjectVector* vector, uint64_t slot) noexcept : vector_(vector), slot_(slot) {
    settle();
  }
  LLKBObject* operator*() const noexcept { return vector_->fetchAtIndex(slot_); }
  LLKObjectVectorIterator& operator++() noexcept {
    ++slot_;
    settle();
    return *this;
  }
  LLKObjectVectorIterator operator++(int) noexcept {
    LLKObjectVectorIterator before = *this;
    ++*this;
    return before;
  }
  bool operator==(const LLKObjectVectorIterator& other) const noexcept { return slot_ == other.slot_; }

 private:
  void settle() noexcept {
    if (vector_ == nullptr) return;
    const uint64_t end = vector_->capacity();
    while (slot_ < end && vector_->fetchAtIndex(slot_) == nullptr) ++slot_;
  }
  const LLKCObjectVector* vector_ = nullptr;
  uint64_t slot_ = 0;
};

// Found by argument-dependent lookup; preferred to the generic overloads. nil iterates nothing.
inline LLKObjectVectorIterator begin(LLKCObjectVector* vector) noexcept {
  return vector != nullptr ? LLKObjectVectorIterator(vector, 0) : LLKObjectVectorIterator();
}
inline LLKObjectVectorIterator end(LLKCObjectVector* vector) noexcept {
  return vector != nullptr ? LLKObjectVectorIterator(vector, vector->capacity()) : LLKObjectVectorIterator();
}

#endif  // TXQ_LLK_COLLECTIONS_LLKCOBJECTVECTOR_H
