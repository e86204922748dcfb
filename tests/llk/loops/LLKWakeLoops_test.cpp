#include <txq/llk/loops/LLKBListener.h>
#include <txq/llk/loops/LLKBMultiplexer.h>
#include <txq/llk/loops/LLKBWorker.h>

#include <gtest/gtest.h>

#include <fcntl.h>
#include <unistd.h>

#include <chrono>
#include <condition_variable>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include <txq/llk/threads/LLKCEvent.h>
#include <txq/llk/threads/LLKCLine.h>

#include "support/ObjectTest.h"

namespace {

// What a loop reported, in order: "start", "nudge", "flash:<v>", "cable:<uid>@<at sign>", "tick",
// "timeout", "signal", "stop".
class Journal {
 public:
  void add(std::string entry) {
    std::lock_guard<std::mutex> hold(mutex_);
    entries_.push_back(std::move(entry));
    changed_.notify_all();
  }
  // Waits (at most 5 s) until `count` entries equal to `entry` were added.
  bool waitFor(const std::string& entry, size_t count = 1) {
    std::unique_lock<std::mutex> hold(mutex_);
    return changed_.wait_for(hold, std::chrono::seconds(5), [&] { return countLocked(entry) >= count; });
  }
  size_t count(const std::string& entry) {
    std::lock_guard<std::mutex> hold(mutex_);
    return countLocked(entry);
  }
  std::vector<std::string> entries() {
    std::lock_guard<std::mutex> hold(mutex_);
    return entries_;
  }
  void clear() {
    std::lock_guard<std::mutex> hold(mutex_);
    entries_.clear();
  }

 private:
  size_t countLocked(const std::string& entry) const {
    size_t n = 0;
    for (const std::string& e : entries_) n += e == entry ? 1 : 0;
    return n;
  }
  std::mutex mutex_;
  std::condition_variable changed_;
  std::vector<std::string> entries_;
};

// Blocks a hook until released.
class Latch {
 public:
  void wait() {
    std::unique_lock<std::mutex> hold(mutex_);
    entered_ = true;
    changed_.notify_all();
    changed_.wait(hold, [&] { return open_; });
  }
  bool waitEntered() {
    std::unique_lock<std::mutex> hold(mutex_);
    return changed_.wait_for(hold, std::chrono::seconds(5), [&] { return entered_; });
  }
  void open() {
    std::lock_guard<std::mutex> hold(mutex_);
    open_ = true;
    changed_.notify_all();
  }

 private:
  std::mutex mutex_;
  std::condition_variable changed_;
  bool entered_ = false;
  bool open_ = false;
};

std::string cableEntry(LLKTCode code, int64_t at) { return "cable:" + std::to_string(code.mUid) + (at < 0 ? "@-1" : "@+"); }

}  // namespace

class WakeTestListener : public LLKBListener {
  LLK_OBJECT(WakeTestListener, LLKBListener)

 public:
  Journal* iJournal;
  LLKCEvent* iEvent;  // cleared by onSignaledAt, when set

  void onStarting() noexcept override { iJournal->add("start"); }
  void onNudgedAt(int64_t) noexcept override { iJournal->add("nudge"); }
  void onFlashed_at(uint32_t value, int64_t) noexcept override { iJournal->add("flash:" + std::to_string(value)); }
  void onCabled_at(LLKTCode code, int64_t at) noexcept override { iJournal->add(cableEntry(code, at)); }
  void onTickedAt(int64_t) noexcept override { iJournal->add("tick"); }
  void onTimedOutAt(int64_t) noexcept override { iJournal->add("timeout"); }
  void onSignaledAt(int64_t) noexcept override {
    if (iEvent != nullptr) iEvent->reset();
    iJournal->add("signal");
  }
  void onStopping() noexcept override { iJournal->add("stop"); }
};
LLK_DEFINE_CLASS(WakeTestListener, LLK_PROTOCOLS())

// A listener that forgot its signal hook.
class WakeTestDeafListener : public LLKBListener {
  LLK_OBJECT(WakeTestDeafListener, LLKBListener)

