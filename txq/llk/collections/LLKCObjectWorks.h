#ifndef TXQ_LLK_COLLECTIONS_LLKCOBJECTWORKS_H
#define TXQ_LLK_COLLECTIONS_LLKCOBJECTWORKS_H
// LLKCObjectWorks: a thread-safe register of pending work. Each submitted object gets an item
// (LLKCObjectWorksItem) with a priority and a state; workers take items in priority order
// (dequeue), hand them back (resolve when done, requeue to run again later), other threads cancel
// them or wait for their completion (await), and an invocation attached with async runs when the
// item is resolved.
//
//   LLKCObjectWorks* works = LLKCObjectWorks::worksWithCapacity(16);   // enabled
//   works->submit_withPriority(job, 10);
//   // a worker:      LLKBObject* next = works->dequeue(); ...; works->resolve(next);
//   // anyone else:   works->await_withTimeout(job, 500);  // YES once done or cancelled
//
// Life of an item: submit makes it (0 queued). dequeue takes the highest-priority queued item
// (1 taken). resolve marks it done (2), runs its invocation (invoke when the invocation holds an
// object of its own, else invokeWithObject with the resolved object), unregisters it and wakes the
// waiters. requeue queues a taken item again (0); an item cancelled while taken is not queued
// again: it is unregistered and the waiters are woken. cancel of a queued item takes it out of the
// queue and the register (3) and wakes the waiters; cancel of a taken item only marks it (3, NO):
// its waiters wake when the worker hands it back. Only queued items are ever in the queue.
// await answers the item's completion (YES for done and cancelled) when woken by resolve, requeue,
// cancel or disabling; the timed form keeps one budget in milliseconds over every wake-up.
// Disabled works refuse submit, async, dequeue and await (NO, nil); disabling wakes every waiter.
// Ownership: the factory autoreleased; init... +1. Items retain their objects while registered;
//            dequeue answers the object retained and autoreleased (a pool must be in place).
// Threads:   any thread. The invocation runs on the resolving thread while the works lock is held:
//            it must not wait for another thread that uses the same works.
// Locks:     the works lock (the works object's monitor) serialises the register; the wait lock
//            (mLock, with mCondition) serves waiting and waking only. Order: works lock, then wait
//            lock, then an item's monitor (a leaf). Waiters hold the wait lock only and read the
//            enabled flag atomically; register operations leave the works lock before they take
//            the wait lock to wake.
// Failure:   submit and requeue answer NO when memory runs out (nothing registered or changed).

#include <atomic>
#include <cstdint>

#include <txq/llk/object/LLKBObject.h>

class LLKCInvocation;
class LLKCLock;
class LLKCCondition;
class LLKCObjectTable;
class LLKCObjectPriorityQueue;
class LLKCObjectWorksItem;

class LLK_EXPORT LLKCObjectWorks : public LLKBObject {
  LLK_OBJECT(LLKCObjectWorks, LLKBObject)

 public:
  struct private_t {
    LLKCObjectWorks* mWorks = nullptr;      // the works itself (its monitor is the works lock)
    std::atomic<bool> mEnabled{true};
    LLKCLock* mLock = nullptr;              // owned: the wait lock
    LLKCCondition* mCondition = nullptr;    // owned, bound to mLock
    LLKCObjectTable* mItems = nullptr;      // owned: object address -> item
    LLKCObjectPriorityQueue* mQueue = nullptr;  // owned: the queued items
    ~private_t();
  };
  private_t* iPrivate;

  // ---- Creation ----
  // A queue with n spare nodes; enabled.
  static LLKCObjectWorks* worksWithCapacity(uint64_t capacity) noexcept;
  LLKCObjectWorks* initWithCapacity(uint64_t capacity) noexcept;

  // ---- Register ----
  // NO when disabled, for nil, when the object is registered already or memory runs out.
  bool submit_withPriority(LLKBObject* object, uint8_t priority) noexcept;
  bool submit(LLKBObject* object) noexcept;  // priority 0
  bool submitted(LLKBObject* object) noexcept;
  uint64_t count() noexcept;  // registered objects
  // The object of the highest-priority queued item, now taken; nil when disabled or none is queued.
  LLKBObject* dequeue() noexcept;
  // The same, storing its priority when the pointer is not null (untouched for nil).
  LLKBObject* dequeueAndPriority(uint8_t* priority) noexcept;
  // Attaches the invocation (nil detaches) to a registered object's item: YES; NO when disabled or
  // not registered.
  bool async_invocation(LLKBObject* object, LLKCInvocation* invocation) noexcept;

  // ---- Handing back ----
  // Done: see above. Nothing for an object that is not registered.
  void resolve(LLKBObject* object) noexcept;
  // NO when not registered or memory runs out; YES otherwise (a queued item stays as it is).
  bool requeue(LLKBObject* object) noexcept;
  // YES when the object is gone from the register (or never was); NO when it is taken (now
  // cancelled) or was cancelled before.
  bool cancel(LLKBObject* object) noexcept;

  // ---- Waiting ----
  // NO at once when disabled or not registered; else waits until the item completes or the works
  // are disabled, and answers the item's completion.
  bool await(LLKBObject* object) noexcept;
  // The same, giving up after `milliseconds` in all (one budget, however often it is woken).
  bool await_withTimeout(LLKBObject* object, uint32_t milliseconds) noexcept;
  // Disabling wakes every waiter.
  void enable(bool enabled) noexcept;
  bool enabled() noexcept;

 protected:
  ~LLKCObjectWorks() override;

 private:
  bool awaitItem(LLKBObject* object, bool timed, uint32_t milliseconds) noexcept;
  void wakeAll() noexcept;  // broadcast under the wait lock
};

#endif  // TXQ_LLK_COLLECTIONS_LLKCOBJECTWORKS_H
