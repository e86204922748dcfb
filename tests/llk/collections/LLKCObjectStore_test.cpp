#include <txq/llk/collections/LLKCObjectStore.h>

#include <gtest/gtest.h>

#include <cstdint>
#include <string>
#include <vector>

#include <txq/llk/collections/LLKCObjectDeque.h>
#include <txq/llk/collections/LLKCObjectMap.h>
#include <txq/llk/collections/LLKContainers.h>
#include <txq/llk/collections/LLKPUniqueable.h>
#include <txq/llk/values/LLKCGuid.h>

#include "llk/collections/MapTestSupport.h"
#include "support/ObjectTest.h"

using maptest::Change;
using maptest::plain;
using maptest::Recorder;
using maptest::str;
using maptest::text;

// A user's class adopting the role: a GUID of its own (or a given one) and a name.
class StoreTestPart : public LLKBObject, public LLKPUniqueable {
  LLK_OBJECT(StoreTestPart, LLKBObject)

 public:
  LLKCGuid* iGuid;    // retained
  LLKCString* iName;  // retained, may be nil

  static StoreTestPart* partNamed(const char* name, LLKCGuid* guid = nullptr) noexcept {
    StoreTestPart* part = llk::autorelease(new_());
    part->iGuid = llk::retain(guid != nullptr ? guid : LLKCGuid::guid());
    part->setName(name != nullptr ? LLKCString::stringWithChars(name) : nullptr);
    return part;
  }
  LLKCGuid* guid() noexcept override { return iGuid; }
  LLKCString* name() noexcept override { return iName; }
  void setName(LLKCString* name) noexcept override {
    llk::retain(name);
    llk::release(iName);
    iName = name;
  }
  // Parts copy with the same guid and name.
  StoreTestPart* initWithCopy_deep(LLKBObject* source, bool) noexcept override {
    StoreTestPart* other = llk::cast<StoreTestPart>(source);
    iGuid = llk::retain(llk::send(other, &StoreTestPart::guid));
    iName = llk::retain(llk::send(other, &StoreTestPart::name));
    return this;
  }

 protected:
  ~StoreTestPart() override {
    llk::release(iGuid);
    llk::release(iName);
  }
};
LLK_DEFINE_CLASS(StoreTestPart, LLK_PROTOCOLS(LLKPUniqueable, LLKPCopyable), guid, name, setName,
                 initWithCopy_deep)

namespace {

class LLKCObjectStoreTest : public txqtest::ObjectTest {};

std::string names(LLKCObjectDeque* deque) {
  std::string out;
  for (LLKBObject* object : deque) {
    if (!out.empty()) out += ',';
    StoreTestPart* part = llk::cast<StoreTestPart>(object);
    out += part != nullptr ? text(part->name()) : text(object);
  }
  return out;
}

std::string storeNames(LLKCObjectStore* store) {
  std::string out;
  for (StoreTestPart* part : llk::typed<StoreTestPart>(store)) {
    if (!out.empty()) out += ',';
    out += part != nullptr ? text(part->name()) : "?";
  }
  return out;
}

bool nameStartsWithW(LLKBObject* object, void*) noexcept {
  StoreTestPart* part = llk::cast<StoreTestPart>(object);
  return part != nullptr && text(part->name()).starts_with("w");
}

}  // namespace

// ---- The role ----

TEST_F(LLKCObjectStoreTest, TheRoleIsReachedThroughItsInterfaceAndImpliesComparable) {
  StoreTestPart* part = StoreTestPart::partNamed("wheel");
  LLKBObject* object = part;
  LLKPUniqueable* unique = llk::as<LLKPUniqueable>(object);
  ASSERT_NE(unique, nullptr);
  EXPECT_EQ(unique->guid(), part->iGuid);
  unique->setName(str("rim"));
  EXPECT_EQ(text(part->name()), "rim");
  EXPECT_TRUE(object->conformsToProtocol(&LLKPUniqueable::kProtocol));
  EXPECT_TRUE(object->conformsToProtocol(&LLKPComparable::kProtocol));
  EXPECT_FALSE(object->conformsToProtocol(&LLKPHashable::kProtocol));
  EXPECT_EQ(llk::as<LLKPUniqueable>(str("x")), nullptr);
  EXPECT_STREQ(LLKPUniqueable::kProtocol.name, "LLKPUniqueable");
}

// ---- Storing ----

TEST_F(LLKCObjectStoreTest, AnObjectWhoseGuidIsHeldAnswers17) {
  LLKCObjectStore* store = LLKCObjectStore::store();
  StoreTestPart* wheel = StoreTestPart::partNamed("wheel");
  EXPECT_EQ(store->store(wheel), 0);
  EXPECT_EQ(store->store(wheel), 17);
  // Another object carrying an equal GUID (a different GUID object) is the same identity.
  LLKCGuid* sameId = LLKCGuid::guidFromString(wheel->iGuid->toString());
  ASSERT_NE(sameId, wheel->iGuid);
  StoreTestPart* twin = StoreTestPart::partNamed("twin", sameId);
  EXPECT_EQ(store->store(twin), 17);
  EXPECT_EQ(store->count(), 1u);
  EXPECT_EQ(store->iAdded->count(), 1u);  // refusals leave no trace in the history
  EXPECT_EQ(store->fetchForGuid(sameId), wheel);
  EXPECT_TRUE(store->containsGuid(sameId));
}

