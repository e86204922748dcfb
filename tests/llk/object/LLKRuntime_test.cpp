#include <txq/llk/object/LLKRuntime.h>

#include <dlfcn.h>
#include <gtest/gtest.h>

#include <cstdio>
#include <string>
#include <thread>
#include <vector>

#include <txq/llk/object/LLKBObject.h>
#include <txq/llk/object/LLKCNull.h>
#include <txq/llk/object/LLKSynchronized.h>
#include <txq/llk/values/LLKCString.h>

#include "support/ObjectTest.h"

// ---- Test doubles ----

// A role protocol: an interface adopted as a secondary base.
struct TestPRing {
  static const LLKProtocol kProtocol;
  virtual int32_t ring() noexcept = 0;

 protected:
  ~TestPRing() = default;
};
constinit const LLKProtocol TestPRing::kProtocol{"TestPRing", nullptr};

class Bell : public LLKBObject, public TestPRing {
  LLK_OBJECT(Bell, LLKBObject)

 public:
  int32_t rings;
  LLKBObject* ping() noexcept {
    ++rings;
    return this;
  }
  LLKBObject* echo(LLKBObject* object) noexcept { return object; }
  LLKCString* pick_or(LLKCString* first, LLKCString* second) noexcept { return first != nullptr ? first : second; }
  void count_by(uint32_t step, uint32_t times) noexcept { rings += static_cast<int32_t>(step * times); }  // not performable
  LLKBObject* toggle() noexcept { return this; }
  LLKBObject* toggle(LLKBObject* other) noexcept { return other; }
  int32_t ring() noexcept override { return ++rings; }
};
LLK_DEFINE_CLASS(Bell, LLK_PROTOCOLS(TestPRing, LLKPKeyable), ping, echo, pick_or, count_by, toggle)

// A base with optional hooks, as the loop bases have.
class Loopish : public LLKBObject {
  LLK_OBJECT(Loopish, LLKBObject)

 protected:
  virtual void onNudgedAt(int64_t) noexcept {}
  virtual void onFlashed_at(uint32_t, int64_t) noexcept {}
};
LLK_OPTIONAL_HOOKS(Loopish, onNudgedAt, onFlashed_at)
LLK_DEFINE_CLASS(Loopish, LLK_PROTOCOLS())

class Nudged : public Loopish {
  LLK_OBJECT(Nudged, Loopish)

 protected:
  void onNudgedAt(int64_t) noexcept override {}
};
LLK_DEFINE_CLASS(Nudged, LLK_PROTOCOLS())

class NudgedToo : public Nudged {  // inherits its parent's override
  LLK_OBJECT(NudgedToo, Nudged)
};
LLK_DEFINE_CLASS(NudgedToo, LLK_PROTOCOLS())

class Flashed : public Loopish {
  LLK_OBJECT(Flashed, Loopish)

 private:
  void onFlashed_at(uint32_t, int64_t) noexcept override {}
};
LLK_DEFINE_CLASS(Flashed, LLK_PROTOCOLS())

class Abstractish : public LLKBObject {
  LLK_OBJECT(Abstractish, LLKBObject)

 public:
  virtual void mustOverride() noexcept = 0;
};
LLK_DEFINE_CLASS(Abstractish, LLK_PROTOCOLS())

// Looked up while the test program's static initialisers run.
static const LLKClass* const gBellAtStartup = LLKClassFromName("Bell");
static const LLKClass* const gStringAtStartup = LLKClassFromName("LLKCString");

class LLKRuntimeTest : public txqtest::ObjectTest {};
class LLKRuntimeThreads : public txqtest::ObjectTest {};

// ---- Selectors ----

TEST_F(LLKRuntimeTest, SelectorsAreInternedByText) {
  LLKSEL a = LLK_SEL("doSomething:with:");
  EXPECT_EQ(a, LLKSelRegister("doSomething:with:"));
  EXPECT_NE(a, LLK_SEL("doSomething:"));
  EXPECT_STREQ(LLKSelName(a), "doSomething:with:");
  EXPECT_EQ(LLKSelRegister(nullptr), nullptr);
}

TEST_F(LLKRuntimeTest, SelectorTextIsDerivedFromMemberNamesAndArity) {
  const LLKClass* bell = Bell::classObject();
  // x() and x(arg) are both listed; then escaped names and inherited operations.
  for (const char* name : {"ping", "echo:", "pick:or:", "count:by:", "toggle", "toggle:", "class",
                           "toStringBuilder", "toStringBuilder:", "performSelector:withObject:withObject:"}) {
    EXPECT_TRUE(bell->respondsToSelector(LLKSelRegister(name))) << name;
  }
  EXPECT_FALSE(bell->respondsToSelector(LLK_SEL("ping:")));
  EXPECT_FALSE(bell->respondsToSelector(nullptr));
}

