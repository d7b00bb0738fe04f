#include "nox/FileUtil.h"

#include <cstdio>
#include <cstring>

#include "Internal.h"
#include "LongPath.h"
#include "nox/Error.h"
#include "nox/String.h"

namespace {
char g_workFolder[MAX_PATH] = "";

const char* const kWorkFolderName = "NoxTemp";
const char* const kCopyFailedFileName = "directoryCopyFailed.txt";

// The byte after the character at p; a double-byte character counts as one.
inline const char* nextChar(const char* p) {
  return p + ((noxIsLeadByte(static_cast<unsigned char>(*p)) && p[1] != '\0') ? 2 : 1);
}
inline char* nextChar(char* p) { return const_cast<char*>(nextChar(static_cast<const char*>(p))); }

// Only absolute drive paths longer than a bare root are ever removed or copied:
// a relative, network or device path could point anywhere.
bool isSafeDrivePath(const char* path) {
  return path && std::strlen(path) > 4 && path[1] == ':' && path[2] == '\\';
}

// out := folder\name with exactly one backslash between; false when it does not fit.
bool joinPath(char (&out)[MAX_PATH], const char* folder, const char* name) {
  size_t folderLength = std::strlen(folder);
  size_t nameLength = std::strlen(name);
  bool separator = folderLength > 0 && !noxEndsWithBackslash(folder);
  size_t total = folderLength + (separator ? 1 : 0) + nameLength;
  if (total >= MAX_PATH) return false;
  std::memcpy(out, folder, folderLength);
  if (separator) out[folderLength] = '\\';
  std::memcpy(out + folderLength + (separator ? 1 : 0), name, nameLength + 1);
  return true;
}

bool isDotEntry(const char* name) {
  return name[0] == '.' && (name[1] == '\0' || (name[1] == '.' && name[2] == '\0'));
}

// A name counts as taken unless the system says plainly that nothing is there:
// a name it cannot look at (access denied, pending deletion) is no free name.
bool nameTaken(const char* path) {
  if (GetFileAttributesA(path) != INVALID_FILE_ATTRIBUTES) return true;
  DWORD error = GetLastError();
  return error != ERROR_FILE_NOT_FOUND && error != ERROR_PATH_NOT_FOUND;
}

bool ensureFolder(const char* path) {
  DWORD attributes = GetFileAttributesA(path);
  if (attributes != INVALID_FILE_ATTRIBUTES) return (attributes & FILE_ATTRIBUTE_DIRECTORY) != 0;
  if (CreateDirectoryA(path, nullptr)) return true;
  if (GetLastError() != ERROR_ALREADY_EXISTS) return false;
  // Someone else made it in the meantime; it still has to be a folder.
  attributes = GetFileAttributesA(path);
  return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY) != 0;
}

// Read-only files (copied logs keep the attribute) would otherwise stay behind.
bool deleteFile(const char* path) {
  if (DeleteFileA(path)) return true;
  DWORD attributes = GetFileAttributesA(path);
  if (attributes == INVALID_FILE_ATTRIBUTES || !(attributes & FILE_ATTRIBUTE_READONLY)) return false;
  if (!SetFileAttributesA(path, attributes & ~FILE_ATTRIBUTE_READONLY)) return false;
  if (DeleteFileA(path)) return true;
  SetFileAttributesA(path, attributes);
  return false;
}

void writeCopyFailure(const char* errorFile, const char* source, DWORD error) {
  char text[4096];
  int length =
      std::snprintf(text, sizeof(text), "Can't copy file %s. (err=%d)", source, static_cast<int>(error));
  if (length < 0) return;
  if (length >= static_cast<int>(sizeof(text))) length = sizeof(text) - 1;
  HANDLE file =
      CreateFileA(errorFile, GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
  if (file == INVALID_HANDLE_VALUE) return;
  DWORD written = 0;
  WriteFile(file, text, static_cast<DWORD>(length), &written, nullptr);
  CloseHandle(file);
}

// Long form of an existing path (short 8.3 names expanded), else path as given.
void longForm(char (&out)[MAX_PATH], const char* path) {
  typedef DWORD(WINAPI * LongPathCall)(LPCSTR, LPSTR, DWORD);
  static const LongPathCall longPathName = reinterpret_cast<LongPathCall>(
      reinterpret_cast<void*>(GetProcAddress(GetModuleHandleA("kernel32.dll"), "GetLongPathNameA")));
  if (longPathName) {
    DWORD n = longPathName(path, out, MAX_PATH);
    if (n > 0 && n < MAX_PATH) return;
  } else if (expandLongPath(out, path)) {
    return;
  }
  lstrcpynA(out, path, MAX_PATH);
}

// Whether folder is inside (or is) ancestor, comparing the way the file system does.
bool isSameOrInside(const char* folder, const char* ancestor) {
  char longFolder[MAX_PATH];
  char longAncestor[MAX_PATH];
  longForm(longFolder, folder);
  longForm(longAncestor, ancestor);
  int ancestorLength = lstrlenA(longAncestor);
  while (ancestorLength > 0 && noxEndsWithBackslash(longAncestor)) longAncestor[--ancestorLength] = '\0';
  if (lstrlenA(longFolder) < ancestorLength) return false;
  if (CompareStringA(LOCALE_SYSTEM_DEFAULT, NORM_IGNORECASE, longFolder, ancestorLength, longAncestor,
                     ancestorLength) != CSTR_EQUAL) {
    return false;
  }
  char after = longFolder[ancestorLength];
  return after == '\0' || after == '\\';
}
}  // namespace

