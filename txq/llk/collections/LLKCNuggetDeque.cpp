#include <txq/llk/collections/LLKCNuggetDeque.h>

#include <txq/llk/collections/LLKContainerMaking_p.h>

#include <algorithm>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <new>

#include <txq/llk/coding/LLKBDecoder.h>
#include <txq/llk/coding/LLKBEncoder.h>
#include <txq/llk/collections/LLKSlotBlock_p.h>
#include <txq/llk/object/LLKStatus.h>
#include <txq/llk/values/LLKCString.h>
#include <txq/llk/values/LLKFRandom.h>
#include <txq/llk/values/LLKValueCoding_p.h>

// Invariants: mSize >= 1; mCount <= mCapacity; mBuffer holds mSize * mCapacity bytes (null when that
// is 0) and mSize * mCapacity is representable.
struct LLKCNuggetDeque::private_t {
  uint8_t* mBuffer = nullptr;  // owned (C allocator)
  uint64_t mSize = 1;          // bytes per nugget
  uint64_t mCount = 0;
  uint64_t mCapacity = 0;      // nuggets the buffer holds
  float mGrowFactor = 0.25f;
  ~private_t() { std::free(mBuffer); }

  uint8_t* at(uint64_t index) const noexcept { return mBuffer + index * mSize; }
};

LLK_DEFINE_CLASS(LLKCNuggetDeque, LLK_PROTOCOLS(LLKPCopyable, LLKPEncodable), init, initWithLength_andCapacity,
                 nuggetSize, count, capacity, growFactor, setGrowFactor, resize, reserve, compact, clear, head, tail,
                 fetchAtIndex, fetch_atIndex, contains, contains_atIndex, append, prepend, insert_atIndex,
                 append_andResizeIfNeeded, prepend_andResizeIfNeeded, insert_atIndex_andResizeIfNeeded,
                 removeAtIndex, remove, removeHead, removeTail, rotateBy, scramble, initWithCopy_deep, copy,
                 deepCopy, encodeWithCoder, initWithCoder)

namespace {

using private_t = LLKCNuggetDeque::private_t;

// size * n into *bytes; NO when the product cannot be represented as a block size.
bool bytesFor(uint64_t size, uint64_t n, uint64_t* bytes) noexcept {
  return !__builtin_mul_overflow(size, n, bytes) && *bytes <= SIZE_MAX / 2;
}

// A buffer of exactly `bytes` bytes for a record that has none: YES (null for 0 bytes) or NO.
bool makeBuffer(private_t* d, uint64_t bytes, bool zeroed) noexcept {
  if (bytes == 0) return true;
  d->mBuffer = static_cast<uint8_t*>(zeroed ? std::calloc(bytes, 1) : std::malloc(bytes));
  return d->mBuffer != nullptr;
}

}  // namespace

// ---- Creation ----

LLKCNuggetDeque* LLKCNuggetDeque::dequeWithLength(uint64_t length) noexcept {
  return dequeWithLength_andCapacity(length, 16);
}

LLKCNuggetDeque* LLKCNuggetDeque::dequeWithLength_andCapacity(uint64_t length, uint64_t capacity) noexcept {
  return llk::detail::autoreleasedNew(&LLKCNuggetDeque::initWithLength_andCapacity, length, capacity);
}

LLKCNuggetDeque* LLKCNuggetDeque::initWithLength_andCapacity(uint64_t length, uint64_t capacity) noexcept {
  if (LLKCNuggetDeque::init() == nullptr) return nullptr;
  private_t* const d = iPrivate;
  d->mSize = std::max<uint64_t>(length, 1);
  const uint64_t n = std::max<uint64_t>(capacity, 1);
  uint64_t bytes = 0;
  if (!bytesFor(d->mSize, n, &bytes) || !makeBuffer(d, bytes, true)) {
    dealloc();
    return nullptr;
  }
  d->mCapacity = n;
  return this;
}

LLKCNuggetDeque* LLKCNuggetDeque::init() noexcept {
  iPrivate = new (std::nothrow) private_t();
  if (iPrivate == nullptr) {
    dealloc();
    return nullptr;
  }
  return this;
}

LLKCNuggetDeque::~LLKCNuggetDeque() { delete iPrivate; }

// ---- Size ----

uint64_t LLKCNuggetDeque::nuggetSize() const noexcept { return iPrivate->mSize; }

uint64_t LLKCNuggetDeque::count() const noexcept { return iPrivate->mCount; }

uint64_t LLKCNuggetDeque::capacity() const noexcept { return iPrivate->mCapacity; }

float LLKCNuggetDeque::growFactor() const noexcept { return iPrivate->mGrowFactor; }

void LLKCNuggetDeque::setGrowFactor(float growFactor) noexcept {
  iPrivate->mGrowFactor = llk::detail::growFactorFrom(growFactor);
}

