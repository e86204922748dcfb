#ifndef TXQ_LLK_OBJECT_LLKDEFINE_H
#define TXQ_LLK_OBJECT_LLKDEFINE_H
// The macros that define a class, for the library and its users alike:
//
//   // MyWorker.h
//   class MyWorker : public LLKBObject {
//     LLK_OBJECT(MyWorker, LLKBObject)
//    public:
//     LLKBObject* doWork(LLKCString* what) noexcept;  // performable as "doWork:"
//   };
//   // MyWorker.cpp, at global namespace scope
//   LLK_DEFINE_CLASS(MyWorker, LLK_PROTOCOLS(), doWork)
//   // once in every executable or plugin that defines classes
//   LLK_MODULE_CLASSES()
//
// LLK_DEFINE_CLASS emits, as constant data (no code runs), the class object, its protocol entries,
// its method table and an entry in the module's `llk_classes` section through which the class is
// registered by name. Listed names are C++ member names; the selector text is derived from the name
// and the arity (keywords joined by '_' become "a:b:", a trailing '_' marks an escaped name:
// class_ -> "class", bool_ -> "_Bool"). A listed name that is overloaded as x()/x(arg) gives both.
// Optional hooks declared by a base with LLK_OPTIONAL_HOOKS are entered exactly when the class (or a
// class between it and the base) overrides them, so respondsToSelector answers what is overridden.

#include <array>
#include <cstddef>
#include <tuple>
#include <type_traits>
#include <utility>

// Member pointers over va_list parameters (the ...andList operations) carry the builtin type's
// attributes into template arguments; g++ warns about that harmlessly.
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wignored-attributes"

// ---- Member-function traits ----
template <class M>
struct LLKMemberTraits;
#define LLK_MEMBER_TRAITS_(QUALIFIERS)                  \
  template <class C, class R, class... A>               \
  struct LLKMemberTraits<R (C::*)(A...) QUALIFIERS> {   \
    using Class = C;                                    \
    using Result = R;                                   \
    using Arguments = std::tuple<A...>;                 \
    static constexpr size_t arity = sizeof...(A);       \
  };
LLK_MEMBER_TRAITS_()
LLK_MEMBER_TRAITS_(const)
LLK_MEMBER_TRAITS_(noexcept)
LLK_MEMBER_TRAITS_(const noexcept)
#undef LLK_MEMBER_TRAITS_

// Picks the arity-0 or arity-1 member out of an x()/x(arg) overload pair.
template <size_t K>
struct LLKArity;
template <>
struct LLKArity<0> {
  template <class C, class R>
  static constexpr auto pick(R (C::*member)() noexcept) noexcept { return member; }
  template <class C, class R>
  static constexpr auto pick(R (C::*member)() const noexcept) noexcept { return member; }
};
template <>
struct LLKArity<1> {
  template <class C, class R, class A>
  static constexpr auto pick(R (C::*member)(A) noexcept) noexcept { return member; }
  template <class C, class R, class A>
  static constexpr auto pick(R (C::*member)(A) const noexcept) noexcept { return member; }
};

// ---- Selector text from a member name ----
constexpr bool llkIsKeyword(const char* text, size_t length) noexcept {
  constexpr const char* kKeywords[] = {"class", "new", "delete", "default", "operator", "template", "this",
                                       "typename", "union", "virtual", "and", "or", "not", "xor", "bool",
                                       "int", "char", "const", "switch", "case", "for", "do", "while",
                                       "if", "else", "return", "register", "auto", "explicit", "export"};
  for (const char* keyword : kKeywords) {
    size_t n = 0;
    while (keyword[n] != '\0') ++n;
    if (n != length) continue;
    bool same = true;
    for (size_t i = 0; i < n; ++i) same = same && keyword[i] == text[i];
    // "bool" is an escaped reserved name (_Bool), not a keyword escape.
    if (same && !(n == 4 && text[0] == 'b' && text[1] == 'o')) return true;
  }
  return false;
}

template <size_t N>
struct LLKSelectorText {
  std::array<char, N + 2> text{};
  size_t keywords = 1;
};

