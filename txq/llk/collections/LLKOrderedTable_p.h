#ifndef TXQ_LLK_COLLECTIONS_LLKORDEREDTABLE_P_H
#define TXQ_LLK_COLLECTIONS_LLKORDEREDTABLE_P_H
// Internal: the engine behind LLKCObjectTable (uint64 keys) and LLKCObjectIndex (LLKTCode keys).
// Not installed, not API.
//
// Every entry (pair_t) sits at once in a uthash table over the bytes of its key and on a doubly
// linked list in insertion order. Entries that leave go to a pool of spare entries that later
// additions take first, so steady traffic allocates nothing but uthash's own table. A cursor keeps
// the last entry reached by position and its index, so walking the positions in order costs one
// link per step; positions follow the rule of the linked list (LLKFObjectListGoto_p.h).
//
// Order stamps: an entry only ever joins the list at the tail, and then takes a stamp above every
// other, so the stamps grow from head to tail. "Does this entry come before the cursor?" is then one
// comparison, and a removal by key keeps the cursor's index right without walking.
//
// uthash runs in its non-fatal mode: when it cannot allocate (its table, or a bigger bucket array),
// the addition answers 2 and the table is left as it was; the process is never ended.
//
// Ownership: a used entry retains its object; spare entries hold none. The change callback and its
//            context are borrowed. Threads: the owning container's (one thread at a time).

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <new>

#include <txq/llk/collections/LLKBObjectContainer.h>
#include <txq/llk/collections/LLKCObjectDeque.h>
#include <txq/llk/collections/LLKFObjectListGoto_p.h>
#include <txq/llk/collections/LLKObjectChain_p.h>
#include <txq/llk/object/LLKProtocols.h>
#include <txq/llk/object/LLKStatus.h>

namespace llk::detail {

// The bucket hash of a key's bytes (8 to 16 of them): the words folded together and mixed with the
// 64-bit finalizer of MurmurHash3, so that every key bit reaches the low bits uthash picks the
// bucket with. Far cheaper than uthash's default for keys this short; never stored or shown.
inline unsigned orderedKeyHash(const void* key, unsigned length) noexcept {
  uint64_t x = 0;
  uint64_t y = 0;
  std::memcpy(&x, key, 8);
  if (length > 8) std::memcpy(&y, static_cast<const char*>(key) + 8, length - 8);
  x ^= y * 0x9E3779B97F4A7C15u;
  x ^= x >> 33;
  x *= 0xFF51AFD7ED558CCDu;
  x ^= x >> 33;
  x *= 0xC4CEB9FE1A85EC53u;
  x ^= x >> 33;
  return static_cast<unsigned>(x);
}

}  // namespace llk::detail

// uthash reports a failed allocation through uthash_nonfatal_oom; the one place that adds to a
// table (OrderedTable::store) has a local flag of this name.
#define HASH_NONFATAL_OOM 1
#define uthash_nonfatal_oom(element) (hashOutOfMemory = true)
#define HASH_FUNCTION(keyptr, keylen, hashv) ((hashv) = llk::detail::orderedKeyHash((keyptr), (keylen)))
#include <uthash.h>

namespace llk::detail {

// Expands the table until it has at least `wanted` buckets (up to 2^31); NO when a bigger bucket
// array cannot be made (the table is left as it was).
inline bool spreadHashBuckets(UT_hash_table* table, uint64_t wanted) noexcept {
  while (table->num_buckets < wanted && table->num_buckets < (1u << 31)) {
    int failed = 0;
    HASH_EXPAND_BUCKETS(hh, table, failed);
    if (failed != 0) return false;
  }
  return true;
}

template <class K>
struct OrderedPair {
  K mKey;                // hashed as its sizeof(K) bytes
  LLKBObject* mObject;   // retained while used; null while spare
  OrderedPair* mPrev;    // the order (or the spare pool)
  OrderedPair* mNext;
  uint64_t mStamp;       // grows from head to tail (see above)
  UT_hash_handle hh;
};

template <class K>
struct OrderedTable {
  static_assert(sizeof(K) >= 8 && sizeof(K) <= 16, "orderedKeyHash takes keys of 8 to 16 bytes");
  using pair_t = OrderedPair<K>;
  using chain_t = Chain<pair_t>;
  using cursor_t = ListCursor<pair_t>;  // the last entry reached by position, or null
  // More entries than this could not even be addressed: refused before any allocation.
  static constexpr uint64_t kMaxEntries = SIZE_MAX / sizeof(pair_t);

