#include <txq/llk/collections/LLKCObjectMapBucket_p.h>

#include <cstring>

#include <txq/llk/collections/LLKCObjectDeque.h>

LLK_DEFINE_CLASS(LLKCObjectMapBucket, LLK_PROTOCOLS(), init, clear)

LLKCObjectMapBucket* LLKCObjectMapBucket::init() noexcept {
  LLKCObjectDeque* list = LLKCObjectDeque::alloc();
  mList = list != nullptr ? list->initWithCapacity(1) : nullptr;
  if (mList == nullptr) {
    dealloc();
    return nullptr;
  }
  return this;
}

void LLKCObjectMapBucket::clear() noexcept {
  mHash = 0;
  std::memset(static_cast<void*>(&mHandle), 0, sizeof mHandle);
}

LLKCObjectMapBucket::~LLKCObjectMapBucket() { llk::release(mList); }
