#include <txq/llk/collections/LLKCObjectMap.h>

#include <gtest/gtest.h>

#include <cstdint>
#include <string>
#include <vector>

#include <txq/llk/collections/LLKCObjectDeque.h>
#include <txq/llk/collections/LLKCObjectTuple.h>
#include <txq/llk/collections/LLKContainers.h>

#include "llk/collections/MapTestSupport.h"
#include "support/ObjectTest.h"

using maptest::Change;
using maptest::live;
using maptest::plain;
using maptest::Recorder;
using maptest::str;
using maptest::text;

// A key whose hash code is the same for every instance: keys differ only by compareTo (their id).
class MapTestKey : public LLKBObject {
  LLK_OBJECT(MapTestKey, LLKBObject)

 public:
  int32_t iId;
  static MapTestKey* keyWithId(int32_t id) noexcept {
    MapTestKey* key = llk::autorelease(new_());
    key->iId = id;
    return key;
  }
  uint32_t hashCode() noexcept override { return 7; }
  int32_t compareTo(LLKBObject* other) noexcept override {
    MapTestKey* key = llk::cast<MapTestKey>(other);
    if (key == nullptr) return 1;
    return iId < key->iId ? -1 : (iId > key->iId ? 1 : 0);
  }
};
LLK_DEFINE_CLASS(MapTestKey, LLK_PROTOCOLS(LLKPKeyable), hashCode, compareTo)

namespace {

class LLKCObjectMapTest : public txqtest::ObjectTest {};

// The keys in order, as texts.
std::string keyTexts(LLKCObjectMap* map) {
  return maptest::texts(map, [](LLKCObjectMap* m, uint64_t i) { return m->keyAtIndex(i); });
}
// The values in order, as texts.
std::string valueTexts(LLKCObjectMap* map) {
  return maptest::texts(map, [](LLKCObjectMap* m, uint64_t i) { return m->fetchAtIndex(i); });
}

bool isText(LLKBObject* object, void* context) noexcept {
  LLKCString* s = llk::cast<LLKCString>(object);
  return s != nullptr && s->compareToChars(static_cast<const char*>(context)) == 0;
}

bool startsWithX(LLKBObject* object, void*) noexcept { return text(object).starts_with("x"); }

}  // namespace

// ---- Keys compared by value ----

TEST_F(LLKCObjectMapTest, KeysWithOneHashButDifferentValuesAreTwoEntries) {
  LLKCObjectMap* map = LLKCObjectMap::map();
  MapTestKey* first = MapTestKey::keyWithId(1);
  MapTestKey* second = MapTestKey::keyWithId(2);
  ASSERT_EQ(first->hashCode(), second->hashCode());
  LLKBObject* one = str("one");
  LLKBObject* two = str("two");
  EXPECT_EQ(map->store_forKey(one, first), 0);
  EXPECT_EQ(map->store_forKey(two, second), 0);
  EXPECT_EQ(map->count(), 2u);
  EXPECT_EQ(map->fetchForKey(first), one);
  EXPECT_EQ(map->fetchForKey(second), two);

  MapTestKey* third = MapTestKey::keyWithId(1);  // equal to the first, another object
  EXPECT_EQ(map->fetchForKey(third), one);
  EXPECT_TRUE(map->containsKey(third));
  EXPECT_FALSE(map->containsKey(MapTestKey::keyWithId(3)));
  EXPECT_EQ(map->fetchForKey(MapTestKey::keyWithId(3)), nullptr);

  // Storing under the equal key replaces the first entry's value; the entry keeps its key object.
  EXPECT_EQ(map->store_forKey(str("uno"), third), 0);
  EXPECT_EQ(map->count(), 2u);
  EXPECT_EQ(text(map->fetchForKey(first)), "uno");
  EXPECT_EQ(map->keyAtIndex(0), first);
  EXPECT_EQ(map->fetchAtIndex(1), two);

  // Removing one of the colliding keys leaves the other reachable.
  EXPECT_EQ(map->removeForKey(MapTestKey::keyWithId(1)), 0);
  EXPECT_EQ(map->fetchForKey(second), two);
  EXPECT_FALSE(map->containsKey(first));
  EXPECT_EQ(map->removeForKey(first), 5);
}

