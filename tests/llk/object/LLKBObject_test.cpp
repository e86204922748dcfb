#include <txq/llk/object/LLKBObject.h>

#include <gtest/gtest.h>

#include <atomic>
#include <cstdio>
#include <string>
#include <thread>
#include <vector>

#include <txq/llk/object/LLKRef.h>
#include <txq/llk/values/LLKCString.h>
#include <txq/llk/values/LLKCStringBuilder.h>

#include "support/ObjectTest.h"

// A test double that reports its deallocation and, on request, pokes at itself while it goes.
class Tracked : public LLKBObject {
  LLK_OBJECT(Tracked, LLKBObject)

 public:
  std::atomic<int>* deallocs;  // counted in dealloc
  uint64_t fields[4];          // must start zero
  LLKBObject** retainSeen;  // receives what retain answers during dealloc
  bool releaseDuringDealloc;

  Tracked* initWithCounter(std::atomic<int>* counter) noexcept {
    deallocs = counter;
    return this;
  }
  void dealloc() noexcept override {
    if (deallocs != nullptr) deallocs->fetch_add(1);
    if (retainSeen != nullptr) *retainSeen = retain();  // the count is zero: nil, and no revival
    if (releaseDuringDealloc) release();
    Super::dealloc();
  }
};
LLK_DEFINE_CLASS(Tracked, LLK_PROTOCOLS(), initWithCounter)

// An init that fails must deallocate what alloc made.
class FailsInit : public LLKBObject {
  LLK_OBJECT(FailsInit, LLKBObject)

 public:
  FailsInit* initFailing() noexcept {
    dealloc();
    return nullptr;
  }
};
LLK_DEFINE_CLASS(FailsInit, LLK_PROTOCOLS(), initFailing)

class LLKBObjectTest : public txqtest::ObjectTest {};
class LLKBObjectThreads : public txqtest::ObjectTest {};

// ---- Counts ----

TEST_F(LLKBObjectTest, CountStartsAtOneAndDeallocatesExactlyOnceAtZero) {
  std::atomic<int> deallocs{0};
  Tracked* object = Tracked::alloc()->initWithCounter(&deallocs);
  EXPECT_EQ(object->retainCount(), 1u);
  EXPECT_EQ(object->retain(), object);
  EXPECT_EQ(object->retainCount(), 2u);
  EXPECT_EQ(object->release(), nullptr);
  EXPECT_EQ(deallocs.load(), 0);
  object->release();
  EXPECT_EQ(deallocs.load(), 1);
}

TEST_F(LLKBObjectTest, RetainDuringDeallocAnswersNilAndDoesNotRevive) {
  std::atomic<int> deallocs{0};
  Tracked* object = Tracked::alloc()->initWithCounter(&deallocs);
  LLKBObject* seen = object;
  object->retainSeen = &seen;
  object->release();
  EXPECT_EQ(seen, nullptr);
  EXPECT_EQ(deallocs.load(), 1);  // freed once, not revived: the live counter checks the rest
}

TEST_F(LLKBObjectTest, ReleaseAtZeroLogsOneLineAndChangesNothing) {
  txqtest::LogCapture log;
  std::atomic<int> deallocs{0};
  Tracked* object = Tracked::alloc()->initWithCounter(&deallocs);
  object->releaseDuringDealloc = true;
  char expected[64];
  std::snprintf(expected, sizeof expected, "0x%p Tracked released too often", static_cast<void*>(object));
  object->release();
  EXPECT_EQ(deallocs.load(), 1);
  ASSERT_EQ(log.texts().size(), 1u);
  EXPECT_EQ(log.texts()[0], expected);
}

TEST_F(LLKBObjectThreads, ConcurrentRetainReleaseKeepsTheCountExact) {
  std::atomic<int> deallocs{0};
  Tracked* object = Tracked::alloc()->initWithCounter(&deallocs);
  constexpr int kThreads = 4;
  constexpr int kRounds = 100000;
  std::vector<std::thread> threads;
  for (int t = 0; t < kThreads; ++t) {
    threads.emplace_back([object] {
      for (int i = 0; i < kRounds; ++i) {
        object->retain();
        object->retain();
        object->release();
        object->release();
      }
    });
  }
  for (std::thread& thread : threads) thread.join();
  EXPECT_EQ(object->retainCount(), 1u);
  EXPECT_EQ(deallocs.load(), 0);
  object->release();
  EXPECT_EQ(deallocs.load(), 1);
}

TEST_F(LLKBObjectThreads, LastReleaseFromManyThreadsDeallocatesOnce) {
  for (int round = 0; round < 200; ++round) {
    std::atomic<int> deallocs{0};
    Tracked* object = Tracked::alloc()->initWithCounter(&deallocs);
    object->retain();
    object->retain();
    std::thread a([object] { object->release(); });
    std::thread b([object] { object->release(); });
    object->release();
    a.join();
    b.join();
    ASSERT_EQ(deallocs.load(), 1);
  }
}

// ---- Creation ----

