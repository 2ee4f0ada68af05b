// The memory table saved to and loaded from its table stream: the diary's table with gaps and memos of
// every size goes through zlib and comes back identical in a fresh database; a damaged stream leaves
// the table that was to be replaced as it was.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <functional>
#include <string>
#include <vector>

#include "engine/foundation/SQLMemStreams.h"
#include "engine/storage/SQLMemBTreeIndex.h"
#include "engine/storage/SQLMemLocalBLOBStream.h"
#include "engine/storage/SQLMemMemoryTable.h"
#include "tests/engine/storage/TableTestSupport.h"

namespace {

constexpr int kDays = 1000;

std::string Day(int n) {
  char text[40];
  std::snprintf(text, sizeof text, "%04d.%02d.%02d", 2000 + n / 372, 1 + n / 31 % 12, 1 + n % 31);
  return text;
}

// Day i's memo: empty for every tenth day, 1 MB for day 500, otherwise up to some kilobytes of text
// with Central European letters.
std::string Memo(int i) {
  if (i % 10 == 0) return {};
  const std::size_t size = i == 500 ? std::size_t{1} << 20 : static_cast<std::size_t>(i * 37 % 5000 + 1);
  std::string text(size, ' ');
  unsigned x = static_cast<unsigned>(i) * 2654435761u;
  static const char letters[] = "abcdefgh \xF5\xFB\xE1\xE9.\r\n";
  for (char& c : text) {
    x = x * 1103515245u + 12345u;
    c = letters[(x >> 16) % (sizeof letters - 1)];
  }
  return text;
}

// The low byte of the uncompressed-size field in the stream head of day 1's memo (stored as it is, so
// its text stands in the stream right after its 20-byte head: block count, size, length).
Byte* MemoSizeField(std::vector<Byte>& bytes) {
  const std::string text = Memo(1);
  const std::vector<Byte> memo(text.begin(), text.end());
  const auto at = std::search(bytes.begin(), bytes.end(), memo.begin(), memo.end());
  EXPECT_NE(at, bytes.end());
  return &*at - 20 + 4;
}

std::vector<Byte> Bytes(TSQLMemMemoryStream& stream) {
  const Byte* data = stream.Memory();
  return std::vector<Byte>(data, data + stream.GetSize());
}

}  // namespace

class MemoryTableStreamTest : public MemoryTableTest {
 protected:
  struct Row {
    Integer slot;
    Int64 recId;
    std::string day, title, memo;
    bool operator==(const Row&) const = default;
  };

  bool InsertDiaryDay(TableCursor& cursor, int i) {
    Byte* buffer = cursor.CurrentRecordBuffer;
    cursor.InitRecordBuffer(buffer);
    cursor.table->InitNewRecord(cursor, buffer, true);
    PutText(cursor, kShortDateDay, Day(i));
    PutText(cursor, kTitle, "title " + std::to_string(i));
    const std::string memo = Memo(i);
    auto stream = cursor.table->OpenBLOB(cursor, bomWrite, kText);
    if (!memo.empty()) stream->WriteBuffer64(memo.data(), static_cast<Int64>(memo.size()));
    cursor.table->StoreBLOB(cursor, kText, *stream);
    const TSQLMemRecordID position{cursor.PageNo, static_cast<Word>(cursor.ItemNo)};
    cursor.table->CheckConstraints(cursor, session.SessionId, false, position, true, nullptr, buffer);
    return cursor.table->InsertRecord(cursor);
  }

  // 1000 days posted out of day order, then every 13th slot and the slots 400..449 deleted.
  void BuildDiary(TableCursor& cursor) {
    for (int n = 0; n < kDays; ++n) ASSERT_TRUE(InsertDiaryDay(cursor, n * 7919 % kDays));
    for (Integer slot = 0; slot < kDays; ++slot) {
      if (slot % 13 != 5 && (slot < 400 || slot >= 450)) continue;
      ASSERT_EQ(Read(cursor, slot), nrFound);
      ASSERT_TRUE(cursor.table->DeleteRecord(cursor));
    }
  }

  static std::string ReadMemo(TableCursor& cursor) {
    if (IsRecordFieldNull(kText, cursor.CurrentRecordBuffer)) return "<null>";
    auto stream = cursor.table->OpenBLOB(cursor, bomRead, kText);
    std::string text(static_cast<std::size_t>(stream->GetSize()), '\0');
    stream->ReadBuffer64(text.data(), static_cast<Int64>(text.size()));
    return text;
  }

  // Every record in slot order, with its slot.
  static std::vector<Row> RowsBySlot(TableCursor& cursor) {
    auto& table = static_cast<TSQLMemMemoryTableData&>(*cursor.table);
    std::vector<Row> rows;
    const TSQLMemMemoryRecordManager& records = *table.MemoryRecordManager();
    for (Integer slot = 0; slot < records.Capacity(); ++slot) {
      if (records.SlotIsFree(slot)) continue;
      EXPECT_EQ(Read(cursor, slot), nrFound);
      rows.push_back({slot, RecId(cursor), Text(cursor, kShortDateDay), Text(cursor, kTitle), ReadMemo(cursor)});
    }
    return rows;
  }

