#ifndef TXQ_LLK_COLLECTIONS_LLKCOBJECTPRIORITYQUEUE_H
#define TXQ_LLK_COLLECTIONS_LLKCOBJECTPRIORITYQUEUE_H
// LLKCObjectPriorityQueue: objects in 256 first-in-first-out lists, one per priority 0..255. The
// highest non-empty priority is always served first; inside one priority objects leave in the
// order they came. Nodes move between the lists and a pool of spare nodes, so a queue of steady
// size allocates nothing.
//
//   LLKCObjectPriorityQueue* q = LLKCObjectPriorityQueue::queueWithCapacity(8);   // 8 spare nodes
//   q->push_withPriority(urgent, 200);
//   q->push(routine);                         // priority 0
//   LLKBObject* next = q->pop();              // urgent: valid until the current pool drains
//
// Service order (pop, peek, iteration, removal by match): priority 255 down to 0, each list from
// head to tail. contains and remove search the other way round, priority 0 upwards.
// capacity() is the number of nodes held: queued plus spare.
// Ownership: factories and copies autoreleased; init... +1. Every queued object is retained; pop
//            hands the queue's reference to the current pool (the object is autoreleased), peek
//            answers a borrowed object. The change callback (op 0 after an addition, op 1 before an
//            object leaves) and its context are borrowed; there is no accept callback.
// Threads:   one thread at a time; no locks.
// Failure:   2 when no node can be made (nothing changed); pushing nil does nothing and answers 0;
//            remove answers 5 when the object is not queued; pops and peeks of empty ranges answer
//            nil. Factories, init... and copies answer nil when memory runs out.

#include <cstdint>

#include <txq/llk/collections/LLKBObjectContainer.h>

class LLK_EXPORT LLKCObjectPriorityQueue : public LLKBObjectContainer {
  LLK_OBJECT(LLKCObjectPriorityQueue, LLKBObjectContainer)

 public:
  struct private_t;  // defined in LLKCObjectPriorityQueue.cpp
  private_t* iPrivate;

  // ---- Creation ----
  // An empty queue without spare nodes.
  static LLKCObjectPriorityQueue* queue() noexcept;
  LLKCObjectPriorityQueue* init() noexcept override;
  // n spare nodes made in advance (nil when they cannot all be made).
  static LLKCObjectPriorityQueue* queueWithCapacity(uint64_t capacity) noexcept;
  LLKCObjectPriorityQueue* initWithCapacity(uint64_t capacity) noexcept;

  // ---- Additions ----  (the object retained, then change callback op 0; 0, or 2 without memory)
  // At the end of priority 0's list.
  int32_t push(LLKBObject* object) noexcept;
  // At the end of that priority's list.
  int32_t push_withPriority(LLKBObject* object, uint8_t priority) noexcept;

  // ---- Service ----
  // The head of the highest non-empty priority, removed (change callback op 1, its node back to
  // the pool) and autoreleased; nil when empty. The ...GivePriority forms store its priority when
  // the pointer is not null (untouched when nothing is found).
  LLKBObject* pop() noexcept;
  LLKBObject* popAndGivePriority(uint8_t* priority) noexcept;
  // The head of that priority's list, or nil.
  LLKBObject* popWithPriority(uint8_t priority) noexcept;
  // The head of the highest non-empty priority between min(a, b) and max(a, b), both included.
  LLKBObject* popWithin_and_andGivePriority(uint8_t a, uint8_t b, uint8_t* priority) noexcept;
  // As the pops, leaving the object queued (borrowed).
  LLKBObject* peek() noexcept;
  LLKBObject* peekAndGivePriority(uint8_t* priority) noexcept;
  LLKBObject* peekWithPriority(uint8_t priority) noexcept;
  LLKBObject* peekWithin_and_andGivePriority(uint8_t a, uint8_t b, uint8_t* priority) noexcept;
  // The highest non-empty priority; 0 when the queue is empty.
  uint8_t peekAtPriority() noexcept;

  // ---- Size ----
  uint64_t count() const noexcept;     // objects queued at all priorities
  uint64_t capacity() const noexcept;  // queued plus spare nodes

  // ---- Search and removal ----  (identity, priority 0 upwards, each list head to tail)
  bool contains(LLKBObject* object) noexcept;
  // The priority of the first match is stored when `priority` is not null.
  bool contains_priority(LLKBObject* object, uint8_t* priority) noexcept;
  // The first occurrence leaves (change callback op 1, release): 0; 5 when none (or nil).
  int32_t remove(LLKBObject* object) noexcept;
  // Every object the function accepts leaves (in service order); YES if any did.
  bool removeWithFilter_context(LLKFMatchFunction function, void* context) noexcept;
  // Every object leaves (change callback op 1, release); the nodes become spare ones.
  void clear() noexcept;

  // ---- Callbacks and iteration ----  (service order; functions must not change the queue)
  void setChangeCallback_withContext(LLKFChangeCallback callback, void* context) noexcept override;
  void iterateWithFunction_andContext(LLKFIterateFunction function, void* context) noexcept override;
  LLKBObject* iterateUntilMatchWithFunction_andContext(LLKFMatchFunction function, void* context) noexcept override;
  bool removeEachMatchWithFunction_andContext(LLKFMatchFunction function, void* context) noexcept override;
  bool removeFirstMatchWithFunction_andContext(LLKFMatchFunction function, void* context) noexcept override;

  // ---- Copies ----
  // The same objects at the same priorities in the same order (deep: each object's copy, and nil
  // when one cannot be copied) with the source's capacity; no callbacks. nil for a source that is
  // no priority queue.
  LLKCObjectPriorityQueue* initWithCopy_deep(LLKBObject* source, bool deep) noexcept override;
  LLKCObjectPriorityQueue* copy() noexcept override;
  LLKCObjectPriorityQueue* deepCopy() noexcept override;

  // ---- Coding ----
  // For each priority from 255 down to 0 holding at least one encodable object: the priority and
  // the number of its encodable objects (unsigned 32-bit each), then those objects in order (others
  // are skipped); finally "count" (the groups written) and "capacity". Decoding trusts none of the
  // numbers for room: groups beyond 256, a priority beyond 255 or a group whose objects do not all
  // decode fail the whole decoding (nil, nothing leaked).
  bool encodeWithCoder(LLKBEncoder* coder) noexcept override;
  LLKCObjectPriorityQueue* initWithCoder(LLKBDecoder* coder) noexcept override;

 protected:
  // Tells the change callback op 1 for each object before releasing it; frees every node.
  ~LLKCObjectPriorityQueue() override;
};

#endif  // TXQ_LLK_COLLECTIONS_LLKCOBJECTPRIORITYQUEUE_H
