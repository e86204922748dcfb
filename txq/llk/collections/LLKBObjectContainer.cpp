#include <txq/llk/collections/LLKBObjectContainer.h>

LLK_DEFINE_CLASS(LLKBObjectContainer, LLK_PROTOCOLS(LLKPCopyable, LLKPEncodable), setCallback,
                 setCallback_withContext, setChangeCallback, setAcceptCallback, setChangeCallback_withContext,
                 setAcceptCallback_withContext, iterateWithFunction_andContext,
                 iterateUntilMatchWithFunction_andContext, removeEachMatchWithFunction_andContext,
                 removeFirstMatchWithFunction_andContext, sortWithFunction_andContext, initWithCopy_deep, copy,
                 deepCopy, encodeWithCoder, initWithCoder)

void LLKBObjectContainer::setChangeCallback_withContext(LLKFChangeCallback, void*) noexcept {}

void LLKBObjectContainer::setAcceptCallback_withContext(LLKFAcceptCallback, void*) noexcept {}

void LLKBObjectContainer::iterateWithFunction_andContext(LLKFIterateFunction, void*) noexcept {}

LLKBObject* LLKBObjectContainer::iterateUntilMatchWithFunction_andContext(LLKFMatchFunction, void*) noexcept {
  return nullptr;
}

bool LLKBObjectContainer::removeEachMatchWithFunction_andContext(LLKFMatchFunction, void*) noexcept { return false; }

bool LLKBObjectContainer::removeFirstMatchWithFunction_andContext(LLKFMatchFunction, void*) noexcept { return false; }

void LLKBObjectContainer::sortWithFunction_andContext(LLKFSortFunction, void*) noexcept {}

LLKBObjectContainer* LLKBObjectContainer::initWithCopy_deep(LLKBObject*, bool) noexcept {
  init();
  return this;
}

bool LLKBObjectContainer::encodeWithCoder(LLKBEncoder*) noexcept { return true; }

LLKBObjectContainer* LLKBObjectContainer::initWithCoder(LLKBDecoder*) noexcept {
  return static_cast<LLKBObjectContainer*>(init());
}
