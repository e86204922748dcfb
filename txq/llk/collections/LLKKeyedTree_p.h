#ifndef TXQ_LLK_COLLECTIONS_LLKKEYEDTREE_P_H
#define TXQ_LLK_COLLECTIONS_LLKKEYEDTREE_P_H
// Internal: the engine behind LLKCDictionary, LLKCLexicon (typed values) and LLKCPointerMap (raw
// pointers). Not installed, not API.
//
// An entry is found by its key object's 32-bit hashCode alone, held zero-extended as 8 key bytes:
// keys with equal hash codes are one entry, whatever compareTo says. Every entry (KeyedNode) sits at
// once in a uthash table and on a doubly linked list in insertion order; entries that leave go to a
// pool of spare nodes that later additions take first. A cursor keeps the last entry reached by
// position, so walking the positions in order costs one link per step (any removal forgets it).
//
// Storing under a key already present replaces the value and its type; the entry keeps its key
// object and its place. uthash is configured as in LLKOrderedTable_p.h (non-fatal out of memory:
// the addition answers 2 and nothing changes).
//
// Ownership: a used node retains its key and an object value; void values are never retained; spare
//            nodes hold nothing. Threads: the owning container's (one thread at a time).

#include <cstdint>

#include <txq/llk/collections/LLKFObjectListGoto_p.h>
#include <txq/llk/collections/LLKOrderedTable_p.h>  // uthash, configured for the library
#include <txq/llk/object/LLKBObject.h>
#include <txq/llk/object/LLKStatus.h>
#include <txq/llk/values/LLKCCode.h>

class LLKBEncoder;
class LLKBDecoder;
class LLKCObjectDeque;

namespace llk::detail {

// The value types, numbered as LLKCNumber numbers its own.
enum KeyedType : uint32_t {
  kKeyedBool = 0,
  kKeyedSint = 2,
  kKeyedUint = 3,
  kKeyedReal = 4,
  kKeyedVoid = 6,    // untyped pointer: not retained, never saved or encoded
  kKeyedObject = 7,  // retained
  kKeyedCode = 8,    // LLKTCode by value
};

union KeyedValue {
  bool mBool;
  int64_t mSint;
  uint64_t mUint;
  double mReal;
  void* mVoid;
  LLKBObject* mObject;
  LLKTCode mCode;
};

struct KeyedNode {
  uint64_t mHash;       // the key's hashCode, zero-extended: the uthash key
  uint32_t mType;       // KeyedType
  KeyedValue mValue;
  LLKBObject* mKey;     // retained while used; null while spare
  KeyedNode* mPrev;     // the insertion order (or the spare pool)
  KeyedNode* mNext;
  UT_hash_handle hh;
};

struct KeyedTree {
  using chain_t = Chain<KeyedNode>;
  // More entries than this could not even be addressed: refused before any allocation.
  static constexpr uint64_t kMaxEntries = SIZE_MAX / sizeof(KeyedNode);
  // Spare nodes made in advance for a decoded tree, whatever the stream claims.
  static constexpr uint64_t kDecodedSpareLimit = 4096;

  KeyedNode* mTable = nullptr;  // uthash's head, or null while empty
  chain_t mUsed;                // the entries in insertion order
  chain_t mSpare;               // the pool
  ListCursor<KeyedNode> mCursor;

  KeyedTree() noexcept = default;
  KeyedTree(const KeyedTree&) = delete;
  KeyedTree& operator=(const KeyedTree&) = delete;
  ~KeyedTree();  // releases every key and object value, frees every node

  uint64_t count() const noexcept { return mUsed.mSize; }
  uint64_t capacity() const noexcept { return mUsed.mSize + mSpare.mSize; }
  // Spare nodes made, or freed, so that count + spare = max(n, count). 2 (those made stay) when not
  // all could be made.
  int32_t resize(uint64_t n) noexcept;

  // The entry with the key's hash; null for nil or absent.
  KeyedNode* find(LLKBObject* key) const noexcept;
  // Insert (at the end of the order, key retained) or replace (the new object value retained before
  // the old one is released). 24 for a nil key or a nil object value; 2 when no node or table room
  // could be had (nothing changed); else 0.
  int32_t store(LLKBObject* key, uint32_t type, KeyedValue value) noexcept;
  // 0 with *value written; 5 absent; 20 another type (nothing written).
  int32_t fetch(LLKBObject* key, uint32_t type, KeyedValue* value) const noexcept;
  // 5 absent; else the entry leaves, joins the pool, and its key and object value are released. 0.
  int32_t remove(LLKBObject* key) noexcept;
  // Every entry leaves, in order.
  void clear() noexcept;

