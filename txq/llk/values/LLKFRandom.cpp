#include <txq/llk/values/LLKFRandom.h>

#include <sys/times.h>

#include <cmath>
#include <cstdlib>

namespace {

constexpr double kRandMax = 2147483647.0;  // RAND_MAX of the C library
constexpr double kTwoTo64 = 18446744073709551616.0;

uint64_t draw() noexcept { return static_cast<uint64_t>(std::rand()); }

}  // namespace

void LLKFRandomSeed(uint64_t seed) noexcept {
  if (seed == 0) {
    struct tms ignored;
    seed = static_cast<uint64_t>(times(&ignored));
  }
  std::srand(static_cast<unsigned>(seed & 0xffffffffu));
}

double LLKFRandomDraw(void) noexcept { return static_cast<double>(std::rand()) / kRandMax; }

double LLKFRandomDrawWithSeed(uint32_t* seed) noexcept {
  if (seed == nullptr) return 0;
  unsigned state = *seed;
  double value = static_cast<double>(rand_r(&state)) / kRandMax;
  *seed = state;
  return value;
}

double LLKFRandomDrawWithRange(double lo, double hi) noexcept {
  if (!(lo < hi)) return lo;
  double d = LLKFRandomDraw();
  double span = hi - lo;
  // A span beyond the largest double (lo and hi of opposite signs, both huge) is mixed instead.
  double value = std::isfinite(span) ? lo + d * span : lo * (1 - d) + hi * d;
  if (value < lo) return lo;
  if (value > hi) return hi;
  return value;
}

uint64_t LLKFRandomDrawUint(void) noexcept {
  uint64_t first = draw();
  return (first << 32) + draw();
}

int64_t LLKFRandomDrawSint(void) noexcept {
  uint64_t first = draw();
  return static_cast<int64_t>((first << 32) + draw());  // below 2^63: rand() has 31 bits
}

uint64_t LLKFRandomDrawWithRangeUint(uint64_t lo, uint64_t hi) noexcept {
  if (lo >= hi) return lo;
  return lo + draw() % (hi - lo);  // below hi, since the remainder is below the span
}

int64_t LLKFRandomDrawWithRangeSint(int64_t lo, int64_t hi) noexcept {
  if (lo == INT64_MIN && hi == INT64_MAX) {
    uint64_t a = draw();
    uint64_t b = draw();
    uint64_t c = draw();
    int64_t v = static_cast<int64_t>((a << 32) + b);  // below 2^63
    return (c & 1) != 0 ? -v : v;
  }
  if (lo >= hi) return lo;
  // The distance hi - lo fits uint64; the span hi + 1 - lo does too, because the full range was
  // handled above.
  uint64_t distance = static_cast<uint64_t>(hi) - static_cast<uint64_t>(lo);
  double offset = static_cast<double>(distance + 1) * (static_cast<double>(draw()) / kRandMax);
  uint64_t step = offset >= kTwoTo64 ? UINT64_MAX : static_cast<uint64_t>(offset);
  if (step > distance) step = distance;  // a full draw lands one past hi
  return static_cast<int64_t>(static_cast<uint64_t>(lo) + step);
}
