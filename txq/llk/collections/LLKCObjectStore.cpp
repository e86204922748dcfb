#include <txq/llk/collections/LLKCObjectStore.h>

#include <txq/llk/collections/LLKCObjectDeque.h>
#include <txq/llk/collections/LLKCObjectMap.h>
#include <txq/llk/collections/LLKContainerCoding_p.h>
#include <txq/llk/collections/LLKPUniqueable.h>
#include <txq/llk/values/LLKCGuid.h>
#include <txq/llk/values/LLKCString.h>

// Invariants: (1) every object in iContent adopts LLKPUniqueable and is stored under its guid;
// (2) every object that entered iContent is in iAdded, every object that left it is in iRemoved.

LLK_DEFINE_CLASS(LLKCObjectStore, LLK_PROTOCOLS(LLKPCopyable), init, initWithCapacity, store, remove, removeForGuid,
                 removeAtIndex, removeEachMatchWithFunction_andContext, removeFirstMatchWithFunction_andContext,
                 clear, fetchForGuid, containsGuid, fetchForName, containsName, allObjectsWithName, allGuids,
                 allObjects, allAddedObjects, allRemovedObjects, fetchAtIndex, count, capacity, resize,
                 setChangeCallback_withContext, iterateWithFunction_andContext,
                 iterateUntilMatchWithFunction_andContext, initWithCopy_deep, copy, deepCopy,
                 encodeWithCoder, initWithCoder)

namespace {

LLKCGuid* guidOf(LLKBObject* object) noexcept {
  LLKPUniqueable* unique = llk::as<LLKPUniqueable>(object);
  return unique != nullptr ? unique->guid() : nullptr;
}

bool hasName(LLKBObject* object, LLKCString* name) noexcept {
  LLKPUniqueable* unique = llk::as<LLKPUniqueable>(object);
  LLKCString* own = unique != nullptr ? unique->name() : nullptr;
  return own != nullptr && own->compareTo(name) == 0;
}

// Records `held` (the content's object under `guid`) in iRemoved and takes it out of the content;
// on failure the record is taken back.
int32_t removeHeld(LLKCObjectStore* store, LLKBObject* held, LLKBObject* guid) noexcept {
  int32_t status = store->iRemoved->append(held);
  if (status != llk::kDone) return status;
  status = store->iContent->removeForKey(guid);
  if (status != llk::kDone) store->iRemoved->removeTail();
  return status;
}

// A match function that records each object it accepts in iRemoved before the content drops it;
// an object that cannot be recorded is not accepted.
struct RecordingMatch {
  LLKFMatchFunction function;
  void* context;
  LLKCObjectDeque* removed;
};

bool recordingMatch(LLKBObject* object, void* context) noexcept {
  auto* match = static_cast<RecordingMatch*>(context);
  return match->function(object, match->context) && match->removed->append(object) == llk::kDone;
}

LLKCObjectDeque* newDeque(uint64_t capacity) noexcept {
  LLKCObjectDeque* deque = LLKCObjectDeque::alloc();
  return deque != nullptr ? deque->initWithCapacity(capacity) : nullptr;
}

}  // namespace

// ---- Creation ----

LLKCObjectStore* LLKCObjectStore::store() noexcept {
  LLKCObjectStore* store = alloc();
  return store != nullptr ? llk::autorelease(store->init()) : nullptr;
}

LLKCObjectStore* LLKCObjectStore::init() noexcept { return initWithCapacity(0); }

LLKCObjectStore* LLKCObjectStore::storeWithCapacity(uint64_t capacity) noexcept {
  LLKCObjectStore* store = alloc();
  return store != nullptr ? llk::autorelease(store->initWithCapacity(capacity)) : nullptr;
}

