#include <txq/llk/collections/LLKCObjectWorks.h>

#include <new>

#include <txq/llk/collections/LLKCObjectPriorityQueue.h>
#include <txq/llk/collections/LLKCObjectTable.h>
#include <txq/llk/collections/LLKCObjectWorksItem.h>
#include <txq/llk/collections/LLKContainerMaking_p.h>
#include <txq/llk/object/LLKSynchronized.h>
#include <txq/llk/threads/LLKAtomicProperty_p.h>
#include <txq/llk/threads/LLKCCondition.h>
#include <txq/llk/threads/LLKCInvocation.h>
#include <txq/llk/threads/LLKCLock.h>

namespace {

uint64_t keyOf(LLKBObject* object) noexcept { return reinterpret_cast<uintptr_t>(object); }

// Runs the item's invocation, if any, for the resolved object: as it stands when it carries an
// object of its own, else with the resolved object as its argument.
void fire(LLKCObjectWorksItem* item, LLKBObject* object) noexcept {
  LLKCInvocation* invocation = nullptr;
  {
    llk::Synchronized monitor(item);
    invocation = llk::retain(item->iInvocation);
  }
  if (invocation == nullptr) return;
  LLKBObject* own = llk::detail::propertyRetained(&invocation->iObject);
  if (own != nullptr) {
    invocation->invoke();
  } else {
    invocation->invokeWithObject(object);
  }
  llk::release(own);
  llk::release(invocation);
}

}  // namespace

LLK_DEFINE_CLASS(LLKCObjectWorks, LLK_PROTOCOLS(), initWithCapacity, submit_withPriority, submit, submitted, count,
                 dequeue, dequeueAndPriority, async_invocation, resolve, requeue, cancel, await, await_withTimeout,
                 enable, enabled)

LLKCObjectWorks::private_t::~private_t() {
  llk::release(mQueue);
  llk::release(mItems);
  llk::release(mCondition);
  llk::release(mLock);
}

// ---- Creation ----

LLKCObjectWorks* LLKCObjectWorks::worksWithCapacity(uint64_t capacity) noexcept {
  return llk::detail::autoreleasedNew(&LLKCObjectWorks::initWithCapacity, capacity);
}

LLKCObjectWorks* LLKCObjectWorks::initWithCapacity(uint64_t capacity) noexcept {
  iPrivate = new (std::nothrow) private_t();
  if (iPrivate != nullptr) {
    private_t* d = iPrivate;
    d->mWorks = this;
    d->mLock = llk::send(LLKCLock::alloc(), &LLKCLock::init);
    d->mCondition = d->mLock != nullptr ? llk::send(LLKCCondition::alloc(), &LLKCCondition::initWithLock, d->mLock)
                                        : nullptr;
    d->mItems = llk::send(LLKCObjectTable::alloc(), &LLKCObjectTable::initWithCapacity, capacity);
    d->mQueue =
        llk::send(LLKCObjectPriorityQueue::alloc(), &LLKCObjectPriorityQueue::initWithCapacity, capacity);
  }
  if (iPrivate == nullptr || iPrivate->mCondition == nullptr || iPrivate->mItems == nullptr ||
      iPrivate->mQueue == nullptr) {
    dealloc();
    return nullptr;
  }
  return this;
}

LLKCObjectWorks::~LLKCObjectWorks() { delete iPrivate; }

// ---- Register ----

bool LLKCObjectWorks::submit_withPriority(LLKBObject* object, uint8_t priority) noexcept {
  if (object == nullptr) return false;
  llk::Synchronized works(this);
  private_t* d = iPrivate;
  if (!d->mEnabled.load() || d->mItems->containsKey(keyOf(object))) return false;
  LLKCObjectWorksItem* item =
      llk::send(LLKCObjectWorksItem::alloc(), &LLKCObjectWorksItem::initWithObject_andPriority, object, priority);
  if (item == nullptr) return false;
  bool stored = d->mItems->store_forKey(item, keyOf(object)) == llk::kDone;
  if (stored && d->mQueue->push_withPriority(item, priority) != llk::kDone) {
    d->mItems->removeForKey(keyOf(object));
    stored = false;
  }
  item->release();
  return stored;
}

bool LLKCObjectWorks::submit(LLKBObject* object) noexcept { return submit_withPriority(object, 0); }

bool LLKCObjectWorks::submitted(LLKBObject* object) noexcept {
  llk::Synchronized works(this);
  return object != nullptr && iPrivate->mItems->containsKey(keyOf(object));
}

uint64_t LLKCObjectWorks::count() noexcept {
  llk::Synchronized works(this);
  return iPrivate->mItems->count();
}

LLKBObject* LLKCObjectWorks::dequeue() noexcept { return dequeueAndPriority(nullptr); }

LLKBObject* LLKCObjectWorks::dequeueAndPriority(uint8_t* priority) noexcept {
  llk::Synchronized works(this);
  private_t* d = iPrivate;
  if (!d->mEnabled.load()) return nullptr;
  // Only queued items are in the queue; anything else found there is passed over.
  for (;;) {
    uint8_t at = 0;
    auto* item = static_cast<LLKCObjectWorksItem*>(d->mQueue->popAndGivePriority(&at));
    if (item == nullptr) return nullptr;
    llk::Synchronized monitor(item);
    if (item->iState != LLKCObjectWorksItem::kQueued) continue;
    item->iState = LLKCObjectWorksItem::kTaken;
    if (priority != nullptr) *priority = at;
    return llk::autorelease(llk::retain(item->iObject));
  }
}

