#include "engine/sql/SQLMemRelationalAlgebra.h"

#include "engine/dataset/SQLMemDefinitions.h"
#include "engine/dataset/SQLMemTable.h"
#include "engine/foundation/SQLMemExcept.h"
#include "engine/foundation/SQLMemTypes.h"
#include "engine/sql/SQLMemExpression.h"
#include "engine/sql/SQLMemRecordComparison.h"
#include "engine/sql/SQLMemRelationalAlgebraSortLists.h"
#include "vcl/db/IndexDefs.h"
#include "vcl/rtl/AnsiStrings.h"
#include "vcl/rtl/NumConv.h"

TSQLMemAO::TSQLMemAO(std::unique_ptr<TSQLMemAO> left, std::unique_ptr<TSQLMemAO> right, const AnsiString& tableAlias,
                     const AnsiString& tableName)
    : tableName_(tableName), tableAlias_(tableAlias), left_(std::move(left)), right_(std::move(right)) {}

TSQLMemAO::~TSQLMemAO() { DropOwnedResult(); }

void TSQLMemAO::SetCondition(std::unique_ptr<TSQLMemExpression> condition) { condition_ = std::move(condition); }

std::unique_ptr<TSQLMemExpression> TSQLMemAO::ReleaseCondition() { return std::move(condition_); }

void TSQLMemAO::SetResultTable(bool inMemory, const AnsiString& tableName, const AnsiString& databaseName) {
  resultInMemory_ = inMemory;
  resultTableName_ = tableName;
  resultDatabaseName_ = databaseName;
}

void TSQLMemAO::SetTop(Integer firstRow, Integer rowCount) {
  topCount_ = rowCount;
  topFirstRow_ = firstRow < 0 ? 1 : firstRow;
}

bool TSQLMemAO::PassesConditionsTo(const TSQLMemAO&) const { return true; }

// ---- reading ----

Integer TSQLMemAO::DoGetRecordCount() { return materialized_ && result_ != nullptr ? result_->RecordCount() : 0; }

void TSQLMemAO::First() {
  if (materialized_)
    result_->First();
  else
    DoFirst();
}

void TSQLMemAO::Next() {
  if (materialized_)
    result_->Next();
  else
    DoNext();
}

bool TSQLMemAO::Eof() { return materialized_ ? result_->Eof() : DoEof(); }

Integer TSQLMemAO::RecordCount() { return materialized_ ? result_->RecordCount() : DoGetRecordCount(); }

bool TSQLMemAO::RecordMatches() { return condition_ == nullptr || condition_->GetBooleanValue(); }

// ---- running ----

void TSQLMemAO::LockTables() {
  if (left_ != nullptr) left_->LockTables();
  if (right_ != nullptr) right_->LockTables();
}

void TSQLMemAO::UnlockTables() {
  if (left_ != nullptr) left_->UnlockTables();
  if (right_ != nullptr) right_->UnlockTables();
}

void TSQLMemAO::Execute(bool topLevel) {
  isTopLevel_ = topLevel;
  if (condition_ != nullptr && !condition_->IsEmpty()) condition_->BindToOperator(this);
  if (left_ != nullptr) left_->Execute(false);
  if (right_ != nullptr) right_->Execute(false);
  Materialize();
}

void TSQLMemAO::PrepareExecution() {
  if (visibleCount_ == 0) {
    outputColumns_.clear();
    for (Integer c = 0; c < ColumnCount(); ++c)
      if (!columns_[static_cast<std::size_t>(c)].Hidden) outputColumns_.push_back(c);
  }
  if (distinct_) {
    rowValues_.clear();
    for (std::size_t i = 0; i < outputColumns_.size(); ++i) rowValues_.push_back(std::make_unique<TSQLMemVariant>());
    recordComparison_ = std::make_unique<TSQLMemRecordComparison>(static_cast<Integer>(outputColumns_.size()),
                                                                  DoGetRecordCount());
  }
  hasTop_ = HasLimit();
  topDuringScan_ = hasTop_ && !HasSort();
  copyIntoResult_ = !resultTableName_.empty() && ((hasTop_ && !topDuringScan_) || HasSort());
}

std::unique_ptr<TSQLMemTable> TSQLMemAO::NewResultTable(bool intoTarget) const {
  std::unique_ptr<TSQLMemTable> table(New<TSQLMemTable>(nullptr));
  if (intoTarget) {
    table->SetInMemory(resultInMemory_);
    table->SetDatabaseName(resultDatabaseName_);
    table->SetTableName(resultTableName_);
  } else {
    table->SetTemporary(true);
    do table->SetTableName(MakeUniqueName("TEMPORARY_TABLE_"));
    while (table->Exists());
  }
  table->FieldDefs().Clear();
  table->IndexDefs().Clear();
  table->AdvFieldDefs().Clear();
  table->ForeignKeyDefs().Clear();
  return table;
}

