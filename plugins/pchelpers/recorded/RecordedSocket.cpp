#include "RecordedSocket.h"

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <sstream>

namespace {

std::vector<std::string> words(const std::string& text) {
  std::istringstream in(text);
  std::vector<std::string> out;
  for (std::string w; in >> w;) out.push_back(w);
  return out;
}

DWORD dotted(const std::string& text) { return ::inet_addr(text.c_str()); }

std::string dottedText(DWORD address) {
  const unsigned char* b = reinterpret_cast<const unsigned char*>(&address);
  char text[16];
  std::snprintf(text, sizeof text, "%u.%u.%u.%u", b[0], b[1], b[2], b[3]);
  return text;
}

// "address:port" as the tables keep them: address and port in network order.
void endpoint(const std::string& text, DWORD& address, DWORD& port) {
  size_t colon = text.find(':');
  address = dotted(text.substr(0, colon));
  unsigned value = colon == std::string::npos ? 0 : static_cast<unsigned>(std::stoul(text.substr(colon + 1)));
  port = static_cast<DWORD>((value >> 8 & 0xFF) | (value & 0xFF) << 8);
}

}  // namespace

struct RecordedSocket::HostStorage {
  std::string name;
  std::vector<std::string> aliases;
  std::vector<char*> aliasPointers;
  std::vector<DWORD> addresses;
  std::vector<char*> addressPointers;
  hostent entry = {};
};

RecordedSocket::RecordedSocket(RecordedPlatform& machine) : machine_(machine) {}

RecordedSocket::~RecordedSocket() {
  for (void* block : heapBlocks_) ::HeapFree(::GetProcessHeap(), 0, block);
}

int RecordedSocket::fail(int error) {
  wsaError_ = error;
  machine_.setLastError(static_cast<DWORD>(error));
  return SOCKET_ERROR;
}

int RecordedSocket::WSAStartup(WORD version, LPWSADATA data) {
  if (machine_.get("network", "winsock") == "fail") return WSASYSNOTREADY;
  std::memset(data, 0, sizeof *data);
  data->wVersion = version;
  data->wHighVersion = MAKEWORD(2, 2);
  ++startups_;
  return 0;
}

int RecordedSocket::WSACleanup() {
  if (startups_ == 0) return fail(WSANOTINITIALISED);
  --startups_;
  return 0;
}

int RecordedSocket::WSAGetLastError() { return wsaError_; }

SOCKET RecordedSocket::socket(int family, int type, int) {
  if (startups_ == 0) return static_cast<SOCKET>(fail(WSANOTINITIALISED));
  if (family != AF_INET) return static_cast<SOCKET>(fail(WSAEAFNOSUPPORT));
  if (type == SOCK_RAW && machine_.get("network", "raw") == "fail")
    return static_cast<SOCKET>(fail(WSAEACCES));
  SOCKET s = nextSocket_++;
  sockets_[s].type = type;
  return s;
}

int RecordedSocket::closesocket(SOCKET s) {
  if (!sockets_.erase(s)) return fail(WSAENOTSOCK);
  return 0;
}

int RecordedSocket::shutdown(SOCKET s, int) { return sockets_.count(s) ? 0 : fail(WSAENOTSOCK); }

int RecordedSocket::connect(SOCKET s, const sockaddr*, int) {
  return sockets_.count(s) ? fail(WSAECONNREFUSED) : fail(WSAENOTSOCK);
}

int RecordedSocket::send(SOCKET s, const char*, int, int) {
  return sockets_.count(s) ? fail(WSAENOTCONN) : fail(WSAENOTSOCK);
}

int RecordedSocket::recv(SOCKET s, char*, int, int) {
  return sockets_.count(s) ? fail(WSAENOTCONN) : fail(WSAENOTSOCK);
}

RecordedSocket::Hop RecordedSocket::route(DWORD to, int ttl) {
  Hop hop;
  std::string name = dottedText(to);
  requestTtls_.push_back(ttl);
  int number = requestsTowards_[to]++;
  if (!machine_.has("route " + name, "hops") && machine_.section("route " + name).empty()) return hop;
  std::string section = "route " + name;
  hop.rtt = static_cast<DWORD>(machine_.number(section, "rtt", 1));
  for (const std::string& lost : words(machine_.get(section, "lose"))) {
    if (std::stoi(lost) == number) return hop;
  }
  int hops = static_cast<int>(machine_.number(section, "hops", 1));
  if (ttl >= hops) {
    hop.answers = hop.destination = true;
    hop.from = to;
    return hop;
  }
  std::string router = machine_.get(section, "router." + std::to_string(ttl), "silent");
  if (router == "silent") return hop;
  hop.answers = true;
  hop.from = dotted(router);
  return hop;
}

