#include "engine/sql/SQLMemLexer.h"

#include <string>

#include "engine/foundation/SQLMemConst.h"
#include "engine/foundation/SQLMemExcept.h"
#include "engine/storage/SQLMemSQLProcessor.h"
#include "vcl/rtl/AnsiStrings.h"
#include "vcl/rtl/CheckedInt.h"

namespace {

constexpr std::size_t kMaxHexDigits = 16;  // what a 64-bit value holds

bool IsWhiteSpace(char c) { return c == ' ' || c == '\t' || c == '\r' || c == '\n'; }
bool IsDigit(char c) { return c >= '0' && c <= '9'; }
bool IsHexLetter(char c) { return (c >= 'a' && c <= 'f') || (c >= 'A' && c <= 'F'); }

// Characters that start a new token even in the middle of a word or number.
bool IsTokenStarter(char c) {
  switch (c) {
    case '>': case '<': case '=': case '(': case ')': case ',': case '/': case '*': case ':': case '|':
      return true;
    default:
      return false;
  }
}

// Operator characters whose token ends after them (and after a second character that makes a
// two-character operator), so that an operator never swallows the operand written right after it:
// "a<b" is three tokens, as "a=b" and "a-b" are.
bool IsOperatorChar(char c) {
  switch (c) {
    case '-': case '+': case '*': case '/': case '=': case '<': case '>': case '|': case '&': case '%':
    case '^':
      return true;
    default:
      return false;
  }
}

// The digits of a hexadecimal text from its first non-zero digit on.
std::size_t SignificantHexDigits(std::string_view text) {
  std::size_t i = 0;
  while (i < text.size() && HexDigitValue(text[i]) == 0) ++i;
  return text.size() - i;
}

void AppendQuoted(AnsiString& out, const AnsiString& text, char open, char close) {
  out += open;
  for (char c : text) {
    out += c;
    if (c == close) out += c;
  }
  out += close;
}

}  // namespace

// The scan state of one statement: line and column restart at 1 for every statement.
class TSQLMemLexer::Scanner {
 public:
  explicit Scanner(TSQLMemLexer& lexer)
      : lexer_(lexer), text_(lexer.text_), length_(lexer.TextLength()), pos_(lexer.position_) {}

  // Reads up to and including the statement's ";" (or to the end of the text); true when the statement
  // has at least one token.
  bool Run() {
    while (pos_ < length_) {
      const char c = text_[pos_];
      if (c == ';') {
        ++pos_;
        break;
      }
      // A comment does not end the token in progress: what follows it continues the token.
      if (c == '-' && Next() == '-') {
        SkipLineComment();
        continue;
      }
      if (c == '/' && Next() == '*') {
        SkipBlockComment();
        continue;
      }
      if (IsWhiteSpace(c)) {
        EndToken();
        Consume();
        continue;
      }
      if (current_ < 0 || StartsNewToken(c)) {
        EndToken();
        StartToken();
      } else {
        ContinueToken(c);
      }
    }
    Finish();
    return started_;
  }

 private:
  char Next() const { return pos_ + 1 < length_ ? text_[pos_ + 1] : '\0'; }

  // Consumes the character at the position: LF starts a new line, CR counts nothing, any other
  // character is one column.
  char Consume() {
    const char c = text_[pos_++];
    if (c == '\n') {
      ++line_;
      column_ = 1;
    } else if (c != '\r') {
      ++column_;
    }
    previous_ = c;
    return c;
  }

  void SkipLineComment() {
    ++line_;
    column_ = 1;
    while (pos_ < length_ && text_[pos_] != '\n') ++pos_;
    if (pos_ < length_) ++pos_;
    previous_ = '\n';
  }

  void SkipBlockComment() {
    Consume();
    Consume();
    while (pos_ < length_ && !(text_[pos_] == '*' && Next() == '/')) Consume();
    if (pos_ < length_) {
      Consume();
      Consume();
    }
  }

