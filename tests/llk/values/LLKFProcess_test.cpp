#include <txq/llk/values/LLKFProcess.h>

#include <gtest/gtest.h>
#include <unistd.h>

TEST(LLKFProcessTest, OwnProcessHasMemoryFigures) {
  uint32_t peak = 0, current = 0;
  ASSERT_TRUE(getmusage(static_cast<int32_t>(getpid()), &peak, &current));
  EXPECT_GT(peak, 0u);
  EXPECT_GT(current, 0u);
  EXPECT_TRUE(getmusage(static_cast<int32_t>(getpid()), nullptr, nullptr));
  LLKTProcStats stats{-1, -1, 0, 0};
  ASSERT_TRUE(LLKFGetProcStats(&stats));
  EXPECT_GE(stats.mUser, 0.0);
  EXPECT_GE(stats.mSystem, 0.0);
  EXPECT_GT(stats.mPeak, 0u);
  EXPECT_GT(stats.mCurrent, 0u);
}

TEST(LLKFProcessTest, MissingProcessAnswersNoAndLeavesFiguresAlone) {
  uint32_t peak = 7, current = 8;
  EXPECT_FALSE(getmusage(-1, &peak, &current));
  EXPECT_EQ(peak, 7u);
  EXPECT_EQ(current, 8u);
  EXPECT_FALSE(LLKFGetProcStats(nullptr));
}
