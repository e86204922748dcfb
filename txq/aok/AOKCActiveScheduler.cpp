#include <txq/aok/AOKCActiveScheduler.h>

#include <vector>

#include <txq/aok/AOKCActiveSchedulerWorker.h>
#include <txq/llk/object/LLKDefine.h>
#include <txq/llk/object/LLKFLog.h>
#include <txq/llk/object/LLKLibrary_p.h>
#include <txq/llk/object/LLKRef.h>

#include "AOKSchedulerInternals_p.h"

using aok::detail::Delivery;
using aok::detail::kNormalLane;
using aok::detail::kSuspendedLane;
using Hustle = AOKCActiveSchedulerHustle;
using Record = AOKCActiveSchedulerRecord;

LLK_DEFINE_CLASS(AOKCActiveScheduler, LLK_PROTOCOLS(), initWithSetup, token, detachAll, allIdentifiers, allAliases,
                 allGroups, allObjects, properties, suspend, restart)

namespace {

constexpr uint8_t kAttachPriority = 255;
constexpr uint8_t kDetachPriority = 254;
constexpr uint8_t kDrainPriority = 253;
constexpr uint8_t kTopUserPriority = 127;

uint8_t userPriority(uint8_t priority) noexcept { return priority > kTopUserPriority ? kTopUserPriority : priority; }

// The elements of any container, in its order (borrowed).
std::vector<LLKBObject*> elementsOf(LLKBObjectContainer* container) {
  std::vector<LLKBObject*> out;
  if (container != nullptr) {
    container->iterateWithFunction_andContext(
        [](LLKBObject* object, void* context) { static_cast<std::vector<LLKBObject*>*>(context)->push_back(object); },
        &out);
  }
  return out;
}

// The affinity of worker `index` of `mask`: round-robin over the bits set (0: no pinning).
uint32_t affinityFor(uint32_t mask, uint32_t index) noexcept {
  if (mask == 0) return 0;
  const int bits = __builtin_popcount(mask);
  int skip = static_cast<int>(index % static_cast<uint32_t>(bits));
  for (uint32_t bit = 0; bit < 32; ++bit) {
    if ((mask & (uint32_t{1} << bit)) == 0) continue;
    if (skip-- == 0) return uint32_t{1} << bit;
  }
  return 0;
}

using Internals = AOKCActiveScheduler::internals_t;

// A hustle on its way to its targets (the caller holds the scheduler lock): send, then finish.
struct Dispatch {
  Internals* d;
  Hustle* hustle;    // +1, released by the destructor
  uint32_t took = 0;  // targets that took the hustle
  ~Dispatch() { llk::release(hustle); }

  // Delivers to the records in a lane, or only to the first of them when `sequential` (the hustle
  // then walks the rest, which it holds as its targets). NO when some were meant to take it and none did.
  bool send(const std::vector<Record*>& records, uint8_t priority, bool sequential, bool async,
            int lane = kNormalLane) noexcept {
    const auto count = static_cast<uint32_t>(records.size());
    const uint32_t tries = sequential ? (count != 0 ? 1 : 0) : count;
    hustle->iSynchronous = !async;
    hustle->iSequential = sequential;
    hustle->iTLength = count;
    uint32_t queued = 0;
    for (uint32_t i = 0; i < tries; ++i) {
      hustle->iPending.fetch_add(1, std::memory_order_relaxed);
      const Delivery delivery = d->offer(records[i], hustle, priority, lane);
      if (delivery == Delivery::kRefused) {
        hustle->iPending.fetch_sub(1, std::memory_order_relaxed);
        continue;
      }
      ++took;
      if (delivery == Delivery::kQueued) ++queued;
    }
    if (!sequential) hustle->iTLength = took;
    d->wakeIdle(queued);
    return tries == 0 || took != 0;
  }

  // Gives up the delivering call's share; waits when synchronous. NO when a wait ended because the
  // scheduler stopped first (or, unless `always`, when it stops meanwhile).
  bool finish(bool always = false) noexcept {
    if (hustle->iPending.fetch_sub(1, std::memory_order_acq_rel) == 1) d->complete(hustle);
    return hustle->iSynchronous ? d->await(hustle, always) : true;
  }

