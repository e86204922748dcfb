#ifndef TXQ_LLK_LOOPS_LLKBMULTIPLEXER_H
#define TXQ_LLK_LOOPS_LLKBMULTIPLEXER_H
// LLKBMultiplexer: the listener's loop over up to 32 attached signals. Each readable signal (also
// hung up or in error) gets onSignalingWithFD on itself and onSignaledAt_with(at, signal) on the
// multiplexer, in attach order. A descriptor that reports an error and fails a zero-length read, or
// that is not open, is no longer polled (its object stays attached until detached); so is every
// signal of a multiplexer that does not override onSignaledAt_with, which would otherwise spin. With behavior 1
// the loop handles one wake record per turn; with any other value it drains the wake pipe.
//
//   mux->attachSignal(a); mux->attachSignal(b); mux->start();
//
// Wake-ups, ticks, time-outs, the other hooks and the stop protocol are the listener's (LLKBListener.h).
// Ownership: init +1; attached signals are retained.
// Threads:   as the listener: attach and detach before start or on the loop thread.
// Locks:     as the listener.

#include <cstdint>

#include <txq/llk/threads/LLKBThread.h>
#include <txq/llk/values/LLKCCode.h>

class LLK_EXPORT LLKBMultiplexer : public LLKBThread {
  LLK_OBJECT(LLKBMultiplexer, LLKBThread)

 public:
  static constexpr uint32_t kSignals = 32;
  struct private_t;  // LLKBMultiplexer.cpp
  private_t* iPrivate;

  LLKBMultiplexer* init() noexcept override;

  bool nudge() noexcept;
  bool flash(uint32_t value) noexcept;
  bool cable(LLKTCode code) noexcept;
  void setTimeout(uint32_t milliseconds) noexcept;
  uint32_t getTimeout() noexcept;
  void setTick(uint32_t milliseconds) noexcept;
  uint32_t getTick() noexcept;
  // 1: one wake record per loop turn; anything else: every record waiting.
  void setBehavior(uint32_t behavior) noexcept;
  uint32_t behavior() noexcept;

  // NO for nil, for an object that does not adopt LLKPSignaling, or when all 32 entries are used.
  bool attachSignal(LLKBObject* signal) noexcept;
  // NO when that very object is not attached.
  bool detachSignal(LLKBObject* signal) noexcept;
  void detachAllSignals() noexcept;

  void stop() noexcept override;
  void stopAndJoin() noexcept override;
  bool stopAndJoinWithTimeout(uint32_t milliseconds) noexcept override;

  void main() noexcept override;

  // ---- Hooks (optional) ----
  virtual void onStarting() noexcept {}
  virtual void onNudgedAt(int64_t at) noexcept { (void)at; }
  virtual void onFlashed_at(uint32_t value, int64_t at) noexcept { (void)value, (void)at; }
  virtual void onCabled_at(LLKTCode code, int64_t at) noexcept { (void)code, (void)at; }
  virtual void onTickedAt(int64_t at) noexcept { (void)at; }
  virtual void onTimedOutAt(int64_t at) noexcept { (void)at; }
  virtual void onSignaledAt_with(int64_t at, LLKBObject* signal) noexcept { (void)at, (void)signal; }
  virtual void onStopping() noexcept {}

 protected:
  ~LLKBMultiplexer() override;
};

LLK_OPTIONAL_HOOKS(LLKBMultiplexer, onStarting, onNudgedAt, onFlashed_at, onCabled_at, onTickedAt, onTimedOutAt,
                   onSignaledAt_with, onStopping)

#endif  // TXQ_LLK_LOOPS_LLKBMULTIPLEXER_H
