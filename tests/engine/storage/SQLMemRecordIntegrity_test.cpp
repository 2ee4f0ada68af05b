// What the storage guarantees about the records themselves when several cursors drive one table, when
// a step of a record operation fails and when names collide: after every sequence of operations each
// record reads back with its own values, memos included.
#include <gtest/gtest.h>

#include <cstdio>
#include <string>
#include <vector>

#include "engine/foundation/SQLMemTypes.h"
#include "engine/foundation/SQLMemValueBytes.h"
#include "engine/storage/SQLMemMemoryPageManager.h"
#include "tests/engine/storage/LocalCursorTestSupport.h"
#include "tests/engine/storage/TableTestSupport.h"
#include "vcl/rtl/Stream.h"
#include "vcl/rtl/Variant.h"

namespace {

class RecordIntegrityTest : public LocalCursorFixture {
 protected:
  RecordIntegrityTest() : LocalCursorFixture("INTEGRITY") {}

  TSQLMemLocalCursor& Diary(const AnsiString& name = "Days", const DiarySchema& schema = DiarySchema()) {
    TSQLMemLocalCursor& cursor = CreateAndOpen(name, schema.fields, schema.indexes, schema.constraints);
    cursor.SetIndexName("ByShortDate");
    return cursor;
  }
  // A second cursor on a table that exists, open in the primary index's order.
  TSQLMemLocalCursor& OpenOn(const AnsiString& name) {
    TSQLMemLocalCursor& cursor = NewCursor(name);
    cursor.OpenTable(nullptr, nullptr, nullptr);
    cursor.CurrentRecordBuffer = cursor.AllocRecordBuffer();
    cursor.SetIndexName("ByShortDate");
    return cursor;
  }
  TSQLMemMemoryTableData& Table(TSQLMemLocalCursor& cursor) {
    return static_cast<TSQLMemMemoryTableData&>(*Database().FindTableData(cursor));
  }

