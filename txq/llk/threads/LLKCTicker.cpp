#include <txq/llk/threads/LLKCTicker.h>

#include <pthread.h>
#include <signal.h>
#include <time.h>

#include <atomic>
#include <condition_variable>
#include <mutex>

#include <txq/llk/collections/LLKContainerMaking_p.h>
#include <txq/llk/object/LLKAutoreleaseScope.h>
#include <txq/llk/threads/LLKCPipe.h>
#include <txq/llk/values/LLKCData.h>

// The thread sanitizer cannot follow the threads that the C library starts for SIGEV_THREAD
// notifications. Builds under it signal expiries (SIGRTMAX, directed to one thread) to a library
// thread that starts the tick threads itself; the tick function is the same.
#if defined(__SANITIZE_THREAD__)
#define TXQ_TICKS_FROM_LIBRARY_THREAD 1
#elif defined(__has_feature)
#if __has_feature(thread_sanitizer)
#define TXQ_TICKS_FROM_LIBRARY_THREAD 1
#endif
#endif

#if TXQ_TICKS_FROM_LIBRARY_THREAD
#include <semaphore.h>
#include <unistd.h>
#endif

// The control block. An expiry carries only the block's id and finds the block through the list of
// live blocks, so an expiry that the C library delivers after the timer is gone finds nothing. The
// block lives until both the ticker and every tick that found it are done.
struct LLKCTicker::private_t {
  // ---- Guarded by mGuard ----
  std::recursive_mutex mGuard;
  timer_t mTimer{};
  bool mTimerMade = false;
  std::atomic<bool> mEnabled{false};
  LLKCPipe* mPipe = nullptr;  // retained
  LLKCData* mData = nullptr;  // retained
  uint32_t mUid = 0;
  LLKBObject* mTarget = nullptr;  // retained
  LLKSEL mSelector = nullptr;
  LLKBObject* mObject = nullptr;  // retained

  // ---- Guarded by the list lock ----
  uint64_t mId = 0;  // 0: not listed
  private_t* mPrev = nullptr;
  private_t* mNext = nullptr;
  uint32_t mInFlight = 0;         // ticks that found the block and have not left it
  bool mRetired = false;          // the ticker is gone
  bool mFreedByTick = false;      // the ticker went from inside a tick: the last tick frees the block
  std::condition_variable mIdle;  // mInFlight reached 0 after retirement

  ~private_t() {
    llk::release(mData);
    llk::release(mPipe);
    llk::release(mTarget);
    llk::release(mObject);
  }

  // One tick's delivery; the caller holds the guard and has checked mEnabled.
  void fire() noexcept {
    if (mPipe != nullptr) {
      if (mData != nullptr) {
        mPipe->send_bytesFrom(mData->length(), mData->bytes());
      } else {
        const uint32_t uid = mUid;
        mPipe->send_bytesFrom(sizeof uid, &uid);
      }
    } else if (mTarget != nullptr) {
      llk::AutoreleaseScope pool;
      mTarget->performSelector_withObject(mSelector, mObject);
    }
  }
};

