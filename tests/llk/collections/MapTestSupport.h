#ifndef TXQ_TESTS_LLK_COLLECTIONS_MAPTESTSUPPORT_H
#define TXQ_TESTS_LLK_COLLECTIONS_MAPTESTSUPPORT_H
// Test support for the value-keyed containers (map, keyring, store): a change-callback recorder,
// helpers that make and describe objects, and a way to run a step with the heap exhausted.

#include <gtest/gtest.h>
#include <sys/resource.h>

#include <cstdint>
#include <cstdlib>
#include <string>
#include <utility>
#include <vector>

#include <txq/llk/object/LLKBObject.h>
#include <txq/llk/values/LLKCString.h>

namespace maptest {

using Change = std::pair<uint32_t, LLKBObject*>;  // (op, object)

// Collects the change callback's calls, with the object's retain count at the time of the call
// (an object told op 1 must still be alive). Detach it or free the container before it goes.
struct Recorder {
  std::vector<Change> changes;
  std::vector<uint32_t> counts;
  static void change(uint32_t op, LLKBObject* object, void* context) noexcept {
    auto* self = static_cast<Recorder*>(context);
    self->changes.emplace_back(op, object);
    self->counts.push_back(object != nullptr ? object->retainCount() : 0);
  }
};

// An autoreleased string with the text (a new object each call).
inline LLKCString* str(const char* text) { return LLKCString::stringWithChars(text); }

// An autoreleased object of the root class (not copyable, compared by identity).
inline LLKBObject* plain() { return llk::autorelease(LLKBObject::new_()); }

// The text of a string, "-" for anything else, "nil" for nil.
inline std::string text(LLKBObject* object) {
  if (object == nullptr) return "nil";
  LLKCString* s = llk::cast<LLKCString>(object);
  return s != nullptr ? std::string(s->view()) : std::string("-");
}

// The texts of positions 0..count-1 as `at` answers them, joined by ','.
template <class C, class At>
std::string texts(C* container, At at) {
  std::string out;
  for (uint64_t i = 0; i < container->count(); ++i) {
    if (i > 0) out += ',';
    out += text(at(container, i));
  }
  return out;
}

// The live-object count (objects made and not yet freed), or -1 when the build does not count.
inline int64_t live() {
#if TXQ_LIVE_OBJECTS
  return LLKFLiveObjectCount();
#else
  return -1;
#endif
}

// Whether this build runs under a sanitizer that owns the allocator (and would stop the process
// instead of letting malloc answer null).
constexpr bool kSanitizedAllocator =
#if defined(__SANITIZE_ADDRESS__) || defined(__SANITIZE_THREAD__)
    true;
#elif defined(__has_feature)
#if __has_feature(address_sanitizer) || __has_feature(thread_sanitizer) || __has_feature(memory_sanitizer)
    true;
#else
    false;
#endif
#else
    false;
#endif

// Runs `step` in the current (forked, single-threaded) process with the address space frozen
// and the heap used up, so that any allocation it makes fails; then gives the heap back and
// runs `after`. Ends the process with the code `step` and `after` combine to.
template <class Step, class After>
[[noreturn]] void exhaustedThen(Step step, After after) {
  rlimit frozen{0, RLIM_INFINITY};
  getrlimit(RLIMIT_AS, &frozen);
  frozen.rlim_cur = 0;  // below the current size: every new mapping (and brk) fails
  setrlimit(RLIMIT_AS, &frozen);
  void* blocks = nullptr;  // a chain through the blocks' first words
  for (size_t size = size_t{1} << 20; size >= sizeof(void*); size /= 2) {
    while (void* block = std::malloc(size)) {
      *static_cast<void**>(block) = blocks;
      blocks = block;
    }
  }
  const int code = step();
  while (blocks != nullptr) {
    void* next = *static_cast<void**>(blocks);
    std::free(blocks);
    blocks = next;
  }
  std::_Exit(after(code));
}

}  // namespace maptest

#endif  // TXQ_TESTS_LLK_COLLECTIONS_MAPTESTSUPPORT_H
