#ifndef TXQ_FUZZ_FUZZTARGET_H
#define TXQ_FUZZ_FUZZTARGET_H
// A fuzz target is written once and built twice: as a libFuzzer program (TXQ_FUZZ_MAIN, one target
// per executable) and into the test suite, whose corpus-replay test runs every file of
// fuzz/corpus/<name>/ through it on every build.
//
//   TXQ_FUZZ_TARGET(base64_decode) {   // (const uint8_t* data, size_t size) -> int, always 0
//     ...
//     return 0;
//   }

#include <cstddef>
#include <cstdint>

using TXQFuzzFunction = int (*)(const uint8_t* data, size_t size);

// The targets compiled into this program, for the replay test.
struct TXQFuzzEntry {
  const char* name;
  TXQFuzzFunction function;
  const TXQFuzzEntry* next;
};
const TXQFuzzEntry* txqFuzzTargets() noexcept;
bool txqFuzzRegister(TXQFuzzEntry* entry) noexcept;

#ifdef TXQ_FUZZ_MAIN
#define TXQ_FUZZ_ENTRY_(name)                                                   \
  extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {     \
    return txqFuzz_##name(data, size);                                          \
  }
#else
#define TXQ_FUZZ_ENTRY_(name)                                                   \
  static TXQFuzzEntry txqFuzzEntry_##name{#name, &txqFuzz_##name, nullptr};     \
  static const bool txqFuzzRegistered_##name = txqFuzzRegister(&txqFuzzEntry_##name);
#endif

#define TXQ_FUZZ_TARGET(name)                                                   \
  static int txqFuzz_##name(const uint8_t* data, size_t size);                  \
  TXQ_FUZZ_ENTRY_(name)                                                         \
  static int txqFuzz_##name(const uint8_t* data, size_t size)

#endif  // TXQ_FUZZ_FUZZTARGET_H
