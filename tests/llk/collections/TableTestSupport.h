#ifndef TXQ_TESTS_LLK_COLLECTIONS_TABLETESTSUPPORT_H
#define TXQ_TESTS_LLK_COLLECTIONS_TABLETESTSUPPORT_H
// Test support for the keyed containers (table, index, shelf, pile): a change-callback recorder and
// small helpers that make and describe objects.

#include <cstdint>
#include <string>
#include <utility>
#include <vector>

#include <txq/llk/collections/LLKBObjectContainer.h>
#include <txq/llk/values/LLKCString.h>

namespace tabletest {

using Change = std::pair<uint32_t, LLKBObject*>;  // (op, object)

// Collects the change callback's calls. Borrowed by the container: detach it or free the container
// before the recorder goes.
struct Recorder {
  std::vector<Change> changes;
  static void change(uint32_t op, LLKBObject* object, void* context) noexcept {
    static_cast<Recorder*>(context)->changes.emplace_back(op, object);
  }
  // Never lets anything through: an accept callback that must not be asked at all.
  static bool refuse(uint32_t op, LLKBObject* object, void* context) noexcept {
    static_cast<Recorder*>(context)->changes.emplace_back(op + 100, object);
    return false;
  }
};

// An autoreleased string with the text (a new object each call).
inline LLKBObject* str(const char* text) { return LLKCString::stringWithChars(text); }

// An autoreleased object of the root class (not copyable).
inline LLKBObject* plain() { return llk::autorelease(LLKBObject::new_()); }

// The texts of the container's objects in position order, joined by ',' ("-" for a non-string).
template <class C>
std::string texts(C* container) {
  std::string out;
  for (uint64_t i = 0; i < container->count(); ++i) {
    if (i > 0) out += ',';
    LLKCString* s = llk::cast<LLKCString>(container->fetchAtIndex(i));
    out += s != nullptr ? std::string(s->view()) : std::string("-");
  }
  return out;
}

// A match function for strings: the context is the text to match.
inline bool isText(LLKBObject* object, void* context) noexcept {
  LLKCString* s = llk::cast<LLKCString>(object);
  return s != nullptr && s->compareToChars(static_cast<const char*>(context)) == 0;
}

}  // namespace tabletest

#endif  // TXQ_TESTS_LLK_COLLECTIONS_TABLETESTSUPPORT_H
