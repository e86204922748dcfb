#ifndef TXQ_LLK_THREADS_LLKATOMICPROPERTY_P_H
#define TXQ_LLK_THREADS_LLKATOMICPROPERTY_P_H
// Internal: retained object fields read and replaced atomically from any thread (a routine's
// reference and rsvp, an invocation's object). Not installed, not API.
//
// Each field is guarded by one of a small table of spinlocks, chosen by the field's address. The
// stripes are leaves: nothing else is locked, retained-with-a-lock or released while one is held
// (retain is a lock-free compare-and-swap), so sharing a stripe between unrelated fields cannot
// form a lock-order cycle. A getter retains under the stripe, so the value cannot be freed by a
// concurrent setter before the caller owns it; a setter swaps under the stripe and releases the old
// value after leaving it (that release may run a dealloc).

#include <atomic>
#include <cstddef>
#include <cstdint>
#include <thread>

#include <txq/llk/object/LLKBObject.h>

namespace llk::detail {

class PropertyStripe {
 public:
  void lock() noexcept {
    for (uint32_t spins = 0; busy_.test_and_set(std::memory_order_acquire); ++spins) {
      if (spins >= 64) std::this_thread::yield();  // the holder was preempted: let it run
    }
  }
  void unlock() noexcept { busy_.clear(std::memory_order_release); }

 private:
  alignas(64) std::atomic_flag busy_;  // one cache line per stripe
};

inline constexpr size_t kPropertyStripes = 32;
inline PropertyStripe gPropertyStripes[kPropertyStripes];

inline PropertyStripe& propertyStripeFor(const void* field) noexcept {
  const uintptr_t at = reinterpret_cast<uintptr_t>(field);
  return gPropertyStripes[((at >> 3) ^ (at >> 9)) % kPropertyStripes];
}

// The field's value retained for the caller (+1), or nil.
template <class T>
T* propertyRetained(T* const* field) noexcept {
  PropertyStripe& stripe = propertyStripeFor(field);
  stripe.lock();
  T* value = llk::retain(*field);
  stripe.unlock();
  return value;
}

// The field's value retained and autoreleased, or nil.
template <class T>
T* propertyGet(T* const* field) noexcept {
  return llk::autorelease(propertyRetained(field));
}

// Stores `value` (retained) in the field and releases what it held.
template <class T>
void propertySet(T** field, T* value) noexcept {
  llk::retain(value);
  PropertyStripe& stripe = propertyStripeFor(field);
  stripe.lock();
  T* old = *field;
  *field = value;
  stripe.unlock();
  llk::release(old);
}

// Plain scalar fields read and written whole from any thread.
template <class T>
T atomicLoad(T& field, std::memory_order order = std::memory_order_relaxed) noexcept {
  return std::atomic_ref<T>(field).load(order);
}
template <class T>
void atomicStore(T& field, T value, std::memory_order order = std::memory_order_relaxed) noexcept {
  std::atomic_ref<T>(field).store(value, order);
}

}  // namespace llk::detail

#endif  // TXQ_LLK_THREADS_LLKATOMICPROPERTY_P_H
