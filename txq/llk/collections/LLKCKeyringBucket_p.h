#ifndef TXQ_LLK_COLLECTIONS_LLKCKEYRINGBUCKET_P_H
#define TXQ_LLK_COLLECTIONS_LLKCKEYRINGBUCKET_P_H
// Internal (never installed): LLKCKeyringBucket, one bucket of an LLKCKeyring's hash table: the
// objects that share one hash code (none of them equal to another), in the order they came.
// Ownership: the bucket owns mList; the keyring owns the bucket (in its table or its spare pool).
// Threads:   those of its keyring.
// Failure:   init answers nil when the list cannot be made.

#include <txq/llk/collections/LLKBucketHash_p.h>  // first: configures uthash

#include <cstdint>

#include <txq/llk/object/LLKBObject.h>

class LLKCObjectDeque;

class LLKCKeyringBucket : public LLKBObject {
  LLK_OBJECT(LLKCKeyringBucket, LLKBObject)

 public:
  uint32_t mHash;            // the objects' hash code: the bucket's key in the table
  LLKCObjectDeque* mList;    // retained; the objects with that hash
  UT_hash_handle mHandle;    // the table's links

  // An empty list of one slot (most buckets hold one object).
  LLKCKeyringBucket* init() noexcept override;
  // Back to the state of a spare bucket: hash 0, no links. The list must be empty.
  void clear() noexcept;

 protected:
  ~LLKCKeyringBucket() override;  // releases the list
};

#endif  // TXQ_LLK_COLLECTIONS_LLKCKEYRINGBUCKET_P_H
