#include <txq/llk/values/LLKFNetwork.h>

#include <gtest/gtest.h>

#include <cstring>
#include <ctime>
#include <string>
#include <thread>
#include <vector>

#include <txq/llk/values/LLKCString.h>

#include "support/ObjectTest.h"

class LLKFNetworkTest : public txqtest::ObjectTest {};

TEST_F(LLKFNetworkTest, AddressesAreInHostByteOrder) {
  EXPECT_EQ(LLKFNetworkSwap16(0x1234), 0x3412);
  EXPECT_EQ(LLKFNetworkSwap32(0x12345678u), 0x78563412u);
  EXPECT_EQ(LLKFNetworkStringToAddress("1.2.3.4"), 0x01020304u);
  EXPECT_EQ(LLKFNetworkStringToAddress("127.1"), 0x7f000001u);  // shortened form
  EXPECT_EQ(LLKFNetworkStringToAddress("1.2.3.256"), 4294967295u);
  EXPECT_EQ(LLKFNetworkStringToAddress(nullptr), 4294967295u);
  EXPECT_STREQ(LLKFNetworkAddressToString(0x01020304u), "1.2.3.4");
  EXPECT_STREQ(LLKFNetworkAddressToString(0xffffffffu), "255.255.255.255");
}

TEST_F(LLKFNetworkTest, AddressTextBelongsToTheCallingThread) {
  const char* mine = LLKFNetworkAddressToString(0x0a000001u);
  std::string theirs;
  std::thread([&] { theirs = LLKFNetworkAddressToString(0xc0a80001u); }).join();
  EXPECT_STREQ(mine, "10.0.0.1");
  EXPECT_EQ(theirs, "192.168.0.1");
}

TEST_F(LLKFNetworkTest, LoopbackResolvesWithItsPort) {
  LLKTIP4Endpoint endpoint{0, 0};
  ASSERT_EQ(LLKFNetworkFindIP4Host("127.0.0.1", "80", &endpoint), 0);
  EXPECT_EQ(endpoint.mAddress, 0x7f000001u);
  EXPECT_EQ(endpoint.mPort, 80);
  EXPECT_EQ(LLKFNetworkFindIP4Host("127.0.0.1", "no-such-txq-service", &endpoint), 5);
  EXPECT_EQ(LLKFNetworkFindIP4Host("::1", nullptr, &endpoint), 5);  // no IPv4 result
  EXPECT_EQ(LLKFNetworkFindIP4Host("127.0.0.1", "80", nullptr), 5);
}

TEST_F(LLKFNetworkTest, InterfaceAddressesAreCountedBeyondCapacity) {
  uint32_t count = LLKFNetworkGetAllHostIPs(nullptr, 0);
  ASSERT_GE(count, 1u);  // at least the loopback interface
  std::vector<uint32_t> all(count + 1, 0xdeadbeef);
  EXPECT_EQ(LLKFNetworkGetAllHostIPs(all.data(), 1), count);
  EXPECT_EQ(all[1], 0xdeadbeefu) << "stored beyond capacity";
  EXPECT_EQ(LLKFNetworkGetAllHostIPs(all.data(), count), count);
  bool loopback = false;
  for (uint32_t i = 0; i < count; ++i) loopback |= all[i] == 0x7f000001u;
  EXPECT_TRUE(loopback);
}

TEST_F(LLKFNetworkTest, NetworkTimeRoundTripsInUtc) {
  time_t when = 784111777;  // Sun, 06 Nov 1994 08:49:37 UTC
  struct tm utc;
  ASSERT_NE(gmtime_r(&when, &utc), nullptr);
  LLKCString* text = LLKFNetworkTimeIntoString(&utc);
  EXPECT_EQ(llk::view(text), "Sun, 06 Nov 1994 08:49:37 GMT");
  struct tm parsed;
  ASSERT_TRUE(LLKFNetworkTimeFromString(text, &parsed));
  // Every field comes back (the zone name is read past, not kept).
  EXPECT_EQ(llk::view(LLKFNetworkTimeIntoString(&parsed)).substr(0, 25), "Sun, 06 Nov 1994 08:49:37");
  double seconds = 0;
  ASSERT_TRUE(LLKFNetworkTimeInSFromString(text, &seconds));
  EXPECT_EQ(seconds, 784111777.0);
}

TEST_F(LLKFNetworkTest, MalformedNetworkTimesAreRefused) {
  struct tm out;
  std::memset(&out, 0x5a, sizeof out);
  double seconds = -7;
  for (const char* text :
       {"", "Sun, 06 Nov 1994", "Sun, 32 Nov 1994 08:49:37 GMT", "06 Nov 1994 08:49:37 GMT"}) {
    SCOPED_TRACE(text);
    EXPECT_FALSE(LLKFNetworkTimeFromString(LLKCString::stringWithChars(text), &out));
    EXPECT_FALSE(LLKFNetworkTimeInSFromString(LLKCString::stringWithChars(text), &seconds));
  }
  EXPECT_EQ(out.tm_year, 0x5a5a5a5a) << "record changed";
  EXPECT_EQ(seconds, -7);
  EXPECT_FALSE(LLKFNetworkTimeFromString(nullptr, &out));
  EXPECT_EQ(LLKFNetworkTimeIntoString(nullptr), nullptr);
}
