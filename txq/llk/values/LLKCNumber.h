#ifndef TXQ_LLK_VALUES_LLKCNUMBER_H
#define TXQ_LLK_VALUES_LLKCNUMBER_H
// LLKCNumber: a tagged number object (boolean, signed, unsigned or real), usable as a key.
//
//   LLKCNumber* n = LLKCNumber::numberWithSint(-1);
//   n->compareTo(LLKCNumber::numberWithUint(UINT64_MAX));   // 0: mixed types compare as sint
//   n->toString();                                          // "-1"
//
// Reading a number as another type converts it: real to integer truncates towards zero and
// saturates (NaN gives 0), integers keep their 64 bits between signed and unsigned.
// Type codes: 0 boolean, 2 signed, 3 unsigned, 4 real (1 is not used).
// Ownership: factories and copies autoreleased; init... +1.
// Threads:   one thread at a time while it changes (the setters); no locks.

#include <cstdint>

#include <txq/llk/object/LLKBObject.h>

class LLK_EXPORT LLKCNumber : public LLKBObject {
  LLK_OBJECT(LLKCNumber, LLKBObject)

 public:
  // The value: a boolean occupies the first byte and leaves the others as they were.
  union data_t {
    bool mBool;
    int64_t mSint;
    uint64_t mUint;
    double mReal;
    uint8_t mBytes[8];
  };
  static constexpr uint32_t kBool = 0;
  static constexpr uint32_t kSint = 2;
  static constexpr uint32_t kUint = 3;
  static constexpr uint32_t kReal = 4;

  uint32_t iType;
  data_t iData;

  // ---- Creation ----
  static LLKCNumber* numberWithBool(bool value) noexcept;
  static LLKCNumber* numberWithSint(int64_t value) noexcept;
  static LLKCNumber* numberWithUint(uint64_t value) noexcept;
  static LLKCNumber* numberWithReal(double value) noexcept;
  LLKCNumber* initWithBool(bool value) noexcept;
  LLKCNumber* initWithSint(int64_t value) noexcept;
  LLKCNumber* initWithUint(uint64_t value) noexcept;
  LLKCNumber* initWithReal(double value) noexcept;

  // ---- Setters: change type and value in place ----
  void setBool(bool value) noexcept;
  void setSint(int64_t value) noexcept;
  void setUint(uint64_t value) noexcept;
  void setReal(double value) noexcept;

  // ---- Type and value ----
  uint32_t type() const noexcept { return iType; }
  bool isBool() const noexcept { return iType == kBool; }
  bool isSint() const noexcept { return iType == kSint; }
  bool isUint() const noexcept { return iType == kUint; }
  bool isReal() const noexcept { return iType == kReal; }
  // The value as a boolean: the stored byte, or value != 0 (NaN counts as true); NO for an unknown type.
  bool bool_() const noexcept;
  int64_t sint() const noexcept;
  uint64_t uint() const noexcept;
  double real() const noexcept;

  // ---- Value protocols ----
  // -1, 0 or 1; 1 for another class. Same type: by value (reals equal within the double epsilon);
  // mixed types: through real when either is real, else sint when either is signed, else uint.
  int32_t compareTo(LLKBObject* other) noexcept override;
  uint32_t hashCode() noexcept override;  // the library hash of the 8 value bytes
  // Two pieces: the 4 type bytes, then the 8 value bytes.
  uint32_t hashCodeWithFunction_andContext(LLKFHashFeed function, void* context) noexcept override;
  // "true"/"false", "%jd", "%ju"; reals: "NaN", an integral value without decimals, else "%lf".
  // 8 for an unknown type.
  int32_t toStringBuilder(LLKCStringBuilder* builder) noexcept override;
  LLKCStringBuilder* toStringBuilder() noexcept override;
  LLKCString* toString() noexcept override;
  LLKCNumber* initWithCopy_deep(LLKBObject* source, bool deep) noexcept override;
  LLKCNumber* copy() noexcept override;
  LLKCNumber* deepCopy() noexcept override;

  // ---- Coding ----
  // The type's low byte, then the 8 value bytes as an unsigned 64-bit. Reading refuses (nil) an
  // unknown type; a boolean's byte comes back as 0 or 1.
  bool encodeWithCoder(LLKBEncoder* coder) noexcept override;
  LLKCNumber* initWithCoder(LLKBDecoder* coder) noexcept override;
};

#endif  // TXQ_LLK_VALUES_LLKCNUMBER_H
