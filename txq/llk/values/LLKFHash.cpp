#include <txq/llk/values/LLKFHash.h>

#include <algorithm>
#include <cstring>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

namespace {

constexpr uint32_t kSeed = 1717;
constexpr uint32_t kPrime = 1717;

// The MaPrime permutation table.
constexpr uint8_t kTable[256] = {
    0xA3, 0xD7, 0x09, 0x83, 0xF8, 0x48, 0xF6, 0xF4, 0xB3, 0x21, 0x15, 0x78, 0x99, 0xB1, 0xAF, 0xF9,
    0xE7, 0x2D, 0x4D, 0x8A, 0xCE, 0x4C, 0xCA, 0x2E, 0x52, 0x95, 0xD9, 0x1E, 0x4E, 0x38, 0x44, 0x28,
    0x0A, 0xDF, 0x02, 0xA0, 0x17, 0xF1, 0x60, 0x68, 0x12, 0xB7, 0x7A, 0xC3, 0xE9, 0xFA, 0x3D, 0x53,
    0x96, 0x84, 0x6B, 0xBA, 0xF2, 0x63, 0x9A, 0x19, 0x7C, 0xAE, 0xE5, 0xF5, 0xF7, 0x16, 0x6A, 0xA2,
    0x39, 0xB6, 0x7B, 0x0F, 0xC1, 0x93, 0x81, 0x1B, 0xEE, 0xB4, 0x1A, 0xEA, 0xD0, 0x91, 0x2F, 0xB8,
    0x55, 0xB9, 0xDA, 0x85, 0x3F, 0x41, 0xBF, 0xE0, 0x5A, 0x58, 0x80, 0x5F, 0x66, 0x0B, 0xD8, 0x90,
    0x35, 0xD5, 0xC0, 0xA7, 0x33, 0x06, 0x65, 0x69, 0x45, 0x00, 0x94, 0x56, 0x6D, 0x98, 0x9B, 0x76,
    0x97, 0xFC, 0xB2, 0xC2, 0xB0, 0xFE, 0xDB, 0x20, 0xE1, 0xEB, 0xD6, 0xE4, 0xDD, 0x47, 0x4A, 0x1D,
    0x42, 0xED, 0x9E, 0x6E, 0x49, 0x3C, 0xCD, 0x43, 0x27, 0xD2, 0x07, 0xD4, 0xDE, 0xC7, 0x67, 0x18,
    0x89, 0xCB, 0x30, 0x1F, 0x8D, 0xC6, 0x8F, 0xAA, 0xC8, 0x74, 0xDC, 0xC9, 0x5D, 0x5C, 0x31, 0xA4,
    0x70, 0x88, 0x61, 0x2C, 0x9F, 0x0D, 0x2B, 0x87, 0x50, 0x82, 0x54, 0x64, 0x26, 0x7D, 0x03, 0x40,
    0x34, 0x4B, 0x1C, 0x73, 0xD1, 0xC4, 0xFD, 0x3B, 0xCC, 0xFB, 0x7F, 0xAB, 0xE6, 0x3E, 0x5B, 0xA5,
    0xAD, 0x04, 0x23, 0x9C, 0x14, 0x51, 0x22, 0xF0, 0x29, 0x79, 0x71, 0x7E, 0xFF, 0x8C, 0x0E, 0xE2,
    0x0C, 0xEF, 0xBC, 0x72, 0x75, 0x6F, 0x37, 0xA1, 0xEC, 0xD3, 0x8E, 0x62, 0x8B, 0x86, 0x10, 0xE8,
    0x08, 0x77, 0x11, 0xBE, 0x92, 0x4F, 0x24, 0xC5, 0x32, 0x36, 0x9D, 0xCF, 0xF3, 0xA6, 0xBB, 0xAC,
    0x5E, 0x6C, 0xA9, 0x13, 0x57, 0x25, 0xB5, 0xE3, 0xBD, 0xA8, 0x3A, 0x01, 0x05, 0x59, 0x2A, 0x46,
};

// The position index wraps every 256 bytes, so the loop runs in blocks of 256 with a byte counter
// that needs no masking.
inline uint32_t feed(uint32_t hash, const uint8_t* bytes, uint64_t n) noexcept {
  while (n >= 256) {
    for (unsigned i = 0; i < 256; ++i) hash = (hash ^ kTable[static_cast<uint8_t>(bytes[i] + i)]) * kPrime;
    bytes += 256;
    n -= 256;
  }
  for (unsigned i = 0; i < n; ++i) hash = (hash ^ kTable[static_cast<uint8_t>(bytes[i] + i)]) * kPrime;
  return hash;
}

// ---- Adler-32 ----

constexpr uint32_t kAdlerBase = 65521;  // the largest prime below 2^16
// The longest run of bytes after which the sums still fit 32 bits when they start below the base:
// 255 * n * (n + 1) / 2 + (n + 1) * (base - 1) <= 2^32 - 1 holds up to n = 5552 = 347 * 16.
constexpr uint64_t kAdlerRun = 5552;
constexpr unsigned kAdlerLanes = 16;
static_assert(kAdlerRun % kAdlerLanes == 0);

#if defined(__SSE2__)
// A run of `chunks` * 16 bytes (chunks <= 347) without a dependency from byte to byte. Over the run,
// a grows by the sum of the bytes, and b by 16 * chunks * a plus the sum of each byte times the
// number of bytes from it to the end of the run. For byte i of chunk k that weight is
// 16 * (chunks - 1 - k) + (16 - i): the first part is 16 times the sum of the byte sums of the
// chunks before each chunk (`before`), the second a fixed weight per position (`weighted`, by
// multiply-adds of 16-bit pairs). All lanes stay below 2^28.
inline void adlerChunks(uint32_t& a, uint32_t& b, const uint8_t* bytes, uint64_t chunks) noexcept {
  const __m128i zero = _mm_setzero_si128();
  const __m128i weightsLow = _mm_setr_epi16(16, 15, 14, 13, 12, 11, 10, 9);
  const __m128i weightsHigh = _mm_setr_epi16(8, 7, 6, 5, 4, 3, 2, 1);
  __m128i sums = zero;      // byte sums so far, in two 64-bit lanes
  __m128i before = zero;    // `sums` added up before every chunk
  __m128i weighted = zero;  // bytes times their weight within their chunk, four 32-bit lanes
  for (uint64_t k = 0; k < chunks; ++k, bytes += kAdlerLanes) {
    const __m128i chunk = _mm_loadu_si128(reinterpret_cast<const __m128i*>(bytes));
    before = _mm_add_epi32(before, sums);
    sums = _mm_add_epi32(sums, _mm_sad_epu8(chunk, zero));
    weighted = _mm_add_epi32(weighted, _mm_madd_epi16(_mm_unpacklo_epi8(chunk, zero), weightsLow));
    weighted = _mm_add_epi32(weighted, _mm_madd_epi16(_mm_unpackhi_epi8(chunk, zero), weightsHigh));
  }
  alignas(16) uint32_t lanes[3][4];
  _mm_store_si128(reinterpret_cast<__m128i*>(lanes[0]), sums);
  _mm_store_si128(reinterpret_cast<__m128i*>(lanes[1]), before);
  _mm_store_si128(reinterpret_cast<__m128i*>(lanes[2]), weighted);
  const uint64_t sum = uint64_t{lanes[0][0]} + lanes[0][2];  // the 64-bit lanes stay below 2^32
  const uint64_t earlier = uint64_t{lanes[1][0]} + lanes[1][2];
  const uint64_t bytesWeighted = uint64_t{lanes[2][0]} + lanes[2][1] + lanes[2][2] + lanes[2][3];
  b = static_cast<uint32_t>((b + chunks * kAdlerLanes * a + kAdlerLanes * earlier + bytesWeighted) % kAdlerBase);
  a = static_cast<uint32_t>((a + sum) % kAdlerBase);
}
constexpr bool kAdlerVector = true;
#else
inline void adlerChunks(uint32_t&, uint32_t&, const uint8_t*, uint64_t) noexcept {}
constexpr bool kAdlerVector = false;  // byte by byte below
#endif

// Adds the bytes to sums that are below the base, and leaves them below the base.
inline void adlerFeed(uint32_t& a, uint32_t& b, const uint8_t* bytes, uint64_t n) noexcept {
  while (n > 0) {
    uint64_t run = std::min(n, kAdlerRun);
    n -= run;
    const uint64_t chunks = kAdlerVector ? run / kAdlerLanes : 0;
    if (chunks > 0) adlerChunks(a, b, bytes, chunks);
    bytes += chunks * kAdlerLanes;
    for (run -= chunks * kAdlerLanes; run > 0; --run) {
      a += *bytes++;
      b += a;
    }
    a %= kAdlerBase;
    b %= kAdlerBase;
  }
}

// ---- RK32 ----

constexpr uint32_t kRKMultiplier = 31;
constexpr uint32_t kRKMaxWindow = 32;
constexpr uint32_t kRKPadding = 0x1175BD33;  // the value of one padding step

// The rolling table: one value below 2^31 per byte value. Rolling hashes are stored and compared, so
// the table never changes.
constexpr uint32_t kRKTable[256] = {
    0x3C0BB232, 0x4713593D, 0x2BC06D16, 0x30224948, 0x690BFF8F, 0x71E64C18, 0x28C0B8C3, 0x468D719E,
    0x4727EF1A, 0x2637171E, 0x15DB9D1E, 0x265C0675, 0x162F4DB4, 0x77556659, 0x5B44AAC2, 0x55DF4E71,
    0x47C79DA3, 0x00D51286, 0x7721C40D, 0x12066DF6, 0x41A77109, 0x6FB89684, 0x598AECBC, 0x0C2CD6FA,
    0x792AF83A, 0x07771735, 0x239FA2F0, 0x48F7161B, 0x7FBBC9A8, 0x66DC38B7, 0x398CB3D4, 0x3BC77BDA,
    0x2DEF91F5, 0x654D20EB, 0x6BE9C522, 0x16FB9184, 0x57336D03, 0x14AA7DE6, 0x5D890322, 0x1E5B5C1D,
    0x3AE19504, 0x7364A040, 0x44B76292, 0x5110E2B9, 0x6ABA0699, 0x1FFC0D54, 0x26F0312A, 0x3281A43C,
    0x20D11FDB, 0x1E11F537, 0x44881232, 0x627890E4, 0x0DCA8BBC, 0x1E12FEEF, 0x6EA567DE, 0x06F583F6,
    0x258A1624, 0x12450ACE, 0x4FEC9A11, 0x2545DFCC, 0x79214386, 0x09794DE6, 0x610D5BA6, 0x2710D57B,
    0x6EC66ED1, 0x4CF720C9, 0x3E0C66FF, 0x45F9DBD4, 0x61A19EAF, 0x1B956A21, 0x645537F1, 0x1C8333B3,
    0x0EFA0A61, 0x290C9A83, 0x6D94166C, 0x79B410FA, 0x4908A7D8, 0x14844796, 0x2C35B536, 0x69D9C7B3,
    0x32963CCE, 0x70BDC769, 0x4C525897, 0x4060C88A, 0x0ED0C658, 0x3AF7C076, 0x47564C80, 0x345ADC7C,
    0x4D3CCB44, 0x1742E692, 0x59A0BC49, 0x465E0ECA, 0x20BC3478, 0x3AAE17EF, 0x6D6EE445, 0x0F82A349,
    0x07A538B8, 0x2B7B4B44, 0x557C7F1D, 0x6946D767, 0x4710B565, 0x39D1B70E, 0x05CA0B1B, 0x560ABFC6,
    0x62DE5191, 0x735E2187, 0x4FBED0C0, 0x2BE6F969, 0x07E2691E, 0x7BF485F7, 0x15C0C11C, 0x3A78A5EC,
    0x6CB24D60, 0x621319B4, 0x7AD96E76, 0x7B8313B8, 0x1D0ADA2A, 0x422FBAF6, 0x2FDDF034, 0x6A47A56E,
    0x5972A188, 0x097EAC7D, 0x30A5B439, 0x7A2ED600, 0x442CC46D, 0x1E14987E, 0x09B17949, 0x4BD1FD25,
    0x498FE3C3, 0x5F2DF866, 0x3518D48D, 0x10A09928, 0x18FFAF74, 0x3AE2DFA8, 0x66AB58EF, 0x7BDE0106,
    0x2E41012F, 0x366A29AF, 0x27C4FA6F, 0x36236A4D, 0x325EAFA6, 0x3D85BB8C, 0x709C1039, 0x1F10FD06,
    0x1F98D540, 0x6B757EAF, 0x1A9410BE, 0x3CA3AF6A, 0x2DA539A6, 0x4A7200F3, 0x26EB54D8, 0x0717DB2E,
    0x53F0AD70, 0x57910911, 0x0146B12F, 0x181D71DD, 0x75A5A190, 0x0AF82A78, 0x63EF6F03, 0x3F358553,
    0x6A2622DF, 0x19084390, 0x4FD61E7B, 0x0325D253, 0x53EB2338, 0x3681776A, 0x7F03D359, 0x022C2467,
    0x6CEBA11A, 0x26C8CDC9, 0x384F8EB5, 0x1F4A50C0, 0x644E8955, 0x28EB9EEE, 0x3E5B4DC7, 0x03E75E95,
    0x14611D9E, 0x58EF5E85, 0x408B0DFF, 0x42065744, 0x23615F78, 0x677662D7, 0x491E3272, 0x77520CE9,
    0x3F076BE9, 0x4A64E3A1, 0x0F6F7EC6, 0x34AD0D79, 0x555D0E1A, 0x735EEDC9, 0x73E292CC, 0x3F8330F9,
    0x0C673159, 0x43B8B147, 0x42A9034C, 0x60525491, 0x7A3A28B2, 0x41ACD6A6, 0x627E78F9, 0x6725C9CC,
    0x6875A46F, 0x1ACE07AE, 0x06701A8C, 0x4CC42DC4, 0x43B9A69C, 0x44CB6853, 0x50AB8C59, 0x581AC43A,
    0x1DBAC6D9, 0x11369A58, 0x1A211B7E, 0x411C2651, 0x78ACFD2F, 0x633F4DF1, 0x386E333A, 0x37B46918,
    0x2DA43192, 0x47DDB201, 0x6C617691, 0x03013FAC, 0x3B3C9FCA, 0x6044095D, 0x428470A5, 0x47A3D124,
    0x23FCBAA5, 0x052D73F2, 0x27F625B5, 0x1E36E357, 0x46DA4A98, 0x0A749EAE, 0x055CAD23, 0x2F4FEF07,
    0x2542A65C, 0x0BCCC7AF, 0x7C141CCB, 0x68FC4CF9, 0x50983003, 0x4CBFA924, 0x41171133, 0x6E52F6DC,
    0x5DF6437C, 0x5B382CB2, 0x2F6F1D2D, 0x56A340AB, 0x3E777AA3, 0x67DD5068, 0x0E57A9C4, 0x6C1BAC35,
    0x2FBB0269, 0x7AB92055, 0x6F1CEBE2, 0x6AF7A233, 0x5AFD29B3, 0x31A15C87, 0x329B7357, 0x7EF9E458,
};

}  // namespace

