#pragma once

#include <vector>

#include "EchoRules.h"
#include "SocketClient.h"

namespace netdiag {

// Echo requests of its own over a raw ICMP socket (which needs administrative
// rights): a series of requests to one node, or trace passes with a rising
// time-to-live. The passes of a trace add up into one set of hop records.
class EchoClient : public SocketClient {
 public:
  EchoClient();

  bool isOpen() const { return socket_ != INVALID_SOCKET; }
  void setNameResolution(bool on) { resolveNames_ = on; }
  void setTimeoutLimit(int limit) { timeoutLimit_ = limit; }

  void runSeries(const char* address, int timeoutMs, int size, int pauseMs, int count);
  void finishSeries(PingResult& out) const { series_.finish(seriesCount_, out); }
  void runTracePass(const char* address, int timeoutMs, int size, int maxHops);
  void finishTrace(TraceResult& out) const { trace_.finish(passes_, out); }

 private:
  enum class Outcome { kAnswered, kTimedOut, kEnded };
  bool prepare(const char* address, int timeoutMs, int size);
  bool sendRequest(uint16_t sequence);
  Outcome receive(uint16_t sequence, EchoResponse& response);
  // Records a timeout; true when the limit of timeouts is reached.
  bool timedOut(int sequence, EchoResponse& response);
  void nameResponder(EchoResponse& response);

  uint16_t identifier_;
  bool resolveNames_ = false;
  int timeoutLimit_ = 5;
  int timeouts_ = 0;
  bool limitReached_ = false;
  bool finished_ = false;
  sockaddr_in remote_ = {};
  std::vector<uint8_t> request_;
  std::vector<char> receiveBuffer_;
  DWORD sentAt_ = 0;
  int timeoutMs_ = 0;
  SeriesAccumulator series_;
  int seriesCount_ = 0;
  TraceAccumulator trace_;
  int passes_ = 0;
};

}  // namespace netdiag