LLKCObjectStore* LLKCObjectStore::initWithCapacity(uint64_t capacity) noexcept {
  Super::init();
  LLKCObjectMap* content = LLKCObjectMap::alloc();
  iContent = content != nullptr ? content->initWithCapacity(capacity) : nullptr;
  iAdded = newDeque(capacity);
  iRemoved = newDeque(0);
  if (iContent == nullptr || iAdded == nullptr || iRemoved == nullptr) {
    dealloc();
    return nullptr;
  }
  return this;
}

LLKCObjectStore::~LLKCObjectStore() {
  llk::release(iContent);
  llk::release(iAdded);
  llk::release(iRemoved);
}

// ---- Storing and removing ----

int32_t LLKCObjectStore::store(LLKBObject* object) noexcept {
  if (object == nullptr) return llk::kNilArgument;
  LLKCGuid* guid = guidOf(object);
  if (guid == nullptr) return llk::kRefused;
  if (iContent->containsKey(guid)) return llk::kAlreadyPresent;
  int32_t status = iAdded->append(object);
  if (status != llk::kDone) return status;
  status = iContent->store_forKey(object, guid);
  if (status != llk::kDone) iAdded->removeTail();
  return status;
}

int32_t LLKCObjectStore::remove(LLKBObject* object) noexcept {
  if (object == nullptr) return llk::kNilArgument;
  return removeForGuid(guidOf(object));
}

int32_t LLKCObjectStore::removeForGuid(LLKCGuid* guid) noexcept {
  if (guid == nullptr) return llk::kNotFound;
  LLKBObject* held = iContent->fetchForKey(guid);
  return held != nullptr ? removeHeld(this, held, guid) : llk::kNotFound;
}

int32_t LLKCObjectStore::removeAtIndex(uint64_t index) noexcept {
  LLKBObject* guid = nullptr;
  LLKBObject* held = iContent->fetchAtIndex_key(index, &guid);
  return held != nullptr ? removeHeld(this, held, guid) : llk::kNotFound;
}

bool LLKCObjectStore::removeEachMatchWithFunction_andContext(LLKFMatchFunction function, void* context) noexcept {
  if (function == nullptr) return false;
  RecordingMatch match{function, context, iRemoved};
  return iContent->removeEachMatchWithFunction_andContext(&recordingMatch, &match);
}

bool LLKCObjectStore::removeFirstMatchWithFunction_andContext(LLKFMatchFunction function, void* context) noexcept {
  if (function == nullptr) return false;
  RecordingMatch match{function, context, iRemoved};
  return iContent->removeFirstMatchWithFunction_andContext(&recordingMatch, &match);
}

void LLKCObjectStore::clear() noexcept {
  const uint64_t n = iContent->count();
  if (iRemoved->reserve(n) != llk::kDone) return;
  for (uint64_t i = 0; i < n; ++i) iRemoved->append(iContent->fetchAtIndex(i));  // room was reserved
  iContent->clear();
}

// ---- Finding ----

LLKBObject* LLKCObjectStore::fetchForGuid(LLKCGuid* guid) noexcept { return iContent->fetchForKey(guid); }

bool LLKCObjectStore::containsGuid(LLKCGuid* guid) noexcept { return iContent->containsKey(guid); }

LLKBObject* LLKCObjectStore::fetchForName(LLKCString* name) noexcept {
  if (name == nullptr) return nullptr;
  const uint64_t n = iContent->count();
  for (uint64_t i = 0; i < n; ++i) {
    LLKBObject* object = iContent->fetchAtIndex(i);
    if (hasName(object, name)) return object;
  }
  return nullptr;
}

bool LLKCObjectStore::containsName(LLKCString* name) noexcept { return fetchForName(name) != nullptr; }

LLKCObjectDeque* LLKCObjectStore::allObjectsWithName(LLKCString* name) noexcept {
  LLKCObjectDeque* out = newDeque(0);
  if (out == nullptr) return nullptr;
  const uint64_t n = name != nullptr ? iContent->count() : 0;
  for (uint64_t i = 0; i < n; ++i) {
    LLKBObject* object = iContent->fetchAtIndex(i);
    if (hasName(object, name) && out->append(object) != llk::kDone) {
      out->release();
      return nullptr;
    }
  }
  return llk::autorelease(out);
}