  bool deliver(const std::vector<Record*>& records, uint8_t priority, bool sequential, bool async,
               bool always = false) noexcept {
    return send(records, priority, sequential, async) && finish(always);
  }
};


Record* resolve(Internals* d, LLKBObject* key) noexcept {
  if (key == nullptr) return nullptr;
  auto* record = static_cast<Record*>(d->mAliases->fetchForKey(key));
  return record != nullptr ? record : static_cast<Record*>(d->mRecords->fetchForKey(key));
}

Record* identified(Internals* d, LLKBObject* identifier) noexcept {
  return identifier != nullptr ? static_cast<Record*>(d->mRecords->fetchForKey(identifier)) : nullptr;
}

bool running(Internals* d) noexcept { return d->mRunning.load(std::memory_order_acquire); }

// The attached records not being detached, in attach order.
std::vector<Record*> liveRecords(Internals* d) {
  std::vector<Record*> records;
  for (uint64_t i = 0, n = d->mRecords->count(); i < n; ++i) {
    auto* record = static_cast<Record*>(d->mRecords->fetchAtIndex(i));
    if (!record->detaching()) records.push_back(record);
  }
  return records;
}

// A hustle with room for `count` targets, filled from `records`.
Hustle* hustleFor(const std::vector<Record*>& records, uint32_t type) noexcept {
  Hustle* hustle = Hustle::alloc()->initWithTargets_type(static_cast<uint32_t>(records.size()), type);
  for (uint32_t i = 0; hustle != nullptr && i < records.size(); ++i) hustle->setTarget(i, records[i]);
  return hustle;
}

// Every record: marked detaching and out of the identifiers; one detach for all of them (waits).
void detachEverything(Internals* d, LLKCDictionary* ancillary, bool always) noexcept {
  std::vector<Record*> records;
  for (uint64_t i = 0, n = d->mRecords->count(); i < n; ++i) {
    auto* record = static_cast<Record*>(d->mRecords->fetchAtIndex(i));
    if (record->iDetach.exchange(true, std::memory_order_acq_rel)) continue;
    records.push_back(record);
  }
  Dispatch dispatch{d, hustleFor(records, Hustle::kDetach)};
  if (dispatch.hustle == nullptr) return;
  d->mRecords->clear();  // the hustle holds the records now
  dispatch.hustle->iAncillary = llk::retain(ancillary);
  dispatch.deliver(records, kDetachPriority, false, false, always);
}

}  // namespace

// ---- Life cycle ----

AOKCActiveScheduler* AOKCActiveScheduler::schedulerWithSetup(const AOKTActiveSchedulerSetup* setup) noexcept {
  AOKCActiveScheduler* scheduler = alloc();
  return scheduler != nullptr ? llk::autorelease(scheduler->initWithSetup(setup)) : nullptr;
}

AOKCActiveScheduler* AOKCActiveScheduler::initWithSetup(const AOKTActiveSchedulerSetup* setup) noexcept {
  if (Super::init() == nullptr) return nullptr;
  Internals* d = nullptr;
  if (setup != nullptr && setup->mThreads != 0) d = iInternals = new (std::nothrow) Internals;
  if (d != nullptr) {
    d->mOwner = this;
    d->mSetup = *setup;
    d->mProperties = LLKCDictionary::alloc()->initWithCapacity(8);
    d->mLock = LLKCLock::new_();
    if (d->mLock != nullptr) {
      d->mCondition = LLKCCondition::alloc()->initWithLock(d->mLock);
      d->mDone = LLKCCondition::alloc()->initWithLock(d->mLock);
    }
    d->mRecords = LLKCObjectMap::alloc()->initWithCapacity(32);
    d->mAliases = LLKCObjectMap::alloc()->initWithCapacity(32);
    d->mGroups = LLKCObjectMap::alloc()->initWithCapacity(16);
    d->mDefault = Record::new_();
    d->mToken = LLKBObject::new_();
    d->mWorkers = new (std::nothrow) aok::detail::WorkerSlot[setup->mThreads];
  }
  bool made = d != nullptr && d->mProperties != nullptr && d->mCondition != nullptr && d->mDone != nullptr &&
              d->mRecords != nullptr && d->mAliases != nullptr && d->mGroups != nullptr && d->mDefault != nullptr &&
              d->mToken != nullptr && d->mWorkers != nullptr;
  for (uint32_t i = 0; made && i < d->mSetup.mThreads; ++i) {
    AOKCActiveSchedulerWorker* worker = AOKCActiveSchedulerWorker::alloc()->initWithSetup_internals_andAffinity(
        setup, d, affinityFor(d->mSetup.mCPUMask, i));
    d->mWorkers[i].mWorker = worker;
    if (worker == nullptr) made = false;
  }
  if (!made) {
    dealloc();
    return nullptr;
  }
  uint32_t started = 0;
  {
    llk::LockHold hold(d->mLock);
    for (uint32_t i = 0; i < d->mSetup.mThreads; ++i) {
      AOKCActiveSchedulerWorker* worker = d->mWorkers[i].mWorker;
      worker->iIndex = i;
      if (!worker->start()) continue;
      d->mWorkers[i].mThreadUid = worker->getUid();
      ++started;
    }
    if (started != 0) {
      d->mRunning.store(true, std::memory_order_release);
      for (uint32_t i = 0; i < d->mSetup.mThreads; ++i) {
        while (d->mWorkers[i].mThreadUid != 0 && d->mWorkers[i].mState != 1) d->mCondition->wait();
      }
    }
  }
  if (started == 0) {  // no worker: nothing would ever run
    dealloc();
    return nullptr;
  }
  return this;
}

void AOKCActiveScheduler::dealloc() noexcept {
  Internals* d = iInternals;
  if (d != nullptr && d->mLock != nullptr && d->mDone != nullptr) {
    llk::LockHold hold(d->mLock);
    const bool wasRunning = d->mRunning.exchange(false, std::memory_order_acq_rel);
    d->mDone->broadcast();  // synchronous callers stop waiting
    if (wasRunning) {
      if (d->mSuspended.exchange(false, std::memory_order_acq_rel)) d->flashAll(10);
      detachEverything(d, nullptr, true);
    }
  }
  if (d != nullptr && d->mWorkers != nullptr) {
    for (uint32_t i = 0; i < d->mSetup.mThreads; ++i) {
      AOKCActiveSchedulerWorker* worker = d->mWorkers[i].mWorker;
      if (worker == nullptr) continue;
      if (d->mWorkers[i].mThreadUid != 0) worker->stopAndJoin();
      worker->release();
    }
  }
  Super::dealloc();
}

