// The vendor libraries' C++ interface as the vendor's compiler sees it: the
// classes and members FlowLog.nxo and the Vellum stand-in use, in their
// namespaces, with empty bodies. Never built into the product: compiled by
// check-vendor-names.py with clang for the vendor compiler's targets
// (i686-pc-windows-msvc, x86_64-pc-windows-msvc), whose decorated names must
// equal those of Fennick.names and Vellum.names.

// Fennick: the Unicode string class.
typedef unsigned short ModUnicodeChar;
enum ModCodeType { ModCodeUnknown = 0, ModCodeUtf8 = 1, ModCodeUtf16 = 2, ModCodeAnsi = 3 };

class ModUnicodeString {
 public:
  ModUnicodeString();
  ModUnicodeString(const char* text, ModCodeType code);
  ModUnicodeString(const ModUnicodeChar* text);
  ~ModUnicodeString();
  ModUnicodeString& operator=(const ModUnicodeChar* text);
  unsigned int getLength() const;
  operator const ModUnicodeChar*() const;

 private:
  ModUnicodeChar* buffer_;
  unsigned int length_;
  unsigned int capacity_;
};

ModUnicodeString::ModUnicodeString() {}
ModUnicodeString::ModUnicodeString(const char*, ModCodeType) {}
ModUnicodeString::ModUnicodeString(const ModUnicodeChar*) {}
ModUnicodeString::~ModUnicodeString() {}
ModUnicodeString& ModUnicodeString::operator=(const ModUnicodeChar*) { return *this; }
unsigned int ModUnicodeString::getLength() const { return 0; }
ModUnicodeString::operator const ModUnicodeChar*() const { return 0; }

// Vellum: the database client.
namespace Vellum {
namespace Common {

class Data {
 public:
  enum Type { Integer = 1, Double = 3, String = 4, Binary = 6, Null = 3000 };
  Type getType() const;
  ModUnicodeString getString() const;
};

class DataArrayData {
 public:
  DataArrayData();
  ~DataArrayData();
  Data* getElement(int index) const;

 private:
  Data** elements_;
  int count_;
  int capacity_;
};

Data::Type Data::getType() const { return Null; }
ModUnicodeString Data::getString() const { return ModUnicodeString(); }
DataArrayData::DataArrayData() {}
DataArrayData::~DataArrayData() {}
Data* DataArrayData::getElement(int) const { return 0; }

}  // namespace Common

namespace Client {

class Object {
 public:
  void release();
};

class ResultSet : public Object {
 public:
  enum Status { Error = 0, Data = 1, EndOfData = 2, Canceled = 3 };
  Status getNextTuple(Common::DataArrayData*& tuple);
  void releaseTuple(Common::DataArrayData* tuple);
  void close();
};

class Session : public Object {
 public:
  ResultSet* executeStatement(const ModUnicodeString& statement, const Common::DataArrayData& parameters);
  void close();
};

class DataSource : public Object {
 public:
  static DataSource* createDataSource(const ModUnicodeString& host, int port);
  void open();
  Session* createSession(const ModUnicodeString& databaseName);
  void close();
  void release();
};

class RemoteServer {
 public:
  class Singleton {
   public:
    static void initialize(const ModUnicodeString& registryPath);
    static void terminate();
  };
};

void Object::release() {}
ResultSet::Status ResultSet::getNextTuple(Common::DataArrayData*&) { return Error; }
void ResultSet::releaseTuple(Common::DataArrayData*) {}
void ResultSet::close() {}
ResultSet* Session::executeStatement(const ModUnicodeString&, const Common::DataArrayData&) { return 0; }
void Session::close() {}
DataSource* DataSource::createDataSource(const ModUnicodeString&, int) { return 0; }
void DataSource::open() {}
Session* DataSource::createSession(const ModUnicodeString&) { return 0; }
void DataSource::close() {}
void DataSource::release() {}
void RemoteServer::Singleton::initialize(const ModUnicodeString&) {}
void RemoteServer::Singleton::terminate() {}

}  // namespace Client
}  // namespace Vellum
