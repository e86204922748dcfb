#include <txq/llk/collections/LLKCObjectIndex.h>

#include <gtest/gtest.h>

#include <cstdint>
#include <cstring>
#include <vector>

#include <txq/llk/collections/LLKCObjectDeque.h>
#include <txq/llk/collections/LLKContainers.h>

#include "llk/collections/TableTestSupport.h"
#include "support/ObjectTest.h"

using tabletest::Change;
using tabletest::isText;
using tabletest::plain;
using tabletest::Recorder;
using tabletest::str;
using tabletest::texts;

namespace {

class LLKCObjectIndexTest : public txqtest::ObjectTest {};

bool sameCode(const LLKTCode& a, const LLKTCode& b) { return std::memcmp(&a, &b, sizeof(LLKTCode)) == 0; }

// An index keeps no rotation and no key-to-position lookup.
template <class I>
concept Rotates = requires(I* i) { i->rotateBy(1); };
template <class I>
concept ReportsKeyIndex = requires(I* i, uint64_t* p) { i->fetchForKey_index(LLKTCode{}, p); };
static_assert(!Rotates<LLKCObjectIndex> && !ReportsKeyIndex<LLKCObjectIndex>);

}  // namespace

TEST_F(LLKCObjectIndexTest, EveryWordOfTheCodeTellsKeysApart) {
  LLKCObjectIndex* index = LLKCObjectIndex::index();
  const LLKTCode codes[] = {{1, 2, 3}, {9, 2, 3}, {1, 9, 3}, {1, 2, 9}, {0, 0, 0}};
  std::vector<LLKBObject*> objects;
  for (const LLKTCode& code : codes) {
    objects.push_back(plain());
    ASSERT_EQ(index->store_forKey(objects.back(), code), 0);
  }
  for (uint64_t i = 0; i < 5; ++i) {
    EXPECT_EQ(index->fetchForKey(codes[i]), objects[i]) << i;
    LLKTCode code{};
    EXPECT_EQ(index->fetchAtIndex_key(i, &code), objects[i]);
    EXPECT_TRUE(sameCode(code, codes[i])) << i;
  }
  EXPECT_FALSE(index->containsKey(LLKTCode{1, 2, 4}));
  EXPECT_EQ(index->store_forKey(nullptr, LLKTCode{7, 7, 7}), 0);
  EXPECT_EQ(index->count(), 5u);
}

TEST_F(LLKCObjectIndexTest, ReplacementKeepsThePlaceAndRemovalsCloseUp) {
  Recorder recorder;
  LLKCObjectIndex* index = LLKCObjectIndex::alloc()->initWithCapacity(2);
  const char* names[] = {"a", "b", "c", "d"};
  for (uint32_t i = 0; i < 4; ++i) index->store_forKey(str(names[i]), LLKTCode{i, 0, 0});
  index->setChangeCallback_withContext(&Recorder::change, &recorder);
  index->fetchAtIndex(2);  // a cursor past the removals below
  LLKBObject* b = index->fetchForKey(LLKTCode{1, 0, 0});
  LLKBObject* replacement = str("B");
  EXPECT_EQ(index->store_forKey(replacement, LLKTCode{1, 0, 0}), 0);
  EXPECT_EQ(index->removeForKey(LLKTCode{0, 0, 0}), 0);
  EXPECT_EQ(index->fetchAtIndex(1), index->fetchForKey(LLKTCode{2, 0, 0}));
  EXPECT_EQ(index->removeAtIndex(1), 0);
  EXPECT_EQ(texts(index->allObjects()), "B,d");
  EXPECT_EQ(index->removeForKey(LLKTCode{0, 0, 0}), 5);
  EXPECT_EQ(index->remove(str("B")), 5);  // identity
  EXPECT_EQ(index->capacity(), 4u);
  index->release();
  ASSERT_EQ(recorder.changes.size(), 6u);  // dealloc tells about the two left
  EXPECT_EQ(recorder.changes[0], Change(1, b));
  EXPECT_EQ(recorder.changes[1], Change(0, replacement));
}

// The match removals are the base container's: they answer NO and take nothing out.
TEST_F(LLKCObjectIndexTest, MatchRemovalsRemoveNothingAndCopiesKeepCodes) {
  LLKCObjectIndex* index = LLKCObjectIndex::index();
  LLKBObject* x = str("x");
  index->store_forKey(x, LLKTCode{5, 6, 7});
  index->store_forKey(str("y"), LLKTCode{1, 2, 3});
  char text[] = "x";
  EXPECT_FALSE(index->removeEachMatchWithFunction_andContext(&isText, text));
  EXPECT_FALSE(index->removeFirstMatchWithFunction_andContext(&isText, text));
  EXPECT_EQ(index->count(), 2u);
  EXPECT_EQ(index->copy()->fetchForKey(LLKTCode{5, 6, 7}), x);
  LLKCObjectIndex* deep = index->deepCopy();
  ASSERT_NE(deep, nullptr);
  EXPECT_EQ(texts(deep), "x,y");
  EXPECT_NE(deep->fetchForKey(LLKTCode{5, 6, 7}), x);
  LLKTCode code{};
  deep->fetchAtIndex_key(1, &code);
  EXPECT_TRUE(sameCode(code, LLKTCode{1, 2, 3}));
  index->store_forKey(plain(), LLKTCode{0, 0, 1});
  EXPECT_EQ(index->deepCopy(), nullptr);
}
