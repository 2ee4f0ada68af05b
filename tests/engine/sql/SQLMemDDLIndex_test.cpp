// CREATE INDEX and DROP INDEX carried out: the index they make or remove, the quiet IF [NOT] EXISTS
// forms, errors of the table component passing unchanged, and the diary's own table in "MEMORY".
#include "engine/sql/SQLMemDDLIndex.h"

#include <gtest/gtest.h>

#include "engine/dataset/SQLMemQuery.h"
#include "tests/engine/sql/DDLTestSupport.h"

namespace {

class DDLIndexTest : public DDLTest {};

TEST_F(DDLIndexTest, CreateIndexJoinsItsColumnsWithSemicolons) {
  Run("CREATE TABLE t (a INTEGER, b VARCHAR(10), c INTEGER)");
  Run("CREATE INDEX ab ON t (a DESC, b NOCASE, PASSWORD 'secret')");
  Run("create unique index if not exists bc on t (b, c desc)");
  Run("CREATE INDEX allDown ON t (c DESC)");
  EXPECT_EQ(Indexes("t"), (SchemaLines{"ab|a;b|a|b|", "bc|b;c|c||U", "allDown|c|||D"}));
  // The unique index holds.
  Insert("t", {{"1", "x", "2"}});
  EXPECT_THROW(Insert("t", {{"3", "x", "2"}}), Exception);
}

TEST_F(DDLIndexTest, IfNotExistsAndIfExistsEndQuietly) {
  Run("CREATE TABLE t (a INTEGER, b INTEGER)");
  Run("CREATE INDEX i ON t (a)");
  // The index there already is kept as it is, even when the statement names other columns.
  Run("CREATE UNIQUE INDEX IF NOT EXISTS i ON t (b)");
  EXPECT_EQ(Indexes("t"), (SchemaLines{"i|a|||"}));
  ExpectSQLError([&] { Run("CREATE INDEX i ON t (b)"); }, 20022, "Cannot create index 'i'. Index already exists");
  Run("DROP INDEX t.i");
  EXPECT_TRUE(Indexes("t").empty());
  EXPECT_NO_THROW(Run("DROP INDEX IF EXISTS t.i PASSWORD 'secret'"));
  ExpectSQLError([&] { Run("DROP INDEX t.i"); }, 20021, "Cannot delete index 'i'. Index not found");
}

TEST_F(DDLIndexTest, TheTableComponentsErrorsPassUnchanged) {
  Run("CREATE TABLE t (a INTEGER)");
  const struct {
    const char* sql;
    Integer code;
  } cases[] = {
      {"CREATE INDEX i ON t (nothere)", 20050},
      {"CREATE INDEX i ON t (PASSWORD 'x')", 20047},
      {"DROP INDEX t.i", 20021},
      // Opening a table that is not there finds no columns to make it from.
      {"CREATE INDEX i ON nowhere (a)", 10131},
      {"DROP INDEX nowhere.i", 10131},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.sql);
    ExpectSQLError([&] { Run(c.sql); }, c.code, "");
  }
  EXPECT_TRUE(Indexes("t").empty());
  // The failed open of a table that is not there leaves none behind.
  EXPECT_FALSE(TableExists("nowhere"));
}

// The diary's query runs in the in-memory database "MEMORY", where its table "fans" lives.
class DiaryMemoryIndexTest : public DDLTest {
 protected:
  TSQLMemSQLContext Context() const {
    TSQLMemSQLContext context;
    context.DatabaseName = "MEMORY";
    context.InMemory = true;
    return context;
  }
  void RunInMemory(const char* sql) {
    processor_ = std::make_unique<TSQLMemLocalSQLProcessor>(Context());
    processor_->SetSQLText(sql);
    processor_->Prepare();
  }
  void TearDown() override {
    try {
      RunInMemory("DROP TABLE fans");
    } catch (...) {
    }
    DDLTest::TearDown();
  }
  SchemaLines MemoryIndexes() {
    SchemaLines lines;
    TSQLMemTable table(nullptr);
    table.SetDatabaseName("MEMORY");
    table.SetTableName("fans");
    table.Open();
    for (int i = 0; i < table.IndexDefs().Count(); ++i) lines.push_back(table.IndexDefs().Items(i)->Name());
    table.Close();
    return lines;
  }
};

TEST_F(DiaryMemoryIndexTest, CreateIndexWithoutMemoryFindsTheDiarysTable) {
  RunInMemory("CREATE TABLE fans (RecID AUTOINC, ShortDateDay VARCHAR(10), Title VARCHAR(25), Text MEMO, "
              "PRIMARY KEY ByShortDate (ShortDateDay))");
  RunInMemory("CREATE INDEX i ON fans (Title)");
  EXPECT_EQ(MemoryIndexes(), (SchemaLines{"ByShortDate", "i"}));
  RunInMemory("DROP INDEX fans.i");
  RunInMemory("CREATE INDEX j ON MEMORY fans (Title DESC)");
  RunInMemory("DROP INDEX MEMORY fans.j");
  EXPECT_EQ(MemoryIndexes(), SchemaLines{"ByShortDate"});
  // The diary's way: a query component in its default database.
  TSQLMemQuery query(nullptr);
  query.SQL().SetText("CREATE INDEX byTitle ON fans (Title)");
  query.ExecuteSQL();
  EXPECT_EQ(MemoryIndexes(), (SchemaLines{"ByShortDate", "byTitle"}));
  // The diary keeps its table open all the while.
  TSQLMemTable diary(nullptr);
  diary.SetDatabaseName("MEMORY");
  diary.SetTableName("fans");
  diary.Open();
  RunInMemory("DROP INDEX fans.byTitle");
  diary.Close();
  EXPECT_EQ(MemoryIndexes(), SchemaLines{"ByShortDate"});
}

}  // namespace
