// The real COM seam: ole32.dll, with the DCOM entry points looked up at run time.
#include "pchelpers/ComApi.h"

namespace {

template <class Fn>
Fn ole32Entry(const char* name) {
  HMODULE ole32 = GetModuleHandleA("ole32.dll");
  if (!ole32) ole32 = LoadLibraryA("ole32.dll");  // kept for the life of the process
  return ole32 ? reinterpret_cast<Fn>(reinterpret_cast<void*>(GetProcAddress(ole32, name))) : nullptr;
}

class Win32Com final : public ComApi {
 public:
  HRESULT CoInitializeEx(LPVOID reserved, DWORD model) override {
    using Fn = HRESULT(WINAPI*)(LPVOID, DWORD);
    static const Fn entry = ole32Entry<Fn>("CoInitializeEx");
    if (entry) return entry(reserved, model);
    // Without DCOM every apartment is single-threaded.
    return model == COINIT_APARTMENTTHREADED ? ::CoInitialize(reserved) : E_NOTIMPL;
  }
  void CoUninitialize() override { ::CoUninitialize(); }
  HRESULT CoCreateInstanceEx(REFCLSID classId, IUnknown* outer, DWORD context, COSERVERINFO* server,
                             DWORD count, MULTI_QI* results) override {
    using Fn = HRESULT(WINAPI*)(REFCLSID, IUnknown*, DWORD, COSERVERINFO*, DWORD, MULTI_QI*);
    static const Fn entry = ole32Entry<Fn>("CoCreateInstanceEx");
    if (entry) return entry(classId, outer, context, server, count, results);
    return HRESULT_FROM_WIN32(ERROR_PROC_NOT_FOUND);
  }
};

}  // namespace

ComApi& ComApi::real() {
  static Win32Com com;
  return com;
}
