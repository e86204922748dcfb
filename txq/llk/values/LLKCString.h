#ifndef TXQ_LLK_VALUES_LLKCSTRING_H
#define TXQ_LLK_VALUES_LLKCSTRING_H
// LLKCString: the library's one string type. Immutable, reference-counted bytes, always followed by a
// zero byte, with a hash cached on first use so that a string can serve as a key. Characters are
// bytes; case rules follow the C library's toupper/tolower; lengths count bytes without the zero.
//
//   LLKCString* name = LLKCString::stringWithFormat("worker-%d", 3);   // autoreleased
//   uint64_t at = 0;
//   if (name->findFirstOccurrenceOf_caseSensitive_offset('-', true, &at)) ...   // at == 6
//   LLKCString* fixed = "literal"_llk;                                 // constant, never freed
//
// Ownership: factories, derived strings and copies are autoreleased; init... answer +1. The
//            characters are owned (freed at dealloc) when iFreeWD is 1.
// Threads:   immutable after creation: any thread may read a string; the hash cache is atomic.
// Failure:   no memory answers nil. Offsets past the end give nil (substrings, tokens) or NO
//            (searches); comparisons with nil answer 1. Texts longer than 4 GiB - 1 are refused.

#include <concepts>
#include <cstdarg>
#include <cstdint>
#include <string_view>

#include <txq/llk/object/LLKBObject.h>

class LLK_EXPORT LLKCString : public LLKBObject {
  LLK_OBJECT(LLKCString, LLKBObject)

 public:
  const char* iString;  // the characters, followed by a zero byte
  uint32_t iLength;     // characters before the zero
  uint32_t iHash;       // cached hash; 0 means not yet computed (read and written atomically)
  uint32_t iFreeWD;     // 1 when the string owns iString and frees it (C free) at dealloc

  // ---- Creation ----
  // A copy of the C string.
  static LLKCString* stringWithChars(const char* chars) noexcept;
  LLKCString* initWithChars(const char* chars) noexcept;
  // Exactly `length` bytes copied and zero-terminated (the caller guarantees that many).
  static LLKCString* stringWithChars_length(const char* chars, uint64_t length) noexcept;
  LLKCString* initWithChars_length(const char* chars, uint64_t length) noexcept;
  // The characters used in place, not owned: they must outlive the string.
  static LLKCString* stringWithCharsNoCopy(const char* chars) noexcept;
  LLKCString* initWithCharsNoCopy(const char* chars) noexcept;
  // Used in place; freed with C free at dealloc when `freeWhenDone`.
  static LLKCString* stringWithCharsNoCopy_freeWhenDone(const char* chars, bool freeWhenDone) noexcept;
  LLKCString* initWithCharsNoCopy_freeWhenDone(const char* chars, bool freeWhenDone) noexcept;
  // printf rules.
  static LLKCString* stringWithFormat(const char* format, ...) noexcept LLK_PRINTF(1, 2);
  LLKCString* initWithFormat(const char* format, ...) noexcept LLK_PRINTF(2, 3);
  LLKCString* initWithFormat_andList(const char* format, va_list arguments) noexcept LLK_PRINTF(2, 0);
  // The concatenation of the strings; the list ends at the first nil (a trailing nil is optional).
  template <class... More>
    requires(std::convertible_to<More, LLKCString*> && ...)
  static LLKCString* stringWithConcat(LLKCString* first, More... more) noexcept {
    LLKCString* const all[] = {first, static_cast<LLKCString*>(more)..., nullptr};
    return stringWithConcatOfList(all);
  }
  template <class... More>
    requires(std::convertible_to<More, LLKCString*> && ...)
  LLKCString* initWithConcat(LLKCString* first, More... more) noexcept {
    LLKCString* const all[] = {first, static_cast<LLKCString*>(more)..., nullptr};
    return initWithConcatOfList(all);
  }
  // `arguments` holds LLKCString* values ending with a nil.
  LLKCString* initWithConcat_andList(LLKCString* first, va_list arguments) noexcept;
  static LLKCString* stringWithConcatOfList(LLKCString* const* nilTerminated) noexcept;
  LLKCString* initWithConcatOfList(LLKCString* const* nilTerminated) noexcept;

  // ---- Accessors ----
  const char* chars() const noexcept { return iString; }
  char* mutableChars() const noexcept { return const_cast<char*>(iString); }
  uint64_t length() const noexcept { return iLength; }
  std::string_view view() const noexcept { return {iString, iLength}; }
  virtual bool isLiteral() const noexcept { return false; }
  LLKCString* toString() noexcept override { return this; }

