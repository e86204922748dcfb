#include <txq/llk/collections/LLKCObjectStack.h>

#include <txq/llk/collections/LLKContainerCoding_p.h>
#include <txq/llk/collections/LLKContainerMaking_p.h>

LLK_DEFINE_CLASS(LLKCObjectStack, LLK_PROTOCOLS(), init, initWithCapacity, push, pop, peek, remove, contains, count,
                 capacity, fetchAtIndex, clear, setChangeCallback_withContext, iterateWithFunction_andContext,
                 iterateUntilMatchWithFunction_andContext, removeEachMatchWithFunction_andContext,
                 removeFirstMatchWithFunction_andContext, initWithCopy_deep, copy, deepCopy,
                 encodeWithCoder, initWithCoder)

// ---- Creation ----

LLKCObjectStack* LLKCObjectStack::stack() noexcept {
  return llk::detail::autoreleasedNew(&LLKCObjectStack::init);
}

LLKCObjectStack* LLKCObjectStack::init() noexcept {
  LLKCObjectDeque* deque = LLKCObjectDeque::alloc();
  if (deque == nullptr || (iDeque = deque->init()) == nullptr) {
    dealloc();
    return nullptr;
  }
  return this;
}

LLKCObjectStack* LLKCObjectStack::stackWithCapacity(uint64_t capacity) noexcept {
  return llk::detail::autoreleasedNew(&LLKCObjectStack::initWithCapacity, capacity);
}

LLKCObjectStack* LLKCObjectStack::initWithCapacity(uint64_t capacity) noexcept {
  LLKCObjectDeque* deque = LLKCObjectDeque::alloc();
  if (deque == nullptr || (iDeque = deque->initWithCapacity(capacity)) == nullptr) {
    dealloc();
    return nullptr;
  }
  return this;
}

LLKCObjectStack::~LLKCObjectStack() { llk::release(iDeque); }

// ---- Stack ----

int32_t LLKCObjectStack::push(LLKBObject* object) noexcept { return iDeque->append_andResizeIfNeeded(object, true); }

LLKBObject* LLKCObjectStack::pop() noexcept {
  LLKBObject* top = llk::retain(iDeque->tail());
  if (top == nullptr) return nullptr;
  iDeque->removeTail();
  return top->autorelease();
}

LLKBObject* LLKCObjectStack::peek() noexcept { return llk::autorelease(llk::retain(iDeque->tail())); }

// ---- The deque's ----

int32_t LLKCObjectStack::remove(LLKBObject* object) noexcept { return iDeque->remove(object); }

bool LLKCObjectStack::contains(LLKBObject* object) const noexcept { return iDeque->contains(object); }

uint64_t LLKCObjectStack::count() const noexcept { return iDeque->count(); }

uint64_t LLKCObjectStack::capacity() const noexcept { return iDeque->capacity(); }

LLKBObject* LLKCObjectStack::fetchAtIndex(uint64_t index) const noexcept { return iDeque->fetchAtIndex(index); }

void LLKCObjectStack::clear() noexcept { iDeque->clear(); }

void LLKCObjectStack::setChangeCallback_withContext(LLKFChangeCallback callback, void* context) noexcept {
  iDeque->setChangeCallback_withContext(callback, context);
}

void LLKCObjectStack::iterateWithFunction_andContext(LLKFIterateFunction function, void* context) noexcept {
  iDeque->iterateWithFunction_andContext(function, context);
}

LLKBObject* LLKCObjectStack::iterateUntilMatchWithFunction_andContext(LLKFMatchFunction function,
                                                                      void* context) noexcept {
  return iDeque->iterateUntilMatchWithFunction_andContext(function, context);
}

bool LLKCObjectStack::removeEachMatchWithFunction_andContext(LLKFMatchFunction function, void* context) noexcept {
  return iDeque->removeEachMatchWithFunction_andContext(function, context);
}

bool LLKCObjectStack::removeFirstMatchWithFunction_andContext(LLKFMatchFunction function, void* context) noexcept {
  return iDeque->removeFirstMatchWithFunction_andContext(function, context);
}

// ---- Copies ----

LLKCObjectStack* LLKCObjectStack::initWithCopy_deep(LLKBObject* source, bool deep) noexcept {
  LLKCObjectStack* other = llk::cast<LLKCObjectStack>(source);
  LLKCObjectDeque* deque = other != nullptr ? LLKCObjectDeque::alloc() : nullptr;
  if (deque == nullptr || (iDeque = deque->initWithCopy_deep(other->iDeque, deep)) == nullptr) {
    dealloc();
    return nullptr;
  }
  return this;
}

LLKCObjectStack* LLKCObjectStack::copy() noexcept { return static_cast<LLKCObjectStack*>(Super::copy()); }

LLKCObjectStack* LLKCObjectStack::deepCopy() noexcept { return static_cast<LLKCObjectStack*>(Super::deepCopy()); }

// ---- Coding ----

bool LLKCObjectStack::encodeWithCoder(LLKBEncoder* coder) noexcept {
  return llk::detail::encodeContainer(this, coder, capacity(), [this, coder](uint64_t* written) noexcept {
    for (uint64_t i = 0; i < iDeque->count(); ++i) {
      if (!llk::detail::encodeIfEncodable(coder, iDeque->fetchAtIndex(i), written)) return false;
    }
    return true;
  });
}

LLKCObjectStack* LLKCObjectStack::initWithCoder(LLKBDecoder* coder) noexcept {
  return llk::detail::initSequenceWithCoder(
      this, coder, true, [this](uint64_t room) noexcept { return initWithCapacity(room); },
      [this](LLKBObject* object) noexcept { return push(object) == llk::kDone; },
      [this](uint64_t room) noexcept { return iDeque->resize(room); });
}
