#include <txq/llk/collections/LLKCObjectIndex.h>

#include <new>

#include <txq/llk/collections/LLKCObjectDeque.h>
#include <txq/llk/collections/LLKOrderedTable_p.h>

// The hash table, the order, the spare pool, the cursor and the change callback, in that order
// (LLKOrderedTable_p.h); the key is the 12 bytes of the code.
struct LLKCObjectIndex::private_t : llk::detail::OrderedTable<LLKTCode> {};

LLK_DEFINE_CLASS(LLKCObjectIndex, LLK_PROTOCOLS(LLKPCopyable), init, initWithCapacity, count, capacity, resize,
                 store_forKey, fetchForKey, containsKey, contains, removeForKey, fetchAtIndex,
                 fetchAtIndex_key, remove, removeAtIndex, allObjects, clear, setChangeCallback_withContext,
                 iterateWithFunction_andContext, iterateUntilMatchWithFunction_andContext, initWithCopy_deep, copy,
                 deepCopy)

// ---- Creation ----

LLKCObjectIndex* LLKCObjectIndex::index() noexcept {
  LLKCObjectIndex* index = alloc();
  return index != nullptr ? llk::autorelease(index->init()) : nullptr;
}

LLKCObjectIndex* LLKCObjectIndex::init() noexcept {
  iPrivate = new (std::nothrow) private_t();
  if (iPrivate == nullptr) {
    dealloc();
    return nullptr;
  }
  return this;
}

LLKCObjectIndex* LLKCObjectIndex::indexWithCapacity(uint64_t capacity) noexcept {
  LLKCObjectIndex* index = alloc();
  return index != nullptr ? llk::autorelease(index->initWithCapacity(capacity)) : nullptr;
}

LLKCObjectIndex* LLKCObjectIndex::initWithCapacity(uint64_t capacity) noexcept {
  if (LLKCObjectIndex::init() == nullptr) return nullptr;
  if (iPrivate->resize(capacity) != llk::kDone) {
    dealloc();
    return nullptr;
  }
  return this;
}

LLKCObjectIndex::~LLKCObjectIndex() { delete iPrivate; }

// ---- Size ----

uint64_t LLKCObjectIndex::count() const noexcept { return iPrivate->count(); }

uint64_t LLKCObjectIndex::capacity() const noexcept { return iPrivate->capacity(); }

int32_t LLKCObjectIndex::resize(uint64_t capacity) noexcept { return iPrivate->resize(capacity); }

// ---- Keys ----

int32_t LLKCObjectIndex::store_forKey(LLKBObject* object, LLKTCode code) noexcept {
  return iPrivate->store(object, code);
}

LLKBObject* LLKCObjectIndex::fetchForKey(LLKTCode code) noexcept {
  private_t::pair_t* p = iPrivate->find(code);
  return p != nullptr ? p->mObject : nullptr;
}

bool LLKCObjectIndex::containsKey(LLKTCode code) noexcept { return iPrivate->find(code) != nullptr; }

bool LLKCObjectIndex::contains(LLKBObject* object) noexcept { return iPrivate->entryOf(object, nullptr) != nullptr; }

int32_t LLKCObjectIndex::removeForKey(LLKTCode code) noexcept { return iPrivate->removeForKey(code); }

// ---- Positions ----

LLKBObject* LLKCObjectIndex::fetchAtIndex(uint64_t index) noexcept {
  private_t::pair_t* p = iPrivate->at(index);
  return p != nullptr ? p->mObject : nullptr;
}

LLKBObject* LLKCObjectIndex::fetchAtIndex_key(uint64_t index, LLKTCode* code) noexcept {
  private_t::pair_t* p = iPrivate->at(index);
  if (p == nullptr) return nullptr;
  if (code != nullptr) *code = p->mKey;
  return p->mObject;
}

int32_t LLKCObjectIndex::remove(LLKBObject* object) noexcept {
  private_t::pair_t* p = iPrivate->entryOf(object, nullptr);
  if (p == nullptr) return llk::kNotFound;
  iPrivate->removeEntry(p);
  return llk::kDone;
}

int32_t LLKCObjectIndex::removeAtIndex(uint64_t index) noexcept {
  private_t::pair_t* p = iPrivate->at(index);
  if (p == nullptr) return llk::kNotFound;
  iPrivate->removeEntry(p);
  return llk::kDone;
}

LLKCObjectDeque* LLKCObjectIndex::allObjects() noexcept {
  LLKCObjectDeque* all = LLKCObjectDeque::dequeWithCapacity(iPrivate->count());
  if (all == nullptr) return nullptr;
  for (private_t::pair_t* p = iPrivate->mUsed.mHead; p != nullptr; p = p->mNext) {
    if (all->append(p->mObject) != llk::kDone) return nullptr;  // the pool frees the partial deque
  }
  return all;
}

void LLKCObjectIndex::clear() noexcept { iPrivate->clear(); }

// ---- Callbacks ----

void LLKCObjectIndex::setChangeCallback_withContext(LLKFChangeCallback callback, void* context) noexcept {
  iPrivate->mChangeCallback = callback;
  iPrivate->mChangeContext = context;
}

// ---- Iteration ----

void LLKCObjectIndex::iterateWithFunction_andContext(LLKFIterateFunction function, void* context) noexcept {
  iPrivate->iterate(function, context);
}

LLKBObject* LLKCObjectIndex::iterateUntilMatchWithFunction_andContext(LLKFMatchFunction function,
                                                                       void* context) noexcept {
  return iPrivate->firstMatch(function, context);
}

// ---- Copies ----

LLKCObjectIndex* LLKCObjectIndex::initWithCopy_deep(LLKBObject* source, bool deep) noexcept {
  LLKCObjectIndex* other = llk::cast<LLKCObjectIndex>(source);
  if (other == nullptr) {
    dealloc();
    return nullptr;
  }
  if (initWithCapacity(other->capacity()) == nullptr) return nullptr;
  if (iPrivate->copyFrom(*other->iPrivate, deep) != llk::kDone) {
    dealloc();
    return nullptr;
  }
  return this;
}

LLKCObjectIndex* LLKCObjectIndex::copy() noexcept { return static_cast<LLKCObjectIndex*>(Super::copy()); }

LLKCObjectIndex* LLKCObjectIndex::deepCopy() noexcept { return static_cast<LLKCObjectIndex*>(Super::deepCopy()); }
