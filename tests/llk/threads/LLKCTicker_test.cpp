#include <txq/llk/threads/LLKCTicker.h>

#include <gtest/gtest.h>

#include <poll.h>

#include <atomic>
#include <chrono>
#include <cstring>
#include <string>
#include <thread>

#include <txq/llk/threads/LLKCPipe.h>
#include <txq/llk/values/LLKCData.h>

#include "support/ObjectTest.h"

// Counts its ticks, checks the argument and autoreleases on every call; releases `ticker` (once)
// from inside its first call when one is given.
class TickerTestTarget : public LLKBObject {
  LLK_OBJECT(TickerTestTarget, LLKBObject)

 public:
  std::atomic<int> calls;
  std::atomic<int> wrongArguments;
  LLKBObject* expected;
  std::atomic<LLKCTicker*> ticker;

  LLKBObject* onTick(LLKBObject* object) noexcept {
    calls.fetch_add(1);
    if (object != expected) wrongArguments.fetch_add(1);
    LLKCData::dataWithLength(16);  // autoreleased into the tick's pool
    llk::release(ticker.exchange(nullptr));
    return nullptr;
  }
};
LLK_DEFINE_CLASS(TickerTestTarget, LLK_PROTOCOLS(), onTick)

namespace {

using Clock = std::chrono::steady_clock;

// Reads one message of `n` bytes within `milliseconds`.
std::string nextMessage(LLKCPipe* pipe, size_t n, int milliseconds = 2000) {
  pollfd entry{pipe->recvFD(), POLLIN, 0};
  if (poll(&entry, 1, milliseconds) != 1) return "(none)";
  std::string message(n, '\0');
  return pipe->recv_bytesInto(n, message.data()) == n ? message : "(short)";
}
void emptyPipe(LLKCPipe* pipe) {
  char buffer[256];
  while (pipe->recv_bytesInto(sizeof buffer, buffer) != 0) {
  }
}
bool quietFor(LLKCPipe* pipe, int milliseconds) {
  pollfd entry{pipe->recvFD(), POLLIN, 0};
  return poll(&entry, 1, milliseconds) == 0;
}
// Waits up to 2 s for the condition.
template <class F>
bool eventually(F condition) {
  const auto deadline = Clock::now() + std::chrono::seconds(2);
  while (!condition()) {
    if (Clock::now() > deadline) return false;
    std::this_thread::sleep_for(std::chrono::milliseconds(1));
  }
  return true;
}

const std::string kUid7("\x07\x00\x00\x00", 4);

}  // namespace

class LLKCTickerThreads : public txqtest::ObjectTest {};

TEST_F(LLKCTickerThreads, UidTickerWritesEveryPeriodUntilCancelled) {
  LLKCPipe* pipe = LLKCPipe::pipe();
  LLKCTicker* ticker = LLKCTicker::tickerWithUid_andPipe(7, pipe);
  ASSERT_NE(ticker, nullptr);
  EXPECT_FALSE(ticker->isEnabled());  // made disarmed
  EXPECT_EQ(ticker->getPipe(), pipe);
  EXPECT_TRUE(quietFor(pipe, 40));
  const auto start = Clock::now();
  ticker->enable(20);
  EXPECT_TRUE(ticker->isEnabled());
  for (int i = 0; i < 3; ++i) EXPECT_EQ(nextMessage(pipe, 4), kUid7) << i;
  EXPECT_GE(Clock::now() - start, std::chrono::milliseconds(55));  // ticks at 20, 40, 60 ms, never early
  ticker->cancel();
  EXPECT_FALSE(ticker->isEnabled());
  emptyPipe(pipe);
  EXPECT_TRUE(quietFor(pipe, 100));
}

