#include "engine/storage/SQLMemLocalSession.h"

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <thread>
#include <vector>

#include "engine/storage/SQLMemLocalEngine.h"
#include "engine/storage/SQLMemTransaction.h"
#include "tests/engine/storage/LocalCursorTestSupport.h"
#include "tests/engine/storage/TableTestSupport.h"
#include "vcl/rtl/Stream.h"
#include "vcl/rtl/Strings.h"

namespace {

// The fixture's own in-memory database: transactions run on it, and no test leaves a table in "MEMORY".
constexpr char kDatabase[] = "SESSIONTEST";

class LocalSessionTest : public EngineBlocksTest {
 protected:
  void SetUp() override {
    EngineBlocksTest::SetUp();
    database = std::make_unique<TSQLMemMemoryDatabaseData>(kDatabase);
  }
  void TearDown() override {
    for (auto& cursor : cursors_) {
      if (cursor->CurrentRecordBuffer != nullptr) cursor->FreeRecordBuffer(cursor->CurrentRecordBuffer);
      cursor.reset();
    }
    sessions_.clear();
    database.reset();
    for (const AnsiString& name : madeDatabases_) delete FindDatabaseData(true, false, name, u"");
    EngineBlocksTest::TearDown();
  }

  // An unconnected session of the kind the database component makes.
  TSQLMemLocalSession& NewSession(const AnsiString& databaseName = kDatabase, bool inMemory = true,
                                  bool temporary = false) {
    sessions_.push_back(std::make_unique<TSQLMemLocalSession>());
    TSQLMemLocalSession& session = *sessions_.back();
    session.InMemory = inMemory ? 1 : 0;
    session.Temporary = temporary ? 1 : 0;
    session.DatabaseName = databaseName;
    session.DatabaseFileName = databaseName;
    return session;
  }
  TSQLMemLocalSession& Connected(const AnsiString& databaseName = kDatabase, bool inMemory = true,
                                 bool temporary = false) {
    TSQLMemLocalSession& session = NewSession(databaseName, inMemory, temporary);
    session.SetConnected(true);
    return session;
  }
  // A database that a test makes through a session; freed when the test ends.
  void WillMakeDatabase(const AnsiString& name) { madeDatabases_.push_back(name); }

  TSQLMemLocalCursor& NewCursor(TSQLMemLocalSession& session) {
    cursors_.push_back(std::make_unique<TSQLMemLocalCursor>());
    TSQLMemLocalCursor& cursor = *cursors_.back();
    cursor.Session = &session;
    cursor.InMemory = 1;
    cursor.TableName = "Days";
    return cursor;
  }
  static void Open(TSQLMemLocalCursor& cursor) {
    cursor.OpenTable(nullptr, nullptr, nullptr);
    if (cursor.CurrentRecordBuffer == nullptr) cursor.CurrentRecordBuffer = cursor.AllocRecordBuffer();
    cursor.SetIndexName("ByShortDate");
  }
  // The diary's table in the fixture's database, with a cursor open on it.
  TSQLMemLocalCursor& CreateDays(TSQLMemLocalSession& session) {
    TSQLMemLocalCursor& cursor = NewCursor(session);
    const DiarySchema schema;
    cursor.CreateTable(schema.fields, schema.indexes, schema.constraints);
    Open(cursor);
    return cursor;
  }

  static Integer PostDay(TSQLMemLocalCursor& cursor, const std::string& day, const std::string& title) {
    cursor.InitRecordBuffer(cursor.CurrentRecordBuffer);
    cursor.ClearRecordBuffer(cursor.CurrentRecordBuffer, true);
    PutText(cursor, kShortDateDay, day);
    PutText(cursor, kTitle, title);
    cursor.PostRecord(true);
    return cursor.ResultCode;
  }
  // Finds the day and reads it; the dataset keeps the record's position in the buffer's trailer.
  static void GoTo(TSQLMemLocalCursor& cursor, const std::string& day) {
    ASSERT_TRUE(cursor.Locate("ShortDateDay", Variant(day.c_str()), false, false)) << day;
    ASSERT_EQ(cursor.GetRecord(ndCurrent), nrFound);
    cursor.SetTrailerPosition(cursor.CurrentRecordBuffer,
                              TSQLMemRecordID{cursor.PageNo, static_cast<Word>(cursor.ItemNo)});
  }
  static std::vector<std::string> Days(TSQLMemLocalCursor& cursor) {
    std::vector<std::string> days;
    cursor.SetBeginOfData();
    while (cursor.GetRecord(ndNext) == nrFound)
      days.push_back(Text(cursor, kShortDateDay) + "|" + Text(cursor, kTitle));
    return days;
  }

