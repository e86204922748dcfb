#ifndef TXQ_LLK_OBJECT_LLKSTATUS_H
#define TXQ_LLK_OBJECT_LLKSTATUS_H
// The status results shared by the library's operations: a signed 32-bit code, 0 for success.
// Kits with codes of their own (sockets, the tokenizer, the active multiplexer) list them beside
// their classes.

#include <cstdint>

namespace llk {

enum Status : int32_t {
  kDone = 0,
  kNoMemory = 2,          // out of memory
  kNotFound = 5,          // not found, or empty
  kNoFreeSlot = 7,        // no free slot
  kNotSupported = 8,      // not supported by this class
  kFullNoSpare = 9,       // full: no spare node and growing not allowed
  kFull = 10,             // full: capacity reached and growing not allowed
  kRefused = 11,          // refused (an accept callback vetoed, or the object does not allow it)
  kOutOfRange = 15,       // index out of range
  kAlreadyPresent = 17,   // already present
  kWrongType = 20,        // a stored value of another type
  kNilArgument = 24,      // nil argument
};

}  // namespace llk

#endif  // TXQ_LLK_OBJECT_LLKSTATUS_H
