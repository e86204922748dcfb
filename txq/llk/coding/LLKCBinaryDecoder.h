#ifndef TXQ_LLK_CODING_LLKCBINARYDECODER_H
#define TXQ_LLK_CODING_LLKCBINARYDECODER_H
// LLKCBinaryDecoder: reads the binary stream LLKCBinaryEncoder writes, from any positionable channel.
//
//   LLKCBinaryDecoder* decoder = LLKCBinaryDecoder::decoder();
//   if (decoder->beginWithSource(memory)) {
//     LLKBObject* graph = decoder->decodeObject();     // autoreleased, or nil
//     decoder->cease();
//   }
//
// Reads happen inside a window: the stream (from its header's length), and while an object's
// initWithCoder runs, that object's payload clipped to the enclosing window. A record is seen only
// when its header, name and payload lie wholly inside the window.
// - Keyed reads scan the window from its start for the first record with the key's hash, the wanted
//   tag and (for scalars) the exact width written, and always leave the position where it was.
// - Unkeyed reads take the next unkeyed record from the position, passing over keyed ones; it must
//   have the wanted tag and width. A successful read moves past the record; a failed one moves nothing.
// - Objects are made only from classes registered under their name that adopt LLKPEncodable. Objects
//   nest at most 256 deep; deeper input fails. Class names are at most 255 characters.
// Any input, however damaged, answers a failure rather than harm: every length is checked against the
// window before it is trusted.
//
// Ownership: the source is retained while a stream is open; decoded objects are autoreleased.
// Threads:   one thread at a time.

#include <cstdint>

#include <txq/llk/coding/LLKBDecoder.h>
#include <txq/llk/coding/LLKCMemoryIO.h>

struct LLKPPositionable;

class LLK_EXPORT LLKCBinaryDecoder : public LLKBDecoder {
  LLK_OBJECT(LLKCBinaryDecoder, LLKBDecoder)

 public:
  struct private_t {
    LLKBObject* mSource = nullptr;         // retained while a stream is open
    LLKPPositionable* mChannel = nullptr;  // mSource's channel interface
    LLKCMemoryIO::private_t* mMemory = nullptr;  // mSource's record when it is exactly a memory channel
    uint64_t mOffset = 0;                  // where the window's first record begins
    uint32_t mLength = 0;                  // the stream length from its header (0: never ceased)
    LLKFObjectProxyCallback mProxy = nullptr;
    void* mProxyContext = nullptr;
    uint64_t mEnd = 0;                     // the window ends here (exclusive) ...
    bool mBounded = false;                 // ... when bounded; else it runs to the channel's end
    uint32_t mDepth = 0;                   // objects being decoded inside one another
    // The keyed records of one window, collected by its first keyed read, so that further keyed
    // reads in the same window need not scan it again (at most 16; more are scanned for each time).
    struct KeyedRecord {
      uint64_t mAt;  // where its header starts
      uint32_t mKeyHash;
      uint32_t mNameLength;
      uint32_t mPayload;
      uint8_t mTag;
    };
    struct KeyedIndex {
      uint64_t mOffset = 0;  // the window described
      uint64_t mEnd = 0;
      uint32_t mDepth = UINT32_MAX;  // UINT32_MAX: describes nothing
      uint32_t mCount = 0;           // > 16: too many to keep
      KeyedRecord mRecords[16];
    } mKeyed;
    // The class of the last object name read, so that runs of one class skip the registry.
    const LLKClass* mLastClass = nullptr;
    uint32_t mLastNameLength = 0;
    char mLastName[256];
  };
  private_t* iPrivate;

  static LLKCBinaryDecoder* decoder() noexcept;
  LLKCBinaryDecoder* init() noexcept override;

  // Opens the stream that starts at the channel's position. NO when a stream is already open, the
  // source is not a channel, or no stream header is there (the position is then left as it was).
  bool beginWithSource(LLKBObject* source) noexcept;
  // Lets the source go. NO when no stream is open.
  bool cease() noexcept;

  LLK_DECODER_INHERITED_FORMS;

  bool decodeBool(bool* value) noexcept override;
  bool decodeBool_forKey(bool* value, LLKBObject* key) noexcept override;
  bool decodeByte(char* value) noexcept override;
  bool decodeByte_forKey(char* value, LLKBObject* key) noexcept override;
  bool decodeUint16(uint16_t* value) noexcept override;
  bool decodeUint16_forKey(uint16_t* value, LLKBObject* key) noexcept override;
  bool decodeUint32(uint32_t* value) noexcept override;
  bool decodeUint32_forKey(uint32_t* value, LLKBObject* key) noexcept override;
  bool decodeUint64(uint64_t* value) noexcept override;
  bool decodeUint64_forKey(uint64_t* value, LLKBObject* key) noexcept override;
  bool decodeSint16(int16_t* value) noexcept override;
  bool decodeSint16_forKey(int16_t* value, LLKBObject* key) noexcept override;
  bool decodeSint32(int32_t* value) noexcept override;
  bool decodeSint32_forKey(int32_t* value, LLKBObject* key) noexcept override;
  bool decodeSint64(int64_t* value) noexcept override;
  bool decodeSint64_forKey(int64_t* value, LLKBObject* key) noexcept override;
  bool decodeReal32(float* value) noexcept override;
  bool decodeReal32_forKey(float* value, LLKBObject* key) noexcept override;
  bool decodeReal64(double* value) noexcept override;
  bool decodeReal64_forKey(double* value, LLKBObject* key) noexcept override;
  bool decodeString(LLKCString** value) noexcept override;
  bool decodeString_forKey(LLKCString** value, LLKBObject* key) noexcept override;
  bool decodeObject(LLKBObject** value) noexcept override;
  bool decodeObject_forKey(LLKBObject** value, LLKBObject* key) noexcept override;
  uint64_t decodeBuffer_length(void* destination, uint64_t capacity) noexcept override;
  uint64_t decodeBuffer_length_forKey(void* destination, uint64_t capacity, LLKBObject* key) noexcept override;
  bool decodeObjectWithCallback_context(LLKFObjectContentCallback callback, void* context) noexcept override;
  bool decodeObjectForKey_withCallback_context(LLKBObject* key, LLKFObjectContentCallback callback,
                                               void* context) noexcept override;
  bool containsValueForKey(LLKBObject* key) noexcept override;
  void setObjectProxyCallback_withContext(LLKFObjectProxyCallback callback, void* context) noexcept override;

  // The bytes left in the window from the channel's position (what a stored length may claim at most).
  uint64_t remainingInWindow() noexcept;

  void dealloc() noexcept override;  // ceases an open stream first

 protected:
  ~LLKCBinaryDecoder() override;
};

#endif  // TXQ_LLK_CODING_LLKCBINARYDECODER_H
