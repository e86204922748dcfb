#include <txq/llk/threads/LLKBThread.h>

#include <gtest/gtest.h>

#include <sched.h>

#include <atomic>
#include <chrono>
#include <thread>

#include <txq/llk/values/LLKCString.h>
#include <txq/llk/values/LLKFMemory.h>

#include "support/ObjectTest.h"

// Runs until asked to stop, counting its runs and noting what it saw of itself.
class ThreadTestSpinner : public LLKBThread {
  LLK_OBJECT(ThreadTestSpinner, LLKBThread)

 public:
  std::atomic<int> iRuns;
  std::atomic<bool> iSawItself;
  std::atomic<bool> iInside;
  std::atomic<bool> iFinished;  // set after the loop, before main returns
  std::atomic<int> iCpu;
  bool iSpin;                   // NO: main returns at once

  void main() noexcept override {
    ++iRuns;
    iSawItself = isCaller() && getUid() == LLKFGetThreadUid() && !isExecutingButNotTheCaller();
    iCpu = sched_getcpu();
    iInside = true;
    while (iSpin && !shouldStop()) std::this_thread::yield();
    iFinished = true;
  }
};
LLK_DEFINE_CLASS(ThreadTestSpinner, LLK_PROTOCOLS())

// The target of a selector-form thread.
class ThreadTestTarget : public LLKBObject {
  LLK_OBJECT(ThreadTestTarget, LLKBObject)

 public:
  std::atomic<LLKBObject*> iSeen;
  LLKBObject* run(LLKBObject* object) noexcept {
    iSeen = object;
    return nullptr;
  }
};
LLK_DEFINE_CLASS(ThreadTestTarget, LLK_PROTOCOLS(), run)

// Releases itself, the last reference, from its own main.
class ThreadTestSelfReleaser : public LLKBThread {
  LLK_OBJECT(ThreadTestSelfReleaser, LLKBThread)

 public:
  std::atomic<bool>* iDone;
  void main() noexcept override {
    std::atomic<bool>* done = iDone;
    release();
    *done = true;
  }
};
LLK_DEFINE_CLASS(ThreadTestSelfReleaser, LLK_PROTOCOLS())

