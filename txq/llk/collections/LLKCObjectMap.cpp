#include <txq/llk/collections/LLKCObjectMap.h>

#include <txq/llk/collections/LLKCObjectMapBucket_p.h>  // configures uthash before anything else sees it

#include <algorithm>
#include <new>

#include <txq/llk/collections/LLKCObjectDeque.h>
#include <txq/llk/collections/LLKCObjectTuple.h>

// An entry is a 2-slot tuple (key, value) held by two owners: its bucket's list and the order.
// Invariants:
//   (1) every bucket in the table has a non-empty list, and every tuple in a list is also in
//       mEntries (and the other way round); keys and values of stored entries are never nil;
//   (2) spare buckets have hash 0, an empty list and no links; spare tuples have two empty slots;
//   (3) during a batch removal (removeMatching) the entries already removed stay in mEntries as
//       cleared tuples (slot 0 nil) until the order is compacted at its end.
struct LLKCObjectMap::private_t {
  LLKCObjectMapBucket* mBuckets = nullptr;   // the table (uthash head); each bucket retained once by it
  LLKCObjectDeque* mSpareBuckets = nullptr;  // retained; the bucket pool
  LLKCObjectDeque* mSpareTuples = nullptr;   // retained; the entry pool
  LLKCObjectDeque* mEntries = nullptr;       // retained; the entries in order
  uint64_t mCapacity = 0;                    // the pools' limit
  LLKFChangeCallback mChangeCallback = nullptr;  // borrowed, with its context
  void* mChangeContext = nullptr;

  void changed(uint32_t op, LLKBObject* object) const noexcept {
    if (mChangeCallback != nullptr) mChangeCallback(op, object, mChangeContext);
  }
  uint64_t count() const noexcept { return mEntries != nullptr ? mEntries->count() : 0; }

  // The change callback hears op 1 for every value; then the table, the order and the pools go.
  ~private_t() {
    const uint64_t n = count();
    for (uint64_t i = 0; i < n; ++i) changed(1, entryAt(i)->fetchAtIndex(1));
    LLKCObjectMapBucket* bucket = nullptr;
    LLKCObjectMapBucket* after = nullptr;
    HASH_ITER(mHandle, mBuckets, bucket, after) {
      llk::bucketDelete(mBuckets, bucket);
      bucket->release();
    }
    llk::release(mEntries);
    llk::release(mSpareTuples);
    llk::release(mSpareBuckets);
  }

  LLKCObjectTuple* entryAt(uint64_t index) const noexcept {
    return static_cast<LLKCObjectTuple*>(mEntries->fetchAtIndex(index));
  }
};

LLK_DEFINE_CLASS(LLKCObjectMap, LLK_PROTOCOLS(LLKPCopyable), init, initWithCapacity, store_forKey, fetchForKey,
                 containsKey, contains, keyAtIndex, fetchAtIndex, fetchAtIndex_key, allKeys, allObjects, allPairs,
                 removeForKey, remove, removeAll, removeAtIndex, removeEachMatchWithFunction_andContext,
                 removeFirstMatchWithFunction_andContext, clear, count, capacity, resize,
                 setChangeCallback_withContext, iterateWithFunction_andContext,
                 iterateUntilMatchWithFunction_andContext, initWithCopy_deep, copy, deepCopy)

