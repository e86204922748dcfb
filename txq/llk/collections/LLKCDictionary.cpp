#include <txq/llk/collections/LLKCDictionary.h>

#include <sys/types.h>

#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string_view>

#include <txq/llk/coding/LLKCBinaryDecoder.h>
#include <txq/llk/coding/LLKCBinaryEncoder.h>
#include <txq/llk/coding/LLKCMemoryIO.h>
#include <txq/llk/collections/LLKContainerMaking_p.h>
#include <txq/llk/collections/LLKKeyedTree_p.h>
#include <txq/llk/object/LLKAutoreleaseScope.h>
#include <txq/llk/values/LLKCData.h>
#include <txq/llk/values/LLKCGuid.h>
#include <txq/llk/values/LLKCString.h>
#include <txq/llk/values/LLKFBase64.h>

struct LLKCDictionary::private_t {
  uint64_t mTag = 0;
  llk::detail::KeyedTree mTree;
};

LLK_DEFINE_CLASS(LLKCDictionary, LLK_PROTOCOLS(LLKPCopyable, LLKPEncodable), init, initWithCapacity, count, capacity,
                 resize, storeBool_forKey, storeSint_forKey, storeUint_forKey, storeReal_forKey, storeCode_forKey,
                 storeVoid_forKey, storeObject_forKey, fetchBool_forKey, fetchSint_forKey, fetchUint_forKey,
                 fetchReal_forKey, fetchCode_forKey, fetchVoid_forKey, fetchObject_forKey, boolForKey, sintForKey,
                 uintForKey, realForKey, codeForKey, voidForKey, objectForKey, boolForKey_withDefault,
                 sintForKey_withDefault, uintForKey_withDefault, realForKey_withDefault, codeForKey_withDefault,
                 voidForKey_withDefault, objectForKey_withDefault, contains, contains_type, remove, keyAtIndex,
                 allKeys, clear, tag, setTag, saveIntoFile, loadFromFile, encodeWithCoder, initWithCoder,
                 initWithCopy_deep, copy, deepCopy)

