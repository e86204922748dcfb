// Replays every committed fuzz corpus file through its target, so every build exercises the corpus
// with whatever compiler and sanitizers it uses.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "FuzzTarget.h"

namespace {
const TXQFuzzEntry* gTargets = nullptr;
}

const TXQFuzzEntry* txqFuzzTargets() noexcept { return gTargets; }

bool txqFuzzRegister(TXQFuzzEntry* entry) noexcept {
  entry->next = gTargets;
  gTargets = entry;
  return true;
}

TEST(FuzzCorpusTest, EveryTargetRunsItsWholeCorpus) {
  namespace fs = std::filesystem;
  ASSERT_NE(txqFuzzTargets(), nullptr) << "no fuzz target is compiled into the tests";
  for (const TXQFuzzEntry* target = txqFuzzTargets(); target != nullptr; target = target->next) {
    SCOPED_TRACE(target->name);
    fs::path folder = fs::path(TXQ_FUZZ_CORPUS) / target->name;
    ASSERT_TRUE(fs::is_directory(folder)) << folder << " is missing";
    size_t files = 0;
    for (const fs::directory_entry& entry : fs::directory_iterator(folder)) {
      if (!entry.is_regular_file()) continue;
      std::ifstream in(entry.path(), std::ios::binary);
      std::vector<uint8_t> bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
      SCOPED_TRACE(entry.path().filename().string());
      EXPECT_EQ(target->function(bytes.data(), bytes.size()), 0);
      ++files;
    }
    EXPECT_GT(files, 0u) << "empty corpus";
  }
}
