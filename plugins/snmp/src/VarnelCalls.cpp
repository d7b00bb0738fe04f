#include "snmp/VarnelCalls.h"

#include <algorithm>
#include <cstring>

SnmpQuery::SnmpQuery(const std::string& community, const char* identifier, DWORD valueSize)
    : community_(community),
      identifier_(kIdentifierBuffer + 1, '\0'),
      value_(std::max<DWORD>(valueSize, 1), 0) {
  // The last byte stays NUL: whatever the library writes, the text ends in the buffer.
  std::memcpy(identifier_.data(), identifier, strnlen(identifier, kIdentifierBuffer));
  binding_.identifier = identifier_.data();
  binding_.value = value_.data();
  request_.version = VARNEL_SNMP_V2C;
  request_.community = &community_[0];
  request_.bindingCount = 1;
  request_.bindings = &binding_;
  prepare(false);
}

void SnmpQuery::prepare(bool walk) {
  binding_.identifierLength =
      walk ? kIdentifierBuffer : static_cast<DWORD>(strnlen(identifier_.data(), kIdentifierBuffer));
  binding_.valueLength = static_cast<DWORD>(value_.size());
  binding_.valueType = 5;
  binding_.reserved = 0;
}

bool SnmpQuery::get(VARNEL_HANDLE channel) {
  prepare(false);
  return varnelSnmp().VarnelSnmpGet(channel, 3, 1, &request_) == VARNEL_OK;
}

bool SnmpQuery::getNext(VARNEL_HANDLE channel) {
  prepare(true);
  return varnelSnmp().VarnelSnmpGetNext(channel, 3, 1, &request_) == VARNEL_OK;
}

std::string SnmpQuery::identifier() const {
  return std::string(identifier_.data(), strnlen(identifier_.data(), kIdentifierBuffer));
}

DWORD SnmpQuery::valueLength() const {
  return std::min<DWORD>(binding_.valueLength, static_cast<DWORD>(value_.size()));
}

long snmpInteger(const BYTE* value, DWORD length) {
  if (length != 1 && length != 2 && length != 4) return 0;
  DWORD number = 0;
  for (DWORD i = length; i-- > 0;) number = (number << 8) | value[i];
  return static_cast<long>(static_cast<int>(number));
}

bool isSnmpIntegerType(DWORD type) {
  return type == 1 || type == 2 || type == 65 || type == 66 || type == 67;
}
