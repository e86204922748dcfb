#ifndef TXQ_LLK_THREADS_LLKFTHREADKEY_H
#define TXQ_LLK_THREADS_LLKFTHREADKEY_H
// Thread keys: a thin handle around POSIX thread-specific data. Every function accepts a null handle
// (fetch answers null, the others do nothing).
// Threads: any thread; a key's value is per thread.

#include <txq/llk/object/LLKExport.h>

struct LLKTThreadKey;
using LLKFThreadKeyDestructor = void (*)(void* value);

// A new key (the destructor runs for a thread's non-null value when it ends), or null on failure.
LLK_EXTERN_C LLK_EXPORT LLKTThreadKey* LLKFThreadKeyCreate(LLKFThreadKeyDestructor destructor) noexcept;
LLK_EXTERN_C LLK_EXPORT void LLKFThreadKeyDelete(LLKTThreadKey* key) noexcept;
LLK_EXTERN_C LLK_EXPORT void* LLKFThreadKeyFetch(LLKTThreadKey* key) noexcept;
LLK_EXTERN_C LLK_EXPORT void LLKFThreadKeyStore(LLKTThreadKey* key, void* value) noexcept;

#endif  // TXQ_LLK_THREADS_LLKFTHREADKEY_H
