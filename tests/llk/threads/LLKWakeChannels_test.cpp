#include <txq/llk/threads/LLKCEvent.h>
#include <txq/llk/threads/LLKCIndicator.h>
#include <txq/llk/threads/LLKCLine.h>
#include <txq/llk/threads/LLKCPipe.h>

#include <gtest/gtest.h>

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstring>
#include <filesystem>
#include <fstream>
#include <string>

#include "support/ObjectTest.h"

namespace {

bool readable(int fd, int milliseconds) {
  pollfd entry{fd, POLLIN, 0};
  return poll(&entry, 1, milliseconds) == 1 && (entry.revents & POLLIN) != 0;
}
bool isOpen(int fd) { return fcntl(fd, F_GETFD) != -1; }
bool nonBlockingAndCloseOnExec(int fd) {
  return (fcntl(fd, F_GETFL) & O_NONBLOCK) != 0 && (fcntl(fd, F_GETFD) & FD_CLOEXEC) != 0;
}
// The file type bits of what the path names itself (links not followed); 0 when nothing is there.
mode_t typeAt(const std::string& path) {
  struct stat info;
  return lstat(path.c_str(), &info) == 0 ? info.st_mode & S_IFMT : 0;
}
int openDescriptors() {
  int n = 0;
  for ([[maybe_unused]] const auto& entry : std::filesystem::directory_iterator("/proc/self/fd")) ++n;
  return n;
}
// SIGPIPE neither pending nor left blocked for the calling thread.
void expectNoPipeSignalLeft() {
  sigset_t set;
  sigpending(&set);
  EXPECT_EQ(sigismember(&set, SIGPIPE), 0) << "a SIGPIPE is left pending";
  pthread_sigmask(SIG_BLOCK, nullptr, &set);
  EXPECT_EQ(sigismember(&set, SIGPIPE), 0) << "SIGPIPE is left blocked";
}

// A fresh directory, removed with its contents.
struct TempDir {
  std::string path;
  TempDir() {
    char pattern[] = "/tmp/txq-wake-XXXXXX";
    path = mkdtemp(pattern);
  }
  ~TempDir() { std::filesystem::remove_all(path); }
  std::string at(const char* name) const { return path + "/" + name; }
};

}  // namespace

class LLKCPipeTest : public txqtest::ObjectTest {};

TEST_F(LLKCPipeTest, AnonymousPipeCarriesMessagesWithoutEverBlocking) {
  LLKCPipe* pipe = LLKCPipe::new_();
  ASSERT_NE(pipe, nullptr);
  const int ends[2] = {pipe->recvFD(), pipe->sendFD()};
  EXPECT_TRUE(nonBlockingAndCloseOnExec(ends[0]) && nonBlockingAndCloseOnExec(ends[1]));
  EXPECT_EQ(pipe->recvFlags() | pipe->sendFlags(), 0);
  EXPECT_EQ(llk::as<LLKPSignaling>(pipe)->sendFD(), ends[1]);
  char buffer[8] = {};
  EXPECT_EQ(pipe->recv_bytesInto(sizeof buffer, buffer), 0u);  // empty: at once
  EXPECT_EQ(pipe->send_bytesFrom(4, "abcd"), 4u);
  EXPECT_EQ(pipe->recv_bytesInto(sizeof buffer, buffer), 4u);
  EXPECT_EQ(std::memcmp(buffer, "abcd", 4), 0);
  EXPECT_EQ(pipe->send_bytesFrom(4, nullptr), 0u);
  static char chunk[4096];
  int chunks = 0;
  while (chunks < 1024 && pipe->send_bytesFrom(sizeof chunk, chunk) != 0) ++chunks;
  EXPECT_GT(chunks, 0);
  EXPECT_EQ(pipe->send_bytesFrom(1, chunk), 0u);  // full: 0, not a wait
  pipe->release();
  EXPECT_FALSE(isOpen(ends[0]) || isOpen(ends[1]));
}

TEST_F(LLKCPipeTest, WritingWithTheReadEndGoneAnswersZeroAndRaisesNoSignal) {
  LLKCPipe* pipe = LLKCPipe::pipe();
  close(pipe->recvFD());
  pipe->iPrivate->mRecv = -1;
  EXPECT_EQ(pipe->send_bytesFrom(3, "abc"), 0u);
  expectNoPipeSignalLeft();
  char byte;
  EXPECT_EQ(pipe->recv_bytesInto(1, &byte), 0u);
}

