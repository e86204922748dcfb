#ifndef TXQ_LLK_COLLECTIONS_LLKCOBJECTLIST_H
#define TXQ_LLK_COLLECTIONS_LLKCOBJECTLIST_H
// LLKCObjectList: a doubly linked list of objects with a pool of spare nodes, so that steady
// traffic (as many removals as additions) allocates nothing, and a position cursor (the last node
// reached by index), so that walking the indexes in order costs one link per step.
//
//   LLKCObjectList* list = LLKCObjectList::listWithCapacity(3);   // 3 spare nodes
//   list->append_andResizeIfNeeded(a, false);                      // 0: a spare node is used
//   for (LLKBObject* o : list) ...                                  // head to tail (LLKContainers.h)
//
// Positions: index 0 is the head, count - 1 the tail. An index operation walks from whichever of
// the head, the tail and the cursor is nearest and leaves the cursor on the node it reached.
// Insertions and removals keep the cursor on the same node when it stays (its index follows), and
// move it to the next node (else the previous one) when its own node leaves.
// capacity() is the number of nodes held: used plus spare.
// Ownership: factories and copies autoreleased; init... +1. Every stored object is retained and
//            released when it leaves (removal, store over it, clear, deallocation). The change
//            callback and its context are borrowed; there is no accept callback.
// Threads:   one thread at a time (no locks).
// Failure:   no memory answers 2 (a node could not be made) or nil (factories, init..., copies);
//            nil objects are never stored (adding one answers 0 and does nothing); 9 when no spare node is left and growing was
//            not allowed; an index past the end answers 15 (insert), 5 (removeAtIndex) or nil.

#include <concepts>
#include <cstdarg>
#include <cstdint>

#include <txq/llk/collections/LLKBObjectContainer.h>

class LLK_EXPORT LLKCObjectList : public LLKBObjectContainer {
  LLK_OBJECT(LLKCObjectList, LLKBObjectContainer)

 public:
  struct private_t;  // defined in LLKCObjectList.cpp
  private_t* iPrivate;

  // ---- Creation ----
  // An empty list without spare nodes.
  static LLKCObjectList* list() noexcept;
  LLKCObjectList* init() noexcept override;
  // An empty list with n spare nodes made in advance (nil when they cannot all be made).
  static LLKCObjectList* listWithCapacity(uint64_t capacity) noexcept;
  LLKCObjectList* initWithCapacity(uint64_t capacity) noexcept;
  // The objects in order, with exactly as many nodes; the list ends at the first nil (a trailing
  // nil is optional).
  template <class... More>
    requires(std::convertible_to<More, LLKBObject*> && ...)
  static LLKCObjectList* listWithObjects(LLKBObject* first, More... more) noexcept {
    LLKBObject* const all[] = {first, static_cast<LLKBObject*>(more)..., nullptr};
    return listWithObjectsOfList(all);
  }
  template <class... More>
    requires(std::convertible_to<More, LLKBObject*> && ...)
  LLKCObjectList* initWithObjects(LLKBObject* first, More... more) noexcept {
    LLKBObject* const all[] = {first, static_cast<LLKBObject*>(more)..., nullptr};
    return initWithObjectsOfList(all);
  }
  static LLKCObjectList* listWithObjectsOfList(LLKBObject* const* nilTerminated) noexcept;
  LLKCObjectList* initWithObjectsOfList(LLKBObject* const* nilTerminated) noexcept;
  // `head` followed by the objects of `rest`, which ends with a nil.
  LLKCObjectList* initWithHead_andRest(LLKBObject* head, va_list rest) noexcept;

  // ---- Size ----
  uint64_t count() const noexcept;
  uint64_t capacity() const noexcept;  // used plus spare nodes

