#include <txq/llk/values/LLKCStringBuilder.h>

#include <gtest/gtest.h>

#include <cstdarg>
#include <cstdint>
#include <cstring>
#include <new>
#include <string>

#include <txq/llk/values/LLKCString.h>
#include <txq/llk/values/LLKFString.h>

#include "support/ObjectTest.h"

namespace {

// C variadic front ends for the va_list forms; concatenation lists end with nullptr.
int32_t appendList(LLKCStringBuilder* builder, LLKCString* first, ...) {
  va_list arguments;
  va_start(arguments, first);
  int32_t status = builder->appendWithConcat_andList(first, arguments);
  va_end(arguments);
  return status;
}

LLK_PRINTF(3, 4) int32_t format(char* buffer, uint64_t size, const char* fmt, ...) {
  va_list arguments;
  va_start(arguments, fmt);
  int32_t status = LLKFStringFormat(buffer, size, fmt, arguments);
  va_end(arguments);
  return status;
}

}  // namespace

class LLKCStringBuilderTest : public txqtest::ObjectTest {
 protected:
  // An autoreleased builder of that capacity holding `text`.
  static LLKCStringBuilder* builder(uint64_t capacity, const char* text = nullptr) {
    LLKCStringBuilder* b = LLKCStringBuilder::builderWithCapacity(capacity);
    if (b == nullptr) throw std::bad_alloc();
    b->appendWithChars(text);
    return b;
  }
};

// ---- Size ----

TEST_F(LLKCStringBuilderTest, GrowthIsExactlyTheAppendedLength) {
  LLKCStringBuilder* b = builder(0);
  EXPECT_EQ(b->capacity(), 0u);
  EXPECT_EQ(b->view(), "");
  EXPECT_EQ(b->appendWithChars("ab"), 0);
  EXPECT_EQ(b->capacity(), 2u);
  EXPECT_EQ(b->appendWithChars("cde"), 0);
  EXPECT_EQ(b->capacity(), 5u);
  EXPECT_EQ(b->view(), "abcde");
  EXPECT_EQ(b->view().data()[5], '\0');
  LLKCStringBuilder* one = builder(0);
  EXPECT_EQ(one->append("hello"_llk), 0);
  EXPECT_EQ(one->capacity(), one->length());
  EXPECT_EQ(one->length(), 5u);
  EXPECT_EQ(builder(16, "abc")->capacity(), 16u);  // fits: no resize
}

TEST_F(LLKCStringBuilderTest, ClearKeepsTheBufferAndCompactReleasesIt) {
  LLKCStringBuilder* b = builder(0, "hello");
  b->clear();
  EXPECT_EQ(b->length(), 0u);
  EXPECT_EQ(b->capacity(), 5u);
  EXPECT_EQ(b->view(), "");
  EXPECT_EQ(b->compact(), 0);
  EXPECT_EQ(b->capacity(), 0u);
  b->appendWithChars("again");
  EXPECT_EQ(b->view(), "again");
}

TEST_F(LLKCStringBuilderTest, ResizeSmallerCutsTheTextAndLargerKeepsIt) {
  LLKCStringBuilder* b = builder(0, "abcdef");
  EXPECT_EQ(b->resize(3), 0);
  EXPECT_EQ(b->view(), "abc");
  EXPECT_EQ(b->capacity(), 3u);
  EXPECT_EQ(b->view().data()[3], '\0');
  EXPECT_EQ(b->resize(10), 0);
  EXPECT_EQ(b->capacity(), 10u);
  EXPECT_EQ(b->view(), "abc");
  EXPECT_EQ(b->resize(UINT64_MAX), 2);
  EXPECT_EQ(b->capacity(), 10u);
  EXPECT_EQ(b->view(), "abc");
  EXPECT_EQ(LLKCStringBuilder::alloc()->initWithCapacity(UINT64_MAX), nullptr);  // freed, not leaked
}

// ---- Appending ----

TEST_F(LLKCStringBuilderTest, AppendWithFormatMeasuresThenFormats) {
  LLKCStringBuilder* b = builder(4);  // the first text fits, the second makes it grow
  EXPECT_EQ(b->appendWithFormat("%d-%s", 42, "x"), 0);
  EXPECT_EQ(b->appendWithFormat("%d-%s", -7, ""), 0);
  EXPECT_EQ(b->appendWithFormat("%s", ""), 0);
  EXPECT_EQ(b->view(), "42-x-7-");
  EXPECT_EQ(b->capacity(), 7u);
}

