#include "LLKDescriptorIO_p.h"

#include <fcntl.h>
#include <pthread.h>
#include <signal.h>
#include <sys/socket.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <climits>

namespace {

// One call of the C library is limited to SSIZE_MAX bytes.
size_t clampLength(uint64_t length) noexcept {
  return static_cast<size_t>(std::min<uint64_t>(length, SSIZE_MAX));
}

uint64_t counted(ssize_t outcome) noexcept { return outcome > 0 ? static_cast<uint64_t>(outcome) : 0; }

}  // namespace

namespace llk::detail {

bool makeWakePipe(int32_t ends[2]) noexcept {
  int made[2];
  if (pipe2(made, O_NONBLOCK | O_CLOEXEC) != 0) {
    ends[0] = ends[1] = -1;
    return false;
  }
  ends[0] = made[0];
  ends[1] = made[1];
  return true;
}

uint64_t readOnce(int32_t fd, void* bytes, uint64_t length) noexcept {
  if (fd < 0 || (bytes == nullptr && length != 0)) return 0;
  ssize_t outcome;
  do {
    outcome = ::read(fd, bytes, clampLength(length));
  } while (outcome < 0 && errno == EINTR);
  return counted(outcome);
}

uint64_t writeOnce(int32_t fd, const void* bytes, uint64_t length) noexcept {
  if (fd < 0 || (bytes == nullptr && length != 0)) return 0;
  ssize_t outcome;
  do {
    outcome = ::write(fd, bytes, clampLength(length));
  } while (outcome < 0 && errno == EINTR);
  return counted(outcome);
}

uint64_t writeOnceQuietly(int32_t fd, const void* bytes, uint64_t length) noexcept {
  if (fd < 0 || (bytes == nullptr && length != 0)) return 0;
  sigset_t pipeOnly;
  sigset_t previous;
  sigemptyset(&pipeOnly);
  sigaddset(&pipeOnly, SIGPIPE);
  pthread_sigmask(SIG_BLOCK, &pipeOnly, &previous);
  // A SIGPIPE can only be pending already when the caller had it blocked; that one stays theirs.
  bool pendingBefore = false;
  if (sigismember(&previous, SIGPIPE) == 1) {
    sigset_t pending;
    pendingBefore = sigpending(&pending) == 0 && sigismember(&pending, SIGPIPE) == 1;
  }
  ssize_t outcome;
  do {
    outcome = ::write(fd, bytes, clampLength(length));
  } while (outcome < 0 && errno == EINTR);
  if (outcome < 0 && errno == EPIPE && !pendingBefore) {
    const timespec now{0, 0};
    while (sigtimedwait(&pipeOnly, nullptr, &now) < 0 && errno == EINTR) {
    }
  }
  pthread_sigmask(SIG_SETMASK, &previous, nullptr);
  return counted(outcome);
}

uint64_t writeOnceToAny(int32_t fd, const void* bytes, uint64_t length) noexcept {
  if (fd < 0 || (bytes == nullptr && length != 0)) return 0;
  ssize_t outcome;
  do {
    outcome = ::send(fd, bytes, clampLength(length), MSG_NOSIGNAL);
  } while (outcome < 0 && errno == EINTR);
  if (outcome < 0 && errno == ENOTSOCK) return writeOnceQuietly(fd, bytes, length);
  return counted(outcome);
}

}  // namespace llk::detail
