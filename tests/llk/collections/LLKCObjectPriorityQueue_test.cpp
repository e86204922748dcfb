#include <txq/llk/collections/LLKCObjectPriorityQueue.h>

#include <gtest/gtest.h>

#include <chrono>
#include <cstring>
#include <string>
#include <vector>

#include <txq/llk/coding/LLKCBinaryDecoder.h>
#include <txq/llk/coding/LLKCBinaryEncoder.h>
#include <txq/llk/coding/LLKCMemoryIO.h>

#include "SequenceTestSupport.h"
#include "support/ObjectTest.h"

namespace {

std::string text(LLKBObject* o) {
  LLKCString* s = llk::cast<LLKCString>(o);
  return s != nullptr ? std::string(s->view()) : "-";
}

// The texts in service order, joined by ','.
std::string served(LLKCObjectPriorityQueue* q) {
  std::string out;
  q->iterateWithFunction_andContext(
      [](LLKBObject* o, void* c) {
        auto* s = static_cast<std::string*>(c);
        *s += (s->empty() ? "" : ",") + text(o);
      },
      &out);
  return out;
}

std::vector<uint8_t> encoded(LLKBObject* object) {
  LLKCMemoryIO* memory = LLKCMemoryIO::memoryWithLength_andBlockSize(256, 256);
  LLKCBinaryEncoder* encoder = LLKCBinaryEncoder::encoder();
  if (!encoder->beginWithTarget(memory) || !encoder->encodeObject(object) || !encoder->cease()) return {};
  const auto* bytes = static_cast<const uint8_t*>(memory->bytes());
  return std::vector<uint8_t>(bytes, bytes + memory->position());
}

LLKBObject* decoded(std::vector<uint8_t>& bytes) {
  LLKCMemoryIO* memory = LLKCMemoryIO::memoryWithBytesNoCopy_length(bytes.data(), bytes.size());
  LLKCBinaryDecoder* decoder = LLKCBinaryDecoder::decoder();
  if (!decoder->beginWithSource(memory)) return nullptr;
  LLKBObject* object = decoder->decodeObject();
  decoder->cease();
  return object;
}

// Overwrites the 32-bit payload of the n-th unsigned record (tag 13) with the key hash given
// (0: unkeyed).
void patchUnsigned(std::vector<uint8_t>& bytes, int n, uint32_t keyHash, uint32_t value) {
  for (size_t at = 8; at + 20 <= bytes.size(); ++at) {
    uint32_t hash = 0;
    std::memcpy(&hash, &bytes[at + 8], 4);
    if (std::memcmp(&bytes[at], "KmF", 3) == 0 && bytes[at + 3] == 13 && hash == keyHash && n-- == 0) {
      std::memcpy(&bytes[at + 16], &value, 4);
      return;
    }
  }
  ADD_FAILURE() << "no such record";
}

}  // namespace

class LLKCObjectPriorityQueueTest : public txqtest::ObjectTest {};

TEST_F(LLKCObjectPriorityQueueTest, ServesTheHighestPriorityFirstAndEachLevelInArrivalOrder) {
  LLKCObjectPriorityQueue* q = LLKCObjectPriorityQueue::queue();
  EXPECT_EQ(q->peekAtPriority(), 0);
  EXPECT_EQ(q->pop(), nullptr);
  // Two objects on every level, the levels visited in a scrambled order.
  for (int round = 0; round < 2; ++round) {
    for (int i = 0; i < 256; ++i) {
      const int p = (i * 97) % 256;
      ASSERT_EQ(q->push_withPriority(txqtest::str((std::to_string(p) + char('a' + round)).c_str()),
                                     static_cast<uint8_t>(p)),
                0);
    }
  }
  EXPECT_EQ(q->count(), 512u);
  EXPECT_EQ(q->peekAtPriority(), 255);
  for (int p = 255; p >= 0; --p) {
    for (char c : {'a', 'b'}) {
      uint8_t at = 0;
      ASSERT_EQ(text(q->popAndGivePriority(&at)), std::to_string(p) + c);
      ASSERT_EQ(at, p);
    }
  }
  EXPECT_EQ(q->count(), 0u);
  EXPECT_EQ(q->capacity(), 512u);  // the nodes stay as spare ones and serve again
  EXPECT_EQ(q->push(txqtest::str("x")), 0);
  EXPECT_EQ(q->capacity(), 512u);
  EXPECT_EQ(q->peekAtPriority(), 0);
  EXPECT_EQ(q->push(nullptr), 0);
  EXPECT_EQ(q->count(), 1u);
}

TEST_F(LLKCObjectPriorityQueueTest, RangesAndSingleLevels) {
  LLKCObjectPriorityQueue* q = LLKCObjectPriorityQueue::queueWithCapacity(4);
  q->push_withPriority(txqtest::str("3a"), 3);
  q->push_withPriority(txqtest::str("200"), 200);
  q->push_withPriority(txqtest::str("3b"), 3);
  q->push(txqtest::str("0"));
  EXPECT_EQ(served(q), "200,3a,3b,0");
  uint8_t at = 99;
  EXPECT_EQ(text(q->peekWithin_and_andGivePriority(10, 5, &at)), "-");
  EXPECT_EQ(at, 99);  // untouched
  EXPECT_EQ(text(q->peekWithin_and_andGivePriority(10, 2, &at)), "3a");
  EXPECT_EQ(at, 3);
  EXPECT_EQ(text(q->popWithin_and_andGivePriority(2, 10, nullptr)), "3a");
  EXPECT_EQ(text(q->popWithPriority(0)), "0");
  EXPECT_EQ(q->popWithPriority(1), nullptr);
  EXPECT_EQ(text(q->peekWithPriority(200)), "200");
  EXPECT_EQ(text(q->pop()), "200");
  EXPECT_EQ(text(q->peek()), "3b");
}

