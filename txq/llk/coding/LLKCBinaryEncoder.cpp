#include <txq/llk/coding/LLKCBinaryEncoder.h>

#include <cstring>

#include <txq/llk/coding/LLKFBinaryCoder.h>
#include <txq/llk/coding/LLKPPositionable.h>
#include <txq/llk/collections/LLKContainerMaking_p.h>
#include <txq/llk/values/LLKCString.h>

#include "LLKBinaryRecord_p.h"

namespace {

using private_t = LLKCBinaryEncoder::private_t;
using namespace llk::detail;

// The key's hash for a keyed record; a nil key cannot be written (*ok = NO).
uint32_t keyHashOf(LLKBObject* key, bool* ok) noexcept {
  *ok = key != nullptr;
  return key != nullptr ? key->hashCode() : 0;
}

template <class T>
bool encodeValue(LLKCBinaryEncoder* encoder, uint8_t tag, uint32_t keyHash, T value) noexcept {
  // A scalar into a memory block that has room: written in place, with its width known here.
  private_t* d = encoder->iPrivate;
  LLKCMemoryIO::private_t* m = d->mMemory;
  if (m != nullptr && m->mBuffer != nullptr && kHeaderSize + sizeof(T) <= m->mLength - m->mPosition) {
    uint8_t* out = m->mBuffer + m->mPosition;
    writeHeader(out, tag, 0, keyHash, sizeof(T));
    std::memcpy(out + kHeaderSize, &value, sizeof(T));
    m->mPosition += kHeaderSize + sizeof(T);
    return true;
  }
  return LLKFBinaryEncoderRawEncode(encoder, d, tag, keyHash, &value, sizeof(T));
}

template <class T>
bool encodeKeyedValue(LLKCBinaryEncoder* encoder, uint8_t tag, LLKBObject* key, T value) noexcept {
  bool ok = false;
  const uint32_t keyHash = keyHashOf(key, &ok);
  return ok && encodeValue(encoder, tag, keyHash, value);
}

bool encodeBuffer(LLKCBinaryEncoder* encoder, uint32_t keyHash, const void* bytes, uint64_t length) noexcept {
  if (length > UINT32_MAX || (bytes == nullptr && length != 0)) return false;
  return LLKFBinaryEncoderRawEncode(encoder, encoder->iPrivate, llk::kTagBuffer, keyHash, bytes,
                                    static_cast<uint32_t>(length));
}

// The scalar widths as fixed-size copies; buffers as they come.
void copyPayload(uint8_t* out, const void* bytes, uint32_t length) noexcept {
  switch (length) {
    case 0: break;
    case 1: std::memcpy(out, bytes, 1); break;
    case 2: std::memcpy(out, bytes, 2); break;
    case 4: std::memcpy(out, bytes, 4); break;
    case 8: std::memcpy(out, bytes, 8); break;
    default: std::memcpy(out, bytes, length); break;
  }
}

// An object record's header (payload length still 0) and class name.
bool storeHead(private_t* d, uint32_t keyHash, const char* name, uint32_t nameLength) noexcept {
  if (uint8_t* out = channelReserve(d, kHeaderSize + nameLength)) {
    writeHeader(out, llk::kTagObject, nameLength, keyHash, 0);
    std::memcpy(out + kHeaderSize, name, nameLength);
    channelAdvance(d, kHeaderSize + nameLength);
    return true;
  }
  uint8_t header[kHeaderSize];
  writeHeader(header, llk::kTagObject, nameLength, keyHash, 0);
  return channelStore(d, kHeaderSize, header) && channelStore(d, nameLength, name);
}

// Rewrites the header at `start` with the payload length now known.
bool patchHead(private_t* d, uint64_t start, uint32_t keyHash, uint32_t nameLength, uint32_t payload) noexcept {
  LLKCMemoryIO::private_t* m = d->mMemory;
  if (m != nullptr && m->mBuffer != nullptr && start <= m->mLength && m->mLength - start >= kHeaderSize) {
    writeHeader(m->mBuffer + start, llk::kTagObject, nameLength, keyHash, payload);
    return true;
  }
  uint8_t header[kHeaderSize];
  writeHeader(header, llk::kTagObject, nameLength, keyHash, payload);
  return channelStoreAt(d, kHeaderSize, header, start);
}

// The object to write for `object`: the proxy callback's answer when one is set.
LLKBObject* proxied(private_t* d, LLKBObject* object) noexcept {
  return d->mProxy != nullptr && object != nullptr ? d->mProxy(object, d->mProxyContext) : object;
}

}  // namespace

