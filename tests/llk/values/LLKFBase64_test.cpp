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
constexpr char kAlphabet[] = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/";

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
  std::vector<char> out(LLKFBase64ComputeEncodedSize(bytes.size()) + 1 + kCanaryBytes,
                        static_cast<char>(kCanary));
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

// The bytes of a data object as text; "(nil)" for nil.
std::string textOf(LLKCData* data) {
  return data != nullptr ? std::string(static_cast<const char*>(data->bytes()), data->length()) : "(nil)";
}

}  // namespace

class LLKFBase64Test : public txqtest::ObjectTest {};

TEST_F(LLKFBase64Test, StandardVectorsEncodeAndDecodeInEveryForm) {
  struct Vector {  // RFC 4648, section 10
    const char* bytes;
    const char* text;
  } const vectors[] = {{"", ""},         {"f", "Zg=="},         {"fo", "Zm8="},        {"foo", "Zm9v"},
                       {"foob", "Zm9vYg=="}, {"fooba", "Zm9vYmE="}, {"foobar", "Zm9vYmFy"}};
  for (const Vector& v : vectors) {
    SCOPED_TRACE(v.text);
    const size_t n = std::strlen(v.bytes);
    EXPECT_EQ(encode(std::vector<uint8_t>(bytesOf(v.bytes), bytesOf(v.bytes) + n)), v.text);
    Decoded d = decode(v.text, n);
    EXPECT_EQ(d.result, n);
    EXPECT_EQ(std::string(d.bytes.begin(), d.bytes.end()), v.bytes);
    EXPECT_TRUE(d.canaryIntact);
    // The empty text has nothing to decode.
    EXPECT_EQ(textOf(LLKFBase64DecodeFromChars(v.text)), n == 0 ? "(nil)" : v.bytes);
  }
}

TEST_F(LLKFBase64Test, SizesAndTheCharacterSetCheck) {
  const uint64_t largest = UINT64_MAX / 4 * 3 - 2;
  EXPECT_EQ(LLKFBase64ComputeEncodedSize(largest), UINT64_MAX - 3);
  EXPECT_EQ(LLKFBase64ComputeEncodedSize(largest + 1), 0u);
  EXPECT_EQ(LLKFBase64ComputeEncodedSize(UINT64_MAX), 0u);
  EXPECT_EQ(LLKFBase64ComputeDecodedSize(nullptr), 0u);
  // Characters only, not their places; n stops before a bad one; null text only for n = 0.
  const char withZero[] = {'A', '\0', 'B', 'C'};
  EXPECT_TRUE(strlimited2Base64(nullptr, 0));
  EXPECT_TRUE(strlimited2Base64((std::string(kAlphabet) + "=").c_str(), 65));
  EXPECT_TRUE(strlimited2Base64("=A=B", 4));
  EXPECT_TRUE(strlimited2Base64("ABC#", 3));
  EXPECT_FALSE(strlimited2Base64("ABC#", 4));
  EXPECT_FALSE(strlimited2Base64(nullptr, 3));
  EXPECT_FALSE(strlimited2Base64("AB-_", 4));
  EXPECT_FALSE(strlimited2Base64("AB\xC3\xA9", 4));
  EXPECT_FALSE(strlimited2Base64(withZero, 4));
}

TEST_F(LLKFBase64Test, EncodingNeedsRoomForTheTerminatingZeroAndNothingWritesOnlyTheZero) {
  char out[16];
  std::memset(out, 'x', sizeof out);
  EXPECT_EQ(LLKFBase64Encode(bytesOf("f"), 1, out, 4), 0u) << "4 characters but no room for the zero";
  EXPECT_EQ(std::string(out, 5), "xxxxx") << "a refused encoding writes nothing";
  EXPECT_EQ(LLKFBase64Encode(bytesOf("f"), 1, out, 5), 4u);
  EXPECT_EQ(std::string(out, 6), std::string("Zg==\0x", 6));
  std::memset(out, 'x', sizeof out);
  EXPECT_EQ(LLKFBase64Encode(bytesOf(""), 0, out, 0), 0u);
  EXPECT_EQ(out[0], 'x') << "no capacity, no zero";
  EXPECT_EQ(LLKFBase64Encode(bytesOf(""), 0, out, sizeof out), 0u);
  EXPECT_EQ(std::string(out, 2), std::string("\0x", 2));
  EXPECT_EQ(LLKFBase64Encode(nullptr, 3, out, sizeof out), 0u);
  EXPECT_EQ(LLKFBase64Encode(bytesOf("abc"), 3, nullptr, 100), 0u);
}