  TToken& Current() { return lexer_.Command.Tokens[static_cast<std::size_t>(current_)]; }

  bool StartsNewToken(char c) {
    if (IsTokenStarter(c)) return true;
    const TTokenType type = Current().TokenType;
    if (c == '.') return type != tktInt;
    if (type == tktDot) return !IsDigit(c);
    if (c == '+' || c == '-') {
      if (type == tktString) return true;
      if (type == tktInt) return previous_ != 'E' && previous_ != 'e';
    }
    return false;
  }

  void ContinueToken(char c) {
    TToken& token = Current();
    if (token.TokenType == tktInt) {
      if (!IsDigit(c) && !IsHexLetter(c) && c != '.' && c != '+' && c != '-' && c != 'x')
        SQLMemError(30062, SQLMemInvalidNumericSymbol, {AnsiString(1, c), line_, column_});
      Consume();
      if (c == 'x') {  // "0x1F": what stood before the marker is dropped
        token.Text.clear();
        hex_ = true;
      } else {
        token.Text += c;
      }
      return;
    }
    if (token.TokenType == tktDot) token.TokenType = tktInt;  // ".5"
    token.Text += Consume();
  }

  void StartToken() {
    started_ = true;
    TToken token;
    token.LineNum = line_;
    token.ColumnNum = column_;
    char decider = Consume();
    token.Text.assign(1, decider);
    Integer deciderLine = token.LineNum;
    Integer deciderColumn = token.ColumnNum;
    if (decider == ':') {
      token.IsParameter = true;
      if (pos_ < length_) {
        deciderLine = line_;
        deciderColumn = column_;
        decider = Consume();
        token.Text += decider;
      }
    }
    bool ends = false;
    switch (decider) {
      case '\'': case '"': case '`': case '[':
        token.TokenType = decider == '`' ? tktBackQuotedString : decider == '[' ? tktBracketedString : tktQuotedString;
        token.Text = token.IsParameter ? ":" : "";
        stringOpen_ = true;
        openLine_ = deciderLine;
        openColumn_ = deciderColumn;
        ReadQuoted(token.Text, decider == '[' ? ']' : decider);
        ends = true;
        break;
      case '$':
        token.TokenType = tktInt;
        token.Text.clear();
        hex_ = true;
        break;
      case '!':
        token.TokenType = tktString;
        if (pos_ < length_ && text_[pos_] == '=') token.Text += Consume();
        ends = true;
        break;
      case '~':
        token.TokenType = tktString;
        ends = true;
        break;
      case '(':
        token.TokenType = tktLeftParenthesis;
        ++depth_;
        lastOpenLine_ = token.LineNum;
        lastOpenColumn_ = token.ColumnNum;
        ends = true;
        break;
      case ')':
        token.TokenType = tktRightParenthesis;
        --depth_;
        lastCloseLine_ = token.LineNum;
        lastCloseColumn_ = token.ColumnNum;
        ends = true;
        break;
      case ',':
        token.TokenType = tktComma;
        ends = true;
        break;
      case '.':
        token.TokenType = tktDot;
        break;
      default:
        token.TokenType = IsDigit(decider) ? tktInt : tktString;
        if (IsOperatorChar(decider)) {
          ReadSecondOperatorChar(token.Text, decider);
          ends = true;
        }
        break;
    }
    lexer_.Command.Tokens.push_back(std::move(token));
    current_ = static_cast<Integer>(lexer_.Command.Tokens.size()) - 1;
    if (ends) EndToken();
  }

  // "<<", ">>", "&&", "==", "||", "<=", "<>", ">=": the second character joins the first.
  void ReadSecondOperatorChar(AnsiString& text, char first) {
    if (pos_ >= length_) return;
    const char second = text_[pos_];
    const bool doubled = second == first && (first == '<' || first == '>' || first == '&' || first == '|' || first == '=');
    const bool compared = (first == '<' && (second == '=' || second == '>')) || (first == '>' && second == '=');
    if (doubled || compared) text += Consume();
  }

