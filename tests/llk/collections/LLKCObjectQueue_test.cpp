#include <txq/llk/collections/LLKCObjectQueue.h>

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include <txq/llk/collections/LLKContainers.h>
#include <txq/llk/values/LLKCString.h>

#include "support/ObjectTest.h"

namespace {

std::string textOf(LLKBObject* o) {
  const char* chars = llk::send(o, &LLKBObject::toChars);
  return chars != nullptr ? chars : "<nil>";
}

std::string contents(LLKCObjectQueue* queue) {
  std::string out;
  for (LLKBObject* o : queue) out += textOf(o);
  return out;
}

}  // namespace

class LLKCObjectQueueTest : public txqtest::ObjectTest {};

TEST_F(LLKCObjectQueueTest, PopAnswersTheFirstPushed) {
  LLKCObjectQueue* queue = LLKCObjectQueue::queue();
  EXPECT_EQ(queue->push("a"_llk), 0);
  EXPECT_EQ(queue->push("b"_llk), 0);
  EXPECT_EQ(queue->push("c"_llk), 0);
  EXPECT_EQ(textOf(queue->pop()), "a");
  EXPECT_EQ(queue->push("d"_llk), 0);
  EXPECT_EQ(textOf(queue->pop()), "b");
  EXPECT_EQ(textOf(queue->pop()), "c");
  EXPECT_EQ(textOf(queue->pop()), "d");
  EXPECT_EQ(queue->pop(), nullptr);
  EXPECT_EQ(queue->peek(), nullptr);
  EXPECT_EQ(queue->count(), 0u);
}

TEST_F(LLKCObjectQueueTest, PoppedObjectOutlivesItsRemovalUntilThePoolDrains) {
  LLKCObjectQueue* queue = LLKCObjectQueue::alloc()->init();
  LLKCString* only = LLKCString::alloc()->initWithChars("only");
  queue->push(only);
  only->release();  // the queue is the only owner now
  const int64_t live = LLKFLiveObjectCount();
  LLKBObject* popped = nullptr;
  {
    llk::AutoreleaseScope scope;
    popped = queue->pop();
    ASSERT_EQ(popped, only);
    EXPECT_EQ(popped->retainCount(), 1u);  // the pool's reference
    EXPECT_EQ(textOf(popped), "only");
    EXPECT_EQ(queue->count(), 0u);
  }
#if TXQ_LIVE_OBJECTS
  EXPECT_EQ(LLKFLiveObjectCount(), live - 1);  // freed with the pool
#endif
  (void)live;
  queue->release();
}

TEST_F(LLKCObjectQueueTest, PeekLeavesTheHeadInPlace) {
  LLKCObjectQueue* queue = LLKCObjectQueue::queue();
  LLKCString* a = LLKCString::stringWithChars("a");
  queue->push(a);
  queue->push("b"_llk);
  const uint32_t held = a->retainCount();
  {
    llk::AutoreleaseScope scope;
    EXPECT_EQ(queue->peek(), a);
    EXPECT_EQ(a->retainCount(), held + 1);  // retained and autoreleased
  }
  EXPECT_EQ(a->retainCount(), held);
  EXPECT_EQ(queue->count(), 2u);
  EXPECT_EQ(queue->pop(), a);
}

TEST_F(LLKCObjectQueueTest, CapacityIsTheListsNodes) {
  LLKCObjectQueue* queue = LLKCObjectQueue::queueWithCapacity(4);
  EXPECT_EQ(queue->capacity(), 4u);
  for (int i = 0; i < 6; ++i) queue->push("x"_llk);  // push grows
  EXPECT_EQ(queue->capacity(), 6u);
  queue->clear();
  EXPECT_EQ(queue->count(), 0u);
  EXPECT_EQ(queue->capacity(), 6u);
  EXPECT_EQ(queue->push(nullptr), 0);
  EXPECT_EQ(queue->count(), 0u);
}

TEST_F(LLKCObjectQueueTest, MembershipRemovalAndIteration) {
  LLKCObjectQueue* queue = LLKCObjectQueue::queue();
  LLKCString* b = "b"_llk;
  for (LLKCString* s : {"a"_llk, b, "c"_llk, "d"_llk}) queue->push(s);
  EXPECT_TRUE(queue->contains(b));
  EXPECT_EQ(queue->fetchAtIndex(0), queue->peek());
  EXPECT_EQ(queue->remove(b), 0);
  EXPECT_EQ(queue->remove(b), 5);
  EXPECT_FALSE(queue->contains(b));
  EXPECT_EQ(contents(queue), "acd");
  std::string seen;
  llk::forEach(queue, [&](LLKBObject* o) { seen += textOf(o); });
  EXPECT_EQ(seen, "acd");
  EXPECT_EQ(textOf(llk::findIf(queue, [](LLKBObject* o) { return textOf(o) > "a"; })), "c");
  EXPECT_TRUE(llk::removeIf(queue, [](LLKBObject* o) { return textOf(o) == "c"; }));
  EXPECT_TRUE(queue->removeFirstMatchWithFunction_andContext([](LLKBObject*, void*) { return true; }, nullptr));
  EXPECT_EQ(contents(queue), "d");
}

TEST_F(LLKCObjectQueueTest, CallbackSeesPushesAndPops) {
  std::vector<std::string> events;
  LLKCObjectQueue* queue = LLKCObjectQueue::queue();
  queue->setCallback_withContext(
      [](uint32_t op, LLKBObject* o, void* c) {
        static_cast<std::vector<std::string>*>(c)->push_back(std::to_string(op) + textOf(o));
      },
      &events);
  queue->push("a"_llk);
  queue->push("b"_llk);
  queue->pop();
  queue->peek();
  queue->clear();
  EXPECT_EQ(events, (std::vector<std::string>{"0a", "0b", "1a", "1b"}));
  queue->setCallback(nullptr);
}

TEST_F(LLKCObjectQueueTest, CopiesAreIndependentQueuesOfTheSameObjects) {
  LLKCObjectQueue* queue = LLKCObjectQueue::queue();
  queue->push(LLKCString::stringWithChars("a"));
  queue->push(LLKCString::stringWithChars("b"));
  LLKCObjectQueue* copy = queue->copy();
  ASSERT_NE(copy, nullptr);
  EXPECT_EQ(copy->peek(), queue->peek());
  copy->pop();
  EXPECT_EQ(queue->count(), 2u);
  LLKCObjectQueue* deep = queue->deepCopy();
  ASSERT_NE(deep, nullptr);
  EXPECT_NE(deep->peek(), queue->peek());
  EXPECT_EQ(contents(deep), "ab");
  queue->push(llk::autorelease(LLKBObject::new_()));
  EXPECT_EQ(queue->deepCopy(), nullptr);
}
