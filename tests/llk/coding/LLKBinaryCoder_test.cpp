#include <gtest/gtest.h>

#include <unistd.h>

#include <cstdio>
#include <cstring>
#include <string>

#include <txq/llk/coding/LLKCBinaryDecoder.h>
#include <txq/llk/coding/LLKCBinaryEncoder.h>
#include <txq/llk/coding/LLKCMemoryIO.h>
#include <txq/llk/coding/LLKCNullIO.h>
#include <txq/llk/coding/LLKCStreamIO.h>
#include <txq/llk/coding/LLKFBinaryCoder.h>
#include <txq/llk/values/LLKCLiteralString.h>
#include <txq/llk/values/LLKCString.h>

#include "support/ObjectTest.h"

// An encodable class of the test program: two unkeyed integers and an optional keyed child.
class CoderTestPoint : public LLKBObject {
  LLK_OBJECT(CoderTestPoint, LLKBObject)

 public:
  int32_t iX;
  int32_t iY;
  LLKBObject* iChild;

  bool encodeWithCoder(LLKBEncoder* coder) noexcept override {
    return coder->encodeSint32(iX) && coder->encodeSint32(iY) &&
           (iChild == nullptr || coder->encodeObject_forKey(iChild, "child"_llk));
  }
  CoderTestPoint* initWithCoder(LLKBDecoder* coder) noexcept override {
    if (!coder->decodeSint32(&iX) || !coder->decodeSint32(&iY)) {
      dealloc();
      return nullptr;
    }
    iChild = llk::retain(coder->decodeObjectForKey("child"_llk));
    return this;
  }

 protected:
  ~CoderTestPoint() override { llk::release(iChild); }
};
LLK_DEFINE_CLASS(CoderTestPoint, LLK_PROTOCOLS(LLKPEncodable))

// Registered, but not encodable: the decoder must refuse to make it.
class CoderTestPlain : public LLKBObject {
  LLK_OBJECT(CoderTestPlain, LLKBObject)
};
LLK_DEFINE_CLASS(CoderTestPlain, LLK_PROTOCOLS())

namespace {

using Bytes = std::string;

template <class T>
Bytes raw(T value) {
  return Bytes(reinterpret_cast<const char*>(&value), sizeof(T));
}

Bytes record(uint8_t tag, uint32_t keyHash, const Bytes& payload, const Bytes& name = {}) {
  const uint32_t nameLength = name.empty() ? 0 : static_cast<uint32_t>(name.size() + 1);
  Bytes out = "KmF" + Bytes(1, static_cast<char>(tag)) + raw(nameLength) + raw(keyHash) +
              raw(static_cast<uint32_t>(payload.size()));
  if (!name.empty()) out += name + Bytes(1, '\0');
  return out + payload;
}

Bytes stream(const Bytes& records) { return "kmS!" + raw(static_cast<uint32_t>(8 + records.size())) + records; }

class LLKBinaryCoderTest : public txqtest::ObjectTest {
 protected:
  void SetUp() override {
    ObjectTest::SetUp();
    memory_ = LLKCMemoryIO::memoryWithLength_andBlockSize(0, 256);
    encoder_ = LLKCBinaryEncoder::encoder();
    decoder_ = LLKCBinaryDecoder::decoder();
    ASSERT_TRUE(encoder_->beginWithTarget(memory_));
  }
  // Ceases the encoder and answers the stream's bytes.
  Bytes finish() {
    EXPECT_TRUE(encoder_->cease());
    return Bytes(static_cast<const char*>(memory_->bytes()), memory_->position());
  }
  // Ceases the encoder and opens the decoder at the start of the stream.
  void reopen() {
    EXPECT_TRUE(encoder_->cease());
    memory_->rewind();
    ASSERT_TRUE(decoder_->beginWithSource(memory_));
  }
  // Opens the decoder on bytes of the test's making.
  void open(const Bytes& bytes) {
    memory_ = LLKCMemoryIO::memoryWithBytes_length(bytes.data(), bytes.size());
    ASSERT_TRUE(decoder_->beginWithSource(memory_));
  }

