#ifndef TXQ_TESTS_AOK_ACTIVEPROBE_H
#define TXQ_TESTS_AOK_ACTIVEPROBE_H
// Test support: an active object that records what reaches it, checks that its hooks never overlap,
// and can hold a worker on a gate until the test opens it.

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include <txq/AOK.h>

namespace aoktest {

// A gate work can wait on; opened once.
class Gate {
 public:
  void open() {
    std::lock_guard<std::mutex> hold(mutex_);
    open_ = true;
    changed_.notify_all();
  }
  void pass() {
    std::unique_lock<std::mutex> hold(mutex_);
    changed_.wait(hold, [this] { return open_; });
  }

 private:
  std::mutex mutex_;
  std::condition_variable changed_;
  bool open_ = false;
};

// Polls until `done` holds; NO after a generous bound (a hang fails instead of blocking the suite).
template <class F>
bool eventually(F done) {
  const auto until = std::chrono::steady_clock::now() + std::chrono::seconds(60);
  while (!done()) {
    if (std::chrono::steady_clock::now() > until) return false;
    std::this_thread::sleep_for(std::chrono::milliseconds(1));
  }
  return true;
}

}  // namespace aoktest

// Code words: mUid = what to do (0 count, 1 wait at the gate in mCtx's slot), mTag = a label recorded
// in order.
class ActiveProbe : public AOKBActiveObject {
  LLK_OBJECT(ActiveProbe, AOKBActiveObject)

 public:
  static ActiveProbe* probe() noexcept { return llk::autorelease(new_()); }

  void onAttachedTo_as_withAncillary(AOKCActiveScheduler*, LLKBObject*, LLKCDictionary*) noexcept override {
    attached.fetch_add(1);
  }
  void onDetachedOf_as_withAncillary(AOKCActiveScheduler*, LLKBObject*, LLKCDictionary*) noexcept override {
    detached.fetch_add(1);
  }
  void onScheduledBy_as_withCode_argument_andAncillary(AOKCActiveScheduler* scheduler, LLKBObject*, LLKTCode code,
                                                       LLKBObject*, LLKCDictionary*) noexcept override {
    enter(scheduler, code, nullptr);
  }
  void onScheduledBy_as_withCode_argument_andAncillary_in(AOKCActiveScheduler* scheduler, LLKBObject*,
                                                          LLKTCode code, LLKBObject*, LLKCDictionary*,
                                                          LLKBObject* group) noexcept override {
    enter(scheduler, code, group);
  }
  // Reached by selector.
  void poke() noexcept { enter(nullptr, LLKTCode{}, nullptr); }
  void pokeWith(LLKBObject* argument) noexcept {
    lastArgument = argument;
    enter(nullptr, LLKTCode{}, nullptr);
  }

  std::vector<uint32_t> order() {
    std::lock_guard<std::mutex> hold(orderMutex);
    return labels;
  }

  std::atomic<int> attached{0};
  std::atomic<int> detached{0};
  std::atomic<int> calls{0};
  std::atomic<int> groupCalls{0};
  std::atomic<int> inFlight{0};
  std::atomic<int> overlaps{0};
  std::atomic<AOKCActiveScheduler*> seenCurrent{nullptr};
  LLKBObject* lastArgument = nullptr;  // borrowed, compared only
  aoktest::Gate* gate = nullptr;       // code mUid 1 waits here
  std::mutex orderMutex;
  std::vector<uint32_t> labels;

 private:
  void enter(AOKCActiveScheduler* scheduler, LLKTCode code, LLKBObject* group) noexcept {
    if (inFlight.fetch_add(1) != 0) overlaps.fetch_add(1);
    if (scheduler != nullptr) seenCurrent = AOKCActiveScheduler::current();
    if (code.mUid == 1 && gate != nullptr) gate->pass();
    if (code.mTag != 0) {
      std::lock_guard<std::mutex> hold(orderMutex);
      labels.push_back(code.mTag);
    }
    if (group != nullptr) groupCalls.fetch_add(1);
    calls.fetch_add(1);
    inFlight.fetch_sub(1);
  }
};

#endif  // TXQ_TESTS_AOK_ACTIVEPROBE_H
