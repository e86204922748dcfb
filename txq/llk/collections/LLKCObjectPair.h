#ifndef TXQ_LLK_COLLECTIONS_LLKCOBJECTPAIR_H
#define TXQ_LLK_COLLECTIONS_LLKCOBJECTPAIR_H
// LLKCObjectPair: two objects used together as one key (a head and an optional tail), for the
// keyed containers. A pair orders and hashes by its parts, and a pair can be found by its bare head:
// compared with an object that is not a pair, a pair answers its head's comparison with it.
//
//   LLKCObjectPair* key = LLKCObjectPair::pairWithHead_andTail("users"_llk, "42"_llk);
//   key->toString();               // "users.42"
//   key->compareTo("users"_llk);   // 0: the head matches
//
// Hashing: hashCodeWithFunction_andContext feeds the head's pieces, then the tail's when there is
// one; hashCode is that over a fresh MaPrime state, computed once. A pair without a tail therefore
// hashes as its head does, while a pair with a tail hashes differently from its head even though
// the two compare equal: a keyed container that hashes first finds a pair by its head only when
// the pair has no tail.
// Ownership: factory and copies autoreleased; init... +1. Head and tail retained.
// Threads:   unchanging after creation: any thread may read it; the hash cache is atomic.
// Failure:   no memory, or a deep copy of a part that cannot be copied, answers nil.

#include <cstdint>

#include <txq/llk/object/LLKBObject.h>

class LLK_EXPORT LLKCObjectPair : public LLKBObject {
  LLK_OBJECT(LLKCObjectPair, LLKBObject)

 public:
  LLKBObject* iHead;  // retained; may be nil
  LLKBObject* iTail;  // retained; may be nil
  uint32_t iHash;     // cached hashCode; 0 means not yet computed (read and written atomically)

  // ---- Creation ----
  static LLKCObjectPair* pairWithHead_andTail(LLKBObject* head, LLKBObject* tail) noexcept;
  LLKCObjectPair* initWithHead_andTail(LLKBObject* head, LLKBObject* tail) noexcept;

  // ---- Parts ----
  LLKBObject* head() const noexcept { return iHead; }
  LLKBObject* tail() const noexcept { return iTail; }

  // ---- Value protocols ----
  // Another pair: the heads' comparison when it is not 0 or when either tail is nil, else the
  // tails'. Any other object: the head's compareTo with it. A missing part orders before any
  // object and equals another missing part.
  int32_t compareTo(LLKBObject* other) noexcept override;
  uint32_t hashCode() noexcept override;
  uint32_t hashCodeWithFunction_andContext(LLKFHashFeed function, void* context) noexcept override;
  // The head's text, a '.', the tail's text; just the head's without a tail, just the tail's
  // without a head; nil when neither part exists. A part without a text form counts as empty.
  // toStringBuilder (both forms) builds the same text.
  LLKCString* toString() noexcept override;
  // Shallow: the same parts. Deep: a copy of each part; a part that cannot be copied gives nil.
  LLKCObjectPair* initWithCopy_deep(LLKBObject* source, bool deep) noexcept override;
  LLKCObjectPair* copy() noexcept override;
  LLKCObjectPair* deepCopy() noexcept override;

  // ---- Coding ----
  // The head under the key "head" and the tail under "tail" (a nil part is not written); NO
  // when a part that is there is not encodable.
  bool encodeWithCoder(LLKBEncoder* coder) noexcept override;
  LLKCObjectPair* initWithCoder(LLKBDecoder* coder) noexcept override;

 protected:
  ~LLKCObjectPair() override;  // releases head and tail
};

#endif  // TXQ_LLK_COLLECTIONS_LLKCOBJECTPAIR_H
