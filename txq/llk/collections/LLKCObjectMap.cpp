#include <txq/llk/collections/LLKCObjectMap.h>

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <new>

#include <txq/llk/collections/LLKCObjectDeque.h>
#include <txq/llk/collections/LLKCObjectTuple.h>
#include <txq/llk/collections/LLKContainerCoding_p.h>

// The map is flat: an array of entries in insertion order (key, value, the key's hash) and an
// open-addressing index over the hashes (linear probing, power-of-two size, at most half full)
// whose slots hold an entry's hash and its position in the order plus one (0: an empty slot).
// Keys with equal hashes have a slot each; a lookup probes on past the slots of other hashes and
// past those of equal hashes whose key compareTo answers non-zero.
// Invariants:
//   (1) mEntries[0, mCount) hold the entries in order; their keys and values are retained and not
//       nil, except during clear and a batch removal (removeMatching), where the removed ones have
//       a nil key until the order is compacted (or emptied) at its end;
//   (2) the index has exactly one slot per entry (outside a batch removal), and it is either
//       absent (mIndexMask 0, no entries) or at least twice as large as mEntryRoom;
//   (3) mEntryRoom entries are allocated: the capacity's spare room, so that up to `capacity`
//       keys are stored without allocating.
namespace {

struct Entry {
  LLKBObject* key;
  LLKBObject* value;
  uint32_t hash;
};

struct Slot {
  uint32_t hash;
  uint32_t place;  // position in the order + 1; 0: empty
};

constexpr uint64_t kMaxEntries = UINT32_MAX - 1;  // positions + 1 fit a slot
constexpr uint64_t kMinRoom = 8;

}  // namespace

struct LLKCObjectMap::private_t {
  Entry* mEntries = nullptr;  // malloc'd; mEntryRoom of them, mCount in use
  uint64_t mCount = 0;
  uint64_t mEntryRoom = 0;
  Slot* mIndex = nullptr;     // malloc'd; mIndexMask + 1 slots
  uint64_t mIndexMask = 0;
  unsigned mIndexShift = 64;  // 64 - log2(index size)
  uint64_t mCapacity = 0;     // the recorded capacity
  LLKFChangeCallback mChangeCallback = nullptr;  // borrowed, with its context
  void* mChangeContext = nullptr;

  void changed(uint32_t op, LLKBObject* object) const noexcept {
    if (mChangeCallback != nullptr) mChangeCallback(op, object, mChangeContext);
  }
  uint64_t count() const noexcept { return mCount; }

  uint64_t home(uint32_t hash) const noexcept {
    return static_cast<uint64_t>(hash) * UINT64_C(0x9E3779B97F4A7C15) >> mIndexShift;
  }

  // Puts entry `position` (hash `hash`) into the index, which has room.
  void indexInsert(uint32_t hash, uint64_t position) noexcept {
    uint64_t at = home(hash);
    while (mIndex[at].place != 0) at = (at + 1) & mIndexMask;
    mIndex[at] = Slot{hash, static_cast<uint32_t>(position + 1)};
  }

  void rebuildIndex() noexcept {
    if (mIndex == nullptr) return;
    std::memset(static_cast<void*>(mIndex), 0, (mIndexMask + 1) * sizeof(Slot));
    for (uint64_t i = 0; i < mCount; ++i) indexInsert(mEntries[i].hash, i);
  }

  // The position of the entry of `key` (hash `hash`) in the order, or -1; its slot through `slotOut`.
  int64_t find(LLKBObject* key, uint32_t hash, uint64_t* slotOut = nullptr) const noexcept {
    if (mIndex == nullptr) return -1;
    for (uint64_t at = home(hash);; at = (at + 1) & mIndexMask) {
      const Slot slot = mIndex[at];
      if (slot.place == 0) return -1;
      LLKBObject* const held = mEntries[slot.place - 1].key;  // nil: removed, batch in progress
      if (slot.hash == hash && held != nullptr && held->compareTo(key) == 0) {
        if (slotOut != nullptr) *slotOut = at;
        return static_cast<int64_t>(slot.place) - 1;
      }
    }
  }

