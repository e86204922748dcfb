#include <txq/llk/values/LLKFGuid.h>

#include <gtest/gtest.h>

#include <cstring>

#include <txq/llk/values/LLKCString.h>

#include "support/ObjectTest.h"

class LLKFGuidTest : public txqtest::ObjectTest {};

TEST_F(LLKFGuidTest, FieldsReadTheBytesInHostOrder) {
  const uint8_t bytes[16] = {0x33, 0x22, 0x11, 0x00, 0x55, 0x44, 0x77, 0x66,
                             0x99, 0x88, 0xff, 0xee, 0xdd, 0xcc, 0xbb, 0xaa};
  LLKTGuid guid;
  std::memcpy(&guid, bytes, sizeof guid);
  EXPECT_EQ(llk::view(LLKFFormatGuid(&guid)), "00112233-4455-6677-8899-aabbccddeeff");
  LLKTGuid parsed;
  ASSERT_TRUE(LLKFParseGuidFromChars("00112233-4455-6677-8899-AABBCCDDEEFF", &parsed));  // uppercase too
  EXPECT_EQ(std::memcmp(&parsed, bytes, 16), 0);
}

TEST_F(LLKFGuidTest, GeneratedGuidsSurviveTheTextRoundTrip) {
  for (int i = 0; i < 50; ++i) {
    uint8_t bytes[16];
    LLKFGenerateGuid(bytes);
    LLKTGuid guid;
    std::memcpy(&guid, bytes, sizeof guid);
    LLKCString* text = LLKFFormatGuid(&guid);
    ASSERT_NE(text, nullptr);
    ASSERT_EQ(text->length(), 36u);
    LLKTGuid again;
    ASSERT_TRUE(LLKFParseGuid(text, &again)) << text->view();
    ASSERT_EQ(std::memcmp(&again, bytes, 16), 0) << text->view();
  }
}

TEST_F(LLKFGuidTest, IncompleteTextsAndNullsAreRefused) {
  LLKTGuid guid;
  std::memset(&guid, 0xab, sizeof guid);
  const LLKTGuid before = guid;
  for (const char* text :
       {"", "00112233-4455-6677-8899", "00112233-4455-6677-8899-", "zz112233-4455-6677-8899-aabb"}) {
    SCOPED_TRACE(text);
    EXPECT_FALSE(LLKFParseGuidFromChars(text, &guid));
    EXPECT_EQ(std::memcmp(&guid, &before, sizeof guid), 0) << "record changed";
  }
  EXPECT_FALSE(LLKFParseGuidFromChars(nullptr, &guid));
  EXPECT_FALSE(LLKFParseGuid(nullptr, &guid));
  EXPECT_EQ(LLKFFormatGuid(nullptr), nullptr);
  ASSERT_TRUE(LLKFParseGuidFromChars("1-2-3-4-5", &guid));  // short fields are accepted
  EXPECT_EQ(llk::view(LLKFFormatGuid(&guid)), "00000001-0002-0003-0004-000000000005");
}
