#include <txq/llk/values/LLKCString.h>

#include <gtest/gtest.h>

#include <cstdarg>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <initializer_list>
#include <string>
#include <vector>

#include <txq/llk/object/LLKRef.h>
#include <txq/llk/values/LLKCStringBuilder.h>
#include <txq/llk/values/LLKFString.h>

#include "support/ObjectTest.h"

namespace {

LLKCString* S(const char* text) { return LLKCString::stringWithChars(text); }

// A derived string and the text it must hold; a null `expected` means nil.
struct TextCase {
  const char* id;
  LLKCString* got;
  const char* expected;
};

void expectTexts(std::initializer_list<TextCase> cases) {
  for (const TextCase& c : cases) {
    SCOPED_TRACE(c.id);
    if (c.expected == nullptr) {
      EXPECT_EQ(c.got, nullptr) << "got \"" << llk::view(c.got) << "\"";
    } else if (c.got == nullptr) {
      ADD_FAILURE() << "nil instead of \"" << c.expected << "\"";
    } else {
      EXPECT_EQ(c.got->view(), c.expected);
      EXPECT_EQ(c.got->chars()[c.got->length()], '\0');
    }
  }
}

// C variadic front end of initWithConcat_andList (+1); the list ends with nullptr.
LLKCString* concatList(LLKCString* first, ...) {
  va_list arguments;
  va_start(arguments, first);
  LLKCString* made = LLKCString::alloc()->initWithConcat_andList(first, arguments);
  va_end(arguments);
  return made;
}

// The tokens taken one by one until nil (at most 20).
std::vector<std::string> tokens(const char* text, const char* delimiters, bool include) {
  std::vector<std::string> out;
  LLKCString* s = S(text);
  uint64_t offset = 0;
  for (int i = 0; i < 20; ++i) {
    LLKCString* token = include ? s->tokenizeAndIncludeDelimiters_offset(S(delimiters), &offset)
                                : s->tokenizeWithDelimiters_offset(S(delimiters), &offset);
    if (token == nullptr) break;
    out.emplace_back(token->view());
  }
  return out;
}

}  // namespace

class LLKCStringTest : public txqtest::ObjectTest {};

// ---- Creation ----

TEST_F(LLKCStringTest, CopyingFactoriesOwnExactlyTheGivenBytes) {
  char text[] = {'a', '\0', 'b', 'c', 'X', '\0'};
  LLKCString* whole = S(text);
  LLKCString* four = LLKCString::stringWithChars_length(text, 4);
  ASSERT_NE(whole, nullptr);
  ASSERT_NE(four, nullptr);
  text[0] = 'j';
  EXPECT_EQ(whole->view(), "a");
  EXPECT_EQ(four->view(), std::string_view("a\0bc", 4));  // the embedded zero is kept
  EXPECT_EQ(S(nullptr), nullptr);
  EXPECT_EQ(LLKCString::stringWithChars_length(text, uint64_t{1} << 32), nullptr);  // over 4 GiB - 1
}

TEST_F(LLKCStringTest, FormatAndConcatenation) {
  LLKCString* cd = S("cd");
  LLKCString* owned = LLKCString::alloc()->initWithFormat("%d+%d", 1, 2);
  LLKCString* const none = nullptr;
  LLKCString* all = concatList("one"_llk, S("two"), "three"_llk, S("four"), none);
  LLKCString* nilFirst = concatList(nullptr, "x"_llk, "y"_llk, "z"_llk, none);
  expectTexts({
      {"format mix", LLKCString::stringWithFormat("%s|%4.1f|%x|%c", "ab", 2.5, 255u, 'z'), "ab| 2.5|ff|z"},
      {"format empty", LLKCString::stringWithFormat("%s", ""), ""},
      {"init format", owned, "1+2"},
      {"concat trailing nil", LLKCString::stringWithConcat("ab"_llk, cd, "e"_llk, nullptr), "abcde"},
      {"concat stops at nil", LLKCString::stringWithConcat("ab"_llk, nullptr, cd), "ab"},
      {"concat nil first", LLKCString::stringWithConcat(nullptr, cd), ""},
      // The va_list form walks a copy of the list for each pass.
      {"list of four", all, "onetwothreefour"},
      {"list, nil first counts 0", nilFirst, "xyz"},
  });
  llk::release(owned);
  llk::release(all);
  llk::release(nilFirst);
}

