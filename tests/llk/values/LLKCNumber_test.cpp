#include <txq/llk/values/LLKCNumber.h>

#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <limits>
#include <string>

#include <txq/llk/values/LLKCString.h>
#include <txq/llk/values/LLKCStringBuilder.h>
#include <txq/llk/values/LLKFHash.h>

#include "support/ObjectTest.h"

namespace {

LLKCNumber* B(bool v) { return LLKCNumber::numberWithBool(v); }
LLKCNumber* I(int64_t v) { return LLKCNumber::numberWithSint(v); }
LLKCNumber* U(uint64_t v) { return LLKCNumber::numberWithUint(v); }
LLKCNumber* R(double v) { return LLKCNumber::numberWithReal(v); }
std::string text(LLKCNumber* n) { return std::string(llk::view(n->toString())); }
constexpr double kNaN = std::numeric_limits<double>::quiet_NaN();
constexpr double kInf = std::numeric_limits<double>::infinity();

}  // namespace

class LLKCNumberTest : public txqtest::ObjectTest {};

TEST_F(LLKCNumberTest, TypesAndSettersChangeInPlace) {
  LLKCNumber* n = I(-7);
  EXPECT_EQ(n->type(), 2u);
  EXPECT_TRUE(n->isSint());
  n->setReal(2.5);
  EXPECT_TRUE(n->isReal());
  EXPECT_EQ(n->real(), 2.5);
  n->setBool(true);  // only the first byte changes
  EXPECT_EQ(n->type(), 0u);
  EXPECT_TRUE(n->bool_());
  EXPECT_EQ(n->iData.mBytes[0], 1u);
  EXPECT_EQ(U(5)->type(), 3u);
  EXPECT_EQ(R(1)->type(), 4u);
}

TEST_F(LLKCNumberTest, ConversionsSaturateInsteadOfOverflowing) {
  EXPECT_TRUE(R(kNaN)->bool_());  // NaN counts as true
  EXPECT_FALSE(R(0.0)->bool_());
  EXPECT_EQ(R(-2.9)->sint(), -2);  // truncated towards zero
  EXPECT_EQ(R(kNaN)->sint(), 0);
  EXPECT_EQ(R(1e300)->sint(), INT64_MAX);
  EXPECT_EQ(R(-kInf)->sint(), INT64_MIN);
  EXPECT_EQ(R(1e19)->uint(), 10000000000000000000u);  // above 2^63 is still read
  EXPECT_EQ(R(1e30)->uint(), UINT64_MAX);
  EXPECT_EQ(R(-1.0)->uint(), UINT64_MAX);  // negative reals go through their signed value
  EXPECT_EQ(R(kNaN)->uint(), 0u);
  EXPECT_EQ(I(-1)->uint(), UINT64_MAX);  // integers keep their bits
  EXPECT_EQ(U(UINT64_MAX)->sint(), -1);
  EXPECT_EQ(B(true)->sint(), 1);
  EXPECT_EQ(B(true)->real(), 1.0);
  LLKCNumber* unknown = I(5);
  unknown->iType = 1;
  EXPECT_FALSE(unknown->bool_());
  EXPECT_EQ(unknown->sint(), 0);
  EXPECT_EQ(unknown->real(), 0.0);
}

TEST_F(LLKCNumberTest, CompareFollowsTypeRulesAndTheEpsilon) {
  struct Case {
    const char* id;
    LLKCNumber* a;
    LLKBObject* b;
    int32_t expected;
  } cases[] = {
      {"sint -1 vs uint max compare as sint", I(-1), U(UINT64_MAX), 0},
      {"reals within epsilon", R(0.1), R(0.1 + 1e-17), 0},
      {"reals apart", R(1.0), R(1.5), -1},
      {"NaN is below both ways", R(kNaN), R(1.0), -1},
      {"NaN is below both ways, reversed", R(1.0), R(kNaN), -1},
      {"real against sint goes through real", R(2.5), I(2), 1},
      {"sint against uint goes through sint", I(-5), U(3), -1},
      {"bool against uint goes through uint", B(true), U(2), -1},
      {"bools", B(true), B(false), 1},
      {"bools equal", B(false), B(false), 0},
      {"uint order", U(3), U(10), -1},
      {"another class", I(1), LLKCString::stringWithChars("1"), 1},
      {"nil", I(1), nullptr, 1},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.id);
    EXPECT_EQ(c.a->compareTo(c.b), c.expected);
  }
}

TEST_F(LLKCNumberTest, HashesTheValueBytesAndFeedsTypeThenValue) {
  LLKCNumber* n = U(0x0102030405060708u);
  uint8_t bytes[8];
  std::memcpy(bytes, &n->iData, 8);
  EXPECT_EQ(n->hashCode(), LLKFComputeHashcode32(bytes, 8));
  EXPECT_EQ(I(1)->hashCode(), U(1)->hashCode());  // same bytes, same hash
  LLKTHashMaPrime32State state;
  LLKFHashMaPrime32Init(&state);
  uint32_t type = 3;
  LLKFHashMaPrime32Feed(&state, reinterpret_cast<const uint8_t*>(&type), 4);
  uint32_t expected = LLKFHashMaPrime32Feed(&state, bytes, 8);
  LLKFHashMaPrime32Init(&state);
  EXPECT_EQ(n->hashCodeWithFunction_andContext(&LLKFHashMaPrime32Feed, &state), expected);
}

TEST_F(LLKCNumberTest, TextFormsPerType) {
  struct Case {
    const char* id;
    LLKCNumber* n;
    const char* expected;
  } cases[] = {
      {"true", B(true), "true"},
      {"false", B(false), "false"},
      {"sint", I(-42), "-42"},
      {"uint max", U(UINT64_MAX), "18446744073709551615"},
      {"integral real", R(3.0), "3"},
      {"fractional real", R(3.5), "3.500000"},
      {"negative integral real", R(-2.0), "-2"},
      {"NaN", R(kNaN), "NaN"},
      {"integral beyond 64 bits", R(1e20), "100000000000000000000"},
      {"infinity", R(kInf), "inf"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.id);
    EXPECT_EQ(text(c.n), c.expected);
  }
  LLKCNumber* unknown = I(1);
  unknown->iType = 9;
  LLKCStringBuilder* builder = LLKCStringBuilder::builderWithCapacity(8);
  EXPECT_EQ(unknown->toStringBuilder(builder), 8);
  EXPECT_EQ(unknown->toString(), nullptr);
  EXPECT_EQ(I(7)->toStringBuilder()->view(), "7");
}

TEST_F(LLKCNumberTest, CopiesCarryTypeAndBytes) {
  LLKCNumber* n = R(-0.25);
  LLKCNumber* copy = n->copy();
  ASSERT_NE(copy, nullptr);
  EXPECT_NE(copy, n);
  EXPECT_EQ(copy->type(), 4u);
  EXPECT_EQ(copy->compareTo(n), 0);
  EXPECT_EQ(std::memcmp(&copy->iData, &n->iData, 8), 0);
  EXPECT_TRUE(n->conformsToProtocol(&LLKPKeyable::kProtocol));
}
