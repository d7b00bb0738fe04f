// Stand-in for Pellard.dll: the settings folder, the product's settings
// (Pellard.ini in that folder), message tables and coded texts. See
// standins/README.md.
#include <windows.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <map>
#include <string>

#define VENDOR_BUILDING_PELLARD
#include "Pellard.h"
#include "StandinModule.h"

namespace {

// PELLARD_SETTINGS names the settings folder; otherwise "Settings" beside this library.
std::string settingsFolder() {
  std::string folder = standin::environmentOrBeside("PELLARD_SETTINGS", "Settings");
  while (!folder.empty() && (folder.back() == '\\' || folder.back() == '/')) folder.pop_back();
  return folder;
}

std::string settingsFile() { return settingsFolder() + "\\Pellard.ini"; }

// Whether the key is there at all; its value into `text` when it is.
bool profileText(const char* section, const char* key, std::string& text) {
  const char kAbsent[] = "\x01<absent>\x01";
  std::string buffer(256, '\0');
  std::string file = settingsFile();
  for (;;) {
    DWORD length = GetPrivateProfileStringA(section, key, kAbsent, &buffer[0],
                                            static_cast<DWORD>(buffer.size()), file.c_str());
    if (length + 1 < buffer.size()) {
      buffer.resize(length);
      break;
    }
    buffer.resize(buffer.size() * 2);
  }
  if (buffer == kAbsent) return false;
  text = buffer;
  return true;
}

// Copies `text` to buffer when *size holds it; ERROR_MORE_DATA and the size
// needed otherwise.
LONG answer(const std::string& text, char* buffer, DWORD* size) {
  if (!size) return ERROR_INVALID_PARAMETER;
  const DWORD needed = static_cast<DWORD>(text.size() + 1);
  if (!buffer || *size < needed) {
    if (buffer && *size > 0) buffer[0] = '\0';
    *size = needed;
    return ERROR_MORE_DATA;
  }
  std::memcpy(buffer, text.c_str(), needed);
  *size = needed - 1;
  return ERROR_SUCCESS;
}

// Message tables by facility; handed out once each and kept.
struct MessageTable {
  int facility;
};
std::map<int, MessageTable>& messageTables() {
  static std::map<int, MessageTable> tables;
  return tables;
}

int hexDigit(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  return -1;
}

}  // namespace

PELLARD_API BOOL WINAPI PellardGetFolder(int kind, char* buffer, int size) {
  if (!buffer || size <= 0) return FALSE;
  buffer[0] = '\0';
  if (kind != 3) return FALSE;
  std::string folder = settingsFolder();
  if (folder.empty() || folder.size() + 1 > static_cast<size_t>(size)) return FALSE;
  std::memcpy(buffer, folder.c_str(), folder.size() + 1);
  return TRUE;
}

PELLARD_API int WINAPI PellardGetProfileInt(const char* section, const char* key, int fallback) {
  return static_cast<int>(GetPrivateProfileIntA(section, key, fallback, settingsFile().c_str()));
}

PELLARD_API LONG WINAPI PellardGetDisplayName(const char* section, const char* key, char* buffer, DWORD* size,
                                              const char* fallback) {
  std::string text;
  if (!section || !key || !profileText(section, key, text)) text = fallback ? fallback : "";
  return answer(text, buffer, size);
}

PELLARD_API HANDLE WINAPI PellardOpenMessages(int facility) {
  MessageTable& table = messageTables()[facility];
  table.facility = facility;
  return &table;
}

// Message `number` of a facility is key `number` of section "Messages.<facility in hexadecimal>".
PELLARD_API int WINAPI PellardGetMessage(HANDLE messages, int number, char* buffer, int size,
                                         const char* fallback) {
  std::string text;
  const MessageTable* table = static_cast<const MessageTable*>(messages);
  char section[32];
  char key[16];
  if (table) {
    std::snprintf(section, sizeof section, "Messages.%X", static_cast<unsigned int>(table->facility));
    std::snprintf(key, sizeof key, "%d", number);
  }
  if (!table || !profileText(section, key, text)) text = fallback ? fallback : "";
  if (buffer && size > 0) {
    size_t copied = text.size() < static_cast<size_t>(size) ? text.size() : static_cast<size_t>(size) - 1;
    std::memcpy(buffer, text.data(), copied);
    buffer[copied] = '\0';
  }
  return static_cast<int>(text.size());
}

// Coded texts are percent-encoded bytes: "%" and two hexadecimal digits stand
// for one byte; every other character stands for itself.
PELLARD_API LONG WINAPI PellardDecodeText(const char* coded, char* buffer, DWORD* size,
                                          const char* fallback) {
  std::string text;
  bool valid = coded != nullptr;
  for (const char* p = coded; valid && *p; ++p) {
    if (*p != '%') {
      text += *p;
    } else if (hexDigit(p[1]) >= 0 && hexDigit(p[2]) >= 0) {
      text += static_cast<char>(hexDigit(p[1]) * 16 + hexDigit(p[2]));
      p += 2;
    } else {
      valid = false;
    }
  }
  if (!valid) text = fallback ? fallback : "";
  return answer(text, buffer, size);
}
