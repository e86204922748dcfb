#include <txq/llk/collections/LLKCObjectWorks.h>

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <future>
#include <thread>
#include <vector>

#include <txq/llk/collections/LLKCObjectWorksItem.h>
#include <txq/llk/object/LLKAutoreleaseScope.h>
#include <txq/llk/threads/LLKCInvocation.h>

#include "SequenceTestSupport.h"
#include "support/ObjectTest.h"

// Records what is performed on it by selector "done:".
class WorksTestTarget : public LLKBObject {
  LLK_OBJECT(WorksTestTarget, LLKBObject)

 public:
  int iCalls;
  LLKBObject* iArgument;  // the last argument, not retained
  void done(LLKBObject* argument) noexcept { ++iCalls, iArgument = argument; }
};
LLK_DEFINE_CLASS(WorksTestTarget, LLK_PROTOCOLS(), done)

using namespace std::chrono_literals;
using txqtest::str;

class LLKCObjectWorksTest : public txqtest::ObjectTest {
 protected:
  void SetUp() override {
    ObjectTest::SetUp();
    works_ = LLKCObjectWorks::worksWithCapacity(4);
  }
  LLKCObjectWorks* works_ = nullptr;
};

TEST_F(LLKCObjectWorksTest, SubmitDequeueAndHandBack) {
  LLKBObject* a = str("a");
  LLKBObject* b = str("b");
  EXPECT_TRUE(works_->enabled());
  EXPECT_TRUE(works_->submit(a));
  EXPECT_FALSE(works_->submit_withPriority(a, 9));  // registered already
  EXPECT_FALSE(works_->submit(nullptr));
  EXPECT_TRUE(works_->submit_withPriority(b, 9));
  EXPECT_EQ(works_->count(), 2u);
  uint8_t at = 0;
  EXPECT_EQ(works_->dequeueAndPriority(&at), b);
  EXPECT_EQ(at, 9);
  EXPECT_TRUE(works_->requeue(b));  // taken -> queued again, ahead of a
  EXPECT_TRUE(works_->requeue(b));  // queued already: stays queued once
  EXPECT_EQ(works_->dequeue(), b);
  EXPECT_EQ(works_->dequeue(), a);
  EXPECT_EQ(works_->dequeue(), nullptr);
  works_->resolve(a);
  EXPECT_FALSE(works_->submitted(a));
  EXPECT_FALSE(works_->requeue(a));
  EXPECT_TRUE(works_->cancel(a));  // not registered
  EXPECT_TRUE(works_->submitted(b));

  works_->enable(false);
  EXPECT_FALSE(works_->submit(str("c")));
  EXPECT_EQ(works_->dequeue(), nullptr);
  EXPECT_FALSE(works_->await(b));
  EXPECT_FALSE(works_->async_invocation(b, nullptr));
}

TEST_F(LLKCObjectWorksTest, CancelFollowsTheItemsState) {
  LLKBObject* queued = str("queued");
  LLKBObject* running = str("running");
  works_->submit(queued);
  works_->submit_withPriority(running, 1);
  ASSERT_EQ(works_->dequeue(), running);
  EXPECT_TRUE(works_->cancel(queued));  // out of queue and register
  EXPECT_FALSE(works_->submitted(queued));
  EXPECT_EQ(works_->dequeue(), nullptr);
  EXPECT_FALSE(works_->cancel(running));  // marked, stays registered
  EXPECT_FALSE(works_->cancel(running));
  EXPECT_TRUE(works_->submitted(running));
  EXPECT_TRUE(works_->await_withTimeout(running, 0));  // cancelled counts as completed
  EXPECT_TRUE(works_->requeue(running));  // handed back: not queued again, unregistered
  EXPECT_FALSE(works_->submitted(running));
  EXPECT_EQ(works_->dequeue(), nullptr);
  EXPECT_TRUE(works_->submit(running));  // may come again
}

TEST_F(LLKCObjectWorksTest, ResolveFiresTheAttachedInvocation) {
  LLKBObject* job = str("job");
  LLKBObject* own = str("own");
  LLKBObject* seen = nullptr;
  auto* target = llk::autorelease(WorksTestTarget::new_());

  works_->submit(job);
  EXPECT_TRUE(works_->async_invocation(
      job, LLKCInvocation::invocationWithFunction_andContext(
               [](LLKBObject* o, void* c) { *static_cast<LLKBObject**>(c) = o; }, &seen)));
  EXPECT_FALSE(works_->async_invocation(str("stranger"), nullptr));
  works_->resolve(job);
  EXPECT_EQ(seen, job);

  works_->submit(job);  // a selector form without an object of its own gets the resolved one
  works_->async_invocation(job, LLKCInvocation::invocationWithSelector_target(LLK_SEL("done:"), target));
  works_->resolve(job);
  EXPECT_EQ(target->iCalls, 1);
  EXPECT_EQ(target->iArgument, job);

  works_->submit(job);  // one with its own object keeps it
  works_->async_invocation(job, LLKCInvocation::invocationWithSelector_target_andObject(LLK_SEL("done:"), target, own));
  works_->resolve(job);
  EXPECT_EQ(target->iCalls, 2);
  EXPECT_EQ(target->iArgument, own);

  EXPECT_EQ(LLKCObjectWorksItem::itemWithObject_andPriority(nullptr, 0), nullptr);
}

