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

TEST_F(LLKCObjectStackTest, PopAnswersTheLastPushedAndPeekLendsItThroughThePool) {
  LLKCObjectStack* stack = LLKCObjectStack::stackWithCapacity(1);
  LLKBObject* a = str("a");
  LLKBObject* b = str("b");
  EXPECT_EQ(stack->push(a), 0);
  EXPECT_EQ(stack->push(b), 0);  // push grows
  EXPECT_EQ(stack->push(nullptr), llk::kNilArgument);
  EXPECT_EQ(texts(stack), "a,b");
  EXPECT_EQ(stack->peek(), b);
  EXPECT_EQ(b->retainCount(), 3u);  // one more until the pool drains
  EXPECT_EQ(stack->pop(), b);
  EXPECT_EQ(stack->pop(), a);
  EXPECT_EQ(stack->pop(), nullptr);
  EXPECT_EQ(stack->peek(), nullptr);
}

TEST_F(LLKCObjectStackTest, PoppedObjectStaysValidUntilThePoolDrainsAndCallbacksSeeIt) {
  LLKCObjectStack* stack = LLKCObjectStack::alloc()->initWithCapacity(1);
  CallbackRecorder rec;
  stack->setCallback_withContext(&CallbackRecorder::change, &rec);
  LLKBObject* only = LLKCString::alloc()->initWithChars("only");
  LLKBObject* b = str("b");
  stack->push(only);
  only->release();  // the stack is its only owner
  stack->push(b);
  {
    llk::AutoreleaseScope scope;
    EXPECT_EQ(stack->pop(), b);
    EXPECT_EQ(stack->pop(), only);
    EXPECT_EQ(only->retainCount(), 1u);  // held by the pool alone
    EXPECT_EQ(static_cast<LLKCString*>(only)->view(), "only");
    stack->push(b);
  }
  stack->release();  // the deque reports what it still holds
  EXPECT_EQ(rec.changes, (std::vector<Event>{{0, only}, {0, b}, {1, b}, {1, only}, {0, b}, {1, b}}));
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
}
