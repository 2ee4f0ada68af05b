// The query operators over the diary's own table: where the WHERE goes, when rows are copied and in
// which order, TOP, DISTINCT, ORDER BY, the live result, the errors, and the table's use count.
#include "engine/sql/SQLMemRelationalAlgebra.h"

#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <vector>

#include "engine/dataset/SQLMemTable.h"
#include "engine/sql/SQLMemExprNodeArithmetic.h"
#include "engine/sql/SQLMemExprNodeBoolean.h"
#include "engine/sql/SQLMemExprNodeComparison.h"
#include "engine/sql/SQLMemExprNodeConst.h"
#include "engine/sql/SQLMemExprNodeField.h"
#include "engine/sql/SQLMemExpression.h"
#include "engine/sql/SQLMemLexer.h"
#include "engine/sql/SQLMemRecordComparison.h"
#include "engine/sql/SQLMemRelationalAlgebraPlanning.h"
#include "engine/sql/SQLMemRelationalAlgebraTable.h"
#include "tests/engine/dataset/DataSetTestSupport.h"
#include "vcl/db/IndexDefs.h"

namespace {

using Rows = std::vector<std::string>;

std::unique_ptr<TSQLMemExprNode> Field(const char* name, const char* table = "") {
  return std::make_unique<TSQLMemExprNodeField>(nullptr, table, name);
}

std::unique_ptr<TSQLMemExprNode> Text(const char* text) {
  TSQLMemVariant value;
  value.SetAsString(text);
  return std::make_unique<TSQLMemExprNodeConst>(value);
}

std::unique_ptr<TSQLMemExprNode> Int(Integer v) {
  TSQLMemVariant value;
  value.SetAsInteger(v);
  return std::make_unique<TSQLMemExprNodeConst>(value);
}

std::unique_ptr<TSQLMemExprNode> Compare(Byte op, std::unique_ptr<TSQLMemExprNode> left,
                                         std::unique_ptr<TSQLMemExprNode> right) {
  return std::make_unique<TSQLMemExprNodeComparison>(op, std::move(left), std::move(right), true, false, false);
}

std::unique_ptr<TSQLMemExprNode> And(std::vector<std::unique_ptr<TSQLMemExprNode>> operands) {
  auto node = std::make_unique<TSQLMemExprNodeBoolean>(opAnd, true, false);
  for (auto& operand : operands) node->AddChild(std::move(operand));
  return node;
}

std::unique_ptr<TSQLMemExpression> Condition(std::unique_ptr<TSQLMemExprNode> root) {
  auto expression = std::make_unique<TSQLMemExpression>();
  expression->SetRoot(std::move(root));
  return expression;
}

TSQLMemSelectListItem Column(const char* name, const char* alias = "") {
  TSQLMemSelectListItem item;
  item.FieldName = name;
  item.Alias = alias;
  return item;
}

TSQLMemSelectListItem Star() {
  TSQLMemSelectListItem item;
  item.AllColumns = true;
  return item;
}

// An expression item; the operator takes the expression over.
TSQLMemSelectListItem Expression(std::unique_ptr<TSQLMemExprNode> root, const char* alias) {
  TSQLMemSelectListItem item;
  item.IsExpression = true;
  item.Expression = Condition(std::move(root)).release();
  item.Alias = alias;
  return item;
}

TSQLMemSortSpecification By(const char* name, bool descending = false) {
  TSQLMemSortSpecification spec;
  spec.FieldName = name;
  spec.Descending = descending;
  return spec;
}

TSQLMemSortSpecification ByPosition(Integer fieldNo) {
  TSQLMemSortSpecification spec;
  spec.FieldNo = fieldNo;
  return spec;
}

// A table operator that looks at its source while it scans: whether the table's cursor holds a filter,
// whether a condition is left to test per row, and the table's use count.
class ProbedTableOperator : public TSQLMemAOTable {
 public:
  ProbedTableOperator(bool live, std::function<Integer()> useCount)
      : TSQLMemAOTable(kDataSetTestDatabase, live, false, "", "fans"), useCount_(std::move(useCount)) {}

  bool cursorFiltered = false;
  bool conditionLeft = false;
  Integer useCountWhileScanning = -1;

 protected:
  bool RecordMatches() override {
    cursorFiltered = SourceDataSet()->Cursor()->FilterExpression != nullptr;
    conditionLeft = Condition() != nullptr;
    useCountWhileScanning = useCount_();
    return TSQLMemAOTable::RecordMatches();
  }

 private:
  std::function<Integer()> useCount_;
};

class RelationalAlgebraTest : public DiaryDataSetTest {
 protected:
  void SetUp() override {
    DiaryDataSetTest::SetUp();
    AddDays({{"2024.01.03", "Cherry", ""},
             {"2024.01.01", "Banana", ""},
             {"2024.01.02", "Apple", ""},
             {"2024.01.04", "Banana", ""}});
  }

