#include "engine/storage/SQLMemLocalEngine.h"

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "engine/sql/SQLMemExpression.h"
#include "engine/storage/SQLMemLocalBLOBStream.h"
#include "engine/storage/SQLMemTableStream.h"
#include "tests/engine/storage/LocalCursorTestSupport.h"
#include "tests/engine/storage/TableTestSupport.h"
#include "vcl/rtl/Stream.h"
#include "vcl/rtl/Variant.h"

namespace {

// The fixture's own in-memory database, so that no test leaves a table in "MEMORY".
constexpr char kDatabase[] = "CURSORTEST";

class LocalCursorTest : public EngineBlocksTest {
 protected:
  void SetUp() override {
    EngineBlocksTest::SetUp();
    pageLeaksBefore_ = PageLeakReports();
    database_ = std::make_unique<TSQLMemMemoryDatabaseData>(kDatabase);
    session.InMemory = 1;
    session.DatabaseName = kDatabase;
    session.SetConnected(true);
  }
  void TearDown() override {
    for (auto& cursor : cursors_) {
      if (cursor->CurrentRecordBuffer != nullptr) cursor->FreeRecordBuffer(cursor->CurrentRecordBuffer);
      cursor.reset();
    }
    session.SetConnected(false);
    database_.reset();
    EXPECT_EQ(PageLeakReports(), pageLeaksBefore_) << "a table went with pages that belong to no index";
    EngineBlocksTest::TearDown();
  }

  // A closed cursor on the table, as the dataset components make one.
  TSQLMemLocalCursor& NewCursor(const AnsiString& tableName = "Days") {
    cursors_.push_back(std::make_unique<TSQLMemLocalCursor>());
    TSQLMemLocalCursor& cursor = *cursors_.back();
    cursor.Session = &session;
    cursor.InMemory = 1;
    cursor.TableName = tableName;
    return cursor;
  }
  // Opens the cursor and gives it a record buffer of its own, as the dataset does.
  static void Open(TSQLMemLocalCursor& cursor, const DiarySchema* schema = nullptr) {
    cursor.OpenTable(schema != nullptr ? &schema->fields : nullptr, schema != nullptr ? &schema->indexes : nullptr,
                     schema != nullptr ? &schema->constraints : nullptr);
    if (cursor.CurrentRecordBuffer == nullptr) cursor.CurrentRecordBuffer = cursor.AllocRecordBuffer();
  }
  TSQLMemLocalCursor& CreateAndOpen(const DiarySchema& schema = DiarySchema()) {
    TSQLMemLocalCursor& cursor = NewCursor();
    cursor.CreateTable(schema.fields, schema.indexes, schema.constraints);
    Open(cursor);
    cursor.SetIndexName("ByShortDate");
    return cursor;
  }

  // Writes the memo through a stream opened for writing and closes it, which stores the value.
  static void PutMemo(TSQLMemLocalCursor& cursor, const std::string& text) {
    TStream* stream = cursor.OpenBLOB(kText, bomWrite);
    ASSERT_NE(stream, nullptr);
    if (!text.empty()) stream->WriteBuffer(text.data(), static_cast<Integer>(text.size()));
    cursor.CloseBLOB(kText);
  }
  // A new day posted as the dataset posts it; the result code.
  static Integer PostDay(TSQLMemLocalCursor& cursor, const std::string& day, const std::string& title,
                         const std::string& memo) {
    cursor.InitRecordBuffer(cursor.CurrentRecordBuffer);
    cursor.ClearRecordBuffer(cursor.CurrentRecordBuffer, true);
    PutText(cursor, kShortDateDay, day);
    PutText(cursor, kTitle, title);
    PutMemo(cursor, memo);
    cursor.PostRecord(true);
    return cursor.ResultCode;
  }
  // The dataset keeps the bookmark of the record it shows in the buffer's trailer.
  static void MarkCurrent(TSQLMemLocalCursor& cursor) {
    cursor.SetTrailerPosition(cursor.CurrentRecordBuffer,
                              TSQLMemRecordID{cursor.PageNo, static_cast<Word>(cursor.ItemNo)});
  }

  TSQLMemLocalSession session;