  // Reads to the closing character: two of them in a row stand for one in the text. Without a closer
  // the string stays open to the end of the text.
  void ReadQuoted(AnsiString& text, char closer) {
    while (pos_ < length_) {
      const char c = Consume();
      if (c != closer) {
        text += c;
      } else if (pos_ < length_ && text_[pos_] == closer) {
        text += Consume();
      } else {
        stringOpen_ = false;
        return;
      }
    }
  }

  void EndToken() {
    if (current_ < 0) return;
    TToken& token = Current();
    current_ = -1;
    const bool hex = hex_;
    hex_ = false;
    if (token.TokenType == tktInt) {
      if (hex) {
        // More digits than 64 bits hold are refused rather than folded into a wrong value.
        if (SignificantHexDigits(token.Text) > kMaxHexDigits)
          SQLMemError(30062, SQLMemInvalidNumericSymbol, {token.Text, token.LineNum, token.ColumnNum});
        token.Text = std::to_string(HexToInt64(token.Text));
      } else if (token.Text.find_first_of(".eE") != AnsiString::npos) {
        token.TokenType = tktFloat;
      }
    }
    const TTokenType type = token.TokenType;
    if (token.IsParameter && (type == tktString || type == tktQuotedString || type == tktBackQuotedString)) {
      token.Text.erase(0, 1);
      token.TokenType = tktParameter;
      if (lexer_.params_ != nullptr) {
        const TSQLMemSQLParam* param = lexer_.params_->FindParam(token.Text);
        if (param == nullptr) SQLMemError(30358, SQLMemParameterValueNotFound, {token.Text});
        auto value = std::make_unique<TSQLMemVariant>();
        value->Assign(param->Value, true);
        token.ParamValue = value.get();
        lexer_.paramValues_.push_back(std::move(value));
      }
    } else if (type == tktString) {
      token.ReservedWord = LookupReservedWord(token.Text);
      if (token.ReservedWord != NoReservedWord) token.TokenType = tktReservedWord;
    }
  }

  void Finish() {
    EndToken();
    if (depth_ > 0) SQLMemError(30059, SQLMemMissingCloseParen, {lastOpenLine_, lastOpenColumn_});
    if (depth_ < 0) SQLMemError(30060, SQLMemUnexpectedCloseParen, {lastCloseLine_, lastCloseColumn_});
    if (stringOpen_) SQLMemError(30061, SQLMemUnterminatedString, {openLine_, openColumn_});
  }

  TSQLMemLexer& lexer_;
  const AnsiString& text_;
  const Integer length_;
  Integer& pos_;
  Integer line_ = 1;
  Integer column_ = 1;
  char previous_ = ' ';
  Integer current_ = -1;  // index of the token in progress, -1 when none
  bool hex_ = false;      // the token in progress is a hexadecimal number
  bool started_ = false;
  Integer depth_ = 0;     // "(" minus ")": counted, not matched
  Integer lastOpenLine_ = 0, lastOpenColumn_ = 0;
  Integer lastCloseLine_ = 0, lastCloseColumn_ = 0;
  bool stringOpen_ = false;
  Integer openLine_ = 0, openColumn_ = 0;
};

TSQLMemLexer::TSQLMemLexer(const AnsiString& text, const TSQLMemSQLParams* params) : text_(text), params_(params) {}

bool TSQLMemLexer::NextStatement() {
  // The previous statement's tokens go with their values, so no token is left pointing at a freed one.
  Command.Tokens.clear();
  Command.CurrentIndex = 0;
  paramValues_.clear();
  ++statementNo_;
  Scanner scanner(*this);
  return scanner.Run();
}

