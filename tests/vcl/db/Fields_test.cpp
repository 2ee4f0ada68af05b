#include "vcl/db/Fields.h"

#include <cstring>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "vcl/db/ArrayDataSet.h"
#include "vcl/rtl/DateUtils.h"
#include "vcl/rtl/Exceptions.h"
#include "vcl/rtl/Stream.h"
#include "vcl/rtl/Strings.h"
#include "vcl/rtl/TextConv.h"

using dbtest::Column;
using dbtest::TArrayDataSet;

namespace {

// One column of every field type the engine maps.
std::vector<Column> AllTypes() {
  return {{"Str", ftString, 10},       {"Fix", ftFixedChar, 5},   {"WStr", ftWideString, 8},
          {"FWStr", ftFixedWideChar, 4}, {"Small", ftSmallint},   {"Int", ftInteger},
          {"Word", ftWord},            {"Auto", ftAutoInc},       {"Big", ftLargeint},
          {"Bool", ftBoolean},         {"Flt", ftFloat},          {"Cur", ftCurrency},
          {"Dt", ftDate},              {"Tm", ftTime},            {"DtTm", ftDateTime},
          {"Ts", ftTimeStamp},         {"Byt", ftBytes, 4},       {"VByt", ftVarBytes, 6},
          {"Blob", ftBlob},            {"Memo", ftMemo},          {"Graph", ftGraphic},
          {"FMemo", ftFmtMemo},        {"WMemo", ftWideMemo},     {"POle", ftParadoxOle},
          {"DOle", ftDBaseOle},        {"TBin", ftTypedBinary}};
}

class FieldsTest : public ::testing::Test {
 protected:
  void SetUp() override {
    owner = new TComponent(nullptr);
    ds = New<TArrayDataSet>(owner, AllTypes());
    ds->SetName("Types");
  }
  void TearDown() override { delete owner; }

  TField* F(const char* name) { return ds->FieldByName(name); }
  // Posts the pending record, closes and reopens, so that values come back from the rows.
  void PostAndReopen() {
    ds->Post();
    ds->Close();
    ds->Open();
  }

