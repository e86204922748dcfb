#include <txq/llk/values/LLKCString.h>

#include <atomic>
#include <cctype>
#include <cstdlib>
#include <cstring>

#include <txq/llk/coding/LLKBDecoder.h>
#include <txq/llk/coding/LLKBEncoder.h>
#include <txq/llk/values/LLKCStringBuilder.h>
#include <txq/llk/values/LLKFHash.h>
#include <txq/llk/values/LLKFString.h>
#include <txq/llk/values/LLKValueCoding_p.h>

LLK_DEFINE_CLASS(LLKCString, LLK_PROTOCOLS(LLKPKeyable, LLKPCopyable, LLKPEncodable), initWithChars,
                 initWithChars_length, initWithCharsNoCopy, initWithCharsNoCopy_freeWhenDone, initWithFormat_andList,
                 initWithConcat_andList, chars, mutableChars, length, isLiteral, toString, hashCode,
                 hashCodeWithFunction_andContext, compareTo, compareToString, compareToChars,
                 compareToString_caseSensitive, compareToChars_caseSensitive, startWith, endWith,
                 startWith_caseSensitive, endWith_caseSensitive, countAllOccurencesOf,
                 findFirstOccurrenceOf_caseSensitive_offset, findLastOccurrenceOf_caseSensitive_offset,
                 findFirstOccurrenceOfString_caseSensitive_offset, substringUptoOffset, substringFromOffset,
                 substringFromOffset_length, substringUptoLastOccurrenceOf_caseSensitive, toUpper, toLower, inverse,
                 toLiteral, trimHead, trimTail, trimHead_andTail, tokenizeWithDelimiters_offset,
                 tokenizeAndIncludeDelimiters_offset, toStringBuilder, initWithCopy_deep, copy, deepCopy,
                 encodeWithCoder, initWithCoder)
LLK_DEFINE_CLASS(LLKCLiteralString, LLK_PROTOCOLS())

namespace {

constexpr uint64_t kMaxLength = UINT32_MAX;  // iLength is 32 bits

// An autoreleased string that takes over `buffer` (n characters and a zero), or nil; the buffer is
// freed on failure.
LLKCString* adoptBuffer(char* buffer, uint64_t n) noexcept {
  LLKCString* string = buffer != nullptr ? LLKCString::alloc() : nullptr;
  if (string == nullptr) {
    std::free(buffer);
    return nullptr;
  }
  string->init();
  string->iString = buffer;
  string->iLength = static_cast<uint32_t>(n);
  string->iFreeWD = 1;
  return llk::autorelease(string);
}

char* allocateText(uint64_t n) noexcept {
  return n <= kMaxLength ? static_cast<char*>(std::malloc(n + 1)) : nullptr;
}

bool inSet(char c, const char* set, size_t setLength) noexcept {
  return std::memchr(set, c, setLength) != nullptr;
}

bool sameLetter(char a, char b, bool caseSensitive) noexcept {
  return caseSensitive ? a == b : std::toupper(static_cast<unsigned char>(a)) == std::toupper(static_cast<unsigned char>(b));
}

// Leaves *p when it is at or past the end (answers NO); otherwise moves *p to the first character
// that is one of the delimiters (YES), or to the end when there is none (NO).
bool findFirstOfAny(const LLKCString* s, const LLKCString* delimiters, uint64_t* p) noexcept {
  if (*p >= s->length()) return false;
  for (uint64_t i = *p; i < s->length(); ++i) {
    if (inSet(s->chars()[i], delimiters->chars(), delimiters->length())) {
      *p = i;
      return true;
    }
  }
  *p = s->length();
  return false;
}

}  // namespace

// ---- Creation ----

LLKCString* LLKCString::stringWithChars(const char* chars) noexcept {
  LLKCString* string = alloc();
  return string != nullptr ? llk::autorelease(string->initWithChars(chars)) : nullptr;
}

LLKCString* LLKCString::initWithChars(const char* chars) noexcept {
  if (chars == nullptr) {
    dealloc();
    return nullptr;
  }
  return initWithChars_length(chars, std::strlen(chars));
}

LLKCString* LLKCString::stringWithChars_length(const char* chars, uint64_t length) noexcept {
  LLKCString* string = alloc();
  return string != nullptr ? llk::autorelease(string->initWithChars_length(chars, length)) : nullptr;
}