 public:
  Journal* iJournal;
  void onNudgedAt(int64_t) noexcept override { iJournal->add("nudge"); }
};
LLK_DEFINE_CLASS(WakeTestDeafListener, LLK_PROTOCOLS())

class WakeTestMultiplexer : public LLKBMultiplexer {
  LLK_OBJECT(WakeTestMultiplexer, LLKBMultiplexer)

 public:
  Journal* iJournal;
  Latch* iLatch;  // the first flash waits on it, when set

  void onNudgedAt(int64_t) noexcept override { iJournal->add("nudge"); }
  void onFlashed_at(uint32_t value, int64_t) noexcept override {
    if (iLatch != nullptr) std::exchange(iLatch, nullptr)->wait();
    iJournal->add("flash:" + std::to_string(value));
  }
  void onCabled_at(LLKTCode code, int64_t at) noexcept override { iJournal->add(cableEntry(code, at)); }
  void onSignaledAt_with(int64_t, LLKBObject*) noexcept override { iJournal->add("signal"); }
  void onStopping() noexcept override { iJournal->add("stop"); }
};
LLK_DEFINE_CLASS(WakeTestMultiplexer, LLK_PROTOCOLS())

class WakeTestWorker : public LLKBWorker {
  LLK_OBJECT(WakeTestWorker, LLKBWorker)

 public:
  Journal* iJournal;
  Latch* iLatch;  // the first flash waits on it, when set

  void onStarting() noexcept override { iJournal->add("start"); }
  void onNudgedAt(int64_t) noexcept override { iJournal->add("nudge"); }
  void onFlashed_at(uint32_t value, int64_t) noexcept override {
    if (iLatch != nullptr) std::exchange(iLatch, nullptr)->wait();
    iJournal->add("flash:" + std::to_string(value));
  }
  void onCabled_at(LLKTCode code, int64_t at) noexcept override { iJournal->add(cableEntry(code, at)); }
  void onTimedOutAt(int64_t) noexcept override { iJournal->add("timeout"); }
  void onStopping() noexcept override { iJournal->add("stop"); }
};
LLK_DEFINE_CLASS(WakeTestWorker, LLK_PROTOCOLS())

