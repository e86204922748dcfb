#include <txq/llk/threads/LLKBThread.h>

#include <sched.h>
#include <unistd.h>

#include <atomic>
#include <new>

#include <txq/llk/object/LLKCAutoreleasePool.h>
#include <txq/llk/object/LLKFLog.h>
#include <txq/llk/object/LLKLibrary_p.h>
#include <txq/llk/threads/LLKCCondition.h>
#include <txq/llk/threads/LLKCLock.h>
#include <txq/llk/values/LLKFMemory.h>

// The record is shared by the object and its running thread, so that a run that outlives the object
// (the object was released on its own thread) finishes on memory that is still there. Fields other
// than the shares, the owner's call data and the lock and condition themselves are guarded by mLock.
struct LLKBThread::private_t {
  std::atomic<uint32_t> mShares{1};  // the object's, and one while a run's entry holds it
  pthread_t mHandle{};
  LLKBThread* mOwner = nullptr;      // cleared when the object goes
  uint32_t mAffinity = 0;
  bool mExecuting = false;
  bool mStopRequested = false;
  bool mJoinable = false;            // a run was created and is neither joined nor detached
  LLKCLock* mLock = nullptr;         // retained
  LLKCCondition* mCondition = nullptr;  // retained; bound to mLock
  LLKBObject* mTarget = nullptr;     // retained; used by the default main
  LLKSEL mSelector = nullptr;
  LLKBObject* mObject = nullptr;     // retained

  ~private_t() {
    llk::release(mCondition);
    llk::release(mLock);
  }
};

namespace {

using private_t = LLKBThread::private_t;

void unshare(private_t* d) noexcept {
  if (d->mShares.fetch_sub(1, std::memory_order_acq_rel) == 1) delete d;
}

bool isSelf(const private_t* d) noexcept { return pthread_equal(d->mHandle, pthread_self()) != 0; }

// The mask's CPUs: bit k (repeating every 32) selects the k-th CPU of the process's current set.
bool affinitySet(uint32_t mask, cpu_set_t* set) noexcept {
  cpu_set_t allowed;
  CPU_ZERO(&allowed);
  if (sched_getaffinity(0, sizeof(allowed), &allowed) != 0) return false;
  CPU_ZERO(set);
  uint32_t k = 0;
  for (int cpu = 0; cpu < CPU_SETSIZE; ++cpu) {
    if (!CPU_ISSET(cpu, &allowed)) continue;
    if ((mask >> (k % 32)) & 1u) CPU_SET(cpu, set);
    ++k;
  }
  return CPU_COUNT(set) > 0;
}

}  // namespace

// ---- The run ----

void* LLKBThreadMain_(void* record) noexcept {
  auto* d = static_cast<private_t*>(record);
  LLKCAutoreleasePool* pool = LLKCAutoreleasePool::new_();
  d->mLock->lock();
  d->mExecuting = true;
  LLKBThread* owner = d->mOwner;
  d->mLock->unlock();
  if (owner != nullptr) owner->main();
  d->mLock->lock();
  d->mExecuting = false;
  d->mCondition->broadcast();
  d->mLock->unlock();
  llk::release(pool);  // may release the object itself: the record is still shared
  unshare(d);
  return nullptr;
}

int32_t LLKFThreadPriorityForLevel(uint32_t level, int32_t min, int32_t max) noexcept {
  static constexpr double kShare[] = {0.0, 0.1, 0.3, 0.5, 0.7, 0.9};
  if (level >= 6) return max;
  const float span = static_cast<float>(max - min + 1);
  return min + static_cast<int32_t>(static_cast<double>(span) * kShare[level]);
}

// ---- The object ----

LLK_DEFINE_CLASS(LLKBThread, LLK_PROTOCOLS(), init, initWithAffinity, start, startWithPriority, main, stop,
                 shouldStop, isExecuting, getUid, isCaller, isExecutingButNotTheCaller, lock, unlock, join,
                 joinWithTimeout, stopAndJoin, stopAndJoinWithTimeout)

