#ifndef TXQ_TESTS_LLK_COLLECTIONS_SEQUENCETESTSUPPORT_H
#define TXQ_TESTS_LLK_COLLECTIONS_SEQUENCETESTSUPPORT_H
// Test support for the sequence containers: a recorder for the change and accept callbacks, a probe
// for removals by match and small helpers that make and describe objects.

#include <cstdint>
#include <string>
#include <utility>
#include <vector>

#include <txq/llk/collections/LLKBObjectContainer.h>
#include <txq/llk/collections/LLKContainers.h>
#include <txq/llk/values/LLKCString.h>

namespace txqtest {

using Event = std::pair<uint32_t, LLKBObject*>;  // (op, object)

// Records every call of the change callback (`changes`) and of the accept callback (`asked`); the
// accept callback refuses `veto` (for op `vetoOp` only, or both ops when it is -1). attach() keeps
// the container alive and detaches the callbacks when the recorder goes, so that a container freed
// later by the pool never calls into a recorder that is gone.
struct CallbackRecorder {
  std::vector<Event> changes;
  std::vector<Event> asked;
  LLKBObject* veto = nullptr;
  int vetoOp = -1;
  LLKBObjectContainer* attached = nullptr;

  CallbackRecorder() = default;
  CallbackRecorder(const CallbackRecorder&) = delete;
  CallbackRecorder& operator=(const CallbackRecorder&) = delete;
  ~CallbackRecorder() {
    if (attached == nullptr) return;
    attached->setChangeCallback_withContext(nullptr, nullptr);
    attached->setAcceptCallback_withContext(nullptr, nullptr);
    attached->release();
  }

  static void change(uint32_t op, LLKBObject* object, void* context) noexcept {
    static_cast<CallbackRecorder*>(context)->changes.emplace_back(op, object);
  }
  static bool accept(uint32_t op, LLKBObject* object, void* context) noexcept {
    CallbackRecorder* self = static_cast<CallbackRecorder*>(context);
    self->asked.emplace_back(op, object);
    return !(object == self->veto && (self->vetoOp < 0 || self->vetoOp == static_cast<int>(op)));
  }
  void attach(LLKBObjectContainer* container) {
    if (attached == nullptr) attached = llk::retain(container);
    container->setChangeCallback_withContext(&change, this);
    container->setAcceptCallback_withContext(&accept, this);
  }
  void reset() {
    changes.clear();
    asked.clear();
  }
};

// Removes through llk::removeIf what `match` picks from a container that is the only owner of its
// objects, so that each is freed at its release. Answers whether the match function or the change
// callback ever found a freed object still at one of the first `positions` positions.
template <class C, class Match>
bool removeIfSeesAFreedObject(C* container, uint64_t positions, Match match) {
  struct Probe {
    C* container;
    uint64_t positions;
    std::vector<LLKBObject*> gone;
    bool seen = false;
    void look() {
      for (uint64_t i = 0; i < positions; ++i) {
        for (LLKBObject* g : gone) seen |= container->fetchAtIndex(i) == g;
      }
    }
  } probe{container, positions, {}};
  probe.gone.reserve(positions);  // no allocation may reuse a freed object's address meanwhile
  container->setChangeCallback_withContext(
      [](uint32_t, LLKBObject* object, void* context) {
        Probe* p = static_cast<Probe*>(context);
        p->look();
        p->gone.push_back(object);
      },
      &probe);
  llk::removeIf(container, [&](LLKBObject* o) {
    probe.look();
    return match(o);
  });
  container->setChangeCallback(nullptr);
  return probe.seen;
}

// An autoreleased string object with the given text (a new object each call).
inline LLKBObject* str(const char* text) { return LLKCString::stringWithChars(text); }

// The texts of the container's objects joined by ',' through count + fetchAtIndex ("-" for nil).
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

// Orders strings by their text, for the sort operations.
inline int32_t byText(LLKBObject* a, LLKBObject* b, void*) noexcept {
  return static_cast<LLKCString*>(a)->compareToString(static_cast<LLKCString*>(b));
}

}  // namespace txqtest

#endif  // TXQ_TESTS_LLK_COLLECTIONS_SEQUENCETESTSUPPORT_H