int initializeUtility() {
  Exception::outOfMemory();
  // Loaded twice: keep the one work folder rather than orphan it.
  if (g_workFolder[0]) return noxMkDir(g_workFolder);
  char temp[MAX_PATH];
  DWORD n = GetTempPathA(MAX_PATH, temp);
  if (n == 0 || n >= MAX_PATH) return 0;
  char chosen[MAX_PATH];
  if (!noxUniqFileName(chosen, temp, kWorkFolderName)) return 0;
  if (!noxMkDir(chosen)) return 0;
  lstrcpynA(g_workFolder, chosen, MAX_PATH);
  return 1;
}

int uninitializeUtility() {
  Exception::destroyOutOfMemory();
  if (!g_workFolder[0]) return 0;
  int removed = noxRmDir(g_workFolder, 1);
  g_workFolder[0] = '\0';
  return removed;
}

const char* getWorkFolder() { return g_workFolder; }

int setWorkFolder(const char* parent) {
  if (!parent || !parent[0]) return 0;
  // The work folder is process-wide and removed at the end: it must not move
  // when the current folder does.
  char fullParent[MAX_PATH];
  DWORD n = GetFullPathNameA(parent, MAX_PATH, fullParent, nullptr);
  if (n == 0 || n >= MAX_PATH) return 0;
  // Removing the old folder would take a new one inside it along.
  if (g_workFolder[0] && isSameOrInside(fullParent, g_workFolder)) return 0;
  char chosen[MAX_PATH];
  if (!noxUniqFileName(chosen, fullParent, kWorkFolderName)) return 0;
  if (!noxMkDir(chosen)) return 0;
  if (g_workFolder[0]) noxRmDir(g_workFolder, 1);
  lstrcpynA(g_workFolder, chosen, MAX_PATH);
  return 1;
}

int noxMkDir(const char* path) {
  if (!path) return 0;
  size_t length = std::strlen(path);
  if (length >= MAX_PATH) return 0;
  char work[MAX_PATH];
  std::memcpy(work, path, length + 1);

  char* p = work;
  if (work[0] == '\\' && work[1] == '\\') {
    // \\server\share: the server itself is never created.
    p = work + 2;
    while (*p && *p != '\\') p = nextChar(p);
    if (!*p) return 0;
    ++p;
  } else if (work[0] == '\\') {
    p = work + 1;
  } else if (work[0] != '\0' && work[1] == ':') {
    if (length < 4) return 0;
    p = work + 3;
  }

  for (; *p; p = nextChar(p)) {
    if (*p != '\\' || p[1] == '\0') continue;
    *p = '\0';
    bool ok = ensureFolder(work);
    *p = '\\';
    if (!ok) return 0;
  }
  if (noxEndsWithBackslash(work)) work[length - 1] = '\0';
  return ensureFolder(work) ? 1 : 0;
}

