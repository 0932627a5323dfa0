// The connection record's reference counting and the ODBCDatabase
// constructor and destructor that hold the host object's reference.
#include <cstdlib>
#include <cstring>
#include <vector>

#include <gtest/gtest.h>

#include <frame/registration_records.h>
#include <frame/trace.h>
#include <odbc/connection_record.h>
#include <tavro_host/tavro_host.h>

#include "checked_host.h"

extern "C" int32_t TAVRO_CALL VANTPluginMain(TavroResolver resolver);

namespace {

using sqelto::ConnectionRecord;

// Fake engine close, standing in for the real one in the engine record so a
// test can see when and for which record a release closes the connection.
std::vector<void *> g_closed;
void TAVRO_CALL FakeClose(TavroDatabase db) { g_closed.push_back(db); }

class ConnectionReferences : public ::testing::Test {
 protected:
  void SetUp() override {
    g_closed.clear();
    savedClose_ = sqelto::EngineRecord().close;
    sqelto::EngineRecord().close = FakeClose;
  }
  void TearDown() override { sqelto::EngineRecord().close = savedClose_; }

  TavroCloseFn savedClose_ = nullptr;
};

TEST_F(ConnectionReferences, LastReleaseClosesAndFreesWhatTheRecordOwns) {
  ConnectionRecord *record = sqelto::NewStandaloneRecord();
  ASSERT_NE(record, nullptr);
  EXPECT_EQ(record->refCount, 1);
  EXPECT_EQ(record->hdbc, nullptr);
  EXPECT_FALSE(sqelto::IsConnected(record));

  sqelto::AddReference(record);  // e.g. a cursor
  record->lastErrorCode = 7;
  record->lastErrorText = static_cast<char *>(std::malloc(6));
  std::memcpy(record->lastErrorText, "error", 6);

  sqelto::Release(record);
  EXPECT_EQ(record->refCount, 1);
  EXPECT_TRUE(g_closed.empty()) << "a holder is left";
  EXPECT_EQ(record->lastErrorCode, 7);

  sqelto::Release(record);
  EXPECT_EQ(record->refCount, 0);
  EXPECT_EQ(g_closed, std::vector<void *>{record});
  EXPECT_EQ(record->lastErrorCode, 0);
  EXPECT_EQ(record->lastErrorText, nullptr);  // freed: the leak checker would see it otherwise
  EXPECT_EQ(record->traceStream, nullptr);
  sqelto::DeleteStandaloneRecord(record);
}

TEST_F(ConnectionReferences, InitialisationResetsSettingsAndKeepsTheRest) {
  ConnectionRecord record{};
  record.refCount = 3;
  record.timeout = 15;
  record.attribute = 1209;
  record.scrollableCursor = record.extendedSchema = record.allowsBinds = record.needsLongData = 1;
  record.rowsAffected = 4;
  sqelto::InitConnectionRecord(&record);
  EXPECT_EQ(record.timeout, 0);
  EXPECT_EQ(record.attribute, 0);
  EXPECT_EQ(record.scrollableCursor + record.extendedSchema + record.allowsBinds + record.needsLongData, 0);
  EXPECT_EQ(record.refCount, 3);
  EXPECT_EQ(record.rowsAffected, 4);
  sqelto::CloseTrace(&record);
}

TEST_F(ConnectionReferences, HostObjectHoldsOneReferenceUntilItsDestructor) {
  // The records are registered as a freshly loaded plug-in would: the host
  // refuses a class whose offset word it has written before.
  sqelto::ODBCDatabaseClass().dataOffset = 0;
  sqelto::ODBCPreparedStatementClass().dataOffset = 0;
  sqelto_test::CheckedHost host;
  host.runPluginMain(VANTPluginMain);
  void *recordAddress = nullptr;
  {
    tavro::Object database = host.createInstance("ODBCDatabase");
    auto *record = static_cast<ConnectionRecord *>(database.instanceData());
    ASSERT_NE(record, nullptr);
    recordAddress = record;
    EXPECT_EQ(record, sqelto::RecordOfInstance(database.get()));
    EXPECT_EQ(record->refCount, 1);
    EXPECT_EQ(tavro::Database(host, database).record(), record);

    // A second holder (as a cursor would be) and its release leave the
    // connection open.
    sqelto::AddReference(record);
    sqelto::Release(record);
    EXPECT_EQ(record->refCount, 1);
    EXPECT_TRUE(g_closed.empty());
  }
  // Dropping the host object ran the destructor: the last reference went
  // and that connection was closed.
  EXPECT_EQ(g_closed, std::vector<void *>{recordAddress});
  EXPECT_EQ(host.liveObjects(), 0);
}

}  // namespace