  static std::vector<Byte> Save(TSQLMemMemoryTableData& table, Byte algorithm) {
    TSQLMemMemoryStream stream;
    table.SaveToStream(stream, algorithm, 9, 2097152, true);
    return Bytes(stream);
  }
  static void Load(TSQLMemMemoryTableData& table, const std::vector<Byte>& bytes) {
    TSQLMemMemoryStream stream;
    stream.WriteBuffer64(bytes.data(), static_cast<Int64>(bytes.size()));
    stream.Seek(0, TSeekOrigin::soBeginning);
    table.LoadFromStream(stream);
  }

  static void ExpectSameSlots(TSQLMemMemoryTableData& a, TSQLMemMemoryTableData& b) {
    const TSQLMemMemoryRecordManager& x = *a.MemoryRecordManager();
    const TSQLMemMemoryRecordManager& y = *b.MemoryRecordManager();
    EXPECT_EQ(x.GetRecordCount(), y.GetRecordCount());
    EXPECT_EQ(x.Capacity(), y.Capacity());
    EXPECT_EQ(x.MinSlot(), y.MinSlot());
    EXPECT_EQ(x.MaxSlot(), y.MaxSlot());
    EXPECT_EQ(x.Dense(), y.Dense());
  }

  static TSQLMemBTreeIndex& PrimaryIndex(TSQLMemTableData& table) {
    return static_cast<TSQLMemBTreeIndex&>(
        table.IndexManager()->GetIndex(table.IndexManager()->IndexDefs.GetItem(0).ObjectId));
  }

  static std::vector<Integer> ObjectIds(TSQLMemTableData& table) {
    std::vector<Integer> ids;
    const TSQLMemFieldDefs& fields = table.TableFieldDefs();
    for (Integer i = 0; i < fields.GetCount(); ++i) {
      ids.push_back(fields.GetFieldDef(i).ObjectId);
      ids.push_back(fields.GetFieldDef(i).SequenceId);
    }
    for (Integer i = 0; i < table.IndexManager()->IndexDefs.GetCount(); ++i)
      ids.push_back(table.IndexManager()->IndexDefs.GetItem(i).ObjectId);
    for (Integer i = 0; i < table.ConstraintManager()->ConstraintDefs.GetCount(); ++i)
      ids.push_back(table.ConstraintManager()->ConstraintDefs.GetConstraintDef(i).ObjectId);
    return ids;
  }
};

TEST_F(MemoryTableStreamTest, TheDiaryRoundTripsThroughZlibIntoAFreshDatabase) {
  TableCursor& cursor = NewCursor();
  TSQLMemMemoryTableData& table = Create(cursor);
  BuildDiary(cursor);
  const std::vector<Row> rows = RowsBySlot(cursor);
  ASSERT_EQ(rows.size(), 877u);
  cursor.SetIndexName("ByShortDate");
  const std::vector<std::string> days = Days(cursor);
  const std::vector<Byte> saved = Save(table, 1);
  EXPECT_EQ(saved[40], 1) << "zlib";
  EXPECT_EQ(saved[41], 9) << "level 9";
  const std::vector<Byte> stored = Save(table, 0);

  TSQLMemMemoryDatabaseData copy("COPY");
  TableTestSession copySession;
  copy.AddSession(&copySession);
  TableCursor& copyCursor = NewCursor("fans", &copySession);
  auto* loaded = static_cast<TSQLMemMemoryTableData*>(copy.CreateTableData(copyCursor));
  Load(*loaded, saved);
  Attach(copyCursor, *loaded);

  EXPECT_EQ(loaded->GetTableName(), "fans");
  ExpectSameSlots(table, *loaded);
  EXPECT_EQ(RowsBySlot(copyCursor), rows);
  copyCursor.SetIndexName("ByShortDate");
  EXPECT_EQ(Days(copyCursor), days);
  PrimaryIndex(*loaded).Validate(copySession.SessionId);
  EXPECT_TRUE(loaded->RebuiltIndexes().empty()) << "a tree the table wrote holds when it is loaded";
  EXPECT_EQ(ObjectIds(*loaded), ObjectIds(table));
  EXPECT_EQ(copy.ObjectIdSequenceValue(), database->ObjectIdSequenceValue());
  // The stored form of the copy is the original's byte for byte: definitions, pages, records, BLOBs.
  EXPECT_EQ(Save(*loaded, 0), stored);

  // Both continue with the same next RecID and the same next object id.
  ASSERT_TRUE(InsertDiaryDay(cursor, 5000));
  ASSERT_TRUE(InsertDiaryDay(copyCursor, 5000));
  EXPECT_EQ(RecId(copyCursor), kDays + 1);
  EXPECT_EQ(RecId(copyCursor), RecId(cursor));
  EXPECT_EQ(copy.NextObjectId(), database->NextObjectId());
  loaded->DetachCursor(copyCursor);
  copy.RemoveSession(&copySession);
}