// ---- Records ----

bool LLKFBinaryEncoderRawEncode(LLKCBinaryEncoder*, private_t* d, uint8_t tag, uint32_t keyHash, const void* bytes,
                                uint32_t length) noexcept {
  if (d->mChannel == nullptr || tag == llk::kTagObject || (bytes == nullptr && length != 0)) return false;
  const uint64_t start = channelPosition(d);
  // The payload length is known here, so the header is written complete, straight into a memory
  // block when the channel is one.
  if (uint8_t* out = channelReserve(d, kHeaderSize + length)) {
    writeHeader(out, tag, 0, keyHash, length);
    copyPayload(out + kHeaderSize, bytes, length);
    channelAdvance(d, kHeaderSize + length);
    return true;
  }
  uint8_t header[kHeaderSize];
  writeHeader(header, tag, 0, keyHash, length);
  if (channelStore(d, kHeaderSize, header) && channelStore(d, length, bytes)) return true;
  channelSeek(d, start);
  return false;
}

bool LLKFBinaryEncoderObjEncode(LLKCBinaryEncoder* encoder, private_t* d, uint32_t keyHash,
                                LLKBObject* object) noexcept {
  if (d->mChannel == nullptr || object == nullptr || d->mDepth >= llk::kBinaryMaxDepth) return false;
  const char* name = object->className();
  const size_t nameLength = name != nullptr ? std::strlen(name) + 1 : 0;
  if (nameLength < 2 || nameLength > llk::kBinaryMaxClassNameLength) return false;

  const uint64_t start = channelPosition(d);
  const uint64_t headLength = kHeaderSize + nameLength;
  if (!storeHead(d, keyHash, name, static_cast<uint32_t>(nameLength))) {
    channelSeek(d, start);
    return false;
  }
  ++d->mDepth;
  bool written = object->encodeWithCoder(encoder);
  --d->mDepth;
  const uint64_t payload = written ? channelPosition(d) - start - headLength : 0;
  if (written && payload <= UINT32_MAX) {
    if (patchHead(d, start, keyHash, static_cast<uint32_t>(nameLength), static_cast<uint32_t>(payload))) return true;
  }
  channelSeek(d, start);  // what lies after start is overwritten by the next record
  return false;
}

// ---- The encoder ----

LLK_DEFINE_CLASS(LLKCBinaryEncoder, LLK_PROTOCOLS(), init, beginWithTarget, cease, encodeString, encodeString_forKey,
                 encodeObject, encodeObject_forKey)

LLKCBinaryEncoder* LLKCBinaryEncoder::encoder() noexcept {
  return llk::detail::autoreleasedNew(&LLKCBinaryEncoder::init);
}

LLKCBinaryEncoder* LLKCBinaryEncoder::init() noexcept {
  iPrivate = new (std::nothrow) private_t;
  if (iPrivate == nullptr) {
    dealloc();
    return nullptr;
  }
  return this;
}

void LLKCBinaryEncoder::dealloc() noexcept {
  if (iPrivate != nullptr && iPrivate->mTarget != nullptr && !cease()) {
    llk::release(iPrivate->mTarget);  // the stream could not be completed; let the channel go anyway
    iPrivate->mTarget = nullptr;
  }
  Super::dealloc();
}

LLKCBinaryEncoder::~LLKCBinaryEncoder() { delete iPrivate; }

bool LLKCBinaryEncoder::beginWithTarget(LLKBObject* target) noexcept {
  private_t* d = iPrivate;
  LLKPPositionable* channel = llk::as<LLKPPositionable>(target);
  if (d->mTarget != nullptr || channel == nullptr) return false;
  const uint64_t start = channel->position();
  uint8_t header[kStreamHeaderSize];
  writeStreamHeader(header, 0);
  if (channel->store_bytesFrom(kStreamHeaderSize, header) != kStreamHeaderSize) {
    channel->seek(start);
    return false;
  }
  d->mTarget = target->retain();
  bindChannel(d, target, channel);
  d->mOffset = start;
  channel->flush();
  return true;
}

