#include <txq/llk/values/LLKFMemory.h>

#include <pthread.h>
#include <sched.h>

#include <csignal>
#include <cstdint>
#include <cstdlib>
#include <cstring>

void* zalloc(uint64_t size) noexcept {
  if (size > SIZE_MAX) return nullptr;
  return std::calloc(1, static_cast<size_t>(size));
}

void* memdup(const void* bytes, uint64_t size) noexcept {
  if ((bytes == nullptr && size != 0) || size > SIZE_MAX) return nullptr;
  void* copy = std::malloc(size != 0 ? static_cast<size_t>(size) : 1);
  if (copy != nullptr && size != 0) std::memcpy(copy, bytes, static_cast<size_t>(size));
  return copy;
}

void zero(void* bytes, uint64_t size) noexcept {
  if (bytes != nullptr && size != 0) std::memset(bytes, 0, static_cast<size_t>(size));
}

uint32_t digits32(uint32_t value) noexcept { return digits64(value); }

uint32_t digits64(uint64_t value) noexcept {
  uint32_t digits = 1;
  while (value >= 10) {
    value /= 10;
    ++digits;
  }
  return digits;
}

const char* skipspaces(const char* text) noexcept {
  if (text == nullptr) return nullptr;
  while (*text == ' ' || *text == '\t') ++text;
  return text;
}

int32_t strfindlast(const char* text, char c) noexcept {
  if (text == nullptr) return -1;
  size_t length = std::strlen(text);
  if (length > INT32_MAX) return -1;
  for (size_t i = length; i-- > 1;) {
    if (text[i] == c) return static_cast<int32_t>(i);
  }
  return -1;
}

int64_t strposof(const char* text, uint64_t n, char c) noexcept {
  if (text == nullptr || n == 0) return -1;
  const void* found = std::memchr(text, static_cast<unsigned char>(c), static_cast<size_t>(n));
  return found != nullptr ? static_cast<const char*>(found) - text : -1;
}

void LLKFBreakInDebugger(void) noexcept { std::raise(SIGABRT); }

uint64_t LLKFGetThreadUid(void) noexcept { return static_cast<uint64_t>(pthread_self()); }

uint32_t LLKFQueryCPUCount(void) noexcept {
  cpu_set_t set;  // room for 1024 processors
  CPU_ZERO(&set);
  if (pthread_getaffinity_np(pthread_self(), sizeof set, &set) != 0) return 0;
  return static_cast<uint32_t>(CPU_COUNT(&set));
}
