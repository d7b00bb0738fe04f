#include "Nxz.h"

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <ostream>
#include <string>
#include <vector>

#include "Archive.h"
#include "Commands.h"
#include "nox/archive/Extract.h"
#include "nox/archive/Reader.h"

#ifdef _WIN32
#include <windows.h>

#include "nox/archive/WinTarget.h"
#else
#include <unistd.h>

#include "PosixTarget.h"
#endif

using namespace nox::archive;
using nox::nxz::OpenedArchive;

namespace {

#ifdef _WIN32
unsigned int defaultCodePage() { return GetACP(); }
std::string displayName(const std::string& name, unsigned int) { return name; }
#else
unsigned int defaultCodePage() { return 1252; }
std::string displayName(const std::string& name, unsigned int codePage) {
  return PosixTarget(codePage).convert(name);
}
#endif

const char kUsage[] =
    "usage: nxz list|test|extract [options] ARCHIVE [FOLDER]\n"
    "       nxz view RESULT [-o FILE.html] [-c N] [--inline-limit KB]\n"
    "       nxz diff OLD NEW [--html FILE] [-c N]\n"
    "  ARCHIVE is a NoxInfo.nxz, a NoxResult.exe or the first part of a split set\n"
    "  (NoxResult.exe beside NoxResult.exe.002, .003, ...).\n"
    "  list     show every entry\n"
    "  test     inflate every file and report damage\n"
    "  extract  write every entry below FOLDER (default: the current folder)\n"
    "  view     write one self-contained HTML page of a result: findings first, the\n"
    "           report as a tree with a search box, the side files (default page:\n"
    "           RESULT's name with .html, in the current folder)\n"
    "  diff     show what changed from the result OLD to the result NEW: added (+),\n"
    "           removed (-) and changed (~) reports with their paths; --html writes a\n"
    "           page instead; exit status 0 same, 1 different, 2 trouble\n"
    "  A RESULT is also a result folder or its NoxInfo.xml.\n"
    "options:\n"
    "  -o, --overwrite      replace existing files (default: keep them)\n"
    "  -c, --codepage N     ANSI code page of the entry names (default: the system's\n"
    "                       on Windows, 1252 elsewhere); for view and diff also of\n"
    "                       the document's text (default: the one it declares)\n";

// "YYYY-MM-DD hh:mm:ss" in UTC.
std::string formatTime(uint64_t fileTime) {
  int64_t seconds = fileTimeToUnix(fileTime);
  int64_t days = seconds >= 0 ? seconds / 86400 : (seconds - 86399) / 86400;
  int64_t rest = seconds - days * 86400;
  // Civil date from days since 1970-01-01 (proleptic Gregorian).
  int64_t z = days + 719468;
  int64_t era = (z >= 0 ? z : z - 146096) / 146097;
  int64_t doe = z - era * 146097;
  int64_t yoe = (doe - doe / 1460 + doe / 36524 - doe / 146096) / 365;
  int64_t doy = doe - (365 * yoe + yoe / 4 - yoe / 100);
  int64_t mp = (5 * doy + 2) / 153;
  int64_t day = doy - (153 * mp + 2) / 5 + 1;
  int64_t month = mp < 10 ? mp + 3 : mp - 9;
  int64_t year = yoe + era * 400 + (month <= 2 ? 1 : 0);
  char text[48];
  std::snprintf(text, sizeof text, "%04lld-%02lld-%02lld %02lld:%02lld:%02lld", static_cast<long long>(year),
                static_cast<long long>(month), static_cast<long long>(day),
                static_cast<long long>(rest / 3600), static_cast<long long>(rest / 60 % 60),
                static_cast<long long>(rest % 60));
  return text;
}

int list(OpenedArchive& archive, unsigned int codePage, std::ostream& out, std::ostream& err) {
  const Location& where = archive.where();
  out << archive.describeLayout() << ", " << where.header.recordCount << " entries, created "
      << formatTime(where.header.created) << " UTC\n";
  DirectoryWalker walker(archive.source(), where);
  Record r;
  char line[128];
  while (walker.next(r)) {
    const char* method = r.isFolder() ? "folder" : r.method == kMethodGzip ? "gzip" : "stored";
    std::snprintf(line, sizeof line, "%-6s %10lu %10llu  %s  ", method, static_cast<unsigned long>(r.size),
                  static_cast<unsigned long long>(r.isFolder() ? 0 : r.storedLength()),
                  formatTime(r.lastWrite).c_str());
    out << line << displayName(r.name, codePage) << "\n";
  }
  if (walker.status() != ReadStatus::kOk) {
    err << "nxz: entry " << walker.index() + 1 << ": " << describe(walker.status()) << "\n";
    return 1;
  }
  return 0;
}

int test(OpenedArchive& archive, unsigned int codePage, std::ostream& out, std::ostream& err) {
  ReadStatus status = checkDirectory(archive.source(), archive.where());
  if (status != ReadStatus::kOk) {
    err << "nxz: " << describe(status) << "\n";
    return 1;
  }
  DirectoryWalker walker(archive.source(), archive.where());
  Record r;
  uint32_t good = 0, damaged = 0, unsafe = 0;
  std::vector<std::string> parts;
  while (walker.next(r)) {
    if (splitEntryName(r.name, leadBytesOfCodePage(codePage), parts) != NameVerdict::kOk) {
      ++unsafe;
      err << "unsafe name, refused on extraction: " << displayName(r.name, codePage) << "\n";
    }
    if (r.isFolder()) continue;
    NullSink sink;
    status = extractContent(archive.source(), r, sink);
    if (status == ReadStatus::kOk) {
      ++good;
    } else {
      ++damaged;
      err << "damaged: " << displayName(r.name, codePage) << ": " << describe(status) << "\n";
    }
  }
  out << good << " files ok, " << damaged << " damaged";
  if (unsafe) out << ", " << unsafe << " unsafe names";
  out << "\n";
  return damaged || unsafe ? 1 : 0;
}

class ConsoleListener : public ExtractListener {
 public:
  ConsoleListener(bool overwrite, unsigned int codePage, std::ostream& out, std::ostream& err)
      : overwrite_(overwrite), codePage_(codePage), out_(out), err_(err) {}
  bool onEntry(uint32_t, uint32_t, const Record&) override { return true; }
  OverwriteAnswer onExists(const std::string& path, const ExistingFile&) override {
    if (overwrite_) return OverwriteAnswer::kAll;
    out_ << "kept existing file: " << path << "\n";
    return OverwriteAnswer::kNo;
  }
  void onRefusedName(const Record& record, NameVerdict verdict) override {
    err_ << "refused: " << displayName(record.name, codePage_) << ": " << describe(verdict)
         << " (would be written outside the target folder)\n";
  }
  bool onFailure(const Record& record, const std::string& path, ReadStatus status) override {
    err_ << "failed: " << displayName(record.name, codePage_) << " -> " << path << ": " << describe(status)
         << "\n";
    return true;
  }

