#include <txq/llk/collections/LLKCObjectVector.h>

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

class LLKCObjectVectorTest : public txqtest::ObjectTest {};

namespace {

// Every slot up to the capacity: the text of its object, "-" for an empty slot.
std::string slots(LLKCObjectVector* vector) {
  std::string out;
  for (uint64_t i = 0; i < vector->capacity(); ++i) {
    if (i > 0) out += ',';
    LLKCString* s = llk::cast<LLKCString>(vector->fetchAtIndex(i));
    out += s != nullptr ? std::string(s->view()) : std::string("-");
  }
  return out;
}

LLKCObjectVector* vectorOfList(LLKBObject* head, ...) {
  va_list rest;
  va_start(rest, head);
  LLKCObjectVector* vector = LLKCObjectVector::alloc()->initWithHead_andRest(head, rest);
  va_end(rest);
  return llk::autorelease(vector);
}

// a, -, c, - : capacity 4, count 2.
LLKCObjectVector* holey() {
  LLKCObjectVector* vector = LLKCObjectVector::vectorWithCapacity(4);
  vector->store_atIndex(str("a"), 0);
  vector->store_atIndex(str("c"), 2);
  return vector;
}

}  // namespace

// ---- Creation ----

TEST_F(LLKCObjectVectorTest, FactoriesFillTheFirstSlots) {
  LLKCObjectVector* empty = LLKCObjectVector::vector();
  EXPECT_EQ(empty->capacity(), 0u);
  EXPECT_EQ(empty->count(), 0u);
  EXPECT_EQ(LLKCObjectVector::vectorWithCapacity(0)->capacity(), 1u);
  LLKCObjectVector* vector = LLKCObjectVector::vectorWithObjects(str("a"), str("b"), nullptr);
  EXPECT_EQ(slots(vector), "a,b");
  EXPECT_EQ(vector->count(), 2u);
  EXPECT_EQ(slots(vectorOfList(str("p"), str("q"), str("r"), nullptr)), "p,q,r");
  EXPECT_EQ(vectorOfList(nullptr)->count(), 0u);
}

// ---- Slots ----

TEST_F(LLKCObjectVectorTest, StashFillsTheFirstEmptySlot) {
  LLKCObjectVector* vector = LLKCObjectVector::vectorWithObjects(str("a"), str("b"), str("c"), str("d"));
  EXPECT_EQ(vector->removeAtIndex(2), 0);
  EXPECT_EQ(slots(vector), "a,b,-,d");
  EXPECT_EQ(vector->count(), 3u);
  EXPECT_EQ(vector->stash(str("x")), 0);
  EXPECT_EQ(slots(vector), "a,b,x,d");
  EXPECT_EQ(vector->capacity(), 4u);
}

TEST_F(LLKCObjectVectorTest, StashIntoAFullVectorGrowsAndUsesTheFirstNewSlot) {
  LLKCObjectVector* vector = LLKCObjectVector::vectorWithObjects(str("a"), str("b"), str("c"), str("d"));
  EXPECT_EQ(vector->stash(str("e")), 0);
  EXPECT_EQ(vector->capacity(), 5u);
  EXPECT_EQ(slots(vector), "a,b,c,d,e");
  LLKCObjectVector* fresh = LLKCObjectVector::vector();
  EXPECT_EQ(fresh->stash(str("z")), 0);
  EXPECT_EQ(fresh->capacity(), 1u);
}

TEST_F(LLKCObjectVectorTest, StashIntoAFullFixedVectorAnswersFull) {
  LLKCObjectVector* vector = LLKCObjectVector::vectorWithObjects(str("a"), str("b"));
  vector->setGrowFactor(0);
  LLKBObject* x = str("x");
  EXPECT_EQ(vector->stash(x), llk::kFull);
  EXPECT_EQ(x->retainCount(), 1u);
  EXPECT_EQ(slots(vector), "a,b");
  vector->removeAtIndex(0);
  EXPECT_EQ(vector->stash(x), 0);  // a free slot needs no growing
  EXPECT_EQ(slots(vector), "x,b");
}

TEST_F(LLKCObjectVectorTest, PositionalAdditionsAreNotSupported) {
  LLKCObjectVector* vector = holey();
  LLKBObject* x = str("x");
  EXPECT_EQ(vector->append(x), llk::kNotSupported);
  EXPECT_EQ(vector->prepend(x), llk::kNotSupported);
  EXPECT_EQ(vector->insert_atIndex(x, 1), nullptr);
  EXPECT_EQ(x->retainCount(), 1u);
  EXPECT_EQ(slots(vector), "a,-,c,-");
}

