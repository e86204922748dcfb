#ifndef TXQ_LLK_COLLECTIONS_LLKCOBJECTPILE_H
#define TXQ_LLK_COLLECTIONS_LLKCOBJECTPILE_H
// LLKCObjectPile: a set of objects by identity (the same object, not an equal one), in the order
// they were first added. Built on an LLKCObjectShelf where each object is its own key, so adding,
// removing and the membership test take constant time.
//
//   LLKCObjectPile* pile = LLKCObjectPile::pile();
//   pile->append(client);                 // 0
//   pile->append(client);                 // 0: already there, still one entry
//   if (pile->contains(client)) ...
//   for (LLKBObject* o : pile) ...        // in the order of first addition (LLKContainers.h)
//
// capacity() is the number of entries held: used plus spare.
// Ownership: factories, copies and allObjects autoreleased; init... +1. Every object is retained
//            while it is in the pile. The change callback and its context are borrowed; there is no
//            accept callback.
// Threads:   one thread at a time (no locks).
// Failure:   no memory answers 2 (nothing changed) or nil (factories, init..., copies,
//            allObjects); 24 for nil; 5 when a removal finds nothing.

#include <cstdint>

#include <txq/llk/collections/LLKBObjectContainer.h>

class LLKCObjectDeque;
class LLKCObjectShelf;

class LLK_EXPORT LLKCObjectPile : public LLKBObjectContainer {
  LLK_OBJECT(LLKCObjectPile, LLKBObjectContainer)

 public:
  LLKCObjectShelf* iShelf;  // each object stored under itself; owned

  // ---- Creation ----
  // An empty pile without spare entries.
  static LLKCObjectPile* pile() noexcept;
  LLKCObjectPile* init() noexcept override;
  // An empty pile with n spare entries made in advance (nil when they cannot all be made).
  static LLKCObjectPile* pileWithCapacity(uint64_t capacity) noexcept;
  LLKCObjectPile* initWithCapacity(uint64_t capacity) noexcept;

  // ---- Size ----
  uint64_t count() const noexcept;
  uint64_t capacity() const noexcept;  // used plus spare entries
  // As LLKCObjectTable::resize.
  int32_t resize(uint64_t capacity) noexcept;

  // ---- Contents ----
  // Stores the object under itself: a new object joins at the end (change callback op 0); an
  // object already there keeps its place (op 1, then op 0, for it). 0; 24 for nil; 2 no memory.
  int32_t append(LLKBObject* object) noexcept;
  // 5 when absent (or nil); else change callback op 1 and the object is released. 0.
  int32_t remove(LLKBObject* object) noexcept;
  bool contains(LLKBObject* object) noexcept;
  // By position in the order; nil past the end.
  LLKBObject* fetchAtIndex(uint64_t index) noexcept;
  // Moves the first object to the end, n times.
  void rotateBy(uint64_t n) noexcept;
  // A new deque of the objects in order (nil when it cannot be made).
  LLKCObjectDeque* allObjects() noexcept;
  // Every object leaves in order (change callback op 1 for each).
  void clear() noexcept;

  // ---- Callbacks ----  (only a change callback; setAcceptCallback... is ignored)
  void setChangeCallback_withContext(LLKFChangeCallback callback, void* context) noexcept override;

  // ---- Iteration ----  (in order; the function must not change the pile)
  void iterateWithFunction_andContext(LLKFIterateFunction function, void* context) noexcept override;
  LLKBObject* iterateUntilMatchWithFunction_andContext(LLKFMatchFunction function, void* context) noexcept override;
  bool removeEachMatchWithFunction_andContext(LLKFMatchFunction function, void* context) noexcept override;
  bool removeFirstMatchWithFunction_andContext(LLKFMatchFunction function, void* context) noexcept override;

  // ---- Copies ----
  // The same objects in the same order (deep: each object's copy, and an object that cannot be
  // copied makes the whole copy nil) with the source's capacity. No callbacks.
  LLKCObjectPile* initWithCopy_deep(LLKBObject* source, bool deep) noexcept override;
  LLKCObjectPile* copy() noexcept override;
  LLKCObjectPile* deepCopy() noexcept override;

  // ---- Coding ----
  // The encodable objects in order, then "count" and "capacity".
  bool encodeWithCoder(LLKBEncoder* coder) noexcept override;
  LLKCObjectPile* initWithCoder(LLKBDecoder* coder) noexcept override;

 protected:
  ~LLKCObjectPile() override;  // releases the shelf (change callback op 1 for each object)
};

#endif  // TXQ_LLK_COLLECTIONS_LLKCOBJECTPILE_H
