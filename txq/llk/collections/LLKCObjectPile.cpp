#include <txq/llk/collections/LLKCObjectPile.h>

#include <txq/llk/collections/LLKCObjectShelf.h>
#include <txq/llk/collections/LLKContainerCoding_p.h>
#include <txq/llk/collections/LLKContainerMaking_p.h>
#include <txq/llk/collections/LLKContainers.h>
#include <txq/llk/object/LLKProtocols.h>

LLK_DEFINE_CLASS(LLKCObjectPile, LLK_PROTOCOLS(LLKPCopyable), init, initWithCapacity, count, capacity, resize, append,
                 remove, contains, fetchAtIndex, rotateBy, allObjects, clear, setChangeCallback_withContext,
                 iterateWithFunction_andContext, iterateUntilMatchWithFunction_andContext,
                 removeEachMatchWithFunction_andContext, removeFirstMatchWithFunction_andContext, initWithCopy_deep,
                 copy, deepCopy, encodeWithCoder, initWithCoder)

// ---- Creation ----

LLKCObjectPile* LLKCObjectPile::pile() noexcept { return llk::detail::autoreleasedNew(&LLKCObjectPile::init); }

LLKCObjectPile* LLKCObjectPile::init() noexcept { return initWithCapacity(0); }

LLKCObjectPile* LLKCObjectPile::pileWithCapacity(uint64_t capacity) noexcept {
  return llk::detail::autoreleasedNew(&LLKCObjectPile::initWithCapacity, capacity);
}

LLKCObjectPile* LLKCObjectPile::initWithCapacity(uint64_t capacity) noexcept {
  LLKCObjectShelf* shelf = LLKCObjectShelf::alloc();
  iShelf = shelf != nullptr ? shelf->initWithCapacity(capacity) : nullptr;
  if (iShelf == nullptr) {
    dealloc();
    return nullptr;
  }
  return this;
}

LLKCObjectPile::~LLKCObjectPile() { llk::release(iShelf); }

// ---- Size ----

uint64_t LLKCObjectPile::count() const noexcept { return iShelf->count(); }

uint64_t LLKCObjectPile::capacity() const noexcept { return iShelf->capacity(); }

int32_t LLKCObjectPile::resize(uint64_t capacity) noexcept { return iShelf->resize(capacity); }

// ---- Contents ----

int32_t LLKCObjectPile::append(LLKBObject* object) noexcept {
  if (object == nullptr) return llk::kNilArgument;
  return iShelf->store_forKey(object, object);
}

int32_t LLKCObjectPile::remove(LLKBObject* object) noexcept { return iShelf->removeForKey(object); }

bool LLKCObjectPile::contains(LLKBObject* object) noexcept { return iShelf->fetchForKey(object) != nullptr; }

LLKBObject* LLKCObjectPile::fetchAtIndex(uint64_t index) noexcept { return iShelf->fetchAtIndex_key(index, nullptr); }

void LLKCObjectPile::rotateBy(uint64_t n) noexcept { iShelf->rotateBy(n); }

LLKCObjectDeque* LLKCObjectPile::allObjects() noexcept { return iShelf->allKeys(); }

void LLKCObjectPile::clear() noexcept { iShelf->clear(); }

// ---- Callbacks and iteration ----  (passed on: the shelf tells and iterates values, which are the objects)

void LLKCObjectPile::setChangeCallback_withContext(LLKFChangeCallback callback, void* context) noexcept {
  iShelf->setChangeCallback_withContext(callback, context);
}

void LLKCObjectPile::iterateWithFunction_andContext(LLKFIterateFunction function, void* context) noexcept {
  iShelf->iterateWithFunction_andContext(function, context);
}

LLKBObject* LLKCObjectPile::iterateUntilMatchWithFunction_andContext(LLKFMatchFunction function,
                                                                      void* context) noexcept {
  return iShelf->iterateUntilMatchWithFunction_andContext(function, context);
}

bool LLKCObjectPile::removeEachMatchWithFunction_andContext(LLKFMatchFunction function, void* context) noexcept {
  return iShelf->removeEachMatchWithFunction_andContext(function, context);
}

bool LLKCObjectPile::removeFirstMatchWithFunction_andContext(LLKFMatchFunction function, void* context) noexcept {
  return iShelf->removeFirstMatchWithFunction_andContext(function, context);
}

// ---- Copies ----

LLKCObjectPile* LLKCObjectPile::initWithCopy_deep(LLKBObject* source, bool deep) noexcept {
  LLKCObjectPile* other = llk::cast<LLKCObjectPile>(source);
  if (other == nullptr) {
    dealloc();
    return nullptr;
  }
  if (initWithCapacity(other->capacity()) == nullptr) return nullptr;
  // A deep copy keys each copy by itself (a shelf copy would keep the original keys).
  for (LLKBObject* object : other) {
    if (deep) object = llk::conformsTo(object, &LLKPCopyable::kProtocol) ? object->copy() : nullptr;
    if (object == nullptr || append(object) != llk::kDone) {
      dealloc();
      return nullptr;
    }
  }
  return this;
}

LLKCObjectPile* LLKCObjectPile::copy() noexcept { return static_cast<LLKCObjectPile*>(Super::copy()); }

LLKCObjectPile* LLKCObjectPile::deepCopy() noexcept { return static_cast<LLKCObjectPile*>(Super::deepCopy()); }

// ---- Coding ----

bool LLKCObjectPile::encodeWithCoder(LLKBEncoder* coder) noexcept {
  return llk::detail::encodeContainer(this, coder, capacity(), [this, coder](uint64_t* written) noexcept {
    for (uint64_t i = 0; i < count(); ++i) {
      if (!llk::detail::encodeIfEncodable(coder, fetchAtIndex(i), written)) return false;
    }
    return true;
  });
}

LLKCObjectPile* LLKCObjectPile::initWithCoder(LLKBDecoder* coder) noexcept {
  return llk::detail::initSequenceWithCoder(
      this, coder, true, [this](uint64_t room) noexcept { return initWithCapacity(room); },
      [this](LLKBObject* object) noexcept { return append(object) == llk::kDone; },
      [this](uint64_t room) noexcept { return resize(room); });
}
