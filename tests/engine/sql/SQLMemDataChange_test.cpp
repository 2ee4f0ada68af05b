// INSERT, UPDATE, DELETE and the transaction statements through the SQL processor: after each
// statement of a table of cases the whole table and the rows affected, once in bulk and once row by row
// (the database component then has record handlers), and the statements that must change nothing.
#include <algorithm>

#include "engine/dataset/SQLMemDatabaseComponent.h"
#include "engine/dataset/SQLMemQuery.h"
#include "engine/storage/SQLMemDatabaseData.h"
#include "tests/engine/sql/SQLTestSupport.h"

namespace {

const std::vector<IntRow> kRows = {{1, 10}, {2, 20}, {3, 30}};

class DataChangeTest : public SQLStatementTest {
 protected:
  void SetUp() override {
    SQLStatementTest::SetUp();
    CreateTable("t", {"id", "x"}, kRows);
    CreateTable("u", {"id", "x"}, {{7, 70}});
  }

  void TearDown() override {
    processor_.reset();
    owner_.reset();
    SQLStatementTest::TearDown();
  }

  // A database component for the fixture's database whose record handlers count what they see: the
  // statements then change rows one by one.
  void AddHandlers() {
    owner_ = std::make_unique<TComponent>(nullptr);
    auto* database = New<TSQLMemDatabase>(owner_.get());
    database->SetDatabaseName(kDataSetTestDatabase);
    database->BeforeUpdateRecord = [this](TSQLMemDataSet*, const AnsiString&, const TSQLMemArrayOfTSQLMemVariant&,
                                          const TSQLMemArrayOfTSQLMemVariant&, bool&) { ++updates; };
    database->BeforeDeleteRecord = [this](TSQLMemDataSet*, const AnsiString&, const TSQLMemArrayOfTSQLMemVariant&,
                                          bool&) { ++deletes; };
  }

  // Runs a statement; its rows affected.
  Int64 Change(const char* sql) {
    TSQLMemLocalSQLProcessor& processor = Processor(sql);
    processor.Prepare();
    return processor.RowsTotal;
  }

  SQLRows SortedRows(const char* table) {
    SQLRows rows = TableRows(table);
    std::sort(rows.begin(), rows.end());
    return rows;
  }

