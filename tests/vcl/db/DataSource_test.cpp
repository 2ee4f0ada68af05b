#include "vcl/db/DataSource.h"

#include <memory>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "vcl/db/ArrayDataSet.h"
#include "vcl/rtl/Exceptions.h"

using dbtest::Column;
using dbtest::Log;
using dbtest::TArrayDataSet;
using dbtest::TRecordingLink;

namespace {

class DataSourceTest : public ::testing::Test {
 protected:
  void SetUp() override {
    owner = new TComponent(nullptr);
    ds = New<TArrayDataSet>(owner, std::vector<Column>{{"ID", ftInteger}, {"Title", ftString, 25}, {"Text", ftMemo}});
    ds->SetName("Days");
    source = New<TDataSource>(owner);
    source->SetName("DS1");
    source->SetDataSet(ds);
  }
  void TearDown() override {
    memo.reset();
    delete owner;
  }
  void Fill() {
    ds->Open();
    ds->AppendRecord({1, "Monday", "first text"});
    ds->AppendRecord({2, "Tuesday", "second text"});
    ds->First();
  }
  // A memo-like control: shows the field's text, takes typed text, writes it back on request.
  void AttachMemo(const char* fieldName) {
    memo = std::make_unique<TFieldDataLink>();
    control = New<TComponent>(owner);
    control->SetName("Memo1");
    memo->SetControl(control);
    memo->OnDataChange = [this](TObject*) {
      shown = memo->Field() != nullptr ? memo->Field()->AsString() : "<none>";
      log.push_back("data:" + shown);
    };
    memo->OnUpdateData = [this](TObject*) {
      log.push_back("update");
      memo->Field()->SetAsString(shown);
    };
    memo->OnEditingChange = [this](TObject*) { log.push_back(std::string("editing:") + (memo->Editing() ? "1" : "0")); };
    memo->OnActiveChange = [this](TObject*) { log.push_back(std::string("active:") + (memo->Active() ? "1" : "0")); };
    memo->SetFieldName(fieldName);
    memo->SetDataSource(source);
  }
  // Typing into the control: the link must first get the dataset into edit state.
  bool Type(const std::string& text) {
    if (!memo->Edit()) return false;
    shown = text;
    memo->Modified();
    return true;
  }

