#include "engine/sql/SQLMemSelect.h"

#include <charconv>
#include <limits>
#include <utility>

#include "engine/foundation/SQLMemConst.h"
#include "engine/foundation/SQLMemExcept.h"
#include "engine/sql/SQLMemExpression.h"
#include "engine/sql/SQLMemRelationalAlgebraGroupBy.h"
#include "engine/sql/SQLMemRelationalAlgebraPlanning.h"
#include "engine/sql/SQLMemRelationalAlgebraTable.h"
#include "engine/sql/SQLMemRelationalAlgebraUnion.h"

namespace {

constexpr TTokenKinds kNameOrWord = {tktString, tktQuotedString, tktBracketedString, tktBackQuotedString,
                                     tktReservedWord};

// HAVING filters groups; a block without aggregation has none.
constexpr Integer kHavingWithoutAggregation = 30360;
constexpr char kHavingWithoutAggregationText[] =
    "HAVING needs GROUP BY or an aggregate in the select list at line %d, column %d";

bool IsIdentifierText(const AnsiString& text) {
  if (text.empty()) return false;
  const auto c = static_cast<unsigned char>(text[0]);
  return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || c == '_' || c >= 0x80;
}

// The value of a tktInt token when it fits an Integer.
bool IntegerOfToken(const TToken& token, Integer& value) {
  const AnsiString& text = token.Text;
  Int64 v = 0;
  if (text.starts_with("0x") || text.starts_with("$")) {
    const std::string_view digits = std::string_view(text).substr(text[0] == '$' ? 1 : 2);
    if (digits.empty() || digits.size() > 15) return false;
    v = HexToInt64(digits);
  } else {
    const auto [end, ec] = std::from_chars(text.data(), text.data() + text.size(), v);
    if (ec != std::errc() || end != text.data() + text.size()) return false;
  }
  if (v < 0 || v > std::numeric_limits<Integer>::max()) return false;
  value = static_cast<Integer>(v);
  return true;
}

}  // namespace

// ---------------------------------------------------------------- TSQLMemTableReference

TSQLMemTableReference::TSQLMemTableReference() = default;
TSQLMemTableReference::~TSQLMemTableReference() = default;

void TSQLMemTableReference::MakeJoin(std::unique_ptr<TSQLMemTableReference> right, Byte joinType,
                                     std::unique_ptr<TSQLMemExpression> onCondition,
                                     std::vector<AnsiString> usingFields, bool natural) {
  // The present content moves into Left; this reference keeps the fresh one's empty fields.
  auto left = std::make_unique<TSQLMemTableReference>();
  std::swap(left->Kind, Kind);
  std::swap(left->SessionName, SessionName);
  std::swap(left->DatabaseName, DatabaseName);
  std::swap(left->TableName, TableName);
  std::swap(left->SubQuerySQL, SubQuerySQL);
  std::swap(left->Alias, Alias);
  std::swap(left->Password, Password);
  std::swap(left->InMemory, InMemory);
  std::swap(left->Natural, Natural);
  std::swap(left->JoinType, JoinType);
  std::swap(left->Left, Left);
  std::swap(left->Right, Right);
  std::swap(left->UsingFields, UsingFields);
  std::swap(left->OnCondition, OnCondition);
  Kind = kJoin;
  Left = std::move(left);
  Right = std::move(right);
  JoinType = joinType;
  OnCondition = std::move(onCondition);
  UsingFields = std::move(usingFields);
  Natural = natural;
}

// ---------------------------------------------------------------- TSQLMemSQLSelect

TSQLMemSQLSelect::TSQLMemSQLSelect(TSQLMemLexer& lexer, const TSQLMemSQLContext& context)
    : TSQLMemSQLCursorCommand(lexer, context) {}

TSQLMemSQLSelect::~TSQLMemSQLSelect() { FreeSelectExpressions(); }

void TSQLMemSQLSelect::FreeSelectExpressions() noexcept {
  for (TSQLMemSelectListItem& item : SelectList) delete item.Expression;
  SelectList.clear();
}

std::unique_ptr<TSQLMemExpression> TSQLMemSQLSelect::NewExpression() const {
  auto expression = std::make_unique<TSQLMemExpression>();
  expression->SetParams(context_.Params);
  expression->InMemory = context_.InMemory;
  expression->DatabaseName = context_.DatabaseName;
  expression->SessionName = context_.SessionName;
  return expression;
}