// ---- Derived strings ----

TEST_F(LLKCStringTest, SubstringsAnswerNilPastTheEndAndNeverWrap) {
  LLKCString* s = S("abc");
  expectTexts({
      {"upto 2", s->substringUptoOffset(2), "abc"},
      {"upto 3", s->substringUptoOffset(3), nullptr},
      {"upto max", s->substringUptoOffset(UINT64_MAX), nullptr},
      {"from 2", s->substringFromOffset(2), "c"},
      {"from length", s->substringFromOffset(3), nullptr},
      {"from 1 length 0 is empty", s->substringFromOffset_length(1, 0), ""},
      {"from 1 length 2", s->substringFromOffset_length(1, 2), "bc"},
      {"from 2 length 2", s->substringFromOffset_length(2, 2), nullptr},
      {"from length length 0", s->substringFromOffset_length(3, 0), nullptr},
      {"huge length", s->substringFromOffset_length(1, UINT64_MAX), nullptr},
      {"before last /", S("a/b/c")->substringUptoLastOccurrenceOf_caseSensitive('/', true), "a/b"},
      {"last / at 0", S("/abc")->substringUptoLastOccurrenceOf_caseSensitive('/', true), ""},
      {"before last X, any case", S("aXbxc")->substringUptoLastOccurrenceOf_caseSensitive('X', false), "aXb"},
      {"before last X, exact", S("aXbxc")->substringUptoLastOccurrenceOf_caseSensitive('X', true), "a"},
  });
  EXPECT_EQ(s->substringUptoLastOccurrenceOf_caseSensitive('/', true), s);
}

TEST_F(LLKCStringTest, CaseChangesInverseAndLiteral) {
  expectTexts({
      {"upper", S("Hello, World 1")->toUpper(), "HELLO, WORLD 1"},
      {"lower", S("Hello, World 1")->toLower(), "hello, world 1"},
      {"inverse", S("Hello, World 1")->inverse(), "1 dlroW ,olleH"},
      {"upper keeps high bytes", S("\xE9z")->toUpper(), "\xE9Z"},
      {"inverse of empty", S("")->inverse(), ""},
      {"literal escapes", S("\a\b\t\n\v\f\r\"\\")->toLiteral(), "\\a\\b\\t\\n\\v\\f\\r\\\"\\\\"},
      {"literal copies other controls", S("\x01x\x1b\x7f\n")->toLiteral(), "\x01x\x1b\x7f\\n"},
  });
  for (const char* text : {"plain text", "", "\x01\x1b"}) {
    LLKCString* s = S(text);
    EXPECT_EQ(s->toLiteral(), s) << "no escape needed in \"" << text << "\"";
  }
}

TEST_F(LLKCStringTest, TrimmingHeadAndTail) {
  enum Op { kHead, kTail, kBoth };
  struct Case {
    const char* id;
    Op op;
    const char *text, *head, *tail, *expected;  // expected null for nil
    bool same;                                  // the receiver itself
  } cases[] = {
      {"tail slashes", kTail, "/usr/lib//", nullptr, "/", "/usr/lib", false},
      {"tail keeps a lone first char", kTail, "/", nullptr, "/", "/", true},
      {"tail of all set chars", kTail, "///", nullptr, "/", "/", false},
      {"tail nothing to trim", kTail, "/usr", nullptr, "/", "/usr", true},
      {"tail of empty", kTail, "", nullptr, "/", "", true},
      {"head spaces", kHead, "  ab ", " ", nullptr, "ab ", false},
      {"head of all set chars", kHead, "   ", " ", nullptr, nullptr, false},
      {"head nil set", kHead, " a", nullptr, nullptr, " a", true},
      {"both, only head present", kBoth, "  ab", " ", " ", "ab", false},
      {"both, only tail present", kBoth, "ab  ", " ", " ", "ab", false},
      {"both, nothing present", kBoth, "ab", " ", " ", "ab", true},
      {"both, different sets", kBoth, "xyabyx", "xy", "x", "aby", false},
      {"both, runs meet", kBoth, "ab", "a", "b", "", false},
      {"empty head set trims tail only", kBoth, " ab ", "", " ", " ab", false},
      {"empty tail set trims head only", kBoth, " ab ", " ", "", "ab ", false},
      {"empty tail set, all head chars", kBoth, "xxx", "x", "", "x", false},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.id);
    LLKCString* s = S(c.text);
    LLKCString* got = c.op == kHead   ? s->trimHead(c.head)
                      : c.op == kTail ? s->trimTail(c.tail)
                                      : s->trimHead_andTail(c.head, c.tail);
    expectTexts({{c.id, got, c.expected}});
    EXPECT_EQ(got == s, c.same);
  }
  // Texts made only of set characters: nil or at most one character, never a crash.
  for (const char* text : {"", " ", "  ", "     ", "xyx"}) {
    LLKCString* got = S(text)->trimHead_andTail(" xy", " xy");
    EXPECT_TRUE(got == nullptr || got->length() <= 1)
        << "\"" << text << "\" gave \"" << llk::view(got) << "\"";
  }
}

