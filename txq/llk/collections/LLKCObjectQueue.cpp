#include <txq/llk/collections/LLKCObjectQueue.h>

#include <txq/llk/collections/LLKContainerCoding_p.h>
#include <txq/llk/collections/LLKContainerMaking_p.h>

LLK_DEFINE_CLASS(LLKCObjectQueue, LLK_PROTOCOLS(LLKPCopyable), init, initWithCapacity, push, pop, peek, count,
                 capacity, fetchAtIndex, contains, remove, clear, setChangeCallback_withContext,
                 iterateWithFunction_andContext, iterateUntilMatchWithFunction_andContext,
                 removeEachMatchWithFunction_andContext, removeFirstMatchWithFunction_andContext,
                 initWithCopy_deep, copy, deepCopy, encodeWithCoder, initWithCoder)

// ---- Creation ----

LLKCObjectQueue* LLKCObjectQueue::queue() noexcept {
  return llk::detail::autoreleasedNew(&LLKCObjectQueue::init);
}

LLKCObjectQueue* LLKCObjectQueue::init() noexcept { return initWithCapacity(0); }

LLKCObjectQueue* LLKCObjectQueue::queueWithCapacity(uint64_t capacity) noexcept {
  return llk::detail::autoreleasedNew(&LLKCObjectQueue::initWithCapacity, capacity);
}

LLKCObjectQueue* LLKCObjectQueue::initWithCapacity(uint64_t capacity) noexcept {
  LLKCObjectList* list = LLKCObjectList::alloc();
  iList = list != nullptr ? list->initWithCapacity(capacity) : nullptr;
  if (iList == nullptr) {
    dealloc();
    return nullptr;
  }
  return this;
}

LLKCObjectQueue::~LLKCObjectQueue() { llk::release(iList); }

// ---- Queue ----

int32_t LLKCObjectQueue::push(LLKBObject* object) noexcept { return iList->append_andResizeIfNeeded(object, true); }

LLKBObject* LLKCObjectQueue::pop() noexcept {
  LLKBObject* head = iList->head();
  if (head == nullptr) return nullptr;
  // Our own reference, handed to the pool, keeps the object alive past the list's release.
  llk::autorelease(llk::retain(head));
  iList->removeHead();
  return head;
}

LLKBObject* LLKCObjectQueue::peek() noexcept { return llk::autorelease(llk::retain(iList->head())); }

// ---- As the list's ----

uint64_t LLKCObjectQueue::count() const noexcept { return iList->count(); }

uint64_t LLKCObjectQueue::capacity() const noexcept { return iList->capacity(); }

LLKBObject* LLKCObjectQueue::fetchAtIndex(uint64_t index) noexcept { return iList->fetchAtIndex(index); }

bool LLKCObjectQueue::contains(LLKBObject* object) noexcept { return iList->contains(object); }

int32_t LLKCObjectQueue::remove(LLKBObject* object) noexcept { return iList->remove(object); }

void LLKCObjectQueue::clear() noexcept { iList->clear(); }

void LLKCObjectQueue::setChangeCallback_withContext(LLKFChangeCallback callback, void* context) noexcept {
  iList->setChangeCallback_withContext(callback, context);
}

void LLKCObjectQueue::iterateWithFunction_andContext(LLKFIterateFunction function, void* context) noexcept {
  iList->iterateWithFunction_andContext(function, context);
}

LLKBObject* LLKCObjectQueue::iterateUntilMatchWithFunction_andContext(LLKFMatchFunction function,
                                                                      void* context) noexcept {
  return iList->iterateUntilMatchWithFunction_andContext(function, context);
}

bool LLKCObjectQueue::removeEachMatchWithFunction_andContext(LLKFMatchFunction function, void* context) noexcept {
  return iList->removeEachMatchWithFunction_andContext(function, context);
}

bool LLKCObjectQueue::removeFirstMatchWithFunction_andContext(LLKFMatchFunction function, void* context) noexcept {
  return iList->removeFirstMatchWithFunction_andContext(function, context);
}

// ---- Copies ----

LLKCObjectQueue* LLKCObjectQueue::initWithCopy_deep(LLKBObject* source, bool deep) noexcept {
  LLKCObjectQueue* other = llk::cast<LLKCObjectQueue>(source);
  LLKCObjectList* list = other != nullptr ? LLKCObjectList::alloc() : nullptr;
  iList = list != nullptr ? list->initWithCopy_deep(other->iList, deep) : nullptr;
  if (iList == nullptr) {
    dealloc();
    return nullptr;
  }
  return this;
}

LLKCObjectQueue* LLKCObjectQueue::copy() noexcept { return static_cast<LLKCObjectQueue*>(Super::copy()); }

LLKCObjectQueue* LLKCObjectQueue::deepCopy() noexcept { return static_cast<LLKCObjectQueue*>(Super::deepCopy()); }

// ---- Coding ----

bool LLKCObjectQueue::encodeWithCoder(LLKBEncoder* coder) noexcept {
  return llk::detail::encodeContainer(this, coder, capacity(), [this, coder](uint64_t* written) noexcept {
    for (uint64_t i = 0; i < iList->count(); ++i) {
      if (!llk::detail::encodeIfEncodable(coder, iList->fetchAtIndex(i), written)) return false;
    }
    return true;
  });
}

LLKCObjectQueue* LLKCObjectQueue::initWithCoder(LLKBDecoder* coder) noexcept {
  return llk::detail::initSequenceWithCoder(
      this, coder, true, [this](uint64_t room) noexcept { return initWithCapacity(room); },
      [this](LLKBObject* object) noexcept { return push(object) == llk::kDone; },
      [this](uint64_t room) noexcept { return iList->resize(room); });
}
