// A table's structure carried between the framework's definitions, the components' advanced and
// foreign-key definitions and the engine's definitions: every column type there and back, through a
// real table where the engine binds constraints to its field ids, index field lists and options,
// foreign keys, and the errors for definitions that cannot be expressed.
#include "engine/dataset/SQLMemDefinitions.h"

#include <gtest/gtest.h>

#include <memory>
#include <string>

#include "engine/foundation/SQLMemTypes.h"
#include "engine/storage/SQLMemDatabaseData.h"
#include "engine/storage/SQLMemLocalEngine.h"
#include "engine/storage/SQLMemLocalSession.h"
#include "engine/storage/SQLMemMemoryTable.h"
#include "tests/engine/foundation/EngineTestSupport.h"
#include "vcl/db/FieldDefs.h"
#include "vcl/db/IndexDefs.h"
#include "vcl/rtl/FormatSettings.h"

namespace {

using Definitions = EngineBlocksTest;

TEST_F(Definitions, NewAdvancedDefinitionHasTheSequenceAndBlobDefaults) {
  TSQLMemAdvFieldDefs defs;
  const TSQLMemAdvFieldDef& def = *defs.Add();
  EXPECT_EQ(def.Increment, 1);
  EXPECT_EQ(def.InitialValue, 0);
  EXPECT_EQ(def.MinSequence, 0);
  EXPECT_EQ(def.MaxSequence, 9223372036854775807);
  EXPECT_EQ(def.BlobBlockSize, 102400);
  EXPECT_EQ(def.FieldType, 0);
  EXPECT_FALSE(def.Required);
  EXPECT_TRUE(def.DefaultValue.IsNull());
  EXPECT_TRUE(def.MinValue.IsNull());
  EXPECT_TRUE(def.MaxValue.IsNull());
}

TEST_F(Definitions, AdvancedListFindsAndDeletesIgnoringCase) {
  TSQLMemAdvFieldDefs defs;
  defs.Add()->Name = "RecID";
  defs.Add()->Name = "Title";
  defs.Add()->Name = "Text";
  EXPECT_EQ(defs.FindByName("TITLE"), defs.Items(1));
  EXPECT_EQ(defs.FindByName("Missing"), nullptr);
  defs.DeleteByName("title");
  ASSERT_EQ(defs.Count(), 2);
  EXPECT_EQ(defs.Items(1)->Name, "Text");
  ExpectEngineError([&] { defs.DeleteByName("Title"); }, 30349, "Field 'Title' not found - Native error: 30349");
  EXPECT_EQ(defs.Count(), 2);
  EXPECT_THROW(defs.Items(2), ERangeError);
}

TEST_F(Definitions, AssignGivesTheCopyValuesOfItsOwn) {
  TSQLMemAdvFieldDefs source;
  TSQLMemAdvFieldDef& def = *source.Add();
  def.Name = "Amount";
  def.FieldType = sftInteger;
  def.Required = true;
  def.DefaultValue.SetAsInteger(5);
  def.MinValue.SetAsInteger(1);
  def.MaxValue.SetAsString("zzz");
  def.Increment = -2;
  def.Cycled = true;
  def.BlobCompressionAlgorithm = 2;
  def.BlobBlockSize = 4096;
  TSQLMemAdvFieldDefs copy;
  copy.Add()->Name = "dropped by the assignment";
  copy.Assign(source);
  source.Clear();  // the copy must not share the values' blocks with the source
  ASSERT_EQ(copy.Count(), 1);
  const TSQLMemAdvFieldDef& c = *copy.Items(0);
  EXPECT_EQ(c.Name, "Amount");
  EXPECT_EQ(c.FieldType, sftInteger);
  EXPECT_TRUE(c.Required);
  EXPECT_EQ(c.DefaultValue.GetAsInteger(), 5);
  EXPECT_EQ(c.MinValue.GetAsInteger(), 1);
  EXPECT_EQ(c.MaxValue.GetAsString(), "zzz");
  EXPECT_EQ(c.Increment, -2);
  EXPECT_TRUE(c.Cycled);
  EXPECT_EQ(c.BlobCompressionAlgorithm, 2);
  EXPECT_EQ(c.BlobBlockSize, 4096);
}

TEST_F(Definitions, WideCharacterColumnsAreTheWideFixedAndVariableTypes) {
  for (Integer type = 1; type <= 35; ++type) {
    TSQLMemAdvFieldDefs defs;
    defs.Add()->FieldType = sftInteger;
    defs.Add()->FieldType = static_cast<Byte>(type);
    EXPECT_EQ(defs.AdvFieldDefsHaveWideChar(), type == sftWideChar || type == sftWideVarchar) << type;
  }
}

// Every framework type the engine can store, to the engine's type and back. Several framework types
// share one engine type, so their way back is that type's first framework type.
TEST_F(Definitions, FrameworkFieldTypesReachTheEngineAndComeBack) {
  struct Case {
    TFieldType type;
    int size;
    Byte engineType;
    TFieldType back;
  };
  const Case cases[] = {
      {ftString, 10, sftVarchar, ftString},
      {ftFixedChar, 4, sftChar, ftFixedChar},
      {ftWideString, 12, sftWideChar, ftWideString},
      {ftFixedWideChar, 3, sftWideChar, ftWideString},
      {ftSmallint, 0, sftSmallInt, ftSmallint},
      {ftInteger, 0, sftInteger, ftInteger},
      {ftWord, 0, sftWord, ftWord},
      {ftLargeint, 0, sftLargeInt, ftLargeint},
      {ftAutoInc, 0, sftAutoInc, ftAutoInc},
      {ftBoolean, 0, sftBoolean, ftBoolean},
      {ftFloat, 0, sftDouble, ftFloat},
      {ftCurrency, 0, sftCurrency, ftCurrency},
      {ftDate, 0, sftDate, ftDate},
      {ftTime, 0, sftTime, ftTime},
      {ftDateTime, 0, sftDateTime, ftDateTime},
      {ftTimeStamp, 0, sftTimeStamp, ftTimeStamp},
      {ftBytes, 16, sftBytes, ftBytes},
      {ftVarBytes, 16, sftVarBytes, ftVarBytes},
      {ftBlob, 0, sftBLOB, ftBlob},
      {ftParadoxOle, 0, sftBLOB, ftBlob},
      {ftDBaseOle, 0, sftBLOB, ftBlob},
      {ftTypedBinary, 0, sftBLOB, ftBlob},
      {ftGraphic, 0, sftGraphic, ftGraphic},
      {ftMemo, 0, sftMemo, ftMemo},
      {ftFmtMemo, 0, sftFormattedMemo, ftFmtMemo},
      {ftWideMemo, 0, sftWideMemo, ftWideMemo},
  };
  TFieldDefs fieldDefs(nullptr);
  for (const Case& c : cases)
    fieldDefs.Add("F" + std::to_string(fieldDefs.Count()), c.type, c.size, fieldDefs.Count() % 2 == 1);

  TSQLMemFieldDefs engine;
  FieldDefsToEngineFieldDefs(fieldDefs, engine);
  TSQLMemAdvFieldDefs adv;
  FieldDefsToAdvFieldDefs(fieldDefs, adv);
  TFieldDefs fromEngine(nullptr), fromAdv(nullptr);
  EngineDefsToFieldDefs(engine, TSQLMemConstraintDefs(), fromEngine);
  AdvFieldDefsToFieldDefs(adv, fromAdv);

  ASSERT_EQ(engine.GetCount(), static_cast<Integer>(std::size(cases)));
  ASSERT_EQ(fromEngine.Count(), fieldDefs.Count());
  ASSERT_EQ(fromAdv.Count(), fieldDefs.Count());
  for (int i = 0; i < fieldDefs.Count(); ++i) {
    const Case& c = cases[i];
    const AnsiString name = "F" + std::to_string(i);
    const TSQLMemFieldDef& e = engine.GetFieldDef(i);
    EXPECT_EQ(e.Name, name);
    EXPECT_EQ(e.FieldType, c.engineType) << name;
    EXPECT_EQ(e.DataType, FieldTypeToDataType(c.engineType)) << name;
    EXPECT_EQ(e.Size, c.size) << name;
    EXPECT_EQ(adv.Items(i)->FieldType, c.engineType) << name;
    EXPECT_EQ(adv.Items(i)->Required, i % 2 == 1) << name;
    for (const TFieldDefs* back : {&fromEngine, &fromAdv}) {
      EXPECT_EQ(back->Items(i)->Name(), name);
      EXPECT_EQ(back->Items(i)->DataType(), c.back) << name;
      EXPECT_EQ(back->Items(i)->Size(), c.size) << name;
    }
    // Engine field definitions carry no NOT NULL of their own: without constraints nothing is required.
    EXPECT_FALSE(fromEngine.Items(i)->Required()) << name;
    EXPECT_EQ(fromAdv.Items(i)->Required(), i % 2 == 1) << name;
  }
}

TEST_F(Definitions, DefinitionsTheEngineCannotHoldAreRefused) {
  TFieldDefs fieldDefs(nullptr);
  fieldDefs.Add("Kind", ftBCD, 0);
  TSQLMemFieldDefs engine;
  TSQLMemAdvFieldDefs adv;
  EXPECT_EQ(NativeErrorOf([&] { FieldDefsToEngineFieldDefs(fieldDefs, engine); }), 30289);
  EXPECT_EQ(NativeErrorOf([&] { FieldDefsToAdvFieldDefs(fieldDefs, adv); }), 30289);

  adv.Clear();
  adv.Add()->Name = "Untyped";  // field type 0
  TSQLMemConstraintDefs constraints;
  EXPECT_EQ(NativeErrorOf([&] { AdvFieldDefsToEngineDefs(adv, engine, TSQLMemIndexDefs(), false, constraints); }),
            30007);
}

TEST_F(Definitions, LongNamesAreCutToTheEnginesLimit) {
  const AnsiString longName(300, 'N');
  TFieldDefs fieldDefs(nullptr);
  fieldDefs.Add(longName, ftInteger, 0);
  TSQLMemFieldDefs engine;
  FieldDefsToEngineFieldDefs(fieldDefs, engine);
  EXPECT_EQ(engine.GetFieldDef(0).Name, longName.substr(0, 255));
}

// A memory database with a session, in which converted definitions become a table and a cursor reports
// the table's definitions back (the engine gives every field and constraint its object id).
class DefinitionTable : public EngineBlocksTest {
 protected:
  void SetUp() override {
    EngineBlocksTest::SetUp();
    database_ = std::make_unique<TSQLMemMemoryDatabaseData>("DEFINITIONTEST");
    session_.InMemory = 1;
    session_.DatabaseName = "DEFINITIONTEST";
    session_.DatabaseFileName = "DEFINITIONTEST";
    session_.SetConnected(true);
  }
  void TearDown() override {
    cursor_.reset();
    session_.SetConnected(false);
    database_.reset();
    EngineBlocksTest::TearDown();
  }

