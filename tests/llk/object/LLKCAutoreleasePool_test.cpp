#include <txq/llk/object/LLKCAutoreleasePool.h>

#include <gtest/gtest.h>

#include <cstdio>
#include <string>
#include <thread>
#include <vector>

#include "support/ObjectTest.h"

// Records the order of deallocations; optionally autoreleases another object while it goes.
class Marker : public LLKBObject {
  LLK_OBJECT(Marker, LLKBObject)

 public:
  std::vector<int>* order;
  int tag;
  Marker* passOn;  // autoreleased during dealloc (owned until then)

  static Marker* make(std::vector<int>* order, int tag) noexcept {
    Marker* marker = new_();
    marker->order = order;
    marker->tag = tag;
    return marker;
  }
  void dealloc() noexcept override {
    order->push_back(tag);
    if (passOn != nullptr) passOn->autorelease();
    Super::dealloc();
  }
};
LLK_DEFINE_CLASS(Marker, LLK_PROTOCOLS())

namespace {

std::string addressLine(const void* address, const char* text) {
  char line[160];
  std::snprintf(line, sizeof line, "0x%p %s", address, text);
  return line;
}

}  // namespace

// These cases manage pools themselves; the live counter still checks them.
class LLKCAutoreleasePoolTest : public testing::Test {
 protected:
  void SetUp() override { live_ = LLKFLiveObjectCount(); }
  void TearDown() override {
    EXPECT_EQ(LLKCAutoreleasePool::localPool(), nullptr);
#if TXQ_LIVE_OBJECTS
    EXPECT_EQ(LLKFLiveObjectCount(), live_);
#endif
  }
  int64_t live_ = 0;
};

TEST_F(LLKCAutoreleasePoolTest, DrainReleasesNewestBlockFirstAndOldestObjectFirstWithinIt) {
  std::vector<int> order;
  LLKCAutoreleasePool* pool = LLKCAutoreleasePool::new_();
  for (int i = 0; i < 65; ++i) Marker::make(&order, i)->autorelease();
  EXPECT_EQ(pool->count(), 65u);
  pool->sink();
  ASSERT_EQ(order.size(), 65u);
  EXPECT_EQ(order[0], 64);  // the second block holds the 65th object alone
  for (int i = 0; i < 64; ++i) EXPECT_EQ(order[i + 1], i);
  EXPECT_EQ(pool->count(), 0u);
  EXPECT_EQ(LLKCAutoreleasePool::localPool(), pool);  // draining does not end a pool
  pool->release();
}

TEST_F(LLKCAutoreleasePoolTest, AnObjectAutoreleasedTwiceIsReleasedTwice) {
  std::vector<int> order;
  LLKCAutoreleasePool* pool = LLKCAutoreleasePool::new_();
  Marker* marker = Marker::make(&order, 1);
  marker->retain();
  marker->autorelease();
  marker->autorelease();
  pool->release();
  EXPECT_EQ(order, std::vector<int>{1});
}

TEST_F(LLKCAutoreleasePoolTest, ObjectsAutoreleasedWhileDrainingAreDrainedByTheSameSink) {
  std::vector<int> order;
  LLKCAutoreleasePool* pool = LLKCAutoreleasePool::new_();
  Marker* first = Marker::make(&order, 1);
  first->passOn = Marker::make(&order, 2);
  first->passOn->passOn = Marker::make(&order, 3);
  first->autorelease();
  pool->sink();
  EXPECT_EQ(order, (std::vector<int>{1, 2, 3}));
  EXPECT_EQ(pool->count(), 0u);
  pool->release();
}

TEST_F(LLKCAutoreleasePoolTest, NestedPoolsTakeTheNewestObjectsAndRestoreTheOuterOne) {
  std::vector<int> order;
  LLKCAutoreleasePool* outer = LLKCAutoreleasePool::new_();
  Marker::make(&order, 1)->autorelease();
  LLKCAutoreleasePool* inner = LLKCAutoreleasePool::new_();
  EXPECT_EQ(LLKCAutoreleasePool::localPool(), inner);
  Marker::make(&order, 2)->autorelease();
  EXPECT_EQ(inner->count(), 1u);
  EXPECT_EQ(outer->count(), 1u);
  inner->release();
  EXPECT_EQ(order, std::vector<int>{2});
  EXPECT_EQ(LLKCAutoreleasePool::localPool(), outer);
  outer->release();
  EXPECT_EQ(order, (std::vector<int>{2, 1}));
}

