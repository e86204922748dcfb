#ifndef TXQ_LLK_H
#define TXQ_LLK_H
// The low-level kit: objects, pools, the log, values.

#include <txq/TXQConfig.h>
#include <txq/llk/object/LLKAutoreleaseScope.h>
#include <txq/llk/object/LLKBObject.h>
#include <txq/llk/object/LLKCAutoreleasePool.h>
#include <txq/llk/object/LLKCNull.h>
#include <txq/llk/object/LLKCObjectKeeper.h>
#include <txq/llk/object/LLKCWeak.h>
#include <txq/llk/object/LLKFLog.h>
#include <txq/llk/object/LLKProtocols.h>
#include <txq/llk/object/LLKRef.h>
#include <txq/llk/object/LLKSynchronized.h>
#include <txq/llk/threads/LLKFThreadKey.h>
#include <txq/llk/values/LLKCCode.h>
#include <txq/llk/values/LLKCData.h>
#include <txq/llk/values/LLKCGuid.h>
#include <txq/llk/values/LLKCLiteralString.h>
#include <txq/llk/values/LLKCNumber.h>
#include <txq/llk/values/LLKCPointer.h>
#include <txq/llk/values/LLKCString.h>
#include <txq/llk/values/LLKCStringBuilder.h>
#include <txq/llk/values/LLKFBase64.h>
#include <txq/llk/values/LLKFChecksum.h>
#include <txq/llk/values/LLKFGuid.h>
#include <txq/llk/values/LLKFHash.h>
#include <txq/llk/values/LLKFMemory.h>
#include <txq/llk/values/LLKFNetwork.h>
#include <txq/llk/values/LLKFNumberText.h>
#include <txq/llk/values/LLKFPath.h>
#include <txq/llk/values/LLKFProcess.h>
#include <txq/llk/values/LLKFRandom.h>
#include <txq/llk/values/LLKFString.h>
#include <txq/llk/values/LLKFTime.h>
#include <txq/llk/values/LLKFUnique.h>

#endif  // TXQ_LLK_H
