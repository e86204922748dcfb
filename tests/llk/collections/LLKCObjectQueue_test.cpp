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

TEST_F(LLKCObjectQueueTest, PopAnswersTheFirstPushedAndPeekLeavesIt) {
  LLKCObjectQueue* queue = LLKCObjectQueue::queueWithCapacity(2);
  EXPECT_EQ(queue->push("a"_llk), 0);
  EXPECT_EQ(queue->push("b"_llk), 0);
  EXPECT_EQ(queue->push("c"_llk), 0);  // push grows
  EXPECT_EQ(queue->push(nullptr), 0);
  EXPECT_EQ(queue->capacity(), 3u);
  EXPECT_EQ(textOf(queue->pop()), "a");
  EXPECT_EQ(queue->push("d"_llk), 0);
  EXPECT_EQ(textOf(queue->peek()), "b");
  EXPECT_EQ(contents(queue), "bcd");
  EXPECT_EQ(textOf(queue->pop()), "b");
  EXPECT_EQ(textOf(queue->pop()), "c");
  EXPECT_EQ(textOf(queue->pop()), "d");
  EXPECT_EQ(queue->pop(), nullptr);
  EXPECT_EQ(queue->peek(), nullptr);
}

TEST_F(LLKCObjectQueueTest, PoppedAndPeekedObjectsAreLentThroughThePool) {
  LLKCObjectQueue* queue = LLKCObjectQueue::alloc()->init();
  std::vector<std::string> events;
  queue->setCallback_withContext(
      [](uint32_t op, LLKBObject* o, void* c) {
        static_cast<std::vector<std::string>*>(c)->push_back(std::to_string(op) + textOf(o));
      },
      &events);
  LLKCString* only = LLKCString::alloc()->initWithChars("only");
  queue->push(only);
  only->release();  // the queue is the only owner now
  queue->push("b"_llk);
  {
    llk::AutoreleaseScope scope;
    EXPECT_EQ(queue->peek(), only);
    EXPECT_EQ(only->retainCount(), 2u);  // retained and autoreleased
  }
  EXPECT_EQ(only->retainCount(), 1u);
  {
    llk::AutoreleaseScope scope;
    EXPECT_EQ(queue->pop(), only);
    EXPECT_EQ(only->retainCount(), 1u);  // the pool's reference
    EXPECT_EQ(textOf(only), "only");
  }
  queue->release();
  EXPECT_EQ(events, (std::vector<std::string>{"0only", "0b", "1only", "1b"}));
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