int RecordedSocket::sendto(SOCKET s, const char* buffer, int length, int, const sockaddr* to, int) {
  auto found = sockets_.find(s);
  if (found == sockets_.end()) return fail(WSAENOTSOCK);
  Socket& socket = found->second;
  if (socket.type != SOCK_RAW || length < 8) return length;
  DWORD destination = reinterpret_cast<const sockaddr_in*>(to)->sin_addr.s_addr;
  std::vector<char> ipHeader(20, 0);
  ipHeader[0] = 0x45;
  std::memcpy(&ipHeader[16], &destination, 4);
  if (machine_.get("route " + dottedText(destination), "loopback") == "yes") {
    std::vector<char> own = ipHeader;
    own.insert(own.end(), buffer, buffer + length);
    socket.datagrams.push_back({own, destination});
  }
  Hop hop = route(destination, socket.ttl);
  clock_ += hop.rtt;
  if (!hop.answers) return length;
  std::vector<char> answer = ipHeader;
  std::memcpy(&answer[12], &hop.from, 4);
  if (hop.destination) {
    answer.insert(answer.end(), buffer, buffer + length);
    answer[20] = 0;  // echo reply
  } else {
    const char exceeded[8] = {11, 0, 0, 0, 0, 0, 0, 0};
    answer.insert(answer.end(), exceeded, exceeded + 8);
    answer.insert(answer.end(), ipHeader.begin(), ipHeader.end());
    answer.insert(answer.end(), buffer, buffer + 8);
  }
  socket.datagrams.push_back({answer, hop.from});
  return length;
}

int RecordedSocket::recvfrom(SOCKET s, char* buffer, int length, int, sockaddr* from, int* fromLength) {
  auto found = sockets_.find(s);
  if (found == sockets_.end()) return fail(WSAENOTSOCK);
  Socket& socket = found->second;
  if (socket.datagrams.empty()) {
    clock_ += socket.receiveTimeout;
    return fail(WSAETIMEDOUT);
  }
  auto datagram = socket.datagrams.front();
  socket.datagrams.pop_front();
  if (from && fromLength && *fromLength >= static_cast<int>(sizeof(sockaddr_in))) {
    sockaddr_in* address = reinterpret_cast<sockaddr_in*>(from);
    std::memset(address, 0, sizeof *address);
    address->sin_family = AF_INET;
    address->sin_addr.s_addr = datagram.second;
    *fromLength = sizeof(sockaddr_in);
  }
  int size = static_cast<int>(datagram.first.size());
  std::memcpy(buffer, datagram.first.data(), static_cast<size_t>(std::min(size, length)));
  if (size > length) return fail(WSAEMSGSIZE);
  return size;
}

int RecordedSocket::select(int, fd_set* readable, fd_set* writable, fd_set* failed, const timeval* timeout) {
  int ready = 0;
  auto keep = [&](fd_set* set, bool (*isReady)(const Socket&)) {
    if (!set) return;
    fd_set result;
    FD_ZERO(&result);
    for (u_int i = 0; i < set->fd_count; ++i) {
      auto found = sockets_.find(set->fd_array[i]);
      if (found != sockets_.end() && isReady(found->second)) {
        FD_SET(set->fd_array[i], &result);
        ++ready;
      }
    }
    *set = result;
  };
  keep(readable, [](const Socket& s) { return !s.datagrams.empty(); });
  keep(writable, [](const Socket& s) { return s.type != SOCK_STREAM; });
  keep(failed, [](const Socket&) { return false; });
  if (ready == 0 && timeout) clock_ += static_cast<DWORD>(timeout->tv_sec * 1000 + timeout->tv_usec / 1000);
  return ready;
}

int RecordedSocket::setsockopt(SOCKET s, int level, int name, const char* value, int length) {
  auto found = sockets_.find(s);
  if (found == sockets_.end()) return fail(WSAENOTSOCK);
  if (length < static_cast<int>(sizeof(int))) return fail(WSAEFAULT);
  int number;
  std::memcpy(&number, value, sizeof number);
  if (level == IPPROTO_IP && name == IP_TTL) found->second.ttl = number;
  if (level == SOL_SOCKET && name == SO_RCVTIMEO) found->second.receiveTimeout = static_cast<DWORD>(number);
  return 0;
}

int RecordedSocket::ioctlsocket(SOCKET s, long command, u_long* argument) {
  auto found = sockets_.find(s);
  if (found == sockets_.end()) return fail(WSAENOTSOCK);
  if (command == static_cast<long>(FIONREAD)) {
    *argument = found->second.datagrams.empty()
                    ? 0
                    : static_cast<u_long>(found->second.datagrams.front().first.size());
  }
  return 0;
}

