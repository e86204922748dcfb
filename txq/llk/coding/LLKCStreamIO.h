#ifndef TXQ_LLK_CODING_LLKCSTREAMIO_H
#define TXQ_LLK_CODING_LLKCSTREAMIO_H
// LLKCStreamIO: a channel over a file opened through the C stdio library. Positions are the file
// offsets; isEndReached is the stdio end-of-file flag (set by a read that hit the end, cleared by a
// move). Reads and writes may be mixed freely: the channel repositions between a write and a read
// as stdio requires, and flushes before it truncates.
//
//   LLKCStreamIO* file = LLKCStreamIO::streamWithPath_readOnly("/tmp/x.bin", false);  // created if missing
//
// Ownership: factories autoreleased, init... +1; the file is closed by dispose or at deallocation.
// Threads:   one thread at a time.
// Failure:   initialisers answer nil when the file cannot be opened (a read-only channel never
//            creates one); moves answer 25 once closed and 7 when the file system refuses them.

#include <cstdint>
#include <cstdio>

#include <txq/llk/coding/LLKPDisposable.h>
#include <txq/llk/coding/LLKPPositionable.h>

class LLK_EXPORT LLKCStreamIO : public LLKBObject, public LLKPPositionable, public LLKPDisposable {
  LLK_OBJECT(LLKCStreamIO, LLKBObject)

 public:
  struct private_t {
    FILE* mFile = nullptr;  // null once closed
    bool mReadOnly = false;
    uint8_t mLastIO = 0;    // 0 none or moved, 1 read, 2 written: a change of direction repositions
    ~private_t();           // closes an open file
  };
  private_t* iPrivate;

  // ---- Creation ----
  // An existing file opened for reading and writing, or a new empty one.
  static LLKCStreamIO* streamWithPath(const char* path) noexcept;
  LLKCStreamIO* initWithPath(const char* path) noexcept;
  // Opened as above and then set to `length` bytes (zero-extended or truncated).
  static LLKCStreamIO* streamWithPath_length(const char* path, uint64_t length) noexcept;
  LLKCStreamIO* initWithPath_length(const char* path, uint64_t length) noexcept;
  // Read-only: the file must exist. Writable: opened for update, or created empty when missing.
  static LLKCStreamIO* streamWithPath_readOnly(const char* path, bool readOnly) noexcept;
  LLKCStreamIO* initWithPath_readOnly(const char* path, bool readOnly) noexcept;
  // fopen with the caller's mode; the channel does not refuse stores itself.
  static LLKCStreamIO* streamWithPath_access(const char* path, const char* mode) noexcept;
  LLKCStreamIO* initWithPath_access(const char* path, const char* mode) noexcept;

  bool isWritable() const noexcept { return !iPrivate->mReadOnly; }

  // ---- LLKPPositionable ----
  uint64_t position() noexcept override;
  uint64_t getLength() noexcept override;
  bool setLength(uint64_t length) noexcept override;
  int32_t seek(uint64_t position) noexcept override;
  int32_t skip(int64_t distance) noexcept override;
  int32_t rewind() noexcept override;
  int32_t unwind() noexcept override;
  bool isEndReached() noexcept override;
  uint64_t fetch_bytesInto(uint64_t count, void* destination) noexcept override;
  uint64_t fetch_bytesInto_atOffset(uint64_t count, void* destination, uint64_t offset) noexcept override;
  // 0 without writing on a read-only channel.
  uint64_t store_bytesFrom(uint64_t count, const void* source) noexcept override;
  uint64_t store_bytesFrom_atOffset(uint64_t count, const void* source, uint64_t offset) noexcept override;
  void flush() noexcept override;

  // ---- LLKPDisposable ----
  bool dispose() noexcept override;  // closes the file; YES
  bool isDisposed() noexcept override { return iPrivate->mFile == nullptr; }
  bool recycle() noexcept override { return false; }

 protected:
  ~LLKCStreamIO() override;

 private:
  LLKCStreamIO* initWithFile(FILE* file, bool readOnly) noexcept;
  int32_t move(int64_t offset, int whence) noexcept;
  void turn(uint8_t direction) noexcept;  // repositions in place when the direction changes
};

#endif  // TXQ_LLK_CODING_LLKCSTREAMIO_H
