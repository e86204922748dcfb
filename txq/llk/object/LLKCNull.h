#ifndef TXQ_LLK_OBJECT_LLKCNULL_H
#define TXQ_LLK_OBJECT_LLKCNULL_H
// LLKCNull: a shared placeholder object, for a slot that must hold an object but means "nothing".
// Ownership: null() answers the one shared instance, borrowed; it lives until the library unloads.
// Threads:   any thread; concurrent first calls create the instance once (class-object monitor).

#include <txq/llk/object/LLKBObject.h>

class LLK_EXPORT LLKCNull : public LLKBObject {
  LLK_OBJECT(LLKCNull, LLKBObject)

 public:
  static LLKCNull* null() noexcept;
};

#endif  // TXQ_LLK_OBJECT_LLKCNULL_H
