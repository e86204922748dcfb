#include <txq/llk/values/LLKFBase64.h>

#include <gtest/gtest.h>

#include <cstring>
#include <memory>
#include <random>
#include <string>
#include <vector>

#include <txq/llk/values/LLKCData.h>
#include <txq/llk/values/LLKCString.h>

#include "support/ObjectTest.h"

namespace {

constexpr uint8_t kCanary = 0xA5;
constexpr size_t kCanaryBytes = 32;

struct Vector {
  const char* bytes;
  const char* text;
};
// RFC 4648, section 10.
const Vector kVectors[] = {{"", ""},         {"f", "Zg=="},         {"fo", "Zm8="},        {"foo", "Zm9v"},
                           {"foob", "Zm9vYg=="}, {"fooba", "Zm9vYmE="}, {"foobar", "Zm9vYmFy"}};

const uint8_t* bytesOf(const char* text) { return reinterpret_cast<const uint8_t*>(text); }

// The result of a decode, with the bytes it wrote and whether anything landed past the capacity.
struct Decoded {
  uint64_t result;
  std::vector<uint8_t> bytes;  // the first `capacity` bytes of the output
  bool canaryIntact;
};

// Decodes from an exactly sized heap copy of the text (no terminating zero, so reading past it is a
// heap overflow under AddressSanitizer) into `capacity` bytes followed by canary bytes.
Decoded decode(const std::string& text, uint64_t capacity) {
  std::unique_ptr<char[]> in(new char[text.size() + 1]);  // +1: a valid pointer for the empty text
  std::memcpy(in.get(), text.data(), text.size());
  std::vector<uint8_t> out(capacity + kCanaryBytes, kCanary);
  Decoded d;
  d.result = LLKFBase64Decode(in.get(), text.size(), out.data(), capacity);
  d.bytes.assign(out.begin(), out.begin() + static_cast<ptrdiff_t>(capacity));
  d.canaryIntact = true;
  for (size_t i = capacity; i < out.size(); ++i) d.canaryIntact = d.canaryIntact && out[i] == kCanary;
  return d;
}

std::string encode(const std::vector<uint8_t>& bytes) {
  std::vector<char> out(LLKFBase64ComputeEncodedSize(bytes.size()) + 1 + kCanaryBytes, static_cast<char>(kCanary));
  const uint64_t n = LLKFBase64Encode(bytes.data(), bytes.size(), out.data(), out.size() - kCanaryBytes);
  EXPECT_EQ(out[n], '\0');
  for (size_t i = n + 1; i < out.size(); ++i) EXPECT_EQ(static_cast<uint8_t>(out[i]), kCanary);
  return std::string(out.data(), n);
}

std::vector<uint8_t> randomBytes(std::mt19937& random, size_t n) {
  std::vector<uint8_t> bytes(n);
  for (uint8_t& b : bytes) b = static_cast<uint8_t>(random());
  return bytes;
}

std::vector<uint8_t> bytesOfData(LLKCData* data) {
  const auto* p = static_cast<const uint8_t*>(data->bytes());
  return std::vector<uint8_t>(p, p + data->length());
}

}  // namespace

class LLKFBase64Test : public txqtest::ObjectTest {};

// ---- Sizes ----

TEST_F(LLKFBase64Test, EncodedSizeIsFourPerStartedTripleAndNeverWraps) {
  EXPECT_EQ(LLKFBase64ComputeEncodedSize(0), 0u);
  EXPECT_EQ(LLKFBase64ComputeEncodedSize(1), 4u);
  EXPECT_EQ(LLKFBase64ComputeEncodedSize(2), 4u);
  EXPECT_EQ(LLKFBase64ComputeEncodedSize(3), 4u);
  EXPECT_EQ(LLKFBase64ComputeEncodedSize(4), 8u);
  EXPECT_EQ(LLKFBase64ComputeEncodedSize(1000), 1336u);
  const uint64_t largest = UINT64_MAX / 4 * 3 - 2;
  EXPECT_EQ(LLKFBase64ComputeEncodedSize(largest), UINT64_MAX - 3);
  EXPECT_EQ(LLKFBase64ComputeEncodedSize(largest + 1), 0u);
  EXPECT_EQ(LLKFBase64ComputeEncodedSize(UINT64_MAX), 0u);
}

