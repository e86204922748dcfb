#ifndef TXQ_LLK_CODING_LLKCMEMORYIO_H
#define TXQ_LLK_CODING_LLKCMEMORYIO_H
// LLKCMemoryIO: a channel over one block of memory. Every byte below the length is content; new
// blocks and grown tails are zero-filled. A block the channel owns may grow: a store that does not
// fit grows it by max(block size, overshoot) when the block size is not 0. A store that cannot fit
// (block not owned, block size 0, or no memory) stores nothing and answers 0.
//
//   LLKCMemoryIO* m = LLKCMemoryIO::memoryWithLength_andBlockSize(0, 128);
//   m->store_bytesFrom(3, "abc");                 // 3; length 128, position 3
//   LLKCData* d = m->dataWithTransfert();         // the block moves into d; m is left empty
//
// After dispose (or a transfer) the channel has no block: getLength and position answer 0, fetches
// and stores 0, moves 25 and setLength NO.
// Ownership: factories autoreleased, init... +1. An owned block is freed with the channel; a block
//            wrapped with ...NoCopy (freeWhenDone NO) stays the caller's and must outlive the channel.
// Threads:   one thread at a time.

#include <cstdint>

#include <txq/llk/coding/LLKPDisposable.h>
#include <txq/llk/coding/LLKPPositionable.h>

class LLKCData;

class LLK_EXPORT LLKCMemoryIO : public LLKBObject, public LLKPPositionable, public LLKPDisposable {
  LLK_OBJECT(LLKCMemoryIO, LLKBObject)

 public:
  struct private_t {
    uint64_t mLength = 0;     // content bytes
    uint64_t mPosition = 0;   // <= mLength
    uint8_t* mBuffer = nullptr;
    bool mOwns = false;       // freed with the channel and resizable
    uint64_t mBlockSize = 0;  // growth step; 0: never grows on its own
    ~private_t();             // frees an owned block
  };
  private_t* iPrivate;

  // ---- Creation ----
  // n zero bytes, owned, block size 0 (the block never grows on its own).
  static LLKCMemoryIO* memoryWithLength(uint64_t length) noexcept;
  LLKCMemoryIO* initWithLength(uint64_t length) noexcept;
  // n zero bytes, owned, growing by `blockSize`.
  static LLKCMemoryIO* memoryWithLength_andBlockSize(uint64_t length, uint64_t blockSize) noexcept;
  LLKCMemoryIO* initWithLength_andBlockSize(uint64_t length, uint64_t blockSize) noexcept;
  // An owned copy of the bytes; block size 0.
  static LLKCMemoryIO* memoryWithBytes_length(const void* bytes, uint64_t length) noexcept;
  LLKCMemoryIO* initWithBytes_length(const void* bytes, uint64_t length) noexcept;
  // The caller's block in place, never freed or resized.
  static LLKCMemoryIO* memoryWithBytesNoCopy_length(void* bytes, uint64_t length) noexcept;
  LLKCMemoryIO* initWithBytesNoCopy_length(void* bytes, uint64_t length) noexcept;
  // The caller's block; with freeWhenDone the channel owns it (C allocator): frees and may resize it.
  static LLKCMemoryIO* memoryWithBytesNoCopy_length_freeWhenDone(void* bytes, uint64_t length,
                                                                 bool freeWhenDone) noexcept;
  LLKCMemoryIO* initWithBytesNoCopy_length_freeWhenDone(void* bytes, uint64_t length, bool freeWhenDone) noexcept;

  // ---- The block ----
  void* bytes() const noexcept { return iPrivate->mBuffer; }
  // A pointer to the byte at offset, or null when there is no block or offset >= length.
  void* bytesAt(uint64_t offset) const noexcept;
  uint64_t getBlockSize() const noexcept { return iPrivate->mBlockSize; }
  void setBlockSize(uint64_t blockSize) noexcept { iPrivate->mBlockSize = blockSize; }
  // Drops the first n bytes: the rest moves to the start, the position moves back by n (not below
  // 0); the length stays and the last n bytes keep their old contents. n >= length does nothing.
  void shiftLeftBy(uint64_t count) noexcept;
  // An LLKCData over the whole block: a copy, or sharing the block (valid while the channel keeps
  // it). nil when there is no block. Autoreleased.
  LLKCData* dataWithCopy(bool copy) noexcept;
  // As dataWithCopy over the first min(length, getLength()) bytes.
  LLKCData* dataWithLength_copy(uint64_t length, bool copy) noexcept;
  // Hands the block to a new LLKCData (which frees it when the channel owned it); the channel is left
  // with no block. nil when there is no block or no memory (the channel then keeps its block).
  LLKCData* dataWithTransfert() noexcept;

  // ---- LLKPPositionable ----
  uint64_t position() noexcept override { return iPrivate->mBuffer != nullptr ? iPrivate->mPosition : 0; }
  uint64_t getLength() noexcept override { return iPrivate->mBuffer != nullptr ? iPrivate->mLength : 0; }
  // Resizes an owned block (new bytes zero); the position is clamped. NO when not owned or no memory.
  bool setLength(uint64_t length) noexcept override;
  int32_t seek(uint64_t position) noexcept override;
  int32_t skip(int64_t distance) noexcept override;
  int32_t rewind() noexcept override;
  int32_t unwind() noexcept override;
  bool isEndReached() noexcept override;
  uint64_t fetch_bytesInto(uint64_t count, void* destination) noexcept override;
  uint64_t fetch_bytesInto_atOffset(uint64_t count, void* destination, uint64_t offset) noexcept override;
  uint64_t store_bytesFrom(uint64_t count, const void* source) noexcept override;
  uint64_t store_bytesFrom_atOffset(uint64_t count, const void* source, uint64_t offset) noexcept override;
  void flush() noexcept override {}

  // ---- LLKPDisposable ----
  // Frees an owned block and forgets the block in every case; YES.
  bool dispose() noexcept override;
  bool isDisposed() noexcept override { return iPrivate->mBuffer == nullptr; }
  bool recycle() noexcept override { return false; }

  LLKCMemoryIO* init() noexcept override;  // an empty owned channel growing by 128

 protected:
  ~LLKCMemoryIO() override;

 private:
  bool makeRoom(uint64_t end) noexcept;  // grows an owned block so that `end` fits, by the rules above
};

#endif  // TXQ_LLK_CODING_LLKCMEMORYIO_H
