#pragma once

#include <windows.h>

#include <string>
#include <vector>

#include "PathText.h"

// What the document server plug-ins ask of the machine, through the platform
// helpers' seams: registry values, files and folders, the control files beside
// the host program.
namespace dvq {

// Lead bytes of the machine's ANSI code page.
bool machineLeadByte(unsigned char c);

// Whether this process is a 32-bit process on 64-bit Windows. Windows without
// IsWow64Process (before XP SP2) runs no such process: false.
bool runsUnderWow64();

// A registry value read as text, whatever its type: its bytes up to the first
// NUL. The first read offers 256 bytes; when the platform asks for more, the
// value is read again into the size it names plus one. With `wow64` the read is
// repeated in the 64-bit view when the first fails. ERROR_SUCCESS or the
// platform's error code.
LONG readValueText(HKEY root, const std::string& key, const char* value, std::string& text,
                   bool wow64 = false, REGSAM extraAccess = 0);

// A registry value read once into a buffer of `room` bytes (as the product's
// fixed buffers read them): the text up to the first NUL, at most room - 1
// characters. False when the key or value cannot be read or needs more room.
bool readFixedText(HKEY root, const std::string& key, const char* value, size_t room, std::string& text);

// A DWORD value; false when it cannot be read or is no four-byte value.
bool readDword(HKEY root, const std::string& key, const char* value, DWORD& number);

DWORD attributesOf(const std::string& path);
bool isFolder(const std::string& path);
// An existing file that is not a folder.
bool isFile(const std::string& path);
bool exists(const std::string& path);

// The whole file; false when it cannot be opened or read.
bool readFile(const std::string& path, std::string& bytes);

// The names the platform's file search finds for `pattern`, "." and ".."
// left out, in the order of the search. False when the search cannot start.
bool findNames(const std::string& pattern, std::vector<std::string>& names);

// The entries the file search finds for `pattern`, "." and ".." left out (by
// exact comparison), in the order of the search. False when it cannot start.
bool findEntries(const std::string& pattern, std::vector<WIN32_FIND_DATAA>& entries);

// The folder of the host program's executable file (no trailing backslash).
std::string hostFolder();

// A control file beside the host program; false when there is none.
bool readControlFile(const char* name, std::string& bytes);

}  // namespace dvq