AOKCActiveScheduler::~AOKCActiveScheduler() { delete iInternals; }

AOKCActiveScheduler* AOKCActiveScheduler::current() noexcept {
  return static_cast<AOKCActiveScheduler*>(LLKFThreadKeyFetch(gLLKLibrary.currentActiveSchedulerKey));
}

LLKBObject* AOKCActiveScheduler::token() noexcept { return iInternals->mToken; }

// ---- Objects and names ----

bool AOKCActiveScheduler::attach_as_withAncillary_async(AOKBActiveObject* object, LLKBObject* identifier,
                                                        LLKCDictionary* ancillary, bool async) noexcept {
  Internals* d = iInternals;
  if (object == nullptr || identifier == nullptr) return false;
  llk::LockHold hold(d->mLock);
  if (!running(d) || d->mRecords->containsKey(identifier)) return false;
  llk::Ref<Record> record = llk::make<Record>(&Record::initWithObject_andIdentifier, object, identifier);
  if (record == nullptr || d->mRecords->store_forKey(record.get(), identifier) != 0) return false;
  Dispatch dispatch{d, hustleFor({record.get()}, Hustle::kAttach)};
  if (dispatch.hustle != nullptr) dispatch.hustle->iAncillary = llk::retain(ancillary);
  if (dispatch.hustle == nullptr || !dispatch.deliver({record.get()}, kAttachPriority, true, async)) {
    if (dispatch.took == 0) {  // never queued: take the record back
      record->iDetach.store(true, std::memory_order_release);
      d->mRecords->removeForKey(identifier);
    }
    return false;
  }
  return true;
}

bool AOKCActiveScheduler::attach_as_withAncillary(AOKBActiveObject* object, LLKBObject* identifier,
                                                  LLKCDictionary* ancillary) noexcept {
  return attach_as_withAncillary_async(object, identifier, ancillary, false);
}

bool AOKCActiveScheduler::attachAll_as_withAncillary_async(LLKBObjectContainer* objects,
                                                           LLKBObjectContainer* identifiers, LLKCDictionary* ancillary,
                                                           bool async) noexcept {
  Internals* d = iInternals;
  const std::vector<LLKBObject*> os = elementsOf(objects);
  const std::vector<LLKBObject*> ids = elementsOf(identifiers);
  if (objects == nullptr || identifiers == nullptr || os.size() != ids.size() || os.empty()) return false;
  llk::LockHold hold(d->mLock);
  if (!running(d)) return false;
  std::vector<Record*> made;
  for (size_t i = 0; i < os.size(); ++i) {
    auto* object = llk::cast<AOKBActiveObject>(os[i]);
    if (object == nullptr || ids[i] == nullptr || d->mRecords->containsKey(ids[i])) continue;
    Record* record = Record::alloc()->initWithObject_andIdentifier(object, ids[i]);
    if (record != nullptr && d->mRecords->store_forKey(record, ids[i]) == 0) made.push_back(record);
    llk::release(record);  // the map holds it
  }
  if (made.empty()) return false;
  Dispatch dispatch{d, hustleFor(made, Hustle::kAttach)};
  if (dispatch.hustle != nullptr) dispatch.hustle->iAncillary = llk::retain(ancillary);
  if (dispatch.hustle == nullptr || !dispatch.deliver(made, kAttachPriority, false, async)) {
    if (dispatch.took == 0) {
      for (Record* record : made) {
        record->iDetach.store(true, std::memory_order_release);
        d->mRecords->removeForKey(record->iMident);
      }
    }
    return false;
  }
  return true;
}

bool AOKCActiveScheduler::detach_withAncillary_async(LLKBObject* identifier, LLKCDictionary* ancillary,
                                                     bool async) noexcept {
  Internals* d = iInternals;
  llk::LockHold hold(d->mLock);
  Record* record = identified(d, identifier);
  if (!running(d) || record == nullptr || record->detaching()) return false;
  Dispatch dispatch{d, hustleFor({record}, Hustle::kDetach)};
  if (dispatch.hustle == nullptr) return false;
  dispatch.hustle->iAncillary = llk::retain(ancillary);
  record->iDetach.store(true, std::memory_order_release);
  if (!dispatch.send({record}, kDetachPriority, true, async)) {
    record->iDetach.store(false, std::memory_order_release);
    return false;
  }
  d->mRecords->removeForKey(identifier);  // the hustle holds the record
  return dispatch.finish();
}

bool AOKCActiveScheduler::detach_withAncillary(LLKBObject* identifier, LLKCDictionary* ancillary) noexcept {
  return detach_withAncillary_async(identifier, ancillary, false);
}

