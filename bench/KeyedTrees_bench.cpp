// LLKCDictionary beside std::unordered_map: N distinct string keys made once, outside the timed
// loop; one round stores a signed value under each key, fetches each back, and empties the container
// (the dictionary keeps its nodes as spares, the map frees its nodes).
//
//   dictionary-store+fetch/N   storeSint + fetchSint per key, clear   vs emplace + find, clear

#include <benchmark/benchmark.h>

#include <cstdint>
#include <string>
#include <unordered_map>
#include <vector>

#include <txq/llk/collections/LLKCDictionary.h>
#include <txq/llk/object/LLKAutoreleaseScope.h>
#include <txq/llk/values/LLKCString.h>

namespace {

std::string keyAt(int64_t i) { return "key-" + std::to_string(i * 2654435761u % 1000003u); }

void storeFetchTXQ(benchmark::State& state, int64_t n) {
  std::vector<LLKCString*> keys;
  for (int64_t i = 0; i < n; ++i) keys.push_back(LLKCString::alloc()->initWithChars(keyAt(i).c_str()));
  LLKCDictionary* dictionary = LLKCDictionary::new_();
  for (auto _ : state) {
    for (int64_t i = 0; i < n; ++i) dictionary->storeSint_forKey(i, keys[static_cast<size_t>(i)]);
    int64_t sum = 0;
    for (int64_t i = 0; i < n; ++i) {
      int64_t value = 0;
      dictionary->fetchSint_forKey(&value, keys[static_cast<size_t>(i)]);
      sum += value;
    }
    benchmark::DoNotOptimize(sum);
    dictionary->clear();
  }
  state.SetItemsProcessed(state.iterations() * n);
  dictionary->release();
  for (LLKCString* key : keys) key->release();
}

void storeFetchPeer(benchmark::State& state, int64_t n) {
  std::vector<std::string> keys;
  for (int64_t i = 0; i < n; ++i) keys.push_back(keyAt(i));
  std::unordered_map<std::string, int64_t> map;
  for (auto _ : state) {
    for (int64_t i = 0; i < n; ++i) map.emplace(keys[static_cast<size_t>(i)], i);
    int64_t sum = 0;
    for (int64_t i = 0; i < n; ++i) sum += map.find(keys[static_cast<size_t>(i)])->second;
    benchmark::DoNotOptimize(sum);
    map.clear();
  }
  state.SetItemsProcessed(state.iterations() * n);
}

const bool gRegistered = [] {
  for (int64_t n : {1000, 100000}) {
    const std::string prefix = "dictionary-store+fetch/" + std::to_string(n) + "/";
    benchmark::RegisterBenchmark((prefix + "TXQ").c_str(), storeFetchTXQ, n);
    benchmark::RegisterBenchmark((prefix + "std_unordered_map").c_str(), storeFetchPeer, n);
  }
  return true;
}();

}  // namespace
