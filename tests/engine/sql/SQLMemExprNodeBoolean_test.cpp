#include "engine/sql/SQLMemExprNodeBoolean.h"

#include <gtest/gtest.h>

#include <functional>

#include "ExprTestSupport.h"
#include "engine/sql/SQLMemExprNodeString.h"
#include "vcl/rtl/OsSeam.h"
#include "vcl/rtl/TextConv.h"

namespace {

class BooleanTest : public OneTableTest {
 protected:
  // "Age" (30), "Score" (NULL), "Name" ('Anna'), "Letter" ('B') are fields of the record; "NULL" an
  // integer NULL; "RAISE" a node that raises when it is evaluated; 'x' a text; else a number.
  std::unique_ptr<TSQLMemExprNode> Operand(const std::string& s) {
    if (s == "Age" || s == "Score" || s == "Name" || s == "Letter" || s == "WName") return Field(s.c_str());
    if (s == "NULL") return NullOf(edtInteger);
    if (s == "RAISE") return std::make_unique<TSQLMemExprNodeBoolean>(19, true, false);
    if (s.front() == '\'') return Text(s.substr(1, s.size() - 2).c_str());
    return Int(std::stoi(s));
  }
  // A node over operands; BETWEEN and the other Boolean nodes ignore case, as the parser makes them.
  Truth Evaluate(Byte op, std::initializer_list<const char*> operands, bool caseInsensitive = true) {
    TSQLMemExprNodeBoolean node(op, caseInsensitive, false);
    for (const char* operand : operands) node.AddChild(Operand(operand));
    node.Reset();
    return TruthOf(node.Evaluate());
  }
};

TEST_F(BooleanTest, NotAndOrFollowThreeValuedLogic) {
  const Truth values[] = {T, F, N};
  // AND: false wins over NULL, NULL over true. OR: true wins over NULL, NULL over false.
  const Truth andTable[3][3] = {{T, F, N}, {F, F, F}, {N, F, N}};
  const Truth orTable[3][3] = {{T, T, T}, {T, F, N}, {T, N, N}};
  const Truth notTable[3] = {F, T, N};
  for (int a = 0; a < 3; ++a) {
    TSQLMemExprNodeBoolean notNode(opNot, true, false, Bool(values[a]));
    EXPECT_EQ(TruthName(TruthOf(notNode.Evaluate())), TruthName(notTable[a])) << "NOT " << TruthName(values[a]);
    for (int b = 0; b < 3; ++b) {
      SCOPED_TRACE(testing::Message() << TruthName(values[a]) << ", " << TruthName(values[b]));
      TSQLMemExprNodeBoolean andNode(opAnd, true, false, Bool(values[a]), Bool(values[b]));
      EXPECT_EQ(TruthName(TruthOf(andNode.Evaluate())), TruthName(andTable[a][b])) << "AND";
      TSQLMemExprNodeBoolean orNode(opOr, true, false, Bool(values[a]), Bool(values[b]));
      EXPECT_EQ(TruthName(TruthOf(orNode.Evaluate())), TruthName(orTable[a][b])) << "OR";
    }
  }
  TSQLMemExprNodeBoolean three(opAnd, true, false, Bool(T), Bool(N), Bool(T));
  EXPECT_EQ(TruthOf(three.Evaluate()), N);
  EXPECT_EQ(TruthOf(TSQLMemExprNodeBoolean(opAnd, true, false).Evaluate()), T) << "AND of nothing";
  EXPECT_EQ(TruthOf(TSQLMemExprNodeBoolean(opOr, true, false).Evaluate()), F) << "OR of nothing";
}

TEST_F(BooleanTest, AndAndOrStopAtTheDecidingOperand) {
  EXPECT_EQ(Evaluate(opAnd, {"NULL", "0", "RAISE"}), F) << "the operands after false are not evaluated";
  EXPECT_EQ(Evaluate(opOr, {"NULL", "1", "RAISE"}), T) << "the operands after true are not evaluated";
  ExpectEngineError([&] { Evaluate(opAnd, {"1", "NULL", "RAISE"}); }, 30116,
                    "Unknown operator: 'unknown' - Native error: 30116");
}

TEST_F(BooleanTest, InListsMatchNonNullItemsOnly) {
  const struct {
    Byte op;
    std::initializer_list<const char*> operands;
    Truth expected;
  } cases[] = {
      {opIn, {"5", "1", "NULL", "5"}, T},        {opIn, {"2", "1", "NULL"}, F},
      {opIn, {"Age", "1", "NULL", "30"}, T},     {opIn, {"Age", "30", "RAISE"}, T},  // stops at the match
      {opIn, {"Score", "1"}, N},                 {opIn, {"Score", "NULL"}, N},
      {opIn, {"NULL"}, N},                       {opIn, {"Age"}, F},
      {opIn, {"Letter", "'b'", "'c'"}, F},       {opIn, {"Letter", "'a'", "'B'"}, T},
      {opNotIn, {"2", "1", "NULL"}, T},          {opNotIn, {"Age", "30"}, F},
      {opNotIn, {"Score", "1"}, N},              {opNotIn, {"Letter", "'b'"}, T},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(testing::Message() << OperatorName(c.op) << " " << *c.operands.begin() << " ... (" << c.operands.size() - 1
                                    << " items)");
    EXPECT_EQ(TruthName(Evaluate(c.op, c.operands)), TruthName(c.expected));
  }
}

TEST_F(BooleanTest, BetweenIgnoresCaseAndIsNullWithANullBound) {
  const struct {
    Byte op;
    std::initializer_list<const char*> operands;
    Truth expected;
  } cases[] = {
      {opBetween, {"Letter", "'a'", "'c'"}, T},  {opBetween, {"Letter", "'c'", "'d'"}, F},
      {opBetween, {"Letter", "'b'", "'b'"}, T},  {opBetween, {"Age", "1", "30"}, T},
      {opBetween, {"Age", "30", "40"}, T},       {opBetween, {"Age", "31", "40"}, F},
      {opBetween, {"Age", "40", "1"}, F},        {opBetween, {"Age", "NULL", "40"}, N},
      {opBetween, {"Age", "1", "NULL"}, N},      {opBetween, {"Score", "1", "2"}, N},
      {opNotBetween, {"Age", "1", "29"}, T},     {opNotBetween, {"Age", "1", "30"}, F},
      {opNotBetween, {"Age", "NULL", "29"}, N},  {opNotBetween, {"Letter", "'a'", "'c'"}, F},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(testing::Message() << OperatorName(c.op) << " " << *c.operands.begin() << " "
                                    << *(c.operands.begin() + 1) << " " << *(c.operands.begin() + 2));
    EXPECT_EQ(TruthName(Evaluate(c.op, c.operands)), TruthName(c.expected));
  }
  // The same capital B is not equal to a small b, nor in a list that holds one.
  TSQLMemExprNodeComparison equal(opEqual, Field("Letter"), Text("b"), true, false, false);
  EXPECT_EQ(TruthOf(equal.Evaluate()), F);
  EXPECT_EQ(Evaluate(opIn, {"Letter", "'b'"}), F);
}

TEST_F(BooleanTest, LikeMatchesPercentUnderscoreAndLetterCase) {
  const struct {
    const char* text;
    const char* pattern;
    bool caseInsensitive;
    Truth like;
  } cases[] = {
      {"", "%", false, T},       {"", "_", false, F},        {"", "", false, T},
      {"ab", "a%%", false, T},   {"a", "a%%", false, F},     {"a", "a%", false, T},
      {"abc", "a%%", false, T},  {"A", "a", false, F},       {"A", "a", true, T},
      {"Anna", "A_na", false, T}, {"Anna", "%n_", false, T}, {"Anna", "%N%", false, F},
      {"Anna", "%N%", true, T},  {"Anna", "A_", false, F},   {"Anna", "_nna%", false, T},
      {"a%b", "a%b", false, T},  {"axb", "a%b", false, T},   {"ab", "a_b", false, F},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(testing::Message() << "'" << c.text << "' LIKE '" << c.pattern << "'" << (c.caseInsensitive ? " nocase" : ""));
    TSQLMemExprNodeBoolean like(opLike, c.caseInsensitive, false, Text(c.text), Text(c.pattern));
    EXPECT_EQ(TruthName(TruthOf(like.Evaluate())), TruthName(c.like));
    TSQLMemExprNodeBoolean notLike(opNotLike, c.caseInsensitive, false, Text(c.text), Text(c.pattern));
    EXPECT_EQ(TruthName(TruthOf(notLike.Evaluate())), TruthName(c.like == T ? F : T));
  }
}

TEST_F(BooleanTest, LikeReadsFieldsAndWideTextAndIsNullForNull) {
  const struct {
    const char* name;
    std::function<std::unique_ptr<TSQLMemExprNode>()> text, pattern;
    Truth like;
  } cases[] = {
      {"a field", [this] { return Field("Name"); }, [] { return Text("An%"); }, T},
      {"a field against a field", [this] { return Field("Name"); }, [this] { return Field("Name"); }, T},
      {"a wide field", [this] { return Field("WName"); }, [] { return WideText(u"%nn_"); }, T},
      {"a wide field, 8-bit pattern", [this] { return Field("WName"); }, [] { return Text("A%"); }, T},
      {"8-bit text, wide pattern", [] { return Text("Anna"); }, [] { return WideText(u"a%"); }, F},
      {"a NULL field", [this] { return Field("City"); }, [] { return Text("%"); }, N},
      {"a NULL pattern", [this] { return Field("Name"); }, [] { return NullOf(edtVarchar); }, N},
      {"the SQL literal '' is NULL", [] { return NullOf(edtVarchar); }, [] { return Text("%"); }, N},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    TSQLMemExprNodeBoolean like(opLike, false, false, c.text(), c.pattern());
    EXPECT_EQ(TruthName(TruthOf(like.Evaluate())), TruthName(c.like));
    TSQLMemExprNodeBoolean notLike(opNotLike, false, false, c.text(), c.pattern());
    EXPECT_EQ(TruthName(TruthOf(notLike.Evaluate())), TruthName(c.like == N ? N : c.like == T ? F : T));
  }
}

TEST_F(BooleanTest, IsNullAndTheErrorsOfTheBooleanNode) {
  EXPECT_EQ(Evaluate(opIsNull, {"Score"}), T);
  EXPECT_EQ(Evaluate(opIsNull, {"Age"}), F);
  EXPECT_EQ(Evaluate(opIsNotNull, {"Score"}), F);
  EXPECT_EQ(Evaluate(opIsNotNull, {"Name"}), T);

  ExpectEngineError([&] { Evaluate(opLike, {"Age", "3"}); }, 30120,
                    "Not string argument in function 'LIKE' - Native error: 30120");
  // A number meets a text pattern as text.
  EXPECT_EQ(Evaluate(opLike, {"Age", "'3%'"}), T);
  ExpectEngineError(
      [&] {
        TSQLMemExprNodeBoolean notLike(opNotLike, false, false, Bool(T), Bool(T));
        notLike.Evaluate();
      },
      30120, "Not string argument in function 'LIKE' - Native error: 30120");
  ExpectEngineError([&] { Evaluate(opEqual, {"1", "1"}); }, 30116, "Unknown operator: '=' - Native error: 30116");
  ExpectEngineError([&] { Evaluate(20, {}); }, 30116, "Unknown operator: 'unknown' - Native error: 30116");
}

// A scan sets every record's buffer and resets the tree before it evaluates; a constant pattern is
// prepared once for all of them, and again only when it or the binding changes.
// LOWER(x) or UPPER(x) LIKE a constant: the pattern reads x's bytes through the case table instead of a
// mapped copy of x; the answers are those of the pattern against the mapped text.
TEST_F(BooleanTest, LikeOverLowerOrUpperAnswersAsOverTheMappedText) {
  ASSERT_TRUE(os::SetTextLocale("hu-HU"));
  const AnsiString hungarian = Utf8ToCp1250("ÁRVÍZTŰRŐ tükörfúrógép");
  using Node = std::unique_ptr<TSQLMemExprNode>;
  const struct {
    Byte op, mapping;
    std::function<Node()> operand;
    AnsiString pattern;      // 8-bit unless wide is set
    bool wide, caseInsensitive;
    Truth expected;
  } cases[] = {
      {opLike, opLower, [&] { return Operand("Name"); }, "%nn%", false, false, T},
      {opLike, opLower, [&] { return Operand("Name"); }, "Anna", false, false, F},
      {opLike, opLower, [&] { return Operand("Name"); }, "a_na", false, false, T},
      {opLike, opUpper, [&] { return Operand("Name"); }, "ANNA", false, false, T},
      {opLike, opUpper, [&] { return Operand("Name"); }, "an%", false, true, T},
      {opNotLike, opLower, [&] { return Operand("Name"); }, "b%", false, false, T},
      {opLike, opLower, [&] { return Text(hungarian.c_str()); }, Utf8ToCp1250("%tűrő t%"), false, false, T},
      {opLike, opLower, [&] { return Text(hungarian.c_str()); }, Utf8ToCp1250("%TŰRŐ%"), false, false, F},
      {opLike, opLower, [&] { return Text(hungarian.c_str()); }, Utf8ToCp1250("%TŰRŐ%"), false, true, T},
      {opLike, opUpper, [&] { return Text(hungarian.c_str()); }, Utf8ToCp1250("ÁRVÍZ%FÚRÓGÉP"), false, false, T},
      {opLike, opUpper, [&] { return Text(hungarian.c_str()); }, Utf8ToCp1250("%fúró%"), false, false, F},
      {opLike, opLower, [&] { return Operand("Age"); }, "3_", false, false, T},  // a number is read as text
      {opLike, opLower, [&] { return Operand("Score"); }, "%", false, false, N},
      {opLike, opLower, [&] { return Operand("WName"); }, "an%", false, false, T},  // wide text stays wide
      {opLike, opLower, [&] { return Operand("Name"); }, "an%", true, false, T},    // against a wide pattern
      {opNotLike, opUpper, [&] { return Operand("Name"); }, "AN_", true, false, T},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(testing::Message() << OperatorName(c.mapping) << "(...) " << OperatorName(c.op) << " '"
                                    << Cp1250ToUtf8(c.pattern) << "'" << (c.wide ? " wide" : "")
                                    << (c.caseInsensitive ? " nocase" : ""));
    auto pattern = [&]() -> Node {
      return c.wide ? WideText(Cp1250ToUtf16(c.pattern).c_str()) : Text(c.pattern.c_str());
    };
    auto mapping = std::make_unique<TSQLMemExprNodeStringFunction>(c.mapping, true, false, c.operand());
    TSQLMemExprNodeBoolean like(c.op, c.caseInsensitive, false, std::move(mapping), pattern());
    EXPECT_EQ(TruthName(TruthOf(like.Evaluate())), TruthName(c.expected));
    EXPECT_EQ(TruthName(TruthOf(like.Evaluate())), TruthName(c.expected)) << "the kept pattern again";
    // The same pattern against the mapped text itself.
    auto mapped = std::make_unique<TSQLMemExprNodeStringFunction>(c.mapping, true, false, c.operand());
    const TSQLMemVariant& text = mapped->Evaluate();
    if (text.IsNull()) continue;
    Node copy = text.IsWide() ? Node(WideText(text.GetAsWideString().c_str())) : Node(Text(text.GetAsString().c_str()));
    TSQLMemExprNodeBoolean oracle(c.op, c.caseInsensitive, false, std::move(copy), pattern());
    EXPECT_EQ(TruthName(TruthOf(like.Evaluate())), TruthName(TruthOf(oracle.Evaluate()))) << "as over the mapped text";
  }
  os::SetTextLocale("");
}

TEST_F(BooleanTest, AConstantPatternIsPreparedOncePerBindingAndValue) {
  TSQLMemExpression condition;
  auto like = std::make_unique<TSQLMemExprNodeBoolean>(opLike, false, false, Field("Name"), Text("%a"));
  TSQLMemExprNodeBoolean* node = like.get();
  auto* pattern = static_cast<TSQLMemExprNodeConst*>(&node->Child(1));
  condition.AddCondition(std::move(like));
  condition.BindCursor(cursor_.get());

  const char* names[] = {"Anna", "Bea", "Cecilia", "Dora", "Emma"};
  std::vector<Byte*> records;
  for (const char* name : names) {
    Byte* record = cursor_->AllocRecordBuffer();
    cursor_->InitRecordBuffer(record);
    cursor_->SetFieldValue(record, Text(name)->Value(), 0, true);
    records.push_back(record);
  }
  auto scan = [&] {
    Integer matched = 0;
    for (Byte* record : records) {
      condition.SetRecordBuffer(record);
      if (condition.GetBooleanValue()) ++matched;
    }
    return matched;
  };
  EXPECT_EQ(scan(), 5);
  EXPECT_EQ(node->PatternPreparations(), 1);
  pattern->SetValue(Text("%m%")->Value());
  EXPECT_EQ(scan(), 1);
  EXPECT_EQ(node->PatternPreparations(), 2);
  condition.BindCursor(cursor_.get());
  EXPECT_EQ(scan(), 1);
  EXPECT_EQ(node->PatternPreparations(), 3);
  for (Byte* record : records) cursor_->FreeRecordBuffer(record);

  TSQLMemExprNodeBoolean fieldPattern(opLike, false, false, Field("Name"), Field("Name"));
  EXPECT_EQ(TruthOf(fieldPattern.Evaluate()), T);
  EXPECT_EQ(fieldPattern.PatternPreparations(), 0) << "a pattern that may change per record is not kept";
}

}  // namespace
