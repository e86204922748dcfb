#ifndef TXQ_LLK_COLLECTIONS_LLKOBJECTCHAIN_P_H
#define TXQ_LLK_COLLECTIONS_LLKOBJECTCHAIN_P_H
// Internal: doubly linked chains of nodes, as the containers keep their entries in order and their
// spare nodes in pools (lists, the priority queue, tables and indexes, the keyed trees). Not
// installed, not API. A Node has mPrev and mNext; the chains neither allocate, retain nor release.

#include <cstdint>
#include <new>

#include <txq/llk/object/LLKBObject.h>

namespace llk::detail {

template <class Node>
struct Chain {
  Node* mHead = nullptr;
  Node* mTail = nullptr;
  uint64_t mSize = 0;

  // Links `node` in front of `before` (null: at the end).
  void insertBefore(Node* node, Node* before) noexcept {
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
  void linkBack(Node* node) noexcept { insertBefore(node, nullptr); }
  void linkFront(Node* node) noexcept { insertBefore(node, mHead); }

  // Takes `node` out; its links are cleared.
  void unlink(Node* node) noexcept {
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
    node->mPrev = node->mNext = nullptr;
    --mSize;
  }
  // The head node taken out, or null when the chain is empty.
  Node* popFront() noexcept {
    Node* node = mHead;
    if (node != nullptr) unlink(node);
    return node;
  }
};

// A node holding one object (retained by the owner while the node is used; null while spare).
struct ObjectNode {
  LLKBObject* mObject;
  ObjectNode* mPrev;
  ObjectNode* mNext;
};

// Chains of object nodes made with new, and their use as a pool of spare nodes.
struct ObjectChain : Chain<ObjectNode> {
  void pushSpare(ObjectNode* node) noexcept {
    node->mObject = nullptr;
    linkFront(node);
  }
  ObjectNode* popSpare() noexcept { return popFront(); }
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
