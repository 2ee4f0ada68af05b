#include "engine/sql/SQLMemDDLTableManipulation.h"

#include <charconv>
#include <limits>

#include "engine/dataset/SQLMemTable.h"
#include "engine/foundation/SQLMemArrays.h"
#include "engine/foundation/SQLMemCompression.h"
#include "engine/foundation/SQLMemConst.h"
#include "engine/foundation/SQLMemExcept.h"
#include "engine/foundation/SQLMemTypes.h"
#include "engine/sql/SQLMemExpression.h"

namespace {

constexpr TTokenKinds kNameOrWord = {tktString, tktQuotedString, tktBracketedString, tktBackQuotedString,
                                     tktReservedWord};

bool IsNameOrWord(const TToken& token) { return kNameOrWord.Contains(token.TokenType); }
bool IsOpen(const TToken& token) { return token.TokenType == tktLeftParenthesis; }
bool IsClose(const TToken& token) { return token.TokenType == tktRightParenthesis; }
bool IsComma(const TToken& token) { return token.TokenType == tktComma; }

// The types whose size is written after them: CHAR(10), VARBYTES(4).
bool IsSizedType(Integer fieldType) {
  switch (fieldType) {
    case sftChar: case sftVarchar: case sftWideChar: case sftWideVarchar: case sftBytes: case sftVarBytes:
      return true;
    default:
      return false;
  }
}

bool IsAutoIncType(Integer fieldType) { return fieldType >= sftAutoInc && fieldType <= sftAutoIncCardinal; }

// The auto-increment type that AUTOINC(type) picks: an integer type gives its auto-increment twin, an
// auto-increment type stays itself; 0 for any other type.
Byte AutoIncTypeFor(Integer fieldType) {
  switch (fieldType) {
    case sftShortInt: return sftAutoIncShortInt;
    case sftSmallInt: return sftAutoIncSmallInt;
    case sftInteger: return sftAutoInc;
    case sftLargeInt: return sftAutoIncLargeInt;
    case sftByte: return sftAutoIncByte;
    case sftWord: return sftAutoIncWord;
    case sftCardinal: return sftAutoIncCardinal;
    default: return IsAutoIncType(fieldType) ? static_cast<Byte>(fieldType) : Byte{0};
  }
}

// The value of an integer token (decimal; the lexer already wrote hexadecimal ones in decimal).
bool Int64OfText(const AnsiString& text, Int64& value) {
  const auto [end, ec] = std::from_chars(text.data(), text.data() + text.size(), value);
  return ec == std::errc() && end == text.data() + text.size();
}

// Draws base + a unique suffix until no index of the table has that name.
AnsiString UniqueIndexName(TSQLMemTable& table, const AnsiString& base) {
  AnsiString name;
  do name = MakeUniqueName(base);
  while (table.IndexDefs().IndexOf(name) >= 0 || table.IndexDefsCopy().IndexOf(name) >= 0);
  return name;
}

// Adds one index to the second copy of the table's index definitions, which a restructure builds, and
// for a table still to be created also to the definitions themselves. (A table being altered opens
// again with its own definitions while it is restructured: an index on a column it does not have yet
// would stop that open.)
void AddIndexDef(TSQLMemTable& table, bool created, const AnsiString& name,
                 const std::vector<TSQLMemDDLKeyColumn>& columns, TIndexOption option) {
  for (TIndexDefs* defs : {&table.IndexDefsCopy(), &table.IndexDefs()}) {
    if (defs == &table.IndexDefs() && !created) break;
    TIndexDef* def = defs->Add(name, JoinKeyColumns(columns, ","), TIndexOptions{option});
    def->SetDescFields(JoinKeyColumns(columns, ",", [](const TSQLMemDDLKeyColumn& c) { return c.Descending; }));
    def->SetCaseInsFields(
        JoinKeyColumns(columns, ",", [](const TSQLMemDDLKeyColumn& c) { return c.CaseInsensitive; }));
  }
}

}  // namespace

