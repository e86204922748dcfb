#include <txq/llk/coding/LLKCMemoryIO.h>

#include <algorithm>
#include <cstdlib>
#include <cstring>

#include <txq/llk/collections/LLKContainerMaking_p.h>
#include <txq/llk/values/LLKCData.h>

namespace {

using private_t = LLKCMemoryIO::private_t;

constexpr uint64_t kDefaultBlockSize = 128;

// A zero-filled block of n bytes (at least one, so that an empty channel still has a block).
uint8_t* zeroBlock(uint64_t length) noexcept {
  return static_cast<uint8_t*>(std::calloc(std::max<uint64_t>(length, 1), 1));
}

}  // namespace

LLKCMemoryIO::private_t::~private_t() {
  if (mOwns) std::free(mBuffer);
}

LLK_DEFINE_CLASS(LLKCMemoryIO, LLK_PROTOCOLS(LLKPPositionable, LLKPDisposable), init, initWithLength,
                 initWithLength_andBlockSize, initWithBytes_length, initWithBytesNoCopy_length,
                 initWithBytesNoCopy_length_freeWhenDone, bytes, bytesAt, getBlockSize, setBlockSize, shiftLeftBy,
                 dataWithCopy, dataWithLength_copy, dataWithTransfert, position, getLength, setLength, seek, skip,
                 rewind, unwind, isEndReached, fetch_bytesInto, fetch_bytesInto_atOffset, store_bytesFrom,
                 store_bytesFrom_atOffset, flush, dispose, isDisposed, recycle)

// ---- Creation ----

LLKCMemoryIO* LLKCMemoryIO::init() noexcept { return initWithLength_andBlockSize(0, kDefaultBlockSize); }

LLKCMemoryIO* LLKCMemoryIO::memoryWithLength(uint64_t length) noexcept {
  return llk::detail::autoreleasedNew(&LLKCMemoryIO::initWithLength, length);
}

LLKCMemoryIO* LLKCMemoryIO::initWithLength(uint64_t length) noexcept { return initWithLength_andBlockSize(length, 0); }

LLKCMemoryIO* LLKCMemoryIO::memoryWithLength_andBlockSize(uint64_t length, uint64_t blockSize) noexcept {
  return llk::detail::autoreleasedNew(&LLKCMemoryIO::initWithLength_andBlockSize, length, blockSize);
}

LLKCMemoryIO* LLKCMemoryIO::initWithLength_andBlockSize(uint64_t length, uint64_t blockSize) noexcept {
  uint8_t* block = zeroBlock(length);
  if (block == nullptr) {
    dealloc();
    return nullptr;
  }
  LLKCMemoryIO* self = initWithBytesNoCopy_length_freeWhenDone(block, length, true);
  if (self != nullptr) self->iPrivate->mBlockSize = blockSize;
  return self;
}

LLKCMemoryIO* LLKCMemoryIO::memoryWithBytes_length(const void* bytes, uint64_t length) noexcept {
  return llk::detail::autoreleasedNew(&LLKCMemoryIO::initWithBytes_length, bytes, length);
}

LLKCMemoryIO* LLKCMemoryIO::initWithBytes_length(const void* bytes, uint64_t length) noexcept {
  if (bytes == nullptr && length != 0) {
    dealloc();
    return nullptr;
  }
  uint8_t* block = zeroBlock(length);
  if (block == nullptr) {
    dealloc();
    return nullptr;
  }
  if (length != 0) std::memcpy(block, bytes, length);
  return initWithBytesNoCopy_length_freeWhenDone(block, length, true);
}

LLKCMemoryIO* LLKCMemoryIO::memoryWithBytesNoCopy_length(void* bytes, uint64_t length) noexcept {
  return llk::detail::autoreleasedNew(&LLKCMemoryIO::initWithBytesNoCopy_length, bytes, length);
}

LLKCMemoryIO* LLKCMemoryIO::initWithBytesNoCopy_length(void* bytes, uint64_t length) noexcept {
  return initWithBytesNoCopy_length_freeWhenDone(bytes, length, false);
}

LLKCMemoryIO* LLKCMemoryIO::memoryWithBytesNoCopy_length_freeWhenDone(void* bytes, uint64_t length,
                                                                     bool freeWhenDone) noexcept {
  return llk::detail::autoreleasedNew(&LLKCMemoryIO::initWithBytesNoCopy_length_freeWhenDone, bytes, length,
                                      freeWhenDone);
}

LLKCMemoryIO* LLKCMemoryIO::initWithBytesNoCopy_length_freeWhenDone(void* bytes, uint64_t length,
                                                                    bool freeWhenDone) noexcept {
  iPrivate = new (std::nothrow) private_t;
  if (iPrivate == nullptr || (bytes == nullptr && length != 0)) {
    if (freeWhenDone) std::free(bytes);
    dealloc();
    return nullptr;
  }
  iPrivate->mBuffer = static_cast<uint8_t*>(bytes);
  iPrivate->mLength = length;
  iPrivate->mOwns = freeWhenDone;
  return this;
}

LLKCMemoryIO::~LLKCMemoryIO() { delete iPrivate; }

// ---- The block ----

void* LLKCMemoryIO::bytesAt(uint64_t offset) const noexcept {
  const private_t* d = iPrivate;
  return d->mBuffer != nullptr && offset < d->mLength ? d->mBuffer + offset : nullptr;
}

