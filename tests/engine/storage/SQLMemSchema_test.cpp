#include "engine/storage/SQLMemSchema.h"

#include <gtest/gtest.h>

#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "engine/foundation/EngineTestSupport.h"
#include "engine/foundation/SQLMemStreams.h"
#include "StreamBytes.h"

namespace {

using SchemaTest = EngineBlocksTest;

// ---- golden stream forms, one per definition kind ----

struct GoldenCase {
  const char* kind;
  std::function<std::unique_ptr<TSQLMemMetaObjectDef>()> make;   // a filled definition
  std::function<std::unique_ptr<TSQLMemMetaObjectDef>()> blank;  // an empty one of the same kind
  std::function<std::string()> golden;
};

template <class T>
std::unique_ptr<TSQLMemMetaObjectDef> Blank() {
  return std::make_unique<T>();
}

std::unique_ptr<TSQLMemMetaObjectDef> MakeSequence() {
  auto s = std::make_unique<TSQLMemSequenceDef>();
  s->Name = "SEQ_RecID";
  s->ObjectId = 7;
  s->CurrentValue = 1234;
  s->Cycle = 0;
  return s;
}

std::unique_ptr<TSQLMemMetaObjectDef> MakeTextField() {
  auto f = std::make_unique<TSQLMemFieldDef>();
  f->Name = "Title";
  f->ObjectId = 3;
  f->SetDataType(sftVarchar, 25);
  f->DefaultValue.SetAsString("abc");
  return f;
}

std::unique_ptr<TSQLMemMetaObjectDef> MakeAutoIncField() {
  auto f = std::make_unique<TSQLMemFieldDef>();
  f->Name = "RecID";
  f->ObjectId = 2;
  f->SetDataType(sftAutoInc, 0);
  f->SequenceId = 9;
  f->Increment = 2;
  f->InitialValue = 5;
  f->MaxValue = 1000;
  f->Cycle = 255;
  return f;
}

std::unique_ptr<TSQLMemMetaObjectDef> MakeMemoField() {
  auto f = std::make_unique<TSQLMemFieldDef>();
  f->Name = "Text";
  f->ObjectId = 5;
  f->SetDataType(sftMemo, 0);
  f->BLOBCompressionAlgorithm = 1;
  f->BLOBCompressionLevel = 9;
  return f;
}

std::unique_ptr<TSQLMemMetaObjectDef> MakeIndex() {
  auto ix = std::make_unique<TSQLMemIndexDef>();
  ix->Name = "ByShortDate";
  ix->ObjectId = 11;
  ix->Unique = 1;
  ix->Primary = 1;
  ix->RootPageNo = 4;
  ix->SetColumnCount(2);
  ix->GetColumn(0).Name = "ShortDateDay";
  ix->GetColumn(1).Name = "Title";
  ix->GetColumn(1).Descending = 1;
  ix->GetColumn(1).CaseInsensitive = 1;
  return ix;
}

template <class T>
std::unique_ptr<TSQLMemMetaObjectDef> MakeNamed() {
  auto c = std::make_unique<T>();
  c->Name = "NN";
  c->ObjectId = 12;
  c->Id1 = 1;
  c->Id2 = 2;
  c->Id3 = 3;
  c->Name1 = "";
  c->Name2 = "fans";
  c->Name3 = "Title";
  return c;
}

std::unique_ptr<TSQLMemMetaObjectDef> MakeCheck() {
  auto c = MakeNamed<TSQLMemConstraintDefCheck>();
  auto& check = static_cast<TSQLMemConstraintDefCheck&>(*c);
  check.MinValue.SetAsInteger(-5);
  check.MaxValue.Clear(edtInteger);
  return c;
}

template <class T>
std::unique_ptr<TSQLMemMetaObjectDef> MakeUnique() {
  auto c = MakeNamed<T>();
  auto& u = static_cast<T&>(*c);
  u.Columns = {{"ShortDateDay", 4}, {"Title", 3}};
  return c;
}

template <class T>
std::unique_ptr<TSQLMemMetaObjectDef> MakeForeignKey() {
  auto c = std::make_unique<T>();
  c->Name = "FK";
  c->ObjectId = 13;
  c->RelatedTableName = "parent";
  c->RelatedTableId = 21;
  c->RelatedConstraintName = "";
  c->RelatedConstraintId = -1;
  c->DeleteAction = 1;
  c->UpdateAction = 4;
  c->MatchType = 2;
  c->Columns = {{"pid", 22}};
  return c;
}

StreamBytes Meta(std::string_view name, Integer id) {
  StreamBytes b;
  b.Short(name).I32(id);
  return b;
}

std::string NamedGolden(bool int32Counts) {
  StreamBytes b = Meta("NN", 12);
  b.I32(1).I32(2).I32(3);
  for (std::string_view name : {"", "fans", "Title"}) {
    if (int32Counts)
      b.I32(static_cast<Integer>(name.size()) + 1);
    else
      b.U8(static_cast<unsigned>(name.size()) + 1);
    b.Short(name);
  }
  return b.Str();
}

std::string UniqueGolden() {
  StreamBytes b;
  b.Chars(NamedGolden(true)).I32(2);
  b.I32(4).I32(13).Short("ShortDateDay");
  b.I32(3).I32(6).Short("Title");
  return b.Str();
}

const GoldenCase kGoldenCases[] = {
    {"sequence", MakeSequence, Blank<TSQLMemSequenceDef>,
     [] {
       return Meta("SEQ_RecID", 7).U8(edtCardinal).I64(0).I64(4294967295).I64(1234).I64(1).U8(0).Str();
     }},
    {"text field with default", MakeTextField, Blank<TSQLMemFieldDef>,
     [] {
       // The default value in the typed-value form: type, null mark 0, int32 size, text and terminator.
       return Meta("Title", 3).U8(edtVarchar).U8(sftVarchar).I32(25).U8(edtVarchar).U8(0).I32(4).Chars({"abc\0", 4}).Str();
     }},
    {"autoinc field", MakeAutoIncField, Blank<TSQLMemFieldDef>,
     [] {
       // No default value after the AutoInc parameters.
       return Meta("RecID", 2).U8(edtInteger).U8(sftAutoInc).I32(0).I32(9).I64(2).I64(5).I64(0).I64(1000).U8(255).Str();
     }},
    {"memo field", MakeMemoField, Blank<TSQLMemFieldDef>,
     [] {
       // BLOB settings, then the default value: an untyped null.
       return Meta("Text", 5).U8(edtMemo).U8(sftMemo).I32(0).U8(1).U8(9).I32(102400).U8(edtNone).U8(255).Str();
     }},
    {"index", MakeIndex, Blank<TSQLMemIndexDef>,
     [] {
       return Meta("ByShortDate", 11)
           .U8(0).U8(1).U8(1).I32(2).I32(4)
           .Short("ShortDateDay").U8(0).U8(0)
           .Short("Title").U8(1).U8(1)
           .Str();
     }},
    {"not null", MakeNamed<TSQLMemConstraintDefNotNull>, Blank<TSQLMemConstraintDefNotNull>,
     [] { return NamedGolden(false); }},
    {"check", MakeCheck, Blank<TSQLMemConstraintDefCheck>,
     [] {
       StreamBytes b;
       return b.Chars(NamedGolden(false)).U8(edtInteger).U8(0).I32(4).I32(-5).U8(edtInteger).U8(255).Str();
     }},
    {"unique", MakeUnique<TSQLMemConstraintDefUnique>, Blank<TSQLMemConstraintDefUnique>, UniqueGolden},
    {"primary", MakeUnique<TSQLMemConstraintDefPrimary>, Blank<TSQLMemConstraintDefPrimary>, UniqueGolden},
    {"foreign key", MakeForeignKey<TSQLMemConstraintDefForeignKey>, Blank<TSQLMemConstraintDefForeignKey>,
     [] {
       return Meta("FK", 13).I32(6).Chars("parent").I32(21).I32(0).I32(-1)
           .U8(1).U8(4).U8(2).I32(1).I32(22).I32(3).Chars("pid").Str();
     }},
    {"foreign key action", MakeForeignKey<TSQLMemConstraintDefForeignKeyAction>,
     Blank<TSQLMemConstraintDefForeignKeyAction>,
     [] {
       return Meta("FK", 13).I32(6).Chars("parent").I32(21).I32(0).I32(-1)
           .U8(1).U8(4).U8(2).I32(1).I32(22).I32(3).Chars("pid").Str();
     }},
};

TEST_F(SchemaTest, EveryDefinitionKindRoundTripsByteExactly) {
  for (const GoldenCase& c : kGoldenCases) {
    SCOPED_TRACE(c.kind);
    const std::string golden = c.golden();
    EXPECT_EQ(SavedBytes(*c.make()), golden);

    TSQLMemMemoryStream stream;
    FillStream(stream, golden);
    auto loaded = c.blank();
    loaded->LoadFromStream(stream);
    EXPECT_EQ(stream.Position(), stream.Size()) << "the whole form is read, nothing more";
    EXPECT_EQ(SavedBytes(*loaded), golden);

    // Assign copies everything that the form carries.
    auto copy = c.blank();
    copy->Assign(*loaded);
    EXPECT_EQ(SavedBytes(*copy), golden);
  }
}

TEST_F(SchemaTest, EveryKindRaisesItsOwnCodeOnATruncatedForm) {
  for (const GoldenCase& c : kGoldenCases) {
    SCOPED_TRACE(c.kind);
    const std::string golden = c.golden();
    // Cut inside the last field: the read of that field fails with an engine error, never a crash.
    TSQLMemMemoryStream stream;
    FillStream(stream, golden.substr(0, golden.size() - 1));
    auto loaded = c.blank();
    EXPECT_THROW(loaded->LoadFromStream(stream), ESQLMemException);
  }
}

TEST_F(SchemaTest, LoadedFieldComputesItsSizes) {
  TSQLMemMemoryStream stream;
  FillStream(stream, kGoldenCases[1].golden());
  TSQLMemFieldDef field;
  field.LoadFromStream(stream);
  EXPECT_EQ(field.DataSize, 26);    // 25 characters and a terminator
  EXPECT_EQ(field.CompactSize, 6);  // variable strings are compact
  EXPECT_EQ(field.DefaultValue.GetAsString(), "abc");
}

TEST_F(SchemaTest, DamagedCountsAndNamesAreRefusedBeforeAllocating) {
  struct Case {
    const char* what;
    std::string bytes;
    std::function<std::unique_ptr<TSQLMemMetaObjectDef>()> blank;
    Integer code;
  };
  const Case cases[] = {
      {"index column count beyond the stream", Meta("I", 1).U8(0).U8(0).U8(0).I32(1000000).I32(-1).Str(),
       Blank<TSQLMemIndexDef>, 10352},
      {"negative index column count", Meta("I", 1).U8(0).U8(0).U8(0).I32(-1).I32(-1).Str(), Blank<TSQLMemIndexDef>,
       10352},
      {"foreign key name longer than the stream", Meta("F", 1).I32(0x7FFFFFFF).Str(),
       Blank<TSQLMemConstraintDefForeignKey>, 11399},
      {"not-null name count disagreeing with its length byte", Meta("N", 1).I32(0).I32(0).I32(0).U8(3).U8(5).Chars("ab").Str(),
       Blank<TSQLMemConstraintDefNotNull>, 10253},
      {"unique name count of zero", Meta("U", 1).I32(0).I32(0).I32(0).I32(0).Str(), Blank<TSQLMemConstraintDefUnique>,
       30306},
      {"field of an unknown data type", Meta("F", 1).U8(99).U8(sftInteger).I32(0).U8(0).U8(255).Str(),
       Blank<TSQLMemFieldDef>, 30050},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    TSQLMemMemoryStream stream;
    FillStream(stream, c.bytes);
    auto def = c.blank();
    try {
      def->LoadFromStream(stream);
      ADD_FAILURE() << "no error";
    } catch (const ESQLMemException& e) {
      EXPECT_EQ(e.NativeError(), c.code);
    }
  }
}

TEST_F(SchemaTest, ListCountBeyondTheStreamIsRefused) {
  TSQLMemMemoryStream stream;
  FillStream(stream, StreamBytes().I32(50000000).Str());
  TSQLMemFieldDefs fields;
  try {
    fields.LoadFromStream(stream);
    ADD_FAILURE() << "no error";
  } catch (const ESQLMemException& e) {
    EXPECT_EQ(e.NativeError(), 10159);
  }
  EXPECT_EQ(fields.GetCount(), 0);
}

TEST_F(SchemaTest, NamesThatDoNotFitTheirFormAreRangeErrors) {
  TSQLMemConstraintDefNotNull notNull;
  notNull.Name2 = std::string(255, 't');  // its length + 1 does not fit the uint8 count
  EXPECT_THROW(SavedBytes(notNull), ERangeError);
  notNull.Name2 = std::string(254, 't');
  EXPECT_NO_THROW(SavedBytes(notNull));

  TSQLMemIndexDef index;
  index.SetColumnCount(1);  // an unnamed column
  EXPECT_THROW(SavedBytes(index), ERangeError);

  TSQLMemSequenceDef sequence;
  sequence.Name = std::string(256, 's');
  EXPECT_THROW(SavedBytes(sequence), ERangeError);
}

// ---- lists ----

TEST_F(SchemaTest, FieldListLayoutHasNullBitmapThenSlotsWithoutPadding) {
  TSQLMemFieldDefs fields;
  // 9 fields: a 2-byte null bitmap.
  const struct {
    Byte fieldType;
    Integer size;
    Integer dataSize;
    Integer compactSize;
  } columns[] = {
      {sftAutoInc, 0, 4, 4},    {sftVarchar, 10, 11, 6},  {sftWideVarchar, 3, 8, 6},
      {sftMemo, 0, 8, 6},       {sftByte, 0, 1, 1},       {sftExtended, 0, 10, 10},
      {sftBoolean, 0, 2, 2},    {sftChar, 2, 3, 3},       {sftBytes, 5, 5, 5},
  };
  for (const auto& c : columns) fields.AddFieldDef().SetDataType(c.fieldType, c.size);
  fields.GetFieldDef(4).DefaultValue.SetAsByte(1);
  fields.UpdateLayout();

  Integer offset = 2;
  Integer compact = 2;
  for (Integer i = 0; i < 9; ++i) {
    SCOPED_TRACE(i);
    const TSQLMemFieldDef& f = fields.GetFieldDef(i);
    EXPECT_EQ(f.DataSize, columns[i].dataSize);
    EXPECT_EQ(f.CompactSize, columns[i].compactSize);
    EXPECT_EQ(f.RecordOffset, offset);
    EXPECT_EQ(f.CompactOffset, compact);
    offset += f.DataSize;
    compact += f.CompactSize;
  }
  EXPECT_EQ(fields.RecordSize(), 2 + 4 + 11 + 8 + 8 + 1 + 10 + 2 + 3 + 5);
  EXPECT_TRUE(fields.HasAutoInc);
  EXPECT_TRUE(fields.HasBLOBOrVarString);
  EXPECT_TRUE(fields.HasDefaults);

  // Written and read back, the list gives the same layout.
  TSQLMemMemoryStream stream;
  fields.SaveToStream(stream);
  stream.Seek(Int64{0}, soBeginning);
  TSQLMemFieldDefs loaded;
  loaded.LoadFromStream(stream);
  EXPECT_EQ(loaded.StreamCount, 9);
  EXPECT_EQ(loaded.RecordSize(), fields.RecordSize());
  EXPECT_EQ(loaded.GetFieldDef(8).RecordOffset, fields.GetFieldDef(8).RecordOffset);
  EXPECT_EQ(SavedBytes(loaded), SavedBytes(fields));
}

TEST_F(SchemaTest, TableWithoutFieldsHasNoRecordSize) {
  TSQLMemFieldDefs fields;
  fields.UpdateLayout();
  ExpectEngineError([&] { fields.RecordSize(); }, 10131,
                    "Error creating table - no fields were specified - Native error: 10131");
}

TEST_F(SchemaTest, UnsupportedFieldTypeIsRefused) {
  TSQLMemFieldDef field;
  try {
    field.SetDataType(99, 0);
    ADD_FAILURE() << "no error";
  } catch (const ESQLMemException& e) {
    EXPECT_EQ(e.NativeError(), 30007);
    EXPECT_EQ(e.Message().rfind("Unsuported data type '", 0), 0u) << e.Message();
  }
  EXPECT_EQ(field.FieldType, sftUnknown) << "nothing changes on failure";
}

TEST_F(SchemaTest, IndexListSavesOnlyIndexesThatAreNotTemporary) {
  TSQLMemIndexDefs indexes;
  for (const char* name : {"A", "Temp", "B"}) {
    TSQLMemIndexDef& ix = indexes.AddIndexDef();
    ix.Name = name;
    ix.SetColumnCount(1);
    ix.GetColumn(0).Name = "x";
  }
  indexes.GetItem(1).Temporary = 1;
  const std::string bytes = SavedBytes(indexes);
  Integer count = 0;
  std::memcpy(&count, bytes.data(), 4);
  EXPECT_EQ(count, 2);

  TSQLMemMemoryStream stream;
  FillStream(stream, bytes);
  TSQLMemIndexDefs loaded;
  loaded.LoadFromStream(stream);
  ASSERT_EQ(loaded.GetCount(), 2);
  EXPECT_EQ(loaded.GetItem(0).Name, "A");
  EXPECT_EQ(loaded.GetItem(1).Name, "B");
}

TEST_F(SchemaTest, ConstraintListWritesKindBeforeEachItemAndRefusesUnknownKinds) {
  TSQLMemConstraintDefs constraints;
  constraints.AddNotNull().Name = "n";
  constraints.AddForeignKey().Name = "f";
  EXPECT_TRUE(constraints.HasForeignKeys);
  const std::string bytes = SavedBytes(constraints);
  EXPECT_EQ(bytes.substr(0, 5), StreamBytes().I32(2).U8(ckNotNull).Str());

  TSQLMemMemoryStream stream;
  FillStream(stream, bytes);
  TSQLMemConstraintDefs loaded;
  loaded.LoadFromStream(stream);
  EXPECT_EQ(loaded.GetConstraintDef(0).Kind, ckNotNull);
  EXPECT_EQ(loaded.GetConstraintDef(1).Kind, ckForeignKey);
  EXPECT_TRUE(loaded.HasForeignKeys);
  EXPECT_FALSE(loaded.HasForeignKeyActions);
  EXPECT_EQ(SavedBytes(loaded), bytes);

  TSQLMemMemoryStream bad;
  FillStream(bad, StreamBytes().I32(1).U8(7).Str());
  ExpectEngineError([&] { loaded.LoadFromStream(bad); }, 30316, "Unknown Constraint Type: '7' - Native error: 30316");
}

TEST_F(SchemaTest, ConstraintFlagsFollowTheItems) {
  TSQLMemConstraintDefs constraints;
  TSQLMemConstraintDefForeignKeyAction& action = constraints.AddForeignKeyAction();
  action.DeleteAction = 4;
  action.UpdateAction = 4;
  EXPECT_TRUE(constraints.HasForeignKeyActions);
  EXPECT_FALSE(constraints.HasDeleteActions());
  EXPECT_FALSE(constraints.HasUpdateActions());
  action.UpdateAction = 1;
  EXPECT_FALSE(constraints.HasDeleteActions());
  EXPECT_TRUE(constraints.HasUpdateActions());

  TSQLMemConstraintDefs copy;
  copy.Assign(constraints);
  EXPECT_TRUE(copy.HasUpdateActions());

  constraints.Delete(0);
  EXPECT_FALSE(constraints.HasForeignKeyActions);
  EXPECT_FALSE(constraints.HasUpdateActions());

  // However an item comes in or goes, the flags follow.
  constraints.AddItem(std::make_unique<TSQLMemConstraintDefForeignKey>());
  EXPECT_TRUE(constraints.HasForeignKeys);
  constraints.SetDef(0, std::make_unique<TSQLMemConstraintDefUnique>());
  EXPECT_FALSE(constraints.HasForeignKeys);
  constraints.Insert(0, std::make_unique<TSQLMemConstraintDefForeignKeyAction>());
  EXPECT_TRUE(constraints.HasForeignKeyActions);
  constraints.Clear();
  EXPECT_FALSE(constraints.HasForeignKeyActions);
}

TEST_F(SchemaTest, TypedListsTakeOnlyTheirOwnKind) {
  TSQLMemFieldDefs fields;
  EXPECT_THROW(fields.AddItem(std::make_unique<TSQLMemSequenceDef>()), EInvalidCast);
  TSQLMemConstraintDefs constraints;
  EXPECT_THROW(constraints.Insert(0, std::make_unique<TSQLMemIndexDef>()), EInvalidCast);
  ExpectEngineError([&] { constraints.AddItem(nullptr); }, 10425, "Nil pointer occured - Native error: 10425");
  EXPECT_EQ(fields.GetCount() + constraints.GetCount(), 0);
}

TEST_F(SchemaTest, ListAssignStopsAtADuplicateNameKeepingWhatWasCopied) {
  TSQLMemFieldDefs source;
  source.AddFieldDef().Name = "ID";
  source.AddFieldDef().Name = "id";
  TSQLMemFieldDefs target;
  target.AddFieldDef().Name = "old";
  ExpectEngineError([&] { target.Assign(source); }, 10424, "Duplicate field name id - Native error: 10424");
  ASSERT_EQ(target.GetCount(), 1);
  EXPECT_EQ(target.GetFieldDef(0).Name, "ID");
}

TEST_F(SchemaTest, BaseListCannotCreateItems) {
  TSQLMemMetaObjectDefs base;
  TSQLMemSequenceDefs source;
  source.AddSequenceDef().Name = "s";
  ExpectEngineError([&] { base.Assign(source); }, 30339,
                    "The method 'InternalAddCreated' not overrided in class 'TSQLMemMetaObjectDefs' - Native error: 30339");
}

TEST_F(SchemaTest, LookupsByNameAreCaseInsensitiveAndByIdExact) {
  TSQLMemSequenceDefs list;
  list.AddSequenceDef().Name = "Árvíztűrő";
  list.GetSequenceDef(0).ObjectId = 4;
  list.AddSequenceDef().Name = "second";
  list.GetSequenceDef(1).ObjectId = 8;
  list.AddSequenceDef().Name = "SECOND";
  EXPECT_EQ(list.IndexOfName("SeCoNd"), 1);
  EXPECT_EQ(list.IndexOfName("missing"), -1);
  EXPECT_EQ(list.FindByName("missing"), nullptr);
  EXPECT_EQ(list.IndexOfObjectID(8), 1);
  EXPECT_EQ(list.FindByObjectID(4), &list.GetDef(0));
  EXPECT_EQ(list.IndexOfObjectID(5), -1);
  list.Move(2, 0);
  EXPECT_EQ(list.IndexOfName("second"), 0);
}

TEST_F(SchemaTest, FindIndexByColumnsMatchesLeadingColumnsDirectionsAndCases) {
  TSQLMemIndexDefs indexes;
  TSQLMemIndexDef& a = indexes.AddIndexDef();
  a.ObjectId = 1;
  a.SetColumnCount(1);
  a.GetColumn(0) = {"Title", 1, 0};
  TSQLMemIndexDef& b = indexes.AddIndexDef();
  b.ObjectId = 2;
  b.SetColumnCount(2);
  b.GetColumn(0) = {"Day", 0, 1};
  b.GetColumn(1) = {"Title", 0, 0};
  using V = std::vector<AnsiString>;
  const struct {
    V columns, directions, cases;
    Integer expected;
  } cases[] = {
      {{"title"}, {"DESC"}, {"CASE"}, 1},
      {{"title"}, {"ASC"}, {""}, -1},
      {{"title"}, {""}, {"NO_CASE"}, -1},
      {{"DAY"}, {"asc"}, {"no_case"}, 2},
      {{"Day", "Title"}, {"", ""}, {"", ""}, 2},
      {{"Day", "Title", "X"}, {"", "", ""}, {"", "", ""}, -1},
  };
  for (const auto& c : cases) EXPECT_EQ(indexes.FindIndexByColumns(&c.columns, &c.directions, &c.cases), c.expected);

  const V one{"x"}, none{};
  ExpectEngineError([&] { indexes.FindIndexByColumns(&one, nullptr, &one); }, 10390, "Nil pointer occured - Native error: 10390");
  ExpectEngineError([&] { indexes.FindIndexByColumns(&one, &none, &one); }, 10276,
                    "Error - different lists length. L1 = 1, L2 = 0 - Native error: 10276");
  ExpectEngineError([&] { indexes.FindIndexByColumns(&one, &one, &none); }, 10277,
                    "Error - different lists length. L1 = 1, L2 = 0 - Native error: 10277");
  EXPECT_EQ(indexes.FindPrimary(), nullptr);
  b.Primary = 1;
  EXPECT_EQ(indexes.FindPrimary(), &b);
}

TEST_F(SchemaTest, SetColumnCountGrowsWithEmptyColumnsAndShrinksFromTheEnd) {
  TSQLMemIndexDef index;
  index.SetColumnCount(3);
  index.GetColumn(0).Name = "a";
  index.GetColumn(2).Name = "c";
  index.SetColumnCount(1);
  EXPECT_EQ(index.GetColumnCount(), 1);
  EXPECT_EQ(index.GetColumn(0).Name, "a");
  index.SetColumnCount(2);
  EXPECT_EQ(index.GetColumn(1).Name, "");
  EXPECT_THROW(index.GetColumn(2), ERangeError);
}

// ---- sequences ----

TEST_F(SchemaTest, SequenceHandsOutValuesAndCyclesOrOverflows) {
  TSQLMemSequenceDef sequence;
  sequence.Name = "S";
  sequence.MinValue = -7;
  sequence.MaxValue = 3;
  std::vector<Int64> got;
  for (int i = 0; i < 5; ++i) got.push_back(sequence.NextValue());
  EXPECT_EQ(got, (std::vector<Int64>{1, 2, 3, -7, -6}));

  sequence.Cycle = 0;
  sequence.CurrentValue = 3;
  ExpectEngineError([&] { sequence.NextValue(); }, 30009, "Sequence 'S' overflow - Native error: 30009");
  EXPECT_EQ(sequence.CurrentValue, 3) << "a refused value is not taken";

  sequence.MaxValue = 9223372036854775807;
  sequence.CurrentValue = 9223372036854775807;
  EXPECT_THROW(sequence.NextValue(), EIntOverflow);
}

TEST_F(SchemaTest, DefinitionDefaults) {
  EXPECT_EQ(TSQLMemSequenceDef().NextValue(), 1);
  EXPECT_EQ(TSQLMemConstraintDefNotNull().ObjectId, 0);
  EXPECT_EQ(TSQLMemConstraintDefCheck().ObjectId, 0);
  EXPECT_EQ(TSQLMemConstraintDefUnique().ObjectId, -1);
  EXPECT_EQ(TSQLMemConstraintDefPrimary().Kind, ckPrimary);
  EXPECT_EQ(TSQLMemConstraintDefForeignKey().Kind, ckForeignKey);
  TSQLMemFieldDef field;
  EXPECT_EQ(field.BLOBBlockSize, 102400);
  EXPECT_EQ(field.SequenceId, -1);
  EXPECT_TRUE(field.DefaultValue.IsNull());
}

}  // namespace
