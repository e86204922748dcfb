#ifndef TXQ_LLK_THREADS_LLKPINVOCABLE_H
#define TXQ_LLK_THREADS_LLKPINVOCABLE_H
// LLKPInvocable: the role of an object that runs invocations on a thread of its own (the looper
// threads). An invocation whose target adopts it is handed over with invokeInvocation instead of
// being performed on the calling thread.
// Threads: invokeInvocation may be called from any thread; the adopter runs the invocation later,
//          on its own thread.

#include <txq/llk/object/LLKBObject.h>

class LLKCInvocation;

struct LLK_EXPORT LLKPInvocable {
  static const LLKProtocol kProtocol;

  // Takes the invocation (retaining it) to run it on the adopter's thread.
  virtual void invokeInvocation(LLKCInvocation* invocation) noexcept = 0;

 protected:
  ~LLKPInvocable() = default;
};

#endif  // TXQ_LLK_THREADS_LLKPINVOCABLE_H
