#ifndef TXQ_LLK_VALUES_LLKFHASH_H
#define TXQ_LLK_VALUES_LLKFHASH_H
// Hash functions over bytes, each with a caller-owned state record.
//
// MaPrime, the library hash behind every hashCode of the library. Its values are stored, compared
// and sent, so they never change: for the bytes of one feed call, with i counting from 0 in every
// call, hash = (hash XOR T[(b[i] + i) mod 256]) * 1717 mod 2^32, starting from 1717. Because the
// position restarts per call, feeding a text in pieces differs from feeding it whole.
//
// Adler-32, the checksum of RFC 1950 (zlib streams): feeding in pieces equals feeding whole.
//
// RK32, a rolling hash over a window of the last w bytes (w <= 32): with R the rolling table and
// p = 31^w mod 2^32, each byte b does hash = hash * 31 + R[b], and once w bytes have been seen also
// subtracts R[oldest] * p, so that the hash is always sum(R[b_k] * 31^(w-1-k)) over the last w bytes
// (mod 2^32). Window 0 keeps no window: every byte fed stays in the hash.
//
//   LLKTHashRK32State rk;
//   LLKFHashRK32Init(&rk, 16);
//   for (...) if (LLKFHashRK32Feed(&rk, &byte, 1) == wanted) ...   // the last 16 bytes match
//
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

// ---- Adler-32 ----

struct LLKTHashAdler32State {
  uint32_t mA;  // 1 + the sum of the bytes, mod 65521
  uint32_t mB;  // the sum of the successive values of mA, mod 65521
};

// a = 1, b = 0.
LLK_EXTERN_C LLK_EXPORT void LLKFHashAdler32Init(LLKTHashAdler32State* state) noexcept;
// Feeds n bytes (none when bytes is null) and answers LLKFHashAdler32Hash; 0 for a null state.
LLK_EXTERN_C LLK_EXPORT uint32_t LLKFHashAdler32Feed(LLKTHashAdler32State* state, const uint8_t* bytes,
                                                     uint64_t n) noexcept;
// The Adler-32 value of everything fed: (b mod 65521) * 65536 + (a mod 65521); 1 for no bytes.
LLK_EXTERN_C LLK_EXPORT uint32_t LLKFHashAdler32Hash(const LLKTHashAdler32State* state) noexcept;

// ---- RK32, the rolling hash ----

struct LLKTHashRK32State {
  uint32_t mHash;     // the running hash
  uint32_t mWindow;   // w, 0 to 32; 0: no window
  uint32_t mFactor;   // 31^w mod 2^32 (1 for w = 0)
  uint32_t mCount;    // bytes fed into the window (window 0 leaves it at 0; past 4 GiB see Feed)
  uint8_t mRing[32];  // the last w bytes; the oldest at mCount mod w once the window is full
};

// NO (state untouched) when w > 32 or the state is null; else hash 0, window w, factor 31^w,
// count 0, and YES.
LLK_EXTERN_C LLK_EXPORT bool LLKFHashRK32Init(LLKTHashRK32State* state, uint32_t window) noexcept;
// Feeds n bytes (none when bytes is null) and answers the running hash; 0 for a null state.
// With a window, the count stops being the exact total once it would pass UINT32_MAX: it then
// drops by a multiple of w, which keeps the ring position, so the hash stays that of the last w bytes.
LLK_EXTERN_C LLK_EXPORT uint32_t LLKFHashRK32Feed(LLKTHashRK32State* state, const uint8_t* bytes,
                                                  uint64_t n) noexcept;
// Completes a window that has seen fewer than w bytes with padding steps (hash = hash * 31 +
// 0x1175BD33, w - count times; the count becomes w) and answers the hash; 0 for a null state.
LLK_EXTERN_C LLK_EXPORT uint32_t LLKFHashRK32Pack(LLKTHashRK32State* state) noexcept;
// Init with a window of 16, Feed, Pack.
LLK_EXTERN_C LLK_EXPORT uint32_t LLKFHashRK32Hash(const uint8_t* bytes, uint64_t n) noexcept;

#endif  // TXQ_LLK_VALUES_LLKFHASH_H
