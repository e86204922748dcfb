#ifndef TXQ_LLK_THREADS_LLKOPTIONALOBJECT_P_H
#define TXQ_LLK_THREADS_LLKOPTIONALOBJECT_P_H
// Internal: an optional object field in a coder (messages and routines): a bool saying whether the
// object follows, then the object. Not installed, not API.

#include <txq/llk/coding/LLKBDecoder.h>
#include <txq/llk/coding/LLKBEncoder.h>
#include <txq/llk/object/LLKProtocols.h>

namespace llk::detail {

// YES and the object when it is set and adopts LLKPEncodable; otherwise NO alone (the object is
// dropped). Answers whether everything written was stored.
inline bool encodeOptionalObject(LLKBEncoder* coder, LLKBObject* object) noexcept {
  if (!llk::conformsTo(object, &LLKPEncodable::kProtocol)) return coder->encodeBool(false);
  return coder->encodeBool(true) && coder->encodeObject(object);
}

// Reads what encodeOptionalObject wrote: YES with *object the decoded object (autoreleased) or nil
// when the flag said none; NO when the flag or the announced object could not be read.
inline bool decodeOptionalObject(LLKBDecoder* coder, LLKBObject** object) noexcept {
  bool present = false;
  *object = nullptr;
  if (!coder->decodeBool(&present)) return false;
  return !present || coder->decodeObject(object);
}

}  // namespace llk::detail

#endif  // TXQ_LLK_THREADS_LLKOPTIONALOBJECT_P_H
