#ifndef TXQ_LLK_THREADS_LLKCINDICATOR_H
#define TXQ_LLK_THREADS_LLKCINDICATOR_H
// LLKCIndicator: a description of descriptors to poll and their poll events, with no I/O of its own:
// it lets any descriptor (a device, a descriptor another library manages) serve where a signal is
// expected. The indicator never reads, writes or closes its descriptors.
//
//   LLKCIndicator* i = LLKCIndicator::indicatorWithRecv(fd);   // autoreleased
//   i->setRecvFlags(POLLPRI);                                  // wake on urgent data only
//
// Polling: recvFD with recvFlags (POLLIN when 0). A poll that reports only POLLHUP or POLLERR counts
// as ready; the owner of the descriptor then reads end of file or the error. POLLNVAL means the owner
// has closed the descriptor.
// Ownership: factories autoreleased; init... +1; the descriptors stay the caller's.
// Threads:   no lock: set the flags before handing the indicator to a waiter.
// Failure:   init... answer nil only when memory is exhausted.

#include <cstdint>

#include <txq/llk/threads/LLKPSignaling.h>

class LLK_EXPORT LLKCIndicator : public LLKBObject, public LLKPSignaling {
  LLK_OBJECT(LLKCIndicator, LLKBObject)

 public:
  struct private_t {
    int32_t mRecv = -1;
    int32_t mSend = -1;
    int32_t mRecvFlags = 0;
    int32_t mSendFlags = 0;
  };
  private_t* iPrivate;

  // ---- Creation ----
  // No descriptors (-1, -1, flags 0, 0).
  LLKCIndicator* init() noexcept override;
  static LLKCIndicator* indicatorWithRecv(int32_t recvFD) noexcept;
  LLKCIndicator* initWithRecv(int32_t recvFD) noexcept;
  static LLKCIndicator* indicatorWithSend(int32_t sendFD) noexcept;
  LLKCIndicator* initWithSend(int32_t sendFD) noexcept;
  static LLKCIndicator* indicatorWithRecv_andSend(int32_t recvFD, int32_t sendFD) noexcept;
  LLKCIndicator* initWithRecv_andSend(int32_t recvFD, int32_t sendFD) noexcept;

  void setRecvFlags(int32_t flags) noexcept { iPrivate->mRecvFlags = flags; }
  void setSendFlags(int32_t flags) noexcept { iPrivate->mSendFlags = flags; }

  // ---- LLKPSignaling ----
  int32_t recvFD() noexcept override { return iPrivate->mRecv; }
  int32_t recvFlags() noexcept override { return iPrivate->mRecvFlags; }
  int32_t sendFD() noexcept override { return iPrivate->mSend; }
  int32_t sendFlags() noexcept override { return iPrivate->mSendFlags; }

 protected:
  ~LLKCIndicator() override;
};

#endif  // TXQ_LLK_THREADS_LLKCINDICATOR_H
