// The document server products of this machine: editions and versions,
// registry branches, configuration files, batch files, file listings and the
// reachability of the hosts the server knows.
#include "DvqInfoObservations.h"

#include <cstring>

#include "ControlFile.h"
#include "DataFiles.h"
#include "DvqInfoVocabulary.h"
#include "DvqMachine.h"
#include "DvqNodes.h"
#include "ProfileText.h"
#include "netcommon/NetDiagApi.h"
#include "nox/FileUtil.h"
#include "pchelpers/DocServerApi.h"
#include "pchelpers/FileApi.h"
#include "pchelpers/ProgramApi.h"

namespace dvqinfo {

namespace {

using dvq::addError;
using dvq::addPath;
using dvq::machineLeadByte;

// Registry texts of the products are used as at most 259 characters.
const size_t kTextLimit = 259;
// Longest wait for one listing; a lister that hangs must not hang the snapshot.
const DWORD kListingLimitMs = 10 * 60 * 1000;

bool readText(const char* key, const char* value, std::string& text) {
  if (dvq::readValueText(HKEY_LOCAL_MACHINE, key, value, text) != ERROR_SUCCESS) return false;
  if (text.size() > kTextLimit) text.resize(kTextLimit);
  return true;
}

// A registry text used as a folder: '/' becomes '\'.
bool readFolder(const char* key, const char* value, std::string& folder) {
  if (!readText(key, value, folder)) return false;
  folder = dvq::withBackslashes(folder, machineLeadByte);
  return true;
}

std::string join(const std::string& folder, const char* name) { return folder + "\\" + name; }

bool sameText(const std::string& a, const char* b) { return lstrcmpiA(a.c_str(), b) == 0; }

std::string installDir() {
  std::string folder;
  return readFolder(kFamilyKey, "InstallDir", folder) ? folder : std::string();
}

std::string qvdCnfPath() { return join(join(installDir(), "qvdetc"), "qvd.cnf"); }

// The edition D data folder: its "DATAPATH", else "data" of [path] in qvd.cnf.
// `fromCnf` says where it came from.
std::string editionDData(bool& fromCnf) {
  fromCnf = false;
  std::string folder;
  if (readFolder(kEditionDKey, "DATAPATH", folder) && !folder.empty()) return folder;
  std::string cnf;
  if (!dvq::readFile(qvdCnfPath(), cnf)) return std::string();
  folder = dvq::profileValue(cnf, "path", "data", "", kTextLimit);
  fromCnf = !folder.empty();
  return folder;
}

Report& addProduct(Report& report, const char* name, const std::string& version) {
  Report& product = addText(report, "product", name);
  addText(product, "version", version.c_str());
  return product;
}

std::string editionDSubType() {
  DWORD type = 0;
  if (dvq::readDword(HKEY_LOCAL_MACHINE, kEditionDKey, "Type", type)) {
    if ((type & 3) == 2) return kEditionDFirstSubType;
    std::string subType;
    if (!readText(kEditionDKey, "SubType", subType)) return kEditionDSecondSubType;
    return sameText(subType, "Ep") ? kEditionDThirdSubType : kEditionDSecondSubType;
  }
  std::string cnf;
  if (!dvq::readFile(qvdCnfPath(), cnf)) return kUnknown;
  std::string subType = dvq::profileValue(cnf, "Product", "subType", "", kTextLimit);
  if (sameText(subType, "Ep")) return kEditionDThirdSubType;
  if (sameText(subType, "Pro")) return kEditionDSecondSubType;
  return kUnknown;
}

// "Version" of key; an unreadable one is reported empty.
std::string versionOf(const char* key) {
  std::string version;
  readText(key, "Version", version);
  return version;
}

void addPelion(Report& report) {
  std::string folder;
  if (!readFolder(kPelionKey, "InstallPath", folder)) return;
  std::string bytes;
  if (!dvq::readFile(join(join(folder, "etc"), "orvex.properties"), bytes)) return;
  std::vector<std::string> lines = dvq::textLines(bytes);
  std::string version = formatted("%s.%s %s", dvq::propertyValue(lines, "pelion.version.major=").c_str(),
                                  dvq::propertyValue(lines, "pelion.version.minor=").c_str(),
                                  dvq::propertyValue(lines, "pelion.version.postfix=").c_str());
  Report& product = addProduct(report, kPelionName, version);
  addText(product, "subType", dvq::propertyValue(lines, "pelion.type=").c_str());
}

// The host names of a data file, appended to the run's list.
void readHosts(const std::string& path, std::vector<std::string>& hosts) {
  std::string bytes;
  if (!dvq::readFile(path, bytes)) return;
  for (const std::string& host :
       dvq::controlFileHosts(reinterpret_cast<const unsigned char*>(bytes.data()), bytes.size()))
    hosts.push_back(host);
}

void readDeviceRollHosts(const std::string& directoryPath, const std::string& recordsPath,
                         std::vector<std::string>& hosts) {
  std::string directory, records;
  if (!dvq::readFile(directoryPath, directory) || !dvq::readFile(recordsPath, records)) return;
  for (const std::string& host :
       dvq::deviceRollHosts(reinterpret_cast<const unsigned char*>(directory.data()), directory.size(),
                            reinterpret_cast<const unsigned char*>(records.data()), records.size()))
    hosts.push_back(host);
}

void addIfExists(Report& report, const char* name, const std::string& path) {
  if (dvq::exists(path)) addPath(report, name, path);
}

// A control-file value: key\value read with the registry rule (any length).
bool readLineValue(const dvq::RegistryValueName& name, bool wow64, std::string& value) {
  return dvq::readValueText(HKEY_LOCAL_MACHINE, name.key, name.value.c_str(), value, wow64) == ERROR_SUCCESS;
}

void addCnfLine(Report& report, const dvq::SourceLine& line) {
  std::string base;
  if (!readLineValue(line.value, false, base)) {
    addError(report, line.name.c_str(), "Can't get registory");
    return;
  }
  std::string specification = line.specification;
  static const char kBase[] = "base:";
  if (specification.compare(0, sizeof kBase - 1, kBase) == 0) {
    base = dvq::parentOf(base, machineLeadByte);
    specification = specification.substr(sizeof kBase - 1);
  }
  dvq::addListing(report, line.name, base, specification);
}

// The listing of `folder` by the file version lister into the work folder.
void addFileList(Report& report, const std::string& folder, const std::string& name) {
  const char* work = infoHooks().workFolder();
  if (!work || !*work) return;
  std::string path = std::string(work) + "\\" + dvq::asFileName(name, machineLeadByte) + ".txt";
  SECURITY_ATTRIBUTES inheritable = {sizeof inheritable, nullptr, TRUE};
  FileApi& files = Seam<FileApi>::current();
  HANDLE output = files.CreateFileA(path.c_str(), GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE,
                                    &inheritable, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
  if (output == INVALID_HANDLE_VALUE) return;
  std::string command = formatted("cmd /c .\\verlist \"%s\" ", folder.c_str());
  std::vector<char> commandLine(command.begin(), command.end());
  commandLine.push_back('\0');
  STARTUPINFOA startup;
  std::memset(&startup, 0, sizeof startup);
  startup.cb = sizeof startup;
  startup.dwFlags = STARTF_USESTDHANDLES | STARTF_USESHOWWINDOW;
  startup.wShowWindow = SW_HIDE;
  startup.hStdInput = currentDocServer().GetStdHandle(STD_INPUT_HANDLE);
  startup.hStdOutput = output;
  startup.hStdError = output;
  PROCESS_INFORMATION process = {};
  ProgramApi& programs = currentPrograms();
  // ".\verlist" is the lister beside the host program, wherever the host was
  // started from.
  std::string beside = dvq::hostFolder();
  if (programs.CreateProcessA(nullptr, commandLine.data(), nullptr, nullptr, TRUE, CREATE_NEW_PROCESS_GROUP,
                              nullptr, beside.empty() ? nullptr : beside.c_str(), &startup, &process)) {
    DWORD started = programs.GetTickCount();
    while (programs.WaitForSingleObject(process.hProcess, 100) == WAIT_TIMEOUT) {
      if (programs.GetTickCount() - started > kListingLimitMs) {
        programs.TerminateProcess(process.hProcess, 1);
        break;
      }
      currentDocServer().Sleep(100);
    }
    programs.CloseHandle(process.hThread);
    programs.CloseHandle(process.hProcess);
  }
  files.CloseHandle(output);
  addPath(report, "filelist", path);
}

void addPingValues(Report& parent, const PingResult& result) {
  PingResult copy = result;
  copy.hostName[sizeof copy.hostName - 1] = '\0';
  copy.address[sizeof copy.address - 1] = '\0';
  addText(parent, "name", copy.hostName);
  addText(parent, "ipAddress", copy.address);
  addNumber(parent, "packetTransmitted", static_cast<unsigned long>(copy.sent));
  addNumber(parent, "packetReceived", static_cast<unsigned long>(copy.received));
  addNumber(parent, "packetLost", static_cast<unsigned long>(copy.lost));
  addNumber(parent, "minRoundTripTime", static_cast<unsigned long>(copy.minimum));
  addNumber(parent, "maxRoundTripTime", static_cast<unsigned long>(copy.maximum));
  addNumber(parent, "avarageRoundTripTime", static_cast<unsigned long>(copy.average));
}

bool nothingAnswered(const PingResult& result) {
  return strncmp(result.address, "NA", sizeof result.address) == 0 &&
         strncmp(result.hostName, "NA", sizeof result.hostName) == 0;
}

}  // namespace

InfoHooks& infoHooks() {
  static InfoHooks hooks = {exportRegistryToFile, getWorkFolder};
  return hooks;
}

unsigned long productMask() {
  static const struct {
    unsigned long bit;
    const char* key;
    const char* value;
  } kMarks[] = {
      {kEditionA, kEditionAVersion, "Version"},   {kEditionB, kEditionBVersion, "Version"},
      {kEditionC, kEditionCVersion, "Version"},   {kEditionD, kEditionDKey, "Version"},
      {kEditionD, kEditionDKey, "EngineVersion"}, {kPelion, kPelionKey, "InstallPath"},
      {kBrennock, kBrennockKey, "Version"},
  };
  unsigned long mask = 0;
  for (const auto& mark : kMarks) {
    std::string text;
    if (!(mask & mark.bit) &&
        dvq::readValueText(HKEY_LOCAL_MACHINE, mark.key, mark.value, text) == ERROR_SUCCESS)
      mask |= mark.bit;
  }
  return mask;
}

void fillInstalledProducts(Report& report, const InfoState& state) {
  report.setName("installedProducts");
  unsigned long mask = state.mask;
  if (mask & kEditionA) {
    std::string subType;
    if (!readText(kEditionAVersion, "MODEL", subType)) subType = kUnknown;
    addText(addProduct(report, kEditionAName, versionOf(kEditionAVersion)), "subType", subType.c_str());
  }
  if (mask & kEditionB) {
    Report& product = addProduct(report, kEditionBName, versionOf(kEditionBVersion));
    std::string folder = installDir();
    if (!folder.empty() && dvq::exists(join(folder, kEditionBMarker)))
      addText(product, "subType", kEditionBSubType);
  }
  if (mask & kEditionC) addProduct(report, kEditionCName, versionOf(kEditionCVersion));
  if (mask & kEditionD) {
    addText(addProduct(report, kEditionDName, versionOf(kEditionDKey)), "subType", editionDSubType().c_str());
  }
  if (mask & kBrennock) {
    std::string folder;
    if (readFolder(kBrennockKey, "InstallDir", folder) && dvq::exists(join(folder, kBrennockMarker))) {
      addText(addProduct(report, kBrennockName, versionOf(kBrennockKey)), "subType", kBrennockSubType);
    }
  }
  if (mask & kPelion) addPelion(report);
}

void fillRegistries(Report& report) {
  report.setName("registries");
  static const struct {
    HKEY root;
    const char* key;
    const char* file;
    const char* node;  // null: the key text itself
  } kBranches[] = {
      {HKEY_LOCAL_MACHINE, "Software\\Varco\\Tessaro", "Tessaro.txt", "main"},
      {HKEY_LOCAL_MACHINE, "Software\\Varco\\Ledgerly", "Cabinet.txt", "cabinets"},
      {HKEY_LOCAL_MACHINE, "Software\\Varco\\Kwerin", "Kwerin.txt", "authInfo"},
      {HKEY_LOCAL_MACHINE, "Software\\JavaSoft\\Prefs", "JavaPrefs.txt", "JavaPrefs"},
      {HKEY_LOCAL_MACHINE, "Software\\Varco\\Sarnet2", "Sarnet2.txt", nullptr},
      {HKEY_LOCAL_MACHINE, "Software\\Varco\\Vellum", "Vellum.txt", nullptr},
      {HKEY_LOCAL_MACHINE, "Software\\Varco\\Halvard", "dremoLogClient.txt", "dremoLogClient"},
      {HKEY_CURRENT_USER, "Software\\Varco\\Brennock", "Sys0B.txt", nullptr},
  };
  auto exportBranch = [&](HKEY root, const std::string& key, const std::string& file,
                          const std::string& node) {
    char path[MAX_PATH + 1] = {};
    try {
      infoHooks().exportRegistry(root, key.c_str(), file.c_str(), path, MAX_PATH);
    } catch (IException* e) {
      e->release();
      return;
    }
    path[MAX_PATH] = '\0';
    addPath(report, node.c_str(), path);
  };
  for (const auto& branch : kBranches)
    exportBranch(branch.root, branch.key, branch.file, branch.node ? branch.node : branch.key);
  std::string bytes;
  if (!dvq::readControlFile("reglist.txt", bytes)) return;
  for (const dvq::RegistryBranchLine& line : dvq::registryBranchLines(bytes)) {
    exportBranch(HKEY_LOCAL_MACHINE, line.key, dvq::asFileName(line.name, machineLeadByte) + ".txt",
                 line.name);
  }
}

void fillConfigrations(Report& report, InfoState& state) {
  report.setName("configrations");
  std::string data;
  if ((state.mask & kEditionA) && readFolder(kEditionABase, "DATAPATH", data)) {
    std::string path = join(data, "TwCtrl.dat");
    if (dvq::isFile(path)) {
      addPath(report, "tallowSerializeData", path);
      readHosts(path, state.hosts);
    }
  }
  if (state.mask & kEditionD) {
    bool fromCnf = false;
    std::string folder = editionDData(fromCnf);
    if (fromCnf) addIfExists(report, "qvdcnf", qvdCnfPath());
    if (!folder.empty()) {
      addIfExists(report, "qvdIni", join(folder, "qvd.ini"));
      std::string directory = join(folder, "devroll.dir"), records = join(folder, "devroll.tdb");
      addIfExists(report, "devrollDir", directory);
      addIfExists(report, "devrollData", records);
      if (dvq::isFile(directory) && dvq::isFile(records))
        readDeviceRollHosts(directory, records, state.hosts);
    }
  }
  std::string install = installDir();
  if (!install.empty()) addIfExists(report, "docserverConfig", join(install, "Master"));
  std::string pelion;
  if ((state.mask & kPelion) && readFolder(kPelionKey, "InstallPath", pelion))
    addIfExists(report, "pelionConfig", join(pelion, "etc"));
  std::string bytes;
  if (!dvq::readControlFile("cnflist.txt", bytes)) return;
  for (const dvq::SourceLine& line : dvq::sourceLines(bytes, false, machineLeadByte))
    addCnfLine(report, line);
}

void fillBatchFiles(Report& report) {
  report.setName("batchFiles");
  std::string folder;
  if (!readFolder(kFamilyKey, "InstallDir", folder)) {
    report.setSuccess(false);
    return;
  }
  std::vector<std::string> names;
  dvq::findNames(join(folder, "*.bat"), names);
  for (const std::string& name : names) addPath(report, "file", join(folder, name.c_str()));
}

void fillFileLists(Report& report, const InfoState& state) {
  report.setName("filelists");
  std::string folder;
  if (readFolder(kFamilyKey, "InstallDir", folder)) addFileList(report, folder, "InstallDir");
  if (readFolder(kSarnetKey, "InstallDir", folder)) addFileList(report, folder, "Sarnet2");
  if ((state.mask & kEditionA) && readFolder(kEditionABase, "DATAPATH", folder))
    addFileList(report, folder, "TallowData");
  if (state.mask & kEditionD) {
    bool fromCnf = false;
    folder = editionDData(fromCnf);
    if (!folder.empty()) addFileList(report, folder, "GimletData");
  }
  std::string bytes;
  if (!dvq::readControlFile("filelist_regseparator.txt", bytes)) return;
  for (const dvq::SourceLine& line : dvq::listingLines(bytes, machineLeadByte)) {
    std::string value;
    if (!readLineValue(line.value, state.wow64, value)) {
      addError(report, line.name.c_str(), "Can't get registory");
      continue;
    }
    value = dvq::unquoted(dvq::withBackslashes(value, machineLeadByte));
    addFileList(report, dvq::withoutComponents(value, line.strip, machineLeadByte), line.name);
  }
}

void fillRegisteredHosts(Report& report, const InfoState& state) {
  report.setName("registeredHosts");
  NetDiagApi& netDiag = currentNetDiag();
  for (const std::string& host : state.hosts) {
    Report& node = addNode(report, "host");
    addAttribute(node, "name", host.c_str());

    PingResult ping = {};
    int result = netDiag.NetDiagPing(host.c_str(), &ping);
    if (result != 0) {
      addError(node, "ping", formatted("NetDiagPing failed (%ld)", static_cast<long>(result)));
    } else if (nothingAnswered(ping)) {
      addError(node, "ping", "Request timed out");
    } else {
      addPingValues(addNode(node, "ping"), ping);
    }

    std::vector<TraceResult> trace(1);
    result = netDiag.NetDiagTraceroute(host.c_str(), trace.data());
    if (result != 0) {
      addError(node, "traceroute", formatted("NetDiagTraceroute failed (%ld)", static_cast<long>(result)));
      continue;
    }
    Report& traceNode = addNode(node, "traceroute");
    addNumber(traceNode, "hops", static_cast<unsigned long>(trace[0].hopCount));
    // Only the records the result holds: a count beyond them names none.
    int count = trace[0].hopCount < 0                 ? 0
                : trace[0].hopCount > kNetDiagMaxHops ? kNetDiagMaxHops
                                                      : trace[0].hopCount;
    for (int i = 1; i <= count; ++i) {
      Report& hop = addNode(traceNode, "hop");
      addAttribute(hop, "index", formatted("%d", i).c_str());
      addPingValues(hop, trace[0].hops[i - 1]);
    }
  }
}

namespace {

// One of the six parts of the report, run with the root's state.
class PartObservation : public Observation {
 public:
  typedef void (*Fill)(Report&, InfoState&);
  PartObservation(InfoState& state, Fill fill) : state_(state), fill_(fill) {}
  void observe(Report& report) override { fill_(report, state_); }

 private:
  InfoState& state_;
  Fill fill_;
};

}  // namespace

DvqInfoRoot::DvqInfoRoot() {
  state_.wow64 = dvq::runsUnderWow64();
  addSubObservation<PartObservation>(state_, [](Report& r, InfoState& s) { fillInstalledProducts(r, s); });
  addSubObservation<PartObservation>(state_, [](Report& r, InfoState&) { fillRegistries(r); });
  addSubObservation<PartObservation>(state_, [](Report& r, InfoState& s) { fillConfigrations(r, s); });
  addSubObservation<PartObservation>(state_, [](Report& r, InfoState&) { fillBatchFiles(r); });
  addSubObservation<PartObservation>(state_, [](Report& r, InfoState& s) { fillFileLists(r, s); });
  addSubObservation<PartObservation>(state_, [](Report& r, InfoState& s) { fillRegisteredHosts(r, s); });
}

void DvqInfoRoot::observe(Report& report) {
  report.setName("dvqInformation");
  state_.mask = productMask();
  // Each run reports the hosts the data files name now, once: a list kept
  // from an earlier run while the module stayed loaded would repeat them.
  state_.hosts.clear();
}

}  // namespace dvqinfo
