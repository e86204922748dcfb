#include <gtest/gtest.h>

#include <sys/stat.h>
#include <unistd.h>

#include <cstdlib>
#include <cstring>
#include <string>

#include <txq/llk/coding/LLKCBinaryReader.h>
#include <txq/llk/coding/LLKCBinaryWriter.h>
#include <txq/llk/coding/LLKCMemoryIO.h>
#include <txq/llk/coding/LLKCNullIO.h>
#include <txq/llk/coding/LLKCStreamIO.h>
#include <txq/llk/values/LLKCData.h>

#include "support/ObjectTest.h"

namespace {

class LLKChannelsTest : public txqtest::ObjectTest {
 protected:
  void SetUp() override {
    ObjectTest::SetUp();
    char pattern[] = "/tmp/txq-channels-XXXXXX";
    ASSERT_NE(mkdtemp(pattern), nullptr);
    folder_ = pattern;
  }
  void TearDown() override {
    std::string command = "rm -rf '" + folder_ + "'";
    ASSERT_EQ(std::system(command.c_str()), 0);
    ObjectTest::TearDown();
  }
  std::string path(const char* name) const { return folder_ + "/" + name; }
  static bool exists(const std::string& path) {
    struct stat info;
    return stat(path.c_str(), &info) == 0;
  }

