#ifndef TXQ_LLK_CODING_LLKPPOSITIONABLE_H
#define TXQ_LLK_CODING_LLKPPOSITIONABLE_H
// LLKPPositionable: the role of a channel, a positioned byte store that coders, readers and writers
// move through (LLKCMemoryIO, LLKCStreamIO, LLKCNullIO, and users' own). A class adopts it as a
// secondary base listed in LLK_PROTOCOLS; callers reach it with llk::as<LLKPPositionable>(object).
//
// Positions and lengths are byte counts from the start of the store. Moves clamp to [0, length].
// Statuses of the positioning operations: 0 done; 25 the channel has no store (disposed or closed);
// 7 the file system refused the move.
// Threads: a channel, and any reader, writer or coder over it, belongs to one thread at a time.

#include <cstdint>

#include <txq/llk/object/LLKBObject.h>
#include <txq/llk/object/LLKStatus.h>

namespace llk {
enum ChannelStatus : int32_t {
  kChannelMoveRefused = 7,  // the file system refused the move
  kChannelNoStore = 25,     // a disposed memory block or a closed file
};
}  // namespace llk

struct LLK_EXPORT LLKPPositionable {
  static const LLKProtocol kProtocol;

  virtual uint64_t position() noexcept = 0;
  virtual uint64_t getLength() noexcept = 0;
  virtual bool setLength(uint64_t length) noexcept = 0;
  virtual int32_t seek(uint64_t position) noexcept = 0;
  virtual int32_t skip(int64_t distance) noexcept = 0;
  virtual int32_t rewind() noexcept = 0;
  virtual int32_t unwind() noexcept = 0;
  virtual bool isEndReached() noexcept = 0;
  // Bytes read (at most count); the first form moves the position past them, the second does not.
  virtual uint64_t fetch_bytesInto(uint64_t count, void* destination) noexcept = 0;
  virtual uint64_t fetch_bytesInto_atOffset(uint64_t count, void* destination, uint64_t offset) noexcept = 0;
  // Bytes stored (at most count); the first form moves the position past them, the second does not.
  virtual uint64_t store_bytesFrom(uint64_t count, const void* source) noexcept = 0;
  virtual uint64_t store_bytesFrom_atOffset(uint64_t count, const void* source, uint64_t offset) noexcept = 0;
  virtual void flush() noexcept = 0;

 protected:
  ~LLKPPositionable() = default;
};

#endif  // TXQ_LLK_CODING_LLKPPOSITIONABLE_H
