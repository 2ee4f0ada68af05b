// Set operations over query blocks of the diary's table: row order, duplicates, column pairing and
// the errors of a pairing that leaves nothing.
#include <gtest/gtest.h>

#include "tests/engine/sql/SQLTestSupport.h"

namespace {

class UnionTest : public FiveDaysSQLTest {
 protected:
  void SetUp() override {
    FiveDaysSQLTest::SetUp();
    CreateTable("g", {"a", "b"}, {{1, 10}, {2, {}}, {1, 10}, {{}, 3}, {2, {}}, {1, 20}, {{}, 3}, {3, 30}});
  }
};

TEST_F(UnionTest, SetOperationsGiveTheirRowsInOrder) {
  const struct {
    const char* sql;
    SQLRows rows;
  } cases[] = {
      // 3 and 4 rows: the left rows, then the right, duplicates kept.
      {"select Title from fans where RecID <= 3 union all select Title from fans where RecID >= 2",
       {"Cherry", "Banana", "Apple", "Banana", "Apple", "Elder", "Date"}},
      {"select Title from fans where RecID <= 3 union select Title from fans where RecID >= 2",
       {"Cherry", "Banana", "Apple", "Elder", "Date"}},
      // The ORDER BY after the last block sorts the whole union, not the last block.
      {"select Title from fans where RecID <= 3 union all select Title from fans where RecID >= 4 order by Title",
       {"Apple", "Banana", "Cherry", "Date", "Elder"}},
      {"select Title from fans where RecID = 5 union all select Title from fans where RecID = 9", {"Date"}},
      {"select Title from fans where RecID = 9 union all select Title from fans where RecID = 5", {"Date"}},
      // EXCEPT and INTERSECT both ways, a table operator on the left.
      {"select Title from fans except select Title from fans where RecID > 2", {"Cherry", "Banana"}},
      {"select Title from fans where RecID > 2 except select Title from fans where RecID <= 3", {"Elder", "Date"}},
      {"select Title from fans where RecID > 2 minus select Title from fans", {}},
      {"select Title from fans where RecID >= 2 intersect select Title from fans where RecID <= 3",
       {"Banana", "Apple"}},
      {"select Title from fans where RecID <= 3 intersect select Title from fans where RecID >= 2",
       {"Banana", "Apple"}},
      // A left input that is no table operator is the one searched: the right's rows are walked.
      {"(select Title from fans where RecID <= 2 union all select Title from fans where RecID = 5) intersect "
       "select Title from fans where RecID >= 2",
       {"Banana", "Date"}},
      {"(select Title from fans where RecID <= 2 union all select Title from fans where RecID = 5) except "
       "select Title from fans where RecID >= 2",
       {"Cherry"}},
      // The searched input's column without a partner plays no part in the search.
      {"(select Title, RecID from fans where RecID = 1 union all select Title, RecID from fans where RecID = 2) "
       "intersect select Title from fans",
       {"Cherry", "Banana"}},
      // NULL members are equal to each other (SQLite's answers, its rows sorted).
      {"select b from g intersect select b from g where a = 2", {""}},
      {"select b from g except select b from g where a = 2", {"10", "3", "20", "30"}},
      // Values compare as values, also where the two columns' types differ.
      {"select RecID + 0.5 from fans intersect select RecID from fans", {}},
      {"select RecID * 1.0 from fans where RecID <= 2 intersect select RecID from fans", {"1", "2"}},
      {"select RecID from fans where RecID <= 2 intersect select RecID * 1.0 from fans", {"1", "2"}},
      // INTERSECT binds before UNION.
      {"select Title from fans where RecID = 1 union all select Title from fans where RecID >= 4 intersect "
       "select Title from fans where RecID = 5",
       {"Cherry", "Date"}},
      // Columns pair by position: the left's second column has no partner.
      {"select Title, RecID from fans where RecID = 1 union all select Title from fans where RecID = 2",
       {"Cherry", "Banana"}},
      // By name with CORRESPONDING; a name of the BY list that one side lacks is skipped.
      {"select ShortDateDay, Title from fans where RecID = 1 union all corresponding "
       "select Title, RecID from fans where RecID = 2",
       {"Cherry", "Banana"}},
      {"select Title, ShortDateDay from fans where RecID = 1 union all corresponding by (Nope, Title) "
       "select ShortDateDay, Title from fans where RecID = 2",
       {"Cherry", "Banana"}},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.sql);
    EXPECT_EQ(Run(c.sql), c.rows);
  }
}

TEST_F(UnionTest, APairingThatLeavesNoColumnIsAnErrorAndGivesTheTablesBack) {
  const char* const sqls[] = {
      "select Title from fans union corresponding by (Nope) select Title from fans",
      "select Title from fans union corresponding select RecID from fans",
  };
  for (const char* sql : sqls) {
    SCOPED_TRACE(sql);
    ExpectSQLError([&] { Run(sql); }, 10339, "");
  }
  // A failing right block gives the left block's table back as well.
  ExpectSQLError([&] { Run("select Title from fans union select Nope from fans"); }, 10305, "");
  EXPECT_EQ(UseCount(), 0) << "no table use is left counted";
  Run("select Title from fans union select Title from fans");
  EXPECT_EQ(UseCount(), 0) << "nor after a run";
}

}  // namespace