  pair_t* mTable = nullptr;  // uthash's head: a used entry carrying the hash table, or null
  chain_t mUsed;             // the entries in order
  chain_t mSpare;            // the pool
  cursor_t mCursor;
  LLKFChangeCallback mChangeCallback = nullptr;
  void* mChangeContext = nullptr;
  uint64_t mNextStamp = 0;

  OrderedTable() noexcept = default;
  OrderedTable(const OrderedTable&) = delete;
  OrderedTable& operator=(const OrderedTable&) = delete;

  // The change callback hears op 1 for every object before it is released.
  ~OrderedTable() {
    HASH_CLEAR(hh, mTable);
    pair_t* next = nullptr;
    for (pair_t* p = mUsed.mHead; p != nullptr; p = next) {
      next = p->mNext;
      notify(1, p->mObject);
      p->mObject->release();
      std::free(p);
    }
    for (pair_t* p = mSpare.mHead; p != nullptr; p = next) {
      next = p->mNext;
      std::free(p);
    }
  }


  void notify(uint32_t op, LLKBObject* object) const noexcept {
    if (mChangeCallback != nullptr) mChangeCallback(op, object, mChangeContext);
  }
  void setChangeCallback(LLKFChangeCallback callback, void* context) noexcept {
    mChangeCallback = callback;
    mChangeContext = context;
  }

  // ---- Size ----

  uint64_t count() const noexcept { return mUsed.mSize; }
  uint64_t capacity() const noexcept { return mUsed.mSize + mSpare.mSize; }

  // n spare entries made, or freed, so that count + spare = max(n, count). 2 (those made stay) when
  // not all could be made.
  int32_t resize(uint64_t n) noexcept {
    const uint64_t target = n > mUsed.mSize ? n : mUsed.mSize;
    if (target > kMaxEntries) return kNoMemory;
    while (capacity() < target) {
      auto* p = static_cast<pair_t*>(std::malloc(sizeof(pair_t)));
      if (p == nullptr) return kNoMemory;
      p->mObject = nullptr;
      mSpare.linkFront(p);
    }
    while (capacity() > target) {  // target >= count, so spare entries remain to free
      pair_t* p = mSpare.mHead;
      mSpare.unlink(p);
      std::free(p);
    }
    return kDone;
  }

  // ---- Keys ----

  static unsigned hashOf(const K& key) noexcept {
    unsigned hashv = 0;
    HASH_VALUE(&key, sizeof(K), hashv);
    return hashv;
  }
  pair_t* find(const K& key, unsigned hashv) const noexcept {
    pair_t* found = nullptr;
    HASH_FIND_BYHASHVALUE(hh, mTable, &key, sizeof(K), hashv, found);
    return found;
  }
  pair_t* find(const K& key) const noexcept { return mTable != nullptr ? find(key, hashOf(key)) : nullptr; }
  LLKBObject* objectForKey(const K& key) const noexcept {
    pair_t* p = find(key);
    return p != nullptr ? p->mObject : nullptr;
  }

  // nil: 0 and nothing. New key: an entry from the pool (or made), hashed, appended to the order,
  // the object retained, op 0. Existing key: op 1 (old), the new object retained and the old one
  // released, op 0 (new); the entry keeps its place. 2 when memory runs out (nothing changed).
  int32_t store(LLKBObject* object, const K& key) noexcept {
    if (object == nullptr) return kDone;
    const unsigned hashv = hashOf(key);
    pair_t* p = find(key, hashv);
    if (p != nullptr) {
      LLKBObject* old = p->mObject;
      notify(1, old);
      object->retain();  // before the release: the same object may be stored again
      p->mObject = object;
      old->release();
      notify(0, object);
      return kDone;
    }
    const bool made = mSpare.mHead == nullptr;
    if (made) {
      if (mUsed.mSize >= kMaxEntries) return kNoMemory;
      p = static_cast<pair_t*>(std::malloc(sizeof(pair_t)));
      if (p == nullptr) return kNoMemory;
    } else {
      p = mSpare.mHead;
      mSpare.unlink(p);
    }
    std::memcpy(&p->mKey, &key, sizeof(K));
    p->mObject = nullptr;
    bool hashOutOfMemory = false;
    HASH_ADD_KEYPTR_BYHASHVALUE(hh, mTable, &p->mKey, sizeof(K), hashv, p);
    if (!hashOutOfMemory && !spreadBuckets()) {
      HASH_DELETE(hh, mTable, p);
      hashOutOfMemory = true;
    }
    if (hashOutOfMemory) {
      if (made) {
        std::free(p);
      } else {
        mSpare.linkFront(p);
      }
      return kNoMemory;
    }
    object->retain();
    p->mObject = object;
    p->mStamp = mNextStamp++;
    mUsed.linkBack(p);
    notify(0, object);
    return kDone;
  }

