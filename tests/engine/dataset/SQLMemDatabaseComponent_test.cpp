#include "engine/dataset/SQLMemDatabaseComponent.h"

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "engine/foundation/SQLMemSettings.h"
#include "engine/storage/SQLMemDatabaseData.h"
#include "engine/storage/SQLMemLocalEngine.h"
#include "engine/storage/SQLMemLocalSession.h"
#include "tests/engine/dataset/DataSetLinkDouble.h"
#include "tests/engine/foundation/EngineTestSupport.h"
#include "tests/engine/storage/TableTestSupport.h"
#include "vcl/rtl/PropertyTable.h"
#include "vcl/rtl/Reader.h"

namespace {

// An in-memory database of the tests' own, so that no test leaves tables in "MEMORY".
constexpr char kDatabase[] = "DBCOMPONENTTEST";

class DatabaseTest : public ::testing::Test {
 protected:
  void SetUp() override { InitializeEngineFoundation(); }
  void TearDown() override {
    form_.reset();
    if (TSQLMemDatabaseData* data = FindDatabaseData(kDatabase)) delete data;
  }
  TSQLMemDatabase* NewDatabase(const AnsiString& name = kDatabase) {
    auto* database = New<TSQLMemDatabase>(form_.get());
    database->SetDatabaseName(name);
    return database;
  }
  // Creates a table in the database through a cursor of its connection.
  static void CreateTable(TSQLMemDatabase& database, const AnsiString& tableName) {
    TSQLMemLocalCursor cursor;
    cursor.Session = database.Connection();
    cursor.InMemory = 1;
    cursor.TableName = tableName;
    const DiarySchema schema;
    cursor.CreateTable(schema.fields, schema.indexes, schema.constraints);
    cursor.CloseTable();
  }

