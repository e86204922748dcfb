#include <txq/llk/collections/LLKCObjectTuple.h>

#include <algorithm>
#include <cstdlib>
#include <new>

#include <txq/llk/collections/LLKCObjectDeque.h>
#include <txq/llk/collections/LLKContainerCoding_p.h>
#include <txq/llk/collections/LLKContainerMaking_p.h>

// mObjects has mCapacity slots (null when there are none); each holds a retained object or nil.
struct LLKCObjectTuple::private_t {
  LLKBObject** mObjects = nullptr;  // owned (C allocator)
  uint64_t mCapacity = 0;
  LLKFChangeCallback mChangeCallback = nullptr;  // borrowed
  void* mChangeContext = nullptr;                // borrowed

  // Frees the slots; the objects must have been released already.
  ~private_t() { std::free(mObjects); }

  void changed(uint32_t op, LLKBObject* object) const noexcept {
    if (mChangeCallback != nullptr) mChangeCallback(op, object, mChangeContext);
  }
  // Slot i (< capacity, holding an object) is emptied: change callback op 1, cleared, released
  // (or autoreleased).
  void empty(uint64_t i, bool autorelease) noexcept {
    LLKBObject* object = mObjects[i];
    changed(1, object);
    mObjects[i] = nullptr;
    if (autorelease) {
      object->autorelease();
    } else {
      object->release();
    }
  }
};

LLK_DEFINE_CLASS(LLKCObjectTuple, LLK_PROTOCOLS(LLKPCopyable), init, initWithCapacity, initWithObjectsOfList,
                 initWithHead_and, count, capacity, fetchAtIndex, head, tail, contains, contains_atIndex,
                 store_atIndex, stach, remove, removeAtIndex, clear, setChangeCallback_withContext,
                 iterateWithFunction_andContext, iterateUntilMatchWithFunction_andContext,
                 removeEachMatchWithFunction_andContext, removeFirstMatchWithFunction_andContext,
                 sortWithFunction_andContext, initWithCopy_deep, copy, deepCopy, encodeWithCoder, initWithCoder)

// ---- Creation ----

LLKCObjectTuple* LLKCObjectTuple::init() noexcept { return initWithCapacity(0); }

LLKCObjectTuple* LLKCObjectTuple::tupleWithCapacity(uint64_t capacity) noexcept {
  return llk::detail::autoreleasedNew(&LLKCObjectTuple::initWithCapacity, capacity);
}

LLKCObjectTuple* LLKCObjectTuple::initWithCapacity(uint64_t capacity) noexcept {
  iPrivate = new (std::nothrow) private_t();
  if (iPrivate == nullptr ||
      (capacity > 0 && (iPrivate->mObjects = static_cast<LLKBObject**>(
                            std::calloc(capacity, sizeof(LLKBObject*)))) == nullptr)) {
    dealloc();
    return nullptr;
  }
  iPrivate->mCapacity = capacity;
  return this;
}

LLKCObjectTuple* LLKCObjectTuple::tupleWithObjectsOfList(LLKBObject* const* nilTerminated) noexcept {
  return llk::detail::autoreleasedNew(&LLKCObjectTuple::initWithObjectsOfList, nilTerminated);
}

LLKCObjectTuple* LLKCObjectTuple::initWithObjectsOfList(LLKBObject* const* nilTerminated) noexcept {
  const uint64_t n = llk::detail::countObjectList(nilTerminated);
  if (initWithCapacity(n) == nullptr) return nullptr;
  for (uint64_t i = 0; i < n; ++i) store_atIndex(nilTerminated[i], i);
  return this;
}

LLKCObjectTuple* LLKCObjectTuple::initWithHead_and(LLKBObject* head, va_list rest) noexcept {
  // Two passes over the arguments: one to count them, one to store them.
  if (initWithCapacity(llk::detail::countArguments(head, rest)) == nullptr) return nullptr;
  llk::detail::forEachArgument(head, rest, [this](LLKBObject* object, uint64_t i) { store_atIndex(object, i); });
  return this;
}

LLKCObjectTuple::~LLKCObjectTuple() {
  if (iPrivate == nullptr) return;
  for (uint64_t i = 0; i < iPrivate->mCapacity; ++i) {
    if (iPrivate->mObjects[i] != nullptr) iPrivate->empty(i, false);
  }
  delete iPrivate;
}

