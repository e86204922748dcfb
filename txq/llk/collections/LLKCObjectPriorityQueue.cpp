#include <txq/llk/collections/LLKCObjectPriorityQueue.h>

#include <algorithm>
#include <bit>
#include <new>

#include <txq/llk/collections/LLKContainerCoding_p.h>
#include <txq/llk/collections/LLKContainerMaking_p.h>
#include <txq/llk/collections/LLKObjectChain_p.h>

// 256 chains of used nodes, one per priority, and the chain of spare nodes (only its head end is
// used; spare nodes hold no object). Every node belongs to exactly one chain. mOccupied has bit p
// set exactly when priority p's chain is not empty, so the highest non-empty priority of a range
// is found with a few word tests instead of a walk over the chains.
struct LLKCObjectPriorityQueue::private_t {
  using node_t = llk::detail::ObjectNode;
  using chain_t = llk::detail::ObjectChain;
  static constexpr int kLevels = 256;

  chain_t mLists[kLevels];
  chain_t mSpare;
  LLKFChangeCallback mChangeCallback = nullptr;  // borrowed
  void* mChangeContext = nullptr;                // borrowed
  uint64_t mCount = 0;                           // the sum of the lists' sizes
  uint64_t mOccupied[kLevels / 64] = {};

  ~private_t() {
    for (chain_t& list : mLists) list.freeAll();
    mSpare.freeAll();
  }

  void changed(uint32_t op, LLKBObject* object) const noexcept {
    if (mChangeCallback != nullptr) mChangeCallback(op, object, mChangeContext);
  }

  // ---- Spare pool ----
  void pushSpare(node_t* node) noexcept { mSpare.pushSpare(node); }
  node_t* takeNode() noexcept { return mSpare.takeSpareOrNew(); }
  // Makes spare nodes until count + spare reaches `capacity`: 0, or 2 (those made stay).
  int32_t reserve(uint64_t capacity) noexcept {
    while (mCount + mSpare.mSize < capacity) {
      node_t* node = new (std::nothrow) node_t{nullptr, nullptr, nullptr};
      if (node == nullptr) return llk::kNoMemory;
      pushSpare(node);
    }
    return llk::kDone;
  }

  // ---- Lists ----
  // The highest non-empty priority in [low, high], or -1.
  int highest(uint8_t low, uint8_t high) const noexcept {
    for (int word = high >> 6; word >= (low >> 6); --word) {
      uint64_t bits = mOccupied[word];
      if (word == (high >> 6) && (high & 63) != 63) bits &= (uint64_t{1} << ((high & 63) + 1)) - 1;
      if (word == (low >> 6)) bits &= ~uint64_t{0} << (low & 63);
      if (bits != 0) return word * 64 + 63 - std::countl_zero(bits);
    }
    return -1;
  }
  // The chain of the highest non-empty priority in [min(a, b), max(a, b)] (its priority stored
  // when `priority` is not null), or null.
  chain_t* servedWithin(uint8_t a, uint8_t b, uint8_t* priority) noexcept {
    const int p = highest(std::min(a, b), std::max(a, b));
    if (p < 0) return nullptr;
    if (priority != nullptr) *priority = static_cast<uint8_t>(p);
    return &mLists[p];
  }

  int32_t append(LLKBObject* object, uint8_t priority) noexcept {
    if (object == nullptr) return llk::kDone;
    node_t* node = takeNode();
    if (node == nullptr) return llk::kNoMemory;
    chain_t& list = mLists[priority];
    node->mObject = llk::retain(object);
    list.insertBefore(node, nullptr);
    ++mCount;
    mOccupied[priority >> 6] |= uint64_t{1} << (priority & 63);
    changed(0, object);
    return llk::kDone;
  }