  // ---- Access ----  (nil when empty or past the end)
  LLKBObject* head() noexcept;
  LLKBObject* tail() noexcept;
  // By position, through the cursor; the two names are one operation.
  LLKBObject* atIndex(uint64_t index) noexcept;
  LLKBObject* fetchAtIndex(uint64_t index) noexcept;
  // Identity search from the head; the position of the first match is stored when `index` is not
  // null. NO for nil.
  bool contains(LLKBObject* object) noexcept;
  bool contains_atIndex(LLKBObject* object, uint64_t* index) noexcept;

  // ---- Additions ----  (the object retained, then change callback op 0)
  // A node comes from the spare pool, or is made when the pool is empty and `resize` is YES.
  // 0 done; 24 nil object; 9 no spare node and `resize` NO; 2 no memory; insert: 15 unless
  // index < count (add at the end with append).
  int32_t append_andResizeIfNeeded(LLKBObject* object, bool resize) noexcept;
  int32_t prepend_andResizeIfNeeded(LLKBObject* object, bool resize) noexcept;
  int32_t insert_atIndex_andResizeIfNeeded(LLKBObject* object, uint64_t index, bool resize) noexcept;
  // The same, growing when needed.
  int32_t append(LLKBObject* object) noexcept;
  int32_t prepend(LLKBObject* object) noexcept;
  int32_t insert_atIndex(LLKBObject* object, uint64_t index) noexcept;
  // Puts the object (retained) in the node at the index in place of its object (released),
  // without callbacks. Answers the object; nil for nil or an index past the end (no change).
  LLKBObject* store_atIndex(LLKBObject* object, uint64_t index) noexcept;

  // ---- Removals ----  (change callback op 1, release; the node goes back to the spare pool)
  int32_t remove(LLKBObject* object) noexcept;  // the first node holding it; 5 when absent (or nil)
  int32_t removeAtIndex(uint64_t index) noexcept;  // 5 when index >= count
  int32_t removeHead() noexcept;                   // 5 when empty
  int32_t removeTail() noexcept;                   // 5 when empty
  // Every object of the list leaves; all nodes become spare nodes (capacity unchanged).
  void clear() noexcept;
  // Makes spare nodes up to a capacity of max(n, count) (2 when not all could be made; those that
  // were made stay), or frees spare nodes down to it. 0.
  int32_t resize(uint64_t capacity) noexcept;
  // Frees every spare node: resize to the count.
  int32_t compact() noexcept;

  // ---- Callbacks ----  (only a change callback; setAcceptCallback... is ignored)
  void setChangeCallback_withContext(LLKFChangeCallback callback, void* context) noexcept override;

  // ---- Iteration ----  (head to tail; the function must not change the list)
  void iterateWithFunction_andContext(LLKFIterateFunction function, void* context) noexcept override;
  LLKBObject* iterateUntilMatchWithFunction_andContext(LLKFMatchFunction function, void* context) noexcept override;
  // Removes every object the function accepts (each unlinked as it is released); YES if any.
  bool removeEachMatchWithFunction_andContext(LLKFMatchFunction function, void* context) noexcept override;
  bool removeFirstMatchWithFunction_andContext(LLKFMatchFunction function, void* context) noexcept override;

  // ---- Copies ----
  // The same objects in order, one node each (retained; deep: each object's copy, and an object
  // that cannot be copied makes the whole copy nil). No callbacks; nil when the source is no list.
  LLKCObjectList* initWithCopy_deep(LLKBObject* source, bool deep) noexcept override;
  // A new list made with listWithCapacity(count) holding the same objects in order (no callbacks).
  LLKCObjectList* copy() noexcept override;
  LLKCObjectList* deepCopy() noexcept override;

  // ---- Coding ----
  // The encodable objects head to tail, then "count" and "capacity" (used plus spare nodes).
  bool encodeWithCoder(LLKBEncoder* coder) noexcept override;
  LLKCObjectList* initWithCoder(LLKBDecoder* coder) noexcept override;

 protected:
  // Tells the change callback op 1 for each object before releasing it; frees every node.
  ~LLKCObjectList() override;
};

#endif  // TXQ_LLK_COLLECTIONS_LLKCOBJECTLIST_H
