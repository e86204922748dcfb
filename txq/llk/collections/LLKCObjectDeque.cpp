#include <txq/llk/collections/LLKCObjectDeque.h>

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <cstring>
#include <new>

#include <txq/llk/values/LLKFRandom.h>

namespace {

using private_t = LLKCObjectDeque::private_t;

LLKBObject*& at(private_t* d, uint64_t position) noexcept { return d->mObjects[d->slot(position)]; }
LLKBObject* at(const private_t* d, uint64_t position) noexcept { return d->mObjects[d->slot(position)]; }
uint64_t next(const private_t* d, uint64_t s) noexcept { return s + 1 == d->mCapacity ? 0 : s + 1; }
uint64_t previous(const private_t* d, uint64_t s) noexcept { return s == 0 ? d->mCapacity - 1 : s - 1; }

void changed(const private_t* d, uint32_t op, LLKBObject* object) noexcept {
  if (d->mChangeCallback != nullptr) d->mChangeCallback(op, object, d->mChangeContext);
}

// Takes the object at a position out, closing the gap from the nearer end; answers it still
// retained.
LLKBObject* take(private_t* d, uint64_t position) noexcept {
  LLKBObject* object = at(d, position);
  if (position < d->mCount / 2) {
    for (uint64_t k = position; k > 0; --k) at(d, k) = at(d, k - 1);
    d->mObjects[d->mHead] = nullptr;
    d->mHead = next(d, d->mHead);
  } else {
    for (uint64_t k = position; k + 1 < d->mCount; ++k) at(d, k) = at(d, k + 1);
    at(d, d->mCount - 1) = nullptr;
  }
  if (--d->mCount == 0) d->mHead = 0;
  return object;
}

// Releases every object from the head, each leaving the deque before its release.
void empty(private_t* d) noexcept {
  while (d->mCount > 0) {
    LLKBObject* object = d->mObjects[d->mHead];
    changed(d, 1, object);
    d->mObjects[d->mHead] = nullptr;
    d->mHead = next(d, d->mHead);
    --d->mCount;
    object->release();
  }
  d->mHead = 0;
}

}  // namespace

LLKCObjectDeque::private_t::~private_t() {
  empty(this);
  std::free(mObjects);
}

LLK_DEFINE_CLASS(LLKCObjectDeque, LLK_PROTOCOLS(), init, initWithCapacity, initWithHead_andRest, initWithObjectsOfList,
                 count, capacity, growFactor, setGrowFactor, resize, compact, reserve, fetchAtIndex, atIndex, head,
                 tail, contains, contains_atIndex, append, prepend, insert_atIndex, append_andResizeIfNeeded,
                 prepend_andResizeIfNeeded, insert_atIndex_andResizeIfNeeded, replace_atIndex, remove, removeAtIndex,
                 removeHead, removeTail, clear, rotateBy, scramble, setChangeCallback_withContext,
                 iterateWithFunction_andContext, iterateUntilMatchWithFunction_andContext,
                 removeEachMatchWithFunction_andContext, removeFirstMatchWithFunction_andContext,
                 sortWithFunction_andContext, initWithCopy_deep, copy, deepCopy)

