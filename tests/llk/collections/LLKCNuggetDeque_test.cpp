#include <txq/llk/collections/LLKCNuggetDeque.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <cstring>
#include <string>
#include <vector>

#include <txq/llk/coding/LLKCBinaryDecoder.h>
#include <txq/llk/coding/LLKCBinaryEncoder.h>
#include <txq/llk/coding/LLKCMemoryIO.h>
#include <txq/llk/values/LLKCString.h>

#include "support/ObjectTest.h"

class LLKCNuggetDequeTest : public txqtest::ObjectTest {};

namespace {

// A 16-byte nugget: the letter, then the bytes 1..15 so that only the whole record compares equal.
struct Nugget {
  uint8_t bytes[16];
};
Nugget nugget(char letter) {
  Nugget n{};
  n.bytes[0] = static_cast<uint8_t>(letter);
  for (uint8_t i = 1; i < 16; ++i) n.bytes[i] = i;
  return n;
}

LLKCNuggetDeque* dequeOf(const char* letters, uint64_t capacity = 8) {
  LLKCNuggetDeque* deque = LLKCNuggetDeque::dequeWithLength_andCapacity(sizeof(Nugget), capacity);
  for (const char* p = letters; *p != '\0'; ++p) {
    const Nugget n = nugget(*p);
    EXPECT_EQ(deque->append(&n), 0);
  }
  return deque;
}

// The first byte of each nugget, head to tail.
std::string letters(LLKCNuggetDeque* deque) {
  std::string out;
  for (uint64_t i = 0; i < deque->count(); ++i) {
    out += static_cast<char>(*static_cast<uint8_t*>(deque->fetchAtIndex(i)));
  }
  return out;
}

std::vector<uint8_t> streamOf(LLKCMemoryIO* memory) {
  const auto* bytes = static_cast<const uint8_t*>(memory->bytes());
  uint32_t length = 0;
  std::memcpy(&length, bytes + 4, 4);
  return std::vector<uint8_t>(bytes, bytes + length);
}

LLKBObject* decodeObject(std::vector<uint8_t>& stream) {
  LLKCBinaryDecoder* decoder = LLKCBinaryDecoder::decoder();
  if (!decoder->beginWithSource(LLKCMemoryIO::memoryWithBytesNoCopy_length(stream.data(), stream.size()))) {
    return nullptr;
  }
  LLKBObject* object = decoder->decodeObject();
  decoder->cease();
  return object;
}

LLKCNuggetDeque* roundTrip(LLKCNuggetDeque* deque) {
  LLKCMemoryIO* memory = LLKCMemoryIO::memoryWithLength_andBlockSize(0, 256);
  LLKCBinaryEncoder* encoder = LLKCBinaryEncoder::encoder();
  EXPECT_TRUE(encoder->beginWithTarget(memory));
  EXPECT_TRUE(encoder->encodeObject(deque));
  EXPECT_TRUE(encoder->cease());
  std::vector<uint8_t> stream = streamOf(memory);
  return llk::cast<LLKCNuggetDeque>(decodeObject(stream));
}

// A deque's content written by hand at the top of a stream, read back by initWithCoder.
struct Forged {
  uint32_t bufferLength;
  uint32_t size;
  uint32_t count;
  uint32_t capacity;
};
// `claimed`, when not 0, replaces the stream length of the header (a stream claiming more than it holds).
LLKCNuggetDeque* decodeForged(const Forged& f, uint32_t claimed = 0) {
  LLKCMemoryIO* memory = LLKCMemoryIO::memoryWithLength_andBlockSize(0, 256);
  LLKCBinaryEncoder* encoder = LLKCBinaryEncoder::encoder();
  std::vector<uint8_t> buffer(f.bufferLength, 0xAB);
  EXPECT_TRUE(encoder->beginWithTarget(memory));
  encoder->encodeBuffer_length(buffer.data(), buffer.size());
  encoder->encodeUint32_forKey(f.size, "len"_llk);
  encoder->encodeUint32_forKey(f.count, "count"_llk);
  encoder->encodeUint32_forKey(f.capacity, "capacity"_llk);
  EXPECT_TRUE(encoder->cease());
  std::vector<uint8_t> stream = streamOf(memory);
  if (claimed != 0) std::memcpy(&stream[4], &claimed, 4);
  LLKCBinaryDecoder* decoder = LLKCBinaryDecoder::decoder();
  LLKCMemoryIO* source = LLKCMemoryIO::memoryWithBytesNoCopy_length(stream.data(), stream.size());
  EXPECT_TRUE(decoder->beginWithSource(source));
  LLKCNuggetDeque* deque = llk::autorelease(LLKCNuggetDeque::alloc()->initWithCoder(decoder));
  decoder->cease();
  return deque;
}

}  // namespace