std::unique_ptr<TSQLMemExpression> TSQLMemSQLSelect::ParseCondition() {
  auto condition = NewExpression();
  condition->ParseCondition(lexer_);
  if (!SelectAll) condition->ResolveAliases(SelectList);
  ReadCurrentToken();
  return condition;
}

void TSQLMemSQLSelect::Parse() {
  ReadNextToken();  // past SELECT
  if (IsWord("ALL")) {
    ReadNextToken();
  } else if (IsWord("DISTINCT")) {
    Distinct = true;
    ReadNextToken();
  }
  if (IsWord("TOP")) ParseTop();
  ParseSelectList();
  if (IsWord("INTO")) ParseInto();
  if (!IsWord("FROM")) TokenExpectedError(30184, "FROM");
  ParseFrom();
  if (IsWord("INTO")) SQLMemError(11337, SQLMemIntoBeforeFrom, {token_.LineNum, token_.ColumnNum});
  if (IsWord("WHERE")) {
    ReadNextToken();
    Where = ParseCondition();
  }
  if (IsWord("GROUP")) {
    ReadNextToken();
    if (!IsWord("BY")) TokenExpectedError(30185, "BY");
    ReadNextToken();
    ParseFieldList(GroupBy);
  }
  if (IsWord("HAVING")) {
    const TToken having = token_;
    ReadNextToken();
    Having = ParseCondition();
    // Without aggregation there are no groups for HAVING to filter; it is refused instead of dropped.
    if (!NeedsAggregation())
      SQLMemError(kHavingWithoutAggregation, kHavingWithoutAggregationText, {having.LineNum, having.ColumnNum});
  }
  if (IsWord("ORDER")) ParseOrderBy();
}

void TSQLMemSQLSelect::ParseTop() {
  ExpectNextToken({tktInt}, 30158, SQLMemIntegerExpected);
  if (!IntegerOfToken(token_, TopCount)) TokenError(30158, SQLMemIntegerExpected);
  ReadNextToken();
  if (token_.TokenType != tktComma) return;
  ExpectNextToken({tktInt}, 30159, SQLMemIntegerExpected);
  if (!IntegerOfToken(token_, TopFirstRow)) TokenError(30159, SQLMemIntegerExpected);
  ReadNextToken();
}

bool TSQLMemSQLSelect::IsAliasToken() const {
  switch (token_.TokenType) {
    case tktQuotedString:
    case tktBracketedString:
    case tktBackQuotedString: return true;
    case tktString: return IsIdentifierText(token_.Text);
    default: return false;
  }
}

void TSQLMemSQLSelect::ParseAlias(AnsiString& alias, Integer code) {
  if (IsWord("AS")) {
    ExpectNextToken(kNameTokens, code, SQLMemFieldPseudonymExpected);
    alias = token_.Text;
    ReadNextToken();
  } else if (IsAliasToken()) {
    alias = token_.Text;
    ReadNextToken();
  }
}

void TSQLMemSQLSelect::ParseSelectList() {
  if (token_.TokenType == tktString && token_.Text == "*") {
    SelectAll = true;
    ReadNextToken();
    return;
  }
  for (;;) {
    if (ParseAllColumnsOf()) {
      if (token_.TokenType != tktComma) break;
      if (!ReadNextToken()) EndOfCommandError(30161);
      continue;
    }
    auto expression = NewExpression();
    expression->ParseValueExpression(lexer_);
    if (expression->IsEmpty()) TokenError(30160, SQLMemExpressionExpected);
    ReadCurrentToken();
    TSQLMemSelectListItem item;
    if (expression->IsField()) {
      expression->GetFieldName(item.TableName, item.FieldName);
      item.AllColumns = item.FieldName == "*";
    } else {
      item.IsExpression = true;
    }
    ParseAlias(item.Alias, 30162);
    if (item.IsExpression) item.Expression = expression.release();
    SelectList.push_back(item);
    if (token_.TokenType != tktComma) break;
    if (!ReadNextToken()) EndOfCommandError(30161);
  }
}

bool TSQLMemSQLSelect::ParseAllColumnsOf() {
  if (!IsName()) return false;
  TToken dot;
  TToken star;
  const Integer start = lexer_.GetTokenIndex();
  if (!lexer_.SetTokenIndex(start + 1, dot) || dot.TokenType != tktDot || !lexer_.SetTokenIndex(start + 2, star) ||
      star.TokenType != tktString || star.Text != "*") {
    lexer_.SetTokenIndex(start, token_);
    return false;
  }
  TSQLMemSelectListItem item;
  item.TableName = token_.Text;
  item.AllColumns = true;
  ReadNextToken();
  ParseAlias(item.Alias, 30162);
  SelectList.push_back(item);
  return true;
}

