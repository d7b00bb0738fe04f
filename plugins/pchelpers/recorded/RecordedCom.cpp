#include "RecordedCom.h"

#include <cstdio>

namespace {

// An object of the recorded machine: answers IUnknown and the one interface it
// was created for, and counts itself out when released.
class RecordedObject : public IUnknown {
 public:
  RecordedObject(const IID& iid, long& live) : iid_(iid), live_(live) { ++live_; }
  virtual ~RecordedObject() = default;
  HRESULT STDMETHODCALLTYPE QueryInterface(REFIID iid, void** object) override {
    if (!object) return E_POINTER;
    if (!IsEqualIID(iid, IID_IUnknown) && !IsEqualIID(iid, iid_)) {
      *object = nullptr;
      return E_NOINTERFACE;
    }
    AddRef();
    *object = this;
    return S_OK;
  }
  ULONG STDMETHODCALLTYPE AddRef() override { return ++references_; }
  ULONG STDMETHODCALLTYPE Release() override {
    ULONG left = --references_;
    if (left == 0) {
      --live_;
      delete this;
    }
    return left;
  }

 private:
  IID iid_;
  long& live_;
  ULONG references_ = 1;
};

std::string narrow(const wchar_t* text) {
  std::string out;
  for (; text && *text; ++text) out += *text < 0x80 ? static_cast<char>(*text) : '?';
  return out;
}

}  // namespace

std::string RecordedCom::guidText(const GUID& guid) {
  char text[40];
  std::snprintf(text, sizeof text, "{%08lX-%04X-%04X-%02X%02X-%02X%02X%02X%02X%02X%02X}",
                static_cast<unsigned long>(guid.Data1), guid.Data2, guid.Data3, guid.Data4[0], guid.Data4[1],
                guid.Data4[2], guid.Data4[3], guid.Data4[4], guid.Data4[5], guid.Data4[6], guid.Data4[7]);
  return text;
}

HRESULT RecordedCom::CoInitializeEx(LPVOID, DWORD model) {
  models_.push_back(model);
  HRESULT result = static_cast<HRESULT>(machine_.number("com", "initialize", S_OK));
  if (SUCCEEDED(result)) ++apartments_;
  return result;
}

void RecordedCom::CoUninitialize() { --apartments_; }

HRESULT RecordedCom::CoCreateInstanceEx(REFCLSID classId, IUnknown*, DWORD context, COSERVERINFO* server,
                                        DWORD count, MULTI_QI* results) {
  Activation activation{guidText(classId), server ? narrow(server->pwszName) : "<none>", context,
                        count && results && results[0].pIID ? guidText(*results[0].pIID) : "<none>", count};
  activations_.push_back(activation);
  HRESULT result =
      static_cast<HRESULT>(machine_.number("com", "class." + activation.classId, REGDB_E_CLASSNOTREG));
  for (DWORD i = 0; results && i < count; ++i) {
    results[i].pItf = nullptr;
    results[i].hr = result;
    if (SUCCEEDED(result) && i == 0 && results[i].pIID) {
      results[i].pItf = new RecordedObject(*results[i].pIID, liveObjects_);
    } else if (SUCCEEDED(result)) {
      results[i].hr = E_NOINTERFACE;
    }
  }
  return result;
}
