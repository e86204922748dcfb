#include <txq/llk/coding/LLKCBinaryDecoder.h>

#include <cstring>

#include <txq/llk/coding/LLKFBinaryCoder.h>
#include <txq/llk/coding/LLKPPositionable.h>
#include <txq/llk/collections/LLKContainerMaking_p.h>
#include <txq/llk/values/LLKCString.h>

#include "LLKBinaryRecord_p.h"

namespace {

using private_t = LLKCBinaryDecoder::private_t;
using namespace llk::detail;

// ---- Finding records ----
//
// A record is usable only when its header, class name and payload lie wholly inside the window;
// the first header that is damaged, or reaches past the window, ends every scan.

struct Found {
  uint64_t at;  // where the record's header starts
  RecordHeader header;
  uint64_t bodyStart() const noexcept { return at + kHeaderSize; }
  uint64_t end() const noexcept { return at + kHeaderSize + header.body(); }
};

bool beyondWindow(const private_t* d, uint64_t position) noexcept { return d->mBounded && position > d->mEnd; }

// Reads the header at the channel's position; NO when it is short, damaged or not inside the window.
bool nextRecord(private_t* d, Found* found) noexcept {
  found->at = channelPosition(d);
  if (d->mBounded && (found->at > d->mEnd || d->mEnd - found->at < kHeaderSize)) return false;
  uint8_t bytes[kHeaderSize];
  if (!channelFetch(d, kHeaderSize, bytes) || !readHeader(bytes, &found->header)) return false;
  return !d->mBounded || found->header.body() <= d->mEnd - found->at - kHeaderSize;
}

// Moves past the body of the record just read; NO when the channel cannot get there.
bool skipBody(private_t* d, const Found& found) noexcept {
  return channelSeek(d, found.end());
}

// Does a record carry the wanted kind? Scalars must also have the width asked for; buffers and
// objects match at any length. tag 0 matches every tag (containsValueForKey).
bool isWanted(const RecordHeader& header, uint8_t tag, uint32_t width) noexcept {
  if (tag == 0) return true;
  if (header.tag != tag) return false;
  return tag == llk::kTagBuffer || tag == llk::kTagObject || header.payload == width;
}

constexpr uint32_t kKeyedIndexSize = sizeof(private_t::KeyedIndex::mRecords) / sizeof(private_t::KeyedRecord);

// Keyed search by scanning: the first record of the window with the hash and the wanted kind. The
// channel is left just after the found record's header.
bool scanKeyed(private_t* d, uint32_t keyHash, uint8_t tag, uint32_t width, Found* found) noexcept {
  if (!channelSeek(d, d->mOffset)) return false;
  while (nextRecord(d, found)) {
    if (found->header.keyHash == keyHash && isWanted(found->header, tag, width)) return true;
    if (!skipBody(d, *found)) return false;
  }
  return false;
}

bool indexDescribesWindow(const private_t* d) noexcept {
  const private_t::KeyedIndex& index = d->mKeyed;
  return index.mDepth == d->mDepth && index.mOffset == d->mOffset && index.mEnd == (d->mBounded ? d->mEnd : 0);
}

// Collects the window's keyed records, in order, as far as a scan reaches.
void indexWindow(private_t* d) noexcept {
  private_t::KeyedIndex& index = d->mKeyed;
  index.mDepth = d->mDepth;
  index.mOffset = d->mOffset;
  index.mEnd = d->mBounded ? d->mEnd : 0;
  index.mCount = 0;
  if (!channelSeek(d, d->mOffset)) return;
  Found found{};
  while (nextRecord(d, &found)) {
    if (found.header.keyHash != 0) {
      if (index.mCount < kKeyedIndexSize) {
        index.mRecords[index.mCount] = {found.at, found.header.keyHash, found.header.nameLength, found.header.payload,
                                        found.header.tag};
      }
      if (++index.mCount > kKeyedIndexSize) return;
    }
    if (!skipBody(d, found)) return;
  }
}

bool findKeyed(private_t* d, uint32_t keyHash, uint8_t tag, uint32_t width, Found* found) noexcept {
  if (!indexDescribesWindow(d)) indexWindow(d);
  const private_t::KeyedIndex& index = d->mKeyed;
  if (index.mCount > kKeyedIndexSize) return scanKeyed(d, keyHash, tag, width, found);
  for (uint32_t i = 0; i < index.mCount; ++i) {
    const private_t::KeyedRecord& record = index.mRecords[i];
    found->at = record.mAt;
    found->header = {record.mTag, record.mNameLength, record.mKeyHash, record.mPayload};
    if (record.mKeyHash == keyHash && isWanted(found->header, tag, width)) {
      return channelSeek(d, record.mAt + kHeaderSize);
    }
  }
  return false;
}

// Sequential search: the next unkeyed record from the position, passing over keyed ones; it must be
// of the wanted kind. The channel is left just after its header.
bool findNext(private_t* d, uint8_t tag, uint32_t width, Found* found) noexcept {
  while (nextRecord(d, found)) {
    if (found->header.keyHash == 0) return isWanted(found->header, tag, width);
    if (!skipBody(d, *found)) return false;
  }
  return false;
}

bool find(private_t* d, uint32_t keyHash, uint8_t tag, uint32_t width, Found* found) noexcept {
  return keyHash != 0 ? findKeyed(d, keyHash, tag, width, found) : findNext(d, tag, width, found);
}

// ---- Objects ----

// Reads the class name of the found object record (the channel is just after its header) into
// `name`; NO unless it is 1..255 characters ending with its only NUL.
bool readClassName(private_t* d, const Found& found, char (&name)[llk::kBinaryMaxClassNameLength]) noexcept {
  const uint32_t length = found.header.nameLength;
  if (length < 2 || length > llk::kBinaryMaxClassNameLength) return false;
  if (!channelFetch(d, length, name)) return false;
  return name[length - 1] == '\0' && std::memchr(name, '\0', length - 1) == nullptr;
}

// Narrows the window to one object's payload for the life of the scope (and counts the depth).
class NestedWindow {
 public:
  NestedWindow(private_t* d, const Found& found) noexcept
      : d_(d), offset_(d->mOffset), end_(d->mEnd), bounded_(d->mBounded) {
    d->mOffset = found.bodyStart() + found.header.nameLength;
    d->mEnd = found.end();
    d->mBounded = true;
    ++d->mDepth;
  }
  ~NestedWindow() {
    d_->mOffset = offset_;
    d_->mEnd = end_;
    d_->mBounded = bounded_;
    --d_->mDepth;
  }
  NestedWindow(const NestedWindow&) = delete;
  NestedWindow& operator=(const NestedWindow&) = delete;