  // Unlinks the node from its list and makes it a spare one; answers its object (still retained).
  LLKBObject* unlink(node_t* node, uint8_t priority) noexcept {
    chain_t& list = mLists[priority];
    list.unlink(node);
    if (list.mSize == 0) mOccupied[priority >> 6] &= ~(uint64_t{1} << (priority & 63));
    --mCount;
    LLKBObject* object = node->mObject;
    pushSpare(node);
    return object;
  }
  // Change callback op 1, unlink, release.
  void removeNode(node_t* node, uint8_t priority) noexcept {
    changed(1, node->mObject);
    llk::release(unlink(node, priority));
  }
  // Change callback op 1, unlink; the queue's reference goes to the current pool.
  LLKBObject* popHead(chain_t* list) noexcept {
    if (list == nullptr) return nullptr;
    const auto priority = static_cast<uint8_t>(list - mLists);
    changed(1, list->mHead->mObject);
    return llk::autorelease(unlink(list->mHead, priority));
  }

  // The first node holding the object, priority 0 upwards (its priority stored), or null.
  node_t* find(LLKBObject* object, uint8_t* priority) noexcept {
    if (object == nullptr) return nullptr;
    for (int p = 0; p < kLevels; ++p) {
      for (node_t* node = mLists[p].mHead; node != nullptr; node = node->mNext) {
        if (node->mObject == object) {
          *priority = static_cast<uint8_t>(p);
          return node;
        }
      }
    }
    return nullptr;
  }

  // visit(node, priority) for every node in service order; a YES answer stops the walk (the node
  // visited may have been removed by then). Answers whether a visit stopped it.
  template <class Visit>
  bool walk(Visit visit) noexcept {
    for (int p = highest(0, 255); p >= 0; p = p > 0 ? highest(0, static_cast<uint8_t>(p - 1)) : -1) {
      for (node_t* node = mLists[p].mHead; node != nullptr;) {
        node_t* next = node->mNext;
        if (visit(node, static_cast<uint8_t>(p))) return true;
        node = next;
      }
    }
    return false;
  }
};

LLK_DEFINE_CLASS(LLKCObjectPriorityQueue, LLK_PROTOCOLS(), init, initWithCapacity, push, push_withPriority, pop,
                 popAndGivePriority, popWithPriority, popWithin_and_andGivePriority, peek, peekAndGivePriority,
                 peekWithPriority, peekWithin_and_andGivePriority, peekAtPriority, count, capacity, contains,
                 contains_priority, remove, removeWithFilter_context, clear, setChangeCallback_withContext,
                 iterateWithFunction_andContext, iterateUntilMatchWithFunction_andContext,
                 removeEachMatchWithFunction_andContext, removeFirstMatchWithFunction_andContext, initWithCopy_deep,
                 copy, deepCopy, encodeWithCoder, initWithCoder)

// ---- Creation ----

LLKCObjectPriorityQueue* LLKCObjectPriorityQueue::queue() noexcept {
  return llk::detail::autoreleasedNew(&LLKCObjectPriorityQueue::init);
}

LLKCObjectPriorityQueue* LLKCObjectPriorityQueue::init() noexcept { return initWithCapacity(0); }

LLKCObjectPriorityQueue* LLKCObjectPriorityQueue::queueWithCapacity(uint64_t capacity) noexcept {
  return llk::detail::autoreleasedNew(&LLKCObjectPriorityQueue::initWithCapacity, capacity);
}

LLKCObjectPriorityQueue* LLKCObjectPriorityQueue::initWithCapacity(uint64_t capacity) noexcept {
  iPrivate = new (std::nothrow) private_t();
  if (iPrivate == nullptr || iPrivate->reserve(capacity) != llk::kDone) {
    dealloc();
    return nullptr;
  }
  return this;
}

LLKCObjectPriorityQueue::~LLKCObjectPriorityQueue() {
  if (iPrivate == nullptr) return;
  clear();
  delete iPrivate;
}

// ---- Additions ----

int32_t LLKCObjectPriorityQueue::push(LLKBObject* object) noexcept { return iPrivate->append(object, 0); }

int32_t LLKCObjectPriorityQueue::push_withPriority(LLKBObject* object, uint8_t priority) noexcept {
  return iPrivate->append(object, priority);
}

// ---- Service ----

LLKBObject* LLKCObjectPriorityQueue::pop() noexcept { return popWithin_and_andGivePriority(0, 255, nullptr); }

LLKBObject* LLKCObjectPriorityQueue::popAndGivePriority(uint8_t* priority) noexcept {
  return popWithin_and_andGivePriority(0, 255, priority);
}