TEST_F(LLKFBase64Test, DecodedSizeCountsPaddingOnlyAtTheEnd) {
  EXPECT_EQ(LLKFBase64ComputeDecodedSize("AA=="), 1u);
  EXPECT_EQ(LLKFBase64ComputeDecodedSize("AAA="), 2u);
  EXPECT_EQ(LLKFBase64ComputeDecodedSize("AAAA"), 3u);
  EXPECT_EQ(LLKFBase64ComputeDecodedSize("Zm9vYmFy"), 6u);
  EXPECT_EQ(LLKFBase64ComputeDecodedSize("Zm9vYg=="), 4u);
  EXPECT_EQ(LLKFBase64ComputeDecodedSize("Zm9vYmE="), 5u);
}

TEST_F(LLKFBase64Test, DecodedSizeIsZeroForTextThatIsNotWellFormed) {
  for (const char* text : {"", "AAAAAA", "A", "AAAAA", "AA#A", "AAA\x80", "AA A", "AA-_", "AAA=AAAA", "AAAA====",
                           "=AAA", "A=AA", "AA=A", "A===", "====", "AA==AAAA", "AAAAAAA=AAAA"}) {
    EXPECT_EQ(LLKFBase64ComputeDecodedSize(text), 0u) << '"' << text << '"';
  }
  EXPECT_EQ(LLKFBase64ComputeDecodedSize(nullptr), 0u);
}

TEST_F(LLKFBase64Test, CharacterSetCheckAcceptsAlphabetAndPaddingAnywhere) {
  EXPECT_TRUE(strlimited2Base64("", 0));
  EXPECT_TRUE(strlimited2Base64(nullptr, 0));
  EXPECT_FALSE(strlimited2Base64(nullptr, 3));
  EXPECT_TRUE(strlimited2Base64("ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/=", 65));
  EXPECT_TRUE(strlimited2Base64("=A=B", 4));  // characters only, not their places
  EXPECT_TRUE(strlimited2Base64("ABC#", 3));  // n stops before the bad one
  EXPECT_FALSE(strlimited2Base64("ABC#", 4));
  EXPECT_FALSE(strlimited2Base64("AB C", 4));
  EXPECT_FALSE(strlimited2Base64("AB-_", 4));
  EXPECT_FALSE(strlimited2Base64("AB\nC", 4));
  EXPECT_FALSE(strlimited2Base64("AB\xC3\xA9", 4));
  const char withZero[] = {'A', '\0', 'B', 'C'};
  EXPECT_FALSE(strlimited2Base64(withZero, 4));
}

// ---- Encoding ----

TEST_F(LLKFBase64Test, EncodesTheStandardVectors) {
  for (const Vector& v : kVectors) {
    SCOPED_TRACE(v.bytes);
    const size_t n = std::strlen(v.bytes);
    EXPECT_EQ(encode(std::vector<uint8_t>(bytesOf(v.bytes), bytesOf(v.bytes) + n)), v.text);
  }
}

TEST_F(LLKFBase64Test, EncodingNeedsRoomForTheTerminatingZero) {
  char out[16];
  std::memset(out, 'x', sizeof out);
  EXPECT_EQ(LLKFBase64Encode(bytesOf("f"), 1, out, 4), 0u) << "4 characters but no room for the zero";
  EXPECT_EQ(std::string(out, 5), "xxxxx") << "a refused encoding writes nothing";
  EXPECT_EQ(LLKFBase64Encode(bytesOf("f"), 1, out, 5), 4u);
  EXPECT_EQ(std::string(out, 6), std::string("Zg==\0x", 6));
  std::memset(out, 'x', sizeof out);
  EXPECT_EQ(LLKFBase64Encode(bytesOf("foobar"), 6, out, 8), 0u);
  EXPECT_EQ(LLKFBase64Encode(bytesOf("foobar"), 6, out, 9), 8u);
  EXPECT_STREQ(out, "Zm9vYmFy");
}

