#include "engine/sql/SQLMemExprNodeField.h"

#include "engine/foundation/SQLMemConst.h"
#include "engine/foundation/SQLMemExcept.h"
#include "engine/foundation/SQLMemTypes.h"
#include "engine/sql/SQLMemColumnSource.h"
#include "engine/sql/SQLMemSelectListItem.h"
#include "engine/storage/SQLMemCursor.h"
#include "engine/storage/SQLMemSchema.h"
#include "vcl/rtl/AnsiStrings.h"
#include "vcl/rtl/Strings.h"

TSQLMemExprNodeField::TSQLMemExprNodeField(TSQLMemCursor* cursor, const AnsiString& tableName,
                                           const AnsiString& fieldName)
    : TSQLMemExprNode(0, true, false), tableName_(tableName), fieldName_(fieldName) {
  if (cursor != nullptr) BindCursor(cursor);
}

void TSQLMemExprNodeField::BindCursor(TSQLMemCursor* cursor) {
  if (cursor == nullptr) SQLMemError(30202, SQLMemValueIsNull);
  source_ = nullptr;
  cursor_ = cursor;
  Integer fieldNo = cursor->FieldDefs->IndexOfName(fieldName_);
  if (fieldNo < 0) {
    const TSQLMemFieldDefs& projected = cursor->ProjectedFieldDefs();
    const Integer projectedNo = projected.IndexOfName(fieldName_);
    if (projectedNo >= 0) fieldNo = projected.GetFieldDef(projectedNo).TableFieldNo;
  }
  if (fieldNo < 0 || fieldNo >= cursor->FieldDefs->GetCount()) SQLMemError(30115, SQLMemFieldNotFound, {fieldName_});
  const TSQLMemFieldDef& field = cursor->FieldDefs->GetFieldDef(fieldNo);
  columnIndex_ = fieldNo;
  dataSize_ = field.DataSize;
  fieldType_ = field.FieldType;
  dataType_ = field.DataType;
  declaredSize_ = field.Size;
  attribute_ = 0;
  SetRecordBuffer(cursor->CurrentRecordBuffer);
}

bool TSQLMemExprNodeField::FindIn(TSQLMemColumnSource& source, Integer* columnIndex) const {
  TSQLMemIntegerArray matches(0, 4, 64);
  if (source.FindColumns(fieldName_, tableName_, matches, false) != 1 || matches.Count() != 1) return false;
  if (columnIndex != nullptr) *columnIndex = matches.GetItem(0);
  return true;
}

void TSQLMemExprNodeField::BindToOperator(TSQLMemColumnSource* source) {
  cursor_ = nullptr;
  recordBuffer_ = nullptr;
  source_ = source;
  if (source == nullptr) return;
  Integer columnIndex = -1;
  if (!FindIn(*source, &columnIndex)) SQLMemError(30197, SQLMemFieldNotFound, {tableName_ + "." + fieldName_});
  columnIndex_ = columnIndex;
  dataSize_ = 0;
  fieldType_ = static_cast<Byte>(source->GetColumnType(columnIndex));
  dataType_ = FieldTypeToDataType(fieldType_);
  declaredSize_ = source->GetColumnSize(columnIndex);
  attribute_ = source->GetColumnPrecision(columnIndex);
}

TSQLMemVariant& TSQLMemExprNodeField::Evaluate() {
  value_.Clear(dataType_);
  if (recordBuffer_ == nullptr) {
    if (source_ == nullptr || columnIndex_ < 0) SQLMemError(30196, SQLMemDatasetAndAONotAssigned);
    // Conditions read the columns that the output leaves out too.
    source_->GetColumnValue(value_, columnIndex_, true, 0);
    return value_;
  }
  if (IsRecordFieldNull(columnIndex_, recordBuffer_)) return value_;
  if (cursor_ == nullptr) SQLMemError(11300, SQLMemNilPointer);
  // The cursor reads its current record buffer: point it at ours for this one read.
  struct Restore {
    TSQLMemCursor& cursor;
    Byte* saved;
    ~Restore() { cursor.CurrentRecordBuffer = saved; }
  } restore{*cursor_, cursor_->CurrentRecordBuffer};
  cursor_->CurrentRecordBuffer = recordBuffer_;
  cursor_->GetFieldValue(value_, columnIndex_, false, true);
  return value_;
}

Integer TSQLMemExprNodeField::GetResultType() const {
  if (fieldType_ == 0) SQLMemError(30284, SQLMemCannotDetermineExpressionType);
  return fieldType_;
}

bool TSQLMemExprNodeField::IsAvailableIn(TSQLMemColumnSource* source) const {
  return source != nullptr && FindIn(*source, nullptr);
}

bool TSQLMemExprNodeField::RefersOnlyToTable(TSQLMemColumnSource* table) const {
  return table != nullptr && source_ == table && table->TableHasField(fieldName_);
}

void TSQLMemExprNodeField::ResolveAliases(std::span<const TSQLMemSelectListItem> items) {
  if (!tableName_.empty()) return;
  for (const TSQLMemSelectListItem& item : items) {
    if (item.Expression != nullptr || item.Alias.empty()) continue;
    if (AnsiUpperCase(item.Alias) != AnsiUpperCase(fieldName_)) continue;
    // The first item named so decides: a later item whose alias is the column's own name must not
    // take the node on to a third column.
    fieldName_ = item.FieldName;
    tableName_ = item.TableName;
    return;
  }
}

Integer TSQLMemExprNodeField::FindInFieldList(const TStrings& list) const { return list.IndexOf(fieldName_); }

void TSQLMemExprNodeField::RaiseUnresolvedField() const { SQLMemError(11764, SQLMemFieldNotFound, {fieldName_}); }
