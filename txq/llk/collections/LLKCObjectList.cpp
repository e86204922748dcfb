#include <txq/llk/collections/LLKCObjectList.h>

#include <new>

#include <txq/llk/collections/LLKContainerCoding_p.h>
#include <txq/llk/collections/LLKContainerMaking_p.h>
#include <txq/llk/collections/LLKFObjectListGoto_p.h>
#include <txq/llk/collections/LLKObjectChain_p.h>

// Two chains of nodes: the used list (head to tail, in order) and the pool of spare nodes (only
// the head end is used; spare nodes hold no object). Every node belongs to exactly one chain, so
// capacity = used + spare. The cursor is either null or a node of the used list with its index.
struct LLKCObjectList::private_t {
  using node_t = llk::detail::ObjectNode;
  using chain_t = llk::detail::ObjectChain;

  chain_t mUsed;
  chain_t mSpare;
  llk::detail::ListCursor<node_t> mCursor;
  LLKFChangeCallback mChangeCallback = nullptr;  // borrowed
  void* mChangeContext = nullptr;                // borrowed

  // Frees every node; the objects must have been released already.
  ~private_t() {
    mUsed.freeAll();
    mSpare.freeAll();
  }

  void changed(uint32_t op, LLKBObject* object) const noexcept {
    if (mChangeCallback != nullptr) mChangeCallback(op, object, mChangeContext);
  }

  // ---- Spare pool ----
  void pushSpare(node_t* node) noexcept { mSpare.pushSpare(node); }
  node_t* popSpare() noexcept { return mSpare.popSpare(); }
  // A node for an addition: a spare one, else a new one when growing is allowed. Status 0, 9, 2.
  int32_t takeNode(bool grow, node_t** out) noexcept {
    node_t* node = popSpare();
    if (node == nullptr) {
      if (!grow) return llk::kFullNoSpare;
      node = new (std::nothrow) node_t{nullptr, nullptr, nullptr};
      if (node == nullptr) return llk::kNoMemory;
    }
    *out = node;
    return llk::kDone;
  }

  // ---- Used list ----
  node_t* nodeAt(uint64_t index) noexcept {
    return llk::detail::listGoto(mUsed.mHead, mUsed.mTail, mUsed.mSize, mCursor, index);
  }
  // Links `node` (holding its object already) in front of `before` (null: at the end), at `index`.
  void link(node_t* node, node_t* before, uint64_t index) noexcept {
    mUsed.insertBefore(node, before);
    llk::detail::listCursorLinked(mCursor, index);
  }
  // Stores the object in a new node at `index` (before `before`). Status as takeNode.
  int32_t add(LLKBObject* object, node_t* before, uint64_t index, bool grow) noexcept {
    node_t* node = nullptr;
    int32_t status = takeNode(grow, &node);
    if (status != llk::kDone) return status;
    node->mObject = object;
    object->retain();
    link(node, before, index);
    changed(0, object);
    return llk::kDone;
  }
  // The object at `index` leaves: change callback op 1, unlink (the cursor follows), release; the
  // node becomes a spare one.
  void removeNode(node_t* node, uint64_t index) noexcept {
    LLKBObject* object = node->mObject;
    changed(1, object);
    llk::detail::listCursorUnlinking(mCursor, node, index);
    mUsed.unlink(node);
    pushSpare(node);
    llk::release(object);
  }
};

LLK_DEFINE_CLASS(LLKCObjectList, LLK_PROTOCOLS(LLKPCopyable), init, initWithCapacity, initWithObjectsOfList,
                 initWithHead_andRest, count, capacity, head, tail, atIndex, fetchAtIndex, contains,
                 contains_atIndex, append_andResizeIfNeeded, prepend_andResizeIfNeeded,
                 insert_atIndex_andResizeIfNeeded, append, prepend, insert_atIndex, store_atIndex, remove,
                 removeAtIndex, removeHead, removeTail, clear, resize, compact, setChangeCallback_withContext,
                 iterateWithFunction_andContext, iterateUntilMatchWithFunction_andContext,
                 removeEachMatchWithFunction_andContext, removeFirstMatchWithFunction_andContext,
                 initWithCopy_deep, copy, deepCopy, encodeWithCoder, initWithCoder)

