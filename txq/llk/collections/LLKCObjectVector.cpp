#include <txq/llk/collections/LLKCObjectVector.h>

#include <txq/llk/collections/LLKContainerCoding_p.h>
#include <txq/llk/collections/LLKContainerMaking_p.h>

#include <algorithm>
#include <cstdlib>

#include <txq/llk/collections/LLKSlotBlock_p.h>

namespace {

using private_t = LLKCObjectVector::private_t;
using namespace llk::detail;

// Empties an occupied slot: change op 1, the slot cleared, the object released.
void vacate(private_t* d, uint64_t slot) noexcept {
  LLKBObject* object = d->mObjects[slot];
  changed(d, 1, object);
  d->mObjects[slot] = nullptr;
  --d->mCount;
  object->release();
}

void empty(private_t* d) noexcept {
  for (uint64_t i = 0; i < d->mCapacity && d->mCount > 0; ++i) {
    if (d->mObjects[i] != nullptr) vacate(d, i);
  }
}

// Moves the objects to the front slots in their order.
void compactSlots(private_t* d) noexcept {
  uint64_t kept = 0;
  for (uint64_t i = 0; i < d->mCapacity && kept < d->mCount; ++i) {
    LLKBObject* object = d->mObjects[i];
    if (object == nullptr) continue;
    if (kept != i) {
      d->mObjects[kept] = object;
      d->mObjects[i] = nullptr;
    }
    ++kept;
  }
}

}  // namespace

LLKCObjectVector::private_t::~private_t() {
  empty(this);
  std::free(mObjects);
}

LLK_DEFINE_CLASS(LLKCObjectVector, LLK_PROTOCOLS(), init, initWithCapacity, initWithHead_andRest,
                 initWithObjectsOfList, count, capacity, growFactor, setGrowFactor, resize, compact, fetchAtIndex,
                 contains, contains_atIndex, stash, store_atIndex, append, prepend, insert_atIndex, remove,
                 removeAtIndex, clear, setChangeCallback_withContext, setAcceptCallback_withContext,
                 iterateWithFunction_andContext, iterateUntilMatchWithFunction_andContext,
                 removeEachMatchWithFunction_andContext, removeFirstMatchWithFunction_andContext, initWithCopy_deep,
                 copy, deepCopy, encodeWithCoder, initWithCoder)

// ---- Creation ----

LLKCObjectVector* LLKCObjectVector::vector() noexcept {
  return llk::detail::autoreleasedNew(&LLKCObjectVector::init);
}

LLKCObjectVector* LLKCObjectVector::init() noexcept { return initRecord(this); }

LLKCObjectVector* LLKCObjectVector::vectorWithCapacity(uint64_t capacity) noexcept {
  return llk::detail::autoreleasedNew(&LLKCObjectVector::initWithCapacity, capacity);
}

LLKCObjectVector* LLKCObjectVector::initWithCapacity(uint64_t capacity) noexcept {
  return initRecordWithCapacity(this, capacity);
}

LLKCObjectVector* LLKCObjectVector::initWithHead_andRest(LLKBObject* head, va_list rest) noexcept {
  return initWithHeadAndRest(this, head, rest, &LLKCObjectVector::stash);
}

LLKCObjectVector* LLKCObjectVector::vectorWithObjectsOfList(LLKBObject* const* nilTerminated) noexcept {
  return llk::detail::autoreleasedNew(&LLKCObjectVector::initWithObjectsOfList, nilTerminated);
}

LLKCObjectVector* LLKCObjectVector::initWithObjectsOfList(LLKBObject* const* nilTerminated) noexcept {
  return initWithNilTerminated(this, nilTerminated, &LLKCObjectVector::stash);
}

LLKCObjectVector::~LLKCObjectVector() { delete iPrivate; }

// ---- Size ----

float LLKCObjectVector::growFactor() const noexcept { return iPrivate->mGrowFactor; }

void LLKCObjectVector::setGrowFactor(float growFactor) noexcept {
  iPrivate->mGrowFactor = growFactorFrom(growFactor);
}

