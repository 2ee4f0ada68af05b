// The columns of an operator: the select list, ORDER BY, names and the look-up and read of a column.
#include "engine/sql/SQLMemRelationalAlgebra.h"

#include "engine/dataset/SQLMemDataSet.h"
#include "engine/dataset/SQLMemDefinitions.h"
#include "engine/foundation/SQLMemExcept.h"
#include "engine/foundation/SQLMemTypes.h"
#include "engine/sql/SQLMemExpression.h"
#include "vcl/rtl/AnsiStrings.h"
#include "vcl/rtl/NumConv.h"

namespace {

constexpr char kInvalidFieldNumber[] = "Invalid field number - FieldNo = %d, FieldCount = %d";

bool SameName(const AnsiString& a, const AnsiString& b) { return AnsiUpperCase(a) == AnsiUpperCase(b); }

}  // namespace

// ---- the select list ----

void TSQLMemAO::AddOutputColumn(Integer column) {
  for (Integer existing : outputColumns_) {
    if (existing != column) continue;
    // A column shown twice gets a second link of its own, so that each can carry its own alias.
    columns_.push_back(columns_[static_cast<std::size_t>(column)]);
    column = ColumnCount() - 1;
    break;
  }
  outputColumns_.push_back(column);
}

void TSQLMemAO::SetSelectList(std::span<const TSQLMemSelectListItem> items, bool distinct) {
  // Every expression is taken over first, so that none is lost when a later item fails.
  for (const TSQLMemSelectListItem& item : items)
    if (item.IsExpression && item.Expression != nullptr) ownedExpressions_.emplace_back(item.Expression);
  for (const TSQLMemSelectListItem& item : items) {
    if (item.IsExpression) {
      TSQLMemExpression& expression = *item.Expression;
      expression.BindToOperator(this);
      TSQLMemFieldLink link;
      link.Name = item.Alias.empty() ? MakeUniqueName("Expr") : item.Alias;
      link.DisplayName = link.Name;
      link.BaseName = link.Name;
      link.TableName = tableName_;
      link.TableAlias = tableAlias_;
      TSQLMemExprNode& root = *expression.Root();
      link.FieldType = static_cast<Byte>(root.GetResultType());
      link.Size = root.GetResultSize();
      link.Precision = root.GetResultAttribute();
      if (IsBLOBFieldType(link.FieldType)) link.BlobBlockSize = TSQLMemAdvFieldDef().BlobBlockSize;
      link.Owner = this;
      link.Hidden = false;
      link.IsAggregate = root.IsAggregated();
      link.Expression = &expression;
      hasExpressionColumns_ = true;
      columns_.push_back(link);
      outputColumns_.push_back(ColumnCount() - 1);
      continue;
    }
    const bool star = item.AllColumns;
    TSQLMemIntegerArray matches(0, 16, 1024);
    if (FindColumns(star ? AnsiString("*") : item.FieldName, item.TableName, matches, true) == 0)
      SQLMemError(10305, "Cannot find field %s", {star ? AnsiString("*") : item.FieldName});
    const Integer count = star ? matches.Count() : 1;
    for (Integer i = 0; i < count; ++i) {
      const Integer column = matches.GetItem(i);
      if (star && items.size() > 1 && columns_[static_cast<std::size_t>(column)].Expression != nullptr) continue;
      AddOutputColumn(column);
      TSQLMemFieldLink& link = columns_[static_cast<std::size_t>(outputColumns_.back())];
      if (!item.Alias.empty())
        link.DisplayName = item.Alias;
      else if (!star)
        link.DisplayName = SameName(item.FieldName, link.Name) ? item.FieldName : link.Name;
    }
  }
  for (Integer column : outputColumns_) {
    TSQLMemFieldLink& link = columns_[static_cast<std::size_t>(column)];
    if (link.DisplayName.empty()) link.DisplayName = link.Name;
  }
  if (distinct) SetDistinctFlag();
  // A column renamed to be unique (a join's ID_1) is shown under its own name again when no other
  // shown column has that name.
  for (Integer column : outputColumns_) {
    TSQLMemFieldLink& link = columns_[static_cast<std::size_t>(column)];
    if (link.DisplayName != link.Name || link.Name == link.BaseName || link.BaseName.empty()) continue;
    bool taken = false;
    for (Integer other : outputColumns_)
      if (other != column && SameName(columns_[static_cast<std::size_t>(other)].BaseName, link.BaseName)) taken = true;
    if (!taken) link.DisplayName = link.BaseName;
  }
  visibleCount_ = static_cast<Integer>(outputColumns_.size());
}