  // Room for `room` entries (never less than the entries held): YES, or NO with the map as it was.
  bool setRoom(uint64_t room) noexcept {
    room = std::max(room, mCount);
    if (room > kMaxEntries) return false;
    if (room == 0) {
      std::free(mEntries);
      std::free(mIndex);
      mEntries = nullptr;
      mIndex = nullptr;
      mEntryRoom = mIndexMask = 0;
      mIndexShift = 64;
      return true;
    }
    unsigned bits = 4;
    while ((uint64_t{1} << bits) < 2 * room) ++bits;
    const uint64_t slots = uint64_t{1} << bits;
    auto* index = static_cast<Slot*>(std::calloc(slots, sizeof(Slot)));
    if (index == nullptr) return false;
    auto* entries = static_cast<Entry*>(std::realloc(mEntries, room * sizeof(Entry)));
    if (entries == nullptr) {
      std::free(index);
      return false;
    }
    mEntries = entries;
    mEntryRoom = room;
    std::free(mIndex);
    mIndex = index;
    mIndexMask = slots - 1;
    mIndexShift = 64 - bits;
    for (uint64_t i = 0; i < mCount; ++i) indexInsert(mEntries[i].hash, i);
    return true;
  }

  // Takes the slot `at` out of the index (backward-shift deletion).
  void unindexSlot(uint64_t hole) noexcept {
    uint64_t at = hole;
    for (;;) {
      at = (at + 1) & mIndexMask;
      if (mIndex[at].place == 0) break;
      const uint64_t want = home(mIndex[at].hash);
      if (((at - want) & mIndexMask) >= ((at - hole) & mIndexMask)) {
        mIndex[hole] = mIndex[at];
        hole = at;
      }
    }
    mIndex[hole] = Slot{0, 0};
  }

  // The slot holding entry `position`.
  uint64_t slotOf(uint64_t position) const noexcept {
    const uint32_t place = static_cast<uint32_t>(position + 1);
    uint64_t at = home(mEntries[position].hash);
    while (mIndex[at].place != place) {
      if (mIndex[at].place == 0) {  // the key's hash changed while it was a key: search it all
        for (at = 0; mIndex[at].place != place; ++at) {
        }
        return at;
      }
      at = (at + 1) & mIndexMask;
    }
    return at;
  }

  // Takes entry `position` out of the index and the order (its key and value stay retained, in `out`).
  void takeOut(uint64_t position, Entry* out) noexcept {
    *out = mEntries[position];
    unindexSlot(slotOf(position));
    const uint64_t after = mCount - position - 1;
    if (after > 0) {
      std::memmove(static_cast<void*>(mEntries + position), mEntries + position + 1, after * sizeof(Entry));
      const uint32_t removed = static_cast<uint32_t>(position + 1);
      for (uint64_t i = 0; i <= mIndexMask; ++i) {
        if (mIndex[i].place > removed) --mIndex[i].place;
      }
    }
    --mCount;
  }

  // The change callback hears op 1 for every value; then keys and values are released.
  ~private_t() {
    for (uint64_t i = 0; i < mCount; ++i) changed(1, mEntries[i].value);
    for (uint64_t i = 0; i < mCount; ++i) {
      mEntries[i].key->release();
      mEntries[i].value->release();
    }
    std::free(mEntries);
    std::free(mIndex);
  }
};

LLK_DEFINE_CLASS(LLKCObjectMap, LLK_PROTOCOLS(LLKPCopyable), init, initWithCapacity, store_forKey, fetchForKey,
                 containsKey, contains, keyAtIndex, fetchAtIndex, fetchAtIndex_key, allKeys, allObjects, allPairs,
                 removeForKey, remove, removeAll, removeAtIndex, removeEachMatchWithFunction_andContext,
                 removeFirstMatchWithFunction_andContext, clear, count, capacity, resize,
                 setChangeCallback_withContext, iterateWithFunction_andContext,
                 iterateUntilMatchWithFunction_andContext, initWithCopy_deep, copy, deepCopy,
                 encodeWithCoder, initWithCoder)

