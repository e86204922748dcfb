#ifndef TXQ_LLK_VALUES_LLKCGUID_H
#define TXQ_LLK_VALUES_LLKCGUID_H
// LLKCGuid: a 16-byte identifier as an object, usable as a key. A GUID is shared, not copied:
// copy and deepCopy answer the receiver itself.
//
//   LLKCGuid* id = LLKCGuid::guid();                       // random
//   LLKCGuid* same = LLKCGuid::guidFromString(id->toString());   // compareTo(id) == 0
//
// Ownership: factories autoreleased; init... +1; bytes/quads/data point into the object.
// Threads:   immutable after creation, any thread.
// Failure:   no memory, a null argument or text that does not parse answers nil.

#include <cstdint>

#include <txq/llk/object/LLKBObject.h>
#include <txq/llk/values/LLKFGuid.h>

class LLK_EXPORT LLKCGuid : public LLKBObject {
  LLK_OBJECT(LLKCGuid, LLKBObject)

 public:
  // The 16 bytes, seen as the record (host byte order), four words or bytes.
  union data_t {
    LLKTGuid mRecord;
    uint32_t mQuads[4];
    uint8_t mBytes[16];
  };
  data_t iData;

  // ---- Creation ----
  static LLKCGuid* guid() noexcept;  // random
  LLKCGuid* init() noexcept override;  // random
  static LLKCGuid* guidFromData(const LLKTGuid* data) noexcept;
  LLKCGuid* initFromData(const LLKTGuid* data) noexcept;
  static LLKCGuid* guidWithBytes(const char* bytes) noexcept;  // 16 bytes
  LLKCGuid* initWithBytes(const char* bytes) noexcept;
  static LLKCGuid* guidWithQuads(const uint32_t* quads) noexcept;  // 4 words
  LLKCGuid* initWithQuads(const uint32_t* quads) noexcept;
  // From the 36-character text form.
  static LLKCGuid* guidFromChars(const char* text) noexcept;
  LLKCGuid* initFromChars(const char* text) noexcept;
  static LLKCGuid* guidFromString(LLKCString* text) noexcept;
  LLKCGuid* initFromString(LLKCString* text) noexcept;

  // ---- Access ----
  const char* bytes() const noexcept { return reinterpret_cast<const char*>(iData.mBytes); }
  const uint32_t* quads() const noexcept { return iData.mQuads; }
  const LLKTGuid* data() const noexcept { return &iData.mRecord; }

  // ---- Value protocols ----
  LLKCString* toString() noexcept override;  // "%08x-%04hx-%04hx-%04hx-%012llx"
  int32_t compareTo(LLKBObject* other) noexcept override;  // memcmp of the bytes; 1 for another class
  uint32_t hashCode() noexcept override;
  uint32_t hashCodeWithFunction_andContext(LLKFHashFeed function, void* context) noexcept override;
  LLKCGuid* initWithCopy_deep(LLKBObject* source, bool deep) noexcept override;
  LLKCGuid* copy() noexcept override { return this; }      // neither retained nor autoreleased
  LLKCGuid* deepCopy() noexcept override { return this; }

  // ---- Coding ----
  // The 16 bytes as one buffer; reading refuses (nil) a buffer of any other size.
  bool encodeWithCoder(LLKBEncoder* coder) noexcept override;
  LLKCGuid* initWithCoder(LLKBDecoder* coder) noexcept override;
};

#endif  // TXQ_LLK_VALUES_LLKCGUID_H
