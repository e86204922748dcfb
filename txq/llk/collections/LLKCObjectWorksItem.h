#ifndef TXQ_LLK_COLLECTIONS_LLKCOBJECTWORKSITEM_H
#define TXQ_LLK_COLLECTIONS_LLKCOBJECTWORKSITEM_H
// LLKCObjectWorksItem: one object registered with a works register (LLKCObjectWorks): the object,
// its priority, its state and the invocation to run when it is resolved.
//
//   LLKCObjectWorksItem* item = LLKCObjectWorksItem::itemWithObject_andPriority(job, 7);
//   item->setState(LLKCObjectWorksItem::kTaken);
//   item->completed();                                   // NO: only done and cancelled are
//
// States: 0 queued, 1 taken (a worker runs it), 2 done, 3 cancelled.
// Ownership: the factory autoreleased; init... +1. The object and the invocation are retained;
//            invocation() answers the invocation retained and autoreleased.
// Threads:   any thread. Object and priority are fixed at creation.
// Locks:     the item's monitor guards state and invocation; it is a leaf (nothing else is taken
//            while it is held).
// Failure:   init... answers nil for a nil object.

#include <cstdint>

#include <txq/llk/object/LLKBObject.h>

class LLKCInvocation;

class LLK_EXPORT LLKCObjectWorksItem : public LLKBObject {
  LLK_OBJECT(LLKCObjectWorksItem, LLKBObject)

 public:
  enum : uint32_t { kQueued = 0, kTaken = 1, kDone = 2, kCancelled = 3 };

  LLKBObject* iObject;          // retained
  uint8_t iPriority;
  LLKCInvocation* iInvocation;  // retained, may be nil; guarded by the monitor
  uint32_t iState;              // guarded by the monitor

  // State 0, no invocation.
  static LLKCObjectWorksItem* itemWithObject_andPriority(LLKBObject* object, uint8_t priority) noexcept;
  LLKCObjectWorksItem* initWithObject_andPriority(LLKBObject* object, uint8_t priority) noexcept;

  LLKBObject* object() noexcept { return iObject; }  // borrowed
  uint8_t priority() noexcept { return iPriority; }
  LLKCInvocation* invocation() noexcept;
  // Retains the new invocation (may be nil) and releases the old one.
  void setInvocation(LLKCInvocation* invocation) noexcept;
  uint32_t state() noexcept;
  void setState(uint32_t state) noexcept;
  // YES in states 2 (done) and 3 (cancelled).
  bool completed() noexcept;

 protected:
  ~LLKCObjectWorksItem() override;  // releases the object and the invocation
};

#endif  // TXQ_LLK_COLLECTIONS_LLKCOBJECTWORKSITEM_H
