#ifndef TXQ_LLK_CODING_LLKCBINARYENCODER_H
#define TXQ_LLK_CODING_LLKCBINARYENCODER_H
// LLKCBinaryEncoder: writes the binary stream onto any positionable channel.
//
//   LLKCMemoryIO* memory = LLKCMemoryIO::memoryWithLength_andBlockSize(0, 4096);
//   LLKCBinaryEncoder* encoder = LLKCBinaryEncoder::encoder();
//   encoder->beginWithTarget(memory);   // the 8-byte stream header, length still 0
//   encoder->encodeObject(graph);       // one record per value, objects nesting their fields
//   encoder->cease();                   // fills in the stream length
//
// The stream, in host byte order: "kmS!" and the 32-bit length of the whole stream; then records,
// each a 16-byte header ("KmF", a type tag, the 32-bit class-name length with its NUL (objects only),
// the 32-bit hashCode of the key (0: unkeyed), the 32-bit payload length) followed by the class name
// (objects only) and the payload. Tags: 10 object (payload: the records of its encodeWithCoder),
// 11 bool (1 byte), 12 byte, 13 unsigned and 14 signed integers (2, 4 or 8 bytes), 15 real (4 or 8),
// 16 buffer (any length). Keys are not stored, only their hash: a key hashing to 0 gives an unkeyed
// record. Lengths that do not fit 32 bits are refused (NO).
//
// Failure: a plain record that could not be stored whole is rolled back (the channel is moved back to
// where it began); an object whose encodeWithCoder answers NO is rolled back the same way. The
// caller of a failed encoding normally abandons the stream.
// Ownership: the target is retained while a stream is open. Threads: one thread at a time.

#include <cstdint>

#include <txq/llk/coding/LLKBEncoder.h>
#include <txq/llk/coding/LLKCMemoryIO.h>

struct LLKPPositionable;

class LLK_EXPORT LLKCBinaryEncoder : public LLKBEncoder {
  LLK_OBJECT(LLKCBinaryEncoder, LLKBEncoder)

 public:
  struct private_t {
    LLKBObject* mTarget = nullptr;           // retained while a stream is open
    LLKPPositionable* mChannel = nullptr;    // mTarget's channel interface
    LLKCMemoryIO::private_t* mMemory = nullptr;  // mTarget's record when it is exactly a memory channel
    uint64_t mOffset = 0;                    // where the open stream's header starts
    uint32_t mLength = 0;                    // unused by the encoder
    LLKFObjectProxyCallback mProxy = nullptr;
    void* mProxyContext = nullptr;
    uint32_t mDepth = 0;                     // objects being encoded inside one another
  };
  private_t* iPrivate;

  static LLKCBinaryEncoder* encoder() noexcept;
  LLKCBinaryEncoder* init() noexcept override;

  // Opens a stream on the channel (any object adopting LLKPPositionable) at its position. NO when a
  // stream is already open, the target is not a channel, or the header could not be stored.
  bool beginWithTarget(LLKBObject* target) noexcept;
  // Completes the header with the stream's length and lets the target go. NO when no stream is open,
  // the stream is 4 GiB or longer, or the header could not be rewritten (the stream then stays open).
  bool cease() noexcept;

  bool encodeBool(bool value) noexcept override;
  bool encodeBool_forKey(bool value, LLKBObject* key) noexcept override;
  bool encodeByte(uint8_t value) noexcept override;
  bool encodeByte_forKey(uint8_t value, LLKBObject* key) noexcept override;
  bool encodeUint16(uint16_t value) noexcept override;
  bool encodeUint16_forKey(uint16_t value, LLKBObject* key) noexcept override;
  bool encodeUint32(uint32_t value) noexcept override;
  bool encodeUint32_forKey(uint32_t value, LLKBObject* key) noexcept override;
  bool encodeUint64(uint64_t value) noexcept override;
  bool encodeUint64_forKey(uint64_t value, LLKBObject* key) noexcept override;
  bool encodeSint16(int16_t value) noexcept override;
  bool encodeSint16_forKey(int16_t value, LLKBObject* key) noexcept override;
  bool encodeSint32(int32_t value) noexcept override;
  bool encodeSint32_forKey(int32_t value, LLKBObject* key) noexcept override;
  bool encodeSint64(int64_t value) noexcept override;
  bool encodeSint64_forKey(int64_t value, LLKBObject* key) noexcept override;
  bool encodeReal32(float value) noexcept override;
  bool encodeReal32_forKey(float value, LLKBObject* key) noexcept override;
  bool encodeReal64(double value) noexcept override;
  bool encodeReal64_forKey(double value, LLKBObject* key) noexcept override;
  bool encodeBuffer_length(const void* bytes, uint64_t length) noexcept override;
  bool encodeBuffer_length_forKey(const void* bytes, uint64_t length, LLKBObject* key) noexcept override;
  bool encodeString(LLKCString* string) noexcept override;
  bool encodeString_forKey(LLKCString* string, LLKBObject* key) noexcept override;
  bool encodeObject(LLKBObject* object) noexcept override;
  bool encodeObject_forKey(LLKBObject* object, LLKBObject* key) noexcept override;
  void setObjectProxyCallback_withContext(LLKFObjectProxyCallback callback, void* context) noexcept override;

  void dealloc() noexcept override;  // ceases an open stream first

 protected:
  ~LLKCBinaryEncoder() override;
};

#endif  // TXQ_LLK_CODING_LLKCBINARYENCODER_H