  TComponent* owner = nullptr;
  TArrayDataSet* ds = nullptr;
};

TEST_F(FieldsTest, DefaultFieldsHaveTheClassOfTheirType) {
  ds->Open();
  struct Case {
    const char* field;
    const char* cls;
    int dataSize;
  };
  const Case cases[] = {
      {"Str", "TStringField", 11},      {"Fix", "TStringField", 6},         {"WStr", "TWideStringField", 18},
      {"FWStr", "TWideStringField", 10}, {"Small", "TSmallintField", 2},    {"Int", "TIntegerField", 4},
      {"Word", "TWordField", 2},         {"Auto", "TAutoIncField", 4},      {"Big", "TLargeintField", 8},
      {"Bool", "TBooleanField", 2},      {"Flt", "TFloatField", 8},         {"Cur", "TCurrencyField", 8},
      {"Dt", "TDateField", 4},           {"Tm", "TTimeField", 4},           {"DtTm", "TDateTimeField", 8},
      {"Ts", "TSQLTimeStampField", 16},  {"Byt", "TBytesField", 4},         {"VByt", "TVarBytesField", 8},
      {"Blob", "TBlobField", 0},         {"Memo", "TMemoField", 0},         {"Graph", "TGraphicField", 0},
      {"FMemo", "TMemoField", 0},        {"WMemo", "TWideMemoField", 0},    {"POle", "TBlobField", 0},
      {"DOle", "TBlobField", 0},         {"TBin", "TBlobField", 0},
  };
  ASSERT_EQ(ds->FieldCount(), static_cast<int>(std::size(cases)));
  for (int i = 0; i < ds->FieldCount(); ++i) {
    const Case& c = cases[i];
    SCOPED_TRACE(c.field);
    TField* field = ds->Fields()[i];
    EXPECT_EQ(field->FieldName(), c.field);
    EXPECT_EQ(field->ClassName(), c.cls);
    EXPECT_EQ(field->DataSize(), c.dataSize);
    EXPECT_EQ(field->FieldNo(), i + 1);
    EXPECT_EQ(field->DataType(), AllTypes()[static_cast<std::size_t>(i)].type);
    EXPECT_EQ(field->Owner(), ds) << "default fields belong to the dataset";
  }
  EXPECT_TRUE(F("Fix")->IsBlob() == false && static_cast<TStringField*>(F("Fix"))->FixedChar());
  EXPECT_TRUE(F("Memo")->IsBlob());
  EXPECT_EQ(F("Flt")->Alignment(), taRightJustify);
}

TEST_F(FieldsTest, EveryTypeReadsAndWritesThroughTheRecord) {
  ds->Open();
  ds->Append();
  const TDateTime day = EncodeDate(2024, 1, 7);
  const TDateTime time = EncodeTime(13, 45, 30, 250);
  F("Str")->SetAsString("Hello");
  F("Fix")->SetAsString("abc");
  F("WStr")->SetAsWideString(u"\u0150rz\u0151 \u0171");
  F("FWStr")->SetAsWideString(u"abcdef");
  F("Small")->SetAsInteger(-32768);
  F("Int")->SetAsString("2147483647");
  F("Word")->SetAsInteger(65535);
  F("Big")->SetAsLargeInt(9000000000000LL);
  F("Bool")->SetAsString("t");
  F("Flt")->SetAsFloat(1.5);
  F("Cur")->SetAsCurrency(Currency::FromRaw(123400));
  F("Dt")->SetAsDateTime(day);
  F("Tm")->SetAsDateTime(time);
  F("DtTm")->SetAsDateTime(day + 0.5);
  F("Ts")->SetAsSQLTimeStamp(TSQLTimeStamp{2024, 1, 7, 13, 45, 30, 250});
  static_cast<TBinaryField*>(F("Byt"))->SetAsBytes({1, 2});
  static_cast<TBinaryField*>(F("VByt"))->SetAsBytes({9, 8, 7});
  F("Blob")->SetAsString(std::string("\0\1\2", 3));
  F("Memo")->SetAsString("line 1\r\nline 2");
  F("WMemo")->SetAsWideString(u"\u0150 wide");
  PostAndReopen();

  EXPECT_EQ(F("Str")->AsString(), "Hello");
  EXPECT_EQ(F("Fix")->AsString(), "abc");
  EXPECT_EQ(F("WStr")->AsWideString(), u"\u0150rz\u0151 \u0171");
  EXPECT_EQ(F("WStr")->AsString(), Utf16ToCp1250(u"\u0150rz\u0151 \u0171"));
  EXPECT_EQ(F("FWStr")->AsWideString(), u"abcd") << "cut to Size";
  EXPECT_EQ(F("Small")->AsInteger(), -32768);
  EXPECT_EQ(F("Int")->AsInteger(), 2147483647);
  EXPECT_EQ(F("Word")->AsInteger(), 65535);
  EXPECT_EQ(F("Auto")->AsInteger(), 1) << "numbered by the dataset";
  EXPECT_EQ(F("Big")->AsLargeInt(), 9000000000000LL);
  EXPECT_TRUE(F("Bool")->AsBoolean());
  EXPECT_EQ(F("Bool")->AsString(), "True");
  EXPECT_DOUBLE_EQ(F("Flt")->AsFloat(), 1.5);
  EXPECT_EQ(F("Cur")->AsCurrency(), Currency::FromRaw(123400));
  EXPECT_DOUBLE_EQ(F("Dt")->AsDateTime(), day);
  EXPECT_NEAR(F("Tm")->AsDateTime(), time, 1e-9);
  EXPECT_DOUBLE_EQ(F("DtTm")->AsDateTime(), day + 0.5);
  EXPECT_EQ(F("Ts")->AsSQLTimeStamp(), (TSQLTimeStamp{2024, 1, 7, 13, 45, 30, 250}));
  EXPECT_NEAR(F("Ts")->AsDateTime(), day + time, 1e-9);
  EXPECT_EQ(static_cast<TBinaryField*>(F("Byt"))->AsBytes(), (std::vector<Byte>{1, 2, 0, 0}));
  EXPECT_EQ(static_cast<TBinaryField*>(F("VByt"))->AsBytes(), (std::vector<Byte>{9, 8, 7}));
  EXPECT_EQ(F("Blob")->AsString(), std::string("\0\1\2", 3));
  EXPECT_EQ(F("Memo")->AsString(), "line 1\r\nline 2");
  EXPECT_EQ(F("WMemo")->AsWideString(), u"\u0150 wide");
  EXPECT_TRUE(F("Graph")->IsNull());

  struct VarCase {
    const char* field;
    TVarType type;
  };
  for (const VarCase& c : {VarCase{"Str", varString}, VarCase{"WStr", varOleStr}, VarCase{"Small", varInteger},
                           VarCase{"Big", varInt64}, VarCase{"Bool", varBoolean}, VarCase{"Flt", varDouble},
                           VarCase{"Dt", varDate}, VarCase{"Ts", varDate}, VarCase{"Byt", varArray | varByte},
                           VarCase{"Blob", varArray | varByte}, VarCase{"Memo", varString},
                           VarCase{"WMemo", varOleStr}, VarCase{"Graph", varNull}}) {
    SCOPED_TRACE(c.field);
    EXPECT_EQ(F(c.field)->AsVariant().VarType(), c.type);
  }
}

TEST_F(FieldsTest, DatesAndTimesTravelInTheirNativeForms) {
  ds->Open();
  ds->Append();
  const TDateTime day = EncodeDate(2024, 1, 7);  // 45298
  F("Dt")->SetAsDateTime(day + 0.75);            // the time part is dropped
  F("Tm")->SetAsDateTime(EncodeTime(13, 45, 30, 250));
  F("DtTm")->SetAsDateTime(day + 0.5);
  Byte native[8] = {};
  ASSERT_TRUE(F("Dt")->GetData(native));
  Integer days;
  std::memcpy(&days, native, 4);
  EXPECT_EQ(days, 45298 + 693594);
  ASSERT_TRUE(F("Tm")->GetData(native));
  Integer ms;
  std::memcpy(&ms, native, 4);
  EXPECT_EQ(ms, 49530250);
  ASSERT_TRUE(F("DtTm")->GetData(native));
  double msecs;
  std::memcpy(&msecs, native, 8);
  EXPECT_DOUBLE_EQ(msecs, (45298.5 + 693594) * 86400000.0);
  EXPECT_DOUBLE_EQ(F("Dt")->AsDateTime(), day);

  // Writing the native form directly is read back as the same date.
  const Integer otherDay = 693594 + 1;  // 1899-12-31
  F("Dt")->SetData(reinterpret_cast<const Byte*>(&otherDay));
  EXPECT_DOUBLE_EQ(F("Dt")->AsDateTime(), 1.0);
}

TEST_F(FieldsTest, NullValuesReadAsEmptyAndClearWritesNull) {
  ds->Open();
  ds->Append();
  for (TField* field : ds->Fields()) {
    SCOPED_TRACE(field->FieldName());
    if (field->DataType() == ftAutoInc) continue;
    EXPECT_TRUE(field->IsNull());
    EXPECT_TRUE(field->AsVariant().IsNull());
    if (!field->IsBlob() && field->DataType() != ftBytes && field->DataType() != ftVarBytes) {
      EXPECT_EQ(field->AsString(), "");
    }
  }
  EXPECT_EQ(F("Int")->AsInteger(), 0);
  EXPECT_DOUBLE_EQ(F("DtTm")->AsDateTime(), 0);
  F("Int")->SetAsInteger(5);
  F("Str")->SetAsString("x");
  F("Memo")->SetAsString("text");
  F("Int")->SetAsString("");  // empty text clears a number
  F("Str")->Clear();
  F("Memo")->SetAsVariant(Null());
  EXPECT_TRUE(F("Int")->IsNull());
  EXPECT_TRUE(F("Str")->IsNull());
  EXPECT_TRUE(F("Memo")->IsNull());
  F("Str")->SetAsString("");
  EXPECT_FALSE(F("Str")->IsNull()) << "an empty string is a value";
}

TEST_F(FieldsTest, ConversionsAndTheirErrors) {
  ds->Open();
  ds->Append();
  struct Case {
    const char* field;
    std::function<void(TField*)> act;
    const char* error;  // nullptr: no error
  };
  const Case cases[] = {
      {"Small", [](TField* f) { f->SetAsInteger(40000); },
       "40000 is not a valid value for field 'Small'. The allowed range is -32768 to 32767"},
      {"Word", [](TField* f) { f->SetAsString("-1"); },
       "-1 is not a valid value for field 'Word'. The allowed range is 0 to 65535"},
      {"Int", [](TField* f) { f->SetAsString("12x"); }, "'12x' is not a valid integer value for field 'Int'"},
      {"Flt", [](TField* f) { f->SetAsString("1,5"); }, "'1,5' is not a valid floating point value for field 'Flt'"},
      {"Bool", [](TField* f) { f->SetAsString("no"); }, "'no' is not a valid boolean value for field 'Bool'"},
      {"Int", [](TField* f) { f->SetAsBoolean(true); }, "Cannot access field 'Int' as type Boolean"},
      {"Bool", [](TField* f) { (void)f->AsInteger(); }, "Cannot access field 'Bool' as type Integer"},
      {"Byt", [](TField* f) { f->SetAsString("12345"); }, "Value of field 'Byt' is out of range"},
      {"VByt", [](TField* f) { f->SetAsVariant(VarArrayOf({1, 2})); },
       "Invalid variant type or size for field 'VByt'"},
      {"Int", [](TField* f) { f->SetAsFloat(2.5); }, nullptr},
      {"Str", [](TField* f) { f->SetAsString("far too long a title"); }, nullptr},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.field);
    try {
      c.act(F(c.field));
      EXPECT_EQ(c.error, nullptr) << "no error";
    } catch (const EDatabaseError& e) {
      ASSERT_NE(c.error, nullptr) << e.what();
      EXPECT_STREQ(e.what(), c.error);
    }
  }
  EXPECT_EQ(F("Int")->AsInteger(), 2) << "half rounds to even";
  EXPECT_EQ(F("Str")->AsString(), "far too lo") << "text is cut to Size";