LLKCString* LLKCString::initWithChars_length(const char* chars, uint64_t length) noexcept {
  char* text = nullptr;
  if (chars != nullptr || length == 0) text = length <= kInlineCapacity ? inline_ : allocateText(length);
  if (text == nullptr) {
    dealloc();
    return nullptr;
  }
  if (length > 0) std::memcpy(text, chars, length);
  text[length] = '\0';
  iString = text;
  iLength = static_cast<uint32_t>(length);
  iFreeWD = 1;
  return this;
}

LLKCString* LLKCString::stringWithCharsNoCopy(const char* chars) noexcept {
  LLKCString* string = alloc();
  return string != nullptr ? llk::autorelease(string->initWithCharsNoCopy(chars)) : nullptr;
}

LLKCString* LLKCString::initWithCharsNoCopy(const char* chars) noexcept {
  return initWithCharsNoCopy_freeWhenDone(chars, false);
}

LLKCString* LLKCString::stringWithCharsNoCopy_freeWhenDone(const char* chars, bool freeWhenDone) noexcept {
  LLKCString* string = alloc();
  return string != nullptr ? llk::autorelease(string->initWithCharsNoCopy_freeWhenDone(chars, freeWhenDone))
                           : nullptr;
}

LLKCString* LLKCString::initWithCharsNoCopy_freeWhenDone(const char* chars, bool freeWhenDone) noexcept {
  size_t length = chars != nullptr ? std::strlen(chars) : 0;
  if (chars == nullptr || length > kMaxLength) {
    dealloc();
    return nullptr;
  }
  iString = chars;
  iLength = static_cast<uint32_t>(length);
  iFreeWD = freeWhenDone ? 1 : 0;
  return this;
}

LLKCString* LLKCString::stringWithFormat(const char* format, ...) noexcept {
  LLKCString* string = alloc();
  if (string == nullptr) return nullptr;
  va_list arguments;
  va_start(arguments, format);
  LLKCString* made = string->initWithFormat_andList(format, arguments);
  va_end(arguments);
  return llk::autorelease(made);
}

LLKCString* LLKCString::initWithFormat(const char* format, ...) noexcept {
  va_list arguments;
  va_start(arguments, format);
  LLKCString* made = initWithFormat_andList(format, arguments);
  va_end(arguments);
  return made;
}

LLKCString* LLKCString::initWithFormat_andList(const char* format, va_list arguments) noexcept {
  va_list measure;
  va_copy(measure, arguments);
  int32_t size = LLKFStringFormat(nullptr, 0, format, measure);
  va_end(measure);
  char* text = size > 0 ? static_cast<char*>(std::malloc(static_cast<size_t>(size))) : nullptr;
  if (text == nullptr) {
    dealloc();
    return nullptr;
  }
  va_list fill;
  va_copy(fill, arguments);
  LLKFStringFormat(text, static_cast<uint64_t>(size), format, fill);
  va_end(fill);
  iString = text;
  iLength = static_cast<uint32_t>(size - 1);
  iFreeWD = 1;
  return this;
}

LLKCString* LLKCString::initWithConcat_andList(LLKCString* first, va_list arguments) noexcept {
  va_list measure;
  va_copy(measure, arguments);
  uint64_t length = LLKFStringConcatComputeLength(first, measure);
  va_end(measure);
  char* text = allocateText(length);
  if (text == nullptr) {
    dealloc();
    return nullptr;
  }
  va_list fill;
  va_copy(fill, arguments);
  LLKFStringConcatFill(text, first, fill);
  va_end(fill);
  iString = text;
  iLength = static_cast<uint32_t>(length);
  iFreeWD = 1;
  return this;
}

LLKCString* LLKCString::stringWithConcatOfList(LLKCString* const* nilTerminated) noexcept {
  LLKCString* string = alloc();
  return string != nullptr ? llk::autorelease(string->initWithConcatOfList(nilTerminated)) : nullptr;
}

LLKCString* LLKCString::initWithConcatOfList(LLKCString* const* nilTerminated) noexcept {
  uint64_t length = 0;
  for (LLKCString* const* s = nilTerminated; *s != nullptr; ++s) length += (*s)->length();
  char* text = allocateText(length);
  if (text == nullptr) {
    dealloc();
    return nullptr;
  }
  char* at = text;
  for (LLKCString* const* s = nilTerminated; *s != nullptr; ++s) {
    std::memcpy(at, (*s)->chars(), (*s)->length());
    at += (*s)->length();
  }
  *at = '\0';
  iString = text;
  iLength = static_cast<uint32_t>(length);
  iFreeWD = 1;
  return this;
}

LLKCString::~LLKCString() {
  if (iFreeWD != 0 && iString != inline_) std::free(const_cast<char*>(iString));
}

// ---- Comparison and hashing ----

