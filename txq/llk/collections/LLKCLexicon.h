#ifndef TXQ_LLK_COLLECTIONS_LLKCLEXICON_H
#define TXQ_LLK_COLLECTIONS_LLKCLEXICON_H
// LLKCLexicon: typed values (booleans, integers, reals, codes, raw pointers, objects) under object
// keys, kept in the order their keys were first stored. LLKCDictionary is the same with a user tag
// and a text file form.
//
//   LLKCLexicon* settings = LLKCLexicon::lexiconWithCapacity(8);
//   settings->storeUint_forKey(8080, "port"_llk);             // 0
//   settings->uintForKey("port"_llk);                         // 8080
//   int64_t n = 0;
//   settings->fetchSint_forKey(&n, "port"_llk);               // 20: it holds a uint; n untouched
//
// Keys: an entry is identified by its key's hashCode alone, so two keys with equal hash codes are
// one entry whatever compareTo says (the first key object stays). Keys must keep their hash code
// while stored; only LLKCString keys can be encoded.
// Order: a new key joins at the end; storing again under a key replaces value and type and keeps
// the entry's place; removals close up the order. capacity() counts entries plus spare nodes.
// Types (kBool ... kCode, LLKCNumber's numbering): a fetch of another type answers 20 and writes
// nothing; the getters answer zero (or the given default) when the key is absent or of another type.
// Coding: each entry in order (key characters, type byte, value), then "count" and "capacity"
//         keyed. Void values and objects that do not adopt LLKPEncodable are left out; a key that is
//         not an LLKCString makes encodeWithCoder answer NO.
// Ownership: factories, copies and allKeys autoreleased; init... +1. Keys and object values are
//            retained while stored and released when their entry leaves (removal, clear, dealloc);
//            void pointers are only held. Getters answer borrowed objects.
// Threads:   one thread at a time (no locks).
// Failure:   llk::Status: 24 nil key or nil object, 5 absent, 20 another type, 2 no memory
//            (nothing changed); nil from factories, copies and a failed decoding.

#include <cstdint>

#include <txq/llk/object/LLKBObject.h>
#include <txq/llk/values/LLKCCode.h>

class LLKCObjectDeque;

class LLK_EXPORT LLKCLexicon : public LLKBObject {
  LLK_OBJECT(LLKCLexicon, LLKBObject)

 public:
  // Value types, as contains_type reports them.
  static constexpr uint32_t kBool = 0;
  static constexpr uint32_t kSint = 2;
  static constexpr uint32_t kUint = 3;
  static constexpr uint32_t kReal = 4;
  static constexpr uint32_t kVoid = 6;    // a raw pointer: neither retained nor coded
  static constexpr uint32_t kObject = 7;  // retained
  static constexpr uint32_t kCode = 8;    // an LLKTCode by value

  struct private_t;  // defined in LLKCLexicon.cpp
  private_t* iPrivate;

  // ---- Creation ----
  LLKCLexicon* init() noexcept override;  // no spare nodes
  // n spare nodes made in advance (nil when they cannot all be made).
  static LLKCLexicon* lexiconWithCapacity(uint64_t capacity) noexcept;
  LLKCLexicon* initWithCapacity(uint64_t capacity) noexcept;

  // ---- Size ----
  uint64_t count() const noexcept;
  uint64_t capacity() const noexcept;  // entries plus spare nodes
  // Makes spare nodes up to a capacity of max(n, count) (2 when not all could be made; those made
  // stay), or frees spare nodes down to it. 0.
  int32_t resize(uint64_t capacity) noexcept;

  // ---- Storing ----  (insert or replace; 0, 24 nil key or object, 2 no memory)
  int32_t storeBool_forKey(bool value, LLKBObject* key) noexcept;
  int32_t storeSint_forKey(int64_t value, LLKBObject* key) noexcept;
  int32_t storeUint_forKey(uint64_t value, LLKBObject* key) noexcept;
  int32_t storeReal_forKey(double value, LLKBObject* key) noexcept;
  int32_t storeCode_forKey(LLKTCode value, LLKBObject* key) noexcept;
  int32_t storeVoid_forKey(void* value, LLKBObject* key) noexcept;
  int32_t storeObject_forKey(LLKBObject* value, LLKBObject* key) noexcept;

  // ---- Fetching ----  (0 with *value written; 5 absent; 20 another type, *value untouched)
  int32_t fetchBool_forKey(bool* value, LLKBObject* key) noexcept;
  int32_t fetchSint_forKey(int64_t* value, LLKBObject* key) noexcept;
  int32_t fetchUint_forKey(uint64_t* value, LLKBObject* key) noexcept;
  int32_t fetchReal_forKey(double* value, LLKBObject* key) noexcept;
  int32_t fetchCode_forKey(LLKTCode* value, LLKBObject* key) noexcept;
  int32_t fetchVoid_forKey(void** value, LLKBObject* key) noexcept;
  int32_t fetchObject_forKey(LLKBObject** value, LLKBObject* key) noexcept;

  // ---- Getters ----  (NO, 0, 0.0, an all-zero code, null or nil when absent or of another type)
  bool boolForKey(LLKBObject* key) noexcept;
  int64_t sintForKey(LLKBObject* key) noexcept;
  uint64_t uintForKey(LLKBObject* key) noexcept;
  double realForKey(LLKBObject* key) noexcept;
  LLKTCode codeForKey(LLKBObject* key) noexcept;
  void* voidForKey(LLKBObject* key) noexcept;
  LLKBObject* objectForKey(LLKBObject* key) noexcept;
  // The same answering `fallback` in those cases.
  bool boolForKey_withDefault(LLKBObject* key, bool fallback) noexcept;
  int64_t sintForKey_withDefault(LLKBObject* key, int64_t fallback) noexcept;
  uint64_t uintForKey_withDefault(LLKBObject* key, uint64_t fallback) noexcept;
  double realForKey_withDefault(LLKBObject* key, double fallback) noexcept;
  LLKTCode codeForKey_withDefault(LLKBObject* key, LLKTCode fallback) noexcept;
  void* voidForKey_withDefault(LLKBObject* key, void* fallback) noexcept;
  LLKBObject* objectForKey_withDefault(LLKBObject* key, LLKBObject* fallback) noexcept;

  // ---- Keys ----
  bool contains(LLKBObject* key) noexcept;
  // The same, storing the entry's type when found and `type` is not null.
  bool contains_type(LLKBObject* key, uint32_t* type) noexcept;
  // 5 when absent; else the entry leaves and its key (and object value) are released. 0.
  int32_t remove(LLKBObject* key) noexcept;
  // The key at a position in insertion order; nil past the end.
  LLKBObject* keyAtIndex(uint64_t index) noexcept;
  // A new deque of the keys in order (nil when it cannot be made).
  LLKCObjectDeque* allKeys() noexcept;
  // Every entry leaves; the nodes become spare ones.
  void clear() noexcept;

  // ---- Coding and copies ----
  bool encodeWithCoder(LLKBEncoder* coder) noexcept override;
  LLKCLexicon* initWithCoder(LLKBDecoder* coder) noexcept override;
  // The same entries in the same order with the source's capacity (deep: each object value's copy;
  // nil when one cannot be copied).
  LLKCLexicon* initWithCopy_deep(LLKBObject* source, bool deep) noexcept override;
  LLKCLexicon* copy() noexcept override;
  LLKCLexicon* deepCopy() noexcept override;

 protected:
  ~LLKCLexicon() override;  // releases every key and object value
};

#endif  // TXQ_LLK_COLLECTIONS_LLKCLEXICON_H
