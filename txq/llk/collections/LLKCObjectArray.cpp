#include <txq/llk/collections/LLKCObjectArray.h>

#include <txq/llk/collections/LLKContainerCoding_p.h>
#include <txq/llk/collections/LLKContainerMaking_p.h>

#include <algorithm>
#include <cstdlib>
#include <cstring>

#include <txq/llk/collections/LLKSlotBlock_p.h>

namespace {

using private_t = LLKCObjectArray::private_t;
using namespace llk::detail;

// Releases every object in order, each slot cleared before its release.
void empty(private_t* d) noexcept {
  const uint64_t count = d->mCount;
  for (uint64_t i = 0; i < count; ++i) {
    LLKBObject* object = d->mObjects[i];
    changed(d, 1, object);
    d->mObjects[i] = nullptr;
    object->release();
  }
  d->mCount = 0;
}

}  // namespace

LLKCObjectArray::private_t::~private_t() {
  empty(this);
  std::free(mObjects);
}

LLK_DEFINE_CLASS(LLKCObjectArray, LLK_PROTOCOLS(), init, initWithCapacity, initWithHead_andRest, initWithObjectsOfList,
                 count, capacity, growFactor, setGrowFactor, resize, compact, fetchAtIndex, contains, contains_atIndex,
                 append, prepend, insert_atIndex, store_atIndex, remove, removeAtIndex, clear,
                 setChangeCallback_withContext, setAcceptCallback_withContext, iterateWithFunction_andContext,
                 iterateUntilMatchWithFunction_andContext, removeEachMatchWithFunction_andContext,
                 removeFirstMatchWithFunction_andContext, sortWithFunction_andContext, initWithCopy_deep, copy,
                 deepCopy, encodeWithCoder, initWithCoder)

// ---- Creation ----

LLKCObjectArray* LLKCObjectArray::array() noexcept {
  return llk::detail::autoreleasedNew(&LLKCObjectArray::init);
}

LLKCObjectArray* LLKCObjectArray::init() noexcept { return initRecord(this); }

LLKCObjectArray* LLKCObjectArray::arrayWithCapacity(uint64_t capacity) noexcept {
  return llk::detail::autoreleasedNew(&LLKCObjectArray::initWithCapacity, capacity);
}

LLKCObjectArray* LLKCObjectArray::initWithCapacity(uint64_t capacity) noexcept {
  return initRecordWithCapacity(this, capacity);
}

LLKCObjectArray* LLKCObjectArray::initWithHead_andRest(LLKBObject* head, va_list rest) noexcept {
  return initWithHeadAndRest(this, head, rest, &LLKCObjectArray::append);
}

LLKCObjectArray* LLKCObjectArray::arrayWithObjectsOfList(LLKBObject* const* nilTerminated) noexcept {
  return llk::detail::autoreleasedNew(&LLKCObjectArray::initWithObjectsOfList, nilTerminated);
}

LLKCObjectArray* LLKCObjectArray::initWithObjectsOfList(LLKBObject* const* nilTerminated) noexcept {
  return initWithNilTerminated(this, nilTerminated, &LLKCObjectArray::append);
}

LLKCObjectArray::~LLKCObjectArray() { delete iPrivate; }

// ---- Size ----

uint64_t LLKCObjectArray::capacity() const noexcept { return iPrivate->mCapacity; }

float LLKCObjectArray::growFactor() const noexcept { return iPrivate->mGrowFactor; }

void LLKCObjectArray::setGrowFactor(float growFactor) noexcept {
  iPrivate->mGrowFactor = growFactorFrom(growFactor);
}

int32_t LLKCObjectArray::resize(uint64_t capacity) noexcept {
  private_t* const d = iPrivate;
  const uint64_t n = std::max<uint64_t>(std::max<uint64_t>(capacity, 1), d->mCount);
  if (n == d->mCapacity) return llk::kDone;
  if (n > kMaxSlots) return llk::kNoMemory;
  const uint64_t slots = blockSlots(n);
  if (n > d->mAllocated || (n < d->mCapacity && slots < d->mAllocated)) {
    // A smaller block that cannot be had leaves the larger one in place.
    if (!reallocBlock(d, slots) && n > d->mAllocated) return llk::kNoMemory;
  }
  d->mCapacity = n;  // the slots between the count and the block's end are nil
  return llk::kDone;
}

