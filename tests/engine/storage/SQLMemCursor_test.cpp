#include "engine/storage/SQLMemCursor.h"

#include <gtest/gtest.h>

#include <cstring>
#include <functional>

#include "engine/foundation/EngineTestSupport.h"
#include "engine/foundation/SQLMemMemory.h"
#include "engine/storage/SQLMemDatasetServices.h"
#include "engine/storage/TestCursor.h"
#include "engine/sql/SQLMemExpression.h"
#include "vcl/rtl/TextConv.h"

namespace {

using CursorTest = EngineBlocksTest;

struct FieldTypeCase {
  const char* name;
  Byte fieldType;
  Integer size;
  std::function<void(TSQLMemVariant&)> set;
};

// The value written converted to the field's type, byte for byte, is what comes back.
TEST_F(CursorTest, EveryFieldTypeRoundTripsThroughTheRecordBuffer) {
  const FieldTypeCase cases[] = {
      {"char", sftChar, 4, [](TSQLMemVariant& v) { v.SetAsString("abcd"); }},
      {"varchar", sftVarchar, 10, [](TSQLMemVariant& v) { v.SetAsString(Utf8ToCp1250("Hőség")); }},
      {"widechar", sftWideChar, 3, [](TSQLMemVariant& v) { v.SetAsWideString(u"xyz"); }},
      {"widevarchar", sftWideVarchar, 8, [](TSQLMemVariant& v) { v.SetAsWideString(u"\u0151\u0171"); }},
      {"shortint", sftShortInt, 0, [](TSQLMemVariant& v) { v.SetAsShortInt(-7); }},
      {"smallint", sftSmallInt, 0, [](TSQLMemVariant& v) { v.SetAsSmallInt(-30000); }},
      {"integer", sftInteger, 0, [](TSQLMemVariant& v) { v.SetAsInteger(-2000000000); }},
      {"largeint", sftLargeInt, 0, [](TSQLMemVariant& v) { v.SetAsLargeInt(-9000000000000000000LL); }},
      {"byte", sftByte, 0, [](TSQLMemVariant& v) { v.SetAsByte(250); }},
      {"word", sftWord, 0, [](TSQLMemVariant& v) { v.SetAsWord(65000); }},
      {"cardinal", sftCardinal, 0, [](TSQLMemVariant& v) { v.SetAsCardinal(4000000000u); }},
      {"autoinc", sftAutoInc, 0, [](TSQLMemVariant& v) { v.SetAsInteger(17); }},
      {"autoinclargeint", sftAutoIncLargeInt, 0, [](TSQLMemVariant& v) { v.SetAsLargeInt(1LL << 40); }},
      {"single", sftSingle, 0, [](TSQLMemVariant& v) { v.SetAsSingle(1.5f); }},
      {"double", sftDouble, 0, [](TSQLMemVariant& v) { v.SetAsDouble(-2.25); }},
      {"extended", sftExtended, 0, [](TSQLMemVariant& v) { v.SetAsExtended(3.125L); }},
      {"boolean", sftBoolean, 0, [](TSQLMemVariant& v) { v.SetAsBoolean(true); }},
      {"currency", sftCurrency, 0, [](TSQLMemVariant& v) { v.SetAsCurrency(12.34); }},
      {"date", sftDate, 0, [](TSQLMemVariant& v) { v.SetAsDateValue(738000); }},
      {"time", sftTime, 0, [](TSQLMemVariant& v) { v.SetAsTimeValue(3600000); }},
      {"datetime", sftDateTime, 0, [](TSQLMemVariant& v) { v.SetAsDateTime(45000.5); }},
      {"timestamp", sftTimeStamp, 0, [](TSQLMemVariant& v) { v.SetAsTimeStampValue({738000, 1234}); }},
      {"bytes", sftBytes, 4, [](TSQLMemVariant& v) {
         const Byte b[] = {1, 0, 2, 3};
         v.SetValue(b, edtBytes, 4);
       }},
      {"text from a number", sftVarchar, 6, [](TSQLMemVariant& v) { v.SetAsInteger(123); }},
      {"number from a text", sftInteger, 0, [](TSQLMemVariant& v) { v.SetAsString("-45"); }},
  };
  for (const FieldTypeCase& c : cases) {
    SCOPED_TRACE(c.name);
    TestCursor cursor({{"Before", sftInteger, 0}, {"F", c.fieldType, c.size}, {"After", sftInteger, 0}});
    TSQLMemVariant written;
    c.set(written);
    cursor.Put(1, written);

    TSQLMemVariant expected;
    expected.Assign(written, true);
    expected.ConvertTo(cursor.FieldDefs->GetFieldDef(1).DataType);
    for (bool copy : {false, true}) {
      TSQLMemVariant read;
      cursor.GetFieldValue(read, 1, copy, false);
      ASSERT_FALSE(read.IsNull());
      EXPECT_EQ(read.DataType(), expected.DataType());
      ASSERT_EQ(read.DataSize(), expected.DataSize());
      EXPECT_EQ(std::memcmp(read.Data(), expected.Data(), static_cast<std::size_t>(read.DataSize())), 0);
      EXPECT_EQ(read.OwnsData(), copy);
    }
    // The neighbours stay NULL.
    EXPECT_FALSE(cursor.GetFieldData(0, nullptr, cursor.CurrentRecordBuffer));
    EXPECT_FALSE(cursor.GetFieldData(2, nullptr, cursor.CurrentRecordBuffer));
  }
}

TEST_F(CursorTest, TextLongerThanTheFieldIsCutAndNullClearsTheValue) {
  TestCursor cursor({{"Name", sftVarchar, 5}, {"Age", sftInteger, 0}});
  TSQLMemVariant value;
  value.SetAsString("abcdefgh");
  cursor.Put(0, value);
  TSQLMemVariant read;
  cursor.GetFieldValue(read, 0, true, true);
  EXPECT_EQ(read.GetAsString(), "abcde");
  EXPECT_EQ(read.DataSize(), 6);

  TSQLMemVariant null(edtVarchar);
  cursor.Put(0, null);
  cursor.GetFieldValue(read, 0, true, true);
  EXPECT_TRUE(read.IsNull());
  EXPECT_EQ(read.DataType(), edtVarchar);
  EXPECT_FALSE(cursor.GetFieldData(0, nullptr, cursor.CurrentRecordBuffer));
}

TEST_F(CursorTest, BLOBValuesAreReadWholeWithTheirTerminatorsAndNeverWrittenDirectly) {
  TestCursor cursor({{"Memo", sftMemo, 0}, {"Wide", sftWideMemo, 0}, {"Blob", sftBLOB, 0}});
  // The BLOB slots themselves are not NULL: the table keeps the value elsewhere.
  for (Integer i = 0; i < 3; ++i) SetRecordFieldNull(i, false, cursor.CurrentRecordBuffer);
  cursor.blobs[0] = "hello";
  cursor.blobs[1] = std::string("a\0b\0", 4);

  TSQLMemVariant value;
  cursor.GetFieldValue(value, 0, false, false);
  EXPECT_EQ(value.DataType(), edtMemo);
  ASSERT_EQ(value.DataSize(), 6);
  EXPECT_EQ(std::memcmp(value.Data(), "hello\0", 6), 0);

  cursor.GetFieldValue(value, 1, false, true);
  EXPECT_EQ(value.DataType(), edtWideMemo);
  ASSERT_EQ(value.DataSize(), 6);
  EXPECT_EQ(std::memcmp(value.Data(), "a\0b\0\0\0", 6), 0);

  cursor.GetFieldValue(value, 2, false, false);
  EXPECT_TRUE(value.IsNull()) << "an empty BLOB reads as NULL";
  EXPECT_EQ(value.DataType(), edtBLOB);
  EXPECT_EQ(cursor.closedBLOBs, 3);
  EXPECT_TRUE(cursor.openStreams.empty());

  cursor.TableName = "Days";
  TSQLMemVariant text;
  text.SetAsString("x");
  ExpectEngineError([&] { cursor.SetFieldValue(nullptr, text, 1, true); }, 11589,
                    "Setting blob field value is not allowed in this method, FieldNo = 1, TableName = Days"
                    " - Native error: 11589");
  ExpectEngineError([&] { cursor.SetFieldValue(nullptr, text, 0, false); }, 11591,
                    "Setting blob field value is not allowed in this method, FieldNo = 0, TableName = Days"
                    " - Native error: 11591");
  // A NULL is allowed: it only sets the null bit.
  cursor.SetFieldValue(nullptr, TSQLMemVariant(edtMemo), 0, false);
  EXPECT_TRUE(IsRecordFieldNull(0, cursor.CurrentRecordBuffer));
}

TEST_F(CursorTest, FieldNumbersOutsideTheirListAreRefusedWithTheirOwnCodes) {
  TestCursor cursor({{"A", sftInteger, 0}, {"B", sftInteger, 0}});
  // Project only B, so the projected list is shorter than the table's.
  TSQLMemFieldDefs projection;
  projection.AddFieldDef().Assign(cursor.FieldDefs->GetFieldDef(1));
  projection.GetFieldDef(0).TableFieldNo = 1;
  cursor.SetSuppliedProjection(&projection);
  EXPECT_TRUE(cursor.ProjectionSupplied());

  TSQLMemVariant value;
  value.SetAsInteger(5);
  const struct {
    Integer code;
    std::function<void()> call;
    Integer fieldNo, count;
  } cases[] = {
      {10005, [&] { cursor.GetFieldData(1, nullptr, cursor.CurrentRecordBuffer); }, 1, 1},
      {10006, [&] { cursor.SetFieldData(-1, nullptr, cursor.CurrentRecordBuffer); }, -1, 1},
      {10317, [&] { cursor.GetFieldValue(value, 2, true, true); }, 2, 2},
      {10737, [&] { cursor.GetFieldValue(value, 1, true, false); }, 1, 1},
      {10318, [&] { cursor.SetFieldValue(nullptr, value, 2, true); }, 2, 2},
      {10738, [&] { cursor.SetFieldValue(nullptr, value, 1, false); }, 1, 1},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.code);
    ExpectEngineError(c.call, c.code,
                      Format("Invalid field number - FieldNo = %d, FieldCount = %d - Native error: %d",
                             {c.fieldNo, c.count, c.code}));
  }