TEST_F(LLKCNuggetDequeTest, CreationClampsSizesAndRefusesUnrepresentableBuffers) {
  LLKCNuggetDeque* deque = LLKCNuggetDeque::dequeWithLength(16);
  EXPECT_EQ(deque->nuggetSize(), 16u);
  EXPECT_EQ(deque->capacity(), 16u);
  EXPECT_FLOAT_EQ(deque->growFactor(), 0.25f);
  LLKCNuggetDeque* tiny = LLKCNuggetDeque::dequeWithLength_andCapacity(0, 0);
  EXPECT_EQ(tiny->nuggetSize(), 1u);
  EXPECT_EQ(tiny->capacity(), 1u);
  EXPECT_EQ(LLKCNuggetDeque::dequeWithLength_andCapacity(UINT64_MAX / 2, 4), nullptr);
  EXPECT_EQ(LLKCNuggetDeque::dequeWithLength_andCapacity(uint64_t{1} << 40, uint64_t{1} << 40), nullptr);

  // A bare deque has size 1 and no buffer until the first insertion.
  LLKCNuggetDeque* bare = llk::autorelease(LLKCNuggetDeque::new_());
  EXPECT_EQ(bare->nuggetSize(), 1u);
  EXPECT_EQ(bare->capacity(), 0u);
  EXPECT_EQ(bare->head(), nullptr);
  const char c = 'z';
  EXPECT_EQ(bare->append(&c), 0);
  EXPECT_EQ(bare->capacity(), 1u);
  EXPECT_EQ(*static_cast<char*>(bare->head()), 'z');

  bare->setGrowFactor(-2.0f);
  EXPECT_EQ(bare->growFactor(), 0.0f);
}

TEST_F(LLKCNuggetDequeTest, FullDequeGrowsOnlyWhenAllowed) {
  LLKCNuggetDeque* deque = LLKCNuggetDeque::dequeWithLength_andCapacity(16, 8);
  const Nugget n = nugget('n');
  for (int i = 0; i < 8; ++i) EXPECT_EQ(deque->append_andResizeIfNeeded(&n, 0), 0);
  EXPECT_EQ(deque->append_andResizeIfNeeded(&n, 0), 10);
  EXPECT_EQ(deque->prepend_andResizeIfNeeded(&n, 0), 10);
  EXPECT_EQ(deque->insert_atIndex_andResizeIfNeeded(&n, 3, 0), 10);
  EXPECT_EQ(deque->count(), 8u);
  EXPECT_EQ(deque->append(&n), 0);
  EXPECT_EQ(deque->capacity(), 10u);  // 8 + ceil(8 * 0.25)
  EXPECT_EQ(deque->count(), 9u);

  deque->setGrowFactor(0.0f);
  EXPECT_EQ(deque->append(&n), 0);
  EXPECT_EQ(deque->append(&n), 10);
  EXPECT_EQ(deque->count(), 10u);
}

