// A tour of what TXQ offers so far: objects and their classes, calls by selector, autorelease
// pools, the log in its three time modes, strings, literal strings and builders, value objects,
// collections, coding object graphs into bytes and dictionaries into text files, and threads that
// talk through pipes, a waiter and a ticker, and a pool of worker threads.
#include <unistd.h>

#include <atomic>
#include <cstdio>
#include <cstdlib>
#include <thread>

#include <txq/TXQ.h>

// A class of our own: a counter that can be driven by selector.
class Counter : public LLKBObject {
  LLK_OBJECT(Counter, LLKBObject)

 public:
  int64_t iValue;

  static Counter* counterStartingAt(int64_t value) noexcept {
    Counter* counter = alloc();
    return counter != nullptr ? llk::autorelease(counter->initWithValue(value)) : nullptr;
  }
  Counter* initWithValue(int64_t value) noexcept {
    init();
    iValue = value;
    return this;
  }
  LLKBObject* increment() noexcept {
    ++iValue;
    return this;
  }
  LLKBObject* addCounter(Counter* other) noexcept {
    if (other != nullptr) iValue += other->iValue;
    return this;
  }
  LLKCString* toString() noexcept override { return LLKCString::stringWithFormat("Counter(%lld)", static_cast<long long>(iValue)); }
};
LLK_DEFINE_CLASS(Counter, LLK_PROTOCOLS(), increment, addCounter, toString)
// A producer thread: posts messages into a locked deque and wakes the consumer through a pipe.
class Producer : public LLKBThread {
  LLK_OBJECT(Producer, LLKBThread)

 public:
  LLKCObjectDeque* iMailbox;  // guarded by the thread's own lock
  LLKCPipe* iWake;
  uint32_t iCount;

  void main() noexcept override {
    for (uint32_t i = 1; i <= iCount && !shouldStop(); ++i) {
      LLKCMessage* message =
          LLKCMessage::messageWithCode_andPayload(LLKTCode{1, i, 0}, LLKCString::stringWithFormat("message %u", i));
      lock();
      iMailbox->append(message);
      unlock();
      const uint8_t wake = 1;
      iWake->send_bytesFrom(1, &wake);
      LLKFSnoozeMS(30);
    }
  }

 protected:
  ~Producer() override {
    llk::release(iMailbox);
    llk::release(iWake);
  }
};
LLK_DEFINE_CLASS(Producer, LLK_PROTOCOLS())

// A worker of a small pool: each flash is a job (a number to add up); a nudge reports.
class Adder : public LLKBWorker {
  LLK_OBJECT(Adder, LLKBWorker)

 public:
  std::atomic<uint64_t> iSum;
  std::atomic<uint32_t> iJobs;

  void onFlashed_at(uint32_t job, int64_t) noexcept override {
    iSum += job;
    ++iJobs;
  }
};
LLK_DEFINE_CLASS(Adder, LLK_PROTOCOLS())
// An active object: a bank account whose hooks run one at a time on the scheduler's workers, so its
// state needs no lock. Code words: mUid = amount, mTag = 1 deposit, 2 interest (per mille).
class Account : public AOKBActiveObject {
  LLK_OBJECT(Account, AOKBActiveObject)

 public:
  void onScheduledBy_as_withCode_argument_andAncillary(AOKCActiveScheduler*, LLKBObject*, LLKTCode code, LLKBObject*,
                                                       LLKCDictionary*) noexcept override {
    if (code.mTag != 1) return;  // anything else: a no-op that proves earlier work has run
    iBalance += code.mUid;
    ++iDeposits;
  }
  void onScheduledBy_as_withCode_argument_andAncillary_in(AOKCActiveScheduler*, LLKBObject*, LLKTCode code,
                                                          LLKBObject*, LLKCDictionary*, LLKBObject*) noexcept override {
    iBalance += iBalance * code.mUid / 1000;
    ++iInterests;
  }
  uint64_t iBalance;
  uint32_t iDeposits;
  uint32_t iInterests;
};
LLK_DEFINE_CLASS(Account, LLK_PROTOCOLS())
LLK_MODULE_CLASSES()

