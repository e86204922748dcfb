// The library's encodable classes through the binary coders: every class round-trips (same class,
// same value or contents, and the decoded object encodes to the very same bytes), and damaged or
// hostile streams come back as nil without leaking or allocating what they claim.
#include <gtest/gtest.h>
#include <txq/LLK.h>
#include <txq/llk/collections/LLKPUniqueable.h>

#include <cstdint>
#include <cstring>
#include <vector>

#include "support/ObjectTest.h"

// A user's encodable class that a store can hold.
class CodingTestPart : public LLKBObject, public LLKPUniqueable {
  LLK_OBJECT(CodingTestPart, LLKBObject)

 public:
  LLKCGuid* iGuid;    // retained
  LLKCString* iName;  // retained

  static CodingTestPart* partNamed(const char* name) noexcept {
    CodingTestPart* part = llk::autorelease(new_());
    part->iGuid = llk::retain(LLKCGuid::guid());
    part->iName = llk::retain(LLKCString::stringWithChars(name));
    return part;
  }
  LLKCGuid* guid() noexcept override { return iGuid; }
  LLKCString* name() noexcept override { return iName; }
  void setName(LLKCString* name) noexcept override {
    llk::retain(name);
    llk::release(iName);
    iName = name;
  }
  bool encodeWithCoder(LLKBEncoder* coder) noexcept override {
    return coder->encodeObject(iGuid) && coder->encodeString(iName);
  }
  CodingTestPart* initWithCoder(LLKBDecoder* coder) noexcept override {
    iGuid = llk::retain(llk::cast<LLKCGuid>(coder->decodeObject()));
    iName = llk::retain(coder->decodeString());
    if (iGuid == nullptr || iName == nullptr) {
      dealloc();
      return nullptr;
    }
    return this;
  }

 protected:
  ~CodingTestPart() override {
    llk::release(iGuid);
    llk::release(iName);
  }
};
LLK_DEFINE_CLASS(CodingTestPart, LLK_PROTOCOLS(LLKPUniqueable, LLKPEncodable), guid, name, setName)

namespace {

using Bytes = std::vector<uint8_t>;

// The object alone as a complete stream; empty when encoding fails.
Bytes encode(LLKBObject* object, LLKFObjectProxyCallback proxy = nullptr, void* context = nullptr) {
  LLKCMemoryIO* memory = LLKCMemoryIO::memoryWithLength_andBlockSize(0, 256);
  LLKCBinaryEncoder* encoder = LLKCBinaryEncoder::encoder();
  encoder->setObjectProxyCallback_withContext(proxy, context);
  if (!encoder->beginWithTarget(memory)) return {};
  const bool written = encoder->encodeObject(object);
  if (!encoder->cease() || !written) return {};
  const uint8_t* bytes = static_cast<const uint8_t*>(memory->bytes());
  uint32_t length = 0;
  std::memcpy(&length, bytes + 4, 4);
  return Bytes(bytes, bytes + length);
}

LLKBObject* decode(const Bytes& stream) {
  LLKCMemoryIO* memory = LLKCMemoryIO::memoryWithBytes_length(stream.data(), stream.size());
  LLKCBinaryDecoder* decoder = LLKCBinaryDecoder::decoder();
  if (!decoder->beginWithSource(memory)) return nullptr;
  LLKBObject* object = decoder->decodeObject();
  decoder->cease();
  return object;
}

// Writes streams by hand, for the damaged and hostile ones.
class StreamWriter {
 public:
  StreamWriter() { put("kmS!", 4), put32(0); }
  // An object record; close() fills in its payload length.
  StreamWriter& open(const char* name, LLKCString* key = nullptr) {
    opened_.push_back(bytes_.size());
    header(10, static_cast<uint32_t>(std::strlen(name) + 1), key != nullptr ? key->hashCode() : 0, 0);
    put(name, std::strlen(name) + 1);
    return *this;
  }
  StreamWriter& close() {
    const size_t at = opened_.back();
    opened_.pop_back();
    uint32_t nameLength = 0;
    std::memcpy(&nameLength, &bytes_[at + 4], 4);
    const uint32_t payload = static_cast<uint32_t>(bytes_.size() - at - 16 - nameLength);
    std::memcpy(&bytes_[at + 12], &payload, 4);
    return *this;
  }
  template <class T>
  StreamWriter& value(uint8_t tag, T v, LLKCString* key = nullptr) {
    header(tag, 0, key != nullptr ? key->hashCode() : 0, sizeof v);
    put(&v, sizeof v);
    return *this;
  }
  StreamWriter& buffer(const void* bytes, uint32_t length) {
    header(16, 0, 0, length);
    put(bytes, length);
    return *this;
  }
  // A string record with the given stored length and buffer.
  StreamWriter& string(uint64_t stored, const char* bytes, uint32_t length, LLKCString* key = nullptr) {
    return open("LLKCString", key).value(13, stored).buffer(bytes, length).close();
  }
  Bytes finish() {
    const uint32_t total = static_cast<uint32_t>(bytes_.size());
    std::memcpy(&bytes_[4], &total, 4);
    return bytes_;
  }

