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

TEST_F(LLKCObjectPairTest, IsAKeyNotAContainer) {
  LLKCObjectPair* p = pair("a", "b");
  EXPECT_EQ(LLKCObjectPair::classObject()->superclass(), LLKBObject::classObject());
  EXPECT_FALSE(llk::isa<LLKBObjectContainer>(p));
  EXPECT_TRUE(p->conformsToProtocol(&LLKPKeyable::kProtocol));
  EXPECT_TRUE(p->conformsToProtocol(&LLKPCopyable::kProtocol));
}

TEST_F(LLKCObjectPairTest, HoldsBothPartsRetained) {
  LLKCString* head = LLKCString::stringWithChars("h");
  LLKCString* tail = LLKCString::stringWithChars("t");
  const uint32_t base = head->retainCount();
  LLKCObjectPair* p = LLKCObjectPair::alloc()->initWithHead_andTail(head, tail);
  EXPECT_EQ(p->head(), head);
  EXPECT_EQ(p->tail(), tail);
  EXPECT_EQ(head->retainCount(), base + 1);
  EXPECT_EQ(tail->retainCount(), base + 1);
  p->release();
  EXPECT_EQ(head->retainCount(), base);
  EXPECT_EQ(tail->retainCount(), base);
  EXPECT_EQ(pair("h", nullptr)->tail(), nullptr);
}

// ---- Comparison ----

TEST_F(LLKCObjectPairTest, ComparedWithItsOwnHeadIsEqual) {
  LLKCObjectPair* p = pair("users", "42");
  EXPECT_EQ(p->compareTo(p->head()), 0);
  EXPECT_EQ(p->compareTo(LLKCString::stringWithChars("users")), 0);  // a bare head key finds it
  EXPECT_EQ(sign(p->compareTo("usert"_llk)), -1);
  EXPECT_EQ(sign(p->compareTo("user"_llk)), 1);
  LLKBObject* plain = llk::autorelease(LLKBObject::new_());
  LLKCObjectPair* identity = LLKCObjectPair::pairWithHead_andTail(plain, "t"_llk);
  EXPECT_EQ(identity->compareTo(plain), 0);
}

TEST_F(LLKCObjectPairTest, PairsCompareHeadsThenTails) {
  EXPECT_EQ(sign(pair("a", "z")->compareTo(pair("b", "a"))), -1);  // heads decide when they differ
  EXPECT_EQ(sign(pair("b", "a")->compareTo(pair("a", "z"))), 1);
  EXPECT_EQ(sign(pair("a", "x")->compareTo(pair("a", "y"))), -1);
  EXPECT_EQ(sign(pair("a", "y")->compareTo(pair("a", "x"))), 1);
  EXPECT_EQ(pair("a", "x")->compareTo(pair("a", "x")), 0);
  EXPECT_EQ(pair("a", nullptr)->compareTo(pair("a", "x")), 0);  // a missing tail: the heads decide
  EXPECT_EQ(pair("a", "x")->compareTo(pair("a", nullptr)), 0);
  EXPECT_EQ(sign(pair("a", nullptr)->compareTo(pair("b", "x"))), -1);
}

TEST_F(LLKCObjectPairTest, MissingHeadsOrderFirst) {
  EXPECT_EQ(pair(nullptr, "x")->compareTo(pair(nullptr, "x")), 0);
  EXPECT_EQ(sign(pair(nullptr, "x")->compareTo(pair("a", "x"))), -1);
  EXPECT_EQ(sign(pair(nullptr, "x")->compareTo(pair(nullptr, "y"))), -1);
  EXPECT_EQ(sign(pair(nullptr, "x")->compareTo("a"_llk)), -1);
  EXPECT_NE(pair("a", "x")->compareTo(pair(nullptr, "x")), 0);
}

// ---- Hashing ----

