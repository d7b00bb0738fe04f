#include "RecordedFileApi.h"

#include <algorithm>
#include <cstring>

RecordedFileApi::~RecordedFileApi() = default;

std::string RecordedFileApi::unescape(const std::string& text) {
  std::string out;
  for (size_t i = 0; i < text.size(); ++i) {
    if (text[i] != '\\' || i + 1 == text.size()) {
      out += text[i];
      continue;
    }
    char next = text[++i];
    if (next == 'r') {
      out += '\r';
    } else if (next == 'n') {
      out += '\n';
    } else if (next == 't') {
      out += '\t';
    } else if (next == 'x' && i + 2 < text.size()) {
      out += static_cast<char>(std::stoul(text.substr(i + 1, 2), nullptr, 16));
      i += 2;
    } else {
      out += next;
    }
  }
  return out;
}

std::string RecordedFileApi::section(const char* path) const {
  std::string wanted = path ? path : "";
  for (const std::string& name : machine_.named("file")) {
    if (lstrcmpiA(name.c_str(), wanted.c_str()) == 0) return "file " + name;
  }
  return std::string();
}

RecordedFileApi::OpenFile* RecordedFileApi::file(HANDLE handle) {
  auto it = open_.find(static_cast<OpenFile*>(handle));
  return it == open_.end() ? nullptr : it->second.get();
}

DWORD RecordedFileApi::GetFileAttributesA(LPCSTR path) {
  if (section(path).empty()) {
    machine_.fail(ERROR_FILE_NOT_FOUND);
    return INVALID_FILE_ATTRIBUTES;
  }
  return FILE_ATTRIBUTE_ARCHIVE;
}

HANDLE RecordedFileApi::CreateFileA(LPCSTR path, DWORD access, DWORD, LPSECURITY_ATTRIBUTES,
                                    DWORD disposition, DWORD, HANDLE) {
  std::string name = section(path);
  if (name.empty()) {
    machine_.fail(ERROR_FILE_NOT_FOUND);
    return INVALID_HANDLE_VALUE;
  }
  if ((access & ~GENERIC_READ) != 0 || disposition != OPEN_EXISTING) {
    machine_.fail(ERROR_ACCESS_DENIED);
    return INVALID_HANDLE_VALUE;
  }
  if (machine_.get(name, "open") == "denied") {
    machine_.fail(ERROR_SHARING_VIOLATION);
    return INVALID_HANDLE_VALUE;
  }
  auto opened = std::make_unique<OpenFile>();
  opened->section = name;
  opened->content = unescape(machine_.get(name, "text"));
  OpenFile* handle = opened.get();
  open_[handle] = std::move(opened);
  return handle;
}

BOOL RecordedFileApi::GetFileInformationByHandle(HANDLE handle, LPBY_HANDLE_FILE_INFORMATION information) {
  OpenFile* f = file(handle);
  if (!f) return machine_.fail(ERROR_INVALID_HANDLE);
  std::memset(information, 0, sizeof *information);
  std::string written = machine_.get(f->section, "written", "2000-01-01 00:00:00");
  information->dwFileAttributes = FILE_ATTRIBUTE_ARCHIVE;
  information->ftCreationTime = RecordedPlatform::fileTime(machine_.get(f->section, "created", written));
  information->ftLastWriteTime = RecordedPlatform::fileTime(written);
  information->ftLastAccessTime = information->ftLastWriteTime;
  information->nFileSizeLow = static_cast<DWORD>(f->content.size());
  information->nNumberOfLinks = 1;
  return TRUE;
}

BOOL RecordedFileApi::ReadFile(HANDLE handle, LPVOID buffer, DWORD size, LPDWORD read, LPOVERLAPPED) {
  OpenFile* f = file(handle);
  if (!f) return machine_.fail(ERROR_INVALID_HANDLE);
  size_t count = std::min<size_t>(size, f->content.size() - f->position);
  std::memcpy(buffer, f->content.data() + f->position, count);
  f->position += count;
  *read = static_cast<DWORD>(count);
  return TRUE;
}

BOOL RecordedFileApi::CloseHandle(HANDLE handle) {
  if (!file(handle)) return machine_.fail(ERROR_INVALID_HANDLE);
  open_.erase(static_cast<OpenFile*>(handle));
  return TRUE;
}
