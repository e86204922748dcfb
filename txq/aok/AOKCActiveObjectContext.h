#ifndef TXQ_AOK_AOKCACTIVEOBJECTCONTEXT_H
#define TXQ_AOK_AOKCACTIVEOBJECTCONTEXT_H
// AOKCActiveObjectContext: what an active object keeps for one scheduler it is attached to: the
// scheduler (not retained), the identifier it was attached under, and two containers reserved for
// extensions that suspend work on the object (waiting entries and a map of routines). The library
// makes and empties them; it never fills them.
//
// Waiting entries: containers answering count and head; the head answers quit and onDetached.
// Detaching the object stops every entry (see AOKBActiveObject).
// Ownership: init... +1; the identifier and both containers are owned.
// Threads:   touched only by the scheduler's workers, under the object's monitor.
// Failure:   initWithScheduler_andIdentifier answers nil when a container cannot be made.

#include <txq/llk/collections/LLKCObjectIndex.h>
#include <txq/llk/collections/LLKCObjectMap.h>
#include <txq/llk/object/LLKBObject.h>

class AOKCActiveScheduler;

class LLK_EXPORT AOKCActiveObjectContext : public LLKBObject {
  LLK_OBJECT(AOKCActiveObjectContext, LLKBObject)

 public:
  AOKCActiveScheduler* iScheduler;  // not retained
  LLKBObject* iIdentifier;          // retained
  LLKCObjectIndex* iWaiting;        // owned, capacity 16
  LLKCObjectMap* iCoroutines;       // owned, capacity 8

  AOKCActiveObjectContext* initWithScheduler_andIdentifier(AOKCActiveScheduler* scheduler,
                                                           LLKBObject* identifier) noexcept;

  // Stops every waiting entry: the head of the first entry is sent quit then onDetached (by
  // selector); an entry that is empty, or whose head did not leave it, is removed. Ends empty.
  void stopWaiting() noexcept;

 protected:
  ~AOKCActiveObjectContext() override;
};

#endif  // TXQ_AOK_AOKCACTIVEOBJECTCONTEXT_H
