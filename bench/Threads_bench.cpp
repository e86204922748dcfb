// Locks and conditions beside the standard library, in the same run.
//
//   lock/unlock                 LLKCLock lock + unlock, uncontended   vs std::recursive_mutex
//   condition-round-trip        two threads hand a turn back and forth through one condition and its
//                               lock: one round = two signal/wait hand-offs
//                                                                     vs std::mutex + std::condition_variable

#include <benchmark/benchmark.h>

#include <condition_variable>
#include <mutex>
#include <thread>

#include <txq/llk/threads/LLKCCondition.h>
#include <txq/llk/threads/LLKCLock.h>

namespace {

void lockUnlockTXQ(benchmark::State& state) {
  LLKCLock* lock = LLKCLock::new_();
  for (auto _ : state) {
    lock->lock();
    lock->unlock();
  }
  lock->release();
}

void lockUnlockPeer(benchmark::State& state) {
  std::recursive_mutex mutex;
  for (auto _ : state) {
    mutex.lock();
    mutex.unlock();
  }
}

void conditionRoundTripTXQ(benchmark::State& state) {
  LLKCCondition* condition = LLKCCondition::new_();
  LLKCLock* lock = condition->lock();
  int turn = 0;  // 1: the partner's turn; -1: the partner stops
  std::thread partner([&] {
    lock->lock();
    for (;;) {
      while (turn == 0) condition->wait();
      if (turn < 0) break;
      turn = 0;
      condition->signal();
    }
    lock->unlock();
  });
  for (auto _ : state) {
    lock->lock();
    turn = 1;
    condition->signal();
    while (turn != 0) condition->wait();
    lock->unlock();
  }
  lock->lock();
  turn = -1;
  condition->signal();
  lock->unlock();
  partner.join();
  condition->release();
}

void conditionRoundTripPeer(benchmark::State& state) {
  std::mutex mutex;
  std::condition_variable condition;
  int turn = 0;
  std::thread partner([&] {
    std::unique_lock<std::mutex> hold(mutex);
    for (;;) {
      condition.wait(hold, [&] { return turn != 0; });
      if (turn < 0) break;
      turn = 0;
      condition.notify_one();
    }
  });
  for (auto _ : state) {
    std::unique_lock<std::mutex> hold(mutex);
    turn = 1;
    condition.notify_one();
    condition.wait(hold, [&] { return turn == 0; });
  }
  {
    std::lock_guard<std::mutex> hold(mutex);
    turn = -1;
  }
  condition.notify_one();
  partner.join();
}

const bool gRegistered = [] {
  benchmark::RegisterBenchmark("lock/unlock/TXQ", lockUnlockTXQ);
  benchmark::RegisterBenchmark("lock/unlock/std_recursive_mutex", lockUnlockPeer);
  benchmark::RegisterBenchmark("condition-round-trip/TXQ", conditionRoundTripTXQ)->UseRealTime();
  benchmark::RegisterBenchmark("condition-round-trip/std_condition_variable", conditionRoundTripPeer)->UseRealTime();
  return true;
}();

}  // namespace