// ---- ORDER BY ----

void TSQLMemAO::SetOrderBy(std::span<const TSQLMemSortSpecification> specifications, const AnsiString& indexName) {
  if (!indexName.empty()) {
    SetSort({}, {}, {});
    sortIndexName_ = indexName;
    return;
  }
  std::vector<Integer> keys;
  std::vector<bool> descending;
  std::vector<bool> caseInsensitive;
  for (const TSQLMemSortSpecification& spec : specifications) {
    Integer column;
    if (spec.FieldNo > 0) {
      const auto outputCount = static_cast<Integer>(outputColumns_.size());
      if (spec.FieldNo - 1 >= outputCount)
        SQLMemError(11666, "Invalid field number in ORDER BY clause. FieldNo = %d, number of fields = %d",
                    {spec.FieldNo - 1, outputCount});
      column = outputColumns_[static_cast<std::size_t>(spec.FieldNo - 1)];
    } else {
      TSQLMemIntegerArray matches(0, 4, 64);
      if (FindColumns(spec.FieldName, spec.TableName, matches, true) == 0)
        SQLMemError(30195, "Column '%s' from ORDER BY clause not found", {spec.FieldName});
      column = matches.GetItem(0);
    }
    bool shown = false;
    for (Integer existing : outputColumns_) shown = shown || existing == column;
    if (!shown) {
      // Read for sorting only: after the shown columns, and kept out of the result's visible fields.
      columns_[static_cast<std::size_t>(column)].Hidden = false;
      outputColumns_.push_back(column);
    }
    keys.push_back(column);
    descending.push_back(spec.Descending);
    caseInsensitive.push_back(spec.CaseInsensitive);
  }
  SetSort(std::move(keys), std::move(descending), std::move(caseInsensitive));
}

void TSQLMemAO::SetSort(std::vector<Integer> columns, std::vector<bool> descending, std::vector<bool> caseInsensitive) {
  sortColumns_ = std::move(columns);
  sortDescending_ = std::move(descending);
  sortCaseInsensitive_ = std::move(caseInsensitive);
  sortIndexName_.clear();
  sortFields_.clear();
  for (Integer column : sortColumns_) sortFields_.push_back(GetColumnName(column, false));
}

// ---- names ----

AnsiString TSQLMemAO::GetColumnName(Integer index, bool own) const {
  if (index < 0 || index >= ColumnCount()) SQLMemError(10306, kInvalidFieldNumber, {index, ColumnCount()});
  const TSQLMemFieldLink& link = columns_[static_cast<std::size_t>(index)];
  if (link.Owner != nullptr && link.Owner != this && !own) return link.Owner->GetColumnName(link.SourceIndex, false);
  return link.Name;
}

void TSQLMemAO::MakeColumnNamesUnique() {
  for (Integer i = 0; i < ColumnCount(); ++i) {
    TSQLMemFieldLink& link = columns_[static_cast<std::size_t>(i)];
    link.Name = GetColumnName(i, false);
    if (link.Name.empty()) link.Name = MakeUniqueName("Expr");
  }
  for (Integer i = 1; i < ColumnCount(); ++i) {
    TSQLMemFieldLink& link = columns_[static_cast<std::size_t>(i)];
    link.BaseName = link.Name;
    const auto collides = [&](const AnsiString& name) {
      for (Integer j = 0; j < i; ++j)
        if (SameName(columns_[static_cast<std::size_t>(j)].Name, name)) return true;
      return false;
    };
    for (Integer retry = 1; collides(link.Name); ++retry) link.Name += retry == 1 ? AnsiString("_1") : IntToStr(retry);
  }
}

// ---- the column source ----

