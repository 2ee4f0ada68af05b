#include "engine/sql/SQLMemExprNodeAggregated.h"

#include <gtest/gtest.h>

#include <vector>

#include "ExprTestSupport.h"
#include "engine/storage/SQLMemDatabaseData.h"
#include "vcl/rtl/Strings.h"

namespace {

// The group's rows pass through the fixture's record: "Age" takes integers, "Name" texts.
class AggregateTest : public OneTableTest {
 protected:
  void PutRow(const char* field, const char* value) {
    const Integer fieldNo = cursor_->FieldDefs->IndexOfName(field);
    TSQLMemVariant v(cursor_->FieldDefs->GetFieldDef(fieldNo).DataType);
    if (std::string(value) != "NULL") v.SetAsString(value);
    cursor_->Put(fieldNo, v);
  }
  // Starts a group, feeds the rows (weight 1) and evaluates.
  AnsiString Run(TSQLMemExprNodeAggregated& node, const char* field, const std::vector<const char*>& rows) {
    node.StartAggregation();
    for (const char* row : rows) {
      PutRow(field, row);
      node.Accumulate(1);
    }
    return TextOf(node.Evaluate());
  }
  // How many tables the engine's temporary database holds.
  static Integer TemporaryTables() {
    TStringList names;
    FindDatabaseData(false, true, "TEMP", u"")->GetTableNames(names);
    return names.Count();
  }
};

TEST_F(AggregateTest, AggregatesOverTheRowsOfAGroup) {
  const struct {
    const char* name;
    Byte op;
    const char* field;
    bool distinct, descending;
    const char* separator;  // nullptr: none given
    std::vector<const char*> rows;
    const char* value;
  } cases[] = {
      {"COUNT(x) leaves NULLs out", opCount, "Age", false, false, nullptr, {"1", "NULL", "2", "NULL"}, "2"},
      {"COUNT(*) counts every row", opCountAll, "Age", false, false, nullptr, {"1", "NULL", "2", "NULL"}, "4"},
      {"COUNT(DISTINCT x)", opCount, "Age", true, false, nullptr, {"1", "2", "1", "NULL", "2"}, "2"},
      {"COUNT of no row", opCount, "Age", false, false, nullptr, {}, "0"},
      {"SUM", opSum, "Age", false, false, nullptr, {"1", "NULL", "2"}, "3"},
      {"SUM over NULLs only is 0", opSum, "Age", false, false, nullptr, {"NULL", "NULL"}, "0"},
      {"SUM over no row is NULL", opSum, "Age", false, false, nullptr, {}, "NULL"},
      {"SUM(DISTINCT x)", opSum, "Age", true, false, nullptr, {"1", "1", "2"}, "3"},
      {"AVG is a fraction", opAvg, "Age", false, false, nullptr, {"1", "NULL", "2"}, "1.5"},
      {"AVG(DISTINCT x)", opAvg, "Age", true, false, nullptr, {"1", "1", "4"}, "2.5"},
      {"AVG over NULLs only", opAvg, "Age", false, false, nullptr, {"NULL"}, "NULL"},
      {"MIN over NULL, 3, 1", opMin, "Age", false, false, nullptr, {"NULL", "3", "1"}, "1"},
      {"MAX", opMax, "Age", false, false, nullptr, {"3", "NULL", "7", "5"}, "7"},
      {"MAX ignores case", opMax, "Name", false, false, nullptr, {"a", "B", "NULL"}, "B"},
      {"MIN ignores case", opMin, "Name", false, false, nullptr, {"b", "A", "c"}, "A"},
      {"MIN of NULLs", opMin, "Name", false, false, nullptr, {"NULL"}, "NULL"},
      {"GROUP_CONCAT sorts", opGroupConcat, "Name", false, false, nullptr, {"b", "a", "NULL", "a"}, "a,a,b"},
      {"GROUP_CONCAT(DISTINCT)", opGroupConcat, "Name", true, false, nullptr, {"b", "a", "NULL", "a"}, "a,b"},
      {"GROUP_CONCAT(DESC)", opGroupConcat, "Name", false, true, nullptr, {"b", "a", "NULL", "a"}, "b,a,a"},
      {"GROUP_CONCAT with a separator", opGroupConcat, "Name", false, false, "; ", {"b", "a", "NULL", "a"}, "a; a; b"},
      {"GROUP_CONCAT of numbers", opGroupConcat, "Age", false, false, "-", {"10", "9", "NULL"}, "9-10"},
      {"GROUP_CONCAT of NULLs", opGroupConcat, "Name", false, false, nullptr, {"NULL"}, "NULL"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    TSQLMemExprNodeAggregated node(c.op, c.descending, c.op == opCountAll ? nullptr : Field(c.field), c.distinct,
                                   c.separator != nullptr ? Text(c.separator) : nullptr);
    EXPECT_EQ(Run(node, c.field, c.rows), c.value);
    EXPECT_EQ(TextOf(node.Evaluate()), c.value) << "evaluating again changes nothing";
    EXPECT_EQ(Run(node, c.field, c.rows), c.value) << "a second group starts afresh";
  }
}

TEST_F(AggregateTest, WeightsCountRowsAtOnce) {
  TSQLMemExprNodeAggregated countAll(opCountAll);
  countAll.StartAggregation();
  countAll.Accumulate(5);
  countAll.Accumulate(2);
  EXPECT_EQ(countAll.Evaluate().GetAsInteger(), 7);
  EXPECT_EQ(countAll.Evaluate().DataType(), edtInteger);
  EXPECT_TRUE(countAll.HasCountAll());
  EXPECT_TRUE(countAll.IsAggregated());
  TSQLMemExprNodeAggregated count(opCount, false, Field("Age"), false);
  EXPECT_FALSE(count.HasCountAll());
}

TEST_F(AggregateTest, ResultTypesAndSizes) {
  const struct {
    Byte op;
    const char* field;
    Integer type;
  } cases[] = {
      {opSum, "Age", sftLargeInt},     {opAvg, "Age", sftDouble},          {opMin, "Name", sftVarchar},
      {opMax, "Age", sftInteger},      {opCount, "Name", sftInteger},      {opGroupConcat, "Name", sftVarchar},
      {opGroupConcat, "Age", sftVarchar}, {opGroupConcat, "WName", sftWideVarchar},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(testing::Message() << OperatorName(c.op) << "(" << c.field << ")");
    TSQLMemExprNodeAggregated node(c.op, false, Field(c.field), false);
    EXPECT_EQ(node.GetResultType(), c.type);
  }
  TSQLMemVariant d;
  d.SetAsDouble(1.5);
  EXPECT_EQ(TSQLMemExprNodeAggregated(opSum, false, std::make_unique<TSQLMemExprNodeConst>(d), false).GetResultType(),
            sftDouble);
  EXPECT_EQ(TSQLMemExprNodeAggregated(opGroupConcat, false, Field("Name"), false).GetResultSize(), 1024);
  EXPECT_EQ(TSQLMemExprNodeAggregated(opMin, false, Field("Name"), false).GetResultSize(), 1024);
  EXPECT_EQ(TSQLMemExprNodeAggregated(opCountAll).GetResultType(), sftInteger);
}

TEST_F(AggregateTest, WideTextConcatenatesAsWideText) {
  TSQLMemExprNodeAggregated node(opGroupConcat, false, Field("WName"), false, WideText(u"+"));
  node.StartAggregation();
  for (const char16_t* name : {u"Őz", u"Ági"}) {
    TSQLMemVariant v(edtWideVarchar);
    v.SetAsWideString(name);
    Put("WName", v);
    node.Accumulate(1);
  }
  EXPECT_EQ(node.Evaluate().GetAsWideString(), WideString(u"Ági+Őz"));
}

TEST_F(AggregateTest, NoTemporaryTableIsLeftBehind) {
  const Integer before = TemporaryTables();
  {
    TSQLMemExprNodeAggregated node(opCount, false, Field("Age"), true);
    EXPECT_EQ(Run(node, "Age", {"1", "2"}), "2");
    const AnsiString first = node.TemporaryTableName();
    EXPECT_EQ(first.rfind("TEMPORARY_TABLE_", 0), 0u) << first;
    EXPECT_EQ(TemporaryTables(), before + 1);
    EXPECT_EQ(Run(node, "Age", {"1"}), "1");
    EXPECT_NE(node.TemporaryTableName(), first);
    EXPECT_EQ(TemporaryTables(), before + 1) << "each group drops the previous group's table";
    TSQLMemExprNodeAggregated concat(opGroupConcat, false, Field("Name"), false);
    Run(concat, "Name", {"a"});
    EXPECT_EQ(TemporaryTables(), before + 2);
  }
  EXPECT_EQ(TemporaryTables(), before) << "the nodes drop their tables";
  TSQLMemExprNodeAggregated plain(opCount, false, Field("Age"), false);
  Run(plain, "Age", {"1"});
  EXPECT_TRUE(plain.TemporaryTableName().empty()) << "COUNT without DISTINCT needs no table";
  EXPECT_EQ(TemporaryTables(), before);
}

TEST_F(AggregateTest, ErrorsOfTheAggregateNode) {
  TSQLMemExprNodeAggregated sum(opSum, false, Field("Name"), false);
  ExpectEngineError([&] { Run(sum, "Name", {"x"}); }, 30132, "Not numeric argument in numeric operator 'SUM' - Native error: 30132");
  TSQLMemExprNodeAggregated avg(opAvg, false, Field("Name"), false);
  ExpectEngineError([&] { Run(avg, "Name", {"NULL", "x"}); }, 30133,
                    "Not numeric argument in numeric operator 'AVG' - Native error: 30133");
  TSQLMemExprNodeAggregated noArgument(opCount, false, nullptr, true);
  ExpectEngineError([&] { noArgument.StartAggregation(); }, 11338, "Error - no children in expression node - Native error: 11338");
  TSQLMemExprNodeAggregated unknown(opUpper, false, Field("Age"), false);
  ExpectEngineError([&] { Run(unknown, "Age", {"1"}); }, 30134, "Unknown operator: 'UPPER' - Native error: 30134");
}

}  // namespace
