#include "engine/storage/SQLMemDatabaseData.h"

#include <gtest/gtest.h>

#include <memory>

#include "engine/foundation/EngineTestSupport.h"
#include "engine/foundation/SQLMemTypes.h"
#include "engine/storage/SQLMemSession.h"
#include "engine/storage/TestCursor.h"
#include "vcl/rtl/Strings.h"

namespace {

using DatabaseDataTest = EngineBlocksTest;

TEST_F(DatabaseDataTest, StartUpCreatesMemoryAndTempAndFindDatabaseDataMatchesByKind) {
  TSQLMemDatabaseData* memory = FindDatabaseData(true, false, "MEMORY", u"");
  TSQLMemDatabaseData* temp = FindDatabaseData(false, true, "TEMP", u"");
  ASSERT_NE(memory, nullptr);
  ASSERT_NE(temp, nullptr);
  EXPECT_EQ(memory->InMemory(), 1);
  EXPECT_EQ(memory->Temporary(), 0);
  EXPECT_EQ(temp->Temporary(), 1);

  TSQLMemDatabaseData onFile("Diary", false, false);
  onFile.FileName = u"C:\\Diary\\qnt.dat";
  const struct {
    bool inMemory, temporary;
    const char* name;
    const char16_t* fileName;
    TSQLMemDatabaseData* expected;
  } cases[] = {
      {true, false, "memory", u"", memory},           // names ignore case
      {false, true, "temp", u"", temp},
      {true, true, "MEMORY", u"", nullptr},           // both kinds: nothing
      {true, false, "TEMP", u"", nullptr},            // TEMP is no in-memory database
      {false, true, "MEMORY", u"", nullptr},
      {false, false, "TEMP", u"", temp},              // neither kind, no file: by name among all
      {false, false, "diary", u"", &onFile},
      {false, false, "other", u"c:\\diary\\QNT.DAT", &onFile},  // by file name
      {false, false, "Diary", u"C:\\elsewhere.dat", nullptr},
      {true, false, "MEMORY", u"C:\\elsewhere.dat", memory},  // a kind ignores the file name
      {true, false, "Nothing", u"", nullptr},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(std::string(c.name) + (c.inMemory ? " memory" : "") + (c.temporary ? " temporary" : ""));
    EXPECT_EQ(FindDatabaseData(c.inMemory, c.temporary, c.name, c.fileName), c.expected);
  }
}

TEST_F(DatabaseDataTest, ADatabaseLeavesTheListWhenFreed) {
  auto database = std::make_unique<TSQLMemDatabaseData>("Extra", true, false);
  EXPECT_EQ(FindDatabaseData(true, false, "EXTRA", u""), database.get());
  database.reset();
  EXPECT_EQ(FindDatabaseData(true, false, "EXTRA", u""), nullptr);
  EXPECT_NE(FindDatabaseData(true, false, "MEMORY", u""), nullptr);
}

TEST_F(DatabaseDataTest, ObjectIdsStartAtOneAndStayWithinInt32) {
  TSQLMemDatabaseData database("Ids", true, false);
  EXPECT_EQ(database.NextObjectId(), 1);
  EXPECT_EQ(database.NextObjectId(), 2);
  EXPECT_EQ(database.NextObjectId(), 3);
  TSQLMemDatabaseData other("Ids2", true, false);
  EXPECT_EQ(other.NextObjectId(), 1) << "each database has its own sequence";
}

TEST_F(DatabaseDataTest, ALoadedObjectIdValueRaisesTheSequenceButNeverLowersIt) {
  TSQLMemDatabaseData database("IDS", true, false);
  database.NextObjectId();
  database.NextObjectId();
  database.RaiseObjectIdSequenceValue(1);
  EXPECT_EQ(database.ObjectIdSequenceValue(), 2);
  database.RaiseObjectIdSequenceValue(40);
  EXPECT_EQ(database.ObjectIdSequenceValue(), 40);
  EXPECT_EQ(database.NextObjectId(), 41) << "objects made after a load get ids past the loaded ones";
}

class CountingSession : public TSQLMemBaseSession {
 public:
  bool GetConnected() override { return false; }
  void SetConnected(bool) override {}
};

TEST_F(DatabaseDataTest, SessionCountFollowsAttachAndDetach) {
  TSQLMemDatabaseData database("Sessions", true, false);
  CountingSession a, b;
  database.AddSession(&a);
  database.AddSession(&b);
  EXPECT_EQ(database.GetSessionCount(), 2);
  database.RemoveSession(&a);
  EXPECT_EQ(database.GetSessionCount(), 1);
  database.RemoveSession(&a);  // not attached any more: nothing happens
  EXPECT_EQ(database.GetSessionCount(), 1);
}

class FakeTable : public TSQLMemDatabaseTable {
 public:
  FakeTable(const AnsiString& name, int& freed) : name_(name), freed_(freed) {}
  ~FakeTable() override { ++freed_; }
  const AnsiString& GetTableName() const override { return name_; }
  Cardinal GetNameHash() const override { return NameHash(name_, true); }
  void MarkDirectRemoval() override { marked = true; }
  bool marked = false;

 private:
  AnsiString name_;
  int& freed_;
};

TEST_F(DatabaseDataTest, TablesAreFoundByNameWhateverTheCaseAndFreedWithTheDatabase) {
  int freed = 0;
  auto database = std::make_unique<TSQLMemDatabaseData>("Tables", true, false);
  auto* days = new FakeTable("Days", freed);
  database->AddTable(days);
  database->AddTable(nullptr);  // a hole in the list is skipped everywhere
  database->AddTable(new FakeTable("Notes", freed));
  EXPECT_TRUE(database->TableExists("DAYS"));
  EXPECT_FALSE(database->TableExists("Weeks"));
  EXPECT_FALSE(database->TableExists(""));

  TestCursor cursor({{"A", sftInteger, 0}});
  cursor.TableName = "notes";
  ASSERT_NE(database->FindTableData(cursor), nullptr);
  EXPECT_EQ(database->FindTableData(cursor)->GetTableName(), "Notes");
  EXPECT_EQ(database->GetTableData(cursor), database->FindTableData(cursor));
  cursor.TableName = "Weeks";
  EXPECT_EQ(database->FindTableData(cursor), nullptr);

  TStringList names;
  database->GetTableNames(names);
  ASSERT_EQ(names.Count(), 2);
  EXPECT_EQ(names.Strings(0), "Days");
  EXPECT_EQ(names.Strings(1), "Notes");

  database->RemoveTable(days);
  EXPECT_FALSE(database->TableExists("Days"));
  database->AddTable(days);
  database.reset();
  EXPECT_EQ(freed, 2);
}

}  // namespace