  int updates = 0;
  int deletes = 0;
  std::unique_ptr<TComponent> owner_;
};

struct ChangeCase {
  const char* sql;
  Int64 rowsAffected;
  SQLRows rows;  // the whole of t afterwards, sorted
};

const ChangeCase kCases[] = {
    {"insert into t (id, x) values (4, 40)", 1, {"1|10", "2|20", "3|30", "4|40"}},
    {"insert into t values (4, 40)", 1, {"1|10", "2|20", "3|30", "4|40"}},
    {"insert into t (x, id) values (40, 4)", 1, {"1|10", "2|20", "3|30", "4|40"}},
    {"insert into t (x) values (5 * 8)", 1, {"1|10", "2|20", "3|30", "|40"}},
    {"insert into t", 1, {"1|10", "2|20", "3|30", "|"}},
    {"insert into t select * from u", 1, {"1|10", "2|20", "3|30", "7|70"}},
    {"insert into t select id + 10 as id, x from t where x > 10", 2,
     {"1|10", "12|20", "13|30", "2|20", "3|30"}},
    {"insert into t select * from u where x < 0", 0, {"1|10", "2|20", "3|30"}},
    // Result columns go into the target's columns by position, whatever their names.
    {"insert into t select x, id from u", 1, {"1|10", "2|20", "3|30", "70|7"}},
    {"insert into t select id + 20, x * 2 from u", 1, {"1|10", "2|20", "3|30", "27|140"}},
    {"insert into t (x, id) select id, x + 1 from u", 1, {"1|10", "2|20", "3|30", "71|7"}},
    {"insert into t (x) select max(x) from u", 1, {"1|10", "2|20", "3|30", "|70"}},
    {"insert into t select id + 30 from t where id < 3", 2, {"1|10", "2|20", "3|30", "31|", "32|"}},
    {"update t set x = 0", 3, {"1|0", "2|0", "3|0"}},
    {"update t set x = x + 1 where id >= 2", 2, {"1|10", "2|21", "3|31"}},
    // A changed row leaves the rows the WHERE selects; the walk still visits each matching row once.
    {"update t set x = x + 1 where x = 10", 1, {"1|11", "2|20", "3|30"}},
    {"update t set x = x + 10 where x < 30", 2, {"1|20", "2|30", "3|30"}},
    // Every value is taken from the row before any is written.
    {"update t set id = x, x = id where id = 1", 1, {"10|1", "2|20", "3|30"}},
    {"update t set x = 5 where id = 9", 0, {"1|10", "2|20", "3|30"}},
    {"delete from t where id = 2", 1, {"1|10", "3|30"}},
    {"delete from t where x > 100", 0, {"1|10", "2|20", "3|30"}},
    {"delete from t", 3, {}},
    {"start transaction", 0, {"1|10", "2|20", "3|30"}},
    {"commit", 0, {"1|10", "2|20", "3|30"}},
    {"commit noflush", 0, {"1|10", "2|20", "3|30"}},
    {"rollback work", 0, {"1|10", "2|20", "3|30"}},
    // Two statements: the rows affected add up.
    {"delete from t where id = 1; update t set x = 1", 3, {"2|1", "3|1"}},
};

TEST_F(DataChangeTest, EveryStatementLeavesTheTableAndRowsAffectedItShould) {
  for (bool handlers : {false, true}) {
    if (handlers) AddHandlers();
    for (const ChangeCase& c : kCases) {
      SCOPED_TRACE(std::string(c.sql) + (handlers ? " (row by row)" : " (bulk)"));
      FillTable("t", kRows);
      try {
        EXPECT_EQ(Change(c.sql), c.rowsAffected);
      } catch (const Exception& e) {
        ADD_FAILURE() << e.Message();
      }
      SQLRows expected = c.rows;
      std::sort(expected.begin(), expected.end());
      EXPECT_EQ(SortedRows("t"), expected);
    }
  }
  EXPECT_GT(updates, 0) << "the handlers saw the updates";
  EXPECT_GT(deletes, 0) << "the handlers saw the deletes";
}

// INSERT ... SELECT copies a value into a column of the same type and size as it is stored, and into
// any other column through the field's conversion: the rows read back are the source's either way.
TEST_F(DataChangeTest, InsertSelectCopiesEveryValueAsTheSourceHoldsIt) {
  const std::vector<TextRow> rows = {{"1", "\xF5r\xFCl\xE9s", "2.5", "9000000000"},
                                     {"2", std::nullopt, "-0.125", std::nullopt},
                                     {std::nullopt, "", std::nullopt, "-1"}};
  CreateTable("src", {{"n", sftInteger}, {"s", sftVarchar, 12}, {"d", sftDouble}, {"l", sftLargeInt}}, rows);
  CreateTable("same", {{"n", sftInteger}, {"s", sftVarchar, 12}, {"d", sftDouble}, {"l", sftLargeInt}}, {});
  CreateTable("other", {{"n", sftLargeInt}, {"s", sftVarchar, 30}, {"d", sftDouble}, {"l", sftLargeInt}}, {});
  for (const char* target : {"same", "other"}) {
    SCOPED_TRACE(target);
    EXPECT_EQ(Change((std::string("insert into ") + target + " select * from src").c_str()), 3);
    SQLRows copied = SortedRows(target);
    EXPECT_EQ(copied, SortedRows("src"));
  }
}

// A change that moves a row within the index order the rows are read in still changes each row once.
TEST_F(DataChangeTest, RowByRowUpdateChangesEachRowOnceWhateverTheIndexOrder) {
  AddIndex("t", "t_x", "x");
  AddHandlers();
  EXPECT_EQ(Change("update t set x = x + 10"), 3);
  EXPECT_EQ(SortedRows("t"), (SQLRows{"1|20", "2|30", "3|40"}));
  EXPECT_EQ(Change("update t set x = x + 100 where x >= 0 order by x"), 3) << "the index serves the order";
  EXPECT_EQ(SortedRows("t"), (SQLRows{"1|120", "2|130", "3|140"}));
  EXPECT_EQ(updates, 6);
}

TEST_F(DataChangeTest, StatementsThatCannotChangeTheTableChangeNothing) {
  const struct {
    const char* sql;
    Integer code;
  } cases[] = {
      // Column and value lists of different lengths would put values into the wrong columns.
      {"insert into t (id) values (1, 2)", 11349},
      {"insert into t (id, x) values (1)", 11349},
      {"insert into t values (1, 2, 3)", 11349},
      {"insert into t select id, x, x + 1 from u", 11349},
      {"insert into t (x) select id, x from u", 11349},
      {"insert into t value (1)", 30206},
      {"insert t values (1)", 30206},
      {"insert into t (id x) values (1)", 30212},
      {"delete t", 30184},
      {"update t x = 1", 30220},
      {"update t set x 1", 30221},
      {"update t set x = 1 id = 2", 30222},
      {"update t set nope = 1", 11590},
      // Rows of several tables, or a copy (an order no index serves): the table itself is not the result.
      {"delete from t, u where t.id = u.id", 11351},
      {"delete from t order by x", 11351},
      {"update t set x = 1 where id > 0 order by x", 11351},
      {"start work", 10846},
      {"start", 10845},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.sql);
    ExpectSQLError([&] { Change(c.sql); }, c.code, "");
    EXPECT_EQ(SortedRows("t"), (SQLRows{"1|10", "2|20", "3|30"}));
    EXPECT_EQ(SortedRows("u"), SQLRows{"7|70"});
  }
}

