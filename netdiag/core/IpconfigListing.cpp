#include "IpconfigListing.h"

#include <cstring>

#include "Text.h"

namespace netdiag {

namespace {

bool isBlank(char c) { return c == ' ' || c == '\t'; }

std::string trimEnd(std::string text, const char* characters) {
  size_t end = text.find_last_not_of(characters);
  text.erase(end == std::string::npos ? 0 : end + 1);
  return text;
}

const std::string* find(const ListingEntries& entries, const char* key) {
  for (const auto& entry : entries) {
    if (equalsIgnoringCase(entry.first, key)) return &entry.second;
  }
  return nullptr;
}

}  // namespace

ListingEntries parseListing(const char* text, size_t length) {
  ListingEntries entries;
  size_t position = 0;
  while (position < length) {
    size_t end = position;
    while (end < length && text[end] != '\r' && text[end] != '\n') ++end;
    std::string line(text + position, end - position);
    position = end;
    while (position < length && (text[position] == '\r' || text[position] == '\n')) ++position;

    size_t indent = 0;
    while (indent < line.size() && isBlank(line[indent])) ++indent;
    if (indent == line.size() || indent == 0) continue;  // empty, blanks only, or a heading
    std::string body = line.substr(indent);
    size_t colon = body.find(':');
    if (colon != std::string::npos) {
      std::string value = body.substr(colon + 1);
      size_t first = value.find_first_not_of(" \t");
      value = first == std::string::npos ? "" : trimEnd(value.substr(first), " \t");
      entries.emplace_back(trimEnd(body.substr(0, colon), " \t."), value);
    } else if (!entries.empty()) {
      entries.back().second += "/" + trimEnd(body, " \t.");
    }
  }
  return entries;
}

int buildAdapterRecord(const ListingEntries& entries, AdapterRecord& record) {
  std::memset(&record, 0, sizeof record);
  const std::string* physical = find(entries, "Physical Address");
  const std::string* dnsServers = find(entries, "DNS Servers");
  if (!physical && !dnsServers) return 0;
  record.recordSize = kAdapterRecordSize;
  auto field = [&](char* destination, size_t size, const char* key) {
    const std::string* value = find(entries, key);
    std::string text = value ? *value : "";
    size_t length = text.size() < size - 1 ? text.size() : size - 1;
    std::memcpy(destination, text.data(), length);
  };
  field(record.description, sizeof record.description, "Description");
  field(record.ipAddress, sizeof record.ipAddress, "IP Address");
  field(record.subnetMask, sizeof record.subnetMask, "Subnet Mask");
  field(record.defaultGateway, sizeof record.defaultGateway, "Default Gateway");
  if (physical) copyField(record.physicalAddress, *physical);
  if (dnsServers) {
    size_t slash = dnsServers->find('/');
    copyField(record.firstDnsServer, dnsServers->substr(0, slash));
    if (slash != std::string::npos) copyField(record.furtherDnsServers, dnsServers->substr(slash + 1));
  }
  const std::string* dhcp = find(entries, "DHCP Enabled");
  record.dhcpEnabled = dhcp && equalsIgnoringCase(*dhcp, "Yes") ? 1 : 0;
  const std::string* primary = find(entries, "Primary DNS Suffix");
  const std::string* connection = find(entries, "Connection-specific DNS Suffix");
  const std::string* host = find(entries, "Host Name");
  if (primary && !primary->empty()) {
    copyField(record.dnsDomain, *primary);
  } else if (connection) {
    copyField(record.dnsDomain, *connection);
  } else if (host && host->find('.') != std::string::npos) {
    copyField(record.dnsDomain, host->substr(host->find('.') + 1));
  }
  return 1;
}

}  // namespace netdiag
