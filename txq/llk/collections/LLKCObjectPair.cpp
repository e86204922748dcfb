#include <txq/llk/collections/LLKCObjectPair.h>

#include <txq/llk/collections/LLKContainerCoding_p.h>
#include <txq/llk/collections/LLKContainerMaking_p.h>

#include <atomic>

#include <txq/llk/values/LLKCString.h>
#include <txq/llk/values/LLKFHash.h>

LLK_DEFINE_CLASS(LLKCObjectPair, LLK_PROTOCOLS(LLKPKeyable, LLKPCopyable, LLKPEncodable), initWithHead_andTail, head,
                 tail, compareTo, hashCode, hashCodeWithFunction_andContext, toString, initWithCopy_deep, copy,
                 deepCopy, encodeWithCoder, initWithCoder)

namespace {

// nil orders first and equals nil; otherwise the first object's own comparison.
int32_t comparePart(LLKBObject* a, LLKBObject* b) noexcept {
  if (a == nullptr) return b == nullptr ? 0 : -1;
  return a->compareTo(b);
}

const char* textOf(LLKBObject* part) noexcept {
  const char* text = llk::send(part, &LLKBObject::toChars);
  return text != nullptr ? text : "";
}

}  // namespace

// ---- Creation ----

LLKCObjectPair* LLKCObjectPair::pairWithHead_andTail(LLKBObject* head, LLKBObject* tail) noexcept {
  return llk::detail::autoreleasedNew(&LLKCObjectPair::initWithHead_andTail, head, tail);
}

LLKCObjectPair* LLKCObjectPair::initWithHead_andTail(LLKBObject* head, LLKBObject* tail) noexcept {
  iHead = llk::retain(head);
  iTail = llk::retain(tail);
  iHash = 0;
  return this;
}

LLKCObjectPair::~LLKCObjectPair() {
  llk::release(iHead);
  llk::release(iTail);
}

// ---- Value protocols ----

int32_t LLKCObjectPair::compareTo(LLKBObject* other) noexcept {
  LLKCObjectPair* pair = llk::cast<LLKCObjectPair>(other);
  if (pair == nullptr) return comparePart(iHead, other);
  int32_t order = comparePart(iHead, pair->iHead);
  if (order != 0 || iTail == nullptr || pair->iTail == nullptr) return order;
  return comparePart(iTail, pair->iTail);
}

uint32_t LLKCObjectPair::hashCode() noexcept {
  std::atomic_ref<uint32_t> cached(iHash);
  uint32_t hash = cached.load(std::memory_order_relaxed);
  if (hash == 0) {
    LLKTHashMaPrime32State state;
    LLKFHashMaPrime32Init(&state);
    hashCodeWithFunction_andContext(LLKFHashMaPrime32Feed, &state);
    hash = LLKFHashMaPrime32Hash(&state);
    cached.store(hash, std::memory_order_relaxed);  // idempotent: every thread computes the same
  }
  return hash;
}

uint32_t LLKCObjectPair::hashCodeWithFunction_andContext(LLKFHashFeed function, void* context) noexcept {
  if (function == nullptr) return 0;
  uint32_t hash = 0;
  if (iHead != nullptr) hash = iHead->hashCodeWithFunction_andContext(function, context);
  if (iTail != nullptr) hash = iTail->hashCodeWithFunction_andContext(function, context);
  return hash;
}

LLKCString* LLKCObjectPair::toString() noexcept {
  if (iHead == nullptr) return llk::send(iTail, &LLKBObject::toString);
  if (iTail == nullptr) return iHead->toString();
  return LLKCString::stringWithFormat("%s.%s", textOf(iHead), textOf(iTail));
}

LLKCObjectPair* LLKCObjectPair::initWithCopy_deep(LLKBObject* source, bool deep) noexcept {
  LLKCObjectPair* other = llk::cast<LLKCObjectPair>(source);
  if (other == nullptr) {
    dealloc();
    return nullptr;
  }
  LLKBObject* head = other->iHead;
  LLKBObject* tail = other->iTail;
  if (deep) {
    // Each part's copy (autoreleased); a part that is present but cannot be copied fails the copy.
    if (head != nullptr && (head = llk::conformsTo(head, &LLKPCopyable::kProtocol) ? head->copy() : nullptr) == nullptr) {
      dealloc();
      return nullptr;
    }
    if (tail != nullptr && (tail = llk::conformsTo(tail, &LLKPCopyable::kProtocol) ? tail->copy() : nullptr) == nullptr) {
      dealloc();
      return nullptr;
    }
  }
  initWithHead_andTail(head, tail);
  // The same parts hash the same; copied parts are hashed afresh when asked.
  if (!deep) iHash = std::atomic_ref<uint32_t>(other->iHash).load(std::memory_order_relaxed);
  return this;
}

LLKCObjectPair* LLKCObjectPair::copy() noexcept { return static_cast<LLKCObjectPair*>(Super::copy()); }

LLKCObjectPair* LLKCObjectPair::deepCopy() noexcept { return static_cast<LLKCObjectPair*>(Super::deepCopy()); }

// ---- Coding ----

bool LLKCObjectPair::encodeWithCoder(LLKBEncoder* coder) noexcept {
  if (coder == nullptr) return false;
  if (iHead != nullptr &&
      !(llk::detail::isEncodable(iHead) && coder->encodeObject_forKey(iHead, "head"_llk))) {
    return false;
  }
  return iTail == nullptr ||
         (llk::detail::isEncodable(iTail) && coder->encodeObject_forKey(iTail, "tail"_llk));
}

LLKCObjectPair* LLKCObjectPair::initWithCoder(LLKBDecoder* coder) noexcept {
  // A part is absent when no record has its key; one that is there must decode.
  LLKBObject* parts[2] = {nullptr, nullptr};
  LLKBObject* const keys[2] = {"head"_llk, "tail"_llk};
  for (int i = 0; i < 2; ++i) {
    if (coder == nullptr ||
        (coder->containsValueForKey(keys[i]) && !coder->decodeObject_forKey(&parts[i], keys[i]))) {
      dealloc();
      return nullptr;
    }
  }
  return initWithHead_andTail(parts[0], parts[1]);
}
