// The text parsers of the low-level kit fed with arbitrary bytes: GUIDs, numbers, dotted addresses
// and network times. Property: a GUID text that parses formats back to 36 characters that parse to
// the same 16 bytes.
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <ctime>

#include <txq/llk/object/LLKAutoreleaseScope.h>
#include <txq/llk/values/LLKCString.h>
#include <txq/llk/values/LLKFGuid.h>
#include <txq/llk/values/LLKFNetwork.h>
#include <txq/llk/values/LLKFNumberText.h>

#include "FuzzTarget.h"

TXQ_FUZZ_TARGET(text_parsers) {
  llk::AutoreleaseScope pool;
  char* text = static_cast<char*>(std::malloc(size + 1));
  if (text == nullptr) return 0;
  if (size > 0) std::memcpy(text, data, size);
  text[size] = '\0';

  LLKTGuid guid;
  if (LLKFParseGuidFromChars(text, &guid)) {
    LLKCString* formatted = LLKFFormatGuid(&guid);
    if (formatted == nullptr || formatted->length() != 36) std::abort();
    LLKTGuid again;
    if (!LLKFParseGuid(formatted, &again) || std::memcmp(&guid, &again, sizeof guid) != 0) std::abort();
  }

  uint32_t u32;
  int32_t s32;
  uint64_t u64;
  int64_t s64;
  float r32;
  double r64;
  (void)LLKFStringConvertToUint32(text, &u32);
  (void)LLKFStringConvertToSint32(text, &s32);
  (void)LLKFStringConvertToUint64(text, &u64);
  (void)LLKFStringConvertToSint64(text, &s64);
  (void)LLKFStringConvertToReal32(text, &r32);
  (void)LLKFStringConvertToReal64(text, &r64);
  (void)LLKFStringMayContainsUint(text);
  (void)LLKFStringMayContainsSint(text);
  (void)LLKFStringMayContainsReal(text);
  (void)LLKFNetworkStringToAddress(text);

  LLKCString* string = LLKCString::stringWithChars(text);
  struct tm time;
  double seconds;
  (void)LLKFNetworkTimeFromString(string, &time);
  (void)LLKFNetworkTimeInSFromString(string, &seconds);

  std::free(text);
  return 0;
}
