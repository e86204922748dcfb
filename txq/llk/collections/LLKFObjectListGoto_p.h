#ifndef TXQ_LLK_COLLECTIONS_LLKFOBJECTLISTGOTO_P_H
#define TXQ_LLK_COLLECTIONS_LLKFOBJECTLISTGOTO_P_H
// Internal (not installed): positioning by index in a doubly linked list that remembers the last
// node reached (the cursor). Shared by the containers that thread their entries on such a list.
// The node type is any struct with previous/next pointers, named by member pointers (by default
// `mPrev` and `mNext`).
//
// Rule: index 0 is the head and count - 1 the tail. Otherwise, with a cursor at index c and the
// target t: for t < c walk back from the cursor when c - t < t, else forward from the head; for
// t > c walk forward from the cursor when t - c < (count - 1) - t, else back from the tail.
// Without a cursor, walk forward from the head. The node reached becomes the cursor.
//
// The cursor stays valid only if every link and unlink tells it (listCursorLinked /
// listCursorUnlinking); a container that reorders its list wholesale calls listCursorReset.
//
// Threads: the caller's (these touch only the list they are given).

#include <cstdint>

namespace llk::detail {

template <class Node>
struct ListCursor {
  Node* mNode = nullptr;  // the last node reached by index, or null
  uint64_t mIndex = 0;    // its index (meaningless while mNode is null)
};

// The node at `index` of a list of `count` nodes, or null when index >= count (cursor unchanged).
template <class Node, Node* Node::*Prev = &Node::mPrev, Node* Node::*Next = &Node::mNext>
Node* listGoto(Node* head, Node* tail, uint64_t count, ListCursor<Node>& cursor, uint64_t index) noexcept {
  if (index >= count) return nullptr;
  Node* node;
  if (index == 0) {
    node = head;
  } else if (index == count - 1) {
    node = tail;
  } else if (cursor.mNode == nullptr) {
    node = head;
    for (uint64_t i = 0; i < index; ++i) node = node->*Next;
  } else {
    const uint64_t c = cursor.mIndex;
    node = cursor.mNode;
    if (index < c) {
      if (c - index < index) {
        for (uint64_t i = c; i > index; --i) node = node->*Prev;
      } else {
        node = head;
        for (uint64_t i = 0; i < index; ++i) node = node->*Next;
      }
    } else if (index > c) {
      if (index - c < (count - 1) - index) {
        for (uint64_t i = c; i < index; ++i) node = node->*Next;
      } else {
        node = tail;
        for (uint64_t i = count - 1; i > index; --i) node = node->*Prev;
      }
    }
  }
  cursor.mNode = node;
  cursor.mIndex = index;
  return node;
}

// Call after a node was linked in at `index` (its position in the list now): a cursor at or past
// that position moves one index up with its node.
template <class Node>
void listCursorLinked(ListCursor<Node>& cursor, uint64_t index) noexcept {
  if (cursor.mNode != nullptr && index <= cursor.mIndex) ++cursor.mIndex;
}

// Call before `node`, at `index`, is unlinked (its links must still be in place). The cursor's own
// node hands the cursor to the next node (same index) or, at the tail, to the previous one (index
// one less); a node before the cursor lowers its index by one.
template <class Node, Node* Node::*Prev = &Node::mPrev, Node* Node::*Next = &Node::mNext>
void listCursorUnlinking(ListCursor<Node>& cursor, Node* node, uint64_t index) noexcept {
  if (cursor.mNode == nullptr) return;
  if (cursor.mNode == node) {
    if (node->*Next != nullptr) {
      cursor.mNode = node->*Next;
    } else if (node->*Prev != nullptr) {
      cursor.mNode = node->*Prev;
      --cursor.mIndex;
    } else {
      cursor.mNode = nullptr;
      cursor.mIndex = 0;
    }
  } else if (index < cursor.mIndex) {
    --cursor.mIndex;
  }
}

template <class Node>
void listCursorReset(ListCursor<Node>& cursor) noexcept {
  cursor.mNode = nullptr;
  cursor.mIndex = 0;
}

}  // namespace llk::detail

#endif  // TXQ_LLK_COLLECTIONS_LLKFOBJECTLISTGOTO_P_H
