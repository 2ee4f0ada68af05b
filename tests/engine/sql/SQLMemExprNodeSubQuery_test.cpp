// Sub-queries through the SQL processor: scalar, IN and EXISTS sub-queries of expressions and the
// sub-queries of FROM clauses, each running a nested query while its statement runs. The expected rows
// are SQLite's answers over the same tables, except where a comment names a deliberate difference.
#include "engine/sql/SQLMemExprNodeSubQuery.h"

#include <algorithm>

#include "engine/dataset/SQLMemMain.h"
#include "engine/dataset/SQLMemQuery.h"
#include "engine/foundation/SQLMemTypes.h"
#include "engine/storage/SQLMemCursor.h"
#include "engine/storage/SQLMemDatabaseData.h"
#include "tests/engine/sql/SQLTestSupport.h"
#include "vcl/rtl/Strings.h"

namespace {

class SubQueryTest : public SQLStatementTest {
 protected:
  void SetUp() override {
    SQLStatementTest::SetUp();
    const Column id{"id", sftInteger};
    CreateTable("people", {id, {"name", sftVarchar, 20}, {"city", sftVarchar, 20}},
                {{"1", "Anna", "Szeged"}, {"2", "Bela", "Pecs"}, {"3", "Csaba", std::nullopt}, {"4", "Dora", "Szeged"}});
    // A NULL person, and a person nobody is.
    CreateTable("orders", {id, {"person", sftInteger}, {"item", sftVarchar, 20}},
                {{"1", "1", "pen"}, {"2", "1", "ink"}, {"3", "2", "pad"}, {"4", std::nullopt, "cap"}, {"5", "9", "it's"}});
    // Texts and names that hold the quote characters of the grammar.
    CreateTable("q", {{"a", sftInteger}, {"b", sftVarchar, 30}},
                {{"1", "q' OR '1'='1"}, {"2", "plain"}, {"3", "other"}});
    CreateTable("t]1", {{"a]b", sftInteger}, {"c`d", sftVarchar, 10}}, {{"1", "x"}, {"3", "y"}});
  }

  // Runs text; the result's rows in ascending order (sub-query results come in no promised order).
  SQLRows Sorted(const char* sql, const std::vector<std::pair<const char*, const char*>>& params = {}) {
    SQLRows rows = Run(sql, params);
    std::sort(rows.begin(), rows.end());
    return rows;
  }

  struct Case {
    const char* sql;
    SQLRows rows;
  };
  // Each statement's rows, in ascending order; live runs ask for an editable result.
  void ExpectRows(const std::vector<Case>& cases, bool live = false) {
    for (const Case& c : cases) {
      SCOPED_TRACE(c.sql);
      try {
        TSQLMemLocalSQLProcessor& processor = Processor(c.sql);
        processor.RequestLive = live;
        processor.Prepare();
        SQLRows rows = processor.ResultDataSet() != nullptr ? RowsOf(*processor.ResultDataSet()) : SQLRows{};
        std::sort(rows.begin(), rows.end());
        EXPECT_EQ(rows, c.rows);
      } catch (const ESQLMemException& e) {
        ADD_FAILURE() << e.Message();
      }
    }
  }