bool LLKCObjectWorks::async_invocation(LLKBObject* object, LLKCInvocation* invocation) noexcept {
  llk::Synchronized works(this);
  if (object == nullptr || !iPrivate->mEnabled.load()) return false;
  auto* item = static_cast<LLKCObjectWorksItem*>(iPrivate->mItems->fetchForKey(keyOf(object)));
  if (item == nullptr) return false;
  item->setInvocation(invocation);
  return true;
}

// ---- Handing back ----

void LLKCObjectWorks::resolve(LLKBObject* object) noexcept {
  if (object == nullptr) return;
  {
    llk::Synchronized works(this);
    private_t* d = iPrivate;
    auto* item = llk::retain(static_cast<LLKCObjectWorksItem*>(d->mItems->fetchForKey(keyOf(object))));
    if (item == nullptr) return;
    uint32_t was = 0;
    {
      llk::Synchronized monitor(item);
      was = item->iState;
      item->iState = LLKCObjectWorksItem::kDone;
    }
    if (was == LLKCObjectWorksItem::kQueued) d->mQueue->remove(item);
    fire(item, object);
    d->mItems->removeForKey(keyOf(object));
    item->release();
  }
  wakeAll();
}

bool LLKCObjectWorks::requeue(LLKBObject* object) noexcept {
  if (object == nullptr) return false;
  {
    llk::Synchronized works(this);
    private_t* d = iPrivate;
    auto* item = static_cast<LLKCObjectWorksItem*>(d->mItems->fetchForKey(keyOf(object)));
    if (item == nullptr) return false;
    const uint32_t state = item->state();
    if (state == LLKCObjectWorksItem::kQueued) return true;
    if (state != LLKCObjectWorksItem::kCancelled) {
      if (d->mQueue->push_withPriority(item, item->iPriority) != llk::kDone) return false;
      item->setState(LLKCObjectWorksItem::kQueued);
      return true;
    }
    // Cancelled while it ran: handed back for good.
    d->mItems->removeForKey(keyOf(object));
  }
  wakeAll();
  return true;
}

bool LLKCObjectWorks::cancel(LLKBObject* object) noexcept {
  if (object == nullptr) return true;
  {
    llk::Synchronized works(this);
    private_t* d = iPrivate;
    auto* item = static_cast<LLKCObjectWorksItem*>(d->mItems->fetchForKey(keyOf(object)));
    if (item == nullptr) return true;
    switch (item->state()) {
      case LLKCObjectWorksItem::kTaken:
        item->setState(LLKCObjectWorksItem::kCancelled);
        return false;
      case LLKCObjectWorksItem::kCancelled:
        return false;
      case LLKCObjectWorksItem::kDone:
        d->mItems->removeForKey(keyOf(object));
        return true;
      default:  // queued
        item->setState(LLKCObjectWorksItem::kCancelled);
        d->mQueue->remove(item);
        d->mItems->removeForKey(keyOf(object));  // may free the item
        break;
    }
  }
  wakeAll();
  return true;
}

// ---- Waiting ----

bool LLKCObjectWorks::await(LLKBObject* object) noexcept { return awaitItem(object, false, 0); }

bool LLKCObjectWorks::await_withTimeout(LLKBObject* object, uint32_t milliseconds) noexcept {
  return awaitItem(object, true, milliseconds);
}

bool LLKCObjectWorks::awaitItem(LLKBObject* object, bool timed, uint32_t milliseconds) noexcept {
  if (object == nullptr) return false;
  private_t* d = iPrivate;
  LLKCObjectWorksItem* item = nullptr;
  {
    llk::Synchronized works(this);
    if (!d->mEnabled.load()) return false;
    item = llk::retain(static_cast<LLKCObjectWorksItem*>(d->mItems->fetchForKey(keyOf(object))));
  }
  if (item == nullptr) return false;
  // Every completion and every disabling is followed by a broadcast under the wait lock, so a
  // change made after the test below is never missed.
  d->mLock->lock();
  uint32_t left = milliseconds;
  while (!item->completed() && d->mEnabled.load()) {
    if (!timed) {
      d->mCondition->wait();
    } else if (!d->mCondition->waitWithTimeout_reminder(left, &left)) {
      break;
    }
  }
  d->mLock->unlock();
  const bool completed = item->completed();
  item->release();
  return completed;
}

void LLKCObjectWorks::enable(bool enabled) noexcept {
  {
    llk::Synchronized works(this);
    iPrivate->mEnabled.store(enabled);
  }
  if (!enabled) wakeAll();
}

bool LLKCObjectWorks::enabled() noexcept { return iPrivate->mEnabled.load(); }

void LLKCObjectWorks::wakeAll() noexcept {
  iPrivate->mLock->lock();
  iPrivate->mCondition->broadcast();
  iPrivate->mLock->unlock();
}