uint32_t LLKCString::hashCode() noexcept {
  std::atomic_ref<uint32_t> cached(iHash);
  uint32_t hash = cached.load(std::memory_order_relaxed);
  if (hash == 0) {
    hash = LLKFComputeHashcode32(reinterpret_cast<const uint8_t*>(iString), iLength);
    cached.store(hash, std::memory_order_relaxed);  // idempotent: every thread computes the same
  }
  return hash;
}

uint32_t LLKCString::hashCodeWithFunction_andContext(LLKFHashFeed function, void* context) noexcept {
  return function != nullptr ? function(context, reinterpret_cast<const uint8_t*>(iString), iLength) : 0;
}

int32_t LLKCString::compareTo(LLKBObject* other) noexcept {
  const LLKClass* klass = llk::classOf(other);
  if (klass != &LLKCString::kClass && klass != &LLKCLiteralString::kClass) return 1;
  return compareToString(static_cast<LLKCString*>(other));
}

int32_t LLKCString::compareToString(LLKCString* other) noexcept {
  return other != nullptr ? std::strcmp(iString, other->iString) : 1;
}

int32_t LLKCString::compareToChars(const char* other) noexcept {
  return other != nullptr ? std::strcmp(iString, other) : 1;
}

int32_t LLKCString::compareToString_caseSensitive(LLKCString* other, bool caseSensitive) noexcept {
  return other != nullptr ? compareToChars_caseSensitive(other->iString, caseSensitive) : 1;
}

int32_t LLKCString::compareToChars_caseSensitive(const char* other, bool caseSensitive) noexcept {
  if (other == nullptr) return 1;
  return caseSensitive ? std::strcmp(iString, other) : strcmp_cu(iString, other);
}

bool LLKCString::startWith(LLKCString* prefix) noexcept { return startWith_caseSensitive(prefix, true); }

bool LLKCString::endWith(LLKCString* suffix) noexcept { return endWith_caseSensitive(suffix, true); }

bool LLKCString::startWith_caseSensitive(LLKCString* prefix, bool caseSensitive) noexcept {
  if (prefix == nullptr || iLength < prefix->iLength) return false;
  return caseSensitive ? std::strncmp(iString, prefix->iString, prefix->iLength) == 0
                       : strncmp_cu(iString, prefix->iString, prefix->iLength) == 0;
}

bool LLKCString::endWith_caseSensitive(LLKCString* suffix, bool caseSensitive) noexcept {
  if (suffix == nullptr || iLength < suffix->iLength) return false;
  const char* tail = iString + (iLength - suffix->iLength);
  return caseSensitive ? std::strncmp(tail, suffix->iString, suffix->iLength) == 0
                       : strncmp_cu(tail, suffix->iString, suffix->iLength) == 0;
}

// ---- Searching ----

uint32_t LLKCString::countAllOccurencesOf(char c) noexcept {
  uint32_t count = 0;
  for (uint32_t i = 0; i < iLength; ++i) count += iString[i] == c ? 1 : 0;
  return count;
}

bool LLKCString::findFirstOccurrenceOf_caseSensitive_offset(char c, bool caseSensitive, uint64_t* offset) noexcept {
  if (offset == nullptr || *offset >= iLength) return false;
  for (uint64_t i = *offset; i < iLength; ++i) {
    if (sameLetter(iString[i], c, caseSensitive)) {
      *offset = i;
      return true;
    }
  }
  return false;
}

bool LLKCString::findLastOccurrenceOf_caseSensitive_offset(char c, bool caseSensitive, uint64_t* offset) noexcept {
  if (offset == nullptr || *offset >= iLength) return false;
  for (uint64_t i = iLength; i-- > *offset;) {
    if (sameLetter(iString[i], c, caseSensitive)) {
      *offset = i;
      return true;
    }
  }
  return false;
}

bool LLKCString::findFirstOccurrenceOfString_caseSensitive_offset(LLKCString* text, bool caseSensitive,
                                                                  uint64_t* offset) noexcept {
  if (offset == nullptr || text == nullptr || *offset >= iLength) return false;
  const char* from = iString + *offset;
  const char* found = caseSensitive ? std::strstr(from, text->iString) : strcasestr(from, text->iString);
  if (found == nullptr) {
    *offset = iLength;
    return false;
  }
  *offset = static_cast<uint64_t>(found - iString);
  return true;
}

// ---- Derived strings ----

LLKCString* LLKCString::substringUptoOffset(uint64_t offset) noexcept {
  return offset < iLength ? stringWithChars_length(iString, offset + 1) : nullptr;
}

