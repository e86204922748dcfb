// The keyed object table against the standard library's hash map holding shared pointers, each TXQ
// benchmark registered right before its peer:
//
//   table-store+fetch/100000             new table, store 100 000 objects    vs unordered_map<uint64_t,
//                                        under uint64 keys, fetch each, free     shared_ptr<T>>: emplace,
//                                                                                 find, destroy
//   table-store+fetch-presized/100000    the same with 100 000 spare entries  vs the same after reserve
//                                        made first (tableWithCapacity)
//   table-fetch/100000                   fetch each key of a filled table     vs find in a filled map
//   table-store+fetch-arithmetic/100000  as the first, keys k, 2k, 3k, ...    vs the same keys
//
// Both sides store objects made before the timed loop, so storing costs one retain (an atomic
// increment: the shared_ptr copy is atomic too, as the process has started a thread) and freeing
// one release per entry. Keys are pseudo-random 64-bit values (a fixed splitmix64 sequence), looked
// up in the order they were stored. The arithmetic pair shows the standard map's best case: its
// hash of an integer is the integer itself, so keys in arithmetic progression walk its bucket array
// with a constant stride that the processor prefetches; the table mixes every key (uthash buckets
// are picked by the low bits of the hash) and pays for a cache miss where the map does not.

#include <benchmark/benchmark.h>

#include <cstdint>
#include <memory>
#include <string>
#include <unordered_map>
#include <vector>

#include <txq/llk/collections/LLKCObjectTable.h>
#include <txq/llk/object/LLKBObject.h>

