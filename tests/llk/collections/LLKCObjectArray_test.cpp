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

bool startsWithX(LLKBObject* o, void*) noexcept { return static_cast<LLKCString*>(o)->chars()[0] == 'x'; }

}  // namespace

TEST_F(LLKCObjectArrayTest, FactoriesTakeObjectsUpToTheFirstNil) {
  EXPECT_EQ(LLKCObjectArray::array()->capacity(), 0u);
  EXPECT_FLOAT_EQ(LLKCObjectArray::array()->growFactor(), 0.25f);
  EXPECT_EQ(LLKCObjectArray::arrayWithCapacity(0)->capacity(), 1u);
  LLKCObjectArray* three = LLKCObjectArray::arrayWithObjects(str("a"), str("b"), str("c"));
  EXPECT_EQ(texts(three), "a,b,c");
  EXPECT_EQ(three->capacity(), 3u);
  EXPECT_EQ(texts(LLKCObjectArray::arrayWithObjects(str("a"), nullptr, str("b"))), "a");
  EXPECT_EQ(texts(arrayOfList(str("p"), str("q"), str("r"), nullptr)), "p,q,r");  // the list is read twice
  EXPECT_EQ(arrayOfList(nullptr)->capacity(), 1u);
}

TEST_F(LLKCObjectArrayTest, GrowthRoundsUpInSinglePrecisionAndFailsWithoutChange) {
  struct Case {
    uint64_t start;
    float factor;
    int appends;
    std::vector<uint64_t> capacities;
  };
  const Case cases[] = {
      {0, 0.25f, 10, {1, 2, 3, 4, 5, 7, 7, 9, 9, 12}},  // 0 -> 1, then capacity + ceil(capacity * factor)
      {10, 0.1f, 11, {10, 10, 10, 10, 10, 10, 10, 10, 10, 10, 11}},  // 10 * 0.1f is exactly 1 in float
  };
  for (const Case& c : cases) {
    LLKCObjectArray* array = c.start == 0 ? LLKCObjectArray::array() : LLKCObjectArray::arrayWithCapacity(c.start);
    array->setGrowFactor(c.factor);
    std::vector<uint64_t> seen;
    for (int i = 0; i < c.appends; ++i) {
      ASSERT_EQ(array->append(str("x")), 0);
      seen.push_back(array->capacity());
    }
    EXPECT_EQ(seen, c.capacities);
  }
  LLKCObjectArray* fixed = LLKCObjectArray::arrayWithObjects(str("a"));
  fixed->setGrowFactor(0);
  EXPECT_EQ(fixed->append(str("e")), llk::kFull);
  EXPECT_EQ(fixed->prepend(str("e")), llk::kFull);
  EXPECT_EQ(fixed->insert_atIndex(str("e"), 0), nullptr);
  fixed->setGrowFactor(-3);
  EXPECT_EQ(fixed->growFactor(), 0.0f);
  fixed->setGrowFactor(1e30f);
  EXPECT_EQ(fixed->append(str("b")), llk::kNoMemory);
  EXPECT_EQ(fixed->resize(UINT64_MAX), llk::kNoMemory);
  EXPECT_EQ(texts(fixed), "a");
  EXPECT_EQ(fixed->capacity(), 1u);
}

TEST_F(LLKCObjectArrayTest, ResizeAndCompactNeverDropBelowTheCount) {
  LLKCObjectArray* array = LLKCObjectArray::arrayWithObjects(str("a"), str("b"), str("c"));
  EXPECT_EQ(array->resize(10), 0);
  EXPECT_EQ(array->capacity(), 10u);
  EXPECT_EQ(array->resize(1), 0);
  EXPECT_EQ(array->capacity(), 3u);
  EXPECT_EQ(array->resize(20), 0);
  EXPECT_EQ(array->compact(), 0);
  EXPECT_EQ(array->capacity(), 3u);
  EXPECT_EQ(texts(array), "a,b,c");
  array->clear();
  EXPECT_EQ(array->capacity(), 3u);  // clear keeps the slots
}