TEST_F(LLKCObjectMapTest, EqualStringsAtDifferentAddressesAreOneKey) {
  LLKCObjectMap* map = LLKCObjectMap::map();
  LLKCString* port = str("port");
  LLKCString* samePort = str("port");
  ASSERT_NE(port, samePort);
  EXPECT_EQ(map->store_forKey(str("80"), port), 0);
  EXPECT_EQ(text(map->fetchForKey(samePort)), "80");
  EXPECT_EQ(text(map->fetchForKey("port"_llk)), "80");  // a literal is a string too
  EXPECT_EQ(map->store_forKey(str("8080"), samePort), 0);
  EXPECT_EQ(map->count(), 1u);
  EXPECT_EQ(map->keyAtIndex(0), port);  // the first key object stays
  EXPECT_EQ(text(map->fetchForKey(port)), "8080");
  EXPECT_EQ(map->fetchForKey(str("Port")), nullptr);
}

TEST_F(LLKCObjectMapTest, NilKeysAndValuesAreRefused) {
  LLKCObjectMap* map = LLKCObjectMap::map();
  EXPECT_EQ(map->store_forKey(nullptr, str("k")), 24);
  EXPECT_EQ(map->store_forKey(str("v"), nullptr), 24);
  EXPECT_EQ(map->count(), 0u);
  EXPECT_EQ(map->fetchForKey(nullptr), nullptr);
  EXPECT_FALSE(map->containsKey(nullptr));
  EXPECT_FALSE(map->contains(nullptr));
  EXPECT_EQ(map->removeForKey(nullptr), 24);
  EXPECT_EQ(map->remove(nullptr), 24);
  EXPECT_EQ(map->removeAll(nullptr), 24);
}

// ---- Order and positions ----

TEST_F(LLKCObjectMapTest, EntriesKeepTheOrderTheirKeysFirstCameIn) {
  LLKCObjectMap* map = LLKCObjectMap::map();
  for (const char* k : {"c", "a", "b"}) map->store_forKey(str((std::string("v") + k).c_str()), str(k));
  map->store_forKey(str("va2"), str("a"));  // a replacement keeps its place
  EXPECT_EQ(keyTexts(map), "c,a,b");
  EXPECT_EQ(valueTexts(map), "vc,va2,vb");
  LLKBObject* key = plain();
  EXPECT_EQ(text(map->fetchAtIndex_key(2, &key)), "vb");
  EXPECT_EQ(text(key), "b");
  EXPECT_EQ(map->fetchAtIndex_key(3, &key), nullptr);
  EXPECT_EQ(key, nullptr);  // cleared past the end
  EXPECT_EQ(text(map->fetchAtIndex_key(0, nullptr)), "vc");
  EXPECT_EQ(map->keyAtIndex(3), nullptr);
  EXPECT_EQ(map->fetchAtIndex(UINT64_MAX), nullptr);
}

