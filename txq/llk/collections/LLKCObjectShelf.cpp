#include <txq/llk/collections/LLKCObjectShelf.h>

#include <cstdint>
#include <new>

#include <txq/llk/collections/LLKCObjectDeque.h>
#include <txq/llk/collections/LLKCObjectTable.h>
#include <txq/llk/collections/LLKCObjectTuple.h>
#include <txq/llk/collections/LLKContainerCoding_p.h>
#include <txq/llk/collections/LLKContainerMaking_p.h>
#include <txq/llk/collections/LLKContainers.h>
#include <txq/llk/object/LLKProtocols.h>

// The user's change callback. While one is set, the table's own change callback relays the
// table's news about whole entries (op 0 after a new entry, op 1 before an entry leaves) as news
// about their values; replacing a value inside an existing entry is told by the shelf itself.
struct LLKCObjectShelf::private_t {
  LLKFChangeCallback mChangeCallback = nullptr;  // borrowed
  void* mChangeContext = nullptr;                // borrowed
};

LLK_DEFINE_CLASS(LLKCObjectShelf, LLK_PROTOCOLS(LLKPCopyable), init, initWithCapacity, count, capacity, resize,
                 store_forKey, fetchForKey, containsKey, removeForKey, fetchAtIndex, fetchAtIndex_key,
                 removeAtIndex, rotateBy, allKeys, allValues, clear, setChangeCallback_withContext,
                 iterateWithFunction_andContext, iterateUntilMatchWithFunction_andContext,
                 removeEachMatchWithFunction_andContext, removeFirstMatchWithFunction_andContext, initWithCopy_deep,
                 copy, deepCopy, encodeWithCoder, initWithCoder)

namespace {

uint64_t addressOf(LLKBObject* key) noexcept { return static_cast<uint64_t>(reinterpret_cast<uintptr_t>(key)); }

// Every table entry is a 2-slot tuple made by the shelf.
LLKCObjectTuple* entryOf(LLKBObject* object) noexcept { return static_cast<LLKCObjectTuple*>(object); }
LLKBObject* keyOf(LLKBObject* entry) noexcept { return entry != nullptr ? entryOf(entry)->fetchAtIndex(0) : nullptr; }
LLKBObject* valueOf(LLKBObject* entry) noexcept {
  return entry != nullptr ? entryOf(entry)->fetchAtIndex(1) : nullptr;
}

void relayChange(uint32_t op, LLKBObject* entry, void* context) noexcept {
  const auto* d = static_cast<const LLKCObjectShelf::private_t*>(context);
  if (d->mChangeCallback != nullptr) d->mChangeCallback(op, valueOf(entry), d->mChangeContext);
}

// The user's function and context, handed to the table's iterations in place of its own.
struct IterateRelay {
  LLKFIterateFunction function;
  void* context;
  static void call(LLKBObject* entry, void* relay) noexcept {
    const auto* r = static_cast<const IterateRelay*>(relay);
    r->function(valueOf(entry), r->context);
  }
};
struct MatchRelay {
  LLKFMatchFunction function;
  void* context;
  static bool call(LLKBObject* entry, void* relay) noexcept {
    const auto* r = static_cast<const MatchRelay*>(relay);
    return r->function(valueOf(entry), r->context);
  }
};

}  // namespace

// ---- Creation ----

LLKCObjectShelf* LLKCObjectShelf::shelf() noexcept { return llk::detail::autoreleasedNew(&LLKCObjectShelf::init); }

LLKCObjectShelf* LLKCObjectShelf::init() noexcept { return initWithCapacity(0); }

LLKCObjectShelf* LLKCObjectShelf::shelfWithCapacity(uint64_t capacity) noexcept {
  return llk::detail::autoreleasedNew(&LLKCObjectShelf::initWithCapacity, capacity);
}

LLKCObjectShelf* LLKCObjectShelf::initWithCapacity(uint64_t capacity) noexcept {
  iPrivate = new (std::nothrow) private_t();
  LLKCObjectTable* table = iPrivate != nullptr ? LLKCObjectTable::alloc() : nullptr;
  iTable = table != nullptr ? table->initWithCapacity(capacity) : nullptr;
  if (iTable == nullptr) {
    dealloc();
    return nullptr;
  }
  return this;
}