 private:
  private_t* d_;
  uint64_t offset_;
  uint64_t end_;
  bool bounded_;
};

// The shared path of both object decodings: finds the record, checks its name, and hands it to
// `make` (which answers a status) inside the object's window; then places the channel.
template <class Make>
int32_t decodeObjectRecord(private_t* d, uint32_t keyHash, Make make) noexcept {
  if (d->mChannel == nullptr) return llk::kDecodeNotFound;
  const uint64_t start = channelPosition(d);
  if (beyondWindow(d, start)) return llk::kDecodeOutOfWindow;
  Found found{};
  int32_t status = llk::kDecodeNotFound;
  char name[llk::kBinaryMaxClassNameLength];
  if (find(d, keyHash, llk::kTagObject, 0, &found)) {
    if (!readClassName(d, found, name) || d->mDepth >= llk::kBinaryMaxDepth) {
      status = llk::kDecodeNotMade;
    } else {
      NestedWindow window(d, found);
      status = make(static_cast<const char*>(name), found.header.nameLength);
    }
  }
  // Keyed reads never move; a sequential read that succeeded moves past the whole record, whatever
  // the object left unread in it.
  channelSeek(d, status == llk::kDecodeDone && keyHash == 0 ? found.end() : start);
  return status;
}

// The registered class of that name when it adopts LLKPEncodable, else nil.
const LLKClass* encodableClassNamed(private_t* d, const char* name, size_t length) noexcept {
  if (d->mLastClass != nullptr && length == d->mLastNameLength && std::memcmp(name, d->mLastName, length) == 0) {
    return d->mLastClass;
  }
  const LLKClass* klass = LLKClassFromName(name);
  if (klass == nullptr || !klass->conformsToProtocol(&LLKPEncodable::kProtocol)) return nullptr;
  d->mLastClass = klass;
  d->mLastNameLength = static_cast<uint32_t>(length);
  std::memcpy(d->mLastName, name, length);
  return klass;
}

bool isExactString(LLKBObject* object) noexcept {
  return object != nullptr && object->isOfClass(LLKCString::classObject()) != nullptr;
}

}  // namespace

// ---- The exported work ----

bool LLKFBinaryDecoderContains(LLKCBinaryDecoder*, private_t* d, uint32_t keyHash) noexcept {
  if (d->mChannel == nullptr || keyHash == 0) return false;
  const uint64_t start = channelPosition(d);
  Found found{};
  const bool contained = !beyondWindow(d, start) && findKeyed(d, keyHash, 0, 0, &found);
  channelSeek(d, start);
  return contained;
}