  LLKCMemoryIO* memory_ = nullptr;
  LLKCBinaryEncoder* encoder_ = nullptr;
  LLKCBinaryDecoder* decoder_ = nullptr;
};

TEST_F(LLKBinaryCoderTest, StreamsAreByteExact) {
  EXPECT_FALSE(encoder_->beginWithTarget(memory_));  // already open
  EXPECT_EQ(finish(), Bytes("kmS!\x08\0\0\0", 8));
  EXPECT_FALSE(encoder_->cease());

  memory_ = LLKCMemoryIO::memoryWithLength_andBlockSize(0, 64);
  ASSERT_TRUE(encoder_->beginWithTarget(memory_));
  ASSERT_TRUE(encoder_->encodeString("abc"_llk));
  EXPECT_EQ(finish(), stream(record(10, 0, record(13, 0, raw<uint64_t>(4)) + record(16, 0, Bytes("abc\0", 4)),
                                    "LLKCString")));
  EXPECT_EQ(memory_->position(), 79u);

  memory_ = LLKCMemoryIO::memoryWithLength_andBlockSize(0, 64);
  ASSERT_TRUE(encoder_->beginWithTarget(memory_));
  ASSERT_TRUE(encoder_->encodeUint32_forKey(7, "count"_llk));
  ASSERT_TRUE(encoder_->encodeBool(true));
  ASSERT_TRUE(encoder_->encodeReal32(0.5f));
  EXPECT_EQ(finish(), stream(record(13, "count"_llk->hashCode(), raw<uint32_t>(7)) + record(11, 0, Bytes(1, '\1')) +
                             record(15, 0, raw(0.5f))));
}

TEST_F(LLKBinaryCoderTest, NestedObjectsCarryTheirNameAndPayloadLength) {
  CoderTestPoint* inner = CoderTestPoint::new_();
  inner->iX = 3;
  inner->iY = 4;
  CoderTestPoint* outer = CoderTestPoint::new_();
  outer->iX = 1;
  outer->iY = -1;
  outer->iChild = inner;
  ASSERT_TRUE(encoder_->encodeObject(outer));
  const Bytes innerRecord = record(14, 0, raw<int32_t>(3)) + record(14, 0, raw<int32_t>(4));
  const Bytes outerRecord = record(14, 0, raw<int32_t>(1)) + record(14, 0, raw<int32_t>(-1)) +
                            record(10, "child"_llk->hashCode(), innerRecord, "CoderTestPoint");
  const Bytes bytes = finish();
  EXPECT_EQ(bytes, stream(record(10, 0, outerRecord, "CoderTestPoint")));

  memory_->rewind();
  ASSERT_TRUE(decoder_->beginWithSource(memory_));
  auto* back = llk::cast<CoderTestPoint>(decoder_->decodeObject());
  ASSERT_NE(back, nullptr);
  EXPECT_EQ(back->iY, -1);
  auto* child = llk::cast<CoderTestPoint>(back->iChild);
  ASSERT_NE(child, nullptr);
  EXPECT_EQ(child->iX + child->iY, 7);
  EXPECT_EQ(memory_->position(), bytes.size());
  outer->release();
}

TEST_F(LLKBinaryCoderTest, KeyedReadsFindWithoutConsumingAndSequentialReadsPassKeyedRecords) {
  encoder_->encodeUint16(1);
  encoder_->encodeUint32_forKey(100, "a"_llk);
  encoder_->encodeUint16(2);
  encoder_->encodeSint64_forKey(-5, "b"_llk);
  encoder_->encodeUint32_forKey(200, "a"_llk);  // same key again: the first one wins
  reopen();
  uint16_t first = 0;
  ASSERT_TRUE(decoder_->decodeUint16(&first));
  const uint64_t between = memory_->position();
  EXPECT_EQ(decoder_->decodeUint32ForKey("a"_llk), 100u);
  EXPECT_EQ(decoder_->decodeSint64ForKey("b"_llk), -5);
  EXPECT_TRUE(decoder_->containsValueForKey("b"_llk));
  EXPECT_FALSE(decoder_->containsValueForKey("c"_llk));
  EXPECT_EQ(memory_->position(), between);
  EXPECT_EQ(decoder_->decodeUint16(), 2u);  // passes over the keyed record between
  EXPECT_EQ(decoder_->decodeUint16WithDefault(9), 9u);  // only keyed records remain
  EXPECT_EQ(decoder_->decodeUint32ForKey("a"_llk), 100u);
}

TEST_F(LLKBinaryCoderTest, KindsAndWidthsMustMatchExactly) {
  encoder_->encodeUint32(7);
  encoder_->encodeUint32_forKey(8, "k"_llk);
  reopen();
  const uint64_t start = memory_->position();
  uint64_t wide = 1;
  EXPECT_FALSE(decoder_->decodeUint64(&wide));
  EXPECT_EQ(wide, 1u);
  EXPECT_FALSE(decoder_->decodeSint32(nullptr));
  EXPECT_EQ(decoder_->decodeSint32(), 0);  // signed never reads unsigned
  EXPECT_EQ(decoder_->decodeUint32ForKey("x"_llk), 0u);
  EXPECT_EQ(decoder_->decodeUint16ForKey("k"_llk), 0u);
  EXPECT_EQ(memory_->position(), start);
  EXPECT_EQ(decoder_->decodeUint32(), 7u);
}

TEST_F(LLKBinaryCoderTest, BuffersCopyWhatFitsAndEmptyBuffersReadAsMissing) {
  encoder_->encodeBuffer_length("abcdef", 6);
  encoder_->encodeBuffer_length("", 0);
  encoder_->encodeUint16(5);
  reopen();
  char out[4] = {};
  EXPECT_EQ(decoder_->decodeBuffer_length(out, 3), 3u);
  EXPECT_EQ(Bytes(out, 3), "abc");
  EXPECT_EQ(decoder_->decodeBuffer_length(out, 4), 0u);
  EXPECT_EQ(decoder_->decodeUint16(), 0u);  // the empty buffer was not consumed
  EXPECT_FALSE(encoder_->encodeBuffer_length("x", uint64_t{1} << 32));  // does not fit 32 bits
}

TEST_F(LLKBinaryCoderTest, ObjectsOfUnknownOrUnencodableClassesAreNotMade) {
  open(stream(record(10, 0, "", "NoSuchClass") + record(10, 0, "", "CoderTestPlain") +
              record(10, 0, "", "LLKCStringBuilder")));
  EXPECT_EQ(decoder_->decodeObject(), nullptr);
  EXPECT_EQ(LLKFBinaryDecoderObjDecode(decoder_, decoder_->iPrivate, 0, nullptr), llk::kDecodeNotMade);
  LLKBObject* out = nullptr;
  EXPECT_EQ(LLKFBinaryDecoderObjDecode(decoder_, decoder_->iPrivate, 0, &out), llk::kDecodeNotFound);
  EXPECT_EQ(memory_->position(), 8u);
}

LLKBObject* refuseAll(LLKBObject*, void*) { return nullptr; }
LLKBObject* swapForLiteral(LLKBObject*, void*) { return "swapped"_llk; }

TEST_F(LLKBinaryCoderTest, ProxyCallbacksReplaceObjectsBothWays) {
  encoder_->setObjectProxyCallback_withContext(swapForLiteral, nullptr);
  CoderTestPoint* point = CoderTestPoint::new_();
  ASSERT_TRUE(encoder_->encodeObject(point));
  point->release();
  encoder_->setObjectProxyCallback_withContext(nullptr, nullptr);
  ASSERT_TRUE(encoder_->encodeString("kept"_llk));
  reopen();
  EXPECT_EQ(decoder_->decodeString()->compareTo("swapped"_llk), 0);
  decoder_->setObjectProxyCallback_withContext(refuseAll, nullptr);
  EXPECT_EQ(decoder_->decodeObject(), nullptr);
  decoder_->setObjectProxyCallback_withContext(nullptr, nullptr);
  EXPECT_EQ(decoder_->decodeString()->compareTo("kept"_llk), 0);
  EXPECT_EQ(decoder_->decodeStringWithDefault("fallback"_llk), nullptr);  // a literal is not exactly a string
  LLKCString* plain = LLKCString::stringWithChars("plain");
  EXPECT_EQ(decoder_->decodeStringWithDefault(plain), plain);
}

bool readPointContent(const char* className, LLKBDecoder* decoder, void* context) {
  *static_cast<std::string*>(context) = className + std::string(":") + std::to_string(decoder->decodeSint32());
  return decoder->decodeSint32() == 9;
}

TEST_F(LLKBinaryCoderTest, ContentCallbacksReadObjectsThemselves) {
  CoderTestPoint* point = CoderTestPoint::new_();
  point->iX = 8;
  point->iY = 9;
  encoder_->encodeObject_forKey(point, "p"_llk);
  point->release();
  reopen();
  std::string seen;
  EXPECT_TRUE(decoder_->decodeObjectForKey_withCallback_context("p"_llk, readPointContent, &seen));
  EXPECT_EQ(seen, "CoderTestPoint:8");
  EXPECT_FALSE(decoder_->decodeObjectWithCallback_context(readPointContent, &seen));  // keyed: not in sequence
}

// ---- Damaged and hostile streams ----

TEST_F(LLKBinaryCoderTest, ReadsStayInsideTheStreamAndTheObjectWindows) {
  // The stream header's length ends the stream before a record that follows in the channel.
  open(stream(record(13, 0, raw<uint16_t>(1))) + record(13, 0, raw<uint16_t>(2)));
  EXPECT_EQ(decoder_->decodeUint16(), 1u);
  EXPECT_EQ(decoder_->decodeUint16(), 0u);
  decoder_->cease();
  // A record reaching past the end of the stream is not read.
  Bytes cut = stream(record(16, 0, "abcdef"));
  cut[4] = static_cast<char>(cut.size() - 2);
  open(cut);
  char out[8];
  EXPECT_EQ(decoder_->decodeBuffer_length(out, 8), 0u);
  decoder_->cease();
  // An object with an empty payload cannot read its siblings' records as its own.
  open(stream(record(10, 0, "", "CoderTestPoint") + record(14, 0, raw<int32_t>(1)) + record(14, 0, raw<int32_t>(2))));
  EXPECT_EQ(decoder_->decodeObject(), nullptr);
  EXPECT_EQ(decoder_->decodeSint32(), 0);  // the failed read left the position on the object
  decoder_->cease();
  // A child whose payload length reaches past its parent's is not seen inside the parent.
  const Bytes child = record(14, 0, raw<int32_t>(5)) + record(14, 0, raw<int32_t>(6));
  Bytes parent = record(14, 0, raw<int32_t>(1)) + record(14, 0, raw<int32_t>(2)) +
                 record(10, "child"_llk->hashCode(), child, "CoderTestPoint");
  parent[parent.size() - child.size() - 15 - 16 + 12] += 1;  // the child claims one byte more
  open(stream(record(10, 0, parent, "CoderTestPoint") + record(14, 0, raw<int32_t>(7))));
  auto* point = llk::cast<CoderTestPoint>(decoder_->decodeObject());
  ASSERT_NE(point, nullptr);
  EXPECT_EQ(point->iChild, nullptr);
  EXPECT_EQ(decoder_->decodeSint32(), 7);
}

TEST_F(LLKBinaryCoderTest, DamagedHeadersAndNamesAreRefused) {
  const Bytes shortHeader("kmS!\x04\0\0\0", 8);
  memory_ = LLKCMemoryIO::memoryWithBytes_length(shortHeader.data(), shortHeader.size());
  EXPECT_FALSE(decoder_->beginWithSource(memory_));
  EXPECT_EQ(memory_->position(), 0u);
  memory_ = LLKCMemoryIO::memoryWithBytes_length("KmS!\0\0\0\0", 8);
  EXPECT_FALSE(decoder_->beginWithSource(memory_));

  Bytes badMagic = stream(record(13, 0, raw<uint16_t>(1)));
  badMagic[9] = 'x';
  open(badMagic);
  EXPECT_EQ(decoder_->decodeUint16(), 0u);
  decoder_->cease();
  // A name without its NUL, a name with an inner NUL, and a huge name length.
  Bytes noNul = record(10, 0, "", "CoderTestPoint");
  noNul[16 + 14] = 'x';
  Bytes innerNul = record(10, 0, "", "CoderTestPoint");
  innerNul[16 + 3] = '\0';
  Bytes huge = record(10, 0, "", "CoderTestPoint");
  huge[7] = 0x7f;
  for (const Bytes& bad : {noNul, innerNul, huge}) {
    open(stream(bad));
    LLKBObject* out = nullptr;
    EXPECT_NE(LLKFBinaryDecoderObjDecode(decoder_, decoder_->iPrivate, 0, &out), llk::kDecodeDone);
    EXPECT_EQ(out, nullptr);
    decoder_->cease();
  }
}

TEST_F(LLKBinaryCoderTest, NestingIsBoundedBothWays) {
  // 300 objects inside one another, each the child of the one around it.
  Bytes nested;
  for (int i = 0; i < 300; ++i) {
    nested = record(14, 0, raw<int32_t>(i)) + record(14, 0, raw<int32_t>(i)) +
             (nested.empty() ? "" : record(10, "child"_llk->hashCode(), nested, "CoderTestPoint"));
  }
  open(stream(record(10, 0, nested, "CoderTestPoint")));
  auto* top = llk::cast<CoderTestPoint>(decoder_->decodeObject());
  ASSERT_NE(top, nullptr);  // the levels beyond the limit are refused, the ones within made
  int depth = 0;
  for (LLKBObject* o = top; o != nullptr; o = static_cast<CoderTestPoint*>(o)->iChild) ++depth;
  EXPECT_EQ(depth, static_cast<int>(llk::kBinaryMaxDepth));

  // An object that contains itself cannot be encoded forever.
  CoderTestPoint* loop = CoderTestPoint::new_();
  loop->iChild = loop->retain();
  const uint64_t before = memory_->position();
  EXPECT_FALSE(encoder_->encodeObject(loop));
  EXPECT_EQ(memory_->position(), before);
  loop->iChild = nullptr;
  loop->release();
  loop->release();
}

TEST_F(LLKBinaryCoderTest, ANullChannelMeasuresAnEncoding) {
  CoderTestPoint* point = CoderTestPoint::new_();
  encoder_->encodeObject(point);
  const Bytes inMemory = finish();
  LLKCNullIO* sink = LLKCNullIO::null();
  ASSERT_TRUE(encoder_->beginWithTarget(sink));
  encoder_->encodeObject(point);
  ASSERT_TRUE(encoder_->cease());
  EXPECT_EQ(sink->position(), inMemory.size());
  // A stream of 4 GiB or more cannot be completed.
  sink->setLength(uint64_t{5} << 30);
  sink->rewind();
  ASSERT_TRUE(encoder_->beginWithTarget(sink));
  sink->seek(uint64_t{1} << 32);
  EXPECT_FALSE(encoder_->cease());
  point->release();
}

}  // namespace

