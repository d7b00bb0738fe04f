// Stand-in for Vellum.dll: the document router's database client, answering
// from SQLite database files in the folder its start-up names. See
// standins/README.md.
#include <windows.h>

#include <cstdio>
#include <cstring>
#include <cwctype>
#include <memory>
#include <new>
#include <set>
#include <string>
#include <vector>

#include "MsvcThrow.h"
#include "sqlite3.h"

#define VENDOR_BUILDING_VELLUM
#include "Vellum.h"

namespace {

// Data::getType of the values this library delivers.
enum DataType { kInteger = 1, kDouble = 3, kString = 4, kBinary = 6 };

// A failure inside the library, on its way to becoming the vendor compiler's exception.
struct VellumError {
  VellumExceptionKind kind;
  std::string message;
};

// Every object handed out is one of these; Object::release destroys it.
struct StandinObject {
  virtual ~StandinObject() = default;
  bool closed = false;
};

// What the library keeps between start-up and shut-down, and what tests ask
// through the exports below.
struct ClientState {
  bool initialized = false;
  std::wstring folder;
  std::set<const void*> live;  // data sources, sessions, result sets, tuples
  long misuses = 0;
  std::string lastMisuse;
  std::string trace;
} state;

void traceCall(const char* name) {
  if (!state.trace.empty()) state.trace += ' ';
  state.trace += name;
}

void misuse(const std::string& what) {
  ++state.misuses;
  state.lastMisuse = what;
}

std::wstring wideText(const ModUnicodeStringData* text) {
  if (!text) return std::wstring();
  return std::wstring(reinterpret_cast<const wchar_t*>(FennickStringText(text)), FennickStringLength(text));
}

std::string utf8(const std::wstring& text) {
  int length = WideCharToMultiByte(CP_UTF8, 0, text.c_str(), static_cast<int>(text.size()), nullptr, 0,
                                   nullptr, nullptr);
  std::string out(static_cast<size_t>(length), '\0');
  if (length > 0) {
    WideCharToMultiByte(CP_UTF8, 0, text.c_str(), static_cast<int>(text.size()), &out[0], length, nullptr,
                        nullptr);
  }
  return out;
}

std::string narrow(const std::wstring& text) {
  std::string out;
  for (wchar_t c : text) out += c < 0x80 ? static_cast<char>(c) : '?';
  return out;
}

std::wstring lower(std::wstring text) {
  for (wchar_t& c : text) c = static_cast<wchar_t>(std::towlower(c));
  return text;
}

HMODULE thisModule() {
  HMODULE module = nullptr;
  GetModuleHandleExW(GET_MODULE_HANDLE_EX_FLAG_FROM_ADDRESS | GET_MODULE_HANDLE_EX_FLAG_UNCHANGED_REFCOUNT,
                     reinterpret_cast<LPCWSTR>(&thisModule), &module);
  return module;
}

// The database folder named at start-up; a relative one is taken from this library's folder.
std::wstring databaseFolder(const std::wstring& registryPath) {
  std::wstring folder = registryPath;
  while (!folder.empty() && (folder.back() == L'\\' || folder.back() == L'/')) folder.pop_back();
  const bool absolute =
      folder.size() >= 2 && (folder[1] == L':' || (folder[0] == L'\\' && folder[1] == L'\\'));
  if (folder.empty() || absolute) return folder;
  wchar_t path[MAX_PATH * 2];
  DWORD length = GetModuleFileNameW(thisModule(), path, MAX_PATH * 2);
  std::wstring own(path, length);
  own.erase(own.find_last_of(L'\\') + 1);
  return own + folder;
}

std::wstring settingsFile() { return state.folder + L"\\Vellum.ini"; }

// A value of the folder's Vellum.ini; `fallback` when it is not there.
std::wstring setting(const wchar_t* section, const wchar_t* key, const wchar_t* fallback) {
  std::wstring buffer(256, L'\0');
  for (;;) {
    DWORD length = GetPrivateProfileStringW(section, key, fallback, &buffer[0],
                                            static_cast<DWORD>(buffer.size()), settingsFile().c_str());
    if (length + 1 < buffer.size()) return buffer.substr(0, length);
    buffer.resize(buffer.size() * 2);
  }
}

bool isFolder(const std::wstring& path) {
  DWORD attributes = GetFileAttributesW(path.c_str());
  return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY);
}