namespace {

using Block = LLKCTicker::private_t;

// ---- The list of live blocks ----
constinit std::mutex gListLock;
constinit Block* gFirst = nullptr;
constinit uint64_t gNextId = 1;
// The block whose tick the calling thread is running, if any.
constinit thread_local const Block* tTicking = nullptr;

void enlist(Block* block) noexcept {
  std::lock_guard<std::mutex> hold(gListLock);
  block->mId = gNextId++;
  block->mNext = gFirst;
  if (gFirst != nullptr) gFirst->mPrev = block;
  gFirst = block;
}

// The live block with this id, counted in flight; nil when the ticker is gone.
Block* enter(uint64_t id) noexcept {
  std::lock_guard<std::mutex> hold(gListLock);
  for (Block* block = gFirst; block != nullptr; block = block->mNext) {
    if (block->mId == id) {
      ++block->mInFlight;
      return block;
    }
  }
  return nullptr;
}

void leave(Block* block) noexcept {
  bool last = false;
  {
    std::lock_guard<std::mutex> hold(gListLock);
    if (--block->mInFlight == 0 && block->mRetired) {
      if (block->mFreedByTick) {
        last = true;
      } else {
        block->mIdle.notify_all();
      }
    }
  }
  if (last) {
    llk::AutoreleaseScope pool;  // releasing the target may autorelease
    delete block;
  }
}

// The ticker is going (its timer already deleted): unlist the block and free it once no tick is in
// it. From inside one of its own ticks it cannot wait for itself; the last tick frees it instead.
void retire(Block* block) noexcept {
  {
    std::unique_lock<std::mutex> hold(gListLock);
    if (block->mId != 0) {
      if (block->mPrev != nullptr) block->mPrev->mNext = block->mNext;
      if (block->mNext != nullptr) block->mNext->mPrev = block->mPrev;
      if (gFirst == block) gFirst = block->mNext;
    }
    block->mRetired = true;
    if (block->mInFlight > 0) {
      if (tTicking == block) {
        block->mFreedByTick = true;
        return;
      }
      block->mIdle.wait(hold, [block] { return block->mInFlight == 0; });
    }
  }
  delete block;
}

void* idValue(uint64_t id) noexcept { return reinterpret_cast<void*>(static_cast<uintptr_t>(id)); }

// The notification function of every ticker's timer.
void tick(sigval value) noexcept {
  Block* block = enter(reinterpret_cast<uintptr_t>(value.sival_ptr));
  if (block == nullptr) return;
  const Block* outer = tTicking;
  tTicking = block;
  {
    std::lock_guard<std::recursive_mutex> guard(block->mGuard);
    if (block->mEnabled.load(std::memory_order_relaxed)) block->fire();
  }
  tTicking = outer;
  leave(block);
}

#if TXQ_TICKS_FROM_LIBRARY_THREAD

pthread_once_t gDispatcherOnce = PTHREAD_ONCE_INIT;
std::atomic<pid_t> gDispatcher{0};
sem_t gDispatcherUp;

void* runTick(void* id) {
  sigval value{};
  value.sival_ptr = id;
  tick(value);
  return nullptr;
}

// Receives every ticker's expiry signal and starts one detached thread per expiry, as the C library
// does for SIGEV_THREAD.
void* dispatch(void*) {
  gDispatcher.store(gettid());
  sem_post(&gDispatcherUp);
  sigset_t only;
  sigemptyset(&only);
  sigaddset(&only, SIGRTMAX);
  pthread_attr_t detached;
  pthread_attr_init(&detached);
  pthread_attr_setdetachstate(&detached, PTHREAD_CREATE_DETACHED);
  for (;;) {
    siginfo_t info;
    if (sigwaitinfo(&only, &info) != SIGRTMAX || info.si_code != SI_TIMER) continue;
    pthread_t thread;
    if (pthread_create(&thread, &detached, &runTick, info.si_value.sival_ptr) != 0)
      runTick(info.si_value.sival_ptr);
  }
  return nullptr;
}

void startDispatcher() {
  sem_init(&gDispatcherUp, 0, 0);
  sigset_t only;
  sigset_t previous;
  sigemptyset(&only);
  sigaddset(&only, SIGRTMAX);
  pthread_sigmask(SIG_BLOCK, &only, &previous);  // inherited: the signal only ever waits for sigwaitinfo
  pthread_t thread;
  const bool started = pthread_create(&thread, nullptr, &dispatch, nullptr) == 0;
  pthread_sigmask(SIG_SETMASK, &previous, nullptr);
  if (!started) return;
  pthread_detach(thread);
  while (sem_wait(&gDispatcherUp) != 0) {
  }
}

bool makeTimer(Block* block) noexcept {
  pthread_once(&gDispatcherOnce, &startDispatcher);
  if (gDispatcher.load() == 0) return false;
  sigevent notification{};
  notification.sigev_notify = SIGEV_THREAD_ID;
  notification.sigev_signo = SIGRTMAX;
  notification._sigev_un._tid = gDispatcher.load();
  notification.sigev_value.sival_ptr = idValue(block->mId);
  return timer_create(CLOCK_REALTIME, &notification, &block->mTimer) == 0;
}

#else

bool makeTimer(Block* block) noexcept {
  sigevent notification{};
  notification.sigev_notify = SIGEV_THREAD;
  notification.sigev_value.sival_ptr = idValue(block->mId);
  notification.sigev_notify_function = &tick;
  notification.sigev_notify_attributes = nullptr;
  return timer_create(CLOCK_REALTIME, &notification, &block->mTimer) == 0;
}

#endif

}  // namespace

LLK_DEFINE_CLASS(LLKCTicker, LLK_PROTOCOLS(), init, initWithTarget_selector_object, initWithUid_andPipe,
                 initWithUid, initWithData_andPipe, setPipe, getPipe, enable, cancel, isEnabled)

// ---- Creation ----

LLKCTicker* LLKCTicker::init() noexcept {
  iPrivate = new (std::nothrow) private_t;
  if (iPrivate == nullptr) {
    dealloc();
    return nullptr;
  }
  enlist(iPrivate);
  iPrivate->mTimerMade = makeTimer(iPrivate);
  if (!iPrivate->mTimerMade) {
    dealloc();
    return nullptr;
  }
  return this;
}