LLKCString* LLKCString::substringFromOffset(uint64_t offset) noexcept {
  return offset < iLength ? stringWithChars_length(iString + offset, iLength - offset) : nullptr;
}

LLKCString* LLKCString::substringFromOffset_length(uint64_t offset, uint64_t length) noexcept {
  if (offset >= iLength || length > iLength - offset) return nullptr;
  return stringWithChars_length(iString + offset, length);
}

LLKCString* LLKCString::substringUptoLastOccurrenceOf_caseSensitive(char c, bool caseSensitive) noexcept {
  uint64_t at = 0;
  if (!findLastOccurrenceOf_caseSensitive_offset(c, caseSensitive, &at)) return this;
  if (at == 0) return stringWithCharsNoCopy("");
  return substringUptoOffset(at - 1);
}

namespace {

// A copy of the string with every byte mapped through a C library case table.
LLKCString* mapped(const LLKCString* s, int (*map)(int)) noexcept {
  char* text = allocateText(s->length());
  if (text == nullptr) return nullptr;
  for (uint64_t i = 0; i < s->length(); ++i) text[i] = static_cast<char>(map(static_cast<unsigned char>(s->chars()[i])));
  text[s->length()] = '\0';
  return adoptBuffer(text, s->length());
}

}  // namespace

LLKCString* LLKCString::toUpper() noexcept { return mapped(this, &toupper); }

LLKCString* LLKCString::toLower() noexcept { return mapped(this, &tolower); }

LLKCString* LLKCString::inverse() noexcept {
  char* text = allocateText(iLength);
  if (text == nullptr) return nullptr;
  for (uint32_t i = 0; i < iLength; ++i) text[i] = iString[iLength - 1 - i];
  text[iLength] = '\0';
  return adoptBuffer(text, iLength);
}

namespace {

// The letter after the backslash for a byte that needs an escape, or 0.
char escapeOf(char c) noexcept {
  switch (c) {
    case 7: return 'a';
    case 8: return 'b';
    case 9: return 't';
    case 10: return 'n';
    case 11: return 'v';
    case 12: return 'f';
    case 13: return 'r';
    case '"': return '"';
    case '\\': return '\\';
    default: return 0;
  }
}

}  // namespace

LLKCString* LLKCString::toLiteral() noexcept {
  uint64_t escapes = 0;
  for (uint32_t i = 0; i < iLength; ++i) escapes += escapeOf(iString[i]) != 0 ? 1 : 0;
  if (escapes == 0) return this;
  uint64_t length = iLength + escapes;
  char* text = allocateText(length);
  if (text == nullptr) return nullptr;
  char* at = text;
  for (uint32_t i = 0; i < iLength; ++i) {
    char escape = escapeOf(iString[i]);
    if (escape != 0) {
      *at++ = '\\';
      *at++ = escape;
    } else {
      *at++ = iString[i];
    }
  }
  *at = '\0';
  return adoptBuffer(text, length);
}

namespace {

// Leading characters of s that are in the set.
uint64_t headRun(const LLKCString* s, const char* set, size_t setLength) noexcept {
  uint64_t h = 0;
  while (h < s->length() && inSet(s->chars()[h], set, setLength)) ++h;
  return h;
}

// Where the walk back from the last character over characters in the set stops (never below 0).
uint64_t tailStop(const LLKCString* s, const char* set, size_t setLength) noexcept {
  uint64_t k = s->length() - 1;
  while (k > 0 && inSet(s->chars()[k], set, setLength)) --k;
  return k;
}

size_t setLengthOf(const char* set) noexcept { return set != nullptr ? std::strlen(set) : 0; }

}  // namespace

LLKCString* LLKCString::trimHead(const char* set) noexcept {
  size_t setLength = setLengthOf(set);
  if (setLength == 0) return this;
  uint64_t h = headRun(this, set, setLength);
  if (h == 0) return this;
  return substringFromOffset(h);  // nil when every character was trimmed
}

LLKCString* LLKCString::trimTail(const char* set) noexcept {
  size_t setLength = setLengthOf(set);
  if (iLength == 0 || setLength == 0) return this;
  uint64_t k = tailStop(this, set, setLength);
  if (k == iLength - 1) return this;
  return substringUptoOffset(k);
}