  std::unique_ptr<TSQLMemMemoryDatabaseData> database;

 private:
  std::vector<std::unique_ptr<TSQLMemLocalCursor>> cursors_;
  std::vector<std::unique_ptr<TSQLMemLocalSession>> sessions_;
  std::vector<AnsiString> madeDatabases_;
};

// ---- connecting ----

TEST_F(LocalSessionTest, SessionsConnectAndDisconnectWithTheirIdsAndOptionBytes) {
  TSQLMemLocalSession& first = NewSession();
  first.Option1 = 0x5A;
  first.Option2 = 0x01;
  EXPECT_FALSE(first.GetConnected());
  EXPECT_EQ(first.SessionId, -1);
  first.SetConnected(true);
  first.SetConnected(true);  // registers once
  TSQLMemLocalSession& second = Connected();
  EXPECT_TRUE(first.GetConnected());
  EXPECT_EQ(first.DatabaseData(), database.get());
  EXPECT_EQ(first.SessionId, 0);
  EXPECT_EQ(second.SessionId, 1);
  EXPECT_EQ(database->GetSessionCount(), 2);
  // The component's option bytes come back as it set them.
  EXPECT_EQ(first.Option1, 0x5A);
  EXPECT_EQ(first.Option2, 0x01);

  first.SetConnected(false);
  first.SetConnected(false);
  EXPECT_FALSE(first.GetConnected());
  EXPECT_EQ(database->GetSessionCount(), 1);
  EXPECT_EQ(first.Option1, 0x5A);
  EXPECT_EQ(first.Option2, 0x01);
  // Coming back is a new registration with a new id.
  first.SetConnected(true);
  EXPECT_EQ(first.SessionId, 2);
  EXPECT_EQ(database->GetSessionCount(), 2);
}

TEST_F(LocalSessionTest, EachKindOfSessionFindsItsDatabase) {
  TSQLMemDatabaseData* memory = FindDatabaseData(true, false, "MEMORY", u"");
  TSQLMemDatabaseData* temp = FindDatabaseData(false, true, "TEMP", u"");
  ASSERT_NE(memory, nullptr);
  ASSERT_NE(temp, nullptr);
  EXPECT_EQ(Connected("memory").DatabaseData(), memory);  // names compare without case
  EXPECT_EQ(Connected("TEMP", false, true).DatabaseData(), temp);

  // Kinds of database that the engine does not carry are refused and stay unconnected: a disk
  // database, and a temporary one other than "TEMP".
  for (TSQLMemLocalSession* session : {&NewSession("diary.db", false, false), &NewSession("OTHER", false, true)}) {
    ExpectEngineError([&] { session->SetConnected(true); }, 10888,
                      "Error - operation is not supported - Native error: 10888");
    EXPECT_FALSE(session->GetConnected());
    EXPECT_EQ(session->DatabaseData(), nullptr);
  }
}

TEST_F(LocalSessionTest, AnInMemorySessionMakesItsDatabaseWhichOutlivesTheSession) {
  WillMakeDatabase("ONDEMAND");
  ASSERT_EQ(FindDatabaseData(true, false, "ONDEMAND", u""), nullptr);
  TSQLMemLocalSession& session = Connected("ONDEMAND");
  TSQLMemDatabaseData* made = FindDatabaseData(true, false, "ONDEMAND", u"");
  ASSERT_NE(made, nullptr);
  EXPECT_EQ(session.DatabaseData(), made);
  EXPECT_EQ(session.SessionId, 0);
  session.SetConnected(false);
  EXPECT_EQ(FindDatabaseData(true, false, "ONDEMAND", u""), made);
  EXPECT_EQ(made->GetSessionCount(), 0);
}

TEST_F(LocalSessionTest, CreateDatabaseMakesANewDatabaseAndRefusesAnOpenOne) {
  WillMakeDatabase("CREATED");
  TSQLMemLocalSession& session = NewSession("CREATED");
  EXPECT_FALSE(session.DatabaseExists());
  session.CreateDatabase();
  EXPECT_FALSE(session.GetConnected());
  EXPECT_TRUE(session.DatabaseExists());
  ExpectEngineError([&] { session.CreateDatabase(); }, 20092,
                    "Cannot create database. Database is already open - Native error: 20092");
  ExpectEngineError([&] { NewSession().CreateDatabase(); }, 20092,
                    "Cannot create database. Database is already open - Native error: 20092");
  ExpectEngineError([&] { NewSession("NEWDISK", false, false).CreateDatabase(); }, 10888,
                    "Error - operation is not supported - Native error: 10888");
  // A disk session asks for the file.
  EXPECT_FALSE(NewSession("/no/such/folder/diary.db", false, false).DatabaseExists());
}

TEST_F(LocalSessionTest, TableNamesAndExistenceComeFromTheDatabaseConnectingOnDemand) {
  CreateDays(Connected());
  TSQLMemLocalSession& later = NewSession();
  EXPECT_TRUE(later.TableExists("DAYS"));
  EXPECT_TRUE(later.GetConnected());
  EXPECT_FALSE(later.TableExists("Nights"));
  TStringList names;
  later.GetTableNames(names);
  ASSERT_EQ(names.Count(), 1);
  EXPECT_EQ(names.Strings(0), "Days");
  ExpectEngineError([&] { NewSession("x.db", false, false).TableExists("Days"); }, 10888,
                    "Error - operation is not supported - Native error: 10888");
}

TEST_F(LocalSessionTest, DeletingAConnectedSessionLeavesTheDatabase) {
  auto session = std::make_unique<TSQLMemLocalSession>();
  session->InMemory = 1;
  session->DatabaseName = kDatabase;
  session->SetConnected(true);
  session->StartTransaction();
  EXPECT_EQ(database->GetSessionCount(), 1);
  session.reset();
  EXPECT_EQ(database->GetSessionCount(), 0);
}

TEST_F(LocalSessionTest, TheDatabaseStreamCarriesEveryTableToAnotherDatabase) {
  TSQLMemLocalSession& session = Connected();
  TSQLMemLocalCursor& days = CreateDays(session);
  ASSERT_EQ(PostDay(days, "2024.03.01", "first"), 0) << days.ErrorText;
  ASSERT_EQ(PostDay(days, "2024.03.02", "second"), 0) << days.ErrorText;
  TSQLMemLocalCursor& notes = NewCursor(session);
  notes.TableName = "Notes";
  const DiarySchema schema;
  notes.CreateTable(schema.fields, schema.indexes, schema.constraints);
  TMemoryStream stream;
  // The open cursor on Days does not stop the save.
  session.SaveDatabaseToStream(stream, 1, 9, 2097152);

  WillMakeDatabase("SESSIONCOPY");
  TSQLMemLocalSession& copy = NewSession("SESSIONCOPY");
  stream.SetPosition(0);
  copy.LoadDatabaseFromStream(stream);  // connects on demand
  EXPECT_TRUE(copy.GetConnected());
  EXPECT_EQ(stream.GetPosition(), stream.GetSize());
  TStringList names;
  copy.GetTableNames(names);
  ASSERT_EQ(names.Count(), 2);
  EXPECT_EQ(names.Strings(0), "Days");
  EXPECT_EQ(names.Strings(1), "Notes");
  TSQLMemLocalCursor& copied = NewCursor(copy);
  Open(copied);
  EXPECT_EQ(Days(copied), (std::vector<std::string>{"2024.03.01|first", "2024.03.02|second"}));

  // A stream that ends before its count.
  TMemoryStream empty;
  EXPECT_EQ(NativeErrorOf([&] { copy.LoadDatabaseFromStream(empty); }), 11760);
  // The temporary database has no stream of its own.
  ExpectEngineError([&] { Connected("TEMP", false, true).SaveDatabaseToStream(stream, 0, 0, 0); }, 30035,
                    "Not implemented yet - Native error: 30035");
}

// ---- transaction statements ----

TEST_F(LocalSessionTest, TransactionsAreRefusedOnTheStartupDatabasesAndRunOnOthers) {
  struct Case {
    const char* database;
    bool inMemory, temporary;
    Integer code;  // of StartTransaction; 0 = it starts
  } cases[] = {
      {"MEMORY", true, false, 10831},
      {"Memory", true, false, 10831},  // the start-up database, whatever case the component uses
      {"TEMP", false, true, 10831},
      {kDatabase, true, false, 0},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.database);
    TSQLMemLocalSession& session = Connected(c.database, c.inMemory, c.temporary);
    const Integer code = NativeErrorOf([&] { session.StartTransaction(); });
    EXPECT_EQ(code, c.code);
    EXPECT_EQ(session.InTransaction(), c.code == 0);
  }
  ExpectEngineError([&] { Connected("MEMORY").StartTransaction(); }, 10831,
                    "Cannot start transaction. Only disk databases are allowed for this - Native error: 10831");
}