namespace {

class LLKBThreadThreads : public txqtest::ObjectTest {
 protected:
  static ThreadTestSpinner* spinner(bool spin) {
    ThreadTestSpinner* thread = ThreadTestSpinner::new_();
    thread->iSpin = spin;
    return thread;
  }
  static void waitInside(ThreadTestSpinner* thread) {
    while (!thread->iInside) std::this_thread::yield();
  }
};

TEST_F(LLKBThreadThreads, ASelectorThreadRunsOnceAndJoinsRightAfterStart) {
  ThreadTestTarget* target = ThreadTestTarget::new_();
  LLKCString* input = LLKCString::stringWithChars("input");
  LLKBThread* thread = LLKBThread::alloc()->initWithTarget_selector_object(target, LLK_SEL("run:"), input);
  EXPECT_EQ(thread->getUid(), 0u);
  ASSERT_TRUE(thread->start());
  thread->join();
  EXPECT_EQ(target->iSeen.load(), input);
  EXPECT_FALSE(thread->isExecuting());
  EXPECT_EQ(thread->getUid(), 0u);
  EXPECT_TRUE(thread->joinWithTimeout(0));
  thread->release();
  target->release();
}

TEST_F(LLKBThreadThreads, AThreadKnowsItselfAndStartsOnlyOnceAtATime) {
  ThreadTestSpinner* thread = spinner(true);
  ASSERT_TRUE(thread->start());
  waitInside(thread);
  EXPECT_TRUE(thread->iSawItself);
  EXPECT_NE(thread->getUid(), 0u);
  EXPECT_FALSE(thread->isCaller());
  EXPECT_TRUE(thread->isExecutingButNotTheCaller());
  EXPECT_FALSE(thread->start());
  EXPECT_FALSE(thread->joinWithTimeout(10));  // still running, not joined
  EXPECT_TRUE(thread->stopAndJoinWithTimeout(5000));
  EXPECT_TRUE(thread->iFinished);
  EXPECT_EQ(thread->iRuns, 1);
  // Stop requested stays set: a second run sees it at once.
  thread->iInside = false;
  ASSERT_TRUE(thread->start());
  thread->join();
  EXPECT_EQ(thread->iRuns, 2);
  thread->release();
}

TEST_F(LLKBThreadThreads, StoppingANonRunningThreadChangesNothing) {
  ThreadTestSpinner* thread = spinner(false);
  EXPECT_TRUE(thread->joinWithTimeout(0));  // never started
  thread->stopAndJoin();
  EXPECT_TRUE(thread->stopAndJoinWithTimeout(0));
  EXPECT_FALSE(thread->shouldStop());
  thread->stop();
  EXPECT_TRUE(thread->shouldStop());
  thread->release();
}

TEST_F(LLKBThreadThreads, TheLastReleaseStopsAndJoinsARunningThread) {
  ThreadTestSpinner* thread = spinner(true);
  ASSERT_TRUE(thread->start());
  waitInside(thread);
  bool finishedBeforeRelease = false;
  std::thread([&] {
    thread->release();
    finishedBeforeRelease = true;
  }).join();
  EXPECT_TRUE(finishedBeforeRelease);
}

TEST_F(LLKBThreadThreads, ThreadsThatEndByThemselvesOrReleaseThemselvesAreNeverLeftUnjoined) {
  for (int i = 0; i < 20; ++i) {
    ThreadTestSpinner* ended = spinner(false);
    ASSERT_TRUE(ended->start());
    while (ended->isExecuting()) std::this_thread::yield();
    ended->release();  // joins the finished run
  }
  const int64_t live = LLKFLiveObjectCount();
  std::atomic<bool> done{false};
  ThreadTestSelfReleaser* self = ThreadTestSelfReleaser::new_();
  self->iDone = &done;
  ASSERT_TRUE(self->start());  // from here on the thread owns the only reference
  while (!done) std::this_thread::yield();
  // The detached run lets its lock and condition go as it ends, just after main returned.
  for (int i = 0; i < 5000 && LLKFLiveObjectCount() != live; ++i) {
    std::this_thread::sleep_for(std::chrono::milliseconds(1));
  }
}

TEST_F(LLKBThreadThreads, ConcurrentJoinersAllReturn) {
  ThreadTestSpinner* thread = spinner(true);
  ASSERT_TRUE(thread->start());
  waitInside(thread);
  std::thread a([&] { thread->join(); });
  std::thread b([&] { thread->join(); });
  thread->stopAndJoin();
  a.join();
  b.join();
  EXPECT_FALSE(thread->isExecuting());
  thread->release();
}

TEST_F(LLKBThreadThreads, AffinityMasksPickCpusOfTheProcessSet) {
  cpu_set_t allowed;
  ASSERT_EQ(sched_getaffinity(0, sizeof(allowed), &allowed), 0);
  int first = 0;
  while (!CPU_ISSET(first, &allowed)) ++first;
  auto* pinned = static_cast<ThreadTestSpinner*>(ThreadTestSpinner::alloc()->initWithAffinity(0x1));
  ASSERT_TRUE(pinned->start());
  pinned->join();
  EXPECT_EQ(pinned->iCpu, first);
  pinned->release();
  auto* free = static_cast<ThreadTestSpinner*>(ThreadTestSpinner::alloc()->initWithAffinity(0));
  ASSERT_TRUE(free->startWithPriority(9));  // above 6 acts as 6; ignored unless root
  free->join();
  EXPECT_TRUE(CPU_ISSET(free->iCpu, &allowed));
  free->release();
}

TEST(LLKBThreadPriority, LevelsMapOntoTheRange) {
  EXPECT_EQ(LLKFThreadPriorityForLevel(3, 1, 99), 50);
  EXPECT_EQ(LLKFThreadPriorityForLevel(0, 1, 99), 1);
  EXPECT_EQ(LLKFThreadPriorityForLevel(1, 1, 99), 10);
  EXPECT_EQ(LLKFThreadPriorityForLevel(6, 1, 99), 99);
  EXPECT_EQ(LLKFThreadPriorityForLevel(42, 1, 99), 99);
  EXPECT_EQ(LLKFThreadPriorityForLevel(5, 0, 0), 0);
}

}  // namespace
