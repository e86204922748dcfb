#include <txq/llk/values/LLKFRandom.h>

#include <gtest/gtest.h>

#include <cfloat>
#include <cmath>
#include <cstdint>

TEST(LLKFRandomTest, SeedingRepeatsTheSequence) {
  LLKFRandomSeed(42);
  double a = LLKFRandomDraw();
  uint64_t b = LLKFRandomDrawUint();
  LLKFRandomSeed(42);
  EXPECT_EQ(LLKFRandomDraw(), a);
  EXPECT_EQ(LLKFRandomDrawUint(), b);
  uint32_t seed = 7, again = 7;
  double first = LLKFRandomDrawWithSeed(&seed);
  EXPECT_NE(seed, 7u);  // the caller's word carries the state
  EXPECT_EQ(LLKFRandomDrawWithSeed(&again), first);
  EXPECT_GE(first, 0.0);
  EXPECT_LE(first, 1.0);
  LLKFRandomSeed(0);
}

TEST(LLKFRandomTest, DrawsStayInTheirRanges) {
  bool sawLo = false, sawHi = false;
  for (int i = 0; i < 2000; ++i) {
    uint64_t letter = LLKFRandomDrawWithRangeUint(97, 122);
    ASSERT_GE(letter, 97u);
    ASSERT_LT(letter, 122u);  // the upper bound is never drawn
    int64_t small = LLKFRandomDrawWithRangeSint(-1, 1);
    ASSERT_GE(small, -1);
    ASSERT_LE(small, 1);
    sawLo |= small == -1;
    sawHi |= small == 1;
    double d = LLKFRandomDraw();
    ASSERT_TRUE(d >= 0.0 && d <= 1.0);
    double r = LLKFRandomDrawWithRange(-2.5, 4.0);
    ASSERT_TRUE(r >= -2.5 && r <= 4.0);
    ASSERT_LT(LLKFRandomDrawUint(), uint64_t{1} << 63);
    ASSERT_GE(LLKFRandomDrawSint(), 0);
  }
  EXPECT_TRUE(sawLo && sawHi) << "both bounds of a signed range can be drawn";
}

TEST(LLKFRandomTest, EmptyReversedAndWideRangesAreSafe) {
  EXPECT_EQ(LLKFRandomDrawWithRangeUint(5, 5), 5u);
  EXPECT_EQ(LLKFRandomDrawWithRangeUint(9, 3), 9u);
  EXPECT_EQ(LLKFRandomDrawWithRangeSint(5, 5), 5);
  EXPECT_EQ(LLKFRandomDrawWithRangeSint(9, -3), 9);
  EXPECT_EQ(LLKFRandomDrawWithRange(2.0, 2.0), 2.0);
  EXPECT_EQ(LLKFRandomDrawWithRange(3.0, 1.0), 3.0);
  for (int i = 0; i < 200; ++i) {
    EXPECT_GE(LLKFRandomDrawWithRangeUint(0, UINT64_MAX), 0u);
    int64_t wide = LLKFRandomDrawWithRangeSint(INT64_MIN, INT64_MAX - 1);
    EXPECT_LE(wide, INT64_MAX - 1);
    int64_t high = LLKFRandomDrawWithRangeSint(INT64_MAX - 2, INT64_MAX);
    EXPECT_GE(high, INT64_MAX - 2);
    (void)LLKFRandomDrawWithRangeSint(INT64_MIN, INT64_MAX);  // the three-draw form
    EXPECT_TRUE(std::isfinite(LLKFRandomDrawWithRange(-DBL_MAX, DBL_MAX)));
  }
}
