#include <txq/llk/values/LLKFNumberText.h>

#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>
#include <cstring>
#include <string>

namespace {

// Formats a real with a buffer of exactly the queried size and checks that the answers agree.
std::string real64(int32_t decimals, double x) {
  int32_t needed = LLKFStringFormatReal64(nullptr, 0, decimals, x);
  std::string text(static_cast<size_t>(needed), '#');
  int32_t written = LLKFStringFormatReal64(text.data(), text.size(), decimals, x);
  EXPECT_EQ(written + 1, needed) << "size query and written length disagree";
  EXPECT_EQ(std::strlen(text.c_str()), static_cast<size_t>(written));
  return text.c_str();
}

template <class T>
struct ConvertCase {
  const char *id, *text;
  bool ok;
  T value;
};

// Each row through the conversion; a refused text must leave the output alone.
template <class T, size_t N>
void expectConversions(bool (*convert)(const char*, T*) noexcept, const ConvertCase<T> (&rows)[N]) {
  for (const ConvertCase<T>& row : rows) {
    SCOPED_TRACE(row.id);
    T out = static_cast<T>(77);
    EXPECT_EQ(convert(row.text, &out), row.ok);
    EXPECT_EQ(out, row.ok ? row.value : static_cast<T>(77));
  }
}

}  // namespace

// ---- Integers to text ----

// A null buffer asks for the size: digits, sign and zero.
TEST(LLKFNumberTextTest, IntegerFormattingAnswersLengthPlusOneExceptSint64) {
  char text[32];
  EXPECT_EQ(LLKFStringFormatUint32(nullptr, 0, 0), 2);
  EXPECT_EQ(LLKFStringFormatUint32(nullptr, 0, UINT32_MAX), 11);
  EXPECT_EQ(LLKFStringFormatSint32(nullptr, 0, INT32_MIN), 12);
  EXPECT_EQ(LLKFStringFormatSint32(nullptr, 0, -5), 3);
  EXPECT_EQ(LLKFStringFormatUint32(text, sizeof text, UINT32_MAX), 11);
  EXPECT_STREQ(text, "4294967295");
  EXPECT_EQ(LLKFStringFormatSint32(text, sizeof text, INT32_MIN), 12);
  EXPECT_STREQ(text, "-2147483648");
  EXPECT_EQ(LLKFStringFormatUint64(text, sizeof text, UINT64_MAX), 21);
  EXPECT_STREQ(text, "18446744073709551615");
  EXPECT_EQ(LLKFStringFormatSint64(text, sizeof text, INT64_MIN), 20);  // without the zero
  EXPECT_STREQ(text, "-9223372036854775808");
  for (int64_t v : {INT64_MIN, int64_t{-10}, int64_t{-1}, int64_t{0}, int64_t{9}, int64_t{10}, INT64_MAX}) {
    SCOPED_TRACE(v);
    EXPECT_EQ(LLKFStringFormatSint64(text, sizeof text, v) + 1, LLKFStringFormatSint64(nullptr, 0, v));
    EXPECT_EQ(LLKFStringFormatUint64(text, sizeof text, static_cast<uint64_t>(v)),
              LLKFStringFormatUint64(nullptr, 0, static_cast<uint64_t>(v)));
  }
}

TEST(LLKFNumberTextTest, ShortBuffersAreNeverOverrun) {
  const std::string full = "-12345.68";
  for (uint64_t size = 0; size <= full.size() + 1; ++size) {
    SCOPED_TRACE(size);
    char area[32];
    std::memset(area, 'Z', sizeof area);
    EXPECT_EQ(LLKFStringFormatReal64(area, size, 2, -12345.678), static_cast<int32_t>(full.size()));
    for (size_t i = size; i < sizeof area; ++i) ASSERT_EQ(area[i], 'Z') << "byte " << i << " overwritten";
    if (size > 0) {
      EXPECT_EQ(std::string(area), full.substr(0, size - 1));
    }
    std::memset(area, 'Z', sizeof area);
    LLKFStringFormatSint64(area, size, -1234567);
    LLKFStringFormatUint32(area, size, 4000000000u);
    for (size_t i = size; i < sizeof area; ++i) ASSERT_EQ(area[i], 'Z') << "byte " << i << " overwritten";
  }
}

// ---- Reals to text ----

TEST(LLKFNumberTextTest, RealsRoundHalfAwayFromZeroAndCarry) {
  struct Row {
    const char* id;
    int32_t decimals;
    double x;
    const char* expected;
  };
  const Row rows[] = {
      {"1.05 keeps its digits", 2, 1.05, "1.05"},
      {"carry into the integer", 2, 9.999, "10.00"},
      {"no decimals keeps the point", 0, 1.5, "2."},
      {"half away from zero", 2, 0.125, "0.13"},
      {"negative half", 0, -2.5, "-3."},
      {"minus with integer part 0", 2, -0.5, "-0.50"},
      {"minus kept when rounding to 0", 2, -0.001, "-0.00"},
      {"negative zero has no sign", 2, -0.0, "0.00"},
      {"leading zeros of the fraction", 3, 2.007, "2.007"},
      {"negative decimals count as 0", -4, 3.25, "3."},
      {"decimals capped at 18", 40, 0.5, "0.500000000000000000"},
      {"largest integer part", 1, 9223372036854774784.0, "9223372036854774784.0"},
      {"2^63 prints all digits", 0, 9223372036854775808.0, "9223372036854775808."},
      {"huge negative", 2, -1e20, "-100000000000000000000.00"},
      {"nan", 2, std::nan(""), "nan"},
      {"inf", 2, INFINITY, "inf"},
      {"-inf", 0, -INFINITY, "-inf"},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.id);
    EXPECT_EQ(real64(row.decimals, row.x), row.expected);
  }
  char text[16];
  EXPECT_EQ(LLKFStringFormatReal32(text, sizeof text, 2, 2.675f), 4);
  EXPECT_STREQ(text, "2.67");  // the float lies just below 2.675
}

