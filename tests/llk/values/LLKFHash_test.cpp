#include <txq/llk/values/LLKFHash.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <cstring>
#include <random>
#include <string>
#include <utility>
#include <vector>

#include <zlib.h>

#include <txq/llk/values/LLKCString.h>

#include "support/ObjectTest.h"

namespace {

std::vector<uint8_t> randomBytes(std::mt19937& random, size_t n) {
  std::vector<uint8_t> bytes(n);
  for (uint8_t& b : bytes) b = static_cast<uint8_t>(random());
  return bytes;
}

const uint8_t* bytesOf(const char* text) { return reinterpret_cast<const uint8_t*>(text); }

// The two tables as the library applies them to one byte at position 0: the MaPrime entry from
// hash = (1717 ^ T[b]) * 1717 (undone with the inverse of 1717 mod 2^32), the rolling entry as the
// window-0 hash of the byte. Known values below pin every entry of both.
struct Tables {
  std::array<uint32_t, 256> t, r;
  Tables() {
    uint32_t inverse = 1717u;  // each Newton step below doubles the bits that are exact
    for (int i = 0; i < 5; ++i) inverse *= 2u - 1717u * inverse;
    for (unsigned b = 0; b < 256; ++b) {
      const uint8_t byte = static_cast<uint8_t>(b);
      t[b] = (LLKFComputeHashcode32(&byte, 1) * inverse) ^ 1717u;
      LLKTHashRK32State state;
      LLKFHashRK32Init(&state, 0);
      r[b] = LLKFHashRK32Feed(&state, &byte, 1);
    }
  }
};
const Tables& tables() {
  static const Tables kTables;
  return kTables;
}

// One feed call from the definition: the position restarts at 0 in every call.
uint32_t referenceFeed(uint32_t hash, const uint8_t* bytes, size_t n) {
  for (size_t i = 0; i < n; ++i) hash = (hash ^ tables().t[(bytes[i] + i) % 256]) * 1717u;
  return hash;
}

// The rolling hash from its definition: the polynomial sum(R[b_k] * 31^(m-1-k)) over the last
// m = min(n, w) bytes (all bytes for window 0), no subtraction involved; `pack` then adds the
// padding steps a window that saw fewer than w bytes gets.
uint32_t referenceRK(const uint8_t* bytes, size_t n, uint32_t w, bool pack) {
  const size_t first = (w == 0 || n <= w) ? 0 : n - w;
  uint32_t hash = 0;
  for (size_t i = first; i < n; ++i) hash = hash * 31u + tables().r[bytes[i]];
  for (size_t i = n; pack && i < w; ++i) hash = hash * 31u + 0x1175BD33u;
  return hash;
}

uint32_t zlibAdler(const std::vector<uint8_t>& bytes) {
  return static_cast<uint32_t>(
      adler32(adler32(0L, Z_NULL, 0), bytes.data(), static_cast<uInt>(bytes.size())));
}

// Fed whole (largest 0), or in pieces of random length up to `largest`, empty ones included.
uint32_t adler(const std::vector<uint8_t>& bytes, std::mt19937& random, size_t largest = 0) {
  LLKTHashAdler32State state;
  LLKFHashAdler32Init(&state);
  for (size_t at = 0; at < bytes.size();) {
    size_t n = largest == 0 ? bytes.size() : std::min<size_t>(random() % (largest + 1), bytes.size() - at);
    LLKFHashAdler32Feed(&state, bytes.data() + at, n);
    at += n;
  }
  EXPECT_LT(state.mA, 65521u) << "the sums are kept reduced";
  EXPECT_LT(state.mB, 65521u) << "the sums are kept reduced";
  return LLKFHashAdler32Hash(&state);
}

}  // namespace

class LLKFHashTest : public txqtest::ObjectTest {};

// ---- MaPrime ----

