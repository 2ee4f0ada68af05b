#include "engine/storage/SQLMemMemoryTable.h"

#include <gtest/gtest.h>

#include <atomic>
#include <cstdio>
#include <map>
#include <random>
#include <set>
#include <thread>

#include "engine/storage/SQLMemBTreeIndex.h"
#include "engine/storage/SQLMemDatabaseData.h"
#include "tests/engine/storage/TableTestSupport.h"

namespace {

std::string Day(int n) {
  char text[40];
  std::snprintf(text, sizeof text, "%04d.%02d.%02d", 2000 + n / 372, 1 + n / 31 % 12, 1 + n % 31);
  return text;
}

}  // namespace

class MemoryTableRecordsTest : public MemoryTableTest {
 protected:
  TSQLMemBTreeIndex& PrimaryIndex(TSQLMemTableData& table) {
    return static_cast<TSQLMemBTreeIndex&>(
        table.IndexManager()->GetIndex(table.IndexManager()->IndexDefs.GetItem(0).ObjectId));
  }
};

TEST_F(MemoryTableRecordsTest, TheStartupMemoryDatabaseMakesMemoryTables) {
  TSQLMemDatabaseData* memory = FindDatabaseData(true, false, "MEMORY", u"");
  ASSERT_NE(memory, nullptr);
  ASSERT_NE(dynamic_cast<TSQLMemMemoryDatabaseData*>(memory), nullptr);
  TableTestSession first, second;
  memory->AddSession(&first);
  memory->AddSession(&second);
  EXPECT_EQ(second.SessionId, first.SessionId + 1);
  TableCursor cursor(&first, "fans");
  TSQLMemDatabaseTable* table = memory->CreateTableData(cursor);
  EXPECT_NE(dynamic_cast<TSQLMemMemoryTableData*>(table), nullptr);
  EXPECT_EQ(memory->FindTableData(cursor), table);
  delete table;
  EXPECT_EQ(memory->FindTableData(cursor), nullptr);
  memory->RemoveSession(&first);
  memory->RemoveSession(&second);
}

TEST_F(MemoryTableRecordsTest, InsertGivesRecIDsAndPlacesTheCursor) {
  TableCursor& cursor = NewCursor();
  TSQLMemMemoryTableData& table = Create(cursor);
  for (int i = 0; i < 3; ++i) {
    ASSERT_TRUE(InsertDay(cursor, Day(10 - i), "title " + std::to_string(i)));
    EXPECT_EQ(cursor.PageNo, i) << "the cursor stands on the new record";
    EXPECT_EQ(RecId(cursor), i + 1);
  }
  EXPECT_EQ(table.GetRecordCount(), 3);
  EXPECT_EQ(table.GetLastAutoincValue(kRecID, &session), 3);
  ASSERT_EQ(Read(cursor, 1), nrFound);
  EXPECT_EQ(Text(cursor, kTitle), "title 1");
  EXPECT_EQ(Text(cursor, kText), "<null>");

  // Natural order is slot order; the index orders by day.
  EXPECT_EQ(Days(cursor), (std::vector<std::string>{Day(10), Day(9), Day(8)}));
  cursor.SetIndexName("ByShortDate");
  EXPECT_EQ(Days(cursor), (std::vector<std::string>{Day(8), Day(9), Day(10)}));

  // The primary key refuses a second record of a day and a record without a day.
  ExpectEngineError([&] { InsertDay(cursor, Day(9), "again"); }, 30319,
                    "Primary Key constraint 'ByShortDate' violated. Duplicate found. - Native error: 30319");
  ExpectEngineError([&] { InsertDay(cursor, "", "no day"); }, 30330,
                    "Constraint 'ByShortDate' violated. Value in field 'ShortDateDay' cannot be null - Native error: "
                    "30330");
  EXPECT_EQ(table.GetRecordCount(), 3);

  // The sequence continues where a caller puts it.
  table.SetFieldSequenceValue(kRecID, 100);
  ASSERT_TRUE(InsertDay(cursor, Day(20), "after"));
  EXPECT_EQ(RecId(cursor), 101);
  ExpectEngineError([&] { table.SetFieldSequenceValue(9, 1); }, 10575, "Field #9 not found - Native error: 10575");
  // Drawing a value through the field takes it from the records to come, and the session keeps it.
  EXPECT_EQ(table.GetFieldSequenceValue(kRecID, &session), 102);
  EXPECT_EQ(table.GetLastAutoincValue(kRecID, &session), 102);
  ASSERT_TRUE(InsertDay(cursor, Day(21), "drawn after"));
  EXPECT_EQ(RecId(cursor), 103);
  ExpectEngineError([&] { table.GetFieldSequenceValue(9, &session); }, 30335, "Field #9 not found - Native error: 30335");
  ExpectEngineError([&] { table.GetLastAutoincValue(-1, &session); }, 30335, "Field #-1 not found - Native error: 30335");
}

