#ifndef TXQ_LLK_OBJECT_LLKFLOG_H
#define TXQ_LLK_OBJECT_LLKFLOG_H
// The library log: one diagnostic channel, one formatted line per call, written to standard output
// under the log lock so that lines never interleave. Each line carries a prefix chosen by the
// process-wide time mode:
//
//   0  "12-06-2026 14:03:07.250 text"  local date and time with milliseconds
//   1  "     3.125 text"               seconds since the library was loaded (initial mode)
//   2  "text"                          the text alone (also any other mode value)
//
// Text beyond 511 characters per line is cut. Logging never fails visibly.
// Threads: any thread. Locks: the log lock (a leaf for everything but the console sink, which is
// called under it). A log call made while the same thread is already logging (from the console
// sink, say) is written straight to the stream instead of deadlocking.

#include <cstdarg>
#include <cstdint>
#include <cstdio>

#include <txq/llk/object/LLKExport.h>

LLK_EXTERN_C LLK_EXPORT void LLKFLog(const char* format, ...) noexcept LLK_PRINTF(1, 2);
// The worker behind LLKFLog; `stream` is used when no console sink is set.
LLK_EXTERN_C LLK_EXPORT void _LLKLog(FILE* stream, const char* format, va_list arguments) noexcept LLK_PRINTF(2, 0);
LLK_EXTERN_C LLK_EXPORT void LLKFLogSetTimeMode(uint32_t mode) noexcept;
LLK_EXTERN_C LLK_EXPORT uint32_t LLKFLogGetTimeMode(void) noexcept;

// Where finished lines go when something (the console) takes over output. The sink is called under
// the log lock with the whole line, line feed included; it must not wait for another thread that
// logs. Pass null to give output back to the stream.
using LLKFLogSink = void (*)(void* context, const char* line) noexcept;
LLK_EXTERN_C LLK_EXPORT void LLKFLogSetSink(LLKFLogSink sink, void* context) noexcept;

#endif  // TXQ_LLK_OBJECT_LLKFLOG_H