void TSQLMemAO::SetResult(std::unique_ptr<TSQLMemDataSet> result) {
  DropOwnedResult();
  ownedResult_ = std::move(result);
  result_ = ownedResult_.get();
}

void TSQLMemAO::DropOwnedResult() noexcept {
  if (ownedResult_ == nullptr) return;
  if (result_ == ownedResult_.get()) result_ = nullptr;
  try {
    auto* table = dynamic_cast<TSQLMemTable*>(ownedResult_.get());
    if (table != nullptr) {
      // A result of "TEMP" goes with the operator; an INTO table stays. A temporary table is usually
      // gone already, with the last cursor that closed on it: asking first spares raising and
      // swallowing "table not found" at every run.
      const bool temporary = table->Temporary();
      if (table->Active()) table->Close();
      if (temporary && table->Exists()) table->DeleteTable(true);
    }
  } catch (...) {
    // A table that cannot be dropped now goes with the temporary database.
  }
  ownedResult_.reset();
}

namespace {

// Defines one field per name with the column's type (an auto-increment type as the plain type of the
// same data), size and BLOB attributes.
void DefineField(TSQLMemTable& table, const AnsiString& name, const TSQLMemFieldLink& link) {
  TSQLMemAdvFieldDef* field = table.AdvFieldDefs().Add();
  field->Name = name;
  field->FieldType = IsAutoIncFieldType(link.FieldType)
                         ? static_cast<Byte>(DataTypeToFieldType(FieldTypeToDataType(link.FieldType)))
                         : link.FieldType;
  field->Size = link.Size;
  // A text of unknown length (an expression) gets the size an expression column gets.
  if (IsStringFieldType(field->FieldType) && field->Size <= 0) field->Size = 1024;
  field->BlobCompressionAlgorithm = link.BlobCompressionAlgorithm;
  field->BlobCompressionMode = link.BlobCompressionMode;
  if (link.BlobBlockSize > 0) field->BlobBlockSize = link.BlobBlockSize;
}

}  // namespace

void TSQLMemAO::CreateResultTable() {
  std::unique_ptr<TSQLMemTable> table = NewResultTable(!resultTableName_.empty() && !copyIntoResult_);
  resultFieldNames_.clear();
  for (Integer column : outputColumns_) {
    const TSQLMemFieldLink& link = columns_[static_cast<std::size_t>(column)];
    const AnsiString base = link.DisplayName.empty() ? link.Name : link.DisplayName;
    AnsiString name = base;
    for (Integer n = 1; table->AdvFieldDefs().FindByName(name) != nullptr; ++n) name = base + "_" + IntToStr(n);
    DefineField(*table, name, link);
    resultFieldNames_.push_back(name);
  }
  if (HasSort()) {
    // The index names the result's own fields, which carry the aliases.
    std::vector<AnsiString> fields, directions, cases;
    for (std::size_t k = 0; k < sortColumns_.size(); ++k) {
      std::size_t position = 0;
      while (outputColumns_[position] != sortColumns_[k]) ++position;
      fields.push_back(resultFieldNames_[position]);
      directions.push_back(sortDescending_[k] ? "DESC" : "ASC");
      cases.push_back(sortCaseInsensitive_[k] ? "NO_CASE" : "CASE");
    }
    AnsiString fieldsText, descText, caseInsText;
    JoinSortLists(fieldsText, descText, caseInsText, cases, directions, fields);
    TIndexDef* index = table->IndexDefs().Add(MakeUniqueName("TEMPORARY_TABLE_INDEX_"), fieldsText, {});
    index->SetDescFields(descText);
    index->SetCaseInsFields(caseInsText);
  }
  table->CreateTable();
  table->Open();
  SetResult(std::move(table));
}

void TSQLMemAO::AppendRow(const std::vector<std::unique_ptr<TSQLMemVariant>>& values) {
  if (!resultTableName_.empty() && !copyIntoResult_) {
    // An INTO table filled here is the application's: its rows are posted as any other's.
    result_->Append();
    for (std::size_t i = 0; i < values.size(); ++i) result_->SetFieldValue(*values[i], static_cast<Integer>(i));
    result_->Post();
    return;
  }
  // The operator's own table: the record goes straight through its cursor (read from First later).
  rowPointers_.clear();
  for (const auto& value : values) rowPointers_.push_back(value.get());
  result_->AppendRecordDirect(rowPointers_.data(), static_cast<Integer>(rowPointers_.size()));
}