bool AOKCActiveScheduler::detachAll_withAncillary_async(LLKBObjectContainer* identifiers, LLKCDictionary* ancillary,
                                                        bool async) noexcept {
  Internals* d = iInternals;
  if (identifiers == nullptr) return false;
  const std::vector<LLKBObject*> ids = elementsOf(identifiers);
  if (ids.empty()) return true;
  llk::LockHold hold(d->mLock);
  if (!running(d)) return false;
  std::vector<Record*> records;
  for (LLKBObject* identifier : ids) {
    Record* record = identified(d, identifier);
    if (record == nullptr || record->iDetach.exchange(true, std::memory_order_acq_rel)) continue;
    records.push_back(record);
  }
  if (records.empty()) return false;
  Dispatch dispatch{d, hustleFor(records, Hustle::kDetach)};
  if (dispatch.hustle == nullptr) {
    for (Record* record : records) record->iDetach.store(false, std::memory_order_release);
    return false;
  }
  dispatch.hustle->iAncillary = llk::retain(ancillary);
  for (Record* record : records) d->mRecords->removeForKey(record->iMident);  // the hustle holds them
  return dispatch.deliver(records, kDetachPriority, false, async);
}

void AOKCActiveScheduler::detachAllWithAncillary(LLKCDictionary* ancillary) noexcept {
  llk::LockHold hold(iInternals->mLock);
  detachEverything(iInternals, ancillary, false);
}

void AOKCActiveScheduler::detachAll() noexcept { detachAllWithAncillary(nullptr); }

bool AOKCActiveScheduler::alias_to(LLKBObject* alias, LLKBObject* identifier) noexcept {
  Internals* d = iInternals;
  if (alias == nullptr) return false;
  llk::LockHold hold(d->mLock);
  Record* record = identified(d, identifier);
  if (!running(d) || record == nullptr || record->detaching()) return false;
  if (d->mAliases->containsKey(alias)) return false;
  if (record->iIdents == nullptr && (record->iIdents = LLKCKeyring::alloc()->initWithCapacity(4)) == nullptr)
    return false;
  const bool added = !record->iIdents->contains(alias);
  if (added && record->iIdents->store(alias) != 0) return false;
  if (d->mAliases->store_forKey(record, alias) == 0) return true;
  if (added) record->iIdents->remove(alias);
  if (record->iIdents->count() == 0) {
    record->iIdents->release();
    record->iIdents = nullptr;
  }
  return false;
}

bool AOKCActiveScheduler::unalias(LLKBObject* alias) noexcept {
  Internals* d = iInternals;
  llk::LockHold hold(d->mLock);
  auto* record = static_cast<Record*>(alias != nullptr ? d->mAliases->fetchForKey(alias) : nullptr);
  if (record == nullptr) return false;
  llk::Ref<LLKBObject> keep{alias};  // the keyring may hold the last reference
  if (record->iIdents != nullptr) {
    record->iIdents->remove(alias);
    if (record->iIdents->count() == 0) {
      record->iIdents->release();
      record->iIdents = nullptr;
    }
  }
  d->mAliases->removeForKey(alias);
  return true;
}

LLKBObject* AOKCActiveScheduler::dealias(LLKBObject* alias) noexcept {
  llk::LockHold hold(iInternals->mLock);
  auto* record = static_cast<Record*>(alias != nullptr ? iInternals->mAliases->fetchForKey(alias) : nullptr);
  return record != nullptr ? llk::autorelease(llk::retain(record->iMident)) : nullptr;
}

bool AOKCActiveScheduler::knows(LLKBObject* key) noexcept {
  llk::LockHold hold(iInternals->mLock);
  return resolve(iInternals, key) != nullptr;
}

AOKBActiveObject* AOKCActiveScheduler::locate(LLKBObject* key) noexcept {
  llk::LockHold hold(iInternals->mLock);
  Record* record = resolve(iInternals, key);
  return record != nullptr ? llk::autorelease(llk::retain(record->iObject)) : nullptr;
}

namespace {

bool joinOne(Internals* d, LLKBObject* key, LLKBObject* group) noexcept {
  Record* record = resolve(d, key);
  if (record == nullptr || record->detaching() || record->iGroups->contains(group)) return false;
  auto* members = static_cast<LLKCObjectDeque*>(d->mGroups->fetchForKey(group));
  if (members == nullptr) {
    members = LLKCObjectDeque::dequeWithCapacity(8);
    if (members == nullptr || d->mGroups->store_forKey(members, group) != 0) return false;
  }
  if (members->append(record) == 0) {
    if (record->iGroups->store(group) == 0) return true;
    members->remove(record);
  }
  if (members->count() == 0) d->mGroups->removeForKey(group);
  return false;
}

bool dropOne(Internals* d, LLKBObject* key, LLKBObject* group) noexcept {
  Record* record = resolve(d, key);
  if (record == nullptr || !record->iGroups->contains(group)) return false;
  llk::Ref<LLKBObject> keep{group};
  record->iGroups->remove(group);
  llk::send(static_cast<LLKCObjectDeque*>(d->mGroups->fetchForKey(group)), &LLKCObjectDeque::remove,
            static_cast<LLKBObject*>(record));
  return true;
}

}  // namespace

bool AOKCActiveScheduler::join_into(LLKBObject* key, LLKBObject* group) noexcept {
  if (group == nullptr) return false;
  llk::LockHold hold(iInternals->mLock);
  return running(iInternals) && joinOne(iInternals, key, group);
}

bool AOKCActiveScheduler::joinAll_into(LLKBObjectContainer* keys, LLKBObject* group) noexcept {
  if (group == nullptr) return false;
  bool any = false;
  llk::LockHold hold(iInternals->mLock);
  for (LLKBObject* key : elementsOf(keys)) {
    if (!running(iInternals)) break;
    any = joinOne(iInternals, key, group) || any;
  }
  return any;
}

