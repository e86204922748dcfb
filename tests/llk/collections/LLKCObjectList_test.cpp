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

// ---- Spare nodes and capacity ----

TEST_F(LLKCObjectListTest, WithoutGrowingOnlySpareNodesAreUsed) {
  LLKCObjectList* list = LLKCObjectList::listWithCapacity(3);
  EXPECT_EQ(list->count(), 0u);
  EXPECT_EQ(list->capacity(), 3u);
  LLKCString* a = "a"_llk;
  EXPECT_EQ(list->append_andResizeIfNeeded(a, false), 0);
  EXPECT_EQ(list->prepend_andResizeIfNeeded("b"_llk, false), 0);
  EXPECT_EQ(list->insert_atIndex_andResizeIfNeeded("c"_llk, 1, false), 0);
  EXPECT_EQ(list->append_andResizeIfNeeded("d"_llk, false), 9);
  EXPECT_EQ(list->prepend_andResizeIfNeeded("d"_llk, false), 9);
  EXPECT_EQ(list->insert_atIndex_andResizeIfNeeded("d"_llk, 0, false), 9);
  EXPECT_EQ(contents(list), "b c a");
  EXPECT_EQ(list->capacity(), 3u);
  EXPECT_EQ(list->removeHead(), 0);
  EXPECT_EQ(list->capacity(), 3u);  // the node went back to the pool
  EXPECT_EQ(list->append_andResizeIfNeeded("d"_llk, false), 0);
  EXPECT_EQ(contents(list), "c a d");
}

TEST_F(LLKCObjectListTest, CapacityIsUsedPlusSpareNodes) {
  LLKCObjectList* list = LLKCObjectList::list();
  EXPECT_EQ(list->capacity(), 0u);
  list->append("a"_llk);
  list->append("b"_llk);
  list->append("c"_llk);
  EXPECT_EQ(list->capacity(), 3u);  // growing makes exactly the node it needs
  list->removeTail();
  EXPECT_EQ(list->count(), 2u);
  EXPECT_EQ(list->capacity(), 3u);
  EXPECT_EQ(list->resize(6), 0);
  EXPECT_EQ(list->capacity(), 6u);
  EXPECT_EQ(list->resize(1), 0);  // never below the count
  EXPECT_EQ(list->capacity(), 2u);
  EXPECT_EQ(list->resize(4), 0);
  EXPECT_EQ(list->compact(), 0);
  EXPECT_EQ(list->capacity(), 2u);
  list->clear();
  EXPECT_EQ(list->count(), 0u);
  EXPECT_EQ(list->capacity(), 2u);  // clear keeps the nodes as spare ones
  EXPECT_EQ(list->head(), nullptr);
  EXPECT_EQ(list->tail(), nullptr);
  EXPECT_EQ(list->compact(), 0);
  EXPECT_EQ(list->capacity(), 0u);
}

TEST_F(LLKCObjectListTest, SteadyTrafficReusesTheSameNodes) {
  LLKCObjectList* list = LLKCObjectList::listWithCapacity(2);
  for (int i = 0; i < 100; ++i) {
    ASSERT_EQ(list->append_andResizeIfNeeded("x"_llk, false), 0);
    ASSERT_EQ(list->append_andResizeIfNeeded("y"_llk, false), 0);
    ASSERT_EQ(list->removeHead(), 0);
    ASSERT_EQ(list->removeTail(), 0);
  }
  EXPECT_EQ(list->capacity(), 2u);
}

// ---- Statuses ----

TEST_F(LLKCObjectListTest, AddingNilDoesNothingAndAnswersZero) {
  Events events;
  LLKCObjectList* list = listOf({"a"});
  list->setCallback_withContext(record, &events);
  EXPECT_EQ(list->append(nullptr), 0);
  EXPECT_EQ(list->prepend(nullptr), 0);
  EXPECT_EQ(list->insert_atIndex(nullptr, 0), 0);
  EXPECT_EQ(list->append_andResizeIfNeeded(nullptr, false), 0);
  EXPECT_EQ(list->store_atIndex(nullptr, 0), nullptr);
  EXPECT_EQ(contents(list), "a");
  EXPECT_EQ(list->capacity(), 1u);
  EXPECT_TRUE(events.seen.empty());
  EXPECT_EQ(list->remove(nullptr), 5);
  EXPECT_FALSE(list->contains(nullptr));
  list->setCallback(nullptr);  // `events` ends before the pool releases the list
}

