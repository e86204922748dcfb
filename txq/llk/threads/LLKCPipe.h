#ifndef TXQ_LLK_THREADS_LLKCPIPE_H
#define TXQ_LLK_THREADS_LLKCPIPE_H
// LLKCPipe: a byte channel that wakes a poll: an anonymous pipe (both ends owned) between threads of
// one process, or a named FIFO at a path between processes. Both ends are non-blocking; every send
// and recv is one system call, so 4-byte uids and other small messages never interleave.
//
//   LLKCPipe* pipe = LLKCPipe::pipe();            // autoreleased
//   uint32_t uid = 7;
//   pipe->send_bytesFrom(4, &uid);                // 4
//   pipe->recv_bytesInto(4, &uid);                // 4; 0 once the pipe is empty
//
// A FIFO is opened read-write, so opening never waits for a peer and it never reads as ended while
// the object holds it; one descriptor serves both directions (recvFD == sendFD). An existing path is
// opened first and refused unless the opened descriptor is a FIFO (a symbolic link is followed);
// a missing one is made (mode 0777 less the umask) only when asked. A FIFO the object made is removed
// from the file system when the object goes; an existing FIFO is never removed.
// Polling: POLLIN (or POLLPRI) on recvFD means bytes are waiting. A poll that reports only POLLHUP or
// POLLERR also counts as ready: the reader then reads end of file or the error (recv answers 0).
// POLLNVAL means the descriptor is not open.
// Ownership: factories autoreleased; init... +1. The descriptors are owned and close-on-exec.
// Threads:   no lock: one reader thread and one writer thread at a time.
// Failure:   init... answer nil, leaving no descriptor or file behind, when the pipe or FIFO cannot
//            be made or opened, or the path is not a FIFO. send/recv never block and answer 0 for an
//            empty or full pipe and for every error; a write whose reader is gone (another process
//            closed its end of a FIFO) answers 0 and never raises SIGPIPE.

#include <sys/types.h>

#include <cstdint>

#include <txq/llk/threads/LLKPSignaling.h>

class LLK_EXPORT LLKCPipe : public LLKBObject, public LLKPSignaling {
  LLK_OBJECT(LLKCPipe, LLKBObject)

 public:
  struct private_t {
    int32_t mRecv = -1;     // read end; the FIFO's descriptor in FIFO mode
    int32_t mSend = -1;     // write end; equal to mRecv in FIFO mode
    char* mPath = nullptr;  // the FIFO's path (C allocator); null for an anonymous pipe
    bool mCreated = false;  // this object made the FIFO and removes it when it goes
    dev_t mDevice = 0;      // identity of the FIFO this object made: only that one is removed
    ino_t mInode = 0;
    ~private_t();  // closes the descriptors, removes a FIFO it made, frees the path
  };
  private_t* iPrivate;

  // ---- Creation ----
  // An anonymous non-blocking pipe.
  static LLKCPipe* pipe() noexcept;
  LLKCPipe* init() noexcept override;
  // The existing FIFO at the path.
  static LLKCPipe* pipeAtPath(const char* path) noexcept;
  LLKCPipe* initAtPath(const char* path) noexcept;
  // The FIFO at the path; made first when it is missing and `createIfNeeded`.
  static LLKCPipe* pipeAtPath_createIfNeeded(const char* path, bool createIfNeeded) noexcept;
  LLKCPipe* initAtPath_createIfNeeded(const char* path, bool createIfNeeded) noexcept;

  // ---- Bytes ----
  // One write: the count written, 0 when the pipe is full or on any error.
  uint64_t send_bytesFrom(uint64_t length, const void* bytes) noexcept;
  // One read: the count read, 0 when the pipe is empty or on any error.
  uint64_t recv_bytesInto(uint64_t length, void* bytes) noexcept;

  // ---- LLKPSignaling ----
  int32_t recvFD() noexcept override { return iPrivate->mRecv; }
  int32_t recvFlags() noexcept override { return 0; }
  int32_t sendFD() noexcept override { return iPrivate->mSend; }
  int32_t sendFlags() noexcept override { return 0; }

 protected:
  ~LLKCPipe() override;
};

#endif  // TXQ_LLK_THREADS_LLKCPIPE_H
