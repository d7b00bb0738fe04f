// The logs of the document server products and of the software they run on.
#include "DvqLogsObservations.h"

#include <vector>

#include "ControlFile.h"
#include "DvqMachine.h"
#include "DvqNodes.h"
#include "pchelpers/DocServerApi.h"
#include "pchelpers/Platform.h"

namespace dvqlogs {

namespace {

using dvq::addError;
using dvq::addPath;
using dvq::machineLeadByte;

const char kFamilyKey[] = "Software\\Varco\\Tessaro";
const char kSarnetKey[] = "Software\\Varco\\Sarnet2";
const char kNotExist[] = "Directory not exist";
const char kSqlKey[] = "SOFTWARE\\Microsoft\\Microsoft SQL Server";
const char kSystemEnvironment[] = "SYSTEM\\CurrentControlSet\\Control\\Session Manager\\Environment";
const DWORD kEnvironmentRoom = 260;

std::string join(const std::string& folder, const char* name) { return folder + "\\" + name; }

// The sources of one run: the registry rule with the process flag.
class Sources {
 public:
  Sources(Report& report, bool wow64) : report_(report), wow64_(wow64) {}

  bool read(const std::string& key, const char* value, std::string& text) {
    return dvq::readValueText(HKEY_LOCAL_MACHINE, dvq::withoutUserPrefix(key), value, text, wow64_) ==
           ERROR_SUCCESS;
  }

  // A path node when `path` is a folder.
  void folderNode(const char* name, const std::string& path) {
    if (dvq::isFolder(path)) addPath(report_, name, path);
  }

  // A path node for the folder `suffix` below the folder a value names.
  void valueFolder(const char* name, const char* key, const char* value, const char* suffix) {
    std::string folder;
    if (read(key, value, folder)) folderNode(name, suffix ? join(folder, suffix) : folder);
  }

  void fixedSources();
  void sqlServerLogs();
  void logList(const std::string& bytes, bool separated);
  void environmentList(const std::string& bytes);

