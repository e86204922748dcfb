#include <txq/llk/object/LLKFLog.h>

#include <sys/time.h>

#include <cstdio>
#include <cstring>
#include <ctime>
#include <mutex>

#include <txq/llk/object/LLKLibrary_p.h>
#include <txq/llk/values/LLKFTime.h>

// The caller's text is formatted first (bounded), then the prefix is added: a caller's format is
// never pasted into a template, so a line cannot be mis-formatted whatever the mode or the text.
// Every line ends with a line feed, also when it was cut.

namespace {

constexpr size_t kLineSize = 512;  // a finished line: 511 characters and the zero

constinit std::mutex gLogLock;                         // the log lock: taken before the console's
constinit uint32_t gTimeMode = 1;                      // guarded by gLogLock
constinit double gLoadTime = 0;                        // written once at load
constinit LLKFLogSink gSink = nullptr;                 // guarded by gLogLock
constinit void* gSinkContext = nullptr;                // guarded by gLogLock
constinit char gText[kLineSize];                       // guarded by gLogLock
constinit char gLine[kLineSize];                       // guarded by gLogLock
constinit thread_local bool tLogging = false;          // this thread holds the log lock

// Keeps the terminating line feed of a line that was cut.
void endLine(char* line, int written) noexcept {
  if (written >= static_cast<int>(kLineSize)) line[kLineSize - 2] = '\n';
}

void buildLine(const char* text) noexcept {
  int written = 0;
  switch (gTimeMode) {
    case 0: {
      struct timeval now;
      gettimeofday(&now, nullptr);
      struct tm local;
      localtime_r(&now.tv_sec, &local);
      double milliseconds = static_cast<double>(now.tv_usec) / 1000.0;
      if (milliseconds > 999.0) milliseconds = 999.0;  // "%03.0f" must never print 1000
      written = std::snprintf(gLine, kLineSize, "%02d-%02d-%04d %02d:%02d:%02d.%03.0f %s\n", local.tm_mon + 1,
                              local.tm_mday, local.tm_year + 1900, local.tm_hour, local.tm_min, local.tm_sec,
                              milliseconds, text);
      break;
    }
    case 1:
      written = std::snprintf(gLine, kLineSize, "%10.3f %s\n", LLKFNowInS() - gLoadTime, text);
      break;
    default:  // 2, and any mode the log does not know
      written = std::snprintf(gLine, kLineSize, "%s\n", text);
      break;
  }
  endLine(gLine, written);
}

}  // namespace

void llkLogLoad() noexcept { gLoadTime = LLKFNowInS(); }

void _LLKLog(FILE* stream, const char* format, va_list arguments) noexcept {
  if (format == nullptr) return;
  if (tLogging) {
    // Logged from under the log lock (the console sink, say): write it straight to the stream.
    char line[kLineSize];
    int written = std::vsnprintf(line, kLineSize - 1, format, arguments);
    size_t length = written < 0 ? 0 : std::strlen(line);
    line[length] = '\n';
    line[length + 1] = '\0';
    if (stream != nullptr) std::fputs(line, stream);
    return;
  }
  std::lock_guard<std::mutex> guard(gLogLock);
  tLogging = true;
  if (std::vsnprintf(gText, kLineSize, format, arguments) < 0) gText[0] = '\0';
  buildLine(gText);
  if (gSink != nullptr) {
    gSink(gSinkContext, gLine);
  } else if (stream != nullptr) {
    std::fputs(gLine, stream);
    std::fflush(stream);
  }
  tLogging = false;
}

void LLKFLog(const char* format, ...) noexcept {
  va_list arguments;
  va_start(arguments, format);
  _LLKLog(stdout, format, arguments);
  va_end(arguments);
}

void LLKFLogSetTimeMode(uint32_t mode) noexcept {
  std::lock_guard<std::mutex> guard(gLogLock);
  gTimeMode = mode;
}

uint32_t LLKFLogGetTimeMode(void) noexcept {
  std::lock_guard<std::mutex> guard(gLogLock);
  return gTimeMode;
}

void LLKFLogSetSink(LLKFLogSink sink, void* context) noexcept {
  std::lock_guard<std::mutex> guard(gLogLock);
  gSink = sink;
  gSinkContext = context;
}