TEST_F(LLKCObjectPairTest, HashFeedsTheHeadThenTheTailIntoOneFreshState) {
  EXPECT_EQ(pair("ab", "cd")->hashCode(), maPrime({"ab", "cd"}));
  EXPECT_NE(pair("ab", "cd")->hashCode(), maPrime({"abcd"}));  // two feeds, not one text
  EXPECT_EQ(pair("ab", nullptr)->hashCode(), LLKCString::stringWithChars("ab")->hashCode());
  EXPECT_EQ(pair(nullptr, "cd")->hashCode(), maPrime({"cd"}));
  EXPECT_NE(pair("ab", "cd")->hashCode(), "ab"_llk->hashCode());  // equal to its head, hashed apart
  LLKCObjectPair* p = pair("ab", "cd");
  EXPECT_EQ(p->hashCode(), p->hashCode());
  EXPECT_EQ(p->hashCode(), pair("ab", "cd")->hashCode());
}

TEST_F(LLKCObjectPairTest, HashFeedPassesThePiecesInOrder) {
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

// ---- Text ----

TEST_F(LLKCObjectPairTest, TextJoinsThePartsWithADot) {
  EXPECT_EQ(pair("users", "42")->toString()->view(), "users.42");
  EXPECT_EQ(pair("users", nullptr)->toString()->view(), "users");
  EXPECT_EQ(pair(nullptr, "42")->toString()->view(), "42");
  EXPECT_EQ(pair(nullptr, nullptr)->toString(), nullptr);
  LLKCObjectPair* nested = LLKCObjectPair::pairWithHead_andTail(pair("a", "b"), LLKCNumber::numberWithSint(7));
  EXPECT_EQ(nested->toString()->view(), "a.b.7");
  LLKCObjectPair* textless = LLKCObjectPair::pairWithHead_andTail(llk::autorelease(LLKBObject::new_()), "t"_llk);
  EXPECT_EQ(textless->toString()->view(), ".t");
}

TEST_F(LLKCObjectPairTest, StringBuildersGetTheSameText) {
  LLKCObjectPair* p = pair("users", "42");
  LLKCStringBuilder* built = p->toStringBuilder();
  ASSERT_NE(built, nullptr);
  EXPECT_EQ(built->view(), "users.42");
  LLKCStringBuilder* builder = LLKCStringBuilder::builderWithCapacity(4);
  builder->appendWithChars("key=");
  EXPECT_EQ(p->toStringBuilder(builder), 0);
  EXPECT_EQ(builder->view(), "key=users.42");
  EXPECT_EQ(pair(nullptr, nullptr)->toStringBuilder(builder), 2);
  EXPECT_EQ(builder->view(), "key=users.42");
}

// ---- Copies ----

TEST_F(LLKCObjectPairTest, ShallowCopySharesThePartsDeepCopyCopiesThem) {
  LLKCObjectPair* p = pair("h", "t");
  LLKCObjectPair* copy = p->copy();
  ASSERT_NE(copy, nullptr);
  EXPECT_NE(copy, p);
  EXPECT_EQ(copy->head(), p->head());
  EXPECT_EQ(copy->tail(), p->tail());
  EXPECT_EQ(copy->hashCode(), p->hashCode());
  LLKCObjectPair* deep = p->deepCopy();
  ASSERT_NE(deep, nullptr);
  EXPECT_NE(deep->head(), p->head());
  EXPECT_NE(deep->tail(), p->tail());
  EXPECT_EQ(deep->compareTo(p), 0);
  EXPECT_EQ(deep->hashCode(), p->hashCode());
  EXPECT_EQ(pair("h", nullptr)->deepCopy()->tail(), nullptr);
}

TEST_F(LLKCObjectPairTest, DeepCopyOfAnUncopyablePartIsNil) {
  LLKBObject* plain = llk::autorelease(LLKBObject::new_());
  EXPECT_EQ(LLKCObjectPair::pairWithHead_andTail("h"_llk, plain)->deepCopy(), nullptr);
  EXPECT_EQ(LLKCObjectPair::pairWithHead_andTail(plain, "t"_llk)->deepCopy(), nullptr);
  EXPECT_NE(LLKCObjectPair::pairWithHead_andTail(plain, "t"_llk)->copy(), nullptr);
}
