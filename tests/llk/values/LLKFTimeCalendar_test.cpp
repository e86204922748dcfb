#include <txq/llk/values/LLKFTime.h>

#include <gtest/gtest.h>
#include <pthread.h>

#include <atomic>
#include <cmath>
#include <csignal>
#include <cstring>
#include <ctime>
#include <thread>

TEST(LLKFTimeTest, SecondsToCalendarRoundDown) {
  struct tm out;
  ASSERT_TRUE(LLKFThenInTime(&out, 784111777.9));
  EXPECT_EQ(out.tm_year, 94);
  EXPECT_EQ(out.tm_mon, 10);
  EXPECT_EQ(out.tm_mday, 6);
  EXPECT_EQ(out.tm_hour, 8);
  EXPECT_EQ(out.tm_min, 49);
  EXPECT_EQ(out.tm_sec, 37);
  ASSERT_TRUE(LLKFThenInTime(&out, -0.5));  // one second before the epoch
  EXPECT_EQ(out.tm_year, 69);
  EXPECT_EQ(out.tm_sec, 59);
  std::memset(&out, 0x5a, sizeof out);
  EXPECT_FALSE(LLKFThenInTime(&out, std::nan("")));
  EXPECT_FALSE(LLKFThenInTime(&out, INFINITY));
  EXPECT_FALSE(LLKFThenInLocalTime(&out, -1e300));
  EXPECT_FALSE(LLKFThenInTime(nullptr, 0));
  EXPECT_EQ(out.tm_year, 0x5a5a5a5a) << "record changed";
}

TEST(LLKFTimeTest, LocalCalendarRoundTrips) {
  struct tm local;
  ASSERT_TRUE(LLKFThenInLocalTime(&local, 1700000000.25));
  struct tm before = local;
  EXPECT_EQ(LLKFThenInS(&local), 1700000000.0);
  EXPECT_EQ(std::memcmp(&before, &local, sizeof local), 0) << "record changed";
  struct tm now;
  ASSERT_EQ(LLKFLocaltime(&now), &now);
  EXPECT_TRUE(now.tm_mday >= 1 && now.tm_mday <= 31);
  EXPECT_EQ(LLKFLocaltime(nullptr), nullptr);
}

TEST(LLKFTimeTest, ShortSnoozesComplete) {
  EXPECT_EQ(LLKFSnoozeNS(1000), 0);
  EXPECT_EQ(LLKFSnoozeUS(10), 0);
  EXPECT_EQ(LLKFSnoozeMS(1), 0);
  EXPECT_EQ(LLKFSnoozeMS(0), 0);
}

namespace {
void ignoreSignal(int) {}
}  // namespace

TEST(LLKFTimeThreads, InterruptedSnoozeAnswersMinusOne) {
  struct sigaction action, previous;
  std::memset(&action, 0, sizeof action);
  action.sa_handler = ignoreSignal;  // no SA_RESTART
  ASSERT_EQ(sigaction(SIGUSR1, &action, &previous), 0);
  std::atomic<bool> done{false};
  pthread_t sleeper = pthread_self();
  // Signals keep arriving until the sleep has been cut short; the first one during the sleep ends it.
  std::thread waker([&] {
    while (!done.load()) {
      pthread_kill(sleeper, SIGUSR1);
      std::this_thread::yield();
    }
  });
  int32_t answer = LLKFSnoozeMS(600000);
  done = true;
  waker.join();
  sigaction(SIGUSR1, &previous, nullptr);
  EXPECT_EQ(answer, -1);
}
