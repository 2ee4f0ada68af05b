// The SQL script of a table, compared with a checked-in expected text.
#include <gtest/gtest.h>

#include <string>

#include "engine/storage/SQLMemLocalBLOBStream.h"
#include "tests/engine/storage/LocalCursorTestSupport.h"
#include "tests/engine/storage/TableScriptGolden.h"
#include "vcl/rtl/DateUtils.h"
#include "vcl/rtl/FormatSettings.h"
#include "vcl/rtl/Stream.h"

namespace {

// One field of every kind, with defaults, a NOT NULL and a check constraint, three indexes.
struct KindsSchema {
  KindsSchema() {
    Add("ID", sftAutoInc, 0);
    Add("Code", sftChar, 4);
    TSQLMemFieldDef& name = Add("Name", sftVarchar, 20);
    name.DefaultValue.SetAsString("it's");
    Add("WName", sftWideVarchar, 10);
    Add("Tiny", sftShortInt, 0);
    Add("Small", sftSmallInt, 0);
    Add("Int", sftInteger, 0);
    Add("Large", sftLargeInt, 0);
    Add("B", sftByte, 0);
    Add("W", sftWord, 0);
    Add("C", sftCardinal, 0);
    Add("F", sftSingle, 0);
    Add("D", sftDouble, 0).DefaultValue.SetAsDouble(1.5);
    Add("E", sftExtended, 0);
    Add("Flag", sftBoolean, 0);
    Add("Money", sftCurrency, 0);
    Add("Day", sftDate, 0);
    Add("At", sftTime, 0);
    Add("Moment", sftDateTime, 0);
    Add("Stamp", sftTimeStamp, 0);
    Add("Raw", sftBytes, 4);
    Add("VRaw", sftVarBytes, 8);
    TSQLMemFieldDef& data = Add("Data", sftBLOB, 0);
    data.BLOBCompressionAlgorithm = 1;
    data.BLOBCompressionLevel = 6;
    data.BLOBBlockSize = 4096;
    Add("Pic", sftGraphic, 0);
    Add("Note", sftMemo, 0);
    Add("FNote", sftFormattedMemo, 0);
    Add("WNote", sftWideMemo, 0);

    TSQLMemConstraintDefNotNull& notNull = constraints.AddNotNull();
    notNull.Name = "NameNeeded";
    notNull.Name3 = "NAME";  // the field's name in another case
    TSQLMemConstraintDefCheck& check = constraints.AddCheck();
    check.Name = "IntRange";
    check.Name3 = "Int";
    check.MinValue.SetAsInteger(0);
    check.MaxValue.SetAsInteger(100);

    AddIndex("PK_Kinds", 1, 1, {{"ID", 0, 0}});
    AddIndex("ByName", 0, 1, {{"Name", 1, 1}, {"Code", 0, 0}});
    AddIndex("ByDay", 0, 0, {{"Day", 0, 0}});
    ConstraintFromIndexDef(indexes.GetItem(0), constraints);
  }
  TSQLMemFieldDef& Add(const char* name, Byte fieldType, Integer size) {
    TSQLMemFieldDef& field = fields.AddFieldDef();
    field.Name = name;
    field.SetDataType(fieldType, size);
    return field;
  }
  void AddIndex(const char* name, Byte primary, Byte unique, std::initializer_list<TSQLMemIndexColumn> columns) {
    TSQLMemIndexDef& index = indexes.AddIndexDef();
    index.Name = name;
    index.Primary = primary;
    index.Unique = unique;
    index.SetColumnCount(static_cast<Integer>(columns.size()));
    Integer i = 0;
    for (const TSQLMemIndexColumn& column : columns) index.GetColumn(i++) = column;
  }
  TSQLMemFieldDefs fields;
  TSQLMemIndexDefs indexes;
  TSQLMemConstraintDefs constraints;
};

enum KindsField : Integer {
  kCode = 1, kName, kWName, kTiny, kSmall, kInt, kLarge, kB, kW, kC, kF, kD, kE, kFlag, kMoney, kDay, kAt, kMoment,
  kStamp, kRaw, kVRaw, kData, kPic, kNote, kFNote, kWNote
};

class TableScriptTest : public LocalCursorFixture {
 protected:
  TableScriptTest() : LocalCursorFixture("SCRIPTTEST") {}

  static void Put(TSQLMemLocalCursor& cursor, Integer fieldNo, const TSQLMemVariant& value) {
    cursor.SetFieldValue(nullptr, value, fieldNo, false);
  }
  template <typename Setter>
  static void Put(TSQLMemLocalCursor& cursor, Integer fieldNo, Setter set) {
    TSQLMemVariant value;
    set(value);
    Put(cursor, fieldNo, value);
  }

