#include <txq/llk/loops/LLKBWorker.h>

#include <atomic>
#include <cstring>
#include <utility>

#include <txq/llk/collections/LLKCNuggetDeque.h>
#include <txq/llk/object/LLKCAutoreleasePool.h>
#include <txq/llk/threads/LLKCCondition.h>
#include <txq/llk/threads/LLKCLock.h>
#include <txq/llk/values/LLKFTime.h>

#include "LLKWakeChannel_p.h"

namespace {

// A queued wake-up: the kind (10 nudge, 11 flash, 12 cable), then the flash value in word 1, or the
// cable's code in words 1..3.
struct item_t {
  uint32_t mWords[4];
};
static_assert(sizeof(item_t) == 16);

}  // namespace

struct LLKBWorker::private_t {
  LLKBWorker* mOwner = nullptr;  // not retained
  LLKCLock* mLock = nullptr;     // owned
  LLKCCondition* mCondition = nullptr;  // owned, on mLock
  LLKCNuggetDeque* mQueue = nullptr;    // owned; 16-byte items; guarded by mLock
  LLKCNuggetDeque* mBatch = nullptr;    // owned; the items being dispatched; loop thread only
  std::atomic<bool> mOpen{true};        // written under mLock
  std::atomic<uint32_t> mTimeout{0};
  uint8_t mHooks = 0;

  ~private_t() {
    llk::release(mQueue);
    llk::release(mBatch);
    llk::release(mCondition);
    llk::release(mLock);
  }

  // Appends the item and wakes the loop, under the lock, while open.
  bool post(const item_t& item) noexcept {
    llk::LockHold hold(mLock);
    if (!mOpen.load(std::memory_order_relaxed) || mQueue->append_andResizeIfNeeded(&item, 1) != 0) return false;
    mCondition->signal();
    return true;
  }

  // Takes every queued item out under the lock, in order, into mBatch (which was empty): the queue
  // and the batch trade places, so no item is copied and none is removed from the front one by one.
  void takeBatch() noexcept {
    llk::LockHold hold(mLock);
    std::swap(mQueue, mBatch);
  }
};

namespace {

using private_t = LLKBWorker::private_t;
using namespace llk::detail;

int64_t sinceStart(uint64_t start) noexcept { return static_cast<int64_t>(LLKFNowInMS() - start); }

void dispatch(LLKBWorker* worker, uint8_t hooks, const item_t& item, int64_t at) noexcept {
  switch (item.mWords[0]) {
    case kWakeNudge:
      if (hooks & kHookNudged) worker->onNudgedAt(at);
      break;
    case kWakeFlash:
      if (hooks & kHookFlashed) worker->onFlashed_at(item.mWords[1], at);
      break;
    case kWakeCable:
      if (hooks & kHookCabled) worker->onCabled_at(LLKTCode{item.mWords[1], item.mWords[2], item.mWords[3]}, at);
      break;
    default:
      break;
  }
}

}  // namespace

LLK_DEFINE_CLASS(LLKBWorker, LLK_PROTOCOLS(), init, nudge, flash, cable, setTimeout, getTimeout, stop, stopAndJoin,
                 stopAndJoinWithTimeout, main)

LLKBWorker* LLKBWorker::init() noexcept {
  if (Super::init() == nullptr) return nullptr;
  private_t* d = iPrivate = new (std::nothrow) private_t;
  if (d != nullptr) {
    d->mOwner = this;
    d->mLock = LLKCLock::new_();
    if (d->mLock != nullptr) d->mCondition = LLKCCondition::alloc()->initWithLock(d->mLock);
    d->mQueue = LLKCNuggetDeque::alloc()->initWithLength_andCapacity(sizeof(item_t), 8);
    d->mBatch = LLKCNuggetDeque::alloc()->initWithLength_andCapacity(sizeof(item_t), 8);
  }
  if (d == nullptr || d->mCondition == nullptr || d->mQueue == nullptr || d->mBatch == nullptr) {
    dealloc();
    return nullptr;
  }
  return this;
}

LLKBWorker::~LLKBWorker() { delete iPrivate; }

bool LLKBWorker::nudge() noexcept { return iPrivate->post(item_t{{kWakeNudge, 0, 0, 0}}); }

bool LLKBWorker::flash(uint32_t value) noexcept { return iPrivate->post(item_t{{kWakeFlash, value, 0, 0}}); }

bool LLKBWorker::cable(LLKTCode code) noexcept {
  return iPrivate->post(item_t{{kWakeCable, code.mUid, code.mTag, code.mCtx}});
}

void LLKBWorker::setTimeout(uint32_t milliseconds) noexcept { iPrivate->mTimeout = milliseconds; }

uint32_t LLKBWorker::getTimeout() noexcept { return iPrivate->mTimeout; }

void LLKBWorker::stop() noexcept {
  Super::stop();
  if (!nudge()) {  // closed or out of memory: wake the loop all the same
    llk::LockHold hold(iPrivate->mLock);
    iPrivate->mCondition->broadcast();
  }
}

void LLKBWorker::stopAndJoin() noexcept {
  stop();
  Super::stopAndJoin();
}

bool LLKBWorker::stopAndJoinWithTimeout(uint32_t milliseconds) noexcept {
  stop();
  return Super::stopAndJoinWithTimeout(milliseconds);
}

void LLKBWorker::main() noexcept {
  private_t* d = iPrivate;
  const uint64_t start = LLKFNowInMS();
  d->mHooks = channelHooks(this) & static_cast<uint8_t>(~kHookTicked);
  if (respondsToSelector(LLK_SEL("onStarting"))) onStarting();
  uint64_t next = 0;  // the first item of the batch not dispatched yet
  while (!shouldStop()) {
    bool timedOut = false;
    {
      llk::LockHold hold(d->mLock);
      if (d->mQueue->count() == 0) {
        const uint32_t timeout = d->mTimeout;
        if (timeout != 0) {
          timedOut = !d->mCondition->waitWithTimeout(timeout) && d->mQueue->count() == 0;
        } else {
          d->mCondition->wait();
        }
      }
    }
    if (timedOut) {
      if (d->mHooks & kHookTimedOut) onTimedOutAt(sinceStart(start));
    } else {
      const int64_t at = sinceStart(start);
      d->takeBatch();
      const uint64_t count = d->mBatch->count();
      bool stopping = false;
      for (next = 0; next < count && !stopping;) {
        dispatch(this, d->mHooks, *static_cast<const item_t*>(d->mBatch->fetchAtIndex(next++)), at);
        stopping = shouldStop();
      }
      if (next < count) break;  // stopping: the rest of the batch is left over
      d->mBatch->clear();
    }
    llk::send(LLKCAutoreleasePool::localPool(), &LLKCAutoreleasePool::sink);
  }
  {
    llk::LockHold hold(d->mLock);
    d->mOpen.store(false, std::memory_order_relaxed);
  }
  // Left over, in order: the rest of the batch, then what is still queued; cables arrive with -1.
  for (LLKCNuggetDeque* queue : {d->mBatch, d->mQueue}) {
    for (uint64_t i = queue == d->mBatch ? next : 0; i < queue->count(); ++i) {
      const auto* item = static_cast<const item_t*>(queue->fetchAtIndex(i));
      if (item->mWords[0] == kWakeCable) dispatch(this, d->mHooks & kHookCabled, *item, -1);
    }
    queue->clear();
  }
  if (respondsToSelector(LLK_SEL("onStopping"))) onStopping();
}
