#include <cstring>

#include "Internal.h"
#include "nox/FileUtil.h"
#include "nox/Memory.h"
#include "nox/String.h"

namespace {
const NoxRegistryCalls kSystemCalls = {RegOpenKeyExA, RegQueryInfoKeyA, RegEnumValueA, RegEnumKeyExA,
                                       RegCloseKey};
#ifdef NOX_TEST_HOOKS
NoxRegistryCalls g_calls = kSystemCalls;
#else
const NoxRegistryCalls& g_calls = kSystemCalls;
#endif

const char* const kExportMethod = "exportRegistryToFile";
const char* const kRetrieveMethod = "retrieveToFile";
const char* const kRegistriesFolder = "registries";

// ERROR_MORE_DATA means the key changed since it was measured (or an ANSI name
// needs more bytes than characters); buffers grow and the entry is read again,
// a bounded number of times.
const int kMaxRereads = 16;
const size_t kOutputChunk = 64 * 1024;

[[noreturn]] void raise(unsigned int id, LONG error, const char* method) {
  SetLastError(static_cast<DWORD>(error));
  NOX_RAISE(id, static_cast<unsigned int>(error), static_cast<unsigned int>(error), "", method);
}

class KeyHandle {
 public:
  explicit KeyHandle(HKEY key) : key_(key) {}
  ~KeyHandle() { g_calls.closeKey(key_); }
  NOX_NON_COPYABLE(KeyHandle);

 private:
  HKEY key_;
};

class FileHandle {
 public:
  explicit FileHandle(HANDLE file) : file_(file) {}
  ~FileHandle() { CloseHandle(file_); }
  NOX_NON_COPYABLE(FileHandle);

 private:
  HANDLE file_;
};

// A byte buffer from the library's allocator that only grows.
class Buffer {
 public:
  Buffer() = default;
  ~Buffer() { noxFree(data_); }
  NOX_NON_COPYABLE(Buffer);

  char* data() const { return data_; }
  size_t capacity() const { return capacity_; }
  void reserve(size_t size, const char* method) {
    if (size <= capacity_) return;
    void* grown = noxRealloc(data_, size);
    if (!grown) NOX_RAISE_MEMORY("", method);
    data_ = static_cast<char*>(grown);
    capacity_ = size;
  }

 private:
  char* data_ = nullptr;
  size_t capacity_ = 0;
};

// Collects the text in large pieces: one WriteFile per chunk, not per line.
class Output {
 public:
  explicit Output(HANDLE file) : file_(file) { chunk_.reserve(kOutputChunk, kExportMethod); }
  NOX_NON_COPYABLE(Output);

  void put(const char* text, size_t length) {
    while (length > 0) {
      if (used_ == kOutputChunk) flush();
      size_t n = kOutputChunk - used_ < length ? kOutputChunk - used_ : length;
      std::memcpy(chunk_.data() + used_, text, n);
      used_ += n;
      text += n;
      length -= n;
    }
  }
  void put(const char* text) { put(text, std::strlen(text)); }
  void put(char c) {
    if (used_ == kOutputChunk) flush();
    chunk_.data()[used_++] = c;
  }

  // Hexadecimal bytes separated by commas, all on one line.
  void putHex(const unsigned char* bytes, size_t count) {
    static const char kDigits[] = "0123456789abcdef";
    for (size_t i = 0; i < count; ++i) {
      if (kOutputChunk - used_ < 3) flush();
      char* out = chunk_.data() + used_;
      size_t n = 0;
      if (i > 0) out[n++] = ',';
      out[n++] = kDigits[bytes[i] >> 4];
      out[n++] = kDigits[bytes[i] & 0x0F];
      used_ += n;
    }
  }

