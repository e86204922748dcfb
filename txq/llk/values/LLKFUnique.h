#ifndef TXQ_LLK_VALUES_LLKFUNIQUE_H
#define TXQ_LLK_VALUES_LLKFUNIQUE_H
// Unique names: random letter strings for identifiers and temporary file names.
//
//   LLKCString* name = LLKFUniqueString();          // 32 letters from a fresh random GUID
//   LLKCString* path = LLKFGetTemporaryFilePath();  // "/tmp/" + 32 such letters
//
// Ownership: results are autoreleased strings.
// Threads:   any thread (the letter draws use the shared random generator).
// Failure:   nil when memory is exhausted.

#include <txq/llk/object/LLKExport.h>

#include <cstdint>

class LLKCString;

// 32 characters: a fresh random GUID printed as hex digits of its fields, then every digit 0-9
// replaced by the letter 'q'-'z', so the text holds only the letters a-f and q-z.
LLK_EXTERN_C LLK_EXPORT LLKCString* LLKFUniqueString(void) noexcept;
// n letters, each LLKFRandomDrawWithRangeUint(97, 122): from 'a' to 'y' ('z' is never drawn).
LLK_EXTERN_C LLK_EXPORT LLKCString* LLKFUniqueStringWithLength(uint64_t n) noexcept;
// The prefix (none for null) followed by n such letters.
LLK_EXTERN_C LLK_EXPORT LLKCString* LLKFUniqueStringWithLengthAndPrefix(uint64_t n,
                                                                        const char* prefix) noexcept;
// The constant string "/tmp".
LLK_EXTERN_C LLK_EXPORT LLKCString* LLKFGetTemporaryPath(void) noexcept;
// "/tmp/" followed by 32 characters made as for LLKFUniqueString. The file is not created.
LLK_EXTERN_C LLK_EXPORT LLKCString* LLKFGetTemporaryFilePath(void) noexcept;

#endif  // TXQ_LLK_VALUES_LLKFUNIQUE_H
