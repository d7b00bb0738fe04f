#include "MsvcThrow.h"

#include <windows.h>

#include <cstdint>
#include <cstdlib>
#include <cstring>

#include "MsvcException.h"
#include "VendorAbi.h"

extern "C" IMAGE_DOS_HEADER __ImageBase;

namespace {

// On x64 references are offsets from this module's base; on x86 addresses.
MsvcReference reference(const void* address) {
#if defined(_WIN64)
  return static_cast<MsvcReference>(reinterpret_cast<uintptr_t>(address) -
                                    reinterpret_cast<uintptr_t>(&__ImageBase));
#else
  return static_cast<MsvcReference>(reinterpret_cast<uintptr_t>(address));
#endif
}

extern "C" void NOX_VENDOR_THISCALL vellumDestroyException(VellumExceptionObject* self) {
  std::free(self->message);
  self->message = nullptr;
}

struct TypeDescriptor {
  const void* typeInfoTable;
  void* spare;
  char name[48];
};

struct CatchableTypes {
  int32_t count;
  MsvcReference types[2];
};

// The type records of the three classes: each class's catchable types are the
// class itself and, for the derived two, Vellum::Exception::Object.
struct ThrowRecords {
  TypeDescriptor descriptors[3];
  MsvcCatchableType catchable[3];
  CatchableTypes arrays[3];
  MsvcThrowInfo infos[3];

  ThrowRecords() {
    const char* names[3] = {kVellumObjectException, kVellumDatabaseNotFound, kVellumTableNotFound};
    for (int i = 0; i < 3; ++i) {
      descriptors[i] = TypeDescriptor{this, nullptr, {}};
      std::strncpy(descriptors[i].name, names[i], sizeof descriptors[i].name - 1);
      catchable[i] =
          MsvcCatchableType{0, reference(&descriptors[i]), 0, -1, 0, sizeof(VellumExceptionObject), 0};
    }
    arrays[0] = CatchableTypes{1, {reference(&catchable[0]), 0}};
    for (int i = 1; i < 3; ++i)
      arrays[i] = CatchableTypes{2, {reference(&catchable[i]), reference(&catchable[0])}};
    for (int i = 0; i < 3; ++i) {
      infos[i] = MsvcThrowInfo{0, reference(reinterpret_cast<const void*>(&vellumDestroyException)), 0,
                               reference(&arrays[i])};
    }
  }
};

// Built when the library loads, so that raising needs no start-up of its own.
const ThrowRecords records;

}  // namespace

void raiseVellumException(VellumExceptionKind kind, const char* message) {
  VellumExceptionObject object = {_strdup(message ? message : ""), static_cast<int>(kind)};
  ULONG_PTR parameters[4] = {kMsvcMagic, reinterpret_cast<ULONG_PTR>(&object),
                             reinterpret_cast<ULONG_PTR>(&records.infos[static_cast<int>(kind)]),
                             reinterpret_cast<ULONG_PTR>(&__ImageBase)};
#if defined(_WIN64)
  const DWORD count = 4;
#else
  const DWORD count = 3;
#endif
  RaiseException(kMsvcExceptionCode, EXCEPTION_NONCONTINUABLE, count, parameters);
  std::abort();  // a noncontinuable exception does not come back
}
