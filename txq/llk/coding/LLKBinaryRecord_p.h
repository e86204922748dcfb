#ifndef TXQ_LLK_CODING_LLKBINARYRECORD_P_H
#define TXQ_LLK_CODING_LLKBINARYRECORD_P_H
// Internal: the byte layout of the binary stream's headers, shared by its encoder and decoder.
// Not installed, not API. All fields in host byte order.
//
//   stream header  "kmS!" | u32 stream length (header included; 0 until the stream is ceased)
//   record header  "KmF" | u8 tag | u32 class-name length | u32 key hash | u32 payload length

#include <cstdint>
#include <cstring>

namespace llk::detail {

inline constexpr uint64_t kStreamHeaderSize = 8;
inline constexpr uint64_t kHeaderSize = 16;

struct RecordHeader {
  uint8_t tag;
  uint32_t nameLength;
  uint32_t keyHash;
  uint32_t payload;
  // Bytes that follow the header: the class name and the payload.
  uint64_t body() const noexcept { return uint64_t{nameLength} + payload; }
};

inline void writeStreamHeader(uint8_t* out, uint32_t length) noexcept {
  std::memcpy(out, "kmS!", 4);
  std::memcpy(out + 4, &length, 4);
}

inline void writeHeader(uint8_t* out, uint8_t tag, uint32_t nameLength, uint32_t keyHash, uint32_t payload) noexcept {
  out[0] = 'K';
  out[1] = 'm';
  out[2] = 'F';
  out[3] = tag;
  std::memcpy(out + 4, &nameLength, 4);
  std::memcpy(out + 8, &keyHash, 4);
  std::memcpy(out + 12, &payload, 4);
}

// NO when the bytes do not start with "KmF".
inline bool readHeader(const uint8_t* in, RecordHeader* header) noexcept {
  if (in[0] != 'K' || in[1] != 'm' || in[2] != 'F') return false;
  header->tag = in[3];
  std::memcpy(&header->nameLength, in + 4, 4);
  std::memcpy(&header->keyHash, in + 8, 4);
  std::memcpy(&header->payload, in + 12, 4);
  return true;
}

}  // namespace llk::detail

#endif  // TXQ_LLK_CODING_LLKBINARYRECORD_P_H
