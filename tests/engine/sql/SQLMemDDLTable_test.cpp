// CREATE, DROP, ALTER and RENAME TABLE carried out: what they leave in the database, that ALTER keeps
// the rows it restructures, how failures are reported, and that a table made by SQL is saved and
// loaded back by the table component. Where the semantics are SQL's, the expected results are what
// SQLite gives for the same statements.
#include "engine/sql/SQLMemDDLTable.h"

#include <gtest/gtest.h>

#include <string>

#include "tests/engine/sql/DDLTestSupport.h"
#include "vcl/rtl/Stream.h"

namespace {

class DDLTableTest : public DDLTest {
 protected:
  // t: a key, a text, two rows.
  void MakeTwoRowTable() {
    Run("CREATE TABLE t (a INTEGER PRIMARY KEY, b VARCHAR(10))");
    Insert("t", {{"1", "x"}, {"2", "y"}});
  }
  // A parent p with the named primary key pk and a child c whose foreign key fk refers to it.
  void MakeParentAndChild() {
    Run("CREATE TABLE p (id INTEGER, PRIMARY KEY pk (id))");
    Run("CREATE TABLE c (n INTEGER, pid INTEGER, FOREIGN KEY fk (pid) REFERENCES p ON DELETE CASCADE)");
    Insert("p", {{"1"}, {"2"}});
    Insert("c", {{"10", "1"}, {"20", "2"}});
  }
};

// Runs sql expecting code, with the message containing part.
void ExpectErrorContaining(const std::function<void()>& action, Integer code, const std::string& part) {
  try {
    action();
    ADD_FAILURE() << "no error, expected " << code;
  } catch (const ESQLMemException& e) {
    EXPECT_EQ(e.NativeError(), code) << e.Message();
    EXPECT_NE(e.Message().find(part), std::string::npos) << e.Message() << " lacks " << part;
  }
}

TEST_F(DDLTableTest, CreateTableMakesTheTableOnce) {
  Run("create table T1 (a integer, b varchar(5))");
  EXPECT_TRUE(TableExists("T1"));
  EXPECT_EQ(Columns("T1"), (SchemaLines{"a INTEGER 0", "b STRING 5"}));
  // An existing table, also the diary's own, is never replaced.
  ExpectSQLError([&] { Run("CREATE TABLE t1 (c INTEGER)"); }, 30247, "Cannot create table. Table 't1' already exists");
  AddDays({{"2024.01.01", "Title", "Text"}});
  ExpectSQLError([&] { Run("CREATE TABLE fans (c INTEGER)"); }, 30247, "Table 'fans' already exists");
  EXPECT_EQ(TableRows("fans").size(), 1u);
  EXPECT_EQ(Columns("T1"), (SchemaLines{"a INTEGER 0", "b STRING 5"}));
}

TEST_F(DDLTableTest, CreateTableFailuresAreReportedAsCreationErrors) {
  const struct {
    const char* sql;
    const char* part;
  } cases[] = {
      {"CREATE TABLE t (a INTEGER, A VARCHAR(3))", "Duplicate name 'A'"},
      {"CREATE TABLE t (a INTEGER, FOREIGN KEY (a) REFERENCES nowhere)", "nowhere"},
      {"CREATE TABLE t (a INTEGER, PRIMARY KEY (b))", "'b'"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.sql);
    ExpectErrorContaining([&] { Run(c.sql); }, 30248, "Error creating table: '");
    ExpectErrorContaining([&] { Run(c.sql); }, 30248, c.part);
    EXPECT_FALSE(TableExists("t"));
  }
}

TEST_F(DDLTableTest, DropTableRemovesTheTableAndIgnoresAMissingOne) {
  MakeTwoRowTable();
  Run("DROP TABLE t RESTRICT");
  EXPECT_FALSE(TableExists("t"));
  EXPECT_NO_THROW(Run("DROP TABLE t"));
  EXPECT_NO_THROW(Run("DROP TABLE MEMORY nowhere"));
  // A table another dataset has open stays.
  dataSet->Open();
  ExpectErrorContaining([&] { Run("DROP TABLE fans"); }, 30250, "Error dropping table: '");
  dataSet->Close();
  EXPECT_TRUE(TableExists("fans"));
}

TEST_F(DDLTableTest, DropTableWithCascadeTakesTheForeignKeysAlong) {
  MakeParentAndChild();
  // Without CASCADE the tables of a foreign key stay, on either side.
  ExpectErrorContaining([&] { Run("DROP TABLE p"); }, 30250, "foreign key");
  ExpectErrorContaining([&] { Run("DROP TABLE c"); }, 30250, "foreign key");
  Run("DROP TABLE p CASCADE");
  EXPECT_FALSE(TableExists("p"));
  EXPECT_TRUE(ForeignKeys("c").empty());
  EXPECT_EQ(TableRows("c"), (SQLRows{"10|1", "20|2"}));
  Run("DROP TABLE c");
  EXPECT_FALSE(TableExists("c"));
}

TEST_F(DDLTableTest, AddColumnsKeepsTheRows) {
  MakeTwoRowTable();
  // Every spelling of the list; the new columns come last. The existing rows take a column's default,
  // as in SQLite.
  Run("ALTER TABLE t ADD (c INTEGER DEFAULT 7, d VARCHAR(5))");
  Run("ALTER TABLE t ADD COLUMN (e INTEGER)");
  Run("ALTER TABLE t ADD (COLUMN f INTEGER)");
  EXPECT_EQ(Columns("t"), (SchemaLines{"a INTEGER 0", "b STRING 10", "c INTEGER 0 DEFAULT 7", "d STRING 5",
                                       "e INTEGER 0", "f INTEGER 0"}));
  EXPECT_EQ(TableRows("t"), (SQLRows{"1|x|7|||", "2|y|7|||"}));
  EXPECT_EQ(Indexes("t"), (SchemaLines{"C_PK$a*|a|||PU"}));
}

TEST_F(DDLTableTest, AddUniqueColumnMakesItsIndex) {
  Run("CREATE TABLE u (a INTEGER)");
  Run("ALTER TABLE u ADD (b VARCHAR(3) UNIQUE)");
  EXPECT_EQ(Indexes("u"), (SchemaLines{"C_Unique$b*|b|||U"}));
  Insert("u", {{"1", "x"}});
  EXPECT_THROW(Insert("u", {{"2", "x"}}), Exception);
  // Rows that exist would all get the same null in the new column, which the index refuses (SQLite
  // refuses a UNIQUE column in ALTER TABLE ADD altogether).
  Insert("u", {{"3", "y"}});
  ExpectErrorContaining([&] { Run("ALTER TABLE u ADD (c INTEGER UNIQUE)"); }, 30265, "Restructure table error");
  ExpectErrorContaining([&] { Run("ALTER TABLE u ADD (c INTEGER UNIQUE)"); }, 30265, "Duplicate found");
  EXPECT_EQ(TableRows("u"), (SQLRows{"1|x", "3|y"}));
}

TEST_F(DDLTableTest, DropColumnsKeepsTheOtherColumnsRows) {
  Run("CREATE TABLE t (a INTEGER PRIMARY KEY, b VARCHAR(10), c INTEGER, d INTEGER, e INTEGER)");
  Insert("t", {{"1", "x", "3", "4", "5"}, {"2", "y", "6", "7", "8"}});
  Run("ALTER TABLE t DROP COLUMN c");
  Run("ALTER TABLE t DROP (d)");
  Run("ALTER TABLE t DROP COLUMN (e)");
  EXPECT_EQ(Columns("t"), (SchemaLines{"a INTEGER 0", "b STRING 10"}));
  EXPECT_EQ(TableRows("t"), (SQLRows{"1|x", "2|y"}));
  Run("CREATE TABLE u (a INTEGER, b INTEGER, c INTEGER)");
  Insert("u", {{"1", "2", "3"}});
  Run("ALTER TABLE u DROP b, c");
  EXPECT_EQ(TableRows("u"), (SQLRows{"1"}));
  ExpectErrorContaining([&] { Run("ALTER TABLE u DROP (nothere)"); }, 30265, "Field 'nothere' not found");
}

TEST_F(DDLTableTest, AlterColumnsChangeTheirAttributesAndKeepTheRows) {
  MakeTwoRowTable();
  Run("ALTER TABLE t ALTER COLUMN (b VARCHAR(20) NOT NULL DEFAULT 'n')");
  Run("ALTER TABLE t MODIFY (a LARGEINT)");
  EXPECT_EQ(Columns("t"), (SchemaLines{"a SIGNEDINT64 0", "b STRING 20 NOT NULL DEFAULT n"}));
  EXPECT_EQ(TableRows("t"), (SQLRows{"1|x", "2|y"}));
  ExpectErrorContaining([&] { Run("ALTER TABLE t ALTER (z INTEGER)"); }, 30265, "Field 'z' not found");
  ExpectErrorContaining([&] { Run("ALTER TABLE t ADD (b INTEGER)"); }, 30265, "Field by name 'b' already exists");
  EXPECT_EQ(TableRows("t"), (SQLRows{"1|x", "2|y"}));
}

TEST_F(DDLTableTest, RenamesKeepTheRows) {
  MakeTwoRowTable();
  Run("ALTER TABLE t ADD (c INTEGER)");
  Run("ALTER TABLE t RENAME COLUMN b TO bb");
  Run("ALTER TABLE t RENAME c TO cc");
  EXPECT_EQ(Columns("t"), (SchemaLines{"a INTEGER 0", "bb STRING 10", "cc INTEGER 0"}));
  // The engine keeps the columns of an index from being renamed.
  ExpectErrorContaining([&] { Run("ALTER TABLE t RENAME a TO aa"); }, 30265, "includes this field");
  Run("ALTER TABLE t RENAME TO t2");
  Run("RENAME TABLE t2 TO t3");
  Run("RENAME t3 TO t4");
  EXPECT_FALSE(TableExists("t"));
  EXPECT_FALSE(TableExists("t3"));
  EXPECT_EQ(TableRows("t4"), (SQLRows{"1|x|", "2|y|"}));
  Run("CREATE TABLE t5 (a INTEGER)");
  ExpectErrorContaining([&] { Run("RENAME t4 TO t5"); }, 30265, "already exists");
  ExpectErrorContaining([&] { Run("ALTER TABLE t4 RENAME cc TO bb"); }, 30265, "already exists");
}

TEST_F(DDLTableTest, KeysAreAddedAndDroppedByAlter) {
  Run("CREATE TABLE p (id INTEGER, x INTEGER)");
  Insert("p", {{"1", "5"}, {"2", "6"}});
  Run("ALTER TABLE p ADD PRIMARY KEY pk (id)");
  EXPECT_EQ(Indexes("p"), (SchemaLines{"pk|id|||PU"}));
  EXPECT_EQ(TableRows("p"), (SQLRows{"1|5", "2|6"}));
  Run("CREATE TABLE c (n INTEGER, pid INTEGER)");
  Insert("c", {{"10", "1"}});
  Run("ALTER TABLE c ADD (FOREIGN KEY fk (pid) REFERENCES p MATCH FULL ON DELETE CASCADE)");
  EXPECT_EQ(ForeignKeys("c"), (SchemaLines{"fk|pid|p|1|1|0"}));
  // The key holds: a child without a parent is refused.
  EXPECT_THROW(Insert("c", {{"30", "3"}}), Exception);
  Run("ALTER TABLE c DROP CONSTRAINT fk");
  EXPECT_TRUE(ForeignKeys("c").empty());
  EXPECT_NO_THROW(Insert("c", {{"30", "3"}}));
  // A primary key made without a name gets the generated one.
  Run("CREATE TABLE q (id INTEGER, x INTEGER)");
  Run("ALTER TABLE q ADD (PRIMARY KEY (id, x))");
  EXPECT_EQ(Indexes("q"), (SchemaLines{"C_PK$id$x*|id;x|||PU"}));
}

TEST_F(DDLTableTest, DroppingAReferencedKeyNeedsCascade) {
  MakeParentAndChild();
  ExpectErrorContaining([&] { Run("ALTER TABLE p DROP CONSTRAINT pk"); }, 30265, "Error altering teble: '");
  ExpectErrorContaining([&] { Run("ALTER TABLE p DROP CONSTRAINT pk RESTRICT"); }, 30265, "pk");
  EXPECT_EQ(Indexes("p"), (SchemaLines{"pk|id|||PU"}));
  Run("ALTER TABLE p DROP (CONSTRAINT pk CASCADE)");
  EXPECT_TRUE(Indexes("p").empty());
  EXPECT_TRUE(ForeignKeys("c").empty());
  EXPECT_EQ(TableRows("p"), (SQLRows{"1", "2"}));
  EXPECT_EQ(TableRows("c"), (SQLRows{"10|1", "20|2"}));
}

TEST_F(DDLTableTest, AlterFailuresLeaveTheTableAsItWas) {
  ExpectErrorContaining([&] { Run("ALTER TABLE nowhere ADD (a INTEGER)"); }, 30265, "Error altering teble: '");
  EXPECT_FALSE(TableExists("nowhere"));
  MakeTwoRowTable();
  // A rebuild that fails is reported with its log.
  const auto savedHook = TSQLMemTable::RestructureStepHook;
  TSQLMemTable::RestructureStepHook = [](TSQLMemRestructureStep step) {
    if (step == TSQLMemRestructureStep::CopyRecords) throw Exception("copy refused");
  };
  ExpectErrorContaining([&] { Run("ALTER TABLE t ADD (c INTEGER)"); }, 30265, "Restructure table error: '");
  ExpectErrorContaining([&] { Run("ALTER TABLE t ADD (c INTEGER)"); }, 30265, "copy refused");
  TSQLMemTable::RestructureStepHook = savedHook;
  // A NOT NULL column without a default cannot be added to rows that exist, as in SQLite.
  ExpectErrorContaining([&] { Run("ALTER TABLE t ADD (c INTEGER NOT NULL)"); }, 30265, "Restructure table error");
  EXPECT_EQ(Columns("t"), (SchemaLines{"a INTEGER 0", "b STRING 10"}));
  EXPECT_EQ(TableRows("t"), (SQLRows{"1|x", "2|y"}));
  // A table another dataset has open is not altered.
  dataSet->Open();
  ExpectErrorContaining([&] { Run("ALTER TABLE fans ADD (c INTEGER)"); }, 30265, "Error altering teble: '");
  dataSet->Close();
}

TEST_F(DDLTableTest, ATableMadeBySQLIsSavedAndLoadedBack) {
  Run("CREATE TABLE s (id AUTOINC, day DATE, title VARCHAR(25) NOT NULL DEFAULT 'none', body MEMO, "
      "amount DOUBLE, PRIMARY KEY (id))");
  Run("CREATE UNIQUE INDEX byTitle ON s (title DESC)");
  Insert("s", {{nullptr, nullptr, "first", "text one", "1.5"}, {nullptr, nullptr, "second", nullptr, "2"}});
  const SchemaLines columns = Columns("s");
  const SchemaLines indexes = Indexes("s");
  const SQLRows rows = TableRows("s");
  TMemoryStream stream;
  {
    TSQLMemTable table(nullptr);
    table.SetDatabaseName(kDataSetTestDatabase);
    table.SetTableName("s");
    table.SaveToStream(stream, 0, 0, 0);
  }
  Run("DROP TABLE s");
  EXPECT_FALSE(TableExists("s"));
  stream.SetPosition(0);
  {
    TSQLMemTable table(nullptr);
    table.SetDatabaseName(kDataSetTestDatabase);
    table.LoadFromStream(stream);
    EXPECT_EQ(table.TableName(), "s");
  }
  EXPECT_EQ(Columns("s"), columns);
  EXPECT_EQ(Indexes("s"), indexes);
  EXPECT_EQ(TableRows("s"), rows);
  EXPECT_EQ(rows.size(), 2u);
}

}  // namespace