namespace {

using llk::detail::KeyedNode;
using llk::detail::KeyedTree;
using llk::detail::KeyedValue;

constexpr size_t kMaxKeyLength = 255;
constexpr std::string_view kKeyBreakers{"=\r\n\0", 4};
constexpr std::string_view kQuoteBreakers{"\"\r\n\0", 4};

// ---- Writing ----

// YES when the key, written at the start of a line, reads back as the same text.
bool isWritableKey(const LLKCString* key) noexcept {
  if (key == nullptr) return false;
  const std::string_view text = key->view();
  return !text.empty() && text.size() <= kMaxKeyLength && text.front() != ';' && text.front() != ' ' &&
         text.back() != ' ' && text.find_first_of(kKeyBreakers) == std::string_view::npos;
}

// YES when the text can stand between double quotes and read back the same.
bool isQuotable(std::string_view text) noexcept {
  if (!text.empty() && (text.front() == ' ' || text.back() == ' ')) return false;
  return text.find_first_of(kQuoteBreakers) == std::string_view::npos;
}

// The base64 text (malloc'ed, zero-terminated) of a binary stream holding the object alone; null
// when it cannot be encoded or memory runs out.
char* encodedText(LLKBObject* object) noexcept {
  LLKCMemoryIO* memory = LLKCMemoryIO::alloc();
  if (memory != nullptr) memory = memory->initWithLength_andBlockSize(128, 128);
  LLKCBinaryEncoder* encoder = LLKCBinaryEncoder::alloc();
  if (encoder != nullptr) encoder = encoder->init();
  char* text = nullptr;
  if (memory != nullptr && encoder != nullptr && encoder->beginWithTarget(memory) && encoder->encodeObject(object) &&
      encoder->cease()) {
    const uint64_t length = memory->position();
    const uint64_t size = LLKFBase64ComputeEncodedSize(length);
    text = size > 0 && size < SIZE_MAX ? static_cast<char*>(std::malloc(size + 1)) : nullptr;
    if (text != nullptr &&
        LLKFBase64Encode(static_cast<const uint8_t*>(memory->bytes()), length, text, size + 1) != size) {
      std::free(text);
      text = nullptr;
    }
  }
  llk::release(encoder);  // ceases a stream left open
  llk::release(memory);
  return text;
}

// A real as text that reads back as the same value: six decimals when they are enough, else 17
// significant digits.
void formatReal(double value, char* out, size_t size) noexcept {
  std::snprintf(out, size, "%.6f", value);
  if (std::isnan(value) || std::strtod(out, nullptr) == value) return;
  std::snprintf(out, size, "%.17g", value);
}

// Writes an object's line; YES also for an object of a kind the file leaves out.
bool writeObject(FILE* file, const char* key, LLKBObject* object) noexcept {
  if (auto* string = llk::cast<LLKCString>(object); string != nullptr && isQuotable(string->view())) {
    return std::fprintf(file, "%s = \"%s\"\n", key, string->chars()) >= 0;
  }
  if (auto* guid = llk::cast<LLKCGuid>(object); guid != nullptr) {
    LLKCString* text = guid->toString();
    return text != nullptr && std::fprintf(file, "%s = {%s}\n", key, text->chars()) >= 0;
  }
  if (!llk::isa<LLKCString>(object) && !llk::conformsTo(object, &LLKPEncodable::kProtocol)) return true;
  char* text = encodedText(object);
  const bool written = text != nullptr && std::fprintf(file, "%s = [%s]\n", key, text) >= 0;
  std::free(text);
  return written;
}

// YES when the entry was written or is of a kind the file leaves out.
bool writeEntry(FILE* file, const KeyedNode* node) noexcept {
  const KeyedValue& value = node->mValue;
  if (node->mType == llk::detail::kKeyedVoid) return true;
  if (node->mType == llk::detail::kKeyedObject && !llk::isa<LLKCString>(value.mObject) &&
      !llk::conformsTo(value.mObject, &LLKPEncodable::kProtocol) && !llk::isa<LLKCGuid>(value.mObject)) {
    return true;
  }
  LLKCString* keyString = llk::cast<LLKCString>(node->mKey);
  if (!isWritableKey(keyString)) return false;
  const char* key = keyString->chars();
  switch (node->mType) {
    case llk::detail::kKeyedBool:
      return std::fprintf(file, "%s = %s\n", key, value.mBool ? "yes" : "no") >= 0;
    case llk::detail::kKeyedSint:
      return std::fprintf(file, "%s = %llds\n", key, static_cast<long long>(value.mSint)) >= 0;
    case llk::detail::kKeyedUint:
      return std::fprintf(file, "%s = %lluu\n", key, static_cast<unsigned long long>(value.mUint)) >= 0;
    case llk::detail::kKeyedReal: {
      char text[512];  // the longest, -DBL_MAX with six decimals, takes 316 characters
      formatReal(value.mReal, text, sizeof text);
      return std::fprintf(file, "%s = %sf\n", key, text) >= 0;
    }
    case llk::detail::kKeyedCode:
      return std::fprintf(file, "%s = %u.%u.%uc\n", key, value.mCode.mUid, value.mCode.mTag, value.mCode.mCtx) >= 0;
    case llk::detail::kKeyedObject:
      return writeObject(file, key, value.mObject);
    default:
      return true;
  }
}

// ---- Reading ----

enum class Parsed { kValue, kSkip, kFail };

std::string_view trimSpaces(std::string_view text) noexcept {
  while (!text.empty() && text.front() == ' ') text.remove_prefix(1);
  while (!text.empty() && text.back() == ' ') text.remove_suffix(1);
  return text;
}

// The object in a binary stream given as base64 text (autoreleased); nil when there is none.
LLKBObject* decodedObject(const char* text) noexcept {
  LLKCData* data = LLKFBase64DecodeFromChars(text);
  if (data == nullptr) return nullptr;
  LLKCMemoryIO* memory = LLKCMemoryIO::alloc();
  if (memory != nullptr) memory = memory->initWithBytesNoCopy_length(data->bytes(), data->length());
  LLKCBinaryDecoder* decoder = LLKCBinaryDecoder::alloc();
  if (decoder != nullptr) decoder = decoder->init();
  LLKBObject* object = nullptr;
  if (memory != nullptr && decoder != nullptr && decoder->beginWithSource(memory)) {
    object = decoder->decodeObject();
    decoder->cease();
  }
  llk::release(decoder);
  llk::release(memory);
  return object;
}

// Recognises a trimmed value; `text` holds `length` characters and may be changed in place (room
// for a terminating zero at text[length] included).
Parsed parseValue(char* text, size_t length, uint32_t* type, KeyedValue* value) noexcept {
  text[length] = '\0';
  const std::string_view view(text, length);
  if (view == "yes" || view == "no") {
    *type = llk::detail::kKeyedBool;
    value->mBool = view == "yes";
    return Parsed::kValue;
  }
  if (length == 0) return Parsed::kSkip;
  const char first = text[0];
  const char last = text[length - 1];
  if (length >= 2 && ((first == '"' && last == '"') || (first == '{' && last == '}') ||
                      (first == '[' && last == ']'))) {
    LLKBObject* object = nullptr;
    if (first == '"') {
      object = LLKCString::stringWithChars_length(text + 1, length - 2);
      if (object == nullptr) return Parsed::kFail;  // no memory
    } else {
      text[length - 1] = '\0';
      object = first == '{' ? static_cast<LLKBObject*>(LLKCGuid::guidFromChars(text + 1)) : decodedObject(text + 1);
      if (object == nullptr) return Parsed::kSkip;
    }
    *type = llk::detail::kKeyedObject;
    value->mObject = object;
    return Parsed::kValue;
  }
  int scanned = 0;
  switch (last) {
    case 'c': {
      unsigned uid = 0, tag = 0, ctx = 0;
      scanned = std::sscanf(text, "%u.%u.%uc", &uid, &tag, &ctx) == 3 ? 1 : 0;
      value->mCode = LLKTCode{uid, tag, ctx};
      *type = llk::detail::kKeyedCode;
      break;
    }
    case 'f':
      scanned = std::sscanf(text, "%lff", &value->mReal);
      *type = llk::detail::kKeyedReal;
      break;
    case 's': {
      long long sint = 0;
      scanned = std::sscanf(text, "%llds", &sint);
      value->mSint = sint;
      *type = llk::detail::kKeyedSint;
      break;
    }
    case 'u':
    case 'x': {
      unsigned long long uint = 0;
      scanned = std::sscanf(text, last == 'u' ? "%lluu" : "%llxx", &uint);
      value->mUint = uint;
      *type = llk::detail::kKeyedUint;
      break;
    }
    default:
      break;
  }
  return scanned == 1 ? Parsed::kValue : Parsed::kSkip;
}

// One line as getline gave it (`length` characters, zero-terminated). NO stops the loading.
bool loadLine(KeyedTree& tree, char* line, size_t length) noexcept {
  if (length > 0 && line[length - 1] == '\n') {
    --length;
    if (length > 0 && line[length - 1] == '\r') --length;
  }
  line[length] = '\0';
  length = std::strlen(line);  // a zero byte ends the text
  if (length == 0 || line[0] == ';') return true;
  char* equal = static_cast<char*>(std::memchr(line, '=', length));
  if (equal == nullptr) return true;
  const std::string_view key = trimSpaces(std::string_view(line, static_cast<size_t>(equal - line)));
  if (key.size() > kMaxKeyLength) return false;
  const std::string_view text = trimSpaces(std::string_view(equal + 1, static_cast<size_t>(line + length - equal - 1)));
  uint32_t type = 0;
  KeyedValue value{};
  switch (parseValue(const_cast<char*>(text.data()), text.size(), &type, &value)) {
    case Parsed::kSkip: return true;
    case Parsed::kFail: return false;
    case Parsed::kValue: break;
  }
  LLKCString* keyString = LLKCString::stringWithChars_length(key.data(), key.size());
  return keyString != nullptr && tree.store(keyString, type, value) == llk::kDone;
}

}  // namespace

