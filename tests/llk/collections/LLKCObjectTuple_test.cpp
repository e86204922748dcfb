#include <txq/llk/collections/LLKCObjectTuple.h>

#include <gtest/gtest.h>

#include <cstdarg>
#include <string>
#include <vector>

#include <txq/llk/collections/LLKContainers.h>
#include <txq/llk/values/LLKCString.h>

#include "support/ObjectTest.h"

namespace {

std::string textOf(LLKBObject* o) {
  const char* chars = llk::send(o, &LLKBObject::toChars);
  return chars != nullptr ? chars : "-";
}

// Every slot in order, "-" for an empty one.
std::string slots(LLKCObjectTuple* tuple) {
  std::string out;
  for (LLKBObject* o : tuple) out += textOf(o);
  return out;
}

LLKCObjectTuple* tupleFromArguments(LLKBObject* head, ...) {
  va_list rest;
  va_start(rest, head);
  LLKCObjectTuple* tuple = LLKCObjectTuple::alloc()->initWithHead_and(head, rest);
  va_end(rest);
  return llk::autorelease(tuple);
}

int32_t byText(LLKBObject* a, LLKBObject* b, void* calls) {
  if (a == nullptr || b == nullptr) ADD_FAILURE() << "the sort function was given nil";
  ++*static_cast<int*>(calls);
  return textOf(a).compare(textOf(b));
}

}  // namespace

class LLKCObjectTupleTest : public txqtest::ObjectTest {};

TEST_F(LLKCObjectTupleTest, SlotsAreFixedStartEmptyAndAreFilledByStoreAndStach) {
  LLKCObjectTuple* tuple = LLKCObjectTuple::tupleWithCapacity(3);
  EXPECT_EQ(tuple->count(), 3u);
  EXPECT_EQ(slots(tuple), "---");
  EXPECT_EQ(tuple->head(), nullptr);
  EXPECT_EQ(tuple->tail(), nullptr);
  EXPECT_EQ(tuple->store_atIndex("a"_llk, 3), nullptr);  // past the last slot
  EXPECT_FALSE(tuple->stach(nullptr));
  EXPECT_TRUE(tuple->stach("a"_llk));
  EXPECT_TRUE(tuple->stach("b"_llk));
  tuple->removeAtIndex(0);
  EXPECT_TRUE(tuple->stach("c"_llk));
  EXPECT_EQ(slots(tuple), "cb-");
  LLKCString* key = "key"_llk;
  EXPECT_EQ(tuple->store_atIndex(key, 2), key);
  EXPECT_EQ(tuple->store_atIndex(key, 2), key);  // the same object again: still held once
  EXPECT_EQ(tuple->tail(), key);
  EXPECT_FALSE(tuple->stach("e"_llk));  // full
  EXPECT_EQ(tuple->store_atIndex(nullptr, 0), nullptr);
  EXPECT_EQ(slots(tuple), "-bkey");
  uint64_t at = 9;
  tuple->store_atIndex(key, 0);
  EXPECT_TRUE(tuple->contains_atIndex(key, &at));
  EXPECT_EQ(at, 0u);
  EXPECT_FALSE(tuple->contains(LLKCString::stringWithChars("key")));
  EXPECT_FALSE(LLKCObjectTuple::tupleWithCapacity(0)->stach("a"_llk));
}

TEST_F(LLKCObjectTupleTest, RemoveAutoreleasesAndRemoveAtIndexReleases) {
  LLKCObjectTuple* tuple = LLKCObjectTuple::tupleWithCapacity(2);
  LLKCString* a = LLKCString::alloc()->initWithChars("a");
  tuple->stach(a);
  a->release();  // the tuple is the only owner
  {
    llk::AutoreleaseScope scope;
    EXPECT_TRUE(tuple->remove(a));
    EXPECT_EQ(textOf(a), "a");  // alive until the pool drains
    EXPECT_EQ(a->retainCount(), 1u);
    EXPECT_EQ(tuple->fetchAtIndex(0), nullptr);
  }
  EXPECT_FALSE(tuple->remove(nullptr));
  LLKCString* b = LLKCString::stringWithChars("b");
  tuple->store_atIndex(b, 1);
  EXPECT_TRUE(tuple->removeAtIndex(1));
  EXPECT_EQ(b->retainCount(), 1u);
  EXPECT_FALSE(tuple->removeAtIndex(1));  // already empty
  EXPECT_FALSE(tuple->removeAtIndex(2));  // past the end
}

