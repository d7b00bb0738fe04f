#pragma once

// The resolver of NetDiagDNSLookup: single queries over a transport, the chase
// for an authoritative answer, the mail-exchanger walk and the address-or-name
// lookup. Portable; the sockets are behind DnsTransport.
#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "DnsMessage.h"

namespace netdiag {

// Sends one query message to a server (a dotted address or a name) on port 53
// and gives the reply bytes. False when nothing could be sent or nothing came.
class DnsTransport {
 public:
  virtual ~DnsTransport() = default;
  virtual bool exchange(const std::string& server, const std::vector<uint8_t>& message, bool tcp,
                        std::vector<uint8_t>& reply) = 0;
};

class DnsClient {
 public:
  // `debugOutput` receives every query name before it is sent.
  DnsClient(DnsTransport& transport, std::function<void(const std::string&)> debugOutput = {})
      : transport_(transport), debugOutput_(std::move(debugOutput)) {}

  void setTcp(bool tcp) { tcp_ = tcp; }
  bool tcp() const { return tcp_; }

  // One question to one server; on success the reply is in reply().
  bool query(const std::string& server, const std::string& name, int type);
  // query() for type ANY, then the name servers it names until one answers with
  // authority (at most 9 further queries).
  bool authoritativeQuery(const std::string& server, const std::string& name, int type);

  const DnsReply& reply() const { return reply_; }
  // Answer text of the first A record of the last reply owned by `name`; empty without one.
  std::string addressOf(const std::string& name) const;

 private:
  DnsTransport& transport_;
  std::function<void(const std::string&)> debugOutput_;
  bool tcp_ = true;
  DnsReply reply_;
};

struct MailExchanger {
  std::string host;
  std::string address;  // may be empty
  int preference = 0;
};

// The mail exchangers of a domain (or of the domain part of a mail address),
// found by walking CNAME records and name servers from one server.
class MxLookup {
 public:
  explicit MxLookup(DnsClient& client) : client_(client) {}
  bool lookup(const std::string& server, const std::string& domainOrAddress);
  // In ascending preference; equal preferences in the order they were found.
  const std::vector<MailExchanger>& exchangers() const { return exchangers_; }

 private:
  bool resolve(const std::string& domain, const std::string& server);
  void collectExchangers(const DnsReply& reply);

  DnsClient& client_;
  std::vector<MailExchanger> exchangers_;
  std::vector<std::string> asked_;
  int depth_ = 0;
};

enum class LookupStatus { kAnswered, kNoAnswer, kFailed };

// The body of NetDiagDNSLookup once server and domain are known: `answers`
// receives the answer texts, each once, in the order found.
LookupStatus dnsLookup(DnsTransport& transport, const char* type, const char* name, const std::string& server,
                       const std::string& domain, std::vector<std::string>& answers,
                       std::function<void(const std::string&)> debugOutput = {});

// The answer block's bytes: each answer followed by a TAB, then two zero bytes
// (the block is sum of (length + 1) plus 2 bytes, zero-filled).
std::vector<char> answerBlock(const std::vector<std::string>& answers);

}  // namespace netdiag