AnsiString JoinKeyColumns(const std::vector<TSQLMemDDLKeyColumn>& columns, const char* separator,
                          bool (*take)(const TSQLMemDDLKeyColumn& column)) {
  AnsiString result;
  for (const TSQLMemDDLKeyColumn& column : columns) {
    if (take != nullptr && !take(column)) continue;
    if (!result.empty()) result += separator;
    result += column.Name;
  }
  return result;
}

bool ApplyKeyModifier(const TToken& token, TSQLMemDDLKeyColumn& column) {
  if (TokenIsWord(token, "ASC")) {
    column.Descending = false;
  } else if (TokenIsWord(token, "DESC")) {
    column.Descending = true;
  } else if (TokenIsWord(token, "CASE")) {
    column.CaseInsensitive = false;
  } else if (TokenIsWord(token, "NOCASE")) {
    column.CaseInsensitive = true;
  } else {
    return false;
  }
  return true;
}

// ---------------------------------------------------------------- TSQLFieldDef

void TSQLFieldDef::ApplyTo(TSQLMemAdvFieldDef& def) const {
  def.FieldType = FieldType;
  if (Size) def.Size = *Size;
  if (Required) def.Required = *Required;
  if (Increment) def.Increment = *Increment;
  if (InitialValue) def.InitialValue = *InitialValue;
  if (MinSequence) def.MinSequence = *MinSequence;
  if (MaxSequence) def.MaxSequence = *MaxSequence;
  if (Cycled) def.Cycled = *Cycled;
  if (BlobBlockSize) def.BlobBlockSize = *BlobBlockSize;
  if (BlobCompressionAlgorithm) def.BlobCompressionAlgorithm = *BlobCompressionAlgorithm;
  if (BlobCompressionMode) def.BlobCompressionMode = *BlobCompressionMode;
  if (DefaultSpecified) def.DefaultValue.Assign(DefaultValue, true);
  if (MinValueSpecified) def.MinValue.Assign(MinValue, true);
  if (MaxValueSpecified) def.MaxValue.Assign(MaxValue, true);
}

TSQLFieldDef& TSQLFieldDefs::Add() {
  items_.push_back(std::make_unique<TSQLFieldDef>());
  return *items_.back();
}

// ---------------------------------------------------------------- parsing services

void TSQLMemDDLTableManipulation::Parse() {
  if (!AtEnd()) TokenError(30246, SQLMemUnexpectedToken);
}

void TSQLMemDDLTableManipulation::Next(Integer endCode) {
  if (!ReadNextToken()) EndOfCommandError(endCode);
}

Int64 TSQLMemDDLTableManipulation::ReadInt64(Integer endCode) {
  Next(endCode);
  const bool negative = token_.TokenType == tktString && token_.Text == "-";
  if (negative) Next(endCode);
  if (token_.TokenType != tktInt) TokenError(30292, SQLMemIntegerExpected);
  Int64 value = 0;
  if (!Int64OfText(negative ? "-" + token_.Text : token_.Text, value)) TokenError(30291, SQLMemIntegerExpected);
  return value;
}

// ---------------------------------------------------------------- the element list

void TSQLMemDDLTableManipulation::ParseElementList(bool columnsOnly, bool opened) {
  if (!opened) {
    if (AtEnd()) EndOfCommandError(30161);
    if (!IsOpen(token_)) TokenExpectedError(30226, "(");
    Next(30161);
  }
  for (;;) {
    if (!IsNameOrWord(token_)) TokenError(30227, SQLMemFieldNameExpected);
    if (!columnsOnly && IsWord("PRIMARY")) {
      ParsePrimaryKey();
    } else if (!columnsOnly && IsWord("FOREIGN")) {
      ParseForeignKey();
    } else {
      ParseColumnDefinition();
    }
    if (AtEnd()) EndOfCommandError(30161);
    if (IsClose(token_)) break;
    if (!IsComma(token_)) TokenError(30229, SQLMemCloseParenOrCommaExpected);
    Next(30161);
  }
  ReadNextToken();
}

void TSQLMemDDLTableManipulation::ParseColumnDefinition() {
  TSQLFieldDef& def = ColumnDefs.Add();
  def.Name = token_.Text;
  ExpectNextToken(kNameOrWord, 30228, SQLMemFieldTypeExpected);
  const Integer fieldType = FieldTypeByName(token_.Text);
  if (fieldType == 0) TokenError(30232, SQLMemUnknownFieldType);
  def.FieldType = static_cast<Byte>(fieldType);
  ReadNextToken();
  ParseTypeArguments(def);
  ParseColumnOptions(def);
}

