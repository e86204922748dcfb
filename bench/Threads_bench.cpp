// Locks and conditions beside the standard library, in the same run.
//
//   lock/unlock                 LLKCLock lock + unlock, uncontended   vs std::recursive_mutex
//   condition-round-trip        two threads hand a turn back and forth through one condition and its
//                               lock: one round = two signal/wait hand-offs
//                                                                     vs std::mutex + std::condition_variable
//   wake-round-trip             two threads, two pipes: each waits for its pipe with a waiter, reads the
//                               4-byte token and writes it into the other pipe: one round = two wake-ups
//                                                                     vs raw pipes + poll + read/write

#include <benchmark/benchmark.h>

#include <condition_variable>
#include <mutex>
#include <thread>

#include <fcntl.h>
#include <poll.h>
#include <unistd.h>

#include <txq/llk/object/LLKAutoreleaseScope.h>
#include <txq/llk/threads/LLKCCondition.h>
#include <txq/llk/threads/LLKCLock.h>
#include <txq/llk/threads/LLKCPipe.h>
#include <txq/llk/threads/LLKCWaiter.h>

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

// Waits for the pipe with the waiter, then takes its token; NO when the partner is to stop.
bool takeToken(LLKCWaiter* waiter, LLKCPipe* pipe, uint32_t* token) {
  while (pipe->recv_bytesInto(4, token) != 4) {
    if (waiter->await() == nullptr) return false;
  }
  return *token != 0;
}

void wakeRoundTripTXQ(benchmark::State& state) {
  LLKCPipe* ping = LLKCPipe::new_();
  LLKCPipe* pong = LLKCPipe::new_();
  std::thread partner([&] {
    llk::AutoreleaseScope pool;
    LLKCWaiter* waiter = LLKCWaiter::waiter();
    waiter->attachSignal(ping);
    uint32_t token = 0;
    while (takeToken(waiter, ping, &token)) pong->send_bytesFrom(4, &token);
  });
  {
    llk::AutoreleaseScope pool;
    LLKCWaiter* waiter = LLKCWaiter::waiter();
    waiter->attachSignal(pong);
    uint32_t token = 1;
    for (auto _ : state) {
      ping->send_bytesFrom(4, &token);
      takeToken(waiter, pong, &token);
    }
    token = 0;
    ping->send_bytesFrom(4, &token);
  }
  partner.join();
  ping->release();
  pong->release();
}

// Blocks in poll until the descriptor is readable, then reads one 4-byte token.
uint32_t pollToken(int fd) {
  pollfd entry{fd, POLLIN, 0};
  uint32_t token = 0;
  while (read(fd, &token, 4) != 4) poll(&entry, 1, -1);
  return token;
}

void wakeRoundTripPeer(benchmark::State& state) {
  int ping[2];
  int pong[2];
  if (pipe2(ping, O_NONBLOCK) != 0 || pipe2(pong, O_NONBLOCK) != 0) {
    state.SkipWithError("no pipes");
    return;
  }
  std::thread partner([&] {
    for (uint32_t token = pollToken(ping[0]); token != 0; token = pollToken(ping[0])) {
      if (write(pong[1], &token, 4) != 4) break;
    }
  });
  uint32_t token = 1;
  for (auto _ : state) {
    if (write(ping[1], &token, 4) != 4) break;
    token = pollToken(pong[0]);
  }
  token = 0;
  if (write(ping[1], &token, 4) != 4) state.SkipWithError("write failed");
  partner.join();
  for (int fd : {ping[0], ping[1], pong[0], pong[1]}) close(fd);
}

const bool gRegistered = [] {
  benchmark::RegisterBenchmark("lock/unlock/TXQ", lockUnlockTXQ);
  benchmark::RegisterBenchmark("lock/unlock/std_recursive_mutex", lockUnlockPeer);
  benchmark::RegisterBenchmark("condition-round-trip/TXQ", conditionRoundTripTXQ)->UseRealTime();
  benchmark::RegisterBenchmark("condition-round-trip/std_condition_variable", conditionRoundTripPeer)->UseRealTime();
  benchmark::RegisterBenchmark("wake-round-trip/TXQ", wakeRoundTripTXQ)->UseRealTime();
  benchmark::RegisterBenchmark("wake-round-trip/raw_pipe_poll", wakeRoundTripPeer)->UseRealTime();
  return true;
}();

}  // namespace
