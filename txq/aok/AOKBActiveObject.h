#ifndef TXQ_AOK_AOKBACTIVEOBJECT_H
#define TXQ_AOK_AOKBACTIVEOBJECT_H
// AOKBActiveObject: the base of every active object. An active object owns no thread: schedulers
// (AOKCActiveScheduler) it is attached to call it on their worker threads, one work item at a time,
// and it turns those calls (when...) into the hooks subclasses override (on...).
//
//   class Counter : public AOKBActiveObject {
//     LLK_OBJECT(Counter, AOKBActiveObject)
//     void onScheduledBy_as_withCode_argument_andAncillary(AOKCActiveScheduler*, LLKBObject*, LLKTCode code,
//                                                         LLKBObject*, LLKCDictionary*) noexcept override {
//       total += code.mUid;   // no lock: one scheduler never runs two hooks of this object at once
//     }
//     uint64_t total;
//   };
//
// Contexts: one per scheduler the object is attached to (kept inline for the first, in a shelf
// from the second on, keyed by the scheduler's token so that the shelf never keeps a scheduler
// alive; the shelf goes when its last context goes).
// Ownership: init +1. The scheduler retains the object from attach until its detach has run.
// Threads:   the when... calls come from scheduler workers only; contexts change under the object's
//            monitor and every hook runs outside it. Calls through one scheduler never overlap;
//            calls through two schedulers can.

#include <txq/llk/collections/LLKCDictionary.h>
#include <txq/llk/collections/LLKCObjectShelf.h>
#include <txq/llk/object/LLKBObject.h>
#include <txq/llk/values/LLKCCode.h>

class AOKCActiveScheduler;
class AOKCActiveObjectContext;

class LLK_EXPORT AOKBActiveObject : public LLKBObject {
  LLK_OBJECT(AOKBActiveObject, LLKBObject)

 public:
  struct private_t {
    AOKCActiveObjectContext* mContext = nullptr;  // owned; the only context, or nil
    LLKCObjectShelf* mShelf = nullptr;            // owned; scheduler token -> context from the second one on
  };
  private_t* iPrivate;

  AOKBActiveObject* init() noexcept override;

  // ---- Called by the scheduler's workers ----
  // Records a context for the scheduler, then calls onAttachedTo_as_withAncillary.
  void whenAttachedTo_as_withAncillary(AOKCActiveScheduler* scheduler, LLKBObject* identifier,
                                       LLKCDictionary* ancillary) noexcept;
  // Removes that scheduler's context (if any), stops its waiting entries, then calls
  // onDetachedOf_as_withAncillary.
  void whenDetachedOf_as_withAncillary(AOKCActiveScheduler* scheduler, LLKBObject* identifier,
                                       LLKCDictionary* ancillary) noexcept;
  void whenScheduledBy_as_withCode_argument_andAncillary(AOKCActiveScheduler* scheduler, LLKBObject* identifier,
                                                         LLKTCode code, LLKBObject* argument,
                                                         LLKCDictionary* ancillary) noexcept {
    onScheduledBy_as_withCode_argument_andAncillary(scheduler, identifier, code, argument, ancillary);
  }
  void whenScheduledBy_as_withCode_argument_andAncillary_in(AOKCActiveScheduler* scheduler, LLKBObject* identifier,
                                                            LLKTCode code, LLKBObject* argument,
                                                            LLKCDictionary* ancillary, LLKBObject* group) noexcept {
    onScheduledBy_as_withCode_argument_andAncillary_in(scheduler, identifier, code, argument, ancillary, group);
  }

  // The context kept for a scheduler (borrowed), or nil. For the object's own hooks and tests.
  AOKCActiveObjectContext* contextFor(AOKCActiveScheduler* scheduler) noexcept;
  // Number of schedulers the object holds a context for.
  uint64_t contextCount() noexcept;

  // ---- Hooks (empty here) ----
  virtual void onAttachedTo_as_withAncillary(AOKCActiveScheduler* scheduler, LLKBObject* identifier,
                                             LLKCDictionary* ancillary) noexcept {
    (void)scheduler, (void)identifier, (void)ancillary;
  }
  virtual void onDetachedOf_as_withAncillary(AOKCActiveScheduler* scheduler, LLKBObject* identifier,
                                             LLKCDictionary* ancillary) noexcept {
    (void)scheduler, (void)identifier, (void)ancillary;
  }
  virtual void onScheduledBy_as_withCode_argument_andAncillary(AOKCActiveScheduler* scheduler, LLKBObject* identifier,
                                                               LLKTCode code, LLKBObject* argument,
                                                               LLKCDictionary* ancillary) noexcept {
    (void)scheduler, (void)identifier, (void)code, (void)argument, (void)ancillary;
  }
  // Work delivered to a group: the last argument is the group key.
  virtual void onScheduledBy_as_withCode_argument_andAncillary_in(AOKCActiveScheduler* scheduler,
                                                                  LLKBObject* identifier, LLKTCode code,
                                                                  LLKBObject* argument, LLKCDictionary* ancillary,
                                                                  LLKBObject* group) noexcept {
    (void)scheduler, (void)identifier, (void)code, (void)argument, (void)ancillary, (void)group;
  }

 protected:
  ~AOKBActiveObject() override;
};

#endif  // TXQ_AOK_AOKBACTIVEOBJECT_H