TEST_F(LLKCObjectMapTest, AllKeysObjectsAndPairsAreNewDequesInOrder) {
  LLKCObjectMap* map = LLKCObjectMap::map();
  LLKBObject* k1 = str("k1");
  LLKBObject* k2 = str("k2");
  LLKBObject* v1 = str("v1");
  LLKBObject* v2 = str("v2");
  map->store_forKey(v1, k1);
  map->store_forKey(v2, k2);
  LLKCObjectDeque* keys = map->allKeys();
  LLKCObjectDeque* values = map->allObjects();
  LLKCObjectDeque* pairs = map->allPairs();
  ASSERT_TRUE(keys != nullptr && values != nullptr && pairs != nullptr);
  EXPECT_EQ(keys->count(), 2u);
  EXPECT_EQ(keys->fetchAtIndex(0), k1);
  EXPECT_EQ(keys->fetchAtIndex(1), k2);
  EXPECT_EQ(values->fetchAtIndex(0), v1);
  EXPECT_EQ(values->fetchAtIndex(1), v2);
  ASSERT_EQ(pairs->count(), 2u);
  auto* pair = llk::cast<LLKCObjectTuple>(pairs->fetchAtIndex(1));
  ASSERT_NE(pair, nullptr);
  EXPECT_EQ(pair->count(), 2u);
  EXPECT_EQ(pair->fetchAtIndex(0), k2);
  EXPECT_EQ(pair->fetchAtIndex(1), v2);
  // The pairs are the caller's: changing one leaves the map as it was.
  pair->store_atIndex(str("other"), 1);
  EXPECT_EQ(map->fetchForKey(k2), v2);
  keys->clear();
  EXPECT_EQ(map->count(), 2u);
  LLKCObjectDeque* none = LLKCObjectMap::map()->allPairs();
  ASSERT_NE(none, nullptr);
  EXPECT_EQ(none->count(), 0u);
}

TEST_F(LLKCObjectMapTest, RangeForAndLambdasSeeTheValuesInOrder) {
  LLKCObjectMap* map = LLKCObjectMap::map();
  for (const char* k : {"x1", "a", "x2", "b"}) map->store_forKey(str(k), str(k));
  std::string seen;
  for (LLKBObject* value : map) seen += text(value) + ";";
  EXPECT_EQ(seen, "x1;a;x2;b;");
  std::string viaForEach;
  llk::forEach(map, [&](LLKBObject* value) { viaForEach += text(value); });
  EXPECT_EQ(viaForEach, "x1ax2b");
  EXPECT_EQ(text(llk::findIf(map, [](LLKBObject* v) { return text(v) == "x2"; })), "x2");
  EXPECT_TRUE(llk::removeIf(map, [](LLKBObject* v) { return text(v).starts_with("x"); }));
  EXPECT_EQ(keyTexts(map), "a,b");
  EXPECT_EQ(map->iterateUntilMatchWithFunction_andContext(&startsWithX, nullptr), nullptr);
}

// ---- Removal ----

TEST_F(LLKCObjectMapTest, RemovalsByKeyValueAndPosition) {
  LLKCObjectMap* map = LLKCObjectMap::map();
  LLKBObject* shared = str("shared");
  map->store_forKey(shared, str("a"));
  map->store_forKey(str("vb"), str("b"));
  map->store_forKey(shared, str("c"));
  map->store_forKey(str("vd"), str("d"));
  map->store_forKey(shared, str("e"));

  EXPECT_FALSE(map->contains(str("shared")));  // values are searched by identity
  EXPECT_TRUE(map->contains(shared));
  EXPECT_EQ(map->remove(str("vb")), 5);
  EXPECT_EQ(map->remove(shared), 0);  // the first entry holding it
  EXPECT_EQ(keyTexts(map), "b,c,d,e");
  EXPECT_EQ(map->removeAtIndex(4), 5);
  EXPECT_EQ(map->removeAtIndex(1), 0);  // c
  EXPECT_EQ(keyTexts(map), "b,d,e");
  EXPECT_EQ(map->removeForKey(str("zz")), 5);
  EXPECT_EQ(map->removeForKey(str("d")), 0);
  EXPECT_EQ(keyTexts(map), "b,e");
  EXPECT_FALSE(map->containsKey(str("d")));

  map->store_forKey(shared, str("f"));
  map->store_forKey(shared, str("g"));
  EXPECT_EQ(map->removeAll(shared), 0);
  EXPECT_EQ(keyTexts(map), "b");
  EXPECT_EQ(map->removeAll(shared), 5);
  EXPECT_FALSE(map->contains(shared));
  EXPECT_EQ(shared->retainCount(), 1u);  // back to what the pool holds
}

