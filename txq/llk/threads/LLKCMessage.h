#ifndef TXQ_LLK_THREADS_LLKCMESSAGE_H
#define TXQ_LLK_THREADS_LLKCMESSAGE_H
// LLKCMessage: an immutable notice passed between threads: a code saying what it is, an optional
// payload object, and the time it was made (seconds since the epoch).
//
//   LLKCMessage* m = LLKCMessage::messageWithCode_andPayload({7, 1, 0}, LLKCString::stringWithChars("up"));
//   if (m->uid() == 7) use(m->payload());
//
// Coding: uid, tag, ctx (unsigned 32-bit each), the stamp (real64), then a bool saying whether the
// payload follows as an object. A payload that is not encodable is left out (it decodes as nil).
// Ownership: factories and copies autoreleased; init... +1; the payload is retained, payload()
//            answers it borrowed.
// Threads:   read-only after construction: share it with any number of threads.
// Failure:   copies and decodings that fail answer nil.

#include <cstdint>

#include <txq/llk/object/LLKBObject.h>
#include <txq/llk/values/LLKCCode.h>

class LLK_EXPORT LLKCMessage : public LLKBObject {
  LLK_OBJECT(LLKCMessage, LLKBObject)

 public:
  LLKTCode iCode;
  LLKBObject* iPayload;  // retained, may be nil
  double iStamp;         // creation time, seconds since the epoch

  // ---- Creation ----
  static LLKCMessage* messageWithCode(LLKTCode code) noexcept;
  static LLKCMessage* messageWithCode_andPayload(LLKTCode code, LLKBObject* payload) noexcept;
  LLKCMessage* initWithCode_andPayload(LLKTCode code, LLKBObject* payload) noexcept;
  // A zero code, no payload.
  LLKCMessage* init() noexcept override;

  // ---- Access ----
  LLKTCode code() noexcept;
  LLKBObject* payload() noexcept;
  double stamp() noexcept;
  uint32_t uid() noexcept;
  uint32_t tag() noexcept;
  uint32_t ctx() noexcept;

  // ---- Value protocols ----
  // Code and stamp copied; the payload retained, or (deep) replaced by its copy when it adopts
  // LLKPCopyable, a nil copy failing the whole copy. nil for a source that is not a message.
  LLKCMessage* initWithCopy_deep(LLKBObject* source, bool deep) noexcept override;
  LLKCMessage* copy() noexcept override;
  LLKCMessage* deepCopy() noexcept override;

  // ---- Coding ----
  bool encodeWithCoder(LLKBEncoder* coder) noexcept override;
  LLKCMessage* initWithCoder(LLKBDecoder* coder) noexcept override;

 protected:
  ~LLKCMessage() override;  // releases the payload
};

#endif  // TXQ_LLK_THREADS_LLKCMESSAGE_H