namespace {

void section(const char* title) { std::printf("\n== %s ==\n", title); }

void objects() {
  section("Objects and classes");
  Counter* counter = Counter::counterStartingAt(40);
  std::printf("%s is a %s, retain count %u\n", counter->description()->chars(), counter->className(),
              counter->retainCount());
  counter->performSelector(LLK_SEL("increment"));
  counter->performSelector_withObject(LLK_SEL("addCounter:"), Counter::counterStartingAt(1));
  std::printf("after two calls by selector: %s\n", counter->toChars());
  std::printf("responds to increment: %s, to fly: %s\n", counter->respondsToSelector(LLK_SEL("increment")) ? "yes" : "no",
              counter->respondsToSelector(LLK_SEL("fly")) ? "yes" : "no");
  const LLKClass* found = LLKClassFromName("Counter");
  std::printf("found by name: %s, superclass %s\n", found->className(), found->superclass()->className());
  std::printf("LLKCString conforms to LLKPComparable (through LLKPKeyable): %s\n",
              LLKCString::classObject()->conformsToProtocol(&LLKPComparable::kProtocol) ? "yes" : "no");
}

void pools() {
  section("Autorelease pools");
  LLKCAutoreleasePool* pool = LLKCAutoreleasePool::new_();
  int64_t before = LLKFLiveObjectCount();
  for (int i = 0; i < 100; ++i) Counter::counterStartingAt(i);
  std::printf("100 counters made: %lld waiting in the pool, %lld more live objects\n",
              static_cast<long long>(pool->count()), static_cast<long long>(LLKFLiveObjectCount() - before));
  pool->sink();
  std::printf("after draining: %lld waiting, %lld more live objects\n", static_cast<long long>(pool->count()),
              static_cast<long long>(LLKFLiveObjectCount() - before));
  pool->release();
}

void logModes() {
  section("The log in its time modes");
  const char* names[] = {"local date and time", "seconds since load", "text alone"};
  for (uint32_t mode = 0; mode < 3; ++mode) {
    LLKFLogSetTimeMode(mode);
    LLKFLog("mode %u: %s", mode, names[mode]);
  }
  LLKFLogSetTimeMode(1);
}

void strings() {
  section("Strings and builders");
  LLKCString* path = LLKCString::stringWithChars("/usr/local/lib//");
  std::printf("trimTail(\"/\") of \"%s\": \"%s\"\n", path->chars(), path->trimTail("/")->chars());
  LLKCString* csv = "alpha,,beta,gamma"_llk;
  uint64_t at = 0;
  std::printf("tokens of \"%s\":", csv->chars());
  for (LLKCString* token = csv->tokenizeWithDelimiters_offset(","_llk, &at); token != nullptr;
       token = csv->tokenizeWithDelimiters_offset(","_llk, &at)) {
    std::printf(" [%s]", token->chars());
  }
  std::printf("\n");
  LLKCString* quoted = LLKCString::stringWithChars("tab\there \"quoted\"");
  std::printf("toLiteral: %s\n", quoted->toLiteral()->chars());
  std::printf("hash of \"abc\": 0x%08x (the same for \"abc\"_llk: 0x%08x)\n",
              LLKCString::stringWithChars("abc")->hashCode(), "abc"_llk->hashCode());
  LLKCStringBuilder* builder = LLKCStringBuilder::builderWithCapacity(0);
  builder->appendWithFormat("%d counters", 3);
  builder->appendWithConcat(" and "_llk, LLKCString::stringWithChars("a literal"));
  builder->appendWithChars(", then ");
  builder->appendWithObject(Counter::counterStartingAt(7));
  std::printf("builder: \"%s\" (length %llu, capacity %llu: growth is exact)\n", builder->toString()->chars(),
              static_cast<unsigned long long>(builder->length()), static_cast<unsigned long long>(builder->capacity()));
}

void values() {
  section("Value objects");
  LLKCNumber* numbers[] = {LLKCNumber::numberWithBool(true), LLKCNumber::numberWithSint(-12),
                           LLKCNumber::numberWithUint(UINT64_MAX), LLKCNumber::numberWithReal(3.0),
                           LLKCNumber::numberWithReal(2.75)};
  std::printf("numbers:");
  for (LLKCNumber* number : numbers) std::printf(" %s", number->toChars());
  std::printf("\n-1 (signed) compared with %s (unsigned): %d\n", numbers[2]->toChars(),
              LLKCNumber::numberWithSint(-1)->compareTo(numbers[2]));
  LLKCGuid* guid = LLKCGuid::guid();
  LLKCGuid* back = LLKCGuid::guidFromString(guid->toString());
  std::printf("a GUID: %s, parsed back %s\n", guid->toChars(), back != nullptr && back->compareTo(guid) == 0 ? "equal" : "DIFFERENT");
  std::printf("a code: %s\n", LLKCCode::codeWithData(LLKTCode{1, 2, 255})->toChars());
  LLKCData* data = LLKCData::dataWithBytes_length("any bytes \x01\x02\xff", 13);
  std::printf("%llu bytes in base64: %s\n", static_cast<unsigned long long>(data->length()), data->toChars());
}

void collections() {
  section("Collections");
  LLKCObjectDeque* deque = LLKCObjectDeque::dequeWithObjects("a"_llk, "b"_llk, "c"_llk);
  deque->rotateBy(1);
  std::printf("a deque of a, b, c rotated by one:");
  for (LLKCString* text : llk::typed<LLKCString>(deque)) std::printf(" %s", text->chars());
  llk::sort(deque, [](LLKBObject* a, LLKBObject* b) { return -a->compareTo(b); });
  std::printf("; sorted backwards:");
  llk::forEach(deque, [](LLKBObject* o) { std::printf(" %s", o->toChars()); });
  std::printf("\n");

  // Two equal keys at different addresses: one map entry, two shelf entries.
  LLKCString* first = LLKCString::stringWithChars("port");
  LLKCString* second = LLKCString::stringWithChars("port");
  LLKCObjectMap* map = LLKCObjectMap::map();
  LLKCObjectShelf* shelf = LLKCObjectShelf::shelf();
  map->store_forKey(LLKCNumber::numberWithUint(80), first);
  map->store_forKey(LLKCNumber::numberWithUint(8080), second);
  shelf->store_forKey(LLKCNumber::numberWithUint(80), first);
  shelf->store_forKey(LLKCNumber::numberWithUint(8080), second);
  std::printf("map by value: %llu entry, port = %s; shelf by identity: %llu entries\n",
              static_cast<unsigned long long>(map->count()), map->fetchForKey("port"_llk)->toChars(),
              static_cast<unsigned long long>(shelf->count()));

  LLKCObjectTable* table = LLKCObjectTable::tableWithCapacity(4);
  for (uint64_t key : {30u, 10u, 20u}) table->store_forKey(LLKCNumber::numberWithUint(key * 100), key);
  table->store_forKey("replaced"_llk, 10);
  std::printf("a table in insertion order:");
  for (LLKBObject* object : table) std::printf(" %s", object->toChars());
  std::printf("\n");

  LLKCStringCache* cache = LLKCStringCache::cache();
  LLKCString* once = cache->store("repeated key");
  std::printf("the string cache hands out one object per text: %s\n",
              cache->store("repeated key") == once ? "same object" : "DIFFERENT");
}

void coding() {
  section("Coding and the dictionary file");
  // An object graph: an array holding a number, a string, a GUID and a nested deque.
  LLKCObjectArray* graph = LLKCObjectArray::arrayWithObjects(
      LLKCNumber::numberWithReal(2.5), "hello"_llk, LLKCGuid::guid(),
      LLKCObjectDeque::dequeWithObjects(LLKCNumber::numberWithSint(-7), "inner"_llk));
  LLKCMemoryIO* memory = LLKCMemoryIO::memoryWithLength_andBlockSize(0, 256);
  LLKCBinaryEncoder* encoder = LLKCBinaryEncoder::encoder();
  encoder->beginWithTarget(memory);
  encoder->encodeObject(graph);
  encoder->cease();
  std::printf("an array of 4 objects (one a deque of 2) encodes into %llu bytes\n",
              static_cast<unsigned long long>(memory->position()));

  memory->rewind();
  LLKCBinaryDecoder* decoder = LLKCBinaryDecoder::decoder();
  decoder->beginWithSource(memory);
  auto* back = llk::cast<LLKCObjectArray>(decoder->decodeObject());
  decoder->cease();
  std::printf("decoded: %s of %llu objects:", back != nullptr ? back->className() : "nothing",
              static_cast<unsigned long long>(llk::send(back, &LLKCObjectArray::count)));
  if (back != nullptr) {
    for (LLKBObject* object : back) std::printf(" %s", object->className());
  }
  std::printf("\n");

  // The dictionary's text file: one "key = value" line per entry.
  char folder[] = "/tmp/txq-demo-XXXXXX";
  if (mkdtemp(folder) == nullptr) return;
  LLKCString* path = LLKCString::stringWithFormat("%s/settings.txt", folder);
  LLKCDictionary* settings = LLKCDictionary::dictionaryWithCapacity(8);
  settings->storeBool_forKey(true, "verbose"_llk);
  settings->storeSint_forKey(-3, "offset"_llk);
  settings->storeReal_forKey(0.25, "ratio"_llk);
  settings->storeCode_forKey(LLKTCode{1, 2, 3}, "origin"_llk);
  settings->storeObject_forKey("guest user"_llk, "name"_llk);
  settings->storeObject_forKey(LLKCNumber::numberWithUint(8080), "port"_llk);
  settings->saveIntoFile(path);
  std::printf("saved %s:\n", path->chars());
  if (FILE* file = std::fopen(path->chars(), "r")) {
    char line[256];
    while (std::fgets(line, sizeof(line), file) != nullptr) std::printf("  %s", line);
    std::fclose(file);
  }
  LLKCDictionary* loaded = LLKCDictionary::dictionaryFromFile(path);
  if (loaded != nullptr) {
    std::printf("loaded back: %llu entries, verbose = %s, name = %s\n", static_cast<unsigned long long>(loaded->count()),
                loaded->boolForKey("verbose"_llk) ? "yes" : "no", loaded->objectForKey("name"_llk)->toChars());
  }
  std::remove(path->chars());
  rmdir(folder);
}

void threads() {
  section("Threads, wake channels and a waiter");
  Producer* producer = Producer::new_();
  producer->iMailbox = LLKCObjectDeque::new_();
  producer->iWake = LLKCPipe::new_();
  producer->iCount = 5;
  LLKCPipe* ticks = LLKCPipe::pipe();
  LLKCTicker* ticker = LLKCTicker::tickerWithUid_andPipe(7, ticks);
  LLKCWaiter* waiter = LLKCWaiter::waiter();
  waiter->attachSignal(producer->iWake);
  waiter->attachSignal(ticks);
  ticker->enable(50);
  producer->start();

  uint32_t received = 0;
  uint32_t tickCount = 0;
  while (received < producer->iCount) {
    LLKBObject* ready = waiter->awaitWithTimeout(2000);
    if (ready == nullptr) break;  // nothing for two seconds: give up
    uint8_t bytes[16];
    if (ready == ticks) {
      uint32_t uid = 0;
      while (ticks->recv_bytesInto(4, &uid) == 4) ++tickCount;
      continue;
    }
    while (producer->iWake->recv_bytesInto(sizeof(bytes), bytes) > 0) {
    }
    producer->lock();
    while (producer->iMailbox->count() > 0) {
      auto* message = llk::cast<LLKCMessage>(producer->iMailbox->fetchAtIndex(0));
      if (message != nullptr) std::printf("  got %s (tag %u)\n", message->payload()->toChars(), message->tag());
      producer->iMailbox->removeHead();
      ++received;
    }
    producer->unlock();
  }
  ticker->cancel();
  producer->stopAndJoin();
  std::printf("%u messages from the producer thread; %u ticks of ticker 7 meanwhile\n", received, tickCount);
  producer->release();
}

void workers() {
  section("A pool of worker threads fed by flashes");
  constexpr int kWorkers = 3;
  Adder* pool[kWorkers];
  for (Adder*& adder : pool) {
    adder = Adder::new_();
    adder->start();
  }
  uint64_t expected = 0;
  uint32_t sent[kWorkers] = {};
  for (uint32_t job = 1; job <= 3000; ++job) {
    if (pool[job % kWorkers]->flash(job)) ++sent[job % kWorkers];  // round robin; never blocks
    expected += job;
  }
  uint64_t sum = 0;
  for (int i = 0; i < kWorkers; ++i) {
    Adder* adder = pool[i];
    // A stop is served at once: jobs still queued then are dropped. Let each worker finish first.
    while (adder->iJobs < sent[i]) LLKFSnoozeMS(1);
    adder->stopAndJoin();
    std::printf("  worker %d handled %u jobs\n", i, adder->iJobs.load());
    sum += adder->iSum;
    adder->release();
  }
  std::printf("sum of 1..3000 computed by %d workers: %llu (expected %llu)\n", kWorkers,
              static_cast<unsigned long long>(sum), static_cast<unsigned long long>(expected));
}

}  // namespace

