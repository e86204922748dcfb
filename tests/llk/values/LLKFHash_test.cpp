#include <txq/llk/values/LLKFHash.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <random>
#include <string>
#include <vector>

#include <zlib.h>

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

// The rolling table, kept here so that a change to the library's copy shows up as a failure.
constexpr uint32_t kR[256] = {
    0x3C0BB232, 0x4713593D, 0x2BC06D16, 0x30224948, 0x690BFF8F, 0x71E64C18, 0x28C0B8C3, 0x468D719E,
    0x4727EF1A, 0x2637171E, 0x15DB9D1E, 0x265C0675, 0x162F4DB4, 0x77556659, 0x5B44AAC2, 0x55DF4E71,
    0x47C79DA3, 0x00D51286, 0x7721C40D, 0x12066DF6, 0x41A77109, 0x6FB89684, 0x598AECBC, 0x0C2CD6FA,
    0x792AF83A, 0x07771735, 0x239FA2F0, 0x48F7161B, 0x7FBBC9A8, 0x66DC38B7, 0x398CB3D4, 0x3BC77BDA,
    0x2DEF91F5, 0x654D20EB, 0x6BE9C522, 0x16FB9184, 0x57336D03, 0x14AA7DE6, 0x5D890322, 0x1E5B5C1D,
    0x3AE19504, 0x7364A040, 0x44B76292, 0x5110E2B9, 0x6ABA0699, 0x1FFC0D54, 0x26F0312A, 0x3281A43C,
    0x20D11FDB, 0x1E11F537, 0x44881232, 0x627890E4, 0x0DCA8BBC, 0x1E12FEEF, 0x6EA567DE, 0x06F583F6,
    0x258A1624, 0x12450ACE, 0x4FEC9A11, 0x2545DFCC, 0x79214386, 0x09794DE6, 0x610D5BA6, 0x2710D57B,
    0x6EC66ED1, 0x4CF720C9, 0x3E0C66FF, 0x45F9DBD4, 0x61A19EAF, 0x1B956A21, 0x645537F1, 0x1C8333B3,
    0x0EFA0A61, 0x290C9A83, 0x6D94166C, 0x79B410FA, 0x4908A7D8, 0x14844796, 0x2C35B536, 0x69D9C7B3,
    0x32963CCE, 0x70BDC769, 0x4C525897, 0x4060C88A, 0x0ED0C658, 0x3AF7C076, 0x47564C80, 0x345ADC7C,
    0x4D3CCB44, 0x1742E692, 0x59A0BC49, 0x465E0ECA, 0x20BC3478, 0x3AAE17EF, 0x6D6EE445, 0x0F82A349,
    0x07A538B8, 0x2B7B4B44, 0x557C7F1D, 0x6946D767, 0x4710B565, 0x39D1B70E, 0x05CA0B1B, 0x560ABFC6,
    0x62DE5191, 0x735E2187, 0x4FBED0C0, 0x2BE6F969, 0x07E2691E, 0x7BF485F7, 0x15C0C11C, 0x3A78A5EC,
    0x6CB24D60, 0x621319B4, 0x7AD96E76, 0x7B8313B8, 0x1D0ADA2A, 0x422FBAF6, 0x2FDDF034, 0x6A47A56E,
    0x5972A188, 0x097EAC7D, 0x30A5B439, 0x7A2ED600, 0x442CC46D, 0x1E14987E, 0x09B17949, 0x4BD1FD25,
    0x498FE3C3, 0x5F2DF866, 0x3518D48D, 0x10A09928, 0x18FFAF74, 0x3AE2DFA8, 0x66AB58EF, 0x7BDE0106,
    0x2E41012F, 0x366A29AF, 0x27C4FA6F, 0x36236A4D, 0x325EAFA6, 0x3D85BB8C, 0x709C1039, 0x1F10FD06,
    0x1F98D540, 0x6B757EAF, 0x1A9410BE, 0x3CA3AF6A, 0x2DA539A6, 0x4A7200F3, 0x26EB54D8, 0x0717DB2E,
    0x53F0AD70, 0x57910911, 0x0146B12F, 0x181D71DD, 0x75A5A190, 0x0AF82A78, 0x63EF6F03, 0x3F358553,
    0x6A2622DF, 0x19084390, 0x4FD61E7B, 0x0325D253, 0x53EB2338, 0x3681776A, 0x7F03D359, 0x022C2467,
    0x6CEBA11A, 0x26C8CDC9, 0x384F8EB5, 0x1F4A50C0, 0x644E8955, 0x28EB9EEE, 0x3E5B4DC7, 0x03E75E95,
    0x14611D9E, 0x58EF5E85, 0x408B0DFF, 0x42065744, 0x23615F78, 0x677662D7, 0x491E3272, 0x77520CE9,
    0x3F076BE9, 0x4A64E3A1, 0x0F6F7EC6, 0x34AD0D79, 0x555D0E1A, 0x735EEDC9, 0x73E292CC, 0x3F8330F9,
    0x0C673159, 0x43B8B147, 0x42A9034C, 0x60525491, 0x7A3A28B2, 0x41ACD6A6, 0x627E78F9, 0x6725C9CC,
    0x6875A46F, 0x1ACE07AE, 0x06701A8C, 0x4CC42DC4, 0x43B9A69C, 0x44CB6853, 0x50AB8C59, 0x581AC43A,
    0x1DBAC6D9, 0x11369A58, 0x1A211B7E, 0x411C2651, 0x78ACFD2F, 0x633F4DF1, 0x386E333A, 0x37B46918,
    0x2DA43192, 0x47DDB201, 0x6C617691, 0x03013FAC, 0x3B3C9FCA, 0x6044095D, 0x428470A5, 0x47A3D124,
    0x23FCBAA5, 0x052D73F2, 0x27F625B5, 0x1E36E357, 0x46DA4A98, 0x0A749EAE, 0x055CAD23, 0x2F4FEF07,
    0x2542A65C, 0x0BCCC7AF, 0x7C141CCB, 0x68FC4CF9, 0x50983003, 0x4CBFA924, 0x41171133, 0x6E52F6DC,
    0x5DF6437C, 0x5B382CB2, 0x2F6F1D2D, 0x56A340AB, 0x3E777AA3, 0x67DD5068, 0x0E57A9C4, 0x6C1BAC35,
    0x2FBB0269, 0x7AB92055, 0x6F1CEBE2, 0x6AF7A233, 0x5AFD29B3, 0x31A15C87, 0x329B7357, 0x7EF9E458,
};

