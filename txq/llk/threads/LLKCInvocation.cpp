#include <txq/llk/threads/LLKCInvocation.h>

#include <txq/llk/collections/LLKContainerMaking_p.h>
#include <txq/llk/threads/LLKPInvocable.h>

#include "LLKAtomicProperty_p.h"

LLK_DEFINE_CLASS(LLKCInvocation, LLK_PROTOCOLS(LLKPCopyable), initWithSelector, initWithSelector_andObject,
                 initWithSelector_target, initWithSelector_target_andObject, initWithFunction,
                 initWithFunction_andContext, initWithFunction_context_andObject, invoke, invokeWithTarget,
                 invokeWithObject, target, selector, function, context, object, setObject, initWithCopy_deep, copy,
                 deepCopy)

using llk::detail::atomicLoad;
using llk::detail::autoreleasedNew;

// ---- Selector form ----

LLKCInvocation* LLKCInvocation::invocationWithSelector(LLKSEL selector) noexcept {
  return autoreleasedNew(&LLKCInvocation::initWithSelector_target_andObject, selector, nullptr, nullptr);
}

LLKCInvocation* LLKCInvocation::invocationWithSelector_andObject(LLKSEL selector, LLKBObject* object) noexcept {
  return autoreleasedNew(&LLKCInvocation::initWithSelector_target_andObject, selector, nullptr, object);
}

LLKCInvocation* LLKCInvocation::invocationWithSelector_target(LLKSEL selector, LLKBObject* target) noexcept {
  return autoreleasedNew(&LLKCInvocation::initWithSelector_target_andObject, selector, target, nullptr);
}

LLKCInvocation* LLKCInvocation::invocationWithSelector_target_andObject(LLKSEL selector, LLKBObject* target,
                                                                        LLKBObject* object) noexcept {
  return autoreleasedNew(&LLKCInvocation::initWithSelector_target_andObject, selector, target, object);
}

LLKCInvocation* LLKCInvocation::initWithSelector(LLKSEL selector) noexcept {
  return initWithSelector_target_andObject(selector, nullptr, nullptr);
}

LLKCInvocation* LLKCInvocation::initWithSelector_andObject(LLKSEL selector, LLKBObject* object) noexcept {
  return initWithSelector_target_andObject(selector, nullptr, object);
}

LLKCInvocation* LLKCInvocation::initWithSelector_target(LLKSEL selector, LLKBObject* target) noexcept {
  return initWithSelector_target_andObject(selector, target, nullptr);
}

LLKCInvocation* LLKCInvocation::initWithSelector_target_andObject(LLKSEL selector, LLKBObject* target,
                                                                  LLKBObject* object) noexcept {
  iTarget = llk::retain(target);
  iSelector = selector;
  iObject = llk::retain(object);
  return this;
}

// ---- Function form ----

LLKCInvocation* LLKCInvocation::invocationWithFunction(LLKFInvocationFunction function) noexcept {
  return autoreleasedNew(&LLKCInvocation::initWithFunction_context_andObject, function, nullptr, nullptr);
}

LLKCInvocation* LLKCInvocation::invocationWithFunction_andContext(LLKFInvocationFunction function,
                                                                  void* context) noexcept {
  return autoreleasedNew(&LLKCInvocation::initWithFunction_context_andObject, function, context, nullptr);
}

LLKCInvocation* LLKCInvocation::invocationWithFunction_context_andObject(LLKFInvocationFunction function,
                                                                         void* context, LLKBObject* object) noexcept {
  return autoreleasedNew(&LLKCInvocation::initWithFunction_context_andObject, function, context, object);
}

LLKCInvocation* LLKCInvocation::initWithFunction(LLKFInvocationFunction function) noexcept {
  return initWithFunction_context_andObject(function, nullptr, nullptr);
}

LLKCInvocation* LLKCInvocation::initWithFunction_andContext(LLKFInvocationFunction function, void* context) noexcept {
  return initWithFunction_context_andObject(function, context, nullptr);
}

LLKCInvocation* LLKCInvocation::initWithFunction_context_andObject(LLKFInvocationFunction function, void* context,
                                                                   LLKBObject* object) noexcept {
  iFunction = function;
  iContext = context;
  iObject = llk::retain(object);
  return this;
}

LLKCInvocation::~LLKCInvocation() {
  llk::release(iObject);
  llk::release(iTarget);
}

// ---- Calling ----
// Target and object are held for the length of the call, so a callee that drops the last
// reference to this invocation (or replaces its object) does not free them under its own feet.

void LLKCInvocation::invoke() noexcept {
  if (function() != nullptr) {
    invokeWithTarget(nullptr);
    return;
  }
  LLKBObject* target = llk::retain(this->target());
  invokeWithTarget(target);
  llk::release(target);
}

void LLKCInvocation::invokeWithTarget(LLKBObject* target) noexcept {
  if (LLKFInvocationFunction call = function(); call != nullptr) {
    LLKBObject* object = llk::detail::propertyRetained(&iObject);
    call(object, context());
    llk::release(object);
    return;
  }
  if (target == nullptr) return;
  if (LLKPInvocable* invocable = llk::as<LLKPInvocable>(target); invocable != nullptr) {
    invocable->invokeInvocation(this);
    return;
  }
  const LLKSEL selector = this->selector();
  if (selector == nullptr) return;
  LLKBObject* object = llk::detail::propertyRetained(&iObject);
  if (object == nullptr) {
    target->performSelector(selector);
  } else {
    target->performSelector_withObject(selector, object);
    object->release();
  }
}

void LLKCInvocation::invokeWithObject(LLKBObject* object) noexcept {
  setObject(object);
  invoke();
}

// ---- Access ----

LLKBObject* LLKCInvocation::target() noexcept { return atomicLoad(iTarget); }

LLKSEL LLKCInvocation::selector() noexcept { return atomicLoad(iSelector); }

LLKFInvocationFunction LLKCInvocation::function() noexcept { return atomicLoad(iFunction); }

void* LLKCInvocation::context() noexcept { return atomicLoad(iContext); }

LLKBObject* LLKCInvocation::object() noexcept { return llk::detail::propertyGet(&iObject); }

void LLKCInvocation::setObject(LLKBObject* object) noexcept { llk::detail::propertySet(&iObject, object); }

// ---- Value protocols ----

LLKCInvocation* LLKCInvocation::initWithCopy_deep(LLKBObject* source, bool deep) noexcept {
  LLKCInvocation* other = llk::cast<LLKCInvocation>(source);
  if (other == nullptr) {
    dealloc();
    return nullptr;
  }
  iTarget = llk::retain(other->target());
  iSelector = other->selector();
  iFunction = other->function();
  iContext = other->context();
  iObject = llk::detail::propertyRetained(&other->iObject);
  if (deep && llk::conformsTo(iObject, &LLKPCopyable::kProtocol)) {
    LLKBObject* original = iObject;
    iObject = llk::retain(original->copy());
    original->release();
    if (iObject == nullptr) {
      dealloc();
      return nullptr;
    }
  }
  return this;
}

LLKCInvocation* LLKCInvocation::copy() noexcept { return static_cast<LLKCInvocation*>(Super::copy()); }

LLKCInvocation* LLKCInvocation::deepCopy() noexcept { return static_cast<LLKCInvocation*>(Super::deepCopy()); }