int32_t LLKCObjectArray::compact() noexcept { return resize(iPrivate->mCount); }

// ---- Access ----

bool LLKCObjectArray::contains(LLKBObject* object) const noexcept { return contains_atIndex(object, nullptr); }

bool LLKCObjectArray::contains_atIndex(LLKBObject* object, uint64_t* index) const noexcept {
  const private_t* const d = iPrivate;
  if (object == nullptr) return false;
  for (uint64_t i = 0; i < d->mCount; ++i) {
    if (d->mObjects[i] == object) {
      if (index != nullptr) *index = i;
      return true;
    }
  }
  return false;
}

// ---- Additions ----

int32_t LLKCObjectArray::append(LLKBObject* object) noexcept {
  private_t* const d = iPrivate;
  if (object == nullptr) return llk::kNilArgument;
  if (!accepts(d, 0, object)) return llk::kRefused;
  if (d->mCount == d->mCapacity) {
    const int32_t status = makeRoom(this);
    if (status != llk::kDone) return status;
  }
  d->mObjects[d->mCount++] = object->retain();
  changed(d, 0, object);
  return llk::kDone;
}

int32_t LLKCObjectArray::prepend(LLKBObject* object) noexcept {
  private_t* const d = iPrivate;
  if (object == nullptr) return llk::kNilArgument;
  if (!accepts(d, 0, object)) return llk::kRefused;
  const int32_t status = makeRoom(this);
  if (status != llk::kDone) return status;
  std::memmove(d->mObjects + 1, d->mObjects, d->mCount * sizeof(LLKBObject*));
  d->mObjects[0] = object->retain();
  ++d->mCount;
  changed(d, 0, object);
  return llk::kDone;
}

LLKBObject* LLKCObjectArray::insert_atIndex(LLKBObject* object, uint64_t index) noexcept {
  private_t* const d = iPrivate;
  if (object == nullptr || index >= d->mCount) return nullptr;
  if (!accepts(d, 0, object) || makeRoom(this) != llk::kDone) return nullptr;
  std::memmove(d->mObjects + index + 1, d->mObjects + index, (d->mCount - index) * sizeof(LLKBObject*));
  d->mObjects[index] = object->retain();
  ++d->mCount;
  changed(d, 0, object);
  return object;
}

LLKBObject* LLKCObjectArray::store_atIndex(LLKBObject* object, uint64_t index) noexcept {
  private_t* const d = iPrivate;
  if (object == nullptr || index >= d->mCount) return nullptr;
  LLKBObject* old = d->mObjects[index];
  if (!accepts(d, 0, object) || !accepts(d, 1, old)) return nullptr;
  changed(d, 1, old);
  d->mObjects[index] = object->retain();
  old->release();
  changed(d, 0, object);
  return object;
}

// ---- Removals ----

int32_t LLKCObjectArray::remove(LLKBObject* object) noexcept {
  uint64_t index = 0;
  if (!contains_atIndex(object, &index)) return llk::kNotFound;
  if (!accepts(iPrivate, 0, object)) return llk::kRefused;  // op 0 here, op 1 again below
  return removeAtIndex(index);
}

int32_t LLKCObjectArray::removeAtIndex(uint64_t index) noexcept {
  private_t* const d = iPrivate;
  if (index >= d->mCount) return llk::kOutOfRange;
  LLKBObject* object = d->mObjects[index];
  if (!accepts(d, 1, object)) return llk::kRefused;
  changed(d, 1, object);
  std::memmove(d->mObjects + index, d->mObjects + index + 1, (d->mCount - index - 1) * sizeof(LLKBObject*));
  d->mObjects[--d->mCount] = nullptr;
  object->release();
  return llk::kDone;
}

void LLKCObjectArray::clear() noexcept { empty(iPrivate); }

// ---- Callbacks and iteration ----

void LLKCObjectArray::setChangeCallback_withContext(LLKFChangeCallback callback, void* context) noexcept {
  iPrivate->mChangeCallback = callback;
  iPrivate->mChangeContext = context;
}