int32_t LLKCObjectVector::resize(uint64_t capacity) noexcept {
  private_t* const d = iPrivate;
  const uint64_t n = std::max<uint64_t>(std::max<uint64_t>(capacity, 1), d->mCount);
  if (n == d->mCapacity) return llk::kDone;
  if (n > kMaxSlots) return llk::kNoMemory;
  const uint64_t slots = blockSlots(n);
  if (n > d->mAllocated) {
    if (!reallocBlock(d, slots)) return llk::kNoMemory;
  } else if (n < d->mCapacity) {
    compactSlots(d);  // every object now sits below n
    if (slots < d->mAllocated) reallocBlock(d, slots);  // on failure the larger block stays, harmlessly
  }
  d->mCapacity = n;  // slots past the objects are nil up to the block's end
  return llk::kDone;
}

int32_t LLKCObjectVector::compact() noexcept {
  compactSlots(iPrivate);
  return llk::kDone;
}

// ---- Access ----

bool LLKCObjectVector::contains(LLKBObject* object) const noexcept { return contains_atIndex(object, nullptr); }

bool LLKCObjectVector::contains_atIndex(LLKBObject* object, uint64_t* index) const noexcept {
  const private_t* const d = iPrivate;
  if (object == nullptr) return false;
  for (uint64_t i = 0; i < d->mCapacity; ++i) {
    if (d->mObjects[i] == object) {
      if (index != nullptr) *index = i;
      return true;
    }
  }
  return false;
}

// ---- Additions ----

int32_t LLKCObjectVector::stash(LLKBObject* object) noexcept {
  private_t* const d = iPrivate;
  if (object == nullptr) return llk::kNilArgument;
  if (!accepts(d, 0, object)) return llk::kRefused;
  uint64_t slot = 0;
  if (d->mCount == d->mCapacity) {
    slot = d->mCapacity;  // the first new slot
    const int32_t status = makeRoom(this);
    if (status != llk::kDone) return status;
  } else {
    while (slot < d->mCapacity && d->mObjects[slot] != nullptr) ++slot;
    if (slot == d->mCapacity) return llk::kNoFreeSlot;  // only if the count were wrong
  }
  d->mObjects[slot] = object->retain();
  ++d->mCount;
  changed(d, 0, object);
  return llk::kDone;
}

LLKBObject* LLKCObjectVector::store_atIndex(LLKBObject* object, uint64_t index) noexcept {
  private_t* const d = iPrivate;
  if (object == nullptr || index >= d->mCapacity) return nullptr;
  LLKBObject* old = d->mObjects[index];
  if (!accepts(d, 0, object) || (old != nullptr && !accepts(d, 1, old))) return nullptr;
  if (old != nullptr) changed(d, 1, old);
  d->mObjects[index] = object->retain();
  if (old != nullptr) {
    old->release();
  } else {
    ++d->mCount;
  }
  changed(d, 0, object);
  return object;
}

int32_t LLKCObjectVector::append(LLKBObject*) noexcept { return llk::kNotSupported; }

int32_t LLKCObjectVector::prepend(LLKBObject*) noexcept { return llk::kNotSupported; }

LLKBObject* LLKCObjectVector::insert_atIndex(LLKBObject*, uint64_t) noexcept { return nullptr; }

// ---- Removals ----

int32_t LLKCObjectVector::remove(LLKBObject* object) noexcept {
  uint64_t index = 0;
  if (!contains_atIndex(object, &index)) return llk::kNotFound;
  if (!accepts(iPrivate, 0, object)) return llk::kRefused;  // op 0 here, op 1 again below
  return removeAtIndex(index);
}

int32_t LLKCObjectVector::removeAtIndex(uint64_t index) noexcept {
  private_t* const d = iPrivate;
  if (index >= d->mCapacity) return llk::kOutOfRange;
  LLKBObject* object = d->mObjects[index];
  if (object == nullptr) return llk::kDone;
  if (!accepts(d, 1, object)) return llk::kRefused;
  vacate(d, index);
  return llk::kDone;
}