LLKCTicker* LLKCTicker::tickerWithTarget_selector_object(LLKBObject* target, LLKSEL selector,
                                                         LLKBObject* object) noexcept {
  return llk::detail::autoreleasedNew(&LLKCTicker::initWithTarget_selector_object, target, selector, object);
}

LLKCTicker* LLKCTicker::initWithTarget_selector_object(LLKBObject* target, LLKSEL selector,
                                                       LLKBObject* object) noexcept {
  if (LLKCTicker::init() == nullptr) return nullptr;
  iPrivate->mTarget = llk::retain(target);
  iPrivate->mSelector = selector;
  iPrivate->mObject = llk::retain(object);
  return this;
}

LLKCTicker* LLKCTicker::tickerWithUid_andPipe(uint32_t uid, LLKCPipe* pipe) noexcept {
  return llk::detail::autoreleasedNew(&LLKCTicker::initWithUid_andPipe, uid, pipe);
}

LLKCTicker* LLKCTicker::initWithUid_andPipe(uint32_t uid, LLKCPipe* pipe) noexcept {
  if (pipe == nullptr) {
    dealloc();
    return nullptr;
  }
  if (initWithUid(uid) == nullptr) return nullptr;
  iPrivate->mPipe = llk::retain(pipe);
  return this;
}

LLKCTicker* LLKCTicker::tickerWithUid(uint32_t uid) noexcept {
  return llk::detail::autoreleasedNew(&LLKCTicker::initWithUid, uid);
}

LLKCTicker* LLKCTicker::initWithUid(uint32_t uid) noexcept {
  if (LLKCTicker::init() == nullptr) return nullptr;
  iPrivate->mUid = uid;
  return this;
}

LLKCTicker* LLKCTicker::tickerWithData_andPipe(LLKCData* data, LLKCPipe* pipe) noexcept {
  return llk::detail::autoreleasedNew(&LLKCTicker::initWithData_andPipe, data, pipe);
}

LLKCTicker* LLKCTicker::initWithData_andPipe(LLKCData* data, LLKCPipe* pipe) noexcept {
  if (data == nullptr || pipe == nullptr) {
    dealloc();
    return nullptr;
  }
  if (LLKCTicker::init() == nullptr) return nullptr;
  iPrivate->mData = llk::retain(data);
  iPrivate->mPipe = llk::retain(pipe);
  return this;
}

LLKCTicker::~LLKCTicker() {
  private_t* d = iPrivate;
  if (d == nullptr) return;
  {
    std::lock_guard<std::recursive_mutex> guard(d->mGuard);
    d->mEnabled.store(false, std::memory_order_relaxed);
    if (d->mTimerMade) timer_delete(d->mTimer);  // disarms it; no expiry is delivered afterwards
    d->mTimerMade = false;
  }
  retire(d);
}

// ---- Configuration ----

void LLKCTicker::setPipe(LLKCPipe* pipe) noexcept {
  private_t* d = iPrivate;
  std::lock_guard<std::recursive_mutex> guard(d->mGuard);
  if (d->mTarget != nullptr) return;
  LLKCPipe* old = d->mPipe;
  d->mPipe = llk::retain(pipe);
  llk::release(old);
}

LLKCPipe* LLKCTicker::getPipe() noexcept {
  private_t* d = iPrivate;
  std::lock_guard<std::recursive_mutex> guard(d->mGuard);
  return d->mPipe;
}

// ---- Arming ----

void LLKCTicker::enable(uint32_t milliseconds) noexcept {
  private_t* d = iPrivate;
  std::lock_guard<std::recursive_mutex> guard(d->mGuard);
  if (d->mTarget == nullptr && d->mPipe == nullptr) return;
  itimerspec period{};
  period.it_value.tv_sec = milliseconds / 1000;
  period.it_value.tv_nsec = static_cast<long>(milliseconds % 1000) * 1000000;
  period.it_interval = period.it_value;
  d->mEnabled.store(timer_settime(d->mTimer, 0, &period, nullptr) == 0, std::memory_order_relaxed);
}

void LLKCTicker::cancel() noexcept {
  private_t* d = iPrivate;
  std::lock_guard<std::recursive_mutex> guard(d->mGuard);
  if (d->mTarget == nullptr && d->mPipe == nullptr) return;
  if (d->mEnabled.load(std::memory_order_relaxed)) {
    const itimerspec disarmed{};
    timer_settime(d->mTimer, 0, &disarmed, nullptr);
    d->mEnabled.store(false, std::memory_order_relaxed);
  }
}

bool LLKCTicker::isEnabled() noexcept {
  private_t* d = iPrivate;
  if (d == nullptr) return false;
  std::lock_guard<std::recursive_mutex> guard(d->mGuard);
  return d->mEnabled.load(std::memory_order_relaxed);
}