void LLKCObjectArray::setAcceptCallback_withContext(LLKFAcceptCallback callback, void* context) noexcept {
  iPrivate->mAcceptCallback = callback;
  iPrivate->mAcceptContext = context;
}

void LLKCObjectArray::iterateWithFunction_andContext(LLKFIterateFunction function, void* context) noexcept {
  const private_t* const d = iPrivate;
  if (function == nullptr) return;
  for (uint64_t i = 0; i < d->mCount; ++i) function(d->mObjects[i], context);
}

LLKBObject* LLKCObjectArray::iterateUntilMatchWithFunction_andContext(LLKFMatchFunction function,
                                                                      void* context) noexcept {
  const private_t* const d = iPrivate;
  if (function == nullptr) return nullptr;
  for (uint64_t i = 0; i < d->mCount; ++i) {
    if (function(d->mObjects[i], context)) return d->mObjects[i];
  }
  return nullptr;
}

bool LLKCObjectArray::removeEachMatchWithFunction_andContext(LLKFMatchFunction function, void* context) noexcept {
  private_t* const d = iPrivate;
  if (function == nullptr) return false;
  bool matched = false;
  uint64_t kept = 0;
  const uint64_t count = d->mCount;
  for (uint64_t i = 0; i < count; ++i) {
    LLKBObject* object = d->mObjects[i];
    if (function(object, context)) {
      matched = true;
      if (accepts(d, 1, object)) {
        changed(d, 1, object);
        d->mObjects[i] = nullptr;
        object->release();
        continue;
      }
    }
    if (kept != i) {
      d->mObjects[kept] = object;
      d->mObjects[i] = nullptr;
    }
    ++kept;
  }
  d->mCount = kept;
  return matched;
}

bool LLKCObjectArray::removeFirstMatchWithFunction_andContext(LLKFMatchFunction function, void* context) noexcept {
  private_t* const d = iPrivate;
  if (function == nullptr) return false;
  for (uint64_t i = 0; i < d->mCount; ++i) {
    LLKBObject* object = d->mObjects[i];
    if (function(object, context)) {
      if (accepts(d, 1, object)) {
        changed(d, 1, object);
        std::memmove(d->mObjects + i, d->mObjects + i + 1, (d->mCount - i - 1) * sizeof(LLKBObject*));
        d->mObjects[--d->mCount] = nullptr;
        object->release();
      }
      return true;
    }
  }
  return false;
}

void LLKCObjectArray::sortWithFunction_andContext(LLKFSortFunction function, void* context) noexcept {
  private_t* const d = iPrivate;
  if (function == nullptr || d->mCount < 2) return;
  sortSlots(d->mObjects, d->mCount, function, context);
}

// ---- Copies ----

LLKCObjectArray* LLKCObjectArray::initWithCopy_deep(LLKBObject* source, bool deep) noexcept {
  const private_t* const s = initRecordForCopy(this, source);
  if (s == nullptr) return nullptr;
  private_t* const d = iPrivate;
  for (uint64_t i = 0; i < s->mCount; ++i) {
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

LLKCObjectArray* LLKCObjectArray::copy() noexcept { return static_cast<LLKCObjectArray*>(Super::copy()); }

LLKCObjectArray* LLKCObjectArray::deepCopy() noexcept { return static_cast<LLKCObjectArray*>(Super::deepCopy()); }

// ---- Coding ----

bool LLKCObjectArray::encodeWithCoder(LLKBEncoder* coder) noexcept {
  const private_t* const d = iPrivate;
  return encodeSlotSequence(this, coder, [coder, d](uint64_t* written) noexcept {
    for (uint64_t i = 0; i < d->mCount; ++i) {
      if (!encodeIfEncodable(coder, d->mObjects[i], written)) return false;
    }
    return true;
  });
}

LLKCObjectArray* LLKCObjectArray::initWithCoder(LLKBDecoder* coder) noexcept {
  return initSlotSequenceWithCoder(
      this, coder, [this](LLKBObject* object, uint64_t) noexcept { return append(object) == llk::kDone; });
}
