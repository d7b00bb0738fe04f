// The guard around calls into the vendor's libraries, with the exceptions the
// Vellum stand-in raises as the vendor compiler's `throw` does.
#include "MsvcExceptionGuard.h"

#include <gtest/gtest.h>

#include "FlowLogTestSupport.h"
#include "MsvcException.h"
#include "RouterClient.h"

namespace {

using namespace flowlog;
using namespace flowlog_testing;

// The client started on a database folder, with an opened data source.
class GuardedClient : public ::testing::Test {
 protected:
  void connect(const std::string& folder) {
    client_ = std::make_unique<ClientSession>(folder);
    ASSERT_TRUE(database_.connect("localhost", 20731));
  }
  std::unique_ptr<ClientSession> client_;
  Database database_;
};

TEST_F(GuardedClient, ExceptionsNameTheirClassAndItsBase) {
  connect(fixture("settings"));  // no database there
  MsvcFault fault;
  VellumDataSource* source = nullptr;
  {
    // The raw call, to see the fault itself: createSession on a missing database.
    ModUnicodeStringData name;
    FennickStringConstructNarrow(&name, "QvdLog", ModCodeAnsi);
    ModUnicodeStringData* nameAddress = &name;
    ModUnicodeStringData host;
    FennickStringConstructNarrow(&host, "localhost", ModCodeAnsi);
    ModUnicodeStringData* hostAddress = &host;
    ASSERT_TRUE(msvcGuarded([&] { source = VellumCreateDataSource(hostAddress, 20731); }, fault));
    ASSERT_TRUE(msvcGuarded([&] { VellumDataSourceOpen(source); }, fault));
    VellumSession* session = nullptr;
    EXPECT_FALSE(msvcGuarded([&] { session = VellumDataSourceCreateSession(source, nameAddress); }, fault));
    EXPECT_EQ(session, nullptr);
    FennickStringDestruct(&name);
    FennickStringDestruct(&host);
  }
  ASSERT_EQ(fault.typeCount, 2);
  EXPECT_STREQ(fault.types[0], kVellumDatabaseNotFound);
  EXPECT_STREQ(fault.types[1], kVellumObjectException);
  EXPECT_TRUE(fault.is(kVellumObjectException));
  EXPECT_FALSE(fault.is(kVellumTableNotFound));
  ASSERT_TRUE(msvcGuarded([&] { VellumDataSourceClose(source); }, fault));
  ASSERT_TRUE(msvcGuarded([&] { VellumDataSourceRelease(source); }, fault));
}

TEST_F(GuardedClient, AdapterTurnsThemIntoFailures) {
  connect(fixture("db-bare"));
  database_.openSession("QvdLog");
  ResultRows rows;
  try {
    database_.execute("SELECT Sender FROM DeliverLog", rows);
    ADD_FAILURE() << "no such table";
  } catch (const DatabaseFailure& failure) {
    EXPECT_EQ(failure.what,
              "Session::executeStatement: table not found (.?AVTableNotFound@Exception@Vellum@@)");
  }
  try {
    database_.execute("SELECT Nothing FROM CaptureLog", rows);
    ADD_FAILURE() << "no such column";
  } catch (const DatabaseFailure& failure) {
    EXPECT_EQ(failure.what, "Session::executeStatement: database error (.?AVObject@Exception@Vellum@@)");
  }
  ASSERT_TRUE(database_.execute("SELECT UserName FROM CaptureLog WHERE docType='CPY'", rows));
  ASSERT_TRUE(rows.next());
  std::wstring text;
  ASSERT_TRUE(rows.value(0, text));
  EXPECT_EQ(text, L"erin");
  EXPECT_FALSE(rows.value(1, text)) << "past the row's end";
  EXPECT_FALSE(rows.next());
}

TEST(MsvcGuard, ManyFaultsInARowLeaveTheThreadAsItWas) {
  ClientSession client(fixture("settings"));
  for (int i = 0; i < 200; ++i) {
    Database database;
    ASSERT_TRUE(database.connect("localhost", 20731));
    try {
      database.openSession("Missing");
      FAIL() << "no such database";
    } catch (const DatabaseFailure&) {
    }
  }
  MsvcFault fault;
  int calls = 0;
  EXPECT_TRUE(msvcGuarded([&] { ++calls; }, fault));
  EXPECT_EQ(calls, 1);
  EXPECT_EQ(fault.typeCount, 0);
  EXPECT_EQ(vellumLiveObjects(), 0);
}

}  // namespace
