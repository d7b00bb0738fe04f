#include "RecordedPlatform.h"

#include "RecordedSpoolerData.h"

#include <algorithm>
#include <cstddef>
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
  enum Kind { KEY, FIND, PROCESS, SNAPSHOT, SERVICE_MANAGER, LSA_POLICY } kind;
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
  std::string product;  // the fixed record's product version, when it differs
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

namespace {

// The text of a scenario file with its "@include" lines replaced by the files
// they name (from the same folder), at most a few levels deep.
std::string scenarioText(const std::string& path, int depth) {
  if (depth > 8) throw std::runtime_error("scenario includes nest too deep at " + path);
  std::ifstream in(path, std::ios::binary);
  if (!in) throw std::runtime_error("cannot read scenario " + path);
  std::string folder = path.substr(0, path.find_last_of("\\/") + 1);
  std::string text;
  std::string line;
  while (std::getline(in, line)) {
    std::string t = trim(line);
    if (t.rfind("@include ", 0) == 0) {
      text += scenarioText(folder + trim(t.substr(9)), depth + 1);
    } else {
      text += line;
    }
    text += '\n';
  }
  return text;
}

}  // namespace

std::unique_ptr<RecordedPlatform> RecordedPlatform::fromFile(const std::string& path) {
  std::string text = scenarioText(path, 0);
  try {
    return fromText(text);
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
        } else if (size_t blank = current.find(' '); blank != std::string::npos) {
          auto& names = named_[current.substr(0, blank)];
          std::string sectionName = current.substr(blank + 1);
          if (std::find(names.begin(), names.end(), sectionName) == names.end()) names.push_back(sectionName);
        }
        if (current.rfind("file ", 0) == 0) {
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
        } else if (name == "product") {
          fileRecord->product = value;
        } else if (name == "narrow") {
          fileRecord->narrow = isYes(value);
        } else if (name == "written") {
          fileRecord->written = parseTime(value);
        }
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

bool RecordedPlatform::has(const std::string& sectionName, const std::string& key) const {
  return section(sectionName).count(key) != 0;
}

FILETIME RecordedPlatform::fileTime(const std::string& text) { return parseTime(text); }

const std::vector<std::string>& RecordedPlatform::named(const std::string& kind) const {
  static const std::vector<std::string> none;
  auto it = named_.find(kind);
  return it == named_.end() ? none : it->second;
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

std::vector<unsigned char> versionBlock(const std::string& version, const std::string& product, bool narrow) {
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
  if (!product.empty()) {
    unsigned int p[4] = {};
    std::sscanf(product.c_str(), "%u.%u.%u.%u", &p[0], &p[1], &p[2], &p[3]);
    tail.fixed.dwProductVersionMS = (p[0] << 16) | (p[1] & 0xFFFF);
    tail.fixed.dwProductVersionLS = (p[2] << 16) | (p[3] & 0xFFFF);
  }
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
  return static_cast<DWORD>(versionBlock(f->version, f->product, f->narrow).size());
}

BOOL RecordedPlatform::GetFileVersionInfoA(LPCSTR path, DWORD, DWORD size, LPVOID block) {
  const FileRecord* f = file(path ? path : "");
  if (!f || !f->hasVersion) return fail(ERROR_RESOURCE_TYPE_NOT_FOUND);
  std::vector<unsigned char> made = versionBlock(f->version, f->product, f->narrow);
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

HRESULT RecordedPlatform::SHGetFolderPathA(FARPROC, HWND, int folder, HANDLE, DWORD, LPSTR path) {
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

namespace {
std::vector<std::string> words(const std::string& text) {
  std::vector<std::string> list;
  std::stringstream in(text);
  std::string word;
  while (in >> word) list.push_back(lower(word));
  return list;
}

bool holdsWord(const std::string& text, const std::string& word) {
  for (const std::string& w : words(text)) {
    if (w == lower(word)) return true;
  }
  return false;
}
}  // namespace

HANDLE RecordedPlatform::OpenProcess(DWORD, BOOL, DWORD processId) {
  for (const std::string& id : named("process")) {
    if (parseNumber(id) != processId) continue;
    if (!isYes(get("process " + id, "open", "yes"))) break;
    ++openHandles_;
    return reinterpret_cast<HANDLE>(newHandle(Handle::PROCESS, const_cast<std::string*>(&id)));
  }
  fail(ERROR_ACCESS_DENIED);
  return nullptr;
}

BOOL RecordedPlatform::CloseHandle(HANDLE handle) {
  Handle* h = static_cast<Handle*>(handle);
  if (!g_handles.count(h) || (h->kind != Handle::PROCESS && h->kind != Handle::SNAPSHOT)) {
    return fail(ERROR_INVALID_HANDLE);
  }
  snapshots_.erase(h);
  dropHandle(h);
  --openHandles_;
  return TRUE;
}

HANDLE RecordedPlatform::CreateToolhelp32Snapshot(FARPROC, DWORD flags, DWORD) {
  if (!(flags & TH32CS_SNAPPROCESS) || lower(get("processes", "snapshot")) == "fail") {
    fail(ERROR_NOT_ENOUGH_MEMORY);
    return INVALID_HANDLE_VALUE;
  }
  Handle* h = newHandle(Handle::SNAPSHOT, nullptr);
  snapshots_[h] = 0;
  ++openHandles_;
  return reinterpret_cast<HANDLE>(h);
}

namespace {
std::string baseName(const std::string& path) { return path.substr(path.find_last_of('\\') + 1); }
}  // namespace

BOOL RecordedPlatform::Process32First(FARPROC entry, HANDLE snapshot, LPPROCESSENTRY32 process) {
  auto it = snapshots_.find(snapshot);
  if (it == snapshots_.end()) return fail(ERROR_INVALID_HANDLE);
  it->second = 0;
  return Process32Next(entry, snapshot, process);
}

BOOL RecordedPlatform::Process32Next(FARPROC, HANDLE snapshot, LPPROCESSENTRY32 process) {
  auto it = snapshots_.find(snapshot);
  if (it == snapshots_.end()) return fail(ERROR_INVALID_HANDLE);
  if (process->dwSize < sizeof(PROCESSENTRY32)) return fail(ERROR_BAD_LENGTH);
  const std::vector<std::string>& ids = named("process");
  if (it->second >= ids.size()) return fail(ERROR_NO_MORE_FILES);
  const std::string& id = ids[it->second++];
  std::string sectionName = "process " + id;
  DWORD size = process->dwSize;
  std::memset(process, 0, sizeof *process);
  process->dwSize = size;
  process->th32ProcessID = static_cast<DWORD>(parseNumber(id));
  process->cntThreads = 1;
  std::string exe = get(sectionName, "exe", baseName(get(sectionName, "path")));
  std::snprintf(process->szExeFile, sizeof process->szExeFile, "%s", exe.c_str());
  return TRUE;
}

BOOL RecordedPlatform::EnumProcesses(FARPROC, DWORD* processIds, DWORD size, DWORD* returned) {
  if (lower(get("processes", "enum")) == "fail") return fail(ERROR_ACCESS_DENIED);
  const std::vector<std::string>& ids = named("process");
  DWORD count = std::min<DWORD>(static_cast<DWORD>(ids.size()), size / sizeof(DWORD));
  for (DWORD i = 0; i < count; ++i) processIds[i] = static_cast<DWORD>(parseNumber(ids[i]));
  *returned = static_cast<DWORD>(number("processes", "returned", count * sizeof(DWORD)));
  return TRUE;
}

BOOL RecordedPlatform::EnumProcessModules(FARPROC, HANDLE process, HMODULE* modules, DWORD size,
                                          LPDWORD needed) {
  Handle* h = findHandle(process, Handle::PROCESS);
  if (!h) return fail(ERROR_INVALID_HANDLE);
  const std::string& id = *static_cast<std::string*>(h->target);
  if (!isYes(get("process " + id, "modules", "yes"))) return fail(ERROR_PARTIAL_COPY);
  *needed = sizeof(HMODULE);
  if (size >= sizeof(HMODULE)) {
    modulesByHandle_.push_back(std::make_unique<std::string>(get("process " + id, "path")));
    modules[0] = reinterpret_cast<HMODULE>(modulesByHandle_.back().get());
  }
  return TRUE;
}

DWORD RecordedPlatform::GetModuleFileNameExA(FARPROC, HANDLE process, HMODULE module, LPSTR name,
                                             DWORD size) {
  if (!findHandle(process, Handle::PROCESS)) return fail(ERROR_INVALID_HANDLE), 0;
  return GetModuleFileNameA(module, name, size);
}

DWORD RecordedPlatform::GetModuleBaseNameA(FARPROC, HANDLE process, HMODULE module, LPSTR name, DWORD size) {
  if (!findHandle(process, Handle::PROCESS) || !module || size == 0) return fail(ERROR_INVALID_HANDLE), 0;
  std::string base = baseName(*reinterpret_cast<std::string*>(module));
  DWORD n = static_cast<DWORD>(std::min<size_t>(base.size(), size - 1));
  std::memcpy(name, base.c_str(), n);
  name[n] = '\0';
  return n;
}

// ---- records laid out as the spooler and the service manager lay them out:
// the fixed-size records first, then the texts their pointers point to.

struct RecordedPlatform::RecordTable {
  explicit RecordTable(size_t size) : recordSize(size) {}
  size_t recordSize;
  std::vector<std::vector<unsigned char>> records;
  // What a record's pointer points to: a text (with its terminator) or raw
  // bytes (a DEVMODE, a list of texts), laid out after the records in order;
  // `last` ones go to the very end of the answer, so that data which lacks its
  // terminator, or is cut short, ends exactly where the buffer ends.
  struct Text {
    size_t record;
    size_t offset;
    std::string bytes;
    bool raw;
    bool last;
  };
  std::vector<Text> texts;

  template <class Record>
  Record& add() {
    records.emplace_back(recordSize, 0);
    return *reinterpret_cast<Record*>(records.back().data());
  }
  // The pointer at `offset` of the last record points to `value`.
  void text(size_t offset, const std::string& value) {
    texts.push_back({records.size() - 1, offset, value + '\0', false, false});
  }
  void bytes(size_t offset, const std::string& value, bool last) {
    texts.push_back({records.size() - 1, offset, value, true, last});
  }
};

BOOL RecordedPlatform::answer(const RecordTable& table, LPBYTE buffer, DWORD size, LPDWORD needed,
                              LPDWORD returned) {
  // Raw data starts at an 8-byte boundary, as the spooler aligns a DEVMODE.
  auto aligned = [](size_t at) { return (at + 7) & ~size_t(7); };
  std::vector<const RecordTable::Text*> order;
  for (const RecordTable::Text& t : table.texts)
    if (!t.last) order.push_back(&t);
  for (const RecordTable::Text& t : table.texts)
    if (t.last) order.push_back(&t);
  std::vector<size_t> placed;
  size_t total = table.records.size() * table.recordSize;
  for (const RecordTable::Text* t : order) {
    if (t->raw) total = aligned(total);
    placed.push_back(total);
    total += t->bytes.size();
  }
  *needed = static_cast<DWORD>(total);
  *returned = 0;
  if (table.records.empty()) return TRUE;
  if (!buffer || size < total) return fail(ERROR_INSUFFICIENT_BUFFER);
  for (size_t i = 0; i < table.records.size(); ++i) {
    std::memcpy(buffer + i * table.recordSize, table.records[i].data(), table.recordSize);
  }
  for (size_t i = 0; i < order.size(); ++i) {
    unsigned char* at = buffer + placed[i];
    std::memcpy(at, order[i]->bytes.data(), order[i]->bytes.size());
    std::memcpy(buffer + order[i]->record * table.recordSize + order[i]->offset, &at, sizeof at);
  }
  *returned = static_cast<DWORD>(table.records.size());
  return TRUE;
}

SC_HANDLE RecordedPlatform::OpenSCManagerA(LPCSTR, LPCSTR, DWORD) {
  if (number("version", "platform") == VER_PLATFORM_WIN32_WINDOWS) {
    fail(ERROR_CALL_NOT_IMPLEMENTED);
    return nullptr;
  }
  if (lower(get("services", "manager")) == "fail") {
    fail(ERROR_ACCESS_DENIED);
    return nullptr;
  }
  ++openHandles_;
  return reinterpret_cast<SC_HANDLE>(newHandle(Handle::SERVICE_MANAGER, nullptr));
}

BOOL RecordedPlatform::EnumServicesStatusA(SC_HANDLE manager, DWORD type, DWORD state,
                                           LPENUM_SERVICE_STATUSA services, DWORD size, LPDWORD needed,
                                           LPDWORD returned, LPDWORD resume) {
  *needed = 0;
  *returned = 0;
  if (!findHandle(manager, Handle::SERVICE_MANAGER)) return fail(ERROR_INVALID_HANDLE);
  if (lower(get("services", "enum")) == "fail") return fail(ERROR_ACCESS_DENIED);
  RecordTable table(sizeof(ENUM_SERVICE_STATUSA));
  for (const std::string& name : named("service")) {
    std::string sectionName = "service " + name;
    DWORD serviceType = static_cast<DWORD>(number(sectionName, "type", SERVICE_WIN32_OWN_PROCESS));
    DWORD current = static_cast<DWORD>(number(sectionName, "state", SERVICE_STOPPED));
    bool active = current != SERVICE_STOPPED;
    if (!(serviceType & type)) continue;
    if ((state == SERVICE_ACTIVE && !active) || (state == SERVICE_INACTIVE && active)) continue;
    auto& record = table.add<ENUM_SERVICE_STATUSA>();
    record.ServiceStatus.dwServiceType = serviceType;
    record.ServiceStatus.dwCurrentState = current;
    table.text(offsetof(ENUM_SERVICE_STATUSA, lpServiceName), name);
    table.text(offsetof(ENUM_SERVICE_STATUSA, lpDisplayName), get(sectionName, "display", name));
  }
  if (resume) *resume = 0;
  if (!answer(table, reinterpret_cast<LPBYTE>(services), size, needed, returned))
    return fail(ERROR_MORE_DATA);
  if (services && has("services", "returned")) *returned = static_cast<DWORD>(number("services", "returned"));
  return TRUE;
}

BOOL RecordedPlatform::CloseServiceHandle(SC_HANDLE handle) {
  Handle* h = findHandle(handle, Handle::SERVICE_MANAGER);
  if (!h) return fail(ERROR_INVALID_HANDLE);
  dropHandle(h);
  --openHandles_;
  return TRUE;
}

// ---- LSA policy

namespace {
const NTSTATUS kAccessDenied = static_cast<NTSTATUS>(0xC0000022L);
const NTSTATUS kInvalidHandle = static_cast<NTSTATUS>(0xC0000008L);
}  // namespace

NTSTATUS RecordedPlatform::LsaOpenPolicy(FARPROC, PLSA_UNICODE_STRING, PLSA_OBJECT_ATTRIBUTES, ACCESS_MASK,
                                         PLSA_HANDLE policy) {
  if (lower(get("lsa", "open")) == "fail") return kAccessDenied;
  *policy = newHandle(Handle::LSA_POLICY, nullptr);
  ++openHandles_;
  return 0;
}

NTSTATUS RecordedPlatform::LsaQueryInformationPolicy(FARPROC, LSA_HANDLE policy,
                                                     POLICY_INFORMATION_CLASS kind, PVOID* buffer) {
  if (!findHandle(policy, Handle::LSA_POLICY)) return kInvalidHandle;
  if (kind != PolicyPrimaryDomainInformation || lower(get("lsa", "query")) == "fail") return kAccessDenied;
  // One block: the record, the domain name in UTF-16, then a domain SID
  // (S-1-5-21-x-y-z) when the machine is a member.
  std::string domain = get("lsa", "domain", "WORKGROUP");
  static const unsigned char kDomainSid[] = {1, 4, 0, 0, 0, 0, 0, 5, 21, 0, 0, 0, 1, 0,
                                             0, 0, 2, 0, 0, 0, 3, 0, 0,  0, 0, 0, 0, 0};
  size_t nameBytes = (domain.size() + 1) * sizeof(WCHAR);
  size_t total = sizeof(POLICY_PRIMARY_DOMAIN_INFO) + nameBytes + sizeof kDomainSid;
  auto* block = new unsigned char[total]();
  auto* info = reinterpret_cast<POLICY_PRIMARY_DOMAIN_INFO*>(block);
  auto* name = reinterpret_cast<WCHAR*>(block + sizeof *info);
  for (size_t i = 0; i < domain.size(); ++i) name[i] = static_cast<unsigned char>(domain[i]);
  info->Name.Buffer = name;
  info->Name.Length = static_cast<USHORT>(domain.size() * sizeof(WCHAR));
  info->Name.MaximumLength = static_cast<USHORT>(nameBytes);
  if (isYes(get("lsa", "sid", "no"))) {
    std::memcpy(block + sizeof *info + nameBytes, kDomainSid, sizeof kDomainSid);
    info->Sid = block + sizeof *info + nameBytes;
  }
  lsaBuffers_.push_back(block);
  *buffer = block;
  return 0;
}

NTSTATUS RecordedPlatform::LsaFreeMemory(FARPROC, PVOID buffer) {
  auto it = std::find(lsaBuffers_.begin(), lsaBuffers_.end(), buffer);
  if (it == lsaBuffers_.end()) return kInvalidHandle;
  delete[] static_cast<unsigned char*>(buffer);
  lsaBuffers_.erase(it);
  return 0;
}

NTSTATUS RecordedPlatform::LsaClose(FARPROC, LSA_HANDLE policy) {
  Handle* h = findHandle(policy, Handle::LSA_POLICY);
  if (!h) return kInvalidHandle;
  dropHandle(h);
  --openHandles_;
  return 0;
}

// ---- profile and print spooler

DWORD RecordedPlatform::GetProfileStringA(LPCSTR sectionName, LPCSTR key, LPCSTR fallback, LPSTR buffer,
                                          DWORD size) {
  if (!buffer || size == 0) return 0;
  std::string name = "profile " + lower(sectionName ? sectionName : "");
  std::string text = fallback ? fallback : "";
  for (const auto& entry : sections_) {
    if (lower(entry.first) != name) continue;
    for (const auto& value : entry.second) {
      if (lower(value.first) == lower(key ? key : "")) text = value.second;
    }
  }
  // Cut to the buffer, as the profile calls do.
  DWORD n = static_cast<DWORD>(std::min<size_t>(text.size(), size - 1));
  std::memcpy(buffer, text.data(), n);
  buffer[n] = '\0';
  return n;
}

// The recorded answer, with the count the scenario makes the call report instead
// of the true one (returned.WHAT), as a faulty spooler might.
BOOL RecordedPlatform::spoolerAnswer(const std::string& what, const RecordTable& table, LPBYTE buffer,
                                     DWORD size, LPDWORD needed, LPDWORD returned) {
  if (!answer(table, buffer, size, needed, returned)) return FALSE;
  if (buffer && has("spooler", "returned." + what))
    *returned = static_cast<DWORD>(number("spooler", "returned." + what));
  return TRUE;
}

bool RecordedPlatform::spoolerFails(const std::string& what) {
  if (!holdsWord(get("spooler", "fail"), what)) return false;
  fail(RPC_S_SERVER_UNAVAILABLE);
  return true;
}

BOOL RecordedPlatform::EnumPortsA(LPSTR, DWORD level, LPBYTE buffer, DWORD size, LPDWORD needed,
                                  LPDWORD returned) {
  *needed = 0;
  *returned = 0;
  if (spoolerFails("ports")) return FALSE;
  if (level != 1 && level != 2) return fail(ERROR_INVALID_LEVEL);
  RecordTable table(level == 1 ? sizeof(PORT_INFO_1A) : sizeof(PORT_INFO_2A));
  for (const std::string& name : named("port")) {
    std::string sectionName = "port " + name;
    if (level == 1) {
      table.add<PORT_INFO_1A>();
      table.text(offsetof(PORT_INFO_1A, pName), name);
      continue;
    }
    auto& record = table.add<PORT_INFO_2A>();
    record.fPortType = static_cast<DWORD>(number(sectionName, "type", PORT_TYPE_WRITE));
    table.text(offsetof(PORT_INFO_2A, pPortName), name);
    if (has(sectionName, "monitor"))
      table.text(offsetof(PORT_INFO_2A, pMonitorName), get(sectionName, "monitor"));
    if (has(sectionName, "description")) {
      table.text(offsetof(PORT_INFO_2A, pDescription), get(sectionName, "description"));
    }
  }
  return spoolerAnswer("ports", table, buffer, size, needed, returned);
}

BOOL RecordedPlatform::EnumMonitorsA(LPSTR, DWORD level, LPBYTE buffer, DWORD size, LPDWORD needed,
                                     LPDWORD returned) {
  *needed = 0;
  *returned = 0;
  if (spoolerFails("monitors")) return FALSE;
  // Windows 9x knows only the monitor names.
  bool nt = number("version", "platform") == VER_PLATFORM_WIN32_NT;
  if (level != 1 && !(level == 2 && nt)) return fail(ERROR_INVALID_LEVEL);
  RecordTable table(level == 1 ? sizeof(MONITOR_INFO_1A) : sizeof(MONITOR_INFO_2A));
  for (const std::string& name : named("monitor")) {
    std::string sectionName = "monitor " + name;
    if (level == 1) {
      table.add<MONITOR_INFO_1A>();
      table.text(offsetof(MONITOR_INFO_1A, pName), name);
      continue;
    }
    table.add<MONITOR_INFO_2A>();
    table.text(offsetof(MONITOR_INFO_2A, pName), name);
    if (has(sectionName, "environment")) {
      table.text(offsetof(MONITOR_INFO_2A, pEnvironment), get(sectionName, "environment"));
    }
    if (has(sectionName, "dll")) table.text(offsetof(MONITOR_INFO_2A, pDLLName), get(sectionName, "dll"));
  }
  return spoolerAnswer("monitors", table, buffer, size, needed, returned);
}

BOOL RecordedPlatform::EnumPrinterDriversA(LPSTR, LPSTR environment, DWORD level, LPBYTE buffer, DWORD size,
                                           LPDWORD needed, LPDWORD returned) {
  *needed = 0;
  *returned = 0;
  if (spoolerFails("drivers")) return FALSE;
  if (level != 3) return fail(ERROR_INVALID_LEVEL);
  bool nt = number("version", "platform") == VER_PLATFORM_WIN32_NT;
  std::string wanted =
      environment ? environment : get("spooler", "environment", nt ? "Windows NT x86" : "Windows 4.0");
  RecordTable table(sizeof(DRIVER_INFO_3A));
  for (const std::string& name : named("driver")) {
    std::string sectionName = "driver " + name;
    std::string driverEnvironment = get(sectionName, "environment", wanted);
    if (lower(driverEnvironment) != lower(wanted)) continue;
    auto& record = table.add<DRIVER_INFO_3A>();
    record.cVersion = static_cast<DWORD>(number(sectionName, "version", nt ? 3 : 0));
    table.text(offsetof(DRIVER_INFO_3A, pName), name);
    table.text(offsetof(DRIVER_INFO_3A, pEnvironment), driverEnvironment);
    static const std::pair<const char*, size_t> texts[] = {
        {"path", offsetof(DRIVER_INFO_3A, pDriverPath)},
        {"data", offsetof(DRIVER_INFO_3A, pDataFile)},
        {"config", offsetof(DRIVER_INFO_3A, pConfigFile)},
        {"help", offsetof(DRIVER_INFO_3A, pHelpFile)},
        {"monitor", offsetof(DRIVER_INFO_3A, pMonitorName)},
        {"datatype", offsetof(DRIVER_INFO_3A, pDefaultDataType)},
    };
    for (const auto& t : texts) {
      if (has(sectionName, t.first)) table.text(t.second, get(sectionName, t.first));
    }
    if (has(sectionName, "dependent")) {
      bool last = false;
      std::string list = recordedNameList(*this, sectionName, "dependent", last);
      table.bytes(offsetof(DRIVER_INFO_3A, pDependentFiles), list, last);
    }
  }
  return spoolerAnswer("drivers", table, buffer, size, needed, returned);
}

BOOL RecordedPlatform::EnumPrintersA(DWORD flags, LPSTR, DWORD level, LPBYTE buffer, DWORD size,
                                     LPDWORD needed, LPDWORD returned) {
  *needed = 0;
  *returned = 0;
  if (spoolerFails("printers")) return FALSE;
  if (level != 2) return fail(ERROR_INVALID_LEVEL);
  RecordTable table(sizeof(PRINTER_INFO_2A));
  for (const std::string& name : named("printer")) {
    std::string sectionName = "printer " + name;
    std::string scopes = get(sectionName, "scopes", "local");
    bool listed = ((flags & PRINTER_ENUM_LOCAL) && holdsWord(scopes, "local")) ||
                  ((flags & PRINTER_ENUM_CONNECTIONS) && holdsWord(scopes, "connections")) ||
                  ((flags & PRINTER_ENUM_NAME) && holdsWord(scopes, "name"));
    if (!listed) continue;
    auto& record = table.add<PRINTER_INFO_2A>();
    record.Attributes = static_cast<DWORD>(number(sectionName, "attributes", PRINTER_ATTRIBUTE_LOCAL));
    record.Priority = static_cast<DWORD>(number(sectionName, "priority", 1));
    record.DefaultPriority = static_cast<DWORD>(number(sectionName, "defaultPriority", 0));
    record.Status = static_cast<DWORD>(number(sectionName, "status", 0));
    record.cJobs = static_cast<DWORD>(number(sectionName, "jobs", 0));
    table.text(offsetof(PRINTER_INFO_2A, pPrinterName), name);
    static const std::pair<const char*, size_t> texts[] = {
        {"server", offsetof(PRINTER_INFO_2A, pServerName)},
        {"share", offsetof(PRINTER_INFO_2A, pShareName)},
        {"port", offsetof(PRINTER_INFO_2A, pPortName)},
        {"driver", offsetof(PRINTER_INFO_2A, pDriverName)},
        {"comment", offsetof(PRINTER_INFO_2A, pComment)},
        {"location", offsetof(PRINTER_INFO_2A, pLocation)},
        {"sepFile", offsetof(PRINTER_INFO_2A, pSepFile)},
        {"printProcessor", offsetof(PRINTER_INFO_2A, pPrintProcessor)},
        {"datatype", offsetof(PRINTER_INFO_2A, pDatatype)},
        {"parameters", offsetof(PRINTER_INFO_2A, pParameters)},
    };
    for (const auto& t : texts) {
      if (has(sectionName, t.first)) table.text(t.second, get(sectionName, t.first));
    }
    bool last = false;
    std::string devMode = recordedDevMode(*this, sectionName, last);
    if (!devMode.empty()) table.bytes(offsetof(PRINTER_INFO_2A, pDevMode), devMode, last);
  }
  return spoolerAnswer("printers", table, buffer, size, needed, returned);
}
