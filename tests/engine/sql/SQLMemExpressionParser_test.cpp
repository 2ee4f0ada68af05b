// The expression parser: texts to tree shapes (operator codes as S-expressions), its errors with
// their codes, texts and positions, and conditions read from filter text evaluated on a record.
#include <gtest/gtest.h>

#include <string>

#include "engine/foundation/SQLMemExcept.h"
#include "engine/dataset/SQLMemTable.h"
#include "engine/sql/SQLMemExprNodeAggregated.h"
#include "engine/sql/SQLMemExprNodeSubQuery.h"
#include "engine/sql/SQLMemExprNodeSystem.h"
#include "engine/sql/SQLMemLexer.h"
#include "engine/storage/SQLMemCursor.h"
#include "engine/storage/SQLMemSQLProcessor.h"
#include "tests/engine/dataset/DataSetTestSupport.h"
#include "tests/engine/sql/ExprTestSupport.h"

namespace {

// A tree as text: a field is its (qualified) name, a constant its value ('text' quoted, NULL, a
// parameter as :value), any other node "(code operands...)", an aggregate's DISTINCT written after
// the code, a sub-query as its kind, NOT, its operand and {its text}.
std::string Shape(const TSQLMemExprNode& node) {
  if (const auto* subQuery = dynamic_cast<const TSQLMemExprNodeSubQuery*>(&node)) {
    std::string text = dynamic_cast<const TSQLMemExprNodeSubQueryIN*>(&node)       ? "(IN"
                       : dynamic_cast<const TSQLMemExprNodeSubQueryExists*>(&node) ? "(EXISTS"
                                                                                   : "(SELECT";
    if (subQuery->Negated()) text += " NOT";
    for (Integer i = 0; i < node.ChildCount(); ++i) text += " " + Shape(node.Child(i));
    return text + " {" + std::string(subQuery->SQLText()) + "})";
  }
  if (const auto* field = dynamic_cast<const TSQLMemExprNodeField*>(&node))
    return (field->TableName().empty() ? std::string() : std::string(field->TableName()) + ".") +
           std::string(field->FieldName());
  if (const auto* constant = dynamic_cast<const TSQLMemExprNodeConst*>(&node)) {
    const TSQLMemVariant& value = constant->Value();
    std::string text = value.IsNull() ? "NULL" : std::string(value.GetAsString());
    if (!value.IsNull() && IsTextDataType(value.DataType())) text = "'" + text + "'";
    return constant->IsParameter() ? ":" + text : text;
  }
  std::string text = "(" + std::to_string(node.Operator());
  if (const auto* aggregate = dynamic_cast<const TSQLMemExprNodeAggregated*>(&node); aggregate && aggregate->Distinct())
    text += " DISTINCT";
  for (Integer i = 0; i < node.ChildCount(); ++i) text += " " + Shape(node.Child(i));
  return text + ")";
}

enum Kind { Cond, Val };

// The message as raised, without the native-error suffix the exception adds.
std::string MessageOf(const ESQLMemException& e) {
  std::string text(e.Message());
  const std::size_t suffix = text.rfind(" - Native error: ");
  return suffix == std::string::npos ? text : text.substr(0, suffix);
}

using ExpressionParser = EngineBlocksTest;

std::string Parse(Kind kind, const char* text, const TSQLMemSQLParams* params = nullptr) {
  TSQLMemLexer lexer(text, params);
  EXPECT_TRUE(lexer.NextStatement());
  TSQLMemExpression expression;
  if (kind == Cond)
    expression.ParseCondition(lexer);
  else
    expression.ParseValueExpression(lexer);
  return expression.IsEmpty() ? "empty" : Shape(*expression.Root());
}

struct ShapeCase {
  Kind kind;
  const char* text;
  const char* shape;
};

TEST_F(ExpressionParser, TextsBuildTheseTrees) {
  const ShapeCase cases[] = {
      // sums hold every term, a subtracted one under a minus; one level for * / % & | ^ << >>, left-nested
      {Val, "a - b - c", "(21 a (22 b) (22 c))"},
      {Val, "a + b * c", "(21 a (23 b c))"},
      {Val, "a * b / c", "(24 (23 a b) c)"},
      {Val, "-a * b", "(23 (22 a) b)"},
      {Val, "a % b MOD c ^ d", "(71 (60 (60 a b) c) d)"},
      {Val, "a & b | c << 2 >> 1", "(70 (69 (68 (67 a b) c) 2) 1)"},
      {Val, "~a", "(66 a)"},
      {Val, "t.a + [select] + `from`", "(21 t.a select from)"},
      {Val, "$1F + 0x10 + 1.5", "(21 31 16 1.5)"},
      // "+" beside a string concatenates, "||" always
      {Val, "name || 'x'", "(25 name 'x')"},
      {Val, "'x' + name", "(25 'x' name)"},
      {Val, "\"x\" + name", "(25 'x' name)"},
      {Val, "name + 1", "(21 name 1)"},
      {Val, "a || b || c", "(25 a b c)"},
      // functions
      {Val, "RAND", "(62)"},
      {Val, "RAND(10)", "(62 10)"},
      {Val, "ROUND(a, 2)", "(63 a 2)"},
      {Val, "POWER(a, 2)", "(61 a 2)"},
      {Val, "COUNT(*)", "(39)"},
      {Val, "COUNT(DISTINCT x)", "(38 DISTINCT x)"},
      {Val, "COUNT DISTINCT (x)", "(38 DISTINCT x)"},
      {Val, "SUM(a * 2)", "(34 (23 a 2))"},
      {Val, "GROUP_CONCAT(DESC name, ';')", "(78 name ';')"},
      {Val, "UPPER(LOWER(name))", "(26 (27 name))"},
      {Val, "SUBSTRING(name FROM 2 FOR 3)", "(33 name 2 3)"},
      {Val, "SUBSTRING(name, 2)", "(33 name 2)"},
      {Val, "LENGTH(name) + POS('a' IN name)", "(21 (31 name) (32 'a' name))"},
      {Val, "ISNULL(a, 0)", "(16 a 0)"},
      {Val, "CAST(a AS VARCHAR)", "(73 a)"},
      {Val, "CAST(NULL, INTEGER)", "(73 NULL)"},
      {Val, "EXTRACT(YEAR FROM d)", "(45 d)"},
      {Val, "DAYNAME(d)", "(51 d)"},
      {Val, "TODATE(s, 'yyyy.mm.dd')", "(43 s)"},
      {Val, "TOSTRING(d, 'yyyy')", "(44 d)"},
      {Val, "CURRENT_DATE", "(41)"},
      {Val, "NOW", "(40)"},
      {Val, "TOBLOB('414243', HEX)", "(75)"},
      {Val, "NULL", "NULL"},
      {Val, "TRUE", "True"},
      // OR nests to the left, AND gathers its terms, an inner AND is flattened into the top one
      {Cond, "a = 1 OR b = 2 OR c = 3", "(9 (9 (1 a 1) (1 b 2)) (1 c 3))"},
      {Cond, "a = 1 AND b = 2 && c = 3", "(8 (1 a 1) (1 b 2) (1 c 3))"},
      {Cond, "a = 1 AND (b = 2 AND c = 3)", "(8 (1 a 1) (1 b 2) (1 c 3))"},
      {Cond, "(a = 1 AND b = 2) AND c = 3", "(8 (1 c 3) (1 a 1) (1 b 2))"},
      {Cond, "a = 1 OR b = 2 AND c = 3", "(9 (1 a 1) (8 (1 b 2) (1 c 3)))"},
      {Cond, "NOT a = 1", "(7 (1 a 1))"},
      {Cond, "! (a = 1)", "(7 (1 a 1))"},
      // comparisons; "=" or "<>" before NULL or '' tests for NULL
      {Cond, "a == 1", "(1 a 1)"},
      {Cond, "a != 1", "(2 a 1)"},
      {Cond, "a >= b + 1", "(5 a (21 b 1))"},
      {Cond, "c < (a + b)", "(4 c (21 a b))"},
      {Cond, "x = ''", "(17 x NULL)"},
      {Cond, "x = NULL", "(17 x NULL)"},
      {Cond, "x <> ''", "(18 x NULL)"},
      {Cond, "x IS NULL", "(17 x)"},
      {Cond, "x IS NOT NULL", "(18 x)"},
      // IN, BETWEEN, LIKE
      {Cond, "x IN (1,2,3)", "(10 x 1 2 3)"},
      {Cond, "x NOT IN ('a' 'b')", "(11 x 'a' 'b')"},
      // sub-queries keep their text, written again from its tokens with the quote characters doubled
      {Cond, "x NOT IN (SELECT a FROM t WHERE b = 'q'' OR ''1''=''1')",
       "(IN NOT x {SELECT a FROM t WHERE b = 'q'' OR ''1''=''1'})"},
      {Cond, "EXISTS (select t.a from [t]]1] where `c``d` = \"x\" and (a > 1))",
       "(EXISTS {select t.a from [t]]1] where `c``d` = 'x' and ( a > 1 )})"},
      {Cond, "NOT EXISTS (SELECT a FROM t) AND y = 1", "(8 (EXISTS NOT {SELECT a FROM t}) (1 y 1))"},
      {Val, "(SELECT MAX(a) FROM t) + 1", "(21 (SELECT {SELECT MAX ( a ) FROM t}) 1)"},
      {Cond, "x BETWEEN 1 AND 5 AND y = 2", "(8 (12 x 1 5) (1 y 2))"},
      {Cond, "x NOT BETWEEN a AND b", "(13 x a b)"},
      {Cond, "name LIKE 'A%'", "(14 name 'A%')"},
      {Cond, "UPPER(name) NOT LIKE 'A%'", "(15 (26 name) 'A%')"},
      // IS TRUE / FALSE / UNKNOWN over a predicate
      {Cond, "(a = 1) IS NOT FALSE", "(1 a 1)"},
      {Cond, "(a = 1) IS TRUE", "(1 a 1)"},
      {Cond, "(a = 1) IS FALSE", "(7 (1 a 1))"},
      {Cond, "(a = 1) IS NOT TRUE", "(7 (1 a 1))"},
      {Cond, "(a = 1) IS UNKNOWN", "(17 (1 a 1))"},
      {Cond, "(a = 1) IS NOT UNKNOWN", "(18 (1 a 1))"},
      {Cond, "TRUE", "True"},
      // ISNULL(a) alone is a predicate; with a comparison after it, an operand
      {Cond, "ISNULL(a)", "(16 a)"},
      {Cond, "ISNULL(a, 0) > 5", "(3 (16 a 0) 5)"},
      // a reserved word is a column only when quoted
      {Cond, "[date] = 1", "(1 date 1)"},
      {Cond, "t.[key] = `value`", "(1 t.key value)"},
      // the tokens after the condition are left to the caller
      {Cond, "a = 1 ORDER BY a", "(1 a 1)"},
  };
  for (const ShapeCase& c : cases) {
    SCOPED_TRACE(c.text);
    try {
      EXPECT_EQ(Parse(c.kind, c.text), c.shape);
    } catch (const ESQLMemException& e) {
      ADD_FAILURE() << e.NativeError() << " " << e.Message();
    }
  }
}

// A text in parentheses is first tried as a number and refused; were it parsed again on the string
// side at every level, sixty levels would take 2^60 steps.
TEST_F(ExpressionParser, DeeplyNestedParenthesesParseOnce) {
  const std::string open(60, '('), close(60, ')');
  for (const char* inner : {"'a'", "1", "a || 'b'", "-a"}) {
    SCOPED_TRACE(inner);
    const std::string text = "x = " + open + inner + close;
    const std::string shape = Parse(Cond, text.c_str());
    EXPECT_EQ(shape, "(1 x " + Parse(Val, inner) + ")");
  }
}

TEST_F(ExpressionParser, ParametersBecomeMarkedConstantsOfTheirType) {
  TSQLMemSQLParams params;
  params.Add("n").Value.SetAsInteger(5);
  params.Add("s").Value.SetAsString("abc");
  params.Add("b").Value.SetAsBoolean(true);
  params.Add("z");  // no value
  EXPECT_EQ(Parse(Cond, "a = :n + 1", &params), "(1 a (21 :5 1))");
  EXPECT_EQ(Parse(Cond, "a = :s || 'x'", &params), "(1 a (25 :'abc' 'x'))");
  EXPECT_EQ(Parse(Cond, ":b", &params), ":True");
  EXPECT_EQ(Parse(Cond, "a = :z", &params), "(1 a :NULL)");
  EXPECT_EQ(Parse(Cond, "a IN (SELECT b FROM t WHERE c = :s)", &params), "(IN a {SELECT b FROM t WHERE c = :'s'})");

  TSQLMemLexer lexer("a = :n AND b LIKE :s", &params);
  ASSERT_TRUE(lexer.NextStatement());
  TSQLMemExpression expression;
  expression.ParseCondition(lexer);
  std::vector<TSQLMemExprNodeConst*> found;
  expression.CollectParameters(found);
  ASSERT_EQ(found.size(), 2u);
  EXPECT_EQ(found[0]->ParamNameHash(), params.GetItem(0).NameHashValue);
  EXPECT_EQ(found[1]->ParamNameHash(), params.GetItem(1).NameHashValue);
}

TEST_F(ExpressionParser, TheLexerStopsAfterTheCondition) {
  TSQLMemLexer lexer("a = 1 AND b = 2 ORDER BY a", nullptr);
  ASSERT_TRUE(lexer.NextStatement());
  TSQLMemExpression expression;
  expression.ParseCondition(lexer);
  TToken token;
  lexer.GetCurrentToken(token);
  EXPECT_EQ(token.Text, "ORDER");
  EXPECT_EQ(lexer.GetTokenIndex(), 7);
}

struct ErrorCase {
  Kind kind;
  const char* text;
  Integer code;
  const char* message;
};

TEST_F(ExpressionParser, ErrorsNameTheTokenAndItsPosition) {
  const ErrorCase cases[] = {
      {Cond, "(a + b) > c", 30066, "Boolean expression expected, but 'a' found at line 1, column 2"},
      {Cond, "a = 1 AND", 30069, "Boolean expression expected, but '' found at line 1, column 7"},
      {Cond, "a = 1 AND , b", 30069, "Boolean expression expected, but ',' found at line 1, column 11"},
      {Cond, "a = 1 OR\n  b IS MAYBE", 30070, "Boolean expression expected, but 'b' found at line 2, column 3"},
      {Cond, "NOT ,", 30068, "Boolean expression expected, but ',' found at line 1, column 5"},
      {Cond, "date = 1", 30066, "Boolean expression expected, but 'date' found at line 1, column 1"},
      {Cond, "(a = 1) IS MAYBE", 30067, "Token 'TRUE, FALSE or UNKNOWN' expected, but 'MAYBE' found at line 1, column 12"},
      {Val, "RAND()", 11640, "Argument expected for function 'unknown' at line 1, column 6"},
      {Val, "ABS 1", 11639, "'(' symbol expected, but '1' found at line 1, column 5"},
      {Val, "ABS(1 2)", 11644, "')' symbol expected, but '2' found at line 1, column 7"},
      {Val, "MOD(1 2)", 11641, "Token ',' expected, but '2' found at line 1, column 7"},
      {Val, "POWER(1, )", 11642, "Argument expected for function 'unknown' at line 1, column 10"},
      {Val, "COUNT(* + 1)", 30073, "Token ')' expected, but '+' found at line 1, column 9"},
      {Val, "SUM x", 30074, "Token '(' expected, but 'x' found at line 1, column 5"},
      {Val, "SUM()", 30102, "Argument expected for function 'SUM' at line 1, column 5"},
      {Val, "SUM(x y)", 30075, "Token ')' expected, but 'y' found at line 1, column 7"},
      {Val, "GROUP_CONCAT(x, )", 11769, "Argument expected for function 'GROUP_CONCAT' at line 1, column 17"},
      {Val, "(a + 1 2)", 30071, "Token ')' expected, but '2' found at line 1, column 8"},
      {Val, "CAST(a AS BLOB)", 30077, "Cannot convert an expression to specified type: 'BLOB'"},
      {Val, "CAST(a AS INTEGER 2)", 30076, "Token ')' expected, but '2' found at line 1, column 19"},
      {Val, "POS a", 30078, "Token '(' expected, but 'a' found at line 1, column 5"},
      {Val, "POS(a b)", 30080, "Token ',' expected, but 'b' found at line 1, column 7"},
      {Val, "POS(a, )", 30081, "Argument expected for function 'POS' at line 1, column 8"},
      {Val, "LENGTH()", 30085, "Argument expected for function 'LENGTH' at line 1, column 8"},
      {Val, "LENGTH(a b)", 30084, "Token ')' expected, but 'b' found at line 1, column 10"},
      {Val, "UPPER() || 'a'", 30092, "String argument expected for function 'UPPER', but '||' found at line 1, column 9"},
      {Val, "TRIM(a b)", 30091, "Token ')' expected, but 'b' found at line 1, column 8"},
      {Val, "SUBSTRING(a 1)", 30100, "Token ',' expected, but '1' found at line 1, column 13"},
      {Val, "SUBSTRING(a, 1 2)", 30103, "Token ',' expected, but '2' found at line 1, column 16"},
      {Val, "TOSTRING(d, y)", 30096, "Const DateFormat string expected, but 'y' found at line 1, column 13"},
      {Val, "TODATE(s, 'yyyy' 1)", 30106, "Token ')' expected, but '1' found at line 1, column 18"},
      {Val, "TODATE(s 'yyyy')", 30108, "Token ',' expected, but 'yyyy' found at line 1, column 10"},
      {Val, "EXTRACT(YEAR d)", 11602, "FROM or ',' expected, but 'd' found at line 1, column 14"},
      {Val, "YEAR d", 11603, "Token '(' expected, but 'd' found at line 1, column 6"},
      {Val, "YEAR()", 11604, "Argument expected for function 'unknown' at line 1, column 6"},
      {Val, "ISNULL a", 11597, "'(' symbol expected, but 'a' found at line 1, column 8"},
      {Val, "ISNULL(a, 1 2)", 11599, "Missing symbol ')' at line 1, column 13"},
      {Val, "TOBLOB(1)", 11346, "Const BLOB value as quoted string expected, but '1' found at line 1, column 8"},
      {Val, "TOBLOB('AA', OCTAL)", 11347, "BLOB value format expected, but 'OCTAL' found at line 1, column 14"},
      {Val, "LASTAUTOINC(db t c)", 30334, "Token ',' expected, but 'c' found at line 1, column 18"},
      {Cond, "x = 99999999999999999999", 30062, "Invalid numeric symbol '99999999999999999999' at line 1, column 5"},
      {Val, "LENGTH a", 30083, "Token '(' expected, but 'a' found at line 1, column 8"},
      {Val, "POS(a, b c)", 30082, "Token ')' expected, but 'c' found at line 1, column 10"},
      {Val, "POS()", 30079, "Argument expected for function 'POS' at line 1, column 5"},
      {Val, "LASTAUTOINC t", 30086, "Token '(' expected, but 't' found at line 1, column 13"},
      {Val, "LASTAUTOINC(t, c d)", 30089, "Token ')' expected, but 'd' found at line 1, column 18"},
      {Val, "UPPER a", 30090, "Token '(' expected, but 'a' found at line 1, column 7"},
      {Val, "TOSTRING a", 30093, "Token '(' expected, but 'a' found at line 1, column 10"},
      {Val, "TOSTRING()", 30094, "Argument expected for function 'unknown' at line 1, column 10"},
      {Val, "TOSTRING(d 'y')", 30095, "Token ',' expected, but 'y' found at line 1, column 12"},
      {Val, "TOSTRING(d, 'y' 1)", 30097, "Token ')' expected, but '1' found at line 1, column 17"},
      {Val, "SUBSTRING a", 30098, "Token '(' expected, but 'a' found at line 1, column 11"},
      {Val, "SUBSTRING()", 30099, "Argument expected for function 'unknown' at line 1, column 11"},
      {Val, "SUBSTRING(a, )", 30101, "Argument expected for function 'unknown' at line 1, column 14"},
      {Val, "SUBSTRING(a, 1, 2 3)", 30104, "Token ')' expected, but '3' found at line 1, column 19"},
      {Val, "TODATE s", 30105, "Token '(' expected, but 's' found at line 1, column 8"},
      {Val, "TODATE(, 'y')", 30107, "Argument expected for function 'ToDate' at line 1, column 8"},
      {Val, "TODATE(s, y)", 30109, "Const DateFormat string expected, but 'y' found at line 1, column 11"},
      {Val, "TOBLOB 'a'", 11345, "Token '(' expected, but 'a' found at line 1, column 8"},
      {Val, "TOBLOB('QUJD' 1)", 11348, "Token ')' expected, but '1' found at line 1, column 15"},
      {Val, "EXTRACT YEAR", 11601, "Token '(' expected, but 'YEAR' found at line 1, column 9"},
      {Val, "YEAR(d e)", 11605, "Token ')' expected, but 'e' found at line 1, column 8"},
      {Val, "ROUND(a, )", 11643, "Argument expected for function 'unknown' at line 1, column 10"},
      {Val, "ISNULL()", 11598, "Argument expected for function 'ISNULL' at line 1, column 8"},
  };
  for (const ErrorCase& c : cases) {
    SCOPED_TRACE(c.text);
    try {
      const std::string shape = Parse(c.kind, c.text);
      ADD_FAILURE() << "parsed as " << shape;
    } catch (const ESQLMemException& e) {
      EXPECT_EQ(e.NativeError(), c.code);
      EXPECT_EQ(MessageOf(e), c.message);
    }
  }
}

TEST_F(ExpressionParser, AnEmptyTextHasNothingToParse) {
  TSQLMemLexer lexer("", nullptr);
  lexer.NextStatement();
  TSQLMemExpression expression;
  try {
    expression.ParseCondition(lexer);
    ADD_FAILURE() << "no error";
  } catch (const ESQLMemException& e) {
    EXPECT_EQ(e.NativeError(), 30118);
  }
  try {
    expression.ParseValueExpression(lexer);
    ADD_FAILURE() << "no error";
  } catch (const ESQLMemException& e) {
    EXPECT_EQ(e.NativeError(), 30136);
  }
  try {
    expression.ParseText(nullptr, "  ", {});
    ADD_FAILURE() << "no error";
  } catch (const ESQLMemException& e) {
    EXPECT_EQ(e.NativeError(), 30119);
    EXPECT_EQ(MessageOf(e), "Blank SQL command");
  }
}

TEST_F(ExpressionParser, TypeNamesAndTheirCodes) {
  EXPECT_EQ(FieldTypeByName("integer"), sftInteger);
  EXPECT_EQ(FieldTypeByName("VarChar"), sftVarchar);
  EXPECT_EQ(FieldTypeByName("no such type"), 0);
  EXPECT_EQ(DataTypeName(sftInteger), FieldTypeName(sftInteger));
  EXPECT_EQ(DataTypeName(0), "");
}

// ---- conditions read from filter text, evaluated on one record ----
//   Name 'Anna' | Age 30 | City NULL | Score NULL | Letter 'B' | WName 'Anna' (wide)

class FilterTextTest : public OneTableTest {
 protected:
  Truth Evaluate(const char* text, TSQLMemFilterOptions options) {
    TSQLMemExpression expression;
    expression.ParseText(cursor_.get(), text, options);
    return TruthOf(*expression.GetValue(true));
  }
};

struct FilterCase {
  const char* text;
  bool caseInsensitive, partial;
  Truth result;
};

TEST_F(FilterTextTest, ConditionsFromTextEvaluateOnTheRecord) {
  const FilterCase cases[] = {
      {"Name = 'Anna'", false, false, T},
      {"Name = 'anna'", false, false, F},
      {"Name = 'anna'", true, false, T},
      {"Name = 'An*'", false, true, T},
      {"Name = 'An*'", false, false, F},
      {"Name = 'an*'", true, true, T},
      {"WName = 'An*'", false, true, T},
      {"Name = '*'", false, true, T},
      {"Age > 20 AND Age < 40", false, false, T},
      {"Age + 5 = 35", false, false, T},
      {"Age * 2 - 10 = 50", false, false, T},
      {"Age BETWEEN 30 AND 30", false, false, T},
      {"Age IN (10, 20, 30)", false, false, T},
      {"Age NOT IN (10, 20)", false, false, T},
      {"City = ''", false, false, T},
      {"City IS NULL AND Score IS NULL", false, false, T},
      {"City <> NULL", false, false, F},
      {"City = 'X' OR Letter = 'B'", false, false, T},
      {"Score > 1", false, false, F},
      {"NOT (Score > 1)", false, false, T},
      {"Name LIKE 'A%a'", false, false, T},
      {"LOWER(Name) LIKE 'ann_'", false, false, T},
      {"Name || Letter = 'AnnaB'", false, false, T},
      {"LENGTH(Name) = 4", false, false, T},
      {"ISNULL(Score, 7) = 7", false, false, T},
      {"(Age = 30) IS NOT FALSE", false, false, T},
      {"SUBSTRING(Name, 2, 2) = 'nn'", false, false, T},
      {"CAST(Age AS VARCHAR) = '30'", false, false, T},
  };
  for (const FilterCase& c : cases) {
    SCOPED_TRACE(c.text);
    TSQLMemFilterOptions options;
    options.CaseInsensitive = c.caseInsensitive;
    options.PartialCompare = c.partial;
    try {
      EXPECT_EQ(TruthName(Evaluate(c.text, options)), std::string(TruthName(c.result)));
    } catch (const ESQLMemException& e) {
      ADD_FAILURE() << e.NativeError() << " " << e.Message();
    }
  }
}

TEST_F(FilterTextTest, AFieldTheCursorLacksIsRefusedWhileParsing) {
  TSQLMemExpression expression;
  try {
    expression.ParseText(cursor_.get(), "Nobody = 1", {});
    ADD_FAILURE() << "no error";
  } catch (const ESQLMemException& e) {
    EXPECT_EQ(e.NativeError(), 30115);
  }
  EXPECT_TRUE(expression.IsEmpty());
}

TEST_F(FilterTextTest, TheTreeAnswersQuestionsAboutItsRoot) {
  TSQLMemExpression expression;
  expression.ParseText(cursor_.get(), "Age > 1", {});
  EXPECT_FALSE(expression.IsField());
  EXPECT_FALSE(expression.ContainsAggregate());
  AnsiString table, field;
  EXPECT_THROW(expression.GetFieldName(table, field), ESQLMemException);

  TSQLMemLexer lexer("t.Age", nullptr);
  ASSERT_TRUE(lexer.NextStatement());
  TSQLMemExpression value;
  value.ParseValueExpression(lexer);
  ASSERT_TRUE(value.IsField());
  value.GetFieldName(table, field);
  EXPECT_EQ(table, "t");
  EXPECT_EQ(field, "Age");

  TSQLMemLexer counts("COUNT(*)", nullptr);
  ASSERT_TRUE(counts.NextStatement());
  TSQLMemExpression count;
  count.ParseValueExpression(counts);
  EXPECT_TRUE(count.IsCountStar());
  EXPECT_TRUE(count.ContainsAggregate());
  EXPECT_TRUE(count.ContainsCountStar());

  TSQLMemLexer nulls("NULL", nullptr);
  ASSERT_TRUE(nulls.NextStatement());
  TSQLMemExpression null;
  null.ParseValueExpression(nulls);
  EXPECT_TRUE(null.IsNullConstant());
  EXPECT_TRUE(null.GetValue(true)->IsNull());
  EXPECT_FALSE(null.GetValue(false)->GetAsBoolean());  // a NULL read as a condition is false
}

}  // namespace

