// Grouping through the SQL processor and the group-by operator: groups over several keys with NULL
// keys together, HAVING, aggregates over an empty input, the COUNT(*) shortcut and the select-list
// errors. Expected rows are SQLite's answers for the same tables unless a comment says otherwise.
#include <gtest/gtest.h>

#include "engine/sql/SQLMemLexer.h"
#include "engine/sql/SQLMemRelationalAlgebraGroupBy.h"
#include "engine/sql/SQLMemRelationalAlgebraSortLists.h"
#include "engine/sql/SQLMemSelect.h"
#include "tests/engine/sql/SQLTestSupport.h"

namespace {

class GroupByTest : public FiveDaysSQLTest {
 protected:
  void SetUp() override {
    FiveDaysSQLTest::SetUp();
    // Two NULL keys of a; a group (1, 10) whose x values come in descending order; a group whose x is
    // NULL only.
    CreateTable("g", {"a", "b", "x"},
                {{1, 10, 7}, {2, {}, 1}, {1, 10, 5}, {{}, 3, 2}, {2, {}, 4}, {1, 20, {}}, {{}, 3, 8}, {3, 30, 6}});
    CreateTable("k", {"a", "w"}, {{1, 100}, {2, 200}, {4, 400}});
  }

  struct Case {
    const char* sql;
    SQLRows rows;
  };

  void ExpectRows(std::span<const Case> cases) {
    for (const Case& c : cases) {
      SCOPED_TRACE(c.sql);
      try {
        EXPECT_EQ(Run(c.sql), c.rows);
      } catch (const ESQLMemException& e) {
        ADD_FAILURE() << e.Message();
      }
    }
  }

  // The group-by at the root of the statement's tree (built, not run).
  template <typename Check>
  void WithGroupBy(const char* sql, Check check) {
    TSQLMemLexer lexer(sql, nullptr);
    ASSERT_TRUE(lexer.NextStatement());
    const TSQLMemSQLContext context = Context();
    auto command = CreateSQLCommand(lexer, context);
    auto* query = dynamic_cast<TSQLMemSQLUnion*>(command.get());
    ASSERT_NE(query, nullptr);
    std::unique_ptr<TSQLMemAO> tree = query->BuildOperatorTree();
    auto* groupBy = dynamic_cast<TSQLMemAOGroupBy*>(tree.get());
    ASSERT_NE(groupBy, nullptr);
    check(*groupBy);
  }
};

TEST_F(GroupByTest, GroupsGiveTheirAggregatesInKeyOrder) {
  const Case cases[] = {
      // NULL keys form one group, first. The group (1, 20) sums NULLs only: 0 here, NULL in SQLite.
      {"select a, b, count(*), sum(x), min(x), max(x) from g group by a, b",
       {"|3|2|10|2|8", "1|10|2|12|5|7", "1|20|1|0||", "2||2|5|1|4", "3|30|1|6|6|6"}},
      {"select a, b, count(*), count(x) from g group by a, b having count(*) > 1",
       {"|3|2|2", "1|10|2|2", "2||2|2"}},
      // HAVING by the alias of an aggregate, and by an aggregate the select list does not show.
      {"select a, sum(x) as s from g group by a having s > 10", {"1|12"}},
      {"select b, count(*) from g where a is not null group by b having max(x) >= 6", {"10|2", "30|1"}},
      // A plain expression over a grouping column.
      {"select a * 10, count(*) from g where a is not null group by a", {"10|3", "20|2", "30|1"}},
      // Over a join; ordered by an aggregate; TOP over the groups.
      {"select g.a, count(*), sum(k.w) from g join k on g.a = k.a group by g.a", {"1|3|300", "2|2|400"}},
      {"select a, count(*) as c from g group by a order by c desc, a", {"1|3", "|2", "2|2", "3|1"}},
      {"select top 2 a, count(*) from g group by a", {"|2", "1|3"}},
      // GROUP_CONCAT joins a group's values in sorted order (the order of SQLite's is unspecified).
      {"select a, group_concat(x) from g group by a", {"|2,8", "1|5,7", "2|1,4", "3|6"}},
      // DISTINCT over groups: the same rows, unless the select list leaves a grouping column out.
      {"select distinct a, b, count(*) from g group by a, b",
       {"|3|2", "1|10|2", "1|20|1", "2||2", "3|30|1"}},
      {"select distinct a from g group by a, b", {"", "1", "2", "3"}},
      // Grouped blocks of a set operation.
      {"select a, count(*) from g group by a intersect select a, count(*) from g where b is not null group by a",
       {"|2", "1|3", "3|1"}},
      {"select a, count(*) from g where a = 3 group by a union all select count(*), sum(x) from g where a = 1",
       {"3|1", "3|12"}},
  };
  ExpectRows(cases);
  // Read in the order of an index on the key, the source table itself is grouped.
  AddIndex("g", "ByA", "a");
  const Case indexed[] = {
      {"select a, count(*), sum(x) from g group by a", {"|2|10", "1|3|12", "2|2|5", "3|1|6"}},
      {"select a, count(*), sum(x) from g where x > 4 group by a", {"|1|8", "1|2|12", "3|1|6"}},
  };
  ExpectRows(indexed);
}

TEST_F(GroupByTest, AnEmptyInputGivesOneRowOnlyWithAggregates) {
  const Case cases[] = {
      {"select count(*), max(x) from g where a = 99", {"0|"}},
      {"select max(x), count(*) from g where a = 99", {"|0"}},
      // With GROUP BY: one row all the same, its key NULL (SQLite gives none).
      {"select a, count(*), sum(x) from g where a = 99 group by a", {"|0|"}},
      {"select a from g where a = 99 group by a", {}},
      {"select a, count(*) from g where a = 99 group by a having count(*) > 0", {}},
  };
  ExpectRows(cases);
}

TEST_F(GroupByTest, CountStarAloneCountsTheInputUnlessHavingNeedsItsRows) {
  const struct {
    const char* sql;
    SQLRows rows;
    bool shortcut;
    bool starOnly;
  } cases[] = {
      {"select count(*) from fans", {"5"}, true, true},
      {"select count(*) from fans where RecID > 2", {"3"}, true, true},
      {"select count(*) from fans where RecID > 9", {"0"}, true, true},
      {"select count(*) from g join k on g.a = k.a", {"5"}, true, true},
      {"select count(*) + 1 from fans", {"6"}, true, false},
      {"select count(*) + 1 from fans where RecID > 9", {"1"}, true, false},
      // HAVING is tested before the row is read: its aggregates need every row.
      {"select count(*) from fans having count(*) > 0", {"5"}, false, true},
      {"select count(*) + 1 from fans having count(*) > 4", {"6"}, false, false},
      {"select count(*) from fans having count(*) > 5", {}, false, true},
      // Another aggregate beside COUNT(*) needs every row too.
      {"select count(*) + sum(RecID) from fans", {"20"}, false, false},
      {"select count(*) from fans group by Title", {"1", "1", "1", "1", "1"}, false, true},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.sql);
    WithGroupBy(c.sql, [&](TSQLMemAOGroupBy& groupBy) {
      EXPECT_EQ(groupBy.CountShortcut(), c.shortcut);
      if (c.shortcut) {
        EXPECT_EQ(groupBy.CountStarOnly(), c.starOnly);
      }
    });
    EXPECT_EQ(Run(c.sql), c.rows);
  }
  EXPECT_EQ(UseCount(), 0);
}