namespace {

using private_t = LLKCObjectMap::private_t;

LLKCObjectDeque* newDeque(uint64_t capacity) noexcept {
  LLKCObjectDeque* deque = LLKCObjectDeque::alloc();
  return deque != nullptr ? deque->initWithCapacity(capacity) : nullptr;
}

LLKCObjectTuple* newTuple() noexcept {
  LLKCObjectTuple* tuple = LLKCObjectTuple::alloc();
  return tuple != nullptr ? tuple->initWithCapacity(2) : nullptr;
}

// Takes the last spare of a pool (+1), or nil when the pool is empty.
LLKBObject* takeSpare(LLKCObjectDeque* pool) noexcept {
  LLKBObject* spare = pool->tail();
  if (spare == nullptr) return nullptr;
  spare->retain();
  pool->removeTail();
  return spare;
}

// The entry of `key` (hash `hash`) and its bucket; the bucket alone (or nil) when the key is new.
LLKCObjectTuple* findEntry(const private_t* d, LLKBObject* key, uint32_t hash,
                           LLKCObjectMapBucket** bucketOut) noexcept {
  LLKCObjectMapBucket* bucket = llk::bucketFind(d->mBuckets, hash);
  if (bucketOut != nullptr) *bucketOut = bucket;
  if (bucket == nullptr) return nullptr;
  LLKCObjectDeque* const list = bucket->mList;
  const uint64_t n = list->count();
  for (uint64_t i = 0; i < n; ++i) {
    auto* entry = static_cast<LLKCObjectTuple*>(list->fetchAtIndex(i));
    if (entry->fetchAtIndex(0)->compareTo(key) == 0) return entry;
  }
  return nullptr;
}

// Puts a freed bucket (taken out of the table, list empty; +1 handed over) back into the pool when
// the capacity allows, else releases it.
void giveBackBucket(private_t* d, LLKCObjectMapBucket* bucket) noexcept {
  bucket->clear();
  const uint64_t held = llk::bucketCount(d->mBuckets) + d->mSpareBuckets->count();
  if (d->mCapacity != 0 && d->mCapacity >= held) d->mSpareBuckets->append(bucket);
  bucket->release();
}

// Clears a freed tuple (releasing its key and value; +1 handed over) and puts it back into the pool
// when the capacity allows, else releases it. `entries` is the number of entries left.
void giveBackTuple(private_t* d, LLKCObjectTuple* tuple, uint64_t entries) noexcept {
  tuple->clear();
  if (d->mCapacity != 0 && d->mCapacity >= entries + d->mSpareTuples->count()) d->mSpareTuples->append(tuple);
  tuple->release();
}

// Takes an entry out of its bucket, freeing the bucket when it empties. The entry's bucket is
// found by its key's hash; should the key's hash have changed, every bucket is searched.
void detachFromBucket(private_t* d, LLKCObjectTuple* entry) noexcept {
  uint64_t at = 0;
  LLKCObjectMapBucket* bucket = llk::bucketFind(d->mBuckets, entry->fetchAtIndex(0)->hashCode());
  if (bucket == nullptr || !bucket->mList->contains_atIndex(entry, &at)) {
    LLKCObjectMapBucket* after = nullptr;
    HASH_ITER(mHandle, d->mBuckets, bucket, after) {
      if (bucket->mList->contains_atIndex(entry, &at)) break;
    }
    if (bucket == nullptr) return;  // not reached while invariant (1) holds
  }
  bucket->mList->removeAtIndex(at);
  if (bucket->mList->count() == 0) {
    llk::bucketDelete(d->mBuckets, bucket);
    giveBackBucket(d, bucket);
  }
}

// Removes the entry at `index` of the order.
void removeEntryAt(private_t* d, uint64_t index) noexcept {
  LLKCObjectTuple* entry = d->entryAt(index);
  d->changed(1, entry->fetchAtIndex(1));
  entry->retain();
  detachFromBucket(d, entry);
  d->mEntries->removeAtIndex(index);
  giveBackTuple(d, entry, d->mEntries->count());
}

bool isCleared(LLKBObject* entry, void*) noexcept { return static_cast<LLKCObjectTuple*>(entry)->head() == nullptr; }

// Removes, in order, the entries whose value `accept` takes (the first one only when `firstOnly`),
// then closes the gaps in the order at once: one pass whatever the number removed.
template <class Accept>
uint64_t removeMatching(private_t* d, Accept&& accept, bool firstOnly) noexcept {
  const uint64_t n = d->count();
  uint64_t left = n;
  for (uint64_t i = 0; i < n; ++i) {
    LLKCObjectTuple* entry = d->entryAt(i);
    LLKBObject* value = entry->fetchAtIndex(1);
    if (!accept(value)) continue;
    d->changed(1, value);
    entry->retain();
    detachFromBucket(d, entry);
    giveBackTuple(d, entry, --left);  // cleared: marks it for the compaction below
    if (firstOnly) break;
  }
  if (left != n) d->mEntries->removeEachMatchWithFunction_andContext(&isCleared, nullptr);
  return n - left;
}

// Adds n buckets and n tuples to the pools: YES, or NO with the pools as they were.
bool fillPools(private_t* d, uint64_t n) noexcept {
  if (n == 0) return true;
  if (d->mSpareBuckets->reserve(n) != llk::kDone || d->mSpareTuples->reserve(n) != llk::kDone) return false;
  const uint64_t buckets = d->mSpareBuckets->count();
  const uint64_t tuples = d->mSpareTuples->count();
  // A tuple and a bucket in turn: the pair a new key takes lies together in memory.
  bool filled = true;
  for (uint64_t i = 0; filled && i < n; ++i) {
    LLKCObjectTuple* tuple = newTuple();
    filled = tuple != nullptr && d->mSpareTuples->append(tuple) == llk::kDone;
    llk::release(tuple);
    LLKCObjectMapBucket* bucket = filled ? LLKCObjectMapBucket::new_() : nullptr;
    filled = bucket != nullptr && d->mSpareBuckets->append(bucket) == llk::kDone;
    llk::release(bucket);
  }
  if (filled) return true;
  while (d->mSpareTuples->count() > tuples) d->mSpareTuples->removeTail();
  while (d->mSpareBuckets->count() > buckets) d->mSpareBuckets->removeTail();
  return false;
}

// A new deque of one item per entry, in order, or nil.
template <class Item>
LLKCObjectDeque* collect(const private_t* d, Item&& item) noexcept {
  const uint64_t n = d->count();
  LLKCObjectDeque* out = newDeque(n);
  if (out == nullptr) return nullptr;
  for (uint64_t i = 0; i < n; ++i) {
    LLKBObject* made = item(d->entryAt(i));  // +1
    const int32_t status = made != nullptr ? out->append(made) : llk::kNoMemory;
    llk::release(made);
    if (status != llk::kDone) {
      out->release();
      return nullptr;
    }
  }
  return llk::autorelease(out);
}

}  // namespace