LLKCString* LLKCString::trimHead_andTail(const char* headSet, const char* tailSet) noexcept {
  size_t headLength = setLengthOf(headSet);
  size_t tailLength = setLengthOf(tailSet);
  if (headLength == 0) return trimTail(tailSet);
  if (iLength == 0) return this;
  uint64_t h = headRun(this, headSet, headLength);
  if (tailLength == 0) {
    if (h == 0) return this;
    return h == iLength ? substringFromOffset(iLength - 1) : substringFromOffset(h);
  }
  uint64_t k = tailStop(this, tailSet, tailLength);
  bool tailTrimmed = k != iLength - 1;
  if (h == 0 && !tailTrimmed) return this;
  if (!tailTrimmed) return substringFromOffset(h);
  if (h == 0) return substringUptoOffset(k);
  if (h > k + 1) return nullptr;  // the two runs overlap: nothing is left
  return substringFromOffset_length(h, k - h + 1);
}

LLKCString* LLKCString::tokenizeWithDelimiters_offset(LLKCString* delimiters, uint64_t* offset) noexcept {
  if (delimiters == nullptr || delimiters->iLength == 0) return this;
  if (offset == nullptr) return nullptr;
  uint64_t start = *offset;
  for (;;) {
    if (!findFirstOfAny(this, delimiters, offset)) {
      return *offset <= start ? nullptr : substringFromOffset_length(start, *offset - start);
    }
    if (*offset == start) {  // an empty token: skip the run of delimiters
      *offset = ++start;
      continue;
    }
    LLKCString* token = substringFromOffset_length(start, *offset - start);
    *offset += 1;
    return token;
  }
}

LLKCString* LLKCString::tokenizeAndIncludeDelimiters_offset(LLKCString* delimiters, uint64_t* offset) noexcept {
  if (delimiters == nullptr || delimiters->iLength == 0) return this;
  if (offset == nullptr) return nullptr;
  uint64_t start = *offset;
  if (!findFirstOfAny(this, delimiters, offset)) {
    return *offset <= start ? nullptr : substringFromOffset_length(start, *offset - start);
  }
  if (*offset == start) {  // the delimiter is a token of its own
    *offset = start + 1;
    return substringFromOffset_length(start, 1);
  }
  return substringFromOffset_length(start, *offset - start);  // the offset stays on the delimiter
}

// ---- Text ----

int32_t LLKCString::toStringBuilder(LLKCStringBuilder* builder) noexcept {
  return builder != nullptr ? builder->append(this) : 2;
}

// ---- Copies ----

LLKCString* LLKCString::initWithCopy_deep(LLKBObject* source, bool deep) noexcept {
  LLKCString* other = llk::cast<LLKCString>(source);
  if (other == nullptr) {
    dealloc();
    return nullptr;
  }
  uint32_t hash = std::atomic_ref<uint32_t>(other->iHash).load(std::memory_order_relaxed);
  if (!deep && other->iFreeWD == 0) {
    iString = other->iString;
    iLength = other->iLength;
    iFreeWD = 0;
  } else if (initWithChars_length(other->iString, other->iLength) == nullptr) {
    return nullptr;  // initWithChars_length has deallocated
  }
  iHash = hash;
  return this;
}

namespace {

LLKCString* copyOfString(LLKCString* source, bool deep) noexcept {
  // A literal's copy is an ordinary (counted) string.
  const LLKClass* klass = source->isLiteral() ? LLKCString::classObject() : source->class_();
  LLKBObject* made = klass->alloc();
  return made != nullptr ? static_cast<LLKCString*>(llk::autorelease(made->initWithCopy_deep(source, deep))) : nullptr;
}

}  // namespace

LLKCString* LLKCString::copy() noexcept { return copyOfString(this, false); }

LLKCString* LLKCString::deepCopy() noexcept { return copyOfString(this, true); }

// ---- Coding ----

bool LLKCString::encodeWithCoder(LLKBEncoder* coder) noexcept {
  const uint64_t stored = uint64_t{iLength} + 1;  // the zero travels with the characters
  return coder != nullptr && coder->encodeUint64(stored) && coder->encodeBuffer_length(iString, stored);
}

LLKCString* LLKCString::initWithCoder(LLKBDecoder* coder) noexcept {
  uint64_t stored = 0;
  if (coder == nullptr || !coder->decodeUint64(&stored) || stored == 0 ||
      stored > llk::detail::decodableBytes(coder)) {
    dealloc();
    return nullptr;
  }
  // One byte more than announced is asked for, so that a longer buffer shows as a mismatch.
  char* text = stored <= kInlineCapacity ? inline_ : static_cast<char*>(std::malloc(stored + 1));
  if (text == nullptr || coder->decodeBuffer_length(text, stored + 1) != stored || text[stored - 1] != '\0') {
    if (text != inline_) std::free(text);
    dealloc();
    return nullptr;
  }
  iString = text;
  iLength = static_cast<uint32_t>(stored - 1);
  iFreeWD = 1;
  return this;
}
