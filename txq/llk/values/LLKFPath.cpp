#include <txq/llk/values/LLKFPath.h>

#include <limits.h>
#include <sys/stat.h>

#include <cstdlib>
#include <cstring>

#include <txq/llk/values/LLKCString.h>
#include <txq/llk/values/LLKFMemory.h>

namespace {

bool examine(const char* path, struct stat* info) noexcept {
  return path != nullptr && stat(path, info) == 0;
}

}  // namespace

bool LLKFDoesFilePathExists(const char* path) noexcept {
  struct stat info;
  return examine(path, &info);
}

bool LLKFDoesFilePathExistsAndGetSize(const char* path, uint64_t* size) noexcept {
  struct stat info;
  if (!examine(path, &info)) return false;
  if (size != nullptr) *size = S_ISDIR(info.st_mode) ? 0 : static_cast<uint64_t>(info.st_size);
  return true;
}

bool LLKFDoesFilePathExistsAndIsFolder(const char* path, bool* isFolder) noexcept {
  struct stat info;
  if (!examine(path, &info)) return false;
  if (isFolder != nullptr) *isFolder = S_ISDIR(info.st_mode);
  return true;
}

char* LLKFRelativeToAbsolutePath(const char* path) noexcept {
  if (!LLKFDoesFilePathExists(path)) return nullptr;
  char* resolved = static_cast<char*>(std::malloc(PATH_MAX));
  if (resolved == nullptr) return nullptr;
  if (realpath(path, resolved) == nullptr) {
    std::free(resolved);
    return nullptr;
  }
  char* shrunk = static_cast<char*>(std::realloc(resolved, std::strlen(resolved) + 1));
  return shrunk != nullptr ? shrunk : resolved;
}

LLKCString* LLKFStringGetJustPathFromPath(const char* path) noexcept {
  int32_t slash = strfindlast(path, '/');
  return slash < 0 ? nullptr : LLKCString::stringWithChars_length(path, static_cast<uint64_t>(slash));
}

LLKCString* LLKFStringGetFilenameFromPath(const char* path, bool withExtension) noexcept {
  if (path == nullptr) return nullptr;
  int32_t slash = strfindlast(path, '/');
  const char* name = slash < 0 ? path : path + slash + 1;
  if (withExtension) return LLKCString::stringWithChars(name);
  int32_t dot = strfindlast(path, '.');
  if (dot > slash) return LLKCString::stringWithChars_length(name, static_cast<uint64_t>(path + dot - name));
  return LLKCString::stringWithChars(name);
}
