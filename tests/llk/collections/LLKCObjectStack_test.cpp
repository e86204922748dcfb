#include <txq/llk/collections/LLKCObjectStack.h>

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include <txq/llk/collections/LLKContainers.h>
#include <txq/llk/values/LLKCString.h>

#include "llk/collections/SequenceTestSupport.h"
#include "support/ObjectTest.h"

using txqtest::CallbackRecorder;
using txqtest::Event;
using txqtest::str;
using txqtest::texts;

class LLKCObjectStackTest : public txqtest::ObjectTest {};

TEST_F(LLKCObjectStackTest, PopAnswersTheLastPushed) {
  LLKCObjectStack* stack = LLKCObjectStack::stack();
  LLKBObject* a = str("a");
  LLKBObject* b = str("b");
  EXPECT_EQ(stack->push(a), 0);
  EXPECT_EQ(stack->push(b), 0);
  EXPECT_EQ(stack->count(), 2u);
  EXPECT_EQ(stack->peek(), b);
  EXPECT_EQ(stack->pop(), b);
  EXPECT_EQ(stack->pop(), a);
  EXPECT_EQ(stack->pop(), nullptr);
  EXPECT_EQ(stack->peek(), nullptr);
  EXPECT_EQ(stack->push(nullptr), llk::kNilArgument);
  EXPECT_EQ(stack->count(), 0u);
}

TEST_F(LLKCObjectStackTest, PoppedObjectStaysValidUntilThePoolDrains) {
  LLKCObjectStack* stack = LLKCObjectStack::alloc()->initWithCapacity(1);
  LLKBObject* only = LLKCString::alloc()->initWithChars("only");
  stack->push(only);
  only->release();  // the stack is its only owner
  const int64_t live = LLKFLiveObjectCount();
  {
    llk::AutoreleaseScope scope;
    LLKBObject* popped = stack->pop();
    ASSERT_EQ(popped, only);
    EXPECT_EQ(stack->count(), 0u);
    EXPECT_EQ(popped->retainCount(), 1u);  // held by the pool alone
    EXPECT_EQ(static_cast<LLKCString*>(popped)->view(), "only");
  }
#if TXQ_LIVE_OBJECTS
  EXPECT_EQ(LLKFLiveObjectCount(), live - 1);  // freed when the pool drained
#else
  (void)live;
#endif
  stack->release();
}

TEST_F(LLKCObjectStackTest, PeekLeavesTheTopAndLendsItThroughThePool) {
  LLKCObjectStack* stack = LLKCObjectStack::stackWithCapacity(4);
  EXPECT_EQ(stack->capacity(), 4u);
  LLKBObject* a = str("a");
  stack->push(a);
  EXPECT_EQ(a->retainCount(), 2u);
  EXPECT_EQ(stack->peek(), a);
  EXPECT_EQ(a->retainCount(), 3u);  // one more until the pool drains
  EXPECT_EQ(stack->count(), 1u);
}

TEST_F(LLKCObjectStackTest, GrowsOnPushAndIteratesBottomToTop) {
  LLKCObjectStack* stack = LLKCObjectStack::stackWithCapacity(1);
  for (const char* t : {"a", "b", "c", "d", "e"}) ASSERT_EQ(stack->push(str(t)), 0);
  EXPECT_GE(stack->capacity(), 5u);
  EXPECT_EQ(texts(stack), "a,b,c,d,e");
  std::string seen;
  for (LLKBObject* o : stack) seen += static_cast<LLKCString*>(o)->chars();
  EXPECT_EQ(seen, "abcde");
  seen.clear();
  llk::forEach(stack, [&](LLKBObject* o) { seen += static_cast<LLKCString*>(o)->chars(); });
  EXPECT_EQ(seen, "abcde");
  EXPECT_EQ(llk::findIf(stack, [](LLKBObject* o) { return static_cast<LLKCString*>(o)->view() > "b"; }),
            stack->fetchAtIndex(2));
  EXPECT_TRUE(llk::removeIf(stack, [](LLKBObject* o) { return static_cast<LLKCString*>(o)->view() < "c"; }));
  EXPECT_EQ(texts(stack), "c,d,e");
  EXPECT_TRUE(stack->removeFirstMatchWithFunction_andContext([](LLKBObject*, void*) { return true; }, nullptr));
  EXPECT_EQ(texts(stack), "d,e");
}

TEST_F(LLKCObjectStackTest, RemoveContainsAndClearAreTheDequesOwn) {
  LLKBObject* a = str("a");
  LLKBObject* b = str("b");
  LLKCObjectStack* stack = LLKCObjectStack::stack();
  stack->push(a);
  stack->push(b);
  EXPECT_TRUE(stack->contains(a));
  EXPECT_EQ(stack->remove(a), 0);
  EXPECT_FALSE(stack->contains(a));
  EXPECT_EQ(stack->remove(a), llk::kNotFound);
  EXPECT_EQ(stack->remove(nullptr), llk::kNilArgument);
  EXPECT_EQ(a->retainCount(), 1u);
  stack->clear();
  EXPECT_EQ(stack->count(), 0u);
  EXPECT_EQ(b->retainCount(), 1u);
}

TEST_F(LLKCObjectStackTest, ChangeCallbackSeesPushesAndPops) {
  LLKBObject* a = str("a");
  LLKBObject* b = str("b");
  CallbackRecorder rec;
  LLKCObjectStack* stack = LLKCObjectStack::alloc()->init();
  stack->setCallback_withContext(&CallbackRecorder::change, &rec);
  stack->push(a);
  stack->push(b);
  stack->pop();
  stack->push(b);
  stack->release();  // the deque reports what it still holds, bottom first
  EXPECT_EQ(rec.changes, (std::vector<Event>{{0, a}, {0, b}, {1, b}, {0, b}, {1, a}, {1, b}}));
  EXPECT_EQ(a->retainCount(), 1u);
  EXPECT_EQ(b->retainCount(), 2u);  // the pop handed one to the pool
}

TEST_F(LLKCObjectStackTest, CopiesHoldTheSameOrder) {
  LLKCObjectStack* stack = LLKCObjectStack::stack();
  stack->push(str("a"));
  stack->push(str("b"));
  LLKCObjectStack* copy = stack->copy();
  ASSERT_NE(copy, nullptr);
  EXPECT_EQ(copy->pop(), stack->peek());
  EXPECT_EQ(texts(copy), "a");
  LLKCObjectStack* deep = stack->deepCopy();
  ASSERT_NE(deep, nullptr);
  EXPECT_EQ(texts(deep), "a,b");
  EXPECT_NE(deep->peek(), stack->peek());
  stack->push(llk::autorelease(LLKBObject::new_()));
  EXPECT_EQ(stack->deepCopy(), nullptr);
  EXPECT_EQ(llk::autorelease(LLKCObjectStack::alloc()->initWithCopy_deep(str("x"), false)), nullptr);
}
