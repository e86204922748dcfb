#ifndef TXQ_LLK_VALUES_LLKCCODE_H
#define TXQ_LLK_VALUES_LLKCCODE_H
// LLKCCode: three 32-bit words (uid, tag, context) that name an entity across the system: messages,
// routines, wake records, scheduled work and letters carry one. The record LLKTCode is passed by
// value; the object makes it a key. Text form "0x%x.0x%x.0x%x"; ordered by the bytes of the words.
// Codes are not copied: holders retain them.
// Ownership: factories autoreleased; init... +1. Threads: immutable, any thread.

#include <cstdint>

#include <txq/llk/object/LLKBObject.h>

struct LLKTCode {
  uint32_t mUid;
  uint32_t mTag;
  uint32_t mCtx;
};

class LLK_EXPORT LLKCCode : public LLKBObject {
  LLK_OBJECT(LLKCCode, LLKBObject)

 public:
  union data_t {
    LLKTCode mRecord;
    uint32_t mQuads[3];
    uint8_t mBytes[12];
  };
  data_t iData;

  // ---- Creation ----
  static LLKCCode* codeWithData(LLKTCode code) noexcept;
  LLKCCode* initWithData(LLKTCode code) noexcept;
  static LLKCCode* codeWithBytes(const char* bytes) noexcept;  // 12 bytes
  LLKCCode* initWithBytes(const char* bytes) noexcept;
  static LLKCCode* codeWithQuads(const uint32_t* quads) noexcept;  // 3 words
  LLKCCode* initWithQuads(const uint32_t* quads) noexcept;

  // ---- Access ----
  LLKTCode code() const noexcept { return iData.mRecord; }
  const char* bytes() const noexcept { return reinterpret_cast<const char*>(iData.mBytes); }
  const uint32_t* quads() const noexcept { return iData.mQuads; }
  const LLKTCode* data() const noexcept { return &iData.mRecord; }

  // ---- Value protocols ----
  LLKCString* toString() noexcept override;
  int32_t toStringBuilder(LLKCStringBuilder* builder) noexcept override;
  LLKCStringBuilder* toStringBuilder() noexcept override;
  int32_t compareTo(LLKBObject* other) noexcept override;  // memcmp of the 12 bytes; 1 for another class
  uint32_t hashCode() noexcept override;
  uint32_t hashCodeWithFunction_andContext(LLKFHashFeed function, void* context) noexcept override;

  // ---- Coding ----
  // The 12 bytes as one buffer; reading refuses (nil) a buffer of any other size.
  bool encodeWithCoder(LLKBEncoder* coder) noexcept override;
  LLKCCode* initWithCoder(LLKBDecoder* coder) noexcept override;
};

#endif  // TXQ_LLK_VALUES_LLKCCODE_H
