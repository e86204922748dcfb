#include <txq/llk/values/LLKCStringBuilder.h>

#include <cstdlib>
#include <cstring>
#include <new>

#include <txq/llk/values/LLKCString.h>
#include <txq/llk/values/LLKFString.h>

// Invariant: mChars holds mCapacity + 1 bytes and is zero-terminated at mLength <= mCapacity.
struct LLKCStringBuilder::private_t {
  char* mChars = nullptr;  // owned (C allocator)
  uint64_t mLength = 0;
  uint64_t mCapacity = 0;
  ~private_t() { std::free(mChars); }
};

LLK_DEFINE_CLASS(LLKCStringBuilder, LLK_PROTOCOLS(), initWithCapacity, length, capacity, clear, resize, compact,
                 appendWithChars, append, appendWithConcat_andList, appendWithFormat_andList, appendWithObject,
                 toString)

namespace {

constexpr int32_t kNoMemory = 2;

// Makes room for `added` more characters: when the text would reach the capacity, the buffer is
// replaced by one of exactly length + added characters (growth is exact). The old buffer is handed
// back in *old, to be freed after the append, because the appended text may point into it (a builder
// appending its own text). Answers 0, or 2 with nothing changed.
int32_t reserve(LLKCStringBuilder::private_t* d, uint64_t added, char** old) noexcept;

}  // namespace

// ---- Creation ----

LLKCStringBuilder* LLKCStringBuilder::builderWithCapacity(uint64_t capacity) noexcept {
  LLKCStringBuilder* builder = alloc();
  return builder != nullptr ? llk::autorelease(builder->initWithCapacity(capacity)) : nullptr;
}

LLKCStringBuilder* LLKCStringBuilder::initWithCapacity(uint64_t capacity) noexcept {
  private_t* const d = iPrivate = new (std::nothrow) private_t();
  if (d == nullptr || capacity == UINT64_MAX ||
      (d->mChars = static_cast<char*>(std::malloc(capacity + 1))) == nullptr) {
    dealloc();
    return nullptr;
  }
  d->mChars[0] = '\0';
  d->mCapacity = capacity;
  return this;
}

LLKCStringBuilder::~LLKCStringBuilder() { delete iPrivate; }

// ---- Size ----

uint64_t LLKCStringBuilder::length() const noexcept { return iPrivate->mLength; }

uint64_t LLKCStringBuilder::capacity() const noexcept { return iPrivate->mCapacity; }

void LLKCStringBuilder::clear() noexcept {
  iPrivate->mLength = 0;
  iPrivate->mChars[0] = '\0';
}

int32_t LLKCStringBuilder::resize(uint64_t n) noexcept {
  private_t* const d = iPrivate;
  if (n == d->mCapacity) return 0;
  if (n == UINT64_MAX) return kNoMemory;
  char* chars = static_cast<char*>(std::realloc(d->mChars, n + 1));
  if (chars == nullptr) return kNoMemory;
  d->mChars = chars;
  if (d->mLength > n) {
    d->mLength = n;
    d->mChars[n] = '\0';
  }
  d->mCapacity = n;
  return 0;
}

int32_t LLKCStringBuilder::compact() noexcept { return resize(iPrivate->mLength); }

// ---- Appending ----

namespace {

int32_t reserve(LLKCStringBuilder::private_t* d, uint64_t added, char** old) noexcept {
  *old = nullptr;
  if (added > UINT64_MAX - 1 - d->mLength) return kNoMemory;
  uint64_t needed = d->mLength + added;
  if (needed <= d->mCapacity) return 0;
  char* chars = static_cast<char*>(std::malloc(needed + 1));
  if (chars == nullptr) return kNoMemory;
  std::memcpy(chars, d->mChars, d->mLength + 1);
  *old = d->mChars;
  d->mChars = chars;
  d->mCapacity = needed;
  return 0;
}

}  // namespace