TEST_F(LLKFHashTest, MaPrimeKnownValuesAndEmptyInputIsTheSeed) {
  const std::string zeros(256, '\0');  // every table entry once, in order
  struct Case {
    std::string text;
    uint32_t expected;
  } cases[] = {{"", 1717u},
               {"a", 2802144u},  // (1717 ^ T[0x61]) * 1717
               {"abc", 0x4D4AA879u},
               {"hello world", 0xDFDE4D80u},
               {zeros, 0xC801BF7Du}};
  for (const Case& c : cases) {
    EXPECT_EQ(LLKFComputeHashcode32(bytesOf(c.text.data()), c.text.size()), c.expected) << c.text.size();
  }
  EXPECT_EQ(LLKFComputeHashcode32(nullptr, 0), 1717u);
  LLKTHashMaPrime32State state{0};
  LLKFHashMaPrime32Init(&state);
  EXPECT_EQ(LLKFHashMaPrime32Hash(&state), 1717u);
  // Two pieces differ from the whole: the position restarts in every call.
  LLKFHashMaPrime32Feed(&state, bytesOf("hello "), 6);
  EXPECT_EQ(LLKFHashMaPrime32Feed(&state, bytesOf("world"), 5), 1320452383u);
}

TEST_F(LLKFHashTest, MaPrimeMatchesItsDefinitionAcrossThePositionWrapWholeAndInChunks) {
  std::mt19937 random(20240611);
  const std::vector<uint8_t> bytes = randomBytes(random, 600);
  for (size_t n = 0; n <= bytes.size(); ++n) {
    ASSERT_EQ(LLKFComputeHashcode32(bytes.data(), n), referenceFeed(1717u, bytes.data(), n))
        << "length " << n;
  }
  for (int round = 0; round < 20; ++round) {
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

TEST_F(LLKFHashTest, StringHashCodeCoversEveryByteIsCachedAndCanGoThroughAFeed) {
  LLKCString* s = LLKCString::stringWithChars_length("key\0tail", 8);  // the zero and the rest count
  ASSERT_NE(s, nullptr);
  LLKTHashMaPrime32State state;
  LLKFHashMaPrime32Init(&state);
  const uint32_t fed = s->hashCodeWithFunction_andContext(LLKFHashMaPrime32Feed, &state);
  EXPECT_EQ(s->iHash, 0u) << "a feed function caches nothing";
  EXPECT_EQ(LLKFHashMaPrime32Hash(&state), fed);
  EXPECT_EQ(s->hashCodeWithFunction_andContext(nullptr, &state), 0u);
  EXPECT_EQ(s->hashCode(), 0x0E09413Du);
  EXPECT_EQ(s->iHash, 0x0E09413Du);
  EXPECT_EQ(fed, 0x0E09413Du);
  EXPECT_EQ(LLKCString::stringWithChars("abc")->hashCode(), 0x4D4AA879u);
}

TEST_F(LLKFHashTest, NullArgumentsAnswerZeroOrTheRunningValue) {
  LLKTHashMaPrime32State maPrime;
  LLKFHashMaPrime32Init(&maPrime);
  EXPECT_EQ(LLKFHashMaPrime32Feed(nullptr, bytesOf("x"), 1), 0u);
  EXPECT_EQ(LLKFHashMaPrime32Feed(&maPrime, nullptr, 5), 1717u);
  EXPECT_EQ(LLKFHashMaPrime32Hash(nullptr), 0u);
  LLKTHashAdler32State adler;
  LLKFHashAdler32Init(&adler);
  LLKFHashAdler32Feed(&adler, bytesOf("abc"), 3);
  EXPECT_EQ(LLKFHashAdler32Feed(&adler, nullptr, 10), 0x024D0127u);
  EXPECT_EQ(LLKFHashAdler32Feed(nullptr, bytesOf("abc"), 3), 0u);
  EXPECT_EQ(LLKFHashAdler32Hash(nullptr), 0u);
  LLKFHashAdler32Init(nullptr);  // no effect, no crash
  LLKTHashRK32State rk;
  ASSERT_TRUE(LLKFHashRK32Init(&rk, 4));
  const uint32_t hash = LLKFHashRK32Feed(&rk, bytesOf("ab"), 2);
  EXPECT_EQ(LLKFHashRK32Feed(&rk, nullptr, 8), hash);
  EXPECT_EQ(rk.mCount, 2u);
  EXPECT_EQ(LLKFHashRK32Feed(nullptr, bytesOf("ab"), 2), 0u);
  EXPECT_EQ(LLKFHashRK32Pack(nullptr), 0u);
}

// ---- Adler-32 ----

TEST_F(LLKFHashTest, AdlerKnownValuesAndFreshState) {
  LLKTHashAdler32State state{77, 77};
  LLKFHashAdler32Init(&state);
  EXPECT_EQ(state.mA, 1u);
  EXPECT_EQ(state.mB, 0u);
  EXPECT_EQ(LLKFHashAdler32Hash(&state), 1u);  // no bytes
  EXPECT_EQ(LLKFHashAdler32Feed(&state, bytesOf("abc"), 3), 0x024D0127u);
  EXPECT_EQ(LLKFHashAdler32Hash(&state), 0x024D0127u);
  // The value every description of the checksum quotes.
  LLKFHashAdler32Init(&state);
  EXPECT_EQ(LLKFHashAdler32Feed(&state, bytesOf("Wikipedia"), 9), 0x11E60398u);
}

TEST_F(LLKFHashTest, AdlerMatchesZlibAtShortLengthsAndAroundRunAndStepBoundaries) {
  std::mt19937 random(16);
  std::vector<size_t> lengths;
  for (size_t n = 0; n <= 40; ++n) lengths.push_back(n);
  for (size_t base : {size_t{5552}, size_t{2 * 5552}, size_t{3 * 5552}}) {
    for (size_t n = base - 17; n <= base + 17; ++n) lengths.push_back(n);
  }
  for (size_t n : lengths) {
    std::vector<uint8_t> bytes = randomBytes(random, n);
    ASSERT_EQ(adler(bytes, random), zlibAdler(bytes)) << "random, length " << n;
    std::fill(bytes.begin(), bytes.end(), 0xFF);
    ASSERT_EQ(adler(bytes, random), zlibAdler(bytes)) << "0xFF, length " << n;
  }
}

TEST_F(LLKFHashTest, AdlerStaysExactOnLongInputsWholeAndInPieces) {
  // 0xFF everywhere drives both sums to their largest: one fold per run would leave b far above
  // the modulus here.
  std::mt19937 random(65521);
  const std::vector<uint8_t> ones16650(16650, 0xFF);
  EXPECT_EQ(zlibAdler(ones16650), 0x4820CCB7u);
  EXPECT_EQ(adler(ones16650, random), 0x4820CCB7u);
  for (const std::vector<uint8_t>& bytes :
       {std::vector<uint8_t>(size_t{1} << 20, 0xFF), randomBytes(random, size_t{1} << 20)}) {
    const uint32_t expected = zlibAdler(bytes);
    EXPECT_EQ(adler(bytes, random), expected);
    for (size_t largest : {1, 15, 16, 33, 5551, 5552, 5553, 70000}) {
      EXPECT_EQ(adler(bytes, random, largest), expected) << "pieces up to " << largest;
    }
  }
}

// ---- RK32, the rolling hash ----

TEST_F(LLKFHashTest, RollingTableKnownValueAndInit) {
  uint8_t all[256];
  for (unsigned b = 0; b < 256; ++b) all[b] = static_cast<uint8_t>(b);
  LLKTHashRK32State state;
  ASSERT_TRUE(LLKFHashRK32Init(&state, 0));
  EXPECT_EQ(LLKFHashRK32Feed(&state, all, 256), 0x020111D7u);  // sum of R[b] * 31^(255-b): every entry
  for (uint32_t v : tables().r) EXPECT_LT(v, 0x80000000u);
  std::memset(&state, 0xAB, sizeof state);
  EXPECT_FALSE(LLKFHashRK32Init(&state, 33));
  EXPECT_EQ(state.mWindow, 0xABABABABu) << "a refused Init leaves the state alone";
  EXPECT_FALSE(LLKFHashRK32Init(nullptr, 16));
  // The factor is 31^w mod 2^32.
  for (auto [w, factor] : {std::pair{32u, 2111290369u}, {16u, 1353309697u}, {1u, 31u}, {0u, 1u}}) {
    std::memset(&state, 0xAB, sizeof state);
    ASSERT_TRUE(LLKFHashRK32Init(&state, w));
    EXPECT_EQ(state.mFactor, factor);
    EXPECT_EQ(state.mWindow, w);
    EXPECT_EQ(state.mHash, 0u);
    EXPECT_EQ(state.mCount, 0u);
  }
}

TEST_F(LLKFHashTest, RollingHashIsThePolynomialOfTheLastWindowBytesWholeAndInPieces) {
  std::mt19937 random(31);
  const std::vector<uint8_t> bytes = randomBytes(random, 300);
  for (uint32_t w : {0u, 1u, 5u, 16u, 32u}) {
    SCOPED_TRACE("window " + std::to_string(w));
    for (size_t n = 0; n <= 100; ++n) {
      LLKTHashRK32State state;
      ASSERT_TRUE(LLKFHashRK32Init(&state, w));
      ASSERT_EQ(LLKFHashRK32Feed(&state, bytes.data(), n), referenceRK(bytes.data(), n, w, false)) << n;
      ASSERT_EQ(LLKFHashRK32Pack(&state), referenceRK(bytes.data(), n, w, true)) << n;
      ASSERT_EQ(LLKFHashRK32Pack(&state), referenceRK(bytes.data(), n, w, true)) << "packed again, " << n;
    }
    LLKTHashRK32State state;  // in pieces of 0 to 12 bytes, every step the window so far
    ASSERT_TRUE(LLKFHashRK32Init(&state, w));
    for (size_t at = 0; at < bytes.size();) {
      size_t n = std::min<size_t>(random() % 13, bytes.size() - at);
      at += n;
      ASSERT_EQ(LLKFHashRK32Feed(&state, bytes.data() + at - n, n), referenceRK(bytes.data(), at, w, false))
          << at;
    }
  }
  for (size_t n : {0, 1, 15, 16, 17, 300}) {
    EXPECT_EQ(LLKFHashRK32Hash(bytes.data(), n), referenceRK(bytes.data(), n, 16, true)) << "length " << n;
  }
}

TEST_F(LLKFHashTest, RollingCountPassingFourGigabytesKeepsTheWindow) {
  std::mt19937 random(4);
  const std::vector<uint8_t> bytes = randomBytes(random, 200);
  for (uint32_t w : {1u, 7u, 16u, 32u}) {
    SCOPED_TRACE("window " + std::to_string(w));
    LLKTHashRK32State state;
    ASSERT_TRUE(LLKFHashRK32Init(&state, w));
    LLKFHashRK32Feed(&state, bytes.data(), 100);
    // As if 4 GiB more had gone through: same ring position, count just below the 32-bit limit.
    const uint64_t behind = (uint64_t{UINT32_MAX} - state.mCount) / w * w;
    state.mCount += static_cast<uint32_t>(behind) - w;
    for (size_t i = 100; i < bytes.size(); ++i) {
      ASSERT_EQ(LLKFHashRK32Feed(&state, &bytes[i], 1), referenceRK(bytes.data(), i + 1, w, false))
          << "byte " << i;
      ASSERT_GE(state.mCount, w);
    }
    EXPECT_EQ(LLKFHashRK32Pack(&state), referenceRK(bytes.data(), bytes.size(), w, false));
  }
}
