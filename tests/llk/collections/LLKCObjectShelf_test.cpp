#include <txq/llk/collections/LLKCObjectShelf.h>

#include <gtest/gtest.h>

#include <cstdint>
#include <string>
#include <vector>

#include <txq/llk/collections/LLKCObjectDeque.h>
#include <txq/llk/collections/LLKCObjectTable.h>
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

class LLKCObjectShelfTest : public txqtest::ObjectTest {};

// The texts of the keys in order.
std::string keyTexts(LLKCObjectShelf* shelf) {
  std::string out;
  for (uint64_t i = 0; i < shelf->count(); ++i) {
    LLKBObject* key = nullptr;
    shelf->fetchAtIndex_key(i, &key);
    if (i > 0) out += ',';
    out += llk::view(llk::cast<LLKCString>(key));
  }
  return out;
}

}  // namespace

// Two strings with the same text are two keys; a third equal string finds neither.
TEST_F(LLKCObjectShelfTest, EqualKeysAtDifferentAddressesAreDifferentKeys) {
  LLKCObjectShelf* shelf = LLKCObjectShelf::shelf();
  LLKBObject* first = str("key");
  LLKBObject* second = str("key");
  LLKBObject* one = str("one");
  LLKBObject* two = str("two");
  EXPECT_EQ(shelf->store_forKey(one, first), 0);
  EXPECT_EQ(shelf->store_forKey(two, second), 0);
  EXPECT_EQ(shelf->fetchForKey(first), one);
  EXPECT_EQ(shelf->fetchForKey(second), two);
  EXPECT_EQ(shelf->fetchForKey(str("key")), nullptr);
  EXPECT_EQ(shelf->removeForKey(str("key")), 5);
  EXPECT_EQ(shelf->removeForKey(first), 0);
  EXPECT_EQ(shelf->fetchForKey(second), two);
  EXPECT_EQ(shelf->store_forKey(one, nullptr), 24);
  EXPECT_EQ(shelf->store_forKey(nullptr, first), 0);  // stores nothing, as a table does
  EXPECT_EQ(shelf->count(), 1u);
}

TEST_F(LLKCObjectShelfTest, ReplacementKeepsThePlaceAndPositionsGiveKeysAndValues) {
  LLKCObjectShelf* shelf = LLKCObjectShelf::shelf();
  LLKBObject* kb = str("kb");
  shelf->store_forKey(str("a"), str("ka"));
  shelf->store_forKey(str("b"), kb);
  shelf->store_forKey(str("c"), str("kc"));
  EXPECT_EQ(shelf->store_forKey(str("B"), kb), 0);
  EXPECT_EQ(texts(shelf), "a,B,c");
  EXPECT_EQ(keyTexts(shelf), "ka,kb,kc");
  shelf->rotateBy(1);
  EXPECT_EQ(shelf->removeAtIndex(1), 0);
  EXPECT_EQ(shelf->removeAtIndex(2), 5);
  EXPECT_EQ(texts(shelf->allKeys()), "kb,ka");
  EXPECT_EQ(texts(shelf->allValues()), "B,a");
  EXPECT_EQ(shelf->allKeys()->fetchAtIndex(0), kb);
}

// The callback is told about values, never about the tuples the table holds.
TEST_F(LLKCObjectShelfTest, HoldsKeysAndValuesAndTellsTheCallbackAboutValues) {
  Recorder recorder;
  LLKCObjectShelf* shelf = LLKCObjectShelf::alloc()->init();
  shelf->setCallback_withContext(&Recorder::change, &recorder);
  shelf->setAcceptCallback_withContext(&Recorder::refuse, &recorder);  // none here: ignored
  LLKBObject* k1 = plain();
  LLKBObject* k2 = plain();
  LLKBObject* a = plain();
  LLKBObject* b = plain();
  LLKBObject* c = plain();
  shelf->store_forKey(a, k1);
  EXPECT_EQ(k1->retainCount(), 2u);  // the address stays the key's while it is stored
  shelf->store_forKey(b, k1);  // replacement inside the entry
  shelf->store_forKey(b, k1);  // the same value again stays alive
  EXPECT_EQ(b->retainCount(), 2u);
  shelf->store_forKey(c, k2);
  shelf->removeForKey(k1);
  EXPECT_EQ(k1->retainCount(), 1u);
  shelf->store_forKey(a, k1);
  shelf->clear();
  shelf->store_forKey(b, k2);
  shelf->release();
  EXPECT_EQ(recorder.changes, (std::vector<Change>{{0, a}, {1, a}, {0, b}, {1, b}, {0, b}, {0, c}, {1, b}, {0, a},
                                                   {1, c}, {1, a}, {0, b}, {1, b}}));
}

TEST_F(LLKCObjectShelfTest, MatchesWorkOnValuesAndCopiesKeepKeyIdentity) {
  LLKCObjectShelf* shelf = LLKCObjectShelf::shelfWithCapacity(5);
  for (const char* t : {"x", "a", "x"}) shelf->store_forKey(str(t), plain());
  char x[] = "x";
  EXPECT_EQ(shelf->iterateUntilMatchWithFunction_andContext(&isText, x), shelf->fetchAtIndex(0));
  EXPECT_TRUE(shelf->removeEachMatchWithFunction_andContext(&isText, x));
  EXPECT_EQ(texts(shelf), "a");
  LLKBObject* k1 = str("k1");
  LLKBObject* b = str("b");
  shelf->store_forKey(b, k1);
  LLKCObjectShelf* shallow = shelf->copy();
  ASSERT_NE(shallow, nullptr);
  EXPECT_EQ(shallow->fetchForKey(k1), b);
  EXPECT_EQ(shallow->capacity(), 5u);
  shallow->store_forKey(str("z"), k1);  // its own entries: the source does not change
  EXPECT_EQ(shelf->fetchForKey(k1), b);
  shelf->removeAtIndex(0);
  LLKCObjectShelf* deep = shelf->deepCopy();
  ASSERT_NE(deep, nullptr);
  EXPECT_NE(deep->fetchForKey(k1), b);  // the very same key object, a copied value
  EXPECT_EQ(texts(deep), "b");
  shelf->store_forKey(plain(), k1);
  EXPECT_EQ(shelf->deepCopy(), nullptr);
  EXPECT_EQ(LLKCObjectShelf::alloc()->initWithCopy_deep(LLKCObjectTable::table(), false), nullptr);
}
