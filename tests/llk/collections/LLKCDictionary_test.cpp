// LLKCDictionary and LLKCLexicon: the typed operations they share (run on both), the dictionary's
// text file form, and the coding of both through the binary coder.
#include <txq/llk/collections/LLKCDictionary.h>
#include <txq/llk/collections/LLKCLexicon.h>

#include <gtest/gtest.h>

#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include <txq/llk/coding/LLKCBinaryDecoder.h>
#include <txq/llk/coding/LLKCBinaryEncoder.h>
#include <txq/llk/coding/LLKCMemoryIO.h>
#include <txq/llk/collections/LLKCObjectDeque.h>
#include <txq/llk/values/LLKCGuid.h>
#include <txq/llk/values/LLKCNumber.h>
#include <txq/llk/values/LLKCString.h>

#include "llk/collections/MapTestSupport.h"
#include "support/ObjectTest.h"

// A key whose hash code is chosen: two of them with one hash are one entry.
class KeyedTestHashKey : public LLKBObject {
  LLK_OBJECT(KeyedTestHashKey, LLKBObject)

 public:
  uint32_t iHash;
  KeyedTestHashKey* initWithHash(uint32_t hash) noexcept {
    iHash = hash;
    return this;
  }
  uint32_t hashCode() noexcept override { return iHash; }
};
LLK_DEFINE_CLASS(KeyedTestHashKey, LLK_PROTOCOLS(), initWithHash)