hostent* RecordedSocket::hostRecord(const std::string& name) {
  auto storage = std::make_unique<HostStorage>();
  storage->name = name;
  storage->aliases = words(machine_.get("host " + name, "aliases"));
  for (const std::string& a : words(machine_.get("host " + name, "addresses")))
    storage->addresses.push_back(dotted(a));
  for (std::string& a : storage->aliases) storage->aliasPointers.push_back(&a[0]);
  storage->aliasPointers.push_back(nullptr);
  for (DWORD& a : storage->addresses) storage->addressPointers.push_back(reinterpret_cast<char*>(&a));
  storage->addressPointers.push_back(nullptr);
  storage->entry.h_name = &storage->name[0];
  storage->entry.h_aliases = storage->aliasPointers.data();
  storage->entry.h_addrtype = AF_INET;
  storage->entry.h_length = 4;
  storage->entry.h_addr_list = storage->addressPointers.data();
  hosts_.push_back(std::move(storage));
  return &hosts_.back()->entry;
}

hostent* RecordedSocket::gethostbyname(const char* name) {
  if (startups_ == 0) return fail(WSANOTINITIALISED), nullptr;
  std::string text = name ? name : "";
  if (::inet_addr(text.c_str()) != INADDR_NONE && !text.empty()) {
    hostent* entry = hostRecord(text);
    hosts_.back()->addresses = {dotted(text)};
    hosts_.back()->addressPointers = {reinterpret_cast<char*>(&hosts_.back()->addresses[0]), nullptr};
    entry->h_addr_list = hosts_.back()->addressPointers.data();
    return entry;
  }
  for (const std::string& host : machine_.named("host")) {
    if (_stricmp(host.c_str(), text.c_str()) == 0) return hostRecord(host);
  }
  return fail(WSAHOST_NOT_FOUND), nullptr;
}

hostent* RecordedSocket::gethostbyaddr(const char* address, int length, int type) {
  if (startups_ == 0) return fail(WSANOTINITIALISED), nullptr;
  if (length != 4 || type != AF_INET) return fail(WSAEFAULT), nullptr;
  DWORD wanted;
  std::memcpy(&wanted, address, 4);
  for (const std::string& host : machine_.named("host")) {
    std::vector<std::string> list = words(machine_.get("host " + host, "addresses"));
    if (!list.empty() && dotted(list[0]) == wanted) return hostRecord(host);
  }
  return fail(WSANO_DATA), nullptr;
}

unsigned long RecordedSocket::inet_addr(const char* text) { return ::inet_addr(text); }

char* RecordedSocket::inet_ntoa(in_addr address) {
  std::string text = dottedText(address.s_addr);
  std::memcpy(ntoa_, text.c_str(), text.size() + 1);
  return ntoa_;
}

void RecordedSocket::Sleep(DWORD milliseconds) {
  sleeps_.push_back(milliseconds);
  clock_ += milliseconds;
}

DWORD RecordedSocket::SleepEx(DWORD milliseconds, BOOL) {
  Sleep(milliseconds);
  return 0;
}

HANDLE RecordedSocket::IcmpCreateFile(FARPROC) {
  ++icmpHandles_;
  return reinterpret_cast<HANDLE>(static_cast<INT_PTR>(0x1C0));
}

BOOL RecordedSocket::IcmpCloseHandle(FARPROC, HANDLE) {
  --icmpHandles_;
  return TRUE;
}

DWORD RecordedSocket::IcmpSendEcho(FARPROC, HANDLE, IPAddr destination, LPVOID data, WORD size,
                                   PIP_OPTION_INFORMATION options, LPVOID reply, DWORD replySize,
                                   DWORD timeout) {
  if (replySize < sizeof(ICMP_ECHO_REPLY) + size) return machine_.fail(ERROR_INSUFFICIENT_BUFFER), 0;
  Hop hop = route(destination, options ? options->Ttl : 128);
  if (!hop.answers) {
    clock_ += timeout;
    machine_.setLastError(IP_REQ_TIMED_OUT);
    return 0;
  }
  clock_ += hop.rtt;
  ICMP_ECHO_REPLY* answer = static_cast<ICMP_ECHO_REPLY*>(reply);
  std::memset(answer, 0, sizeof *answer);
  answer->Address = hop.from;
  answer->Status = hop.destination ? IP_SUCCESS : IP_TTL_EXPIRED_TRANSIT;
  answer->RoundTripTime = hop.rtt;
  answer->DataSize = size;
  answer->Data = answer + 1;
  std::memcpy(answer + 1, data, size);
  return 1;
}

std::vector<RecordedSocket::TableRow> RecordedSocket::rows(const std::string& kind) const {
  std::vector<TableRow> out;
  for (const std::string& n : machine_.named(kind)) {
    std::string section = kind + " " + n;
    TableRow row = {};
    endpoint(machine_.get(section, "local", "0.0.0.0:0"), row.localAddr, row.localPort);
    endpoint(machine_.get(section, "remote", "0.0.0.0:0"), row.remoteAddr, row.remotePort);
    DWORD high = static_cast<DWORD>(machine_.number(section, "high", 0)) << 16;
    row.localPort |= high;
    row.remotePort |= high;
    row.state = static_cast<DWORD>(machine_.number(section, "state", 0));
    row.pid = static_cast<DWORD>(machine_.number(section, "pid", 0));
    out.push_back(row);
  }
  return out;
}