LLKCObjectDeque* LLKCObjectStore::allGuids() noexcept { return iContent->allKeys(); }

LLKCObjectDeque* LLKCObjectStore::allObjects() noexcept { return iContent->allObjects(); }

LLKCObjectDeque* LLKCObjectStore::allAddedObjects() noexcept { return iAdded->copy(); }

LLKCObjectDeque* LLKCObjectStore::allRemovedObjects() noexcept { return iRemoved->copy(); }

LLKBObject* LLKCObjectStore::fetchAtIndex(uint64_t index) noexcept { return iContent->fetchAtIndex(index); }

// ---- Size ----

uint64_t LLKCObjectStore::count() noexcept { return iContent->count(); }

uint64_t LLKCObjectStore::capacity() noexcept { return iContent->capacity(); }

int32_t LLKCObjectStore::resize(uint64_t capacity) noexcept { return iContent->resize(capacity); }

// ---- Callbacks and iteration ----

void LLKCObjectStore::setChangeCallback_withContext(LLKFChangeCallback callback, void* context) noexcept {
  iContent->setChangeCallback_withContext(callback, context);
}

void LLKCObjectStore::iterateWithFunction_andContext(LLKFIterateFunction function, void* context) noexcept {
  iContent->iterateWithFunction_andContext(function, context);
}

LLKBObject* LLKCObjectStore::iterateUntilMatchWithFunction_andContext(LLKFMatchFunction function,
                                                                       void* context) noexcept {
  return iContent->iterateUntilMatchWithFunction_andContext(function, context);
}

// ---- Copies ----

LLKCObjectStore* LLKCObjectStore::initWithCopy_deep(LLKBObject* source, bool deep) noexcept {
  LLKCObjectStore* other = llk::cast<LLKCObjectStore>(source);
  if (other == nullptr) {
    dealloc();
    return nullptr;
  }
  if (initWithCapacity(other->iContent->capacity()) == nullptr) return nullptr;
  const uint64_t n = other->iContent->count();
  for (uint64_t i = 0; i < n; ++i) {
    LLKBObject* object = other->iContent->fetchAtIndex(i);
    if (deep) object = llk::conformsTo(object, &LLKPCopyable::kProtocol) ? object->copy() : nullptr;
    if (object == nullptr || store(object) != llk::kDone) {
      dealloc();
      return nullptr;
    }
  }
  return this;
}

LLKCObjectStore* LLKCObjectStore::copy() noexcept { return static_cast<LLKCObjectStore*>(Super::copy()); }

LLKCObjectStore* LLKCObjectStore::deepCopy() noexcept { return static_cast<LLKCObjectStore*>(Super::deepCopy()); }

// ---- Coding ----

bool LLKCObjectStore::encodeWithCoder(LLKBEncoder* coder) noexcept {
  return llk::detail::encodeContainer(this, coder, capacity(), [this, coder](uint64_t* written) noexcept {
    const uint64_t n = count();
    for (uint64_t i = 0; i < n; ++i) {
      if (!llk::detail::encodeIfEncodable(coder, fetchAtIndex(i), written)) return false;
    }
    return true;
  });
}

LLKCObjectStore* LLKCObjectStore::initWithCoder(LLKBDecoder* coder) noexcept {
  return llk::detail::initSequenceWithCoder(
      this, coder, false, [this](uint64_t room) noexcept { return initWithCapacity(room); },
      [this](LLKBObject* object) noexcept {
        // Objects without a role here, or whose guid is taken already, are dropped.
        const int32_t status = store(object);
        return status == llk::kDone || status == llk::kRefused || status == llk::kAlreadyPresent;
      },
      [this](uint64_t room) noexcept { return resize(room); });
}
