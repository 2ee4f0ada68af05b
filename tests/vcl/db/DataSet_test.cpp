#include "vcl/db/DataSet.h"

#include <functional>
#include <memory>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "vcl/db/ArrayDataSet.h"
#include "vcl/rtl/Exceptions.h"

using dbtest::Log;
using dbtest::TArrayDataSet;
using dbtest::TRecordingLink;

namespace {

// A dataset "Table1" (ID integer, Title string 25) behind a data source with one recording link,
// the dataset's events and the source's state changes written to the same log.
class DataSetTest : public ::testing::Test {
 protected:
  void SetUp() override {
    owner = new TComponent(nullptr);
    ds = New<TArrayDataSet>(owner);
    ds->SetName("Table1");
    ds->AddColumn("ID", ftInteger);
    ds->AddColumn("Title", ftString, 25);
    source = New<TDataSource>(owner);
    source->SetDataSet(ds);
    link = std::make_unique<TRecordingLink>(log, "L");
    link->SetDataSource(source);
  }
  void TearDown() override {
    link.reset();
    delete owner;
  }

  // Opens the dataset with rows ID 1..n ("Day 1".."Day n") and forgets the log.
  void OpenWith(int n) {
    ds->Open();
    for (int i = 1; i <= n; ++i) ds->AppendRecord({i, "Day " + std::to_string(i)});
    ds->First();
    StartRecording();
  }
  void StartRecording() {
    log.clear();
    dbtest::RecordEvents(ds, log);
    dbtest::RecordStates(source, log);
  }
  int Id() { return ds->FieldByName("ID")->AsInteger(); }
  Log Take() {
    Log out;
    out.swap(log);
    return out;
  }

