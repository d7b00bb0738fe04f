#include "PcVocabulary.h"

#include <cstdio>

namespace pc {

std::string sizeText(unsigned long long bytes) {
  char digits[32];
  if (bytes < 1024) {
    std::snprintf(digits, sizeof digits, "%d B", static_cast<int>(bytes));
    return digits;
  }
  // All 64 bits: a volume of 4 TiB or more must not wrap round to a small figure.
  std::snprintf(digits, sizeof digits, "%llu", bytes / 1024);
  std::string plain(digits), grouped;
  for (size_t i = 0; i < plain.size(); ++i) {
    if (i > 0 && (plain.size() - i) % 3 == 0) grouped += ',';
    grouped += plain[i];
  }
  return grouped + " KB";
}

const char* architectureName(unsigned int architecture) {
  switch (architecture) {
    case 0:
      return "x86";
    case 1:
      return "MIPS";
    case 2:
      return "Alpha";
    case 3:
      return "PPC";
    default:
      return "Unknown";
  }
}

const char* vendorName(int code) {
  static const char* const names[] = {"Unknown", "Intel", "AMD", "Cyrix", "Centaur", "Transmeta"};
  return code >= 1 && code <= 5 ? names[code] : names[0];
}

int vendorCode(const std::string& id) {
  static const char* const ids[] = {"GenuineIntel", "AuthenticAMD", "CyrixInstead", "CentaurHauls",
                                    "GenuineTMx86"};
  for (int i = 0; i < 5; ++i) {
    if (id == ids[i]) return i + 1;
  }
  return 0;
}

const char* brandIndexName(unsigned int index) {
  switch (index) {
    case 1:
      return "Genuine Intel Celeron(TM) processor";
    case 2:
      return "Genuine Intel Pentium(R) III processor";
    case 3:
      return "Genuine Intel Pentium(R) III Xeon(TM) processor";
    case 8:
      return "Genuine Intel Pentium(R) 4 processor";
    default:
      return "Unknown Genuine Intel processor";
  }
}

const char* productTypeText(unsigned long type) {
  static const char* const texts[] = {
      " Undefined",
      " Ultimate Edition",
      " Home Basic Edition",
      " Home Premium Edition",
      " Enterprise Edition",
      " Home Basic N Edition",
      " Business Edition",
      " Server Standard Edition (full installation)",
      " Server Datacenter Edition(full installation)",
      " Small Business Server",
      " Server Enterprise Edition(full installation)",
      " Starter Edition",
      " Server Datacenter Edition(core installation)",
      " Server Standard Edition (core installation)",
      " Server Enterprise Edition(core installation)",
      " Server Enterprise Edition for Itanium-based Systems",
      " Business N Edition",
      " Web Server Edition",
      " Cluster Server Edition",
      " Home Server Edition",
      " Storage Server Express Edition",
      " Storage Server Standard Edition",
      " Storage Server Workgroup Edition",
      " Storage Server Enterprise Edition",
      " Server for Small Business Edition",
      " Small Business Server Premium Edition",
  };
  if (type < sizeof texts / sizeof texts[0]) return texts[type];
  if (type == 0xABCDABCDul) return " Unlicensed";
  return "";
}

const char* driveTypeText(unsigned int type) {
  switch (type) {
    case 2:
      return "removable";
    case 3:
      return "fixed drive";
    case 4:
      return "network drive";
    case 5:
      return "CD-ROM drive";
    case 6:
      return "RAM disk";
    default:
      return "drive type unknown";
  }
}

const EnvironmentVariable kEnvironmentVariables[11] = {
    {"comSpec", "%ComSpec%"}, {"os2LibPath", "%Os2LibPath%"},
    {"path", "%Path%"},       {"winDir", "%windir%"},
    {"os", "%OS%"},           {"include", "%Include%"},
    {"lib", "%Lib%"},         {"sysbase", "%SYBASE%"},
    {"temp", "%TEMP%"},       {"tmp", "%TMP%"},
    {"lang", "%LANG%"},
};

}  // namespace pc