TEST_F(MemoryTableRecordsTest, UpdateMovesTheKeyAndRefusesAGoneRecord) {
  TableCursor& cursor = NewCursor();
  TSQLMemMemoryTableData& table = Create(cursor);
  for (int i = 0; i < 4; ++i) ASSERT_TRUE(InsertDay(cursor, Day(i), "t"));
  ASSERT_EQ(Read(cursor, 1), nrFound);
  ASSERT_TRUE(UpdateDay(cursor, Day(99), "moved"));
  cursor.SetIndexName("ByShortDate");
  EXPECT_EQ(Days(cursor), (std::vector<std::string>{Day(0), Day(2), Day(3), Day(99)}));
  PrimaryIndex(table).Validate(session.SessionId);

  // Moving onto another record's day is a duplicate; keeping the own day is not.
  ASSERT_EQ(Read(cursor, 1), nrFound);
  ExpectEngineError([&] { UpdateDay(cursor, Day(2), "clash"); }, 30319,
                    "Primary Key constraint 'ByShortDate' violated. Duplicate found. - Native error: 30319");
  ASSERT_EQ(Read(cursor, 1), nrFound);
  EXPECT_TRUE(UpdateDay(cursor, Day(99), "same day"));

  // A record deleted under the cursor cannot be updated: no index or slot changes.
  ASSERT_EQ(Read(cursor, 2), nrFound);
  TableCursor& other = NewCursor();
  Attach(other, table);
  ASSERT_EQ(Read(other, 2), nrFound);
  ASSERT_TRUE(table.DeleteRecord(other));
  PutText(cursor, kTitle, "ghost");
  EXPECT_FALSE(table.UpdateRecord(cursor));
  EXPECT_EQ(table.GetRecordCount(), 3);
  PrimaryIndex(table).Validate(session.SessionId);
  other.SetIndexName("ByShortDate");
  EXPECT_EQ(Days(other), (std::vector<std::string>{Day(0), Day(3), Day(99)}));
}

TEST_F(MemoryTableRecordsTest, DeletePlacesTheCursorOnTheNextRecordElseThePrior) {
  TableCursor& cursor = NewCursor();
  TSQLMemMemoryTableData& table = Create(cursor);
  // Slots 0..3 hold days 3, 1, 2, 0: natural and index order differ.
  for (int day : {3, 1, 2, 0}) ASSERT_TRUE(InsertDay(cursor, Day(day), "t"));
  struct Step {
    bool byIndex;
    Integer slot;      // deleted
    Integer expected;  // slot the cursor stands on afterwards; -1: before the first
  };
  const Step steps[] = {
      {true, 1, 2},    // day 1 -> next in key order is day 2 (slot 2)
      {false, 0, 2},   // slot 0 -> next slot holding a record is 2
      {true, 2, 3},    // day 2 is the last by key: the prior one, day 0 (slot 3)
      {false, 3, -1},  // the only record left
  };
  for (const Step& step : steps) {
    SCOPED_TRACE(step.slot);
    cursor.SetIndexName(step.byIndex ? "ByShortDate" : "");
    ASSERT_EQ(Read(cursor, step.slot), nrFound);
    ASSERT_TRUE(table.DeleteRecord(cursor));
    if (step.expected < 0) {
      EXPECT_EQ(cursor.Bof, 1);
    } else {
      EXPECT_EQ(cursor.Bof, 0);
      EXPECT_EQ(cursor.PageNo, step.expected);
    }
    PrimaryIndex(table).Validate(session.SessionId);
  }
  EXPECT_EQ(table.GetRecordCount(), 0);
  EXPECT_EQ(table.MemoryRecordManager()->Capacity(), 0);
  ASSERT_EQ(Read(cursor, 0), nrAfterLast);
  EXPECT_FALSE(table.DeleteRecord(cursor)) << "nothing is left to delete";
  EXPECT_EQ(table.GetPageManager().GetPageCount(), 1) << "the empty index keeps its root page";
}