 private:
  bool systemEnvironment(const std::string& name, std::string& value);
  Report& report_;
  bool wow64_;
};

std::string systemFolder() {
  char folder[MAX_PATH + 1] = {};
  UINT length = currentPlatform().GetSystemDirectoryA(folder, MAX_PATH);
  return length == 0 || length >= MAX_PATH ? std::string() : std::string(folder, length);
}

std::string tempFolder() {
  char folder[MAX_PATH + 1] = {};
  DWORD length = currentDocServer().GetTempPathA(MAX_PATH, folder);
  return length == 0 || length >= MAX_PATH ? std::string() : std::string(folder, length);
}

void Sources::fixedSources() {
  std::string install;
  if (!read(kFamilyKey, "InstallDir", install)) {
    report_.setErrorText("DVQ product is not installed");
    report_.setSuccess(false);
    install.clear();
  }
  std::string logRoot;
  if (!read("Software\\Varco\\Tessaro\\Common\\Log", "LogRoot", logRoot)) {
    addError(report_, "syslog", "Get logroot from register failed");
  } else if (dvq::isFolder(logRoot)) {
    addPath(report_, "syslog", logRoot);
  } else {
    addError(report_, "syslog", kNotExist);
  }
  std::string sarnet;
  if (read(kSarnetKey, "InstallDir", sarnet)) {
    std::string binLog = join(sarnet, "bin\\log");
    if (dvq::isFolder(binLog)) {
      addPath(report_, "binlog", binLog);
    } else {
      addError(report_, "binlog", kNotExist);
    }
    folderNode("apacheLogs", join(sarnet, "apache\\logs"));
    folderNode("tomcatLogs", join(sarnet, "tomcat\\logs"));
  }
  folderNode("asyncJob", join(install, "SOP"));
  folderNode("serverPrint", join(install, "SoPrint"));
  if (dvq::isFile(join(install, "Nocr.log"))) addPath(report_, "ocrLog", join(install, "Nocr.log"));

  std::string temp = tempFolder(), system = systemFolder();
  if (!temp.empty()) folderNode("InstallerLog", dvq::joinPath(temp, "ISLog", machineLeadByte));
  if (!system.empty()) {
    folderNode("IISLog", join(system, "LogFiles"));
    folderNode("IIS7Log", system.substr(0, 2) + "\\inetpub\\logs\\LogFiles");
  }
  valueFolder("printService", "Software\\Varco\\Custel\\LogService", "path", nullptr);
  valueFolder("printClient", "Software\\Varco\\Corvell\\LogClient", "path", nullptr);
  valueFolder("printLinkage", "Software\\Varco\\Corvell", "InstallDir", "log");
  valueFolder("previewPrint", "Software\\Varco\\Tessaro\\Preview\\Log", "LogRoot", nullptr);
  valueFolder("dremoLog", "Software\\Varco\\Jastrel", "InstallDir", "bin\\log");
  valueFolder("ostrikLog", "Software\\Varco\\Jastrel", "InstallDir", "ostrik\\permanent_data\\log");
  valueFolder("dremoLogMgr", "Software\\Varco\\Quenby", "InstallDir", "LogManager\\bin\\log");
  valueFolder("dremoLogCollector", "Software\\Varco\\Quenby", "InstallDir", "LogCollector\\bin\\log");
  valueFolder("dremoMngCore", "Software\\Varco\\Quenby", "InstallDir", "MngCore\\logs");
  std::string pelion;
  if (read("Software\\Varco\\Pelion", "DataPath", pelion))
    folderNode("pelion", join(dvq::withBackslashes(pelion, machineLeadByte), "logs"));

  if (!system.empty()) {
    std::vector<std::string> names;
    if (dvq::findNames(join(system, "hs_*"), names) && !names.empty()) {
      Report& aborts = addNode(report_, "TomcatAbortLog");
      for (const std::string& name : names) addPath(aborts, "TomcatAbortLog", join(system, name.c_str()));
    }
  }
  if (!temp.empty()) {
    std::string distInfo = dvq::joinPath(temp, "Tamsrv\\InstLchLog.txt", machineLeadByte);
    if (dvq::exists(distInfo)) addPath(report_, "dremoClientDistInfo", distInfo);
  }
  sqlServerLogs();
}

void Sources::sqlServerLogs() {
  Platform& platform = currentPlatform();
  HKEY instances = nullptr;
  if (platform.RegOpenKeyExA(HKEY_LOCAL_MACHINE, (std::string(kSqlKey) + "\\Instance Names\\SQL").c_str(), 0,
                             KEY_READ | KEY_WOW64_64KEY, &instances) != ERROR_SUCCESS)
    return;
  DWORD count = 0, longestName = 0, longestData = 0;
  if (currentDocServer().RegQueryInfoKeyA(instances, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr,
                                          &count, &longestName, &longestData, nullptr,
                                          nullptr) != ERROR_SUCCESS)
    count = 0;
  struct Instance {
    std::string name, id;
  };
  std::vector<Instance> found;
  for (DWORD i = 0; i < count; ++i) {
    std::vector<char> name(longestName + 2, '\0');
    std::vector<BYTE> data(longestData + 2, 0);
    DWORD nameSize = static_cast<DWORD>(name.size()), dataSize = static_cast<DWORD>(data.size() - 1);
    if (platform.RegEnumValueA(instances, i, name.data(), &nameSize, nullptr, nullptr, data.data(),
                               &dataSize) != ERROR_SUCCESS)
      continue;
    std::string id(reinterpret_cast<const char*>(data.data()));
    if (!id.empty()) found.push_back({name.data(), id});
  }
  platform.RegCloseKey(instances);
  for (const Instance& instance : found) {
    std::string sqlPath;
    if (!read(std::string(kSqlKey) + "\\" + instance.id + "\\Setup", "SQLPath", sqlPath)) sqlPath.clear();
    std::string log = join(sqlPath, "Log");
    if (dvq::isFolder(log)) addPath(report_, formatted("ZemSQLLog_%s", instance.name.c_str()).c_str(), log);
    std::string version;
    if (!read(std::string(kSqlKey) + "\\" + instance.id + "\\MSSQLServer\\CurrentVersion", "CurrentVersion",
              version))
      continue;
    size_t dot = version.find('.');
    if (dot == std::string::npos) continue;
    std::string bootstrap;
    if (!read(std::string(kSqlKey) + "\\" + version.substr(0, dot) + "0\\Bootstrap", "BootstrapDir",
              bootstrap))
      continue;
    std::string setupLog = join(bootstrap, "Log");
    if (dvq::isFolder(setupLog))
      addPath(report_, formatted("ZemSQLSetup_%s", instance.name.c_str()).c_str(), setupLog);
  }
}

void Sources::logList(const std::string& bytes, bool separated) {
  static const char kBase[] = "base:";
  for (const dvq::SourceLine& line : dvq::sourceLines(bytes, separated, machineLeadByte)) {
    std::string base;
    if (!read(line.value.key, line.value.value.c_str(), base)) {
      addError(report_, line.name.c_str(), "Can't get registory");
      continue;
    }
    if (separated) base = dvq::unquoted(dvq::withBackslashes(base, machineLeadByte));
    std::string specification = line.specification;
    if (specification.compare(0, sizeof kBase - 1, kBase) == 0) {
      base = dvq::parentOf(base, machineLeadByte);
      specification = specification.substr(sizeof kBase - 1);
    }
    if (separated) base = dvq::withoutComponents(base, line.strip, machineLeadByte);
    dvq::addListing(report_, line.name, base, specification);
  }
}

bool Sources::systemEnvironment(const std::string& name, std::string& value) {
  Platform& platform = currentPlatform();
  HKEY key = nullptr;
  if (platform.RegOpenKeyExA(HKEY_LOCAL_MACHINE, kSystemEnvironment, 0, KEY_READ | KEY_WOW64_64KEY, &key) !=
      ERROR_SUCCESS)
    return false;
  std::vector<BYTE> data(kEnvironmentRoom + 1, 0);
  DWORD size = kEnvironmentRoom, type = 0;
  LONG result = platform.RegQueryValueExA(key, name.c_str(), nullptr, &type, data.data(), &size);
  platform.RegCloseKey(key);
  if (result != ERROR_SUCCESS) return false;
  std::string text(reinterpret_cast<const char*>(data.data()));
  if (type == REG_SZ) {
    value = text;
    return true;
  }
  if (type != REG_EXPAND_SZ) return false;
  std::vector<char> expanded(kEnvironmentRoom + 1, '\0');
  DWORD length = platform.ExpandEnvironmentStringsA(text.c_str(), expanded.data(), kEnvironmentRoom);
  if (length < 1 || length > kEnvironmentRoom) return false;
  value = expanded.data();
  return true;
}

void Sources::environmentList(const std::string& bytes) {
  for (const dvq::EnvironmentLine& line : dvq::environmentLines(bytes)) {
    std::string value;
    bool found = false;
    if (line.system) {
      found = systemEnvironment(line.variable, value);
    } else {
      DocServerApi& api = currentDocServer();
      DWORD size = api.GetEnvironmentVariableA(line.variable.c_str(), nullptr, 0);
      if (size > 0) {
        std::vector<char> buffer(size + 1, '\0');
        DWORD length = api.GetEnvironmentVariableA(line.variable.c_str(), buffer.data(), size + 1);
        found = length > 0 && length <= size;
        value = buffer.data();
      }
    }
    if (!found) {
      addError(report_, line.name.c_str(), "Can't get environment variable");
      continue;
    }
    dvq::addListing(report_, line.name, value, line.specification);
  }
}

}  // namespace

LogsObservation::LogsObservation() : wow64_(dvq::runsUnderWow64()) {}

void LogsObservation::observe(Report& report) {
  report.setName("dvqLogsInformation");
  Sources sources(report, wow64_);
  sources.fixedSources();
  std::string bytes;
  if (dvq::readControlFile("loglist.txt", bytes)) sources.logList(bytes, false);
  if (dvq::readControlFile("loglist_regseparator.txt", bytes)) sources.logList(bytes, true);
  if (dvq::readControlFile("loglist_env.txt", bytes)) sources.environmentList(bytes);
}

}  // namespace dvqlogs
