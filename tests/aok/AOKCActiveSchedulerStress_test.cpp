// The scheduler under load from many threads: every work item runs exactly once, one object's hooks
// never overlap, synchronous callers return only after their work ran, and suspensions, drains and
// group work interleave with all of it safely.

#include <txq/aok/AOKCActiveScheduler.h>

#include <gtest/gtest.h>

#include <thread>
#include <vector>

#include <txq/AOK.h>
#include <txq/llk/values/LLKCString.h>

#include "ActiveProbe.h"
#include "support/ObjectTest.h"

namespace {

using aoktest::eventually;

#if defined(__has_feature)
#if __has_feature(thread_sanitizer)
constexpr bool kSanitized = true;
#else
constexpr bool kSanitized = false;
#endif
#else
constexpr bool kSanitized = false;
#endif

class AOKCActiveSchedulerStressThreads : public txqtest::ObjectTest {};

TEST_F(AOKCActiveSchedulerStressThreads, EveryHustleRunsOnceAndNeverBesideAnotherOfItsObject) {
  constexpr int kObjects = 64;
  constexpr int kProducers = 8;
  const int perProducer = kSanitized ? 2000 : 100000;
  AOKTActiveSchedulerSetup setup{4, 0, 8, nullptr, nullptr, nullptr};
  AOKCActiveScheduler* scheduler = AOKCActiveScheduler::schedulerWithSetup(&setup);
  ASSERT_NE(scheduler, nullptr);
  std::vector<ActiveProbe*> probes;
  std::vector<LLKCString*> keys;
  for (int i = 0; i < kObjects; ++i) {
    keys.push_back(LLKCString::stringWithFormat("o%d", i));
    probes.push_back(ActiveProbe::probe());
    ASSERT_TRUE(scheduler->attach_as_withAncillary_async(probes.back(), keys.back(), nullptr, true));
    if (i % 2 == 0) {
      ASSERT_TRUE(scheduler->join_into(keys.back(), "even"_llk));
    }
  }
  std::atomic<int> refused{0};
  std::atomic<int> syncEarly{0};
  std::vector<std::thread> producers;
  for (int p = 0; p < kProducers; ++p) {
    producers.emplace_back([&, p] {
      llk::AutoreleaseScope scope;
      for (int i = 0; i < perProducer; ++i) {
        const int target = (i * 7 + p) % kObjects;
        const bool async = i % 97 != 0;  // now and then a synchronous call
        const int before = probes[target]->calls.load();
        if (!scheduler->schedule_withCode_argument_andAncillary_async_priority(keys[target], LLKTCode{0, 0, 0}, nullptr,
                                                                              nullptr, async, uint8_t(i % 3)))
          refused.fetch_add(1);
        if (!async && probes[target]->calls.load() <= before) syncEarly.fetch_add(1);
        if (i % 1000 == 0) scope.drain();
      }
    });
  }
  // Meanwhile: group work, broadcasts and drains of an object nobody else uses.
  ActiveProbe* drained = ActiveProbe::probe();
  ASSERT_TRUE(scheduler->attach_as_withAncillary(drained, "drained"_llk, nullptr));
  for (int round = 0; round < 50; ++round) {
    EXPECT_TRUE(scheduler->coalesce_withCode_argument_andAncillary_sequentially_async(
        "even"_llk, LLKTCode{0, 0, 0}, nullptr, nullptr, round % 2 == 0, true));
    EXPECT_TRUE(scheduler->schedule_withCode_argument_andAncillary_async("drained"_llk, LLKTCode{0, 0, 0}, nullptr,
                                                                         nullptr, true));
    EXPECT_TRUE(scheduler->drain("drained"_llk));
  }
  for (std::thread& producer : producers) producer.join();
  const int64_t expected = int64_t{kProducers} * perProducer + 50 * (kObjects / 2);
  ASSERT_TRUE(eventually([&] {
    int64_t total = 0;
    for (ActiveProbe* probe : probes) total += probe->calls.load();
    return total == expected;
  }));
  EXPECT_EQ(refused.load(), 0);
  EXPECT_EQ(syncEarly.load(), 0);
  for (ActiveProbe* probe : probes) {
    EXPECT_EQ(probe->overlaps.load(), 0);
    EXPECT_EQ(probe->attached.load(), 1);
  }
  // A synchronous broadcast after all of it reaches everyone once more.
  EXPECT_TRUE(scheduler->scheduleAllWithCode_argument_andAncillary_async(LLKTCode{0, 0, 0}, nullptr, nullptr, false));
  int64_t total = 0;
  for (ActiveProbe* probe : probes) total += probe->calls.load();
  EXPECT_EQ(total, expected + kObjects);
}

TEST_F(AOKCActiveSchedulerStressThreads, SuspendAndRestartWhileProducersRun) {
  AOKTActiveSchedulerSetup setup{2, 0, 4, nullptr, nullptr, nullptr};
  AOKCActiveScheduler* scheduler = AOKCActiveScheduler::schedulerWithSetup(&setup);
  ActiveProbe* probe = ActiveProbe::probe();
  ASSERT_TRUE(scheduler->attach_as_withAncillary(probe, "p"_llk, nullptr));
  const int perProducer = kSanitized ? 500 : 20000;
  std::atomic<bool> producing{true};
  std::vector<std::thread> producers;
  for (int p = 0; p < 2; ++p) {
    producers.emplace_back([&] {
      for (int i = 0; i < perProducer; ++i)
        scheduler->schedule_withCode_argument_andAncillary_async("p"_llk, LLKTCode{0, 0, 0}, nullptr, nullptr, true);
    });
  }
  std::thread broadcaster([&] {
    while (producing.load())
      scheduler->scheduleAllWithCode_argument_andAncillary_async(LLKTCode{0, 1, 0}, nullptr, nullptr, false);
  });
  for (int round = 0; round < 20; ++round) {
    EXPECT_TRUE(scheduler->suspend());
    scheduler->restart();
  }
  for (std::thread& producer : producers) producer.join();
  producing = false;
  broadcaster.join();
  const int broadcasts = static_cast<int>(probe->order().size());
  ASSERT_TRUE(eventually([&] { return probe->calls.load() == 2 * perProducer + broadcasts; }));
  EXPECT_EQ(probe->overlaps.load(), 0);
}

}  // namespace