LLKBThread* LLKBThread::init() noexcept {
  private_ = new (std::nothrow) private_t;
  if (private_ != nullptr) {
    private_->mOwner = this;
    private_->mLock = LLKCLock::new_();
    if (private_->mLock != nullptr) private_->mCondition = LLKCCondition::alloc()->initWithLock(private_->mLock);
  }
  if (private_ == nullptr || private_->mCondition == nullptr) {
    dealloc();
    return nullptr;
  }
  return this;
}

LLKBThread* LLKBThread::initWithAffinity(uint32_t mask) noexcept {
  if (init() == nullptr) return nullptr;
  private_->mAffinity = mask;
  return this;
}

LLKBThread* LLKBThread::initWithTarget_selector_object(LLKBObject* target, LLKSEL selector,
                                                       LLKBObject* object) noexcept {
  return initWithTarget_selector_object_andAffinity(target, selector, object, 0);
}

LLKBThread* LLKBThread::initWithTarget_selector_object_andAffinity(LLKBObject* target, LLKSEL selector,
                                                                   LLKBObject* object, uint32_t mask) noexcept {
  if (initWithAffinity(mask) == nullptr) return nullptr;
  private_->mTarget = llk::retain(target);
  private_->mSelector = selector;
  private_->mObject = llk::retain(object);
  return this;
}

void LLKBThread::dealloc() noexcept {
  private_t* d = private_;
  if (d != nullptr && d->mCondition != nullptr) {
    if (isExecutingButNotTheCaller()) stopAndJoin();  // the kinds wake their loop first
    d->mLock->lock();
    if (d->mJoinable && isSelf(d)) {
      pthread_detach(d->mHandle);  // released on its own thread: the run finishes on its own
      d->mJoinable = false;
    }
    const bool join = d->mJoinable;
    d->mJoinable = false;
    d->mOwner = nullptr;
    d->mLock->unlock();
    if (join) pthread_join(d->mHandle, nullptr);
  }
  Super::dealloc();
}

LLKBThread::~LLKBThread() {
  if (private_ == nullptr) return;
  llk::release(private_->mTarget);
  llk::release(private_->mObject);
  private_->mTarget = nullptr;
  private_->mObject = nullptr;
  unshare(private_);
}

// ---- Starting ----

namespace {

bool startRun(private_t* d, bool prioritised, uint32_t level) noexcept {
  d->mLock->lock();
  if (d->mExecuting) {
    d->mLock->unlock();
    return false;
  }
  if (d->mJoinable) {  // the previous run ended but was never joined
    d->mJoinable = false;
    const pthread_t previous = d->mHandle;
    d->mLock->unlock();
    pthread_join(previous, nullptr);
    d->mLock->lock();
    if (d->mExecuting || d->mJoinable) {  // another caller started it meanwhile
      d->mLock->unlock();
      return false;
    }
  }
  pthread_attr_t attributes;
  if (pthread_attr_init(&attributes) != 0) {
    d->mLock->unlock();
    return false;
  }
  const bool root = geteuid() == 0;
  if (root) {
    pthread_attr_setinheritsched(&attributes, PTHREAD_EXPLICIT_SCHED);
    pthread_attr_setschedpolicy(&attributes, SCHED_OTHER);
  }
  if (d->mAffinity != 0) {
    cpu_set_t set;
    const bool applied = affinitySet(d->mAffinity, &set) &&
                         pthread_attr_setaffinity_np(&attributes, sizeof(set), &set) == 0;
    if (!applied && !prioritised) LLKFLog("failed to set affinity");
  }
  d->mShares.fetch_add(1, std::memory_order_relaxed);  // the entry's share
  const bool created = pthread_create(&d->mHandle, &attributes, LLKBThreadMain_, d) == 0;
  pthread_attr_destroy(&attributes);
  if (!created) {
    d->mShares.fetch_sub(1, std::memory_order_relaxed);
    d->mLock->unlock();
    return false;
  }
  d->mExecuting = true;  // before the entry runs, so that a join right after start waits for it
  d->mJoinable = true;
  if (prioritised && root) {
    sched_param parameter{};
    parameter.sched_priority =
        LLKFThreadPriorityForLevel(level, gLLKLibrary.priorityMin, gLLKLibrary.priorityMax);
    pthread_setschedparam(d->mHandle, SCHED_OTHER, &parameter);
  }
  d->mLock->unlock();
  return true;
}

}  // namespace