TEST_F(LLKCObjectStoreTest, OnlyUniqueableObjectsAreStored) {
  LLKCObjectStore* store = LLKCObjectStore::store();
  EXPECT_EQ(store->store(nullptr), 24);
  EXPECT_EQ(store->store(str("not a part")), 11);
  EXPECT_EQ(store->store(plain()), 11);
  StoreTestPart* noGuid = llk::autorelease(StoreTestPart::new_());  // guid() answers nil
  EXPECT_EQ(store->store(noGuid), 11);
  EXPECT_EQ(store->count(), 0u);
  EXPECT_EQ(store->iAdded->count(), 0u);
  EXPECT_EQ(store->remove(nullptr), 24);
  EXPECT_EQ(store->remove(str("x")), 5);
  EXPECT_EQ(store->removeForGuid(nullptr), 5);
  EXPECT_EQ(store->fetchForGuid(nullptr), nullptr);
}

TEST_F(LLKCObjectStoreTest, TheHistoryGrowsWithEveryStoreAndRemoval) {
  LLKCObjectStore* store = LLKCObjectStore::store();
  StoreTestPart* a = StoreTestPart::partNamed("a");
  StoreTestPart* b = StoreTestPart::partNamed("b");
  StoreTestPart* c = StoreTestPart::partNamed("c");
  store->store(a);
  store->store(b);
  EXPECT_EQ(store->remove(a), 0);
  EXPECT_EQ(store->remove(a), 5);
  store->store(a);  // again: recorded again
  store->store(c);
  EXPECT_EQ(store->removeForGuid(c->iGuid), 0);
  EXPECT_EQ(store->removeAtIndex(0), 0);  // b
  EXPECT_EQ(store->removeAtIndex(5), 5);
  // The history keeps the objects it names alive.
  EXPECT_EQ(c->retainCount(), 3u);  // the pool, iAdded and iRemoved
  EXPECT_EQ(names(store->allAddedObjects()), "a,b,a,c");
  EXPECT_EQ(names(store->allRemovedObjects()), "a,c,b");
  EXPECT_EQ(storeNames(store), "a");
  // allAddedObjects is a copy: changing it leaves the history alone.
  store->allAddedObjects()->clear();
  EXPECT_EQ(store->iAdded->count(), 4u);
}

// ---- Finding ----

TEST_F(LLKCObjectStoreTest, ObjectsAreFoundByGuidNameAndPosition) {
  LLKCObjectStore* store = LLKCObjectStore::storeWithCapacity(4);
  EXPECT_EQ(store->capacity(), 4u);
  StoreTestPart* wheel1 = StoreTestPart::partNamed("wheel");
  StoreTestPart* axle = StoreTestPart::partNamed("axle");
  StoreTestPart* wheel2 = StoreTestPart::partNamed("wheel");
  StoreTestPart* nameless = StoreTestPart::partNamed(nullptr);
  for (StoreTestPart* p : {wheel1, axle, nameless, wheel2}) ASSERT_EQ(store->store(p), 0);
  EXPECT_EQ(store->fetchForName(str("wheel")), wheel1);
  EXPECT_EQ(store->fetchForName("axle"_llk), axle);
  EXPECT_TRUE(store->containsName(str("axle")));
  EXPECT_FALSE(store->containsName(str("spoke")));
  EXPECT_EQ(store->fetchForName(nullptr), nullptr);
  LLKCObjectDeque* wheels = store->allObjectsWithName(str("wheel"));
  ASSERT_NE(wheels, nullptr);
  ASSERT_EQ(wheels->count(), 2u);
  EXPECT_EQ(wheels->fetchAtIndex(0), wheel1);
  EXPECT_EQ(wheels->fetchAtIndex(1), wheel2);
  EXPECT_EQ(store->allObjectsWithName(nullptr)->count(), 0u);
  // A renamed object is found by its new name.
  axle->setName(str("shaft"));
  EXPECT_EQ(store->fetchForName(str("shaft")), axle);

  LLKCObjectDeque* guids = store->allGuids();
  ASSERT_EQ(guids->count(), 4u);
  EXPECT_EQ(guids->fetchAtIndex(2), nameless->iGuid);
  EXPECT_EQ(store->fetchAtIndex(3), wheel2);
  EXPECT_EQ(store->fetchAtIndex(4), nullptr);
  EXPECT_EQ(names(store->allObjects()), "wheel,shaft,nil,wheel");
  EXPECT_EQ(store->fetchForGuid(LLKCGuid::guid()), nullptr);
  EXPECT_FALSE(store->containsGuid(LLKCGuid::guid()));
}

// ---- Removal, callbacks and size ----

