#ifndef TXQ_LLK_COLLECTIONS_LLKCONTAINERCODING_P_H
#define TXQ_LLK_COLLECTIONS_LLKCONTAINERCODING_P_H
// Internal: what the containers share to write themselves into a coder and to come back from one.
// Not installed, not API.
//
// A container writes its elements as unkeyed records in its order, skipping any object whose class
// does not adopt LLKPEncodable, then the keyed 32-bit "count" (the elements written) and "capacity"
// (clamped to 32 bits); the slot-block sequences add the keyed real32 "growFactor".
//
// Coming back, count and capacity are claims of the stream, not facts: nothing is allocated from
// them. A container starts with room for min(capacity, kDecodeRoomHint) elements and grows only as
// elements actually arrive; once all have come, its capacity is set to max(elements held,
// min(capacity, kDecodeRoomHint)). So a stream claiming a billion elements costs a few kilobytes
// before its first missing element ends the decoding. Every element must decode, or the whole
// decoding fails (the half-built container is deallocated with what it held).

#include <txq/llk/coding/LLKBDecoder.h>
#include <txq/llk/coding/LLKBEncoder.h>
#include <txq/llk/object/LLKProtocols.h>
#include <txq/llk/object/LLKStatus.h>
#include <txq/llk/values/LLKCString.h>

#include <algorithm>
#include <cstdint>

namespace llk::detail {

// The most room a decoded container makes before its elements have arrived.
inline constexpr uint64_t kDecodeRoomHint = 4096;

inline bool isEncodable(LLKBObject* object) noexcept {
  return llk::conformsTo(object, &LLKPEncodable::kProtocol);
}

// encodeObject of the object when it is encodable (counted in *written); YES for a skipped one.
inline bool encodeIfEncodable(LLKBEncoder* coder, LLKBObject* object, uint64_t* written) noexcept {
  if (!isEncodable(object)) return true;
  if (!coder->encodeObject(object)) return false;
  ++*written;
  return true;
}

// The keyed "count" and "capacity". NO when the count does not fit 32 bits; a larger capacity is
// written as UINT32_MAX (it is a hint).
inline bool encodeCountAndCapacity(LLKBEncoder* coder, uint64_t count, uint64_t capacity) noexcept {
  if (count > UINT32_MAX) return false;
  capacity = std::max(count, std::min<uint64_t>(capacity, UINT32_MAX));
  return coder->encodeUint32_forKey(static_cast<uint32_t>(count), "count"_llk) &&
         coder->encodeUint32_forKey(static_cast<uint32_t>(capacity), "capacity"_llk);
}

// count and capacity as a stream claims them.
struct CodedSize {
  uint64_t count = 0;
  uint64_t capacity = 0;

