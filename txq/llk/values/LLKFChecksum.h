#ifndef TXQ_LLK_VALUES_LLKFCHECKSUM_H
#define TXQ_LLK_VALUES_LLKFCHECKSUM_H
// The Internet checksum (RFC 1071): the ones' complement of the ones' complement sum of the 16-bit
// words. Words are read in host byte order, so the answer is in host order too: stored back with a
// plain 16-bit store it lands as the same two bytes on any host, and a buffer that carries its own
// checksum (at an even offset) sums to 0.
// Threads: any thread.

#include <cstdint>

#include <txq/llk/object/LLKExport.h>

// The checksum of `length` bytes. An odd last byte counts as a word of its own value (the byte
// followed by a zero byte on a little-endian host). A length of 0, or null bytes, gives 0xFFFF.
LLK_EXTERN_C LLK_EXPORT uint16_t LLKFComputeChecksum16(const void* bytes, uint16_t length) noexcept;

#endif  // TXQ_LLK_VALUES_LLKFCHECKSUM_H
