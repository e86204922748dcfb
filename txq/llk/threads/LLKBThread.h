#ifndef TXQ_LLK_THREADS_LLKBTHREAD_H
#define TXQ_LLK_THREADS_LLKBTHREAD_H
// LLKBThread: the base of every thread kind. It owns one POSIX thread, started with an optional CPU
// mask and priority level, runs `main` inside a fresh autorelease pool, and offers stop, join and
// timed join. Subclasses override main (and the loop kinds stop/stopAndJoin, to wake their loop
// first); or a plain thread runs a selector on a target:
//
//   LLKBThread* t = LLKBThread::alloc()->initWithTarget_selector_object(worker, LLK_SEL("run:"), input);
//   t->start();
//   ...
//   t->stopAndJoin();   // sets the stop flag (main polls shouldStop) and waits for main to end
//   t->release();
//
// Life cycle: created stopped; start moves it to executing, the end of main back (waking joiners).
// A thread that ended can be started again. Every run is joined exactly once: by join, a timed join
// that saw it end, the next start, or the last release.
// Last release: of a running thread, from another thread, stops it (stopAndJoin, which subclasses
// make wake their loop) and joins it before anything it owns goes away; from the thread itself (its
// own pool drops the last reference) the thread is detached instead, and its run finishes safely.
// Affinity: bit k of the 32-bit mask selects the k-th CPU this process may run on (repeating every
// 32 CPUs); 0 means no pinning (the thread inherits the process's CPU set).
// Priority levels 0..6 (above 6: 6) map onto the SCHED_OTHER range, applied only when running as root.
// Ownership: init... +1; target and object retained.
// Threads:   every operation from any thread; join and the timed joins from another thread than this
//            one (from the thread itself they return at once).
// Locks:     the thread's own LLKCLock (recursive; lock/unlock give it to subclasses for their
//            records) guards executing, stop requested and the join state; its condition is broadcast
//            once per run, by the ending thread. main runs without it.

#include <pthread.h>

#include <cstdint>

#include <txq/llk/object/LLKBObject.h>

class LLKCCondition;
class LLKCLock;

class LLK_EXPORT LLKBThread : public LLKBObject {
  LLK_OBJECT(LLKBThread, LLKBObject)

 public:
  struct private_t;  // shared by the object and its running thread (LLKBThread.cpp)
  private_t* private_;

  LLKBThread* init() noexcept override;
  LLKBThread* initWithAffinity(uint32_t mask) noexcept;
  LLKBThread* initWithTarget_selector_object(LLKBObject* target, LLKSEL selector, LLKBObject* object) noexcept;
  LLKBThread* initWithTarget_selector_object_andAffinity(LLKBObject* target, LLKSEL selector, LLKBObject* object,
                                                         uint32_t mask) noexcept;

  // YES when a new run started; NO while executing or when the thread cannot be created.
  bool start() noexcept;
  bool startWithPriority(uint32_t level) noexcept;

  // The thread's body: performSelector_withObject on the target, when one is set.
  virtual void main() noexcept;

  virtual void stop() noexcept;
  bool shouldStop() noexcept;
  bool isExecuting() noexcept;
  // The running thread's uid (LLKFGetThreadUid inside it); 0 when not executing.
  uint64_t getUid() noexcept;
  bool isCaller() noexcept;
  bool isExecutingButNotTheCaller() noexcept;
  void lock() noexcept;
  void unlock() noexcept;

  // Waits for the run to end and joins it.
  virtual void join() noexcept;
  // YES when the run ended within the time (or nothing runs); NO leaves it running, unjoined.
  virtual bool joinWithTimeout(uint32_t milliseconds) noexcept;
  // join / joinWithTimeout that also set stop requested first; nothing is set when not executing.
  virtual void stopAndJoin() noexcept;
  virtual bool stopAndJoinWithTimeout(uint32_t milliseconds) noexcept;

  LLKCLock* threadLock() noexcept;            // the lock behind lock/unlock
  LLKCCondition* threadCondition() noexcept;  // broadcast when a run ends

  void dealloc() noexcept override;  // stops and joins a running thread first (see above)

 protected:
  ~LLKBThread() override;
};

// The entry of every library thread (argument: the thread's record). Exported for debuggers and
// thread listings.
LLK_EXTERN_C LLK_EXPORT void* LLKBThreadMain_(void* record) noexcept;

// The priority a level maps to, from the SCHED_OTHER range [min, max]; levels above 6 act as 6.
LLK_EXTERN_C LLK_EXPORT int32_t LLKFThreadPriorityForLevel(uint32_t level, int32_t min, int32_t max) noexcept;

#endif  // TXQ_LLK_THREADS_LLKBTHREAD_H
