// The expression grammar: recursive descent with backtracking over the lexer's tokens. Every
// alternative notes the token index it starts from; one that fails returns nullptr after setting the
// index back, and the nodes it built are freed with their owning pointers. Errors are raised only where
// the grammar has committed (a function word was read, an operator consumed, a "(" opened).
#include <charconv>
#include <cstring>
#include <map>
#include <utility>

#include "engine/foundation/SQLMemConst.h"
#include "engine/foundation/SQLMemExcept.h"
#include "engine/foundation/SQLMemTypes.h"
#include "engine/sql/SQLMemExpression.h"
#include "engine/sql/SQLMemExprNodeAggregated.h"
#include "engine/sql/SQLMemExprNodeArithmetic.h"
#include "engine/sql/SQLMemExprNodeBLOB.h"
#include "engine/sql/SQLMemExprNodeCast.h"
#include "engine/sql/SQLMemExprNodeDate.h"
#include "engine/sql/SQLMemExprNodeIsNull.h"
#include "engine/sql/SQLMemExprNodeString.h"
#include "engine/sql/SQLMemExprNodeSubQuery.h"
#include "engine/sql/SQLMemExprNodeSystem.h"
#include "engine/sql/SQLMemLexer.h"
#include "engine/sql/SQLMemSQLCommand.h"
#include "engine/storage/SQLMemCursor.h"
#include "vcl/rtl/AnsiStrings.h"

namespace {

using Node = std::unique_ptr<TSQLMemExprNode>;

struct TNamedCode {
  const char* word;
  Byte code;
};

constexpr TNamedCode kAggregates[] = {{"COUNT", opCount}, {"AVG", opAvg},         {"MAX", opMax},
                                      {"MIN", opMin},     {"SUM", opSum},         {"GROUP_CONCAT", opGroupConcat}};
constexpr TNamedCode kNumericFunctions[] = {
    {"ABS", opAbs},      {"CEIL", opCeil},     {"CEILING", opCeil}, {"FLOOR", opFloor},     {"MOD", opMod},
    {"POWER", opPower},  {"POW", opPower},     {"RANDOM", opRandom}, {"RAND", opRandom},   {"ROUND", opRound},
    {"SIGN", opSign},    {"TRUNC", opTrunc},   {"TRUNCATE", opTrunc}, {"HEX", opHex},      {"CUMSUM", opCumSum},
    {"CUMPROD", opCumProd}};
constexpr TNamedCode kCaseAndTrim[] = {
    {"UPPER", opUpper}, {"LOWER", opLower}, {"TRIM", opTrim}, {"LTRIM", opLTrim}, {"RTRIM", opRTrim}};
constexpr TNamedCode kDateParts[] = {
    {"YEAR", opYear},       {"QUARTER", opQuarter},     {"MONTH", opMonth},      {"DAY", opDay},
    {"WEEKDAY", opWeekDay}, {"DAYOFWEEK", opDayOfWeek}, {"DAYNAME", opDayName}, {"MONTHNAME", opMonthName},
    {"HOUR", opHour},       {"MINUTE", opMinute},       {"SECOND", opSecond},   {"MSECOND", opMSecond}};
// Operators of the one multiplicative level, written as symbols.
constexpr TNamedCode kTermSymbols[] = {{"*", opMultiply}, {"/", opDivide},      {"%", opMod},         {"&", opBitAnd},
                                       {"|", opBitOr},    {"<<", opShiftLeft}, {">>", opShiftRight}, {"^", opXor}};
constexpr TNamedCode kTermWords[] = {{"MOD", opMod}, {"SHL", opShiftLeft}, {"SHR", opShiftRight}, {"XOR", opXor}};
constexpr TNamedCode kComparisons[] = {{"=", opEqual},   {"==", opEqual},          {"<>", opNotEqual},
                                       {"!=", opNotEqual}, {">", opGreater},       {"<", opLess},
                                       {">=", opGreaterOrEqual}, {"<=", opLessOrEqual}};

bool IsIdentifierStart(char c) {
  const auto b = static_cast<unsigned char>(c);
  return (b >= 'A' && b <= 'Z') || (b >= 'a' && b <= 'z') || b == '_' || b >= 0x80;
}

class TParser {
 public:
  TParser(TSQLMemExpression& expression, TSQLMemLexer& lexer) : expr_(expression), lexer_(lexer) {
    if (!lexer_.GetCurrentToken(tok_)) tok_.Text.clear();
  }

  const TToken& Token() const { return tok_; }

  // A whole condition: nothing found raises 30066.
  Node Condition() {
    Node left = AndTerm();
    if (left == nullptr) BooleanExpected(30066);
    while (IsWord("OR")) {
      Advance();
      Node right = AndTerm();
      if (right == nullptr) BooleanExpected(30070);
      left = std::make_unique<TSQLMemExprNodeBoolean>(opOr, expr_.CaseInsensitive, false, std::move(left),
                                                      std::move(right));
    }
    return left;
  }