int32_t LLKCNuggetDeque::resize(uint64_t capacity) noexcept {
  private_t* const d = iPrivate;
  const uint64_t n = std::max<uint64_t>(std::max<uint64_t>(capacity, 1), d->mCount);
  if (n == d->mCapacity) return llk::kDone;
  uint64_t bytes = 0;
  if (!bytesFor(d->mSize, n, &bytes)) return llk::kNoMemory;
  void* buffer = std::realloc(d->mBuffer, bytes);
  if (buffer == nullptr) return llk::kNoMemory;
  d->mBuffer = static_cast<uint8_t*>(buffer);
  if (n > d->mCapacity) std::memset(d->at(d->mCapacity), 0, (n - d->mCapacity) * d->mSize);
  d->mCapacity = n;
  return llk::kDone;
}

int32_t LLKCNuggetDeque::reserve(uint64_t n) noexcept {
  const private_t* const d = iPrivate;
  if (d->mCapacity - d->mCount >= n) return llk::kDone;
  if (n > UINT64_MAX - d->mCount) return llk::kNoMemory;
  return resize(d->mCount + n);
}

void LLKCNuggetDeque::compact() noexcept { resize(iPrivate->mCount); }

void LLKCNuggetDeque::clear() noexcept { iPrivate->mCount = 0; }

// ---- Access ----

void* LLKCNuggetDeque::head() const noexcept { return fetchAtIndex(0); }

void* LLKCNuggetDeque::tail() const noexcept {
  const private_t* const d = iPrivate;
  return d->mCount > 0 ? d->at(d->mCount - 1) : nullptr;
}

void* LLKCNuggetDeque::fetchAtIndex(uint64_t index) const noexcept {
  const private_t* const d = iPrivate;
  return index < d->mCount ? d->at(index) : nullptr;
}

bool LLKCNuggetDeque::fetch_atIndex(void* nugget, uint64_t index) const noexcept {
  const void* source = fetchAtIndex(index);
  if (source == nullptr || nugget == nullptr) return false;
  std::memcpy(nugget, source, iPrivate->mSize);
  return true;
}

bool LLKCNuggetDeque::contains(const void* nugget) const noexcept { return contains_atIndex(nugget, nullptr); }

bool LLKCNuggetDeque::contains_atIndex(const void* nugget, uint64_t* index) const noexcept {
  const private_t* const d = iPrivate;
  if (nugget == nullptr) return false;
  for (uint64_t i = 0; i < d->mCount; ++i) {
    if (std::memcmp(d->at(i), nugget, d->mSize) == 0) {
      if (index != nullptr) *index = i;
      return true;
    }
  }
  return false;
}

// ---- Additions ----

int32_t LLKCNuggetDeque::append(const void* nugget) noexcept { return append_andResizeIfNeeded(nugget, 1); }

int32_t LLKCNuggetDeque::prepend(const void* nugget) noexcept { return prepend_andResizeIfNeeded(nugget, 1); }

int32_t LLKCNuggetDeque::insert_atIndex(const void* nugget, uint64_t index) noexcept {
  return insert_atIndex_andResizeIfNeeded(nugget, index, 1);
}

int32_t LLKCNuggetDeque::append_andResizeIfNeeded(const void* nugget, uint8_t resize) noexcept {
  return insert_atIndex_andResizeIfNeeded(nugget, iPrivate->mCount, resize);
}

int32_t LLKCNuggetDeque::prepend_andResizeIfNeeded(const void* nugget, uint8_t resize) noexcept {
  return insert_atIndex_andResizeIfNeeded(nugget, 0, resize);
}

int32_t LLKCNuggetDeque::insert_atIndex_andResizeIfNeeded(const void* nugget, uint64_t index,
                                                          uint8_t resize) noexcept {
  private_t* const d = iPrivate;
  if (nugget == nullptr) return llk::kNilArgument;
  if (index > d->mCount) return llk::kOutOfRange;
  const int32_t status = llk::detail::makeRoom(this, resize != 0);
  if (status != llk::kDone) return status;
  // makeRoom leaves at least one free nugget (it only answers 0 when mCount < mCapacity).
  std::memmove(d->at(index + 1), d->at(index), (d->mCount - index) * d->mSize);
  std::memcpy(d->at(index), nugget, d->mSize);
  ++d->mCount;
  return llk::kDone;
}

// ---- Removals ----

int32_t LLKCNuggetDeque::removeAtIndex(uint64_t index) noexcept {
  private_t* const d = iPrivate;
  if (index >= d->mCount) return llk::kOutOfRange;
  std::memmove(d->at(index), d->at(index + 1), (d->mCount - index - 1) * d->mSize);
  --d->mCount;
  return llk::kDone;
}

int32_t LLKCNuggetDeque::remove(const void* nugget) noexcept {
  if (nugget == nullptr) return llk::kNilArgument;
  uint64_t index = 0;
  return contains_atIndex(nugget, &index) ? removeAtIndex(index) : llk::kNotFound;
}

int32_t LLKCNuggetDeque::removeHead() noexcept {
  return iPrivate->mCount > 0 ? removeAtIndex(0) : llk::kNotFound;
}

