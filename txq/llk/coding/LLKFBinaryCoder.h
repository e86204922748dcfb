#ifndef TXQ_LLK_CODING_LLKFBINARYCODER_H
#define TXQ_LLK_CODING_LLKFBINARYCODER_H
// The functions that carry the binary coders' work, for coders of other shapes built on the same
// stream. Each takes the coder and its private record; key hash 0 means an unkeyed record.

#include <cstdint>

#include <txq/llk/coding/LLKCBinaryDecoder.h>
#include <txq/llk/coding/LLKCBinaryEncoder.h>

// Record tags of the binary stream.
namespace llk {
enum BinaryTag : uint8_t {
  kTagObject = 10,
  kTagBool = 11,
  kTagByte = 12,
  kTagUnsigned = 13,
  kTagSigned = 14,
  kTagReal = 15,
  kTagBuffer = 16,
};
// Results of the object-decoding functions.
enum BinaryDecodeStatus : int32_t {
  kDecodeDone = 0,
  kDecodeNotFound = 5,      // no matching record, or no encodable class of that name
  kDecodeNotMade = 7,       // the object could not be made (or nested too deep)
  kDecodeOutOfWindow = 10,  // the position already lay beyond the window
};
// Limits on what a stream may ask of the decoder.
inline constexpr uint32_t kBinaryMaxDepth = 256;          // objects nested inside one another
inline constexpr uint32_t kBinaryMaxClassNameLength = 256;  // including the NUL
}  // namespace llk

// Writes one plain record (any tag but 10); YES when header and payload were stored whole.
LLK_EXTERN_C LLK_EXPORT bool LLKFBinaryEncoderRawEncode(LLKCBinaryEncoder* encoder, LLKCBinaryEncoder::private_t* d,
                                                        uint8_t tag, uint32_t keyHash, const void* bytes,
                                                        uint32_t length) noexcept;
// Writes one object record: header, class name, then whatever the object's encodeWithCoder writes.
LLK_EXTERN_C LLK_EXPORT bool LLKFBinaryEncoderObjEncode(LLKCBinaryEncoder* encoder, LLKCBinaryEncoder::private_t* d,
                                                        uint32_t keyHash, LLKBObject* object) noexcept;
// YES when the window holds a record with the key hash (any tag); the position does not move.
LLK_EXTERN_C LLK_EXPORT bool LLKFBinaryDecoderContains(LLKCBinaryDecoder* decoder, LLKCBinaryDecoder::private_t* d,
                                                       uint32_t keyHash) noexcept;
// Reads one plain record into the destination; the count of bytes copied, 0 on failure.
LLK_EXTERN_C LLK_EXPORT uint32_t LLKFBinaryDecoderRawDecode(LLKCBinaryDecoder* decoder,
                                                            LLKCBinaryDecoder::private_t* d, uint8_t tag,
                                                            uint32_t keyHash, void* destination,
                                                            uint32_t capacity) noexcept;
// Makes the object of one object record (autoreleased, through *object); a BinaryDecodeStatus.
LLK_EXTERN_C LLK_EXPORT int32_t LLKFBinaryDecoderObjDecode(LLKCBinaryDecoder* decoder,
                                                           LLKCBinaryDecoder::private_t* d, uint32_t keyHash,
                                                           LLKBObject** object) noexcept;
// Hands the content of one object record to the callback instead of making the object.
LLK_EXTERN_C LLK_EXPORT int32_t LLKFBinaryDecoderObjDecodeWithCB(LLKCBinaryDecoder* decoder,
                                                                 LLKCBinaryDecoder::private_t* d, uint32_t keyHash,
                                                                 LLKFObjectContentCallback callback,
                                                                 void* context) noexcept;

#endif  // TXQ_LLK_CODING_LLKFBINARYCODER_H