TEST_F(LLKCObjectTupleTest, FactoriesMakeOneSlotPerObject) {
  EXPECT_EQ(slots(LLKCObjectTuple::tupleWithObjects("a"_llk, nullptr, "b"_llk)), "a");
  EXPECT_EQ(LLKCObjectTuple::tupleWithObjects(nullptr)->count(), 0u);
  EXPECT_EQ(slots(tupleFromArguments("x"_llk, "y"_llk, "z"_llk, nullptr)), "xyz");
  EXPECT_EQ(tupleFromArguments(nullptr)->count(), 0u);
}

TEST_F(LLKCObjectTupleTest, ChangeCallbackFollowsEverySlotChange) {
  std::vector<std::string> events;
  LLKCObjectTuple* tuple = LLKCObjectTuple::alloc()->initWithCapacity(3);
  tuple->setCallback_withContext(
      [](uint32_t op, LLKBObject* o, void* c) {
        static_cast<std::vector<std::string>*>(c)->push_back(std::to_string(op) + textOf(o));
      },
      &events);
  tuple->stach("a"_llk);
  tuple->store_atIndex("b"_llk, 0);
  tuple->store_atIndex(nullptr, 0);
  tuple->store_atIndex("c"_llk, 2);
  tuple->stach("d"_llk);
  tuple->remove("d"_llk);
  tuple->stach("e"_llk);
  tuple->removeAtIndex(2);
  tuple->stach("f"_llk);
  tuple->release();  // deallocation: op 1 for each object left
  EXPECT_EQ(events, (std::vector<std::string>{"0a", "1a", "0b", "1b", "0c", "0d", "1d", "0e", "1c", "0f", "1e",
                                              "1f"}));
}

TEST_F(LLKCObjectTupleTest, RemoveEachMatchEmptiesEachSlotAsItReleases) {
  struct Watch {
    LLKCObjectTuple* tuple;
    std::vector<std::string> seen;
  } watch{LLKCObjectTuple::tupleWithObjects("x1"_llk, "a"_llk, "x2"_llk, "x3"_llk), {}};
  watch.tuple->setCallback_withContext(
      [](uint32_t, LLKBObject* o, void* c) {
        Watch* w = static_cast<Watch*>(c);
        w->seen.push_back(textOf(o) + ":" + slots(w->tuple));
      },
      &watch);
  EXPECT_TRUE(llk::removeIf(watch.tuple, [](LLKBObject* o) { return textOf(o)[0] == 'x'; }));
  EXPECT_EQ(watch.seen, (std::vector<std::string>{"x1:x1ax2x3", "x2:-ax2x3", "x3:-a-x3"}));
  EXPECT_EQ(slots(watch.tuple), "-a--");
  EXPECT_TRUE(watch.tuple->removeFirstMatchWithFunction_andContext([](LLKBObject*, void*) { return true; }, nullptr));
  EXPECT_EQ(slots(watch.tuple), "----");
  watch.tuple->setCallback(nullptr);
}

TEST_F(LLKCObjectTupleTest, SortOrdersTheObjectsAndPutsEmptySlotsLast) {
  LLKCObjectTuple* tuple = LLKCObjectTuple::tupleWithCapacity(6);
  tuple->store_atIndex("d"_llk, 0);
  tuple->store_atIndex("b"_llk, 2);
  tuple->store_atIndex("a"_llk, 3);
  tuple->store_atIndex("c"_llk, 5);
  int calls = 0;
  tuple->sortWithFunction_andContext(byText, &calls);
  EXPECT_GT(calls, 0);
  EXPECT_EQ(slots(tuple), "abcd--");
}

TEST_F(LLKCObjectTupleTest, CopiesKeepTheSlots) {
  LLKCObjectTuple* tuple = LLKCObjectTuple::tupleWithCapacity(3);
  tuple->store_atIndex(LLKCString::stringWithChars("a"), 0);
  tuple->store_atIndex(LLKCString::stringWithChars("c"), 2);
  LLKCObjectTuple* copy = tuple->copy();
  ASSERT_NE(copy, nullptr);
  EXPECT_EQ(slots(copy), "a-c");
  EXPECT_EQ(copy->head(), tuple->head());
  LLKCObjectTuple* deep = tuple->deepCopy();
  ASSERT_NE(deep, nullptr);
  EXPECT_EQ(slots(deep), "a-c");
  EXPECT_NE(deep->tail(), tuple->tail());
  tuple->store_atIndex(llk::autorelease(LLKBObject::new_()), 1);
  EXPECT_EQ(tuple->deepCopy(), nullptr);
}