int32_t LLKCNuggetDeque::removeTail() noexcept {
  private_t* const d = iPrivate;
  if (d->mCount == 0) return llk::kNotFound;
  --d->mCount;
  return llk::kDone;
}

// ---- Order ----

void LLKCNuggetDeque::rotateBy(uint64_t n) noexcept {
  private_t* const d = iPrivate;
  if (n == 0 || n >= d->mCount) return;
  std::rotate(d->mBuffer, d->at(n), d->at(d->mCount));
}

void LLKCNuggetDeque::scramble() noexcept {
  private_t* const d = iPrivate;
  const uint64_t n = d->mCount;
  if (n < 3) return;
  for (uint64_t i = 0; i + 1 < n - 1; ++i) {
    const uint64_t j = LLKFRandomDrawWithRangeUint(i + 1, n - 1);
    std::swap_ranges(d->at(i), d->at(i + 1), d->at(j));
  }
}

// ---- Copies ----

LLKCNuggetDeque* LLKCNuggetDeque::initWithCopy_deep(LLKBObject* source, bool) noexcept {
  LLKCNuggetDeque* other = llk::cast<LLKCNuggetDeque>(source);
  if (other == nullptr) {
    dealloc();
    return nullptr;
  }
  if (LLKCNuggetDeque::init() == nullptr) return nullptr;
  const private_t* const s = other->iPrivate;
  private_t* const d = iPrivate;
  const uint64_t bytes = s->mSize * s->mCapacity;  // representable: an invariant of the source
  if (!makeBuffer(d, bytes, false)) {
    dealloc();
    return nullptr;
  }
  if (bytes > 0) std::memcpy(d->mBuffer, s->mBuffer, bytes);
  d->mSize = s->mSize;
  d->mCount = s->mCount;
  d->mCapacity = s->mCapacity;
  d->mGrowFactor = s->mGrowFactor;
  return this;
}

LLKCNuggetDeque* LLKCNuggetDeque::copy() noexcept { return static_cast<LLKCNuggetDeque*>(Super::copy()); }

LLKCNuggetDeque* LLKCNuggetDeque::deepCopy() noexcept { return static_cast<LLKCNuggetDeque*>(Super::deepCopy()); }

// ---- Coding ----

bool LLKCNuggetDeque::encodeWithCoder(LLKBEncoder* coder) noexcept {
  const private_t* const d = iPrivate;
  if (coder == nullptr || d->mSize > UINT32_MAX || d->mCapacity > UINT32_MAX) return false;
  return coder->encodeBuffer_length(d->mBuffer, d->mSize * d->mCapacity) &&
         coder->encodeUint32_forKey(static_cast<uint32_t>(d->mSize), "len"_llk) &&
         coder->encodeReal32_forKey(d->mGrowFactor, "growFactor"_llk) &&
         coder->encodeUint32_forKey(static_cast<uint32_t>(d->mCount), "count"_llk) &&
         coder->encodeUint32_forKey(static_cast<uint32_t>(d->mCapacity), "capacity"_llk);
}

LLKCNuggetDeque* LLKCNuggetDeque::initWithCoder(LLKBDecoder* coder) noexcept {
  if (LLKCNuggetDeque::init() == nullptr) return nullptr;
  private_t* const d = iPrivate;
  uint32_t size = 0;
  uint32_t count = 0;
  uint32_t capacity = 0;
  uint64_t bytes = 0;
  if (coder == nullptr) {
    dealloc();
    return nullptr;
  }
  const float growFactor = coder->decodeReal32WithDefault_forKey(0.25f, "growFactor"_llk);
  if (!coder->decodeUint32_forKey(&size, "len"_llk) || !coder->decodeUint32_forKey(&count, "count"_llk) ||
      !coder->decodeUint32_forKey(&capacity, "capacity"_llk) || size == 0 || count > capacity ||
      (capacity == 0 && size != 1) || !bytesFor(size, capacity, &bytes) ||
      bytes > llk::detail::decodableBytes(coder)) {
    // Only a deque never given a buffer (init) has capacity 0, and its nugget size is 1: a larger
    // size there would be an allocation the stream never paid for.
    dealloc();
    return nullptr;
  }
  if (bytes == 0) {
    // An empty buffer reads as 0 bytes, as a missing one does; anything longer is a mismatch.
    uint8_t probe = 0;
    if (coder->decodeBuffer_length(&probe, 1) != 0) {
      dealloc();
      return nullptr;
    }
  } else {
    // One byte more than announced is asked for, so that a longer buffer shows as a mismatch.
    if ((d->mBuffer = static_cast<uint8_t*>(std::malloc(bytes + 1))) == nullptr ||
        coder->decodeBuffer_length(d->mBuffer, bytes + 1) != bytes) {
      dealloc();
      return nullptr;
    }
  }
  d->mSize = size;
  d->mCount = count;
  d->mCapacity = capacity;
  d->mGrowFactor = llk::detail::growFactorFrom(growFactor);
  return this;
}
