#include <txq/llk/values/LLKFBase64.h>

#include <array>
#include <bit>
#include <cstdlib>
#include <cstring>

#include <txq/llk/values/LLKCData.h>
#include <txq/llk/values/LLKCString.h>

namespace {

constexpr char kAlphabet[] = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/=";
constexpr uint8_t kPad = 64;      // the class of '='
constexpr uint8_t kInvalid = 65;  // the class of every byte outside the alphabet and '='
constexpr uint64_t kMaxEncodable = UINT64_MAX / 4 * 3 - 2;
constexpr uint64_t kMaxStringLength = UINT32_MAX;  // what an LLKCString can hold
constexpr bool kLittleEndian = std::endian::native == std::endian::little;
static_assert(kLittleEndian || std::endian::native == std::endian::big);

// Each byte's 6-bit value, kPad for '=', kInvalid for the rest.
constexpr std::array<uint8_t, 256> kClass = [] {
  std::array<uint8_t, 256> table{};
  for (uint8_t& c : table) c = kInvalid;
  for (uint8_t i = 0; i <= kPad; ++i) table[static_cast<uint8_t>(kAlphabet[i])] = i;
  return table;
}();

// ---- Encoding tables ----

// The two characters of every 12-bit value, as a 16-bit word holding them in memory order.
constexpr std::array<uint16_t, 4096> kPairs = [] {
  std::array<uint16_t, 4096> table{};
  for (unsigned i = 0; i < 4096; ++i) {
    const auto first = static_cast<uint8_t>(kAlphabet[i >> 6]);
    const auto second = static_cast<uint8_t>(kAlphabet[i & 63]);
    table[i] = static_cast<uint16_t>(kLittleEndian ? (first | second << 8) : (first << 8 | second));
  }
  return table;
}();

inline uint64_t loadBigEndian64(const uint8_t* p) noexcept {
  uint64_t x;
  std::memcpy(&x, p, sizeof x);
  if constexpr (kLittleEndian) x = __builtin_bswap64(x);
  return x;
}

// The 8 characters of the 48-bit value in the top of x, as one word in memory order.
inline uint64_t encode48(uint64_t x) noexcept {
  const uint64_t p0 = kPairs[(x >> 52) & 0xFFF];
  const uint64_t p1 = kPairs[(x >> 40) & 0xFFF];
  const uint64_t p2 = kPairs[(x >> 28) & 0xFFF];
  const uint64_t p3 = kPairs[(x >> 16) & 0xFFF];
  return kLittleEndian ? (p0 | p1 << 16 | p2 << 32 | p3 << 48) : (p0 << 48 | p1 << 32 | p2 << 16 | p3);
}

// Writes exactly LLKFBase64ComputeEncodedSize(n) characters (n > 0); no zero.
void encodeInto(const uint8_t* in, uint64_t n, char* out) noexcept {
  // 6 bytes to 8 characters per step, reading 8 bytes: the loops stop while 2 bytes are left over.
  while (n >= 26) {
    const uint64_t w0 = encode48(loadBigEndian64(in));
    const uint64_t w1 = encode48(loadBigEndian64(in + 6));
    const uint64_t w2 = encode48(loadBigEndian64(in + 12));
    const uint64_t w3 = encode48(loadBigEndian64(in + 18));
    std::memcpy(out, &w0, 8);
    std::memcpy(out + 8, &w1, 8);
    std::memcpy(out + 16, &w2, 8);
    std::memcpy(out + 24, &w3, 8);
    in += 24;
    out += 32;
    n -= 24;
  }
  while (n >= 8) {
    const uint64_t w = encode48(loadBigEndian64(in));
    std::memcpy(out, &w, 8);
    in += 6;
    out += 8;
    n -= 6;
  }
  for (; n >= 3; n -= 3, in += 3, out += 4) {
    const uint32_t v = uint32_t{in[0]} << 16 | uint32_t{in[1]} << 8 | in[2];
    std::memcpy(out, &kPairs[v >> 12], 2);
    std::memcpy(out + 2, &kPairs[v & 0xFFF], 2);
  }
  if (n == 2) {
    const uint32_t v = uint32_t{in[0]} << 8 | in[1];
    out[0] = kAlphabet[v >> 10];
    out[1] = kAlphabet[(v >> 4) & 63];
    out[2] = kAlphabet[(v << 2) & 63];
    out[3] = '=';
  } else if (n == 1) {
    out[0] = kAlphabet[in[0] >> 2];
    out[1] = kAlphabet[(in[0] << 4) & 63];
    out[2] = '=';
    out[3] = '=';
  }
}

// ---- Decoding tables ----
// For character k (0-3) of a group, its 6 bits already shifted to their place among the group's 3
// bytes, laid out so that a 4-byte store puts the bytes in order (the fourth byte is spare). Every
// byte outside the alphabet, '=' included, sets kBad in the one spare byte, so OR-ing a group's four
// entries both assembles the bytes and flags any bad character. Padding is only accepted in the last
// group, which is decoded on its own.

// A 24-bit value (first byte in the top bits) as a word whose first 3 bytes in memory hold it.
constexpr uint32_t placeBytes(uint32_t bits) {
  return kLittleEndian ? ((bits >> 16) & 0xFF) | (bits & 0xFF00) | ((bits & 0xFF) << 16) : bits << 8;
}
constexpr uint32_t kBad = kLittleEndian ? 0x01000000u : 0x00000001u;

constexpr std::array<uint32_t, 256> decodeTable(unsigned k) {
  std::array<uint32_t, 256> table{};
  for (unsigned c = 0; c < 256; ++c) {
    const uint32_t v = kClass[c];
    table[c] = v < kPad ? placeBytes(v << (18 - 6 * k)) : kBad;
  }
  return table;
}
constexpr std::array<uint32_t, 256> kDecode0 = decodeTable(0);
constexpr std::array<uint32_t, 256> kDecode1 = decodeTable(1);
constexpr std::array<uint32_t, 256> kDecode2 = decodeTable(2);
constexpr std::array<uint32_t, 256> kDecode3 = decodeTable(3);

inline uint32_t decodeGroup(const uint8_t* s) noexcept {
  return kDecode0[s[0]] | kDecode1[s[1]] | kDecode2[s[2]] | kDecode3[s[3]];
}

// The padding of a last group: 0, 1 or 2, or -1 when the group is not well-formed (a character
// outside the alphabet, '=' among its first two characters, or "x=y" with data after the padding).
inline int lastGroupPadding(const uint8_t* group) noexcept {
  const uint8_t c0 = kClass[group[0]], c1 = kClass[group[1]], c2 = kClass[group[2]], c3 = kClass[group[3]];
  if (c0 >= kPad || c1 >= kPad || c2 == kInvalid || c3 == kInvalid) return -1;
  if (c3 == kPad) return c2 == kPad ? 2 : 1;
  return c2 == kPad ? -1 : 0;
}

// The decoded size of n characters, or 0 when they are not well-formed.
uint64_t decodedSize(const uint8_t* s, uint64_t n) noexcept {
  if (n == 0 || n % 4 != 0) return 0;
  const uint64_t body = n - 4;
  // Every character before the last group must be in the alphabet: its class below kPad.
  uint8_t seen = 0;
  uint64_t i = 0;
  for (; i + 8 <= body; i += 8) {
    seen |= kClass[s[i]] | kClass[s[i + 1]] | kClass[s[i + 2]] | kClass[s[i + 3]] | kClass[s[i + 4]] |
            kClass[s[i + 5]] | kClass[s[i + 6]] | kClass[s[i + 7]];
  }
  for (; i < body; ++i) seen |= kClass[s[i]];
  if (seen >= kPad) return 0;  // kPad and kInvalid are the only classes with bit 6 set
  const int padding = lastGroupPadding(s + body);
  return padding < 0 ? 0 : n / 4 * 3 - static_cast<uint64_t>(padding);
}
static_assert((kPad & kInvalid & 64) != 0, "only the classes of '=' and bad bytes have bit 6 set");

}  // namespace

