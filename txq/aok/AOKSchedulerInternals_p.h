#ifndef TXQ_AOK_AOKSCHEDULERINTERNALS_P_H
#define TXQ_AOK_AOKSCHEDULERINTERNALS_P_H
// Internal: the state an active scheduler shares with its workers, and the steps both use to
// deliver work, wake workers and complete work items.
//
// Lock order: scheduler lock (mLock, rank 30) -> worker locks (flash, rank 45) ; the run-queue lock
// (mQueueMutex, rank 46) and a record's iMutex (rank 48) are leaves: held alone, briefly, with no
// other lock taken inside. Completion takes mLock with neither held.

#include <atomic>
#include <cstdint>
#include <mutex>

#include "AOKSpinLock_p.h"

#include <txq/aok/AOKCActiveScheduler.h>
#include <txq/llk/collections/LLKCObjectMap.h>
#include <txq/llk/threads/LLKCCondition.h>
#include <txq/llk/threads/LLKCLock.h>

#include "AOKCActiveSchedulerHustle_p.h"
#include "AOKCActiveSchedulerRecord_p.h"

class AOKCActiveSchedulerWorker;

namespace aok::detail {

enum Lane : int { kNormalLane = 0, kSuspendedLane = 1 };

// Records waiting for a worker: 256 first-in-first-out lists linked through the records themselves
// (a record is in one lane's queue at most once), so queueing never allocates and cannot fail.
class RunQueue {
 public:
  explicit RunQueue(Lane lane) noexcept : lane_(lane) {}
  RunQueue(const RunQueue&) = delete;
  RunQueue& operator=(const RunQueue&) = delete;

  uint64_t count() const noexcept { return count_; }
  // Retains the record.
  void link(AOKCActiveSchedulerRecord* record, uint8_t priority) noexcept;
  // Moves a queued record up to `priority` (behind the records already there); nothing when it is
  // not queued here or already at that priority or above.
  void raise(AOKCActiveSchedulerRecord* record, uint8_t priority) noexcept;
  // The oldest record of the highest priority in low..255 (the queue's reference goes to the caller).
  AOKCActiveSchedulerRecord* pop(uint8_t low, uint8_t* priority) noexcept;
  bool holdsAtOrAbove(uint8_t low) const noexcept { return highest(low) >= 0; }

 private:
  int highest(uint8_t low) const noexcept;
  void append(AOKCActiveSchedulerRecord* record, uint8_t priority) noexcept;
  void unlink(AOKCActiveSchedulerRecord* record) noexcept;

  struct List {
    AOKCActiveSchedulerRecord* head;
    AOKCActiveSchedulerRecord* tail;
  };
  List lists_[256] = {};
  uint64_t bits_[4] = {};
  uint64_t count_ = 0;
  Lane lane_;
};

struct WorkerSlot {
  AOKCActiveSchedulerWorker* mWorker = nullptr;  // owned
  uint64_t mThreadUid = 0;                       // 0: never started
  uint32_t mState = 0;                           // 0 stopped, 1 running, 2 suspended; under mLock
  std::atomic<bool> mIdle{false};                // waiting for a flash (a waker may claim it)
  std::atomic<bool> mSpinning{false};            // ran dry a moment ago; still looking for work
};

enum class Delivery { kRefused, kTook, kQueued };

}  // namespace aok::detail

struct AOKCActiveScheduler::internals_t {
  AOKCActiveScheduler* mOwner = nullptr;  // not retained
  AOKTActiveSchedulerSetup mSetup = {};
  aok::detail::WorkerSlot* mWorkers = nullptr;  // mSetup.mThreads slots
  AOKCActiveSchedulerRecord* mDefault = nullptr;
  LLKCDictionary* mProperties = nullptr;
  LLKCLock* mLock = nullptr;
  LLKCCondition* mCondition = nullptr;  // on mLock: worker states
  LLKCCondition* mDone = nullptr;       // on mLock: synchronous work completed
  aok::detail::SpinLock mQueueMutex;    // guards both run queues
  aok::detail::RunQueue mRunQueue{aok::detail::kNormalLane};
  aok::detail::RunQueue mSuspendedQueue{aok::detail::kSuspendedLane};
  LLKCObjectMap* mRecords = nullptr;  // identifier -> record
  LLKCObjectMap* mAliases = nullptr;  // alias -> record
  LLKCObjectMap* mGroups = nullptr;   // group key -> LLKCObjectDeque of records
  LLKBObject* mToken = nullptr;
  uint32_t mCounters[2] = {};
  std::atomic<bool> mRunning{false};
  std::atomic<bool> mSuspended{false};
  std::atomic<uint8_t> mFloor{0};
  std::atomic<uint32_t> mWakeCursor{0};

  ~internals_t();

  aok::detail::RunQueue& runQueue(int lane) noexcept { return lane == 0 ? mRunQueue : mSuspendedQueue; }

  // Pushes the hustle into the record's lane and, when the record is neither active nor queued
  // there, queues the record (kQueued: the caller wakes a worker).
  aok::detail::Delivery offer(AOKCActiveSchedulerRecord* record, AOKCActiveSchedulerHustle* hustle, uint8_t priority,
                              int lane) noexcept;
  // Wakes up to n idle workers (a worker running its loop is never idle). A caller
  // that is not one of the workers first hands work to workers still spinning (no system call); a
  // worker leaves them alone, since it takes the next record itself once its hook returns (work
  // passed between objects stays on one thread).
  void wakeIdle(uint32_t n) noexcept;
  // Flashes every started worker with `code`.
  void flashAll(uint32_t code) noexcept;
  // One delivery run or skipped.
  void settleOne(AOKCActiveSchedulerHustle* hustle) noexcept;
  // Marks the hustle complete (once) and wakes its synchronous caller.
  void complete(AOKCActiveSchedulerHustle* hustle) noexcept;
  // Caller holds mLock: waits until the hustle completes, or (unless `always`) until the scheduler
  // stops running. YES when it completed.
  bool await(AOKCActiveSchedulerHustle* hustle, bool always) noexcept;
  // YES on one of this scheduler's worker threads.
  bool onWorkerThread() const noexcept;
};

#endif  // TXQ_AOK_AOKSCHEDULERINTERNALS_P_H