  F("Str")->SetAsString("42");
  EXPECT_EQ(F("Str")->AsInteger(), 42);
  F("Str")->SetAsBoolean(true);
  EXPECT_EQ(F("Str")->AsString(), "T");
  F("Int")->SetAsString("  17");
  EXPECT_DOUBLE_EQ(F("Int")->AsFloat(), 17);
  F("Flt")->SetAsString("2.5");
  EXPECT_EQ(F("Flt")->AsInteger(), 2);
  F("Flt")->SetAsFloat(1e300);
  EXPECT_THROW((void)F("Flt")->AsInteger(), ERangeError);
  F("Big")->SetAsLargeInt(1LL << 40);
  EXPECT_THROW((void)F("Big")->AsInteger(), ERangeError);
  F("Bool")->SetAsString("FAL");
  EXPECT_FALSE(F("Bool")->AsBoolean());
  EXPECT_FALSE(F("Bool")->IsNull());
  F("Dt")->SetAsString("1/7/2024");
  EXPECT_DOUBLE_EQ(F("Dt")->AsDateTime(), EncodeDate(2024, 1, 7));
  EXPECT_THROW(F("Dt")->SetAsString("not a date"), EConvertError);
  F("DtTm")->SetAsVariant(VarFromDateTime(45298.25));
  EXPECT_DOUBLE_EQ(F("DtTm")->AsFloat(), 45298.25);
}

