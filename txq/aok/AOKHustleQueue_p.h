#ifndef TXQ_AOK_AOKHUSTLEQUEUE_P_H
#define TXQ_AOK_AOKHUSTLEQUEUE_P_H
// Internal: the queues of a scheduler record.
// HustleQueue: by priority. One ring per priority in use, kept in descending priority order (a
// record rarely sees more than a handful of priorities), so a push or a pop moves one entry and
// allocates only when a ring grows. Holds one reference per entry. Each entry carries the stamp the
// record gave it (deliveries are numbered in arrival order). Not locked.

#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <utility>

#include <txq/llk/object/LLKBObject.h>

namespace aok::detail {

class HustleQueue {
 public:
  HustleQueue() = default;
  HustleQueue(const HustleQueue&) = delete;
  HustleQueue& operator=(const HustleQueue&) = delete;
  ~HustleQueue() {
    for (uint32_t i = 0; i < levelCount_; ++i) {
      Level& level = levels_[i];
      for (uint32_t k = 0; k < level.count; ++k) level.slots[(level.head + k) & (level.capacity - 1)].object->release();
      std::free(level.slots);
    }
    std::free(levels_);
  }

  uint64_t count() const noexcept { return count_; }
  bool empty() const noexcept { return count_ == 0; }

  // Takes over the caller's reference; NO when no memory is left (nothing changed).
  bool pushOwned(LLKBObject* object, uint8_t priority, uint64_t stamp) noexcept {
    Level* level = levelFor(priority);
    if (level == nullptr) return false;
    if (level->count == level->capacity && !grow(*level)) return false;
    level->slots[(level->head + level->count) & (level->capacity - 1)] = Entry{object, stamp};
    ++level->count;
    ++count_;
    return true;
  }

  // The oldest entry of the highest priority between `low` and 255, with the queue's reference
  // handed to the caller; nil when none.
  LLKBObject* pop(uint8_t low, uint8_t* priority, uint64_t* stamp = nullptr) noexcept {
    if (count_ == 0) return nullptr;
    for (uint32_t i = 0; i < levelCount_; ++i) {
      Level& level = levels_[i];
      if (level.priority < low) return nullptr;
      if (level.count == 0) continue;
      const Entry entry = level.slots[level.head];
      level.head = (level.head + 1) & (level.capacity - 1);
      --level.count;
      --count_;
      if (priority != nullptr) *priority = level.priority;
      if (stamp != nullptr) *stamp = entry.stamp;
      return entry.object;
    }
    return nullptr;
  }

  // The highest priority holding an entry (0 when empty).
  uint8_t topPriority() const noexcept {
    for (uint32_t i = 0; i < levelCount_; ++i)
      if (levels_[i].count != 0) return levels_[i].priority;
    return 0;
  }

 private:
  struct Entry {
    LLKBObject* object;
    uint64_t stamp;
  };
  struct Level {
    Entry* slots;
    uint32_t head, count, capacity;  // capacity: a power of two
    uint8_t priority;
  };

  Level* levelFor(uint8_t priority) noexcept {
    uint32_t at = 0;
    while (at < levelCount_ && levels_[at].priority > priority) ++at;
    if (at < levelCount_ && levels_[at].priority == priority) return &levels_[at];
    if (levelCount_ == levelCapacity_) {
      uint32_t capacity = levelCapacity_ == 0 ? 4 : levelCapacity_ * 2;
      auto* grown = static_cast<Level*>(std::realloc(levels_, capacity * sizeof(Level)));
      if (grown == nullptr) return nullptr;
      levels_ = grown;
      levelCapacity_ = capacity;
    }
    std::memmove(&levels_[at + 1], &levels_[at], (levelCount_ - at) * sizeof(Level));
    levels_[at] = Level{nullptr, 0, 0, 0, priority};
    ++levelCount_;
    return &levels_[at];
  }

  static bool grow(Level& level) noexcept {
    uint32_t capacity = level.capacity == 0 ? 8 : level.capacity * 2;
    auto* slots = static_cast<Entry*>(std::malloc(capacity * sizeof(Entry)));
    if (slots == nullptr) return false;
    for (uint32_t k = 0; k < level.count; ++k) slots[k] = level.slots[(level.head + k) & (level.capacity - 1)];
    std::free(level.slots);
    level.slots = slots;
    level.head = 0;
    level.capacity = capacity;
    return true;
  }

  Level* levels_ = nullptr;
  uint32_t levelCount_ = 0;
  uint32_t levelCapacity_ = 0;
  uint64_t count_ = 0;
};

// Work items as they arrive, oldest first, before the record's worker sorts them into its queue.
// Producers append under the record's lock; the worker swaps the whole inbox out in one step.
class HustleInbox {
 public:
  HustleInbox() = default;
  HustleInbox(const HustleInbox&) = delete;
  HustleInbox& operator=(const HustleInbox&) = delete;
  ~HustleInbox() {
    for (uint32_t i = 0; i < count_; ++i) entries_[i].object->release();
    std::free(entries_);
  }

  bool empty() const noexcept { return count_ == 0; }

  // Retains the object; NO when no memory is left (nothing changed).
  bool push(LLKBObject* object, uint8_t priority, uint64_t stamp) noexcept {
    if (count_ == capacity_) {
      const uint32_t capacity = capacity_ == 0 ? 8 : capacity_ * 2;
      auto* grown = static_cast<Entry*>(std::realloc(entries_, capacity * sizeof(Entry)));
      if (grown == nullptr) return false;
      entries_ = grown;
      capacity_ = capacity;
    }
    entries_[count_++] = Entry{object, stamp, priority};
    object->retain();
    return true;
  }

  // The highest priority held (0 when empty).
  uint8_t topPriority() const noexcept {
    uint8_t top = 0;
    for (uint32_t i = 0; i < count_; ++i) top = entries_[i].priority > top ? entries_[i].priority : top;
    return top;
  }

  void swap(HustleInbox& other) noexcept {
    std::swap(entries_, other.entries_);
    std::swap(count_, other.count_);
    std::swap(capacity_, other.capacity_);
  }

  // Moves the entries, oldest first, into the queue; those it cannot take stay here, in order.
  void moveInto(HustleQueue& queue) noexcept {
    uint32_t moved = 0;
    while (moved < count_ && queue.pushOwned(entries_[moved].object, entries_[moved].priority, entries_[moved].stamp))
      ++moved;
    std::memmove(entries_, entries_ + moved, (count_ - moved) * sizeof(Entry));
    count_ -= moved;
  }

 private:
  struct Entry {
    LLKBObject* object;
    uint64_t stamp;
    uint8_t priority;
  };
  Entry* entries_ = nullptr;
  uint32_t count_ = 0;
  uint32_t capacity_ = 0;
};

}  // namespace aok::detail

#endif  // TXQ_AOK_AOKHUSTLEQUEUE_P_H
