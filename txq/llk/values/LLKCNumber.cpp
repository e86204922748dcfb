#include <txq/llk/values/LLKCNumber.h>

#include <cinttypes>
#include <cmath>
#include <cstring>

#include <txq/llk/coding/LLKBDecoder.h>
#include <txq/llk/coding/LLKBEncoder.h>
#include <txq/llk/values/LLKCString.h>
#include <txq/llk/values/LLKCStringBuilder.h>
#include <txq/llk/values/LLKFHash.h>

LLK_DEFINE_CLASS(LLKCNumber, LLK_PROTOCOLS(LLKPKeyable, LLKPCopyable, LLKPEncodable), initWithBool, initWithSint,
                 initWithUint, initWithReal, setBool, setSint, setUint, setReal, type, isBool, isSint, isUint, isReal,
                 bool_, sint, uint, real, compareTo, hashCode, hashCodeWithFunction_andContext, toStringBuilder,
                 toString, initWithCopy_deep, copy, deepCopy, encodeWithCoder, initWithCoder)

namespace {

constexpr double kEpsilon = 2.220446049250313e-16;  // the double epsilon
constexpr double kTwoTo63 = 9223372036854775808.0;
constexpr double kTwoTo64 = 18446744073709551616.0;

// Truncation towards zero that saturates instead of overflowing; NaN gives 0.
int64_t saturatedSint(double x) noexcept {
  if (std::isnan(x)) return 0;
  if (x >= kTwoTo63) return INT64_MAX;
  if (x < -kTwoTo63) return INT64_MIN;
  return static_cast<int64_t>(x);
}

// Negative values go through the signed conversion (their 64 bits), large ones saturate.
uint64_t saturatedUint(double x) noexcept {
  if (std::isnan(x)) return 0;
  if (x >= kTwoTo64) return UINT64_MAX;
  if (x < 0) return static_cast<uint64_t>(saturatedSint(x));
  return static_cast<uint64_t>(x);
}

template <class T>
int32_t ordered(T a, T b) noexcept {
  return a < b ? -1 : (a > b ? 1 : 0);
}

// Equal within the epsilon; NaN is never equal and never greater, so it answers -1 both ways.
int32_t orderedReals(double a, double b) noexcept {
  if (std::fabs(a - b) <= kEpsilon) return 0;
  return a > b ? 1 : -1;
}

int32_t orderedBools(bool a, bool b) noexcept { return a == b ? 0 : (a ? 1 : -1); }

LLKCNumber* made(LLKCNumber* number) noexcept { return llk::autorelease(number); }

}  // namespace

// ---- Creation ----

LLKCNumber* LLKCNumber::numberWithBool(bool value) noexcept {
  LLKCNumber* number = alloc();
  return number != nullptr ? made(number->initWithBool(value)) : nullptr;
}

LLKCNumber* LLKCNumber::numberWithSint(int64_t value) noexcept {
  LLKCNumber* number = alloc();
  return number != nullptr ? made(number->initWithSint(value)) : nullptr;
}

LLKCNumber* LLKCNumber::numberWithUint(uint64_t value) noexcept {
  LLKCNumber* number = alloc();
  return number != nullptr ? made(number->initWithUint(value)) : nullptr;
}

LLKCNumber* LLKCNumber::numberWithReal(double value) noexcept {
  LLKCNumber* number = alloc();
  return number != nullptr ? made(number->initWithReal(value)) : nullptr;
}

LLKCNumber* LLKCNumber::initWithBool(bool value) noexcept {
  init();
  setBool(value);
  return this;
}

LLKCNumber* LLKCNumber::initWithSint(int64_t value) noexcept {
  init();
  setSint(value);
  return this;
}

LLKCNumber* LLKCNumber::initWithUint(uint64_t value) noexcept {
  init();
  setUint(value);
  return this;
}

LLKCNumber* LLKCNumber::initWithReal(double value) noexcept {
  init();
  setReal(value);
  return this;
}

// ---- Setters ----

void LLKCNumber::setBool(bool value) noexcept {
  iType = kBool;
  iData.mBytes[0] = value ? 1 : 0;  // the other bytes keep what they held
}

void LLKCNumber::setSint(int64_t value) noexcept {
  iType = kSint;
  iData.mSint = value;
}

void LLKCNumber::setUint(uint64_t value) noexcept {
  iType = kUint;
  iData.mUint = value;
}

void LLKCNumber::setReal(double value) noexcept {
  iType = kReal;
  iData.mReal = value;
}

// ---- Value ----

bool LLKCNumber::bool_() const noexcept {
  switch (iType) {
    case kBool: return iData.mBytes[0] != 0;
    case kSint:
    case kUint: return iData.mUint != 0;
    case kReal: return iData.mReal != 0;  // NaN counts as true
    default: return false;
  }
}

int64_t LLKCNumber::sint() const noexcept {
  switch (iType) {
    case kBool: return iData.mBytes[0] != 0 ? 1 : 0;
    case kSint: return iData.mSint;
    case kUint: return static_cast<int64_t>(iData.mUint);
    case kReal: return saturatedSint(iData.mReal);
    default: return 0;
  }
}