TEST_F(FieldsTest, IntegerAndFloatLimitsNarrowTheRange) {
  ds->Open();
  ds->Append();
  auto* i = static_cast<TIntegerField*>(F("Int"));
  i->SetMinValue(1);
  i->SetMaxValue(10);
  i->SetAsInteger(10);
  EXPECT_THROW(i->SetAsInteger(11), EDatabaseError);
  EXPECT_EQ(i->AsInteger(), 10);
  auto* f = static_cast<TFloatField*>(F("Flt"));
  f->SetMinValue(-1);
  f->SetMaxValue(1);
  try {
    f->SetAsFloat(1.5);
    FAIL() << "no error";
  } catch (const EDatabaseError& e) {
    EXPECT_STREQ(e.what(), "1.5 is not a valid value for field 'Flt'. The allowed range is -1 to 1");
  }
}

TEST_F(FieldsTest, DisplayAndEditTextFollowFormatsAndHandlers) {
  ds->Open();
  ds->Append();
  F("Flt")->SetAsFloat(1.5);
  F("Int")->SetAsInteger(1234);
  F("Cur")->SetAsFloat(12.25);
  F("Dt")->SetAsDateTime(EncodeDate(2024, 1, 7));
  F("Tm")->SetAsDateTime(EncodeTime(13, 45, 30, 0));
  F("DtTm")->SetAsDateTime(EncodeDate(2024, 1, 7) + 0.5);
  F("Bool")->SetAsBoolean(false);
  F("Memo")->SetAsString("x");
  struct Case {
    const char* field;
    const char* display;
    const char* edit;
  };
  const Case plain[] = {
      {"Flt", "1.5", "1.5"},          {"Int", "1234", "1234"},
      {"Cur", "$12.25", "12.25"},     {"Dt", "1/7/2024", "1/7/2024"},
      {"Tm", "1:45:30 PM", "1:45:30 PM"}, {"DtTm", "1/7/2024 12:00:00 PM", "1/7/2024 12:00:00 PM"},
      {"Bool", "False", "False"},     {"Memo", "(MEMO)", "(MEMO)"},
      {"Graph", "(graphic)", "(graphic)"}, {"Str", "", ""},
  };
  for (const Case& c : plain) {
    SCOPED_TRACE(c.field);
    EXPECT_EQ(F(c.field)->DisplayText(), c.display);
    EXPECT_EQ(F(c.field)->Text(), c.edit);
  }
  static_cast<TNumericField*>(F("Flt"))->SetDisplayFormat("0.00");
  static_cast<TNumericField*>(F("Int"))->SetDisplayFormat("#,##0");
  static_cast<TNumericField*>(F("Int"))->SetEditFormat("0");
  static_cast<TDateTimeField*>(F("Dt"))->SetDisplayFormat("yyyy.mm.dd");
  static_cast<TBooleanField*>(F("Bool"))->SetDisplayValues("Igen;Nem");
  const Case formatted[] = {
      {"Flt", "1.50", "1.50"},
      {"Int", "1,234", "1234"},
      {"Dt", "2024.01.07", "1/7/2024"},
      {"Bool", "Nem", "Nem"},
  };
  for (const Case& c : formatted) {
    SCOPED_TRACE(c.field);
    EXPECT_EQ(F(c.field)->DisplayText(), c.display);
    EXPECT_EQ(F(c.field)->Text(), c.edit);
  }
  F("Bool")->SetText("ig");
  EXPECT_TRUE(F("Bool")->AsBoolean());

  F("Str")->OnGetText = [](TField* sender, AnsiString& text, bool display) {
    text = (display ? "show:" : "edit:") + static_cast<TStringField*>(sender)->AsString();
  };
  F("Str")->OnSetText = [](TField* sender, const AnsiString& text) { sender->SetAsString("[" + text + "]"); };
  F("Str")->SetText("a");
  EXPECT_EQ(F("Str")->AsString(), "[a]");
  EXPECT_EQ(F("Str")->DisplayText(), "show:[a]");
  EXPECT_EQ(F("Str")->Text(), "edit:[a]");
}

