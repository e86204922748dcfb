#include <txq/llk/threads/LLKCIndicator.h>

#include <txq/llk/collections/LLKContainerMaking_p.h>

LLK_DEFINE_CLASS(LLKCIndicator, LLK_PROTOCOLS(LLKPSignaling), init, initWithRecv, initWithSend,
                 initWithRecv_andSend, setRecvFlags, setSendFlags, recvFD, recvFlags, sendFD, sendFlags)

LLKCIndicator* LLKCIndicator::init() noexcept {
  iPrivate = new (std::nothrow) private_t;
  if (iPrivate == nullptr) {
    dealloc();
    return nullptr;
  }
  return this;
}

LLKCIndicator* LLKCIndicator::indicatorWithRecv(int32_t recvFD) noexcept {
  return llk::detail::autoreleasedNew(&LLKCIndicator::initWithRecv, recvFD);
}

LLKCIndicator* LLKCIndicator::initWithRecv(int32_t recvFD) noexcept {
  return initWithRecv_andSend(recvFD, -1);
}

LLKCIndicator* LLKCIndicator::indicatorWithSend(int32_t sendFD) noexcept {
  return llk::detail::autoreleasedNew(&LLKCIndicator::initWithSend, sendFD);
}

LLKCIndicator* LLKCIndicator::initWithSend(int32_t sendFD) noexcept {
  return initWithRecv_andSend(-1, sendFD);
}

LLKCIndicator* LLKCIndicator::indicatorWithRecv_andSend(int32_t recvFD, int32_t sendFD) noexcept {
  return llk::detail::autoreleasedNew(&LLKCIndicator::initWithRecv_andSend, recvFD, sendFD);
}

LLKCIndicator* LLKCIndicator::initWithRecv_andSend(int32_t recvFD, int32_t sendFD) noexcept {
  if (LLKCIndicator::init() == nullptr) return nullptr;
  iPrivate->mRecv = recvFD;
  iPrivate->mSend = sendFD;
  return this;
}

LLKCIndicator::~LLKCIndicator() { delete iPrivate; }