 private:
  bool overwrite_;
  unsigned int codePage_;
  std::ostream& out_;
  std::ostream& err_;
};

int extract(OpenedArchive& archive, const std::string& folder, bool overwrite, unsigned int codePage,
            std::ostream& out, std::ostream& err) {
#ifdef _WIN32
  WinTarget target;
#else
  PosixTarget target(codePage);
#endif
  if (!target.makeFolders(folder)) {
    err << "nxz: cannot create the folder " << folder << "\n";
    return 1;
  }
  ConsoleListener listener(overwrite, codePage, out, err);
  ExtractSummary s =
      extractAll(archive.source(), archive.where(), folder, target, listener, leadBytesOfCodePage(codePage));
  if (s.status != ReadStatus::kOk && s.written == 0 && s.failed == 0) {
    err << "nxz: " << describe(s.status) << "; nothing was extracted\n";
    return 1;
  }
  out << s.written << " files written, " << s.skipped << " kept, " << s.refused << " refused, " << s.failed
      << " failed\n";
  return s.refused || s.failed || s.status != ReadStatus::kOk ? 1 : 0;
}

}  // namespace

int runNxz(int argc, const char* const* argv, std::ostream& out, std::ostream& err) {
  // view and diff read their own options; the command is the first argument
  // that is neither an option nor the code page after -c.
  for (int i = 1; i < argc; ++i) {
    std::string a = argv[i];
    if (a == "-c" || a == "--codepage") {
      ++i;
      continue;
    }
    if (!a.empty() && a[0] == '-') continue;
    if (a != "view" && a != "diff") break;
    std::vector<std::string> rest;
    for (int k = 1; k < argc; ++k)
      if (k != i) rest.push_back(argv[k]);
    return a == "view" ? nox::nxz::runView(rest, out, err) : nox::nxz::runDiff(rest, out, err);
  }
  std::vector<std::string> args;
  bool overwrite = false;
  unsigned int codePage = defaultCodePage();
  for (int i = 1; i < argc; ++i) {
    std::string a = argv[i];
    if (a == "-o" || a == "--overwrite") {
      overwrite = true;
    } else if ((a == "-c" || a == "--codepage") && i + 1 < argc) {
      codePage = static_cast<unsigned int>(std::strtoul(argv[++i], nullptr, 10));
    } else if (a == "-h" || a == "--help") {
      out << kUsage;
      return 0;
    } else if (a.size() > 1 && a[0] == '-') {
      err << "nxz: unknown option " << a << "\n" << kUsage;
      return 2;
    } else {
      args.push_back(a);
    }
  }
  if (args.size() < 2 || args.size() > 3 || (args[0] != "extract" && args.size() != 2) ||
      (args[0] != "list" && args[0] != "test" && args[0] != "extract")) {
    err << kUsage;
    return 2;
  }
  OpenedArchive archive;
  if (!archive.open(args[1], err)) return 2;
  if (args[0] == "list") return list(archive, codePage, out, err);
  if (args[0] == "test") return test(archive, codePage, out, err);
  return extract(archive, args.size() == 3 ? args[2] : ".", overwrite, codePage, out, err);
}
