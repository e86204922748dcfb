#ifndef TXQ_LLK_COLLECTIONS_LLKCOBJECTSTACK_H
#define TXQ_LLK_COLLECTIONS_LLKCOBJECTSTACK_H
// LLKCObjectStack: last in, first out, over a deque whose tail is the top. push grows the deque as
// needed; pop and peek hand the top back retained and autoreleased, so a popped object stays valid
// until the caller's pool drains. The rest (removal, search, clear, callbacks, iterations) is the
// deque's, bottom to top.
//
//   LLKCObjectStack* s = LLKCObjectStack::stack();
//   s->push(a); s->push(b);
//   LLKBObject* top = s->pop();     // b, alive until the pool drains
//
// Ownership: factories and copies autoreleased; init... +1. The deque (iDeque) is owned; it retains
//            every pushed object. pop/peek answer autoreleased objects, fetchAtIndex a borrowed one.
// Threads:   one thread at a time; no locks.
// Failure:   push: 24 nil, 2 no memory (10 only after setting the deque's grow factor to 0);
//            pop/peek of an empty stack answer nil; factories and init... answer nil without memory.

#include <cstdint>

#include <txq/llk/collections/LLKBObjectContainer.h>
#include <txq/llk/collections/LLKCObjectDeque.h>

class LLK_EXPORT LLKCObjectStack : public LLKBObjectContainer {
  LLK_OBJECT(LLKCObjectStack, LLKBObjectContainer)

 public:
  LLKCObjectDeque* iDeque;  // owned; head = bottom, tail = top

  // ---- Creation ----
  // Over an empty deque without slots yet.
  static LLKCObjectStack* stack() noexcept;
  LLKCObjectStack* init() noexcept override;
  // Over a deque of max(n, 1) slots.
  static LLKCObjectStack* stackWithCapacity(uint64_t capacity) noexcept;
  LLKCObjectStack* initWithCapacity(uint64_t capacity) noexcept;

  // ---- Stack ----
  // Appends to the deque, growing it when full: 0, 24 nil, 2 no memory.
  int32_t push(LLKBObject* object) noexcept;
  // The top, removed from the stack but retained and autoreleased; nil when empty.
  LLKBObject* pop() noexcept;
  // The top (left in place), retained and autoreleased; nil when empty.
  LLKBObject* peek() noexcept;

  // ---- The deque's ----
  int32_t remove(LLKBObject* object) noexcept;  // 24 nil, 5 not contained
  bool contains(LLKBObject* object) const noexcept;
  uint64_t count() const noexcept;
  uint64_t capacity() const noexcept;
  // Position 0 is the bottom, count - 1 the top; borrowed, nil out of range.
  LLKBObject* fetchAtIndex(uint64_t index) const noexcept;
  void clear() noexcept;
  void setChangeCallback_withContext(LLKFChangeCallback callback, void* context) noexcept override;
  void iterateWithFunction_andContext(LLKFIterateFunction function, void* context) noexcept override;
  LLKBObject* iterateUntilMatchWithFunction_andContext(LLKFMatchFunction function, void* context) noexcept override;
  bool removeEachMatchWithFunction_andContext(LLKFMatchFunction function, void* context) noexcept override;
  bool removeFirstMatchWithFunction_andContext(LLKFMatchFunction function, void* context) noexcept override;

  // ---- Copies ----
  // A stack over a copy of the deque (deep: each object's copy, nil when one is not copyable); no
  // callbacks. nil (the receiver freed) when the source is no stack.
  LLKCObjectStack* initWithCopy_deep(LLKBObject* source, bool deep) noexcept override;
  LLKCObjectStack* copy() noexcept override;
  LLKCObjectStack* deepCopy() noexcept override;

  // ---- Coding ----
  // The encodable objects bottom to top, then "count" and "capacity".
  bool encodeWithCoder(LLKBEncoder* coder) noexcept override;
  LLKCObjectStack* initWithCoder(LLKBDecoder* coder) noexcept override;

 protected:
  ~LLKCObjectStack() override;  // releases the deque (which tells its change callback op 1 per object)
};

#endif  // TXQ_LLK_COLLECTIONS_LLKCOBJECTSTACK_H