// The names this machine answers to: those of [Server] Hosts, or localhost,
// any 127.x.x.x address and the computer's name.
bool answersTo(const std::wstring& host) {
  std::wstring hosts = setting(L"Server", L"Hosts", L"");
  if (hosts.empty()) {
    wchar_t computer[MAX_COMPUTERNAME_LENGTH + 1];
    DWORD size = MAX_COMPUTERNAME_LENGTH + 1;
    hosts = L"localhost";
    if (GetComputerNameW(computer, &size)) hosts += L"," + std::wstring(computer, size);
    if (host.compare(0, 4, L"127.") == 0) return true;
  }
  const std::wstring wanted = lower(host);
  size_t start = 0;
  while (start <= hosts.size()) {
    size_t comma = hosts.find(L',', start);
    std::wstring name = hosts.substr(start, comma == std::wstring::npos ? std::wstring::npos : comma - start);
    while (!name.empty() && name.front() == L' ') name.erase(0, 1);
    while (!name.empty() && name.back() == L' ') name.pop_back();
    if (!name.empty() && lower(name) == wanted) return true;
    if (comma == std::wstring::npos) break;
    start = comma + 1;
  }
  return false;
}

}  // namespace

struct VellumDataSource : StandinObject {
  std::wstring host;
  int port = 0;
  bool open = false;
};

struct VellumSession : StandinObject {
  sqlite3* database = nullptr;
  ~VellumSession() override { sqlite3_close(database); }
};

struct VellumResultSet : StandinObject {
  sqlite3_stmt* statement = nullptr;
  bool finished = false;
  ~VellumResultSet() override { sqlite3_finalize(statement); }
};

struct VellumData {
  int type;
  std::wstring text;
};

namespace {

template <class T>
T* checked(T* object, const char* call) {
  if (!object || !state.live.count(object))
    throw VellumError{VellumExceptionKind::Object, std::string(call) + ": no such object"};
  if (object->closed) {
    misuse(std::string(call) + " after close");
    throw VellumError{VellumExceptionKind::Object, std::string(call) + ": the object is closed"};
  }
  return object;
}

void releaseObject(StandinObject* object, const char* call) {
  if (!object || !state.live.count(object)) {
    misuse(std::string(call) + " of an object not handed out");
    return;
  }
  if (!object->closed) misuse(std::string(call) + " before close");
  state.live.erase(object);
  delete object;
}

void freeTuple(VellumDataArrayData* tuple) {
  for (int i = 0; i < tuple->count; ++i) delete tuple->elements[i];
  delete[] tuple->elements;
  tuple->elements = nullptr;
  tuple->count = 0;
  tuple->capacity = 0;
}

VellumData* makeData(sqlite3_stmt* statement, int column) {
  std::unique_ptr<VellumData> data(new VellumData{kVellumTypeNull, std::wstring()});
  switch (sqlite3_column_type(statement, column)) {
    case SQLITE_NULL:
      return data.release();
    case SQLITE_INTEGER:
      data->type = kInteger;
      break;
    case SQLITE_FLOAT:
      data->type = kDouble;
      break;
    case SQLITE_BLOB: {
      data->type = kBinary;
      const unsigned char* bytes = static_cast<const unsigned char*>(sqlite3_column_blob(statement, column));
      int size = sqlite3_column_bytes(statement, column);
      static const wchar_t digits[] = L"0123456789ABCDEF";
      for (int i = 0; i < size; ++i) {
        data->text += digits[bytes[i] >> 4];
        data->text += digits[bytes[i] & 15];
      }
      return data.release();
    }
    default:
      data->type = kString;
      break;
  }
  const wchar_t* text = static_cast<const wchar_t*>(sqlite3_column_text16(statement, column));
  int bytes = sqlite3_column_bytes16(statement, column);
  if (text) data->text.assign(text, static_cast<size_t>(bytes) / sizeof(wchar_t));
  return data.release();
}

// A failure on its way out: the internal work runs under try/catch, and the
// vendor-style exception is raised afterwards, with nothing left to destroy.
struct Failure {
  bool raised = false;
  VellumExceptionKind kind = VellumExceptionKind::Object;
  char message[512] = {};
};

// Kept out of line, so that the exported functions that raise have no
// handler frames of our compiler's own.
template <class Work>
__attribute__((noinline)) auto attempt(Failure& failure, Work work) -> decltype(work()) {
  try {
    return work();
  } catch (const VellumError& error) {
    failure.raised = true;
    failure.kind = error.kind;
    std::snprintf(failure.message, sizeof failure.message, "%s", error.message.c_str());
  } catch (const std::bad_alloc&) {
    failure.raised = true;
    std::snprintf(failure.message, sizeof failure.message, "out of memory");
  }
  return decltype(work())();
}

void raiseIf(const Failure& failure) {
  if (failure.raised) raiseVellumException(failure.kind, failure.message);
}

}  // namespace