constexpr uint32_t kPadStep = 0x1175BD33;

uint32_t power31(uint32_t w) {
  uint32_t p = 1;
  for (uint32_t i = 0; i < w; ++i) p *= 31u;
  return p;
}

// The rolling hash from its definition: the polynomial sum(R[b_k] * 31^(m-1-k)) over the last
// m = min(n, w) bytes (all bytes for window 0), no subtraction involved; `pack` then adds the
// padding steps a window that saw fewer than w bytes gets.
uint32_t referenceRK(const uint8_t* bytes, size_t n, uint32_t w, bool pack) {
  const size_t first = (w == 0 || n <= w) ? 0 : n - w;
  uint32_t hash = 0;
  for (size_t i = first; i < n; ++i) hash = hash * 31u + kR[bytes[i]];
  if (pack) {
    for (size_t i = n; i < w; ++i) hash = hash * 31u + kPadStep;
  }
  return hash;
}

uint32_t zlibAdler(const std::vector<uint8_t>& bytes) {
  return static_cast<uint32_t>(adler32(adler32(0L, Z_NULL, 0), bytes.data(), static_cast<uInt>(bytes.size())));
}

// Feeds the bytes in pieces of random length (empty ones included) and answers the final value.
uint32_t adlerInPieces(std::mt19937& random, const std::vector<uint8_t>& bytes, size_t largest) {
  LLKTHashAdler32State state;
  LLKFHashAdler32Init(&state);
  for (size_t at = 0; at < bytes.size();) {
    size_t n = std::min<size_t>(random() % (largest + 1), bytes.size() - at);
    LLKFHashAdler32Feed(&state, bytes.data() + at, n);
    at += n;
  }
  return LLKFHashAdler32Hash(&state);
}

uint32_t adlerWhole(const std::vector<uint8_t>& bytes) {
  LLKTHashAdler32State state;
  LLKFHashAdler32Init(&state);
  return LLKFHashAdler32Feed(&state, bytes.data(), bytes.size());
}

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

TEST_F(LLKFHashTest, AdlerMatchesZlibOnShortInputs) {
  std::mt19937 random(1950);
  for (size_t n = 0; n <= 100; ++n) {
    SCOPED_TRACE("length " + std::to_string(n));
    std::vector<uint8_t> bytes = randomBytes(random, n);
    ASSERT_EQ(adlerWhole(bytes), zlibAdler(bytes));
    std::vector<uint8_t> ones(n, 0xFF);
    ASSERT_EQ(adlerWhole(ones), zlibAdler(ones));
  }
}

