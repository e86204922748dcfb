#ifndef TXQ_LLK_LOOPS_LLKBLISTENER_H
#define TXQ_LLK_LOOPS_LLKBLISTENER_H
// LLKBListener: a thread whose loop sleeps in poll on its own wake pipe and at most one attached
// signal, and turns every wake-up into one hook call on the loop thread. A subclass overrides the
// hooks it wants; the base owns the loop, the wake pipe, a ticker and the stop protocol.
//
//   class Reader : public LLKBListener {
//     LLK_OBJECT(Reader, LLKBListener)
//     void onSignaledAt(int64_t at) noexcept override { ... read the signal ... }
//     void onFlashed_at(uint32_t value, int64_t at) noexcept override { ... }
//   };
//   LLK_DEFINE_CLASS(Reader, LLK_PROTOCOLS())
//   reader->attachSignal(pipe); reader->start(); reader->flash(7); ... reader->stopAndJoin();
//
// Wake-ups (any thread): nudge, flash, cable, and the ticks of setTick; each is one record in the
// wake pipe and one hook call (onNudgedAt, onFlashed_at, onCabled_at, onTickedAt), in order. A poll
// that times out (setTimeout; 0 waits forever) calls onTimedOutAt. "at" is milliseconds since the
// loop started. onStarting runs before the first wait, onStopping after the loop; cables still in
// the pipe then reach onCabled_at with at = -1. Wake-ups answer NO once the loop has closed.
// The signal: readable, hung up or in error counts as ready (onSignalingWithFD on the signal, then
// onSignaledAt); a listener without onSignaledAt detaches its signal (logging once) rather than
// spin; a descriptor that is not open is no longer polled (logged once).
// Ownership: init +1; the attached signal is retained.
// Threads:   wake-ups, stop and joins from any thread; attachSignal and detachSignal before start or
//            on the loop thread (inside a hook); every hook runs on the loop thread.
// Locks:     wake-ups take the object's monitor (rank 50), which also guards "open"; hooks run
//            without it. The last release of a running listener stops, wakes and joins it first.

#include <cstdint>

#include <txq/llk/threads/LLKBThread.h>
#include <txq/llk/values/LLKCCode.h>

class LLK_EXPORT LLKBListener : public LLKBThread {
  LLK_OBJECT(LLKBListener, LLKBThread)

 public:
  struct private_t;  // LLKBListener.cpp
  private_t* iPrivate;

  LLKBListener* init() noexcept override;

  // ---- Wake-ups ----
  bool nudge() noexcept;
  bool flash(uint32_t value) noexcept;
  bool cable(LLKTCode code) noexcept;
  void setTimeout(uint32_t milliseconds) noexcept;
  uint32_t getTimeout() noexcept;
  // 0 stops the ticks; else one onTickedAt every `milliseconds`. Any time, also before start.
  void setTick(uint32_t milliseconds) noexcept;
  uint32_t getTick() noexcept;

  // ---- The signal ----
  // NO for nil, for an object that does not adopt LLKPSignaling, or while one is attached.
  bool attachSignal(LLKBObject* signal) noexcept;
  // NO when none is attached.
  bool detachSignal() noexcept;

  // ---- Stopping ----
  void stop() noexcept override;  // stop requested, then a nudge
  void stopAndJoin() noexcept override;
  bool stopAndJoinWithTimeout(uint32_t milliseconds) noexcept override;

  void main() noexcept override;

  // ---- Hooks (optional: a subclass overrides what it wants) ----
  virtual void onStarting() noexcept {}
  virtual void onNudgedAt(int64_t at) noexcept { (void)at; }
  virtual void onFlashed_at(uint32_t value, int64_t at) noexcept { (void)value, (void)at; }
  virtual void onCabled_at(LLKTCode code, int64_t at) noexcept { (void)code, (void)at; }
  virtual void onTickedAt(int64_t at) noexcept { (void)at; }
  virtual void onTimedOutAt(int64_t at) noexcept { (void)at; }
  virtual void onSignaledAt(int64_t at) noexcept { (void)at; }
  virtual void onStopping() noexcept {}

 protected:
  ~LLKBListener() override;
};

LLK_OPTIONAL_HOOKS(LLKBListener, onStarting, onNudgedAt, onFlashed_at, onCabled_at, onTickedAt, onTimedOutAt,
                   onSignaledAt, onStopping)

// The record functions behind attachSignal, detachSignal and the channel drain.
LLK_EXTERN_C LLK_EXPORT bool LLKFListenerAttach(LLKBListener::private_t* record, LLKBObject* signal) noexcept;
LLK_EXTERN_C LLK_EXPORT bool LLKFListenerDetach(LLKBListener::private_t* record) noexcept;
LLK_EXTERN_C LLK_EXPORT int64_t LLKFListenerFlushChannel(LLKBListener::private_t* record, int64_t at) noexcept;

#endif  // TXQ_LLK_LOOPS_LLKBLISTENER_H
