#include "AOKSchedulerInternals_p.h"


#include <txq/aok/AOKCActiveSchedulerWorker.h>

namespace aok::detail {

void RunQueue::append(AOKCActiveSchedulerRecord* record, uint8_t priority) noexcept {
  List& list = lists_[priority];
  record->iNext[lane_] = nullptr;
  record->iPrev[lane_] = list.tail;
  if (list.tail == nullptr) {
    list.head = record;
    bits_[priority >> 6] |= uint64_t{1} << (priority & 63);
  } else {
    list.tail->iNext[lane_] = record;
  }
  list.tail = record;
  record->iLinked[lane_] = true;
  record->iRunPriority[lane_].store(priority, std::memory_order_relaxed);
  ++count_;
}

void RunQueue::unlink(AOKCActiveSchedulerRecord* record) noexcept {
  const uint8_t priority = record->iRunPriority[lane_].load(std::memory_order_relaxed);
  List& list = lists_[priority];
  AOKCActiveSchedulerRecord* next = record->iNext[lane_];
  AOKCActiveSchedulerRecord* prev = record->iPrev[lane_];
  (prev != nullptr ? prev->iNext[lane_] : list.head) = next;
  (next != nullptr ? next->iPrev[lane_] : list.tail) = prev;
  if (list.head == nullptr) bits_[priority >> 6] &= ~(uint64_t{1} << (priority & 63));
  record->iNext[lane_] = record->iPrev[lane_] = nullptr;
  record->iLinked[lane_] = false;
  --count_;
}

void RunQueue::link(AOKCActiveSchedulerRecord* record, uint8_t priority) noexcept {
  record->retain();
  append(record, priority);
}

void RunQueue::raise(AOKCActiveSchedulerRecord* record, uint8_t priority) noexcept {
  if (!record->iLinked[lane_] || record->iRunPriority[lane_].load(std::memory_order_relaxed) >= priority) return;
  unlink(record);
  append(record, priority);
}

int RunQueue::highest(uint8_t low) const noexcept {
  for (int word = 3; word >= low >> 6; --word) {
    uint64_t bits = bits_[word];
    if (word == low >> 6) bits &= ~uint64_t{0} << (low & 63);
    if (bits != 0) return word * 64 + 63 - __builtin_clzll(bits);
  }
  return -1;
}

AOKCActiveSchedulerRecord* RunQueue::pop(uint8_t low, uint8_t* priority) noexcept {
  const int at = count_ != 0 ? highest(low) : -1;
  if (at < 0) return nullptr;
  AOKCActiveSchedulerRecord* record = lists_[at].head;
  unlink(record);
  if (priority != nullptr) *priority = static_cast<uint8_t>(at);
  return record;
}

}  // namespace aok::detail

using aok::detail::Delivery;

AOKCActiveScheduler::internals_t::~internals_t() {
  // The workers are gone by now; records still queued hold a reference each.
  for (aok::detail::RunQueue* queue : {&mRunQueue, &mSuspendedQueue})
    while (AOKCActiveSchedulerRecord* record = queue->pop(0, nullptr)) record->release();
  delete[] mWorkers;
  llk::release(mDefault);
  llk::release(mProperties);
  llk::release(mDone);
  llk::release(mCondition);
  llk::release(mLock);
  llk::release(mRecords);
  llk::release(mAliases);
  llk::release(mGroups);
  llk::release(mToken);
}

Delivery AOKCActiveScheduler::internals_t::offer(AOKCActiveSchedulerRecord* record, AOKCActiveSchedulerHustle* hustle,
                                                 uint8_t priority, int lane) noexcept {
  bool raise = false;
  {
    std::lock_guard<aok::detail::SpinLock> hold(record->iMutex);
    if (!record->iInbox[lane].push(hustle, priority, record->iStamp)) return Delivery::kRefused;
    ++record->iStamp;
    if (!record->iArrived[lane].load(std::memory_order_relaxed)) record->iArrived[lane].store(true, std::memory_order_release);
    if (record->iActive.load(std::memory_order_relaxed)) return Delivery::kTook;  // its worker requeues it
    if (record->iQueued[lane].load(std::memory_order_relaxed)) {
      // Waiting already: more urgent work moves it up the run queue.
      if (record->iRunPriority[lane].load(std::memory_order_relaxed) >= priority) return Delivery::kTook;
      raise = true;
    } else {
      record->iQueued[lane].store(true, std::memory_order_release);
    }
  }
  std::lock_guard<aok::detail::SpinLock> hold(mQueueMutex);
  if (raise) {
    runQueue(lane).raise(record, priority);
    return Delivery::kTook;
  }
  runQueue(lane).link(record, priority);
  return Delivery::kQueued;
}

void AOKCActiveScheduler::internals_t::wakeIdle(uint32_t n) noexcept {
  const uint32_t threads = mSetup.mThreads;
  if (n == 0 || threads == 0) return;
  // Start at a rotating slot so that wake-ups spread over the pool.
  const uint32_t first = mWakeCursor.fetch_add(1, std::memory_order_relaxed) % threads;
  if (!onWorkerThread()) {
    for (uint32_t k = 0; k < threads && n != 0; ++k) {
      aok::detail::WorkerSlot& slot = mWorkers[(first + k) % threads];
      bool spinning = true;
      if (slot.mSpinning.load(std::memory_order_relaxed) &&
          slot.mSpinning.compare_exchange_strong(spinning, false, std::memory_order_acq_rel))
        --n;
    }
  }
  for (uint32_t k = 0; k < threads && n != 0; ++k) {
    const uint32_t i = (first + k) % threads;
    aok::detail::WorkerSlot& slot = mWorkers[i];
    if (slot.mThreadUid == 0 || !slot.mIdle.load(std::memory_order_acquire)) continue;
    bool idle = true;
    if (!slot.mIdle.compare_exchange_strong(idle, false, std::memory_order_acq_rel)) continue;
    slot.mWorker->flash(10);
    --n;
  }
}

void AOKCActiveScheduler::internals_t::flashAll(uint32_t code) noexcept {
  for (uint32_t i = 0; i < mSetup.mThreads; ++i)
    if (mWorkers[i].mThreadUid != 0) mWorkers[i].mWorker->flash(code);
}

void AOKCActiveScheduler::internals_t::settleOne(AOKCActiveSchedulerHustle* hustle) noexcept {
  if (hustle->iPending.fetch_sub(1, std::memory_order_acq_rel) == 1) complete(hustle);
}

void AOKCActiveScheduler::internals_t::complete(AOKCActiveSchedulerHustle* hustle) noexcept {
  if (!hustle->iSynchronous) {
    hustle->iSignaled.store(true, std::memory_order_release);
    return;
  }
  llk::LockHold hold(mLock);
  if (!hustle->iSignaled.exchange(true, std::memory_order_acq_rel)) mDone->broadcast();
}

bool AOKCActiveScheduler::internals_t::await(AOKCActiveSchedulerHustle* hustle, bool always) noexcept {
  while (!hustle->complete()) {
    if (!always && !mRunning.load(std::memory_order_acquire)) return false;
    mDone->wait();
  }
  return true;
}

bool AOKCActiveScheduler::internals_t::onWorkerThread() const noexcept {
  return AOKCActiveSchedulerWorker::currentInternals() == this;
}
