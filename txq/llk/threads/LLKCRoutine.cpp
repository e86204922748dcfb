#include <txq/llk/threads/LLKCRoutine.h>

#include <txq/llk/coding/LLKBDecoder.h>
#include <txq/llk/coding/LLKBEncoder.h>
#include <txq/llk/collections/LLKContainerMaking_p.h>
#include <txq/llk/object/LLKSynchronized.h>
#include <txq/llk/threads/LLKCCondition.h>
#include <txq/llk/values/LLKFTime.h>

#include "LLKAtomicProperty_p.h"
#include "LLKOptionalObject_p.h"

LLK_DEFINE_CLASS(LLKCRoutine, LLK_PROTOCOLS(LLKPCopyable, LLKPEncodable), init, initWithCode_andInput, code, input,
                 stamp, uid, tag, ctx, status, setStatus, output, setOutput, ref, setRef, rsvp, setRsvp,
                 initWithCopy_deep, copy, deepCopy, encodeWithCoder, initWithCoder)

using llk::detail::atomicLoad;
using llk::detail::atomicStore;

namespace {

// The object itself, or (deep) its copy when it adopts LLKPCopyable. NO when that copy is nil.
bool copiedPart(LLKBObject* part, bool deep, LLKBObject** out) noexcept {
  *out = part;
  if (deep && llk::conformsTo(part, &LLKPCopyable::kProtocol)) *out = part->copy();
  return *out != nullptr || part == nullptr;
}

// The routine's output, retained for the caller (+1).
LLKBObject* retainedOutput(LLKCRoutine* routine) noexcept {
  llk::Synchronized monitor(routine);
  return llk::retain(routine->iOutput);
}

}  // namespace

// ---- Creation ----

LLKCRoutine* LLKCRoutine::routineWithCode(LLKTCode code) noexcept {
  return llk::detail::autoreleasedNew(&LLKCRoutine::initWithCode_andInput, code, nullptr);
}

LLKCRoutine* LLKCRoutine::routineWithCode_andInput(LLKTCode code, LLKBObject* input) noexcept {
  return llk::detail::autoreleasedNew(&LLKCRoutine::initWithCode_andInput, code, input);
}

LLKCRoutine* LLKCRoutine::routineWithInput(LLKBObject* input) noexcept {
  return llk::detail::autoreleasedNew(&LLKCRoutine::initWithCode_andInput, LLKTCode{}, input);
}

LLKCRoutine* LLKCRoutine::initWithCode_andInput(LLKTCode code, LLKBObject* input) noexcept {
  iCode = code;
  iInput = llk::retain(input);
  iStamp = LLKFNowInS();
  return this;
}

LLKCRoutine* LLKCRoutine::init() noexcept { return initWithCode_andInput(LLKTCode{}, nullptr); }

LLKCRoutine::~LLKCRoutine() {
  llk::release(iInput);
  llk::release(iOutput);
  llk::release(iReference);
  llk::release(iRsvp);
}

// ---- Fixed at creation ----

LLKTCode LLKCRoutine::code() noexcept { return LLKTCode{uid(), tag(), ctx()}; }

LLKBObject* LLKCRoutine::input() noexcept { return atomicLoad(iInput); }

double LLKCRoutine::stamp() noexcept { return atomicLoad(iStamp); }

uint32_t LLKCRoutine::uid() noexcept { return atomicLoad(iCode.mUid); }

uint32_t LLKCRoutine::tag() noexcept { return atomicLoad(iCode.mTag); }

uint32_t LLKCRoutine::ctx() noexcept { return atomicLoad(iCode.mCtx); }

// ---- Result ----

int32_t LLKCRoutine::status() noexcept { return atomicLoad(iStatus, std::memory_order_acquire); }

void LLKCRoutine::setStatus(int32_t status) noexcept { atomicStore(iStatus, status, std::memory_order_release); }

LLKBObject* LLKCRoutine::output() noexcept { return llk::autorelease(retainedOutput(this)); }