TEST_F(LocalSessionTest, TransactionStatementsAnswerAsSpecified) {
  TSQLMemLocalSession& unconnected = NewSession();
  ExpectEngineError([&] { unconnected.StartTransaction(); }, 10813, "Nil pointer occured - Native error: 10813");
  ExpectEngineError([&] { unconnected.Commit(false); }, 10815, "Nil pointer occured - Native error: 10815");
  ExpectEngineError([&] { unconnected.Rollback(); }, 10817, "Nil pointer occured - Native error: 10817");

  TSQLMemLocalSession& session = Connected();
  ExpectEngineError([&] { session.Commit(false); }, 10816,
                    "Transaction is not started in database 'SESSIONTEST' - Native error: 10816");
  ExpectEngineError([&] { session.Rollback(); }, 10818,
                    "Transaction is not started in database 'SESSIONTEST' - Native error: 10818");
  session.StartTransaction();
  ExpectEngineError([&] { session.StartTransaction(); }, 10814,
                    "Transaction already started in database 'SESSIONTEST' - Native error: 10814");
  EXPECT_TRUE(session.InTransaction());
  session.Commit(true);
  EXPECT_FALSE(session.InTransaction());
  session.StartTransaction();
  session.Rollback();
  EXPECT_FALSE(session.InTransaction());
  // Disconnecting ends an open transaction.
  session.StartTransaction();
  session.SetConnected(false);
  EXPECT_FALSE(session.InTransaction());
}