namespace {

constexpr int64_t kCount = 100000;

// The peer's payload: two words, about what an LLKBObject carries besides its vtable pointer.
struct PeerObject {
  uint64_t a = 0;
  uint64_t b = 0;
};

// splitmix64: distinct for distinct i.
uint64_t randomKeyAt(int64_t i) {
  uint64_t x = static_cast<uint64_t>(i) * 0x9E3779B97F4A7C15u + 0x9E3779B97F4A7C15u;
  x = (x ^ (x >> 30)) * 0xBF58476D1CE4E5B9u;
  x = (x ^ (x >> 27)) * 0x94D049BB133111EBu;
  return x ^ (x >> 31);
}
uint64_t arithmeticKeyAt(int64_t i) { return static_cast<uint64_t>(i + 1) * 0x9E3779B97F4A7C15u; }

// The keys of a run, made once (both sides read the same vector).
const std::vector<uint64_t>& keys(bool arithmetic) {
  static const std::vector<uint64_t> random = [] {
    std::vector<uint64_t> k;
    for (int64_t i = 0; i < kCount; ++i) k.push_back(randomKeyAt(i));
    return k;
  }();
  static const std::vector<uint64_t> progression = [] {
    std::vector<uint64_t> k;
    for (int64_t i = 0; i < kCount; ++i) k.push_back(arithmeticKeyAt(i));
    return k;
  }();
  return arithmetic ? progression : random;
}

// The objects both sides store, made once.
struct Objects {
  std::vector<LLKBObject*> txq;
  std::vector<std::shared_ptr<PeerObject>> peer;
  Objects() {
    for (int64_t i = 0; i < kCount; ++i) {
      txq.push_back(LLKBObject::new_());
      peer.push_back(std::make_shared<PeerObject>());
    }
  }
  ~Objects() {
    for (LLKBObject* o : txq) o->release();
  }
};
Objects& objects() {
  static Objects made;
  return made;
}

void storeFetchTXQ(benchmark::State& state, bool presized, bool arithmetic) {
  const std::vector<LLKBObject*>& txq = objects().txq;
  const std::vector<uint64_t>& key = keys(arithmetic);
  for (auto _ : state) {
    LLKCObjectTable* table =
        presized ? LLKCObjectTable::alloc()->initWithCapacity(kCount) : LLKCObjectTable::alloc()->init();
    for (int64_t i = 0; i < kCount; ++i) table->store_forKey(txq[i], key[i]);
    uintptr_t sum = 0;
    for (int64_t i = 0; i < kCount; ++i) sum += reinterpret_cast<uintptr_t>(table->fetchForKey(key[i]));
    benchmark::DoNotOptimize(sum);
    table->release();
  }
  state.SetItemsProcessed(state.iterations() * kCount);
}

void storeFetchPeer(benchmark::State& state, bool presized, bool arithmetic) {
  const std::vector<std::shared_ptr<PeerObject>>& peer = objects().peer;
  const std::vector<uint64_t>& key = keys(arithmetic);
  for (auto _ : state) {
    std::unordered_map<uint64_t, std::shared_ptr<PeerObject>> map;
    if (presized) map.reserve(kCount);
    for (int64_t i = 0; i < kCount; ++i) map.emplace(key[i], peer[i]);
    uintptr_t sum = 0;
    for (int64_t i = 0; i < kCount; ++i) {
      auto found = map.find(key[i]);
      sum += found != map.end() ? reinterpret_cast<uintptr_t>(found->second.get()) : 0;
    }
    benchmark::DoNotOptimize(sum);
  }
  state.SetItemsProcessed(state.iterations() * kCount);
}

void storeFetchTXQ(benchmark::State& state) { storeFetchTXQ(state, false, false); }
void storeFetchPeer(benchmark::State& state) { storeFetchPeer(state, false, false); }
void storeFetchPresizedTXQ(benchmark::State& state) { storeFetchTXQ(state, true, false); }
void storeFetchPresizedPeer(benchmark::State& state) { storeFetchPeer(state, true, false); }
void storeFetchArithmeticTXQ(benchmark::State& state) { storeFetchTXQ(state, false, true); }
void storeFetchArithmeticPeer(benchmark::State& state) { storeFetchPeer(state, false, true); }

void fetchTXQ(benchmark::State& state) {
  const std::vector<LLKBObject*>& txq = objects().txq;
  const std::vector<uint64_t>& key = keys(false);
  LLKCObjectTable* table = LLKCObjectTable::alloc()->init();
  for (int64_t i = 0; i < kCount; ++i) table->store_forKey(txq[i], key[i]);
  for (auto _ : state) {
    uintptr_t sum = 0;
    for (int64_t i = 0; i < kCount; ++i) sum += reinterpret_cast<uintptr_t>(table->fetchForKey(key[i]));
    benchmark::DoNotOptimize(sum);
  }
  table->release();
  state.SetItemsProcessed(state.iterations() * kCount);
}

void fetchPeer(benchmark::State& state) {
  const std::vector<std::shared_ptr<PeerObject>>& peer = objects().peer;
  const std::vector<uint64_t>& key = keys(false);
  std::unordered_map<uint64_t, std::shared_ptr<PeerObject>> map;
  for (int64_t i = 0; i < kCount; ++i) map.emplace(key[i], peer[i]);
  for (auto _ : state) {
    uintptr_t sum = 0;
    for (int64_t i = 0; i < kCount; ++i) {
      auto found = map.find(key[i]);
      sum += found != map.end() ? reinterpret_cast<uintptr_t>(found->second.get()) : 0;
    }
    benchmark::DoNotOptimize(sum);
  }
  state.SetItemsProcessed(state.iterations() * kCount);
}

// "group/size/TXQ" right before "group/size/peer".
bool registerPair(const char* group, void (*txq)(benchmark::State&), void (*peer)(benchmark::State&)) {
  const std::string prefix = std::string(group) + "/" + std::to_string(kCount) + "/";
  benchmark::RegisterBenchmark((prefix + "TXQ").c_str(), txq)->Unit(benchmark::kMillisecond);
  benchmark::RegisterBenchmark((prefix + "unordered_map").c_str(), peer)->Unit(benchmark::kMillisecond);
  return true;
}

const bool gRegistered = registerPair("table-store+fetch", storeFetchTXQ, storeFetchPeer) &&
                         registerPair("table-store+fetch-presized", storeFetchPresizedTXQ, storeFetchPresizedPeer) &&
                         registerPair("table-fetch", fetchTXQ, fetchPeer) &&
                         registerPair("table-store+fetch-arithmetic", storeFetchArithmeticTXQ, storeFetchArithmeticPeer);

}  // namespace
