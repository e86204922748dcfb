#include <txq/llk/collections/LLKCObjectClique.h>

#include <cstdlib>
#include <initializer_list>
#include <new>

#include <txq/llk/object/LLKSynchronized.h>

namespace {

struct node_t {
  LLKBObject* mObject;  // retained; nil in an emptied or spare node
  node_t* mPrevious;
  node_t* mNext;
};

struct list_t {
  node_t* mHead;
  node_t* mTail;
  uint32_t mSize;

  void pushBack(node_t* node) noexcept {
    node->mPrevious = mTail;
    node->mNext = nullptr;
    (mTail != nullptr ? mTail->mNext : mHead) = node;
    mTail = node;
    ++mSize;
  }
  void unlink(node_t* node) noexcept {
    (node->mPrevious != nullptr ? node->mPrevious->mNext : mHead) = node->mNext;
    (node->mNext != nullptr ? node->mNext->mPrevious : mTail) = node->mPrevious;
    --mSize;
  }
  node_t* popFront() noexcept {
    node_t* node = mHead;
    if (node != nullptr) unlink(node);
    return node;
  }
};

// The first node from `node` on that holds an object, or null.
node_t* firstHolding(node_t* node) noexcept {
  while (node != nullptr && node->mObject == nullptr) node = node->mNext;
  return node;
}

}  // namespace

// Everything below is guarded by the clique's monitor (L50), except in the destructor.
// Invariants: (1) mUsed.mSize + mSpare.mSize == mNodes; (2) mCount is the number of used nodes
// holding an object, so mUsed.mSize - mCount nodes are emptied; (3) while mLatch > 0 no node
// leaves the used list (removals and clear only empty nodes; packit does nothing); (4) nodes are
// freed only by the destructor, so a stale cursor still points at a live node.
struct LLKCObjectClique::private_t {
  list_t mUsed{};    // in order: nodes holding an object or emptied
  list_t mSpare{};   // unlinked nodes, ready for append
  uint32_t mCount = 0;  // objects held
  uint32_t mLatch = 0;  // latch depth
  uint32_t mNodes = 0;  // nodes made: used + spare (what capacity answers)

  ~private_t() {
    for (list_t* list : {&mUsed, &mSpare}) {
      node_t* node = list->mHead;
      while (node != nullptr) {
        node_t* next = node->mNext;
        llk::release(node->mObject);
        delete node;
        node = next;
      }
    }
  }
};

LLK_DEFINE_CLASS(LLKCObjectClique, LLK_PROTOCOLS(), init, initWithCapacity, append, remove, clear, latch, loose,
                 packit, rewind, next, count, capacity)

// ---- Creation ----

LLKCObjectClique* LLKCObjectClique::clique() noexcept {
  LLKCObjectClique* clique = alloc();
  return clique != nullptr ? llk::autorelease(clique->init()) : nullptr;
}

LLKCObjectClique* LLKCObjectClique::init() noexcept { return initWithCapacity(0); }

LLKCObjectClique* LLKCObjectClique::cliqueWithCapacity(uint64_t capacity) noexcept {
  LLKCObjectClique* clique = alloc();
  return clique != nullptr ? llk::autorelease(clique->initWithCapacity(capacity)) : nullptr;
}

LLKCObjectClique* LLKCObjectClique::initWithCapacity(uint64_t capacity) noexcept {
  private_t* const d = iPrivate = new (std::nothrow) private_t();
  bool made = d != nullptr && capacity <= UINT32_MAX;
  for (uint64_t i = 0; made && i < capacity; ++i) {
    node_t* node = new (std::nothrow) node_t{};
    made = node != nullptr;
    if (made) {
      d->mSpare.pushBack(node);
      ++d->mNodes;
    }
  }
  if (!made) {
    dealloc();
    return nullptr;
  }
  return this;
}

LLKCObjectClique::~LLKCObjectClique() { delete iPrivate; }

// ---- Contents ----

bool LLKCObjectClique::append(LLKBObject* object) noexcept {
  private_t* const d = iPrivate;
  if (object == nullptr) return false;
  llk::Synchronized monitor(this);  // L50
  if (!monitor.held()) return false;
  node_t* node = nullptr;
  if (d->mUsed.mSize > d->mCount) {  // an emptied node is waiting
    for (node = d->mUsed.mHead; node != nullptr && node->mObject != nullptr; node = node->mNext) {
    }
  }
  if (node == nullptr) {
    node = d->mSpare.popFront();
    if (node == nullptr) {
      if (d->mNodes == UINT32_MAX) return false;
      node = new (std::nothrow) node_t{};
      if (node == nullptr) return false;
      ++d->mNodes;
    }
    d->mUsed.pushBack(node);
  }
  node->mObject = object->retain();
  ++d->mCount;
  return true;
}

