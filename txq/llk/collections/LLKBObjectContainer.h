#ifndef TXQ_LLK_COLLECTIONS_LLKBOBJECTCONTAINER_H
#define TXQ_LLK_COLLECTIONS_LLKBOBJECTCONTAINER_H
// LLKBObjectContainer: the abstract base of the object containers (arrays, vectors, deques, lists,
// stacks, queues, piles, tuples, tables, indexes, shelves, stores). It fixes the conventions they
// share:
//   - a container retains every object it stores and releases it when the object leaves;
//   - an optional change callback is told op 0 after an object was added and op 1 before an object
//     is released on its way out; an optional accept callback is asked op 0 before an addition and
//     op 1 before a removal, and vetoes it by answering NO (status 11);
//   - status results are those of llk::Status (txq/llk/object/LLKStatus.h).
// From C++, containers work with range-for (LLKContainers.h) and with lambdas in place of the
// function-plus-context operations (llk::forEach, llk::findIf, llk::removeIf, llk::sort).
// Coding: a container writes the objects it holds whose class adopts LLKPEncodable (others are
// skipped) and the keyed 32-bit "count" (of objects written) and "capacity". Reading back allocates
// nothing on the strength of those numbers alone: room follows the objects as they arrive, and the
// capacity comes back as max(count, min(capacity, 4096)); the sequences (the tuple aside) read a
// stored capacity of 0 as 16. A decoding fails (nil) unless every object written comes back.
// Callbacks are not written.
// Ownership: copies autoreleased; callbacks and their contexts are borrowed and never copied.
// Threads:   one thread at a time; containers take no locks (threads sharing one put a lock around it).

#include <cstdint>

#include <txq/llk/object/LLKBObject.h>
#include <txq/llk/object/LLKStatus.h>

// op 0 after an addition, op 1 before a removal; the result is ignored.
using LLKFChangeCallback = void (*)(uint32_t op, LLKBObject* object, void* context);
// op 0 before an addition, op 1 before a removal; NO vetoes it.
using LLKFAcceptCallback = bool (*)(uint32_t op, LLKBObject* object, void* context);
using LLKFIterateFunction = void (*)(LLKBObject* object, void* context);
using LLKFMatchFunction = bool (*)(LLKBObject* object, void* context);
using LLKFSortFunction = int32_t (*)(LLKBObject* a, LLKBObject* b, void* context);

class LLK_EXPORT LLKBObjectContainer : public LLKBObject {
  LLK_OBJECT(LLKBObjectContainer, LLKBObject)

 public:
  // ---- Callbacks ----
  // Both set the change callback (the first with a null context).
  void setCallback(LLKFChangeCallback callback) noexcept { setChangeCallback_withContext(callback, nullptr); }
  void setCallback_withContext(LLKFChangeCallback callback, void* context) noexcept {
    setChangeCallback_withContext(callback, context);
  }
  void setChangeCallback(LLKFChangeCallback callback) noexcept { setChangeCallback_withContext(callback, nullptr); }
  void setAcceptCallback(LLKFAcceptCallback callback) noexcept { setAcceptCallback_withContext(callback, nullptr); }
  // Containers without a callback of that kind ignore these.
  virtual void setChangeCallback_withContext(LLKFChangeCallback callback, void* context) noexcept;
  virtual void setAcceptCallback_withContext(LLKFAcceptCallback callback, void* context) noexcept;

  // ---- Iteration ----  (the defaults do nothing, answer nil or NO)
  virtual void iterateWithFunction_andContext(LLKFIterateFunction function, void* context) noexcept;
  virtual LLKBObject* iterateUntilMatchWithFunction_andContext(LLKFMatchFunction function, void* context) noexcept;
  virtual bool removeEachMatchWithFunction_andContext(LLKFMatchFunction function, void* context) noexcept;
  virtual bool removeFirstMatchWithFunction_andContext(LLKFMatchFunction function, void* context) noexcept;
  virtual void sortWithFunction_andContext(LLKFSortFunction function, void* context) noexcept;

  // ---- Copies ----
  // Plain init here; concrete containers copy their contents (deep: each object's copy).
  LLKBObjectContainer* initWithCopy_deep(LLKBObject* source, bool deep) noexcept override;

  // ---- Coding ----
  // Writes nothing and answers YES; reading is plain init. Concrete containers write the encodable
  // objects they hold (others are skipped) with the keyed "count" and "capacity", and come back
  // from a coder only when every object written comes back.
  bool encodeWithCoder(LLKBEncoder* coder) noexcept override;
  LLKBObjectContainer* initWithCoder(LLKBDecoder* coder) noexcept override;
};

#endif  // TXQ_LLK_COLLECTIONS_LLKBOBJECTCONTAINER_H
