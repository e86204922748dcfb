#ifndef TXQ_LLK_COLLECTIONS_LLKCOBJECTSTORE_H
#define TXQ_LLK_COLLECTIONS_LLKCOBJECTSTORE_H
// LLKCObjectStore: objects registered under their own GUID and searchable by name. Every object
// stored must adopt LLKPUniqueable (LLKPUniqueable.h); it is kept in an LLKCObjectMap from its
// guid to itself, in the order of storing. The store also keeps a history: every object ever
// stored (iAdded) and every object ever removed (iRemoved), in order. The history is never
// trimmed, so it grows (and keeps its objects alive) for the store's whole life: a store suits a
// registry of long-lived objects, not a busy cache.
//
//   LLKCObjectStore* store = LLKCObjectStore::store();
//   store->store(part);                          // 0; 17 when an object with its guid is held
//   store->fetchForGuid(part->guid());           // part
//   store->fetchForName("wheel"_llk);            // the first object with that name
//   for (LLKBObject* o : store) ...              // in order (LLKContainers.h)
//
// Ownership: factories, copies and the all... deques autoreleased; init... +1. Held objects are
//            retained by the content and again by the history. Fetches answer borrowed objects.
// Threads:   one thread at a time (no locks).
// Failure:   llk::Status: 24 nil argument, 11 an object that does not adopt LLKPUniqueable (or has
//            no guid), 17 a guid already held, 5 absent, 2 no memory (nothing changed).

#include <cstdint>

#include <txq/llk/collections/LLKBObjectContainer.h>

class LLKCGuid;
class LLKCObjectDeque;
class LLKCObjectMap;
class LLKCString;

class LLK_EXPORT LLKCObjectStore : public LLKBObjectContainer {
  LLK_OBJECT(LLKCObjectStore, LLKBObjectContainer)

 public:
  LLKCObjectMap* iContent;    // retained; each held object's guid -> the object
  LLKCObjectDeque* iAdded;    // retained; every object stored, in order
  LLKCObjectDeque* iRemoved;  // retained; every object removed, in order

  // ---- Creation ----
  static LLKCObjectStore* store() noexcept;
  LLKCObjectStore* init() noexcept override;
  // The content map is made with this capacity (its spare pools).
  static LLKCObjectStore* storeWithCapacity(uint64_t capacity) noexcept;
  LLKCObjectStore* initWithCapacity(uint64_t capacity) noexcept;

  // ---- Storing and removing ----
  // Appends the object to iAdded and stores it under its guid (change callback op 0).
  int32_t store(LLKBObject* object) noexcept;
  // Takes out the object held under the guid of this one: it is appended to iRemoved and leaves
  // the content (change callback op 1). 5 when no object with that guid is held.
  int32_t remove(LLKBObject* object) noexcept;
  int32_t removeForGuid(LLKCGuid* guid) noexcept;
  // 5 past the end.
  int32_t removeAtIndex(uint64_t index) noexcept;
  // Every object the function accepts (each recorded in iRemoved); YES if any.
  bool removeEachMatchWithFunction_andContext(LLKFMatchFunction function, void* context) noexcept override;
  bool removeFirstMatchWithFunction_andContext(LLKFMatchFunction function, void* context) noexcept override;
  // Every object, each recorded in iRemoved; when memory for that record cannot be had, nothing
  // is cleared.
  void clear() noexcept;

  // ---- Finding ----
  LLKBObject* fetchForGuid(LLKCGuid* guid) noexcept;
  bool containsGuid(LLKCGuid* guid) noexcept;
  // The first object (in order) whose name compareTo the given name answers 0; nil for a nil name.
  LLKBObject* fetchForName(LLKCString* name) noexcept;
  bool containsName(LLKCString* name) noexcept;
  // New deques, in order: every object with that name; the guids; the objects.
  LLKCObjectDeque* allObjectsWithName(LLKCString* name) noexcept;
  LLKCObjectDeque* allGuids() noexcept;
  LLKCObjectDeque* allObjects() noexcept;
  // New deques holding the history.
  LLKCObjectDeque* allAddedObjects() noexcept;
  LLKCObjectDeque* allRemovedObjects() noexcept;
  // By position in the order; nil past the end.
  LLKBObject* fetchAtIndex(uint64_t index) noexcept;

  // ---- Size ----  (those of the content map)
  uint64_t count() noexcept;
  uint64_t capacity() noexcept;
  int32_t resize(uint64_t capacity) noexcept;

  // ---- Callbacks and iteration ----  (the content's, over the objects in order)
  void setChangeCallback_withContext(LLKFChangeCallback callback, void* context) noexcept override;
  void iterateWithFunction_andContext(LLKFIterateFunction function, void* context) noexcept override;
  LLKBObject* iterateUntilMatchWithFunction_andContext(LLKFMatchFunction function, void* context) noexcept override;

  // ---- Copies ----
  // The same capacity and objects in order (deep: each object's copy, which must adopt
  // LLKPUniqueable too, else nil); the copy's history holds what it stored. No callback.
  LLKCObjectStore* initWithCopy_deep(LLKBObject* source, bool deep) noexcept override;
  LLKCObjectStore* copy() noexcept override;
  LLKCObjectStore* deepCopy() noexcept override;

  // ---- Coding ----
  // The encodable objects in order, then "count" and "capacity". Decoding keeps the objects
  // that adopt LLKPUniqueable and whose guid is not held yet (others are dropped); the new store's
  // history holds what it kept.
  bool encodeWithCoder(LLKBEncoder* coder) noexcept override;
  LLKCObjectStore* initWithCoder(LLKBDecoder* coder) noexcept override;

 protected:
  ~LLKCObjectStore() override;  // the content (change callback op 1 for each object), then the history
};

#endif  // TXQ_LLK_COLLECTIONS_LLKCOBJECTSTORE_H