// "fetch_bytesInto_atOffset", 3 -> "fetch:bytesInto:atOffset:"; "class_", 0 -> "class";
// "bool_", 0 -> "_Bool"; "hashCode", 0 -> "hashCode"; "retain", 1 -> "retain:".
template <size_t N>
constexpr LLKSelectorText<N> llkMakeSelectorText(const char (&name)[N], size_t arity) noexcept {
  LLKSelectorText<N> out{};
  size_t length = N - 1;
  bool escaped = length > 1 && name[length - 1] == '_';
  size_t baseLength = escaped ? length - 1 : length;
  size_t o = 0;
  size_t start = 0;
  if (escaped && !llkIsKeyword(name, baseLength)) {
    out.text[o++] = '_';
    char first = name[0];
    out.text[o++] = (first >= 'a' && first <= 'z') ? static_cast<char>(first - 'a' + 'A') : first;
    start = 1;
  }
  for (size_t i = start; i < baseLength; ++i) {
    if (name[i] == '_') {
      out.text[o++] = ':';
      ++out.keywords;
    } else {
      out.text[o++] = name[i];
    }
  }
  if (arity > 0) out.text[o++] = ':';
  out.text[o] = '\0';
  return out;
}

template <LLKLiteralText Name, size_t Arity>
struct LLKSelectorTextOf {
  static constexpr auto value = llkMakeSelectorText(Name.text, Arity);
  static_assert((Arity == 0 && value.keywords == 1) || Arity == value.keywords,
                "an operation's C++ name needs one '_'-joined keyword per parameter (doWork_withValue takes 2)");
};

// ---- Thunks: the uniform LLKIMP shape over a member ----
LLK_EXTERN_C LLK_EXPORT LLKBObject* LLKFNotPerformable(LLKBObject* self, LLKSEL selector, LLKBObject* a,
                                                       LLKBObject* b) noexcept;

template <class P>
constexpr bool llkIsObjectParameter() noexcept {
  return std::is_pointer_v<P> && std::is_convertible_v<P, const LLKBObject*>;
}

// An argument of the wrong class arrives as nil; nothing is ever reinterpreted.
template <class P>
inline P llkArgument(LLKBObject* object) noexcept {
  using X = std::remove_cv_t<std::remove_pointer_t<P>>;
  if constexpr (std::is_same_v<X, LLKBObject>) {
    return object;
  } else {
    return (object != nullptr && object->isSubclassOfClass(X::classObject())) ? static_cast<P>(object) : nullptr;
  }
}

template <auto Member>
LLKBObject* llkThunk(LLKBObject* self, LLKSEL, LLKBObject* a, LLKBObject* b) noexcept {
  using Traits = LLKMemberTraits<decltype(Member)>;
  using C = typename Traits::Class;
  using R = typename Traits::Result;
  using Arguments = typename Traits::Arguments;
  C* receiver = static_cast<C*>(self);
  auto call = [&]<size_t... I>(std::index_sequence<I...>) -> R {
    [[maybe_unused]] LLKBObject* given[2] = {a, b};
    return (receiver->*Member)(llkArgument<std::tuple_element_t<I, Arguments>>(given[I])...);
  };
  if constexpr (llkIsObjectParameter<R>()) {
    return const_cast<LLKBObject*>(static_cast<const LLKBObject*>(call(std::make_index_sequence<Traits::arity>())));
  } else {
    call(std::make_index_sequence<Traits::arity>());
    return nullptr;
  }
}

template <auto Member>
constexpr bool llkIsPerformable() noexcept {
  using Traits = LLKMemberTraits<decltype(Member)>;
  if constexpr (!std::is_base_of_v<LLKBObject, typename Traits::Class> || Traits::arity > 2) {
    return false;
  } else {
    return []<size_t... I>(std::index_sequence<I...>) {
      return (llkIsObjectParameter<std::tuple_element_t<I, typename Traits::Arguments>>() && ...);
    }(std::make_index_sequence<Traits::arity>());
  }
}

template <LLKLiteralText Name, auto Member>
constexpr LLKMethodEntry llkEntry() noexcept {
  if constexpr (std::is_null_pointer_v<decltype(Member)>) {
    return LLKMethodEntry{nullptr, nullptr};
  } else {
    constexpr size_t arity = LLKMemberTraits<decltype(Member)>::arity;
    if constexpr (llkIsPerformable<Member>()) {
      return LLKMethodEntry{LLKSelectorTextOf<Name, arity>::value.text.data(), &llkThunk<Member>};
    } else {
      return LLKMethodEntry{LLKSelectorTextOf<Name, arity>::value.text.data(), &LLKFNotPerformable};
    }
  }
}

template <class... Arrays>
constexpr auto llkJoinEntries(const Arrays&... arrays) noexcept {
  std::array<LLKMethodEntry, (std::tuple_size_v<Arrays> + ... + 0)> all{};
  size_t i = 0;
  auto add = [&](const auto& array) {
    for (const LLKMethodEntry& entry : array) all[i++] = entry;
  };
  (add(arrays), ...);
  return all;
}

#pragma GCC diagnostic pop

// ---- Protocol lists ----
template <class... P>
struct LLKProtocolList {};
// Parenthesised so that the list passes through macros as one argument; LLKUnparen takes it out.
#define LLK_PROTOCOLS(...) (LLKProtocolList<__VA_ARGS__>)
template <class F>
struct LLKUnparen;
template <class A>
struct LLKUnparen<void(A)> {
  using type = A;
};

