#include <txq/llk/values/LLKFMemory.h>

#include <gtest/gtest.h>
#include <pthread.h>

#include <csignal>
#include <cstdlib>
#include <cstring>
#include <thread>

TEST(LLKFMemoryTest, AllocationsAreZeroedOrCopied) {
  auto* zeroed = static_cast<unsigned char*>(zalloc(64));
  ASSERT_NE(zeroed, nullptr);
  for (int i = 0; i < 64; ++i) ASSERT_EQ(zeroed[i], 0);
  const char source[] = "abc\0def";
  char* copy = static_cast<char*>(memdup(source, sizeof source));
  ASSERT_NE(copy, nullptr);
  EXPECT_EQ(std::memcmp(copy, source, sizeof source), 0);
  zero(copy, 4);
  EXPECT_EQ(std::memcmp(copy, "\0\0\0\0def", sizeof source), 0);
  EXPECT_EQ(memdup(nullptr, 4), nullptr);
  std::free(copy);
  std::free(zeroed);
}

TEST(LLKFMemoryTest, DigitCountsAtEveryPowerOfTen) {
  EXPECT_EQ(digits64(0), 1u);
  EXPECT_EQ(digits32(9), 1u);
  EXPECT_EQ(digits32(4294967295u), 10u);
  EXPECT_EQ(digits64(UINT64_MAX), 20u);
  uint64_t power = 1;
  for (uint32_t digits = 1; digits < 20; ++digits, power *= 10) {
    SCOPED_TRACE(digits);
    EXPECT_EQ(digits64(power), digits);
    EXPECT_EQ(digits64(power * 10 - 1), digits);
  }
}

TEST(LLKFMemoryTest, SearchesReportIndexesAsDocumented) {
  struct Row {
    const char *id, *text;
    char c;
    int32_t expected;
  };
  const Row rows[] = {
      {"only slash is the first character", "/usr", '/', -1},
      {"last of several", "/a/b/c", '/', 4},
      {"at the end", "ab/", '/', 2},
      {"absent", "abc", 'x', -1},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.id);
    EXPECT_EQ(strfindlast(row.text, row.c), row.expected);
  }
  EXPECT_EQ(strfindlast(nullptr, 'a'), -1);
  EXPECT_EQ(strposof("abcabc", 6, 'c'), 2);
  EXPECT_EQ(strposof("abcabc", 2, 'c'), -1);
  EXPECT_EQ(strposof("abc", 0, 'a'), -1);
  EXPECT_EQ(strposof("a\0b", 3, 'b'), 2);  // zero bytes are examined too
  EXPECT_STREQ(skipspaces(" \t x "), "x ");
  EXPECT_STREQ(skipspaces(" \t"), "");
  EXPECT_STREQ(skipspaces("\nx"), "\nx");  // only blanks and tabs
}

TEST(LLKFMemoryTest, ThreadIdAndProcessorCount) {
  EXPECT_EQ(LLKFGetThreadUid(), static_cast<uint64_t>(pthread_self()));
  uint64_t other = 0;
  std::thread([&] { other = LLKFGetThreadUid(); }).join();
  EXPECT_NE(other, LLKFGetThreadUid());
  uint32_t count = LLKFQueryCPUCount();
  EXPECT_GE(count, 1u);
  EXPECT_LE(count, 1024u);
}

TEST(LLKFMemoryDeathTest, BreakInDebuggerRaisesAbort) {
  EXPECT_EXIT(LLKFBreakInDebugger(), testing::KilledBySignal(SIGABRT), "");
}
