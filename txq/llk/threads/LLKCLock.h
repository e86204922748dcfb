#ifndef TXQ_LLK_THREADS_LLKCLOCK_H
#define TXQ_LLK_THREADS_LLKCLOCK_H
// LLKCLock: a recursive mutual-exclusion lock with plain, timed and trial acquisition. The owning
// thread may take it again; each lock needs its unlock.
//
//   LLKCLock* lock = LLKCLock::lock_();        // autoreleased (the class operation)
//   if (lock->lockWithTimeout(50)) { ...; lock->unlock(); }
//
// Timed acquisitions count on the real-time clock (a deadline of now + ms).
// Ownership: lock_() autoreleased; alloc + init +1.
// Threads:   any thread; unlock only from the thread that holds the lock.
// Failure:   init answers nil when the mutex cannot be made.

#include <pthread.h>

#include <cstdint>

#include <txq/llk/object/LLKBObject.h>

class LLK_EXPORT LLKCLock : public LLKBObject {
  LLK_OBJECT(LLKCLock, LLKBObject)

 public:
  struct private_t {
    pthread_mutex_t mMutex;
    bool mMade = false;  // mMutex was initialised
    ~private_t();
  };
  private_t* iPrivate;

  static LLKCLock* lock_() noexcept;
  LLKCLock* init() noexcept override;

  // The POSIX mutex (recursive), for conditions bound to this lock.
  pthread_mutex_t* mutex() noexcept { return &iPrivate->mMutex; }
  // Inline: a lock or unlock is one call into the C library.
  void lock() noexcept { pthread_mutex_lock(&iPrivate->mMutex); }
  // YES when taken within `milliseconds` (0: only if free now).
  bool lockWithTimeout(uint32_t milliseconds) noexcept;
  // YES when taken at once.
  bool tryLock() noexcept { return pthread_mutex_trylock(&iPrivate->mMutex) == 0; }
  void unlock() noexcept { pthread_mutex_unlock(&iPrivate->mMutex); }

 protected:
  ~LLKCLock() override;
};

namespace llk {
// Holds a lock for a scope: `llk::LockHold hold(lock);` (nil: nothing is taken).
class LockHold {
 public:
  explicit LockHold(LLKCLock* lock) noexcept : lock_(lock) {
    if (lock_ != nullptr) lock_->lock();
  }
  ~LockHold() {
    if (lock_ != nullptr) lock_->unlock();
  }
  LockHold(const LockHold&) = delete;
  LockHold& operator=(const LockHold&) = delete;

 private:
  LLKCLock* lock_;
};
}  // namespace llk

#endif  // TXQ_LLK_THREADS_LLKCLOCK_H
