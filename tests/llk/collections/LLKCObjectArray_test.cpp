#include <txq/llk/collections/LLKCObjectArray.h>

#include <gtest/gtest.h>

#include <cstdarg>
#include <string>
#include <vector>

#include <txq/llk/collections/LLKContainers.h>
#include <txq/llk/values/LLKCData.h>
#include <txq/llk/values/LLKCString.h>

#include "llk/collections/SequenceTestSupport.h"
#include "support/ObjectTest.h"

using txqtest::CallbackRecorder;
using txqtest::Event;
using txqtest::str;
using txqtest::texts;

class LLKCObjectArrayTest : public txqtest::ObjectTest {};

namespace {

LLKCObjectArray* arrayOfList(LLKBObject* head, ...) {
  va_list rest;
  va_start(rest, head);
  LLKCObjectArray* array = LLKCObjectArray::alloc()->initWithHead_andRest(head, rest);
  va_end(rest);
  return llk::autorelease(array);
}

}  // namespace

// ---- Creation ----

TEST_F(LLKCObjectArrayTest, FactoriesSetCapacityAndOrder) {
  LLKCObjectArray* empty = LLKCObjectArray::array();
  EXPECT_EQ(empty->count(), 0u);
  EXPECT_EQ(empty->capacity(), 0u);
  EXPECT_FLOAT_EQ(empty->growFactor(), 0.25f);
  EXPECT_EQ(LLKCObjectArray::arrayWithCapacity(0)->capacity(), 1u);
  EXPECT_EQ(LLKCObjectArray::arrayWithCapacity(7)->capacity(), 7u);

  LLKCObjectArray* three = LLKCObjectArray::arrayWithObjects(str("a"), str("b"), str("c"));
  EXPECT_EQ(texts(three), "a,b,c");
  EXPECT_EQ(three->capacity(), 3u);
  EXPECT_EQ(texts(LLKCObjectArray::arrayWithObjects(str("a"), str("b"), nullptr)), "a,b");
  EXPECT_EQ(texts(LLKCObjectArray::arrayWithObjects(str("a"), nullptr, str("b"))), "a");  // ends at the first nil
  LLKCObjectArray* viaInit = llk::autorelease(LLKCObjectArray::alloc()->initWithObjects(str("x"), str("y")));
  EXPECT_EQ(texts(viaInit), "x,y");
}

TEST_F(LLKCObjectArrayTest, HeadAndRestListIsReadTwiceFromOneArgumentList) {
  LLKCObjectArray* array = arrayOfList(str("p"), str("q"), str("r"), nullptr);
  EXPECT_EQ(texts(array), "p,q,r");
  EXPECT_EQ(array->capacity(), 3u);
  LLKCObjectArray* none = arrayOfList(nullptr);
  EXPECT_EQ(none->count(), 0u);
  EXPECT_EQ(none->capacity(), 1u);
}

// ---- Growth ----

TEST_F(LLKCObjectArrayTest, FifthAppendGrowsCapacityFourToFive) {
  LLKCObjectArray* array = LLKCObjectArray::arrayWithCapacity(4);
  for (const char* t : {"a", "b", "c", "d"}) ASSERT_EQ(array->append(str(t)), 0);
  EXPECT_EQ(array->capacity(), 4u);
  EXPECT_EQ(array->append(str("e")), 0);
  EXPECT_EQ(array->capacity(), 5u);
  EXPECT_EQ(texts(array), "a,b,c,d,e");
}

TEST_F(LLKCObjectArrayTest, GrowFactorZeroMakesTheArrayFixed) {
  LLKCObjectArray* array = LLKCObjectArray::arrayWithCapacity(4);
  array->setGrowFactor(0);
  for (const char* t : {"a", "b", "c", "d"}) ASSERT_EQ(array->append(str(t)), 0);
  LLKBObject* fifth = str("e");
  EXPECT_EQ(array->append(fifth), llk::kFull);
  EXPECT_EQ(array->prepend(fifth), llk::kFull);
  EXPECT_EQ(array->insert_atIndex(fifth, 1), nullptr);
  EXPECT_EQ(fifth->retainCount(), 1u);
  EXPECT_EQ(texts(array), "a,b,c,d");
  EXPECT_EQ(array->capacity(), 4u);
  array->setGrowFactor(-3);
  EXPECT_EQ(array->growFactor(), 0.0f);
}

