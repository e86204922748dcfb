#ifndef TXQ_TESTS_SUPPORT_OBJECTTEST_H
#define TXQ_TESTS_SUPPORT_OBJECTTEST_H
// Test support: a fixture that gives each case an autorelease pool and, after draining it, checks
// that the case left no live object behind; and a capture of the log's output.

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include <txq/llk/object/LLKAutoreleaseScope.h>
#include <txq/llk/object/LLKBObject.h>
#include <txq/llk/object/LLKFLog.h>

namespace txqtest {

// A pool per case; the live-object count must be back at its start when the pool has drained.
class ObjectTest : public testing::Test {
 protected:
  void SetUp() override {
    liveAtStart_ = LLKFLiveObjectCount();
    pool_ = new llk::AutoreleaseScope();
  }
  void TearDown() override {
    delete pool_;
    pool_ = nullptr;
#if TXQ_LIVE_OBJECTS
    EXPECT_EQ(LLKFLiveObjectCount(), liveAtStart_) << "objects leaked or were freed twice";
#endif
  }
  // Releases what the case's pool holds now.
  void drain() { pool_->drain(); }

 private:
  int64_t liveAtStart_ = 0;
  llk::AutoreleaseScope* pool_ = nullptr;
};

// Collects the log's finished lines while it lives (through the log's output sink). The time mode
// is 2 (the text alone) meanwhile, unless the case sets another.
class LogCapture {
 public:
  LogCapture() : mode_(LLKFLogGetTimeMode()) {
    LLKFLogSetTimeMode(2);
    LLKFLogSetSink(&LogCapture::sink, this);
  }
  ~LogCapture() {
    LLKFLogSetSink(nullptr, nullptr);
    LLKFLogSetTimeMode(mode_);
  }
  LogCapture(const LogCapture&) = delete;
  LogCapture& operator=(const LogCapture&) = delete;

  // Lines as written, each with its line feed.
  const std::vector<std::string>& lines() const { return lines_; }
  // The lines without their line feed (the text itself in mode 2).
  std::vector<std::string> texts() const {
    std::vector<std::string> out;
    for (const std::string& line : lines_) out.push_back(line.substr(0, line.size() - 1));
    return out;
  }

 private:
  static void sink(void* context, const char* line) noexcept {
    static_cast<LogCapture*>(context)->lines_.emplace_back(line);
  }
  uint32_t mode_;
  std::vector<std::string> lines_;
};

}  // namespace txqtest

#endif  // TXQ_TESTS_SUPPORT_OBJECTTEST_H
