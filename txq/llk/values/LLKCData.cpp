#include <txq/llk/values/LLKCData.h>

#include <cstdlib>
#include <cstring>
#include <new>

#include <txq/llk/coding/LLKBDecoder.h>
#include <txq/llk/coding/LLKBEncoder.h>
#include <txq/llk/values/LLKCString.h>
#include <txq/llk/values/LLKFBase64.h>
#include <txq/llk/values/LLKFHash.h>
#include <txq/llk/values/LLKValueCoding_p.h>

// Invariant: mBytes is null exactly when there are no bytes to point at (an empty object made by
// init, or an owned buffer of length 0).
struct LLKCData::private_t {
  void* mBytes = nullptr;  // owned when mFreeWD (C allocator), else borrowed
  uint64_t mLength = 0;
  bool mFreeWD = false;
  uint32_t mTag = 0;       // the user's; never copied, compared or encoded
  ~private_t() {
    if (mFreeWD) std::free(mBytes);
  }
};

LLK_DEFINE_CLASS(LLKCData, LLK_PROTOCOLS(LLKPKeyable, LLKPCopyable, LLKPEncodable), init, initWithLength,
                 initWithBytes_length, initWithBytesNoCopy_length, initWithBytesNoCopy_length_freeWhenDone, bytes,
                 length, tag, setTag, resize, compareTo, hashCode, hashCodeWithFunction_andContext, toString,
                 initWithCopy_deep, copy, deepCopy, encodeWithCoder, initWithCoder)

// ---- Creation ----

LLKCData* LLKCData::init() noexcept {
  iPrivate = new (std::nothrow) private_t();
  if (iPrivate == nullptr) {
    dealloc();
    return nullptr;
  }
  return this;
}

LLKCData* LLKCData::dataWithLength(uint64_t length) noexcept {
  LLKCData* data = alloc();
  return data != nullptr ? llk::autorelease(data->initWithLength(length)) : nullptr;
}

LLKCData* LLKCData::initWithLength(uint64_t length) noexcept {
  if (LLKCData::init() == nullptr) return nullptr;
  private_t* const d = iPrivate;
  if (length > 0 && (d->mBytes = std::calloc(length, 1)) == nullptr) {
    dealloc();
    return nullptr;
  }
  d->mLength = length;
  d->mFreeWD = true;
  return this;
}

LLKCData* LLKCData::dataWithBytes_length(const void* bytes, uint64_t length) noexcept {
  LLKCData* data = alloc();
  return data != nullptr ? llk::autorelease(data->initWithBytes_length(bytes, length)) : nullptr;
}

LLKCData* LLKCData::initWithBytes_length(const void* bytes, uint64_t length) noexcept {
  if (LLKCData::init() == nullptr) return nullptr;
  private_t* const d = iPrivate;
  if (length > 0 && (bytes == nullptr || (d->mBytes = std::malloc(length)) == nullptr)) {
    dealloc();
    return nullptr;
  }
  if (length > 0) std::memcpy(d->mBytes, bytes, length);
  d->mLength = length;
  d->mFreeWD = true;
  return this;
}

LLKCData* LLKCData::dataWithBytesNoCopy_length(void* bytes, uint64_t length) noexcept {
  return dataWithBytesNoCopy_length_freeWhenDone(bytes, length, false);
}

LLKCData* LLKCData::initWithBytesNoCopy_length(void* bytes, uint64_t length) noexcept {
  return initWithBytesNoCopy_length_freeWhenDone(bytes, length, false);
}

LLKCData* LLKCData::dataWithBytesNoCopy_length_freeWhenDone(void* bytes, uint64_t length, bool freeWhenDone) noexcept {
  LLKCData* data = alloc();
  return data != nullptr ? llk::autorelease(data->initWithBytesNoCopy_length_freeWhenDone(bytes, length, freeWhenDone))
                         : nullptr;
}

LLKCData* LLKCData::initWithBytesNoCopy_length_freeWhenDone(void* bytes, uint64_t length, bool freeWhenDone) noexcept {
  if (LLKCData::init() == nullptr) return nullptr;
  if (bytes == nullptr && length > 0) {
    dealloc();
    return nullptr;
  }
  iPrivate->mBytes = bytes;
  iPrivate->mLength = length;
  iPrivate->mFreeWD = freeWhenDone;
  return this;
}

