#ifndef TXQ_LLK_COLLECTIONS_LLKCOBJECTINDEX_H
#define TXQ_LLK_COLLECTIONS_LLKCOBJECTINDEX_H
// LLKCObjectIndex: objects under LLKTCode keys (three 32-bit words naming an entity: messages,
// routines, scheduled work), found by key in constant time and kept in the order their keys were
// first stored. It works as LLKCObjectTable does, the hash running over the 12 bytes of the code;
// it has no fetchForKey_index and no rotateBy, and its removeEach/FirstMatch... are the base's,
// which remove nothing and answer NO.
//
//   LLKCObjectIndex* index = LLKCObjectIndex::index();
//   index->store_forKey(routine, LLKTCode{7, 1, 0});
//   LLKBObject* found = index->fetchForKey(LLKTCode{7, 1, 0});   // routine
//
// capacity() is the number of entries held: used plus spare.
// Ownership: factories, copies and allObjects autoreleased; init... +1. Every stored object is
//            retained and released when it leaves (removal, replacement, clear, deallocation). The
//            change callback and its context are borrowed; there is no accept callback.
// Threads:   one thread at a time (no locks).
// Failure:   no memory answers 2 (an entry or the hash table could not grow; nothing changed) or
//            nil (factories, init..., copies, allObjects); 5 when a removal finds nothing.

#include <cstdint>

#include <txq/llk/collections/LLKBObjectContainer.h>
#include <txq/llk/values/LLKCCode.h>

class LLKCObjectDeque;

class LLK_EXPORT LLKCObjectIndex : public LLKBObjectContainer {
  LLK_OBJECT(LLKCObjectIndex, LLKBObjectContainer)

 public:
  struct private_t;  // defined in LLKCObjectIndex.cpp
  private_t* iPrivate;

  // ---- Creation ----
  // An empty index without spare entries.
  static LLKCObjectIndex* index() noexcept;
  LLKCObjectIndex* init() noexcept override;
  // An empty index with n spare entries made in advance (nil when they cannot all be made).
  static LLKCObjectIndex* indexWithCapacity(uint64_t capacity) noexcept;
  LLKCObjectIndex* initWithCapacity(uint64_t capacity) noexcept;

  // ---- Size ----
  uint64_t count() const noexcept;
  uint64_t capacity() const noexcept;  // used plus spare entries
  // Makes spare entries up to a capacity of max(n, count) (2 when not all could be made; those
  // that were made stay), or frees spare entries down to it. 0.
  int32_t resize(uint64_t capacity) noexcept;

  // ---- Keys ----
  // nil: 0 and nothing stored. A new code: the object retained, appended to the order, change
  // callback op 0. An existing code: op 1 for the old object, the new one retained and the old one
  // released, op 0 for the new one; the entry keeps its position. 2 when memory runs out.
  int32_t store_forKey(LLKBObject* object, LLKTCode code) noexcept;
  // nil when the code is absent.
  LLKBObject* fetchForKey(LLKTCode code) noexcept;
  bool containsKey(LLKTCode code) noexcept;
  // Identity search along the order; NO for nil.
  bool contains(LLKBObject* object) noexcept;
  // 5 when absent; else the entry leaves, change callback op 1, the object is released. 0.
  int32_t removeForKey(LLKTCode code) noexcept;

  // ---- Positions ----  (0 .. count - 1 in the order; through the cursor)
  // nil past the end.
  LLKBObject* fetchAtIndex(uint64_t index) noexcept;
  // The same, storing the entry's code when `code` is not null (untouched past the end).
  LLKBObject* fetchAtIndex_key(uint64_t index, LLKTCode* code) noexcept;
  // The first entry holding the object; 5 when none (or nil).
  int32_t remove(LLKBObject* object) noexcept;
  // 5 when index >= count.
  int32_t removeAtIndex(uint64_t index) noexcept;
  // A new deque of the objects in order (nil when it cannot be made).
  LLKCObjectDeque* allObjects() noexcept;
  // Every object leaves in order (change callback op 1, release); the entries become spare ones.
  void clear() noexcept;

  // ---- Callbacks ----  (only a change callback; setAcceptCallback... is ignored)
  void setChangeCallback_withContext(LLKFChangeCallback callback, void* context) noexcept override;

  // ---- Iteration ----  (in order; the function must not change the index)
  void iterateWithFunction_andContext(LLKFIterateFunction function, void* context) noexcept override;
  LLKBObject* iterateUntilMatchWithFunction_andContext(LLKFMatchFunction function, void* context) noexcept override;

  // ---- Copies ----
  // The same codes and objects in the same order (retained; deep: each object's copy, and an
  // object that cannot be copied makes the whole copy nil) with the source's capacity. No callbacks.
  LLKCObjectIndex* initWithCopy_deep(LLKBObject* source, bool deep) noexcept override;
  LLKCObjectIndex* copy() noexcept override;
  LLKCObjectIndex* deepCopy() noexcept override;

  // ---- Coding ----
  // For each entry whose object is encodable: the code's uid, tag and ctx (unsigned 32-bit
  // each), then the object; then "count" and "capacity". Decoding stores the entries again in order.
  bool encodeWithCoder(LLKBEncoder* coder) noexcept override;
  LLKCObjectIndex* initWithCoder(LLKBDecoder* coder) noexcept override;

 protected:
  // Tells the change callback op 1 for each object before releasing it; frees every entry.
  ~LLKCObjectIndex() override;
};

#endif  // TXQ_LLK_COLLECTIONS_LLKCOBJECTINDEX_H