TEST_F(LLKFBase64Test, EncodingNothingWritesOnlyTheZero) {
  char out[4] = {'x', 'x', 'x', 'x'};
  EXPECT_EQ(LLKFBase64Encode(bytesOf(""), 0, out, sizeof out), 0u);
  EXPECT_EQ(out[0], '\0');
  EXPECT_EQ(out[1], 'x');
  out[0] = 'x';
  EXPECT_EQ(LLKFBase64Encode(bytesOf(""), 0, out, 0), 0u);
  EXPECT_EQ(out[0], 'x') << "no capacity, no zero";
  EXPECT_EQ(LLKFBase64Encode(nullptr, 3, out, sizeof out), 0u);
  EXPECT_EQ(LLKFBase64Encode(bytesOf("abc"), 3, nullptr, 100), 0u);
}

TEST_F(LLKFBase64Test, EncodingAtEveryLengthUsesTheWholeAlphabetCorrectly) {
  // Bytes 0x00 0x10 0x83 ... pack the 6-bit values 0, 1, 2, ..., 63 in order.
  std::vector<uint8_t> counting;
  for (unsigned v = 0; v < 64; v += 4) {
    counting.push_back(static_cast<uint8_t>(v << 2 | (v + 1) >> 4));
    counting.push_back(static_cast<uint8_t>((v + 1) << 4 | (v + 2) >> 2));
    counting.push_back(static_cast<uint8_t>((v + 2) << 6 | (v + 3)));
  }
  ASSERT_EQ(counting.size(), 48u);
  EXPECT_EQ(counting[0], 0x00);
  EXPECT_EQ(counting[1], 0x10);
  EXPECT_EQ(counting[2], 0x83);
  EXPECT_EQ(encode(counting), "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/");
  // All ones at lengths that end the fast steps at every offset.
  for (size_t n = 1; n <= 40; ++n) {
    std::string expected;
    for (size_t i = 0; i + 3 <= n; i += 3) expected += "////";
    if (n % 3 == 1) expected += "/w==";
    if (n % 3 == 2) expected += "//8=";
    EXPECT_EQ(encode(std::vector<uint8_t>(n, 0xFF)), expected) << "length " << n;
  }
}

// ---- Decoding ----

TEST_F(LLKFBase64Test, DecodesTheStandardVectors) {
  for (const Vector& v : kVectors) {
    SCOPED_TRACE(v.text);
    const size_t n = std::strlen(v.bytes);
    Decoded d = decode(v.text, n);
    EXPECT_EQ(d.result, n);
    EXPECT_EQ(std::string(d.bytes.begin(), d.bytes.end()), v.bytes);
    EXPECT_TRUE(d.canaryIntact);
  }
}

TEST_F(LLKFBase64Test, DecodesTheWholeAlphabetAndIgnoresSpareBitsBeforePadding) {
  Decoded d = decode("ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/", 48);
  ASSERT_EQ(d.result, 48u);
  EXPECT_EQ(d.bytes[0], 0x00);
  EXPECT_EQ(d.bytes[1], 0x10);
  EXPECT_EQ(d.bytes[2], 0x83);
  EXPECT_EQ(d.bytes[45], 0xF3);
  EXPECT_EQ(d.bytes[46], 0xDF);
  EXPECT_EQ(d.bytes[47], 0xBF);
  // "QR==" carries 4 bits beyond its byte and "QUJ=" 2; they are dropped, as the canonical forms show.
  d = decode("QR==", 1);
  EXPECT_EQ(d.result, 1u);
  EXPECT_EQ(d.bytes[0], 'A');
  d = decode("QUJ=", 2);
  EXPECT_EQ(d.result, 2u);
  EXPECT_EQ(std::string(d.bytes.begin(), d.bytes.end()), "AB");
}

