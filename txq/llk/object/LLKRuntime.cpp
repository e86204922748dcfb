#include <txq/llk/object/LLKRuntime.h>

#include <pthread.h>

#include <cstdlib>
#include <cstring>
#include <mutex>
#include <new>

#include <txq/llk/object/LLKBObject.h>
#include <txq/llk/object/LLKFLog.h>
#include <txq/llk/object/LLKLibrary_p.h>

// ---------------------------------------------------------------------------------------------
// Selectors: an open-addressing table of interned records behind one leaf mutex. Records are never
// freed; the table only grows.

namespace {

uint32_t textHash(const char* text) noexcept {
  uint32_t hash = 2166136261u;  // FNV-1a
  for (const unsigned char* p = reinterpret_cast<const unsigned char*>(text); *p != 0; ++p) {
    hash = (hash ^ *p) * 16777619u;
  }
  return hash;
}

struct SelectorTable {
  LLKSelector** slots = nullptr;
  size_t capacity = 0;  // a power of two
  size_t count = 0;
};

constinit std::mutex gSelectorLock;  // leaf
constinit SelectorTable gSelectors;

bool growSelectors() noexcept {
  size_t capacity = gSelectors.capacity == 0 ? 1024 : gSelectors.capacity * 2;
  auto** slots = static_cast<LLKSelector**>(std::calloc(capacity, sizeof(LLKSelector*)));
  if (slots == nullptr) return false;
  for (size_t i = 0; i < gSelectors.capacity; ++i) {
    LLKSelector* selector = gSelectors.slots[i];
    if (selector == nullptr) continue;
    size_t j = selector->hash & (capacity - 1);
    while (slots[j] != nullptr) j = (j + 1) & (capacity - 1);
    slots[j] = selector;
  }
  std::free(static_cast<void*>(gSelectors.slots));
  gSelectors.slots = slots;
  gSelectors.capacity = capacity;
  return true;
}

}  // namespace

LLKSEL LLKSelRegister(const char* text) noexcept {
  if (text == nullptr) return nullptr;
  uint32_t hash = textHash(text);
  std::lock_guard<std::mutex> guard(gSelectorLock);
  if ((gSelectors.count + 1) * 2 > gSelectors.capacity && !growSelectors()) return nullptr;
  size_t mask = gSelectors.capacity - 1;
  size_t i = hash & mask;
  for (; gSelectors.slots[i] != nullptr; i = (i + 1) & mask) {
    LLKSelector* selector = gSelectors.slots[i];
    if (selector->hash == hash && std::strcmp(selector->name, text) == 0) return selector;
  }
  size_t length = std::strlen(text);
  // One allocation: the record followed by its text.
  void* memory = std::malloc(sizeof(LLKSelector) + length + 1);
  if (memory == nullptr) return nullptr;
  char* name = static_cast<char*>(memory) + sizeof(LLKSelector);
  std::memcpy(name, text, length + 1);
  auto* selector = new (memory) LLKSelector{name, hash};
  gSelectors.slots[i] = selector;
  ++gSelectors.count;
  return selector;
}

const char* LLKSelName(LLKSEL selector) noexcept { return selector != nullptr ? selector->name : "(nil)"; }

// ---------------------------------------------------------------------------------------------
// Class objects. The flattened selector map of a class is built on first lookup from its own table
// and its superclasses' (the most derived entry wins), sorted by selector address, and installed by
// compare-and-swap; it lives as long as the process.

struct LLKClass::Cache {
  struct Item {
    LLKSEL selector;
    LLKIMP imp;
  };
  uint32_t count;
  Item items[1];  // `count` items, sorted by selector
};

const LLKClass::Cache* LLKClass::cache() const noexcept {
  const Cache* cache = cache_.load(std::memory_order_acquire);
  if (cache != nullptr) return cache;
  size_t capacity = 0;
  for (const LLKClass* c = this; c != nullptr; c = c->super_) capacity += c->methodCount_;
  auto* built = static_cast<Cache*>(std::malloc(sizeof(Cache) + capacity * sizeof(Cache::Item)));
  if (built == nullptr) return nullptr;
  uint32_t count = 0;
  for (const LLKClass* c = this; c != nullptr; c = c->super_) {
    for (uint32_t i = 0; i < c->methodCount_; ++i) {
      const LLKMethodEntry& entry = c->methods_[i];
      if (entry.selector == nullptr) continue;
      LLKSEL selector = LLKSelRegister(entry.selector);
      if (selector == nullptr) {
        std::free(built);
        return nullptr;
      }
      bool known = false;
      for (uint32_t k = 0; k < count && !known; ++k) known = built->items[k].selector == selector;
      if (!known) built->items[count++] = Cache::Item{selector, entry.imp};
    }
  }
  // Insertion sort: tables are small and built once.
  for (uint32_t i = 1; i < count; ++i) {
    Cache::Item item = built->items[i];
    uint32_t j = i;
    for (; j > 0 && built->items[j - 1].selector > item.selector; --j) built->items[j] = built->items[j - 1];
    built->items[j] = item;
  }
  built->count = count;
  const Cache* expected = nullptr;
  if (!cache_.compare_exchange_strong(expected, built, std::memory_order_acq_rel)) {
    std::free(built);
    return expected;
  }
  return built;
}

