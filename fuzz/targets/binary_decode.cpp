// The binary decoder over arbitrary bytes. The first byte picks how the rest is read (as one object,
// a string, keyed values, a run of sequential values, a buffer, key probes, or an object's content
// through a callback that reads it itself); the rest is the stream, in an exactly sized heap block so
// that a read one byte past it is an AddressSanitizer report. Any object that comes out must encode,
// decode again, and encode again to the very same bytes.
#include <txq/llk/coding/LLKCBinaryDecoder.h>
#include <txq/llk/coding/LLKCBinaryEncoder.h>
#include <txq/llk/coding/LLKCMemoryIO.h>
#include <txq/llk/object/LLKAutoreleaseScope.h>
#include <txq/llk/values/LLKCString.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <vector>

#include "FuzzTarget.h"

namespace {

void require(bool holds, const char* what) {
  if (holds) return;
  std::fprintf(stderr, "binary_decode: %s\n", what);
  std::abort();
}

// The object alone as a complete stream; empty when it cannot be encoded.
std::vector<uint8_t> encode(LLKBObject* object) {
  LLKCMemoryIO* memory = LLKCMemoryIO::memoryWithLength_andBlockSize(0, 1024);
  LLKCBinaryEncoder* encoder = LLKCBinaryEncoder::encoder();
  if (memory == nullptr || encoder == nullptr || !encoder->beginWithTarget(memory)) return {};
  const bool written = encoder->encodeObject(object);
  if (!encoder->cease() || !written) return {};
  const auto* bytes = static_cast<const uint8_t*>(memory->bytes());
  uint32_t length = 0;
  std::memcpy(&length, bytes + 4, 4);
  return std::vector<uint8_t>(bytes, bytes + length);
}

LLKBObject* decode(std::vector<uint8_t>& stream) {
  LLKCMemoryIO* memory = LLKCMemoryIO::memoryWithBytesNoCopy_length(stream.data(), stream.size());
  LLKCBinaryDecoder* decoder = LLKCBinaryDecoder::decoder();
  if (memory == nullptr || decoder == nullptr || !decoder->beginWithSource(memory)) return nullptr;
  LLKBObject* object = decoder->decodeObject();
  decoder->cease();
  return object;
}

// What was decoded encodes, comes back, and encodes to the same bytes again.
void requireStable(LLKBObject* object) {
  if (object == nullptr) return;
  std::vector<uint8_t> first = encode(object);
  require(!first.empty(), "a decoded object does not encode");
  LLKBObject* again = decode(first);
  require(again != nullptr, "an encoded object does not decode");
  require(encode(again) == first, "the second encoding differs from the first");
}

// The content callback reads a little of the object itself and keeps the first object it finds.
bool readContent(const char* className, LLKBDecoder* decoder, void* context) noexcept {
  require(className != nullptr && className[0] != '\0', "a content callback without a class name");
  LLKBObject** kept = static_cast<LLKBObject**>(context);
  LLKBObject* first = decoder->decodeObject();
  if (*kept == nullptr) *kept = first;
  decoder->decodeUint32ForKey("count"_llk);
  uint8_t bytes[32];
  decoder->decodeBuffer_length(bytes, sizeof bytes);
  return first != nullptr || std::strcmp(className, "LLKCString") == 0;
}

// Sequential scalar reads of every kind, round after round, until a whole round finds nothing.
void readScalars(LLKCBinaryDecoder* decoder) {
  for (int round = 0; round < 64; ++round) {
    bool b = false;
    char c = 0;
    uint16_t u16 = 0;
    uint32_t u32 = 0;
    uint64_t u64 = 0;
    int16_t s16 = 0;
    int32_t s32 = 0;
    int64_t s64 = 0;
    float r32 = 0;
    double r64 = 0;
    int read = 0;
    read += decoder->decodeBool(&b);
    read += decoder->decodeByte(&c);
    read += decoder->decodeUint16(&u16);
    read += decoder->decodeUint32(&u32);
    read += decoder->decodeUint64(&u64);
    read += decoder->decodeSint16(&s16);
    read += decoder->decodeSint32(&s32);
    read += decoder->decodeSint64(&s64);
    read += decoder->decodeReal32(&r32);
    read += decoder->decodeReal64(&r64);
    if (read == 0) return;
  }
}

}  // namespace

TXQ_FUZZ_TARGET(binary_decode) {
  if (size == 0) return 0;
  const uint8_t shape = data[0];
  std::vector<uint8_t> stream(data + 1, data + size);
  llk::AutoreleaseScope pool;
  LLKCMemoryIO* memory = LLKCMemoryIO::memoryWithBytesNoCopy_length(stream.data(), stream.size());
  LLKCBinaryDecoder* decoder = LLKCBinaryDecoder::decoder();
  if (memory == nullptr || decoder == nullptr || !decoder->beginWithSource(memory)) return 0;

  LLKCString* key = "count"_llk;
  LLKBObject* found = nullptr;
  switch (shape % 7) {
    case 0:
      found = decoder->decodeObject();
      break;
    case 1:
      found = decoder->decodeString();
      break;
    case 2: {
      decoder->decodeUint32ForKey(key);
      decoder->decodeSint64ForKey(key);
      decoder->decodeReal32WithDefault_forKey(0.25f, key);
      decoder->decodeBoolForKey(key);
      uint8_t bytes[16];
      decoder->decodeBuffer_length_forKey(bytes, sizeof bytes, key);
      found = decoder->decodeObjectForKey(key);
      if (found == nullptr) found = decoder->decodeStringForKey(key);
      break;
    }
    case 3:
      readScalars(decoder);
      found = decoder->decodeObject();
      break;
    case 4: {
      std::unique_ptr<uint8_t[]> bytes(new uint8_t[shape]);  // 0 to 255 bytes, exactly sized
      decoder->decodeBuffer_length(bytes.get(), shape);
      decoder->decodeBuffer_length(bytes.get(), shape);
      found = decoder->decodeObject();
      break;
    }
    case 5:
      decoder->containsValueForKey(key);
      decoder->containsValueForKey("capacity"_llk);
      found = decoder->decodeObjectWithDefault(nullptr);
      break;
    default:
      decoder->decodeObjectWithCallback_context(&readContent, &found);
      break;
  }
  decoder->cease();
  requireStable(found);
  return 0;
}