TEST_F(LLKCObjectArrayTest, GrowthStepsRoundUpFromAnEmptyArray) {
  LLKCObjectArray* array = LLKCObjectArray::array();
  std::vector<uint64_t> capacities;
  for (int i = 0; i < 10; ++i) {
    array->append(str("x"));
    capacities.push_back(array->capacity());
  }
  // 0 -> 1, then capacity + ceil(capacity / 4).
  EXPECT_EQ(capacities, (std::vector<uint64_t>{1, 2, 3, 4, 5, 7, 7, 9, 9, 12}));
}

TEST_F(LLKCObjectArrayTest, GrowthIsComputedInSinglePrecision) {
  // 10 * 0.1f is exactly 1 in float arithmetic (10.000000149... in double would round up to 2).
  LLKCObjectArray* array = LLKCObjectArray::arrayWithCapacity(10);
  array->setGrowFactor(0.1f);
  for (int i = 0; i < 11; ++i) ASSERT_EQ(array->append(str("x")), 0);
  EXPECT_EQ(array->capacity(), 11u);
}

TEST_F(LLKCObjectArrayTest, GrowthThatCannotBeRepresentedFailsWithoutChange) {
  LLKCObjectArray* array = LLKCObjectArray::arrayWithObjects(str("a"));
  array->setGrowFactor(1e30f);
  EXPECT_EQ(array->append(str("b")), llk::kNoMemory);
  EXPECT_EQ(array->resize(UINT64_MAX), llk::kNoMemory);
  EXPECT_EQ(texts(array), "a");
  EXPECT_EQ(array->capacity(), 1u);
}

TEST_F(LLKCObjectArrayTest, ResizeNeverDropsBelowTheCount) {
  LLKCObjectArray* array = LLKCObjectArray::arrayWithObjects(str("a"), str("b"), str("c"));
  EXPECT_EQ(array->resize(10), 0);
  EXPECT_EQ(array->capacity(), 10u);
  EXPECT_EQ(array->resize(1), 0);
  EXPECT_EQ(array->capacity(), 3u);
  EXPECT_EQ(array->resize(20), 0);
  EXPECT_EQ(array->compact(), 0);
  EXPECT_EQ(array->capacity(), 3u);
  EXPECT_EQ(texts(array), "a,b,c");
  LLKCObjectArray* empty = LLKCObjectArray::array();
  EXPECT_EQ(empty->resize(0), 0);  // 0 counts as 1
  EXPECT_EQ(empty->capacity(), 1u);
}

// ---- Additions, replacement and nil ----

TEST_F(LLKCObjectArrayTest, PrependAndInsertPlaceObjectsBeforeAnIndex) {
  LLKCObjectArray* array = LLKCObjectArray::arrayWithObjects(str("b"), str("d"));
  EXPECT_EQ(array->prepend(str("a")), 0);
  LLKBObject* c = str("c");
  EXPECT_EQ(array->insert_atIndex(c, 2), c);
  EXPECT_EQ(texts(array), "a,b,c,d");
  EXPECT_EQ(array->insert_atIndex(str("e"), 4), nullptr);  // at the count: append is the way
  EXPECT_EQ(array->count(), 4u);
}

TEST_F(LLKCObjectArrayTest, NilIsRefusedEverywhereAndChangesNothing) {
  LLKCObjectArray* array = LLKCObjectArray::arrayWithObjects(str("a"));
  CallbackRecorder rec;
  rec.attach(array);
  EXPECT_EQ(array->append(nullptr), llk::kNilArgument);
  EXPECT_EQ(array->prepend(nullptr), llk::kNilArgument);
  EXPECT_EQ(array->insert_atIndex(nullptr, 0), nullptr);
  EXPECT_EQ(array->store_atIndex(nullptr, 0), nullptr);
  EXPECT_EQ(array->remove(nullptr), llk::kNotFound);
  EXPECT_FALSE(array->contains(nullptr));
  EXPECT_EQ(texts(array), "a");
  EXPECT_TRUE(rec.changes.empty());
  EXPECT_TRUE(rec.asked.empty());
}