bool LLKCObjectClique::remove(LLKBObject* object) noexcept {
  private_t* const d = iPrivate;
  if (object == nullptr) return false;
  LLKBObject* removed = nullptr;
  {
    llk::Synchronized monitor(this);  // L50
    if (!monitor.held()) return false;
    for (node_t* node = d->mUsed.mHead; node != nullptr; node = node->mNext) {
      if (node->mObject != object) continue;
      removed = object;
      node->mObject = nullptr;
      --d->mCount;
      if (d->mLatch == 0) {
        d->mUsed.unlink(node);
        d->mSpare.pushBack(node);
      }
      break;
    }
  }
  llk::release(removed);  // outside the monitor
  return removed != nullptr;
}

void LLKCObjectClique::clear() noexcept {
  private_t* const d = iPrivate;
  LLKBObject** objects = nullptr;
  uint32_t taken = 0;
  {
    llk::Synchronized monitor(this);  // L50
    if (!monitor.held()) return;
    if (d->mCount > 0) objects = static_cast<LLKBObject**>(std::malloc(sizeof(LLKBObject*) * d->mCount));
    for (node_t* node = d->mUsed.mHead; node != nullptr; node = node->mNext) {
      if (node->mObject == nullptr) continue;
      if (objects != nullptr) {
        objects[taken++] = node->mObject;
      } else {
        node->mObject->release();  // no memory for the list: released under the monitor
      }
      node->mObject = nullptr;
    }
    d->mCount = 0;
    if (d->mLatch == 0) {
      while (node_t* node = d->mUsed.popFront()) d->mSpare.pushBack(node);
    }
  }
  for (uint32_t i = 0; i < taken; ++i) objects[i]->release();  // outside the monitor
  std::free(objects);
}

// ---- Walking ----

void LLKCObjectClique::latch() noexcept {
  llk::Synchronized monitor(this);  // L50
  if (monitor.held() && iPrivate->mLatch < UINT32_MAX) ++iPrivate->mLatch;
}

void LLKCObjectClique::loose() noexcept {
  llk::Synchronized monitor(this);  // L50
  if (monitor.held() && iPrivate->mLatch > 0) --iPrivate->mLatch;
}

void LLKCObjectClique::packit() noexcept {
  private_t* const d = iPrivate;
  llk::Synchronized monitor(this);  // L50
  if (!monitor.held() || d->mLatch > 0 || d->mUsed.mSize == d->mCount) return;
  node_t* node = d->mUsed.mHead;
  while (node != nullptr) {
    node_t* next = node->mNext;
    if (node->mObject == nullptr) {
      d->mUsed.unlink(node);
      d->mSpare.pushBack(node);
    }
    node = next;
  }
}

namespace {

// The object at or after `from` (retained), leaving the cursor on the following node; nil and a
// cleared cursor at the end.
LLKBObject* walkFrom(node_t* from, LLKCObjectClique::cursor_t* cursor) noexcept {
  node_t* node = firstHolding(from);
  cursor->mNode = node != nullptr ? node->mNext : nullptr;
  return node != nullptr ? node->mObject->retain() : nullptr;
}

}  // namespace

LLKBObject* LLKCObjectClique::rewind(cursor_t* cursor) noexcept {
  if (cursor == nullptr) return nullptr;
  LLKBObject* object = nullptr;
  {
    llk::Synchronized monitor(this);  // L50
    if (!monitor.held()) return nullptr;
    object = walkFrom(iPrivate->mUsed.mHead, cursor);
  }
  return llk::autorelease(object);
}

LLKBObject* LLKCObjectClique::next(cursor_t* cursor) noexcept {
  if (cursor == nullptr) return nullptr;
  LLKBObject* object = nullptr;
  {
    llk::Synchronized monitor(this);  // L50
    if (!monitor.held()) return nullptr;
    object = walkFrom(static_cast<node_t*>(cursor->mNode), cursor);
  }
  return llk::autorelease(object);
}

// ---- Size ----

uint32_t LLKCObjectClique::count() noexcept {
  llk::Synchronized monitor(this);  // L50
  return monitor.held() ? iPrivate->mCount : 0;
}

uint32_t LLKCObjectClique::capacity() noexcept {
  llk::Synchronized monitor(this);  // L50
  return monitor.held() ? iPrivate->mNodes : 0;
}