LLKBObject* LLKCObjectPriorityQueue::popWithPriority(uint8_t priority) noexcept {
  return popWithin_and_andGivePriority(priority, priority, nullptr);
}

LLKBObject* LLKCObjectPriorityQueue::popWithin_and_andGivePriority(uint8_t a, uint8_t b, uint8_t* priority) noexcept {
  return iPrivate->popHead(iPrivate->servedWithin(a, b, priority));
}

LLKBObject* LLKCObjectPriorityQueue::peek() noexcept { return peekWithin_and_andGivePriority(0, 255, nullptr); }

LLKBObject* LLKCObjectPriorityQueue::peekAndGivePriority(uint8_t* priority) noexcept {
  return peekWithin_and_andGivePriority(0, 255, priority);
}

LLKBObject* LLKCObjectPriorityQueue::peekWithPriority(uint8_t priority) noexcept {
  return peekWithin_and_andGivePriority(priority, priority, nullptr);
}

LLKBObject* LLKCObjectPriorityQueue::peekWithin_and_andGivePriority(uint8_t a, uint8_t b, uint8_t* priority) noexcept {
  private_t::chain_t* list = iPrivate->servedWithin(a, b, priority);
  return list != nullptr ? list->mHead->mObject : nullptr;
}

uint8_t LLKCObjectPriorityQueue::peekAtPriority() noexcept {
  const int p = iPrivate->highest(0, 255);
  return p < 0 ? 0 : static_cast<uint8_t>(p);
}

// ---- Size ----

uint64_t LLKCObjectPriorityQueue::count() const noexcept { return iPrivate->mCount; }

uint64_t LLKCObjectPriorityQueue::capacity() const noexcept { return iPrivate->mCount + iPrivate->mSpare.mSize; }

// ---- Search and removal ----

bool LLKCObjectPriorityQueue::contains(LLKBObject* object) noexcept { return contains_priority(object, nullptr); }

bool LLKCObjectPriorityQueue::contains_priority(LLKBObject* object, uint8_t* priority) noexcept {
  uint8_t at = 0;
  if (iPrivate->find(object, &at) == nullptr) return false;
  if (priority != nullptr) *priority = at;
  return true;
}

int32_t LLKCObjectPriorityQueue::remove(LLKBObject* object) noexcept {
  uint8_t at = 0;
  private_t::node_t* node = iPrivate->find(object, &at);
  if (node == nullptr) return llk::kNotFound;
  iPrivate->removeNode(node, at);
  return llk::kDone;
}

bool LLKCObjectPriorityQueue::removeWithFilter_context(LLKFMatchFunction function, void* context) noexcept {
  return removeEachMatchWithFunction_andContext(function, context);
}

void LLKCObjectPriorityQueue::clear() noexcept {
  iPrivate->walk([this](private_t::node_t* node, uint8_t priority) noexcept {
    iPrivate->removeNode(node, priority);
    return false;
  });
}

// ---- Callbacks and iteration ----

void LLKCObjectPriorityQueue::setChangeCallback_withContext(LLKFChangeCallback callback, void* context) noexcept {
  iPrivate->mChangeCallback = callback;
  iPrivate->mChangeContext = context;
}

void LLKCObjectPriorityQueue::iterateWithFunction_andContext(LLKFIterateFunction function, void* context) noexcept {
  if (function == nullptr) return;
  iPrivate->walk([&](private_t::node_t* node, uint8_t) noexcept {
    function(node->mObject, context);
    return false;
  });
}

LLKBObject* LLKCObjectPriorityQueue::iterateUntilMatchWithFunction_andContext(LLKFMatchFunction function,
                                                                              void* context) noexcept {
  if (function == nullptr) return nullptr;
  LLKBObject* match = nullptr;
  iPrivate->walk([&](private_t::node_t* node, uint8_t) noexcept {
    if (!function(node->mObject, context)) return false;
    match = node->mObject;
    return true;
  });
  return match;
}

bool LLKCObjectPriorityQueue::removeEachMatchWithFunction_andContext(LLKFMatchFunction function,
                                                                     void* context) noexcept {
  if (function == nullptr) return false;
  bool any = false;
  iPrivate->walk([&](private_t::node_t* node, uint8_t priority) noexcept {
    if (function(node->mObject, context)) {
      iPrivate->removeNode(node, priority);
      any = true;
    }
    return false;
  });
  return any;
}