void TSQLMemSQLSelect::ParseInto() {
  ExpectNextToken(kNameOrWord, 30165, SQLMemTableNameExpected);
  ParseTableName();
  IntoTableName = TableName;
  IntoDatabaseName = DatabaseName;
  TableName.clear();
  DatabaseName.clear();
}

void TSQLMemSQLSelect::ParseFrom() {
  ReadNextToken();  // past FROM
  Integer startCode = 30180;
  Integer failCode = 30183;
  for (;;) {
    if (AtEnd() || !(kNameOrWord.Contains(token_.TokenType) || token_.TokenType == tktLeftParenthesis))
      TokenError(startCode, SQLMemTableNameExpected);
    auto ref = std::make_unique<TSQLMemTableReference>();
    if (!ParseTableReference(*ref)) TokenError(failCode, SQLMemTableNameExpected);
    FromList.push_back(std::move(ref));
    if (token_.TokenType != tktComma) break;
    ReadNextToken();
    startCode = 30181;
    failCode = 30182;
  }
}

bool TSQLMemSQLSelect::ParseTableReference(TSQLMemTableReference& ref) {
  if (!ParsePrimaryReference(ref)) return false;
  while (ParseJoin(ref)) {
  }
  return true;
}

bool TSQLMemSQLSelect::ParsePrimaryReference(TSQLMemTableReference& ref) {
  if (AtEnd()) return false;
  if (token_.TokenType == tktLeftParenthesis) {
    TToken next;
    lexer_.PeekNextToken(next);
    if (TokenIsWord(next, "SELECT")) {
      ParseSubQuery(ref);
      return true;
    }
    ReadNextToken();
    if (!ParseTableReference(ref)) TokenError(30179, SQLMemFieldNameExpected);
    if (token_.TokenType == tktRightParenthesis) ReadNextToken();
    return true;
  }
  if (!kNameOrWord.Contains(token_.TokenType)) return false;
  ref.Kind = TSQLMemTableReference::kTable;
  if (IsWord("MEMORY")) {
    ref.InMemory = true;
    ref.DatabaseName = "MEMORY";
    if (!ReadNextToken()) EndOfCommandError(30161);
    if (!kNameOrWord.Contains(token_.TokenType)) TokenError(30176, SQLMemTableNameExpected);
  } else {
    ref.InMemory = context_.InMemory;
    ref.DatabaseName = context_.DatabaseName;
  }
  ref.TableName = token_.Text;
  ReadNextToken();
  if (token_.TokenType == tktDot) {
    TToken next;
    lexer_.PeekNextToken(next);
    if (kNameTokens.Contains(next.TokenType)) {
      ref.DatabaseName = ref.TableName;
      ReadNextToken();
      ref.TableName = token_.Text;
      ReadNextToken();
    }
  }
  ParseAlias(ref.Alias, 30177);
  if (IsWord("PASSWORD")) {
    ExpectNextToken({tktQuotedString}, 30178, SQLMemQuotedPasswordExpected);
    ref.Password = token_.Text;
    ReadNextToken();
  }
  if (context_.DatabaseName == ref.DatabaseName) ref.SessionName = context_.SessionName;
  return true;
}

void TSQLMemSQLSelect::ParseSubQuery(TSQLMemTableReference& ref) {
  ref.Kind = TSQLMemTableReference::kSubQuery;
  ref.InMemory = context_.InMemory;
  ref.DatabaseName = context_.DatabaseName;
  ref.SessionName = context_.SessionName;
  ReadNextToken();  // SELECT
  AnsiString text = token_.Text;
  if (!ReadNextToken()) SQLMemError(11656, SQLMemErrorParsingSubQuery, {text});
  Integer depth = 1;
  for (;;) {
    if (token_.TokenType == tktLeftParenthesis) ++depth;
    if (token_.TokenType == tktRightParenthesis && --depth == 0) break;
    text += ' ';
    text += TokenSourceText(token_);
    if (!ReadNextToken()) SQLMemError(11657, SQLMemMissingCloseParen, {lastRead_.LineNum, lastRead_.ColumnNum});
  }
  ref.SubQuerySQL = std::move(text);
  ReadNextToken();  // past ")"
  ParseAlias(ref.Alias, 11659);
}