uint64_t LLKFBase64ComputeEncodedSize(uint64_t n) noexcept {
  return n <= kMaxEncodable ? (n + 2) / 3 * 4 : 0;
}

uint64_t LLKFBase64ComputeDecodedSize(const char* text) noexcept {
  return text != nullptr ? decodedSize(reinterpret_cast<const uint8_t*>(text), std::strlen(text)) : 0;
}

bool strlimited2Base64(const char* text, uint64_t n) noexcept {
  if (n == 0) return true;
  if (text == nullptr) return false;
  const auto* s = reinterpret_cast<const uint8_t*>(text);
  for (uint64_t i = 0; i < n; ++i) {
    if (kClass[s[i]] == kInvalid) return false;
  }
  return true;
}

uint64_t LLKFBase64Encode(const uint8_t* in, uint64_t n, char* out, uint64_t capacity) noexcept {
  if (out == nullptr || capacity == 0) return 0;
  if (n == 0) {
    out[0] = '\0';
    return 0;
  }
  const uint64_t size = LLKFBase64ComputeEncodedSize(n);
  if (in == nullptr || size == 0 || capacity <= size) return 0;
  encodeInto(in, n, out);
  out[size] = '\0';
  return size;
}

uint64_t LLKFBase64Decode(const char* in, uint64_t n, uint8_t* out, uint64_t capacity) noexcept {
  if (in == nullptr || out == nullptr || n == 0 || n % 4 != 0) return 0;
  const auto* s = reinterpret_cast<const uint8_t*>(in);
  const uint8_t* last = s + n - 4;
  const int padding = lastGroupPadding(last);
  if (padding < 0) return 0;
  const uint64_t size = n / 4 * 3 - static_cast<uint64_t>(padding);
  if (capacity < size) return 0;
  // Groups before the last: 3 bytes each, stored 4 at a time. The spare fourth byte is overwritten
  // by the next group, and the last group always writes at least one byte, so no store passes `size`.
  const uint64_t body = n - 4;
  uint8_t* o = out;
  uint64_t i = 0;
  for (; i + 8 <= body; i += 8, o += 6) {
    const uint32_t w0 = decodeGroup(s + i);
    const uint32_t w1 = decodeGroup(s + i + 4);
    if ((w0 | w1) & kBad) return 0;
    std::memcpy(o, &w0, 4);
    std::memcpy(o + 3, &w1, 4);
  }
  if (i < body) {
    const uint32_t w = decodeGroup(s + i);
    if (w & kBad) return 0;
    std::memcpy(o, &w, 4);
    o += 3;
  }
  // The last group, byte by byte: 1 to 3 bytes.
  const uint32_t c0 = kClass[last[0]], c1 = kClass[last[1]], c2 = kClass[last[2]], c3 = kClass[last[3]];
  o[0] = static_cast<uint8_t>(c0 << 2 | c1 >> 4);
  if (padding < 2) o[1] = static_cast<uint8_t>(c1 << 4 | c2 >> 2);
  if (padding < 1) o[2] = static_cast<uint8_t>(c2 << 6 | c3);
  return size;
}

