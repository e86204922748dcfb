#include <txq/llk/loops/LLKBMultiplexer.h>

#include <poll.h>
#include <unistd.h>

#include <txq/llk/object/LLKCAutoreleasePool.h>
#include <txq/llk/object/LLKFLog.h>
#include <txq/llk/threads/LLKPSignaling.h>
#include <txq/llk/values/LLKFTime.h>

#include "LLKWakeChannel_p.h"

struct LLKBMultiplexer::private_t {
  struct entry_t {
    LLKBObject* mObj = nullptr;  // retained
    int32_t mRfd = -1;           // -1: not polled
    int32_t mRfl = 0;
    bool mOsn = false;           // it answers onSignalingWithFD
  };
  LLKBMultiplexer* mOwner = nullptr;  // not retained
  llk::detail::WakeChannel mChannel;
  std::atomic<uint32_t> mBehavior{0};
  entry_t mEntries[kSignals];
  bool mChanged = true;
  uint8_t mHooks = 0;

  ~private_t() {
    for (entry_t& entry : mEntries) llk::release(entry.mObj);
  }
};

namespace {

using private_t = LLKBMultiplexer::private_t;

constexpr short kReady = POLLIN | POLLPRI | POLLHUP | POLLERR;

int64_t sinceStart(uint64_t start) noexcept { return static_cast<int64_t>(LLKFNowInMS() - start); }

}  // namespace

LLK_DEFINE_CLASS(LLKBMultiplexer, LLK_PROTOCOLS(), init, nudge, flash, cable, setTimeout, getTimeout, setTick,
                 getTick, setBehavior, behavior, attachSignal, detachSignal, detachAllSignals, stop, stopAndJoin,
                 stopAndJoinWithTimeout, main)

LLKBMultiplexer* LLKBMultiplexer::init() noexcept {
  if (Super::init() == nullptr) return nullptr;
  iPrivate = new (std::nothrow) private_t;
  if (iPrivate == nullptr || !iPrivate->mChannel.make()) {
    dealloc();
    return nullptr;
  }
  iPrivate->mOwner = this;
  return this;
}

LLKBMultiplexer::~LLKBMultiplexer() { delete iPrivate; }

bool LLKBMultiplexer::nudge() noexcept { return iPrivate->mChannel.nudge(this); }
bool LLKBMultiplexer::flash(uint32_t value) noexcept { return iPrivate->mChannel.flash(this, value); }
bool LLKBMultiplexer::cable(LLKTCode code) noexcept { return iPrivate->mChannel.cable(this, code); }
void LLKBMultiplexer::setTimeout(uint32_t milliseconds) noexcept { iPrivate->mChannel.mTimeout = milliseconds; }
uint32_t LLKBMultiplexer::getTimeout() noexcept { return iPrivate->mChannel.mTimeout; }
void LLKBMultiplexer::setTick(uint32_t milliseconds) noexcept { iPrivate->mChannel.setTick(milliseconds); }
uint32_t LLKBMultiplexer::getTick() noexcept { return iPrivate->mChannel.mTick; }
void LLKBMultiplexer::setBehavior(uint32_t behavior) noexcept { iPrivate->mBehavior = behavior; }
uint32_t LLKBMultiplexer::behavior() noexcept { return iPrivate->mBehavior; }

bool LLKBMultiplexer::attachSignal(LLKBObject* signal) noexcept {
  LLKPSignaling* role = llk::as<LLKPSignaling>(signal);
  if (role == nullptr) return false;
  for (private_t::entry_t& entry : iPrivate->mEntries) {
    if (entry.mObj != nullptr) continue;
    entry.mObj = signal->retain();
    entry.mRfd = role->recvFD();
    entry.mRfl = role->recvFlags();
    entry.mOsn = signal->respondsToSelector(LLK_SEL("onSignalingWithFD:"));
    iPrivate->mChanged = true;
    return true;
  }
  return false;
}

bool LLKBMultiplexer::detachSignal(LLKBObject* signal) noexcept {
  if (signal == nullptr) return false;
  for (private_t::entry_t& entry : iPrivate->mEntries) {
    if (entry.mObj != signal) continue;
    llk::release(entry.mObj);
    entry = private_t::entry_t{};
    iPrivate->mChanged = true;
    return true;
  }
  return false;
}