  // Keeps at least as many buckets as entries, counting the spare ones: uthash by itself doubles
  // the buckets only once a chain reaches 10 entries, which leaves chains of two or three to walk
  // on every lookup, and a table made with spare entries gets its buckets while they are still
  // cheap to spread (a doubling moves every hashed entry). NO when a bigger bucket array cannot be
  // made: the caller then takes back the entry it just added.
  bool spreadBuckets() noexcept { return spreadHashBuckets(mTable->hh.tbl, capacity() + 1); }

  // Takes the entry out of the hash table and the order; the cursor follows (see the header).
  void detach(pair_t* p) noexcept {
    HASH_DELETE(hh, mTable, p);
    if (mCursor.mNode == p) {
      if (p->mNext != nullptr) {
        mCursor.mNode = p->mNext;  // same index
      } else if (p->mPrev != nullptr) {
        mCursor.mNode = p->mPrev;
        --mCursor.mIndex;
      } else {
        mCursor = cursor_t{};
      }
    } else if (mCursor.mNode != nullptr && p->mStamp < mCursor.mNode->mStamp) {
      --mCursor.mIndex;
    }
    mUsed.unlink(p);
  }

  // The entry leaves, joins the pool, op 1, its object is released.
  void removeEntry(pair_t* p) noexcept {
    detach(p);
    LLKBObject* object = p->mObject;
    p->mObject = nullptr;
    mSpare.linkFront(p);
    notify(1, object);
    object->release();
  }

  // 5 for a null entry; else removeEntry, 0.
  int32_t removeFound(pair_t* p) noexcept {
    if (p == nullptr) return kNotFound;
    removeEntry(p);
    return kDone;
  }
  int32_t removeForKey(const K& key) noexcept { return removeFound(find(key)); }

  // ---- Positions ----

  // The entry at a position (the list rule of LLKFObjectListGoto_p.h); it becomes the cursor.
  // Null past the end.
  pair_t* at(uint64_t index) noexcept {
    return listGoto(mUsed.mHead, mUsed.mTail, mUsed.mSize, mCursor, index);
  }
  // The object at a position, storing its key when `key` is not null; nil (key untouched) past
  // the end.
  LLKBObject* objectAt(uint64_t index, K* key) noexcept {
    pair_t* p = at(index);
    if (p == nullptr) return nullptr;
    if (key != nullptr) *key = p->mKey;
    return p->mObject;
  }

  // The position of a used entry: walks out from it both ways until one side meets a landmark whose
  // index is known (head, tail, cursor), so the cost is the distance to the nearest. The entry
  // becomes the cursor.
  uint64_t indexOf(pair_t* p) noexcept {
    pair_t* back = p;
    pair_t* ahead = p;
    uint64_t steps = 0;
    uint64_t index = 0;
    for (;;) {
      if (back == mUsed.mHead) {
        index = steps;
        break;
      }
      if (back == mCursor.mNode) {
        index = mCursor.mIndex + steps;
        break;
      }
      if (ahead == mUsed.mTail) {
        index = mUsed.mSize - 1 - steps;
        break;
      }
      if (ahead == mCursor.mNode) {
        index = mCursor.mIndex - steps;
        break;
      }
      back = back->mPrev;
      ahead = ahead->mNext;
      ++steps;
    }
    mCursor = cursor_t{p, index};
    return index;
  }

  // The first entry holding the object (identity), with its position; null when none.
  pair_t* entryOf(LLKBObject* object, uint64_t* index) const noexcept {
    if (object == nullptr) return nullptr;
    uint64_t i = 0;
    for (pair_t* p = mUsed.mHead; p != nullptr; p = p->mNext, ++i) {
      if (p->mObject == object) {
        if (index != nullptr) *index = i;
        return p;
      }
    }
    return nullptr;
  }