  Node Value() {
    const Integer start = Mark();
    if (Node sum = Sum()) return sum;
    Restore(start);
    if (Node text = StringExpression()) return text;
    Restore(start);
    if (IsWord("TOBLOB")) return ToBlob();
    if (Node date = DateExpression()) return date;
    Restore(start);
    if (Node constant = BooleanConstant()) return constant;
    if (IsWord("NULL")) {
      Advance();
      return std::make_unique<TSQLMemExprNodeConst>(TSQLMemVariant(edtInteger));
    }
    return nullptr;
  }

 private:
  // ---- tokens ----
  // Past the last token the text is empty; the position stays the last token's.
  void Advance() {
    if (!lexer_.NextToken(tok_)) tok_.Text.clear();
  }
  Integer Mark() const { return lexer_.GetTokenIndex(); }
  void Restore(Integer index) {
    if (!lexer_.SetTokenIndex(index, tok_)) tok_.Text.clear();
  }
  bool AtEnd() const { return tok_.TokenType == tktNone; }
  bool IsWord(const char* word) const {
    return tok_.TokenType == tktReservedWord && std::strcmp(SQLKeyword(tok_.ReservedWord), word) == 0;
  }
  // Whether the token is the word; if so, it is read.
  bool TakeWord(const char* word) {
    if (!IsWord(word)) return false;
    Advance();
    return true;
  }
  bool IsSymbol(const char* symbol) const { return tok_.TokenType == tktString && tok_.Text == symbol; }
  bool IsOpen() const { return tok_.TokenType == tktLeftParenthesis; }
  bool IsClose() const { return tok_.TokenType == tktRightParenthesis; }
  bool IsComma() const { return tok_.TokenType == tktComma; }
  template <std::size_t N>
  const TNamedCode* FindWord(const TNamedCode (&table)[N]) const {
    for (const TNamedCode& entry : table)
      if (IsWord(entry.word)) return &entry;
    return nullptr;
  }
  template <std::size_t N>
  const TNamedCode* FindSymbol(const TNamedCode (&table)[N]) const {
    for (const TNamedCode& entry : table)
      if (IsSymbol(entry.word)) return &entry;
    return nullptr;
  }
  bool IsName() const {
    switch (tok_.TokenType) {
      case tktBracketedString:
      case tktBackQuotedString:
      case tktReservedWord: return true;
      case tktString: return !tok_.Text.empty() && IsIdentifierStart(tok_.Text[0]);
      default: return false;
    }
  }

  // ---- errors at the current token ----
  [[noreturn]] void BooleanExpected(Integer code) const {
    SQLMemError(code, SQLMemBooleanExpressionExpected, {tok_.Text, tok_.LineNum, tok_.ColumnNum});
  }
  [[noreturn]] void TokenExpected(Integer code, const char* expected) const {
    SQLMemError(code, SQLMemTokenExpected, {expected, tok_.Text, tok_.LineNum, tok_.ColumnNum});
  }
  [[noreturn]] void ArgumentExpected(Integer code, const char* function) const {
    SQLMemError(code, SQLMemFunctionArgumentExpected, {function, tok_.LineNum, tok_.ColumnNum});
  }
  [[noreturn]] void OpenExpected(Integer code) const {
    SQLMemError(code, SQLMemOpenParenExpected, {tok_.Text, tok_.LineNum, tok_.ColumnNum});
  }
  void Expect(bool present, Integer code, const char* expected) {
    if (!present) TokenExpected(code, expected);
    Advance();
  }
  // "(" SELECT: a sub-query.
  bool AtSubQuery() {
    if (!IsOpen()) return false;
    TToken next;
    lexer_.PeekNextToken(next);
    return next.TokenType == tktReservedWord && std::strcmp(SQLKeyword(next.ReservedWord), "SELECT") == 0;
  }

  // The sub-query that starts at the current "(" SELECT as a text of its own, up to the matching ")",
  // which is skipped. Quote characters inside quoted texts and names are doubled again, so that the
  // nested statement reads the same tokens. False (nothing read) when the text ends first.
  bool SubQueryText(AnsiString& text) {
    const Integer start = Mark();
    Advance();  // "("
    text = tok_.Text;  // SELECT as written
    Integer depth = 1;
    bool afterDot = false;
    for (;;) {
      Advance();
      if (AtEnd()) {
        Restore(start);
        return false;
      }
      if (IsOpen()) ++depth;
      if (IsClose() && --depth == 0) break;
      const bool dot = tok_.TokenType == tktDot;
      if (!dot && (!afterDot || tok_.TokenType == tktParameter)) text += ' ';
      text += TokenSourceText(tok_);
      afterDot = dot;
    }
    Advance();  // the closing ")"
    return true;
  }

