#include <txq/llk/values/LLKCGuid.h>

#include <gtest/gtest.h>

#include <cstring>

#include <txq/llk/values/LLKCString.h>
#include <txq/llk/values/LLKFHash.h>

#include "support/ObjectTest.h"

class LLKCGuidTest : public txqtest::ObjectTest {};

TEST_F(LLKCGuidTest, TextRoundTripGivesAnEqualGuid) {
  LLKCGuid* guid = LLKCGuid::guid();
  LLKCString* text = guid->toString();
  ASSERT_NE(text, nullptr);
  EXPECT_EQ(text->length(), 36u);
  LLKCGuid* parsed = LLKCGuid::guidFromString(text);
  ASSERT_NE(parsed, nullptr);
  EXPECT_EQ(parsed->compareTo(guid), 0);
  EXPECT_EQ(parsed->hashCode(), guid->hashCode());
  EXPECT_NE(LLKCGuid::guid()->compareTo(guid), 0);  // random
}

TEST_F(LLKCGuidTest, RecordReadsTheBytesInHostOrder) {
  const char bytes[16] = {0x01, 0x02, 0x03, 0x04, 0x05, 0x06, 0x07, 0x08,
                          0x09, 0x0a, 0x0b, 0x0c, 0x0d, 0x0e, 0x0f, 0x10};
  LLKCGuid* guid = LLKCGuid::guidWithBytes(bytes);
  EXPECT_EQ(guid->data()->mData1, 0x04030201u);
  EXPECT_EQ(guid->data()->mData4, 0x0a09u);
  EXPECT_EQ(guid->data()->mData5, 0x100f0e0d0c0bull);
  EXPECT_EQ(guid->toString()->view(), "04030201-0605-0807-0a09-100f0e0d0c0b");
  EXPECT_EQ(std::memcmp(LLKCGuid::guidWithQuads(guid->quads())->bytes(), bytes, 16), 0);
  EXPECT_EQ(LLKCGuid::guidFromData(guid->data())->compareTo(guid), 0);
  EXPECT_EQ(guid->hashCode(), LLKFComputeHashcode32(reinterpret_cast<const uint8_t*>(bytes), 16));
}

TEST_F(LLKCGuidTest, BadInputGivesNilAndCopiesAreTheGuidItself) {
  EXPECT_EQ(LLKCGuid::guidFromChars("not a guid"), nullptr);
  EXPECT_EQ(LLKCGuid::guidFromChars(nullptr), nullptr);
  EXPECT_EQ(LLKCGuid::guidFromString(nullptr), nullptr);
  EXPECT_EQ(LLKCGuid::guidWithBytes(nullptr), nullptr);
  LLKCGuid* guid = LLKCGuid::guid();
  EXPECT_EQ(guid->copy(), guid);
  EXPECT_EQ(guid->deepCopy(), guid);
  EXPECT_EQ(guid->retainCount(), 1u);
  LLKCGuid* made = LLKCGuid::alloc()->initWithCopy_deep(guid, false);
  EXPECT_EQ(made->compareTo(guid), 0);
  made->release();
  EXPECT_EQ(guid->compareTo(LLKCString::stringWithChars("x")), 1);
}
