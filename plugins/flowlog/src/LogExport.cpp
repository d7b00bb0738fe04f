#include "LogExport.h"

#include <windows.h>

#include <cstdio>
#include <cstdlib>
#include <new>

#include "Pellard.h"
#include "RouterClient.h"
#include "nox/Error.h"
#include "nox/Module.h"
#include "pchelpers/LocaleApi.h"

namespace flowlog {

namespace {

void logLine(const std::string& text, const char* method) {
  writeLog(0, ("FlowLog: " + text).c_str(), noxThisModule(), __FILE__, __LINE__, "FlowLog", method);
}

// A value of a settings file, empty when missing. Read whole, however long.
std::string profileText(const std::string& file, const char* section, const char* key) {
  std::string buffer(1024, '\0');
  for (;;) {
    DWORD length = GetPrivateProfileStringA(section, key, "", &buffer[0], static_cast<DWORD>(buffer.size()),
                                            file.c_str());
    if (length + 1 < buffer.size()) return buffer.substr(0, length);
    buffer.resize(buffer.size() * 4);
  }
}

long profileNumber(const std::string& file, const char* section, const char* key) {
  return std::strtol(profileText(file, section, key).c_str(), nullptr, 10);
}

// Calls a Pellard function that fills a buffer of *size bytes and answers
// ERROR_MORE_DATA with the size it needs, until the text fits.
template <class Call>
std::string sizedText(unsigned long size, Call call) {
  std::string buffer;
  for (;;) {
    buffer.assign(size, '\0');
    DWORD inOut = size;
    LONG result = call(&buffer[0], &inOut);
    if (result == ERROR_MORE_DATA && inOut > size && inOut < (1ul << 24)) {
      size = inOut;
      continue;
    }
    buffer.resize(std::char_traits<char>::length(buffer.c_str()));
    return buffer;
  }
}

std::string displayName(const std::string& key) {
  return sizedText(kDisplayNameSize, [&](char* buffer, DWORD* size) {
    return PellardGetDisplayName(kPluginsSection, key.c_str(), buffer, size, "");
  });
}

std::string decodedText(const std::string& coded) {
  return sizedText(kDecodedSize, [&](char* buffer, DWORD* size) {
    return PellardDecodeText(coded.c_str(), buffer, size, "");
  });
}

// Ordinal 80 answers the whole message's length; a longer message is asked for again.
std::string messageText(const MessageCode& code) {
  HANDLE messages = PellardOpenMessages(static_cast<int>(code.facility));
  const int number = static_cast<int>(code.number);
  int size = static_cast<int>(kMessageSize);
  for (;;) {
    std::string buffer(static_cast<size_t>(size), '\0');
    int length = PellardGetMessage(messages, number, &buffer[0], size, "");
    if (length >= size && length < (1 << 24)) {
      size = length + 1;
      continue;
    }
    buffer.resize(std::char_traits<char>::length(buffer.c_str()));
    return buffer;
  }
}

// UTF-16 to the router's code page, composed characters checked. Code pages
// that take no flags (UTF-8 ...) convert without; one this machine does not
// know falls back to the system code page rather than losing the text.
std::string narrowText(unsigned int codePage, const std::wstring& text) {
  if (text.empty()) return std::string();
  LocaleApi& locale = Seam<LocaleApi>::current();
  const int wideLength = static_cast<int>(text.size());
  DWORD flags = WC_COMPOSITECHECK;
  int length =
      locale.WideCharToMultiByte(codePage, flags, text.data(), wideLength, nullptr, 0, nullptr, nullptr);
  if (length == 0 && locale.GetLastError() == ERROR_INVALID_FLAGS) {
    flags = 0;
    length =
        locale.WideCharToMultiByte(codePage, flags, text.data(), wideLength, nullptr, 0, nullptr, nullptr);
  }
  if (length == 0) {
    codePage = CP_ACP;
    flags = WC_COMPOSITECHECK;
    length =
        locale.WideCharToMultiByte(codePage, flags, text.data(), wideLength, nullptr, 0, nullptr, nullptr);
  }
  if (length <= 0) return std::string();
  std::string narrow(static_cast<size_t>(length), '\0');
  length = locale.WideCharToMultiByte(codePage, flags, text.data(), wideLength, &narrow[0], length, nullptr,
                                      nullptr);
  narrow.resize(length > 0 ? static_cast<size_t>(length) : 0);
  return narrow;
}

// Seconds since 1970-01-01 UTC as local time, daylight time as it was on that
// date; the text unchanged when it is no such number or names no time Windows
// can show.
std::string localDate(const TimeZone& zone, const std::string& text) {
  long long seconds = 0;
  const long long kFrom1601 = 11644473600LL;  // seconds from 1601-01-01 to 1970-01-01
  const long long kLast = 0x7FFFFFFFFFFFFFFFLL / 10000000LL - kFrom1601;
  if (!parseSeconds(text, seconds) || seconds < -kFrom1601 || seconds > kLast) return text;
  const CivilTime time = localTime(seconds, zone);
  return dateText(static_cast<int>(time.year), time.month, time.day, time.hour, time.minute, time.second);
}

ZoneChange zoneChange(const SYSTEMTIME& change) {
  ZoneChange result;
  result.year = change.wYear;
  result.month = change.wMonth;
  result.dayOfWeek = change.wDayOfWeek;
  result.day = change.wDay;
  result.hour = change.wHour;
  result.minute = change.wMinute;
  result.second = change.wSecond;
  return result;
}

// The machine's time zone; UTC when Windows cannot say.
TimeZone machineTimeZone() {
  TIME_ZONE_INFORMATION information = {};
  TimeZone zone;
  if (Seam<LocaleApi>::current().GetTimeZoneInformation(&information) == TIME_ZONE_ID_INVALID) return zone;
  zone.bias = information.Bias;
  zone.standardBias = information.StandardBias;
  zone.daylightBias = information.DaylightBias;
  zone.standard = zoneChange(information.StandardDate);
  zone.daylight = zoneChange(information.DaylightDate);
  return zone;
}

std::string stringValue(const std::string& text) {
  std::string rest;
  switch (valueKind(text, rest)) {
    case ValueKind::Data:
      return rest;
    case ValueKind::Plugin: {
      std::string name = displayName(rest);
      return name.empty() ? rest : name;
    }
    case ValueKind::Code:
      return messageText(parseMessageCode(rest));
    case ValueKind::Coded:
      return decodedText(rest);
    case ValueKind::Plain:
      break;
  }
  return text;
}

// The CSV file of one export, written in binary with CR LF line ends so that
// line breaks inside values reach the readers as they are.
class CsvFile {
 public:
  explicit CsvFile(const std::string& path) : file_(std::fopen(path.c_str(), "wb")) {}
  ~CsvFile() {
    if (file_) std::fclose(file_);
  }
  CsvFile(const CsvFile&) = delete;
  CsvFile& operator=(const CsvFile&) = delete;
  bool isOpen() const { return file_ != nullptr; }
  bool write(const std::string& line) {
    return std::fwrite(line.data(), 1, line.size(), file_) == line.size();
  }

