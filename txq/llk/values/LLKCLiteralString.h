#ifndef TXQ_LLK_VALUES_LLKCLITERALSTRING_H
#define TXQ_LLK_VALUES_LLKCLITERALSTRING_H
// LLKCLiteralString: a string fixed at build time, written "text"_llk. One constant object per
// distinct text and module; it has no reference count (retain answers it, release does nothing,
// retainCount is 1) and is never freed. Its class is LLKCLiteralString, but className answers
// "LLKCString" so that it is written out as any string. The hash is cached on first use.
// Threads: any thread.

#include <cstddef>
#include <cstdint>

#include <txq/llk/values/LLKCString.h>

class LLK_EXPORT LLKCLiteralString final : public LLKCString {
  LLK_OBJECT(LLKCLiteralString, LLKCString)

 public:
  constexpr LLKCLiteralString(const char* text, uint32_t length) noexcept
      : LLKCString(ConstantTag{}, text, length) {}

  LLKBObject* retain() noexcept override { return this; }
  LLKBObject* release() noexcept override { return nullptr; }
  LLKBObject* autorelease() noexcept override { return this; }
  uint32_t retainCount() const noexcept override { return 1; }
  void dealloc() noexcept override {}
  bool isLiteral() const noexcept override { return true; }
  const char* className() const noexcept override { return "LLKCString"; }
  // Literals are written as strings and read back as plain ones; an instance made by this class's
  // name (a damaged or hostile stream) is freed at once and nil answered.
  LLKCString* initWithCoder(LLKBDecoder*) noexcept override {
    LLKBObject::dealloc();
    return nullptr;
  }
};

// Storage for one literal: a union, so the object is never destroyed and stays valid while other
// statics are destroyed.
template <LLKLiteralText T>
struct LLKLiteralStorage {
  union {
    LLKCLiteralString string;
  };
  constexpr LLKLiteralStorage() noexcept : string(T.text, static_cast<uint32_t>(sizeof(T.text) - 1)) {}
  ~LLKLiteralStorage() {}  // NOLINT: deliberately leaves the literal alone
};
template <LLKLiteralText T>
inline constinit LLKLiteralStorage<T> llkLiteral{};

// "text"_llk: the constant string for the text.
template <LLKLiteralText T>
LLKCString* operator""_llk() noexcept {
  return &llkLiteral<T>.string;
}

#endif  // TXQ_LLK_VALUES_LLKCLITERALSTRING_H
