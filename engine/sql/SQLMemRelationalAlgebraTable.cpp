#include "engine/sql/SQLMemRelationalAlgebraTable.h"

#include "engine/dataset/SQLMemDefinitions.h"
#include "engine/dataset/SQLMemQuery.h"
#include "engine/dataset/SQLMemTable.h"
#include "engine/foundation/SQLMemConst.h"
#include "engine/foundation/SQLMemExcept.h"
#include "engine/sql/SQLMemExprNodeSubQuery.h"
#include "engine/sql/SQLMemExpression.h"
#include "engine/sql/SQLMemRelationalAlgebraPlanning.h"
#include "engine/sql/SQLMemSQLCommand.h"
#include "engine/storage/SQLMemSchema.h"
#include "vcl/db/IndexDefs.h"
#include "vcl/rtl/AnsiStrings.h"

TSQLMemAOTable::TSQLMemAOTable(const AnsiString& databaseName, bool live, bool inMemory, const AnsiString& tableAlias,
                               const AnsiString& tableName, const AnsiString& sessionName)
    : TSQLMemAO(nullptr, nullptr, tableAlias, tableName) {
  isTableOperator_ = true;
  requestLive_ = live;
  table_ = New<TSQLMemTable>(nullptr);
  source_.reset(table_);
  table_->SetInMemory(inMemory);
  table_->SetDatabaseName(databaseName);
  if (!sessionName.empty()) table_->SetSessionName(sessionName);
  table_->SetTableName(tableName);
  OpenSource(databaseName, sessionName, inMemory);
}

TSQLMemAOTable::TSQLMemAOTable(const TSQLMemSQLContext& context, const AnsiString& subQuerySQL,
                               const AnsiString& tableAlias)
    : TSQLMemAO(nullptr, nullptr, tableAlias, AnsiString()), subQuerySQL_(subQuerySQL) {
  if (tableAlias.empty()) SQLMemError(11655, AnsiString(SQLMemSubQueryAliasMissing) + subQuerySQL);
  isTableOperator_ = true;
  requestLive_ = context.RequestLive;
  // The sub-query runs live: a result that is a table's own cursor is read without a copy of its own.
  std::unique_ptr<TSQLMemQuery> query = NewNestedQuery(subQuerySQL, context, true);
  query_ = query.get();
  source_ = std::move(query);
  OpenSource(context.DatabaseName, context.SessionName, context.InMemory);
}

void TSQLMemAOTable::OpenSource(const AnsiString& databaseName, const AnsiString& sessionName, bool inMemory) {
  try {
    source_->Open();
  } catch (const Exception& e) {
    // A missing in-memory table has an error of its own; asked only now, as the open of a table that
    // exists answers it at no cost.
    if (table_ != nullptr && inMemory && !table_->Exists())
      SQLMemError(11505, "Table '%s' does not exist", {tableName_});
    SQLMemError(10303, SQLMemCannotOpenTableOrSubQuery,
                {tableName_, databaseName, sessionName, inMemory ? 1 : 0, subQuerySQL_, e.Message()});
  }
  const auto addColumn = [&](const AnsiString& name, Byte fieldType, Integer size, Byte algorithm, Byte mode,
                             Integer blockSize) {
    TSQLMemFieldLink link;
    link.Name = name;
    link.BaseName = name;
    link.TableName = tableName_;
    link.TableAlias = tableAlias_;
    link.FieldType = fieldType;
    link.Size = size;
    link.BlobCompressionAlgorithm = algorithm;
    link.BlobCompressionMode = mode;
    link.BlobBlockSize = blockSize;
    link.DataSet = source_.get();
    link.SourceIndex = ColumnCount();
    columns_.push_back(link);
    fieldNames_.push_back(name);
  };
  if (table_ != nullptr) {
    const TSQLMemAdvFieldDefs& fields = table_->AdvFieldDefs();
    for (Integer i = 0; i < fields.Count(); ++i) {
      const TSQLMemAdvFieldDef& field = *fields[i];
      addColumn(field.Name, field.FieldType, field.Size, field.BlobCompressionAlgorithm, field.BlobCompressionMode,
                field.BlobBlockSize);
    }
    return;
  }
  const TSQLMemFieldDefs& fields = source_->EngineFieldDefs();
  for (Integer i = 0; i < fields.GetCount(); ++i) {
    const TSQLMemFieldDef& field = fields.GetFieldDef(i);
    addColumn(field.Name, field.FieldType, field.Size, field.BLOBCompressionAlgorithm, field.BLOBCompressionLevel,
              field.BLOBBlockSize);
  }
}