  // Projected field 0 is table field 1.
  cursor.SetFieldValue(nullptr, value, 0, false);
  EXPECT_TRUE(cursor.GetFieldData(0, nullptr, cursor.CurrentRecordBuffer));
  EXPECT_FALSE(IsRecordFieldNull(1, cursor.CurrentRecordBuffer));
  EXPECT_TRUE(IsRecordFieldNull(0, cursor.CurrentRecordBuffer));
  TSQLMemVariant read;
  cursor.GetFieldValue(read, 1, true, true);
  EXPECT_EQ(read.GetAsInteger(), 5);
  cursor.SetSuppliedProjection(nullptr);
  EXPECT_FALSE(cursor.ProjectionSupplied());
}

TEST_F(CursorTest, BuffersHaveTheirTrailerAndStartFullyCleared) {
  TestCursor cursor({{"A", sftInteger, 0}, {"Name", sftVarchar, 9}});
  const Integer d = 1 + 4 + 10;
  EXPECT_EQ(cursor.RecordDataSize, d);
  EXPECT_EQ(cursor.TrailerOffset, d);
  EXPECT_EQ(cursor.KeyBufferSize, d + 6);
  EXPECT_EQ(cursor.RecordBufferSize, d + 7);

  Byte* buffer = cursor.AllocRecordBuffer();
  EXPECT_EQ(MemoryManager().GetBlockSize(buffer), d + 7);
  std::memset(buffer, kBookmarkFlagInserted, static_cast<std::size_t>(d + 7));
  cursor.InitRecordBuffer(buffer);
  // The trailer's flag byte too: a stale 3 would claim a fresh insert.
  EXPECT_EQ(cursor.GetTrailerFlag(buffer), 0);
  EXPECT_EQ(cursor.GetTrailerPosition(buffer), TSQLMemRecordID{});
  EXPECT_TRUE(IsRecordFieldNull(0, buffer) && IsRecordFieldNull(1, buffer));
  for (Integer i = 1; i < d; ++i) EXPECT_EQ(buffer[i], 0) << i;

  cursor.SetTrailerPosition(buffer, {0x01020304, 0xBEEF});
  cursor.SetTrailerFlag(buffer, kBookmarkFlagInserted);
  const Byte trailer[] = {4, 3, 2, 1, 0xEF, 0xBE, 3};
  EXPECT_EQ(std::memcmp(buffer + d, trailer, sizeof trailer), 0);
  EXPECT_EQ(cursor.GetTrailerPosition(buffer), (TSQLMemRecordID{0x01020304, 0xBEEF}));
  cursor.FreeRecordBuffer(buffer);
  EXPECT_EQ(buffer, nullptr);

  Byte* key = cursor.AllocBuffer();
  EXPECT_EQ(MemoryManager().GetBlockSize(key), d + 6);
  cursor.FreeRecordBuffer(key);
}

