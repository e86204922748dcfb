#include <txq/llk/collections/LLKCPointerMap.h>

#include <txq/llk/collections/LLKContainerMaking_p.h>
#include <txq/llk/collections/LLKKeyedTree_p.h>
#include <txq/llk/object/LLKFLog.h>

// Every value is a void entry of the keyed tree.
struct LLKCPointerMap::private_t {
  llk::detail::KeyedTree mTree;
};

LLK_DEFINE_CLASS(LLKCPointerMap, LLK_PROTOCOLS(LLKPCopyable), init, initWithCapacity, count, capacity, resize,
                 store_forKey, fetch_forKey, fetchForKey, contains, removeForKey, remove, clear, fetchAtIndex_key,
                 keyAtIndex, allKeys, initWithCopy_deep, copy, deepCopy)

using llk::detail::KeyedNode;
using llk::detail::KeyedValue;
using llk::detail::kKeyedVoid;

// ---- Creation ----

LLKCPointerMap* LLKCPointerMap::init() noexcept { return llk::detail::initKeyed(this, 0); }

LLKCPointerMap* LLKCPointerMap::mapWithCapacity(uint64_t capacity) noexcept {
  return llk::detail::autoreleasedNew(&LLKCPointerMap::initWithCapacity, capacity);
}

LLKCPointerMap* LLKCPointerMap::initWithCapacity(uint64_t capacity) noexcept {
  return llk::detail::initKeyed(this, capacity);
}

LLKCPointerMap::~LLKCPointerMap() { delete iPrivate; }

// ---- Size ----

uint64_t LLKCPointerMap::count() const noexcept { return iPrivate->mTree.count(); }

uint64_t LLKCPointerMap::capacity() const noexcept { return iPrivate->mTree.capacity(); }

int32_t LLKCPointerMap::resize(uint64_t capacity) noexcept { return iPrivate->mTree.resize(capacity); }

// ---- Keys ----

int32_t LLKCPointerMap::store_forKey(void* pointer, LLKBObject* key) noexcept {
  return llk::detail::keyedStore<void*>(iPrivate->mTree, key, kKeyedVoid, &KeyedValue::mVoid, pointer);
}

int32_t LLKCPointerMap::fetch_forKey(void** pointer, LLKBObject* key) noexcept {
  return llk::detail::keyedFetchInto<void*>(iPrivate->mTree, key, kKeyedVoid, &KeyedValue::mVoid, pointer);
}

void* LLKCPointerMap::fetchForKey(LLKBObject* key) noexcept {
  return llk::detail::keyedValueOr<void*>(iPrivate->mTree, key, kKeyedVoid, &KeyedValue::mVoid, nullptr);
}

bool LLKCPointerMap::contains(LLKBObject* key) noexcept { return iPrivate->mTree.find(key) != nullptr; }

int32_t LLKCPointerMap::removeForKey(LLKBObject* key) noexcept { return iPrivate->mTree.remove(key); }

int32_t LLKCPointerMap::remove(LLKBObject* key) noexcept {
  LLKFLog("LLKCPointerMap-remove: is deprecated");
  return removeForKey(key);
}

void LLKCPointerMap::clear() noexcept { iPrivate->mTree.clear(); }

// ---- Positions ----

void* LLKCPointerMap::fetchAtIndex_key(uint64_t index, LLKBObject** key) noexcept {
  const KeyedNode* node = iPrivate->mTree.at(index);
  if (node == nullptr) return nullptr;
  if (key != nullptr) *key = node->mKey;
  return node->mValue.mVoid;
}

LLKBObject* LLKCPointerMap::keyAtIndex(uint64_t index) noexcept {
  const KeyedNode* node = iPrivate->mTree.at(index);
  return node != nullptr ? node->mKey : nullptr;
}

LLKCObjectDeque* LLKCPointerMap::allKeys() noexcept { return iPrivate->mTree.allKeys(); }

// ---- Copies ----

LLKCPointerMap* LLKCPointerMap::initWithCopy_deep(LLKBObject* source, bool) noexcept {
  return llk::detail::initKeyedCopy(this, source, false);
}

LLKCPointerMap* LLKCPointerMap::copy() noexcept { return static_cast<LLKCPointerMap*>(Super::copy()); }

LLKCPointerMap* LLKCPointerMap::deepCopy() noexcept { return static_cast<LLKCPointerMap*>(Super::deepCopy()); }