  std::unique_ptr<ProbedTableOperator> Fans(bool live = false) {
    return std::make_unique<ProbedTableOperator>(live, [this] { return UseCount(); });
  }

  // The use count of the table's data, read through a cursor of its own.
  Integer UseCount() {
    TSQLMemLocalCursor cursor;
    cursor.Session = &EngineSession();
    cursor.InMemory = 1;
    cursor.TableName = "fans";
    cursor.OpenTable(nullptr, nullptr, nullptr);
    const Integer count = cursor.TableData()->UseCount();
    cursor.CloseTable();
    return count;
  }

  // What a statement does per run: lock, execute, unlock (also after a failure).
  static void Run(TSQLMemAO& op) {
    op.LockTables();
    try {
      op.Execute(true);
    } catch (...) {
      op.UnlockTables();
      throw;
    }
    op.UnlockTables();
  }

  // The result's rows, each as its fields' texts joined by "|", in the result's order.
  static std::vector<std::string> RowsOf(TSQLMemDataSet& result) {
    std::vector<std::string> rows;
    for (result.First(); !result.Eof(); result.Next()) {
      std::string row;
      for (int i = 0; i < result.FieldCount(); ++i) {
        if (i > 0) row += "|";
        row += result.Fields()[i]->AsString();
      }
      rows.push_back(row);
    }
    return rows;
  }

  std::vector<std::unique_ptr<TSQLMemLexer>> lexers_;

  static std::vector<std::string> FieldNames(TSQLMemDataSet& result) {
    std::vector<std::string> names;
    for (int i = 0; i < result.FieldCount(); ++i) names.push_back(result.Fields()[i]->FieldName());
    return names;
  }

  // A condition parsed from SQL text (the lexer lives as long as the test).
  std::unique_ptr<TSQLMemExpression> Where(const char* text) {
    lexers_.push_back(std::make_unique<TSQLMemLexer>(text, nullptr));
    EXPECT_TRUE(lexers_.back()->NextStatement());
    auto expression = std::make_unique<TSQLMemExpression>();
    expression->ParseCondition(*lexers_.back());
    return expression;
  }