template <class T, class P>
constexpr auto llkRoleCast() noexcept {
  if constexpr (std::is_base_of_v<P, T>) {
    return +[](LLKBObject* object) noexcept -> void* { return static_cast<P*>(static_cast<T*>(object)); };
  } else {
    return static_cast<void* (*)(LLKBObject*) noexcept>(nullptr);
  }
}

template <class T, class L>
struct LLKProtocolEntries;
template <class T, class... P>
struct LLKProtocolEntries<T, LLKProtocolList<P...>> {
  static constexpr std::array<LLKProtocolEntry, sizeof...(P) + 1> value{
      {LLKProtocolEntry{&P::kProtocol, llkRoleCast<T, P>()}..., LLKProtocolEntry{nullptr, nullptr}}};
};

// ---- Optional hooks ----
// No hooks unless a base declares them with LLK_OPTIONAL_HOOKS.
template <class B>
struct LLKHookList {
  template <class T>
  static constexpr std::array<LLKMethodEntry, 0> entries() noexcept {
    return {};
  }
};

// The hooks of every base from T up to the root that T (or a class in between) overrides.
template <class T, class B>
constexpr auto llkHooksFrom() noexcept {
  if constexpr (std::is_void_v<B>) {
    return std::array<LLKMethodEntry, 0>{};
  } else {
    return llkJoinEntries(LLKHookList<B>::template entries<T>(), llkHooksFrom<T, typename B::Super>());
  }
}

template <class T>
constexpr const LLKClass* llkSuperclassOf() noexcept {
  if constexpr (std::is_void_v<typename T::Super>) {
    return nullptr;
  } else {
    return &T::Super::kClass;
  }
}

template <class T>
constexpr LLKClass::Factory llkFactoryOf() noexcept {
  if constexpr (std::is_abstract_v<T>) {
    return nullptr;
  } else {
    return &LLKAccess::factory<T>;
  }
}

// The constant tables of class T, built from its probe (specialised by LLK_DEFINE_CLASS).
template <class T>
struct LLKTables;

// ---- Variadic macro iteration ----
#define LLK_PARENS_ ()
#define LLK_EXPAND_(...) LLK_EXPAND4_(LLK_EXPAND4_(LLK_EXPAND4_(LLK_EXPAND4_(__VA_ARGS__))))
#define LLK_EXPAND4_(...) LLK_EXPAND3_(LLK_EXPAND3_(LLK_EXPAND3_(LLK_EXPAND3_(__VA_ARGS__))))
#define LLK_EXPAND3_(...) LLK_EXPAND2_(LLK_EXPAND2_(LLK_EXPAND2_(LLK_EXPAND2_(__VA_ARGS__))))
#define LLK_EXPAND2_(...) LLK_EXPAND1_(LLK_EXPAND1_(LLK_EXPAND1_(LLK_EXPAND1_(__VA_ARGS__))))
#define LLK_EXPAND1_(...) __VA_ARGS__
// LLK_FOR_EACH_(m, a, x, y, z) -> m(a, x) m(a, y) m(a, z); up to 256 items.
#define LLK_FOR_EACH_(macro, argument, ...) \
  __VA_OPT__(LLK_EXPAND_(LLK_FOR_EACH_HELPER_(macro, argument, __VA_ARGS__)))
#define LLK_FOR_EACH_HELPER_(macro, argument, first, ...) \
  macro(argument, first) __VA_OPT__(LLK_FOR_EACH_AGAIN_ LLK_PARENS_(macro, argument, __VA_ARGS__))
#define LLK_FOR_EACH_AGAIN_() LLK_FOR_EACH_HELPER_
#define LLK_CAT_(a, b) LLK_CAT2_(a, b)
#define LLK_CAT2_(a, b) a##b

// For each listed name: the unique member, or the arity-0 and arity-1 members of an x()/x(arg) pair.
#define LLK_PROBE_MEMBER_(Cls, name)                                                              \
  template <class T>                                                                              \
  static constexpr std::array<LLKMethodEntry, 2> llkEntries_##name() noexcept {                   \
    if constexpr (requires { LLKMemberTraits<decltype(&T::name)>::arity; }) {                     \
      return {llkEntry<#name, &T::name>(), LLKMethodEntry{nullptr, nullptr}};                     \
    } else {                                                                                      \
      std::array<LLKMethodEntry, 2> both{};                                                       \
      if constexpr (requires { LLKArity<0>::pick(&T::name); })                                    \
        both[0] = llkEntry<#name, LLKArity<0>::pick(&T::name)>();                                 \
      if constexpr (requires { LLKArity<1>::pick(&T::name); })                                    \
        both[1] = llkEntry<#name, LLKArity<1>::pick(&T::name)>();                                 \
      return both;                                                                                \
    }                                                                                             \
  }
