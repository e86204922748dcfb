#include <txq/llk/collections/LLKCObjectDeque.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdarg>
#include <deque>
#include <random>
#include <string>
#include <vector>

#include <txq/llk/collections/LLKContainers.h>
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

TEST_F(LLKCObjectDequeTest, FactoriesGrowthAndStatusCodes) {
  EXPECT_EQ(LLKCObjectDeque::deque()->capacity(), 0u);
  EXPECT_FLOAT_EQ(LLKCObjectDeque::deque()->growFactor(), 0.25f);
  EXPECT_EQ(LLKCObjectDeque::dequeWithCapacity(0)->capacity(), 1u);
  EXPECT_EQ(texts(LLKCObjectDeque::dequeWithObjects(str("a"), str("b"), nullptr, str("c"))), "a,b");
  EXPECT_EQ(texts(dequeOfList(str("p"), str("q"), nullptr)), "p,q");
  EXPECT_EQ(dequeOfList(nullptr)->count(), 0u);

  LLKCObjectDeque* deque = LLKCObjectDeque::dequeWithCapacity(4);
  for (const char* t : {"b", "c", "d", "e"}) ASSERT_EQ(deque->append(str(t)), 0);
  LLKBObject* x = str("x");
  EXPECT_EQ(deque->append_andResizeIfNeeded(x, false), llk::kFull);
  EXPECT_EQ(deque->prepend_andResizeIfNeeded(x, false), llk::kFull);
  EXPECT_EQ(deque->insert_atIndex_andResizeIfNeeded(x, 1, false), llk::kFull);
  EXPECT_EQ(deque->prepend(str("a")), 0);
  EXPECT_EQ(deque->capacity(), 5u);
  deque->setGrowFactor(0);
  EXPECT_EQ(deque->append_andResizeIfNeeded(x, true), llk::kFull);
  deque->setGrowFactor(1e30f);
  EXPECT_EQ(deque->append(x), llk::kNoMemory);  // capacity + growth cannot be represented
  EXPECT_EQ(deque->append(nullptr), llk::kNilArgument);
  EXPECT_EQ(deque->prepend(nullptr), llk::kNilArgument);
  EXPECT_EQ(deque->insert_atIndex(nullptr, 0), llk::kNilArgument);
  EXPECT_EQ(deque->remove(nullptr), llk::kNilArgument);
  EXPECT_EQ(deque->replace_atIndex(nullptr, 0), nullptr);
  EXPECT_EQ(deque->remove(str("a")), llk::kNotFound);
  EXPECT_EQ(deque->insert_atIndex(x, 5), llk::kOutOfRange);  // at the count: append is the way
  EXPECT_EQ(deque->removeAtIndex(5), llk::kOutOfRange);
  EXPECT_EQ(deque->replace_atIndex(x, 5), nullptr);
  EXPECT_EQ(texts(deque), "a,b,c,d,e");
  LLKCObjectDeque* empty = LLKCObjectDeque::deque();
  EXPECT_EQ(empty->head(), nullptr);
  EXPECT_EQ(empty->removeHead(), llk::kNotFound);
  EXPECT_EQ(empty->removeTail(), llk::kNotFound);
}