// ---- Slots ----

uint64_t LLKCObjectTuple::count() const noexcept { return iPrivate->mCapacity; }

uint64_t LLKCObjectTuple::capacity() const noexcept { return iPrivate->mCapacity; }

LLKBObject* LLKCObjectTuple::fetchAtIndex(uint64_t index) noexcept {
  return index < iPrivate->mCapacity ? iPrivate->mObjects[index] : nullptr;
}

LLKBObject* LLKCObjectTuple::head() noexcept { return fetchAtIndex(0); }

LLKBObject* LLKCObjectTuple::tail() noexcept {
  return iPrivate->mCapacity > 0 ? iPrivate->mObjects[iPrivate->mCapacity - 1] : nullptr;
}

bool LLKCObjectTuple::contains(LLKBObject* object) noexcept { return contains_atIndex(object, nullptr); }

bool LLKCObjectTuple::contains_atIndex(LLKBObject* object, uint64_t* index) noexcept {
  if (object == nullptr) return false;
  for (uint64_t i = 0; i < iPrivate->mCapacity; ++i) {
    if (iPrivate->mObjects[i] == object) {
      if (index != nullptr) *index = i;
      return true;
    }
  }
  return false;
}

// ---- Changes ----

LLKBObject* LLKCObjectTuple::store_atIndex(LLKBObject* object, uint64_t index) noexcept {
  private_t* const d = iPrivate;
  if (index >= d->mCapacity) return nullptr;
  if (d->mObjects[index] == object) return object;  // already there: nothing leaves, nothing arrives
  llk::retain(object);  // before the old one goes, in case the old one owns the new one
  if (d->mObjects[index] != nullptr) d->empty(index, false);
  d->mObjects[index] = object;
  if (object != nullptr) d->changed(0, object);
  return object;
}

bool LLKCObjectTuple::stach(LLKBObject* object) noexcept {
  if (object == nullptr) return false;
  for (uint64_t i = 0; i < iPrivate->mCapacity; ++i) {
    if (iPrivate->mObjects[i] == nullptr) {
      store_atIndex(object, i);
      return true;
    }
  }
  return false;
}

bool LLKCObjectTuple::remove(LLKBObject* object) noexcept {
  uint64_t i = 0;
  if (!contains_atIndex(object, &i)) return false;
  iPrivate->empty(i, true);
  return true;
}

bool LLKCObjectTuple::removeAtIndex(uint64_t index) noexcept {
  if (index >= iPrivate->mCapacity || iPrivate->mObjects[index] == nullptr) return false;
  iPrivate->empty(index, false);
  return true;
}

void LLKCObjectTuple::clear() noexcept {
  for (uint64_t i = 0; i < iPrivate->mCapacity; ++i) {
    if (iPrivate->mObjects[i] != nullptr) iPrivate->empty(i, false);
  }
}

// ---- Callbacks ----

void LLKCObjectTuple::setChangeCallback_withContext(LLKFChangeCallback callback, void* context) noexcept {
  iPrivate->mChangeCallback = callback;
  iPrivate->mChangeContext = context;
}

// ---- Iteration ----

void LLKCObjectTuple::iterateWithFunction_andContext(LLKFIterateFunction function, void* context) noexcept {
  if (function == nullptr) return;
  for (uint64_t i = 0; i < iPrivate->mCapacity; ++i) {
    if (iPrivate->mObjects[i] != nullptr) function(iPrivate->mObjects[i], context);
  }
}

LLKBObject* LLKCObjectTuple::iterateUntilMatchWithFunction_andContext(LLKFMatchFunction function,
                                                                      void* context) noexcept {
  if (function == nullptr) return nullptr;
  for (uint64_t i = 0; i < iPrivate->mCapacity; ++i) {
    LLKBObject* object = iPrivate->mObjects[i];
    if (object != nullptr && function(object, context)) return object;
  }
  return nullptr;
}

bool LLKCObjectTuple::removeEachMatchWithFunction_andContext(LLKFMatchFunction function, void* context) noexcept {
  if (function == nullptr) return false;
  bool any = false;
  for (uint64_t i = 0; i < iPrivate->mCapacity; ++i) {
    LLKBObject* object = iPrivate->mObjects[i];
    if (object != nullptr && function(object, context)) {
      iPrivate->empty(i, false);
      any = true;
    }
  }
  return any;
}

