#ifndef TXQ_AOK_AOKCACTIVESCHEDULER_H
#define TXQ_AOK_AOKCACTIVESCHEDULER_H
// AOKCActiveScheduler: runs active objects (AOKBActiveObject) on a fixed pool of worker threads.
// Objects are attached under identifiers, may get aliases and join named groups; work is then
// scheduled for one object, for every object, for the members of a group (all of them, or one
// after another until one takes it), or for one member picked in turn. Each call makes one work
// item (a hustle) queued by priority in each target's record; records with work wait in a run
// queue, and a worker that takes a record runs its hustles one at a time. So the hooks of one object
// never run on two threads at once, while different objects run in parallel.
//
//   AOKTActiveSchedulerSetup setup{2, 0, 16, nullptr, nullptr, nullptr};   // 2 workers
//   AOKCActiveScheduler* s = AOKCActiveScheduler::schedulerWithSetup(&setup);
//   s->attach_as_withAncillary(counter, "counter"_llk, nullptr);            // synchronous
//   s->schedule_withCode_argument_andAncillary_async(key, LLKTCode{1, 0, 0}, nullptr, nullptr, true);
//
// Keys: scheduling, membership, drain and locate resolve a key as an alias first, then as an
//   identifier; attach, detach and alias take identifiers only.
// Priorities: user work 0..127 (larger values act as 127), served highest first, oldest first within
//   one priority; attach (255), detach (254) and drain (253) overtake user work of their record.
//   restrictSchedulingPriority sets the lowest priority workers take.
// Synchronous calls return once every target has run (or skipped) the work; asynchronous ones at
//   once. A synchronous call from a worker of the same scheduler blocks that worker meanwhile: with
//   every worker blocked so, the work never runs.
// Shutdown: the last release detaches every object (synchronously), then stops the workers; work
//   still queued then is completed without running and its waiters are woken.
// Ownership: schedulerWithSetup autoreleased, initWithSetup +1. Records retain their objects from
//   attach until the detach has run. Getters answer autoreleased objects unless stated.
// Threads:   every operation from any thread. Hooks and work functions run on the workers.
// Locks:     the scheduler lock (rank 30) is held by every operation for its whole run (a synchronous
//   call gives it up while it waits); below it the run-queue lock (rank 46) and a record's lock
//   (rank 48) are taken one at a time, never one inside the other and never with the scheduler lock
//   taken inside them. Workers take the scheduler lock only to report, to wake a synchronous caller
//   and to remove a detached object from its groups and aliases; never while running an object.
// Failure:   every operation answers NO (or nil) and leaves the scheduler as it was: not running,
//   unknown key or group, identifier already attached, record detaching, no memory.

#include <cstdint>

#include <txq/aok/AOKBActiveObject.h>
#include <txq/llk/collections/LLKBObjectContainer.h>
#include <txq/llk/collections/LLKCDictionary.h>
#include <txq/llk/collections/LLKCObjectDeque.h>
#include <txq/llk/object/LLKBObject.h>
#include <txq/llk/values/LLKCCode.h>

class AOKCActiveScheduler;

// The setup, copied by the scheduler. mCPUMask bit k pins workers to the k-th CPU this process may
// run on (round-robin over the bits set); 0 leaves them unpinned. mAOSpins: hustles a worker runs for
// one record before it looks whether other records wait. The callbacks run on each worker thread
// when it starts and when it stops, with mContext.
struct AOKTActiveSchedulerSetup {
  uint32_t mThreads;
  uint32_t mCPUMask;
  uint32_t mAOSpins;
  void (*mEnterCB)(void* context);
  void (*mLeaveCB)(void* context);
  void* mContext;
};

// Filled by stats: the number of attached records, then two counters kept for old callers (0).
struct AOKTActiveSchedulerStats {
  uint32_t mRecords;
  uint32_t mCounters[2];
};

// A work function: scheduler, object and identifier (both nil on the default record), code,
// argument, ancillary, group key (nil unless group work). For group work delivered one member after
// another, YES passes the work on to the next member and NO takes it (the chain stops).
using AOKTActiveFunction = bool (*)(AOKCActiveScheduler* scheduler, AOKBActiveObject* object, LLKBObject* identifier,
                                    LLKTCode code, LLKBObject* argument, LLKCDictionary* ancillary,
                                    LLKBObject* group);

class LLK_EXPORT AOKCActiveScheduler : public LLKBObject {
  LLK_OBJECT(AOKCActiveScheduler, LLKBObject)

 public:
  struct internals_t;  // AOKSchedulerInternals_p.h
  internals_t* iInternals;

  // ---- Life cycle ----
  // Starts the workers and returns once each reports running; nil when any part cannot be made,
  // with 0 threads, or when no worker could start.
  static AOKCActiveScheduler* schedulerWithSetup(const AOKTActiveSchedulerSetup* setup) noexcept;
  AOKCActiveScheduler* initWithSetup(const AOKTActiveSchedulerSetup* setup) noexcept;
  // The scheduler whose worker is the calling thread; nil on any other thread.
  static AOKCActiveScheduler* current() noexcept;
  // An object standing for this scheduler in keyed containers (identity keys) without retaining it.
  LLKBObject* token() noexcept;
  void dealloc() noexcept override;