void LLKCObjectVector::clear() noexcept { empty(iPrivate); }

// ---- Callbacks and iteration ----

void LLKCObjectVector::setChangeCallback_withContext(LLKFChangeCallback callback, void* context) noexcept {
  iPrivate->mChangeCallback = callback;
  iPrivate->mChangeContext = context;
}

void LLKCObjectVector::setAcceptCallback_withContext(LLKFAcceptCallback callback, void* context) noexcept {
  iPrivate->mAcceptCallback = callback;
  iPrivate->mAcceptContext = context;
}

void LLKCObjectVector::iterateWithFunction_andContext(LLKFIterateFunction function, void* context) noexcept {
  const private_t* const d = iPrivate;
  if (function == nullptr) return;
  for (uint64_t i = 0; i < d->mCapacity; ++i) {
    if (d->mObjects[i] != nullptr) function(d->mObjects[i], context);
  }
}

LLKBObject* LLKCObjectVector::iterateUntilMatchWithFunction_andContext(LLKFMatchFunction function,
                                                                       void* context) noexcept {
  const private_t* const d = iPrivate;
  if (function == nullptr) return nullptr;
  for (uint64_t i = 0; i < d->mCapacity; ++i) {
    LLKBObject* object = d->mObjects[i];
    if (object != nullptr && function(object, context)) return object;
  }
  return nullptr;
}

bool LLKCObjectVector::removeEachMatchWithFunction_andContext(LLKFMatchFunction function, void* context) noexcept {
  private_t* const d = iPrivate;
  if (function == nullptr) return false;
  bool matched = false;
  for (uint64_t i = 0; i < d->mCapacity; ++i) {
    LLKBObject* object = d->mObjects[i];
    if (object == nullptr || !function(object, context)) continue;
    matched = true;
    if (accepts(d, 1, object)) vacate(d, i);
  }
  return matched;
}

bool LLKCObjectVector::removeFirstMatchWithFunction_andContext(LLKFMatchFunction function, void* context) noexcept {
  private_t* const d = iPrivate;
  if (function == nullptr) return false;
  for (uint64_t i = 0; i < d->mCapacity; ++i) {
    LLKBObject* object = d->mObjects[i];
    if (object == nullptr || !function(object, context)) continue;
    if (accepts(d, 1, object)) vacate(d, i);
    return true;
  }
  return false;
}

// ---- Copies ----

LLKCObjectVector* LLKCObjectVector::initWithCopy_deep(LLKBObject* source, bool deep) noexcept {
  const private_t* const s = initRecordForCopy(this, source);
  if (s == nullptr) return nullptr;
  private_t* const d = iPrivate;
  for (uint64_t i = 0; i < s->mCapacity; ++i) {
    if (s->mObjects[i] == nullptr) continue;
    LLKBObject* object = copiedObject(s->mObjects[i], deep);
    if (object == nullptr) {
      dealloc();  // releases the copies made so far
      return nullptr;
    }
    d->mObjects[i] = object->retain();
    ++d->mCount;
  }
  return this;
}

LLKCObjectVector* LLKCObjectVector::copy() noexcept { return static_cast<LLKCObjectVector*>(Super::copy()); }

LLKCObjectVector* LLKCObjectVector::deepCopy() noexcept { return static_cast<LLKCObjectVector*>(Super::deepCopy()); }

// ---- Coding ----

bool LLKCObjectVector::encodeWithCoder(LLKBEncoder* coder) noexcept {
  const private_t* const d = iPrivate;
  return encodeSlotSequence(this, coder, [coder, d](uint64_t* written) noexcept {
    for (uint64_t i = 0; i < d->mCapacity; ++i) {
      if (!encodeIfEncodable(coder, d->mObjects[i], written)) return false;
    }
    return true;
  });
}

LLKCObjectVector* LLKCObjectVector::initWithCoder(LLKBDecoder* coder) noexcept {
  return initSlotSequenceWithCoder(this, coder, [this](LLKBObject* object, uint64_t position) noexcept {
    return store_atIndex(object, position) != nullptr;
  });
}
