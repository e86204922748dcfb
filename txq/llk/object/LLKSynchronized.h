#ifndef TXQ_LLK_OBJECT_LLKSYNCHRONIZED_H
#define TXQ_LLK_OBJECT_LLKSYNCHRONIZED_H
// llk::Synchronized: holds an object's (or a class object's) monitor for a block.
//   { llk::Synchronized monitor(object); ... }   // recursive; nil guards nothing
// Threads: the guard belongs to the thread that made it.

#include <txq/llk/object/LLKBObject.h>

namespace llk {

class Synchronized {
 public:
  explicit Synchronized(const LLKBObject* object) noexcept : object_(object) {
    if (!LLKMonitorEnter(object)) object_ = nullptr;
  }
  explicit Synchronized(const LLKClass* klass) noexcept : class_(klass) {
    if (!LLKMonitorEnter(klass)) class_ = nullptr;
  }
  ~Synchronized() {
    if (object_ != nullptr) LLKMonitorExit(object_);
    if (class_ != nullptr) LLKMonitorExit(class_);
  }
  Synchronized(const Synchronized&) = delete;
  Synchronized& operator=(const Synchronized&) = delete;
  // NO when the monitor could not be taken (nil, or no memory for the lock).
  bool held() const noexcept { return object_ != nullptr || class_ != nullptr; }

 private:
  const LLKBObject* object_ = nullptr;
  const LLKClass* class_ = nullptr;
};

}  // namespace llk

#endif  // TXQ_LLK_OBJECT_LLKSYNCHRONIZED_H
