#ifndef TXQ_LLK_CODING_LLKCNULLIO_H
#define TXQ_LLK_CODING_LLKCNULLIO_H
// LLKCNullIO: a channel that stores nothing and only counts. Stores answer their full count and
// extend the length; fetches write nothing but move as a memory channel would. Encoding into a null
// channel measures how many bytes the same encoding takes in memory:
//
//   LLKCNullIO* sink = LLKCNullIO::null();
//   encoder->beginWithTarget(sink); encoder->encodeObject(graph); encoder->cease();
//   uint64_t bytes = sink->position();
//
// Every move answers 0 (seeking clamps to the length).
// Ownership: factories autoreleased, init... +1. Threads: one thread at a time.

#include <cstdint>

#include <txq/llk/coding/LLKPPositionable.h>

class LLK_EXPORT LLKCNullIO : public LLKBObject, public LLKPPositionable {
  LLK_OBJECT(LLKCNullIO, LLKBObject)

 public:
  struct private_t {
    uint64_t mLength = 0;
    uint64_t mPosition = 0;
  };
  private_t* iPrivate;

  static LLKCNullIO* null() noexcept;  // length 0
  static LLKCNullIO* nullWithLength(uint64_t length) noexcept;
  LLKCNullIO* init() noexcept override;
  LLKCNullIO* initWithLength(uint64_t length) noexcept;

  uint64_t position() noexcept override { return iPrivate->mPosition; }
  uint64_t getLength() noexcept override { return iPrivate->mLength; }
  bool setLength(uint64_t length) noexcept override;  // the position is clamped; YES
  int32_t seek(uint64_t position) noexcept override;
  int32_t skip(int64_t distance) noexcept override;
  int32_t rewind() noexcept override;
  int32_t unwind() noexcept override;
  bool isEndReached() noexcept override { return iPrivate->mPosition == iPrivate->mLength; }
  uint64_t fetch_bytesInto(uint64_t count, void* destination) noexcept override;
  uint64_t fetch_bytesInto_atOffset(uint64_t count, void* destination, uint64_t offset) noexcept override;
  uint64_t store_bytesFrom(uint64_t count, const void* source) noexcept override;
  uint64_t store_bytesFrom_atOffset(uint64_t count, const void* source, uint64_t offset) noexcept override;
  void flush() noexcept override {}

 protected:
  ~LLKCNullIO() override;
};

#endif  // TXQ_LLK_CODING_LLKCNULLIO_H
