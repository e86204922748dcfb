#include <txq/llk/collections/LLKCObjectPile.h>

#include <gtest/gtest.h>

#include <cstdint>
#include <string>
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

class LLKCObjectPileTest : public txqtest::ObjectTest {};

}  // namespace

TEST_F(LLKCObjectPileTest, HoldsEachObjectOnceByIdentityInTheOrderOfFirstAddition) {
  LLKCObjectPile* pile = LLKCObjectPile::pileWithCapacity(2);
  LLKBObject* a = str("a");
  LLKBObject* otherA = str("a");
  EXPECT_EQ(pile->append(a), 0);
  EXPECT_EQ(pile->append(otherA), 0);  // equal, but another object
  EXPECT_EQ(pile->append(str("b")), 0);
  EXPECT_EQ(pile->append(a), 0);  // already there: one entry, same place
  EXPECT_EQ(pile->append(nullptr), 24);
  EXPECT_EQ(pile->capacity(), 3u);
  EXPECT_EQ(pile->fetchAtIndex(1), otherA);
  EXPECT_FALSE(pile->contains(str("a")));
  EXPECT_EQ(pile->remove(otherA), 0);
  EXPECT_EQ(pile->remove(otherA), 5);
  pile->append(str("c"));
  pile->rotateBy(1);
  EXPECT_EQ(texts(pile->allObjects()), "b,c,a");
  char c[] = "c";
  EXPECT_TRUE(pile->removeFirstMatchWithFunction_andContext(&isText, c));
  EXPECT_EQ(texts(pile), "b,a");
}

TEST_F(LLKCObjectPileTest, RetainsWhileHeldAndTellsTheCallback) {
  Recorder recorder;
  LLKBObject* a = plain();
  LLKBObject* b = plain();
  LLKCObjectPile* pile = LLKCObjectPile::alloc()->init();
  pile->setChangeCallback_withContext(&Recorder::change, &recorder);
  pile->append(a);
  EXPECT_EQ(a->retainCount(), 3u);  // the pool, and the entry holding it as key and as value
  pile->append(a);
  pile->append(b);
  pile->remove(a);
  pile->append(a);
  pile->clear();
  pile->append(b);
  pile->release();
  EXPECT_EQ(recorder.changes, (std::vector<Change>{{0, a}, {1, a}, {0, a}, {0, b}, {1, a}, {0, a}, {1, b}, {1, a},
                                                   {0, b}, {1, b}}));
}

// A deep copy holds the copies, each as its own key; a shallow one the same objects.
TEST_F(LLKCObjectPileTest, CopiesHoldObjectsOrTheirCopies) {
  LLKCObjectPile* pile = LLKCObjectPile::pileWithCapacity(4);
  LLKBObject* a = str("a");
  pile->append(a);
  pile->append(str("b"));
  LLKCObjectPile* shallow = pile->copy();
  ASSERT_NE(shallow, nullptr);
  EXPECT_TRUE(shallow->contains(a));
  EXPECT_EQ(shallow->capacity(), 4u);
  LLKCObjectPile* deep = pile->deepCopy();
  ASSERT_NE(deep, nullptr);
  EXPECT_EQ(texts(deep), "a,b");
  EXPECT_FALSE(deep->contains(a));
  EXPECT_EQ(deep->remove(deep->fetchAtIndex(1)), 0);
  pile->append(plain());
  EXPECT_EQ(pile->deepCopy(), nullptr);
}
