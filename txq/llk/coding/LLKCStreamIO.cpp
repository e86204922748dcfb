#include <txq/llk/coding/LLKCStreamIO.h>

#include <unistd.h>

#include <algorithm>
#include <cerrno>

#include <txq/llk/collections/LLKContainerMaking_p.h>

namespace {

using private_t = LLKCStreamIO::private_t;

constexpr uint8_t kRead = 1;
constexpr uint8_t kWritten = 2;

FILE* openExisting(const char* path, bool readOnly) noexcept {
  return std::fopen(path, readOnly ? "rb" : "r+b");
}

// Opens for update, creating the file only when it does not exist (never truncating one that
// appeared in between: "w+b" is used only after "r+b" reported it missing).
FILE* openOrCreate(const char* path) noexcept {
  FILE* file = openExisting(path, false);
  if (file == nullptr && errno == ENOENT) file = std::fopen(path, "w+b");
  return file;
}

}  // namespace

LLKCStreamIO::private_t::~private_t() {
  if (mFile != nullptr) std::fclose(mFile);
}

LLK_DEFINE_CLASS(LLKCStreamIO, LLK_PROTOCOLS(LLKPPositionable, LLKPDisposable), initWithPath, initWithPath_length,
                 initWithPath_readOnly, initWithPath_access, isWritable, position, getLength, setLength, seek, skip,
                 rewind, unwind, isEndReached, fetch_bytesInto, fetch_bytesInto_atOffset, store_bytesFrom,
                 store_bytesFrom_atOffset, flush, dispose, isDisposed, recycle)

// ---- Creation ----

LLKCStreamIO* LLKCStreamIO::streamWithPath(const char* path) noexcept {
  return llk::detail::autoreleasedNew(&LLKCStreamIO::initWithPath, path);
}

LLKCStreamIO* LLKCStreamIO::initWithPath(const char* path) noexcept { return initWithPath_readOnly(path, false); }

LLKCStreamIO* LLKCStreamIO::streamWithPath_length(const char* path, uint64_t length) noexcept {
  return llk::detail::autoreleasedNew(&LLKCStreamIO::initWithPath_length, path, length);
}

LLKCStreamIO* LLKCStreamIO::initWithPath_length(const char* path, uint64_t length) noexcept {
  LLKCStreamIO* self = initWithFile(path != nullptr ? openOrCreate(path) : nullptr, false);
  if (self != nullptr && !self->setLength(length)) {
    self->dealloc();
    return nullptr;
  }
  return self;
}

LLKCStreamIO* LLKCStreamIO::streamWithPath_readOnly(const char* path, bool readOnly) noexcept {
  return llk::detail::autoreleasedNew(&LLKCStreamIO::initWithPath_readOnly, path, readOnly);
}

LLKCStreamIO* LLKCStreamIO::initWithPath_readOnly(const char* path, bool readOnly) noexcept {
  FILE* file = nullptr;
  if (path != nullptr) file = readOnly ? openExisting(path, true) : openOrCreate(path);
  return initWithFile(file, readOnly);
}

LLKCStreamIO* LLKCStreamIO::streamWithPath_access(const char* path, const char* mode) noexcept {
  return llk::detail::autoreleasedNew(&LLKCStreamIO::initWithPath_access, path, mode);
}

LLKCStreamIO* LLKCStreamIO::initWithPath_access(const char* path, const char* mode) noexcept {
  return initWithFile(path != nullptr && mode != nullptr ? std::fopen(path, mode) : nullptr, false);
}

LLKCStreamIO* LLKCStreamIO::initWithFile(FILE* file, bool readOnly) noexcept {
  iPrivate = file != nullptr ? new (std::nothrow) private_t : nullptr;
  if (iPrivate == nullptr) {
    if (file != nullptr) std::fclose(file);
    dealloc();
    return nullptr;
  }
  iPrivate->mFile = file;
  iPrivate->mReadOnly = readOnly;
  return this;
}

LLKCStreamIO::~LLKCStreamIO() { delete iPrivate; }

// ---- Positioning ----

void LLKCStreamIO::turn(uint8_t direction) noexcept {
  private_t* d = iPrivate;
  if (d->mLastIO != 0 && d->mLastIO != direction) std::fseek(d->mFile, 0, SEEK_CUR);
  d->mLastIO = direction;
}