TEST_F(LLKCObjectStoreTest, BatchRemovalsAndClearAreRecordedInTheHistory) {
  LLKCObjectStore* store = LLKCObjectStore::store();
  Recorder recorder;
  store->setChangeCallback_withContext(&Recorder::change, &recorder);
  StoreTestPart* parts[4] = {StoreTestPart::partNamed("wheel"), StoreTestPart::partNamed("axle"),
                             StoreTestPart::partNamed("wing"), StoreTestPart::partNamed("seat")};
  for (StoreTestPart* p : parts) store->store(p);
  EXPECT_TRUE(store->removeEachMatchWithFunction_andContext(&nameStartsWithW, nullptr));
  EXPECT_EQ(storeNames(store), "axle,seat");
  EXPECT_EQ(names(store->allRemovedObjects()), "wheel,wing");
  EXPECT_FALSE(store->removeFirstMatchWithFunction_andContext(&nameStartsWithW, nullptr));
  StoreTestPart* whip = StoreTestPart::partNamed("whip");
  store->store(StoreTestPart::partNamed("wagon"));
  store->store(whip);
  EXPECT_TRUE(store->removeFirstMatchWithFunction_andContext(&nameStartsWithW, nullptr));
  EXPECT_EQ(storeNames(store), "axle,seat,whip");
  EXPECT_EQ(llk::findIf(store, [](LLKBObject* o) { return nameStartsWithW(o, nullptr); }), whip);
  store->clear();
  EXPECT_EQ(store->count(), 0u);
  EXPECT_EQ(names(store->allRemovedObjects()), "wheel,wing,wagon,axle,seat,whip");

  // The callback heard op 0 for each store and op 1 for each removal, in order.
  std::vector<Change> expected;
  for (StoreTestPart* p : parts) expected.emplace_back(0, p);
  expected.emplace_back(1, parts[0]);
  expected.emplace_back(1, parts[2]);
  ASSERT_GE(recorder.changes.size(), expected.size());
  EXPECT_EQ(std::vector<Change>(recorder.changes.begin(), recorder.changes.begin() + 6), expected);
  EXPECT_EQ(recorder.changes.size(), 6u + 2u + 1u + 3u);
  store->setChangeCallback_withContext(nullptr, nullptr);
}

TEST_F(LLKCObjectStoreTest, SizeIsTheContentMapsAndIterationFollowsTheOrder) {
  LLKCObjectStore* store = LLKCObjectStore::store();
  EXPECT_EQ(store->capacity(), 0u);
  EXPECT_EQ(store->resize(8), 0);
  EXPECT_EQ(store->capacity(), 8u);
  EXPECT_EQ(store->iContent->capacity(), 8u);
  for (const char* n : {"a", "b", "c"}) store->store(StoreTestPart::partNamed(n));
  EXPECT_EQ(store->resize(1), 0);
  EXPECT_EQ(store->capacity(), 3u);
  std::string seen;
  llk::forEach(store, [&](LLKBObject* o) { seen += text(llk::cast<StoreTestPart>(o)->name()); });
  EXPECT_EQ(seen, "abc");
}

// ---- Copies and ownership ----

TEST_F(LLKCObjectStoreTest, CopiesHoldTheObjectsAndStartTheirOwnHistory) {
  LLKCObjectStore* store = LLKCObjectStore::storeWithCapacity(2);
  StoreTestPart* a = StoreTestPart::partNamed("a");
  StoreTestPart* b = StoreTestPart::partNamed("b");
  store->store(a);
  store->store(b);
  store->remove(b);
  store->store(b);
  LLKCObjectStore* copy = store->copy();
  ASSERT_NE(copy, nullptr);
  EXPECT_EQ(copy->capacity(), 2u);
  EXPECT_EQ(copy->fetchAtIndex(0), a);
  EXPECT_EQ(names(copy->allAddedObjects()), "a,b");
  EXPECT_EQ(copy->iRemoved->count(), 0u);
  LLKCObjectStore* deep = store->deepCopy();
  ASSERT_NE(deep, nullptr);
  EXPECT_NE(deep->fetchAtIndex(0), a);
  EXPECT_EQ(deep->fetchForGuid(a->iGuid), deep->fetchAtIndex(0));
  EXPECT_EQ(LLKCObjectStore::alloc()->initWithCopy_deep(LLKCObjectMap::map(), false), nullptr);
}

TEST_F(LLKCObjectStoreTest, ReleasingTheStoreTellsTheCallbackAndReleasesEverything) {
  Recorder recorder;
  LLKCObjectStore* store = LLKCObjectStore::alloc()->init();
  StoreTestPart* part = StoreTestPart::alloc();
  part->iGuid = llk::retain(LLKCGuid::guid());
  store->store(part);
  store->setChangeCallback_withContext(&Recorder::change, &recorder);
  EXPECT_EQ(part->retainCount(), 3u);
  store->release();
  ASSERT_EQ(recorder.changes.size(), 1u);
  EXPECT_EQ(recorder.changes[0], Change(1, part));
  EXPECT_EQ(part->retainCount(), 1u);
  part->release();
}