uint32_t LLKFBinaryDecoderRawDecode(LLKCBinaryDecoder*, private_t* d, uint8_t tag, uint32_t keyHash,
                                    void* destination, uint32_t capacity) noexcept {
  if (d->mChannel == nullptr || destination == nullptr || tag == llk::kTagObject) return 0;
  const uint64_t start = channelPosition(d);
  if (beyondWindow(d, start)) return 0;
  Found found{};
  uint32_t copied = 0;
  if (find(d, keyHash, tag, capacity, &found)) {
    const uint32_t wanted = found.header.payload < capacity ? found.header.payload : capacity;
    if (found.header.nameLength == 0 && wanted != 0 && channelFetch(d, wanted, destination)) copied = wanted;
  }
  channelSeek(d, copied != 0 && keyHash == 0 ? found.end() : start);
  return copied;
}

int32_t LLKFBinaryDecoderObjDecode(LLKCBinaryDecoder* decoder, private_t* d, uint32_t keyHash,
                                   LLKBObject** object) noexcept {
  if (object == nullptr) return llk::kDecodeNotMade;
  return decodeObjectRecord(d, keyHash, [&](const char* name, uint32_t nameLength) noexcept -> int32_t {
    const LLKClass* klass = encodableClassNamed(d, name, nameLength);
    if (klass == nullptr) return llk::kDecodeNotFound;
    LLKBObject* made = klass->alloc();
    if (made != nullptr) made = made->initWithCoder(decoder);
    if (made == nullptr) return llk::kDecodeNotMade;
    if (d->mProxy != nullptr) {
      LLKBObject* replacement = d->mProxy(made, d->mProxyContext);
      if (replacement != made) {
        llk::retain(replacement);
        made->release();
        made = replacement;
      }
      if (made == nullptr) return llk::kDecodeNotMade;
    }
    *object = made->autorelease();
    return llk::kDecodeDone;
  });
}

int32_t LLKFBinaryDecoderObjDecodeWithCB(LLKCBinaryDecoder* decoder, private_t* d, uint32_t keyHash,
                                         LLKFObjectContentCallback callback, void* context) noexcept {
  if (callback == nullptr) return llk::kDecodeNotMade;
  return decodeObjectRecord(d, keyHash, [&](const char* name, uint32_t) noexcept -> int32_t {
    return callback(name, decoder, context) ? llk::kDecodeDone : llk::kDecodeNotMade;
  });
}

// ---- The decoder ----

LLK_DEFINE_CLASS(LLKCBinaryDecoder, LLK_PROTOCOLS(), init, beginWithSource, cease, containsValueForKey)

LLKCBinaryDecoder* LLKCBinaryDecoder::decoder() noexcept {
  return llk::detail::autoreleasedNew(&LLKCBinaryDecoder::init);
}

LLKCBinaryDecoder* LLKCBinaryDecoder::init() noexcept {
  iPrivate = new (std::nothrow) private_t;
  if (iPrivate == nullptr) {
    dealloc();
    return nullptr;
  }
  return this;
}

void LLKCBinaryDecoder::dealloc() noexcept {
  if (iPrivate != nullptr) cease();
  Super::dealloc();
}

LLKCBinaryDecoder::~LLKCBinaryDecoder() { delete iPrivate; }

bool LLKCBinaryDecoder::beginWithSource(LLKBObject* source) noexcept {
  private_t* d = iPrivate;
  LLKPPositionable* channel = llk::as<LLKPPositionable>(source);
  if (d->mSource != nullptr || channel == nullptr) return false;
  const uint64_t start = channel->position();
  uint8_t header[kStreamHeaderSize];
  uint32_t length = 0;
  if (channel->fetch_bytesInto(kStreamHeaderSize, header) == kStreamHeaderSize) std::memcpy(&length, header + 4, 4);
  // A length below the header's own size is damaged; 0 is a stream that was never ceased (unbounded).
  if (std::memcmp(header, "kmS!", 4) != 0 || (length != 0 && length < kStreamHeaderSize)) {
    channel->seek(start);
    return false;
  }
  d->mSource = source->retain();
  bindChannel(d, source, channel);
  d->mOffset = start + kStreamHeaderSize;
  d->mLength = length;
  d->mBounded = length != 0;
  d->mEnd = start + length;
  d->mDepth = 0;
  d->mKeyed.mDepth = UINT32_MAX;
  d->mLastClass = nullptr;  // classes may come and go with plugins between streams
  return true;
}

