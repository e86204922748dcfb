#include <txq/llk/values/LLKFNetwork.h>

#include <arpa/inet.h>
#include <ifaddrs.h>
#include <netdb.h>
#include <netinet/in.h>
#include <sys/socket.h>

#include <cstring>
#include <ctime>

#include <txq/llk/values/LLKCString.h>

namespace {

constexpr const char* kNetworkTimeFormat = "%a, %d %b %Y %H:%M:%S %Z";
constexpr size_t kNetworkTimeRoom = 128;  // 127 characters and the zero

bool parseNetworkTime(LLKCString* text, struct tm* out) noexcept {
  if (text == nullptr) return false;
  struct tm parsed;
  std::memset(&parsed, 0, sizeof parsed);
  if (strptime(text->chars(), kNetworkTimeFormat, &parsed) == nullptr) return false;
  *out = parsed;
  return true;
}

}  // namespace

int32_t LLKFNetworkFindIP4Host(const char* node, const char* service, LLKTIP4Endpoint* endpoint) noexcept {
  if (endpoint == nullptr) return 5;
  struct addrinfo* results = nullptr;
  if (getaddrinfo(node, service, nullptr, &results) != 0) return 5;
  int32_t status = 5;
  for (const struct addrinfo* at = results; at != nullptr; at = at->ai_next) {
    if (at->ai_family != AF_INET || at->ai_addr == nullptr || at->ai_addrlen < sizeof(struct sockaddr_in))
      continue;
    struct sockaddr_in address;
    std::memcpy(&address, at->ai_addr, sizeof address);
    endpoint->mAddress = ntohl(address.sin_addr.s_addr);
    endpoint->mPort = ntohs(address.sin_port);
    status = 0;
    break;
  }
  freeaddrinfo(results);
  return status;
}

uint32_t LLKFNetworkGetAllHostIPs(uint32_t* out, uint64_t capacity) noexcept {
  struct ifaddrs* interfaces = nullptr;
  if (getifaddrs(&interfaces) != 0) return 0;
  uint32_t count = 0;
  for (const struct ifaddrs* at = interfaces; at != nullptr; at = at->ifa_next) {
    if (at->ifa_addr == nullptr || at->ifa_addr->sa_family != AF_INET) continue;
    if (out != nullptr && count < capacity) {
      struct sockaddr_in address;
      std::memcpy(&address, at->ifa_addr, sizeof address);
      out[count] = ntohl(address.sin_addr.s_addr);
    }
    ++count;
  }
  freeifaddrs(interfaces);
  return count;
}

const char* LLKFNetworkAddressToString(uint32_t address) noexcept {
  thread_local char text[INET_ADDRSTRLEN];
  struct in_addr network;
  network.s_addr = htonl(address);
  if (inet_ntop(AF_INET, &network, text, sizeof text) == nullptr)
    text[0] = '\0';  // cannot happen: room for any
  return text;
}

uint32_t LLKFNetworkStringToAddress(const char* text) noexcept {
  if (text == nullptr) return UINT32_MAX;
  return ntohl(inet_addr(text));
}

uint32_t LLKFNetworkSwap32(uint32_t value) noexcept { return __builtin_bswap32(value); }

uint16_t LLKFNetworkSwap16(uint16_t value) noexcept { return __builtin_bswap16(value); }

// ---- Network time ----

LLKCString* LLKFNetworkTimeIntoString(const struct tm* time) noexcept {
  if (time == nullptr) return nullptr;
  char text[kNetworkTimeRoom];
  size_t length = std::strftime(text, sizeof text, kNetworkTimeFormat, time);
  return length == 0 ? nullptr : LLKCString::stringWithChars_length(text, length);
}

bool LLKFNetworkTimeFromString(LLKCString* text, struct tm* out) noexcept {
  return out != nullptr && parseNetworkTime(text, out);
}

bool LLKFNetworkTimeInSFromString(LLKCString* text, double* seconds) noexcept {
  struct tm parsed;
  if (seconds == nullptr || !parseNetworkTime(text, &parsed)) return false;
  *seconds = static_cast<double>(timegm(&parsed));
  return true;
}
