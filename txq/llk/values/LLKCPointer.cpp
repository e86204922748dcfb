#include <txq/llk/values/LLKCPointer.h>

#include <txq/llk/values/LLKFHash.h>

LLK_DEFINE_CLASS(LLKCPointer, LLK_PROTOCOLS(LLKPComparable, LLKPHashable, LLKPCopyable), initWithValue, value,
                 compareTo, hashCode, hashCodeWithFunction_andContext, initWithCopy_deep, copy, deepCopy)

LLKCPointer* LLKCPointer::pointerWithValue(void* value) noexcept {
  LLKCPointer* pointer = alloc();
  return pointer != nullptr ? llk::autorelease(pointer->initWithValue(value)) : nullptr;
}

LLKCPointer* LLKCPointer::initWithValue(void* value) noexcept {
  init();
  iValue = value;
  return this;
}

int32_t LLKCPointer::compareTo(LLKBObject* other) noexcept {
  if (llk::classOf(other) != class_()) return 1;
  uintptr_t a = reinterpret_cast<uintptr_t>(iValue);
  uintptr_t b = reinterpret_cast<uintptr_t>(static_cast<LLKCPointer*>(other)->iValue);
  return a < b ? -1 : (a > b ? 1 : 0);
}

uint32_t LLKCPointer::hashCode() noexcept {
  return LLKFComputeHashcode32(reinterpret_cast<const uint8_t*>(&iValue), sizeof iValue);
}

uint32_t LLKCPointer::hashCodeWithFunction_andContext(LLKFHashFeed function, void* context) noexcept {
  return function != nullptr ? function(context, reinterpret_cast<const uint8_t*>(&iValue), sizeof iValue) : 0;
}

LLKCPointer* LLKCPointer::initWithCopy_deep(LLKBObject* source, bool) noexcept {
  LLKCPointer* other = llk::cast<LLKCPointer>(source);
  if (other == nullptr) {
    dealloc();
    return nullptr;
  }
  return initWithValue(other->iValue);
}

LLKCPointer* LLKCPointer::copy() noexcept { return static_cast<LLKCPointer*>(Super::copy()); }

LLKCPointer* LLKCPointer::deepCopy() noexcept { return static_cast<LLKCPointer*>(Super::deepCopy()); }
