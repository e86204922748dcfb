#ifndef TXQ_LLK_OBJECT_LLKBOBJECT_H
#define TXQ_LLK_OBJECT_LLKBOBJECT_H
// LLKBObject: the root of every TXQ class. Fixes how objects are created (alloc + init...), shared
// (retain), given up (release, autorelease) and destroyed (dealloc, exactly once), how they describe
// themselves as text and how they are inspected and called by selector.
//
//   LLKBObject* o = LLKBObject::new_();   // +1: owned by the caller
//   o->retain(); o->release();             // counts are exact from any number of threads
//   o->autorelease();                      // released when the thread's pool drains
//
// Ownership: alloc/new_/init.../initWithCopy_deep answer +1; class factories, copy and deepCopy
//            answer autoreleased objects; getters answer borrowed ones.
// Threads:   retain/release/retainCount from any thread; the rest as each class says.
// Locks:     none for the count (atomic). The monitor (LLKMonitorEnter) is per object, recursive.
// Failure:   alloc answers nil when memory is exhausted; every factory and init... passes nil on.
//            Calls by selector to an operation the class lacks log one line and answer nil.

#include <atomic>
#include <concepts>
#include <cstdint>
#include <new>
#include <type_traits>
#include <utility>

#include <txq/TXQConfig.h>
#include <txq/llk/object/LLKExport.h>
#include <txq/llk/object/LLKRuntime.h>

class LLKBObject;
class LLKBEncoder;
class LLKBDecoder;

// Builds instances and method tables; befriended by every class through LLK_OBJECT.
struct LLKAccess {
  // A zero-filled instance with count 1, or nil (no memory, or T is abstract).
  template <class T>
  static T* make() noexcept {
    static_assert(std::same_as<typename T::Self, T>, "the class body lacks LLK_OBJECT(Class, Superclass)");
    if constexpr (std::is_abstract_v<T>) {
      return nullptr;
    } else {
      T* object = new (std::nothrow) T();  // value-initialised: every field starts zero
#if TXQ_LIVE_OBJECTS
      if (object != nullptr) LLKFLiveObjectAdjust(1);
#endif
      return object;
    }
  }
  template <class T>
  static LLKBObject* factory() noexcept;
};
// The method table of class T (specialised by LLK_DEFINE_CLASS) and the optional-hook list of base
// B (specialised by LLK_OPTIONAL_HOOKS); both are friends of every class so that protected members
// and overrides can be probed.
template <class T>
struct LLKProbe;
template <class B>
struct LLKHookList;

// First thing in every class body: LLK_OBJECT(Class, Superclass).
// Declares the class object, the typed alloc/new_/classObject and a protected defaulted constructor
// (not user-provided, so value-initialisation zero-fills every field). Classes never declare a
// default constructor of their own; their destructors release what they own.
#define LLK_OBJECT(Cls, Sup)                                                          \
 public:                                                                              \
  using Super = Sup;                                                                  \
  using Self = Cls;                                                                   \
  static const LLKClass kClass;                                                       \
  static constexpr const LLKClass* classObject() noexcept { return &kClass; }         \
  const LLKClass* class_() const noexcept override { return &kClass; }                \
  static Cls* alloc() noexcept { return LLKAccess::make<Cls>(); }                     \
  static Cls* new_() noexcept {                                                       \
    Cls* llkObject = alloc();                                                         \
    return llkObject != nullptr ? static_cast<Cls*>(llkObject->init()) : nullptr;     \
  }                                                                                   \
                                                                                      \
 protected:                                                                           \
  Cls() = default;                                                                    \
                                                                                      \
 private:                                                                             \
  friend struct LLKAccess;                                                            \
  template <class>                                                                    \
  friend struct LLKProbe;                                                             \
  template <class>                                                                    \
  friend struct LLKHookList;                                                          \
                                                                                      \
 public:

class LLK_EXPORT LLKBObject {
 public:
  using Super = void;
  using Self = LLKBObject;
  static const LLKClass kClass;
  static constexpr const LLKClass* classObject() noexcept { return &kClass; }
  static LLKBObject* alloc() noexcept { return LLKAccess::make<LLKBObject>(); }
  static LLKBObject* new_() noexcept {
    LLKBObject* object = alloc();
    return object != nullptr ? object->init() : nullptr;
  }

  LLKBObject(const LLKBObject&) = delete;
  LLKBObject& operator=(const LLKBObject&) = delete;

  // ---- Life cycle ----
  virtual LLKBObject* init() noexcept { return this; }
  // Runs once, on the thread whose release reached zero, outside any lock. Overrides act on the
  // whole object and end with Super::dealloc(); this one frees the instance (destructors run).
  virtual void dealloc() noexcept;
  // Adds one and answers the receiver; nil (and no change) once the count has reached zero.
  virtual LLKBObject* retain() noexcept;
  // Subtracts one and deallocates on the 1 -> 0 transition; a release at zero logs
  // "0x%p <Class> released too often" and changes nothing. Always answers nil.
  virtual LLKBObject* release() noexcept;
  // Hands the receiver to the calling thread's current pool; nil when the thread has none.
  virtual LLKBObject* autorelease() noexcept;
  virtual uint32_t retainCount() const noexcept { return count_.load(std::memory_order_acquire); }

  // ---- Identity ----
  virtual const LLKClass* class_() const noexcept { return &kClass; }
  virtual const char* className() const noexcept { return class_()->className(); }
  bool isSubclassOfClass(const LLKClass* other) const noexcept { return class_()->isSubclassOfClass(other); }
  // The receiver when its class is exactly `other` (a subclass does not match), else nil.
  LLKBObject* isOfClass(const LLKClass* other) noexcept { return class_() == other ? this : nullptr; }
  bool conformsToProtocol(const LLKProtocol* protocol) const noexcept { return class_()->conformsToProtocol(protocol); }

  // ---- Selectors ----
  bool respondsToSelector(LLKSEL selector) const noexcept { return class_()->respondsToSelector(selector); }
  // The implementation for the selector; for an unknown one the forwarding handler, which logs
  // "0x%p <Class> does not respond to <selector>" and answers nil.
  LLKIMP methodForSelector(LLKSEL selector) const noexcept;
  // Call by selector with 0-2 object arguments; arguments of the wrong class arrive as nil.
  LLKBObject* performSelector(LLKSEL selector) noexcept;
  LLKBObject* performSelector_withObject(LLKSEL selector, LLKBObject* object) noexcept;
  LLKBObject* performSelector_withObject_withObject(LLKSEL selector, LLKBObject* first, LLKBObject* second) noexcept;

  // ---- Text ----
  // nil here; classes with a text form answer an autoreleased string.
  virtual LLKCString* toString() noexcept { return nullptr; }
  // The characters of toString(), or null.
  const char* toChars() noexcept;
  // Appends toString() to the builder; 2 (builder untouched) when toString() is nil.
  virtual int32_t toStringBuilder(LLKCStringBuilder* builder) noexcept;
  // A new autoreleased builder holding toString(), or nil.
  virtual LLKCStringBuilder* toStringBuilder() noexcept;
  // "0x1234abcd LLKCString": the address as "%p" prints it, a space, the class name. Autoreleased.
  LLKCString* description() noexcept;

  // ---- Value protocols ----
  // Answered by every object; the defaults serve the classes that do not adopt a protocol.
  // copy/deepCopy: alloc of the receiver's class + initWithCopy_deep(self, NO/YES), autoreleased;
  // nil with a log line for a class that does not adopt LLKPCopyable.
  virtual LLKBObject* copy() noexcept;
  virtual LLKBObject* deepCopy() noexcept;
  virtual LLKBObject* initWithCopy_deep(LLKBObject* source, bool deep) noexcept;
  // Identity: 0 for the receiver itself, else 1.
  virtual int32_t compareTo(LLKBObject* other) noexcept;
  // Identity hash (of the address).
  virtual uint32_t hashCode() noexcept;
  // Feeds the 8 address bytes.
  virtual uint32_t hashCodeWithFunction_andContext(LLKFHashFeed function, void* context) noexcept;
  // Writes the receiver's state into the coder; NO aborts the enclosing encoding. NO here.
  virtual bool encodeWithCoder(LLKBEncoder* coder) noexcept;
  // Rebuilds an alloc'ed instance from the coder, reading what encodeWithCoder wrote in the same
  // order; a failure deallocates the instance and answers nil. Here: deallocates, nil.
  virtual LLKBObject* initWithCoder(LLKBDecoder* coder) noexcept;