TEST_F(LLKCObjectMapTest, RemoveEachMatchTakesEveryMatchKeepingTheRest) {
  LLKCObjectMap* map = LLKCObjectMap::map();
  Recorder recorder;
  MapTestKey* keys[6];
  const char* values[6] = {"x0", "a", "x1", "x2", "b", "x3"};
  for (int i = 0; i < 6; ++i) {
    keys[i] = MapTestKey::keyWithId(i);  // one bucket for all
    map->store_forKey(str(values[i]), keys[i]);
  }
  map->setChangeCallback_withContext(&Recorder::change, &recorder);
  EXPECT_TRUE(map->removeEachMatchWithFunction_andContext(&startsWithX, nullptr));
  EXPECT_EQ(valueTexts(map), "a,b");
  ASSERT_EQ(recorder.changes.size(), 4u);
  for (size_t i = 0; i < 4; ++i) {
    EXPECT_EQ(recorder.changes[i].first, 1u);
    EXPECT_EQ(text(recorder.changes[i].second), std::string("x") + std::to_string(i));
  }
  EXPECT_EQ(map->fetchForKey(keys[1]), map->fetchAtIndex(0));
  EXPECT_EQ(map->fetchForKey(keys[4]), map->fetchAtIndex(1));
  EXPECT_FALSE(map->containsKey(keys[0]));
  EXPECT_FALSE(map->removeEachMatchWithFunction_andContext(&startsWithX, nullptr));
  EXPECT_FALSE(map->removeEachMatchWithFunction_andContext(nullptr, nullptr));

  map->store_forKey(str("x9"), MapTestKey::keyWithId(9));
  map->store_forKey(str("x8"), MapTestKey::keyWithId(8));
  EXPECT_TRUE(map->removeFirstMatchWithFunction_andContext(&startsWithX, nullptr));
  EXPECT_EQ(valueTexts(map), "a,b,x8");
  EXPECT_TRUE(map->removeFirstMatchWithFunction_andContext(&isText, const_cast<char*>("a")));
  EXPECT_EQ(valueTexts(map), "b,x8");
  map->setChangeCallback_withContext(nullptr, nullptr);
}

// ---- Callbacks and ownership ----

TEST_F(LLKCObjectMapTest, ChangeCallbackHearsEveryValueInOrderWhileItIsAlive) {
  Recorder recorder;
  LLKCObjectMap* map = LLKCObjectMap::alloc()->init();
  map->setChangeCallback_withContext(&Recorder::change, &recorder);
  LLKCString* a = LLKCString::alloc()->initWithChars("a");  // +1 here, so counts are exact
  LLKCString* b = LLKCString::alloc()->initWithChars("b");
  LLKCString* c = LLKCString::alloc()->initWithChars("c");
  LLKBObject* key = str("k");
  map->store_forKey(a, key);
  map->store_forKey(b, str("k"));  // replaces a
  map->store_forKey(c, str("other"));
  map->store_forKey(c, str("other"));  // the same value again: still told
  EXPECT_EQ(map->removeForKey(str("k")), 0);
  const std::vector<Change> expected = {{0, a}, {1, a}, {0, b}, {0, c}, {1, c}, {0, c}, {1, b}};
  EXPECT_EQ(recorder.changes, expected);
  EXPECT_EQ(recorder.counts[1], 2u);  // a still held by the map when told it leaves
  EXPECT_EQ(a->retainCount(), 1u);
  EXPECT_EQ(b->retainCount(), 1u);
  EXPECT_EQ(c->retainCount(), 2u);

  map->store_forKey(a, str("again"));
  recorder.changes.clear();
  recorder.counts.clear();
  map->release();  // dealloc: op 1 for each value, in order, before it is released
  const std::vector<Change> atEnd = {{1, c}, {1, a}};
  EXPECT_EQ(recorder.changes, atEnd);
  EXPECT_EQ(recorder.counts[0], 2u);
  EXPECT_EQ(c->retainCount(), 1u);
  EXPECT_EQ(a->retainCount(), 1u);
  a->release();
  b->release();
  c->release();
}

