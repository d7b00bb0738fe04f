// Section "component": which shared runtime libraries are present, in which
// version and with which file time.
#include <cstdio>
#include <cstring>

#include "InventorySections.h"
#include "nox/ReportLeaves.h"
#include "nox/Sections.h"
#include "pchelpers/SystemInformation.h"

namespace pc {

namespace {

// Where a component file is looked for.
enum Location {
  SYSTEM_FOLDER = 1,  // GetSystemDirectoryA
  DAO_FOLDER = 2,     // common program files + "\Microsoft Shared\DAO"
  ADO_FOLDER = 3,     // common program files + "\System\ADO"
  OLE_DB_FOLDER = 4,  // common program files + "\System\OLE DB"
};

struct ComponentFile {
  char name[24];
  int location;
};

struct ComponentGroup {
  const char* name;
  const ComponentFile* files;
  size_t count;
};

#define NOX_FILES(array) array, sizeof array / sizeof array[0]

const ComponentFile kAtl[] = {{"ATL.dll", 1}};
const ComponentFile kMfc[] = {{"MFC40.dll", 1}, {"MFC40LOC.dll", 1}, {"MFC42.dll", 1}, {"MFC42LOC.dll", 1}};
const ComponentFile kVc[] = {{"MSVCRT2x.dll", 1}, {"MSVCRT20.dll", 1}, {"MSVCRT40.dll", 1},
                             {"MSVCP50.dll", 1},  {"MSVCRT.dll", 1},   {"MSVCP60.dll", 1}};
const ComponentFile kVb[] = {{"VB40032.dll", 1},  {"vb4jp32.dll", 1}, {"MSVBVM50.dll", 1}, {"vb5jp.dll", 1},
                             {"MSVBVM60.dll", 1}, {"vb6jp.dll", 1},   {"vb6stkit.dll", 1}};
const ComponentFile kDao[] = {
    {"dao350.dll", 2}, {"dao2535.tlb", 2}, {"msrdo20.dll", 1}, {"rdocurs.dll", 1}, {"dao360.dll", 2}};
const ComponentFile kMdac[] = {{"MsJet40.DLL", 1}, {"OLEDB32.DLL", 4}, {"Msdadc.DLL", 4}};
const ComponentFile kCom[] = {
    {"OleAut32.dll", 1}, {"Olepro32.dll", 1}, {"Stdole2.tlb", 1}, {"Asycfilt.dll", 1}, {"Comcat.dll", 1}};
const ComponentFile kWinsock[] = {{"winsock.dll", 1}, {"wsock32.dll", 1}, {"ws2_32.dll", 1}};
const ComponentFile kCommonControl[] = {{"Comctl32.DLL", 1}, {"Ctl3d32.DLL", 1}};
const ComponentFile kJet[] = {
    {"vbdb300.dll", 1},  {"msaes110.dll", 1}, {"msajt110.dll", 1},     {"xbs110.dll", 1},
    {"btrv110.dll", 1},  {"pdx110.dll", 1},   {"msajt112.dll", 1},     {"msajt200.dll", 1},
    {"xbs200.dll", 1},   {"btrv200.dll", 1},  {"pdx200.dll", 1},       {"msjeterr.dll", 1},
    {"msjetint.dll", 1}, {"vbdb16.dll", 1},   {"msxl2016.dll", 1},     {"mstx2016.dll", 1},
    {"msjt3032.dll", 1}, {"msjint32.dll", 1}, {"msjter32.dll", 1},     {"msxl3032.dll", 1},
    {"msrd2x32.dll", 1}, {"mslt3032.dll", 1}, {"mspx3032.dll", 1},     {"msxb3032.dll", 1},
    {"mstx3032.dll", 1}, {"msjet35.dll", 1},  {"msjter35.dll", 1},     {"msjint35.dll", 1},
    {"msxbse35.dll", 1}, {"msexcl35.dll", 1}, {"mstext35.dll", 1},     {"msrd2x35.dll", 1},
    {"mspdox35.dll", 1}, {"msltus35.dll", 1}, {"msrepl35.dll", 1},     {"vbajet32.dll", 1},
    {"vbar332.dll", 1},  {"expsrv.dll", 1},   {"msexch40.dll", 1},     {"msexcl40.dll", 1},
    {"msjet40.dll", 1},  {"msjint40.dll", 1}, {"msjter40.dll", 1},     {"msjtes40.dll", 1},
    {"msltus40.dll", 1}, {"mspbde40.dll", 1}, {"msrd2x40.dll", 1},     {"msrd3x40.dll", 1},
    {"msrecr40.dll", 1}, {"msrepl40.dll", 1}, {"mstext40.dll", 1},     {"mswdat10.dll", 1},
    {"mswstr10.dll", 1}, {"msxbde40.dll", 1}, {"msjetoledb40.dll", 1}, {"msjro.dll", 3},
    {"Jetcomp.exe", 1},  {"msrpfs40.dll", 1}, {"mstrai40.dll", 1},     {"mstran40.dll", 1},
};
const ComponentFile kWinInet[] = {{"WinInet.dll", 1}};

const ComponentGroup kGroups[] = {
    {"ATL", NOX_FILES(kAtl)}, {"MFC", NOX_FILES(kMfc)},         {"VC", NOX_FILES(kVc)},
    {"VB", NOX_FILES(kVb)},   {"DAO", NOX_FILES(kDao)},         {"MDAC", NOX_FILES(kMdac)},
    {"COM", NOX_FILES(kCom)}, {"WINSOCK", NOX_FILES(kWinsock)}, {"COMMONCONTROL", NOX_FILES(kCommonControl)},
    {"JET", NOX_FILES(kJet)}, {"WININET", NOX_FILES(kWinInet)},
};

#undef NOX_FILES

// The four folders, indexed by location code minus 1.
struct Folders {
  char paths[4][MAX_PATH + 32];
};

void findFolders(Win32ApiWrapper& api, Folders& folders) {
  std::memset(&folders, 0, sizeof folders);
  api.GetSystemDirectoryA(folders.paths[0], MAX_PATH);
  static const char* const kSuffixes[] = {"\\Microsoft Shared\\DAO", "\\System\\ADO", "\\System\\OLE DB"};
  for (int i = 0; i < 3; ++i) {
    char* path = folders.paths[i + 1];
    // The suffix follows whatever the query left, even when it failed.
    api.SHGetFolderPathA(nullptr, 0x2B, nullptr, 0, path);  // the common program files
    path[MAX_PATH - 1] = '\0';
    std::strcat(path, kSuffixes[i]);
  }
}

void fillGroup(Report& type, const ComponentGroup& group) {
  Win32ApiWrapper api;
  Folders folders;
  findFolders(api, folders);
  for (size_t i = 0; i < group.count; ++i) {
    const ComponentFile& file = group.files[i];
    if (file.location < SYSTEM_FOLDER || file.location > OLE_DB_FOLDER) continue;
    char path[sizeof folders.paths[0] + sizeof file.name + 1];
    std::snprintf(path, sizeof path, "%s\\%s", folders.paths[file.location - 1], file.name);
    Report& information = addNode(type, "information");
    addText(information, "fileName", file.name);
    addText(information, "path", path);
    WIN32_FIND_DATAA found;
    HANDLE search = api.FindFirstFileA(path, &found);
    if (search == INVALID_HANDLE_VALUE) {
      addText(information, "componentExistence", "None");
      continue;
    }
    api.FindClose(search);
    String version = FileInformation::getFileVersionText(path, true);
    if (version.length() > 0) addText(information, "version", version.getData());
    SYSTEMTIME written;
    std::memset(&written, 0, sizeof written);
    FileInformation::getFileLastWriteTime(path, written);
    addTime(information, "timeStamp", written);
  }
}

}  // namespace

void fillComponentSection(Report& section) {
  for (const ComponentGroup& group : kGroups) {
    Report& type = addNode(section, "componentType");
    if (!guarded([&] {
          addAttribute(type, "name", group.name);
          fillGroup(type, group);
        })) {
      type.setSuccess(false);
    }
  }
}

}  // namespace pc
