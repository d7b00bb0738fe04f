#include "DnsResolver.h"

#include <algorithm>
#include <cstdio>

#include "Text.h"

namespace netdiag {

namespace {

constexpr int kMaxFurtherQueries = 9;
constexpr int kMxUdpAttempts = 3;
constexpr int kMxMaxDepth = 3;

std::string trimBlanks(const std::string& text) {
  size_t first = text.find_first_not_of(" \t");
  if (first == std::string::npos) return "";
  size_t last = text.find_last_not_of(" \t");
  return text.substr(first, last - first + 1);
}

std::string addressIn(const DnsReply& reply, const std::string& name) {
  for (const DnsRecord& r : reply.records) {
    if (r.type == kDnsA && r.owner == name) return r.text;
  }
  return "";
}

void addAnswer(std::vector<std::string>& answers, const std::string& text) {
  if (std::find(answers.begin(), answers.end(), text) == answers.end()) answers.push_back(text);
}

void addAnswersOfType(std::vector<std::string>& answers, const DnsReply& reply, int type) {
  for (const DnsRecord& r : reply.records) {
    if (r.type == type) addAnswer(answers, r.text);
  }
}

}  // namespace

bool DnsClient::query(const std::string& server, const std::string& name, int type) {
  if (name.empty() || server.empty()) return false;
  reply_ = DnsReply();
  std::vector<uint8_t> message = buildDnsQuery(name, type);
  if (message.empty()) return false;
  if (debugOutput_) debugOutput_(name);
  std::vector<uint8_t> bytes;
  if (!transport_.exchange(server, message, tcp_, bytes) || bytes.empty()) return false;
  reply_ = parseDnsReply(bytes.data(), bytes.size(), message.size());
  return true;
}

std::string DnsClient::addressOf(const std::string& name) const { return addressIn(reply_, name); }

bool DnsClient::authoritativeQuery(const std::string& server, const std::string& name, int type) {
  if (!query(server, name, kDnsAny)) return false;
  int further = 0;
  while (!reply_.authoritative) {
    // Name servers of the last reply that answered, tried in turn.
    const DnsReply referral = reply_;
    bool answered = false;
    for (const DnsRecord& ns : referral.records) {
      if (ns.type != kDnsNS) continue;
      if (further == kMaxFurtherQueries) return false;
      ++further;
      std::string address = addressIn(referral, ns.text);
      if (query(address.empty() ? ns.text : address, name, type)) {
        answered = true;
        break;
      }
    }
    if (!answered) return false;
  }
  return true;
}

bool MxLookup::lookup(const std::string& server, const std::string& domainOrAddress) {
  std::vector<std::string> parts;
  size_t start = 0;
  while (start <= domainOrAddress.size()) {
    size_t at = domainOrAddress.find('@', start);
    if (at == std::string::npos) at = domainOrAddress.size();
    if (at > start) parts.push_back(domainOrAddress.substr(start, at - start));
    start = at + 1;
  }
  std::string domain = trimBlanks(parts.size() >= 2 ? parts[1] : domainOrAddress);
  exchangers_.clear();
  asked_.clear();
  depth_ = 0;
  return resolve(domain, server);
}

bool MxLookup::resolve(const std::string& domain, const std::string& server) {
  bool answered = false;
  for (int attempt = 0; attempt < 1 + kMxUdpAttempts && !answered; ++attempt) {
    client_.setTcp(attempt == 0);
    answered = client_.query(server, domain, kDnsAny);
  }
  if (!answered) return false;
  const DnsReply reply = client_.reply();

  std::vector<std::string> candidates;
  bool hasSoa = false;
  bool hasMx = false;
  for (const DnsRecord& r : reply.records) {
    if (r.type == kDnsSOA) hasSoa = true;
    if (r.type == kDnsMX) hasMx = true;
    if (r.type != kDnsNS) continue;
    std::string address = addressIn(reply, r.text);
    std::string candidate = address.empty() ? r.text : address;
    if (std::find(asked_.begin(), asked_.end(), candidate) == asked_.end()) candidates.push_back(candidate);
  }

  auto followCNames = [&]() {
    for (const DnsRecord& r : reply.records) {
      if (r.type != kDnsCName || r.owner != domain || depth_ >= kMxMaxDepth) continue;
      ++depth_;
      if (resolve(r.text, server)) return true;
      --depth_;
    }
    return false;
  };

  if (reply.authoritative || hasSoa) {
    if (hasMx) {
      collectExchangers(reply);
      return true;
    }
    return followCNames();
  }
  if (followCNames()) return true;
  for (const std::string& candidate : candidates) {
    if (depth_ > kMxMaxDepth) return false;
    asked_.push_back(candidate);
    ++depth_;
    if (resolve(domain, candidate)) return true;
    --depth_;
  }
  return false;
}

void MxLookup::collectExchangers(const DnsReply& reply) {
  auto add = [this](const MailExchanger& exchanger) {
    auto after = exchangers_.end();
    while (after != exchangers_.begin() && (after - 1)->preference > exchanger.preference) --after;
    exchangers_.insert(after, exchanger);
  };
  for (const DnsRecord& mx : reply.records) {
    if (mx.type != kDnsMX) continue;
    bool withAddress = false;
    for (const DnsRecord& a : reply.records) {
      if (a.type == kDnsA && a.owner == mx.text) {
        add({mx.text, a.text, mx.preference});
        withAddress = true;
      }
    }
    if (!withAddress) add({mx.text, "", mx.preference});
  }
}

LookupStatus dnsLookup(DnsTransport& transport, const char* type, const char* name, const std::string& server,
                       const std::string& domain, std::vector<std::string>& answers,
                       std::function<void(const std::string&)> debugOutput) {
  DnsClient client(transport, std::move(debugOutput));
  client.setTcp(true);
  int code = type ? dnsTypeCode(type) : kDnsA;
  bool typed = type && *type;
  std::string target = name ? name : "";
  answers.clear();

  // The current transport first, UDP after a failure (and for the rest of the call).
  auto ask = [&](auto&& question) {
    if (question()) return true;
    client.setTcp(false);
    return question();
  };

  if (typed && code == kDnsMX) {
    MxLookup mx(client);
    if (!mx.lookup(server, domain)) return LookupStatus::kFailed;
    for (const MailExchanger& e : mx.exchangers()) addAnswer(answers, e.host);
  } else if (typed && code != kDnsPTR) {
    if (!ask([&] { return client.authoritativeQuery(server, target, code); })) return LookupStatus::kFailed;
    addAnswersOfType(answers, client.reply(), code);
  } else {
    unsigned char o[4];
    std::string queryName;
    if (parseDottedAddress(target, o)) {
      char reverse[32];
      std::snprintf(reverse, sizeof reverse, "%u.%u.%u.%u.in-addr.arpa", o[3], o[2], o[1], o[0]);
      queryName = reverse;
      code = kDnsPTR;
    } else {
      queryName = target + "." + domain;
      code = kDnsA;
    }
    if (ask([&] { return client.query(server, queryName, code); })) {
      addAnswersOfType(answers, client.reply(), code);
    }
    if (answers.empty()) {
      if (!ask([&] { return client.query(server, target, code); })) return LookupStatus::kFailed;
      addAnswersOfType(answers, client.reply(), code);
    }
  }
  return answers.empty() ? LookupStatus::kNoAnswer : LookupStatus::kAnswered;
}

std::vector<char> answerBlock(const std::vector<std::string>& answers) {
  std::vector<char> block;
  for (const std::string& a : answers) {
    block.insert(block.end(), a.begin(), a.end());
    block.push_back('\t');
  }
  block.push_back('\0');
  block.push_back('\0');
  return block;
}

}  // namespace netdiag
