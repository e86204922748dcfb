#ifndef TXQ_LLK_OBJECT_LLKPROTOCOLS_H
#define TXQ_LLK_OBJECT_LLKPROTOCOLS_H
// The value protocols. Their operations are virtual members of LLKBObject (with identity defaults),
// so containers and coders call them on objects of any class; these records only say which classes
// adopt them, for conformsToProtocol. A class lists what it adopts in LLK_DEFINE_CLASS.
//
//   LLKPObject      the root operations (init, retain, release, className, performSelector...)
//   LLKPCopyable    copy, deepCopy, initWithCopy_deep (copies come back autoreleased)
//   LLKPComparable  compareTo (negative, zero, positive; value classes answer 1 for another class)
//   LLKPHashable    hashCode, hashCodeWithFunction_andContext
//   LLKPKeyable     comparable and hashable: usable as a key
//   LLKPEncodable   encodeWithCoder, initWithCoder

#include <txq/llk/object/LLKExport.h>
#include <txq/llk/object/LLKRuntime.h>

struct LLK_EXPORT LLKPObject {
  static const LLKProtocol kProtocol;
};
struct LLK_EXPORT LLKPCopyable {
  static const LLKProtocol kProtocol;
};
struct LLK_EXPORT LLKPComparable {
  static const LLKProtocol kProtocol;
};
struct LLK_EXPORT LLKPHashable {
  static const LLKProtocol kProtocol;
};
struct LLK_EXPORT LLKPKeyable {
  static const LLKProtocol kProtocol;
};
struct LLK_EXPORT LLKPEncodable {
  static const LLKProtocol kProtocol;
};

#endif  // TXQ_LLK_OBJECT_LLKPROTOCOLS_H