TEST_F(LLKCTickerThreads, DataAndLatePipesAndRequiredArguments) {
  LLKCPipe* pipe = LLKCPipe::pipe();
  LLKCData* data = LLKCData::dataWithBytes_length("wake-up!", 8);
  LLKCTicker* dataTicker = LLKCTicker::tickerWithData_andPipe(data, pipe);
  dataTicker->enable(10);
  EXPECT_EQ(nextMessage(pipe, 8), "wake-up!");
  dataTicker->cancel();
  emptyPipe(pipe);

  LLKCTicker* late = LLKCTicker::tickerWithUid(9);
  late->enable(10);  // neither pipe nor target: nothing happens
  EXPECT_FALSE(late->isEnabled());
  late->cancel();
  late->setPipe(pipe);
  EXPECT_EQ(late->getPipe(), pipe);
  late->enable(10);
  EXPECT_EQ(nextMessage(pipe, 4), std::string("\x09\x00\x00\x00", 4));
  late->enable(0);  // disarms, yet stays enabled
  EXPECT_TRUE(late->isEnabled());
  bool settled = false;  // a tick already under way may still write once
  for (int i = 0; i < 20 && !settled; ++i) {
    emptyPipe(pipe);
    settled = quietFor(pipe, 50);
  }
  EXPECT_TRUE(settled);

  EXPECT_EQ(LLKCTicker::tickerWithUid_andPipe(1, nullptr), nullptr);
  EXPECT_EQ(LLKCTicker::tickerWithData_andPipe(nullptr, pipe), nullptr);
  EXPECT_EQ(LLKCTicker::tickerWithData_andPipe(data, nullptr), nullptr);
  LLKCTicker* bare = llk::autorelease(LLKCTicker::new_());
  bare->enable(10);
  EXPECT_FALSE(bare->isEnabled());
}

TEST_F(LLKCTickerThreads, TargetCallsRunInsideAPoolAndStopAtCancel) {
  txqtest::LogCapture log;
  TickerTestTarget* target = llk::autorelease(TickerTestTarget::new_());
  LLKBObject* argument = llk::autorelease(LLKBObject::new_());
  target->expected = argument;
  LLKCTicker* ticker = LLKCTicker::tickerWithTarget_selector_object(target, LLK_SEL("onTick:"), argument);
  ticker->setPipe(LLKCPipe::pipe());  // a target ticker takes no pipe
  EXPECT_EQ(ticker->getPipe(), nullptr);
  ticker->enable(5);
  EXPECT_TRUE(eventually([&] { return target->calls.load() >= 3; }));
  ticker->cancel();
  const int calls = target->calls.load();
  std::this_thread::sleep_for(std::chrono::milliseconds(30));
  EXPECT_EQ(target->calls.load(), calls);
  EXPECT_EQ(target->wrongArguments.load(), 0);
  for (const std::string& line : log.texts())
    EXPECT_EQ(line.find("No LLKCAutoreleasePool"), std::string::npos) << line;
}

TEST_F(LLKCTickerThreads, ReleasingEnabledTickersIsSafeAndReleasesWhatTheyHold) {
  TickerTestTarget* target = llk::autorelease(TickerTestTarget::new_());
  for (int i = 0; i < 50; ++i) {
    LLKCPipe* pipe = LLKCPipe::new_();
    LLKCTicker* writer = LLKCTicker::alloc()->initWithUid_andPipe(7, pipe);
    LLKCTicker* caller =
        LLKCTicker::alloc()->initWithTarget_selector_object(target, LLK_SEL("onTick:"), nullptr);
    writer->enable(1);
    caller->enable(1);
    if (i % 2 == 0) {
      EXPECT_EQ(nextMessage(pipe, 4), kUid7);
    }
    writer->release();
    caller->release();
    EXPECT_EQ(pipe->retainCount(), 1u);  // released by the time release returns
    EXPECT_EQ(target->retainCount(), 1u);
    pipe->release();
  }
}

TEST_F(LLKCTickerThreads, ATargetMayReleaseItsTickerFromItsTick) {
  TickerTestTarget* target = llk::autorelease(TickerTestTarget::new_());
  const int64_t live = LLKFLiveObjectCount();
  LLKCTicker* ticker =
      LLKCTicker::alloc()->initWithTarget_selector_object(target, LLK_SEL("onTick:"), nullptr);
  target->ticker.store(ticker);  // the target now holds the only reference
  ticker->enable(1);
  EXPECT_TRUE(eventually([&] { return target->retainCount() == 1; }));  // the last tick freed the rest
  EXPECT_TRUE(eventually([&] { return LLKFLiveObjectCount() == live; }));
  std::this_thread::sleep_for(std::chrono::milliseconds(10));
  EXPECT_EQ(target->calls.load(), 1);
}