// ---- Creation ----

LLKCObjectMap* LLKCObjectMap::map() noexcept {
  LLKCObjectMap* map = alloc();
  return map != nullptr ? llk::autorelease(map->init()) : nullptr;
}

LLKCObjectMap* LLKCObjectMap::init() noexcept { return initWithCapacity(0); }

LLKCObjectMap* LLKCObjectMap::mapWithCapacity(uint64_t capacity) noexcept {
  LLKCObjectMap* map = alloc();
  return map != nullptr ? llk::autorelease(map->initWithCapacity(capacity)) : nullptr;
}

LLKCObjectMap* LLKCObjectMap::initWithCapacity(uint64_t capacity) noexcept {
  private_t* const d = iPrivate = new (std::nothrow) private_t();
  if (d == nullptr || (d->mSpareBuckets = newDeque(capacity)) == nullptr ||
      (d->mSpareTuples = newDeque(capacity)) == nullptr || (d->mEntries = newDeque(capacity)) == nullptr ||
      !fillPools(d, capacity)) {
    dealloc();
    return nullptr;
  }
  d->mCapacity = capacity;
  return this;
}

LLKCObjectMap::~LLKCObjectMap() { delete iPrivate; }

// ---- Storing and fetching ----

int32_t LLKCObjectMap::store_forKey(LLKBObject* value, LLKBObject* key) noexcept {
  private_t* const d = iPrivate;
  if (value == nullptr || key == nullptr) return llk::kNilArgument;
  const uint32_t hash = key->hashCode();
  LLKCObjectMapBucket* bucket = nullptr;
  if (LLKCObjectTuple* entry = findEntry(d, key, hash, &bucket)) {
    LLKBObject* old = entry->fetchAtIndex(1);
    d->changed(1, old);
    if (old != value) entry->store_atIndex(value, 1);  // retains the new value, releases the old
    d->changed(0, value);
    return llk::kDone;
  }

  // A new key: a tuple and, for a new hash, a bucket, each from its pool when it has one.
  const bool tupleSpare = d->mSpareTuples->count() > 0;
  auto* entry = static_cast<LLKCObjectTuple*>(tupleSpare ? takeSpare(d->mSpareTuples) : newTuple());
  if (entry == nullptr) return llk::kNoMemory;
  const bool newBucket = bucket == nullptr;
  const bool bucketSpare = newBucket && d->mSpareBuckets->count() > 0;
  if (newBucket) {
    bucket = static_cast<LLKCObjectMapBucket*>(bucketSpare ? takeSpare(d->mSpareBuckets)
                                                           : LLKCObjectMapBucket::new_());
  }
  int32_t status = bucket != nullptr ? llk::kDone : llk::kNoMemory;
  bool listed = false;
  bool ordered = false;
  if (status == llk::kDone) {
    entry->store_atIndex(key, 0);
    entry->store_atIndex(value, 1);
    listed = (status = bucket->mList->append(entry)) == llk::kDone;
  }
  if (listed) ordered = (status = d->mEntries->append(entry)) == llk::kDone;
  if (ordered && newBucket) {
    bucket->mHash = hash;
    if (!llk::bucketAdd(d->mBuckets, bucket)) status = llk::kNoMemory;  // the table could not grow
  }
  if (status == llk::kDone) {
    entry->release();  // the bucket's list and the order hold it
    d->changed(0, value);
    return llk::kDone;
  }

  // Undo: everything goes back where it came from.
  if (ordered) d->mEntries->removeTail();
  if (listed) bucket->mList->removeTail();
  entry->clear();
  if (tupleSpare) d->mSpareTuples->append(entry);  // the slot it left is still there
  entry->release();
  if (newBucket && bucket != nullptr) {
    bucket->clear();
    if (bucketSpare) d->mSpareBuckets->append(bucket);
    bucket->release();
  }
  return status;
}

