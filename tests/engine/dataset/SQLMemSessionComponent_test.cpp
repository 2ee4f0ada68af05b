#include "engine/dataset/SQLMemSessionComponent.h"

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "engine/foundation/SQLMemSettings.h"
#include "engine/storage/SQLMemDatabaseData.h"
#include "engine/storage/SQLMemLocalSession.h"
#include "engine/storage/SQLMemMemoryTable.h"
#include "tests/engine/dataset/DataSetLinkDouble.h"
#include "tests/engine/foundation/EngineTestSupport.h"
#include "tests/engine/storage/TableTestSupport.h"
#include "engine/storage/SQLMemLocalEngine.h"

namespace {

class SessionTest : public ::testing::Test {
 protected:
  void SetUp() override { InitializeEngineFoundation(); }
  // A form or data module that owns components.
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

TEST_F(SessionTest, GetSessionAnswersByNameIgnoringCase) {
  TSQLMemSession* session = New<TSQLMemSession>(form_.get());
  session->SetSessionName("Diary");
  struct Case {
    const char* name;
    TSQLMemSession* expected;
  };
  const Case cases[] = {
      {"", &DefaultSession()},       {"Default", &DefaultSession()}, {"default", &DefaultSession()},
      {"DEFAULT", &DefaultSession()}, {"diary", session},              {"Diary", session},
  };
  for (const Case& c : cases) EXPECT_EQ(Sessions().GetSession(c.name), c.expected) << c.name;
  EXPECT_TRUE(DefaultSession().IsDefault());
  EXPECT_FALSE(session->IsDefault());
  EXPECT_EQ(Sessions().FindSession("nope"), nullptr);
  ExpectEngineError([] { Sessions().GetSession("nope"); }, 20002, "Invalid session name 'nope' - Native error: 20002");
}

TEST_F(SessionTest, SessionNamesAreUniqueIgnoringCase) {
  TSQLMemSession* session = New<TSQLMemSession>(form_.get());
  session->SetName("S");
  EXPECT_EQ(DatabaseErrorText([&] { session->SetSessionName("DEFAULT"); }), "S: Duplicate session name 'DEFAULT'");
  EXPECT_EQ(session->SessionName(), "");
  session->SetSessionName("Mine");
  session->SetSessionName("MINE");  // its own name in another case is no duplicate
  EXPECT_EQ(session->SessionName(), "MINE");
}

TEST_F(SessionTest, StartingNeedsANameAndStartsTheDefaultSessionFirst) {
  TSQLMemSession* session = New<TSQLMemSession>(form_.get());
  session->SetName("S");
  std::vector<std::string> events;
  session->OnStartup = [&](TObject*) { events.push_back("startup"); };
  EXPECT_EQ(DatabaseErrorText([&] { session->SetActive(true); }), "S: Session name missing");
  EXPECT_FALSE(session->Active());

  DefaultSession().SetActive(false);
  session->SetSessionName("Second");
  session->SetActive(true);
  EXPECT_TRUE(DefaultSession().Active());
  ASSERT_NE(session->Manager(), nullptr);
  EXPECT_NE(session->Manager(), DefaultSession().Manager());
  EXPECT_EQ(events, (std::vector<std::string>{"startup", "startup"}));
  EXPECT_EQ(DatabaseErrorText([&] { session->SetSessionName("Other"); }),
            "S: Cannot perform this operation on an active session");

  session->SetActive(false);
  EXPECT_EQ(CurrentSessionManager(), DefaultSession().Manager());
}

TEST_F(SessionTest, LockSessionNestsAndMakesTheSessionCurrent) {
  TSQLMemSession* session = New<TSQLMemSession>(form_.get());
  session->SetSessionName("Locked");
  session->LockSession();
  session->LockSession();
  EXPECT_TRUE(session->Active());
  EXPECT_EQ(CurrentSessionManager(), session->Manager());
  session->UnlockSession();
  session->UnlockSession();
  // A session without a name cannot start: the failed lock leaves nothing locked behind.
  TSQLMemSession* nameless = New<TSQLMemSession>(form_.get());
  EXPECT_THROW(nameless->LockSession(), EDatabaseError);
  session->LockSession();
  session->UnlockSession();
}

// The diary's road: tables that name "MEMORY" and no database component.
TEST_F(SessionTest, DataSetsOnMemoryShareOneTemporaryDatabaseThatGoesWithTheLastHold) {
  std::vector<TSQLMemDatabaseEventKind> events;
  DefaultSession().OnDBNotify = [&](TSQLMemSession*, TSQLMemDatabaseEventKind kind, TSQLMemDatabase*) {
    events.push_back(kind);
  };
  const int databasesBefore = DefaultSession().DatabaseCount();
  auto* first = New<TDataSetDouble>(form_.get());
  auto* second = New<TDataSetDouble>(form_.get());
  first->Hold();
  second->Hold();
  TSQLMemDatabase* database = first->Database();
  ASSERT_NE(database, nullptr);
  EXPECT_EQ(second->Database(), database);
  EXPECT_TRUE(database->Temporary());
  EXPECT_TRUE(database->InMemory());
  EXPECT_FALSE(database->KeepConnection());
  EXPECT_EQ(database->Owner(), &DefaultSession());
  EXPECT_EQ(database->ReferenceCount(), 2);
  EXPECT_EQ(database->DataSetCount(), 2);
  EXPECT_EQ(DefaultSession().DatabaseCount(), databasesBefore + 1);

  // A table made in "MEMORY" through the database's connection.
  TSQLMemLocalCursor cursor;
  cursor.Session = database->Connection();
  cursor.InMemory = 1;
  cursor.TableName = "fans";
  const DiarySchema schema;
  cursor.CreateTable(schema.fields, schema.indexes, schema.constraints);
  cursor.CloseTable();

  first->Release();
  EXPECT_EQ(DefaultSession().FindDatabase("MEMORY"), database);
  EXPECT_EQ(database->ReferenceCount(), 1);
  second->Release();
  EXPECT_EQ(DefaultSession().FindDatabase("MEMORY"), nullptr);
  EXPECT_EQ(DefaultSession().DatabaseCount(), databasesBefore);
  EXPECT_EQ(events, (std::vector<TSQLMemDatabaseEventKind>{dbAdd, dbOpen, dbClose, dbRemove}));
  DefaultSession().OnDBNotify = nullptr;

  // "MEMORY" keeps its tables while no database component holds it: the next hold finds the table.
  auto* third = New<TDataSetDouble>(form_.get());
  third->Hold();
  EXPECT_TRUE(third->Database()->TableExists("FANS"));
  third->Release();
  TSQLMemDatabaseData* memory = FindDatabaseData("MEMORY");
  ASSERT_NE(memory, nullptr);
  EXPECT_TRUE(memory->TableExists("fans"));
  EXPECT_EQ(memory->GetSessionCount(), 0);

  TSQLMemDatabase dropper(nullptr);
  dropper.DeleteDatabase();  // empties "MEMORY"; the database itself stays for the engine's life
  EXPECT_FALSE(memory->TableExists("fans"));
  EXPECT_EQ(FindDatabaseData("MEMORY"), memory);
}

TEST_F(SessionTest, TemporaryDatabasesAreInMemoryOnlyForDatabasesTheEngineKnows) {
  struct Case {
    const char* name;
    bool inMemory;
  };
  // "TEMP" is known to the engine; "memory" is not the exact name and has no database of its own
  // kind, but the engine finds "MEMORY" by name whatever the case.
  const Case cases[] = {{"MEMORY", true}, {"TEMP", true}, {"memory", true}, {"NoSuchDatabase", false}};
  for (const Case& c : cases) {
    auto* dataSet = New<TDataSetDouble>(form_.get(), c.name);
    if (c.inMemory) {
      dataSet->Hold();
      EXPECT_TRUE(dataSet->Database()->InMemory()) << c.name;
    } else {
      // A database on disk is not a kind this engine carries: the dataset cannot open it, and the
      // temporary database made for the attempt is gone again.
      const int before = DefaultSession().DatabaseCount();
      EXPECT_EQ(DatabaseErrorText([&] { dataSet->Hold(); }), std::string("Cannot open database '") + c.name + "'");
      EXPECT_EQ(DefaultSession().DatabaseCount(), before);
    }
    delete dataSet;
  }
}

TEST_F(SessionTest, DatabaseComponentOfTheNameIsFoundAndKeptConnected) {
  auto* database = New<TSQLMemDatabase>(form_.get());
  database->SetDatabaseName("MEMORY");
  auto* dataSet = New<TDataSetDouble>(form_.get(), "memory");
  dataSet->Hold();
  EXPECT_EQ(dataSet->Database(), database);
  dataSet->Release();
  EXPECT_TRUE(database->Connected()) << "a database component of the program keeps its connection";
  EXPECT_EQ(database->ReferenceCount(), 0);
}

TEST_F(SessionTest, AutoSessionNameNumbersSessionsAndGivesNumbersBack) {
  auto formA = std::make_unique<TComponent>(nullptr);
  auto formB = std::make_unique<TComponent>(nullptr);
  auto formC = std::make_unique<TComponent>(nullptr);
  TSQLMemSession* a = New<TSQLMemSession>(formA.get());
  a->SetName("S");
  TSQLMemSession* b = New<TSQLMemSession>(formB.get());
  b->SetName("S");
  auto* dataSetOfB = New<TDataSetDouble>(formB.get());
  a->SetAutoSessionName(true);
  b->SetAutoSessionName(true);
  EXPECT_EQ(a->SessionName(), "S_1");
  EXPECT_EQ(b->SessionName(), "S_2");
  EXPECT_EQ(dataSetOfB->SessionName(), "S_2");
  EXPECT_EQ(DatabaseErrorText([&] { b->SetSessionName("X"); }),
            "S: Cannot modify SessionName while AutoSessionName is enabled");

  // Components that join the owner later take the session too.
  auto* laterDataSet = New<TDataSetDouble>(formB.get());
  auto* laterDatabase = New<TSQLMemDatabase>(formB.get());
  EXPECT_EQ(laterDataSet->SessionName(), "S_2");
  EXPECT_EQ(laterDatabase->Session(), b);
  // Renaming the component renames the session.
  b->SetName("T");
  EXPECT_EQ(b->SessionName(), "T_2");

  // Clearing the property gives the number back (the session keeps its name until renamed); a freed
  // session gives its number back too.
  a->SetAutoSessionName(false);
  a->SetSessionName("Plain");
  TSQLMemSession* c = New<TSQLMemSession>(formC.get());
  c->SetName("S");
  c->SetAutoSessionName(true);
  EXPECT_EQ(c->SessionName(), "S_1");
  formB.reset();
  auto formD = std::make_unique<TComponent>(nullptr);
  TSQLMemSession* d = New<TSQLMemSession>(formD.get());
  d->SetName("S");
  d->SetAutoSessionName(true);
  EXPECT_EQ(d->SessionName(), "S_2");
}

TEST_F(SessionTest, AutoSessionNameAllowsOneSessionPerOwner) {
  TSQLMemSession* first = New<TSQLMemSession>(form_.get());
  first->SetName("First");
  TSQLMemSession* second = New<TSQLMemSession>(form_.get());
  second->SetName("Second");
  EXPECT_EQ(DatabaseErrorText([&] { first->SetAutoSessionName(true); }),
            "First: Cannot enable AutoSessionName property with more than one session on a form or data-module");
  delete second;
  first->SetAutoSessionName(true);
  const int count = form_->ComponentCount();
  EXPECT_EQ(DatabaseErrorText([&] { New<TSQLMemSession>(form_.get()); }),
            "First: Cannot add a session to the form or data-module while session 'First_1' has AutoSessionName enabled");
  EXPECT_EQ(form_->ComponentCount(), count);
}

}  // namespace

namespace {

// The start-up step makes the lists and the default session; shutdown frees them, and the engine
// refuses the look-ups until it starts again.
TEST(DataSetUnit, StartUpMakesTheDefaultSessionAndShutdownTakesItAway) {
  InitializeEngineFoundation();
  EXPECT_EQ(Sessions().Count(), 1);
  EXPECT_EQ(DefaultSession().SessionName(), "Default");
  EXPECT_EQ(DataSetList().LockList()->Count(), 0);
  DataSetList().UnlockList();
  FinalizeEngineFoundation();
  ExpectEngineError([] { Sessions(); }, 20007, "Database Engine is not initialized - Native error: 20007");
  ExpectEngineError([] { DataSetList(); }, 20007, "Database Engine is not initialized - Native error: 20007");
  ExpectEngineError([] { DefaultSessionManager(); }, 20007, "Database Engine is not initialized - Native error: 20007");
  InitializeEngineFoundation();
  EXPECT_EQ(DefaultSession().SessionName(), "Default");
  EXPECT_FALSE(DefaultSession().Active());
}

}  // namespace