TEST_F(GroupByTest, SelectListAndGroupingErrors) {
  const struct {
    const char* sql;
    Integer code;
  } cases[] = {
      {"select a, b, count(*) from g group by a", 10342},
      {"select * from g group by a", 10342},
      {"select nope, count(*) from g group by a", 10341},
      {"select count(*) from g group by nope", 10343},
      // Both inputs of the join have a column "a".
      {"select count(*) from g join k on g.a = k.a group by a", 10343},
      {"select a from g group by a having nope > 1", 11764},
      // A WHERE cannot test what the groups compute.
      {"select a, count(*) as c from g where c > 1 group by a", 11764},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.sql);
    ExpectSQLError([&] { Run(c.sql); }, c.code, "");
  }
  EXPECT_EQ(UseCount("g"), 0) << "no table use is left counted";
  EXPECT_EQ(UseCount("k"), 0);
}

TEST(SortLists, TextsAndListsConvertBothWays) {
  std::vector<AnsiString> cases, directions, fields;
  BuildSortLists(" a; B ;c", "c;A", "b", cases, directions, fields);
  EXPECT_EQ(fields, (std::vector<AnsiString>{"A", "B", "C"}));
  EXPECT_EQ(directions, (std::vector<AnsiString>{"DESC", "ASC", "DESC"}));
  EXPECT_EQ(cases, (std::vector<AnsiString>{"CASE", "NO_CASE", "CASE"}));
  AnsiString fieldsText = "old", descText = "old", caseInsText = "old";
  JoinSortLists(fieldsText, descText, caseInsText, cases, directions, fields);
  EXPECT_EQ(fieldsText, "A;B;C");
  EXPECT_EQ(descText, "A;C");
  EXPECT_EQ(caseInsText, "B");
  BuildSortLists("", "", "", cases, directions, fields);
  EXPECT_TRUE(fields.empty() && directions.empty() && cases.empty());
}

}  // namespace