TEST_F(LocalSessionTest, RollbackRestoresCursorPositionsAndShowsTheStoredData) {
  TSQLMemLocalSession& session = Connected();
  TSQLMemLocalCursor& cursor = CreateDays(session);
  ASSERT_EQ(PostDay(cursor, "2024.03.01", "first"), 0) << cursor.ErrorText;
  ASSERT_EQ(PostDay(cursor, "2024.03.02", "second"), 0) << cursor.ErrorText;
  ASSERT_EQ(PostDay(cursor, "2024.03.03", "third"), 0) << cursor.ErrorText;
  // Another session's cursor on the same table keeps its own place.
  TSQLMemLocalCursor& other = NewCursor(Connected());
  Open(other);
  GoTo(other, "2024.03.03");

  GoTo(cursor, "2024.03.02");
  session.StartTransaction();
  PutText(cursor, kTitle, "second, edited");
  cursor.PostRecord(false);
  ASSERT_EQ(cursor.ResultCode, 0) << cursor.ErrorText;
  ASSERT_EQ(PostDay(cursor, "2024.03.04", "fourth"), 0) << cursor.ErrorText;
  GoTo(other, "2024.03.01");
  EXPECT_EQ(Text(cursor, kShortDateDay), "2024.03.04");
  // A cursor opened during the transaction has nowhere to go back to and keeps its edit.
  TSQLMemLocalCursor& late = NewCursor(session);
  Open(late);
  GoTo(late, "2024.03.01");
  PutText(late, kTitle, "not posted");
  session.Rollback();

  // The cursor is back on the day it stood on, and shows what the table holds: the rollback undid
  // neither the edit nor the insert.
  EXPECT_FALSE(TSQLMemTransaction::kRollbackDiscardsChanges);
  EXPECT_EQ(Text(cursor, kShortDateDay), "2024.03.02");
  EXPECT_EQ(Text(cursor, kTitle), "second, edited");
  EXPECT_EQ(cursor.GetRecord(ndNext), nrFound);
  EXPECT_EQ(Text(cursor, kShortDateDay), "2024.03.03");
  EXPECT_EQ(Text(other, kShortDateDay), "2024.03.01");
  EXPECT_EQ(Text(late, kTitle), "not posted");
  EXPECT_EQ(Days(cursor), (std::vector<std::string>{"2024.03.01|first", "2024.03.02|second, edited", "2024.03.03|third",
                                                    "2024.03.04|fourth"}));
}

