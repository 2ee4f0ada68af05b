// The SQL lexer: the one reader of raw SQL text. It splits a text into statements at ";" and each
// statement into tokens, resolving ":name" parameters against a parameter list while it reads, so that
// every parameter token already carries its value. Also here: ConvertParamMarkers, which turns
// positional "?" markers into named parameters.
#pragma once
#include <memory>
#include <string_view>
#include <vector>
#include "engine/foundation/SQLMemVariant.h"
#include "vcl/rtl/SysTypes.h"

class TSQLMemSQLParams;

enum TTokenType : Byte {
  tktNone = 0,              // the result of a failed token read
  tktString = 1,            // words, operators and any other unquoted text
  tktQuotedString = 2,      // text in single or double quotes
  tktBracketedString = 3,   // text in square brackets
  tktInt = 4,               // numbers without "." or exponent; hexadecimal numbers
  tktFloat = 5,             // numbers with "." or an exponent letter E
  tktReservedWord = 6,      // a word whose upper-cased text is a keyword
  tktParameter = 7,         // a ":"-prefixed name
  tktLeftParenthesis = 8,
  tktRightParenthesis = 9,
  tktComma = 10,
  tktDot = 11,              // "." outside a number
  tktBackQuotedString = 12,
};

// The reserved-word index of a token that is no reserved word; TokenIsReservedWord takes it as "any".
inline constexpr SmallInt NoReservedWord = 295;

// One token, copied by value. Line and column are 1-based and count from the start of the statement
// (the first character after the previous ";").
struct TToken {
  TTokenType TokenType = tktNone;
  bool IsParameter = false;              // the token began with ":"
  SmallInt ReservedWord = NoReservedWord;
  AnsiString Text;                        // without quotes, brackets or ":"; doubled closers undone
  // For a parameter token of a lexer with a parameter list: the lexer's own copy of the value, valid
  // until the lexer's next NextStatement or its destruction (borrowed, never freed by the token).
  TSQLMemVariant* ParamValue = nullptr;
  Integer LineNum = 0;
  Integer ColumnNum = 0;
};

// The tokens of the current statement.
struct TSQLCommand {
  std::vector<TToken> Tokens;
  Integer CurrentIndex = 0;
  Integer Count() const { return static_cast<Integer>(Tokens.size()); }
};

class TSQLMemLexer {
 public:
  // params (may be nullptr) is borrowed and must outlive the lexer's reading.
  TSQLMemLexer(const AnsiString& text, const TSQLMemSQLParams* params);
  TSQLMemLexer(const TSQLMemLexer&) = delete;
  TSQLMemLexer& operator=(const TSQLMemLexer&) = delete;

  // Drops the previous statement's tokens and parameter values and tokenizes the next statement into
  // Command, with CurrentIndex 0. False at the end of the text and for an empty statement (so ";;"
  // ends the run). Raises 30059-30062 and 30358 (see the .cpp); a lexer that raised is not resumed.
  bool NextStatement();

  // The token at CurrentIndex; when there is none, only token.TokenType becomes tktNone.
  bool GetCurrentToken(TToken& token) const;
  // The token at CurrentIndex + 1 (the index does not move); otherwise as GetCurrentToken.
  bool PeekNextToken(TToken& token) const;
  // PeekNextToken, then CurrentIndex grows by one whether or not there was a token.
  bool NextToken(TToken& token);
  Integer GetTokenIndex() const { return Command.CurrentIndex; }
  bool SetTokenIndex(Integer index, TToken& token);
  // Cuts the statement to n tokens (or pads it with empty ones) and sets CurrentIndex to 0; statement
  // rewriters use it. Negative n raises ERangeError.
  void SetTokenCount(Integer n);

  const AnsiString& SQLText() const { return text_; }
  const TSQLMemSQLParams* Params() const { return params_; }
  Integer TextLength() const { return static_cast<Integer>(text_.size()); }
  Integer Position() const { return position_; }        // next character to read; only grows
  Integer StatementNo() const { return statementNo_; }  // -1 before the first statement

  TSQLCommand Command;

 private:
  class Scanner;

  AnsiString text_;
  const TSQLMemSQLParams* params_;
  Integer position_ = 0;
  Integer statementNo_ = -1;
  std::vector<std::unique_ptr<TSQLMemVariant>> paramValues_;  // owned values the tokens point to
};

// True for a tktReservedWord whose index is index; NoReservedWord matches any reserved word.
bool TokenIsReservedWord(const TToken& token, Integer index);
// True for a tktQuotedString with empty text (the comparison parser reads = '' as a null test).
bool TokenIsEmptyQuotedString(const TToken& token);

// The keyword index of a word as the lexer finds it: upper-cased by the locale, compared exactly with
// the keyword table; NoReservedWord when none, and for ABSOLUTE (index 0), which is never a keyword.
SmallInt LookupReservedWord(std::string_view word);

// 0..15 for "0"-"9", "a"-"f", "A"-"F"; 0 for any other character.
Integer HexDigitValue(char ch);
// The text's characters as hexadecimal digits (others count as 0), read as a signed 64-bit value.
// More than 16 significant digits (after leading zero digits) do not fit and raise ERangeError.
Int64 HexToInt64(std::string_view text);

// A token written so that the lexer reads it back as the same token: a quoted string between single
// quotes, a bracketed name between "[" and "]", a back-quoted name between back-quotes (the closing
// character doubled inside each), a parameter as ":" and its name between single quotes, every other
// token as its text. Sub-queries are handed on as texts re-assembled this way.
AnsiString TokenSourceText(const TToken& token);

// Rewrites every "?" marker of text as ":SQLMem_MS_Param<n>" (n from 0, running on across
// statements), re-assembling the text from its tokens; a text without any "?" comes back unchanged.
// The lexer's errors propagate, result then holding the unchanged text.
void ConvertParamMarkers(const AnsiString& text, AnsiString& result);