 private:
  std::unique_ptr<TSQLMemMemoryDatabaseData> database_;
  std::vector<std::unique_ptr<TSQLMemLocalCursor>> cursors_;
  Integer pageLeaksBefore_ = 0;
};

TEST_F(LocalCursorTest, TheDiaryLivesThroughTheCursor) {
  TSQLMemLocalCursor& cursor = CreateAndOpen();
  const std::string longMemo(5000, 'x');
  ASSERT_EQ(PostDay(cursor, "2024.03.02", "second", "second day"), 0) << cursor.ErrorText;
  EXPECT_EQ(cursor.GetTrailerFlag(cursor.CurrentRecordBuffer), kBookmarkFlagInserted);
  ASSERT_EQ(PostDay(cursor, "2024.03.01", "first", longMemo), 0) << cursor.ErrorText;
  ASSERT_EQ(PostDay(cursor, "2024.03.03", "third", ""), 0) << cursor.ErrorText;

  // A second record of a day breaks the primary key: result code and message, nothing raised; the
  // memo the failed post wrote is given back.
  EXPECT_EQ(PostDay(cursor, "2024.03.01", "again", "duplicate"), -8);
  EXPECT_EQ(cursor.ErrorText,
            "Primary Key constraint 'ByShortDate' violated. Duplicate found. - Native error: 30319");
  cursor.DiscardRecordChanges();
  EXPECT_EQ(cursor.ResultCode, 0);
  EXPECT_EQ(cursor.GetRecordCount(), 3);

  // Navigation in the index's order, memos read whole; an empty memo is NULL.
  EXPECT_EQ(DiaryRows(cursor), (std::vector<std::string>{"2024.03.01|first|" + longMemo, "2024.03.02|second|second day",
                                                    "2024.03.03|third|<null>"}));
  EXPECT_EQ(cursor.GetRecord(ndPrior), nrFound);
  EXPECT_EQ(Text(cursor, kShortDateDay), "2024.03.03");
  cursor.SetRecNo(2);
  EXPECT_EQ(cursor.GetRecNo(), 2);
  ASSERT_EQ(cursor.GetRecord(ndCurrent), nrFound);
  EXPECT_EQ(Text(cursor, kShortDateDay), "2024.03.02");

  // Locate, then edit the memo and the title of the day found.
  ASSERT_TRUE(cursor.Locate("ShortDateDay", Variant("2024.03.01"), false, false));
  EXPECT_EQ(Text(cursor, kTitle), "first");
  EXPECT_FALSE(cursor.Locate("ShortDateDay", Variant("2024.04.01"), false, false));
  ASSERT_TRUE(cursor.Locate("ShortDateDay", Variant("2024.03.01"), false, false));
  ASSERT_EQ(cursor.GetRecord(ndCurrent), nrFound);
  MarkCurrent(cursor);
  PutText(cursor, kTitle, "first, edited");
  TStream* memo = cursor.OpenBLOB(kText, bomReadWrite);
  memo->SetSize(0);
  memo->WriteBuffer("short now", 9);
  cursor.CloseBLOB(kText);
  cursor.PostRecord(false);
  ASSERT_EQ(cursor.ResultCode, 0) << cursor.ErrorText;
  // Clearing a memo is stored too.
  ASSERT_TRUE(cursor.Locate("ShortDateDay", Variant("2024.03.02"), false, false));
  MarkCurrent(cursor);
  PutMemo(cursor, "");
  cursor.PostRecord(false);
  ASSERT_EQ(cursor.ResultCode, 0) << cursor.ErrorText;

  // Delete a day; deleting it again reports -3.
  ASSERT_TRUE(cursor.Locate("ShortDateDay", Variant("2024.03.03"), false, false));
  MarkCurrent(cursor);
  const std::vector<Byte> deleted(cursor.CurrentRecordBuffer, cursor.CurrentRecordBuffer + cursor.RecordBufferSize);
  cursor.DeleteRecord();
  EXPECT_EQ(cursor.ResultCode, 0);
  std::copy(deleted.begin(), deleted.end(), cursor.CurrentRecordBuffer);
  EXPECT_FALSE(cursor.RecordExists());
  cursor.DeleteRecord();
  EXPECT_EQ(cursor.ResultCode, -3);

  const std::vector<std::string> expected{"2024.03.01|first, edited|short now", "2024.03.02|second|<null>"};
  EXPECT_EQ(DiaryRows(cursor), expected);
  // The refused post took a RecID of its own.
  EXPECT_EQ(cursor.GetLastAutoincValue(kRecID), 4);

  // Saved as the diary saves its file (zlib, level 9), while no cursor is open on the table.
  TMemoryStream file;
  ExpectEngineError([&] { cursor.SaveTableToStream(file, 1, 9, 2097152, false, false); }, 10153,
                    "Cannot save table 'Days'. Table is open by another dataset - Native error: 10153");
  cursor.CloseTable();
  EXPECT_EQ(cursor.Open, 0);
  cursor.SaveTableToStream(file, 1, 9, 2097152, false, false);

  // Loaded again over the table of that name: the same rows, index order and memos, and new days
  // continue the RecIDs.
  file.SetPosition(0);
  TSQLMemLocalCursor& loader = NewCursor("Other");
  loader.LoadTableFromStream(file);
  EXPECT_EQ(loader.TableName, "Days");
  EXPECT_EQ(loader.Open, 0);
  Open(cursor);
  cursor.SetIndexName("ByShortDate");
  EXPECT_EQ(DiaryRows(cursor), expected);
  ASSERT_EQ(PostDay(cursor, "2024.03.05", "fifth", "after the load"), 0) << cursor.ErrorText;
  TSQLMemVariant recId;
  cursor.GetFieldValue(recId, kRecID, true, false);
  EXPECT_EQ(recId.GetAsLargeInt(), 5);
  cursor.CloseTable();
  cursor.DeleteTable(false);
}

TEST_F(LocalCursorTest, TableLevelErrorsAndResolution) {
  TSQLMemLocalCursor& cursor = NewCursor("Missing");
  ExpectEngineError([&] { cursor.DeleteTable(false); }, 10027, "Table not found, table name = Missing - Native error: 10027");
  ExpectEngineError([&] { cursor.EmptyTable(); }, 10073, "Table not found, table name = Missing - Native error: 10073");
  ExpectEngineError([&] { cursor.RenameTable("Other"); }, 10151, "Table not found, table name = Missing - Native error: 10151");

  // Definitions the table refuses leave no table behind.
  DiarySchema bad;
  bad.AddField("RecID", sftInteger, 0);
  EXPECT_THROW(cursor.CreateTable(bad.fields, bad.indexes, bad.constraints), ESQLMemException);
  ExpectEngineError([&] { cursor.DeleteTable(false); }, 10027, "Table not found, table name = Missing - Native error: 10027");

  // Rename, empty and delete of a real table; an open table refuses to be deleted.
  TSQLMemLocalCursor& days = CreateAndOpen();
  ASSERT_EQ(PostDay(days, "2024.01.01", "a", "memo"), 0);
  TSQLMemLocalCursor& other = NewCursor();
  EXPECT_THROW(other.DeleteTable(false), ESQLMemException);
  days.CloseTable();
  other.RenameTable("Napok");
  EXPECT_EQ(other.TableName, "Napok");
  Open(other);
  EXPECT_EQ(other.GetRecordCount(), 1);
  other.EmptyTable();
  Open(other);
  EXPECT_EQ(other.GetRecordCount(), 0);
  other.CloseTable();
  other.DeleteTable(false);
  ExpectEngineError([&] { other.DeleteTable(false); }, 10027, "Table not found, table name = Napok - Native error: 10027");
}

TEST_F(LocalCursorTest, AStreamThatIsNoTableStreamLeavesTheTableOfItsNameAlone) {
  TSQLMemLocalCursor& days = CreateAndOpen();
  ASSERT_EQ(PostDay(days, "2024.01.01", "a", "memo"), 0);
  days.CloseTable();
  // A table stream header naming the table, with a foreign signature: the name can be read, but the
  // stream is not one to replace a table with.
  TMemoryStream foreign;
  TSQLMemTableStreamHeader header;
  header.TableName = "Days";
  WriteTableStreamHeader(foreign, header);
  foreign.SetPosition(0);
  foreign.WriteBuffer("XXXX", 4);
  foreign.SetPosition(0);
  ASSERT_EQ(PeekTableStreamName(foreign), "Days");
  TSQLMemLocalCursor& loader = NewCursor();
  EXPECT_THROW(loader.LoadTableFromStream(foreign), ESQLMemException);
  EXPECT_EQ(foreign.GetPosition(), 0);
  Open(days);
  EXPECT_EQ(days.GetRecordCount(), 1);
  days.FreeRecordBuffer(days.CurrentRecordBuffer);
  days.CloseTable();
  days.DeleteTable(false);
}

TEST_F(LocalCursorTest, OpenRebuildsAnEmptyTableWithChangedDefinitionsButKeepsOneWithRecords) {
  DiarySchema changed;
  changed.AddField("Mood", sftInteger, 0);
  for (bool withRecords : {false, true}) {
    SCOPED_TRACE(withRecords ? "with records" : "empty");
    TSQLMemLocalCursor& first = CreateAndOpen();
    if (withRecords) {
      ASSERT_EQ(PostDay(first, "2024.01.01", "a", "m"), 0);
    }
    first.FreeRecordBuffer(first.CurrentRecordBuffer);
    first.CloseTable();

    TSQLMemLocalCursor& cursor = NewCursor();
    cursor.RebuildOnOpen = 1;
    Open(cursor, &changed);
    EXPECT_EQ(cursor.FieldDefs->GetCount(), withRecords ? 4 : 5);
    // Opening an open cursor changes nothing.
    Open(cursor, nullptr);
    EXPECT_EQ(cursor.FieldDefs->GetCount(), withRecords ? 4 : 5);
    cursor.FreeRecordBuffer(cursor.CurrentRecordBuffer);
    cursor.CloseTable();
    cursor.DeleteTable(false);
  }
}

TEST_F(LocalCursorTest, BLOBStreamsAllowOneWriterPerField) {
  TSQLMemLocalCursor& cursor = CreateAndOpen();
  ASSERT_EQ(PostDay(cursor, "2024.01.01", "a", "memo"), 0);
  ASSERT_NE(cursor.OpenBLOB(kText, bomWrite), nullptr);
  ExpectEngineError([&] { cursor.OpenBLOB(kText, bomReadWrite); }, 10115,
                    "BLOB field already opened. FieldNo = 3, FieldName = Text - Native error: 10115");
  TStream* reader = cursor.OpenBLOB(kText, bomRead);
  ASSERT_NE(reader, nullptr);
  EXPECT_EQ(reader->GetSize(), 4);
  EXPECT_EQ(cursor.OpenBLOBCount(), 2);
  ExpectEngineError([&] { cursor.OpenBLOB(9, bomRead); }, 10110, "Invalid field number - FieldNo = 9, FieldCount = 4 - Native error: 10110");
  // Closing the writers leaves the reader; closing everything leaves nothing.
  cursor.CloseBLOBStreams(true);
  EXPECT_EQ(cursor.OpenBLOBCount(), 1);
  cursor.CloseBLOBStreams(false);
  EXPECT_EQ(cursor.OpenBLOBCount(), 0);
  cursor.CloseTable();
  cursor.DeleteTable(false);
}

TEST_F(LocalCursorTest, ProjectionAndFilters) {
  TSQLMemLocalCursor& cursor = CreateAndOpen();
  ASSERT_EQ(PostDay(cursor, "2024.01.01", "a", ""), 0);
  ASSERT_EQ(PostDay(cursor, "2024.01.02", "b", ""), 0);

  ExpectEngineError([&] { cursor.SetProjection({"Title"}, {"x", "y"}); }, 10321,
                    "Error - different lists length. L1 = 1, L2 = 2 - Native error: 10321");
  ExpectEngineError([&] { cursor.SetProjection({}, {}); }, 10322, "No fields were specified while setting projection - Native error: 10322");
  ExpectEngineError([&] { cursor.SetProjection({"Title", "Nope"}, {"", ""}); }, 10323, "Cannot find field Nope - Native error: 10323");
  EXPECT_EQ(cursor.ProjectedFieldDefs().GetCount(), 4) << "a refused projection changes nothing";
  cursor.SetProjection({"Title", "ShortDateDay"}, {"Cim", ""});
  ASSERT_EQ(cursor.ProjectedFieldDefs().GetCount(), 2);
  EXPECT_EQ(cursor.ProjectedFieldDefs().GetFieldDef(0).Name, "Cim");
  cursor.SetBeginOfData();
  ASSERT_EQ(cursor.GetRecord(ndNext), nrFound);
  EXPECT_EQ(Text(cursor, 0), "a");
  EXPECT_EQ(Text(cursor, 1), "2024.01.01");

  // A bound filter expression has one owner, the cursor; it can be taken back.
  auto expression = std::make_unique<TSQLMemExpression>();
  expression->BuildLocateCondition(&cursor, "Title", Variant("b"), false, false);
  TSQLMemExpression* bound = expression.get();
  cursor.SetFilterExpression(std::move(expression));
  EXPECT_EQ(cursor.GetRecordCount(), 1);
  cursor.ClearFilterText();
  EXPECT_EQ(cursor.FilterExpression.get(), bound) << "clearing the text filter leaves a bound expression";
  std::unique_ptr<TSQLMemExpression> back = cursor.TakeFilterExpression();
  EXPECT_EQ(back.get(), bound);
  cursor.ResetFilterBitmap();
  EXPECT_EQ(cursor.GetRecordCount(), 2);
  // One left bound at close is freed by the cursor, once.
  cursor.SetFilterExpression(std::move(back));
  cursor.CloseTable();
  EXPECT_EQ(cursor.FilterExpression, nullptr);
  cursor.DeleteTable(false);
}

}  // namespace