VELLUM_API void __cdecl VellumServerInitialize(const ModUnicodeStringData* registryPath) {
  Failure failure;
  attempt(failure, [&] {
    state.trace.clear();
    traceCall("initialize");
    if (state.initialized) misuse("initialize twice");
    state.initialized = true;
    state.folder = databaseFolder(wideText(registryPath));
  });
  raiseIf(failure);
}

VELLUM_API void __cdecl VellumServerTerminate() {
  Failure failure;
  attempt(failure, [&] {
    traceCall("terminate");
    if (!state.initialized) misuse("terminate without initialize");
    if (!state.live.empty()) misuse("terminate with objects still out");
    state.initialized = false;
  });
  raiseIf(failure);
}

VELLUM_API VellumDataSource* __cdecl VellumCreateDataSource(const ModUnicodeStringData* host, int port) {
  Failure failure;
  VellumDataSource* source = attempt(failure, [&]() -> VellumDataSource* {
    traceCall("createDataSource");
    if (!state.initialized) {
      misuse("createDataSource before initialize");
      throw VellumError{VellumExceptionKind::Object, "the client is not started"};
    }
    std::wstring name = wideText(host);
    if (name.empty() || port < 1 || port > 65535) return nullptr;
    VellumDataSource* created = new VellumDataSource();
    created->host = name;
    created->port = port;
    state.live.insert(created);
    return created;
  });
  raiseIf(failure);
  return source;
}

VELLUM_API void NOX_VENDOR_THISCALL VellumDataSourceOpen(VellumDataSource* self) {
  Failure failure;
  attempt(failure, [&] {
    traceCall("open");
    checked(self, "open");
    if (self->open) misuse("open twice");
    char port[16];
    std::snprintf(port, sizeof port, "%d", self->port);
    const std::string where = narrow(self->host) + ":" + port;
    if (state.folder.empty() || !isFolder(state.folder)) {
      throw VellumError{VellumExceptionKind::Object, "no database server at " + where};
    }
    std::wstring serverPort = setting(L"Server", L"Port", L"");
    if (!answersTo(self->host) ||
        (!serverPort.empty() && std::wcstol(serverPort.c_str(), nullptr, 10) != self->port)) {
      throw VellumError{VellumExceptionKind::Object, "connection refused by " + where};
    }
    self->open = true;
  });
  raiseIf(failure);
}

