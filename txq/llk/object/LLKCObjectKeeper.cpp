#include <txq/llk/object/LLKCObjectKeeper.h>

#include <atomic>

LLK_DEFINE_CLASS(LLKCObjectKeeper, LLK_PROTOCOLS(), keeperWithObject, initWithObject, object, checkOut, checkIn,
                 isCheckedOut, replace)

LLKCObjectKeeper* LLKCObjectKeeper::keeperWithObject(LLKBObject* object) noexcept {
  LLKCObjectKeeper* keeper = alloc();
  return keeper != nullptr ? llk::autorelease(keeper->initWithObject(object)) : nullptr;
}

LLKCObjectKeeper* LLKCObjectKeeper::initWithObject(LLKBObject* object) noexcept {
  init();
  std::atomic_ref<LLKBObject*>(iObject).store(llk::retain(object), std::memory_order_release);
  iCCount = 0;
  return this;
}

LLKBObject* LLKCObjectKeeper::object() noexcept {
  return std::atomic_ref<LLKBObject*>(iObject).load(std::memory_order_acquire);
}

LLKBObject* LLKCObjectKeeper::checkOut() noexcept {
  ++iCCount;
  return iObject;
}

void LLKCObjectKeeper::checkIn(LLKBObject* object) noexcept {
  if (object == iObject && iCCount > 0) --iCCount;
}

LLKBObject* LLKCObjectKeeper::replace(LLKBObject* object) noexcept {
  LLKBObject* old = iObject;
  llk::autorelease(old);
  std::atomic_ref<LLKBObject*>(iObject).store(llk::retain(object), std::memory_order_release);
  iCCount = 0;
  return old;
}

LLKCObjectKeeper::~LLKCObjectKeeper() { llk::release(iObject); }