LLKBObject* LLKClass::alloc() const noexcept { return factory_ != nullptr ? factory_() : nullptr; }

LLKBObject* LLKClass::new_() const noexcept {
  LLKBObject* object = alloc();
  return object != nullptr ? object->init() : nullptr;
}

bool LLKClass::isSubclassOfClass(const LLKClass* other) const noexcept {
  if (other == nullptr) return false;
  for (const LLKClass* c = this; c != nullptr; c = c->super_) {
    if (c == other) return true;
  }
  return false;
}

namespace {

bool protocolAdopts(const LLKProtocol* adopted, const LLKProtocol* wanted) noexcept {
  if (adopted == wanted) return true;
  if (adopted->adopts == nullptr) return false;
  for (const LLKProtocol* const* p = adopted->adopts; *p != nullptr; ++p) {
    if (protocolAdopts(*p, wanted)) return true;
  }
  return false;
}

}  // namespace

bool LLKClass::conformsToProtocol(const LLKProtocol* protocol) const noexcept {
  if (protocol == nullptr) return false;
  // Protocols are mostly listed directly (coders ask for LLKPEncodable once per element): look at the
  // lists first, then at what the listed protocols adopt.
  for (const LLKClass* c = this; c != nullptr; c = c->super_) {
    for (uint32_t i = 0; i < c->protocolCount_; ++i) {
      if (c->protocols_[i].protocol == protocol) return true;
    }
  }
  for (const LLKClass* c = this; c != nullptr; c = c->super_) {
    for (uint32_t i = 0; i < c->protocolCount_; ++i) {
      if (protocolAdopts(c->protocols_[i].protocol, protocol)) return true;
    }
  }
  return false;
}

LLKIMP LLKClass::instanceMethodForSelector(LLKSEL selector) const noexcept {
  if (selector == nullptr) return nullptr;
  const Cache* map = cache();
  if (map == nullptr) return nullptr;
  uint32_t low = 0;
  uint32_t high = map->count;
  while (low < high) {
    uint32_t middle = (low + high) / 2;
    if (map->items[middle].selector < selector) {
      low = middle + 1;
    } else {
      high = middle;
    }
  }
  return (low < map->count && map->items[low].selector == selector) ? map->items[low].imp : nullptr;
}

void* LLKClass::protocolCast(LLKBObject* object, const LLKProtocol* protocol) const noexcept {
  if (object == nullptr || protocol == nullptr) return nullptr;
  for (const LLKClass* c = this; c != nullptr; c = c->super_) {
    for (uint32_t i = 0; i < c->protocolCount_; ++i) {
      const LLKProtocolEntry& entry = c->protocols_[i];
      if (entry.protocol == protocol && entry.cast != nullptr) return entry.cast(object);
    }
  }
  return nullptr;
}

LLKBObject* LLKFNotPerformable(LLKBObject* self, LLKSEL selector, LLKBObject*, LLKBObject*) noexcept {
  LLKFLog("0x%p %s cannot perform %s by selector", static_cast<void*>(self),
          self != nullptr ? self->className() : "nil", LLKSelName(selector));
  return nullptr;
}

// ---------------------------------------------------------------------------------------------
// Registry: a constant-initialised open-addressing table keyed by class name. Slots only go from
// empty to a class and from a class to a tombstone, so lookups need no lock.

namespace {

constexpr size_t kRegistrySlots = 4096;
const LLKClass* const kTombstone = reinterpret_cast<const LLKClass*>(uintptr_t{1});
constinit std::atomic<const LLKClass*> gRegistry[kRegistrySlots] = {};
constinit std::mutex gRegistryLock;  // serialises writers only; leaf except for the log

}  // namespace

bool LLKRegisterModule(const LLKClass* const* begin, const LLKClass* const* end) noexcept {
  if (begin == nullptr || end == nullptr) return true;
  std::lock_guard<std::mutex> guard(gRegistryLock);
  bool all = true;
  for (const LLKClass* const* p = begin; p < end; ++p) {
    const LLKClass* klass = *p;
    if (klass == nullptr) continue;
    size_t i = textHash(klass->className()) & (kRegistrySlots - 1);
    size_t probes = 0;
    for (; probes < kRegistrySlots; ++probes, i = (i + 1) & (kRegistrySlots - 1)) {
      const LLKClass* held = gRegistry[i].load(std::memory_order_acquire);
      if (held == nullptr) {
        gRegistry[i].store(klass, std::memory_order_release);
        break;
      }
      if (held == kTombstone) continue;
      if (std::strcmp(held->className(), klass->className()) == 0) {
        if (held != klass) {
          LLKFLog("0x%p %s cannot be registered: the name is taken by 0x%p", static_cast<const void*>(klass),
                  klass->className(), static_cast<const void*>(held));
          all = false;
        }
        break;
      }
    }
    if (probes == kRegistrySlots) all = false;
  }
  return all;
}

