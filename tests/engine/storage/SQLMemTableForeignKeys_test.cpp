// Foreign keys through the local cursor: the match types' check of child records, every referential
// action on delete and update of a parent, a cascade over two levels, self-referencing tables, adding
// and dropping foreign keys with their counterparts, renaming and deleting related tables.
#include <gtest/gtest.h>

#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "engine/sql/SQLMemExpression.h"
#include "engine/storage/SQLMemDatasetServices.h"
#include "engine/storage/SQLMemLocalEngine.h"
#include "engine/storage/SQLMemTableData.h"
#include "tests/engine/storage/TableTestSupport.h"
#include "vcl/rtl/Stream.h"
#include "vcl/rtl/Variant.h"

namespace {

constexpr char kDatabase[] = "FKTEST";
using Value = std::optional<Integer>;
constexpr Value kNull = std::nullopt;

// Integer fields, a primary index over some of them and foreign keys.
struct Schema {
  Schema& Fields(std::initializer_list<const char*> names, Value defaultValue = kNull) {
    for (const char* name : names) {
      TSQLMemFieldDef& field = fields.AddFieldDef();
      field.Name = name;
      field.SetDataType(sftInteger, 0);
      if (defaultValue) field.DefaultValue.SetAsInteger(*defaultValue);
    }
    return *this;
  }
  Schema& PrimaryKey(const char* name, std::initializer_list<const char*> columns) {
    TSQLMemIndexDef& index = indexes.AddIndexDef();
    index.Name = name;
    index.Primary = index.Unique = 1;
    index.SetColumnCount(static_cast<Integer>(columns.size()));
    Integer i = 0;
    for (const char* column : columns) index.GetColumn(i++).Name = column;
    ConstraintFromIndexDef(index, constraints);
    return *this;
  }
  Schema& ForeignKey(const char* name, std::initializer_list<const char*> columns, const char* parent, Byte match,
                     Byte onDelete, Byte onUpdate) {
    Define(constraints.AddForeignKey(), name, columns, parent, match, onDelete, onUpdate);
    return *this;
  }
  static void Define(TSQLMemConstraintDefForeignKey& key, const char* name, std::initializer_list<const char*> columns,
                     const char* parent, Byte match, Byte onDelete, Byte onUpdate) {
    key.Name = name;
    for (const char* column : columns) key.Columns.push_back({column, -1});
    key.RelatedTableName = parent;
    key.MatchType = match;
    key.DeleteAction = onDelete;
    key.UpdateAction = onUpdate;
  }
  TSQLMemFieldDefs fields;
  TSQLMemIndexDefs indexes;
  TSQLMemConstraintDefs constraints;
};

class ForeignKeyTest : public EngineBlocksTest {
 protected:
  void SetUp() override {
    EngineBlocksTest::SetUp();
    database_ = std::make_unique<TSQLMemMemoryDatabaseData>(kDatabase);
    session.InMemory = 1;
    session.DatabaseName = kDatabase;
    session.SetConnected(true);
  }
  void TearDown() override {
    for (auto& cursor : cursors_) {
      if (cursor->CurrentRecordBuffer != nullptr) cursor->FreeRecordBuffer(cursor->CurrentRecordBuffer);
      cursor.reset();
    }
    session.SetConnected(false);
    database_.reset();
    EngineBlocksTest::TearDown();
  }

  TSQLMemLocalCursor& NewCursor(const AnsiString& tableName) {
    cursors_.push_back(std::make_unique<TSQLMemLocalCursor>());
    TSQLMemLocalCursor& cursor = *cursors_.back();
    cursor.Session = &session;
    cursor.InMemory = 1;
    cursor.Exclusive = 1;
    cursor.TableName = tableName;
    return cursor;
  }
  // Creates the table and answers an open cursor on it with a record buffer, as the dataset has one.
  TSQLMemLocalCursor& Create(const AnsiString& tableName, const Schema& schema) {
    NewCursor(tableName).CreateTable(schema.fields, schema.indexes, schema.constraints);
    return Open(tableName);
  }
  TSQLMemLocalCursor& Open(const AnsiString& tableName) {
    TSQLMemLocalCursor& cursor = NewCursor(tableName);
    cursor.OpenTable(nullptr, nullptr, nullptr);
    cursor.CurrentRecordBuffer = cursor.AllocRecordBuffer();
    return cursor;
  }

