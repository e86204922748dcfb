// The value-keyed object map against the standard library's hash map from strings to shared
// pointers, each TXQ benchmark registered right before its peer:
//
//   map-store+fetch/100000           new map, store 100 000 objects under     vs unordered_map<string,
//                                    string keys, fetch each, free                shared_ptr<T>>: emplace,
//                                                                                 find, destroy
//   map-store+fetch-presized/100000  the same with 100 000 spare buckets and  vs the same after reserve
//                                    entries made first (mapWithCapacity)
//   map-fetch/100000                 fetch each key of a filled map           vs find in a filled map
//
// Both sides start from keys and values made before the timed loop: LLKCString keys (their hash
// is cached by the first use, as for any string used as a key) and std::string keys of the same
// texts, "key-0" to "key-99999" (short enough for the peer's strings to stay inline). Storing
// costs one retain of the key and of the value on the TXQ side, a string copy and an atomic
// shared_ptr copy on the peer's; fetching compares texts on both.

#include <benchmark/benchmark.h>

#include <cstdint>
#include <memory>
#include <string>
#include <unordered_map>
#include <vector>

#include <txq/llk/collections/LLKCObjectMap.h>
#include <txq/llk/object/LLKBObject.h>
#include <txq/llk/values/LLKCString.h>

namespace {

constexpr int64_t kCount = 100000;

// The peer's payload: two words, about what an LLKBObject carries besides its vtable pointer.
struct PeerObject {
  uint64_t a = 0;
  uint64_t b = 0;
};

// The keys and values both sides store, made once.
struct Inputs {
  std::vector<LLKCString*> txqKeys;
  std::vector<LLKBObject*> txqValues;
  std::vector<std::string> peerKeys;
  std::vector<std::shared_ptr<PeerObject>> peerValues;
  Inputs() {
    for (int64_t i = 0; i < kCount; ++i) {
      peerKeys.push_back("key-" + std::to_string(i));
      txqKeys.push_back(LLKCString::alloc()->initWithChars(peerKeys.back().c_str()));
      txqKeys.back()->hashCode();
      txqValues.push_back(LLKBObject::new_());
      peerValues.push_back(std::make_shared<PeerObject>());
    }
  }
  ~Inputs() {
    for (LLKCString* k : txqKeys) k->release();
    for (LLKBObject* v : txqValues) v->release();
  }
};
Inputs& inputs() {
  static Inputs made;
  return made;
}

using PeerMap = std::unordered_map<std::string, std::shared_ptr<PeerObject>>;

LLKCObjectMap* filledMap(bool presized) {
  const Inputs& in = inputs();
  LLKCObjectMap* map = presized ? LLKCObjectMap::alloc()->initWithCapacity(kCount) : LLKCObjectMap::alloc()->init();
  for (int64_t i = 0; i < kCount; ++i) map->store_forKey(in.txqValues[i], in.txqKeys[i]);
  return map;
}

uintptr_t fetchAll(LLKCObjectMap* map) {
  const Inputs& in = inputs();
  uintptr_t sum = 0;
  for (int64_t i = 0; i < kCount; ++i) sum += reinterpret_cast<uintptr_t>(map->fetchForKey(in.txqKeys[i]));
  return sum;
}

void fillPeer(PeerMap& map, bool presized) {
  const Inputs& in = inputs();
  if (presized) map.reserve(kCount);
  for (int64_t i = 0; i < kCount; ++i) map.emplace(in.peerKeys[i], in.peerValues[i]);
}

uintptr_t findAll(const PeerMap& map) {
  const Inputs& in = inputs();
  uintptr_t sum = 0;
  for (int64_t i = 0; i < kCount; ++i) {
    auto found = map.find(in.peerKeys[i]);
    sum += found != map.end() ? reinterpret_cast<uintptr_t>(found->second.get()) : 0;
  }
  return sum;
}

void storeFetchTXQ(benchmark::State& state, bool presized) {
  inputs();
  for (auto _ : state) {
    LLKCObjectMap* map = filledMap(presized);
    benchmark::DoNotOptimize(fetchAll(map));
    map->release();
  }
  state.SetItemsProcessed(state.iterations() * kCount);
}

void storeFetchPeer(benchmark::State& state, bool presized) {
  inputs();
  for (auto _ : state) {
    PeerMap map;
    fillPeer(map, presized);
    benchmark::DoNotOptimize(findAll(map));
  }
  state.SetItemsProcessed(state.iterations() * kCount);
}

void storeFetchTXQ(benchmark::State& state) { storeFetchTXQ(state, false); }
void storeFetchPeer(benchmark::State& state) { storeFetchPeer(state, false); }
void storeFetchPresizedTXQ(benchmark::State& state) { storeFetchTXQ(state, true); }
void storeFetchPresizedPeer(benchmark::State& state) { storeFetchPeer(state, true); }

void fetchTXQ(benchmark::State& state) {
  LLKCObjectMap* map = filledMap(false);
  for (auto _ : state) benchmark::DoNotOptimize(fetchAll(map));
  map->release();
  state.SetItemsProcessed(state.iterations() * kCount);
}

void fetchPeer(benchmark::State& state) {
  PeerMap map;
  fillPeer(map, false);
  for (auto _ : state) benchmark::DoNotOptimize(findAll(map));
  state.SetItemsProcessed(state.iterations() * kCount);
}

// "group/size/TXQ" right before "group/size/peer".
bool registerPair(const char* group, void (*txq)(benchmark::State&), void (*peer)(benchmark::State&)) {
  const std::string prefix = std::string(group) + "/" + std::to_string(kCount) + "/";
  benchmark::RegisterBenchmark((prefix + "TXQ").c_str(), txq)->Unit(benchmark::kMillisecond);
  benchmark::RegisterBenchmark((prefix + "unordered_map").c_str(), peer)->Unit(benchmark::kMillisecond);
  return true;
}

const bool gRegistered = registerPair("map-store+fetch", storeFetchTXQ, storeFetchPeer) &&
                         registerPair("map-store+fetch-presized", storeFetchPresizedTXQ, storeFetchPresizedPeer) &&
                         registerPair("map-fetch", fetchTXQ, fetchPeer);

}  // namespace
