#ifndef TXQ_LLK_VALUES_LLKCSTRINGBUILDER_H
#define TXQ_LLK_VALUES_LLKCSTRINGBUILDER_H
// LLKCStringBuilder: a growable buffer for assembling text, always zero-terminated.
//
//   LLKCStringBuilder* b = LLKCStringBuilder::builderWithCapacity(64);
//   b->appendWithFormat("%d items", 3);
//   b->append("!"_llk);
//   LLKCString* text = b->toString();   // "3 items!", autoreleased copy
//
// Growth is exact: an append that does not fit resizes the buffer to exactly the length needed, no
// spare room is added (reserve with resize() when appending often).
// Ownership: factory autoreleased; init +1; toString answers an autoreleased copy.
// Threads:   one thread at a time (not locked).
// Failure:   appends answer 0, or 2 when the buffer cannot grow (the text is left as it was).

#include <concepts>
#include <cstdarg>
#include <cstdint>
#include <string_view>

#include <txq/llk/object/LLKBObject.h>

class LLK_EXPORT LLKCStringBuilder : public LLKBObject {
  LLK_OBJECT(LLKCStringBuilder, LLKBObject)

 public:
  struct private_t;  // defined in LLKCStringBuilder.cpp
  private_t* iPrivate;

  // ---- Creation ----
  static LLKCStringBuilder* builderWithCapacity(uint64_t capacity) noexcept;
  LLKCStringBuilder* initWithCapacity(uint64_t capacity) noexcept;

  // ---- Size ----
  uint64_t length() const noexcept;
  uint64_t capacity() const noexcept;
  // Empties the text; the buffer is kept.
  void clear() noexcept;
  // Reallocates to room for n characters (the text is cut to n when longer); 2 when it cannot.
  int32_t resize(uint64_t n) noexcept;
  // resize to the current length.
  int32_t compact() noexcept;

  // ---- Appending ----
  // 0 and nothing for null or empty text.
  int32_t appendWithChars(const char* chars) noexcept;
  int32_t append(LLKCString* string) noexcept;
  // Appends each string in order; the list ends at the first nil (a trailing nil is optional).
  template <class... More>
    requires(std::convertible_to<More, LLKCString*> && ...)
  int32_t appendWithConcat(LLKCString* first, More... more) noexcept {
    LLKCString* const all[] = {first, static_cast<LLKCString*>(more)..., nullptr};
    return appendWithConcatOfList(all);
  }
  int32_t appendWithConcat_andList(LLKCString* first, va_list arguments) noexcept;
  int32_t appendWithConcatOfList(LLKCString* const* nilTerminated) noexcept;
  int32_t appendWithFormat(const char* format, ...) noexcept LLK_PRINTF(2, 3);
  int32_t appendWithFormat_andList(const char* format, va_list arguments) noexcept LLK_PRINTF(2, 0);
  // Lets the object append its text (its toStringBuilder); always 0.
  int32_t appendWithObject(LLKBObject* object) noexcept;

  // ---- Text ----
  LLKCString* toString() noexcept override;  // an autoreleased copy of the text
  std::string_view view() const noexcept;     // the text in place, valid until the next change

 protected:
  ~LLKCStringBuilder() override;  // frees the buffer and the record
};

#endif  // TXQ_LLK_VALUES_LLKCSTRINGBUILDER_H
