#ifndef TXQ_LLK_OBJECT_LLKRUNTIME_H
#define TXQ_LLK_OBJECT_LLKRUNTIME_H
// The run-time object model: class objects, selectors, protocol records, the class registry and
// the per-object monitors. LLKBObject.h builds the root class on top of it; LLKDefine.h holds the
// macros that define a class.
//
// Threads: every function here may be called from any thread at any time, static initialisers of
//          any module included (class objects and the registry are constant-initialised data).
// Locks:   the selector table's mutex is a leaf; monitors are recursive and per object.

#include <atomic>
#include <cstddef>
#include <cstdint>

#include <txq/llk/object/LLKExport.h>

class LLKBObject;
class LLKCString;
class LLKCStringBuilder;

// ---- Selectors ----
// An interned operation name: equal text <=> equal pointer. "No selector" is nullptr.
struct LLKSelector {
  const char* name;  // "fetch:bytesInto:atOffset:"
  uint32_t hash;     // hash of the text, used by the intern table
};
using LLKSEL = const LLKSelector*;

// Interns the text; always answers the same record for the same text. nil for null text or no memory.
LLK_EXTERN_C LLK_EXPORT LLKSEL LLKSelRegister(const char* text) noexcept;
// Answers the name of a selector, "(nil)" for nullptr.
LLK_EXTERN_C LLK_EXPORT const char* LLKSelName(LLKSEL selector) noexcept;

// A selector literal, interned once per call site: LLK_SEL("onNudgedAt:").
#define LLK_SEL(text) ([]() noexcept -> LLKSEL { static const LLKSEL llkSel_ = LLKSelRegister(text); return llkSel_; }())

// The one implementation shape reachable by selector: the receiver, the selector, up to two
// object arguments (nil when absent) and an object result (nil for operations without one).
using LLKIMP = LLKBObject* (*)(LLKBObject* self, LLKSEL selector, LLKBObject* a, LLKBObject* b) noexcept;

// The hash functions used by hashCodeWithFunction_andContext: called once per piece of a key with
// (context, bytes, count); the result of the last call is the hash.
using LLKFHashFeed = uint32_t (*)(void* context, const uint8_t* bytes, uint64_t count);

// ---- Protocols ----
// A protocol record: its name and the protocols it adopts (null-terminated list, may be null).
struct LLKProtocol {
  const char* name;
  const LLKProtocol* const* adopts;
};

// One adopted protocol of a class. `cast` turns an instance into the protocol's C++ interface for
// role protocols (interfaces used as secondary bases); it is null for the value protocols.
struct LLKProtocolEntry {
  const LLKProtocol* protocol;
  void* (*cast)(LLKBObject* object) noexcept;
};

// One performable operation of a class: the selector text and its implementation. Entries whose
// text is null are placeholders and are skipped.
struct LLKMethodEntry {
  const char* selector;
  LLKIMP imp;
};

// ---- Class objects ----
// One constant-initialised LLKClass per class; no code runs to build it. Answered by
// X::classObject() and by an instance's class_(). The root class operations live here.
struct LLK_EXPORT LLKClass {
  using Factory = LLKBObject* (*)() noexcept;

  constexpr LLKClass(const char* name, const LLKClass* superclass, const LLKProtocolEntry* protocols,
                     uint32_t protocolCount, const LLKMethodEntry* methods, uint32_t methodCount,
                     Factory factory) noexcept
      : name_(name),
        super_(superclass),
        protocols_(protocols),
        methods_(methods),
        protocolCount_(protocolCount),
        methodCount_(methodCount),
        factory_(factory) {}
  LLKClass(const LLKClass&) = delete;
  LLKClass& operator=(const LLKClass&) = delete;

