#include <txq/llk/collections/LLKCObjectDeque.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdarg>
#include <deque>
#include <random>
#include <string>
#include <vector>

#include <txq/llk/collections/LLKContainers.h>
#include <txq/llk/values/LLKCData.h>
#include <txq/llk/values/LLKCString.h>
#include <txq/llk/values/LLKFRandom.h>

#include "llk/collections/SequenceTestSupport.h"
#include "support/ObjectTest.h"

using txqtest::CallbackRecorder;
using txqtest::Event;
using txqtest::str;
using txqtest::texts;

class LLKCObjectDequeTest : public txqtest::ObjectTest {};

namespace {

LLKCObjectDeque* dequeOfList(LLKBObject* head, ...) {
  va_list rest;
  va_start(rest, head);
  LLKCObjectDeque* deque = LLKCObjectDeque::alloc()->initWithHead_andRest(head, rest);
  va_end(rest);
  return llk::autorelease(deque);
}

// A deque of capacity 4 whose objects wrap around the end of its slots: c, d, e.
LLKCObjectDeque* wrapped() {
  LLKCObjectDeque* deque = LLKCObjectDeque::dequeWithCapacity(4);
  for (const char* t : {"a", "b", "c", "d"}) deque->append(str(t));
  deque->removeHead();
  deque->removeHead();
  deque->append_andResizeIfNeeded(str("e"), false);
  return deque;
}

std::vector<LLKBObject*> contents(LLKCObjectDeque* deque) {
  std::vector<LLKBObject*> out;
  for (LLKBObject* o : deque) out.push_back(o);
  return out;
}

}  // namespace

// ---- Creation and growth ----

TEST_F(LLKCObjectDequeTest, FactoriesSetCapacityAndOrder) {
  LLKCObjectDeque* empty = LLKCObjectDeque::deque();
  EXPECT_EQ(empty->capacity(), 0u);
  EXPECT_EQ(empty->head(), nullptr);
  EXPECT_EQ(empty->tail(), nullptr);
  EXPECT_FLOAT_EQ(empty->growFactor(), 0.25f);
  EXPECT_EQ(LLKCObjectDeque::dequeWithCapacity(0)->capacity(), 1u);
  LLKCObjectDeque* deque = LLKCObjectDeque::dequeWithObjects(str("a"), str("b"), str("c"), nullptr);
  EXPECT_EQ(texts(deque), "a,b,c");
  EXPECT_EQ(deque->capacity(), 3u);
  EXPECT_EQ(texts(dequeOfList(str("p"), str("q"), nullptr)), "p,q");
  EXPECT_EQ(dequeOfList(nullptr)->count(), 0u);
  EXPECT_EQ(texts(llk::autorelease(LLKCObjectDeque::alloc()->initWithObjects(str("x")))), "x");
}

TEST_F(LLKCObjectDequeTest, FullDequeGrowsByTheFactorOrRefusesWhenAskedNotTo) {
  LLKCObjectDeque* deque = LLKCObjectDeque::dequeWithCapacity(4);
  for (const char* t : {"b", "c", "d", "e"}) ASSERT_EQ(deque->append(str(t)), 0);
  LLKBObject* x = str("x");
  EXPECT_EQ(deque->append_andResizeIfNeeded(x, false), llk::kFull);
  EXPECT_EQ(deque->prepend_andResizeIfNeeded(x, false), llk::kFull);
  EXPECT_EQ(deque->insert_atIndex_andResizeIfNeeded(x, 1, false), llk::kFull);
  EXPECT_EQ(x->retainCount(), 1u);
  EXPECT_EQ(deque->capacity(), 4u);
  EXPECT_EQ(deque->prepend(str("a")), 0);
  EXPECT_EQ(deque->capacity(), 5u);
  EXPECT_EQ(texts(deque), "a,b,c,d,e");
  deque->setGrowFactor(0);
  EXPECT_EQ(deque->append(x), llk::kFull);
  EXPECT_EQ(deque->append_andResizeIfNeeded(x, true), llk::kFull);
  deque->setGrowFactor(1e30f);
  EXPECT_EQ(deque->append(x), llk::kNoMemory);  // capacity + growth cannot be represented
  EXPECT_EQ(texts(deque), "a,b,c,d,e");
}

