#ifndef TXQ_AOK_AOKSPINLOCK_P_H
#define TXQ_AOK_AOKSPINLOCK_P_H
// Internal: a lock for critical sections of a few instructions (a queue push or pop). Waiters spin,
// then yield their time slice, instead of sleeping in the kernel: a producer and a worker meeting on
// one record cost no system call. Never hold it across anything that can block.

#include <sched.h>

#include <atomic>

namespace aok::detail {

class SpinLock {
 public:
  void lock() noexcept {
    for (uint32_t spins = 0; locked_.exchange(true, std::memory_order_acquire);) {
      while (locked_.load(std::memory_order_relaxed)) {
        if (++spins < 64) {
#if defined(__x86_64__) || defined(__i386__)
          __builtin_ia32_pause();
#endif
        } else {
          sched_yield();  // the holder may have been preempted
        }
      }
    }
  }
  void unlock() noexcept { locked_.store(false, std::memory_order_release); }

 private:
  std::atomic<bool> locked_{false};
};

}  // namespace aok::detail

#endif  // TXQ_AOK_AOKSPINLOCK_P_H
