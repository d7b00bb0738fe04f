#pragma once

// Extraction of a located archive into a target folder, shared by the
// self-extractor and the command-line tool. The file system is reached through
// TargetFileSystem, so the same rules hold on Windows and on Linux.

#include <cstdint>
#include <string>
#include <vector>

#include "nox/archive/Reader.h"

namespace nox::archive {

// True for a byte that starts a two-byte character of the code page in use.
using LeadBytePredicate = bool (*)(unsigned char byte);

// Lead-byte ranges of the double-byte ANSI code pages (932, 936, 949, 950); null
// for single-byte code pages.
LeadBytePredicate leadBytesOfCodePage(unsigned int codePage);

enum class NameVerdict {
  kOk,
  kEmpty,        // no name, or an empty component ("a\\\\b", trailing separator)
  kAbsolute,     // begins with a separator (root, UNC, device path)
  kDrive,        // names a drive ("C:...")
  kParent,       // a ".." component (also ". ." and dots with trailing blanks)
  kStreamColon,  // a ':' elsewhere (alternate data stream)
  kControlChar,  // a byte below 0x20
  kDeviceName,   // a DOS device (CON, PRN, AUX, NUL, COM1-9, LPT1-9), also with an extension
};

const char* describe(NameVerdict verdict);

// Checks an entry name and splits it into components. Both '\' and '/' separate,
// since Windows treats both as separators; a trail byte of a double-byte
// character never does.
NameVerdict splitEntryName(const std::string& name, LeadBytePredicate isLead,
                           std::vector<std::string>& parts);

// The target folder a user typed, against the path of the program that asks: an
// empty text is the program's folder; "\x" is taken on the program's drive
// ("C:\x") or, for a program on the network, its share ("\\server\share\x"); a
// name without a drive ("x", "x\y") is taken beside the program. Anything else
// ("D:\x", "\\server\share\x") is returned as typed.
std::string resolveTypedFolder(const std::string& programPath, const std::string& typed,
                               LeadBytePredicate isLead);

struct ExistingFile {
  bool exists = false;
  bool isFolder = false;
  uint64_t size = 0;
  uint64_t lastWrite = 0;  // FILETIME
};

class TargetFileSystem {
 public:
  virtual ~TargetFileSystem() = default;
  // Joins the target folder and the checked components into a native path.
  virtual std::string join(const std::string& root, const std::vector<std::string>& parts) = 0;
  virtual ExistingFile inspect(const std::string& path) = 0;
  // Creates the folder and any missing parents; true when it exists afterwards.
  virtual bool makeFolders(const std::string& path) = 0;
  // Creates or replaces the file (clearing a read-only attribute first).
  virtual Sink* createFile(const std::string& path) = 0;
  // Completes the file made by createFile; false when the last writes failed.
  virtual bool finishFile(Sink* file) = 0;
  // Removes a partly written file after a failure.
  virtual void removeFile(const std::string& path) = 0;
  virtual bool setTimesAndAttributes(const std::string& path, const Record& record) = 0;
};

enum class OverwriteAnswer { kYes, kAll, kNo };

// What the extraction tells its user and asks of it.
class ExtractListener {
 public:
  virtual ~ExtractListener() = default;
  // Before each record; false stops the extraction.
  virtual bool onEntry(uint32_t index, uint32_t count, const Record& record) = 0;
  virtual OverwriteAnswer onExists(const std::string& path, const ExistingFile& existing) = 0;
  // A name that would leave the target folder; the entry is skipped.
  virtual void onRefusedName(const Record& record, NameVerdict verdict) = 0;
  // A file or folder that cannot be created, or content that fails; the
  // extraction ends when this returns false.
  virtual bool onFailure(const Record& record, const std::string& path, ReadStatus status) = 0;
};

struct ExtractSummary {
  uint32_t written = 0;
  uint32_t skipped = 0;  // declined overwrites
  uint32_t refused = 0;  // unsafe names
  uint32_t failed = 0;
  bool stopped = false;                 // by the listener
  ReadStatus status = ReadStatus::kOk;  // the first directory or content failure
};

// Extracts every entry of the archive at `where` into root. The directory is
// checked completely before anything is written, so a corrupt directory writes
// nothing. Folder times and attributes are set after all their contents exist.
ExtractSummary extractAll(ByteSource& file, const Location& where, const std::string& root,
                          TargetFileSystem& fs, ExtractListener& listener, LeadBytePredicate isLead);

}  // namespace nox::archive