LLKCObjectShelf::~LLKCObjectShelf() {
  if (iTable != nullptr) {
    // Empty the table while the relay's record still exists, so the callback hears about every
    // value even if someone else still holds the table; then cut the relay.
    if (iPrivate != nullptr && iPrivate->mChangeCallback != nullptr) iTable->clear();
    iTable->setChangeCallback_withContext(nullptr, nullptr);
    iTable->release();
  }
  delete iPrivate;
}

// ---- Size ----

uint64_t LLKCObjectShelf::count() const noexcept { return iTable->count(); }

uint64_t LLKCObjectShelf::capacity() const noexcept { return iTable->capacity(); }

int32_t LLKCObjectShelf::resize(uint64_t capacity) noexcept { return iTable->resize(capacity); }

// ---- Keys ----

int32_t LLKCObjectShelf::store_forKey(LLKBObject* value, LLKBObject* key) noexcept {
  if (key == nullptr) return llk::kNilArgument;
  if (value == nullptr) return llk::kDone;
  LLKBObject* entry = iTable->fetchForKey(addressOf(key));
  if (entry != nullptr) {
    private_t* const d = iPrivate;
    if (d->mChangeCallback != nullptr) d->mChangeCallback(1, valueOf(entry), d->mChangeContext);
    value->retain();  // the same value may be stored again: keep it alive across the swap
    entryOf(entry)->store_atIndex(value, 1);
    value->release();
    if (d->mChangeCallback != nullptr) d->mChangeCallback(0, value, d->mChangeContext);
    return llk::kDone;
  }
  LLKCObjectTuple* tuple = LLKCObjectTuple::alloc();
  if (tuple == nullptr || tuple->initWithObjects(key, value) == nullptr) return llk::kNoMemory;
  const int32_t status = iTable->store_forKey(tuple, addressOf(key));  // op 0 through the relay
  tuple->release();
  return status;
}

LLKBObject* LLKCObjectShelf::fetchForKey(LLKBObject* key) noexcept {
  return key != nullptr ? valueOf(iTable->fetchForKey(addressOf(key))) : nullptr;
}

bool LLKCObjectShelf::containsKey(LLKBObject* key) noexcept {
  return key != nullptr && iTable->containsKey(addressOf(key));
}

int32_t LLKCObjectShelf::removeForKey(LLKBObject* key) noexcept {
  return key != nullptr ? iTable->removeForKey(addressOf(key)) : llk::kNotFound;
}

// ---- Positions ----

LLKBObject* LLKCObjectShelf::fetchAtIndex(uint64_t index) noexcept { return valueOf(iTable->fetchAtIndex(index)); }

LLKBObject* LLKCObjectShelf::fetchAtIndex_key(uint64_t index, LLKBObject** key) noexcept {
  LLKBObject* entry = iTable->fetchAtIndex(index);
  if (entry == nullptr) return nullptr;
  if (key != nullptr) *key = keyOf(entry);
  return valueOf(entry);
}

int32_t LLKCObjectShelf::removeAtIndex(uint64_t index) noexcept { return iTable->removeAtIndex(index); }

void LLKCObjectShelf::rotateBy(uint64_t n) noexcept { iTable->rotateBy(n); }

LLKCObjectDeque* LLKCObjectShelf::allKeys() noexcept {
  LLKCObjectDeque* all = LLKCObjectDeque::dequeWithCapacity(iTable->count());
  if (all == nullptr) return nullptr;
  for (LLKBObject* entry : iTable) {
    if (all->append(keyOf(entry)) != llk::kDone) return nullptr;  // the pool frees the partial deque
  }
  return all;
}

LLKCObjectDeque* LLKCObjectShelf::allValues() noexcept {
  LLKCObjectDeque* all = LLKCObjectDeque::dequeWithCapacity(iTable->count());
  if (all == nullptr) return nullptr;
  for (LLKBObject* entry : iTable) {
    if (all->append(valueOf(entry)) != llk::kDone) return nullptr;
  }
  return all;
}

void LLKCObjectShelf::clear() noexcept { iTable->clear(); }

