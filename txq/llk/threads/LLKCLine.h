#ifndef TXQ_LLK_THREADS_LLKCLINE_H
#define TXQ_LLK_THREADS_LLKCLINE_H
// LLKCLine: reads and writes over descriptors that somebody else owns (a terminal, a socket, one end
// of a pipe), and presents them as a signal to poll. The line never closes its descriptors; they
// must stay open while the line is in use.
//
//   LLKCLine* in = LLKCLine::lineWithRecv(STDIN_FILENO);   // autoreleased; sendFD is -1
//   char buffer[256];
//   uint64_t n = in->recv_bytesInto(sizeof buffer, buffer);
//
// A send on a line without a send descriptor (or a recv without a receive descriptor) answers 0
// without a system call. Writing to a peer that has gone never raises SIGPIPE: sockets are written
// with MSG_NOSIGNAL; for other descriptors SIGPIPE is blocked for the calling thread around the write
// and a SIGPIPE the write raised is consumed. The process-wide disposition is never changed.
// Polling: recvFD with recvFlags (POLLIN when 0). A poll that reports only POLLHUP or POLLERR counts
// as ready: the reader then reads end of file or the error (recv answers 0). POLLNVAL means the
// owner has closed the descriptor.
// Ownership: factories autoreleased; init... +1; the descriptors stay the caller's.
// Threads:   no lock: one reader thread and one writer thread at a time.
// Failure:   send/recv answer the byte count, or 0 for nothing transferred (would block, end of file,
//            any error); they block when the owner's descriptor blocks.

#include <cstdint>

#include <txq/llk/threads/LLKPSignaling.h>

class LLK_EXPORT LLKCLine : public LLKBObject, public LLKPSignaling {
  LLK_OBJECT(LLKCLine, LLKBObject)

 public:
  struct private_t {
    int32_t mRecv = -1;
    int32_t mSend = -1;
    int32_t mRecvFlags = 0;
  };
  private_t* iPrivate;

  // ---- Creation ----
  // No descriptors (-1, -1, flags 0).
  LLKCLine* init() noexcept override;
  static LLKCLine* lineWithRecv_send(int32_t recvFD, int32_t sendFD) noexcept;
  LLKCLine* initWithRecv_send(int32_t recvFD, int32_t sendFD) noexcept;
  static LLKCLine* lineWithRecv(int32_t recvFD) noexcept;
  LLKCLine* initWithRecv(int32_t recvFD) noexcept;
  static LLKCLine* lineWithSend(int32_t sendFD) noexcept;
  LLKCLine* initWithSend(int32_t sendFD) noexcept;

  // The poll events to wait for on recvFD (0: POLLIN).
  void setRecvFlags(int32_t flags) noexcept { iPrivate->mRecvFlags = flags; }

  // ---- Bytes ----
  // One write on the send descriptor: the count written, else 0.
  uint64_t send_bytesFrom(uint64_t length, const void* bytes) noexcept;
  // One read on the receive descriptor: the count read, else 0.
  uint64_t recv_bytesInto(uint64_t length, void* bytes) noexcept;

  // ---- LLKPSignaling ----
  int32_t recvFD() noexcept override { return iPrivate->mRecv; }
  int32_t recvFlags() noexcept override { return iPrivate->mRecvFlags; }
  int32_t sendFD() noexcept override { return iPrivate->mSend; }
  int32_t sendFlags() noexcept override { return 0; }

 protected:
  ~LLKCLine() override;
};

#endif  // TXQ_LLK_THREADS_LLKCLINE_H
