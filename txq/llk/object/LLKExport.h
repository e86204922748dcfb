#ifndef TXQ_LLK_OBJECT_LLKEXPORT_H
#define TXQ_LLK_OBJECT_LLKEXPORT_H
// Symbol visibility and attribute helpers shared by every public header.
// The library is built with hidden visibility; LLK_EXPORT marks what it offers.

#define LLK_EXPORT __attribute__((visibility("default")))
#define LLK_HIDDEN __attribute__((visibility("hidden")))
// printf-style checking; remember that `this` is argument 1 of an instance member.
#define LLK_PRINTF(fmt, args) __attribute__((format(printf, fmt, args)))

#ifdef __cplusplus
#define LLK_EXTERN_C extern "C"
#else
#define LLK_EXTERN_C
#endif

#endif  // TXQ_LLK_OBJECT_LLKEXPORT_H
