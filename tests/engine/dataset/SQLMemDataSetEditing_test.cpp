// The engine dataset's editing over the cursor's write protocol: the database's record events with
// the values they are handed and their vetoes, the read-only checks, cancel, failures reported by the
// cursor, and the state a post leaves behind.
#include <gtest/gtest.h>

#include <algorithm>
#include <ostream>
#include <string>
#include <vector>

#include "tests/engine/dataset/DataSetEditingSupport.h"

namespace {

using DataSetEditing = DataSetEditingTest;

enum class Operation { Insert, AddRecord, AppendDirect, Update, Delete };

struct EventCase {
  const char* name;
  Operation operation;
  bool veto;
  TDataSetState state;                // after the operation
  std::string message;                // of the database error, "" when none
  std::vector<std::string> rows;      // the table afterwards
  std::vector<std::string> events;    // the record events with their value arrays
};

void PrintTo(const EventCase& c, std::ostream* os) { *os << c.name; }

const std::vector<std::string> kSeedRows{"2024.01.01/Day 0/Text 0", "2024.01.02/Day 1/Text 1"};

// The seed rows have RecID 1 and 2; a new record takes the next one from the table's defaults.
const EventCase kEventCases[] = {
    {"insert",
     Operation::Insert,
     false,
     dsBrowse,
     "",
     {"2024.01.01/Day 0/Text 0", "2024.01.02/Day 1/Text 1", "2024.01.05/New/Fresh"},
     {"BeforeInsert fans new=3|2024.01.05|New|Fresh", "AfterInsert fans new=3|2024.01.05|New|Fresh"}},
    {"insert vetoed",
     Operation::Insert,
     true,
     dsInsert,
     "Insert record is blocked by database event",
     kSeedRows,
     {"BeforeInsert fans new=3|2024.01.05|New|Fresh"}},
    {"add record",
     Operation::AddRecord,
     false,
     dsBrowse,
     "",
     {"2024.01.01/Day 0/Text 0", "2024.01.02/Day 1/Text 1", "2024.01.05/New/Fresh"},
     {"BeforeInsert fans new=3|2024.01.05|New|Fresh", "AfterInsert fans new=3|2024.01.05|New|Fresh"}},
    {"add record vetoed",
     Operation::AddRecord,
     true,
     dsBrowse,
     "Insert record is blocked by database event",
     kSeedRows,
     {"BeforeInsert fans new=3|2024.01.05|New|Fresh"}},
    // Through the cursor alone only where no handler listens: with handlers, as Append and Post.
    {"append direct",
     Operation::AppendDirect,
     false,
     dsBrowse,
     "",
     {"2024.01.01/Day 0/Text 0", "2024.01.02/Day 1/Text 1", "2024.01.05/New/Fresh"},
     {"BeforeInsert fans new=3|2024.01.05|New|Fresh", "AfterInsert fans new=3|2024.01.05|New|Fresh"}},
    {"append direct vetoed",
     Operation::AppendDirect,
     true,
     dsInsert,
     "Insert record is blocked by database event",
     kSeedRows,
     {"BeforeInsert fans new=3|2024.01.05|New|Fresh"}},
    {"update",
     Operation::Update,
     false,
     dsBrowse,
     "",
     {"2024.01.01/Changed/Text 0", "2024.01.02/Day 1/Text 1"},
     {"BeforeUpdate fans old=1|2024.01.01|Day 0|Text 0 new=1|2024.01.01|Changed|Text 0",
      "AfterUpdate fans old=1|2024.01.01|Day 0|Text 0 new=1|2024.01.01|Changed|Text 0"}},
    {"update vetoed",
     Operation::Update,
     true,
     dsEdit,
     "Update record is blocked by database event",
     kSeedRows,
     {"BeforeUpdate fans old=1|2024.01.01|Day 0|Text 0 new=1|2024.01.01|Changed|Text 0"}},
    {"delete",
     Operation::Delete,
     false,
     dsBrowse,
     "",
     {"2024.01.02/Day 1/Text 1"},
     {"BeforeDelete fans old=1|2024.01.01|Day 0|Text 0", "AfterDelete fans old=1|2024.01.01|Day 0|Text 0"}},
    {"delete vetoed",
     Operation::Delete,
     true,
     dsBrowse,
     "Delete record is blocked by database event",
     kSeedRows,
     {"BeforeDelete fans old=1|2024.01.01|Day 0|Text 0"}},
};

// Appends day 2024.01.05 "New" with the text "Fresh" (a BLOB) as record 3 through AppendRecordDirect.
void AppendDirect(TSQLMemDataSet& dataSet) {
  TSQLMemVariant id, day, title, text;
  id.SetAsInteger(3);
  day.SetAsString("2024.01.05");
  title.SetAsString("New");
  text.SetAsString("Fresh");
  const TSQLMemVariant* values[] = {&id, &day, &title, &text};
  dataSet.AppendRecordDirect(values, 4);
}

class DataSetRecordEvents : public DataSetEditingTest, public ::testing::WithParamInterface<EventCase> {};

TEST_P(DataSetRecordEvents, SeeTheValuesAndCanVeto) {
  const EventCase& c = GetParam();
  AddNumberedDays(2);
  RecordEvents();
  vetoInsert = vetoUpdate = vetoDelete = c.veto;
  edited->Open();
  ASSERT_EQ(Current(), "Day 0");
  const std::string message = DatabaseErrorOf([&] {
    switch (c.operation) {
      case Operation::Insert:
        edited->Append();
        edited->FieldByName("ShortDateDay")->SetAsString("2024.01.05");
        edited->FieldByName("Title")->SetAsString("New");
        edited->FieldByName("Text")->SetAsString("Fresh");
        edited->Post();
        break;
      case Operation::AddRecord:
        edited->AppendRecord({Variant(), Variant("2024.01.05"), Variant("New"), Variant("Fresh")});
        break;
      case Operation::AppendDirect:
        AppendDirect(*edited);
        break;
      case Operation::Update:
        edited->Edit();
        edited->FieldByName("Title")->SetAsString("Changed");
        edited->Post();
        break;
      case Operation::Delete:
        edited->Delete();
        break;
    }
  });
  EXPECT_EQ(message, c.message.empty() ? "<no error>" : c.message);
  EXPECT_EQ(edited->State(), c.state);
  EXPECT_EQ(Rows(), c.rows);
  EXPECT_EQ(events, c.events);
  // A veto stops the operation before it reaches the cursor.
  const int writes = edited->counting->posts + edited->counting->deletes;
  EXPECT_EQ(writes, c.veto ? 0 : 1);
}

INSTANTIATE_TEST_SUITE_P(InsertUpdateDelete, DataSetRecordEvents, ::testing::ValuesIn(kEventCases),
                         [](const ::testing::TestParamInfo<EventCase>& info) {
                           std::string name;
                           for (const char* p = info.param.name; *p != '\0'; ++p)
                             if (*p != ' ') name += *p == '-' ? '_' : *p;
                           return name;
                         });

TEST_F(DataSetEditing, AppendRecordDirectPostsThroughTheCursorAndLeavesTheDataSetBrowsing) {
  AddNumberedDays(2);
  edited->Open();
  ASSERT_EQ(Current(), "Day 0");
  AppendDirect(*edited);
  EXPECT_EQ(edited->counting->posts, 1);
  EXPECT_EQ(edited->State(), dsBrowse);
  EXPECT_EQ(Rows(), (std::vector<std::string>{"2024.01.01/Day 0/Text 0", "2024.01.02/Day 1/Text 1",
                                              "2024.01.05/New/Fresh"}));
  edited->Last();
  EXPECT_EQ(Current(), "New");
  EXPECT_EQ(Current("Text"), "Fresh");

  // A refusal of the cursor is reported as a post's.
  edited->counting->forced = TCountingCursor::kPost;
  edited->counting->forcedCode = 5;
  edited->counting->forcedText = "refused here";
  EXPECT_EQ(DatabaseErrorOf([&] { AppendDirect(*edited); }), "refused here");
  EXPECT_EQ(edited->State(), dsBrowse);
}

TEST_F(DataSetEditing, TheRecordEventsAreFiredWithTheUnknownTableNameWhenTheCursorHasNone) {
  AddNumberedDays(1);
  RecordEvents();
  edited->Open();
  edited->counting->TableName.clear();
  edited->Edit();
  edited->FieldByName("Title")->SetAsString("Renamed");
  edited->Post();
  ASSERT_EQ(events.size(), 2u);
  EXPECT_EQ(events[0].rfind("BeforeUpdate Unknown table old=", 0), 0u) << events[0];
}

TEST_F(DataSetEditing, APostAfterAVetoedOneHandsTheHandlersTheRecordAsItWas) {
  AddNumberedDays(1);
  RecordEvents();
  edited->Open();
  edited->Edit();
  edited->FieldByName("Title")->SetAsString("Changed");
  vetoUpdate = true;
  EXPECT_EQ(DatabaseErrorOf([&] { edited->Post(); }), "Update record is blocked by database event");
  vetoUpdate = false;
  events.clear();
  edited->Post();
  EXPECT_EQ(edited->State(), dsBrowse);
  EXPECT_EQ(events, (std::vector<std::string>{
                        "BeforeUpdate fans old=1|2024.01.01|Day 0|Text 0 new=1|2024.01.01|Changed|Text 0",
                        "AfterUpdate fans old=1|2024.01.01|Day 0|Text 0 new=1|2024.01.01|Changed|Text 0"}));
}

TEST_F(DataSetEditing, AnAfterHandlerSeesWhatTheBeforeHandlerChanged) {
  AddNumberedDays(1);
  RecordEvents();
  database->BeforeInsertRecord = [](TSQLMemDataSet* sender, const AnsiString&, const TSQLMemArrayOfTSQLMemVariant&,
                                    bool&) { sender->FieldByName("Title")->SetAsString("Stamped"); };
  edited->Open();
  edited->Append();
  edited->FieldByName("ShortDateDay")->SetAsString("2024.01.09");
  edited->FieldByName("Title")->SetAsString("Draft");
  edited->Post();
  EXPECT_EQ(events, (std::vector<std::string>{"AfterInsert fans new=2|2024.01.09|Stamped|null"}));
  EXPECT_EQ(Rows().back(), "2024.01.09/Stamped/null");
}

TEST_F(DataSetEditing, PostingOnAReadOnlySetRaisesBeforeTheCursorIsCalled) {
  AddNumberedDays(1);
  RecordEvents();
  edited->Open();
  edited->Append();
  edited->FieldByName("ShortDateDay")->SetAsString("2024.01.05");
  edited->SetReadOnly(true);
  EXPECT_EQ(EngineErrorOf([&] { edited->Post(); }), 10032);
  EXPECT_EQ(edited->counting->posts, 0);
  EXPECT_TRUE(events.empty());
  EXPECT_EQ(edited->State(), dsInsert);
  EXPECT_EQ(Rows().size(), 1u);

  // The other writers refuse likewise, each with its own code.
  edited->Cancel();
  EXPECT_EQ(EngineErrorOf([&] { edited->Delete(); }), 10069);
  EXPECT_EQ(EngineErrorOf([&] { edited->DeleteAllRecords(); }), 11305);
  std::vector<TSQLMemVariant> values(1);
  values[0].SetAsString("x");
  EXPECT_EQ(EngineErrorOf([&] { edited->UpdateAllRecords({"Title"}, values); }), 11464);
  EXPECT_EQ(edited->counting->deletes, 0);
  EXPECT_EQ(Rows(), (std::vector<std::string>{"2024.01.01/Day 0/Text 0"}));
}

TEST_F(DataSetEditing, CancelDropsTheChangeAtTheCursor) {
  AddNumberedDays(2);
  RecordEvents();
  edited->Open();
  edited->Edit();
  edited->FieldByName("Title")->SetAsString("Changed");
  edited->Cancel();
  EXPECT_EQ(Current(), "Day 0");
  edited->Append();
  edited->FieldByName("ShortDateDay")->SetAsString("2024.02.01");
  edited->FieldByName("Text")->SetAsString("never stored");
  edited->Cancel();
  EXPECT_EQ(edited->counting->discards, 2);
  EXPECT_EQ(edited->counting->posts, 0);
  EXPECT_TRUE(events.empty());
  EXPECT_EQ(Rows(), kSeedRows);
  EXPECT_EQ(edited->RecordCount(), 2);
}

TEST_F(DataSetEditing, ClosingWhileEditingCancelsTheEdit) {
  AddNumberedDays(1);
  edited->Open();
  edited->Edit();
  edited->FieldByName("Title")->SetAsString("Changed");
  edited->Close();
  EXPECT_EQ(Rows(), (std::vector<std::string>{"2024.01.01/Day 0/Text 0"}));
  edited->Open();
  EXPECT_EQ(edited->State(), dsBrowse);
  EXPECT_EQ(Current(), "Day 0");
}

TEST_F(DataSetEditing, DeletingWhileEditingDeletesTheStoredRecord) {
  AddNumberedDays(2);
  RecordEvents();
  edited->Open();
  edited->Edit();
  edited->FieldByName("Title")->SetAsString("Changed");
  edited->Delete();
  EXPECT_EQ(events, (std::vector<std::string>{"BeforeDelete fans old=1|2024.01.01|Day 0|Text 0",
                                               "AfterDelete fans old=1|2024.01.01|Day 0|Text 0"}));
  EXPECT_EQ(Rows(), (std::vector<std::string>{"2024.01.02/Day 1/Text 1"}));
  EXPECT_EQ(Current(), "Day 1");
}

TEST_F(DataSetEditing, AFailedPostReportsTheCursorsTextAndKeepsTheInsert) {
  AddNumberedDays(2);
  edited->Open();
  const std::string duplicate = "Primary Key constraint 'ByShortDate' violated. Duplicate found. - Native error: 30319";
  edited->Append();
  edited->FieldByName("ShortDateDay")->SetAsString("2024.01.02");  // the primary key of Day 1
  edited->FieldByName("Title")->SetAsString("Twin");
  EXPECT_EQ(DatabaseErrorOf([&] { edited->Post(); }), duplicate);
  EXPECT_EQ(edited->State(), dsInsert);
  EXPECT_EQ(Rows(), kSeedRows);
  // Fixing the key lets the same insert through.
  edited->FieldByName("ShortDateDay")->SetAsString("2024.01.03");
  edited->Post();
  EXPECT_EQ(Rows().back(), "2024.01.03/Twin/null");

  edited->Edit();
  edited->FieldByName("ShortDateDay")->SetAsString("2024.01.01");
  EXPECT_EQ(DatabaseErrorOf([&] { edited->Post(); }), duplicate);
  EXPECT_EQ(edited->State(), dsEdit);
  edited->Cancel();

  EXPECT_EQ(DatabaseErrorOf([&] { edited->AppendRecord({Variant(), Variant("2024.01.02"), Variant("Twin")}); }),
            duplicate);
  EXPECT_EQ(Rows().size(), 3u);
}

TEST_F(DataSetEditing, APostedRecordIsCurrentWithAUsableBookmark) {
  AddNumberedDays(3);
  edited->Open();
  edited->Append();
  edited->FieldByName("ShortDateDay")->SetAsString("2024.01.04");
  edited->FieldByName("Title")->SetAsString("Fresh");
  edited->Post();
  EXPECT_EQ(Current(), "Fresh");
  EXPECT_EQ(Current("RecID"), "4");
  const TBookmark fresh = edited->GetBookmark();
  ASSERT_FALSE(fresh.IsNull());
  EXPECT_TRUE(edited->BookmarkValid(fresh));
  edited->First();
  EXPECT_EQ(Current(), "Day 0");
  edited->GotoBookmark(fresh);
  EXPECT_EQ(Current(), "Fresh");

  edited->Edit();
  edited->FieldByName("Text")->SetAsString("Edited text");
  edited->Post();
  EXPECT_EQ(Current(), "Fresh");
  EXPECT_EQ(Current("Text"), "Edited text");
  edited->Prior();
  EXPECT_EQ(Current(), "Day 2");
  EXPECT_EQ(Rows().back(), "2024.01.04/Fresh/Edited text");
}

TEST_F(DataSetEditing, TheEventTestsFollowTheHeldDatabase) {
  AddNumberedDays(1);
  EXPECT_FALSE(edited->HasBeforeInsertRecordEvent()) << "no database while closed";
  database->BeforeInsertRecord = [](TSQLMemDataSet*, const AnsiString&, const TSQLMemArrayOfTSQLMemVariant&, bool&) {};
  database->AfterExecuteSQL = [](TSQLMemQuery*) {};
  EXPECT_FALSE(edited->HasBeforeInsertRecordEvent());
  edited->Open();
  EXPECT_TRUE(edited->HasBeforeInsertRecordEvent());
  EXPECT_TRUE(edited->HasAfterExecuteSQLEvent());
  EXPECT_FALSE(edited->HasAfterInsertRecordEvent());
  EXPECT_FALSE(edited->HasBeforeUpdateRecordEvent());
  EXPECT_FALSE(edited->HasAfterUpdateRecordEvent());
  EXPECT_FALSE(edited->HasBeforeDeleteRecordEvent());
  EXPECT_FALSE(edited->HasAfterDeleteRecordEvent());
  EXPECT_FALSE(edited->HasBeforeExecuteSQLEvent());
}

TEST_F(DataSetEditing, UnderAGridEveryWriteShowsInTheWindow) {
  AddNumberedDays(10);
  TGridTitles& grid = AttachGrid(5);
  edited->Open();
  edited->MoveBy(3);
  ASSERT_EQ(Current(), "Day 3");

  edited->Edit();
  edited->FieldByName("Title")->SetAsString("Third");
  edited->Post();
  EXPECT_EQ(grid.Rows(), (std::vector<std::string>{"Day 0", "Day 1", "Day 2", "Third", "Day 4"}));
  EXPECT_EQ(Current(), "Third");

  // A new record takes its place by its key, wherever it was inserted.
  edited->Insert();
  edited->FieldByName("ShortDateDay")->SetAsString("2024.01.3");  // after every other day
  edited->FieldByName("Title")->SetAsString("Last");
  edited->Post();
  EXPECT_EQ(Current(), "Last");
  edited->Prior();
  EXPECT_EQ(Current(), "Day 9");
  edited->Next();
  edited->Next();
  EXPECT_TRUE(edited->Eof());
  EXPECT_EQ(Current(), "Last");

  edited->First();
  edited->MoveBy(2);
  edited->Delete();
  EXPECT_EQ(Current(), "Third");
  EXPECT_EQ(grid.Rows(), (std::vector<std::string>{"Day 0", "Day 1", "Third", "Day 4", "Day 5"}));
  EXPECT_EQ(edited->RecordCount(), 10);
  EXPECT_EQ(Rows().size(), 10u);
}

struct ResultCase {
  TCountingCursor::Kind kind;
  Integer code;
  const char* text;     // the cursor's error text
  const char* message;  // of the database error; "<no error>" when none
  bool addRecord = false;  // a post through AppendRecord rather than Edit and Post
};

// Every result code of the cursor's record operations: the expected ones by name, any other with the
// cursor's own text (or, without one, the operation and the code).
TEST_F(DataSetEditing, TheCursorsResultCodesBecomeTheirMessages) {
  const ResultCase cases[] = {
      {TCountingCursor::kEdit, -9, "", "Cannot update record in temporary mode"},
      {TCountingCursor::kEdit, -2, "Record is locked", "Record is locked"},
      {TCountingCursor::kEdit, -42, "", "Error editing record: result code -42"},
      {TCountingCursor::kDelete, -10, "", "Cannot delete record in temporary mode"},
      {TCountingCursor::kDelete, -3, "Record is referenced", "Error deleting record: Record is referenced"},
      {TCountingCursor::kDelete, -5, "", "Error deleting record - record was modified by other process"},
      {TCountingCursor::kDelete, -7, "", "Error deleting record - record was deleted by other process"},
      {TCountingCursor::kDelete, -8, "Check failed", "Check failed"},
      {TCountingCursor::kPost, -2, "Error updating record: disk full", "Error updating record: disk full"},
      {TCountingCursor::kPost, -8, "", "Error updating record: result code -8"},
      {TCountingCursor::kPost, -1, "refused", "Error adding record, table name = fans, InMemory = True, Temporary = False",
       true},
      {TCountingCursor::kPost, -8, "Check failed", "Check failed", true},
      {TCountingCursor::kDiscard, -11, "", "<no error>"},
      {TCountingCursor::kDiscard, -4, "Cannot discard", "Cannot discard"},
  };
  AddNumberedDays(2);
  edited->Open();
  for (const ResultCase& c : cases) {
    SCOPED_TRACE(std::to_string(c.kind) + " " + std::to_string(c.code));
    TCountingCursor& cursor = *edited->counting;
    cursor.forced = c.kind;
    cursor.forcedCode = c.code;
    cursor.forcedText = c.text;
    const std::string message = DatabaseErrorOf([&] {
      switch (c.kind) {
        case TCountingCursor::kEdit:
          edited->Edit();
          break;
        case TCountingCursor::kDelete:
          edited->Delete();
          break;
        case TCountingCursor::kPost:
          if (c.addRecord) {
            edited->AppendRecord({Variant(), Variant("2024.02.01"), Variant("Added")});
            break;
          }
          edited->Edit();
          edited->FieldByName("Title")->SetAsString("Changed");
          edited->Post();
          break;
        default:
          edited->Edit();
          edited->FieldByName("Title")->SetAsString("Changed");
          edited->Cancel();
          break;
      }
    });
    EXPECT_EQ(message, c.message);
    cursor.forced = TCountingCursor::kNone;
    if (edited->State() != dsBrowse) edited->Cancel();
    EXPECT_EQ(edited->State(), dsBrowse);
    EXPECT_EQ(Rows(), kSeedRows);
  }
}

TEST_F(DataSetEditing, RefreshShowsWhatOtherCursorsWrote) {
  AddNumberedDays(3);
  edited->Open();
  edited->Next();
  ASSERT_EQ(Current(), "Day 1");
  AddDays({{"2024.01.1", "Added elsewhere", ""}});  // sorts after the other days
  edited->Refresh();
  EXPECT_EQ(Current(), "Day 1");
  EXPECT_EQ(edited->RecordCount(), 4);
  edited->Last();
  EXPECT_EQ(Current(), "Added elsewhere");

  // The current record deleted by another dataset: the refresh settles on a record that exists.
  edited->First();
  edited->Next();
  ASSERT_EQ(Current(), "Day 1");
  dataSet->Open();
  ASSERT_TRUE(dataSet->Locate("Title", Variant("Day 1"), {}));
  dataSet->Delete();
  edited->Refresh();
  EXPECT_NE(Current(), "Day 1");
  EXPECT_EQ(edited->RecordCount(), 3);
}

}  // namespace