  // Moves the first entry to the end n times (n mod count moves); the cursor goes to the head.
  void rotate(uint64_t n) noexcept {
    const uint64_t size = mUsed.mSize;
    if (size > 1) {
      for (uint64_t k = n % size; k > 0; --k) {
        pair_t* p = mUsed.mHead;
        mUsed.unlink(p);
        p->mStamp = mNextStamp++;
        mUsed.linkBack(p);
      }
    }
    mCursor = size > 0 ? cursor_t{mUsed.mHead, 0} : cursor_t{};
  }

  // A new deque of the objects in order (autoreleased); nil when it cannot be made.
  LLKCObjectDeque* allObjects() const noexcept {
    LLKCObjectDeque* all = LLKCObjectDeque::dequeWithCapacity(mUsed.mSize);
    if (all == nullptr) return nullptr;
    for (pair_t* p = mUsed.mHead; p != nullptr; p = p->mNext) {
      if (all->append(p->mObject) != kDone) return nullptr;  // the pool frees the partial deque
    }
    return all;
  }

  // Every entry leaves in order (op 1, release); all become spare entries.
  void clear() noexcept {
    while (mUsed.mHead != nullptr) removeEntry(mUsed.mHead);
  }

  // ---- Iteration ----  (the function must not change the table)

  void iterate(LLKFIterateFunction function, void* context) const noexcept {
    if (function == nullptr) return;
    for (pair_t* p = mUsed.mHead; p != nullptr; p = p->mNext) function(p->mObject, context);
  }
  LLKBObject* firstMatch(LLKFMatchFunction function, void* context) const noexcept {
    if (function == nullptr) return nullptr;
    for (pair_t* p = mUsed.mHead; p != nullptr; p = p->mNext) {
      if (function(p->mObject, context)) return p->mObject;
    }
    return nullptr;
  }
  // Each accepted entry is taken out of the table as its object is released; YES if any matched.
  bool removeMatches(LLKFMatchFunction function, void* context, bool firstOnly) noexcept {
    if (function == nullptr) return false;
    bool any = false;
    pair_t* next = nullptr;
    for (pair_t* p = mUsed.mHead; p != nullptr; p = next) {
      next = p->mNext;
      if (!function(p->mObject, context)) continue;
      removeEntry(p);
      any = true;
      if (firstOnly) break;
    }
    return any;
  }

  // ---- Copies ----

  // The source's entries appended in order (deep: each object's copy; an object whose class does
  // not adopt LLKPCopyable fails with 11). 0, or the first failure.
  int32_t copyFrom(const OrderedTable& source, bool deep) noexcept {
    for (pair_t* p = source.mUsed.mHead; p != nullptr; p = p->mNext) {
      LLKBObject* object = p->mObject;
      if (deep) {
        if (!llk::conformsTo(object, &LLKPCopyable::kProtocol)) return kRefused;
        object = object->copy();
        if (object == nullptr) return kNoMemory;
      }
      const int32_t status = store(object, p->mKey);
      if (status != kDone) return status;
    }
    return kDone;
  }
};

// ---- The owning classes ----
// C (LLKCObjectTable, LLKCObjectIndex) keeps its OrderedTable as `C::private_t* iPrivate`.

// The private part made with n spare entries; nil (the instance deallocated) when memory runs out.
template <class C>
C* initOrdered(C* self, uint64_t capacity) noexcept {
  self->iPrivate = new (std::nothrow) typename C::private_t();
  if (self->iPrivate == nullptr || self->iPrivate->resize(capacity) != kDone) {
    self->dealloc();
    return nullptr;
  }
  return self;
}

// The source's entries (deep: copies of its objects) with its capacity; nil (the instance
// deallocated) when the source is not a C or the copy fails.
template <class C>
C* initOrderedCopy(C* self, LLKBObject* source, bool deep) noexcept {
  C* other = llk::cast<C>(source);
  if (other == nullptr) {
    self->dealloc();
    return nullptr;
  }
  if (initOrdered(self, other->capacity()) == nullptr) return nullptr;
  if (self->iPrivate->copyFrom(*other->iPrivate, deep) != kDone) {
    self->dealloc();
    return nullptr;
  }
  return self;
}

}  // namespace llk::detail

#endif  // TXQ_LLK_COLLECTIONS_LLKORDEREDTABLE_P_H
