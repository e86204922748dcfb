// Dense sequence containers beside the standard library holding shared_ptr. Each TXQ benchmark is
// registered right before its peer; one round does the work for N elements, and every round stores
// the same object (one object retained N times against one shared_ptr copied N times), so the
// figures compare the containers and their reference counting, not allocation of the elements.
//
//   deque-back-in-front-out/N   append N, removeHead N        vs deque push_back + pop_front
//   deque-front-in-back-out/N   prepend N, removeTail N       vs deque push_front + pop_back
//   array-append/N              append N, clear (slots kept)  vs vector push_back N, clear
//   array-append-new/N          new array, append N, release  vs new vector, push_back N, destroy
//   array-append+fetch/N        append N then fetch each      vs push_back N then operator[] each
//   array-fetch/N               fetch each of N               vs operator[] + get() each

#include <benchmark/benchmark.h>

#include <cstdint>
#include <deque>
#include <memory>
#include <string>
#include <vector>

#include <txq/llk/collections/LLKCObjectArray.h>
#include <txq/llk/collections/LLKCObjectDeque.h>
#include <txq/llk/object/LLKBObject.h>

namespace {

// The peer's payload: two words, about what an LLKBObject carries besides its vtable pointer.
struct PeerObject {
  uint64_t a = 0;
  uint64_t b = 0;
};

// ---- deque: both ends ----

void dequeBackInFrontOutTXQ(benchmark::State& state, int64_t n) {
  LLKBObject* object = LLKBObject::new_();
  LLKCObjectDeque* deque = LLKCObjectDeque::new_();
  for (auto _ : state) {
    for (int64_t i = 0; i < n; ++i) deque->append(object);
    for (int64_t i = 0; i < n; ++i) deque->removeHead();
  }
  benchmark::DoNotOptimize(deque->count());
  deque->release();
  object->release();
  state.SetItemsProcessed(state.iterations() * n);
}

void dequeBackInFrontOutPeer(benchmark::State& state, int64_t n) {
  auto object = std::make_shared<PeerObject>();
  std::deque<std::shared_ptr<PeerObject>> deque;
  for (auto _ : state) {
    for (int64_t i = 0; i < n; ++i) deque.push_back(object);
    for (int64_t i = 0; i < n; ++i) deque.pop_front();
  }
  benchmark::DoNotOptimize(deque.size());
  state.SetItemsProcessed(state.iterations() * n);
}

void dequeFrontInBackOutTXQ(benchmark::State& state, int64_t n) {
  LLKBObject* object = LLKBObject::new_();
  LLKCObjectDeque* deque = LLKCObjectDeque::new_();
  for (auto _ : state) {
    for (int64_t i = 0; i < n; ++i) deque->prepend(object);
    for (int64_t i = 0; i < n; ++i) deque->removeTail();
  }
  benchmark::DoNotOptimize(deque->count());
  deque->release();
  object->release();
  state.SetItemsProcessed(state.iterations() * n);
}

void dequeFrontInBackOutPeer(benchmark::State& state, int64_t n) {
  auto object = std::make_shared<PeerObject>();
  std::deque<std::shared_ptr<PeerObject>> deque;
  for (auto _ : state) {
    for (int64_t i = 0; i < n; ++i) deque.push_front(object);
    for (int64_t i = 0; i < n; ++i) deque.pop_back();
  }
  benchmark::DoNotOptimize(deque.size());
  state.SetItemsProcessed(state.iterations() * n);
}

// ---- array: append ----

void arrayAppendTXQ(benchmark::State& state, int64_t n) {
  LLKBObject* object = LLKBObject::new_();
  LLKCObjectArray* array = LLKCObjectArray::new_();
  for (auto _ : state) {
    for (int64_t i = 0; i < n; ++i) array->append(object);
    array->clear();
  }
  array->release();
  object->release();
  state.SetItemsProcessed(state.iterations() * n);
}

void arrayAppendPeer(benchmark::State& state, int64_t n) {
  auto object = std::make_shared<PeerObject>();
  std::vector<std::shared_ptr<PeerObject>> vector;
  for (auto _ : state) {
    for (int64_t i = 0; i < n; ++i) vector.push_back(object);
    vector.clear();
  }
  state.SetItemsProcessed(state.iterations() * n);
}

void arrayAppendNewTXQ(benchmark::State& state, int64_t n) {
  LLKBObject* object = LLKBObject::new_();
  for (auto _ : state) {
    LLKCObjectArray* array = LLKCObjectArray::new_();
    for (int64_t i = 0; i < n; ++i) array->append(object);
    benchmark::DoNotOptimize(array->count());
    array->release();
  }
  object->release();
  state.SetItemsProcessed(state.iterations() * n);
}

void arrayAppendNewPeer(benchmark::State& state, int64_t n) {
  auto object = std::make_shared<PeerObject>();
  for (auto _ : state) {
    std::vector<std::shared_ptr<PeerObject>> vector;
    for (int64_t i = 0; i < n; ++i) vector.push_back(object);
    benchmark::DoNotOptimize(vector.size());
  }
  state.SetItemsProcessed(state.iterations() * n);
}

// ---- array: append then index ----

void arrayAppendFetchTXQ(benchmark::State& state, int64_t n) {
  LLKBObject* object = LLKBObject::new_();
  LLKCObjectArray* array = LLKCObjectArray::new_();
  for (auto _ : state) {
    for (int64_t i = 0; i < n; ++i) array->append(object);
    for (int64_t i = 0; i < n; ++i) benchmark::DoNotOptimize(array->fetchAtIndex(static_cast<uint64_t>(i)));
    array->clear();
  }
  array->release();
  object->release();
  state.SetItemsProcessed(state.iterations() * n);
}

void arrayAppendFetchPeer(benchmark::State& state, int64_t n) {
  auto object = std::make_shared<PeerObject>();
  std::vector<std::shared_ptr<PeerObject>> vector;
  for (auto _ : state) {
    for (int64_t i = 0; i < n; ++i) vector.push_back(object);
    for (int64_t i = 0; i < n; ++i) benchmark::DoNotOptimize(vector[static_cast<size_t>(i)].get());
    vector.clear();
  }
  state.SetItemsProcessed(state.iterations() * n);
}

void arrayFetchTXQ(benchmark::State& state, int64_t n) {
  LLKBObject* object = LLKBObject::new_();
  LLKCObjectArray* array = LLKCObjectArray::new_();
  for (int64_t i = 0; i < n; ++i) array->append(object);
  for (auto _ : state) {
    for (int64_t i = 0; i < n; ++i) benchmark::DoNotOptimize(array->fetchAtIndex(static_cast<uint64_t>(i)));
  }
  array->release();
  object->release();
  state.SetItemsProcessed(state.iterations() * n);
}

void arrayFetchPeer(benchmark::State& state, int64_t n) {
  auto object = std::make_shared<PeerObject>();
  std::vector<std::shared_ptr<PeerObject>> vector(static_cast<size_t>(n), object);
  for (auto _ : state) {
    for (int64_t i = 0; i < n; ++i) benchmark::DoNotOptimize(vector[static_cast<size_t>(i)].get());
  }
  state.SetItemsProcessed(state.iterations() * n);
}

using Fn = void (*)(benchmark::State&, int64_t);

// "group/N/TXQ" right before "group/N/<peer>".
bool registerPair(const char* group, Fn txq, Fn peer, const char* peerName) {
  for (int64_t n : {16, 1000}) {
    const std::string prefix = std::string(group) + "/" + std::to_string(n) + "/";
    benchmark::RegisterBenchmark((prefix + "TXQ").c_str(), txq, n);
    benchmark::RegisterBenchmark((prefix + peerName).c_str(), peer, n);
  }
  return true;
}

const bool gRegistered =
    registerPair("deque-back-in-front-out", dequeBackInFrontOutTXQ, dequeBackInFrontOutPeer, "std_deque") &&
    registerPair("deque-front-in-back-out", dequeFrontInBackOutTXQ, dequeFrontInBackOutPeer, "std_deque") &&
    registerPair("array-append", arrayAppendTXQ, arrayAppendPeer, "std_vector") &&
    registerPair("array-append-new", arrayAppendNewTXQ, arrayAppendNewPeer, "std_vector") &&
    registerPair("array-append+fetch", arrayAppendFetchTXQ, arrayAppendFetchPeer, "std_vector") &&
    registerPair("array-fetch", arrayFetchTXQ, arrayFetchPeer, "std_vector");

}  // namespace