  static void Put(TSQLMemLocalCursor& cursor, const std::vector<Value>& values) {
    for (std::size_t i = 0; i < values.size(); ++i) {
      TSQLMemVariant value;
      if (values[i]) value.SetAsInteger(*values[i]);
      cursor.SetFieldValue(nullptr, value, static_cast<Integer>(i), false);
    }
  }
  // Posts a new record; the result code (the message is in the cursor's ErrorText).
  static Integer Insert(TSQLMemLocalCursor& cursor, const std::vector<Value>& values) {
    cursor.InitRecordBuffer(cursor.CurrentRecordBuffer);
    cursor.ClearRecordBuffer(cursor.CurrentRecordBuffer, true);
    Put(cursor, values);
    cursor.PostRecord(true);
    return cursor.ResultCode;
  }
  static std::string Row(TSQLMemLocalCursor& cursor) {
    std::string row;
    for (Integer i = 0; i < cursor.ProjectedFieldDefs().GetCount(); ++i) {
      TSQLMemVariant value;
      cursor.GetFieldValue(value, i, true, false);
      row += (i == 0 ? "" : ",") + (value.IsNull() ? std::string("-") : std::to_string(value.GetAsInteger()));
    }
    return row;
  }
  // Every record the cursor sees, "a,b,c" with "-" for null, in natural order.
  static std::vector<std::string> Rows(TSQLMemLocalCursor& cursor) {
    std::vector<std::string> rows;
    cursor.SetBeginOfData();
    while (cursor.GetRecord(ndNext) == nrFound) rows.push_back(Row(cursor));
    return rows;
  }
  // Makes the record shown as row current, as the dataset does before an edit or delete.
  static void Select(TSQLMemLocalCursor& cursor, const std::string& row) {
    cursor.SetBeginOfData();
    while (cursor.GetRecord(ndNext) == nrFound) {
      if (Row(cursor) != row) continue;
      cursor.SetTrailerPosition(cursor.CurrentRecordBuffer, {cursor.PageNo, static_cast<Word>(cursor.ItemNo)});
      return;
    }
    FAIL() << "no record " << row;
  }
  static Integer Delete(TSQLMemLocalCursor& cursor, const std::string& row) {
    Select(cursor, row);
    cursor.DeleteRecord();
    return cursor.ResultCode;
  }
  static Integer Update(TSQLMemLocalCursor& cursor, const std::string& row, const std::vector<Value>& values) {
    Select(cursor, row);
    Put(cursor, values);
    cursor.PostRecord(false);
    return cursor.ResultCode;
  }
  static std::vector<std::string> ConstraintNames(TSQLMemLocalCursor& cursor) {
    std::vector<std::string> names;
    const TSQLMemConstraintDefs& constraints = cursor.TableData()->ConstraintManager()->ConstraintDefs;
    for (Integer i = 0; i < constraints.GetCount(); ++i) names.push_back(constraints.GetConstraintDef(i).Name);
    return names;
  }

  TSQLMemLocalSession session;