  // Nested queries run in the expression's statement context.
  TSQLMemSQLContext SubQueryContext() const {
    TSQLMemSQLContext context;
    context.DatabaseName = expr_.DatabaseName;
    context.SessionName = expr_.SessionName;
    context.InMemory = expr_.InMemory;
    context.Params = expr_.Params();
    return context;
  }

  // [NOT] EXISTS "(" SELECT ... ")"; nothing read when the tokens are no such predicate.
  Node ExistsPredicate() {
    const Integer start = Mark();
    const bool negated = TakeWord("NOT");
    AnsiString text;
    if (IsWord("EXISTS")) {
      Advance();
      if (AtSubQuery() && SubQueryText(text))
        return std::make_unique<TSQLMemExprNodeSubQueryExists>(text, nullptr, negated, SubQueryContext());
    }
    Restore(start);
    return nullptr;
  }

  // ---- condition levels ----
  Node AndTerm() {
    Node first = NotTerm();
    if (first == nullptr || !(IsWord("AND") || IsSymbol("&&"))) return first;
    auto conjunction = std::make_unique<TSQLMemExprNodeBoolean>(opAnd, expr_.CaseInsensitive, false, std::move(first));
    while (IsWord("AND") || IsSymbol("&&")) {
      Advance();
      Node next = NotTerm();
      if (next == nullptr) BooleanExpected(30069);
      conjunction->AddChild(std::move(next));
    }
    return conjunction;
  }

  Node NotTerm() {
    if (Node exists = ExistsPredicate()) return exists;
    if (!(IsWord("NOT") || IsSymbol("!"))) return Predicate();
    Advance();
    Node operand = Predicate();
    if (operand == nullptr) BooleanExpected(30068);
    return std::make_unique<TSQLMemExprNodeBoolean>(opNot, expr_.CaseInsensitive, false, std::move(operand));
  }

  Node Predicate() {
    Node node;
    if (IsOpen()) {
      Advance();
      node = Condition();
      Advance();  // taken as the closing ")"
    } else {
      node = SimpleCondition();
      // ISNULL(a) alone is a predicate; ISNULL(a, b) > c is a comparison, which the simple condition
      // read first.
      if (node == nullptr && IsWord("ISNULL")) node = IsNullFunction();
    }
    if (node == nullptr) return nullptr;
    if (!IsWord("IS")) return node;
    Advance();
    bool negated = false;
    if (IsWord("NOT") || IsSymbol("!")) {
      negated = true;
      Advance();
    }
    Byte op;
    if (IsWord("TRUE"))
      op = negated ? opNot : 0;
    else if (IsWord("FALSE"))
      op = negated ? 0 : opNot;
    else if (IsWord("UNKNOWN"))
      op = negated ? opIsNotNull : opIsNull;
    else
      TokenExpected(30067, "TRUE, FALSE or UNKNOWN");
    Advance();
    if (op == 0) return node;
    return std::make_unique<TSQLMemExprNodeBoolean>(op, expr_.CaseInsensitive, false, std::move(node));
  }

  // Every simple condition but the Boolean constant and EXISTS starts with a value: it is read once
  // and the token after it picks the form.
  Node SimpleCondition() {
    const Integer start = Mark();
    if (Node constant = BooleanConstant()) return constant;
    if (IsWord("EXISTS") || (IsWord("NOT") && PeekIsWord("EXISTS"))) return nullptr;
    Node left = Value();
    if (left == nullptr) {
      Restore(start);
      return nullptr;
    }
    if (const TNamedCode* comparison = FindSymbol(kComparisons)) return Comparison(comparison->code, std::move(left), start);
    const bool negated = TakeWord("NOT");
    Node result;
    if (IsWord("LIKE")) {
      Advance();
      if (Node pattern = Value())
        result = std::make_unique<TSQLMemExprNodeBoolean>(negated ? opNotLike : opLike, expr_.CaseInsensitive,
                                                          expr_.PartialCompare, std::move(left), std::move(pattern));
    } else if (IsWord("IS") && !negated) {
      Advance();
      bool isNot = false;
      if (IsWord("NOT")) {
        isNot = true;
        Advance();
      }
      if (IsWord("NULL")) {
        Advance();
        result = std::make_unique<TSQLMemExprNodeBoolean>(isNot ? opIsNotNull : opIsNull, expr_.CaseInsensitive, false,
                                                          std::move(left));
      }
    } else if (IsWord("BETWEEN")) {
      Advance();
      Node low = Value();
      if (low != nullptr && IsWord("AND")) {
        Advance();
        if (Node high = Value())
          // BETWEEN compares text without regard to letter case.
          result = std::make_unique<TSQLMemExprNodeBoolean>(negated ? opNotBetween : opBetween, true, false,
                                                            std::move(left), std::move(low), std::move(high));
      }
    } else if (IsWord("IN")) {
      Advance();
      result = InList(std::move(left), negated);
    }
    if (result == nullptr) Restore(start);
    return result;
  }

