#include <txq/llk/values/LLKFTime.h>

#include <sys/time.h>

#include <cmath>
#include <ctime>

uint64_t LLKFNowInUS(void) noexcept {
  struct timespec now;
  clock_gettime(CLOCK_REALTIME, &now);
  return static_cast<uint64_t>(now.tv_sec) * 1000000u + static_cast<uint64_t>(now.tv_nsec) / 1000u;
}

uint64_t LLKFNowInMS(void) noexcept {
  struct timespec now;
  clock_gettime(CLOCK_REALTIME, &now);
  return static_cast<uint64_t>(now.tv_sec) * 1000u + static_cast<uint64_t>(now.tv_nsec) / 1000000u;
}

double LLKFNowInS(void) noexcept {
  struct timeval now;
  gettimeofday(&now, nullptr);
  return static_cast<double>(now.tv_sec) + static_cast<double>(now.tv_usec) / 1e6;
}

// ---- Calendar times ----

namespace {

// The whole seconds below `seconds` as a time_t; NO when there is no such time_t (NaN, infinities,
// values beyond +-2^63).
bool wholeSeconds(double seconds, time_t* out) noexcept {
  double whole = std::floor(seconds);
  // 2^63 is exact in a double; every double below it converts to int64 without trouble.
  if (!(whole >= -9223372036854775808.0 && whole < 9223372036854775808.0)) return false;
  *out = static_cast<time_t>(whole);
  return true;
}

}  // namespace

double LLKFThenInS(struct tm* then) noexcept {
  if (then == nullptr) return -1;
  struct tm copy = *then;  // mktime normalises its argument; the caller's record stays as it was
  return static_cast<double>(std::mktime(&copy));
}

bool LLKFThenInTime(struct tm* out, double seconds) noexcept {
  time_t whole;
  struct tm broken;
  if (out == nullptr || !wholeSeconds(seconds, &whole) || gmtime_r(&whole, &broken) == nullptr) return false;
  *out = broken;
  return true;
}

bool LLKFThenInLocalTime(struct tm* out, double seconds) noexcept {
  time_t whole;
  struct tm broken;
  if (out == nullptr || !wholeSeconds(seconds, &whole) || localtime_r(&whole, &broken) == nullptr)
    return false;
  *out = broken;
  return true;
}

struct tm* LLKFLocaltime(struct tm* out) noexcept {
  if (out == nullptr) return nullptr;
  time_t now = std::time(nullptr);
  return localtime_r(&now, out);
}

// ---- Sleeping ----

namespace {

int32_t snooze(uint64_t seconds, uint64_t nanoseconds) noexcept {
  struct timespec length;
  length.tv_sec = static_cast<time_t>(seconds);
  length.tv_nsec = static_cast<long>(nanoseconds);
  return nanosleep(&length, nullptr) == 0 ? 0 : -1;
}

}  // namespace

int32_t LLKFSnoozeMS(uint32_t milliseconds) noexcept {
  return snooze(milliseconds / 1000u, static_cast<uint64_t>(milliseconds % 1000u) * 1000000u);
}

int32_t LLKFSnoozeUS(uint32_t microseconds) noexcept {
  return snooze(microseconds / 1000000u, static_cast<uint64_t>(microseconds % 1000000u) * 1000u);
}

int32_t LLKFSnoozeNS(uint32_t nanoseconds) noexcept {
  return snooze(nanoseconds / 1000000000u, nanoseconds % 1000000000u);
}
