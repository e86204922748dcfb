#include <txq/llk/coding/LLKCBinaryWriter.h>

#include <txq/llk/coding/LLKPPositionable.h>
#include <txq/llk/collections/LLKContainerMaking_p.h>

namespace {

template <class T>
bool writeRaw(LLKPPositionable* channel, T value) noexcept {
  return channel->store_bytesFrom(sizeof(T), &value) == sizeof(T);
}

}  // namespace

LLK_DEFINE_CLASS(LLKCBinaryWriter, LLK_PROTOCOLS(), initWithTarget, writeBool, writeByte, writeUint16, writeUint32,
                 writeUint64, writeSint16, writeSint32, writeSint64, writeReal32, writeReal64, writeBuffer_length)

LLKCBinaryWriter* LLKCBinaryWriter::writerWithTarget(LLKBObject* target) noexcept {
  return llk::detail::autoreleasedNew(&LLKCBinaryWriter::initWithTarget, target);
}

LLKCBinaryWriter* LLKCBinaryWriter::initWithTarget(LLKBObject* target) noexcept {
  channel_ = llk::as<LLKPPositionable>(target);
  if (channel_ == nullptr) {
    dealloc();
    return nullptr;
  }
  iTarget = target->retain();
  return this;
}

LLKCBinaryWriter::~LLKCBinaryWriter() { llk::release(iTarget); }

bool LLKCBinaryWriter::writeBool(bool value) noexcept { return writeRaw<uint8_t>(channel_, value ? 1 : 0); }
bool LLKCBinaryWriter::writeByte(uint8_t value) noexcept { return writeRaw(channel_, value); }
bool LLKCBinaryWriter::writeUint16(uint16_t value) noexcept { return writeRaw(channel_, value); }
bool LLKCBinaryWriter::writeUint32(uint32_t value) noexcept { return writeRaw(channel_, value); }
bool LLKCBinaryWriter::writeUint64(uint64_t value) noexcept { return writeRaw(channel_, value); }
bool LLKCBinaryWriter::writeSint16(int16_t value) noexcept { return writeRaw(channel_, value); }
bool LLKCBinaryWriter::writeSint32(int32_t value) noexcept { return writeRaw(channel_, value); }
bool LLKCBinaryWriter::writeSint64(int64_t value) noexcept { return writeRaw(channel_, value); }
bool LLKCBinaryWriter::writeReal32(float value) noexcept { return writeRaw(channel_, value); }
bool LLKCBinaryWriter::writeReal64(double value) noexcept { return writeRaw(channel_, value); }

bool LLKCBinaryWriter::writeBuffer_length(const void* bytes, uint64_t length) noexcept {
  return channel_->store_bytesFrom(length, bytes) == length;
}