// Text and memo columns of the diary's table: values are written through the field's own form.
class DataChangeTextTest : public FiveDaysSQLTest {
 protected:
  Int64 Change(const char* sql, const std::vector<std::pair<const char*, const char*>>& params = {}) {
    TSQLMemLocalSQLProcessor& processor = Processor(sql, params);
    processor.Prepare();
    return processor.RowsTotal;
  }
};

TEST_F(DataChangeTextTest, TextAndMemoValuesAreWrittenWhole) {
  EXPECT_EQ(Change("insert into fans (ShortDateDay, Title, Text) values ('2024.01.06', :t, 'Fog, then ''sun''')",
                   {{"t", "Fig"}}),
            1);
  EXPECT_EQ(Run("select Title, Text from fans where ShortDateDay = '2024.01.06'"), SQLRows{"Fig|Fog, then 'sun'"});
  // A BLOB value makes the update go row by row.
  EXPECT_EQ(Change("update fans set Text = 'Hail' where Title < 'C'"), 2);
  EXPECT_EQ(Run("select Title, Text from fans where Text = 'Hail' order by Title"), (SQLRows{"Apple|Hail", "Banana|Hail"}));
  EXPECT_EQ(Change("update fans set Text = Title || '!' where Title = 'Date'"), 1);
  EXPECT_EQ(Run("select Text from fans where Title = 'Date'"), SQLRows{"Date!"});
  EXPECT_EQ(Change("delete from fans where Text = 'Hail'"), 2);
  EXPECT_EQ(Run("select Title from fans").size(), 4u);
}

// The query component reports what its data-changing statements changed, also with parameters.
TEST_F(DataChangeTextTest, TheQueryComponentCountsTheRowsItsStatementsChange) {
  TSQLMemQuery query(nullptr);
  query.SetDatabaseName(kDataSetTestDatabase);
  const struct {
    const char* sql;
    const char* param;
    Integer rows;
  } cases[] = {
      {"update fans set Title = :p where Title < 'C'", "B", 2},
      {"insert into fans (ShortDateDay, Title) values (:p, 'New')", "2024.02.01", 1},
      {"delete from fans where Title = :p", "B", 2},
      {"delete from fans where Title = :p", "nothing", 0},
      {"start transaction; update fans set Text = :p; commit", "x", 4},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.sql);
    query.SQL().SetText(c.sql);
    query.ParamByName("p")->SetAsString(c.param);
    query.ExecuteSQL();
    EXPECT_EQ(query.RowsAffected(), c.rows);
  }
  EXPECT_EQ(Run("select Title, Text from fans order by Title"),
            (SQLRows{"Cherry|x", "Date|x", "Elder|x", "New|x"}));
}

}  // namespace