TEST_F(LLKRuntimeTest, PerformSelectorCallsWithZeroToTwoObjects) {
  Bell* bell = llk::autorelease(Bell::new_());
  LLKCString* a = LLKCString::stringWithChars("a");
  LLKCString* b = LLKCString::stringWithChars("b");
  EXPECT_EQ(bell->performSelector(LLK_SEL("ping")), bell);
  EXPECT_EQ(bell->rings, 1);
  EXPECT_EQ(bell->performSelector_withObject(LLK_SEL("echo:"), a), a);
  EXPECT_EQ(bell->performSelector_withObject_withObject(LLK_SEL("pick:or:"), a, b), a);
  EXPECT_EQ(bell->performSelector_withObject(LLK_SEL("toggle:"), b), b);
  EXPECT_EQ(bell->performSelector(LLK_SEL("toggle")), bell);
  EXPECT_EQ(bell->performSelector(LLK_SEL("retain")), bell);
  bell->release();
  // Arguments of the wrong class arrive as nil.
  EXPECT_EQ(bell->performSelector_withObject_withObject(LLK_SEL("pick:or:"), bell, b), b);
  EXPECT_EQ(bell->performSelector_withObject_withObject(LLK_SEL("pick:or:"), "lit"_llk, nullptr), "lit"_llk);
}

TEST_F(LLKRuntimeTest, UnknownSelectorsLogOneLineAndAnswerNil) {
  txqtest::LogCapture log;
  Bell* bell = llk::autorelease(Bell::new_());
  EXPECT_EQ(bell->performSelector_withObject(LLK_SEL("fly:"), bell), nullptr);
  char expected[96];
  std::snprintf(expected, sizeof expected, "0x%p Bell does not respond to fly:", static_cast<void*>(bell));
  ASSERT_EQ(log.texts().size(), 1u);
  EXPECT_EQ(log.texts()[0], expected);
  EXPECT_NE(bell->methodForSelector(LLK_SEL("fly:")), nullptr);  // the forwarding handler
  EXPECT_EQ(Bell::classObject()->instanceMethodForSelector(LLK_SEL("fly:")), nullptr);
  EXPECT_EQ(bell->methodForSelector(LLK_SEL("ping")), Bell::classObject()->instanceMethodForSelector(LLK_SEL("ping")));
}

TEST_F(LLKRuntimeTest, OperationsWithOtherShapesRespondButCannotBePerformed) {
  txqtest::LogCapture log;
  Bell* bell = llk::autorelease(Bell::new_());
  EXPECT_EQ(bell->performSelector(LLK_SEL("count:by:")), nullptr);
  EXPECT_EQ(bell->rings, 0);
  ASSERT_EQ(log.texts().size(), 1u);
  EXPECT_NE(log.texts()[0].find("Bell cannot perform count:by:"), std::string::npos);
}

// ---- Optional hooks ----

TEST_F(LLKRuntimeTest, HooksRespondExactlyWhenOverridden) {
  LLKSEL nudged = LLK_SEL("onNudgedAt:");
  LLKSEL flashed = LLK_SEL("onFlashed:at:");
  EXPECT_FALSE(Loopish::classObject()->respondsToSelector(nudged));
  EXPECT_FALSE(Loopish::classObject()->respondsToSelector(flashed));
  EXPECT_TRUE(Nudged::classObject()->respondsToSelector(nudged));
  EXPECT_FALSE(Nudged::classObject()->respondsToSelector(flashed));
  EXPECT_TRUE(NudgedToo::classObject()->respondsToSelector(nudged));  // inherited override
  EXPECT_FALSE(NudgedToo::classObject()->respondsToSelector(flashed));
  EXPECT_TRUE(Flashed::classObject()->respondsToSelector(flashed));    // private override
  EXPECT_FALSE(Flashed::classObject()->respondsToSelector(nudged));
}

// ---- Protocols ----

TEST_F(LLKRuntimeTest, ConformanceFollowsAdoptedProtocolsAndSuperclasses) {
  const LLKClass* string = LLKCString::classObject();
  EXPECT_TRUE(string->conformsToProtocol(&LLKPKeyable::kProtocol));
  EXPECT_TRUE(string->conformsToProtocol(&LLKPComparable::kProtocol));  // through Keyable
  EXPECT_TRUE(string->conformsToProtocol(&LLKPHashable::kProtocol));
  EXPECT_TRUE(string->conformsToProtocol(&LLKPCopyable::kProtocol));
  EXPECT_TRUE(string->conformsToProtocol(&LLKPObject::kProtocol));      // from the root
  EXPECT_FALSE(LLKBObject::classObject()->conformsToProtocol(&LLKPCopyable::kProtocol));
  EXPECT_FALSE(string->conformsToProtocol(nullptr));
  EXPECT_FALSE(llk::conformsTo(nullptr, &LLKPObject::kProtocol));
  EXPECT_TRUE(Bell::classObject()->conformsToProtocol(&LLKPComparable::kProtocol));
}

