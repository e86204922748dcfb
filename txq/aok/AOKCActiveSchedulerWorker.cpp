#include <txq/aok/AOKCActiveSchedulerWorker.h>

#include <chrono>



#include <txq/llk/collections/LLKCObjectDeque.h>
#include <txq/llk/object/LLKCAutoreleasePool.h>
#include <txq/llk/object/LLKDefine.h>
#include <txq/llk/object/LLKLibrary_p.h>

#include "AOKSchedulerInternals_p.h"

using aok::detail::Delivery;
using aok::detail::kNormalLane;
using aok::detail::kSuspendedLane;
using Hustle = AOKCActiveSchedulerHustle;
using Record = AOKCActiveSchedulerRecord;

LLK_DEFINE_CLASS(AOKCActiveSchedulerWorker, LLK_PROTOCOLS(), initWithSetup_internals_andAffinity, onSuspended,
                 onRestarted, process, processWhenSuspended, execute_withHustle, dismiss)

namespace {

// A worker that has just run dry looks for work this long before it sleeps.
constexpr int kSpinMicroseconds = 20;

thread_local const AOKCActiveScheduler::internals_t* tInternals = nullptr;

void sinkPool() noexcept { llk::send(LLKCAutoreleasePool::localPool(), &LLKCAutoreleasePool::sink); }

}  // namespace

AOKCActiveSchedulerWorker* AOKCActiveSchedulerWorker::initWithSetup_internals_andAffinity(
    const AOKTActiveSchedulerSetup* setup, AOKCActiveScheduler::internals_t* internals, uint32_t affinity) noexcept {
  (void)setup;  // the scheduler's copy in `internals` is the one read
  if (initWithAffinity(affinity) == nullptr) return nullptr;
  iInternals = internals;
  return this;
}

// ---- States ----

void AOKCActiveSchedulerWorker::report(uint32_t state) noexcept {
  llk::LockHold hold(iInternals->mLock);
  iInternals->mWorkers[iIndex].mState = state;
  iInternals->mCondition->broadcast();
}

void AOKCActiveSchedulerWorker::onStarting() noexcept {
  AOKCActiveScheduler::internals_t* d = iInternals;
  LLKFThreadKeyStore(gLLKLibrary.currentActiveSchedulerKey, d->mOwner);
  tInternals = d;
  if (d->mSetup.mEnterCB != nullptr) d->mSetup.mEnterCB(d->mSetup.mContext);
  // Idle before the report: once the scheduler is answered, producers must find this worker
  // claimable, or their first record would wait for a flash that never comes.
  d->mWorkers[iIndex].mIdle.store(true, std::memory_order_release);
  report(1);
}

void AOKCActiveSchedulerWorker::onStopping() noexcept {
  AOKCActiveScheduler::internals_t* d = iInternals;
  d->mWorkers[iIndex].mIdle.store(false, std::memory_order_release);
  flush(kNormalLane);
  flush(kSuspendedLane);
  if (d->mSetup.mLeaveCB != nullptr) d->mSetup.mLeaveCB(d->mSetup.mContext);
  LLKFThreadKeyStore(gLLKLibrary.currentActiveSchedulerKey, nullptr);
  tInternals = nullptr;
  report(0);
}

void AOKCActiveSchedulerWorker::onSuspended() noexcept { report(2); }

void AOKCActiveSchedulerWorker::onRestarted() noexcept { report(1); }

void AOKCActiveSchedulerWorker::align() noexcept {
  const bool suspended = iInternals->mSuspended.load(std::memory_order_acquire);
  if (suspended && !iSuspended) {
    iSuspended = true;
    onSuspended();
  } else if (!suspended && iSuspended) {
    iSuspended = false;
    onRestarted();
  }
}

// ---- The loop ----

void AOKCActiveSchedulerWorker::onFlashed_at(uint32_t code, int64_t at) noexcept {
  (void)at;
  std::atomic<bool>& idle = iInternals->mWorkers[iIndex].mIdle;
  idle.store(false, std::memory_order_release);
  for (;;) {
    align();
    if (code == 10) runLoop(iSuspended);
    align();
    if (!shouldStop() && spinForWork()) {  // a producer handed us work while we looked
      code = 10;
      continue;
    }
    // Idle first, then look once more: a producer that queued a record after our last look either
    // sees us idle (and flashes us) or its record is seen here.
    idle.store(true, std::memory_order_seq_cst);
    if (shouldStop() || !workWaiting(iSuspended)) return;
    bool expected = true;
    if (!idle.compare_exchange_strong(expected, false, std::memory_order_acq_rel)) return;  // flashed meanwhile
    code = 10;
  }
}