void TSQLMemDDLTableManipulation::ParseTypeArguments(TSQLFieldDef& def) {
  if (IsSizedType(def.FieldType)) {
    if (AtEnd()) EndOfCommandError(30161);
    if (!IsOpen(token_)) TokenError(30233, SQLMemOpenParenExpected);
    Next(30161);
    Int64 size = 0;
    if (token_.TokenType != tktInt || !Int64OfText(token_.Text, size) || size > std::numeric_limits<Integer>::max())
      TokenError(30235, SQLMemDecimalConstantExpected);
    def.Size = static_cast<Integer>(size);
    Next(30161);
    if (!IsClose(token_)) TokenError(30236, SQLMemCloseParenOrCommaExpected);
    ReadNextToken();
  } else if (IsAutoIncType(def.FieldType) && IsOpen(token_)) {
    ParseAutoIncOptions(def);
  }
}

void TSQLMemDDLTableManipulation::ParseAutoIncOptions(TSQLFieldDef& def) {
  // Only the plain AUTOINC takes a type name among its options.
  const bool widthFree = def.FieldType == sftAutoInc;
  for (;;) {
    Next(30290);
    if (IsWord("INCREMENT")) {
      def.Increment = ReadInt64(30290);
    } else if (IsWord("INITIALVALUE")) {
      def.InitialValue = ReadInt64(30290);
    } else if (IsWord("MINVALUE")) {
      def.MinSequence = ReadInt64(30290);
    } else if (IsWord("MAXVALUE")) {
      def.MaxSequence = ReadInt64(30290);
    } else if (IsWord("NOMINVALUE")) {
      def.MinSequence = 0;
    } else if (IsWord("NOMAXVALUE")) {
      def.MaxSequence = std::numeric_limits<Int64>::max();
    } else if (IsWord("CYCLED")) {
      def.Cycled = true;
    } else if (IsWord("NOCYCLED")) {
      def.Cycled = false;
    } else if (widthFree) {
      const Byte type = AutoIncTypeFor(FieldTypeByName(token_.Text));
      if (type == 0) TokenError(30295, SQLMemUnsupportedAutoincType);
      def.FieldType = type;
    } else {
      TokenError(30294, SQLMemUnexpectedToken);
    }
    Next(30290);
    if (IsClose(token_)) break;
    if (!IsComma(token_)) TokenError(30294, SQLMemUnexpectedToken);
  }
  ReadNextToken();
}

void TSQLMemDDLTableManipulation::NextOption() {
  if (!ReadNextToken()) return;  // the list reports the missing ")"
  if (!IsNameOrWord(token_) && !IsClose(token_) && !IsComma(token_))
    TokenError(30229, SQLMemCloseParenOrCommaExpected);
}

