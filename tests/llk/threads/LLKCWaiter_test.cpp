#include <txq/llk/threads/LLKCWaiter.h>

#include <fcntl.h>
#include <gtest/gtest.h>
#include <unistd.h>
#include <txq/LLK.h>

#include <chrono>

#include "support/ObjectTest.h"

// A pipe as a signal; counts the waiter's hook calls.
class WaiterTestPipe : public LLKBObject, public LLKPSignaling {
  LLK_OBJECT(WaiterTestPipe, LLKBObject)

 public:
  int iFds[2];
  int32_t iPolled;  // set: the descriptor answered as recvFD instead of the read end
  int32_t iHookFD;
  uint32_t iHooks;

  static WaiterTestPipe* pipe_() { return llk::autorelease(new_()); }
  WaiterTestPipe* init() noexcept override {
    if (pipe2(iFds, O_NONBLOCK | O_CLOEXEC) != 0) iFds[0] = iFds[1] = -1;
    return this;
  }
  void poke() { EXPECT_EQ(write(iFds[1], "!", 1), 1); }
  void empty() {
    char bytes[16];
    while (read(iFds[0], bytes, sizeof bytes) > 0) {
    }
  }
  void closeWriter() {
    close(iFds[1]);
    iFds[1] = -1;
  }
  int32_t recvFD() noexcept override { return iPolled != 0 ? iPolled : iFds[0]; }
  int32_t recvFlags() noexcept override { return 0; }
  int32_t sendFD() noexcept override { return iFds[1]; }
  int32_t sendFlags() noexcept override { return 0; }
  void onSignalingWithFD(int32_t fd) noexcept override {
    iHookFD = fd;
    ++iHooks;
  }

 protected:
  ~WaiterTestPipe() override {
    if (iFds[0] >= 0) close(iFds[0]);
    if (iFds[1] >= 0) close(iFds[1]);
  }
};
LLK_DEFINE_CLASS(WaiterTestPipe, LLK_PROTOCOLS(LLKPSignaling))

namespace {

using Clock = std::chrono::steady_clock;

int64_t msSince(Clock::time_point start) {
  return std::chrono::duration_cast<std::chrono::milliseconds>(Clock::now() - start).count();
}

class LLKCWaiterTest : public txqtest::ObjectTest {};

TEST_F(LLKCWaiterTest, AnswersNilAtOnceWithNothingAttachedAndAfterATimeOut) {
  LLKCWaiter* waiter = LLKCWaiter::waiter();
  Clock::time_point start = Clock::now();
  EXPECT_EQ(waiter->await(), nullptr);  // no time limit, yet nothing to wait for
  EXPECT_LT(msSince(start), 1000);

  ASSERT_TRUE(waiter->attachSignal(WaiterTestPipe::pipe_()));
  start = Clock::now();
  EXPECT_EQ(waiter->awaitWithTimeout(30), nullptr);
  EXPECT_GE(msSince(start), 25);
}

TEST_F(LLKCWaiterTest, OnePollYieldsItsReadySignalsInAttachOrder) {
  LLKCWaiter* waiter = LLKCWaiter::waiter();
  WaiterTestPipe* first = WaiterTestPipe::pipe_();
  WaiterTestPipe* a = WaiterTestPipe::pipe_();
  WaiterTestPipe* b = WaiterTestPipe::pipe_();
  ASSERT_TRUE(waiter->attachSignal(first));
  ASSERT_TRUE(waiter->attachSignal(a));
  ASSERT_TRUE(waiter->attachSignal(b));
  b->poke(), a->poke();

  EXPECT_EQ(waiter->awaitWithTimeout(1000), a);
  EXPECT_EQ(a->iHooks, 1u);
  EXPECT_EQ(a->iHookFD, a->iFds[0]);
  first->poke();  // ready now, but the pending result of the last poll comes first
  EXPECT_EQ(waiter->awaitWithTimeout(1000), b);
  EXPECT_EQ(waiter->awaitWithTimeout(1000), first);  // a new poll: in attach order again
  EXPECT_EQ(first->iHooks, 1u);
  EXPECT_EQ(b->iHooks, 1u);
}

TEST_F(LLKCWaiterTest, HoldsSixteenSignalsAndRefusesWhatItCannotHold) {
  LLKCWaiter* waiter = LLKCWaiter::waiter();
  WaiterTestPipe* pipes[17];
  for (WaiterTestPipe*& p : pipes) p = WaiterTestPipe::pipe_();
  for (int i = 0; i < 16; ++i) EXPECT_TRUE(waiter->attachSignal(pipes[i])) << i;
  EXPECT_FALSE(waiter->attachSignal(pipes[16]));
  EXPECT_EQ(pipes[16]->retainCount(), 1u);  // nothing retained by the refusal
  EXPECT_FALSE(waiter->detachSignal(pipes[16]));
  EXPECT_TRUE(waiter->detachSignal(pipes[3]));
  EXPECT_EQ(pipes[3]->retainCount(), 1u);
  EXPECT_TRUE(waiter->attachSignal(pipes[16]));

  EXPECT_FALSE(waiter->attachSignal(nullptr));
  EXPECT_FALSE(waiter->detachSignal(nullptr));
  EXPECT_FALSE(LLKCWaiter::waiter()->attachSignal("not a signal"_llk));
}

TEST_F(LLKCWaiterTest, DetachingDropsPendingResults) {
  LLKCWaiter* waiter = LLKCWaiter::waiter();
  WaiterTestPipe* a = WaiterTestPipe::pipe_();
  WaiterTestPipe* b = WaiterTestPipe::new_();  // kept alive by the waiter alone from here
  ASSERT_TRUE(waiter->attachSignal(a));
  ASSERT_TRUE(waiter->attachSignal(b));
  a->poke(), b->poke();
  b->release();
  EXPECT_EQ(waiter->awaitWithTimeout(1000), a);
  a->empty();
  ASSERT_TRUE(waiter->detachSignal(b));  // b is freed here
  EXPECT_EQ(waiter->awaitWithTimeout(20), nullptr);

  WaiterTestPipe* c = WaiterTestPipe::pipe_();
  ASSERT_TRUE(waiter->attachSignal(c));
  c->poke();
  EXPECT_EQ(waiter->awaitWithTimeout(1000), c);
  ASSERT_TRUE(waiter->attachSignal(c));  // twice: two slots in the next poll
  EXPECT_EQ(waiter->awaitWithTimeout(1000), c);
  waiter->detachAllSignals();
  EXPECT_EQ(waiter->awaitWithTimeout(20), nullptr);
  EXPECT_EQ(c->retainCount(), 1u);
}

TEST_F(LLKCWaiterTest, AHangUpIsReadyAndADescriptorThatIsNotOpenNeverIs) {
  LLKCWaiter* waiter = LLKCWaiter::waiter();
  WaiterTestPipe* closed = WaiterTestPipe::pipe_();
  closed->iPolled = 1 << 20;  // far above any open descriptor
  WaiterTestPipe* hungUp = WaiterTestPipe::pipe_();
  ASSERT_TRUE(waiter->attachSignal(closed));
  ASSERT_TRUE(waiter->attachSignal(hungUp));

  const Clock::time_point start = Clock::now();
  EXPECT_EQ(waiter->awaitWithTimeout(30), nullptr);  // the whole time, not at once
  EXPECT_GE(msSince(start), 25);
  EXPECT_EQ(closed->iHooks, 0u);

  hungUp->closeWriter();
  EXPECT_EQ(waiter->awaitWithTimeout(1000), hungUp);
}

}  // namespace
