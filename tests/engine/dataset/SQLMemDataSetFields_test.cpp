// Field values through the engine dataset: every engine column type written through the framework's
// fields, stored by the cursor, read back after a close and reopen and checked at the engine; the
// memo of the diary table; the calculated-fields area; and the state rules of writing.
#include <gtest/gtest.h>

#include <cmath>
#include <functional>
#include <string>
#include <vector>

#include "engine/foundation/SQLMemTypes.h"
#include "tests/engine/dataset/DataSetTestSupport.h"
#include "vcl/db/DataSource.h"
#include "vcl/db/SQLTimeStamp.h"
#include "vcl/rtl/DateUtils.h"

namespace {

// One column of the type table: its engine type, the framework type it shows as, a value written
// through the field, what the field reads back and what the engine holds.
struct TypeCase {
  const char* name;
  Byte fieldType;
  Integer size;
  TFieldType frameworkType;
  std::function<void(TField*)> write;
  std::function<void(TField*)> expectField;
  std::function<void(const TSQLMemVariant&)> expectEngine;
};

const TDateTime kLeapDay = EncodeDate(2024, 2, 29);
const TDateTime kTeaTime = EncodeTime(13, 45, 30, 250);
const TDateTime kLastMoment = EncodeDateTime(1999, 12, 31, 23, 59, 59, 999);
const TSQLTimeStamp kStamp{2024, 7, 4, 1, 2, 3, 456};
// "Árvíztűrő" in Windows-1250.
const AnsiString kHungarian = "\xC1rv\xEDzt\xFBr\xF5";

std::vector<TypeCase> TypeCases() {
  return {
      {"FixedText", sftChar, 5, ftFixedChar, [](TField* f) { f->SetAsString("abc"); },
       [](TField* f) { EXPECT_EQ(f->AsString().substr(0, 3), "abc"); },
       [](const TSQLMemVariant& v) { EXPECT_EQ(v.GetAsString().substr(0, 3), "abc"); }},
      {"Text", sftVarchar, 10, ftString, [](TField* f) { f->SetAsString(kHungarian); },
       [](TField* f) { EXPECT_EQ(f->AsString(), kHungarian); },
       [](const TSQLMemVariant& v) { EXPECT_EQ(AnsiString(v.GetAsString().c_str()), kHungarian); }},
      {"WideText", sftWideVarchar, 6, ftWideString, [](TField* f) { f->SetAsWideString(u"\u0151\u0171\u20ACx"); },
       [](TField* f) { EXPECT_TRUE(f->AsWideString() == u"\u0151\u0171\u20ACx"); },
       [](const TSQLMemVariant& v) { EXPECT_TRUE(WideString(v.GetAsWideString().c_str()) == u"\u0151\u0171\u20ACx"); }},
      {"WideFixed", sftWideChar, 3, ftWideString, [](TField* f) { f->SetAsWideString(u"\u0150k"); },
       [](TField* f) { EXPECT_TRUE(f->AsWideString().substr(0, 2) == u"\u0150k"); }, nullptr},
      {"Tiny", sftShortInt, 0, ftInteger, [](TField* f) { f->SetAsInteger(-100); },
       [](TField* f) { EXPECT_EQ(f->AsInteger(), -100); },
       [](const TSQLMemVariant& v) { EXPECT_EQ(v.GetAsShortInt(), -100); }},
      {"Small", sftSmallInt, 0, ftSmallint, [](TField* f) { f->SetAsInteger(-30000); },
       [](TField* f) { EXPECT_EQ(f->AsInteger(), -30000); },
       [](const TSQLMemVariant& v) { EXPECT_EQ(v.GetAsSmallInt(), -30000); }},
      {"Whole", sftInteger, 0, ftInteger, [](TField* f) { f->SetAsInteger(-2000000000); },
       [](TField* f) { EXPECT_EQ(f->AsInteger(), -2000000000); },
       [](const TSQLMemVariant& v) { EXPECT_EQ(v.GetAsInteger(), -2000000000); }},
      {"Large", sftLargeInt, 0, ftLargeint, [](TField* f) { f->SetAsLargeInt(9000000000001); },
       [](TField* f) { EXPECT_EQ(f->AsLargeInt(), 9000000000001); },
       [](const TSQLMemVariant& v) { EXPECT_EQ(v.GetAsLargeInt(), 9000000000001); }},
      {"Octet", sftByte, 0, ftWord, [](TField* f) { f->SetAsInteger(250); },
       [](TField* f) { EXPECT_EQ(f->AsInteger(), 250); },
       [](const TSQLMemVariant& v) { EXPECT_EQ(v.GetAsByte(), 250); }},
      {"Unsigned16", sftWord, 0, ftWord, [](TField* f) { f->SetAsInteger(65000); },
       [](TField* f) { EXPECT_EQ(f->AsInteger(), 65000); },
       [](const TSQLMemVariant& v) { EXPECT_EQ(v.GetAsWord(), 65000); }},
      {"Unsigned32", sftCardinal, 0, ftLargeint, [](TField* f) { f->SetAsLargeInt(4000000000); },
       [](TField* f) { EXPECT_EQ(f->AsLargeInt(), 4000000000); },
       [](const TSQLMemVariant& v) { EXPECT_EQ(v.GetAsCardinal(), 4000000000u); }},
      {"Single", sftSingle, 0, ftFloat, [](TField* f) { f->SetAsFloat(0.1); },
       [](TField* f) { EXPECT_EQ(f->AsFloat(), static_cast<double>(0.1f)); },
       [](const TSQLMemVariant& v) { EXPECT_EQ(v.GetAsSingle(), 0.1f); }},
      {"Double", sftDouble, 0, ftFloat, [](TField* f) { f->SetAsFloat(1e300 / 3); },
       [](TField* f) { EXPECT_EQ(f->AsFloat(), 1e300 / 3); },
       [](const TSQLMemVariant& v) { EXPECT_EQ(v.GetAsDouble(), 1e300 / 3); }},
      {"Extended", sftExtended, 0, ftFloat, [](TField* f) { f->SetAsFloat(-1.5e-300); },
       [](TField* f) { EXPECT_EQ(f->AsFloat(), -1.5e-300); },
       [](const TSQLMemVariant& v) { EXPECT_EQ(static_cast<double>(v.GetAsExtended()), -1.5e-300); }},
      {"Flag", sftBoolean, 0, ftBoolean, [](TField* f) { f->SetAsBoolean(true); },
       [](TField* f) { EXPECT_TRUE(f->AsBoolean()); }, [](const TSQLMemVariant& v) { EXPECT_TRUE(v.GetAsBoolean()); }},
      {"Money", sftCurrency, 0, ftCurrency, [](TField* f) { f->SetAsFloat(1234.5678); },
       [](TField* f) { EXPECT_DOUBLE_EQ(f->AsFloat(), 1234.5678); },
       [](const TSQLMemVariant& v) { EXPECT_DOUBLE_EQ(v.GetAsCurrency(), 1234.5678); }},
      {"Day", sftDate, 0, ftDate, [](TField* f) { f->SetAsDateTime(kLeapDay); },
       [](TField* f) { EXPECT_EQ(f->AsDateTime(), kLeapDay); },
       [](const TSQLMemVariant& v) { EXPECT_EQ(v.GetAsDateValue(), 45351 + 693594); }},
      {"Clock", sftTime, 0, ftTime, [](TField* f) { f->SetAsDateTime(kTeaTime); },
       [](TField* f) { EXPECT_NEAR(f->AsDateTime(), kTeaTime, 1e-9); },
       [](const TSQLMemVariant& v) { EXPECT_EQ(v.GetAsTimeValue(), ((13 * 60 + 45) * 60 + 30) * 1000 + 250); }},
      {"Moment", sftDateTime, 0, ftDateTime, [](TField* f) { f->SetAsDateTime(kLastMoment); },
       [](TField* f) { EXPECT_NEAR(f->AsDateTime(), kLastMoment, 1e-9); },
       [](const TSQLMemVariant& v) {
         const TSQLMemTimeStamp stamp = v.GetAsTimeStampValue();
         EXPECT_EQ(stamp.date, DateTimeToDate(EncodeDate(1999, 12, 31)));
         EXPECT_EQ(stamp.time, 86399999);
       }},
      {"Stamp", sftTimeStamp, 0, ftTimeStamp, [](TField* f) { f->SetAsSQLTimeStamp(kStamp); },
       [](TField* f) { EXPECT_EQ(f->AsSQLTimeStamp(), kStamp); },
       [](const TSQLMemVariant& v) {
         const TSQLMemTimeStamp stamp = v.GetAsTimeStampValue();
         EXPECT_EQ(stamp.date, DateTimeToDate(EncodeDate(2024, 7, 4)));
         EXPECT_EQ(stamp.time, ((1 * 60 + 2) * 60 + 3) * 1000 + 456);
       }},
      {"Raw", sftBytes, 4, ftBytes,
       [](TField* f) { static_cast<TBinaryField*>(f)->SetAsBytes({1, 0, 255, 7}); },
       [](TField* f) { EXPECT_EQ(static_cast<TBinaryField*>(f)->AsBytes(), (std::vector<Byte>{1, 0, 255, 7})); },
       nullptr},
      {"RawVar", sftVarBytes, 6, ftVarBytes,
       [](TField* f) { static_cast<TBinaryField*>(f)->SetAsBytes({9, 0, 8}); },
       [](TField* f) { EXPECT_EQ(static_cast<TBinaryField*>(f)->AsBytes(), (std::vector<Byte>{9, 0, 8})); }, nullptr},
      {"Blob", sftBLOB, 0, ftBlob, [](TField* f) { f->SetAsString(AnsiString("a\0b\0", 4)); },
       [](TField* f) { EXPECT_EQ(f->AsString(), AnsiString("a\0b\0", 4)); }, nullptr},
      {"Memo", sftMemo, 0, ftMemo, [](TField* f) { f->SetAsString(kHungarian); },
       [](TField* f) { EXPECT_EQ(f->AsString(), kHungarian); },
       [](const TSQLMemVariant& v) { EXPECT_EQ(AnsiString(v.GetAsString().c_str()), kHungarian); }},
      {"WideMemo", sftWideMemo, 0, ftWideMemo, [](TField* f) { f->SetAsWideString(u"\u0151\u0171\u20AC"); },
       [](TField* f) { EXPECT_TRUE(f->AsWideString() == u"\u0151\u0171\u20AC"); }, nullptr},
  };
}

// Counts the field changes a link hears.
class FieldChangeLink : public TDataLink {
 public:
  int fieldChanges = 0;

