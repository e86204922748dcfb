#ifndef TXQ_LLK_THREADS_LLKCWAITER_H
#define TXQ_LLK_THREADS_LLKCWAITER_H
// LLKCWaiter: a small synchronous poller. Attach up to 16 signals (objects adopting LLKPSignaling)
// and wait until one becomes ready.
//
//   LLKCWaiter* waiter = LLKCWaiter::waiter();
//   waiter->attachSignal(pipeA), waiter->attachSignal(pipeB);
//   while (LLKBObject* ready = waiter->awaitWithTimeout(500)) drain(ready);   // nil: time-out
//
// One poll can find several signals ready; they are returned one per call, in attach order, and the
// next poll happens only after all were returned. A signal counts as ready when its descriptor
// reports POLLIN or POLLPRI, or only a hang-up or error (its owner then reads end-of-file or the
// error); a descriptor that is not open is never ready. Just before returning a signal the waiter
// calls its onSignalingWithFD hook with the descriptor.
// Descriptor and events of a signal are read once, when it is attached. Attaching takes effect at
// the next poll; detaching also drops any result of that signal still pending.
// Ownership: waiter() autoreleased; init +1; attached signals retained until detached; await
//            answers a signal borrowed (held by the waiter while attached).
// Threads:   no lock: one thread at a time.
// Failure:   attach answers NO for nil, an object that is not a signal, or when all 16 entries are in
//            use; await answers nil on time-out, on a poll error and when nothing is attached.

#include <poll.h>

#include <cstdint>

#include <txq/llk/object/LLKBObject.h>

class LLK_EXPORT LLKCWaiter : public LLKBObject {
  LLK_OBJECT(LLKCWaiter, LLKBObject)

 public:
  static constexpr uint32_t kEntries = 16;
  static constexpr uint32_t kSlots = 18;

  struct private_t {
    struct watched_t {
      LLKBObject* mObj;  // retained; nil: the entry is free
      int32_t mRfd;      // recvFD at attach time
      int32_t mRfl;      // recvFlags at attach time (0: POLLIN)
    };
    watched_t mWatched[kEntries];
    LLKBObject* mSlotObjects[kSlots];  // the object behind each poll slot (not retained)
    pollfd mSlots[kSlots];             // the last poll set; at most kEntries are filled
    uint32_t mCount;                   // filled poll slots
    uint32_t mCursor;                  // next poll slot to examine
  };
  private_t* iPrivate;

  static LLKCWaiter* waiter() noexcept;
  LLKCWaiter* init() noexcept override;

  bool attachSignal(LLKBObject* signal) noexcept;
  // YES when it was attached (its first entry is freed).
  bool detachSignal(LLKBObject* signal) noexcept;
  void detachAllSignals() noexcept;

  // awaitWithTimeout(0).
  LLKBObject* await() noexcept;
  // The next ready signal, waiting up to `milliseconds` (0: no limit) for one; nil on time-out.
  LLKBObject* awaitWithTimeout(uint32_t milliseconds) noexcept;

 protected:
  ~LLKCWaiter() override;  // detaches all, frees the record
};

// The first free entry in index order: retains the signal and stores its recvFD and recvFlags.
// Answers the index, or kEntries when all are in use (or the object is nil or not a signal).
LLK_EXTERN_C LLK_EXPORT uint32_t LLKWaiterAttach(LLKCWaiter::private_t* record, LLKBObject* signal) noexcept;
// The first entry holding this very object: released and freed, and when no other entry holds it,
// its pending poll results dropped. Answers the index, or kEntries when absent.
LLK_EXTERN_C LLK_EXPORT uint32_t LLKWaiterDetach(LLKCWaiter::private_t* record, LLKBObject* signal) noexcept;
// Releases and frees every entry and drops every pending result.
LLK_EXTERN_C LLK_EXPORT void LLKWaiterDetachAll(LLKCWaiter::private_t* record) noexcept;

#endif  // TXQ_LLK_THREADS_LLKCWAITER_H