TEST_F(LLKCObjectPriorityQueueTest, SearchesUpwardsAndRemovesWithCallbacks) {
  LLKCObjectPriorityQueue* q = LLKCObjectPriorityQueue::queue();
  txqtest::CallbackRecorder recorder;
  recorder.attach(q);
  LLKBObject* twice = txqtest::str("twice");
  q->push_withPriority(twice, 7);
  q->push_withPriority(txqtest::str("k"), 5);
  q->push_withPriority(twice, 3);
  uint8_t at = 0;
  EXPECT_TRUE(q->contains_priority(twice, &at));
  EXPECT_EQ(at, 3);  // the lowest level holding it
  EXPECT_EQ(q->remove(twice), 0);
  EXPECT_TRUE(q->contains_priority(twice, &at));
  EXPECT_EQ(at, 7);
  EXPECT_EQ(q->remove(txqtest::str("absent")), 5);
  EXPECT_FALSE(q->contains(nullptr));
  EXPECT_EQ(recorder.changes.size(), 4u);
  EXPECT_EQ(recorder.changes.back(), txqtest::Event(1, twice));

  EXPECT_TRUE(q->removeWithFilter_context([](LLKBObject* o, void*) { return text(o) == "k"; }, nullptr));
  EXPECT_FALSE(q->removeWithFilter_context([](LLKBObject*, void*) { return false; }, nullptr));
  EXPECT_EQ(served(q), "twice");
  q->clear();
  EXPECT_EQ(q->count(), 0u);
  EXPECT_EQ(q->capacity(), 3u);
  EXPECT_EQ(recorder.changes.size(), 6u);
}

TEST_F(LLKCObjectPriorityQueueTest, CopiesKeepLevelsAndOrder) {
  LLKCObjectPriorityQueue* q = LLKCObjectPriorityQueue::queueWithCapacity(5);
  q->push_withPriority(txqtest::str("a"), 1);
  q->push_withPriority(txqtest::str("b"), 9);
  q->push_withPriority(txqtest::str("c"), 1);
  LLKCObjectPriorityQueue* deep = q->deepCopy();
  ASSERT_NE(deep, nullptr);
  EXPECT_EQ(served(deep), "b,a,c");
  EXPECT_EQ(deep->capacity(), 5u);
  EXPECT_EQ(q->copy()->peek(), q->peek());
  q->push(llk::autorelease(LLKBObject::new_()));  // not copyable
  EXPECT_EQ(q->deepCopy(), nullptr);
}

TEST_F(LLKCObjectPriorityQueueTest, CodingRoundTripSkipsWhatCannotBeEncoded) {
  LLKCObjectPriorityQueue* q = LLKCObjectPriorityQueue::queueWithCapacity(10);
  q->push_withPriority(txqtest::str("low"), 2);
  q->push_withPriority(llk::autorelease(LLKBObject::new_()), 2);  // skipped
  q->push_withPriority(txqtest::str("top1"), 250);
  q->push_withPriority(txqtest::str("top2"), 250);
  q->push_withPriority(llk::autorelease(LLKBObject::new_()), 100);  // a level with nothing to write
  std::vector<uint8_t> bytes = encoded(q);
  ASSERT_FALSE(bytes.empty());
  auto* back = llk::cast<LLKCObjectPriorityQueue>(decoded(bytes));
  ASSERT_NE(back, nullptr);
  EXPECT_EQ(served(back), "top1,top2,low");
  uint8_t at = 0;
  EXPECT_TRUE(back->contains_priority(back->peekWithPriority(2), &at));
  EXPECT_EQ(at, 2);
  EXPECT_EQ(back->capacity(), 10u);
}

TEST_F(LLKCObjectPriorityQueueTest, HostileStreamsFailFastWithoutLeaks) {
  LLKCObjectPriorityQueue* q = LLKCObjectPriorityQueue::queue();
  q->push_withPriority(txqtest::str("a"), 4);
  q->push_withPriority(txqtest::str("b"), 4);
  const std::vector<uint8_t> good = encoded(q);
  ASSERT_FALSE(good.empty());
  const uint32_t countHash = "count"_llk->hashCode();
  const uint32_t capacityHash = "capacity"_llk->hashCode();
  const auto start = std::chrono::steady_clock::now();

  std::vector<uint8_t> manyGroups = good;  // more groups than levels
  patchUnsigned(manyGroups, 0, countHash, 0xFFFFFFFF);
  patchUnsigned(manyGroups, 0, capacityHash, 0xFFFFFFFF);
  EXPECT_EQ(decoded(manyGroups), nullptr);
  std::vector<uint8_t> hugeGroup = good;  // a group claiming more objects than the stream holds
  patchUnsigned(hugeGroup, 1, 0, 0xFFFFFFFF);
  EXPECT_EQ(decoded(hugeGroup), nullptr);
  std::vector<uint8_t> badLevel = good;
  patchUnsigned(badLevel, 0, 0, 256);
  EXPECT_EQ(decoded(badLevel), nullptr);
  std::vector<uint8_t> hugeCapacity = good;  // a capacity claim is a hint only
  patchUnsigned(hugeCapacity, 0, capacityHash, 0xFFFFFFFF);
  auto* back = llk::cast<LLKCObjectPriorityQueue>(decoded(hugeCapacity));
  ASSERT_NE(back, nullptr);
  EXPECT_EQ(served(back), "a,b");
  EXPECT_LE(back->capacity(), 4096u);
  EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(2));
}
