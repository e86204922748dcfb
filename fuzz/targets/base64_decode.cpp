// Base64 decoding of arbitrary bytes: sizes, the plain decoder at capacities around the decoded size,
// the data-object forms, and the round trip of the raw input through encoding. Buffers are exactly
// sized heap blocks, so a read or write one byte past them is an AddressSanitizer report.
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <memory>

#include <txq/llk/object/LLKAutoreleaseScope.h>
#include <txq/llk/values/LLKCData.h>
#include <txq/llk/values/LLKCString.h>
#include <txq/llk/values/LLKFBase64.h>

#include "FuzzTarget.h"

namespace {

void require(bool holds, const char* what) {
  if (holds) return;
  std::fprintf(stderr, "base64_decode: %s\n", what);
  std::abort();
}

// An exactly sized heap copy (new[] of 0 bytes is a valid, unreadable block).
std::unique_ptr<char[]> copyOf(const uint8_t* data, size_t size, bool terminated) {
  std::unique_ptr<char[]> copy(new char[size + (terminated ? 1 : 0)]);
  if (size > 0) std::memcpy(copy.get(), data, size);
  if (terminated) copy[size] = '\0';
  return copy;
}

}  // namespace

TXQ_FUZZ_TARGET(base64_decode) {
  const std::unique_ptr<char[]> text = copyOf(data, size, false);
  const std::unique_ptr<char[]> terminated = copyOf(data, size, true);
  const bool hasZero = size > 0 && std::memchr(data, 0, size) != nullptr;
  // The C string form stops at the first zero byte; the decoded size of all `size` characters is 0
  // when there is one, as a zero byte is never base64.
  const uint64_t prefixSize = LLKFBase64ComputeDecodedSize(terminated.get());
  const uint64_t expected = hasZero ? 0 : prefixSize;
  require(expected == 0 || strlimited2Base64(text.get(), size), "decodable text with a character outside the set");
  require(expected <= size / 4 * 3, "decoded size above three quarters of the text");

  // The plain decoder at the decoded size, one less, none and 3.
  std::unique_ptr<uint8_t[]> reference;
  const uint64_t capacities[] = {expected, expected > 0 ? expected - 1 : 0, 0, 3};
  for (uint64_t capacity : capacities) {
    std::unique_ptr<uint8_t[]> out(new uint8_t[capacity]);
    const uint64_t written = LLKFBase64Decode(text.get(), size, out.get(), capacity);
    require(written == (capacity >= expected ? expected : 0), "decode result differs from the decoded size");
    if (written > 0 && reference == nullptr) reference = std::move(out);
  }

  {
    llk::AutoreleaseScope pool;
    LLKCData* fromChars = LLKFBase64DecodeFromChars(terminated.get());
    require((fromChars != nullptr) == (prefixSize > 0), "data object where the decoded size says otherwise");
    if (fromChars != nullptr) {
      require(fromChars->length() == prefixSize, "data object of the wrong length");
      require(hasZero || std::memcmp(fromChars->bytes(), reference.get(), expected) == 0, "data object differs");
    }
    LLKCString* string = LLKCString::stringWithChars_length(text.get(), size);
    if (string != nullptr) {
      LLKCData* fromString = LLKFBase64DecodeFromString(string);
      require((fromString != nullptr) == (expected > 0), "string decoding differs from the decoded size");
      if (fromString != nullptr) {
        require(fromString->length() == expected, "data from a string of the wrong length");
        require(std::memcmp(fromString->bytes(), reference.get(), expected) == 0, "data from a string differs");
      }
    }
  }

  // The raw bytes through encoding and back.
  const uint64_t encodedSize = LLKFBase64ComputeEncodedSize(size);
  std::unique_ptr<char[]> encoded(new char[encodedSize + 1]);
  require(LLKFBase64Encode(data, size, encoded.get(), encodedSize + 1) == encodedSize, "encoding failed");
  require(encoded[encodedSize] == '\0', "encoding without its terminating zero");
  require(LLKFBase64Encode(data, size, encoded.get(), encodedSize) == 0, "encoding without room for the zero");
  require(LLKFBase64ComputeDecodedSize(encoded.get()) == size, "decoded size of an encoding");
  std::unique_ptr<uint8_t[]> back(new uint8_t[size]);
  require(LLKFBase64Decode(encoded.get(), encodedSize, back.get(), size) == size, "decoding an encoding");
  require(size == 0 || std::memcmp(back.get(), data, size) == 0, "round trip changed the bytes");
  return 0;
}