// ---- Creation ----

LLKCObjectList* LLKCObjectList::list() noexcept { return llk::detail::autoreleasedNew(&LLKCObjectList::init); }

LLKCObjectList* LLKCObjectList::init() noexcept {
  iPrivate = new (std::nothrow) private_t();
  if (iPrivate == nullptr) {
    dealloc();
    return nullptr;
  }
  return this;
}

LLKCObjectList* LLKCObjectList::listWithCapacity(uint64_t capacity) noexcept {
  return llk::detail::autoreleasedNew(&LLKCObjectList::initWithCapacity, capacity);
}

LLKCObjectList* LLKCObjectList::initWithCapacity(uint64_t capacity) noexcept {
  if (LLKCObjectList::init() == nullptr) return nullptr;
  if (resize(capacity) != llk::kDone) {
    dealloc();
    return nullptr;
  }
  return this;
}

LLKCObjectList* LLKCObjectList::listWithObjectsOfList(LLKBObject* const* nilTerminated) noexcept {
  return llk::detail::autoreleasedNew(&LLKCObjectList::initWithObjectsOfList, nilTerminated);
}

LLKCObjectList* LLKCObjectList::initWithObjectsOfList(LLKBObject* const* nilTerminated) noexcept {
  const uint64_t n = llk::detail::countObjectList(nilTerminated);
  if (initWithCapacity(n) == nullptr) return nullptr;
  for (uint64_t i = 0; i < n; ++i) append_andResizeIfNeeded(nilTerminated[i], false);
  return this;
}

LLKCObjectList* LLKCObjectList::initWithHead_andRest(LLKBObject* head, va_list rest) noexcept {
  // Two passes over the arguments: one to count them, one to append them.
  if (initWithCapacity(llk::detail::countArguments(head, rest)) == nullptr) return nullptr;
  llk::detail::forEachArgument(head, rest,
                               [this](LLKBObject* object, uint64_t) { append_andResizeIfNeeded(object, false); });
  return this;
}

LLKCObjectList::~LLKCObjectList() {
  if (iPrivate == nullptr) return;
  for (private_t::node_t* node = iPrivate->mUsed.mHead; node != nullptr; node = node->mNext) {
    LLKBObject* object = node->mObject;
    node->mObject = nullptr;
    iPrivate->changed(1, object);
    llk::release(object);
  }
  delete iPrivate;
}

// ---- Size and access ----

uint64_t LLKCObjectList::count() const noexcept { return iPrivate->mUsed.mSize; }

uint64_t LLKCObjectList::capacity() const noexcept { return iPrivate->mUsed.mSize + iPrivate->mSpare.mSize; }

LLKBObject* LLKCObjectList::head() noexcept {
  return iPrivate->mUsed.mHead != nullptr ? iPrivate->mUsed.mHead->mObject : nullptr;
}

LLKBObject* LLKCObjectList::tail() noexcept {
  return iPrivate->mUsed.mTail != nullptr ? iPrivate->mUsed.mTail->mObject : nullptr;
}

LLKBObject* LLKCObjectList::atIndex(uint64_t index) noexcept {
  private_t::node_t* node = iPrivate->nodeAt(index);
  return node != nullptr ? node->mObject : nullptr;
}

LLKBObject* LLKCObjectList::fetchAtIndex(uint64_t index) noexcept { return atIndex(index); }

bool LLKCObjectList::contains(LLKBObject* object) noexcept { return contains_atIndex(object, nullptr); }

bool LLKCObjectList::contains_atIndex(LLKBObject* object, uint64_t* index) noexcept {
  if (object == nullptr) return false;
  uint64_t i = 0;
  for (private_t::node_t* node = iPrivate->mUsed.mHead; node != nullptr; node = node->mNext, ++i) {
    if (node->mObject == object) {
      if (index != nullptr) *index = i;
      return true;
    }
  }
  return false;
}

// ---- Additions ----

