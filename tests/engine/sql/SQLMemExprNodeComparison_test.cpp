#include "engine/sql/SQLMemExprNodeComparison.h"

#include <gtest/gtest.h>

#include "ExprTestSupport.h"
#include "engine/storage/SQLMemSchema.h"

namespace {

class ComparisonTest : public OneTableTest {
 protected:
  // "Age" (30) and "Score" (NULL) are fields of the record, "NULL" an integer NULL, else a number.
  std::unique_ptr<TSQLMemExprNode> Operand(const char* text) {
    const std::string s = text;
    if (s == "Age" || s == "Score") return Field(text);
    if (s == "NULL") return NullOf(edtInteger);
    return Int(std::stoi(s));
  }
  Truth Compare(Byte op, const char* left, const char* right, bool rawNull) {
    TSQLMemExprNodeComparison node(op, Operand(left), Operand(right), rawNull, false, false);
    node.Reset();
    return TruthOf(node.Evaluate());
  }
};

// SQL statements and filters (raw NULL): a NULL side makes every comparison false except "<>".
// Locate and foreign keys: NULL sorts before every value and equals NULL. Never NULL itself.
TEST_F(ComparisonTest, NullComparesBySQLRulesOrByLocateRules) {
  const struct {
    const char* left;
    Byte op;
    const char* right;
    Truth sql, locate;
  } cases[] = {
      {"Score", opEqual, "NULL", F, T},          {"Score", opNotEqual, "NULL", T, F},
      {"Score", opEqual, "5", F, F},             {"Score", opNotEqual, "5", T, T},
      {"Score", opLess, "5", F, T},              {"Score", opGreater, "5", F, F},
      {"Score", opLessOrEqual, "5", F, T},       {"Score", opGreaterOrEqual, "5", F, F},
      {"5", opGreater, "Score", F, T},           {"5", opNotEqual, "Score", T, T},
      {"Score", opGreaterOrEqual, "Score", F, T}, {"NULL", opLessOrEqual, "NULL", F, T},
      {"Age", opEqual, "30", T, T},              {"Age", opNotEqual, "30", F, F},
      {"Age", opGreaterOrEqual, "5", T, T},      {"Age", opLess, "5", F, F},
      {"5", opLess, "Age", T, T},                {"Age", opLessOrEqual, "30", T, T},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(testing::Message() << c.left << " " << OperatorName(c.op) << " " << c.right);
    EXPECT_EQ(TruthName(Compare(c.op, c.left, c.right, true)), TruthName(c.sql)) << "SQL";
    EXPECT_EQ(TruthName(Compare(c.op, c.left, c.right, false)), TruthName(c.locate)) << "Locate";
  }
}

TEST_F(ComparisonTest, IsNullLooksAtTheLeftOperandOnly) {
  const struct {
    Byte op;
    const char* operand;
    bool withRight;
    Truth expected;
  } cases[] = {
      {opIsNull, "Score", false, T}, {opIsNull, "Age", false, F},    {opIsNull, "NULL", true, T},
      {opIsNotNull, "Score", true, F}, {opIsNotNull, "Age", true, T}, {opIsNotNull, "NULL", false, F},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(testing::Message() << c.operand << " " << OperatorName(c.op));
    TSQLMemExprNodeComparison node(c.op, Operand(c.operand), c.withRight ? NullOf(edtVarchar) : nullptr, true, false,
                                   false);
    EXPECT_EQ(TruthName(TruthOf(node.Evaluate())), TruthName(c.expected));
  }
}

TEST_F(ComparisonTest, TextComparesByTheLocaleWithTheNodesCaseAndPartialRules) {
  const struct {
    const char* left;
    Byte op;
    const char* right;
    bool caseInsensitive, partial;
    Truth expected;
  } cases[] = {
      {"B", opEqual, "b", false, false, F},  {"B", opEqual, "b", true, false, T},
      {"a", opLess, "B", false, false, T},   // the locale's order, not the bytes'
      {"Anna", opEqual, "An", false, true, T}, {"Anna", opEqual, "an", false, true, F},
      {"Anna", opEqual, "an", true, true, T},  {"Anna", opEqual, "An", false, false, F},
      {"An", opEqual, "Anna", false, true, F},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(testing::Message() << c.left << " " << OperatorName(c.op) << " " << c.right << (c.caseInsensitive ? " nocase" : "")
                                    << (c.partial ? " partial" : ""));
    TSQLMemExprNodeComparison node(c.op, Text(c.left), Text(c.right), true, c.caseInsensitive, c.partial);
    EXPECT_EQ(TruthName(TruthOf(node.Evaluate())), TruthName(c.expected));
  }
}

TEST_F(ComparisonTest, AnotherOperatorCodeRaises30117) {
  TSQLMemExprNodeComparison notNode(opNot, Int(1), Int(1), true, false, false);
  ExpectEngineError([&] { notNode.Evaluate(); }, 30117, "Unknown operator: 'NOT' - Native error: 30117");
  TSQLMemExprNodeComparison unused(19, Int(1), Int(1), true, false, false);
  ExpectEngineError([&] { unused.Evaluate(); }, 30117, "Unknown operator: 'unknown' - Native error: 30117");
}

TEST_F(ComparisonTest, AWideConstantMeetsAnEightBitFieldAsEightBitTextOnce) {
  TSQLMemExprNodeComparison narrowField(opEqual, WideText(u"Anna"), Field("Name"), true, false, false);
  TSQLMemExprNodeConst* constant = narrowField.ConstOperand();
  narrowField.Reset();
  EXPECT_EQ(constant->Value().DataType(), edtVarchar);
  EXPECT_EQ(constant->Value().GetAsString(), "Anna");
  const std::uint64_t generation = constant->ValueGeneration();
  narrowField.Reset();
  EXPECT_EQ(constant->ValueGeneration(), generation) << "converted once, not per record";
  EXPECT_EQ(TruthOf(narrowField.Evaluate()), T);

  TSQLMemExprNodeComparison wideField(opEqual, Field("WName"), WideText(u"Anna"), true, false, false);
  wideField.Reset();
  EXPECT_EQ(wideField.ConstOperand()->Value().DataType(), edtWideVarchar) << "a wide field keeps a wide constant";
  EXPECT_EQ(TruthOf(wideField.Evaluate()), T);
}

// Two operators: A (ID, X) and B (ID, Y).
TEST_F(ComparisonTest, JoinConditionsEquateOneColumnOfEachSide) {
  TestColumnSource left({{"A", "ID", sftInteger, 0, 0}, {"A", "X", sftInteger, 0, 0}});
  TestColumnSource right({{"B", "ID", sftInteger, 0, 0}, {"B", "Y", sftInteger, 0, 0}});
  auto field = [](const char* qualified) {
    const std::string s = qualified;
    const std::size_t dot = s.find('.');
    return std::make_unique<TSQLMemExprNodeField>(nullptr, dot == std::string::npos ? "" : s.substr(0, dot),
                                                  dot == std::string::npos ? s : s.substr(dot + 1));
  };
  const struct {
    const char* left;
    Byte op;
    const char* right;
    bool join;
    Integer error;
  } cases[] = {
      {"A.ID", opEqual, "B.ID", true, 0},    {"b.id", opEqual, "a.id", true, 0}, {"X", opEqual, "Y", true, 0},
      {"X", opEqual, "A.ID", false, 0},      {"X", opNotEqual, "Y", false, 0},   {"Z", opEqual, "Y", false, 0},
      {"ID", opEqual, "Y", false, 10404},    {"X", opEqual, "ID", false, 10405},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(testing::Message() << c.left << " " << OperatorName(c.op) << " " << c.right);
    TSQLMemExprNodeComparison node(c.op, field(c.left), field(c.right), true, false, false);
    if (c.error != 0)
      ExpectEngineError([&] { (void)node.IsJoinCondition(&left, &right); }, c.error,
                        "Ambiguous field reference to 'ID' - Native error: " + std::to_string(c.error));
    else
      EXPECT_EQ(node.IsJoinCondition(&left, &right), c.join);
  }
  TSQLMemExprNodeComparison withConstant(opEqual, field("X"), Int(1), true, false, false);
  EXPECT_FALSE(withConstant.IsJoinCondition(&left, &right));
  TSQLMemExprNodeBoolean notAComparison(opAnd, true, false, field("X"), field("Y"));
  EXPECT_FALSE(notAComparison.IsJoinCondition(&left, &right));
}

TEST_F(ComparisonTest, NullTestsAreNotServedByAnIndex) {
  TSQLMemIndexDef byScore;
  byScore.SetColumnCount(1);
  byScore.GetColumn(0).Name = "SCORE";
  TSQLMemExprNodeComparison isNull(opIsNull, Field("Score"), NullOf(edtInteger), true, false, false);
  EXPECT_FALSE(isNull.IsIndexUsableForComparison(byScore));
  TSQLMemExprNodeComparison equal(opEqual, Field("Score"), Int(1), true, false, false);
  EXPECT_TRUE(equal.IsIndexUsableForComparison(byScore));
}

}  // namespace