TEST_F(LLKCObjectDequeTest, ReserveLeavesAtLeastThatManyFreeSlots) {
  LLKCObjectDeque* deque = wrapped();
  EXPECT_EQ(deque->reserve(1), 0);
  EXPECT_EQ(deque->capacity(), 4u);
  EXPECT_EQ(deque->reserve(5), 0);
  EXPECT_EQ(deque->capacity(), 8u);
  EXPECT_EQ(texts(deque), "c,d,e");
  EXPECT_EQ(deque->reserve(UINT64_MAX), llk::kNoMemory);
  EXPECT_EQ(deque->capacity(), 8u);
  for (int i = 0; i < 5; ++i) EXPECT_EQ(deque->append_andResizeIfNeeded(str("f"), false), 0);
}

TEST_F(LLKCObjectDequeTest, ResizeKeepsOrderEvenWhenTheRingWraps) {
  LLKCObjectDeque* deque = wrapped();
  EXPECT_EQ(deque->resize(10), 0);
  EXPECT_EQ(texts(deque), "c,d,e");
  EXPECT_EQ(deque->resize(1), 0);
  EXPECT_EQ(deque->capacity(), 3u);
  EXPECT_EQ(texts(deque), "c,d,e");
  LLKCObjectDeque* again = wrapped();
  EXPECT_EQ(again->compact(), 0);
  EXPECT_EQ(again->capacity(), 3u);
  EXPECT_EQ(texts(again), "c,d,e");
  EXPECT_EQ(again->resize(UINT64_MAX), llk::kNoMemory);
}

// ---- Ends, indexes and statuses ----

TEST_F(LLKCObjectDequeTest, HeadTailAndIndexesFollowTheEnds) {
  LLKCObjectDeque* deque = wrapped();
  EXPECT_EQ(static_cast<LLKCString*>(deque->head())->view(), "c");
  EXPECT_EQ(static_cast<LLKCString*>(deque->tail())->view(), "e");
  EXPECT_EQ(deque->atIndex(1), deque->fetchAtIndex(1));
  EXPECT_EQ(deque->atIndex(3), nullptr);
  EXPECT_EQ(deque->removeTail(), 0);
  EXPECT_EQ(deque->removeHead(), 0);
  EXPECT_EQ(texts(deque), "d");
  EXPECT_EQ(deque->removeHead(), 0);
  EXPECT_EQ(deque->removeHead(), llk::kNotFound);
  EXPECT_EQ(deque->removeTail(), llk::kNotFound);
}

TEST_F(LLKCObjectDequeTest, StatusCodesForNilMissingAndOutOfRange) {
  LLKCObjectDeque* deque = LLKCObjectDeque::dequeWithObjects(str("a"), str("b"));
  EXPECT_EQ(deque->append(nullptr), llk::kNilArgument);
  EXPECT_EQ(deque->prepend(nullptr), llk::kNilArgument);
  EXPECT_EQ(deque->insert_atIndex(nullptr, 0), llk::kNilArgument);
  EXPECT_EQ(deque->append_andResizeIfNeeded(nullptr, true), llk::kNilArgument);
  EXPECT_EQ(deque->remove(nullptr), llk::kNilArgument);
  EXPECT_EQ(deque->replace_atIndex(nullptr, 0), nullptr);
  EXPECT_EQ(deque->remove(str("a")), llk::kNotFound);
  EXPECT_EQ(deque->insert_atIndex(str("c"), 2), llk::kOutOfRange);  // at the count: append is the way
  EXPECT_EQ(deque->removeAtIndex(2), llk::kOutOfRange);
  EXPECT_EQ(deque->replace_atIndex(str("c"), 2), nullptr);
  EXPECT_EQ(texts(deque), "a,b");
}

TEST_F(LLKCObjectDequeTest, InsertAndRemoveInTheMiddleFromEitherEnd) {
  LLKCObjectDeque* deque = wrapped();  // c, d, e in a ring of 4
  deque->resize(8);
  deque->insert_atIndex(str("c2"), 1);  // nearer the head
  deque->insert_atIndex(str("d2"), 3);  // nearer the tail
  EXPECT_EQ(texts(deque), "c,c2,d,d2,e");
  EXPECT_EQ(deque->removeAtIndex(1), 0);
  EXPECT_EQ(deque->removeAtIndex(2), 0);
  EXPECT_EQ(texts(deque), "c,d,e");
  LLKBObject* d = deque->fetchAtIndex(1);
  EXPECT_EQ(deque->remove(d), 0);
  EXPECT_EQ(texts(deque), "c,e");
}