TEST_F(FieldsTest, ValidationSeesTheNewValueAndCanRefuseIt) {
  ds->Open();
  ds->Append();
  F("Str")->SetAsString("old");
  std::vector<std::string> seen;
  F("Str")->OnValidate = [&](TField* sender) {
    seen.push_back(sender->AsString() + "/" + (sender->IsNull() ? "null" : "set"));
    if (sender->AsString() == "bad") throw EDatabaseError("refused");
  };
  std::vector<std::string> changes;
  F("Str")->OnChange = [&](TField* sender) { changes.push_back(sender->AsString()); };
  F("Str")->SetAsString("new");
  EXPECT_THROW(F("Str")->SetAsString("bad"), EDatabaseError);
  F("Str")->Clear();
  EXPECT_EQ(seen, (std::vector<std::string>{"new/set", "bad/set", "/null"}));
  EXPECT_EQ(changes, (std::vector<std::string>{"new", ""})) << "a refused value is neither stored nor announced";

  // Dates validate in their client form too.
  TDateTime seenDate = -1;
  F("Dt")->OnValidate = [&](TField* sender) { seenDate = sender->AsDateTime(); };
  F("Dt")->SetAsDateTime(EncodeDate(2020, 2, 29));
  EXPECT_DOUBLE_EQ(seenDate, EncodeDate(2020, 2, 29));
}