  static Integer TemporaryTables() {
    TStringList names;
    FindDatabaseData(false, true, "TEMP", u"")->GetTableNames(names);
    return names.Count();
  }
  static Integer DataSets() {
    TThreadList<TSQLMemDataSetLink>::Locked list(DataSetList());
    return list->Count();
  }
};

TEST_F(SubQueryTest, InExistsAndScalarSubQueriesGiveSQLitesRows) {
  ExpectRows({
      {"select name from people where id in (select person from orders)", {"Anna", "Bela"}},
      {"select name from people where id not in (select person from orders where person is not null)",
       {"Csaba", "Dora"}},
      // A NULL operand is unknown, with and without NOT: Csaba's city is in neither answer.
      {"select name from people where city in (select city from people where id in (1, 2))", {"Anna", "Bela", "Dora"}},
      {"select name from people where city not in (select city from people where id = 2)", {"Anna", "Dora"}},
      {"select name from people where exists (select id from orders where item = 'pen')",
       {"Anna", "Bela", "Csaba", "Dora"}},
      {"select name from people where not exists (select id from orders where item = 'pen')", {}},
      {"select name from people where exists (select id from orders where item = 'none')", {}},
      {"select name from people where not exists (select id from orders where item = 'none')",
       {"Anna", "Bela", "Csaba", "Dora"}},
      {"select name from people where id = (select person from orders where item = 'pad')", {"Bela"}},
      {"select name from people where id > (select person from orders where item = 'pad')", {"Csaba", "Dora"}},
      // Nested two deep, and beside a condition on the table.
      {"select name from people where id in (select person from orders where id in "
       "(select id from orders where item <> 'pen'))",
       {"Anna", "Bela"}},
      {"select name from people where city = 'Szeged' and id in (select person from orders)", {"Anna"}},
      // A scalar sub-query in the select list takes its column's type; one value for every row.
      {"select name, (select item from orders where id = 3), (select person from orders where id = 3) from people",
       {"Anna|pad|2", "Bela|pad|2", "Csaba|pad|2", "Dora|pad|2"}},
      {"select name, (select count(*) from orders) from people", {"Anna|5", "Bela|5", "Csaba|5", "Dora|5"}},
      // Aggregating sub-queries.
      {"select name from people where id = (select max(person) from orders where person < 9)", {"Bela"}},
      {"select name from people where id in (select person from orders group by person having count(*) > 1)",
       {"Anna"}},
      // The quote characters inside texts and names reach the nested statement as they were written.
      {"select name from people where id in (select person from orders where item = 'it''s')", {}},
      {"select a from q where a in (select a from q where b = 'q'' OR ''1''=''1')", {"1"}},
      {"select a from q where a in (select [a]]b] from [t]]1] where `c``d` = 'y')", {"3"}},
      {"select a from q where exists (select `c``d` from `t]1` where [c`d] = 'x') and a < 2", {"1"}},
  });
}

TEST_F(SubQueryTest, NotInNegatesTheSearchEvenWhenTheAnswerHoldsANull) {
  // SQLite answers no row here (x NOT IN a set holding NULL is unknown); this engine negates the
  // search of the sub-query's result, so the people nobody ordered for come back.
  EXPECT_EQ(Sorted("select name from people where id not in (select person from orders)"), (SQLRows{"Csaba", "Dora"}));
}

TEST_F(SubQueryTest, SubQueriesTakeTheStatementsParameterValues) {
  EXPECT_EQ(Sorted("select name from people where id in (select person from orders where item = :p)", {{"p", "ink"}}),
            SQLRows{"Anna"});
  EXPECT_EQ(Sorted("select name from people where id = (select person from orders where item = :p)", {{"p", "pad"}}),
            SQLRows{"Bela"});
  EXPECT_EQ(Sorted("select name from (select * from people where city = :c) s", {{"c", "Pecs"}}), SQLRows{"Bela"});
  // An integer value, and a value-less one, which compares as NULL inside the sub-query too.
  TSQLMemLocalSQLProcessor& processor =
      Processor("select name from people where id in (select person from orders where id <= :n) and "
                "not exists (select id from orders where person = :z)");
  processor.Params.Add("n").Value.SetAsInteger(3);
  processor.Params.Add("z");
  processor.Prepare();
  SQLRows rows = RowsOf(*processor.ResultDataSet());
  std::sort(rows.begin(), rows.end());
  EXPECT_EQ(rows, (SQLRows{"Anna", "Bela"}));
}

TEST_F(SubQueryTest, ScalarAnswersOtherThanOneRowAndNestedFailuresRaise) {
  ExpectSQLError([&] { Run("select name from people where id = (select person from orders where item = 'x')"); },
                 10848, "Subquery returns no rows");
  ExpectSQLError([&] { Run("select name from people where id = (select person from orders)"); }, 10849,
                 "Subquery returns multiple rows");
  ExpectSQLError([&] { Run("select name, (select item from orders) from people"); }, 10849,
                 "Subquery returns multiple rows");
  // A scalar sub-query runs once: its query goes after the first run, and later uses keep the answer.
  TSQLMemExprNodeSubQuery scalar("select person from orders where id = 3", nullptr, false, Context());
  EXPECT_EQ(scalar.Evaluate().GetAsInteger(), 2);
  EXPECT_EQ(scalar.Query(), nullptr);
  EXPECT_EQ(scalar.Evaluate().GetAsInteger(), 2);
  EXPECT_EQ(scalar.GetResultType(), sftInteger);

  TSQLMemExprNodeSubQueryIN withoutOperand("select person from orders", nullptr, false, Context());
  ExpectSQLError([&] { withoutOperand.Evaluate(); }, 10850, "Error parsing subquery with IN - no argumnet passed");
  // The nested statement's own error passes on; sub-queries see no column of the outer statement, so
  // the condition that names one is left over in the nested statement.
  ExpectSQLError([&] { Run("select name from people where id in (select person from nosuch)"); }, 11505,
                 "Table 'nosuch' does not exist");
  ExpectSQLError([&] { Run("select name from people where exists (select id from orders where person = people.id)"); },
                 11764, "");
}

TEST_F(SubQueryTest, FromSubQueriesGiveSQLitesRows) {
  ExpectRows({
      {"select s.name from (select name, city from people where city = 'Szeged') s", {"Anna", "Dora"}},
      {"select name from (select * from people where id < 4) as s where city = 'Szeged'", {"Anna"}},
      {"select x.name from (select * from (select * from people where id > 1) y where id < 4) x", {"Bela", "Csaba"}},
      {"select p.name, o.item from people p join (select person, item from orders where item <> 'ink') o "
       "on p.id = o.person",
       {"Anna|pen", "Bela|pad"}},
      {"select name from (select * from people where id in (select person from orders)) s", {"Anna", "Bela"}},
      {"select a from (select a from q where b = 'q'' OR ''1''=''1') s", {"1"}},
      {"select s.[c`d] from (select [a]]b], `c``d` from [t]]1] where [a]]b] > 1) s", {"y"}},
  });
  // ORDER BY over a sub-query sorts a copy of its rows.
  EXPECT_EQ(Run("select name from (select * from people where city is not null) s order by name desc"),
            (SQLRows{"Dora", "Bela", "Anna"}));
}

TEST_F(SubQueryTest, ALiveResultOverASubQueryKeepsBothConditions) {
  ExpectRows({
      {"select * from (select * from people where id < 4) s where city = 'Szeged'", {"1|Anna|Szeged"}},
      {"select name from (select * from people where id < 4) s", {"Anna", "Bela", "Csaba"}},
      {"select name from (select name, id from (select * from people where id > 1) y) x where id < 3", {"Bela"}},
  }, true);
}

TEST_F(SubQueryTest, AFromSubQueryNeedsAnAliasAndReportsItsOwnFailure) {
  ExpectSQLError([&] { Run("select * from (select * from people)"); }, 11655, "");
  try {
    Run("select * from (select nothing from people) s");
    ADD_FAILURE() << "no error";
  } catch (const ESQLMemException& e) {
    EXPECT_EQ(e.NativeError(), 10303);
    EXPECT_NE(e.Message().find("Query SQL: \r\nselect nothing from people"), std::string::npos) << e.Message();
    EXPECT_NE(e.Message().find("nothing"), e.Message().rfind("nothing")) << "the inner error names the field";
  }
}

TEST_F(SubQueryTest, NoNestedQueryOrTemporaryTableOutlivesTheStatement) {
  const Integer tables = TemporaryTables();
  const Integer dataSets = DataSets();
  const char* statements[] = {
      "select name from people where id in (select person from orders)",
      "select name, (select item from orders where id = 3) from people",
      "select name from people where exists (select id from orders)",
      "select name from (select * from (select * from people) y where id > 1) x order by name",
      "select name from people where id = (select person from orders)",  // fails with 10849
  };
  for (const char* sql : statements) {
    SCOPED_TRACE(sql);
    try {
      Run(sql);
    } catch (const ESQLMemException&) {
    }
    processor_.reset();
    EXPECT_EQ(TemporaryTables(), tables);
    EXPECT_EQ(DataSets(), dataSets);
  }
  // A live result holds the IN sub-query in its cursor's filter until the result goes.
  TSQLMemLocalSQLProcessor& processor = Processor("select * from people where id in (select person from orders)");
  processor.RequestLive = true;
  processor.Prepare();
  EXPECT_EQ(RowsOf(*processor.ResultDataSet()).size(), 2u);
  processor_.reset();
  EXPECT_EQ(TemporaryTables(), tables);
  EXPECT_EQ(DataSets(), dataSets);
}

}  // namespace
