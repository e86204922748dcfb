#ifndef TXQ_LLK_THREADS_LLKCEVENT_H
#define TXQ_LLK_THREADS_LLKCEVENT_H
// LLKCEvent: a level-triggered wake flag over a non-blocking self-pipe. It is signalled while at
// least one signal byte is unread, and it counts: n calls of signal need n calls of clear (or one
// reset) before a poll on recvFD stops reporting it.
//
//   LLKCEvent* event = LLKCEvent::event();   // autoreleased
//   event->signal();                         // from any thread: wakes a poll on recvFD
//   event->clear();                          // by the waiter, once per signal it handles
//
// Polling: POLLIN (or POLLPRI) on recvFD means signalled. The event owns both ends, so POLLHUP and
// POLLERR do not arise while it lives.
// Ownership: event() autoreleased; alloc + init +1. Both ends are owned and close-on-exec.
// Threads:   no lock: signal from any thread (one-byte writes never interleave); clear and reset from
//            the waiting thread.
// Failure:   init answers nil when the pipe cannot be made; signal answers NO when the pipe is full.

#include <cstdint>

#include <txq/llk/threads/LLKPSignaling.h>

class LLK_EXPORT LLKCEvent : public LLKBObject, public LLKPSignaling {
  LLK_OBJECT(LLKCEvent, LLKBObject)

 public:
  struct private_t {
    int32_t mRecv = -1;  // read end, non-blocking
    int32_t mSend = -1;  // write end, non-blocking
    ~private_t();        // closes each end that is open
  };
  private_t* iPrivate;

  static LLKCEvent* event() noexcept;
  LLKCEvent* init() noexcept override;

  // Writes one byte (0xFF): YES when it was written.
  bool signal() noexcept;
  // Reads one pending byte, if any.
  void clear() noexcept;
  // Reads every pending byte.
  void reset() noexcept;

  // ---- LLKPSignaling ----
  int32_t recvFD() noexcept override { return iPrivate->mRecv; }
  int32_t recvFlags() noexcept override { return 0; }
  int32_t sendFD() noexcept override { return iPrivate->mSend; }
  int32_t sendFlags() noexcept override { return 0; }

 protected:
  ~LLKCEvent() override;
};

#endif  // TXQ_LLK_THREADS_LLKCEVENT_H
