// Loop threads beside hand-written equivalents, in the same run. Real time; one round is two wake-ups.
//
//   nudge-round-trip   nudge an LLKBListener; its onNudgedAt answers through a pipe the caller polls
//                      vs a thread polling a raw pipe and answering through another

#include <benchmark/benchmark.h>

#include <fcntl.h>
#include <poll.h>
#include <unistd.h>

#include <thread>

#include <txq/llk/loops/LLKBListener.h>

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

namespace {

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
  return true;
}();

}  // namespace
