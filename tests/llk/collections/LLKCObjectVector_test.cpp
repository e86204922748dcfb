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

TEST_F(LLKCObjectVectorTest, FactoriesFillTheFirstSlots) {
  EXPECT_EQ(LLKCObjectVector::vector()->capacity(), 0u);
  EXPECT_EQ(LLKCObjectVector::vectorWithCapacity(0)->capacity(), 1u);
  LLKCObjectVector* vector = LLKCObjectVector::vectorWithObjects(str("a"), str("b"), nullptr);
  EXPECT_EQ(slots(vector), "a,b");
  EXPECT_EQ(vector->count(), 2u);
  EXPECT_EQ(slots(vectorOfList(str("p"), str("q"), str("r"), nullptr)), "p,q,r");
  EXPECT_EQ(vectorOfList(nullptr)->count(), 0u);
}

TEST_F(LLKCObjectVectorTest, StashFillsTheFirstEmptySlotGrowsWhenFullAndAnswersFullWhenFixed) {
  LLKCObjectVector* vector = LLKCObjectVector::vectorWithObjects(str("a"), str("b"), str("c"), str("d"));
  EXPECT_EQ(vector->removeAtIndex(2), 0);
  EXPECT_EQ(vector->stash(str("x")), 0);
  EXPECT_EQ(slots(vector), "a,b,x,d");
  EXPECT_EQ(vector->stash(str("e")), 0);
  EXPECT_EQ(slots(vector), "a,b,x,d,e");
  EXPECT_EQ(LLKCObjectVector::vector()->stash(str("z")), 0);
  vector->setGrowFactor(0);
  LLKBObject* y = str("y");
  EXPECT_EQ(vector->stash(y), llk::kFull);
  EXPECT_EQ(y->retainCount(), 1u);
  vector->removeAtIndex(0);
  EXPECT_EQ(vector->stash(y), 0);  // a free slot needs no growing
  EXPECT_EQ(slots(vector), "y,b,x,d,e");
}

TEST_F(LLKCObjectVectorTest, SlotsAreStoredAndEmptiedInPlace) {
  LLKCObjectVector* vector = holey();
  LLKBObject* x = str("x");
  EXPECT_EQ(vector->append(x), llk::kNotSupported);
  EXPECT_EQ(vector->prepend(x), llk::kNotSupported);
  EXPECT_EQ(vector->insert_atIndex(x, 1), nullptr);
  EXPECT_EQ(vector->store_atIndex(x, 3), x);
  LLKBObject* y = str("y");
  EXPECT_EQ(vector->store_atIndex(y, 0), y);  // over an object
  EXPECT_EQ(vector->store_atIndex(str("q"), 4), nullptr);
  EXPECT_EQ(vector->store_atIndex(nullptr, 1), nullptr);
  EXPECT_EQ(slots(vector), "y,-,c,x");
  EXPECT_EQ(vector->count(), 3u);
  EXPECT_EQ(vector->remove(x), 0);
  EXPECT_EQ(vector->removeAtIndex(1), 0);  // already empty
  EXPECT_EQ(vector->removeAtIndex(4), llk::kOutOfRange);
  EXPECT_EQ(vector->remove(x), llk::kNotFound);
  EXPECT_EQ(vector->remove(nullptr), llk::kNotFound);
  EXPECT_EQ(slots(vector), "y,-,c,-");
  uint64_t index = 0;
  EXPECT_TRUE(vector->contains_atIndex(vector->fetchAtIndex(2), &index));
  EXPECT_EQ(index, 2u);
  EXPECT_FALSE(vector->contains(str("c")));
  vector->clear();
  EXPECT_EQ(slots(vector), "-,-,-,-");
  EXPECT_EQ(vector->count(), 0u);
}

