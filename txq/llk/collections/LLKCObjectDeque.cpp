#include <txq/llk/collections/LLKCObjectDeque.h>

#include <txq/llk/collections/LLKContainerCoding_p.h>
#include <txq/llk/collections/LLKContainerMaking_p.h>

#include <algorithm>
#include <cstdlib>
#include <cstring>

#include <txq/llk/collections/LLKSlotBlock_p.h>
#include <txq/llk/values/LLKFRandom.h>

namespace {

using private_t = LLKCObjectDeque::private_t;
using namespace llk::detail;

LLKBObject*& at(private_t* d, uint64_t position) noexcept { return d->mObjects[d->slot(position)]; }
LLKBObject* at(const private_t* d, uint64_t position) noexcept { return d->mObjects[d->slot(position)]; }
uint64_t next(const private_t* d, uint64_t s) noexcept { return s + 1 == d->mCapacity ? 0 : s + 1; }
uint64_t previous(const private_t* d, uint64_t s) noexcept { return s == 0 ? d->mCapacity - 1 : s - 1; }

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
                 sortWithFunction_andContext, initWithCopy_deep, copy, deepCopy, encodeWithCoder, initWithCoder)

int LLKFObjectDequeSortComparator(const void* a, const void* b, void* context) noexcept {
  return compareSlots(a, b, context);
}

// ---- Creation ----

LLKCObjectDeque* LLKCObjectDeque::deque() noexcept {
  return llk::detail::autoreleasedNew(&LLKCObjectDeque::init);
}

LLKCObjectDeque* LLKCObjectDeque::init() noexcept { return initRecord(this); }

LLKCObjectDeque* LLKCObjectDeque::dequeWithCapacity(uint64_t capacity) noexcept {
  return llk::detail::autoreleasedNew(&LLKCObjectDeque::initWithCapacity, capacity);
}

LLKCObjectDeque* LLKCObjectDeque::initWithCapacity(uint64_t capacity) noexcept {
  return initRecordWithCapacity(this, capacity);
}

LLKCObjectDeque* LLKCObjectDeque::initWithHead_andRest(LLKBObject* head, va_list rest) noexcept {
  return initWithHeadAndRest(this, head, rest, &LLKCObjectDeque::append);
}

LLKCObjectDeque* LLKCObjectDeque::dequeWithObjectsOfList(LLKBObject* const* nilTerminated) noexcept {
  return llk::detail::autoreleasedNew(&LLKCObjectDeque::initWithObjectsOfList, nilTerminated);
}

LLKCObjectDeque* LLKCObjectDeque::initWithObjectsOfList(LLKBObject* const* nilTerminated) noexcept {
  return initWithNilTerminated(this, nilTerminated, &LLKCObjectDeque::append);
}

LLKCObjectDeque::~LLKCObjectDeque() { delete iPrivate; }

// ---- Size ----

float LLKCObjectDeque::growFactor() const noexcept { return iPrivate->mGrowFactor; }

void LLKCObjectDeque::setGrowFactor(float growFactor) noexcept {
  iPrivate->mGrowFactor = growFactorFrom(growFactor);
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
    if (!reallocBlock(d, blockSlots(n))) return llk::kNoMemory;
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

int32_t LLKCObjectDeque::append(LLKBObject* object) noexcept { return append_andResizeIfNeeded(object, true); }

int32_t LLKCObjectDeque::prepend(LLKBObject* object) noexcept { return prepend_andResizeIfNeeded(object, true); }

int32_t LLKCObjectDeque::insert_atIndex(LLKBObject* object, uint64_t index) noexcept {
  return insert_atIndex_andResizeIfNeeded(object, index, true);
}

int32_t LLKCObjectDeque::append_andResizeIfNeeded(LLKBObject* object, bool resize) noexcept {
  private_t* const d = iPrivate;
  if (object == nullptr) return llk::kNilArgument;
  if (d->mCount == d->mCapacity) {
    const int32_t status = makeRoom(this, resize);
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
    const int32_t status = makeRoom(this, resize);
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
  const int32_t status = makeRoom(this, resize);
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
  sortSlots(d->mObjects, d->mCount, function, context, LLKFObjectDequeSortComparator);
}

// ---- Copies ----

LLKCObjectDeque* LLKCObjectDeque::initWithCopy_deep(LLKBObject* source, bool deep) noexcept {
  const private_t* const s = initRecordForCopy(this, source);
  if (s == nullptr) return nullptr;
  private_t* const d = iPrivate;
  for (uint64_t i = 0; i < s->mCount; ++i) {
    LLKBObject* object = copiedObject(at(s, i), deep);
    if (object == nullptr) {
      dealloc();  // releases the copies made so far
      return nullptr;
    }
    d->mObjects[i] = object->retain();
    ++d->mCount;
  }
  return this;
}

LLKCObjectDeque* LLKCObjectDeque::copy() noexcept { return static_cast<LLKCObjectDeque*>(Super::copy()); }

LLKCObjectDeque* LLKCObjectDeque::deepCopy() noexcept { return static_cast<LLKCObjectDeque*>(Super::deepCopy()); }

// ---- Coding ----

bool LLKCObjectDeque::encodeWithCoder(LLKBEncoder* coder) noexcept {
  const private_t* const d = iPrivate;
  return encodeSlotSequence(this, coder, [coder, d](uint64_t* written) noexcept {
    for (uint64_t i = 0; i < d->mCount; ++i) {
      if (!encodeIfEncodable(coder, d->mObjects[d->slot(i)], written)) return false;
    }
    return true;
  });
}

LLKCObjectDeque* LLKCObjectDeque::initWithCoder(LLKBDecoder* coder) noexcept {
  return initSlotSequenceWithCoder(this, coder, [this](LLKBObject* object, uint64_t) noexcept {
    return append_andResizeIfNeeded(object, false) == llk::kDone;
  });
}
