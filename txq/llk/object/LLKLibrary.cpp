// Library load and unload: the set-up steps every other piece relies on.
//
// Load, in order: register the library's classes; record the load time and create the log lock;
// seed the random generator; read the scheduling priority bounds; create the three thread keys of
// the current offloader, scheduler and active scheduler. (Each thread's current autorelease pool is
// a thread-local variable: it needs no key, so pool creation cannot fail for want of one.)
// Unload: release the shared LLKCNull and delete the keys. The log lock is constant-initialised
// and stays usable for lines logged by other modules' destructors.

#include <sched.h>

#include <mutex>

#include <txq/llk/object/LLKBObject.h>
#include <txq/llk/object/LLKLibrary_p.h>
#include <txq/llk/values/LLKFRandom.h>

constinit LLKLibraryState gLLKLibrary = {};

extern "C" {
extern const LLKClass* const __start_llk_classes[] __attribute__((weak, visibility("hidden")));
extern const LLKClass* const __stop_llk_classes[] __attribute__((weak, visibility("hidden")));
}

namespace {
constinit std::once_flag gClassesOnce;
}

void llkRegisterLibraryClasses() noexcept {
  std::call_once(gClassesOnce, [] { LLKRegisterModule(__start_llk_classes, __stop_llk_classes); });
}

__attribute__((constructor(101))) static void llkLibraryLoad() {
  llkRegisterLibraryClasses();
  llkLogLoad();
  LLKFRandomSeed(0);
  gLLKLibrary.priorityMin = sched_get_priority_min(SCHED_OTHER);
  gLLKLibrary.priorityMax = sched_get_priority_max(SCHED_OTHER);
  gLLKLibrary.currentOffloaderKey = LLKFThreadKeyCreate(nullptr);
  gLLKLibrary.currentSchedulerKey = LLKFThreadKeyCreate(nullptr);
  gLLKLibrary.currentActiveSchedulerKey = LLKFThreadKeyCreate(nullptr);
}

__attribute__((destructor(101))) static void llkLibraryUnload() {
  llkNullUnload();
  LLKFThreadKeyDelete(gLLKLibrary.currentOffloaderKey);
  LLKFThreadKeyDelete(gLLKLibrary.currentSchedulerKey);
  LLKFThreadKeyDelete(gLLKLibrary.currentActiveSchedulerKey);
  gLLKLibrary = {};
}