bool TSQLMemSQLSelect::ParseJoin(TSQLMemTableReference& ref) {
  struct TJoinWord {
    const char* word;
    Integer code;
    Byte type;
  };
  static constexpr TJoinWord kKinds[] = {{"INNER", 30170, TSQLMemTableReference::kInner},
                                         {"LEFT", 30171, TSQLMemTableReference::kLeft},
                                         {"RIGHT", 30172, TSQLMemTableReference::kRight},
                                         {"FULL", 30173, TSQLMemTableReference::kFull}};
  // Each join word is followed by another word.
  auto joinWord = [&](Integer code) { ExpectNextToken({tktReservedWord}, code, SQLMemUnexpectedToken); };
  bool natural = false;
  bool wordRead = false;
  Byte type = TSQLMemTableReference::kInner;
  if (IsWord("CROSS")) {
    type = TSQLMemTableReference::kCross;
    joinWord(30168);
    wordRead = true;
  } else {
    if (IsWord("NATURAL")) {
      natural = true;
      joinWord(30169);
      wordRead = true;
    }
    for (const TJoinWord& kind : kKinds) {
      if (!IsWord(kind.word)) continue;
      type = kind.type;
      joinWord(kind.code);
      wordRead = true;
      if (IsWord("OUTER")) joinWord(30174);
      break;
    }
  }
  if (!IsWord("JOIN")) {
    if (wordRead) TokenExpectedError(30175, "JOIN");
    return false;
  }
  ReadNextToken();
  auto right = std::make_unique<TSQLMemTableReference>();
  if (!ParsePrimaryReference(*right)) TokenError(30176, SQLMemTableNameExpected);
  std::unique_ptr<TSQLMemExpression> on;
  std::vector<AnsiString> usingFields;
  if (IsWord("ON")) {
    ReadNextToken();
    on = ParseCondition();
  } else if (IsWord("USING")) {
    ReadNextToken();
    if (token_.TokenType != tktLeftParenthesis) TokenExpectedError(30167, "(");
    ReadNextToken();
    ParseNameList(usingFields);
    if (token_.TokenType == tktRightParenthesis) ReadNextToken();
  }
  ref.MakeJoin(std::move(right), type, std::move(on), std::move(usingFields), natural);
  return true;
}

void TSQLMemSQLSelect::ParseOrderBy() {
  ReadNextToken();
  if (!IsWord("BY")) TokenExpectedError(30188, "BY");
  ReadNextToken();
  if (IsWord("INDEX")) {
    ReadNextToken();
    if (!IsName()) TokenError(11244, SQLMemUnexpectedToken);
    SortIndexName = token_.Text;
    ReadNextToken();
    return;
  }
  if (!ParseSortSpecification()) TokenError(30187, SQLMemFieldNameExpected);
  while (token_.TokenType == tktComma) {
    if (!ReadNextToken()) EndOfCommandError(30161);
    if (!(kNameOrWord.Contains(token_.TokenType) || token_.TokenType == tktInt))
      TokenError(30189, SQLMemUnexpectedToken);
    if (!ParseSortSpecification()) TokenError(30187, SQLMemFieldNameExpected);
  }
}

bool TSQLMemSQLSelect::ParseSortSpecification() {
  TSQLMemSortSpecification spec;
  if (token_.TokenType == tktInt) {
    if (!IntegerOfToken(token_, spec.FieldNo)) TokenError(30187, SQLMemFieldNameExpected);
    ReadNextToken();
  } else if (kNameOrWord.Contains(token_.TokenType)) {
    spec.FieldName = token_.Text;
    ReadNextToken();
    if (token_.TokenType == tktDot) {
      if (!ReadNextToken()) EndOfCommandError(30161);
      if (!kNameOrWord.Contains(token_.TokenType)) TokenError(30186, SQLMemUnexpectedToken);
      spec.TableName = std::move(spec.FieldName);
      spec.FieldName = token_.Text;
      ReadNextToken();
    }
  } else {
    return false;
  }
  if (IsWord("ASC") || IsWord("DESC")) {
    spec.Descending = IsWord("DESC");
    ReadNextToken();
  }
  if (IsWord("NOCASE")) {
    spec.CaseInsensitive = true;
    ReadNextToken();
  }
  OrderBy.push_back(std::move(spec));
  return true;
}