TEST_F(LLKCObjectListTest, InsertNeedsAnIndexBelowTheCount) {
  LLKCObjectList* list = LLKCObjectList::list();
  EXPECT_EQ(list->insert_atIndex("a"_llk, 0), 15);  // empty: use append
  list->append("a"_llk);
  list->append("c"_llk);
  EXPECT_EQ(list->insert_atIndex("x"_llk, 2), 15);
  EXPECT_EQ(list->insert_atIndex("b"_llk, 1), 0);
  EXPECT_EQ(list->insert_atIndex("0"_llk, 0), 0);
  EXPECT_EQ(contents(list), "0 a b c");
  EXPECT_EQ(list->capacity(), 4u);  // a refused insert took no node
}

TEST_F(LLKCObjectListTest, RemovalsAnswerFiveWhenNothingIsThere) {
  LLKCObjectList* list = LLKCObjectList::list();
  EXPECT_EQ(list->removeHead(), 5);
  EXPECT_EQ(list->removeTail(), 5);
  EXPECT_EQ(list->removeAtIndex(0), 5);
  list->append("a"_llk);
  EXPECT_EQ(list->removeAtIndex(1), 5);  // out of range is 5 for a list, not 15
  EXPECT_EQ(list->removeAtIndex(UINT64_MAX), 5);
  EXPECT_EQ(list->remove("b"_llk), 5);
  EXPECT_EQ(list->remove(LLKCString::stringWithChars("a")), 5);  // identity, not equality
  EXPECT_EQ(list->count(), 1u);
  EXPECT_EQ(list->removeAtIndex(0), 0);
}

// ---- Access ----

TEST_F(LLKCObjectListTest, PositionsRunFromHeadToTail) {
  LLKCObjectList* list = LLKCObjectList::list();
  EXPECT_EQ(list->fetchAtIndex(0), nullptr);
  LLKCString* a = "a"_llk;
  LLKCString* b = "b"_llk;
  LLKCString* c = "c"_llk;
  list->append(b);
  list->prepend(a);
  list->append(c);
  EXPECT_EQ(list->head(), a);
  EXPECT_EQ(list->tail(), c);
  EXPECT_EQ(list->atIndex(1), b);
  EXPECT_EQ(list->fetchAtIndex(2), c);
  EXPECT_EQ(list->fetchAtIndex(3), nullptr);
  EXPECT_EQ(list->fetchAtIndex(1), b);  // a miss past the end leaves the cursor usable
  uint64_t at = 99;
  list->append(b);
  EXPECT_TRUE(list->contains_atIndex(b, &at));
  EXPECT_EQ(at, 1u);  // the first occurrence
  EXPECT_FALSE(list->contains_atIndex("z"_llk, &at));
  EXPECT_EQ(at, 1u);
  EXPECT_TRUE(list->contains(c));
}

TEST_F(LLKCObjectListTest, CursorFollowsInsertionsBeforeIt) {
  LLKCObjectList* list = listOf({"a", "b", "c", "d", "e", "f"});
  EXPECT_EQ(textOf(list->fetchAtIndex(3)), "d");
  list->prepend("z"_llk);
  EXPECT_EQ(textOf(list->fetchAtIndex(3)), "c");
  EXPECT_EQ(textOf(list->fetchAtIndex(4)), "d");
  list->insert_atIndex("y"_llk, 4);  // right at the cursor: the cursor's node moves up
  EXPECT_EQ(textOf(list->fetchAtIndex(5)), "d");
  EXPECT_EQ(textOf(list->fetchAtIndex(4)), "y");
  list->insert_atIndex("w"_llk, 6);  // after the cursor: its index stays
  EXPECT_EQ(textOf(list->fetchAtIndex(3)), "c");
  EXPECT_EQ(contents(list), "z a b c y d w e f");
}