// ---- Across threads ----

class LLKCObjectWorksThreads : public LLKCObjectWorksTest {
 protected:
  // await (or the timed form) of the object on another thread; `started` is set just before.
  std::future<bool> waiter(LLKBObject* object, int64_t timeout = -1) {
    return std::async(std::launch::async, [this, object, timeout] {
      ++started_;
      return timeout < 0 ? works_->await(object) : works_->await_withTimeout(object, static_cast<uint32_t>(timeout));
    });
  }
  // Lets the waiters reach their wait (they are correct either way; this only makes the wake path
  // the likely one).
  void settle(int waiters) {
    while (started_.load() < waiters) std::this_thread::yield();
    std::this_thread::sleep_for(20ms);
  }
  // The waiter's answer, or a failure (and every waiter released) when it does not come in time.
  bool answer(std::future<bool>& f) {
    if (f.wait_for(5s) != std::future_status::ready) {
      ADD_FAILURE() << "a waiter was not woken";
      works_->enable(false);
    }
    return f.get();
  }
  std::atomic<int> started_{0};
};

TEST_F(LLKCObjectWorksThreads, CancellingAQueuedItemWakesItsWaiter) {
  LLKBObject* job = str("job");
  works_->submit(job);
  std::future<bool> f = waiter(job);
  settle(1);
  EXPECT_TRUE(works_->cancel(job));
  EXPECT_TRUE(answer(f));
}

TEST_F(LLKCObjectWorksThreads, AWorkerResolvingWakesTheWaiter) {
  LLKBObject* job = str("job");
  works_->submit_withPriority(job, 5);
  std::future<bool> f = waiter(job);
  settle(1);
  std::thread worker([this] {
    llk::AutoreleaseScope pool;
    LLKBObject* taken = works_->dequeue();
    works_->resolve(taken);
  });
  worker.join();
  EXPECT_TRUE(answer(f));
  EXPECT_EQ(works_->count(), 0u);
}

TEST_F(LLKCObjectWorksThreads, ACancelledRunningItemWakesItsWaitersWhenHandedBack) {
  LLKBObject* resolved = str("resolved");
  LLKBObject* requeued = str("requeued");
  works_->submit(resolved);
  works_->submit(requeued);
  std::vector<LLKBObject*> taken = {works_->dequeue(), works_->dequeue()};
  ASSERT_NE(taken[0], nullptr);
  ASSERT_NE(taken[1], nullptr);
  std::future<bool> f1 = waiter(resolved);
  std::future<bool> f2 = waiter(requeued);
  settle(2);
  EXPECT_FALSE(works_->cancel(resolved));
  EXPECT_FALSE(works_->cancel(requeued));
  std::thread worker([this, resolved, requeued] {
    works_->resolve(resolved);
    works_->requeue(requeued);
  });
  worker.join();
  EXPECT_TRUE(answer(f1));
  EXPECT_TRUE(answer(f2));
  EXPECT_EQ(works_->count(), 0u);
}

TEST_F(LLKCObjectWorksThreads, TheTimeoutIsOneBudgetWhateverElseIsResolved) {
  LLKBObject* slow = str("slow");
  works_->submit(slow);
  std::atomic<bool> stop{false};
  std::thread churn([this, &stop] {  // a wake-up every few milliseconds
    const auto end = std::chrono::steady_clock::now() + 4s;
    while (!stop.load() && std::chrono::steady_clock::now() < end) {
      llk::AutoreleaseScope pool;
      LLKBObject* other = str("other");
      works_->submit_withPriority(other, 1);
      works_->resolve(other);
      std::this_thread::sleep_for(5ms);
    }
  });
  const auto start = std::chrono::steady_clock::now();
  EXPECT_FALSE(works_->await_withTimeout(slow, 150));
  const auto elapsed = std::chrono::steady_clock::now() - start;
  stop = true;
  churn.join();
  EXPECT_GE(elapsed, 140ms);
  EXPECT_LT(elapsed, 2s);
  EXPECT_TRUE(works_->submitted(slow));
}

TEST_F(LLKCObjectWorksThreads, DisablingWakesEveryWaiterWithItsItemsState) {
  LLKBObject* cancelled = str("cancelled");
  works_->submit_withPriority(cancelled, 1);
  ASSERT_EQ(works_->dequeue(), cancelled);
  std::vector<std::future<bool>> waiting;
  waiting.push_back(waiter(cancelled));
  for (const char* name : {"a", "b", "c"}) {
    LLKBObject* job = str(name);
    works_->submit(job);
    waiting.push_back(waiter(job, 60000));
  }
  settle(4);
  works_->cancel(cancelled);  // taken: no wake-up yet
  works_->enable(false);
  EXPECT_TRUE(answer(waiting[0]));
  for (size_t i = 1; i < waiting.size(); ++i) EXPECT_FALSE(answer(waiting[i]));
}
