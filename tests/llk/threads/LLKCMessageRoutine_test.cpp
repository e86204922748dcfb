// Messages and routines: what they hold, how they copy, and their round trips through the binary
// coders; then a request and response between two threads.
#include <txq/llk/threads/LLKCMessage.h>
#include <txq/llk/threads/LLKCRoutine.h>

#include <gtest/gtest.h>
#include <txq/LLK.h>

#include <algorithm>
#include <atomic>
#include <cstdint>
#include <cstring>
#include <thread>
#include <vector>

#include "support/ObjectTest.h"

// Adopts LLKPCopyable and LLKPEncodable but can be neither copied nor written.
class StubbornValue : public LLKBObject {
  LLK_OBJECT(StubbornValue, LLKBObject)

 public:
  StubbornValue* initWithCopy_deep(LLKBObject*, bool) noexcept override {
    dealloc();
    return nullptr;
  }
  bool encodeWithCoder(LLKBEncoder*) noexcept override { return false; }
};
LLK_DEFINE_CLASS(StubbornValue, LLK_PROTOCOLS(LLKPCopyable, LLKPEncodable), initWithCopy_deep, encodeWithCoder)

namespace {

using Bytes = std::vector<uint8_t>;

Bytes encode(LLKBObject* object) {
  LLKCMemoryIO* memory = LLKCMemoryIO::memoryWithLength_andBlockSize(0, 256);
  LLKCBinaryEncoder* encoder = LLKCBinaryEncoder::encoder();
  if (!encoder->beginWithTarget(memory)) return {};
  const bool written = encoder->encodeObject(object);
  if (!encoder->cease() || !written) return {};
  const uint8_t* bytes = static_cast<const uint8_t*>(memory->bytes());
  uint32_t length = 0;
  std::memcpy(&length, bytes + 4, 4);
  return Bytes(bytes, bytes + length);
}

LLKBObject* decode(const Bytes& stream) {
  LLKCBinaryDecoder* decoder = LLKCBinaryDecoder::decoder();
  if (!decoder->beginWithSource(LLKCMemoryIO::memoryWithBytes_length(stream.data(), stream.size()))) return nullptr;
  LLKBObject* object = decoder->decodeObject();
  decoder->cease();
  return object;
}

bool sameCode(LLKTCode a, LLKTCode b) { return a.mUid == b.mUid && a.mTag == b.mTag && a.mCtx == b.mCtx; }

constexpr LLKTCode kCode{0xA1, 0xB2, 0xC3};

class LLKCMessageTest : public txqtest::ObjectTest {};
class LLKCRoutineTest : public txqtest::ObjectTest {};
class LLKCRoutineThreads : public txqtest::ObjectTest {};

TEST_F(LLKCMessageTest, CopiesKeepCodeAndStampAndCopyThePayloadOnlyWhenDeep) {
  const double before = LLKFNowInS();
  LLKCData* data = LLKCData::dataWithBytes_length("xyz", 3);
  LLKCMessage* message = LLKCMessage::messageWithCode_andPayload(kCode, data);
  EXPECT_EQ(message->tag(), 0xB2u);
  EXPECT_GE(message->stamp(), before);
  EXPECT_LE(message->stamp(), LLKFNowInS());
  LLKCMessage* shallow = message->copy();
  LLKCMessage* deep = message->deepCopy();
  ASSERT_NE(shallow, nullptr);
  ASSERT_NE(deep, nullptr);
  EXPECT_EQ(shallow->payload(), data);
  EXPECT_NE(deep->payload(), data);
  EXPECT_EQ(deep->payload()->compareTo(data), 0);
  EXPECT_EQ(deep->stamp(), message->stamp());

  LLKCMessage* refusing = LLKCMessage::messageWithCode_andPayload(kCode, llk::autorelease(StubbornValue::new_()));
  EXPECT_NE(refusing->copy(), nullptr);
  EXPECT_EQ(refusing->deepCopy(), nullptr);
}

TEST_F(LLKCMessageTest, RoundTripsAndDropsAPayloadThatCannotBeEncoded) {
  LLKCMessage* message = LLKCMessage::messageWithCode_andPayload(kCode, LLKCNumber::numberWithSint(-5));
  const Bytes bytes = encode(message);
  LLKCMessage* back = llk::cast<LLKCMessage>(decode(bytes));
  ASSERT_NE(back, nullptr);
  EXPECT_TRUE(sameCode(back->code(), kCode));
  EXPECT_EQ(back->stamp(), message->stamp());
  EXPECT_EQ(back->payload()->compareTo(message->payload()), 0);
  EXPECT_EQ(encode(back), bytes);

  int local = 0;
  LLKCMessage* opaque = LLKCMessage::messageWithCode_andPayload(kCode, LLKCPointer::pointerWithValue(&local));
  LLKCMessage* dropped = llk::cast<LLKCMessage>(decode(encode(opaque)));
  ASSERT_NE(dropped, nullptr);
  EXPECT_EQ(dropped->payload(), nullptr);
  EXPECT_EQ(dropped->stamp(), opaque->stamp());
}

TEST_F(LLKCRoutineTest, CopiesShareTheReferenceAndTheRsvpLock) {
  LLKCData* input = LLKCData::dataWithBytes_length("in", 2);
  LLKCData* output = LLKCData::dataWithBytes_length("out", 3);
  LLKCString* reference = "ref"_llk;
  LLKCCondition* rsvp = LLKCCondition::conditionWithLock(LLKCLock::lock_());
  LLKCRoutine* routine = LLKCRoutine::routineWithCode_andInput(kCode, input);
  routine->setOutput(output), routine->setRef(reference), routine->setRsvp(rsvp), routine->setStatus(19);

  LLKCRoutine* shallow = routine->copy();
  LLKCRoutine* deep = routine->deepCopy();
  for (LLKCRoutine* copy : {shallow, deep}) {
    ASSERT_NE(copy, nullptr);
    EXPECT_TRUE(sameCode(copy->code(), kCode));
    EXPECT_EQ(copy->stamp(), routine->stamp());
    EXPECT_EQ(copy->status(), 0);
    EXPECT_EQ(copy->ref(), reference);
    ASSERT_NE(copy->rsvp(), nullptr);
    EXPECT_NE(copy->rsvp(), rsvp);
    EXPECT_EQ(copy->rsvp()->lock(), rsvp->lock());
  }
  EXPECT_EQ(shallow->input(), input);
  EXPECT_EQ(shallow->output(), output);
  EXPECT_NE(deep->input(), input);
  EXPECT_NE(deep->output(), output);
  EXPECT_EQ(deep->output()->compareTo(output), 0);

  EXPECT_EQ(LLKCRoutine::routineWithCode(kCode)->copy()->rsvp(), nullptr);
  routine->setOutput(llk::autorelease(StubbornValue::new_()));
  EXPECT_NE(routine->copy(), nullptr);
  EXPECT_EQ(routine->deepCopy(), nullptr);
}

TEST_F(LLKCRoutineTest, RoundTripsWithoutStatusOrRsvpAndDropsWhatCannotBeEncoded) {
  LLKCRoutine* routine = LLKCRoutine::routineWithCode_andInput(kCode, LLKCNumber::numberWithUint(7));
  routine->setRef("ref"_llk), routine->setOutput(LLKCGuid::guid()), routine->setStatus(19);
  routine->setRsvp(LLKCCondition::conditionWithLock(LLKCLock::lock_()));
  const Bytes bytes = encode(routine);
  LLKCRoutine* back = llk::cast<LLKCRoutine>(decode(bytes));
  ASSERT_NE(back, nullptr);
  EXPECT_TRUE(sameCode(back->code(), kCode));
  EXPECT_EQ(back->stamp(), routine->stamp());
  EXPECT_EQ(back->status(), 0);
  EXPECT_EQ(back->rsvp(), nullptr);
  EXPECT_EQ(back->ref()->compareTo(routine->ref()), 0);
  EXPECT_EQ(back->input()->compareTo(routine->input()), 0);
  EXPECT_EQ(back->output()->compareTo(routine->output()), 0);
  EXPECT_EQ(encode(back), bytes);

  int local = 0;
  LLKCRoutine* opaque = LLKCRoutine::routineWithInput(LLKCPointer::pointerWithValue(&local));
  opaque->setOutput("out"_llk);
  LLKCRoutine* dropped = llk::cast<LLKCRoutine>(decode(encode(opaque)));
  ASSERT_NE(dropped, nullptr);
  EXPECT_EQ(dropped->input(), nullptr);
  EXPECT_EQ(dropped->output()->compareTo("out"_llk), 0);

  // Any part that fails to be written fails the routine (its presence flag is already out).
  LLKCRoutine* failing = LLKCRoutine::routineWithInput("in"_llk);
  failing->setRef(llk::autorelease(StubbornValue::new_()));
  EXPECT_TRUE(encode(failing).empty());

  // A message's stream read as a routine ends before the output: refused, nothing leaks.
  Bytes renamed = encode(LLKCMessage::messageWithCode_andPayload(kCode, "p"_llk));
  auto at = std::search(renamed.begin(), renamed.end(), std::begin("LLKCMessage"), std::end("LLKCMessage"));
  ASSERT_NE(at, renamed.end());
  std::memcpy(&*at, "LLKCRoutine", 11);
  EXPECT_EQ(decode(renamed), nullptr);
}

TEST_F(LLKCRoutineThreads, RequestAndResponseThroughTheRsvpCondition) {
  constexpr int32_t kPending = 19;
  LLKCRoutine* routine = LLKCRoutine::routineWithCode_andInput(kCode, LLKCNumber::numberWithSint(20));
  routine->setRsvp(LLKCCondition::conditionWithLock(LLKCLock::lock_()));
  routine->setStatus(kPending);

  routine->retain();  // handed over to the serving thread
  std::thread server([routine] {
    llk::AutoreleaseScope pool;
    const int64_t in = llk::send(llk::cast<LLKCNumber>(routine->input()), &LLKCNumber::sint);
    routine->setOutput(LLKCNumber::numberWithSint(in * 2 + 2));
    LLKCCondition* rsvp = routine->rsvp();
    rsvp->lock()->lock();
    routine->setStatus(0);
    rsvp->signal();
    rsvp->lock()->unlock();
    routine->release();
  });

  LLKCCondition* rsvp = routine->rsvp();
  rsvp->lock()->lock();
  uint32_t left = 10000;
  while (routine->status() == kPending && rsvp->waitWithTimeout_reminder(left, &left)) {
  }
  rsvp->lock()->unlock();
  server.join();
  EXPECT_EQ(routine->status(), 0);
  EXPECT_EQ(llk::send(llk::cast<LLKCNumber>(routine->output()), &LLKCNumber::sint), 42);
}

// Fresh objects each time: a getter that handed out a borrowed pointer would let the reader touch
// freed ones (the sanitizer builds report it).
TEST_F(LLKCRoutineThreads, ReferenceAndOutputSurviveConcurrentReplacement) {
  LLKCRoutine* routine = LLKCRoutine::routineWithCode(kCode);
  std::atomic<bool> done{false};
  int64_t sum = 0;
  std::thread reader([&] {
    llk::AutoreleaseScope pool;
    for (int i = 0; !done.load(); ++i) {
      sum += llk::send(llk::cast<LLKCNumber>(routine->ref()), &LLKCNumber::sint);
      sum += llk::send(llk::cast<LLKCNumber>(routine->output()), &LLKCNumber::sint);
      if (i % 64 == 0) pool.drain();
    }
  });
  for (int i = 0; i < 4000; ++i) {
    llk::AutoreleaseScope pool;
    routine->setRef(LLKCNumber::numberWithSint(i));
    routine->setOutput(LLKCNumber::numberWithSint(i));
  }
  done.store(true);
  reader.join();
  EXPECT_GE(sum, 0);
}

}  // namespace
