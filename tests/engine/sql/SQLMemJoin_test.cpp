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

  // Every statement of JoinCases gives SQLite's rows.
  void ExpectJoinCases();
};

// Statements over a, b and e with SQLite's rows for them.
struct JoinCase {
  const char* sql;
  SQLRows rows;
};

const std::vector<JoinCase>& JoinCases() {
  static const SQLRows inner = {"1|10|1|10", "1|10|1|11", "3|30|3|99"};
  static const std::vector<JoinCase> cases = {
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
      // Two pairs; a WHERE term of one side filters that side while it is searched.
      {"select a.k, b.k from a join b on a.id = b.id and a.k = b.k", {"10|10"}},
      {"select a.id, b.k from a join b on a.id = b.id where b.flag = 0", {"1|11", "3|99"}},
      {"select a.id, b.k from a join b on a.id = b.id where a.flag = 1 and b.k > 10", {"3|99"}},
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
  return cases;
}

void JoinTest::ExpectJoinCases() {
  for (const JoinCase& c : JoinCases()) {
    SCOPED_TRACE(c.sql);
    try {
      EXPECT_EQ(Sorted(c.sql), Sorted(c.rows));
    } catch (const ESQLMemException& e) {
      ADD_FAILURE() << e.Message();
    }
  }
}

TEST_F(JoinTest, EveryJoinKindGivesSQLitesRows) {
  ExpectJoinCases();
  EXPECT_EQ(Run("select a.id, b.id from a cross join b").size(), 16u);
  EXPECT_EQ(Run("select a.id, b.id from a, b").size(), 16u);
}

// The lookup side is searched through its index on the join column: the same rows.
TEST_F(JoinTest, IndexedJoinColumnsGiveTheSameRows) {
  AddIndex("a", "a_id", "id");
  AddIndex("b", "b_id", "id");
  AddIndex("e", "e_id", "id");
  ExpectJoinCases();
}

// Join columns of text are searched through the lookup cursor's filter, integer ones through a hash
// of the lookup rows: every join kind gives the same rows both ways.
TEST_F(JoinTest, TextJoinColumnsGiveTheSameRows) {
  for (const char* name : {"a", "b", "e"}) {
    SQLRows rows = Run((std::string("select id, k, flag from ") + name).c_str());
    std::vector<TextRow> texts;
    for (const std::string& row : rows) {
      TextRow& text = texts.emplace_back();
      for (std::size_t start = 0;;) {
        const std::size_t bar = row.find('|', start);
        text.push_back(row.substr(start, bar - start));
        if (bar == std::string::npos) break;
        start = bar + 1;
      }
    }
    Run((std::string("drop table ") + name).c_str());
    CreateTable(name, {{"id", sftVarchar, 8}, {"k", sftInteger}, {"flag", sftInteger}}, texts);
  }
  ExpectJoinCases();
}

// Integer keys: a few driving rows are searched through the lookup side's index, more of them through
// a hash of the lookup rows. Both give every pair of equal keys, NULL matching NULL (and not 0), keys
// repeated on either side, and the unmatched rows of the outer joins.
TEST_F(JoinTest, IndexSearchedAndHashedLookupsFindEveryPair) {
  std::vector<IntRow> big;
  for (Integer v = 0; v < 400; ++v) big.push_back({v % 3 == 0 ? std::nullopt : std::optional<Integer>(v % 50), v});
  const std::vector<IntRow> few = {{std::nullopt, 1}, {7, 2}, {7, 3}, {0, 4}, {999, 5}};
  CreateTable("big", {"id", "v"}, big);
  CreateTable("few", {"id", "w"}, few);
  // The rows of few joined with big, worked out here: "w|v", "w|" and "|v".
  const auto expected = [&](bool keepFew, bool keepBig) {
    SQLRows rows;
    std::vector<bool> matched(big.size(), false);
    for (const IntRow& f : few) {
      bool any = false;
      for (std::size_t i = 0; i < big.size(); ++i) {
        if (big[i][0] != f[0]) continue;
        rows.push_back(std::to_string(*f[1]) + "|" + std::to_string(*big[i][1]));
        any = matched[i] = true;
      }
      if (!any && keepFew) rows.push_back(std::to_string(*f[1]) + "|");
    }
    for (std::size_t i = 0; i < big.size(); ++i)
      if (keepBig && !matched[i]) rows.push_back("|" + std::to_string(*big[i][1]));
    return Sorted(rows);
  };
  for (bool indexed : {false, true}) {
    SCOPED_TRACE(indexed ? "big searched through its index" : "big hashed");
    if (indexed) AddIndex("big", "big_id", "id");
    EXPECT_EQ(Sorted("select few.w, big.v from few join big on few.id = big.id"), expected(false, false));
    EXPECT_EQ(Sorted("select few.w, big.v from big, few where big.id = few.id"), expected(false, false));
    EXPECT_EQ(Sorted("select few.w, big.v from few left join big on few.id = big.id"), expected(true, false));
    EXPECT_EQ(Sorted("select few.w, big.v from big right join few on big.id = few.id"), expected(true, false));
    EXPECT_EQ(Sorted("select few.w, big.v from few full join big on few.id = big.id"), expected(true, true));
    // TOP ends the join on a match; the rows are read from the result afterwards.
    EXPECT_EQ(Run("select top 2 few.w, big.v from few join big on few.id = big.id").size(), 2u);
  }
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
  for (bool indexed : {false, true}) {
    SCOPED_TRACE(indexed ? "searched through an index" : "searched without an index");
    if (indexed) {
      AddIndex("n1", "n1_id", "id");
      AddIndex("n2", "n2_id", "id");
    }
    EXPECT_EQ(Sorted("select n1.v, n2.v from n1 join n2 on n1.id = n2.id"), SQLRows{"1|3"});
    EXPECT_EQ(Sorted("select n1.v, n2.v from n1, n2 where n1.id = n2.id"), SQLRows{"1|3"})
        << "also for the equalities a comma join takes out of the WHERE";
    EXPECT_EQ(Sorted("select n1.v, n2.v from n1 left join n2 on n1.id = n2.id"), (SQLRows{"1|3", "2|"}));
    EXPECT_EQ(Sorted("select n1.v, n2.v from n1 full join n2 on n1.id = n2.id"), (SQLRows{"1|3", "2|", "|4"}));
  }
}

TEST_F(JoinTest, IllFormedJoinsRaise) {
  ExpectSQLError([&] { Run("select * from a join b on id = b.id"); }, 10404, "");
  ExpectSQLError([&] { Run("select * from a join b using (nope)"); }, 10331, "");
  // An outer join needs an equality between its sides; an inner one without any is a filtered cross join.
  ExpectSQLError([&] { Run("select * from a left join b on a.k > b.k"); }, 10333, "");
  ExpectSQLError([&] { Run("select * from a full join b on a.id = 1"); }, 10333, "");
  EXPECT_EQ(Run("select a.id, b.id from a join b on a.k > b.k").size(), 7u);
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

// Without an index on a join column, or with one on both sides, the smaller side drives; a side that
// alone has one is searched through it.
TEST_F(JoinTest, TheDrivingSideIsTheSmallerOneUnlessAnIndexServesTheOther) {
  std::vector<IntRow> big;
  for (Integer i = 0; i < 1000; ++i) big.push_back({i, i % 7});
  std::vector<IntRow> small;
  for (Integer i = 0; i < 10; ++i) small.push_back({i * 100, i});
  const struct {
    bool indexBig, indexSmall, smallDrives;
  } cases[] = {{false, false, true}, {true, false, true}, {true, true, true}, {false, true, false}};
  int tables = 0;
  for (const auto& c : cases) {
    // Each case has tables of its own.
    const std::string bigName = "big" + std::to_string(tables);
    const std::string smallName = "small" + std::to_string(tables++);
    CreateTable(bigName.c_str(), {"id", "v"}, big);
    CreateTable(smallName.c_str(), {"id", "v"}, small);
    if (c.indexBig) AddIndex(bigName.c_str(), "big_id", "id");
    if (c.indexSmall) AddIndex(smallName.c_str(), "small_id", "id");
    for (bool bigFirst : {true, false}) {
      SCOPED_TRACE(std::string(bigFirst ? "big joined with small" : "small joined with big") +
                   (c.indexBig ? ", big indexed" : "") + (c.indexSmall ? ", small indexed" : ""));
      const char* first = bigFirst ? bigName.c_str() : smallName.c_str();
      const char* second = bigFirst ? smallName.c_str() : bigName.c_str();
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
      EXPECT_EQ(op.LeftDrives(), bigFirst != c.smallDrives);
      EXPECT_EQ(op.RecordCount(), 10);
    }
  }
}

}  // namespace