TEST_F(LLKCPipeTest, FifoIsMadeOnlyOnRequestAndRemovedByItsMaker) {
  TempDir dir;
  const std::string path = dir.at("wake");
  EXPECT_EQ(LLKCPipe::pipeAtPath(path.c_str()), nullptr);
  EXPECT_EQ(LLKCPipe::pipeAtPath_createIfNeeded(path.c_str(), false), nullptr);
  EXPECT_EQ(typeAt(path), 0u);
  LLKCPipe* maker = LLKCPipe::alloc()->initAtPath_createIfNeeded(path.c_str(), true);
  ASSERT_NE(maker, nullptr);
  EXPECT_EQ(typeAt(path), S_IFIFO);
  EXPECT_EQ(maker->recvFD(), maker->sendFD());
  EXPECT_TRUE(nonBlockingAndCloseOnExec(maker->recvFD()));
  char buffer[8] = {};
  EXPECT_EQ(maker->recv_bytesInto(sizeof buffer, buffer), 0u);
  EXPECT_EQ(maker->send_bytesFrom(4, "tick"), 4u);  // one descriptor serves both directions
  EXPECT_EQ(maker->recv_bytesInto(sizeof buffer, buffer), 4u);
  LLKCPipe* opener = LLKCPipe::alloc()->initAtPath(path.c_str());
  ASSERT_NE(opener, nullptr);
  EXPECT_EQ(opener->send_bytesFrom(3, "xyz"), 3u);
  EXPECT_TRUE(readable(maker->recvFD(), 2000));
  EXPECT_EQ(maker->recv_bytesInto(sizeof buffer, buffer), 3u);
  EXPECT_EQ(std::memcmp(buffer, "xyz", 3), 0);
  opener->release();
  EXPECT_EQ(typeAt(path), S_IFIFO);  // an opened FIFO stays
  maker->release();
  EXPECT_EQ(typeAt(path), 0u);  // a made one goes
}

TEST_F(LLKCPipeTest, PathsThatAreNotFifosAreRefusedWithoutLeftovers) {
  TempDir dir;
  const std::string file = dir.at("file");
  const std::string link = dir.at("link");
  const std::string fifo = dir.at("fifo");
  const std::string orphan = dir.at("missing/wake");
  std::ofstream(file) << "data";
  ASSERT_EQ(symlink(file.c_str(), link.c_str()), 0);
  ASSERT_EQ(mkfifo(fifo.c_str(), 0600), 0);
  const int descriptors = openDescriptors();
  for (const std::string& path : {file, link, dir.path}) {
    EXPECT_EQ(LLKCPipe::pipeAtPath(path.c_str()), nullptr) << path;
    EXPECT_EQ(LLKCPipe::pipeAtPath_createIfNeeded(path.c_str(), true), nullptr) << path;
  }
  EXPECT_EQ(LLKCPipe::pipeAtPath_createIfNeeded(orphan.c_str(), true), nullptr);
  EXPECT_EQ(LLKCPipe::pipeAtPath(nullptr), nullptr);
  EXPECT_EQ(openDescriptors(), descriptors);
  EXPECT_EQ(typeAt(file), S_IFREG);
  EXPECT_EQ(typeAt(link), S_IFLNK);
  LLKCPipe* existing = LLKCPipe::alloc()->initAtPath_createIfNeeded(fifo.c_str(), true);
  ASSERT_NE(existing, nullptr);
  existing->release();
  EXPECT_EQ(typeAt(fifo), S_IFIFO);  // existed before: never removed
}

TEST_F(LLKCPipeTest, AnotherProcessWritesThroughTheFifo) {
  TempDir dir;
  const std::string path = dir.at("wake");
  LLKCPipe* fifo = LLKCPipe::pipeAtPath_createIfNeeded(path.c_str(), true);
  ASSERT_NE(fifo, nullptr);
  const pid_t child = fork();
  ASSERT_GE(child, 0);
  if (child == 0) {
    const int fd = open(path.c_str(), O_WRONLY);
    _exit(fd >= 0 && write(fd, "hello", 5) == 5 ? 0 : 1);
  }
  int status = 0;
  ASSERT_EQ(waitpid(child, &status, 0), child);
  EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0);
  ASSERT_TRUE(readable(fifo->recvFD(), 2000));
  char buffer[8] = {};
  EXPECT_EQ(fifo->recv_bytesInto(sizeof buffer, buffer), 5u);
  EXPECT_EQ(std::memcmp(buffer, "hello", 5), 0);
  EXPECT_TRUE(nonBlockingAndCloseOnExec(fifo->recvFD()));
  EXPECT_FALSE(readable(fifo->recvFD(), 0));  // the writer left, but this holder keeps it from ending
}

class LLKCLineTest : public txqtest::ObjectTest {};

TEST_F(LLKCLineTest, UsesBorrowedDescriptorsAndAnswersZeroForMissingOnes) {
  int ends[2];
  ASSERT_EQ(::pipe(ends), 0);
  LLKCLine* none = llk::autorelease(LLKCLine::new_());
  EXPECT_EQ(none->recvFD() + none->sendFD(), -2);
  EXPECT_EQ(none->recvFlags(), 0);
  LLKCLine* reader = LLKCLine::lineWithRecv(ends[0]);
  EXPECT_EQ(reader->sendFD(), -1);
  EXPECT_EQ(reader->send_bytesFrom(2, "ab"), 0u);
  EXPECT_FALSE(readable(ends[0], 0));
  LLKCLine* writer = LLKCLine::lineWithSend(ends[1]);
  char buffer[4];
  EXPECT_EQ(writer->recvFD(), -1);
  EXPECT_EQ(writer->recv_bytesInto(sizeof buffer, buffer), 0u);
  LLKCLine* both = LLKCLine::alloc()->initWithRecv_send(ends[0], ends[1]);
  both->setRecvFlags(POLLPRI);
  EXPECT_EQ(both->recvFlags(), POLLPRI);
  EXPECT_EQ(both->sendFlags(), 0);
  EXPECT_EQ(both->send_bytesFrom(2, "ab"), 2u);
  EXPECT_EQ(both->recv_bytesInto(sizeof buffer, buffer), 2u);
  both->release();
  EXPECT_TRUE(isOpen(ends[0]) && isOpen(ends[1]));  // never closed by the line
  close(ends[0]);
  close(ends[1]);
}

