#include <txq/llk/object/LLKCWeak.h>

LLK_DEFINE_CLASS(LLKCWeak, LLK_PROTOCOLS(LLKPCopyable), weakWithObject, initWithObject, object, initWithCopy_deep,
                 copy, deepCopy)

LLKCWeak* LLKCWeak::weakWithObject(LLKBObject* object) noexcept {
  LLKCWeak* weak = alloc();
  return weak != nullptr ? llk::autorelease(weak->initWithObject(object)) : nullptr;
}

LLKCWeak* LLKCWeak::initWithObject(LLKBObject* object) noexcept {
  Super::init();
  iObject = object;
  return this;
}

LLKCWeak* LLKCWeak::initWithCopy_deep(LLKBObject* source, bool) noexcept {
  Super::init();
  LLKCWeak* other = llk::cast<LLKCWeak>(source);
  iObject = other != nullptr ? other->iObject : nullptr;
  return this;
}

LLKCWeak* LLKCWeak::copy() noexcept { return static_cast<LLKCWeak*>(Super::copy()); }

LLKCWeak* LLKCWeak::deepCopy() noexcept { return static_cast<LLKCWeak*>(Super::deepCopy()); }
