#ifndef TXQ_LLK_THREADS_LLKDEADLINE_P_H
#define TXQ_LLK_THREADS_LLKDEADLINE_P_H
// Internal: deadlines of timed waits, on the real-time clock. Not installed, not API.

#include <time.h>

#include <cstdint>

namespace llk::detail {

inline constexpr int64_t kNanosPerSecond = 1000000000;

inline timespec realtimeNow() noexcept {
  timespec now{};
  clock_gettime(CLOCK_REALTIME, &now);
  return now;
}

// `from` + milliseconds, normalised.
inline timespec deadlineAfter(const timespec& from, uint32_t milliseconds) noexcept {
  timespec deadline = from;
  deadline.tv_sec += milliseconds / 1000;
  deadline.tv_nsec += static_cast<long>(milliseconds % 1000) * 1000000;
  while (deadline.tv_nsec >= kNanosPerSecond) {
    deadline.tv_nsec -= kNanosPerSecond;
    ++deadline.tv_sec;
  }
  return deadline;
}

inline bool reached(const timespec& now, const timespec& deadline) noexcept {
  return now.tv_sec > deadline.tv_sec || (now.tv_sec == deadline.tv_sec && now.tv_nsec >= deadline.tv_nsec);
}

// Nanoseconds from `from` to `to` (negative when the clock went back).
inline int64_t nanosBetween(const timespec& from, const timespec& to) noexcept {
  return (static_cast<int64_t>(to.tv_sec) - from.tv_sec) * kNanosPerSecond + (to.tv_nsec - from.tv_nsec);
}

}  // namespace llk::detail

#endif  // TXQ_LLK_THREADS_LLKDEADLINE_P_H