 protected:
  constexpr LLKBObject() noexcept = default;
  // Tag constructor for constant objects (literal strings): never counted, never freed.
  struct ConstantTag {};
  constexpr explicit LLKBObject(ConstantTag) noexcept {}
  virtual ~LLKBObject();  // frees the monitor when one was made

 private:
  friend struct LLKAccess;
  friend struct LLKMonitorAccess;
  template <class>
  friend struct LLKProbe;
  template <class>
  friend struct LLKHookList;

  std::atomic<uint32_t> count_{1};
  uint32_t flags_{0};                     // reserved
  std::atomic<void*> monitor_{nullptr};  // recursive mutex, made on first use
};

template <class T>
LLKBObject* LLKAccess::factory() noexcept {
  return make<T>();
}

// ---- Nil-tolerant helpers ----
// Never call a member through a pointer that may be nil: these answer zero values for nil.
namespace llk {

template <class T>
  requires std::derived_from<T, LLKBObject>
inline T* retain(T* object) noexcept {
  return object != nullptr ? static_cast<T*>(object->retain()) : nullptr;
}
template <class T>
  requires std::derived_from<T, LLKBObject>
inline void release(T* object) noexcept {
  if (object != nullptr) object->release();
}
template <class T>
  requires std::derived_from<T, LLKBObject>
inline T* autorelease(T* object) noexcept {
  return object != nullptr ? static_cast<T*>(object->autorelease()) : nullptr;
}
inline const LLKClass* classOf(const LLKBObject* object) noexcept {
  return object != nullptr ? object->class_() : nullptr;
}
inline bool isSubclassOfClass(const LLKBObject* object, const LLKClass* other) noexcept {
  return object != nullptr && object->isSubclassOfClass(other);
}
inline bool conformsTo(const LLKBObject* object, const LLKProtocol* protocol) noexcept {
  return object != nullptr && object->conformsToProtocol(protocol);
}
// YES when the object is an instance of T or of a subclass.
template <class T>
inline bool isa(const LLKBObject* object) noexcept {
  return object != nullptr && object->isSubclassOfClass(T::classObject());
}
// Checked downcast: the object as a T, or nil when it is nil or not a T.
template <class T>
inline T* cast(LLKBObject* object) noexcept {
  return isa<T>(object) ? static_cast<T*>(object) : nullptr;
}
// The object through a role protocol's interface P, or nil when it does not adopt P.
template <class P>
inline P* as(LLKBObject* object) noexcept {
  return object != nullptr ? static_cast<P*>(object->class_()->protocolCast(object, &P::kProtocol)) : nullptr;
}
// The explicit form of a message to a possibly-nil receiver: llk::send(o, &T::member, args...)
// answers the zero value of the result (0, nil, NO, a zero-filled record) when o is nil.
template <class O, class M, class... A>
inline auto send(O* object, M member, A&&... arguments) noexcept
    -> decltype((object->*member)(std::forward<A>(arguments)...)) {
  using R = decltype((object->*member)(std::forward<A>(arguments)...));
  if (object == nullptr) {
    if constexpr (std::is_void_v<R>) {
      return;
    } else {
      return R{};
    }
  }
  return (object->*member)(std::forward<A>(arguments)...);
}

}  // namespace llk

#include <txq/llk/object/LLKDefine.h>  // NOLINT: the class-definition macros need LLKBObject
#include <txq/llk/object/LLKProtocols.h>

#endif  // TXQ_LLK_OBJECT_LLKBOBJECT_H