struct LLKMonitorAccess {
  static std::atomic<void*>& of(const LLKBObject* object) noexcept { return const_cast<LLKBObject*>(object)->monitor_; }
  static std::atomic<void*>& of(const LLKClass* klass) noexcept { return klass->monitor_; }
  // The class objects of an unloaded module go with its memory: free what they point to first.
  static void forget(const LLKClass* klass) noexcept {
    std::free(const_cast<LLKClass::Cache*>(klass->cache_.exchange(nullptr, std::memory_order_acq_rel)));
    llkFreeMonitor(klass->monitor_);
  }
};

void LLKUnregisterModule(const LLKClass* const* begin, const LLKClass* const* end) noexcept {
  if (begin == nullptr || end == nullptr) return;
  std::lock_guard<std::mutex> guard(gRegistryLock);
  for (const LLKClass* const* p = begin; p < end; ++p) {
    if (*p == nullptr) continue;
    for (auto& slot : gRegistry) {
      if (slot.load(std::memory_order_acquire) == *p) slot.store(kTombstone, std::memory_order_release);
    }
    LLKMonitorAccess::forget(*p);
  }
}

const LLKClass* LLKClassFromName(const char* name) noexcept {
  if (name == nullptr) return nullptr;
  llkRegisterLibraryClasses();
  size_t i = textHash(name) & (kRegistrySlots - 1);
  for (size_t probes = 0; probes < kRegistrySlots; ++probes, i = (i + 1) & (kRegistrySlots - 1)) {
    const LLKClass* held = gRegistry[i].load(std::memory_order_acquire);
    if (held == nullptr) return nullptr;
    if (held != kTombstone && std::strcmp(held->className(), name) == 0) return held;
  }
  return nullptr;
}

// ---------------------------------------------------------------------------------------------
// Monitors: a recursive pthread mutex made on first use and installed by compare-and-swap.

namespace {

pthread_mutex_t* monitorIn(std::atomic<void*>& slot) noexcept {
  void* held = slot.load(std::memory_order_acquire);
  if (held != nullptr) return static_cast<pthread_mutex_t*>(held);
  auto* mutex = static_cast<pthread_mutex_t*>(std::malloc(sizeof(pthread_mutex_t)));
  if (mutex == nullptr) return nullptr;
  pthread_mutexattr_t attributes;
  pthread_mutexattr_init(&attributes);
  pthread_mutexattr_settype(&attributes, PTHREAD_MUTEX_RECURSIVE);
  pthread_mutex_init(mutex, &attributes);
  pthread_mutexattr_destroy(&attributes);
  if (!slot.compare_exchange_strong(held, mutex, std::memory_order_acq_rel)) {
    pthread_mutex_destroy(mutex);
    std::free(mutex);
    return static_cast<pthread_mutex_t*>(held);
  }
  return mutex;
}

bool enterMonitor(std::atomic<void*>& slot) noexcept {
  pthread_mutex_t* mutex = monitorIn(slot);
  return mutex != nullptr && pthread_mutex_lock(mutex) == 0;
}

void exitMonitor(std::atomic<void*>& slot) noexcept {
  void* mutex = slot.load(std::memory_order_acquire);
  if (mutex != nullptr) pthread_mutex_unlock(static_cast<pthread_mutex_t*>(mutex));
}

}  // namespace

bool LLKMonitorEnter(const LLKBObject* object) noexcept {
  return object != nullptr && enterMonitor(LLKMonitorAccess::of(object));
}

void LLKMonitorExit(const LLKBObject* object) noexcept {
  if (object != nullptr) exitMonitor(LLKMonitorAccess::of(object));
}

bool LLKMonitorEnter(const LLKClass* klass) noexcept {
  return klass != nullptr && enterMonitor(LLKMonitorAccess::of(klass));
}

void LLKMonitorExit(const LLKClass* klass) noexcept {
  if (klass != nullptr) exitMonitor(LLKMonitorAccess::of(klass));
}

void llkFreeMonitor(std::atomic<void*>& slot) noexcept {
  void* mutex = slot.exchange(nullptr, std::memory_order_acq_rel);
  if (mutex == nullptr) return;
  pthread_mutex_destroy(static_cast<pthread_mutex_t*>(mutex));
  std::free(mutex);
}

// ---------------------------------------------------------------------------------------------
// Live objects.

namespace {
constinit std::atomic<int64_t> gLiveObjects{0};
}

int64_t LLKFLiveObjectCount(void) noexcept { return gLiveObjects.load(std::memory_order_acquire); }

void LLKFLiveObjectAdjust(int64_t delta) noexcept { gLiveObjects.fetch_add(delta, std::memory_order_acq_rel); }
