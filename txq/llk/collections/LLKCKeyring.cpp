#include <txq/llk/collections/LLKCKeyring.h>

#include <txq/llk/collections/LLKCKeyringBucket_p.h>  // configures uthash before anything else sees it

#include <algorithm>
#include <new>

#include <txq/llk/collections/LLKCObjectDeque.h>
#include <txq/llk/collections/LLKContainerCoding_p.h>

// The entries are the objects themselves, so the keyring keeps a bucket pool only.
// Invariants:
//   (1) every bucket in the table has a non-empty list, and every object in a list is also in
//       mEntries (and the other way round); no two held objects compare 0 within a bucket;
//   (2) spare buckets have hash 0, an empty list and no links.
struct LLKCKeyring::private_t {
  LLKCKeyringBucket* mBuckets = nullptr;   // the table (uthash head); each bucket retained once by it
  LLKCObjectDeque* mSpareBuckets = nullptr;  // retained; the bucket pool
  LLKCObjectDeque* mEntries = nullptr;       // retained; the objects in order
  uint64_t mCapacity = 0;                    // the pool's limit

  uint64_t count() const noexcept { return mEntries != nullptr ? mEntries->count() : 0; }

  ~private_t() {
    LLKCKeyringBucket* bucket = nullptr;
    LLKCKeyringBucket* after = nullptr;
    HASH_ITER(mHandle, mBuckets, bucket, after) {
      llk::bucketDelete(mBuckets, bucket);
      bucket->release();
    }
    llk::release(mEntries);
    llk::release(mSpareBuckets);
  }
};

LLK_DEFINE_CLASS(LLKCKeyring, LLK_PROTOCOLS(LLKPCopyable, LLKPEncodable), init, initWithCapacity, store, contains,
                 remove, removeAtIndex, fetchAtIndex, clear, count, capacity, resize, initWithCopy_deep, copy,
                 deepCopy, encodeWithCoder, initWithCoder)

namespace {

using private_t = LLKCKeyring::private_t;

LLKCObjectDeque* newDeque(uint64_t capacity) noexcept {
  LLKCObjectDeque* deque = LLKCObjectDeque::alloc();
  return deque != nullptr ? deque->initWithCapacity(capacity) : nullptr;
}

// The held object equal to `object` (hash `hash`) and its position in its bucket; the bucket alone
// (or nil) when none is held.
LLKBObject* findHeld(const private_t* d, LLKBObject* object, uint32_t hash, LLKCKeyringBucket** bucketOut,
                     uint64_t* atOut) noexcept {
  LLKCKeyringBucket* bucket = llk::bucketFind(d->mBuckets, hash);
  if (bucketOut != nullptr) *bucketOut = bucket;
  if (bucket == nullptr) return nullptr;
  LLKCObjectDeque* const list = bucket->mList;
  const uint64_t n = list->count();
  for (uint64_t i = 0; i < n; ++i) {
    LLKBObject* held = list->fetchAtIndex(i);
    if (held->compareTo(object) == 0) {
      if (atOut != nullptr) *atOut = i;
      return held;
    }
  }
  return nullptr;
}

// Takes a freed bucket (+1 handed over) out of the table and puts it back into the pool when the
// capacity allows, else releases it.
void freeBucket(private_t* d, LLKCKeyringBucket* bucket) noexcept {
  llk::bucketDelete(d->mBuckets, bucket);
  bucket->clear();
  const uint64_t held = llk::bucketCount(d->mBuckets) + d->mSpareBuckets->count();
  if (d->mCapacity != 0 && d->mCapacity >= held) d->mSpareBuckets->append(bucket);
  bucket->release();
}

// Takes a held object out of its bucket (at `at`) and out of the order (at `index`).
void removeHeld(private_t* d, LLKCKeyringBucket* bucket, uint64_t at, uint64_t index) noexcept {
  bucket->mList->removeAtIndex(at);
  if (bucket->mList->count() == 0) freeBucket(d, bucket);
  d->mEntries->removeAtIndex(index);  // the last release, when nobody else holds the object
}

// Adds n buckets to the pool: YES, or NO with the pool as it was.
bool fillPool(private_t* d, uint64_t n) noexcept {
  if (n == 0) return true;
  if (d->mSpareBuckets->reserve(n) != llk::kDone) return false;
  const uint64_t before = d->mSpareBuckets->count();
  bool filled = true;
  for (uint64_t i = 0; filled && i < n; ++i) {
    LLKCKeyringBucket* bucket = LLKCKeyringBucket::new_();
    filled = bucket != nullptr && d->mSpareBuckets->append(bucket) == llk::kDone;
    llk::release(bucket);
  }
  if (filled) return true;
  while (d->mSpareBuckets->count() > before) d->mSpareBuckets->removeTail();
  return false;
}

}  // namespace