TEST_F(LLKCObjectMapTest, ClearTellsEachValueInOrderAndLeavesAWorkingMap) {
  LLKCObjectMap* map = LLKCObjectMap::mapWithCapacity(2);
  Recorder recorder;
  LLKBObject* v1 = str("v1");
  LLKBObject* v2 = str("v2");
  LLKBObject* v3 = str("v3");
  map->store_forKey(v1, MapTestKey::keyWithId(1));
  map->store_forKey(v2, str("s"));
  map->store_forKey(v3, MapTestKey::keyWithId(2));
  map->setChangeCallback_withContext(&Recorder::change, &recorder);
  map->clear();
  const std::vector<Change> expected = {{1, v1}, {1, v2}, {1, v3}};
  EXPECT_EQ(recorder.changes, expected);
  EXPECT_EQ(map->count(), 0u);
  EXPECT_FALSE(map->containsKey(str("s")));
  map->setChangeCallback_withContext(nullptr, nullptr);
  EXPECT_EQ(map->store_forKey(v1, str("s")), 0);
  EXPECT_EQ(map->store_forKey(v2, MapTestKey::keyWithId(1)), 0);
  EXPECT_EQ(map->fetchForKey(str("s")), v1);
  EXPECT_EQ(map->fetchForKey(MapTestKey::keyWithId(1)), v2);
}

// ---- Capacity ----
// Entries are not objects: storing and removing make and free none, whatever the capacity, and
// the recorded capacity changes only through resize.

TEST_F(LLKCObjectMapTest, StoringWithinAndBeyondTheCapacityMakesNoObjects) {
  if (live() < 0) GTEST_SKIP() << "this build does not count live objects";
  LLKCObjectMap* map = LLKCObjectMap::mapWithCapacity(3);
  EXPECT_EQ(map->capacity(), 3u);
  LLKBObject* keys[4] = {str("a"), str("b"), str("c"), str("d")};
  MapTestKey* colliding[2] = {MapTestKey::keyWithId(1), MapTestKey::keyWithId(2)};
  LLKBObject* value = plain();
  const int64_t before = live();
  for (int i = 0; i < 3; ++i) map->store_forKey(value, keys[i]);
  EXPECT_EQ(live(), before);
  map->store_forKey(value, keys[3]);  // beyond the capacity: the room grows
  map->store_forKey(value, colliding[0]);
  map->store_forKey(value, colliding[1]);  // same hash: a separate entry
  EXPECT_EQ(live(), before);
  EXPECT_EQ(map->count(), 6u);
  EXPECT_EQ(map->capacity(), 3u);
  EXPECT_EQ(value->retainCount(), 1u + 6u);
  for (LLKBObject* key : keys) EXPECT_EQ(map->fetchForKey(key), value);
  EXPECT_EQ(map->fetchForKey(MapTestKey::keyWithId(2)), value);
}

TEST_F(LLKCObjectMapTest, RemovalsReleaseKeysAndValuesAndKeepTheCapacity) {
  LLKCObjectMap* map = LLKCObjectMap::mapWithCapacity(1);
  LLKBObject* keys[3] = {str("a"), str("b"), str("c")};
  LLKBObject* value = plain();
  for (LLKBObject* key : keys) map->store_forKey(value, key);
  const uint32_t keyCount = keys[0]->retainCount();
  EXPECT_EQ(map->removeForKey(keys[0]), 0);
  EXPECT_EQ(keys[0]->retainCount(), keyCount - 1);
  EXPECT_EQ(value->retainCount(), 1u + 2u);
  EXPECT_EQ(map->removeForKey(keys[1]), 0);
  EXPECT_EQ(map->removeForKey(keys[2]), 0);
  EXPECT_EQ(value->retainCount(), 1u);
  EXPECT_EQ(map->capacity(), 1u);
  map->store_forKey(value, keys[0]);
  map->store_forKey(value, keys[1]);
  EXPECT_EQ(map->count(), 2u);
  EXPECT_EQ(map->fetchForKey(keys[1]), value);
  EXPECT_EQ(map->capacity(), 1u);
}

