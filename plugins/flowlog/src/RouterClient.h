#pragma once

// The router's database client (Vellum.dll, with Fennick.dll's strings) as
// FlowLog uses it. Every call into the vendor libraries goes through the
// exception guard; a vendor exception becomes a DatabaseFailure here.
// Holders close and release what they hold when they go, in the order the
// client expects; a failure while tidying up is logged and passed over.

#include <string>

#include "Vellum.h"

namespace flowlog {

// A failure the database client reported; `what` names the call and the
// exception's class.
struct DatabaseFailure {
  std::string what;
};

// A ModUnicodeString of the vendor library, made from narrow text of the
// system code page (code type 3).
class VendorString {
 public:
  explicit VendorString(const std::string& text);
  ~VendorString();
  VendorString(const VendorString&) = delete;
  VendorString& operator=(const VendorString&) = delete;
  const ModUnicodeStringData* get() const { return &data_; }

 private:
  ModUnicodeStringData data_;
};

// The client started with `registryPath` for its lifetime; failures of the
// start and of the stop are swallowed.
class ClientSession {
 public:
  explicit ClientSession(const std::string& registryPath);
  ~ClientSession();
  ClientSession(const ClientSession&) = delete;
  ClientSession& operator=(const ClientSession&) = delete;
};

class ResultRows;

// An opened data source and a session on one database of it.
class Database {
 public:
  Database() = default;
  ~Database();
  Database(const Database&) = delete;
  Database& operator=(const Database&) = delete;

  // Creates and opens the data source; false when the client made none (null).
  bool connect(const std::string& host, int port);
  // Creates the session on `name`.
  void openSession(const std::string& name);
  // Runs `statement`; false when there is no session or it yields no result set.
  bool execute(const std::string& statement, ResultRows& rows);

 private:
  VellumDataSource* source_ = nullptr;
  VellumSession* session_ = nullptr;
};

// The rows of one statement.
class ResultRows {
 public:
  ResultRows() = default;
  ~ResultRows();
  ResultRows(const ResultRows&) = delete;
  ResultRows& operator=(const ResultRows&) = delete;

  // Fetches the next row; false at the first status other than "row delivered".
  bool next();
  // Column `index` of the current row: false for a null value (or a missing
  // column), else its text form in UTF-16.
  bool value(int index, std::wstring& text);

 private:
  friend class Database;
  void releaseRow();
  VellumResultSet* results_ = nullptr;
  VellumDataArrayData* row_ = nullptr;
};

}  // namespace flowlog
