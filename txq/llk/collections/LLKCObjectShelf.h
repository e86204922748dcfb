#ifndef TXQ_LLK_COLLECTIONS_LLKCOBJECTSHELF_H
#define TXQ_LLK_COLLECTIONS_LLKCOBJECTSHELF_H
// LLKCObjectShelf: values under object keys matched by identity: the very key object, not an
// equal one (two equal strings at different addresses are two keys). Built on an LLKCObjectTable
// keyed by the key's address, whose entries are 2-slot LLKCObjectTuples holding the key (slot 0)
// and the value (slot 1); holding the key keeps its address from being reused while it is stored.
// Entries keep the order in which their keys were first stored.
//
//   LLKCObjectShelf* shelf = LLKCObjectShelf::shelf();
//   shelf->store_forKey(state, connection);          // the connection object itself is the key
//   LLKBObject* s = shelf->fetchForKey(connection);  // state
//   for (LLKBObject* value : shelf) ...              // the values, in order (LLKContainers.h)
//
// The change callback and the iterations see the values (slot 1), never the tuples.
// capacity() is the number of entries held: used plus spare.
// Ownership: factories, copies, allKeys and allValues autoreleased; init... +1. Keys and values are
//            retained while stored. The change callback and its context are borrowed; there is no
//            accept callback.
// Threads:   one thread at a time (no locks).
// Failure:   no memory answers 2 (nothing changed) or nil (factories, init..., copies, allKeys,
//            allValues); 24 for a nil key; 5 when a removal finds nothing.

#include <cstdint>

#include <txq/llk/collections/LLKBObjectContainer.h>

class LLKCObjectDeque;
class LLKCObjectTable;

class LLK_EXPORT LLKCObjectShelf : public LLKBObjectContainer {
  LLK_OBJECT(LLKCObjectShelf, LLKBObjectContainer)

 public:
  LLKCObjectTable* iTable;  // key address -> LLKCObjectTuple (key, value); owned
  struct private_t;         // defined in LLKCObjectShelf.cpp: the change callback
  private_t* iPrivate;

  // ---- Creation ----
  // An empty shelf without spare entries.
  static LLKCObjectShelf* shelf() noexcept;
  LLKCObjectShelf* init() noexcept override;
  // An empty shelf with n spare table entries made in advance (nil when they cannot all be made).
  static LLKCObjectShelf* shelfWithCapacity(uint64_t capacity) noexcept;
  LLKCObjectShelf* initWithCapacity(uint64_t capacity) noexcept;

  // ---- Size ----
  uint64_t count() const noexcept;
  uint64_t capacity() const noexcept;  // used plus spare entries
  // As LLKCObjectTable::resize.
  int32_t resize(uint64_t capacity) noexcept;

  // ---- Keys ----  (matched by identity)
  // A key already stored: change callback op 1 for the old value, the new value takes slot 1 (the
  // old one is released), op 0 for the new value; the entry keeps its position. A new key: a
  // (key, value) tuple is stored under the key's address and appended, op 0. 0; 24 for a nil key;
  // a nil value stores nothing (0); 2 when memory runs out.
  int32_t store_forKey(LLKBObject* value, LLKBObject* key) noexcept;
  // The value, or nil when the key is absent (or nil).
  LLKBObject* fetchForKey(LLKBObject* key) noexcept;
  bool containsKey(LLKBObject* key) noexcept;
  // 5 when absent; else change callback op 1 for the value, and key and value are released. 0.
  int32_t removeForKey(LLKBObject* key) noexcept;

  // ---- Positions ----  (0 .. count - 1 in the order; through the table's cursor)
  // The value; nil past the end.
  LLKBObject* fetchAtIndex(uint64_t index) noexcept;
  // The value, storing its key when `key` is not null (untouched past the end).
  LLKBObject* fetchAtIndex_key(uint64_t index, LLKBObject** key) noexcept;
  // 5 when index >= count.
  int32_t removeAtIndex(uint64_t index) noexcept;
  // Moves the first entry to the end, n times; the cursor goes to the head.
  void rotateBy(uint64_t n) noexcept;
  // New deques of the keys and of the values, in order (nil when they cannot be made).
  LLKCObjectDeque* allKeys() noexcept;
  LLKCObjectDeque* allValues() noexcept;
  // Every entry leaves in order (change callback op 1 for each value).
  void clear() noexcept;

  // ---- Callbacks ----  (only a change callback, told about values; setAcceptCallback... is ignored)
  void setChangeCallback_withContext(LLKFChangeCallback callback, void* context) noexcept override;

  // ---- Iteration ----  (over the values in order; the function must not change the shelf)
  void iterateWithFunction_andContext(LLKFIterateFunction function, void* context) noexcept override;
  LLKBObject* iterateUntilMatchWithFunction_andContext(LLKFMatchFunction function, void* context) noexcept override;
  // Removes every entry whose value the function accepts; YES if any matched.
  bool removeEachMatchWithFunction_andContext(LLKFMatchFunction function, void* context) noexcept override;
  bool removeFirstMatchWithFunction_andContext(LLKFMatchFunction function, void* context) noexcept override;

  // ---- Copies ----
  // The same keys (always the same objects: identity is the key) and values in the same order, in
  // tuples of its own, with the source's capacity; deep: each value's copy, and a value that cannot
  // be copied makes the whole copy nil. No callbacks.
  LLKCObjectShelf* initWithCopy_deep(LLKBObject* source, bool deep) noexcept override;
  LLKCObjectShelf* copy() noexcept override;
  LLKCObjectShelf* deepCopy() noexcept override;

  // ---- Coding ----
  // For each entry whose key and value are both encodable: the key, then the value; then
  // "count" and "capacity". Decoded keys are new objects, so entries stay apart as before.
  bool encodeWithCoder(LLKBEncoder* coder) noexcept override;
  LLKCObjectShelf* initWithCoder(LLKBDecoder* coder) noexcept override;

 protected:
  // Tells the change callback op 1 for each value before it is released; releases the table.
  ~LLKCObjectShelf() override;
};

#endif  // TXQ_LLK_COLLECTIONS_LLKCOBJECTSHELF_H