#define LLK_PROBE_ENTRIES_(Cls, name) , Probe::template llkEntries_##name<Cls>()

// LLK_DEFINE_CLASS(Class, LLK_PROTOCOLS(P, ...), operation, ...): once, in the class's source
// file, at global namespace scope. LLK_DEFINE_CLASS_NAMED gives an explicit run-time name (classes
// inside a namespace).
#define LLK_DEFINE_CLASS(Cls, Protocols, ...) LLK_DEFINE_CLASS_BODY_(Cls, #Cls, Protocols, __VA_ARGS__)
#define LLK_DEFINE_CLASS_NAMED(Cls, Name, Protocols, ...) LLK_DEFINE_CLASS_BODY_(Cls, Name, Protocols, __VA_ARGS__)
#define LLK_DEFINE_CLASS_BODY_(Cls, Name, Protocols, ...)                                          \
  template <>                                                                                     \
  struct LLKProbe<Cls> {                                                                          \
    LLK_FOR_EACH_(LLK_PROBE_MEMBER_, Cls, __VA_ARGS__)                                            \
  };                                                                                              \
  template <>                                                                                     \
  struct LLKTables<Cls> {                                                                         \
    using Probe = LLKProbe<Cls>;                                                                  \
    static constexpr auto kMethods =                                                              \
        llkJoinEntries(llkHooksFrom<Cls, Cls>() LLK_FOR_EACH_(LLK_PROBE_ENTRIES_, Cls, __VA_ARGS__)); \
    static constexpr auto kProtocols = LLKProtocolEntries<Cls, LLKUnparen<void Protocols>::type>::value;    \
  };                                                                                              \
  constinit const LLKClass Cls::kClass{Name,                                                      \
                                       llkSuperclassOf<Cls>(),                                    \
                                       LLKTables<Cls>::kProtocols.data(),                         \
                                       static_cast<uint32_t>(LLKTables<Cls>::kProtocols.size() - 1), \
                                       LLKTables<Cls>::kMethods.data(),                           \
                                       static_cast<uint32_t>(LLKTables<Cls>::kMethods.size()),    \
                                       llkFactoryOf<Cls>()};                                      \
  [[gnu::used, gnu::section("llk_classes")]] static const LLKClass* const LLK_CAT_(               \
      llkClassEntry_, __COUNTER__) = &Cls::kClass;

// LLK_OPTIONAL_HOOKS(Base, hook, ...): after a base class that has optional hooks (virtual members
// with empty defaults), at global namespace scope in its header. A subclass responds to a hook's
// selector exactly when it overrides it.
#define LLK_HOOK_ENTRY_(Base, hook)                                                               \
  , []() constexpr noexcept {                                                                     \
    if constexpr (std::is_same_v<decltype(&T::hook), decltype(&Base::hook)>) {                    \
      return std::array<LLKMethodEntry, 1>{};                                                     \
    } else {                                                                                      \
      return std::array<LLKMethodEntry, 1>{llkEntry<#hook, &T::hook>()};                          \
    }                                                                                             \
  }()
#define LLK_OPTIONAL_HOOKS(Base, ...)                                                             \
  template <>                                                                                     \
  struct LLKHookList<Base> {                                                                      \
    template <class T>                                                                            \
    static constexpr auto entries() noexcept {                                                    \
      return llkJoinEntries(std::array<LLKMethodEntry, 0>{} LLK_FOR_EACH_(LLK_HOOK_ENTRY_, Base, __VA_ARGS__)); \
    }                                                                                             \
  };

// LLK_MODULE_CLASSES(): once in an executable or plugin that defines classes. Registers the
// module's classes before its static initialisers run, and removes them when it is unloaded.
extern "C" {
extern const LLKClass* const __start_llk_classes[] __attribute__((weak, visibility("hidden")));
extern const LLKClass* const __stop_llk_classes[] __attribute__((weak, visibility("hidden")));
}
#define LLK_MODULE_CLASSES()                                                                      \
  __attribute__((constructor(101))) static void llkRegisterModuleClasses() {                     \
    LLKRegisterModule(__start_llk_classes, __stop_llk_classes);                                   \
  }                                                                                               \
  __attribute__((destructor(101))) static void llkUnregisterModuleClasses() {                    \
    LLKUnregisterModule(__start_llk_classes, __stop_llk_classes);                                 \
  }

#endif  // TXQ_LLK_OBJECT_LLKDEFINE_H
