#ifndef TXQ_LLK_VALUES_LLKFRANDOM_H
#define TXQ_LLK_VALUES_LLKFRANDOM_H
// Random numbers from the C library's shared generator (rand, values 0 to 2147483647), seeded once
// when the library loads; LLKFRandomDrawWithSeed keeps its state in the caller's word instead.
// Not for keys or secrets.
// Threads: any thread (the generator is shared; draws from several threads interleave).

#include <txq/llk/object/LLKExport.h>

#include <cstdint>

// Seeds with the low 32 bits of the seed, or with the process's clock-tick count (times) for 0.
LLK_EXTERN_C LLK_EXPORT void LLKFRandomSeed(uint64_t seed) noexcept;

// rand() / 2147483647.0: in [0, 1], both ends included.
LLK_EXTERN_C LLK_EXPORT double LLKFRandomDraw(void) noexcept;
// The same from the reentrant generator on the caller's seed word (rand_r); 0 for null.
LLK_EXTERN_C LLK_EXPORT double LLKFRandomDrawWithSeed(uint32_t* seed) noexcept;
// lo + draw * (hi - lo), kept within [lo, hi]; lo when lo >= hi (or either is NaN). Ranges wider
// than the largest double still give a finite value.
LLK_EXTERN_C LLK_EXPORT double LLKFRandomDrawWithRange(double lo, double hi) noexcept;
// First rand() * 2^32 + second rand(): the top bit is never set.
LLK_EXTERN_C LLK_EXPORT uint64_t LLKFRandomDrawUint(void) noexcept;
// The same composition as a signed number (never negative).
LLK_EXTERN_C LLK_EXPORT int64_t LLKFRandomDrawSint(void) noexcept;
// lo + (rand() mod (hi - lo)): in [lo, hi), the upper bound itself is never drawn (spans beyond
// 2^31 only reach lo + 2147483647). lo when lo >= hi.
LLK_EXTERN_C LLK_EXPORT uint64_t LLKFRandomDrawWithRangeUint(uint64_t lo, uint64_t hi) noexcept;
// In [lo, hi], both bounds can be drawn: lo + (hi + 1 - lo) * (rand() / 2147483647.0), kept within
// the range. For the full int64 range, three draws a, b, c give a * 2^32 + b, negated when c is odd.
// lo when lo >= hi.
LLK_EXTERN_C LLK_EXPORT int64_t LLKFRandomDrawWithRangeSint(int64_t lo, int64_t hi) noexcept;

#endif  // TXQ_LLK_VALUES_LLKFRANDOM_H
