// Restructuring a table: the records and the sequence survive a new structure, and a failure at any
// step leaves the step's line in the log and the tables as the step's cleanup promises.
#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

#include "engine/foundation/SQLMemTypes.h"
#include "engine/storage/SQLMemDatabaseData.h"
#include "tests/engine/dataset/SQLMemTableTestSupport.h"
#include "vcl/rtl/Exceptions.h"
#include "vcl/rtl/Strings.h"

namespace {

class TableRestructure : public TableComponentTest {
 protected:
  void TearDown() override {
    TSQLMemTable::RestructureStepHook = nullptr;
    TableComponentTest::TearDown();
  }

  // The names of the database's tables, sorted.
  static std::vector<std::string> TableNames() {
    TStringList names;
    FindDatabaseData(kDataSetTestDatabase)->GetTableNames(names);
    std::vector<std::string> result;
    for (int i = 0; i < names.Count(); ++i) result.emplace_back(names.Strings(i));
    std::sort(result.begin(), result.end());
    return result;
  }

  // A component on "fans" whose definition copies hold the table's structure (as ALTER TABLE finds
  // them after reading the table).
  TSQLMemTable* TableWithCopies() {
    TSQLMemTable* table = NewTable();
    table->Open();
    table->Close();
    return table;
  }

  // Whether records posted through a table component reach the engine. The record copy of a
  // restructure posts into the new table through the dataset's editing.
  bool DatasetEditingAvailable() {
    TSQLMemTable* probe = NewTable("probe");
    probe->FieldDefs().Add("Day", ftString, 10);
    probe->CreateTable();
    probe->Open();
    probe->Insert();
    probe->FieldByName("Day")->SetAsString("x");
    probe->Post();
    probe->Close();
    probe->Open();
    const bool stored = probe->RecordCount() == 1;
    probe->Close();
    probe->DeleteTable();
    return stored;
  }
};

TEST_F(TableRestructure, NewColumnKeepsRecordsAndTheSequence) {
  if (!DatasetEditingAvailable()) GTEST_SKIP() << "needs the dataset's editing to post into the new table";
  AddNumberedDays(30);
  TSQLMemTable* table = TableWithCopies();
  const std::vector<std::string> before = Rows(*table);
  const std::vector<Int64> ids = RecIDs(*table);
  TSQLMemAdvFieldDef* mood = table->AdvFieldDefsCopy().Add();
  mood->Name = "Mood";
  mood->FieldType = sftInteger;

  std::vector<double> progress;
  table->OnProgress = [&](TComponent*, double percent, TSQLMemTableOperation operation, bool&) {
    EXPECT_EQ(operation, tbopRestructure);
    progress.push_back(percent);
  };
  AnsiString log = "earlier line\r\n";
  ASSERT_TRUE(table->RestructureTable(log)) << log;
  EXPECT_EQ(log, "earlier line\r\n");
  EXPECT_FALSE(table->Active());
  EXPECT_FALSE(table->Exclusive());
  ASSERT_FALSE(progress.empty());
  EXPECT_EQ(progress.front(), 0);
  EXPECT_EQ(progress.back(), 100);

  EXPECT_EQ(TableNames(), std::vector<std::string>{"fans"});
  EXPECT_EQ(Rows(*table), before);
  EXPECT_EQ(RecIDs(*table), ids);
  table->Open();
  EXPECT_NE(table->FindField("Mood"), nullptr);
  table->Close();
  // The sequence goes on after the copied values.
  AddDays({{"2099.01.01", "After", "the restructure"}});
  EXPECT_EQ(RecIDs(*table).back(), 31);
}

TEST_F(TableRestructure, RecordsTheNewStructureRefusesAreLoggedAndTheTableStays) {
  if (!DatasetEditingAvailable()) GTEST_SKIP() << "needs the dataset's editing to post into the new table";
  AddDays({{"2024.01.01", "Same", "a"}, {"2024.01.02", "Same", "b"}, {"2024.01.03", "Other", "c"}});
  TSQLMemTable* table = TableWithCopies();
  const std::vector<std::string> before = Rows(*table);
  table->IndexDefsCopy().Add("ByTitle", "Title", TIndexOptions{ixUnique});

  AnsiString log;
  EXPECT_FALSE(table->RestructureTable(log));
  const std::string text(log);
  const std::string head = "Error - restructure table 'fans' failed. Cannot copy data due to error: \r\n";
  EXPECT_EQ(text.rfind(head, 0), 0u) << text;
  EXPECT_NE(text.find("Error copying table. Record #2 was not imported due to error: "), std::string::npos) << text;
  EXPECT_EQ(TableNames(), std::vector<std::string>{"fans"});
  EXPECT_EQ(Rows(*table), before);
}

TEST_F(TableRestructure, EachFailingStepLeavesItsLineAndItsCleanup) {
  TSQLMemTable* table = TableWithCopies();  // an empty table: the copy posts nothing
  {
    // An open table is refused before any step and the log is left alone.
    TSQLMemTable* open = NewTable();
    open->Open();
    AnsiString log = "kept";
    EXPECT_THROW(open->RestructureTable(log), EDatabaseError);
    EXPECT_EQ(log, "kept");
    EXPECT_TRUE(open->Active());
    open->Close();
  }
  struct Case {
    TSQLMemRestructureStep step;
    const char* line;  // "%w" stands for the work table's name
    bool sourceStays;
  };
  const std::string prefix = "Error - restructure table 'fans' failed. ";
  const Case cases[] = {
      {TSQLMemRestructureStep::CreateStructure, "Cannot create structure for new table due to error: \r\ninjected\r\n", true},
      {TSQLMemRestructureStep::CreateWorkTable, "Cannot create temporary table '%w' due to error: \r\ninjected\r\n", true},
      {TSQLMemRestructureStep::OpenWorkTable, "Cannot open temporary table '%w' due to error: \r\ninjected\r\n", true},
      {TSQLMemRestructureStep::OpenSource, "Cannot open source table due to error: \r\ninjected\r\n", true},
      {TSQLMemRestructureStep::CopyRecords, "Cannot copy records to temporary table due to error: \r\ninjected\r\n", true},
      {TSQLMemRestructureStep::RecreateForeignKeys,
       "Cannot recreate foreign keys referencing this table due to error: \r\ninjected\r\n", true},
      {TSQLMemRestructureStep::CloseTables, "Cannot close temporary table due to error: \r\ninjected\r\n", true},
      {TSQLMemRestructureStep::DeleteSource, "Cannot delete table due to error: \r\ninjected\r\n", true},
      {TSQLMemRestructureStep::RenameWorkTable, "Cannot rename temporary table '%w' due to error: \r\ninjected\r\n", false},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(static_cast<int>(c.step));
    TSQLMemTable::RestructureStepHook = [&c](TSQLMemRestructureStep step) {
      if (step == c.step) throw EDatabaseError("injected");
    };
    AnsiString log = "before\r\n";
    EXPECT_FALSE(table->RestructureTable(log));
    EXPECT_FALSE(table->Active());
    EXPECT_FALSE(table->Exclusive());
    EXPECT_EQ(table->Database(), nullptr);

    const std::vector<std::string> names = TableNames();
    std::string workName;
    for (const std::string& name : names)
      if (name.rfind("TEMP_TABLE_fans_", 0) == 0) workName = name;
    std::string expected = "before\r\n" + prefix + c.line;
    if (const auto at = expected.find("%w"); at != std::string::npos) {
      // The work table's name as the line gives it, when the step leaves no table to read it from.
      const std::string found = std::string(log).substr(at, std::string(log).find('\'', at) - at);
      expected.replace(at, 2, workName.empty() ? found : workName);
      EXPECT_EQ(found.rfind("TEMP_TABLE_fans_", 0), 0u);
    }
    EXPECT_EQ(std::string(log), expected);
    if (c.sourceStays) {
      EXPECT_EQ(names, std::vector<std::string>{"fans"});
    } else {
      // The work table holds the only copy now; it keeps its own name.
      ASSERT_EQ(names.size(), 1u);
      EXPECT_FALSE(workName.empty());
    }
  }
}

TEST_F(TableRestructure, AbortFromTheProgressHandlerIsACopyFailure) {
  TSQLMemTable* table = TableWithCopies();
  table->OnProgress = [](TComponent*, double, TSQLMemTableOperation, bool& abort) { abort = true; };
  AnsiString log;
  EXPECT_FALSE(table->RestructureTable(log));
  EXPECT_EQ(std::string(log),
            "Error - restructure table 'fans' failed. Cannot copy data due to error: \r\nOperation aborted\r\n");
  EXPECT_EQ(TableNames(), std::vector<std::string>{"fans"});
}

TEST_F(TableRestructure, ForeignKeysOfOtherTablesFollowTheNewTable) {
  TSQLMemTable* links = NewTable("links");
  links->FieldDefs().Add("Day", ftString, 10);
  TSQLMemForeignKeyDef* key = links->ForeignKeyDefs().Add();
  key->Name = "FK_Day";
  key->ReferenceTableName = "fans";
  key->Fields = "Day";
  key->DeleteAction = fkaCascade;
  links->CreateTable();

  TSQLMemTable* table = TableWithCopies();
  for (int round = 0; round < 2; ++round) {
    AnsiString log;
    ASSERT_TRUE(table->RestructureTable(log)) << log;
  }
  EXPECT_EQ(TableNames(), (std::vector<std::string>{"fans", "links"}));
  links->Open();
  ASSERT_EQ(links->ForeignKeyDefs().Count(), 1);
  const TSQLMemForeignKeyDef* twin = links->ForeignKeyDefs().Items(0);
  EXPECT_EQ(twin->Name, "FK_Day");  // the key keeps its name
  EXPECT_EQ(twin->ReferenceTableName, "fans");
  EXPECT_EQ(twin->Fields, "Day");
  EXPECT_EQ(twin->DeleteAction, fkaCascade);
  links->Close();
}

}  // namespace
