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

// Grows to exactly `needed` characters when the text of that length would not fit below capacity.
int32_t growFor(LLKCStringBuilder* builder, uint64_t length, uint64_t added, uint64_t capacity) noexcept {
  if (added > UINT64_MAX - 1 - length) return kNoMemory;
  return length + added >= capacity ? builder->resize(length + added) : 0;
}

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

int32_t LLKCStringBuilder::appendWithChars(const char* chars) noexcept {
  if (chars == nullptr || chars[0] == '\0') return 0;
  private_t* const d = iPrivate;
  uint64_t n = std::strlen(chars);
  int32_t status = growFor(this, d->mLength, n, d->mCapacity);
  if (status != 0) return status;
  std::memcpy(d->mChars + d->mLength, chars, n + 1);
  d->mLength += n;
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
  int32_t status = growFor(this, d->mLength, n, d->mCapacity);
  if (status != 0) return status;
  va_list fill;
  va_copy(fill, arguments);
  LLKFStringConcatFill(d->mChars + d->mLength, first, fill);
  va_end(fill);
  d->mLength += n;
  return 0;
}

int32_t LLKCStringBuilder::appendWithConcatOfList(LLKCString* const* nilTerminated) noexcept {
  private_t* const d = iPrivate;
  uint64_t n = 0;
  for (LLKCString* const* s = nilTerminated; *s != nullptr; ++s) n += (*s)->length();
  int32_t status = growFor(this, d->mLength, n, d->mCapacity);
  if (status != 0) return status;
  for (LLKCString* const* s = nilTerminated; *s != nullptr; ++s) {
    std::memcpy(d->mChars + d->mLength, (*s)->chars(), (*s)->length());
    d->mLength += (*s)->length();
  }
  d->mChars[d->mLength] = '\0';
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
  int32_t status = growFor(this, d->mLength, n, d->mCapacity);
  if (status != 0) return status;
  va_list fill;
  va_copy(fill, arguments);
  LLKFStringFormat(d->mChars + d->mLength, d->mCapacity - d->mLength + 1, format, fill);
  va_end(fill);
  d->mLength += n;
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