// ---- Creation ----

LLKCDictionary* LLKCDictionary::init() noexcept { return llk::detail::initKeyed(this, 0); }

LLKCDictionary* LLKCDictionary::dictionaryWithCapacity(uint64_t capacity) noexcept {
  return llk::detail::autoreleasedNew(&LLKCDictionary::initWithCapacity, capacity);
}

LLKCDictionary* LLKCDictionary::initWithCapacity(uint64_t capacity) noexcept {
  return llk::detail::initKeyed(this, capacity);
}

LLKCDictionary* LLKCDictionary::dictionaryFromFile(LLKCString* path) noexcept {
  LLKCDictionary* dictionary = dictionaryWithCapacity(16);
  return dictionary != nullptr && dictionary->loadFromFile(path) ? dictionary : nullptr;
}

LLKCDictionary::~LLKCDictionary() { delete iPrivate; }

LLKCDictionary* LLKCDictionary::initWithCopy_deep(LLKBObject* source, bool deep) noexcept {
  if (llk::detail::initKeyedCopy(this, source, deep) == nullptr) return nullptr;
  iPrivate->mTag = static_cast<LLKCDictionary*>(source)->iPrivate->mTag;
  return this;
}

// ---- Tag ----

uint64_t LLKCDictionary::tag() const noexcept { return iPrivate->mTag; }

void LLKCDictionary::setTag(uint64_t tag) noexcept { iPrivate->mTag = tag; }

// ---- Text file ----

bool LLKCDictionary::saveIntoFile(LLKCString* path) noexcept {
  if (path == nullptr) return false;
  FILE* file = std::fopen(path->chars(), "w");
  if (file == nullptr) return false;
  bool saved = true;
  {
    llk::AutoreleaseScope pool;
    for (const KeyedNode* node = iPrivate->mTree.mUsed.mHead; saved && node != nullptr; node = node->mNext) {
      saved = writeEntry(file, node);
      pool.drain();
    }
  }
  return std::fclose(file) == 0 && saved;
}

bool LLKCDictionary::loadFromFile(LLKCString* path) noexcept {
  if (path == nullptr) return false;
  FILE* file = std::fopen(path->chars(), "r");
  if (file == nullptr) return false;
  char* line = nullptr;
  size_t room = 0;
  bool loaded = true;
  {
    llk::AutoreleaseScope pool;
    for (;;) {
      const ssize_t length = getline(&line, &room, file);
      if (length < 0) {
        loaded = std::feof(file) != 0 && std::ferror(file) == 0;  // else a read error or no memory
        break;
      }
      loaded = loadLine(iPrivate->mTree, line, static_cast<size_t>(length));
      pool.drain();
      if (!loaded) break;
    }
  }
  std::free(line);
  std::fclose(file);
  return loaded;
}

LLK_KEYED_TYPED_OPERATIONS_(LLKCDictionary)
