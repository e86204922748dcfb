#include "AOKCActiveSchedulerHustle_p.h"

#include <cstdlib>
#include <mutex>

#include <txq/llk/object/LLKDefine.h>

#include "AOKCActiveSchedulerRecord_p.h"
#include "AOKSpinLock_p.h"

LLK_DEFINE_CLASS(AOKCActiveSchedulerHustle, LLK_PROTOCOLS(), initWithTargets_type, initWithTargets_type_andAncillary,
                 initWithTargets_type_andCode_argument_andAncillary, initWithTargets_type_andSelector_argument,
                 initWithTargets_type_andCode_function_argument_andAncillary)

namespace {

// Spare hustle blocks. Each thread keeps a few at hand; batches move through a pool shared by every
// scheduler of the process (a producer thread makes hustles, workers free them).
constexpr int kBatch = 32;

struct SharedSpares {
  static constexpr int kRoom = 1024;
  aok::detail::SpinLock lock;
  int count = 0;
  void* blocks[kRoom];
};
// Never destroyed: hustles may still be freed while the process exits.
SharedSpares& gShared = *new SharedSpares;

struct LocalSpares {
  int count = 0;
  void* blocks[2 * kBatch];
  ~LocalSpares() {
    std::lock_guard<aok::detail::SpinLock> hold(gShared.lock);
    while (count > 0 && gShared.count < SharedSpares::kRoom) gShared.blocks[gShared.count++] = blocks[--count];
    while (count > 0) std::free(blocks[--count]);
  }
};
thread_local LocalSpares tLocal;

}  // namespace

// Sanitizer builds allocate every hustle afresh, so that a use after free is caught.
#if defined(__SANITIZE_ADDRESS__) || defined(__SANITIZE_THREAD__)
#define AOK_RECYCLE_HUSTLES 0
#elif defined(__has_feature)
#if __has_feature(address_sanitizer) || __has_feature(thread_sanitizer)
#define AOK_RECYCLE_HUSTLES 0
#endif
#endif
#ifndef AOK_RECYCLE_HUSTLES
#define AOK_RECYCLE_HUSTLES 1
#endif

void* AOKCActiveSchedulerHustle::operator new(std::size_t size, const std::nothrow_t&) noexcept {
  if (!AOK_RECYCLE_HUSTLES || size != sizeof(AOKCActiveSchedulerHustle)) return std::malloc(size);
  LocalSpares& local = tLocal;
  if (local.count == 0) {
    std::lock_guard<aok::detail::SpinLock> hold(gShared.lock);
    while (local.count < kBatch && gShared.count > 0) local.blocks[local.count++] = gShared.blocks[--gShared.count];
  }
  return local.count > 0 ? local.blocks[--local.count] : std::malloc(size);
}

void AOKCActiveSchedulerHustle::operator delete(void* block) noexcept {
  if (block == nullptr) return;
  if (!AOK_RECYCLE_HUSTLES) {
    std::free(block);
    return;
  }
  LocalSpares& local = tLocal;
  if (local.count == 2 * kBatch) {  // full: half of them go to the shared pool (or back to the allocator)
    std::lock_guard<aok::detail::SpinLock> hold(gShared.lock);
    while (local.count > kBatch) {
      void* spare = local.blocks[--local.count];
      if (gShared.count < SharedSpares::kRoom) {
        gShared.blocks[gShared.count++] = spare;
      } else {
        std::free(spare);
      }
    }
  }
  local.blocks[local.count++] = block;
}

AOKCActiveSchedulerHustle* AOKCActiveSchedulerHustle::initWithTargets_type(uint32_t targets, uint32_t type) noexcept {
  iType = type;
  iPending.store(1, std::memory_order_relaxed);  // the delivering call's own share
  iTargets = &iTarget;
  iRoom = 1;
  if (targets > 1) {
    iTargets = static_cast<AOKCActiveSchedulerRecord**>(std::calloc(targets, sizeof(AOKCActiveSchedulerRecord*)));
    iRoom = targets;
    if (iTargets == nullptr) {
      dealloc();
      return nullptr;
    }
  }
  return this;
}

AOKCActiveSchedulerHustle* AOKCActiveSchedulerHustle::initWithTargets_type_andAncillary(
    uint32_t targets, uint32_t type, LLKCDictionary* ancillary) noexcept {
  if (initWithTargets_type(targets, type) == nullptr) return nullptr;
  iAncillary = llk::retain(ancillary);
  return this;
}

AOKCActiveSchedulerHustle* AOKCActiveSchedulerHustle::initWithTargets_type_andCode_argument_andAncillary(
    uint32_t targets, uint32_t type, LLKTCode code, LLKBObject* argument, LLKCDictionary* ancillary) noexcept {
  if (initWithTargets_type_andAncillary(targets, type, ancillary) == nullptr) return nullptr;
  iCode = code;
  iArgument = llk::retain(argument);
  return this;
}

AOKCActiveSchedulerHustle* AOKCActiveSchedulerHustle::initWithTargets_type_andSelector_argument(
    uint32_t targets, uint32_t type, LLKSEL selector, LLKBObject* argument) noexcept {
  if (initWithTargets_type(targets, type) == nullptr) return nullptr;
  iSelector = selector;
  iArgument = llk::retain(argument);
  return this;
}

AOKCActiveSchedulerHustle* AOKCActiveSchedulerHustle::initWithTargets_type_andCode_function_argument_andAncillary(
    uint32_t targets, uint32_t type, LLKTCode code, AOKTActiveFunction function, LLKBObject* argument,
    LLKCDictionary* ancillary) noexcept {
  if (initWithTargets_type_andCode_argument_andAncillary(targets, type, code, argument, ancillary) == nullptr)
    return nullptr;
  iFunction = function;
  return this;
}

void AOKCActiveSchedulerHustle::setTarget(uint32_t index, AOKCActiveSchedulerRecord* record) noexcept {
  if (index >= iRoom) return;
  llk::retain(record);
  llk::release(iTargets[index]);
  iTargets[index] = record;
}

AOKCActiveSchedulerHustle::~AOKCActiveSchedulerHustle() {
  if (iTargets != nullptr) {
    for (uint32_t i = 0; i < iRoom; ++i) llk::release(iTargets[i]);
    if (iTargets != &iTarget) std::free(iTargets);
  }
  llk::release(iMident);
  llk::release(iArgument);
  llk::release(iAncillary);
}
