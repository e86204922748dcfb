#ifndef TXQ_LLK_VALUES_LLKFGUID_H
#define TXQ_LLK_VALUES_LLKFGUID_H
// GUIDs as 16 bytes and as text. The record reads the bytes in host (little-endian) byte order: a
// uint32 from bytes 0-3, three uint16 from bytes 4-9 and a 48-bit number from bytes 10-15. The text
// form is "%08x-%04hx-%04hx-%04hx-%012llx" of the five fields (36 characters).
// Threads: any thread.

#include <cstdint>

#include <txq/llk/object/LLKExport.h>

class LLKCString;

struct LLKTGuid {
  uint32_t mData1;
  uint16_t mData2;
  uint16_t mData3;
  uint16_t mData4;
  uint64_t mData5 : 48;
};
static_assert(sizeof(LLKTGuid) == 16, "a GUID record is the 16 bytes of the GUID");

// A new random GUID (libuuid).
LLK_EXTERN_C LLK_EXPORT void LLKFGenerateGuid(uint8_t out[16]) noexcept;
// The text form, autoreleased; nil when memory is exhausted or the record is null.
LLK_EXTERN_C LLK_EXPORT LLKCString* LLKFFormatGuid(const LLKTGuid* guid) noexcept;
// Reads the five fields with the text format; YES only when all five were read.
LLK_EXTERN_C LLK_EXPORT bool LLKFParseGuidFromChars(const char* text, LLKTGuid* out) noexcept;
LLK_EXTERN_C LLK_EXPORT bool LLKFParseGuid(LLKCString* text, LLKTGuid* out) noexcept;

#endif  // TXQ_LLK_VALUES_LLKFGUID_H
