#include <txq/aok/AOKBActiveObject.h>

#include <txq/aok/AOKCActiveObjectContext.h>
#include <txq/aok/AOKCActiveScheduler.h>
#include <txq/llk/object/LLKDefine.h>
#include <txq/llk/object/LLKSynchronized.h>

LLK_DEFINE_CLASS(AOKBActiveObject, LLK_PROTOCOLS(), init, whenAttachedTo_as_withAncillary,
                 whenDetachedOf_as_withAncillary, contextFor, contextCount)

AOKBActiveObject* AOKBActiveObject::init() noexcept {
  if (Super::init() == nullptr) return nullptr;
  iPrivate = new (std::nothrow) private_t;
  if (iPrivate == nullptr) {
    dealloc();
    return nullptr;
  }
  return this;
}

AOKBActiveObject::~AOKBActiveObject() {
  if (iPrivate != nullptr) {
    llk::release(iPrivate->mContext);
    llk::release(iPrivate->mShelf);
    delete iPrivate;
  }
}

void AOKBActiveObject::whenAttachedTo_as_withAncillary(AOKCActiveScheduler* scheduler, LLKBObject* identifier,
                                                       LLKCDictionary* ancillary) noexcept {
  {
    llk::Synchronized hold(this);
    private_t* d = iPrivate;
    auto* context = AOKCActiveObjectContext::alloc()->initWithScheduler_andIdentifier(scheduler, identifier);
    if (context != nullptr) {
      LLKBObject* schedulerKey = scheduler->token();
      if (d->mContext == nullptr && d->mShelf == nullptr) {
        d->mContext = context;
        context = nullptr;
      } else {
        if (d->mShelf == nullptr) {
          LLKCObjectShelf* shelf = LLKCObjectShelf::alloc()->initWithCapacity(4);
          if (shelf != nullptr &&
              shelf->store_forKey(d->mContext, d->mContext->iScheduler->token()) == 0) {
            llk::release(d->mContext);
            d->mContext = nullptr;
            d->mShelf = shelf;
          } else {
            llk::release(shelf);
          }
        }
        if (d->mShelf != nullptr) d->mShelf->store_forKey(context, schedulerKey);
      }
      llk::release(context);  // the shelf holds its own reference (or it could not take it)
    }
  }
  onAttachedTo_as_withAncillary(scheduler, identifier, ancillary);
}

void AOKBActiveObject::whenDetachedOf_as_withAncillary(AOKCActiveScheduler* scheduler, LLKBObject* identifier,
                                                       LLKCDictionary* ancillary) noexcept {
  AOKCActiveObjectContext* context = nullptr;
  {
    llk::Synchronized hold(this);
    private_t* d = iPrivate;
    if (d->mContext != nullptr) {
      // Only the context of this scheduler: detaching from another one leaves it in place.
      if (d->mContext->iScheduler == scheduler) std::swap(context, d->mContext);
    } else if (d->mShelf != nullptr) {
      LLKBObject* schedulerKey = scheduler->token();
      context = static_cast<AOKCActiveObjectContext*>(llk::retain(d->mShelf->fetchForKey(schedulerKey)));
      if (context != nullptr) d->mShelf->removeForKey(schedulerKey);
      if (d->mShelf->count() == 0) {
        llk::release(d->mShelf);
        d->mShelf = nullptr;
      }
    }
  }
  if (context != nullptr) {
    context->stopWaiting();
    llk::release(context);
  }
  onDetachedOf_as_withAncillary(scheduler, identifier, ancillary);
}

AOKCActiveObjectContext* AOKBActiveObject::contextFor(AOKCActiveScheduler* scheduler) noexcept {
  llk::Synchronized hold(this);
  private_t* d = iPrivate;
  if (d->mContext != nullptr) return d->mContext->iScheduler == scheduler ? d->mContext : nullptr;
  if (d->mShelf == nullptr) return nullptr;
  return static_cast<AOKCActiveObjectContext*>(d->mShelf->fetchForKey(scheduler->token()));
}

uint64_t AOKBActiveObject::contextCount() noexcept {
  llk::Synchronized hold(this);
  if (iPrivate->mContext != nullptr) return 1;
  return iPrivate->mShelf != nullptr ? iPrivate->mShelf->count() : 0;
}
