#pragma once

#include "DnsResolver.h"

namespace netdiag {

// DNS over Winsock: a socket per query, port 53, a connect that waits at most
// five seconds, five seconds for a UDP answer and per TCP receive.
class WinsockDnsTransport : public DnsTransport {
 public:
  bool exchange(const std::string& server, const std::vector<uint8_t>& message, bool tcp,
                std::vector<uint8_t>& reply) override;
};

}  // namespace netdiag
