#include <txq/llk/collections/LLKCObjectIndex.h>

#include <txq/llk/collections/LLKContainerCoding_p.h>
#include <txq/llk/collections/LLKContainerMaking_p.h>
#include <txq/llk/collections/LLKOrderedTable_p.h>

// The hash table, the order, the spare pool, the cursor and the change callback, in that order
// (LLKOrderedTable_p.h); the key is the 12 bytes of the code.
struct LLKCObjectIndex::private_t : llk::detail::OrderedTable<LLKTCode> {};

LLK_DEFINE_CLASS(LLKCObjectIndex, LLK_PROTOCOLS(LLKPCopyable), init, initWithCapacity, count, capacity, resize,
                 store_forKey, fetchForKey, containsKey, contains, removeForKey, fetchAtIndex,
                 fetchAtIndex_key, remove, removeAtIndex, allObjects, clear, setChangeCallback_withContext,
                 iterateWithFunction_andContext, iterateUntilMatchWithFunction_andContext, initWithCopy_deep, copy,
                 deepCopy, encodeWithCoder, initWithCoder)

// ---- Creation ----

LLKCObjectIndex* LLKCObjectIndex::index() noexcept { return llk::detail::autoreleasedNew(&LLKCObjectIndex::init); }

LLKCObjectIndex* LLKCObjectIndex::init() noexcept { return llk::detail::initOrdered(this, 0); }

LLKCObjectIndex* LLKCObjectIndex::indexWithCapacity(uint64_t capacity) noexcept {
  return llk::detail::autoreleasedNew(&LLKCObjectIndex::initWithCapacity, capacity);
}

LLKCObjectIndex* LLKCObjectIndex::initWithCapacity(uint64_t capacity) noexcept {
  return llk::detail::initOrdered(this, capacity);
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

LLKBObject* LLKCObjectIndex::fetchForKey(LLKTCode code) noexcept { return iPrivate->objectForKey(code); }

bool LLKCObjectIndex::containsKey(LLKTCode code) noexcept { return iPrivate->find(code) != nullptr; }

bool LLKCObjectIndex::contains(LLKBObject* object) noexcept { return iPrivate->entryOf(object, nullptr) != nullptr; }

int32_t LLKCObjectIndex::removeForKey(LLKTCode code) noexcept { return iPrivate->removeForKey(code); }

// ---- Positions ----

LLKBObject* LLKCObjectIndex::fetchAtIndex(uint64_t index) noexcept { return iPrivate->objectAt(index, nullptr); }

LLKBObject* LLKCObjectIndex::fetchAtIndex_key(uint64_t index, LLKTCode* code) noexcept {
  return iPrivate->objectAt(index, code);
}

int32_t LLKCObjectIndex::remove(LLKBObject* object) noexcept {
  return iPrivate->removeFound(iPrivate->entryOf(object, nullptr));
}

int32_t LLKCObjectIndex::removeAtIndex(uint64_t index) noexcept { return iPrivate->removeFound(iPrivate->at(index)); }

LLKCObjectDeque* LLKCObjectIndex::allObjects() noexcept { return iPrivate->allObjects(); }

void LLKCObjectIndex::clear() noexcept { iPrivate->clear(); }

// ---- Callbacks ----

void LLKCObjectIndex::setChangeCallback_withContext(LLKFChangeCallback callback, void* context) noexcept {
  iPrivate->setChangeCallback(callback, context);
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
  return llk::detail::initOrderedCopy(this, source, deep);
}

LLKCObjectIndex* LLKCObjectIndex::copy() noexcept { return static_cast<LLKCObjectIndex*>(Super::copy()); }

LLKCObjectIndex* LLKCObjectIndex::deepCopy() noexcept { return static_cast<LLKCObjectIndex*>(Super::deepCopy()); }

// ---- Coding ----

bool LLKCObjectIndex::encodeWithCoder(LLKBEncoder* coder) noexcept {
  return llk::detail::encodeContainer(this, coder, capacity(), [this, coder](uint64_t* written) noexcept {
    for (const private_t::pair_t* p = iPrivate->mUsed.mHead; p != nullptr; p = p->mNext) {
      if (!llk::detail::isEncodable(p->mObject)) continue;
      if (!coder->encodeUint32(p->mKey.mUid) || !coder->encodeUint32(p->mKey.mTag) ||
          !coder->encodeUint32(p->mKey.mCtx) || !coder->encodeObject(p->mObject)) {
        return false;
      }
      ++*written;
    }
    return true;
  });
}

LLKCObjectIndex* LLKCObjectIndex::initWithCoder(LLKBDecoder* coder) noexcept {
  return llk::detail::initContainerWithCoder(
      this, coder, false, [this](uint64_t room) noexcept { return initWithCapacity(room); },
      [this, coder](const llk::detail::CodedSize&, uint64_t) noexcept {
        LLKTCode key{};
        LLKBObject* object = nullptr;
        return coder->decodeUint32(&key.mUid) && coder->decodeUint32(&key.mTag) &&
               coder->decodeUint32(&key.mCtx) && (object = llk::detail::decodeElement(coder)) != nullptr &&
               store_forKey(object, key) == llk::kDone;
      },
      [this](uint64_t room) noexcept { return resize(room); });
}
