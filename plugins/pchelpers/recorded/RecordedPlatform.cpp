#include "RecordedPlatform.h"

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <fstream>
#include <set>
#include <sstream>
#include <stdexcept>

namespace {

std::string lower(std::string text) {
  std::transform(text.begin(), text.end(), text.begin(),
                 [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
  return text;
}

std::string trim(const std::string& text) {
  size_t begin = text.find_first_not_of(" \t\r");
  if (begin == std::string::npos) return "";
  size_t end = text.find_last_not_of(" \t\r");
  return text.substr(begin, end - begin + 1);
}

unsigned long long parseNumber(const std::string& text) { return std::stoull(trim(text), nullptr, 0); }

bool isYes(const std::string& text) {
  std::string t = lower(trim(text));
  return t == "yes" || t == "true" || t == "1";
}

// Copies text into a caller's buffer the way the ANSI calls do: the length
// without the terminator when it fits, else the size needed with it.
DWORD copyOut(const std::string& text, LPSTR buffer, DWORD size) {
  if (!buffer || size <= text.size()) return static_cast<DWORD>(text.size() + 1);
  std::memcpy(buffer, text.c_str(), text.size() + 1);
  return static_cast<DWORD>(text.size());
}

const char kVersionMagic[4] = {'R', 'E', 'C', 'V'};

struct Handle {
  enum Kind { KEY, FIND, PROCESS, SERVICE_MANAGER } kind;
  void* target;
};

}  // namespace

struct RecordedPlatform::RegistryNode {
  struct Value {
    std::string name;
    DWORD type;
    std::vector<unsigned char> data;
  };
  std::string name;
  std::vector<std::unique_ptr<RegistryNode>> children;
  std::vector<Value> values;

  RegistryNode* child(const std::string& childName, bool create) {
    for (auto& c : children) {
      if (lower(c->name) == lower(childName)) return c.get();
    }
    if (!create) return nullptr;
    children.push_back(std::make_unique<RegistryNode>());
    children.back()->name = childName;
    return children.back().get();
  }

  RegistryNode* walk(const std::string& path, bool create) {
    RegistryNode* at = this;
    std::stringstream parts(path);
    std::string part;
    while (at && std::getline(parts, part, '\\')) {
      if (!part.empty()) at = at->child(part, create);
    }
    return at;
  }

  const Value* value(const std::string& valueName) const {
    for (const Value& v : values) {
      if (lower(v.name) == lower(valueName)) return &v;
    }
    return nullptr;
  }
};

struct RecordedPlatform::FileRecord {
  std::string path;
  std::string version;
  bool narrow = false;
  bool hasVersion = false;
  FILETIME written = {};
};

namespace {

std::set<Handle*> g_handles;

Handle* newHandle(Handle::Kind kind, void* target) {
  Handle* h = new Handle{kind, target};
  g_handles.insert(h);
  return h;
}

Handle* findHandle(void* raw, Handle::Kind kind) {
  Handle* h = static_cast<Handle*>(raw);
  auto it = g_handles.find(h);
  return (it != g_handles.end() && h->kind == kind) ? h : nullptr;
}

void dropHandle(Handle* h) {
  g_handles.erase(h);
  delete h;
}

HKEY rootKeyNamed(const std::string& name) {
  std::string n = lower(name);
  if (n == "hkey_classes_root") return HKEY_CLASSES_ROOT;
  if (n == "hkey_current_user") return HKEY_CURRENT_USER;
  if (n == "hkey_local_machine") return HKEY_LOCAL_MACHINE;
  if (n == "hkey_users") return HKEY_USERS;
  if (n == "hkey_current_config") return HKEY_CURRENT_CONFIG;
  return nullptr;
}

// A quoted text of the registry-editor syntax starting at `pos`; moves pos past it.
std::string readQuoted(const std::string& line, size_t& pos) {
  if (pos >= line.size() || line[pos] != '"') throw std::runtime_error("expected a quoted text");
  std::string text;
  for (++pos; pos < line.size() && line[pos] != '"'; ++pos) {
    if (line[pos] == '\\' && pos + 1 < line.size()) ++pos;
    text += line[pos];
  }
  if (pos >= line.size()) throw std::runtime_error("unterminated quoted text");
  ++pos;
  return text;
}

std::vector<unsigned char> readHexBytes(const std::string& text) {
  std::vector<unsigned char> bytes;
  std::stringstream parts(text);
  std::string part;
  while (std::getline(parts, part, ',')) {
    part = trim(part);
    if (!part.empty()) bytes.push_back(static_cast<unsigned char>(std::stoul(part, nullptr, 16)));
  }
  return bytes;
}

RecordedPlatform::RegistryNode::Value parseRegistryValue(const std::string& line) {
  RecordedPlatform::RegistryNode::Value value;
  size_t pos = 0;
  if (line[0] == '@') {
    pos = 1;
  } else {
    value.name = readQuoted(line, pos);
  }
  if (pos >= line.size() || line[pos] != '=') throw std::runtime_error("expected '=' after the value name");
  std::string rest = line.substr(pos + 1);
  auto textBytes = [](const std::string& t) {
    std::vector<unsigned char> b(t.begin(), t.end());
    b.push_back(0);
    return b;
  };
  if (!rest.empty() && rest[0] == '"') {
    size_t at = 0;
    value.type = REG_SZ;
    value.data = textBytes(readQuoted(rest, at));
  } else if (rest.rfind("dword:", 0) == 0) {
    DWORD n = static_cast<DWORD>(std::stoul(rest.substr(6), nullptr, 16));
    value.type = REG_DWORD;
    value.data.assign(reinterpret_cast<unsigned char*>(&n), reinterpret_cast<unsigned char*>(&n) + 4);
  } else if (rest.rfind("hex:", 0) == 0) {
    value.type = REG_BINARY;
    value.data = readHexBytes(rest.substr(4));
  } else if (rest.rfind("hex(", 0) == 0) {
    size_t close = rest.find("):");
    if (close == std::string::npos) throw std::runtime_error("expected hex(N):");
    value.type = static_cast<DWORD>(std::stoul(rest.substr(4, close - 4), nullptr, 16));
    value.data = readHexBytes(rest.substr(close + 2));
  } else if (rest.rfind("expand:", 0) == 0) {
    size_t at = 7;
    value.type = REG_EXPAND_SZ;
    value.data = textBytes(readQuoted(rest, at));
  } else if (rest.rfind("multi:", 0) == 0) {
    value.type = REG_MULTI_SZ;
    size_t at = 6;
    while (at < rest.size()) {
      std::string item = readQuoted(rest, at);
      value.data.insert(value.data.end(), item.begin(), item.end());
      value.data.push_back(0);
      while (at < rest.size() && (rest[at] == ',' || rest[at] == ' ')) ++at;
    }
    value.data.push_back(0);
  } else {
    throw std::runtime_error("unknown value form: " + rest);
  }
  return value;
}

FILETIME parseTime(const std::string& text) {
  SYSTEMTIME st = {};
  int y = 0, mo = 0, d = 0, h = 0, mi = 0, s = 0;
  if (std::sscanf(text.c_str(), "%d-%d-%d %d:%d:%d", &y, &mo, &d, &h, &mi, &s) < 3) {
    throw std::runtime_error("expected a time YYYY-MM-DD HH:MM:SS");
  }
  st.wYear = static_cast<WORD>(y);
  st.wMonth = static_cast<WORD>(mo);
  st.wDay = static_cast<WORD>(d);
  st.wHour = static_cast<WORD>(h);
  st.wMinute = static_cast<WORD>(mi);
  st.wSecond = static_cast<WORD>(s);
  FILETIME local = {}, utc = {};
  SystemTimeToFileTime(&st, &local);
  LocalFileTimeToFileTime(&local, &utc);
  return utc;
}

}  // namespace

RecordedPlatform::RecordedPlatform() = default;

RecordedPlatform::~RecordedPlatform() = default;

std::unique_ptr<RecordedPlatform> RecordedPlatform::fromFile(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  if (!in) throw std::runtime_error("cannot read scenario " + path);
  std::stringstream text;
  text << in.rdbuf();
  try {
    return fromText(text.str());
  } catch (const std::runtime_error& e) {
    throw std::runtime_error(path + ": " + e.what());
  }
}

std::unique_ptr<RecordedPlatform> RecordedPlatform::fromText(const std::string& text) {
  auto platform = std::make_unique<RecordedPlatform>();
  platform->parse(text);
  return platform;
}

void RecordedPlatform::parse(const std::string& text) {
  std::stringstream lines(text);
  std::string raw;
  std::string current;
  RegistryNode* key = nullptr;
  FileRecord* fileRecord = nullptr;
  int lineNumber = 0;
  while (std::getline(lines, raw)) {
    ++lineNumber;
    std::string line = trim(raw);
    if (line.empty() || line[0] == '#' || line[0] == ';') continue;
    try {
      if (line[0] == '[') {
        if (line.back() != ']') throw std::runtime_error("unterminated section name");
        current = line.substr(1, line.size() - 2);
        key = nullptr;
        fileRecord = nullptr;
        size_t slash = current.find('\\');
        HKEY root = rootKeyNamed(current.substr(0, slash));
        if (root) {
          auto& rootNode = roots_[root];
          if (!rootNode) rootNode = std::make_unique<RegistryNode>();
          key = slash == std::string::npos ? rootNode.get() : rootNode->walk(current.substr(slash + 1), true);
        } else if (current.rfind("drive ", 0) == 0) {
          driveOrder_.push_back(current.substr(6));
        } else if (current.rfind("file ", 0) == 0) {
          auto record = std::make_unique<FileRecord>();
          record->path = current.substr(5);
          fileRecord = record.get();
          files_[lower(record->path)] = std::move(record);
        }
        sections_[current];
        continue;
      }
      if (key) {
        key->values.push_back(parseRegistryValue(line));
        continue;
      }
      if (current == "missing") {
        sections_[current][lower(line)] = "yes";
        continue;
      }
      size_t eq = line.find('=');
      if (eq == std::string::npos) throw std::runtime_error("expected key = value");
      std::string name = trim(line.substr(0, eq));
      std::string value = trim(line.substr(eq + 1));
      if (fileRecord) {
        if (name == "version") {
          fileRecord->version = value;
          fileRecord->hasVersion = true;
        } else if (name == "narrow") {
          fileRecord->narrow = isYes(value);
        } else if (name == "written") {
          fileRecord->written = parseTime(value);
        } else {
          throw std::runtime_error("unknown file key " + name);
        }
        continue;
      }
      sections_[current][current == "environment" ? lower(name) : name] = value;
    } catch (const std::exception& e) {
      throw std::runtime_error("line " + std::to_string(lineNumber) + ": " + e.what());
    }
  }
}

const RecordedPlatform::Section& RecordedPlatform::section(const std::string& name) const {
  static const Section none;
  auto it = sections_.find(name);
  return it == sections_.end() ? none : it->second;
}

std::string RecordedPlatform::get(const std::string& sectionName, const std::string& key,
                                  const std::string& fallback) const {
  const Section& s = section(sectionName);
  auto it = s.find(key);
  return it == s.end() ? fallback : it->second;
}

unsigned long long RecordedPlatform::number(const std::string& sectionName, const std::string& key,
                                            unsigned long long fallback) const {
  std::string text = get(sectionName, key);
  return text.empty() ? fallback : parseNumber(text);
}

bool RecordedPlatform::fail(DWORD error) {
  lastError_ = error;
  return false;
}

// ---- modules

HMODULE RecordedPlatform::LoadLibraryA(LPCSTR name) {
  std::string n = lower(name ? name : "");
  if (section("missing").count(n)) {
    fail(ERROR_MOD_NOT_FOUND);
    return nullptr;
  }
  ++loadedModules_;
  modulesByHandle_.push_back(std::make_unique<std::string>(n));
  return reinterpret_cast<HMODULE>(modulesByHandle_.back().get());
}

BOOL RecordedPlatform::FreeLibrary(HMODULE module) {
  if (!module) return fail(ERROR_INVALID_HANDLE);
  --loadedModules_;
  return TRUE;
}

FARPROC RecordedPlatform::GetProcAddress(HMODULE module, LPCSTR name) {
  if (!module) {
    fail(ERROR_INVALID_HANDLE);
    return nullptr;
  }
  const std::string& moduleName = *reinterpret_cast<std::string*>(module);
  if (section("missing").count(moduleName + "!" + lower(name))) {
    fail(ERROR_PROC_NOT_FOUND);
    return nullptr;
  }
  // A token: the recorded answers never call through it.
  return reinterpret_cast<FARPROC>(static_cast<INT_PTR>(1));
}

HMODULE RecordedPlatform::GetModuleHandleA(LPCSTR name) {
  std::string path = get("modules", name ? name : "");
  if (path.empty()) {
    fail(ERROR_MOD_NOT_FOUND);
    return nullptr;
  }
  modulesByHandle_.push_back(std::make_unique<std::string>(path));
  return reinterpret_cast<HMODULE>(modulesByHandle_.back().get());
}

DWORD RecordedPlatform::GetModuleFileNameA(HMODULE module, LPSTR buffer, DWORD size) {
  if (!module || size == 0) return 0;
  std::string path = *reinterpret_cast<std::string*>(module);
  DWORD n = static_cast<DWORD>(std::min<size_t>(path.size(), size - 1));
  std::memcpy(buffer, path.c_str(), n);
  buffer[n] = '\0';
  return n;
}

// ---- registry

RecordedPlatform::RegistryNode* RecordedPlatform::node(HKEY key) {
  auto root = roots_.find(key);
  if (root != roots_.end()) return root->second.get();
  if (Handle* h = findHandle(key, Handle::KEY)) return static_cast<RegistryNode*>(h->target);
  return nullptr;
}

LONG RecordedPlatform::RegOpenKeyExA(HKEY root, LPCSTR path, DWORD, REGSAM, PHKEY result) {
  RegistryNode* base = node(root);
  RegistryNode* target = base ? base->walk(path ? path : "", false) : nullptr;
  if (!target) return ERROR_FILE_NOT_FOUND;
  *result = reinterpret_cast<HKEY>(newHandle(Handle::KEY, target));
  ++openKeys_;
  return ERROR_SUCCESS;
}

LONG RecordedPlatform::RegCloseKey(HKEY key) {
  Handle* h = findHandle(key, Handle::KEY);
  if (!h) return ERROR_INVALID_HANDLE;
  dropHandle(h);
  --openKeys_;
  return ERROR_SUCCESS;
}

LONG RecordedPlatform::RegEnumKeyExA(HKEY key, DWORD index, LPSTR name, LPDWORD nameSize, LPDWORD, LPSTR,
                                     LPDWORD, PFILETIME) {
  RegistryNode* n = node(key);
  if (!n) return ERROR_INVALID_HANDLE;
  if (index >= n->children.size()) return ERROR_NO_MORE_ITEMS;
  const std::string& childName = n->children[index]->name;
  if (*nameSize <= childName.size()) return ERROR_MORE_DATA;
  std::memcpy(name, childName.c_str(), childName.size() + 1);
  *nameSize = static_cast<DWORD>(childName.size());
  return ERROR_SUCCESS;
}

LONG RecordedPlatform::RegEnumValueA(HKEY key, DWORD index, LPSTR name, LPDWORD nameSize, LPDWORD,
                                     LPDWORD type, LPBYTE data, LPDWORD dataSize) {
  RegistryNode* n = node(key);
  if (!n) return ERROR_INVALID_HANDLE;
  if (index >= n->values.size()) return ERROR_NO_MORE_ITEMS;
  const RegistryNode::Value& v = n->values[index];
  if (*nameSize <= v.name.size()) return ERROR_MORE_DATA;
  std::memcpy(name, v.name.c_str(), v.name.size() + 1);
  *nameSize = static_cast<DWORD>(v.name.size());
  if (type) *type = v.type;
  if (dataSize) {
    if (data && *dataSize < v.data.size()) {
      *dataSize = static_cast<DWORD>(v.data.size());
      return ERROR_MORE_DATA;
    }
    if (data) std::memcpy(data, v.data.data(), v.data.size());
    *dataSize = static_cast<DWORD>(v.data.size());
  }
  return ERROR_SUCCESS;
}

LONG RecordedPlatform::RegQueryValueExA(HKEY key, LPCSTR name, LPDWORD, LPDWORD type, LPBYTE data,
                                        LPDWORD dataSize) {
  RegistryNode* n = node(key);
  if (!n) return ERROR_INVALID_HANDLE;
  const RegistryNode::Value* v = n->value(name ? name : "");
  if (!v) return ERROR_FILE_NOT_FOUND;
  if (type) *type = v->type;
  if (dataSize) {
    if (data && *dataSize < v->data.size()) {
      *dataSize = static_cast<DWORD>(v->data.size());
      return ERROR_MORE_DATA;
    }
    if (data) std::memcpy(data, v->data.data(), v->data.size());
    *dataSize = static_cast<DWORD>(v->data.size());
  }
  return ERROR_SUCCESS;
}

// ---- version and system

BOOL RecordedPlatform::GetVersionExA(LPOSVERSIONINFOA info) {
  if (isYes(get("version", "fail", "no")))
    return fail(static_cast<DWORD>(number("version", "lastError", 87)));
  DWORD size = info->dwOSVersionInfoSize;
  if (size != sizeof(OSVERSIONINFOA) && size != sizeof(OSVERSIONINFOEXA))
    return fail(ERROR_INSUFFICIENT_BUFFER);
  info->dwMajorVersion = static_cast<DWORD>(number("version", "major"));
  info->dwMinorVersion = static_cast<DWORD>(number("version", "minor"));
  info->dwBuildNumber = static_cast<DWORD>(number("version", "build"));
  info->dwPlatformId = static_cast<DWORD>(number("version", "platform"));
  std::string csd = get("version", "servicePack");
  std::snprintf(info->szCSDVersion, sizeof info->szCSDVersion, "%s", csd.c_str());
  if (size == sizeof(OSVERSIONINFOEXA)) {
    if (number("version", "platform") != 2 || number("version", "major") < 5) {
      // Windows 9x and NT 4 before SP6 know only the basic record.
      if (!isYes(get("version", "extended", number("version", "platform") == 2 ? "yes" : "no"))) {
        return fail(ERROR_INSUFFICIENT_BUFFER);
      }
    }
    auto* ex = reinterpret_cast<OSVERSIONINFOEXA*>(info);
    ex->wServicePackMajor = static_cast<WORD>(number("version", "servicePackMajor"));
    ex->wServicePackMinor = static_cast<WORD>(number("version", "servicePackMinor"));
    ex->wSuiteMask = static_cast<WORD>(number("version", "suiteMask"));
    ex->wProductType = static_cast<BYTE>(number("version", "productType"));
  }
  return TRUE;
}

BOOL RecordedPlatform::GetProductInfo(FARPROC, DWORD, DWORD, DWORD, DWORD, PDWORD productType) {
  *productType = static_cast<DWORD>(number("version", "productInfo"));
  return TRUE;
}

void RecordedPlatform::GetSystemInfo(LPSYSTEM_INFO info) {
  std::memset(info, 0, sizeof *info);
  info->wProcessorArchitecture = static_cast<WORD>(number("system", "architecture"));
  info->dwNumberOfProcessors = static_cast<DWORD>(number("system", "processors", 1));
  info->dwPageSize = 4096;
}

void RecordedPlatform::GetNativeSystemInfo(FARPROC, LPSYSTEM_INFO info) {
  GetSystemInfo(info);
  info->wProcessorArchitecture =
      static_cast<WORD>(number("system", "nativeArchitecture", number("system", "architecture")));
}

int RecordedPlatform::GetSystemMetrics(int index) {
  return static_cast<int>(number("system", "metric." + std::to_string(index)));
}

BOOL RecordedPlatform::GlobalMemoryStatusEx(FARPROC, LPMEMORYSTATUSEX status) {
  if (lower(get("memory", "ex", "yes")) == "fail") return fail(ERROR_INVALID_PARAMETER);
  status->ullTotalPhys = number("memory", "totalPhys");
  status->ullAvailPhys = number("memory", "availPhys");
  status->ullTotalVirtual = number("memory", "totalVirtual");
  status->ullAvailVirtual = number("memory", "availVirtual");
  status->ullTotalPageFile = number("memory", "totalPageFile");
  status->ullAvailPageFile = number("memory", "availPageFile");
  return TRUE;
}

void RecordedPlatform::GlobalMemoryStatus(LPMEMORYSTATUS status) {
  // The old call saturates at 4 GiB - 1, as the 32-bit figures must.
  auto clamp = [](unsigned long long n) {
    return static_cast<SIZE_T>(std::min<unsigned long long>(n, 0xFFFFFFFFull));
  };
  status->dwTotalPhys = clamp(number("memory", "totalPhys"));
  status->dwAvailPhys = clamp(number("memory", "availPhys"));
  status->dwTotalVirtual = clamp(number("memory", "totalVirtual"));
  status->dwAvailVirtual = clamp(number("memory", "availVirtual"));
  status->dwTotalPageFile = clamp(number("memory", "totalPageFile"));
  status->dwAvailPageFile = clamp(number("memory", "availPageFile"));
}

DWORD RecordedPlatform::ExpandEnvironmentStringsA(LPCSTR pattern, LPSTR buffer, DWORD size) {
  std::string in = pattern ? pattern : "";
  std::string out;
  for (size_t i = 0; i < in.size();) {
    size_t close = in[i] == '%' ? in.find('%', i + 1) : std::string::npos;
    if (close == std::string::npos) {
      out += in[i++];
      continue;
    }
    std::string name = in.substr(i + 1, close - i - 1);
    const Section& env = section("environment");
    auto it = env.find(lower(name));
    if (it == env.end()) {
      out += in.substr(i, close - i);  // the closing % may open the next name
      i = close;
    } else {
      out += it->second;
      i = close + 1;
    }
  }
  DWORD needed = static_cast<DWORD>(out.size() + 1);
  if (buffer && size >= needed) std::memcpy(buffer, out.c_str(), needed);
  return needed;
}

// ---- processor and clock

bool RecordedPlatform::cpuidSupported() { return isYes(get("cpu", "cpuid", "no")); }

void RecordedPlatform::cpuid(unsigned int leaf, unsigned int registers[4]) {
  char key[32];
  std::snprintf(key, sizeof key, "leaf.0x%08x", leaf);
  std::string text = get("cpu", key);
  std::stringstream words(text);
  for (int i = 0; i < 4; ++i) {
    std::string word;
    registers[i] = (words >> word) ? static_cast<unsigned int>(std::stoul(word, nullptr, 0)) : 0;
  }
}

// The recorded clock moves 1 ms per question; the time-stamp counter runs at
// the recorded speed against it, so a clock measurement gives a fixed answer.
DWORD RecordedPlatform::timeGetTime() { return ++clock_; }

unsigned long long RecordedPlatform::readTimeStampCounter() {
  return static_cast<unsigned long long>(clock_) * number("cpu", "mhz") * 1000ull;
}

// ---- files, folders and drives

const RecordedPlatform::FileRecord* RecordedPlatform::file(const std::string& path) const {
  auto it = files_.find(lower(path));
  return it == files_.end() ? nullptr : it->second.get();
}

HANDLE RecordedPlatform::FindFirstFileA(LPCSTR pattern, LPWIN32_FIND_DATAA data) {
  const FileRecord* f = file(pattern ? pattern : "");
  if (!f) {
    fail(ERROR_FILE_NOT_FOUND);
    return INVALID_HANDLE_VALUE;
  }
  std::memset(data, 0, sizeof *data);
  data->dwFileAttributes = FILE_ATTRIBUTE_ARCHIVE;
  data->ftLastWriteTime = f->written;
  std::string base = f->path.substr(f->path.find_last_of('\\') + 1);
  std::snprintf(data->cFileName, sizeof data->cFileName, "%s", base.c_str());
  return reinterpret_cast<HANDLE>(newHandle(Handle::FIND, const_cast<FileRecord*>(f)));
}

BOOL RecordedPlatform::FindNextFileA(HANDLE, LPWIN32_FIND_DATAA) { return fail(ERROR_NO_MORE_FILES); }

BOOL RecordedPlatform::FindClose(HANDLE find) {
  Handle* h = findHandle(find, Handle::FIND);
  if (!h) return fail(ERROR_INVALID_HANDLE);
  dropHandle(h);
  return TRUE;
}

// A version block made up for the recorded file: a marker, the key
// "FileVersion" and its text as a real resource holds them (UTF-16, or narrow
// as in 16-bit resources), then the answers VerQueryValueA gives.
namespace {
struct RecordedBlockTail {
  DWORD translation;
  VS_FIXEDFILEINFO fixed;
  char text[128];
};

const size_t kKeyAreaOffset = 16;

std::vector<unsigned char> versionBlock(const std::string& version, bool narrow) {
  std::vector<unsigned char> keyArea;
  auto put16 = [&](const std::string& t) {
    for (unsigned char c : t) {
      keyArea.push_back(c);
      keyArea.push_back(0);
    }
    keyArea.push_back(0);
    keyArea.push_back(0);
  };
  if (narrow) {
    std::string key = std::string("FileVersion") + '\0' + version + '\0';
    keyArea.assign(key.begin(), key.end());
  } else {
    put16("FileVersion");
    keyArea.push_back(0);  // alignment
    keyArea.push_back(0);
    put16(version);
  }
  size_t tailOffset = (kKeyAreaOffset + keyArea.size() + 7) & ~size_t(7);
  std::vector<unsigned char> block(tailOffset + sizeof(RecordedBlockTail));
  std::memcpy(block.data(), kVersionMagic, 4);
  DWORD offset = static_cast<DWORD>(tailOffset);
  std::memcpy(block.data() + 8, &offset, 4);
  std::memcpy(block.data() + kKeyAreaOffset, keyArea.data(), keyArea.size());
  RecordedBlockTail tail = {};
  tail.translation = 0x04b00409;  // English (US), Unicode
  tail.fixed.dwSignature = 0xFEEF04BD;
  unsigned int v[4] = {};
  std::sscanf(version.c_str(), "%u.%u.%u.%u", &v[0], &v[1], &v[2], &v[3]);
  tail.fixed.dwFileVersionMS = tail.fixed.dwProductVersionMS = (v[0] << 16) | (v[1] & 0xFFFF);
  tail.fixed.dwFileVersionLS = tail.fixed.dwProductVersionLS = (v[2] << 16) | (v[3] & 0xFFFF);
  std::snprintf(tail.text, sizeof tail.text, "%s", version.c_str());
  std::memcpy(block.data() + tailOffset, &tail, sizeof tail);
  return block;
}
}  // namespace

DWORD RecordedPlatform::GetFileVersionInfoSizeA(LPCSTR path, LPDWORD handle) {
  if (handle) *handle = 0;
  const FileRecord* f = file(path ? path : "");
  if (!f) return fail(ERROR_FILE_NOT_FOUND), 0;
  if (!f->hasVersion) return fail(ERROR_RESOURCE_TYPE_NOT_FOUND), 0;
  return static_cast<DWORD>(versionBlock(f->version, f->narrow).size());
}

BOOL RecordedPlatform::GetFileVersionInfoA(LPCSTR path, DWORD, DWORD size, LPVOID block) {
  const FileRecord* f = file(path ? path : "");
  if (!f || !f->hasVersion) return fail(ERROR_RESOURCE_TYPE_NOT_FOUND);
  std::vector<unsigned char> made = versionBlock(f->version, f->narrow);
  std::memcpy(block, made.data(), std::min<size_t>(size, made.size()));
  return size >= made.size() ? TRUE : fail(ERROR_INSUFFICIENT_BUFFER);
}

BOOL RecordedPlatform::VerQueryValueA(LPCVOID block, LPCSTR subBlock, LPVOID* buffer, PUINT length) {
  const unsigned char* bytes = static_cast<const unsigned char*>(block);
  if (!bytes || std::memcmp(bytes, kVersionMagic, 4) != 0) return FALSE;
  DWORD offset = 0;
  std::memcpy(&offset, bytes + 8, 4);
  auto* tail = reinterpret_cast<RecordedBlockTail*>(const_cast<unsigned char*>(bytes) + offset);
  std::string query = lower(subBlock ? subBlock : "");
  if (query == "\\") {
    *buffer = &tail->fixed;
    *length = sizeof tail->fixed;
  } else if (query == "\\varfileinfo\\translation") {
    *buffer = &tail->translation;
    *length = sizeof tail->translation;
  } else if (query == "\\stringfileinfo\\040904b0\\fileversion") {
    *buffer = tail->text;
    *length = static_cast<UINT>(std::strlen(tail->text) + 1);
  } else {
    return FALSE;
  }
  return TRUE;
}

UINT RecordedPlatform::GetWindowsDirectoryA(LPSTR buffer, UINT size) {
  std::string folder = get("folders", "windows");
  if (folder.empty()) return fail(ERROR_PATH_NOT_FOUND), 0;
  return copyOut(folder, buffer, size);
}

UINT RecordedPlatform::GetSystemDirectoryA(LPSTR buffer, UINT size) {
  std::string folder = get("folders", "system");
  if (folder.empty()) return fail(ERROR_PATH_NOT_FOUND), 0;
  return copyOut(folder, buffer, size);
}

HRESULT RecordedPlatform::SHGetFolderPathA(HWND, int folder, HANDLE, DWORD, LPSTR path) {
  std::string text = get("folders", folder == 0x2B ? "commonFiles" : "csidl." + std::to_string(folder));
  if (text.empty()) return E_FAIL;
  std::snprintf(path, MAX_PATH, "%s", text.c_str());
  return S_OK;
}

DWORD RecordedPlatform::GetLogicalDriveStringsA(DWORD size, LPSTR buffer) {
  std::string list;
  for (const std::string& root : driveOrder_) list += root + '\0';
  if (list.empty()) return 0;
  // The list ends in a second terminator, which the length does not count.
  if (!buffer || size < list.size() + 1) return static_cast<DWORD>(list.size() + 1);
  std::memcpy(buffer, list.data(), list.size());
  buffer[list.size()] = '\0';
  return static_cast<DWORD>(list.size());
}

UINT RecordedPlatform::GetDriveTypeA(LPCSTR root) {
  std::string name = std::string("drive ") + (root ? root : "");
  if (!sections_.count(name)) return DRIVE_NO_ROOT_DIR;
  return static_cast<UINT>(number(name, "type", DRIVE_UNKNOWN));
}

BOOL RecordedPlatform::GetVolumeInformationA(LPCSTR root, LPSTR volumeName, DWORD volumeNameSize,
                                             LPDWORD serial, LPDWORD maxComponent, LPDWORD flags,
                                             LPSTR fileSystem, DWORD fileSystemSize) {
  std::string name = std::string("drive ") + (root ? root : "");
  std::string fs = get(name, "fileSystem");
  if (fs.empty()) return fail(ERROR_NOT_READY);
  if (volumeName && volumeNameSize) volumeName[0] = '\0';
  if (serial) *serial = 0x12345678;
  if (maxComponent) *maxComponent = 255;
  if (flags) *flags = 0;
  if (fileSystem && fileSystemSize) std::snprintf(fileSystem, fileSystemSize, "%s", fs.c_str());
  return TRUE;
}

BOOL RecordedPlatform::GetDiskFreeSpaceA(LPCSTR root, LPDWORD sectorsPerCluster, LPDWORD bytesPerSector,
                                         LPDWORD freeClusters, LPDWORD totalClusters) {
  std::string name = std::string("drive ") + (root ? root : "");
  if (number(name, "totalClusters") == 0) return fail(ERROR_NOT_READY);
  *sectorsPerCluster = static_cast<DWORD>(number(name, "sectorsPerCluster"));
  *bytesPerSector = static_cast<DWORD>(number(name, "bytesPerSector"));
  *freeClusters = static_cast<DWORD>(number(name, "freeClusters"));
  *totalClusters = static_cast<DWORD>(number(name, "totalClusters"));
  return TRUE;
}

BOOL RecordedPlatform::GetDiskFreeSpaceExA(FARPROC, LPCSTR root, PULARGE_INTEGER freeToCaller,
                                           PULARGE_INTEGER total, PULARGE_INTEGER totalFree) {
  std::string name = std::string("drive ") + (root ? root : "");
  if (lower(get(name, "ex", "yes")) == "fail") return fail(ERROR_NOT_READY);
  if (freeToCaller) freeToCaller->QuadPart = number(name, "free");
  if (total) total->QuadPart = number(name, "total");
  if (totalFree) totalFree->QuadPart = number(name, "free");
  return TRUE;
}

// ---- processes and services

HANDLE RecordedPlatform::GetCurrentProcess() { return reinterpret_cast<HANDLE>(static_cast<INT_PTR>(-1)); }

DWORD RecordedPlatform::GetPriorityClass(HANDLE) { return priorityClass_; }

BOOL RecordedPlatform::SetPriorityClass(HANDLE, DWORD priorityClass) {
  priorityClass_ = priorityClass;
  prioritySets_.push_back(priorityClass);
  return TRUE;
}

HANDLE RecordedPlatform::OpenProcess(DWORD, BOOL, DWORD) {
  fail(ERROR_ACCESS_DENIED);
  return nullptr;
}

BOOL RecordedPlatform::CloseHandle(HANDLE) { return TRUE; }

SC_HANDLE RecordedPlatform::OpenSCManagerA(LPCSTR, LPCSTR, DWORD) {
  fail(ERROR_ACCESS_DENIED);
  return nullptr;
}

BOOL RecordedPlatform::EnumServicesStatusA(SC_HANDLE, DWORD, DWORD, LPENUM_SERVICE_STATUSA, DWORD,
                                           LPDWORD needed, LPDWORD returned, LPDWORD) {
  if (needed) *needed = 0;
  if (returned) *returned = 0;
  return fail(ERROR_INVALID_HANDLE);
}

BOOL RecordedPlatform::CloseServiceHandle(SC_HANDLE) { return TRUE; }
