#include "engine/sql/SQLMemDataChange.h"

#include <algorithm>
#include <cstring>

#include "engine/dataset/SQLMemBatchMove.h"
#include "engine/dataset/SQLMemTable.h"
#include "engine/foundation/SQLMemConst.h"
#include "engine/foundation/SQLMemExcept.h"
#include "engine/foundation/SQLMemTypes.h"
#include "engine/sql/SQLMemDatabaseStatements.h"
#include "engine/sql/SQLMemExpression.h"
#include "engine/sql/SQLMemLocalSQLProcessor.h"
#include "engine/sql/SQLMemRelationalAlgebraTable.h"
#include "engine/sql/SQLMemSelect.h"
#include "engine/sql/SQLMemTransactionStatements.h"
#include "engine/storage/SQLMemCursor.h"
#include "engine/storage/SQLMemSchema.h"
#include "vcl/db/Fields.h"
#include "vcl/rtl/AnsiStrings.h"
#include "vcl/rtl/Stream.h"

namespace {

constexpr char kTokenExpected[] = "Token '%s' expected, but '%s' found at line %d, column %d";

TToken KeywordToken(const char* word, const char* text) {
  TToken token;
  token.TokenType = tktReservedWord;
  token.ReservedWord = static_cast<SmallInt>(FindSQLKeyword(word));
  token.Text = text;
  return token;
}

TToken TextToken(const AnsiString& text) {
  TToken token;
  token.TokenType = tktString;
  token.Text = text;
  return token;
}

// The finder parses the rewritten statement from its first token.
std::unique_ptr<TSQLMemSQLSelect> MakeFinder(TSQLMemLexer& lexer, const TSQLMemSQLContext& context) {
  TToken first;
  lexer.SetTokenIndex(0, first);
  auto finder = std::make_unique<TSQLMemSQLSelect>(lexer, context);
  finder->Parse();
  return finder;
}

// The finder's result when it is the named table itself, showing the matching rows. A result that is
// a copy (an ORDER BY no index serves), or rows of several tables or of a sub-query, would take the
// changes away from the table: such a statement changes nothing and raises 11351.
TSQLMemDataSet& LiveResult(TSQLMemSQLSelect& finder, const AnsiString& tableName) {
  auto* table = dynamic_cast<TSQLMemAOTable*>(finder.Operator());
  TSQLMemDataSet* result = finder.GetResultDataSet();
  if (table == nullptr || !table->ResultIsSource() || result == nullptr || table->SourceDataSet() != result ||
      !SameText(table->TableName(), tableName))
    SQLMemError(11351, "Cannot change table '%s': the statement's rows are not read from the table itself",
                {tableName});
  return *result;
}

// Frees the finder at the end of an execution, on every path: each run parses its statement again.
struct FinderRelease {
  std::unique_ptr<TSQLMemSQLSelect>& finder;
  ~FinderRelease() { finder.reset(); }
};

}  // namespace

// ---- AssignValueToField ----

void AssignValueToField(const TSQLMemVariant* value, TField& field) {
  if (value == nullptr) SQLMemError(30359, SQLMemValueIsNull);
  if (value->IsNull()) {
    field.Clear();
    return;
  }
  switch (field.DataType()) {
    case ftDate:
      field.SetAsDateTime(value->GetAsDate());
      return;
    case ftTime:
      field.SetAsDateTime(value->GetAsTime());
      return;
    case ftDateTime:
    case ftTimeStamp:
      field.SetAsDateTime(value->GetAsDateTime());
      return;
    case ftBytes: {
      // A fixed bytes field takes at most its own size; a shorter value is padded with zero bytes.
      std::vector<Byte> bytes(static_cast<std::size_t>(std::max(field.DataSize(), 0)), 0);
      const std::size_t count = std::min(bytes.size(), static_cast<std::size_t>(std::max(value->DataSize(), 0)));
      if (count > 0) std::memcpy(bytes.data(), value->Data(), count);
      field.SetData(bytes.data());
      return;
    }
    case ftBlob:
    case ftMemo:
    case ftGraphic:
    case ftFmtMemo:
    case ftWideMemo: {
      std::unique_ptr<TStream> stream = field.DataSet()->CreateBlobStream(&field, bmWrite);
      const Integer size = IsTextDataType(value->DataType()) && !IsBLOBDataType(value->DataType())
                               ? value->GetTextLength() * (IsWideDataType(value->DataType()) ? 2 : 1)
                               : value->DataSize();
      if (size > 0) stream->WriteBuffer(value->Data(), size);
      return;
    }
    case ftLargeint:
      field.SetAsLargeInt(value->GetAsLargeInt());
      return;
    default:
      field.SetAsVariant(value->GetAsVariant());
      return;
  }
}