TSQLMemAOTable::~TSQLMemAOTable() {
  try {
    UnlockTables();
  } catch (...) {
    // The count goes with the table when it cannot be given back now.
  }
  if (result_ == source_.get()) result_ = nullptr;
  FreeSource();
}

void TSQLMemAOTable::FreeSource() noexcept {
  if (source_ == nullptr) return;
  try {
    if (source_->Active()) source_->Close();
  } catch (...) {
    // Closing a table or query component does not fail once it is open; nothing is left to undo.
  }
  source_.reset();
  table_ = nullptr;
  query_ = nullptr;
}

bool TSQLMemAOTable::TableHasField(const AnsiString& fieldName) const {
  for (const AnsiString& name : fieldNames_)
    if (AnsiUpperCase(name) == AnsiUpperCase(fieldName)) return true;
  return false;
}

void TSQLMemAOTable::LockTables() {
  // A sub-query's tables are its own statement's; its result is held by its open query.
  if (tableUseCounted_ || table_ == nullptr || table_->Cursor() == nullptr || table_->Temporary()) return;
  table_->IncTableUseCount();
  tableUseCounted_ = true;
}

void TSQLMemAOTable::UnlockTables() {
  if (!tableUseCounted_ || source_ == nullptr || source_->Cursor() == nullptr) return;
  tableUseCounted_ = false;
  source_->DecTableUseCount();
}

void TSQLMemAOTable::DoFirst() { (source_ != nullptr ? source_.get() : result_)->First(); }

void TSQLMemAOTable::DoNext() { (source_ != nullptr ? source_.get() : result_)->Next(); }

bool TSQLMemAOTable::DoEof() { return (source_ != nullptr ? source_.get() : result_)->Eof(); }

Integer TSQLMemAOTable::DoGetRecordCount() {
  if (materialized_ || source_ == nullptr) return result_ != nullptr ? result_->RecordCount() : 0;
  return source_->RecordCount();
}

void TSQLMemAOTable::CreateResultTable() {
  TSQLMemAO::CreateResultTable();
  // A sub-query's cursor may hold its own WHERE as its filter: the condition stays here, row by row.
  if (table_ == nullptr || condition_ == nullptr || condition_->IsEmpty()) return;
  std::unique_ptr<TSQLMemExpression> filter = ExtractTableCondition(*condition_, *this);
  if (filter != nullptr) {
    source_->SetFilterExpression(std::move(filter));
    source_->First();
  }
  if (condition_->IsEmpty()) condition_.reset();
}

bool TSQLMemAOTable::NeedsCopy() {
  bool needed = (isTopLevel_ && !requestLive_) || topCount_ >= 0 || hasExpressionColumns_ || distinct_ ||
                !resultTableName_.empty();
  // A sub-query's result may be a table's cursor that holds the sub-query's own WHERE as its filter:
  // only a top-level result that nothing filters or sorts any further is read as it is.
  if (query_ != nullptr)
    return needed || !isTopLevel_ || HasSort() || (condition_ != nullptr && !condition_->IsEmpty());
  if (HasSort()) {
    // Per sort column: "ASC" or "DESC", "CASE" or "NO_CASE".
    std::vector<AnsiString> directions, cases;
    for (std::size_t k = 0; k < sortFields_.size(); ++k) {
      directions.push_back(sortDescending_[k] ? "DESC" : "ASC");
      cases.push_back(sortCaseInsensitive_[k] ? "NO_CASE" : "CASE");
    }
    const AnsiString index = table_->FindIndexForSort(sortFields_, directions, cases);
    table_->SetIndexName(index);
    if (index.empty()) {
      needed = true;
    } else {
      // The source's index gives the order: the rows are read (and copied) in it, no sort index is made.
      sortColumns_.clear();
      sortDescending_.clear();
      sortCaseInsensitive_.clear();
    }
  }
  return needed;
}

