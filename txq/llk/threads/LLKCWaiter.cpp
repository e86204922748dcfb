#include <txq/llk/threads/LLKCWaiter.h>

#include <cerrno>
#include <chrono>
#include <new>

#include <txq/llk/collections/LLKContainerMaking_p.h>
#include <txq/llk/threads/LLKPSignaling.h>

LLK_DEFINE_CLASS(LLKCWaiter, LLK_PROTOCOLS(), init, attachSignal, detachSignal, detachAllSignals, await,
                 awaitWithTimeout)

namespace {

using Record = LLKCWaiter::private_t;

constexpr short kReadyEvents = POLLIN | POLLPRI | POLLHUP | POLLERR;

bool holds(const Record* d, const LLKBObject* object) noexcept {
  for (const Record::watched_t& entry : d->mWatched) {
    if (entry.mObj == object) return true;
  }
  return false;
}

// The next pending ready slot's object (its hook called), moving the cursor past it; nil when none
// is left. Slots whose descriptor is not open, or whose object was detached, are passed over.
LLKBObject* nextReady(Record* d) noexcept {
  while (d->mCursor < d->mCount) {
    const uint32_t i = d->mCursor++;
    LLKBObject* object = d->mSlotObjects[i];
    const short events = d->mSlots[i].revents;
    if (object == nullptr || (events & POLLNVAL) != 0 || (events & kReadyEvents) == 0) continue;
    if (LLKPSignaling* signal = llk::as<LLKPSignaling>(object); signal != nullptr) {
      signal->onSignalingWithFD(d->mSlots[i].fd);
    }
    return object;
  }
  return nullptr;
}

// The poll set of the attached entries, in index order; answers the number of slots filled.
uint32_t rebuild(Record* d) noexcept {
  d->mCount = 0;
  d->mCursor = 0;
  for (const Record::watched_t& entry : d->mWatched) {
    if (entry.mObj == nullptr) continue;
    pollfd& slot = d->mSlots[d->mCount];
    slot.fd = entry.mRfd;
    slot.events = static_cast<short>(entry.mRfl != 0 ? entry.mRfl : POLLIN);
    slot.revents = 0;
    d->mSlotObjects[d->mCount++] = entry.mObj;
  }
  return d->mCount;
}

// Stops polling the slots whose descriptor is not open; YES when there was one.
bool dropClosedSlots(Record* d) noexcept {
  bool dropped = false;
  for (uint32_t i = 0; i < d->mCount; ++i) {
    if ((d->mSlots[i].revents & POLLNVAL) != 0) {
      d->mSlots[i].fd = -1;  // ignored by poll from now on
      dropped = true;
    }
  }
  return dropped;
}

}  // namespace

// ---- Record functions ----

uint32_t LLKWaiterAttach(Record* record, LLKBObject* signal) noexcept {
  LLKPSignaling* role = llk::as<LLKPSignaling>(signal);
  if (record == nullptr || role == nullptr) return LLKCWaiter::kEntries;
  for (uint32_t i = 0; i < LLKCWaiter::kEntries; ++i) {
    Record::watched_t& entry = record->mWatched[i];
    if (entry.mObj != nullptr) continue;
    entry.mObj = signal->retain();
    entry.mRfd = role->recvFD();
    entry.mRfl = role->recvFlags();
    return i;
  }
  return LLKCWaiter::kEntries;
}

uint32_t LLKWaiterDetach(Record* record, LLKBObject* signal) noexcept {
  if (record == nullptr || signal == nullptr) return LLKCWaiter::kEntries;
  for (uint32_t i = 0; i < LLKCWaiter::kEntries; ++i) {
    Record::watched_t& entry = record->mWatched[i];
    if (entry.mObj != signal) continue;
    entry = Record::watched_t{};
    if (!holds(record, signal)) {
      // Its pending results would hand back an object the waiter no longer keeps alive.
      for (uint32_t s = 0; s < record->mCount; ++s) {
        if (record->mSlotObjects[s] == signal) record->mSlotObjects[s] = nullptr;
      }
    }
    signal->release();
    return i;
  }
  return LLKCWaiter::kEntries;
}

void LLKWaiterDetachAll(Record* record) noexcept {
  if (record == nullptr) return;
  record->mCursor = record->mCount;
  for (uint32_t s = 0; s < record->mCount; ++s) record->mSlotObjects[s] = nullptr;
  for (Record::watched_t& entry : record->mWatched) {
    LLKBObject* object = entry.mObj;
    entry = Record::watched_t{};
    llk::release(object);
  }
}

// ---- The waiter ----

LLKCWaiter* LLKCWaiter::waiter() noexcept { return llk::detail::autoreleasedNew(&LLKCWaiter::init); }

LLKCWaiter* LLKCWaiter::init() noexcept {
  iPrivate = new (std::nothrow) private_t{};
  if (iPrivate == nullptr) {
    dealloc();
    return nullptr;
  }
  return this;
}

LLKCWaiter::~LLKCWaiter() {
  LLKWaiterDetachAll(iPrivate);
  delete iPrivate;
}

bool LLKCWaiter::attachSignal(LLKBObject* signal) noexcept {
  return signal != nullptr && LLKWaiterAttach(iPrivate, signal) < kEntries;
}

bool LLKCWaiter::detachSignal(LLKBObject* signal) noexcept {
  return signal != nullptr && LLKWaiterDetach(iPrivate, signal) < kEntries;
}

void LLKCWaiter::detachAllSignals() noexcept { LLKWaiterDetachAll(iPrivate); }

LLKBObject* LLKCWaiter::await() noexcept { return awaitWithTimeout(0); }

LLKBObject* LLKCWaiter::awaitWithTimeout(uint32_t milliseconds) noexcept {
  using Clock = std::chrono::steady_clock;
  private_t* d = iPrivate;
  if (LLKBObject* pending = nextReady(d); pending != nullptr) return pending;
  if (rebuild(d) == 0) return nullptr;

  // One budget for the whole call: interrupted polls, and polls again after dropping descriptors
  // that are not open, wait only for what is left of it.
  const Clock::time_point deadline = Clock::now() + std::chrono::milliseconds(milliseconds);
  for (;;) {
    int timeout = -1;
    if (milliseconds != 0) {
      const auto left = std::chrono::ceil<std::chrono::milliseconds>(deadline - Clock::now()).count();
      timeout = left > 0 ? static_cast<int>(left) : 0;
    }
    const int ready = poll(d->mSlots, d->mCount, timeout);
    if (ready < 0 && errno == EINTR) continue;
    if (ready < 1) {
      d->mCursor = d->mCount;
      return nullptr;
    }
    if (LLKBObject* object = nextReady(d); object != nullptr) return object;
    if (!dropClosedSlots(d)) return nullptr;
    d->mCursor = 0;
  }
}
