// The column-list grammar that CREATE TABLE and ALTER TABLE share: column definitions with their type
// and options, PRIMARY KEY and FOREIGN KEY elements. A parsed column remembers which attributes the
// statement gave; only those reach the table's definition, the rest keep the table's defaults. Also the
// steps both statements take on a table component: the primary-key and UNIQUE indexes.
#pragma once
#include <memory>
#include <optional>
#include <vector>

#include "engine/dataset/SQLMemDefinitions.h"
#include "engine/foundation/SQLMemVariant.h"
#include "engine/sql/SQLMemSQLCommand.h"

class TSQLMemTable;

// One column as a DDL statement writes it.
class TSQLFieldDef {
 public:
  // Copies every attribute the statement gave (all but the name) onto def.
  void ApplyTo(TSQLMemAdvFieldDef& def) const;

  AnsiString Name;
  Byte FieldType = 0;  // the SQL field type code
  std::optional<Integer> Size;
  std::optional<bool> Required;
  std::optional<Int64> Increment;
  std::optional<Int64> InitialValue;
  std::optional<Int64> MinSequence;
  std::optional<Int64> MaxSequence;
  std::optional<bool> Cycled;
  std::optional<Integer> BlobBlockSize;
  std::optional<Byte> BlobCompressionAlgorithm;
  std::optional<Byte> BlobCompressionMode;
  // The values count only when their flag is set; a set flag with a null value gives a null.
  TSQLMemVariant DefaultValue;
  TSQLMemVariant MinValue;
  TSQLMemVariant MaxValue;
  bool DefaultSpecified = false;
  bool MinValueSpecified = false;
  bool MaxValueSpecified = false;
  bool PrimaryKey = false;
  bool Unique = false;
};

// The column definitions of a statement, in the order written.
class TSQLFieldDefs {
 public:
  TSQLFieldDef& Add();
  Integer Count() const { return static_cast<Integer>(items_.size()); }
  const TSQLFieldDef& Items(Integer index) const { return *items_.at(static_cast<std::size_t>(index)); }

 private:
  std::vector<std::unique_ptr<TSQLFieldDef>> items_;
};

// A column of a key: PRIMARY KEY lists and CREATE INDEX lists.
struct TSQLMemDDLKeyColumn {
  AnsiString Name;
  bool Descending = false;
  bool CaseInsensitive = false;
};

class TSQLMemDDLTableManipulation : public TSQLMemSQLCommand {
 public:
  using TSQLMemSQLCommand::TSQLMemSQLCommand;

  // Only checks that nothing follows the statement (30246); the statements call it last.
  void Parse() override;

  std::unique_ptr<TSQLMemForeignKeyDefs> ForeignKeys;  // made at the first FOREIGN KEY
  TSQLFieldDefs ColumnDefs;
  AnsiString PrimaryKeyName;
  std::vector<TSQLMemDDLKeyColumn> PrimaryKeyColumns;
  std::vector<AnsiString> UniqueColumns;
  bool ListOpened = false;  // ALTER TABLE consumed the "(" of its list

 protected:
  // Token stands on the "(" of a list, or on its first element when the "(" was read already. Reads
  // elements up to the closing ")" and leaves Token after it. Without columnsOnly an element may also
  // be a PRIMARY KEY or FOREIGN KEY.
  void ParseElementList(bool columnsOnly, bool opened);
  // Token stands on the element's first word; these leave Token after the element.
  void ParseColumnDefinition();
  void ParsePrimaryKey();
  void ParseForeignKey();

  // A table component for the statement's table (the query's owner plays no part: the component lives
  // for one execution).
  std::unique_ptr<TSQLMemTable> NewTable() const;
  // Adds the primary-key index (when the statement has one) / an index per UNIQUE column to the
  // second copy of the table's index definitions, and for a table still to be created (created) also
  // to its index definitions.
  void AddPrimaryKeyIndex(TSQLMemTable& table, bool created) const;
  void AddUniqueIndexes(TSQLMemTable& table, bool created) const;

  // Reads the next token; none raises the end-of-command error code at the last token read.
  void Next(Integer endCode);
  // An integer token read as a 64-bit value (a "-" before it negates it): 30292 for another token,
  // 30291 for one that does not fit; none raises endCode.
  Int64 ReadInt64(Integer endCode);

 private:
  void ParseTypeArguments(TSQLFieldDef& def);
  void ParseAutoIncOptions(TSQLFieldDef& def);
  void ParseColumnOptions(TSQLFieldDef& def);
  void ParseDefault(TSQLFieldDef& def);
  // After NULL, NOT NULL, the BLOB options and a skipped word: the next token must be a name, a
  // keyword, ")" or "," (30229).
  void NextOption();
  // ASC, DESC, CASE and NOCASE after a key column; the last word wins.
  void ParseKeyModifiers(TSQLMemDDLKeyColumn& column, Integer endCode);
  // After ON: the word first (or second, when given; else code), then the action, whose stored value
  // is returned; isUpdate says whether the action is the one on update.
  Byte ParseReferentialAction(Integer code, const char* first, const char* second, bool& isUpdate);
};

// The names of the columns that take accepts (every column without take), joined by separator.
AnsiString JoinKeyColumns(const std::vector<TSQLMemDDLKeyColumn>& columns, const char* separator,
                          bool (*take)(const TSQLMemDDLKeyColumn& column) = nullptr);

// The words that describe a key column: ASC clears descending, DESC sets it, CASE clears case
// insensitivity, NOCASE sets it. False for another token.
bool ApplyKeyModifier(const TToken& token, TSQLMemDDLKeyColumn& column);