  // Creates the table from the advanced definitions and index definitions, then opens it afresh.
  TSQLMemLocalCursor& CreateAndOpen(const TSQLMemAdvFieldDefs& adv, const TSQLMemIndexDefs& indexes) {
    TSQLMemFieldDefs fields;
    TSQLMemConstraintDefs constraints;
    AdvFieldDefsToEngineDefs(adv, fields, indexes, false, constraints);
    {
      TSQLMemLocalCursor creator;
      Prepare(creator);
      creator.CreateTable(fields, indexes, constraints);
      creator.CloseTable();
    }
    cursor_ = std::make_unique<TSQLMemLocalCursor>();
    Prepare(*cursor_);
    cursor_->OpenTable(nullptr, nullptr, nullptr);
    return *cursor_;
  }

 private:
  void Prepare(TSQLMemLocalCursor& cursor) {
    cursor.Session = &session_;
    cursor.InMemory = 1;
    cursor.TableName = "Everything";
  }

  std::unique_ptr<TSQLMemMemoryDatabaseData> database_;
  TSQLMemLocalSession session_;
  std::unique_ptr<TSQLMemLocalCursor> cursor_;
};

// One column of every engine type with every attribute the type keeps, through a created table and
// back: the attributes, NOT NULL as Required, CHECK as the limits; the key constraints of the indexes
// are the engine's business and do not show.
TEST_F(DefinitionTable, EveryEngineTypeSurvivesATableWithItsAttributes) {
  TSQLMemAdvFieldDefs adv;
  for (Integer type = 1; type <= 35; ++type) {
    TSQLMemAdvFieldDef& def = *adv.Add();
    def.Name = "Col" + std::to_string(type);
    def.FieldType = static_cast<Byte>(type);
    def.Required = type % 3 == 0;
    if (IsStringFieldType(type) || IsBytesFieldType(type)) def.Size = 20 + type;
    if (IsAutoIncFieldType(type)) {
      def.Increment = type == sftAutoIncLargeInt ? -3 : 2;
      def.InitialValue = 10;
      def.MinSequence = -100;
      def.MaxSequence = 1000 + type;
      def.Cycled = type % 2 == 0;
    }
    if (IsBLOBFieldType(type)) {
      def.BlobCompressionAlgorithm = static_cast<Byte>(type % 4);
      def.BlobCompressionMode = 6;
      def.BlobBlockSize = 8192;
    }
  }
  TSQLMemAdvFieldDef& limited = *adv.FindByName("Col7");  // integer
  limited.DefaultValue.SetAsInteger(42);
  limited.MinValue.SetAsInteger(1);
  limited.MaxValue.SetAsInteger(99);
  adv.FindByName("Col2")->DefaultValue.SetAsString("none");
  TSQLMemIndexDefs indexes;
  BuildEngineIndexDef(indexes.AddIndexDef(), "ByKey", "Col7", TIndexOptions{ixPrimary}, "", "", TFieldDefs(nullptr),
                      adv);
  BuildEngineIndexDef(indexes.AddIndexDef(), "ByText", "Col2;Col1", TIndexOptions{ixUnique}, "", "",
                      TFieldDefs(nullptr), adv);

  TSQLMemLocalCursor& cursor = CreateAndOpen(adv, indexes);
  TSQLMemAdvFieldDefs back;
  EngineDefsToAdvFieldDefs(cursor.ProjectedFieldDefs(), *cursor.FieldDefs, *cursor.ConstraintDefs, back);

  ASSERT_EQ(back.Count(), adv.Count());
  for (Integer i = 0; i < adv.Count(); ++i) {
    const TSQLMemAdvFieldDef& want = *adv.Items(i);
    const TSQLMemAdvFieldDef& got = *back.Items(i);
    SCOPED_TRACE(want.Name);
    EXPECT_EQ(got.Name, want.Name);
    EXPECT_EQ(got.FieldType, want.FieldType);
    EXPECT_EQ(got.Size, want.Size);
    EXPECT_EQ(got.Required, want.Required);
    EXPECT_EQ(got.Increment, want.Increment);
    EXPECT_EQ(got.InitialValue, want.InitialValue);
    EXPECT_EQ(got.MinSequence, want.MinSequence);
    EXPECT_EQ(got.MaxSequence, want.MaxSequence);
    EXPECT_EQ(got.Cycled, want.Cycled);
    EXPECT_EQ(got.BlobCompressionAlgorithm, want.BlobCompressionAlgorithm);
    EXPECT_EQ(got.BlobCompressionMode, want.BlobCompressionMode);
    EXPECT_EQ(got.BlobBlockSize, want.BlobBlockSize);
    EXPECT_EQ(got.DefaultValue.IsNull(), want.DefaultValue.IsNull());
    EXPECT_EQ(got.MinValue.IsNull(), want.MinValue.IsNull());
    EXPECT_EQ(got.MaxValue.IsNull(), want.MaxValue.IsNull());
  }
  EXPECT_EQ(back.FindByName("Col7")->DefaultValue.GetAsInteger(), 42);
  EXPECT_EQ(back.FindByName("Col7")->MinValue.GetAsInteger(), 1);
  EXPECT_EQ(back.FindByName("Col7")->MaxValue.GetAsInteger(), 99);
  EXPECT_EQ(back.FindByName("Col2")->DefaultValue.GetAsString(), "none");

  // The framework's view of the same table: NOT NULL columns are required (but for the ones the engine
  // numbers), and the indexes come back with their options; a primary index is unique.
  TFieldDefs fieldDefs(nullptr);
  EngineDefsToFieldDefs(*cursor.FieldDefs, *cursor.ConstraintDefs, fieldDefs);
  ASSERT_EQ(fieldDefs.Count(), adv.Count());
  for (int i = 0; i < fieldDefs.Count(); ++i) {
    EXPECT_EQ(fieldDefs.Items(i)->Required(), adv.Items(i)->Required && !IsAutoIncFieldType(adv.Items(i)->FieldType))
        << i;
    EXPECT_EQ(fieldDefs.Items(i)->DataType(), FieldTypeToVCLFieldType(adv.Items(i)->FieldType)) << i;
  }
  TIndexDefs indexDefs(nullptr);
  EngineIndexDefsToIndexDefs(cursor.GetIndexDefs(), indexDefs);
  ASSERT_EQ(indexDefs.Count(), 2);
  EXPECT_EQ(indexDefs.Find("ByKey")->Options(), (TIndexOptions{ixPrimary, ixUnique}));
  EXPECT_EQ(indexDefs.Find("ByText")->Fields(), "Col2;Col1");
  EXPECT_EQ(indexDefs.Find("ByText")->Options(), (TIndexOptions{ixUnique}));
}

TEST_F(Definitions, TemporaryTablesGetNoConstraints) {
  TSQLMemAdvFieldDefs adv;
  TSQLMemAdvFieldDef& def = *adv.Add();
  def.Name = "Day";
  def.FieldType = sftVarchar;
  def.Size = 10;
  def.Required = true;
  def.MaxValue.SetAsString("9999");
  TSQLMemIndexDefs indexes;
  BuildEngineIndexDef(indexes.AddIndexDef(), "ByDay", "Day", TIndexOptions{ixPrimary}, "", "", TFieldDefs(nullptr),
                      adv);
  TSQLMemFieldDefs fields;
  TSQLMemConstraintDefs constraints;
  constraints.AddNotNull();  // replaced by the conversion
  AdvFieldDefsToEngineDefs(adv, fields, indexes, true, constraints);
  EXPECT_EQ(fields.GetCount(), 1);
  EXPECT_EQ(constraints.GetCount(), 0);

  AdvFieldDefsToEngineDefs(adv, fields, indexes, false, constraints);
  ASSERT_EQ(constraints.GetCount(), 3);
  EXPECT_EQ(constraints.GetConstraintDef(0).Kind, ckNotNull);
  EXPECT_EQ(constraints.GetConstraintDef(1).Kind, ckCheck);
  EXPECT_EQ(constraints.GetConstraintDef(2).Kind, ckPrimary);
  const auto& check = static_cast<const TSQLMemConstraintDefCheck&>(constraints.GetConstraintDef(1));
  EXPECT_EQ(check.Name3, "Day");
  EXPECT_TRUE(check.MinValue.IsNull());
  EXPECT_EQ(check.MaxValue.GetAsString(), "9999");
}

TEST_F(Definitions, ConstraintsOnUnknownFieldsOrOfUnknownKindsAreRefused) {
  TSQLMemFieldDefs fields;
  TSQLMemFieldDef& field = fields.AddFieldDef();
  field.Name = "A";
  field.ObjectId = 7;
  field.SetDataType(sftInteger, 0);
  TSQLMemAdvFieldDefs adv;
  {
    TSQLMemConstraintDefs constraints;
    constraints.AddNotNull().Id3 = 99;
    ExpectEngineError([&] { EngineDefsToAdvFieldDefs(fields, fields, constraints, adv); }, 30032,
                      "Field #99 not found - Native error: 30032");
  }
  {
    TSQLMemConstraintDefs constraints;
    constraints.AddNotNull().Id3 = 7;
    constraints.AddCheck().Id3 = 98;
    ExpectEngineError([&] { EngineDefsToAdvFieldDefs(fields, fields, constraints, adv); }, 30031,
                      "Field #98 not found - Native error: 30031");
  }
  {
    TSQLMemConstraintDefs constraints;
    constraints.AddItem(std::make_unique<TSQLMemConstraintDef>(Byte{9}));
    ExpectEngineError([&] { EngineDefsToAdvFieldDefs(fields, fields, constraints, adv); }, 30039,
                      "Not implemented yet - Native error: 30039");
  }
}

TEST_F(Definitions, IndexFieldListsBecomeColumns) {
  TFieldDefs fieldDefs(nullptr);
  fieldDefs.Add("A", ftInteger);
  fieldDefs.Add("B", ftString, 10);
  TSQLMemAdvFieldDefs adv;
  adv.Add()->Name = "C";  // a column that only the advanced definitions know
  struct Column {
    const char* name;
    Byte descending, caseInsensitive;
  };
  struct Case {
    const char* fields;
    TIndexOptions options;
    const char* descFields;
    const char* caseInsFields;
    std::vector<Column> columns;
    Byte unique, primary;
  };
  const Case cases[] = {
      {"A,B", {}, "", "", {{"A", 0, 0}, {"B", 0, 0}}, 0, 0},
      {"A;B", {ixDescending}, "", "", {{"A", 1, 0}, {"B", 1, 0}}, 0, 0},
      {"A;B", {ixDescending}, "b", "", {{"A", 0, 0}, {"B", 1, 0}}, 0, 0},
      {"B", {ixCaseInsensitive, ixUnique}, "", "", {{"B", 0, 1}}, 1, 0},
      {"A; B ;C", {ixCaseInsensitive}, "", "C", {{"A", 0, 0}, {"B", 0, 0}, {"C", 0, 1}}, 0, 0},
      {"a", {ixPrimary, ixUnique}, "", "", {{"a", 0, 0}}, 1, 1},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.fields);
    TSQLMemIndexDef index;
    BuildEngineIndexDef(index, "Idx", c.fields, c.options, c.descFields, c.caseInsFields, fieldDefs, adv);
    EXPECT_EQ(index.Name, "Idx");
    EXPECT_EQ(index.IndexKind, 0);
    EXPECT_EQ(index.Unique, c.unique);
    EXPECT_EQ(index.Primary, c.primary);
    ASSERT_EQ(index.GetColumnCount(), static_cast<Integer>(c.columns.size()));
    for (std::size_t i = 0; i < c.columns.size(); ++i) {
      EXPECT_EQ(index.GetColumn(static_cast<Integer>(i)).Name, c.columns[i].name);
      EXPECT_EQ(index.GetColumn(static_cast<Integer>(i)).Descending, c.columns[i].descending) << i;
      EXPECT_EQ(index.GetColumn(static_cast<Integer>(i)).CaseInsensitive, c.columns[i].caseInsensitive) << i;
    }
  }
}

