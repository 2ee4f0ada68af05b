// Joins through the SQL processor and the join operator: the rows of every join kind (the expected
// rows are SQLite's answers for the same tables), the outer joins' ON and WHERE, NULL keys, the
// choice of the driving side and the errors of ill-formed join pairs.
#include <algorithm>

#include "engine/sql/SQLMemRelationalAlgebraJoin.h"
#include "engine/sql/SQLMemRelationalAlgebraTable.h"
#include "tests/engine/sql/SQLTestSupport.h"

namespace {

class JoinTest : public SQLStatementTest {
 protected:
  void SetUp() override {
    SQLStatementTest::SetUp();
    // Keys without NULLs; unmatched rows on both sides (a: 2, 5; b: 4), a key matched twice (1).
    CreateTable("a", {"id", "k", "flag"}, {{1, 10, 0}, {2, 20, 1}, {3, 30, 1}, {5, 50, 1}});
    CreateTable("b", {"id", "k", "flag"}, {{1, 10, 1}, {1, 11, 0}, {3, 99, 0}, {4, 40, 1}});
    CreateTable("e", {"id", "k", "flag"}, {});
  }

  // A join's rows come in no promised order.
  SQLRows Sorted(const char* sql) {
    SQLRows rows = Run(sql);
    std::sort(rows.begin(), rows.end());
    return rows;
  }

  static SQLRows Sorted(SQLRows rows) {
    std::sort(rows.begin(), rows.end());
    return rows;
  }
};

TEST_F(JoinTest, EveryJoinKindGivesSQLitesRows) {
  const SQLRows inner = {"1|10|1|10", "1|10|1|11", "3|30|3|99"};
  const struct {
    const char* sql;
    SQLRows rows;
  } cases[] = {
      {"select a.id, a.k, b.id, b.k from a join b on a.id = b.id", inner},
      {"select a.id, a.k, b.id, b.k from a inner join b on b.id = a.id", inner},
      {"select a.id, a.k, b.id, b.k from a, b where a.id = b.id", inner},
      {"select a.id, a.k, b.id, b.k from a left join b on a.id = b.id",
       {"1|10|1|10", "1|10|1|11", "2|20||", "3|30|3|99", "5|50||"}},
      {"select a.id, a.k, b.id, b.k from a right join b on a.id = b.id",
       {"||4|40", "1|10|1|10", "1|10|1|11", "3|30|3|99"}},
      {"select a.id, a.k, b.id, b.k from a full join b on a.id = b.id",
       {"||4|40", "1|10|1|10", "1|10|1|11", "2|20||", "3|30|3|99", "5|50||"}},
      {"select a.k, b.k from a join b using (id)", {"10|10", "10|11", "30|99"}},
      // NATURAL pairs every name both sides hold: id, k and flag.
      {"select a.k, b.k from a natural join b", {}},
      {"select x.k, y.k from a x natural join a y", {"10|10", "20|20", "30|30", "50|50"}},
      // The ON of an outer join never removes a preserved row: a conjunct on either side is part of
      // the match test, and a failed match gives the null-extended row.
      {"select a.id, a.k, b.id, b.k from a left join b on a.id = b.id and a.flag = 1",
       {"1|10||", "2|20||", "3|30|3|99", "5|50||"}},
      {"select a.id, a.k, b.id, b.k from a left join b on a.id = b.id and b.flag = 1",
       {"1|10|1|10", "2|20||", "3|30||", "5|50||"}},
      {"select a.id, a.k, b.id, b.k from a right join b on a.id = b.id and a.flag = 1",
       {"||1|10", "||1|11", "||4|40", "3|30|3|99"}},
      {"select a.id, a.k, b.id, b.k from a full join b on a.id = b.id and a.flag = 1",
       {"||1|10", "||1|11", "||4|40", "1|10||", "2|20||", "3|30|3|99", "5|50||"}},
      // A WHERE filters after null extension; its equality is no key of the outer join.
      {"select a.id, a.k, b.id, b.k from a left join b on a.id = b.id where a.k = b.k", {"1|10|1|10"}},
      {"select a.id, a.k, b.id, b.k from a left join b on a.id = b.id where b.id is null", {"2|20||", "5|50||"}},
      // An empty lookup side; an empty driving side of a full join.
      {"select a.id, a.k, e.id from a left join e on a.id = e.id", {"1|10|", "2|20|", "3|30|", "5|50|"}},
      {"select a.id from a join e on a.id = e.id", {}},
      {"select e.id, b.id, b.k from e full join b on e.id = b.id", {"|1|10", "|1|11", "|3|99", "|4|40"}},
      {"select e.id, b.id from e, b", {}},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.sql);
    try {
      EXPECT_EQ(Sorted(c.sql), Sorted(c.rows));
    } catch (const ESQLMemException& e) {
      ADD_FAILURE() << e.Message();
    }
  }
  EXPECT_EQ(Run("select a.id, b.id from a cross join b").size(), 16u);
  EXPECT_EQ(Run("select a.id, b.id from a, b").size(), 16u);
}