bool LLKCObjectTuple::removeFirstMatchWithFunction_andContext(LLKFMatchFunction function, void* context) noexcept {
  if (function == nullptr) return false;
  for (uint64_t i = 0; i < iPrivate->mCapacity; ++i) {
    LLKBObject* object = iPrivate->mObjects[i];
    if (object != nullptr && function(object, context)) {
      iPrivate->empty(i, false);
      return true;
    }
  }
  return false;
}

namespace {

struct SortOrder {
  LLKFSortFunction mFunction;
  void* mContext;
};

int compareSlots(const void* a, const void* b, void* order) noexcept {
  const SortOrder* o = static_cast<const SortOrder*>(order);
  int32_t result = o->mFunction(*static_cast<LLKBObject* const*>(a), *static_cast<LLKBObject* const*>(b), o->mContext);
  return result < 0 ? -1 : (result > 0 ? 1 : 0);
}

}  // namespace

void LLKCObjectTuple::sortWithFunction_andContext(LLKFSortFunction function, void* context) noexcept {
  if (function == nullptr) return;
  private_t* const d = iPrivate;
  // The objects move to the front in their order, the empty slots to the back; then the objects
  // are sorted among themselves.
  uint64_t n = 0;
  for (uint64_t i = 0; i < d->mCapacity; ++i) {
    if (d->mObjects[i] != nullptr) {
      LLKBObject* object = d->mObjects[i];
      d->mObjects[i] = nullptr;
      d->mObjects[n++] = object;
    }
  }
  if (n < 2) return;
  SortOrder order{function, context};
  qsort_r(d->mObjects, n, sizeof(LLKBObject*), compareSlots, &order);
}

// ---- Copies ----

LLKCObjectTuple* LLKCObjectTuple::initWithCopy_deep(LLKBObject* source, bool deep) noexcept {
  LLKCObjectTuple* other = llk::cast<LLKCObjectTuple>(source);
  if (other == nullptr) {
    dealloc();
    return nullptr;
  }
  const uint64_t n = other->iPrivate->mCapacity;
  if (initWithCapacity(n) == nullptr) return nullptr;
  for (uint64_t i = 0; i < n; ++i) {
    LLKBObject* object = other->iPrivate->mObjects[i];
    if (deep && object != nullptr) {
      object = llk::conformsTo(object, &LLKPCopyable::kProtocol) ? object->copy() : nullptr;
      if (object == nullptr) {
        dealloc();
        return nullptr;
      }
    }
    iPrivate->mObjects[i] = llk::retain(object);
  }
  return this;
}

LLKCObjectTuple* LLKCObjectTuple::copy() noexcept { return static_cast<LLKCObjectTuple*>(Super::copy()); }

LLKCObjectTuple* LLKCObjectTuple::deepCopy() noexcept { return static_cast<LLKCObjectTuple*>(Super::deepCopy()); }

// ---- Coding ----

bool LLKCObjectTuple::encodeWithCoder(LLKBEncoder* coder) noexcept {
  const private_t* const d = iPrivate;
  return llk::detail::encodeContainer(this, coder, d->mCapacity, [coder, d](uint64_t* written) noexcept {
    for (uint64_t i = 0; i < d->mCapacity; ++i) {
      if (!llk::detail::encodeIfEncodable(coder, d->mObjects[i], written)) return false;
    }
    return true;
  });
}

LLKCObjectTuple* LLKCObjectTuple::initWithCoder(LLKBDecoder* coder) noexcept {
  // Slots never grow, so the objects are gathered first and the slots made once all have come.
  llk::detail::CodedSize size;
  LLKCObjectDeque* gathered = nullptr;
  if (!llk::detail::decodeCountAndCapacity(coder, &size, false) ||
      (gathered = LLKCObjectDeque::dequeWithCapacity(size.initialRoom())) == nullptr) {
    dealloc();
    return nullptr;
  }
  for (uint64_t i = 0; i < size.count; ++i) {
    LLKBObject* object = llk::detail::decodeElement(coder);
    if (object == nullptr || gathered->append(object) != llk::kDone) {
      dealloc();
      return nullptr;
    }
  }
  if (initWithCapacity(std::max(size.count, size.initialRoom())) == nullptr) return nullptr;
  for (uint64_t i = 0; i < size.count; ++i) store_atIndex(gathered->fetchAtIndex(i), i);
  return this;
}