// ---- Callbacks ----

void LLKCObjectShelf::setChangeCallback_withContext(LLKFChangeCallback callback, void* context) noexcept {
  iPrivate->mChangeCallback = callback;
  iPrivate->mChangeContext = context;
  // The relay only runs while there is someone to tell.
  iTable->setChangeCallback_withContext(callback != nullptr ? &relayChange : nullptr,
                                        callback != nullptr ? iPrivate : nullptr);
}

// ---- Iteration ----

void LLKCObjectShelf::iterateWithFunction_andContext(LLKFIterateFunction function, void* context) noexcept {
  if (function == nullptr) return;
  IterateRelay relay{function, context};
  iTable->iterateWithFunction_andContext(&IterateRelay::call, &relay);
}

LLKBObject* LLKCObjectShelf::iterateUntilMatchWithFunction_andContext(LLKFMatchFunction function,
                                                                       void* context) noexcept {
  if (function == nullptr) return nullptr;
  MatchRelay relay{function, context};
  return valueOf(iTable->iterateUntilMatchWithFunction_andContext(&MatchRelay::call, &relay));
}

bool LLKCObjectShelf::removeEachMatchWithFunction_andContext(LLKFMatchFunction function, void* context) noexcept {
  if (function == nullptr) return false;
  MatchRelay relay{function, context};
  return iTable->removeEachMatchWithFunction_andContext(&MatchRelay::call, &relay);
}

bool LLKCObjectShelf::removeFirstMatchWithFunction_andContext(LLKFMatchFunction function, void* context) noexcept {
  if (function == nullptr) return false;
  MatchRelay relay{function, context};
  return iTable->removeFirstMatchWithFunction_andContext(&MatchRelay::call, &relay);
}

// ---- Copies ----

LLKCObjectShelf* LLKCObjectShelf::initWithCopy_deep(LLKBObject* source, bool deep) noexcept {
  LLKCObjectShelf* other = llk::cast<LLKCObjectShelf>(source);
  if (other == nullptr) {
    dealloc();
    return nullptr;
  }
  if (initWithCapacity(other->capacity()) == nullptr) return nullptr;
  for (LLKBObject* entry : other->iTable) {
    LLKBObject* value = valueOf(entry);
    if (deep) {
      value = llk::conformsTo(value, &LLKPCopyable::kProtocol) ? value->copy() : nullptr;
    }
    if (value == nullptr || store_forKey(value, keyOf(entry)) != llk::kDone) {
      dealloc();
      return nullptr;
    }
  }
  return this;
}

LLKCObjectShelf* LLKCObjectShelf::copy() noexcept { return static_cast<LLKCObjectShelf*>(Super::copy()); }

LLKCObjectShelf* LLKCObjectShelf::deepCopy() noexcept { return static_cast<LLKCObjectShelf*>(Super::deepCopy()); }

// ---- Coding ----

bool LLKCObjectShelf::encodeWithCoder(LLKBEncoder* coder) noexcept {
  return llk::detail::encodeContainer(this, coder, capacity(), [this, coder](uint64_t* written) noexcept {
    const uint64_t n = count();
    for (uint64_t i = 0; i < n; ++i) {
      LLKBObject* key = nullptr;
      LLKBObject* value = fetchAtIndex_key(i, &key);
      if (!llk::detail::isEncodable(key) || !llk::detail::isEncodable(value)) continue;
      if (!coder->encodeObject(key) || !coder->encodeObject(value)) return false;
      ++*written;
    }
    return true;
  });
}

LLKCObjectShelf* LLKCObjectShelf::initWithCoder(LLKBDecoder* coder) noexcept {
  return llk::detail::initContainerWithCoder(
      this, coder, false, [this](uint64_t room) noexcept { return initWithCapacity(room); },
      [this, coder](const llk::detail::CodedSize&, uint64_t) noexcept {
        LLKBObject* key = llk::detail::decodeElement(coder);
        LLKBObject* value = key != nullptr ? llk::detail::decodeElement(coder) : nullptr;
        return value != nullptr && store_forKey(value, key) == llk::kDone;
      },
      [this](uint64_t room) noexcept { return resize(room); });
}
