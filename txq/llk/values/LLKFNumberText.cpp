#include <txq/llk/values/LLKFNumberText.h>

#include <cctype>
#include <cerrno>
#include <climits>
#include <cmath>
#include <cstdio>
#include <cstdlib>

#include <txq/llk/values/LLKFMemory.h>

// ---- Integers to text ----

namespace {

// |value| without overflow for the most negative value.
uint64_t magnitude(int64_t value) noexcept {
  return value < 0 ? 0 - static_cast<uint64_t>(value) : static_cast<uint64_t>(value);
}

// snprintf's answer, never negative.
int32_t lengthOf(int written) noexcept { return written < 0 ? 0 : written; }

// The room given to snprintf: no text here comes near INT_MAX, and larger sizes are not portable.
size_t room(char* buffer, uint64_t size) noexcept {
  if (buffer == nullptr) return 0;
  return size < INT_MAX ? static_cast<size_t>(size) : static_cast<size_t>(INT_MAX);
}

}  // namespace

int32_t LLKFStringFormatUint32(char* buffer, uint64_t size, uint32_t value) noexcept {
  if (buffer == nullptr) return static_cast<int32_t>(digits32(value) + 1);
  return lengthOf(std::snprintf(buffer, room(buffer, size), "%u", value)) + 1;
}

int32_t LLKFStringFormatSint32(char* buffer, uint64_t size, int32_t value) noexcept {
  if (buffer == nullptr) return static_cast<int32_t>(digits64(magnitude(value)) + (value < 0 ? 1 : 0) + 1);
  return lengthOf(std::snprintf(buffer, room(buffer, size), "%d", value)) + 1;
}

int32_t LLKFStringFormatUint64(char* buffer, uint64_t size, uint64_t value) noexcept {
  if (buffer == nullptr) return static_cast<int32_t>(digits64(value) + 1);
  return lengthOf(std::snprintf(buffer, room(buffer, size), "%llu", static_cast<unsigned long long>(value))) +
         1;
}

int32_t LLKFStringFormatSint64(char* buffer, uint64_t size, int64_t value) noexcept {
  if (buffer == nullptr) return static_cast<int32_t>(digits64(magnitude(value)) + (value < 0 ? 1 : 0) + 1);
  return lengthOf(std::snprintf(buffer, room(buffer, size), "%lld", static_cast<long long>(value)));
}

// ---- Reals to text ----

namespace {

constexpr int32_t kMaxDecimals = 18;  // 10^18 still fits int64 and is exact in a double
constexpr uint64_t kPowerOfTen[kMaxDecimals + 1] = {
    1ull,
    10ull,
    100ull,
    1000ull,
    10000ull,
    100000ull,
    1000000ull,
    10000000ull,
    100000000ull,
    1000000000ull,
    10000000000ull,
    100000000000ull,
    1000000000000ull,
    10000000000000ull,
    100000000000000ull,
    1000000000000000ull,
    10000000000000000ull,
    100000000000000000ull,
    1000000000000000000ull,
};

// A finite value whose integer part fits 63 bits, split for printing: sign, integer part and the
// fraction scaled by 10^decimals, rounded half away from zero, the carry already in the integer part.
struct RealParts {
  bool negative;
  uint64_t whole;
  uint64_t fraction;
};

bool splitReal(double value, int32_t decimals, RealParts* parts) noexcept {
  if (!std::isfinite(value)) return false;
  double absolute = std::fabs(value);
  if (absolute >= 9223372036854775808.0) return false;  // 2^63
  double whole = std::trunc(absolute);
  uint64_t unit = kPowerOfTen[decimals];
  // absolute - whole is exact; one rounding for the product, then half away from zero.
  double scaled = std::round((absolute - whole) * static_cast<double>(unit));
  parts->negative = value < 0;
  parts->whole = static_cast<uint64_t>(whole);
  parts->fraction = static_cast<uint64_t>(scaled);  // at most unit
  if (parts->fraction >= unit) {
    parts->whole += 1;  // 0.999 with 2 decimals is 1.00
    parts->fraction -= unit;
  }
  return true;
}

int32_t formatReal(char* buffer, uint64_t size, int32_t decimals, double value) noexcept {
  if (decimals < 0) decimals = 0;
  if (decimals > kMaxDecimals) decimals = kMaxDecimals;
  size_t capacity = room(buffer, size);
  RealParts parts;
  int written;
  if (splitReal(value, decimals, &parts)) {
    if (buffer == nullptr) {
      return static_cast<int32_t>((parts.negative ? 1 : 0) + digits64(parts.whole) + 1 + decimals + 1);
    }
    const char* sign = parts.negative ? "-" : "";
    if (decimals == 0) {
      written =
          std::snprintf(buffer, capacity, "%s%llu.", sign, static_cast<unsigned long long>(parts.whole));
    } else {
      written =
          std::snprintf(buffer, capacity, "%s%llu.%0*llu", sign, static_cast<unsigned long long>(parts.whole),
                        static_cast<int>(decimals), static_cast<unsigned long long>(parts.fraction));
    }
  } else if (std::isnan(value)) {
    written = std::snprintf(buffer, capacity, "%s", "nan");
  } else if (std::isinf(value)) {
    written = std::snprintf(buffer, capacity, "%s", value < 0 ? "-inf" : "inf");
  } else {
    written =
        std::snprintf(buffer, capacity, "%#.*f", static_cast<int>(decimals), value);  // '#' keeps the point
  }
  int32_t length = lengthOf(written);
  return buffer == nullptr ? length + 1 : length;
}

}  // namespace