// ---- INSERT ----

TSQLMemSQLInsert::TSQLMemSQLInsert(TSQLMemLexer& lexer, const TSQLMemSQLContext& context)
    : TSQLMemSQLCommand(lexer, context) {}

TSQLMemSQLInsert::~TSQLMemSQLInsert() = default;

void TSQLMemSQLInsert::Parse() {
  if (!ReadNextToken()) EndOfCommandError(30205);
  if (!IsWord("INTO")) TokenExpectedError(30206, "INTO");
  if (!ReadNextToken()) EndOfCommandError(30161);
  ParseTableName();
  if (token_.TokenType == tktLeftParenthesis) {
    for (;;) {
      if (!ReadNextToken()) EndOfCommandError(30161);
      if (!IsName() && token_.TokenType != tktReservedWord)
        TokenError(2156, "Field name expected, but '%s' found at line %d, column %d");
      Columns.push_back(token_.Text);
      if (!ReadNextToken()) EndOfCommandError(30161);
      if (token_.TokenType == tktRightParenthesis) break;
      if (token_.TokenType != tktComma) TokenError(30212, "')' or ',' symbol expected, but '%s' found at line %d, column %d");
    }
    if (!ReadNextToken()) EndOfCommandError(30213);
  }
  if (IsWord("VALUES")) {
    const TToken valuesToken = token_;
    if (!ReadNextToken() || token_.TokenType != tktLeftParenthesis)
      TokenError(30214, "'(' symbol expected, but '%s' found at line %d, column %d");
    for (;;) {
      if (!ReadNextToken()) EndOfCommandError(30203);
      auto value = NewExpression();
      value->ParseValueExpression(lexer_);
      if (value->IsEmpty()) TokenError(30357, "Error parsing parameter '%s' at line %d, column %d");
      Values.push_back(std::move(value));
      if (!ReadCurrentToken()) EndOfCommandError(30203);
      if (token_.TokenType == tktRightParenthesis) break;
      // The token between two values is skipped, whatever it is.
    }
    // Values that a column list cannot take in order would land in the wrong columns.
    if (!Columns.empty() && Columns.size() != Values.size())
      SQLMemError(11349, "Error - INSERT lists %d columns but %d values at line %d, column %d",
                  {static_cast<Integer>(Columns.size()), static_cast<Integer>(Values.size()), valuesToken.LineNum,
                   valuesToken.ColumnNum});
    return;
  }
  if (IsWord("SELECT") || token_.TokenType == tktLeftParenthesis) {
    sourceLine_ = token_.LineNum;
    sourceColumn_ = token_.ColumnNum;
    Source = std::make_unique<TSQLMemSQLUnion>(lexer_, context_);
    Source->Parse();
    return;
  }
  // INSERT INTO t alone writes one row of defaults; any other text is a mistyped statement.
  if (!AtEnd()) TokenExpectedError(30206, "VALUES");
}