LLKCData::~LLKCData() { delete iPrivate; }

// ---- Access ----

void* LLKCData::bytes() const noexcept { return iPrivate->mBytes; }

uint64_t LLKCData::length() const noexcept { return iPrivate->mLength; }

uint32_t LLKCData::tag() const noexcept { return iPrivate->mTag; }

void LLKCData::setTag(uint32_t tag) noexcept { iPrivate->mTag = tag; }

int32_t LLKCData::resize(uint64_t length) noexcept {
  private_t* const d = iPrivate;
  if (!d->mFreeWD) return 11;
  if (length == 0) {
    std::free(d->mBytes);
    d->mBytes = nullptr;
  } else {
    void* bytes = std::realloc(d->mBytes, length);
    if (bytes == nullptr) return 2;
    d->mBytes = bytes;
  }
  d->mLength = length;
  return 0;
}

// ---- Value protocols ----

int32_t LLKCData::compareTo(LLKBObject* other) noexcept {
  if (llk::classOf(other) != class_()) return 1;
  const private_t* const a = iPrivate;
  const private_t* const b = static_cast<LLKCData*>(other)->iPrivate;
  if (a->mLength != b->mLength) return a->mLength > b->mLength ? 1 : -1;
  if (a->mLength == 0) return 0;
  int order = std::memcmp(a->mBytes, b->mBytes, a->mLength);
  return order < 0 ? -1 : (order > 0 ? 1 : 0);
}

uint32_t LLKCData::hashCode() noexcept {
  return LLKFComputeHashcode32(static_cast<const uint8_t*>(iPrivate->mBytes), iPrivate->mLength);
}

uint32_t LLKCData::hashCodeWithFunction_andContext(LLKFHashFeed function, void* context) noexcept {
  return function != nullptr ? function(context, static_cast<const uint8_t*>(iPrivate->mBytes), iPrivate->mLength)
                             : 0;
}

LLKCString* LLKCData::toString() noexcept {
  return LLKFBase64EncodeIntoString(static_cast<const uint8_t*>(iPrivate->mBytes), iPrivate->mLength);
}

LLKCData* LLKCData::initWithCopy_deep(LLKBObject* source, bool) noexcept {
  LLKCData* other = llk::cast<LLKCData>(source);
  if (other == nullptr) {
    dealloc();
    return nullptr;
  }
  const private_t* const s = other->iPrivate;
  if (s->mFreeWD) return initWithBytes_length(s->mBytes, s->mLength);
  return initWithBytesNoCopy_length(s->mBytes, s->mLength);
}

LLKCData* LLKCData::copy() noexcept { return static_cast<LLKCData*>(Super::copy()); }

LLKCData* LLKCData::deepCopy() noexcept { return static_cast<LLKCData*>(Super::deepCopy()); }

// ---- Coding ----

bool LLKCData::encodeWithCoder(LLKBEncoder* coder) noexcept {
  const private_t* const d = iPrivate;
  return coder != nullptr && coder->encodeUint64(d->mLength) &&
         coder->encodeBuffer_length(d->mBytes, d->mLength);
}

LLKCData* LLKCData::initWithCoder(LLKBDecoder* coder) noexcept {
  if (LLKCData::init() == nullptr) return nullptr;
  private_t* const d = iPrivate;
  d->mFreeWD = true;
  uint64_t length = 0;
  if (coder == nullptr || !coder->decodeUint64(&length) || length > llk::detail::decodableBytes(coder)) {
    dealloc();
    return nullptr;
  }
  if (length == 0) {
    // The empty buffer that follows reads as 0 bytes, the same answer as a missing one: no check.
    uint8_t none = 0;
    coder->decodeBuffer_length(&none, 0);
    return this;
  }
  // One byte more than announced is asked for, so that a longer buffer shows as a mismatch.
  if ((d->mBytes = std::malloc(length + 1)) == nullptr ||
      coder->decodeBuffer_length(d->mBytes, length + 1) != length) {
    dealloc();
    return nullptr;
  }
  d->mLength = length;
  return this;
}