TEST_F(CursorTest, BookmarksKeepBothEndsAndThePosition) {
  TestCursor cursor({{"A", sftInteger, 0}});
  cursor.PageNo = -5;
  cursor.ItemNo = 7;
  cursor.SetEndOfData();
  void* bookmark = cursor.GetBookmark();
  EXPECT_EQ(MemoryManager().GetBlockSize(bookmark), kBookmarkSize);
  const Byte form[] = {0, 1, 0xFB, 0xFF, 0xFF, 0xFF, 7, 0};
  EXPECT_EQ(std::memcmp(bookmark, form, sizeof form), 0);

  cursor.SetBeginOfData();
  cursor.PageNo = 99;
  cursor.ItemNo = 1;
  EXPECT_EQ(cursor.Bof, 1);
  cursor.SetBookmark(bookmark);
  EXPECT_EQ(cursor.Bof, 0);
  EXPECT_EQ(cursor.Eof, 1);
  EXPECT_EQ(cursor.PageNo, -5);
  EXPECT_EQ(cursor.ItemNo, 7);
  cursor.FreeBookmark(bookmark);
  EXPECT_EQ(bookmark, nullptr);
  cursor.FreeBookmark(bookmark);  // nil is allowed
}

TEST_F(CursorTest, IndexNameSelectsTheIndexIdOrNone) {
  TestCursor cursor({{"A", sftInteger, 0}});
  TSQLMemIndexDef& index = cursor.IndexDefs->AddIndexDef();
  index.Name = "ByA";
  index.ObjectId = 42;
  cursor.SetIndexName("bya");
  EXPECT_EQ(cursor.CurrentIndexId(), 42);
  EXPECT_TRUE(cursor.HasIndex());
  cursor.SetIndexName("Missing");
  EXPECT_EQ(cursor.CurrentIndexId(), -1);
  EXPECT_FALSE(cursor.HasIndex());
  EXPECT_EQ(cursor.IndexName(), "Missing");
}

