// Master/detail: a detail table restricted to the records of its master's current record, following
// the master's scrolls, and new detail records that take the master's values.
#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

#include "tests/engine/dataset/TableIndexTestSupport.h"
#include "vcl/rtl/PropertyTable.h"
#include "vcl/rtl/Reader.h"

namespace {

using Notes = std::vector<std::string>;

class TableMasterDetail : public TableIndexTest {
 protected:
  void SetUp() override {
    TableIndexTest::SetUp();
    master_ = OpenDiaryTable({"2024.01.02", "2024.01.01", "2024.01.03"});
    master_->SetIndexName("ByShortDate");
    master_->First();
    source_ = New<TDataSource>(owner_.get());
    source_->SetDataSet(master_);

    // Notes of a day: the day and a running number make the key.
    detail_ = NewTable("notes");
    detail_->FieldDefs().Add("Day", ftString, 10);
    detail_->FieldDefs().Add("No", ftInteger);
    detail_->FieldDefs().Add("Note", ftString, 20);
    detail_->IndexDefs().Add("ByDay", "Day;No", {ixPrimary});
    detail_->CreateTable();
    AddRows("notes", {{"2024.01.01", 1, "1/1"},
                      {"2024.01.03", 1, "3/1"},
                      {"2024.01.01", 2, "1/2"},
                      {"2024.01.03", 2, "3/2"},
                      {"2024.01.03", 3, "3/3"}});
    detail_->SetIndexName("ByDay");
  }

  Notes DetailNotes() { return Column(*detail_, "Note"); }

