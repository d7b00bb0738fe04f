#pragma once

#include <string>

// Reading one key of a settings file in the form of win.ini ("[section]" lines,
// "key=value" lines), as GetPrivateProfileStringA does: section and key names
// compared without regard to case, blanks around names and values dropped, a
// value enclosed in double quotes loses them. Portable: the caller reads the
// file's bytes. The product's qvd.cnf is read this way.
namespace dvq {

// The value of `key` in `section`, at most `limit` characters; `fallback` when
// the section or the key is not there.
std::string profileValue(const std::string& bytes, const std::string& section, const std::string& key,
                         const std::string& fallback, size_t limit);

}  // namespace dvq
