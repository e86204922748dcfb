#include <txq/llk/values/LLKFChecksum.h>

#include <gtest/gtest.h>

#include <cstring>
#include <random>
#include <string>
#include <vector>

namespace {

// The two bytes the checksum occupies when stored with a plain 16-bit store, as a packet carries it.
std::vector<uint8_t> stored(uint16_t checksum) {
  std::vector<uint8_t> bytes(2);
  std::memcpy(bytes.data(), &checksum, 2);
  return bytes;
}

// RFC 1071 read in network order: big-endian words, an odd last byte padded with a zero byte after
// it. Its result, stored big-endian, is the byte pair the host-order checksum stores.
uint16_t referenceNetworkOrder(const std::vector<uint8_t>& bytes) {
  uint64_t sum = 0;
  for (size_t i = 0; i < bytes.size(); i += 2) {
    uint32_t word = uint32_t{bytes[i]} << 8;
    if (i + 1 < bytes.size()) word |= bytes[i + 1];
    sum += word;
  }
  while (sum > 0xFFFF) sum = (sum & 0xFFFF) + (sum >> 16);
  return static_cast<uint16_t>(~sum);
}

std::vector<uint8_t> bigEndian(uint16_t v) { return {static_cast<uint8_t>(v >> 8), static_cast<uint8_t>(v)}; }

}  // namespace

TEST(LLKFChecksumTest, EmptyAndSingleByte) {
  const uint8_t one = 0x01;
  EXPECT_EQ(LLKFComputeChecksum16(&one, 0), 0xFFFF);
  EXPECT_EQ(LLKFComputeChecksum16(nullptr, 0), 0xFFFF);
  EXPECT_EQ(LLKFComputeChecksum16(nullptr, 8), 0xFFFF);
  EXPECT_EQ(LLKFComputeChecksum16(&one, 1), 0xFFFE);
  const uint8_t zeros[4] = {};
  EXPECT_EQ(LLKFComputeChecksum16(zeros, 4), 0xFFFF);
}

TEST(LLKFChecksumTest, KnownExamplesLandAsTheirNetworkBytes) {
  // The worked example of RFC 1071 (section 3): the sum of these words is ddf2, the checksum 220d.
  const uint8_t rfc[] = {0x00, 0x01, 0xF2, 0x03, 0xF4, 0xF5, 0xF6, 0xF7};
  EXPECT_EQ(stored(LLKFComputeChecksum16(rfc, sizeof rfc)), bigEndian(0x220D));
  // An IPv4 header with its checksum field zeroed: the header checksum is b861.
  uint8_t header[] = {0x45, 0x00, 0x00, 0x73, 0x00, 0x00, 0x40, 0x00, 0x40, 0x11,
                      0x00, 0x00, 0xC0, 0xA8, 0x00, 0x01, 0xC0, 0xA8, 0x00, 0xC7};
  const uint16_t checksum = LLKFComputeChecksum16(header, sizeof header);
  EXPECT_EQ(stored(checksum), bigEndian(0xB861));
  // Stored into its field, the header verifies: its checksum becomes 0.
  std::memcpy(header + 10, &checksum, 2);
  EXPECT_EQ(LLKFComputeChecksum16(header, sizeof header), 0);
}

TEST(LLKFChecksumTest, CarriesFoldBackAtTheLargestLength) {
  // 32767 words 0xFFFF sum to 0xFFFF in ones' complement; the last byte 0xFF then carries once:
  // 0xFFFF + 0xFF = 0x100FE -> 0x00FF, whose complement is 0xFF00.
  const std::vector<uint8_t> ones(65535, 0xFF);
  EXPECT_EQ(LLKFComputeChecksum16(ones.data(), 65535), 0xFF00);
  EXPECT_EQ(LLKFComputeChecksum16(ones.data(), 65534), 0x0000);
}

TEST(LLKFChecksumTest, MatchesNetworkOrderReferenceAndVerifiesItself) {
  std::mt19937 random(1071);
  for (int round = 0; round < 400; ++round) {
    const size_t n = 1 + random() % 3000;
    std::vector<uint8_t> bytes(n);
    for (uint8_t& b : bytes) b = static_cast<uint8_t>(random());
    SCOPED_TRACE("length " + std::to_string(n));
    const uint16_t checksum = LLKFComputeChecksum16(bytes.data(), static_cast<uint16_t>(n));
    ASSERT_EQ(stored(checksum), bigEndian(referenceNetworkOrder(bytes)));
    if (n % 2 == 0) {
      bytes.resize(n + 2);
      std::memcpy(bytes.data() + n, &checksum, 2);
      ASSERT_EQ(LLKFComputeChecksum16(bytes.data(), static_cast<uint16_t>(n + 2)), 0);
    }
  }
}