TEST_F(LLKCObjectArrayTest, PositionsStatusCodesAndIdentity) {
  LLKBObject* a = str("a");
  LLKCObjectArray* array = LLKCObjectArray::arrayWithObjects(str("b"), str("d"));
  EXPECT_EQ(array->prepend(a), 0);
  LLKBObject* c = str("c");
  EXPECT_EQ(array->insert_atIndex(c, 2), c);
  EXPECT_EQ(array->insert_atIndex(str("e"), 4), nullptr);  // at the count: append is the way
  EXPECT_EQ(array->store_atIndex(str("q"), 4), nullptr);
  EXPECT_EQ(array->store_atIndex(a, 0), a);  // the same object again
  EXPECT_EQ(texts(array), "a,b,c,d");
  EXPECT_EQ(array->removeAtIndex(4), llk::kOutOfRange);
  EXPECT_EQ(array->remove(str("a")), llk::kNotFound);  // equal text, another object
  EXPECT_EQ(array->fetchAtIndex(4), nullptr);
  array->append(a);
  uint64_t index = 99;
  EXPECT_TRUE(array->contains_atIndex(a, &index));
  EXPECT_EQ(index, 0u);
  EXPECT_TRUE(array->contains_atIndex(c, nullptr));
  EXPECT_FALSE(array->contains_atIndex(str("c"), &index));
  EXPECT_EQ(index, 0u);
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

TEST_F(LLKCObjectArrayTest, CallbacksSeeAdditionsAfterRemovalsBeforeAndDeallocLast) {
  LLKBObject* a = str("a");
  LLKBObject* b = str("b");
  LLKBObject* c = str("c");
  LLKBObject* d = str("d");
  LLKCObjectArray* array = LLKCObjectArray::alloc()->init();
  struct Probe {
    LLKCObjectArray* array;
    std::vector<Event> seen;
    std::vector<bool> present;
  } probe{array, {}, {}};
  array->setChangeCallback_withContext(
      [](uint32_t op, LLKBObject* object, void* context) {
        Probe* p = static_cast<Probe*>(context);
        p->seen.emplace_back(op, object);
        if (p->array != nullptr) p->present.push_back(p->array->contains(object));
      },
      &probe);
  array->append(a);
  array->prepend(b);
  array->insert_atIndex(c, 1);  // b, c, a
  array->store_atIndex(d, 2);   // b, c, d
  array->removeAtIndex(0);
  array->append(a);
  probe.array = nullptr;
  array->release();
  EXPECT_EQ(probe.seen, (std::vector<Event>{{0, a}, {0, b}, {0, c}, {1, a}, {0, d}, {1, b}, {0, a}, {1, c}, {1, d},
                                            {1, a}}));
  EXPECT_EQ(probe.present, std::vector<bool>(7, true));
}

TEST_F(LLKCObjectArrayTest, AcceptVetoesLeaveEverythingUnchangedAndRemoveAsksBothOps) {
  LLKBObject* a = str("a");
  LLKBObject* x = str("x");
  LLKCObjectArray* array = LLKCObjectArray::arrayWithObjects(a, str("b"));
  CallbackRecorder rec;
  rec.attach(array);
  rec.veto = x;
  EXPECT_EQ(array->append(x), llk::kRefused);
  EXPECT_EQ(array->insert_atIndex(x, 0), nullptr);
  EXPECT_EQ(array->store_atIndex(x, 0), nullptr);  // op 0 for the new object refused
  rec.veto = a;
  rec.vetoOp = 1;
  EXPECT_EQ(array->store_atIndex(x, 0), nullptr);  // op 1 for the old object refused
  EXPECT_EQ(array->removeAtIndex(0), llk::kRefused);
  EXPECT_EQ(array->remove(a), llk::kRefused);  // remove asks op 0, then op 1
  EXPECT_EQ(rec.asked, (std::vector<Event>{{0, x}, {0, x}, {0, x}, {0, x}, {1, a}, {1, a}, {0, a}, {1, a}}));
  rec.reset();
  rec.vetoOp = 0;
  EXPECT_EQ(array->remove(a), llk::kRefused);
  EXPECT_EQ(rec.asked, (std::vector<Event>{{0, a}}));
  EXPECT_EQ(texts(array), "a,b");
  EXPECT_TRUE(rec.changes.empty());
  rec.reset();
  array->clear();  // clear does not ask
  EXPECT_TRUE(rec.asked.empty());
  EXPECT_EQ(rec.changes.size(), 2u);
}

TEST_F(LLKCObjectArrayTest, RemoveMatchesKeepOrderSkipVetoesAndClearEachSlotAsItsObjectGoes) {
  LLKBObject* keep = str("x-keep");
  LLKCObjectArray* vetoing = LLKCObjectArray::arrayWithObjects(str("x1"), keep, str("b"), str("x2"), str("c"));
  CallbackRecorder rec;
  rec.attach(vetoing);
  rec.veto = keep;
  EXPECT_TRUE(vetoing->removeEachMatchWithFunction_andContext(startsWithX, nullptr));
  EXPECT_EQ(texts(vetoing), "x-keep,b,c");
  EXPECT_FALSE(vetoing->removeEachMatchWithFunction_andContext(nullptr, nullptr));
  vetoing->append(str("x3"));
  vetoing->append(str("x4"));
  rec.veto = nullptr;
  EXPECT_TRUE(vetoing->removeFirstMatchWithFunction_andContext(startsWithX, nullptr));
  EXPECT_EQ(texts(vetoing), "b,c,x3,x4");

  LLKCObjectArray* array = LLKCObjectArray::array();
  for (const char* t : {"a", "b", "c"}) {
    LLKBObject* o = LLKCString::alloc()->initWithChars(t);
    array->append(o);
    o->release();  // the array is the only owner
  }
  EXPECT_FALSE(txqtest::removeIfSeesAFreedObject(array, 3, [](LLKBObject*) { return true; }));
  EXPECT_EQ(array->count(), 0u);
}

TEST_F(LLKCObjectArrayTest, IterationsRangeForAndTheLambdaHelpers) {
  LLKCObjectArray* array = LLKCObjectArray::arrayWithObjects(str("c"), str("a"), str("d"), str("b"));
  std::string seen;
  array->iterateWithFunction_andContext(
      [](LLKBObject* o, void* context) { *static_cast<std::string*>(context) += static_cast<LLKCString*>(o)->chars(); },
      &seen);
  for (LLKBObject* o : array) seen += static_cast<LLKCString*>(o)->chars();
  for (LLKCString* s : llk::typed<LLKCString>(array)) seen += s->chars();
  EXPECT_EQ(seen, "cadbcadbcadb");
  EXPECT_EQ(array->iterateUntilMatchWithFunction_andContext(startsWithX, nullptr), nullptr);
  llk::sort(array, [](LLKBObject* a, LLKBObject* b) { return txqtest::byText(a, b, nullptr); });
  EXPECT_EQ(texts(array), "a,b,c,d");
  int n = 0;
  llk::forEach(array, [&](LLKBObject*) { ++n; });
  EXPECT_EQ(n, 4);
  EXPECT_EQ(llk::findIf(array, [](LLKBObject* o) { return static_cast<LLKCString*>(o)->view() > "a"; }),
            array->fetchAtIndex(1));
  EXPECT_TRUE(llk::removeIf(array, [](LLKBObject* o) { return static_cast<LLKCString*>(o)->view() < "c"; }));
  EXPECT_EQ(texts(array), "c,d");
}

TEST_F(LLKCObjectArrayTest, CopiesKeepSettingsButNotCallbacksAndDeepCopiesNeedCopyableObjects) {
  LLKCData* data = LLKCData::dataWithBytes_length("xyz", 3);
  LLKCObjectArray* array = LLKCObjectArray::arrayWithCapacity(6);
  array->setGrowFactor(2);
  array->append(data);
  array->append(str("b"));
  CallbackRecorder rec;
  rec.attach(array);
  LLKCObjectArray* copy = array->copy();
  ASSERT_NE(copy, nullptr);
  EXPECT_EQ(copy->fetchAtIndex(0), data);
  EXPECT_EQ(copy->capacity(), 6u);
  EXPECT_FLOAT_EQ(copy->growFactor(), 2.0f);
  copy->removeAtIndex(0);
  EXPECT_TRUE(rec.changes.empty());
  EXPECT_TRUE(rec.asked.empty());
  LLKCObjectArray* deep = array->deepCopy();
  ASSERT_NE(deep, nullptr);
  EXPECT_NE(deep->fetchAtIndex(0), data);
  EXPECT_EQ(deep->fetchAtIndex(0)->compareTo(data), 0);
  EXPECT_EQ(texts(deep), "-,b");
  array->append(llk::autorelease(LLKBObject::new_()));
  EXPECT_EQ(array->deepCopy(), nullptr);
  EXPECT_NE(array->copy(), nullptr);
  EXPECT_EQ(LLKCObjectArray::array()->copy()->capacity(), 0u);
}
