#include <txq/llk/collections/LLKCObjectClique.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <mutex>
#include <random>
#include <string>
#include <thread>
#include <vector>

#include <txq/llk/object/LLKAutoreleaseScope.h>
#include <txq/llk/values/LLKCString.h>

#include "llk/collections/MapTestSupport.h"
#include "support/ObjectTest.h"

using maptest::str;
using maptest::text;

namespace {

class LLKCObjectCliqueTest : public txqtest::ObjectTest {};
class LLKCObjectCliqueThreads : public txqtest::ObjectTest {};

// A whole latched-or-not walk, as texts joined by ','.
std::string walk(LLKCObjectClique* clique) {
  std::string out;
  LLKCObjectClique::cursor_t cursor{};
  for (LLKBObject* o = clique->rewind(&cursor); o != nullptr; o = clique->next(&cursor)) {
    if (!out.empty()) out += ',';
    out += text(o);
  }
  return out;
}

// A clique holding the strings "0" .. "n-1" (kept in `objects`, in order).
LLKCObjectClique* numbered(int n, std::vector<LLKBObject*>& objects) {
  LLKCObjectClique* clique = LLKCObjectClique::cliqueWithCapacity(static_cast<uint64_t>(n));
  for (int i = 0; i < n; ++i) {
    objects.push_back(LLKCString::stringWithFormat("%d", i));
    clique->append(objects.back());
  }
  return clique;
}

// Steps two threads through a scenario: each waits (at most a generous bound, so that a fault
// fails the case instead of hanging it) for the other to reach a stage.
class Gate {
 public:
  void reach(int stage) {
    {
      std::lock_guard<std::mutex> hold(mutex_);
      stage_ = stage;
    }
    changed_.notify_all();
  }
  bool waitFor(int stage) {
    std::unique_lock<std::mutex> hold(mutex_);
    return changed_.wait_for(hold, std::chrono::seconds(20), [&] { return stage_ >= stage; });
  }

 private:
  std::mutex mutex_;
  std::condition_variable changed_;
  int stage_ = 0;
};

}  // namespace

TEST_F(LLKCObjectCliqueTest, RemovalUnlinksUnlatchedAndOnlyEmptiesTheNodeWhileLatched) {
  LLKCObjectClique* clique = LLKCObjectClique::cliqueWithCapacity(3);
  EXPECT_EQ(clique->capacity(), 3u);
  EXPECT_EQ(LLKCObjectClique::cliqueWithCapacity(uint64_t{1} << 32), nullptr);  // more than it can count
  LLKCString* b = str("b");
  LLKCString* c = str("c");
  for (LLKBObject* o : std::initializer_list<LLKBObject*>{str("a"), b, c}) EXPECT_TRUE(clique->append(o));
  EXPECT_FALSE(clique->append(nullptr));
  EXPECT_TRUE(clique->remove(b));
  EXPECT_FALSE(clique->remove(b));
  EXPECT_FALSE(clique->remove(str("a")));  // identity, not value
  clique->append(str("d"));
  EXPECT_EQ(walk(clique), "a,c,d");  // the unlinked node was reused at the end
  EXPECT_EQ(clique->capacity(), 3u);

  clique->latch();
  EXPECT_TRUE(clique->remove(c));
  EXPECT_EQ(c->retainCount(), 2u);  // released at once, node or not: the pool has it from str() and walk()
  EXPECT_EQ(clique->count(), 2u);
  EXPECT_EQ(walk(clique), "a,d");  // the emptied node is skipped
  clique->append(str("e"));
  EXPECT_EQ(walk(clique), "a,e,d");  // it took the emptied node's place
  EXPECT_EQ(clique->capacity(), 3u);
  clique->loose();
}

TEST_F(LLKCObjectCliqueTest, PackitWaitsUntilTheLastLatchIsLoosened) {
  LLKCObjectClique* clique = LLKCObjectClique::clique();
  LLKCString* a = str("a");
  LLKCString* b = str("b");
  clique->append(a);
  clique->append(b);
  clique->latch();
  clique->latch();
  clique->remove(a);
  clique->loose();  // still latched once
  clique->packit();
  clique->append(str("x"));
  EXPECT_EQ(walk(clique), "x,b");  // the emptied node was still there, and x filled it
  clique->loose();
  clique->loose();  // at 0: nothing
  clique->latch();
  clique->remove(b);
  clique->loose();
  clique->packit();
  clique->append(str("z"));
  EXPECT_EQ(walk(clique), "x,z");  // without packit, z would have taken b's place
  EXPECT_EQ(clique->capacity(), 2u);
}

