#ifndef TXQ_LLK_OBJECT_LLKLIBRARY_P_H
#define TXQ_LLK_OBJECT_LLKLIBRARY_P_H
// Internal: process-wide state set up when the library loads. Not installed, not API.

#include <atomic>

#include <txq/llk/object/LLKExport.h>
#include <txq/llk/threads/LLKFThreadKey.h>

// Registers the library's own classes once; safe to call from any static initialiser.
LLK_HIDDEN void llkRegisterLibraryClasses() noexcept;
// Frees a monitor made by LLKMonitorEnter (an object's destructor).
LLK_HIDDEN void llkFreeMonitor(std::atomic<void*>& slot) noexcept;

// Records the load time the log's mode 1 counts from. (The log lock is constant-initialised, so
// lines logged by other modules' static initialisers and destructors are safe too.)
LLK_HIDDEN void llkLogLoad() noexcept;
// Releases the shared LLKCNull instance.
LLK_HIDDEN void llkNullUnload() noexcept;

// The thread keys and scheduling bounds read at load, for the thread and active-object kits.
struct LLKLibraryState {
  LLKTThreadKey* currentOffloaderKey;
  LLKTThreadKey* currentSchedulerKey;
  LLKTThreadKey* currentActiveSchedulerKey;
  int priorityMin;  // sched_get_priority_min(SCHED_OTHER)
  int priorityMax;  // sched_get_priority_max(SCHED_OTHER)
};
LLK_HIDDEN extern LLKLibraryState gLLKLibrary;

#endif  // TXQ_LLK_OBJECT_LLKLIBRARY_P_H