TEST_F(LLKCObjectVectorTest, CompactAndResizeMoveObjectsToTheFront) {
  LLKCObjectVector* vector = LLKCObjectVector::vectorWithCapacity(6);
  vector->store_atIndex(str("b"), 3);
  vector->store_atIndex(str("a"), 1);
  vector->store_atIndex(str("c"), 5);
  EXPECT_EQ(vector->compact(), 0);
  EXPECT_EQ(slots(vector), "a,b,c,-,-,-");
  vector->store_atIndex(str("d"), 5);
  EXPECT_EQ(vector->resize(4), 0);  // compacted first, so nothing is lost
  EXPECT_EQ(slots(vector), "a,b,c,d");
  EXPECT_EQ(vector->resize(6), 0);
  EXPECT_EQ(slots(vector), "a,b,c,d,-,-");  // new slots are empty
  EXPECT_EQ(vector->resize(0), 0);  // never below the count
  EXPECT_EQ(vector->capacity(), 4u);
  EXPECT_EQ(vector->resize(UINT64_MAX), llk::kNoMemory);
}

TEST_F(LLKCObjectVectorTest, CallbacksAskAndReportOldThenNewAndVetoesChangeNothing) {
  LLKCObjectVector* vector = LLKCObjectVector::alloc()->initWithCapacity(4);
  vector->store_atIndex(str("a"), 0);
  vector->store_atIndex(str("c"), 2);
  CallbackRecorder rec;
  vector->setChangeCallback_withContext(&CallbackRecorder::change, &rec);
  vector->setAcceptCallback_withContext(&CallbackRecorder::accept, &rec);
  LLKBObject* a = vector->fetchAtIndex(0);
  LLKBObject* c = vector->fetchAtIndex(2);
  LLKBObject* x = str("x");
  LLKBObject* y = str("y");
  rec.veto = x;
  EXPECT_EQ(vector->stash(x), llk::kRefused);
  EXPECT_EQ(vector->store_atIndex(x, 1), nullptr);
  rec.veto = a;
  EXPECT_EQ(vector->store_atIndex(y, 0), nullptr);  // the old object may not go
  EXPECT_EQ(vector->removeAtIndex(0), llk::kRefused);
  rec.vetoOp = 1;
  EXPECT_EQ(vector->remove(a), llk::kRefused);  // asks op 0, then op 1
  EXPECT_EQ(slots(vector), "a,-,c,-");
  EXPECT_TRUE(rec.changes.empty());
  EXPECT_EQ(rec.asked, (std::vector<Event>{{0, x}, {0, x}, {0, y}, {1, a}, {1, a}, {0, a}, {1, a}}));
  rec.reset();
  rec.veto = nullptr;
  vector->store_atIndex(x, 0);
  vector->store_atIndex(y, 1);  // empty slot: no op 1
  vector->stash(a);
  vector->removeAtIndex(1);
  EXPECT_EQ(rec.asked, (std::vector<Event>{{0, x}, {1, a}, {0, y}, {0, a}, {1, y}}));
  vector->setAcceptCallback(nullptr);
  vector->release();
  EXPECT_EQ(rec.changes, (std::vector<Event>{{1, a}, {0, x}, {0, y}, {0, a}, {1, y}, {1, x}, {1, c}, {1, a}}));
}

TEST_F(LLKCObjectVectorTest, IterationAndMatchesSkipEmptySlots) {
  LLKCObjectVector* vector = LLKCObjectVector::vectorWithCapacity(5);
  vector->store_atIndex(str("x1"), 3);
  vector->store_atIndex(str("a"), 1);
  vector->store_atIndex(str("x2"), 4);
  std::string seen;
  for (LLKBObject* o : vector) seen += static_cast<LLKCString*>(o)->chars();
  EXPECT_EQ(seen, "ax1x2");
  auto isX = [](LLKBObject* o, void*) noexcept { return static_cast<LLKCString*>(o)->chars()[0] == 'x'; };
  EXPECT_TRUE(vector->removeFirstMatchWithFunction_andContext(isX, nullptr));
  EXPECT_EQ(slots(vector), "-,a,-,-,x2");
  vector->store_atIndex(str("x3"), 0);
  EXPECT_TRUE(vector->removeEachMatchWithFunction_andContext(isX, nullptr));
  EXPECT_EQ(slots(vector), "-,a,-,-,-");
  EXPECT_FALSE(vector->removeEachMatchWithFunction_andContext(isX, nullptr));
}

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
