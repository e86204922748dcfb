#include <txq/llk/object/LLKCObjectKeeper.h>

#include <gtest/gtest.h>

#include "support/ObjectTest.h"

class LLKCObjectKeeperTest : public txqtest::ObjectTest {};

TEST_F(LLKCObjectKeeperTest, RetainsTheObjectAndCountsCheckOuts) {
  LLKBObject* object = llk::autorelease(LLKBObject::new_());
  LLKCObjectKeeper* keeper = LLKCObjectKeeper::keeperWithObject(object);
  EXPECT_EQ(object->retainCount(), 2u);
  EXPECT_FALSE(keeper->isCheckedOut());
  EXPECT_EQ(keeper->checkOut(), object);
  EXPECT_EQ(keeper->checkOut(), object);
  keeper->checkIn(object);
  EXPECT_TRUE(keeper->isCheckedOut());
  keeper->checkIn(object);
  EXPECT_FALSE(keeper->isCheckedOut());
}

TEST_F(LLKCObjectKeeperTest, CheckInOfAnotherObjectOrAtZeroChangesNothing) {
  LLKBObject* object = llk::autorelease(LLKBObject::new_());
  LLKBObject* other = llk::autorelease(LLKBObject::new_());
  LLKCObjectKeeper* keeper = LLKCObjectKeeper::keeperWithObject(object);
  keeper->checkIn(object);  // at zero
  EXPECT_EQ(keeper->iCCount, 0u);
  keeper->checkOut();
  keeper->checkIn(other);
  keeper->checkIn(nullptr);
  EXPECT_EQ(keeper->iCCount, 1u);
}

TEST_F(LLKCObjectKeeperTest, ReplaceHandsBackTheOldObjectAutoreleasedAndResetsCheckOuts) {
  LLKBObject* first = LLKBObject::new_();
  LLKBObject* second = llk::autorelease(LLKBObject::new_());
  LLKCObjectKeeper* keeper = LLKCObjectKeeper::keeperWithObject(first);
  first->release();  // the keeper holds the only reference
  keeper->checkOut();
  EXPECT_EQ(keeper->replace(second), first);
  EXPECT_EQ(first->retainCount(), 1u);  // still valid until the pool drains
  EXPECT_EQ(keeper->object(), second);
  EXPECT_FALSE(keeper->isCheckedOut());
  EXPECT_EQ(keeper->replace(second), second);  // replacing with the same object keeps it alive
  EXPECT_EQ(keeper->object(), second);
}
