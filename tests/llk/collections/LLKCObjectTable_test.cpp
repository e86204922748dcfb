#include <txq/llk/collections/LLKCObjectTable.h>

#include <gtest/gtest.h>

#include <sys/resource.h>
#include <unistd.h>

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <random>
#include <string>
#include <utility>
#include <vector>

#include <txq/llk/collections/LLKCObjectDeque.h>
#include <txq/llk/collections/LLKContainers.h>

#include "llk/collections/TableTestSupport.h"
#include "support/ObjectTest.h"

using tabletest::Change;
using tabletest::isText;
using tabletest::plain;
using tabletest::Recorder;
using tabletest::str;
using tabletest::texts;

namespace {

class LLKCObjectTableTest : public txqtest::ObjectTest {};

// The keys in order, through fetchAtIndex_key.
std::vector<uint64_t> keys(LLKCObjectTable* table) {
  std::vector<uint64_t> out;
  for (uint64_t i = 0; i < table->count(); ++i) {
    uint64_t key = 0;
    EXPECT_NE(table->fetchAtIndex_key(i, &key), nullptr);
    out.push_back(key);
  }
  return out;
}

}  // namespace

TEST_F(LLKCObjectTableTest, StoresFetchesAndRemovesByKey) {
  LLKCObjectTable* table = LLKCObjectTable::table();
  LLKBObject* a = str("a");
  LLKBObject* b = str("b");
  EXPECT_EQ(table->store_forKey(a, 1), 0);
  EXPECT_EQ(table->store_forKey(b, UINT64_MAX), 0);
  EXPECT_EQ(table->store_forKey(nullptr, 7), 0);  // nil stores nothing
  EXPECT_EQ(table->count(), 2u);
  EXPECT_EQ(table->fetchForKey(UINT64_MAX), b);
  EXPECT_EQ(table->fetchForKey(7), nullptr);
  EXPECT_TRUE(table->containsKey(1));
  EXPECT_FALSE(table->containsKey(0));
  EXPECT_TRUE(table->contains(a));
  EXPECT_FALSE(table->contains(str("a")));  // identity, not equality
  EXPECT_EQ(table->remove(str("a")), 5);
  EXPECT_EQ(table->removeForKey(2), 5);
  EXPECT_EQ(table->removeAtIndex(2), 5);
  uint64_t key = 77;
  EXPECT_EQ(table->fetchAtIndex_key(2, &key), nullptr);  // past the end: nil, key untouched
  EXPECT_EQ(key, 77u);
  table->store_forKey(b, 3);
  EXPECT_EQ(table->remove(b), 0);  // the first entry holding it
  EXPECT_EQ(keys(table), (std::vector<uint64_t>{1, 3}));
  table->store_forKey(str("c"), 1);  // a replacement keeps its place
  EXPECT_EQ(keys(table), (std::vector<uint64_t>{1, 3}));
  EXPECT_EQ(texts(table->allObjects()), "c,b");
}

TEST_F(LLKCObjectTableTest, ManyKeysStayFindableAcrossGrowthAndRemovals) {
  LLKCObjectTable* table = LLKCObjectTable::table();
  LLKBObject* object = plain();
  auto key = [](uint64_t i) { return i * 0x9E3779B97F4A7C15u; };
  for (uint64_t i = 0; i < 5000; ++i) ASSERT_EQ(table->store_forKey(object, key(i)), 0);
  for (uint64_t i = 0; i < 5000; i += 2) ASSERT_EQ(table->removeForKey(key(i)), 0);
  for (uint64_t i = 0; i < 5000; ++i) ASSERT_EQ(table->containsKey(key(i)), i % 2 == 1) << i;
  EXPECT_EQ(object->retainCount(), 2501u);
}

