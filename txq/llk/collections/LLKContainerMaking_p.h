#ifndef TXQ_LLK_COLLECTIONS_LLKCONTAINERMAKING_P_H
#define TXQ_LLK_COLLECTIONS_LLKCONTAINERMAKING_P_H
// Internal: how the containers are made: the autoreleased factory, and the walking of the
// nil-terminated object lists and argument lists their init... take. Not installed, not API.

#include <txq/llk/object/LLKBObject.h>

#include <cstdarg>
#include <cstdint>
#include <type_traits>

namespace llk::detail {

// alloc, then the given init... with the arguments, autoreleased; nil when either fails (a failing
// init... has deallocated the instance itself).
template <class C, class... A>
C* autoreleasedNew(C* (C::*init)(A...) noexcept, std::type_identity_t<A>... arguments) noexcept {
  C* object = C::alloc();
  return object != nullptr ? llk::autorelease((object->*init)(arguments...)) : nullptr;
}

// The objects before the nil that ends the list; 0 for a null list.
inline uint64_t countObjectList(LLKBObject* const* nilTerminated) noexcept {
  uint64_t n = 0;
  if (nilTerminated != nullptr) {
    while (nilTerminated[n] != nullptr) ++n;
  }
  return n;
}

// Head and the arguments after it up to the nil; 0 when head is nil. Reads a copy of rest, so the
// arguments can be walked again.
inline uint64_t countArguments(LLKBObject* head, va_list rest) noexcept {
  if (head == nullptr) return 0;
  uint64_t n = 1;
  va_list counting;
  va_copy(counting, rest);
  while (va_arg(counting, LLKBObject*) != nullptr) ++n;
  va_end(counting);
  return n;
}

// take(object, position) for head (position 0) and each argument after it up to the nil; nothing
// when head is nil. Reads a copy of rest.
template <class F>
void forEachArgument(LLKBObject* head, va_list rest, F take) noexcept {
  if (head == nullptr) return;
  take(head, uint64_t{0});
  va_list walking;
  va_copy(walking, rest);
  uint64_t i = 1;
  for (LLKBObject* object = va_arg(walking, LLKBObject*); object != nullptr;
       object = va_arg(walking, LLKBObject*)) {
    take(object, i++);
  }
  va_end(walking);
}

}  // namespace llk::detail

#endif  // TXQ_LLK_COLLECTIONS_LLKCONTAINERMAKING_P_H