  static const std::vector<TSQLMemSelectListItem> DayAndTitle() { return {Column("ShortDateDay"), Column("Title")}; }
};


TEST_F(RelationalAlgebraTest, ACopySortedOnAnIndexedColumnFollowsTheIndexAndTheWhereFiltersTheCursor) {
  auto op = Fans();
  op->SetCondition(Condition(Compare(opNotEqual, Field("Title"), Text("Apple"))));
  op->SetSelectList(DayAndTitle(), false);
  const TSQLMemSortSpecification day[] = {By("ShortDateDay")};
  op->SetOrderBy(day, "");
  Run(*op);

  EXPECT_TRUE(op->cursorFiltered) << "the WHERE runs inside the table's cursor";
  EXPECT_FALSE(op->conditionLeft) << "nothing is left to test per row";
  auto* result = dynamic_cast<TSQLMemTable*>(op->ResultDataSet());
  ASSERT_NE(result, nullptr);
  EXPECT_NE(op->ResultDataSet(), op->SourceDataSet());
  EXPECT_TRUE(result->Temporary()) << "a copy lives in TEMP";
  EXPECT_EQ(result->IndexDefs().Count(), 0) << "the source's index gave the order: no temporary index";
  EXPECT_EQ(RowsOf(*result), (Rows{"2024.01.01|Banana", "2024.01.03|Cherry", "2024.01.04|Banana"}));
  EXPECT_EQ(UseCount(), 0);
}

TEST_F(RelationalAlgebraTest, AnOrderNoIndexServesGetsATemporaryIndexOnTheResultsOwnField) {
  const struct {
    const char* name;
    const char* alias;
    bool descending;
    Rows rows;
  } cases[] = {
      {"by Title", "", false, {"2024.01.02|Apple", "2024.01.01|Banana", "2024.01.04|Banana", "2024.01.03|Cherry"}},
      {"by an aliased Title", "Heading", false,
       {"2024.01.02|Apple", "2024.01.01|Banana", "2024.01.04|Banana", "2024.01.03|Cherry"}},
      {"by Title descending", "", true, {"2024.01.03|Cherry", "2024.01.01|Banana", "2024.01.04|Banana", "2024.01.02|Apple"}},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    auto op = Fans();
    const std::vector<TSQLMemSelectListItem> items = {Column("ShortDateDay"), Column("Title", c.alias)};
    op->SetSelectList(items, false);
    const TSQLMemSortSpecification title[] = {By("Title", c.descending)};
    op->SetOrderBy(title, "");
    Run(*op);
    auto* result = dynamic_cast<TSQLMemTable*>(op->ResultDataSet());
    ASSERT_NE(result, nullptr);
    EXPECT_EQ(result->IndexName().substr(0, 22), "TEMPORARY_TABLE_INDEX_");
    // Equal titles keep no particular order: compare the titles only, and the set of days.
    Rows titles;
    for (const std::string& row : RowsOf(*result)) titles.push_back(row.substr(11));
    Rows expected;
    for (const std::string& row : c.rows) expected.push_back(row.substr(11));
    EXPECT_EQ(titles, expected);
    EXPECT_EQ(FieldNames(*result)[1], *c.alias != 0 ? c.alias : "Title");
  }
  EXPECT_EQ(UseCount(), 0);
}

TEST_F(RelationalAlgebraTest, AnUnselectedSortColumnOrdersTheRowsWithoutBeingShown) {
  // Descending: no index serves it, the copy sorts. Ascending and live: the table's index does.
  const struct {
    bool descending, live;
    Rows rows;
  } cases[] = {
      {true, false, {"Banana", "Cherry", "Apple", "Banana"}},
      {false, true, {"Banana", "Apple", "Cherry", "Banana"}},
  };
  for (const auto& c : cases) {
    auto op = Fans(c.live);
    const std::vector<TSQLMemSelectListItem> items = {Column("Title")};
    op->SetSelectList(items, false);
    const TSQLMemSortSpecification day[] = {By("ShortDateDay", c.descending)};
    op->SetOrderBy(day, "");
    Run(*op);
    EXPECT_EQ(op->ResultIsSource(), c.live);
    EXPECT_EQ(FieldNames(*op->ResultDataSet()), std::vector<std::string>{"Title"});
    EXPECT_EQ(RowsOf(*op->ResultDataSet()), c.rows);
  }
}

TEST_F(RelationalAlgebraTest, ALiveQueryReturnsTheTableItselfFilteredAndProjected) {
  auto op = Fans(true);
  op->SetCondition(Condition(Compare(opEqual, Field("Title"), Text("Banana"))));
  const std::vector<TSQLMemSelectListItem> items = {Column("Title", "Heading"), Column("ShortDateDay")};
  op->SetSelectList(items, false);
  const TSQLMemSortSpecification day[] = {By("ShortDateDay")};
  op->SetOrderBy(day, "");
  Run(*op);

  EXPECT_TRUE(op->ResultIsSource());
  ASSERT_EQ(op->ResultDataSet(), op->SourceDataSet()) << "the result is the table's own dataset and cursor";
  EXPECT_NE(op->SourceDataSet()->Cursor()->FilterExpression, nullptr) << "the WHERE is the cursor's filter";
  EXPECT_EQ(op->SourceDataSet()->IndexName(), "ByShortDate");
  EXPECT_EQ(FieldNames(*op->ResultDataSet()), (std::vector<std::string>{"Heading", "ShortDateDay"}));
  EXPECT_EQ(RowsOf(*op->ResultDataSet()), (Rows{"Banana|2024.01.01", "Banana|2024.01.04"}));
  EXPECT_EQ(UseCount(), 0);
}

TEST_F(RelationalAlgebraTest, TopCountsAppendedRowsFromItsFirstRow) {
  const struct {
    const char* name;
    Integer first, count;
    bool sorted, distinct;
    Rows rows;
  } cases[] = {
      {"TOP 2 in the table's order", -1, 2, false, false, {"Cherry", "Banana"}},
      {"TOP 2 from row 2", 2, 2, false, false, {"Banana", "Apple"}},
      {"TOP 0", -1, 0, false, false, {}},
      {"TOP past the end", 3, 5, false, false, {"Apple", "Banana"}},
      {"TOP 2 from row 2 after sorting", 2, 2, true, false, {"Banana", "Banana"}},
      {"TOP 3 DISTINCT: duplicates do not count", -1, 3, false, true, {"Cherry", "Banana", "Apple"}},
      {"TOP 2 from row 2 DISTINCT", 2, 2, false, true, {"Banana", "Apple"}},
      {"TOP 2 DISTINCT after sorting", -1, 2, true, true, {"Apple", "Banana"}},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    auto op = Fans();
    const std::vector<TSQLMemSelectListItem> items = {Column("Title")};
    op->SetSelectList(items, c.distinct);
    op->SetTop(c.first, c.count);
    if (c.sorted) {
      const TSQLMemSortSpecification title[] = {By("Title")};
      op->SetOrderBy(title, "");
    }
    Run(*op);
    EXPECT_EQ(RowsOf(*op->ResultDataSet()), c.rows);
  }
  EXPECT_EQ(UseCount(), 0);
}

TEST_F(RelationalAlgebraTest, DistinctKeepsTwoRowsWhoseHashesCollide) {
  // Two titles whose value hashes are equal (found by a search over "t<number>"; checked below).
  const std::string first = "t82177";
  const std::string second = "t760819";
  AddDays({{"2024.02.01", first, ""}, {"2024.02.02", second, ""}, {"2024.02.03", first, ""}});
  {
    TSQLMemVariant a, b;
    a.SetAsString(first);
    b.SetAsString(second);
    TSQLMemRecordComparison comparison(1, 0);
    comparison.SetItem(a, 0);
    comparison.CombineHashes();
    const Cardinal hashOfFirst = comparison.CombinedHash();
    comparison.SetItem(b, 0);
    comparison.CombineHashes();
    ASSERT_EQ(comparison.CombinedHash(), hashOfFirst) << "the rows' combined hashes collide";
  }

  auto op = Fans();
  op->SetCondition(Condition(Compare(opGreater, Field("ShortDateDay"), Text("2024.02"))));
  const std::vector<TSQLMemSelectListItem> items = {Column("Title")};
  op->SetSelectList(items, true);
  Run(*op);
  EXPECT_EQ(RowsOf(*op->ResultDataSet()), (Rows{first, second})) << "the collision keeps both, the repeat goes";
}

TEST_F(RelationalAlgebraTest, RecordComparisonTellsTypesApartAndChecksItsItemNumber) {
  TSQLMemRecordComparison comparison(2, 1000);
  const auto row = [&](const TSQLMemVariant& a, const TSQLMemVariant& b) {
    comparison.SetItem(a, 0);
    comparison.SetItem(b, 1);
    comparison.CombineHashes();
    return comparison.IsNew();
  };
  TSQLMemVariant one, oneDouble, text, null(edtInteger);
  one.SetAsInteger(1);
  oneDouble.SetAsDouble(1.0);
  text.SetAsString("a");
  EXPECT_TRUE(row(one, text));
  EXPECT_FALSE(row(one, text));
  EXPECT_TRUE(row(oneDouble, text)) << "1 and 1.0 stay two rows";
  EXPECT_TRUE(row(one, null));
  EXPECT_FALSE(row(one, null));
  ExpectEngineError([&] { comparison.SetItem(one, 2); }, 11661, "Invalid item number - ItemNo = 2, ItemCount = 2 - Native error: 11661");
}

TEST_F(RelationalAlgebraTest, ExpressionColumnsAndStarNeedACopy) {
  auto op = Fans(true);
  std::vector<TSQLMemSelectListItem> items = {Star()};
  auto sum = std::make_unique<TSQLMemExprNodeArithmetic>(opPlus, Field("RecID"));
  sum->AddChild(Int(100));
  items.push_back(Expression(std::move(sum), "Plus"));
  op->SetSelectList(items, false);
  const TSQLMemSortSpecification recId[] = {By("RecID")};
  op->SetOrderBy(recId, "");
  Run(*op);
  EXPECT_FALSE(op->ResultIsSource()) << "an expression column is copied even for a live query";
  EXPECT_EQ(FieldNames(*op->ResultDataSet()),
            (std::vector<std::string>{"RecID", "ShortDateDay", "Title", "Text", "Plus"}));
  EXPECT_EQ(RowsOf(*op->ResultDataSet()).front(), "1|2024.01.03|Cherry||101");
}

TEST_F(RelationalAlgebraTest, ErrorsOfOrderByAndOfTheSource) {
  {
    auto op = Fans();
    op->SetSelectList(DayAndTitle(), false);
    const TSQLMemSortSpecification third[] = {ByPosition(3)};
    ExpectEngineError([&] { op->SetOrderBy(third, ""); }, 11666,
                      "Invalid field number in ORDER BY clause. FieldNo = 2, number of fields = 2 - Native error: 11666");
    const TSQLMemSortSpecification missing[] = {By("Nope")};
    ExpectEngineError([&] { op->SetOrderBy(missing, ""); }, 30195, "Column 'Nope' from ORDER BY clause not found - Native error: 30195");
    op->SetOrderBy({}, "NoSuchIndex");
    ExpectEngineError([&] { Run(*op); }, 11667, "Error - index 'NoSuchIndex' does not exist in table 'fans' - Native error: 11667");
  }
  EXPECT_EQ(UseCount(), 0);
  {
    auto op = Fans();
    const std::vector<TSQLMemSelectListItem> items = {Column("Nope")};
    ExpectEngineError([&] { op->SetSelectList(items, false); }, 10305, "Cannot find field Nope - Native error: 10305");
  }
  ExpectEngineError([] { TSQLMemAOTable(kDataSetTestDatabase, false, true, "", "missing"); }, 11505,
                    "Table 'missing' does not exist - Native error: 11505");
  try {
    TSQLMemAOTable(kDataSetTestDatabase, false, false, "", "missing");
    ADD_FAILURE() << "a missing table opened";
  } catch (const ESQLMemException& e) {
    EXPECT_EQ(e.NativeError(), 10303);
    const std::string message = e.Message();
    EXPECT_EQ(message.rfind("Cannot open table or sub-query. \r\nTableName = missing\r\nDatabaseName = DATASETTEST", 0), 0u)
        << message;
    EXPECT_NE(message.find("Error: \r\n"), std::string::npos);
    EXPECT_GT(message.size(), message.find("Error: \r\n") + 9) << "the underlying message follows";
  }
}

TEST_F(RelationalAlgebraTest, TheUseCountIsHeldForTheRunAndGivenBackAfterAFailure) {
  {
    auto op = Fans();
    op->SetSelectList(DayAndTitle(), false);
    Run(*op);
    EXPECT_EQ(op->useCountWhileScanning, 1);
  }
  EXPECT_EQ(UseCount(), 0);
  {
    // RecID / 0 fails on the first row.
    auto op = Fans();
    auto quotient = std::make_unique<TSQLMemExprNodeArithmetic>(opDivide, Field("RecID"));
    quotient->AddChild(Int(0));
    std::vector<TSQLMemSelectListItem> items;
    items.push_back(Expression(std::move(quotient), "Q"));
    op->SetSelectList(items, false);
    try {
      Run(*op);
      ADD_FAILURE() << "no division error";
    } catch (const ESQLMemException& e) {
      EXPECT_EQ(e.NativeError(), 30128);
    }
    EXPECT_EQ(op->useCountWhileScanning, 1);
    EXPECT_EQ(UseCount(), 0) << "given back on the failing road";
    EXPECT_FALSE(op->TableUseCounted());
  }
  {
    // A failure after locking and before any run: the destructor gives the count back.
    auto op = Fans();
    op->LockTables();
    EXPECT_EQ(UseCount(), 1);
  }
  EXPECT_EQ(UseCount(), 0);
}

TEST_F(RelationalAlgebraTest, SelectIntoReplacesAClosedTableAndRefusesOneInUse) {
  {
    auto op = Fans();
    op->SetSelectList(DayAndTitle(), false);
    op->SetResultTable(false, "copied", kDataSetTestDatabase);
    Run(*op);
    EXPECT_EQ(RowsOf(*op->ResultDataSet()).size(), 4u);
  }
  {
    // Again, sorted: the sorted copy replaces the earlier table.
    auto op = Fans();
    op->SetSelectList(DayAndTitle(), false);
    op->SetResultTable(false, "copied", kDataSetTestDatabase);
    const TSQLMemSortSpecification title[] = {By("Title", true)};
    op->SetOrderBy(title, "");
    Run(*op);
    EXPECT_EQ(RowsOf(*op->ResultDataSet()).front(), "2024.01.03|Cherry");
  }
  {
    // INTO the statement's own source, which the operator has open: refused, the table stays whole.
    auto op = Fans();
    op->SetSelectList(DayAndTitle(), false);
    op->SetResultTable(false, "fans", kDataSetTestDatabase);
    EXPECT_THROW(Run(*op), ESQLMemException);
  }
  EXPECT_EQ(UseCount(), 0);
  dataSet->Open();
  EXPECT_EQ(dataSet->RecordCount(), 4) << "the source keeps its rows";
  dataSet->Close();
  auto* copied = New<TSQLMemTable>(nullptr);
  copied->SetDatabaseName(kDataSetTestDatabase);
  copied->SetTableName("copied");
  copied->Open();
  EXPECT_EQ(copied->RecordCount(), 4);
  copied->Close();
  copied->DeleteTable(true);
  delete copied;
}

// ---- placing conditions ----

class ConditionPlacementTest : public RelationalAlgebraTest {};

TEST_F(ConditionPlacementTest, ExtractTableConditionTakesTheTermsOfItsTableAlone) {
  auto op = Fans();
  // A column of another source: the third term reads it, so it stays with the operator.
  auto otherField = Field("Title");
  auto other = Fans();
  otherField->BindToOperator(other.get());
  std::vector<std::unique_ptr<TSQLMemExprNode>> terms;
  terms.push_back(Compare(opEqual, Field("Title"), Text("Banana")));
  terms.push_back(Compare(opGreater, Field("ShortDateDay"), Text("2024.01.01")));
  terms.push_back(Compare(opEqual, std::move(otherField), Text("x")));
  TSQLMemExpression condition;
  condition.SetRoot(And(std::move(terms)));
  condition.Root()->Child(0).BindToOperator(op.get());
  condition.Root()->Child(1).BindToOperator(op.get());

  std::unique_ptr<TSQLMemExpression> filter = ExtractTableCondition(condition, *op);
  ASSERT_NE(filter, nullptr);
  EXPECT_EQ(filter->Root()->Operator(), opAnd);
  EXPECT_EQ(filter->Root()->ChildCount(), 2);
  ASSERT_FALSE(condition.IsEmpty());
  EXPECT_EQ(condition.Root()->ChildCount(), 1) << "the other source's term stays";
  // The filter reads the table's records: bound to its cursor.
  auto& field = dynamic_cast<TSQLMemExprNodeField&>(filter->Root()->Child(0).Child(0));
  EXPECT_EQ(field.Cursor(), op->SourceDataSet()->Cursor());

  // Nothing of the table's left: nothing is returned and the condition stays as it is.
  EXPECT_EQ(ExtractTableCondition(condition, *op), nullptr);
  EXPECT_EQ(condition.Root()->ChildCount(), 1);

  // A single term that is the table's: the whole root moves.
  TSQLMemExpression single;
  single.SetRoot(Compare(opEqual, Field("Title"), Text("Apple")));
  single.BindToOperator(op.get());
  filter = ExtractTableCondition(single, *op);
  ASSERT_NE(filter, nullptr);
  EXPECT_EQ(filter->Root()->Operator(), opEqual);
  EXPECT_TRUE(single.IsEmpty());
}

TEST_F(ConditionPlacementTest, PushDownSendsEachTermToTheDeepestOperatorThatHasItsColumns) {
  // A pass-through operator over the table: it has no columns of its own, so table terms go below it.
  auto table = Fans();
  ProbedTableOperator* leaf = table.get();
  TSQLMemAO parent(std::move(table), nullptr, "", "");
  std::vector<std::unique_ptr<TSQLMemExprNode>> terms;
  terms.push_back(Compare(opEqual, Field("Title"), Text("Banana")));
  terms.push_back(Compare(opEqual, Field("Nope"), Int(1)));
  terms.push_back(Compare(opGreater, Field("ShortDateDay", "fans"), Text("2024.01.01")));
  TSQLMemExpression where;
  where.SetRoot(And(std::move(terms)));

  PushDownConditions(where, parent, true);
  EXPECT_EQ(where.Root()->ChildCount(), 3) << "with stop, only the operator itself is offered the terms";
  EXPECT_EQ(leaf->Condition(), nullptr);

  PushDownConditions(where, parent, false);
  ASSERT_NE(leaf->Condition(), nullptr);
  EXPECT_EQ(leaf->Condition()->Root()->Operator(), opAnd);
  EXPECT_EQ(leaf->Condition()->Root()->ChildCount(), 2);
  EXPECT_EQ(parent.Condition(), nullptr);
  ASSERT_FALSE(where.IsEmpty());
  EXPECT_EQ(where.Root()->ChildCount(), 1) << "a term no operator can read stays";

  // A later single term joins the operator's AND; a root that moves whole empties the expression.
  TSQLMemExpression more;
  more.SetRoot(Compare(opLess, Field("Title"), Text("Z")));
  PushDownConditions(more, parent, false);
  EXPECT_TRUE(more.IsEmpty());
  EXPECT_EQ(leaf->Condition()->Root()->ChildCount(), 3);

  // The pushed condition runs in the table's cursor.
  leaf->SetSelectList(DayAndTitle(), false);
  leaf->LockTables();
  leaf->Execute(true);
  leaf->UnlockTables();
  EXPECT_TRUE(leaf->cursorFiltered);
  EXPECT_EQ(RowsOf(*leaf->ResultDataSet()), (Rows{"2024.01.04|Banana"}));
}

TEST_F(ConditionPlacementTest, ParsedWhereClausesLandInTheTablesCursor) {
  const struct {
    const char* where;
    bool live;
    Rows rows;
  } cases[] = {
      {"lower(Title) like '%an%' and ShortDateDay > '2024.01.01'", false, {"2024.01.04|Banana"}},
      {"Title = 'Banana' or Title = 'Apple'", false, {"2024.01.01|Banana", "2024.01.02|Apple", "2024.01.04|Banana"}},
      {"ShortDateDay between '2024.01.02' and '2024.01.03' and not (Title = 'Apple')", true, {"2024.01.03|Cherry"}},
      {"Title like 'B%'", true, {"2024.01.01|Banana", "2024.01.04|Banana"}},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.where);
    auto op = Fans(c.live);
    op->SetCondition(Where(c.where));
    op->SetSelectList(DayAndTitle(), false);
    const TSQLMemSortSpecification day[] = {By("ShortDateDay")};
    op->SetOrderBy(day, "");
    Run(*op);
    EXPECT_EQ(op->ResultIsSource(), c.live);
    if (c.live) {
      EXPECT_NE(op->SourceDataSet()->Cursor()->FilterExpression, nullptr);
    } else {
      EXPECT_TRUE(op->cursorFiltered);
      EXPECT_FALSE(op->conditionLeft);
    }
    EXPECT_EQ(RowsOf(*op->ResultDataSet()), c.rows);
  }
  EXPECT_EQ(UseCount(), 0);
}