  bool PeekIsWord(const char* word) {
    TToken next;
    lexer_.PeekNextToken(next);
    return next.TokenType == tktReservedWord && std::strcmp(SQLKeyword(next.ReservedWord), word) == 0;
  }

  Node InList(Node tested, bool negated) {
    if (AtSubQuery()) {
      AnsiString text;
      if (!SubQueryText(text)) return nullptr;
      return std::make_unique<TSQLMemExprNodeSubQueryIN>(text, std::move(tested), negated, SubQueryContext());
    }
    if (!IsOpen()) return nullptr;
    Advance();
    auto node = std::make_unique<TSQLMemExprNodeBoolean>(negated ? opNotIn : opIn, expr_.CaseInsensitive, false,
                                                         std::move(tested));
    for (;;) {
      Node item = Value();
      if (item == nullptr) return nullptr;
      node->AddChild(std::move(item));
      if (IsComma()) Advance();
      if (IsClose()) {
        Advance();
        return node;
      }
    }
  }

  Node Comparison(Byte op, Node left, Integer start) {
    Advance();
    if ((op == opEqual || op == opNotEqual) && (IsWord("NULL") || TokenIsEmptyQuotedString(tok_)))
      op = op == opEqual ? opIsNull : opIsNotNull;
    Node right = Value();
    if (right == nullptr) {
      Restore(start);
      return nullptr;
    }
    const bool partial = expr_.PartialCompare && (CutPrefixMark(*left) | CutPrefixMark(*right));
    return std::make_unique<TSQLMemExprNodeComparison>(op, std::move(left), std::move(right), expr_.NullSemantics,
                                                       expr_.CaseInsensitive, partial);
  }

  // A text constant ending in "*" loses the "*" and makes its comparison compare a prefix.
  static bool CutPrefixMark(TSQLMemExprNode& node) {
    auto* constant = dynamic_cast<TSQLMemExprNodeConst*>(&node);
    if (constant == nullptr || constant->Value().IsNull()) return false;
    const TSQLMemVariant& value = constant->Value();
    const Byte type = value.DataType();
    if (IsWideDataType(type) && type != edtWideMemo) {
      WideString text = value.GetAsWideString();
      if (text.empty() || text.back() != u'*') return false;
      text.pop_back();
      TSQLMemVariant cut(type);
      cut.SetAsWideString(text);
      char16_t terminator = 0;
      if (text.empty()) cut.SetData(&terminator, 2, type, true, false);
      constant->SetValue(cut);
      return true;
    }
    if (!IsTextDataType(type) && !IsBLOBDataType(type)) return false;
    AnsiString text = value.GetAsString();
    if (text.empty() || text.back() != '*') return false;
    if (IsBLOBDataType(type)) return true;
    text.pop_back();
    TSQLMemVariant cut(type);
    char terminator = 0;
    if (text.empty())
      cut.SetData(&terminator, 1, type, true, false);
    else
      cut.SetAsString(text);
    constant->SetValue(cut);
    return true;
  }

  Node BooleanConstant() {
    if (IsWord("TRUE") || IsWord("FALSE")) {
      TSQLMemVariant value(edtBoolean);
      value.SetAsBoolean(IsWord("TRUE"));
      Advance();
      return std::make_unique<TSQLMemExprNodeConst>(value);
    }
    if (ParameterOf([](Byte type) { return type == edtBoolean; })) return TakeParameter();
    return nullptr;
  }

  template <typename Test>
  bool ParameterOf(Test test) const {
    return tok_.TokenType == tktParameter && tok_.ParamValue != nullptr && test(tok_.ParamValue->DataType());
  }
  Node TakeParameter() {
    Node node = TSQLMemExprNodeConst::Parameter(tok_.Text, *tok_.ParamValue);
    Advance();
    return node;
  }

  // ---- numeric side ----
  Node Sum() {
    Node first = Term();
    if (first == nullptr) return nullptr;
    std::unique_ptr<TSQLMemExprNodeArithmetic> sum;
    while (IsSymbol("+") || IsSymbol("-")) {
      // The sign is read by the next term.
      Node next = Term();
      if (next == nullptr) return nullptr;
      if (sum == nullptr) sum = std::make_unique<TSQLMemExprNodeArithmetic>(opPlus, std::move(first));
      sum->AddChild(std::move(next));
    }
    if (IsSymbol("||")) return nullptr;
    if (sum != nullptr) return sum;
    return first;
  }