TEST_F(LLKCObjectListTest, CursorSurvivesRemovals) {
  // Long enough that positions near the cursor are reached from it rather than from an end.
  LLKCObjectList* list = listOf({"a", "b", "c", "d", "e", "f", "g", "h", "i", "j"});
  // The cursor's own node leaves: the cursor moves to the next node, same index.
  EXPECT_EQ(textOf(list->fetchAtIndex(4)), "e");
  EXPECT_EQ(list->removeAtIndex(4), 0);
  EXPECT_EQ(textOf(list->fetchAtIndex(5)), "g");
  EXPECT_EQ(textOf(list->fetchAtIndex(3)), "d");
  // A node before the cursor leaves: the cursor's index drops by one.
  EXPECT_EQ(textOf(list->fetchAtIndex(5)), "g");
  EXPECT_EQ(list->removeHead(), 0);
  EXPECT_EQ(textOf(list->fetchAtIndex(4)), "g");
  EXPECT_EQ(textOf(list->fetchAtIndex(3)), "f");
  // The cursor on the tail leaves: the cursor moves back to the previous node, index one less.
  EXPECT_EQ(contents(list), "b c d f g h i j");
  EXPECT_EQ(textOf(list->fetchAtIndex(7)), "j");
  EXPECT_EQ(list->removeTail(), 0);
  EXPECT_EQ(textOf(list->fetchAtIndex(5)), "h");
  EXPECT_EQ(textOf(list->fetchAtIndex(4)), "g");
  // Removal by object before the cursor.
  LLKBObject* c = list->fetchAtIndex(1);
  EXPECT_EQ(textOf(list->fetchAtIndex(4)), "g");
  EXPECT_EQ(list->remove(c), 0);
  EXPECT_EQ(textOf(list->fetchAtIndex(3)), "g");
  EXPECT_EQ(textOf(list->fetchAtIndex(2)), "f");
  EXPECT_EQ(contents(list), "b d f g h i");
  // The last node leaves with the cursor on it.
  while (list->count() > 1) list->removeHead();
  EXPECT_EQ(textOf(list->fetchAtIndex(0)), "i");
  list->removeHead();
  EXPECT_EQ(list->fetchAtIndex(0), nullptr);
  list->append("k"_llk);
  list->append("l"_llk);
  EXPECT_EQ(contents(list), "k l");
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

// ---- Ownership ----

TEST_F(LLKCObjectListTest, RetainsWhatItHoldsAndReleasesWhatLeaves) {
  LLKCString* a = LLKCString::stringWithChars("a");
  LLKCString* b = LLKCString::stringWithChars("b");
  const uint32_t base = a->retainCount();
  LLKCObjectList* list = LLKCObjectList::alloc()->init();
  list->append(a);
  list->append(a);
  EXPECT_EQ(a->retainCount(), base + 2);
  list->removeAtIndex(0);
  EXPECT_EQ(a->retainCount(), base + 1);
  EXPECT_EQ(list->store_atIndex(b, 0), b);
  EXPECT_EQ(a->retainCount(), base);
  EXPECT_EQ(b->retainCount(), base + 1);
  list->append(a);
  list->clear();
  EXPECT_EQ(a->retainCount(), base);
  EXPECT_EQ(b->retainCount(), base);
  list->append(a);
  list->prepend(b);
  list->release();
  EXPECT_EQ(a->retainCount(), base);
  EXPECT_EQ(b->retainCount(), base);
}

TEST_F(LLKCObjectListTest, DeallocationTellsTheCallbackThenReleases) {
  Events events;
  LLKCObjectList* list = LLKCObjectList::alloc()->init();
  for (const char* text : {"a", "b", "c"}) {
    LLKCString* s = owned(text);
    list->append(s);
    s->release();  // the list is now the only owner
  }
  list->setCallback_withContext(record, &events);
  list->release();
  EXPECT_EQ(events.seen, (std::vector<std::string>{"-a", "-b", "-c"}));
}

TEST_F(LLKCObjectListTest, ChangeCallbackSeesAdditionsAfterAndRemovalsBefore) {
  Events events;
  LLKCObjectList* list = LLKCObjectList::list();
  list->setChangeCallback_withContext(record, &events);
  for (const char* text : {"a", "b", "c", "d", "e"}) {
    LLKCString* s = owned(text);
    list->append(s);
    s->release();
  }
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
  EXPECT_EQ(events.seen, (std::vector<std::string>{"+a", "+b", "+c", "+d", "+e", "+z", "+y", "-a", "-z", "-e",
                                                   "-y", "-s", "-c", "-d"}));
  list->setAcceptCallback([](uint32_t, LLKBObject*, void*) { return false; });  // lists have none
  EXPECT_EQ(list->append("q"_llk), 0);
  list->setCallback(nullptr);
}

// ---- Iteration ----

TEST_F(LLKCObjectListTest, IterationsWalkFromHeadToTail) {
  LLKCObjectList* list = listOf({"a", "b", "c", "b"});
  std::string seen;
  list->iterateWithFunction_andContext([](LLKBObject* o, void* c) { *static_cast<std::string*>(c) += textOf(o); },
                                       &seen);
  EXPECT_EQ(seen, "abcb");
  LLKBObject* hit = list->iterateUntilMatchWithFunction_andContext(
      [](LLKBObject* o, void*) { return textOf(o) == "b"; }, nullptr);
  EXPECT_EQ(hit, list->fetchAtIndex(1));
  EXPECT_EQ(llk::findIf(list, [](LLKBObject* o) { return textOf(o) == "q"; }), nullptr);
  std::string ranged;
  for (LLKBObject* o : list) ranged += textOf(o);
  EXPECT_EQ(ranged, "abcb");
  std::string typed;
  for (LLKCString* s : llk::typed<LLKCString>(list)) typed += s->chars();
  EXPECT_EQ(typed, "abcb");
  LLKCObjectList* empty = LLKCObjectList::list();
  for (LLKBObject* o : empty) ADD_FAILURE() << textOf(o);
}

TEST_F(LLKCObjectListTest, RemoveEachMatchUnlinksEachAsItIsReleased) {
  struct Watch {
    LLKCObjectList* list;
    std::vector<std::string> seen;
  } watch{listOf({"x1", "a", "x2", "b", "x3"}), {}};
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
  EXPECT_FALSE(llk::removeIf(watch.list, [](LLKBObject*) { return false; }));
  EXPECT_TRUE(watch.list->removeFirstMatchWithFunction_andContext([](LLKBObject*, void*) { return true; }, nullptr));
  EXPECT_EQ(contents(watch.list), "b");
  EXPECT_FALSE(watch.list->removeFirstMatchWithFunction_andContext(nullptr, nullptr));
  EXPECT_EQ(watch.list->capacity(), 5u);  // the nodes are spare ones now
  watch.list->setCallback(nullptr);
}

// ---- Creation and copies ----

TEST_F(LLKCObjectListTest, FactoriesTakeObjectsUpToTheFirstNil) {
  LLKCString* a = "a"_llk;
  LLKCString* b = "b"_llk;
  LLKCObjectList* list = LLKCObjectList::listWithObjects(a, b, a);
  EXPECT_EQ(contents(list), "a b a");
  EXPECT_EQ(list->capacity(), 3u);
  EXPECT_EQ(contents(LLKCObjectList::listWithObjects(a, nullptr, b)), "a");
  EXPECT_EQ(LLKCObjectList::listWithObjects(nullptr)->count(), 0u);
  LLKCObjectList* varargs = listFromArguments(b, a, b, nullptr);
  EXPECT_EQ(contents(varargs), "b a b");
  EXPECT_EQ(varargs->capacity(), 3u);
  EXPECT_EQ(listFromArguments(nullptr)->count(), 0u);
  LLKCObjectList* made = llk::autorelease(LLKCObjectList::alloc()->initWithObjects(b, b));
  EXPECT_EQ(contents(made), "b b");
}

TEST_F(LLKCObjectListTest, CopyHoldsTheSameObjectsWithoutCallbacks) {
  Events events;
  LLKCObjectList* list = listOf({"a", "b", "c"});
  list->resize(10);
  list->setCallback_withContext(record, &events);
  LLKCObjectList* copy = list->copy();
  ASSERT_NE(copy, nullptr);
  ASSERT_NE(copy, list);
  EXPECT_EQ(copy->count(), 3u);
  EXPECT_EQ(copy->capacity(), 3u);
  for (uint64_t i = 0; i < 3; ++i) EXPECT_EQ(copy->fetchAtIndex(i), list->fetchAtIndex(i));
  copy->removeHead();
  copy->append("d"_llk);
  EXPECT_TRUE(events.seen.empty());
  EXPECT_EQ(contents(list), "a b c");
  LLKCObjectList* deep = list->deepCopy();
  ASSERT_NE(deep, nullptr);
  EXPECT_EQ(contents(deep), "a b c");
  EXPECT_NE(deep->head(), list->head());
  EXPECT_EQ(deep->head()->compareTo(list->head()), 0);
  list->setCallback(nullptr);
}

TEST_F(LLKCObjectListTest, DeepCopyOfAnUncopyableObjectIsNil) {
  LLKCObjectList* list = listOf({"a"});
  LLKBObject* plain = llk::autorelease(LLKBObject::new_());
  list->append(plain);
  EXPECT_EQ(list->deepCopy(), nullptr);
  EXPECT_NE(list->copy(), nullptr);
}