bool AOKCActiveScheduler::drop_from(LLKBObject* key, LLKBObject* group) noexcept {
  if (group == nullptr) return false;
  llk::LockHold hold(iInternals->mLock);
  return dropOne(iInternals, key, group);
}

bool AOKCActiveScheduler::dropAll_from(LLKBObjectContainer* keys, LLKBObject* group) noexcept {
  const std::vector<LLKBObject*> all = elementsOf(keys);
  if (group == nullptr || all.empty()) return false;
  llk::LockHold hold(iInternals->mLock);
  if (!iInternals->mGroups->containsKey(group)) return false;
  for (LLKBObject* key : all) dropOne(iInternals, key, group);
  return true;
}

bool AOKCActiveScheduler::drain(LLKBObject* key) noexcept {
  Internals* d = iInternals;
  llk::LockHold hold(d->mLock);
  Record* record = resolve(d, key);
  if (!running(d) || record == nullptr) return false;
  if (record->detaching()) return true;
  Dispatch dispatch{d, hustleFor({record}, Hustle::kDrain)};
  return dispatch.hustle != nullptr && dispatch.deliver({record}, kDrainPriority, true, true);
}

LLKCObjectDeque* AOKCActiveScheduler::allIdentifiers() noexcept {
  llk::LockHold hold(iInternals->mLock);
  return iInternals->mRecords->allKeys();
}

LLKCObjectDeque* AOKCActiveScheduler::allAliases() noexcept {
  llk::LockHold hold(iInternals->mLock);
  return iInternals->mAliases->allKeys();
}

LLKCObjectDeque* AOKCActiveScheduler::allGroups() noexcept {
  llk::LockHold hold(iInternals->mLock);
  return iInternals->mGroups->allKeys();
}

LLKCObjectDeque* AOKCActiveScheduler::allObjects() noexcept {
  Internals* d = iInternals;
  llk::LockHold hold(d->mLock);
  LLKCObjectDeque* objects = LLKCObjectDeque::dequeWithCapacity(d->mRecords->count());
  if (objects == nullptr) return nullptr;
  for (uint64_t i = 0, n = d->mRecords->count(); i < n; ++i) {
    auto* record = static_cast<Record*>(d->mRecords->fetchAtIndex(i));
    if (!record->detaching()) objects->append(record->iObject);
  }
  objects->compact();
  return objects;
}

LLKCDictionary* AOKCActiveScheduler::properties() noexcept { return iInternals->mProperties; }

void AOKCActiveScheduler::stats(AOKTActiveSchedulerStats* stats) noexcept {
  if (stats == nullptr) return;
  llk::LockHold hold(iInternals->mLock);
  stats->mRecords = static_cast<uint32_t>(iInternals->mRecords->count());
  stats->mCounters[0] = iInternals->mCounters[0];
  stats->mCounters[1] = iInternals->mCounters[1];
}

void AOKCActiveScheduler::restrictSchedulingPriority(uint8_t floor) noexcept {
  Internals* d = iInternals;
  llk::LockHold hold(d->mLock);
  d->mFloor.store(userPriority(floor), std::memory_order_release);
  d->wakeIdle(d->mSetup.mThreads);  // records now eligible
}

// ---- Scheduling ----

namespace {

// What a scheduling call hands its targets.
struct Work {
  uint32_t type;
  LLKTCode code;
  LLKSEL selector;
  AOKTActiveFunction function;
  LLKBObject* argument;
  LLKCDictionary* ancillary;
  LLKBObject* group;

