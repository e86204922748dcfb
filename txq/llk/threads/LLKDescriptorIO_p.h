#ifndef TXQ_LLK_THREADS_LLKDESCRIPTORIO_P_H
#define TXQ_LLK_THREADS_LLKDESCRIPTORIO_P_H
// Internal: the single reads and writes of the wake channels. Not installed, not API.
//
// Every call is one system call (retried on EINTR) and answers the byte count, or 0 for anything
// else: an empty or full non-blocking descriptor, end of file, an error, a null buffer. None of
// them raises SIGPIPE in the process or changes the process-wide signal disposition.

#include <cstdint>

namespace llk::detail {

// A non-blocking, close-on-exec anonymous pipe: ends[0] reads, ends[1] writes. NO (ends left at -1)
// when it cannot be made.
bool makeWakePipe(int32_t ends[2]) noexcept;

// One read.
uint64_t readOnce(int32_t fd, void* bytes, uint64_t length) noexcept;

// One write to a descriptor whose reader this process holds (no SIGPIPE can arise).
uint64_t writeOnce(int32_t fd, const void* bytes, uint64_t length) noexcept;

// One write to a pipe or FIFO whose reader may be gone: SIGPIPE is blocked for the calling thread
// around the write, and a SIGPIPE that the write raised is consumed before the mask is restored.
uint64_t writeOnceQuietly(int32_t fd, const void* bytes, uint64_t length) noexcept;

// One write to a descriptor of any kind: send with MSG_NOSIGNAL for a socket, else writeOnceQuietly.
uint64_t writeOnceToAny(int32_t fd, const void* bytes, uint64_t length) noexcept;

}  // namespace llk::detail

#endif  // TXQ_LLK_THREADS_LLKDESCRIPTORIO_P_H
