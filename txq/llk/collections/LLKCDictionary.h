#ifndef TXQ_LLK_COLLECTIONS_LLKCDICTIONARY_H
#define TXQ_LLK_COLLECTIONS_LLKCDICTIONARY_H
// LLKCDictionary: typed values (booleans, integers, reals, codes, raw pointers, objects) under object
// keys, kept in the order their keys were first stored, with a user tag and a line-oriented text
// file form. LLKCLexicon is the same without tag and file form.
//
//   LLKCDictionary* config = LLKCDictionary::dictionaryFromFile("/etc/app.conf"_llk);   // or nil
//   uint64_t port = config->uintForKey_withDefault("port"_llk, 8080);
//   config->storeObject_forKey("guest"_llk, "user"_llk);
//   config->saveIntoFile("/etc/app.conf"_llk);                                          // YES
//
// Keys: an entry is identified by its key's hashCode alone, so two keys with equal hash codes are
// one entry whatever compareTo says (the first key object stays). Keys must keep their hash code
// while stored; only LLKCString keys can be saved or encoded.
// Order: a new key joins at the end; storing again under a key replaces value and type and keeps
// the entry's place; removals close up the order. capacity() counts entries plus spare nodes.
// Types (kBool ... kCode, LLKCNumber's numbering): a fetch of another type answers 20 and writes
// nothing; the getters answer zero (or the given default) when the key is absent or of another type.
//
// File form: one line per entry in order, "key = value", the value written as
//   yes / no                bool            -3s   sint           7u     uint
//   2.500000f               real (six decimals, or as many digits as it takes to read back exactly)
//   1.2.3c                  code (uid.tag.ctx)
//   "text"                  a string (LLKCString or subclass) free of '"', CR, LF, zero bytes and
//                           edge spaces, as it is
//   {guid}                  an LLKCGuid, in its text form
//   [base64]                a binary stream holding the object alone: the other strings, and any
//                           other object adopting LLKPEncodable
// Void values and objects of none of these kinds are not written. Reading also takes a hexadecimal
// uint ("1fx"); it skips empty lines, lines starting with ';' and lines without '='; it trims spaces
// around key and value; a value it does not recognise is skipped. A key over 255 characters stops
// loadFromFile with NO (the lines before it stay stored).
// saveIntoFile answers NO, leaving the lines written so far, when a key cannot be written so that it
// reads back the same (not an LLKCString; empty or over 255 characters; holding '=', CR, LF or a zero
// byte; starting with ';' or a space; ending with a space), when an object cannot be encoded, or on
// a write error. A file saved whole loads back as the same entries (all but those left out).
// Coding: each entry in order (key characters, type byte, value), then "count" and "capacity"
//         keyed; the tag is not coded. Void values and objects that do not adopt LLKPEncodable are
//         left out; a key that is not an LLKCString makes encodeWithCoder answer NO.
// Ownership: factories, copies and allKeys autoreleased; init... +1. Keys and object values are
//            retained while stored and released when their entry leaves (removal, clear, dealloc);
//            void pointers are only held. Getters answer borrowed objects.
// Threads:   one thread at a time (no locks).
// Failure:   llk::Status: 24 nil key or nil object, 5 absent, 20 another type, 2 no memory
//            (nothing changed); nil from factories, copies and a failed decoding; NO from files.

#include <cstdint>

#include <txq/llk/object/LLKBObject.h>
#include <txq/llk/values/LLKCCode.h>

class LLKCObjectDeque;
class LLKCString;

class LLK_EXPORT LLKCDictionary : public LLKBObject {
  LLK_OBJECT(LLKCDictionary, LLKBObject)

 public:
  // Value types, as contains_type reports them.
  static constexpr uint32_t kBool = 0;
  static constexpr uint32_t kSint = 2;
  static constexpr uint32_t kUint = 3;
  static constexpr uint32_t kReal = 4;
  static constexpr uint32_t kVoid = 6;    // a raw pointer: neither retained nor coded
  static constexpr uint32_t kObject = 7;  // retained
  static constexpr uint32_t kCode = 8;    // an LLKTCode by value

  struct private_t;  // defined in LLKCDictionary.cpp
  private_t* iPrivate;

  // ---- Creation ----
  LLKCDictionary* init() noexcept override;  // no spare nodes
  // n spare nodes made in advance (nil when they cannot all be made).
  static LLKCDictionary* dictionaryWithCapacity(uint64_t capacity) noexcept;
  LLKCDictionary* initWithCapacity(uint64_t capacity) noexcept;
  // A new dictionary (capacity 16) filled by loadFromFile; nil when that answers NO.
  static LLKCDictionary* dictionaryFromFile(LLKCString* path) noexcept;

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

  // ---- Tag ----  (the user's; 0 at creation)
  uint64_t tag() const noexcept;
  void setTag(uint64_t tag) noexcept;

  // ---- Text file ----  (the form above)
  // Creates or truncates the file. NO when it cannot be opened or an entry cannot be written.
  bool saveIntoFile(LLKCString* path) noexcept;
  // Stores every entry the file holds, replacing values under keys already present. NO when the
  // file cannot be opened or read, a key is too long, or a store fails (what was read stays).
  bool loadFromFile(LLKCString* path) noexcept;

  // ---- Coding and copies ----
  bool encodeWithCoder(LLKBEncoder* coder) noexcept override;
  LLKCDictionary* initWithCoder(LLKBDecoder* coder) noexcept override;
  // The same tag and entries in the same order with the source's capacity (deep: each object value's copy;
  // nil when one cannot be copied).
  LLKCDictionary* initWithCopy_deep(LLKBObject* source, bool deep) noexcept override;
  LLKCDictionary* copy() noexcept override;
  LLKCDictionary* deepCopy() noexcept override;

 protected:
  ~LLKCDictionary() override;  // releases every key and object value
};

#endif  // TXQ_LLK_COLLECTIONS_LLKCDICTIONARY_H