TEST_F(FieldsTest, RequiredAndReadOnlyFields) {
  ds->Open();
  F("Str")->SetRequired(true);
  ds->Append();
  try {
    ds->Post();
    FAIL() << "no error";
  } catch (const EDatabaseError& e) {
    EXPECT_STREQ(e.what(), "Field 'Str' must have a value");
  }
  EXPECT_EQ(ds->State(), dsInsert);
  F("Str")->SetAsString("now");
  F("Int")->SetReadOnly(true);
  EXPECT_FALSE(F("Int")->CanModify());
  EXPECT_TRUE(F("Str")->CanModify());
  try {
    F("Int")->SetAsInteger(1);
    FAIL() << "no error";
  } catch (const EDatabaseError& e) {
    EXPECT_STREQ(e.what(), "Field 'Int' cannot be modified");
  }
  ds->Post();
  EXPECT_EQ(ds->RowCount(), 1);
}

TEST_F(FieldsTest, MemoFieldsStreamTextInAndOut) {
  ds->Open();
  ds->Append();
  TStringStream in("first line\r\nsecond line\r\n");
  in.SetPosition(5);  // the whole stream is loaded whatever its position
  auto* memo = static_cast<TBlobField*>(F("Memo"));
  memo->LoadFromStream(in);
  EXPECT_EQ(memo->AsString(), "first line\r\nsecond line\r\n");
  EXPECT_EQ(memo->BlobSize(), 25);
  EXPECT_TRUE(memo->Modified());
  ds->Post();
  EXPECT_FALSE(memo->Modified()) << "the post closes the written BLOB";

  TStringStream out;
  memo->SaveToStream(out);
  EXPECT_EQ(out.DataString(), "first line\r\nsecond line\r\n");

  ds->Edit();
  TStringList lines;
  lines.Add("one");
  lines.Add("two");
  memo->Assign(&lines);
  EXPECT_EQ(memo->AsString(), "one\r\ntwo\r\n");
  ds->Cancel();
  EXPECT_EQ(memo->AsString(), "first line\r\nsecond line\r\n") << "a cancelled edit keeps the stored text";

  // Clearing writes an explicit empty value.
  ds->Edit();
  const int before = dbtest::TSlotStream::setSizeCalls;
  memo->Clear();
  EXPECT_EQ(dbtest::TSlotStream::setSizeCalls, before + 1);
  EXPECT_TRUE(memo->IsNull());
  TStringStream empty;
  memo->SetAsString("again");
  memo->LoadFromStream(empty);
  EXPECT_TRUE(memo->IsNull());
  ds->Post();
  EXPECT_TRUE(memo->IsNull());

  // Wide memos hold UTF-16 and convert to 8-bit text.
  ds->Edit();
  F("WMemo")->SetAsString(Utf8ToCp1250("\xC5\x90 \xC3\xA9"));  // "Ő é"
  EXPECT_EQ(F("WMemo")->AsWideString(), u"\u0150 \u00E9");
  TStringStream wideOut;
  static_cast<TBlobField*>(F("WMemo"))->SaveToStream(wideOut);
  EXPECT_EQ(wideOut.DataString(), std::string("\x50\x01\x20\x00\xE9\x00", 6));
  ds->Post();
}

