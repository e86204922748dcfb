#ifndef TXQ_LLK_COLLECTIONS_LLKCNUGGETDEQUE_H
#define TXQ_LLK_COLLECTIONS_LLKCNUGGETDEQUE_H
// LLKCNuggetDeque: a contiguous array of fixed-size byte records (nuggets) with insertion and removal
// at either end or any index, rotation and shuffling. Nuggets are copied in and out by value; nugget
// i occupies bytes [i * size, (i + 1) * size) of one buffer, index 0 being the head. When an
// insertion finds the deque full it grows by the grow factor (default 0.25: capacity +
// ceil(capacity * factor), in single precision, at least one nugget more).
//
//   struct Item { void* fn; void* arg; };
//   LLKCNuggetDeque* queue = LLKCNuggetDeque::dequeWithLength(sizeof(Item));   // capacity 16
//   Item item{f, a};
//   queue->append(&item);                                                       // 0
//   Item next;
//   if (queue->fetch_atIndex(&next, 0)) queue->removeHead();
//
// Ownership: factories and copies autoreleased; init... +1. The buffer is the deque's own; pointers
//            answered by head/tail/fetchAtIndex stay valid until the next change of the deque.
// Threads:   one thread at a time; no locks (threads that share a deque put their own lock around it).
// Failure:   statuses of llk::Status: 24 null nugget, 15 index out of range, 5 empty / not found,
//            10 full and not allowed to grow (grow factor 0, or ...andResizeIfNeeded NO), 2 no memory
//            or a size that cannot be represented; a failed operation changes nothing.

#include <cstdint>

#include <txq/llk/object/LLKBObject.h>

class LLK_EXPORT LLKCNuggetDeque : public LLKBObject {
  LLK_OBJECT(LLKCNuggetDeque, LLKBObject)

 public:
  struct private_t;  // defined in LLKCNuggetDeque.cpp
  private_t* iPrivate;

  // ---- Creation ----
  // Nuggets of `length` bytes (0 counts as 1), capacity 16.
  static LLKCNuggetDeque* dequeWithLength(uint64_t length) noexcept;
  // Nuggets of `length` bytes (0 counts as 1) in a zeroed buffer of `capacity` nuggets (0 counts as
  // 1); nil when the buffer cannot be made.
  static LLKCNuggetDeque* dequeWithLength_andCapacity(uint64_t length, uint64_t capacity) noexcept;
  LLKCNuggetDeque* initWithLength_andCapacity(uint64_t length, uint64_t capacity) noexcept;
  // No buffer yet (made by the first insertion), nugget size 1, grow factor 0.25.
  LLKCNuggetDeque* init() noexcept override;

  // ---- Size ----
  uint64_t nuggetSize() const noexcept;
  uint64_t count() const noexcept;
  uint64_t capacity() const noexcept;
  float growFactor() const noexcept;
  // Negative (or NaN) factors are stored as 0, which makes the deque fixed-size.
  void setGrowFactor(float growFactor) noexcept;
  // Reallocates to n nuggets (0 counts as 1), never below the count; added bytes are zeroed. 0, or 2
  // with nothing changed.
  int32_t resize(uint64_t capacity) noexcept;
  // When fewer than n nuggets are free, resize(count + n): 0 or 2.
  int32_t reserve(uint64_t n) noexcept;
  // resize(count).
  void compact() noexcept;
  // Forgets every nugget; the capacity (and the buffer's bytes) are kept.
  void clear() noexcept;

  // ---- Access ----  (pointers into the buffer; null when empty or out of range)
  void* head() const noexcept;
  void* tail() const noexcept;
  void* fetchAtIndex(uint64_t index) const noexcept;
  // Copies nugget `index` to `nugget` (nuggetSize bytes): NO for an index out of range or a null
  // destination.
  bool fetch_atIndex(void* nugget, uint64_t index) const noexcept;
  // Compares nuggetSize bytes at `nugget` with each nugget from the head; the index of the first
  // match is stored when `index` is not null. NO for a null nugget.
  bool contains(const void* nugget) const noexcept;
  bool contains_atIndex(const void* nugget, uint64_t* index) const noexcept;

  // ---- Additions ----  (copy nuggetSize bytes in: 0, 24 null, 15 index > count, 10 full, 2)
  // These grow the deque when it is full (by the grow factor; 10 when it is 0).
  int32_t append(const void* nugget) noexcept;
  int32_t prepend(const void* nugget) noexcept;
  // At `index` in 0..count (count appends); nuggets from there move up one place.
  int32_t insert_atIndex(const void* nugget, uint64_t index) noexcept;
  // With `resize` 0 a full deque answers 10 instead of growing.
  int32_t append_andResizeIfNeeded(const void* nugget, uint8_t resize) noexcept;
  int32_t prepend_andResizeIfNeeded(const void* nugget, uint8_t resize) noexcept;
  int32_t insert_atIndex_andResizeIfNeeded(const void* nugget, uint64_t index, uint8_t resize) noexcept;

  // ---- Removals ----
  // 15 out of range; later nuggets move down one place.
  int32_t removeAtIndex(uint64_t index) noexcept;
  // 24 null, 5 not contained; else removes the first match.
  int32_t remove(const void* nugget) noexcept;
  // 5 when empty.
  int32_t removeHead() noexcept;
  int32_t removeTail() noexcept;

  // ---- Order ----
  // 0 < n < count: the first n nuggets move, in order, behind the others; otherwise nothing.
  void rotateBy(uint64_t n) noexcept;
  // Swaps nugget i with one drawn from [i + 1, count - 1) for each i while i + 1 < count - 1: the
  // last nugget never moves, and fewer than 3 nuggets stay as they are.
  void scramble() noexcept;

  // ---- Copies ----
  // Same nugget size, count, capacity, grow factor and buffer bytes (deep and shallow alike). nil
  // (the receiver freed) when the source is no nugget deque or memory is exhausted.
  LLKCNuggetDeque* initWithCopy_deep(LLKBObject* source, bool deep) noexcept override;
  LLKCNuggetDeque* copy() noexcept override;
  LLKCNuggetDeque* deepCopy() noexcept override;

  // ---- Coding ----
  // The whole buffer (size * capacity bytes), then "len" (the nugget size), "growFactor", "count" and
  // "capacity" (unsigned 32-bit each, the factor single precision); NO when a figure does not fit
  // 32 bits. Reading refuses (nil) a size of 0, count > capacity, capacity 0 with a size other than
  // 1, a size * capacity that cannot be represented or exceeds what is left of the stream, and a
  // buffer of any other length.
  bool encodeWithCoder(LLKBEncoder* coder) noexcept override;
  LLKCNuggetDeque* initWithCoder(LLKBDecoder* coder) noexcept override;

 protected:
  ~LLKCNuggetDeque() override;  // frees the buffer and the record
};

#endif  // TXQ_LLK_COLLECTIONS_LLKCNUGGETDEQUE_H
