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

// ---- Identity ----

// Two strings with the same text are two keys; a third equal string finds neither. (A map, which
// compares keys by value, would hold one entry here.)
TEST_F(LLKCObjectShelfTest, EqualKeysAtDifferentAddressesAreDifferentKeys) {
  LLKCObjectShelf* shelf = LLKCObjectShelf::shelf();
  LLKBObject* first = str("key");
  LLKBObject* second = str("key");
  ASSERT_EQ(first->compareTo(second), 0);
  LLKBObject* one = str("one");
  LLKBObject* two = str("two");
  EXPECT_EQ(shelf->store_forKey(one, first), 0);
  EXPECT_EQ(shelf->store_forKey(two, second), 0);
  EXPECT_EQ(shelf->count(), 2u);
  EXPECT_EQ(shelf->fetchForKey(first), one);
  EXPECT_EQ(shelf->fetchForKey(second), two);
  EXPECT_EQ(shelf->fetchForKey(str("key")), nullptr);
  EXPECT_FALSE(shelf->containsKey(str("key")));
  EXPECT_TRUE(shelf->containsKey(second));
  EXPECT_EQ(shelf->removeForKey(str("key")), 5);
  EXPECT_EQ(shelf->removeForKey(first), 0);
  EXPECT_EQ(shelf->fetchForKey(second), two);
  EXPECT_EQ(shelf->count(), 1u);
  EXPECT_EQ(shelf->store_forKey(one, nullptr), 24);
  EXPECT_EQ(shelf->store_forKey(nullptr, first), 0);  // stores nothing, as a table does
  EXPECT_EQ(shelf->count(), 1u);
  EXPECT_EQ(shelf->fetchForKey(nullptr), nullptr);
  EXPECT_EQ(shelf->removeForKey(nullptr), 5);
}

// ---- Order ----

TEST_F(LLKCObjectShelfTest, ReplacementKeepsThePlaceAndPositionsGiveKeysAndValues) {
  LLKCObjectShelf* shelf = LLKCObjectShelf::shelf();
  LLKBObject* ka = str("ka");
  LLKBObject* kb = str("kb");
  LLKBObject* kc = str("kc");
  shelf->store_forKey(str("a"), ka);
  shelf->store_forKey(str("b"), kb);
  shelf->store_forKey(str("c"), kc);
  EXPECT_EQ(shelf->store_forKey(str("B"), kb), 0);
  EXPECT_EQ(texts(shelf), "a,B,c");
  EXPECT_EQ(keyTexts(shelf), "ka,kb,kc");
  LLKBObject* key = nullptr;
  EXPECT_EQ(shelf->fetchAtIndex_key(3, &key), nullptr);
  EXPECT_EQ(key, nullptr);
  shelf->rotateBy(1);
  EXPECT_EQ(texts(shelf), "B,c,a");
  EXPECT_EQ(shelf->removeAtIndex(1), 0);
  EXPECT_EQ(shelf->removeAtIndex(2), 5);
  EXPECT_EQ(keyTexts(shelf), "kb,ka");
  EXPECT_EQ(texts(shelf->allKeys()), "kb,ka");
  EXPECT_EQ(texts(shelf->allValues()), "B,a");
  EXPECT_EQ(shelf->allKeys()->fetchAtIndex(0), kb);
}

// ---- Ownership and callbacks ----

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
  EXPECT_EQ(a->retainCount(), 2u);
  shelf->store_forKey(b, k1);  // replacement inside the entry
  EXPECT_EQ(a->retainCount(), 1u);
  shelf->store_forKey(b, k1);  // the same value again stays alive
  EXPECT_EQ(b->retainCount(), 2u);
  shelf->store_forKey(c, k2);
  shelf->removeForKey(k1);
  EXPECT_EQ(k1->retainCount(), 1u);
  EXPECT_EQ(b->retainCount(), 1u);
  shelf->store_forKey(a, k1);
  shelf->clear();
  shelf->store_forKey(b, k2);
  shelf->release();
  EXPECT_EQ(k2->retainCount(), 1u);
  EXPECT_EQ(b->retainCount(), 1u);
  EXPECT_EQ(recorder.changes, (std::vector<Change>{{0, a}, {1, a}, {0, b}, {1, b}, {0, b}, {0, c}, {1, b}, {0, a},
                                                   {1, c}, {1, a}, {0, b}, {1, b}}));
}

// ---- Iterations ----

TEST_F(LLKCObjectShelfTest, IterationsAndMatchesWorkOnValues) {
  LLKCObjectShelf* shelf = LLKCObjectShelf::shelf();
  for (const char* t : {"x", "a", "x", "b", "x"}) shelf->store_forKey(str(t), plain());
  std::string seen;
  for (LLKBObject* o : shelf) seen += static_cast<LLKCString*>(o)->view();
  llk::forEach(shelf, [&](LLKBObject* o) { seen += static_cast<LLKCString*>(o)->view(); });
  EXPECT_EQ(seen, "xaxbxxaxbx");
  char a[] = "a";
  EXPECT_EQ(shelf->iterateUntilMatchWithFunction_andContext(&isText, a), shelf->fetchAtIndex(1));
  EXPECT_EQ(shelf->iterateUntilMatchWithFunction_andContext(&isText, nullptr), nullptr);
  char x[] = "x";
  EXPECT_TRUE(shelf->removeFirstMatchWithFunction_andContext(&isText, x));
  EXPECT_EQ(texts(shelf), "a,x,b,x");
  EXPECT_TRUE(shelf->removeEachMatchWithFunction_andContext(&isText, x));
  EXPECT_EQ(texts(shelf), "a,b");
  EXPECT_FALSE(shelf->removeFirstMatchWithFunction_andContext(nullptr, x));
}

// ---- Capacity and copies ----

TEST_F(LLKCObjectShelfTest, CopiesKeepKeyIdentityAndDeepCopiesCopyValues) {
  LLKCObjectShelf* shelf = LLKCObjectShelf::shelfWithCapacity(5);
  LLKBObject* k1 = str("k1");
  LLKBObject* k2 = str("k2");
  LLKBObject* a = str("a");
  shelf->store_forKey(a, k1);
  shelf->store_forKey(str("b"), k2);
  LLKCObjectShelf* shallow = shelf->copy();
  ASSERT_NE(shallow, nullptr);
  EXPECT_EQ(shallow->fetchForKey(k1), a);
  EXPECT_EQ(shallow->capacity(), 5u);
  EXPECT_EQ(shallow->resize(9), 0);
  EXPECT_EQ(shallow->capacity(), 9u);
  shallow->store_forKey(str("z"), k1);  // its own entries: the source does not change
  EXPECT_EQ(shelf->fetchForKey(k1), a);
  LLKCObjectShelf* deep = shelf->deepCopy();
  ASSERT_NE(deep, nullptr);
  EXPECT_EQ(texts(deep), "a,b");
  EXPECT_NE(deep->fetchForKey(k1), a);
  EXPECT_EQ(keyTexts(deep), "k1,k2");
  EXPECT_TRUE(deep->containsKey(k2));  // the very same key objects
  shelf->store_forKey(plain(), k2);
  EXPECT_EQ(shelf->deepCopy(), nullptr);
  EXPECT_EQ(LLKCObjectShelf::alloc()->initWithCopy_deep(LLKCObjectTable::table(), false), nullptr);
  EXPECT_EQ(LLKCObjectShelf::shelfWithCapacity(UINT64_MAX), nullptr);
}