bool TSQLMemLexer::GetCurrentToken(TToken& token) const {
  const Integer index = Command.CurrentIndex;
  if (index < 0 || index >= Command.Count()) {
    token.TokenType = tktNone;
    return false;
  }
  token = Command.Tokens[static_cast<std::size_t>(index)];
  return true;
}

bool TSQLMemLexer::PeekNextToken(TToken& token) const {
  const Integer index = Command.CurrentIndex + 1;
  if (index < 0 || index >= Command.Count()) {
    token.TokenType = tktNone;
    return false;
  }
  token = Command.Tokens[static_cast<std::size_t>(index)];
  return true;
}

bool TSQLMemLexer::NextToken(TToken& token) {
  const bool found = PeekNextToken(token);
  ++Command.CurrentIndex;
  return found;
}

bool TSQLMemLexer::SetTokenIndex(Integer index, TToken& token) {
  Command.CurrentIndex = index;
  return GetCurrentToken(token);
}

void TSQLMemLexer::SetTokenCount(Integer n) {
  if (n < 0) RaiseRangeError();
  Command.Tokens.resize(static_cast<std::size_t>(n));
  Command.CurrentIndex = 0;
}

bool TokenIsReservedWord(const TToken& token, Integer index) {
  return token.TokenType == tktReservedWord && (index == NoReservedWord || token.ReservedWord == index);
}

bool TokenIsEmptyQuotedString(const TToken& token) {
  return token.TokenType == tktQuotedString && token.Text.empty();
}

SmallInt LookupReservedWord(std::string_view word) {
  const Integer index = FindSQLKeyword(AnsiUpperCase(word));
  return index > 0 ? static_cast<SmallInt>(index) : NoReservedWord;
}

Integer HexDigitValue(char ch) {
  if (IsDigit(ch)) return ch - '0';
  if (ch >= 'a' && ch <= 'f') return ch - 'a' + 10;
  if (ch >= 'A' && ch <= 'F') return ch - 'A' + 10;
  return 0;
}

Int64 HexToInt64(std::string_view text) {
  if (SignificantHexDigits(text) > kMaxHexDigits) RaiseRangeError();
  UInt64 value = 0;
  for (char c : text) value = (value << 4) | static_cast<UInt64>(HexDigitValue(c));
  return static_cast<Int64>(value);
}

AnsiString TokenSourceText(const TToken& token) {
  AnsiString text;
  switch (token.TokenType) {
    case tktQuotedString: AppendQuoted(text, token.Text, '\'', '\''); break;
    case tktBracketedString: AppendQuoted(text, token.Text, '[', ']'); break;
    case tktBackQuotedString: AppendQuoted(text, token.Text, '`', '`'); break;
    case tktParameter:
      text += ':';
      AppendQuoted(text, token.Text, '\'', '\'');
      break;
    default: text = token.Text; break;
  }
  return text;
}

void ConvertParamMarkers(const AnsiString& text, AnsiString& result) {
  result = text;
  TSQLMemLexer lexer(text, nullptr);
  AnsiString converted;
  Integer marker = -1;
  while (lexer.NextStatement()) {
    for (const TToken& token : lexer.Command.Tokens) {
      switch (token.TokenType) {
        case tktParameter:
          converted += ':';
          AppendQuoted(converted, token.Text, '`', '`');
          break;
        case tktQuotedString:  // single-quoted text comes back double-quoted
          AppendQuoted(converted, token.Text, '"', '"');
          break;
        case tktBackQuotedString:
          AppendQuoted(converted, token.Text, '`', '`');
          break;
        case tktBracketedString:
          AppendQuoted(converted, token.Text, '[', ']');
          break;
        default:
          if (token.TokenType == tktString && token.Text == "?") {
            ++marker;
            converted += ":SQLMem_MS_Param" + std::to_string(marker);
          } else {
            converted += token.Text;
          }
          break;
      }
      converted += ' ';
    }
    converted += "; ";
  }
  if (marker >= 0) result = std::move(converted);
}
