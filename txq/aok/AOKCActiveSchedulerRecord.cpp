#include "AOKCActiveSchedulerRecord_p.h"

#include <txq/llk/object/LLKDefine.h>

LLK_DEFINE_CLASS(AOKCActiveSchedulerRecord, LLK_PROTOCOLS(), init, initWithObject_andIdentifier)

AOKCActiveSchedulerRecord* AOKCActiveSchedulerRecord::init() noexcept {
  return static_cast<AOKCActiveSchedulerRecord*>(Super::init());
}

AOKCActiveSchedulerRecord* AOKCActiveSchedulerRecord::initWithObject_andIdentifier(AOKBActiveObject* object,
                                                                                   LLKBObject* identifier) noexcept {
  if (init() == nullptr) return nullptr;
  iObject = llk::retain(object);
  iMident = llk::retain(identifier);
  iGroups = LLKCKeyring::alloc()->initWithCapacity(8);
  if (iGroups == nullptr) {
    dealloc();
    return nullptr;
  }
  return this;
}

AOKCActiveSchedulerRecord::~AOKCActiveSchedulerRecord() {
  llk::release(iObject);
  llk::release(iMident);
  llk::release(iIdents);
  llk::release(iGroups);
}