TEST_F(CursorTest, FilteringFollowsFiltersRangesAndContinuation) {
  TestCursor cursor({{"A", sftInteger, 0}});
  Byte key[8] = {};
  const struct {
    const char* name;
    std::function<void()> set;
    bool filtered, ranged;
  } cases[] = {
      {"nothing", [] {}, false, false},
      {"text filter", [&] { cursor.TextFilter = std::make_unique<TSQLMemExpression>(); }, true, false},
      {"bound expression", [&] { cursor.FilterExpression = std::make_unique<TSQLMemExpression>(); }, true, false},
      {"callback", [&] { cursor.RecordFilter = [](TSQLMemCursor&, const Byte*) { return true; }; }, true, false},
      {"range start", [&] { cursor.RangeStartKeyBuffer = key; }, false, true},
      {"range end", [&] { cursor.RangeEndKeyBuffer = key; }, false, true},
      {"continuation", [&] { cursor.ContinuationKeyFieldCount = 1; }, false, false},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    cursor.TextFilter.reset();
    cursor.FilterExpression.reset();
    cursor.RecordFilter = nullptr;
    cursor.RangeStartKeyBuffer = cursor.RangeEndKeyBuffer = nullptr;
    cursor.ContinuationKeyFieldCount = 0;
    c.set();
    EXPECT_EQ(cursor.IsFiltered(), c.filtered);
    EXPECT_EQ(cursor.IsRanged(), c.ranged);
    EXPECT_EQ(cursor.NeedsRecordFiltering(), std::string(c.name) != "nothing");
  }
}