void TSQLMemSQLInsert::Execute(bool makeDataSet, bool& readOnly, bool /*requestLive*/) {
  RowsAffected = 0;
  std::unique_ptr<TSQLMemTable> target(New<TSQLMemTable>(nullptr));
  SetupTable(*target);
  target->Open();
  struct CloseTarget {
    TSQLMemTable& table;
    ~CloseTarget() {
      try {
        if (table.Active()) table.Close();
      } catch (...) {
        // Closing a table component in browse mode does not fail; nothing is left to undo.
      }
    }
  } closeTarget{*target};
  if (Source != nullptr) {
    // A query of one other table reads that table itself; any other query is copied first, so that
    // the rows it reads never include the rows being inserted.
    const TSQLMemQueryExprNode* root = Source->Root.get();
    const bool readsOtherTable = root != nullptr && root->Kind == TSQLMemQueryExprNode::kSelect &&
                                 root->Select != nullptr && root->Select->FromList.size() == 1 &&
                                 root->Select->FromList[0]->Kind == TSQLMemTableReference::kTable &&
                                 !SameText(root->Select->FromList[0]->TableName, TableName);
    Source->Execute(makeDataSet, readOnly, readsOtherTable);
    TDataSet& result = *Source->GetResultDataSet();
    // SQL pairs the result's columns with the target's by position, whatever their names.
    TSQLMemBatchMoveOptions options;
    options.CopyEngineValues = true;  // the statement's own table component: no application handles its fields
    const Integer targetCount = Columns.empty() ? target->FieldCount() : static_cast<Integer>(Columns.size());
    if (result.Fields().Count() > targetCount)
      SQLMemError(11349, "Error - INSERT lists %d columns but the query returns %d columns at line %d, column %d",
                  {targetCount, static_cast<Integer>(result.Fields().Count()), sourceLine_, sourceColumn_});
    for (int i = 0; i < result.Fields().Count(); ++i)
      options.DestinationFields.push_back(Columns.empty() ? target->Fields()[i]->FieldName()
                                                          : target->FieldByName(Columns[static_cast<std::size_t>(i)])->FieldName());
    const Integer before = target->RecordCount();
    AnsiString errorLog;
    BatchMoveRecords(result, *target, options, errorLog);
    if (!errorLog.empty())
      SQLMemError(11350, "Error - INSERT from SELECT failed, table name = %s, error log: %s", {TableName, errorLog});
    RowsAffected = target->RecordCount() - before;
    return;
  }
  if (Columns.empty() && static_cast<Integer>(Values.size()) > target->FieldCount())
    SQLMemError(11349, "Error - INSERT lists %d columns but %d values at line %d, column %d",
                {target->FieldCount(), static_cast<Integer>(Values.size()), token_.LineNum, token_.ColumnNum});
  target->Insert();
  try {
    for (std::size_t i = 0; i < Values.size(); ++i) {
      TField& field = Columns.empty() ? *target->Fields()[static_cast<int>(i)] : *target->FieldByName(Columns[i]);
      TSQLMemVariant* value = Values[i]->GetValue(true);
      if (value == nullptr)
        SQLMemError(30356, "Parameter Value undefined (FieldName='%s', Type='%s')",
                    {field.FieldName(), DataTypeName(target->AdvFieldDefs().FindByName(field.FieldName()) != nullptr
                                                         ? target->AdvFieldDefs().FindByName(field.FieldName())->FieldType
                                                         : 0)});
      AssignValueToField(value, field);
    }
    target->Post();
  } catch (...) {
    target->Cancel();
    throw;
  }
  RowsAffected = 1;
}

// ---- UPDATE ----

TSQLMemSQLUpdate::TSQLMemSQLUpdate(TSQLMemLexer& lexer, const TSQLMemSQLContext& context)
    : TSQLMemSQLCommand(lexer, context) {}

TSQLMemSQLUpdate::~TSQLMemSQLUpdate() = default;

