// NoxCore.dll: the exports a host drives the system through.
#include <windows.h>

#include "SystemReporterImpl.h"
#include "nox/FileUtil.h"
#include "nox/Memory.h"
#include "nox/Module.h"

namespace {
SystemReporter* g_instance = nullptr;
}

extern "C" __declspec(dllexport) ISystemReporter* getSystemReporter() {
  if (!g_instance) {
    g_instance = new (std::nothrow) SystemReporter();
    if (!g_instance) {
      throwMemoryException(noxThisModule(), "Core/Src/SystemReporter", __LINE__, "SystemReporter",
                           "getInstance");
    }
  }
  return g_instance;
}

extern "C" __declspec(dllexport) ISystemReporter* initialize() { return getSystemReporter(); }

extern "C" __declspec(dllexport) void uninitialize() {
  delete g_instance;
  g_instance = nullptr;
}

BOOL WINAPI DllMain(HINSTANCE, DWORD reason, LPVOID) {
  if (reason == DLL_PROCESS_ATTACH) {
    // The work folder lives exactly as long as the core is loaded.
    initializeUtility();
  } else if (reason == DLL_PROCESS_DETACH) {
    // The host has called uninitialize by now; plug-ins cannot be unloaded from here.
    uninitializeUtility();
  }
  return TRUE;
}
