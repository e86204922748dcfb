#ifndef TXQ_LLK_COLLECTIONS_LLKOBJECTCHAIN_P_H
#define TXQ_LLK_COLLECTIONS_LLKOBJECTCHAIN_P_H
// Internal: doubly linked chains of object nodes, as the list and the priority queue keep them (their
// used chains and a pool of spare nodes). Not installed, not API. The chains neither retain nor
// release: their owners do, around linking and unlinking.

#include <cstdint>
#include <new>

#include <txq/llk/object/LLKBObject.h>

namespace llk::detail {

struct ObjectNode {
  LLKBObject* mObject;  // retained by the owner while the node is used; null while spare
  ObjectNode* mPrev;
  ObjectNode* mNext;
};

struct ObjectChain {
  ObjectNode* mHead = nullptr;
  ObjectNode* mTail = nullptr;
  uint64_t mSize = 0;

  // Links `node` in front of `before` (null: at the end).
  void insertBefore(ObjectNode* node, ObjectNode* before) noexcept {
    node->mNext = before;
    node->mPrev = before != nullptr ? before->mPrev : mTail;
    if (node->mPrev != nullptr) {
      node->mPrev->mNext = node;
    } else {
      mHead = node;
    }
    if (before != nullptr) {
      before->mPrev = node;
    } else {
      mTail = node;
    }
    ++mSize;
  }

  void unlink(ObjectNode* node) noexcept {
    if (node->mPrev != nullptr) {
      node->mPrev->mNext = node->mNext;
    } else {
      mHead = node->mNext;
    }
    if (node->mNext != nullptr) {
      node->mNext->mPrev = node->mPrev;
    } else {
      mTail = node->mPrev;
    }
    --mSize;
  }

  // ---- As a pool of spare nodes (used at the head end only) ----
  void pushSpare(ObjectNode* node) noexcept {
    node->mObject = nullptr;
    node->mPrev = nullptr;
    node->mNext = mHead;
    if (mHead != nullptr) mHead->mPrev = node;
    mHead = node;
    if (mTail == nullptr) mTail = node;
    ++mSize;
  }
  // A spare node, or null when the pool is empty.
  ObjectNode* popSpare() noexcept {
    ObjectNode* node = mHead;
    if (node == nullptr) return nullptr;
    unlink(node);
    node->mNext = nullptr;
    return node;
  }
  // A spare node, else a new one; null when none can be made.
  ObjectNode* takeSpareOrNew() noexcept {
    ObjectNode* node = popSpare();
    return node != nullptr ? node : new (std::nothrow) ObjectNode{nullptr, nullptr, nullptr};
  }

  // Deletes every node (their objects must have been released already); the chain is left empty.
  void freeAll() noexcept {
    for (ObjectNode* node = mHead; node != nullptr;) {
      ObjectNode* next = node->mNext;
      delete node;
      node = next;
    }
    *this = ObjectChain{};
  }
};

}  // namespace llk::detail

#endif  // TXQ_LLK_COLLECTIONS_LLKOBJECTCHAIN_P_H
