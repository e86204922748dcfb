#ifndef TXQ_LLK_OBJECT_LLKCOBJECTKEEPER_H
#define TXQ_LLK_OBJECT_LLKCOBJECTKEEPER_H
// LLKCObjectKeeper: an owning box with a check-out counter, for handing one object to several
// borrowers and knowing whether any still has it.
// Ownership: iObject retained; object()/checkOut() answer it borrowed; replace() answers the old
//            object autoreleased.
// Threads:   object() reads the field atomically from any thread; the rest one thread at a time.

#include <cstdint>

#include <txq/llk/object/LLKBObject.h>

class LLK_EXPORT LLKCObjectKeeper : public LLKBObject {
  LLK_OBJECT(LLKCObjectKeeper, LLKBObject)

 public:
  LLKBObject* iObject;  // retained
  uint32_t iCCount;     // outstanding check-outs

  static LLKCObjectKeeper* keeperWithObject(LLKBObject* object) noexcept;
  LLKCObjectKeeper* initWithObject(LLKBObject* object) noexcept;
  LLKBObject* object() noexcept;
  // Counts one check-out and answers the held object.
  LLKBObject* checkOut() noexcept;
  // Counts one check-in when `object` is the held object and a check-out is outstanding.
  void checkIn(LLKBObject* object) noexcept;
  bool isCheckedOut() noexcept { return iCCount != 0; }
  // Holds `object` (retained) instead, resets the check-outs, answers the old object autoreleased.
  LLKBObject* replace(LLKBObject* object) noexcept;

 protected:
  ~LLKCObjectKeeper() override;  // releases the held object
};

#endif  // TXQ_LLK_OBJECT_LLKCOBJECTKEEPER_H