Integer TSQLMemAO::FindColumns(const AnsiString& fieldName, const AnsiString& tableName, TSQLMemIntegerArray& result,
                               bool markUsed) {
  if (isTableOperator_ && !tableName.empty() && !SameName(tableName, tableName_) && !SameName(tableName, tableAlias_))
    return 0;
  const bool star = fieldName == "*";
  Integer found = 0;
  const auto add = [&](Integer column) {
    if (result.Contains(column)) return;
    result.Append(column);
    ++found;
    if (markUsed) columns_[static_cast<std::size_t>(column)].Hidden = false;
  };
  for (TSQLMemAO* input : {left_.get(), right_.get()}) {
    if (input == nullptr) continue;
    TSQLMemIntegerArray matches(0, 16, 1024);
    input->FindColumns(fieldName, tableName, matches, markUsed);
    for (Integer m = 0; m < matches.Count(); ++m)
      for (Integer c = 0; c < ColumnCount(); ++c) {
        const TSQLMemFieldLink& link = columns_[static_cast<std::size_t>(c)];
        if (link.Owner == input && link.SourceIndex == matches.GetItem(m)) add(c);
      }
  }
  if (star) {
    for (Integer c = 0; c < ColumnCount(); ++c) {
      const TSQLMemFieldLink& link = columns_[static_cast<std::size_t>(c)];
      if (isTableOperator_ || (link.Expression != nullptr && SameName(tableName, tableName_))) add(c);
    }
    return found;
  }
  for (Integer c = 0; c < ColumnCount(); ++c) {
    const TSQLMemFieldLink& link = columns_[static_cast<std::size_t>(c)];
    if (!SameName(link.Name, fieldName) && !SameName(link.DisplayName, fieldName)) continue;
    if (!tableName.empty() && !SameName(link.TableName, tableName) && !SameName(link.TableAlias, tableName)) continue;
    add(c);
    break;
  }
  return found;
}

void TSQLMemAO::GetColumnValue(TSQLMemVariant& value, Integer columnIndex, bool allowHidden, Integer option) {
  if (columnIndex < 0 || columnIndex >= ColumnCount())
    SQLMemError(10307, kInvalidFieldNumber, {columnIndex, ColumnCount()});
  const TSQLMemFieldLink& link = columns_[static_cast<std::size_t>(columnIndex)];
  // Every source below sets the value whole (type, null mark, data); a value's block of the same
  // size is reused then, where clearing it first would free it and allocate it again per read.
  if (link.DataSet == nullptr && link.Owner == nullptr)
    SQLMemError(10309, "Invalid field link: table name = %s, FieldNo = %d", {tableName_, columnIndex});
  if (!allowHidden && link.Hidden)
    SQLMemError(10310, "Cannot access hidden field: table name = %s, field name = %s, display name = %s, FieldNo = %d",
                {tableName_, link.Name, link.DisplayName, columnIndex});
  if (link.Expression != nullptr)
    value.Assign(link.Expression->Root()->Evaluate(), true);
  else if (link.DataSet != nullptr)
    link.DataSet->GetFieldValue(value, link.SourceIndex);
  else
    link.Owner->GetColumnValue(value, link.SourceIndex, allowHidden, option);
}

Integer TSQLMemAO::GetColumnType(Integer columnIndex) const {
  if (columnIndex < 0 || columnIndex >= ColumnCount())
    SQLMemError(10376, kInvalidFieldNumber, {columnIndex, ColumnCount()});
  return columns_[static_cast<std::size_t>(columnIndex)].FieldType;
}

Integer TSQLMemAO::GetColumnSize(Integer columnIndex) const {
  if (columnIndex < 0 || columnIndex >= ColumnCount())
    SQLMemError(10377, kInvalidFieldNumber, {columnIndex, ColumnCount()});
  return columns_[static_cast<std::size_t>(columnIndex)].Size;
}

Integer TSQLMemAO::GetColumnPrecision(Integer columnIndex) const {
  if (columnIndex < 0 || columnIndex >= ColumnCount())
    SQLMemError(10378, kInvalidFieldNumber, {columnIndex, ColumnCount()});
  return columns_[static_cast<std::size_t>(columnIndex)].Precision;
}

bool TSQLMemAO::TableHasField(const AnsiString&) const { return false; }
