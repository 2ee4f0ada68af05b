// The table component's order: the diary's start-up sequence, choosing the index by name or by fields,
// adding and deleting indexes, the ORDER BY lookup and refreshing the index definitions.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "tests/engine/dataset/TableIndexTestSupport.h"
#include "vcl/db/IndexDefs.h"

namespace {

using TableIndexes = TableIndexTest;
using Days = std::vector<std::string>;

// The diary opens its day table thus: the primary index is defined on the component, selected by name,
// and the table opens in that order whatever order the days were written in.
TEST_F(TableIndexes, DiaryStartUpListsTheDaysInDateOrder) {
  AddDays({{"2024.03.01", "2024.03.01 - Péntek", ""},
           {"2023.12.31", "2023.12.31 - Vasárnap", ""},
           {"2024.01.15", "2024.01.15 - Hétfő", ""},
           {"2024.02.29", "2024.02.29 - Csütörtök", ""}});
  TSQLMemTable* table = NewDiaryTable();
  table->SetIndexName("ByShortDate");
  table->Open();
  EXPECT_EQ(Column(*table, "ShortDateDay"), (Days{"2023.12.31", "2024.01.15", "2024.02.29", "2024.03.01"}));
  table->Last();
  EXPECT_EQ(table->FieldByName("Title")->AsString(), "2024.03.01 - Péntek");
  EXPECT_EQ(table->Cursor()->IndexName(), "ByShortDate");
}

// The same sequence on a database without the table: the open makes it from the component's
// definitions, with the index, and a second component finds it there.
TEST_F(TableIndexes, DiaryStartUpOnANewTableMakesItWithTheIndex) {
  TSQLMemTable* table = NewDiaryTable();
  table->SetTableName("newdays");
  table->SetIndexName("ByShortDate");
  table->Open();
  EXPECT_TRUE(table->IsEmpty());
  table->Close();
  AddRows("newdays", {{{}, "2024.05.02", "b"}, {{}, "2024.05.01", "a"}});
  TSQLMemTable* reader = NewTable("newdays");
  reader->SetIndexFieldNames("ShortDateDay");
  reader->Open();
  EXPECT_EQ(reader->IndexName(), "");
  EXPECT_EQ(reader->Cursor()->IndexName(), "ByShortDate");
  EXPECT_EQ(Column(*reader, "Title"), (Days{"a", "b"}));
}

TEST_F(TableIndexes, SelectingByNameOrByFieldsClearsTheOther) {
  TSQLMemTable* table = OpenDiaryTable({"2024.01.02", "2024.01.01", "2024.01.03"});
  table->AddIndex("ByTitleDesc", "Title", {ixDescending});
  table->AddIndex("ByTitle", "Title", {});
  struct Step {
    const char* indexName;  // nullptr: IndexFieldNames is set instead
    const char* indexFieldNames;
    const char* cursorIndex;
    Days days;
  };
  const Step steps[] = {
      {"ByShortDate", nullptr, "ByShortDate", {"2024.01.01", "2024.01.02", "2024.01.03"}},
      {"ByTitleDesc", nullptr, "ByTitleDesc", {"2024.01.03", "2024.01.02", "2024.01.01"}},
      {nullptr, "Title", "ByTitle", {"2024.01.01", "2024.01.02", "2024.01.03"}},
      {nullptr, "", "", {"2024.01.02", "2024.01.01", "2024.01.03"}},  // no index: the order of writing
      {"ByShortDate", nullptr, "ByShortDate", {"2024.01.01", "2024.01.02", "2024.01.03"}},
      {"", nullptr, "", {"2024.01.02", "2024.01.01", "2024.01.03"}},
  };
  for (const Step& step : steps) {
    const std::string label = step.indexName != nullptr ? std::string("name ") + step.indexName
                                                        : std::string("fields ") + step.indexFieldNames;
    if (step.indexName != nullptr)
      table->SetIndexName(step.indexName);
    else
      table->SetIndexFieldNames(step.indexFieldNames);
    EXPECT_EQ(table->IndexName(), step.indexName != nullptr ? step.indexName : "") << label;
    EXPECT_EQ(table->IndexFieldNames(), step.indexFieldNames != nullptr ? step.indexFieldNames : "") << label;
    EXPECT_EQ(table->Cursor()->IndexName(), step.cursorIndex) << label;
    EXPECT_EQ(Column(*table, "ShortDateDay"), step.days) << label;
  }
}

TEST_F(TableIndexes, TheSameSelectionAgainDoesNotResync) {
  TSQLMemTable* table = OpenDiaryTable({"2024.01.02", "2024.01.01"});
  TCountingLink link(*table, *owner_);
  table->SetIndexName("ByShortDate");
  EXPECT_GT(link.changes, 0);
  EXPECT_EQ(table->FieldByName("ShortDateDay")->AsString(), "2024.01.02");  // the record stays current
  link.changes = 0;
  table->SetIndexName("ByShortDate");
  EXPECT_EQ(link.changes, 0);
  table->SetIndexFieldNames("ShortDateDay");  // another selection, though of the same index
  EXPECT_GT(link.changes, 0);
}

TEST_F(TableIndexes, ASelectionThatResolvesToNoIndexFailsTheOpen) {
  AddNumberedDays(2);
  TSQLMemTable* table = NewTable("fans");
  table->SetIndexFieldNames("Text");
  EXPECT_EQ(DatabaseErrorText([&] { table->Open(); }), "No index for fields 'Text'");
  EXPECT_FALSE(table->Active());
  table->SetIndexName("NoSuchIndex");
  EXPECT_EQ(EngineErrorCode([&] { table->Open(); }), 10325);
  EXPECT_FALSE(table->Active());
  EXPECT_EQ(table->HoldSet(), 0);
  // An open table refuses it too, and keeps its order.
  table->SetIndexName("ByShortDate");
  table->Open();
  EXPECT_EQ(EngineErrorCode([&] { table->SetIndexName("NoSuchIndex"); }), 10325);
  EXPECT_EQ(table->IndexName(), "ByShortDate");
}

TEST_F(TableIndexes, AddAndDeleteIndexOnAClosedTable) {
  TSQLMemTable* table = NewTable("fans");
  table->AddIndex("ByTitle", "Title", {ixDescending});
  EXPECT_FALSE(table->Active());
  EXPECT_EQ(table->HoldSet(), 0);
  EXPECT_FALSE(table->Exclusive());
  table->IndexDefs().Clear();
  table->UpdateIndexDefs();
  ASSERT_GE(table->IndexDefs().IndexOf("ByTitle"), 0);
  EXPECT_EQ(table->IndexDefs().Find("ByTitle")->Fields(), "Title");
  EXPECT_TRUE(table->IndexDefs().Find("ByTitle")->Options().Contains(ixDescending) ||
              table->IndexDefs().Find("ByTitle")->DescFields() == "Title");

  table->DeleteIndex("ByTitle");
  table->IndexDefs().SetUpdated(false);
  table->IndexDefs().Update();  // the framework's refresh reaches UpdateIndexDefs
  EXPECT_LT(table->IndexDefs().IndexOf("ByTitle"), 0);
  EXPECT_GE(table->IndexDefs().IndexOf("ByShortDate"), 0);
}

// Deleting the index an open table is ordered by leaves the table in the order of writing, with no
// index named, rather than on an index that is gone.
TEST_F(TableIndexes, DeletingTheCurrentIndexOfAnOpenTableFallsBackToNoIndex) {
  TSQLMemTable* table = OpenDiaryTable({"2024.01.02", "2024.01.01", "2024.01.03"});
  table->AddIndex("ByTitle", "Title", {});
  table->SetIndexName("ByTitle");
  table->Last();
  table->DeleteIndex("ByTitle");
  EXPECT_EQ(table->IndexName(), "");
  EXPECT_EQ(table->Cursor()->IndexName(), "");
  EXPECT_EQ(Column(*table, "ShortDateDay"), (Days{"2024.01.02", "2024.01.01", "2024.01.03"}));
  EXPECT_LT(table->IndexDefs().IndexOf("ByTitle"), 0);
  table->Close();
  table->Open();  // the component names no lost index
  EXPECT_EQ(table->RecordCount(), 3);
}

TEST_F(TableIndexes, IndexOperationErrorsLeaveNoHoldBehind) {
  TSQLMemTable* table = NewTable("fans");
  struct Case {
    const char* name;
    const char* fields;
    Integer code;
  };
  const Case cases[] = {{"", "Title", 20046}, {"ByTitle", "", 20047}, {"ByNothing", "Nothing", 20050},
                        {"ByShortDate", "Title", 20022}};
  for (const Case& c : cases) {
    EXPECT_EQ(EngineErrorCode([&] { table->AddIndex(c.name, c.fields, {}); }), c.code) << c.name;
    EXPECT_EQ(table->HoldSet(), 0) << c.name;
    EXPECT_FALSE(table->Exclusive()) << c.name;
  }
  EXPECT_EQ(EngineErrorCode([&] { table->DeleteIndex("NoSuchIndex"); }), 20021);
  EXPECT_EQ(table->HoldSet(), 0);
}

TEST_F(TableIndexes, FindIndexForSortNamesAnIndexThatServesTheOrder) {
  AddNumberedDays(3);
  TSQLMemTable* table = NewTable("fans");
  table->AddIndex("ByTitle", "Title", {});
  EXPECT_EQ(EngineErrorCode([&] { table->FindIndexForSort({"Title"}, {"ASC"}, {"CASE"}); }), 11382);
  table->Open();
  EXPECT_EQ(table->FindIndexForSort({"Title"}, {"ASC"}, {"CASE"}), "ByTitle");
  EXPECT_EQ(table->FindIndexForSort({"ShortDateDay"}, {"ASC"}, {"CASE"}), "ByShortDate");
  EXPECT_EQ(table->FindIndexForSort({"Title"}, {"DESC"}, {"CASE"}), "");
  EXPECT_EQ(table->FindIndexForSort({"Text"}, {"ASC"}, {"CASE"}), "");
}

TEST_F(TableIndexes, UpdateIndexDefsReadsAClosedTableAndLeavesAnOpenOne) {
  TSQLMemTable* table = NewTable("fans");
  table->IndexDefs().Add("Other", "Title", {});
  table->UpdateIndexDefs();
  ASSERT_EQ(table->IndexDefs().Count(), 1);
  EXPECT_EQ(table->IndexDefs().Items(0)->Name(), "ByShortDate");
  EXPECT_EQ(table->HoldSet(), 0);

  table->Open();
  table->IndexDefs().Add("Other", "Title", {});
  table->UpdateIndexDefs();
  EXPECT_EQ(table->IndexDefs().Count(), 2);

  // A table that does not exist yet keeps the component's definitions (and is not made by the question).
  TSQLMemTable* planned = NewDiaryTable();
  planned->SetTableName("planned");
  planned->UpdateIndexDefs();
  EXPECT_EQ(planned->IndexDefs().Count(), 1);
  EXPECT_FALSE(planned->Exists());
}

TEST_F(TableIndexes, FieldDefsOfAClosedTableComeFromTheTable) {
  TSQLMemTable* reader = NewTable("fans");
  reader->FieldDefs().Update();
  ASSERT_EQ(reader->FieldDefs().Count(), 4);
  EXPECT_EQ(reader->FieldDefs().Items(1)->Name(), "ShortDateDay");
  EXPECT_FALSE(reader->Active());
  EXPECT_EQ(reader->Cursor(), nullptr);
  EXPECT_EQ(reader->HoldSet(), 0);
}

TEST_F(TableIndexes, ChangedDefinitionsAreStored) {
  TSQLMemTable* table = NewTable("fans");
  table->Open();  // definitions read from the table are not the program's
  table->Close();
  table->UpdateIndexDefs();
  EXPECT_FALSE(table->StoreDefs());
  table->IndexDefs().Add("ByTitle", "Title", {});
  EXPECT_TRUE(table->StoreDefs());
  TSQLMemTable* other = NewTable("fans");
  other->FieldDefs().Add("A", ftInteger);
  EXPECT_TRUE(other->StoreDefs());
}

}  // namespace
