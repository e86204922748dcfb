#ifndef TXQ_LLK_VALUES_LLKFHASH_H
#define TXQ_LLK_VALUES_LLKFHASH_H
// The library hash (MaPrime), behind every hashCode of the library. Its values are stored, compared
// and sent, so they never change: for the bytes of one feed call, with i counting from 0 in every
// call, hash = (hash XOR T[(b[i] + i) mod 256]) * 1717 mod 2^32, starting from 1717. Because the
// position restarts per call, feeding a text in pieces differs from feeding it whole.
// Threads: any thread; a state record belongs to its caller.

#include <cstdint>

#include <txq/llk/object/LLKExport.h>

struct LLKTHashMaPrime32State {
  uint32_t mHash;  // the running hash
};

// The hash of n bytes from a fresh state; 1717 for no bytes.
LLK_EXTERN_C LLK_EXPORT uint32_t LLKFComputeHashcode32(const uint8_t* bytes, uint64_t n) noexcept;
LLK_EXTERN_C LLK_EXPORT void LLKFHashMaPrime32Init(LLKTHashMaPrime32State* state) noexcept;
// Feeds n bytes and answers the running hash. The state pointer is untyped so that the function
// also serves as an LLKFHashFeed for hashCodeWithFunction_andContext.
LLK_EXTERN_C LLK_EXPORT uint32_t LLKFHashMaPrime32Feed(void* state, const uint8_t* bytes, uint64_t n) noexcept;
LLK_EXTERN_C LLK_EXPORT uint32_t LLKFHashMaPrime32Hash(const LLKTHashMaPrime32State* state) noexcept;

#endif  // TXQ_LLK_VALUES_LLKFHASH_H