TEST_F(LLKCStringBuilderTest, AppendWithConcatStopsAtTheFirstNil) {
  LLKCStringBuilder* b = builder(0);
  EXPECT_EQ(b->appendWithConcat("a"_llk, LLKCString::stringWithChars("bc"), "d"_llk), 0);
  EXPECT_EQ(b->appendWithConcat("e"_llk, nullptr, "zz"_llk), 0);
  EXPECT_EQ(appendList(b, "1"_llk, "22"_llk, "333"_llk, static_cast<LLKCString*>(nullptr)), 0);
  EXPECT_EQ(appendList(b, nullptr, "x"_llk, "y"_llk, static_cast<LLKCString*>(nullptr)), 0);
  EXPECT_EQ(b->view(), "abcde122333xy");
  EXPECT_EQ(b->capacity(), b->length());
}

TEST_F(LLKCStringBuilderTest, NilOrEmptyAppendsAnswerZeroAndChangeNothing) {
  LLKCStringBuilder* b = builder(4, "ab");
  LLKBObject* plain = LLKBObject::new_();
  EXPECT_EQ(b->append(nullptr), 0);
  EXPECT_EQ(b->appendWithChars(""), 0);
  EXPECT_EQ(b->appendWithChars(nullptr), 0);
  EXPECT_EQ(b->appendWithObject(nullptr), 0);
  EXPECT_EQ(b->appendWithObject(plain), 0);  // its toString is nil
  EXPECT_EQ(b->view(), "ab");
  EXPECT_EQ(b->capacity(), 4u);
  EXPECT_EQ(b->appendWithObject("cd"_llk), 0);
  EXPECT_EQ(b->view(), "abcd");
  llk::release(plain);
}

// The argument may be the builder's own text: growing must not leave it pointing at a freed buffer.
TEST_F(LLKCStringBuilderTest, AppendingItsOwnTextDoublesIt) {
  LLKCStringBuilder* b = builder(0, std::string(300, 'q').c_str());
  EXPECT_EQ(b->appendWithChars(b->view().data()), 0);
  EXPECT_EQ(b->length(), 600u);
  EXPECT_EQ(b->view().find_first_not_of('q'), std::string_view::npos);
  EXPECT_EQ(b->appendWithFormat("%s", b->view().data()), 0);
  EXPECT_EQ(b->length(), 1200u);
  EXPECT_EQ(b->view().find_first_not_of('q'), std::string_view::npos);
  ASSERT_EQ(b->resize(5000), 0);  // room enough: the text is formatted without moving
  EXPECT_EQ(b->appendWithFormat("%s", b->view().data()), 0);
  EXPECT_EQ(b->length(), 2400u);
  EXPECT_EQ(b->view().find_first_not_of('q'), std::string_view::npos);
}

// ---- Text ----

TEST_F(LLKCStringBuilderTest, ToStringAnswersAnIndependentCopyAndAStringMakesAnExactBuilder) {
  LLKCStringBuilder* b = builder(0, "abc");
  LLKCString* s = b->toString();
  ASSERT_NE(s, nullptr);
  EXPECT_NE(s->chars(), b->view().data());
  b->clear();
  b->appendWithChars("xyz");
  EXPECT_EQ(s->view(), "abc");
  LLKCStringBuilder* made = LLKCString::stringWithChars("hello")->toStringBuilder();
  ASSERT_NE(made, nullptr);
  EXPECT_EQ(made->view(), "hello");
  EXPECT_EQ(made->capacity(), made->length());
}

// ---- Bounded formatting ----

TEST(LLKFStringTest, FormatAnswersTheFullLengthPlusOneAndNeverWritesPastSize) {
  char buffer[8];
  std::memset(buffer, '#', sizeof buffer);
  EXPECT_EQ(format(buffer, 4, "%s", "abcdef"), 7);
  EXPECT_STREQ(buffer, "abc");
  EXPECT_EQ(buffer[4], '#');  // canary
  std::memset(buffer, '#', sizeof buffer);
  EXPECT_EQ(format(buffer, 0, "%d", 12345), 6);
  EXPECT_EQ(buffer[0], '#');
  std::memset(buffer, '#', sizeof buffer);
  EXPECT_EQ(format(buffer, 7, "%d-%s", 12, "abc"), 7);
  EXPECT_STREQ(buffer, "12-abc");
  EXPECT_EQ(buffer[7], '#');
  // A null buffer only measures, whatever the size.
  EXPECT_EQ(format(nullptr, 100, "%d-%s", 123, "abc"), 8);
  EXPECT_EQ(format(nullptr, 0, "%s", ""), 1);
}
