#ifndef TXQ_LLK_THREADS_LLKCCONDITION_H
#define TXQ_LLK_THREADS_LLKCCONDITION_H
// LLKCCondition: a condition variable bound to one LLKCLock. Waits release the lock while they sleep
// and hold it again when they return; the caller holds the lock around every wait, and around the
// change of state it then signals.
//
//   lock->lock();
//   uint32_t left = 1000;
//   while (!ready && condition->waitWithTimeout_reminder(left, &left)) {}   // one overall budget
//   lock->unlock();
//
// Deadlines count on the real-time clock.
// Ownership: factories autoreleased; init... +1; the lock is retained for the condition's life.
// Threads:   any thread; waits only while holding the bound lock (once: a recursively held lock is
//            not released by a wait).
// Failure:   init... answer nil for a nil lock or when the condition variable cannot be made.

#include <pthread.h>

#include <cstdint>

#include <txq/llk/threads/LLKCLock.h>

class LLK_EXPORT LLKCCondition : public LLKBObject {
  LLK_OBJECT(LLKCCondition, LLKBObject)

 public:
  struct private_t {
    LLKCLock* mLock = nullptr;  // retained
    pthread_mutex_t* mMutex = nullptr;
    pthread_cond_t mCondition;
    bool mMade = false;  // mCondition was initialised
    ~private_t();
  };
  private_t* iPrivate;

  static LLKCCondition* conditionWithLock(LLKCLock* lock) noexcept;
  LLKCCondition* initWithLock(LLKCLock* lock) noexcept;
  // Bound to a lock of its own.
  LLKCCondition* init() noexcept override;

  LLKCLock* lock() noexcept { return iPrivate->mLock; }
  void wait() noexcept;
  // NO only when the wait timed out; YES when woken (or on any other outcome).
  bool waitWithTimeout(uint32_t milliseconds) noexcept;
  // YES when woken, NO on time-out; stores the milliseconds of the budget left (0 after a time-out;
  // the whole budget when the clock went back). Early time-out reports are waited out.
  bool waitWithTimeout_reminder(uint32_t milliseconds, uint32_t* reminder) noexcept;
  void signal() noexcept;
  void broadcast() noexcept;

 protected:
  ~LLKCCondition() override;
};

#endif  // TXQ_LLK_THREADS_LLKCCONDITION_H