TEST_F(Definitions, BadIndexDefinitionsRaiseTheirOwnErrors) {
  TFieldDefs fieldDefs(nullptr);
  fieldDefs.Add("A", ftInteger);
  const TSQLMemAdvFieldDefs adv;
  TSQLMemIndexDef index;
  ExpectEngineError([&] { BuildEngineIndexDef(index, "", "A", {}, "", "", fieldDefs, adv); }, 20048,
                    "Invalid index name '' - Native error: 20048");
  ExpectEngineError([&] { BuildEngineIndexDef(index, "Idx", "", {}, "", "", fieldDefs, adv); }, 20049,
                    "Cannot find index field '' - Native error: 20049");
  ExpectEngineError([&] { BuildEngineIndexDef(index, "Idx", "A;Nope", {}, "", "", fieldDefs, adv); }, 20050,
                    "Cannot find index field 'Nope' - Native error: 20050");
}

TEST_F(Definitions, FrameworkIndexesGoThroughTheEngineAndBack) {
  TFieldDefs fieldDefs(nullptr);
  fieldDefs.Add("ShortDateDay", ftString, 10);
  fieldDefs.Add("Title", ftString, 25);
  TIndexDefs indexDefs(nullptr);
  indexDefs.Add("ByShortDate", "ShortDateDay", TIndexOptions{ixPrimary});
  TIndexDef* byTitle = indexDefs.Add("ByTitle", "Title,ShortDateDay", TIndexOptions{ixCaseInsensitive});
  byTitle->SetDescFields("ShortDateDay");
  indexDefs.Add("Newest", "ShortDateDay;Title", TIndexOptions{ixDescending});
  TIndexDef* mixed = indexDefs.Add("Mixed", "Title;ShortDateDay", {});
  mixed->SetDescFields("Title;ShortDateDay");  // every column named: the same as the option
  mixed->SetCaseInsFields("Title");
  TSQLMemIndexDefs engine;
  engine.AddIndexDef().Name = "replaced";
  IndexDefsToEngineIndexDefs(indexDefs, fieldDefs, TSQLMemAdvFieldDefs(), engine);
  ASSERT_EQ(engine.GetCount(), 4);
  // A sort index the engine made for itself is none of the table's indexes.
  TSQLMemIndexDef& sortIndex = engine.AddIndexDef();
  sortIndex.Name = "TEMPORARY_TABLE_INDEX_1";
  sortIndex.Temporary = 1;
  sortIndex.SetColumnCount(1);
  sortIndex.GetColumn(0).Name = "Title";

  struct Expected {
    const char* name;
    const char* fields;
    TIndexOptions options;
    const char* descFields;
    const char* caseInsFields;
  };
  const Expected expected[] = {
      {"ByShortDate", "ShortDateDay", {ixPrimary, ixUnique}, "", ""},
      {"ByTitle", "Title;ShortDateDay", {ixCaseInsensitive}, "ShortDateDay", ""},
      {"Newest", "ShortDateDay;Title", {ixDescending}, "", ""},
      {"Mixed", "Title;ShortDateDay", {ixDescending}, "", "Title"},
  };
  TIndexDefs back(nullptr);
  back.Add("replaced", "Title", {});
  EngineIndexDefsToIndexDefs(engine, back);
  ASSERT_EQ(back.Count(), static_cast<int>(std::size(expected)));
  for (int i = 0; i < back.Count(); ++i) {
    const TIndexDef& def = *back.Items(i);
    SCOPED_TRACE(expected[i].name);
    EXPECT_EQ(def.Name(), expected[i].name);
    EXPECT_EQ(def.Fields(), expected[i].fields);
    EXPECT_EQ(def.Options(), expected[i].options);
    EXPECT_EQ(def.DescFields(), expected[i].descFields);
    EXPECT_EQ(def.CaseInsFields(), expected[i].caseInsFields);
  }
  // An ascending order by the date is not served by the descending index.
  EXPECT_EQ(back.GetIndexForFields("ShortDateDay", false), back.Items(0));
  EXPECT_EQ(back.GetIndexForFields("ShortDateDay;Title", false), nullptr);
}

