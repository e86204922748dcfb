#include <txq/llk/values/LLKFTime.h>

#include <gtest/gtest.h>

#include <ctime>

TEST(LLKFTimeTest, TheThreeClocksReadTheSameWallClock) {
  uint64_t us = LLKFNowInUS();
  uint64_t ms = LLKFNowInMS();
  double s = LLKFNowInS();
  uint64_t wall = static_cast<uint64_t>(std::time(nullptr));
  EXPECT_LE(us / 1000, ms);
  EXPECT_LE(ms / 1000, static_cast<uint64_t>(s) + 1);
  EXPECT_NEAR(static_cast<double>(wall), s, 2.0);
  EXPECT_GE(LLKFNowInMS(), ms);  // never goes back across two reads here
}
