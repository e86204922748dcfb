#ifndef TXQ_LLK_COLLECTIONS_LLKCONTAINERS_H
#define TXQ_LLK_COLLECTIONS_LLKCONTAINERS_H
// C++ conveniences over the object containers.
//
//   for (LLKBObject* object : array) ...                  // any container with count + fetchAtIndex
//   for (LLKCString* s : llk::typed<LLKCString>(array))   // checked casts: non-strings arrive as nil
//   llk::forEach(array, [&](LLKBObject* o) { ... });
//   LLKBObject* hit = llk::findIf(array, [](LLKBObject* o) { return ...; });
//   llk::removeIf(array, [](LLKBObject* o) { return ...; });
//   llk::sort(deque, [](LLKBObject* a, LLKBObject* b) { return int32_t(...); });
//
// Iteration walks positions 0..count-1 through fetchAtIndex (lists and tables keep a cursor, so each
// step costs one link). Changing a container while iterating it is not allowed, as with the
// callback iterations. The lambda adaptors pass the lambda as the context of the function-plus-
// context operation: nothing is allocated and the lambda is borrowed only for the call.

#include <concepts>
#include <cstdint>
#include <iterator>
#include <type_traits>

#include <txq/llk/collections/LLKBObjectContainer.h>

// Containers that answer count() and fetchAtIndex(i) with an object.
template <class C>
concept LLKIndexedContainer = std::derived_from<C, LLKBObjectContainer> && requires(C* c, uint64_t i) {
  { c->count() } -> std::convertible_to<uint64_t>;
  { c->fetchAtIndex(i) } -> std::convertible_to<LLKBObject*>;
};

template <class C, class T = LLKBObject>
class LLKIndexIterator {
 public:
  using iterator_category = std::forward_iterator_tag;
  using value_type = T*;
  using difference_type = std::ptrdiff_t;
  using pointer = void;
  using reference = T*;

  LLKIndexIterator() noexcept = default;
  LLKIndexIterator(C* container, uint64_t index) noexcept : container_(container), index_(index) {}
  T* operator*() const noexcept {
    if (container_ == nullptr) return nullptr;  // a nil container's range is empty anyway
    LLKBObject* object = container_->fetchAtIndex(index_);
    if constexpr (std::is_same_v<T, LLKBObject>) {
      return object;
    } else {
      return llk::cast<T>(object);
    }
  }
  LLKIndexIterator& operator++() noexcept {
    ++index_;
    return *this;
  }
  LLKIndexIterator operator++(int) noexcept {
    LLKIndexIterator before = *this;
    ++index_;
    return before;
  }
  bool operator==(const LLKIndexIterator& other) const noexcept { return index_ == other.index_; }

 private:
  C* container_ = nullptr;
  uint64_t index_ = 0;
};

// Found by argument-dependent lookup for container pointers; nil iterates nothing.
template <LLKIndexedContainer C>
LLKIndexIterator<C> begin(C* container) noexcept {
  return LLKIndexIterator<C>(container, 0);
}
template <LLKIndexedContainer C>
LLKIndexIterator<C> end(C* container) noexcept {
  return LLKIndexIterator<C>(container, container != nullptr ? container->count() : 0);
}

// The container's own range, whichever begin/end overloads it has (the sparse vector and the keyring
// bring their own).
template <class C>
auto llkRangeBegin(C* container) noexcept {
  return begin(container);
}
template <class C>
auto llkRangeEnd(C* container) noexcept {
  return end(container);
}

// Walks another iterator and hands out its objects as T* (nil for objects of another class).
template <class T, class It>
class LLKCastIterator {
 public:
  using iterator_category = std::forward_iterator_tag;
  using value_type = T*;
  using difference_type = std::ptrdiff_t;
  using pointer = void;
  using reference = T*;

  LLKCastIterator() noexcept = default;
  explicit LLKCastIterator(It at) noexcept : at_(at) {}
  T* operator*() const noexcept { return llk::cast<T>(*at_); }
  LLKCastIterator& operator++() noexcept {
    ++at_;
    return *this;
  }
  LLKCastIterator operator++(int) noexcept {
    LLKCastIterator before = *this;
    ++at_;
    return before;
  }
  bool operator==(const LLKCastIterator& other) const noexcept { return at_ == other.at_; }

 private:
  It at_{};
};

namespace llk {

// A view of a container whose elements arrive as T* (nil for objects of another class).
template <class T, class C>
struct TypedView {
  using Iterator = LLKCastIterator<T, decltype(llkRangeBegin(static_cast<C*>(nullptr)))>;
  C* container;
  Iterator begin() const noexcept { return Iterator(llkRangeBegin(container)); }
  Iterator end() const noexcept { return Iterator(llkRangeEnd(container)); }
};
template <class T, class C>
TypedView<T, C> typed(C* container) noexcept {
  return TypedView<T, C>{container};
}

template <class C, class F>
  requires std::derived_from<C, LLKBObjectContainer>
void forEach(C* container, F&& function) noexcept {
  if (container == nullptr) return;
  using L = std::remove_reference_t<F>;
  container->iterateWithFunction_andContext(
      [](LLKBObject* object, void* context) { (*static_cast<L*>(context))(object); }, &function);
}

template <class C, class F>
  requires std::derived_from<C, LLKBObjectContainer>
LLKBObject* findIf(C* container, F&& match) noexcept {
  if (container == nullptr) return nullptr;
  using L = std::remove_reference_t<F>;
  return container->iterateUntilMatchWithFunction_andContext(
      [](LLKBObject* object, void* context) -> bool { return (*static_cast<L*>(context))(object); }, &match);
}

template <class C, class F>
  requires std::derived_from<C, LLKBObjectContainer>
bool removeIf(C* container, F&& match) noexcept {
  if (container == nullptr) return false;
  using L = std::remove_reference_t<F>;
  return container->removeEachMatchWithFunction_andContext(
      [](LLKBObject* object, void* context) -> bool { return (*static_cast<L*>(context))(object); }, &match);
}

template <class C, class F>
  requires std::derived_from<C, LLKBObjectContainer>
void sort(C* container, F&& order) noexcept {
  if (container == nullptr) return;
  using L = std::remove_reference_t<F>;
  container->sortWithFunction_andContext(
      [](LLKBObject* a, LLKBObject* b, void* context) -> int32_t { return (*static_cast<L*>(context))(a, b); },
      &order);
}

}  // namespace llk

#endif  // TXQ_LLK_COLLECTIONS_LLKCONTAINERS_H