const AOKCActiveScheduler::internals_t* AOKCActiveSchedulerWorker::currentInternals() noexcept { return tInternals; }

bool AOKCActiveSchedulerWorker::spinForWork() noexcept {
  // Still claimable for a few microseconds: a producer that queues a record meanwhile costs itself
  // no wake-up call and this worker no sleep.
  std::atomic<bool>& spinning = iInternals->mWorkers[iIndex].mSpinning;
  spinning.store(true, std::memory_order_seq_cst);
  const auto until = std::chrono::steady_clock::now() + std::chrono::microseconds(kSpinMicroseconds);
  for (uint32_t round = 1;; ++round) {
    if (!spinning.load(std::memory_order_acquire)) return true;
#if defined(__x86_64__) || defined(__i386__)
    __builtin_ia32_pause();
#endif
    if ((round & 63) == 0 && std::chrono::steady_clock::now() > until) break;
  }
  return !spinning.exchange(false, std::memory_order_acq_rel);
}

bool AOKCActiveSchedulerWorker::workWaiting(bool suspendedMode) noexcept {
  AOKCActiveScheduler::internals_t* d = iInternals;
  std::lock_guard<aok::detail::SpinLock> hold(d->mQueueMutex);
  if (d->mSuspendedQueue.count() != 0) return true;
  return !suspendedMode && d->mRunQueue.holdsAtOrAbove(d->mFloor.load(std::memory_order_acquire));
}

void AOKCActiveSchedulerWorker::runLoop(bool suspendedMode) noexcept {
  AOKCActiveScheduler::internals_t* d = iInternals;
  while (!shouldStop() && (suspendedMode || !d->mSuspended.load(std::memory_order_acquire))) {
    Record* record = nullptr;
    int lane = kSuspendedLane;
    {
      // Work kept from a suspension goes first; it ignores the floor.
      std::lock_guard<aok::detail::SpinLock> hold(d->mQueueMutex);
      record = d->mSuspendedQueue.pop(0, nullptr);
      if (record == nullptr && !suspendedMode) {
        record = d->mRunQueue.pop(d->mFloor.load(std::memory_order_acquire), nullptr);
        lane = kNormalLane;
      }
    }
    if (record == nullptr) return;
    bool run = false;
    {
      std::lock_guard<aok::detail::SpinLock> hold(record->iMutex);
      record->iQueued[lane].store(false, std::memory_order_relaxed);
      if (!record->iActive.load(std::memory_order_relaxed)) {
        record->iActive.store(true, std::memory_order_relaxed);
        run = true;
      }
    }
    // A record already active elsewhere is queued again by the worker running it when work is left.
    if (run) {
      if (suspendedMode) {
        processWhenSuspended(record);
      } else {
        process(record);
      }
      finish(record);
    }
    record->release();  // the run queue's reference
    sinkPool();
  }
}

void AOKCActiveSchedulerWorker::finish(Record* record) noexcept {
  AOKCActiveScheduler::internals_t* d = iInternals;
  bool link[2] = {false, false};
  uint8_t priority[2] = {0, 0};
  {
    std::lock_guard<aok::detail::SpinLock> hold(record->iMutex);
    record->iActive.store(false, std::memory_order_release);
    for (int lane : {kNormalLane, kSuspendedLane}) {
      if (!record->holdsWork(lane) || record->iQueued[lane].load(std::memory_order_relaxed)) continue;
      record->iQueued[lane].store(true, std::memory_order_relaxed);
      priority[lane] = record->topPriority(lane);
      link[lane] = true;
    }
  }
  if (!link[0] && !link[1]) return;
  {
    std::lock_guard<aok::detail::SpinLock> hold(d->mQueueMutex);
    for (int lane : {kNormalLane, kSuspendedLane})
      if (link[lane]) d->runQueue(lane).link(record, priority[lane]);
  }
  d->wakeIdle(1);
}

bool AOKCActiveSchedulerWorker::process(Record* record) noexcept {
  runLane(record, kSuspendedLane, false);  // broadcasts a suspension left behind
  if (iInternals->mSuspended.load(std::memory_order_acquire)) {
    std::lock_guard<aok::detail::SpinLock> hold(record->iMutex);
    return record->holdsWork(kNormalLane);
  }
  return runLane(record, kNormalLane, true);
}

bool AOKCActiveSchedulerWorker::processWhenSuspended(Record* record) noexcept {
  return runLane(record, kSuspendedLane, false);
}

