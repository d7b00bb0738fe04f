#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>

#include "EchoRules.h"

namespace netdiag {
namespace {

EchoResponse answered(int sequence, int roundTrip, const std::string& address, int type = kIcmpEchoReply) {
  EchoResponse r;
  r.sequence = sequence;
  r.roundTrip = roundTrip;
  r.type = type;
  r.code = 0;
  r.address = address;
  r.name = address == "10.0.0.1" ? "gw.test" : address;
  return r;
}

EchoResponse timedOut(int sequence) {
  EchoResponse r;
  r.sequence = sequence;
  return r;
}

// An IPv4 header of 20 bytes followed by `icmp`.
std::vector<uint8_t> datagram(const std::vector<uint8_t>& icmp) {
  std::vector<uint8_t> d(20 + icmp.size(), 0);
  d[0] = 0x45;
  std::copy(icmp.begin(), icmp.end(), d.begin() + 20);
  return d;
}

TEST(EchoRequest, ChecksumOfTheRequestVerifiesToZero) {
  std::vector<uint8_t> request = buildEchoRequest(0x1234, 10);
  ASSERT_EQ(8u + 32u, request.size()) << "payload raised to 32";
  EXPECT_EQ(0xAA, request.back());
  stampEchoRequest(request, 7);
  EXPECT_EQ(0, internetChecksum(request.data(), request.size()));
  uint16_t sequence;
  std::memcpy(&sequence, &request[6], 2);
  EXPECT_EQ(7, sequence);
  // RFC 1071's example words 0001 f203 f4f5 f6f7 sum to ddf2 (stored as read).
  const uint8_t words[] = {0x00, 0x01, 0xf2, 0x03, 0xf4, 0xf5, 0xf6, 0xf7};
  uint16_t sum = internetChecksum(words, sizeof words);
  EXPECT_EQ(0xddf2, static_cast<uint16_t>(~sum & 0xFFFF) >> 8 | (static_cast<uint16_t>(~sum) & 0xFF) << 8);
}

TEST(EchoAnswer, RepliesAndErrorMessagesAreIdentified) {
  std::vector<uint8_t> request = buildEchoRequest(0x4321, 32);
  stampEchoRequest(request, 3);
  std::vector<uint8_t> reply = request;
  reply[0] = kIcmpEchoReply;
  IcmpAnswer answer;
  ASSERT_TRUE(readIcmpAnswer(datagram(reply).data(), datagram(reply).size(), answer));
  EXPECT_EQ(kIcmpEchoReply, answer.type);
  EXPECT_TRUE(answersRequest(answer, 0x4321, 3));
  EXPECT_FALSE(answersRequest(answer, 0x4321, 2)) << "a late reply to an earlier request";
  EXPECT_FALSE(answersRequest(answer, 0x4322, 3)) << "another process's reply";

  // Time exceeded quoting our request's IP header and first 8 bytes.
  std::vector<uint8_t> exceeded = {kIcmpTimeExceeded, 0, 0, 0, 0, 0, 0, 0};
  std::vector<uint8_t> quoted = datagram(std::vector<uint8_t>(request.begin(), request.begin() + 8));
  exceeded.insert(exceeded.end(), quoted.begin(), quoted.end());
  std::vector<uint8_t> d = datagram(exceeded);
  ASSERT_TRUE(readIcmpAnswer(d.data(), d.size(), answer));
  EXPECT_EQ(kIcmpTimeExceeded, answer.type);
  EXPECT_TRUE(answersRequest(answer, 0x4321, 3));
  EXPECT_FALSE(readIcmpAnswer(d.data(), d.size() - 1, answer)) << "quoted header cut short";

  // On loopback the raw socket reads back its own request first.
  d = datagram(request);
  ASSERT_TRUE(readIcmpAnswer(d.data(), d.size(), answer));
  EXPECT_FALSE(answersRequest(answer, 0x4321, 3));

  for (size_t length : {0u, 1u, 27u}) EXPECT_FALSE(readIcmpAnswer(d.data(), length, answer)) << length;
}

TEST(EchoSeries, TimeoutThenTwoAnswersKeepsTheAnsweringNode) {
  SeriesAccumulator series;
  series.record(timedOut(0));
  series.record(answered(1, 4, "10.0.0.1"));
  series.record(answered(2, 7, "10.0.0.1"));
  PingResult out;
  std::memset(&out, 0x5A, sizeof out);
  series.finish(3, out);
  EXPECT_STREQ("10.0.0.1", out.address);
  EXPECT_STREQ("gw.test", out.hostName);
  EXPECT_EQ(3, out.sent);
  EXPECT_EQ(2, out.received);
  EXPECT_EQ(1, out.lost);
  EXPECT_EQ(4, out.minimum);
  EXPECT_EQ(7, out.maximum);
  EXPECT_EQ(5, out.average) << "11 / 2 truncated";
}

TEST(EchoSeries, NothingAnsweredLeavesNAAndZeros) {
  SeriesAccumulator series;
  for (int i = 0; i < 3; ++i) series.record(timedOut(i));
  PingResult out;
  series.finish(3, out);
  EXPECT_STREQ("NA", out.address);
  EXPECT_STREQ("NA", out.hostName);
  EXPECT_EQ(3, out.lost);
  EXPECT_EQ(0, out.received);
  EXPECT_EQ(0, out.minimum);
  EXPECT_EQ(0, out.maximum);
  EXPECT_EQ(0, out.average);
}

TEST(EchoSeries, UnreachableCountsAsLost) {
  SeriesAccumulator series;
  series.record(answered(0, 1, "10.0.0.1", kIcmpUnreachable));
  PingResult out;
  series.finish(1, out);
  EXPECT_EQ(1, out.lost);
  EXPECT_EQ(0, out.received);
  EXPECT_STREQ("10.0.0.1", out.address);
}

TEST(EchoTrace, ThreePassesAddUpPerHop) {
  TraceAccumulator trace;
  for (int pass = 0; pass < 3; ++pass) {
    trace.record(answered(0, 1 + pass, "10.0.0.1", kIcmpTimeExceeded));
    trace.record(timedOut(1));  // a silent router
    trace.record(answered(2, 5, "10.0.2.1", kIcmpTimeExceeded));
    trace.record(answered(3, 9, "10.0.3.9"));
  }
  TraceResult out;
  trace.finish(3, out);
  EXPECT_EQ(4, out.hopCount);
  EXPECT_EQ(3, out.hops[0].received);
  EXPECT_EQ(1, out.hops[0].minimum);
  EXPECT_EQ(3, out.hops[0].maximum);
  EXPECT_EQ(2, out.hops[0].average);
  EXPECT_STREQ("NA", out.hops[1].address);
  EXPECT_EQ(3, out.hops[1].sent);
  EXPECT_EQ(3, out.hops[1].lost);
  EXPECT_STREQ("10.0.3.9", out.hops[3].address);
  EXPECT_EQ(0, out.hops[4].sent) << "records past the hop count stay as accumulated";
  EXPECT_EQ(kNoMinimum, out.hops[4].minimum);
}

TEST(EchoTrace, NothingAnsweringGivesOneHopOfNA) {
  TraceAccumulator trace;
  for (int i = 0; i < 6; ++i) trace.record(timedOut(i));
  TraceResult out;
  trace.finish(1, out);
  EXPECT_EQ(1, out.hopCount);
  EXPECT_STREQ("NA", out.hops[0].address);
  EXPECT_STREQ("NA", out.hops[0].hostName);
  EXPECT_EQ(1, out.hops[0].lost);
}

TEST(EchoTrace, SequenceOutsideTheHopsIsNotCounted) {
  TraceAccumulator trace;
  trace.record(answered(30, 1, "10.0.0.1"));
  trace.record(answered(-1, 1, "10.0.0.1"));
  TraceResult out;
  trace.finish(3, out);
  EXPECT_EQ(1, out.hopCount);
  EXPECT_EQ(0, out.hops[0].received);
}

TEST(SystemEchoPayload, PrintableCharactersInACycle) {
  std::vector<uint8_t> payload = systemEchoPayload(100);
  EXPECT_EQ(' ', payload[0]);
  EXPECT_EQ('}', payload[93]);
  EXPECT_EQ(' ', payload[94]);
  EXPECT_EQ(5u, systemEchoPayload(5).size()) << "the size as given";
}

}  // namespace
}  // namespace netdiag