TEST_F(LLKCObjectVectorTest, StoreTakesAnyIndexBelowTheCapacity) {
  LLKCObjectVector* vector = holey();
  LLKBObject* z = str("z");
  EXPECT_EQ(vector->store_atIndex(z, 3), z);
  EXPECT_EQ(vector->count(), 3u);
  LLKBObject* a = vector->fetchAtIndex(0);
  EXPECT_EQ(a->retainCount(), 2u);  // the pool's and the vector's
  LLKBObject* y = str("y");
  EXPECT_EQ(vector->store_atIndex(y, 0), y);  // over an object
  EXPECT_EQ(vector->fetchAtIndex(0), y);
  EXPECT_EQ(vector->count(), 3u);
  EXPECT_EQ(a->retainCount(), 1u);
  EXPECT_EQ(vector->store_atIndex(str("q"), 4), nullptr);
  EXPECT_EQ(vector->store_atIndex(nullptr, 1), nullptr);
  EXPECT_EQ(slots(vector), "y,-,c,z");
}

TEST_F(LLKCObjectVectorTest, RemovalEmptiesSlotsWithoutMovingOthers) {
  LLKCObjectVector* vector = LLKCObjectVector::vectorWithObjects(str("a"), str("b"), str("c"));
  LLKBObject* b = vector->fetchAtIndex(1);
  EXPECT_EQ(vector->remove(b), 0);
  EXPECT_EQ(slots(vector), "a,-,c");
  EXPECT_EQ(vector->removeAtIndex(1), 0);  // already empty
  EXPECT_EQ(vector->removeAtIndex(3), llk::kOutOfRange);
  EXPECT_EQ(vector->remove(b), llk::kNotFound);
  EXPECT_EQ(vector->remove(nullptr), llk::kNotFound);
  EXPECT_EQ(vector->count(), 2u);
  vector->clear();
  EXPECT_EQ(slots(vector), "-,-,-");
  EXPECT_EQ(vector->count(), 0u);
}

TEST_F(LLKCObjectVectorTest, CompactAndResizeMoveObjectsToTheFront) {
  LLKCObjectVector* vector = LLKCObjectVector::vectorWithCapacity(6);
  vector->store_atIndex(str("b"), 3);
  vector->store_atIndex(str("a"), 1);
  vector->store_atIndex(str("c"), 5);
  EXPECT_EQ(vector->compact(), 0);
  EXPECT_EQ(slots(vector), "a,b,c,-,-,-");
  EXPECT_EQ(vector->resize(8), 0);
  EXPECT_EQ(slots(vector), "a,b,c,-,-,-,-,-");  // new slots are empty

  LLKCObjectVector* shrinking = LLKCObjectVector::vectorWithCapacity(6);
  shrinking->store_atIndex(str("x"), 4);
  shrinking->store_atIndex(str("y"), 5);
  EXPECT_EQ(shrinking->resize(3), 0);  // compacted first, so nothing is lost
  EXPECT_EQ(slots(shrinking), "x,y,-");
  EXPECT_EQ(shrinking->resize(0), 0);  // never below the count
  EXPECT_EQ(slots(shrinking), "x,y");
  EXPECT_EQ(shrinking->resize(UINT64_MAX), llk::kNoMemory);
}

TEST_F(LLKCObjectVectorTest, ContainsReportsTheSlot) {
  LLKCObjectVector* vector = holey();
  uint64_t index = 0;
  EXPECT_TRUE(vector->contains_atIndex(vector->fetchAtIndex(2), &index));
  EXPECT_EQ(index, 2u);
  EXPECT_FALSE(vector->contains(str("c")));
  EXPECT_FALSE(vector->contains(nullptr));
}

// ---- Callbacks ----

TEST_F(LLKCObjectVectorTest, StoreOverAnObjectReportsOldThenNew) {
  LLKCObjectVector* vector = holey();
  CallbackRecorder rec;
  rec.attach(vector);
  LLKBObject* a = vector->fetchAtIndex(0);
  LLKBObject* x = str("x");
  LLKBObject* y = str("y");
  vector->store_atIndex(x, 0);
  vector->store_atIndex(y, 1);  // empty slot: no op 1
  vector->stash(a);
  vector->removeAtIndex(1);
  EXPECT_EQ(rec.asked, (std::vector<Event>{{0, x}, {1, a}, {0, y}, {0, a}, {1, y}}));
  EXPECT_EQ(rec.changes, (std::vector<Event>{{1, a}, {0, x}, {0, y}, {0, a}, {1, y}}));
  EXPECT_EQ(slots(vector), "x,-,c,a");
}