  // ---- Comparison and hashing ----
  // The MaPrime hash of the characters, computed once (recomputed while it comes out as 0).
  uint32_t hashCode() noexcept override;
  // Calls the function once with (context, characters, length); nothing is cached.
  uint32_t hashCodeWithFunction_andContext(LLKFHashFeed function, void* context) noexcept override;
  // 1 unless `other` is exactly a string or a literal string (nil included); else compareToString.
  int32_t compareTo(LLKBObject* other) noexcept override;
  int32_t compareToString(LLKCString* other) noexcept;  // strcmp; 1 for nil
  int32_t compareToChars(const char* other) noexcept;    // strcmp; 1 for null
  int32_t compareToString_caseSensitive(LLKCString* other, bool caseSensitive) noexcept;
  int32_t compareToChars_caseSensitive(const char* other, bool caseSensitive) noexcept;
  // NO when the receiver is shorter than the argument (or the argument is nil).
  bool startWith(LLKCString* prefix) noexcept;
  bool endWith(LLKCString* suffix) noexcept;
  bool startWith_caseSensitive(LLKCString* prefix, bool caseSensitive) noexcept;
  bool endWith_caseSensitive(LLKCString* suffix, bool caseSensitive) noexcept;

  // ---- Searching ----  (offsets are in/out: a match stores its index there)
  uint32_t countAllOccurencesOf(char c) noexcept;
  // The first match at or after *offset; NO (offset unchanged) when none or *offset >= length.
  bool findFirstOccurrenceOf_caseSensitive_offset(char c, bool caseSensitive, uint64_t* offset) noexcept;
  // The last match at or after *offset; NO (offset unchanged) when none or *offset >= length.
  bool findLastOccurrenceOf_caseSensitive_offset(char c, bool caseSensitive, uint64_t* offset) noexcept;
  // The first occurrence of the text at or after *offset (compared as C strings). NO when *offset
  // >= length (offset unchanged), or when the text is absent (then *offset = length).
  bool findFirstOccurrenceOfString_caseSensitive_offset(LLKCString* text, bool caseSensitive,
                                                        uint64_t* offset) noexcept;

  // ---- Derived strings ----  (autoreleased; the receiver itself where noted)
  LLKCString* substringUptoOffset(uint64_t offset) noexcept;  // the first offset + 1 characters
  LLKCString* substringFromOffset(uint64_t offset) noexcept;
  LLKCString* substringFromOffset_length(uint64_t offset, uint64_t length) noexcept;
  // The text before the last occurrence of c; the receiver when c does not occur.
  LLKCString* substringUptoLastOccurrenceOf_caseSensitive(char c, bool caseSensitive) noexcept;
  LLKCString* toUpper() noexcept;
  LLKCString* toLower() noexcept;
  LLKCString* inverse() noexcept;
  // Escapes \a \b \t \n \v \f \r " and \ for use inside double quotes; the receiver when none.
  LLKCString* toLiteral() noexcept;
  // Leading characters in the set removed; nil when every character is; the receiver when none.
  LLKCString* trimHead(const char* set) noexcept;
  // Trailing characters in the set removed; the first character always stays.
  LLKCString* trimTail(const char* set) noexcept;
  LLKCString* trimHead_andTail(const char* headSet, const char* tailSet) noexcept;
  // The next token after *offset, runs of delimiters skipped; nil when none is left.
  LLKCString* tokenizeWithDelimiters_offset(LLKCString* delimiters, uint64_t* offset) noexcept;
  // The next token, where each delimiter is a one-character token of its own.
  LLKCString* tokenizeAndIncludeDelimiters_offset(LLKCString* delimiters, uint64_t* offset) noexcept;

  // ---- Text ----
  using LLKBObject::toStringBuilder;
  int32_t toStringBuilder(LLKCStringBuilder* builder) noexcept override;

  // ---- Copies ----  (a shallow copy of a non-owning string shares its characters)
  LLKCString* initWithCopy_deep(LLKBObject* source, bool deep) noexcept override;
  LLKCString* copy() noexcept override;
  LLKCString* deepCopy() noexcept override;

  // ---- Coding ----
  // The length + 1 (unsigned 64-bit), then the characters with their zero as one buffer. Reading
  // refuses (nil) a stored length of 0 or above 2^32, one larger than what is left of the stream, a
  // buffer of any other size and one whose last byte is not 0. A literal is written as any string
  // and comes back as a plain one.
  bool encodeWithCoder(LLKBEncoder* coder) noexcept override;
  LLKCString* initWithCoder(LLKBDecoder* coder) noexcept override;

 protected:
  // Constant strings (literals): not counted, never freed.
  constexpr LLKCString(ConstantTag tag, const char* text, uint32_t length) noexcept
      : LLKBObject(tag), iString(text), iLength(length), iHash(0), iFreeWD(0), inline_{} {}
  ~LLKCString() override;  // frees iString when iFreeWD (and it is not the inline room)

 private:
  // Room for short owned texts inside the object itself (one allocation instead of two). A string
  // using it still owns its characters (iFreeWD 1), so copies duplicate them and never point here.
  static constexpr uint64_t kInlineCapacity = 19;
  char inline_[kInlineCapacity + 1];
};

namespace llk {
// The characters of a string as a view; empty for nil.
inline std::string_view view(const LLKCString* string) noexcept {
  return string != nullptr ? string->view() : std::string_view();
}
// An autoreleased string holding a copy of the text.
inline LLKCString* str(std::string_view text) noexcept {
  return LLKCString::stringWithChars_length(text.data(), text.size());
}
}  // namespace llk

#include <txq/llk/values/LLKCLiteralString.h>  // NOLINT: "text"_llk comes with strings

#endif  // TXQ_LLK_VALUES_LLKCSTRING_H