void AOKCActiveSchedulerWorker::collect(Record* record, int lane) noexcept {
  aok::detail::HustleInbox& left = record->iLeft[lane];
  if (!left.empty()) left.moveInto(record->iQueues[lane]);
  if (!left.empty() || !record->iArrived[lane].load(std::memory_order_acquire)) return;
  {
    std::lock_guard<aok::detail::SpinLock> hold(record->iMutex);
    left.swap(record->iInbox[lane]);
    record->iArrived[lane].store(false, std::memory_order_relaxed);
  }
  left.moveInto(record->iQueues[lane]);
}

Hustle* AOKCActiveSchedulerWorker::next(Record* record, int lane, uint8_t low, uint8_t* priority) noexcept {
  // Arrivals join the queue when it runs dry and every few items: work of a higher priority waits
  // behind at most that many items, and a steady producer and this worker rarely meet on the inbox.
  if ((++iTurn & 7) == 0) collect(record, lane);
  auto* hustle = static_cast<Hustle*>(record->iQueues[lane].pop(low, priority, &iStampNow));
  if (hustle != nullptr) return hustle;
  collect(record, lane);
  return static_cast<Hustle*>(record->iQueues[lane].pop(low, priority, &iStampNow));
}

bool AOKCActiveSchedulerWorker::runLane(Record* record, int lane, bool bounded) noexcept {
  AOKCActiveScheduler::internals_t* d = iInternals;
  const uint32_t spins = d->mSetup.mAOSpins;
  uint32_t done = 0;
  collect(record, lane);
  for (;;) {
    uint8_t priority = 0;
    Hustle* hustle = next(record, lane, bounded ? d->mFloor.load(std::memory_order_acquire) : 0, &priority);
    if (hustle == nullptr) break;
    ++done;
    const bool taken = execute_withHustle(record, hustle);
    settle(record, hustle, taken, priority, lane);
    hustle->release();  // the record queue's reference
    sinkPool();
    if ((done & 15) == 0 && shouldStop()) break;
    if (!bounded) continue;
    if (d->mSuspended.load(std::memory_order_acquire)) break;
    if (done >= spins) {
      // Fairness: keep this record only while more workers idle than records wait.
      uint64_t waiting;
      {
        std::lock_guard<aok::detail::SpinLock> hold(d->mQueueMutex);
        waiting = d->mRunQueue.count() + d->mSuspendedQueue.count();
      }
      uint64_t idle = 0;
      for (uint32_t i = 0; i < d->mSetup.mThreads; ++i)
        idle += d->mWorkers[i].mIdle.load(std::memory_order_relaxed) ? 1 : 0;
      if (idle <= waiting) break;
    }
  }
  std::lock_guard<aok::detail::SpinLock> hold(record->iMutex);
  return record->holdsWork(lane);
}

// ---- One work item ----

bool AOKCActiveSchedulerWorker::execute_withHustle(Record* record, Hustle* hustle) noexcept {
  AOKCActiveScheduler::internals_t* d = iInternals;
  AOKCActiveScheduler* scheduler = d->mOwner;
  AOKBActiveObject* object = record->iObject;
  LLKBObject* identifier = record->iMident;
  switch (hustle->iType) {
    case Hustle::kAttach:
      llk::send(object, &AOKBActiveObject::whenAttachedTo_as_withAncillary, scheduler, identifier,
                hustle->iAncillary);
      return false;
    case Hustle::kDetach:
      llk::send(object, &AOKBActiveObject::whenDetachedOf_as_withAncillary, scheduler, identifier,
                hustle->iAncillary);
      dismiss(record);
      removeNames(record);
      return false;
    case Hustle::kWork:
    case Hustle::kGroupWork: {
      if (record->detaching() || iStampNow < record->iDrainMark.load(std::memory_order_acquire)) return false;
      const bool group = hustle->iType == Hustle::kGroupWork;
      if (hustle->iFunction != nullptr) {
        const bool passOn = hustle->iFunction(scheduler, object, identifier, hustle->iCode, hustle->iArgument,
                                              hustle->iAncillary, group ? hustle->iMident : nullptr);
        if (!group) return false;
        return record == d->mDefault ? true : !passOn;
      }
      if (object == nullptr) return false;
      if (hustle->iSelector != nullptr) {
        if (hustle->iArgument != nullptr) {
          object->performSelector_withObject(hustle->iSelector, hustle->iArgument);
        } else {
          object->performSelector(hustle->iSelector);
        }
      } else if (group && hustle->iMident != nullptr) {
        object->whenScheduledBy_as_withCode_argument_andAncillary_in(scheduler, identifier, hustle->iCode,
                                                                     hustle->iArgument, hustle->iAncillary,
                                                                     hustle->iMident);
      } else {
        object->whenScheduledBy_as_withCode_argument_andAncillary(scheduler, identifier, hustle->iCode,
                                                                  hustle->iArgument, hustle->iAncillary);
      }
      return false;
    }
    case Hustle::kDrain:
      // Skips the user work delivered before this drain, and only that.
      record->iDrainMark.store(iStampNow, std::memory_order_release);
      return false;
    default:
      return false;
  }
}

