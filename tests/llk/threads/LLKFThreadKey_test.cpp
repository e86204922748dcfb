#include <txq/llk/threads/LLKFThreadKey.h>

#include <gtest/gtest.h>

#include <atomic>
#include <thread>

namespace {
std::atomic<int> gDestroyed{0};
void destroyValue(void* value) { gDestroyed.fetch_add(*static_cast<int*>(value)); }
}  // namespace

TEST(LLKFThreadKeyTest, ValuesArePerThreadAndTheDestructorRunsAtThreadEnd) {
  LLKTThreadKey* key = LLKFThreadKeyCreate(&destroyValue);
  ASSERT_NE(key, nullptr);
  int mine = 1;
  int theirs = 7;
  LLKFThreadKeyStore(key, &mine);
  std::thread other([&] {
    EXPECT_EQ(LLKFThreadKeyFetch(key), nullptr);
    LLKFThreadKeyStore(key, &theirs);
    EXPECT_EQ(LLKFThreadKeyFetch(key), &theirs);
  });
  other.join();
  EXPECT_EQ(gDestroyed.load(), 7);
  EXPECT_EQ(LLKFThreadKeyFetch(key), &mine);
  LLKFThreadKeyStore(key, nullptr);
  LLKFThreadKeyDelete(key);
}

TEST(LLKFThreadKeyTest, NullHandlesAreHarmless) {
  LLKFThreadKeyStore(nullptr, &gDestroyed);
  EXPECT_EQ(LLKFThreadKeyFetch(nullptr), nullptr);
  LLKFThreadKeyDelete(nullptr);
}
