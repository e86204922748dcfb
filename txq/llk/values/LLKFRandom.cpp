#include <txq/llk/values/LLKFRandom.h>

#include <sys/times.h>

#include <cstdlib>

void LLKFRandomSeed(uint64_t seed) noexcept {
  if (seed == 0) {
    struct tms ignored;
    seed = static_cast<uint64_t>(times(&ignored));
  }
  std::srand(static_cast<unsigned>(seed & 0xffffffffu));
}
