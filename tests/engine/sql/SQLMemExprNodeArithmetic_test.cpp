#include "engine/sql/SQLMemExprNodeArithmetic.h"

#include <gtest/gtest.h>

#include <functional>

#include "ExprTestSupport.h"

namespace {

using ArithmeticTest = OneTableTest;
using Node = std::unique_ptr<TSQLMemExprNode>;

Node Op(Byte op, Node first, Node second = nullptr, Node third = nullptr) {
  auto node = std::make_unique<TSQLMemExprNodeArithmetic>(op, std::move(first));
  if (second != nullptr) node->AddChild(std::move(second));
  if (third != nullptr) node->AddChild(std::move(third));
  return node;
}

TEST_F(ArithmeticTest, OperatorsGiveTheirValuesAndResultTypes) {
  const struct {
    const char* name;
    std::function<Node()> make;
    const char* value;
    Integer type;
  } cases[] = {
      {"1 + 2 + 3", [] { return Op(opPlus, Int(1), Int(2), Int(3)); }, "6", sftInteger},
      {"Age + 1", [this] { return Op(opPlus, Field("Age"), Int(1)); }, "31", sftInteger},
      {"NULL + 5", [] { return Op(opPlus, NullOf(edtInteger), Int(5)); }, "5", sftInteger},
      {"5 + NULL", [] { return Op(opPlus, Int(5), NullOf(edtInteger)); }, "NULL", sftInteger},
      {"1 + '2' concatenates", [] { return Op(opPlus, Int(1), Text("2")); }, "12", sftVarchar},
      {"1 + 2.5", [] { return Op(opPlus, Int(1), Dbl(2.5)); }, "3.5", sftDouble},
      {"-Age", [this] { return Op(opNegate, Field("Age")); }, "-30", sftInteger},
      {"6 * 7", [] { return Op(opMultiply, Int(6), Int(7)); }, "42", sftInteger},
      {"7 / 2", [] { return Op(opDivide, Int(7), Int(2)); }, "3", sftInteger},
      {"ABS(-4)", [] { return Op(opAbs, Int(-4)); }, "4", sftInteger},
      {"CEIL(2.1)", [] { return Op(opCeil, Dbl(2.1)); }, "3", sftInteger},
      {"FLOOR(2.9)", [] { return Op(opFloor, Dbl(2.9)); }, "2", sftInteger},
      {"MOD(-7, 3)", [] { return Op(opMod, Int(-7), Int(3)); }, "-1", sftLargeInt},
      {"POWER(2, 10)", [] { return Op(opPower, Int(2), Int(10)); }, "1024", sftLargeInt},
      {"POWER(2, 0.5)", [] { return Op(opPower, Int(4), Dbl(0.5)); }, "2", sftExtended},
      {"ROUND(2.5)", [] { return Op(opRound, Dbl(2.5)); }, "2", sftLargeInt},
      {"ROUND(3.5)", [] { return Op(opRound, Dbl(3.5)); }, "4", sftLargeInt},
      {"ROUND(2.567, 2)", [] { return Op(opRound, Dbl(2.567), Int(2)); }, "2.57", sftExtended},
      {"TRUNC(-2.9)", [] { return Op(opTrunc, Dbl(-2.9)); }, "-2", sftLargeInt},
      {"TRUNC(2.567, 1)", [] { return Op(opTrunc, Dbl(2.567), Int(1)); }, "2.5", sftExtended},
      {"SIGN(-5)", [] { return Op(opSign, Int(-5)); }, "-1", sftInteger},
      {"~0", [] { return Op(opBitNot, Int(0)); }, "-1", sftInteger},
      {"6 & 3", [] { return Op(opBitAnd, Int(6), Int(3)); }, "2", sftInteger},
      {"6 | 3", [] { return Op(opBitOr, Int(6), Int(3)); }, "7", sftInteger},
      {"1 << 4", [] { return Op(opShiftLeft, Int(1), Int(4)); }, "16", sftInteger},
      {"16 >> 2", [] { return Op(opShiftRight, Int(16), Int(2)); }, "4", sftInteger},
      {"6 ^ 3", [] { return Op(opXor, Int(6), Int(3)); }, "5", sftInteger},
      {"HEX(255)", [] { return Op(opHex, Int(255)); }, "000000FF", sftChar},
      {"HEX(255, 2)", [] { return Op(opHex, Int(255), Int(2)); }, "0x000000ff", sftChar},
      {"HEX('AB', 1)", [] { return Op(opHex, Text("AB"), Int(1)); }, "$4142", sftChar},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    Node node = c.make();
    EXPECT_EQ(TextOf(node->Evaluate()), c.value);
    EXPECT_EQ(node->GetResultType(), c.type);
    EXPECT_EQ(TextOf(node->Evaluate()), c.value) << "a second evaluation gives the same";
  }
}

TEST_F(ArithmeticTest, OperandsAreNotChangedByTheOperators) {
  // The node borrows its first operand's value: the operation must not write into the operand.
  Node sum = Op(opPlus, Int(1), Field("Age"));
  EXPECT_EQ(TextOf(sum->Evaluate()), "31");
  EXPECT_EQ(TextOf(sum->Evaluate()), "31");
  EXPECT_EQ(TextOf(sum->Child(0).Evaluate()), "1");
}

TEST_F(ArithmeticTest, RandomDrawsInItsRange) {
  Node unit = Op(opRandom, nullptr);
  Node upToTen = Op(opRandom, Int(10));
  EXPECT_EQ(unit->GetResultType(), sftExtended);
  EXPECT_EQ(upToTen->GetResultType(), sftInteger);
  for (int i = 0; i < 50; ++i) {
    const double f = unit->Evaluate().GetAsDouble();
    EXPECT_TRUE(f >= 0 && f < 1) << f;
    const Integer n = upToTen->Evaluate().GetAsInteger();
    EXPECT_TRUE(n >= 0 && n < 10) << n;
  }
}

TEST_F(ArithmeticTest, ErrorsOfTheArithmeticNode) {
  ExpectEngineError([] { Op(opDivide, Int(7), Int(0))->Evaluate(); }, 30128, "Division error: Division by zero - Native error: 30128");
  ExpectEngineError([] { Op(opConcat, Int(1), Int(2))->Evaluate(); }, 30121, "Unknown operator: '||' - Native error: 30121");
  ExpectEngineError([] { Op(opCumSum, nullptr)->Evaluate(); }, 11766,
                    "Invalid number of parameters in expression. Operator = CUMSUM, Children.Count = 0, Expected "
                    "Children.Count = 1 - Native error: 11766");
  ExpectEngineError([] { Op(opCumProd, nullptr)->Evaluate(); }, 11767,
                    "Invalid number of parameters in expression. Operator = CUMPROD, Children.Count = 0, Expected "
                    "Children.Count = 1 - Native error: 11767");
  ExpectEngineError([] { Op(opCumSum, Text("x"))->Evaluate(); }, 11765,
                    "Not numeric argument in numeric operator 'CUMSUM' - Native error: 11765");
  ExpectEngineError([] { Op(opCumProd, Text("x"))->Evaluate(); }, 11768,
                    "Not numeric argument in numeric operator 'CUMPROD' - Native error: 11768");
}

// The running sum and product over rows, a constant standing for the row's value.
TEST_F(ArithmeticTest, CumulativeSumsAndProductsRunOverTheRows) {
  const struct {
    Byte op;
    std::vector<const char*> rows;  // "NULL" or an integer; "2.5" a double
    std::vector<const char*> results;
    Integer type;
  } cases[] = {
      {opCumSum, {"1", "NULL", "2"}, {"1", "1", "3"}, sftLargeInt},
      {opCumSum, {"NULL", "4", "NULL"}, {"0", "4", "4"}, sftLargeInt},
      {opCumSum, {"2.5", "1.5"}, {"2.5", "4"}, sftDouble},
      {opCumProd, {"2", "3"}, {"2", "6"}, sftLargeInt},
      {opCumProd, {"NULL", "3", "NULL", "2"}, {"1", "3", "3", "6"}, sftLargeInt},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(testing::Message() << OperatorName(c.op) << " from " << c.rows.front());
    auto row = std::make_unique<TSQLMemExprNodeConst>(TSQLMemVariant(std::string(c.rows.front()).find('.') != std::string::npos
                                                                         ? edtDouble
                                                                         : edtInteger));
    TSQLMemExprNodeConst* rowValue = row.get();
    TSQLMemExprNodeArithmetic node(c.op, std::move(row));
    EXPECT_EQ(node.GetResultType(), c.type);
    for (std::size_t i = 0; i < c.rows.size(); ++i) {
      const std::string text = c.rows[i];
      TSQLMemVariant v(rowValue->Value().DataType());
      if (text != "NULL") v.SetAsString(text);
      rowValue->SetValue(v);
      EXPECT_EQ(TextOf(node.Evaluate()), c.results[i]) << "row " << i;
    }
  }
}

}  // namespace
