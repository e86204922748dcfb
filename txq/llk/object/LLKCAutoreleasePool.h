#ifndef TXQ_LLK_OBJECT_LLKCAUTORELEASEPOOL_H
#define TXQ_LLK_OBJECT_LLKCAUTORELEASEPOOL_H
// LLKCAutoreleasePool: defers a release. autorelease() records an object in the calling thread's
// current pool; the pool releases every recorded object once when it is drained (sink) or released.
// Pools nest per thread: a new pool becomes current and remembers the one it replaced; releasing it
// restores that one. There is no global pool and none is made automatically.
//
//   LLKCAutoreleasePool* pool = LLKCAutoreleasePool::new_();
//   ... work that autoreleases (sink() at intervals in a long loop) ...
//   pool->release();
//
// Ownership: a recorded object's reference passes to the pool. A pool is not reference counted:
//            release destroys it at once; retain and autorelease log and do nothing.
// Threads:   owner thread only: a pool is drained and released on the thread that made it.
// Locks:     none.
// Failure:   logged (see the .cpp for the exact lines); push answers nil and the object leaks.

#include <cstdint>

#include <txq/llk/object/LLKBObject.h>

class LLK_EXPORT LLKCAutoreleasePool : public LLKBObject {
  LLK_OBJECT(LLKCAutoreleasePool, LLKBObject)

 public:
  struct private_t;  // defined in LLKCAutoreleasePool.cpp
  private_t* iPrivate;

  // ---- Class operations ----
  // Records the object in the calling thread's current pool. No pool: logs
  // "0x%p No LLKCAutoreleasePool!" (the class object's address) and answers nil.
  static LLKBObject* push_(LLKBObject* object) noexcept;
  // The calling thread's current pool, or nil.
  static LLKCAutoreleasePool* localPool() noexcept;
  // Makes `pool` (may be nil) the current pool without any other change; answers the previous one.
  static LLKCAutoreleasePool* swapWith(LLKCAutoreleasePool* pool) noexcept;

  // ---- Instance operations ----
  // Makes the new pool the thread's current pool.
  LLKCAutoreleasePool* init() noexcept override;
  // Records the object (no extra retain) and answers it; nil when no block could be allocated.
  LLKBObject* push(LLKBObject* object) noexcept;
  // Releases every recorded object once, newest block first and oldest object first within a block,
  // until the pool is empty (objects autoreleased by those releases are drained too).
  void sink() noexcept;
  // The number of objects waiting for the next drain.
  uint64_t count() const noexcept;

  LLKBObject* release() noexcept override;      // deallocates at once
  LLKBObject* retain() noexcept override;       // logs, answers the pool
  LLKBObject* autorelease() noexcept override;  // logs, answers the pool
  // Drains, gives the thread its previous pool back and frees the pool.
  void dealloc() noexcept override;

 protected:
  ~LLKCAutoreleasePool() override;
};

#endif  // TXQ_LLK_OBJECT_LLKCAUTORELEASEPOOL_H