TEST_F(LLKCObjectDequeTest, MatchesADequeModelUnderMixedTraffic) {
  // Random traffic at both ends and in the middle, with growth and a wrapping ring, against a
  // plain model of the expected order.
  std::mt19937 random(1234);
  LLKCObjectDeque* deque = LLKCObjectDeque::dequeWithCapacity(2);
  std::deque<LLKBObject*> model;
  std::vector<LLKBObject*> pool;
  for (int i = 0; i < 16; ++i) pool.push_back(str(std::to_string(i).c_str()));
  for (int step = 0; step < 3000; ++step) {
    LLKBObject* o = pool[random() % pool.size()];
    const uint64_t n = model.size();
    switch (random() % 9) {
      case 0:
      case 1:
        ASSERT_EQ(deque->append(o), 0);
        model.push_back(o);
        break;
      case 2:
      case 3:
        ASSERT_EQ(deque->prepend(o), 0);
        model.push_front(o);
        break;
      case 4:
        if (n > 0) {
          const uint64_t at = random() % n;
          ASSERT_EQ(deque->insert_atIndex(o, at), 0);
          model.insert(model.begin() + static_cast<std::ptrdiff_t>(at), o);
        }
        break;
      case 5:
        ASSERT_EQ(deque->removeHead(), n > 0 ? 0 : llk::kNotFound);
        if (n > 0) model.pop_front();
        break;
      case 6:
        ASSERT_EQ(deque->removeTail(), n > 0 ? 0 : llk::kNotFound);
        if (n > 0) model.pop_back();
        break;
      case 7:
        if (n > 0) {
          const uint64_t at = random() % n;
          ASSERT_EQ(deque->removeAtIndex(at), 0);
          model.erase(model.begin() + static_cast<std::ptrdiff_t>(at));
        }
        break;
      case 8:
        if (n > 1) {
          const uint64_t by = 1 + random() % (n - 1);
          deque->rotateBy(by);
          std::rotate(model.begin(), model.begin() + static_cast<std::ptrdiff_t>(by), model.end());
        }
        break;
    }
    ASSERT_EQ(contents(deque), std::vector<LLKBObject*>(model.begin(), model.end())) << "step " << step;
    ASSERT_GE(deque->capacity(), deque->count());
  }
  for (LLKBObject* o : pool) {
    EXPECT_EQ(o->retainCount(), 1u + static_cast<uint32_t>(std::count(model.begin(), model.end(), o)));
  }
}

// ---- Replacement ----

TEST_F(LLKCObjectDequeTest, ReplaceHandsBackTheOldObjectWithoutCallbacks) {
  LLKBObject* old = LLKCString::alloc()->initWithChars("old");
  LLKCObjectDeque* deque = LLKCObjectDeque::dequeWithObjects(old);
  old->release();  // the deque is its only owner now
  CallbackRecorder rec;
  rec.attach(deque);
  LLKBObject* fresh = str("new");
  EXPECT_EQ(deque->replace_atIndex(fresh, 0), old);
  EXPECT_EQ(old->retainCount(), 1u);  // alive in the pool
  EXPECT_EQ(static_cast<LLKCString*>(old)->view(), "old");
  EXPECT_EQ(fresh->retainCount(), 2u);
  EXPECT_EQ(deque->head(), fresh);
  EXPECT_TRUE(rec.changes.empty());
  EXPECT_EQ(deque->replace_atIndex(fresh, 0), fresh);  // the same object again: kept, and handed back
  EXPECT_EQ(fresh->retainCount(), 3u);                   // to the pool once more
  EXPECT_EQ(deque->count(), 1u);
}

// ---- Callbacks and retain discipline ----

TEST_F(LLKCObjectDequeTest, ChangeCallbackOrderAcrossOperations) {
  LLKCObjectDeque* deque = LLKCObjectDeque::deque();
  CallbackRecorder rec;
  rec.attach(deque);  // the accept callback is not used by deques
  LLKBObject* a = str("a");
  LLKBObject* b = str("b");
  LLKBObject* c = str("c");
  rec.veto = a;
  deque->append(a);
  deque->prepend(b);
  deque->insert_atIndex(c, 1);  // b, c, a
  deque->removeTail();
  deque->removeHead();
  deque->append(a);
  deque->remove(c);
  deque->clear();
  EXPECT_EQ(rec.changes,
            (std::vector<Event>{{0, a}, {0, b}, {0, c}, {1, a}, {1, b}, {0, a}, {1, c}, {1, a}}));
  EXPECT_TRUE(rec.asked.empty());
  EXPECT_EQ(a->retainCount(), 1u);
  EXPECT_EQ(b->retainCount(), 1u);
  EXPECT_EQ(c->retainCount(), 1u);
}

