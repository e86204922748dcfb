#include <txq/llk/values/LLKFGuid.h>

#include <cstdio>

#include <uuid/uuid.h>

#include <txq/llk/values/LLKCString.h>

// The scan accepts what the C library's "%x" conversions accept (short fields, upper- and lowercase
// digits, a sign, a "0x" prefix, text after the last field), so stored texts stay readable. The
// field widths bound every number, so none can overflow its field.

void LLKFGenerateGuid(uint8_t out[16]) noexcept {
  if (out != nullptr) uuid_generate(out);
}

LLKCString* LLKFFormatGuid(const LLKTGuid* guid) noexcept {
  if (guid == nullptr) return nullptr;
  return LLKCString::stringWithFormat("%08x-%04hx-%04hx-%04hx-%012llx", guid->mData1, guid->mData2,
                                      guid->mData3, guid->mData4,
                                      static_cast<unsigned long long>(guid->mData5));
}

bool LLKFParseGuidFromChars(const char* text, LLKTGuid* out) noexcept {
  if (text == nullptr || out == nullptr) return false;
  unsigned int data1 = 0;
  unsigned short data2 = 0, data3 = 0, data4 = 0;
  unsigned long long data5 = 0;
  if (std::sscanf(text, "%08x-%04hx-%04hx-%04hx-%012llx", &data1, &data2, &data3, &data4, &data5) != 5)
    return false;
  out->mData1 = data1;
  out->mData2 = data2;
  out->mData3 = data3;
  out->mData4 = data4;
  out->mData5 = data5 & 0xffffffffffffull;  // the low 48 bits fill bytes 10-15
  return true;
}

bool LLKFParseGuid(LLKCString* text, LLKTGuid* out) noexcept {
  return text != nullptr && LLKFParseGuidFromChars(text->chars(), out);
}
