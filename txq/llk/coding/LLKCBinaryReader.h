#ifndef TXQ_LLK_CODING_LLKCBINARYREADER_H
#define TXQ_LLK_CODING_LLKCBINARYREADER_H
// LLKCBinaryReader: reads raw values off a channel, each in the width LLKCBinaryWriter writes it,
// with one fetch per value. The pointer forms answer YES when the full width was read (the pointee is
// written only then); the value forms answer the value, or 0 when fewer bytes came.
//
//   LLKCBinaryReader* r = LLKCBinaryReader::readerWithSource(channel);
//   uint32_t n = r->readUint32();
//
// Ownership: the channel is retained for the reader's life. Threads: the channel's (one at a time).

#include <cstdint>

#include <txq/llk/object/LLKBObject.h>

struct LLKPPositionable;

class LLK_EXPORT LLKCBinaryReader : public LLKBObject {
  LLK_OBJECT(LLKCBinaryReader, LLKBObject)

 public:
  LLKBObject* iSource;  // the channel, retained

  // nil when the source is nil or does not adopt LLKPPositionable.
  static LLKCBinaryReader* readerWithSource(LLKBObject* source) noexcept;
  LLKCBinaryReader* initWithSource(LLKBObject* source) noexcept;

  bool readBool(bool* value) noexcept;
  bool readBool() noexcept;
  bool readByte(char* value) noexcept;
  uint8_t readByte() noexcept;
  bool readUint16(uint16_t* value) noexcept;
  uint16_t readUint16() noexcept;
  bool readUint32(uint32_t* value) noexcept;
  uint32_t readUint32() noexcept;
  bool readUint64(uint64_t* value) noexcept;
  uint64_t readUint64() noexcept;
  bool readSint16(int16_t* value) noexcept;
  int16_t readSint16() noexcept;
  bool readSint32(int32_t* value) noexcept;
  int32_t readSint32() noexcept;
  bool readSint64(int64_t* value) noexcept;
  int64_t readSint64() noexcept;
  bool readReal32(float* value) noexcept;
  float readReal32() noexcept;
  bool readReal64(double* value) noexcept;
  double readReal64() noexcept;
  // 1 when exactly `length` bytes were read, else 0 (the bytes that did come are copied all the same).
  uint64_t readBuffer_length(void* destination, uint64_t length) noexcept;

 protected:
  ~LLKCBinaryReader() override;

 private:
  template <class T>
  bool readRaw(T* value) noexcept;
  template <class T>
  T readValue() noexcept;

  LLKPPositionable* channel_;  // iSource's channel interface
};

#endif  // TXQ_LLK_CODING_LLKCBINARYREADER_H