TEST_F(LLKCStringTest, TokenizeSkipsOrKeepsDelimiters) {
  using V = std::vector<std::string>;
  EXPECT_EQ(tokens(",,ab;c,", ",;", false), (V{"ab", "c"}));
  EXPECT_EQ(tokens("abc", ",", false), (V{"abc"}));
  EXPECT_EQ(tokens("", ",", false), V{});
  EXPECT_EQ(tokens(",;ab", ",;", true), (V{",", ";", "ab"}));
  EXPECT_EQ(tokens("ab,", ",", true), (V{"ab", ","}));
  LLKCString* s = S("a,b");
  uint64_t offset = 0;
  EXPECT_EQ(s->tokenizeWithDelimiters_offset(nullptr, &offset), s);
  EXPECT_EQ(s->tokenizeWithDelimiters_offset(S(""), &offset), s);
  EXPECT_EQ(s->tokenizeAndIncludeDelimiters_offset(nullptr, &offset), s);
  EXPECT_EQ(offset, 0u);
}

// ---- Comparison ----

TEST_F(LLKCStringTest, CaseInsensitiveCompareOrdersTheLongerTextFirst) {
  struct Case {
    const char *a, *b;
    int32_t expected;
  } cases[] = {{"Hello", "hELLO", 0}, {"abcd", "ABC", -1}, {"abc", "ABCD", 1},
               {"abc", "ABD", -1},    {"b", "A", 1},         {"", "a", 1}};
  for (const Case& c : cases) {
    SCOPED_TRACE(std::string(c.a) + " vs " + c.b);
    EXPECT_EQ(strcmp_cu(c.a, c.b), c.expected);
    EXPECT_EQ(S(c.a)->compareToChars_caseSensitive(c.b, false), c.expected);
    EXPECT_EQ(S(c.a)->compareToString_caseSensitive(S(c.b), false), c.expected);
  }
  EXPECT_GT(S("abc")->compareToChars_caseSensitive("ABC", true), 0);
  EXPECT_EQ(S("abc")->compareToString_caseSensitive(nullptr, false), 1);
  EXPECT_EQ(strncmp_cu("a", "b", 0), 0);
  EXPECT_EQ(strncmp_cu("abX", "ABY", 2), 0);
  EXPECT_EQ(strncmp_cu("a\0x", "A\0y", 3), -1);  // runs over the zero byte
}

// Bytes of 0x80 and above are negative chars, so they order before ASCII letters.
TEST_F(LLKCStringTest, CaseInsensitiveCompareTakesBytesAsSignedChars) {
  EXPECT_EQ(strcmp_cu("\xE9", "a"), -1);
  EXPECT_EQ(strcmp_cu("a", "\xE9"), 1);
  EXPECT_EQ(strncmp_cu("\xE9", "a", 1), -1);
  EXPECT_EQ(S("\xE9")->compareToChars_caseSensitive("a", false), -1);
}

