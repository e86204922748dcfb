// The binary coder beside MessagePack through nlohmann/json, on equivalent data built once outside
// the timed loop: encoding writes the whole graph into a reused memory block (vs a reused byte
// vector), decoding rebuilds the whole graph from the bytes and frees it again (vs a json value).
// Items are the elements of the graph.
//
//   coding/numbers-encode|decode/100000    an array of signed numbers
//   coding/strings-encode|decode/100000    an array of 5-12 character strings
//   coding/dictionary-encode|decode/10000  a dictionary of mixed values (integers, reals, booleans,
//                                          strings) under string keys

#include <benchmark/benchmark.h>

#include <nlohmann/json.hpp>

#include <cstdint>
#include <cstdio>
#include <string>
#include <vector>

#include <txq/llk/coding/LLKCBinaryDecoder.h>
#include <txq/llk/coding/LLKCBinaryEncoder.h>
#include <txq/llk/coding/LLKCMemoryIO.h>
#include <txq/llk/collections/LLKCDictionary.h>
#include <txq/llk/collections/LLKCObjectArray.h>
#include <txq/llk/object/LLKAutoreleaseScope.h>
#include <txq/llk/values/LLKCNumber.h>
#include <txq/llk/values/LLKCString.h>

namespace {

using json = nlohmann::json;

int64_t numberAt(int64_t i) { return i * 7919 - 500000; }

std::string textAt(int64_t i) {
  char text[16];
  std::snprintf(text, sizeof(text), "w%0*lld", static_cast<int>(4 + i % 8), static_cast<long long>(i));
  return text;
}

// ---- Graphs ----

LLKCObjectArray* numbersTXQ(int64_t n) {
  llk::AutoreleaseScope pool;
  LLKCObjectArray* array = LLKCObjectArray::alloc()->initWithCapacity(n);
  for (int64_t i = 0; i < n; ++i) array->append(LLKCNumber::numberWithSint(numberAt(i)));
  return array;
}

json numbersPeer(int64_t n) {
  json array = json::array();
  for (int64_t i = 0; i < n; ++i) array.push_back(numberAt(i));
  return array;
}

LLKCObjectArray* stringsTXQ(int64_t n) {
  llk::AutoreleaseScope pool;
  LLKCObjectArray* array = LLKCObjectArray::alloc()->initWithCapacity(n);
  for (int64_t i = 0; i < n; ++i) array->append(LLKCString::stringWithChars(textAt(i).c_str()));
  return array;
}

json stringsPeer(int64_t n) {
  json array = json::array();
  for (int64_t i = 0; i < n; ++i) array.push_back(textAt(i));
  return array;
}

LLKCDictionary* dictionaryTXQ(int64_t n) {
  llk::AutoreleaseScope pool;
  LLKCDictionary* dictionary = LLKCDictionary::alloc()->initWithCapacity(n);
  for (int64_t i = 0; i < n; ++i) {
    LLKCString* key = LLKCString::stringWithFormat("key%lld", static_cast<long long>(i));
    switch (i % 4) {
      case 0: dictionary->storeSint_forKey(numberAt(i), key); break;
      case 1: dictionary->storeReal_forKey(static_cast<double>(i) / 8, key); break;
      case 2: dictionary->storeBool_forKey(i % 8 == 2, key); break;
      default: dictionary->storeObject_forKey(LLKCString::stringWithChars(textAt(i).c_str()), key); break;
    }
  }
  return dictionary;
}

json dictionaryPeer(int64_t n) {
  json object = json::object();
  for (int64_t i = 0; i < n; ++i) {
    const std::string key = "key" + std::to_string(i);
    switch (i % 4) {
      case 0: object[key] = numberAt(i); break;
      case 1: object[key] = static_cast<double>(i) / 8; break;
      case 2: object[key] = i % 8 == 2; break;
      default: object[key] = textAt(i); break;
    }
  }
  return object;
}

// ---- The runs ----

// Encodes `graph` into `memory` from its start; the stream's length.
uint64_t encode(LLKCBinaryEncoder* encoder, LLKCMemoryIO* memory, LLKBObject* graph) {
  memory->rewind();
  encoder->beginWithTarget(memory);
  encoder->encodeObject(graph);
  encoder->cease();
  return memory->position();
}

using MakeTXQ = LLKBObject* (*)(int64_t);
using MakePeer = json (*)(int64_t);

void encodeTXQ(benchmark::State& state, MakeTXQ make, int64_t items) {
  LLKBObject* graph = make(items);
  LLKCMemoryIO* memory = LLKCMemoryIO::alloc()->initWithLength_andBlockSize(0, 1 << 20);
  LLKCBinaryEncoder* encoder = LLKCBinaryEncoder::new_();
  uint64_t bytes = 0;
  for (auto _ : state) bytes = encode(encoder, memory, graph);
  state.SetItemsProcessed(state.iterations() * items);
  state.counters["bytes"] = static_cast<double>(bytes);
  encoder->release();
  memory->release();
  graph->release();
}

void decodeTXQ(benchmark::State& state, MakeTXQ make, int64_t items) {
  LLKBObject* graph = make(items);
  LLKCMemoryIO* memory = LLKCMemoryIO::alloc()->initWithLength_andBlockSize(0, 1 << 20);
  LLKCBinaryEncoder* encoder = LLKCBinaryEncoder::new_();
  const uint64_t length = encode(encoder, memory, graph);
  LLKCBinaryDecoder* decoder = LLKCBinaryDecoder::new_();
  for (auto _ : state) {
    llk::AutoreleaseScope pool;
    memory->rewind();
    decoder->beginWithSource(memory);
    LLKBObject* back = decoder->decodeObject();
    decoder->cease();
    if (back == nullptr) state.SkipWithError("decoding failed");
    benchmark::DoNotOptimize(back);
  }
  state.SetItemsProcessed(state.iterations() * items);
  state.counters["bytes"] = static_cast<double>(length);
  decoder->release();
  encoder->release();
  memory->release();
  graph->release();
}

void encodePeer(benchmark::State& state, MakePeer make, int64_t items) {
  const json graph = make(items);
  std::vector<uint8_t> out;
  for (auto _ : state) {
    out.clear();
    json::to_msgpack(graph, out);
    benchmark::DoNotOptimize(out.data());
  }
  state.SetItemsProcessed(state.iterations() * items);
  state.counters["bytes"] = static_cast<double>(out.size());
}

void decodePeer(benchmark::State& state, MakePeer make, int64_t items) {
  const std::vector<uint8_t> bytes = json::to_msgpack(make(items));
  for (auto _ : state) {
    json back = json::from_msgpack(bytes);
    benchmark::DoNotOptimize(back);
  }
  state.SetItemsProcessed(state.iterations() * items);
  state.counters["bytes"] = static_cast<double>(bytes.size());
}

// "coding/<graph>-encode/N/TXQ" right before "coding/<graph>-encode/N/msgpack", then the same for decode.
bool registerGraph(const char* graph, int64_t n, MakeTXQ makeTXQ, MakePeer makePeer) {
  for (const char* way : {"-encode/", "-decode/"}) {
    const std::string prefix = std::string("coding/") + graph + way + std::to_string(n) + "/";
    const bool encoding = way[1] == 'e';
    benchmark::RegisterBenchmark((prefix + "TXQ").c_str(), encoding ? encodeTXQ : decodeTXQ, makeTXQ, n)
        ->Unit(benchmark::kMillisecond);
    benchmark::RegisterBenchmark((prefix + "msgpack").c_str(), encoding ? encodePeer : decodePeer, makePeer, n)
        ->Unit(benchmark::kMillisecond);
  }
  return true;
}

LLKBObject* numbersGraph(int64_t n) { return numbersTXQ(n); }
LLKBObject* stringsGraph(int64_t n) { return stringsTXQ(n); }
LLKBObject* dictionaryGraph(int64_t n) { return dictionaryTXQ(n); }

const bool gRegistered = registerGraph("numbers", 100000, numbersGraph, numbersPeer) &&
                         registerGraph("numbers", 1000, numbersGraph, numbersPeer) &&
                         registerGraph("strings", 100000, stringsGraph, stringsPeer) &&
                         registerGraph("dictionary", 10000, dictionaryGraph, dictionaryPeer);

}  // namespace
