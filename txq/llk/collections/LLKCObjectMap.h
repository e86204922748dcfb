#ifndef TXQ_LLK_COLLECTIONS_LLKCOBJECTMAP_H
#define TXQ_LLK_COLLECTIONS_LLKCOBJECTMAP_H
// LLKCObjectMap: objects stored under keys compared by value. A key is found by its hashCode and
// then, among the keys sharing that hash, by compareTo answering 0; two equal strings at different
// addresses are one key, and keys that merely share a hash stay apart. Entries keep the order in
// which their keys first came (replacing a value keeps the entry's place).
//
//   LLKCObjectMap* map = LLKCObjectMap::mapWithCapacity(16);
//   map->store_forKey(value, LLKCString::stringWithChars("port"));
//   map->fetchForKey("port"_llk);                 // value
//   for (LLKBObject* v : map) ...                  // the values in order (LLKContainers.h)
//
// Capacity: the map keeps room for `capacity` entries (its entry array and hash index), made by
// initWithCapacity and resize, so that up to `capacity` keys are stored without allocating; past
// it the room grows by doubling. The recorded capacity changes only through resize: larger records
// the new value, smaller records max(n, count) and gives the memory beyond it back.
// Key objects must keep their hash code and order while they are keys.
// Ownership: factories, copies and the all... deques autoreleased; init... +1. Keys and values
//            are retained while stored and released when their entry leaves (removal, clear,
//            dealloc). Fetches answer borrowed objects. The change callback is borrowed.
// Threads:   one thread at a time (no locks).
// Failure:   llk::Status: 24 nil key or value, 5 absent, 2 no memory (the entry array or the hash
//            index could not grow; nothing changed); nil from factories and copies.

#include <cstdint>

#include <txq/llk/collections/LLKBObjectContainer.h>

class LLKCObjectDeque;

class LLK_EXPORT LLKCObjectMap : public LLKBObjectContainer {
  LLK_OBJECT(LLKCObjectMap, LLKBObjectContainer)

 public:
  struct private_t;  // defined in LLKCObjectMap.cpp
  private_t* iPrivate;

  // ---- Creation ----
  // Capacity 0: no room made in advance.
  static LLKCObjectMap* map() noexcept;
  LLKCObjectMap* init() noexcept override;
  // Room for n entries, capacity n; nil when it cannot be had.
  static LLKCObjectMap* mapWithCapacity(uint64_t capacity) noexcept;
  LLKCObjectMap* initWithCapacity(uint64_t capacity) noexcept;

  // ---- Storing and fetching ----
  // An existing equal key keeps its place and gets the new value (change callback op 1 for the
  // old value, which is released, op 0 for the new one); a new key appends an entry (op 0).
  int32_t store_forKey(LLKBObject* value, LLKBObject* key) noexcept;
  LLKBObject* fetchForKey(LLKBObject* key) noexcept;
  bool containsKey(LLKBObject* key) noexcept;
  // Identity search of the values along the order.
  bool contains(LLKBObject* value) noexcept;
  // By position in the order; nil past the end.
  LLKBObject* keyAtIndex(uint64_t index) noexcept;
  LLKBObject* fetchAtIndex(uint64_t index) noexcept;
  // The value; its key is stored through `key` when not null (nil past the end).
  LLKBObject* fetchAtIndex_key(uint64_t index, LLKBObject** key) noexcept;
  // New deques in the order: the keys, the values, and 2-slot tuples (key, value).
  LLKCObjectDeque* allKeys() noexcept;
  LLKCObjectDeque* allObjects() noexcept;
  LLKCObjectDeque* allPairs() noexcept;

  // ---- Removing ----  (change callback op 1, then the key and value are released)
  int32_t removeForKey(LLKBObject* key) noexcept;
  // The first entry whose value is this object (identity).
  int32_t remove(LLKBObject* value) noexcept;
  // Every entry whose value is this object; 5 when there was none.
  int32_t removeAll(LLKBObject* value) noexcept;
  // 5 past the end.
  int32_t removeAtIndex(uint64_t index) noexcept;
  // Every entry whose value the function accepts; YES if any.
  bool removeEachMatchWithFunction_andContext(LLKFMatchFunction function, void* context) noexcept override;
  // The first such entry in the order.
  bool removeFirstMatchWithFunction_andContext(LLKFMatchFunction function, void* context) noexcept override;
  // Every entry, in order.
  void clear() noexcept;

  // ---- Size and capacity ----
  uint64_t count() noexcept;
  // The recorded capacity (see above).
  uint64_t capacity() noexcept;
  // Larger: makes room for n entries and records n (2, nothing changed, when it cannot be had).
  // Smaller: records max(n, count) and gives back the room beyond it; 0.
  int32_t resize(uint64_t capacity) noexcept;

  // ---- Callbacks and iteration ----  (over the values in order; changing the map from inside
  // a function or callback is not allowed)
  void setChangeCallback_withContext(LLKFChangeCallback callback, void* context) noexcept override;
  void iterateWithFunction_andContext(LLKFIterateFunction function, void* context) noexcept override;
  LLKBObject* iterateUntilMatchWithFunction_andContext(LLKFMatchFunction function, void* context) noexcept override;

  // ---- Copies ----
  // The same capacity and entries in order; deep: each value's copy (nil when a value is not
  // copyable), the keys shared. No callback.
  LLKCObjectMap* initWithCopy_deep(LLKBObject* source, bool deep) noexcept override;
  LLKCObjectMap* copy() noexcept override;
  LLKCObjectMap* deepCopy() noexcept override;

  // ---- Coding ----
  // For each entry whose key and value are both encodable: the key, then the value; then
  // "count" and "capacity". Decoding stores the entries again in order.
  bool encodeWithCoder(LLKBEncoder* coder) noexcept override;
  LLKCObjectMap* initWithCoder(LLKBDecoder* coder) noexcept override;

 protected:
  ~LLKCObjectMap() override;  // change callback op 1 for each value, then everything is released
};

#endif  // TXQ_LLK_COLLECTIONS_LLKCOBJECTMAP_H
