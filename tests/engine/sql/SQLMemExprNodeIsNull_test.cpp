#include "engine/sql/SQLMemExprNodeIsNull.h"

#include <gtest/gtest.h>

#include <functional>

#include "ExprTestSupport.h"
#include "engine/sql/SQLMemExprNodeCast.h"

namespace {

using IsNullFunctionTest = OneTableTest;
using Node = std::unique_ptr<TSQLMemExprNode>;

Node IsNull(Node first, Node second = nullptr) {
  return std::make_unique<TSQLMemExprNodeIsNullFunction>(std::move(first), std::move(second));
}

TEST_F(IsNullFunctionTest, IsNullGivesTheFirstValueOrTheSecondInTheFirstsType) {
  const struct {
    const char* name;
    std::function<Node()> make;
    const char* value;
    Byte dataType;
    Integer type;  // -1: not asked
  } cases[] = {
      {"ISNULL(Score)", [this] { return IsNull(Field("Score")); }, "True", edtBoolean, sftBoolean},
      {"ISNULL(Age)", [this] { return IsNull(Field("Age")); }, "False", edtBoolean, sftBoolean},
      {"ISNULL(Score, 5)", [this] { return IsNull(Field("Score"), Int(5)); }, "5", edtInteger, sftInteger},
      {"ISNULL(Age, 5)", [this] { return IsNull(Field("Age"), Int(5)); }, "30", edtInteger, sftInteger},
      {"ISNULL(City, 5)", [this] { return IsNull(Field("City"), Int(5)); }, "5", edtVarchar, sftVarchar},
      {"ISNULL(Score, '7')", [this] { return IsNull(Field("Score"), Text("7")); }, "7", edtInteger, sftVarchar},
      {"ISNULL(Score, NULL)", [this] { return IsNull(Field("Score"), NullOf(edtInteger)); }, "NULL", edtInteger, sftInteger},
      {"ISNULL(Age, 'x'): no conversion needed", [this] { return IsNull(Field("Age"), Text("x")); }, "30", edtInteger, sftVarchar},
      {"ISNULL(Age, a BLOB): no type check needed", [this] { return IsNull(Field("Age"), NullOf(edtBLOB)); }, "30",
       edtInteger, -1},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    Node node = c.make();
    const TSQLMemVariant& value = node->Evaluate();
    EXPECT_EQ(TextOf(value), c.value);
    EXPECT_EQ(value.DataType(), c.dataType);
    if (c.type >= 0) {
      EXPECT_EQ(node->GetResultType(), c.type);
    }
  }
  EXPECT_EQ(IsNull(Field("City"), Field("Name"))->GetResultSize(), 10);
}

TEST_F(IsNullFunctionTest, MismatchedTypesRaiseOnlyWhenTheFirstIsNull) {
  ExpectEngineError([this] { IsNull(Field("Score"), NullOf(edtBLOB))->Evaluate(); }, 11600,
                    "Types mismatches in SQL function ISNULL: 7, 31 - Native error: 11600");
  // Both scalar: the second is converted, and text that is no number fails as a conversion.
  EXPECT_EQ(NativeErrorOf([this] { IsNull(Field("Score"), Text("x"))->Evaluate(); }), 30051);
}

TEST_F(IsNullFunctionTest, CastConvertsToTheTargetType) {
  TSQLMemExprNodeCast number(Text("12"), sftInteger);
  EXPECT_EQ(number.Evaluate().DataType(), edtInteger);
  EXPECT_EQ(number.Evaluate().GetAsInteger(), 12);
  EXPECT_EQ(number.GetResultType(), sftInteger);
  TSQLMemExprNodeCast text(Field("Age"), sftVarchar);
  EXPECT_EQ(TextOf(text.Evaluate()), "30");
  EXPECT_EQ(text.Evaluate().DataType(), edtVarchar);
  EXPECT_EQ(text.GetResultSize(), 1024);
  TSQLMemExprNodeCast null(Field("Score"), sftVarchar);
  EXPECT_TRUE(null.Evaluate().IsNull());
  EXPECT_EQ(null.Evaluate().DataType(), edtVarchar);
  EXPECT_EQ(NativeErrorOf([] { TSQLMemExprNodeCast(Text("x"), sftInteger).Evaluate(); }), 30051);
}

}  // namespace