 private:
  FILE* file_;
};

}  // namespace

RouterSettings RouterSettings::read() {
  RouterSettings settings;
  char folder[MAX_PATH] = {};
  if (!PellardGetFolder(kSettingsFolderKind, folder, MAX_PATH)) folder[0] = '\0';
  folder[MAX_PATH - 1] = '\0';
  settings.folder = folder;
  const std::string connection = settings.folder + "\\" + kConnectionFile;
  settings.registryPath = profileText(connection, kConnectionSection, kRegistryPathKey);
  settings.host = profileText(connection, kConnectionSection, kHostKey);
  settings.port = static_cast<int>(profileNumber(connection, kConnectionSection, kPortKey));
  settings.codePage = static_cast<unsigned int>(PellardGetProfileInt(
      kGeneralSection, kCodePageKey, static_cast<int>(Seam<LocaleApi>::current().GetACP())));
  settings.timeZone = machineTimeZone();
  return settings;
}

std::vector<Column> RouterSettings::columns(const std::string& table) const {
  std::vector<Column> columns;
  const std::string layout = folder + "\\" + kLayoutFile;
  const long count = profileNumber(layout, table.c_str(), kFieldCountKey);
  for (long i = 1; i <= count; ++i) {
    char key[32];
    std::snprintf(key, sizeof key, kFieldKey, static_cast<int>(i));
    Column column = parseColumnDefinition(profileText(layout, table.c_str(), key));
    if (column.name.empty()) {
      logLine(table + ": " + key + " names no column; it is left out", "columns");
      continue;
    }
    columns.push_back(column);
  }
  return columns;
}

std::string csvValue(const RouterSettings& settings, const Column& column, const std::wstring& text) {
  std::string value = narrowText(settings.codePage, text);
  if (column.type == kDateType) return localDate(settings.timeZone, value);
  if (column.type == kStringType) return stringValue(value);
  return value;
}

void exportLog(const RouterSettings& settings, const LogExport& log, const std::string& file) {
  const std::string what = std::string(log.table) + (*log.docType ? std::string(" ") + log.docType : "");
  try {
    std::vector<Column> columns = settings.columns(log.table);
    if (columns.empty()) return;
    CsvFile csv(file);
    if (!csv.isOpen()) {
      logLine(what + ": cannot create " + file, "exportLog");
      return;
    }
    Database database;
    if (!database.connect(settings.host, settings.port)) {
      logLine(what + ": no data source for " + settings.host, "exportLog");
      return;
    }
    database.openSession(kDatabaseName);
    ResultRows rows;
    if (!database.execute(selectStatement(columns, log.table, log.docType), rows)) return;
    while (rows.next()) {
      std::string line;
      std::wstring text;
      for (size_t i = 0; i < columns.size(); ++i) {
        if (columns[i].name == kDocTypeColumn) continue;
        appendCsvField(line, rows.value(static_cast<int>(i), text) ? csvValue(settings, columns[i], text)
                                                                   : std::string());
      }
      line += "\r\n";
      if (!csv.write(line)) {
        logLine(what + ": cannot write " + file, "exportLog");
        break;
      }
    }
  } catch (const DatabaseFailure& failure) {
    logLine(what + ": " + failure.what, "exportLog");
  } catch (const std::bad_alloc&) {
    logLine(what + ": out of memory", "exportLog");
  }
}

}  // namespace flowlog