uint64_t LLKCNumber::uint() const noexcept {
  switch (iType) {
    case kBool: return iData.mBytes[0] != 0 ? 1 : 0;
    case kSint:
    case kUint: return iData.mUint;
    case kReal: return saturatedUint(iData.mReal);
    default: return 0;
  }
}

double LLKCNumber::real() const noexcept {
  switch (iType) {
    case kBool: return iData.mBytes[0] != 0 ? 1.0 : 0.0;
    case kSint: return static_cast<double>(iData.mSint);
    case kUint: return static_cast<double>(iData.mUint);
    case kReal: return iData.mReal;
    default: return 0.0;
  }
}

// ---- Value protocols ----

int32_t LLKCNumber::compareTo(LLKBObject* other) noexcept {
  if (llk::classOf(other) != class_()) return 1;
  const LLKCNumber* o = static_cast<LLKCNumber*>(other);
  if (iType == o->iType) {
    switch (iType) {
      case kBool: return orderedBools(bool_(), o->bool_());
      case kSint: return ordered(iData.mSint, o->iData.mSint);
      case kUint: return ordered(iData.mUint, o->iData.mUint);
      case kReal: return orderedReals(iData.mReal, o->iData.mReal);
      default: return 1;
    }
  }
  if (iType == kReal || o->iType == kReal) return orderedReals(real(), o->real());
  if (iType == kSint || o->iType == kSint) return ordered(sint(), o->sint());
  if (iType == kUint || o->iType == kUint) return ordered(uint(), o->uint());
  return orderedBools(bool_(), o->bool_());
}

uint32_t LLKCNumber::hashCode() noexcept { return LLKFComputeHashcode32(iData.mBytes, sizeof iData.mBytes); }

uint32_t LLKCNumber::hashCodeWithFunction_andContext(LLKFHashFeed function, void* context) noexcept {
  if (function == nullptr) return 0;
  uint8_t type[sizeof iType];
  std::memcpy(type, &iType, sizeof iType);
  function(context, type, sizeof type);
  return function(context, iData.mBytes, sizeof iData.mBytes);
}

int32_t LLKCNumber::toStringBuilder(LLKCStringBuilder* builder) noexcept {
  if (builder == nullptr) return 2;
  switch (iType) {
    case kBool: return builder->append(bool_() ? "true"_llk : "false"_llk);
    case kSint: return builder->appendWithFormat("%jd", static_cast<intmax_t>(iData.mSint));
    case kUint: return builder->appendWithFormat("%ju", static_cast<uintmax_t>(iData.mUint));
    case kReal: {
      double x = iData.mReal;
      if (std::isnan(x)) return builder->append("NaN"_llk);
      double whole = 0;
      if (std::fabs(std::modf(x, &whole)) >= kEpsilon) return builder->appendWithFormat("%lf", x);
      if (whole >= -kTwoTo63 && whole < kTwoTo63) return builder->appendWithFormat("%lld", static_cast<long long>(whole));
      return builder->appendWithFormat("%.0f", whole);  // beyond 64 bits (and infinities): no decimals either
    }
    default: return 8;
  }
}

LLKCStringBuilder* LLKCNumber::toStringBuilder() noexcept {
  LLKCStringBuilder* builder = LLKCStringBuilder::builderWithCapacity(32);
  if (builder != nullptr) toStringBuilder(builder);
  return builder;
}

LLKCString* LLKCNumber::toString() noexcept {
  LLKCStringBuilder* builder = LLKCStringBuilder::builderWithCapacity(128);
  if (builder == nullptr || toStringBuilder(builder) != 0) return nullptr;
  return builder->toString();
}

LLKCNumber* LLKCNumber::initWithCopy_deep(LLKBObject* source, bool) noexcept {
  LLKCNumber* other = llk::cast<LLKCNumber>(source);
  if (other == nullptr) {
    dealloc();
    return nullptr;
  }
  init();
  iType = other->iType;
  std::memcpy(iData.mBytes, other->iData.mBytes, sizeof iData.mBytes);
  return this;
}

LLKCNumber* LLKCNumber::copy() noexcept { return static_cast<LLKCNumber*>(Super::copy()); }

LLKCNumber* LLKCNumber::deepCopy() noexcept { return static_cast<LLKCNumber*>(Super::deepCopy()); }

// ---- Coding ----

bool LLKCNumber::encodeWithCoder(LLKBEncoder* coder) noexcept {
  uint64_t raw = 0;
  std::memcpy(&raw, &iData, sizeof raw);
  return coder != nullptr && coder->encodeByte(static_cast<uint8_t>(iType)) && coder->encodeUint64(raw);
}

LLKCNumber* LLKCNumber::initWithCoder(LLKBDecoder* coder) noexcept {
  char type = 0;
  uint64_t raw = 0;
  if (coder == nullptr || !coder->decodeByte(&type) || !coder->decodeUint64(&raw)) {
    dealloc();
    return nullptr;
  }
  iType = static_cast<uint8_t>(type);
  if (iType != kBool && iType != kSint && iType != kUint && iType != kReal) {
    dealloc();
    return nullptr;
  }
  std::memcpy(&iData, &raw, sizeof raw);
  if (iType == kBool) iData.mBytes[0] = iData.mBytes[0] != 0 ? 1 : 0;  // a bool's byte is 0 or 1
  return this;
}
