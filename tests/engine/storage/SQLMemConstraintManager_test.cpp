// The constraint manager over a test table with a primary and a unique index: the record check of
// every constraint kind, binding constraints to fields and indexes, generated names, constraints made
// from indexes and the foreign-key action of a parent table.
#include <gtest/gtest.h>

#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "engine/storage/SQLMemConstraintManager.h"
#include "tests/engine/foundation/EngineTestSupport.h"
#include "tests/engine/storage/ManagerTestSupport.h"
#include "vcl/rtl/OsSeam.h"
#include "vcl/rtl/Stream.h"

namespace {

constexpr Integer kSession = ManagerTestTable::kSession;
enum : Integer { fID, fName, fAge, fScore, fRef };

// The values of a record; nullopt is NULL.
struct Values {
  std::optional<Integer> id, age, score, ref;
  const char* name;
};

class ConstraintManagerTest : public EngineBlocksTest {
 protected:
  void SetUp() override {
    EngineBlocksTest::SetUp();
    primaryIndex_ = table_.AddIndex("PK", {"ID"}, false, true);
    uniqueIndex_ = table_.AddIndex("ByName", {"Name"}, true);
    TSQLMemConstraintDefs& defs = manager_.ConstraintDefs;
    TSQLMemConstraintDefPrimary& primary = defs.AddPrimary();
    primary.Name = "PK_T";
    primary.Name3 = "PK";
    primary.Columns = {{"ID", -1}};
    TSQLMemConstraintDefUnique& unique = defs.AddUnique();
    unique.Name = "UQ_Name";
    unique.Name3 = "ByName";
    unique.Columns = {{"NAME", -1}};
    AddNamed(defs.AddNotNull(), "NN_Age", "Age");
    AddNamed(defs.AddCheck(), "CK_Score", "Score").MaxValue.SetAsInteger(10);
    AddNamed(defs.AddCheck(), "CK_Age", "Age").MinValue.SetAsInteger(0);
    TSQLMemConstraintDefForeignKey& foreignKey = defs.AddForeignKey();
    foreignKey.Name = "FK_Ref";
    foreignKey.Columns = {{"Ref", -1}};
    EXPECT_FALSE(manager_.ResolveAll());
    Store({1, 20, 3, 1, "a"});
    Store({2, 30, 4, 1, "b"});
  }
  void TearDown() override {
    manager_.ConstraintDefs.Clear();  // the check bounds are engine blocks
    owned_.reset();
    EngineBlocksTest::TearDown();
  }

  template <class Def>
  Def& AddNamed(Def& def, const char* name, const char* field) {
    def.Name = name;
    def.Name2 = "T";
    def.Name3 = field;
    return def;
  }
  std::vector<Byte> Buffer(const Values& v) {
    std::vector<Byte> buffer = table_.NewBuffer();
    const TSQLMemFieldDefs& fields = table_.TableFieldDefs();
    PutRecordFieldData(fID, fields, v.id ? &*v.id : nullptr, buffer.data());
    PutRecordFieldData(fName, fields, v.name, buffer.data());
    PutRecordFieldData(fAge, fields, v.age ? &*v.age : nullptr, buffer.data());
    PutRecordFieldData(fScore, fields, v.score ? &*v.score : nullptr, buffer.data());
    PutRecordFieldData(fRef, fields, v.ref ? &*v.ref : nullptr, buffer.data());
    return buffer;
  }
  TSQLMemRecordID Store(const Values& v) { return table_.Store(Buffer(v)); }
  void Check(const Values& v, bool insert = true, bool skipForeignKeys = false, TSQLMemRecordID recordId = {}) {
    const std::vector<Byte> buffer = Buffer(v);
    const std::vector<Byte>* old = insert ? nullptr : &table_.Records().Rows().at(recordId.RecordNo);
    manager_.CheckRecord(nullptr, kSession, skipForeignKeys, recordId, insert, old ? old->data() : nullptr, buffer.data());
  }
  TSQLMemConstraintDef& Def(Integer i) { return manager_.ConstraintDefs.GetConstraintDef(i); }

