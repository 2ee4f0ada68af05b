// The column reference of an expression: a field of a table cursor, read from a record buffer, or a
// column of a query operator, read through its column source.
#pragma once
#include "engine/sql/SQLMemExprNode.h"

class TSQLMemExprNodeField : public TSQLMemExprNode {
 public:
  // With a cursor the node binds at once.
  TSQLMemExprNodeField(TSQLMemCursor* cursor, const AnsiString& tableName, const AnsiString& fieldName);

  // Finds the field among the cursor's table fields, else among its projected fields (taking the table
  // field that one shows); a nil cursor raises 30202, a missing field 30115. Then reads from the
  // cursor's current record buffer. Drops a bound operator.
  void BindCursor(TSQLMemCursor* cursor) override;
  // Finds the column in source (30197 with "table.field" unless exactly one matches) and reads it
  // through source from now on; drops a bound cursor and record buffer. nullptr only unbinds.
  void BindToOperator(TSQLMemColumnSource* source) override;
  void SetRecordBuffer(Byte* recordBuffer) override { recordBuffer_ = recordBuffer; }
  // With a record buffer: NULL when its null bit is set, otherwise the cursor reads the field from the
  // node's buffer (no cursor: 11300). Without one: the operator's column value (none bound: 30196).
  TSQLMemVariant& Evaluate() override;

  Integer GetResultType() const override;  // the column's SQL type; unbound 30284
  Integer GetResultSize() const override { return declaredSize_; }
  bool IsAvailableIn(TSQLMemColumnSource* source) const override;  // found exactly once in source
  bool UsesOperator(TSQLMemColumnSource* source) const override { return IsAvailableIn(source); }
  // Bound to this very source, and its table has a field of the name.
  bool RefersOnlyToTable(TSQLMemColumnSource* table) const override;
  // When the node names no table: the first item without expression whose alias is the field name
  // (letter case aside) gives the node its column and table names.
  void ResolveAliases(std::span<const TSQLMemSelectListItem> items) override;
  Integer FindInFieldList(const TStrings& list) const override;
  void RaiseUnresolvedField() const override;  // 11764

  const AnsiString& TableName() const { return tableName_; }
  const AnsiString& FieldName() const { return fieldName_; }
  TSQLMemCursor* Cursor() const { return cursor_; }
  TSQLMemColumnSource* Source() const { return source_; }
  Integer ColumnIndex() const { return columnIndex_; }  // table field or operator column, -1 until bound
  Byte DataType() const { return dataType_; }
  Integer DeclaredSize() const { return declaredSize_; }
  Integer ColumnAttribute() const { return attribute_; }  // the operator column's precision

 private:
  // Whether fieldName_ of tableName_ is found exactly once in source; its index goes to columnIndex.
  bool FindIn(TSQLMemColumnSource& source, Integer* columnIndex) const;

  TSQLMemCursor* cursor_ = nullptr;
  TSQLMemColumnSource* source_ = nullptr;
  Byte* recordBuffer_ = nullptr;
  AnsiString tableName_;
  AnsiString fieldName_;
  Integer columnIndex_ = -1;
  Integer dataSize_ = 0;  // bytes of the column in a record buffer; 0 when bound to an operator
  Byte fieldType_ = 0;
  Byte dataType_ = 0;
  Integer declaredSize_ = 0;
  Integer attribute_ = 0;
};
