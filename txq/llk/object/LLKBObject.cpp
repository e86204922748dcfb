#include <txq/llk/object/LLKBObject.h>

#include <cstdint>

#include <txq/llk/object/LLKCAutoreleasePool.h>
#include <txq/llk/object/LLKFLog.h>
#include <txq/llk/object/LLKLibrary_p.h>
#include <txq/llk/values/LLKCString.h>
#include <txq/llk/values/LLKCStringBuilder.h>

// The value-protocol defaults (copy, compareTo, hashCode...) are not listed: a class responds to
// them by selector only when it adopts the protocol and lists them itself.
LLK_DEFINE_CLASS(LLKBObject, LLK_PROTOCOLS(LLKPObject), init, dealloc, class_, retain, release, autorelease,
                 retainCount, className, isSubclassOfClass, isOfClass, conformsToProtocol, respondsToSelector,
                 methodForSelector, performSelector, performSelector_withObject,
                 performSelector_withObject_withObject, toString, toChars, toStringBuilder, description)

LLKBObject::~LLKBObject() { llkFreeMonitor(monitor_); }

// ---- Life cycle ----

void LLKBObject::dealloc() noexcept {
#if TXQ_LIVE_OBJECTS
  LLKFLiveObjectAdjust(-1);
#endif
  delete this;
}

LLKBObject* LLKBObject::retain() noexcept {
  uint32_t count = count_.load(std::memory_order_relaxed);
  do {
    if (count == 0) return nullptr;  // being deallocated: cannot be revived
  } while (!count_.compare_exchange_weak(count, count + 1, std::memory_order_acq_rel, std::memory_order_relaxed));
  return this;
}

LLKBObject* LLKBObject::release() noexcept {
  uint32_t count = count_.load(std::memory_order_relaxed);
  do {
    if (count == 0) {
      LLKFLog("0x%p %s released too often", static_cast<void*>(this), className());
      return nullptr;
    }
  } while (!count_.compare_exchange_weak(count, count - 1, std::memory_order_acq_rel, std::memory_order_relaxed));
  if (count == 1) dealloc();
  return nullptr;
}

LLKBObject* LLKBObject::autorelease() noexcept { return LLKCAutoreleasePool::push_(this); }

// ---- Selectors ----

namespace {

LLKBObject* forwardingHandler(LLKBObject* self, LLKSEL selector, LLKBObject*, LLKBObject*) noexcept {
  LLKFLog("0x%p %s does not respond to %s", static_cast<void*>(self), self->className(), LLKSelName(selector));
  return nullptr;
}

}  // namespace

LLKIMP LLKBObject::methodForSelector(LLKSEL selector) const noexcept {
  LLKIMP imp = class_()->instanceMethodForSelector(selector);
  return imp != nullptr ? imp : &forwardingHandler;
}

LLKBObject* LLKBObject::performSelector(LLKSEL selector) noexcept {
  return methodForSelector(selector)(this, selector, nullptr, nullptr);
}

LLKBObject* LLKBObject::performSelector_withObject(LLKSEL selector, LLKBObject* object) noexcept {
  return methodForSelector(selector)(this, selector, object, nullptr);
}

LLKBObject* LLKBObject::performSelector_withObject_withObject(LLKSEL selector, LLKBObject* first,
                                                              LLKBObject* second) noexcept {
  return methodForSelector(selector)(this, selector, first, second);
}

// ---- Text ----

const char* LLKBObject::toChars() noexcept {
  LLKCString* text = toString();
  return text != nullptr ? text->chars() : nullptr;
}

int32_t LLKBObject::toStringBuilder(LLKCStringBuilder* builder) noexcept {
  LLKCString* text = toString();
  if (text == nullptr || builder == nullptr) return 2;
  return builder->append(text);
}

LLKCStringBuilder* LLKBObject::toStringBuilder() noexcept {
  LLKCString* text = toString();
  if (text == nullptr) return nullptr;
  LLKCStringBuilder* builder = LLKCStringBuilder::builderWithCapacity(text->length());
  if (builder == nullptr) return nullptr;
  toStringBuilder(builder);
  return builder;
}

LLKCString* LLKBObject::description() noexcept {
  return LLKCString::stringWithFormat("%p %s", static_cast<void*>(this), className());
}

// ---- Value protocols ----

namespace {

// alloc of the receiver's class + initWithCopy_deep, autoreleased; nil for classes that do not copy.
LLKBObject* copyOf(LLKBObject* source, bool deep) noexcept {
  if (!source->conformsToProtocol(&LLKPCopyable::kProtocol)) {
    LLKFLog("0x%p %s cannot be copied", static_cast<void*>(source), source->className());
    return nullptr;
  }
  LLKBObject* made = source->class_()->alloc();
  return made != nullptr ? llk::autorelease(made->initWithCopy_deep(source, deep)) : nullptr;
}

}  // namespace

LLKBObject* LLKBObject::copy() noexcept { return copyOf(this, false); }

LLKBObject* LLKBObject::deepCopy() noexcept { return copyOf(this, true); }

LLKBObject* LLKBObject::initWithCopy_deep(LLKBObject*, bool) noexcept { return init(); }

int32_t LLKBObject::compareTo(LLKBObject* other) noexcept { return other == this ? 0 : 1; }

uint32_t LLKBObject::hashCode() noexcept {
  uint64_t key = reinterpret_cast<uintptr_t>(this);  // a 64-bit finaliser spreads the address bits
  key ^= key >> 33;
  key *= 0xff51afd7ed558ccdULL;
  key ^= key >> 33;
  key *= 0xc4ceb9fe1a85ec53ULL;
  key ^= key >> 33;
  return static_cast<uint32_t>(key);
}

bool LLKBObject::encodeWithCoder(LLKBEncoder*) noexcept { return false; }

LLKBObject* LLKBObject::initWithCoder(LLKBDecoder*) noexcept {
  dealloc();
  return nullptr;
}

uint32_t LLKBObject::hashCodeWithFunction_andContext(LLKFHashFeed function, void* context) noexcept {
  if (function == nullptr) return 0;
  uint64_t address = reinterpret_cast<uintptr_t>(this);
  return function(context, reinterpret_cast<const uint8_t*>(&address), sizeof(address));
}
