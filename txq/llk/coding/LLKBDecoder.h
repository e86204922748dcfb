#ifndef TXQ_LLK_CODING_LLKBDECODER_H
#define TXQ_LLK_CODING_LLKBDECODER_H
// LLKBDecoder: what an object reads its state back from in initWithCoder, whatever the format behind
// it (LLKCBinaryDecoder for the binary stream; the JSON decoder of the JSON kit). Unkeyed reads take
// the values in the order they were written; keyed reads find a value by its key wherever it is and
// do not disturb the unkeyed order.
//
// Each kind (Bool, Byte, Uint16, Uint32, Uint64, Sint16, Sint32, Sint64, Real32, Real64, String,
// Object) comes in six shapes, shown for Uint32:
//
//   bool     decodeUint32(uint32_t* value)                    YES when a value was stored through value
//   bool     decodeUint32_forKey(uint32_t* value, key)
//   uint32_t decodeUint32()                                   the value, or 0 when none was found
//   uint32_t decodeUint32ForKey(key)
//   uint32_t decodeUint32WithDefault(d)                       the value, or d
//   uint32_t decodeUint32WithDefault_forKey(d, key)
//
// Formats override the two pointer forms (virtual); the other four are built on them. A subclass
// that overrides them writes LLK_DECODER_INHERITED_FORMS in its body so the built forms stay
// visible. Decoded objects and strings are autoreleased. A string is accepted only when its class is
// exactly LLKCString; the string forms with a default answer the default only when it is one.
//
// This base reads nothing: every read answers NO, 0, nil or the default.
// Threads: a coder belongs to one thread at a time.

#include <cstdint>

#include <txq/llk/coding/LLKBEncoder.h>

class LLKBDecoder;

// Reads the content of one encoded object itself (instead of an object being made): called with the
// object's class name, the decoder (positioned on the object's content) and the context; NO fails.
using LLKFObjectContentCallback = bool (*)(const char* className, LLKBDecoder* decoder, void* context);

#define LLK_DECODER_KIND_(Kind, T, P)                                                        \
  virtual bool decode##Kind(P* value) noexcept;                                              \
  virtual bool decode##Kind##_forKey(P* value, LLKBObject* key) noexcept;                    \
  T decode##Kind() noexcept {                                                                \
    P value{};                                                                               \
    return decode##Kind(&value) ? static_cast<T>(value) : T{};                               \
  }                                                                                          \
  T decode##Kind##ForKey(LLKBObject* key) noexcept {                                         \
    P value{};                                                                               \
    return decode##Kind##_forKey(&value, key) ? static_cast<T>(value) : T{};                 \
  }                                                                                          \
  T decode##Kind##WithDefault(T fallback) noexcept {                                         \
    P value{};                                                                               \
    return decode##Kind(&value) ? static_cast<T>(value) : fallback;                          \
  }                                                                                          \
  T decode##Kind##WithDefault_forKey(T fallback, LLKBObject* key) noexcept {                 \
    P value{};                                                                               \
    return decode##Kind##_forKey(&value, key) ? static_cast<T>(value) : fallback;            \
  }

class LLK_EXPORT LLKBDecoder : public LLKBObject {
  LLK_OBJECT(LLKBDecoder, LLKBObject)

 public:
  LLK_DECODER_KIND_(Bool, bool, bool)
  LLK_DECODER_KIND_(Byte, uint8_t, char)
  LLK_DECODER_KIND_(Uint16, uint16_t, uint16_t)
  LLK_DECODER_KIND_(Uint32, uint32_t, uint32_t)
  LLK_DECODER_KIND_(Uint64, uint64_t, uint64_t)
  LLK_DECODER_KIND_(Sint16, int16_t, int16_t)
  LLK_DECODER_KIND_(Sint32, int32_t, int32_t)
  LLK_DECODER_KIND_(Sint64, int64_t, int64_t)
  LLK_DECODER_KIND_(Real32, float, float)
  LLK_DECODER_KIND_(Real64, double, double)

  virtual bool decodeString(LLKCString** value) noexcept;
  virtual bool decodeString_forKey(LLKCString** value, LLKBObject* key) noexcept;
  LLKCString* decodeString() noexcept;
  LLKCString* decodeStringForKey(LLKBObject* key) noexcept;
  LLKCString* decodeStringWithDefault(LLKCString* fallback) noexcept;
  LLKCString* decodeStringWithDefault_forKey(LLKCString* fallback, LLKBObject* key) noexcept;

  virtual bool decodeObject(LLKBObject** value) noexcept;
  virtual bool decodeObject_forKey(LLKBObject** value, LLKBObject* key) noexcept;
  LLKBObject* decodeObject() noexcept;
  LLKBObject* decodeObjectForKey(LLKBObject* key) noexcept;
  LLKBObject* decodeObjectWithDefault(LLKBObject* fallback) noexcept;
  LLKBObject* decodeObjectWithDefault_forKey(LLKBObject* fallback, LLKBObject* key) noexcept;

  // Copies at most `capacity` bytes of a buffer value; answers the count copied (0: none found).
  virtual uint64_t decodeBuffer_length(void* destination, uint64_t capacity) noexcept;
  virtual uint64_t decodeBuffer_length_forKey(void* destination, uint64_t capacity, LLKBObject* key) noexcept;

  virtual bool decodeObjectWithCallback_context(LLKFObjectContentCallback callback, void* context) noexcept;
  virtual bool decodeObjectForKey_withCallback_context(LLKBObject* key, LLKFObjectContentCallback callback,
                                                       void* context) noexcept;

  virtual bool containsValueForKey(LLKBObject* key) noexcept;
  virtual void setObjectProxyCallback_withContext(LLKFObjectProxyCallback callback, void* context) noexcept;
};

#undef LLK_DECODER_KIND_

// In the body of a decoder subclass that overrides the pointer forms.
#define LLK_DECODER_INHERITED_FORMS                                                                   \
  using LLKBDecoder::decodeBool;                                                                      \
  using LLKBDecoder::decodeByte;                                                                      \
  using LLKBDecoder::decodeUint16;                                                                    \
  using LLKBDecoder::decodeUint32;                                                                    \
  using LLKBDecoder::decodeUint64;                                                                    \
  using LLKBDecoder::decodeSint16;                                                                    \
  using LLKBDecoder::decodeSint32;                                                                    \
  using LLKBDecoder::decodeSint64;                                                                    \
  using LLKBDecoder::decodeReal32;                                                                    \
  using LLKBDecoder::decodeReal64;                                                                    \
  using LLKBDecoder::decodeString;                                                                    \
  using LLKBDecoder::decodeObject

#endif  // TXQ_LLK_CODING_LLKBDECODER_H
