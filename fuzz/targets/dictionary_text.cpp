// The dictionary text file form from arbitrary bytes: loading any file is harmless, and whatever was
// loaded, once saved whole, loads back as the same keys with equal values in the same order.
#include <unistd.h>

#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

#include <txq/llk/collections/LLKCDictionary.h>
#include <txq/llk/object/LLKAutoreleaseScope.h>
#include <txq/llk/values/LLKCGuid.h>
#include <txq/llk/values/LLKCString.h>

#include "FuzzTarget.h"

namespace {

void require(bool holds, const char* what) {
  if (holds) return;
  std::fprintf(stderr, "dictionary_text: %s\n", what);
  std::abort();
}

// A new empty file in the temporary folder, removed with this object.
class ScratchFile {
 public:
  ScratchFile() {
    const char* folder = std::getenv("TMPDIR");
    name_ = std::string(folder != nullptr && *folder != '\0' ? folder : "/tmp") + "/txq-dictionary-XXXXXX";
    const int fd = mkstemp(name_.data());
    require(fd >= 0, "no temporary file");
    close(fd);
  }
  ~ScratchFile() { unlink(name_.c_str()); }
  ScratchFile(const ScratchFile&) = delete;
  ScratchFile& operator=(const ScratchFile&) = delete;
  LLKCString* path() const { return LLKCString::stringWithChars(name_.c_str()); }
  void write(const uint8_t* data, size_t size) const {
    FILE* file = std::fopen(name_.c_str(), "wb");
    require(file != nullptr && (size == 0 || std::fwrite(data, 1, size, file) == size) && std::fclose(file) == 0,
            "cannot write the input");
  }

 private:
  std::string name_;
};

// Strings and GUIDs compare by value; other objects (from the encoded form) by class.
bool sameObject(LLKBObject* a, LLKBObject* b) {
  if (a == nullptr || b == nullptr || std::strcmp(a->className(), b->className()) != 0) return false;
  if (llk::isa<LLKCString>(a) || llk::isa<LLKCGuid>(a)) return a->compareTo(b) == 0;
  return true;
}

bool sameValue(LLKCDictionary* a, LLKCDictionary* b, LLKBObject* key, uint32_t type) {
  switch (type) {
    case LLKCDictionary::kBool: return a->boolForKey(key) == b->boolForKey(key);
    case LLKCDictionary::kSint: return a->sintForKey(key) == b->sintForKey(key);
    case LLKCDictionary::kUint: return a->uintForKey(key) == b->uintForKey(key);
    case LLKCDictionary::kReal: {
      const double x = a->realForKey(key);
      const double y = b->realForKey(key);
      return std::isnan(x) ? std::isnan(y) : std::memcmp(&x, &y, sizeof x) == 0;
    }
    case LLKCDictionary::kCode: {
      const LLKTCode x = a->codeForKey(key);
      const LLKTCode y = b->codeForKey(key);
      return x.mUid == y.mUid && x.mTag == y.mTag && x.mCtx == y.mCtx;
    }
    case LLKCDictionary::kObject: return sameObject(a->objectForKey(key), b->objectForKey(key));
    default: return false;  // nothing else is ever loaded
  }
}

}  // namespace

TXQ_FUZZ_TARGET(dictionary_text) {
  llk::AutoreleaseScope pool;
  ScratchFile input;
  ScratchFile saved;
  input.write(data, size);
  LLKCDictionary* first = LLKCDictionary::dictionaryWithCapacity(0);
  first->loadFromFile(input.path());  // a stop keeps what came before it
  // A key that cannot be written (edge spaces, CR, ...) or an object that cannot be encoded
  // refuses the save; the rest must read back.
  if (!first->saveIntoFile(saved.path())) return 0;
  LLKCDictionary* second = LLKCDictionary::dictionaryWithCapacity(0);
  require(second->loadFromFile(saved.path()), "a saved file does not load");
  require(second->count() == first->count(), "the count changed");
  for (uint64_t i = 0; i < first->count(); ++i) {
    LLKBObject* key = first->keyAtIndex(i);
    require(key->compareTo(second->keyAtIndex(i)) == 0, "a key changed or moved");
    uint32_t firstType = 0;
    uint32_t secondType = 1;
    first->contains_type(key, &firstType);
    second->contains_type(key, &secondType);
    require(firstType == secondType, "a type changed");
    require(sameValue(first, second, key, firstType), "a value changed");
  }
  return 0;
}