TEST_F(LLKFHashTest, AdlerStaysExactOnLongRunsOfTheLargestByte) {
  // 0xFF everywhere drives both sums to their largest: one fold per run would leave b far above
  // the modulus here.
  const std::vector<uint8_t> ones16650(16650, 0xFF);
  EXPECT_EQ(zlibAdler(ones16650), 0x4820CCB7u);
  EXPECT_EQ(adlerWhole(ones16650), 0x4820CCB7u);
  const std::vector<uint8_t> ones1M(size_t{1} << 20, 0xFF);
  const uint32_t expected = zlibAdler(ones1M);
  EXPECT_EQ(adlerWhole(ones1M), expected);
  std::mt19937 random(5552);
  EXPECT_EQ(adlerInPieces(random, ones1M, 20000), expected);
  EXPECT_EQ(adlerInPieces(random, ones1M, 17), expected);
}

TEST_F(LLKFHashTest, AdlerMatchesZlibOnLargeRandomInputsWholeAndInPieces) {
  std::mt19937 random(65521);
  const std::vector<uint8_t> bytes = randomBytes(random, size_t{1} << 20);
  const uint32_t expected = zlibAdler(bytes);
  EXPECT_EQ(adlerWhole(bytes), expected);
  for (size_t largest : {1, 15, 16, 33, 5551, 5552, 5553, 70000}) {
    SCOPED_TRACE("pieces up to " + std::to_string(largest));
    EXPECT_EQ(adlerInPieces(random, bytes, largest), expected);
  }
}

TEST_F(LLKFHashTest, AdlerMatchesZlibAroundRunAndStepBoundaries) {
  std::mt19937 random(16);
  for (size_t base : {size_t{16}, size_t{5552}, size_t{2 * 5552}, size_t{3 * 5552}}) {
    for (size_t n = base - 17; n <= base + 17; ++n) {
      SCOPED_TRACE("length " + std::to_string(n));
      std::vector<uint8_t> bytes = randomBytes(random, n);
      ASSERT_EQ(adlerWhole(bytes), zlibAdler(bytes));
      std::fill(bytes.begin(), bytes.end(), 0xFF);
      ASSERT_EQ(adlerWhole(bytes), zlibAdler(bytes));
    }
  }
}

TEST_F(LLKFHashTest, AdlerToleratesNullArguments) {
  LLKTHashAdler32State state;
  LLKFHashAdler32Init(&state);
  LLKFHashAdler32Feed(&state, bytesOf("abc"), 3);
  EXPECT_EQ(LLKFHashAdler32Feed(&state, nullptr, 10), 0x024D0127u);
  EXPECT_EQ(LLKFHashAdler32Feed(nullptr, bytesOf("abc"), 3), 0u);
  EXPECT_EQ(LLKFHashAdler32Hash(nullptr), 0u);
  LLKFHashAdler32Init(nullptr);  // no effect, no crash
}

// ---- RK32, the rolling hash ----

TEST_F(LLKFHashTest, RollingTableCopyHasTheKnownEntries) {
  EXPECT_EQ(kR[0], 0x3C0BB232u);
  EXPECT_EQ(kR[17], 0x00D51286u);
  EXPECT_EQ(kR[255], 0x7EF9E458u);
  for (uint32_t v : kR) EXPECT_LT(v, 0x80000000u);
}

TEST_F(LLKFHashTest, RollingInitSetsFactorAndRefusesWindowsAbove32) {
  LLKTHashRK32State state;
  std::memset(&state, 0xAB, sizeof state);
  EXPECT_FALSE(LLKFHashRK32Init(&state, 33));
  EXPECT_EQ(state.mWindow, 0xABABABABu) << "a refused Init leaves the state alone";
  EXPECT_FALSE(LLKFHashRK32Init(nullptr, 16));

  ASSERT_TRUE(LLKFHashRK32Init(&state, 32));
  EXPECT_EQ(state.mFactor, 2111290369u);
  EXPECT_EQ(state.mWindow, 32u);
  EXPECT_EQ(state.mHash, 0u);
  EXPECT_EQ(state.mCount, 0u);
  ASSERT_TRUE(LLKFHashRK32Init(&state, 16));
  EXPECT_EQ(state.mFactor, power31(16));
  ASSERT_TRUE(LLKFHashRK32Init(&state, 1));
  EXPECT_EQ(state.mFactor, 31u);
  ASSERT_TRUE(LLKFHashRK32Init(&state, 0));
  EXPECT_EQ(state.mFactor, 1u);
}

