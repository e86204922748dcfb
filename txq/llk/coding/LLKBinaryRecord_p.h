#ifndef TXQ_LLK_CODING_LLKBINARYRECORD_P_H
#define TXQ_LLK_CODING_LLKBINARYRECORD_P_H
// Internal: the byte layout of the binary stream's headers, shared by its encoder and decoder.
// Not installed, not API. All fields in host byte order.
//
//   stream header  "kmS!" | u32 stream length (header included; 0 until the stream is ceased)
//   record header  "KmF" | u8 tag | u32 class-name length | u32 key hash | u32 payload length

#include <algorithm>
#include <bit>
#include <cstdint>
#include <cstring>

#include <txq/llk/coding/LLKCMemoryIO.h>
#include <txq/llk/coding/LLKPPositionable.h>

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

// Composed as two 8-byte words and stored as such: the bytes are read back by wide loads (a store
// of the whole record), which small separate stores would make stall.
inline void writeHeader(uint8_t* out, uint8_t tag, uint32_t nameLength, uint32_t keyHash, uint32_t payload) noexcept {
  static_assert(std::endian::native == std::endian::little, "the stream is written in host order");
  const uint64_t first = uint64_t{'K'} | uint64_t{'m'} << 8 | uint64_t{'F'} << 16 | uint64_t{tag} << 24 |
                         uint64_t{nameLength} << 32;
  const uint64_t second = uint64_t{keyHash} | uint64_t{payload} << 32;
  std::memcpy(out, &first, 8);
  std::memcpy(out + 8, &second, 8);
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

// ---- Channel access ----
// A coder's record holds the channel interface (mChannel) and, when the channel is exactly an
// LLKCMemoryIO, its record (mMemory): the coders then move through the block themselves, with the
// memory channel's own rules, instead of one virtual call per header and value.

template <class D>
void bindChannel(D* d, LLKBObject* object, LLKPPositionable* channel) noexcept {
  d->mChannel = channel;
  d->mMemory = object != nullptr && object->isOfClass(LLKCMemoryIO::classObject()) != nullptr
                   ? static_cast<LLKCMemoryIO*>(object)->iPrivate
                   : nullptr;
}

template <class D>
uint64_t channelPosition(const D* d) noexcept {
  if (d->mMemory != nullptr) return d->mMemory->mBuffer != nullptr ? d->mMemory->mPosition : 0;
  return d->mChannel->position();
}

// YES when the channel is now exactly at `position`.
template <class D>
bool channelSeek(D* d, uint64_t position) noexcept {
  LLKCMemoryIO::private_t* m = d->mMemory;
  if (m != nullptr) {
    if (m->mBuffer == nullptr || position > m->mLength) return false;
    m->mPosition = position;
    return true;
  }
  return d->mChannel->seek(position) == 0 && d->mChannel->position() == position;
}

// All n bytes, or NO (the position then may have moved).
template <class D>
bool channelFetch(D* d, uint64_t n, void* destination) noexcept {
  LLKCMemoryIO::private_t* m = d->mMemory;
  if (m != nullptr) {
    if (m->mBuffer == nullptr || n > m->mLength - m->mPosition) return false;
    std::memcpy(destination, m->mBuffer + m->mPosition, n);
    m->mPosition += n;
    return true;
  }
  return d->mChannel->fetch_bytesInto(n, destination) == n;
}

// All n bytes, or NO; a memory block is grown by its channel when they do not fit.
template <class D>
bool channelStore(D* d, uint64_t n, const void* source) noexcept {
  LLKCMemoryIO::private_t* m = d->mMemory;
  if (m != nullptr && m->mBuffer != nullptr && n <= m->mLength - m->mPosition && n != 0) {
    std::memcpy(m->mBuffer + m->mPosition, source, n);
    m->mPosition += n;
    return true;
  }
  return d->mChannel->store_bytesFrom(n, source) == n;
}

// A pointer to n writable bytes at the position of a memory channel (grown by its rules when they do
// not fit), to be filled and then committed with channelAdvance; null for other channels, or when
// the block cannot hold them (the caller then stores through the channel).
template <class D>
uint8_t* channelReserve(D* d, uint64_t n) noexcept {
  LLKCMemoryIO::private_t* m = d->mMemory;
  if (m == nullptr || m->mBuffer == nullptr) return nullptr;
  if (n > m->mLength - m->mPosition) {
    if (!m->mOwns || m->mBlockSize == 0 || d->mChannel->store_bytesFrom_atOffset(1, "", m->mPosition + n - 1) != 1) {
      return nullptr;
    }
  }
  return m->mBuffer + m->mPosition;
}

template <class D>
void channelAdvance(D* d, uint64_t n) noexcept {
  d->mMemory->mPosition += n;
}

template <class D>
bool channelStoreAt(D* d, uint64_t n, const void* source, uint64_t offset) noexcept {
  LLKCMemoryIO::private_t* m = d->mMemory;
  if (m != nullptr && m->mBuffer != nullptr && offset <= m->mLength && n <= m->mLength - offset && n != 0) {
    std::memcpy(m->mBuffer + offset, source, n);
    return true;
  }
  return d->mChannel->store_bytesFrom_atOffset(n, source, offset) == n;
}

}  // namespace llk::detail

#endif  // TXQ_LLK_CODING_LLKBINARYRECORD_P_H