TEST_F(LLKCObjectMapTest, KeysSharingAHashStayFoundUntilEachLeaves) {
  LLKCObjectMap* map = LLKCObjectMap::map();
  MapTestKey* one = MapTestKey::keyWithId(1);
  MapTestKey* two = MapTestKey::keyWithId(2);
  LLKBObject* v1 = str("v1");
  LLKBObject* v2 = str("v2");
  map->store_forKey(v1, one);
  map->store_forKey(v2, two);
  EXPECT_EQ(map->removeForKey(one), 0);
  EXPECT_FALSE(map->containsKey(one));
  EXPECT_EQ(map->fetchForKey(MapTestKey::keyWithId(2)), v2);
  EXPECT_EQ(map->removeForKey(two), 0);
  EXPECT_FALSE(map->containsKey(two));
  EXPECT_EQ(map->count(), 0u);
}

TEST_F(LLKCObjectMapTest, ClearAndBatchRemovalsLeaveAWorkingMapOfTheSameCapacity) {
  LLKCObjectMap* map = LLKCObjectMap::mapWithCapacity(4);
  LLKBObject* keys[6] = {str("a"), str("b"), str("c"), str("d"), str("e"), str("f")};
  LLKBObject* value = plain();
  const int64_t empty = live();
  for (int i = 0; i < 3; ++i) map->store_forKey(value, keys[i]);
  map->clear();
  EXPECT_EQ(live(), empty);
  EXPECT_EQ(value->retainCount(), 1u);
  for (LLKBObject* key : keys) map->store_forKey(value, key);
  EXPECT_EQ(live(), empty);
  EXPECT_EQ(map->removeAll(value), 0);
  EXPECT_EQ(live(), empty);
  EXPECT_EQ(value->retainCount(), 1u);
  EXPECT_EQ(map->count(), 0u);
  EXPECT_EQ(map->capacity(), 4u);
  for (LLKBObject* key : keys) EXPECT_FALSE(map->containsKey(key));
  EXPECT_EQ(map->store_forKey(value, keys[5]), 0);
  EXPECT_EQ(map->keyAtIndex(0), keys[5]);
}

TEST_F(LLKCObjectMapTest, ResizeRecordsTheCapacityAndShrinksNoLowerThanTheCount) {
  LLKCObjectMap* map = LLKCObjectMap::map();
  EXPECT_EQ(map->capacity(), 0u);
  const int64_t before = live();
  EXPECT_EQ(map->resize(4), 0);
  EXPECT_EQ(map->capacity(), 4u);
  EXPECT_EQ(map->resize(4), 0);
  EXPECT_EQ(live(), before);  // room, not objects

  LLKBObject* value = plain();
  LLKBObject* keys[3] = {str("a"), str("b"), str("c")};
  for (LLKBObject* key : keys) map->store_forKey(value, key);
  EXPECT_EQ(map->resize(1), 0);  // below the count: the capacity becomes the count
  EXPECT_EQ(map->capacity(), 3u);
  EXPECT_EQ(map->resize(0), 0);
  EXPECT_EQ(map->capacity(), 3u);
  EXPECT_EQ(map->removeForKey(keys[0]), 0);
  EXPECT_EQ(map->capacity(), 3u);
  EXPECT_EQ(map->resize(0), 0);
  EXPECT_EQ(map->capacity(), 2u);
  EXPECT_EQ(map->resize(UINT64_MAX), 2);  // cannot be had: nothing changes
  EXPECT_EQ(map->capacity(), 2u);
  EXPECT_EQ(map->count(), 2u);
  EXPECT_EQ(map->fetchForKey(keys[1]), value);
  EXPECT_EQ(map->fetchForKey(keys[2]), value);
  EXPECT_EQ(map->keyAtIndex(0), keys[1]);
}