TEST_F(MemoryTableRecordsTest, RecordNumbersInSlotOrder) {
  TableCursor& cursor = NewCursor();
  TSQLMemMemoryTableData& table = Create(cursor);
  for (int i = 0; i < 5; ++i) ASSERT_TRUE(InsertDay(cursor, Day(i), "t"));
  ASSERT_EQ(Read(cursor, 1), nrFound);
  ASSERT_TRUE(table.DeleteRecord(cursor));
  // Slots 0, 2, 3, 4 are records 1..4.
  struct Case {
    Int64 recordNo;
    Integer slot;  // where the cursor stands afterwards (it starts on slot 4)
  };
  for (const Case& c : {Case{1, 0}, Case{2, 2}, Case{4, 4}, Case{0, 4}, Case{5, 4}, Case{6, 4}, Case{-1, 4}}) {
    SCOPED_TRACE(c.recordNo);
    ASSERT_EQ(Read(cursor, 4), nrFound);
    table.SetRecNoNatural(cursor, c.recordNo);
    EXPECT_EQ(cursor.PageNo, c.slot);
    EXPECT_EQ(table.GetRecNoNatural(cursor), c.slot == 4 ? 4 : c.recordNo);
  }
  cursor.PageNo = 1000;
  EXPECT_EQ(table.GetRecNoNatural(cursor), -1);
  EXPECT_TRUE(table.NumberToRecordId(-5) == (TSQLMemRecordID{-5, 0}));
  EXPECT_THROW(table.NumberToRecordId(Int64{1} << 40), ERangeError);
  EXPECT_EQ(table.CompareRecordIds({1, 0}, {2, 0}), -1);
  EXPECT_EQ(table.CompareRecordIds({2, 0}, {2, 5}), 0);
}

TEST_F(MemoryTableRecordsTest, BulkDeleteAndUpdate) {
  TableCursor& cursor = NewCursor();
  TSQLMemMemoryTableData& table = Create(cursor);
  for (int i = 0; i < 6; ++i) ASSERT_TRUE(InsertDay(cursor, Day(i), "t"));

  // Every record of an unfiltered cursor: the bulk update writes each one through the index.
  TSQLMemVariant title;
  title.SetAsString("all");
  table.UpdateRecords(cursor, {"title"}, {&title}, false);
  ASSERT_EQ(Read(cursor, 3), nrFound);
  EXPECT_EQ(Text(cursor, kTitle), "all");
  TSQLMemVariant day;
  day.SetAsString(Day(0));
  ExpectEngineError([&] { table.UpdateRecords(cursor, {"ShortDateDay"}, {&day}, false); }, 30319,
                    "Primary Key constraint 'ByShortDate' violated. Duplicate found. - Native error: 30319");
  ExpectEngineError([&] { table.UpdateRecords(cursor, {"Title", "Text"}, {&title}, false); }, 11448,
                    "Invalid item number - ItemNo = 1, ItemCount = 2 - Native error: 11448");
  ExpectEngineError([&] { table.UpdateRecords(cursor, {"Nothing"}, {&title}, false); }, 11447,
                    "Cannot find field Nothing in table fans - Native error: 11447");

  // The fast clear empties records and indexes at once; inserting starts again from slot 0.
  table.DeleteRecords(cursor);
  EXPECT_EQ(table.GetRecordCount(), 0);
  EXPECT_EQ(cursor.Bof, 1);
  EXPECT_EQ(table.GetPageManager().GetPageCount(), 0);
  ASSERT_TRUE(InsertDay(cursor, Day(1), "again"));
  EXPECT_EQ(cursor.PageNo, 0);
  PrimaryIndex(table).Validate(session.SessionId);
  cursor.SetIndexName("ByShortDate");
  EXPECT_EQ(Days(cursor), (std::vector<std::string>{Day(1)}));
}