TEST_F(LLKFBase64Test, CapacityOfExactlyTheDecodedSizeIsEnough) {
  std::mt19937 random(4648);
  for (size_t n : {1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12, 100, 1000}) {
    SCOPED_TRACE("length " + std::to_string(n));
    const std::vector<uint8_t> bytes = randomBytes(random, n);
    const std::string text = encode(bytes);
    Decoded d = decode(text, n);
    EXPECT_EQ(d.result, n);
    EXPECT_EQ(d.bytes, bytes);
    EXPECT_TRUE(d.canaryIntact);
    for (uint64_t capacity : {uint64_t{0}, uint64_t{1}, uint64_t{3}, uint64_t{n - 1}}) {
      if (capacity >= n) continue;
      d = decode(text, capacity);
      EXPECT_EQ(d.result, 0u) << "capacity " << capacity;
      EXPECT_TRUE(d.canaryIntact) << "capacity " << capacity;
    }
  }
}

TEST_F(LLKFBase64Test, BadTextDecodesToNothingAndStaysInBounds) {
  const std::string bad[] = {
      "AAA=AAAA",  // padding, then data
      "AAAA====",  // a group of padding only
      "=AAA",      // padding first
      "A=AA",
      "AA=A",      // '=' as the third character requires '=' as the fourth
      "A===",
      "====",
      "AA==AA==",  // padding in a group that is not the last
      "AA#A",
      "AAAAAAAAAAAAAAAAAAAAAAAAAAAA!AAA",  // a bad character inside the fast groups
      "AAAAAAAAAAAAAAAAAAAAAAAAAAAAAAA=AAAA",
      std::string("AAAA\0AAA", 8),
      "AAA\xFF",
  };
  for (const std::string& text : bad) {
    SCOPED_TRACE(text);
    // The capacity the padding would suggest, and plenty.
    for (uint64_t capacity : {uint64_t{1}, uint64_t{2}, uint64_t{3}, text.size() / 4 * 3, uint64_t{64}}) {
      Decoded d = decode(text, capacity);
      EXPECT_EQ(d.result, 0u) << "capacity " << capacity;
      EXPECT_TRUE(d.canaryIntact) << "capacity " << capacity;
    }
  }
}

TEST_F(LLKFBase64Test, LengthsThatAreNotAMultipleOfFourAreRefusedWithoutReadingPastThem) {
  for (const std::string text : {"", "Z", "Zm", "Zm9", "Zm9vY", "Zm9vYg", "Zm9vYg=", "Zm9vYmFyZ"}) {
    Decoded d = decode(text, 16);
    EXPECT_EQ(d.result, 0u) << '"' << text << '"';
    EXPECT_TRUE(d.canaryIntact);
  }
  uint8_t out[4];
  EXPECT_EQ(LLKFBase64Decode(nullptr, 4, out, sizeof out), 0u);
  EXPECT_EQ(LLKFBase64Decode("Zm9v", 4, nullptr, 4), 0u);
}

TEST_F(LLKFBase64Test, DecodeOfEncodeIsTheIdentityAtEveryLength) {
  std::mt19937 random(300);
  for (size_t n = 0; n <= 300; ++n) {
    SCOPED_TRACE("length " + std::to_string(n));
    const std::vector<uint8_t> bytes = randomBytes(random, n);
    const std::string text = encode(bytes);
    ASSERT_EQ(text.size(), LLKFBase64ComputeEncodedSize(n));
    ASSERT_TRUE(strlimited2Base64(text.c_str(), text.size()));
    ASSERT_EQ(LLKFBase64ComputeDecodedSize(text.c_str()), n);
    if (n == 0) continue;  // nothing to decode: the answer 0 is also the failure answer
    Decoded d = decode(text, n);
    ASSERT_EQ(d.result, n);
    ASSERT_EQ(d.bytes, bytes);
    ASSERT_TRUE(d.canaryIntact);
  }
}

