#include <txq/aok/AOKCActiveObjectContext.h>

#include <txq/llk/object/LLKDefine.h>

LLK_DEFINE_CLASS(AOKCActiveObjectContext, LLK_PROTOCOLS(), initWithScheduler_andIdentifier, stopWaiting)

AOKCActiveObjectContext* AOKCActiveObjectContext::initWithScheduler_andIdentifier(AOKCActiveScheduler* scheduler,
                                                                                  LLKBObject* identifier) noexcept {
  iScheduler = scheduler;
  iIdentifier = llk::retain(identifier);
  iWaiting = LLKCObjectIndex::alloc()->initWithCapacity(16);
  iCoroutines = LLKCObjectMap::alloc()->initWithCapacity(8);
  if (iWaiting == nullptr || iCoroutines == nullptr) {
    dealloc();
    return nullptr;
  }
  return this;
}

AOKCActiveObjectContext::~AOKCActiveObjectContext() {
  llk::release(iIdentifier);
  llk::release(iCoroutines);
  llk::release(iWaiting);
}

namespace {

bool firstOne(LLKBObject*, void*) { return true; }

// The head of a waiting entry: its first element in service order, or nil when it holds none.
LLKBObject* headOf(LLKBObject* entry) noexcept {
  auto* container = llk::cast<LLKBObjectContainer>(entry);
  return container != nullptr ? container->iterateUntilMatchWithFunction_andContext(firstOne, nullptr) : nullptr;
}

}  // namespace

void AOKCActiveObjectContext::stopWaiting() noexcept {
  while (iWaiting->count() != 0) {
    LLKBObject* entry = llk::retain(iWaiting->fetchAtIndex(0));
    LLKBObject* head = llk::retain(headOf(entry));
    if (head != nullptr) {
      head->performSelector(LLK_SEL("quit"));
      head->performSelector(LLK_SEL("onDetached"));
    }
    // An entry that is empty, or whose head stayed, would stop this loop from ending: it goes.
    if (iWaiting->fetchAtIndex(0) == entry && (head == nullptr || headOf(entry) == head)) iWaiting->removeAtIndex(0);
    llk::release(head);
    llk::release(entry);
  }
  iWaiting->clear();
}