TEST_F(LLKRuntimeTest, RoleProtocolCastGivesAWorkingInterface) {
  Bell* bell = llk::autorelease(Bell::new_());
  LLKBObject* object = bell;
  TestPRing* ring = llk::as<TestPRing>(object);
  ASSERT_NE(ring, nullptr);
  EXPECT_EQ(ring->ring(), 1);
  EXPECT_EQ(bell->rings, 1);
  EXPECT_EQ(llk::as<TestPRing>(LLKCString::stringWithChars("x")), nullptr);
  EXPECT_EQ(llk::as<TestPRing>(nullptr), nullptr);
  EXPECT_EQ(llk::cast<LLKCString>(object), nullptr);
  EXPECT_EQ(llk::cast<Bell>(object), bell);
}

// ---- Class objects and the registry ----

TEST_F(LLKRuntimeTest, ClassObjectsMakeInstancesOfTheirClass) {
  LLKBObject* made = Bell::classObject()->new_();
  ASSERT_NE(made, nullptr);
  EXPECT_EQ(made->class_(), Bell::classObject());
  made->release();
  EXPECT_TRUE(Abstractish::classObject()->isAbstract());
  EXPECT_EQ(Abstractish::classObject()->alloc(), nullptr);
  EXPECT_EQ(Abstractish::alloc(), nullptr);
}

TEST_F(LLKRuntimeTest, ClassesAreFoundByNameAlsoFromStaticInitialisers) {
  EXPECT_EQ(gBellAtStartup, Bell::classObject());
  EXPECT_EQ(gStringAtStartup, LLKCString::classObject());
  EXPECT_NE(LLKClassFromName("LLKCLiteralString"), nullptr);
  EXPECT_EQ(LLKClassFromName("NoSuchClass"), nullptr);
  EXPECT_EQ(LLKClassFromName(nullptr), nullptr);
}

TEST_F(LLKRuntimeTest, ADuplicateNameIsRefusedWithALogLine) {
  static constinit const LLKClass impostor{"Bell", LLKBObject::classObject(), nullptr, 0, nullptr, 0, nullptr};
  const LLKClass* const entries[] = {&impostor};
  txqtest::LogCapture log;
  EXPECT_FALSE(LLKRegisterModule(entries, entries + 1));
  EXPECT_EQ(log.lines().size(), 1u);
  EXPECT_EQ(LLKClassFromName("Bell"), Bell::classObject());
}

TEST_F(LLKRuntimeTest, PluginClassesAreFoundWhileThePluginIsLoaded) {
  void* plugin = dlopen(TXQ_TEST_PLUGIN, RTLD_NOW | RTLD_LOCAL);
  ASSERT_NE(plugin, nullptr) << dlerror();
  const LLKClass* widget = LLKClassFromName("PluginWidget");
  ASSERT_NE(widget, nullptr);
  EXPECT_EQ(widget->superclass(), LLKBObject::classObject());
  EXPECT_TRUE(widget->conformsToProtocol(&LLKPEncodable::kProtocol));
  LLKBObject* made = widget->new_();
  ASSERT_NE(made, nullptr);
  EXPECT_EQ(made->performSelector(LLK_SEL("self")), made);
  EXPECT_STREQ(made->className(), "PluginWidget");
  made->release();
  dlclose(plugin);
  EXPECT_EQ(LLKClassFromName("PluginWidget"), nullptr);
}

// ---- Monitors ----

TEST_F(LLKRuntimeTest, MonitorsAreRecursiveAndRefuseNil) {
  LLKBObject* object = llk::autorelease(LLKBObject::new_());
  ASSERT_TRUE(LLKMonitorEnter(object));
  ASSERT_TRUE(LLKMonitorEnter(object));
  LLKMonitorExit(object);
  LLKMonitorExit(object);
  EXPECT_FALSE(LLKMonitorEnter(static_cast<LLKBObject*>(nullptr)));
  llk::Synchronized none(static_cast<LLKBObject*>(nullptr));
  EXPECT_FALSE(none.held());
}

TEST_F(LLKRuntimeThreads, MonitorsExcludeOtherThreads) {
  LLKBObject* object = llk::autorelease(LLKBObject::new_());
  uint64_t counter = 0;  // guarded by the object's monitor
  std::vector<std::thread> threads;
  for (int t = 0; t < 4; ++t) {
    threads.emplace_back([&] {
      for (int i = 0; i < 20000; ++i) {
        llk::Synchronized monitor(object);
        llk::Synchronized again(object);
        ++counter;
      }
    });
  }
  for (std::thread& thread : threads) thread.join();
  EXPECT_EQ(counter, 80000u);
}

TEST_F(LLKRuntimeThreads, TheSharedNullIsCreatedOnceFromAnyThread) {
  std::vector<LLKCNull*> seen(4, nullptr);
  std::vector<std::thread> threads;
  for (size_t t = 0; t < seen.size(); ++t) threads.emplace_back([&seen, t] { seen[t] = LLKCNull::null(); });
  for (std::thread& thread : threads) thread.join();
  for (LLKCNull* null : seen) EXPECT_EQ(null, LLKCNull::null());
  EXPECT_NE(LLKCNull::null(), nullptr);
}
