#include <txq/llk/collections/LLKCObjectArray.h>

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <cstring>
#include <new>

namespace {

using private_t = LLKCObjectArray::private_t;

void changed(const private_t* d, uint32_t op, LLKBObject* object) noexcept {
  if (d->mChangeCallback != nullptr) d->mChangeCallback(op, object, d->mChangeContext);
}

bool accepts(const private_t* d, uint32_t op, LLKBObject* object) noexcept {
  return d->mAcceptCallback == nullptr || d->mAcceptCallback(op, object, d->mAcceptContext);
}

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
                 deepCopy)

namespace {

constexpr uint64_t kMaxSlots = SIZE_MAX / sizeof(LLKBObject*);

// The slots a block for n is made with: small blocks are rounded up to a power of two (8 to 64),
// so that an array growing from nothing by a quarter at a time reallocates only a few times.
uint64_t blockSlots(uint64_t n) noexcept {
  if (n >= 64) return n;
  uint64_t slots = 8;
  while (slots < n) slots <<= 1;
  return slots;
}

// A zeroed block for n slots (rounded as above) into d, which has none yet: NO without memory.
bool makeBlock(private_t* d, uint64_t n) noexcept {
  const uint64_t slots = blockSlots(n);
  if (n > kMaxSlots || (d->mObjects = static_cast<LLKBObject**>(std::calloc(slots, sizeof(LLKBObject*)))) == nullptr) {
    return false;
  }
  d->mAllocated = slots;
  d->mCapacity = n;
  return true;
}

// The capacity after one growth step: capacity + ceil(capacity * factor) computed in single
// precision (at least one more slot). 10 when the factor forbids growing, 2 when the result cannot
// be represented.
int32_t grownCapacity(uint64_t capacity, float factor, uint64_t* grown) noexcept {
  if (!(factor > 0.0f)) return llk::kFull;
  const float more = std::ceil(static_cast<float>(capacity) * factor);
  if (!(more < 18446744073709551616.0f)) return llk::kNoMemory;  // also infinities and NaN
  uint64_t add = static_cast<uint64_t>(more);
  if (add == 0) add = 1;
  if (add > UINT64_MAX - capacity) return llk::kNoMemory;
  *grown = capacity + add;
  return llk::kDone;
}

struct SortContext {
  LLKFSortFunction function;
  void* context;
};

int compareObjects(const void* a, const void* b, void* context) noexcept {
  const SortContext* sort = static_cast<const SortContext*>(context);
  return sort->function(*static_cast<LLKBObject* const*>(a), *static_cast<LLKBObject* const*>(b), sort->context);
}

}  // namespace

// ---- Creation ----

LLKCObjectArray* LLKCObjectArray::array() noexcept {
  LLKCObjectArray* array = alloc();
  return array != nullptr ? llk::autorelease(array->init()) : nullptr;
}

LLKCObjectArray* LLKCObjectArray::init() noexcept {
  iPrivate = new (std::nothrow) private_t();
  if (iPrivate == nullptr) {
    dealloc();
    return nullptr;
  }
  return this;
}

LLKCObjectArray* LLKCObjectArray::arrayWithCapacity(uint64_t capacity) noexcept {
  LLKCObjectArray* array = alloc();
  return array != nullptr ? llk::autorelease(array->initWithCapacity(capacity)) : nullptr;
}

LLKCObjectArray* LLKCObjectArray::initWithCapacity(uint64_t capacity) noexcept {
  if (LLKCObjectArray::init() == nullptr) return nullptr;
  if (!makeBlock(iPrivate, std::max<uint64_t>(capacity, 1))) {
    dealloc();
    return nullptr;
  }
  return this;
}

LLKCObjectArray* LLKCObjectArray::initWithHead_andRest(LLKBObject* head, va_list rest) noexcept {
  uint64_t n = 0;
  if (head != nullptr) {
    va_list measure;
    va_copy(measure, rest);
    for (n = 1; va_arg(measure, LLKBObject*) != nullptr; ++n) {
    }
    va_end(measure);
  }
  if (initWithCapacity(n) == nullptr) return nullptr;
  if (head == nullptr) return this;
  append(head);
  va_list fill;
  va_copy(fill, rest);
  for (LLKBObject* object; (object = va_arg(fill, LLKBObject*)) != nullptr;) append(object);
  va_end(fill);
  return this;
}

LLKCObjectArray* LLKCObjectArray::arrayWithObjectsOfList(LLKBObject* const* nilTerminated) noexcept {
  LLKCObjectArray* array = alloc();
  return array != nullptr ? llk::autorelease(array->initWithObjectsOfList(nilTerminated)) : nullptr;
}