  // The entry at a position in insertion order (it becomes the cursor); null past the end.
  KeyedNode* at(uint64_t index) noexcept;
  // A new autoreleased deque of the keys in order; nil when it cannot be made.
  LLKCObjectDeque* allKeys() const noexcept;

  // Every entry of the source stored again, in order (deep: object values replaced by their copy;
  // 11 for an object that does not adopt LLKPCopyable). 0, or the first failure.
  int32_t copyFrom(const KeyedTree& source, bool deep) noexcept;

  // For each entry in order, except void values and objects not adopting LLKPEncodable: the key's
  // characters, the type byte, the value; then "count" (the entries written) and "capacity", keyed.
  // NO when a key is not an LLKCString or a write fails.
  bool encode(LLKBEncoder* coder) const noexcept;
  // Reads what encode wrote into this (empty) tree. The stored count and capacity are hints: at
  // most min(capacity, count, kDecodedSpareLimit) spare nodes are made up front. NO when a value is
  // missing or of an unknown type.
  bool decode(LLKBDecoder* coder) noexcept;

 private:
  void dropContents(KeyedNode* node) noexcept;   // drops the node's key and object value
  void detach(KeyedNode* node) noexcept;         // out of the table and the order
  bool spreadBuckets() noexcept;
};

// ---- The owning classes ----
// C (LLKCDictionary, LLKCLexicon, LLKCPointerMap) keeps its tree as `iPrivate->mTree`.

// The private part made with n spare nodes; nil (the instance deallocated) when memory runs out.
template <class C>
C* initKeyed(C* self, uint64_t capacity) noexcept {
  self->iPrivate = new (std::nothrow) typename C::private_t();
  if (self->iPrivate == nullptr || self->iPrivate->mTree.resize(capacity) != kDone) {
    self->dealloc();
    return nullptr;
  }
  return self;
}

// The source's entries in order (deep: copies of its objects) with its capacity; nil (the instance
// deallocated) when the source is not a C or the copy fails.
template <class C>
C* initKeyedCopy(C* self, LLKBObject* source, bool deep) noexcept {
  C* other = llk::cast<C>(source);
  if (other == nullptr) {
    self->dealloc();
    return nullptr;
  }
  if (initKeyed(self, other->capacity()) == nullptr) return nullptr;
  if (self->iPrivate->mTree.copyFrom(other->iPrivate->mTree, deep) != kDone) {
    self->dealloc();
    return nullptr;
  }
  return self;
}

// An empty instance filled from the coder; nil (the instance deallocated) when decoding fails.
template <class C>
C* initKeyedWithCoder(C* self, LLKBDecoder* coder) noexcept {
  if (initKeyed(self, 0) == nullptr) return nullptr;
  if (coder == nullptr || !self->iPrivate->mTree.decode(coder)) {
    self->dealloc();
    return nullptr;
  }
  return self;
}

// The value of the given type under a key; `fallback` when absent or of another type.
template <class T>
T keyedValueOr(const KeyedTree& tree, LLKBObject* key, uint32_t type, T KeyedValue::*member, T fallback) noexcept {
  KeyedValue value;
  return tree.fetch(key, type, &value) == kDone ? value.*member : fallback;
}

// Stores the value of the given type through *out; the status of KeyedTree::fetch.
template <class T>
int32_t keyedFetchInto(const KeyedTree& tree, LLKBObject* key, uint32_t type, T KeyedValue::*member, T* out) noexcept {
  KeyedValue value;
  const int32_t status = tree.fetch(key, type, &value);
  if (status == kDone && out != nullptr) *out = value.*member;
  return status;
}

// Stores a value of the given type; the status of KeyedTree::store.
template <class T>
int32_t keyedStore(KeyedTree& tree, LLKBObject* key, uint32_t type, T KeyedValue::*member, T given) noexcept {
  KeyedValue value{};
  value.*member = given;
  return tree.store(key, type, value);
}

}  // namespace llk::detail

