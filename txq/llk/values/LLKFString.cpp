#include <txq/llk/values/LLKFString.h>

#include <cctype>
#include <cstdio>
#include <cstring>

#include <txq/llk/values/LLKCString.h>

namespace {

// toupper of a byte, answered as a signed char: bytes from 0x80 order before ASCII.
int upperSigned(char c) noexcept {
  return static_cast<signed char>(std::toupper(static_cast<unsigned char>(c)));
}

}  // namespace

int32_t LLKFStringFormat(char* buffer, uint64_t size, const char* format, va_list arguments) noexcept {
  if (format == nullptr) return 0;
  if (buffer == nullptr) size = 0;
  int written = std::vsnprintf(buffer, static_cast<size_t>(size), format, arguments);
  return written < 0 ? 0 : written + 1;
}

uint64_t LLKFStringConcatComputeLength(LLKCString* first, va_list arguments) noexcept {
  uint64_t length = first != nullptr ? first->length() : 0;
  for (LLKCString* next = va_arg(arguments, LLKCString*); next != nullptr; next = va_arg(arguments, LLKCString*)) {
    length += next->length();
  }
  return length;
}

void LLKFStringConcatFill(char* destination, LLKCString* first, va_list arguments) noexcept {
  if (destination == nullptr) return;
  char* at = destination;
  if (first != nullptr) {
    std::memcpy(at, first->chars(), first->length());
    at += first->length();
  }
  for (LLKCString* next = va_arg(arguments, LLKCString*); next != nullptr; next = va_arg(arguments, LLKCString*)) {
    std::memcpy(at, next->chars(), next->length());
    at += next->length();
  }
  *at = '\0';
}

int32_t strcmp_cu(const char* a, const char* b) noexcept {
  if (a == nullptr) a = "";  // a null text compares as the empty one
  if (b == nullptr) b = "";
  size_t la = std::strlen(a);
  size_t lb = std::strlen(b);
  size_t m = la < lb ? la : lb;
  for (size_t i = 0; i < m; ++i) {
    int ua = upperSigned(a[i]);
    int ub = upperSigned(b[i]);
    if (ua < ub) return -1;
    if (ua > ub) return 1;
  }
  if (la == lb) return 0;
  return la > lb ? -1 : 1;  // the longer text orders first
}

int32_t strncmp_cu(const char* a, const char* b, uint64_t n) noexcept {
  if (a == nullptr || b == nullptr) return a == b ? 0 : (a == nullptr ? -1 : 1);
  for (uint64_t i = 0; i < n; ++i) {
    int ua = upperSigned(a[i]);
    int ub = upperSigned(b[i]);
    if (ua < ub) return -1;
    if (ua > ub) return 1;
  }
  return 0;
}