TEST_F(Definitions, ForeignKeysBecomeConstraintsAndBack) {
  TSQLMemForeignKeyDefs defs;
  TSQLMemForeignKeyDef& key = *defs.Add();
  key.Name = "FK_Day";
  key.ReferenceTableName = "fans";
  key.Fields = "Day, Title";
  key.MatchType = fkmFull;
  key.DeleteAction = fkaCascade;
  key.UpdateAction = fkaSetNull;
  TSQLMemConstraintDefs constraints;
  constraints.AddNotNull().Name = "kept";
  ForeignKeyDefsToConstraintDefs(defs, constraints);
  ASSERT_EQ(constraints.GetCount(), 2);
  const auto& constraint = static_cast<const TSQLMemConstraintDefForeignKey&>(constraints.GetConstraintDef(1));
  EXPECT_EQ(constraint.Kind, ckForeignKey);
  EXPECT_EQ(constraint.Name, "FK_Day");
  EXPECT_EQ(constraint.RelatedTableName, "fans");
  ASSERT_EQ(constraint.Columns.size(), 2u);
  EXPECT_EQ(constraint.Columns[0].Name, "Day");
  EXPECT_EQ(constraint.Columns[1].Name, "Title");

  TSQLMemForeignKeyDefs back;
  ConstraintDefsToForeignKeyDefs(constraints, back);
  ASSERT_EQ(back.Count(), 1);
  const TSQLMemForeignKeyDef& b = *back.Items(0);
  EXPECT_EQ(b.Name, "FK_Day");
  EXPECT_EQ(b.ReferenceTableName, "fans");
  EXPECT_EQ(b.Fields, "Day;Title");
  EXPECT_EQ(b.MatchType, fkmFull);
  EXPECT_EQ(b.DeleteAction, fkaCascade);
  EXPECT_EQ(b.UpdateAction, fkaSetNull);
}

