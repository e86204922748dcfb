#include <txq/llk/collections/LLKCKeyring.h>

#include <gtest/gtest.h>

#include <cstdint>
#include <string>
#include <vector>

#include <txq/llk/values/LLKCNumber.h>

#include "llk/collections/MapTestSupport.h"
#include "support/ObjectTest.h"

using maptest::live;
using maptest::plain;
using maptest::str;
using maptest::text;

// An object whose hash code is the same for every instance: they differ only by compareTo.
class RingTestItem : public LLKBObject {
  LLK_OBJECT(RingTestItem, LLKBObject)

 public:
  int32_t iId;
  static RingTestItem* itemWithId(int32_t id) noexcept {
    RingTestItem* item = llk::autorelease(new_());
    item->iId = id;
    return item;
  }
  uint32_t hashCode() noexcept override { return 0xABCDu; }
  int32_t compareTo(LLKBObject* other) noexcept override {
    RingTestItem* item = llk::cast<RingTestItem>(other);
    if (item == nullptr) return 1;
    return iId < item->iId ? -1 : (iId > item->iId ? 1 : 0);
  }
};
LLK_DEFINE_CLASS(RingTestItem, LLK_PROTOCOLS(LLKPKeyable), hashCode, compareTo)

namespace {

class LLKCKeyringTest : public txqtest::ObjectTest {};

std::string ringTexts(LLKCKeyring* ring) {
  return maptest::texts(ring, [](LLKCKeyring* r, uint64_t i) { return r->fetchAtIndex(i); });
}

}  // namespace

// ---- A set by value ----

TEST_F(LLKCKeyringTest, AnEqualObjectIsRefusedSilently) {
  LLKCKeyring* ring = LLKCKeyring::ring();
  LLKCString* admin = str("admin");
  EXPECT_EQ(ring->store(admin), 0);
  LLKCString* again = str("admin");
  EXPECT_EQ(ring->store(again), 0);  // no error, and nothing changes
  EXPECT_EQ(ring->count(), 1u);
  EXPECT_EQ(ring->fetchAtIndex(0), admin);
  EXPECT_EQ(again->retainCount(), 1u);  // not held
  EXPECT_EQ(ring->store(admin), 0);     // the same object again: still one
  EXPECT_EQ(ring->count(), 1u);
  EXPECT_EQ(admin->retainCount(), 3u);  // the pool, the bucket and the order
  EXPECT_TRUE(ring->contains(again));
  EXPECT_TRUE(ring->contains("admin"_llk));
  EXPECT_FALSE(ring->contains(str("Admin")));
  EXPECT_FALSE(ring->contains(nullptr));
  EXPECT_EQ(ring->store(nullptr), 24);
  // Objects of the root class compare by identity; values of another class never meet a string.
  LLKBObject* identity = plain();
  ring->store(identity);
  EXPECT_TRUE(ring->contains(identity));
  EXPECT_FALSE(ring->contains(plain()));
  EXPECT_EQ(ring->store(LLKCNumber::numberWithSint(5)), 0);
  EXPECT_FALSE(ring->contains(str("5")));
  EXPECT_TRUE(ring->contains(LLKCNumber::numberWithSint(5)));
}

TEST_F(LLKCKeyringTest, ObjectsSharingAHashButNotEqualAreAllHeld) {
  LLKCKeyring* ring = LLKCKeyring::ring();
  RingTestItem* one = RingTestItem::itemWithId(1);
  RingTestItem* two = RingTestItem::itemWithId(2);
  EXPECT_EQ(ring->store(one), 0);
  EXPECT_EQ(ring->store(two), 0);
  EXPECT_EQ(ring->store(RingTestItem::itemWithId(1)), 0);  // equal to `one`
  EXPECT_EQ(ring->count(), 2u);
  EXPECT_TRUE(ring->contains(RingTestItem::itemWithId(2)));
  EXPECT_FALSE(ring->contains(RingTestItem::itemWithId(3)));
  // remove takes out the held object equal to the argument.
  EXPECT_EQ(ring->remove(RingTestItem::itemWithId(1)), 0);
  EXPECT_EQ(one->retainCount(), 1u);
  EXPECT_EQ(ring->count(), 1u);
  EXPECT_EQ(ring->fetchAtIndex(0), two);
  EXPECT_TRUE(ring->contains(two));
  EXPECT_EQ(ring->remove(one), 5);
  EXPECT_EQ(ring->remove(nullptr), 24);
}

// ---- Order and positions ----

TEST_F(LLKCKeyringTest, ObjectsKeepTheirOrderThroughRemovals) {
  LLKCKeyring* ring = LLKCKeyring::ring();
  for (const char* t : {"d", "a", "c", "b", "e"}) ring->store(str(t));
  EXPECT_EQ(ringTexts(ring), "d,a,c,b,e");
  EXPECT_EQ(ring->removeAtIndex(1), 0);
  EXPECT_EQ(ring->removeAtIndex(4), 5);
  EXPECT_EQ(ring->remove(str("b")), 0);
  EXPECT_EQ(ringTexts(ring), "d,c,e");
  EXPECT_FALSE(ring->contains(str("a")));
  EXPECT_EQ(ring->fetchAtIndex(3), nullptr);
  std::string seen;
  for (LLKBObject* object : ring) seen += text(object);
  EXPECT_EQ(seen, "dce");
  LLKCKeyring* none = nullptr;
  for (LLKBObject* object : none) ADD_FAILURE() << text(object);
  ring->clear();
  EXPECT_EQ(ring->count(), 0u);
  EXPECT_FALSE(ring->contains(str("d")));
  EXPECT_EQ(ring->store(str("d")), 0);
  EXPECT_EQ(ringTexts(ring), "d");
}