bool LLKCBinaryDecoder::cease() noexcept {
  private_t* d = iPrivate;
  if (d->mSource == nullptr) return false;
  llk::release(d->mSource);
  d->mSource = nullptr;
  bindChannel(d, nullptr, nullptr);
  d->mOffset = 0;
  d->mLength = 0;
  d->mEnd = 0;
  d->mBounded = false;
  d->mKeyed.mDepth = UINT32_MAX;
  return true;
}

uint64_t LLKCBinaryDecoder::remainingInWindow() noexcept {
  private_t* d = iPrivate;
  if (d->mChannel == nullptr) return 0;
  const uint64_t at = d->mChannel->position();
  // A stream header may claim more than the channel holds: the channel's end bounds the window too.
  const uint64_t length = d->mChannel->getLength();
  const uint64_t end = d->mBounded && d->mEnd < length ? d->mEnd : length;
  return end > at ? end - at : 0;
}

// ---- Values ----

namespace {

// The next record in a memory block when it is the unkeyed scalar wanted, read in place: the common
// case of sequential reads, with the same outcome as the general path below.
template <class T>
bool decodeNextInPlace(private_t* d, uint8_t tag, T* value) noexcept {
  const LLKCMemoryIO::private_t* m = d->mMemory;
  if (m == nullptr || m->mBuffer == nullptr) return false;
  const uint64_t at = m->mPosition;
  const uint64_t end = d->mBounded && d->mEnd < m->mLength ? d->mEnd : m->mLength;
  RecordHeader header;
  if (at > end || end - at < kHeaderSize + sizeof(T) || !readHeader(m->mBuffer + at, &header)) return false;
  if (header.keyHash != 0 || header.tag != tag || header.nameLength != 0 || header.payload != sizeof(T)) return false;
  std::memcpy(value, m->mBuffer + at + kHeaderSize, sizeof(T));
  d->mMemory->mPosition = at + kHeaderSize + sizeof(T);
  return true;
}

// The next record in a memory block when it is an unkeyed, non-empty buffer wholly in the window:
// copied in place (at most `capacity` bytes; the rest of the record is passed over). 0 otherwise, and
// then nothing moved.
uint32_t decodeNextBufferInPlace(private_t* d, void* destination, uint32_t capacity) noexcept {
  const LLKCMemoryIO::private_t* m = d->mMemory;
  if (m == nullptr || m->mBuffer == nullptr || destination == nullptr || capacity == 0) return 0;
  const uint64_t at = m->mPosition;
  const uint64_t end = d->mBounded && d->mEnd < m->mLength ? d->mEnd : m->mLength;
  RecordHeader header;
  if (at > end || end - at < kHeaderSize || !readHeader(m->mBuffer + at, &header)) return 0;
  if (header.keyHash != 0 || header.tag != llk::kTagBuffer || header.nameLength != 0 || header.payload == 0 ||
      header.payload > end - at - kHeaderSize) {
    return 0;
  }
  const uint32_t copied = header.payload < capacity ? header.payload : capacity;
  std::memcpy(destination, m->mBuffer + at + kHeaderSize, copied);
  d->mMemory->mPosition = at + kHeaderSize + header.payload;
  return copied;
}

template <class T>
bool decodeValue(LLKCBinaryDecoder* decoder, uint8_t tag, uint32_t keyHash, T* value) noexcept {
  if (value != nullptr && keyHash == 0 && decodeNextInPlace(decoder->iPrivate, tag, value)) return true;
  T read{};
  if (value == nullptr ||
      LLKFBinaryDecoderRawDecode(decoder, decoder->iPrivate, tag, keyHash, &read, sizeof(T)) != sizeof(T)) {
    return false;
  }
  *value = read;
  return true;
}

// A keyed read needs a key; its hash 0 would read sequentially, as the encoder wrote it.
template <class T>
bool decodeKeyedValue(LLKCBinaryDecoder* decoder, uint8_t tag, LLKBObject* key, T* value) noexcept {
  return key != nullptr && decodeValue(decoder, tag, key->hashCode(), value);
}

}  // namespace

#define LLK_DECODE_KIND_(Kind, P, Tag)                                                                           \
  bool LLKCBinaryDecoder::decode##Kind(P* value) noexcept { return decodeValue(this, Tag, 0, value); }          \
  bool LLKCBinaryDecoder::decode##Kind##_forKey(P* value, LLKBObject* key) noexcept {                            \
    return decodeKeyedValue(this, Tag, key, value);                                                              \
  }

