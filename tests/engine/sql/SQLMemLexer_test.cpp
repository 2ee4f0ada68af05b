#include "engine/sql/SQLMemLexer.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "engine/foundation/EngineTestSupport.h"
#include "engine/foundation/SQLMemConst.h"
#include "engine/foundation/SQLMemTypes.h"
#include "engine/storage/SQLMemSQLProcessor.h"
#include "vcl/rtl/AnsiStrings.h"
#include "vcl/rtl/Exceptions.h"

namespace {

using Lexer = EngineBlocksTest;

struct ExpectedToken {
  TTokenType type;
  const char* text;
  Integer reserved;  // NoReservedWord unless a keyword
  Integer line;
  Integer column;
};

constexpr Integer None = NoReservedWord;

std::string Describe(const TToken& t) {
  return "{kind " + std::to_string(t.TokenType) + " '" + t.Text + "' " + std::to_string(t.LineNum) + ":" +
         std::to_string(t.ColumnNum) + "}";
}

// The tokens of the text's first statement.
std::vector<TToken> FirstStatement(const AnsiString& text, const TSQLMemSQLParams* params = nullptr) {
  TSQLMemLexer lexer(text, params);
  if (!lexer.NextStatement()) return {};
  return lexer.Command.Tokens;
}

// Every statement of the text up to the end (or up to an empty statement).
std::vector<std::vector<TToken>> AllStatements(const AnsiString& text) {
  TSQLMemLexer lexer(text, nullptr);
  std::vector<std::vector<TToken>> statements;
  while (lexer.NextStatement()) statements.push_back(lexer.Command.Tokens);
  return statements;
}

struct TokenCase {
  const char* text;
  std::vector<ExpectedToken> tokens;
};

TEST_F(Lexer, TextsGiveTheirTokens) {
  const std::vector<TokenCase> cases = {
      {"select a, b from t",
       {{tktReservedWord, "select", 184, 1, 1}, {tktString, "a", None, 1, 8}, {tktComma, ",", None, 1, 9},
        {tktString, "b", None, 1, 11}, {tktReservedWord, "from", 90, 1, 13}, {tktString, "t", None, 1, 18}}},
      {"SeLeCt absolute", {{tktReservedWord, "SeLeCt", 184, 1, 1}, {tktString, "absolute", None, 1, 8}}},
      // positions: LF starts a line, CR counts nothing, a tab is one column
      {"select\n  a,\r\n\tb",
       {{tktReservedWord, "select", 184, 1, 1}, {tktString, "a", None, 2, 3}, {tktComma, ",", None, 2, 4},
        {tktString, "b", None, 3, 2}}},
      // comments: a line comment joins what surrounds it, a block comment counts its lines and columns
      {"a--note\nb", {{tktString, "ab", None, 1, 1}}},
      {"a /*c*/ b", {{tktString, "a", None, 1, 1}, {tktString, "b", None, 1, 9}}},
      {"/* x\n y */ a -- c\nb", {{tktString, "a", None, 2, 7}, {tktString, "b", None, 3, 1}}},
      {"5--3", {{tktInt, "5", None, 1, 1}}},
      {"a/*;*/b", {{tktString, "ab", None, 1, 1}}},
      // numbers
      {"-5", {{tktString, "-", None, 1, 1}, {tktInt, "5", None, 1, 2}}},
      {"1e-5 1.5e+3 12abc", {{tktFloat, "1e-5", None, 1, 1}, {tktFloat, "1.5e+3", None, 1, 6}, {tktInt, "12abc", None, 1, 13}}},
      {"1+2", {{tktInt, "1", None, 1, 1}, {tktString, "+", None, 1, 2}, {tktInt, "2", None, 1, 3}}},
      {"0x1F $1F 0x1E", {{tktInt, "31", None, 1, 1}, {tktInt, "31", None, 1, 6}, {tktInt, "30", None, 1, 10}}},
      {"$FFFFFFFFFFFFFFFF $0000000000000000001 $", {{tktInt, "-1", None, 1, 1}, {tktInt, "1", None, 1, 19}, {tktInt, "0", None, 1, 40}}},
      {"t.5", {{tktString, "t", None, 1, 1}, {tktFloat, ".5", None, 1, 2}}},
      {"t.f", {{tktString, "t", None, 1, 1}, {tktDot, ".", None, 1, 2}, {tktString, "f", None, 1, 3}}},
      {"1.5.2", {{tktFloat, "1.5.2", None, 1, 1}}},
      // quoted texts: the doubled closer stands for one, other quotes are plain text
      {"'it''s' \"a\"\"b\" `c``d` [e]]f] \"g'h\"",
       {{tktQuotedString, "it's", None, 1, 1}, {tktQuotedString, "a\"b", None, 1, 9}, {tktBackQuotedString, "c`d", None, 1, 16},
        {tktBracketedString, "e]f", None, 1, 23}, {tktQuotedString, "g'h", None, 1, 30}}},
      {"'a\nb;' c", {{tktQuotedString, "a\nb;", None, 1, 1}, {tktString, "c", None, 2, 5}}},
      {"'select'", {{tktQuotedString, "select", None, 1, 1}}},
      {"''", {{tktQuotedString, "", None, 1, 1}}},
      // operators
      {"a != b", {{tktString, "a", None, 1, 1}, {tktString, "!=", None, 1, 3}, {tktString, "b", None, 1, 6}}},
      {"a <> b <= c >= d || e == f",
       {{tktString, "a", None, 1, 1}, {tktString, "<>", None, 1, 3}, {tktString, "b", None, 1, 6}, {tktString, "<=", None, 1, 8},
        {tktString, "c", None, 1, 11}, {tktString, ">=", None, 1, 13}, {tktString, "d", None, 1, 16}, {tktString, "||", None, 1, 18},
        {tktString, "e", None, 1, 21}, {tktString, "==", None, 1, 23}, {tktString, "f", None, 1, 26}}},
      {"a&b n'x' a%b ~a", {{tktString, "a&b", None, 1, 1}, {tktString, "n'x'", None, 1, 5}, {tktString, "a%b", None, 1, 10},
                            {tktString, "~", None, 1, 14}, {tktString, "a", None, 1, 15}}},
      // an operator never swallows the operand written right after it
      {"a<b", {{tktString, "a", None, 1, 1}, {tktString, "<", None, 1, 2}, {tktString, "b", None, 1, 3}}},
      {"x>=5", {{tktString, "x", None, 1, 1}, {tktString, ">=", None, 1, 2}, {tktInt, "5", None, 1, 4}}},
      {"1<<2 a %b", {{tktInt, "1", None, 1, 1}, {tktString, "<<", None, 1, 2}, {tktInt, "2", None, 1, 4}, {tktString, "a", None, 1, 6},
                     {tktString, "%", None, 1, 8}, {tktString, "b", None, 1, 9}}},
      {"(a*b)/c",
       {{tktLeftParenthesis, "(", None, 1, 1}, {tktString, "a", None, 1, 2}, {tktString, "*", None, 1, 3}, {tktString, "b", None, 1, 4},
        {tktRightParenthesis, ")", None, 1, 5}, {tktString, "/", None, 1, 6}, {tktString, "c", None, 1, 7}}},
      {")(", {{tktRightParenthesis, ")", None, 1, 1}, {tktLeftParenthesis, "(", None, 1, 2}}},
      // parameters: the name without ":" and quotes; a digit after ":" is a number
      {"a=:p", {{tktString, "a", None, 1, 1}, {tktString, "=", None, 1, 2}, {tktParameter, "p", None, 1, 3}}},
      {":'my p' :\"q\" :`r`", {{tktParameter, "my p", None, 1, 1}, {tktParameter, "q", None, 1, 9}, {tktParameter, "r", None, 1, 14}}},
      {":1 :select", {{tktInt, ":1", None, 1, 1}, {tktParameter, "select", None, 1, 4}}},
      {"x :", {{tktString, "x", None, 1, 1}, {tktParameter, "", None, 1, 3}}},
  };
  for (const TokenCase& c : cases) {
    SCOPED_TRACE(c.text);
    const std::vector<TToken> tokens = FirstStatement(c.text);
    ASSERT_EQ(tokens.size(), c.tokens.size());
    for (std::size_t i = 0; i < tokens.size(); ++i) {
      const TToken& t = tokens[i];
      const ExpectedToken& e = c.tokens[i];
      EXPECT_EQ(t.TokenType, e.type) << i << " " << Describe(t);
      EXPECT_EQ(t.Text, e.text) << i;
      EXPECT_EQ(t.ReservedWord, e.reserved) << i;
      EXPECT_EQ(t.LineNum, e.line) << i;
      EXPECT_EQ(t.ColumnNum, e.column) << i;
      EXPECT_EQ(t.IsParameter, t.TokenType == tktParameter || t.Text.starts_with(":")) << i;
      EXPECT_EQ(t.ParamValue, nullptr) << "no parameter list";
    }
  }
}

struct ErrorCase {
  const char* text;
  Integer code;
  const char* message;  // without the native-error suffix
};

TEST_F(Lexer, ErrorsTellWhereTheyAreFromTheLastSemicolon) {
  const std::vector<ErrorCase> cases = {
      {"(a))", 30060, "Unexpected symbol ')' found at line 1, column 4"},
      {"((a)", 30059, "Missing symbol ')' at line 1, column 2"},
      {"f(a, (b)\n", 30059, "Missing symbol ')' at line 1, column 6"},
      {"'abc", 30061, "Unterminated string at line 1, column 1"},
      {"x [abc", 30061, "Unterminated string at line 1, column 3"},
      {"x = :'abc", 30061, "Unterminated string at line 1, column 6"},
      {"select 1g", 30062, "Invalid numeric symbol 'g' at line 1, column 9"},
      {"0X1F", 30062, "Invalid numeric symbol 'X' at line 1, column 2"},
      {"1_000", 30062, "Invalid numeric symbol '_' at line 1, column 2"},
      {"x = $11112222333344445", 30062, "Invalid numeric symbol '11112222333344445' at line 1, column 5"},
      {"x = 0x11112222333344445", 30062, "Invalid numeric symbol '11112222333344445' at line 1, column 5"},
      // positions restart after each ";"
      {"select 1;\n  ((a)", 30059, "Missing symbol ')' at line 2, column 4"},
      {"select (1);select 2;x\ny)", 30060, "Unexpected symbol ')' found at line 2, column 2"},
      {"select 'a;';  'b", 30061, "Unterminated string at line 1, column 3"},
  };
  for (const ErrorCase& c : cases) {
    SCOPED_TRACE(c.text);
    ExpectEngineError([&] { AllStatements(c.text); }, c.code,
                      AnsiString(c.message) + " - Native error: " + std::to_string(c.code));
  }
}

TEST_F(Lexer, StatementsEndAtSemicolonsAndAnEmptyOneEndsTheRun) {
  const auto statements = AllStatements("select 1; select 'a;b' ;\nselect 3;");
  ASSERT_EQ(statements.size(), 3u);
  EXPECT_EQ(statements[1][1].Text, "a;b");
  EXPECT_EQ(statements[2][0].LineNum, 2);

  TSQLMemLexer lexer("select 1;;select 2", nullptr);
  EXPECT_EQ(lexer.StatementNo(), -1);
  ASSERT_TRUE(lexer.NextStatement());
  EXPECT_EQ(lexer.Command.Count(), 2);
  EXPECT_EQ(lexer.Position(), 9);
  EXPECT_FALSE(lexer.NextStatement()) << "the empty statement ends the run";
  EXPECT_EQ(lexer.StatementNo(), 1);
  EXPECT_EQ(lexer.Command.Count(), 0);

  EXPECT_TRUE(AllStatements("").empty());
  EXPECT_TRUE(AllStatements("  -- nothing\n /* at all */ ").empty());
}

TEST_F(Lexer, TokenOperationsWalkTheStatement) {
  TSQLMemLexer lexer("a b c", nullptr);
  ASSERT_TRUE(lexer.NextStatement());
  TToken t;
  ASSERT_TRUE(lexer.GetCurrentToken(t));
  EXPECT_EQ(t.Text, "a");
  ASSERT_TRUE(lexer.PeekNextToken(t));
  EXPECT_EQ(t.Text, "b");
  EXPECT_EQ(lexer.GetTokenIndex(), 0) << "peeking does not move";
  ASSERT_TRUE(lexer.NextToken(t));
  EXPECT_EQ(t.Text, "b");
  ASSERT_TRUE(lexer.NextToken(t));
  EXPECT_EQ(t.Text, "c");
  EXPECT_FALSE(lexer.NextToken(t));
  EXPECT_EQ(t.TokenType, tktNone);
  EXPECT_EQ(t.Text, "c") << "a missing token changes only the kind";
  EXPECT_EQ(lexer.GetTokenIndex(), 3) << "the index moves past the end all the same";
  EXPECT_FALSE(lexer.GetCurrentToken(t));

  ASSERT_TRUE(lexer.SetTokenIndex(1, t));
  EXPECT_EQ(t.Text, "b");
  EXPECT_FALSE(lexer.SetTokenIndex(-1, t));

  lexer.SetTokenCount(2);
  EXPECT_EQ(lexer.Command.Count(), 2);
  EXPECT_EQ(lexer.GetTokenIndex(), 0);
  lexer.SetTokenCount(4);
  ASSERT_TRUE(lexer.SetTokenIndex(3, t));
  EXPECT_EQ(t.TokenType, tktNone) << "added tokens are empty";
  EXPECT_THROW(lexer.SetTokenCount(-1), ERangeError);
}

TEST_F(Lexer, ParametersCarryACopyOfTheirValueWhileTheStatementLasts) {
  TSQLMemSQLParams params;
  params.Add("Day").Value.SetAsInteger(5);
  params.Add("Title").Value.SetAsString("tea");
  TSQLMemLexer lexer("select :DAY, :'title', :day; select :Missing", &params);
  ASSERT_TRUE(lexer.NextStatement());
  const auto& tokens = lexer.Command.Tokens;
  ASSERT_EQ(tokens.size(), 6u);
  ASSERT_NE(tokens[1].ParamValue, nullptr);
  EXPECT_EQ(tokens[1].Text, "DAY");
  EXPECT_EQ(tokens[1].ParamValue->GetAsInteger(), 5);
  ASSERT_NE(tokens[3].ParamValue, nullptr);
  EXPECT_EQ(tokens[3].ParamValue->GetAsString(), "tea");
  EXPECT_NE(tokens[1].ParamValue, tokens[5].ParamValue) << "each token has its own value";

  params.GetItem(1).Value.SetAsString("rum");
  EXPECT_EQ(tokens[3].ParamValue->GetAsString(), "tea") << "a copy, not the list's value";
  EXPECT_NE(tokens[3].ParamValue->Data(), params.GetItem(1).Value.Data());

  // The missing one is found while tokenizing, before any parser sees the statement.
  ExpectEngineError([&] { lexer.NextStatement(); }, 30358, "Value for parameter 'Missing' not found - Native error: 30358");
}

TEST_F(Lexer, ReservedWordTests) {
  const auto tokens = FirstStatement("select x '' 'a' null");
  ASSERT_EQ(tokens.size(), 5u);
  EXPECT_TRUE(TokenIsReservedWord(tokens[0], 184));
  EXPECT_TRUE(TokenIsReservedWord(tokens[0], NoReservedWord)) << "295 matches any reserved word";
  EXPECT_FALSE(TokenIsReservedWord(tokens[0], 90));
  EXPECT_FALSE(TokenIsReservedWord(tokens[1], NoReservedWord));
  EXPECT_TRUE(TokenIsReservedWord(tokens[4], 146));
  EXPECT_TRUE(TokenIsEmptyQuotedString(tokens[2]));
  EXPECT_FALSE(TokenIsEmptyQuotedString(tokens[3]));
  EXPECT_FALSE(TokenIsEmptyQuotedString(FirstStatement("``")[0])) << "only quoted strings";
}

TEST_F(Lexer, KeywordLookupAgreesWithTheKeywordTable) {
  for (Integer i = 0; i < SQLKeywordCount; ++i) {
    const AnsiString word = GetReservedWord(i);
    const Integer expected = i == 0 ? None : i;  // ABSOLUTE is never a keyword
    EXPECT_EQ(LookupReservedWord(word), expected) << word;
    EXPECT_EQ(LookupReservedWord(AnsiLowerCase(word)), expected) << word;
    // Lexed, every word is one token, except END-EXEC, which the "-" splits.
    const auto tokens = FirstStatement(AnsiLowerCase(word));
    if (word == "END-EXEC") {
      ASSERT_EQ(tokens.size(), 3u);
      EXPECT_TRUE(TokenIsReservedWord(tokens[0], FindSQLKeyword("END")));
      continue;
    }
    ASSERT_EQ(tokens.size(), 1u) << word;
    EXPECT_EQ(tokens[0].TokenType, i == 0 ? tktString : tktReservedWord) << word;
    EXPECT_EQ(tokens[0].ReservedWord, expected) << word;
  }
  EXPECT_EQ(LookupReservedWord("selectx"), None);
  EXPECT_EQ(LookupReservedWord(""), None);
}

TEST(LexerHex, DigitsAndValues) {
  const struct {
    const char* text;
    Int64 value;
  } cases[] = {
      {"", 0},
      {"1F", 31},
      {"ff", 255},
      {"7FFFFFFFFFFFFFFF", INT64_MAX},
      {"8000000000000000", INT64_MIN},
      {"00000000FFFFFFFFFFFFFFFF", -1},  // leading zeros are no significant digits
      {"1G", 16},                        // a non-digit counts as 0
  };
  for (const auto& c : cases) EXPECT_EQ(HexToInt64(c.text), c.value) << c.text;
  EXPECT_THROW(HexToInt64("10000000000000000"), ERangeError) << "17 significant digits do not fit";
  EXPECT_EQ(HexDigitValue('0'), 0);
  EXPECT_EQ(HexDigitValue('9'), 9);
  EXPECT_EQ(HexDigitValue('a'), 10);
  EXPECT_EQ(HexDigitValue('F'), 15);
  EXPECT_EQ(HexDigitValue('g'), 0);
  EXPECT_EQ(HexDigitValue('x'), 0);
}

struct MarkerCase {
  const char* text;
  const char* result;
};

TEST_F(Lexer, ConvertParamMarkersNumbersQuestionMarksAcrossStatements) {
  const MarkerCase cases[] = {
      {"select * from t where a = ? and b = ?",
       "select * from t where a = :SQLMem_MS_Param0 and b = :SQLMem_MS_Param1 ; "},
      {"select ?; select ?", "select :SQLMem_MS_Param0 ; select :SQLMem_MS_Param1 ; "},
      // a text without markers comes back as it was, comments and layout included
      {"select *\n  from t -- every day\n where a = :p and b = '?'", "select *\n  from t -- every day\n where a = :p and b = '?'"},
      // re-assembled tokens: quotes normalised, closers doubled, numbers in decimal
      {"select [a]]b], 'x''y', `c``d`, :'my p', $1F from t where a=?",
       "select [a]]b] , \"x'y\" , `c``d` , :`my p` , 31 from t where a = :SQLMem_MS_Param0 ; "},
      // the run stops at an empty statement
      {"select ?;; select ?", "select :SQLMem_MS_Param0 ; "},
  };
  for (const MarkerCase& c : cases) {
    AnsiString result;
    ConvertParamMarkers(c.text, result);
    EXPECT_EQ(result, c.result) << c.text;
  }
}

TEST_F(Lexer, ConvertedTextNamesWhatTheOriginalNamed) {
  AnsiString result;
  ConvertParamMarkers("select [a]]b], \"q\"\"r\" from [t]]] where x = ?", result);
  const auto tokens = FirstStatement(result);
  ASSERT_EQ(tokens.size(), 10u);
  EXPECT_EQ(tokens[1].TokenType, tktBracketedString);
  EXPECT_EQ(tokens[1].Text, "a]b");
  EXPECT_EQ(tokens[3].Text, "q\"r");
  EXPECT_EQ(tokens[5].Text, "t]");
  EXPECT_EQ(tokens[9].TokenType, tktParameter);
  EXPECT_EQ(tokens[9].Text, "SQLMem_MS_Param0");
}

TEST_F(Lexer, ConvertParamMarkersLetsLexerErrorsThrough) {
  AnsiString result = "old";
  EXPECT_EQ(NativeErrorOf([&] { ConvertParamMarkers("select ?, 'abc", result); }), 30061);
  EXPECT_EQ(result, "select ?, 'abc") << "the text, unchanged";
}

}  // namespace