TEST_F(LLKCStringTest, CompareToOrdersOnlyStringsAndLiterals) {
  LLKCString* heap = S("abc");
  LLKCString* literal = "abc"_llk;
  EXPECT_EQ(heap->compareTo(literal), 0);
  EXPECT_LT(heap->compareTo("abd"_llk), 0);
  EXPECT_GT(heap->compareTo(S("abb")), 0);
  EXPECT_EQ(heap->compareTo(nullptr), 1);
  EXPECT_EQ(heap->compareToString(nullptr), 1);
  EXPECT_EQ(heap->compareToChars(nullptr), 1);
  // A builder holding a larger text still answers 1: only the class counts.
  LLKCStringBuilder* builder = LLKCStringBuilder::builderWithCapacity(4);
  ASSERT_NE(builder, nullptr);
  builder->appendWithChars("abd");
  EXPECT_EQ(heap->compareTo(builder), 1);
}

TEST_F(LLKCStringTest, StartWithAndEndWith) {
  struct Case {
    const char *id, *text, *arg;  // arg null for nil
    bool caseSensitive, starts, ends;
  } cases[] = {
      {"prefix", "hello", "he", true, true, false},
      {"suffix", "hello", "lo", true, false, true},
      {"whole text", "hello", "hello", true, true, true},
      {"empty argument", "hello", "", true, true, true},
      {"other case, exact", "Hello", "hE", true, false, false},
      {"other case, any case prefix", "Hello", "hE", false, true, false},
      {"other case, any case suffix", "Hello", "LO", false, false, true},
      {"receiver shorter", "he", "hel", true, false, false},
      {"nil argument", "hello", nullptr, true, false, false},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.id);
    LLKCString* s = S(c.text);
    LLKCString* arg = c.arg != nullptr ? S(c.arg) : nullptr;
    EXPECT_EQ(s->startWith_caseSensitive(arg, c.caseSensitive), c.starts);
    EXPECT_EQ(s->endWith_caseSensitive(arg, c.caseSensitive), c.ends);
    if (c.caseSensitive) {
      EXPECT_EQ(s->startWith(arg), c.starts);
      EXPECT_EQ(s->endWith(arg), c.ends);
    }
  }
}

// ---- Searching ----

TEST_F(LLKCStringTest, SearchesStoreTheMatchInTheOffset) {
  enum Op { kFirst, kLast, kText };
  struct Case {
    const char* id;
    Op op;
    const char *text, *what;  // what: the character (first byte) or the text searched for
    bool caseSensitive;
    uint64_t offset;
    bool found;
    uint64_t expected;
  } cases[] = {
      {"first after offset", kFirst, "abcabc", "b", true, 2, true, 4},
      {"first at offset", kFirst, "abcabc", "b", true, 4, true, 4},
      {"first none after: offset kept", kFirst, "abcabc", "a", true, 4, false, 4},
      {"first any case", kFirst, "abcABC", "C", false, 0, true, 2},
      {"first exact case misses", kFirst, "abc", "B", true, 0, false, 0},
      {"first offset at length", kFirst, "abc", "c", true, 3, false, 3},
      {"last from start", kLast, "a/b/c", "/", true, 0, true, 3},
      {"last at offset", kLast, "a/b/c", "/", true, 3, true, 3},
      {"last none after: offset kept", kLast, "a/b/c", "/", true, 4, false, 4},
      {"last any case", kLast, "xAxa", "A", false, 0, true, 3},
      {"last exact case", kLast, "xAxa", "A", true, 0, true, 1},
      {"text found after offset", kText, "one two two", "two", true, 5, true, 8},
      {"text absent: offset is length", kText, "one two", "three", true, 0, false, 7},
      {"text any case", kText, "One TWO", "two", false, 0, true, 4},
      {"text exact case misses", kText, "One TWO", "two", true, 0, false, 7},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.id);
    LLKCString* s = S(c.text);
    uint64_t offset = c.offset;
    bool found =
        c.op == kFirst ? s->findFirstOccurrenceOf_caseSensitive_offset(c.what[0], c.caseSensitive, &offset)
        : c.op == kLast
            ? s->findLastOccurrenceOf_caseSensitive_offset(c.what[0], c.caseSensitive, &offset)
            : s->findFirstOccurrenceOfString_caseSensitive_offset(S(c.what), c.caseSensitive, &offset);
    EXPECT_EQ(found, c.found);
    EXPECT_EQ(offset, c.expected);
  }
  EXPECT_EQ(S("a,b,,c")->countAllOccurencesOf(','), 3u);
  EXPECT_EQ(S("aAa")->countAllOccurencesOf('a'), 2u);
}

// ---- Copies and literals ----

