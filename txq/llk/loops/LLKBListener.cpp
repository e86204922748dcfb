#include <txq/llk/loops/LLKBListener.h>

#include <poll.h>

#include <txq/llk/object/LLKCAutoreleasePool.h>
#include <txq/llk/object/LLKFLog.h>
#include <txq/llk/threads/LLKPSignaling.h>
#include <txq/llk/values/LLKFTime.h>

#include "LLKWakeChannel_p.h"

struct LLKBListener::private_t {
  LLKBListener* mOwner = nullptr;  // not retained
  llk::detail::WakeChannel mChannel;
  struct {
    LLKBObject* mObj = nullptr;  // retained
    int32_t mRfd = -1;
    int32_t mRfl = 0;
    bool mOSn = false;  // it answers onSignalingWithFD
  } mSignal;
  bool mChanged = true;  // the poll set must be rebuilt
  uint8_t mHooks = 0;

  ~private_t() { llk::release(mSignal.mObj); }
};

namespace {

using private_t = LLKBListener::private_t;

constexpr short kReady = POLLIN | POLLPRI | POLLHUP | POLLERR;

int64_t sinceStart(uint64_t start) noexcept { return static_cast<int64_t>(LLKFNowInMS() - start); }

}  // namespace

bool LLKFListenerAttach(private_t* d, LLKBObject* signal) noexcept {
  LLKPSignaling* role = llk::as<LLKPSignaling>(signal);
  if (d == nullptr || role == nullptr || d->mSignal.mObj != nullptr) return false;
  d->mSignal.mObj = signal->retain();
  d->mSignal.mRfd = role->recvFD();
  d->mSignal.mRfl = role->recvFlags();
  d->mSignal.mOSn = signal->respondsToSelector(LLK_SEL("onSignalingWithFD:"));
  d->mChanged = true;
  return true;
}

bool LLKFListenerDetach(private_t* d) noexcept {
  if (d == nullptr || d->mSignal.mObj == nullptr) return false;
  llk::release(d->mSignal.mObj);
  d->mSignal.mObj = nullptr;
  d->mSignal.mRfd = -1;
  d->mChanged = true;
  return true;
}

int64_t LLKFListenerFlushChannel(private_t* d, int64_t at) noexcept {
  llk::detail::drainChannel(d->mOwner, d->mChannel, d->mHooks, at, false);
  return at;
}

LLK_DEFINE_CLASS(LLKBListener, LLK_PROTOCOLS(), init, nudge, flash, cable, setTimeout, getTimeout, setTick, getTick,
                 attachSignal, detachSignal, stop, stopAndJoin, stopAndJoinWithTimeout, main)

LLKBListener* LLKBListener::init() noexcept {
  if (Super::init() == nullptr) return nullptr;
  iPrivate = new (std::nothrow) private_t;
  if (iPrivate == nullptr || !iPrivate->mChannel.make()) {
    dealloc();
    return nullptr;
  }
  iPrivate->mOwner = this;
  return this;
}

LLKBListener::~LLKBListener() { delete iPrivate; }

bool LLKBListener::nudge() noexcept { return iPrivate->mChannel.nudge(this); }
bool LLKBListener::flash(uint32_t value) noexcept { return iPrivate->mChannel.flash(this, value); }
bool LLKBListener::cable(LLKTCode code) noexcept { return iPrivate->mChannel.cable(this, code); }
void LLKBListener::setTimeout(uint32_t milliseconds) noexcept { iPrivate->mChannel.mTimeout = milliseconds; }
uint32_t LLKBListener::getTimeout() noexcept { return iPrivate->mChannel.mTimeout; }
void LLKBListener::setTick(uint32_t milliseconds) noexcept { iPrivate->mChannel.setTick(milliseconds); }
uint32_t LLKBListener::getTick() noexcept { return iPrivate->mChannel.mTick; }
bool LLKBListener::attachSignal(LLKBObject* signal) noexcept { return LLKFListenerAttach(iPrivate, signal); }
bool LLKBListener::detachSignal() noexcept { return LLKFListenerDetach(iPrivate); }

void LLKBListener::stop() noexcept {
  Super::stop();
  nudge();
}

void LLKBListener::stopAndJoin() noexcept {
  Super::stop();
  nudge();
  Super::stopAndJoin();
}

bool LLKBListener::stopAndJoinWithTimeout(uint32_t milliseconds) noexcept {
  Super::stop();
  nudge();
  return Super::stopAndJoinWithTimeout(milliseconds);
}

void LLKBListener::main() noexcept {
  private_t* d = iPrivate;
  const uint64_t start = LLKFNowInMS();
  d->mHooks = llk::detail::channelHooks(this);
  const bool signaledHook = respondsToSelector(LLK_SEL("onSignaledAt:"));
  if (respondsToSelector(LLK_SEL("onStarting"))) onStarting();
  pollfd slots[2] = {{d->mChannel.recvFD(), POLLIN | POLLPRI, 0}, {-1, 0, 0}};
  nfds_t used = 1;
  d->mChanged = true;
  while (!shouldStop()) {
    if (d->mChanged) {
      used = 1;
      if (d->mSignal.mObj != nullptr && d->mSignal.mRfd >= 0) {
        slots[1] = {d->mSignal.mRfd, static_cast<short>(d->mSignal.mRfl != 0 ? d->mSignal.mRfl : POLLIN), 0};
        used = 2;
      }
      d->mChanged = false;
    }
    slots[0].revents = 0;
    slots[1].revents = 0;
    const uint32_t timeout = d->mChannel.mTimeout;
    const int ready = poll(slots, used, timeout != 0 ? static_cast<int>(timeout) : -1);
    if (ready > 0) {
      const int64_t at = sinceStart(start);
      if (used == 2 && (slots[1].revents & POLLNVAL)) {
        LLKFLog("0x%p %s: signal descriptor %d is not open; it is no longer polled", static_cast<void*>(this),
                className(), slots[1].fd);
        d->mSignal.mRfd = -1;
        d->mChanged = true;
      } else if (used == 2 && (slots[1].revents & kReady)) {
        if (!signaledHook) {
          LLKFLog("0x%p %s does not respond to onSignaledAt:; its signal is detached", static_cast<void*>(this),
                  className());
          LLKFListenerDetach(d);
        } else {
          if (d->mSignal.mOSn) llk::as<LLKPSignaling>(d->mSignal.mObj)->onSignalingWithFD(slots[1].fd);
          onSignaledAt(at);
        }
      }
      if (slots[0].revents & (POLLIN | POLLPRI)) LLKFListenerFlushChannel(d, at);
    } else if (d->mHooks & llk::detail::kHookTimedOut) {
      onTimedOutAt(sinceStart(start));
    }
    llk::send(LLKCAutoreleasePool::localPool(), &LLKCAutoreleasePool::sink);
  }
  d->mChannel.close(this);
  if (respondsToSelector(LLK_SEL("onStopping"))) onStopping();
  llk::detail::drainLeftoverCables(this, d->mChannel, d->mHooks);
}