void LLKCMemoryIO::shiftLeftBy(uint64_t count) noexcept {
  private_t* d = iPrivate;
  if (d->mBuffer == nullptr || count >= d->mLength) return;
  std::memmove(d->mBuffer, d->mBuffer + count, d->mLength - count);
  d->mPosition = d->mPosition > count ? d->mPosition - count : 0;
}

LLKCData* LLKCMemoryIO::dataWithCopy(bool copy) noexcept { return dataWithLength_copy(iPrivate->mLength, copy); }

LLKCData* LLKCMemoryIO::dataWithLength_copy(uint64_t length, bool copy) noexcept {
  private_t* d = iPrivate;
  if (d->mBuffer == nullptr) return nullptr;
  const uint64_t n = std::min(length, d->mLength);
  return copy ? LLKCData::dataWithBytes_length(d->mBuffer, n) : LLKCData::dataWithBytesNoCopy_length(d->mBuffer, n);
}

LLKCData* LLKCMemoryIO::dataWithTransfert() noexcept {
  private_t* d = iPrivate;
  if (d->mBuffer == nullptr) return nullptr;
  LLKCData* data = LLKCData::dataWithBytesNoCopy_length_freeWhenDone(d->mBuffer, d->mLength, d->mOwns);
  if (data == nullptr) return nullptr;
  d->mBuffer = nullptr;
  d->mOwns = false;
  d->mLength = 0;
  d->mPosition = 0;
  return data;
}

// ---- Positioning ----

bool LLKCMemoryIO::setLength(uint64_t length) noexcept {
  private_t* d = iPrivate;
  if (d->mBuffer == nullptr || !d->mOwns) return false;
  void* grown = std::realloc(d->mBuffer, std::max<uint64_t>(length, 1));
  if (grown == nullptr) return false;
  d->mBuffer = static_cast<uint8_t*>(grown);
  if (length > d->mLength) std::memset(d->mBuffer + d->mLength, 0, length - d->mLength);
  d->mLength = length;
  d->mPosition = std::min(d->mPosition, length);
  return true;
}

int32_t LLKCMemoryIO::seek(uint64_t position) noexcept {
  private_t* d = iPrivate;
  if (d->mBuffer == nullptr) return llk::kChannelNoStore;
  d->mPosition = std::min(position, d->mLength);
  return llk::kDone;
}

int32_t LLKCMemoryIO::skip(int64_t distance) noexcept {
  private_t* d = iPrivate;
  if (d->mBuffer == nullptr) return llk::kChannelNoStore;
  if (distance <= 0) {
    const uint64_t back = 0 - static_cast<uint64_t>(distance);
    d->mPosition = back >= d->mPosition ? 0 : d->mPosition - back;
  } else {
    d->mPosition += std::min(static_cast<uint64_t>(distance), d->mLength - d->mPosition);
  }
  return llk::kDone;
}

int32_t LLKCMemoryIO::rewind() noexcept { return seek(0); }

int32_t LLKCMemoryIO::unwind() noexcept { return seek(UINT64_MAX); }

bool LLKCMemoryIO::isEndReached() noexcept {
  const private_t* d = iPrivate;
  return d->mBuffer == nullptr || d->mPosition == d->mLength;
}

// ---- Reading and writing ----

uint64_t LLKCMemoryIO::fetch_bytesInto(uint64_t count, void* destination) noexcept {
  const uint64_t n = fetch_bytesInto_atOffset(count, destination, iPrivate->mPosition);
  iPrivate->mPosition += n;
  return n;
}

uint64_t LLKCMemoryIO::fetch_bytesInto_atOffset(uint64_t count, void* destination, uint64_t offset) noexcept {
  const private_t* d = iPrivate;
  if (d->mBuffer == nullptr || offset >= d->mLength || destination == nullptr) return 0;
  const uint64_t n = std::min(count, d->mLength - offset);
  std::memcpy(destination, d->mBuffer + offset, n);
  return n;
}

bool LLKCMemoryIO::makeRoom(uint64_t end) noexcept {
  private_t* d = iPrivate;
  if (end <= d->mLength) return true;
  if (!d->mOwns || d->mBlockSize == 0) return false;
  const uint64_t grown = d->mLength + std::max(d->mBlockSize, end - d->mLength);
  return grown >= end && setLength(grown);
}

uint64_t LLKCMemoryIO::store_bytesFrom(uint64_t count, const void* source) noexcept {
  const uint64_t n = store_bytesFrom_atOffset(count, source, iPrivate->mPosition);
  iPrivate->mPosition += n;
  return n;
}

uint64_t LLKCMemoryIO::store_bytesFrom_atOffset(uint64_t count, const void* source, uint64_t offset) noexcept {
  private_t* d = iPrivate;
  if (d->mBuffer == nullptr || count == 0 || source == nullptr) return 0;
  if (offset > UINT64_MAX - count || !makeRoom(offset + count)) return 0;
  std::memcpy(d->mBuffer + offset, source, count);
  return count;
}

// ---- Disposal ----

bool LLKCMemoryIO::dispose() noexcept {
  private_t* d = iPrivate;
  if (d->mOwns) std::free(d->mBuffer);
  d->mBuffer = nullptr;
  d->mOwns = false;
  return true;
}
