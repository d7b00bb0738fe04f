#pragma once

// Vellum.dll: the document router's database client, as its callers reach it
// (VendorAbi.h; the C++ view is in VendorSignatures.cpp, the exports in
// Vellum.names).
//
// Failures are C++ exceptions of the vendor compiler: Vellum::Exception::Object
// and the classes derived from it, DatabaseNotFound and TableNotFound. They
// cannot be caught by our compiler's try/catch; callers make every call through
// msvcGuardedCall (MsvcException.h).

#include "Fennick.h"

#ifdef VENDOR_BUILDING_VELLUM
#define VELLUM_API extern "C"
#else
#define VELLUM_API extern "C" __declspec(dllimport)
#endif

// Objects the library hands out; a Session and a ResultSet are also a
// Vellum::Client::Object at the same address (single inheritance).
struct VellumDataSource;
struct VellumSession;
struct VellumResultSet;
struct VellumData;

// The members of a Vellum::Common::DataArrayData in the vendor compiler's
// layout. Callers keep an empty parameter array in storage of this type.
struct VellumDataArrayData {
  VellumData** elements;
  int count;
  int capacity;
};

// Status of ResultSet::getNextTuple.
enum VellumStatus {
  VellumStatusError = 0,
  VellumStatusData = 1,
  VellumStatusEndOfData = 2,
  VellumStatusCanceled = 3
};
// Data::getType of a null value.
constexpr int kVellumTypeNull = 3000;

VELLUM_API void __cdecl VellumServerInitialize(const ModUnicodeStringData* registryPath);
VELLUM_API void __cdecl VellumServerTerminate();
// Null when no data source can be made for the host and port.
VELLUM_API VellumDataSource* __cdecl VellumCreateDataSource(const ModUnicodeStringData* host, int port);
VELLUM_API void NOX_VENDOR_THISCALL VellumDataSourceOpen(VellumDataSource* self);
VELLUM_API VellumSession* NOX_VENDOR_THISCALL
VellumDataSourceCreateSession(VellumDataSource* self, const ModUnicodeStringData* database);
VELLUM_API void NOX_VENDOR_THISCALL VellumDataSourceClose(VellumDataSource* self);
VELLUM_API void NOX_VENDOR_THISCALL VellumDataSourceRelease(VellumDataSource* self);
// Null when the statement yields no result set.
VELLUM_API VellumResultSet* NOX_VENDOR_THISCALL VellumSessionExecute(VellumSession* self,
                                                                     const ModUnicodeStringData* statement,
                                                                     const VellumDataArrayData* parameters);
VELLUM_API void NOX_VENDOR_THISCALL VellumSessionClose(VellumSession* self);
// Object::release, on a Session or a ResultSet.
VELLUM_API void NOX_VENDOR_THISCALL VellumObjectRelease(void* self);
VELLUM_API int NOX_VENDOR_THISCALL VellumResultSetNext(VellumResultSet* self, VellumDataArrayData** tuple);
VELLUM_API void NOX_VENDOR_THISCALL VellumResultSetReleaseTuple(VellumResultSet* self,
                                                                VellumDataArrayData* tuple);
VELLUM_API void NOX_VENDOR_THISCALL VellumResultSetClose(VellumResultSet* self);
VELLUM_API VellumDataArrayData* NOX_VENDOR_THISCALL VellumArrayConstruct(VellumDataArrayData* self);
VELLUM_API void NOX_VENDOR_THISCALL VellumArrayDestruct(VellumDataArrayData* self);
// Column `index` of a row; null past its end.
VELLUM_API VellumData* NOX_VENDOR_THISCALL VellumArrayElement(const VellumDataArrayData* self, int index);
VELLUM_API int NOX_VENDOR_THISCALL VellumDataType(const VellumData* self);
// Data::getString() returning a ModUnicodeString: constructs the text form in `result`.
VELLUM_API ModUnicodeStringData* NOX_VENDOR_THISCALL VellumDataString(const VellumData* self,
                                                                      ModUnicodeStringData* result);