TEST_F(LLKCObjectCliqueTest, ClearOnALatchedCliqueOnlyEmptiesTheNodes) {
  LLKCObjectClique* clique = LLKCObjectClique::clique();
  LLKCString* a = str("a");
  clique->append(a);
  clique->append(str("b"));
  clique->append(str("c"));
  clique->latch();
  LLKCObjectClique::cursor_t cursor{};
  EXPECT_EQ(clique->rewind(&cursor), a);
  clique->clear();
  EXPECT_EQ(clique->count(), 0u);
  EXPECT_EQ(clique->next(&cursor), nullptr);  // the walker's cursor is still good: nothing left
  clique->append(str("d"));
  EXPECT_EQ(walk(clique), "d");
  clique->loose();
  clique->packit();
  clique->append(str("e"));
  EXPECT_EQ(walk(clique), "d,e");
  EXPECT_EQ(clique->capacity(), 3u);
  clique->clear();  // unlatched: every node becomes a spare
  for (const char* t : {"f", "g", "h"}) clique->append(str(t));
  EXPECT_EQ(clique->capacity(), 3u);
  EXPECT_EQ(walk(clique), "f,g,h");
}

TEST_F(LLKCObjectCliqueTest, ACursorRestsOnTheNodeAfterTheObjectAnswered) {
  LLKCObjectClique* clique = LLKCObjectClique::clique();
  LLKCObjectClique::cursor_t cursor{};
  EXPECT_EQ(clique->rewind(&cursor), nullptr);
  EXPECT_EQ(clique->next(nullptr), nullptr);
  clique->append(str("a"));
  clique->append(str("b"));
  EXPECT_EQ(text(clique->rewind(&cursor)), "a");
  EXPECT_EQ(text(clique->next(&cursor)), "b");
  EXPECT_EQ(cursor.mNode, nullptr);  // b was the last
  EXPECT_EQ(clique->next(&cursor), nullptr);
  EXPECT_EQ(text(clique->rewind(&cursor)), "a");  // rewind starts over
}

// ---- Walking while another thread changes the clique ----

TEST_F(LLKCObjectCliqueThreads, RemovalsFromAnotherThreadDuringALatchedWalkNeitherSkipNorRepeat) {
  std::vector<LLKBObject*> objects;
  LLKCObjectClique* clique = numbered(10, objects);
  Gate gate;
  std::atomic<bool> removerTimedOut{false};
  std::thread remover([&] {
    llk::AutoreleaseScope pool;
    if (!gate.waitFor(1)) {
      removerTimedOut = true;
      return;
    }
    // The object just walked, the one under the walker's cursor, one further on and the last.
    for (int i : {0, 1, 5, 9}) clique->remove(objects[static_cast<size_t>(i)]);
    gate.reach(2);
  });

  clique->latch();
  LLKCObjectClique::cursor_t cursor{};
  std::string seen = text(clique->rewind(&cursor));
  gate.reach(1);
  const bool removed = gate.waitFor(2);
  for (LLKBObject* o = clique->next(&cursor); o != nullptr; o = clique->next(&cursor)) seen += "," + text(o);
  clique->loose();
  gate.reach(3);  // releases a remover that never saw stage 1
  remover.join();

  ASSERT_TRUE(removed && !removerTimedOut) << "the two threads did not meet";
  EXPECT_EQ(seen, "0,2,3,4,6,7,8");
  EXPECT_EQ(clique->count(), 6u);
  EXPECT_EQ(clique->capacity(), 10u);
  clique->packit();
  EXPECT_EQ(walk(clique), "2,3,4,6,7,8");
  EXPECT_EQ(clique->capacity(), 10u);
}

TEST_F(LLKCObjectCliqueThreads, LockstepRemovalsBehindAndAheadOfTheWalker) {
  constexpr int kObjects = 60;
  std::vector<LLKBObject*> objects;
  LLKCObjectClique* clique = numbered(kObjects, objects);
  // After the walker is handed object x, the other thread removes x itself and, when x + 1 is a
  // multiple of 3, the object under the walker's cursor. Stage 2k + 1: x handed out; 2k + 2: removed.
  std::atomic<int> handed{-1};
  std::atomic<bool> timedOut{false};
  Gate gate;
  std::thread remover([&] {
    llk::AutoreleaseScope pool;
    for (int step = 0;; ++step) {
      if (!gate.waitFor(2 * step + 1)) {
        timedOut = true;
        return;
      }
      const int x = handed.load();
      if (x < 0) return;  // the walk ended
      clique->remove(objects[static_cast<size_t>(x)]);
      if ((x + 1) % 3 == 0 && x + 1 < kObjects) clique->remove(objects[static_cast<size_t>(x + 1)]);
      gate.reach(2 * step + 2);
    }
  });

  std::vector<int> seen;
  clique->latch();
  LLKCObjectClique::cursor_t cursor{};
  int step = 0;
  for (LLKBObject* o = clique->rewind(&cursor); o != nullptr && !timedOut; o = clique->next(&cursor), ++step) {
    seen.push_back(std::stoi(text(o)));
    handed = seen.back();
    gate.reach(2 * step + 1);
    if (!gate.waitFor(2 * step + 2)) break;
  }
  handed = -1;
  gate.reach(2 * step + 1);
  remover.join();
  clique->loose();

  ASSERT_FALSE(timedOut);
  std::vector<int> expected = {0};
  for (int i = 1; i < kObjects; ++i) {
    if (i % 3 != 0) expected.push_back(i);
  }
  EXPECT_EQ(seen, expected);
  EXPECT_EQ(clique->count(), 0u);
  clique->packit();
  EXPECT_EQ(clique->capacity(), static_cast<uint32_t>(kObjects));
  EXPECT_EQ(walk(clique), "");
}