void LLKCRoutine::setOutput(LLKBObject* output) noexcept {
  llk::retain(output);
  LLKBObject* old = nullptr;
  {
    llk::Synchronized monitor(this);
    old = iOutput;
    iOutput = output;
  }
  llk::release(old);  // outside the monitor: it may run a dealloc
}

// ---- Requester's fields ----

LLKBObject* LLKCRoutine::ref() noexcept { return llk::detail::propertyGet(&iReference); }

void LLKCRoutine::setRef(LLKBObject* reference) noexcept { llk::detail::propertySet(&iReference, reference); }

LLKCCondition* LLKCRoutine::rsvp() noexcept { return llk::detail::propertyGet(&iRsvp); }

void LLKCRoutine::setRsvp(LLKCCondition* rsvp) noexcept { llk::detail::propertySet(&iRsvp, rsvp); }

// ---- Value protocols ----

LLKCRoutine* LLKCRoutine::initWithCopy_deep(LLKBObject* source, bool deep) noexcept {
  LLKCRoutine* other = llk::cast<LLKCRoutine>(source);
  if (other == nullptr) {
    dealloc();
    return nullptr;
  }
  iCode = other->code();
  iStamp = other->stamp();
  iReference = llk::detail::propertyRetained(&other->iReference);
  LLKCCondition* rsvp = llk::detail::propertyRetained(&other->iRsvp);
  if (rsvp != nullptr) {
    LLKCCondition* condition = LLKCCondition::alloc();
    iRsvp = condition != nullptr ? condition->initWithLock(rsvp->lock()) : nullptr;
    rsvp->release();
    if (iRsvp == nullptr) {
      dealloc();
      return nullptr;
    }
  }
  LLKBObject* input = nullptr;
  LLKBObject* output = nullptr;
  LLKBObject* sourceOutput = retainedOutput(other);
  const bool copied = copiedPart(other->input(), deep, &input) && copiedPart(sourceOutput, deep, &output);
  iInput = copied ? llk::retain(input) : nullptr;
  iOutput = copied ? llk::retain(output) : nullptr;
  llk::release(sourceOutput);
  if (!copied) {
    dealloc();
    return nullptr;
  }
  return this;
}

LLKCRoutine* LLKCRoutine::copy() noexcept { return static_cast<LLKCRoutine*>(Super::copy()); }

LLKCRoutine* LLKCRoutine::deepCopy() noexcept { return static_cast<LLKCRoutine*>(Super::deepCopy()); }

// ---- Coding ----

bool LLKCRoutine::encodeWithCoder(LLKBEncoder* coder) noexcept {
  using llk::detail::encodeOptionalObject;
  if (coder == nullptr || !coder->encodeUint32(uid()) || !coder->encodeUint32(tag()) ||
      !coder->encodeUint32(ctx()) || !coder->encodeReal64(stamp())) {
    return false;
  }
  // A part that fails must fail the whole: its flag is already written, and a reader would take
  // the next part's bytes for it.
  LLKBObject* reference = llk::detail::propertyRetained(&iReference);
  LLKBObject* output = retainedOutput(this);
  const bool written = encodeOptionalObject(coder, reference) && encodeOptionalObject(coder, input()) &&
                       encodeOptionalObject(coder, output);
  llk::release(reference);
  llk::release(output);
  return written;
}

LLKCRoutine* LLKCRoutine::initWithCoder(LLKBDecoder* coder) noexcept {
  using llk::detail::decodeOptionalObject;
  if (coder == nullptr || !coder->decodeUint32(&iCode.mUid) || !coder->decodeUint32(&iCode.mTag) ||
      !coder->decodeUint32(&iCode.mCtx) || !coder->decodeReal64(&iStamp)) {
    dealloc();
    return nullptr;
  }
  // Reference and input are kept only when they decode; the output must.
  LLKBObject* part = nullptr;
  if (decodeOptionalObject(coder, &part)) iReference = llk::retain(part);
  if (decodeOptionalObject(coder, &part)) iInput = llk::retain(part);
  if (!decodeOptionalObject(coder, &part)) {
    dealloc();
    return nullptr;
  }
  iOutput = llk::retain(part);
  return this;
}
