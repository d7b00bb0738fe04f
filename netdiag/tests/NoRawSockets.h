#pragma once

#include "pchelpers/PassThroughSockets.h"

// Winsock as it is, except that raw sockets cannot be opened (as without
// administrative rights), so the exports take the system echo engine.
class NoRawSockets : public PassThroughSockets {
 public:
  SOCKET socket(int family, int type, int protocol) override {
    return type == SOCK_RAW ? INVALID_SOCKET : PassThroughSockets::socket(family, type, protocol);
  }
};