int32_t LLKCObjectList::append_andResizeIfNeeded(LLKBObject* object, bool resize) noexcept {
  if (object == nullptr) return llk::kDone;  // a nil object does nothing
  return iPrivate->add(object, nullptr, iPrivate->mUsed.mSize, resize);
}

int32_t LLKCObjectList::prepend_andResizeIfNeeded(LLKBObject* object, bool resize) noexcept {
  if (object == nullptr) return llk::kDone;
  return iPrivate->add(object, iPrivate->mUsed.mHead, 0, resize);
}

int32_t LLKCObjectList::insert_atIndex_andResizeIfNeeded(LLKBObject* object, uint64_t index, bool resize) noexcept {
  if (object == nullptr) return llk::kDone;
  if (index >= iPrivate->mUsed.mSize) return llk::kOutOfRange;
  return iPrivate->add(object, iPrivate->nodeAt(index), index, resize);
}

int32_t LLKCObjectList::append(LLKBObject* object) noexcept { return append_andResizeIfNeeded(object, true); }

int32_t LLKCObjectList::prepend(LLKBObject* object) noexcept { return prepend_andResizeIfNeeded(object, true); }

int32_t LLKCObjectList::insert_atIndex(LLKBObject* object, uint64_t index) noexcept {
  return insert_atIndex_andResizeIfNeeded(object, index, true);
}

LLKBObject* LLKCObjectList::store_atIndex(LLKBObject* object, uint64_t index) noexcept {
  if (object == nullptr) return nullptr;
  private_t::node_t* node = iPrivate->nodeAt(index);
  if (node == nullptr) return nullptr;
  LLKBObject* old = node->mObject;
  object->retain();
  node->mObject = object;
  llk::release(old);
  return object;
}

// ---- Removals ----

int32_t LLKCObjectList::remove(LLKBObject* object) noexcept {
  if (object == nullptr) return llk::kNotFound;
  uint64_t i = 0;
  for (private_t::node_t* node = iPrivate->mUsed.mHead; node != nullptr; node = node->mNext, ++i) {
    if (node->mObject == object) {
      iPrivate->removeNode(node, i);
      return llk::kDone;
    }
  }
  return llk::kNotFound;
}

// Out of range answers 5 here, where the arrays answer 15: the list's long-standing result.
int32_t LLKCObjectList::removeAtIndex(uint64_t index) noexcept {
  private_t::node_t* node = iPrivate->nodeAt(index);
  if (node == nullptr) return llk::kNotFound;
  iPrivate->removeNode(node, index);
  return llk::kDone;
}

int32_t LLKCObjectList::removeHead() noexcept {
  if (iPrivate->mUsed.mHead == nullptr) return llk::kNotFound;
  iPrivate->removeNode(iPrivate->mUsed.mHead, 0);
  return llk::kDone;
}

int32_t LLKCObjectList::removeTail() noexcept {
  if (iPrivate->mUsed.mTail == nullptr) return llk::kNotFound;
  iPrivate->removeNode(iPrivate->mUsed.mTail, iPrivate->mUsed.mSize - 1);
  return llk::kDone;
}

void LLKCObjectList::clear() noexcept {
  while (iPrivate->mUsed.mHead != nullptr) iPrivate->removeNode(iPrivate->mUsed.mHead, 0);
  llk::detail::listCursorReset(iPrivate->mCursor);
}

int32_t LLKCObjectList::resize(uint64_t capacity) noexcept {
  private_t* const d = iPrivate;
  const uint64_t target = capacity > d->mUsed.mSize ? capacity : d->mUsed.mSize;
  while (d->mUsed.mSize + d->mSpare.mSize < target) {
    private_t::node_t* node = new (std::nothrow) private_t::node_t{nullptr, nullptr, nullptr};
    if (node == nullptr) return llk::kNoMemory;
    d->pushSpare(node);
  }
  while (d->mUsed.mSize + d->mSpare.mSize > target) delete d->popSpare();
  return llk::kDone;
}

int32_t LLKCObjectList::compact() noexcept { return resize(iPrivate->mUsed.mSize); }

// ---- Callbacks ----

