#include <txq/llk/object/LLKFLog.h>

#include <gtest/gtest.h>

#include <ctime>
#include <regex>
#include <set>
#include <string>
#include <thread>
#include <vector>

#include "support/ObjectTest.h"

namespace {

// Runs `body` with standard output captured, in the given time mode.
template <class F>
std::string loggedInMode(uint32_t mode, F body) {
  uint32_t saved = LLKFLogGetTimeMode();
  LLKFLogSetTimeMode(mode);
  testing::internal::CaptureStdout();
  body();
  std::string out = testing::internal::GetCapturedStdout();
  LLKFLogSetTimeMode(saved);
  return out;
}

}  // namespace

TEST(LLKFLogTest, ModeTwoWritesTheTextAndALineFeedOnly) {
  EXPECT_EQ(loggedInMode(2, [] { LLKFLog("value %d", 5); }), "value 5\n");
}

TEST(LLKFLogTest, ModeOneRightAlignsSecondsSinceLoadInTenCharactersWithThreeDecimals) {
  std::string line = loggedInMode(1, [] { LLKFLog("value %d", 5); });
  EXPECT_TRUE(std::regex_match(line, std::regex(R"( {0,9}\d+\.\d{3} value 5\n)"))) << line;
  EXPECT_EQ(line.find(" value"), 10u);
}

TEST(LLKFLogTest, ModeZeroPrefixesTheLocalDateTimeWithMilliseconds) {
  std::time_t before = std::time(nullptr);
  std::string line = loggedInMode(0, [] { LLKFLog("value %d", 5); });
  std::time_t after = std::time(nullptr);
  ASSERT_TRUE(std::regex_match(line, std::regex(R"(\d\d-\d\d-\d{4} \d\d:\d\d:\d\d\.\d{3} value 5\n)"))) << line;
  auto stamp = [](std::time_t t) {
    struct tm local;
    localtime_r(&t, &local);
    char text[32];
    std::strftime(text, sizeof text, "%m-%d-%Y %H:%M:%S", &local);
    return std::string(text);
  };
  std::string logged = line.substr(0, 19);
  EXPECT_TRUE(logged == stamp(before) || logged == stamp(after)) << logged;
}

TEST(LLKFLogTest, UnknownModesWriteTheTextAloneWhateverCameBefore) {
  std::string out = loggedInMode(7, [] {
    LLKFLog("%s and %s", "one", "two");
    LLKFLog("%d", 3);  // a template left from another format must not be reused
  });
  EXPECT_EQ(out, "one and two\n3\n");
}

TEST(LLKFLogTest, TheCallersTextIsNeverReadAsAFormat) {
  EXPECT_EQ(loggedInMode(2, [] { LLKFLog("%s", "100% %s %n"); }), "100% %s %n\n");
}

TEST(LLKFLogTest, LongLinesAreCutAt511CharactersAndStillEndTheLine) {
  std::string text(2000, 'x');
  std::string line = loggedInMode(1, [&] { LLKFLog("%s", text.c_str()); });
  EXPECT_EQ(line.size(), 511u);
  EXPECT_EQ(line.back(), '\n');
}

TEST(LLKFLogTest, TimeModeReadsBackWhatWasSet) {
  uint32_t saved = LLKFLogGetTimeMode();
  LLKFLogSetTimeMode(0);
  EXPECT_EQ(LLKFLogGetTimeMode(), 0u);
  LLKFLogSetTimeMode(saved);
  EXPECT_EQ(LLKFLogGetTimeMode(), saved);
}

namespace {

// A sink that logs from under the log lock, as a console writing through the library could.
void reenteringSink(void* context, const char* line) noexcept {
  static_cast<std::vector<std::string>*>(context)->emplace_back(line);
  LLKFLog("inner %d", 2);
}

}  // namespace

TEST(LLKFLogTest, LoggingFromUnderTheLogLockWritesStraightToTheStream) {
  std::vector<std::string> seen;
  std::string out = loggedInMode(2, [&] {
    LLKFLogSetSink(&reenteringSink, &seen);
    LLKFLog("outer %d", 1);
    LLKFLogSetSink(nullptr, nullptr);
  });
  EXPECT_EQ(seen, std::vector<std::string>{"outer 1\n"});
  EXPECT_EQ(out, "inner 2\n");
}

TEST(LLKFLogThreads, LinesFromManyThreadsNeverInterleave) {
  txqtest::LogCapture log;
  std::vector<std::thread> threads;
  for (int t = 0; t < 4; ++t) {
    threads.emplace_back([t] {
      for (int i = 0; i < 500; ++i) LLKFLog("thread %d line %d %s", t, i, "payload-payload-payload");
    });
  }
  for (std::thread& thread : threads) thread.join();
  std::vector<std::string> texts = log.texts();
  ASSERT_EQ(texts.size(), 2000u);
  std::set<std::string> distinct(texts.begin(), texts.end());
  EXPECT_EQ(distinct.size(), 2000u);
  for (const std::string& text : texts) {
    ASSERT_TRUE(std::regex_match(text, std::regex(R"(thread \d line \d+ payload-payload-payload)"))) << text;
  }
}
