#ifndef TXQ_LLK_COLLECTIONS_LLKBUCKETHASH_P_H
#define TXQ_LLK_COLLECTIONS_LLKBUCKETHASH_P_H
// Internal (never installed): the hash table of LLKCKeyring. Buckets are objects carrying a
// uthash handle `mHandle` and keyed by their 4-byte `mHash`; these helpers find, add, remove and
// count them.
//
// uthash is configured here, before its header is seen, so that an allocation failure of the
// table never ends the process: the addition is rolled back and llk::bucketAdd answers NO.
// Include this header before anything else that includes <uthash.h>.

#include <cstdint>

#define HASH_NONFATAL_OOM 1
// Expanded inside llk::bucketAdd, where `llkHashFailed` is in scope.
#define uthash_nonfatal_oom(element) (llkHashFailed = true)
#include <uthash.h>

namespace llk {

// The bucket for `hash`, or nil.
template <class B>
inline B* bucketFind(B* head, uint32_t hash) noexcept {
  B* found = nullptr;
  HASH_FIND(mHandle, head, &hash, sizeof hash, found);
  return found;
}

// Adds a bucket whose mHash is set and which is in no table: YES, or NO (table unchanged) when
// uthash could not allocate its table or grow it.
template <class B>
inline bool bucketAdd(B*& head, B* bucket) noexcept {
  bool llkHashFailed = false;
  HASH_ADD(mHandle, head, mHash, sizeof bucket->mHash, bucket);
  return !llkHashFailed;
}

// Takes a bucket out of the table (the table itself is freed with its last bucket).
template <class B>
inline void bucketDelete(B*& head, B* bucket) noexcept {
  HASH_DELETE(mHandle, head, bucket);
}

// The number of buckets in the table.
template <class B>
inline uint64_t bucketCount(const B* head) noexcept {
  return head != nullptr ? head->mHandle.tbl->num_items : 0;
}

}  // namespace llk

#endif  // TXQ_LLK_COLLECTIONS_LLKBUCKETHASH_P_H
