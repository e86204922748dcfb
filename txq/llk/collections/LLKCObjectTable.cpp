#include <txq/llk/collections/LLKCObjectTable.h>

#include <new>

#include <txq/llk/collections/LLKCObjectDeque.h>
#include <txq/llk/collections/LLKOrderedTable_p.h>

// The hash table, the order, the spare pool, the cursor and the change callback, in that order
// (LLKOrderedTable_p.h); the key is the 8 bytes of the uint64.
struct LLKCObjectTable::private_t : llk::detail::OrderedTable<uint64_t> {};

LLK_DEFINE_CLASS(LLKCObjectTable, LLK_PROTOCOLS(LLKPCopyable), init, initWithCapacity, count, capacity, resize,
                 store_forKey, fetchForKey, fetchForKey_index, containsKey, contains, removeForKey, fetchAtIndex,
                 fetchAtIndex_key, remove, removeAtIndex, rotateBy, allObjects, clear, setChangeCallback_withContext,
                 iterateWithFunction_andContext, iterateUntilMatchWithFunction_andContext,
                 removeEachMatchWithFunction_andContext, removeFirstMatchWithFunction_andContext, initWithCopy_deep,
                 copy, deepCopy)

// ---- Creation ----

LLKCObjectTable* LLKCObjectTable::table() noexcept {
  LLKCObjectTable* table = alloc();
  return table != nullptr ? llk::autorelease(table->init()) : nullptr;
}

LLKCObjectTable* LLKCObjectTable::init() noexcept {
  iPrivate = new (std::nothrow) private_t();
  if (iPrivate == nullptr) {
    dealloc();
    return nullptr;
  }
  return this;
}

LLKCObjectTable* LLKCObjectTable::tableWithCapacity(uint64_t capacity) noexcept {
  LLKCObjectTable* table = alloc();
  return table != nullptr ? llk::autorelease(table->initWithCapacity(capacity)) : nullptr;
}

LLKCObjectTable* LLKCObjectTable::initWithCapacity(uint64_t capacity) noexcept {
  if (LLKCObjectTable::init() == nullptr) return nullptr;
  if (iPrivate->resize(capacity) != llk::kDone) {
    dealloc();
    return nullptr;
  }
  return this;
}

LLKCObjectTable::~LLKCObjectTable() { delete iPrivate; }

// ---- Size ----

uint64_t LLKCObjectTable::count() const noexcept { return iPrivate->count(); }

uint64_t LLKCObjectTable::capacity() const noexcept { return iPrivate->capacity(); }

int32_t LLKCObjectTable::resize(uint64_t capacity) noexcept { return iPrivate->resize(capacity); }

// ---- Keys ----

int32_t LLKCObjectTable::store_forKey(LLKBObject* object, uint64_t key) noexcept {
  return iPrivate->store(object, key);
}

LLKBObject* LLKCObjectTable::fetchForKey(uint64_t key) noexcept {
  private_t::pair_t* p = iPrivate->find(key);
  return p != nullptr ? p->mObject : nullptr;
}

LLKBObject* LLKCObjectTable::fetchForKey_index(uint64_t key, uint64_t* index) noexcept {
  private_t::pair_t* p = iPrivate->find(key);
  if (p == nullptr) return nullptr;
  if (index != nullptr) *index = iPrivate->indexOf(p);
  return p->mObject;
}

bool LLKCObjectTable::containsKey(uint64_t key) noexcept { return iPrivate->find(key) != nullptr; }

bool LLKCObjectTable::contains(LLKBObject* object) noexcept { return iPrivate->entryOf(object, nullptr) != nullptr; }

int32_t LLKCObjectTable::removeForKey(uint64_t key) noexcept { return iPrivate->removeForKey(key); }

// ---- Positions ----

LLKBObject* LLKCObjectTable::fetchAtIndex(uint64_t index) noexcept {
  private_t::pair_t* p = iPrivate->at(index);
  return p != nullptr ? p->mObject : nullptr;
}

LLKBObject* LLKCObjectTable::fetchAtIndex_key(uint64_t index, uint64_t* key) noexcept {
  private_t::pair_t* p = iPrivate->at(index);
  if (p == nullptr) return nullptr;
  if (key != nullptr) *key = p->mKey;
  return p->mObject;
}

int32_t LLKCObjectTable::remove(LLKBObject* object) noexcept {
  private_t::pair_t* p = iPrivate->entryOf(object, nullptr);
  if (p == nullptr) return llk::kNotFound;
  iPrivate->removeEntry(p);
  return llk::kDone;
}

int32_t LLKCObjectTable::removeAtIndex(uint64_t index) noexcept {
  private_t::pair_t* p = iPrivate->at(index);
  if (p == nullptr) return llk::kNotFound;
  iPrivate->removeEntry(p);
  return llk::kDone;
}

void LLKCObjectTable::rotateBy(uint64_t n) noexcept { iPrivate->rotate(n); }

LLKCObjectDeque* LLKCObjectTable::allObjects() noexcept {
  LLKCObjectDeque* all = LLKCObjectDeque::dequeWithCapacity(iPrivate->count());
  if (all == nullptr) return nullptr;
  for (private_t::pair_t* p = iPrivate->mUsed.mHead; p != nullptr; p = p->mNext) {
    if (all->append(p->mObject) != llk::kDone) return nullptr;  // the pool frees the partial deque
  }
  return all;
}

void LLKCObjectTable::clear() noexcept { iPrivate->clear(); }

// ---- Callbacks ----

void LLKCObjectTable::setChangeCallback_withContext(LLKFChangeCallback callback, void* context) noexcept {
  iPrivate->mChangeCallback = callback;
  iPrivate->mChangeContext = context;
}

// ---- Iteration ----

void LLKCObjectTable::iterateWithFunction_andContext(LLKFIterateFunction function, void* context) noexcept {
  iPrivate->iterate(function, context);
}

LLKBObject* LLKCObjectTable::iterateUntilMatchWithFunction_andContext(LLKFMatchFunction function,
                                                                       void* context) noexcept {
  return iPrivate->firstMatch(function, context);
}

bool LLKCObjectTable::removeEachMatchWithFunction_andContext(LLKFMatchFunction function, void* context) noexcept {
  return iPrivate->removeMatches(function, context, false);
}

bool LLKCObjectTable::removeFirstMatchWithFunction_andContext(LLKFMatchFunction function, void* context) noexcept {
  return iPrivate->removeMatches(function, context, true);
}

// ---- Copies ----

LLKCObjectTable* LLKCObjectTable::initWithCopy_deep(LLKBObject* source, bool deep) noexcept {
  LLKCObjectTable* other = llk::cast<LLKCObjectTable>(source);
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

LLKCObjectTable* LLKCObjectTable::copy() noexcept { return static_cast<LLKCObjectTable*>(Super::copy()); }

LLKCObjectTable* LLKCObjectTable::deepCopy() noexcept { return static_cast<LLKCObjectTable*>(Super::deepCopy()); }