void TSQLMemDDLTableManipulation::ParseColumnOptions(TSQLFieldDef& def) {
  while (!AtEnd() && !IsComma(token_) && !IsClose(token_)) {
    if (IsWord("NULL")) {
      def.Required = false;
      NextOption();
    } else if (IsWord("NOT")) {
      if (!ReadNextToken() || token_.TokenType != tktReservedWord) EndOfCommandError(30237);
      if (!IsWord("NULL")) TokenError(2011, SQLMemNullKeywordExpected);
      def.Required = true;
      NextOption();
    } else if (IsWord("DEFAULT")) {
      ParseDefault(def);
    } else if (IsWord("MINVALUE") || IsWord("MAXVALUE")) {
      const bool minimum = IsWord("MINVALUE");
      TSQLMemVariant& limit = minimum ? def.MinValue : def.MaxValue;
      limit.SetAsLargeInt(ReadInt64(30300));
      (minimum ? def.MinValueSpecified : def.MaxValueSpecified) = true;
      ReadNextToken();
    } else if (IsWord("NOMINVALUE") || IsWord("NOMAXVALUE")) {
      const bool minimum = IsWord("NOMINVALUE");
      (minimum ? def.MinValue : def.MaxValue).SetNull();
      (minimum ? def.MinValueSpecified : def.MaxValueSpecified) = true;
      ReadNextToken();
    } else if (IsWord("BLOBBLOCKSIZE")) {
      const Int64 size = ReadInt64(30161);
      if (size < 0 || size > std::numeric_limits<Integer>::max()) TokenError(30291, SQLMemIntegerExpected);
      def.BlobBlockSize = static_cast<Integer>(size);
      NextOption();
    } else if (IsWord("BLOBCOMPRESSIONMODE")) {
      const Int64 mode = ReadInt64(30161);
      if (mode < 0 || mode > 255) TokenError(30291, SQLMemIntegerExpected);
      def.BlobCompressionMode = static_cast<Byte>(mode);
      NextOption();
    } else if (IsWord("BLOBCOMPRESSIONALGORITHM")) {
      Next(30161);
      def.BlobCompressionAlgorithm = CompressionAlgorithmByName(token_.Text);
      NextOption();
    } else if (IsWord("PRIMARY")) {
      TSQLMemDDLKeyColumn column{def.Name};
      Next(30333);
      if (IsWord("KEY")) Next(30333);
      ParseKeyModifiers(column, 30333);
      def.PrimaryKey = true;
      PrimaryKeyColumns.push_back(column);
    } else if (IsWord("UNIQUE")) {
      def.Unique = true;
      UniqueColumns.push_back(def.Name);
      ReadNextToken();
    } else {
      NextOption();  // an unknown word is passed over
    }
  }
}

void TSQLMemDDLTableManipulation::ParseDefault(TSQLFieldDef& def) {
  if (def.DefaultSpecified) SQLMemError(30299, SQLMemDefaultDeclaredTwice, {def.Name});
  Next(30297);
  def.DefaultSpecified = true;
  if (IsWord("NULL")) {
    def.DefaultValue.SetNull();
    ReadNextToken();
    return;
  }
  // Evaluated once, here: a DEFAULT CURRENT_DATE stores the day the table was made.
  TSQLMemExpression expression;
  expression.SetParams(context_.Params);
  expression.InMemory = context_.InMemory;
  expression.DatabaseName = context_.DatabaseName;
  expression.SessionName = context_.SessionName;
  expression.ParseValueExpression(lexer_);
  expression.CheckNoFields();
  const TSQLMemVariant* value = expression.GetValue(true);
  if (value != nullptr) def.DefaultValue.Assign(*value, true);
  const Integer dataType = FieldTypeToDataType(def.FieldType);
  if (def.DefaultValue.IsNull())
    def.DefaultValue.SetDataType(dataType);
  else
    def.DefaultValue.ConvertTo(dataType);
  ReadCurrentToken();
}

void TSQLMemDDLTableManipulation::ParseKeyModifiers(TSQLMemDDLKeyColumn& column, Integer endCode) {
  while (ApplyKeyModifier(token_, column)) Next(endCode);
}

// ---------------------------------------------------------------- PRIMARY KEY and FOREIGN KEY

void TSQLMemDDLTableManipulation::ParsePrimaryKey() {
  Next(30333);
  if (IsWord("KEY")) Next(30333);
  if (IsName()) {
    PrimaryKeyName = token_.Text;
    Next(30333);
  }
  if (!IsOpen(token_)) TokenError(30327, SQLMemOpenParenExpected);
  for (;;) {
    Next(30333);
    if (!IsNameOrWord(token_)) TokenError(30244, SQLMemFieldNameExpected);
    TSQLMemDDLKeyColumn column{token_.Text};
    Next(30333);
    ParseKeyModifiers(column, 30333);
    PrimaryKeyColumns.push_back(column);
    if (IsClose(token_)) break;
    if (!IsComma(token_)) TokenError(30245, SQLMemCloseParenOrCommaExpected);
  }
  ReadNextToken();
}

