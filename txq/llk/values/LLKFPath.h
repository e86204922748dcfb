#ifndef TXQ_LLK_VALUES_LLKFPATH_H
#define TXQ_LLK_VALUES_LLKFPATH_H
// File paths: existence checks, canonical absolute paths, and the folder and file-name parts of a
// path text.
//
//   LLKFStringGetJustPathFromPath("/usr/lib");              // "/usr"
//   LLKFStringGetFilenameFromPath("/a/b/notes.txt", false);  // "notes"
//
// Ownership: strings are autoreleased; LLKFRelativeToAbsolutePath answers memory owned by the
//            caller (release it with C free).
// Threads:   any thread.
// Note:      the last '/' and '.' are found with strfindlast, which never reports index 0: a path
//            whose only slash is its first character counts as having no slash.

#include <txq/llk/object/LLKExport.h>

#include <cstdint>

class LLKCString;

// YES when the path can be examined (stat succeeds); NO for null.
LLK_EXTERN_C LLK_EXPORT bool LLKFDoesFilePathExists(const char* path) noexcept;
// As above; *size (when not null) receives the file's size, 0 for a folder.
LLK_EXTERN_C LLK_EXPORT bool LLKFDoesFilePathExistsAndGetSize(const char* path, uint64_t* size) noexcept;
// As above; *isFolder (when not null) tells whether the path is a folder.
LLK_EXTERN_C LLK_EXPORT bool LLKFDoesFilePathExistsAndIsFolder(const char* path, bool* isFolder) noexcept;
// The canonical absolute path (symbolic links, "." and ".." resolved), caller-owned; null when the
// path does not exist, cannot be resolved, or memory is exhausted.
LLK_EXTERN_C LLK_EXPORT char* LLKFRelativeToAbsolutePath(const char* path) noexcept;

// The text before the last '/'; nil when there is none (or for null).
LLK_EXTERN_C LLK_EXPORT LLKCString* LLKFStringGetJustPathFromPath(const char* path) noexcept;
// The file name: the text after the last '/' (all of it without a slash). Without the extension it
// also stops before the last '.' when that dot follows the slash; with no slash it is the text
// before the last dot. nil for null.
LLK_EXTERN_C LLK_EXPORT LLKCString* LLKFStringGetFilenameFromPath(const char* path,
                                                                  bool withExtension) noexcept;

#endif  // TXQ_LLK_VALUES_LLKFPATH_H
