#ifndef TXQ_LLK_OBJECT_LLKREF_H
#define TXQ_LLK_OBJECT_LLKREF_H
// llk::Ref<T>: an owning pointer to a TXQ object. Copying retains, moving steals, destruction
// releases. Built from a raw pointer it *retains* (factories and getters answer borrowed objects);
// Ref<T>::adopt takes over a +1 result (alloc/init..., new_) without retaining again.
//
//   llk::Ref<LLKCString> name = LLKCString::stringWithChars("x");   // retained: survives the pool
//   auto made = llk::make<LLKCString>(&LLKCString::initWithChars, "y"); // nil-safe alloc + init
//
// Threads: as std::shared_ptr: one Ref per thread, the object itself may be shared.

#include <cstddef>
#include <type_traits>
#include <utility>

#include <txq/llk/object/LLKBObject.h>

namespace llk {

template <class T>
class Ref {
 public:
  Ref() noexcept = default;
  Ref(std::nullptr_t) noexcept {}            // NOLINT: implicit on purpose
  Ref(T* object) noexcept : object_(llk::retain(object)) {}  // NOLINT: implicit, retains
  Ref(const Ref& other) noexcept : object_(llk::retain(other.object_)) {}
  Ref(Ref&& other) noexcept : object_(std::exchange(other.object_, nullptr)) {}
  template <class U>
    requires std::is_convertible_v<U*, T*>
  Ref(const Ref<U>& other) noexcept : object_(llk::retain(static_cast<T*>(other.get()))) {}  // NOLINT
  template <class U>
    requires std::is_convertible_v<U*, T*>
  Ref(Ref<U>&& other) noexcept : object_(other.detach()) {}  // NOLINT
  ~Ref() { llk::release(object_); }

  Ref& operator=(Ref other) noexcept {
    std::swap(object_, other.object_);
    return *this;
  }

  // Takes over a +1 reference.
  static Ref adopt(T* object) noexcept {
    Ref ref;
    ref.object_ = object;
    return ref;
  }
  // Gives the reference up to the caller (+1), leaving this Ref empty.
  T* detach() noexcept { return std::exchange(object_, nullptr); }

  T* get() const noexcept { return object_; }
  T* operator->() const noexcept { return object_; }
  T& operator*() const noexcept { return *object_; }
  explicit operator bool() const noexcept { return object_ != nullptr; }
  operator T*() const noexcept { return object_; }  // NOLINT: pass where a raw pointer is wanted

 private:
  T* object_ = nullptr;
};

// alloc + init... without the nil hazard: answers an empty Ref when alloc or init fails.
template <class T, class Init, class... A>
Ref<T> make(Init init, A&&... arguments) noexcept {
  T* object = T::alloc();
  if (object == nullptr) return Ref<T>();
  return Ref<T>::adopt(static_cast<T*>((object->*init)(std::forward<A>(arguments)...)));
}
// alloc + init.
template <class T>
Ref<T> make() noexcept {
  return Ref<T>::adopt(T::new_());
}

}  // namespace llk

#endif  // TXQ_LLK_OBJECT_LLKREF_H