uint32_t LLKFComputeHashcode32(const uint8_t* bytes, uint64_t n) noexcept {
  return bytes != nullptr ? feed(kSeed, bytes, n) : kSeed;
}

void LLKFHashMaPrime32Init(LLKTHashMaPrime32State* state) noexcept {
  if (state != nullptr) state->mHash = kSeed;
}

uint32_t LLKFHashMaPrime32Feed(void* state, const uint8_t* bytes, uint64_t n) noexcept {
  auto* s = static_cast<LLKTHashMaPrime32State*>(state);
  if (s == nullptr) return 0;
  if (bytes != nullptr) s->mHash = feed(s->mHash, bytes, n);
  return s->mHash;
}

uint32_t LLKFHashMaPrime32Hash(const LLKTHashMaPrime32State* state) noexcept {
  return state != nullptr ? state->mHash : 0;
}

// ---- Adler-32 ----

void LLKFHashAdler32Init(LLKTHashAdler32State* state) noexcept {
  if (state == nullptr) return;
  state->mA = 1;
  state->mB = 0;
}

uint32_t LLKFHashAdler32Feed(LLKTHashAdler32State* state, const uint8_t* bytes, uint64_t n) noexcept {
  if (state == nullptr) return 0;
  if (bytes != nullptr && n > 0) {
    // Sums set by hand may start at or above the base.
    uint32_t a = state->mA % kAdlerBase;
    uint32_t b = state->mB % kAdlerBase;
    adlerFeed(a, b, bytes, n);
    state->mA = a;
    state->mB = b;
  }
  return LLKFHashAdler32Hash(state);
}