namespace {

class LLKBListenerThreads : public txqtest::ObjectTest {
 protected:
  WakeTestListener* listener() {
    WakeTestListener* l = WakeTestListener::new_();
    l->iJournal = &journal_;
    return l;
  }
  Journal journal_;
};

TEST_F(LLKBListenerThreads, WakeUpsArriveInOrderFromBeforeTheStartUntilTheClose) {
  WakeTestListener* l = listener();
  EXPECT_TRUE(l->nudge());  // before start: delivered right after onStarting
  EXPECT_TRUE(l->flash(1));
  EXPECT_TRUE(l->flash(2));
  EXPECT_TRUE(l->cable(LLKTCode{9, 0, 0}));
  ASSERT_TRUE(l->start());
  ASSERT_TRUE(journal_.waitFor("cable:9@+"));
  l->stopAndJoin();
  EXPECT_FALSE(l->nudge());
  EXPECT_FALSE(l->cable(LLKTCode{1, 2, 3}));
  // The stop's own nudge is delivered too when the loop was asleep in poll as it came.
  std::vector<std::string> entries = journal_.entries();
  if (entries.size() == 7 && entries[5] == "nudge") entries.erase(entries.begin() + 5);
  const std::vector<std::string> expected{"start", "nudge", "flash:1", "flash:2", "cable:9@+", "stop"};
  EXPECT_EQ(entries, expected);
  l->release();
}

TEST_F(LLKBListenerThreads, TicksAndTimeOutsComeUntilTurnedOff) {
  WakeTestListener* l = listener();
  l->setTick(10);
  l->setTimeout(15);
  ASSERT_TRUE(l->start());
  EXPECT_TRUE(journal_.waitFor("tick", 3));
  l->setTick(0);
  EXPECT_EQ(l->getTick(), 0u);
  EXPECT_TRUE(journal_.waitFor("timeout", 2));  // without ticks the polls time out
  l->release();  // the last release of a running listener stops, wakes and joins it
  EXPECT_EQ(journal_.count("stop"), 1u);
}

TEST_F(LLKBListenerThreads, TheSignalIsReportedAndABrokenOneIsLetGo) {
  WakeTestListener* l = listener();
  LLKCEvent* event = LLKCEvent::event();
  l->iEvent = event;
  ASSERT_TRUE(l->attachSignal(event));
  EXPECT_FALSE(l->attachSignal(event));  // one at a time
  event->signal();
  ASSERT_TRUE(l->start());
  ASSERT_TRUE(journal_.waitFor("signal"));
  l->stopAndJoin();
  EXPECT_TRUE(l->detachSignal());
  EXPECT_FALSE(l->detachSignal());
  l->release();

  // A descriptor that is not open, and a listener without a signal hook, never spin the loop.
  txqtest::LogCapture log;
  constexpr int kNotOpen = 987;  // far above what this process opens
  ASSERT_EQ(fcntl(kNotOpen, F_GETFD), -1);
  LLKCLine* closed = LLKCLine::lineWithRecv(kNotOpen);
  WakeTestListener* blind = listener();
  blind->attachSignal(closed);
  WakeTestDeafListener* deaf = WakeTestDeafListener::new_();
  deaf->iJournal = &journal_;
  LLKCEvent* loud = LLKCEvent::event();
  loud->signal();
  deaf->attachSignal(loud);
  ASSERT_TRUE(blind->start() && deaf->start());
  const size_t nudges = journal_.count("nudge");
  blind->nudge();
  deaf->nudge();
  EXPECT_TRUE(journal_.waitFor("nudge", nudges + 2));
  blind->stopAndJoin();
  deaf->stopAndJoin();
  blind->release();
  deaf->release();
  size_t notOpen = 0;
  size_t detached = 0;
  for (const std::string& line : log.texts()) {
    notOpen += line.find("is not open") != std::string::npos ? 1 : 0;
    detached += line.find("does not respond to onSignaledAt:") != std::string::npos ? 1 : 0;
  }
  EXPECT_EQ(notOpen, 1u);
  EXPECT_EQ(detached, 1u);
}

TEST_F(LLKBListenerThreads, FlashesFromManyThreadsArriveExactlyOnce) {
  WakeTestListener* l = listener();
  ASSERT_TRUE(l->start());
  constexpr int kThreads = 4;
  constexpr int kEach = 500;
  std::vector<std::thread> senders;
  for (int t = 0; t < kThreads; ++t) {
    senders.emplace_back([l] {
      for (int i = 0; i < kEach; ++i) {
        while (!l->flash(7)) std::this_thread::yield();  // a full pipe refuses: try again
      }
    });
  }
  for (std::thread& sender : senders) sender.join();
  EXPECT_TRUE(journal_.waitFor("flash:7", kThreads * kEach));
  l->stopAndJoin();
  EXPECT_EQ(journal_.count("flash:7"), static_cast<size_t>(kThreads * kEach));
  l->release();
}

class LLKBMultiplexerThreads : public LLKBListenerThreads {
 protected:
  WakeTestMultiplexer* multiplexer() {
    WakeTestMultiplexer* m = WakeTestMultiplexer::new_();
    m->iJournal = &journal_;
    return m;
  }
};

TEST_F(LLKBMultiplexerThreads, BehaviorOneHandlesOneRecordPerTurn) {
  for (uint32_t behavior : {1u, 0u}) {
    WakeTestMultiplexer* m = multiplexer();
    m->setBehavior(behavior);
    LLKCEvent* ready = LLKCEvent::event();  // readable all along: one "signal" per loop turn
    ready->signal();
    ASSERT_TRUE(m->attachSignal(ready));
    for (int i = 0; i < 3; ++i) m->nudge();
    ASSERT_TRUE(m->start());
    ASSERT_TRUE(journal_.waitFor("nudge", 3));
    m->stopAndJoin();
    const std::vector<std::string> entries = journal_.entries();
    const std::vector<std::string> first(entries.begin(), entries.begin() + (behavior == 1 ? 6 : 4));
    const std::vector<std::string> oneEach{"signal", "nudge", "signal", "nudge", "signal", "nudge"};
    const std::vector<std::string> allAtOnce{"signal", "nudge", "nudge", "nudge"};
    EXPECT_EQ(first, behavior == 1 ? oneEach : allAtOnce);
    m->release();
    journal_.clear();
  }
}

TEST_F(LLKBMultiplexerThreads, CablesLeftAtTheCloseArriveWithMinusOne) {
  WakeTestMultiplexer* m = multiplexer();
  Latch latch;
  m->iLatch = &latch;
  m->setBehavior(1);
  ASSERT_TRUE(m->start());
  ASSERT_TRUE(m->flash(1));
  ASSERT_TRUE(latch.waitEntered());  // the loop is inside the hook
  m->stop();                         // stop requested, and a nudge after the flash
  ASSERT_TRUE(m->cable(LLKTCode{5, 0, 0}));
  latch.open();
  m->join();
  const std::vector<std::string> expected{"flash:1", "stop", "cable:5@-1"};
  EXPECT_EQ(journal_.entries(), expected);
  EXPECT_EQ(m->attachSignal(nullptr), false);
  m->release();
}

class LLKBWorkerThreads : public LLKBListenerThreads {
 protected:
  WakeTestWorker* worker() {
    WakeTestWorker* w = WakeTestWorker::new_();
    w->iJournal = &journal_;
    return w;
  }
};

TEST_F(LLKBWorkerThreads, ItemsArriveInOrderAndTimeOutsComeWhenIdle) {
  WakeTestWorker* w = worker();
  EXPECT_TRUE(w->nudge());
  EXPECT_TRUE(w->flash(1));
  EXPECT_TRUE(w->flash(2));
  ASSERT_TRUE(w->start());
  ASSERT_TRUE(journal_.waitFor("flash:2"));
  const std::vector<std::string> first{"start", "nudge", "flash:1", "flash:2"};
  EXPECT_EQ(journal_.entries(), first);
  w->setTimeout(10);
  w->nudge();  // the next wait uses the new time-out
  EXPECT_TRUE(journal_.waitFor("timeout", 2));
  w->release();  // stops, wakes and joins the running worker
  EXPECT_EQ(journal_.count("stop"), 1u);
}

TEST_F(LLKBWorkerThreads, CablesLeftAtTheCloseArriveWithMinusOneBeforeStopping) {
  WakeTestWorker* w = worker();
  Latch latch;
  w->iLatch = &latch;
  ASSERT_TRUE(w->start());
  ASSERT_TRUE(w->flash(1));
  ASSERT_TRUE(latch.waitEntered());
  w->stop();
  ASSERT_TRUE(w->cable(LLKTCode{5, 0, 0}));
  latch.open();
  w->join();
  EXPECT_FALSE(w->flash(3));
  const std::vector<std::string> expected{"start", "flash:1", "cable:5@-1", "stop"};
  EXPECT_EQ(journal_.entries(), expected);
  w->release();
}

TEST_F(LLKBWorkerThreads, FlashesFromManyThreadsArriveExactlyOnce) {
  WakeTestWorker* w = worker();
  ASSERT_TRUE(w->start());
  std::vector<std::thread> senders;
  for (int t = 0; t < 4; ++t) {
    senders.emplace_back([w] {
      for (int i = 0; i < 500; ++i) EXPECT_TRUE(w->flash(7));
    });
  }
  for (std::thread& sender : senders) sender.join();
  EXPECT_TRUE(journal_.waitFor("flash:7", 2000));
  w->stopAndJoin();
  EXPECT_EQ(journal_.count("flash:7"), 2000u);
  w->release();
}

}  // namespace
