#include <txq/llk/threads/LLKCCondition.h>
#include <txq/llk/threads/LLKCLock.h>

#include <gtest/gtest.h>

#include <atomic>
#include <thread>

#include "support/ObjectTest.h"

namespace {

class LLKCLockThreads : public txqtest::ObjectTest {};

TEST_F(LLKCLockThreads, TimedAndTrialLocksAnswerAtOnceOrAtTheDeadline) {
  LLKCLock* lock = LLKCLock::lock_();
  ASSERT_NE(lock, nullptr);
  EXPECT_TRUE(lock->lockWithTimeout(0));
  lock->unlock();
  std::atomic<bool> held{false};
  std::atomic<bool> release{false};
  std::thread holder([&] {
    lock->lock();
    held = true;
    while (!release) std::this_thread::yield();
    lock->unlock();
  });
  while (!held) std::this_thread::yield();
  EXPECT_FALSE(lock->lockWithTimeout(0));
  EXPECT_FALSE(lock->tryLock());
  EXPECT_FALSE(lock->lockWithTimeout(20));
  release = true;
  holder.join();
  EXPECT_TRUE(lock->lockWithTimeout(1000));
  lock->unlock();
}

TEST_F(LLKCLockThreads, ARecursiveHoldNeedsOneUnlockPerLock) {
  LLKCLock* lock = LLKCLock::lock_();
  lock->lock();
  lock->lock();
  EXPECT_TRUE(lock->tryLock());  // a third time, by the owner
  lock->unlock();
  lock->unlock();
  bool taken = true;
  std::thread([&] { taken = lock->tryLock(); }).join();
  EXPECT_FALSE(taken);
  lock->unlock();
  std::thread([&] {
    taken = lock->tryLock();
    if (taken) lock->unlock();
  }).join();
  EXPECT_TRUE(taken);
}

TEST_F(LLKCLockThreads, TimedWaitsReportWakeOrTimeOutAndTheBudgetLeft) {
  LLKCCondition* condition = llk::autorelease(LLKCCondition::new_());  // a lock of its own
  ASSERT_NE(condition, nullptr);
  LLKCLock* lock = condition->lock();
  EXPECT_EQ(LLKCCondition::conditionWithLock(nullptr), nullptr);

  lock->lock();
  uint32_t left = 12345;
  EXPECT_FALSE(condition->waitWithTimeout_reminder(20, &left));
  EXPECT_EQ(left, 0u);
  EXPECT_FALSE(condition->waitWithTimeout(10));

  bool ready = false;
  std::thread signaller([&] {
    lock->lock();
    ready = true;
    condition->signal();
    lock->unlock();
  });
  left = 10000;
  while (!ready && condition->waitWithTimeout_reminder(left, &left)) {
  }
  EXPECT_TRUE(ready);
  EXPECT_GT(left, 0u);  // woken well within the budget
  EXPECT_LE(left, 10000u);
  lock->unlock();
  signaller.join();
}

TEST_F(LLKCLockThreads, BroadcastWakesEveryWaiter) {
  LLKCCondition* condition = LLKCCondition::conditionWithLock(LLKCLock::lock_());
  LLKCLock* lock = condition->lock();
  int waiting = 0;
  bool go = false;
  std::atomic<int> woken{0};
  auto waiter = [&] {
    lock->lock();
    ++waiting;
    condition->broadcast();  // tell the main thread
    while (!go) condition->wait();
    lock->unlock();
    ++woken;
  };
  std::thread a(waiter);
  std::thread b(waiter);
  lock->lock();
  while (waiting < 2) condition->wait();
  go = true;
  condition->broadcast();
  lock->unlock();
  a.join();
  b.join();
  EXPECT_EQ(woken, 2);
}

}  // namespace
