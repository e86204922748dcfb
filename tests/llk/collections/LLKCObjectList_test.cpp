#include <txq/llk/collections/LLKCObjectList.h>

#include <gtest/gtest.h>

#include <cstdarg>
#include <random>
#include <string>
#include <vector>

#include <txq/llk/collections/LLKContainers.h>
#include <txq/llk/values/LLKCString.h>

#include "support/ObjectTest.h"

namespace {

// A string whose only owner is whoever it is handed to (the caller releases its +1 after storing).
LLKCString* owned(const char* text) { return LLKCString::alloc()->initWithChars(text); }

std::string textOf(LLKBObject* o) {
  const char* chars = llk::send(o, &LLKBObject::toChars);
  return chars != nullptr ? chars : "<nil>";
}

// The list's objects by index, as text ("a b c").
std::string contents(LLKCObjectList* list) {
  std::string out;
  for (uint64_t i = 0; i < list->count(); ++i) out += (i > 0 ? " " : "") + textOf(list->fetchAtIndex(i));
  return out;
}

struct Events {
  std::vector<std::string> seen;  // "+a" after an addition, "-a" before a removal
};

// Appends each text as a string that only the list owns.
void appendOwned(LLKCObjectList* list, std::initializer_list<const char*> texts) {
  for (const char* text : texts) {
    LLKCString* s = owned(text);
    list->append(s);
    s->release();
  }
}

// Reads the object's text, which would fault (and fail under the sanitizers) if it were already freed.
void record(uint32_t op, LLKBObject* object, void* context) {
  static_cast<Events*>(context)->seen.push_back((op == 0 ? "+" : "-") + textOf(object));
}

LLKCObjectList* listOf(std::initializer_list<const char*> texts) {
  LLKCObjectList* list = LLKCObjectList::list();
  for (const char* text : texts) list->append(LLKCString::stringWithChars(text));
  return list;
}

LLKCObjectList* listFromArguments(LLKBObject* head, ...) {
  va_list rest;
  va_start(rest, head);
  LLKCObjectList* list = LLKCObjectList::alloc()->initWithHead_andRest(head, rest);
  va_end(rest);
  return llk::autorelease(list);
}

}  // namespace

class LLKCObjectListTest : public txqtest::ObjectTest {};

TEST_F(LLKCObjectListTest, SpareNodesCapacityAndStatusCodes) {
  LLKCObjectList* list = LLKCObjectList::listWithCapacity(3);
  EXPECT_EQ(list->capacity(), 3u);
  EXPECT_EQ(list->insert_atIndex("a"_llk, 0), 15);  // empty: use append
  EXPECT_EQ(list->append_andResizeIfNeeded("a"_llk, false), 0);
  EXPECT_EQ(list->prepend_andResizeIfNeeded("b"_llk, false), 0);
  EXPECT_EQ(list->insert_atIndex_andResizeIfNeeded("c"_llk, 1, false), 0);
  EXPECT_EQ(list->append_andResizeIfNeeded("d"_llk, false), 9);
  EXPECT_EQ(list->prepend_andResizeIfNeeded("d"_llk, false), 9);
  EXPECT_EQ(list->insert_atIndex_andResizeIfNeeded("d"_llk, 0, false), 9);
  EXPECT_EQ(list->insert_atIndex("x"_llk, 3), 15);
  EXPECT_EQ(contents(list), "b c a");
  EXPECT_EQ(list->removeHead(), 0);
  EXPECT_EQ(list->append_andResizeIfNeeded("d"_llk, false), 0);  // the node went back to the pool
  EXPECT_EQ(list->capacity(), 3u);
  EXPECT_EQ(list->removeAtIndex(3), 5);  // out of range is 5 for a list, not 15
  EXPECT_EQ(list->remove(LLKCString::stringWithChars("a")), 5);  // identity, not equality
  EXPECT_EQ(list->resize(6), 0);
  EXPECT_EQ(list->capacity(), 6u);
  EXPECT_EQ(list->resize(1), 0);  // never below the count
  EXPECT_EQ(list->capacity(), 3u);
  list->clear();
  EXPECT_EQ(list->capacity(), 3u);  // clear keeps the nodes as spare ones
  EXPECT_EQ(list->removeHead(), 5);
  EXPECT_EQ(list->removeTail(), 5);
  EXPECT_EQ(list->head(), nullptr);
  EXPECT_EQ(list->compact(), 0);
  EXPECT_EQ(list->capacity(), 0u);
}

