#ifndef TXQ_LLK_THREADS_LLKCROUTINE_H
#define TXQ_LLK_THREADS_LLKCROUTINE_H
// LLKCRoutine: a request that travels to a serving thread and comes back with a result: a code
// saying what is asked, an input, an output set by the handler, a status word, a free reference for
// the requester and an optional condition (rsvp) on which the requester sleeps.
//
//   // requester
//   LLKCRoutine* r = LLKCRoutine::routineWithInput(x);
//   r->setRsvp(LLKCCondition::conditionWithLock(LLKCLock::lock_()));
//   r->setStatus(kPending);
//   ...hand r to the serving thread and wake it...
//   LLKCCondition* c = r->rsvp();
//   c->lock()->lock();
//   while (r->status() == kPending) c->wait();
//   c->lock()->unlock();
//
//   // handler, on the serving thread
//   r->setOutput(result);
//   LLKCCondition* c = r->rsvp();
//   c->lock()->lock();
//   r->setStatus(kDone);
//   c->signal();
//   c->lock()->unlock();
//
// The status values are the users' convention; a routine starts at 0.
// Coding: uid, tag, ctx, stamp, then reference, input and output each as a presence bool and the
// object (nil or not encodable: the bool alone). Status and rsvp are not coded; a decoded routine
// has status 0 and no rsvp; a reference or input that cannot be decoded is left nil.
// Ownership: factories and copies autoreleased; init... +1; input, output, reference and rsvp
//            retained. input() is borrowed; output(), ref() and rsvp() are retained and autoreleased
//            (they may be replaced meanwhile by another thread).
// Threads:   any thread. Code, input and stamp are fixed at creation; status is read and written
//            atomically; output under the routine's monitor; reference and rsvp atomically.
// Failure:   copies and decodings that fail answer nil.

#include <cstdint>

#include <txq/llk/object/LLKBObject.h>
#include <txq/llk/values/LLKCCode.h>

class LLKCCondition;

class LLK_EXPORT LLKCRoutine : public LLKBObject {
  LLK_OBJECT(LLKCRoutine, LLKBObject)

 public:
  LLKTCode iCode;
  LLKCCondition* iRsvp;    // retained, may be nil
  LLKBObject* iReference;  // retained, may be nil
  LLKBObject* iInput;      // retained, may be nil
  LLKBObject* iOutput;     // retained, may be nil
  int32_t iStatus;
  double iStamp;           // creation time, seconds since the epoch

  // ---- Creation ----
  static LLKCRoutine* routineWithCode(LLKTCode code) noexcept;
  static LLKCRoutine* routineWithCode_andInput(LLKTCode code, LLKBObject* input) noexcept;
  // A zero code.
  static LLKCRoutine* routineWithInput(LLKBObject* input) noexcept;
  LLKCRoutine* initWithCode_andInput(LLKTCode code, LLKBObject* input) noexcept;
  // A zero code, no input.
  LLKCRoutine* init() noexcept override;

  // ---- Fixed at creation ----
  LLKTCode code() noexcept;
  LLKBObject* input() noexcept;
  double stamp() noexcept;
  uint32_t uid() noexcept;
  uint32_t tag() noexcept;
  uint32_t ctx() noexcept;

  // ---- Result ----
  int32_t status() noexcept;      // acquire: what was set before setStatus is visible
  void setStatus(int32_t status) noexcept;
  LLKBObject* output() noexcept;
  void setOutput(LLKBObject* output) noexcept;

  // ---- Requester's fields ----
  LLKBObject* ref() noexcept;
  void setRef(LLKBObject* reference) noexcept;
  LLKCCondition* rsvp() noexcept;
  void setRsvp(LLKCCondition* rsvp) noexcept;

  // ---- Value protocols ----
  // Code and stamp copied, status 0, the reference retained. A source with an rsvp gives the copy a
  // new condition on the same lock. Input and output retained, or (deep) replaced by their copies
  // when they adopt LLKPCopyable, a nil copy failing the whole copy. nil for a source that is not a
  // routine, or when the condition cannot be made.
  LLKCRoutine* initWithCopy_deep(LLKBObject* source, bool deep) noexcept override;
  LLKCRoutine* copy() noexcept override;
  LLKCRoutine* deepCopy() noexcept override;

  // ---- Coding ----
  // NO when any part could not be written.
  bool encodeWithCoder(LLKBEncoder* coder) noexcept override;
  LLKCRoutine* initWithCoder(LLKBDecoder* coder) noexcept override;

 protected:
  ~LLKCRoutine() override;  // releases input, output, reference and rsvp
};

#endif  // TXQ_LLK_THREADS_LLKCROUTINE_H
