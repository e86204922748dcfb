#include <txq/llk/collections/LLKCObjectWorksItem.h>

#include <txq/llk/collections/LLKContainerMaking_p.h>
#include <txq/llk/object/LLKSynchronized.h>
#include <txq/llk/threads/LLKCInvocation.h>

LLK_DEFINE_CLASS(LLKCObjectWorksItem, LLK_PROTOCOLS(), initWithObject_andPriority, object, priority, invocation,
                 setInvocation, state, setState, completed)

LLKCObjectWorksItem* LLKCObjectWorksItem::itemWithObject_andPriority(LLKBObject* object, uint8_t priority) noexcept {
  return llk::detail::autoreleasedNew(&LLKCObjectWorksItem::initWithObject_andPriority, object, priority);
}

LLKCObjectWorksItem* LLKCObjectWorksItem::initWithObject_andPriority(LLKBObject* object, uint8_t priority) noexcept {
  if (object == nullptr) {
    dealloc();
    return nullptr;
  }
  iObject = llk::retain(object);
  iPriority = priority;
  iState = kQueued;
  return this;
}

LLKCObjectWorksItem::~LLKCObjectWorksItem() {
  llk::release(iInvocation);
  llk::release(iObject);
}

LLKCInvocation* LLKCObjectWorksItem::invocation() noexcept {
  LLKCInvocation* invocation = nullptr;
  {
    llk::Synchronized monitor(this);
    invocation = llk::retain(iInvocation);
  }
  return llk::autorelease(invocation);
}

void LLKCObjectWorksItem::setInvocation(LLKCInvocation* invocation) noexcept {
  LLKCInvocation* old = nullptr;
  {
    llk::Synchronized monitor(this);
    old = iInvocation;
    iInvocation = llk::retain(invocation);
  }
  llk::release(old);  // outside the monitor: the release may run a dealloc
}

uint32_t LLKCObjectWorksItem::state() noexcept {
  llk::Synchronized monitor(this);
  return iState;
}

void LLKCObjectWorksItem::setState(uint32_t state) noexcept {
  llk::Synchronized monitor(this);
  iState = state;
}

bool LLKCObjectWorksItem::completed() noexcept {
  llk::Synchronized monitor(this);
  return iState == kDone || iState == kCancelled;
}