  // ---- Objects and names ----
  bool attach_as_withAncillary_async(AOKBActiveObject* object, LLKBObject* identifier, LLKCDictionary* ancillary,
                                     bool async) noexcept;
  bool attach_as_withAncillary(AOKBActiveObject* object, LLKBObject* identifier, LLKCDictionary* ancillary) noexcept;
  // Pairs objects[i] with identifiers[i] (any containers, in their order); identifiers already
  // attached are skipped. YES when at least one pair was attached.
  bool attachAll_as_withAncillary_async(LLKBObjectContainer* objects, LLKBObjectContainer* identifiers,
                                        LLKCDictionary* ancillary, bool async) noexcept;
  bool detach_withAncillary_async(LLKBObject* identifier, LLKCDictionary* ancillary, bool async) noexcept;
  bool detach_withAncillary(LLKBObject* identifier, LLKCDictionary* ancillary) noexcept;
  bool detachAll_withAncillary_async(LLKBObjectContainer* identifiers, LLKCDictionary* ancillary, bool async) noexcept;
  void detachAllWithAncillary(LLKCDictionary* ancillary) noexcept;
  void detachAll() noexcept;
  bool alias_to(LLKBObject* alias, LLKBObject* identifier) noexcept;
  bool unalias(LLKBObject* alias) noexcept;
  LLKBObject* dealias(LLKBObject* alias) noexcept;
  bool knows(LLKBObject* key) noexcept;
  AOKBActiveObject* locate(LLKBObject* key) noexcept;
  bool join_into(LLKBObject* key, LLKBObject* group) noexcept;
  bool joinAll_into(LLKBObjectContainer* keys, LLKBObject* group) noexcept;
  bool drop_from(LLKBObject* key, LLKBObject* group) noexcept;
  bool dropAll_from(LLKBObjectContainer* keys, LLKBObject* group) noexcept;
  // The record's queued user work is skipped (waiters woken) until its queue has run empty.
  bool drain(LLKBObject* key) noexcept;
  LLKCObjectDeque* allIdentifiers() noexcept;
  LLKCObjectDeque* allAliases() noexcept;
  LLKCObjectDeque* allGroups() noexcept;
  LLKCObjectDeque* allObjects() noexcept;
  // Free-form properties for the scheduler's users (borrowed; not locked by the scheduler).
  LLKCDictionary* properties() noexcept;
  void stats(AOKTActiveSchedulerStats* stats) noexcept;
  void restrictSchedulingPriority(uint8_t floor) noexcept;

  // ---- Work for one object (key: alias or identifier) ----
  bool schedule_withCode_argument_andAncillary_async_priority(LLKBObject* key, LLKTCode code, LLKBObject* argument,
                                                              LLKCDictionary* ancillary, bool async,
                                                              uint8_t priority) noexcept;
  bool schedule_withCode_argument_andAncillary_async(LLKBObject* key, LLKTCode code, LLKBObject* argument,
                                                     LLKCDictionary* ancillary, bool async) noexcept;
  bool schedule_withSelector_argument_async_priority(LLKBObject* key, LLKSEL selector, LLKBObject* argument, bool async,
                                                     uint8_t priority) noexcept;
  bool schedule_withSelector_argument_async(LLKBObject* key, LLKSEL selector, LLKBObject* argument,
                                            bool async) noexcept;
  bool schedule_withCode_function_argument_async_priority(LLKBObject* key, LLKTCode code, AOKTActiveFunction function,
                                                          LLKBObject* argument, bool async, uint8_t priority) noexcept;
  bool schedule_withCode_function_argument_async(LLKBObject* key, LLKTCode code, AOKTActiveFunction function,
                                                 LLKBObject* argument, bool async) noexcept;

  // ---- Work for every attached object ----
  // Also runs while the scheduler is suspended.
  bool scheduleAllWithCode_argument_andAncillary_async_priority(LLKTCode code, LLKBObject* argument,
                                                                LLKCDictionary* ancillary, bool async,
                                                                uint8_t priority) noexcept;
  bool scheduleAllWithCode_argument_andAncillary_async(LLKTCode code, LLKBObject* argument, LLKCDictionary* ancillary,
                                                       bool async) noexcept;
  bool scheduleAllWithSelector_argument_async_priority(LLKSEL selector, LLKBObject* argument, bool async,
                                                       uint8_t priority) noexcept;
  bool scheduleAllWithSelector_argument_async(LLKSEL selector, LLKBObject* argument, bool async) noexcept;
  bool scheduleAllWithCode_function_argument_async_priority(LLKTCode code, AOKTActiveFunction function,
                                                            LLKBObject* argument, bool async,
                                                            uint8_t priority) noexcept;
  bool scheduleAllWithCode_function_argument_async(LLKTCode code, AOKTActiveFunction function, LLKBObject* argument,
                                                   bool async) noexcept;