namespace {

using private_t = LLKCObjectMap::private_t;

LLKCObjectDeque* newDeque(uint64_t capacity) noexcept {
  LLKCObjectDeque* deque = LLKCObjectDeque::alloc();
  return deque != nullptr ? deque->initWithCapacity(capacity) : nullptr;
}

// Removes the entry at `index` of the order.
void removeEntryAt(private_t* d, uint64_t index) noexcept {
  d->changed(1, d->mEntries[index].value);
  Entry gone;
  d->takeOut(index, &gone);
  gone.key->release();
  gone.value->release();
}

// Removes, in order, the entries whose value `accept` takes (the first one only when `firstOnly`),
// then closes the gaps in the order and rebuilds the index at once: one pass whatever the number
// removed.
template <class Accept>
uint64_t removeMatching(private_t* d, Accept&& accept, bool firstOnly) noexcept {
  const uint64_t n = d->count();
  uint64_t removed = 0;
  for (uint64_t i = 0; i < n; ++i) {
    Entry& entry = d->mEntries[i];
    if (!accept(entry.value)) continue;
    d->changed(1, entry.value);
    LLKBObject* key = entry.key;
    LLKBObject* value = entry.value;
    entry.key = nullptr;  // marks it for the compaction below
    entry.value = nullptr;
    key->release();
    value->release();
    ++removed;
    if (firstOnly) break;
  }
  if (removed == 0) return 0;
  uint64_t kept = 0;
  for (uint64_t i = 0; i < n; ++i) {
    if (d->mEntries[i].key != nullptr) d->mEntries[kept++] = d->mEntries[i];
  }
  d->mCount = kept;
  d->rebuildIndex();
  return removed;
}

// A new deque of one item per entry, in order, or nil.
template <class Item>
LLKCObjectDeque* collect(const private_t* d, Item&& item) noexcept {
  const uint64_t n = d->count();
  LLKCObjectDeque* out = newDeque(n);
  if (out == nullptr) return nullptr;
  for (uint64_t i = 0; i < n; ++i) {
    LLKBObject* made = item(d->mEntries[i]);  // +1
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
  if (d == nullptr || !d->setRoom(capacity)) {
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
  const int64_t found = d->find(key, hash);
  if (found >= 0) {
    Entry& entry = d->mEntries[found];
    LLKBObject* old = entry.value;
    d->changed(1, old);
    if (old != value) {
      entry.value = llk::retain(value);
      old->release();
    }
    d->changed(0, value);
    return llk::kDone;
  }

  // A new key: grows the room (doubling) when it is full.
  if (d->mCount == d->mEntryRoom &&
      !d->setRoom(std::max({kMinRoom, d->mEntryRoom * 2, d->mCount + 1})) &&
      !d->setRoom(d->mCount + 1)) {
    return llk::kNoMemory;
  }
  const uint64_t position = d->mCount++;
  d->mEntries[position] = Entry{llk::retain(key), llk::retain(value), hash};
  d->indexInsert(hash, position);
  d->changed(0, value);
  return llk::kDone;
}

LLKBObject* LLKCObjectMap::fetchForKey(LLKBObject* key) noexcept {
  if (key == nullptr) return nullptr;
  const private_t* const d = iPrivate;
  const int64_t found = d->find(key, key->hashCode());
  return found >= 0 ? d->mEntries[found].value : nullptr;
}

bool LLKCObjectMap::containsKey(LLKBObject* key) noexcept {
  return key != nullptr && iPrivate->find(key, key->hashCode()) >= 0;
}

bool LLKCObjectMap::contains(LLKBObject* value) noexcept {
  const private_t* const d = iPrivate;
  if (value == nullptr) return false;
  for (uint64_t i = 0; i < d->mCount; ++i) {
    if (d->mEntries[i].value == value) return true;
  }
  return false;
}

LLKBObject* LLKCObjectMap::keyAtIndex(uint64_t index) noexcept {
  const private_t* const d = iPrivate;
  return index < d->mCount ? d->mEntries[index].key : nullptr;
}

LLKBObject* LLKCObjectMap::fetchAtIndex(uint64_t index) noexcept {
  const private_t* const d = iPrivate;
  return index < d->mCount ? d->mEntries[index].value : nullptr;
}

LLKBObject* LLKCObjectMap::fetchAtIndex_key(uint64_t index, LLKBObject** key) noexcept {
  const private_t* const d = iPrivate;
  const Entry* entry = index < d->mCount ? &d->mEntries[index] : nullptr;
  if (key != nullptr) *key = entry != nullptr ? entry->key : nullptr;
  return entry != nullptr ? entry->value : nullptr;
}

LLKCObjectDeque* LLKCObjectMap::allKeys() noexcept {
  return collect(iPrivate, [](const Entry& entry) { return llk::retain(entry.key); });
}

LLKCObjectDeque* LLKCObjectMap::allObjects() noexcept {
  return collect(iPrivate, [](const Entry& entry) { return llk::retain(entry.value); });
}

LLKCObjectDeque* LLKCObjectMap::allPairs() noexcept {
  return collect(iPrivate, [](const Entry& entry) -> LLKBObject* {
    LLKCObjectTuple* pair = LLKCObjectTuple::alloc();
    return pair != nullptr ? pair->initWithObjects(entry.key, entry.value) : nullptr;
  });
}

// ---- Removing ----

int32_t LLKCObjectMap::removeForKey(LLKBObject* key) noexcept {
  private_t* const d = iPrivate;
  if (key == nullptr) return llk::kNilArgument;
  const int64_t found = d->find(key, key->hashCode());
  if (found < 0) return llk::kNotFound;
  removeEntryAt(d, static_cast<uint64_t>(found));
  return llk::kDone;
}

int32_t LLKCObjectMap::remove(LLKBObject* value) noexcept {
  private_t* const d = iPrivate;
  if (value == nullptr) return llk::kNilArgument;
  for (uint64_t i = 0; i < d->mCount; ++i) {
    if (d->mEntries[i].value == value) {
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
  if (index >= d->mCount) return llk::kNotFound;
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
  const uint64_t n = d->mCount;
  for (uint64_t i = 0; i < n; ++i) {
    Entry& entry = d->mEntries[i];
    d->changed(1, entry.value);
    LLKBObject* key = entry.key;
    LLKBObject* value = entry.value;
    entry.key = nullptr;  // no longer found while the rest go
    entry.value = nullptr;
    key->release();
    value->release();
  }
  d->mCount = 0;
  if (d->mIndex != nullptr) std::memset(static_cast<void*>(d->mIndex), 0, (d->mIndexMask + 1) * sizeof(Slot));
}

// ---- Size and capacity ----

uint64_t LLKCObjectMap::count() noexcept { return iPrivate->mCount; }

uint64_t LLKCObjectMap::capacity() noexcept { return iPrivate->mCapacity; }

int32_t LLKCObjectMap::resize(uint64_t capacity) noexcept {
  private_t* const d = iPrivate;
  if (capacity > d->mCapacity) {
    if (capacity > d->mEntryRoom && !d->setRoom(capacity)) return llk::kNoMemory;
    d->mCapacity = capacity;
  } else if (capacity < d->mCapacity) {
    const uint64_t kept = std::max(capacity, d->mCount);
    if (kept < d->mEntryRoom) d->setRoom(kept);  // giving memory back may fail: the room stays
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
  const uint64_t n = d->mCount;
  for (uint64_t i = 0; i < n; ++i) function(d->mEntries[i].value, context);
}

LLKBObject* LLKCObjectMap::iterateUntilMatchWithFunction_andContext(LLKFMatchFunction function,
                                                                     void* context) noexcept {
  const private_t* const d = iPrivate;
  if (function == nullptr) return nullptr;
  const uint64_t n = d->mCount;
  for (uint64_t i = 0; i < n; ++i) {
    LLKBObject* value = d->mEntries[i].value;
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
  if (initWithCapacity(std::max(s->mCapacity, s->mCount)) == nullptr) return nullptr;
  iPrivate->mCapacity = s->mCapacity;
  const uint64_t n = s->mCount;
  for (uint64_t i = 0; i < n; ++i) {
    const Entry& entry = s->mEntries[i];
    LLKBObject* value = entry.value;
    if (deep) value = llk::conformsTo(value, &LLKPCopyable::kProtocol) ? value->copy() : nullptr;
    if (value == nullptr || store_forKey(value, entry.key) != llk::kDone) {
      dealloc();
      return nullptr;
    }
  }
  return this;
}

LLKCObjectMap* LLKCObjectMap::copy() noexcept { return static_cast<LLKCObjectMap*>(Super::copy()); }

LLKCObjectMap* LLKCObjectMap::deepCopy() noexcept { return static_cast<LLKCObjectMap*>(Super::deepCopy()); }

// ---- Coding ----

bool LLKCObjectMap::encodeWithCoder(LLKBEncoder* coder) noexcept {
  return llk::detail::encodeContainer(this, coder, capacity(), [this, coder](uint64_t* written) noexcept {
    const private_t* const d = iPrivate;
    for (uint64_t i = 0; i < d->mCount; ++i) {
      const Entry& entry = d->mEntries[i];
      if (!llk::detail::isEncodable(entry.key) || !llk::detail::isEncodable(entry.value)) continue;
      if (!coder->encodeObject(entry.key) || !coder->encodeObject(entry.value)) return false;
      ++*written;
    }
    return true;
  });
}

LLKCObjectMap* LLKCObjectMap::initWithCoder(LLKBDecoder* coder) noexcept {
  return llk::detail::initContainerWithCoder(
      this, coder, false, [this](uint64_t room) noexcept { return initWithCapacity(room); },
      [this, coder](const llk::detail::CodedSize&, uint64_t) noexcept {
        LLKBObject* key = llk::detail::decodeElement(coder);
        LLKBObject* value = key != nullptr ? llk::detail::decodeElement(coder) : nullptr;
        return value != nullptr && store_forKey(value, key) == llk::kDone;
      },
      [this](uint64_t room) noexcept { return resize(room); });
}