LLK_DECODE_KIND_(Byte, char, llk::kTagByte)
LLK_DECODE_KIND_(Uint16, uint16_t, llk::kTagUnsigned)
LLK_DECODE_KIND_(Uint32, uint32_t, llk::kTagUnsigned)
LLK_DECODE_KIND_(Uint64, uint64_t, llk::kTagUnsigned)
LLK_DECODE_KIND_(Sint16, int16_t, llk::kTagSigned)
LLK_DECODE_KIND_(Sint32, int32_t, llk::kTagSigned)
LLK_DECODE_KIND_(Sint64, int64_t, llk::kTagSigned)
LLK_DECODE_KIND_(Real32, float, llk::kTagReal)
LLK_DECODE_KIND_(Real64, double, llk::kTagReal)

#undef LLK_DECODE_KIND_

bool LLKCBinaryDecoder::decodeBool(bool* value) noexcept {
  uint8_t byte = 0;
  if (value == nullptr || !decodeValue(this, llk::kTagBool, 0, &byte)) return false;
  *value = byte != 0;
  return true;
}

bool LLKCBinaryDecoder::decodeBool_forKey(bool* value, LLKBObject* key) noexcept {
  uint8_t byte = 0;
  if (value == nullptr || !decodeKeyedValue(this, llk::kTagBool, key, &byte)) return false;
  *value = byte != 0;
  return true;
}

uint64_t LLKCBinaryDecoder::decodeBuffer_length(void* destination, uint64_t capacity) noexcept {
  const uint32_t clipped = capacity < UINT32_MAX ? static_cast<uint32_t>(capacity) : UINT32_MAX;
  if (const uint32_t copied = decodeNextBufferInPlace(iPrivate, destination, clipped); copied != 0) return copied;
  return LLKFBinaryDecoderRawDecode(this, iPrivate, llk::kTagBuffer, 0, destination, clipped);
}

uint64_t LLKCBinaryDecoder::decodeBuffer_length_forKey(void* destination, uint64_t capacity,
                                                       LLKBObject* key) noexcept {
  if (key == nullptr) return 0;
  const uint32_t clipped = capacity < UINT32_MAX ? static_cast<uint32_t>(capacity) : UINT32_MAX;
  return LLKFBinaryDecoderRawDecode(this, iPrivate, llk::kTagBuffer, key->hashCode(), destination, clipped);
}

bool LLKCBinaryDecoder::decodeObject(LLKBObject** value) noexcept {
  return LLKFBinaryDecoderObjDecode(this, iPrivate, 0, value) == llk::kDecodeDone;
}

bool LLKCBinaryDecoder::decodeObject_forKey(LLKBObject** value, LLKBObject* key) noexcept {
  return key != nullptr && LLKFBinaryDecoderObjDecode(this, iPrivate, key->hashCode(), value) == llk::kDecodeDone;
}

bool LLKCBinaryDecoder::decodeString(LLKCString** value) noexcept {
  LLKBObject* object = nullptr;
  if (value == nullptr || !decodeObject(&object) || !isExactString(object)) return false;
  *value = static_cast<LLKCString*>(object);
  return true;
}

bool LLKCBinaryDecoder::decodeString_forKey(LLKCString** value, LLKBObject* key) noexcept {
  LLKBObject* object = nullptr;
  if (value == nullptr || !decodeObject_forKey(&object, key) || !isExactString(object)) return false;
  *value = static_cast<LLKCString*>(object);
  return true;
}

bool LLKCBinaryDecoder::decodeObjectWithCallback_context(LLKFObjectContentCallback callback, void* context) noexcept {
  return LLKFBinaryDecoderObjDecodeWithCB(this, iPrivate, 0, callback, context) == llk::kDecodeDone;
}

bool LLKCBinaryDecoder::decodeObjectForKey_withCallback_context(LLKBObject* key, LLKFObjectContentCallback callback,
                                                                void* context) noexcept {
  return key != nullptr &&
         LLKFBinaryDecoderObjDecodeWithCB(this, iPrivate, key->hashCode(), callback, context) == llk::kDecodeDone;
}

bool LLKCBinaryDecoder::containsValueForKey(LLKBObject* key) noexcept {
  return key != nullptr && LLKFBinaryDecoderContains(this, iPrivate, key->hashCode());
}

void LLKCBinaryDecoder::setObjectProxyCallback_withContext(LLKFObjectProxyCallback callback, void* context) noexcept {
  iPrivate->mProxy = callback;
  iPrivate->mProxyContext = context;
}