void TSQLMemAO::InsertResultRecord(Int64& qualifying, Int64& written) {
  const Integer visible = visibleCount_ > 0 ? visibleCount_ : static_cast<Integer>(outputColumns_.size());
  if (distinct_) {
    for (std::size_t i = 0; i < outputColumns_.size(); ++i) {
      GetColumnValue(*rowValues_[i], outputColumns_[i], true, 0);
      if (static_cast<Integer>(i) < visible) recordComparison_->SetItem(*rowValues_[i], static_cast<Integer>(i));
    }
    recordComparison_->CombineHashes();
    if (!recordComparison_->IsNew()) return;
  } else {
    rowValues_.resize(outputColumns_.size());
    for (std::size_t i = 0; i < outputColumns_.size(); ++i) {
      if (rowValues_[i] == nullptr) rowValues_[i] = std::make_unique<TSQLMemVariant>();
      GetColumnValue(*rowValues_[i], outputColumns_[i], true, 0);
    }
  }
  // TOP n, m during the scan: the first m - 1 qualifying rows are skipped, and only appended rows count.
  if (topDuringScan_ && topFirstRow_ >= 0 && ++qualifying < topFirstRow_) return;
  AppendRow(rowValues_);
  ++written;
}

void TSQLMemAO::Materialize() {
  if (materialized_) return;
  try {
    PrepareExecution();
    CreateResultTable();
    Int64 qualifying = 0;
    Int64 written = 0;
    for (First(); !Eof(); Next()) {
      if (topDuringScan_ && topCount_ >= 0 && written >= topCount_) break;
      if (RecordMatches()) InsertResultRecord(qualifying, written);
    }
    // The rows went in past the dataset: it reads them from the start.
    if (written > 0) result_->First();
    auto* table = dynamic_cast<TSQLMemTable*>(result_);
    if (HasSort() && table != nullptr) {
      if (table->IndexDefs().Count() != 1) SQLMemError(11385, "Invalid index count = %d", {table->IndexDefs().Count()});
      table->SetIndexName(table->IndexDefs().Items(0)->Name());
    }
    const auto outputCount = static_cast<Integer>(outputColumns_.size());
    if (visibleCount_ > 0 && visibleCount_ < outputCount) {
      const std::vector<AnsiString> shown(resultFieldNames_.begin(), resultFieldNames_.begin() + visibleCount_);
      result_->SetProjection(shown, shown);
    }
    if (copyIntoResult_ && !hasTop_) {
      topFirstRow_ = 1;
      topCount_ = result_->RecordCount();
      CopyWithLimit();
    } else if (hasTop_ && !topDuringScan_) {
      CopyWithLimit();
    }
    materialized_ = true;
    ReleaseInputs();
  } catch (...) {
    FinishExecution();
    throw;
  }
  FinishExecution();
}

void TSQLMemAO::FinishExecution() noexcept {
  rowValues_.clear();
  recordComparison_.reset();
}

void TSQLMemAO::CopyWithLimit() {
  std::unique_ptr<TSQLMemTable> copy = NewResultTable(copyIntoResult_);
  const auto outputCount = static_cast<Integer>(outputColumns_.size());
  const Integer shown = visibleCount_ > 0 && visibleCount_ < outputCount ? visibleCount_ : outputCount;
  for (Integer i = 0; i < shown; ++i)
    DefineField(*copy, resultFieldNames_[static_cast<std::size_t>(i)],
                columns_[static_cast<std::size_t>(outputColumns_[static_cast<std::size_t>(i)])]);
  bool created = false;
  try {
    copy->CreateTable();
    created = true;
    copy->Open();
    TSQLMemVariant value;
    Int64 row = 0;
    Int64 copied = 0;
    for (result_->First(); !result_->Eof(); result_->Next()) {
      if (topCount_ >= 0 && copied >= topCount_) break;
      if (++row < topFirstRow_) continue;
      copy->Append();
      for (Integer i = 0; i < shown; ++i) {
        result_->GetFieldValue(value, i);
        copy->SetFieldValue(value, i);
      }
      copy->Post();
      ++copied;
    }
  } catch (...) {
    if (created && copy->Temporary()) {
      try {
        if (copy->Active()) copy->Close();
        copy->DeleteTable(true);
      } catch (...) {
        // Left to the temporary database.
      }
    }
    throw;
  }
  SetResult(std::move(copy));
  // Every output column is a shown field of the copy now.
  outputColumns_.resize(static_cast<std::size_t>(shown));
}

void TSQLMemAO::ReleaseInputs() {
  const auto shownFields = static_cast<Integer>(result_ != nullptr ? result_->FieldCount() : 0);
  for (Integer c = 0; c < ColumnCount(); ++c) {
    TSQLMemFieldLink& link = columns_[static_cast<std::size_t>(c)];
    link.Owner = nullptr;
    link.DataSet = nullptr;
    link.Expression = nullptr;
    link.IsAggregate = false;
    link.SourceIndex = -1;
  }
  for (std::size_t p = 0; p < outputColumns_.size(); ++p) {
    if (static_cast<Integer>(p) >= shownFields) break;
    TSQLMemFieldLink& link = columns_[static_cast<std::size_t>(outputColumns_[p])];
    link.DataSet = result_;
    link.SourceIndex = static_cast<Integer>(p);
  }
  condition_.reset();
  ownedExpressions_.clear();
  left_.reset();
  right_.reset();
}