TEST_F(LocalSessionTest, RollbackOfACursorWhoseRecordWasDeletedShowsNoDeletedValues) {
  TSQLMemLocalSession& session = Connected();
  TSQLMemLocalCursor& cursor = CreateDays(session);
  ASSERT_EQ(PostDay(cursor, "2024.03.01", "first"), 0) << cursor.ErrorText;
  ASSERT_EQ(PostDay(cursor, "2024.03.02", "second"), 0) << cursor.ErrorText;
  GoTo(cursor, "2024.03.01");
  session.StartTransaction();
  cursor.DeleteRecord();
  ASSERT_EQ(cursor.ResultCode, 0) << cursor.ErrorText;
  session.Rollback();
  // The deleted day stays deleted, and the cursor stands on the first day left.
  EXPECT_EQ(cursor.GetRecordCount(), 1);
  EXPECT_EQ(Text(cursor, kShortDateDay), "2024.03.02");
  EXPECT_EQ(cursor.GetRecNo(), 1);
  EXPECT_EQ(Days(cursor), (std::vector<std::string>{"2024.03.02|second"}));
}

// ---- the transaction's table locks ----

// A database that reports table locks of its sessions and refuses the lock modes it is told to.
class LockingDatabase : public TSQLMemMemoryDatabaseData {
 public:
  LockingDatabase() : TSQLMemMemoryDatabaseData("LOCKING") {}
  void GetSessionTableLocks(Integer /*sessionId*/,
                            std::vector<std::pair<AnsiString, TSQLMemTableLockState>>& locks) override {
    locks = reported;
  }
  bool LockTable(const AnsiString& tableName, Integer /*sessionId*/, TSQLMemTableLockState& state,
                 Integer mode) override {
    log.push_back("lock " + std::string(tableName) + " " + std::to_string(mode));
    if (mode == 2) state.ModificationCount = 1;  // the table is written in the transaction
    return mode != refusedMode;
  }
  bool UnlockTable(const AnsiString& tableName, Integer /*sessionId*/, TSQLMemTableLockState& /*state*/) override {
    log.push_back("unlock " + std::string(tableName));
    return !refuseUnlock;
  }

  std::vector<std::pair<AnsiString, TSQLMemTableLockState>> reported;
  Integer refusedMode = -1;
  bool refuseUnlock = false;
  std::vector<std::string> log;
};

TEST_F(LocalSessionTest, StartingLocksTheReportedTablesOrRefuses) {
  TSQLMemTableLockState exclusive;
  exclusive.ExclusiveCount = 1;
  TSQLMemTableLockState held;
  held.LockCount = 1;
  struct Case {
    TSQLMemTableLockState state;
    Integer refusedMode;
    Integer code;
    const char* message;
  } cases[] = {
      {held, -1, 10824, "Cannot start transaction due to remaining table locks in table 'days' - Native error: 10824"},
      {exclusive, 5, 10827,
       "Error - cannot lock table in 'X' mode, table name = 'DAYS', SessionID = 0 - Native error: 10827"},
      {{},
       0,
       10828,
       "Error - cannot lock table in 'IS' mode, table name = 'DAYS', SessionID = 0 - Native error: 10828"},
      {{},
       2,
       10829,
       "Error - cannot lock table in 'IRW' mode, table name = 'DAYS', SessionID = 0 - Native error: 10829"},
  };
  for (const Case& c : cases) {
    LockingDatabase locking;
    locking.reported = {{"days", c.state}};
    locking.refusedMode = c.refusedMode;
    TSQLMemLocalSession session;
    session.InMemory = 1;
    session.DatabaseName = "LOCKING";
    session.SetConnected(true);
    ExpectEngineError([&] { session.StartTransaction(); }, c.code, c.message);
    EXPECT_FALSE(session.InTransaction());
  }
}