TEST_F(MemoryTableRecordsTest, OneByOneDeleteOfTheRecordsABitmapHolds) {
  TableCursor& cursor = NewCursor();
  TSQLMemMemoryTableData& table = Create(cursor);
  for (int i = 0; i < 6; ++i) ASSERT_TRUE(InsertDay(cursor, Day(i), "t"));
  // A filtered cursor's bitmap (as the record search builds it) names slots 1 and 4.
  cursor.FilterBitmap = std::make_unique<TSQLMemRecordBitmap>(&table);
  cursor.FilterBitmap->AddRecord({1, 0});
  cursor.FilterBitmap->AddRecord({4, 0});
  cursor.FilterBitmap->SetActive(true);
  table.DeleteRecords(cursor);
  cursor.FilterBitmap.reset();
  EXPECT_EQ(table.GetRecordCount(), 4);
  cursor.SetIndexName("ByShortDate");
  EXPECT_EQ(Days(cursor), (std::vector<std::string>{Day(0), Day(2), Day(3), Day(5)}));
  PrimaryIndex(table).Validate(session.SessionId);

  // A bitmap that names more records than the table holds is refused before anything is deleted.
  cursor.FilterBitmap = std::make_unique<TSQLMemRecordBitmap>(&table);
  for (Integer slot = 0; slot < 5; ++slot) cursor.FilterBitmap->AddRecord({slot, 0});
  cursor.FilterBitmap->SetActive(true);
  ExpectEngineError([&] { table.DeleteRecords(cursor); }, 11311, "Invalid record count = 5. Limit is 4 - Native error: 11311");
  EXPECT_EQ(table.GetRecordCount(), 4);
}

TEST_F(MemoryTableRecordsTest, EmptyTableFreesRecordsAndPages) {
  TableCursor& cursor = NewCursor();
  TSQLMemMemoryTableData& table = Create(cursor);
  for (int i = 0; i < 300; ++i) ASSERT_TRUE(InsertDay(cursor, Day(i), "a title that fills the key"));
  EXPECT_GT(table.GetPageManager().GetPageCount(), 1);
  table.DetachCursor(cursor);
  table.EmptyTable(nullptr, false);
  EXPECT_EQ(table.GetRecordCount(), 0);
  EXPECT_EQ(table.GetPageManager().GetPageCount(), 0);
  Attach(cursor, table);
  ASSERT_TRUE(InsertDay(cursor, Day(7), "new"));
  EXPECT_EQ(RecId(cursor), 301) << "emptying keeps the sequence";
}

TEST_F(MemoryTableRecordsTest, RecordOperationsWithoutAStoreOrBufferGiveTheirCodes) {
  TableCursor& cursor = NewCursor();
  auto* table = static_cast<TSQLMemMemoryTableData*>(database->CreateTableData(cursor));
  struct Case {
    const char* what;
    std::function<void()> call;
    Integer code;
  };
  const Case cases[] = {
      {"insert", [&] { table->InsertRecord(cursor); }, 10010},
      {"update", [&] { table->UpdateRecord(cursor); }, 10014},
      {"delete", [&] { table->DeleteRecord(cursor); }, 10013},
      {"bulk delete", [&] { table->DeleteRecords(cursor); }, 11312},
      {"bulk update", [&] { table->UpdateRecords(cursor, {}, {}, false); }, 11450},
      {"count", [&] { table->GetRecordCount(); }, 10009},
      {"set record number", [&] { table->SetRecNoNatural(cursor, 1); }, 10074},
      {"get record number", [&] { table->GetRecNoNatural(cursor); }, 10033},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    ExpectEngineError(c.call, c.code, AnsiString("Nil pointer occured - Native error: ") + std::to_string(c.code));
  }
  DiarySchema schema;
  table->CreateTable(cursor, schema.fields, schema.constraints, schema.indexes);
  ExpectEngineError([&] { table->InsertRecord(cursor); }, 10018, "Nil pointer occured - Native error: 10018");
  ExpectEngineError([&] { table->UpdateRecord(cursor); }, 10017, "Nil pointer occured - Native error: 10017");
  delete table;
}