int32_t LLKCStringBuilder::appendWithChars(const char* chars) noexcept {
  if (chars == nullptr || chars[0] == '\0') return 0;
  private_t* const d = iPrivate;
  uint64_t n = std::strlen(chars);
  char* old = nullptr;
  int32_t status = reserve(d, n, &old);
  if (status != 0) return status;
  std::memmove(d->mChars + d->mLength, chars, n);
  d->mLength += n;
  d->mChars[d->mLength] = '\0';
  std::free(old);
  return 0;
}

int32_t LLKCStringBuilder::append(LLKCString* string) noexcept {
  LLKCString* const alone[] = {string, nullptr};
  return appendWithConcatOfList(alone);
}

int32_t LLKCStringBuilder::appendWithConcat_andList(LLKCString* first, va_list arguments) noexcept {
  private_t* const d = iPrivate;
  va_list measure;
  va_copy(measure, arguments);
  uint64_t n = LLKFStringConcatComputeLength(first, measure);
  va_end(measure);
  char* old = nullptr;
  int32_t status = reserve(d, n, &old);
  if (status != 0) return status;
  va_list fill;
  va_copy(fill, arguments);
  LLKFStringConcatFill(d->mChars + d->mLength, first, fill);
  va_end(fill);
  d->mLength += n;
  std::free(old);
  return 0;
}

int32_t LLKCStringBuilder::appendWithConcatOfList(LLKCString* const* nilTerminated) noexcept {
  private_t* const d = iPrivate;
  uint64_t n = 0;
  for (LLKCString* const* s = nilTerminated; *s != nullptr; ++s) n += (*s)->length();
  char* old = nullptr;
  int32_t status = reserve(d, n, &old);
  if (status != 0) return status;
  for (LLKCString* const* s = nilTerminated; *s != nullptr; ++s) {
    std::memmove(d->mChars + d->mLength, (*s)->chars(), (*s)->length());
    d->mLength += (*s)->length();
  }
  d->mChars[d->mLength] = '\0';
  std::free(old);
  return 0;
}

int32_t LLKCStringBuilder::appendWithFormat(const char* format, ...) noexcept {
  va_list arguments;
  va_start(arguments, format);
  int32_t status = appendWithFormat_andList(format, arguments);
  va_end(arguments);
  return status;
}

int32_t LLKCStringBuilder::appendWithFormat_andList(const char* format, va_list arguments) noexcept {
  private_t* const d = iPrivate;
  va_list measure;
  va_copy(measure, arguments);
  int32_t size = LLKFStringFormat(nullptr, 0, format, measure);  // length + 1
  va_end(measure);
  if (size <= 1) return 0;  // nothing to append (or a format that cannot be applied)
  uint64_t n = static_cast<uint64_t>(size) - 1;
  char* old = nullptr;
  int32_t status = reserve(d, n, &old);
  if (status != 0) return status;
  // Formatting in place would overwrite the terminator that an argument pointing into the text reads
  // up to, unless the text has just moved (the old buffer is intact until freed): else format aside.
  char small[256];
  char* target = d->mChars + d->mLength;
  if (old == nullptr) {
    target = size <= static_cast<int32_t>(sizeof small) ? small : static_cast<char*>(std::malloc(static_cast<size_t>(size)));
    if (target == nullptr) return kNoMemory;
  }
  va_list fill;
  va_copy(fill, arguments);
  LLKFStringFormat(target, static_cast<uint64_t>(size), format, fill);
  va_end(fill);
  if (old == nullptr) {
    std::memcpy(d->mChars + d->mLength, target, static_cast<size_t>(size));
    if (target != small) std::free(target);
  }
  d->mLength += n;
  std::free(old);
  return 0;
}

int32_t LLKCStringBuilder::appendWithObject(LLKBObject* object) noexcept {
  if (object != nullptr) object->toStringBuilder(this);
  return 0;
}

// ---- Text ----

LLKCString* LLKCStringBuilder::toString() noexcept {
  return LLKCString::stringWithChars_length(iPrivate->mChars, iPrivate->mLength);
}

std::string_view LLKCStringBuilder::view() const noexcept { return {iPrivate->mChars, iPrivate->mLength}; }
