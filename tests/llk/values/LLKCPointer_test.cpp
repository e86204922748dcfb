#include <txq/llk/values/LLKCPointer.h>

#include <gtest/gtest.h>

#include "support/ObjectTest.h"

class LLKCPointerTest : public txqtest::ObjectTest {};

TEST_F(LLKCPointerTest, OrdersByUnsignedAddressAndHashesIt) {
  int cells[2];
  LLKCPointer* low = LLKCPointer::pointerWithValue(&cells[0]);
  LLKCPointer* high = LLKCPointer::pointerWithValue(&cells[1]);
  EXPECT_EQ(low->compareTo(high), -1);
  EXPECT_EQ(high->compareTo(low), 1);
  EXPECT_EQ(low->copy()->compareTo(low), 0);
  EXPECT_EQ(low->copy()->value(), &cells[0]);
  EXPECT_EQ(LLKCPointer::pointerWithValue(reinterpret_cast<void*>(~uintptr_t{0}))->compareTo(low), 1);
  EXPECT_EQ(low->hashCode(), LLKCPointer::pointerWithValue(&cells[0])->hashCode());
}