int32_t LLKFStringFormatReal32(char* buffer, uint64_t size, int32_t decimals, float value) noexcept {
  return formatReal(buffer, size, decimals, static_cast<double>(value));
}

int32_t LLKFStringFormatReal64(char* buffer, uint64_t size, int32_t decimals, double value) noexcept {
  return formatReal(buffer, size, decimals, value);
}

// ---- Text to numbers ----

namespace {

// Keeps the caller's errno across a strto* call.
class ErrnoKeeper {
 public:
  ErrnoKeeper() noexcept : saved_(errno) { errno = 0; }
  ~ErrnoKeeper() { errno = saved_; }
  ErrnoKeeper(const ErrnoKeeper&) = delete;
  ErrnoKeeper& operator=(const ErrnoKeeper&) = delete;

 private:
  int saved_;
};

// At least 3 characters beginning with "0x".
bool hexadecimalForm(const char* text) noexcept {
  return text[0] == '0' && text[1] == 'x' && text[2] != '\0';
}

// The unsigned number at the start of the text, refused when negative or above max.
bool readUnsigned(const char* text, int base, uint64_t max, uint64_t* value) noexcept {
  const char* at = text;
  while (std::isspace(static_cast<unsigned char>(*at))) ++at;
  if (*at == '-') return false;  // strtoull would wrap it
  ErrnoKeeper keeper;
  char* end = nullptr;
  unsigned long long read = std::strtoull(text, &end, base);
  if (end == text || errno == ERANGE || read > max) return false;
  *value = read;
  return true;
}

// The signed number at the start of the text, refused outside [min, max].
bool readSigned(const char* text, int base, int64_t min, int64_t max, int64_t* value) noexcept {
  ErrnoKeeper keeper;
  char* end = nullptr;
  long long read = std::strtoll(text, &end, base);
  if (end == text || errno == ERANGE || read < min || read > max) return false;
  *value = read;
  return true;
}

}  // namespace

bool LLKFStringConvertToUint32(const char* text, uint32_t* out) noexcept {
  if (text == nullptr || out == nullptr) return false;
  uint64_t value;
  bool hex = hexadecimalForm(text);
  if (!readUnsigned(hex ? text + 2 : text, hex ? 16 : 10, UINT32_MAX, &value)) return false;
  *out = static_cast<uint32_t>(value);
  return true;
}

bool LLKFStringConvertToSint32(const char* text, int32_t* out) noexcept {
  if (text == nullptr || out == nullptr) return false;
  int64_t value;
  if (!readSigned(text, 10, INT32_MIN, INT32_MAX, &value)) return false;
  *out = static_cast<int32_t>(value);
  return true;
}

bool LLKFStringConvertToUint64(const char* text, uint64_t* out) noexcept {
  if (text == nullptr || out == nullptr) return false;
  bool hex = hexadecimalForm(text);
  return readUnsigned(hex ? text + 2 : text, hex ? 16 : 10, UINT64_MAX, out);
}

bool LLKFStringConvertToSint64(const char* text, int64_t* out) noexcept {
  if (text == nullptr || out == nullptr) return false;
  bool hex = hexadecimalForm(text);
  return readSigned(hex ? text + 2 : text, hex ? 16 : 10, INT64_MIN, INT64_MAX, out);
}

bool LLKFStringConvertToReal32(const char* text, float* out) noexcept {
  if (text == nullptr || out == nullptr) return false;
  ErrnoKeeper keeper;
  char* end = nullptr;
  float value = std::strtof(text, &end);
  if (end == text || (errno == ERANGE && std::isinf(value))) return false;  // overflow; underflow reads
  *out = value;
  return true;
}

bool LLKFStringConvertToReal64(const char* text, double* out) noexcept {
  if (text == nullptr || out == nullptr) return false;
  ErrnoKeeper keeper;
  char* end = nullptr;
  double value = std::strtod(text, &end);
  if (end == text || (errno == ERANGE && std::isinf(value))) return false;
  *out = value;
  return true;
}

// ---- Character-set checks ----

bool LLKFStringMayContainsUint(const char* text) noexcept {
  if (text == nullptr) return false;
  int plus = 0;
  for (const char* at = text; *at != '\0'; ++at) {
    if (*at == '+') {
      if (++plus > 1) return false;
    } else if (*at < '0' || *at > '9') {
      return false;
    }
  }
  return true;
}

bool LLKFStringMayContainsSint(const char* text) noexcept {
  if (text == nullptr) return false;
  int signs = 0;
  for (const char* at = text; *at != '\0'; ++at) {
    if (*at == '+' || *at == '-') {
      if (++signs > 1) return false;
    } else if (*at < '0' || *at > '9') {
      return false;
    }
  }
  return true;
}

bool LLKFStringMayContainsReal(const char* text) noexcept {
  if (text == nullptr || *text == '\0') return false;
  int signs = 0, exponents = 0, points = 0;
  for (const char* at = text; *at != '\0'; ++at) {
    char c = *at;
    if (c == '+' || c == '-') {
      ++signs;
    } else if (c == 'E' || c == 'e') {
      ++exponents;
    } else if (c == '.') {
      ++points;
    } else if (c < '0' || c > '9') {
      return false;
    }
  }
  return signs <= 1 && exponents <= 1 && points == 1;
}