LLKBObject* LLKCObjectMap::fetchForKey(LLKBObject* key) noexcept {
  if (key == nullptr) return nullptr;
  LLKCObjectTuple* entry = findEntry(iPrivate, key, key->hashCode(), nullptr);
  return entry != nullptr ? entry->fetchAtIndex(1) : nullptr;
}

bool LLKCObjectMap::containsKey(LLKBObject* key) noexcept {
  return key != nullptr && findEntry(iPrivate, key, key->hashCode(), nullptr) != nullptr;
}

bool LLKCObjectMap::contains(LLKBObject* value) noexcept {
  const private_t* const d = iPrivate;
  if (value == nullptr) return false;
  const uint64_t n = d->count();
  for (uint64_t i = 0; i < n; ++i) {
    if (d->entryAt(i)->fetchAtIndex(1) == value) return true;
  }
  return false;
}

LLKBObject* LLKCObjectMap::keyAtIndex(uint64_t index) noexcept {
  const private_t* const d = iPrivate;
  return index < d->count() ? d->entryAt(index)->fetchAtIndex(0) : nullptr;
}

LLKBObject* LLKCObjectMap::fetchAtIndex(uint64_t index) noexcept {
  const private_t* const d = iPrivate;
  return index < d->count() ? d->entryAt(index)->fetchAtIndex(1) : nullptr;
}

LLKBObject* LLKCObjectMap::fetchAtIndex_key(uint64_t index, LLKBObject** key) noexcept {
  const private_t* const d = iPrivate;
  LLKCObjectTuple* entry = index < d->count() ? d->entryAt(index) : nullptr;
  if (key != nullptr) *key = entry != nullptr ? entry->fetchAtIndex(0) : nullptr;
  return entry != nullptr ? entry->fetchAtIndex(1) : nullptr;
}

LLKCObjectDeque* LLKCObjectMap::allKeys() noexcept {
  return collect(iPrivate, [](LLKCObjectTuple* entry) { return llk::retain(entry->fetchAtIndex(0)); });
}

LLKCObjectDeque* LLKCObjectMap::allObjects() noexcept {
  return collect(iPrivate, [](LLKCObjectTuple* entry) { return llk::retain(entry->fetchAtIndex(1)); });
}

LLKCObjectDeque* LLKCObjectMap::allPairs() noexcept {
  return collect(iPrivate, [](LLKCObjectTuple* entry) -> LLKBObject* {
    LLKCObjectTuple* pair = LLKCObjectTuple::alloc();
    return pair != nullptr ? pair->initWithObjects(entry->fetchAtIndex(0), entry->fetchAtIndex(1)) : nullptr;
  });
}

// ---- Removing ----

int32_t LLKCObjectMap::removeForKey(LLKBObject* key) noexcept {
  private_t* const d = iPrivate;
  if (key == nullptr) return llk::kNilArgument;
  LLKCObjectTuple* entry = findEntry(d, key, key->hashCode(), nullptr);
  uint64_t index = 0;
  if (entry == nullptr || !d->mEntries->contains_atIndex(entry, &index)) return llk::kNotFound;
  removeEntryAt(d, index);
  return llk::kDone;
}

int32_t LLKCObjectMap::remove(LLKBObject* value) noexcept {
  private_t* const d = iPrivate;
  if (value == nullptr) return llk::kNilArgument;
  const uint64_t n = d->count();
  for (uint64_t i = 0; i < n; ++i) {
    if (d->entryAt(i)->fetchAtIndex(1) == value) {
      removeEntryAt(d, i);
      return llk::kDone;
    }
  }
  return llk::kNotFound;
}

int32_t LLKCObjectMap::removeAll(LLKBObject* value) noexcept {
  if (value == nullptr) return llk::kNilArgument;
  const uint64_t removed = removeMatching(iPrivate, [value](LLKBObject* v) { return v == value; }, false);
  return removed > 0 ? llk::kDone : llk::kNotFound;
}

int32_t LLKCObjectMap::removeAtIndex(uint64_t index) noexcept {
  private_t* const d = iPrivate;
  if (index >= d->count()) return llk::kNotFound;
  removeEntryAt(d, index);
  return llk::kDone;
}