bool LLKCObjectPriorityQueue::removeFirstMatchWithFunction_andContext(LLKFMatchFunction function,
                                                                      void* context) noexcept {
  if (function == nullptr) return false;
  return iPrivate->walk([&](private_t::node_t* node, uint8_t priority) noexcept {
    if (!function(node->mObject, context)) return false;
    iPrivate->removeNode(node, priority);
    return true;
  });
}

// ---- Copies ----

LLKCObjectPriorityQueue* LLKCObjectPriorityQueue::initWithCopy_deep(LLKBObject* source, bool deep) noexcept {
  LLKCObjectPriorityQueue* other = llk::cast<LLKCObjectPriorityQueue>(source);
  if (other == nullptr) {
    dealloc();
    return nullptr;
  }
  if (initWithCapacity(other->capacity()) == nullptr) return nullptr;
  for (int p = 0; p < private_t::kLevels; ++p) {
    for (private_t::node_t* node = other->iPrivate->mLists[p].mHead; node != nullptr; node = node->mNext) {
      LLKBObject* object = node->mObject;
      if (deep) object = llk::conformsTo(object, &LLKPCopyable::kProtocol) ? object->copy() : nullptr;
      if (object == nullptr || iPrivate->append(object, static_cast<uint8_t>(p)) != llk::kDone) {
        dealloc();
        return nullptr;
      }
    }
  }
  return this;
}

LLKCObjectPriorityQueue* LLKCObjectPriorityQueue::copy() noexcept {
  return static_cast<LLKCObjectPriorityQueue*>(Super::copy());
}

LLKCObjectPriorityQueue* LLKCObjectPriorityQueue::deepCopy() noexcept {
  return static_cast<LLKCObjectPriorityQueue*>(Super::deepCopy());
}

// ---- Coding ----

bool LLKCObjectPriorityQueue::encodeWithCoder(LLKBEncoder* coder) noexcept {
  return llk::detail::encodeContainer(this, coder, capacity(), [this, coder](uint64_t* groups) noexcept {
    for (int p = private_t::kLevels - 1; p >= 0; --p) {
      uint64_t encodable = 0;
      for (private_t::node_t* node = iPrivate->mLists[p].mHead; node != nullptr; node = node->mNext) {
        if (llk::detail::isEncodable(node->mObject)) ++encodable;
      }
      if (encodable == 0) continue;
      if (encodable > UINT32_MAX || !coder->encodeUint32(static_cast<uint32_t>(p)) ||
          !coder->encodeUint32(static_cast<uint32_t>(encodable))) {
        return false;
      }
      uint64_t written = 0;
      for (private_t::node_t* node = iPrivate->mLists[p].mHead; node != nullptr; node = node->mNext) {
        if (!llk::detail::encodeIfEncodable(coder, node->mObject, &written)) return false;
      }
      ++*groups;
    }
    return true;
  });
}

LLKCObjectPriorityQueue* LLKCObjectPriorityQueue::initWithCoder(LLKBDecoder* coder) noexcept {
  llk::detail::CodedSize size;
  if (!llk::detail::decodeCountAndCapacity(coder, &size, false) || size.count > private_t::kLevels) {
    dealloc();
    return nullptr;
  }
  if (init() == nullptr) return nullptr;
  // Room follows the objects as they arrive: a group claiming more objects than the stream holds
  // fails at the first one missing.
  for (uint64_t group = 0; group < size.count; ++group) {
    uint32_t priority = 0;
    uint32_t objects = 0;
    if (!coder->decodeUint32(&priority) || !coder->decodeUint32(&objects) || priority >= private_t::kLevels ||
        objects == 0) {
      dealloc();
      return nullptr;
    }
    for (uint32_t i = 0; i < objects; ++i) {
      LLKBObject* object = llk::detail::decodeElement(coder);
      if (object == nullptr || iPrivate->append(object, static_cast<uint8_t>(priority)) != llk::kDone) {
        dealloc();
        return nullptr;
      }
    }
  }
  if (iPrivate->reserve(size.initialRoom()) != llk::kDone) {
    dealloc();
    return nullptr;
  }
  return this;
}