  // Sequential work keeps its targets; other work reaches them through their queues only.
  Hustle* hustleFor(const std::vector<Record*>& records, bool sequential) const noexcept {
    Hustle* hustle = ::hustleFor(sequential ? records : std::vector<Record*>{}, type);
    if (hustle == nullptr) return nullptr;
    hustle->iCode = code;
    hustle->iSelector = selector;
    hustle->iFunction = function;
    hustle->iArgument = llk::retain(argument);
    hustle->iAncillary = llk::retain(ancillary);
    hustle->iMident = llk::retain(group);
    return hustle;
  }
};

// One delivery per record, or one after another (sequential); the caller holds the lock and has
// checked that the scheduler runs.
bool scheduleTo(Internals* d, const Work& work, const std::vector<Record*>& records, bool sequential, bool async,
                uint8_t priority) noexcept {
  Dispatch dispatch{d, work.hustleFor(records, sequential)};
  return dispatch.hustle != nullptr && dispatch.deliver(records, priority, sequential, async);
}

bool scheduleOne(Internals* d, LLKBObject* key, const Work& work, bool async, uint8_t priority) noexcept {
  llk::LockHold hold(d->mLock);
  Record* record = resolve(d, key);
  if (!running(d) || record == nullptr || record->detaching()) return false;
  return scheduleTo(d, work, {record}, false, async, userPriority(priority));
}

bool scheduleEvery(Internals* d, const Work& work, bool async, uint8_t priority) noexcept {
  llk::LockHold hold(d->mLock);
  if (!running(d)) return false;
  return scheduleTo(d, work, liveRecords(d), false, async, userPriority(priority));
}

// The members of a group not being detached, in turn order; the group turns by one. Empty when the
// group is unknown or has no such member.
std::vector<Record*> membersOf(Internals* d, LLKBObject* group) {
  std::vector<Record*> records;
  auto* members = static_cast<LLKCObjectDeque*>(group != nullptr ? d->mGroups->fetchForKey(group) : nullptr);
  if (members == nullptr) return records;
  for (uint64_t i = 0, n = members->count(); i < n; ++i) {
    auto* record = static_cast<Record*>(members->fetchAtIndex(i));
    if (!record->detaching()) records.push_back(record);
  }
  members->rotateBy(1);
  return records;
}

bool coalesceTo(Internals* d, LLKBObject* group, const Work& work, bool sequentially, bool async,
                uint8_t priority) noexcept {
  llk::LockHold hold(d->mLock);
  if (!running(d)) return false;
  std::vector<Record*> records = membersOf(d, group);
  if (records.empty()) {
    // No member: a sequential function still runs once, on the default record.
    if (!sequentially || work.function == nullptr) return false;
    records.push_back(d->mDefault);
  }
  return scheduleTo(d, work, records, sequentially, async, userPriority(priority));
}

bool sprinkleTo(Internals* d, LLKBObject* group, const Work& work, bool async, uint8_t priority) noexcept {
  llk::LockHold hold(d->mLock);
  if (!running(d)) return false;
  auto* members = static_cast<LLKCObjectDeque*>(group != nullptr ? d->mGroups->fetchForKey(group) : nullptr);
  // The next member in turn, passing over members being detached.
  for (uint64_t tries = llk::send(members, &LLKCObjectDeque::count); tries != 0; --tries) {
    auto* record = static_cast<Record*>(members->head());
    members->rotateBy(1);
    if (!record->detaching()) return scheduleTo(d, work, {record}, false, async, userPriority(priority));
  }
  return false;
}

Work codeWork(uint32_t type, LLKTCode code, LLKBObject* argument, LLKCDictionary* ancillary,
              LLKBObject* group = nullptr) noexcept {
  return Work{type, code, nullptr, nullptr, argument, ancillary, group};
}

Work selectorWork(uint32_t type, LLKSEL selector, LLKBObject* argument, LLKBObject* group = nullptr) noexcept {
  return Work{type, LLKTCode{}, selector, nullptr, argument, nullptr, group};
}

Work functionWork(uint32_t type, LLKTCode code, AOKTActiveFunction function, LLKBObject* argument,
                  LLKCDictionary* ancillary, LLKBObject* group = nullptr) noexcept {
  return Work{type, code, nullptr, function, argument, ancillary, group};
}

}  // namespace

bool AOKCActiveScheduler::schedule_withCode_argument_andAncillary_async_priority(
    LLKBObject* key, LLKTCode code, LLKBObject* argument, LLKCDictionary* ancillary, bool async,
    uint8_t priority) noexcept {
  return scheduleOne(iInternals, key, codeWork(Hustle::kWork, code, argument, ancillary), async, priority);
}

bool AOKCActiveScheduler::schedule_withCode_argument_andAncillary_async(LLKBObject* key, LLKTCode code,
                                                                        LLKBObject* argument,
                                                                        LLKCDictionary* ancillary, bool async) noexcept {
  return schedule_withCode_argument_andAncillary_async_priority(key, code, argument, ancillary, async, 0);
}

bool AOKCActiveScheduler::schedule_withSelector_argument_async_priority(LLKBObject* key, LLKSEL selector,
                                                                        LLKBObject* argument, bool async,
                                                                        uint8_t priority) noexcept {
  if (selector == nullptr) return false;
  return scheduleOne(iInternals, key, selectorWork(Hustle::kWork, selector, argument), async, priority);
}

bool AOKCActiveScheduler::schedule_withSelector_argument_async(LLKBObject* key, LLKSEL selector, LLKBObject* argument,
                                                               bool async) noexcept {
  return schedule_withSelector_argument_async_priority(key, selector, argument, async, 0);
}

bool AOKCActiveScheduler::schedule_withCode_function_argument_async_priority(LLKBObject* key, LLKTCode code,
                                                                            AOKTActiveFunction function,
                                                                            LLKBObject* argument, bool async,
                                                                            uint8_t priority) noexcept {
  if (function == nullptr) return false;
  return scheduleOne(iInternals, key, functionWork(Hustle::kWork, code, function, argument, nullptr), async, priority);
}

bool AOKCActiveScheduler::schedule_withCode_function_argument_async(LLKBObject* key, LLKTCode code,
                                                                   AOKTActiveFunction function, LLKBObject* argument,
                                                                   bool async) noexcept {
  return schedule_withCode_function_argument_async_priority(key, code, function, argument, async, 0);
}

bool AOKCActiveScheduler::scheduleAllWithCode_argument_andAncillary_async_priority(LLKTCode code,
                                                                                  LLKBObject* argument,
                                                                                  LLKCDictionary* ancillary,
                                                                                  bool async,
                                                                                  uint8_t priority) noexcept {
  Internals* d = iInternals;
  llk::LockHold hold(d->mLock);
  if (!running(d)) return false;
  const std::vector<Record*> records = liveRecords(d);
  Dispatch dispatch{d, codeWork(Hustle::kWork, code, argument, ancillary).hustleFor({}, false)};
  if (dispatch.hustle == nullptr) return false;
  // While suspended, the broadcast goes into each record's second lane, which workers still run.
  const int lane = d->mSuspended.load(std::memory_order_acquire) ? kSuspendedLane : kNormalLane;
  if (!dispatch.send(records, userPriority(priority), false, async, lane)) return false;
  return dispatch.finish() && dispatch.took == records.size();
}