TEST_F(LLKCObjectArrayTest, StoreReplacesInRangeOnly) {
  LLKCObjectArray* array = LLKCObjectArray::arrayWithObjects(str("a"), str("b"));
  LLKBObject* z = str("z");
  EXPECT_EQ(array->store_atIndex(z, 1), z);
  EXPECT_EQ(texts(array), "a,z");
  EXPECT_EQ(array->store_atIndex(str("q"), 2), nullptr);
  EXPECT_EQ(array->store_atIndex(array->fetchAtIndex(0), 0), array->fetchAtIndex(0));  // the same object again
  EXPECT_EQ(texts(array), "a,z");
  EXPECT_EQ(array->fetchAtIndex(0)->retainCount(), 2u);
}

// ---- Retain and release ----

TEST_F(LLKCObjectArrayTest, EveryWayInRetainsAndEveryWayOutReleases) {
  LLKCObjectArray* array = LLKCObjectArray::arrayWithCapacity(1);
  LLKBObject* a = str("a");
  LLKBObject* b = str("b");
  LLKBObject* c = str("c");
  array->append(a);
  array->prepend(b);
  array->insert_atIndex(c, 1);
  EXPECT_EQ(a->retainCount(), 2u);
  EXPECT_EQ(b->retainCount(), 2u);
  EXPECT_EQ(c->retainCount(), 2u);
  LLKBObject* d = str("d");
  array->store_atIndex(d, 0);  // replaces b
  EXPECT_EQ(b->retainCount(), 1u);
  EXPECT_EQ(d->retainCount(), 2u);
  EXPECT_EQ(array->removeAtIndex(1), 0);  // c
  EXPECT_EQ(c->retainCount(), 1u);
  EXPECT_EQ(array->remove(a), 0);
  EXPECT_EQ(a->retainCount(), 1u);
  array->append(a);
  array->clear();
  EXPECT_EQ(array->count(), 0u);
  EXPECT_EQ(a->retainCount(), 1u);
  EXPECT_EQ(d->retainCount(), 1u);
  EXPECT_EQ(array->capacity(), 3u);  // clear keeps the slots
}

TEST_F(LLKCObjectArrayTest, DeallocTellsTheCallbackThenReleasesEachObject) {
  LLKBObject* a = str("a");
  LLKBObject* b = str("b");
  CallbackRecorder rec;
  LLKCObjectArray* array = LLKCObjectArray::alloc()->initWithObjects(a, b);
  array->setChangeCallback_withContext(&CallbackRecorder::change, &rec);
  EXPECT_EQ(a->retainCount(), 2u);
  array->release();
  EXPECT_EQ(rec.changes, (std::vector<Event>{{1, a}, {1, b}}));
  EXPECT_EQ(a->retainCount(), 1u);
  EXPECT_EQ(b->retainCount(), 1u);
}

// ---- Callbacks ----

TEST_F(LLKCObjectArrayTest, ChangeCallbackSeesAdditionsAfterAndRemovalsBefore) {
  LLKCObjectArray* array = LLKCObjectArray::array();
  CallbackRecorder rec;
  rec.attach(array, false);
  uint64_t countSeenOnAdd = 0;
  LLKBObject* a = str("a");
  LLKBObject* b = str("b");
  LLKBObject* c = str("c");
  LLKBObject* d = str("d");
  array->append(a);
  array->prepend(b);
  array->insert_atIndex(c, 1);  // b, c, a
  array->store_atIndex(d, 2);   // b, c, d
  array->removeAtIndex(0);
  array->clear();
  EXPECT_EQ(rec.changes, (std::vector<Event>{{0, a}, {0, b}, {0, c}, {1, a}, {0, d}, {1, b}, {1, c}, {1, d}}));

  // op 1 comes while the object is still in place; op 0 once it is in.
  struct Probe {
    LLKCObjectArray* array;
    std::vector<bool> present;
  } probe{array, {}};
  array->setChangeCallback_withContext(
      [](uint32_t, LLKBObject* object, void* context) {
        Probe* p = static_cast<Probe*>(context);
        p->present.push_back(p->array->contains(object));
      },
      &probe);
  array->append(a);
  countSeenOnAdd = array->count();
  array->removeAtIndex(0);
  EXPECT_EQ(probe.present, (std::vector<bool>{true, true}));
  EXPECT_EQ(countSeenOnAdd, 1u);
  array->setChangeCallback(nullptr);
}