void TSQLMemSQLUpdate::Parse() {
  if (!ReadNextToken() || (!IsName() && token_.TokenType != tktReservedWord))
    TokenError(30217, "Table name expected, but '%s' found at line %d, column %d");
  const bool memoryWritten = IsWord("MEMORY");
  ParseTableName();
  if (!IsWord("SET")) TokenExpectedError(30220, "SET");
  for (;;) {
    if (!ReadNextToken()) EndOfCommandError(30223);
    SetNames.push_back(token_.Text);
    if (!ReadNextToken() || token_.Text != "=") TokenExpectedError(30221, "=");
    if (!ReadNextToken()) EndOfCommandError(30161);
    auto value = NewExpression();
    value->ParseValueExpression(lexer_);
    if (value->IsEmpty()) TokenError(30357, "Error parsing parameter '%s' at line %d, column %d");
    SetValues.push_back(std::move(value));
    if (!ReadCurrentToken() || IsWord("WHERE")) break;
    if (token_.TokenType != tktComma) TokenExpectedError(30222, ",");
  }
  // The finder: "select * from [MEMORY] [database .] table", then the WHERE and what follows it. The
  // finder takes the statement's context as this statement does, so only what the statement wrote
  // itself is written again.
  std::vector<TToken> tokens{KeywordToken("SELECT", "select"), TextToken("*"), KeywordToken("FROM", "from")};
  if (memoryWritten) tokens.push_back(KeywordToken("MEMORY", "memory"));
  if (!DatabaseName.empty() && !SameText(DatabaseName, "MEMORY") && !SameText(DatabaseName, context_.DatabaseName)) {
    tokens.push_back(TextToken(DatabaseName));
    TToken dot = TextToken(".");
    dot.TokenType = tktDot;
    tokens.push_back(dot);
  }
  tokens.push_back(TextToken(TableName));
  std::vector<TToken>& statement = lexer_.Command.Tokens;
  const auto rest = static_cast<std::size_t>(std::min<Integer>(lexer_.GetTokenIndex(), lexer_.Command.Count()));
  tokens.insert(tokens.end(), statement.begin() + static_cast<std::ptrdiff_t>(rest), statement.end());
  statement = std::move(tokens);
  Finder = MakeFinder(lexer_, context_);
}

void TSQLMemSQLUpdate::Execute(bool makeDataSet, bool& readOnly, bool /*requestLive*/) {
  RowsAffected = 0;
  if (Finder == nullptr) return;
  FinderRelease release{Finder};
  Finder->Execute(makeDataSet, readOnly, true);
  TSQLMemDataSet& rows = LiveResult(*Finder, TableName);
  TSQLMemCursor& cursor = *rows.Cursor();
  for (auto& value : SetValues) value->BindCursor(&cursor);
  // Bulk when no record handler must see each row and every value is a constant that a bulk change can
  // write (no BLOB value other than NULL).
  bool bulk = !rows.HasBeforeUpdateRecordEvent() && !rows.HasAfterUpdateRecordEvent();
  for (std::size_t i = 0; bulk && i < SetValues.size(); ++i) {
    if (!SetValues[i]->IsConstant()) {
      bulk = false;
      break;
    }
    const Integer fieldNo = cursor.FieldDefs->IndexOfName(SetNames[i]);
    if (fieldNo < 0) SQLMemError(11590, "Cannot find field %s in table %s", {SetNames[i], TableName});
    const Byte fieldType = cursor.FieldDefs->GetFieldDef(fieldNo).FieldType;
    if (fieldType >= 31 && fieldType <= 35 && !SetValues[i]->IsNullConstant()) bulk = false;
  }
  if (bulk) {
    std::vector<TSQLMemVariant> values(SetValues.size());
    for (std::size_t i = 0; i < SetValues.size(); ++i) values[i].Assign(*SetValues[i]->GetValue(true), true);
    const Integer count = rows.RecordCount();
    rows.UpdateAllRecords(SetNames, values);
    RowsAffected += count;
    return;
  }
  // Row by row: the matching rows are noted first and each is changed once, so that a change that
  // moves a row within the table's order, or out of the filter, never makes the walk visit a row twice
  // or skip one.
  std::vector<TBookmark> marks;
  for (rows.First(); !rows.Eof(); rows.Next()) marks.push_back(rows.GetBookmark());
  std::vector<TField*> fields;
  for (const AnsiString& name : SetNames) fields.push_back(rows.FieldByName(name));
  std::vector<TSQLMemVariant> values(SetValues.size());
  for (const TBookmark& mark : marks) {
    rows.GotoBookmark(mark);
    // Every value is taken from the row as it was before any of them is written.
    for (std::size_t i = 0; i < SetValues.size(); ++i) {
      SetValues[i]->SetRecordBuffer(rows.ActiveBuffer());
      TSQLMemVariant* value = SetValues[i]->GetValue(true);
      if (value == nullptr) SQLMemError(30359, SQLMemValueIsNull);
      values[i].Assign(*value, true);
    }
    rows.Edit();
    try {
      for (std::size_t i = 0; i < fields.size(); ++i) AssignValueToField(&values[i], *fields[i]);
      rows.Post();
    } catch (...) {
      rows.Cancel();
      throw;
    }
    ++RowsAffected;
  }
}