TEST_F(ConditionPlacementTest, ParsedConjunctsArePlacedOneByOne) {
  const struct {
    const char* where;
    Integer toTable;   // conjuncts the table operator takes (0: none, -1: the whole root)
    Integer leftOver;  // conjuncts that stay (-1: the expression is empty)
  } cases[] = {
      {"Title = 'a'", -1, -1},
      {"Title = 'a' and fans.ShortDateDay > '2' and RecID < 3", 3, -1},
      {"Title = 'a' and Nope = 1", 1, 1},
      {"Title = 'a' and x.Title = 'b' and Nope = 1", 1, 2},
      {"Title = 'a' or Nope = 1", 0, 0},
      {"Nope = 1", 0, 0},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.where);
    auto table = Fans();
    ProbedTableOperator* leaf = table.get();
    TSQLMemAO parent(std::move(table), nullptr, "", "");
    std::unique_ptr<TSQLMemExpression> where = Where(c.where);
    PushDownConditions(*where, parent, false);
    EXPECT_EQ(parent.Condition(), nullptr);
    if (c.toTable == 0) {
      EXPECT_EQ(leaf->Condition(), nullptr);
    } else {
      ASSERT_NE(leaf->Condition(), nullptr);
      const TSQLMemExprNode& root = *leaf->Condition()->Root();
      if (c.toTable < 0 || c.toTable == 1)
        EXPECT_NE(root.Operator(), opAnd) << "a single conjunct is the condition's root";
      else
        EXPECT_EQ(root.ChildCount(), c.toTable);
    }
    if (c.leftOver < 0)
      EXPECT_TRUE(where->IsEmpty());
    else if (c.leftOver > 1)
      EXPECT_EQ(where->Root()->ChildCount(), c.leftOver);
    else
      EXPECT_FALSE(where->IsEmpty());

    // What the table took, bound to it, goes whole into its cursor.
    if (leaf->Condition() == nullptr) continue;
    leaf->Condition()->BindToOperator(leaf);
    std::unique_ptr<TSQLMemExpression> filter = ExtractTableCondition(*leaf->Condition(), *leaf);
    ASSERT_NE(filter, nullptr);
    EXPECT_TRUE(leaf->Condition()->IsEmpty());
  }
}

