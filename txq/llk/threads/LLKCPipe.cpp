#include <txq/llk/threads/LLKCPipe.h>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <cstring>

#include <txq/llk/collections/LLKContainerMaking_p.h>

#include "LLKDescriptorIO_p.h"

namespace {

// Read-write: the open never waits for a peer. No controlling terminal is acquired should the path
// name a terminal; such a path is refused after the open anyway.
constexpr int kFifoOpenFlags = O_RDWR | O_NONBLOCK | O_CLOEXEC | O_NOCTTY;

int openPath(const char* path) noexcept {
  int fd;
  do {
    fd = open(path, kFifoOpenFlags);
  } while (fd < 0 && errno == EINTR);
  return fd;
}

bool isFifo(int fd) noexcept {
  struct stat info;
  return fstat(fd, &info) == 0 && S_ISFIFO(info.st_mode);
}

}  // namespace

LLKCPipe::private_t::~private_t() {
  if (mRecv >= 0) close(mRecv);
  if (mSend >= 0 && mSend != mRecv) close(mSend);
  if (mCreated) {
    // Only while the path still names the FIFO this object made.
    struct stat info;
    if (lstat(mPath, &info) == 0 && S_ISFIFO(info.st_mode) && info.st_dev == mDevice &&
        info.st_ino == mInode) {
      unlink(mPath);
    }
  }
  std::free(mPath);
}

LLK_DEFINE_CLASS(LLKCPipe, LLK_PROTOCOLS(LLKPSignaling), init, initAtPath, initAtPath_createIfNeeded,
                 send_bytesFrom, recv_bytesInto, recvFD, recvFlags, sendFD, sendFlags)

// ---- Creation ----

LLKCPipe* LLKCPipe::pipe() noexcept { return llk::detail::autoreleasedNew(&LLKCPipe::init); }

LLKCPipe* LLKCPipe::init() noexcept {
  iPrivate = new (std::nothrow) private_t;
  int32_t ends[2];
  if (iPrivate == nullptr || !llk::detail::makeWakePipe(ends)) {
    dealloc();
    return nullptr;
  }
  iPrivate->mRecv = ends[0];
  iPrivate->mSend = ends[1];
  return this;
}

LLKCPipe* LLKCPipe::pipeAtPath(const char* path) noexcept {
  return llk::detail::autoreleasedNew(&LLKCPipe::initAtPath, path);
}

LLKCPipe* LLKCPipe::initAtPath(const char* path) noexcept { return initAtPath_createIfNeeded(path, false); }

LLKCPipe* LLKCPipe::pipeAtPath_createIfNeeded(const char* path, bool createIfNeeded) noexcept {
  return llk::detail::autoreleasedNew(&LLKCPipe::initAtPath_createIfNeeded, path, createIfNeeded);
}

LLKCPipe* LLKCPipe::initAtPath_createIfNeeded(const char* path, bool createIfNeeded) noexcept {
  iPrivate = path != nullptr ? new (std::nothrow) private_t : nullptr;
  if (iPrivate == nullptr || (iPrivate->mPath = strdup(path)) == nullptr) {
    dealloc();
    return nullptr;
  }
  private_t* d = iPrivate;
  int fd = openPath(path);
  if (fd < 0 && errno == ENOENT && createIfNeeded) {
    if (mkfifo(path, 0777) == 0) {
      struct stat made;
      if (lstat(path, &made) == 0 && S_ISFIFO(made.st_mode)) {
        d->mCreated = true;
        d->mDevice = made.st_dev;
        d->mInode = made.st_ino;
      }
      fd = openPath(path);
    } else if (errno == EEXIST) {
      fd = openPath(path);  // made by another party in the meantime: theirs, never removed
    }
  }
  if (fd >= 0 && !isFifo(fd)) {
    close(fd);
    fd = -1;
  }
  if (fd < 0) {
    dealloc();  // removes a FIFO made above
    return nullptr;
  }
  d->mRecv = fd;
  d->mSend = fd;
  return this;
}

LLKCPipe::~LLKCPipe() { delete iPrivate; }

// ---- Bytes ----

uint64_t LLKCPipe::send_bytesFrom(uint64_t length, const void* bytes) noexcept {
  return llk::detail::writeOnceQuietly(iPrivate->mSend, bytes, length);
}

uint64_t LLKCPipe::recv_bytesInto(uint64_t length, void* bytes) noexcept {
  return llk::detail::readOnce(iPrivate->mRecv, bytes, length);
}
