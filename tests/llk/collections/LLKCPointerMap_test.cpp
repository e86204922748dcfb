#include <txq/llk/collections/LLKCPointerMap.h>

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include <txq/llk/collections/LLKCObjectDeque.h>
#include <txq/llk/values/LLKCString.h>

#include "support/ObjectTest.h"

namespace {

class LLKCPointerMapTest : public txqtest::ObjectTest {};

LLKCString* s(const std::string& text) { return LLKCString::stringWithChars_length(text.data(), text.size()); }

TEST_F(LLKCPointerMapTest, StoresPointersUnderKeysInOrder) {
  int values[4] = {};
  LLKCPointerMap* map = LLKCPointerMap::mapWithCapacity(2);
  EXPECT_EQ(map->store_forKey(&values[0], s("a")), 0);
  EXPECT_EQ(map->store_forKey(nullptr, s("null")), 0);
  EXPECT_EQ(map->store_forKey(&values[2], s("c")), 0);
  EXPECT_EQ(map->store_forKey(&values[3], s("a")), 0);  // replaces, keeps the place
  EXPECT_EQ(map->store_forKey(&values[1], nullptr), 24);
  EXPECT_EQ(map->count(), 3u);
  EXPECT_EQ(map->capacity(), 3u);

  void* pointer = &values[1];
  EXPECT_EQ(map->fetch_forKey(&pointer, s("absent")), 5);
  EXPECT_EQ(pointer, &values[1]);
  EXPECT_EQ(map->fetch_forKey(&pointer, s("null")), 0);  // a null value is not an absent key
  EXPECT_EQ(pointer, nullptr);
  EXPECT_EQ(map->fetchForKey(s("a")), &values[3]);
  EXPECT_TRUE(map->contains(s("null")));

  std::vector<std::string> keys;
  for (uint64_t i = 0; i < map->count(); ++i) {
    LLKBObject* key = nullptr;
    void* at = map->fetchAtIndex_key(i, &key);
    keys.push_back(std::string(llk::view(llk::cast<LLKCString>(key))) + (at == &values[3] ? "*" : ""));
  }
  EXPECT_EQ(keys, (std::vector<std::string>{"a*", "null", "c"}));
  LLKBObject* untouched = s("x");
  EXPECT_EQ(map->fetchAtIndex_key(3, &untouched), nullptr);
  EXPECT_EQ(llk::view(llk::cast<LLKCString>(untouched)), "x");
  EXPECT_EQ(map->keyAtIndex(3), nullptr);
  EXPECT_EQ(map->allKeys()->count(), 3u);

  LLKCPointerMap* copy = map->deepCopy();
  ASSERT_NE(copy, nullptr);
  EXPECT_EQ(copy->fetchForKey(s("c")), &values[2]);
  EXPECT_EQ(copy->capacity(), 3u);
  EXPECT_EQ(map->removeForKey(s("absent")), 5);
  EXPECT_EQ(map->removeForKey(s("a")), 0);
  EXPECT_EQ(llk::view(llk::cast<LLKCString>(map->keyAtIndex(0))), "null");
  map->clear();
  EXPECT_EQ(map->count(), 0u);
  EXPECT_EQ(copy->count(), 3u);
}

TEST_F(LLKCPointerMapTest, RemoveLogsThatItIsDeprecated) {
  LLKCPointerMap* map = LLKCPointerMap::mapWithCapacity(0);
  map->store_forKey(map, s("self"));
  txqtest::LogCapture log;
  EXPECT_EQ(map->remove(s("self")), 0);
  EXPECT_EQ(map->remove(s("self")), 5);
  EXPECT_EQ(log.texts(), (std::vector<std::string>{"LLKCPointerMap-remove: is deprecated",
                                                   "LLKCPointerMap-remove: is deprecated"}));
}

}  // namespace
