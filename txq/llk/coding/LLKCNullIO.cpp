#include <txq/llk/coding/LLKCNullIO.h>

#include <algorithm>

#include <txq/llk/collections/LLKContainerMaking_p.h>

LLK_DEFINE_CLASS(LLKCNullIO, LLK_PROTOCOLS(LLKPPositionable), init, initWithLength, position, getLength, setLength,
                 seek, skip, rewind, unwind, isEndReached, fetch_bytesInto, fetch_bytesInto_atOffset, store_bytesFrom,
                 store_bytesFrom_atOffset, flush)

LLKCNullIO* LLKCNullIO::null() noexcept { return llk::detail::autoreleasedNew(&LLKCNullIO::init); }

LLKCNullIO* LLKCNullIO::nullWithLength(uint64_t length) noexcept {
  return llk::detail::autoreleasedNew(&LLKCNullIO::initWithLength, length);
}

LLKCNullIO* LLKCNullIO::init() noexcept { return initWithLength(0); }

LLKCNullIO* LLKCNullIO::initWithLength(uint64_t length) noexcept {
  iPrivate = new (std::nothrow) private_t;
  if (iPrivate == nullptr) {
    dealloc();
    return nullptr;
  }
  iPrivate->mLength = length;
  return this;
}

LLKCNullIO::~LLKCNullIO() { delete iPrivate; }

bool LLKCNullIO::setLength(uint64_t length) noexcept {
  iPrivate->mLength = length;
  iPrivate->mPosition = std::min(iPrivate->mPosition, length);
  return true;
}

int32_t LLKCNullIO::seek(uint64_t position) noexcept {
  iPrivate->mPosition = std::min(position, iPrivate->mLength);
  return llk::kDone;
}

int32_t LLKCNullIO::skip(int64_t distance) noexcept {
  private_t* d = iPrivate;
  if (distance <= 0) {
    const uint64_t back = 0 - static_cast<uint64_t>(distance);
    d->mPosition = back >= d->mPosition ? 0 : d->mPosition - back;
  } else {
    d->mPosition += std::min(static_cast<uint64_t>(distance), d->mLength - d->mPosition);
  }
  return llk::kDone;
}

int32_t LLKCNullIO::rewind() noexcept { return seek(0); }

int32_t LLKCNullIO::unwind() noexcept { return seek(UINT64_MAX); }

uint64_t LLKCNullIO::fetch_bytesInto(uint64_t count, void* destination) noexcept {
  const uint64_t n = fetch_bytesInto_atOffset(count, destination, iPrivate->mPosition);
  iPrivate->mPosition += n;
  return n;
}

uint64_t LLKCNullIO::fetch_bytesInto_atOffset(uint64_t count, void*, uint64_t offset) noexcept {
  return offset >= iPrivate->mLength ? 0 : std::min(count, iPrivate->mLength - offset);
}

uint64_t LLKCNullIO::store_bytesFrom(uint64_t count, const void* source) noexcept {
  const uint64_t n = store_bytesFrom_atOffset(count, source, iPrivate->mPosition);
  iPrivate->mPosition += n;
  return n;
}

uint64_t LLKCNullIO::store_bytesFrom_atOffset(uint64_t count, const void*, uint64_t offset) noexcept {
  if (count == 0 || offset > UINT64_MAX - count) return 0;
  iPrivate->mLength = std::max(iPrivate->mLength, offset + count);
  return count;
}
