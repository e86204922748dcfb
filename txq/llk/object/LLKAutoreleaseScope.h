#ifndef TXQ_LLK_OBJECT_LLKAUTORELEASESCOPE_H
#define TXQ_LLK_OBJECT_LLKAUTORELEASESCOPE_H
// llk::AutoreleaseScope: an autorelease pool for a block.
//   { llk::AutoreleaseScope pool; ... pool.drain(); ... }  // released at the closing brace
// Threads: owner thread only, like the pool it holds.

#include <txq/llk/object/LLKCAutoreleasePool.h>

namespace llk {

class AutoreleaseScope {
 public:
  AutoreleaseScope() noexcept : pool_(LLKCAutoreleasePool::new_()) {}
  ~AutoreleaseScope() { llk::release(pool_); }
  AutoreleaseScope(const AutoreleaseScope&) = delete;
  AutoreleaseScope& operator=(const AutoreleaseScope&) = delete;

  // Releases what the pool holds now; the pool stays current.
  void drain() noexcept { llk::send(pool_, &LLKCAutoreleasePool::sink); }
  LLKCAutoreleasePool* pool() const noexcept { return pool_; }

 private:
  LLKCAutoreleasePool* pool_;
};

}  // namespace llk

#endif  // TXQ_LLK_OBJECT_LLKAUTORELEASESCOPE_H