TEST_F(LLKCObjectDequeTest, DeallocTellsTheCallbackHeadFirstThenReleases) {
  LLKBObject* a = str("a");
  LLKBObject* b = str("b");
  CallbackRecorder rec;
  LLKCObjectDeque* deque = LLKCObjectDeque::alloc()->initWithCapacity(2);
  deque->setCallback_withContext(&CallbackRecorder::change, &rec);
  deque->append(b);
  deque->prepend(a);  // wraps
  rec.reset();
  deque->release();
  EXPECT_EQ(rec.changes, (std::vector<Event>{{1, a}, {1, b}}));
  EXPECT_EQ(a->retainCount(), 1u);
  EXPECT_EQ(b->retainCount(), 1u);
}

// ---- Rotation, shuffle, sort ----

TEST_F(LLKCObjectDequeTest, RotateMovesTheFirstObjectsToTheEnd) {
  LLKCObjectDeque* deque = LLKCObjectDeque::dequeWithObjects(str("a"), str("b"), str("c"));
  deque->rotateBy(1);
  EXPECT_EQ(texts(deque), "b,c,a");
  deque->rotateBy(0);
  deque->rotateBy(3);
  deque->rotateBy(UINT64_MAX);
  EXPECT_EQ(texts(deque), "b,c,a");
  LLKCObjectDeque* roomy = wrapped();  // c, d, e with a free slot
  roomy->rotateBy(2);
  EXPECT_EQ(texts(roomy), "e,c,d");
  roomy->rotateBy(1);
  EXPECT_EQ(texts(roomy), "c,d,e");
}

TEST_F(LLKCObjectDequeTest, ScrambleLeavesTwoObjectsAndTheLastOneInPlace) {
  LLKCObjectDeque* two = LLKCObjectDeque::dequeWithObjects(str("a"), str("b"));
  for (int i = 0; i < 20; ++i) two->scramble();
  EXPECT_EQ(texts(two), "a,b");
  LLKCObjectDeque* deque = LLKCObjectDeque::deque();
  for (const char* t : {"a", "b", "c", "d", "e", "f"}) deque->append(str(t));
  bool moved = false;
  for (int i = 0; i < 50; ++i) {
    deque->scramble();
    EXPECT_EQ(static_cast<LLKCString*>(deque->tail())->view(), "f");
    moved |= texts(deque) != "a,b,c,d,e,f";
  }
  EXPECT_TRUE(moved);
  std::string sorted = texts(deque);
  std::sort(sorted.begin(), sorted.end());
  EXPECT_EQ(sorted, ",,,,,abcdef");  // still a permutation of the same objects
}

TEST_F(LLKCObjectDequeTest, ScrambleSwapsEachPositionWithALaterDrawnOne) {
  LLKCObjectDeque* deque = LLKCObjectDeque::deque();
  for (const char* t : {"a", "b", "c", "d", "e"}) deque->append(str(t));
  // The same draws from the shared generator, applied to a plain array.
  LLKFRandomSeed(77);
  std::string expected = "abcde";
  for (size_t i = 0; i + 1 < expected.size() - 1; ++i) {
    std::swap(expected[i], expected[LLKFRandomDrawWithRangeUint(i + 1, expected.size() - 1)]);
  }
  LLKFRandomSeed(77);
  deque->scramble();
  std::string got;
  for (LLKBObject* o : deque) got += static_cast<LLKCString*>(o)->chars();
  EXPECT_EQ(got, expected);
  EXPECT_EQ(got.back(), 'e');
  EXPECT_NE(got[0], 'a');  // position 0 always swaps with a later one
}

TEST_F(LLKCObjectDequeTest, SortUsesTheFunctionEvenWhenTheRingWraps) {
  LLKCObjectDeque* deque = LLKCObjectDeque::dequeWithCapacity(5);
  for (const char* t : {"q", "q", "q", "m", "z"}) deque->append(str(t));
  deque->removeHead();
  deque->removeHead();
  deque->removeHead();
  deque->append(str("a"));
  deque->append(str("k"));  // m, z, a, k across the end of the slots
  deque->sortWithFunction_andContext(&txqtest::byText, nullptr);
  EXPECT_EQ(texts(deque), "a,k,m,z");
  deque->append(str("b"));
  EXPECT_EQ(texts(deque), "a,k,m,z,b");
  llk::sort(deque, [](LLKBObject* a, LLKBObject* b) { return -txqtest::byText(a, b, nullptr); });
  EXPECT_EQ(texts(deque), "z,m,k,b,a");
}

