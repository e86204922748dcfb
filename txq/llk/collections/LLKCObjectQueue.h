#ifndef TXQ_LLK_COLLECTIONS_LLKCOBJECTQUEUE_H
#define TXQ_LLK_COLLECTIONS_LLKCOBJECTQUEUE_H
// LLKCObjectQueue: first in, first out, over a list of objects (LLKCObjectList): push appends at
// the tail, pop and peek take the head. Steady traffic reuses the list's spare nodes.
//
//   LLKCObjectQueue* q = LLKCObjectQueue::queueWithCapacity(8);
//   q->push(job);
//   LLKBObject* next = q->pop();   // the oldest; stays valid until the current pool drains
//
// Ownership: factories and copies autoreleased; init... +1. The queue retains what it holds; pop
//            and peek answer the head retained and autoreleased. The list is the queue's own.
// Threads:   one thread at a time (no locks).
// Failure:   push answers the list's status (24 for nil, 2 without memory); pop and peek of an
//            empty queue answer nil.

#include <cstdint>

#include <txq/llk/collections/LLKBObjectContainer.h>
#include <txq/llk/collections/LLKCObjectList.h>

class LLK_EXPORT LLKCObjectQueue : public LLKBObjectContainer {
  LLK_OBJECT(LLKCObjectQueue, LLKBObjectContainer)

 public:
  LLKCObjectList* iList;  // owned

  // ---- Creation ----
  static LLKCObjectQueue* queue() noexcept;
  LLKCObjectQueue* init() noexcept override;
  // n spare nodes made in advance.
  static LLKCObjectQueue* queueWithCapacity(uint64_t capacity) noexcept;
  LLKCObjectQueue* initWithCapacity(uint64_t capacity) noexcept;

  // ---- Queue ----
  // Appends at the tail, growing when needed: the list's append status.
  int32_t push(LLKBObject* object) noexcept;
  // The head, retained and autoreleased (so it outlives its removal), removed; nil when empty.
  LLKBObject* pop() noexcept;
  // The head, retained and autoreleased, left in place; nil when empty.
  LLKBObject* peek() noexcept;

  // ---- As the list's ----
  uint64_t count() const noexcept;
  uint64_t capacity() const noexcept;
  LLKBObject* fetchAtIndex(uint64_t index) noexcept;  // 0 is the head (the next to pop)
  bool contains(LLKBObject* object) noexcept;
  int32_t remove(LLKBObject* object) noexcept;  // 5 when absent
  void clear() noexcept;
  void setChangeCallback_withContext(LLKFChangeCallback callback, void* context) noexcept override;
  void iterateWithFunction_andContext(LLKFIterateFunction function, void* context) noexcept override;
  LLKBObject* iterateUntilMatchWithFunction_andContext(LLKFMatchFunction function, void* context) noexcept override;
  bool removeEachMatchWithFunction_andContext(LLKFMatchFunction function, void* context) noexcept override;
  bool removeFirstMatchWithFunction_andContext(LLKFMatchFunction function, void* context) noexcept override;

  // ---- Copies ----  (a queue over a copy of the list; no callbacks)
  LLKCObjectQueue* initWithCopy_deep(LLKBObject* source, bool deep) noexcept override;
  LLKCObjectQueue* copy() noexcept override;
  LLKCObjectQueue* deepCopy() noexcept override;

  // ---- Coding ----
  // The encodable objects head to tail, then "count" and "capacity".
  bool encodeWithCoder(LLKBEncoder* coder) noexcept override;
  LLKCObjectQueue* initWithCoder(LLKBDecoder* coder) noexcept override;

 protected:
  ~LLKCObjectQueue() override;  // releases the list
};

#endif  // TXQ_LLK_COLLECTIONS_LLKCOBJECTQUEUE_H
