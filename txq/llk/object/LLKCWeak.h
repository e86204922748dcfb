#ifndef TXQ_LLK_OBJECT_LLKCWEAK_H
#define TXQ_LLK_OBJECT_LLKCWEAK_H
// LLKCWeak: a box holding an object reference that is not retained. The box does not learn when
// the object goes away: the holder must know that the object outlives its use.
// Ownership: iObject not retained. Factories autoreleased; copies autoreleased and share iObject.
// Threads:   one thread at a time.

#include <txq/llk/object/LLKBObject.h>

class LLK_EXPORT LLKCWeak : public LLKBObject {
  LLK_OBJECT(LLKCWeak, LLKBObject)

 public:
  LLKBObject* iObject;  // not retained

  static LLKCWeak* weakWithObject(LLKBObject* object) noexcept;
  LLKCWeak* initWithObject(LLKBObject* object) noexcept;
  LLKBObject* object() noexcept { return iObject; }

  // Shallow and deep copies are the same: another box on the same object.
  LLKCWeak* initWithCopy_deep(LLKBObject* source, bool deep) noexcept override;
  LLKCWeak* copy() noexcept override;
  LLKCWeak* deepCopy() noexcept override;
};

#endif  // TXQ_LLK_OBJECT_LLKCWEAK_H
