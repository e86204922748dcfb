#ifndef TXQ_LLK_COLLECTIONS_LLKCOBJECTMAPBUCKET_P_H
#define TXQ_LLK_COLLECTIONS_LLKCOBJECTMAPBUCKET_P_H
// Internal (never installed): LLKCObjectMapBucket, one bucket of an LLKCObjectMap's hash table:
// the entries (2-slot tuples: key, value) whose keys share one hash code, in the order they came.
// Ownership: the bucket owns mList; the map owns the bucket (in its table or its spare pool).
// Threads:   those of its map.
// Failure:   init answers nil when the list cannot be made.

#include <txq/llk/collections/LLKBucketHash_p.h>  // first: configures uthash

#include <cstdint>

#include <txq/llk/object/LLKBObject.h>

class LLKCObjectDeque;

class LLKCObjectMapBucket : public LLKBObject {
  LLK_OBJECT(LLKCObjectMapBucket, LLKBObject)

 public:
  uint32_t mHash;            // the keys' hash code: the bucket's key in the table
  LLKCObjectDeque* mList;    // retained; the entries with that hash
  UT_hash_handle mHandle;    // the table's links

  // An empty list of one slot (most buckets hold one entry).
  LLKCObjectMapBucket* init() noexcept override;
  // Back to the state of a spare bucket: hash 0, no links. The list must be empty.
  void clear() noexcept;

 protected:
  ~LLKCObjectMapBucket() override;  // releases the list
};

#endif  // TXQ_LLK_COLLECTIONS_LLKCOBJECTMAPBUCKET_P_H