bool TSQLMemSQLSelect::NeedsAggregation() const {
  if (GroupBy.Count() > 0) return true;
  if (SelectAll) return false;
  for (const TSQLMemSelectListItem& item : SelectList)
    if (item.Expression != nullptr && item.Expression->ContainsAggregate()) return true;
  return false;
}

std::unique_ptr<TSQLMemAO> TSQLMemSQLSelect::SourceOperator(const TSQLMemTableReference& ref, bool live) const {
  if (ref.Kind == TSQLMemTableReference::kSubQuery) {
    TSQLMemSQLContext context = context_;
    context.RequestLive = live;
    return std::make_unique<TSQLMemAOTable>(context, ref.SubQuerySQL, ref.Alias);
  }
  return std::make_unique<TSQLMemAOTable>(ref.DatabaseName.empty() ? context_.DatabaseName : ref.DatabaseName, live,
                                          ref.InMemory, ref.Alias, ref.TableName, ref.SessionName);
}

std::unique_ptr<TSQLMemAO> TSQLMemSQLSelect::BuildOperatorTree() {
  const bool aggregation = NeedsAggregation();
  const bool oneSource = FromList.size() == 1 && FromList[0]->Kind != TSQLMemTableReference::kJoin;
  std::unique_ptr<TSQLMemAO> root;
  try {
    if (oneSource) {
      root = SourceOperator(*FromList[0], RequestLive);
    } else {
      root = BuildJoinTree();
    }
  } catch (...) {
    FreeSelectExpressions();
    throw;
  }
  if (Where != nullptr) PushDownConditions(*Where, *root, false);
  if (aggregation) root = std::make_unique<TSQLMemAOGroupBy>(std::move(root), &GroupBy);
  if (TopCount >= 0) root->SetTop(TopFirstRow, TopCount);
  // The operator takes the expressions over, also when it fails.
  std::vector<TSQLMemSelectListItem> items = std::move(SelectList);
  SelectList.clear();
  if (SelectAll) {
    TSQLMemSelectListItem all;
    all.AllColumns = true;
    items.push_back(all);
  }
  root->SetSelectList(items, Distinct);
  if (aggregation && Having != nullptr) {
    PushDownConditions(*Having, *root, true);
    // A HAVING term the groups cannot test is refused, not dropped.
    if (!Having->IsEmpty()) {
      Having->CheckNoFields();
      SQLMemError(30144, SQLMemSearchConditionNotApplicable);
    }
  }
  if (!OrderBy.empty() || !SortIndexName.empty()) root->SetOrderBy(OrderBy, SortIndexName);
  if (Where != nullptr && !Where->IsEmpty()) {
    // A WHERE tests the rows before grouping: never a group's column such as an aggregate's alias.
    PushDownConditions(*Where, aggregation ? *root->Left() : *root, false);
    if (!Where->IsEmpty()) {
      Where->CheckNoFields();
      SQLMemError(30144, SQLMemSearchConditionNotApplicable);
    }
  }
  return root;
}

// ---------------------------------------------------------------- TSQLMemSQLUnion

TSQLMemSQLUnion::TSQLMemSQLUnion(TSQLMemLexer& lexer, const TSQLMemSQLContext& context)
    : TSQLMemSQLCursorCommand(lexer, context) {}

TSQLMemSQLUnion::~TSQLMemSQLUnion() = default;

void TSQLMemSQLUnion::Parse() {
  Root = ParseExpression();
  TakeOverInto();
}

std::unique_ptr<TSQLMemQueryExprNode> TSQLMemSQLUnion::Combine(std::unique_ptr<TSQLMemQueryExprNode> left, Byte kind,
                                                              std::unique_ptr<TSQLMemQueryExprNode> options,
                                                              std::unique_ptr<TSQLMemQueryExprNode> right) {
  options->Kind = kind;
  options->Left = std::move(left);
  options->Right = std::move(right);
  return options;
}

std::unique_ptr<TSQLMemQueryExprNode> TSQLMemSQLUnion::ParseExpression() {
  auto node = ParseTerm();
  for (;;) {
    Byte kind;
    if (IsWord("UNION")) {
      kind = TSQLMemQueryExprNode::kUnion;
    } else if (IsWord("EXCEPT") || IsWord("MINUS")) {
      kind = TSQLMemQueryExprNode::kExcept;
    } else {
      return node;
    }
    ReadNextToken();
    auto options = std::make_unique<TSQLMemQueryExprNode>();
    ParseSetOptions(*options);
    auto right = ParseTerm();
    node = Combine(std::move(node), kind, std::move(options), std::move(right));
  }
}

