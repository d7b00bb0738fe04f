#pragma once

#include <objbase.h>

#include "pchelpers/Seam.h"

// COM as the plug-ins use it: an apartment for the observing thread and
// activation of a class on another machine. The methods keep the Windows names,
// arguments and results.
//
// CoInitializeEx and CoCreateInstanceEx came with DCOM (NT 4, Windows 95 with
// DCOM95); the real implementation looks them up in ole32.dll at run time and
// otherwise falls back to CoInitialize, or answers an activation with
// HRESULT_FROM_WIN32(ERROR_PROC_NOT_FOUND).
class ComApi {
 public:
  virtual ~ComApi() = default;
  static ComApi& real();

  virtual HRESULT CoInitializeEx(LPVOID reserved, DWORD model) = 0;
  virtual void CoUninitialize() = 0;
  virtual HRESULT CoCreateInstanceEx(REFCLSID classId, IUnknown* outer, DWORD context, COSERVERINFO* server,
                                     DWORD count, MULTI_QI* results) = 0;
};