  // The table with a foreign key in the cursor's definitions (tables take foreign keys through their
  // own statement), a record with a value in every field and one of defaults and NULLs.
  TSQLMemLocalCursor& KindsTable() {
    const KindsSchema schema;
    TSQLMemLocalCursor& cursor = CreateAndOpen("Kinds", schema.fields, schema.indexes, schema.constraints);
    TSQLMemConstraintDefForeignKey& key = cursor.ConstraintDefs->AddForeignKey();
    key.Name = "ToOwner";
    key.RelatedTableName = "Owner";
    key.Columns = {{"Int", -1}, {"Code", -1}};
    key.MatchType = 1;
    key.DeleteAction = 1;
    key.UpdateAction = 2;
    TSQLMemConstraintDefForeignKey& loose = cursor.ConstraintDefs->AddForeignKey();
    loose.Name = "ToOther";
    loose.RelatedTableName = "Other";
    loose.Columns = {{"Large", -1}};
    loose.DeleteAction = 3;
    loose.UpdateAction = 4;

    NewRecord(cursor);
    Put(cursor, kCode, [](TSQLMemVariant& v) { v.SetAsString("AB"); });
    Put(cursor, kName, [](TSQLMemVariant& v) { v.SetAsString("O'Neil"); });
    Put(cursor, kWName, [](TSQLMemVariant& v) { v.SetAsWideString(u"wide"); });
    Put(cursor, kTiny, [](TSQLMemVariant& v) { v.SetAsShortInt(-8); });
    Put(cursor, kSmall, [](TSQLMemVariant& v) { v.SetAsSmallInt(-300); });
    Put(cursor, kInt, [](TSQLMemVariant& v) { v.SetAsInteger(42); });
    Put(cursor, kLarge, [](TSQLMemVariant& v) { v.SetAsLargeInt(-9000000000); });
    Put(cursor, kB, [](TSQLMemVariant& v) { v.SetAsByte(200); });
    Put(cursor, kW, [](TSQLMemVariant& v) { v.SetAsWord(60000); });
    Put(cursor, kC, [](TSQLMemVariant& v) { v.SetAsCardinal(4000000000U); });
    Put(cursor, kF, [](TSQLMemVariant& v) { v.SetAsSingle(0.25F); });
    Put(cursor, kE, [](TSQLMemVariant& v) { v.SetAsExtended(-2.75L); });
    Put(cursor, kFlag, [](TSQLMemVariant& v) { v.SetAsBoolean(true); });
    Put(cursor, kMoney, [](TSQLMemVariant& v) { v.SetAsCurrency(12.5); });
    Put(cursor, kDay, [](TSQLMemVariant& v) { v.SetAsDate(EncodeDate(2024, 3, 1)); });
    Put(cursor, kAt, [](TSQLMemVariant& v) { v.SetAsTime(EncodeTime(7, 5, 9, 30)); });
    Put(cursor, kMoment, [](TSQLMemVariant& v) { v.SetAsDateTime(EncodeDateTime(2023, 12, 31, 23, 59, 58, 999)); });
    Put(cursor, kStamp, [](TSQLMemVariant& v) { v.SetAsDateTime(EncodeDateTime(1999, 1, 2, 0, 0, 0, 0)); });
    PutBLOB(cursor, kData, std::string("\x00\x01\xFFZ", 4));
    PutBLOB(cursor, kPic, "");
    PutBLOB(cursor, kNote, "Hello");
    PutBLOB(cursor, kFNote, "{b}");
    PutBLOB(cursor, kWNote, std::string("h\0i\0", 4));
    cursor.PostRecord(true);
    EXPECT_EQ(cursor.ResultCode, 0) << cursor.ErrorText;

    NewRecord(cursor);
    cursor.PostRecord(true);
    EXPECT_EQ(cursor.ResultCode, 0) << cursor.ErrorText;
    cursor.SetIndexName("PK_Kinds");
    return cursor;
  }
};

// The whole script under a locale with a decimal comma: floats keep their point.
TEST_F(TableScriptTest, AScriptOfEveryFieldKindMatchesTheExpectedText) {
  TSQLMemLocalCursor& cursor = KindsTable();
  const TFormatSettingsScope comma(HungarianFormatSettings());
  AnsiString script = "left over";
  TSQLMemLocalCursor::ScriptOptions options;
  options.DropTable = true;
  options.DropIndexes = true;
  cursor.ExportTableToSQL(options, script);
  EXPECT_EQ(script, kKindsTableScript);
  EXPECT_EQ(FormatSettings().DecimalSeparator, ',') << "the process-wide separator is left as it was";
}

TEST_F(TableScriptTest, OptionsPickTheStatementsAndNames) {
  TSQLMemLocalCursor& cursor = KindsTable();
  // The cursor stands on the second record with its own buffer; the export leaves both as they were.
  cursor.SetBeginOfData();
  ASSERT_EQ(cursor.GetRecord(1), 0);
  ASSERT_EQ(cursor.GetRecord(1), 0);
  const Integer page = cursor.PageNo;
  const SmallInt item = cursor.ItemNo;
  Byte* buffer = cursor.CurrentRecordBuffer;
  const std::string before(reinterpret_cast<const char*>(buffer), static_cast<std::size_t>(cursor.RecordBufferSize));

  AnsiString script;
  TSQLMemLocalCursor::ScriptOptions options;
  options.CreateTable = false;
  options.Indexes = false;
  options.IncludeBLOBs = false;
  options.BracketNames = true;
  cursor.ExportTableToSQL(options, script);
  EXPECT_EQ(script, kKindsInsertsWithoutBLOBs);

  EXPECT_EQ(cursor.CurrentRecordBuffer, buffer);
  EXPECT_EQ(std::string(reinterpret_cast<const char*>(buffer), before.size()), before);
  EXPECT_EQ(cursor.PageNo, page);
  EXPECT_EQ(cursor.ItemNo, item);
  EXPECT_EQ(cursor.OpenBLOBCount(), 0);

  // Nothing asked, nothing written; the drop flags alone write nothing.
  options = {};
  options.CreateTable = options.Indexes = options.Data = false;
  options.DropTable = options.DropIndexes = true;
  cursor.ExportTableToSQL(options, script);
  EXPECT_EQ(script, "");
}

TEST_F(TableScriptTest, AClosedCursorHasNoScript) {
  TSQLMemLocalCursor& cursor = NewCursor("Kinds");
  AnsiString script;
  ExpectEngineError([&] { cursor.ExportTableToSQL({}, script); }, 10154, "Table not found, table name = Kinds - Native error: 10154");
}

}  // namespace