TEST_F(LLKCObjectDequeTest, ReserveResizeAndCompactKeepOrderWhenTheRingWraps) {
  LLKCObjectDeque* deque = wrapped();
  EXPECT_EQ(deque->reserve(1), 0);
  EXPECT_EQ(deque->capacity(), 4u);
  EXPECT_EQ(deque->reserve(5), 0);
  EXPECT_EQ(deque->capacity(), 8u);
  EXPECT_EQ(texts(deque), "c,d,e");
  EXPECT_EQ(deque->reserve(UINT64_MAX), llk::kNoMemory);
  EXPECT_EQ(deque->resize(UINT64_MAX), llk::kNoMemory);
  EXPECT_EQ(deque->capacity(), 8u);
  EXPECT_EQ(deque->resize(1), 0);
  EXPECT_EQ(deque->capacity(), 3u);
  EXPECT_EQ(texts(deque), "c,d,e");
  LLKCObjectDeque* again = wrapped();
  EXPECT_EQ(again->compact(), 0);
  EXPECT_EQ(again->capacity(), 3u);
  EXPECT_EQ(texts(again), "c,d,e");
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

TEST_F(LLKCObjectDequeTest, ReplaceHandsBackTheOldObjectWithoutCallbacks) {
  LLKBObject* old = LLKCString::alloc()->initWithChars("old");
  LLKCObjectDeque* deque = LLKCObjectDeque::dequeWithObjects(old);
  old->release();  // the deque is its only owner now
  CallbackRecorder rec;
  rec.attach(deque);
  LLKBObject* fresh = str("new");
  EXPECT_EQ(deque->replace_atIndex(fresh, 0), old);
  EXPECT_EQ(static_cast<LLKCString*>(old)->view(), "old");  // alive in the pool
  EXPECT_EQ(deque->head(), fresh);
  EXPECT_TRUE(rec.changes.empty());
  EXPECT_EQ(deque->replace_atIndex(fresh, 0), fresh);  // the same object again: kept, and handed back
  EXPECT_EQ(fresh->retainCount(), 3u);                   // to the pool once more
}

TEST_F(LLKCObjectDequeTest, ChangeCallbackOrderAcrossOperationsAndDealloc) {
  LLKCObjectDeque* deque = LLKCObjectDeque::alloc()->initWithCapacity(2);
  CallbackRecorder rec;
  deque->setCallback_withContext(&CallbackRecorder::change, &rec);
  deque->setAcceptCallback_withContext(&CallbackRecorder::accept, &rec);  // not used by deques
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
  deque->append(b);
  deque->prepend(a);
  deque->release();
  EXPECT_EQ(rec.changes, (std::vector<Event>{{0, a}, {0, b}, {0, c}, {1, a}, {1, b}, {0, a}, {1, c}, {1, a},
                                             {0, b}, {0, a}, {1, a}, {1, b}}));
  EXPECT_TRUE(rec.asked.empty());
}

TEST_F(LLKCObjectDequeTest, RotateByZeroOrAtLeastTheCountChangesNothing) {
  LLKCObjectDeque* deque = LLKCObjectDeque::dequeWithObjects(str("a"), str("b"), str("c"));
  deque->rotateBy(0);
  deque->rotateBy(3);
  deque->rotateBy(UINT64_MAX);
  EXPECT_EQ(texts(deque), "a,b,c");
  LLKCObjectDeque* roomy = wrapped();  // c, d, e with a free slot
  roomy->rotateBy(2);
  EXPECT_EQ(texts(roomy), "e,c,d");
}

TEST_F(LLKCObjectDequeTest, ScrambleSwapsEachPositionWithALaterDrawnOneButNeverMovesTheLast) {
  LLKCObjectDeque* two = LLKCObjectDeque::dequeWithObjects(str("a"), str("b"));
  two->scramble();
  EXPECT_EQ(texts(two), "a,b");
  LLKCObjectDeque* deque = LLKCObjectDeque::deque();
  for (const char* t : {"a", "b", "c", "d", "e"}) deque->append(str(t));
  for (uint32_t seed : {77u, 78u, 79u}) {
    // The same draws from the shared generator, applied to a plain array.
    std::string expected = texts(deque);
    expected.erase(std::remove(expected.begin(), expected.end(), ','), expected.end());
    LLKFRandomSeed(seed);
    for (size_t i = 0; i + 1 < expected.size() - 1; ++i) {
      std::swap(expected[i], expected[LLKFRandomDrawWithRangeUint(i + 1, expected.size() - 1)]);
    }
    LLKFRandomSeed(seed);
    deque->scramble();
    std::string got;
    for (LLKBObject* o : deque) got += static_cast<LLKCString*>(o)->chars();
    EXPECT_EQ(got, expected);
    EXPECT_EQ(got.back(), 'e');
  }
}

TEST_F(LLKCObjectDequeTest, SortAndTheLambdaHelpersWorkWhenTheRingWraps) {
  LLKCObjectDeque* deque = LLKCObjectDeque::dequeWithCapacity(5);
  for (const char* t : {"q", "q", "q", "m", "z"}) deque->append(str(t));
  for (int i = 0; i < 3; ++i) deque->removeHead();
  deque->append(str("a"));
  deque->append(str("k"));  // m, z, a, k across the end of the slots
  deque->sortWithFunction_andContext(&txqtest::byText, nullptr);
  EXPECT_EQ(texts(deque), "a,k,m,z");
  llk::sort(deque, [](LLKBObject* a, LLKBObject* b) { return -txqtest::byText(a, b, nullptr); });
  std::string seen;
  for (LLKBObject* o : deque) seen += static_cast<LLKCString*>(o)->chars();
  for (LLKCString* s : llk::typed<LLKCString>(deque)) seen += s->chars();
  llk::forEach(deque, [&](LLKBObject* o) { seen += static_cast<LLKCString*>(o)->chars(); });
  EXPECT_EQ(seen, "zmkazmkazmka");
  EXPECT_EQ(llk::findIf(deque, [](LLKBObject* o) { return static_cast<LLKCString*>(o)->view() < "m"; }),
            deque->fetchAtIndex(2));
}

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
  EXPECT_FALSE(txqtest::removeIfSeesAFreedObject(deque, 5, [](LLKBObject* o) {
    const std::string_view t = static_cast<LLKCString*>(o)->view();
    return t == "c" || t == "e" || t == "x";
  }));
  EXPECT_EQ(texts(deque), "y,d");
  EXPECT_TRUE(deque->removeFirstMatchWithFunction_andContext([](LLKBObject*, void*) { return true; }, nullptr));
  EXPECT_EQ(texts(deque), "d");
}

TEST_F(LLKCObjectDequeTest, CopiesKeepOrderCapacityAndFactorWithoutCallbacks) {
  LLKCObjectDeque* deque = wrapped();
  deque->setGrowFactor(0.5f);
  CallbackRecorder rec;
  rec.attach(deque);
  LLKCObjectDeque* copy = deque->copy();
  ASSERT_NE(copy, nullptr);
  EXPECT_EQ(texts(copy), "c,d,e");
  EXPECT_EQ(copy->head(), deque->head());
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
}
