// Checksums and base64 over 1 MiB, each TXQ benchmark registered right before its peer:
//
//   adler32/1048576         LLKFHashAdler32Init + Feed        vs zlib adler32
//   base64-encode/1048576   LLKFBase64Encode                  vs OpenSSL EVP_EncodeBlock
//   base64-decode/1048576   LLKFBase64Decode (to 1 MiB)       vs OpenSSL EVP_DecodeBlock
//
// Bytes processed are the binary bytes (1 MiB) on both sides of every pair, so the rates compare.

#include <benchmark/benchmark.h>

#include <openssl/evp.h>
#include <zlib.h>

#include <cstdint>
#include <string>
#include <vector>

#include <txq/llk/values/LLKFBase64.h>
#include <txq/llk/values/LLKFHash.h>

namespace {

constexpr int64_t kSize = int64_t{1} << 20;

const std::vector<uint8_t>& binaryInput() {
  static const std::vector<uint8_t> bytes = [] {
    std::vector<uint8_t> made(kSize);
    uint32_t x = 0x2545F491u;  // xorshift: fixed, non-repeating content
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

// The base64 text of the binary input, without a terminating zero in its length.
const std::string& textInput() {
  static const std::string text = [] {
    const std::vector<uint8_t>& bytes = binaryInput();
    std::string made(LLKFBase64ComputeEncodedSize(bytes.size()) + 1, '\0');
    made.resize(LLKFBase64Encode(bytes.data(), bytes.size(), made.data(), made.size()));
    return made;
  }();
  return text;
}

// ---- Adler-32 ----

void adlerTXQ(benchmark::State& state) {
  const uint8_t* bytes = binaryInput().data();
  for (auto _ : state) {
    benchmark::DoNotOptimize(bytes);
    LLKTHashAdler32State adler;
    LLKFHashAdler32Init(&adler);
    benchmark::DoNotOptimize(LLKFHashAdler32Feed(&adler, bytes, kSize));
  }
  state.SetBytesProcessed(state.iterations() * kSize);
}

void adlerZlib(benchmark::State& state) {
  const uint8_t* bytes = binaryInput().data();
  for (auto _ : state) {
    benchmark::DoNotOptimize(bytes);
    benchmark::DoNotOptimize(adler32(1L, bytes, static_cast<uInt>(kSize)));
  }
  state.SetBytesProcessed(state.iterations() * kSize);
}

// ---- base64 ----

void encodeTXQ(benchmark::State& state) {
  const uint8_t* bytes = binaryInput().data();
  std::vector<char> out(LLKFBase64ComputeEncodedSize(kSize) + 1);
  for (auto _ : state) {
    benchmark::DoNotOptimize(bytes);
    benchmark::DoNotOptimize(LLKFBase64Encode(bytes, kSize, out.data(), out.size()));
    benchmark::ClobberMemory();
  }
  state.SetBytesProcessed(state.iterations() * kSize);
}

void encodeOpenSSL(benchmark::State& state) {
  const uint8_t* bytes = binaryInput().data();
  std::vector<unsigned char> out(LLKFBase64ComputeEncodedSize(kSize) + 1);
  for (auto _ : state) {
    benchmark::DoNotOptimize(bytes);
    benchmark::DoNotOptimize(EVP_EncodeBlock(out.data(), bytes, static_cast<int>(kSize)));
    benchmark::ClobberMemory();
  }
  state.SetBytesProcessed(state.iterations() * kSize);
}

void decodeTXQ(benchmark::State& state) {
  const std::string& text = textInput();
  std::vector<uint8_t> out(kSize);
  for (auto _ : state) {
    benchmark::DoNotOptimize(text.data());
    benchmark::DoNotOptimize(LLKFBase64Decode(text.data(), text.size(), out.data(), out.size()));
    benchmark::ClobberMemory();
  }
  state.SetBytesProcessed(state.iterations() * kSize);
}

void decodeOpenSSL(benchmark::State& state) {
  const std::string& text = textInput();
  // EVP_DecodeBlock writes 3 bytes for every group, padding included.
  std::vector<unsigned char> out(text.size() / 4 * 3);
  const auto* in = reinterpret_cast<const unsigned char*>(text.data());
  for (auto _ : state) {
    benchmark::DoNotOptimize(in);
    benchmark::DoNotOptimize(EVP_DecodeBlock(out.data(), in, static_cast<int>(text.size())));
    benchmark::ClobberMemory();
  }
  state.SetBytesProcessed(state.iterations() * kSize);
}

// "group/size/TXQ" right before "group/size/peer".
bool registerPair(const char* group, void (*txq)(benchmark::State&), void (*peer)(benchmark::State&),
                  const char* peerName) {
  const std::string prefix = std::string(group) + "/" + std::to_string(kSize) + "/";
  benchmark::RegisterBenchmark((prefix + "TXQ").c_str(), txq);
  benchmark::RegisterBenchmark((prefix + peerName).c_str(), peer);
  return true;
}

const bool gRegistered = registerPair("adler32", adlerTXQ, adlerZlib, "zlib") &&
                         registerPair("base64-encode", encodeTXQ, encodeOpenSSL, "OpenSSL") &&
                         registerPair("base64-decode", decodeTXQ, decodeOpenSSL, "OpenSSL");

}  // namespace
