#ifndef TXQ_LLK_COLLECTIONS_LLKPUNIQUEABLE_H
#define TXQ_LLK_COLLECTIONS_LLKPUNIQUEABLE_H
// LLKPUniqueable: the role of an object that carries a GUID of its own and a name, as an
// LLKCObjectStore expects of what it holds. It adopts LLKPComparable (compareTo of the root).
// No library class adopts it; users' classes do, as a secondary base listed in LLK_PROTOCOLS:
//
//   class Part : public LLKBObject, public LLKPUniqueable {
//     LLK_OBJECT(Part, LLKBObject)
//    public:
//     LLKCGuid* guid() noexcept override;
//     LLKCString* name() noexcept override;
//     void setName(LLKCString* name) noexcept override;
//   };
//   LLK_DEFINE_CLASS(Part, LLK_PROTOCOLS(LLKPUniqueable), guid, name, setName)
//
//   LLKPUniqueable* unique = llk::as<LLKPUniqueable>(object);   // nil when it does not adopt it
//
// Ownership: guid and name answer borrowed objects; setName retains the new name.
// Threads:   as the adopting class says.

#include <txq/llk/object/LLKBObject.h>

class LLKCGuid;
class LLKCString;

struct LLK_EXPORT LLKPUniqueable {
  static const LLKProtocol kProtocol;

  // The object's identity: the same GUID for its whole life (never nil).
  virtual LLKCGuid* guid() noexcept = 0;
  // Its name, or nil.
  virtual LLKCString* name() noexcept = 0;
  virtual void setName(LLKCString* name) noexcept = 0;

 protected:
  ~LLKPUniqueable() = default;
};

#endif  // TXQ_LLK_COLLECTIONS_LLKPUNIQUEABLE_H
