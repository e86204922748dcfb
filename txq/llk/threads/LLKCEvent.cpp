#include <txq/llk/threads/LLKCEvent.h>

#include <unistd.h>

#include <txq/llk/collections/LLKContainerMaking_p.h>

#include "LLKDescriptorIO_p.h"

LLKCEvent::private_t::~private_t() {
  if (mRecv >= 0) close(mRecv);
  if (mSend >= 0) close(mSend);
}

LLK_DEFINE_CLASS(LLKCEvent, LLK_PROTOCOLS(LLKPSignaling), init, signal, clear, reset, recvFD, recvFlags,
                 sendFD, sendFlags)

LLKCEvent* LLKCEvent::event() noexcept { return llk::detail::autoreleasedNew(&LLKCEvent::init); }

LLKCEvent* LLKCEvent::init() noexcept {
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

LLKCEvent::~LLKCEvent() { delete iPrivate; }

bool LLKCEvent::signal() noexcept {
  const uint8_t mark = 0xFF;
  return llk::detail::writeOnce(iPrivate->mSend, &mark, 1) == 1;
}

void LLKCEvent::clear() noexcept {
  uint8_t mark;
  llk::detail::readOnce(iPrivate->mRecv, &mark, 1);
}

void LLKCEvent::reset() noexcept {
  uint8_t marks[255];
  while (llk::detail::readOnce(iPrivate->mRecv, marks, sizeof marks) > 0) {
  }
}