bool AOKCActiveScheduler::scheduleAllWithCode_argument_andAncillary_async(LLKTCode code, LLKBObject* argument,
                                                                         LLKCDictionary* ancillary,
                                                                         bool async) noexcept {
  return scheduleAllWithCode_argument_andAncillary_async_priority(code, argument, ancillary, async, 0);
}

bool AOKCActiveScheduler::scheduleAllWithSelector_argument_async_priority(LLKSEL selector, LLKBObject* argument,
                                                                         bool async, uint8_t priority) noexcept {
  if (selector == nullptr) return false;
  return scheduleEvery(iInternals, selectorWork(Hustle::kWork, selector, argument), async, priority);
}

bool AOKCActiveScheduler::scheduleAllWithSelector_argument_async(LLKSEL selector, LLKBObject* argument,
                                                                bool async) noexcept {
  return scheduleAllWithSelector_argument_async_priority(selector, argument, async, 0);
}

bool AOKCActiveScheduler::scheduleAllWithCode_function_argument_async_priority(LLKTCode code,
                                                                              AOKTActiveFunction function,
                                                                              LLKBObject* argument, bool async,
                                                                              uint8_t priority) noexcept {
  if (function == nullptr) return false;
  return scheduleEvery(iInternals, functionWork(Hustle::kWork, code, function, argument, nullptr), async, priority);
}

bool AOKCActiveScheduler::scheduleAllWithCode_function_argument_async(LLKTCode code, AOKTActiveFunction function,
                                                                     LLKBObject* argument, bool async) noexcept {
  return scheduleAllWithCode_function_argument_async_priority(code, function, argument, async, 0);
}

// ---- Work for a group ----

bool AOKCActiveScheduler::coalesce_withCode_argument_andAncillary_sequentially_async_priority(
    LLKBObject* group, LLKTCode code, LLKBObject* argument, LLKCDictionary* ancillary, bool sequentially, bool async,
    uint8_t priority) noexcept {
  return coalesceTo(iInternals, group, codeWork(Hustle::kGroupWork, code, argument, ancillary, group), sequentially,
                    async, priority);
}

bool AOKCActiveScheduler::coalesce_withCode_argument_andAncillary_sequentially_async(
    LLKBObject* group, LLKTCode code, LLKBObject* argument, LLKCDictionary* ancillary, bool sequentially,
    bool async) noexcept {
  return coalesce_withCode_argument_andAncillary_sequentially_async_priority(group, code, argument, ancillary,
                                                                             sequentially, async, 0);
}

bool AOKCActiveScheduler::coalesce_withSelector_argument_sequentially_async_priority(
    LLKBObject* group, LLKSEL selector, LLKBObject* argument, bool sequentially, bool async,
    uint8_t priority) noexcept {
  if (selector == nullptr) return false;
  return coalesceTo(iInternals, group, selectorWork(Hustle::kGroupWork, selector, argument, group), sequentially,
                    async, priority);
}

bool AOKCActiveScheduler::coalesce_withSelector_argument_sequentially_async(LLKBObject* group, LLKSEL selector,
                                                                           LLKBObject* argument, bool sequentially,
                                                                           bool async) noexcept {
  return coalesce_withSelector_argument_sequentially_async_priority(group, selector, argument, sequentially, async, 0);
}

bool AOKCActiveScheduler::coalesce_withFunction_argument_sequentially_async_priority(
    LLKBObject* group, AOKTActiveFunction function, LLKBObject* argument, bool sequentially, bool async,
    uint8_t priority) noexcept {
  if (function == nullptr) return false;
  return coalesceTo(iInternals, group, functionWork(Hustle::kGroupWork, LLKTCode{}, function, argument, nullptr, group),
                    sequentially, async, priority);
}

bool AOKCActiveScheduler::coalesce_withFunction_argument_sequentially_async(LLKBObject* group,
                                                                           AOKTActiveFunction function,
                                                                           LLKBObject* argument, bool sequentially,
                                                                           bool async) noexcept {
  return coalesce_withFunction_argument_sequentially_async_priority(group, function, argument, sequentially, async, 0);
}

bool AOKCActiveScheduler::coalesce_withFunction_argument_andAncillary_sequentially_async(
    LLKBObject* group, AOKTActiveFunction function, LLKBObject* argument, LLKCDictionary* ancillary,
    bool sequentially, bool async) noexcept {
  if (function == nullptr) return false;
  return coalesceTo(iInternals, group,
                    functionWork(Hustle::kGroupWork, LLKTCode{}, function, argument, ancillary, group), sequentially,
                    async, 0);
}

bool AOKCActiveScheduler::sprinkle_withFunction_argument_async_priority(LLKBObject* group,
                                                                       AOKTActiveFunction function,
                                                                       LLKBObject* argument, bool async,
                                                                       uint8_t priority) noexcept {
  if (function == nullptr) return false;
  return sprinkleTo(iInternals, group,
                    functionWork(Hustle::kGroupWork, LLKTCode{}, function, argument, nullptr, group), async, priority);
}

bool AOKCActiveScheduler::sprinkle_withFunction_argument_async(LLKBObject* group, AOKTActiveFunction function,
                                                              LLKBObject* argument, bool async) noexcept {
  return sprinkle_withFunction_argument_async_priority(group, function, argument, async, 0);
}

