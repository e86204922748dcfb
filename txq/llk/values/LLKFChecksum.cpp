#include <txq/llk/values/LLKFChecksum.h>

#include <cstring>

uint16_t LLKFComputeChecksum16(const void* bytes, uint16_t length) noexcept {
  if (bytes == nullptr || length == 0) return 0xFFFF;
  const auto* p = static_cast<const uint8_t*>(bytes);
  // At most 32767 words of at most 0xFFFF and one byte: the sum fits 32 bits.
  uint32_t sum = 0;
  uint32_t i = 0;
  for (; i + 1 < length; i += 2) {
    uint16_t word;
    std::memcpy(&word, p + i, sizeof word);
    sum += word;
  }
  if (i < length) sum += p[i];
  while (sum > 0xFFFF) sum = (sum & 0xFFFF) + (sum >> 16);
  return static_cast<uint16_t>(~sum);
}
