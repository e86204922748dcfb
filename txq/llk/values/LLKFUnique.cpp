#include <txq/llk/values/LLKFUnique.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>

#include <uuid/uuid.h>

#include <txq/llk/values/LLKCString.h>
#include <txq/llk/values/LLKFGuid.h>
#include <txq/llk/values/LLKFRandom.h>

namespace {

constexpr size_t kUniqueLength = 32;

// Writes the 32 letters of a fresh random GUID and a terminating zero into `out`.
void uniqueLetters(char out[kUniqueLength + 1]) noexcept {
  uuid_t bytes;
  uuid_generate(bytes);
  LLKTGuid guid;
  static_assert(sizeof guid == sizeof bytes);
  std::memcpy(&guid, bytes, sizeof guid);
  std::snprintf(out, kUniqueLength + 1, "%08x%04x%04x%04x%012llx", guid.mData1, guid.mData2, guid.mData3,
                guid.mData4, static_cast<unsigned long long>(guid.mData5));
  for (size_t i = 0; i < kUniqueLength; ++i) {
    if (out[i] >= '0' && out[i] <= '9') out[i] = static_cast<char>(out[i] + ('q' - '0'));
  }
}

}  // namespace

LLKCString* LLKFUniqueString(void) noexcept {
  char letters[kUniqueLength + 1];
  uniqueLetters(letters);
  return LLKCString::stringWithChars_length(letters, kUniqueLength);
}

LLKCString* LLKFUniqueStringWithLength(uint64_t n) noexcept {
  return LLKFUniqueStringWithLengthAndPrefix(n, nullptr);
}

LLKCString* LLKFUniqueStringWithLengthAndPrefix(uint64_t n, const char* prefix) noexcept {
  size_t prefixLength = prefix != nullptr ? std::strlen(prefix) : 0;
  if (n > UINT32_MAX || prefixLength > UINT32_MAX - n) return nullptr;  // longer than a string can hold
  size_t total = prefixLength + static_cast<size_t>(n);
  char* text = static_cast<char*>(std::malloc(total + 1));
  if (text == nullptr) return nullptr;
  if (prefixLength > 0) std::memcpy(text, prefix, prefixLength);
  for (size_t i = prefixLength; i < total; ++i)
    text[i] = static_cast<char>(LLKFRandomDrawWithRangeUint(97, 122));
  text[total] = '\0';
  LLKCString* string = LLKCString::stringWithChars_length(text, total);
  std::free(text);
  return string;
}

LLKCString* LLKFGetTemporaryPath(void) noexcept { return "/tmp"_llk; }

LLKCString* LLKFGetTemporaryFilePath(void) noexcept {
  char path[5 + kUniqueLength + 1] = "/tmp/";
  uniqueLetters(path + 5);
  return LLKCString::stringWithChars_length(path, sizeof path - 1);
}
