#include <txq/llk/collections/LLKCKeyringBucket_p.h>

#include <cstring>

#include <txq/llk/collections/LLKCObjectDeque.h>

LLK_DEFINE_CLASS(LLKCKeyringBucket, LLK_PROTOCOLS(), init, clear)

LLKCKeyringBucket* LLKCKeyringBucket::init() noexcept {
  LLKCObjectDeque* list = LLKCObjectDeque::alloc();
  mList = list != nullptr ? list->initWithCapacity(1) : nullptr;
  if (mList == nullptr) {
    dealloc();
    return nullptr;
  }
  return this;
}

void LLKCKeyringBucket::clear() noexcept {
  mHash = 0;
  std::memset(static_cast<void*>(&mHandle), 0, sizeof mHandle);
}

LLKCKeyringBucket::~LLKCKeyringBucket() { llk::release(mList); }