TEST_F(LocalSessionTest, CommitRelocksTheModifiedTablesAndRollsBackWhenOneIsRefused) {
  LockingDatabase locking;
  locking.reported = {{"days", {}}, {"notes", {}}};
  TSQLMemLocalSession session;
  session.InMemory = 1;
  session.DatabaseName = "LOCKING";
  session.SetConnected(true);
  session.StartTransaction();
  EXPECT_EQ(session.Transaction()->LockedTableCount(), 2);
  session.Commit(false);
  EXPECT_EQ(locking.log, (std::vector<std::string>{"lock DAYS 0", "lock DAYS 2", "lock NOTES 0", "lock NOTES 2",
                                                   "lock DAYS 3", "lock NOTES 3", "unlock DAYS", "unlock NOTES"}));

  locking.log.clear();
  locking.refusedMode = 3;
  session.StartTransaction();
  ExpectEngineError([&] { session.Commit(false); }, 10826,
                    "Commit operation failed - rollback called. Some of modified tables are locked by other sessions - "
                    "Native error: 10826");
  EXPECT_FALSE(session.InTransaction());
  EXPECT_EQ(locking.log, (std::vector<std::string>{"lock DAYS 0", "lock DAYS 2", "lock NOTES 0", "lock NOTES 2",
                                                   "lock DAYS 3", "unlock DAYS", "unlock NOTES"}));

  // A table the database will not unlock: the rollback says so, and the transaction is over.
  locking.refusedMode = -1;
  locking.refuseUnlock = true;
  session.StartTransaction();
  ExpectEngineError([&] { session.Rollback(); }, 10825,
                    "Cannot unlock table 'DAYS' in transaction, SessionID = 0 - Native error: 10825");
  EXPECT_FALSE(session.InTransaction());
  // A commit swallows it: the commit itself has happened.
  session.StartTransaction();
  session.Commit(false);
  EXPECT_FALSE(session.InTransaction());
}

TEST_F(LocalSessionTest, AnUnfinishedTransactionIsReportedByItsCheckNotByItsDestructor) {
  TSQLMemLocalSession& session = Connected();
  {
    TSQLMemTransaction transaction(session, *database);
    ExpectEngineError([&] { transaction.CheckFinished(); }, 10819, "Transaction is not finished - Native error: 10819");
    EXPECT_FALSE(transaction.Finished());
  }  // leaving it unfinished raises nothing
  TSQLMemTransaction committed(session, *database);
  committed.Commit(false);
  EXPECT_TRUE(committed.Finished());
  EXPECT_EQ(committed.LockedTableCount(), 0);
  EXPECT_NO_THROW(committed.CheckFinished());
}

// ---- sessions on threads ----

TEST_F(LocalSessionTest, TwoThreadsWithTheirOwnSessionsInsertIntoOneTableWithoutLoss) {
  CreateDays(Connected());
  constexpr int kDaysPerThread = 300;
  TSQLMemLocalCursor& first = NewCursor(Connected());
  TSQLMemLocalCursor& second = NewCursor(Connected());
  Open(first);
  Open(second);
  std::vector<std::string> failures[2];
  auto insert = [&](TSQLMemLocalCursor& cursor, char prefix, std::vector<std::string>& failed) {
    for (int i = 0; i < kDaysPerThread; ++i) {
      const std::string day = prefix + std::to_string(100000 + i);
      if (PostDay(cursor, day, std::string(1, prefix)) != 0) failed.push_back(day + ": " + cursor.ErrorText);
    }
  };
  std::thread a(insert, std::ref(first), 'A', std::ref(failures[0]));
  std::thread b(insert, std::ref(second), 'B', std::ref(failures[1]));
  a.join();
  b.join();
  EXPECT_TRUE(failures[0].empty()) << failures[0].front();
  EXPECT_TRUE(failures[1].empty()) << failures[1].front();

  EXPECT_EQ(first.GetRecordCount(), 2 * kDaysPerThread);
  const std::vector<std::string> days = Days(first);
  ASSERT_EQ(days.size(), 2u * kDaysPerThread);
  for (int i = 0; i < kDaysPerThread; ++i) {
    EXPECT_EQ(days[i], "A" + std::to_string(100000 + i) + "|A");
    EXPECT_EQ(days[kDaysPerThread + i], "B" + std::to_string(100000 + i) + "|B");
  }
  // Every record took its own RecID.
  std::vector<bool> seen(2 * kDaysPerThread + 1, false);
  first.SetBeginOfData();
  while (first.GetRecord(ndNext) == nrFound) {
    TSQLMemVariant id;
    first.GetFieldValue(id, kRecID, true, false);
    const Int64 recId = id.GetAsLargeInt();
    ASSERT_GE(recId, 1);
    ASSERT_LE(recId, 2 * kDaysPerThread);
    EXPECT_FALSE(seen[recId]) << recId;
    seen[recId] = true;
  }
}

}  // namespace
