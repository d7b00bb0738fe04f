#include "Library.h"

#include <vector>

namespace varnel {

std::string environment(const char* name) {
  std::vector<char> value(256);
  DWORD length = GetEnvironmentVariableA(name, value.data(), static_cast<DWORD>(value.size()));
  if (length >= value.size()) {
    value.resize(length + 1);
    length = GetEnvironmentVariableA(name, value.data(), static_cast<DWORD>(value.size()));
  }
  return length < value.size() ? std::string(value.data(), length) : std::string();
}

}  // namespace varnel
