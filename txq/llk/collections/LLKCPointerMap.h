#ifndef TXQ_LLK_COLLECTIONS_LLKCPOINTERMAP_H
#define TXQ_LLK_COLLECTIONS_LLKCPOINTERMAP_H
// LLKCPointerMap: raw pointers under object keys, kept in the order their keys were first stored.
// The pointers are only held: never retained, copied or freed.
//
//   LLKCPointerMap* handlers = LLKCPointerMap::mapWithCapacity(4);
//   handlers->store_forKey(reinterpret_cast<void*>(&onOpen), "open"_llk);   // 0
//   void* handler = handlers->fetchForKey("open"_llk);                      // &onOpen
//
// Keys: an entry is identified by its key's hashCode alone, so two keys with equal hash codes are
// one entry whatever compareTo says (the first key object stays). Keys must keep their hash code
// while stored. A null pointer is a value like any other (fetch_forKey tells it from an absent key).
// Order: a new key joins at the end; storing again under a key replaces the pointer and keeps the
// entry's place; removals close up the order. capacity() counts entries plus spare nodes.
// Ownership: factories, copies and allKeys autoreleased; init... +1. Keys are retained while stored.
// Threads:   one thread at a time (no locks).
// Failure:   llk::Status: 24 nil key, 5 absent, 2 no memory (nothing changed); nil from factories
//            and copies.

#include <cstdint>

#include <txq/llk/object/LLKBObject.h>

class LLKCObjectDeque;

class LLK_EXPORT LLKCPointerMap : public LLKBObject {
  LLK_OBJECT(LLKCPointerMap, LLKBObject)

 public:
  struct private_t;  // defined in LLKCPointerMap.cpp
  private_t* iPrivate;

  // ---- Creation ----
  LLKCPointerMap* init() noexcept override;  // no spare nodes
  // n spare nodes made in advance (nil when they cannot all be made).
  static LLKCPointerMap* mapWithCapacity(uint64_t capacity) noexcept;
  LLKCPointerMap* initWithCapacity(uint64_t capacity) noexcept;

  // ---- Size ----
  uint64_t count() const noexcept;
  uint64_t capacity() const noexcept;  // entries plus spare nodes
  // Makes spare nodes up to a capacity of max(n, count) (2 when not all could be made; those made
  // stay), or frees spare nodes down to it. 0.
  int32_t resize(uint64_t capacity) noexcept;

  // ---- Keys ----
  // Insert, or replace the pointer of the entry with the key's hash. 0, 24 nil key, 2 no memory.
  int32_t store_forKey(void* pointer, LLKBObject* key) noexcept;
  // 0 with *pointer written; 5 when absent (*pointer untouched).
  int32_t fetch_forKey(void** pointer, LLKBObject* key) noexcept;
  // The pointer; null when absent.
  void* fetchForKey(LLKBObject* key) noexcept;
  bool contains(LLKBObject* key) noexcept;
  // 5 when absent; else the entry leaves and its key is released. 0.
  int32_t removeForKey(LLKBObject* key) noexcept;
  // Deprecated: logs "LLKCPointerMap-remove: is deprecated", then removeForKey.
  int32_t remove(LLKBObject* key) noexcept;
  // Every entry leaves; the nodes become spare ones.
  void clear() noexcept;

  // ---- Positions ----  (0 .. count - 1 in insertion order; walking them in order is cheap)
  // The pointer at a position, storing its key when `key` is not null; null (key untouched) past
  // the end.
  void* fetchAtIndex_key(uint64_t index, LLKBObject** key) noexcept;
  // nil past the end.
  LLKBObject* keyAtIndex(uint64_t index) noexcept;
  // A new deque of the keys in order (nil when it cannot be made).
  LLKCObjectDeque* allKeys() noexcept;

  // ---- Copies ----  (the same keys and pointers in the same order, with the source's capacity;
  //                    deep makes no difference)
  LLKCPointerMap* initWithCopy_deep(LLKBObject* source, bool deep) noexcept override;
  LLKCPointerMap* copy() noexcept override;
  LLKCPointerMap* deepCopy() noexcept override;

 protected:
  ~LLKCPointerMap() override;  // releases every key
};

#endif  // TXQ_LLK_COLLECTIONS_LLKCPOINTERMAP_H
