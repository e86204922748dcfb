#ifndef TXQ_LLK_COLLECTIONS_LLKSLOTBLOCK_P_H
#define TXQ_LLK_COLLECTIONS_LLKSLOTBLOCK_P_H
// Internal: what LLKCObjectArray, LLKCObjectVector and LLKCObjectDeque share. Not installed, not API.
//
// Each of them keeps its objects in one block of slots made with the C allocator. Its record
// (private_t) has mObjects, mCount, mCapacity (the slots in use before it must grow), mGrowFactor,
// mAllocated (the slots in the block, >= mCapacity) and the change callback with its context; the
// array and the vector add an accept callback. The helpers here take any such record.
//
// Blocks: small blocks are rounded up to a power of two (8 to 64), so that a container growing
// from nothing by a quarter at a time reallocates only a few times. Every slot of a block that holds no
// object is nil.
//
// Creation: the nil-terminated list initialisers count the objects, make exactly that many slots
// and add the objects one by one with the container's own addition (append, or stash for the
// vector), so callbacks and statuses are those of that addition.

#include <cmath>
#include <cstdarg>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <new>

#include <txq/llk/collections/LLKBObjectContainer.h>
#include <txq/llk/object/LLKProtocols.h>
#include <txq/llk/object/LLKStatus.h>

