#include <txq/llk/object/LLKCWeak.h>

#include <gtest/gtest.h>

#include "support/ObjectTest.h"

class LLKCWeakTest : public txqtest::ObjectTest {};

TEST_F(LLKCWeakTest, HoldsTheObjectWithoutRetainingIt) {
  LLKBObject* object = llk::autorelease(LLKBObject::new_());
  LLKCWeak* weak = LLKCWeak::weakWithObject(object);
  ASSERT_NE(weak, nullptr);
  EXPECT_EQ(weak->object(), object);
  EXPECT_EQ(object->retainCount(), 1u);
}

TEST_F(LLKCWeakTest, CopiesAreAutoreleasedBoxesOnTheSameObject) {
  LLKBObject* object = llk::autorelease(LLKBObject::new_());
  LLKCWeak* weak = LLKCWeak::weakWithObject(object);
  LLKCWeak* copy = weak->copy();
  LLKCWeak* deep = weak->deepCopy();
  ASSERT_NE(copy, nullptr);
  ASSERT_NE(deep, nullptr);
  EXPECT_NE(copy, weak);
  EXPECT_EQ(copy->object(), object);
  EXPECT_EQ(deep->object(), object);
  EXPECT_EQ(copy->retainCount(), 1u);  // owned by the pool: the fixture checks it is freed
  EXPECT_EQ(weak->performSelector(LLK_SEL("object")), object);
  EXPECT_TRUE(weak->conformsToProtocol(&LLKPCopyable::kProtocol));
}
