#pragma once

#include <string>
#include <vector>

#include "PathText.h"

// The tab-separated control files beside the host program, which add sources
// to the document server reports (reglist.txt, cnflist.txt, loglist.txt,
// joblist.txt ...). Portable: the caller reads the file's bytes.
namespace dvq {

// Lines as the control files are read: at most 2047 characters a line, the
// line break (LF, CR LF or CR) removed, text after a NUL byte ignored. Lines
// that begin with '#' and lines longer than 2047 characters are left out (a
// longer line cannot be read whole, and its pieces are no entries).
std::vector<std::string> controlLines(const std::string& bytes);
constexpr size_t kControlLineLimit = 2047;

// Every line of a text file, line breaks removed (property files).
std::vector<std::string> textLines(const std::string& bytes);

// A registry value named as key and value name joined by a backslash.
struct RegistryValueName {
  std::string key;  // below HKEY_LOCAL_MACHINE, "\HKCU\" already removed
  std::string value;
};
// Splits at the last backslash; false when there is none.
bool splitValueName(const std::string& field, RegistryValueName& out, LeadBytePredicate isLead);

// The ":n" a field may end in: n components to remove. The field is cut at its
// first ':'; n counts only when every character after it is a digit (else 0).
struct StripCount {
  std::string field;
  unsigned long count = 0;
};
StripCount splitStripCount(const std::string& field);

// reglist.txt: name TAB key (the rest of the line).
struct RegistryBranchLine {
  std::string name;
  std::string key;
};
std::vector<RegistryBranchLine> registryBranchLines(const std::string& bytes);

// cnflist.txt, loglist.txt: name TAB key\value TAB specification (the rest).
// joblist.txt has the same form, its third field a relative path.
// loglist_regseparator.txt: the same with key\value[:n].
struct SourceLine {
  std::string name;
  RegistryValueName value;
  unsigned long strip = 0;  // components to remove (regseparator forms only)
  std::string specification;
};
std::vector<SourceLine> sourceLines(const std::string& bytes, bool withStripCount, LeadBytePredicate isLead);

// filelist_regseparator.txt: name TAB key\value[:n] (the rest).
std::vector<SourceLine> listingLines(const std::string& bytes, LeadBytePredicate isLead);

// loglist_env.txt: name TAB variable TAB specification; a variable written
// "system:NAME" names a variable of the system environment.
struct EnvironmentLine {
  std::string name;
  std::string variable;
  bool system = false;
  std::string specification;
};
std::vector<EnvironmentLine> environmentLines(const std::string& bytes);

// The text after `prefix` of the first line that starts with it; empty without one.
std::string propertyValue(const std::vector<std::string>& lines, const std::string& prefix);

}  // namespace dvq