  Node Term() {
    const Integer start = Mark();
    if (IsSymbol("!") || IsSymbol("~")) {
      const Byte op = IsSymbol("!") ? opNot : opBitNot;
      Advance();
      if (Node factor = SignedFactor()) {
        if (op == opNot)
          return std::make_unique<TSQLMemExprNodeBoolean>(opNot, expr_.CaseInsensitive, false, std::move(factor));
        return std::make_unique<TSQLMemExprNodeArithmetic>(opBitNot, std::move(factor));
      }
      Restore(start);
    }
    Node left = SignedFactor();
    if (left == nullptr) return nullptr;
    for (;;) {
      const TNamedCode* op = FindSymbol(kTermSymbols);
      if (op == nullptr) op = FindWord(kTermWords);
      if (op == nullptr) return left;
      Advance();
      Node right = SignedFactor();
      if (right == nullptr) return nullptr;
      auto node = std::make_unique<TSQLMemExprNodeArithmetic>(op->code, std::move(left));
      node->AddChild(std::move(right));
      left = std::move(node);
    }
  }

  Node SignedFactor() {
    const bool negative = IsSymbol("-");
    if (negative || IsSymbol("+")) Advance();
    Node factor = Factor();
    if (factor == nullptr || !negative) return factor;
    return std::make_unique<TSQLMemExprNodeArithmetic>(opNegate, std::move(factor));
  }

  Node Factor() {
    const Integer start = Mark();
    Node node = Primary();
    if (node == nullptr) {
      if (IsWord("POS") || IsWord("POSITION"))
        node = Pos();
      else if (IsWord("LENGTH"))
        node = Length();
      else if (IsWord("LASTAUTOINC"))
        node = LastAutoInc();
      else if (IsWord("ISNULL"))
        node = IsNullFunction();
    }
    if (auto* constant = dynamic_cast<TSQLMemExprNodeConst*>(node.get()); constant != nullptr && !constant->Value().IsNumeric()) {
      // The string side will ask for the same primary here: it is kept rather than parsed again, which
      // would double the work with every level of parentheses around a text.
      parked_[start] = {std::move(node), Mark()};
      return nullptr;
    }
    return node;
  }

  Node Primary() {
    const Integer start = Mark();
    if (auto parked = parked_.find(start); parked != parked_.end()) {
      Node node = std::move(parked->second.first);
      Restore(parked->second.second);
      parked_.erase(parked);
      return node;
    }
    switch (tok_.TokenType) {
      case tktInt: return Number(false);
      case tktFloat: return Number(true);
      case tktQuotedString: {
        TSQLMemVariant value(edtVarchar);
        value.SetAsString(tok_.Text);
        Advance();
        return std::make_unique<TSQLMemExprNodeConst>(value);
      }
      case tktParameter:
        if (tok_.ParamValue == nullptr) return nullptr;
        if (tok_.ParamValue->IsNull() || tok_.ParamValue->IsNumeric() || tok_.ParamValue->DataType() == edtBytes ||
            IsTextDataType(tok_.ParamValue->DataType()) || IsBLOBDataType(tok_.ParamValue->DataType()))
          return TakeParameter();
        return nullptr;
      default: break;
    }
    if (Node field = FieldReference()) return field;
    Restore(start);
    if (AtSubQuery()) {
      AnsiString text;
      if (!SubQueryText(text)) return nullptr;
      return std::make_unique<TSQLMemExprNodeSubQuery>(text, nullptr, false, SubQueryContext());
    }
    if (IsWord("COUNT") && PeekIsOpen()) {
      Advance();
      Advance();
      if (IsSymbol("*")) {
        Advance();
        Expect(IsClose(), 30073, ")");
        return std::make_unique<TSQLMemExprNodeAggregated>(opCountAll);
      }
      Restore(start);
    }
    if (const TNamedCode* aggregate = FindWord(kAggregates)) return Aggregate(aggregate->code);
    if (const TNamedCode* function = FindWord(kNumericFunctions)) return NumericFunction(function->code);
    if (IsOpen()) {
      Advance();
      Node inner = Value();
      if (inner == nullptr) {
        Restore(start);
        return nullptr;
      }
      Expect(IsClose(), 30071, ")");
      return inner;
    }
    if (IsWord("CAST")) return Cast();
    return nullptr;
  }

  bool PeekIsOpen() {
    TToken next;
    lexer_.PeekNextToken(next);
    return next.TokenType == tktLeftParenthesis;
  }

  Node Number(bool isFloat) {
    TSQLMemVariant value;
    const char* first = tok_.Text.data();
    const char* last = first + tok_.Text.size();
    bool ok;
    if (isFloat) {
      double d = 0;
      const auto [end, error] = std::from_chars(first, last, d);
      ok = error == std::errc() && end == last;
      value.SetAsDouble(d);
    } else {
      Int64 n = 0;
      const auto [end, error] = std::from_chars(first, last, n);
      ok = error == std::errc() && end == last;
      value.SetAsLargeInt(n);
    }
    if (!ok) SQLMemError(30062, SQLMemInvalidNumericSymbol, {tok_.Text, tok_.LineNum, tok_.ColumnNum});
    Advance();
    return std::make_unique<TSQLMemExprNodeConst>(value);
  }