VELLUM_API VellumSession* NOX_VENDOR_THISCALL
VellumDataSourceCreateSession(VellumDataSource* self, const ModUnicodeStringData* database) {
  Failure failure;
  VellumSession* session = attempt(failure, [&]() -> VellumSession* {
    traceCall("createSession");
    checked(self, "createSession");
    if (!self->open) {
      misuse("createSession before open");
      throw VellumError{VellumExceptionKind::Object, "the data source is not open"};
    }
    const std::wstring name = wideText(database);
    std::wstring file = setting(L"Databases", name.c_str(), (name + L".db").c_str());
    const std::wstring path = state.folder + L"\\" + file;
    DWORD attributes = GetFileAttributesW(path.c_str());
    if (name.empty() || attributes == INVALID_FILE_ATTRIBUTES || (attributes & FILE_ATTRIBUTE_DIRECTORY)) {
      throw VellumError{VellumExceptionKind::DatabaseNotFound, "database " + narrow(name) + " not found"};
    }
    sqlite3* handle = nullptr;
    if (sqlite3_open_v2(utf8(path).c_str(), &handle, SQLITE_OPEN_READONLY, nullptr) != SQLITE_OK) {
      std::string message = handle ? sqlite3_errmsg(handle) : "cannot open";
      sqlite3_close(handle);
      throw VellumError{VellumExceptionKind::Object, "database " + narrow(name) + ": " + message};
    }
    VellumSession* created = new VellumSession();
    created->database = handle;
    state.live.insert(created);
    return created;
  });
  raiseIf(failure);
  return session;
}

VELLUM_API void NOX_VENDOR_THISCALL VellumDataSourceClose(VellumDataSource* self) {
  Failure failure;
  attempt(failure, [&] {
    traceCall("DataSource.close");
    checked(self, "DataSource.close")->closed = true;
  });
  raiseIf(failure);
}

VELLUM_API void NOX_VENDOR_THISCALL VellumDataSourceRelease(VellumDataSource* self) {
  Failure failure;
  attempt(failure, [&] {
    traceCall("DataSource.release");
    releaseObject(self, "DataSource.release");
  });
  raiseIf(failure);
}

VELLUM_API VellumResultSet* NOX_VENDOR_THISCALL VellumSessionExecute(VellumSession* self,
                                                                     const ModUnicodeStringData* statement,
                                                                     const VellumDataArrayData* parameters) {
  Failure failure;
  VellumResultSet* result = attempt(failure, [&]() -> VellumResultSet* {
    traceCall("executeStatement");
    checked(self, "executeStatement");
    if (parameters && parameters->count != 0) misuse("executeStatement with parameters");
    const std::wstring text = wideText(statement);
    sqlite3_stmt* prepared = nullptr;
    if (sqlite3_prepare16_v2(self->database, text.c_str(), static_cast<int>(text.size() * sizeof(wchar_t)),
                             &prepared, nullptr) != SQLITE_OK) {
      std::string message = sqlite3_errmsg(self->database);
      throw VellumError{message.compare(0, 13, "no such table") == 0 ? VellumExceptionKind::TableNotFound
                                                                     : VellumExceptionKind::Object,
                        message};
    }
    if (!prepared) return nullptr;  // nothing but blanks or comments
    VellumResultSet* created = new VellumResultSet();
    created->statement = prepared;
    state.live.insert(created);
    return created;
  });
  raiseIf(failure);
  return result;
}

VELLUM_API void NOX_VENDOR_THISCALL VellumSessionClose(VellumSession* self) {
  Failure failure;
  attempt(failure, [&] {
    traceCall("Session.close");
    checked(self, "Session.close")->closed = true;
  });
  raiseIf(failure);
}

VELLUM_API void NOX_VENDOR_THISCALL VellumObjectRelease(void* self) {
  Failure failure;
  attempt(failure, [&] {
    traceCall("Object.release");
    StandinObject* object = static_cast<StandinObject*>(self);
    if (dynamic_cast<VellumDataSource*>(state.live.count(object) ? object : nullptr)) {
      misuse("Object.release of a data source");
    }
    releaseObject(object, "Object.release");
  });
  raiseIf(failure);
}

