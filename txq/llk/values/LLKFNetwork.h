#ifndef TXQ_LLK_VALUES_LLKFNETWORK_H
#define TXQ_LLK_VALUES_LLKFNETWORK_H
// IPv4 addresses and network time texts. Every address these functions take or give is a uint32
// in host byte order (127.0.0.1 is 0x7f000001); ports too are in host byte order.
//
//   LLKTIP4Endpoint endpoint;
//   if (LLKFNetworkFindIP4Host("localhost", "80", &endpoint) == 0) ...
//
// Ownership: strings are autoreleased. LLKFNetworkAddressToString answers a per-thread buffer.
// Threads:   any thread. LLKFNetworkFindIP4Host may block while a name is resolved.
// Failure:   5 from LLKFNetworkFindIP4Host; NO, nil or 0 elsewhere, as each says.

#include <txq/llk/object/LLKExport.h>

#include <cstdint>
#include <ctime>

class LLKCString;

// An IPv4 endpoint: address and port, both in host byte order.
struct LLKTIP4Endpoint {
  uint32_t mAddress;
  uint16_t mPort;
};

// Resolves node and service (getaddrinfo, no hints) and stores the first IPv4 result. 0 on success;
// 5 when resolution fails, gives no IPv4 address, or `endpoint` is null.
LLK_EXTERN_C LLK_EXPORT int32_t LLKFNetworkFindIP4Host(const char* node, const char* service,
                                                       LLKTIP4Endpoint* endpoint) noexcept;
// Stores the IPv4 address of each of the machine's interfaces at the next index of `out` while the
// index is below `capacity`; answers how many there are (which may exceed capacity), 0 on error.
LLK_EXTERN_C LLK_EXPORT uint32_t LLKFNetworkGetAllHostIPs(uint32_t* out, uint64_t capacity) noexcept;
// The dotted text of the address ("1.2.3.4"). The text lives in a buffer of the calling thread and
// stays valid until that thread's next call.
LLK_EXTERN_C LLK_EXPORT const char* LLKFNetworkAddressToString(uint32_t address) noexcept;
// The address of a dotted text (inet_addr rules: "1.2.3.4", also shortened and hexadecimal forms).
// An invalid text or null gives 4294967295, which is also the address of "255.255.255.255".
LLK_EXTERN_C LLK_EXPORT uint32_t LLKFNetworkStringToAddress(const char* text) noexcept;
// Byte order reversed.
LLK_EXTERN_C LLK_EXPORT uint32_t LLKFNetworkSwap32(uint32_t value) noexcept;
LLK_EXTERN_C LLK_EXPORT uint16_t LLKFNetworkSwap16(uint16_t value) noexcept;

// ---- Network time ----  (format "%a, %d %b %Y %H:%M:%S %Z", e.g. "Sun, 06 Nov 1994 08:49:37 GMT")
// The broken-down time in that format (the zone name is the record's own, tm_zone); nil when it
// cannot be formatted in 127 characters, for null, or when memory is exhausted.
LLK_EXTERN_C LLK_EXPORT LLKCString* LLKFNetworkTimeIntoString(const struct tm* time) noexcept;
// Parses a text in that format into `out` (fields the format does not set are 0). The zone name is
// read past, not interpreted; text after it is ignored. YES on success; NO leaves `out` unchanged.
LLK_EXTERN_C LLK_EXPORT bool LLKFNetworkTimeFromString(LLKCString* text, struct tm* out) noexcept;
// Parses as above and converts the broken-down time as UTC (timegm) into seconds since the epoch.
LLK_EXTERN_C LLK_EXPORT bool LLKFNetworkTimeInSFromString(LLKCString* text, double* seconds) noexcept;

#endif  // TXQ_LLK_VALUES_LLKFNETWORK_H