TEST_F(JoinTest, TheSameNameFromBothSidesIsNumbered) {
  TSQLMemLocalSQLProcessor& processor = Processor("select * from a join b on a.id = b.id where b.k = 99");
  processor.Prepare();
  TSQLMemDataSet& result = *processor.ResultDataSet();
  ASSERT_EQ(result.FieldCount(), 6);
  EXPECT_EQ(result.Fields()[0]->FieldName(), "id");
  EXPECT_EQ(result.Fields()[3]->FieldName(), "id_1");
  EXPECT_EQ(RowsOf(result), SQLRows{"3|30|1|3|99|0"});
}

TEST_F(JoinTest, NullKeysMatchEachOther) {
  CreateTable("n1", {"id", "v"}, {{std::nullopt, 1}, {1, 2}});
  CreateTable("n2", {"id", "v"}, {{std::nullopt, 3}, {2, 4}});
  EXPECT_EQ(Sorted("select n1.v, n2.v from n1 join n2 on n1.id = n2.id"), SQLRows{"1|3"});
  EXPECT_EQ(Sorted("select n1.v, n2.v from n1, n2 where n1.id = n2.id"), SQLRows{"1|3"})
      << "also for the equalities a comma join takes out of the WHERE";
  EXPECT_EQ(Sorted("select n1.v, n2.v from n1 left join n2 on n1.id = n2.id"), (SQLRows{"1|3", "2|"}));
}

TEST_F(JoinTest, IllFormedJoinsRaise) {
  ExpectSQLError([&] { Run("select * from a join b on id = b.id"); }, 10404, "");
  ExpectSQLError([&] { Run("select * from a join b using (nope)"); }, 10331, "");
  const auto join = [&](TSQLMemSelectListItem first, TSQLMemSelectListItem second) {
    auto left = std::make_unique<TSQLMemAOTable>(kDataSetTestDatabase, false, false, "a", "a");
    auto right = std::make_unique<TSQLMemAOTable>(kDataSetTestDatabase, false, false, "b", "b");
    TSQLMemFields firstFields, secondFields;
    firstFields.Add(first);
    secondFields.Add(second);
    TSQLMemAOJoin op(std::move(left), std::move(right), TSQLMemAOJoin::kInner, false, firstFields, secondFields);
  };
  const auto field = [](const char* table, const char* name) {
    TSQLMemSelectListItem item;
    item.TableName = table;
    item.FieldName = name;
    return item;
  };
  ExpectSQLError([&] { join(field("a", "id"), field("b", "nope")); }, 10332, "");
  ExpectSQLError([&] { join(field("a", "id"), field("a", "k")); }, 10334, "");
  // A pair written right side first is turned round.
  EXPECT_EQ(Sorted("select a.k, b.k from a join b on b.id = a.id and b.k = a.k"), SQLRows{"10|10"});
}

TEST_F(JoinTest, TheSmallerSideDrives) {
  std::vector<IntRow> big;
  for (Integer i = 0; i < 1000; ++i) big.push_back({i, i % 7});
  std::vector<IntRow> small;
  for (Integer i = 0; i < 10; ++i) small.push_back({i * 100, i});
  CreateTable("big", {"id", "v"}, big);
  CreateTable("small", {"id", "v"}, small);
  for (bool bigFirst : {true, false}) {
    SCOPED_TRACE(bigFirst ? "big joined with small" : "small joined with big");
    const char* first = bigFirst ? "big" : "small";
    const char* second = bigFirst ? "small" : "big";
    TSQLMemFields firstFields, secondFields;
    TSQLMemSelectListItem item;
    item.FieldName = "id";
    item.TableName = first;
    firstFields.Add(item);
    item.TableName = second;
    secondFields.Add(item);
    TSQLMemAOJoin op(std::make_unique<TSQLMemAOTable>(kDataSetTestDatabase, false, false, first, first),
                     std::make_unique<TSQLMemAOTable>(kDataSetTestDatabase, false, false, second, second),
                     TSQLMemAOJoin::kInner, false, firstFields, secondFields);
    TSQLMemSelectListItem all;
    all.AllColumns = true;
    std::vector<TSQLMemSelectListItem> items{all};
    op.SetSelectList(items, false);
    op.LockTables();
    op.Execute(true);
    op.UnlockTables();
    EXPECT_EQ(op.LeftDrives(), !bigFirst) << "the 10-row side drives";
    EXPECT_EQ(op.RecordCount(), 10);
  }
}

}  // namespace