// The table against a plain vector of (key, object) after every step of a long random run that
// mixes additions, replacements, all three removals, rotations and position reads, so the cursor
// is exercised from every side.
TEST_F(LLKCObjectTableTest, CursorStaysConsistentWithAModelUnderRandomOperations) {
  LLKCObjectTable* table = LLKCObjectTable::table();
  std::vector<std::pair<uint64_t, LLKBObject*>> model;
  std::vector<LLKBObject*> objects;
  for (int i = 0; i < 12; ++i) objects.push_back(plain());
  std::mt19937_64 random(20240611);
  auto pick = [&](uint64_t n) { return static_cast<uint64_t>(random() % n); };
  uint64_t nextKey = 1;

  for (int step = 0; step < 6000; ++step) {
    SCOPED_TRACE(step);
    const uint64_t n = model.size();
    switch (pick(10)) {
      case 0:
      case 1:
      case 2: {  // a new key
        const uint64_t key = nextKey++ * 0x2545F4914F6CDD1Du;
        LLKBObject* object = objects[pick(objects.size())];
        ASSERT_EQ(table->store_forKey(object, key), 0);
        model.emplace_back(key, object);
        break;
      }
      case 3:  // a new object under an existing key
        if (n > 0) {
          const uint64_t i = pick(n);
          LLKBObject* object = objects[pick(objects.size())];
          ASSERT_EQ(table->store_forKey(object, model[i].first), 0);
          model[i].second = object;
        }
        break;
      case 4:
        if (n > 0) {
          const uint64_t i = pick(n);
          ASSERT_EQ(table->removeForKey(model[i].first), 0);
          model.erase(model.begin() + static_cast<std::ptrdiff_t>(i));
        }
        break;
      case 5: {
        const uint64_t i = pick(n + 1);
        ASSERT_EQ(table->removeAtIndex(i), i < n ? 0 : 5);
        if (i < n) model.erase(model.begin() + static_cast<std::ptrdiff_t>(i));
        break;
      }
      case 6: {
        LLKBObject* object = objects[pick(objects.size())];
        auto first = std::find_if(model.begin(), model.end(), [&](const auto& e) { return e.second == object; });
        ASSERT_EQ(table->remove(object), first != model.end() ? 0 : 5);
        if (first != model.end()) model.erase(first);
        break;
      }
      case 7: {
        const uint64_t by = pick(2 * n + 2);
        table->rotateBy(by);
        if (n > 0) std::rotate(model.begin(), model.begin() + static_cast<std::ptrdiff_t>(by % n), model.end());
        break;
      }
      case 8:
        if (n > 0) {
          const uint64_t i = pick(n);
          uint64_t index = UINT64_MAX;
          ASSERT_EQ(table->fetchForKey_index(model[i].first, &index), model[i].second);
          ASSERT_EQ(index, i);
        }
        break;
      default:  // move the cursor somewhere
        table->fetchAtIndex(pick(n + 1));
        break;
    }
    ASSERT_EQ(table->count(), model.size());
    for (int probe = 0; probe < 3 && !model.empty(); ++probe) {
      const uint64_t i = pick(model.size());
      uint64_t key = 0;
      ASSERT_EQ(table->fetchAtIndex_key(i, &key), model[i].second) << "index " << i;
      ASSERT_EQ(key, model[i].first) << "index " << i;
    }
    if (step % 97 == 0) {  // a whole walk forward, then backward
      for (uint64_t i = 0; i < model.size(); ++i) ASSERT_EQ(table->fetchAtIndex(i), model[i].second);
      for (uint64_t i = model.size(); i-- > 0;) ASSERT_EQ(table->fetchAtIndex(i), model[i].second);
    }
  }
  for (LLKBObject* object : objects) {
    const auto held = std::count_if(model.begin(), model.end(), [&](const auto& e) { return e.second == object; });
    EXPECT_EQ(object->retainCount(), 1u + static_cast<uint32_t>(held));  // the pool's reference + the table's
  }
}

TEST_F(LLKCObjectTableTest, RetainsWhileStoredAndTellsTheCallbackInOrder) {
  Recorder recorder;
  LLKCObjectTable* table = LLKCObjectTable::alloc()->init();
  table->setCallback_withContext(&Recorder::change, &recorder);
  table->setAcceptCallback_withContext(&Recorder::refuse, &recorder);  // a table has none: ignored
  LLKBObject* a = plain();
  LLKBObject* b = plain();
  LLKBObject* c = plain();
  table->store_forKey(a, 1);
  table->store_forKey(b, 1);  // replacement: op 1 old, then op 0 new
  table->store_forKey(b, 1);  // the same object again stays alive
  EXPECT_EQ(b->retainCount(), 2u);
  table->store_forKey(c, 2);
  table->removeForKey(1);
  table->store_forKey(a, 3);
  table->clear();
  table->store_forKey(b, 5);
  table->release();  // dealloc tells and lets go of the rest
  EXPECT_EQ(recorder.changes, (std::vector<Change>{{0, a}, {1, a}, {0, b}, {1, b}, {0, b}, {0, c}, {1, b}, {0, a},
                                                   {1, c}, {1, a}, {0, b}, {1, b}}));
}

