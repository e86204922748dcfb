#ifndef TXQ_LLK_VALUES_LLKFTIME_H
#define TXQ_LLK_VALUES_LLKFTIME_H
// Clocks: the wall clock (CLOCK_REALTIME) read in seconds, milliseconds or microseconds; conversions
// between seconds and broken-down calendar times; sleeping.
// Threads: any thread.

#include <txq/llk/object/LLKExport.h>

#include <cstdint>
#include <ctime>

// Seconds * 1 000 000 + nanoseconds / 1000.
LLK_EXTERN_C LLK_EXPORT uint64_t LLKFNowInUS(void) noexcept;
// Seconds * 1000 + nanoseconds / 1 000 000.
LLK_EXTERN_C LLK_EXPORT uint64_t LLKFNowInMS(void) noexcept;
// Seconds + microseconds / 1e6, from the time of day.
LLK_EXTERN_C LLK_EXPORT double LLKFNowInS(void) noexcept;

// ---- Calendar times ----
// The local broken-down time as seconds since the epoch (mktime rules: fields out of their range
// are normalised, tm_isdst < 0 lets the time zone decide). The record itself is not changed.
// -1 for null or a time that cannot be represented.
LLK_EXTERN_C LLK_EXPORT double LLKFThenInS(struct tm* then) noexcept;
// Fills `out` with the UTC broken-down time of the whole seconds (rounded down first). NO, `out`
// unchanged, for null, NaN, infinities and seconds outside the calendar's range.
LLK_EXTERN_C LLK_EXPORT bool LLKFThenInTime(struct tm* out, double seconds) noexcept;
// The same in local time.
LLK_EXTERN_C LLK_EXPORT bool LLKFThenInLocalTime(struct tm* out, double seconds) noexcept;
// The current local time into `out`; answers `out`, or null on failure (or for null).
LLK_EXTERN_C LLK_EXPORT struct tm* LLKFLocaltime(struct tm* out) noexcept;

// ---- Sleeping ----
// Each sleeps once for that many milliseconds / microseconds / nanoseconds. 0 when the time has
// passed; -1 when a signal interrupted the sleep, which is not resumed.
LLK_EXTERN_C LLK_EXPORT int32_t LLKFSnoozeMS(uint32_t milliseconds) noexcept;
LLK_EXTERN_C LLK_EXPORT int32_t LLKFSnoozeUS(uint32_t microseconds) noexcept;
LLK_EXTERN_C LLK_EXPORT int32_t LLKFSnoozeNS(uint32_t nanoseconds) noexcept;

#endif  // TXQ_LLK_VALUES_LLKFTIME_H
