#include "engine/sql/SQLMemRelationalAlgebraTable.h"

#include "engine/dataset/SQLMemDefinitions.h"
#include "engine/dataset/SQLMemTable.h"
#include "engine/foundation/SQLMemExcept.h"
#include "engine/sql/SQLMemRelationalAlgebraPlanning.h"
#include "engine/sql/SQLMemExpression.h"
#include "vcl/db/IndexDefs.h"
#include "vcl/rtl/AnsiStrings.h"

TSQLMemAOTable::TSQLMemAOTable(const AnsiString& databaseName, bool live, bool inMemory, const AnsiString& tableAlias,
                               const AnsiString& tableName, const AnsiString& sessionName)
    : TSQLMemAO(nullptr, nullptr, tableAlias, tableName) {
  isTableOperator_ = true;
  requestLive_ = live;
  source_.reset(New<TSQLMemTable>(nullptr));
  source_->SetInMemory(inMemory);
  source_->SetDatabaseName(databaseName);
  if (!sessionName.empty()) source_->SetSessionName(sessionName);
  source_->SetTableName(tableName);
  if (inMemory && !source_->Exists()) SQLMemError(11505, "Table '%s' does not exist", {tableName});
  try {
    source_->Open();
  } catch (const Exception& e) {
    SQLMemError(10303,
                "Cannot open table or sub-query. \r\nTableName = %s\r\nDatabaseName = %s\r\nSessionName = %s\r\n"
                "InMemory = %d\r\nQuery SQL: \r\n%s\r\nError: \r\n%s",
                {tableName, databaseName, sessionName, inMemory ? 1 : 0, AnsiString(), e.Message()});
  }
  const TSQLMemAdvFieldDefs& fields = source_->AdvFieldDefs();
  for (Integer i = 0; i < fields.Count(); ++i) {
    const TSQLMemAdvFieldDef& field = *fields[i];
    TSQLMemFieldLink link;
    link.Name = field.Name;
    link.BaseName = field.Name;
    link.TableName = tableName;
    link.TableAlias = tableAlias;
    link.FieldType = field.FieldType;
    link.Size = field.Size;
    link.BlobCompressionAlgorithm = field.BlobCompressionAlgorithm;
    link.BlobCompressionMode = field.BlobCompressionMode;
    link.BlobBlockSize = field.BlobBlockSize;
    link.DataSet = source_.get();
    link.SourceIndex = i;
    columns_.push_back(link);
    fieldNames_.push_back(field.Name);
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
    // Closing a table component does not fail once it is open; nothing is left to undo.
  }
  source_.reset();
}

bool TSQLMemAOTable::TableHasField(const AnsiString& fieldName) const {
  for (const AnsiString& name : fieldNames_)
    if (AnsiUpperCase(name) == AnsiUpperCase(fieldName)) return true;
  return false;
}

void TSQLMemAOTable::LockTables() {
  if (tableUseCounted_ || source_ == nullptr || source_->Cursor() == nullptr || source_->Temporary()) return;
  source_->IncTableUseCount();
  tableUseCounted_ = true;
}

void TSQLMemAOTable::UnlockTables() {
  if (!tableUseCounted_ || source_ == nullptr || source_->Cursor() == nullptr) return;
  tableUseCounted_ = false;
  source_->DecTableUseCount();
}

void TSQLMemAOTable::DoFirst() { (source_ != nullptr ? static_cast<TSQLMemDataSet*>(source_.get()) : result_)->First(); }

void TSQLMemAOTable::DoNext() { (source_ != nullptr ? static_cast<TSQLMemDataSet*>(source_.get()) : result_)->Next(); }

bool TSQLMemAOTable::DoEof() { return (source_ != nullptr ? static_cast<TSQLMemDataSet*>(source_.get()) : result_)->Eof(); }

Integer TSQLMemAOTable::DoGetRecordCount() {
  if (materialized_ || source_ == nullptr) return result_ != nullptr ? result_->RecordCount() : 0;
  return source_->RecordCount();
}

void TSQLMemAOTable::CreateResultTable() {
  TSQLMemAO::CreateResultTable();
  if (condition_ == nullptr || condition_->IsEmpty()) return;
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
  if (HasSort()) {
    // Per sort column: "ASC" or "DESC", "CASE" or "NO_CASE".
    std::vector<AnsiString> directions, cases;
    for (std::size_t k = 0; k < sortFields_.size(); ++k) {
      directions.push_back(sortDescending_[k] ? "DESC" : "ASC");
      cases.push_back(sortCaseInsensitive_[k] ? "NO_CASE" : "CASE");
    }
    const AnsiString index = source_->FindIndexForSort(sortFields_, directions, cases);
    source_->SetIndexName(index);
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
  if (!sortIndexName_.empty()) {
    bool exists = false;
    for (int i = 0; i < source_->IndexDefs().Count(); ++i)
      exists = exists || AnsiUpperCase(source_->IndexDefs().Items(i)->Name()) == AnsiUpperCase(sortIndexName_);
    if (!exists)
      SQLMemError(11667, "Error - index '%s' does not exist in table '%s'", {sortIndexName_, tableName_});
    source_->SetIndexName(sortIndexName_);
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
