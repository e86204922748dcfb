#include <txq/llk/values/LLKCData.h>

#include <gtest/gtest.h>

#include <cstdlib>
#include <cstring>

#include <txq/llk/values/LLKCString.h>
#include <txq/llk/values/LLKFHash.h>

#include "support/ObjectTest.h"

class LLKCDataTest : public txqtest::ObjectTest {};

TEST_F(LLKCDataTest, CreationOwnsCopiesAndBorrowsInPlace) {
  LLKCData* zeros = LLKCData::dataWithLength(4);
  ASSERT_NE(zeros, nullptr);
  EXPECT_EQ(zeros->length(), 4u);
  EXPECT_EQ(std::memcmp(zeros->bytes(), "\0\0\0\0", 4), 0);
  char text[] = "abc";
  LLKCData* copy = LLKCData::dataWithBytes_length(text, 3);
  LLKCData* borrowed = LLKCData::dataWithBytesNoCopy_length(text, 3);
  EXPECT_NE(copy->bytes(), text);
  EXPECT_EQ(borrowed->bytes(), text);
  EXPECT_EQ(borrowed->resize(8), 11);  // not owned
  EXPECT_EQ(borrowed->length(), 3u);
  LLKCData* empty = llk::autorelease(LLKCData::new_());
  EXPECT_EQ(empty->length(), 0u);
  EXPECT_EQ(empty->bytes(), nullptr);
  EXPECT_EQ(LLKCData::dataWithBytes_length(nullptr, 3), nullptr);
  void* heap = std::malloc(5);
  LLKCData* owner = LLKCData::alloc()->initWithBytesNoCopy_length_freeWhenDone(heap, 5, true);
  ASSERT_NE(owner, nullptr);
  owner->release();  // frees `heap`; the leak checker reports it otherwise
}

TEST_F(LLKCDataTest, ResizeKeepsTheBytesAndCanEmpty) {
  LLKCData* data = LLKCData::dataWithBytes_length("xyz", 3);
  EXPECT_EQ(data->resize(1000), 0);
  EXPECT_EQ(data->length(), 1000u);
  EXPECT_EQ(std::memcmp(data->bytes(), "xyz", 3), 0);
  EXPECT_EQ(data->resize(0), 0);
  EXPECT_EQ(data->length(), 0u);
}

TEST_F(LLKCDataTest, ComparesByLengthFirstThenBytes) {
  LLKCData* two = LLKCData::dataWithBytes_length("ab", 2);
  LLKCData* three = LLKCData::dataWithBytes_length("abc", 3);
  LLKCData* bigger = LLKCData::dataWithBytes_length("abd", 3);
  EXPECT_EQ(two->compareTo(three), -1);
  EXPECT_EQ(three->compareTo(two), 1);
  EXPECT_EQ(three->compareTo(bigger), -1);
  EXPECT_EQ(three->compareTo(LLKCData::dataWithBytes_length("abc", 3)), 0);
  EXPECT_EQ(LLKCData::dataWithBytes_length("zz", 2)->compareTo(three), -1);  // shorter first, whatever the bytes
  EXPECT_EQ(three->compareTo(LLKCString::stringWithChars("abc")), 1);
  EXPECT_EQ(llk::autorelease(LLKCData::new_())->compareTo(LLKCData::dataWithLength(0)), 0);
}

TEST_F(LLKCDataTest, HashTextAndTagFollowTheBytesOnly) {
  LLKCData* data = LLKCData::dataWithBytes_length("foobar", 6);
  data->setTag(77);
  EXPECT_EQ(data->hashCode(), LLKFComputeHashcode32(reinterpret_cast<const uint8_t*>("foobar"), 6));
  EXPECT_EQ(data->toString()->view(), "Zm9vYmFy");
  EXPECT_EQ(llk::autorelease(LLKCData::new_())->toString()->view(), "");
  LLKCData* copy = data->copy();
  EXPECT_EQ(copy->tag(), 0u);  // the tag is not copied
  EXPECT_EQ(copy->compareTo(data), 0);
}

TEST_F(LLKCDataTest, CopiesDuplicateOwnedBytesAndShareBorrowedOnes) {
  static char text[] = "shared";
  LLKCData* owned = LLKCData::dataWithBytes_length(text, 6);
  LLKCData* borrowed = LLKCData::dataWithBytesNoCopy_length(text, 6);
  EXPECT_NE(owned->deepCopy()->bytes(), owned->bytes());
  EXPECT_EQ(borrowed->copy()->bytes(), text);
  EXPECT_EQ(borrowed->deepCopy()->bytes(), text);  // the deep flag makes no difference
  EXPECT_EQ(borrowed->copy()->resize(1), 11);
}