TEST_F(LLKCLineTest, WritingToAGonePeerAnswersZeroWithoutSignal) {
  int ends[2];
  ASSERT_EQ(::pipe(ends), 0);
  close(ends[0]);
  EXPECT_EQ(LLKCLine::lineWithSend(ends[1])->send_bytesFrom(1, "x"), 0u);
  expectNoPipeSignalLeft();
  // A caller that blocks SIGPIPE itself keeps its mask and gets no stray signal.
  sigset_t pipeOnly;
  sigemptyset(&pipeOnly);
  sigaddset(&pipeOnly, SIGPIPE);
  pthread_sigmask(SIG_BLOCK, &pipeOnly, nullptr);
  EXPECT_EQ(LLKCLine::lineWithSend(ends[1])->send_bytesFrom(1, "x"), 0u);
  sigset_t now;
  pthread_sigmask(SIG_UNBLOCK, &pipeOnly, &now);
  EXPECT_EQ(sigismember(&now, SIGPIPE), 1);
  expectNoPipeSignalLeft();
  close(ends[1]);

  int pair[2];
  ASSERT_EQ(socketpair(AF_UNIX, SOCK_STREAM, 0, pair), 0);
  close(pair[1]);
  EXPECT_EQ(LLKCLine::lineWithSend(pair[0])->send_bytesFrom(1, "x"), 0u);
  expectNoPipeSignalLeft();
  close(pair[0]);
}

class LLKCEventTest : public txqtest::ObjectTest {};

TEST_F(LLKCEventTest, CountsSignalsUntilClearedOrReset) {
  LLKCEvent* event = LLKCEvent::event();
  ASSERT_NE(event, nullptr);
  EXPECT_TRUE(nonBlockingAndCloseOnExec(event->recvFD()) && nonBlockingAndCloseOnExec(event->sendFD()));
  EXPECT_EQ(event->recvFlags() | event->sendFlags(), 0);
  EXPECT_FALSE(readable(event->recvFD(), 0));
  event->clear();  // nothing pending: returns at once
  for (int i = 0; i < 3; ++i) EXPECT_TRUE(event->signal());
  event->clear();
  event->clear();
  EXPECT_TRUE(readable(event->recvFD(), 0));
  event->clear();
  EXPECT_FALSE(readable(event->recvFD(), 0));
  for (int i = 0; i < 600; ++i) event->signal();  // more than one reset chunk
  event->reset();
  EXPECT_FALSE(readable(event->recvFD(), 0));
}

TEST_F(LLKCEventTest, SignalAnswersNoOnceThePipeIsFull) {
  LLKCEvent* event = LLKCEvent::event();
  int signals = 0;
  while (signals < (1 << 22) && event->signal()) ++signals;
  EXPECT_GT(signals, 0);
  EXPECT_LT(signals, 1 << 22);
  event->reset();
  EXPECT_FALSE(readable(event->recvFD(), 0));
  EXPECT_TRUE(event->signal());
}

class LLKCIndicatorTest : public txqtest::ObjectTest {};

TEST_F(LLKCIndicatorTest, DescribesDescriptorsWithoutOwningThem) {
  LLKCIndicator* none = llk::autorelease(LLKCIndicator::new_());
  EXPECT_EQ(none->recvFD() + none->sendFD(), -2);
  EXPECT_EQ(none->recvFlags() | none->sendFlags(), 0);
  EXPECT_EQ(LLKCIndicator::indicatorWithRecv(5)->sendFD(), -1);
  EXPECT_EQ(LLKCIndicator::indicatorWithSend(6)->recvFD(), -1);
  int ends[2];
  ASSERT_EQ(::pipe(ends), 0);
  LLKCIndicator* both = LLKCIndicator::alloc()->initWithRecv_andSend(ends[0], ends[1]);
  both->setRecvFlags(POLLPRI);
  both->setSendFlags(POLLOUT);
  LLKPSignaling* signal = llk::as<LLKPSignaling>(both);
  ASSERT_NE(signal, nullptr);
  EXPECT_EQ(signal->recvFD(), ends[0]);
  EXPECT_EQ(signal->sendFD(), ends[1]);
  EXPECT_EQ(signal->recvFlags(), POLLPRI);
  EXPECT_EQ(signal->sendFlags(), POLLOUT);
  both->release();
  EXPECT_TRUE(isOpen(ends[0]) && isOpen(ends[1]));
  close(ends[0]);
  close(ends[1]);
}