  TSQLMemTable* master_ = nullptr;
  TSQLMemTable* detail_ = nullptr;
  TDataSource* source_ = nullptr;
};

TEST_F(TableMasterDetail, TheDetailFollowsTheMastersScrolls) {
  detail_->SetMasterSource(source_);
  detail_->SetMasterFields("ShortDateDay");
  EXPECT_EQ(detail_->MasterSource(), source_);
  EXPECT_EQ(detail_->MasterFields(), "ShortDateDay");
  detail_->Open();
  EXPECT_EQ(DetailNotes(), (Notes{"1/1", "1/2"}));
  master_->Next();  // 2024.01.02 has no notes
  EXPECT_TRUE(detail_->IsEmpty());
  master_->Next();
  EXPECT_EQ(DetailNotes(), (Notes{"3/1", "3/2", "3/3"}));
  master_->First();
  EXPECT_EQ(DetailNotes(), (Notes{"1/1", "1/2"}));

  // A new detail record starts with the master's value.
  detail_->Insert();
  EXPECT_EQ(detail_->FieldByName("Day")->AsString(), "2024.01.01");
  EXPECT_TRUE(detail_->FieldByName("No")->IsNull());
  detail_->Cancel();

  // The master closes: the detail shows every record again; it opens: the detail follows again.
  master_->Close();
  EXPECT_EQ(DetailNotes().size(), 5u);
  master_->Open();
  EXPECT_EQ(DetailNotes(), (Notes{"1/1", "1/2"}));
}

TEST_F(TableMasterDetail, TwoMasterFieldsMatchTheFirstTwoIndexFields) {
  TSQLMemTable* pairs = NewTable("pairs");
  pairs->FieldDefs().Add("Day", ftString, 10);
  pairs->FieldDefs().Add("No", ftInteger);
  pairs->IndexDefs().Add("ByPair", "Day;No", {ixPrimary});
  pairs->CreateTable();
  AddRows("pairs", {{"2024.01.03", 2}, {"2024.01.01", 1}});
  pairs->SetIndexName("ByPair");
  pairs->Open();
  auto* pairSource = New<TDataSource>(owner_.get());
  pairSource->SetDataSet(pairs);

  detail_->SetMasterSource(pairSource);
  detail_->SetMasterFields("Day;No");
  detail_->Open();
  EXPECT_EQ(DetailNotes(), (Notes{"1/1"}));
  pairs->Next();
  EXPECT_EQ(DetailNotes(), (Notes{"3/2"}));
}

// A large-integer key takes the master's value as a 64-bit number, and a null master value as a null
// key, so the detail shows its records without a value.
TEST_F(TableMasterDetail, ALargeIntegerKeyTakesNullMasterValuesAsNull) {
  TSQLMemTable* owners = NewTable("owners");
  owners->FieldDefs().Add("Id", ftInteger);
  owners->FieldDefs().Add("Big", ftLargeint);
  owners->IndexDefs().Add("ById", "Id", {ixPrimary});
  owners->CreateTable();
  AddRows("owners", {{1, 7}, {2, {}}, {3, 8}});
  owners->SetIndexName("ById");
  owners->Open();
  auto* ownerSource = New<TDataSource>(owner_.get());
  ownerSource->SetDataSet(owners);

  TSQLMemTable* items = NewTable("items");
  items->FieldDefs().Add("Big", ftLargeint);
  items->FieldDefs().Add("Name", ftString, 10);
  items->IndexDefs().Add("ByBig", "Big", {});
  items->CreateTable();
  AddRows("items", {{8, "eight"}, {{}, "none"}, {7, "seven"}, {7, "seven 2"}});
  items->SetIndexName("ByBig");
  items->SetMasterSource(ownerSource);
  items->SetMasterFields("Big");
  items->Open();
  Notes sevens = Column(*items, "Name");
  std::sort(sevens.begin(), sevens.end());  // equal keys come in the engine's order
  EXPECT_EQ(sevens, (Notes{"seven", "seven 2"}));
  owners->Next();
  EXPECT_EQ(Column(*items, "Name"), (Notes{"none"}));
  owners->Next();
  EXPECT_EQ(Column(*items, "Name"), (Notes{"eight"}));
}

TEST_F(TableMasterDetail, TheMasterFieldsAndTheIndexReapplyTheRange) {
  detail_->SetMasterSource(source_);
  detail_->Open();
  EXPECT_EQ(DetailNotes().size(), 5u);  // no master fields: no restriction
  detail_->SetMasterFields("ShortDateDay");
  EXPECT_EQ(DetailNotes(), (Notes{"1/1", "1/2"}));
  // Without an index the master's values have nowhere to go: the order changes, the range goes, and
  // the error says why; the index brings the range back.
  EXPECT_EQ(DatabaseErrorText([&] { detail_->SetIndexName(""); }), SFieldIndexError);
  EXPECT_EQ(detail_->IndexName(), "");
  EXPECT_EQ(DetailNotes().size(), 5u);
  detail_->SetIndexName("ByDay");
  EXPECT_EQ(DetailNotes(), (Notes{"1/1", "1/2"}));
  detail_->SetMasterFields("");
  EXPECT_EQ(DetailNotes().size(), 5u);
}

TEST_F(TableMasterDetail, MasterErrors) {
  // A source that shows the table itself, or a detail of it, would make a loop.
  auto* own = New<TDataSource>(owner_.get());
  own->SetDataSet(detail_);
  EXPECT_EQ(DatabaseErrorText([&] { detail_->SetMasterSource(own); }), SCircularDataLink);
  detail_->SetMasterSource(source_);
  auto* detailSource = New<TDataSource>(owner_.get());
  detailSource->SetDataSet(detail_);
  EXPECT_EQ(DatabaseErrorText([&] { master_->SetMasterSource(detailSource); }), SCircularDataLink);

  // More master fields than the index has.
  detail_->SetMasterFields("ShortDateDay;RecID;Title");
  EXPECT_EQ(DatabaseErrorText([&] { detail_->Open(); }), SFieldIndexError);
  EXPECT_FALSE(detail_->Active());
  EXPECT_EQ(detail_->HoldSet(), 0);
}

class TdmMasterDetail : public TComponent {
 public:
  using TComponent::TComponent;
};

// The diary's kind of definition: the order and the master link come from the stored properties, and
// the detail follows its master once both are open.
TEST_F(TableMasterDetail, IndexAndMasterAreReadFromAFormDefinition) {
  RegisterSQLMemDatabaseComponents();
  RegisterSQLMemTable();
  RegisterStreamedClass<TDataSource, TComponent>("TDataSource", [](TPropertyTableOf<TDataSource>& p) {
    p.ComponentProp("DataSet", &TDataSource::SetDataSet);
  });
  RegisterStreamedClass<TdmMasterDetail, TComponent>("TdmMasterDetail");
  std::unique_ptr<TdmMasterDetail> module(New<TdmMasterDetail>(nullptr));
  ReadComponentFromText(*module, R"(object dmData: TdmMasterDetail
  object tblDays: TSQLMemTable
    DatabaseName = 'DATASETTEST'
    TableName = 'fans'
    IndexName = 'ByShortDate'
  end
  object dsDays: TDataSource
    DataSet = tblDays
  end
  object tblNotes: TSQLMemTable
    DatabaseName = 'DATASETTEST'
    TableName = 'notes'
    IndexFieldNames = 'Day'
    MasterFields = 'ShortDateDay'
    MasterSource = dsDays
  end
end)");
  auto* days = dynamic_cast<TSQLMemTable*>(module->FindComponent("tblDays"));
  auto* notes = dynamic_cast<TSQLMemTable*>(module->FindComponent("tblNotes"));
  ASSERT_NE(days, nullptr);
  ASSERT_NE(notes, nullptr);
  EXPECT_EQ(days->IndexName(), "ByShortDate");
  EXPECT_EQ(notes->IndexFieldNames(), "Day");
  EXPECT_EQ(notes->MasterSource(), module->FindComponent("dsDays"));
  days->Open();
  notes->Open();
  EXPECT_EQ(notes->Cursor()->IndexName(), "ByDay");
  EXPECT_EQ(Column(*notes, "Note"), (Notes{"1/1", "1/2"}));
  days->Last();
  EXPECT_EQ(Column(*notes, "Note"), (Notes{"3/1", "3/2", "3/3"}));
}

}  // namespace