namespace llk::detail {

// ---- Callbacks ----

template <class Record>
void changed(const Record* d, uint32_t op, LLKBObject* object) noexcept {
  if (d->mChangeCallback != nullptr) d->mChangeCallback(op, object, d->mChangeContext);
}

template <class Record>
bool accepts(const Record* d, uint32_t op, LLKBObject* object) noexcept {
  return d->mAcceptCallback == nullptr || d->mAcceptCallback(op, object, d->mAcceptContext);
}

// ---- Blocks ----

inline constexpr uint64_t kMaxSlots = SIZE_MAX / sizeof(LLKBObject*);

// The slots a block for n is made with (see above).
inline uint64_t blockSlots(uint64_t n) noexcept {
  if (n >= 64) return n;
  uint64_t slots = 8;
  while (slots < n) slots <<= 1;
  return slots;
}

// A zeroed block for n slots (rounded as above), or null.
inline LLKBObject** newBlock(uint64_t n) noexcept {
  return n <= kMaxSlots ? static_cast<LLKBObject**>(std::calloc(blockSlots(n), sizeof(LLKBObject*))) : nullptr;
}

// A zeroed block for n slots into d, which has none yet; capacity n. NO without memory.
template <class Record>
bool makeBlock(Record* d, uint64_t n) noexcept {
  if ((d->mObjects = newBlock(n)) == nullptr) return false;
  d->mAllocated = blockSlots(n);
  d->mCapacity = n;
  return true;
}

// Reallocates d's block to `slots` slots (<= kMaxSlots), zeroing any new ones. NO without memory,
// and then the block is left as it was.
template <class Record>
bool reallocBlock(Record* d, uint64_t slots) noexcept {
  void* block = std::realloc(d->mObjects, slots * sizeof(LLKBObject*));
  if (block == nullptr) return false;
  if (slots > d->mAllocated) {
    std::memset(static_cast<LLKBObject**>(block) + d->mAllocated, 0, (slots - d->mAllocated) * sizeof(LLKBObject*));
  }
  d->mObjects = static_cast<LLKBObject**>(block);
  d->mAllocated = slots;
  return true;
}

// ---- Growth ----

// Negative (or NaN) factors are stored as 0.
inline float growFactorFrom(float growFactor) noexcept { return growFactor > 0.0f ? growFactor : 0.0f; }

// The capacity after one growth step: capacity + ceil(capacity * factor) computed in single
// precision (at least one more slot). 10 when the factor forbids growing, 2 when the result cannot
// be represented.
inline int32_t grownCapacity(uint64_t capacity, float factor, uint64_t* grown) noexcept {
  if (!(factor > 0.0f)) return llk::kFull;
  const float more = std::ceil(static_cast<float>(capacity) * factor);
  if (!(more < 18446744073709551616.0f)) return llk::kNoMemory;  // also infinities and NaN
  uint64_t add = static_cast<uint64_t>(more);
  if (add == 0) add = 1;
  if (add > UINT64_MAX - capacity) return llk::kNoMemory;
  *grown = capacity + add;
  return llk::kDone;
}

// Room for one more object, growing through container->resize when every slot is in use: 0, 10
// (full, and growing forbidden by `mayGrow` or the grow factor) or 2.
template <class Container>
int32_t makeRoom(Container* container, bool mayGrow = true) noexcept {
  const auto* d = container->iPrivate;
  if (d->mCount < d->mCapacity) return llk::kDone;
  if (!mayGrow) return llk::kFull;
  uint64_t grown = 0;
  const int32_t status = grownCapacity(d->mCapacity, d->mGrowFactor, &grown);
  if (status != llk::kDone) return status;
  return container->resize(grown) == llk::kDone ? llk::kDone : llk::kNoMemory;
}

// ---- Creation ----

// A fresh record for container; without memory the container is deallocated and nil answered.
template <class Container>
Container* initRecord(Container* container) noexcept {
  container->iPrivate = new (std::nothrow) typename Container::private_t();
  if (container->iPrivate == nullptr) {
    container->dealloc();
    return nullptr;
  }
  return container;
}

// initWithCapacity: a record with max(n, 1) empty slots.
template <class Container>
Container* initRecordWithCapacity(Container* container, uint64_t capacity) noexcept {
  if (initRecord(container) == nullptr) return nullptr;
  if (!makeBlock(container->iPrivate, capacity > 1 ? capacity : 1)) {
    container->dealloc();
    return nullptr;
  }
  return container;
}

// initWithHead_andRest: `head`, then the objects of `rest` up to its nil, each through `add`.
template <class Container>
Container* initWithHeadAndRest(Container* container, LLKBObject* head, va_list rest,
                               int32_t (Container::*add)(LLKBObject*) noexcept) noexcept {
  uint64_t n = 0;
  if (head != nullptr) {
    va_list measure;
    va_copy(measure, rest);
    for (n = 1; va_arg(measure, LLKBObject*) != nullptr; ++n) {
    }
    va_end(measure);
  }
  if (container->initWithCapacity(n) == nullptr) return nullptr;
  if (head == nullptr) return container;
  (container->*add)(head);
  va_list fill;
  va_copy(fill, rest);
  for (LLKBObject* object; (object = va_arg(fill, LLKBObject*)) != nullptr;) (container->*add)(object);
  va_end(fill);
  return container;
}

// initWithObjectsOfList: the objects up to the first nil, each through `add`.
template <class Container>
Container* initWithNilTerminated(Container* container, LLKBObject* const* nilTerminated,
                                 int32_t (Container::*add)(LLKBObject*) noexcept) noexcept {
  uint64_t n = 0;
  while (nilTerminated != nullptr && nilTerminated[n] != nullptr) ++n;
  if (container->initWithCapacity(n) == nullptr) return nullptr;
  for (uint64_t i = 0; i < n; ++i) (container->*add)(nilTerminated[i]);
  return container;
}

// ---- Copies ----

// The start of initWithCopy_deep: an empty record with the source's grow factor and capacity. The
// source's record, or nil (the receiver deallocated) when the source is of another class or there
// is no memory.
template <class Container>
const typename Container::private_t* initRecordForCopy(Container* container, LLKBObject* source) noexcept {
  Container* other = llk::cast<Container>(source);
  if (other == nullptr) {
    container->dealloc();
    return nullptr;
  }
  const typename Container::private_t* const s = other->iPrivate;
  if (initRecord(container) == nullptr) return nullptr;
  auto* const d = container->iPrivate;
  d->mGrowFactor = s->mGrowFactor;
  if (s->mCapacity > 0 && !makeBlock(d, s->mCapacity)) {
    container->dealloc();
    return nullptr;
  }
  return s;
}

// The object a copy stores (before retaining it): the object itself, or (deep) its autoreleased
// copy; nil when a deep copy is asked of an object that is not copyable.
inline LLKBObject* copiedObject(LLKBObject* object, bool deep) noexcept {
  if (!deep) return object;
  return llk::conformsTo(object, &LLKPCopyable::kProtocol) ? object->copy() : nullptr;
}

// ---- Sorting ----

// What qsort_r hands the comparator: the sort function and its context.
struct SortContext {
  LLKFSortFunction function;
  void* context;
};

inline int compareSlots(const void* a, const void* b, void* context) noexcept {
  const SortContext* sort = static_cast<const SortContext*>(context);
  return sort->function(*static_cast<LLKBObject* const*>(a), *static_cast<LLKBObject* const*>(b), sort->context);
}

// The C library's qsort_r over `count` slots (not stable).
inline void sortSlots(LLKBObject** objects, uint64_t count, LLKFSortFunction function, void* context,
                      int (*compare)(const void*, const void*, void*) noexcept = compareSlots) noexcept {
  SortContext sort{function, context};
  qsort_r(objects, count, sizeof(LLKBObject*), compare, &sort);
}

}  // namespace llk::detail

#endif  // TXQ_LLK_COLLECTIONS_LLKSLOTBLOCK_P_H