TEST_F(FieldsTest, FieldsOfAnInactiveDatasetHaveNoValue) {
  // Persistent fields outlive the close.
  auto* id = New<TIntegerField>(owner);
  id->SetFieldName("Int");
  id->SetDataSet(ds);
  auto* memo = New<TMemoField>(owner);
  memo->SetFieldName("Memo");
  memo->SetDataSet(ds);
  ds->Open();
  ds->AppendRecord({7});
  ds->Close();
  EXPECT_EQ(ds->FieldCount(), 2) << "persistent fields stay";
  EXPECT_TRUE(id->IsNull());
  EXPECT_EQ(id->AsInteger(), 0);
  EXPECT_EQ(id->AsString(), "");
  EXPECT_TRUE(memo->IsNull());
  EXPECT_EQ(memo->AsString(), "");
  EXPECT_EQ(memo->BlobSize(), 0);
  ds->Open();
  EXPECT_EQ(id->AsInteger(), 7);
  EXPECT_EQ(id->FieldNo(), 6);
}

TEST_F(FieldsTest, FieldListRulesAndBindingErrors) {
  ds->Open();
  EXPECT_EQ(ds->FindField("mEmO"), F("Memo")) << "names ignore case";
  EXPECT_EQ(ds->FindField("nope"), nullptr);
  EXPECT_EQ(ds->FieldByNumber(2), F("Fix"));
  try {
    (void)ds->Fields()[99];
    FAIL() << "no error";
  } catch (const EDatabaseError& e) {
    EXPECT_STREQ(e.what(), "Types: Field index out of range");
  }
  auto* extra = New<TStringField>(owner);
  extra->SetFieldName("Extra");
  try {
    extra->SetDataSet(ds);
    FAIL() << "no error";
  } catch (const EDatabaseError& e) {
    EXPECT_STREQ(e.what(), "Types: Cannot perform this operation on an open dataset");
  }
  ds->Close();

  auto* dup = New<TStringField>(owner);
  dup->SetFieldName("Str");
  auto* a = New<TStringField>(owner);
  a->SetFieldName("Str");
  a->SetDataSet(ds);
  try {
    dup->SetDataSet(ds);
    FAIL() << "no error";
  } catch (const EDatabaseError& e) {
    EXPECT_STREQ(e.what(), "Types: Duplicate field name 'Str'");
  }
  auto* wrong = New<TIntegerField>(owner);
  wrong->SetFieldName("Memo");
  wrong->SetDataSet(ds);
  try {
    ds->Open();
    FAIL() << "no error";
  } catch (const EDatabaseError& e) {
    EXPECT_STREQ(e.what(), "Types: Type mismatch for field 'Memo', expecting: Integer actual: Memo");
  }
  EXPECT_FALSE(ds->Active());
  EXPECT_EQ(ds->liveBuffers, 0);

  delete wrong;
  a->SetIndex(5);
  EXPECT_EQ(a->Index(), 0) << "clamped to the list";
  ds->Open();
  EXPECT_EQ(ds->FieldCount(), 1) << "persistent fields: no default ones";
  delete a;  // freeing a field of an open dataset closes it
  EXPECT_FALSE(ds->Active());
  EXPECT_EQ(ds->FieldCount(), 0);
}