TEST_F(LLKCObjectArrayTest, AcceptVetoesLeaveEverythingUnchanged) {
  LLKBObject* a = str("a");
  LLKBObject* b = str("b");
  LLKBObject* x = str("x");
  LLKCObjectArray* array = LLKCObjectArray::arrayWithObjects(a, b);
  CallbackRecorder rec;
  rec.attach(array);
  rec.veto = x;
  EXPECT_EQ(array->append(x), llk::kRefused);
  EXPECT_EQ(array->prepend(x), llk::kRefused);
  EXPECT_EQ(array->insert_atIndex(x, 0), nullptr);
  EXPECT_EQ(array->store_atIndex(x, 0), nullptr);  // op 0 for the new object refused
  rec.veto = a;
  rec.vetoOp = 1;
  EXPECT_EQ(array->store_atIndex(x, 0), nullptr);  // op 1 for the old object refused
  EXPECT_EQ(array->removeAtIndex(0), llk::kRefused);
  EXPECT_EQ(texts(array), "a,b");
  EXPECT_EQ(x->retainCount(), 1u);
  EXPECT_EQ(a->retainCount(), 2u);
  EXPECT_TRUE(rec.changes.empty());
  EXPECT_EQ(rec.asked, (std::vector<Event>{{0, x}, {0, x}, {0, x}, {0, x}, {0, x}, {1, a}, {1, a}}));
}

TEST_F(LLKCObjectArrayTest, RemoveAsksOpZeroThenOpOne) {
  LLKBObject* a = str("a");
  LLKCObjectArray* array = LLKCObjectArray::arrayWithObjects(a, str("b"));
  CallbackRecorder rec;
  rec.attach(array);
  rec.veto = a;
  rec.vetoOp = 0;
  EXPECT_EQ(array->remove(a), llk::kRefused);
  EXPECT_EQ(rec.asked, (std::vector<Event>{{0, a}}));
  rec.reset();
  rec.vetoOp = 1;
  EXPECT_EQ(array->remove(a), llk::kRefused);
  EXPECT_EQ(rec.asked, (std::vector<Event>{{0, a}, {1, a}}));
  EXPECT_TRUE(rec.changes.empty());
  rec.reset();
  rec.veto = nullptr;
  EXPECT_EQ(array->remove(a), 0);
  EXPECT_EQ(rec.asked, (std::vector<Event>{{0, a}, {1, a}}));
  EXPECT_EQ(rec.changes, (std::vector<Event>{{1, a}}));
  EXPECT_EQ(texts(array), "b");
}

TEST_F(LLKCObjectArrayTest, ClearDoesNotAskTheAcceptCallback) {
  LLKBObject* a = str("a");
  LLKCObjectArray* array = LLKCObjectArray::arrayWithObjects(a);
  CallbackRecorder rec;
  rec.attach(array);
  rec.veto = a;
  array->clear();
  EXPECT_TRUE(rec.asked.empty());
  EXPECT_EQ(rec.changes, (std::vector<Event>{{1, a}}));
  EXPECT_EQ(array->count(), 0u);
}

// ---- Status codes and search ----

TEST_F(LLKCObjectArrayTest, StatusCodesForMissingAndOutOfRange) {
  LLKCObjectArray* array = LLKCObjectArray::arrayWithObjects(str("a"));
  EXPECT_EQ(array->remove(str("a")), llk::kNotFound);  // equal text, another object
  EXPECT_EQ(array->removeAtIndex(1), llk::kOutOfRange);
  EXPECT_EQ(array->fetchAtIndex(1), nullptr);
  EXPECT_EQ(array->count(), 1u);
}

TEST_F(LLKCObjectArrayTest, ContainsIsByIdentityAndReportsTheFirstIndex) {
  LLKBObject* a = str("a");
  LLKBObject* twin = str("a");
  LLKCObjectArray* array = LLKCObjectArray::arrayWithObjects(str("z"), a, a);
  uint64_t index = 99;
  EXPECT_TRUE(array->contains_atIndex(a, &index));
  EXPECT_EQ(index, 1u);
  EXPECT_FALSE(array->contains(twin));
  EXPECT_TRUE(array->contains_atIndex(a, nullptr));
  index = 99;
  EXPECT_FALSE(array->contains_atIndex(twin, &index));
  EXPECT_EQ(index, 99u);
}

// ---- Removal by match ----

