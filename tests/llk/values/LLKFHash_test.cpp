#include <txq/llk/values/LLKFHash.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <random>
#include <string>
#include <vector>

#include <txq/llk/values/LLKCString.h>

#include "support/ObjectTest.h"

namespace {

// The permutation table, kept here so that a change to the library's copy shows up as a failure.
constexpr uint8_t kT[256] = {
    0xA3, 0xD7, 0x09, 0x83, 0xF8, 0x48, 0xF6, 0xF4, 0xB3, 0x21, 0x15, 0x78, 0x99, 0xB1, 0xAF, 0xF9,
    0xE7, 0x2D, 0x4D, 0x8A, 0xCE, 0x4C, 0xCA, 0x2E, 0x52, 0x95, 0xD9, 0x1E, 0x4E, 0x38, 0x44, 0x28,
    0x0A, 0xDF, 0x02, 0xA0, 0x17, 0xF1, 0x60, 0x68, 0x12, 0xB7, 0x7A, 0xC3, 0xE9, 0xFA, 0x3D, 0x53,
    0x96, 0x84, 0x6B, 0xBA, 0xF2, 0x63, 0x9A, 0x19, 0x7C, 0xAE, 0xE5, 0xF5, 0xF7, 0x16, 0x6A, 0xA2,
    0x39, 0xB6, 0x7B, 0x0F, 0xC1, 0x93, 0x81, 0x1B, 0xEE, 0xB4, 0x1A, 0xEA, 0xD0, 0x91, 0x2F, 0xB8,
    0x55, 0xB9, 0xDA, 0x85, 0x3F, 0x41, 0xBF, 0xE0, 0x5A, 0x58, 0x80, 0x5F, 0x66, 0x0B, 0xD8, 0x90,
    0x35, 0xD5, 0xC0, 0xA7, 0x33, 0x06, 0x65, 0x69, 0x45, 0x00, 0x94, 0x56, 0x6D, 0x98, 0x9B, 0x76,
    0x97, 0xFC, 0xB2, 0xC2, 0xB0, 0xFE, 0xDB, 0x20, 0xE1, 0xEB, 0xD6, 0xE4, 0xDD, 0x47, 0x4A, 0x1D,
    0x42, 0xED, 0x9E, 0x6E, 0x49, 0x3C, 0xCD, 0x43, 0x27, 0xD2, 0x07, 0xD4, 0xDE, 0xC7, 0x67, 0x18,
    0x89, 0xCB, 0x30, 0x1F, 0x8D, 0xC6, 0x8F, 0xAA, 0xC8, 0x74, 0xDC, 0xC9, 0x5D, 0x5C, 0x31, 0xA4,
    0x70, 0x88, 0x61, 0x2C, 0x9F, 0x0D, 0x2B, 0x87, 0x50, 0x82, 0x54, 0x64, 0x26, 0x7D, 0x03, 0x40,
    0x34, 0x4B, 0x1C, 0x73, 0xD1, 0xC4, 0xFD, 0x3B, 0xCC, 0xFB, 0x7F, 0xAB, 0xE6, 0x3E, 0x5B, 0xA5,
    0xAD, 0x04, 0x23, 0x9C, 0x14, 0x51, 0x22, 0xF0, 0x29, 0x79, 0x71, 0x7E, 0xFF, 0x8C, 0x0E, 0xE2,
    0x0C, 0xEF, 0xBC, 0x72, 0x75, 0x6F, 0x37, 0xA1, 0xEC, 0xD3, 0x8E, 0x62, 0x8B, 0x86, 0x10, 0xE8,
    0x08, 0x77, 0x11, 0xBE, 0x92, 0x4F, 0x24, 0xC5, 0x32, 0x36, 0x9D, 0xCF, 0xF3, 0xA6, 0xBB, 0xAC,
    0x5E, 0x6C, 0xA9, 0x13, 0x57, 0x25, 0xB5, 0xE3, 0xBD, 0xA8, 0x3A, 0x01, 0x05, 0x59, 0x2A, 0x46,
};

// One feed call, written straight from the definition: the position restarts at 0 in every call.
uint32_t referenceFeed(uint32_t hash, const uint8_t* bytes, size_t n) {
  for (size_t i = 0; i < n; ++i) hash = (hash ^ kT[(bytes[i] + i) % 256]) * 1717u;
  return hash;
}

std::vector<uint8_t> randomBytes(std::mt19937& random, size_t n) {
  std::vector<uint8_t> bytes(n);
  for (uint8_t& b : bytes) b = static_cast<uint8_t>(random());
  return bytes;
}

const uint8_t* bytesOf(const char* text) { return reinterpret_cast<const uint8_t*>(text); }

}  // namespace

class LLKFHashTest : public txqtest::ObjectTest {};

TEST_F(LLKFHashTest, TableIsAPermutationWithKnownEntries) {
  bool seen[256] = {};
  for (uint8_t v : kT) {
    EXPECT_FALSE(seen[v]) << "value " << int(v) << " appears twice";
    seen[v] = true;
  }
  EXPECT_EQ(kT[0], 0xA3);
  EXPECT_EQ(kT[1], 0xD7);
  EXPECT_EQ(kT[15], 0xF9);
  EXPECT_EQ(kT[16], 0xE7);
  EXPECT_EQ(kT[105], 0x00);
  EXPECT_EQ(kT[251], 0x01);
  EXPECT_EQ(kT[255], 0x46);
}