TEST_F(LLKFBase64Test, TheWholeAlphabetAndSpareBitsBeforePadding) {
  // Bytes 0x00 0x10 0x83 ... pack the 6-bit values 0, 1, 2, ..., 63 in order.
  std::vector<uint8_t> counting;
  for (unsigned v = 0; v < 64; v += 4) {
    counting.push_back(static_cast<uint8_t>(v << 2 | (v + 1) >> 4));
    counting.push_back(static_cast<uint8_t>((v + 1) << 4 | (v + 2) >> 2));
    counting.push_back(static_cast<uint8_t>((v + 2) << 6 | (v + 3)));
  }
  EXPECT_EQ(encode(counting), kAlphabet);
  Decoded d = decode(kAlphabet, 48);
  EXPECT_EQ(d.result, 48u);
  EXPECT_EQ(d.bytes, counting);
  // "QR==" carries 4 bits beyond its byte and "QUJ=" 2; they are dropped, as the canonical forms show.
  d = decode("QR==", 1);
  EXPECT_EQ(d.result, 1u);
  EXPECT_EQ(d.bytes[0], 'A');
  d = decode("QUJ=", 2);
  EXPECT_EQ(d.result, 2u);
  EXPECT_EQ(std::string(d.bytes.begin(), d.bytes.end()), "AB");
}

TEST_F(LLKFBase64Test, TextThatIsNotWellFormedDecodesToNothingAndStaysInBounds) {
  const char* const bad[] = {
      "", "A", "AAAAA", "AAAAAA", "Zm9vYg=",  // not a multiple of 4: nothing is read past the length
      "AA#A", "AAA\xFF", "AA-_",                  // outside the alphabet
      "=AAA", "A=AA", "AA=A", "A===", "====",     // '=' among the first two, or data after it
      "AAAA====",                                 // a group of padding only
      "AAA=AAAA", "AA==AAAA",                     // padding in a group that is not the last
      "AAAAAAA=AAAA",                             // ... in the first fast step
      "AAAAAAAAAAAAAAAAAAAAAAAAAAAAAAA=AAAA",     // ... in a later fast step
      "AAAAAAAAAAA!AAAA",                         // a bad character in the group after the fast steps
  };
  for (const std::string text : bad) {
    SCOPED_TRACE(text);
    EXPECT_EQ(LLKFBase64ComputeDecodedSize(text.c_str()), 0u);
    EXPECT_EQ(LLKFBase64DecodeFromChars(text.c_str()), nullptr);
    // The capacity the padding would suggest, and plenty.
    for (uint64_t capacity : {uint64_t{1}, uint64_t{3}, text.size() / 4 * 3, uint64_t{64}}) {
      Decoded d = decode(text, capacity);
      EXPECT_EQ(d.result, 0u) << "capacity " << capacity;
      EXPECT_TRUE(d.canaryIntact) << "capacity " << capacity;
    }
  }
  EXPECT_EQ(decode(std::string("AAAA\0AAA", 8), 6).result, 0u);
  uint8_t out[4];
  EXPECT_EQ(LLKFBase64Decode(nullptr, 4, out, sizeof out), 0u);
  EXPECT_EQ(LLKFBase64Decode("Zm9v", 4, nullptr, 4), 0u);
  EXPECT_EQ(LLKFBase64DecodeFromChars(nullptr), nullptr);
}

TEST_F(LLKFBase64Test, DecodeOfEncodeIsTheIdentityAtEveryLengthAndNeedsTheFullCapacity) {
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
    d = decode(text, n - 1);
    ASSERT_EQ(d.result, 0u);
    ASSERT_TRUE(d.canaryIntact);
  }
}

TEST_F(LLKFBase64Test, StringsAndDataObjects) {
  LLKCString* s = LLKFBase64EncodeIntoString(bytesOf("foobar"), 6);
  ASSERT_NE(s, nullptr);
  EXPECT_EQ(s->view(), "Zm9vYmFy");
  EXPECT_EQ(s->chars()[s->length()], '\0');
  LLKCString* empty = LLKFBase64EncodeIntoString(nullptr, 0);
  ASSERT_NE(empty, nullptr);
  EXPECT_EQ(empty->length(), 0u);
  EXPECT_EQ(LLKFBase64EncodeIntoString(nullptr, 1), nullptr);
  std::mt19937 random(64);
  for (size_t n : {48, 49, 5000}) {  // the longest short form, and longer ones
    const std::vector<uint8_t> bytes = randomBytes(random, n);
    LLKCString* text = LLKFBase64EncodeIntoString(bytes.data(), n);
    ASSERT_NE(text, nullptr);
    EXPECT_EQ(text->view(), encode(bytes)) << "length " << n;
    EXPECT_EQ(textOf(LLKFBase64DecodeFromString(text)), std::string(bytes.begin(), bytes.end()));
  }
  EXPECT_EQ(textOf(LLKFBase64DecodeFromString(LLKCString::stringWithChars("Zm9vYmE="))), "fooba");
  // A zero byte inside the string is not base64, though the text before it would be.
  EXPECT_EQ(LLKFBase64DecodeFromString(LLKCString::stringWithChars_length("Zm9v\0AAA", 8)), nullptr);
  EXPECT_EQ(LLKFBase64DecodeFromString(nullptr), nullptr);
}
