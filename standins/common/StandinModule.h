#pragma once

// Where a stand-in finds its files: a folder named by an environment variable,
// or one beside the stand-in's own DLL.

#include <windows.h>

#include <string>

namespace standin {

// The folder of the DLL this code is linked into, with its trailing backslash.
inline std::string moduleFolder() {
  HMODULE module = nullptr;
  GetModuleHandleExA(GET_MODULE_HANDLE_EX_FLAG_FROM_ADDRESS | GET_MODULE_HANDLE_EX_FLAG_UNCHANGED_REFCOUNT,
                     reinterpret_cast<LPCSTR>(&moduleFolder), &module);
  char path[MAX_PATH * 2];
  DWORD length = GetModuleFileNameA(module, path, sizeof path);
  if (length == 0 || length >= sizeof path) return std::string();
  std::string folder(path, length);
  return folder.substr(0, folder.find_last_of('\\') + 1);
}

// The variable's value when it is set, otherwise moduleFolder() + `besideModule`.
inline std::string environmentOrBeside(const char* variable, const char* besideModule) {
  char value[MAX_PATH * 2];
  DWORD length = GetEnvironmentVariableA(variable, value, sizeof value);
  if (length > 0 && length < sizeof value) return std::string(value, length);
  std::string folder = moduleFolder();
  return folder.empty() ? std::string() : folder + besideModule;
}

}  // namespace standin