TEST_F(LLKCObjectArrayTest, RemoveEachMatchKeepsTheOrderOfTheRest) {
  LLKCObjectArray* array = LLKCObjectArray::array();
  for (const char* t : {"a", "x1", "b", "x2", "x3", "c"}) array->append(str(t));
  auto isX = [](LLKBObject* o, void*) noexcept { return static_cast<LLKCString*>(o)->chars()[0] == 'x'; };
  EXPECT_TRUE(array->removeEachMatchWithFunction_andContext(isX, nullptr));
  EXPECT_EQ(texts(array), "a,b,c");
  EXPECT_FALSE(array->removeEachMatchWithFunction_andContext(isX, nullptr));
  EXPECT_FALSE(array->removeEachMatchWithFunction_andContext(nullptr, nullptr));
  array->append(str("x4"));
  array->prepend(str("x5"));
  EXPECT_TRUE(array->removeFirstMatchWithFunction_andContext(isX, nullptr));
  EXPECT_EQ(texts(array), "a,b,c,x4");
}

TEST_F(LLKCObjectArrayTest, RemoveEachMatchSkipsVetoedObjects) {
  LLKBObject* keep = str("x-keep");
  LLKCObjectArray* array = LLKCObjectArray::arrayWithObjects(str("x1"), keep, str("b"), str("x2"));
  CallbackRecorder rec;
  rec.attach(array);
  rec.veto = keep;
  auto isX = [](LLKBObject* o, void*) noexcept { return static_cast<LLKCString*>(o)->chars()[0] == 'x'; };
  EXPECT_TRUE(array->removeEachMatchWithFunction_andContext(isX, nullptr));
  EXPECT_EQ(texts(array), "x-keep,b");
  EXPECT_EQ(rec.changes.size(), 2u);
  EXPECT_EQ(keep->retainCount(), 2u);
  rec.reset();
  array->prepend(str("y"));
  rec.reset();
  EXPECT_TRUE(array->removeFirstMatchWithFunction_andContext(isX, nullptr));  // matched, but vetoed
  EXPECT_EQ(texts(array), "y,x-keep,b");
  EXPECT_TRUE(rec.changes.empty());
}

TEST_F(LLKCObjectArrayTest, RemoveEachMatchClearsEachSlotAsItsObjectGoes) {
  // Only the array holds these, so each is freed at its release: no later callback may find the
  // freed object still in its slot.
  LLKCObjectArray* array = LLKCObjectArray::array();
  std::vector<LLKBObject*> held;
  for (const char* t : {"a", "b", "c"}) {
    LLKBObject* o = LLKCString::alloc()->initWithChars(t);
    array->append(o);
    o->release();
    held.push_back(o);
  }
  struct Probe {
    LLKCObjectArray* array;
    std::vector<LLKBObject*> gone;
    bool staleSeen = false;
    void look() {
      for (uint64_t i = 0; i < 3; ++i) {
        for (LLKBObject* g : gone) staleSeen |= array->fetchAtIndex(i) == g;
      }
    }
  } probe{array, {}};
  probe.gone.reserve(3);  // no allocation may reuse a freed object's address meanwhile
  array->setChangeCallback_withContext(
      [](uint32_t, LLKBObject* object, void* context) {
        Probe* p = static_cast<Probe*>(context);
        p->look();
        p->gone.push_back(object);
      },
      &probe);
  EXPECT_TRUE(llk::removeIf(array, [&](LLKBObject*) {
    probe.look();
    return true;
  }));
  EXPECT_FALSE(probe.staleSeen);
  EXPECT_EQ(probe.gone, held);
  EXPECT_EQ(array->count(), 0u);
  array->setChangeCallback(nullptr);
}

// ---- Iteration and C++ helpers ----

TEST_F(LLKCObjectArrayTest, IterationsVisitInOrderAndStopAtTheFirstMatch) {
  LLKCObjectArray* array = LLKCObjectArray::arrayWithObjects(str("a"), str("b"), str("c"));
  std::string seen;
  array->iterateWithFunction_andContext(
      [](LLKBObject* o, void* context) { *static_cast<std::string*>(context) += static_cast<LLKCString*>(o)->chars(); },
      &seen);
  EXPECT_EQ(seen, "abc");
  LLKBObject* hit = array->iterateUntilMatchWithFunction_andContext(
      [](LLKBObject* o, void*) { return static_cast<LLKCString*>(o)->compareToChars("a") > 0; }, nullptr);
  EXPECT_EQ(hit, array->fetchAtIndex(1));
  EXPECT_EQ(array->iterateUntilMatchWithFunction_andContext([](LLKBObject*, void*) { return false; }, nullptr),
            nullptr);
}

