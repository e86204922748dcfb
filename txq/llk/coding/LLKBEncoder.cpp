#include <txq/llk/coding/LLKBEncoder.h>

LLK_DEFINE_CLASS(LLKBEncoder, LLK_PROTOCOLS())

bool LLKBEncoder::encodeBool(bool) noexcept { return false; }
bool LLKBEncoder::encodeBool_forKey(bool, LLKBObject*) noexcept { return false; }
bool LLKBEncoder::encodeByte(uint8_t) noexcept { return false; }
bool LLKBEncoder::encodeByte_forKey(uint8_t, LLKBObject*) noexcept { return false; }
bool LLKBEncoder::encodeUint16(uint16_t) noexcept { return false; }
bool LLKBEncoder::encodeUint16_forKey(uint16_t, LLKBObject*) noexcept { return false; }
bool LLKBEncoder::encodeUint32(uint32_t) noexcept { return false; }
bool LLKBEncoder::encodeUint32_forKey(uint32_t, LLKBObject*) noexcept { return false; }
bool LLKBEncoder::encodeUint64(uint64_t) noexcept { return false; }
bool LLKBEncoder::encodeUint64_forKey(uint64_t, LLKBObject*) noexcept { return false; }
bool LLKBEncoder::encodeSint16(int16_t) noexcept { return false; }
bool LLKBEncoder::encodeSint16_forKey(int16_t, LLKBObject*) noexcept { return false; }
bool LLKBEncoder::encodeSint32(int32_t) noexcept { return false; }
bool LLKBEncoder::encodeSint32_forKey(int32_t, LLKBObject*) noexcept { return false; }
bool LLKBEncoder::encodeSint64(int64_t) noexcept { return false; }
bool LLKBEncoder::encodeSint64_forKey(int64_t, LLKBObject*) noexcept { return false; }
bool LLKBEncoder::encodeReal32(float) noexcept { return false; }
bool LLKBEncoder::encodeReal32_forKey(float, LLKBObject*) noexcept { return false; }
bool LLKBEncoder::encodeReal64(double) noexcept { return false; }
bool LLKBEncoder::encodeReal64_forKey(double, LLKBObject*) noexcept { return false; }
bool LLKBEncoder::encodeBuffer_length(const void*, uint64_t) noexcept { return false; }
bool LLKBEncoder::encodeBuffer_length_forKey(const void*, uint64_t, LLKBObject*) noexcept { return false; }
bool LLKBEncoder::encodeString(LLKCString*) noexcept { return false; }
bool LLKBEncoder::encodeString_forKey(LLKCString*, LLKBObject*) noexcept { return false; }
bool LLKBEncoder::encodeObject(LLKBObject*) noexcept { return false; }
bool LLKBEncoder::encodeObject_forKey(LLKBObject*, LLKBObject*) noexcept { return false; }
void LLKBEncoder::setObjectProxyCallback_withContext(LLKFObjectProxyCallback, void*) noexcept {}