  // [qualifier "."] column; an unquoted reserved word is never a column, and a name before "(" is a
  // function.
  Node FieldReference() {
    if (!IsName()) return nullptr;
    AnsiString tableName;
    AnsiString fieldName = tok_.Text;
    bool reserved = tok_.TokenType == tktReservedWord;
    Advance();
    if (tok_.TokenType == tktDot) {
      Advance();
      if (!IsName()) return nullptr;
      tableName = std::move(fieldName);
      fieldName = tok_.Text;
      reserved = tok_.TokenType == tktReservedWord;
      Advance();
    }
    if (reserved || IsOpen()) return nullptr;
    return std::make_unique<TSQLMemExprNodeField>(expr_.Cursor(), tableName, fieldName);
  }

  Node Aggregate(Byte op) {
    Advance();
    bool distinct = false;
    if (IsWord("DISTINCT")) {
      distinct = true;
      Advance();
    }
    Expect(IsOpen(), 30074, "(");
    if (IsWord("DISTINCT")) {
      distinct = true;
      Advance();
    }
    bool descending = false;
    if (IsWord("ASC") || IsWord("DESC")) {
      descending = IsWord("DESC");
      Advance();
    }
    Node argument = Value();
    if (argument == nullptr) ArgumentExpected(30102, OperatorName(op));
    Node separator;
    if (op == opGroupConcat && IsComma()) {
      Advance();
      separator = Value();
      if (separator == nullptr) ArgumentExpected(11769, OperatorName(op));
    }
    Expect(IsClose(), 30075, ")");
    return std::make_unique<TSQLMemExprNodeAggregated>(op, descending, std::move(argument), distinct,
                                                       std::move(separator));
  }

  Node NumericFunction(Byte op) {
    Advance();
    if (op == opRandom && !IsOpen()) return std::make_unique<TSQLMemExprNodeArithmetic>(op, nullptr);
    if (!IsOpen()) OpenExpected(11639);
    Advance();
    Node first = Value();
    if (first == nullptr) ArgumentExpected(11640, OperatorName(op));
    auto node = std::make_unique<TSQLMemExprNodeArithmetic>(op, std::move(first));
    if (op == opMod || op == opPower) {
      Expect(IsComma(), 11641, ",");
      Node second = Value();
      if (second == nullptr) ArgumentExpected(11642, OperatorName(op));
      node->AddChild(std::move(second));
    } else if ((op == opRound || op == opTrunc || op == opHex) && IsComma()) {
      Advance();
      Node second = Value();
      if (second == nullptr) ArgumentExpected(11643, OperatorName(op));
      node->AddChild(std::move(second));
    }
    if (!IsClose()) SQLMemError(11644, SQLMemCloseParenExpected, {tok_.Text, tok_.LineNum, tok_.ColumnNum});
    Advance();
    return node;
  }

  Node Cast() {
    const Integer start = Mark();
    Advance();
    if (!IsOpen()) {
      Restore(start);
      return nullptr;
    }
    Advance();
    Node operand;
    if (IsWord("NULL")) {
      Advance();
      operand = std::make_unique<TSQLMemExprNodeConst>(TSQLMemVariant(edtInteger));
    } else {
      operand = Value();
    }
    if (operand == nullptr || !(IsComma() || IsWord("AS"))) {
      Restore(start);
      return nullptr;
    }
    Advance();
    const Integer fieldType = FieldTypeByName(tok_.Text);
    if (!IsScalarFieldType(fieldType)) SQLMemError(30077, SQLMemCannotConvertExpression, {FieldTypeName(fieldType)});
    Advance();
    Expect(IsClose(), 30076, ")");
    return std::make_unique<TSQLMemExprNodeCast>(std::move(operand), fieldType);
  }

  // ---- the second group of factors ----
  Node Pos() {
    Advance();
    Expect(IsOpen(), 30078, "(");
    Node needle = StringExpression();
    if (needle == nullptr) ArgumentExpected(30079, "POS");
    Expect(IsComma() || IsWord("IN"), 30080, ",");
    Node haystack = StringExpression();
    if (haystack == nullptr) ArgumentExpected(30081, "POS");
    Expect(IsClose(), 30082, ")");
    return std::make_unique<TSQLMemExprNodeStringFunction>(opPos, expr_.CaseInsensitive, false, std::move(needle),
                                                           std::move(haystack));
  }

  Node Length() {
    Advance();
    Expect(IsOpen(), 30083, "(");
    Node text = StringExpression();
    if (text == nullptr) ArgumentExpected(30085, "LENGTH");
    Expect(IsClose(), 30084, ")");
    return std::make_unique<TSQLMemExprNodeStringFunction>(opLength, expr_.CaseInsensitive, false, std::move(text));
  }