LLKCObjectArray* LLKCObjectArray::initWithObjectsOfList(LLKBObject* const* nilTerminated) noexcept {
  uint64_t n = 0;
  while (nilTerminated != nullptr && nilTerminated[n] != nullptr) ++n;
  if (initWithCapacity(n) == nullptr) return nullptr;
  for (uint64_t i = 0; i < n; ++i) append(nilTerminated[i]);
  return this;
}

LLKCObjectArray::~LLKCObjectArray() { delete iPrivate; }

// ---- Size ----

uint64_t LLKCObjectArray::capacity() const noexcept { return iPrivate->mCapacity; }

float LLKCObjectArray::growFactor() const noexcept { return iPrivate->mGrowFactor; }

void LLKCObjectArray::setGrowFactor(float growFactor) noexcept {
  iPrivate->mGrowFactor = growFactor > 0.0f ? growFactor : 0.0f;
}

int32_t LLKCObjectArray::resize(uint64_t capacity) noexcept {
  private_t* const d = iPrivate;
  const uint64_t n = std::max<uint64_t>(std::max<uint64_t>(capacity, 1), d->mCount);
  if (n == d->mCapacity) return llk::kDone;
  if (n > kMaxSlots) return llk::kNoMemory;
  const uint64_t slots = blockSlots(n);
  if (n > d->mAllocated || (n < d->mCapacity && slots < d->mAllocated)) {
    void* block = std::realloc(d->mObjects, slots * sizeof(LLKBObject*));
    if (block == nullptr) {
      if (n > d->mAllocated) return llk::kNoMemory;
      block = d->mObjects;  // a smaller block could not be had: keep the larger one
    } else {
      if (slots > d->mAllocated) {
        std::memset(static_cast<LLKBObject**>(block) + d->mAllocated, 0, (slots - d->mAllocated) * sizeof(LLKBObject*));
      }
      d->mAllocated = slots;
    }
    d->mObjects = static_cast<LLKBObject**>(block);
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

namespace {

// Room for one more object (through array->resize): 0, 10 or 2.
int32_t makeRoom(LLKCObjectArray* array, const private_t* d) noexcept {
  if (d->mCount < d->mCapacity) return llk::kDone;
  uint64_t grown = 0;
  const int32_t status = grownCapacity(d->mCapacity, d->mGrowFactor, &grown);
  if (status != llk::kDone) return status;
  return array->resize(grown) == llk::kDone ? llk::kDone : llk::kNoMemory;
}

}  // namespace

int32_t LLKCObjectArray::append(LLKBObject* object) noexcept {
  private_t* const d = iPrivate;
  if (object == nullptr) return llk::kNilArgument;
  if (!accepts(d, 0, object)) return llk::kRefused;
  if (d->mCount == d->mCapacity) {
    const int32_t status = makeRoom(this, d);
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
  const int32_t status = makeRoom(this, d);
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
  if (!accepts(d, 0, object) || makeRoom(this, d) != llk::kDone) return nullptr;
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
  SortContext sort{function, context};
  qsort_r(d->mObjects, d->mCount, sizeof(LLKBObject*), compareObjects, &sort);
}

// ---- Copies ----

LLKCObjectArray* LLKCObjectArray::initWithCopy_deep(LLKBObject* source, bool deep) noexcept {
  LLKCObjectArray* other = llk::cast<LLKCObjectArray>(source);
  if (other == nullptr) {
    dealloc();
    return nullptr;
  }
  const private_t* const s = other->iPrivate;
  if (LLKCObjectArray::init() == nullptr) return nullptr;
  private_t* const d = iPrivate;
  d->mGrowFactor = s->mGrowFactor;
  if (s->mCapacity > 0 && !makeBlock(d, s->mCapacity)) {
    dealloc();
    return nullptr;
  }
  for (uint64_t i = 0; i < s->mCount; ++i) {
    LLKBObject* object = s->mObjects[i];
    if (deep) {
      object = llk::conformsTo(object, &LLKPCopyable::kProtocol) ? object->copy() : nullptr;
      if (object == nullptr) {
        dealloc();  // releases the copies made so far
        return nullptr;
      }
    }
    d->mObjects[i] = object->retain();
    ++d->mCount;
  }
  return this;
}

LLKCObjectArray* LLKCObjectArray::copy() noexcept { return static_cast<LLKCObjectArray*>(Super::copy()); }

LLKCObjectArray* LLKCObjectArray::deepCopy() noexcept { return static_cast<LLKCObjectArray*>(Super::deepCopy()); }