bool LLKCBinaryEncoder::cease() noexcept {
  private_t* d = iPrivate;
  if (d->mTarget == nullptr) return false;
  const uint64_t length = d->mChannel->position() - d->mOffset;
  if (length > UINT32_MAX) return false;
  uint8_t header[kStreamHeaderSize];
  writeStreamHeader(header, static_cast<uint32_t>(length));
  if (d->mChannel->store_bytesFrom_atOffset(kStreamHeaderSize, header, d->mOffset) != kStreamHeaderSize) return false;
  d->mChannel->flush();
  llk::release(d->mTarget);
  d->mTarget = nullptr;
  bindChannel(d, nullptr, nullptr);
  d->mOffset = 0;
  return true;
}

// ---- Values ----

#define LLK_ENCODE_KIND_(Kind, T, Tag)                                                               \
  bool LLKCBinaryEncoder::encode##Kind(T value) noexcept { return encodeValue(this, Tag, 0, value); } \
  bool LLKCBinaryEncoder::encode##Kind##_forKey(T value, LLKBObject* key) noexcept {                  \
    return encodeKeyedValue(this, Tag, key, value);                                                   \
  }

LLK_ENCODE_KIND_(Byte, uint8_t, llk::kTagByte)
LLK_ENCODE_KIND_(Uint16, uint16_t, llk::kTagUnsigned)
LLK_ENCODE_KIND_(Uint32, uint32_t, llk::kTagUnsigned)
LLK_ENCODE_KIND_(Uint64, uint64_t, llk::kTagUnsigned)
LLK_ENCODE_KIND_(Sint16, int16_t, llk::kTagSigned)
LLK_ENCODE_KIND_(Sint32, int32_t, llk::kTagSigned)
LLK_ENCODE_KIND_(Sint64, int64_t, llk::kTagSigned)
LLK_ENCODE_KIND_(Real32, float, llk::kTagReal)
LLK_ENCODE_KIND_(Real64, double, llk::kTagReal)

#undef LLK_ENCODE_KIND_

bool LLKCBinaryEncoder::encodeBool(bool value) noexcept {
  return encodeValue<uint8_t>(this, llk::kTagBool, 0, value ? 1 : 0);
}

bool LLKCBinaryEncoder::encodeBool_forKey(bool value, LLKBObject* key) noexcept {
  return encodeKeyedValue<uint8_t>(this, llk::kTagBool, key, value ? 1 : 0);
}

bool LLKCBinaryEncoder::encodeBuffer_length(const void* bytes, uint64_t length) noexcept {
  return encodeBuffer(this, 0, bytes, length);
}

bool LLKCBinaryEncoder::encodeBuffer_length_forKey(const void* bytes, uint64_t length, LLKBObject* key) noexcept {
  bool ok = false;
  const uint32_t keyHash = keyHashOf(key, &ok);
  return ok && encodeBuffer(this, keyHash, bytes, length);
}

bool LLKCBinaryEncoder::encodeString(LLKCString* string) noexcept {
  return LLKFBinaryEncoderObjEncode(this, iPrivate, 0, string);
}

bool LLKCBinaryEncoder::encodeString_forKey(LLKCString* string, LLKBObject* key) noexcept {
  bool ok = false;
  const uint32_t keyHash = keyHashOf(key, &ok);
  return ok && LLKFBinaryEncoderObjEncode(this, iPrivate, keyHash, string);
}

bool LLKCBinaryEncoder::encodeObject(LLKBObject* object) noexcept {
  return LLKFBinaryEncoderObjEncode(this, iPrivate, 0, proxied(iPrivate, object));
}

bool LLKCBinaryEncoder::encodeObject_forKey(LLKBObject* object, LLKBObject* key) noexcept {
  bool ok = false;
  const uint32_t keyHash = keyHashOf(key, &ok);
  return ok && LLKFBinaryEncoderObjEncode(this, iPrivate, keyHash, proxied(iPrivate, object));
}

void LLKCBinaryEncoder::setObjectProxyCallback_withContext(LLKFObjectProxyCallback callback, void* context) noexcept {
  iPrivate->mProxy = callback;
  iPrivate->mProxyContext = context;
}
