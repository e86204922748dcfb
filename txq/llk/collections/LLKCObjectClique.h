#ifndef TXQ_LLK_COLLECTIONS_LLKCOBJECTCLIQUE_H
#define TXQ_LLK_COLLECTIONS_LLKCOBJECTCLIQUE_H
// LLKCObjectClique: a locked collection of objects that threads may walk while others change it.
// A walker latches the clique for the length of its walk; while it is latched, removals only empty
// their nodes (nothing is unlinked), so a walk in progress neither skips nor repeats the objects
// that stay. Once no walker holds the latch, packit unlinks the emptied nodes.
//
//   clique->latch();
//   LLKCObjectClique::cursor_t cursor{};
//   for (LLKBObject* o = clique->rewind(&cursor); o != nullptr; o = clique->next(&cursor)) ...
//   clique->loose();
//   clique->packit();
//
// Nodes are never freed before the clique itself: removed nodes go to a spare list that append
// uses again, and capacity() is the number of nodes made (used + spare). append fills the first
// emptied node when there is one, else adds a node at the end; a walk sees an appended object
// when its node lies ahead of the walker's cursor.
// Ownership: factories autoreleased; init... +1. Objects are retained while held; rewind and next
//            answer them retained and autoreleased, so they stay valid after a concurrent removal.
//            A cursor belongs to its caller and is valid only while the clique is latched (without
//            the latch a walk stays memory-safe but may skip or repeat objects).
// Threads:   any thread.
// Locks:     the clique's monitor (L50) around every operation; under it only retain, autorelease
//            and the allocator run. Objects are released after it is left (a latched clear that
//            cannot get memory for its list of objects releases them under the monitor).
// Failure:   append answers NO for nil or when no node can be made (or 2^32 - 1 exist); every
//            operation answers NO, nil or 0 and changes nothing when the monitor cannot be made.

#include <cstdint>

#include <txq/llk/object/LLKBObject.h>

class LLK_EXPORT LLKCObjectClique : public LLKBObject {
  LLK_OBJECT(LLKCObjectClique, LLKBObject)

 public:
  struct private_t;  // defined in LLKCObjectClique.cpp
  private_t* iPrivate;

  // A walker's position: the node after the object last answered (null at the end). Zero it, or
  // let rewind set it.
  struct cursor_t {
    void* mNode;
  };

  // ---- Creation ----
  static LLKCObjectClique* clique() noexcept;
  LLKCObjectClique* init() noexcept override;
  // n spare nodes made in advance; nil when they cannot be made or n > 2^32 - 1 (the most nodes
  // a clique holds).
  static LLKCObjectClique* cliqueWithCapacity(uint64_t capacity) noexcept;
  LLKCObjectClique* initWithCapacity(uint64_t capacity) noexcept;

  // ---- Contents ----
  // Retains the object into the first emptied node, else a spare or new node at the end.
  bool append(LLKBObject* object) noexcept;
  // Empties the node of the object's first occurrence (identity) and releases the object; the
  // node is unlinked into the spare list unless the clique is latched. NO when it is not held.
  bool remove(LLKBObject* object) noexcept;
  // Releases every object; latched, the nodes stay in place emptied, else they become spares.
  void clear() noexcept;

  // ---- Walking ----
  // Raise and lower the latch depth (lowering at 0 does nothing).
  void latch() noexcept;
  void loose() noexcept;
  // Unlinks the emptied nodes into the spare list; does nothing while latched.
  void packit() noexcept;
  // The first object, or the object at or after the cursor, skipping emptied nodes; the cursor
  // is left on the following node. nil (and a cleared cursor) at the end or for a null cursor.
  LLKBObject* rewind(cursor_t* cursor) noexcept;
  LLKBObject* next(cursor_t* cursor) noexcept;

  // ---- Size ----
  uint32_t count() noexcept;     // objects held
  uint32_t capacity() noexcept;  // nodes made: used (holding an object or emptied) plus spare

 protected:
  ~LLKCObjectClique() override;  // releases every object and frees every node
};

#endif  // TXQ_LLK_COLLECTIONS_LLKCOBJECTCLIQUE_H