TEST_F(CursorTest, IndexChangesReachTheOwnerDatasetWhenThereIsOne) {
  struct Owner : TSQLMemCursorOwnerDataSet {
    void LoadIndexDefsFromCursor(TSQLMemCursor& cursor) override { loaded.push_back(cursor.GetIndexDefs().GetCount()); }
    std::vector<Integer> loaded;
  } owner;
  TestCursor cursor({{"A", sftInteger, 0}});
  cursor.NotifyIndexDefsChanged();  // no owner: nothing happens
  cursor.OwnerDataSet = &owner;
  cursor.IndexDefs->AddIndexDef().Name = "I";
  cursor.NotifyIndexDefsChanged();
  EXPECT_EQ(owner.loaded, std::vector<Integer>{1});
}

TEST_F(CursorTest, RenameFieldRefusesUnknownAndTakenNames) {
  TestCursor cursor({{"A", sftInteger, 0}, {"B", sftInteger, 0}});
  ExpectEngineError([&] { cursor.RenameField("C", "D"); }, 30345, "Field 'C' not found - Native error: 30345");
  ExpectEngineError([&] { cursor.RenameField("A", "b"); }, 30346,
                    "Cannot rename field 'A'. Field 'b' already exists - Native error: 30346");
  cursor.RenameField("a", "Renamed");
  EXPECT_EQ(cursor.FieldDefs->GetFieldDef(0).Name, "Renamed");
}

struct ConstraintCase {
  const char* name;
  Byte primary, unique;
  int kind;  // -1: none
};

TEST(DatasetServices, ConstraintFromIndexDefFollowsTheIndexKind) {
  const ConstraintCase cases[] = {
      {"primary", 1, 1, ckPrimary}, {"unique", 0, 1, ckUnique}, {"plain", 0, 0, -1}};
  for (const ConstraintCase& c : cases) {
    SCOPED_TRACE(c.name);
    TSQLMemIndexDef index;
    index.Name = "ByDay";
    index.ObjectId = 12;
    index.Primary = c.primary;
    index.Unique = c.unique;
    index.SetColumnCount(2);
    index.GetColumn(0).Name = "Day";
    index.GetColumn(1).Name = "Title";
    TSQLMemConstraintDefs constraints;
    TSQLMemConstraintDefUnique* made = ConstraintFromIndexDef(index, constraints);
    if (c.kind < 0) {
      EXPECT_EQ(made, nullptr);
      EXPECT_EQ(constraints.GetCount(), 0);
      continue;
    }
    ASSERT_NE(made, nullptr);
    ASSERT_EQ(constraints.GetCount(), 1);
    EXPECT_EQ(&constraints.GetConstraintDef(0), made);
    EXPECT_EQ(made->Kind, c.kind);
    EXPECT_EQ(made->Name, "ByDay");
    EXPECT_EQ(made->Name3, "ByDay");
    EXPECT_EQ(made->Id3, 12);
    ASSERT_EQ(made->Columns.size(), 2u);
    EXPECT_EQ(made->Columns[0].Name, "Day");
    EXPECT_EQ(made->Columns[1].Name, "Title");
    EXPECT_EQ(made->Columns[1].ObjectId, -1);
  }
}

}  // namespace
