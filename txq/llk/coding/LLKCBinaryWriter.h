#ifndef TXQ_LLK_CODING_LLKCBINARYWRITER_H
#define TXQ_LLK_CODING_LLKCBINARYWRITER_H
// LLKCBinaryWriter: writes raw values onto a channel, each as its in-memory bytes (host order; 1 byte
// for bool and byte, 2, 4 or 8 for integers, 4 for binary32, 8 for binary64), with no tags, lengths
// or alignment: the stream is the bare concatenation of the values. LLKCBinaryReader reads it back.
//
//   LLKCBinaryWriter* w = LLKCBinaryWriter::writerWithTarget(channel);
//   w->writeUint32(7); w->writeBuffer_length("abc", 3);
//
// Each write answers YES only when all its bytes were stored.
// Ownership: the channel is retained for the writer's life. Threads: the channel's (one at a time).

#include <cstdint>

#include <txq/llk/object/LLKBObject.h>

struct LLKPPositionable;

class LLK_EXPORT LLKCBinaryWriter : public LLKBObject {
  LLK_OBJECT(LLKCBinaryWriter, LLKBObject)

 public:
  LLKBObject* iTarget;  // the channel, retained

  // nil when the target is nil or does not adopt LLKPPositionable.
  static LLKCBinaryWriter* writerWithTarget(LLKBObject* target) noexcept;
  LLKCBinaryWriter* initWithTarget(LLKBObject* target) noexcept;

  bool writeBool(bool value) noexcept;
  bool writeByte(uint8_t value) noexcept;
  bool writeUint16(uint16_t value) noexcept;
  bool writeUint32(uint32_t value) noexcept;
  bool writeUint64(uint64_t value) noexcept;
  bool writeSint16(int16_t value) noexcept;
  bool writeSint32(int32_t value) noexcept;
  bool writeSint64(int64_t value) noexcept;
  bool writeReal32(float value) noexcept;
  bool writeReal64(double value) noexcept;
  bool writeBuffer_length(const void* bytes, uint64_t length) noexcept;

 protected:
  ~LLKCBinaryWriter() override;

 private:
  LLKPPositionable* channel_;  // iTarget's channel interface
};

#endif  // TXQ_LLK_CODING_LLKCBINARYWRITER_H
