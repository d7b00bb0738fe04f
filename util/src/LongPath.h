#pragma once

#include <windows.h>

#include <cstring>
#include <string>

#include "nox/String.h"

// The long form of an existing absolute drive path, each part looked up with
// FindFirstFileA: what GetLongPathNameA (Windows 98 and 2000 on) gives, for
// the systems that lack it. False when a part cannot be found.
inline bool expandLongPath(char (&out)[MAX_PATH], const char* path) {
  if (!path || std::strlen(path) < 3 || path[1] != ':' || path[2] != '\\') return false;
  std::string result(path, 3);
  const char* p = path + 3;
  while (*p) {
    const char* start = p;
    while (*p && *p != '\\') p += (noxIsLeadByte(static_cast<unsigned char>(*p)) && p[1]) ? 2 : 1;
    std::string part(start, p);
    bool separated = *p == '\\';
    if (separated) ++p;
    if (part.empty()) continue;
    if (part.find_first_of("*?") != std::string::npos) return false;
    if (part == "." || part == "..") return false;
    WIN32_FIND_DATAA data;
    HANDLE find = FindFirstFileA((result + part).c_str(), &data);
    if (find == INVALID_HANDLE_VALUE) return false;
    FindClose(find);
    result += data.cFileName;
    if (separated) result += '\\';
  }
  if (result.size() >= MAX_PATH) return false;
  std::memcpy(out, result.c_str(), result.size() + 1);
  return true;
}
