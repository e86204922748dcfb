#ifndef TXQ_LLK_COLLECTIONS_LLKCOBJECTTUPLE_H
#define TXQ_LLK_COLLECTIONS_LLKCOBJECTTUPLE_H
// LLKCObjectTuple: a fixed number of object slots, any of which may be empty (nil). The number of
// slots is set at creation and never changes; a tuple is the record of the keyed containers
// (a 2-slot tuple holds a key in slot 0 and its value in slot 1).
//
//   LLKCObjectTuple* t = LLKCObjectTuple::tupleWithObjects(key, value);   // 2 slots, autoreleased
//   t->store_atIndex(other, 1);     // replaces the value (the old one is released)
//   t->store_atIndex(nullptr, 0);   // empties slot 0
//   t->stach(key);                  // YES: the first empty slot (0) takes it
//
// count() is the number of slots, so range-for (LLKContainers.h) visits every slot in order and
// yields nil for the empty ones; the callback iterations visit only the stored objects.
// Ownership: factories and copies autoreleased; init... +1. Every stored object is retained and
//            released when it leaves its slot (remove: autoreleases it instead, so the caller's
//            object survives the call). The change callback and its context are borrowed.
// Threads:   one thread at a time (no locks).
// Failure:   no memory answers nil from factories and init...; operations on a slot index past
//            the last slot answer nil or NO and change nothing.

#include <concepts>
#include <cstdarg>
#include <cstdint>

#include <txq/llk/collections/LLKBObjectContainer.h>

class LLK_EXPORT LLKCObjectTuple : public LLKBObjectContainer {
  LLK_OBJECT(LLKCObjectTuple, LLKBObjectContainer)

 public:
  struct private_t;  // defined in LLKCObjectTuple.cpp
  private_t* iPrivate;

  // ---- Creation ----
  // A tuple without slots.
  LLKCObjectTuple* init() noexcept override;
  // n empty slots (n may be 0).
  static LLKCObjectTuple* tupleWithCapacity(uint64_t capacity) noexcept;
  LLKCObjectTuple* initWithCapacity(uint64_t capacity) noexcept;
  // As many slots as objects, holding them in order; the list ends at the first nil (a trailing
  // nil is optional), so tupleWithObjects(nullptr) has no slots.
  template <class... More>
    requires(std::convertible_to<More, LLKBObject*> && ...)
  static LLKCObjectTuple* tupleWithObjects(LLKBObject* first, More... more) noexcept {
    LLKBObject* const all[] = {first, static_cast<LLKBObject*>(more)..., nullptr};
    return tupleWithObjectsOfList(all);
  }
  template <class... More>
    requires(std::convertible_to<More, LLKBObject*> && ...)
  LLKCObjectTuple* initWithObjects(LLKBObject* first, More... more) noexcept {
    LLKBObject* const all[] = {first, static_cast<LLKBObject*>(more)..., nullptr};
    return initWithObjectsOfList(all);
  }
  static LLKCObjectTuple* tupleWithObjectsOfList(LLKBObject* const* nilTerminated) noexcept;
  LLKCObjectTuple* initWithObjectsOfList(LLKBObject* const* nilTerminated) noexcept;
  // `head` followed by the objects of `rest`, which ends with a nil (a nil head: no slots).
  LLKCObjectTuple* initWithHead_and(LLKBObject* head, va_list rest) noexcept;

  // ---- Slots ----
  uint64_t count() const noexcept;     // the number of slots
  uint64_t capacity() const noexcept;  // the same: slots are fixed
  // The object in a slot; nil for an empty slot or an index past the last slot.
  LLKBObject* fetchAtIndex(uint64_t index) noexcept;
  LLKBObject* head() noexcept;  // slot 0
  LLKBObject* tail() noexcept;  // the last slot
  // Identity search from slot 0; the first slot holding the object is stored when `index` is not
  // null. NO for nil.
  bool contains(LLKBObject* object) noexcept;
  bool contains_atIndex(LLKBObject* object, uint64_t* index) noexcept;

  // ---- Changes ----  (change callback: op 1 before an object leaves, op 0 after one arrived)
  // Puts the object (retained; nil empties the slot) in place of the slot's object (released).
  // Answers the object now in the slot; nil for an index past the last slot (nothing changed).
  LLKBObject* store_atIndex(LLKBObject* object, uint64_t index) noexcept;
  // Puts a non-nil object into the first empty slot: YES; NO for nil or when no slot is empty.
  bool stach(LLKBObject* object) noexcept;
  // Empties the first slot holding the object and autoreleases it: YES; NO when it is not held.
  bool remove(LLKBObject* object) noexcept;
  // Empties a slot, releasing its object: YES; NO when the slot is already empty or past the end.
  bool removeAtIndex(uint64_t index) noexcept;
  // Empties every slot (the change callback is told about each object).
  void clear() noexcept;

  // ---- Callbacks ----  (only a change callback; setAcceptCallback... is ignored)
  void setChangeCallback_withContext(LLKFChangeCallback callback, void* context) noexcept override;

  // ---- Iteration ----  (over the stored objects in slot order; empty slots are skipped)
  void iterateWithFunction_andContext(LLKFIterateFunction function, void* context) noexcept override;
  LLKBObject* iterateUntilMatchWithFunction_andContext(LLKFMatchFunction function, void* context) noexcept override;
  // Empty every slot whose object the function accepts (each slot is cleared as its object is
  // released); YES if any matched.
  bool removeEachMatchWithFunction_andContext(LLKFMatchFunction function, void* context) noexcept override;
  bool removeFirstMatchWithFunction_andContext(LLKFMatchFunction function, void* context) noexcept override;
  // Sorts the slots: the objects in the function's order, then the empty slots. The function is
  // only ever given objects, never nil. No callbacks.
  void sortWithFunction_andContext(LLKFSortFunction function, void* context) noexcept override;

  // ---- Copies ----
  // The same slots holding the same objects (retained); deep: each object's copy, and a slot
  // object that cannot be copied makes the whole copy nil. No callbacks are copied.
  LLKCObjectTuple* initWithCopy_deep(LLKBObject* source, bool deep) noexcept override;
  LLKCObjectTuple* copy() noexcept override;
  LLKCObjectTuple* deepCopy() noexcept override;

  // ---- Coding ----
  // The encodable objects in slot order, then "count" and "capacity" (the number of slots).
  // They come back in slots 0, 1, ... of a tuple with that many slots, at most max(count, 4096).
  bool encodeWithCoder(LLKBEncoder* coder) noexcept override;
  LLKCObjectTuple* initWithCoder(LLKBDecoder* coder) noexcept override;

 protected:
  // Tells the change callback op 1 for each object before releasing it; frees the slots.
  ~LLKCObjectTuple() override;
};

#endif  // TXQ_LLK_COLLECTIONS_LLKCOBJECTTUPLE_H
