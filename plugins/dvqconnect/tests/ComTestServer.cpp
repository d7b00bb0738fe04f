// An in-process COM server of our own for the document server's component
// class: registered in the test prefix, it lets one activation really succeed.
// Its object answers IUnknown and the product interface.
#include <objbase.h>

#include "DvqConnectVocabulary.h"

namespace {

LONG liveObjects = 0;
LONG locks = 0;

class ProductObject : public IUnknown {
 public:
  ProductObject() { InterlockedIncrement(&liveObjects); }
  virtual ~ProductObject() { InterlockedDecrement(&liveObjects); }
  HRESULT STDMETHODCALLTYPE QueryInterface(REFIID iid, void** object) override {
    if (!object) return E_POINTER;
    *object = nullptr;
    if (!IsEqualIID(iid, IID_IUnknown) && !IsEqualIID(iid, dvqconnect::kProductInterface))
      return E_NOINTERFACE;
    AddRef();
    *object = this;
    return S_OK;
  }
  ULONG STDMETHODCALLTYPE AddRef() override { return InterlockedIncrement(&references_); }
  ULONG STDMETHODCALLTYPE Release() override {
    LONG left = InterlockedDecrement(&references_);
    if (left == 0) delete this;
    return left;
  }

 private:
  LONG references_ = 1;
};

class Factory : public IClassFactory {
 public:
  HRESULT STDMETHODCALLTYPE QueryInterface(REFIID iid, void** object) override {
    if (!object) return E_POINTER;
    *object = nullptr;
    if (!IsEqualIID(iid, IID_IUnknown) && !IsEqualIID(iid, IID_IClassFactory)) return E_NOINTERFACE;
    *object = static_cast<IClassFactory*>(this);
    return S_OK;
  }
  ULONG STDMETHODCALLTYPE AddRef() override { return 2; }
  ULONG STDMETHODCALLTYPE Release() override { return 1; }
  HRESULT STDMETHODCALLTYPE CreateInstance(IUnknown* outer, REFIID iid, void** object) override {
    if (!object) return E_POINTER;
    *object = nullptr;
    if (outer) return CLASS_E_NOAGGREGATION;
    ProductObject* created = new ProductObject();
    HRESULT result = created->QueryInterface(iid, object);
    created->Release();
    return result;
  }
  HRESULT STDMETHODCALLTYPE LockServer(BOOL lock) override {
    if (lock) {
      InterlockedIncrement(&locks);
    } else {
      InterlockedDecrement(&locks);
    }
    return S_OK;
  }
};

Factory factory;

}  // namespace

extern "C" __declspec(dllexport) HRESULT STDAPICALLTYPE
    DllGetClassObject(REFCLSID classId, REFIID iid, void** object) {
  if (!IsEqualCLSID(classId, dvqconnect::kServerClass)) return CLASS_E_CLASSNOTAVAILABLE;
  return factory.QueryInterface(iid, object);
}

extern "C" __declspec(dllexport) HRESULT STDAPICALLTYPE DllCanUnloadNow() {
  return liveObjects == 0 && locks == 0 ? S_OK : S_FALSE;
}