TEST_F(LLKFHashTest, KnownValuesAndEmptyInputIsTheSeed) {
  struct Case {
    const char* id;
    const char* text;
    uint32_t expected;
  } cases[] = {
      {"empty", "", 1717u},
      {"one byte", "a", 2802144u},  // (1717 ^ T[0x61]) * 1717
      {"abc", "abc", 0x4D4AA879u},
      {"hello world", "hello world", 0xDFDE4D80u},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.id);
    EXPECT_EQ(LLKFComputeHashcode32(bytesOf(c.text), std::strlen(c.text)), c.expected);
  }
  EXPECT_EQ(LLKFComputeHashcode32(nullptr, 0), 1717u);
  LLKTHashMaPrime32State state{0};
  LLKFHashMaPrime32Init(&state);
  EXPECT_EQ(LLKFHashMaPrime32Hash(&state), 1717u);
}

TEST_F(LLKFHashTest, MatchesReferenceOnRandomInputsAcrossThePositionWrap) {
  std::mt19937 random(20240611);
  for (size_t n = 0; n <= 600; ++n) {
    std::vector<uint8_t> bytes = randomBytes(random, n);
    SCOPED_TRACE("length " + std::to_string(n));
    ASSERT_EQ(LLKFComputeHashcode32(bytes.data(), n), referenceFeed(1717u, bytes.data(), n));
  }
}

TEST_F(LLKFHashTest, ChunkedFeedingRestartsThePositionInEveryCall) {
  std::mt19937 random(7);
  for (int round = 0; round < 50; ++round) {
    std::vector<uint8_t> bytes = randomBytes(random, 600);
    LLKTHashMaPrime32State state;
    LLKFHashMaPrime32Init(&state);
    uint32_t expected = 1717u;
    for (size_t at = 0; at < bytes.size();) {
      size_t n = std::min<size_t>(random() % 300, bytes.size() - at);  // empty chunks included
      expected = referenceFeed(expected, bytes.data() + at, n);
      ASSERT_EQ(LLKFHashMaPrime32Feed(&state, bytes.data() + at, n), expected);
      at += n;
    }
    EXPECT_EQ(LLKFHashMaPrime32Hash(&state), expected);
  }
}

TEST_F(LLKFHashTest, TwoPiecesDifferFromTheWhole) {
  LLKTHashMaPrime32State state;
  LLKFHashMaPrime32Init(&state);
  LLKFHashMaPrime32Feed(&state, bytesOf("hello "), 6);
  uint32_t pieces = LLKFHashMaPrime32Feed(&state, bytesOf("world"), 5);
  EXPECT_EQ(pieces, 1320452383u);
  EXPECT_NE(pieces, LLKFComputeHashcode32(bytesOf("hello world"), 11));
}

TEST_F(LLKFHashTest, FeedToleratesNullArguments) {
  LLKTHashMaPrime32State state;
  LLKFHashMaPrime32Init(&state);
  EXPECT_EQ(LLKFHashMaPrime32Feed(nullptr, bytesOf("x"), 1), 0u);
  EXPECT_EQ(LLKFHashMaPrime32Feed(&state, nullptr, 5), 1717u);
  EXPECT_EQ(LLKFHashMaPrime32Hash(nullptr), 0u);
}

TEST_F(LLKFHashTest, StringHashCodeIsMaPrimeOfItsBytesAndCached) {
  const char text[] = "key\0tail";  // the embedded zero and what follows are hashed too
  LLKCString* s = LLKCString::stringWithChars_length(text, 8);
  ASSERT_NE(s, nullptr);
  EXPECT_EQ(s->iHash, 0u);
  uint32_t hash = s->hashCode();
  EXPECT_EQ(hash, referenceFeed(1717u, bytesOf(text), 8));
  EXPECT_NE(hash, LLKFComputeHashcode32(bytesOf("key"), 3));
  EXPECT_EQ(s->iHash, hash);
  EXPECT_EQ(s->hashCode(), hash);
  EXPECT_EQ(LLKCString::stringWithChars("abc")->hashCode(), 0x4D4AA879u);
}

TEST_F(LLKFHashTest, HashWithFeedFunctionEqualsHashCodeAndCachesNothing) {
  LLKCString* s = LLKCString::stringWithChars("through a feed");
  ASSERT_NE(s, nullptr);
  LLKTHashMaPrime32State state;
  LLKFHashMaPrime32Init(&state);
  uint32_t fed = s->hashCodeWithFunction_andContext(LLKFHashMaPrime32Feed, &state);
  EXPECT_EQ(s->iHash, 0u);
  EXPECT_EQ(fed, s->hashCode());
  EXPECT_EQ(LLKFHashMaPrime32Hash(&state), fed);
  EXPECT_EQ(s->hashCodeWithFunction_andContext(nullptr, &state), 0u);
}