// Group work handed from member to member: the first account holding at least the amount takes it.
bool withdrawFromFirstRich(AOKCActiveScheduler*, AOKBActiveObject* object, LLKBObject*, LLKTCode, LLKBObject*,
                           LLKCDictionary*, LLKBObject*) {
  auto* account = static_cast<Account*>(object);
  if (account == nullptr) {  // nobody took it
    std::printf("  nobody could pay\n");
    return true;
  }
  if (account->iBalance < 5000) return true;  // pass it on
  account->iBalance -= 5000;
  return false;  // taken
}

void activeObjects() {
  section("Active objects in groups, driven from several threads");
  AOKTActiveSchedulerSetup setup{2, 0, 16, nullptr, nullptr, nullptr};
  AOKCActiveScheduler* bank = AOKCActiveScheduler::schedulerWithSetup(&setup);
  constexpr int kAccounts = 6;
  Account* accounts[kAccounts];
  LLKCString* names[kAccounts];
  for (int i = 0; i < kAccounts; ++i) {
    accounts[i] = llk::autorelease(Account::new_());
    names[i] = LLKCString::stringWithFormat("account-%d", i);
    bank->attach_as_withAncillary(accounts[i], names[i], nullptr);
    bank->join_into(names[i], i % 2 == 0 ? "even"_llk : "odd"_llk);
  }
  bank->alias_to("treasury"_llk, names[0]);
  // Four threads deposit at once; each account still sees its deposits one at a time.
  std::thread tellers[4];
  for (int t = 0; t < 4; ++t) {
    tellers[t] = std::thread([&, t] {
      llk::AutoreleaseScope scope;
      for (uint32_t i = 0; i < 2500; ++i) {
        LLKBObject* key = i % 10 == 0 ? static_cast<LLKBObject*>("treasury"_llk) : names[(i + t) % kAccounts];
        bank->schedule_withCode_argument_andAncillary_async(key, LLKTCode{10, 1, 0}, nullptr, nullptr, true);
      }
    });
  }
  for (std::thread& teller : tellers) teller.join();
  // Interest for the odd accounts, then a payment the first rich even account takes; both wait.
  bank->coalesce_withCode_argument_andAncillary_sequentially_async("odd"_llk, LLKTCode{50, 2, 0}, nullptr, nullptr,
                                                                   false, false);
  bank->coalesce_withFunction_argument_sequentially_async("even"_llk, withdrawFromFirstRich, nullptr, true, false);
  // A synchronous broadcast returns once every account has run it, after whatever was queued before.
  bank->scheduleAllWithCode_argument_andAncillary_async(LLKTCode{0, 3, 0}, nullptr, nullptr, false);
  AOKTActiveSchedulerStats stats;
  bank->stats(&stats);
  uint64_t total = 0;
  for (int i = 0; i < kAccounts; ++i) {
    std::printf("  %s: %u deposits, %u interest, balance %llu\n", names[i]->iString, accounts[i]->iDeposits,
                accounts[i]->iInterests, static_cast<unsigned long long>(accounts[i]->iBalance));
    total += accounts[i]->iDeposits;
  }
  std::printf("%u objects attached, %llu deposits handled (10000 sent)\n", stats.mRecords,
              static_cast<unsigned long long>(total));
}

int main() {
  llk::AutoreleaseScope pool;  // every thread that autoreleases needs a pool
  std::printf("TXQ %s demo\n", TXQ_VERSION_STRING);
  objects();
  pools();
  logModes();
  strings();
  values();
  collections();
  coding();
  threads();
  workers();
  activeObjects();
  return 0;
}