TEST_F(FieldsTest, CalculatedFieldsAreComputedPerRecordAndWhileEditing) {
  auto* str = New<TStringField>(owner);
  str->SetFieldName("Str");
  str->SetSize(10);
  str->SetDataSet(ds);
  auto* shout = New<TStringField>(owner);
  shout->SetFieldName("Shout");
  shout->SetFieldKind(fkCalculated);
  shout->SetSize(12);
  shout->SetDataSet(ds);
  int calcs = 0;
  std::vector<TDataSetState> statesSeen;
  ds->OnCalcFields = [&](TDataSet* sender) {
    ++calcs;
    statesSeen.push_back(sender->State());
    shout->SetAsString(str->IsNull() ? AnsiString("-") : "!" + str->AsString() + "!");
  };
  auto* source = New<TDataSource>(owner);
  source->SetDataSet(ds);
  int stateChanges = 0;
  source->OnStateChange = [&](TObject*) { ++stateChanges; };
  ds->Open();
  EXPECT_EQ(shout->FieldNo(), -1);
  EXPECT_EQ(ds->CalcFieldsSize(), 14) << "a null byte and 12 chars + terminator";
  ds->AppendRecord({"a"});
  ds->AppendRecord({"b"});
  ds->First();
  EXPECT_EQ(shout->AsString(), "!a!");
  ds->Next();
  EXPECT_EQ(shout->AsString(), "!b!");
  ds->Edit();
  stateChanges = 0;
  str->SetAsString("c");
  EXPECT_EQ(shout->AsString(), "!c!") << "recomputed on a field change while editing";
  EXPECT_TRUE(ds->Modified()) << "the calculation keeps Modified";
  EXPECT_EQ(stateChanges, 0) << "the calculation state is not announced";
  ds->Post();
  EXPECT_GT(calcs, 3);
  for (TDataSetState s : statesSeen) EXPECT_EQ(s, dsCalcFields);
  EXPECT_FALSE(shout->CanModify()) << "controls do not edit calculated fields";
}

TEST_F(FieldsTest, LookupFieldsTakeTheirValueFromAnotherDataset) {
  auto* names = New<TArrayDataSet>(owner, std::vector<Column>{{"Key", ftInteger}, {"Name", ftString, 10}});
  names->Open();
  names->AppendRecord({1, "one"});
  names->AppendRecord({2, "two"});

  auto* key = New<TIntegerField>(owner);
  key->SetFieldName("Int");
  key->SetDataSet(ds);
  auto* name = New<TStringField>(owner);
  name->SetFieldName("KeyName");
  name->SetFieldKind(fkLookup);
  name->SetSize(10);
  name->SetDataSet(ds);
  try {
    ds->Open();
    FAIL() << "no error";
  } catch (const EDatabaseError& e) {
    EXPECT_STREQ(e.what(), "Lookup information for field 'KeyName' is incomplete");
  }
  name->SetLookupDataSet(names);
  name->SetKeyFields("Int");
  name->SetLookupKeyFields("Key");
  name->SetLookupResultField("Name");
  ds->Open();
  ds->AppendRecord({2});
  ds->AppendRecord({3});
  ds->First();
  EXPECT_EQ(name->AsString(), "two");
  ds->Next();
  EXPECT_TRUE(name->IsNull());
}

TEST_F(FieldsTest, AssignCopiesValuesBetweenFields) {
  ds->Open();
  ds->Append();
  F("Int")->SetAsInteger(12);
  F("Str")->Assign(F("Int"));
  EXPECT_EQ(F("Str")->AsString(), "12");
  F("Memo")->SetAsString("memo text");
  F("Blob")->Assign(F("Memo"));
  EXPECT_EQ(F("Blob")->AsString(), "memo text");
  F("Str")->Assign(nullptr);
  EXPECT_TRUE(F("Str")->IsNull());
  TStringList list;
  EXPECT_THROW(F("Int")->Assign(&list), EConvertError);
}

TEST(FieldClasses, EveryMappedTypeHasAClassAndAName) {
  struct Case {
    TFieldType type;
    const char* name;
    bool hasClass;
  };
  const Case cases[] = {{ftUnknown, "Unknown", false},   {ftString, "String", true},
                        {ftBCD, "BCD", false},           {ftAutoInc, "AutoInc", true},
                        {ftDBaseOle, "dBaseOle", true},  {ftFixedChar, "FixedChar", true},
                        {ftLargeint, "LargeInt", true},  {ftGuid, "Guid", false},
                        {ftTimeStamp, "TimeStamp", true}, {ftFMTBcd, "FMTBcd", false},
                        {ftFixedWideChar, "FixedWideChar", true}, {ftWideMemo, "WideMemo", true}};
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    EXPECT_STREQ(FieldTypeName(c.type), c.name);
    EXPECT_EQ(DefaultFieldClass(c.type) != nullptr, c.hasClass);
  }
}

}  // namespace