DWORD RecordedSocket::GetTcpTable(FARPROC, PMIB_TCPTABLE table, PULONG size, BOOL) {
  if (machine_.get("network", "tables") == "fail") return ERROR_NOT_SUPPORTED;
  std::vector<TableRow> list = rows("tcp");
  ULONG needed = static_cast<ULONG>(sizeof(DWORD) + sizeof(MIB_TCPROW) * std::max<size_t>(list.size(), 1));
  if (!table || *size < needed) {
    *size = needed;
    return ERROR_INSUFFICIENT_BUFFER;
  }
  table->dwNumEntries = static_cast<DWORD>(list.size());
  for (size_t i = 0; i < list.size(); ++i) {
    MIB_TCPROW& r = table->table[i];
    r.dwState = list[i].state;
    r.dwLocalAddr = list[i].localAddr;
    r.dwLocalPort = list[i].localPort;
    r.dwRemoteAddr = list[i].remoteAddr;
    r.dwRemotePort = list[i].remotePort;
  }
  return NO_ERROR;
}

DWORD RecordedSocket::GetUdpTable(FARPROC, PMIB_UDPTABLE table, PULONG size, BOOL) {
  if (machine_.get("network", "tables") == "fail") return ERROR_NOT_SUPPORTED;
  std::vector<TableRow> list = rows("udp");
  ULONG needed = static_cast<ULONG>(sizeof(DWORD) + sizeof(MIB_UDPROW) * std::max<size_t>(list.size(), 1));
  if (!table || *size < needed) {
    *size = needed;
    return ERROR_INSUFFICIENT_BUFFER;
  }
  table->dwNumEntries = static_cast<DWORD>(list.size());
  for (size_t i = 0; i < list.size(); ++i) {
    table->table[i].dwLocalAddr = list[i].localAddr;
    table->table[i].dwLocalPort = list[i].localPort;
  }
  return NO_ERROR;
}

DWORD RecordedSocket::AllocateAndGetTcpExTableFromStack(FARPROC, PVOID* table, BOOL, HANDLE heap, DWORD,
                                                        DWORD) {
  if (machine_.get("network", "tables") == "fail") return ERROR_NOT_SUPPORTED;
  std::vector<TableRow> list = rows("tcp");
  size_t bytes = sizeof(DWORD) + sizeof(MIB_TCPEXROW) * std::max<size_t>(list.size(), 1);
  MIB_TCPEXTABLE* result = static_cast<MIB_TCPEXTABLE*>(::HeapAlloc(heap, HEAP_ZERO_MEMORY, bytes));
  result->dwNumEntries = static_cast<DWORD>(list.size());
  for (size_t i = 0; i < list.size(); ++i) {
    result->table[i] = {list[i].state,      list[i].localAddr,  list[i].localPort,
                        list[i].remoteAddr, list[i].remotePort, list[i].pid};
  }
  heapBlocks_.push_back(result);
  *table = result;
  return NO_ERROR;
}

DWORD RecordedSocket::AllocateAndGetUdpExTableFromStack(FARPROC, PVOID* table, BOOL, HANDLE heap, DWORD,
                                                        DWORD) {
  if (machine_.get("network", "tables") == "fail") return ERROR_NOT_SUPPORTED;
  std::vector<TableRow> list = rows("udp");
  size_t bytes = sizeof(DWORD) + sizeof(MIB_UDPEXROW) * std::max<size_t>(list.size(), 1);
  MIB_UDPEXTABLE* result = static_cast<MIB_UDPEXTABLE*>(::HeapAlloc(heap, HEAP_ZERO_MEMORY, bytes));
  result->dwNumEntries = static_cast<DWORD>(list.size());
  for (size_t i = 0; i < list.size(); ++i)
    result->table[i] = {list[i].localAddr, list[i].localPort, list[i].pid};
  heapBlocks_.push_back(result);
  *table = result;
  return NO_ERROR;
}

HANDLE RecordedSocket::GetProcessHeap() { return ::GetProcessHeap(); }

BOOL RecordedSocket::HeapFree(HANDLE heap, DWORD flags, LPVOID block) {
  auto found = std::find(heapBlocks_.begin(), heapBlocks_.end(), block);
  if (found == heapBlocks_.end()) return machine_.fail(ERROR_INVALID_PARAMETER);
  heapBlocks_.erase(found);
  return ::HeapFree(heap, flags, block);
}