TEST_F(LLKCNuggetDequeTest, InsertionAccessAndRemoval) {
  LLKCNuggetDeque* deque = dequeOf("ABC", 3);
  const Nugget x = nugget('X'), y = nugget('Y'), z = nugget('Z');
  EXPECT_EQ(deque->insert_atIndex(&x, 1), 0);
  EXPECT_EQ(deque->insert_atIndex(&y, 4), 0);  // at count: the end
  EXPECT_EQ(deque->insert_atIndex(&z, 6), 15);
  EXPECT_EQ(deque->prepend(&z), 0);
  EXPECT_EQ(letters(deque), "ZAXBCY");
  EXPECT_EQ(*static_cast<uint8_t*>(deque->head()), 'Z');
  EXPECT_EQ(*static_cast<uint8_t*>(deque->tail()), 'Y');
  EXPECT_EQ(deque->fetchAtIndex(6), nullptr);

  Nugget out = nugget('-');
  EXPECT_TRUE(deque->fetch_atIndex(&out, 2));
  EXPECT_EQ(std::memcmp(&out, &x, sizeof out), 0);
  EXPECT_FALSE(deque->fetch_atIndex(&out, 6));
  EXPECT_FALSE(deque->fetch_atIndex(nullptr, 0));

  // The whole nugget is compared, not its first byte only.
  Nugget almostB = nugget('B');
  almostB.bytes[15] = 0;
  uint64_t index = 99;
  EXPECT_FALSE(deque->contains(&almostB));
  const Nugget b = nugget('B');
  EXPECT_TRUE(deque->contains_atIndex(&b, &index));
  EXPECT_EQ(index, 3u);
  EXPECT_EQ(deque->remove(&almostB), 5);
  EXPECT_EQ(deque->append(&z), 0);
  EXPECT_EQ(deque->remove(&z), 0);  // the first match only
  EXPECT_EQ(letters(deque), "AXBCYZ");
  EXPECT_EQ(deque->removeAtIndex(6), 15);
  EXPECT_EQ(deque->removeAtIndex(1), 0);
  EXPECT_EQ(deque->removeHead(), 0);
  EXPECT_EQ(deque->removeTail(), 0);
  EXPECT_EQ(letters(deque), "BCY");

  EXPECT_EQ(deque->append(nullptr), 24);
  EXPECT_EQ(deque->remove(nullptr), 24);
  EXPECT_FALSE(deque->contains(nullptr));
  const uint64_t capacity = deque->capacity();
  deque->clear();
  EXPECT_EQ(deque->capacity(), capacity);
  EXPECT_EQ(deque->head(), nullptr);
  EXPECT_EQ(deque->tail(), nullptr);
  EXPECT_EQ(deque->removeHead(), 5);
  EXPECT_EQ(deque->removeTail(), 5);
}

TEST_F(LLKCNuggetDequeTest, RotationAndScrambling) {
  LLKCNuggetDeque* deque = dequeOf("ABCD");
  deque->rotateBy(2);
  EXPECT_EQ(letters(deque), "CDAB");
  deque->rotateBy(0);
  deque->rotateBy(4);
  EXPECT_EQ(letters(deque), "CDAB");

  LLKCNuggetDeque* two = dequeOf("AB");
  two->scramble();
  EXPECT_EQ(letters(two), "AB");

  LLKCNuggetDeque* many = dequeOf("ABCDEFGH");
  for (int round = 0; round < 20; ++round) {
    many->scramble();
    std::string now = letters(many);
    EXPECT_EQ(now.back(), 'H');  // the last nugget never moves
    std::sort(now.begin(), now.end());
    EXPECT_EQ(now, "ABCDEFGH");
  }
}