namespace {

bool MemoryDatabaseExists(const char* name) {
  TThreadList<TSQLMemDatabaseData>::Locked hold(DatabaseList());
  return FindDatabaseData(true, false, name, WideString()) != nullptr;
}

TEST_F(DataChangeTextTest, DatabasesAreCreatedAndDroppedButNeverUnderAnOpenTable) {
  for (const char* create : {"create database qx", "create database memory qx"}) {
    SCOPED_TRACE(create);
    Change(create);
    EXPECT_TRUE(MemoryDatabaseExists("qx"));
    Change("drop database memory qx");
    EXPECT_FALSE(MemoryDatabaseExists("qx"));
  }
  // The diary's table is open: its database stays, and the table still reads.
  TSQLMemTable table(nullptr);
  table.SetDatabaseName(kDataSetTestDatabase);
  table.SetTableName("fans");
  table.Open();
  const std::string drop = std::string("drop database memory ") + kDataSetTestDatabase;
  ExpectSQLError([&] { Change(drop.c_str()); }, 11756, "");
  EXPECT_TRUE(MemoryDatabaseExists(kDataSetTestDatabase));
  EXPECT_EQ(RowsOf(table).size(), 5u);
  table.Close();
  const struct {
    const char* sql;
    Integer code;
  } errors[] = {
      {"drop database", 11752},  {"drop database ,", 11753}, {"drop database file", 11758},
      {"drop database memory", 11754}, {"create database", 11748}, {"create database ,", 11749},
      {"create database memory", 11750}, {"create database file ;", 11755},
  };
  for (const auto& e : errors) {
    SCOPED_TRACE(e.sql);
    ExpectSQLError([&] { Change(e.sql); }, e.code, "");
  }
}

}  // namespace

namespace {

// DROP DATABASE run by a query component goes through the query's own database component: refused, with
// nothing changed, while a table of the database is open; otherwise the component lets the database go
// before it is freed, and a component of another database keeps its tables open.
TEST_F(DataChangeTextTest, TheQueryDropsItsOwnDatabaseOnlyWhenNoTableOfItIsOpen) {
  Change("create database memory qx");
  TSQLMemQuery query(nullptr);
  query.SetDatabaseName("qx");
  const auto run = [&query](const char* sql) {
    query.SQL().SetText(sql);
    query.ExecuteSQL();
  };
  run("create table days (id integer, t varchar(10)); insert into days values (1, 'a')");
  TSQLMemTable table(nullptr);
  table.SetDatabaseName("qx");
  table.SetTableName("days");
  table.Open();
  ASSERT_EQ(query.Database(), nullptr) << "the query holds its database only while it runs";
  ExpectSQLError([&] { run("drop database memory qx"); }, 11756, "");
  EXPECT_TRUE(MemoryDatabaseExists("qx"));
  ASSERT_TRUE(table.Active());
  EXPECT_EQ(RowsOf(table), SQLRows{"1|a"});
  table.Close();
  run("drop database memory qx");
  EXPECT_FALSE(MemoryDatabaseExists("qx"));

  // A query of the diary's database drops another one; the diary's open table stays open and reads.
  query.SetDatabaseName(kDataSetTestDatabase);
  run("create database memory qx");
  EXPECT_TRUE(MemoryDatabaseExists("qx"));
  TSQLMemTable diary(nullptr);
  diary.SetDatabaseName(kDataSetTestDatabase);
  diary.SetTableName("fans");
  diary.Open();
  run("drop database memory qx");
  EXPECT_FALSE(MemoryDatabaseExists("qx"));
  ASSERT_TRUE(diary.Active());
  EXPECT_EQ(RowsOf(diary).size(), 5u);
  ExpectSQLError([&] { run(("drop database memory " + AnsiString(kDataSetTestDatabase)).c_str()); }, 11756, "");
  EXPECT_EQ(RowsOf(diary).size(), 5u);
}

}  // namespace
