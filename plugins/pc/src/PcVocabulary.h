#pragma once

#include <string>

// The PC plug-in's words: node texts and lookup tables, kept in one place.
namespace pc {

// "%d B" below 1024, else kilobytes with thousands separators and " KB".
std::string sizeText(unsigned long long bytes);

const char* architectureName(unsigned int architecture);
const char* vendorName(int vendorCode);
int vendorCode(const std::string& vendorId);
const char* brandIndexName(unsigned int brandIndex);
const char* productTypeText(unsigned long productType);
const char* driveTypeText(unsigned int driveType);

struct EnvironmentVariable {
  const char* node;
  const char* pattern;
};
extern const EnvironmentVariable kEnvironmentVariables[11];

}  // namespace pc
