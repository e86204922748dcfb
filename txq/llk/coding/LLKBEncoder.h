#ifndef TXQ_LLK_CODING_LLKBENCODER_H
#define TXQ_LLK_CODING_LLKBENCODER_H
// LLKBEncoder: what an object writes its state into from encodeWithCoder, whatever the format behind
// it (LLKCBinaryEncoder for the binary stream; the JSON encoder of the JSON kit). Every operation
// has an unkeyed form, read back in order, and a keyed twin taking a key object (any object answering
// hashCode; normally a string) that is read back by key. Each answers YES when written.
//
//   bool Point::encodeWithCoder(LLKBEncoder* coder) noexcept {
//     return coder->encodeSint32(iX) && coder->encodeSint32(iY) && coder->encodeString_forKey(iName, "name"_llk);
//   }
//
// This base writes nothing: every operation answers NO. Formats override all of them.
// Threads: a coder belongs to one thread at a time.

#include <cstdint>

#include <txq/llk/object/LLKBObject.h>

class LLKCString;

// Applied to every object passed to encodeObject (the result is what gets encoded) or produced by
// object decoding (the result replaces it); nil makes decoding fail.
using LLKFObjectProxyCallback = LLKBObject* (*)(LLKBObject* object, void* context);

class LLK_EXPORT LLKBEncoder : public LLKBObject {
  LLK_OBJECT(LLKBEncoder, LLKBObject)

 public:
  virtual bool encodeBool(bool value) noexcept;
  virtual bool encodeBool_forKey(bool value, LLKBObject* key) noexcept;
  virtual bool encodeByte(uint8_t value) noexcept;
  virtual bool encodeByte_forKey(uint8_t value, LLKBObject* key) noexcept;
  virtual bool encodeUint16(uint16_t value) noexcept;
  virtual bool encodeUint16_forKey(uint16_t value, LLKBObject* key) noexcept;
  virtual bool encodeUint32(uint32_t value) noexcept;
  virtual bool encodeUint32_forKey(uint32_t value, LLKBObject* key) noexcept;
  virtual bool encodeUint64(uint64_t value) noexcept;
  virtual bool encodeUint64_forKey(uint64_t value, LLKBObject* key) noexcept;
  virtual bool encodeSint16(int16_t value) noexcept;
  virtual bool encodeSint16_forKey(int16_t value, LLKBObject* key) noexcept;
  virtual bool encodeSint32(int32_t value) noexcept;
  virtual bool encodeSint32_forKey(int32_t value, LLKBObject* key) noexcept;
  virtual bool encodeSint64(int64_t value) noexcept;
  virtual bool encodeSint64_forKey(int64_t value, LLKBObject* key) noexcept;
  virtual bool encodeReal32(float value) noexcept;
  virtual bool encodeReal32_forKey(float value, LLKBObject* key) noexcept;
  virtual bool encodeReal64(double value) noexcept;
  virtual bool encodeReal64_forKey(double value, LLKBObject* key) noexcept;
  virtual bool encodeBuffer_length(const void* bytes, uint64_t length) noexcept;
  virtual bool encodeBuffer_length_forKey(const void* bytes, uint64_t length, LLKBObject* key) noexcept;
  // A string value (no proxy callback is applied).
  virtual bool encodeString(LLKCString* string) noexcept;
  virtual bool encodeString_forKey(LLKCString* string, LLKBObject* key) noexcept;
  // Any object adopting LLKPEncodable, after the proxy callback when one is set; nil answers NO.
  virtual bool encodeObject(LLKBObject* object) noexcept;
  virtual bool encodeObject_forKey(LLKBObject* object, LLKBObject* key) noexcept;
  virtual void setObjectProxyCallback_withContext(LLKFObjectProxyCallback callback, void* context) noexcept;
};

#endif  // TXQ_LLK_CODING_LLKBENCODER_H