void LLKBMultiplexer::detachAllSignals() noexcept {
  for (private_t::entry_t& entry : iPrivate->mEntries) {
    llk::release(entry.mObj);
    entry = private_t::entry_t{};
  }
  iPrivate->mChanged = true;
}

void LLKBMultiplexer::stop() noexcept {
  Super::stop();
  nudge();
}

void LLKBMultiplexer::stopAndJoin() noexcept {
  Super::stop();
  nudge();
  Super::stopAndJoin();
}

bool LLKBMultiplexer::stopAndJoinWithTimeout(uint32_t milliseconds) noexcept {
  Super::stop();
  nudge();
  return Super::stopAndJoinWithTimeout(milliseconds);
}

void LLKBMultiplexer::main() noexcept {
  private_t* d = iPrivate;
  const uint64_t start = LLKFNowInMS();
  d->mHooks = llk::detail::channelHooks(this);
  if (respondsToSelector(LLK_SEL("onSignaledAt:with:"))) d->mHooks |= llk::detail::kHookSignaledWith;
  if (respondsToSelector(LLK_SEL("onStarting"))) onStarting();
  pollfd slots[1 + kSignals];
  uint32_t entryOf[1 + kSignals];  // the entry behind each signal slot
  nfds_t used = 1;
  slots[0] = {d->mChannel.recvFD(), POLLIN | POLLPRI, 0};
  d->mChanged = true;
  while (!shouldStop()) {
    if (d->mChanged) {
      used = 1;
      for (uint32_t i = 0; i < kSignals; ++i) {
        const private_t::entry_t& entry = d->mEntries[i];
        if (entry.mObj == nullptr || entry.mRfd < 0) continue;
        slots[used] = {entry.mRfd, static_cast<short>(entry.mRfl != 0 ? entry.mRfl : POLLIN), 0};
        entryOf[used++] = i;
      }
      d->mChanged = false;
    }
    for (nfds_t i = 0; i < used; ++i) slots[i].revents = 0;
    const uint32_t timeout = d->mChannel.mTimeout;
    const int ready = poll(slots, used, timeout != 0 ? static_cast<int>(timeout) : -1);
    if (ready > 0) {
      const int64_t at = sinceStart(start);
      for (nfds_t i = 1; i < used && !d->mChanged; ++i) {
        private_t::entry_t& entry = d->mEntries[entryOf[i]];
        const short events = slots[i].revents;
        if (entry.mObj == nullptr || entry.mRfd != slots[i].fd) continue;  // detached by a hook meanwhile
        const bool broken = (events & POLLNVAL) || ((events & POLLERR) && read(slots[i].fd, nullptr, 0) < 0);
        if (broken) {
          LLKFLog("0x%p %s: signal descriptor %d failed; it is no longer polled", static_cast<void*>(this),
                  className(), slots[i].fd);
          entry.mRfd = -1;
          d->mChanged = true;
          continue;
        }
        if (!(events & kReady)) continue;
        if (!(d->mHooks & llk::detail::kHookSignaledWith)) {  // nobody would read it: it would spin the loop
          LLKFLog("0x%p %s does not respond to onSignaledAt:with:; descriptor %d is no longer polled",
                  static_cast<void*>(this), className(), slots[i].fd);
          entry.mRfd = -1;
          d->mChanged = true;
          continue;
        }
        LLKBObject* signal = entry.mObj;
        if (entry.mOsn) llk::as<LLKPSignaling>(signal)->onSignalingWithFD(slots[i].fd);
        onSignaledAt_with(at, signal);
      }
      if (slots[0].revents & (POLLIN | POLLPRI)) {
        llk::detail::drainChannel(this, d->mChannel, d->mHooks, at, d->mBehavior == 1);
      }
    } else if (d->mHooks & llk::detail::kHookTimedOut) {
      onTimedOutAt(sinceStart(start));
    }
    llk::send(LLKCAutoreleasePool::localPool(), &LLKCAutoreleasePool::sink);
  }
  d->mChannel.close(this);
  if (respondsToSelector(LLK_SEL("onStopping"))) onStopping();
  llk::detail::drainLeftoverCables(this, d->mChannel, d->mHooks);
}
