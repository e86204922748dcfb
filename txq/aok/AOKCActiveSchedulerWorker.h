#ifndef TXQ_AOK_AOKCACTIVESCHEDULERWORKER_H
#define TXQ_AOK_AOKCACTIVESCHEDULERWORKER_H
// AOKCActiveSchedulerWorker: one worker thread of an AOKCActiveScheduler. It sleeps until flashed,
// then takes records from the scheduler's run queues and runs their work, one record at a time:
// up to mAOSpins work items of one record, and beyond that only while more workers are idle than
// records wait. Sequential group work is handed from member to member; a detached record's work
// is skipped; at the close, work still queued is completed without running and its waiters woken.
// Flash 10 means "work"; any flash makes the worker acknowledge a suspension or a restart.
//
// Made and owned by the scheduler; not for direct use.
// Threads: its hooks run on its own thread; it takes the scheduler lock only to report its state,
//          to wake synchronous callers and to take a detached record out of groups and aliases.

#include <cstdint>

#include <txq/aok/AOKCActiveScheduler.h>
#include <txq/llk/loops/LLKBWorker.h>

class AOKCActiveSchedulerRecord;
class AOKCActiveSchedulerHustle;

class LLK_EXPORT AOKCActiveSchedulerWorker : public LLKBWorker {
  LLK_OBJECT(AOKCActiveSchedulerWorker, LLKBWorker)

 public:
  AOKCActiveScheduler::internals_t* iInternals;  // not owned
  bool iSuspended;  // this worker acknowledged the current suspension
  uint32_t iIndex;  // its slot
  uint64_t iStampNow;  // the record's stamp of the work item running now
  uint32_t iTurn;      // work items taken, for the periodic look at arrivals

  AOKCActiveSchedulerWorker* initWithSetup_internals_andAffinity(const AOKTActiveSchedulerSetup* setup,
                                                                 AOKCActiveScheduler::internals_t* internals,
                                                                 uint32_t affinity) noexcept;

  void onStarting() noexcept override;
  void onStopping() noexcept override;
  void onFlashed_at(uint32_t code, int64_t at) noexcept override;
  void onSuspended() noexcept;
  void onRestarted() noexcept;

  // Runs the record's work in its normal lane (and first whatever a suspension left in the other).
  // YES when work is left.
  bool process(AOKCActiveSchedulerRecord* record) noexcept;
  // Runs the work delivered while the scheduler was suspended. YES when some is left.
  bool processWhenSuspended(AOKCActiveSchedulerRecord* record) noexcept;
  // Runs one work item on one record; YES when the record took group work offered in turn.
  bool execute_withHustle(AOKCActiveSchedulerRecord* record, AOKCActiveSchedulerHustle* hustle) noexcept;
  // Skips every work item left in a detached record.
  void dismiss(AOKCActiveSchedulerRecord* record) noexcept;
  // Completes, without running, the work of every record left in a run queue (0 normal, 1 suspended).
  void flush(int lane) noexcept;
  // The scheduler state of the worker running the calling thread; null on other threads.
  static const AOKCActiveScheduler::internals_t* currentInternals() noexcept;

 private:
  void align() noexcept;
  void report(uint32_t state) noexcept;
  void runLoop(bool suspendedMode) noexcept;
  bool workWaiting(bool suspendedMode) noexcept;
  bool spinForWork() noexcept;
  bool runLane(AOKCActiveSchedulerRecord* record, int lane, bool bounded) noexcept;
  void collect(AOKCActiveSchedulerRecord* record, int lane) noexcept;
  AOKCActiveSchedulerHustle* next(AOKCActiveSchedulerRecord* record, int lane, uint8_t low, uint8_t* priority) noexcept;
  void finish(AOKCActiveSchedulerRecord* record) noexcept;
  void settle(AOKCActiveSchedulerRecord* record, AOKCActiveSchedulerHustle* hustle, bool taken, uint8_t priority,
              int lane) noexcept;
  void runOnDefault(AOKCActiveSchedulerHustle* hustle) noexcept;
  void removeNames(AOKCActiveSchedulerRecord* record) noexcept;
};

#endif  // TXQ_AOK_AOKCACTIVESCHEDULERWORKER_H