// ---- Capacity and pool ----

TEST_F(LLKCKeyringTest, FreedBucketsReturnToThePoolOnlyWithinTheCapacity) {
  if (live() < 0) GTEST_SKIP() << "this build does not count live objects";
  LLKCKeyring* ring = LLKCKeyring::ringWithCapacity(1);
  EXPECT_EQ(ring->capacity(), 1u);
  LLKBObject* items[3] = {str("a"), str("b"), str("c")};
  const int64_t start = live();
  ring->store(items[0]);
  EXPECT_EQ(live(), start);  // from the pool
  ring->store(items[1]);
  ring->store(items[2]);
  EXPECT_EQ(live(), start + 4);
  ring->remove(items[0]);  // 2 in use + 0 spare > 1: freed
  EXPECT_EQ(live(), start + 2);
  ring->remove(items[1]);  // 1 + 0 <= 1: pooled
  ring->remove(items[2]);  // 0 + 1 <= 1: pooled
  EXPECT_EQ(live(), start + 2);
  ring->store(items[0]);
  ring->store(items[1]);
  EXPECT_EQ(live(), start + 2);  // both from the pool
}

TEST_F(LLKCKeyringTest, ResizeGrowsThePoolAndShrinksNoLowerThanTheCount) {
  if (live() < 0) GTEST_SKIP() << "this build does not count live objects";
  LLKCKeyring* ring = LLKCKeyring::ring();
  LLKBObject* items[2] = {str("a"), str("b")};
  const int64_t start = live();
  EXPECT_EQ(ring->resize(3), 0);
  EXPECT_EQ(ring->capacity(), 3u);
  EXPECT_EQ(live(), start + 6);
  ring->store(items[0]);
  ring->store(items[1]);
  EXPECT_EQ(ring->resize(0), 0);  // the capacity becomes the count; the difference leaves the pool
  EXPECT_EQ(ring->capacity(), 2u);
  EXPECT_EQ(live(), start + 4);
  EXPECT_EQ(ring->resize(UINT64_MAX), 2);
  EXPECT_EQ(ring->capacity(), 2u);
  ring->clear();
  EXPECT_EQ(live(), start + 4);  // 1 + 0 and 0 + 1 within 2: both pooled
  EXPECT_EQ(ring->resize(0), 0);
  EXPECT_EQ(ring->capacity(), 0u);
  EXPECT_EQ(live(), start);
}

// ---- Copies and ownership ----

TEST_F(LLKCKeyringTest, CopiesHoldTheSameOrEqualObjects) {
  LLKCKeyring* ring = LLKCKeyring::ringWithCapacity(3);
  LLKCString* a = str("a");
  ring->store(a);
  ring->store(str("b"));
  LLKCKeyring* shallow = ring->copy();
  ASSERT_NE(shallow, nullptr);
  EXPECT_EQ(shallow->capacity(), 3u);
  EXPECT_EQ(shallow->fetchAtIndex(0), a);
  EXPECT_EQ(ringTexts(shallow), "a,b");
  LLKCKeyring* deep = ring->deepCopy();
  ASSERT_NE(deep, nullptr);
  EXPECT_NE(deep->fetchAtIndex(0), a);
  EXPECT_TRUE(deep->contains(a));
  shallow->clear();
  EXPECT_EQ(ring->count(), 2u);
  ring->store(plain());
  EXPECT_EQ(ring->deepCopy(), nullptr);
  EXPECT_TRUE(LLKCKeyring::classObject()->conformsToProtocol(&LLKPCopyable::kProtocol));
  EXPECT_EQ(LLKCKeyring::alloc()->initWithCopy_deep(a, false), nullptr);
}

TEST_F(LLKCKeyringTest, ReleasingTheKeyringReleasesEveryObject) {
  LLKCKeyring* ring = LLKCKeyring::alloc()->initWithCapacity(2);
  LLKCString* kept = LLKCString::alloc()->initWithChars("kept");
  ring->store(kept);
  ring->store(RingTestItem::itemWithId(1));
  EXPECT_EQ(kept->retainCount(), 3u);
  ring->release();
  EXPECT_EQ(kept->retainCount(), 1u);
  kept->release();
}

// ---- Allocation failure ----

TEST_F(LLKCKeyringTest, AHashTableThatCannotBeMadeAnswers2AndNothingChanges) {
  if (maptest::kSanitizedAllocator) GTEST_SKIP() << "the sanitizer's allocator never answers null";
  LLKCKeyring* ring = LLKCKeyring::ringWithCapacity(2);  // the bucket comes from the pool
  ASSERT_NE(ring, nullptr);
  LLKCString* item = str("item");
  item->hashCode();
  auto run = [&] {
    return maptest::exhaustedThen(
        [&] {
          if (ring->store(item) != 2) return 10;  // the first store makes the table
          if (ring->count() != 0 || ring->contains(item) || item->retainCount() != 1) return 11;
          return 0;
        },
        [&](int code) {
          if (code != 0) return code;
          if (ring->store(item) != 0 || !ring->contains(item) || ring->count() != 1) return 12;
          return 42;
        });
  };
  EXPECT_EXIT(run(), testing::ExitedWithCode(42), "");
}