int32_t LLKCStreamIO::move(int64_t offset, int whence) noexcept {
  private_t* d = iPrivate;
  if (d->mFile == nullptr) return llk::kChannelNoStore;
  d->mLastIO = 0;
  return std::fseek(d->mFile, offset, whence) == 0 ? int32_t{llk::kDone} : int32_t{llk::kChannelMoveRefused};
}

uint64_t LLKCStreamIO::position() noexcept {
  if (iPrivate->mFile == nullptr) return 0;
  const long at = std::ftell(iPrivate->mFile);
  return at < 0 ? 0 : static_cast<uint64_t>(at);
}

uint64_t LLKCStreamIO::getLength() noexcept {
  FILE* file = iPrivate->mFile;
  if (file == nullptr) return 0;
  const long at = std::ftell(file);
  if (at < 0 || move(0, SEEK_END) != llk::kDone) return 0;
  const long end = std::ftell(file);
  move(at, SEEK_SET);
  return end < 0 ? 0 : static_cast<uint64_t>(end);
}

bool LLKCStreamIO::setLength(uint64_t length) noexcept {
  FILE* file = iPrivate->mFile;
  if (file == nullptr || iPrivate->mReadOnly || length > INT64_MAX) return false;
  if (getLength() >= length) {
    // Buffered writes must land before the cut, or they would extend the file again after it.
    if (std::fflush(file) != 0) return false;
    return ftruncate(fileno(file), static_cast<off_t>(length)) == 0;
  }
  if (length == 0) return true;
  const uint8_t zero = 0;
  return store_bytesFrom_atOffset(1, &zero, length - 1) == 1;
}

int32_t LLKCStreamIO::seek(uint64_t position) noexcept {
  return move(static_cast<int64_t>(std::min<uint64_t>(position, INT64_MAX)), SEEK_SET);
}

int32_t LLKCStreamIO::skip(int64_t distance) noexcept { return move(distance, SEEK_CUR); }

int32_t LLKCStreamIO::rewind() noexcept { return move(0, SEEK_SET); }

int32_t LLKCStreamIO::unwind() noexcept { return move(0, SEEK_END); }

bool LLKCStreamIO::isEndReached() noexcept { return iPrivate->mFile == nullptr || std::feof(iPrivate->mFile) != 0; }

// ---- Reading and writing ----

uint64_t LLKCStreamIO::fetch_bytesInto(uint64_t count, void* destination) noexcept {
  if (iPrivate->mFile == nullptr || destination == nullptr || count == 0) return 0;
  turn(kRead);
  return std::fread(destination, 1, count, iPrivate->mFile);
}

uint64_t LLKCStreamIO::fetch_bytesInto_atOffset(uint64_t count, void* destination, uint64_t offset) noexcept {
  if (iPrivate->mFile == nullptr || destination == nullptr || count == 0) return 0;
  const uint64_t at = position();
  if (seek(offset) != llk::kDone) return 0;
  const uint64_t n = fetch_bytesInto(count, destination);
  seek(at);
  return n;
}

uint64_t LLKCStreamIO::store_bytesFrom(uint64_t count, const void* source) noexcept {
  if (iPrivate->mFile == nullptr || iPrivate->mReadOnly || source == nullptr || count == 0) return 0;
  turn(kWritten);
  return std::fwrite(source, 1, count, iPrivate->mFile);
}

uint64_t LLKCStreamIO::store_bytesFrom_atOffset(uint64_t count, const void* source, uint64_t offset) noexcept {
  if (iPrivate->mFile == nullptr || iPrivate->mReadOnly || source == nullptr || count == 0) return 0;
  const uint64_t at = position();
  if (seek(offset) != llk::kDone) return 0;
  const uint64_t n = store_bytesFrom(count, source);
  seek(at);
  return n;
}

void LLKCStreamIO::flush() noexcept {
  if (iPrivate->mFile != nullptr) std::fflush(iPrivate->mFile);
}

// ---- Disposal ----

bool LLKCStreamIO::dispose() noexcept {
  if (iPrivate->mFile != nullptr) std::fclose(iPrivate->mFile);
  iPrivate->mFile = nullptr;
  return true;
}
