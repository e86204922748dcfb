#ifndef TXQ_LLK_VALUES_LLKVALUECODING_P_H
#define TXQ_LLK_VALUES_LLKVALUECODING_P_H
// Internal: how far the value classes trust a length read from a decoder. Not installed, not API.

#include <txq/llk/coding/LLKCBinaryDecoder.h>

#include <cstdint>

namespace llk::detail {

// Lengths above this are refused from any decoder.
inline constexpr uint64_t kMaxDecodedLength = uint64_t{1} << 32;

// The most bytes a length read from the decoder may announce: what is left of a binary decoder's
// window (a stream cannot hold more), capped at kMaxDecodedLength.
inline uint64_t decodableBytes(LLKBDecoder* coder) noexcept {
  LLKCBinaryDecoder* binary = llk::cast<LLKCBinaryDecoder>(coder);
  const uint64_t left = binary != nullptr ? binary->remainingInWindow() : kMaxDecodedLength;
  return left < kMaxDecodedLength ? left : kMaxDecodedLength;
}

}  // namespace llk::detail

#endif  // TXQ_LLK_VALUES_LLKVALUECODING_P_H
