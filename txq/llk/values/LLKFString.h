#ifndef TXQ_LLK_VALUES_LLKFSTRING_H
#define TXQ_LLK_VALUES_LLKFSTRING_H
// Text helpers shared by strings and builders: bounded formatting, concatenation of string lists,
// and the case-insensitive comparisons.
// Threads: any thread.

#include <cstdarg>
#include <cstdint>

#include <txq/llk/object/LLKExport.h>

class LLKCString;

// printf-style formatting bounded by size. Answers the full formatted length + 1 (the size needed,
// terminating zero included), or 0 when the format cannot be applied. A null buffer only measures.
// The argument list is consumed: pass a va_copy to measure and format with the same arguments.
LLK_EXTERN_C LLK_EXPORT int32_t LLKFStringFormat(char* buffer, uint64_t size, const char* format,
                                                 va_list arguments) noexcept LLK_PRINTF(3, 0);

// The summed lengths of `first` and of the LLKCString* arguments that follow, up to a nil (a nil
// first string counts 0). Consumes the list.
LLK_EXTERN_C LLK_EXPORT uint64_t LLKFStringConcatComputeLength(LLKCString* first, va_list arguments) noexcept;
// Copies the characters of `first` and of each following string up to a nil into `destination`,
// then a terminating zero. The destination holds the computed length + 1 bytes. Consumes the list.
LLK_EXTERN_C LLK_EXPORT void LLKFStringConcatFill(char* destination, LLKCString* first, va_list arguments) noexcept;

// Case-insensitive comparison of toupper of each byte (bytes taken as signed chars). When the
// shorter text is a prefix of the longer, the longer orders first: -1 when a is longer.
LLK_EXTERN_C LLK_EXPORT int32_t strcmp_cu(const char* a, const char* b) noexcept;
// The same rule over exactly n bytes (it does not stop at a zero byte); 0 for n = 0.
LLK_EXTERN_C LLK_EXPORT int32_t strncmp_cu(const char* a, const char* b, uint64_t n) noexcept;

#endif  // TXQ_LLK_VALUES_LLKFSTRING_H
