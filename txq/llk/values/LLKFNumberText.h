#ifndef TXQ_LLK_VALUES_LLKFNUMBERTEXT_H
#define TXQ_LLK_VALUES_LLKFNUMBERTEXT_H
// Numbers to text and back: bounded decimal formatting, prefix reading of numbers from text, and
// quick character-set checks that tell whether a text may hold a number.
//
//   char text[24];
//   LLKFStringFormatReal64(text, sizeof text, 2, 9.999);   // "10.00", answers 5
//   uint32_t n;
//   LLKFStringConvertToUint32("0x1F", &n);                 // YES, n == 31
//
// Threads: any thread.
// Writing: nothing is ever written at or beyond buffer[size]; a buffer that is too small holds the
//          text cut to size - 1 characters and a terminating zero (nothing at all for size 0).

#include <txq/llk/object/LLKExport.h>

#include <cstdint>

// ---- Integers to text ----
// With a null buffer: the size needed, digits + 1 for a minus sign + 1 for the terminating zero.
// Otherwise writes "%u" / "%d" / "%llu" / "%lld" and answers the full length + 1 (the size needed,
// also when the buffer was too small), except LLKFStringFormatSint64, which answers the full length
// without the zero.
LLK_EXTERN_C LLK_EXPORT int32_t LLKFStringFormatUint32(char* buffer, uint64_t size, uint32_t value) noexcept;
LLK_EXTERN_C LLK_EXPORT int32_t LLKFStringFormatSint32(char* buffer, uint64_t size, int32_t value) noexcept;
LLK_EXTERN_C LLK_EXPORT int32_t LLKFStringFormatUint64(char* buffer, uint64_t size, uint64_t value) noexcept;
LLK_EXTERN_C LLK_EXPORT int32_t LLKFStringFormatSint64(char* buffer, uint64_t size, int64_t value) noexcept;

// ---- Reals to text ----
// The value with exactly `decimals` digits after the point, the last one rounded half away from
// zero (1.05 -> "1.05", 9.999 -> "10.00" with 2), carrying into the integer part. Zero decimals
// still write the point: 1.5 -> "2.". A negative value keeps its minus sign even when it rounds to
// zero (-0.001 -> "-0.00"); negative zero has none. Negative decimals count as 0, more than 18 as 18.
// With a null buffer: the size needed (terminating zero included). Otherwise answers the full
// length without the zero (also when the buffer was too small).
// Values of 2^63 and beyond print every digit of their integer part ("%.*f" rules, still with the
// point); NaN and infinities print "nan", "inf" and "-inf".
LLK_EXTERN_C LLK_EXPORT int32_t LLKFStringFormatReal32(char* buffer, uint64_t size, int32_t decimals,
                                                       float value) noexcept;
LLK_EXTERN_C LLK_EXPORT int32_t LLKFStringFormatReal64(char* buffer, uint64_t size, int32_t decimals,
                                                       double value) noexcept;

// ---- Text to numbers ----
// Each reads the number at the start of the text (after white space) and ignores what follows it:
// "12abc" reads 12, "1e3" reads 1 as an integer. YES with the value stored when a number was read
// and fits the type; NO, nothing stored, when there is no number, the number is out of range, or
// the text or `out` is null.
// Uint32, Uint64 and Sint64 read hexadecimal digits after a leading "0x" when the text has at least
// 3 characters ("0x" alone reads the decimal 0). The unsigned forms refuse a minus sign rather than
// wrap ("-1" is NO). Sint32 has no hexadecimal form.
// The reals take what strtod takes (exponents, "inf", "nan", hexadecimal reals); a finite number
// beyond the type's range is NO, one too small to represent reads as 0 or a subnormal value.
LLK_EXTERN_C LLK_EXPORT bool LLKFStringConvertToUint32(const char* text, uint32_t* out) noexcept;
LLK_EXTERN_C LLK_EXPORT bool LLKFStringConvertToSint32(const char* text, int32_t* out) noexcept;
LLK_EXTERN_C LLK_EXPORT bool LLKFStringConvertToUint64(const char* text, uint64_t* out) noexcept;
LLK_EXTERN_C LLK_EXPORT bool LLKFStringConvertToSint64(const char* text, int64_t* out) noexcept;
LLK_EXTERN_C LLK_EXPORT bool LLKFStringConvertToReal32(const char* text, float* out) noexcept;
LLK_EXTERN_C LLK_EXPORT bool LLKFStringConvertToReal64(const char* text, double* out) noexcept;

// ---- Character-set checks ----  (NO for null)
// YES for the empty text; otherwise YES when every character is a digit or '+', with at most one '+'.
LLK_EXTERN_C LLK_EXPORT bool LLKFStringMayContainsUint(const char* text) noexcept;
// YES for the empty text; otherwise digits, '+' and '-' with at most one sign character in all.
LLK_EXTERN_C LLK_EXPORT bool LLKFStringMayContainsSint(const char* text) noexcept;
// NO for the empty text; otherwise digits, '+', '-', '.', 'E' and 'e' with at most one sign
// character, at most one 'E' or 'e', and exactly one '.' (so "12" is NO).
LLK_EXTERN_C LLK_EXPORT bool LLKFStringMayContainsReal(const char* text) noexcept;

#endif  // TXQ_LLK_VALUES_LLKFNUMBERTEXT_H