std::unique_ptr<TSQLMemQueryExprNode> TSQLMemSQLUnion::ParseTerm() {
  auto node = ParsePrimary();
  while (IsWord("INTERSECT")) {
    ReadNextToken();
    auto options = std::make_unique<TSQLMemQueryExprNode>();
    ParseSetOptions(*options);
    auto right = ParsePrimary();
    node = Combine(std::move(node), TSQLMemQueryExprNode::kIntersect, std::move(options), std::move(right));
  }
  return node;
}

std::unique_ptr<TSQLMemQueryExprNode> TSQLMemSQLUnion::ParsePrimary() {
  if (token_.TokenType == tktLeftParenthesis) {
    ReadNextToken();
    auto node = ParseExpression();
    if (token_.TokenType == tktRightParenthesis) ReadNextToken();
    return node;
  }
  if (!IsWord("SELECT")) TokenExpectedError(30194, "SELECT");
  auto node = std::make_unique<TSQLMemQueryExprNode>();
  node->Select = std::make_unique<TSQLMemSQLSelect>(lexer_, context_);
  node->Select->Parse();
  ReadCurrentToken();
  return node;
}

void TSQLMemSQLUnion::ParseSetOptions(TSQLMemQueryExprNode& node) {
  if (IsWord("ALL")) {
    node.All = true;
    ReadNextToken();
  }
  if (!IsWord("CORRESPONDING")) return;
  node.Corresponding = true;
  ReadNextToken();
  if (!IsWord("BY")) return;
  ReadNextToken();
  if (token_.TokenType != tktLeftParenthesis) TokenExpectedError(30193, "(");
  ReadNextToken();
  ParseNameList(node.CorrespondingNames);
  if (token_.TokenType == tktRightParenthesis) ReadNextToken();
}

void TSQLMemSQLUnion::TakeOverInto() {
  // The first block with an INTO target, left before right.
  std::vector<TSQLMemQueryExprNode*> pending = {Root.get()};
  while (!pending.empty()) {
    TSQLMemQueryExprNode* node = pending.back();
    pending.pop_back();
    if (node == nullptr) continue;
    if (node->Select != nullptr) {
      if (node->Select->IntoTableName.empty()) continue;
      IntoTableName = node->Select->IntoTableName;
      IntoDatabaseName = node->Select->IntoDatabaseName;
      InMemory = node->Select->InMemory;
      return;
    }
    pending.push_back(node->Right.get());
    pending.push_back(node->Left.get());
  }
}

std::unique_ptr<TSQLMemAO> TSQLMemSQLUnion::BuildOperatorTree() {
  if (Root->Select != nullptr) {
    Root->Select->RequestLive = RequestLive;
    return Root->Select->BuildOperatorTree();
  }
  // An ORDER BY after the last block sorts the whole set operation.
  TSQLMemQueryExprNode* last = Root.get();
  while (last->Select == nullptr) last = last->Right.get();
  std::vector<TSQLMemSortSpecification> orderBy = std::move(last->Select->OrderBy);
  last->Select->OrderBy.clear();
  AnsiString sortIndexName = std::move(last->Select->SortIndexName);
  last->Select->SortIndexName.clear();
  std::unique_ptr<TSQLMemAO> root = BuildSetOperation(*Root);
  if (!orderBy.empty() || !sortIndexName.empty()) root->SetOrderBy(orderBy, sortIndexName);
  return root;
}

std::unique_ptr<TSQLMemAO> TSQLMemSQLUnion::BuildSetOperation(TSQLMemQueryExprNode& node) {
  if (node.Select != nullptr) return node.Select->BuildOperatorTree();
  std::unique_ptr<TSQLMemAO> left = BuildSetOperation(*node.Left);
  std::unique_ptr<TSQLMemAO> right = BuildSetOperation(*node.Right);
  const Byte operation = node.Kind == TSQLMemQueryExprNode::kIntersect ? TSQLMemAOUnion::kIntersect
                         : node.Kind == TSQLMemQueryExprNode::kExcept  ? TSQLMemAOUnion::kExcept
                                                                       : TSQLMemAOUnion::kUnion;
  return std::make_unique<TSQLMemAOUnion>(std::move(left), std::move(right), operation, node.Corresponding,
                                          !node.All, node.CorrespondingNames);
}
