// Active objects keep one context per scheduler (inline for one, in a shelf from two on), find the
// right one again when detached, and stop the waiting entries of a context exactly once.

#include <txq/aok/AOKBActiveObject.h>

#include <gtest/gtest.h>

#include <txq/AOK.h>

#include "support/ObjectTest.h"

namespace {

AOKCActiveScheduler* makeScheduler() {
  AOKTActiveSchedulerSetup setup{1, 0, 16, nullptr, nullptr, nullptr};
  return AOKCActiveScheduler::schedulerWithSetup(&setup);
}

}  // namespace

// Counts the hooks it gets.
class ContextProbe : public AOKBActiveObject {
  LLK_OBJECT(ContextProbe, AOKBActiveObject)

 public:
  void onAttachedTo_as_withAncillary(AOKCActiveScheduler*, LLKBObject*, LLKCDictionary*) noexcept override {
    ++attached;
  }
  void onDetachedOf_as_withAncillary(AOKCActiveScheduler*, LLKBObject*, LLKCDictionary*) noexcept override {
    ++detached;
  }
  int attached;
  int detached;
};
LLK_DEFINE_CLASS(ContextProbe, LLK_PROTOCOLS())

// The head of a waiting entry: counts quit and onDetached; optionally leaves its entry on onDetached.
class WaitingHead : public LLKBObject {
  LLK_OBJECT(WaitingHead, LLKBObject)

 public:
  void quit() noexcept { ++quits; }
  void onDetached() noexcept {
    ++detaches;
    if (leave != nullptr) leave->remove(this);
  }
  int quits;
  int detaches;
  LLKCObjectDeque* leave;  // borrowed
};
LLK_DEFINE_CLASS(WaitingHead, LLK_PROTOCOLS(), quit, onDetached)

namespace {

class AOKBActiveObjectThreads : public txqtest::ObjectTest {};

TEST_F(AOKBActiveObjectThreads, ContextsMoveToAShelfFromTheSecondSchedulerOn) {
  AOKCActiveScheduler* s1 = makeScheduler();
  AOKCActiveScheduler* s2 = makeScheduler();
  AOKCActiveScheduler* s3 = makeScheduler();
  ContextProbe* object = llk::autorelease(ContextProbe::new_());
  object->whenAttachedTo_as_withAncillary(s1, "one"_llk, nullptr);
  EXPECT_NE(object->iPrivate->mContext, nullptr);
  EXPECT_EQ(object->iPrivate->mShelf, nullptr);
  object->whenAttachedTo_as_withAncillary(s2, "two"_llk, nullptr);
  object->whenAttachedTo_as_withAncillary(s3, "three"_llk, nullptr);
  EXPECT_EQ(object->iPrivate->mContext, nullptr);
  ASSERT_NE(object->iPrivate->mShelf, nullptr);
  EXPECT_EQ(object->contextCount(), 3u);
  EXPECT_STREQ(static_cast<LLKCString*>(object->contextFor(s2)->iIdentifier)->iString, "two");
  EXPECT_EQ(object->contextFor(s3)->iScheduler, s3);

  object->whenDetachedOf_as_withAncillary(s2, "two"_llk, nullptr);
  EXPECT_EQ(object->contextFor(s2), nullptr);
  EXPECT_EQ(object->contextCount(), 2u);
  object->whenDetachedOf_as_withAncillary(s1, "one"_llk, nullptr);
  EXPECT_NE(object->iPrivate->mShelf, nullptr);  // one left: it stays in the shelf
  object->whenDetachedOf_as_withAncillary(s3, "three"_llk, nullptr);
  EXPECT_EQ(object->iPrivate->mShelf, nullptr);
  EXPECT_EQ(object->contextCount(), 0u);
  EXPECT_EQ(object->attached, 3);
  EXPECT_EQ(object->detached, 3);
}

TEST_F(AOKBActiveObjectThreads, AnObjectOnTwoSchedulersKeepsNeitherAlive) {
  ContextProbe* object = llk::autorelease(ContextProbe::new_());
  {
    llk::AutoreleaseScope scope;
    ASSERT_TRUE(makeScheduler()->attach_as_withAncillary(object, "id"_llk, nullptr));
    ASSERT_TRUE(makeScheduler()->attach_as_withAncillary(object, "id"_llk, nullptr));
    EXPECT_EQ(object->contextCount(), 2u);
  }  // both schedulers go (the fixture also checks that nothing is left alive)
  EXPECT_EQ(object->detached, 2);
  EXPECT_EQ(object->contextCount(), 0u);
}

TEST_F(AOKBActiveObjectThreads, DetachingFromAnotherSchedulerKeepsTheContext) {
  AOKCActiveScheduler* mine = makeScheduler();
  AOKCActiveScheduler* other = makeScheduler();
  ContextProbe* object = llk::autorelease(ContextProbe::new_());
  object->whenAttachedTo_as_withAncillary(mine, "id"_llk, nullptr);
  object->whenDetachedOf_as_withAncillary(other, "id"_llk, nullptr);
  EXPECT_EQ(object->detached, 1);  // the hook alone
  EXPECT_NE(object->contextFor(mine), nullptr);
  object->whenDetachedOf_as_withAncillary(mine, "id"_llk, nullptr);
  EXPECT_EQ(object->contextCount(), 0u);
}

TEST_F(AOKBActiveObjectThreads, DetachingStopsEveryWaitingEntryOnce) {
  AOKCActiveScheduler* scheduler = makeScheduler();
  ContextProbe* object = llk::autorelease(ContextProbe::new_());
  object->whenAttachedTo_as_withAncillary(scheduler, "id"_llk, nullptr);
  AOKCActiveObjectContext* context = object->contextFor(scheduler);
  ASSERT_NE(context, nullptr);
  WaitingHead* leaving = llk::autorelease(WaitingHead::new_());
  WaitingHead* staying = llk::autorelease(WaitingHead::new_());
  LLKCObjectDeque* first = LLKCObjectDeque::dequeWithObjects(leaving);
  leaving->leave = first;  // leaves its entry on onDetached
  LLKCObjectDeque* second = LLKCObjectDeque::dequeWithObjects(staying);
  ASSERT_EQ(context->iWaiting->store_forKey(first, LLKTCode{1, 0, 0}), 0);
  ASSERT_EQ(context->iWaiting->store_forKey(LLKCObjectDeque::deque(), LLKTCode{2, 0, 0}), 0);  // empty
  ASSERT_EQ(context->iWaiting->store_forKey(second, LLKTCode{3, 0, 0}), 0);
  object->whenDetachedOf_as_withAncillary(scheduler, "id"_llk, nullptr);
  EXPECT_EQ(leaving->quits, 1);
  EXPECT_EQ(leaving->detaches, 1);
  EXPECT_EQ(staying->quits, 1);  // stopped once, although it never left its entry
  EXPECT_EQ(staying->detaches, 1);
  EXPECT_EQ(object->detached, 1);
}

}  // namespace