 protected:
  void RecordChanged(TField* field) override {
    if (field != nullptr) ++fieldChanges;
  }
};

std::string Title(TDataSet* dataSet) { return dataSet->FieldByName("Title")->AsString(); }

class DataSetFields : public DiaryDataSetTest {
 protected:
  // A table "types" with one column per case and one record of nulls, and a dataset on it.
  TDiaryDataSet* OpenTypesTable(const std::vector<TypeCase>& cases) {
    TSQLMemFieldDefs fields;
    TSQLMemFieldDef& id = fields.AddFieldDef();
    id.Name = "Id";
    id.SetDataType(sftAutoInc, 0);
    for (const TypeCase& c : cases) {
      TSQLMemFieldDef& field = fields.AddFieldDef();
      field.Name = c.name;
      field.SetDataType(c.fieldType, c.size);
    }
    TSQLMemIndexDefs indexes;
    TSQLMemConstraintDefs constraints;
    TSQLMemLocalCursor cursor;
    cursor.Session = &EngineSession();
    cursor.InMemory = 1;
    cursor.TableName = "types";
    cursor.CreateTable(fields, indexes, constraints);
    cursor.OpenTable(nullptr, nullptr, nullptr);
    cursor.CurrentRecordBuffer = cursor.AllocRecordBuffer();
    cursor.InitRecordBuffer(cursor.CurrentRecordBuffer);
    cursor.ClearRecordBuffer(cursor.CurrentRecordBuffer, true);
    cursor.PostRecord(true);
    EXPECT_EQ(cursor.ResultCode, 0) << cursor.ErrorText;
    cursor.FreeRecordBuffer(cursor.CurrentRecordBuffer);
    cursor.CloseTable();
    TDiaryDataSet* set = NewDataSet();
    set->TableName = "types";
    set->IndexName = "";
    set->Open();
    return set;
  }
  // Writes fields of the active record in the (silent) edit state and lets the cursor store the
  // record, as the dataset's post does.
  static void WriteActiveRecord(TDiaryDataSet* set, const std::function<void()>& write) {
    const TDataSetState saved = set->SetTempState(dsEdit);
    try {
      write();
    } catch (...) {
      set->RestoreState(saved);
      throw;
    }
    TSQLMemCursor* cursor = set->Cursor();
    cursor->CurrentRecordBuffer = set->ActiveBuffer();
    cursor->PostRecord(false);
    set->RestoreState(saved);
    ASSERT_EQ(cursor->ResultCode, 0) << cursor->ErrorText;
  }
  // The stored value of a column, read by a cursor of its own.
  void CheckEngineValue(const AnsiString& table, const AnsiString& column,
                        const std::function<void(const TSQLMemVariant&)>& check) {
    TSQLMemLocalCursor cursor;
    cursor.Session = &EngineSession();
    cursor.InMemory = 1;
    cursor.TableName = table;
    cursor.OpenTable(nullptr, nullptr, nullptr);
    cursor.CurrentRecordBuffer = cursor.AllocRecordBuffer();
    cursor.SetBeginOfData();
    TSQLMemVariant value;
    if (cursor.GetRecord(1) == 0)
      cursor.GetFieldValue(value, cursor.ProjectedFieldDefs().IndexOfName(column), true, false);
    cursor.FreeRecordBuffer(cursor.CurrentRecordBuffer);
    cursor.CloseTable();
    check(value);
  }
};

TEST_F(DataSetFields, EveryColumnTypeRoundTripsThroughTheFrameworksNativeForm) {
  const std::vector<TypeCase> cases = TypeCases();
  TDiaryDataSet* set = OpenTypesTable(cases);
  for (const TypeCase& c : cases) {
    TField* field = set->FieldByName(c.name);
    EXPECT_EQ(field->DataType(), c.frameworkType) << c.name;
    EXPECT_TRUE(field->IsNull()) << c.name;
  }
  WriteActiveRecord(set, [&] {
    for (const TypeCase& c : cases) c.write(set->FieldByName(c.name));
  });
  set->Close();
  set->Open();
  for (const TypeCase& c : cases) {
    SCOPED_TRACE(c.name);
    TField* field = set->FieldByName(c.name);
    EXPECT_FALSE(field->IsNull());
    c.expectField(field);
    if (c.expectEngine) CheckEngineValue("types", c.name, c.expectEngine);
  }
  // Null goes back as null.
  WriteActiveRecord(set, [&] {
    for (const TypeCase& c : cases) set->FieldByName(c.name)->Clear();
  });
  set->Close();
  set->Open();
  for (const TypeCase& c : cases) EXPECT_TRUE(set->FieldByName(c.name)->IsNull()) << c.name;
}

TEST_F(DataSetFields, AValueTooLargeForTheEngineColumnRaisesInsteadOfWrapping) {
  const std::vector<TypeCase> all = TypeCases();
  std::vector<TypeCase> cases;
  for (const TypeCase& c : all)
    if (c.fieldType == sftShortInt || c.fieldType == sftByte || c.fieldType == sftCardinal) cases.push_back(c);
  TDiaryDataSet* set = OpenTypesTable(cases);
  const TDataSetState saved = set->SetTempState(dsEdit);
  EXPECT_THROW(set->FieldByName("Tiny")->SetAsInteger(300), ERangeError);
  EXPECT_THROW(set->FieldByName("Octet")->SetAsInteger(256), ERangeError);
  EXPECT_THROW(set->FieldByName("Unsigned32")->SetAsLargeInt(5000000000), ERangeError);
  set->FieldByName("Tiny")->SetAsInteger(127);
  EXPECT_EQ(set->FieldByName("Tiny")->AsInteger(), 127);
  set->RestoreState(saved);
}

TEST_F(DataSetFields, TheDiaryMemoReadsWholeWhateverItsLength) {
  std::string longText;
  for (int i = 0; longText.size() < 300000; ++i) longText += "Line " + std::to_string(i) + "\r\n";
  AddDays({{"2024.01.01", "Empty", ""}, {"2024.01.02", "Short", std::string(kHungarian)}, {"2024.01.03", "Long", longText}});
  dataSet->Open();
  TField* text = dataSet->FieldByName("Text");
  EXPECT_TRUE(text->IsNull()) << "an empty memo is stored as null";
  EXPECT_EQ(text->AsString(), "");
  dataSet->Next();
  EXPECT_EQ(text->AsString(), kHungarian);
  dataSet->Next();
  EXPECT_EQ(static_cast<TBlobField*>(text)->BlobSize(), static_cast<Int64>(longText.size()));
  EXPECT_EQ(text->AsString(), longText);
  EXPECT_EQ(static_cast<TSQLMemLocalCursor*>(dataSet->Cursor())->OpenBLOBCount(), 0) << "readers are closed";
}

TEST_F(DataSetFields, TheMemoIsWrittenReplacedAndClearedThroughItsStream) {
  AddDays({{"2024.01.01", "Day", "old text"}});
  dataSet->Open();
  TField* text = dataSet->FieldByName("Text");
  WriteActiveRecord(dataSet, [&] { text->SetAsString("new text"); });
  dataSet->Close();
  dataSet->Open();
  text = dataSet->FieldByName("Text");
  EXPECT_EQ(text->AsString(), "new text");
  // Clearing the whole text stores the empty value, not the old one.
  WriteActiveRecord(dataSet, [&] { text->SetAsString(""); });
  dataSet->Close();
  dataSet->Open();
  EXPECT_TRUE(dataSet->FieldByName("Text")->IsNull());
}

TEST_F(DataSetFields, WritingNeedsAnEditingStateAndAWritableDataset) {
  AddNumberedDays(1);
  dataSet->Open();
  TField* title = dataSet->FieldByName("Title");
  try {
    title->SetAsString("x");
    FAIL() << "no error in browse state";
  } catch (const ESQLMemException& e) {
    EXPECT_EQ(e.NativeError(), 10007);
  }
  try {
    dataSet->CreateBlobStream(dataSet->FieldByName("Text"), bmWrite);
    FAIL() << "no error in browse state";
  } catch (const ESQLMemException& e) {
    EXPECT_EQ(e.NativeError(), 10111);
  }
  EXPECT_NE(dataSet->CreateBlobStream(dataSet->FieldByName("Text"), bmRead), nullptr);
  dataSet->Close();
  dataSet->SetReadOnly(true);
  dataSet->Open();
  EXPECT_FALSE(dataSet->CanModify());
  try {
    dataSet->CreateBlobStream(dataSet->FieldByName("Text"), bmWrite);
    FAIL() << "no error on a read-only dataset";
  } catch (const ESQLMemException& e) {
    EXPECT_EQ(e.NativeError(), 10107);
    EXPECT_EQ(e.Message(), "Dataset is in read only mode - Native error: 10107");
  }
}

TEST_F(DataSetFields, AWrittenFieldIsReportedToTheLinks) {
  AddNumberedDays(1);
  auto source = std::unique_ptr<TDataSource>(New<TDataSource>(nullptr));
  FieldChangeLink link;
  link.SetDataSource(source.get());
  source->SetDataSet(dataSet);
  dataSet->Open();
  dataSet->Edit();
  ASSERT_EQ(dataSet->State(), dsEdit);
  dataSet->FieldByName("Title")->SetAsString("Changed");
  EXPECT_EQ(link.fieldChanges, 1);
  EXPECT_TRUE(dataSet->Modified());
  EXPECT_TRUE(dataSet->FieldChanged());
  EXPECT_EQ(Title(dataSet), "Changed");
  dataSet->Cancel();
  link.SetDataSource(nullptr);
}

TEST_F(DataSetFields, InTheSetKeyStateOnlyKeyFieldsTakeValues) {
  AddNumberedDays(1);
  dataSet->Open();
  const TDataSetState saved = dataSet->SetTempState(dsSetKey);
  // Without a key buffer chosen by the table there is no record to write to.
  try {
    dataSet->FieldByName("Title")->SetAsString("x");
    FAIL() << "no error";
  } catch (const ESQLMemException& e) {
    EXPECT_EQ(e.NativeError(), 20019);
    EXPECT_EQ(e.Message(), "Field Title is not in the current index - Native error: 20019");
  }
  dataSet->RestoreState(saved);
}

TEST_F(DataSetFields, CalculatedFieldsLiveInTheirOwnAreaOfEachBuffer) {
  AddNumberedDays(5);
  // Persistent fields: the data fields and one calculated field.
  dataSet->FieldDefs().Update();
  for (int i = 0; i < dataSet->FieldDefs().Count(); ++i) dataSet->FieldDefs().Items(i)->CreateField(dataSet);
  auto* doubled = New<TIntegerField>(dataSet);
  doubled->SetFieldName("Doubled");
  doubled->SetFieldKind(fkCalculated);
  doubled->SetDataSet(dataSet);
  dataSet->OnCalcFields = [](TDataSet* set) {
    set->FieldByName("Doubled")->SetAsInteger(set->FieldByName("RecID")->AsInteger() * 2);
  };
  // Values set while the fields are calculated reach no link: the calculation state is silent.
  auto source = std::unique_ptr<TDataSource>(New<TDataSource>(nullptr));
  FieldChangeLink link;
  link.SetDataSource(source.get());
  source->SetDataSet(dataSet);
  dataSet->Open();
  std::vector<Integer> values;
  for (dataSet->First(); !dataSet->Eof(); dataSet->Next()) values.push_back(doubled->AsInteger());
  EXPECT_EQ(values, (std::vector<Integer>{2, 4, 6, 8, 10}));
  EXPECT_EQ(link.fieldChanges, 0);
  EXPECT_FALSE(dataSet->Modified());
  link.SetDataSource(nullptr);
  EXPECT_EQ(dataSet->FieldByName("Title")->AsString(), "Day 4") << "the area does not overlap the record";
  dataSet->Close();
}

}  // namespace
