#ifndef TXQ_AOK_H
#define TXQ_AOK_H
// The active-object kit: active objects and the scheduler that runs them.

#include <txq/LLK.h>
#include <txq/aok/AOKBActiveObject.h>
#include <txq/aok/AOKCActiveObjectContext.h>
#include <txq/aok/AOKCActiveScheduler.h>
#include <txq/aok/AOKCActiveSchedulerWorker.h>

#endif  // TXQ_AOK_H
