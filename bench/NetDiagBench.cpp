// Times the NetDiag exports per call, as the network plug-ins call them (bound
// by ordinal), with what each call cannot go below measured in the same run:
//   adapter_info   NetDiagGetAdapterInfo: runs "ipconfig.exe /All"
//   dns_lookup     NetDiagDNSLookup(null, NAME): the adapter listing, then the query
//   udp_query      one bare DNS question over UDP to the same server (the floor
//                  of the query part of a lookup)
//   ping           NetDiagPing(127.0.0.1): three requests, each answered one
//                  followed by a 500 ms pause (1500 ms are the rule, not cost)
//   netdiag_bench SERVER NAME DOMAIN [REPEAT]   (the listing names SERVER and DOMAIN)
// Prints "<what> calls=<n> best_ms=<ms> mean_ms=<ms>" lines, then "ping_floor_ms=1500".
#include <windows.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <functional>
#include <string>

#include "netdiag/NetDiag.h"

namespace {

double now() {
  static LARGE_INTEGER frequency = [] {
    LARGE_INTEGER f;
    QueryPerformanceFrequency(&f);
    return f;
  }();
  LARGE_INTEGER counter;
  QueryPerformanceCounter(&counter);
  return 1000.0 * static_cast<double>(counter.QuadPart) / static_cast<double>(frequency.QuadPart);
}

// Runs `call` `repeat` times; false from a call stops the measurement.
bool measure(const char* what, int repeat, const std::function<bool()>& call) {
  double best = -1, sum = 0;
  for (int i = 0; i < repeat; ++i) {
    double start = now();
    if (!call()) {
      std::printf("%s failed\n", what);
      return false;
    }
    double took = now() - start;
    sum += took;
    if (best < 0 || took < best) best = took;
  }
  std::printf("%s calls=%d best_ms=%.1f mean_ms=%.1f\n", what, repeat, best, sum / repeat);
  return true;
}

// One A question for `name` over UDP; true when an answer came within a second.
bool udpQuery(const char* server, const std::string& name) {
  unsigned char message[300] = {0x12, 0x34, 0x01, 0x00, 0x00, 0x01};
  size_t at = 12;
  size_t start = 0;
  while (start < name.size() && at + 64 < sizeof message) {
    size_t dot = name.find('.', start);
    if (dot == std::string::npos) dot = name.size();
    message[at++] = static_cast<unsigned char>(dot - start);
    std::memcpy(message + at, name.data() + start, dot - start);
    at += dot - start;
    start = dot + 1;
  }
  message[at++] = 0;
  const unsigned char question[] = {0, 1, 0, 1};
  std::memcpy(message + at, question, sizeof question);
  at += sizeof question;
  SOCKET s = socket(AF_INET, SOCK_DGRAM, 0);
  sockaddr_in to = {};
  to.sin_family = AF_INET;
  to.sin_port = htons(53);
  to.sin_addr.s_addr = inet_addr(server);
  DWORD timeout = 1000;
  setsockopt(s, SOL_SOCKET, SO_RCVTIMEO, reinterpret_cast<const char*>(&timeout), sizeof timeout);
  sendto(s, reinterpret_cast<const char*>(message), static_cast<int>(at), 0, reinterpret_cast<sockaddr*>(&to),
         sizeof to);
  char reply[540];
  int received = recv(s, reply, sizeof reply, 0);
  closesocket(s);
  return received > 12;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc < 4) {
    std::fprintf(stderr, "usage: netdiag_bench SERVER NAME DOMAIN [REPEAT]\n");
    return 64;
  }
  const char* server = argv[1];
  const char* name = argv[2];
  const char* domain = argv[3];
  int repeat = argc > 4 ? std::atoi(argv[4]) : 5;
  if (repeat < 1) repeat = 1;
  WSADATA data;
  WSAStartup(MAKEWORD(1, 1), &data);

  bool ok = measure("adapter_info", repeat, [] {
    HGLOBAL block = nullptr;
    int count = NetDiagGetAdapterInfo(&block);
    if (block) GlobalFree(block);
    return count == 1;
  });
  ok = measure("dns_lookup", repeat,
               [&] {
                 HGLOBAL block = nullptr;
                 int count = NetDiagDNSLookup(nullptr, name, &block);
                 if (block) GlobalFree(block);
                 return count > 0;
               }) &&
       ok;
  std::string fullName = std::string(name) + "." + domain;
  ok = measure("udp_query", repeat, [&] { return udpQuery(server, fullName); }) && ok;
  ok = measure("ping", repeat,
               [] {
                 PingResult result;
                 return NetDiagPing("127.0.0.1", &result) == 0 && result.received == 3;
               }) &&
       ok;
  std::printf("ping_floor_ms=1500\n");
  WSACleanup();
  return ok ? 0 : 1;
}
