#ifndef TXQ_AOK_AOKCACTIVESCHEDULERRECORD_P_H
#define TXQ_AOK_AOKCACTIVESCHEDULERRECORD_P_H
// Internal: the scheduler's record of one attached object: its names, its groups, its pending work
// and its place in the run queues.
//
// Lane 0 holds work delivered normally (iHQueue), lane 1 work delivered while the scheduler was
// suspended (iSQueue); each lane has its own run queue and its own "queued" flag.
// Invariant (under iMutex): a record with work in a lane is active (a worker runs it) or queued in
// that lane's run queue. Producers queue a record only when it is neither; the worker that ran it
// queues it again, when work is left, as it marks it inactive.
// Locks: iMutex (rank 48) guards the queues and the flag changes; it is never held while another
// lock is taken. The flags are atomic for the reads made without it. iIdents and iGroups are
// changed under the scheduler lock only.

#include <atomic>
#include <mutex>

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
  std::atomic<bool> iActive;
  std::atomic<bool> iQueued[2];  // per lane
  std::atomic<bool> iDetach;
  std::atomic<bool> iDrains;
  std::mutex iMutex;
  aok::detail::HustleQueue iQueues[2];  // iHQueue, iSQueue
  // Run-queue links, one per lane (owned by the run queue while queued).
  AOKCActiveSchedulerRecord* iNext[2];

  AOKCActiveSchedulerRecord* init() noexcept override;
  AOKCActiveSchedulerRecord* initWithObject_andIdentifier(AOKBActiveObject* object, LLKBObject* identifier) noexcept;

  bool detaching() const noexcept { return iDetach.load(std::memory_order_acquire); }

 protected:
  ~AOKCActiveSchedulerRecord() override;
};

#endif  // TXQ_AOK_AOKCACTIVESCHEDULERRECORD_P_H
