#include <txq/llk/collections/LLKCObjectPair.h>

#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

#include <txq/llk/collections/LLKBObjectContainer.h>
#include <txq/llk/values/LLKCNumber.h>
#include <txq/llk/values/LLKCString.h>
#include <txq/llk/values/LLKCStringBuilder.h>
#include <txq/llk/values/LLKFHash.h>

#include "support/ObjectTest.h"

namespace {

LLKCObjectPair* pair(const char* head, const char* tail) {
  return LLKCObjectPair::pairWithHead_andTail(head != nullptr ? LLKCString::stringWithChars(head) : nullptr,
                                              tail != nullptr ? LLKCString::stringWithChars(tail) : nullptr);
}

uint32_t maPrime(std::initializer_list<const char*> pieces) {
  LLKTHashMaPrime32State state;
  LLKFHashMaPrime32Init(&state);
  for (const char* piece : pieces) {
    LLKFHashMaPrime32Feed(&state, reinterpret_cast<const uint8_t*>(piece), std::strlen(piece));
  }
  return LLKFHashMaPrime32Hash(&state);
}

int sign(int32_t v) { return v < 0 ? -1 : (v > 0 ? 1 : 0); }

}  // namespace

class LLKCObjectPairTest : public txqtest::ObjectTest {};

TEST_F(LLKCObjectPairTest, IsAKeyNotAContainerAndHoldsBothParts) {
  LLKCObjectPair* p = pair("h", "t");
  EXPECT_FALSE(llk::isa<LLKBObjectContainer>(p));
  EXPECT_TRUE(p->conformsToProtocol(&LLKPKeyable::kProtocol));
  LLKCString* head = LLKCString::stringWithChars("h");
  LLKCObjectPair* owned = LLKCObjectPair::alloc()->initWithHead_andTail(head, nullptr);
  EXPECT_EQ(head->retainCount(), 2u);
  owned->release();
  EXPECT_EQ(head->retainCount(), 1u);
}

TEST_F(LLKCObjectPairTest, ComparesHeadsThenTailsAndEqualsItsOwnHead) {
  struct Case {
    const char* head1;
    const char* tail1;
    const char* head2;
    const char* tail2;
    int expected;
  };
  const Case cases[] = {
      {"a", "z", "b", "a", -1},          // heads decide when they differ
      {"b", "a", "a", "z", 1},
      {"a", "x", "a", "y", -1},          // then tails
      {"a", "y", "a", "x", 1},
      {"a", nullptr, "a", "x", 0},       // a missing tail: the heads decide
      {"a", "x", "a", nullptr, 0},
      {nullptr, "x", nullptr, "x", 0},   // missing heads order first
      {nullptr, "x", "a", "x", -1},
      {nullptr, "x", nullptr, "y", -1},
      {"a", "x", nullptr, "x", 1},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(sign(pair(c.head1, c.tail1)->compareTo(pair(c.head2, c.tail2))), c.expected)
        << (c.head1 ? c.head1 : "-") << "." << (c.tail1 ? c.tail1 : "-") << " vs " << (c.head2 ? c.head2 : "-")
        << "." << (c.tail2 ? c.tail2 : "-");
  }
  LLKCObjectPair* p = pair("users", "42");
  EXPECT_EQ(p->compareTo(p->head()), 0);
  EXPECT_EQ(p->compareTo(LLKCString::stringWithChars("users")), 0);  // a bare head key finds it
  EXPECT_EQ(sign(p->compareTo("usert"_llk)), -1);
  EXPECT_EQ(sign(pair(nullptr, "x")->compareTo("a"_llk)), -1);
}

TEST_F(LLKCObjectPairTest, HashFeedsTheHeadThenTheTailIntoOneFreshState) {
  EXPECT_EQ(pair("ab", "cd")->hashCode(), maPrime({"ab", "cd"}));
  EXPECT_NE(pair("ab", "cd")->hashCode(), maPrime({"abcd"}));  // two feeds, not one text
  EXPECT_EQ(pair("ab", nullptr)->hashCode(), LLKCString::stringWithChars("ab")->hashCode());
  EXPECT_EQ(pair(nullptr, "cd")->hashCode(), maPrime({"cd"}));
  std::vector<std::string> pieces;
  LLKFHashFeed feed = [](void* context, const uint8_t* bytes, uint64_t n) -> uint32_t {
    auto* out = static_cast<std::vector<std::string>*>(context);
    out->emplace_back(reinterpret_cast<const char*>(bytes), n);
    return static_cast<uint32_t>(out->size());
  };
  LLKCObjectPair* nested = LLKCObjectPair::pairWithHead_andTail(pair("a", "b"), "c"_llk);
  EXPECT_EQ(nested->hashCodeWithFunction_andContext(feed, &pieces), 3u);  // the last feed's answer
  EXPECT_EQ(pieces, (std::vector<std::string>{"a", "b", "c"}));
  EXPECT_EQ(nested->hashCodeWithFunction_andContext(nullptr, nullptr), 0u);
}

TEST_F(LLKCObjectPairTest, TextJoinsThePartsWithADot) {
  EXPECT_EQ(pair("users", nullptr)->toString()->view(), "users");
  EXPECT_EQ(pair(nullptr, "42")->toString()->view(), "42");
  EXPECT_EQ(pair(nullptr, nullptr)->toString(), nullptr);
  LLKCObjectPair* nested = LLKCObjectPair::pairWithHead_andTail(pair("a", "b"), LLKCNumber::numberWithSint(7));
  EXPECT_EQ(nested->toString()->view(), "a.b.7");
  LLKCObjectPair* textless = LLKCObjectPair::pairWithHead_andTail(llk::autorelease(LLKBObject::new_()), "t"_llk);
  EXPECT_EQ(textless->toString()->view(), ".t");
  LLKCStringBuilder* builder = LLKCStringBuilder::builderWithCapacity(4);
  builder->appendWithChars("key=");
  EXPECT_EQ(pair("users", "42")->toStringBuilder(builder), 0);
  EXPECT_EQ(pair(nullptr, nullptr)->toStringBuilder(builder), 2);
  EXPECT_EQ(builder->view(), "key=users.42");
  EXPECT_EQ(pair("users", "42")->toStringBuilder()->view(), "users.42");
}

TEST_F(LLKCObjectPairTest, ShallowCopySharesThePartsDeepCopyCopiesThem) {
  LLKCObjectPair* p = pair("h", "t");
  LLKCObjectPair* copy = p->copy();
  ASSERT_NE(copy, nullptr);
  EXPECT_EQ(copy->head(), p->head());
  EXPECT_EQ(copy->tail(), p->tail());
  LLKCObjectPair* deep = p->deepCopy();
  ASSERT_NE(deep, nullptr);
  EXPECT_NE(deep->head(), p->head());
  EXPECT_NE(deep->tail(), p->tail());
  EXPECT_EQ(deep->compareTo(p), 0);
  LLKBObject* plain = llk::autorelease(LLKBObject::new_());
  EXPECT_EQ(LLKCObjectPair::pairWithHead_andTail("h"_llk, plain)->deepCopy(), nullptr);
  EXPECT_EQ(LLKCObjectPair::pairWithHead_andTail(plain, "t"_llk)->deepCopy(), nullptr);
}