// ---- Strings and data objects ----

TEST_F(LLKFBase64Test, EncodeIntoStringGivesTheTextAndTheEmptyStringForNoBytes) {
  LLKCString* s = LLKFBase64EncodeIntoString(bytesOf("foobar"), 6);
  ASSERT_NE(s, nullptr);
  EXPECT_EQ(s->view(), "Zm9vYmFy");
  EXPECT_EQ(s->chars()[s->length()], '\0');
  LLKCString* empty = LLKFBase64EncodeIntoString(bytesOf(""), 0);
  ASSERT_NE(empty, nullptr);
  EXPECT_EQ(empty->length(), 0u);
  EXPECT_STREQ(empty->chars(), "");
  EXPECT_NE(LLKFBase64EncodeIntoString(nullptr, 0), nullptr);
  EXPECT_EQ(LLKFBase64EncodeIntoString(nullptr, 1), nullptr);
  std::mt19937 random(64);
  for (size_t n : {47, 48, 49, 1000}) {  // around the short form, and a long one
    const std::vector<uint8_t> bytes = randomBytes(random, n);
    LLKCString* long_ = LLKFBase64EncodeIntoString(bytes.data(), n);
    ASSERT_NE(long_, nullptr);
    EXPECT_EQ(long_->view(), encode(bytes)) << "length " << n;
  }
}

TEST_F(LLKFBase64Test, DecodeFromCharsGivesDataOfExactlyTheDecodedLength) {
  for (const Vector& v : kVectors) {
    SCOPED_TRACE(v.text);
    LLKCData* data = LLKFBase64DecodeFromChars(v.text);
    if (v.bytes[0] == '\0') {
      EXPECT_EQ(data, nullptr) << "an empty text has nothing to decode";
      continue;
    }
    ASSERT_NE(data, nullptr);
    EXPECT_EQ(data->length(), std::strlen(v.bytes));
    std::vector<uint8_t> got = bytesOfData(data);
    EXPECT_EQ(std::string(got.begin(), got.end()), v.bytes);
  }
  for (const char* bad : {"AAA=AAAA", "AAAA====", "=AAA", "A=AA", "Zm9", "Zm9v!A==", "Zm 9v"}) {
    EXPECT_EQ(LLKFBase64DecodeFromChars(bad), nullptr) << '"' << bad << '"';
  }
  EXPECT_EQ(LLKFBase64DecodeFromChars(nullptr), nullptr);
}

TEST_F(LLKFBase64Test, DecodeFromStringUsesTheWholeString) {
  LLKCData* data = LLKFBase64DecodeFromString(LLKCString::stringWithChars("Zm9vYmE="));
  ASSERT_NE(data, nullptr);
  EXPECT_EQ(data->length(), 5u);
  EXPECT_EQ(std::memcmp(data->bytes(), "fooba", 5), 0);
  // A zero byte inside the string is not base64, though the text before it would be.
  LLKCString* withZero = LLKCString::stringWithChars_length("Zm9v\0AAA", 8);
  EXPECT_EQ(LLKFBase64DecodeFromString(withZero), nullptr);
  EXPECT_EQ(LLKFBase64DecodeFromString(nullptr), nullptr);

  std::mt19937 random(9);
  const std::vector<uint8_t> bytes = randomBytes(random, 5000);
  LLKCString* text = LLKFBase64EncodeIntoString(bytes.data(), bytes.size());
  ASSERT_NE(text, nullptr);
  LLKCData* back = LLKFBase64DecodeFromString(text);
  ASSERT_NE(back, nullptr);
  EXPECT_EQ(bytesOfData(back), bytes);
}