TEST_F(ConditionPlacementTest, ACursorGivenANewFilterForgetsTheRecordsTheOldOneChose) {
  // The join operator puts a new lookup condition into the same cursor for every driving row.
  std::unique_ptr<TSQLMemTable> table(New<TSQLMemTable>(nullptr));
  table->SetDatabaseName(kDataSetTestDatabase);
  table->SetTableName("fans");
  table->Open();
  const struct {
    const char* where;
    Integer count;
  } filters[] = {{"Title = 'Banana'", 2}, {"Title = 'Apple'", 1}, {"Title <> 'Cherry'", 3}, {"Title = 'None'", 0}};
  for (const auto& f : filters) {
    SCOPED_TRACE(f.where);
    table->SetFilterExpression(Where(f.where));
    table->First();
    EXPECT_EQ(table->RecordCount(), f.count);
    EXPECT_EQ(static_cast<Integer>(RowsOf(*table).size()), f.count);
  }
  table->Close();
}

// Columns of two inputs side by side, as the join lays them out.
class SideBySide : public TSQLMemAO {
 public:
  SideBySide(std::unique_ptr<TSQLMemAO> left, std::unique_ptr<TSQLMemAO> right)
      : TSQLMemAO(std::move(left), std::move(right), "", "") {
    for (TSQLMemAO* input : {Left(), Right()})
      for (Integer i = 0; i < input->ColumnCount(); ++i) {
        TSQLMemFieldLink link = input->Column(i);
        link.Owner = input;
        link.DataSet = nullptr;
        link.SourceIndex = i;
        columns_.push_back(link);
      }
    MakeColumnNamesUnique();
  }
};