int noxRmDir(const char* path, int deleteFiles) {
  if (!isSafeDrivePath(path)) return 0;
  char pattern[MAX_PATH];
  if (!joinPath(pattern, path, "*.*")) return 0;
  WIN32_FIND_DATAA entry;
  HANDLE find = FindFirstFileA(pattern, &entry);
  if (find == INVALID_HANDLE_VALUE) return 0;
  bool ok = true;
  do {
    if (isDotEntry(entry.cFileName)) continue;
    char child[MAX_PATH];
    if (!joinPath(child, path, entry.cFileName)) {
      ok = false;
    } else if (entry.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) {
      // A junction or link is removed itself; what it points to is not ours.
      if (entry.dwFileAttributes & FILE_ATTRIBUTE_REPARSE_POINT) {
        ok = RemoveDirectoryA(child) != 0;
      } else {
        ok = noxRmDir(child, deleteFiles) != 0;
      }
    } else {
      ok = deleteFiles != 0 && deleteFile(child);
    }
  } while (ok && FindNextFileA(find, &entry));
  FindClose(find);
  if (!ok) return 0;
  return RemoveDirectoryA(path) ? 1 : 0;
}

int noxCpDir(const char* source, const char* target) {
  if (!isSafeDrivePath(source) || !target) return 0;
  DWORD targetAttributes = GetFileAttributesA(target);
  if (targetAttributes == INVALID_FILE_ATTRIBUTES) {
    CreateDirectoryA(target, nullptr);
  } else if (!(targetAttributes & FILE_ATTRIBUTE_DIRECTORY)) {
    return 0;
  }
  char pattern[MAX_PATH];
  if (!joinPath(pattern, source, "*.*")) return 0;
  WIN32_FIND_DATAA entry;
  HANDLE find = FindFirstFileA(pattern, &entry);
  if (find == INVALID_HANDLE_VALUE) return 0;
  do {
    if (isDotEntry(entry.cFileName)) continue;
    char from[MAX_PATH];
    char to[MAX_PATH];
    // An entry too long to name cannot be copied, nor its failure recorded.
    if (!joinPath(from, source, entry.cFileName) || !joinPath(to, target, entry.cFileName)) continue;
    if (entry.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) {
      // A junction or link is not followed (as noxRmDir does not): one pointing up
      // the tree would copy the tree into itself until the paths overflow.
      if (entry.dwFileAttributes & FILE_ATTRIBUTE_REPARSE_POINT) continue;
      noxMkDir(to);
      if (!noxCpDir(from, to)) {
        DWORD error = GetLastError();
        char errorFile[MAX_PATH];
        if (joinPath(errorFile, to, kCopyFailedFileName)) writeCopyFailure(errorFile, from, error);
      }
    } else if (!CopyFileA(from, to, FALSE)) {
      writeCopyFailure(to, from, GetLastError());
    }
  } while (FindNextFileA(find, &entry));
  FindClose(find);
  return 1;
}

int noxEndsWithBackslash(const char* path) {
  if (!path) return 0;
  const char* last = nullptr;
  for (const char* p = path; *p; p = nextChar(p)) last = p;
  return last && *last == '\\';
}

const char* noxGetBaseName(const char* path) { return path ? noxBaseNameOf(path) : path; }

int noxGetPath(const char* path, char* buffer, int size) {
  if (!path || !buffer || size <= 0) return 0;
  lstrcpynA(buffer, path, size);
  buffer[size - 1] = '\0';
  char* base = const_cast<char*>(noxBaseNameOf(buffer));
  if (base != buffer) base[-1] = '\0';
  return lstrlenA(buffer);
}

int noxUniqFileName(char* result, const char* folder, const char* name) {
  if (!result || !folder || !name) return 0;
  // Leaves room for the separator and "(999)" within MAX_PATH.
  if (std::strlen(folder) + std::strlen(name) >= 254) return 0;
  char candidate[MAX_PATH];
  if (!joinPath(candidate, folder, name)) return 0;
  if (!nameTaken(candidate)) {
    std::memcpy(result, candidate, std::strlen(candidate) + 1);
    return 1;
  }

  // The counter goes before the extension of the last component of name.
  const char* component = name;
  for (const char* p = name; *p; p = nextChar(p)) {
    if (*p == '\\') component = p + 1;
  }
  const char* extension = nullptr;
  for (const char* p = component; *p; p = nextChar(p)) {
    if (*p == '.') extension = p;
  }
  if (!extension || extension[1] == '\0') extension = name + std::strlen(name);

  char numbered[MAX_PATH];
  int stemLength = static_cast<int>(extension - name);
  for (int i = 1; i <= 999; ++i) {
    std::snprintf(numbered, sizeof(numbered), "%.*s(%d)%s", stemLength, name, i, extension);
    if (!joinPath(candidate, folder, numbered)) return 0;
    if (!nameTaken(candidate)) {
      std::memcpy(result, candidate, std::strlen(candidate) + 1);
      return 1;
    }
  }
  return 0;
}
