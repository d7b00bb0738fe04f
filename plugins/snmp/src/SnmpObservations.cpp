#include "SnmpObservations.h"

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <vector>

#include "nox/ReportLeaves.h"

namespace snmp {

namespace {

const BYTE kBroadcastAddress[4] = {255, 255, 255, 255};
const DWORD kResultSize = 512000;
const DWORD kDescriptionSize = 512;
const DWORD kWalkValueSize = 512;

// The columns kept from the walks, in this order.
const char* const kKeptColumns[] = {kIfIndex, kIfPhysAddress, kIfSpeed, kIpAdEntIfIndex, kIpAdEntAddr};

bool startsWith(const std::string& text, const char* prefix) {
  return text.compare(0, strlen(prefix), prefix) == 0;
}

// An identifier of a column's instance: the column, then the instance's arcs.
// (A plain prefix would also take column 10 for column 1.)
bool inColumn(const std::string& identifier, const char* column) {
  const size_t length = strlen(column);
  return identifier.size() > length + 1 && startsWith(identifier, column) && identifier[length] == '.';
}

void markFailed(Report& node, const char* text) {
  node.setErrorText(text);
  node.setSuccess(false);
}

Report& addError(Report& parent, const char* name, const char* text) {
  Report& node = addNode(parent, name);
  markFailed(node, text);
  return node;
}

std::string formatted(const char* format, long value) {
  char text[32];
  std::snprintf(text, sizeof text, format, value);
  return text;
}

// Walks one table from its identifier with get-next, keeping the entries of
// the kept columns. False when storing an entry ran out of memory (the walk of
// this table ends there).
bool walkTable(VARNEL_HANDLE channel, const std::string& community, const char* table, SNMPEntries& entries) {
  SnmpQuery query(community, table, kWalkValueSize);
  std::string previous = table;
  while (query.getNext(channel)) {
    const std::string identifier = query.identifier();
    // An answer that does not move on would keep the walk going for ever.
    if (!startsWith(identifier, table) || identifier == previous) break;
    previous = identifier;
    for (const char* column : kKeptColumns) {
      if (!inColumn(identifier, column)) continue;
      try {
        entries.add(identifier, valueText(query.valueType(), query.value(), query.valueLength()));
      } catch (IException* e) {
        if (e != static_cast<IException*>(&Exception::outOfMemory())) throw;
        return false;
      }
      break;
    }
  }
  return true;
}

}  // namespace

std::string valueText(DWORD type, const BYTE* value, DWORD length) {
  char part[16];
  if (isSnmpIntegerType(type)) return formatted("%d", snmpInteger(value, length));
  switch (type) {
    case 4: {
      std::string text;
      for (DWORD i = 0; i < length; ++i) {
        std::snprintf(part, sizeof part, i ? "-%02x" : "%02x", value[i]);
        text += part;
      }
      return text;
    }
    case 64:
      if (length < 4) return "";
      std::snprintf(part, sizeof part, "%d.%d.%d.%d", value[0], value[1], value[2], value[3]);
      return part;
    case 68:
      return std::string(reinterpret_cast<const char*>(value), length);
    default:
      return "";
  }
}

std::string upTimeText(unsigned long t) {
  const unsigned long days = t / 8640000;
  const unsigned long hours = (t % 8640000) / 360000;
  const unsigned long rest = (t % 8640000) % 360000;
  const unsigned long minutes = rest / 6000;
  const unsigned long seconds = (rest % 6000) / 100;
  char text[96];
  std::snprintf(text, sizeof text, "%d days %d hours %d minutes %d seconds", static_cast<int>(days),
                static_cast<int>(hours), static_cast<int>(minutes), static_cast<int>(seconds));
  return text;
}

void fillInterfaces(Report& nic, long ifNumber, const SNMPEntries& entries) {
  const long count = ifNumber < 0 ? 0 : ifNumber > kMaxInterfaces ? kMaxInterfaces : ifNumber;
  struct Key {
    std::string suffix;
    long index = 0;
  };
  std::vector<Key> keys;
  for (unsigned int i = 0; i < entries.getCount() && static_cast<long>(keys.size()) < count; ++i) {
    const std::string identifier = entries.getIdentifier(i);
    if (!inColumn(identifier, kIfIndex)) continue;
    keys.push_back(Key{identifier.substr(strlen(kIfIndex)), std::atol(entries.getValue(i))});
  }
  keys.resize(static_cast<size_t>(count));
  for (long k = 1; k <= count; ++k) {
    const Key& key = keys[static_cast<size_t>(k - 1)];
    Report& port = addNode(nic, "interface");
    addAttribute(port, "index", formatted("%ld", k).c_str());
    const char* speed = entries.find(kIfSpeed + key.suffix);
    addNumber(port, "interfaceSpeed", static_cast<unsigned long>(speed ? std::atol(speed) : 0));
    const char* mac = entries.find(kIfPhysAddress + key.suffix);
    addText(port, "macAddress", mac ? mac : "");
    std::string addresses;
    for (unsigned int i = 0; i < entries.getCount(); ++i) {
      const std::string identifier = entries.getIdentifier(i);
      if (!inColumn(identifier, kIpAdEntIfIndex) || std::atol(entries.getValue(i)) != key.index) continue;
      const char* address = entries.find(kIpAdEntAddr + identifier.substr(strlen(kIpAdEntIfIndex)));
      if (!address) continue;
      if (!addresses.empty()) addresses += ",";
      addresses += address;
    }
    addText(port, "ipAddress", addresses.c_str());
  }
}

SnmpRootObservation::SnmpRootObservation() {
  Configration& form = addConfigration("SNMP information", IConfigration::CONFIG_TYPE_OPTION);
  addEntry(form, "Read Community name", IConfigrationEntry::ENTRY_TEXT, "quartz");
  addSubObservation<SnmpInformationObservation>(*this);
}

std::string SnmpRootObservation::community() {
  IConfigrations& forms = getConfigrations();
  if (forms.getCount() == 0) return "";
  IConfigrationEntries& fields = forms.getItem(0).getConfigrationEntries();
  if (fields.getCount() == 0) return "";
  return fields.getItem(0).getValue().getData();
}

void SnmpInformationObservation::observe(Report& report) {
  report.setName("snmpInformation");
  const std::string community = root_.community();
  if (community.empty()) return markFailed(report, "Get Community Name Failed");

  VarnelChannel broadcast;
  if (!broadcast.open(VARNEL_CHANNEL_BROADCAST, kBroadcastAddress))
    return markFailed(report, "Open Varnel Failed");
  BYTE* buffer = static_cast<BYTE*>(noxAlloc(kResultSize));
  if (!buffer)
    throwMemoryException(noxThisModule(), __FILE__, __LINE__, "SnmpInformationObservation", "observe");
  std::memset(buffer, 0, kResultSize);
  struct Release {
    BYTE* block;
    ~Release() { noxFree(block); }
  } release{buffer};

  SnmpQuery query(community, kSysDescr, kDescriptionSize);
  query.binding().valueType = 4;
  BYTE* result = buffer;
  DWORD count = 0;
  DWORD size = kResultSize;
  if (varnelSnmp().VarnelSnmpBroadcastGet(broadcast.handle(), 3, &query.request(), &result, &count, &size) !=
      VARNEL_OK) {
    broadcast.close();
    return markFailed(report, "Get varnelbc Information Failed");
  }
  broadcast.close();
  // The records are where the result pointer now points (the buffer given),
  // and never more than a buffer of that size holds, whatever the count says.
  const DWORD fitting = static_cast<DWORD>(kResultSize / sizeof(VarnelSnmpDevice));
  const auto* records = reinterpret_cast<const VarnelSnmpDevice*>(result ? result : buffer);
  for (DWORD i = 0; i < count && i < fitting; ++i) {
    if (records[i].status == VARNEL_OK) addDevice(report, i + 1, records[i], community);
  }
}

void SnmpInformationObservation::addDevice(Report& report, unsigned int index, const VarnelSnmpDevice& record,
                                           const std::string& community) {
  Report& host = addNode(report, "host");
  addAttribute(host, "index", formatted("%d", static_cast<long>(index)).c_str());
  Report& system = addNode(host, "systemInformation");
  char address[16];
  std::snprintf(address, sizeof address, "%d.%d.%d.%d", record.address[0], record.address[1],
                record.address[2], record.address[3]);
  addText(system, "ipAddress", address);
  std::string description;
  if (record.answer && record.answer->bindingCount > 0 && record.answer->bindings &&
      record.answer->bindings[0].value) {
    const VarnelSnmpBinding& answer = record.answer->bindings[0];
    // The answer was asked for in a 512-byte buffer: never more than that.
    const DWORD length = answer.valueLength < kDescriptionSize ? answer.valueLength : kDescriptionSize;
    description.assign(reinterpret_cast<const char*>(answer.value), length);
  }
  addText(system, "description", description.c_str());

  VarnelChannel device;
  if (!device.open(VARNEL_CHANNEL_DEVICE, record.address)) {
    addError(system, "systemUpTime", "Varnel Open PInfo Failed");
    return;
  }
  SnmpQuery upTime(community, kSysUpTime, 4);
  const unsigned long hundredths =
      upTime.get(device.handle())
          ? static_cast<unsigned long>(snmpInteger(upTime.value(), upTime.valueLength()))
          : 0;
  addText(system, "systemUpTime", upTimeText(hundredths).c_str());

  Report& nic = addNode(host, "nicInformation");
  SnmpQuery interfaces(community, kIfNumber, 4);
  if (!interfaces.get(device.handle())) {
    addError(nic, "interfaceNumber", "Varnel Get PInfo Failed");
    return;
  }
  const long ifNumber = snmpInteger(interfaces.value(), interfaces.valueLength());
  Report& number = addNumber(nic, "interfaceNumber", static_cast<unsigned long>(ifNumber));
  SNMPEntries entries;
  bool stored = walkTable(device.handle(), community, kIfTable, entries);
  stored = walkTable(device.handle(), community, kIpAddrTable, entries) && stored;
  if (!stored) markFailed(number, "out of memory");
  fillInterfaces(nic, ifNumber, entries);
}

}  // namespace snmp
