#ifndef TXQ_AOK_AOKCACTIVESCHEDULERHUSTLE_P_H
#define TXQ_AOK_AOKCACTIVESCHEDULERHUSTLE_P_H
// Internal: one scheduling call's work item, queued in each target record it reaches.
//
// Completion: iPending counts the deliveries not yet run or skipped, plus one held by the call that
// delivers them (so that early executions cannot complete a hustle still being delivered). Whoever
// brings it to zero completes the hustle: iSignaled is set and, for a synchronous call, the waiter
// is woken under the scheduler lock. A sequential hustle has a single delivery at a time and walks
// iTargets from iTOffset; only its current holder touches iTOffset.

#include <atomic>
#include <cstddef>
#include <new>

#include <txq/aok/AOKCActiveScheduler.h>

class AOKCActiveSchedulerRecord;

class AOKCActiveSchedulerHustle : public LLKBObject {
  LLK_OBJECT(AOKCActiveSchedulerHustle, LLKBObject)

 public:
  enum : uint32_t { kAttach = 10, kDetach = 11, kWork = 12, kGroupWork = 13, kDrain = 14 };

  bool iSequential;
  bool iSynchronous;
  uint32_t iType;
  LLKTCode iCode;
  LLKBObject* iMident;  // retained: the group key of group work
  LLKSEL iSelector;
  AOKTActiveFunction iFunction;
  LLKBObject* iArgument;        // retained
  LLKCDictionary* iAncillary;   // retained
  std::atomic<uint32_t> iPending;
  std::atomic<bool> iSignaled;
  uint32_t iTLength;  // deliveries that make the hustle complete
  uint32_t iTOffset;
  AOKCActiveSchedulerRecord* iTarget;     // inline storage for a single target
  AOKCActiveSchedulerRecord** iTargets;   // &iTarget, or a heap array of iTLength; each retained

  // Room for `targets` targets (none stored yet). nil without memory.
  AOKCActiveSchedulerHustle* initWithTargets_type(uint32_t targets, uint32_t type) noexcept;
  AOKCActiveSchedulerHustle* initWithTargets_type_andAncillary(uint32_t targets, uint32_t type,
                                                               LLKCDictionary* ancillary) noexcept;
  AOKCActiveSchedulerHustle* initWithTargets_type_andCode_argument_andAncillary(uint32_t targets, uint32_t type,
                                                                                LLKTCode code, LLKBObject* argument,
                                                                                LLKCDictionary* ancillary) noexcept;
  AOKCActiveSchedulerHustle* initWithTargets_type_andSelector_argument(uint32_t targets, uint32_t type,
                                                                       LLKSEL selector,
                                                                       LLKBObject* argument) noexcept;
  AOKCActiveSchedulerHustle* initWithTargets_type_andCode_function_argument_andAncillary(
      uint32_t targets, uint32_t type, LLKTCode code, AOKTActiveFunction function, LLKBObject* argument,
      LLKCDictionary* ancillary) noexcept;

  // Stores target i (retained).
  void setTarget(uint32_t index, AOKCActiveSchedulerRecord* record) noexcept;
  bool complete() const noexcept { return iSignaled.load(std::memory_order_acquire); }

  // Hustles are made on one thread and freed on another, one per scheduling call: their blocks are
  // recycled through a small shared pool instead of crossing the allocator's per-thread arenas.
  static void* operator new(std::size_t size, const std::nothrow_t&) noexcept;
  static void operator delete(void* block) noexcept;

 protected:
  ~AOKCActiveSchedulerHustle() override;

 private:
  uint32_t iRoom;  // entries iTargets can hold
};

#endif  // TXQ_AOK_AOKCACTIVESCHEDULERHUSTLE_P_H