  // The room to make before any element has arrived, and the capacity to settle on once all have:
  // containers never shrink below their count, so they end with max(count, this).
  uint64_t initialRoom() const noexcept { return std::min(capacity, kDecodeRoomHint); }
  // The room for the element at `position` when `room` is used up: doubling, up to the capacity.
  uint64_t grownRoom(uint64_t room, uint64_t position) const noexcept {
    return std::min(capacity, std::max(position + 1, room * 2));
  }
};

// Reads "count" and "capacity": both must be there, and count <= capacity. With `zeroMeans16` a
// stored capacity of 0 (and count 0) reads as 16, the capacity of the sequences' streams.
inline bool decodeCountAndCapacity(LLKBDecoder* coder, CodedSize* size, bool zeroMeans16) noexcept {
  uint32_t count = 0;
  uint32_t capacity = 0;
  if (coder == nullptr || !coder->decodeUint32_forKey(&count, "count"_llk) ||
      !coder->decodeUint32_forKey(&capacity, "capacity"_llk) || count > capacity) {
    return false;
  }
  size->count = count;
  size->capacity = (capacity == 0 && zeroMeans16) ? 16 : capacity;
  return true;
}

// The next unkeyed object, or nil when there is none (or it cannot be made). Autoreleased.
inline LLKBObject* decodeElement(LLKBDecoder* coder) noexcept {
  LLKBObject* object = nullptr;
  return coder->decodeObject(&object) ? object : nullptr;
}

// ---- Writing ----

// Writes the superclass part, then walk(&written), which writes the entries and counts them, then
// "count" and "capacity".
template <class Container, class Walk>
bool encodeContainer(Container* container, LLKBEncoder* coder, uint64_t capacity, Walk walk) noexcept {
  uint64_t written = 0;
  return coder != nullptr && container->Container::Super::encodeWithCoder(coder) && walk(&written) &&
         encodeCountAndCapacity(coder, written, capacity);
}

// The same for a slot-block sequence (array, vector, deque), with its "growFactor".
template <class Container, class Walk>
bool encodeSlotSequence(Container* container, LLKBEncoder* coder, Walk walk) noexcept {
  uint64_t written = 0;
  const auto* d = container->iPrivate;
  return coder != nullptr && container->Container::Super::encodeWithCoder(coder) && walk(&written) &&
         coder->encodeReal32_forKey(d->mGrowFactor, "growFactor"_llk) &&
         encodeCountAndCapacity(coder, written, d->mCapacity);
}

// ---- Reading ----

// initWithCoder of a container: make(room) initialises it with the initial room (deallocating it
// and answering nil on failure); takeOne(size, position) decodes one entry and stores it (NO
// fails), count times; resize(room) settles the final capacity (a status; containers never go below
// their count). nil (the container deallocated, with what it held) when anything is missing or
// cannot be made.
template <class Container, class Make, class TakeOne, class Resize>
Container* initContainerWithCoder(Container* container, LLKBDecoder* coder, bool zeroMeans16, Make make,
                                  TakeOne takeOne, Resize resize) noexcept {
  CodedSize size;
  if (!decodeCountAndCapacity(coder, &size, zeroMeans16)) {
    container->dealloc();
    return nullptr;
  }
  if (make(size.initialRoom()) == nullptr) return nullptr;
  for (uint64_t i = 0; i < size.count; ++i) {
    if (!takeOne(size, i)) {
      container->dealloc();
      return nullptr;
    }
  }
  if (resize(size.initialRoom()) != kDone) {
    container->dealloc();
    return nullptr;
  }
  return container;
}

// Sequences of single objects: add(object) stores the next element (NO fails).
template <class Container, class Make, class Add, class Resize>
Container* initSequenceWithCoder(Container* container, LLKBDecoder* coder, bool zeroMeans16, Make make,
                                 Add add, Resize resize) noexcept {
  return initContainerWithCoder(
      container, coder, zeroMeans16, make,
      [&](const CodedSize&, uint64_t) noexcept {
        LLKBObject* object = decodeElement(coder);
        return object != nullptr && add(object);
      },
      resize);
}

// A slot-block sequence (array, vector, deque): put(object, position) stores each element at the
// next position, the room having been doubled (up to the stored capacity) when used up, whatever
// the grow factor; the stored grow factor (default 0.25) is set at the end.
template <class Container, class Put>
Container* initSlotSequenceWithCoder(Container* container, LLKBDecoder* coder, Put put) noexcept {
  const float growFactor =
      llk::send(coder, &LLKBDecoder::decodeReal32WithDefault_forKey, 0.25f, "growFactor"_llk);
  Container* made = initContainerWithCoder(
      container, coder, true,
      [container](uint64_t room) noexcept { return container->initWithCapacity(room); },
      [&](const CodedSize& size, uint64_t position) noexcept {
        LLKBObject* object = decodeElement(coder);
        if (object == nullptr) return false;
        const uint64_t room = container->iPrivate->mCapacity;
        if (position >= room && container->resize(size.grownRoom(room, position)) != kDone) return false;
        return put(object, position);
      },
      [container](uint64_t room) noexcept { return container->resize(room); });
  if (made != nullptr) made->setGrowFactor(growFactor);
  return made;
}

}  // namespace llk::detail

#endif  // TXQ_LLK_COLLECTIONS_LLKCONTAINERCODING_P_H
