#include "engine/sql/SQLMemExprNode.h"

#include <gtest/gtest.h>

#include "ExprTestSupport.h"
#include "vcl/rtl/Strings.h"

namespace {

// A node of any operator code that only forwards, as the function and aggregate nodes do for what
// they do not override. It counts the aggregation calls it receives.
class PlainNode : public TSQLMemExprNode {
 public:
  using TSQLMemExprNode::TSQLMemExprNode;
  TSQLMemVariant& Evaluate() override { return value_; }
};

// HEX gives Char text whatever its operand is.
class HexNode : public PlainNode {
 public:
  using PlainNode::PlainNode;
  Integer GetResultType() const override { return sftChar; }
};

class AggregateProbe : public PlainNode {
 public:
  explicit AggregateProbe(bool countAll) : PlainNode(countAll ? opCountAll : opSum, true, false), countAll_(countAll) {}
  bool IsAggregated() const override { return true; }
  bool HasCountAll() const override { return countAll_; }
  void StartAggregation() override { ++starts; }
  void Accumulate(Integer weight) override { accumulated += weight; }
  Integer starts = 0;
  Integer accumulated = 0;

 private:
  bool countAll_;
};

std::unique_ptr<TSQLMemExprNodeConst> Typed(Byte dataType, Integer v) {
  TSQLMemVariant value(dataType);
  value.SetAsInteger(v);
  return std::make_unique<TSQLMemExprNodeConst>(value);
}

std::unique_ptr<TSQLMemExprNodeConst> Char(const char* v) {
  TSQLMemVariant value(edtChar);
  value.SetAsString(v);
  return std::make_unique<TSQLMemExprNodeConst>(value);
}

using ExprNodeTest = OneTableTest;

TEST(ExprNodeNames, OperatorNamesPrintTheOperatorOrUnknown) {
  const struct {
    Integer op;
    const char* name;
  } cases[] = {
      {opEqual, "="},          {opNotEqual, "<>"},  {opLessOrEqual, "<="},        {opNot, "NOT"},
      {opOr, "OR"},            {opIn, "unknown"},   {opNotBetween, "unknown"},    {opLike, "LIKE"},
      {opNotLike, "NOT LIKE"}, {opIsNullFunction, "ISNULL"}, {opIsNull, "IS NULL"}, {opIsNotNull, "IS NOT NULL"},
      {opPlus, "+"},           {opNegate, "-"},     {opDivide, "/"},              {opConcat, "||"},
      {opUpper, "UPPER"},      {opRTrim, "RTRIM"},  {opLength, "unknown"},        {opSubstring, "unknown"},
      {opSum, "SUM"},          {opCountAll, "COUNT(*)"}, {opSysDate, "unknown"},  {opMSecond, "unknown"},
      {opAbs, "unknown"},      {opHex, "unknown"},  {opToBlob, "unknown"},        {opCumSum, "CUMSUM"},
      {opCumProd, "CUMPROD"},  {opGroupConcat, "GROUP_CONCAT"},
      {0, "unknown"},          {19, "unknown"},     {20, "unknown"},              {79, "unknown"},
      {255, "unknown"},        {-1, "unknown"},
  };
  for (const auto& c : cases) EXPECT_STREQ(OperatorName(c.op), c.name) << c.op;
}

TEST_F(ExprNodeTest, ResultTypesFoldTheChildrenAndRaiseWithoutOne) {
  PlainNode sum(opPlus, true, false, Typed(edtInteger, 1), Typed(edtLargeInt, 2));
  EXPECT_EQ(sum.GetResultType(), sftLargeInt);
  PlainNode withField(opPlus, true, false, Field("Age"), Typed(edtSmallInt, 2), Typed(edtDouble, 1));
  EXPECT_EQ(withField.GetResultType(), sftDouble);

  PlainNode empty(opRandom, true, false);
  ExpectEngineError([&] { (void)empty.GetResultType(); }, 30283, "Cannot determine expression type - Native error: 30283");
  PlainNode untyped(opPlus, true, false, NullOf(edtNone));
  ExpectEngineError([&] { (void)untyped.GetResultType(); }, 30283, "Cannot determine expression type - Native error: 30283");

  // Conditions are Boolean whatever their operands are.
  TSQLMemExprNodeComparison comparison(opEqual, Field("Name"), Text("x"), true, false, false);
  EXPECT_EQ(comparison.GetResultType(), sftBoolean);
  TSQLMemExprNodeBoolean in(opIn, true, false, Field("Name"), Text("x"));
  EXPECT_EQ(in.GetResultType(), sftBoolean);
  EXPECT_EQ(comparison.GetResultSize(), 0);
}

TEST_F(ExprNodeTest, ResultSizesFollowTheOperator) {
  const struct {
    const char* name;
    std::function<std::unique_ptr<TSQLMemExprNode>()> make;
    Integer size;
  } cases[] = {
      {"fixed text side by side", [] { return std::make_unique<PlainNode>(opConcat, true, false, Char("abc"), Char("de")); }, 5},
      {"MIN of fixed text", [] { return std::make_unique<PlainNode>(opMin, true, false, Char("abcd")); }, 4},
      {"variable text counts 1024 a child",
       [] { return std::make_unique<PlainNode>(opConcat, true, false, Text("abc"), Text("de")); }, 2048},
      {"GROUP_CONCAT", [] { return std::make_unique<PlainNode>(opGroupConcat, true, false, Char("ab")); }, 1024},
      {"other codes", [] { return std::make_unique<PlainNode>(opUpper, true, false, Char("ab")); }, 0},
      {"not text", [] { return std::make_unique<PlainNode>(opPlus, true, false, Int(1), Int(2)); }, 0},
      {"HEX of text: two digits a byte", [] { return std::make_unique<HexNode>(opHex, true, false, Char("abc")); }, 8},
      {"HEX of a byte", [] { return std::make_unique<HexNode>(opHex, true, false, Typed(edtByte, 1)); }, 3},
      {"HEX of a word", [] { return std::make_unique<HexNode>(opHex, true, false, Typed(edtWord, 1)); }, 5},
      {"HEX of an integer", [] { return std::make_unique<HexNode>(opHex, true, false, Typed(edtCardinal, 1)); }, 9},
      {"HEX of a large integer", [] { return std::make_unique<HexNode>(opHex, true, false, Typed(edtLargeInt, 1)); }, 17},
      {"HEX with $", [] { return std::make_unique<HexNode>(opHex, true, false, Typed(edtSmallInt, 1), Int(1)); }, 6},
      {"HEX with 0x", [] { return std::make_unique<HexNode>(opHex, true, false, Typed(edtShortInt, 1), Int(2)); }, 5},
      {"HEX with a NULL style", [] { return std::make_unique<HexNode>(opHex, true, false, Typed(edtInteger, 1), NullOf(edtInteger)); }, 9},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    std::unique_ptr<TSQLMemExprNode> node = c.make();
    EXPECT_EQ(node->GetResultSize(), c.size);
  }
}

// The walks over a tree reach every node: aggregates under a comparison, parameters deep in an AND,
// unresolved fields anywhere.
TEST_F(ExprNodeTest, TreeWalksReachEveryNode) {
  auto count = std::make_unique<AggregateProbe>(true);
  auto sum = std::make_unique<AggregateProbe>(false);
  AggregateProbe* countProbe = count.get();
  AggregateProbe* sumProbe = sum.get();
  TSQLMemVariant five;
  five.SetAsInteger(5);
  auto parameter = TSQLMemExprNodeConst::Parameter("limit", five);
  TSQLMemExprNodeConst* parameterNode = parameter.get();
  TSQLMemExprNodeBoolean tree(opAnd, true, false);
  tree.AddChild(std::make_unique<TSQLMemExprNodeComparison>(opGreater, std::move(sum), std::move(parameter), true, false, false));
  tree.AddChild(std::make_unique<TSQLMemExprNodeComparison>(opEqual, std::move(count), Int(1), true, false, false));

  EXPECT_TRUE(tree.IsAggregated());
  EXPECT_TRUE(tree.HasCountAll());
  tree.StartAggregation();
  tree.Accumulate(3);
  tree.Accumulate(1);
  EXPECT_EQ(countProbe->starts, 1);
  EXPECT_EQ(sumProbe->accumulated, 4);

  std::vector<TSQLMemExprNodeConst*> parameters;
  tree.CollectParameters(parameters);
  ASSERT_EQ(parameters.size(), 1u) << "the literal 1 is no parameter";
  EXPECT_EQ(parameters[0], parameterNode);
  EXPECT_EQ(parameterNode->ParamNameHash(), NameHash("LIMIT", true));
  EXPECT_FALSE(Int(1)->IsParameter());

  TSQLMemExprNodeBoolean plain(opNot, true, false, Bool(T));
  EXPECT_FALSE(plain.IsAggregated());
  EXPECT_FALSE(plain.HasCountAll());
  plain.RaiseUnresolvedField();  // no field: nothing to raise

  TSQLMemExprNodeBoolean withField(opOr, true, false, Bool(T), std::make_unique<TSQLMemExprNodeField>(nullptr, "t", "Street"));
  ExpectEngineError([&] { withField.RaiseUnresolvedField(); }, 11764, "Field 'Street' not found - Native error: 11764");
}

TEST_F(ExprNodeTest, FieldListLookupsAnswerForTheLastChild) {
  TStringList list;
  SplitNameList(list, "NAME;AGE");
  TSQLMemExprNodeBoolean node(opAnd, true, false);
  EXPECT_EQ(node.FindInFieldList(list), -1) << "no children";
  node.AddChild(Field("Age"));
  EXPECT_EQ(node.FindInFieldList(list), 1);
  node.AddChild(Field("Name"));
  EXPECT_EQ(node.FindInFieldList(list), 0);
  node.AddChild(Field("City"));
  EXPECT_EQ(node.FindInFieldList(list), -1);
}

TEST(ExprNodeNames, SplitNameListTrimsUpperCasesAndKeepsEmptyItems) {
  TStringList list;
  list.Add("stale");
  SplitNameList(list, "name; age ;;city;");
  ASSERT_EQ(list.Count(), 4);
  EXPECT_EQ(list.Get(0), "NAME");
  EXPECT_EQ(list.Get(1), "AGE");
  EXPECT_EQ(list.Get(2), "");
  EXPECT_EQ(list.Get(3), "CITY");
  SplitNameList(list, "");
  EXPECT_EQ(list.Count(), 0);
}

}  // namespace