TEST_F(LLKCAutoreleasePoolTest, RetainAndAutoreleaseOfAPoolLogAndNeverKeepItAlive) {
  txqtest::LogCapture log;
  LLKCAutoreleasePool* pool = LLKCAutoreleasePool::new_();
  EXPECT_EQ(pool->retain(), pool);
  EXPECT_EQ(pool->autorelease(), pool);
  EXPECT_EQ(pool->count(), 0u);
  (void)pool->retainCount();
  ASSERT_EQ(log.texts().size(), 2u);
  EXPECT_EQ(log.texts()[0], addressLine(pool, "LLKCAutoreleasePool cannot be retained!"));
  EXPECT_EQ(log.texts()[1], addressLine(pool, "LLKCAutoreleasePool cannot be autoretained!"));
  EXPECT_EQ(pool->release(), nullptr);  // one release destroys it
  EXPECT_EQ(LLKCAutoreleasePool::localPool(), nullptr);
}

TEST_F(LLKCAutoreleasePoolTest, AutoreleaseWithoutAPoolLogsAndLeavesTheObjectAlone) {
  txqtest::LogCapture log;
  LLKBObject* object = LLKBObject::new_();
  EXPECT_EQ(object->autorelease(), nullptr);
  ASSERT_EQ(log.texts().size(), 1u);
  EXPECT_EQ(log.texts()[0], addressLine(LLKCAutoreleasePool::classObject(), "No LLKCAutoreleasePool!"));
  EXPECT_EQ(object->retainCount(), 1u);
  object->release();  // the caller still owns it
}

TEST_F(LLKCAutoreleasePoolTest, SwapWithChangesOnlyTheCurrentPool) {
  LLKCAutoreleasePool* pool = LLKCAutoreleasePool::new_();
  EXPECT_EQ(LLKCAutoreleasePool::swapWith(nullptr), pool);
  EXPECT_EQ(LLKCAutoreleasePool::localPool(), nullptr);
  EXPECT_EQ(LLKCAutoreleasePool::swapWith(pool), nullptr);
  EXPECT_EQ(LLKCAutoreleasePool::localPool(), pool);
  pool->release();
}

TEST_F(LLKCAutoreleasePoolTest, ReleasingOutOfOrderUnlinksThePoolSoNoFreedPoolBecomesCurrent) {
  txqtest::LogCapture log;
  std::vector<int> order;
  LLKCAutoreleasePool* outer = LLKCAutoreleasePool::new_();
  LLKCAutoreleasePool* middle = LLKCAutoreleasePool::new_();
  Marker::make(&order, 1)->autorelease();
  LLKCAutoreleasePool* inner = LLKCAutoreleasePool::new_();
  std::string expected = addressLine(middle, "LLKCAutoreleasePool deallocated without being the top!");
  middle->release();  // not the top: its objects go, the current pool stays
  EXPECT_EQ(order, std::vector<int>{1});
  ASSERT_EQ(log.texts().size(), 1u);
  EXPECT_EQ(log.texts()[0], expected);
  EXPECT_EQ(LLKCAutoreleasePool::localPool(), inner);
  inner->release();
  EXPECT_EQ(LLKCAutoreleasePool::localPool(), outer);  // not the freed middle pool
  Marker::make(&order, 2)->autorelease();
  outer->release();
  EXPECT_EQ(order, (std::vector<int>{1, 2}));
}

TEST_F(LLKCAutoreleasePoolTest, PoolsArePerThread) {
  LLKCAutoreleasePool* mine = LLKCAutoreleasePool::new_();
  LLKCAutoreleasePool* seen = mine;
  std::thread other([&seen] { seen = LLKCAutoreleasePool::localPool(); });
  other.join();
  EXPECT_EQ(seen, nullptr);
  mine->release();
}