  const LLKClass* class_() const noexcept { return this; }
  const LLKClass* superclass() const noexcept { return super_; }
  const char* className() const noexcept { return name_; }
  // A new zero-filled instance with count 1 (+1), or nil (no memory, or an abstract class).
  LLKBObject* alloc() const noexcept;
  // alloc, then the most-derived init (+1), or nil.
  LLKBObject* new_() const noexcept;
  // YES if `other` is this class or one of its superclasses; NO for nil.
  bool isSubclassOfClass(const LLKClass* other) const noexcept;
  // YES if this class or a superclass adopts the protocol, directly or through adopted protocols.
  bool conformsToProtocol(const LLKProtocol* protocol) const noexcept;
  // Whether instances have an operation for the selector (inherited ones count).
  bool respondsToSelector(LLKSEL selector) const noexcept { return instanceMethodForSelector(selector) != nullptr; }
  // The implementation instances run for the selector, or null if there is none.
  LLKIMP instanceMethodForSelector(LLKSEL selector) const noexcept;
  // The instance seen through a role protocol's interface, or null when the class does not adopt it.
  void* protocolCast(LLKBObject* object, const LLKProtocol* protocol) const noexcept;
  // YES when the class cannot make instances of itself (an abstract base).
  bool isAbstract() const noexcept { return factory_ == nullptr; }

 private:
  friend struct LLKMonitorAccess;
  struct Cache;
  const Cache* cache() const noexcept;

  const char* name_;
  const LLKClass* super_;
  const LLKProtocolEntry* protocols_;
  const LLKMethodEntry* methods_;
  uint32_t protocolCount_;
  uint32_t methodCount_;
  Factory factory_;
  mutable std::atomic<const Cache*> cache_{nullptr};  // flattened selector map, built on first lookup
  mutable std::atomic<void*> monitor_{nullptr};       // the class object's own recursive lock
};

// ---- Registry ----
// Looks a class up by name; nil when unknown. Sees every library class at any time, and the classes
// of every module that registered its range (LLK_MODULE_CLASSES does that before static initialisers).
LLK_EXTERN_C LLK_EXPORT const LLKClass* LLKClassFromName(const char* name) noexcept;
// Registers a module's classes; a name already taken by another class object is refused with a log
// line. Answers NO when any class was refused or the table is full.
LLK_EXTERN_C LLK_EXPORT bool LLKRegisterModule(const LLKClass* const* begin, const LLKClass* const* end) noexcept;
// Removes a module's classes (a plugin about to be unloaded).
LLK_EXTERN_C LLK_EXPORT void LLKUnregisterModule(const LLKClass* const* begin, const LLKClass* const* end) noexcept;

// ---- Monitors ----
// The lazily created recursive lock of an object or a class object, taken by identity. Enter answers
// NO (and takes nothing) for nil or when the lock cannot be created; every successful enter needs
// one exit on the same thread.
LLK_EXPORT bool LLKMonitorEnter(const LLKBObject* object) noexcept;
LLK_EXPORT void LLKMonitorExit(const LLKBObject* object) noexcept;
LLK_EXPORT bool LLKMonitorEnter(const LLKClass* klass) noexcept;
LLK_EXPORT void LLKMonitorExit(const LLKClass* klass) noexcept;

// ---- Literal text as a template argument ----
// Carries a string literal into a template (selector texts, "text"_llk literals).
template <size_t N>
struct LLKLiteralText {
  char text[N];
  constexpr LLKLiteralText(const char (&s)[N]) noexcept {  // NOLINT: implicit on purpose
    for (size_t i = 0; i < N; ++i) text[i] = s[i];
  }
  static constexpr size_t size = N;  // characters including the terminating zero
};

// ---- Live objects ----
// The number of objects made by alloc and not yet deallocated, when the library counts them
// (TXQ_LIVE_OBJECTS in txq/TXQConfig.h); 0 otherwise. Tests use it to prove that nothing leaked.
LLK_EXTERN_C LLK_EXPORT int64_t LLKFLiveObjectCount(void) noexcept;
LLK_EXTERN_C LLK_EXPORT void LLKFLiveObjectAdjust(int64_t delta) noexcept;

#endif  // TXQ_LLK_OBJECT_LLKRUNTIME_H