// ---- Removal by match, iteration ----

TEST_F(LLKCObjectDequeTest, RemoveEachMatchClearsSlotsAsItGoesAndKeepsTheRest) {
  // The deque is the only owner of its objects, so each removed one is freed at its release: no
  // later call may find the freed object still in a slot.
  LLKCObjectDeque* deque = llk::autorelease(LLKCObjectDeque::alloc()->initWithCapacity(4));
  for (const char* t : {"c", "d", "e", "x", "y"}) {
    LLKBObject* o = LLKCString::alloc()->initWithChars(t);
    if (t[0] == 'y') {
      deque->prepend(o);  // after a growth: y, c, d, e, x
    } else {
      deque->append(o);
    }
    o->release();
  }
  struct Probe {
    LLKCObjectDeque* deque;
    std::vector<LLKBObject*> gone;
    bool staleSeen;
    void look() {
      for (uint64_t i = 0; i < 5; ++i) {
        for (LLKBObject* g : gone) staleSeen |= deque->fetchAtIndex(i) == g;
      }
    }
  } probe{deque, {}, false};
  probe.gone.reserve(8);  // no allocation may reuse a freed object's address meanwhile
  deque->setChangeCallback_withContext(
      [](uint32_t, LLKBObject* o, void* context) {
        Probe* p = static_cast<Probe*>(context);
        p->look();
        p->gone.push_back(o);
      },
      &probe);
  EXPECT_TRUE(llk::removeIf(deque, [&](LLKBObject* o) {
    probe.look();
    const std::string_view t = static_cast<LLKCString*>(o)->view();
    return t == "c" || t == "e" || t == "x";
  }));
  EXPECT_FALSE(probe.staleSeen);
  EXPECT_EQ(texts(deque), "y,d");
  EXPECT_EQ(probe.gone.size(), 3u);
  EXPECT_TRUE(deque->removeFirstMatchWithFunction_andContext([](LLKBObject*, void*) { return true; }, nullptr));
  EXPECT_EQ(texts(deque), "d");
  EXPECT_FALSE(deque->removeEachMatchWithFunction_andContext([](LLKBObject*, void*) { return false; }, nullptr));
  deque->setChangeCallback(nullptr);
}

TEST_F(LLKCObjectDequeTest, WorksWithRangeForAndTheLambdaHelpers) {
  LLKCObjectDeque* deque = wrapped();
  std::string seen;
  for (LLKBObject* o : deque) seen += static_cast<LLKCString*>(o)->chars();
  EXPECT_EQ(seen, "cde");
  int n = 0;
  llk::forEach(deque, [&](LLKBObject*) { ++n; });
  EXPECT_EQ(n, 3);
  EXPECT_EQ(llk::findIf(deque, [](LLKBObject* o) { return static_cast<LLKCString*>(o)->view() == "d"; }),
            deque->fetchAtIndex(1));
  EXPECT_EQ(llk::findIf(deque, [](LLKBObject*) { return false; }), nullptr);
  uint64_t index = 9;
  EXPECT_TRUE(deque->contains_atIndex(deque->tail(), &index));
  EXPECT_EQ(index, 2u);
}

// ---- Copies ----

TEST_F(LLKCObjectDequeTest, CopiesKeepOrderCapacityAndFactorWithoutCallbacks) {
  LLKCObjectDeque* deque = wrapped();
  deque->setGrowFactor(0.5f);
  CallbackRecorder rec;
  rec.attach(deque);
  LLKCObjectDeque* copy = deque->copy();
  ASSERT_NE(copy, nullptr);
  EXPECT_EQ(texts(copy), "c,d,e");
  EXPECT_EQ(copy->head(), deque->head());
  EXPECT_EQ(deque->head()->retainCount(), 3u);  // pool, deque, copy
  EXPECT_EQ(copy->capacity(), 4u);
  EXPECT_FLOAT_EQ(copy->growFactor(), 0.5f);
  copy->clear();
  EXPECT_TRUE(rec.changes.empty());

  LLKCObjectDeque* deep = deque->deepCopy();
  ASSERT_NE(deep, nullptr);
  EXPECT_EQ(texts(deep), "c,d,e");
  EXPECT_NE(deep->head(), deque->head());
  deque->append(llk::autorelease(LLKBObject::new_()));
  EXPECT_EQ(deque->deepCopy(), nullptr);
  EXPECT_EQ(deque->copy()->count(), 4u);
}
