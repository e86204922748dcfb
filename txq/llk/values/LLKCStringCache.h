#ifndef TXQ_LLK_VALUES_LLKCSTRINGCACHE_H
#define TXQ_LLK_VALUES_LLKCSTRINGCACHE_H
// LLKCStringCache: interns strings by content. Asked for a text, it answers one shared LLKCString
// with that text, making it on the first request; the JSON reader uses one to share the strings of
// repeated keys.
//
//   LLKCStringCache* cache = LLKCStringCache::cache();
//   LLKCString* a = cache->store("name");
//   LLKCString* b = cache->store("name");   // a == b
//   cache->fetch("other");                  // nil: never stored
//
// The strings live in an LLKCObjectTable keyed by the library hash of their text (MaPrime, 32 bits);
// an entry is one string, or an LLKCObjectList of the strings whose different texts share that hash,
// so texts that collide stay apart, each its own object.
// Ownership: cache() autoreleased, init +1. The cache holds its strings until clear or dealloc;
//            store and fetch answer borrowed strings (retain one to keep it past those).
// Threads:   one thread at a time (no locks).
// Failure:   no memory answers nil (nothing changed); a null text answers nil.

#include <txq/llk/object/LLKBObject.h>

class LLK_EXPORT LLKCStringCache : public LLKBObject {
  LLK_OBJECT(LLKCStringCache, LLKBObject)

 public:
  struct private_t;  // defined in LLKCStringCache.cpp
  private_t* iPrivate;

  // ---- Creation ----
  static LLKCStringCache* cache() noexcept;
  // The record and its table (128 spare entries); nil on failure.
  LLKCStringCache* init() noexcept override;

  // ---- Strings ----
  // The cached string with this text, made and added when there is none.
  LLKCString* store(const char* text) noexcept;
  // The cached string with this text, or nil.
  LLKCString* fetch(const char* text) noexcept;
  // Lets go of every string.
  void clear() noexcept;

 protected:
  ~LLKCStringCache() override;  // releases the table
};

#endif  // TXQ_LLK_VALUES_LLKCSTRINGCACHE_H
