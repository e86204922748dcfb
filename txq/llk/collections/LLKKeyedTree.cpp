#include <txq/llk/collections/LLKKeyedTree_p.h>

#include <cstdlib>

#include <txq/llk/coding/LLKBDecoder.h>
#include <txq/llk/coding/LLKBEncoder.h>
#include <txq/llk/collections/LLKCObjectDeque.h>
#include <txq/llk/values/LLKCString.h>

namespace llk::detail {

namespace {

unsigned bucketHash(const uint64_t& hash) noexcept {
  unsigned hashv = 0;
  HASH_VALUE(&hash, sizeof hash, hashv);
  return hashv;
}

KeyedNode* findHash(KeyedNode* table, const uint64_t& hash) noexcept {
  if (table == nullptr) return nullptr;
  KeyedNode* found = nullptr;
  HASH_FIND_BYHASHVALUE(hh, table, &hash, sizeof hash, bucketHash(hash), found);
  return found;
}

// The keyed records that close an encoded tree.
LLKCString* countKey() noexcept { return "count"_llk; }
LLKCString* capacityKey() noexcept { return "capacity"_llk; }

}  // namespace

KeyedTree::~KeyedTree() {
  HASH_CLEAR(hh, mTable);
  KeyedNode* next = nullptr;
  for (KeyedNode* p = mUsed.mHead; p != nullptr; p = next) {
    next = p->mNext;
    dropContents(p);
    std::free(p);
  }
  for (KeyedNode* p = mSpare.mHead; p != nullptr; p = next) {
    next = p->mNext;
    std::free(p);
  }
}

int32_t KeyedTree::resize(uint64_t n) noexcept {
  const uint64_t target = n > mUsed.mSize ? n : mUsed.mSize;
  if (target > kMaxEntries) return kNoMemory;
  while (capacity() < target) {
    auto* p = static_cast<KeyedNode*>(std::calloc(1, sizeof(KeyedNode)));
    if (p == nullptr) return kNoMemory;
    mSpare.linkFront(p);
  }
  while (capacity() > target) {  // target >= count, so spare nodes remain to free
    KeyedNode* p = mSpare.mHead;
    mSpare.unlink(p);
    std::free(p);
  }
  return kDone;
}

KeyedNode* KeyedTree::find(LLKBObject* key) const noexcept {
  if (key == nullptr) return nullptr;
  const uint64_t hash = key->hashCode();
  return findHash(mTable, hash);
}

int32_t KeyedTree::store(LLKBObject* key, uint32_t type, KeyedValue value) noexcept {
  if (key == nullptr || (type == kKeyedObject && value.mObject == nullptr)) return kNilArgument;
  const uint64_t hash = key->hashCode();
  const unsigned hashv = bucketHash(hash);
  KeyedNode* p = nullptr;
  if (mTable != nullptr) HASH_FIND_BYHASHVALUE(hh, mTable, &hash, sizeof hash, hashv, p);
  if (p != nullptr) {
    // Retain first: the object held may be stored again. The old one goes last, once the entry is
    // whole again, in case its release reaches code that looks at this tree.
    LLKBObject* old = p->mType == kKeyedObject ? p->mValue.mObject : nullptr;
    if (type == kKeyedObject) value.mObject->retain();
    p->mType = type;
    p->mValue = value;
    llk::release(old);
    return kDone;
  }
  const bool made = mSpare.mHead == nullptr;
  if (made) {
    if (mUsed.mSize >= kMaxEntries) return kNoMemory;
    p = static_cast<KeyedNode*>(std::calloc(1, sizeof(KeyedNode)));
    if (p == nullptr) return kNoMemory;
  } else {
    p = mSpare.mHead;
    mSpare.unlink(p);
  }
  p->mHash = hash;
  bool hashOutOfMemory = false;  // set by uthash (see LLKOrderedTable_p.h)
  HASH_ADD_KEYPTR_BYHASHVALUE(hh, mTable, &p->mHash, sizeof p->mHash, hashv, p);
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
  key->retain();
  if (type == kKeyedObject) value.mObject->retain();
  p->mKey = key;
  p->mType = type;
  p->mValue = value;
  mUsed.linkBack(p);
  return kDone;
}

// As in LLKOrderedTable_p.h: at least as many buckets as nodes, counting the spare ones, so that
// chains stay short and a tree made with spare nodes spreads its buckets while it is still cheap.
bool KeyedTree::spreadBuckets() noexcept {
  return spreadHashBuckets(mTable->hh.tbl, capacity() + 1);  // the node being added is in neither chain
}

int32_t KeyedTree::fetch(LLKBObject* key, uint32_t type, KeyedValue* value) const noexcept {
  const KeyedNode* p = find(key);
  if (p == nullptr) return kNotFound;
  if (p->mType != type) return kWrongType;
  if (value != nullptr) *value = p->mValue;
  return kDone;
}

void KeyedTree::dropContents(KeyedNode* p) noexcept {
  LLKBObject* key = p->mKey;
  LLKBObject* object = p->mType == kKeyedObject ? p->mValue.mObject : nullptr;
  p->mKey = nullptr;
  p->mType = kKeyedVoid;
  p->mValue = KeyedValue{};
  llk::release(key);
  llk::release(object);
}

void KeyedTree::detach(KeyedNode* p) noexcept {
  HASH_DELETE(hh, mTable, p);  // the last one frees uthash's table
  listCursorReset(mCursor);
  mUsed.unlink(p);
}

int32_t KeyedTree::remove(LLKBObject* key) noexcept {
  KeyedNode* p = find(key);
  if (p == nullptr) return kNotFound;
  detach(p);
  mSpare.linkFront(p);
  dropContents(p);  // last: the tree is consistent whatever the releases run
  return kDone;
}

void KeyedTree::clear() noexcept {
  while (mUsed.mHead != nullptr) {
    KeyedNode* p = mUsed.mHead;
    detach(p);
    mSpare.linkFront(p);
    dropContents(p);
  }
}

KeyedNode* KeyedTree::at(uint64_t index) noexcept {
  return listGoto(mUsed.mHead, mUsed.mTail, mUsed.mSize, mCursor, index);
}

LLKCObjectDeque* KeyedTree::allKeys() const noexcept {
  LLKCObjectDeque* all = LLKCObjectDeque::dequeWithCapacity(mUsed.mSize);
  if (all == nullptr) return nullptr;
  for (KeyedNode* p = mUsed.mHead; p != nullptr; p = p->mNext) {
    if (all->append(p->mKey) != kDone) return nullptr;  // the pool frees the partial deque
  }
  return all;
}

int32_t KeyedTree::copyFrom(const KeyedTree& source, bool deep) noexcept {
  for (KeyedNode* p = source.mUsed.mHead; p != nullptr; p = p->mNext) {
    KeyedValue value = p->mValue;
    if (deep && p->mType == kKeyedObject) {
      if (!llk::conformsTo(value.mObject, &LLKPCopyable::kProtocol)) return kRefused;
      value.mObject = value.mObject->copy();
      if (value.mObject == nullptr) return kNoMemory;
    }
    const int32_t status = store(p->mKey, p->mType, value);
    if (status != kDone) return status;
  }
  return kDone;
}

bool KeyedTree::encode(LLKBEncoder* coder) const noexcept {
  uint64_t written = 0;
  for (KeyedNode* p = mUsed.mHead; p != nullptr; p = p->mNext) {
    const KeyedValue& v = p->mValue;
    if (p->mType == kKeyedVoid) continue;
    if (p->mType == kKeyedObject && !llk::conformsTo(v.mObject, &LLKPEncodable::kProtocol)) continue;
    LLKCString* key = llk::cast<LLKCString>(p->mKey);
    if (key == nullptr) return false;
    if (!coder->encodeString(key) || !coder->encodeByte(static_cast<uint8_t>(p->mType))) return false;
    bool done = false;
    switch (p->mType) {
      case kKeyedBool: done = coder->encodeBool(v.mBool); break;
      case kKeyedSint: done = coder->encodeSint64(v.mSint); break;
      case kKeyedUint: done = coder->encodeUint64(v.mUint); break;
      case kKeyedReal: done = coder->encodeReal64(v.mReal); break;
      case kKeyedCode:
        done = coder->encodeUint32(v.mCode.mUid) && coder->encodeUint32(v.mCode.mTag) &&
               coder->encodeUint32(v.mCode.mCtx);
        break;
      case kKeyedObject: done = coder->encodeObject(v.mObject); break;
      default: break;
    }
    if (!done) return false;
    ++written;
  }
  if (written > UINT32_MAX) return false;
  const uint64_t room = capacity();
  return coder->encodeUint32_forKey(static_cast<uint32_t>(written), countKey()) &&
         coder->encodeUint32_forKey(room > UINT32_MAX ? UINT32_MAX : static_cast<uint32_t>(room), capacityKey());
}

bool KeyedTree::decode(LLKBDecoder* coder) noexcept {
  uint32_t count = 0;
  uint32_t room = 0;
  if (!coder->decodeUint32_forKey(&count, countKey()) || !coder->decodeUint32_forKey(&room, capacityKey())) {
    return false;
  }
  uint64_t spare = room < count ? room : count;
  if (spare > kDecodedSpareLimit) spare = kDecodedSpareLimit;
  if (resize(spare) != kDone) return false;
  for (uint32_t i = 0; i < count; ++i) {
    LLKCString* key = nullptr;
    char type = 0;
    if (!coder->decodeString(&key) || key == nullptr || !coder->decodeByte(&type)) return false;
    KeyedValue value{};
    bool done = false;
    switch (static_cast<uint8_t>(type)) {
      case kKeyedBool: done = coder->decodeBool(&value.mBool); break;
      case kKeyedSint: done = coder->decodeSint64(&value.mSint); break;
      case kKeyedUint: done = coder->decodeUint64(&value.mUint); break;
      case kKeyedReal: done = coder->decodeReal64(&value.mReal); break;
      case kKeyedCode:
        done = coder->decodeUint32(&value.mCode.mUid) && coder->decodeUint32(&value.mCode.mTag) &&
               coder->decodeUint32(&value.mCode.mCtx);
        break;
      case kKeyedObject: done = coder->decodeObject(&value.mObject) && value.mObject != nullptr; break;
      default: return false;  // void is never written; anything else is not a type
    }
    if (!done || store(key, static_cast<uint8_t>(type), value) != kDone) return false;
  }
  return true;
}

}  // namespace llk::detail