TEST_F(LLKFHashTest, RollingPackRightAfterInitIsSixteenPaddingSteps) {
  LLKTHashRK32State state;
  ASSERT_TRUE(LLKFHashRK32Init(&state, 16));
  uint32_t expected = 0;
  for (int i = 0; i < 16; ++i) expected = expected * 31u + kPadStep;
  EXPECT_EQ(LLKFHashRK32Pack(&state), expected);
  EXPECT_EQ(state.mCount, 16u);
  EXPECT_EQ(LLKFHashRK32Pack(&state), expected) << "a full window is not padded again";
  EXPECT_EQ(LLKFHashRK32Hash(nullptr, 0), expected);
}

TEST_F(LLKFHashTest, RollingHashIsThePolynomialOfTheLastWindowBytes) {
  std::mt19937 random(31);
  for (uint32_t w : {0u, 1u, 16u, 32u}) {
    for (size_t n = 0; n <= 100; ++n) {
      SCOPED_TRACE("window " + std::to_string(w) + ", length " + std::to_string(n));
      std::vector<uint8_t> bytes = randomBytes(random, n);
      LLKTHashRK32State state;
      ASSERT_TRUE(LLKFHashRK32Init(&state, w));
      ASSERT_EQ(LLKFHashRK32Feed(&state, bytes.data(), n), referenceRK(bytes.data(), n, w, false));
      ASSERT_EQ(LLKFHashRK32Pack(&state), referenceRK(bytes.data(), n, w, true));
    }
  }
}

TEST_F(LLKFHashTest, RollingFeedsByteByByteAndInPiecesAlikeAndEveryStepIsTheWindow) {
  std::mt19937 random(32);
  const std::vector<uint8_t> bytes = randomBytes(random, 300);
  for (uint32_t w : {0u, 1u, 5u, 16u, 32u}) {
    SCOPED_TRACE("window " + std::to_string(w));
    LLKTHashRK32State one;
    ASSERT_TRUE(LLKFHashRK32Init(&one, w));
    for (size_t i = 0; i < bytes.size(); ++i) {
      ASSERT_EQ(LLKFHashRK32Feed(&one, &bytes[i], 1), referenceRK(bytes.data(), i + 1, w, false)) << "byte " << i;
    }
    LLKTHashRK32State pieces;
    ASSERT_TRUE(LLKFHashRK32Init(&pieces, w));
    for (size_t at = 0; at < bytes.size();) {
      size_t n = std::min<size_t>(random() % 40, bytes.size() - at);
      LLKFHashRK32Feed(&pieces, bytes.data() + at, n);
      at += n;
    }
    EXPECT_EQ(pieces.mHash, one.mHash);
    EXPECT_EQ(LLKFHashRK32Pack(&pieces), referenceRK(bytes.data(), bytes.size(), w, true));
  }
}

TEST_F(LLKFHashTest, RollingWindowForgetsWhatCameBefore) {
  const char* a = "first prefix, then the same sixteen!";
  const char* b = "another, longer prefix...the same sixteen!";
  EXPECT_EQ(LLKFHashRK32Hash(bytesOf(a), std::strlen(a)), LLKFHashRK32Hash(bytesOf(b), std::strlen(b)));
  EXPECT_NE(LLKFHashRK32Hash(bytesOf(a), std::strlen(a)), LLKFHashRK32Hash(bytesOf(a), std::strlen(a) - 1));
}

TEST_F(LLKFHashTest, RollingHashIsInitSixteenFeedPack) {
  std::mt19937 random(16);
  for (size_t n : {0, 1, 15, 16, 17, 1000}) {
    std::vector<uint8_t> bytes = randomBytes(random, n);
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
      ASSERT_EQ(LLKFHashRK32Feed(&state, &bytes[i], 1), referenceRK(bytes.data(), i + 1, w, false)) << "byte " << i;
      ASSERT_GE(state.mCount, w);
    }
    EXPECT_EQ(LLKFHashRK32Pack(&state), referenceRK(bytes.data(), bytes.size(), w, false));
  }
}

TEST_F(LLKFHashTest, RollingToleratesNullArguments) {
  LLKTHashRK32State state;
  ASSERT_TRUE(LLKFHashRK32Init(&state, 4));
  LLKFHashRK32Feed(&state, bytesOf("ab"), 2);
  const uint32_t hash = state.mHash;
  EXPECT_EQ(LLKFHashRK32Feed(&state, nullptr, 8), hash);
  EXPECT_EQ(state.mCount, 2u);
  EXPECT_EQ(LLKFHashRK32Feed(nullptr, bytesOf("ab"), 2), 0u);
  EXPECT_EQ(LLKFHashRK32Pack(nullptr), 0u);
}