  std::unique_ptr<TComponent> form_ = std::make_unique<TComponent>(nullptr);
};

template <class F>
std::string DatabaseErrorText(F f) {
  try {
    f();
  } catch (const EDatabaseError& e) {
    return e.Message();
  }
  return "<no error>";
}

TEST_F(DatabaseTest, StartsInTheDefaultSessionOverMemory) {
  auto* database = New<TSQLMemDatabase>(form_.get());
  EXPECT_EQ(database->DatabaseName(), "MEMORY");
  EXPECT_TRUE(database->InMemory());
  EXPECT_TRUE(database->KeepConnection());
  EXPECT_FALSE(database->Temporary());
  EXPECT_FALSE(database->Connected());
  EXPECT_EQ(database->Session(), &DefaultSession());
  EXPECT_EQ(DefaultSession().FindDatabase("memory"), database);
  delete database;
  EXPECT_EQ(DefaultSession().FindDatabase("memory"), nullptr);
}

TEST_F(DatabaseTest, ConnectCountsUsersAndDisconnectDropsThemAll) {
  TSQLMemDatabase* database = NewDatabase();
  database->CreateDatabase();
  database->Connect();
  database->Connect();
  EXPECT_TRUE(database->Connected());
  EXPECT_EQ(database->ReferenceCount(), 2);
  EXPECT_TRUE(DefaultSession().Active()) << "connecting starts the session";
  database->Disconnect();
  EXPECT_FALSE(database->Connected());
  EXPECT_EQ(database->ReferenceCount(), 0);
  EXPECT_EQ(FindDatabaseData(kDatabase)->GetSessionCount(), 0) << "the engine connection is gone";

  database->SetDatabaseName("");
  EXPECT_EQ(DatabaseErrorText([&] { database->Connect(); }), "Database name missing");
}

TEST_F(DatabaseTest, RenamingAConnectedDatabaseClosesItFirst) {
  TSQLMemDatabase* database = NewDatabase("MEMORY");
  database->SetConnected(true);
  database->SetDatabaseName(kDatabase);
  EXPECT_FALSE(database->Connected());
  EXPECT_EQ(database->DatabaseName(), kDatabase);
  database->SetConnected(true);  // an in-memory database the engine does not have yet is made
  EXPECT_NE(FindDatabaseData(kDatabase), nullptr);
  database->SetInMemory(false);
  EXPECT_FALSE(database->Connected());
}

TEST_F(DatabaseTest, NameOfAnUnusedTemporaryDatabaseIsTakenOverAndOfAComponentRefused) {
  auto* unused = New<TSQLMemDatabase>(&DefaultSession());
  unused->SetTemporary(true);
  unused->SetDatabaseName("Shared");
  TSQLMemDatabase* database = NewDatabase();
  database->SetDatabaseName("shared");
  EXPECT_EQ(DefaultSession().FindDatabase("Shared"), database) << "the temporary database was freed";

  TSQLMemDatabase* other = NewDatabase("Other");
  other->SetName("Other");
  EXPECT_EQ(DatabaseErrorText([&] { other->SetDatabaseName("SHARED"); }),
            "Other: Cannot perform this operation on an open database");
  EXPECT_EQ(other->DatabaseName(), "Other");
}

TEST_F(DatabaseTest, TableExistsLeavesAClosedDatabaseClosed) {
  TSQLMemDatabase* database = NewDatabase();
  database->CreateDatabase();
  database->Connect();
  CreateTable(*database, "Days");
  database->Disconnect();
  EXPECT_TRUE(database->TableExists("days"));
  EXPECT_FALSE(database->Connected());
  EXPECT_FALSE(database->TableExists("Nights"));
  EXPECT_FALSE(database->TableExists(""));
  database->Connect();
  EXPECT_TRUE(database->TableExists("Days"));
  EXPECT_TRUE(database->Connected());
  // A database the engine does not carry cannot connect: no table, and no error.
  TSQLMemDatabase* onDisk = NewDatabase("Elsewhere");
  onDisk->SetInMemory(false);
  EXPECT_FALSE(onDisk->TableExists("Days"));
}

TEST_F(DatabaseTest, DeleteDatabaseDropsAnUnusedInMemoryDatabaseWithItsTables) {
  TSQLMemDatabase* database = NewDatabase();
  database->CreateDatabase();
  database->Connect();
  CreateTable(*database, "Days");
  TSQLMemDatabase* dropper = NewDatabase("Dropper");
  dropper->SetDatabaseName("");
  // Another component names the database while it is in use elsewhere.
  auto* session = New<TSQLMemSession>(form_.get());
  session->SetSessionName("Dropping");
  auto* inOtherSession = New<TSQLMemDatabase>(session);
  inOtherSession->SetDatabaseName(kDatabase);
  ExpectEngineError([&] { inOtherSession->DeleteDatabase(); }, 11747,
                    std::string("Error - database '") + kDatabase + "' is used by other sessions - Native error: 11747");
  database->Disconnect();
  inOtherSession->DeleteDatabase();
  EXPECT_EQ(FindDatabaseData(kDatabase), nullptr);
  inOtherSession->DeleteDatabase();  // a name the engine does not know: nothing
  database->CreateDatabase();
  database->Connect();
  EXPECT_FALSE(database->TableExists("Days"));
}

TEST_F(DatabaseTest, DisconnectClosesTheDataSetsAndLetsGoOfOnesThatKeepTheirHold) {
  TSQLMemDatabase* database = NewDatabase("MEMORY");
  database->SetName("Db");
  auto* closing = New<TDataSetDouble>(form_.get());
  auto* keeping = New<TDataSetDouble>(form_.get());
  keeping->keepsHoldOnClose = true;
  closing->Hold();
  keeping->Hold();
  ASSERT_EQ(closing->Database(), database);
  EXPECT_EQ(database->DataSetCount(), 2);
  database->Disconnect();
  EXPECT_EQ(database->DataSetCount(), 0);
  EXPECT_EQ(closing->closes, 1);
  EXPECT_EQ(keeping->closes, 1);
  EXPECT_EQ(closing->Database(), nullptr);
  EXPECT_FALSE(database->Connected());
}

TEST_F(DatabaseTest, RecordEventsAnswerWhetherAHandlerAborts) {
  TSQLMemDatabase* database = NewDatabase();
  TSQLMemArrayOfTSQLMemVariant values;
  values.push_back(std::make_unique<TSQLMemVariant>());
  values[0]->SetAsString("2026.12.10");
  // No handlers: nothing aborts.
  EXPECT_FALSE(database->DoBeforeInsertRecord(nullptr, "fans", values));
  EXPECT_FALSE(database->DoBeforeUpdateRecord(nullptr, "fans", values, values));
  EXPECT_FALSE(database->DoBeforeDeleteRecord(nullptr, "fans", values));
  EXPECT_FALSE(database->DoBeforeExecuteSQL(nullptr));
  database->DoAfterInsertRecord(nullptr, "fans", values);

  std::vector<std::string> seen;
  database->BeforeInsertRecord = [&](TSQLMemDataSet*, const AnsiString& table, const TSQLMemArrayOfTSQLMemVariant& v,
                                     bool& abort) {
    seen.push_back("before insert " + table + " " + v[0]->GetAsString());
    abort = v[0]->GetAsString() == "veto";
  };
  database->AfterDeleteRecord = [&](TSQLMemDataSet*, const AnsiString& table, const TSQLMemArrayOfTSQLMemVariant&) {
    seen.push_back("after delete " + table);
  };
  database->BeforeUpdateRecord = [&](TSQLMemDataSet*, const AnsiString&, const TSQLMemArrayOfTSQLMemVariant& oldV,
                                     const TSQLMemArrayOfTSQLMemVariant& newV, bool& abort) {
    seen.push_back("before update " + oldV[0]->GetAsString() + " " + newV[0]->GetAsString());
    abort = true;
  };
  EXPECT_FALSE(database->DoBeforeInsertRecord(nullptr, "fans", values));
  values[0]->SetAsString("veto");
  EXPECT_TRUE(database->DoBeforeInsertRecord(nullptr, "fans", values));
  EXPECT_TRUE(database->DoBeforeUpdateRecord(nullptr, "fans", values, values));
  database->DoAfterDeleteRecord(nullptr, "fans", values);
  EXPECT_EQ(seen, (std::vector<std::string>{"before insert fans 2026.12.10", "before insert fans veto",
                                            "before update veto veto", "after delete fans"}));
}

// A data module read from a definition: a session, a database in it that connects once loaded.
class TdmDataTest : public TComponent, public TDefinitionRoot {
 public:
  using TComponent::TComponent;
  void DefineMethods(TMethodTable& m) override {
    m.Add<TSQLMemBeforeInsertRecord>("DbBeforeInsert",
                                     [this](TSQLMemDataSet*, const AnsiString&, const TSQLMemArrayOfTSQLMemVariant&,
                                            bool& abort) {
                                       ++inserts;
                                       abort = true;
                                     });
  }
  int inserts = 0;
};

TEST_F(DatabaseTest, ComponentsAreReadFromAFormDefinition) {
  RegisterSQLMemDatabaseComponents();
  RegisterStreamedClass<TdmDataTest, TComponent>("TdmDataTest");
  auto* module = New<TdmDataTest>(form_.get());
  ReadComponentFromText(*module, R"(object dmData: TdmDataTest
  object Session1: TSQLMemSession
    SessionName = 'Diary'
    KeepConnections = False
  end
  object Db1: TSQLMemDatabase
    DatabaseName = 'MEMORY'
    Connected = True
    BeforeInsertRecord = DbBeforeInsert
  end
end)");
  auto* session = dynamic_cast<TSQLMemSession*>(module->FindComponent("Session1"));
  auto* database = dynamic_cast<TSQLMemDatabase*>(module->FindComponent("Db1"));
  ASSERT_NE(session, nullptr);
  ASSERT_NE(database, nullptr);
  EXPECT_EQ(session->SessionName(), "Diary");
  EXPECT_FALSE(session->KeepConnections());
  EXPECT_TRUE(database->Connected());
  TSQLMemArrayOfTSQLMemVariant none;
  EXPECT_TRUE(database->DoBeforeInsertRecord(nullptr, "fans", none));
  EXPECT_EQ(module->inserts, 1);
}

}  // namespace
