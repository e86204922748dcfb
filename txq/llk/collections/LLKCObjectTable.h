#ifndef TXQ_LLK_COLLECTIONS_LLKCOBJECTTABLE_H
#define TXQ_LLK_COLLECTIONS_LLKCOBJECTTABLE_H
// LLKCObjectTable: objects under uint64 keys, found by key in constant time and kept in the order
// their keys were first stored. The entries live in a hash table over the 8 key bytes and on an
// ordered list at once; removed entries join a pool of spare entries that later additions reuse,
// and a cursor remembers the last position reached, so walking the positions in order costs one
// step each (range-for through LLKContainers.h does that).
//
//   LLKCObjectTable* table = LLKCObjectTable::tableWithCapacity(16);   // 16 spare entries
//   table->store_forKey(worker, 42);                                    // 0
//   table->store_forKey(other, 42);    // replaces worker; the entry keeps its position
//   for (LLKBObject* o : table) ...    // in key-insertion order
//
// Order: a new key joins at the end; storing under an existing key keeps its place; removals close
// up the order; rotateBy moves entries from the front to the end and puts the cursor on the head.
// capacity() is the number of entries held: used plus spare.
// Ownership: factories, copies and allObjects autoreleased; init... +1. Every stored object is
//            retained and released when it leaves (removal, replacement, clear, deallocation). The
//            change callback and its context are borrowed; there is no accept callback.
// Threads:   one thread at a time (no locks).
// Failure:   no memory answers 2 (an entry or the hash table could not grow; nothing changed) or
//            nil (factories, init..., copies, allObjects); 5 when a removal finds nothing.

#include <cstdint>

#include <txq/llk/collections/LLKBObjectContainer.h>

class LLKCObjectDeque;

class LLK_EXPORT LLKCObjectTable : public LLKBObjectContainer {
  LLK_OBJECT(LLKCObjectTable, LLKBObjectContainer)

 public:
  struct private_t;  // defined in LLKCObjectTable.cpp
  private_t* iPrivate;

  // ---- Creation ----
  // An empty table without spare entries.
  static LLKCObjectTable* table() noexcept;
  LLKCObjectTable* init() noexcept override;
  // An empty table with n spare entries made in advance (nil when they cannot all be made).
  static LLKCObjectTable* tableWithCapacity(uint64_t capacity) noexcept;
  LLKCObjectTable* initWithCapacity(uint64_t capacity) noexcept;

  // ---- Size ----
  uint64_t count() const noexcept;
  uint64_t capacity() const noexcept;  // used plus spare entries
  // Makes spare entries up to a capacity of max(n, count) (2 when not all could be made; those
  // that were made stay), or frees spare entries down to it. 0.
  int32_t resize(uint64_t capacity) noexcept;

  // ---- Keys ----
  // nil: 0 and nothing stored. A new key: the object retained, appended to the order, change
  // callback op 0. An existing key: op 1 for the old object, the new one retained and the old one
  // released, op 0 for the new one; the entry keeps its position. 2 when memory runs out.
  int32_t store_forKey(LLKBObject* object, uint64_t key) noexcept;
  // nil when the key is absent.
  LLKBObject* fetchForKey(uint64_t key) noexcept;
  // The same, storing the entry's position in the order when `index` is not null.
  LLKBObject* fetchForKey_index(uint64_t key, uint64_t* index) noexcept;
  bool containsKey(uint64_t key) noexcept;
  // Identity search along the order; NO for nil.
  bool contains(LLKBObject* object) noexcept;
  // 5 when absent; else the entry leaves, change callback op 1, the object is released. 0.
  int32_t removeForKey(uint64_t key) noexcept;

  // ---- Positions ----  (0 .. count - 1 in the order; through the cursor)
  // nil past the end.
  LLKBObject* fetchAtIndex(uint64_t index) noexcept;
  // The same, storing the entry's key when `key` is not null (untouched past the end).
  LLKBObject* fetchAtIndex_key(uint64_t index, uint64_t* key) noexcept;
  // The first entry holding the object; 5 when none (or nil).
  int32_t remove(LLKBObject* object) noexcept;
  // 5 when index >= count.
  int32_t removeAtIndex(uint64_t index) noexcept;
  // Moves the first entry to the end, n times; the cursor goes to the head.
  void rotateBy(uint64_t n) noexcept;
  // A new deque of the objects in order (nil when it cannot be made).
  LLKCObjectDeque* allObjects() noexcept;
  // Every object leaves in order (change callback op 1, release); the entries become spare ones.
  void clear() noexcept;

  // ---- Callbacks ----  (only a change callback; setAcceptCallback... is ignored)
  void setChangeCallback_withContext(LLKFChangeCallback callback, void* context) noexcept override;

  // ---- Iteration ----  (in order; the function must not change the table)
  void iterateWithFunction_andContext(LLKFIterateFunction function, void* context) noexcept override;
  LLKBObject* iterateUntilMatchWithFunction_andContext(LLKFMatchFunction function, void* context) noexcept override;
  // Removes every object the function accepts, each entry leaving as its object is released;
  // YES if any matched.
  bool removeEachMatchWithFunction_andContext(LLKFMatchFunction function, void* context) noexcept override;
  bool removeFirstMatchWithFunction_andContext(LLKFMatchFunction function, void* context) noexcept override;

  // ---- Copies ----
  // The same keys and objects in the same order (retained; deep: each object's copy, and an object
  // that cannot be copied makes the whole copy nil) with the source's capacity. No callbacks.
  LLKCObjectTable* initWithCopy_deep(LLKBObject* source, bool deep) noexcept override;
  LLKCObjectTable* copy() noexcept override;
  LLKCObjectTable* deepCopy() noexcept override;

  // ---- Coding ----
  // For each entry whose object is encodable: its key (unsigned 64-bit), then the object; then
  // "count" and "capacity". Decoding stores the entries again in order.
  bool encodeWithCoder(LLKBEncoder* coder) noexcept override;
  LLKCObjectTable* initWithCoder(LLKBDecoder* coder) noexcept override;

 protected:
  // Tells the change callback op 1 for each object before releasing it; frees every entry.
  ~LLKCObjectTable() override;
};

#endif  // TXQ_LLK_COLLECTIONS_LLKCOBJECTTABLE_H