void AOKCActiveSchedulerWorker::runOnDefault(Hustle* hustle) noexcept {
  iStampNow = 0;
  if (hustle->iType == Hustle::kGroupWork && hustle->iFunction != nullptr)
    execute_withHustle(iInternals->mDefault, hustle);
}

void AOKCActiveSchedulerWorker::settle(Record* record, Hustle* hustle, bool taken, uint8_t priority,
                                       int lane) noexcept {
  (void)record;
  AOKCActiveScheduler::internals_t* d = iInternals;
  if (!hustle->iSequential) {
    d->settleOne(hustle);
    return;
  }
  // Sequential: this worker is the hustle's only holder. Taken: the chain stops here. Else on to
  // the next member that takes the delivery; past the last, the default record's call.
  while (!taken) {
    const uint32_t next = ++hustle->iTOffset;
    if (next >= hustle->iTLength) {
      runOnDefault(hustle);
      break;
    }
    Record* target = hustle->iTargets[next];
    const Delivery delivery = target->detaching() ? Delivery::kRefused : d->offer(target, hustle, priority, lane);
    if (delivery == Delivery::kRefused) continue;  // passed over, as if it had passed the work on
    if (delivery == Delivery::kQueued) d->wakeIdle(1);
    return;
  }
  if (hustle->iPending.fetch_sub(1, std::memory_order_acq_rel) == 1) d->complete(hustle);
}

// ---- Detach and close ----

void AOKCActiveSchedulerWorker::dismiss(Record* record) noexcept {
  for (int lane : {kNormalLane, kSuspendedLane}) {
    for (;;) {
      uint8_t priority = 0;
      Hustle* hustle = next(record, lane, 0, &priority);
      if (hustle == nullptr) break;
      settle(record, hustle, false, priority, lane);
      hustle->release();
    }
  }
}

void AOKCActiveSchedulerWorker::removeNames(Record* record) noexcept {
  AOKCActiveScheduler::internals_t* d = iInternals;
  llk::LockHold hold(d->mLock);
  LLKCKeyring* groups = record->iGroups;
  for (uint64_t i = 0, n = llk::send(groups, &LLKCKeyring::count); i < n; ++i) {
    LLKBObject* key = groups->fetchAtIndex(i);
    auto* members = static_cast<LLKCObjectDeque*>(d->mGroups->fetchForKey(key));
    if (members == nullptr) continue;
    members->remove(record);
    if (members->count() == 0) d->mGroups->removeForKey(key);
  }
  llk::send(groups, &LLKCKeyring::clear);
  LLKCKeyring* aliases = record->iIdents;
  for (uint64_t i = 0, n = llk::send(aliases, &LLKCKeyring::count); i < n; ++i) {
    LLKBObject* alias = aliases->fetchAtIndex(i);
    if (d->mAliases->fetchForKey(alias) == record) d->mAliases->removeForKey(alias);
  }
  record->iIdents = nullptr;
  llk::release(aliases);
}

void AOKCActiveSchedulerWorker::flush(int lane) noexcept {
  AOKCActiveScheduler::internals_t* d = iInternals;
  for (;;) {
    Record* record;
    {
      std::lock_guard<aok::detail::SpinLock> hold(d->mQueueMutex);
      record = d->runQueue(lane).pop(0, nullptr);
    }
    if (record == nullptr) return;
    {
      std::lock_guard<aok::detail::SpinLock> hold(record->iMutex);
      record->iQueued[lane].store(false, std::memory_order_relaxed);
      if (record->iActive.load(std::memory_order_relaxed)) {  // another worker still runs it
        record->release();
        continue;
      }
      record->iActive.store(true, std::memory_order_relaxed);
    }
    for (;;) {
      uint8_t priority = 0;
      Hustle* hustle = next(record, lane, 0, &priority);
      if (hustle == nullptr) break;
      d->complete(hustle);
      hustle->release();
    }
    finish(record);  // anything that arrived meanwhile goes back to a run queue, to the next flush
    record->release();
  }
}
