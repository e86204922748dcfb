#include <txq/llk/object/LLKCNull.h>

#include <txq/llk/object/LLKLibrary_p.h>
#include <txq/llk/object/LLKSynchronized.h>

LLK_DEFINE_CLASS(LLKCNull, LLK_PROTOCOLS())

namespace {
constinit std::atomic<LLKCNull*> gShared{nullptr};  // owned; released at unload
}

LLKCNull* LLKCNull::null() noexcept {
  LLKCNull* shared = gShared.load(std::memory_order_acquire);
  if (shared != nullptr) return shared;
  llk::Synchronized monitor(classObject());  // concurrent first calls create one instance
  shared = gShared.load(std::memory_order_acquire);
  if (shared == nullptr) {
    shared = new_();
    gShared.store(shared, std::memory_order_release);
  }
  return shared;
}

void llkNullUnload() noexcept { llk::release(gShared.exchange(nullptr, std::memory_order_acq_rel)); }
