// The active scheduler: names and groups, every way of scheduling work, priorities and the floor,
// drain, suspension, shutdown, and the rule that one object's hooks never overlap.

#include <txq/aok/AOKCActiveScheduler.h>

#include <gtest/gtest.h>

#include <thread>

#include <txq/AOK.h>
#include <txq/llk/values/LLKCString.h>

#include "ActiveProbe.h"
#include "support/ObjectTest.h"

LLK_DEFINE_CLASS(ActiveProbe, LLK_PROTOCOLS(), poke, pokeWith)

namespace {

using aoktest::eventually;
using aoktest::Gate;

AOKCActiveScheduler* makeScheduler(uint32_t threads, uint32_t spins = 16) {
  AOKTActiveSchedulerSetup setup{threads, 0, spins, nullptr, nullptr, nullptr};
  return AOKCActiveScheduler::schedulerWithSetup(&setup);
}

LLKTCode code(uint32_t what, uint32_t label = 0) { return LLKTCode{what, label, 0}; }

std::vector<std::string> texts(LLKCObjectDeque* keys) {
  std::vector<std::string> out;
  for (uint64_t i = 0; i < llk::send(keys, &LLKCObjectDeque::count); ++i)
    out.emplace_back(static_cast<LLKCString*>(keys->fetchAtIndex(i))->iString);
  return out;
}

class AOKCActiveSchedulerThreads : public txqtest::ObjectTest {
 protected:
  // Attaches a fresh probe under `name` (synchronously) and answers it.
  ActiveProbe* attach(AOKCActiveScheduler* scheduler, const char* name) {
    ActiveProbe* probe = ActiveProbe::probe();
    EXPECT_TRUE(scheduler->attach_as_withAncillary(probe, LLKCString::stringWithChars(name), nullptr));
    return probe;
  }
  // Holds the scheduler's only worker inside `holder`'s hook until the gate opens.
  void occupy(AOKCActiveScheduler* scheduler, ActiveProbe* holder, Gate* gate, const char* name) {
    holder->gate = gate;
    ASSERT_TRUE(scheduler->schedule_withCode_argument_andAncillary_async(key(name), code(1), nullptr, nullptr, true));
    ASSERT_TRUE(eventually([&] { return holder->inFlight.load() == 1; }));
  }
  static LLKCString* key(const char* name) { return LLKCString::stringWithChars(name); }
  // Probes "a", "b" and "c", members of group "g" in that turn order.
  std::vector<ActiveProbe*> groupOfThree(AOKCActiveScheduler* scheduler) {
    std::vector<ActiveProbe*> members;
    for (const char* name : {"a", "b", "c"}) {
      members.push_back(attach(scheduler, name));
      EXPECT_TRUE(scheduler->join_into(key(name), key("g")));
    }
    return members;
  }
};

// ---- Start-up ----

TEST_F(AOKCActiveSchedulerThreads, RefusesSetupsThatCannotRun) {
  EXPECT_EQ(AOKCActiveScheduler::schedulerWithSetup(nullptr), nullptr);
  AOKTActiveSchedulerSetup none{0, 0, 16, nullptr, nullptr, nullptr};
  EXPECT_EQ(AOKCActiveScheduler::schedulerWithSetup(&none), nullptr);
}

TEST_F(AOKCActiveSchedulerThreads, WorkersCallTheSetupCallbacksAndKnowTheirScheduler) {
  std::atomic<int> entered{0}, left{0};
  struct Counts {
    std::atomic<int>* entered;
    std::atomic<int>* left;
  } counts{&entered, &left};
  AOKTActiveSchedulerSetup setup{3, 0, 16, [](void* c) { static_cast<Counts*>(c)->entered->fetch_add(1); },
                                 [](void* c) { static_cast<Counts*>(c)->left->fetch_add(1); }, &counts};
  {
    llk::AutoreleaseScope scope;
    AOKCActiveScheduler* scheduler = AOKCActiveScheduler::schedulerWithSetup(&setup);
    ASSERT_NE(scheduler, nullptr);
    EXPECT_EQ(entered.load(), 3);  // every worker started before the scheduler was answered
    EXPECT_EQ(AOKCActiveScheduler::current(), nullptr);
    ActiveProbe* probe = attach(scheduler, "p");
    EXPECT_TRUE(scheduler->schedule_withCode_argument_andAncillary_async(key("p"), code(0), nullptr, nullptr, false));
    EXPECT_EQ(probe->seenCurrent.load(), scheduler);
    AOKTActiveSchedulerStats stats{9, {9, 9}};
    scheduler->stats(&stats);
    EXPECT_EQ(stats.mRecords, 1u);
    EXPECT_EQ(stats.mCounters[0], 0u);
    EXPECT_EQ(stats.mCounters[1], 0u);
  }
  EXPECT_EQ(left.load(), 3);
}

// ---- Names ----

TEST_F(AOKCActiveSchedulerThreads, AttachKeepsTheFirstObjectOfAnIdentifier) {
  AOKCActiveScheduler* scheduler = makeScheduler(2);
  ActiveProbe* first = attach(scheduler, "a");
  EXPECT_EQ(first->attached.load(), 1);  // synchronous: the hook has run
  ActiveProbe* second = ActiveProbe::probe();
  EXPECT_FALSE(scheduler->attach_as_withAncillary(second, key("a"), nullptr));
  EXPECT_EQ(scheduler->locate(key("a")), first);
  EXPECT_EQ(second->attached.load(), 0);
  EXPECT_EQ(texts(scheduler->allIdentifiers()), std::vector<std::string>{"a"});
  ASSERT_EQ(scheduler->allObjects()->count(), 1u);
  EXPECT_EQ(scheduler->allObjects()->fetchAtIndex(0), first);
}

TEST_F(AOKCActiveSchedulerThreads, AliasesReachTheRecordWhereKeysAreAccepted) {
  AOKCActiveScheduler* scheduler = makeScheduler(2);
  ActiveProbe* probe = attach(scheduler, "id");
  EXPECT_TRUE(scheduler->alias_to(key("nick"), key("id")));
  EXPECT_FALSE(scheduler->alias_to(key("nick"), key("id")));   // taken
  EXPECT_FALSE(scheduler->alias_to(key("other"), key("nick")));  // identifiers only
  EXPECT_TRUE(scheduler->knows(key("nick")));
  EXPECT_EQ(scheduler->locate(key("nick")), probe);
  EXPECT_STREQ(static_cast<LLKCString*>(scheduler->dealias(key("nick")))->iString, "id");
  EXPECT_TRUE(scheduler->schedule_withCode_argument_andAncillary_async(key("nick"), code(0), nullptr, nullptr, false));
  EXPECT_EQ(probe->calls.load(), 1);
  EXPECT_TRUE(scheduler->join_into(key("nick"), key("g")));
  EXPECT_FALSE(scheduler->join_into(key("id"), key("g")));  // already a member
  EXPECT_TRUE(scheduler->drop_from(key("nick"), key("g")));
  EXPECT_TRUE(scheduler->drain(key("nick")));
  EXPECT_FALSE(scheduler->detach_withAncillary(key("nick"), nullptr));  // identifiers only
  EXPECT_TRUE(scheduler->unalias(key("nick")));
  EXPECT_FALSE(scheduler->unalias(key("nick")));
  EXPECT_FALSE(scheduler->knows(key("nick")));
}

TEST_F(AOKCActiveSchedulerThreads, DetachRemovesGroupsAndAliases) {
  AOKCActiveScheduler* scheduler = makeScheduler(2);
  ActiveProbe* a = attach(scheduler, "a");
  attach(scheduler, "b");
  ASSERT_TRUE(scheduler->alias_to(key("alpha"), key("a")));
  ASSERT_TRUE(scheduler->join_into(key("a"), key("solo")));
  ASSERT_TRUE(scheduler->join_into(key("a"), key("pair")));
  ASSERT_TRUE(scheduler->join_into(key("b"), key("pair")));
  EXPECT_FALSE(scheduler->detach_withAncillary(key("nobody"), nullptr));
  EXPECT_TRUE(scheduler->detach_withAncillary(key("a"), nullptr));
  EXPECT_EQ(a->detached.load(), 1);
  EXPECT_FALSE(scheduler->knows(key("a")));
  EXPECT_FALSE(scheduler->knows(key("alpha")));
  EXPECT_EQ(texts(scheduler->allAliases()), std::vector<std::string>{});
  EXPECT_EQ(texts(scheduler->allGroups()), std::vector<std::string>{"pair"});  // "solo" lost its last member
  EXPECT_FALSE(scheduler->detach_withAncillary(key("a"), nullptr));
  EXPECT_FALSE(scheduler->schedule_withCode_argument_andAncillary_async(key("a"), code(0), nullptr, nullptr, true));
}

TEST_F(AOKCActiveSchedulerThreads, BulkAttachAndDetach) {
  AOKCActiveScheduler* scheduler = makeScheduler(2);
  ActiveProbe* p = ActiveProbe::probe();
  ActiveProbe* q = ActiveProbe::probe();
  attach(scheduler, "x");
  LLKCObjectDeque* objects = LLKCObjectDeque::dequeWithObjects(p, q, ActiveProbe::probe());
  EXPECT_FALSE(scheduler->attachAll_as_withAncillary_async(objects, LLKCObjectDeque::dequeWithObjects(key("p")),
                                                           nullptr, false));  // counts differ
  LLKCObjectDeque* names = LLKCObjectDeque::dequeWithObjects(key("p"), key("q"), key("x"));
  EXPECT_TRUE(scheduler->attachAll_as_withAncillary_async(objects, names, nullptr, false));
  EXPECT_EQ(p->attached.load() + q->attached.load(), 2);
  EXPECT_EQ(scheduler->allIdentifiers()->count(), 3u);  // "x" was skipped
  EXPECT_TRUE(scheduler->detachAll_withAncillary_async(LLKCObjectDeque::deque(), nullptr, false));
  EXPECT_TRUE(scheduler->detachAll_withAncillary_async(names, nullptr, false));
  EXPECT_EQ(p->detached.load() + q->detached.load(), 2);
  EXPECT_EQ(scheduler->allIdentifiers()->count(), 0u);
}

// ---- Scheduling ----

TEST_F(AOKCActiveSchedulerThreads, SynchronousCallsReturnAfterTheHookAsynchronousOnesAtOnce) {
  AOKCActiveScheduler* scheduler = makeScheduler(2);
  ActiveProbe* probe = attach(scheduler, "p");
  Gate gate;
  probe->gate = &gate;
  EXPECT_TRUE(scheduler->schedule_withCode_argument_andAncillary_async(key("p"), code(1), nullptr, nullptr, true));
  std::atomic<bool> returned{false};
  std::thread caller([&] {
    llk::AutoreleaseScope scope;
    EXPECT_TRUE(scheduler->schedule_withCode_argument_andAncillary_async(key("p"), code(0), nullptr, nullptr, false));
    returned = true;
  });
  ASSERT_TRUE(eventually([&] { return probe->inFlight.load() == 1; }));
  EXPECT_FALSE(returned.load());  // its work waits behind the held hook
  gate.open();
  caller.join();
  EXPECT_EQ(probe->calls.load(), 2);
}

TEST_F(AOKCActiveSchedulerThreads, SelectorAndFunctionWorkReachTheObject) {
  AOKCActiveScheduler* scheduler = makeScheduler(2);
  ActiveProbe* probe = attach(scheduler, "p");
  EXPECT_TRUE(scheduler->schedule_withSelector_argument_async(key("p"), LLK_SEL("poke"), nullptr, false));
  EXPECT_TRUE(scheduler->schedule_withSelector_argument_async(key("p"), LLK_SEL("pokeWith:"), key("arg"), false));
  EXPECT_STREQ(static_cast<LLKCString*>(probe->lastArgument)->iString, "arg");
  static std::atomic<int> seen;
  seen = 0;
  auto function = [](AOKCActiveScheduler*, AOKBActiveObject* object, LLKBObject* identifier, LLKTCode c, LLKBObject*,
                     LLKCDictionary*, LLKBObject* group) -> bool {
    if (object != nullptr && identifier != nullptr && group == nullptr && c.mTag == 7) seen.fetch_add(1);
    return true;
  };
  EXPECT_TRUE(scheduler->schedule_withCode_function_argument_async(key("p"), code(0, 7), function, nullptr, false));
  EXPECT_EQ(probe->calls.load(), 2);
  EXPECT_EQ(seen.load(), 1);
  EXPECT_FALSE(scheduler->schedule_withSelector_argument_async(key("nobody"), LLK_SEL("poke"), nullptr, true));
}

TEST_F(AOKCActiveSchedulerThreads, PrioritiesServeHighestFirstAndClampAt127) {
  AOKCActiveScheduler* scheduler = makeScheduler(1);
  ActiveProbe* holder = attach(scheduler, "holder");
  ActiveProbe* probe = attach(scheduler, "p");
  Gate gate;
  occupy(scheduler, holder, &gate, "holder");
  for (auto [label, priority] : std::vector<std::pair<uint32_t, uint8_t>>{{1, 5}, {2, 200}, {3, 50}, {4, 127}, {5, 5}})
    ASSERT_TRUE(scheduler->schedule_withCode_argument_andAncillary_async_priority(key("p"), code(0, label), nullptr,
                                                                                  nullptr, true, priority));
  gate.open();
  ASSERT_TRUE(eventually([&] { return probe->calls.load() == 5; }));
  EXPECT_EQ(probe->order(), (std::vector<uint32_t>{2, 4, 3, 1, 5}));  // 200 acts as 127 and came first
}

// Notes which object ran, in order.
struct RunLog {
  static inline std::mutex mutex;
  static inline std::string order;
  static bool note(AOKCActiveScheduler*, AOKBActiveObject*, LLKBObject* identifier, LLKTCode, LLKBObject*,
                   LLKCDictionary*, LLKBObject*) {
    std::lock_guard<std::mutex> hold(mutex);
    order += static_cast<LLKCString*>(identifier)->iString;
    return true;
  }
  static std::string taken() {
    std::lock_guard<std::mutex> hold(mutex);
    return order;
  }
};

TEST_F(AOKCActiveSchedulerThreads, UrgentWorkMovesItsObjectUpTheRunQueue) {
  AOKCActiveScheduler* scheduler = makeScheduler(1);
  ActiveProbe* holder = attach(scheduler, "holder");
  attach(scheduler, "a");
  attach(scheduler, "b");
  Gate gate;
  occupy(scheduler, holder, &gate, "holder");
  RunLog::order.clear();
  ASSERT_TRUE(scheduler->schedule_withCode_function_argument_async(key("b"), code(0), RunLog::note, nullptr, true));
  ASSERT_TRUE(scheduler->schedule_withCode_function_argument_async(key("a"), code(0), RunLog::note, nullptr, true));
  ASSERT_TRUE(scheduler->schedule_withCode_function_argument_async_priority(key("a"), code(0), RunLog::note, nullptr,
                                                                           true, 100));
  gate.open();
  ASSERT_TRUE(eventually([] { return RunLog::taken().size() == 3; }));
  EXPECT_EQ(RunLog::taken(), "aab");  // "a" waited behind "b" until its urgent work arrived
}

TEST_F(AOKCActiveSchedulerThreads, TheFloorHoldsBackLowerWork) {
  AOKCActiveScheduler* scheduler = makeScheduler(2);
  ActiveProbe* low = attach(scheduler, "low");
  ActiveProbe* high = attach(scheduler, "high");
  scheduler->restrictSchedulingPriority(200);  // acts as 127
  ASSERT_TRUE(scheduler->schedule_withCode_argument_andAncillary_async_priority(key("low"), code(0, 1), nullptr,
                                                                                nullptr, true, 126));
  ASSERT_TRUE(scheduler->schedule_withCode_argument_andAncillary_async_priority(key("high"), code(0), nullptr, nullptr,
                                                                                false, 127));
  EXPECT_EQ(high->calls.load(), 1);
  std::this_thread::sleep_for(std::chrono::milliseconds(20));
  EXPECT_EQ(low->calls.load(), 0);
  scheduler->restrictSchedulingPriority(0);
  ASSERT_TRUE(scheduler->schedule_withCode_argument_andAncillary_async(key("low"), code(0, 2), nullptr, nullptr, false));
  EXPECT_EQ(low->order(), (std::vector<uint32_t>{1, 2}));
}

TEST_F(AOKCActiveSchedulerThreads, BroadcastsReachEveryObjectOnce) {
  AOKCActiveScheduler* scheduler = makeScheduler(2);
  EXPECT_TRUE(scheduler->scheduleAllWithCode_argument_andAncillary_async(code(0), nullptr, nullptr, false));  // none
  std::vector<ActiveProbe*> probes;
  for (const char* name : {"a", "b", "c"}) probes.push_back(attach(scheduler, name));
  EXPECT_TRUE(scheduler->scheduleAllWithCode_argument_andAncillary_async(code(0), nullptr, nullptr, false));
  EXPECT_TRUE(scheduler->scheduleAllWithSelector_argument_async(LLK_SEL("poke"), nullptr, false));
  auto function = [](AOKCActiveScheduler*, AOKBActiveObject* object, LLKBObject*, LLKTCode, LLKBObject*,
                     LLKCDictionary*, LLKBObject*) -> bool {
    static_cast<ActiveProbe*>(object)->poke();
    return true;
  };
  EXPECT_TRUE(scheduler->scheduleAllWithCode_function_argument_async(code(0), function, nullptr, false));
  for (ActiveProbe* probe : probes) EXPECT_EQ(probe->calls.load(), 3);
}

// ---- Groups ----

TEST_F(AOKCActiveSchedulerThreads, CoalesceReachesEveryMemberAndSprinklesGoRound) {
  AOKCActiveScheduler* scheduler = makeScheduler(2);
  std::vector<ActiveProbe*> members = groupOfThree(scheduler);
  EXPECT_TRUE(scheduler->coalesce_withCode_argument_andAncillary_sequentially_async(key("g"), code(0), nullptr,
                                                                                    nullptr, false, false));
  for (ActiveProbe* member : members) EXPECT_EQ(member->groupCalls.load(), 1);
  auto poke = [](AOKCActiveScheduler*, AOKBActiveObject* object, LLKBObject*, LLKTCode, LLKBObject*, LLKCDictionary*,
                 LLKBObject*) -> bool {
    static_cast<ActiveProbe*>(object)->poke();
    return true;
  };
  EXPECT_TRUE(scheduler->sprinkle_withFunction_argument_async(key("g"), poke, nullptr, false));
  EXPECT_TRUE(scheduler->sprinkle_withFunction_argument_async(key("g"), poke, nullptr, false));
  int reached = 0;
  for (ActiveProbe* member : members) reached += member->calls.load() == 2 ? 1 : 0;
  EXPECT_EQ(reached, 2);  // two different members
  EXPECT_FALSE(scheduler->coalesce_withCode_argument_andAncillary_sequentially_async(key("none"), code(0), nullptr,
                                                                                     nullptr, false, false));
  EXPECT_FALSE(scheduler->sprinkle_withFunction_argument_async(key("none"), poke, nullptr, false));
  EXPECT_FALSE(scheduler->coalesce_withFunction_argument_sequentially_async(key("none"), poke, nullptr, false, false));
}

// Members take sequential work in turn: the function answers NO to take it, YES to pass it on.
struct Relay {
  static inline std::atomic<int> calls{0};
  static inline std::atomic<int> nilCalls{0};
  static inline std::atomic<bool> take{false};
  static inline std::string visits;  // written by one member at a time
  static bool run(AOKCActiveScheduler*, AOKBActiveObject* object, LLKBObject* identifier, LLKTCode, LLKBObject*,
                  LLKCDictionary*, LLKBObject*) {
    if (object == nullptr) {
      nilCalls.fetch_add(1);
      return true;
    }
    calls.fetch_add(1);
    visits += static_cast<LLKCString*>(identifier)->iString;
    return !take.load();
  }
};

TEST_F(AOKCActiveSchedulerThreads, SequentialGroupWorkStopsAtTheMemberThatTakesIt) {
  AOKCActiveScheduler* scheduler = makeScheduler(2);
  groupOfThree(scheduler);
  Relay::calls = 0, Relay::nilCalls = 0, Relay::take = true, Relay::visits.clear();
  EXPECT_TRUE(scheduler->coalesce_withFunction_argument_sequentially_async(key("g"), Relay::run, nullptr, true, false));
  EXPECT_EQ(Relay::calls.load(), 1);
  EXPECT_EQ(Relay::nilCalls.load(), 0);
  Relay::calls = 0, Relay::take = false;
  EXPECT_TRUE(scheduler->coalesce_withFunction_argument_sequentially_async(key("g"), Relay::run, nullptr, true, false));
  EXPECT_EQ(Relay::calls.load(), 3);
  EXPECT_EQ(Relay::nilCalls.load(), 1);  // nobody took it: once more with a nil object
  EXPECT_EQ(Relay::visits, "abca");       // in turn order; the second call started one member on
  Relay::calls = 0, Relay::nilCalls = 0;
  EXPECT_TRUE(
      scheduler->coalesce_withFunction_argument_sequentially_async(key("unknown"), Relay::run, nullptr, true, false));
  EXPECT_EQ(Relay::calls.load(), 0);
  EXPECT_EQ(Relay::nilCalls.load(), 1);
}

TEST_F(AOKCActiveSchedulerThreads, SequentialMethodsReachEveryMemberAndEmptyGroupsStay) {
  AOKCActiveScheduler* scheduler = makeScheduler(2);
  std::vector<ActiveProbe*> members = groupOfThree(scheduler);
  EXPECT_TRUE(scheduler->coalesce_withCode_argument_andAncillary_sequentially_async(key("g"), code(0), nullptr,
                                                                                    nullptr, true, false));
  for (ActiveProbe* member : members) EXPECT_EQ(member->groupCalls.load(), 1);
  EXPECT_TRUE(scheduler->drop_from(key("b"), key("g")));
  EXPECT_TRUE(scheduler->dropAll_from(LLKCObjectDeque::dequeWithObjects(key("a"), key("c")), key("g")));
  EXPECT_EQ(texts(scheduler->allGroups()), std::vector<std::string>{"g"});  // empty groups stay
  EXPECT_FALSE(scheduler->coalesce_withCode_argument_andAncillary_sequentially_async(key("g"), code(0), nullptr,
                                                                                     nullptr, true, false));
}

// ---- Drain, suspension, shutdown ----

TEST_F(AOKCActiveSchedulerThreads, DrainSkipsQueuedWorkAndWakesItsCallers) {
  AOKCActiveScheduler* scheduler = makeScheduler(1);
  ActiveProbe* probe = attach(scheduler, "p");
  Gate gate;
  occupy(scheduler, probe, &gate, "p");
  for (int i = 0; i < 3; ++i)
    ASSERT_TRUE(scheduler->schedule_withCode_argument_andAncillary_async(key("p"), code(0), nullptr, nullptr, true));
  std::thread caller([&] {
    llk::AutoreleaseScope scope;
    EXPECT_TRUE(scheduler->schedule_withCode_argument_andAncillary_async(key("p"), code(0), nullptr, nullptr, false));
  });
  std::this_thread::sleep_for(std::chrono::milliseconds(50));  // let the caller queue its work
  EXPECT_TRUE(scheduler->drain(key("p")));
  gate.open();
  caller.join();
  EXPECT_EQ(probe->calls.load(), 1);  // only the hook that held the gate
  EXPECT_TRUE(scheduler->schedule_withCode_argument_andAncillary_async(key("p"), code(0), nullptr, nullptr, false));
  EXPECT_EQ(probe->calls.load(), 2);  // the drain is over
  EXPECT_FALSE(scheduler->drain(key("nobody")));
}

TEST_F(AOKCActiveSchedulerThreads, SuspensionHoldsWorkButRunsBroadcasts) {
  AOKCActiveScheduler* scheduler = makeScheduler(2);
  ActiveProbe* probe = attach(scheduler, "p");
  ASSERT_TRUE(scheduler->suspend());
  EXPECT_TRUE(scheduler->suspend());
  ASSERT_TRUE(scheduler->schedule_withCode_argument_andAncillary_async(key("p"), code(0, 1), nullptr, nullptr, true));
  // A broadcast runs at once, even for a record that already waits with held work.
  EXPECT_TRUE(scheduler->scheduleAllWithCode_argument_andAncillary_async(code(0, 2), nullptr, nullptr, false));
  EXPECT_EQ(probe->order(), std::vector<uint32_t>{2});
  scheduler->restart();
  ASSERT_TRUE(scheduler->schedule_withCode_argument_andAncillary_async(key("p"), code(0, 3), nullptr, nullptr, false));
  EXPECT_EQ(probe->order(), (std::vector<uint32_t>{2, 1, 3}));
}

TEST_F(AOKCActiveSchedulerThreads, SuspendingFailsWithoutTimeAndFromAWorker) {
  AOKCActiveScheduler* scheduler = makeScheduler(2);
  ActiveProbe* probe = attach(scheduler, "p");
  EXPECT_FALSE(scheduler->suspendWithTimeout(0));
  EXPECT_TRUE(scheduler->schedule_withCode_argument_andAncillary_async(key("p"), code(0), nullptr, nullptr, false));
  EXPECT_EQ(probe->calls.load(), 1);  // still running
  static std::atomic<int> fromHook;
  fromHook = -1;
  auto trySuspend = [](AOKCActiveScheduler* s, AOKBActiveObject*, LLKBObject*, LLKTCode, LLKBObject*, LLKCDictionary*,
                       LLKBObject*) -> bool {
    fromHook = s->suspend() ? 1 : 0;
    return true;
  };
  EXPECT_TRUE(scheduler->schedule_withCode_function_argument_async(key("p"), code(0), trySuspend, nullptr, false));
  EXPECT_EQ(fromHook.load(), 0);
  EXPECT_TRUE(scheduler->suspendWithTimeout(5000));
  scheduler->restart();
}

TEST_F(AOKCActiveSchedulerThreads, ReleasingDetachesEveryObjectAndSkipsQueuedWork) {
  ActiveProbe* a = ActiveProbe::probe();
  ActiveProbe* b = ActiveProbe::probe();
  Gate gate;
  {
    llk::AutoreleaseScope scope;
    AOKTActiveSchedulerSetup setup{2, 0, 16, nullptr, nullptr, nullptr};
    AOKCActiveScheduler* scheduler = AOKCActiveScheduler::alloc()->initWithSetup(&setup);
    ASSERT_TRUE(scheduler->attach_as_withAncillary(a, key("a"), nullptr));
    ASSERT_TRUE(scheduler->attach_as_withAncillary(b, key("b"), nullptr));
    occupy(scheduler, a, &gate, "a");
    ASSERT_TRUE(scheduler->schedule_withCode_argument_andAncillary_async(key("a"), code(0), nullptr, nullptr, true));
    std::thread opener([&] {
      std::this_thread::sleep_for(std::chrono::milliseconds(20));
      gate.open();
    });
    scheduler->release();  // waits for the held hook, then detaches both
    opener.join();
  }
  EXPECT_EQ(a->detached.load(), 1);
  EXPECT_EQ(b->detached.load(), 1);
  EXPECT_EQ(a->calls.load(), 1);  // the queued call was skipped
}

TEST_F(AOKCActiveSchedulerThreads, OldCallersGetTheirLogLinesAndNo) {
  AOKCActiveScheduler* scheduler = makeScheduler(1);
  txqtest::LogCapture log;
  AOKTActiveFunction none = nullptr;
  EXPECT_FALSE(
      scheduler->schedule_withCode_argument_andAncillary_async_priority_after(key("p"), code(0), nullptr, nullptr, true, 0, 5));
  EXPECT_FALSE(scheduler->schedule_withSelector_argument_async_priority_after(key("p"), LLK_SEL("poke"), nullptr, true, 0, 5));
  EXPECT_FALSE(
      scheduler->schedule_withCode_function_argument_async_priority_after(key("p"), code(0), none, nullptr, true, 0, 5));
  EXPECT_FALSE(scheduler->coalesce_withCode_argument_andAncillary_sequentially_async_priority_after(
      key("g"), code(0), nullptr, nullptr, false, true, 0, 5));
  EXPECT_FALSE(scheduler->coalesce_withSelector_argument_sequentially_async_priority_after(key("g"), LLK_SEL("poke"),
                                                                                          nullptr, false, true, 0, 5));
  EXPECT_FALSE(scheduler->coalesce_withFunction_argument_sequentially_async_priority_after(key("g"), none, nullptr,
                                                                                          false, true, 0, 5));
  EXPECT_EQ(log.texts(),
            (std::vector<std::string>{
                "<!> deprecated call to AOKCActiveScheduler-schedule:withCode:argument:andAcillary:async:priority:after:",
                "<!> deprecated call to AOKCActiveScheduler-schedule:withSelector:argument:andAcillary:async:after:",
                "<!> deprecated call to AOKCActiveScheduler-schedule:withCode:function:argument:andAcillary:async:after:",
                "<!> deprecated call to AOKCActiveScheduler-coalesce:withCode:argument:andAcillary:sequentially:async:"
                "priority:after: cannot be called synchronously from an active object",
                "<!> deprecated call to AOKCActiveScheduler-coalesce:withSelector:argument:sequentially:async:priority:"
                "after: cannot be called synchronously from an active object",
                "AOKCActiveScheduler-coalesce:withFunction:argument:sequentially:async:priority:after: cannot be "
                "called synchronously from an active object"}));
}

// ---- Fairness ----

TEST_F(AOKCActiveSchedulerThreads, OneSpinAlternatesBetweenBusyObjects) {
  AOKCActiveScheduler* scheduler = makeScheduler(1, 1);
  ActiveProbe* holder = attach(scheduler, "holder");
  ActiveProbe* a = attach(scheduler, "a");
  ActiveProbe* b = attach(scheduler, "b");
  Gate gate;
  occupy(scheduler, holder, &gate, "holder");
  std::mutex mutex;
  std::vector<char> order;
  static std::vector<char>* sOrder;
  static std::mutex* sMutex;
  sOrder = &order, sMutex = &mutex;
  auto note = [](AOKCActiveScheduler*, AOKBActiveObject*, LLKBObject* identifier, LLKTCode, LLKBObject*,
                 LLKCDictionary*, LLKBObject*) -> bool {
    std::lock_guard<std::mutex> hold(*sMutex);
    sOrder->push_back(static_cast<LLKCString*>(identifier)->iString[0]);
    return true;
  };
  for (int i = 0; i < 3; ++i) {
    ASSERT_TRUE(scheduler->schedule_withCode_function_argument_async(key("a"), code(0), note, nullptr, true));
    ASSERT_TRUE(scheduler->schedule_withCode_function_argument_async(key("b"), code(0), note, nullptr, true));
  }
  gate.open();
  ASSERT_TRUE(eventually([&] {
    std::lock_guard<std::mutex> hold(mutex);
    return order.size() == 6;
  }));
  EXPECT_EQ(std::string(order.begin(), order.end()), "ababab");
  (void)a, (void)b;
}

}  // namespace
