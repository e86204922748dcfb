#include <txq/llk/threads/LLKCLock.h>

#include <txq/llk/collections/LLKContainerMaking_p.h>

#include "LLKDeadline_p.h"

LLKCLock::private_t::~private_t() {
  if (mMade) pthread_mutex_destroy(&mMutex);
}

LLK_DEFINE_CLASS(LLKCLock, LLK_PROTOCOLS(), init, lock, lockWithTimeout, tryLock, unlock)

LLKCLock* LLKCLock::lock_() noexcept { return llk::detail::autoreleasedNew(&LLKCLock::init); }

LLKCLock* LLKCLock::init() noexcept {
  iPrivate = new (std::nothrow) private_t;
  pthread_mutexattr_t attributes;
  bool made = iPrivate != nullptr && pthread_mutexattr_init(&attributes) == 0;
  if (made) {
    made = pthread_mutexattr_settype(&attributes, PTHREAD_MUTEX_RECURSIVE) == 0 &&
           pthread_mutex_init(&iPrivate->mMutex, &attributes) == 0;
    pthread_mutexattr_destroy(&attributes);
  }
  if (!made) {
    dealloc();
    return nullptr;
  }
  iPrivate->mMade = true;
  return this;
}

LLKCLock::~LLKCLock() { delete iPrivate; }

bool LLKCLock::lockWithTimeout(uint32_t milliseconds) noexcept {
  if (milliseconds == 0) return tryLock();
  const timespec deadline = llk::detail::deadlineAfter(llk::detail::realtimeNow(), milliseconds);
  return pthread_mutex_timedlock(&iPrivate->mMutex, &deadline) == 0;
}