// The diary's table in MEMORY through a year of use and more: 10 000 days inserted, rewritten and
// deleted at random, with the primary index checked against a model and validated along the way.
TEST_F(MemoryTableRecordsTest, TenThousandDiaryDaysKeepTheIndexConsistent) {
  const unsigned seed = 31;
  SCOPED_TRACE(::testing::Message() << "seed " << seed);
  std::mt19937 random(seed);
  TSQLMemDatabaseData* memory = FindDatabaseData(true, false, "MEMORY", u"");
  ASSERT_NE(memory, nullptr);
  TableTestSession diarySession;
  memory->AddSession(&diarySession);
  TableCursor cursor(&diarySession, "fans");
  auto* table = static_cast<TSQLMemMemoryTableData*>(memory->CreateTableData(cursor));
  DiarySchema schema;
  table->CreateTable(cursor, schema.fields, schema.constraints, schema.indexes);
  Attach(cursor, *table);
  cursor.SetIndexName("ByShortDate");
  const Integer sessionId = diarySession.SessionId;
  TSQLMemBTreeIndex& index = PrimaryIndex(*table);

  std::map<std::string, std::pair<Integer, std::string>> model;  // day -> (slot, title)
  auto check = [&] {
    index.Validate(sessionId);
    ASSERT_EQ(table->GetRecordCount(), static_cast<Int64>(model.size()));
    std::vector<std::string> expected;
    for (const auto& entry : model) expected.push_back(entry.first);
    ASSERT_EQ(Days(cursor), expected);
    TSQLMemMemoryRecordManager& records = *table->MemoryRecordManager();
    if (model.empty()) return;
    Integer minSlot = 1 << 30, maxSlot = -1;
    for (const auto& [day, value] : model) {
      minSlot = std::min(minSlot, value.first);
      maxSlot = std::max(maxSlot, value.first);
    }
    ASSERT_EQ(records.MinSlot(), minSlot);
    ASSERT_EQ(records.MaxSlot(), maxSlot);
  };

  for (int n = 0; n < 10000; ++n) ASSERT_TRUE(InsertDay(cursor, Day(n), "day " + std::to_string(n)));
  for (int n = 0; n < 10000; ++n) model[Day(n)] = {n, "day " + std::to_string(n)};
  EXPECT_EQ(RecId(cursor), 10000);
  check();

  std::vector<std::string> days;
  for (const auto& entry : model) days.push_back(entry.first);
  for (int step = 0; step < 10000; ++step) {
    ASSERT_FALSE(days.empty());
    const std::size_t pick = random() % days.size();
    const std::string day = days[pick];
    const Integer slot = model[day].first;
    ASSERT_EQ(Read(cursor, slot), nrFound);
    ASSERT_EQ(Text(cursor, kShortDateDay), day);
    ASSERT_EQ(Text(cursor, kTitle), model[day].second);
    if (step % 2 == 0) {
      // Rewrite the title, and every fourth time move the record to a day not yet written.
      const std::string title = "rewritten " + std::to_string(step);
      std::string newDay = day;
      if (step % 4 == 0) newDay = Day(20000 + step);
      ASSERT_TRUE(UpdateDay(cursor, newDay, title));
      model.erase(day);
      model[newDay] = {slot, title};
      days[pick] = newDay;
    } else {
      ASSERT_TRUE(table->DeleteRecord(cursor));
      model.erase(day);
      days[pick] = days.back();
      days.pop_back();
    }
    if (step % 1000 == 999) check();
  }
  check();
  EXPECT_EQ(table->MemoryRecordManager()->Dense(), 0);
  const Int64 left = table->GetRecordCount();
  EXPECT_EQ(left, 5000);
  for (Int64 recordNo = 1; recordNo <= left; recordNo += 997) {
    table->SetRecNoNatural(cursor, recordNo);
    EXPECT_EQ(table->GetRecNoNatural(cursor), recordNo);
  }

  TSQLMemTableData* toDrop = table;
  DropTableData(toDrop, &diarySession, false, true);
  ASSERT_NE(toDrop, nullptr) << "the table is open";
  table->DetachCursor(cursor);
  DropTableData(toDrop, &diarySession, false, false);
  EXPECT_EQ(toDrop, nullptr);
  memory->RemoveSession(&diarySession);
}