 private:
  void put(const void* p, size_t n) {
    bytes_.insert(bytes_.end(), static_cast<const uint8_t*>(p), static_cast<const uint8_t*>(p) + n);
  }
  void put32(uint32_t v) { put(&v, 4); }
  void header(uint8_t tag, uint32_t nameLength, uint32_t keyHash, uint32_t payload) {
    put("KmF", 3);
    put(&tag, 1);
    put32(nameLength);
    put32(keyHash);
    put32(payload);
  }
  Bytes bytes_;
  std::vector<size_t> opened_;
};

// count() of whatever container it is; -1 for a value.
int64_t countOf(LLKBObject* o) {
  if (auto* c = llk::cast<LLKCObjectArray>(o)) return c->count();
  if (auto* c = llk::cast<LLKCObjectVector>(o)) return c->count();
  if (auto* c = llk::cast<LLKCObjectDeque>(o)) return c->count();
  if (auto* c = llk::cast<LLKCObjectList>(o)) return c->count();
  if (auto* c = llk::cast<LLKCObjectStack>(o)) return c->count();
  if (auto* c = llk::cast<LLKCObjectQueue>(o)) return c->count();
  if (auto* c = llk::cast<LLKCObjectPile>(o)) return c->count();
  if (auto* c = llk::cast<LLKCObjectTuple>(o)) return c->count();
  if (auto* c = llk::cast<LLKCObjectTable>(o)) return c->count();
  if (auto* c = llk::cast<LLKCObjectIndex>(o)) return c->count();
  if (auto* c = llk::cast<LLKCObjectShelf>(o)) return c->count();
  if (auto* c = llk::cast<LLKCObjectMap>(o)) return c->count();
  if (auto* c = llk::cast<LLKCKeyring>(o)) return c->count();
  if (auto* c = llk::cast<LLKCObjectStore>(o)) return c->count();
  return -1;
}

class EncodableClassesTest : public txqtest::ObjectTest {};

TEST_F(EncodableClassesTest, EveryClassRoundTripsToTheSameBytes) {
  LLKCString* s = LLKCString::stringWithChars("alpha");
  LLKCNumber* n = LLKCNumber::numberWithSint(-7);
  LLKCPointer* skipped = LLKCPointer::pointerWithValue(&s);  // not encodable: left out, count adjusted
  LLKCGuid* g = LLKCGuid::guid();
  LLKCCode* c = LLKCCode::codeWithData({1, 2, 255});
  LLKCData* d = LLKCData::dataWithBytes_length("\0\1\2", 3);

  // clang-format off
  LLKCObjectArray* array = LLKCObjectArray::arrayWithCapacity(10);
  array->append(s), array->append(skipped), array->append(n);
  array->append(LLKCObjectDeque::dequeWithObjects(g, d));
  array->setGrowFactor(0.5f);
  LLKCObjectVector* vector = LLKCObjectVector::vectorWithCapacity(4);
  vector->store_atIndex(c, 2);
  LLKCObjectStack* stack = LLKCObjectStack::stack();
  stack->push(s), stack->push(skipped), stack->push(array);
  LLKCObjectQueue* queue = LLKCObjectQueue::queueWithCapacity(3);
  queue->push(n), queue->push(g);
  LLKCObjectPile* pile = LLKCObjectPile::pile();
  pile->append(d), pile->append(skipped), pile->append(c);
  LLKCObjectTuple* tuple = LLKCObjectTuple::tupleWithCapacity(3);
  tuple->store_atIndex(s, 0), tuple->store_atIndex(g, 2);
  LLKCObjectTable* table = LLKCObjectTable::tableWithCapacity(4);
  table->store_forKey(s, 42), table->store_forKey(skipped, 7), table->store_forKey(vector, UINT64_MAX);
  LLKCObjectIndex* index = LLKCObjectIndex::index();
  index->store_forKey(d, {1, 2, 3}), index->store_forKey(n, {0, 0, 9});
  LLKCObjectShelf* shelf = LLKCObjectShelf::shelf();  // two equal keys, and one not encodable
  shelf->store_forKey(n, s), shelf->store_forKey(g, llk::str("alpha")), shelf->store_forKey(s, skipped);
  LLKCObjectMap* map = LLKCObjectMap::mapWithCapacity(2);  // a key and a value not encodable
  map->store_forKey(table, s), map->store_forKey(s, n);
  map->store_forKey(n, skipped), map->store_forKey(skipped, g);
  LLKCKeyring* ring = LLKCKeyring::ringWithCapacity(1);
  ring->store(s), ring->store(c), ring->store(skipped);
  LLKCObjectStore* store = LLKCObjectStore::storeWithCapacity(5);
  store->store(CodingTestPart::partNamed("wheel")), store->store(CodingTestPart::partNamed("axle"));
  // clang-format on

  const struct {
    const char* name;
    LLKBObject* object;
    int64_t count;  // elements that come back; -1 for values
  } samples[] = {
      {"string", s, -1},
      {"literal", "literal"_llk, -1},
      {"empty string", LLKCString::stringWithChars(""), -1},
      {"long string", LLKCString::stringWithFormat("%0300d", 5), -1},
      {"bool", LLKCNumber::numberWithBool(true), -1},
      {"sint", n, -1},
      {"uint", LLKCNumber::numberWithUint(UINT64_MAX), -1},
      {"real", LLKCNumber::numberWithReal(-2.5), -1},
      {"guid", g, -1},
      {"code", c, -1},
      {"data", d, -1},
      {"empty data", LLKCData::dataWithLength(0), -1},
      {"pair", LLKCObjectPair::pairWithHead_andTail(s, g), -1},
      {"pair without tail", LLKCObjectPair::pairWithHead_andTail(n, nullptr), -1},
      {"array", array, 3},
      {"empty array", LLKCObjectArray::arrayWithCapacity(16), 0},
      {"vector", vector, 1},
      {"deque", LLKCObjectDeque::dequeWithObjects(array, skipped, ring), 2},
      {"list", LLKCObjectList::listWithObjects(s, skipped, map), 2},
      {"stack", stack, 2},
      {"queue", queue, 2},
      {"pile", pile, 2},
      {"tuple", tuple, 3},
      {"table", table, 2},
      {"index", index, 2},
      {"shelf", shelf, 2},
      {"map", map, 2},
      {"keyring", ring, 2},
      {"store", store, 2},
  };
  for (const auto& sample : samples) {
    SCOPED_TRACE(sample.name);
    const Bytes bytes = encode(sample.object);
    ASSERT_FALSE(bytes.empty());
    LLKBObject* back = decode(bytes);
    ASSERT_NE(back, nullptr);
    EXPECT_NE(back, sample.object);
    EXPECT_STREQ(back->class_()->className(), sample.object->className());  // a literal comes back plain
    EXPECT_EQ(countOf(back), sample.count);
    if (sample.count < 0) {
      EXPECT_EQ(sample.object->compareTo(back), 0);
    }
    EXPECT_EQ(encode(back), bytes);  // contents, order, capacity and grow factor all came back
  }
}

TEST_F(EncodableClassesTest, ContainersComeBackWithTheirContentsInOrder) {
  LLKCObjectArray* inner = LLKCObjectArray::arrayWithObjects(LLKCNumber::numberWithReal(0.5), "x"_llk);
  LLKCObjectMap* map = LLKCObjectMap::map();
  map->store_forKey(inner, "inner"_llk),
      map->store_forKey(LLKCCode::codeWithData({7, 8, 9}), LLKCNumber::numberWithUint(3));

  auto* back = llk::cast<LLKCObjectMap>(decode(encode(map)));
  ASSERT_NE(back, nullptr);
  ASSERT_EQ(back->count(), 2u);
  EXPECT_EQ(back->keyAtIndex(0)->compareTo("inner"_llk), 0);
  auto* array = llk::cast<LLKCObjectArray>(back->fetchForKey("inner"_llk));
  ASSERT_NE(array, nullptr);
  EXPECT_EQ(array->fetchAtIndex(1)->compareTo("x"_llk), 0);
  EXPECT_EQ(back->fetchForKey(LLKCNumber::numberWithSint(3))->compareTo(LLKCCode::codeWithData({7, 8, 9})),
            0);

  // The vector's objects move to the front slots; the tuple keeps its number of slots.
  LLKCObjectVector* vector = LLKCObjectVector::vectorWithCapacity(4);
  vector->store_atIndex("late"_llk, 3);
  auto* vectorBack = llk::cast<LLKCObjectVector>(decode(encode(vector)));
  ASSERT_NE(vectorBack, nullptr);
  EXPECT_EQ(vectorBack->capacity(), 4u);
  EXPECT_EQ(vectorBack->fetchAtIndex(0)->compareTo("late"_llk), 0);

  // Only objects that can live in a store come back into one.
  LLKCObjectStore* store = LLKCObjectStore::store();
  CodingTestPart* kept = CodingTestPart::partNamed("kept");
  CodingTestPart* turned = CodingTestPart::partNamed("turned");
  store->store(kept), store->store(turned);
  auto intoString = [](LLKBObject* object, void* context) noexcept -> LLKBObject* {
    return object == context ? "not a part"_llk : object;
  };
  auto* storeBack = llk::cast<LLKCObjectStore>(decode(encode(store, intoString, turned)));
  ASSERT_NE(storeBack, nullptr);
  ASSERT_EQ(storeBack->count(), 1u);
  EXPECT_NE(storeBack->fetchForGuid(kept->guid()), nullptr);
  EXPECT_EQ(storeBack->fetchForName("kept"_llk), storeBack->fetchAtIndex(0));

  // A stored capacity of 0 (a sequence that never had room) comes back as 16.
  auto* empty = llk::cast<LLKCObjectArray>(decode(encode(LLKCObjectArray::array())));
  ASSERT_NE(empty, nullptr);
  EXPECT_EQ(empty->capacity(), 16u);
}

TEST_F(EncodableClassesTest, TwoCharacterStringHasThisExactEncoding) {
  const Bytes expected = {
      0x6B, 0x6D, 0x53, 0x21, 0x4E, 0, 0, 0,                             // stream, 78 bytes
      0x4B, 0x6D, 0x46, 0x0A, 0x0B, 0, 0, 0, 0, 0, 0, 0, 0x2B, 0, 0, 0,  // object, name 11, payload
                                                                         // 43
      'L', 'L', 'K', 'C', 'S', 't', 'r', 'i', 'n', 'g', 0,               //
      0x4B, 0x6D, 0x46, 0x0D, 0, 0, 0, 0, 0, 0, 0, 0, 0x08, 0, 0, 0,     // unsigned 64-bit ...
      3, 0, 0, 0, 0, 0, 0, 0,                                            // ... length + 1
      0x4B, 0x6D, 0x46, 0x10, 0, 0, 0, 0, 0, 0, 0, 0, 0x03, 0, 0, 0, 'a', 'b', 0};  // buffer
  EXPECT_EQ(encode(LLKCString::stringWithChars("ab")), expected);
  EXPECT_EQ(encode("ab"_llk), expected);
}

TEST_F(EncodableClassesTest, DamagedOrHostileStreamsDecodeAsNil) {
  LLKCString* count = "count"_llk;
  LLKCString* capacity = "capacity"_llk;
  auto array = [&](uint32_t n, uint32_t room) {
    return StreamWriter()
        .open("LLKCObjectArray")
        .string(2, "a", 2)
        .value(13, n, count)
        .value(13, room, capacity)
        .close()
        .finish();
  };
  // clang-format off
  const struct {
    const char* name;
    Bytes stream;
  } hostile[] = {
      {"string claiming 4 GiB", StreamWriter().string(uint64_t{1} << 32, "ab", 3).finish()},
      {"string claiming 0", StreamWriter().string(0, "", 1).finish()},
      {"string without its zero", StreamWriter().string(3, "abc", 3).finish()},
      {"string shorter than claimed", StreamWriter().string(4, "ab", 3).finish()},
      {"string longer than claimed", StreamWriter().string(2, "ab", 3).finish()},
      {"literal class by name",
       StreamWriter().open("LLKCLiteralString").value(13, uint64_t{2}).buffer("a", 2).close().finish()},
      {"number of unknown type",
       StreamWriter().open("LLKCNumber").value(12, uint8_t{1}).value(13, uint64_t{0}).close().finish()},
      {"guid of 15 bytes", StreamWriter().open("LLKCGuid").buffer("0123456789abcde", 15).close().finish()},
      {"code of 13 bytes", StreamWriter().open("LLKCCode").buffer("0123456789abc", 13).close().finish()},
      {"data longer than the stream",
       StreamWriter().open("LLKCData").value(13, uint64_t{1000}).buffer("ab", 2).close().finish()},
      {"array claiming 1e9 objects", array(1000000000, 1000000000)},
      {"array with count above capacity", array(2, 1)},
      {"array whose second object is damaged",
       StreamWriter().open("LLKCObjectArray").string(2, "a", 2).string(3, "abc", 3).value(13, 2u, count)
           .value(13, 2u, capacity).close().finish()},
      {"map missing a value",
       StreamWriter().open("LLKCObjectMap").string(2, "k", 2).value(13, 1u, count).value(13, 1u, capacity)
           .close().finish()},
      {"pair with a damaged tail",
       StreamWriter().open("LLKCObjectPair").string(3, "abc", 3, "tail"_llk).close().finish()},
  };
  // clang-format on
  for (const auto& sample : hostile) {
    SCOPED_TRACE(sample.name);
    EXPECT_EQ(decode(sample.stream), nullptr);
  }
  // A capacity claim is a hint: the room made is bounded, whatever was claimed.
  auto* big = llk::cast<LLKCObjectArray>(decode(array(1, 1000000000)));
  ASSERT_NE(big, nullptr);
  EXPECT_EQ(big->count(), 1u);
  EXPECT_EQ(big->capacity(), 4096u);
}

}  // namespace