// ---- DELETE ----

TSQLMemSQLDelete::TSQLMemSQLDelete(TSQLMemLexer& lexer, const TSQLMemSQLContext& context)
    : TSQLMemSQLCommand(lexer, context) {}

TSQLMemSQLDelete::~TSQLMemSQLDelete() = default;

void TSQLMemSQLDelete::Parse() {
  // DELETE FROM t WHERE c is read as select * FROM t WHERE c.
  std::vector<TToken>& statement = lexer_.Command.Tokens;
  statement[0] = KeywordToken("SELECT", "select");
  statement.insert(statement.begin() + 1, TextToken("*"));
  Finder = MakeFinder(lexer_, context_);
  if (Finder->FromList.size() == 1 && Finder->FromList[0]->Kind == TSQLMemTableReference::kTable) {
    TableName = Finder->FromList[0]->TableName;
    DatabaseName = Finder->FromList[0]->DatabaseName;
  } else {
    TableName = Finder->FromList.empty() ? AnsiString() : Finder->FromList[0]->TableName;
  }
}

void TSQLMemSQLDelete::Execute(bool makeDataSet, bool& readOnly, bool /*requestLive*/) {
  RowsAffected = 0;
  if (Finder == nullptr) return;
  FinderRelease release{Finder};
  Finder->Execute(makeDataSet, readOnly, true);
  // Only a single table can be the result itself.
  if (Finder->FromList.size() != 1 || Finder->FromList[0]->Kind != TSQLMemTableReference::kTable)
    SQLMemError(11351, "Cannot change table '%s': the statement's rows are not read from the table itself",
                {TableName});
  TSQLMemDataSet& rows = LiveResult(*Finder, TableName);
  if (rows.HasBeforeDeleteRecordEvent() || rows.HasAfterDeleteRecordEvent()) {
    for (rows.First(); !rows.Eof();) {
      rows.Delete();
      ++RowsAffected;
    }
    return;
  }
  RowsAffected = rows.RecordCount();
  rows.DeleteAllRecords();
}

// ---- registration ----

namespace {

template <typename Command>
std::unique_ptr<TSQLMemSQLCommand> Make(TSQLMemLexer& lexer, const TSQLMemSQLContext& context) {
  return std::make_unique<Command>(lexer, context);
}

}  // namespace

void RegisterDataChangeStatements() {
  RegisterSQLCommand("INSERT", &Make<TSQLMemSQLInsert>);
  RegisterSQLCommand("UPDATE", &Make<TSQLMemSQLUpdate>);
  RegisterSQLCommand("DELETE", &Make<TSQLMemSQLDelete>);
  RegisterSQLCommand("START", &Make<TSQLMemStartTransaction>);
  RegisterSQLCommand("COMMIT", &Make<TSQLMemCommit>);
  RegisterSQLCommand("ROLLBACK", &Make<TSQLMemRollback>);
  RegisterSQLCommand("CREATE DATABASE", &Make<TSQLMemCreateDatabase>);
  RegisterSQLCommand("DROP DATABASE", &Make<TSQLMemDropDatabase>);
}

void UnregisterDataChangeStatements() noexcept {
  for (const char* kind : {"INSERT", "UPDATE", "DELETE", "START", "COMMIT", "ROLLBACK", "CREATE DATABASE", "DROP DATABASE"})
    RegisterSQLCommand(kind, nullptr);
}