TEST(LLKFNumberTextTest, RealSizeQueryFollowsTheRoundedValue) {
  for (int32_t decimals = 0; decimals <= 18; ++decimals) {
    for (double x : {0.0, 0.5, 0.95, 0.999999, 9.5, 99.9999, -99.9999, 1234.5678, -0.0004, 1e15 + 0.5}) {
      SCOPED_TRACE(testing::Message() << x << " with " << decimals);
      std::string text = real64(decimals, x);
      ASSERT_EQ(text.size() - text.find('.') - 1, static_cast<size_t>(decimals)) << text;
    }
  }
}

// ---- Text to numbers ----

TEST(LLKFNumberTextTest, UnsignedConversionsReadTheLeadingNumberWithinRange) {
  const ConvertCase<uint32_t> uint32Rows[] = {
      {"hexadecimal", "0x1F", true, 31},
      {"0x alone reads the decimal 0", "0x", true, 0},
      {"second prefix as scanning allows", "0x0x10", true, 16},
      {"text after the number", "12abc", true, 12},
      {"an exponent ends the integer", "1e3", true, 1},
      {"largest", "4294967295", true, UINT32_MAX},
      {"one beyond", "4294967296", false, 0},
      {"hexadecimal beyond", "0x100000000", false, 0},
      {"negative does not wrap", "-1", false, 0},
      {"no digits", "abc", false, 0},
  };
  expectConversions(LLKFStringConvertToUint32, uint32Rows);
  const ConvertCase<uint64_t> uint64Rows[] = {
      {"largest", "18446744073709551615", true, UINT64_MAX},
      {"one beyond", "18446744073709551616", false, 0},
      {"hexadecimal", "0xffffffffffffffff", true, UINT64_MAX},
      {"negative", " -5", false, 0},
  };
  expectConversions(LLKFStringConvertToUint64, uint64Rows);
  EXPECT_FALSE(LLKFStringConvertToUint32(nullptr, nullptr));
}

TEST(LLKFNumberTextTest, SignedAndRealConversionsRefuseOutOfRangeText) {
  const ConvertCase<int32_t> sint32Rows[] = {
      {"smallest", "-2147483648", true, INT32_MIN},
      {"below", "-2147483649", false, 0},
      {"above", "2147483648", false, 0},
      {"no hexadecimal form", "0x10", true, 0},
      {"plus sign", "+12x", true, 12},
  };
  expectConversions(LLKFStringConvertToSint32, sint32Rows);
  const ConvertCase<int64_t> sint64Rows[] = {
      {"smallest", "-9223372036854775808", true, INT64_MIN},
      {"above", "9223372036854775808", false, 0},
      {"hexadecimal", "0x7fffffffffffffff", true, INT64_MAX},
      {"hexadecimal beyond", "0x8000000000000000", false, 0},
      {"negative hexadecimal", "0x-1", true, -1},
  };
  expectConversions(LLKFStringConvertToSint64, sint64Rows);
  const ConvertCase<double> real64Rows[] = {
      {"text after the number", "1.5x", true, 1.5},
      {"overflow", "1e400", false, 0},
      {"underflow reads 0", "1e-400", true, 0.0},
      {"no number", ".e1", false, 0},
  };
  expectConversions(LLKFStringConvertToReal64, real64Rows);
  const ConvertCase<float> real32Rows[] = {
      {"float", "3.5", true, 3.5f},
      {"beyond float", "1e39", false, 0},
  };
  expectConversions(LLKFStringConvertToReal32, real32Rows);
}

TEST(LLKFNumberTextTest, CharacterChecksCountSignsExponentsAndPoints) {
  struct Row {
    const char* text;
    bool uint, sint, real;
  };
  const Row rows[] = {
      {"", true, true, false},         {"123", true, true, false},       {"+12", true, true, false},
      {"1+2+", false, false, false},   {"-12", false, true, false},      {"+-1", false, false, false},
      {"1.5", false, false, true},     {"-1.5e+3", false, false, false}, {"-1.5e3", false, false, true},
      {"1.5eE3", false, false, false}, {"1..5", false, false, false},    {"12a", false, false, false},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.text);
    EXPECT_EQ(LLKFStringMayContainsUint(row.text), row.uint);
    EXPECT_EQ(LLKFStringMayContainsSint(row.text), row.sint);
    EXPECT_EQ(LLKFStringMayContainsReal(row.text), row.real);
  }
  EXPECT_FALSE(LLKFStringMayContainsUint(nullptr));
}
