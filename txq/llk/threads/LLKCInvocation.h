#ifndef TXQ_LLK_THREADS_LLKCINVOCATION_H
#define TXQ_LLK_THREADS_LLKCINVOCATION_H
// LLKCInvocation: a deferred call, the callback object of the library. Either a selector sent to a
// target (with an optional object argument), or a plain function called with (object, context).
//
//   LLKCInvocation* later = LLKCInvocation::invocationWithSelector_target(LLK_SEL("flush"), cache);
//   later->invoke();                                      // cache->performSelector("flush")
//   LLKCInvocation::invocationWithFunction_andContext(&onTick, &state)->invokeWithObject(item);
//
// invoke: with a function, calls function(object, context) and nothing else (target and selector
// are ignored); otherwise with no target does nothing; with a target adopting LLKPInvocable hands
// this invocation to target->invokeInvocation (which runs it on the target's own thread); otherwise
// performs the selector on the target, with the object as argument when it is set.
// A selector form without a target is completed by whoever runs it: invokeWithTarget names the
// receiver. invokeWithObject stores its argument (it stays) and invokes.
// Ownership: factories and copies autoreleased; init... +1; target and object retained, the
//            context is not owned; object() is retained and autoreleased.
// Threads:   invoke runs on the calling thread (except as LLKPInvocable says); the object is read and
//            replaced atomically from any thread; the rest is fixed at creation.

#include <txq/llk/object/LLKBObject.h>

// The function of the function form: called with the invocation's object and context.
using LLKFInvocationFunction = void (*)(LLKBObject* object, void* context);

class LLK_EXPORT LLKCInvocation : public LLKBObject {
  LLK_OBJECT(LLKCInvocation, LLKBObject)

 public:
  LLKBObject* iTarget;               // retained, may be nil
  LLKSEL iSelector;
  LLKBObject* iObject;               // retained, may be nil
  LLKFInvocationFunction iFunction;  // set: the function form
  void* iContext;                    // not owned

  // ---- Selector form ----
  static LLKCInvocation* invocationWithSelector(LLKSEL selector) noexcept;
  static LLKCInvocation* invocationWithSelector_andObject(LLKSEL selector, LLKBObject* object) noexcept;
  static LLKCInvocation* invocationWithSelector_target(LLKSEL selector, LLKBObject* target) noexcept;
  static LLKCInvocation* invocationWithSelector_target_andObject(LLKSEL selector, LLKBObject* target,
                                                                 LLKBObject* object) noexcept;
  LLKCInvocation* initWithSelector(LLKSEL selector) noexcept;
  LLKCInvocation* initWithSelector_andObject(LLKSEL selector, LLKBObject* object) noexcept;
  LLKCInvocation* initWithSelector_target(LLKSEL selector, LLKBObject* target) noexcept;
  LLKCInvocation* initWithSelector_target_andObject(LLKSEL selector, LLKBObject* target, LLKBObject* object) noexcept;

  // ---- Function form ----
  static LLKCInvocation* invocationWithFunction(LLKFInvocationFunction function) noexcept;
  static LLKCInvocation* invocationWithFunction_andContext(LLKFInvocationFunction function, void* context) noexcept;
  static LLKCInvocation* invocationWithFunction_context_andObject(LLKFInvocationFunction function, void* context,
                                                                  LLKBObject* object) noexcept;
  LLKCInvocation* initWithFunction(LLKFInvocationFunction function) noexcept;
  LLKCInvocation* initWithFunction_andContext(LLKFInvocationFunction function, void* context) noexcept;
  LLKCInvocation* initWithFunction_context_andObject(LLKFInvocationFunction function, void* context,
                                                     LLKBObject* object) noexcept;

  // ---- Calling ----
  void invoke() noexcept;
  // invoke with `target` in place of the stored one (the function form still ignores it).
  void invokeWithTarget(LLKBObject* target) noexcept;
  // setObject(object), then invoke.
  void invokeWithObject(LLKBObject* object) noexcept;

  // ---- Access ----
  LLKBObject* target() noexcept;
  LLKSEL selector() noexcept;
  LLKFInvocationFunction function() noexcept;
  void* context() noexcept;
  LLKBObject* object() noexcept;
  void setObject(LLKBObject* object) noexcept;

  // ---- Value protocols ----
  // Target retained; selector, function and context copied; the object retained, or (deep)
  // replaced by its copy when it adopts LLKPCopyable, a nil copy failing the whole copy.
  LLKCInvocation* initWithCopy_deep(LLKBObject* source, bool deep) noexcept override;
  LLKCInvocation* copy() noexcept override;
  LLKCInvocation* deepCopy() noexcept override;

 protected:
  ~LLKCInvocation() override;  // releases object and target
};

#endif  // TXQ_LLK_THREADS_LLKCINVOCATION_H
