// The engine dataset over the diary's table: opening and closing, the database hold, navigation
// through the framework's buffer ring, bookmarks, record numbers and the record count.
#include "engine/dataset/SQLMemDataSet.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "tests/engine/dataset/DataSetTestSupport.h"
#include "vcl/db/DataSource.h"
#include "vcl/rtl/PropertyTable.h"
#include "vcl/rtl/Reader.h"

namespace {

using DataSetOpen = DiaryDataSetTest;
using DataSetNavigation = DiaryDataSetTest;
using DataSetBookmarks = DiaryDataSetTest;

template <class F>
Integer EngineErrorCode(F f, std::string* message = nullptr) {
  try {
    f();
  } catch (const ESQLMemException& e) {
    if (message != nullptr) *message = e.Message();
    return e.NativeError();
  }
  return 0;
}

std::string Title(TDataSet* dataSet) { return dataSet->FieldByName("Title")->AsString(); }

// A grid's link: it asks for as many buffers as rows it shows and reads the rows it holds.
class GridLink : public TDataLink {
 public:
  std::vector<std::string> Rows() {
    std::vector<std::string> rows;
    const int saved = ActiveRecord();
    for (int i = 0; i < RecordCount(); ++i) {
      SetActiveRecord(i);
      rows.push_back(Title(DataSet()));
    }
    SetActiveRecord(saved);
    return rows;
  }
};

std::vector<std::string> Titles(int from, int to) {
  std::vector<std::string> titles;
  for (int i = from; i <= to; ++i) titles.push_back("Day " + std::to_string(i));
  return titles;
}

TEST_F(DataSetOpen, TheDiaryTableOpensWithItsColumnsAndPrimaryIndex) {
  AddNumberedDays(3);
  dataSet->Open();
  ASSERT_TRUE(dataSet->Active());
  ASSERT_EQ(dataSet->FieldCount(), 4);
  struct Column {
    const char* name;
    TFieldType type;
    int size;
  };
  const Column columns[] = {
      {"RecID", ftAutoInc, 0}, {"ShortDateDay", ftString, 10}, {"Title", ftString, 25}, {"Text", ftMemo, 0}};
  for (int i = 0; i < 4; ++i) {
    TField* field = dataSet->Fields()[i];
    EXPECT_EQ(field->FieldName(), columns[i].name);
    EXPECT_EQ(field->DataType(), columns[i].type) << columns[i].name;
    EXPECT_EQ(field->Size(), columns[i].size) << columns[i].name;
    EXPECT_EQ(field->FieldNo(), i + 1);
  }
  ASSERT_EQ(dataSet->IndexDefs().Count(), 1);
  TIndexDef* index = dataSet->IndexDefs().Items(0);
  EXPECT_EQ(index->Name(), "ByShortDate");
  EXPECT_EQ(index->Fields(), "ShortDateDay");
  EXPECT_TRUE(index->Options().Contains(ixPrimary));
  EXPECT_TRUE(index->Options().Contains(ixUnique));
  EXPECT_TRUE(dataSet->IndexDefs().Updated());
  EXPECT_EQ(dataSet->IndexDefsCopy().Count(), 1);
  EXPECT_EQ(dataSet->FindIndexDefByOption(ixPrimary), index);
  EXPECT_EQ(dataSet->FindIndexDefByOption(ixDescending), nullptr);
  EXPECT_EQ(dataSet->KeyFieldNos(), std::vector<Word>{2});
  EXPECT_EQ(dataSet->KeySize(), 11);
  EXPECT_TRUE(dataSet->GetIsIndexField(dataSet->FieldByName("ShortDateDay")));
  EXPECT_FALSE(dataSet->GetIsIndexField(dataSet->FieldByName("Title")));
  EXPECT_EQ(dataSet->RecordCount(), 3);
  EXPECT_EQ(dataSet->FieldByName("RecID")->AsInteger(), 1);
  EXPECT_EQ(dataSet->FieldByName("ShortDateDay")->AsString(), "2024.01.01");
  EXPECT_EQ(Title(dataSet), "Day 0");
  EXPECT_EQ(dataSet->FieldByName("Text")->AsString(), "Text 0");
}

TEST_F(DataSetOpen, HoldsItsDatabaseWhileOpenAndTheTemporaryOneDiesWithTheClose) {
  dataSet->Open();
  TSQLMemDatabase* database = dataSet->Database();
  ASSERT_NE(database, nullptr);
  EXPECT_TRUE(dataSet->HoldsDatabase(hrOpen));
  EXPECT_TRUE(database->Temporary());
  EXPECT_EQ(database->DataSetCount(), 1);
  EXPECT_EQ(DefaultSession().FindDatabase(kDataSetTestDatabase), database);
  // A second reason keeps it over the close; the last one lets it go.
  dataSet->HoldDatabase(hrTableOperation, true);
  dataSet->Close();
  EXPECT_EQ(dataSet->Database(), database);
  EXPECT_EQ(dataSet->HoldSet(), 1u << hrTableOperation);
  dataSet->HoldDatabase(hrTableOperation, false);
  EXPECT_EQ(dataSet->Database(), nullptr);
  EXPECT_EQ(dataSet->HoldSet(), 0u);
  EXPECT_EQ(DefaultSession().FindDatabase(kDataSetTestDatabase), nullptr);
}

TEST_F(DataSetOpen, TwoDatasetsShareOneDatabase) {
  TDiaryDataSet* other = NewDataSet();
  dataSet->Open();
  other->Open();
  ASSERT_EQ(dataSet->Database(), other->Database());
  EXPECT_EQ(dataSet->Database()->DataSetCount(), 2);
  dataSet->Close();
  EXPECT_EQ(other->Database()->DataSetCount(), 1);
  other->Close();
  EXPECT_EQ(DefaultSession().FindDatabase(kDataSetTestDatabase), nullptr);
}

TEST_F(DataSetOpen, DisconnectingATemporaryDatabaseClosesItsDatasetsAndSurvivesTheirRelease) {
  TDiaryDataSet* other = NewDataSet();
  dataSet->Open();
  other->Open();
  TSQLMemDatabase* database = dataSet->Database();
  ASSERT_TRUE(database->Temporary());
  database->Disconnect();
  EXPECT_FALSE(dataSet->Active());
  EXPECT_FALSE(other->Active());
  EXPECT_FALSE(database->Connected());
  EXPECT_EQ(database->ReferenceCount(), 0);
  EXPECT_EQ(dataSet->HoldSet(), 0u);
  // The next open finds the component and connects it again.
  dataSet->Open();
  EXPECT_EQ(dataSet->Database(), database);
  dataSet->Close();
}

TEST_F(DataSetOpen, ADatabaseComponentOfTheProgramIsUsedAndItsDisconnectClosesTheDatasets) {
  auto form = std::make_unique<TComponent>(nullptr);
  auto* database = New<TSQLMemDatabase>(form.get());
  database->SetDatabaseName(kDataSetTestDatabase);
  TDiaryDataSet* other = NewDataSet();
  dataSet->Open();
  other->Open();
  ASSERT_EQ(dataSet->Database(), database);
  EXPECT_EQ(database->DataSetCount(), 2);
  database->Disconnect();
  EXPECT_FALSE(dataSet->Active());
  EXPECT_FALSE(other->Active());
  EXPECT_EQ(dataSet->HoldSet(), 0u);
  EXPECT_EQ(database->DataSetCount(), 0);
  // Opening again connects it again.
  dataSet->Open();
  EXPECT_TRUE(database->Connected());
  dataSet->Close();
}

TEST_F(DataSetOpen, ADatabaseThatNamesTheDatasetsSessionMovesThereBeforeTheLookUp) {
  auto owner = std::make_unique<TComponent>(nullptr);
  auto* database = New<TSQLMemDatabase>(owner.get());
  database->SetDatabaseName(kDataSetTestDatabase);
  database->SetSessionName("Other");
  ASSERT_EQ(database->Session(), &DefaultSession()) << "the session does not exist yet";
  auto* session = New<TSQLMemSession>(owner.get());
  session->SetSessionName("Other");
  dataSet->SetSessionName("Other");
  dataSet->Open();
  EXPECT_EQ(dataSet->Database(), database) << "no temporary database made in the named session";
  EXPECT_EQ(database->Session(), session);
  EXPECT_TRUE(session->Active());
  dataSet->Close();
}

TEST_F(DataSetOpen, AnUnknownDatabaseRaises11245AndLeavesNothingHeld) {
  dataSet->SetDatabaseName("NOSUCHDB");
  EXPECT_FALSE(dataSet->InMemory());
  std::string message;
  EXPECT_EQ(EngineErrorCode([&] { dataSet->Open(); }, &message), 11245);
  EXPECT_EQ(message, "Cannot open database 'NOSUCHDB' - Native error: 11245");
  EXPECT_FALSE(dataSet->Active());
  EXPECT_EQ(dataSet->State(), dsInactive);
  EXPECT_EQ(dataSet->HoldSet(), 0u);
  EXPECT_EQ(dataSet->Database(), nullptr);
  EXPECT_EQ(dataSet->Cursor(), nullptr);
  EXPECT_EQ(DefaultSession().FindDatabase("NOSUCHDB"), nullptr) << "no temporary database left behind";
  // The dataset is usable again once it names a database that exists.
  dataSet->SetDatabaseName(kDataSetTestDatabase);
  EXPECT_TRUE(dataSet->InMemory());
  dataSet->Open();
  EXPECT_TRUE(dataSet->Active());
}

TEST_F(DataSetOpen, AnUnknownDatabaseOfAFormBeingReadOpensNothingQuietly) {
  auto form = std::make_unique<TComponent>(nullptr);
  auto* set = New<TDiaryDataSet>(form.get());
  set->SetDatabaseName("NOSUCHDB");
  form->Loading();
  set->Open();
  EXPECT_FALSE(set->Active());
  EXPECT_EQ(set->HoldSet(), 0u);
  form->Loaded();
}

// A form read from its definition: a dataset that names a database nobody has opens nothing while
// the form is created, and the form still comes up. Like the GUI's forms, it is "creating" until its
// definition is loaded, and answers the framework's question so.
class TfrmDataSetTest : public TComponent, public TDefinitionRoot {
 public:
  using TComponent::TComponent;
  void DefineMethods(TMethodTable& m) override {
    m.Add<TDataSetNotifyEvent>("DaysAfterOpen", [this](TDataSet*) { ++opens; });
  }
  void DefinitionLoaded() override { creating = false; }
  int opens = 0;
  bool creating = true;
};

bool TestFormCreating(const TComponent* owner) {
  const auto* form = dynamic_cast<const TfrmDataSetTest*>(owner);
  return form != nullptr && form->creating;
}

TEST_F(DataSetOpen, AFormDefinitionOpensItsDatasetOnceReadAndQuietlyWhenTheDatabaseIsMissing) {
  RegisterSQLMemDataSet();
  RegisterStreamedClass<TDiaryDataSet, TSQLMemDataSet>("TDiaryDataSet");
  RegisterStreamedClass<TfrmDataSetTest, TComponent>("TfrmDataSetTest");
  SetOwnerCreatingQuery(&TestFormCreating);
  AddNumberedDays(2);
  auto owner = std::make_unique<TComponent>(nullptr);
  auto* form = New<TfrmDataSetTest>(owner.get());
  ReadComponentFromText(*form, R"(object frmDataSetTest: TfrmDataSetTest
  object Days: TDiaryDataSet
    Active = True
    DatabaseName = 'DATASETTEST'
    ReadOnly = True
    StoreDefs = True
    CurrentVersion = '9.99 '
    AfterOpen = DaysAfterOpen
  end
  object Missing: TDiaryDataSet
    Active = True
    DatabaseName = 'NOSUCHDB'
  end
end)");
  auto* days = dynamic_cast<TDiaryDataSet*>(form->FindComponent("Days"));
  auto* missing = dynamic_cast<TDiaryDataSet*>(form->FindComponent("Missing"));
  ASSERT_NE(days, nullptr);
  ASSERT_NE(missing, nullptr);
  EXPECT_TRUE(days->Active());
  EXPECT_EQ(form->opens, 1);
  EXPECT_TRUE(days->ReadOnly());
  EXPECT_TRUE(days->StoreDefs());
  EXPECT_EQ(days->CurrentVersion(), "4.20 ");
  EXPECT_EQ(days->RecordCount(), 2);
  EXPECT_FALSE(missing->Active());
  EXPECT_EQ(missing->HoldSet(), 0u);
  // Once the form is created the same open is an error.
  EXPECT_EQ(EngineErrorCode([&] { missing->Open(); }), 11245);
  SetOwnerCreatingQuery(nullptr);
}

TEST_F(DataSetOpen, AFailedOpenClosesTheCursorAndLetsTheDatabaseGo) {
  dataSet->TableName = "nosuchtable";
  EXPECT_THROW(dataSet->Open(), Exception);
  EXPECT_EQ(dataSet->State(), dsInactive);
  EXPECT_EQ(dataSet->HoldSet(), 0u);
  EXPECT_EQ(DefaultSession().FindDatabase(kDataSetTestDatabase), nullptr);
  dataSet->TableName = "fans";
  dataSet->IndexName = "NoSuchIndex";
  EXPECT_EQ(EngineErrorCode([&] { dataSet->Open(); }), 10325);
  EXPECT_EQ(dataSet->Cursor(), nullptr);
  EXPECT_EQ(dataSet->HoldSet(), 0u);
  EXPECT_EQ(dataSet->FieldCount(), 0) << "default fields die with the failed open";
}

TEST_F(DataSetOpen, NamesCanChangeOnlyWhileClosed) {
  dataSet->Open();
  EXPECT_THROW(dataSet->SetDatabaseName("OTHER"), EDatabaseError);
  EXPECT_THROW(dataSet->SetSessionName("Other"), EDatabaseError);
  EXPECT_THROW(dataSet->SetInMemory(true), EDatabaseError);
  dataSet->Close();
  dataSet->SetInMemory(true);
  EXPECT_EQ(dataSet->DatabaseName(), "MEMORY");
  dataSet->SetSessionName("NoSuchSession");
  EXPECT_EQ(EngineErrorCode([&] { dataSet->Open(); }), 20002);
  EXPECT_EQ(dataSet->HoldSet(), 0u);
}

TEST_F(DataSetOpen, ClosedDatasetCountsNothingAndReadsNothing) {
  AddNumberedDays(2);
  EXPECT_EQ(dataSet->RecordCount(), 0);
  dataSet->Open();
  TField* title = dataSet->FieldByName("Title");
  // A state-change handler still reads the field while the dataset turns inactive.
  std::string seenWhileClosing = "<not called>";
  auto source = std::unique_ptr<TDataSource>(New<TDataSource>(nullptr));
  source->OnStateChange = [&](TObject*) {
    if (dataSet->State() == dsInactive) seenWhileClosing = title->AsString();
  };
  source->SetDataSet(dataSet);
  dataSet->Close();
  EXPECT_EQ(seenWhileClosing, "");
  EXPECT_EQ(dataSet->RecordCount(), 0);
  EXPECT_EQ(dataSet->RecNo(), -1);
}

TEST_F(DataSetNavigation, DaysComeInKeyOrderWhateverTheInsertOrder) {
  AddDays({{"2024.03.01", "March", ""}, {"2024.01.01", "January", ""}, {"2024.02.01", "February", ""}});
  dataSet->Open();
  std::vector<std::string> forward, backward;
  for (dataSet->First(); !dataSet->Eof(); dataSet->Next()) forward.push_back(Title(dataSet));
  for (dataSet->Last(); !dataSet->Bof(); dataSet->Prior()) backward.push_back(Title(dataSet));
  EXPECT_EQ(forward, (std::vector<std::string>{"January", "February", "March"}));
  EXPECT_EQ(backward, (std::vector<std::string>{"March", "February", "January"}));
}

TEST_F(DataSetNavigation, AnEmptyTableIsBothBofAndEof) {
  dataSet->Open();
  EXPECT_TRUE(dataSet->IsEmpty());
  EXPECT_TRUE(dataSet->Bof());
  EXPECT_TRUE(dataSet->Eof());
  EXPECT_EQ(dataSet->RecordCount(), 0);
  EXPECT_EQ(dataSet->RecNo(), -1);
  EXPECT_TRUE(dataSet->FieldByName("Title")->IsNull());
  EXPECT_TRUE(dataSet->GetBookmark().IsNull());
  dataSet->Next();
  dataSet->Last();
  EXPECT_TRUE(dataSet->Eof());
}

TEST_F(DataSetNavigation, AGridSizedBufferRingHoldsTheRowsAroundTheCurrentOne) {
  AddNumberedDays(40);
  auto source = std::unique_ptr<TDataSource>(New<TDataSource>(nullptr));
  GridLink grid;
  grid.SetBufferCount(12);
  grid.SetDataSource(source.get());
  source->SetDataSet(dataSet);
  dataSet->Open();
  EXPECT_EQ(dataSet->BufferCount(), 12);
  EXPECT_EQ(grid.Rows(), Titles(0, 11));

  // Scrolling inside the window moves only the current row.
  EXPECT_EQ(dataSet->MoveBy(5), 5);
  EXPECT_EQ(Title(dataSet), "Day 5");
  EXPECT_EQ(grid.Rows(), Titles(0, 11));
  // Past the window's end the ring scrolls by the distance.
  EXPECT_EQ(dataSet->MoveBy(10), 10);
  EXPECT_EQ(Title(dataSet), "Day 15");
  EXPECT_EQ(grid.Rows(), Titles(4, 15));
  EXPECT_EQ(dataSet->RecNo(), 16);
  // Backwards over the window's start.
  EXPECT_EQ(dataSet->MoveBy(-14), -14);
  EXPECT_EQ(Title(dataSet), "Day 1");
  EXPECT_EQ(grid.Rows(), Titles(1, 12));
  EXPECT_EQ(dataSet->MoveBy(-5), -1);
  EXPECT_TRUE(dataSet->Bof());
  EXPECT_EQ(Title(dataSet), "Day 0");

  dataSet->Last();
  EXPECT_EQ(Title(dataSet), "Day 39");
  EXPECT_EQ(grid.Rows(), Titles(28, 39));
  EXPECT_EQ(dataSet->MoveBy(3), 0);
  EXPECT_TRUE(dataSet->Eof());
  // A jump far away refills the window around the record (centred).
  dataSet->SetRecNo(20);
  EXPECT_EQ(Title(dataSet), "Day 19");
  EXPECT_EQ(dataSet->RecNo(), 20);
  const std::vector<std::string> rows = grid.Rows();
  ASSERT_EQ(rows.size(), 12u);
  EXPECT_EQ(rows[static_cast<std::size_t>(grid.ActiveRecord())], "Day 19");
  const int top = std::stoi(rows[0].substr(4));
  EXPECT_EQ(rows, Titles(top, top + 11));
  // Every row reads its own memo.
  grid.SetActiveRecord(0);
  EXPECT_EQ(dataSet->FieldByName("Text")->AsString(), "Text " + rows[0].substr(4));
  grid.SetActiveRecord(11);
  EXPECT_EQ(dataSet->FieldByName("Text")->AsString(), "Text " + rows[11].substr(4));
  grid.SetDataSource(nullptr);
}

TEST_F(DataSetNavigation, RecNoFollowsTheIndexAndSetRecNoMovesThere) {
  AddNumberedDays(25);
  dataSet->Open();
  int expected = 1;
  for (dataSet->First(); !dataSet->Eof(); dataSet->Next()) EXPECT_EQ(dataSet->RecNo(), expected++);
  EXPECT_EQ(dataSet->RecordCount(), 25);
  int scrolls = 0;
  dataSet->AfterScroll = [&](TDataSet*) { ++scrolls; };
  dataSet->SetRecNo(7);
  EXPECT_EQ(Title(dataSet), "Day 6");
  EXPECT_EQ(dataSet->RecNo(), 7);
  EXPECT_EQ(scrolls, 1);
  dataSet->Next();
  EXPECT_EQ(Title(dataSet), "Day 7") << "the ring continues from the record SetRecNo reached";
  // A number past the end addresses the last record.
  dataSet->SetRecNo(1000);
  EXPECT_EQ(Title(dataSet), "Day 24");
  // A record being inserted has no number yet.
  dataSet->Insert();
  EXPECT_EQ(dataSet->RecNo(), -1);
  dataSet->Cancel();
  EXPECT_EQ(dataSet->RecNo(), 25);
  std::string message;
  EXPECT_EQ(EngineErrorCode([&] { dataSet->SetRecNo(0); }, &message), 11622);
  EXPECT_EQ(message, "Invalid value = 0 for SetRecNo - Native error: 11622");
  EXPECT_EQ(EngineErrorCode([&] { dataSet->SetRecNo(-3); }), 11622);
}

TEST_F(DataSetNavigation, SwitchingTheIndexChangesTheOrderAndTheKeyFields) {
  AddDays({{"2024.03.01", "C", ""}, {"2024.01.01", "A", ""}, {"2024.02.01", "B", ""}});
  dataSet->Open();
  auto order = [&] {
    std::string seen;
    for (dataSet->First(); !dataSet->Eof(); dataSet->Next()) seen += Title(dataSet);
    return seen;
  };
  EXPECT_EQ(order(), "ABC");
  // A descending index on the title, added through the cursor: the dataset hears of it.
  TSQLMemIndexDef byTitle;
  byTitle.Name = "ByTitleDesc";
  byTitle.SetColumnCount(1);
  byTitle.GetColumn(0).Name = "Title";
  byTitle.GetColumn(0).Descending = 1;
  dataSet->Cursor()->AddIndex(byTitle);
  ASSERT_EQ(dataSet->IndexDefs().Count(), 2);
  TIndexDef* added = dataSet->IndexDefs().Items(1);
  EXPECT_EQ(added->Name(), "ByTitleDesc");
  EXPECT_TRUE(added->Options().Contains(ixDescending));
  EXPECT_EQ(dataSet->FindIndexDefByOption(ixDescending), added);

  dataSet->SwitchCursorIndex("ByTitleDesc");
  EXPECT_EQ(dataSet->KeyFieldNos(), std::vector<Word>{3});
  EXPECT_TRUE(dataSet->GetIsIndexField(dataSet->FieldByName("Title")));
  EXPECT_EQ(order(), "CBA");
  dataSet->SwitchCursorIndex("");
  EXPECT_TRUE(dataSet->KeyFieldNos().empty());
  EXPECT_EQ(order(), "CAB") << "without an index the records come in the order they were stored";
  EXPECT_EQ(EngineErrorCode([&] { dataSet->SwitchCursorIndex("NoSuchIndex"); }), 10325);
  dataSet->SwitchCursorIndex("ByShortDate");
  EXPECT_EQ(order(), "ABC");
}

TEST_F(DataSetNavigation, GetCurrentRecordCopiesTheRecordTheUserSees) {
  dataSet->Open();
  std::vector<Byte> copy(static_cast<std::size_t>(dataSet->Cursor()->RecordBufferSize));
  EXPECT_FALSE(dataSet->GetCurrentRecord(copy.data())) << "an empty table has no current record";
  dataSet->Close();
  AddNumberedDays(6);
  dataSet->Open();
  dataSet->MoveBy(4);
  ASSERT_TRUE(dataSet->GetCurrentRecord(copy.data()));
  char title[26] = {};
  ASSERT_TRUE(dataSet->Cursor()->GetFieldData(kTitle, title, copy.data()));
  EXPECT_STREQ(title, "Day 4");
  // The dataset reads on from where it was.
  dataSet->Next();
  EXPECT_EQ(Title(dataSet), "Day 5");
}

TEST_F(DataSetNavigation, RecordCountFollowsRecordsAddedByOthers) {
  AddNumberedDays(5);
  dataSet->Open();
  EXPECT_EQ(dataSet->RecordCount(), 5);
  AddDays({{"2030.01.01", "Later", "x"}});
  EXPECT_EQ(dataSet->RecordCount(), 6);
  dataSet->Refresh();
  dataSet->Last();
  EXPECT_EQ(Title(dataSet), "Later");
}

TEST_F(DataSetBookmarks, ABookmarkLeadsBackToItsRecord) {
  AddNumberedDays(30);
  auto source = std::unique_ptr<TDataSource>(New<TDataSource>(nullptr));
  GridLink grid;
  grid.SetBufferCount(8);
  grid.SetDataSource(source.get());
  source->SetDataSet(dataSet);
  dataSet->Open();
  dataSet->MoveBy(13);
  const TBookmark mark = dataSet->GetBookmark();
  ASSERT_EQ(mark.Size(), 7);
  EXPECT_TRUE(dataSet->BookmarkValid(mark));
  dataSet->Last();
  const TBookmark last = dataSet->GetBookmark();
  dataSet->GotoBookmark(mark);
  EXPECT_EQ(Title(dataSet), "Day 13");
  EXPECT_EQ(dataSet->RecNo(), 14);
  dataSet->Next();
  EXPECT_EQ(Title(dataSet), "Day 14");

  EXPECT_EQ(dataSet->CompareBookmarks(mark, mark), 0);
  EXPECT_EQ(dataSet->CompareBookmarks(mark, last), -1);
  EXPECT_EQ(dataSet->CompareBookmarks(last, mark), 1);
  EXPECT_EQ(dataSet->CompareBookmarks(nullptr, nullptr), 0);
  EXPECT_EQ(dataSet->CompareBookmarks(nullptr, mark), 1);
  EXPECT_EQ(dataSet->CompareBookmarks(mark, nullptr), -1);
  EXPECT_FALSE(dataSet->BookmarkValid(nullptr));
  // Comparing leaves the dataset where it was.
  EXPECT_EQ(Title(dataSet), "Day 14");
  dataSet->Next();
  EXPECT_EQ(Title(dataSet), "Day 15");
  grid.SetDataSource(nullptr);
}

TEST_F(DataSetBookmarks, BookmarksSurviveACloseAndReopen) {
  AddNumberedDays(12);
  dataSet->Open();
  dataSet->MoveBy(9);
  const TBookmark mark = dataSet->GetBookmark();
  dataSet->Close();
  dataSet->Open();
  ASSERT_TRUE(dataSet->BookmarkValid(mark));
  dataSet->GotoBookmark(mark);
  EXPECT_EQ(Title(dataSet), "Day 9");
  // And in another dataset over the same table.
  TDiaryDataSet* other = NewDataSet();
  other->Open();
  other->GotoBookmark(mark);
  EXPECT_EQ(Title(other), "Day 9");
}

TEST_F(DataSetBookmarks, ABookmarkOfADeletedRecordIsNoLongerValid) {
  AddNumberedDays(4);
  dataSet->Open();
  dataSet->Next();
  const TBookmark mark = dataSet->GetBookmark();
  const TBookmark first = [&] {
    dataSet->First();
    return dataSet->GetBookmark();
  }();
  {
    TSQLMemLocalCursor cursor;
    cursor.Session = &EngineSession();
    cursor.InMemory = 1;
    cursor.TableName = "fans";
    cursor.OpenTable(nullptr, nullptr, nullptr);
    cursor.CurrentRecordBuffer = cursor.AllocRecordBuffer();
    cursor.SetIndexName("ByShortDate");
    cursor.SetBeginOfData();
    ASSERT_EQ(cursor.GetRecord(1), 0);
    ASSERT_EQ(cursor.GetRecord(1), 0);
    cursor.SetTrailerPosition(cursor.CurrentRecordBuffer, TSQLMemRecordID{cursor.PageNo, static_cast<Word>(cursor.ItemNo)});
    cursor.DeleteRecord();
    ASSERT_EQ(cursor.ResultCode, 0);
    cursor.FreeRecordBuffer(cursor.CurrentRecordBuffer);
    cursor.CloseTable();
  }
  EXPECT_FALSE(dataSet->BookmarkValid(mark));
  EXPECT_TRUE(dataSet->BookmarkValid(first));
  EXPECT_EQ(dataSet->CompareBookmarks(mark, first), -1) << "an invalid bookmark counts as record -1";
  EXPECT_THROW(dataSet->GotoBookmark(mark), Exception);
}

}  // namespace
