#ifndef TXQ_LLK_THREADS_LLKCTICKER_H
#define TXQ_LLK_THREADS_LLKCTICKER_H
// LLKCTicker: a periodic interval timer whose every expiry writes a fixed message into an LLKCPipe
// (the 4 bytes of a uid in host byte order, or the whole of an LLKCData in one write) or, when no pipe
// is set, performs a selector with one object argument on a target. A loop that owns the pipe reads
// the message back and knows which ticker fired.
//
//   LLKCTicker* ticker = LLKCTicker::tickerWithUid_andPipe(7, pipe);   // autoreleased, disarmed
//   ticker->enable(100);   // first tick 100 ms from now, then every 100 ms: 07 00 00 00 in the pipe
//   ticker->cancel();      // once cancel returns, no tick writes or calls anything
//
// Ticks run on threads that the C library starts for the timer; a target call runs inside an
// autorelease pool of its own. enable(0) disarms the timer but leaves isEnabled YES. A ticker made
// with a target never takes a pipe (setPipe is ignored); one with neither a target nor a pipe ignores
// enable and cancel. The expiry reaches a control block that the ticker shares with the ticks in
// progress, never the ticker itself, so a late expiry after the last release does nothing.
// Ownership: factories autoreleased; init... +1. The pipe, data, target and object are retained
//            until the ticker and every tick in progress are done. getPipe answers a borrowed pipe.
// Threads:   any thread; the target runs on tick threads and may call its own ticker (enable,
//            cancel, setPipe, even the last release) from inside its tick.
// Locks:     the ticker's guard (a recursive lock in its control block) serialises enable, cancel,
//            isEnabled, setPipe, getPipe and each tick's write or target call, so a reconfiguration
//            never races a tick. The list of live control blocks has a leaf lock, held only briefly
//            and never together with the guard. The last release takes the guard, so it waits for a
//            tick in progress: never release the last reference while holding a lock that the target
//            takes in its tick.
// Failure:   init... answer nil, leaving no timer behind, when the timer cannot be made or a required
//            pipe or data is nil. enable leaves isEnabled NO when the timer cannot be armed.

#include <cstdint>

#include <txq/llk/object/LLKBObject.h>

class LLKCData;
class LLKCPipe;

class LLK_EXPORT LLKCTicker : public LLKBObject {
  LLK_OBJECT(LLKCTicker, LLKBObject)

 public:
  struct private_t;  // the control block, defined in LLKCTicker.cpp
  private_t* iPrivate;

  // ---- Creation ----
  // A disarmed timer with nothing to deliver yet.
  LLKCTicker* init() noexcept override;
  // Each tick performs `selector` on the target with `object` (both retained; either may be nil).
  static LLKCTicker* tickerWithTarget_selector_object(LLKBObject* target, LLKSEL selector,
                                                      LLKBObject* object) noexcept;
  LLKCTicker* initWithTarget_selector_object(LLKBObject* target, LLKSEL selector,
                                             LLKBObject* object) noexcept;
  // Each tick writes the 4 bytes of `uid` into the pipe (retained); nil for a nil pipe.
  static LLKCTicker* tickerWithUid_andPipe(uint32_t uid, LLKCPipe* pipe) noexcept;
  LLKCTicker* initWithUid_andPipe(uint32_t uid, LLKCPipe* pipe) noexcept;
  // As above, with the pipe given later by setPipe.
  static LLKCTicker* tickerWithUid(uint32_t uid) noexcept;
  LLKCTicker* initWithUid(uint32_t uid) noexcept;
  // Each tick writes the data's bytes in one write (both retained); nil when either is nil.
  static LLKCTicker* tickerWithData_andPipe(LLKCData* data, LLKCPipe* pipe) noexcept;
  LLKCTicker* initWithData_andPipe(LLKCData* data, LLKCPipe* pipe) noexcept;

  // ---- Configuration ----
  // Replaces the pipe (retained; nil removes it); ignored when the ticker has a target.
  void setPipe(LLKCPipe* pipe) noexcept;
  LLKCPipe* getPipe() noexcept;

  // ---- Arming ----
  // Arms the timer: the first tick `milliseconds` from now, then one every `milliseconds`; again
  // re-arms with the new period. 0 disarms it and leaves isEnabled YES.
  void enable(uint32_t milliseconds) noexcept;
  // Disarms an enabled timer; isEnabled NO.
  void cancel() noexcept;
  bool isEnabled() noexcept;

 protected:
  ~LLKCTicker() override;  // disarms and deletes the timer; waits for a tick in progress on another thread
};

#endif  // TXQ_LLK_THREADS_LLKCTICKER_H