 private:
  std::string folder_;
};

TEST_F(LLKChannelsTest, MemoryWithoutBlockSizeNeverGrowsAndStoresNothingThatDoesNotFit) {
  LLKCMemoryIO* m = LLKCMemoryIO::memoryWithLength(16);
  EXPECT_EQ(std::memcmp(m->bytes(), std::string(16, '\0').data(), 16), 0);  // new blocks are zero
  EXPECT_EQ(m->store_bytesFrom(10, "0123456789"), 10u);
  EXPECT_EQ(m->store_bytesFrom(10, "abcdefghij"), 0u);  // would overshoot: nothing stored
  EXPECT_EQ(m->position(), 10u);
  EXPECT_EQ(std::memcmp(m->bytesAt(10), "\0\0\0\0\0\0", 6), 0);
  EXPECT_EQ(m->store_bytesFrom(6, "abcdef"), 6u);
  EXPECT_TRUE(m->isEndReached());
  EXPECT_EQ(m->store_bytesFrom(1, "x"), 0u);
  EXPECT_EQ(m->getLength(), 16u);
  EXPECT_EQ(m->store_bytesFrom_atOffset(2, "XY", 15), 0u);
  EXPECT_EQ(m->store_bytesFrom_atOffset(2, "XY", 14), 2u);
  EXPECT_EQ(m->position(), 16u);
  EXPECT_EQ(m->bytesAt(16), nullptr);
}

TEST_F(LLKChannelsTest, MemoryGrowsByAtLeastTheBlockSizeWithZeroedTail) {
  LLKCMemoryIO* m = LLKCMemoryIO::memoryWithLength_andBlockSize(16, 128);
  std::string sixteen(16, 'a');
  EXPECT_EQ(m->store_bytesFrom(16, sixteen.data()), 16u);
  EXPECT_EQ(m->store_bytesFrom(1, "b"), 1u);
  EXPECT_EQ(m->getLength(), 144u);
  EXPECT_EQ(*static_cast<char*>(m->bytesAt(143)), '\0');
  std::string big(1000, 'c');
  EXPECT_EQ(m->store_bytesFrom(1000, big.data()), 1000u);  // overshoot larger than a block
  EXPECT_EQ(m->getLength(), 144u + (17 + 1000 - 144));
}

TEST_F(LLKChannelsTest, MemoryMovesClampAndFetchesStopAtTheEnd) {
  LLKCMemoryIO* m = LLKCMemoryIO::memoryWithBytes_length("abcdef", 6);
  EXPECT_EQ(m->seek(100), 0);
  EXPECT_EQ(m->position(), 6u);
  EXPECT_EQ(m->seek(3), 0);
  EXPECT_EQ(m->skip(-10), 0);
  EXPECT_EQ(m->position(), 0u);
  EXPECT_EQ(m->skip(100), 0);
  EXPECT_EQ(m->position(), 6u);
  m->rewind();
  char out[8] = {};
  EXPECT_EQ(m->fetch_bytesInto(4, out), 4u);
  EXPECT_EQ(m->fetch_bytesInto(4, out), 2u);
  EXPECT_EQ(std::string(out, 2), "ef");
  EXPECT_EQ(m->fetch_bytesInto(4, out), 0u);
  EXPECT_EQ(m->fetch_bytesInto_atOffset(10, out, 1), 5u);
  EXPECT_EQ(m->fetch_bytesInto_atOffset(1, out, 6), 0u);
  EXPECT_EQ(m->position(), 6u);
  m->seek(4);
  m->shiftLeftBy(2);
  EXPECT_EQ(std::string(static_cast<char*>(m->bytes()), 6), "cdefef");
  EXPECT_EQ(m->position(), 2u);
  m->shiftLeftBy(6);  // not below the length: nothing
  EXPECT_EQ(m->position(), 2u);
}

TEST_F(LLKChannelsTest, MemoryWithoutABlockAnswersNothing) {
  LLKCMemoryIO* m = LLKCMemoryIO::memoryWithBytes_length("abc", 3);
  EXPECT_TRUE(m->dispose());
  EXPECT_TRUE(m->isDisposed());
  EXPECT_FALSE(m->recycle());
  EXPECT_EQ(m->getLength(), 0u);
  EXPECT_EQ(m->position(), 0u);
  EXPECT_TRUE(m->isEndReached());
  EXPECT_EQ(m->seek(0), 25);
  EXPECT_EQ(m->skip(1), 25);
  EXPECT_EQ(m->rewind(), 25);
  EXPECT_EQ(m->unwind(), 25);
  EXPECT_FALSE(m->setLength(8));
  EXPECT_EQ(m->store_bytesFrom(1, "x"), 0u);
  EXPECT_EQ(m->dataWithCopy(true), nullptr);
}

TEST_F(LLKChannelsTest, MemoryHandsItsBlockToData) {
  LLKCMemoryIO* m = LLKCMemoryIO::memoryWithLength_andBlockSize(0, 64);
  m->store_bytesFrom(5, "hello");
  LLKCData* shared = m->dataWithCopy(false);
  EXPECT_EQ(shared->bytes(), m->bytes());
  LLKCData* cut = m->dataWithLength_copy(3, true);
  EXPECT_EQ(cut->length(), 3u);
  EXPECT_NE(cut->bytes(), m->bytes());
  LLKCData* moved = m->dataWithTransfert();  // owns the block now: freed with the data (leak-checked)
  ASSERT_NE(moved, nullptr);
  EXPECT_EQ(std::memcmp(moved->bytes(), "hello", 5), 0);
  char out[4];
  EXPECT_EQ(m->fetch_bytesInto(4, out), 0u);
  EXPECT_TRUE(m->isDisposed());
  char borrowed[4] = "xyz";
  LLKCMemoryIO* wrap = LLKCMemoryIO::memoryWithBytesNoCopy_length(borrowed, 3);
  EXPECT_FALSE(wrap->setLength(10));
  EXPECT_EQ(wrap->bytes(), borrowed);
}

TEST_F(LLKChannelsTest, NullChannelCountsWithoutStoring) {
  LLKCNullIO* n = LLKCNullIO::null();
  EXPECT_EQ(n->store_bytesFrom(10, nullptr), 10u);
  EXPECT_EQ(n->store_bytesFrom_atOffset(5, nullptr, 20), 5u);
  EXPECT_EQ(n->getLength(), 25u);
  EXPECT_EQ(n->position(), 10u);
  EXPECT_EQ(n->seek(100), 0);
  EXPECT_EQ(n->position(), 25u);
  EXPECT_EQ(n->skip(-30), 0);
  EXPECT_EQ(n->fetch_bytesInto(40, nullptr), 25u);
  EXPECT_EQ(n->fetch_bytesInto_atOffset(10, nullptr, 20), 5u);
  EXPECT_TRUE(n->isEndReached());
}

TEST_F(LLKChannelsTest, ReadOnlyStreamsNeverCreateOrWrite) {
  const std::string missing = path("missing.bin");
  EXPECT_EQ(LLKCStreamIO::streamWithPath_readOnly(missing.c_str(), true), nullptr);
  EXPECT_FALSE(exists(missing));
  LLKCStreamIO* created = LLKCStreamIO::streamWithPath_readOnly(missing.c_str(), false);
  ASSERT_NE(created, nullptr);
  EXPECT_TRUE(created->isWritable());
  EXPECT_EQ(created->getLength(), 0u);
  EXPECT_EQ(created->store_bytesFrom(3, "abc"), 3u);
  created->dispose();
  EXPECT_EQ(created->seek(0), 25);
  LLKCStreamIO* reader = LLKCStreamIO::streamWithPath_readOnly(missing.c_str(), true);
  ASSERT_NE(reader, nullptr);
  EXPECT_EQ(reader->store_bytesFrom(1, "x"), 0u);
  EXPECT_FALSE(reader->setLength(0));
  EXPECT_EQ(reader->getLength(), 3u);
}

TEST_F(LLKChannelsTest, StreamsMixReadsAndWritesAndTruncateAfterBufferedWrites) {
  LLKCStreamIO* s = LLKCStreamIO::streamWithPath_length(path("mixed.bin").c_str(), 8);
  ASSERT_NE(s, nullptr);
  EXPECT_EQ(s->getLength(), 8u);
  EXPECT_EQ(s->store_bytesFrom(4, "abcd"), 4u);
  char out[8] = {};
  EXPECT_EQ(s->fetch_bytesInto(2, out), 2u);  // straight after a write
  EXPECT_EQ(std::string(out, 2), std::string("\0\0", 2));
  EXPECT_EQ(s->store_bytesFrom(2, "ef"), 2u);  // straight after a read
  EXPECT_EQ(s->fetch_bytesInto_atOffset(4, out, 4), 4u);
  EXPECT_EQ(std::string(out, 4), std::string("\0\0ef", 4));
  EXPECT_EQ(s->position(), 8u);
  EXPECT_EQ(s->store_bytesFrom(4, "ghij"), 4u);  // buffered, beyond the cut below
  EXPECT_TRUE(s->setLength(2));
  EXPECT_EQ(s->getLength(), 2u);
  EXPECT_TRUE(s->setLength(5));
  EXPECT_EQ(s->fetch_bytesInto_atOffset(8, out, 0), 5u);  // the cut held: "ghij" did not come back
  EXPECT_EQ(std::string(out, 5), std::string("ab\0\0\0", 5));
  s->unwind();
  EXPECT_EQ(s->fetch_bytesInto(1, out), 0u);
  EXPECT_TRUE(s->isEndReached());
}

TEST_F(LLKChannelsTest, WriterAndReaderConcatenateBareValues) {
  LLKCMemoryIO* m = LLKCMemoryIO::memoryWithLength_andBlockSize(0, 32);
  LLKCBinaryWriter* w = LLKCBinaryWriter::writerWithTarget(m);
  ASSERT_NE(w, nullptr);
  EXPECT_TRUE(w->writeBool(true) && w->writeByte(0xAB) && w->writeUint16(0x1234) && w->writeSint32(-2) &&
              w->writeUint64(1ull << 40) && w->writeReal32(1.5f) && w->writeReal64(-2.25) &&
              w->writeBuffer_length("xyz", 3));
  EXPECT_EQ(m->position(), 1u + 1 + 2 + 4 + 8 + 4 + 8 + 3);
  m->rewind();
  LLKCBinaryReader* r = LLKCBinaryReader::readerWithSource(m);
  EXPECT_TRUE(r->readBool());
  EXPECT_EQ(r->readByte(), 0xAB);
  EXPECT_EQ(r->readUint16(), 0x1234);
  EXPECT_EQ(r->readSint32(), -2);
  EXPECT_EQ(r->readUint64(), 1ull << 40);
  EXPECT_EQ(r->readReal32(), 1.5f);
  EXPECT_EQ(r->readReal64(), -2.25);
  char out[8] = {};
  EXPECT_EQ(r->readBuffer_length(out, 5), 0u);  // only 3 left: 0, though they were copied
  EXPECT_EQ(std::string(out, 3), "xyz");
  uint32_t value = 7;
  EXPECT_FALSE(r->readUint32(&value));
  EXPECT_EQ(value, 7u);
  EXPECT_EQ(r->readReal64(), 0.0);
  EXPECT_EQ(LLKCBinaryWriter::writerWithTarget(LLKCData::dataWithLength(1)), nullptr);  // not a channel
}

}  // namespace