  void flush() {
    if (used_ == 0) return;
    DWORD written = 0;
    BOOL ok = WriteFile(file_, chunk_.data(), static_cast<DWORD>(used_), &written, nullptr);
    DWORD error = ok ? ERROR_WRITE_FAULT : GetLastError();
    bool complete = ok && written == used_;
    used_ = 0;
    if (!complete) raise(NOX_ERR_FILE_WRITE, static_cast<LONG>(error), kExportMethod);
  }

  // After a failure elsewhere: keep what was written so far, if the file takes it.
  void flushQuietly() {
    try {
      flush();
    } catch (IException* e) {
      e->release();
    }
  }

 private:
  HANDLE file_;
  Buffer chunk_;
  size_t used_ = 0;
};

struct ExportState {
  explicit ExportState(HANDLE file) : out(file) {}
  Output out;
  Buffer keyName;  // full name of the key being written; children append to it
  Buffer name;     // value or sub-key name, shared by every level
  Buffer data;     // value data, shared by every level
};

LONG openForReading(HKEY parent, const char* subKey, HKEY* key) {
  *key = nullptr;
  LONG status = g_calls.openKey(parent, subKey, 0, KEY_READ, key);
  if (status != ERROR_SUCCESS) {
    // A 32-bit process sees a redirected view; the key may exist only in the 64-bit one.
    *key = nullptr;
    status = g_calls.openKey(parent, subKey, 0, KEY_READ | KEY_WOW64_64KEY, key);
  }
  return status;
}

const char* rootName(HKEY root) {
  if (root == HKEY_CLASSES_ROOT) return "HKEY_CLASSES_ROOT";
  if (root == HKEY_CURRENT_USER) return "HKEY_CURRENT_USER";
  if (root == HKEY_LOCAL_MACHINE) return "HKEY_LOCAL_MACHINE";
  if (root == HKEY_USERS) return "HKEY_USERS";
  if (root == HKEY_CURRENT_CONFIG) return "HKEY_CURRENT_CONFIG";
  return nullptr;
}

// The string up to its first NUL, with every backslash doubled; a trail byte
// that equals a backslash is part of its character and stays single.
void putEscapedText(Output& out, const char* text) {
  const char* run = text;
  const char* p = text;
  while (*p) {
    if (noxIsLeadByte(static_cast<unsigned char>(*p)) && p[1] != '\0') {
      p += 2;
    } else if (*p == '\\') {
      out.put(run, static_cast<size_t>(p + 1 - run));
      out.put('\\');
      run = ++p;
    } else {
      ++p;
    }
  }
  out.put(run, static_cast<size_t>(p - run));
}

void putValue(Output& out, const char* name, DWORD type, const unsigned char* data, DWORD length) {
  if (name[0]) {
    out.put('"');
    out.put(name);
    out.put('"');
  } else {
    out.put('@');
  }
  switch (type) {
    case REG_SZ:
      out.put("=\"", 2);
      putEscapedText(out, reinterpret_cast<const char*>(data));
      out.put('"');
      break;
    case REG_DWORD: {
      // A malformed DWORD shorter than four bytes reads as zero-filled.
      DWORD value = 0;
      std::memcpy(&value, data, length < sizeof(value) ? length : sizeof(value));
      char text[24];
      wsprintfA(text, "=dword:%08x", static_cast<unsigned int>(value));
      out.put(text);
      break;
    }
    case REG_BINARY:
      out.put("=hex:", 5);
      out.putHex(data, length);
      break;
    default: {
      char text[24];
      wsprintfA(text, "=hex:(%d)", static_cast<int>(type));
      out.put(text);
      out.putHex(data, length);
      break;
    }
  }
  out.put("\r\n", 2);
}

void putValues(ExportState& state, HKEY key, DWORD knownValues) {
  int rereads = 0;
  // The key is written as it was measured: values added since are not looked for,
  // and values removed since end the walk early.
  for (DWORD index = 0; index < knownValues;) {
    DWORD nameLength = static_cast<DWORD>(state.name.capacity());
    DWORD type = REG_NONE;
    // One byte stays free behind the data for a terminator of our own.
    DWORD dataLength = static_cast<DWORD>(state.data.capacity() - 1);
    LONG status = g_calls.enumValue(key, index, state.name.data(), &nameLength, nullptr, &type,
                                    reinterpret_cast<BYTE*>(state.data.data()), &dataLength);
    if (status == ERROR_NO_MORE_ITEMS) return;
    if (status == ERROR_MORE_DATA && rereads < kMaxRereads) {
      ++rereads;
      if (dataLength >= state.data.capacity()) {
        state.data.reserve(static_cast<size_t>(dataLength) + 1, kRetrieveMethod);
      } else {
        state.name.reserve(state.name.capacity() * 2, kRetrieveMethod);
      }
      continue;
    }
    rereads = 0;
    if (status == ERROR_SUCCESS) {
      if (dataLength >= state.data.capacity()) dataLength = static_cast<DWORD>(state.data.capacity() - 1);
      if (nameLength >= state.name.capacity()) nameLength = static_cast<DWORD>(state.name.capacity() - 1);
      state.data.data()[dataLength] = '\0';
      state.name.data()[nameLength] = '\0';
      putValue(state.out, state.name.data(), type, reinterpret_cast<unsigned char*>(state.data.data()),
               dataLength);
    }
    // A value that cannot be read is left out rather than written from stale
    // buffers; its neighbours are still written.
    ++index;
  }
}

void retrieveToFile(ExportState& state, HKEY key, size_t keyNameLength) {
  DWORD subKeys = 0, maxSubKeyLength = 0, values = 0, maxValueNameLength = 0, maxDataLength = 0;
  LONG status = g_calls.queryInfoKey(key, nullptr, nullptr, nullptr, &subKeys, &maxSubKeyLength, nullptr,
                                     &values, &maxValueNameLength, &maxDataLength, nullptr, nullptr);
  if (status != ERROR_SUCCESS) raise(NOX_ERR_KEY, status, kRetrieveMethod);
  size_t longestName = maxSubKeyLength > maxValueNameLength ? maxSubKeyLength : maxValueNameLength;
  state.name.reserve(longestName + 1, kRetrieveMethod);
  state.data.reserve(static_cast<size_t>(maxDataLength) + 1, kRetrieveMethod);

  state.out.put("\r\n[", 3);
  state.out.put(state.keyName.data(), keyNameLength);
  state.out.put("]\r\n", 3);

  putValues(state, key, values);

  int rereads = 0;
  for (DWORD index = 0; index < subKeys;) {
    DWORD nameLength = static_cast<DWORD>(state.name.capacity());
    status = g_calls.enumKey(key, index, state.name.data(), &nameLength, nullptr, nullptr, nullptr, nullptr);
    if (status == ERROR_NO_MORE_ITEMS) return;
    if (status == ERROR_MORE_DATA && rereads < kMaxRereads) {
      ++rereads;
      state.name.reserve(state.name.capacity() * 2, kRetrieveMethod);
      continue;
    }
    rereads = 0;
    if (status != ERROR_SUCCESS) {
      ++index;
      continue;
    }
    if (nameLength >= state.name.capacity()) nameLength = static_cast<DWORD>(state.name.capacity() - 1);
    state.name.data()[nameLength] = '\0';

    HKEY child = nullptr;
    status = openForReading(key, state.name.data(), &child);
    if (status != ERROR_SUCCESS) raise(NOX_ERR_KEY, status, kRetrieveMethod);
    KeyHandle childGuard(child);

    size_t childNameLength = keyNameLength + 1 + nameLength;
    state.keyName.reserve(childNameLength + 1, kRetrieveMethod);
    state.keyName.data()[keyNameLength] = '\\';
    std::memcpy(state.keyName.data() + keyNameLength + 1, state.name.data(), nameLength);
    retrieveToFile(state, child, childNameLength);
    ++index;
  }
}

// The file's path: a drive path as given, else a free name in the registries
// folder of the work folder. Throws ID 5 when there is no such place.
void chooseFilePath(char (&path)[MAX_PATH], const char* fileName) {
  if (!fileName || !fileName[0]) raise(NOX_ERR_FILE_OPEN, ERROR_INVALID_NAME, kExportMethod);
  if (fileName[1] == ':') {
    if (std::strlen(fileName) >= MAX_PATH)
      raise(NOX_ERR_FILE_OPEN, ERROR_FILENAME_EXCED_RANGE, kExportMethod);
    lstrcpynA(path, fileName, MAX_PATH);
    return;
  }
  const char* workFolder = getWorkFolder();
  if (!workFolder[0]) raise(NOX_ERR_FILE_OPEN, ERROR_PATH_NOT_FOUND, kExportMethod);
  char folder[MAX_PATH];
  if (lstrlenA(workFolder) + 1 + lstrlenA(kRegistriesFolder) >= MAX_PATH) {
    raise(NOX_ERR_FILE_OPEN, ERROR_FILENAME_EXCED_RANGE, kExportMethod);
  }
  wsprintfA(folder, "%s\\%s", workFolder, kRegistriesFolder);
  if (!noxMkDir(folder)) raise(NOX_ERR_FILE_OPEN, static_cast<LONG>(GetLastError()), kExportMethod);
  if (!noxUniqFileName(path, folder, fileName)) {
    raise(NOX_ERR_FILE_OPEN, ERROR_FILENAME_EXCED_RANGE, kExportMethod);
  }
}
}  // namespace