namespace {

// LASTAUTOINC names its table as "[MEMORY] [database] table": a database stands before the table,
// separated by a blank only; without one the expression's own database is meant.
using LastAutoIncParse = DiaryDataSetTest;

TEST_F(LastAutoIncParse, TheTableIsNamedWithOrWithoutItsDatabase) {
  AddNumberedDays(2);
  std::unique_ptr<TSQLMemTable> fans(New<TSQLMemTable>(nullptr));
  fans->SetDatabaseName(kDataSetTestDatabase);
  fans->SetTableName("fans");
  fans->Open();
  for (const char* day : {"2025.01.01", "2025.01.02"}) {
    fans->Append();
    fans->FieldByName("ShortDateDay")->SetAsString(day);
    fans->FieldByName("Title")->SetAsString("t");
    fans->Post();
  }
  TSQLMemExprNodeSystem direct(opLastAutoInc, kDataSetTestDatabase, "", true, "RecID", "fans");
  const Int64 last = direct.Evaluate().GetAsLargeInt();
  for (const char* text : {"LASTAUTOINC(fans, RecID) + 1", "LASTAUTOINC(MEMORY DATASETTEST fans, RecID) + 1"}) {
    SCOPED_TRACE(text);
    TSQLMemLexer lexer(text, nullptr);
    ASSERT_TRUE(lexer.NextStatement());
    TSQLMemExpression expression;
    expression.InMemory = true;
    expression.DatabaseName = kDataSetTestDatabase;
    expression.ParseValueExpression(lexer);
    EXPECT_EQ(Shape(*expression.Root()), "(21 (74) 1)");
    EXPECT_EQ(expression.GetValue(true)->GetAsLargeInt(), last + 1);
  }
  fans->Close();
  TSQLMemLexer lexer("LASTAUTOINC(fans, Nope)", nullptr);
  ASSERT_TRUE(lexer.NextStatement());
  TSQLMemExpression expression;
  expression.InMemory = true;
  expression.DatabaseName = kDataSetTestDatabase;
  EXPECT_THROW(expression.ParseValueExpression(lexer), ESQLMemException);
  EXPECT_TRUE(expression.IsEmpty());
}

}  // namespace
