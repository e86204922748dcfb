#include <txq/llk/coding/LLKCBinaryReader.h>

#include <cstring>

#include <txq/llk/coding/LLKPPositionable.h>
#include <txq/llk/collections/LLKContainerMaking_p.h>

LLK_DEFINE_CLASS(LLKCBinaryReader, LLK_PROTOCOLS(), initWithSource, readBuffer_length)

LLKCBinaryReader* LLKCBinaryReader::readerWithSource(LLKBObject* source) noexcept {
  return llk::detail::autoreleasedNew(&LLKCBinaryReader::initWithSource, source);
}

LLKCBinaryReader* LLKCBinaryReader::initWithSource(LLKBObject* source) noexcept {
  channel_ = llk::as<LLKPPositionable>(source);
  if (channel_ == nullptr) {
    dealloc();
    return nullptr;
  }
  iSource = source->retain();
  return this;
}

LLKCBinaryReader::~LLKCBinaryReader() { llk::release(iSource); }

template <class T>
bool LLKCBinaryReader::readRaw(T* value) noexcept {
  unsigned char bytes[sizeof(T)];
  if (value == nullptr || channel_->fetch_bytesInto(sizeof(T), bytes) != sizeof(T)) return false;
  std::memcpy(value, bytes, sizeof(T));
  return true;
}

template <class T>
T LLKCBinaryReader::readValue() noexcept {
  T value{};
  return readRaw(&value) ? value : T{};
}

bool LLKCBinaryReader::readBool(bool* value) noexcept {
  uint8_t byte = 0;
  if (value == nullptr || !readRaw(&byte)) return false;
  *value = byte != 0;
  return true;
}
bool LLKCBinaryReader::readBool() noexcept { return readValue<uint8_t>() != 0; }
bool LLKCBinaryReader::readByte(char* value) noexcept { return readRaw(value); }
uint8_t LLKCBinaryReader::readByte() noexcept { return readValue<uint8_t>(); }
bool LLKCBinaryReader::readUint16(uint16_t* value) noexcept { return readRaw(value); }
uint16_t LLKCBinaryReader::readUint16() noexcept { return readValue<uint16_t>(); }
bool LLKCBinaryReader::readUint32(uint32_t* value) noexcept { return readRaw(value); }
uint32_t LLKCBinaryReader::readUint32() noexcept { return readValue<uint32_t>(); }
bool LLKCBinaryReader::readUint64(uint64_t* value) noexcept { return readRaw(value); }
uint64_t LLKCBinaryReader::readUint64() noexcept { return readValue<uint64_t>(); }
bool LLKCBinaryReader::readSint16(int16_t* value) noexcept { return readRaw(value); }
int16_t LLKCBinaryReader::readSint16() noexcept { return readValue<int16_t>(); }
bool LLKCBinaryReader::readSint32(int32_t* value) noexcept { return readRaw(value); }
int32_t LLKCBinaryReader::readSint32() noexcept { return readValue<int32_t>(); }
bool LLKCBinaryReader::readSint64(int64_t* value) noexcept { return readRaw(value); }
int64_t LLKCBinaryReader::readSint64() noexcept { return readValue<int64_t>(); }
bool LLKCBinaryReader::readReal32(float* value) noexcept { return readRaw(value); }
float LLKCBinaryReader::readReal32() noexcept { return readValue<float>(); }
bool LLKCBinaryReader::readReal64(double* value) noexcept { return readRaw(value); }
double LLKCBinaryReader::readReal64() noexcept { return readValue<double>(); }

uint64_t LLKCBinaryReader::readBuffer_length(void* destination, uint64_t length) noexcept {
  if (destination == nullptr) return 0;
  return channel_->fetch_bytesInto(length, destination) == length ? 1 : 0;
}