TEST_F(LLKCNuggetDequeTest, ResizeReserveAndCompactKeepTheNuggets) {
  LLKCNuggetDeque* deque = dequeOf("ABC", 8);
  EXPECT_EQ(deque->resize(1), 0);  // never below the count
  EXPECT_EQ(deque->capacity(), 3u);
  EXPECT_EQ(deque->reserve(0), 0);
  EXPECT_EQ(deque->reserve(5), 0);
  EXPECT_EQ(deque->capacity(), 8u);
  EXPECT_EQ(deque->reserve(4), 0);
  EXPECT_EQ(deque->capacity(), 8u);
  EXPECT_EQ(deque->reserve(UINT64_MAX), 2);
  EXPECT_EQ(deque->resize(UINT64_MAX / 4), 2);
  EXPECT_EQ(deque->capacity(), 8u);
  deque->compact();
  EXPECT_EQ(deque->capacity(), 3u);
  EXPECT_EQ(letters(deque), "ABC");
  deque->clear();
  EXPECT_EQ(deque->resize(0), 0);
  EXPECT_EQ(deque->capacity(), 1u);
}

TEST_F(LLKCNuggetDequeTest, CopiesAreIndependentAndComplete) {
  LLKCNuggetDeque* deque = dequeOf("ABC", 5);
  deque->setGrowFactor(0.5f);
  for (LLKCNuggetDeque* copy : {deque->copy(), deque->deepCopy()}) {
    ASSERT_NE(copy, nullptr);
    EXPECT_EQ(copy->nuggetSize(), 16u);
    EXPECT_EQ(copy->capacity(), 5u);
    EXPECT_FLOAT_EQ(copy->growFactor(), 0.5f);
    EXPECT_EQ(letters(copy), "ABC");
    EXPECT_NE(copy->head(), deque->head());
  }
  LLKCNuggetDeque* copy = deque->copy();
  deque->removeHead();
  EXPECT_EQ(letters(copy), "ABC");
  EXPECT_EQ(LLKCNuggetDeque::alloc()->initWithCopy_deep("text"_llk, false), nullptr);
}

TEST_F(LLKCNuggetDequeTest, CodingRoundTripsEverything) {
  LLKCNuggetDeque* deque = dequeOf("ABCDE", 6);
  deque->removeHead();
  deque->setGrowFactor(0.0f);
  LLKCNuggetDeque* back = roundTrip(deque);
  ASSERT_NE(back, nullptr);
  EXPECT_EQ(back->nuggetSize(), 16u);
  EXPECT_EQ(back->capacity(), 6u);
  EXPECT_EQ(back->growFactor(), 0.0f);
  EXPECT_EQ(letters(back), "BCDE");
  const Nugget e = nugget('E');
  EXPECT_TRUE(back->contains(&e));

  LLKCNuggetDeque* bare = roundTrip(llk::autorelease(LLKCNuggetDeque::new_()));
  ASSERT_NE(bare, nullptr);
  EXPECT_EQ(bare->capacity(), 0u);
  EXPECT_EQ(bare->count(), 0u);
}

TEST_F(LLKCNuggetDequeTest, HostileStreamsDecodeAsNil) {
  EXPECT_NE(decodeForged({32, 16, 1, 2}), nullptr);  // the forger itself is sound
  const struct {
    const char* name;
    Forged forged;
  } hostile[] = {
      {"nugget size 0", {0, 0, 0, 4}},
      {"size x capacity overflows", {16, UINT32_MAX, 1, UINT32_MAX}},
      {"more than the stream holds", {16, 1024, 1, 1u << 20}},
      {"no buffer but a 1 GiB nugget", {0, 1u << 30, 0, 0}},
      {"count above capacity", {32, 16, 3, 2}},
      {"buffer shorter than size x capacity", {31, 16, 1, 2}},
      {"buffer longer than size x capacity", {33, 16, 1, 2}},
      {"buffer where none belongs", {8, 16, 0, 0}},
  };
  for (const auto& h : hostile) EXPECT_EQ(decodeForged(h.forged), nullptr) << h.name;
  EXPECT_EQ(decodeForged({0, 1u << 24, 0, 0}, 1u << 30), nullptr) << "a header claiming 1 GiB";
}