TEST_F(LLKCObjectVectorTest, AcceptVetoesLeaveTheSlotsUnchanged) {
  LLKCObjectVector* vector = holey();
  LLKBObject* a = vector->fetchAtIndex(0);
  LLKBObject* x = str("x");
  CallbackRecorder rec;
  rec.attach(vector);
  rec.veto = x;
  EXPECT_EQ(vector->stash(x), llk::kRefused);
  EXPECT_EQ(vector->store_atIndex(x, 1), nullptr);
  rec.veto = a;
  EXPECT_EQ(vector->store_atIndex(str("y"), 0), nullptr);  // the old object may not go
  EXPECT_EQ(vector->removeAtIndex(0), llk::kRefused);
  rec.vetoOp = 0;
  rec.asked.clear();
  EXPECT_EQ(vector->remove(a), llk::kRefused);
  EXPECT_EQ(rec.asked, (std::vector<Event>{{0, a}}));
  rec.vetoOp = 1;
  rec.asked.clear();
  EXPECT_EQ(vector->remove(a), llk::kRefused);
  EXPECT_EQ(rec.asked, (std::vector<Event>{{0, a}, {1, a}}));
  EXPECT_TRUE(rec.changes.empty());
  EXPECT_EQ(slots(vector), "a,-,c,-");
  EXPECT_EQ(x->retainCount(), 1u);
}

TEST_F(LLKCObjectVectorTest, DeallocReportsAndReleasesEachObject) {
  LLKBObject* a = str("a");
  LLKBObject* c = str("c");
  CallbackRecorder rec;
  LLKCObjectVector* vector = LLKCObjectVector::alloc()->initWithCapacity(3);
  vector->store_atIndex(c, 2);
  vector->store_atIndex(a, 0);
  vector->setChangeCallback_withContext(&CallbackRecorder::change, &rec);
  vector->release();
  EXPECT_EQ(rec.changes, (std::vector<Event>{{1, a}, {1, c}}));
  EXPECT_EQ(a->retainCount(), 1u);
  EXPECT_EQ(c->retainCount(), 1u);
}

// ---- Iteration ----

TEST_F(LLKCObjectVectorTest, IterationSkipsEmptySlots) {
  LLKCObjectVector* vector = LLKCObjectVector::vectorWithCapacity(5);
  vector->store_atIndex(str("b"), 3);
  vector->store_atIndex(str("a"), 1);
  std::string seen;
  for (LLKBObject* o : vector) seen += static_cast<LLKCString*>(o)->chars();
  EXPECT_EQ(seen, "ab");
  seen.clear();
  for (LLKCString* s : llk::typed<LLKCString>(vector)) seen += s->chars();
  EXPECT_EQ(seen, "ab");
  seen.clear();
  llk::forEach(vector, [&](LLKBObject* o) { seen += static_cast<LLKCString*>(o)->chars(); });
  EXPECT_EQ(seen, "ab");
  EXPECT_EQ(llk::findIf(vector, [](LLKBObject*) { return true; }), vector->fetchAtIndex(1));
  LLKCObjectVector* none = LLKCObjectVector::vectorWithCapacity(3);
  for (LLKBObject* o : none) ADD_FAILURE() << o;
}

TEST_F(LLKCObjectVectorTest, RemoveByMatchEmptiesOnlyTheMatchedSlots) {
  LLKCObjectVector* vector = LLKCObjectVector::vectorWithObjects(str("x1"), str("a"), str("x2"), str("b"));
  auto isX = [](LLKBObject* o, void*) noexcept { return static_cast<LLKCString*>(o)->chars()[0] == 'x'; };
  EXPECT_TRUE(vector->removeFirstMatchWithFunction_andContext(isX, nullptr));
  EXPECT_EQ(slots(vector), "-,a,x2,b");
  vector->store_atIndex(str("x3"), 0);
  EXPECT_TRUE(vector->removeEachMatchWithFunction_andContext(isX, nullptr));
  EXPECT_EQ(slots(vector), "-,a,-,b");
  EXPECT_EQ(vector->count(), 2u);
  EXPECT_FALSE(vector->removeEachMatchWithFunction_andContext(isX, nullptr));
}

// ---- Copies ----

TEST_F(LLKCObjectVectorTest, CopiesKeepTheSlots) {
  LLKCObjectVector* vector = holey();
  vector->setGrowFactor(0);
  LLKCObjectVector* copy = vector->copy();
  ASSERT_NE(copy, nullptr);
  EXPECT_EQ(slots(copy), "a,-,c,-");
  EXPECT_EQ(copy->count(), 2u);
  EXPECT_EQ(copy->fetchAtIndex(0), vector->fetchAtIndex(0));
  EXPECT_EQ(copy->growFactor(), 0.0f);
  LLKCObjectVector* deep = vector->deepCopy();
  ASSERT_NE(deep, nullptr);
  EXPECT_EQ(slots(deep), "a,-,c,-");
  EXPECT_NE(deep->fetchAtIndex(2), vector->fetchAtIndex(2));
  vector->store_atIndex(llk::autorelease(LLKBObject::new_()), 3);
  EXPECT_EQ(vector->deepCopy(), nullptr);
}
