// Loop threads beside hand-written equivalents, in the same run. Real time; one round is two wake-ups.
//
//   nudge-round-trip   nudge an LLKBListener; its onNudgedAt answers through a pipe the caller polls
//                      vs a thread polling a raw pipe and answering through another
//   flash-round-trip   flash a sleeping LLKBWorker; its onFlashed_at answers through a reply slot the
//                      caller waits on        vs a std::condition_variable + std::deque worker thread
//   flash-throughput/N N flashes to a busy worker, then wait until it has handled them all (items/s)
//                                             vs the same std::condition_variable + std::deque worker

#include <benchmark/benchmark.h>

#include <fcntl.h>
#include <poll.h>
#include <unistd.h>

#include <condition_variable>
#include <cstdint>
#include <deque>
#include <mutex>
#include <thread>

#include <txq/llk/loops/LLKBListener.h>
#include <txq/llk/loops/LLKBWorker.h>

namespace {

// Blocks in poll until the descriptor is readable, then reads one 4-byte token.
uint32_t pollToken(int fd) {
  pollfd entry{fd, POLLIN, 0};
  uint32_t token = 0;
  while (read(fd, &token, 4) != 4) poll(&entry, 1, -1);
  return token;
}

}  // namespace

// Answers every nudge with a token on its reply descriptor.
class BenchEchoListener : public LLKBListener {
  LLK_OBJECT(BenchEchoListener, LLKBListener)

 public:
  int iReply;
  void onNudgedAt(int64_t) noexcept override {
    const uint32_t token = 1;
    if (write(iReply, &token, 4) != 4) return;
  }
};
LLK_DEFINE_CLASS(BenchEchoListener, LLK_PROTOCOLS())

// Where a worker reports what it handled: the count of items, and a wake-up for the caller.
struct Reply {
  std::mutex mutex;
  std::condition_variable changed;
  uint64_t handled = 0;

  void add() {
    std::lock_guard<std::mutex> hold(mutex);
    ++handled;
    changed.notify_one();
  }
  void waitFor(uint64_t count) {
    std::unique_lock<std::mutex> hold(mutex);
    changed.wait(hold, [&] { return handled >= count; });
  }
};

// Counts every flash in its reply slot.
class BenchCountingWorker : public LLKBWorker {
  LLK_OBJECT(BenchCountingWorker, LLKBWorker)

 public:
  Reply* iReply;
  void onFlashed_at(uint32_t, int64_t) noexcept override { iReply->add(); }
};
LLK_DEFINE_CLASS(BenchCountingWorker, LLK_PROTOCOLS())

namespace {

// The peer: a thread taking 16-byte items off a deque under a mutex and a condition variable.
class PeerWorker {
 public:
  explicit PeerWorker(Reply* reply) : reply_(reply), thread_([this] { run(); }) {}
  ~PeerWorker() {
    {
      std::lock_guard<std::mutex> hold(mutex_);
      stop_ = true;
    }
    ready_.notify_one();
    thread_.join();
  }
  void flash(uint32_t value) {
    {
      std::lock_guard<std::mutex> hold(mutex_);
      items_.push_back({11, value, 0, 0});
    }
    ready_.notify_one();
  }

 private:
  struct Item {
    uint32_t words[4];
  };
  void run() {
    std::unique_lock<std::mutex> hold(mutex_);
    for (;;) {
      ready_.wait(hold, [&] { return stop_ || !items_.empty(); });
      if (stop_) return;
      while (!items_.empty()) {
        items_.pop_front();
        hold.unlock();
        reply_->add();
        hold.lock();
      }
    }
  }
  Reply* reply_;
  std::mutex mutex_;
  std::condition_variable ready_;
  std::deque<Item> items_;
  bool stop_ = false;
  std::thread thread_;
};

void flashRoundTripTXQ(benchmark::State& state) {
  Reply reply;
  BenchCountingWorker* worker = BenchCountingWorker::new_();
  worker->iReply = &reply;
  worker->start();
  uint64_t sent = 0;
  for (auto _ : state) {
    worker->flash(1);
    reply.waitFor(++sent);
  }
  worker->stopAndJoin();
  worker->release();
}

void flashRoundTripPeer(benchmark::State& state) {
  Reply reply;
  PeerWorker worker(&reply);
  uint64_t sent = 0;
  for (auto _ : state) {
    worker.flash(1);
    reply.waitFor(++sent);
  }
}

void flashThroughputTXQ(benchmark::State& state, int64_t n) {
  Reply reply;
  BenchCountingWorker* worker = BenchCountingWorker::new_();
  worker->iReply = &reply;
  worker->start();
  uint64_t sent = 0;
  for (auto _ : state) {
    for (int64_t i = 0; i < n; ++i) worker->flash(1);
    reply.waitFor(sent += static_cast<uint64_t>(n));
  }
  state.SetItemsProcessed(state.iterations() * n);
  worker->stopAndJoin();
  worker->release();
}

void flashThroughputPeer(benchmark::State& state, int64_t n) {
  Reply reply;
  PeerWorker worker(&reply);
  uint64_t sent = 0;
  for (auto _ : state) {
    for (int64_t i = 0; i < n; ++i) worker.flash(1);
    reply.waitFor(sent += static_cast<uint64_t>(n));
  }
  state.SetItemsProcessed(state.iterations() * n);
}

void nudgeRoundTripTXQ(benchmark::State& state) {
  int reply[2];
  if (pipe2(reply, O_NONBLOCK) != 0) return state.SkipWithError("no pipe");
  BenchEchoListener* listener = BenchEchoListener::new_();
  listener->iReply = reply[1];
  listener->start();
  for (auto _ : state) {
    listener->nudge();
    pollToken(reply[0]);
  }
  listener->stopAndJoin();
  listener->release();
  close(reply[0]);
  close(reply[1]);
}

void nudgeRoundTripPeer(benchmark::State& state) {
  int ping[2];
  int pong[2];
  if (pipe2(ping, O_NONBLOCK) != 0 || pipe2(pong, O_NONBLOCK) != 0) return state.SkipWithError("no pipes");
  std::thread partner([&] {
    for (uint32_t token = pollToken(ping[0]); token != 0; token = pollToken(ping[0])) {
      if (write(pong[1], &token, 4) != 4) break;
    }
  });
  uint32_t token = 1;
  for (auto _ : state) {
    if (write(ping[1], &token, 4) != 4) break;
    pollToken(pong[0]);
  }
  token = 0;
  if (write(ping[1], &token, 4) != 4) state.SkipWithError("write failed");
  partner.join();
  for (int fd : {ping[0], ping[1], pong[0], pong[1]}) close(fd);
}

const bool gRegistered = [] {
  benchmark::RegisterBenchmark("nudge-round-trip/TXQ", nudgeRoundTripTXQ)->UseRealTime();
  benchmark::RegisterBenchmark("nudge-round-trip/raw_pipe_poll", nudgeRoundTripPeer)->UseRealTime();
  benchmark::RegisterBenchmark("flash-round-trip/TXQ", flashRoundTripTXQ)->UseRealTime();
  benchmark::RegisterBenchmark("flash-round-trip/condvar_deque", flashRoundTripPeer)->UseRealTime();
  benchmark::RegisterBenchmark("flash-throughput/10000/TXQ", flashThroughputTXQ, 10000)->UseRealTime();
  benchmark::RegisterBenchmark("flash-throughput/10000/condvar_deque", flashThroughputPeer, 10000)->UseRealTime();
  return true;
}();

}  // namespace