bool AOKCActiveScheduler::sprinkle_withFunction_argument_andAncillary_sequentially_async(
    LLKBObject* group, AOKTActiveFunction function, LLKBObject* argument, LLKCDictionary* ancillary,
    bool sequentially, bool async) noexcept {
  (void)sequentially;
  if (function == nullptr) return false;
  return sprinkleTo(iInternals, group,
                    functionWork(Hustle::kGroupWork, LLKTCode{}, function, argument, ancillary, group), async, 0);
}

// ---- Kept for old callers ----

bool AOKCActiveScheduler::schedule_withCode_argument_andAncillary_async_priority_after(
    LLKBObject*, LLKTCode, LLKBObject*, LLKCDictionary*, bool, uint8_t, uint32_t) noexcept {
  LLKFLog("<!> deprecated call to "
          "AOKCActiveScheduler-schedule:withCode:argument:andAcillary:async:priority:after:");
  return false;
}

bool AOKCActiveScheduler::schedule_withSelector_argument_async_priority_after(LLKBObject*, LLKSEL, LLKBObject*, bool,
                                                                              uint8_t, uint32_t) noexcept {
  LLKFLog("<!> deprecated call to AOKCActiveScheduler-schedule:withSelector:argument:andAcillary:async:after:");
  return false;
}

bool AOKCActiveScheduler::schedule_withCode_function_argument_async_priority_after(LLKBObject*, LLKTCode,
                                                                                  AOKTActiveFunction, LLKBObject*,
                                                                                  bool, uint8_t, uint32_t) noexcept {
  LLKFLog("<!> deprecated call to AOKCActiveScheduler-schedule:withCode:function:argument:andAcillary:async:after:");
  return false;
}

bool AOKCActiveScheduler::coalesce_withCode_argument_andAncillary_sequentially_async_priority_after(
    LLKBObject*, LLKTCode, LLKBObject*, LLKCDictionary*, bool, bool, uint8_t, uint32_t) noexcept {
  LLKFLog("<!> deprecated call to "
          "AOKCActiveScheduler-coalesce:withCode:argument:andAcillary:sequentially:async:priority:after: cannot be "
          "called synchronously from an active object");
  return false;
}

bool AOKCActiveScheduler::coalesce_withSelector_argument_sequentially_async_priority_after(
    LLKBObject*, LLKSEL, LLKBObject*, bool, bool, uint8_t, uint32_t) noexcept {
  LLKFLog("<!> deprecated call to "
          "AOKCActiveScheduler-coalesce:withSelector:argument:sequentially:async:priority:after: cannot be called "
          "synchronously from an active object");
  return false;
}

bool AOKCActiveScheduler::coalesce_withFunction_argument_sequentially_async_priority_after(
    LLKBObject*, AOKTActiveFunction, LLKBObject*, bool, bool, uint8_t, uint32_t) noexcept {
  LLKFLog("AOKCActiveScheduler-coalesce:withFunction:argument:sequentially:async:priority:after: cannot be called "
          "synchronously from an active object");
  return false;
}

// ---- Suspension ----

namespace {

// Caller holds the scheduler lock.
bool allWorkersIn(Internals* d, uint32_t state) noexcept {
  for (uint32_t i = 0; i < d->mSetup.mThreads; ++i)
    if (d->mWorkers[i].mThreadUid != 0 && d->mWorkers[i].mState != state) return false;
  return true;
}

void waitForAll(Internals* d, uint32_t state) noexcept {
  while (!allWorkersIn(d, state) && running(d)) d->mCondition->wait();
}

}  // namespace

bool AOKCActiveScheduler::suspend() noexcept {
  Internals* d = iInternals;
  if (d->onWorkerThread()) return false;  // a worker would wait for itself
  llk::LockHold hold(d->mLock);
  if (!running(d)) return false;
  if (d->mSuspended.load(std::memory_order_acquire)) return true;
  d->mSuspended.store(true, std::memory_order_release);
  d->flashAll(10);
  waitForAll(d, 2);
  return true;
}

bool AOKCActiveScheduler::suspendWithTimeout(uint32_t milliseconds) noexcept {
  Internals* d = iInternals;
  if (d->onWorkerThread()) return false;
  llk::LockHold hold(d->mLock);
  if (!running(d)) return false;
  if (d->mSuspended.load(std::memory_order_acquire)) return true;
  d->mSuspended.store(true, std::memory_order_release);
  d->flashAll(10);
  uint32_t left = milliseconds;
  bool acknowledged = allWorkersIn(d, 2);
  while (!acknowledged && running(d) && left != 0) {
    d->mCondition->waitWithTimeout_reminder(left, &left);
    acknowledged = allWorkersIn(d, 2);
  }
  if (acknowledged) return true;
  d->mSuspended.store(false, std::memory_order_release);  // too late: back to running
  d->flashAll(10);
  waitForAll(d, 1);
  return false;
}

void AOKCActiveScheduler::restart() noexcept {
  Internals* d = iInternals;
  if (d->onWorkerThread()) return;
  llk::LockHold hold(d->mLock);
  if (!d->mSuspended.load(std::memory_order_acquire)) return;
  d->mSuspended.store(false, std::memory_order_release);
  d->flashAll(10);
  waitForAll(d, 1);
}