  TComponent* owner = nullptr;
  TArrayDataSet* ds = nullptr;
  TDataSource* source = nullptr;
  std::unique_ptr<TRecordingLink> link;
  Log log;
  Log calls;  // the dataset's cursor calls, once a test asks for them (ds->calls = &calls)
};

TEST_F(DataSetTest, OpenAndCloseRunTheirEventSequences) {
  StartRecording();
  ds->Open();
  EXPECT_EQ(Take(), (Log{"BeforeOpen", "L:Active=1", "StateChange(dsBrowse)", "L:LayoutChanged", "AfterOpen"}))
      << "an empty dataset has no AfterScroll";
  ds->Close();
  EXPECT_EQ(Take(), (Log{"BeforeClose", "L:Active=0", "StateChange(dsInactive)", "AfterClose"}));

  ds->AddIntRows(3);
  ds->Open();
  EXPECT_EQ(Take(),
            (Log{"BeforeOpen", "L:Active=1", "StateChange(dsBrowse)", "L:LayoutChanged", "AfterOpen", "AfterScroll"}));
  EXPECT_EQ(ds->State(), dsBrowse);
  EXPECT_TRUE(ds->Bof());
  EXPECT_FALSE(ds->Eof());
  EXPECT_EQ(Id(), 1);
  ds->Open();  // already open: nothing happens
  EXPECT_TRUE(Take().empty());
}

TEST_F(DataSetTest, NavigationMovesThroughTheRecordsAndSetsBofEof) {
  OpenWith(4);
  ds->Next();
  EXPECT_EQ(Take(), (Log{"L:CheckBrowseMode", "BeforeScroll", "L:Scrolled(1)", "AfterScroll"}));
  EXPECT_EQ(Id(), 2);
  ds->Last();
  EXPECT_EQ(Take(), (Log{"L:CheckBrowseMode", "BeforeScroll", "L:DataSetChanged", "AfterScroll"}));
  EXPECT_EQ(Id(), 4);
  EXPECT_TRUE(ds->Eof());
  EXPECT_FALSE(ds->Bof());

  ds->Prior();
  EXPECT_EQ(Id(), 3);
  EXPECT_FALSE(ds->Eof());
  EXPECT_EQ(ds->MoveBy(5), 1) << "stops at the last record";
  EXPECT_TRUE(ds->Eof());
  EXPECT_EQ(ds->MoveBy(-10), -3);
  EXPECT_TRUE(ds->Bof());
  EXPECT_EQ(Id(), 1);
  Take();
  ds->Prior();  // at Bof already: only BeforeScroll, the position stays
  EXPECT_EQ(Take(), (Log{"L:CheckBrowseMode", "BeforeScroll"}));
  EXPECT_EQ(Id(), 1);

  // Walking forward visits every record once.
  std::vector<int> seen;
  for (ds->First(); !ds->Eof(); ds->Next()) seen.push_back(Id());
  EXPECT_EQ(seen, (std::vector<int>{1, 2, 3, 4}));
  EXPECT_EQ(ds->RecordCount(), 4);
}

TEST_F(DataSetTest, RecNoAndRecordCountFollowTheCurrentRecord) {
  EXPECT_EQ(ds->RecordCount(), 0) << "closed";
  OpenWith(3);
  EXPECT_EQ(ds->RecNo(), 1);
  ds->SetRecNo(3);
  EXPECT_EQ(Id(), 3);
  EXPECT_EQ(ds->RecNo(), 3);
  ds->Insert();
  EXPECT_EQ(ds->RecNo(), -1) << "insert state";
  ds->Cancel();
  EXPECT_EQ(ds->RecNo(), 3);
}

TEST_F(DataSetTest, EditPostAndCancelRunTheirEventSequences) {
  OpenWith(3);
  ds->Edit();
  EXPECT_EQ(Take(), (Log{"L:CheckBrowseMode", "BeforeEdit", "L:Editing=1", "StateChange(dsEdit)",
                         "L:RecordChanged(nil)", "AfterEdit"}));
  ds->FieldByName("Title")->SetAsString("Changed");
  EXPECT_EQ(Take(), (Log{"L:RecordChanged(Title)"}));
  EXPECT_TRUE(ds->Modified());
  ds->Post();
  EXPECT_EQ(Take(), (Log{"L:UpdateData", "L:CheckBrowseMode", "BeforePost", "L:Editing=0", "StateChange(dsBrowse)",
                         "L:DataSetChanged", "AfterPost"}));
  EXPECT_EQ(ds->FieldByName("Title")->AsString(), "Changed");
  EXPECT_FALSE(ds->Modified());

  ds->Edit();
  ds->FieldByName("Title")->SetAsString("Dropped");
  Take();
  ds->Cancel();
  EXPECT_EQ(Take(), (Log{"L:CheckBrowseMode", "BeforeCancel", "L:Editing=0", "StateChange(dsBrowse)",
                         "L:DataSetChanged", "AfterCancel"}));
  EXPECT_EQ(ds->FieldByName("Title")->AsString(), "Changed");
  ds->Close();
  ds->Open();
  EXPECT_EQ(ds->FieldByName("Title")->AsString(), "Changed") << "the post reached the rows";
}

TEST_F(DataSetTest, InsertAppendAndDeleteRunTheirEventSequences) {
  OpenWith(3);
  ds->Next();  // on ID 2
  Take();
  ds->Insert();
  EXPECT_EQ(Take(), (Log{"L:CheckBrowseMode", "BeforeInsert", "BeforeScroll", "L:Editing=1", "StateChange(dsInsert)",
                         "OnNewRecord", "L:DataSetChanged", "AfterInsert", "AfterScroll"}));
  EXPECT_TRUE(ds->FieldByName("ID")->IsNull()) << "a new record starts empty";
  ds->FieldByName("ID")->SetAsInteger(15);
  ds->Post();
  EXPECT_EQ(Id(), 15) << "the posted record stays current";
  EXPECT_EQ(ds->IntColumn(), (std::vector<int>{1, 15, 2, 3})) << "inserted before the current record";

  Take();
  ds->Insert();
  ds->FieldByName("ID")->SetAsInteger(99);
  Take();
  ds->Cancel();
  EXPECT_EQ(Take(), (Log{"L:CheckBrowseMode", "BeforeCancel", "BeforeScroll", "L:Editing=0", "StateChange(dsBrowse)",
                         "L:DataSetChanged", "AfterCancel", "AfterScroll"}));
  EXPECT_EQ(Id(), 15) << "back on the record that was current";

  ds->Append();
  ds->FieldByName("ID")->SetAsInteger(4);
  ds->Post();
  EXPECT_EQ(ds->IntColumn(), (std::vector<int>{1, 15, 2, 3, 4}));
  EXPECT_EQ(Id(), 4);
  EXPECT_TRUE(ds->Eof() == false);

  ds->First();
  ds->Next();
  Take();
  ds->Delete();
  EXPECT_EQ(Take(), (Log{"L:CheckBrowseMode", "BeforeDelete", "BeforeScroll", "L:DataSetChanged", "AfterDelete",
                         "AfterScroll"}));
  EXPECT_EQ(Id(), 2) << "the next record becomes current";
  ds->Last();
  ds->Delete();
  EXPECT_EQ(Id(), 3) << "deleting the last record moves back";
  EXPECT_EQ(ds->IntColumn(), (std::vector<int>{1, 2, 3}));
}

TEST_F(DataSetTest, EditOnAnEmptyDatasetInsertsAndDeleteOnEmptyRaises) {
  OpenWith(0);
  ds->Edit();
  EXPECT_EQ(ds->State(), dsInsert);
  ds->Cancel();
  EXPECT_TRUE(ds->IsEmpty());
  try {
    ds->Delete();
    FAIL() << "no error";
  } catch (const EDatabaseError& e) {
    EXPECT_STREQ(e.what(), "Table1: Cannot perform this operation on an empty dataset");
  }
  ds->Insert();
  ds->Delete();  // in insert state Delete cancels
  EXPECT_EQ(ds->State(), dsBrowse);
  EXPECT_EQ(ds->RowCount(), 0);
}

TEST_F(DataSetTest, CheckBrowseModePostsChangesAndCancelsUnchangedEdits) {
  OpenWith(2);
  ds->Edit();
  ds->CheckBrowseMode();
  EXPECT_EQ(ds->State(), dsBrowse);
  EXPECT_NE(std::find(log.begin(), log.end(), "AfterCancel"), log.end());

  Take();
  ds->Edit();
  ds->FieldByName("Title")->SetAsString("New");
  ds->Next();  // navigation leaves edit mode through CheckBrowseMode
  EXPECT_NE(std::find(log.begin(), log.end(), "AfterPost"), log.end());
  ds->First();
  EXPECT_EQ(ds->FieldByName("Title")->AsString(), "New");

  ds->Close();
  EXPECT_THROW(ds->CheckBrowseMode(), EDatabaseError);
  EXPECT_THROW(ds->Post(), EDatabaseError);
}

TEST_F(DataSetTest, ReadOnlyDatasetRefusesChanges) {
  OpenWith(1);
  ds->readOnly = true;
  const std::vector<std::function<void()>> ops = {[&] { ds->Edit(); }, [&] { ds->Insert(); },
                                                  [&] { ds->Append(); }};
  for (const auto& op : ops) {
    try {
      op();
      FAIL() << "no error";
    } catch (const EDatabaseError& e) {
      EXPECT_STREQ(e.what(), "Table1: Cannot modify a read-only dataset");
    }
    EXPECT_EQ(ds->State(), dsBrowse);
  }
}

TEST_F(DataSetTest, ErrorEventsDecideBetweenFailAbortAndRetry) {
  OpenWith(1);
  struct Case {
    TDataAction action;
    const char* raised;  // "db", "abort" or "" (succeeded)
  };
  for (const Case& c : {Case{daFail, "db"}, Case{daAbort, "abort"}, Case{daRetry, ""}}) {
    SCOPED_TRACE(c.action);
    ds->Edit();
    ds->FieldByName("Title")->SetAsString("x");
    ds->failPost = true;
    int calls = 0;
    ds->OnPostError = [&](TDataSet*, Exception& e, TDataAction& action) {
      ++calls;
      EXPECT_STREQ(e.what(), "Table1: post refused");
      action = c.action;
      if (c.action == daRetry) ds->failPost = false;  // the retry succeeds
    };
    std::string raised;
    try {
      ds->Post();
    } catch (const EAbort&) {
      raised = "abort";
    } catch (const EDatabaseError&) {
      raised = "db";
    }
    EXPECT_EQ(raised, c.raised);
    EXPECT_EQ(calls, 1);
    EXPECT_EQ(ds->State(), *c.raised ? dsEdit : dsBrowse) << "a failed post keeps the edit";
    if (ds->State() == dsEdit) ds->Cancel();
    ds->failPost = false;
  }
}

// ---- the buffer ring and data links ----

TEST_F(DataSetTest, BufferCountFollowsTheLargestLinkAndLinksSeeTheirWindow) {
  OpenWith(10);
  TRecordingLink grid(log, "G", 5);
  grid.SetDataSource(source);
  EXPECT_EQ(ds->BufferCount(), 5);
  EXPECT_EQ(grid.RecordCount(), 5);
  EXPECT_EQ(link->RecordCount(), 1);
  Take();

  struct Step {
    int moveBy;
    int id;
    int gridActive;
    const char* gridEvent;
  };
  const Step steps[] = {
      {1, 2, 1, "G:Scrolled(0)"},   // inside the window
      {3, 5, 4, "G:Scrolled(0)"},   // to the window's last row
      {1, 6, 4, "G:Scrolled(1)"},   // the window scrolls by one
      {-4, 2, 0, "G:Scrolled(0)"},  // back to the window's first row
      {-1, 1, 0, "G:Scrolled(-1)"}, // scrolls back
  };
  for (const Step& s : steps) {
    SCOPED_TRACE(s.moveBy);
    ds->MoveBy(s.moveBy);
    EXPECT_EQ(Id(), s.id);
    EXPECT_EQ(grid.ActiveRecord(), s.gridActive);
    EXPECT_EQ(link->ActiveRecord(), 0) << "a one-row link always shows the active record";
    const Log got = Take();
    EXPECT_NE(std::find(got.begin(), got.end(), s.gridEvent), got.end());
  }

  // The grid reads the rows of its window by moving its active record.
  ds->Last();
  std::vector<int> rows;
  const int saved = grid.ActiveRecord();
  for (int i = 0; i < grid.RecordCount(); ++i) {
    grid.SetActiveRecord(i);
    rows.push_back(Id());
  }
  grid.SetActiveRecord(saved);
  EXPECT_EQ(rows, (std::vector<int>{6, 7, 8, 9, 10}));
  EXPECT_EQ(Id(), 10);

  grid.SetDataSource(nullptr);
  EXPECT_EQ(ds->BufferCount(), 1) << "the ring shrinks with the largest link gone";
  EXPECT_EQ(Id(), 10) << "keeping the current record";
  ds->Prior();
  EXPECT_EQ(Id(), 9);
}

TEST_F(DataSetTest, ResyncCentersTheCurrentRecord) {
  OpenWith(20);
  TRecordingLink grid(log, "G", 5);
  grid.SetDataSource(source);
  ds->SetRecNo(10);  // Resync([rmCenter])
  EXPECT_EQ(Id(), 10);
  EXPECT_EQ(grid.ActiveRecord(), 2) << "two rows above, two below";
  const TBookmark bm = ds->GetBookmark();
  ds->First();
  ds->GotoBookmark(bm);
  EXPECT_EQ(Id(), 10);
  EXPECT_EQ(grid.ActiveRecord(), 2);
}

TEST_F(DataSetTest, BookmarksSurviveInsertsAndDeletesElsewhere) {
  OpenWith(10);
  ds->SetRecNo(5);
  const TBookmark five = ds->GetBookmark();
  ds->SetRecNo(8);
  const TBookmark eight = ds->GetBookmark();
  ASSERT_FALSE(five.IsNull());

  ds->First();
  ds->Next();
  ds->Insert();
  ds->FieldByName("ID")->SetAsInteger(100);
  ds->Post();
  ds->SetRecNo(10);  // ID 9 now
  ds->Delete();
  ds->Last();

  ds->GotoBookmark(five);
  EXPECT_EQ(Id(), 5);
  EXPECT_EQ(ds->RecNo(), 6) << "one record was inserted before it";
  EXPECT_TRUE(ds->BookmarkValid(eight));
  EXPECT_LT(ds->CompareBookmarks(five, eight), 0);
  EXPECT_GT(ds->CompareBookmarks(eight, five), 0);
  EXPECT_EQ(ds->CompareBookmarks(five, ds->GetBookmark()), 0);
  EXPECT_EQ(ds->CompareBookmarks(nullptr, five), 1);
  EXPECT_EQ(ds->CompareBookmarks(five, nullptr), -1);

  ds->GotoBookmark(eight);
  ds->Delete();
  EXPECT_FALSE(ds->BookmarkValid(eight));
  try {
    ds->GotoBookmark(eight);
    FAIL() << "no error";
  } catch (const EDatabaseError& e) {
    EXPECT_STREQ(e.what(), "Table1: Record not found");
  }
  TBookmark nil;
  EXPECT_FALSE(ds->BookmarkValid(nil));
  ds->GotoBookmark(nil);  // nil goes nowhere
}

TEST_F(DataSetTest, GetBookmarkIsNilWithoutACurrentRecord) {
  OpenWith(0);
  EXPECT_TRUE(ds->GetBookmark().IsNull());
  ds->Insert();
  EXPECT_TRUE(ds->GetBookmark().IsNull()) << "the new record has no bookmark before it is posted";
  ds->FieldByName("ID")->SetAsInteger(1);
  ds->Post();
  EXPECT_FALSE(ds->GetBookmark().IsNull());
}

TEST_F(DataSetTest, DisableControlsHoldsBackNotificationsUntilTheLastEnable) {
  OpenWith(5);
  ds->DisableControls();
  ds->DisableControls();
  ds->Next();
  ds->Next();
  EXPECT_EQ(Take(), (Log{"BeforeScroll", "AfterScroll", "BeforeScroll", "AfterScroll"}))
      << "the dataset's own events still fire";
  ds->EnableControls();
  EXPECT_TRUE(Take().empty()) << "still disabled once";
  ds->EnableControls();
  EXPECT_EQ(Take(), (Log{"L:DataSetChanged"}));
  EXPECT_EQ(link->ActiveRecord(), 0);

  // A state change while disabled is sent on enable.
  ds->DisableControls();
  ds->Edit();
  EXPECT_EQ(Take(), (Log{"BeforeEdit", "AfterEdit"}));
  ds->EnableControls();
  EXPECT_EQ(Take(), (Log{"L:Editing=1", "StateChange(dsEdit)", "L:DataSetChanged"}));
  ds->Cancel();
  Take();

  // Closing and reopening while disabled: the links drop out and come back, the source keeps its
  // state, and the enable sends a layout change (the fields are new objects).
  ds->DisableControls();
  ds->Close();
  ds->Open();
  EXPECT_EQ(Take(), (Log{"BeforeClose", "L:Active=0", "AfterClose", "BeforeOpen", "L:Active=1", "AfterOpen",
                         "AfterScroll"}));
  EXPECT_EQ(source->State(), dsBrowse);
  ds->EnableControls();
  EXPECT_EQ(Take(), (Log{"L:LayoutChanged"}));
  EXPECT_FALSE(ds->ControlsDisabled());
}

TEST_F(DataSetTest, DisabledSourceDeactivatesItsLinks) {
  OpenWith(2);
  source->SetEnabled(false);
  EXPECT_EQ(Take(), (Log{"L:Active=0", "StateChange(dsInactive)"}));
  ds->Next();
  EXPECT_EQ(Take(), (Log{"BeforeScroll", "AfterScroll"}));
  source->SetEnabled(true);
  EXPECT_EQ(Take(), (Log{"L:Active=1", "StateChange(dsBrowse)", "L:LayoutChanged"}));
}

// ---- what the engine's dataset and the diary rely on ----

TEST_F(DataSetTest, FailedOpenGoesBackToInactiveAndClosesTheCursor) {
  ds->calls = &calls;
  ds->AddIntRows(2);
  for (int stage : {1, 2}) {
    SCOPED_TRACE(stage);
    calls.clear();
    StartRecording();
    ds->failOpenAt = stage;
    EXPECT_THROW(ds->Open(), EDatabaseError);
    EXPECT_EQ(ds->State(), dsInactive);
    EXPECT_FALSE(ds->Active());
    const Log expected = stage == 1 ? Log{"CloseCursor", "InternalClose"}
                                    : Log{"InternalOpen", "CloseCursor", "InternalClose"};
    EXPECT_EQ(calls, expected);
    EXPECT_EQ(Take(), (Log{"BeforeOpen"})) << "no state change, no AfterOpen";
    EXPECT_EQ(ds->FieldCount(), 0) << "default fields made by the failed open are gone";
    EXPECT_EQ(ds->liveBuffers, 0);
  }
  ds->failOpenAt = 0;
  ds->Open();
  EXPECT_EQ(Id(), 1);
}

TEST_F(DataSetTest, CloseAnnouncesInactiveWhileTheFieldsStillExist) {
  OpenWith(2);
  ds->calls = &calls;
  std::vector<std::string> seen;
  source->OnStateChange = [&](TObject*) {
    // As the diary's state handler does on every change, the close included.
    TField* title = ds->FindField("Title");
    seen.push_back(std::string(dbtest::StateName(source->State())) + ":" +
                   (title ? "'" + title->AsString() + "'" + (title->IsNull() ? " null" : "") : "gone"));
    calls.push_back("StateChange");
  };
  ds->Close();
  EXPECT_EQ(seen, (std::vector<std::string>{"dsInactive:'' null"}));
  EXPECT_EQ(calls, (Log{"StateChange", "CloseCursor", "InternalClose"}));
  EXPECT_EQ(ds->FindField("Title"), nullptr) << "default fields die with the close";
  EXPECT_EQ(ds->liveBuffers, 0);
}

TEST_F(DataSetTest, ClosingInEditStateDropsThePendingChange) {
  OpenWith(1);
  ds->Edit();
  ds->FieldByName("Title")->SetAsString("lost");
  ds->Close();
  ds->Open();
  EXPECT_EQ(ds->FieldByName("Title")->AsString(), "Day 1");
}

TEST_F(DataSetTest, TemporaryStatesAreSilentAndRealStatesAreNot) {
  OpenWith(5);
  std::vector<TDataSetState> states;
  source->OnStateChange = [&](TObject*) { states.push_back(source->State()); };
  EXPECT_TRUE(ds->Locate("Title", "day 4", TLocateOptions{loCaseInsensitive}));
  EXPECT_EQ(Id(), 4);
  EXPECT_TRUE(states.empty()) << "the filter state of Locate is not announced";
  EXPECT_EQ(Take(), (Log{"BeforeScroll", "L:CheckBrowseMode", "L:DataSetChanged", "AfterScroll"}));
  EXPECT_FALSE(ds->Locate("Title", "Day 9", {}));
  EXPECT_TRUE(ds->Locate("Title", "Da", TLocateOptions{loPartialKey}));
  EXPECT_EQ(Id(), 1);

  EXPECT_EQ(ds->Lookup("ID", 3, "Title").AsString(), "Day 3");
  EXPECT_EQ(Id(), 1) << "Lookup does not move";
  EXPECT_TRUE(ds->Lookup("ID", 42, "Title").IsNull());
  EXPECT_TRUE(states.empty());

  // A temporary state hides everything that happens inside it, and restores Modified.
  ds->Edit();
  ds->FieldByName("Title")->SetAsString("x");
  Take();
  const TDataSetState saved = ds->SetTempState(dsCalcFields);
  EXPECT_EQ(ds->State(), dsCalcFields);
  ds->DataEvent(deDataSetChange, 0);
  ds->RestoreState(saved);
  EXPECT_EQ(ds->State(), dsEdit);
  EXPECT_TRUE(ds->Modified());
  EXPECT_TRUE(Take().empty());
  ds->Cancel();

  // The set-key state is a real state.
  states.clear();
  ds->SetState(dsSetKey);
  ds->SetState(dsBrowse);
  EXPECT_EQ(states, (std::vector<TDataSetState>{dsSetKey, dsBrowse}));
}

TEST_F(DataSetTest, RefreshRereadsAroundTheCurrentRecord) {
  OpenWith(3);
  ds->Next();
  Take();
  ds->DeleteRowAt(0);  // changed behind the dataset's back
  ds->Refresh();
  EXPECT_EQ(Take(), (Log{"BeforeRefresh", "L:CheckBrowseMode", "L:DataSetChanged", "AfterRefresh"}));
  EXPECT_EQ(Id(), 2);
  ds->First();
  EXPECT_EQ(Id(), 2);
}

TEST_F(DataSetTest, InsertRecordAndAppendRecordStoreWholeRecords) {
  OpenWith(2);
  ds->Last();
  ds->InsertRecord({7, "Seven"});
  EXPECT_EQ(ds->IntColumn(), (std::vector<int>{1, 7, 2}));
  EXPECT_EQ(Id(), 7);
  ds->AppendRecord({8});
  EXPECT_EQ(ds->IntColumn(), (std::vector<int>{1, 7, 2, 8}));
  EXPECT_TRUE(ds->FieldByName("Title")->IsNull()) << "missing values stay null";
  EXPECT_EQ(ds->State(), dsBrowse);
  const Log got = Take();
  EXPECT_EQ(std::count(got.begin(), got.end(), "AfterPost"), 2);
}

TEST_F(DataSetTest, FieldValuesReadAndWriteSeveralFields) {
  OpenWith(2);
  const Variant both = ds->FieldValues("ID;Title");
  ASSERT_TRUE(both.IsArray());
  EXPECT_EQ(VarArrayGet(both, 0).AsInteger(), 1);
  EXPECT_EQ(VarArrayGet(both, 1).AsString(), "Day 1");
  ds->Edit();
  ds->SetFieldValues("ID; Title", VarArrayOf({Variant(11), Variant("Eleven")}));
  ds->Post();
  EXPECT_EQ(Id(), 11);
  EXPECT_EQ(ds->FieldValues("Title").AsString(), "Eleven");
  try {
    ds->FieldValues("ID;Nope");
    FAIL() << "no error";
  } catch (const EDatabaseError& e) {
    EXPECT_STREQ(e.what(), "Table1: Field 'Nope' not found");
  }
}

TEST_F(DataSetTest, DestroyingAnOpenDatasetLeavesSourcesAndLinksConsistent) {
  OpenWith(3);
  delete ds;
  ds = nullptr;
  EXPECT_EQ(source->DataSet(), nullptr);
  EXPECT_EQ(source->State(), dsInactive);
  EXPECT_FALSE(link->Active());
}

TEST_F(DataSetTest, ActiveReadFromAFormOpensOnLoaded) {
  ds->AddIntRows(1);
  ds->Loading();
  ds->SetReading(true);
  ds->SetActive(true);  // a stored "Active = True"
  ds->SetReading(false);
  EXPECT_FALSE(ds->Active()) << "not before every component is read";
  ds->Loaded();
  EXPECT_TRUE(ds->Active());
  EXPECT_EQ(Id(), 1);

  ds->Close();
  ds->failOpenAt = 2;
  ds->SetReading(true);
  ds->SetActive(true);
  ds->SetReading(false);
  EXPECT_THROW(ds->Loaded(), EDatabaseError) << "a failed open at run time is reported";
  EXPECT_FALSE(ds->Active());
}

TEST_F(DataSetTest, CircularDataLinksAreRefused) {
  // A detail whose master source follows the detail itself.
  struct TDetail : TArrayDataSet {
    using TArrayDataSet::TArrayDataSet;
    TDataSource* master = nullptr;
    TDataSource* GetDataSource() override { return master; }
  };
  auto* detail = New<TDetail>(owner);
  auto* detailSource = New<TDataSource>(owner);
  detailSource->SetName("DetailSource");
  detailSource->SetDataSet(detail);
  detail->master = source;
  EXPECT_TRUE(ds->IsLinkedTo(detailSource)) << "the detail's source shows data that depends on ds";
  EXPECT_TRUE(ds->IsLinkedTo(source));
  EXPECT_FALSE(detail->IsLinkedTo(source));
  detail->master = detailSource;
  try {
    detailSource->SetDataSet(nullptr);
    detailSource->SetDataSet(detail);
    FAIL() << "no error";
  } catch (const EDatabaseError& e) {
    EXPECT_STREQ(e.what(), "DetailSource: Circular datalinks are not allowed");
  }
}

}  // namespace