// The typed operations shared by LLKCDictionary and LLKCLexicon, defined for class Cls (whose
// private part holds `mTree`): all but creation and initWithCopy_deep. Used once in each class's
// source file.
#define LLK_KEYED_TYPED_OPERATIONS_(Cls)                                                                         \
  uint64_t Cls::count() const noexcept { return iPrivate->mTree.count(); }                                      \
  uint64_t Cls::capacity() const noexcept { return iPrivate->mTree.capacity(); }                                \
  int32_t Cls::resize(uint64_t capacity) noexcept { return iPrivate->mTree.resize(capacity); }                  \
  LLK_KEYED_TYPE_OPERATIONS_(Cls, Bool, boolForKey, bool, kKeyedBool, mBool, false)                             \
  LLK_KEYED_TYPE_OPERATIONS_(Cls, Sint, sintForKey, int64_t, kKeyedSint, mSint, 0)                              \
  LLK_KEYED_TYPE_OPERATIONS_(Cls, Uint, uintForKey, uint64_t, kKeyedUint, mUint, 0)                             \
  LLK_KEYED_TYPE_OPERATIONS_(Cls, Real, realForKey, double, kKeyedReal, mReal, 0.0)                             \
  LLK_KEYED_TYPE_OPERATIONS_(Cls, Code, codeForKey, LLKTCode, kKeyedCode, mCode, LLKTCode{})                    \
  LLK_KEYED_TYPE_OPERATIONS_(Cls, Void, voidForKey, void*, kKeyedVoid, mVoid, nullptr)                          \
  LLK_KEYED_TYPE_OPERATIONS_(Cls, Object, objectForKey, LLKBObject*, kKeyedObject, mObject, nullptr)            \
  bool Cls::contains(LLKBObject* key) noexcept { return iPrivate->mTree.find(key) != nullptr; }                \
  bool Cls::contains_type(LLKBObject* key, uint32_t* type) noexcept {                                           \
    const llk::detail::KeyedNode* node = iPrivate->mTree.find(key);                                             \
    if (node != nullptr && type != nullptr) *type = node->mType;                                                \
    return node != nullptr;                                                                                     \
  }                                                                                                             \
  int32_t Cls::remove(LLKBObject* key) noexcept { return iPrivate->mTree.remove(key); }                         \
  LLKBObject* Cls::keyAtIndex(uint64_t index) noexcept {                                                        \
    const llk::detail::KeyedNode* node = iPrivate->mTree.at(index);                                             \
    return node != nullptr ? node->mKey : nullptr;                                                              \
  }                                                                                                             \
  LLKCObjectDeque* Cls::allKeys() noexcept { return iPrivate->mTree.allKeys(); }                                \
  void Cls::clear() noexcept { iPrivate->mTree.clear(); }                                                       \
  bool Cls::encodeWithCoder(LLKBEncoder* coder) noexcept {                                                      \
    return coder != nullptr && iPrivate->mTree.encode(coder);                                                   \
  }                                                                                                             \
  Cls* Cls::initWithCoder(LLKBDecoder* coder) noexcept { return llk::detail::initKeyedWithCoder(this, coder); } \
  Cls* Cls::copy() noexcept { return static_cast<Cls*>(Super::copy()); }                                        \
  Cls* Cls::deepCopy() noexcept { return static_cast<Cls*>(Super::deepCopy()); }

// store<Kind>_forKey, fetch<Kind>_forKey, getter and getter_withDefault of one value type.
#define LLK_KEYED_TYPE_OPERATIONS_(Cls, Kind, getter, T, type, member, zero)                                    \
  int32_t Cls::store##Kind##_forKey(T value, LLKBObject* key) noexcept {                                       \
    return llk::detail::keyedStore<T>(iPrivate->mTree, key, llk::detail::type, &llk::detail::KeyedValue::member, \
                                      value);                                                                   \
  }                                                                                                             \
  int32_t Cls::fetch##Kind##_forKey(T* value, LLKBObject* key) noexcept {                                       \
    return llk::detail::keyedFetchInto<T>(iPrivate->mTree, key, llk::detail::type,                              \
                                          &llk::detail::KeyedValue::member, value);                             \
  }                                                                                                             \
  T Cls::getter(LLKBObject* key) noexcept {                                                                     \
    return llk::detail::keyedValueOr<T>(iPrivate->mTree, key, llk::detail::type,                               \
                                        &llk::detail::KeyedValue::member, zero);                                \
  }                                                                                                             \
  T Cls::getter##_withDefault(LLKBObject* key, T fallback) noexcept {                                           \
    return llk::detail::keyedValueOr<T>(iPrivate->mTree, key, llk::detail::type,                               \
                                        &llk::detail::KeyedValue::member, fallback);                            \
  }

#endif  // TXQ_LLK_COLLECTIONS_LLKKEYEDTREE_P_H
