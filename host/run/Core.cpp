#include "Core.h"

namespace host {

std::string programFolder() {
  char path[MAX_PATH] = {};
  GetModuleFileNameA(nullptr, path, MAX_PATH);
  std::string text(path);
  size_t cut = 0;
  // The last backslash that is not the trail byte of a double-byte character.
  for (size_t i = 0; i < text.size(); ++i) {
    if (IsDBCSLeadByte(static_cast<BYTE>(text[i])) && i + 1 < text.size()) {
      ++i;
      continue;
    }
    if (text[i] == '\\') cut = i + 1;
  }
  return text.substr(0, cut);
}

std::string settingsFile() { return programFolder() + "NxInfo.ini"; }

bool isLeadByte(unsigned char byte) { return IsDBCSLeadByte(byte) != 0; }

bool endsWithBackslash(const std::string& path) {
  bool last = false;
  for (size_t i = 0; i < path.size(); ++i) {
    if (IsDBCSLeadByte(static_cast<BYTE>(path[i])) && i + 1 < path.size()) {
      ++i;
      last = false;
      continue;
    }
    last = path[i] == '\\';
  }
  return last;
}

std::string inFolder(const std::string& folder, const std::string& name) {
  return folder + (folder.empty() || endsWithBackslash(folder) ? "" : "\\") + name;
}

std::string absoluteFolder(const std::string& folder) {
  char full[MAX_PATH] = {};
  DWORD n = GetFullPathNameA(folder.c_str(), MAX_PATH, full, nullptr);
  std::string text = (n == 0 || n >= MAX_PATH) ? folder : std::string(full);
  // '/' is never a trail byte; a trailing 0x5C may be one.
  while (text.size() > 3 && (endsWithBackslash(text) || text.back() == '/')) text.pop_back();
  return text;
}

ErrorFacts factsOf(const IErrorRecord& e) {
  ErrorFacts facts;
  facts.id = e.getID();
  facts.returnValue = e.getReturnValue();
  facts.lastError = e.getLastError();
  facts.line = e.getLineNumber();
  facts.module = e.getModuleName().getData();
  facts.file = e.getFileName().getData();
  facts.className = e.getClassName().getData();
  facts.method = e.getMethodName().getData();
  facts.memo = e.getMemo().getData();
  return facts;
}

CoreLibrary::CoreLibrary() {
  std::string path = programFolder() + "NoxCore.dll";
  module_ = LoadLibraryA(path.c_str());
  if (!module_) {
    throw std::runtime_error("the core " + path + " cannot be loaded (" + systemErrorWords(GetLastError()) +
                             "): the program is incomplete, reinstall it");
  }
  auto initialize = reinterpret_cast<NoxInitializeFunction>(
      reinterpret_cast<void (*)()>(GetProcAddress(module_, "initialize")));
  uninitialize_ = reinterpret_cast<NoxUninitializeFunction>(
      reinterpret_cast<void (*)()>(GetProcAddress(module_, "uninitialize")));
  if (!initialize || !uninitialize_) {
    FreeLibrary(module_);
    module_ = nullptr;
    throw std::runtime_error(path + " is not the core of this program (it lacks initialize/uninitialize)");
  }
  reporter_ = initialize();
}

CoreLibrary::~CoreLibrary() {
  if (uninitialize_) uninitialize_();
  if (module_) FreeLibrary(module_);
}

unsigned long CoreLibrary::selfExtractorBytes() const {
  HRSRC resource = FindResourceA(module_, MAKEINTRESOURCEA(101), "SELFEX");
  return resource ? SizeofResource(module_, resource) : 0;
}

}  // namespace host
