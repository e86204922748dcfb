#include <txq/llk/object/LLKCAutoreleasePool.h>

#include <cstdlib>
#include <new>

#include <txq/llk/object/LLKFLog.h>

// Layout: a singly linked list of 64-slot blocks, newest first. Only the head block may be partly
// filled; every older block holds exactly 64 objects. Blocks are freed when drained, not reused.
namespace {

constexpr uint32_t kBlockSlots = 64;

struct block_t {
  LLKBObject* mObjects[kBlockSlots];  // recorded objects, oldest first; each owns one reference
  uint32_t mCount;                    // used slots, 0..64
  block_t* mNext;                     // the older block, or null
};

// The calling thread's current pool (not retained: a pool unlinks itself when it goes). Read on
// every autorelease: the initial-exec model makes that one load (the eight bytes fit the static TLS
// reserve, so a program may still dlopen the library).
constinit thread_local LLKCAutoreleasePool* tCurrentPool __attribute__((tls_model("initial-exec"))) = nullptr;

}  // namespace

struct LLKCAutoreleasePool::private_t {
  block_t* mBlocks = nullptr;                 // newest block, null when nothing is recorded
  LLKCAutoreleasePool* mPrevious = nullptr;  // the thread's current pool when this one was made; not retained
};

LLK_DEFINE_CLASS(LLKCAutoreleasePool, LLK_PROTOCOLS(), init, push, sink, count, release, retain, autorelease,
                 dealloc)

// ---- Class operations ----

LLKBObject* LLKCAutoreleasePool::push_(LLKBObject* object) noexcept {
  LLKCAutoreleasePool* pool = tCurrentPool;
  if (pool == nullptr) {
    LLKFLog("0x%p No LLKCAutoreleasePool!", static_cast<const void*>(&kClass));
    return nullptr;
  }
  return pool->push(object);
}

LLKCAutoreleasePool* LLKCAutoreleasePool::localPool() noexcept { return tCurrentPool; }

LLKCAutoreleasePool* LLKCAutoreleasePool::swapWith(LLKCAutoreleasePool* pool) noexcept {
  LLKCAutoreleasePool* previous = tCurrentPool;
  tCurrentPool = pool;
  return previous;
}

// ---- Instance operations ----

LLKCAutoreleasePool* LLKCAutoreleasePool::init() noexcept {
  iPrivate = new (std::nothrow) private_t();
  if (iPrivate == nullptr) {
    dealloc();
    return nullptr;
  }
  iPrivate->mPrevious = tCurrentPool;
  tCurrentPool = this;
  return this;
}

LLKBObject* LLKCAutoreleasePool::push(LLKBObject* object) noexcept {
  if (object == nullptr) return nullptr;
  private_t* const d = iPrivate;
  block_t* head = d->mBlocks;
  if (head == nullptr || head->mCount == kBlockSlots) {
    auto* block = static_cast<block_t*>(std::malloc(sizeof(block_t)));
    if (block == nullptr) {
      LLKFLog("0x%p LLKCAutoreleasePool couldn't allocate, object leak!", static_cast<void*>(this));
      return nullptr;
    }
    block->mCount = 0;
    block->mNext = head;
    d->mBlocks = head = block;
  }
  head->mObjects[head->mCount++] = object;
  return object;
}

void LLKCAutoreleasePool::sink() noexcept {
  private_t* const d = iPrivate;
  // The head is detached before its objects are released, so objects autoreleased by those
  // releases land in the remaining list or a new head and are drained by this same call.
  while (d->mBlocks != nullptr) {
    block_t* block = d->mBlocks;
    d->mBlocks = block->mNext;
    for (uint32_t i = 0; i < block->mCount; ++i) block->mObjects[i]->release();
    std::free(block);
  }
}

uint64_t LLKCAutoreleasePool::count() const noexcept {
  uint64_t total = 0;
  for (const block_t* block = iPrivate->mBlocks; block != nullptr; block = block->mNext) total += block->mCount;
  return total;
}

LLKBObject* LLKCAutoreleasePool::release() noexcept {
  dealloc();
  return nullptr;
}

LLKBObject* LLKCAutoreleasePool::retain() noexcept {
  LLKFLog("0x%p LLKCAutoreleasePool cannot be retained!", static_cast<void*>(this));
  return this;
}

LLKBObject* LLKCAutoreleasePool::autorelease() noexcept {
  LLKFLog("0x%p LLKCAutoreleasePool cannot be autoretained!", static_cast<void*>(this));
  return this;
}

void LLKCAutoreleasePool::dealloc() noexcept {
  private_t* const d = iPrivate;
  if (d != nullptr) {
    sink();
    if (tCurrentPool == this) {
      tCurrentPool = d->mPrevious;
    } else {
      LLKFLog("0x%p LLKCAutoreleasePool deallocated without being the top!", static_cast<void*>(this));
      // Unlink: the newer pool that remembers this one remembers this one's predecessor instead,
      // so releasing it later never makes a freed pool current.
      for (LLKCAutoreleasePool* pool = tCurrentPool; pool != nullptr; pool = pool->iPrivate->mPrevious) {
        if (pool->iPrivate->mPrevious == this) {
          pool->iPrivate->mPrevious = d->mPrevious;
          break;
        }
      }
    }
  }
  Super::dealloc();
}

LLKCAutoreleasePool::~LLKCAutoreleasePool() { delete iPrivate; }
