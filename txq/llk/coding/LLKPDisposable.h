#ifndef TXQ_LLK_CODING_LLKPDISPOSABLE_H
#define TXQ_LLK_CODING_LLKPDISPOSABLE_H
// LLKPDisposable: the role of an object whose underlying store (a memory block, an open file) can be
// let go before the object itself. A class adopts it as a secondary base listed in LLK_PROTOCOLS.
// Threads: as the adopting class says.

#include <txq/llk/object/LLKBObject.h>

struct LLK_EXPORT LLKPDisposable {
  static const LLKProtocol kProtocol;

  // Releases the store now; YES when the object no longer holds one.
  virtual bool dispose() noexcept = 0;
  virtual bool isDisposed() noexcept = 0;
  // Makes a disposed object usable again where the class can; the library's channels answer NO.
  virtual bool recycle() noexcept = 0;

 protected:
  ~LLKPDisposable() = default;
};

#endif  // TXQ_LLK_CODING_LLKPDISPOSABLE_H