TEST_F(MemoryTableRecordsTest, TwoSessionsInsertingAtOnceAreSerialisedByTheTableLock) {
  TableCursor& first = NewCursor();
  TSQLMemMemoryTableData& table = Create(first);
  TableTestSession otherSession;
  database->AddSession(&otherSession);
  TableCursor& second = NewCursor("fans", &otherSession);
  Attach(second, table);
  constexpr int kPerThread = 400;
  std::atomic<int> failures{0};
  auto insertMany = [&](TableCursor& cursor, int offset) {
    for (int i = 0; i < kPerThread; ++i) {
      try {
        if (!InsertDay(cursor, Day(offset + 2 * i), "t")) ++failures;
      } catch (...) {
        ++failures;
      }
    }
  };
  std::thread a(insertMany, std::ref(first), 0);
  std::thread b(insertMany, std::ref(second), 1);
  a.join();
  b.join();
  EXPECT_EQ(failures.load(), 0);
  EXPECT_EQ(table.GetRecordCount(), 2 * kPerThread);
  PrimaryIndex(table).Validate(session.SessionId);
  first.SetIndexName("ByShortDate");
  const std::vector<std::string> days = Days(first);
  ASSERT_EQ(days.size(), 2u * kPerThread);
  for (int n = 0; n < 2 * kPerThread; ++n) EXPECT_EQ(days[static_cast<std::size_t>(n)], Day(n));
  // Every record drew its own RecID.
  std::set<Int64> ids;
  first.SetIndexName("");
  first.SetBeginOfData();
  while (table.MoveCursor(first, ndNext) == nrFound) ids.insert(RecId(first));
  EXPECT_EQ(ids.size(), 2u * kPerThread);
  EXPECT_EQ(*ids.rbegin(), 2 * kPerThread);
}

TEST_F(MemoryTableRecordsTest, BLOBMarksFollowTheOwnerOfTheBlock) {
  TableCursor& cursor = NewCursor();
  TSQLMemMemoryTableData& table = Create(cursor);
  std::vector<Byte> record(static_cast<std::size_t>(table.RecordSize()), 0);
  const TSQLMemFieldDef& text = table.TableFieldDefs().GetFieldDef(kText);
  Byte* mark = record.data() + text.RecordOffset + text.CompactSize;
  SetRecordFieldNull(kText, true, record.data());
  table.MarkBLOBs(record.data(), true);
  EXPECT_FALSE(table.IsEditBLOB(record.data(), kText)) << "a NULL field keeps no mark";
  SetRecordFieldNull(kText, false, record.data());
  table.MarkBLOBs(record.data(), true);
  EXPECT_TRUE(table.IsEditBLOB(record.data(), kText));
  EXPECT_EQ(mark[0], 0x0F);
  table.MarkBLOBs(record.data(), false);
  EXPECT_FALSE(table.IsEditBLOB(record.data(), kText));
  EXPECT_EQ(mark[0], 0xF0);
  EXPECT_EQ(mark[1], 0xF0);
}
