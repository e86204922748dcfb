#include "AOKCActiveSchedulerHustle_p.h"

#include <cstdlib>

#include <txq/llk/object/LLKDefine.h>

#include "AOKCActiveSchedulerRecord_p.h"

LLK_DEFINE_CLASS(AOKCActiveSchedulerHustle, LLK_PROTOCOLS(), initWithTargets_type, initWithTargets_type_andAncillary,
                 initWithTargets_type_andCode_argument_andAncillary, initWithTargets_type_andSelector_argument,
                 initWithTargets_type_andCode_function_argument_andAncillary)

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
