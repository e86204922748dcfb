#ifndef TXQ_LLK_LOOPS_LLKBWORKER_H
#define TXQ_LLK_LOOPS_LLKBWORKER_H
// LLKBWorker: a thread whose loop waits on a condition for 16-byte items appended to an in-memory
// queue (no descriptors at all), and turns each into one hook call on the loop thread.
//
//   class Cruncher : public LLKBWorker {
//     LLK_OBJECT(Cruncher, LLKBWorker)
//     void onFlashed_at(uint32_t job, int64_t at) noexcept override { ... }
//   };
//   cruncher->start(); cruncher->flash(42); ... cruncher->stopAndJoin();
//
// Wake-ups (any thread): nudge, flash, cable, each one item and one hook call (onNudgedAt,
// onFlashed_at, onCabled_at), in order. A wait that times out (setTimeout; 0 waits forever) calls
// onTimedOutAt. "at" is milliseconds since the loop started. onStarting runs before the first wait;
// at the close, cables still queued reach onCabled_at with at = -1, then onStopping runs. Wake-ups
// answer NO once the loop has closed (or when no memory is left for the item).
// Ownership: init +1.
// Threads:   wake-ups, stop and joins from any thread; hooks run on the loop thread, without the
//            worker's lock, so a hook may wake its own worker.
// Locks:     the worker's lock (rank 45) guards the queue and "open"; the loop takes all queued items
//            out under it at once and dispatches them without it. The last release of a running worker stops, wakes and joins it.

#include <cstdint>

#include <txq/llk/threads/LLKBThread.h>
#include <txq/llk/values/LLKCCode.h>

class LLK_EXPORT LLKBWorker : public LLKBThread {
  LLK_OBJECT(LLKBWorker, LLKBThread)

 public:
  struct private_t;  // LLKBWorker.cpp
  private_t* iPrivate;

  LLKBWorker* init() noexcept override;

  bool nudge() noexcept;
  bool flash(uint32_t value) noexcept;
  bool cable(LLKTCode code) noexcept;
  void setTimeout(uint32_t milliseconds) noexcept;
  uint32_t getTimeout() noexcept;

  // Stop requested, then a nudge (the condition is broadcast even when the nudge cannot be queued).
  void stop() noexcept override;
  void stopAndJoin() noexcept override;
  bool stopAndJoinWithTimeout(uint32_t milliseconds) noexcept override;

  void main() noexcept override;

  // ---- Hooks (optional) ----
  virtual void onStarting() noexcept {}
  virtual void onNudgedAt(int64_t at) noexcept { (void)at; }
  virtual void onFlashed_at(uint32_t value, int64_t at) noexcept { (void)value, (void)at; }
  virtual void onCabled_at(LLKTCode code, int64_t at) noexcept { (void)code, (void)at; }
  virtual void onTimedOutAt(int64_t at) noexcept { (void)at; }
  virtual void onStopping() noexcept {}

 protected:
  ~LLKBWorker() override;
};

LLK_OPTIONAL_HOOKS(LLKBWorker, onStarting, onNudgedAt, onFlashed_at, onCabled_at, onTimedOutAt, onStopping)

#endif  // TXQ_LLK_LOOPS_LLKBWORKER_H
