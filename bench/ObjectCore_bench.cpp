// Object core and strings: each TXQ benchmark is registered right before a peer that does the same
// work with the standard library, so the two figures come from one binary and one run and their
// ratio is what matters (absolute times move with the machine and its load).
//
//   retain/...        retain + release on one object          vs shared_ptr copy + destroy
//   autorelease/...   retain + autorelease, pool drained       vs shared_ptr copy + destroy
//   new+autorelease/  new_ + autorelease, pool drained         vs make_shared + destroy
//   hash32/...        LLKFComputeHashcode32 over N bytes       vs std::hash<std::string_view>
//   string/...        alloc + initWithChars + release          vs std::string construct + destroy
//   string-factory/   stringWithChars, pool drained every 64   vs std::string construct + destroy

#include <benchmark/benchmark.h>

#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <string_view>
#include <thread>
#include <vector>

#include <txq/llk/object/LLKBObject.h>
#include <txq/llk/object/LLKCAutoreleasePool.h>
#include <txq/llk/values/LLKCString.h>
#include <txq/llk/values/LLKFHash.h>

namespace {

// The peer's payload: two words, about what an LLKBObject carries besides its vtable pointer.
struct PeerObject {
  uint64_t a = 0;
  uint64_t b = 0;
};

// ---- retain + release ----

void retainRelease(benchmark::State& state, int64_t) {
  LLKBObject* object = LLKBObject::new_();
  for (auto _ : state) {
    object->retain();
    object->release();
  }
  benchmark::DoNotOptimize(object->retainCount());
  object->release();
}

void sharedPtrCopy(benchmark::State& state, int64_t) {
  auto shared = std::make_shared<PeerObject>();
  for (auto _ : state) {
    std::shared_ptr<PeerObject> copy = shared;
    benchmark::DoNotOptimize(copy);
  }
}

// ---- autorelease ----
// `every` objects go into the pool between two drains; the drain is inside the timed loop,
// so each iteration carries 1/N of it. Objects left over when the loop ends drain untimed.

void retainAutorelease(benchmark::State& state, int64_t every) {
  LLKBObject* object = LLKBObject::new_();
  LLKCAutoreleasePool* pool = LLKCAutoreleasePool::new_();
  int64_t pending = 0;
  for (auto _ : state) {
    object->retain();
    object->autorelease();
    if (++pending == every) {
      pool->sink();
      pending = 0;
    }
  }
  pool->release();
  object->release();
}

void newAutorelease(benchmark::State& state, int64_t every) {
  LLKCAutoreleasePool* pool = LLKCAutoreleasePool::new_();
  int64_t pending = 0;
  for (auto _ : state) {
    LLKBObject* object = LLKBObject::new_();
    benchmark::DoNotOptimize(object->autorelease());
    if (++pending == every) {
      pool->sink();
      pending = 0;
    }
  }
  pool->release();
}

void makeShared(benchmark::State& state, int64_t) {
  for (auto _ : state) {
    auto made = std::make_shared<PeerObject>();
    benchmark::DoNotOptimize(made);
  }
}

// ---- hashing ----

const std::vector<uint8_t>& hashInput() {
  static const std::vector<uint8_t> bytes = [] {
    std::vector<uint8_t> made(size_t{1} << 20);
    uint32_t x = 0x9E3779B9u;  // xorshift: fixed, non-repeating content
    for (uint8_t& b : made) {
      x ^= x << 13;
      x ^= x >> 17;
      x ^= x << 5;
      b = static_cast<uint8_t>(x);
    }
    return made;
  }();
  return bytes;
}

void hashMaPrime(benchmark::State& state, int64_t length) {
  const uint8_t* bytes = hashInput().data();
  const auto n = static_cast<uint64_t>(length);
  for (auto _ : state) {
    benchmark::DoNotOptimize(bytes);
    benchmark::DoNotOptimize(LLKFComputeHashcode32(bytes, n));
  }
  state.SetBytesProcessed(state.iterations() * length);
}

void hashStd(benchmark::State& state, int64_t length) {
  const char* bytes = reinterpret_cast<const char*>(hashInput().data());
  const auto n = static_cast<size_t>(length);
  const std::hash<std::string_view> hasher;
  for (auto _ : state) {
    benchmark::DoNotOptimize(bytes);
    benchmark::DoNotOptimize(hasher(std::string_view(bytes, n)));
  }
  state.SetBytesProcessed(state.iterations() * length);
}

// ---- strings ----
// Both sides start from a C string and measure its length (strlen) as part of the work. The text
// pointer goes through DoNotOptimize every iteration so neither side can fold the length.

constexpr const char* kText10 = "abcdefghij";
constexpr const char* kText100 =
    "The quick brown fox jumps over the lazy dog; pack my box with five dozen liquor jugs, 0123456789 ok.";
static_assert(std::char_traits<char>::length(kText10) == 10);
static_assert(std::char_traits<char>::length(kText100) == 100);

const char* textOfLength(int64_t length) { return length <= 10 ? kText10 : kText100; }

// Owned string, no pool: +1 from alloc/initWithChars, freed by the release.
void stringInitRelease(benchmark::State& state, int64_t length) {
  const char* text = textOfLength(length);
  for (auto _ : state) {
    benchmark::DoNotOptimize(text);
    LLKCString* string = LLKCString::alloc()->initWithChars(text);
    benchmark::DoNotOptimize(string->iString);
    string->release();
  }
}

// The factory form: autoreleased strings, the pool drained every 64 (drain timed).
void stringFactory(benchmark::State& state, int64_t length) {
  const char* text = textOfLength(length);
  LLKCAutoreleasePool* pool = LLKCAutoreleasePool::new_();
  int pending = 0;
  for (auto _ : state) {
    benchmark::DoNotOptimize(text);
    LLKCString* string = LLKCString::stringWithChars(text);
    benchmark::DoNotOptimize(string->iString);
    if (++pending == 64) {
      pool->sink();
      pending = 0;
    }
  }
  pool->release();
}

void stdString(benchmark::State& state, int64_t length) {
  const char* text = textOfLength(length);
  for (auto _ : state) {
    benchmark::DoNotOptimize(text);
    std::string string(text);
    benchmark::DoNotOptimize(string.data());
  }
}

using Fn = void (*)(benchmark::State&, int64_t);

// One TXQ benchmark and its peer, adjacent in the run and in the report: "group[/arg]/TXQ" then
// "group[/arg]/peer". The argument (pool interval, byte count, text length) goes to both.
void pair(const std::string& group, Fn txq, Fn peer, const char* peerName, int64_t arg = -1) {
  const std::string prefix = arg >= 0 ? group + "/" + std::to_string(arg) : group;
  benchmark::RegisterBenchmark((prefix + "/TXQ").c_str(), txq, arg);
  benchmark::RegisterBenchmark((prefix + "/" + peerName).c_str(), peer, arg);
}

void registerAll() {
  pair("retain+release", retainRelease, sharedPtrCopy, "shared_ptr_copy");
  for (int64_t every : {64, 1024})
    pair("retain+autorelease", retainAutorelease, sharedPtrCopy, "shared_ptr_copy", every);
  for (int64_t every : {64, 1024})
    pair("new+autorelease", newAutorelease, makeShared, "make_shared", every);
  for (int64_t bytes : {16, 1024, 1 << 20}) pair("hash32", hashMaPrime, hashStd, "std_hash", bytes);
  for (int64_t length : {10, 100}) pair("string", stringInitRelease, stdString, "std_string", length);
  for (int64_t length : {10, 100}) pair("string-factory", stringFactory, stdString, "std_string", length);
}

}  // namespace

int main(int argc, char** argv) {
  // libstdc++ keeps shared_ptr counts with plain (non-atomic) arithmetic while the process has never
  // started a thread. TXQ objects are always counted atomically, so start and join one thread first:
  // from then on shared_ptr uses atomic operations, as it does in any real multithreaded program.
  std::thread([] {}).join();

  benchmark::Initialize(&argc, argv);
  if (benchmark::ReportUnrecognizedArguments(argc, argv)) return 1;
  registerAll();
  benchmark::RunSpecifiedBenchmarks();
  benchmark::Shutdown();
  return 0;
}
