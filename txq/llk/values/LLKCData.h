#ifndef TXQ_LLK_VALUES_LLKCDATA_H
#define TXQ_LLK_VALUES_LLKCDATA_H
// LLKCData: a byte buffer as an object, owning its bytes (freed with C free) or using the caller's in
// place. Usable as a key: data compare by length first, then by their bytes.
//
//   LLKCData* data = LLKCData::dataWithBytes_length("abc", 3);   // a copy, autoreleased
//   data->resize(8);                                              // 0; added bytes are not cleared
//
// Ownership: factories and copies autoreleased; init... +1. The bytes are owned when made by
//            initWithLength/initWithBytes_length, borrowed (never freed) by ...NoCopy forms.
// Threads:   one thread at a time (no locks); reading an unchanging object from many is fine.
// Failure:   no memory answers nil or 2; resize of bytes not owned answers 11.

#include <cstdint>

#include <txq/llk/object/LLKBObject.h>

class LLK_EXPORT LLKCData : public LLKBObject {
  LLK_OBJECT(LLKCData, LLKBObject)

 public:
  struct private_t;  // defined in LLKCData.cpp
  private_t* iPrivate;

  // ---- Creation ----
  // An empty object: no bytes, length 0, not owning.
  LLKCData* init() noexcept override;
  // n zero bytes, owned.
  static LLKCData* dataWithLength(uint64_t length) noexcept;
  LLKCData* initWithLength(uint64_t length) noexcept;
  // A copy of the bytes, owned.
  static LLKCData* dataWithBytes_length(const void* bytes, uint64_t length) noexcept;
  LLKCData* initWithBytes_length(const void* bytes, uint64_t length) noexcept;
  // The caller's bytes in place, never freed: they must outlive the object.
  static LLKCData* dataWithBytesNoCopy_length(void* bytes, uint64_t length) noexcept;
  LLKCData* initWithBytesNoCopy_length(void* bytes, uint64_t length) noexcept;
  // In place; freed with C free at dealloc when `freeWhenDone`.
  static LLKCData* dataWithBytesNoCopy_length_freeWhenDone(void* bytes, uint64_t length, bool freeWhenDone) noexcept;
  LLKCData* initWithBytesNoCopy_length_freeWhenDone(void* bytes, uint64_t length, bool freeWhenDone) noexcept;

  // ---- Access ----
  void* bytes() const noexcept;
  uint64_t length() const noexcept;
  uint32_t tag() const noexcept;          // a free tag for the user: not copied, compared or encoded
  void setTag(uint32_t tag) noexcept;
  // Reallocates to n bytes (added bytes are not cleared): 0; 11 when the bytes are not owned; 2 when
  // memory is exhausted (nothing changed).
  int32_t resize(uint64_t length) noexcept;

  // ---- Value protocols ----
  // 1 for another class; a longer object orders after a shorter one; equal lengths by memcmp.
  int32_t compareTo(LLKBObject* other) noexcept override;
  uint32_t hashCode() noexcept override;  // the library hash of the bytes
  uint32_t hashCodeWithFunction_andContext(LLKFHashFeed function, void* context) noexcept override;
  LLKCString* toString() noexcept override;  // the bytes in base64
  // Owned bytes are duplicated, borrowed ones shared (the deep flag makes no difference).
  LLKCData* initWithCopy_deep(LLKBObject* source, bool deep) noexcept override;
  LLKCData* copy() noexcept override;
  LLKCData* deepCopy() noexcept override;

  // ---- Coding ----
  // The length (unsigned 64-bit), then the bytes as one buffer (the tag is not written). Reading
  // gives owned bytes (none for length 0) and refuses (nil) a length larger than what is left of the
  // stream, or a buffer of another size.
  bool encodeWithCoder(LLKBEncoder* coder) noexcept override;
  LLKCData* initWithCoder(LLKBDecoder* coder) noexcept override;

 protected:
  ~LLKCData() override;  // frees owned bytes and the record
};

#endif  // TXQ_LLK_VALUES_LLKCDATA_H