Byte TSQLMemDDLTableManipulation::ParseReferentialAction(Integer code, const char* first, const char* second,
                                                        bool& isUpdate) {
  Next(30161);
  if (!IsWord(first) && (second == nullptr || !IsWord(second))) TokenExpectedError(code, "UPDATE or DELETE");
  isUpdate = IsWord("UPDATE");
  Next(30161);
  Byte action = fkaCascade;
  if (IsWord("SET")) {
    Next(30161);
    if (IsWord("NULL")) {
      action = fkaSetNull;
    } else if (IsWord("DEFAULT")) {
      action = fkaSetDefault;
    } else {
      TokenExpectedError(11474, "NULL or DEFAULT");
    }
  } else if (IsWord("NO")) {
    Next(30161);
    if (!IsWord("ACTION")) TokenExpectedError(11475, "ACTION");
    action = fkaNoAction;
  } else if (!IsWord("CASCADE")) {
    TokenExpectedError(11476, "CASCADE or SET or NO");
  }
  ReadNextToken();
  return action;
}

void TSQLMemDDLTableManipulation::ParseForeignKey() {
  if (ForeignKeys == nullptr) ForeignKeys = std::make_unique<TSQLMemForeignKeyDefs>();
  TSQLMemForeignKeyDef& key = *ForeignKeys->Add();
  Next(30161);
  if (!IsWord("KEY")) TokenExpectedError(11467, "KEY");
  Next(30161);
  if (IsName()) {
    key.Name = token_.Text;
    Next(30161);
  }
  if (!IsOpen(token_)) TokenError(11468, SQLMemOpenParenExpected);
  for (;;) {
    Next(30161);
    if (!IsNameOrWord(token_)) TokenError(11469, SQLMemFieldNameExpected);
    if (!key.Fields.empty()) key.Fields += ";";
    key.Fields += token_.Text;
    Next(30161);
    if (IsClose(token_)) break;
    if (!IsComma(token_)) TokenError(11470, SQLMemCloseParenOrCommaExpected);
  }
  Next(30161);
  if (!IsWord("REFERENCES")) TokenExpectedError(11477, "REFERENCES");
  Next(30161);
  if (!IsName()) TokenError(11478, SQLMemTableNameExpected);
  key.ReferenceTableName = token_.Text;
  ReadNextToken();
  if (IsWord("MATCH")) {
    Next(30161);
    if (IsWord("FULL")) {
      key.MatchType = fkmFull;
    } else if (IsWord("PARTIAL")) {
      key.MatchType = fkmPartial;
    } else {
      TokenExpectedError(11471, "FULL or PARTIAL");
    }
    ReadNextToken();
  }
  if (!IsWord("ON")) return;
  bool isUpdate = false;
  Byte action = ParseReferentialAction(11472, "UPDATE", "DELETE", isUpdate);
  (isUpdate ? key.UpdateAction : key.DeleteAction) = action;
  if (!IsWord("ON")) return;
  const bool firstWasUpdate = isUpdate;
  action = ParseReferentialAction(11473, firstWasUpdate ? "DELETE" : "UPDATE", nullptr, isUpdate);
  (isUpdate ? key.UpdateAction : key.DeleteAction) = action;
}

// ---------------------------------------------------------------- execution steps

std::unique_ptr<TSQLMemTable> TSQLMemDDLTableManipulation::NewTable() const {
  std::unique_ptr<TSQLMemTable> table(New<TSQLMemTable>(nullptr));
  SetupTable(*table);
  return table;
}

void TSQLMemDDLTableManipulation::AddPrimaryKeyIndex(TSQLMemTable& table, bool created) const {
  if (PrimaryKeyColumns.empty()) return;
  AnsiString name = PrimaryKeyName;
  if (name.empty()) {
    AnsiString base = "C_PK";
    for (const TSQLMemDDLKeyColumn& column : PrimaryKeyColumns) base += "$" + column.Name;
    name = UniqueIndexName(table, base);
  }
  AddIndexDef(table, created, name, PrimaryKeyColumns, ixPrimary);
}

void TSQLMemDDLTableManipulation::AddUniqueIndexes(TSQLMemTable& table, bool created) const {
  for (const AnsiString& column : UniqueColumns)
    AddIndexDef(table, created, UniqueIndexName(table, "C_Unique$" + column), {TSQLMemDDLKeyColumn{column}},
                ixUnique);
}
