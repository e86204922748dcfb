#include <txq/llk/values/LLKCGuid.h>

#include <cstring>

#include <txq/llk/coding/LLKBDecoder.h>
#include <txq/llk/coding/LLKBEncoder.h>
#include <txq/llk/values/LLKCString.h>
#include <txq/llk/values/LLKFHash.h>

LLK_DEFINE_CLASS(LLKCGuid, LLK_PROTOCOLS(LLKPKeyable, LLKPEncodable), init, initFromData, initWithBytes,
                 initWithQuads, initFromChars, initFromString, bytes, quads, data, toString, compareTo, hashCode,
                 hashCodeWithFunction_andContext, initWithCopy_deep, copy, deepCopy, encodeWithCoder, initWithCoder)

namespace {

// Fills the GUID with 16 bytes from `bytes`, or deallocates it and answers nil for null.
LLKCGuid* filled(LLKCGuid* guid, const void* bytes) noexcept {
  if (bytes == nullptr) {
    guid->dealloc();
    return nullptr;
  }
  std::memcpy(guid->iData.mBytes, bytes, sizeof guid->iData.mBytes);
  return guid;
}

template <class A>
LLKCGuid* made(LLKCGuid* (LLKCGuid::*init)(A), A argument) noexcept {
  LLKCGuid* guid = LLKCGuid::alloc();
  return guid != nullptr ? llk::autorelease((guid->*init)(argument)) : nullptr;
}

}  // namespace

// ---- Creation ----

LLKCGuid* LLKCGuid::guid() noexcept { return llk::autorelease(new_()); }

LLKCGuid* LLKCGuid::init() noexcept {
  LLKFGenerateGuid(iData.mBytes);
  return this;
}

LLKCGuid* LLKCGuid::guidFromData(const LLKTGuid* data) noexcept { return made(&LLKCGuid::initFromData, data); }

LLKCGuid* LLKCGuid::initFromData(const LLKTGuid* data) noexcept { return filled(this, data); }

LLKCGuid* LLKCGuid::guidWithBytes(const char* bytes) noexcept { return made(&LLKCGuid::initWithBytes, bytes); }

LLKCGuid* LLKCGuid::initWithBytes(const char* bytes) noexcept { return filled(this, bytes); }

LLKCGuid* LLKCGuid::guidWithQuads(const uint32_t* quads) noexcept { return made(&LLKCGuid::initWithQuads, quads); }

LLKCGuid* LLKCGuid::initWithQuads(const uint32_t* quads) noexcept { return filled(this, quads); }

LLKCGuid* LLKCGuid::guidFromChars(const char* text) noexcept { return made(&LLKCGuid::initFromChars, text); }

LLKCGuid* LLKCGuid::initFromChars(const char* text) noexcept {
  LLKTGuid parsed;
  return filled(this, text != nullptr && LLKFParseGuidFromChars(text, &parsed) ? &parsed : nullptr);
}

LLKCGuid* LLKCGuid::guidFromString(LLKCString* text) noexcept { return made(&LLKCGuid::initFromString, text); }

LLKCGuid* LLKCGuid::initFromString(LLKCString* text) noexcept {
  LLKTGuid parsed;
  return filled(this, text != nullptr && LLKFParseGuid(text, &parsed) ? &parsed : nullptr);
}

// ---- Value protocols ----

LLKCString* LLKCGuid::toString() noexcept { return LLKFFormatGuid(&iData.mRecord); }

int32_t LLKCGuid::compareTo(LLKBObject* other) noexcept {
  if (llk::classOf(other) != class_()) return 1;
  int order = std::memcmp(iData.mBytes, static_cast<LLKCGuid*>(other)->iData.mBytes, sizeof iData.mBytes);
  return order < 0 ? -1 : (order > 0 ? 1 : 0);
}

uint32_t LLKCGuid::hashCode() noexcept { return LLKFComputeHashcode32(iData.mBytes, sizeof iData.mBytes); }

uint32_t LLKCGuid::hashCodeWithFunction_andContext(LLKFHashFeed function, void* context) noexcept {
  return function != nullptr ? function(context, iData.mBytes, sizeof iData.mBytes) : 0;
}

LLKCGuid* LLKCGuid::initWithCopy_deep(LLKBObject* source, bool) noexcept {
  LLKCGuid* other = llk::cast<LLKCGuid>(source);
  return filled(this, other != nullptr ? other->iData.mBytes : nullptr);
}

// ---- Coding ----

bool LLKCGuid::encodeWithCoder(LLKBEncoder* coder) noexcept {
  return coder != nullptr && coder->encodeBuffer_length(iData.mBytes, sizeof iData.mBytes);
}

LLKCGuid* LLKCGuid::initWithCoder(LLKBDecoder* coder) noexcept {
  // One byte more is asked for, so that a buffer of any other size shows as a mismatch.
  uint8_t bytes[sizeof iData.mBytes + 1];
  if (coder == nullptr || coder->decodeBuffer_length(bytes, sizeof bytes) != sizeof iData.mBytes) {
    dealloc();
    return nullptr;
  }
  std::memcpy(iData.mBytes, bytes, sizeof iData.mBytes);
  return this;
}
