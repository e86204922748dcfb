#ifndef TXQ_AOK_AOKCACTIVESCHEDULERRECORD_P_H
#define TXQ_AOK_AOKCACTIVESCHEDULERRECORD_P_H
// Internal: the scheduler's record of one attached object: its names, its groups, its pending work
// and its place in the run queues.
//
// Lane 0 holds work delivered normally, lane 1 work delivered while the scheduler was suspended;
// each lane has its own run queue and its own "queued" flag. Work arrives in the lane's inbox
// (under iMutex); the worker running the record moves it into the lane's priority queue, which
// only that worker touches.
// Invariant (under iMutex): a record with work in a lane is active (a worker runs it) or queued in
// that lane's run queue. Producers queue a record only when it is neither; the worker that ran it
// queues it again, when work is left, as it marks it inactive.
// Locks: iMutex (rank 48) guards the inboxes and the flag changes; it is never held while another
// lock is taken. The flags are atomic for the reads made without it. iIdents and iGroups are
// changed under the scheduler lock only.

#include <algorithm>
#include <atomic>
#include <mutex>

#include "AOKSpinLock_p.h"

#include <txq/aok/AOKBActiveObject.h>
#include <txq/llk/collections/LLKCKeyring.h>

#include "AOKHustleQueue_p.h"

class AOKCActiveSchedulerRecord : public LLKBObject {
  LLK_OBJECT(AOKCActiveSchedulerRecord, LLKBObject)

 public:
  AOKBActiveObject* iObject;  // retained; nil for the default record
  LLKBObject* iMident;        // retained; nil for the default record
  LLKCKeyring* iIdents;       // owned; the aliases, while there are any
  LLKCKeyring* iGroups;       // owned; the group keys it is a member of
  std::atomic<bool> iDetach;
  std::atomic<uint64_t> iDrainMark;  // user work stamped below it was queued before a drain: skipped
  // What producers touch, under iMutex (a cache line apart from the running worker's side below).
  alignas(64) aok::detail::SpinLock iMutex;
  std::atomic<bool> iActive;
  std::atomic<bool> iQueued[2];  // per lane
  uint64_t iStamp;               // deliveries so far; stamps queue entries
  aok::detail::HustleInbox iInbox[2];   // arrivals, under iMutex
  std::atomic<bool> iArrived[2];        // the inbox holds work (a hint read without the lock)
  // The running worker's side.
  alignas(64) aok::detail::HustleInbox iLeft[2];  // arrivals the queue could not take yet (no memory)
  aok::detail::HustleQueue iQueues[2];  // by priority: iHQueue, iSQueue; worker only
  // Run-queue links and priority, one per lane (the run queue's, under its lock; the priority is
  // also read without it, as a hint).
  AOKCActiveSchedulerRecord* iNext[2];
  AOKCActiveSchedulerRecord* iPrev[2];
  std::atomic<uint8_t> iRunPriority[2];
  bool iLinked[2];

  AOKCActiveSchedulerRecord* init() noexcept override;
  AOKCActiveSchedulerRecord* initWithObject_andIdentifier(AOKBActiveObject* object, LLKBObject* identifier) noexcept;

  bool detaching() const noexcept { return iDetach.load(std::memory_order_acquire); }
  // Under iMutex, or by the worker running the record.
  bool holdsWork(int lane) const noexcept {
    return !iInbox[lane].empty() || !iLeft[lane].empty() || !iQueues[lane].empty();
  }
  uint8_t topPriority(int lane) const noexcept {
    const uint8_t queued = iQueues[lane].empty() ? 0 : iQueues[lane].topPriority();
    const uint8_t arrived = std::max(iInbox[lane].topPriority(), iLeft[lane].topPriority());
    return std::max(queued, arrived);
  }

 protected:
  ~AOKCActiveSchedulerRecord() override;
};

#endif  // TXQ_AOK_AOKCACTIVESCHEDULERRECORD_P_H
