#include <txq/llk/threads/LLKCCondition.h>

#include <cerrno>

#include <txq/llk/collections/LLKContainerMaking_p.h>

#include "LLKDeadline_p.h"

LLKCCondition::private_t::~private_t() {
  if (mMade) pthread_cond_destroy(&mCondition);
  llk::release(mLock);
}

LLK_DEFINE_CLASS(LLKCCondition, LLK_PROTOCOLS(), init, initWithLock, lock, wait, waitWithTimeout, signal, broadcast)

LLKCCondition* LLKCCondition::conditionWithLock(LLKCLock* lock) noexcept {
  return llk::detail::autoreleasedNew(&LLKCCondition::initWithLock, lock);
}

LLKCCondition* LLKCCondition::initWithLock(LLKCLock* lock) noexcept {
  iPrivate = lock != nullptr ? new (std::nothrow) private_t : nullptr;
  if (iPrivate == nullptr || pthread_cond_init(&iPrivate->mCondition, nullptr) != 0) {
    dealloc();
    return nullptr;
  }
  iPrivate->mMade = true;
  iPrivate->mLock = static_cast<LLKCLock*>(lock->retain());
  iPrivate->mMutex = lock->mutex();
  return this;
}

LLKCCondition* LLKCCondition::init() noexcept {
  LLKCLock* lock = LLKCLock::new_();
  if (lock == nullptr) {
    dealloc();
    return nullptr;
  }
  LLKCCondition* self = initWithLock(lock);
  lock->release();  // the condition holds the only reference
  return self;
}

LLKCCondition::~LLKCCondition() { delete iPrivate; }

void LLKCCondition::wait() noexcept { pthread_cond_wait(&iPrivate->mCondition, iPrivate->mMutex); }

bool LLKCCondition::waitWithTimeout(uint32_t milliseconds) noexcept {
  const timespec deadline = llk::detail::deadlineAfter(llk::detail::realtimeNow(), milliseconds);
  return pthread_cond_timedwait(&iPrivate->mCondition, iPrivate->mMutex, &deadline) != ETIMEDOUT;
}

bool LLKCCondition::waitWithTimeout_reminder(uint32_t milliseconds, uint32_t* reminder) noexcept {
  using namespace llk::detail;
  const timespec start = realtimeNow();
  const timespec deadline = deadlineAfter(start, milliseconds);
  bool woken = false;
  timespec now{};
  for (;;) {
    const int outcome = pthread_cond_timedwait(&iPrivate->mCondition, iPrivate->mMutex, &deadline);
    now = realtimeNow();
    if (outcome != ETIMEDOUT) {
      woken = true;
      break;
    }
    if (reached(now, deadline)) break;
  }
  const int64_t elapsed = nanosBetween(start, now);
  uint32_t left = milliseconds;
  if (elapsed >= -999999) {
    const int64_t elapsedMs = elapsed / 1000000;
    left = elapsedMs >= static_cast<int64_t>(milliseconds) ? 0 : static_cast<uint32_t>(milliseconds - elapsedMs);
  }
  if (!woken) left = 0;
  if (reminder != nullptr) *reminder = left;
  return woken;
}

void LLKCCondition::signal() noexcept { pthread_cond_signal(&iPrivate->mCondition); }

void LLKCCondition::broadcast() noexcept { pthread_cond_broadcast(&iPrivate->mCondition); }
