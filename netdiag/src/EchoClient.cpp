#include "EchoClient.h"

#include <cstring>

#include "Text.h"

namespace netdiag {

namespace {
// The socket option number of the time-to-live in Winsock 1.1.
constexpr int kWinsock1IpTtl = 7;
constexpr size_t kMaxAddressText = 28;
constexpr int kSocketQueueBytes = 64 * 1024;
}  // namespace

EchoClient::EchoClient() : identifier_(static_cast<uint16_t>(::GetCurrentProcessId())) {
  if (started()) openSocket(AF_INET, SOCK_RAW, IPPROTO_ICMP);
}

bool EchoClient::prepare(const char* address, int timeoutMs, int size) {
  if (!isOpen()) return false;
  drain();
  std::string dotted = address ? address : "";
  unsigned char octets[4];
  if (!parseDottedAddress(dotted, octets) && !resolve(address, dotted, kMaxAddressText)) return false;
  std::memset(&remote_, 0, sizeof remote_);
  remote_.sin_family = AF_INET;
  remote_.sin_addr.s_addr = net_.inet_addr(dotted.c_str());
  request_ = buildEchoRequest(identifier_, size < 0 ? 0 : static_cast<size_t>(size));
  setReceiveTimeout(timeoutMs);
  setSendTimeout(timeoutMs);
  timeoutMs_ = timeoutMs;
  // A raw ICMP socket receives every echo on the machine, and on loopback our
  // own requests too. A socket queue the size of one answer overflows as soon
  // as anyone else pings while we wait, and the answer is dropped: a loss that
  // never happened. The queue gets room for many datagrams; each read still
  // takes at most two requests' worth and longer datagrams are skipped.
  int bufferSize = static_cast<int>(2 * request_.size() + 48);
  int queueSize = bufferSize < kSocketQueueBytes ? kSocketQueueBytes : bufferSize;
  net_.setsockopt(socket_, SOL_SOCKET, SO_RCVBUF, reinterpret_cast<const char*>(&queueSize),
                  sizeof queueSize);
  receiveBuffer_.assign(static_cast<size_t>(bufferSize), 0);
  finished_ = false;
  timeouts_ = 0;
  limitReached_ = false;
  return true;
}

bool EchoClient::sendRequest(uint16_t sequence) {
  // What came in since the last answer (other programs' echoes, late answers
  // of ours) cannot answer this request; left waiting it fills the socket's
  // queue during the pause, and the answer to this request is dropped.
  drain();
  stampEchoRequest(request_, sequence);
  sentAt_ = net_.GetTickCount();
  int sent =
      net_.sendto(socket_, reinterpret_cast<const char*>(request_.data()), static_cast<int>(request_.size()),
                  0, reinterpret_cast<const sockaddr*>(&remote_), sizeof remote_);
  return sent == static_cast<int>(request_.size());
}

EchoClient::Outcome EchoClient::receive(uint16_t sequence, EchoResponse& response) {
  for (;;) {
    sockaddr_in from = {};
    int fromLength = sizeof from;
    int got = net_.recvfrom(socket_, receiveBuffer_.data(), static_cast<int>(receiveBuffer_.size()), 0,
                            reinterpret_cast<sockaddr*>(&from), &fromLength);
    if (got == SOCKET_ERROR) {
      int error = net_.WSAGetLastError();
      if (error == WSAETIMEDOUT) return Outcome::kTimedOut;
      if (error != WSAEMSGSIZE) return Outcome::kEnded;
    } else {
      IcmpAnswer answer;
      if (readIcmpAnswer(reinterpret_cast<const uint8_t*>(receiveBuffer_.data()), static_cast<size_t>(got),
                         answer) &&
          answersRequest(answer, identifier_, sequence)) {
        response.roundTrip = static_cast<int>(net_.GetTickCount() - sentAt_);
        response.type = answer.type;
        response.code = answer.code;
        response.sequence = answer.sequence;
        response.address = net_.inet_ntoa(from.sin_addr);
        response.name = "NA";
        return Outcome::kAnswered;
      }
    }
    // Datagrams for others (or our own request read back on loopback) must not
    // stretch the wait beyond the request's time limit.
    if (net_.GetTickCount() - sentAt_ >= static_cast<DWORD>(timeoutMs_)) return Outcome::kTimedOut;
  }
}

bool EchoClient::timedOut(int sequence, EchoResponse& response) {
  response = EchoResponse();
  response.sequence = sequence;
  ++timeouts_;
  if (timeouts_ >= timeoutLimit_) limitReached_ = true;
  return limitReached_;
}

void EchoClient::nameResponder(EchoResponse& response) {
  if (!resolveNames_) return;
  in_addr address;
  address.s_addr = net_.inet_addr(response.address.c_str());
  hostent* host = net_.gethostbyaddr(reinterpret_cast<const char*>(&address), 4, AF_INET);
  response.name = host && host->h_name ? host->h_name : response.address;
}

void EchoClient::runSeries(const char* address, int timeoutMs, int size, int pauseMs, int count) {
  seriesCount_ = count;
  if (!prepare(address, timeoutMs, size)) return;
  for (int i = 0; i < count; ++i) {
    if (!sendRequest(static_cast<uint16_t>(i))) return;
    EchoResponse response;
    Outcome outcome = receive(static_cast<uint16_t>(i), response);
    if (outcome == Outcome::kEnded) return;
    if (outcome == Outcome::kTimedOut) {
      bool limit = timedOut(i, response);
      series_.record(response);
      if (limit) return;
      continue;
    }
    nameResponder(response);
    series_.record(response);
    net_.Sleep(static_cast<DWORD>(pauseMs));
  }
}

void EchoClient::runTracePass(const char* address, int timeoutMs, int size, int maxHops) {
  if (!prepare(address, timeoutMs, size)) return;
  ++passes_;
  int ttl = 0;
  for (int i = 0; i < maxHops && !finished_; ++i) {
    ++ttl;
    net_.setsockopt(socket_, IPPROTO_IP, kWinsock1IpTtl, reinterpret_cast<const char*>(&ttl), sizeof ttl);
    if (!sendRequest(static_cast<uint16_t>(i))) return;
    EchoResponse response;
    Outcome outcome = receive(static_cast<uint16_t>(i), response);
    if (outcome == Outcome::kEnded) return;
    if (outcome == Outcome::kTimedOut) {
      bool limit = timedOut(i, response);
      trace_.record(response);
      if (limit) return;
      continue;
    }
    if (response.type == kIcmpEchoReply || response.type == kIcmpUnreachable) finished_ = true;
    nameResponder(response);
    trace_.record(response);
  }
}

}  // namespace netdiag
