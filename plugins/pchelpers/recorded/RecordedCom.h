#pragma once

#include <string>
#include <vector>

#include "RecordedPlatform.h"
#include "pchelpers/ComApi.h"

// COM answers from the scenario of a recorded machine. Install with
// ScopedSeam<ComApi>. Section:
//   [com]  initialize = HRESULT of CoInitializeEx (default 0, S_OK)
//          class.{CLSID} = HRESULT of CoCreateInstanceEx for that class
//                          (default 0x80040154, class not registered); a
//                          success code hands out an object for the one
//                          interface asked for
// The CLSID is written as Windows formats it: braces, upper-case hexadecimal.
class RecordedCom : public ComApi {
 public:
  struct Activation {
    std::string classId;  // {XXXXXXXX-...}
    std::string server;   // the COSERVERINFO name, or "<none>"
    DWORD context;
    std::string interfaceId;
    DWORD queries;  // MULTI_QI count
  };

  explicit RecordedCom(RecordedPlatform& machine) : machine_(machine) {}

  HRESULT CoInitializeEx(LPVOID reserved, DWORD model) override;
  void CoUninitialize() override;
  HRESULT CoCreateInstanceEx(REFCLSID classId, IUnknown* outer, DWORD context, COSERVERINFO* server,
                             DWORD count, MULTI_QI* results) override;

  const std::vector<Activation>& activations() const { return activations_; }
  // Apartments entered and not yet left, and models asked for.
  int openApartments() const { return apartments_; }
  const std::vector<DWORD>& models() const { return models_; }
  // Objects handed out and not yet released.
  long liveObjects() const { return liveObjects_; }

  static std::string guidText(const GUID& guid);

 private:
  RecordedPlatform& machine_;
  std::vector<Activation> activations_;
  std::vector<DWORD> models_;
  int apartments_ = 0;
  long liveObjects_ = 0;
};