void exportRegistryToFile(HKEY root, const char* subKey, const char* fileName, char* resultPath,
                          int resultSize) {
  if (!subKey) subKey = "";
  HKEY key = nullptr;
  LONG status = openForReading(root, subKey, &key);
  if (status != ERROR_SUCCESS) raise(NOX_ERR_KEY, status, kExportMethod);
  KeyHandle keyGuard(key);

  char path[MAX_PATH];
  chooseFilePath(path, fileName);
  if (resultPath && resultSize > 0) lstrcpynA(resultPath, path, resultSize);

  HANDLE file = CreateFileA(path, GENERIC_READ | GENERIC_WRITE, FILE_SHARE_READ, nullptr, CREATE_ALWAYS,
                            FILE_ATTRIBUTE_NORMAL, nullptr);
  if (file == INVALID_HANDLE_VALUE)
    raise(NOX_ERR_FILE_OPEN, static_cast<LONG>(GetLastError()), kExportMethod);
  FileHandle fileGuard(file);

  ExportState state(file);
  try {
    state.out.put("REGEDIT4\r\n");
    // An empty subKey names the root itself, without a trailing backslash.
    const char* rootLabel = rootName(root);
    size_t rootLength = rootLabel ? std::strlen(rootLabel) : 0;
    size_t subKeyLength = std::strlen(subKey);
    bool separator = rootLabel && subKeyLength > 0;
    size_t nameLength = rootLength + (separator ? 1 : 0) + subKeyLength;
    state.keyName.reserve(nameLength + 1, kExportMethod);
    if (rootLabel) std::memcpy(state.keyName.data(), rootLabel, rootLength);
    if (separator) state.keyName.data()[rootLength] = '\\';
    std::memcpy(state.keyName.data() + rootLength + (separator ? 1 : 0), subKey, subKeyLength);

    retrieveToFile(state, key, nameLength);
    state.out.flush();
  } catch (IException*) {
    state.out.flushQuietly();
    throw;
  }
}

#ifdef NOX_TEST_HOOKS
void noxSetRegistryCalls(const NoxRegistryCalls* calls) { g_calls = calls ? *calls : kSystemCalls; }

NoxRegistryCalls noxSystemRegistryCalls() { return kSystemCalls; }
#endif
