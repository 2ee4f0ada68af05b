#include "engine/sql/SQLMemExprNodeString.h"

#include <gtest/gtest.h>

#include <functional>

#include "ExprTestSupport.h"
#include "vcl/rtl/OsSeam.h"
#include "vcl/rtl/TextConv.h"

namespace {

using StringFunctionTest = OneTableTest;
using Node = std::unique_ptr<TSQLMemExprNode>;

Node Fn(Byte op, Node first, Node second = nullptr, Node third = nullptr) {
  auto node = std::make_unique<TSQLMemExprNodeStringFunction>(op, true, false, std::move(first));
  if (second != nullptr) node->AddChild(std::move(second));
  if (third != nullptr) node->AddChild(std::move(third));
  return node;
}

std::unique_ptr<TSQLMemExprNodeConst> Memo(const char* v) {
  TSQLMemVariant value;
  std::string bytes = v;
  value.SetData(bytes.data(), static_cast<Integer>(bytes.size()), edtMemo, true, false);
  return std::make_unique<TSQLMemExprNodeConst>(value);
}

TEST_F(StringFunctionTest, FunctionsGiveTheirValuesTypesAndSizes) {
  const struct {
    const char* name;
    std::function<Node()> make;
    const char* value;
    Integer type, size;
  } cases[] = {
      {"'ab' || 'cd'", [] { return Fn(opConcat, Text("ab"), Text("cd")); }, "abcd", sftVarchar, 2048},
      {"'a' || NULL", [] { return Fn(opConcat, Text("a"), NullOf(edtVarchar)); }, "a", sftVarchar, 2048},
      {"UPPER('abc')", [] { return Fn(opUpper, Text("abc")); }, "ABC", sftVarchar, 3},
      {"UPPER(Name)", [this] { return Fn(opUpper, Field("Name")); }, "ANNA", sftVarchar, 10},
      {"UPPER(NULL)", [] { return Fn(opUpper, NullOf(edtVarchar)); }, "NULL", sftVarchar, 0},
      {"LOWER(Name)", [this] { return Fn(opLower, Field("Name")); }, "anna", sftVarchar, 10},
      {"LOWER(WName)", [this] { return Fn(opLower, Field("WName")); }, "anna", sftWideVarchar, 10},
      {"LOWER(a memo)", [] { return Fn(opLower, Memo("AbC")); }, "abc", sftMemo, 3},
      {"LOWER(12)", [] { return Fn(opLower, Int(12)); }, "12", sftInteger, 0},
      {"TRIM", [] { return Fn(opTrim, Text(" \t a b \r\n")); }, "a b", sftVarchar, 9},
      {"LTRIM", [] { return Fn(opLTrim, Text("  a b  ")); }, "a b  ", sftVarchar, 7},
      {"RTRIM", [] { return Fn(opRTrim, Text("  a b  ")); }, "  a b", sftVarchar, 7},
      {"TRIM of blanks only", [] { return Fn(opTrim, Text("   ")); }, "NULL", sftVarchar, 3},
      {"TRIM(NULL)", [] { return Fn(opTrim, NullOf(edtVarchar)); }, "NULL", sftVarchar, 0},
      {"LENGTH('abc')", [] { return Fn(opLength, Text("abc")); }, "3", sftInteger, 0},
      {"LENGTH(WName)", [this] { return Fn(opLength, Field("WName")); }, "4", sftInteger, 0},
      {"LENGTH(12345)", [] { return Fn(opLength, Int(12345)); }, "5", sftInteger, 0},
      {"LENGTH(NULL)", [] { return Fn(opLength, NullOf(edtVarchar)); }, "0", sftInteger, 0},
      {"POS('n', Name)", [this] { return Fn(opPos, Text("n"), Field("Name")); }, "2", sftInteger, 0},
      {"POS('x', Name)", [this] { return Fn(opPos, Text("x"), Field("Name")); }, "0", sftInteger, 0},
      {"POS('a', NULL)", [] { return Fn(opPos, Text("a"), NullOf(edtVarchar)); }, "0", sftInteger, 0},
      {"POS(NULL, 'a')", [] { return Fn(opPos, NullOf(edtVarchar), Text("a")); }, "0", sftInteger, 0},
      {"POS in wide text", [this] { return Fn(opPos, Text("na"), Field("WName")); }, "3", sftInteger, 0},
      {"POS in a memo", [] { return Fn(opPos, Text("day"), Memo("a long day")); }, "8", sftInteger, 0},
      {"POS(3, 123)", [] { return Fn(opPos, Int(3), Int(123)); }, "3", sftInteger, 0},
      {"SUBSTRING('hello', 0, 3)", [] { return Fn(opSubstring, Text("hello"), Int(0), Int(3)); }, "hel", sftVarchar, 5},
      {"SUBSTRING('hello', 2)", [] { return Fn(opSubstring, Text("hello"), Int(2)); }, "ello", sftVarchar, 5},
      {"SUBSTRING('hello', 4, 10)", [] { return Fn(opSubstring, Text("hello"), Int(4), Int(10)); }, "lo", sftVarchar, 5},
      {"SUBSTRING('hello', 9)", [] { return Fn(opSubstring, Text("hello"), Int(9)); }, "NULL", sftVarchar, 5},
      {"SUBSTRING(WName, 2, 2)", [this] { return Fn(opSubstring, Field("WName"), Int(2), Int(2)); }, "nn", sftWideVarchar, 10},
      {"SUBSTRING(NULL, 1)", [] { return Fn(opSubstring, NullOf(edtVarchar), Int(1)); }, "NULL", sftVarchar, 0},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    Node node = c.make();
    EXPECT_EQ(TextOf(node->Evaluate()), c.value);
    EXPECT_EQ(TextOf(node->Evaluate()), c.value) << "a second evaluation gives the same";
    EXPECT_EQ(node->GetResultType(), c.type);
    EXPECT_EQ(node->GetResultSize(), c.size);
  }
  EXPECT_EQ(TextOf(Field("Name")->Evaluate()), "Anna") << "the field itself is not lowered";
  ExpectEngineError([] { Fn(opNot, Text("a"))->Evaluate(); }, 30131, "Unknown operator: 'NOT' - Native error: 30131");
}

// The diary's search lowers Hungarian text; Windows-1250 letters fold like the locale folds them.
TEST_F(StringFunctionTest, LowerAndUpperFoldHungarianLetters) {
  ASSERT_TRUE(os::SetTextLocale("hu-HU"));
  const AnsiString upper = Utf8ToCp1250("ÁRVÍZTŰRŐ TÜKÖRFÚRÓGÉP");
  const AnsiString lower = Utf8ToCp1250("árvíztűrő tükörfúrógép");
  EXPECT_EQ(TextOf(Fn(opLower, Text(upper.c_str()))->Evaluate()), lower);
  EXPECT_EQ(TextOf(Fn(opUpper, Text(lower.c_str()))->Evaluate()), upper);
  EXPECT_EQ(TextOf(Fn(opLower, Text(upper.c_str()))->Evaluate()), AnsiLowerCase(upper)) << "the same as AnsiLowerCase";
  EXPECT_EQ(Fn(opLower, WideText(Utf8ToUtf16("ŐSZ").c_str()))->Evaluate().GetAsWideString(), Utf8ToUtf16("ősz"));
  // Every byte maps as AnsiLowerCase maps it, also after the locale changed.
  for (const char* locale : {"hu-HU", ""}) {
    ASSERT_TRUE(os::SetTextLocale(locale));
    std::string bytes;
    for (int b = 1; b < 256; ++b) bytes.push_back(static_cast<char>(b));
    std::string mapped = bytes;
    LowerCaseBytes(mapped.data(), mapped.size());
    EXPECT_EQ(mapped, AnsiLowerCase(bytes)) << locale;
    mapped = bytes;
    UpperCaseBytes(mapped.data(), mapped.size());
    EXPECT_EQ(mapped, AnsiUpperCase(bytes)) << locale;
  }
}

}  // namespace