namespace {

// The same stream through a file: every read and move goes through the channel interface.
TEST_F(LLKBinaryCoderTest, StreamsWorkOverFilesAsOverMemory) {
  char pattern[] = "/tmp/txq-coder-XXXXXX";
  ASSERT_NE(mkdtemp(pattern), nullptr);
  const std::string path = std::string(pattern) + "/stream.bin";
  CoderTestPoint* inner = CoderTestPoint::new_();
  inner->iX = 5;
  CoderTestPoint* outer = CoderTestPoint::new_();
  outer->iY = 6;
  outer->iChild = inner;
  {
    LLKCStreamIO* file = LLKCStreamIO::streamWithPath_readOnly(path.c_str(), false);
    ASSERT_NE(file, nullptr);
    LLKCBinaryEncoder* encoder = LLKCBinaryEncoder::encoder();
    ASSERT_TRUE(encoder->beginWithTarget(file));
    EXPECT_TRUE(encoder->encodeUint32_forKey(77, "tag"_llk));
    EXPECT_TRUE(encoder->encodeObject(outer));
    EXPECT_TRUE(encoder->encodeString("after"_llk));
    ASSERT_TRUE(encoder->cease());
    file->dispose();
  }
  LLKCStreamIO* file = LLKCStreamIO::streamWithPath_readOnly(path.c_str(), true);
  ASSERT_NE(file, nullptr);
  ASSERT_TRUE(decoder_->beginWithSource(file));
  auto* back = llk::cast<CoderTestPoint>(decoder_->decodeObject());
  ASSERT_NE(back, nullptr);
  EXPECT_EQ(back->iY, 6);
  ASSERT_NE(back->iChild, nullptr);
  EXPECT_EQ(static_cast<CoderTestPoint*>(back->iChild)->iX, 5);
  EXPECT_EQ(decoder_->decodeUint32ForKey("tag"_llk), 77u);  // keyed: found behind, position kept
  EXPECT_EQ(decoder_->decodeString()->compareTo("after"_llk), 0);
  EXPECT_EQ(decoder_->decodeString(), nullptr);
  decoder_->cease();
  outer->release();
  file->dispose();
  std::remove(path.c_str());
  rmdir(pattern);
}

}  // namespace
