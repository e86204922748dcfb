// Active objects beside the actors of an actor framework (CAF), in the same run. Real time; both sides
// run on two worker threads, set up once per benchmark run; the hooks and handlers count down a
// shared Countdown that the benchmark thread waits on.
//
//   aok-one-to-one/N      the benchmark thread queues N work items for one active object and waits
//                         until its hook has counted them all (items/s)
//                                                  vs N messages from a plain thread to one actor
//   aok-ping-pong/R       two objects schedule each other until R round trips are done; one item is
//                         one round trip (round_trip = time per round trip)
//                                                  vs two actors sending a message back and forth
//   aok-fan-out/64xM      64 objects in one group, M deliveries to the whole group (64*M hook calls,
//                         items/s)                 vs one sender sending each message to 64 actors

#include <benchmark/benchmark.h>

#include <atomic>
#include <condition_variable>
#include <cstdint>
#include <mutex>
#include <vector>

#include <caf/actor_system.hpp>
#include <caf/actor_system_config.hpp>
#include <caf/event_based_actor.hpp>
#include <caf/send.hpp>

#include <txq/aok/AOKBActiveObject.h>
#include <txq/aok/AOKCActiveScheduler.h>
#include <txq/llk/object/LLKAutoreleaseScope.h>
#include <txq/llk/values/LLKCLiteralString.h>
#include <txq/llk/values/LLKCString.h>

namespace {

// Counts down from the number of items an iteration waits for; the last tick wakes the waiter.
struct Countdown {
  std::atomic<int64_t> left{0};
  std::mutex mutex;
  std::condition_variable zero;
  bool done = false;

  void arm(int64_t count) {
    std::lock_guard<std::mutex> hold(mutex);
    done = false;
    left.store(count, std::memory_order_release);
  }
  void tick() {
    if (left.fetch_sub(1, std::memory_order_acq_rel) != 1) return;
    std::lock_guard<std::mutex> hold(mutex);
    done = true;
    zero.notify_one();
  }
  void wait() {
    std::unique_lock<std::mutex> hold(mutex);
    zero.wait(hold, [&] { return done; });
  }
};

}  // namespace

// Ticks its countdown for every work item, for itself or for a group it belongs to.
class BenchAOCounter : public AOKBActiveObject {
  LLK_OBJECT(BenchAOCounter, AOKBActiveObject)

 public:
  Countdown* iCountdown;
  void onScheduledBy_as_withCode_argument_andAncillary(AOKCActiveScheduler*, LLKBObject*, LLKTCode, LLKBObject*,
                                                       LLKCDictionary*) noexcept override {
    iCountdown->tick();
  }
  void onScheduledBy_as_withCode_argument_andAncillary_in(AOKCActiveScheduler*, LLKBObject*, LLKTCode, LLKBObject*,
                                                          LLKCDictionary*, LLKBObject*) noexcept override {
    iCountdown->tick();
  }
};
LLK_DEFINE_CLASS(BenchAOCounter, LLK_PROTOCOLS())

// One side of a volley; code.mUid is the number of round trips still to go. The returning side hands
// it back one lower; the serving side ticks its countdown at zero and serves it again otherwise.
class BenchAOVolley : public AOKBActiveObject {
  LLK_OBJECT(BenchAOVolley, AOKBActiveObject)

 public:
  LLKBObject* iPeer;  // the other side's identifier (a literal string)
  bool iReturns;
  Countdown* iCountdown;
  void onScheduledBy_as_withCode_argument_andAncillary(AOKCActiveScheduler* scheduler, LLKBObject*, LLKTCode code,
                                                       LLKBObject*, LLKCDictionary*) noexcept override {
    if (iReturns) {
      code.mUid -= 1;
    } else if (code.mUid == 0) {
      iCountdown->tick();
      return;
    }
    scheduler->schedule_withCode_argument_andAncillary_async(iPeer, code, nullptr, nullptr, true);
  }
};
LLK_DEFINE_CLASS(BenchAOVolley, LLK_PROTOCOLS())

