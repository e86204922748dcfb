#include <txq/llk/values/LLKFUnique.h>

#include <gtest/gtest.h>

#include <string_view>

#include <txq/llk/values/LLKCString.h>

#include "support/ObjectTest.h"

namespace {

// Only the letters a-f and q-z: hex digits with the digits mapped to q-z.
bool uniqueLetters(std::string_view text) {
  for (char c : text) {
    if (!((c >= 'a' && c <= 'f') || (c >= 'q' && c <= 'z'))) return false;
  }
  return true;
}

}  // namespace

class LLKFUniqueTest : public txqtest::ObjectTest {};

TEST_F(LLKFUniqueTest, UniqueStringsAre32LettersWithoutDigits) {
  LLKCString* first = LLKFUniqueString();
  LLKCString* second = LLKFUniqueString();
  ASSERT_NE(first, nullptr);
  ASSERT_NE(second, nullptr);
  EXPECT_EQ(first->length(), 32u);
  EXPECT_TRUE(uniqueLetters(first->view())) << first->view();
  EXPECT_NE(first->view(), second->view());
}

TEST_F(LLKFUniqueTest, LetterStringsDrawFromAToY) {
  LLKCString* letters = LLKFUniqueStringWithLength(500);
  ASSERT_NE(letters, nullptr);
  ASSERT_EQ(letters->length(), 500u);
  for (char c : letters->view()) ASSERT_TRUE(c >= 'a' && c <= 'y') << c;
  LLKCString* prefixed = LLKFUniqueStringWithLengthAndPrefix(3, "tmp-");
  ASSERT_NE(prefixed, nullptr);
  EXPECT_EQ(prefixed->length(), 7u);
  EXPECT_EQ(prefixed->view().substr(0, 4), "tmp-");
  EXPECT_EQ(llk::view(LLKFUniqueStringWithLength(0)), "");
  EXPECT_EQ(llk::view(LLKFUniqueStringWithLengthAndPrefix(0, nullptr)), "");
}

TEST_F(LLKFUniqueTest, TemporaryPaths) {
  EXPECT_EQ(llk::view(LLKFGetTemporaryPath()), "/tmp");
  LLKCString* path = LLKFGetTemporaryFilePath();
  ASSERT_NE(path, nullptr);
  ASSERT_EQ(path->length(), 37u);
  EXPECT_EQ(path->view().substr(0, 5), "/tmp/");
  EXPECT_TRUE(uniqueLetters(path->view().substr(5))) << path->view();
}