TEST_F(LLKBObjectTest, NewInstancesStartZeroFilled) {
  Tracked* object = Tracked::alloc();
  ASSERT_NE(object, nullptr);
  EXPECT_EQ(object->deallocs, nullptr);
  for (uint64_t field : object->fields) EXPECT_EQ(field, 0u);
  EXPECT_EQ(object->retainSeen, nullptr);
  object->release();
}

TEST_F(LLKBObjectTest, FailingInitDeallocatesAndAnswersNil) {
  int64_t before = LLKFLiveObjectCount();
  EXPECT_EQ(FailsInit::alloc()->initFailing(), nullptr);
  EXPECT_EQ(LLKFLiveObjectCount(), before);
  EXPECT_FALSE(llk::make<FailsInit>(&FailsInit::initFailing));
}

// ---- Identity ----

TEST_F(LLKBObjectTest, ClassIdentityFollowsTheHierarchy) {
  LLKCString* text = LLKCString::stringWithChars("x");
  EXPECT_EQ(text->isOfClass(LLKCString::classObject()), text);
  EXPECT_EQ(text->isOfClass(LLKBObject::classObject()), nullptr);
  EXPECT_TRUE(text->isSubclassOfClass(LLKCString::classObject()));
  EXPECT_TRUE(text->isSubclassOfClass(LLKBObject::classObject()));
  EXPECT_FALSE(text->isSubclassOfClass(Tracked::classObject()));
  EXPECT_FALSE(text->isSubclassOfClass(nullptr));
  EXPECT_EQ(LLKBObject::classObject()->superclass(), nullptr);
  EXPECT_EQ(llk::classOf(nullptr), nullptr);
  EXPECT_FALSE(llk::isSubclassOfClass(nullptr, LLKBObject::classObject()));
}

TEST_F(LLKBObjectTest, DescriptionIsTheAddressThenTheClassName) {
  LLKBObject* object = llk::autorelease(LLKBObject::new_());
  char expected[64];
  std::snprintf(expected, sizeof expected, "%p LLKBObject", static_cast<void*>(object));
  EXPECT_STREQ(object->description()->chars(), expected);
}

TEST_F(LLKBObjectTest, ObjectsWithoutTextHaveNoBuilderAndLeaveOnesUntouched) {
  LLKBObject* object = llk::autorelease(LLKBObject::new_());
  LLKCStringBuilder* builder = LLKCStringBuilder::builderWithCapacity(4);
  builder->appendWithChars("ab");
  EXPECT_EQ(object->toString(), nullptr);
  EXPECT_EQ(object->toChars(), nullptr);
  EXPECT_EQ(object->toStringBuilder(builder), 2);
  EXPECT_EQ(builder->view(), "ab");
  EXPECT_EQ(object->toStringBuilder(), nullptr);
}

// ---- Value-protocol defaults ----

TEST_F(LLKBObjectTest, NonAdoptersCompareAndHashByIdentityAndRefuseCopies) {
  txqtest::LogCapture log;
  LLKBObject* a = llk::autorelease(LLKBObject::new_());
  LLKBObject* b = llk::autorelease(LLKBObject::new_());
  EXPECT_EQ(a->compareTo(a), 0);
  EXPECT_EQ(a->compareTo(b), 1);
  EXPECT_EQ(a->compareTo(nullptr), 1);
  EXPECT_EQ(a->hashCode(), a->hashCode());
  EXPECT_EQ(a->copy(), nullptr);
  EXPECT_EQ(a->deepCopy(), nullptr);
  EXPECT_EQ(log.lines().size(), 2u);
  EXPECT_FALSE(a->respondsToSelector(LLK_SEL("copy")));
}

// ---- Conveniences ----

TEST_F(LLKBObjectTest, RefRetainsBorrowedObjectsAndAdoptsOwnedOnes) {
  std::atomic<int> deallocs{0};
  {
    llk::Ref<Tracked> owned = llk::make<Tracked>(&Tracked::initWithCounter, &deallocs);
    ASSERT_TRUE(owned);
    EXPECT_EQ(owned->retainCount(), 1u);
    llk::Ref<LLKBObject> shared = owned;  // converts and retains
    EXPECT_EQ(owned->retainCount(), 2u);
    llk::Ref<Tracked> moved = std::move(owned);
    EXPECT_FALSE(owned);
    EXPECT_EQ(moved->retainCount(), 2u);
  }
  EXPECT_EQ(deallocs.load(), 1);
}

TEST_F(LLKBObjectTest, SendToNilAnswersZeroValues) {
  LLKCString* none = nullptr;
  EXPECT_EQ(llk::send(none, &LLKCString::length), 0u);
  EXPECT_EQ(llk::send(none, &LLKCString::substringFromOffset, 1), nullptr);
  LLKCString* text = LLKCString::stringWithChars("abc");
  EXPECT_EQ(llk::send(text, &LLKCString::length), 3u);
  llk::release(none);
  EXPECT_EQ(llk::retain(none), nullptr);
  EXPECT_EQ(llk::autorelease(none), nullptr);
}
