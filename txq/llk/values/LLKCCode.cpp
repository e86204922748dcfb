#include <txq/llk/values/LLKCCode.h>

#include <cstring>

#include <txq/llk/coding/LLKBDecoder.h>
#include <txq/llk/coding/LLKBEncoder.h>
#include <txq/llk/values/LLKCString.h>
#include <txq/llk/values/LLKCStringBuilder.h>
#include <txq/llk/values/LLKFHash.h>

LLK_DEFINE_CLASS(LLKCCode, LLK_PROTOCOLS(LLKPKeyable, LLKPEncodable), initWithData, initWithBytes, initWithQuads,
                 code, bytes, quads, data, toString, toStringBuilder, compareTo, hashCode,
                 hashCodeWithFunction_andContext, encodeWithCoder, initWithCoder)

namespace {

// Fills the code with 12 bytes from `bytes`, or deallocates it and answers nil for null.
LLKCCode* filled(LLKCCode* code, const void* bytes) noexcept {
  if (bytes == nullptr) {
    code->dealloc();
    return nullptr;
  }
  std::memcpy(code->iData.mBytes, bytes, sizeof code->iData.mBytes);
  return code;
}

template <class A>
LLKCCode* made(LLKCCode* (LLKCCode::*init)(A), A argument) noexcept {
  LLKCCode* code = LLKCCode::alloc();
  return code != nullptr ? llk::autorelease((code->*init)(argument)) : nullptr;
}

}  // namespace

LLKCCode* LLKCCode::codeWithData(LLKTCode code) noexcept { return made(&LLKCCode::initWithData, code); }

LLKCCode* LLKCCode::initWithData(LLKTCode code) noexcept { return filled(this, &code); }

LLKCCode* LLKCCode::codeWithBytes(const char* bytes) noexcept { return made(&LLKCCode::initWithBytes, bytes); }

LLKCCode* LLKCCode::initWithBytes(const char* bytes) noexcept { return filled(this, bytes); }

LLKCCode* LLKCCode::codeWithQuads(const uint32_t* quads) noexcept { return made(&LLKCCode::initWithQuads, quads); }

LLKCCode* LLKCCode::initWithQuads(const uint32_t* quads) noexcept { return filled(this, quads); }

LLKCString* LLKCCode::toString() noexcept {
  return LLKCString::stringWithFormat("0x%x.0x%x.0x%x", iData.mRecord.mUid, iData.mRecord.mTag, iData.mRecord.mCtx);
}

int32_t LLKCCode::toStringBuilder(LLKCStringBuilder* builder) noexcept {
  if (builder == nullptr) return 2;
  return builder->appendWithFormat("0x%x.0x%x.0x%x", iData.mRecord.mUid, iData.mRecord.mTag, iData.mRecord.mCtx);
}

LLKCStringBuilder* LLKCCode::toStringBuilder() noexcept {
  LLKCStringBuilder* builder = LLKCStringBuilder::builderWithCapacity(32);
  if (builder != nullptr) toStringBuilder(builder);
  return builder;
}

int32_t LLKCCode::compareTo(LLKBObject* other) noexcept {
  if (llk::classOf(other) != class_()) return 1;
  int order = std::memcmp(iData.mBytes, static_cast<LLKCCode*>(other)->iData.mBytes, sizeof iData.mBytes);
  return order < 0 ? -1 : (order > 0 ? 1 : 0);
}

uint32_t LLKCCode::hashCode() noexcept { return LLKFComputeHashcode32(iData.mBytes, sizeof iData.mBytes); }

uint32_t LLKCCode::hashCodeWithFunction_andContext(LLKFHashFeed function, void* context) noexcept {
  return function != nullptr ? function(context, iData.mBytes, sizeof iData.mBytes) : 0;
}

// ---- Coding ----

bool LLKCCode::encodeWithCoder(LLKBEncoder* coder) noexcept {
  return coder != nullptr && coder->encodeBuffer_length(iData.mBytes, sizeof iData.mBytes);
}

LLKCCode* LLKCCode::initWithCoder(LLKBDecoder* coder) noexcept {
  // One byte more is asked for, so that a buffer of any other size shows as a mismatch.
  uint8_t bytes[sizeof iData.mBytes + 1];
  if (coder == nullptr || coder->decodeBuffer_length(bytes, sizeof bytes) != sizeof iData.mBytes) {
    dealloc();
    return nullptr;
  }
  std::memcpy(iData.mBytes, bytes, sizeof iData.mBytes);
  return this;
}
