#ifndef TXQ_LLK_VALUES_LLKFTIME_H
#define TXQ_LLK_VALUES_LLKFTIME_H
// Clocks: the wall clock (CLOCK_REALTIME) read in seconds, milliseconds or microseconds.
// Threads: any thread.

#include <cstdint>

#include <txq/llk/object/LLKExport.h>

// Seconds * 1 000 000 + nanoseconds / 1000.
LLK_EXTERN_C LLK_EXPORT uint64_t LLKFNowInUS(void) noexcept;
// Seconds * 1000 + nanoseconds / 1 000 000.
LLK_EXTERN_C LLK_EXPORT uint64_t LLKFNowInMS(void) noexcept;
// Seconds + microseconds / 1e6, from the time of day.
LLK_EXTERN_C LLK_EXPORT double LLKFNowInS(void) noexcept;

#endif  // TXQ_LLK_VALUES_LLKFTIME_H