// Matches walk the order, and each entry leaves as its object is released: the match function sees
// a table that no longer holds the objects already removed.
// While the callback hears op 1 the entry is already out of the table and its object still alive.
TEST_F(LLKCObjectTableTest, RemovalCallbackSeesTheEntryGoneAndTheObjectAlive) {
  struct Probe {
    LLKCObjectTable* table;
    bool keyGone = false;
    uint32_t countSeen = 0;
    static void change(uint32_t op, LLKBObject* object, void* context) noexcept {
      auto* probe = static_cast<Probe*>(context);
      if (op != 1) return;
      probe->keyGone = !probe->table->containsKey(7);
      probe->countSeen = object->retainCount();
    }
  };
  LLKCObjectTable* table = LLKCObjectTable::table();
  LLKBObject* object = LLKBObject::new_();
  ASSERT_EQ(table->store_forKey(object, 7), 0);
  object->release();  // the table holds the only reference
  Probe probe{table};
  table->setCallback_withContext(&Probe::change, &probe);
  EXPECT_EQ(table->removeForKey(7), 0);
  EXPECT_TRUE(probe.keyGone);
  EXPECT_EQ(probe.countSeen, 1u);
  table->setCallback_withContext(nullptr, nullptr);
}

TEST_F(LLKCObjectTableTest, RemoveMatchesWalkTheOrderTakingEachEntryOut) {
  struct Seen {
    LLKCObjectTable* table;
    std::vector<uint64_t> counts;
    static bool match(LLKBObject* object, void* context) noexcept {
      auto* self = static_cast<Seen*>(context);
      self->counts.push_back(self->table->count());
      return static_cast<LLKCString*>(object)->view() == "x";
    }
  };
  LLKCObjectTable* table = LLKCObjectTable::table();
  for (const char* t : {"x", "a", "x", "b", "x"}) table->store_forKey(str(t), table->count() + 1);
  Seen seen{table, {}};
  EXPECT_TRUE(table->removeFirstMatchWithFunction_andContext(&Seen::match, &seen));
  EXPECT_EQ(keys(table), (std::vector<uint64_t>{2, 3, 4, 5}));
  seen.counts.clear();
  EXPECT_TRUE(table->removeEachMatchWithFunction_andContext(&Seen::match, &seen));
  EXPECT_EQ(seen.counts, (std::vector<uint64_t>{4, 4, 3, 3}));
  EXPECT_EQ(keys(table), (std::vector<uint64_t>{2, 4}));
  EXPECT_FALSE(table->removeEachMatchWithFunction_andContext(&Seen::match, &seen));
  EXPECT_FALSE(table->removeFirstMatchWithFunction_andContext(nullptr, nullptr));
  EXPECT_TRUE(llk::removeIf(table, [](LLKBObject*) { return true; }));
  EXPECT_EQ(table->capacity(), 5u);  // all entries are spare now
}

TEST_F(LLKCObjectTableTest, IterationsAndRangeForFollowTheOrder) {
  LLKCObjectTable* table = LLKCObjectTable::table();
  for (const char* t : {"c", "a", "b"}) table->store_forKey(str(t), static_cast<uint64_t>(t[0]));
  std::string seen;
  for (LLKCString* s : llk::typed<LLKCString>(table)) seen += s->view();
  llk::forEach(table, [&](LLKBObject* o) { seen += static_cast<LLKCString*>(o)->view(); });
  EXPECT_EQ(seen, "cabcab");
  char a[] = "a";
  EXPECT_EQ(table->iterateUntilMatchWithFunction_andContext(&isText, a), table->fetchForKey('a'));
  EXPECT_EQ(llk::findIf(table, [](LLKBObject*) { return false; }), nullptr);
}

TEST_F(LLKCObjectTableTest, CapacityCountsUsedAndSpareEntries) {
  LLKCObjectTable* table = LLKCObjectTable::tableWithCapacity(4);
  ASSERT_NE(table, nullptr);
  EXPECT_EQ(table->capacity(), 4u);
  for (uint64_t k = 0; k < 6; ++k) table->store_forKey(plain(), k);
  table->removeForKey(0);
  table->removeAtIndex(0);
  EXPECT_EQ(table->count(), 4u);
  EXPECT_EQ(table->capacity(), 6u);  // the removed entries are spare now
  EXPECT_EQ(table->resize(2), 0);    // never below the count
  EXPECT_EQ(table->capacity(), 4u);
  EXPECT_EQ(table->resize(10), 0);
  table->clear();
  EXPECT_EQ(table->capacity(), 10u);
  EXPECT_EQ(table->resize(0), 0);
  EXPECT_EQ(table->capacity(), 0u);
  EXPECT_EQ(table->resize(UINT64_MAX), 2);  // impossible sizes are refused without change
  EXPECT_EQ(table->capacity(), 0u);
  EXPECT_EQ(LLKCObjectTable::tableWithCapacity(UINT64_MAX), nullptr);
}

