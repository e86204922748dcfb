#ifndef TXQ_LLK_VALUES_LLKFRANDOM_H
#define TXQ_LLK_VALUES_LLKFRANDOM_H
// Random numbers from the C library's shared generator, seeded once when the library loads.
// Threads: any thread (the generator is shared; draws from several threads interleave).

#include <cstdint>

#include <txq/llk/object/LLKExport.h>

// Seeds with the low 32 bits of the seed, or with the process's clock-tick count (times) for 0.
LLK_EXTERN_C LLK_EXPORT void LLKFRandomSeed(uint64_t seed) noexcept;

#endif  // TXQ_LLK_VALUES_LLKFRANDOM_H
