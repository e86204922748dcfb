#ifndef TXQ_LLK_LOOPS_LLKWAKECHANNEL_P_H
#define TXQ_LLK_LOOPS_LLKWAKECHANNEL_P_H
// Internal: the wake channel shared by the listener and the multiplexer: a private pipe that carries
// wake records (all words unsigned 32-bit, host order), a ticker that writes tick records into it,
// and the drain that turns records into hook calls. Not installed, not API.
//
//   10 nudge  kind, 0                 11 flash  kind, value
//   12 cable  kind, 0, uid, tag, ctx  13 tick   kind, 0
//
// Threads: send from any thread, under the owner's monitor, which also guards `open`; the drains
//          run on the loop thread only.

#include <atomic>
#include <cstdint>

#include <txq/llk/object/LLKBObject.h>
#include <txq/llk/values/LLKCCode.h>

class LLKCPipe;
class LLKCTicker;

namespace llk::detail {

enum WakeKind : uint32_t { kWakeNudge = 10, kWakeFlash = 11, kWakeCable = 12, kWakeTick = 13 };

// Hook bits of the loops, fixed when a loop starts from what the subclass overrides.
enum LoopHook : uint8_t {
  kHookTimedOut = 1,
  kHookFlashed = 2,
  kHookNudged = 4,
  kHookTicked = 8,
  kHookCabled = 16,
  kHookSignaledWith = 32,
};

struct WakeChannel {
  LLKCPipe* mPipe = nullptr;      // owned
  LLKCTicker* mTicker = nullptr;  // owned; writes tick records into mPipe
  std::atomic<bool> mOpen{true};  // written under the owner's monitor
  std::atomic<uint32_t> mTimeout{0};
  std::atomic<uint32_t> mTick{0};

  // Makes the pipe and the ticker; NO when either cannot be made.
  bool make() noexcept;
  ~WakeChannel();

  // Writes one record under the owner's monitor when open; YES when all of it was written.
  bool send(const LLKBObject* owner, const uint32_t* words, uint32_t count) noexcept;
  bool nudge(const LLKBObject* owner) noexcept;
  bool flash(const LLKBObject* owner, uint32_t value) noexcept;
  bool cable(const LLKBObject* owner, LLKTCode code) noexcept;
  // Refuses every later record.
  void close(const LLKBObject* owner) noexcept;
  // 0 cancels the ticker; else ticks every `milliseconds`.
  void setTick(uint32_t milliseconds) noexcept;
  int32_t recvFD() const noexcept;

  // Reads one record; NO when the pipe is empty. A cable's code is in words 2..4.
  bool read(uint32_t (&words)[5]) noexcept;
};

// Delivers records to the owner's hooks (a hook the mask lacks is skipped, its record consumed):
// every record, or only the first one when `one`.
template <class Owner>
void drainChannel(Owner* owner, WakeChannel& channel, uint8_t hooks, int64_t at, bool one) noexcept {
  uint32_t words[5];
  while (channel.read(words)) {
    switch (words[0]) {
      case kWakeNudge:
        if (hooks & kHookNudged) owner->onNudgedAt(at);
        break;
      case kWakeFlash:
        if (hooks & kHookFlashed) owner->onFlashed_at(words[1], at);
        break;
      case kWakeCable:
        if (hooks & kHookCabled) owner->onCabled_at(LLKTCode{words[2], words[3], words[4]}, at);
        break;
      case kWakeTick:
        if (hooks & kHookTicked) owner->onTickedAt(at);
        break;
      default:
        break;
    }
    if (one) return;
  }
}

// After the loop: every cable still in the channel reaches onCabled_at with at = -1; the rest go.
template <class Owner>
void drainLeftoverCables(Owner* owner, WakeChannel& channel, uint8_t hooks) noexcept {
  if (!(hooks & kHookCabled)) return;
  uint32_t words[5];
  while (channel.read(words)) {
    if (words[0] == kWakeCable) owner->onCabled_at(LLKTCode{words[2], words[3], words[4]}, -1);
  }
}

// The hook bits a loop owner overrides (the signal hook bit is the caller's).
uint8_t channelHooks(const LLKBObject* owner) noexcept;

}  // namespace llk::detail

#endif  // TXQ_LLK_LOOPS_LLKWAKECHANNEL_P_H
