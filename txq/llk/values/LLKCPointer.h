#ifndef TXQ_LLK_VALUES_LLKCPOINTER_H
#define TXQ_LLK_VALUES_LLKCPOINTER_H
// LLKCPointer: an untyped address as an object, for use as a key. The address is never dereferenced.
// Ownership: factories and copies autoreleased; init... +1. Threads: immutable, any thread.

#include <cstdint>

#include <txq/llk/object/LLKBObject.h>

class LLK_EXPORT LLKCPointer : public LLKBObject {
  LLK_OBJECT(LLKCPointer, LLKBObject)

 public:
  void* iValue;

  static LLKCPointer* pointerWithValue(void* value) noexcept;
  LLKCPointer* initWithValue(void* value) noexcept;
  void* value() const noexcept { return iValue; }

  // -1, 0 or 1 by address as an unsigned number; 1 for another class.
  int32_t compareTo(LLKBObject* other) noexcept override;
  uint32_t hashCode() noexcept override;  // the library hash of the 8 address bytes
  uint32_t hashCodeWithFunction_andContext(LLKFHashFeed function, void* context) noexcept override;
  LLKCPointer* initWithCopy_deep(LLKBObject* source, bool deep) noexcept override;
  LLKCPointer* copy() noexcept override;
  LLKCPointer* deepCopy() noexcept override;
};

#endif  // TXQ_LLK_VALUES_LLKCPOINTER_H
