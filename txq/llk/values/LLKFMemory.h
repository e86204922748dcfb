#ifndef TXQ_LLK_VALUES_LLKFMEMORY_H
#define TXQ_LLK_VALUES_LLKFMEMORY_H
// Small memory and text helpers, and facts about the calling thread and process: allocation with
// the C allocator, decimal digit counts, character searches, the thread id and the processor count.
// Ownership: zalloc and memdup answer memory owned by the caller (release it with C free).
// Threads:   any thread.
// Note:      the short unprefixed names (zero, digits32, ...) are exported as they are and can clash
//            with a program's own functions of the same name.

#include <txq/llk/object/LLKExport.h>

#include <cstdint>

// size zero-filled bytes (C calloc); null when memory is exhausted.
LLK_EXTERN_C LLK_EXPORT void* zalloc(uint64_t size) noexcept;
// A new allocation holding a copy of the size bytes at `bytes`; null when memory is exhausted or
// `bytes` is null with a nonzero size. A size of 0 answers a fresh allocation of one byte.
LLK_EXTERN_C LLK_EXPORT void* memdup(const void* bytes, uint64_t size) noexcept;
// Fills size bytes with zeros; nothing for a null pointer.
LLK_EXTERN_C LLK_EXPORT void zero(void* bytes, uint64_t size) noexcept;

// Number of decimal digits of the value: 1 for 0 to 9, 10 for 4294967295, 20 for UINT64_MAX.
LLK_EXTERN_C LLK_EXPORT uint32_t digits32(uint32_t value) noexcept;
LLK_EXTERN_C LLK_EXPORT uint32_t digits64(uint64_t value) noexcept;

// The first character that is neither a blank nor a tab (the terminating zero when there is none);
// null for null.
LLK_EXTERN_C LLK_EXPORT const char* skipspaces(const char* text) noexcept;
// Index of the last occurrence of c at an index of 1 or more, or -1. Index 0 is never reported, so
// a text shorter than 2 characters always answers -1 (as do null and texts of 2 GiB or more).
LLK_EXTERN_C LLK_EXPORT int32_t strfindlast(const char* text, char c) noexcept;
// Index of the first occurrence of c within the first n bytes, or -1 (also for n = 0 and null).
// Exactly n bytes are examined, zero bytes included: the caller guarantees that many.
LLK_EXTERN_C LLK_EXPORT int64_t strposof(const char* text, uint64_t n, char c) noexcept;

// Raises SIGABRT in the calling process (a debugger stops there; without one the process ends).
LLK_EXTERN_C LLK_EXPORT void LLKFBreakInDebugger(void) noexcept;
// The calling thread's identifier (pthread_self).
LLK_EXTERN_C LLK_EXPORT uint64_t LLKFGetThreadUid(void) noexcept;
// Number of processors in the calling thread's affinity mask (the first 1024 are examined); 0 when
// the mask cannot be read.
LLK_EXTERN_C LLK_EXPORT uint32_t LLKFQueryCPUCount(void) noexcept;

#endif  // TXQ_LLK_VALUES_LLKFMEMORY_H