TEST_F(RelationalAlgebraTest, ColumnsOfTwoInputsGetUniqueNamesAndShowTheirOwnWhereTheyCan) {
  const auto table = [](const char* alias) {
    return std::make_unique<TSQLMemAOTable>(kDataSetTestDatabase, false, false, alias, "fans");
  };
  const auto names = [](const TSQLMemAO& op) {
    std::vector<std::string> result;
    for (Integer i = 0; i < op.ColumnCount(); ++i) result.push_back(op.Column(i).Name);
    return result;
  };
  const auto shown = [](const TSQLMemAO& op) {
    std::vector<std::string> result;
    for (Integer column : op.OutputColumns()) result.push_back(op.Column(column).DisplayName);
    return result;
  };
  {
    SideBySide joined(table("a"), table("b"));
    EXPECT_EQ(names(joined), (std::vector<std::string>{"RecID", "ShortDateDay", "Title", "Text", "RecID_1",
                                                       "ShortDateDay_1", "Title_1", "Text_1"}));
    TSQLMemIntegerArray found(0, 4, 64);
    EXPECT_EQ(joined.FindColumns("title", "", found, false), 2) << "an unqualified name is found in both inputs";
    TSQLMemSelectListItem a = Column("RecID"), b = Column("RecID");
    a.TableName = "a";
    b.TableName = "b";
    const std::vector<TSQLMemSelectListItem> both = {a, b};
    joined.SetSelectList(both, false);
    EXPECT_EQ(shown(joined), (std::vector<std::string>{"RecID", "RecID_1"}));
  }
  {
    SideBySide joined(table("a"), table("b"));
    TSQLMemSelectListItem b = Column("RecID");
    b.TableName = "b";
    const std::vector<TSQLMemSelectListItem> second = {b};
    joined.SetSelectList(second, false);
    EXPECT_EQ(shown(joined), std::vector<std::string>{"RecID"}) << "alone, the second table's column shows its name";
  }
  {
    SideBySide three(std::make_unique<SideBySide>(table("a"), table("b")), table("c"));
    EXPECT_EQ(names(three)[8], "RecID_12") << "a name that keeps colliding takes further digits";
  }
}