namespace {

constexpr uint64_t kMaxSlots = SIZE_MAX / sizeof(LLKBObject*);

// The slots a block for n is made with: small blocks are rounded up to a power of two (8 to 64),
// so that a deque growing from nothing by a quarter at a time reallocates only a few times.
uint64_t blockSlots(uint64_t n) noexcept {
  if (n >= 64) return n;
  uint64_t slots = 8;
  while (slots < n) slots <<= 1;
  return slots;
}

// A zeroed block for n slots (rounded as above), or null.
LLKBObject** newBlock(uint64_t n) noexcept {
  return n <= kMaxSlots ? static_cast<LLKBObject**>(std::calloc(blockSlots(n), sizeof(LLKBObject*))) : nullptr;
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

}  // namespace

int LLKFObjectDequeSortComparator(const void* a, const void* b, void* context) noexcept {
  const SortContext* sort = static_cast<const SortContext*>(context);
  return sort->function(*static_cast<LLKBObject* const*>(a), *static_cast<LLKBObject* const*>(b), sort->context);
}

// ---- Creation ----

LLKCObjectDeque* LLKCObjectDeque::deque() noexcept {
  LLKCObjectDeque* deque = alloc();
  return deque != nullptr ? llk::autorelease(deque->init()) : nullptr;
}

LLKCObjectDeque* LLKCObjectDeque::init() noexcept {
  iPrivate = new (std::nothrow) private_t();
  if (iPrivate == nullptr) {
    dealloc();
    return nullptr;
  }
  return this;
}

LLKCObjectDeque* LLKCObjectDeque::dequeWithCapacity(uint64_t capacity) noexcept {
  LLKCObjectDeque* deque = alloc();
  return deque != nullptr ? llk::autorelease(deque->initWithCapacity(capacity)) : nullptr;
}

LLKCObjectDeque* LLKCObjectDeque::initWithCapacity(uint64_t capacity) noexcept {
  if (LLKCObjectDeque::init() == nullptr) return nullptr;
  const uint64_t n = std::max<uint64_t>(capacity, 1);
  if ((iPrivate->mObjects = newBlock(n)) == nullptr) {
    dealloc();
    return nullptr;
  }
  iPrivate->mCapacity = n;
  iPrivate->mAllocated = blockSlots(n);
  return this;
}

LLKCObjectDeque* LLKCObjectDeque::initWithHead_andRest(LLKBObject* head, va_list rest) noexcept {
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

LLKCObjectDeque* LLKCObjectDeque::dequeWithObjectsOfList(LLKBObject* const* nilTerminated) noexcept {
  LLKCObjectDeque* deque = alloc();
  return deque != nullptr ? llk::autorelease(deque->initWithObjectsOfList(nilTerminated)) : nullptr;
}

LLKCObjectDeque* LLKCObjectDeque::initWithObjectsOfList(LLKBObject* const* nilTerminated) noexcept {
  uint64_t n = 0;
  while (nilTerminated != nullptr && nilTerminated[n] != nullptr) ++n;
  if (initWithCapacity(n) == nullptr) return nullptr;
  for (uint64_t i = 0; i < n; ++i) append(nilTerminated[i]);
  return this;
}

LLKCObjectDeque::~LLKCObjectDeque() { delete iPrivate; }

// ---- Size ----

float LLKCObjectDeque::growFactor() const noexcept { return iPrivate->mGrowFactor; }

void LLKCObjectDeque::setGrowFactor(float growFactor) noexcept {
  iPrivate->mGrowFactor = growFactor > 0.0f ? growFactor : 0.0f;
}

int32_t LLKCObjectDeque::resize(uint64_t capacity) noexcept {
  private_t* const d = iPrivate;
  const uint64_t n = std::max<uint64_t>(std::max<uint64_t>(capacity, 1), d->mCount);
  if (n == d->mCapacity) return llk::kDone;
  if (n > kMaxSlots) return llk::kNoMemory;
  const bool wraps = d->mHead + d->mCount > d->mCapacity;
  if (n > d->mCapacity && n <= d->mAllocated) {
    // Growing within the block: a ring that wraps moves its head part to the end of the new ring.
    if (wraps) {
      const uint64_t part = d->mCapacity - d->mHead;
      const uint64_t head = n - part;
      std::memmove(d->mObjects + head, d->mObjects + d->mHead, part * sizeof(LLKBObject*));
      std::memset(d->mObjects + d->mHead, 0, (head - d->mHead) * sizeof(LLKBObject*));
      d->mHead = head;
    }
  } else if (n > d->mCapacity && d->mHead == 0) {
    // Growing a ring that starts at slot 0: the block can be reallocated in place.
    const uint64_t slots = blockSlots(n);
    void* block = std::realloc(d->mObjects, slots * sizeof(LLKBObject*));
    if (block == nullptr) return llk::kNoMemory;
    std::memset(static_cast<LLKBObject**>(block) + d->mAllocated, 0, (slots - d->mAllocated) * sizeof(LLKBObject*));
    d->mObjects = static_cast<LLKBObject**>(block);
    d->mAllocated = slots;
  } else {
    // Shrinking, or growing past the block with the ring elsewhere: a new block, positions from 0.
    LLKBObject** block = newBlock(n);
    if (block == nullptr) return llk::kNoMemory;
    for (uint64_t i = 0; i < d->mCount; ++i) block[i] = at(d, i);
    std::free(d->mObjects);
    d->mObjects = block;
    d->mAllocated = blockSlots(n);
    d->mHead = 0;
  }
  d->mCapacity = n;
  return llk::kDone;
}

int32_t LLKCObjectDeque::compact() noexcept { return resize(iPrivate->mCount); }

int32_t LLKCObjectDeque::reserve(uint64_t n) noexcept {
  const private_t* const d = iPrivate;
  if (d->mCapacity - d->mCount >= n) return llk::kDone;
  if (n > UINT64_MAX - d->mCount) return llk::kNoMemory;
  return resize(d->mCount + n);
}

// ---- Access ----

LLKBObject* LLKCObjectDeque::head() const noexcept {
  const private_t* const d = iPrivate;
  return d->mCount > 0 ? d->mObjects[d->mHead] : nullptr;
}

LLKBObject* LLKCObjectDeque::tail() const noexcept {
  const private_t* const d = iPrivate;
  return d->mCount > 0 ? at(d, d->mCount - 1) : nullptr;
}

bool LLKCObjectDeque::contains(LLKBObject* object) const noexcept { return contains_atIndex(object, nullptr); }

bool LLKCObjectDeque::contains_atIndex(LLKBObject* object, uint64_t* index) const noexcept {
  const private_t* const d = iPrivate;
  if (object == nullptr) return false;
  for (uint64_t i = 0; i < d->mCount; ++i) {
    if (at(d, i) == object) {
      if (index != nullptr) *index = i;
      return true;
    }
  }
  return false;
}

// ---- Additions ----

namespace {

// Room for one more object: 0, 10 (full and not allowed to grow) or 2.
int32_t makeRoom(LLKCObjectDeque* deque, uint64_t count, uint64_t capacity, float factor, bool resize) noexcept {
  if (count < capacity) return llk::kDone;
  if (!resize) return llk::kFull;
  uint64_t grown = 0;
  const int32_t status = grownCapacity(capacity, factor, &grown);
  if (status != llk::kDone) return status;
  return deque->resize(grown) == llk::kDone ? llk::kDone : llk::kNoMemory;
}

}  // namespace

int32_t LLKCObjectDeque::append(LLKBObject* object) noexcept { return append_andResizeIfNeeded(object, true); }

int32_t LLKCObjectDeque::prepend(LLKBObject* object) noexcept { return prepend_andResizeIfNeeded(object, true); }

int32_t LLKCObjectDeque::insert_atIndex(LLKBObject* object, uint64_t index) noexcept {
  return insert_atIndex_andResizeIfNeeded(object, index, true);
}

int32_t LLKCObjectDeque::append_andResizeIfNeeded(LLKBObject* object, bool resize) noexcept {
  private_t* const d = iPrivate;
  if (object == nullptr) return llk::kNilArgument;
  if (d->mCount == d->mCapacity) {
    const int32_t status = makeRoom(this, d->mCount, d->mCapacity, d->mGrowFactor, resize);
    if (status != llk::kDone) return status;
  }
  at(d, d->mCount) = object->retain();
  ++d->mCount;
  changed(d, 0, object);
  return llk::kDone;
}

int32_t LLKCObjectDeque::prepend_andResizeIfNeeded(LLKBObject* object, bool resize) noexcept {
  private_t* const d = iPrivate;
  if (object == nullptr) return llk::kNilArgument;
  if (d->mCount == d->mCapacity) {
    const int32_t status = makeRoom(this, d->mCount, d->mCapacity, d->mGrowFactor, resize);
    if (status != llk::kDone) return status;
  }
  d->mHead = previous(d, d->mHead);
  d->mObjects[d->mHead] = object->retain();
  ++d->mCount;
  changed(d, 0, object);
  return llk::kDone;
}

int32_t LLKCObjectDeque::insert_atIndex_andResizeIfNeeded(LLKBObject* object, uint64_t index, bool resize) noexcept {
  private_t* const d = iPrivate;
  if (object == nullptr) return llk::kNilArgument;
  if (index >= d->mCount) return llk::kOutOfRange;
  const int32_t status = makeRoom(this, d->mCount, d->mCapacity, d->mGrowFactor, resize);
  if (status != llk::kDone) return status;
  // Open the gap from the nearer end.
  if (index < d->mCount - index) {
    d->mHead = previous(d, d->mHead);
    ++d->mCount;
    for (uint64_t k = 0; k < index; ++k) at(d, k) = at(d, k + 1);
  } else {
    ++d->mCount;
    for (uint64_t k = d->mCount - 1; k > index; --k) at(d, k) = at(d, k - 1);
  }
  at(d, index) = object->retain();
  changed(d, 0, object);
  return llk::kDone;
}

LLKBObject* LLKCObjectDeque::replace_atIndex(LLKBObject* object, uint64_t index) noexcept {
  private_t* const d = iPrivate;
  if (object == nullptr || index >= d->mCount) return nullptr;
  LLKBObject*& slot = at(d, index);
  LLKBObject* old = slot;
  slot = object->retain();
  return old->autorelease();
}

// ---- Removals ----

int32_t LLKCObjectDeque::remove(LLKBObject* object) noexcept {
  if (object == nullptr) return llk::kNilArgument;
  uint64_t index = 0;
  if (!contains_atIndex(object, &index)) return llk::kNotFound;
  return removeAtIndex(index);
}

int32_t LLKCObjectDeque::removeAtIndex(uint64_t index) noexcept {
  private_t* const d = iPrivate;
  if (index >= d->mCount) return llk::kOutOfRange;
  changed(d, 1, at(d, index));
  take(d, index)->release();
  return llk::kDone;
}

int32_t LLKCObjectDeque::removeHead() noexcept {
  private_t* const d = iPrivate;
  if (d->mCount == 0) return llk::kNotFound;
  LLKBObject* object = d->mObjects[d->mHead];
  changed(d, 1, object);
  d->mObjects[d->mHead] = nullptr;
  d->mHead = --d->mCount == 0 ? 0 : next(d, d->mHead);
  object->release();
  return llk::kDone;
}

int32_t LLKCObjectDeque::removeTail() noexcept {
  private_t* const d = iPrivate;
  if (d->mCount == 0) return llk::kNotFound;
  LLKBObject*& slot = at(d, d->mCount - 1);
  LLKBObject* object = slot;
  changed(d, 1, object);
  slot = nullptr;
  if (--d->mCount == 0) d->mHead = 0;
  object->release();
  return llk::kDone;
}

void LLKCObjectDeque::clear() noexcept { empty(iPrivate); }

// ---- Order ----

void LLKCObjectDeque::rotateBy(uint64_t n) noexcept {
  private_t* const d = iPrivate;
  if (n == 0 || n >= d->mCount) return;
  if (d->mCount == d->mCapacity) {
    d->mHead = d->slot(n);  // a full ring rotates by moving its head
  } else if (n <= d->mCount - n) {
    for (uint64_t k = 0; k < n; ++k) {  // head to the free slot after the tail
      at(d, d->mCount) = d->mObjects[d->mHead];
      d->mObjects[d->mHead] = nullptr;
      d->mHead = next(d, d->mHead);
    }
  } else {
    for (uint64_t k = d->mCount - n; k > 0; --k) {  // tail to the free slot before the head
      d->mHead = previous(d, d->mHead);
      LLKBObject*& last = at(d, d->mCount);
      d->mObjects[d->mHead] = last;
      last = nullptr;
    }
  }
}

void LLKCObjectDeque::scramble() noexcept {
  private_t* const d = iPrivate;
  if (d->mCount < 3) return;
  for (uint64_t i = 0; i + 1 < d->mCount - 1; ++i) {
    const uint64_t j = LLKFRandomDrawWithRangeUint(i + 1, d->mCount - 1);
    std::swap(at(d, i), at(d, j));
  }
}

// ---- Callbacks and iteration ----

void LLKCObjectDeque::setChangeCallback_withContext(LLKFChangeCallback callback, void* context) noexcept {
  iPrivate->mChangeCallback = callback;
  iPrivate->mChangeContext = context;
}

void LLKCObjectDeque::iterateWithFunction_andContext(LLKFIterateFunction function, void* context) noexcept {
  const private_t* const d = iPrivate;
  if (function == nullptr) return;
  for (uint64_t i = 0; i < d->mCount; ++i) function(at(d, i), context);
}

LLKBObject* LLKCObjectDeque::iterateUntilMatchWithFunction_andContext(LLKFMatchFunction function,
                                                                      void* context) noexcept {
  const private_t* const d = iPrivate;
  if (function == nullptr) return nullptr;
  for (uint64_t i = 0; i < d->mCount; ++i) {
    LLKBObject* object = at(d, i);
    if (function(object, context)) return object;
  }
  return nullptr;
}

bool LLKCObjectDeque::removeEachMatchWithFunction_andContext(LLKFMatchFunction function, void* context) noexcept {
  private_t* const d = iPrivate;
  if (function == nullptr) return false;
  bool matched = false;
  uint64_t kept = 0;
  const uint64_t count = d->mCount;
  for (uint64_t i = 0; i < count; ++i) {
    LLKBObject*& slot = at(d, i);
    LLKBObject* object = slot;
    if (function(object, context)) {
      matched = true;
      changed(d, 1, object);
      slot = nullptr;
      object->release();
    } else if (kept++ != i) {
      at(d, kept - 1) = object;
      slot = nullptr;
    }
  }
  d->mCount = kept;
  if (kept == 0) d->mHead = 0;
  return matched;
}

bool LLKCObjectDeque::removeFirstMatchWithFunction_andContext(LLKFMatchFunction function, void* context) noexcept {
  private_t* const d = iPrivate;
  if (function == nullptr) return false;
  for (uint64_t i = 0; i < d->mCount; ++i) {
    LLKBObject* object = at(d, i);
    if (function(object, context)) {
      changed(d, 1, object);
      take(d, i)->release();
      return true;
    }
  }
  return false;
}

void LLKCObjectDeque::sortWithFunction_andContext(LLKFSortFunction function, void* context) noexcept {
  private_t* const d = iPrivate;
  if (function == nullptr || d->mCount < 2) return;
  if (d->mHead != 0) {
    // Make the positions contiguous from slot 0 (free slots, all nil, end up after the tail).
    std::rotate(d->mObjects, d->mObjects + d->mHead, d->mObjects + d->mCapacity);
    d->mHead = 0;
  }
  SortContext sort{function, context};
  qsort_r(d->mObjects, d->mCount, sizeof(LLKBObject*), LLKFObjectDequeSortComparator, &sort);
}

// ---- Copies ----

LLKCObjectDeque* LLKCObjectDeque::initWithCopy_deep(LLKBObject* source, bool deep) noexcept {
  LLKCObjectDeque* other = llk::cast<LLKCObjectDeque>(source);
  if (other == nullptr) {
    dealloc();
    return nullptr;
  }
  const private_t* const s = other->iPrivate;
  if (LLKCObjectDeque::init() == nullptr) return nullptr;
  private_t* const d = iPrivate;
  d->mGrowFactor = s->mGrowFactor;
  if (s->mCapacity > 0) {
    if ((d->mObjects = newBlock(s->mCapacity)) == nullptr) {
      dealloc();
      return nullptr;
    }
    d->mCapacity = s->mCapacity;
    d->mAllocated = blockSlots(s->mCapacity);
  }
  for (uint64_t i = 0; i < s->mCount; ++i) {
    LLKBObject* object = at(s, i);
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

LLKCObjectDeque* LLKCObjectDeque::copy() noexcept { return static_cast<LLKCObjectDeque*>(Super::copy()); }

LLKCObjectDeque* LLKCObjectDeque::deepCopy() noexcept { return static_cast<LLKCObjectDeque*>(Super::deepCopy()); }