namespace {

LLKCString* s(const std::string& text) { return LLKCString::stringWithChars_length(text.data(), text.size()); }
LLKBObject* hashKey(uint32_t hash) { return llk::autorelease(KeyedTestHashKey::alloc()->initWithHash(hash)); }

// Every entry in order as "key=value" (value forms: b1, s-3, u7, r<hex float>, c1.2.3, "text",
// {guid}, (nested entries), v, <class>), joined by ' '.
template <class T>
std::string describe(T* tree) {
  std::ostringstream out;
  for (uint64_t i = 0; i < tree->count(); ++i) {
    LLKBObject* key = tree->keyAtIndex(i);
    LLKCString* name = llk::cast<LLKCString>(key);
    out << (i > 0 ? " " : "") << (name != nullptr ? std::string(name->view()) : std::string("?")) << '=';
    uint32_t type = 99;
    tree->contains_type(key, &type);
    char real[64];
    switch (type) {
      case T::kBool: out << 'b' << tree->boolForKey(key); break;
      case T::kSint: out << 's' << tree->sintForKey(key); break;
      case T::kUint: out << 'u' << tree->uintForKey(key); break;
      case T::kReal: std::snprintf(real, sizeof real, "r%a", tree->realForKey(key)); out << real; break;
      case T::kVoid: out << 'v'; break;
      case T::kCode: {
        const LLKTCode c = tree->codeForKey(key);
        out << 'c' << c.mUid << '.' << c.mTag << '.' << c.mCtx;
        break;
      }
      case T::kObject: {
        LLKBObject* o = tree->objectForKey(key);
        if (auto* text = llk::cast<LLKCString>(o)) {
          out << '"' << text->view() << '"';
        } else if (auto* guid = llk::cast<LLKCGuid>(o)) {
          out << '{' << guid->toString()->view() << '}';
        } else if (auto* nested = llk::cast<LLKCLexicon>(o)) {
          out << '(' << describe(nested) << ')';
        } else {
          out << '<' << o->className() << '>';
        }
        break;
      }
      default: out << "type" << type;
    }
  }
  return out.str();
}

// The bytes of a binary stream holding the object alone; empty when encoding fails.
std::vector<uint8_t> encoded(LLKBObject* object) {
  LLKCMemoryIO* memory = LLKCMemoryIO::memoryWithLength_andBlockSize(128, 128);
  LLKCBinaryEncoder* encoder = LLKCBinaryEncoder::encoder();
  if (!encoder->beginWithTarget(memory) || !encoder->encodeObject(object) || !encoder->cease()) return {};
  const auto* bytes = static_cast<const uint8_t*>(memory->bytes());
  return std::vector<uint8_t>(bytes, bytes + memory->position());
}

LLKBObject* decoded(std::vector<uint8_t>& bytes) {
  LLKCMemoryIO* memory = LLKCMemoryIO::memoryWithBytesNoCopy_length(bytes.data(), bytes.size());
  LLKCBinaryDecoder* decoder = LLKCBinaryDecoder::decoder();
  if (!decoder->beginWithSource(memory)) return nullptr;
  LLKBObject* object = decoder->decodeObject();
  decoder->cease();
  return object;
}

// The offset of the payload of the first record with the tag (and key hash, when not 0).
size_t payloadOf(const std::vector<uint8_t>& bytes, uint8_t tag, uint32_t keyHash = 0) {
  for (size_t at = 8; at + 16 <= bytes.size(); ++at) {
    uint32_t hash = 0;
    std::memcpy(&hash, &bytes[at + 8], 4);
    if (std::memcmp(&bytes[at], "KmF", 3) == 0 && bytes[at + 3] == tag && (keyHash == 0 || hash == keyHash)) {
      return at + 16;
    }
  }
  ADD_FAILURE() << "no record with tag " << int(tag);
  return 0;
}

// ---- The operations both classes share ----

template <class T>
class KeyedTypedTest : public txqtest::ObjectTest {
 protected:
  static T* make() { return llk::autorelease(T::new_()); }
};
using KeyedClasses = testing::Types<LLKCDictionary, LLKCLexicon>;
TYPED_TEST_SUITE(KeyedTypedTest, KeyedClasses);

TYPED_TEST(KeyedTypedTest, TypedValuesAnswerOnlyForTheirOwnType) {
  TypeParam* t = TestFixture::make();
  int marker = 0;
  ASSERT_EQ(t->storeBool_forKey(true, s("b")), 0);
  ASSERT_EQ(t->storeSint_forKey(-3, s("s")), 0);
  ASSERT_EQ(t->storeUint_forKey(UINT64_MAX, s("u")), 0);
  ASSERT_EQ(t->storeReal_forKey(0.25, s("r")), 0);
  ASSERT_EQ(t->storeCode_forKey(LLKTCode{1, 2, 3}, s("c")), 0);
  ASSERT_EQ(t->storeVoid_forKey(&marker, s("v")), 0);
  ASSERT_EQ(t->storeObject_forKey(s("x"), s("o")), 0);
  EXPECT_EQ(describe(t), "b=b1 s=s-3 u=u18446744073709551615 r=r0x1p-2 c=c1.2.3 v=v o=\"x\"");
  EXPECT_EQ(t->voidForKey(s("v")), &marker);

  int64_t sint = 42;
  EXPECT_EQ(t->fetchSint_forKey(&sint, s("u")), 20);  // a uint: nothing written
  EXPECT_EQ(sint, 42);
  EXPECT_EQ(t->sintForKey_withDefault(s("u"), 9), 9);
  EXPECT_EQ(t->sintForKey(s("u")), 0);
  EXPECT_EQ(t->fetchSint_forKey(&sint, s("none")), 5);
  EXPECT_EQ(t->fetchSint_forKey(&sint, s("s")), 0);
  EXPECT_EQ(sint, -3);
  LLKTCode code{7, 7, 7};
  EXPECT_EQ(t->fetchCode_forKey(&code, s("b")), 20);
  EXPECT_EQ(t->codeForKey_withDefault(s("none"), code).mUid, 7u);
  EXPECT_EQ(t->codeForKey(s("b")).mTag, 0u);
  EXPECT_EQ(t->objectForKey(s("s")), nullptr);
  EXPECT_FALSE(t->boolForKey_withDefault(s("s"), false));

  EXPECT_EQ(t->storeSint_forKey(1, nullptr), 24);
  EXPECT_EQ(t->storeObject_forKey(nullptr, s("o")), 24);  // the entry keeps its object
  EXPECT_EQ(t->count(), 7u);
  uint32_t type = 99;
  EXPECT_FALSE(t->contains_type(nullptr, &type));
  EXPECT_TRUE(t->contains_type(s("o"), &type));
  EXPECT_EQ(type, TypeParam::kObject);
}

TYPED_TEST(KeyedTypedTest, ReplacingKeepsThePlaceAndEqualHashesAreOneEntry) {
  TypeParam* t = TestFixture::make();
  t->storeUint_forKey(1, s("a"));
  t->storeUint_forKey(2, s("b"));
  t->storeUint_forKey(3, s("c"));
  t->storeObject_forKey(s("new"), s("a"));  // another type, same place
  EXPECT_EQ(describe(t), "a=\"new\" b=u2 c=u3");

  // An object held only by the tree, stored again under its key, must survive.
  LLKBObject* only = LLKBObject::new_();
  t->storeObject_forKey(only, s("b"));
  only->release();
  EXPECT_EQ(t->storeObject_forKey(only, s("b")), 0);
  EXPECT_EQ(only->retainCount(), 1u);
  t->storeSint_forKey(5, s("b"));  // replaced by a scalar: released (the leak check sees it)

  LLKBObject* first = hashKey(77);
  EXPECT_EQ(t->storeSint_forKey(1, first), 0);
  EXPECT_EQ(t->storeSint_forKey(2, hashKey(77)), 0);
  EXPECT_EQ(t->count(), 4u);
  EXPECT_EQ(t->keyAtIndex(3), first);  // the first key object stays
  EXPECT_EQ(t->sintForKey(hashKey(77)), 2);
  EXPECT_TRUE(t->contains(hashKey(77)));
  EXPECT_FALSE(t->contains(hashKey(78)));
}

TYPED_TEST(KeyedTypedTest, RemovalClearAndCapacity) {
  TypeParam* t = llk::autorelease(TypeParam::alloc()->initWithCapacity(4));
  ASSERT_NE(t, nullptr);
  EXPECT_EQ(t->capacity(), 4u);
  for (int i = 0; i < 6; ++i) t->storeSint_forKey(i, s(std::to_string(i)));
  EXPECT_EQ(t->capacity(), 6u);
  EXPECT_EQ(t->remove(s("9")), 5);
  EXPECT_EQ(t->remove(s("1")), 0);
  EXPECT_EQ(t->keyAtIndex(t->count()), nullptr);
  EXPECT_EQ(llk::view(llk::cast<LLKCString>(t->keyAtIndex(1))), "2");
  t->storeSint_forKey(1, s("1"));  // comes back at the end
  LLKCObjectDeque* keys = t->allKeys();
  ASSERT_EQ(keys->count(), 6u);
  EXPECT_EQ(llk::view(llk::cast<LLKCString>(keys->fetchAtIndex(5))), "1");
  EXPECT_EQ(t->capacity(), 6u);  // the spare node was reused
  t->clear();
  EXPECT_EQ(t->count(), 0u);
  EXPECT_EQ(t->capacity(), 6u);
  EXPECT_EQ(t->resize(2), 0);
  EXPECT_EQ(t->capacity(), 2u);
  for (int i = 0; i < 3000; ++i) ASSERT_EQ(t->storeSint_forKey(i, s(std::to_string(i))), 0);
  for (int i = 0; i < 3000; i += 3) ASSERT_EQ(t->remove(s(std::to_string(i))), 0);
  for (int i = 0; i < 3000; ++i) ASSERT_EQ(t->contains(s(std::to_string(i))), i % 3 != 0) << i;
  EXPECT_EQ(t->sintForKey(s("2999")), 2999);
}

TYPED_TEST(KeyedTypedTest, CopiesShareOrCopyObjectValues) {
  TypeParam* t = TestFixture::make();
  LLKCLexicon* nested = LLKCLexicon::lexiconWithCapacity(1);
  nested->storeUint_forKey(1, s("n"));
  t->storeObject_forKey(nested, s("nested"));
  t->storeReal_forKey(1.5, s("r"));
  TypeParam* shallow = t->copy();
  TypeParam* deep = t->deepCopy();
  ASSERT_NE(shallow, nullptr);
  ASSERT_NE(deep, nullptr);
  EXPECT_EQ(describe(deep), describe(t));
  EXPECT_EQ(shallow->objectForKey(s("nested")), nested);
  EXPECT_NE(deep->objectForKey(s("nested")), nested);
  t->storeObject_forKey(llk::autorelease(LLKBObject::new_()), s("plain"));  // not copyable: no deep copy
  EXPECT_EQ(t->deepCopy(), nullptr);
}

TYPED_TEST(KeyedTypedTest, EncodesAndDecodesThroughTheBinaryCoder) {
  TypeParam* t = TestFixture::make();
  LLKCLexicon* nested = LLKCLexicon::lexiconWithCapacity(1);
  nested->storeCode_forKey(LLKTCode{4, 5, 6}, s("code"));
  int marker = 0;
  t->storeBool_forKey(false, s("b"));
  t->storeVoid_forKey(&marker, s("void"));  // left out
  t->storeSint_forKey(INT64_MIN, s("s"));
  t->storeObject_forKey(llk::autorelease(LLKBObject::new_()), s("plain"));  // not encodable: left out
  t->storeReal_forKey(-0.0, s("r"));
  t->storeObject_forKey(nested, s("nested"));
  std::vector<uint8_t> bytes = encoded(t);
  ASSERT_FALSE(bytes.empty());
  auto* back = llk::cast<TypeParam>(decoded(bytes));
  ASSERT_NE(back, nullptr);
  EXPECT_EQ(describe(back), "b=b0 s=s-9223372036854775808 r=r-0x0p+0 nested=(code=c4.5.6)");

  // An unknown type byte fails the whole decoding.
  std::vector<uint8_t> badType = bytes;
  badType[payloadOf(badType, 12)] = 5;
  EXPECT_EQ(decoded(badType), nullptr);
  // A count the stream does not hold fails without allocating for it.
  std::vector<uint8_t> badCount = bytes;
  for (LLKCString* key : {"count"_llk, "capacity"_llk}) {
    std::memset(&badCount[payloadOf(badCount, 13, key->hashCode())], 0xFF, 4);
  }
  EXPECT_EQ(decoded(badCount), nullptr);

  t->storeSint_forKey(1, LLKCNumber::numberWithUint(3));  // a key that is no string
  EXPECT_FALSE(t->encodeWithCoder(LLKCBinaryEncoder::encoder()));
}

TEST(KeyedTreeMemoryTest, AStoreWithoutMemoryAnswers2AndChangesNothing) {
  if (maptest::kSanitizedAllocator) GTEST_SKIP() << "the sanitizer's allocator never answers null";
  llk::AutoreleaseScope pool;
  LLKCLexicon* t = LLKCLexicon::lexiconWithCapacity(8);
  std::vector<LLKCString*> keys;
  for (int i = 0; i < 10; ++i) {
    keys.push_back(s("key-" + std::to_string(i)));
    keys.back()->hashCode();  // cached now
  }
  ASSERT_EQ(t->storeSint_forKey(0, keys[0]), 0);  // the hash table exists before the heap runs out
  auto run = [&] {
    return maptest::exhaustedThen(
        [&] {
          for (int i = 1; i < 8; ++i) {
            if (t->storeSint_forKey(i, keys[i]) != 0) return 10;  // spare nodes need no memory
          }
          if (t->storeSint_forKey(8, keys[8]) != 2 || t->count() != 8 || t->contains(keys[8])) return 11;
          return t->storeSint_forKey(-1, keys[3]) == 0 ? 0 : 12;  // a replacement needs none either
        },
        [&](int code) {
          if (code != 0) return code;
          return t->storeSint_forKey(8, keys[8]) == 0 && t->count() == 9 && t->sintForKey(keys[3]) == -1 ? 42 : 13;
        });
  };
  EXPECT_EXIT(run(), testing::ExitedWithCode(42), "");
}

// ---- The dictionary's text file ----

class LLKCDictionaryFileTest : public txqtest::ObjectTest {
 protected:
  void SetUp() override {
    ObjectTest::SetUp();
    char pattern[] = "/tmp/txq-dictionary-XXXXXX";
    ASSERT_NE(mkdtemp(pattern), nullptr);
    folder_ = pattern;
  }
  void TearDown() override {
    ASSERT_EQ(std::system(("rm -rf '" + folder_ + "'").c_str()), 0);
    ObjectTest::TearDown();
  }
  LLKCString* path(const char* name) const { return s(folder_ + "/" + name); }
  static std::string read(LLKCString* path) {
    std::ifstream in(path->chars(), std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
  }
  static void write(LLKCString* path, const std::string& text) {
    std::ofstream(path->chars(), std::ios::binary) << text;
  }
  // Saves, loads into a new dictionary, and answers its description ("" when saving fails).
  std::string roundTrip(LLKCDictionary* d) const {
    if (!d->saveIntoFile(path("trip"))) return "";
    LLKCDictionary* back = LLKCDictionary::dictionaryFromFile(path("trip"));
    return back != nullptr ? describe(back) : "load failed";
  }

 private:
  std::string folder_;
};

TEST_F(LLKCDictionaryFileTest, SavesOneLinePerEntryInOrder) {
  LLKCDictionary* d = LLKCDictionary::dictionaryWithCapacity(8);
  LLKCGuid* guid = LLKCGuid::guid();
  int marker = 0;
  d->storeBool_forKey(true, s("flag"));
  d->storeSint_forKey(-3, s("neg"));
  d->storeVoid_forKey(&marker, s("void"));
  d->storeUint_forKey(7, s("seven"));
  d->storeReal_forKey(2.5, s("real"));
  d->storeCode_forKey(LLKTCode{1, 2, 3}, s("code"));
  d->storeObject_forKey(s("two  words"), s("name"));
  d->storeObject_forKey(guid, s("id"));
  d->storeObject_forKey(llk::autorelease(LLKBObject::new_()), s("plain"));
  d->storeReal_forKey(0.1, s("tenth"));
  d->storeReal_forKey(1.0 / 3, s("third"));
  ASSERT_TRUE(d->saveIntoFile(path("out")));
  EXPECT_EQ(read(path("out")), "flag = yes\nneg = -3s\nseven = 7u\nreal = 2.500000f\ncode = 1.2.3c\n"
                               "name = \"two  words\"\nid = {" + std::string(guid->toString()->view()) +
                                   "}\ntenth = 0.100000f\nthird = 0.33333333333333331f\n");
  d->remove(s("void"));
  d->remove(s("plain"));
  EXPECT_EQ(roundTrip(d), describe(d));
  EXPECT_FALSE(d->saveIntoFile(path("missing/out")));
}

TEST_F(LLKCDictionaryFileTest, LoadsEachValueFormAndSkipsTheRest) {
  write(path("in"),
        "; comment = 1u\n"
        "no equals sign\n"
        "\n"
        "count = 12s\n"
        "hex=10x\n"
        "hex2 = 1fx\n"
        "  quoted  =  \"  inner  spaces  \"  \n"
        "weird = 12q\n"
        "empty =  \n"
        "lone = \"\n"
        "flag = no\n"
        "crlf = 9u\r\n"
        "code=4.5.6c\n"
        "long = \"" + std::string(3000, 'v') + "\"\n"
        "count = 13s\n"
        "last = 3u");
  LLKCDictionary* d = LLKCDictionary::dictionaryFromFile(path("in"));
  ASSERT_NE(d, nullptr);
  EXPECT_EQ(describe(d), "count=s13 hex=u16 hex2=u31 quoted=\"  inner  spaces  \" flag=b0 crlf=u9 code=c4.5.6 long=\"" +
                             std::string(3000, 'v') + "\" last=u3");
  EXPECT_EQ(LLKCDictionary::dictionaryFromFile(path("absent")), nullptr);

  write(path("long-key"), "a = 1u\n" + std::string(300, 'k') + " = 2u\nb = 3u\n");
  d = LLKCDictionary::dictionaryWithCapacity(0);
  EXPECT_FALSE(d->loadFromFile(path("long-key")));
  EXPECT_EQ(describe(d), "a=u1");
}

TEST_F(LLKCDictionaryFileTest, SavedFilesLoadBackEqual) {
  LLKCDictionary* d = LLKCDictionary::dictionaryWithCapacity(0);
  const double reals[] = {1e-9, -0.0, 1e300, -INFINITY, 123456.789012345};
  for (double r : reals) d->storeReal_forKey(r, s("r" + std::to_string(d->count())));
  d->storeObject_forKey(s(""), s("empty"));
  d->storeObject_forKey(s("yes"), s("text yes"));
  d->storeObject_forKey(s(std::string(255, 'k')), s(std::string(255, 'k')));
  const char* awkward[] = {"say \"hi\"", "two\nlines", "cr\r", " edges ", "x=[y]"};
  for (const char* text : awkward) d->storeObject_forKey(s(text), s("a" + std::to_string(d->count())));
  d->storeObject_forKey(s(std::string(2000, ' ') + "long"), s("spaces"));
  EXPECT_EQ(roundTrip(d), describe(d));
}

TEST_F(LLKCDictionaryFileTest, RefusesKeysThatWouldNotReadBack) {
  for (const std::string& key : {std::string("a=b"), std::string(" lead"), std::string("trail "), std::string(";c"),
                                 std::string("two\nlines"), std::string(""), std::string(256, 'k')}) {
    LLKCDictionary* d = LLKCDictionary::dictionaryWithCapacity(0);
    d->storeUint_forKey(1, s("fine"));
    d->storeUint_forKey(2, s(key));
    EXPECT_FALSE(d->saveIntoFile(path("out"))) << key;
    EXPECT_EQ(read(path("out")), "fine = 1u\n");
  }
  LLKCDictionary* d = LLKCDictionary::dictionaryWithCapacity(0);
  d->storeUint_forKey(1, LLKCNumber::numberWithUint(1));
  EXPECT_FALSE(d->saveIntoFile(path("out")));
}

}  // namespace