uint32_t LLKFHashAdler32Hash(const LLKTHashAdler32State* state) noexcept {
  if (state == nullptr) return 0;
  return (state->mB % kAdlerBase) << 16 | (state->mA % kAdlerBase);
}

// ---- RK32 ----

bool LLKFHashRK32Init(LLKTHashRK32State* state, uint32_t window) noexcept {
  if (state == nullptr || window > kRKMaxWindow) return false;
  uint32_t factor = 1;
  for (uint32_t i = 0; i < window; ++i) factor *= kRKMultiplier;
  state->mHash = 0;
  state->mWindow = window;
  state->mFactor = factor;
  state->mCount = 0;
  std::memset(state->mRing, 0, sizeof state->mRing);
  return true;
}

uint32_t LLKFHashRK32Feed(LLKTHashRK32State* state, const uint8_t* bytes, uint64_t n) noexcept {
  if (state == nullptr) return 0;
  const uint32_t window = state->mWindow;
  if (bytes == nullptr || n == 0 || window > kRKMaxWindow) return state->mHash;
  uint32_t hash = state->mHash;
  if (window == 0) {
    for (uint64_t i = 0; i < n; ++i) hash = hash * kRKMultiplier + kRKTable[bytes[i]];
    state->mHash = hash;
    return hash;
  }
  // Filling the window.
  uint32_t count = state->mCount;
  for (; n > 0 && count < window; --n, ++count) {
    const uint8_t b = *bytes++;
    hash = hash * kRKMultiplier + kRKTable[b];
    state->mRing[count] = b;
  }
  if (n > 0) {
    // Rolling: the byte at `at` is the oldest of the window; it leaves as the new one takes its slot.
    const uint32_t factor = state->mFactor;
    uint32_t at = count % window;
    for (uint64_t i = 0; i < n; ++i) {
      const uint8_t b = bytes[i];
      hash = hash * kRKMultiplier + kRKTable[b] - kRKTable[state->mRing[at]] * factor;
      state->mRing[at] = b;
      if (++at == window) at = 0;
    }
    // The count keeps its value modulo the window; past UINT32_MAX it drops by whole windows.
    uint64_t total = uint64_t{count} + n;
    if (total > UINT32_MAX) total -= (total - UINT32_MAX + window - 1) / window * window;
    count = static_cast<uint32_t>(total);
  }
  state->mHash = hash;
  state->mCount = count;
  return hash;
}

uint32_t LLKFHashRK32Pack(LLKTHashRK32State* state) noexcept {
  if (state == nullptr) return 0;
  const uint32_t window = state->mWindow;
  if (window <= kRKMaxWindow && state->mCount < window) {
    uint32_t hash = state->mHash;
    for (uint32_t i = state->mCount; i < window; ++i) hash = hash * kRKMultiplier + kRKPadding;
    state->mHash = hash;
    state->mCount = window;
  }
  return state->mHash;
}

uint32_t LLKFHashRK32Hash(const uint8_t* bytes, uint64_t n) noexcept {
  LLKTHashRK32State state;
  LLKFHashRK32Init(&state, 16);
  LLKFHashRK32Feed(&state, bytes, n);
  return LLKFHashRK32Pack(&state);
}