TEST_F(RelationalAlgebraTest, ReadingColumnsOutsideTheOutput) {
  auto op = Fans();
  TSQLMemVariant value;
  ExpectEngineError([&] { op->GetColumnValue(value, 0, false, 0); }, 10310,
                    "Cannot access hidden field: table name = fans, field name = RecID, display name = , FieldNo = 0"
                    " - Native error: 10310");
  ExpectEngineError([&] { op->GetColumnValue(value, 4, true, 0); }, 10307,
                    "Invalid field number - FieldNo = 4, FieldCount = 4 - Native error: 10307");
  ExpectEngineError([&] { op->GetColumnType(-1); }, 10376,
                    "Invalid field number - FieldNo = -1, FieldCount = 4 - Native error: 10376");
  op->SourceDataSet()->First();
  op->GetColumnValue(value, 2, true, 0);
  EXPECT_EQ(value.GetAsString(), "Cherry") << "a condition reads hidden columns";
}

TEST_F(RelationalAlgebraTest, EachCopyRuleAloneMakesACopy) {
  const struct {
    const char* name;
    bool live, topLevel, top, distinct, into, orderByTitle;
    bool copied;
  } cases[] = {
      {"live", true, true, false, false, false, false, false},
      {"an input of another operator", false, false, false, false, false, false, false},
      {"top level and not live", false, true, false, false, false, false, true},
      {"TOP", true, true, true, false, false, false, true},
      {"DISTINCT", true, true, false, true, false, false, true},
      {"INTO", true, true, false, false, true, false, true},
      {"an order no index serves", true, true, false, false, false, true, true},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    {
      auto op = Fans(c.live);
      op->SetSelectList(DayAndTitle(), c.distinct);
      if (c.top) op->SetTop(-1, 10);
      if (c.into) op->SetResultTable(false, "copied", kDataSetTestDatabase);
      if (c.orderByTitle) {
        const TSQLMemSortSpecification title[] = {By("Title")};
        op->SetOrderBy(title, "");
      }
      op->LockTables();
      op->Execute(c.topLevel);
      op->UnlockTables();
      EXPECT_EQ(op->ResultIsSource(), !c.copied);
      EXPECT_EQ(op->SourceDataSet() == nullptr, c.copied) << "a copied source is let go";
      EXPECT_EQ(RowsOf(*op->ResultDataSet()).size(), 4u) << "day and title pairs are all different";
    }
    EXPECT_EQ(UseCount(), 0);
  }
  auto* copied = New<TSQLMemTable>(nullptr);
  copied->SetDatabaseName(kDataSetTestDatabase);
  copied->SetTableName("copied");
  copied->DeleteTable(true);
  delete copied;
}

}  // namespace
