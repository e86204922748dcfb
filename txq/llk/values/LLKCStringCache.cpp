#include <txq/llk/values/LLKCStringCache.h>

#include <cstring>
#include <new>

#include <txq/llk/collections/LLKCObjectList.h>
#include <txq/llk/collections/LLKCObjectTable.h>
#include <txq/llk/collections/LLKContainers.h>
#include <txq/llk/values/LLKCString.h>
#include <txq/llk/values/LLKFHash.h>

struct LLKCStringCache::private_t {
  // hash -> an LLKCString, or an LLKCObjectList of the strings sharing that hash; owned
  LLKCObjectTable* mTable = nullptr;
  ~private_t() { llk::release(mTable); }
};

LLK_DEFINE_CLASS(LLKCStringCache, LLK_PROTOCOLS(), init, store, fetch, clear)

namespace {

constexpr uint64_t kTableCapacity = 128;

uint64_t hashOf(const char* text) noexcept {
  return LLKFComputeHashcode32(reinterpret_cast<const uint8_t*>(text), std::strlen(text));
}

// An entry holding a single string.
LLKCString* singleOf(LLKBObject* entry) noexcept {
  return entry != nullptr && entry->isOfClass(LLKCString::classObject()) != nullptr ? static_cast<LLKCString*>(entry)
                                                                                    : nullptr;
}

// The string with this text in a list of strings sharing a hash, or nil.
LLKCString* findIn(LLKCObjectList* list, const char* text) noexcept {
  for (LLKBObject* object : list) {
    auto* string = static_cast<LLKCString*>(object);
    if (string->compareToChars(text) == 0) return string;
  }
  return nullptr;
}

}  // namespace

// ---- Creation ----

LLKCStringCache* LLKCStringCache::cache() noexcept {
  LLKCStringCache* cache = alloc();
  return cache != nullptr ? llk::autorelease(cache->init()) : nullptr;
}

LLKCStringCache* LLKCStringCache::init() noexcept {
  iPrivate = new (std::nothrow) private_t();
  LLKCObjectTable* table = iPrivate != nullptr ? LLKCObjectTable::alloc() : nullptr;
  if (table == nullptr || (iPrivate->mTable = table->initWithCapacity(kTableCapacity)) == nullptr) {
    dealloc();
    return nullptr;
  }
  return this;
}

LLKCStringCache::~LLKCStringCache() { delete iPrivate; }

// ---- Strings ----

LLKCString* LLKCStringCache::store(const char* text) noexcept {
  if (text == nullptr) return nullptr;
  LLKCObjectTable* const table = iPrivate->mTable;
  const uint64_t hash = hashOf(text);
  LLKBObject* entry = table->fetchForKey(hash);

  if (entry == nullptr) {  // a new hash: the string itself is the entry
    LLKCString* string = LLKCString::alloc();
    if (string == nullptr || (string = string->initWithChars(text)) == nullptr) return nullptr;
    const int32_t status = table->store_forKey(string, hash);
    string->release();  // held by the table now, or freed
    return status == llk::kDone ? string : nullptr;
  }

  if (LLKCString* single = singleOf(entry)) {
    if (single->compareToChars(text) == 0) return single;
    // A second text with this hash: a list of both takes the single string's place.
    LLKCObjectList* list = LLKCObjectList::alloc();
    if (list == nullptr || (list = list->initWithCapacity(2)) == nullptr) return nullptr;
    LLKCString* string = LLKCString::alloc();
    if (string != nullptr) string = string->initWithChars(text);
    const bool made = string != nullptr && list->append(single) == llk::kDone && list->append(string) == llk::kDone &&
                      table->store_forKey(list, hash) == llk::kDone;
    llk::release(string);
    list->release();  // held by the table now, or freed with what it holds
    return made ? string : nullptr;
  }

  auto* list = static_cast<LLKCObjectList*>(entry);
  if (LLKCString* found = findIn(list, text)) return found;
  LLKCString* string = LLKCString::alloc();
  if (string == nullptr || (string = string->initWithChars(text)) == nullptr) return nullptr;
  const int32_t status = list->append(string);
  string->release();
  return status == llk::kDone ? string : nullptr;
}

LLKCString* LLKCStringCache::fetch(const char* text) noexcept {
  if (text == nullptr) return nullptr;
  LLKBObject* entry = iPrivate->mTable->fetchForKey(hashOf(text));
  if (entry == nullptr) return nullptr;
  if (LLKCString* single = singleOf(entry)) return single->compareToChars(text) == 0 ? single : nullptr;
  return findIn(static_cast<LLKCObjectList*>(entry), text);
}

void LLKCStringCache::clear() noexcept { iPrivate->mTable->clear(); }
