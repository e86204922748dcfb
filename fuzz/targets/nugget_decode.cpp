// A nugget deque's content read from arbitrary bytes: the input is one binary stream whose top level
// holds what LLKCNuggetDeque::encodeWithCoder writes, in an exactly sized heap block so that a read
// one byte past it is an AddressSanitizer report. A deque that comes out must keep its invariants,
// answer every index, take a few insertions and removals, and survive encoding and decoding again
// with the same figures and bytes (and so must its copy).
#include <txq/llk/coding/LLKCBinaryDecoder.h>
#include <txq/llk/coding/LLKCBinaryEncoder.h>
#include <txq/llk/coding/LLKCMemoryIO.h>
#include <txq/llk/collections/LLKCNuggetDeque.h>
#include <txq/llk/object/LLKAutoreleaseScope.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <vector>

#include "FuzzTarget.h"

namespace {

void require(bool holds, const char* what) {
  if (holds) return;
  std::fprintf(stderr, "nugget_decode: %s\n", what);
  std::abort();
}

LLKCNuggetDeque* decode(std::vector<uint8_t>& stream) {
  LLKCMemoryIO* memory = LLKCMemoryIO::memoryWithBytesNoCopy_length(stream.data(), stream.size());
  LLKCBinaryDecoder* decoder = LLKCBinaryDecoder::decoder();
  if (memory == nullptr || decoder == nullptr || !decoder->beginWithSource(memory)) return nullptr;
  LLKCNuggetDeque* deque = LLKCNuggetDeque::alloc();
  deque = deque != nullptr ? llk::autorelease(deque->initWithCoder(decoder)) : nullptr;
  decoder->cease();
  return deque;
}

// The deque's content alone as a complete stream; empty when it cannot be encoded.
std::vector<uint8_t> encode(LLKCNuggetDeque* deque) {
  LLKCMemoryIO* memory = LLKCMemoryIO::memoryWithLength_andBlockSize(0, 1024);
  LLKCBinaryEncoder* encoder = LLKCBinaryEncoder::encoder();
  if (memory == nullptr || encoder == nullptr || !encoder->beginWithTarget(memory)) return {};
  const bool written = deque->encodeWithCoder(encoder);
  if (!encoder->cease() || !written) return {};
  const auto* bytes = static_cast<const uint8_t*>(memory->bytes());
  uint32_t length = 0;
  std::memcpy(&length, bytes + 4, 4);
  return std::vector<uint8_t>(bytes, bytes + length);
}

void requireSame(LLKCNuggetDeque* a, LLKCNuggetDeque* b) {
  require(a->nuggetSize() == b->nuggetSize() && a->count() == b->count() && a->capacity() == b->capacity(),
          "figures differ");
  const float fa = a->growFactor(), fb = b->growFactor();
  require(std::memcmp(&fa, &fb, sizeof fa) == 0, "grow factors differ");
  for (uint64_t i = 0; i < a->count(); ++i) {
    require(std::memcmp(a->fetchAtIndex(i), b->fetchAtIndex(i), a->nuggetSize()) == 0, "nuggets differ");
  }
}

void exercise(LLKCNuggetDeque* deque) {
  const uint64_t size = deque->nuggetSize();
  const uint64_t count = deque->count();
  require(size >= 1 && count <= deque->capacity(), "invariants broken");
  require(deque->growFactor() >= 0.0f, "negative grow factor");
  std::vector<uint8_t> nugget(size);
  for (uint64_t i = 0; i < count; ++i) {
    require(deque->fetch_atIndex(nugget.data(), i), "an index below count is refused");
    require(std::memcmp(nugget.data(), deque->fetchAtIndex(i), size) == 0, "fetch copies other bytes");
    uint64_t found = count;
    require(deque->contains_atIndex(nugget.data(), &found) && found <= i, "a nugget is not found");
  }
  require(deque->fetchAtIndex(count) == nullptr && !deque->fetch_atIndex(nugget.data(), count),
          "an index at count is answered");

  LLKCNuggetDeque* copy = deque->copy();
  require(copy != nullptr, "no copy");
  requireSame(deque, copy);

  // Insertions may answer 10 (grow factor 0) or 2; they must never write past the buffer. A huge
  // decoded factor would make growth ask for terabytes, which the sanitizer's allocator reports
  // instead of failing, so the factor is bounded here.
  if (deque->growFactor() > 4.0f) deque->setGrowFactor(4.0f);
  std::memset(nugget.data(), 0x5A, size);
  deque->append(nugget.data());
  deque->prepend(nugget.data());
  deque->insert_atIndex(nugget.data(), deque->count() / 2);
  deque->append_andResizeIfNeeded(nugget.data(), 0);
  deque->rotateBy(deque->count() / 3);
  deque->removeHead();
  deque->removeTail();
  deque->remove(nugget.data());
  require(deque->count() <= deque->capacity(), "count above capacity after changes");

  for (LLKCNuggetDeque* subject : {deque, copy}) {
    std::vector<uint8_t> stream = encode(subject);
    if (stream.empty()) continue;  // figures beyond 32 bits after growth
    LLKCNuggetDeque* again = decode(stream);
    require(again != nullptr, "an encoded deque does not decode");
    requireSame(subject, again);
    require(encode(again) == stream, "the second encoding differs from the first");
  }
}

}  // namespace

TXQ_FUZZ_TARGET(nugget_decode) {
  std::vector<uint8_t> stream(data, data + size);
  llk::AutoreleaseScope pool;
  LLKCNuggetDeque* deque = decode(stream);
  if (deque != nullptr) exercise(deque);
  return 0;
}