TEST_F(LLKCObjectCliqueThreads, FreeRunningRemovalsNeverDisturbTheObjectsThatStay) {
  constexpr int kObjects = 400;
  std::mt19937 random(12345);
  for (int round = 0; round < 20; ++round) {
    std::vector<LLKBObject*> objects;
    LLKCObjectClique* clique = numbered(kObjects, objects);
    std::vector<bool> doomed(kObjects);
    for (int i = 0; i < kObjects; ++i) doomed[static_cast<size_t>(i)] = (random() & 1) != 0;
    std::vector<int> seen;
    clique->latch();
    std::thread remover([&] {
      llk::AutoreleaseScope pool;
      for (int i = 0; i < kObjects; ++i) {  // chasing the walker
        if (doomed[static_cast<size_t>(i)]) clique->remove(objects[static_cast<size_t>(i)]);
      }
    });
    LLKCObjectClique::cursor_t cursor{};
    for (LLKBObject* o = clique->rewind(&cursor); o != nullptr; o = clique->next(&cursor)) {
      seen.push_back(std::stoi(text(o)));
    }
    remover.join();
    clique->loose();

    // In order, once each, and every object that stays was seen.
    for (size_t k = 1; k < seen.size(); ++k) ASSERT_LT(seen[k - 1], seen[k]) << "round " << round;
    size_t at = 0;
    for (int i = 0; i < kObjects; ++i) {
      while (at < seen.size() && seen[at] < i) ++at;
      const bool walked = at < seen.size() && seen[at] == i;
      if (!doomed[static_cast<size_t>(i)]) {
        ASSERT_TRUE(walked) << "round " << round << " skipped " << i;
      }
    }
    EXPECT_EQ(clique->capacity(), static_cast<uint32_t>(kObjects));
    clique->packit();
    EXPECT_EQ(clique->count(), static_cast<uint32_t>(kObjects - std::count(doomed.begin(), doomed.end(), true)));
    drain();
  }
}

TEST_F(LLKCObjectCliqueThreads, ThreadsAppendingRemovingAndWalkingKeepTheCountsExact) {
  constexpr int kThreads = 3;
  constexpr int kEach = 300;
  LLKCObjectClique* clique = LLKCObjectClique::clique();
  std::vector<std::vector<LLKBObject*>> own(kThreads);
  for (int t = 0; t < kThreads; ++t) {
    for (int i = 0; i < kEach; ++i) own[static_cast<size_t>(t)].push_back(LLKCString::stringWithFormat("%d.%d", t, i));
  }
  std::atomic<bool> stop{false};
  std::atomic<int> walks{0};
  std::thread walker([&] {
    llk::AutoreleaseScope pool;
    while (!stop.load()) {
      clique->latch();
      LLKCObjectClique::cursor_t cursor{};
      for (LLKBObject* o = clique->rewind(&cursor); o != nullptr; o = clique->next(&cursor)) {
      }
      clique->loose();
      clique->packit();
      pool.drain();
      ++walks;
    }
  });
  std::vector<std::thread> workers;
  for (int t = 0; t < kThreads; ++t) {
    workers.emplace_back([&, t] {
      llk::AutoreleaseScope pool;
      for (LLKBObject* o : own[static_cast<size_t>(t)]) clique->append(o);
      for (size_t i = 0; i < own[static_cast<size_t>(t)].size(); i += 2) clique->remove(own[static_cast<size_t>(t)][i]);
    });
  }
  for (std::thread& w : workers) w.join();
  stop = true;
  walker.join();
  EXPECT_EQ(clique->count(), static_cast<uint32_t>(kThreads * kEach / 2));
  EXPECT_LE(clique->capacity(), static_cast<uint32_t>(kThreads * kEach));
  for (const std::vector<LLKBObject*>& objects : own) {
    for (size_t i = 0; i < objects.size(); ++i) EXPECT_EQ(objects[i]->retainCount(), i % 2 == 0 ? 1u : 2u);
  }
  clique->packit();
  uint32_t walked = 0;
  LLKCObjectClique::cursor_t cursor{};
  for (LLKBObject* o = clique->rewind(&cursor); o != nullptr; o = clique->next(&cursor)) ++walked;
  EXPECT_EQ(walked, clique->count());
}
