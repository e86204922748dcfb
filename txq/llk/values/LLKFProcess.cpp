#include <txq/llk/values/LLKFProcess.h>

#include <sys/resource.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>

namespace {

double seconds(const struct timeval& time) noexcept {
  return static_cast<double>(time.tv_sec) + static_cast<double>(time.tv_usec) / 1e6;
}

// A figure behind a label at the start of a line: blanks and tabs skipped, then a decimal number
// (saturated at 32 bits). NO when the line does not start with the label or holds no number.
bool readFigure(const char* line, const char* label, uint32_t* figure) noexcept {
  size_t labelLength = std::strlen(label);
  if (std::strncmp(line, label, labelLength) != 0) return false;
  const char* at = line + labelLength;
  while (*at == ' ' || *at == '\t') ++at;
  if (*at < '0' || *at > '9') return false;
  int saved = errno;
  errno = 0;
  char* end = nullptr;
  unsigned long value = std::strtoul(at, &end, 10);
  bool tooLarge = errno == ERANGE || value > UINT32_MAX;
  errno = saved;
  *figure = tooLarge ? UINT32_MAX : static_cast<uint32_t>(value);
  return true;
}

}  // namespace

bool LLKFGetProcStats(LLKTProcStats* stats) noexcept {
  struct rusage usage;
  if (stats == nullptr || getrusage(RUSAGE_SELF, &usage) != 0) return false;
  stats->mUser = seconds(usage.ru_utime);
  stats->mSystem = seconds(usage.ru_stime);
  return getmusage(static_cast<int32_t>(getpid()), &stats->mPeak, &stats->mCurrent);
}

bool getmusage(int32_t pid, uint32_t* peak, uint32_t* current) noexcept {
  char path[32];
  std::snprintf(path, sizeof path, "/proc/%d/status", static_cast<int>(pid));
  FILE* file = std::fopen(path, "re");
  if (file == nullptr) return false;
  uint32_t hwm = 0, rss = 0, lib = 0;
  bool haveHwm = false, haveRss = false, haveLib = false;
  char line[256];
  bool atLineStart = true;  // a line longer than the buffer arrives in pieces; only the first counts
  while (!(haveHwm && haveRss && haveLib) && std::fgets(line, sizeof line, file) != nullptr) {
    if (atLineStart) {
      if (readFigure(line, "VmHWM:", &hwm)) haveHwm = true;
      if (readFigure(line, "VmRSS:", &rss)) haveRss = true;
      if (readFigure(line, "VmLib:", &lib)) haveLib = true;
    }
    size_t length = std::strlen(line);
    atLineStart = length > 0 && line[length - 1] == '\n';
  }
  std::fclose(file);
  if (haveHwm && haveRss && haveLib) {
    if (hwm > lib) hwm -= lib;
    if (rss > lib) rss -= lib;
  }
  if (haveHwm && peak != nullptr) *peak = hwm;
  if (haveRss && current != nullptr) *current = rss;
  return true;
}