  TComponent* owner = nullptr;
  TArrayDataSet* ds = nullptr;
  TDataSource* source = nullptr;
  TComponent* control = nullptr;
  std::unique_ptr<TFieldDataLink> memo;
  std::string shown;
  Log log;
};

TEST_F(DataSourceTest, FieldDataLinkShowsEditsAndWritesBackItsField) {
  AttachMemo("Text");
  Fill();
  log.clear();
  EXPECT_EQ(shown, "first text");
  EXPECT_EQ(memo->Field(), ds->FieldByName("Text"));

  EXPECT_TRUE(Type("changed text"));
  EXPECT_EQ(ds->State(), dsEdit);
  EXPECT_EQ(log, (Log{"editing:1", "data:first text"})) << "entering edit reloads the record";
  shown = "changed text";
  memo->Modified();
  log.clear();
  ds->Post();
  EXPECT_EQ(log, (Log{"update", "editing:0", "data:changed text"}));
  EXPECT_EQ(ds->FieldByName("Text")->AsString(), "changed text");

  ds->Next();
  EXPECT_EQ(shown, "second text");
  memo->SetFieldName("Title");
  EXPECT_EQ(shown, "Tuesday");
  try {
    memo->SetFieldName("Nope");
    FAIL() << "no error";
  } catch (const EDatabaseError& e) {
    EXPECT_STREQ(e.what(), "Memo1: Field 'Nope' not found");
  }
}

TEST_F(DataSourceTest, FieldDataLinkEditsOnlyWhereEditingIsAllowed) {
  AttachMemo("Text");
  Fill();
  source->SetAutoEdit(false);
  EXPECT_FALSE(Type("x"));
  EXPECT_EQ(ds->State(), dsBrowse);
  source->SetAutoEdit(true);

  ds->FieldByName("Text")->SetReadOnly(true);
  EXPECT_FALSE(memo->CanModify());
  EXPECT_FALSE(Type("x"));
  ds->FieldByName("Text")->SetReadOnly(false);

  memo->SetReadOnly(true);
  EXPECT_FALSE(Type("x"));
  memo->SetReadOnly(false);

  ds->readOnly = true;
  EXPECT_FALSE(memo->CanModify());
  ds->readOnly = false;
  EXPECT_TRUE(Type("x"));
}

TEST_F(DataSourceTest, FieldDataLinkLetsGoOfItsFieldBeforeTheCloseDestroysIt) {
  AttachMemo("Text");
  Fill();
  TField* seenAtClose = reinterpret_cast<TField*>(1);
  source->OnStateChange = [&](TObject*) { seenAtClose = memo->Field(); };
  log.clear();
  ds->Close();
  EXPECT_EQ(seenAtClose, nullptr);
  EXPECT_EQ(log, (Log{"data:<none>", "active:0"}));
  EXPECT_EQ(shown, "<none>");
  ds->Open();
  EXPECT_EQ(shown, "first text");
  EXPECT_EQ(memo->Field(), ds->FieldByName("Text"));

  // The same across a close and reopen while the controls are disabled (as a save does).
  ds->DisableControls();
  ds->Close();
  EXPECT_EQ(memo->Field(), nullptr);
  ds->Open();
  EXPECT_EQ(memo->Field(), ds->FieldByName("Text"));
  ds->EnableControls();
  EXPECT_EQ(shown, "first text");
}

TEST_F(DataSourceTest, FocusControlReachesTheLinkOfTheField) {
  AttachMemo("Title");
  Fill();
  int requests = 0;
  memo->OnFocusRequest = [&](TFieldDataLink*) {
    ++requests;
    return true;
  };
  ds->FieldByName("Title")->FocusControl();
  ds->FieldByName("ID")->FocusControl();
  EXPECT_EQ(requests, 1);
}

TEST_F(DataSourceTest, SourceEventsAndStates) {
  Fill();
  std::vector<std::string> events;
  source->OnDataChange = [&](TObject*, TField* field) { events.push_back(field ? field->FieldName() : "nil"); };
  source->OnUpdateData = [&](TObject*) { events.push_back("update"); };
  ds->Next();
  ds->Edit();
  ds->FieldByName("Title")->SetAsString("x");
  ds->Post();
  EXPECT_EQ(events, (std::vector<std::string>{"nil", "nil", "Title", "update", "nil"}));

  source->Edit();
  EXPECT_EQ(ds->State(), dsEdit) << "AutoEdit";
  ds->Cancel();
  source->SetAutoEdit(false);
  source->Edit();
  EXPECT_EQ(ds->State(), dsBrowse);

  source->SetDataSet(nullptr);
  EXPECT_EQ(source->State(), dsInactive);
  source->SetDataSet(ds);
  EXPECT_EQ(source->State(), dsBrowse);

  TRecordingLink fixed(log, "F");
  fixed.SetDataSource(source);
  fixed.SetDataSourceFixed(true);
  EXPECT_THROW(fixed.SetDataSource(nullptr), EDatabaseError);
  fixed.SetDataSourceFixed(false);
}

TEST_F(DataSourceTest, DetailLinksHearEventsBeforeControls) {
  Fill();
  TRecordingLink control(log, "control");
  control.SetVisualControl(true);
  control.SetDataSource(source);
  TRecordingLink detail(log, "detail");
  detail.SetDataSource(source);
  log.clear();
  ds->Next();
  EXPECT_EQ(log, (Log{"detail:CheckBrowseMode", "control:CheckBrowseMode", "detail:Scrolled(1)", "control:Scrolled(1)"}));
}

TEST_F(DataSourceTest, MasterLinkFollowsTheMastersKeyFields) {
  Fill();
  auto* detail = New<TArrayDataSet>(owner, std::vector<Column>{{"DayID", ftInteger}, {"Note", ftString, 10}});
  detail->Open();
  detail->AppendRecord({1, "n"});
  TMasterDataLink master(detail);
  std::vector<std::string> heard;
  master.OnMasterChange = [&](TObject*) { heard.push_back("change:" + ds->FieldByName("ID")->AsString()); };
  master.OnMasterDisable = [&](TObject*) { heard.push_back("disable"); };
  master.SetDataSource(source);
  master.SetFieldNames("ID");
  ASSERT_EQ(master.Fields().size(), 1u);
  EXPECT_EQ(master.Fields()[0], ds->FieldByName("ID"));
  EXPECT_EQ(master.GetDetailDataSet(), detail);

  ds->Next();
  ds->Edit();
  ds->FieldByName("Title")->SetAsString("other");  // not a key field
  ds->FieldByName("ID")->SetAsInteger(5);
  ds->Cancel();

  // The detail's pending edit is posted when the master moves on.
  detail->Edit();
  detail->FieldByName("Note")->SetAsString("posted");
  ds->Prior();
  EXPECT_EQ(detail->State(), dsBrowse);
  EXPECT_EQ(detail->FieldByName("Note")->AsString(), "posted");

  ds->Close();
  EXPECT_EQ(heard, (std::vector<std::string>{"disable" /* no key fields yet */, "change:1", "change:2", "change:2", "change:5", "change:2", "change:1",
                                             "disable"}));
}

}  // namespace
