#include "RouterClient.h"

#include <windows.h>

#include "MsvcException.h"
#include "MsvcExceptionGuard.h"
#include "nox/Error.h"
#include "nox/Module.h"

namespace flowlog {

namespace {

std::string describe(const char* call, const MsvcFault& fault) {
  const char* kind = fault.is(kVellumDatabaseNotFound)  ? "database not found"
                     : fault.is(kVellumTableNotFound)   ? "table not found"
                     : fault.is(kVellumObjectException) ? "database error"
                                                        : "unexpected exception";
  std::string what = std::string(call) + ": " + kind;
  if (fault.typeCount > 0) what += std::string(" (") + fault.types[0] + ")";
  return what;
}

// Runs one call into the vendor libraries; its exception becomes a DatabaseFailure.
template <class Call>
void vendorCall(const char* name, Call&& call) {
  MsvcFault fault;
  if (!msvcGuarded(call, fault)) throw DatabaseFailure{describe(name, fault)};
}

void logFailure(const std::string& what) {
  writeLog(0, ("FlowLog: " + what).c_str(), noxThisModule(), __FILE__, __LINE__, "RouterClient", "tidy");
}

// For tidying up: a failure is logged, never thrown.
template <class Call>
void quietCall(const char* name, Call&& call) {
  try {
    vendorCall(name, call);
  } catch (const DatabaseFailure& failure) {
    logFailure(failure.what);
  }
}

}  // namespace

VendorString::VendorString(const std::string& text) {
  const char* narrow = text.c_str();
  ModUnicodeStringData* data = &data_;
  vendorCall("ModUnicodeString", [&] { FennickStringConstructNarrow(data, narrow, ModCodeAnsi); });
}

VendorString::~VendorString() {
  ModUnicodeStringData* data = &data_;
  quietCall("~ModUnicodeString", [&] { FennickStringDestruct(data); });
}

ClientSession::ClientSession(const std::string& registryPath) {
  try {
    VendorString path(registryPath);
    const ModUnicodeStringData* text = path.get();
    vendorCall("RemoteServer::Singleton::initialize", [&] { VellumServerInitialize(text); });
  } catch (const DatabaseFailure& failure) {
    logFailure(failure.what);
  }
}

ClientSession::~ClientSession() {
  quietCall("RemoteServer::Singleton::terminate", [] { VellumServerTerminate(); });
}

Database::~Database() {
  if (VellumSession* session = session_) {
    quietCall("Session::close", [&] { VellumSessionClose(session); });
    quietCall("Object::release", [&] { VellumObjectRelease(session); });
  }
  if (VellumDataSource* source = source_) {
    quietCall("DataSource::close", [&] { VellumDataSourceClose(source); });
    quietCall("DataSource::release", [&] { VellumDataSourceRelease(source); });
  }
}

bool Database::connect(const std::string& host, int port) {
  VendorString hostText(host);
  const ModUnicodeStringData* text = hostText.get();
  VellumDataSource* source = nullptr;
  vendorCall("DataSource::createDataSource", [&] { source = VellumCreateDataSource(text, port); });
  if (!source) return false;
  source_ = source;
  vendorCall("DataSource::open", [&] { VellumDataSourceOpen(source); });
  return true;
}

void Database::openSession(const std::string& name) {
  VendorString nameText(name);
  const ModUnicodeStringData* text = nameText.get();
  VellumDataSource* source = source_;
  VellumSession* session = nullptr;
  vendorCall("DataSource::createSession", [&] { session = VellumDataSourceCreateSession(source, text); });
  session_ = session;
}

// The parameters are an empty DataArrayData of the library, built in place.
bool Database::execute(const std::string& statement, ResultRows& rows) {
  if (!session_) return false;  // a client that made no session: nothing to ask
  VendorString statementText(statement);
  const ModUnicodeStringData* text = statementText.get();
  VellumDataArrayData parameters;
  VellumDataArrayData* parametersAddress = &parameters;
  vendorCall("DataArrayData", [&] { VellumArrayConstruct(parametersAddress); });
  VellumSession* session = session_;
  VellumResultSet* results = nullptr;
  MsvcFault fault;
  bool executed =
      msvcGuarded([&] { results = VellumSessionExecute(session, text, parametersAddress); }, fault);
  quietCall("~DataArrayData", [&] { VellumArrayDestruct(parametersAddress); });
  if (!executed) throw DatabaseFailure{describe("Session::executeStatement", fault)};
  rows.results_ = results;
  return results != nullptr;
}

ResultRows::~ResultRows() {
  releaseRow();
  if (VellumResultSet* results = results_) {
    quietCall("ResultSet::close", [&] { VellumResultSetClose(results); });
    quietCall("Object::release", [&] { VellumObjectRelease(results); });
  }
}

void ResultRows::releaseRow() {
  if (VellumDataArrayData* row = row_) {
    row_ = nullptr;
    VellumResultSet* results = results_;
    quietCall("ResultSet::releaseTuple", [&] { VellumResultSetReleaseTuple(results, row); });
  }
}

bool ResultRows::next() {
  releaseRow();
  if (!results_) return false;
  VellumResultSet* results = results_;
  VellumDataArrayData* row = nullptr;
  VellumDataArrayData** rowAddress = &row;
  int status = VellumStatusError;
  MsvcFault fault;
  bool returned = msvcGuarded([&] { status = VellumResultSetNext(results, rowAddress); }, fault);
  // A tuple handed over is released whatever the status, before the next call.
  row_ = row;
  if (!returned) throw DatabaseFailure{describe("ResultSet::getNextTuple", fault)};
  return status == VellumStatusData;
}

bool ResultRows::value(int index, std::wstring& text) {
  const VellumDataArrayData* row = row_;
  VellumData* element = nullptr;
  vendorCall("DataArrayData::getElement", [&] { element = VellumArrayElement(row, index); });
  if (!element) return false;
  int type = kVellumTypeNull;
  vendorCall("Data::getType", [&] { type = VellumDataType(element); });
  if (type == kVellumTypeNull) return false;

  ModUnicodeStringData form;
  ModUnicodeStringData* formAddress = &form;
  vendorCall("Data::getString", [&] { VellumDataString(element, formAddress); });
  // Constructed by the library; it is destroyed through it as well.
  struct Owned {
    ModUnicodeStringData* data;
    ~Owned() {
      ModUnicodeStringData* owned = data;
      quietCall("~ModUnicodeString", [&] { FennickStringDestruct(owned); });
    }
  } owned{formAddress};
  const ModUnicodeChar* characters = nullptr;
  unsigned int length = 0;
  vendorCall("ModUnicodeString::getLength", [&] {
    characters = FennickStringText(formAddress);
    length = FennickStringLength(formAddress);
  });
  text.assign(reinterpret_cast<const wchar_t*>(characters), length);
  return true;
}

}  // namespace flowlog
