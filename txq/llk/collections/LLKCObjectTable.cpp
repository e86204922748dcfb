#include <txq/llk/collections/LLKCObjectTable.h>

#include <txq/llk/collections/LLKContainerCoding_p.h>
#include <txq/llk/collections/LLKContainerMaking_p.h>
#include <txq/llk/collections/LLKOrderedTable_p.h>

// The hash table, the order, the spare pool, the cursor and the change callback, in that order
// (LLKOrderedTable_p.h); the key is the 8 bytes of the uint64.
struct LLKCObjectTable::private_t : llk::detail::OrderedTable<uint64_t> {};

LLK_DEFINE_CLASS(LLKCObjectTable, LLK_PROTOCOLS(LLKPCopyable), init, initWithCapacity, count, capacity, resize,
                 store_forKey, fetchForKey, fetchForKey_index, containsKey, contains, removeForKey, fetchAtIndex,
                 fetchAtIndex_key, remove, removeAtIndex, rotateBy, allObjects, clear, setChangeCallback_withContext,
                 iterateWithFunction_andContext, iterateUntilMatchWithFunction_andContext,
                 removeEachMatchWithFunction_andContext, removeFirstMatchWithFunction_andContext, initWithCopy_deep,
                 copy, deepCopy, encodeWithCoder, initWithCoder)

// ---- Creation ----

LLKCObjectTable* LLKCObjectTable::table() noexcept { return llk::detail::autoreleasedNew(&LLKCObjectTable::init); }

LLKCObjectTable* LLKCObjectTable::init() noexcept { return llk::detail::initOrdered(this, 0); }

LLKCObjectTable* LLKCObjectTable::tableWithCapacity(uint64_t capacity) noexcept {
  return llk::detail::autoreleasedNew(&LLKCObjectTable::initWithCapacity, capacity);
}

LLKCObjectTable* LLKCObjectTable::initWithCapacity(uint64_t capacity) noexcept {
  return llk::detail::initOrdered(this, capacity);
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

LLKBObject* LLKCObjectTable::fetchForKey(uint64_t key) noexcept { return iPrivate->objectForKey(key); }

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

LLKBObject* LLKCObjectTable::fetchAtIndex(uint64_t index) noexcept { return iPrivate->objectAt(index, nullptr); }

LLKBObject* LLKCObjectTable::fetchAtIndex_key(uint64_t index, uint64_t* key) noexcept {
  return iPrivate->objectAt(index, key);
}

int32_t LLKCObjectTable::remove(LLKBObject* object) noexcept {
  return iPrivate->removeFound(iPrivate->entryOf(object, nullptr));
}

int32_t LLKCObjectTable::removeAtIndex(uint64_t index) noexcept { return iPrivate->removeFound(iPrivate->at(index)); }

void LLKCObjectTable::rotateBy(uint64_t n) noexcept { iPrivate->rotate(n); }

LLKCObjectDeque* LLKCObjectTable::allObjects() noexcept { return iPrivate->allObjects(); }

void LLKCObjectTable::clear() noexcept { iPrivate->clear(); }

// ---- Callbacks ----

void LLKCObjectTable::setChangeCallback_withContext(LLKFChangeCallback callback, void* context) noexcept {
  iPrivate->setChangeCallback(callback, context);
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
  return llk::detail::initOrderedCopy(this, source, deep);
}

LLKCObjectTable* LLKCObjectTable::copy() noexcept { return static_cast<LLKCObjectTable*>(Super::copy()); }

LLKCObjectTable* LLKCObjectTable::deepCopy() noexcept { return static_cast<LLKCObjectTable*>(Super::deepCopy()); }

// ---- Coding ----

bool LLKCObjectTable::encodeWithCoder(LLKBEncoder* coder) noexcept {
  return llk::detail::encodeContainer(this, coder, capacity(), [this, coder](uint64_t* written) noexcept {
    for (const private_t::pair_t* p = iPrivate->mUsed.mHead; p != nullptr; p = p->mNext) {
      if (!llk::detail::isEncodable(p->mObject)) continue;
      if (!coder->encodeUint64(p->mKey) || !coder->encodeObject(p->mObject)) return false;
      ++*written;
    }
    return true;
  });
}

LLKCObjectTable* LLKCObjectTable::initWithCoder(LLKBDecoder* coder) noexcept {
  return llk::detail::initContainerWithCoder(
      this, coder, false, [this](uint64_t room) noexcept { return initWithCapacity(room); },
      [this, coder](const llk::detail::CodedSize&, uint64_t) noexcept {
        uint64_t key = 0;
        LLKBObject* object = nullptr;
        return coder->decodeUint64(&key) && (object = llk::detail::decodeElement(coder)) != nullptr &&
               store_forKey(object, key) == llk::kDone;
      },
      [this](uint64_t room) noexcept { return resize(room); });
}