namespace {

constexpr uint32_t kWorkers = 2;
constexpr LLKTCode kWork{1, 0, 0};

// ---- TXQ side ----

// Two workers, autoreleased; nil when the workers could not start.
AOKCActiveScheduler* twoWorkerScheduler() {
  const AOKTActiveSchedulerSetup setup{kWorkers, 0, 16, nullptr, nullptr, nullptr};
  return AOKCActiveScheduler::schedulerWithSetup(&setup);
}

// Attaches a new object under the identifier; the scheduler keeps it, the pool drops ours.
template <class T>
T* attachNew(AOKCActiveScheduler* scheduler, LLKBObject* identifier, Countdown* countdown) {
  T* object = llk::autorelease(T::new_());
  if (object == nullptr) return nullptr;
  object->iCountdown = countdown;
  return scheduler->attach_as_withAncillary(object, identifier, nullptr) ? object : nullptr;
}

void oneToOneTXQ(benchmark::State& state, int64_t n) {
  Countdown countdown;  // outlives the scheduler, which goes with the pool
  llk::AutoreleaseScope pool;
  AOKCActiveScheduler* scheduler = twoWorkerScheduler();
  if (scheduler == nullptr) return state.SkipWithError("no scheduler");
  LLKBObject* sink = "aok-sink"_llk;
  if (attachNew<BenchAOCounter>(scheduler, sink, &countdown) == nullptr) return state.SkipWithError("attach failed");
  for (auto _ : state) {
    countdown.arm(n);
    bool queued = true;
    for (int64_t i = 0; i < n && queued; ++i)
      queued = scheduler->schedule_withCode_argument_andAncillary_async(sink, kWork, nullptr, nullptr, true);
    if (!queued) {
      state.SkipWithError("schedule refused");
      break;
    }
    countdown.wait();
  }
  state.SetItemsProcessed(state.iterations() * n);
}

void pingPongTXQ(benchmark::State& state, int64_t rounds) {
  Countdown countdown;
  llk::AutoreleaseScope pool;
  AOKCActiveScheduler* scheduler = twoWorkerScheduler();
  if (scheduler == nullptr) return state.SkipWithError("no scheduler");
  LLKBObject* serve = "aok-serve"_llk;
  LLKBObject* back = "aok-return"_llk;
  BenchAOVolley* server = attachNew<BenchAOVolley>(scheduler, serve, &countdown);
  BenchAOVolley* returner = attachNew<BenchAOVolley>(scheduler, back, &countdown);
  if (server == nullptr || returner == nullptr) return state.SkipWithError("attach failed");
  // Set before any work is scheduled; the scheduler's locks publish them to the workers.
  server->iPeer = back;
  returner->iPeer = serve;
  returner->iReturns = true;
  const LLKTCode start{static_cast<uint32_t>(rounds), 0, 0};
  for (auto _ : state) {
    countdown.arm(1);
    if (!scheduler->schedule_withCode_argument_andAncillary_async(serve, start, nullptr, nullptr, true)) {
      state.SkipWithError("schedule refused");
      break;
    }
    countdown.wait();
  }
  state.SetItemsProcessed(state.iterations() * rounds);
  state.counters["round_trip"] =
      benchmark::Counter(static_cast<double>(state.iterations() * rounds),
                         benchmark::Counter::kIsRate | benchmark::Counter::kInvert);
}

void fanOutTXQ(benchmark::State& state, int64_t members, int64_t m) {
  Countdown countdown;
  llk::AutoreleaseScope pool;
  AOKCActiveScheduler* scheduler = twoWorkerScheduler();
  if (scheduler == nullptr) return state.SkipWithError("no scheduler");
  LLKBObject* group = "aok-fan"_llk;
  for (int64_t i = 0; i < members; ++i) {
    LLKCString* identifier = LLKCString::stringWithFormat("aok-member-%lld", static_cast<long long>(i));
    if (identifier == nullptr || attachNew<BenchAOCounter>(scheduler, identifier, &countdown) == nullptr ||
        !scheduler->join_into(identifier, group))
      return state.SkipWithError("attach or join failed");
  }
  for (auto _ : state) {
    countdown.arm(members * m);
    bool queued = true;
    for (int64_t i = 0; i < m && queued; ++i)
      queued = scheduler->coalesce_withCode_argument_andAncillary_sequentially_async(group, kWork, nullptr, nullptr,
                                                                                    false, true);
    if (!queued) {
      state.SkipWithError("coalesce refused");
      break;
    }
    countdown.wait();
  }
  state.SetItemsProcessed(state.iterations() * members * m);
}

// ---- Peer side ----

// An actor system with two workers, as on the TXQ side. Actor handles must go before it does.
struct PeerSystem {
  caf::actor_system_config config;
  caf::actor_system system;
  PeerSystem() : system(config.set("scheduler.max-threads", kWorkers)) {}
};

caf::behavior countingActor(caf::event_based_actor*, Countdown* countdown) {
  return {[countdown](int) { countdown->tick(); }};
}

// The returning side of a volley: sends the count back to whoever sent it, one lower.
caf::behavior returningActor(caf::event_based_actor* self) {
  return {[self](int left) { self->send(caf::actor_cast<caf::actor>(self->current_sender()), left - 1); }};
}

// The serving side: ticks the countdown at zero, else serves the count to its peer again.
caf::behavior servingActor(caf::event_based_actor* self, caf::actor peer, Countdown* countdown) {
  return {[self, peer, countdown](int left) {
    if (left == 0) {
      countdown->tick();
    } else {
      self->send(peer, left);
    }
  }};
}

void stopAll(const std::vector<caf::actor>& actors) {
  for (const caf::actor& actor : actors) caf::anon_send_exit(actor, caf::exit_reason::user_shutdown);
}

void oneToOneCAF(benchmark::State& state, int64_t n) {
  Countdown countdown;
  PeerSystem peer;
  caf::actor sink = peer.system.spawn(countingActor, &countdown);
  for (auto _ : state) {
    countdown.arm(n);
    for (int64_t i = 0; i < n; ++i) caf::anon_send(sink, 1);
    countdown.wait();
  }
  state.SetItemsProcessed(state.iterations() * n);
  stopAll({sink});
}

void pingPongCAF(benchmark::State& state, int64_t rounds) {
  Countdown countdown;
  PeerSystem peer;
  caf::actor returner = peer.system.spawn(returningActor);
  caf::actor server = peer.system.spawn(servingActor, returner, &countdown);
  const int start = static_cast<int>(rounds);
  for (auto _ : state) {
    countdown.arm(1);
    caf::anon_send(server, start);
    countdown.wait();
  }
  state.SetItemsProcessed(state.iterations() * rounds);
  state.counters["round_trip"] =
      benchmark::Counter(static_cast<double>(state.iterations() * rounds),
                         benchmark::Counter::kIsRate | benchmark::Counter::kInvert);
  stopAll({server, returner});
}

void fanOutCAF(benchmark::State& state, int64_t members, int64_t m) {
  Countdown countdown;
  PeerSystem peer;
  std::vector<caf::actor> actors;
  for (int64_t i = 0; i < members; ++i) actors.push_back(peer.system.spawn(countingActor, &countdown));
  for (auto _ : state) {
    countdown.arm(members * m);
    for (int64_t i = 0; i < m; ++i) {
      for (const caf::actor& actor : actors) caf::anon_send(actor, 1);
    }
    countdown.wait();
  }
  state.SetItemsProcessed(state.iterations() * members * m);
  stopAll(actors);
}

const bool gRegistered = [] {
  constexpr int64_t kItems = 100000;
  constexpr int64_t kRounds = 10000;
  constexpr int64_t kMembers = 64;
  constexpr int64_t kDeliveries = 1000;
  benchmark::RegisterBenchmark("aok-one-to-one/100000/TXQ", oneToOneTXQ, kItems)->UseRealTime();
  benchmark::RegisterBenchmark("aok-one-to-one/100000/CAF", oneToOneCAF, kItems)->UseRealTime();
  benchmark::RegisterBenchmark("aok-ping-pong/10000/TXQ", pingPongTXQ, kRounds)->UseRealTime();
  benchmark::RegisterBenchmark("aok-ping-pong/10000/CAF", pingPongCAF, kRounds)->UseRealTime();
  benchmark::RegisterBenchmark("aok-fan-out/64x1000/TXQ", fanOutTXQ, kMembers, kDeliveries)->UseRealTime();
  benchmark::RegisterBenchmark("aok-fan-out/64x1000/CAF", fanOutCAF, kMembers, kDeliveries)->UseRealTime();
  return true;
}();

}  // namespace