// ---- Creation ----

LLKCKeyring* LLKCKeyring::ring() noexcept {
  LLKCKeyring* ring = alloc();
  return ring != nullptr ? llk::autorelease(ring->init()) : nullptr;
}

LLKCKeyring* LLKCKeyring::init() noexcept { return initWithCapacity(0); }

LLKCKeyring* LLKCKeyring::ringWithCapacity(uint64_t capacity) noexcept {
  LLKCKeyring* ring = alloc();
  return ring != nullptr ? llk::autorelease(ring->initWithCapacity(capacity)) : nullptr;
}

LLKCKeyring* LLKCKeyring::initWithCapacity(uint64_t capacity) noexcept {
  private_t* const d = iPrivate = new (std::nothrow) private_t();
  if (d == nullptr || (d->mSpareBuckets = newDeque(capacity)) == nullptr ||
      (d->mEntries = newDeque(capacity)) == nullptr || !fillPool(d, capacity)) {
    dealloc();
    return nullptr;
  }
  d->mCapacity = capacity;
  return this;
}

LLKCKeyring::~LLKCKeyring() { delete iPrivate; }

// ---- Contents ----

int32_t LLKCKeyring::store(LLKBObject* object) noexcept {
  private_t* const d = iPrivate;
  if (object == nullptr) return llk::kNilArgument;
  const uint32_t hash = object->hashCode();
  LLKCKeyringBucket* bucket = nullptr;
  if (findHeld(d, object, hash, &bucket, nullptr) != nullptr) return llk::kDone;  // an equal one is held

  const bool newBucket = bucket == nullptr;
  const bool spare = newBucket && d->mSpareBuckets->count() > 0;
  if (newBucket) {
    if (spare) {
      bucket = static_cast<LLKCKeyringBucket*>(llk::retain(d->mSpareBuckets->tail()));
      d->mSpareBuckets->removeTail();
    } else {
      bucket = LLKCKeyringBucket::new_();
    }
    if (bucket == nullptr) return llk::kNoMemory;
  }
  int32_t status = bucket->mList->append(object);
  const bool listed = status == llk::kDone;
  const bool ordered = listed && (status = d->mEntries->append(object)) == llk::kDone;
  if (ordered && newBucket) {
    bucket->mHash = hash;
    if (!llk::bucketAdd(d->mBuckets, bucket)) status = llk::kNoMemory;  // the table could not grow
  }
  if (status == llk::kDone) return llk::kDone;  // a new bucket is now held by the table

  // Undo: everything goes back where it came from.
  if (ordered) d->mEntries->removeTail();
  if (listed) bucket->mList->removeTail();
  if (newBucket) {
    bucket->clear();
    if (spare) d->mSpareBuckets->append(bucket);  // the slot it left is still there
    bucket->release();
  }
  return status;
}

bool LLKCKeyring::contains(LLKBObject* object) noexcept {
  return object != nullptr && findHeld(iPrivate, object, object->hashCode(), nullptr, nullptr) != nullptr;
}

int32_t LLKCKeyring::remove(LLKBObject* object) noexcept {
  private_t* const d = iPrivate;
  if (object == nullptr) return llk::kNilArgument;
  LLKCKeyringBucket* bucket = nullptr;
  uint64_t at = 0;
  uint64_t index = 0;
  LLKBObject* held = findHeld(d, object, object->hashCode(), &bucket, &at);
  if (held == nullptr || !d->mEntries->contains_atIndex(held, &index)) return llk::kNotFound;
  removeHeld(d, bucket, at, index);
  return llk::kDone;
}