  // ---- Work for a group ----
  // Every member once, or (sequentially) one member after another in turn order: methods and
  // selectors reach every member; a function stops at the member that takes it, and when none does
  // it runs once more with a nil object. Each call starts one member further on.
  bool coalesce_withCode_argument_andAncillary_sequentially_async_priority(LLKBObject* group, LLKTCode code,
                                                                           LLKBObject* argument,
                                                                           LLKCDictionary* ancillary, bool sequentially,
                                                                           bool async, uint8_t priority) noexcept;
  bool coalesce_withCode_argument_andAncillary_sequentially_async(LLKBObject* group, LLKTCode code,
                                                                  LLKBObject* argument, LLKCDictionary* ancillary,
                                                                  bool sequentially, bool async) noexcept;
  bool coalesce_withSelector_argument_sequentially_async_priority(LLKBObject* group, LLKSEL selector,
                                                                  LLKBObject* argument, bool sequentially, bool async,
                                                                  uint8_t priority) noexcept;
  bool coalesce_withSelector_argument_sequentially_async(LLKBObject* group, LLKSEL selector, LLKBObject* argument,
                                                         bool sequentially, bool async) noexcept;
  // A sequential function for a group that is unknown or empty runs once with a nil object.
  bool coalesce_withFunction_argument_sequentially_async_priority(LLKBObject* group, AOKTActiveFunction function,
                                                                  LLKBObject* argument, bool sequentially, bool async,
                                                                  uint8_t priority) noexcept;
  bool coalesce_withFunction_argument_sequentially_async(LLKBObject* group, AOKTActiveFunction function,
                                                         LLKBObject* argument, bool sequentially, bool async) noexcept;
  bool coalesce_withFunction_argument_andAncillary_sequentially_async(LLKBObject* group, AOKTActiveFunction function,
                                                                     LLKBObject* argument, LLKCDictionary* ancillary,
                                                                     bool sequentially, bool async) noexcept;
  // One member, the next in turn (members being detached are passed over).
  bool sprinkle_withFunction_argument_async_priority(LLKBObject* group, AOKTActiveFunction function,
                                                     LLKBObject* argument, bool async, uint8_t priority) noexcept;
  bool sprinkle_withFunction_argument_async(LLKBObject* group, AOKTActiveFunction function, LLKBObject* argument,
                                            bool async) noexcept;
  // `sequentially` is ignored (one member only).
  bool sprinkle_withFunction_argument_andAncillary_sequentially_async(LLKBObject* group, AOKTActiveFunction function,
                                                                      LLKBObject* argument, LLKCDictionary* ancillary,
                                                                      bool sequentially, bool async) noexcept;

  // ---- Kept for old callers: each logs one line, schedules nothing and answers NO ----
  bool schedule_withCode_argument_andAncillary_async_priority_after(LLKBObject* key, LLKTCode code,
                                                                    LLKBObject* argument, LLKCDictionary* ancillary,
                                                                    bool async, uint8_t priority,
                                                                    uint32_t after) noexcept;
  bool schedule_withSelector_argument_async_priority_after(LLKBObject* key, LLKSEL selector, LLKBObject* argument,
                                                           bool async, uint8_t priority, uint32_t after) noexcept;
  bool schedule_withCode_function_argument_async_priority_after(LLKBObject* key, LLKTCode code,
                                                                AOKTActiveFunction function, LLKBObject* argument,
                                                                bool async, uint8_t priority, uint32_t after) noexcept;
  bool coalesce_withCode_argument_andAncillary_sequentially_async_priority_after(
      LLKBObject* group, LLKTCode code, LLKBObject* argument, LLKCDictionary* ancillary, bool sequentially, bool async,
      uint8_t priority, uint32_t after) noexcept;
  bool coalesce_withSelector_argument_sequentially_async_priority_after(LLKBObject* group, LLKSEL selector,
                                                                        LLKBObject* argument, bool sequentially,
                                                                        bool async, uint8_t priority,
                                                                        uint32_t after) noexcept;
  bool coalesce_withFunction_argument_sequentially_async_priority_after(LLKBObject* group, AOKTActiveFunction function,
                                                                        LLKBObject* argument, bool sequentially,
                                                                        bool async, uint8_t priority,
                                                                        uint32_t after) noexcept;

  // ---- Suspension ----
  // New work waits (broadcasts still run) until restart. suspend answers once every worker has
  // acknowledged; NO on a worker thread of this scheduler. The timed form gives up after the
  // milliseconds (the workers are then running again) and answers NO.
  bool suspend() noexcept;
  bool suspendWithTimeout(uint32_t milliseconds) noexcept;
  void restart() noexcept;

 protected:
  ~AOKCActiveScheduler() override;
};

#endif  // TXQ_AOK_AOKCACTIVESCHEDULER_H
