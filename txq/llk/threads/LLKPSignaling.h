#ifndef TXQ_LLK_THREADS_LLKPSIGNALING_H
#define TXQ_LLK_THREADS_LLKPSIGNALING_H
// LLKPSignaling: the role of an object that wakes a loop through a file descriptor (pipes, lines,
// events, indicators, sockets). A consumer polls recvFD for the events recvFlags (POLLIN when 0) and
// treats the object as signalled when POLLIN or POLLPRI is reported. A class adopts it as a
// secondary base listed in LLK_PROTOCOLS; callers reach it with llk::as<LLKPSignaling>(object).
//
// A signalling object may also override the optional hook onSignalingWithFD, which a waiter
// (LLKCWaiter) calls just before it hands the object back as ready.
// Threads: as the adopting class says.

#include <cstdint>

#include <txq/llk/object/LLKBObject.h>

struct LLK_EXPORT LLKPSignaling {
  static const LLKProtocol kProtocol;

  // The descriptor to poll for readability; -1 for none.
  virtual int32_t recvFD() noexcept = 0;
  // The poll events to wait for on recvFD; 0 means POLLIN.
  virtual int32_t recvFlags() noexcept = 0;
  // The descriptor written to; -1 for none.
  virtual int32_t sendFD() noexcept = 0;
  // The poll events for sendFD; 0 is the default.
  virtual int32_t sendFlags() noexcept = 0;

  // Optional hook: a waiter found `fd` (the polled recvFD) ready and is about to return this object.
  // Runs on the waiter's thread. Does nothing here.
  virtual void onSignalingWithFD(int32_t fd) noexcept { (void)fd; }

 protected:
  ~LLKPSignaling() = default;
};

#endif  // TXQ_LLK_THREADS_LLKPSIGNALING_H
