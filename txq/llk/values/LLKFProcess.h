#ifndef TXQ_LLK_VALUES_LLKFPROCESS_H
#define TXQ_LLK_VALUES_LLKFPROCESS_H
// Process statistics: CPU times from the resource usage and resident memory figures from
// /proc/<pid>/status.
// Threads: any thread.

#include <txq/llk/object/LLKExport.h>

#include <cstdint>

// Statistics of the calling process.
struct LLKTProcStats {
  double mUser;       // user CPU time, seconds
  double mSystem;     // system CPU time, seconds
  uint32_t mPeak;     // peak resident memory, kB (without shared-library code, see getmusage)
  uint32_t mCurrent;  // current resident memory, kB (likewise)
};

// Fills the CPU times (seconds + microseconds / 1e6 each), then the memory fields through getmusage
// for the calling process. NO when the resource usage cannot be read (or for null); otherwise
// getmusage's answer.
LLK_EXTERN_C LLK_EXPORT bool LLKFGetProcStats(LLKTProcStats* stats) noexcept;

// Reads the "VmHWM:" (peak), "VmRSS:" (current) and "VmLib:" (shared-library code) lines of
// /proc/<pid>/status, in kB. Once all three are read, VmLib is taken off the peak and off the
// current size, each only when it is larger than VmLib. When the file ends first, the figures read
// so far are stored as read, without that subtraction; figures never read leave their output
// unchanged. Figures beyond 32 bits read as 4294967295. Either output may be null.
// NO when the file cannot be opened; otherwise YES.
LLK_EXTERN_C LLK_EXPORT bool getmusage(int32_t pid, uint32_t* peak, uint32_t* current) noexcept;

#endif  // TXQ_LLK_VALUES_LLKFPROCESS_H
