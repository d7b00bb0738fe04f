// The job folders of the document server product.
#include "DvqJobsObservation.h"

#include <cstdlib>
#include <vector>

#include "ControlFile.h"
#include "DvqMachine.h"
#include "DvqNodes.h"
#include "ProfileText.h"
#include "nox/FileUtil.h"
#include "pchelpers/DocServerApi.h"
#include "pchelpers/Win32ApiWrapper.h"

namespace dvqjobs {

namespace {

using dvq::machineLeadByte;

// Registry values of this report are read into 260 bytes, whatever their type.
const size_t kValueRoom = 260;
const DWORD kPrinterAccess = READ_CONTROL | PRINTER_ACCESS_USE;  // 0x20008

bool readValue(const std::string& key, const char* value, std::string& text) {
  return dvq::readFixedText(HKEY_LOCAL_MACHINE, key, value, kValueRoom, text);
}

std::string join(const std::string& folder, const std::string& name) { return folder + "\\" + name; }

SYSTEMTIME calendarTime(const FILETIME& time) {
  Win32ApiWrapper api;
  FILETIME local = {};
  SYSTEMTIME converted = {};
  api.FileTimeToLocalFileTime(&time, &local);
  api.FileTimeToSystemTime(&local, &converted);
  return converted;
}

void addListedFile(Report& parent, const WIN32_FIND_DATAA& entry) {
  Report& file = addText(parent, "file", entry.cFileName);
  addTime(file, "creationTime", calendarTime(entry.ftCreationTime));
  addTime(file, "lastAccessTime", calendarTime(entry.ftLastAccessTime));
  addTime(file, "lastWriteTime", calendarTime(entry.ftLastWriteTime));
  addNumber(file, "fileSize", entry.nFileSizeLow);
}

// A folder, or an entry whose attributes cannot be read.
bool folderOrUnknown(const std::string& path) {
  DWORD attributes = dvq::attributesOf(path);
  return attributes == INVALID_FILE_ATTRIBUTES || (attributes & FILE_ATTRIBUTE_DIRECTORY);
}

// "directory" with the folder's name under `parent`, and below it the folder's
// entries: sub-folders listed the same way, files with their times and size.
void listFolder(Report& parent, const std::string& folder) {
  Report& directory = addText(parent, "directory", noxGetBaseName(folder.c_str()));
  std::vector<WIN32_FIND_DATAA> entries;
  if (!dvq::findEntries(join(folder, "*"), entries)) return;
  for (const WIN32_FIND_DATAA& entry : entries) {
    std::string path = join(folder, entry.cFileName);
    if (folderOrUnknown(path)) {
      listFolder(directory, path);
    } else {
      addListedFile(directory, entry);
    }
  }
}

// The node for a folder: its path, carried whole, or its listing.
void addFolderNode(Report& parent, const char* name, const std::string& folder, bool retrieveAll) {
  if (!dvq::isFolder(folder)) return;
  if (retrieveAll) {
    dvq::addPath(parent, name, folder);
    return;
  }
  listFolder(addText(parent, name, folder.c_str()), folder);
}

// The port of the printer, or false when any step fails.
bool printerPort(const std::string& printerName, std::string& port) {
  DocServerApi& api = currentDocServer();
  std::vector<char> name(printerName.begin(), printerName.end());
  name.push_back('\0');
  PRINTER_DEFAULTSA defaults = {nullptr, nullptr, kPrinterAccess};
  HANDLE printer = nullptr;
  if (!api.OpenPrinterA(name.data(), &printer, &defaults)) return false;
  DWORD needed = 0;
  api.GetPrinterA(printer, 2, nullptr, 0, &needed);
  bool found = false;
  if (needed >= sizeof(PRINTER_INFO_2A)) {
    std::vector<BYTE> buffer(needed);
    if (api.GetPrinterA(printer, 2, buffer.data(), needed, &needed)) {
      const PRINTER_INFO_2A* info = reinterpret_cast<const PRINTER_INFO_2A*>(buffer.data());
      if (info->pPortName) {
        port = info->pPortName;
        found = true;
      }
    }
  }
  api.ClosePrinter(printer);
  return found;
}

void addPdfPrinter(Report& report, bool retrieveAll) {
  std::string printerName, port;
  if (!readValue(kOptionKey, "PDF_Printer", printerName) || !printerPort(printerName, port)) return;
  Report& node = addText(report, "acrobatDistiller", port.c_str());
  size_t cut = dvq::lastBackslash(port, machineLeadByte);
  if (cut == std::string::npos) {
    // A port such as LPT1: or FILE: is no folder: carried as a path only when
    // a folder of that name exists, never opened as a file.
    if (!retrieveAll) {
      listFolder(node, port);
    } else if (dvq::isFolder(port)) {
      node.setType(IReport::REPORT_PATH);
      node.setValue(const_cast<char*>(port.c_str()), 0);
    }
    return;
  }
  std::string folder = port.substr(0, cut);
  std::vector<WIN32_FIND_DATAA> entries;
  if (!dvq::findEntries(port, entries)) return;
  for (const WIN32_FIND_DATAA& entry : entries) {
    std::string path = join(folder, entry.cFileName);
    if (folderOrUnknown(path)) continue;
    if (retrieveAll) {
      dvq::addPath(node, "file", path);
    } else {
      addListedFile(node, entry);
    }
  }
}

std::string dataFolder(const std::string& install) {
  std::string folder;
  if (readValue(kEditionDKey, "DATAPATH", folder) && !folder.empty()) return folder;
  if (install.empty()) return std::string();
  std::string cnf;
  if (!dvq::readFile(join(join(install, "qvdetc"), "qvd.cnf"), cnf)) return std::string();
  return dvq::profileValue(cnf, "path", "data", "", kValueRoom - 1);
}

}  // namespace

bool flagValue(const char* text) { return text && std::strtol(text, nullptr, 10) != 0; }

void fillJobDetails(Report& report, bool retrieveAll) {
  std::string install;
  bool installed = readValue(kFamilyKey, "InstallDir", install);
  if (installed) {
    addFolderNode(report, "sOption", join(install, "SOption"), retrieveAll);
    addFolderNode(report, "sOJobMng", join(install, "SOJobMng"), retrieveAll);
  }
  std::string data = dataFolder(installed ? install : std::string());
  if (!data.empty()) {
    addFolderNode(report, "spool", join(data, "Spool"), retrieveAll);
    addFolderNode(report, "ftpRoot", join(data, "FtpRoot"), retrieveAll);
  }
  addPdfPrinter(report, retrieveAll);
  std::string bytes;
  if (!dvq::readControlFile("joblist.txt", bytes)) return;
  for (const dvq::SourceLine& line : dvq::sourceLines(bytes, false, machineLeadByte)) {
    std::string base;
    if (!readValue(line.value.key, line.value.value.c_str(), base)) {
      dvq::addError(report, line.name.c_str(), "Can't get registory");
      continue;
    }
    addFolderNode(report, line.name.c_str(), join(base, line.specification), retrieveAll);
  }
}

DvqJobsRoot::DvqJobsRoot() {
  Configration& form = addConfigration(kFormTitle, IConfigration::CONFIG_TYPE_OPTION);
  addEntry(form, kRetrieveAllFiles, IConfigrationEntry::ENTRY_FLAG);
}

void DvqJobsRoot::observe(Report& report) {
  report.setName("dvqJobDetails");
  bool retrieveAll = false;
  IConfigrations& forms = getConfigrations();
  if (forms.getCount() > 0 && forms.getItem(0).getConfigrationEntries().getCount() > 0)
    retrieveAll = flagValue(forms.getItem(0).getConfigrationEntries().getItem(0).getValue().getData());
  fillJobDetails(report, retrieveAll);
}

}  // namespace dvqjobs
