#ifndef TXQ_LLK_VALUES_LLKFBASE64_H
#define TXQ_LLK_VALUES_LLKFBASE64_H
// Base64 (RFC 4648, the standard alphabet "A-Z a-z 0-9 + /" with '=' padding, no line breaks):
// every 3 bytes become 4 characters; a final 1 or 2 bytes become 2 or 3 characters and "==" or "=".
// The dictionary files and the JSON coder keep byte buffers this way.
//
//   char text[LLKFBase64ComputeEncodedSize(3) + 1];             // 4 characters and the zero
//   LLKFBase64Encode(bytes, 3, text, sizeof text);              // 4
//   LLKCData* back = LLKFBase64DecodeFromChars(text);           // 3 bytes, autoreleased
//
// Decoding takes only well-formed text: a length that is a multiple of 4, alphabet characters, and
// '=' only as the last character, or the last two, of the last group (no data after padding). Any
// other text decodes to nothing, and nothing is ever read past the given length or written past the
// given capacity.
// Ownership: strings and data objects are autoreleased.
// Threads:   any thread.
// Failure:   0 or nil, never a message: for bad text, for lack of room, for sizes that do not fit.

#include <cstdint>

#include <txq/llk/object/LLKExport.h>

class LLKCString;
class LLKCData;

// (n + 2) / 3 * 4: the characters for n bytes, without a terminating zero. 0 when that does not fit
// 64 bits (n above UINT64_MAX / 4 * 3 - 2).
LLK_EXTERN_C LLK_EXPORT uint64_t LLKFBase64ComputeEncodedSize(uint64_t n) noexcept;
// The bytes that the C string decodes to: its length * 3 / 4 less the padding characters; 0 when the
// text is null or not well-formed (see above).
LLK_EXTERN_C LLK_EXPORT uint64_t LLKFBase64ComputeDecodedSize(const char* text) noexcept;
// YES when each of the n characters is one of the 64 alphabet characters or '=' (wherever it
// stands); YES for n = 0, NO for null text with n > 0.
LLK_EXTERN_C LLK_EXPORT bool strlimited2Base64(const char* text, uint64_t n) noexcept;

// Writes the encoding of n bytes and a terminating zero into `out`. Answers the characters written
// (without the zero), or 0 with nothing written when the capacity is below the encoded size + 1 or
// the input is null. n = 0 writes only the zero (when the capacity is not 0) and answers 0.
LLK_EXTERN_C LLK_EXPORT uint64_t LLKFBase64Encode(const uint8_t* in, uint64_t n, char* out,
                                                  uint64_t capacity) noexcept;
// Decodes n characters (no terminating zero needed) into `out`. Answers the bytes written, or 0 for
// text that is not well-formed or a capacity below the decoded size; after a 0 the first `capacity`
// bytes of `out` may have been written, never more.
LLK_EXTERN_C LLK_EXPORT uint64_t LLKFBase64Decode(const char* in, uint64_t n, uint8_t* out,
                                                  uint64_t capacity) noexcept;

// The encoding as a string; the empty string for n = 0; nil for null bytes, an encoding longer than
// a string can be (4 GiB - 1) or no memory.
LLK_EXTERN_C LLK_EXPORT LLKCString* LLKFBase64EncodeIntoString(const uint8_t* bytes, uint64_t n) noexcept;
// The decoded bytes as a data object of exactly the decoded size; nil when that size is 0 (bad or
// empty text), on no memory, or for nil. A string holding a zero byte is not well-formed.
LLK_EXTERN_C LLK_EXPORT LLKCData* LLKFBase64DecodeFromString(LLKCString* text) noexcept;
LLK_EXTERN_C LLK_EXPORT LLKCData* LLKFBase64DecodeFromChars(const char* text) noexcept;

#endif  // TXQ_LLK_VALUES_LLKFBASE64_H
