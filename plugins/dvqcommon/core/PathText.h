#pragma once

#include <string>

// Path texts of the document server plug-ins: narrow text in the ANSI code
// page. Every scan for a backslash or a slash steps over double-byte
// characters, so a trail byte with the value of either is never taken for one;
// the caller says which bytes lead a double-byte character.
namespace dvq {

using LeadBytePredicate = bool (*)(unsigned char);

// For single-byte code pages (and the portable tests).
bool noLeadBytes(unsigned char);

// Position of the last backslash, or std::string::npos.
size_t lastBackslash(const std::string& path, LeadBytePredicate isLead);

// Each '/' becomes '\' (product values written with forward slashes).
std::string withBackslashes(const std::string& path, LeadBytePredicate isLead);

// The path without its last component (from its last backslash on); a path
// without any backslash has nothing left.
std::string parentOf(const std::string& path, LeadBytePredicate isLead);

// parentOf applied `count` times, stopping once nothing is left.
std::string withoutComponents(const std::string& path, unsigned long count, LeadBytePredicate isLead);

// A value that starts with a double quote ("C:\Prog\app.exe" -arg) loses it and
// everything from the next double quote on; any other value is returned as it is.
std::string unquoted(const std::string& value);

// folder + "\" + name, without doubling a backslash the folder already ends in.
std::string joinPath(const std::string& folder, const std::string& name, LeadBytePredicate isLead);

// The text of a key below HKEY_LOCAL_MACHINE as the control files give it; a
// leading "\HKCU\" is removed (the key is still read under HKEY_LOCAL_MACHINE).
std::string withoutUserPrefix(const std::string& key);

// A name from a control file made fit to be one file name in the work folder:
// characters no file name may hold (\ / : * ? " < > |) and control bytes become '_'.
std::string asFileName(const std::string& name, LeadBytePredicate isLead);

}  // namespace dvq
