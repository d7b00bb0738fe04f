// The port monitor report.
#include "BirchReport.h"

#include <string>

#include "nox/ReportLeaves.h"
#include "nox/Sections.h"
#include "pchelpers/Registry.h"
#include "pchelpers/SpoolerAnswer.h"
#include "pchelpers/SystemInformation.h"

namespace birch {

namespace {

const char kClientKey[] = "SOFTWARE\\Varco\\PMG\\Client";
const char kMonitorName[] = "Quillon Link";
// The monitor file Windows 9x loads from its system folder.
const char kMonitorFile9x[] = "QLNKMON.DLL";

// The runtime libraries the client needs, in the system folder.
const char* const kRelationFiles[] = {"MSVCRT.dll", "MFC42.dll", "WSOCK32.dll", "WS2_32.dll", "WINSOCK.dll"};

// The keys dumped under "privateData", all below HKEY_LOCAL_MACHINE.
const struct {
  const char* node;
  const char* key;
} kPrivateKeys[] = {
    {"clientKey", kClientKey},
    {"quillonLinkKey", "SYSTEM\\CurrentControlSet\\Control\\Print\\Monitors\\Quillon Link"},
    {"fanoutPrintKey", "SYSTEM\\CurrentControlSet\\Control\\Print\\Monitors\\Varco Fanout Print"},
    {"ippPrintKey", "SYSTEM\\CurrentControlSet\\Control\\Print\\Monitors\\Varco IPP Print"},
};

bool fileExists(const char* path) {
  Win32ApiWrapper api;
  WIN32_FIND_DATAA found;
  HANDLE find = api.FindFirstFileA(path, &found);
  if (find == INVALID_HANDLE_VALUE) return false;
  api.FindClose(find);
  return true;
}

// A string value of the key; false when the value is not there (kind none).
// A value of another kind raises, as getStringValue does.
bool readString(RegistryKey& key, const char* name, String& text) {
  RegistryValue value = key.queryValue(name);
  if (!value.isValid()) return false;
  text = value.getStringValue();
  return true;
}

// False when the client is not installed: no key, or no marker file in its
// library folder.
bool fillInstallInformation(Report& node) {
  RegistryKey key;
  key.open(HKEY_LOCAL_MACHINE, kClientKey);
  if (!key.isOpen()) return false;
  String text;
  if (readString(key, "PMDLLDir", text)) {
    String marker = text + String("\\pmc.ver");
    if (!fileExists(marker.getData())) {
      addText(node, "version", "");
      addText(node, "installedPath", "not Installed");
      key.close();
      return false;
    }
    if (readString(key, "PMVersion", text)) addText(node, "version", text.getData());
  }
  if (readString(key, "PMDir", text)) addText(node, "installedPath", text.getData());
  key.close();
  return true;
}

void fillPortMonitor(Report& node) {
  OSVERSIONINFOA version = {};
  version.dwOSVersionInfoSize = sizeof version;
  if (!Win32ApiWrapper().GetVersionExA(&version)) {
    node.setSuccess(false);
    return;
  }
  String windows = FileInformation::getWindowsFolder();
  DWORD level = version.dwPlatformId == VER_PLATFORM_WIN32_NT ? 2 : 1;
  SpoolerAnswer answer;
  answer.fetch(
      [&](LPBYTE buffer, DWORD size, LPDWORD needed, LPDWORD returned) {
        return currentPlatform().EnumMonitorsA(nullptr, level, buffer, size, needed, returned);
      },
      level == 2 ? sizeof(MONITOR_INFO_2A) : sizeof(MONITOR_INFO_1A));
  for (DWORD i = 0; i < answer.count(); ++i) {
    const char* pName =
        level == 2 ? answer.record<MONITOR_INFO_2A>(i).pName : answer.record<MONITOR_INFO_1A>(i).pName;
    String name(answer.text(pName).c_str());
    if (name.compareNoCase(String(kMonitorName)) != 0) continue;
    Report& monitor = addNode(node, "monitorInformation");
    addText(monitor, "monitorName", name.getData());
    String file;
    if (level == 1) {
      file = windows + String("\\system\\") + String(kMonitorFile9x);
    } else {
      const MONITOR_INFO_2A& info = answer.record<MONITOR_INFO_2A>(i);
      std::string dll = answer.text(info.pDLLName);
      addText(monitor, "environment", answer.text(info.pEnvironment).c_str());
      addText(monitor, "dllName", dll.c_str());
      file = windows + String("\\system32\\") + String(dll.c_str());
    }
    if (windows.length() == 0) continue;
    String fileVersion = FileInformation::getFileVersionText(file.getData(), level == 1);
    addText(monitor, "version", fileVersion.length() > 0 ? fileVersion.getData() : "unknown");
  }
}

void fillRelationFiles(Report& node) {
  char system[260] = {};
  Win32ApiWrapper().GetSystemDirectoryA(system, sizeof system);
  for (const char* name : kRelationFiles) {
    Report& information = addNode(node, "filesInformation");
    addText(information, "fileName", name);
    String path;
    path.format("%s\\%s", system, name);
    if (fileExists(path.getData())) {
      SYSTEMTIME written = {};
      FileInformation::getFileLastWriteTime(path.getData(), written);
      addTime(information, "timeStamp", written);
    } else {
      addText(information, "relationFileExistence", "None");
    }
  }
}

void addValue(Report& subKey, const RegistryValue& value) {
  Report& entry = addNode(subKey, "entryInformation");
  addAttribute(entry, "name", value.getName().getData());
  switch (value.getKind()) {
    case RegistryValue::KIND_BINARY: {
      const ByteBuffer& bytes = value.getBinaryValue();
      Report& leaf = addNode(entry, "entryData");
      leaf.setType(IReport::REPORT_BINARY);
      leaf.setValue(const_cast<unsigned char*>(bytes.getData()), bytes.getLength());
      break;
    }
    case RegistryValue::KIND_DWORD:
      addNumber(entry, "entryData", value.getDWORDValue());
      break;
    case RegistryValue::KIND_MULTI_STRING: {
      const Array& strings = value.getMultiStringValue();
      for (int i = 0; i < strings.getCount(); ++i)
        addText(entry, "entryData", strings.getSlots()[i]->getData());
      break;
    }
    case RegistryValue::KIND_STRING:
      addText(entry, "entryData", value.getStringValue().getData());
      break;
    default:
      break;
  }
}

// The key at `path` below HKEY_LOCAL_MACHINE as a "subKey" node of `parent`,
// with its values and, recursively, its sub-keys. A key that does not open
// marks `parent` unsuccessful.
void dumpKey(Report& parent, const String& path) {
  RegistryKey key;
  key.open(HKEY_LOCAL_MACHINE, path.getData());
  if (!key.isOpen()) {
    parent.setSuccess(false);
    return;
  }
  String name = path;
  unsigned int slash = 0;
  if (path.reverseFind('\\', slash) && slash + 1 < static_cast<unsigned int>(path.length()))
    name = path.subString(slash + 1, static_cast<unsigned int>(path.length()) - slash - 1);
  Report& subKey = addNode(parent, "subKey");
  addAttribute(subKey, "name", name.getData());
  // The walk ends at the first value that cannot be read as one of the four
  // kinds (a REG_EXPAND_SZ value, the unnamed default value).
  for (RegistryValue value = key.nextValue(); value.isValid(); value = key.nextValue()) {
    RegistryValue again = key.queryValue(value.getName().getData());
    if (again.isValid()) addValue(subKey, again);
  }
  for (RegistryKey sub = key.nextSubKey(); sub.getPath().length() > 0; sub = key.nextSubKey()) {
    sub.reopen();
    if (!sub.isOpen()) continue;
    String childName = sub.getPath();
    sub.close();
    dumpKey(subKey, path + String("\\") + childName);
  }
  key.close();
}

void fillPrivateData(Report& node) {
  for (const auto& entry : kPrivateKeys) {
    Report& keyNode = addNode(node, entry.node);
    dumpKey(keyNode, String(entry.key));
  }
}

}  // namespace

void fillBirchReport(Report& report) {
  report.setName("birch");
  Report& install = addNode(report, "installInformation");
  bool installed = false;
  if (!guarded([&] { installed = fillInstallInformation(install); }) || !installed) {
    install.setSuccess(false);
    return;
  }
  static const struct {
    const char* name;
    void (*fill)(Report&);
  } kParts[] = {
      {"portMonitor", fillPortMonitor},
      {"relationFiles", fillRelationFiles},
      {"privateData", fillPrivateData},
  };
  for (const auto& part : kParts) {
    Report& node = addNode(report, part.name);
    if (!guarded([&] { part.fill(node); })) node.setSuccess(false);
  }
}

}  // namespace birch
