// The table component's whole-table operations (create, delete, empty, rename, field rename, foreign
// keys), its existence test, its sequences and its form definition.
#include "engine/dataset/SQLMemTable.h"

#include <gtest/gtest.h>

#include <string>

#include "tests/engine/dataset/SQLMemTableTestSupport.h"
#include "vcl/rtl/Exceptions.h"
#include "vcl/rtl/PropertyTable.h"
#include "vcl/rtl/Reader.h"

namespace {

using TableOperations = TableComponentTest;

// The diary's table as a program defines it on a component before it creates the table.
void DefineDiaryTable(TSQLMemTable& table) {
  table.FieldDefs().Add("RecID", ftAutoInc);
  table.FieldDefs().Add("ShortDateDay", ftString, 10, true);
  table.FieldDefs().Add("Title", ftString, 25);
  table.FieldDefs().Add("Text", ftMemo);
  table.IndexDefs().Add("ByShortDate", "ShortDateDay", TIndexOptions{ixPrimary});
}

TEST_F(TableOperations, NewComponentsStartWithTheirOwnTableNames) {
  TSQLMemTable* a = NewTable();
  TSQLMemTable* b = NewTable();
  a->SetTableName(TSQLMemTable(nullptr).TableName());
  b->SetTableName(TSQLMemTable(nullptr).TableName());
  EXPECT_EQ(std::string(a->TableName()).rfind("Table", 0), 0u);
  EXPECT_NE(a->TableName(), b->TableName());
}

TEST_F(TableOperations, CreateDeleteAndExists) {
  TSQLMemTable* table = NewTable("diary");
  EXPECT_FALSE(table->Exists());
  DefineDiaryTable(*table);
  table->CreateTable();
  EXPECT_TRUE(table->Exists());
  EXPECT_FALSE(table->Active());
  EXPECT_EQ(table->Database(), nullptr);

  table->Open();
  EXPECT_TRUE(table->Exists());  // open: no question to the database
  ASSERT_EQ(table->FieldCount(), 4);
  EXPECT_EQ(table->Fields()[0]->DataType(), ftAutoInc);
  EXPECT_EQ(table->FieldByName("Text")->DataType(), ftMemo);
  EXPECT_TRUE(table->FieldDefs().Find("ShortDateDay")->Required());
  ASSERT_EQ(table->IndexDefs().Count(), 1);
  EXPECT_EQ(table->IndexDefs().Items(0)->Fields(), "ShortDateDay");
  ASSERT_EQ(table->AdvFieldDefs().Count(), 4);
  EXPECT_TRUE(table->AdvFieldDefs()[1]->Required);
  EXPECT_EQ(table->AdvFieldDefsCopy().Count(), 4);
  const std::string refused = ErrorText([&] { table->DeleteTable(); });
  EXPECT_EQ(refused, "Cannot perform this operation on an open dataset");
  table->Close();

  table->DeleteTable();
  EXPECT_FALSE(table->Exists());
  EXPECT_EQ(ErrorText([&] { table->DeleteTable(); }).rfind("Table not found", 0), 0u);
}

TEST_F(TableOperations, NamesAndDatabasesThatAreMissing) {
  TSQLMemTable* table = NewTable("");
  table->SetDatabaseName("NO SUCH DATABASE");
  EXPECT_FALSE(table->Exists());  // an empty name asks no database
  EXPECT_EQ(ErrorText([&] { table->CreateTable(); }), "Missing TableName property");
  EXPECT_EQ(ErrorText([&] { table->DeleteTable(); }), "Missing TableName property");
  table->SetTableName("fans");
  EXPECT_FALSE(table->Exists());  // no database of that name
  EXPECT_EQ(ErrorText([&] { table->CreateTable(); }), "Cannot open database 'NO SUCH DATABASE' - Native error: 11245");
  EXPECT_EQ(table->Database(), nullptr);
}

TEST_F(TableOperations, DesignTimeFieldsWithoutDefinitionsReachTheTable) {
  TSQLMemTable* table = NewTable("notes");
  auto* name = New<TStringField>(table);
  name->SetFieldName("Name");
  name->SetSize(20);
  name->SetDataSet(table);
  auto* count = New<TIntegerField>(table);
  count->SetFieldName("Count");
  count->SetDataSet(table);
  table->CreateTable();
  ASSERT_EQ(table->FieldDefs().Count(), 2);
  EXPECT_EQ(table->FieldDefs().Items(0)->Name(), "Name");
  EXPECT_EQ(table->FieldDefs().Items(0)->Size(), 20);
  table->Open();
  EXPECT_EQ(table->FieldByName("Count")->DataType(), ftInteger);
  table->Close();
}

TEST_F(TableOperations, RenameEmptyAndRenameField) {
  AddNumberedDays(5);
  TSQLMemTable* table = NewTable();
  table->RenameTable("days");
  EXPECT_EQ(table->TableName(), "days");
  EXPECT_FALSE(TableExists("fans"));
  EXPECT_EQ(Rows(*table).size(), 5u);

  table->RenameField("Title", "Caption");
  table->Open();
  EXPECT_EQ(table->FindField("Title"), nullptr);
  EXPECT_EQ(table->FieldByName("Caption")->AsString(), "Day 0");
  table->Close();

  table->EmptyTable();
  EXPECT_TRUE(table->Exists());
  table->Open();
  EXPECT_EQ(table->RecordCount(), 0);
  table->Close();
}

TEST_F(TableOperations, ForeignKeysAddAndDrop) {
  TSQLMemTable* links = NewTable("links");
  TSQLMemForeignKeyDef key;
  key.Name = "FK_Day";
  key.ReferenceTableName = "fans";
  key.Fields = "Day";
  EXPECT_EQ(ErrorText([&] { links->AddForeignKey(key); }), "Table 'links' does not exist");
  EXPECT_EQ(ErrorText([&] { links->DropConstraint("FK_Day", false); }), "Table 'links' does not exist");

  links->FieldDefs().Add("Day", ftString, 10);
  links->CreateTable();
  links->AddForeignKey(key);
  links->Open();
  ASSERT_EQ(links->ForeignKeyDefs().Count(), 1);
  EXPECT_EQ(links->ForeignKeyDefs().Items(0)->ReferenceTableName, "fans");
  links->Close();

  // The referenced table cannot go while the key ties it, unless forced.
  TSQLMemTable* fans = NewTable();
  EXPECT_EQ(ErrorText([&] { fans->DeleteTable(false); }).rfind("Cannot delete table 'fans' - foreign key constraint(s) violated", 0),
            0u);
  EXPECT_TRUE(fans->Exists());

  links->DropConstraint("FK_Day", false);
  links->Open();
  EXPECT_EQ(links->ForeignKeyDefs().Count(), 0);
  links->Close();
  fans->DeleteTable(false);
  EXPECT_FALSE(fans->Exists());
}

TEST_F(TableOperations, AutoincValuesOfTheOpenTable) {
  AddNumberedDays(3);
  TSQLMemTable* table = NewTable();
  EXPECT_EQ(ErrorText([&] { table->GetLastAutoincValue(0); }), "Dataset is not opened - Native error: 20112");
  table->Open();
  table->SetLastAutoincValue(0, 100);
  EXPECT_EQ(table->GetLastAutoincValue(0), 100);
  EXPECT_EQ(table->GetLastAutoincValueByName("recid"), 100);
  EXPECT_EQ(ErrorText([&] { table->GetLastAutoincValueByName("None"); }), "Field 'None' not found");
  EXPECT_THROW(table->GetLastAutoincValue(1), ESQLMemException);  // not an auto-increment field
  table->Close();

  bool seenAbort = true;
  table->DoProgress(tbopCopy, seenAbort, 50);  // no handler: nothing happens
  table->OnProgress = [](TComponent*, double percent, TSQLMemTableOperation operation, bool& abort) {
    abort = percent > 90 && operation == tbopCopy;
  };
  bool abort = false;
  table->DoProgress(tbopCopy, abort, 95);
  EXPECT_TRUE(abort);
}

class TdmTableTest : public TComponent {
 public:
  using TComponent::TComponent;
};

TEST_F(TableOperations, TableIsReadFromAFormDefinition) {
  RegisterSQLMemDatabaseComponents();
  RegisterSQLMemTable();
  RegisterStreamedClass<TdmTableTest, TComponent>("TdmTableTest");
  std::unique_ptr<TdmTableTest> module(New<TdmTableTest>(nullptr));
  ReadComponentFromText(*module, R"(object dmData: TdmTableTest
  object tblDays: TSQLMemTable
    DatabaseName = 'DATASETTEST'
    TableName = 'fans'
    Exclusive = True
    MemoryTableAllocBy = 50
    FieldDefs = <
      item
        Name = 'RecID'
        DataType = ftAutoInc
      end
      item
        Name = 'ShortDateDay'
        DataType = ftString
        Size = 10
        Required = True
      end>
    IndexDefs = <
      item
        Name = 'ByShortDate'
        Fields = 'ShortDateDay'
        Options = [ixPrimary, ixUnique]
      end>
  end
end)");
  auto* table = dynamic_cast<TSQLMemTable*>(module->FindComponent("tblDays"));
  ASSERT_NE(table, nullptr);
  EXPECT_EQ(table->DatabaseName(), "DATASETTEST");
  EXPECT_EQ(table->TableName(), "fans");
  EXPECT_TRUE(table->Exclusive());
  EXPECT_EQ(table->MemoryTableAllocBy(), 50);
  ASSERT_EQ(table->FieldDefs().Count(), 2);
  EXPECT_EQ(table->FieldDefs().Items(1)->DataType(), ftString);
  EXPECT_TRUE(table->FieldDefs().Items(1)->Required());
  ASSERT_EQ(table->IndexDefs().Count(), 1);
  EXPECT_TRUE(table->IndexDefs().Items(0)->Options().Contains(ixPrimary));
  EXPECT_TRUE(table->Exists());
}

}  // namespace
