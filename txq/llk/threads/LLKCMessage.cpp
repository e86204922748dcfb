#include <txq/llk/threads/LLKCMessage.h>

#include <txq/llk/coding/LLKBDecoder.h>
#include <txq/llk/coding/LLKBEncoder.h>
#include <txq/llk/collections/LLKContainerMaking_p.h>
#include <txq/llk/values/LLKFTime.h>

#include "LLKAtomicProperty_p.h"
#include "LLKOptionalObject_p.h"

LLK_DEFINE_CLASS(LLKCMessage, LLK_PROTOCOLS(LLKPCopyable, LLKPEncodable), init, initWithCode_andPayload, code,
                 payload, stamp, uid, tag, ctx, initWithCopy_deep, copy, deepCopy, encodeWithCoder, initWithCoder)

using llk::detail::atomicLoad;

// ---- Creation ----

LLKCMessage* LLKCMessage::messageWithCode(LLKTCode code) noexcept {
  return llk::detail::autoreleasedNew(&LLKCMessage::initWithCode_andPayload, code, nullptr);
}

LLKCMessage* LLKCMessage::messageWithCode_andPayload(LLKTCode code, LLKBObject* payload) noexcept {
  return llk::detail::autoreleasedNew(&LLKCMessage::initWithCode_andPayload, code, payload);
}

LLKCMessage* LLKCMessage::initWithCode_andPayload(LLKTCode code, LLKBObject* payload) noexcept {
  iCode = code;
  iPayload = llk::retain(payload);
  iStamp = LLKFNowInS();
  return this;
}

LLKCMessage* LLKCMessage::init() noexcept { return initWithCode_andPayload(LLKTCode{}, nullptr); }

LLKCMessage::~LLKCMessage() { llk::release(iPayload); }

// ---- Access ----

LLKTCode LLKCMessage::code() noexcept { return LLKTCode{uid(), tag(), ctx()}; }

LLKBObject* LLKCMessage::payload() noexcept { return atomicLoad(iPayload); }

double LLKCMessage::stamp() noexcept { return atomicLoad(iStamp); }

uint32_t LLKCMessage::uid() noexcept { return atomicLoad(iCode.mUid); }

uint32_t LLKCMessage::tag() noexcept { return atomicLoad(iCode.mTag); }

uint32_t LLKCMessage::ctx() noexcept { return atomicLoad(iCode.mCtx); }

// ---- Value protocols ----

LLKCMessage* LLKCMessage::initWithCopy_deep(LLKBObject* source, bool deep) noexcept {
  LLKCMessage* other = llk::cast<LLKCMessage>(source);
  if (other == nullptr) {
    dealloc();
    return nullptr;
  }
  LLKBObject* payload = other->payload();
  if (deep && llk::conformsTo(payload, &LLKPCopyable::kProtocol) && (payload = payload->copy()) == nullptr) {
    dealloc();
    return nullptr;
  }
  iCode = other->code();
  iPayload = llk::retain(payload);
  iStamp = other->stamp();
  return this;
}

LLKCMessage* LLKCMessage::copy() noexcept { return static_cast<LLKCMessage*>(Super::copy()); }

LLKCMessage* LLKCMessage::deepCopy() noexcept { return static_cast<LLKCMessage*>(Super::deepCopy()); }

// ---- Coding ----

bool LLKCMessage::encodeWithCoder(LLKBEncoder* coder) noexcept {
  return coder != nullptr && coder->encodeUint32(iCode.mUid) && coder->encodeUint32(iCode.mTag) &&
         coder->encodeUint32(iCode.mCtx) && coder->encodeReal64(iStamp) &&
         llk::detail::encodeOptionalObject(coder, iPayload);
}

LLKCMessage* LLKCMessage::initWithCoder(LLKBDecoder* coder) noexcept {
  LLKBObject* payload = nullptr;
  if (coder == nullptr || !coder->decodeUint32(&iCode.mUid) || !coder->decodeUint32(&iCode.mTag) ||
      !coder->decodeUint32(&iCode.mCtx) || !coder->decodeReal64(&iStamp) ||
      !llk::detail::decodeOptionalObject(coder, &payload)) {
    dealloc();
    return nullptr;
  }
  iPayload = llk::retain(payload);
  return this;
}