TEST_F(LLKCObjectTableTest, CopiesKeepKeysOrderAndCapacityButNoCallbacks) {
  Recorder recorder;
  LLKCObjectTable* table = LLKCObjectTable::tableWithCapacity(8);
  LLKBObject* a = str("a");
  table->store_forKey(a, 9);
  table->store_forKey(str("b"), 4);
  table->setChangeCallback_withContext(&Recorder::change, &recorder);
  LLKCObjectTable* shallow = table->copy();
  ASSERT_NE(shallow, nullptr);
  EXPECT_EQ(keys(shallow), (std::vector<uint64_t>{9, 4}));
  EXPECT_EQ(shallow->fetchForKey(9), a);
  EXPECT_EQ(shallow->capacity(), 8u);
  shallow->removeForKey(9);
  EXPECT_TRUE(recorder.changes.empty());
  LLKCObjectTable* deep = table->deepCopy();
  ASSERT_NE(deep, nullptr);
  EXPECT_EQ(texts(deep), "a,b");
  EXPECT_NE(deep->fetchForKey(9), a);
  table->setChangeCallback(nullptr);
  table->store_forKey(plain(), 2);  // plain objects cannot be copied
  EXPECT_EQ(table->deepCopy(), nullptr);
  EXPECT_EQ(LLKCObjectTable::alloc()->initWithCopy_deep(str("not a table"), false), nullptr);
}

// ---- Memory exhaustion ----

#if defined(__SANITIZE_ADDRESS__) || defined(__SANITIZE_THREAD__)
#define TXQ_TEST_NO_ADDRESS_LIMIT 1
#elif defined(__has_feature)
#if __has_feature(address_sanitizer) || __has_feature(thread_sanitizer)
#define TXQ_TEST_NO_ADDRESS_LIMIT 1
#endif
#endif

// Fills a table, makes spare entries for many more (so that entries need no memory later), caps
// the address space just above what the process uses and stores once more: the bigger bucket array
// that store asks for cannot be made. Ends the process with 0, or with the number of the step that
// went wrong.
[[noreturn]] void storeWhileTheHashTableCannotGrow() {
  constexpr uint64_t kStored = 1000;
  LLKCObjectTable* table = LLKCObjectTable::alloc()->init();
  LLKBObject* object = LLKBObject::new_();
  if (table == nullptr || object == nullptr) _exit(10);
  for (uint64_t k = 0; k < kStored; ++k) {
    if (table->store_forKey(object, k) != 0) _exit(11);
  }
  if (table->resize(uint64_t{1} << 19) != 0) _exit(12);  // the next store wants 2^19 buckets (8 MiB)
  long pages = 0;
  FILE* statm = std::fopen("/proc/self/statm", "r");
  if (statm == nullptr || std::fscanf(statm, "%ld", &pages) != 1) _exit(13);
  std::fclose(statm);
  rlimit limit{};
  getrlimit(RLIMIT_AS, &limit);
  const rlim_t unlimited = limit.rlim_cur;
  limit.rlim_cur = static_cast<rlim_t>(pages) * static_cast<rlim_t>(sysconf(_SC_PAGESIZE)) + (1u << 20);
  if (setrlimit(RLIMIT_AS, &limit) != 0) _exit(14);
  if (table->store_forKey(object, kStored) != 2) _exit(15);
  if (table->count() != kStored || table->containsKey(kStored) || object->retainCount() != 1 + kStored) _exit(16);
  for (uint64_t k = 0; k < kStored; ++k) {
    if (table->fetchForKey(k) != object || table->fetchAtIndex(k) != object) _exit(17);
  }
  limit.rlim_cur = unlimited;
  if (setrlimit(RLIMIT_AS, &limit) != 0) _exit(18);
  if (table->store_forKey(object, kStored) != 0 || table->count() != kStored + 1) _exit(19);
  if (table->fetchForKey(kStored) != object || !table->containsKey(0)) _exit(20);
  _exit(0);
}

// The hash table cannot grow: the store answers 2, the table is left as it was and the process goes
// on. Run in a fresh process (a re-run of this test alone), whose heap holds no free memory left by
// other tests that a capped allocation could still use.
TEST_F(LLKCObjectTableTest, HashTableAllocationFailureAnswersNoMemory) {
#ifdef TXQ_TEST_NO_ADDRESS_LIMIT
  GTEST_SKIP() << "sanitizers reserve address space of their own";
#else
  GTEST_FLAG_SET(death_test_style, "threadsafe");
  EXPECT_EXIT(storeWhileTheHashTableCannotGrow(), testing::ExitedWithCode(0), "");
#endif
}