VELLUM_API int NOX_VENDOR_THISCALL VellumResultSetNext(VellumResultSet* self, VellumDataArrayData** tuple) {
  Failure failure;
  int status = attempt(failure, [&]() -> int {
    traceCall("getNextTuple");
    checked(self, "getNextTuple");
    if (!tuple) throw VellumError{VellumExceptionKind::Object, "getNextTuple: no tuple"};
    *tuple = nullptr;
    if (self->finished) return VellumStatusEndOfData;
    int stepped = sqlite3_step(self->statement);
    if (stepped == SQLITE_DONE) {
      self->finished = true;
      return VellumStatusEndOfData;
    }
    if (stepped != SQLITE_ROW) {
      throw VellumError{VellumExceptionKind::Object, sqlite3_errmsg(sqlite3_db_handle(self->statement))};
    }
    const int columns = sqlite3_column_count(self->statement);
    std::unique_ptr<VellumDataArrayData> row(new VellumDataArrayData{new VellumData*[columns](), 0, columns});
    for (; row->count < columns; ++row->count)
      row->elements[row->count] = makeData(self->statement, row->count);
    state.live.insert(row.get());
    *tuple = row.release();
    return VellumStatusData;
  });
  raiseIf(failure);
  return status;
}

VELLUM_API void NOX_VENDOR_THISCALL VellumResultSetReleaseTuple(VellumResultSet* self,
                                                                VellumDataArrayData* tuple) {
  Failure failure;
  attempt(failure, [&] {
    traceCall("releaseTuple");
    if (!self || !state.live.count(self)) misuse("releaseTuple on an object not handed out");
    if (!tuple || !state.live.count(tuple)) {
      misuse("releaseTuple of a tuple not handed out");
      return;
    }
    state.live.erase(tuple);
    freeTuple(tuple);
    delete tuple;
  });
  raiseIf(failure);
}

VELLUM_API void NOX_VENDOR_THISCALL VellumResultSetClose(VellumResultSet* self) {
  Failure failure;
  attempt(failure, [&] {
    traceCall("ResultSet.close");
    checked(self, "ResultSet.close")->closed = true;
  });
  raiseIf(failure);
}

VELLUM_API VellumDataArrayData* NOX_VENDOR_THISCALL VellumArrayConstruct(VellumDataArrayData* self) {
  self->elements = nullptr;
  self->count = 0;
  self->capacity = 0;
  return self;
}

VELLUM_API void NOX_VENDOR_THISCALL VellumArrayDestruct(VellumDataArrayData* self) { freeTuple(self); }

VELLUM_API VellumData* NOX_VENDOR_THISCALL VellumArrayElement(const VellumDataArrayData* self, int index) {
  return self && index >= 0 && index < self->count ? self->elements[index] : nullptr;
}

VELLUM_API int NOX_VENDOR_THISCALL VellumDataType(const VellumData* self) { return self->type; }

VELLUM_API ModUnicodeStringData* NOX_VENDOR_THISCALL VellumDataString(const VellumData* self,
                                                                      ModUnicodeStringData* result) {
  return FennickStringConstructWide(result, reinterpret_cast<const ModUnicodeChar*>(self->text.c_str()));
}

// Not part of the vendor library: what tests ask the stand-in.
// Objects handed out and not yet released (data sources, sessions, result sets, tuples).
extern "C" __declspec(dllexport) long __cdecl VellumStandinLiveObjects() {
  return static_cast<long>(state.live.size());
}
// Calls out of order: use after close, release before close, a tuple released twice ...
extern "C" __declspec(dllexport) long __cdecl VellumStandinMisuses() { return state.misuses; }
extern "C" __declspec(dllexport) const char* __cdecl VellumStandinLastMisuse() {
  return state.lastMisuse.c_str();
}
// The calls since the last start-up, by name, separated by blanks.
extern "C" __declspec(dllexport) const char* __cdecl VellumStandinTrace() { return state.trace.c_str(); }