  // LASTAUTOINC([MEMORY] [database] table, column): database and table are separated by a blank.
  Node LastAutoInc() {
    Advance();
    Expect(IsOpen(), 30086, "(");
    bool inMemory = expr_.InMemory;
    if (IsWord("MEMORY")) {
      inMemory = true;
      Advance();
    }
    AnsiString databaseName = expr_.DatabaseName;
    AnsiString tableName = tok_.Text;
    Advance();
    if (!IsComma()) {
      databaseName = std::move(tableName);
      tableName = tok_.Text;
      Advance();
    }
    Expect(IsComma(), 30334, ",");
    const AnsiString fieldName = tok_.Text;
    Advance();
    Expect(IsClose(), 30089, ")");
    return std::make_unique<TSQLMemExprNodeSystem>(opLastAutoInc, databaseName, expr_.SessionName, inMemory,
                                                   fieldName, tableName);
  }

  Node IsNullFunction() {
    Advance();
    if (!IsOpen()) OpenExpected(11597);
    Advance();
    Node first = Value();
    if (first == nullptr) ArgumentExpected(11598, "ISNULL");
    Node second;
    if (IsComma()) {
      Advance();
      second = Value();
      if (second == nullptr) ArgumentExpected(11598, "ISNULL");
    }
    if (!IsClose()) SQLMemError(11599, SQLMemMissingCloseParen, {tok_.LineNum, tok_.ColumnNum});
    Advance();
    return std::make_unique<TSQLMemExprNodeIsNullFunction>(std::move(first), std::move(second));
  }

  // ---- string side ----
  // A concatenation of two or more string primaries joined by "||" or "+", else one string primary.
  Node StringExpression() {
    Node first = StringPrimary();
    if (first == nullptr || !(IsSymbol("||") || IsSymbol("+"))) return first;
    auto concatenation =
        std::make_unique<TSQLMemExprNodeStringFunction>(opConcat, expr_.CaseInsensitive, false, std::move(first));
    while (IsSymbol("||") || IsSymbol("+")) {
      Advance();
      if (Node next = StringPrimary()) concatenation->AddChild(std::move(next));
    }
    return concatenation;
  }

  Node StringPrimary() {
    const Integer start = Mark();
    if (Node primary = Primary()) return primary;
    Restore(start);
    if (const TNamedCode* function = FindWord(kCaseAndTrim)) return CaseOrTrim(function->code);
    if (IsWord("SUBSTRING")) return Substring();
    if (IsWord("TOSTRING")) return ToString();
    return nullptr;
  }

  Node CaseOrTrim(Byte op) {
    Advance();
    Expect(IsOpen(), 30090, "(");
    Node argument = StringExpression();
    Expect(IsClose(), 30091, ")");
    if (argument == nullptr)
      SQLMemError(30092, SQLMemStringArgumentExpected, {OperatorName(op), tok_.Text, tok_.LineNum, tok_.ColumnNum});
    return std::make_unique<TSQLMemExprNodeStringFunction>(op, expr_.CaseInsensitive, false, std::move(argument));
  }

  Node Substring() {
    Advance();
    Expect(IsOpen(), 30098, "(");
    Node text = StringExpression();
    if (text == nullptr) ArgumentExpected(30099, OperatorName(opSubstring));
    Expect(IsComma() || IsWord("FROM"), 30100, ",");
    Node from = Sum();
    if (from == nullptr) ArgumentExpected(30101, OperatorName(opSubstring));
    auto node = std::make_unique<TSQLMemExprNodeStringFunction>(opSubstring, expr_.CaseInsensitive, false,
                                                                std::move(text), std::move(from));
    if (!IsClose()) {
      Expect(IsComma() || IsWord("FOR"), 30103, ",");
      Node length = Sum();
      if (length == nullptr) ArgumentExpected(30101, OperatorName(opSubstring));
      node->AddChild(std::move(length));
    }
    Expect(IsClose(), 30104, ")");
    return node;
  }

  // The quoted format text of TOSTRING and TODATE.
  AnsiString FormatText(Integer code) {
    if (tok_.TokenType != tktQuotedString)
      SQLMemError(code, SQLMemDateFormatStringExpected, {tok_.Text, tok_.LineNum, tok_.ColumnNum});
    AnsiString format = tok_.Text;
    Advance();
    return format;
  }

  Node ToString() {
    Advance();
    Expect(IsOpen(), 30093, "(");
    Node value = Value();
    if (value == nullptr) ArgumentExpected(30094, OperatorName(opToString));
    Expect(IsComma() || IsWord("FROM"), 30095, ",");
    const AnsiString format = FormatText(30096);
    Expect(IsClose(), 30097, ")");
    return std::make_unique<TSQLMemExprNodeDateFunction>(opToString, format, std::move(value));
  }

  Node ToBlob() {
    Advance();
    Expect(IsOpen(), 11345, "(");
    if (tok_.TokenType != tktQuotedString)
      SQLMemError(11346, SQLMemBLOBConstantExpected, {tok_.Text, tok_.LineNum, tok_.ColumnNum});
    const AnsiString literal = tok_.Text;
    Advance();
    Integer format = 0;
    if (IsComma()) {
      Advance();
      if (IsWord("HEX"))
        format = 1;
      else if (!IsWord("MIME64"))
        SQLMemError(11347, SQLMemBLOBFormatExpected, {tok_.Text, tok_.LineNum, tok_.ColumnNum});
      Advance();
    }
    Expect(IsClose(), 11348, ")");
    return std::make_unique<TSQLMemExprNodeBLOBFunction>(opToBlob, format, literal);
  }