TEST_F(LLKCObjectListTest, AddingNilDoesNothingAndAnswersZero) {
  Events events;
  LLKCObjectList* list = listOf({"a"});
  list->setCallback_withContext(record, &events);
  EXPECT_EQ(list->append(nullptr), 0);
  EXPECT_EQ(list->prepend(nullptr), 0);
  EXPECT_EQ(list->insert_atIndex(nullptr, 0), 0);
  EXPECT_EQ(list->store_atIndex(nullptr, 0), nullptr);
  EXPECT_EQ(contents(list), "a");
  EXPECT_EQ(list->capacity(), 1u);
  EXPECT_TRUE(events.seen.empty());
  EXPECT_EQ(list->remove(nullptr), 5);
  list->setCallback(nullptr);  // `events` ends before the pool releases the list
}

// After every step of a seeded random run of insertions, removals and stores, each position holds
// what a plain vector holds, read forwards, backwards and from where the cursor was left.
TEST_F(LLKCObjectListTest, CursorStaysConsistentThroughRandomChanges) {
  std::mt19937 random(20240611u);
  std::vector<LLKCString*> objects;
  for (int i = 0; i < 24; ++i) objects.push_back(LLKCString::stringWithFormat("o%d", i));
  LLKCObjectList* list = LLKCObjectList::listWithCapacity(4);
  std::vector<LLKBObject*> model;
  auto pick = [&](uint64_t n) { return static_cast<uint64_t>(random() % n); };

  for (int step = 0; step < 600; ++step) {
    // Leave the cursor somewhere first, so that the change has to keep it right.
    if (!model.empty()) {
      uint64_t at = pick(model.size());
      ASSERT_EQ(list->fetchAtIndex(at), model[at]) << "step " << step;
    }
    LLKCString* o = objects[pick(objects.size())];
    const uint64_t n = model.size();
    switch (pick(n < 3 ? 4 : 9)) {
      case 0:
        ASSERT_EQ(list->append(o), 0);
        model.push_back(o);
        break;
      case 1:
        ASSERT_EQ(list->prepend(o), 0);
        model.insert(model.begin(), o);
        break;
      case 2:
        if (n > 0) {
          uint64_t at = pick(n);
          ASSERT_EQ(list->insert_atIndex(o, at), 0);
          model.insert(model.begin() + static_cast<std::ptrdiff_t>(at), o);
        }
        break;
      case 3:
        if (n > 0) {
          uint64_t at = pick(n);
          ASSERT_EQ(list->store_atIndex(o, at), o);
          model[at] = o;
        }
        break;
      case 4:
      case 5: {
        uint64_t at = pick(n);
        ASSERT_EQ(list->removeAtIndex(at), 0);
        model.erase(model.begin() + static_cast<std::ptrdiff_t>(at));
        break;
      }
      case 6: {
        LLKBObject* victim = model[pick(n)];
        ASSERT_EQ(list->remove(victim), 0);
        for (auto it = model.begin(); it != model.end(); ++it) {
          if (*it == victim) {
            model.erase(it);
            break;
          }
        }
        break;
      }
      case 7:
        ASSERT_EQ(list->removeHead(), 0);
        model.erase(model.begin());
        break;
      case 8:
        ASSERT_EQ(list->removeTail(), 0);
        model.pop_back();
        break;
    }
    ASSERT_EQ(list->count(), model.size()) << "step " << step;
    if (model.empty()) continue;
    uint64_t probe = pick(model.size());
    ASSERT_EQ(list->fetchAtIndex(probe), model[probe]) << "step " << step << " probe " << probe;
    for (uint64_t i = 0; i < model.size(); ++i) ASSERT_EQ(list->fetchAtIndex(i), model[i]) << "step " << step;
    for (uint64_t i = model.size(); i-- > 0;) ASSERT_EQ(list->fetchAtIndex(i), model[i]) << "step " << step;
    ASSERT_EQ(list->head(), model.front());
    ASSERT_EQ(list->tail(), model.back());
    ASSERT_EQ(list->fetchAtIndex(model.size()), nullptr);
  }
}

