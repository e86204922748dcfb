#include <txq/llk/values/LLKCStringCache.h>

#include <gtest/gtest.h>

#include <cstdint>
#include <cstring>
#include <string>

#include <txq/llk/values/LLKCString.h>
#include <txq/llk/values/LLKFHash.h>

#include "support/ObjectTest.h"

namespace {

class LLKCStringCacheTest : public txqtest::ObjectTest {};

uint32_t hashOf(const char* text) {
  return LLKFComputeHashcode32(reinterpret_cast<const uint8_t*>(text), std::strlen(text));
}

// Texts that share one MaPrime hash (0xfccda591). Found once by meeting in the middle: the hash is
// run forward over every 3-character prefix and, since each step (h ^ T[b + i]) * 1717 can be undone
// (1717 is odd, so it has an inverse mod 2^32), backward from the hash of "name" over every
// 3-character suffix; a state reached from both sides joins a prefix and a suffix into a text.
constexpr const char* kColliding[] = {"name", "cOcaxp", "bTIayI", "IxId1Q"};

}  // namespace

TEST_F(LLKCStringCacheTest, CollidingTextsReallyShareTheHash) {
  for (const char* text : kColliding) EXPECT_EQ(hashOf(text), 0xfccda591u) << text;
}

TEST_F(LLKCStringCacheTest, StoreAnswersOneSharedStringPerText) {
  LLKCStringCache* cache = LLKCStringCache::cache();
  ASSERT_NE(cache, nullptr);
  char buffer[] = "key";
  LLKCString* first = cache->store(buffer);
  ASSERT_NE(first, nullptr);
  EXPECT_EQ(first->view(), "key");
  EXPECT_NE(static_cast<const void*>(first->chars()), static_cast<const void*>(buffer));  // a copy of the text
  EXPECT_EQ(cache->store("key"), first);
  EXPECT_EQ(cache->fetch("key"), first);
  LLKCString* other = cache->store("value");
  EXPECT_NE(other, first);
  EXPECT_EQ(cache->fetch("value"), other);
  LLKCString* empty = cache->store("");
  ASSERT_NE(empty, nullptr);
  EXPECT_EQ(cache->fetch(""), empty);
  EXPECT_EQ(cache->fetch("absent"), nullptr);
  EXPECT_EQ(cache->store(nullptr), nullptr);
  EXPECT_EQ(cache->fetch(nullptr), nullptr);
  EXPECT_EQ(first->retainCount(), 1u);  // held by the cache alone: answers are borrowed
}

TEST_F(LLKCStringCacheTest, TextsWithTheSameHashStayApart) {
  LLKCStringCache* cache = LLKCStringCache::cache();
  LLKCString* name = cache->store(kColliding[0]);
  EXPECT_EQ(cache->fetch(kColliding[1]), nullptr);  // same hash, one other string held
  LLKCString* second = cache->store(kColliding[1]);
  ASSERT_NE(second, nullptr);
  EXPECT_NE(second, name);
  EXPECT_EQ(second->view(), kColliding[1]);
  EXPECT_EQ(cache->fetch(kColliding[2]), nullptr);  // same hash, two others held
  LLKCString* third = cache->store(kColliding[2]);
  ASSERT_NE(third, nullptr);
  EXPECT_NE(third, name);
  EXPECT_NE(third, second);
  EXPECT_EQ(third->view(), kColliding[2]);
  // Each text finds its own object, by fetch and by storing it again.
  EXPECT_EQ(cache->fetch(kColliding[0]), name);
  EXPECT_EQ(cache->fetch(kColliding[1]), second);
  EXPECT_EQ(cache->fetch(kColliding[2]), third);
  EXPECT_EQ(cache->store(kColliding[0]), name);
  EXPECT_EQ(cache->store(kColliding[1]), second);
  EXPECT_EQ(cache->store(kColliding[2]), third);
  EXPECT_EQ(cache->fetch(kColliding[3]), nullptr);
  EXPECT_EQ(name->view(), "name");
  EXPECT_EQ(name->retainCount(), 1u);  // moving into the list of collisions neither leaked nor freed it
}

TEST_F(LLKCStringCacheTest, ClearLetsGoOfEveryString) {
  LLKCStringCache* cache = LLKCStringCache::cache();
  LLKCString* kept = cache->store(kColliding[0]);
  kept->retain();
  cache->store(kColliding[1]);
  cache->store("plain");
  cache->clear();
  EXPECT_EQ(kept->retainCount(), 1u);
  EXPECT_EQ(cache->fetch(kColliding[1]), nullptr);
  EXPECT_EQ(cache->fetch("plain"), nullptr);
  EXPECT_EQ(llk::view(cache->store(kColliding[0])), "name");
  kept->release();
}

TEST_F(LLKCStringCacheTest, ManyTextsRoundTrip) {
  LLKCStringCache* cache = LLKCStringCache::alloc()->init();
  for (int i = 0; i < 1000; ++i) ASSERT_NE(cache->store(std::to_string(i).c_str()), nullptr);
  for (int i = 0; i < 1000; ++i) ASSERT_EQ(llk::view(cache->fetch(std::to_string(i).c_str())), std::to_string(i));
  cache->release();  // frees every string: the fixture's live count must come back
}
