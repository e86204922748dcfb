#include "LLKWakeChannel_p.h"

#include <unistd.h>

#include <cerrno>

#include <txq/llk/object/LLKRuntime.h>
#include <txq/llk/object/LLKSynchronized.h>
#include <txq/llk/threads/LLKCPipe.h>
#include <txq/llk/threads/LLKCTicker.h>
#include <txq/llk/values/LLKCData.h>

namespace llk::detail {

bool WakeChannel::make() noexcept {
  mPipe = LLKCPipe::new_();
  const uint32_t tick[2] = {kWakeTick, 0};
  LLKCData* record = LLKCData::alloc();
  if (record != nullptr) record = record->initWithBytes_length(tick, sizeof(tick));
  if (mPipe != nullptr && record != nullptr) mTicker = LLKCTicker::alloc()->initWithData_andPipe(record, mPipe);
  llk::release(record);
  return mPipe != nullptr && mTicker != nullptr;
}

WakeChannel::~WakeChannel() {
  llk::release(mTicker);  // cancels it and waits for a tick in progress
  llk::release(mPipe);
}

bool WakeChannel::send(const LLKBObject* owner, const uint32_t* words, uint32_t count) noexcept {
  // The channel holds both ends of its pipe, so a write never meets a pipe without readers: it goes
  // straight to the descriptor, without the pipe's guard against SIGPIPE.
  const ssize_t length = static_cast<ssize_t>(count) * 4;
  llk::Synchronized hold(owner);
  if (!mOpen.load(std::memory_order_acquire)) return false;
  ssize_t written;
  do {
    written = ::write(mPipe->sendFD(), words, static_cast<size_t>(length));
  } while (written < 0 && errno == EINTR);
  return written == length;
}

bool WakeChannel::nudge(const LLKBObject* owner) noexcept {
  const uint32_t words[2] = {kWakeNudge, 0};
  return send(owner, words, 2);
}

bool WakeChannel::flash(const LLKBObject* owner, uint32_t value) noexcept {
  const uint32_t words[2] = {kWakeFlash, value};
  return send(owner, words, 2);
}

bool WakeChannel::cable(const LLKBObject* owner, LLKTCode code) noexcept {
  const uint32_t words[5] = {kWakeCable, 0, code.mUid, code.mTag, code.mCtx};
  return send(owner, words, 5);
}

void WakeChannel::close(const LLKBObject* owner) noexcept {
  llk::Synchronized hold(owner);
  mOpen.store(false, std::memory_order_release);
}

void WakeChannel::setTick(uint32_t milliseconds) noexcept {
  mTick.store(milliseconds, std::memory_order_relaxed);
  if (milliseconds == 0) {
    mTicker->cancel();
  } else {
    mTicker->enable(milliseconds);
  }
}

int32_t WakeChannel::recvFD() const noexcept { return mPipe->recvFD(); }

bool WakeChannel::read(uint32_t (&words)[5]) noexcept {
  if (mPipe->recv_bytesInto(8, words) != 8) return false;
  if (words[0] != kWakeCable) return true;
  // A cable is written whole by one write, so its tail is there; a short read drops the record.
  return mPipe->recv_bytesInto(12, words + 2) == 12 || read(words);
}

uint8_t channelHooks(const LLKBObject* owner) noexcept {
  uint8_t hooks = 0;
  if (owner->respondsToSelector(LLK_SEL("onTimedOutAt:"))) hooks |= kHookTimedOut;
  if (owner->respondsToSelector(LLK_SEL("onFlashed:at:"))) hooks |= kHookFlashed;
  if (owner->respondsToSelector(LLK_SEL("onNudgedAt:"))) hooks |= kHookNudged;
  if (owner->respondsToSelector(LLK_SEL("onTickedAt:"))) hooks |= kHookTicked;
  if (owner->respondsToSelector(LLK_SEL("onCabled:at:"))) hooks |= kHookCabled;
  return hooks;
}

}  // namespace llk::detail
