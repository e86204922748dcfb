#include <txq/llk/collections/LLKCLexicon.h>

#include <txq/llk/collections/LLKContainerMaking_p.h>
#include <txq/llk/collections/LLKKeyedTree_p.h>

struct LLKCLexicon::private_t {
  llk::detail::KeyedTree mTree;
};

LLK_DEFINE_CLASS(LLKCLexicon, LLK_PROTOCOLS(LLKPCopyable, LLKPEncodable), init, initWithCapacity, count, capacity,
                 resize, storeBool_forKey, storeSint_forKey, storeUint_forKey, storeReal_forKey, storeCode_forKey,
                 storeVoid_forKey, storeObject_forKey, fetchBool_forKey, fetchSint_forKey, fetchUint_forKey,
                 fetchReal_forKey, fetchCode_forKey, fetchVoid_forKey, fetchObject_forKey, boolForKey, sintForKey,
                 uintForKey, realForKey, codeForKey, voidForKey, objectForKey, boolForKey_withDefault,
                 sintForKey_withDefault, uintForKey_withDefault, realForKey_withDefault, codeForKey_withDefault,
                 voidForKey_withDefault, objectForKey_withDefault, contains, contains_type, remove, keyAtIndex,
                 allKeys, clear, encodeWithCoder, initWithCoder, initWithCopy_deep, copy, deepCopy)

LLKCLexicon* LLKCLexicon::init() noexcept { return llk::detail::initKeyed(this, 0); }

LLKCLexicon* LLKCLexicon::lexiconWithCapacity(uint64_t capacity) noexcept {
  return llk::detail::autoreleasedNew(&LLKCLexicon::initWithCapacity, capacity);
}

LLKCLexicon* LLKCLexicon::initWithCapacity(uint64_t capacity) noexcept {
  return llk::detail::initKeyed(this, capacity);
}

LLKCLexicon::~LLKCLexicon() { delete iPrivate; }

LLKCLexicon* LLKCLexicon::initWithCopy_deep(LLKBObject* source, bool deep) noexcept {
  return llk::detail::initKeyedCopy(this, source, deep);
}

LLK_KEYED_TYPED_OPERATIONS_(LLKCLexicon)