bool LLKBThread::start() noexcept { return startRun(private_, false, 0); }

bool LLKBThread::startWithPriority(uint32_t level) noexcept { return startRun(private_, true, level); }

void LLKBThread::main() noexcept {
  private_t* d = private_;
  if (d->mTarget != nullptr) d->mTarget->performSelector_withObject(d->mSelector, d->mObject);
}

// ---- State ----

void LLKBThread::stop() noexcept {
  private_->mLock->lock();
  private_->mStopRequested = true;
  private_->mLock->unlock();
}

bool LLKBThread::shouldStop() noexcept {
  llk::LockHold hold(private_->mLock);
  return private_->mStopRequested;
}

bool LLKBThread::isExecuting() noexcept {
  llk::LockHold hold(private_->mLock);
  return private_->mExecuting;
}

uint64_t LLKBThread::getUid() noexcept {
  llk::LockHold hold(private_->mLock);
  return private_->mExecuting ? static_cast<uint64_t>(private_->mHandle) : 0;
}

bool LLKBThread::isCaller() noexcept {
  llk::LockHold hold(private_->mLock);
  return private_->mExecuting && isSelf(private_);
}

bool LLKBThread::isExecutingButNotTheCaller() noexcept {
  llk::LockHold hold(private_->mLock);
  return private_->mExecuting && !isSelf(private_);
}

void LLKBThread::lock() noexcept { private_->mLock->lock(); }

void LLKBThread::unlock() noexcept { private_->mLock->unlock(); }

LLKCLock* LLKBThread::threadLock() noexcept { return private_->mLock; }

LLKCCondition* LLKBThread::threadCondition() noexcept { return private_->mCondition; }

// ---- Joining ----

namespace {

// Waits (at most `milliseconds` when timed) for the run to end, setting stop requested first when
// asked, then joins it unless another joiner already has. NO when the run goes on (time-out, or the
// caller is the thread itself).
bool finishRun(private_t* d, bool stop, bool timed, uint32_t milliseconds) noexcept {
  d->mLock->lock();
  if (d->mExecuting) {
    if (isSelf(d)) {
      d->mLock->unlock();
      return false;
    }
    if (stop) d->mStopRequested = true;
    uint32_t left = milliseconds;
    while (d->mExecuting) {
      if (!timed) {
        d->mCondition->wait();
      } else if (!d->mCondition->waitWithTimeout_reminder(left, &left)) {
        break;
      }
    }
    if (d->mExecuting) {
      d->mLock->unlock();
      return false;
    }
  }
  const bool join = d->mJoinable && !isSelf(d);
  if (join) d->mJoinable = false;
  const pthread_t handle = d->mHandle;
  d->mLock->unlock();
  if (join) pthread_join(handle, nullptr);
  return true;
}

}  // namespace

void LLKBThread::join() noexcept { finishRun(private_, false, false, 0); }

bool LLKBThread::joinWithTimeout(uint32_t milliseconds) noexcept {
  return finishRun(private_, false, true, milliseconds);
}

void LLKBThread::stopAndJoin() noexcept { finishRun(private_, true, false, 0); }

bool LLKBThread::stopAndJoinWithTimeout(uint32_t milliseconds) noexcept {
  return finishRun(private_, true, true, milliseconds);
}