void TSQLMemAOTable::Materialize() {
  if (materialized_) return;
  if (condition_ != nullptr && !condition_->IsEmpty()) RunSubQueries(*condition_->Root());
  if (!sortIndexName_.empty()) {
    bool exists = false;
    for (int i = 0; i < source_->IndexDefs().Count(); ++i)
      exists = exists || AnsiUpperCase(source_->IndexDefs().Items(i)->Name()) == AnsiUpperCase(sortIndexName_);
    if (!exists)
      SQLMemError(11667, "Error - index '%s' does not exist in table '%s'", {sortIndexName_, tableName_});
    if (table_ != nullptr) table_->SetIndexName(sortIndexName_);
  }
  if (!NeedsCopy()) {
    MaterializeLive();
    return;
  }
  try {
    TSQLMemAO::Materialize();
  } catch (...) {
    resultIsSource_ = false;
    try {
      UnlockTables();
    } catch (...) {
      // The first failure is the one reported.
    }
    FreeSource();
    condition_.reset();
    materialized_ = true;
    throw;
  }
  resultIsSource_ = false;
  UnlockTables();
  FreeSource();
  condition_.reset();
  materialized_ = true;
}

void TSQLMemAOTable::MaterializeLive() {
  if (visibleCount_ == 0) {
    outputColumns_.clear();
    for (Integer c = 0; c < ColumnCount(); ++c)
      if (!columns_[static_cast<std::size_t>(c)].Hidden) outputColumns_.push_back(c);
  }
  // Columns read only for an ORDER BY stay out of the projection: the table's index gives the order.
  if (visibleCount_ > 0) outputColumns_.resize(static_cast<std::size_t>(visibleCount_));
  std::vector<AnsiString> names, aliases;
  for (Integer column : outputColumns_) {
    const TSQLMemFieldLink& link = columns_[static_cast<std::size_t>(column)];
    if (link.Hidden)
      SQLMemError(11498,
                  "Cannot access hidden field: table name = %s, field name = %s, display name = %s, FieldNo = %d",
                  {tableName_, link.Name, link.DisplayName, column});
    // Without a select list (the input of a group-by) the columns others use show under their names.
    const AnsiString& shown = link.DisplayName.empty() && visibleCount_ == 0 ? link.Name : link.DisplayName;
    if (shown.empty())
      SQLMemError(11500, "Error - empty field display name, table name = %s, field name = %s, field no = %d",
                  {tableName_, link.Name, column});
    names.push_back(GetColumnName(column, false));
    aliases.push_back(shown);
  }
  // The whole WHERE becomes the table's filter; the cursor owns it from now on.
  try {
    if (condition_ != nullptr && !condition_->IsEmpty()) source_->SetFilterExpression(std::move(condition_));
    condition_.reset();
    source_->SetProjection(names, aliases);
    source_->First();
  } catch (...) {
    resultIsSource_ = true;
    result_ = source_.get();
    materialized_ = true;
    throw;
  }
  resultIsSource_ = true;
  result_ = source_.get();
  for (Integer c = 0; c < ColumnCount(); ++c) {
    TSQLMemFieldLink& link = columns_[static_cast<std::size_t>(c)];
    link.Owner = nullptr;
    link.DataSet = nullptr;
    link.SourceIndex = -1;
  }
  for (std::size_t p = 0; p < outputColumns_.size(); ++p) {
    TSQLMemFieldLink& link = columns_[static_cast<std::size_t>(outputColumns_[p])];
    link.DataSet = source_.get();
    link.SourceIndex = static_cast<Integer>(p);
  }
  materialized_ = true;
}
