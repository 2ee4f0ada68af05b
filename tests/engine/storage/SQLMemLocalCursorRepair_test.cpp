// Table repair: in-memory and temporary tables are left alone; the rebuild copies every readable
// record into a new table that takes the old one's place, and never replaces the source with a
// partial copy.
#include <gtest/gtest.h>

#include <stdexcept>
#include <string>
#include <vector>

#include "engine/storage/SQLMemLocalBLOBStream.h"
#include "tests/engine/storage/LocalCursorTestSupport.h"
#include "tests/engine/storage/TableTestSupport.h"
#include "vcl/rtl/Variant.h"

namespace {

class TableRepairTest : public LocalCursorFixture {
 protected:
  TableRepairTest() : LocalCursorFixture("REPAIRTEST") {}

  // The diary's table with three days (the middle one deleted first, so the ids have a gap), opened
  // exclusively.
  TSQLMemLocalCursor& Diary() {
    const DiarySchema schema;
    TSQLMemLocalCursor& cursor = CreateAndOpen("Days", schema.fields, schema.indexes, schema.constraints);
    cursor.Exclusive = 1;
    for (const char* day : {"2024.03.01", "2024.03.02", "2024.03.03", "2024.03.04"}) {
      NewRecord(cursor);
      PutText(cursor, kShortDateDay, day);
      PutText(cursor, kTitle, std::string("title ") + day);
      PutBLOB(cursor, kText, day[9] == '3' ? "" : std::string(3000, day[9]));
      cursor.PostRecord(true);
      EXPECT_EQ(cursor.ResultCode, 0) << cursor.ErrorText;
    }
    cursor.SetIndexName("ByShortDate");
    EXPECT_TRUE(cursor.Locate("ShortDateDay", Variant("2024.03.02"), false, false));
    EXPECT_EQ(cursor.GetRecord(0), 0);
    // The dataset keeps the bookmark of the record it shows in the buffer's trailer.
    cursor.SetTrailerPosition(cursor.CurrentRecordBuffer,
                              TSQLMemRecordID{cursor.PageNo, static_cast<Word>(cursor.ItemNo)});
    cursor.DeleteRecord();
    EXPECT_EQ(cursor.ResultCode, 0) << cursor.ErrorText;
    return cursor;
  }
  // Every record of the table through a fresh cursor: "id|day|title|memo".
  std::vector<std::string> Rows(const AnsiString& tableName) {
    TSQLMemLocalCursor& cursor = NewCursor(tableName);
    cursor.OpenTable(nullptr, nullptr, nullptr);
    cursor.CurrentRecordBuffer = cursor.AllocRecordBuffer();
    cursor.SetIndexName("ByShortDate");
    std::vector<std::string> rows;
    cursor.SetBeginOfData();
    while (cursor.GetRecord(1) == 0)
      rows.push_back(Text(cursor, kRecID) + "|" + Text(cursor, kShortDateDay) + "|" + Text(cursor, kTitle) + "|" +
                     (Text(cursor, kText) == "<null>" ? "<null>" : std::to_string(Text(cursor, kText).size())));
    return rows;
  }
  const std::vector<std::string> kDays = {"1|2024.03.01|title 2024.03.01|3000", "3|2024.03.03|title 2024.03.03|<null>",
                                          "4|2024.03.04|title 2024.03.04|3000"};
};

TEST_F(TableRepairTest, InMemoryAndTemporaryTablesAreLeftAlone) {
  TSQLMemLocalCursor& cursor = Diary();
  for (Byte temporary : {0, 1}) {
    SCOPED_TRACE(temporary);
    cursor.Temporary = temporary;
    cursor.Exclusive = 0;  // not even the exclusivity check runs
    AnsiString log = "earlier line\r\n";
    EXPECT_TRUE(cursor.RepairTable(log, nullptr));
    EXPECT_EQ(log, "earlier line\r\n");
  }
  cursor.Temporary = 0;
  EXPECT_EQ(cursor.Open, 1);
  EXPECT_EQ(Database().GetTableCount(), 1);
  EXPECT_EQ(Rows("Days"), kDays);
}

TEST_F(TableRepairTest, ARebuildKeepsRecordsDefinitionsNameAndAutoincrement) {
  TSQLMemLocalCursor& cursor = Diary();
  AnsiString log;
  ASSERT_TRUE(cursor.RebuildTable(log, nullptr));
  EXPECT_EQ(log, "");
  EXPECT_EQ(cursor.Open, 0) << "both cursors end closed";
  EXPECT_EQ(Database().GetTableCount(), 1);
  EXPECT_TRUE(Database().TableExists("Days"));
  EXPECT_EQ(Rows("Days"), kDays);

  // Same definitions; the next day continues after the highest id copied.
  TSQLMemLocalCursor& reopened = NewCursor("Days");
  reopened.OpenTable(nullptr, nullptr, nullptr);
  reopened.CurrentRecordBuffer = reopened.AllocRecordBuffer();
  const DiarySchema schema;
  ASSERT_EQ(reopened.FieldDefs->GetCount(), schema.fields.GetCount());
  for (Integer i = 0; i < schema.fields.GetCount(); ++i) {
    EXPECT_EQ(reopened.FieldDefs->GetFieldDef(i).Name, schema.fields.GetFieldDef(i).Name);
    EXPECT_EQ(reopened.FieldDefs->GetFieldDef(i).FieldType, schema.fields.GetFieldDef(i).FieldType);
  }
  ASSERT_NE(reopened.IndexDefs->FindPrimary(), nullptr);
  EXPECT_EQ(reopened.IndexDefs->FindPrimary()->Name, "ByShortDate");
  EXPECT_EQ(reopened.GetLastAutoincValue(kRecID), 4);
  NewRecord(reopened);
  PutText(reopened, kShortDateDay, "2024.03.05");
  reopened.PostRecord(true);
  ASSERT_EQ(reopened.ResultCode, 0) << reopened.ErrorText;
  EXPECT_EQ(Text(reopened, kRecID), "5");
}

TEST_F(TableRepairTest, ACursorWithoutExclusiveAccessIsRefusedBeforeAnythingChanges) {
  TSQLMemLocalCursor& cursor = Diary();
  cursor.Exclusive = 0;
  AnsiString log;
  ExpectEngineError([&] { cursor.RebuildTable(log, nullptr); }, 11165,
                    "Error - table 'Days' is not opened in exclusive mode - Native error: 11165");
  EXPECT_EQ(log, "");
  EXPECT_EQ(Database().GetTableCount(), 1);
  EXPECT_EQ(Rows("Days"), kDays);
}

TEST_F(TableRepairTest, AnUnforeseenErrorKeepsTheSourceAndDropsThePartialCopy) {
  TSQLMemLocalCursor& cursor = Diary();
  Integer seen = 0;
  cursor.RecordFilter = [&seen](TSQLMemCursor&, const Byte*) {
    if (++seen == 2) throw std::runtime_error("disk gone");
    return true;
  };
  AnsiString log;
  EXPECT_THROW(cursor.RebuildTable(log, nullptr), std::runtime_error);
  cursor.RecordFilter = nullptr;
  EXPECT_EQ(Database().GetTableCount(), 1) << "the partial copy is gone";
  EXPECT_EQ(Rows("Days"), kDays) << "the source keeps every record";
}

TEST_F(TableRepairTest, AReadErrorEndsTheForwardPassAndTheBackwardPassCopiesTheRest) {
  TSQLMemLocalCursor& cursor = Diary();
  // The second read of the forward pass fails with an engine error: it is logged, not propagated,
  // and the backward pass copies from the end up to where the forward pass stopped.
  Integer seen = 0;
  cursor.RecordFilter = [&seen](TSQLMemCursor&, const Byte*) {
    if (++seen == 2) SQLMemError(20027, "unreadable page");
    return true;
  };
  AnsiString log;
  ASSERT_TRUE(cursor.RebuildTable(log, nullptr));
  cursor.RecordFilter = nullptr;
  EXPECT_EQ(log.rfind("Error during table repairing. Cannot get records from first, table: Days\r\n", 0), 0U) << log;
  EXPECT_EQ(Database().GetTableCount(), 1);
  const std::vector<std::string> rows = Rows("Days");
  EXPECT_EQ(rows, kDays) << log;
}

}  // namespace