TEST_F(LLKCStringTest, NoCopyBorrowsOrAdoptsAndShallowCopiesShareOnlyBorrowedCharacters) {
  static const char text[] = "borrowed";
  LLKCString* borrowed = LLKCString::stringWithCharsNoCopy(text);
  EXPECT_EQ(LLKCString::stringWithCharsNoCopy(nullptr), nullptr);
  LLKCString* shared = borrowed->copy();
  LLKCString* deep = borrowed->deepCopy();
  ASSERT_NE(shared, nullptr);
  ASSERT_NE(deep, nullptr);
  EXPECT_NE(shared, borrowed);
  EXPECT_EQ(shared->chars(), text);
  EXPECT_EQ(shared->iFreeWD, 0u);
  EXPECT_NE(deep->chars(), text);
  EXPECT_EQ(deep->view(), "borrowed");
  EXPECT_EQ(deep->iFreeWD, 1u);

  LLKCString* owner = LLKCString::alloc()->initWithChars("owned");
  llk::Ref<LLKCString> copy = owner->copy();
  ASSERT_TRUE(copy);
  EXPECT_NE(copy->chars(), owner->chars());
  owner->release();  // the copy must not depend on the original's buffer
  EXPECT_EQ(copy->view(), "owned");
  EXPECT_EQ(copy->iFreeWD, 1u);

  char* heap = static_cast<char*>(std::malloc(4));
  ASSERT_NE(heap, nullptr);
  std::memcpy(heap, "abc", 4);
  owner = LLKCString::alloc()->initWithCharsNoCopy_freeWhenDone(heap, true);
  ASSERT_NE(owner, nullptr);
  EXPECT_EQ(owner->chars(), heap);
  EXPECT_EQ(owner->iFreeWD, 1u);
  owner->release();  // frees `heap` with C free: the leak checker reports it otherwise

  LLKBObject* plain = LLKBObject::new_();
  EXPECT_EQ(LLKCString::alloc()->initWithCopy_deep(plain, false), nullptr);  // freed, not leaked
  llk::release(plain);
}

TEST_F(LLKCStringTest, CopiesKeepTheCachedHashAndLiteralCopiesAreCounted) {
  LLKCString* s = S("hash me");
  uint32_t hash = s->hashCode();
  EXPECT_EQ(s->copy()->iHash, hash);
  EXPECT_EQ(s->deepCopy()->iHash, hash);

  LLKCString* literal = "copied literal"_llk;
  for (LLKCString* copy : {literal->copy(), literal->deepCopy()}) {
    ASSERT_NE(copy, nullptr);
    EXPECT_NE(copy, literal);
    EXPECT_EQ(copy->class_(), LLKCString::classObject());
    EXPECT_EQ(copy->view(), "copied literal");
    copy->retain();
    EXPECT_EQ(copy->retainCount(), 2u);
    copy->release();
  }
}

TEST_F(LLKCStringTest, LiteralIsOneUncountedConstantPerText) {
  LLKCString* literal = "literal probe"_llk;
  EXPECT_TRUE(literal->isLiteral());
  EXPECT_STREQ(literal->className(), "LLKCString");
  EXPECT_EQ(literal->class_(), LLKCLiteralString::classObject());
  EXPECT_EQ(literal->retain(), literal);
  literal->release();
  literal->release();
  EXPECT_EQ(literal->retainCount(), 1u);
  EXPECT_EQ(literal->autorelease(), literal);
  EXPECT_EQ("literal probe"_llk, literal);
  EXPECT_NE("literal probf"_llk, literal);
  EXPECT_EQ(literal->iHash, 0u);
  uint32_t hash = literal->hashCode();
  EXPECT_EQ(literal->iHash, hash);
  EXPECT_EQ(hash, S("literal probe")->hashCode());
}

// ---- Helpers ----

TEST_F(LLKCStringTest, ViewStrAndRef) {
  std::string_view text("a\0b", 3);
  EXPECT_EQ(llk::view(llk::str(text)), text);
  EXPECT_TRUE(llk::view(nullptr).empty());
  llk::Ref<LLKCString> kept = S("kept");
  EXPECT_EQ(kept->retainCount(), 2u);
  drain();
  EXPECT_EQ(kept->retainCount(), 1u);
  EXPECT_EQ(kept->view(), "kept");
}