TEST_F(MemoryTableStreamTest, ADamagedStreamLeavesTheTableAsItWas) {
  TableCursor& cursor = NewCursor();
  TSQLMemMemoryTableData& table = Create(cursor);
  for (int i = 0; i < 60; ++i) ASSERT_TRUE(InsertDiaryDay(cursor, i));
  ASSERT_EQ(Read(cursor, 7), nrFound);
  ASSERT_TRUE(table.DeleteRecord(cursor));
  const std::vector<Byte> good = Save(table, 1);
  const std::vector<Byte> stored = Save(table, 0);

  // Another table, with content of its own, is the target of every damaged load.
  TableCursor& other = NewCursor("other");
  TSQLMemMemoryTableData& target = Create(other);
  for (int i = 100; i < 140; ++i) ASSERT_TRUE(InsertDiaryDay(other, i));
  const std::vector<Row> before = RowsBySlot(other);
  const std::vector<Byte> targetStored = Save(target, 0);
  target.DetachCursor(other);

  struct Case {
    const char* what;
    const std::vector<Byte>* source;
    std::function<void(std::vector<Byte>&)> damage;
    Integer code;  // 0: any coded engine error
  };
  const Case cases[] = {
      {"signature", &good, [](std::vector<Byte>& b) { b[3] = 'X'; }, 10161},
      {"version", &good, [](std::vector<Byte>& b) { b[11] = 0x7F; }, 10162},
      {"truncated header", &good, [](std::vector<Byte>& b) { b.resize(30); }, 10160},
      {"truncated compressed body", &good, [](std::vector<Byte>& b) { b.resize(b.size() - 10); }, 10456},
      {"flipped compressed body", &good, [](std::vector<Byte>& b) { b[b.size() / 2] ^= 0x55; }, 0},
      {"uncompressed size", &good, [](std::vector<Byte>& b) { b[20] += 1; }, 10191},
      {"truncated last record", &stored, [](std::vector<Byte>& b) { b.resize(b.size() - 3); }, 0},
      {"record count", &stored, [](std::vector<Byte>& b) { b[12] += 1; }, 0},
      // A memo's head claims another size than the bytes behind it: refused while loading, not when
      // the day is shown.
      {"memo size claims more", &stored, [](std::vector<Byte>& b) { MemoSizeField(b)[0] += 1; }, 10203},
      {"memo size claims less", &stored, [](std::vector<Byte>& b) { MemoSizeField(b)[0] -= 1; }, 10203},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    std::vector<Byte> bytes = *c.source;
    c.damage(bytes);
    try {
      Load(target, bytes);
      ADD_FAILURE() << "the damaged stream loaded";
    } catch (const ESQLMemException& e) {
      if (c.code != 0) {
        EXPECT_EQ(e.NativeError(), c.code) << e.what();
      }
    }
    EXPECT_EQ(target.GetTableName(), "other");
    EXPECT_EQ(Save(target, 0), targetStored);
  }
  Attach(other, target);
  EXPECT_EQ(RowsBySlot(other), before);
  PrimaryIndex(target).Validate(session.SessionId);

  // The good stream replaces the target's content and name; only the object-id value after the name
  // differs, as the database made another table since.
  target.DetachCursor(other);
  Load(target, good);
  EXPECT_EQ(target.GetTableName(), "fans");
  const auto withoutObjectIdValue = [](std::vector<Byte> bytes) {
    std::fill_n(bytes.begin() + 43 + 4, 8, Byte{0});
    return bytes;
  };
  EXPECT_EQ(withoutObjectIdValue(Save(target, 0)), withoutObjectIdValue(stored));
}

TEST_F(MemoryTableStreamTest, GuardsRefuseLoadAndSaveOfAnOpenTable) {
  TableCursor& cursor = NewCursor();
  TSQLMemMemoryTableData& table = Create(cursor);
  ASSERT_TRUE(InsertDiaryDay(cursor, 1));
  TSQLMemMemoryStream stream;
  ExpectEngineError([&] { table.SaveToStream(stream, 1, 9, 2097152, false); }, 10153,
                    "Cannot save table 'fans'. Table is open by another dataset - Native error: 10153");
  EXPECT_EQ(stream.GetSize(), 0);
  table.SaveToStream(stream, 1, 9, 2097152, true);
  stream.Seek(0, TSeekOrigin::soBeginning);
  ExpectEngineError([&] { table.LoadFromStream(stream); }, 10152,
                    "Cannot load table 'fans'. Table is open by another dataset - Native error: 10152");
  EXPECT_EQ(table.GetRecordCount(), 1);
}
