#include <txq/llk/coding/LLKBDecoder.h>

#include <txq/llk/values/LLKCString.h>

LLK_DEFINE_CLASS(LLKBDecoder, LLK_PROTOCOLS())

#define LLK_DECODER_NOTHING_(Kind, P)                                             \
  bool LLKBDecoder::decode##Kind(P*) noexcept { return false; }                  \
  bool LLKBDecoder::decode##Kind##_forKey(P*, LLKBObject*) noexcept { return false; }

LLK_DECODER_NOTHING_(Bool, bool)
LLK_DECODER_NOTHING_(Byte, char)
LLK_DECODER_NOTHING_(Uint16, uint16_t)
LLK_DECODER_NOTHING_(Uint32, uint32_t)
LLK_DECODER_NOTHING_(Uint64, uint64_t)
LLK_DECODER_NOTHING_(Sint16, int16_t)
LLK_DECODER_NOTHING_(Sint32, int32_t)
LLK_DECODER_NOTHING_(Sint64, int64_t)
LLK_DECODER_NOTHING_(Real32, float)
LLK_DECODER_NOTHING_(Real64, double)
LLK_DECODER_NOTHING_(String, LLKCString*)
LLK_DECODER_NOTHING_(Object, LLKBObject*)

#undef LLK_DECODER_NOTHING_

namespace {

// A default string is answered only when it is exactly a string, as a decoded one would be.
LLKCString* exactString(LLKCString* string) noexcept {
  return string != nullptr && string->isOfClass(LLKCString::classObject()) != nullptr ? string : nullptr;
}

}  // namespace

LLKCString* LLKBDecoder::decodeString() noexcept {
  LLKCString* value = nullptr;
  return decodeString(&value) ? value : nullptr;
}

LLKCString* LLKBDecoder::decodeStringForKey(LLKBObject* key) noexcept {
  LLKCString* value = nullptr;
  return decodeString_forKey(&value, key) ? value : nullptr;
}

LLKCString* LLKBDecoder::decodeStringWithDefault(LLKCString* fallback) noexcept {
  LLKCString* value = nullptr;
  return decodeString(&value) ? value : exactString(fallback);
}

LLKCString* LLKBDecoder::decodeStringWithDefault_forKey(LLKCString* fallback, LLKBObject* key) noexcept {
  LLKCString* value = nullptr;
  return decodeString_forKey(&value, key) ? value : exactString(fallback);
}

LLKBObject* LLKBDecoder::decodeObject() noexcept {
  LLKBObject* value = nullptr;
  return decodeObject(&value) ? value : nullptr;
}

LLKBObject* LLKBDecoder::decodeObjectForKey(LLKBObject* key) noexcept {
  LLKBObject* value = nullptr;
  return decodeObject_forKey(&value, key) ? value : nullptr;
}

LLKBObject* LLKBDecoder::decodeObjectWithDefault(LLKBObject* fallback) noexcept {
  LLKBObject* value = nullptr;
  return decodeObject(&value) ? value : fallback;
}

LLKBObject* LLKBDecoder::decodeObjectWithDefault_forKey(LLKBObject* fallback, LLKBObject* key) noexcept {
  LLKBObject* value = nullptr;
  return decodeObject_forKey(&value, key) ? value : fallback;
}

uint64_t LLKBDecoder::decodeBuffer_length(void*, uint64_t) noexcept { return 0; }
uint64_t LLKBDecoder::decodeBuffer_length_forKey(void*, uint64_t, LLKBObject*) noexcept { return 0; }
bool LLKBDecoder::decodeObjectWithCallback_context(LLKFObjectContentCallback, void*) noexcept { return false; }
bool LLKBDecoder::decodeObjectForKey_withCallback_context(LLKBObject*, LLKFObjectContentCallback, void*) noexcept {
  return false;
}
bool LLKBDecoder::containsValueForKey(LLKBObject*) noexcept { return false; }
void LLKBDecoder::setObjectProxyCallback_withContext(LLKFObjectProxyCallback, void*) noexcept {}
