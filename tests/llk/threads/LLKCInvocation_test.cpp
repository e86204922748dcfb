#include <txq/llk/threads/LLKCInvocation.h>

#include <gtest/gtest.h>
#include <txq/LLK.h>

#include "support/ObjectTest.h"

// Counts what is performed on it by selector "take:".
class InvocationTestTarget : public LLKBObject {
  LLK_OBJECT(InvocationTestTarget, LLKBObject)

 public:
  int iCalls;
  LLKBObject* iArgument;  // the last argument, not retained
  void take(LLKBObject* argument) noexcept { ++iCalls, iArgument = argument; }
};
LLK_DEFINE_CLASS(InvocationTestTarget, LLK_PROTOCOLS(), take)

// The same, but takes invocations over instead.
class InvocableTestTarget : public InvocationTestTarget, public LLKPInvocable {
  LLK_OBJECT(InvocableTestTarget, InvocationTestTarget)

 public:
  LLKCInvocation* iReceived;  // not retained
  void invokeInvocation(LLKCInvocation* invocation) noexcept override { iReceived = invocation; }
};
LLK_DEFINE_CLASS(InvocableTestTarget, LLK_PROTOCOLS(LLKPInvocable))

namespace {

struct Calls {
  int count = 0;
  LLKBObject* object = nullptr;
};

void record(LLKBObject* object, void* context) {
  Calls* calls = static_cast<Calls*>(context);
  ++calls->count, calls->object = object;
}

class LLKCInvocationTest : public txqtest::ObjectTest {
 protected:
  void SetUp() override {
    ObjectTest::SetUp();
    target_ = llk::autorelease(InvocationTestTarget::new_());
  }
  LLKSEL take_ = LLK_SEL("take:");
  InvocationTestTarget* target_ = nullptr;
};

TEST_F(LLKCInvocationTest, TheFunctionFormIgnoresTargetAndSelector) {
  Calls calls;
  LLKCString* item = "item"_llk;
  LLKCInvocation* call = LLKCInvocation::invocationWithFunction_context_andObject(&record, &calls, item);
  call->iTarget = llk::retain(target_);  // both forms at once: only the function runs
  call->iSelector = take_;
  call->invoke();
  call->invokeWithTarget(target_);
  EXPECT_EQ(calls.count, 2);
  EXPECT_EQ(calls.object, item);
  EXPECT_EQ(target_->iCalls, 0);
  call->invokeWithObject(nullptr);
  EXPECT_EQ(calls.count, 3);
  EXPECT_EQ(calls.object, nullptr);
}

TEST_F(LLKCInvocationTest, ASelectorRunsOnTheTargetItIsGivenWithTheObjectItLastStored) {
  LLKCString* item = "item"_llk;
  LLKCInvocation* call = LLKCInvocation::invocationWithSelector_andObject(take_, item);
  call->invoke();  // no target: nothing happens
  call->invokeWithTarget(nullptr);
  EXPECT_EQ(target_->iCalls, 0);
  call->invokeWithTarget(target_);
  EXPECT_EQ(target_->iCalls, 1);
  EXPECT_EQ(target_->iArgument, item);
  EXPECT_EQ(call->target(), nullptr);

  LLKCData* data = LLKCData::dataWithLength(2);
  LLKCInvocation* bound = LLKCInvocation::invocationWithSelector_target_andObject(take_, target_, item);
  bound->invokeWithObject(data);
  EXPECT_EQ(target_->iArgument, data);
  EXPECT_EQ(bound->object(), data);  // kept
  bound->invokeWithObject(nullptr);
  EXPECT_EQ(bound->object(), nullptr);
  EXPECT_EQ(target_->iCalls, 3);
  EXPECT_EQ(target_->iArgument, nullptr);
}

TEST_F(LLKCInvocationTest, AnInvocableTargetTakesTheInvocationOver) {
  InvocableTestTarget* target = llk::autorelease(InvocableTestTarget::new_());
  LLKCInvocation* call = LLKCInvocation::invocationWithSelector_target(take_, target);
  call->invoke();
  EXPECT_EQ(target->iReceived, call);
  LLKCInvocation* open = LLKCInvocation::invocationWithSelector(take_);
  open->invokeWithTarget(target);
  EXPECT_EQ(target->iReceived, open);
  EXPECT_EQ(target->iCalls, 0);
}

TEST_F(LLKCInvocationTest, CopiesShareTheTargetAndCopyTheObjectOnlyWhenDeep) {
  LLKCData* data = LLKCData::dataWithBytes_length("ab", 2);
  LLKCInvocation* call = LLKCInvocation::invocationWithSelector_target_andObject(take_, target_, data);
  LLKCInvocation* shallow = call->copy();
  LLKCInvocation* deep = call->deepCopy();
  ASSERT_NE(shallow, nullptr);
  ASSERT_NE(deep, nullptr);
  EXPECT_EQ(shallow->object(), data);
  EXPECT_NE(deep->object(), data);
  EXPECT_EQ(deep->object()->compareTo(data), 0);
  deep->invoke();
  EXPECT_EQ(target_->iCalls, 1);
  EXPECT_EQ(target_->iArgument, deep->object());

  // An object that does not adopt LLKPCopyable is shared even by a deep copy.
  Calls calls;
  LLKCInvocation::invocationWithFunction_context_andObject(&record, &calls, target_)->deepCopy()->invoke();
  EXPECT_EQ(calls.count, 1);
  EXPECT_EQ(calls.object, target_);
}

}  // namespace