int32_t LLKCKeyring::removeAtIndex(uint64_t index) noexcept {
  private_t* const d = iPrivate;
  LLKBObject* held = d->mEntries->fetchAtIndex(index);
  if (held == nullptr) return llk::kNotFound;
  // The held object's bucket; should its hash have changed, every bucket is searched.
  uint64_t at = 0;
  LLKCKeyringBucket* bucket = llk::bucketFind(d->mBuckets, held->hashCode());
  if (bucket == nullptr || !bucket->mList->contains_atIndex(held, &at)) {
    LLKCKeyringBucket* after = nullptr;
    HASH_ITER(mHandle, d->mBuckets, bucket, after) {
      if (bucket->mList->contains_atIndex(held, &at)) break;
    }
    if (bucket == nullptr) return llk::kNotFound;  // not reached while invariant (1) holds
  }
  removeHeld(d, bucket, at, index);
  return llk::kDone;
}

LLKBObject* LLKCKeyring::fetchAtIndex(uint64_t index) noexcept { return iPrivate->mEntries->fetchAtIndex(index); }

void LLKCKeyring::clear() noexcept {
  private_t* const d = iPrivate;
  LLKCKeyringBucket* bucket = nullptr;
  LLKCKeyringBucket* after = nullptr;
  HASH_ITER(mHandle, d->mBuckets, bucket, after) {
    bucket->mList->clear();
    freeBucket(d, bucket);
  }
  d->mEntries->clear();
}

// ---- Size and pool ----

uint64_t LLKCKeyring::count() noexcept { return iPrivate->count(); }

uint64_t LLKCKeyring::capacity() noexcept { return iPrivate->mCapacity; }

int32_t LLKCKeyring::resize(uint64_t capacity) noexcept {
  private_t* const d = iPrivate;
  if (capacity > d->mCapacity) {
    if (!fillPool(d, capacity - d->mCapacity)) return llk::kNoMemory;
    d->mCapacity = capacity;
  } else if (capacity < d->mCapacity) {
    const uint64_t kept = std::max(capacity, d->count());
    const uint64_t surplus = d->mCapacity - kept;
    for (uint64_t i = 0; i < surplus && d->mSpareBuckets->count() > 0; ++i) d->mSpareBuckets->removeTail();
    d->mCapacity = kept;
  }
  return llk::kDone;
}

// ---- Copies ----

LLKCKeyring* LLKCKeyring::initWithCopy_deep(LLKBObject* source, bool deep) noexcept {
  LLKCKeyring* other = llk::cast<LLKCKeyring>(source);
  if (other == nullptr) {
    dealloc();
    return nullptr;
  }
  const private_t* const s = other->iPrivate;
  if (initWithCapacity(s->mCapacity) == nullptr) return nullptr;
  const uint64_t n = s->count();
  for (uint64_t i = 0; i < n; ++i) {
    LLKBObject* object = s->mEntries->fetchAtIndex(i);
    if (deep) object = llk::conformsTo(object, &LLKPCopyable::kProtocol) ? object->copy() : nullptr;
    if (object == nullptr || store(object) != llk::kDone) {
      dealloc();
      return nullptr;
    }
  }
  return this;
}

LLKCKeyring* LLKCKeyring::copy() noexcept { return static_cast<LLKCKeyring*>(Super::copy()); }

LLKCKeyring* LLKCKeyring::deepCopy() noexcept { return static_cast<LLKCKeyring*>(Super::deepCopy()); }

// ---- Coding ----

bool LLKCKeyring::encodeWithCoder(LLKBEncoder* coder) noexcept {
  if (coder == nullptr) return false;
  uint64_t written = 0;
  const uint64_t n = count();
  for (uint64_t i = 0; i < n; ++i) {
    if (!llk::detail::encodeIfEncodable(coder, fetchAtIndex(i), &written)) return false;
  }
  return llk::detail::encodeCountAndCapacity(coder, written, capacity());
}

LLKCKeyring* LLKCKeyring::initWithCoder(LLKBDecoder* coder) noexcept {
  return llk::detail::initSequenceWithCoder(
      this, coder, false, [this](uint64_t room) noexcept { return initWithCapacity(room); },
      [this](LLKBObject* object) noexcept { return store(object) == llk::kDone; },
      [this](uint64_t room) noexcept { return resize(room); });
}