LLKCString* LLKFBase64EncodeIntoString(const uint8_t* bytes, uint64_t n) noexcept {
  if (n == 0) return LLKCString::stringWithChars_length("", 0);
  const uint64_t size = LLKFBase64ComputeEncodedSize(n);
  if (bytes == nullptr || size == 0 || size > kMaxStringLength) return nullptr;
  // Short encodings go through the stack: the string copies them into its own inline storage.
  constexpr uint64_t kShort = 64;
  if (size <= kShort) {
    char text[kShort + 1];
    LLKFBase64Encode(bytes, n, text, sizeof text);
    return LLKCString::stringWithChars_length(text, size);
  }
  auto* text = static_cast<char*>(std::malloc(size + 1));
  if (text == nullptr) return nullptr;
  LLKFBase64Encode(bytes, n, text, size + 1);
  LLKCString* string = LLKCString::stringWithCharsNoCopy_freeWhenDone(text, true);
  if (string == nullptr) std::free(text);
  return string;
}

namespace {

LLKCData* decodeToData(const char* text, uint64_t n) noexcept {
  const uint64_t size = decodedSize(reinterpret_cast<const uint8_t*>(text), n);
  if (size == 0) return nullptr;
  LLKCData* data = LLKCData::dataWithLength(size);
  if (data == nullptr) return nullptr;
  // An autoreleased object goes with its pool when decoding fails.
  return LLKFBase64Decode(text, n, static_cast<uint8_t*>(data->bytes()), size) == size ? data : nullptr;
}

}  // namespace

LLKCData* LLKFBase64DecodeFromString(LLKCString* text) noexcept {
  return text != nullptr ? decodeToData(text->chars(), text->length()) : nullptr;
}

LLKCData* LLKFBase64DecodeFromChars(const char* text) noexcept {
  return text != nullptr ? decodeToData(text, std::strlen(text)) : nullptr;
}