void LLKCObjectList::setChangeCallback_withContext(LLKFChangeCallback callback, void* context) noexcept {
  iPrivate->mChangeCallback = callback;
  iPrivate->mChangeContext = context;
}

// ---- Iteration ----

void LLKCObjectList::iterateWithFunction_andContext(LLKFIterateFunction function, void* context) noexcept {
  if (function == nullptr) return;
  for (private_t::node_t* node = iPrivate->mUsed.mHead; node != nullptr; node = node->mNext) {
    function(node->mObject, context);
  }
}

LLKBObject* LLKCObjectList::iterateUntilMatchWithFunction_andContext(LLKFMatchFunction function,
                                                                     void* context) noexcept {
  if (function == nullptr) return nullptr;
  for (private_t::node_t* node = iPrivate->mUsed.mHead; node != nullptr; node = node->mNext) {
    if (function(node->mObject, context)) return node->mObject;
  }
  return nullptr;
}

bool LLKCObjectList::removeEachMatchWithFunction_andContext(LLKFMatchFunction function, void* context) noexcept {
  if (function == nullptr) return false;
  bool any = false;
  uint64_t i = 0;
  for (private_t::node_t* node = iPrivate->mUsed.mHead; node != nullptr;) {
    private_t::node_t* next = node->mNext;
    if (function(node->mObject, context)) {
      iPrivate->removeNode(node, i);  // the next node takes index i
      any = true;
    } else {
      ++i;
    }
    node = next;
  }
  return any;
}

bool LLKCObjectList::removeFirstMatchWithFunction_andContext(LLKFMatchFunction function, void* context) noexcept {
  if (function == nullptr) return false;
  uint64_t i = 0;
  for (private_t::node_t* node = iPrivate->mUsed.mHead; node != nullptr; node = node->mNext, ++i) {
    if (function(node->mObject, context)) {
      iPrivate->removeNode(node, i);
      return true;
    }
  }
  return false;
}

// ---- Copies ----

LLKCObjectList* LLKCObjectList::initWithCopy_deep(LLKBObject* source, bool deep) noexcept {
  LLKCObjectList* other = llk::cast<LLKCObjectList>(source);
  if (other == nullptr) {
    dealloc();
    return nullptr;
  }
  if (initWithCapacity(other->count()) == nullptr) return nullptr;
  for (private_t::node_t* node = other->iPrivate->mUsed.mHead; node != nullptr; node = node->mNext) {
    LLKBObject* object = node->mObject;
    if (deep) {
      object = llk::conformsTo(object, &LLKPCopyable::kProtocol) ? object->copy() : nullptr;
      if (object == nullptr) {
        dealloc();
        return nullptr;
      }
    }
    append_andResizeIfNeeded(object, false);
  }
  return this;
}

LLKCObjectList* LLKCObjectList::copy() noexcept {
  LLKCObjectList* list = listWithCapacity(count());
  if (list == nullptr) return nullptr;
  for (private_t::node_t* node = iPrivate->mUsed.mHead; node != nullptr; node = node->mNext) {
    list->append_andResizeIfNeeded(node->mObject, false);
  }
  return list;
}

LLKCObjectList* LLKCObjectList::deepCopy() noexcept { return static_cast<LLKCObjectList*>(Super::deepCopy()); }

// ---- Coding ----

bool LLKCObjectList::encodeWithCoder(LLKBEncoder* coder) noexcept {
  return llk::detail::encodeContainer(this, coder, capacity(), [this, coder](uint64_t* written) noexcept {
    for (private_t::node_t* node = iPrivate->mUsed.mHead; node != nullptr; node = node->mNext) {
      if (!llk::detail::encodeIfEncodable(coder, node->mObject, written)) return false;
    }
    return true;
  });
}

LLKCObjectList* LLKCObjectList::initWithCoder(LLKBDecoder* coder) noexcept {
  return llk::detail::initSequenceWithCoder(
      this, coder, true, [this](uint64_t room) noexcept { return initWithCapacity(room); },
      [this](LLKBObject* object) noexcept { return append(object) == llk::kDone; },
      [this](uint64_t room) noexcept { return resize(room); });
}