  std::unique_ptr<ManagerTestTable> owned_ = std::make_unique<ManagerTestTable>(std::initializer_list<ManagerTestField>{
      {"ID", sftInteger}, {"Name", sftVarchar, 10}, {"Age", sftInteger}, {"Score", sftInteger}, {"Ref", sftInteger}});
  ManagerTestTable& table_ = *owned_;
  TSQLMemBaseConstraintManager manager_{&table_};
  Integer primaryIndex_ = -1, uniqueIndex_ = -1;
};

TEST_F(ConstraintManagerTest, ResolvingBindsKeysToTheirIndexAndEveryColumnToItsField) {
  const auto& primary = static_cast<const TSQLMemConstraintDefPrimary&>(Def(0));
  const auto& unique = static_cast<const TSQLMemConstraintDefUnique&>(Def(1));
  const TSQLMemFieldDefs& fields = table_.TableFieldDefs();
  EXPECT_EQ(primary.Id3, primaryIndex_);
  EXPECT_EQ(primary.Columns[0].ObjectId, fields.GetFieldDef(fID).ObjectId);
  EXPECT_EQ(unique.Id3, uniqueIndex_);
  EXPECT_EQ(unique.Columns[0].ObjectId, fields.GetFieldDef(fName).ObjectId);  // found whatever its case
  EXPECT_EQ(static_cast<const TSQLMemConstraintDefNotNull&>(Def(2)).Id3, fields.GetFieldDef(fAge).ObjectId);
  EXPECT_EQ(static_cast<const TSQLMemConstraintDefCheck&>(Def(3)).Id3, fields.GetFieldDef(fScore).ObjectId);
  EXPECT_EQ(static_cast<const TSQLMemConstraintDefForeignKey&>(Def(5)).Columns[0].ObjectId,
            fields.GetFieldDef(fRef).ObjectId);
  EXPECT_EQ(manager_.NoConstraints, 0);
}

TEST_F(ConstraintManagerTest, EachKindRaisesItsErrorOnAViolatingRecordAndPassesAValidOne) {
  struct Case {
    const char* what;
    Values values;
    Integer code;  // 0: passes
    const char* message;
  } cases[] = {
      {"valid", {3, 0, 10, 7, "c"}, 0, ""},
      {"NULL score passes the check", {3, 5, std::nullopt, 7, "c"}, 0, ""},
      {"NULL foreign key column is the foreign-key test's to judge", {3, 5, 1, std::nullopt, "c"}, 0, ""},
      {"NULL primary key", {std::nullopt, 5, 1, 1, "c"}, 30330,
       "Constraint 'PK_T' violated. Value in field 'ID' cannot be null"},
      {"duplicate primary key", {2, 5, 1, 1, "c"}, 30319, "Primary Key constraint 'PK_T' violated. Duplicate found."},
      {"duplicate unique key", {3, 5, 1, 1, "b"}, 30320, "Constraint unique 'UQ_Name' violated. Duplicate found."},
      {"NULL not-null field", {3, std::nullopt, 1, 1, "c"}, 30026,
       "Constraint 'NN_Age' violated. Value in field 'Age' cannot be null"},
      {"above the maximum", {3, 5, 11, 1, "c"}, 30030,
       "Constraint 'CK_Score' violated. Value in field 'Score' cannot be greater then '10'"},
      {"below the minimum", {3, -1, 1, 1, "c"}, 30029,
       "Constraint 'CK_Age' violated. Value in field 'Age' cannot be lower then '0'"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    if (c.code == 0)
      EXPECT_NO_THROW(Check(c.values));
    else
      ExpectEngineError([&] { Check(c.values); }, c.code, std::string(c.message) + " - Native error: " + std::to_string(c.code));
  }
}

TEST_F(ConstraintManagerTest, CheckBoundsCompareInTheFieldsOwnType) {
  TSQLMemBaseConstraintManager manager(&table_);
  AddNamed(manager.ConstraintDefs.AddCheck(), "CK_Name", "Name").MaxValue.SetAsString("m");
  // A bound narrower than its field is compared as a value of the field's type.
  AddNamed(manager.ConstraintDefs.AddCheck(), "CK_Score", "Score").MaxValue.SetAsSmallInt(300);
  manager.ResolveAll();
  struct Case {
    const char* name;
    Integer score;
    Integer code;
  } cases[] = {{"alpha", 300, 0}, {"m", -5, 0}, {"zeta", 1, 30030}, {"b", 301, 30030}};
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    const std::vector<Byte> buffer = Buffer({3, 5, c.score, 1, c.name});
    EXPECT_EQ(NativeErrorOf([&] { manager.CheckRecord(nullptr, kSession, false, {}, true, nullptr, buffer.data()); }), c.code);
  }
  manager.ConstraintDefs.Clear();
}

TEST_F(ConstraintManagerTest, NullPrimaryKeyIsRefusedBeforeAnySearchForADuplicate) {
  table_.duplicateTests = 0;
  EXPECT_EQ(NativeErrorOf([&] { Check({std::nullopt, 5, 1, 1, "c"}); }), 30330);
  EXPECT_EQ(table_.duplicateTests, 0);
}

TEST_F(ConstraintManagerTest, ForeignKeysAreAskedOfTheTableUnlessSkipped) {
  table_.foreignKeysHold = false;
  ExpectEngineError([&] { Check({3, 5, 1, 9, "c"}); }, 11420,
                    "Constraint foreign key 'FK_Ref' violated in table 'T' - Native error: 11420");
  EXPECT_EQ(table_.testedForeignKeys, (std::vector<AnsiString>{"FK_Ref"}));
  EXPECT_NO_THROW(Check({3, 5, 1, 9, "c"}, true, true));
  EXPECT_EQ(table_.testedForeignKeys.size(), 1u);
}

TEST_F(ConstraintManagerTest, AnUpdateMayKeepItsOwnKeysButNotTakeAnothersRecord) {
  EXPECT_NO_THROW(Check({1, 21, 2, 1, "a"}, false, false, TSQLMemRecordID{1, 0}));
  EXPECT_EQ(NativeErrorOf([&] { Check({2, 21, 2, 1, "a"}, false, false, TSQLMemRecordID{1, 0}); }), 30319);
  EXPECT_EQ(NativeErrorOf([&] { Check({1, 21, 2, 1, "b"}, false, false, TSQLMemRecordID{1, 0}); }), 30320);
}

TEST_F(ConstraintManagerTest, FieldsThatNoLongerExistRaiseTheirKindsCode) {
  struct Case {
    Integer constraint;
    Integer code;
  } cases[] = {{0, 30329}, {2, 30024}, {3, 30028}};
  for (const Case& c : cases) {
    SCOPED_TRACE(c.code);
    TSQLMemConstraintDef& def = Def(c.constraint);
    if (auto* key = dynamic_cast<TSQLMemConstraintDefUnique*>(&def))
      key->Columns[0].ObjectId = 999;
    else
      static_cast<TSQLMemConstraintDefNotNull&>(def).Id3 = 999;
    ExpectEngineError([&] { Check({3, 5, 1, 1, "c"}); }, c.code,
                      "Field #999 not found - Native error: " + std::to_string(c.code));
    manager_.ResolveAll();
  }
}

TEST_F(ConstraintManagerTest, ResolvingRaisesTheKindsCodeForAMissingIndexOrField) {
  struct Case {
    const char* what;
    std::function<void(TSQLMemConstraintDefs&)> add;
    Integer code;
    const char* message;
  } cases[] = {
      {"primary index", [](TSQLMemConstraintDefs& d) { d.AddPrimary().Name3 = "Nope"; }, 30325, "Index 'Nope' not found"},
      {"unique index", [](TSQLMemConstraintDefs& d) { d.AddUnique().Name3 = "Nope"; }, 30326, "Index 'Nope' not found"},
      {"primary column",
       [](TSQLMemConstraintDefs& d) {
         auto& c = d.AddPrimary();
         c.Name3 = "PK";
         c.Columns = {{"Nope", -1}};
       },
       30331, "Field 'Nope' not found"},
      {"unique column",
       [](TSQLMemConstraintDefs& d) {
         auto& c = d.AddUnique();
         c.Name3 = "ByName";
         c.Columns = {{"Nope", -1}};
       },
       30332, "Field 'Nope' not found"},
      {"foreign key column", [](TSQLMemConstraintDefs& d) { d.AddForeignKey().Columns = {{"Nope", -1}}; }, 11419,
       "Field 'Nope' not found"},
      {"not-null field", [](TSQLMemConstraintDefs& d) { d.AddNotNull().Name3 = "Nope"; }, 30027, "Field 'Nope' not found"},
      {"check field", [](TSQLMemConstraintDefs& d) { d.AddCheck().Name3 = "Nope"; }, 30027, "Field 'Nope' not found"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    TSQLMemBaseConstraintManager manager(&table_);
    c.add(manager.ConstraintDefs);
    ExpectEngineError([&] { manager.ResolveAll(); }, c.code, std::string(c.message) + " - Native error: " + std::to_string(c.code));
  }
  TSQLMemBaseConstraintManager actionOnly(&table_);
  actionOnly.ConstraintDefs.AddForeignKeyAction().Columns = {{"Nope", -1}};
  EXPECT_FALSE(actionOnly.ResolveAll());
}

TEST_F(ConstraintManagerTest, UnnamedConstraintsGetUniqueGeneratedNames) {
  TSQLMemBaseConstraintManager manager(&table_);
  TSQLMemConstraintDefs& defs = manager.ConstraintDefs;
  AddNamed(defs.AddNotNull(), "", "Age");
  AddNamed(defs.AddCheck(), "", "Score");
  defs.AddForeignKey();
  AddNamed(defs.AddNotNull(), "", "Age");  // the same base name as the first
  AddNamed(defs.AddNotNull(), "kept", "Age");
  os::RandSeed(3);
  manager.AssignConstraintNames();
  EXPECT_EQ(defs.GetConstraintDef(0).Name, "$C_NotNull$T$Age");
  EXPECT_EQ(defs.GetConstraintDef(1).Name, "$C_Check$T$Score");
  const AnsiString foreignKey = defs.GetConstraintDef(2).Name;
  EXPECT_EQ(foreignKey.rfind("FOREIGN_KEY_", 0), 0u);
  EXPECT_NE(foreignKey.find('-'), AnsiString::npos);
  const AnsiString second = defs.GetConstraintDef(3).Name;
  EXPECT_EQ(second.rfind("$C_NotNull$T$Age", 0), 0u);
  EXPECT_GT(second.size(), AnsiString("$C_NotNull$T$Age").size());
  EXPECT_EQ(defs.GetConstraintDef(4).Name, "kept");

  TSQLMemBaseConstraintManager keys(&table_);
  keys.ConstraintDefs.AddUnique();
  ExpectEngineError([&] { keys.AssignConstraintNames(); }, 30038, "Not implemented yet - Native error: 30038");
}

TEST_F(ConstraintManagerTest, GeneratedNamesStayWithin255CharactersAlsoWhenTaken) {
  TSQLMemBaseConstraintManager manager(&table_);
  const AnsiString longField(250, 'F');
  AddNamed(manager.ConstraintDefs.AddNotNull(), "", longField.c_str());
  AddNamed(manager.ConstraintDefs.AddNotNull(), "", longField.c_str());
  manager.AssignConstraintNames();
  const AnsiString first = manager.ConstraintDefs.GetConstraintDef(0).Name;
  const AnsiString second = manager.ConstraintDefs.GetConstraintDef(1).Name;
  EXPECT_EQ(first.size(), 255u);
  EXPECT_LE(second.size(), 255u);
  EXPECT_NE(first, second);
}

TEST_F(ConstraintManagerTest, KeyConstraintsComeFromPrimaryAndUniqueIndexesAndGoWithThem) {
  TSQLMemBaseConstraintManager manager(&table_);
  EXPECT_EQ(manager.NoConstraints, 1);
  manager.AddFromIndexDef(table_.Indexes().IndexDefs.GetItem(0));  // "PK", primary
  ASSERT_EQ(manager.ConstraintDefs.GetCount(), 1);
  EXPECT_EQ(manager.NoConstraints, 0);
  const auto& primary = static_cast<const TSQLMemConstraintDefUnique&>(manager.ConstraintDefs.GetConstraintDef(0));
  EXPECT_EQ(primary.Kind, ckPrimary);
  EXPECT_EQ(primary.Id3, primaryIndex_);
  EXPECT_GT(primary.ObjectId, uniqueIndex_);  // a fresh object id of the database
  EXPECT_EQ(primary.Columns[0].ObjectId, table_.TableFieldDefs().GetFieldDef(fID).ObjectId);
  manager.AddFromIndexDef(table_.Indexes().IndexDefs.GetItem(1));  // "ByName", unique
  EXPECT_EQ(manager.ConstraintDefs.GetConstraintDef(1).Kind, ckUnique);

  TSQLMemIndexDef plain;
  plain.Name = "Plain";
  manager.AddFromIndexDef(plain);
  EXPECT_EQ(manager.ConstraintDefs.GetCount(), 2);

  EXPECT_FALSE(manager.RemoveByIndexId(primaryIndex_));
  ASSERT_EQ(manager.ConstraintDefs.GetCount(), 1);
  EXPECT_EQ(manager.ConstraintDefs.GetConstraintDef(0).Kind, ckUnique);
  EXPECT_FALSE(manager.RemoveByIndexId(12345));
  EXPECT_TRUE(manager.RemoveByIndexId(uniqueIndex_));
  EXPECT_EQ(manager.NoConstraints, 1);
}

TEST_F(ConstraintManagerTest, ForeignKeyActionOfTheParentCopiesTheForeignKey) {
  auto& foreignKey = static_cast<TSQLMemConstraintDefForeignKey&>(Def(5));
  foreignKey.ObjectId = 77;
  foreignKey.DeleteAction = 1;
  foreignKey.UpdateAction = 2;
  foreignKey.MatchType = 1;
  TSQLMemBaseConstraintManager parent(&table_);
  TSQLMemConstraintDefForeignKeyAction* action = AddForeignKeyAction(parent, foreignKey, "Child", 42);
  ASSERT_NE(action, nullptr);
  EXPECT_EQ(action->Kind, ckForeignKeyAction);
  EXPECT_EQ(action->Name, "FK_Ref_Action");
  EXPECT_GT(action->ObjectId, 0);
  EXPECT_EQ(action->RelatedTableName, "Child");
  EXPECT_EQ(action->RelatedTableId, 42);
  EXPECT_EQ(action->RelatedConstraintName, "FK_Ref");
  EXPECT_EQ(action->RelatedConstraintId, 77);
  ASSERT_EQ(action->Columns.size(), 1u);
  EXPECT_EQ(action->Columns[0].Name, "Ref");
  EXPECT_EQ(action->Columns[0].ObjectId, foreignKey.Columns[0].ObjectId);
  EXPECT_EQ(action->DeleteAction, 1);
  EXPECT_EQ(action->UpdateAction, 2);
  EXPECT_EQ(action->MatchType, 1);
  EXPECT_TRUE(parent.ConstraintDefs.HasForeignKeyActions);
  EXPECT_EQ(parent.NoConstraints, 0);

  const AnsiString second = AddForeignKeyAction(parent, foreignKey, "Child", 42)->Name;
  EXPECT_EQ(second.rfind("FK_Ref_Action_", 0), 0u);
  EXPECT_EQ(parent.ConstraintDefs.GetCount(), 2);
}

TEST_F(ConstraintManagerTest, LoadingConstraintsClearsTheNoConstraintsFlag) {
  TMemoryStream stream;
  manager_.SaveToStream(stream);
  TSQLMemBaseConstraintManager loaded(&table_);
  stream.SetPosition(0);
  loaded.LoadFromStream(stream);
  EXPECT_EQ(loaded.ConstraintDefs.GetCount(), 6);
  EXPECT_EQ(loaded.NoConstraints, 0);
  EXPECT_EQ(loaded.ConstraintDefs.GetConstraintDef(3).Name, "CK_Score");

  TMemoryStream empty;
  TSQLMemBaseConstraintManager none(&table_);
  none.SaveToStream(empty);
  empty.SetPosition(0);
  TSQLMemBaseConstraintManager loadedNone(&table_);
  loadedNone.LoadFromStream(empty);
  EXPECT_EQ(loadedNone.NoConstraints, 1);
}

}  // namespace
