// Memory channel operations driven by the input, checked step by step against a plain model of the
// same channel (a byte vector, a position, a growth step, an ownership flag). Each operation is one
// opcode byte and a few argument bytes; sizes are kept small so that runs stay fast.
#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <vector>

#include <txq/llk/coding/LLKCMemoryIO.h>
#include <txq/llk/object/LLKAutoreleaseScope.h>
#include <txq/llk/values/LLKCData.h>

#include "FuzzTarget.h"

namespace {

void require(bool holds, const char* what) {
  if (holds) return;
  std::fprintf(stderr, "memory_channel: %s\n", what);
  std::abort();
}

class Input {
 public:
  Input(const uint8_t* data, size_t size) : data_(data), size_(size) {}
  bool empty() const { return at_ >= size_; }
  uint8_t byte() { return at_ < size_ ? data_[at_++] : 0; }
  uint64_t small() { return byte() | (uint64_t{byte()} << 8 & 0x300); }  // 0..1023

 private:
  const uint8_t* data_;
  size_t size_;
  size_t at_ = 0;
};

struct Model {
  std::vector<uint8_t> bytes;
  uint64_t position = 0;
  uint64_t blockSize = 0;
  bool owns = true;
  bool present = true;

  // The bytes a store of n at `offset` would leave: grown, or refused (nothing stored).
  bool store(uint64_t n, const uint8_t* source, uint64_t offset) {
    if (!present || n == 0) return false;
    const uint64_t end = offset + n;
    if (end > bytes.size()) {
      if (!owns || blockSize == 0) return false;
      bytes.resize(bytes.size() + std::max(blockSize, end - bytes.size()), 0);
    }
    std::memcpy(bytes.data() + offset, source, n);
    return true;
  }
};

void compare(LLKCMemoryIO* m, const Model& model) {
  require(m->isDisposed() == !model.present, "disposed state");
  if (!model.present) {
    require(m->getLength() == 0 && m->position() == 0 && m->isEndReached(), "empty channel answers");
    return;
  }
  require(m->getLength() == model.bytes.size(), "length");
  require(m->position() == model.position, "position");
  require(model.bytes.empty() || std::memcmp(m->bytes(), model.bytes.data(), model.bytes.size()) == 0, "content");
}

}  // namespace

TXQ_FUZZ_TARGET(memory_channel) {
  llk::AutoreleaseScope pool;
  Input in(data, size);
  const uint64_t length = in.small();
  const uint64_t blockSize = in.byte() % 4 == 0 ? 0 : in.small();
  LLKCMemoryIO* m = LLKCMemoryIO::memoryWithLength_andBlockSize(length, blockSize);
  require(m != nullptr, "creation");
  Model model;
  model.bytes.assign(length, 0);
  model.blockSize = blockSize;
  uint8_t scratch[1024];
  uint8_t source[1024];
  for (size_t i = 0; i < sizeof(source); ++i) source[i] = static_cast<uint8_t>(i * 7 + 1);

  for (int steps = 0; !in.empty() && steps < 64; ++steps) {
    const uint8_t op = in.byte() % 12;
    const uint64_t n = in.small();
    switch (op) {
      case 0: {
        const bool stored = model.store(n, source, model.position);
        require(m->store_bytesFrom(n, source) == (stored ? n : 0), "store count");
        if (stored) model.position += n;
        break;
      }
      case 1: {
        const uint64_t offset = in.small();
        require(m->store_bytesFrom_atOffset(n, source, offset) == (model.store(n, source, offset) ? n : 0),
                "store at offset count");
        break;
      }
      case 2: {
        const uint64_t expected = model.present ? std::min<uint64_t>(n, model.bytes.size() - model.position) : 0;
        require(m->fetch_bytesInto(n, scratch) == expected, "fetch count");
        require(expected == 0 || std::memcmp(scratch, model.bytes.data() + model.position, expected) == 0,
                "fetched bytes");
        model.position += expected;
        break;
      }
      case 3: {
        const uint64_t offset = in.small();
        const uint64_t expected =
            model.present && offset < model.bytes.size() ? std::min<uint64_t>(n, model.bytes.size() - offset) : 0;
        require(m->fetch_bytesInto_atOffset(n, scratch, offset) == expected, "fetch at offset count");
        break;
      }
      case 4:
        require(m->seek(n) == (model.present ? 0 : 25), "seek status");
        if (model.present) model.position = std::min<uint64_t>(n, model.bytes.size());
        break;
      case 5: {
        const int64_t distance = static_cast<int64_t>(n) - 512;
        require(m->skip(distance) == (model.present ? 0 : 25), "skip status");
        if (model.present) {
          const int64_t to = static_cast<int64_t>(model.position) + distance;
          model.position = static_cast<uint64_t>(std::clamp<int64_t>(to, 0, model.bytes.size()));
        }
        break;
      }
      case 6:
        require(m->setLength(n) == (model.present && model.owns), "setLength answer");
        if (model.present && model.owns) {
          model.bytes.resize(n, 0);
          model.position = std::min<uint64_t>(model.position, n);
        }
        break;
      case 7:
        m->shiftLeftBy(n);
        if (model.present && n < model.bytes.size()) {
          std::memmove(model.bytes.data(), model.bytes.data() + n, model.bytes.size() - n);
          model.position = model.position > n ? model.position - n : 0;
        }
        break;
      case 8:
        m->setBlockSize(n);
        model.blockSize = n;
        break;
      case 9: {
        LLKCData* copy = m->dataWithLength_copy(n, n % 2 == 0);
        require((copy != nullptr) == model.present, "data answer");
        if (copy != nullptr) require(copy->length() == std::min<uint64_t>(n, model.bytes.size()), "data length");
        break;
      }
      case 10:
        if (n % 8 == 0) {
          require(m->dispose(), "dispose");
          model.present = false;
        }
        break;
      default:
        if (n % 8 == 0) {
          LLKCData* moved = m->dataWithTransfert();
          require((moved != nullptr) == model.present, "transfer answer");
          if (moved != nullptr) require(moved->length() == model.bytes.size(), "transferred length");
          model.present = false;
        }
        break;
    }
    compare(m, model);
  }
  return 0;
}