 private:
  std::unique_ptr<TSQLMemMemoryDatabaseData> database_;
  std::vector<std::unique_ptr<TSQLMemLocalCursor>> cursors_;
};

std::string Violation(const char* foreignKey, const char* table, Integer code) {
  return "Constraint foreign key '" + std::string(foreignKey) + "' violated in table '" + table +
         "' - Native error: " + std::to_string(code);
}

// A parent with a two-column key (1,1) and (1,2); children posted under each match type.
TEST_F(ForeignKeyTest, MatchTypesScreenChildRecords) {
  TSQLMemLocalCursor& parent = Create("P", Schema().Fields({"k1", "k2"}).PrimaryKey("PK_P", {"k1", "k2"}));
  ASSERT_EQ(Insert(parent, {1, 1}), 0) << parent.ErrorText;
  ASSERT_EQ(Insert(parent, {1, 2}), 0) << parent.ErrorText;
  struct Case {
    Byte match;
    Value f1, f2;
    bool accepted;
  } const cases[] = {
      // simple: any null exempts the record; complete keys need their parent
      {0, 1, 1, true}, {0, 1, kNull, true}, {0, 9, kNull, true}, {0, kNull, kNull, true}, {0, 9, 9, false},
      {0, 1, 3, false},
      // full: all null or a parent for all columns; a half-null key is refused without a look-up
      {1, 1, 2, true}, {1, kNull, kNull, true}, {1, 1, kNull, false}, {1, kNull, 2, false}, {1, 9, 9, false},
      // partial: the non-null columns must match some parent
      {2, 1, 1, true}, {2, 1, kNull, true}, {2, kNull, 2, true}, {2, kNull, kNull, true}, {2, 9, kNull, false},
      {2, kNull, 3, false}, {2, 1, 3, false},
  };
  Integer n = 0;
  for (const Case& c : cases) {
    const std::string name = "C" + std::to_string(n++);
    TSQLMemLocalCursor& child =
        Create(name, Schema().Fields({"f1", "f2"}).ForeignKey("FK", {"f1", "f2"}, "P", c.match, 4, 4));
    const Integer result = Insert(child, {c.f1, c.f2});
    SCOPED_TRACE("match " + std::to_string(c.match) + " key " + Row(child));
    if (c.accepted) {
      EXPECT_EQ(result, 0) << child.ErrorText;
    } else {
      EXPECT_EQ(result, -8);
      EXPECT_EQ(child.ErrorText, Violation("FK", name.c_str(), 11420));
    }
  }
  TSQLMemLocalCursor& odd = Create("Odd", Schema().Fields({"f1", "f2"}).ForeignKey("FK", {"f1", "f2"}, "P", 3, 4, 4));
  EXPECT_EQ(Insert(odd, {1, 1}), -8);
  EXPECT_EQ(odd.ErrorText,
            "Error checking constraint foreign key 'FK' in table 'Odd' - invalid match type = 3 - Native error: 11421");
}

// Parent P(k1,k2) holds (0,0), (1,1), (1,2); child C(id, f1, f2) with defaults 0 holds 1:(1,1), 2:(1,2),
// 3:(null,null). The parent (1,1) is deleted or its key becomes (5,5), under every action and match type.
TEST_F(ForeignKeyTest, ChildRecordsAreCheckedWhileNoCursorHasTheParentOpen) {
  TSQLMemLocalCursor& parent = Create("P", Schema().Fields({"k"}).PrimaryKey("PK_P", {"k"}));
  ASSERT_EQ(Insert(parent, {1}), 0) << parent.ErrorText;
  TSQLMemLocalCursor& child = Create("C", Schema().Fields({"f"}).ForeignKey("FK", {"f"}, "P", 0, 4, 4));
  parent.FreeRecordBuffer(parent.CurrentRecordBuffer);
  parent.CurrentRecordBuffer = nullptr;
  parent.CloseTable();
  EXPECT_EQ(Insert(child, {1}), 0) << child.ErrorText;
  EXPECT_EQ(Insert(child, {2}), -8);
  EXPECT_EQ(child.ErrorText, Violation("FK", "C", 11420));
}

TEST_F(ForeignKeyTest, EveryActionOnDeleteAndUpdateGivesTheSpecifiedRows) {
  struct Case {
    bool update;
    Byte action;
    const char* error;  // nullptr: the change is made
    std::vector<std::string> children;
  } const cases[] = {
      {false, 0, "Cannot delete record(s) in table 'P%' - constraint foreign key 'FK' in table 'C%' violated - Native error: 11455",
       {"1,1,1", "2,1,2", "3,-,-"}},
      {false, 1, nullptr, {"2,1,2", "3,-,-"}},
      {false, 2, nullptr, {"1,-,-", "2,1,2", "3,-,-"}},
      {false, 3, nullptr, {"1,0,0", "2,1,2", "3,-,-"}},
      {false, 4, nullptr, {"1,1,1", "2,1,2", "3,-,-"}},
      {true, 0, "Cannot update record(s) in table 'P%' - constraint foreign key 'FK' in table 'C%' violated - Native error: 11454",
       {"1,1,1", "2,1,2", "3,-,-"}},
      {true, 1, nullptr, {"1,5,5", "2,1,2", "3,-,-"}},
      {true, 2, nullptr, {"1,-,-", "2,1,2", "3,-,-"}},
      {true, 3, nullptr, {"1,0,0", "2,1,2", "3,-,-"}},
      {true, 4, nullptr, {"1,1,1", "2,1,2", "3,-,-"}},
  };
  Integer n = 0;
  for (Byte match = 0; match <= 2; ++match) {
    for (const Case& c : cases) {
      const std::string suffix = std::to_string(n++);
      const std::string parentName = "P" + suffix, childName = "C" + suffix;
      SCOPED_TRACE((c.update ? "update, action " : "delete, action ") + std::to_string(c.action) + ", match " +
                   std::to_string(match));
      TSQLMemLocalCursor& parent =
          Create(parentName, Schema().Fields({"k1", "k2"}).PrimaryKey("PK", {"k1", "k2"}));
      for (const std::vector<Value>& key : {std::vector<Value>{0, 0}, {1, 1}, {1, 2}})
        ASSERT_EQ(Insert(parent, key), 0) << parent.ErrorText;
      TSQLMemLocalCursor& child = Create(childName, Schema()
                                                        .Fields({"id"})
                                                        .Fields({"f1", "f2"}, 0)
                                                        .PrimaryKey("PK", {"id"})
                                                        .ForeignKey("FK", {"f1", "f2"}, parentName.c_str(), match,
                                                                    c.update ? 4 : c.action, c.update ? c.action : 4));
      ASSERT_EQ(Insert(child, {1, 1, 1}), 0) << child.ErrorText;
      ASSERT_EQ(Insert(child, {2, 1, 2}), 0) << child.ErrorText;
      ASSERT_EQ(Insert(child, {3, kNull, kNull}), 0) << child.ErrorText;

      const Integer result = c.update ? Update(parent, "1,1", {5, 5}) : Delete(parent, "1,1");
      std::vector<std::string> parents{"0,0", "1,1", "1,2"};
      if (c.error != nullptr) {
        EXPECT_EQ(result, c.update ? -2 : -3);
        std::string error = c.error;
        error.replace(error.find('%'), 1, suffix);
        error.replace(error.find('%'), 1, suffix);
        EXPECT_NE(parent.ErrorText.find(error), std::string::npos) << parent.ErrorText;
      } else {
        EXPECT_EQ(result, 0) << parent.ErrorText;
        parents = c.update ? std::vector<std::string>{"0,0", "5,5", "1,2"} : std::vector<std::string>{"0,0", "1,2"};
      }
      EXPECT_EQ(Rows(parent), parents);
      EXPECT_EQ(Rows(child), c.children);
    }
  }
}

TEST_F(ForeignKeyTest, UnchangedKeyRunsNoUpdateActionAndSetDefaultIsChecked) {
  TSQLMemLocalCursor& parent = Create("P", Schema().Fields({"k", "v"}).PrimaryKey("PK", {"k"}));
  ASSERT_EQ(Insert(parent, {1, 10}), 0);
  TSQLMemLocalCursor& child =
      Create("C", Schema().Fields({"id"}).Fields({"k"}, 7).PrimaryKey("PKC", {"id"}).ForeignKey("FK", {"k"}, "P", 0, 3, 0));
  ASSERT_EQ(Insert(child, {1, 1}), 0);
  // The key stays: the refusing update action does not look at the children.
  EXPECT_EQ(Update(parent, "1,10", {1, 11}), 0) << parent.ErrorText;
  // The default 7 has no parent: setting it is refused by the child's own check.
  EXPECT_EQ(Delete(parent, "1,11"), -3);
  EXPECT_NE(parent.ErrorText.find(Violation("FK", "C", 11420)), std::string::npos) << parent.ErrorText;
  EXPECT_EQ(Rows(child), (std::vector<std::string>{"1,1"}));
}

// G(id) <- P(id, g) <- C(id, p): deleting a G record cascades to P and from there to C; a refusing
// second level stops the first.
TEST_F(ForeignKeyTest, CascadeOverTwoLevels) {
  TSQLMemLocalCursor& g = Create("G", Schema().Fields({"id"}).PrimaryKey("PKG", {"id"}));
  TSQLMemLocalCursor& p =
      Create("P", Schema().Fields({"id", "g"}).PrimaryKey("PKP", {"id"}).ForeignKey("FKP", {"g"}, "G", 0, 1, 1));
  TSQLMemLocalCursor& c =
      Create("C", Schema().Fields({"id", "p"}).PrimaryKey("PKC", {"id"}).ForeignKey("FKC", {"p"}, "P", 0, 1, 0));
  for (Integer id : {1, 2}) ASSERT_EQ(Insert(g, {id}), 0);
  for (const std::vector<Value>& row : {std::vector<Value>{10, 1}, {11, 1}, {20, 2}}) ASSERT_EQ(Insert(p, row), 0);
  for (const std::vector<Value>& row : {std::vector<Value>{100, 10}, {101, 11}, {102, 11}, {200, 20}})
    ASSERT_EQ(Insert(c, row), 0) << c.ErrorText;

  ASSERT_EQ(Delete(g, "1"), 0) << g.ErrorText;
  EXPECT_EQ(Rows(g), (std::vector<std::string>{"2"}));
  EXPECT_EQ(Rows(p), (std::vector<std::string>{"20,2"}));
  EXPECT_EQ(Rows(c), (std::vector<std::string>{"200,20"}));

  // The key of G cascades into P.g (P's own key stays, so C is not touched).
  ASSERT_EQ(Update(g, "2", {3}), 0) << g.ErrorText;
  EXPECT_EQ(Rows(p), (std::vector<std::string>{"20,3"}));

  // A refusing action one level down refuses the whole delete.
  TSQLMemLocalCursor& d =
      Create("D", Schema().Fields({"id", "c"}).PrimaryKey("PKD", {"id"}).ForeignKey("FKD", {"c"}, "C", 0, 0, 0));
  ASSERT_EQ(Insert(d, {1, 200}), 0);
  EXPECT_EQ(Delete(g, "3"), -3);
  EXPECT_NE(g.ErrorText.find("Cannot delete record(s) in table 'C' - constraint foreign key 'FKD' in table 'D' violated"),
            std::string::npos)
      << g.ErrorText;
  EXPECT_EQ(Rows(g), (std::vector<std::string>{"3"}));
  EXPECT_EQ(Rows(d), (std::vector<std::string>{"1,200"}));
}

// E(id, boss -> E.id): the deleting cursor is filtered; the children are selected through the table's
// own cursors, so its filter, bitmap and openness stay its own.
TEST_F(ForeignKeyTest, SelfReferenceCascadesWithoutTakingTheCallersCursor) {
  TSQLMemLocalCursor& e =
      Create("E", Schema().Fields({"id", "boss"}).PrimaryKey("PKE", {"id"}).ForeignKey("FKE", {"boss"}, "E", 0, 1, 1));
  for (const std::vector<Value>& row :
       {std::vector<Value>{1, kNull}, {2, 1}, {3, 2}, {4, 1}, {5, kNull}, {6, kNull}, {7, 6}})
    ASSERT_EQ(Insert(e, row), 0) << e.ErrorText;
  EXPECT_EQ(Insert(e, {8, 9}), -8);

  TSQLMemLocalCursor& filtered = Open("E");
  auto onlyOne = std::make_unique<TSQLMemExpression>();
  onlyOne->BuildLocateCondition(&filtered, "id", Variant(1), false, false);
  const TSQLMemExpression* filter = onlyOne.get();
  filtered.SetFilterExpression(std::move(onlyOne));
  ASSERT_EQ(filtered.GetRecordCount(), 1);
  ASSERT_EQ(Delete(filtered, "1,-"), 0) << filtered.ErrorText;
  EXPECT_EQ(filtered.Open, 1);
  EXPECT_EQ(filtered.FilterExpression.get(), filter);
  EXPECT_EQ(filtered.GetRecordCount(), 0);
  EXPECT_EQ(Rows(e), (std::vector<std::string>{"5,-", "6,-", "7,6"}));

  // A key change cascades to the table's own children.
  ASSERT_EQ(Update(e, "6,-", {60, kNull}), 0) << e.ErrorText;
  EXPECT_EQ(Rows(e), (std::vector<std::string>{"5,-", "60,-", "7,60"}));

  // A record that is its own child, and two that are each other's: the delete ends.
  ASSERT_EQ(Update(e, "5,-", {5, 5}), 0) << e.ErrorText;
  ASSERT_EQ(Update(e, "60,-", {60, 7}), 0) << e.ErrorText;
  ASSERT_EQ(Delete(e, "5,5"), 0) << e.ErrorText;
  ASSERT_EQ(Delete(e, "7,60"), 0) << e.ErrorText;
  EXPECT_TRUE(Rows(e).empty());
}

TEST_F(ForeignKeyTest, SelfReferenceSetsChildrenNull) {
  TSQLMemLocalCursor& e =
      Create("E", Schema().Fields({"id", "boss"}).PrimaryKey("PKE", {"id"}).ForeignKey("FKE", {"boss"}, "E", 0, 2, 0));
  for (const std::vector<Value>& row : {std::vector<Value>{1, kNull}, {2, 1}, {3, 1}, {4, 2}})
    ASSERT_EQ(Insert(e, row), 0) << e.ErrorText;
  ASSERT_EQ(Delete(e, "1,-"), 0) << e.ErrorText;
  EXPECT_EQ(Rows(e), (std::vector<std::string>{"2,-", "3,-", "4,2"}));
  EXPECT_EQ(Update(e, "2,-", {20, kNull}), -2);
}

TEST_F(ForeignKeyTest, AddingAForeignKeyChecksItAndTheRecords) {
  TSQLMemLocalCursor& p = Create("P", Schema().Fields({"k", "v"}).PrimaryKey("PK", {"k"}));
  Create("NoKey", Schema().Fields({"k"}));
  ASSERT_EQ(Insert(p, {1, 0}), 0);
  TSQLMemLocalCursor& c = Create("C", Schema().Fields({"id", "k"}).PrimaryKey("PKC", {"id"}));
  ASSERT_EQ(Insert(c, {1, 1}), 0);
  ASSERT_EQ(Insert(c, {2, 2}), 0);
  const auto add = [&c](const char* name, std::initializer_list<const char*> columns, const char* parent) {
    TSQLMemConstraintDefForeignKey key;
    Schema::Define(key, name, columns, parent, 0, 1, 1);
    c.AddForeignKey(key);
  };
  ExpectEngineError([&] { add("PKC", {"k"}, "P"); }, 11588,
                    "Cannot create foreign key 'PKC' in table 'C' - constraint with such name already exists - Native error: 11588");
  ExpectEngineError([&] { add("FK", {"x"}, "P"); }, 11587,
                    "Cannot create foreign key 'FK' - column 'x' does not exist in table 'C' - Native error: 11587");
  ExpectEngineError([&] { add("FK", {"k"}, "NoKey"); }, 11442,
                    "Invalid foreign key 'FK' definition in table 'C' - referenced table 'NoKey' has no primary key - Native error: 11442");
  ExpectEngineError([&] { add("FK", {"k", "id"}, "P"); }, 11443,
                    "Invalid foreign key 'FK' definition in table 'C' - referenced table 'P' has primary key that does not correspond foreign key by number of fields - Native error: 11443");
  ExpectEngineError([&] { add("FK", {"k"}, "P"); }, 11586, Violation("FK", "C", 11586));
  EXPECT_EQ(ConstraintNames(p), (std::vector<std::string>{"PK"}));

  ASSERT_EQ(Insert(p, {2, 0}), 0);
  add("FK", {"k"}, "P");
  EXPECT_EQ(ConstraintNames(c), (std::vector<std::string>{"PKC", "FK"}));
  EXPECT_EQ(ConstraintNames(p), (std::vector<std::string>{"PK", "FK_Action"}));
  EXPECT_EQ(Insert(c, {3, 3}), -8);
  ASSERT_EQ(Update(p, "2,0", {4, 0}), 0) << p.ErrorText;
  EXPECT_EQ(Rows(c), (std::vector<std::string>{"1,1", "2,4"}));

  TSQLMemLocalCursor reader;
  reader.Session = &session;
  reader.InMemory = 1;
  reader.TableName = "C";
  reader.OpenTable(nullptr, nullptr, nullptr);
  TSQLMemConstraintDefForeignKey key;
  Schema::Define(key, "FK2", {"k"}, "P", 0, 4, 4);
  ExpectEngineError([&] { reader.AddForeignKey(key); }, 11583,
                    "Error - table 'C' is not opened in exclusive mode - Native error: 11583");
  ExpectEngineError([&] { reader.DropConstraint("FK", false, false); }, 11486,
                    "Error - table 'C' is not opened in exclusive mode - Native error: 11486");
}

TEST_F(ForeignKeyTest, DroppingTakesTheCounterpartAlong) {
  TSQLMemLocalCursor& p = Create("P", Schema().Fields({"k"}).PrimaryKey("PK", {"k"}));
  TSQLMemLocalCursor& c =
      Create("C", Schema().Fields({"id", "k"}).PrimaryKey("PKC", {"id"}).ForeignKey("FK", {"k"}, "P", 0, 0, 0));
  EXPECT_EQ(ConstraintNames(p), (std::vector<std::string>{"PK", "FK_Action"}));

  ExpectEngineError([&] { c.DropConstraint("Nope", false, false); }, 11482,
                    "Error - constraint 'Nope' does not exist in table 'C' - Native error: 11482");
  // The foreign key takes its action in the parent along, and the other way round.
  c.DropConstraint("FK", false, false);
  EXPECT_EQ(ConstraintNames(c), (std::vector<std::string>{"PKC"}));
  EXPECT_EQ(ConstraintNames(p), (std::vector<std::string>{"PK"}));
  EXPECT_EQ(Insert(c, {1, 9}), 0) << c.ErrorText;
  ASSERT_EQ(Delete(c, "1,9"), 0);

  TSQLMemConstraintDefForeignKey key;
  Schema::Define(key, "FK", {"k"}, "P", 0, 0, 0);
  c.AddForeignKey(key);
  p.DropConstraint("FK_Action", false, false);
  EXPECT_EQ(ConstraintNames(c), (std::vector<std::string>{"PKC"}));
  EXPECT_FALSE(p.TableData()->HasForeignKeys());

  // A referenced primary key goes only with force, and takes the foreign keys with it.
  c.AddForeignKey(key);
  ExpectEngineError([&] { p.DropConstraint("PK", false, false); }, 11483,
                    "Cannot delete constraint primary key 'PK' in table 'P' - foreign key(s) referencing this table exists - Native error: 11483");
  p.DropConstraint("PK", false, true);
  EXPECT_TRUE(ConstraintNames(p).empty());
  EXPECT_EQ(p.TableData()->IndexManager()->IndexDefs.GetCount(), 0);
  EXPECT_EQ(ConstraintNames(c), (std::vector<std::string>{"PKC"}));
}

TEST_F(ForeignKeyTest, RenamingAndDeletingRelatedTables) {
  // Tables are renamed and deleted while no cursor holds them open.
  const auto make = [this](const char* name, const Schema& schema) {
    NewCursor(name).CreateTable(schema.fields, schema.indexes, schema.constraints);
  };
  make("P", Schema().Fields({"k"}).PrimaryKey("PK", {"k"}));
  make("C", Schema().Fields({"id", "k"}).PrimaryKey("PKC", {"id"}).ForeignKey("SQLMemFKTNP_FK", {"k"}, "P", 0, 1, 1));
  make("S", Schema().Fields({"id", "up"}).PrimaryKey("PKS", {"id"}).ForeignKey("FKS", {"up"}, "S", 0, 1, 1));

  NewCursor("P").RenameTable("Q");
  NewCursor("S").RenameTable("T");
  {
    TSQLMemLocalCursor& q = Open("Q");
    TSQLMemLocalCursor& c = Open("C");
    TSQLMemLocalCursor& t = Open("T");
    // The other table's name follows the rename, and the temporary prefix is gone on both sides.
    EXPECT_EQ(ConstraintNames(c), (std::vector<std::string>{"PKC", "FK"}));
    EXPECT_EQ(ConstraintNames(q), (std::vector<std::string>{"PK", "FK_Action"}));
    const auto& key = static_cast<const TSQLMemConstraintDefForeignKey&>(
        c.TableData()->ConstraintManager()->ConstraintDefs.GetConstraintDef(1));
    EXPECT_EQ(key.RelatedTableName, "Q");
    EXPECT_EQ(key.RelatedConstraintName, "FK_Action");
    const auto& action = static_cast<const TSQLMemConstraintDefForeignKeyAction&>(
        q.TableData()->ConstraintManager()->ConstraintDefs.GetConstraintDef(1));
    EXPECT_EQ(action.RelatedTableName, "C");
    EXPECT_EQ(action.RelatedConstraintName, "FK");
    for (Integer i : {1, 2}) {
      const auto& self = static_cast<const TSQLMemConstraintDefForeignKeyAction&>(
          t.TableData()->ConstraintManager()->ConstraintDefs.GetConstraintDef(i));
      EXPECT_EQ(self.RelatedTableName, "T");
    }
    // The renamed parent still serves its children.
    ASSERT_EQ(Insert(q, {1}), 0);
    EXPECT_EQ(Insert(c, {1, 2}), -8);
    ASSERT_EQ(Insert(c, {1, 1}), 0) << c.ErrorText;
    ASSERT_EQ(Update(q, "1", {3}), 0) << q.ErrorText;
    EXPECT_EQ(Rows(c), (std::vector<std::string>{"1,3"}));
    for (TSQLMemLocalCursor* cursor : {&q, &c, &t}) cursor->CloseTable();
  }

  // The key's field keeps its name, and a parent with a delete action on its children is not emptied.
  ExpectEngineError([&] { NewCursor("C").RenameField("k", "kk"); }, 11488,
                    "Cannot rename field 'k' in table 'C' - foreign key 'FK' includes this field - Native error: 11488");
  ExpectEngineError([&] { NewCursor("Q").EmptyTable(); }, 11494,
                    "Cannot empty table 'Q' - foreign key(s) with delete action referencing this table exists - Native "
                    "error: 11494");

  // A foreign key named only by the prefix cannot lose it.
  make("X", Schema().Fields({"k"}).ForeignKey("SQLMemFKTNP_", {"k"}, "Q", 0, 4, 4));
  ExpectEngineError([&] { NewCursor("X").RenameTable("Y"); }, 11585,
                    "Invalid foreign key tempoaray name = SQLMemFKTNP_ - Native error: 11585");

  // A table tied by foreign keys is deleted only with them; its counterparts go along.
  ExpectEngineError([&] { NewCursor("C").DeleteTable(false); }, 11481,
                    "Cannot delete table 'C' - foreign key constraint(s) violated - Native error: 11481");
  NewCursor("C").DeleteTable(true);
  TSQLMemLocalCursor& q = Open("Q");
  EXPECT_EQ(ConstraintNames(q).front(), "PK");
  EXPECT_EQ(ConstraintNames(q).size(), 2u);  // X's action stays
  NewCursor("T").DeleteTable(true);
}

// Both sides of a foreign key travel in their tables' streams: saved, deleted and loaded again, the
// tables check and act as before.
TEST_F(ForeignKeyTest, ForeignKeysSurviveTheTableStream) {
  {
    TSQLMemLocalCursor& p = Create("P", Schema().Fields({"k"}).PrimaryKey("PK", {"k"}));
    TSQLMemLocalCursor& c =
        Create("C", Schema().Fields({"id", "k"}).PrimaryKey("PKC", {"id"}).ForeignKey("FK", {"k"}, "P", 1, 1, 2));
    for (Integer k : {1, 2}) ASSERT_EQ(Insert(p, {k}), 0);
    for (Integer k : {1, 2}) ASSERT_EQ(Insert(c, {k, k}), 0);
    p.CloseTable();
    c.CloseTable();
  }
  TMemoryStream parentFile, childFile;
  NewCursor("P").SaveTableToStream(parentFile, 1, 9, 2097152, false, false);
  NewCursor("C").SaveTableToStream(childFile, 0, 1, 2097152, false, false);
  NewCursor("C").DeleteTable(true);
  NewCursor("P").DeleteTable(true);
  for (TMemoryStream* file : {&parentFile, &childFile}) {
    file->SetPosition(0);
    NewCursor("").LoadTableFromStream(*file);
  }

  TSQLMemLocalCursor& p = Open("P");
  TSQLMemLocalCursor& c = Open("C");
  EXPECT_EQ(ConstraintNames(p), (std::vector<std::string>{"PK", "FK_Action"}));
  EXPECT_EQ(ConstraintNames(c), (std::vector<std::string>{"PKC", "FK"}));
  const auto& key =
      static_cast<const TSQLMemConstraintDefForeignKey&>(c.TableData()->ConstraintManager()->ConstraintDefs.GetConstraintDef(1));
  EXPECT_EQ(key.RelatedTableName, "P");
  EXPECT_EQ(key.RelatedConstraintName, "FK_Action");
  EXPECT_EQ(key.MatchType, 1);
  EXPECT_EQ(Insert(c, {3, 9}), -8);
  EXPECT_EQ(c.ErrorText, Violation("FK", "C", 11420));
  ASSERT_EQ(Delete(p, "1"), 0) << p.ErrorText;
  EXPECT_EQ(Rows(c), (std::vector<std::string>{"2,2"}));
  ASSERT_EQ(Update(p, "2", {5}), 0) << p.ErrorText;
  EXPECT_EQ(Rows(c), (std::vector<std::string>{"2,-"}));
}

}  // namespace