  static void PostDay(TSQLMemLocalCursor& cursor, const std::string& day, const std::string& title,
                      const std::string& memo) {
    NewRecord(cursor);
    PutText(cursor, kShortDateDay, day);
    PutText(cursor, kTitle, title);
    if (!memo.empty()) PutBLOB(cursor, kText, memo);
    cursor.PostRecord(true);
    ASSERT_EQ(cursor.ResultCode, 0) << cursor.ErrorText;
  }
  // Reads the day into the cursor's buffer and keeps its bookmark there, as the dataset does before an
  // edit or a delete.
  static void ReadDay(TSQLMemLocalCursor& cursor, const std::string& day) {
    ASSERT_TRUE(cursor.Locate("ShortDateDay", Variant(day.c_str()), false, false)) << day;
    ASSERT_EQ(cursor.GetRecord(ndCurrent), nrFound);
    cursor.SetTrailerPosition(cursor.CurrentRecordBuffer, TSQLMemRecordID{cursor.PageNo, static_cast<Word>(cursor.ItemNo)});
  }
  // Puts a buffer read earlier back into the cursor, positioned on its record again.
  static void Restore(TSQLMemLocalCursor& cursor, const std::vector<Byte>& buffer) {
    std::copy(buffer.begin(), buffer.end(), cursor.CurrentRecordBuffer);
    const TSQLMemRecordID id = cursor.GetTrailerPosition(cursor.CurrentRecordBuffer);
    cursor.PageNo = id.RecordNo;
    cursor.ItemNo = static_cast<SmallInt>(id.ItemNo);
  }
};

TEST_F(RecordIntegrityTest, AnEditPostedWithAStaleMemoHandleKeepsTheStoredMemo) {
  TSQLMemLocalCursor& a = Diary();
  TSQLMemLocalCursor& b = OpenOn("Days");
  PostDay(a, "2024.01.01", "one", "memo of day one");
  PostDay(a, "2024.01.03", "three", "");

  // A reads day 1 and day 3 into buffers of its own; B then replaces day 1's memo, which frees the
  // block A's buffer still names, and a new day takes that block's handle.
  ReadDay(a, "2024.01.01");
  const std::vector<Byte> aDayOne(a.CurrentRecordBuffer, a.CurrentRecordBuffer + a.RecordBufferSize);
  ReadDay(a, "2024.01.03");
  const std::vector<Byte> aDayThree(a.CurrentRecordBuffer, a.CurrentRecordBuffer + a.RecordBufferSize);
  ReadDay(b, "2024.01.01");
  PutBLOB(b, kText, "day one, rewritten by B");
  b.PostRecord(false);
  ASSERT_EQ(b.ResultCode, 0) << b.ErrorText;
  PostDay(b, "2024.01.02", "two", "memo of day two");
  ReadDay(b, "2024.01.03");
  PutBLOB(b, kText, "day three got a memo from B");
  b.PostRecord(false);
  ASSERT_EQ(b.ResultCode, 0) << b.ErrorText;

  // A posts edits of the titles only.
  Restore(a, aDayOne);
  PutText(a, kTitle, "one, titled by A");
  a.PostRecord(false);
  ASSERT_EQ(a.ResultCode, 0) << a.ErrorText;
  Restore(a, aDayThree);
  PutText(a, kTitle, "three, titled by A");
  a.PostRecord(false);
  ASSERT_EQ(a.ResultCode, 0) << a.ErrorText;

  const std::vector<std::string> expected{"2024.01.01|one, titled by A|day one, rewritten by B",
                                          "2024.01.02|two|memo of day two",
                                          "2024.01.03|three, titled by A|day three got a memo from B"};
  EXPECT_EQ(DiaryRows(a), expected);
  EXPECT_EQ(DiaryRows(b), expected);

  // What an edit does write still counts: a new memo, and a memo cleared on purpose.
  ReadDay(a, "2024.01.02");
  PutBLOB(a, kText, "");
  a.PostRecord(false);
  ReadDay(a, "2024.01.01");
  a.SetFieldValue(nullptr, TSQLMemVariant(), kText, false);
  a.PostRecord(false);
  ReadDay(a, "2024.01.03");
  PutBLOB(a, kText, "three, by A");
  a.PostRecord(false);
  EXPECT_EQ(DiaryRows(b), (std::vector<std::string>{"2024.01.01|one, titled by A|<null>", "2024.01.02|two|<null>",
                                               "2024.01.03|three, titled by A|three, by A"}));
  EXPECT_EQ(Table(a).RecordBLOBs().Blocks().Count(), 1) << "every replaced or cleared memo was given back";
}

TEST_F(RecordIntegrityTest, ANewRecordNeverTakesAnotherRecordsMemo) {
  TSQLMemLocalCursor& cursor = Diary();
  PostDay(cursor, "2024.02.01", "first", "the first day's memo");
  // A new record built from a copy of a stored one (its memo slot still naming the stored block).
  ReadDay(cursor, "2024.02.01");
  PutText(cursor, kShortDateDay, "2024.02.02");
  PutText(cursor, kTitle, "copy");
  cursor.PostRecord(true);
  ASSERT_EQ(cursor.ResultCode, 0) << cursor.ErrorText;
  ReadDay(cursor, "2024.02.01");
  cursor.DeleteRecord();
  ASSERT_EQ(cursor.ResultCode, 0) << cursor.ErrorText;
  EXPECT_EQ(DiaryRows(cursor), (std::vector<std::string>{"2024.02.02|copy|<null>"}));
}

TEST_F(RecordIntegrityTest, BLOBColumnsAreRefusedInIndexes) {
  TSQLMemLocalCursor& cursor = Diary();
  PostDay(cursor, "2024.03.01", "first", "memo");
  TSQLMemIndexDef byMemo;
  byMemo.Name = "ByMemo";
  byMemo.SetColumnCount(1);
  byMemo.GetColumn(0).Name = "Text";
  const char* refused = "Field 'Text' is a BLOB field and cannot be used in index 'ByMemo' - Native error: 11435";
  ExpectEngineError([&] { cursor.AddIndex(byMemo); }, 11435, refused);
  EXPECT_EQ(cursor.GetIndexDefs().FindByName("ByMemo"), nullptr);
  EXPECT_EQ(Table(cursor).GetPageManager().GetPageCount(), 1) << "the refused index left no page";

  DiarySchema schema;
  schema.indexes.AddIndexDef().Assign(byMemo);
  TSQLMemLocalCursor& other = NewCursor("Other");
  ExpectEngineError([&] { other.CreateTable(schema.fields, schema.indexes, schema.constraints); }, 11435, refused);
  EXPECT_FALSE(Database().TableExists("Other"));
  EXPECT_EQ(DiaryRows(cursor), (std::vector<std::string>{"2024.03.01|first|memo"}));
}

// Breaks the key that index indexName holds for one record in the page store, so that the index's
// next step for that record fails (as a key that a load handed new bytes would); the record's slot.
Integer BreakIndexKey(TSQLMemMemoryTableData& table, const char* indexName, Integer item) {
  const TSQLMemIndexDef* index = table.IndexManager()->IndexDefs.FindByName(indexName);
  Byte* page = static_cast<TSQLMemMemoryPageManager&>(table.GetPageManager()).StoreBuffer(index->RootPageNo);
  EXPECT_EQ(page[1], 1) << "a one-page tree";
  const Integer keySize = LoadValue<Word>(page + 12);
  Byte* itemBytes = page + 18 + item * (keySize + 6);
  itemBytes[1] ^= 0x20;  // the first character of the key's text
  return LoadValue<Integer>(itemBytes + keySize);
}

TEST_F(RecordIntegrityTest, ADeleteOrUpdateThatFailsInAnyIndexLeavesTheRecordWhole) {
  TSQLMemLocalCursor& cursor = Diary();
  TSQLMemIndexDef byTitle;
  byTitle.Name = "ByTitle";
  byTitle.SetColumnCount(1);
  byTitle.GetColumn(0).Name = "Title";
  cursor.AddIndex(byTitle);
  std::vector<std::string> expected;
  for (int day = 1; day <= 10; ++day) {
    const std::string date = "2024.04." + std::string(day < 10 ? "0" : "") + std::to_string(day);
    PostDay(cursor, date, "title " + std::to_string(day), "memo " + std::to_string(day));
    expected.push_back(date + "|title " + std::to_string(day) + "|memo " + std::to_string(day));
  }
  TSQLMemMemoryTableData& table = Table(cursor);
  const Integer slot = BreakIndexKey(table, "ByTitle", 4);
  cursor.SetTrailerPosition(cursor.CurrentRecordBuffer, TSQLMemRecordID{slot, 0});
  ASSERT_EQ(cursor.GetRecord(ndCurrent), nrFound);  // reads through the natural order's slot

  // The delete fails in the second index: the primary key and the memo stay.
  cursor.PageNo = slot;
  cursor.ItemNo = 0;
  std::vector<Byte> record(cursor.CurrentRecordBuffer, cursor.CurrentRecordBuffer + cursor.RecordBufferSize);
  cursor.DeleteRecord();
  EXPECT_EQ(cursor.ResultCode, -3);
  EXPECT_EQ(DiaryRows(cursor), expected);

  // So does an update that moves the record in both indexes.
  std::copy(record.begin(), record.end(), cursor.CurrentRecordBuffer);
  PutText(cursor, kShortDateDay, "2024.05.01");
  PutText(cursor, kTitle, "moved");
  cursor.PostRecord(false);
  EXPECT_EQ(cursor.ResultCode, -2);
  EXPECT_EQ(DiaryRows(cursor), expected);
  table.IndexManager()->GetIndex(table.IndexManager()->IndexDefs.FindByName("ByShortDate")->ObjectId).Validate(-2);
  EXPECT_EQ(cursor.GetRecordCount(), 10);
}

TEST_F(RecordIntegrityTest, AUniqueIndexOverDuplicatesIsRefusedAndLeavesNothingBehind) {
  TSQLMemLocalCursor& cursor = Diary();
  PostDay(cursor, "2024.06.01", "same", "");
  PostDay(cursor, "2024.06.02", "other", "");
  PostDay(cursor, "2024.06.03", "same", "");
  const Integer pages = Table(cursor).GetPageManager().GetPageCount();
  TSQLMemIndexDef byTitle;
  byTitle.Name = "ByTitle";
  byTitle.Unique = 1;
  byTitle.SetColumnCount(1);
  byTitle.GetColumn(0).Name = "Title";
  ExpectEngineError([&] { cursor.AddIndex(byTitle); }, 30320,
                    "Constraint unique 'ByTitle' violated. Duplicate found. - Native error: 30320");
  EXPECT_EQ(cursor.GetIndexDefs().FindByName("ByTitle"), nullptr);
  EXPECT_EQ(Table(cursor).GetPageManager().GetPageCount(), pages);
  // No constraint of the refused index refuses the title afterwards.
  PostDay(cursor, "2024.06.04", "same", "");
  EXPECT_EQ(cursor.GetRecordCount(), 4);
  // Over distinct values the same index is built and holds.
  byTitle.Name = "ByDay";
  byTitle.GetColumn(0).Name = "ShortDateDay";
  cursor.AddIndex(byTitle);
  EXPECT_NE(cursor.GetIndexDefs().FindByName("ByDay"), nullptr);
}

TEST_F(RecordIntegrityTest, MovingPastAnEndAnswersThatEndInEveryOrder) {
  TSQLMemLocalCursor& cursor = Diary();
  for (const char* day : {"2024.07.02", "2024.07.01", "2024.07.03"}) PostDay(cursor, day, "t", "");
  for (const char* index : {"ByShortDate", ""}) {
    SCOPED_TRACE(index);
    cursor.SetIndexName(index);
    cursor.SetEndOfData();
    EXPECT_EQ(cursor.GetRecord(ndNext), nrAfterLast);
    EXPECT_EQ(cursor.Eof, 1);
    cursor.SetBeginOfData();
    EXPECT_EQ(cursor.GetRecord(ndPrior), nrBeforeFirst);
    EXPECT_EQ(cursor.Bof, 1);
    // And from the ends inward the first and the last record.
    cursor.SetEndOfData();
    ASSERT_EQ(cursor.GetRecord(ndPrior), nrFound);
    EXPECT_EQ(Text(cursor, kShortDateDay), "2024.07.03");
    cursor.SetBeginOfData();
    ASSERT_EQ(cursor.GetRecord(ndNext), nrFound);
    EXPECT_EQ(Text(cursor, kShortDateDay), *index ? "2024.07.01" : "2024.07.02");
  }
}

TEST_F(RecordIntegrityTest, NamesThatShareAHashStayApart) {
  // Two table names with one NameHash.
  ASSERT_EQ(NameHash("tblnidmovh", true), NameHash("tblbubanxn", true));
  TSQLMemLocalCursor& first = Diary("tblnidmovh");
  PostDay(first, "2024.08.01", "kept", "first table's memo");
  EXPECT_TRUE(Database().TableExists("TBLNIDMOVH"));
  EXPECT_FALSE(Database().TableExists("tblbubanxn"));
  TSQLMemLocalCursor& second = Diary("tblbubanxn");
  PostDay(second, "2024.08.02", "second", "");
  EXPECT_EQ(Database().GetTableCount(), 2);
  EXPECT_EQ(DiaryRows(first), (std::vector<std::string>{"2024.08.01|kept|first table's memo"}));
  EXPECT_EQ(DiaryRows(second), (std::vector<std::string>{"2024.08.02|second|<null>"}));

  // Databases by name and by file name.
  TSQLMemDatabaseData named("tblnidmovh", true, false);
  EXPECT_EQ(FindDatabaseData(true, false, "TBLNIDMOVH", u""), &named);
  EXPECT_EQ(FindDatabaseData(true, false, "tblbubanxn", u""), nullptr);
  TSQLMemDatabaseData onFile("Disk", false, false);
  onFile.FileName = u"tblnidmovh";
  EXPECT_EQ(FindDatabaseData(false, false, "x", u"tblbubanxn"), nullptr);
  EXPECT_EQ(FindDatabaseData(false, false, "x", u"TBLNIDMOVH"), &onFile);

  // Field names: definitions that differ only by a colliding field name are other definitions, so an
  // empty table opened with them is rebuilt.
  DiarySchema renamed;
  renamed.fields.GetFieldDef(kTitle).Name = "tblnidmovh";
  TSQLMemLocalCursor& empty = CreateAndOpen("Empty", renamed.fields, renamed.indexes, renamed.constraints);
  empty.CloseTable();
  empty.RebuildOnOpen = 1;
  renamed.fields.GetFieldDef(kTitle).Name = "tblbubanxn";
  empty.OpenTable(&renamed.fields, &renamed.indexes, &renamed.constraints);
  EXPECT_EQ(empty.FieldDefs->GetFieldDef(kTitle).Name, "tblbubanxn");
}

TEST_F(RecordIntegrityTest, ASavedTableHoldsNoPageOfAnIndexItDoesNotSave) {
  TSQLMemLocalCursor& cursor = Diary();
  for (int i = 0; i < 600; ++i) {
    char day[16];
    std::snprintf(day, sizeof day, "%04d.01.01", 1000 + i);
    PostDay(cursor, day, std::string(20, static_cast<char>('a' + i % 26)) + std::to_string(i), "");
  }
  const Integer savedPages = Table(cursor).GetPageManager().GetPageCount();
  ASSERT_GT(savedPages, 1) << "the primary index spans pages";
  TSQLMemIndexDef byTitle;
  byTitle.Name = "ByTitle";
  byTitle.Temporary = 1;
  byTitle.SetColumnCount(1);
  byTitle.GetColumn(0).Name = "Title";
  cursor.AddIndex(byTitle);
  ASSERT_GT(Table(cursor).GetPageManager().GetPageCount(), savedPages + 1);

  // Saved, dropped and loaded again.
  const auto reload = [&] {
    TMemoryStream file;
    cursor.SaveTableToStream(file, 0, 1, 0, true, false);
    cursor.CloseTable();
    cursor.DeleteTable(false);
    file.SetPosition(0);
    cursor.LoadTableFromStream(file);
    cursor.OpenTable(nullptr, nullptr, nullptr);
    cursor.SetIndexName("ByShortDate");
  };
  // Twice: the store holds the saved index's pages and no other.
  for (int round = 0; round < 2; ++round) {
    SCOPED_TRACE(round);
    reload();
    EXPECT_EQ(Table(cursor).GetPageManager().GetPageCount(), savedPages);
    EXPECT_EQ(cursor.GetIndexDefs().FindByName("ByTitle"), nullptr);
    EXPECT_EQ(cursor.GetRecordCount(), 600);
    EXPECT_TRUE(cursor.RebuiltIndexes.empty());
  }

  // A separator of the root node that no longer leads searches to the keys of its subtree: the next
  // load builds the index again.
  TSQLMemMemoryTableData& table = Table(cursor);
  Byte* root = table.MemoryPageManager().StoreBuffer(table.IndexManager()->IndexDefs.GetItem(0).RootPageNo);
  ASSERT_EQ(root[1], 0) << "a node above the leaves";
  ASSERT_GE(LoadValue<Word>(root + 14), 2);
  const Integer keySize = LoadValue<Word>(root + 12);
  root[18 + (keySize + 4) + 1] = '9';  // the second separator's first digit: above every key below it
  reload();
  EXPECT_EQ(cursor.RebuiltIndexes, (std::vector<AnsiString>{"ByShortDate"}));
  EXPECT_EQ(DiaryRows(cursor).size(), 600u);
  EXPECT_TRUE(cursor.Locate("ShortDateDay", Variant("1599.01.01"), false, false));
  // The loaded table goes at the end of the test; the fixture checks that it leaves no page behind.
}

// A file whose index disagrees with its intact records loads with the index built again from the
// records, and says so; records that break their unique key make the file damaged.
TEST_F(RecordIntegrityTest, ALoadRebuildsAnIndexThatDisagreesWithTheRecordsAndRefusesDuplicateKeys) {
  TSQLMemLocalCursor& cursor = Diary();
  for (int day = 10; day < 40; ++day) PostDay(cursor, "2024.09." + std::to_string(day), "t", "memo");
  TMemoryStream file;
  cursor.SaveTableToStream(file, 0, 1, 0, true, true);
  const std::string good(static_cast<const char*>(file.Memory()), static_cast<std::size_t>(file.GetSize()));
  // The records follow the index pages, so the last copy of a day in the stream is its record's.
  const auto withRecordDay = [&](const std::string& day, const std::string& replacement) {
    std::string bytes = good;
    const std::size_t at = bytes.rfind(day);
    EXPECT_NE(at, std::string::npos);
    bytes.replace(at, replacement.size(), replacement);
    return bytes;
  };
  const auto load = [&](const std::string& bytes) {
    cursor.CloseTable();
    TMemoryStream stream;
    stream.WriteBuffer(bytes.data(), static_cast<Integer>(bytes.size()));
    stream.SetPosition(0);
    cursor.LoadTableFromStream(stream);
    cursor.OpenTable(nullptr, nullptr, nullptr);
    cursor.SetIndexName("ByShortDate");
  };

  // A record whose day is not its key's: the index is rebuilt, the day is found where it now is, and a
  // second record of that day is refused.
  load(withRecordDay("2024.09.25", "2024.10.25"));
  EXPECT_EQ(Table(cursor).RebuiltIndexes(), (std::vector<AnsiString>{"ByShortDate"}));
  EXPECT_EQ(cursor.RebuiltIndexes, (std::vector<AnsiString>{"ByShortDate"}));
  EXPECT_TRUE(cursor.Locate("ShortDateDay", Variant("2024.10.25"), false, false));
  EXPECT_FALSE(cursor.Locate("ShortDateDay", Variant("2024.09.25"), false, false));
  NewRecord(cursor);
  PutText(cursor, kShortDateDay, "2024.10.25");
  cursor.PostRecord(true);
  EXPECT_EQ(cursor.ResultCode, -8) << "the repaired primary key refuses a second record of the day";
  cursor.DiscardRecordChanges();
  EXPECT_EQ(cursor.GetRecordCount(), 30);
  EXPECT_EQ(DiaryRows(cursor).back(), "2024.10.25|t|memo");

  // Saved again, the file holds: nothing is rebuilt.
  TMemoryStream again;
  cursor.SaveTableToStream(again, 0, 1, 0, true, true);
  load(std::string(static_cast<const char*>(again.Memory()), static_cast<std::size_t>(again.GetSize())));
  EXPECT_TRUE(Table(cursor).RebuiltIndexes().empty());
  EXPECT_TRUE(cursor.RebuiltIndexes.empty());

  // Keys out of order in an intact tree: rebuilt as well.
  TSQLMemMemoryTableData& table = Table(cursor);
  Byte* leaf = table.MemoryPageManager().StoreBuffer(table.IndexManager()->IndexDefs.GetItem(0).RootPageNo);
  ASSERT_EQ(leaf[1], 1);
  const Integer itemSize = LoadValue<Word>(leaf + 12) + 6;
  std::vector<Byte> first(leaf + 18, leaf + 18 + itemSize);
  std::copy(leaf + 18 + itemSize, leaf + 18 + 2 * itemSize, leaf + 18);
  std::copy(first.begin(), first.end(), leaf + 18 + itemSize);
  TMemoryStream swapped;
  cursor.SaveTableToStream(swapped, 0, 1, 0, true, true);
  load(std::string(static_cast<const char*>(swapped.Memory()), static_cast<std::size_t>(swapped.GetSize())));
  EXPECT_EQ(Table(cursor).RebuiltIndexes(), (std::vector<AnsiString>{"ByShortDate"}));
  EXPECT_EQ(DiaryRows(cursor).front(), "2024.09.10|t|memo");

  // Two records of one day: the file is refused (the cursor's load then leaves no table of the name).
  ExpectEngineError([&] { load(withRecordDay("2024.09.25", "2024.09.26")); }, 30319,
                    "Primary Key constraint 'ByShortDate' violated. Duplicate found. - Native error: 30319");
  EXPECT_FALSE(Database().TableExists("Days"));
}

// A table that goes while a page of its store belongs to no index reports the leak.
TEST(PageLeak, ATableThatGoesWithAnOrphanPageReportsIt) {
  InitializeEngineFoundation();
  const Integer before = PageLeakReports();
  {
    TSQLMemMemoryDatabaseData database("LEAKS");
    TableTestSession session;
    database.AddSession(&session);
    TableCursor cursor(&session, "Leaky");
    auto* table = static_cast<TSQLMemMemoryTableData*>(database.CreateTableData(cursor));
    DiarySchema schema;
    table->CreateTable(cursor, schema.fields, schema.constraints, schema.indexes);
    TSQLMemPageManager& pages = table->GetPageManager();
    pages.ReleasePage(pages.AddPage(kNoSessionId));
    pages.ApplyChanges(kNoSessionId);
    database.RemoveSession(&session);
  }
  EXPECT_EQ(PageLeakReports(), before + 1);
}

}  // namespace
