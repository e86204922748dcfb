#include <txq/llk/threads/LLKCLine.h>

#include <txq/llk/collections/LLKContainerMaking_p.h>

#include "LLKDescriptorIO_p.h"

LLK_DEFINE_CLASS(LLKCLine, LLK_PROTOCOLS(LLKPSignaling), init, initWithRecv_send, initWithRecv, initWithSend,
                 setRecvFlags, send_bytesFrom, recv_bytesInto, recvFD, recvFlags, sendFD, sendFlags)

LLKCLine* LLKCLine::init() noexcept {
  iPrivate = new (std::nothrow) private_t;
  if (iPrivate == nullptr) {
    dealloc();
    return nullptr;
  }
  return this;
}

LLKCLine* LLKCLine::lineWithRecv_send(int32_t recvFD, int32_t sendFD) noexcept {
  return llk::detail::autoreleasedNew(&LLKCLine::initWithRecv_send, recvFD, sendFD);
}

LLKCLine* LLKCLine::initWithRecv_send(int32_t recvFD, int32_t sendFD) noexcept {
  if (LLKCLine::init() == nullptr) return nullptr;
  iPrivate->mRecv = recvFD;
  iPrivate->mSend = sendFD;
  return this;
}

LLKCLine* LLKCLine::lineWithRecv(int32_t recvFD) noexcept {
  return llk::detail::autoreleasedNew(&LLKCLine::initWithRecv, recvFD);
}

LLKCLine* LLKCLine::initWithRecv(int32_t recvFD) noexcept { return initWithRecv_send(recvFD, -1); }

LLKCLine* LLKCLine::lineWithSend(int32_t sendFD) noexcept {
  return llk::detail::autoreleasedNew(&LLKCLine::initWithSend, sendFD);
}

LLKCLine* LLKCLine::initWithSend(int32_t sendFD) noexcept { return initWithRecv_send(-1, sendFD); }

LLKCLine::~LLKCLine() { delete iPrivate; }

uint64_t LLKCLine::send_bytesFrom(uint64_t length, const void* bytes) noexcept {
  const int32_t fd = iPrivate->mSend;
  return fd < 0 ? 0 : llk::detail::writeOnceToAny(fd, bytes, length);
}

uint64_t LLKCLine::recv_bytesInto(uint64_t length, void* bytes) noexcept {
  const int32_t fd = iPrivate->mRecv;
  return fd < 0 ? 0 : llk::detail::readOnce(fd, bytes, length);
}