bool LLKCObjectMap::removeEachMatchWithFunction_andContext(LLKFMatchFunction function, void* context) noexcept {
  if (function == nullptr) return false;
  return removeMatching(iPrivate, [=](LLKBObject* v) { return function(v, context); }, false) > 0;
}

bool LLKCObjectMap::removeFirstMatchWithFunction_andContext(LLKFMatchFunction function, void* context) noexcept {
  if (function == nullptr) return false;
  return removeMatching(iPrivate, [=](LLKBObject* v) { return function(v, context); }, true) > 0;
}

void LLKCObjectMap::clear() noexcept {
  private_t* const d = iPrivate;
  const uint64_t n = d->count();
  for (uint64_t i = 0; i < n; ++i) {
    LLKCObjectTuple* entry = d->entryAt(i);
    d->changed(1, entry->fetchAtIndex(1));
    giveBackTuple(d, llk::retain(entry), n - 1 - i);
  }
  LLKCObjectMapBucket* bucket = nullptr;
  LLKCObjectMapBucket* after = nullptr;
  HASH_ITER(mHandle, d->mBuckets, bucket, after) {
    bucket->mList->clear();
    llk::bucketDelete(d->mBuckets, bucket);
    giveBackBucket(d, bucket);
  }
  d->mEntries->clear();
}

// ---- Size and pools ----

uint64_t LLKCObjectMap::count() noexcept { return iPrivate->count(); }

uint64_t LLKCObjectMap::capacity() noexcept { return iPrivate->mCapacity; }

int32_t LLKCObjectMap::resize(uint64_t capacity) noexcept {
  private_t* const d = iPrivate;
  if (capacity > d->mCapacity) {
    if (!fillPools(d, capacity - d->mCapacity)) return llk::kNoMemory;
    d->mCapacity = capacity;
  } else if (capacity < d->mCapacity) {
    const uint64_t kept = std::max(capacity, d->count());
    const uint64_t surplus = d->mCapacity - kept;
    for (uint64_t i = 0; i < surplus && d->mSpareBuckets->count() > 0; ++i) d->mSpareBuckets->removeTail();
    for (uint64_t i = 0; i < surplus && d->mSpareTuples->count() > 0; ++i) d->mSpareTuples->removeTail();
    d->mCapacity = kept;
  }
  return llk::kDone;
}

// ---- Callbacks and iteration ----

void LLKCObjectMap::setChangeCallback_withContext(LLKFChangeCallback callback, void* context) noexcept {
  iPrivate->mChangeCallback = callback;
  iPrivate->mChangeContext = context;
}

void LLKCObjectMap::iterateWithFunction_andContext(LLKFIterateFunction function, void* context) noexcept {
  const private_t* const d = iPrivate;
  if (function == nullptr) return;
  const uint64_t n = d->count();
  for (uint64_t i = 0; i < n; ++i) function(d->entryAt(i)->fetchAtIndex(1), context);
}

LLKBObject* LLKCObjectMap::iterateUntilMatchWithFunction_andContext(LLKFMatchFunction function,
                                                                     void* context) noexcept {
  const private_t* const d = iPrivate;
  if (function == nullptr) return nullptr;
  const uint64_t n = d->count();
  for (uint64_t i = 0; i < n; ++i) {
    LLKBObject* value = d->entryAt(i)->fetchAtIndex(1);
    if (function(value, context)) return value;
  }
  return nullptr;
}

// ---- Copies ----

LLKCObjectMap* LLKCObjectMap::initWithCopy_deep(LLKBObject* source, bool deep) noexcept {
  LLKCObjectMap* other = llk::cast<LLKCObjectMap>(source);
  if (other == nullptr) {
    dealloc();
    return nullptr;
  }
  const private_t* const s = other->iPrivate;
  if (initWithCapacity(s->mCapacity) == nullptr) return nullptr;
  const uint64_t n = s->count();
  for (uint64_t i = 0; i < n; ++i) {
    LLKCObjectTuple* entry = s->entryAt(i);
    LLKBObject* value = entry->fetchAtIndex(1);
    if (deep) value = llk::conformsTo(value, &LLKPCopyable::kProtocol) ? value->copy() : nullptr;
    if (value == nullptr || store_forKey(value, entry->fetchAtIndex(0)) != llk::kDone) {
      dealloc();
      return nullptr;
    }
  }
  return this;
}

LLKCObjectMap* LLKCObjectMap::copy() noexcept { return static_cast<LLKCObjectMap*>(Super::copy()); }

LLKCObjectMap* LLKCObjectMap::deepCopy() noexcept { return static_cast<LLKCObjectMap*>(Super::deepCopy()); }