TEST_F(Definitions, ForeignKeyWithoutColumnsIsRefusedAndNotAppended) {
  TSQLMemForeignKeyDefs defs;
  TSQLMemForeignKeyDef& key = *defs.Add();
  key.Name = "FK_Empty";
  key.ReferenceTableName = "fans";
  key.Fields = " ; ";
  TSQLMemConstraintDefs constraints;
  ExpectEngineError(
      [&] { ForeignKeyDefsToConstraintDefs(defs, constraints); }, 11418,
      "Error - no columns specified in foreign key definition, key name = FK_Empty, reference table name = fans"
      " - Native error: 11418");
  EXPECT_EQ(constraints.GetCount(), 0);
}

TEST_F(Definitions, ForeignKeyListLooksUpAndRenamesIgnoringCase) {
  TSQLMemForeignKeyDefs defs;
  for (const char* table : {"Fans", "other", "FANS"}) {
    TSQLMemForeignKeyDef& key = *defs.Add();
    key.Name = AnsiString("FK_") + table;
    key.ReferenceTableName = table;
  }
  EXPECT_EQ(defs.IndexOf("fk_other"), 1);
  EXPECT_EQ(defs.IndexOf("nothing"), -1);
  EXPECT_EQ(defs.FindByName("FK_FANS"), defs.Items(0));
  EXPECT_EQ(defs.FindByName("nothing"), nullptr);
  EXPECT_EQ(defs.Items(3), nullptr);
  EXPECT_EQ(defs.Items(-1), nullptr);

  RenameForeignKeyReferences("fans", "TEMP_TABLE_fans_", defs);
  EXPECT_EQ(defs.Items(0)->ReferenceTableName, "TEMP_TABLE_fans_");
  EXPECT_EQ(defs.Items(1)->ReferenceTableName, "other");
  EXPECT_EQ(defs.Items(2)->ReferenceTableName, "TEMP_TABLE_fans_");

  TSQLMemForeignKeyDefs copy;
  copy.Assign(&defs);
  defs.Clear();
  ASSERT_EQ(copy.Count(), 3);
  EXPECT_EQ(copy.Items(1)->Name, "FK_other");
}

TEST_F(Definitions, FieldDefExistsIgnoresCase) {
  TFieldDefs fieldDefs(nullptr);
  fieldDefs.Add("ShortDateDay", ftString, 10);
  EXPECT_TRUE(FieldDefExists(fieldDefs, "SHORTDATEDAY"));
  EXPECT_FALSE(FieldDefExists(fieldDefs, "ShortDate"));
}

TEST(DefinitionsVersion, VersionTextUsesAPointWhateverTheLocale) {
  TFormatSettings comma = FormatSettings();
  comma.DecimalSeparator = ',';
  TFormatSettingsScope scope(comma);
  EXPECT_EQ(CurrentVersion(), "4.20 ");
  EXPECT_EQ(FormatSettings().DecimalSeparator, ',');
}

}  // namespace