// ---- Copies ----

TEST_F(LLKCObjectMapTest, CopiesKeepOrderAndCapacityAndShareOrCopyValues) {
  LLKCObjectMap* map = LLKCObjectMap::mapWithCapacity(5);
  LLKBObject* k1 = str("k1");
  LLKBObject* v1 = str("v1");
  LLKBObject* v2 = str("v2");
  map->store_forKey(v1, k1);
  map->store_forKey(v2, MapTestKey::keyWithId(3));
  Recorder recorder;
  map->setChangeCallback_withContext(&Recorder::change, &recorder);

  LLKCObjectMap* shallow = map->copy();
  ASSERT_NE(shallow, nullptr);
  EXPECT_EQ(shallow->capacity(), 5u);
  EXPECT_EQ(shallow->count(), 2u);
  EXPECT_EQ(shallow->keyAtIndex(0), k1);
  EXPECT_EQ(shallow->fetchAtIndex(0), v1);
  EXPECT_EQ(shallow->fetchForKey(MapTestKey::keyWithId(3)), v2);

  LLKCObjectMap* deep = map->deepCopy();
  ASSERT_NE(deep, nullptr);
  EXPECT_EQ(deep->keyAtIndex(0), k1);  // keys are shared
  EXPECT_NE(deep->fetchAtIndex(0), v1);
  EXPECT_EQ(text(deep->fetchAtIndex(0)), "v1");
  EXPECT_EQ(text(deep->fetchAtIndex(1)), "v2");

  shallow->removeAtIndex(0);
  deep->clear();
  EXPECT_TRUE(recorder.changes.empty());  // copies have no callback
  EXPECT_EQ(map->count(), 2u);

  map->store_forKey(plain(), str("plain"));
  EXPECT_EQ(map->deepCopy(), nullptr);  // a value that cannot be copied
  EXPECT_NE(map->copy(), nullptr);
  EXPECT_EQ(LLKCObjectMap::alloc()->initWithCopy_deep(str("no map"), false), nullptr);
  map->setChangeCallback_withContext(nullptr, nullptr);
}

// ---- Allocation failure ----

TEST_F(LLKCObjectMapTest, ARoomThatCannotGrowAnswers2AndTheMapStaysWhole) {
  if (maptest::kSanitizedAllocator) GTEST_SKIP() << "the sanitizer's allocator never answers null";
  constexpr int kKeys = 4096;
  // Room for 16 keys: the stores after them need the entry array and the index to grow.
  LLKCObjectMap* map = LLKCObjectMap::mapWithCapacity(16);
  ASSERT_NE(map, nullptr);
  std::vector<LLKBObject*> keys;
  for (int i = 0; i < kKeys; ++i) {
    keys.push_back(LLKCString::stringWithFormat("key-%d", i));
    keys.back()->hashCode();  // cached now
  }
  LLKBObject* value = plain();
  ASSERT_EQ(map->store_forKey(value, keys[0]), 0);  // the child makes the room grow
  // In the child, with no memory to be had, stores go on until the room needs to grow.
  auto run = [&] {
    int stored = 1;
    return maptest::exhaustedThen(
        [&] {
          int32_t status = 0;
          while (stored < kKeys && (status = map->store_forKey(value, keys[stored])) == 0) ++stored;
          if (status != 2 || stored < 2) return 10;
          if (map->count() != static_cast<uint64_t>(stored) || map->containsKey(keys[stored])) return 11;
          for (int i = 0; i < stored; ++i) {
            if (map->fetchForKey(keys[i]) != value) return 12;
          }
          if (value->retainCount() != 1u + static_cast<uint32_t>(stored)) return 13;
          return 0;
        },
        [&](int code) {
          if (code != 0) return code;
          if (map->store_forKey(value, keys[stored]) != 0 || !map->containsKey(keys[stored])) return 14;
          return 42;
        });
  };
  EXPECT_EXIT(run(), testing::ExitedWithCode(42), "");
}