TEST_F(LLKCObjectListTest, ChangeCallbackSeesAdditionsAfterRemovalsBeforeAndDeallocLast) {
  Events events;
  LLKCObjectList* list = LLKCObjectList::alloc()->init();
  list->setChangeCallback_withContext(record, &events);
  list->setAcceptCallback([](uint32_t, LLKBObject*, void*) { return false; });  // lists have none
  appendOwned(list, {"a", "b", "c", "d", "e"});
  LLKCString* z = owned("z");
  list->prepend(z);
  z->release();
  LLKCString* y = owned("y");
  list->insert_atIndex(y, 2);
  y->release();
  list->store_atIndex("s"_llk, 3);  // no callbacks for a store
  list->removeAtIndex(1);
  list->removeHead();
  list->removeTail();
  list->remove(list->head());
  list->clear();
  appendOwned(list, {"f", "g"});
  list->release();
  EXPECT_EQ(events.seen, (std::vector<std::string>{"+a", "+b", "+c", "+d", "+e", "+z", "+y", "-a", "-z", "-e",
                                                   "-y", "-s", "-c", "-d", "+f", "+g", "-f", "-g"}));
}

TEST_F(LLKCObjectListTest, RemoveEachMatchUnlinksEachAsItIsReleased) {
  struct Watch {
    LLKCObjectList* list;
    std::vector<std::string> seen;
  } watch{LLKCObjectList::list(), {}};
  appendOwned(watch.list, {"x1", "a", "x2", "b", "x3"});
  watch.list->setCallback_withContext(
      [](uint32_t op, LLKBObject* o, void* c) {
        Watch* w = static_cast<Watch*>(c);
        // What the callback sees of the list: the earlier matches are gone already.
        w->seen.push_back(std::to_string(op) + textOf(o) + ":" + contents(w->list));
      },
      &watch);
  EXPECT_TRUE(llk::removeIf(watch.list, [](LLKBObject* o) { return textOf(o)[0] == 'x'; }));
  EXPECT_EQ(contents(watch.list), "a b");
  EXPECT_EQ(watch.seen, (std::vector<std::string>{"1x1:x1 a x2 b x3", "1x2:a x2 b x3", "1x3:a b x3"}));
  EXPECT_TRUE(watch.list->removeFirstMatchWithFunction_andContext([](LLKBObject*, void*) { return true; }, nullptr));
  EXPECT_EQ(contents(watch.list), "b");
  EXPECT_FALSE(watch.list->removeFirstMatchWithFunction_andContext(nullptr, nullptr));
  watch.list->setCallback(nullptr);
}

TEST_F(LLKCObjectListTest, IterationsAndTheLambdaHelpersWalkFromHeadToTail) {
  LLKCObjectList* list = listOf({"a", "b", "c", "b"});
  std::string seen;
  list->iterateWithFunction_andContext([](LLKBObject* o, void* c) { *static_cast<std::string*>(c) += textOf(o); },
                                       &seen);
  for (LLKBObject* o : list) seen += textOf(o);
  for (LLKCString* s : llk::typed<LLKCString>(list)) seen += s->chars();
  EXPECT_EQ(seen, "abcbabcbabcb");
  EXPECT_EQ(llk::findIf(list, [](LLKBObject* o) { return textOf(o) == "b"; }), list->fetchAtIndex(1));
  uint64_t at = 99;
  list->append(list->fetchAtIndex(1));
  EXPECT_TRUE(list->contains_atIndex(list->tail(), &at));
  EXPECT_EQ(at, 1u);  // the first occurrence
}

TEST_F(LLKCObjectListTest, FactoriesTakeObjectsUpToTheFirstNilAndCopiesHaveNoCallbacks) {
  LLKCString* a = "a"_llk;
  LLKCString* b = "b"_llk;
  EXPECT_EQ(contents(LLKCObjectList::listWithObjects(a, nullptr, b)), "a");
  LLKCObjectList* list = listFromArguments(b, a, b, nullptr);
  EXPECT_EQ(contents(list), "b a b");
  EXPECT_EQ(list->capacity(), 3u);
  EXPECT_EQ(listFromArguments(nullptr)->count(), 0u);
  Events events;
  list->resize(10);
  list->setCallback_withContext(record, &events);
  LLKCObjectList* copy = list->copy();
  ASSERT_NE(copy, nullptr);
  EXPECT_EQ(copy->capacity(), 3u);
  for (uint64_t i = 0; i < 3; ++i) EXPECT_EQ(copy->fetchAtIndex(i), list->fetchAtIndex(i));
  copy->removeHead();
  EXPECT_TRUE(events.seen.empty());
  LLKCObjectList* deep = list->deepCopy();
  ASSERT_NE(deep, nullptr);
  EXPECT_EQ(contents(deep), "b a b");
  EXPECT_NE(deep->head(), list->head());
  list->setCallback(nullptr);
  list->append(llk::autorelease(LLKBObject::new_()));
  EXPECT_EQ(list->deepCopy(), nullptr);
}