TEST_F(LLKCObjectArrayTest, WorksWithRangeForAndTheLambdaHelpers) {
  LLKCObjectArray* array = LLKCObjectArray::arrayWithObjects(str("c"), str("a"), str("d"), str("b"));
  std::string seen;
  for (LLKBObject* o : array) seen += static_cast<LLKCString*>(o)->chars();
  EXPECT_EQ(seen, "cadb");
  seen.clear();
  for (LLKCString* s : llk::typed<LLKCString>(array)) seen += s->chars();
  EXPECT_EQ(seen, "cadb");
  llk::sort(array, [](LLKBObject* a, LLKBObject* b) { return txqtest::byText(a, b, nullptr); });
  EXPECT_EQ(texts(array), "a,b,c,d");
  int n = 0;
  llk::forEach(array, [&](LLKBObject*) { ++n; });
  EXPECT_EQ(n, 4);
  LLKBObject* found = llk::findIf(array, [](LLKBObject* o) { return static_cast<LLKCString*>(o)->view() == "c"; });
  EXPECT_EQ(found, array->fetchAtIndex(2));
  EXPECT_TRUE(llk::removeIf(array, [](LLKBObject* o) { return static_cast<LLKCString*>(o)->view() < "c"; }));
  EXPECT_EQ(texts(array), "c,d");
}

// ---- Copies ----

TEST_F(LLKCObjectArrayTest, ShallowCopySharesObjectsAndDropsCallbacks) {
  LLKBObject* a = str("a");
  LLKCObjectArray* array = LLKCObjectArray::arrayWithCapacity(6);
  array->setGrowFactor(2);
  array->append(a);
  array->append(str("b"));
  CallbackRecorder rec;
  rec.attach(array);
  LLKCObjectArray* copy = array->copy();
  ASSERT_NE(copy, nullptr);
  EXPECT_EQ(copy->fetchAtIndex(0), a);
  EXPECT_EQ(a->retainCount(), 3u);
  EXPECT_EQ(copy->capacity(), 6u);
  EXPECT_FLOAT_EQ(copy->growFactor(), 2.0f);
  copy->append(str("c"));
  copy->removeAtIndex(0);
  EXPECT_TRUE(rec.changes.empty());
  EXPECT_TRUE(rec.asked.empty());
  EXPECT_EQ(texts(array), "a,b");
  LLKCObjectArray* fresh = LLKCObjectArray::array()->copy();
  ASSERT_NE(fresh, nullptr);
  EXPECT_EQ(fresh->capacity(), 0u);
  EXPECT_EQ(fresh->append(a), 0);
}

TEST_F(LLKCObjectArrayTest, DeepCopyStoresEachObjectsCopy) {
  LLKCData* data = LLKCData::dataWithBytes_length("xyz", 3);
  LLKCObjectArray* array = LLKCObjectArray::arrayWithObjects(data, str("s"));
  LLKCObjectArray* deep = array->deepCopy();
  ASSERT_NE(deep, nullptr);
  EXPECT_NE(deep->fetchAtIndex(0), data);
  EXPECT_EQ(deep->fetchAtIndex(0)->compareTo(data), 0);
  EXPECT_EQ(deep->fetchAtIndex(0)->retainCount(), 2u);  // the copy and the pool that has the autoreleased copy
  EXPECT_EQ(data->retainCount(), 2u);
  EXPECT_EQ(texts(deep), "-,s");
}

TEST_F(LLKCObjectArrayTest, DeepCopyWithANonCopyableObjectIsNil) {
  LLKBObject* plain = llk::autorelease(LLKBObject::new_());
  LLKBObject* s = str("s");
  LLKCObjectArray* array = LLKCObjectArray::arrayWithObjects(s, plain);
  EXPECT_EQ(array->deepCopy(), nullptr);
  EXPECT_EQ(s->retainCount(), 2u);
  EXPECT_EQ(array->copy()->fetchAtIndex(1), plain);  // a shallow copy does not need copies
  EXPECT_EQ(llk::autorelease(LLKCObjectArray::alloc()->initWithCopy_deep(s, false)), nullptr);
}