  // ---- date side ----
  Node DateExpression() {
    Byte clock = 0;
    if (IsWord("SYSDATE") || IsWord("NOW") || IsWord("CURRENT_TIMESTAMP"))
      clock = opSysDate;
    else if (IsWord("CURRENT_TIME"))
      clock = opCurrentTime;
    else if (IsWord("CURRENT_DATE"))
      clock = opCurrentDate;
    if (clock != 0) {
      Advance();
      return std::make_unique<TSQLMemExprNodeDateFunction>(clock, AnsiString(), nullptr);
    }
    if (IsWord("TODATE")) {
      Advance();
      Expect(IsOpen(), 30105, "(");
      Node text = StringExpression();
      if (text == nullptr) ArgumentExpected(30107, "ToDate");
      Expect(IsComma(), 30108, ",");
      const AnsiString format = FormatText(30109);
      Expect(IsClose(), 30106, ")");
      return std::make_unique<TSQLMemExprNodeDateFunction>(opToDate, format, std::move(text));
    }
    if (IsWord("EXTRACT")) {
      Advance();
      if (!IsOpen()) TokenExpected(11601, "(");
      Advance();
      const TNamedCode* part = FindWord(kDateParts);
      if (part == nullptr) return nullptr;
      Advance();
      if (!(IsWord("FROM") || IsComma()))
        SQLMemError(11602, SQLMemFromOrCommaExpected, {tok_.Text, tok_.LineNum, tok_.ColumnNum});
      Advance();
      return DatePartArgument(part->code);
    }
    if (const TNamedCode* part = FindWord(kDateParts)) {
      Advance();
      if (!IsOpen()) TokenExpected(11603, "(");
      Advance();
      return DatePartArgument(part->code);
    }
    if (ParameterOf([](Byte type) { return IsDateTimeDataType(type); })) return TakeParameter();
    return nullptr;
  }

  Node DatePartArgument(Byte op) {
    Node value = Value();
    if (value == nullptr) ArgumentExpected(11604, OperatorName(op));
    Expect(IsClose(), 11605, ")");
    return std::make_unique<TSQLMemExprNodeDateFunction>(op, AnsiString(), std::move(value));
  }

  TSQLMemExpression& expr_;
  TSQLMemLexer& lexer_;
  TToken tok_;
  // Primaries that a factor refused (text constants), by their first token: the node and the token
  // index after it.
  std::map<Integer, std::pair<Node, Integer>> parked_;
};

// An AND at the top takes the operands of the ANDs among its operands, in their place at the end.
void FlattenAnd(TSQLMemExprNode& root) {
  if (root.Operator() != opAnd) return;
  for (Integer i = 0; i < root.ChildCount();) {
    TSQLMemExprNode& child = root.Child(i);
    if (child.Operator() != opAnd) {
      ++i;
      continue;
    }
    Node inner = root.ReleaseChild(&child);
    while (inner->ChildCount() > 0) root.AddChild(inner->ReleaseChild(&inner->Child(0)));
  }
}

}  // namespace

void TSQLMemExpression::ParseCondition(TSQLMemLexer& lexer) {
  Clear();
  lexer_ = &lexer;
  TParser parser(*this, lexer);
  if (parser.Token().TokenType == tktNone)
    SQLMemError(30118, SQLMemUnexpectedEndOfCommand, {parser.Token().LineNum, parser.Token().ColumnNum});
  root_ = parser.Condition();
  FlattenAnd(*root_);
  if (cursor_ != nullptr) root_->Reset();
}

void TSQLMemExpression::ParseValueExpression(TSQLMemLexer& lexer) {
  lexer_ = &lexer;
  TParser parser(*this, lexer);
  if (parser.Token().TokenType == tktNone)
    SQLMemError(30136, SQLMemUnexpectedEndOfCommand, {parser.Token().LineNum, parser.Token().ColumnNum});
  // Nothing readable as a value leaves the expression as it was; the statement parser reports it.
  if (Node value = parser.Value()) root_ = std::move(value);
}

void TSQLMemExpression::ParseText(TSQLMemCursor* cursor, const AnsiString& text, const TSQLMemFilterOptions& options) {
  Clear();
  cursor_ = cursor;
  PartialCompare = options.PartialCompare;
  CaseInsensitive = options.CaseInsensitive;
  TSQLMemLexer lexer(text, nullptr);
  if (!lexer.NextStatement()) SQLMemError(30119, SQLMemBlankSQLCommand);
  ParseCondition(lexer);
  lexer_ = nullptr;  // the lexer ends here
}
