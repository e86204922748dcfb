#ifndef TXQ_AOK_AOKHUSTLEQUEUE_P_H
#define TXQ_AOK_AOKHUSTLEQUEUE_P_H
// Internal: the priority queue of a scheduler record. One ring per priority in use, kept in
// descending priority order (a record rarely sees more than a handful of priorities), so a push or
// a pop moves one pointer and allocates only when a ring grows. Holds one reference per entry.
// Not locked: the record's lock guards it.

#include <cstdint>
#include <cstdlib>
#include <cstring>

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
      for (uint32_t k = 0; k < level.count; ++k) level.slots[(level.head + k) & (level.capacity - 1)]->release();
      std::free(level.slots);
    }
    std::free(levels_);
  }

  uint64_t count() const noexcept { return count_; }
  bool empty() const noexcept { return count_ == 0; }

  // Retains the object; NO when no memory is left (nothing changed).
  bool push(LLKBObject* object, uint8_t priority) noexcept {
    Level* level = levelFor(priority);
    if (level == nullptr) return false;
    if (level->count == level->capacity && !grow(*level)) return false;
    level->slots[(level->head + level->count) & (level->capacity - 1)] = object;
    ++level->count;
    ++count_;
    object->retain();
    return true;
  }

  // The oldest entry of the highest priority between `low` and 255, with the queue's reference
  // handed to the caller; nil when none.
  LLKBObject* pop(uint8_t low, uint8_t* priority) noexcept {
    if (count_ == 0) return nullptr;
    for (uint32_t i = 0; i < levelCount_; ++i) {
      Level& level = levels_[i];
      if (level.priority < low) return nullptr;
      if (level.count == 0) continue;
      LLKBObject* object = level.slots[level.head];
      level.head = (level.head + 1) & (level.capacity - 1);
      --level.count;
      --count_;
      if (priority != nullptr) *priority = level.priority;
      return object;
    }
    return nullptr;
  }

  // The highest priority holding an entry (0 when empty).
  uint8_t topPriority() const noexcept {
    for (uint32_t i = 0; i < levelCount_; ++i)
      if (levels_[i].count != 0) return levels_[i].priority;
    return 0;
  }

  // Takes back the newest entry of that priority when it is `object` (the queue's reference goes
  // back to the caller). NO when it is not there.
  bool takeBackLast(LLKBObject* object, uint8_t priority) noexcept {
    for (uint32_t i = 0; i < levelCount_; ++i) {
      Level& level = levels_[i];
      if (level.priority != priority || level.count == 0) continue;
      uint32_t last = (level.head + level.count - 1) & (level.capacity - 1);
      if (level.slots[last] != object) return false;
      --level.count;
      --count_;
      return true;
    }
    return false;
  }

 private:
  struct Level {
    LLKBObject** slots;
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
    auto* slots = static_cast<LLKBObject**>(std::malloc(capacity * sizeof(LLKBObject*)));
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

}  // namespace aok::detail

#endif  // TXQ_AOK_AOKHUSTLEQUEUE_P_H
