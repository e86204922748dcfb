// Value formatting and number objects, each TXQ benchmark registered right before its peer:
//
//   format-real/TXQ          LLKFStringFormatReal64 with 6 decimals     vs snprintf("%.6f")
//   number-compare/TXQ       LLKCNumber::compareTo (mixed and same types) vs std::variant comparison
//   number-hash/TXQ          LLKCNumber::hashCode                       vs std::hash of the value

#include <benchmark/benchmark.h>

#include <cstdio>
#include <functional>
#include <variant>
#include <vector>

#include <txq/llk/object/LLKCAutoreleasePool.h>
#include <txq/llk/values/LLKCNumber.h>
#include <txq/llk/values/LLKFNumberText.h>

namespace {

const std::vector<double>& reals() {
  static const std::vector<double> values = {0.0, 1.05, -273.15, 3.14159265358979, 123456.789012,
                                             -0.000123, 9.999999, 42.0, 1e9 + 0.5, -7.25};
  return values;
}

void formatRealTXQ(benchmark::State& state) {
  char buffer[64];
  size_t i = 0;
  for (auto _ : state) {
    benchmark::DoNotOptimize(LLKFStringFormatReal64(buffer, sizeof buffer, 6, reals()[i]));
    benchmark::ClobberMemory();
    i = i + 1 == reals().size() ? 0 : i + 1;
  }
}

void formatRealSnprintf(benchmark::State& state) {
  char buffer[64];
  size_t i = 0;
  for (auto _ : state) {
    benchmark::DoNotOptimize(std::snprintf(buffer, sizeof buffer, "%.6f", reals()[i]));
    benchmark::ClobberMemory();
    i = i + 1 == reals().size() ? 0 : i + 1;
  }
}

using Value = std::variant<bool, int64_t, uint64_t, double>;

// Pairs compared in turn: same type (signed, real) and mixed types (signed against real).
void numberCompareTXQ(benchmark::State& state) {
  LLKCAutoreleasePool* pool = LLKCAutoreleasePool::new_();
  LLKCNumber* numbers[] = {LLKCNumber::numberWithSint(-5), LLKCNumber::numberWithSint(7),
                           LLKCNumber::numberWithReal(2.5), LLKCNumber::numberWithReal(2.5)};
  size_t i = 0;
  for (auto _ : state) {
    benchmark::DoNotOptimize(numbers[i]->compareTo(numbers[(i + 1) & 3]));
    i = (i + 1) & 3;
  }
  pool->release();
}

void numberCompareVariant(benchmark::State& state) {
  Value values[] = {int64_t{-5}, int64_t{7}, 2.5, 2.5};
  size_t i = 0;
  for (auto _ : state) {
    const Value& a = values[i];
    const Value& b = values[(i + 1) & 3];
    benchmark::DoNotOptimize(a < b ? -1 : (b < a ? 1 : 0));
    i = (i + 1) & 3;
  }
}

void numberHashTXQ(benchmark::State& state) {
  LLKCAutoreleasePool* pool = LLKCAutoreleasePool::new_();
  LLKCNumber* number = LLKCNumber::numberWithReal(2.5);
  for (auto _ : state) benchmark::DoNotOptimize(number->hashCode());
  pool->release();
}

void numberHashStd(benchmark::State& state) {
  Value value = 2.5;
  for (auto _ : state) {
    benchmark::DoNotOptimize(std::hash<Value>{}(value));
    benchmark::ClobberMemory();
  }
}

BENCHMARK(formatRealTXQ)->Name("format-real/TXQ");
BENCHMARK(formatRealSnprintf)->Name("format-real/snprintf");
BENCHMARK(numberCompareTXQ)->Name("number-compare/TXQ");
BENCHMARK(numberCompareVariant)->Name("number-compare/std_variant");
BENCHMARK(numberHashTXQ)->Name("number-hash/TXQ");
BENCHMARK(numberHashStd)->Name("number-hash/std_hash");

}  // namespace
