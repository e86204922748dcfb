#ifndef TXQ_LLK_COLLECTIONS_LLKCKEYRING_H
#define TXQ_LLK_COLLECTIONS_LLKCKEYRING_H
// LLKCKeyring: a set of objects compared by value. An object is found by its hashCode and then,
// among the objects sharing that hash, by compareTo answering 0; storing an object equal to one
// already held changes nothing. The objects keep the order in which they came.
//
//   LLKCKeyring* ring = LLKCKeyring::ringWithCapacity(8);
//   ring->store(LLKCString::stringWithChars("admin"));
//   ring->store(LLKCString::stringWithChars("admin"));   // 0, still one object
//   ring->contains("admin"_llk);                          // YES
//   for (LLKBObject* o : ring) ...                        // in order (begin/end below)
//
// Capacity and pool: the keyring keeps a pool of spare buckets, filled with `capacity` of them by
// initWithCapacity and resize. A bucket freed by a removal goes back to the pool only while the
// capacity is not 0 and is at least the number of buckets in use plus the spares (counted once it
// has left); otherwise it is released. resize below the count records the count as the capacity.
// Objects must keep their hash code and order while they are held.
// Ownership: factories and copies autoreleased; init... +1. Every object is retained while held.
//            fetchAtIndex answers a borrowed object.
// Threads:   one thread at a time (no locks).
// Failure:   llk::Status: 24 nil argument, 5 absent, 2 no memory (an object, a bucket or the hash
//            table could not be had; nothing changed); nil from factories and copies.

#include <cstdint>

#include <txq/llk/collections/LLKContainers.h>
#include <txq/llk/object/LLKBObject.h>
#include <txq/llk/object/LLKStatus.h>

class LLK_EXPORT LLKCKeyring : public LLKBObject {
  LLK_OBJECT(LLKCKeyring, LLKBObject)

 public:
  struct private_t;  // defined in LLKCKeyring.cpp
  private_t* iPrivate;

  // ---- Creation ----
  // Capacity 0: no spares; every freed bucket is released.
  static LLKCKeyring* ring() noexcept;
  LLKCKeyring* init() noexcept override;
  // n spare buckets, capacity n; nil when they cannot all be made.
  static LLKCKeyring* ringWithCapacity(uint64_t capacity) noexcept;
  LLKCKeyring* initWithCapacity(uint64_t capacity) noexcept;

  // ---- Contents ----
  // Adds the object unless an equal one is held (then nothing changes and the answer is 0 too).
  int32_t store(LLKBObject* object) noexcept;
  // YES when an equal object is held.
  bool contains(LLKBObject* object) noexcept;
  // Takes out the held object equal to this one (which may be another object).
  int32_t remove(LLKBObject* object) noexcept;
  // 5 past the end.
  int32_t removeAtIndex(uint64_t index) noexcept;
  // By position in the order; nil past the end.
  LLKBObject* fetchAtIndex(uint64_t index) noexcept;
  // Every object, in order.
  void clear() noexcept;

  // ---- Size and pool ----
  uint64_t count() noexcept;
  uint64_t capacity() noexcept;
  // Larger: adds the difference to the pool (2, nothing changed, when it cannot be filled).
  // Smaller: records max(n, count) and removes the difference from the pool (as far as it holds
  // spares); 0.
  int32_t resize(uint64_t capacity) noexcept;

  // ---- Copies ----
  // The same capacity and objects in order; deep: each object's copy (nil when one is not
  // copyable).
  LLKCKeyring* initWithCopy_deep(LLKBObject* source, bool deep) noexcept override;
  LLKCKeyring* copy() noexcept override;
  LLKCKeyring* deepCopy() noexcept override;

  // ---- Coding ----
  // The encodable objects in order, then "count" and "capacity"; decoding stores each again.
  bool encodeWithCoder(LLKBEncoder* coder) noexcept override;
  LLKCKeyring* initWithCoder(LLKBDecoder* coder) noexcept override;

 protected:
  ~LLKCKeyring() override;  // releases every object
};

// Range-for over a keyring (it is no container, so the generic overloads do not apply); nil
// iterates nothing. Changing the keyring while iterating it is not allowed.
inline LLKIndexIterator<LLKCKeyring> begin(LLKCKeyring* ring) noexcept { return LLKIndexIterator<LLKCKeyring>(ring, 0); }
inline LLKIndexIterator<LLKCKeyring> end(LLKCKeyring* ring) noexcept {
  return LLKIndexIterator<LLKCKeyring>(ring, ring != nullptr ? ring->count() : 0);
}

#endif  // TXQ_LLK_COLLECTIONS_LLKCKEYRING_H
