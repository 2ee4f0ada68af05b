#include "engine/sql/SQLMemRelationalAlgebraGroupBy.h"

#include <algorithm>

#include "engine/dataset/SQLMemDataSet.h"
#include "engine/foundation/SQLMemExcept.h"
#include "engine/foundation/SQLMemTypes.h"
#include "engine/sql/SQLMemExprNodeAggregated.h"
#include "engine/sql/SQLMemExpression.h"
#include "engine/sql/SQLMemRelationalAlgebraSortLists.h"

namespace {

// Whether every aggregate of the subtree is COUNT(*): only then may the whole input be counted at once.
bool CountsRowsOnly(const TSQLMemExprNode& node) {
  if (dynamic_cast<const TSQLMemExprNodeAggregated*>(&node) != nullptr) return node.Operator() == opCountAll;
  for (Integer i = 0; i < node.ChildCount(); ++i)
    if (!CountsRowsOnly(node.Child(i))) return false;
  return true;
}

// Hands the expressions of items to their end when the select list is refused before the base took
// them over.
void FreeExpressions(std::span<const TSQLMemSelectListItem> items) noexcept {
  for (const TSQLMemSelectListItem& item : items)
    if (item.IsExpression) delete item.Expression;
}

}  // namespace

TSQLMemAOGroupBy::TSQLMemAOGroupBy(std::unique_ptr<TSQLMemAO> input, const TSQLMemFields* groupByFields)
    : TSQLMemAO(std::move(input), nullptr, AnsiString(), AnsiString()),
      noGrouping_(groupByFields == nullptr || groupByFields->Count() == 0) {
  for (Integer i = 0; i < Input().ColumnCount(); ++i) {
    TSQLMemFieldLink link = Input().Column(i);
    link.Owner = &Input();
    link.DataSet = nullptr;
    link.SourceIndex = i;
    link.Expression = nullptr;
    link.IsAggregate = false;
    link.Hidden = true;
    columns_.push_back(link);
  }
  if (noGrouping_) return;
  AnsiString sortText;
  for (Integer i = 0; i < groupByFields->Count(); ++i) {
    const TSQLMemSelectListItem& item = groupByFields->Item(i);
    TSQLMemIntegerArray matches(0, 4, 64);
    const Integer found = FindColumns(item.FieldName, item.TableName, matches, true);
    if (found != 1)
      SQLMemError(10343, "Invalid field for join operation. Table name = '%s', FieldName = '%s', i = %d, FieldExists = %d",
                  {item.TableName, item.FieldName, i, found});
    const Integer column = matches.GetItem(0);
    groupColumns_.push_back(column);
    groupValues_.push_back(std::make_unique<TSQLMemVariant>());
    if (!sortText.empty()) sortText += ';';
    sortText += Input().GetColumnName(columns_[static_cast<std::size_t>(column)].SourceIndex, true);
  }
  // The input delivers its rows ordered by the grouping columns, so that each group is one run.
  std::vector<AnsiString> cases, directions, fields;
  BuildSortLists(sortText, AnsiString(), AnsiString(), cases, directions, fields);
  std::vector<TSQLMemSortSpecification> sort(fields.size());
  for (std::size_t k = 0; k < fields.size(); ++k) {
    sort[k].FieldName = fields[k];
    sort[k].Descending = directions[k] == "DESC";
    sort[k].CaseInsensitive = cases[k] == "NO_CASE";
  }
  Input().SetOrderBy(sort, AnsiString());
}

TSQLMemAOGroupBy::~TSQLMemAOGroupBy() = default;

// ---- building ----

void TSQLMemAOGroupBy::CheckSelectList(std::span<const TSQLMemSelectListItem> items) {
  for (const TSQLMemSelectListItem& item : items) {
    if (item.IsExpression) continue;
    const AnsiString name = item.AllColumns ? AnsiString("*") : item.FieldName;
    TSQLMemIntegerArray matches(0, 16, 1024);
    if (FindColumns(name, item.TableName, matches, false) == 0)
      SQLMemError(10341, "Cannot find field %s in table %s", {name, item.TableName});
    if (noGrouping_) continue;
    for (Integer m = 0; m < matches.Count(); ++m) {
      const Integer column = matches.GetItem(m);
      if (std::find(groupColumns_.begin(), groupColumns_.end(), column) != groupColumns_.end()) continue;
      SQLMemError(10342,
                  "Field is not included in GROUP BY list. Table name = '%s', Field name = '%s', FieldNo = %d, "
                  "Found field name = '%s'",
                  {item.TableName, name, column, Column(column).Name});
    }
  }
}

void TSQLMemAOGroupBy::SetSelectList(std::span<const TSQLMemSelectListItem> items, bool distinct) {
  try {
    CheckSelectList(items);
  } catch (...) {
    FreeExpressions(items);
    throw;
  }
  // Rows that show every grouping column are distinct already; DISTINCT still removes the equal rows
  // of a select list that leaves a grouping column out.
  TSQLMemAO::SetSelectList(items, distinct);
  if (items.empty()) return;
  countShortcut_ = noGrouping_ && items.size() == 1;
  countStarOnly_ = true;
  if (countShortcut_ && items[0].IsExpression) {
    const TSQLMemExpression& expression = *items[0].Expression;
    // COUNT(*) beside another aggregate needs every row: the shortcut is for row counts alone.
    countShortcut_ = expression.ContainsCountStar() && CountsRowsOnly(*expression.Root());
    countStarOnly_ = expression.IsCountStar();
  }
  if (countShortcut_) {
    // The input is counted, not read: it shows every column, so that its result has fields.
    TSQLMemIntegerArray all(0, 16, 1024);
    FindColumns("*", AnsiString(), all, true);
  }
}

Integer TSQLMemAOGroupBy::FindColumns(const AnsiString& fieldName, const AnsiString& tableName,
                                      TSQLMemIntegerArray& result, bool markUsed) {
  if (!markUsed && left_ != nullptr) {
    TSQLMemIntegerArray used(0, 16, 1024);
    left_->FindColumns(fieldName, tableName, used, true);
  }
  return TSQLMemAO::FindColumns(fieldName, tableName, result, markUsed);
}

bool TSQLMemAOGroupBy::CountShortcut() const {
  return countShortcut_ && (condition_ == nullptr || condition_->IsEmpty());
}

// ---- aggregates ----

bool TSQLMemAOGroupBy::HasAggregates() const {
  return std::any_of(columns_.begin(), columns_.end(), [](const TSQLMemFieldLink& link) { return link.IsAggregate; });
}

void TSQLMemAOGroupBy::ResetAggregates() {
  for (TSQLMemFieldLink& link : columns_)
    if (link.IsAggregate && link.Expression != nullptr) link.Expression->ResetAggregates();
  if (condition_ != nullptr && condition_->ContainsAggregate()) condition_->ResetAggregates();
}

void TSQLMemAOGroupBy::AccumulateAggregates(Integer count) {
  for (TSQLMemFieldLink& link : columns_)
    if (link.IsAggregate && link.Expression != nullptr) link.Expression->AccumulateAggregates(count);
  if (condition_ != nullptr && condition_->ContainsAggregate()) condition_->AccumulateAggregates(count);
}

// ---- rows ----

void TSQLMemAOGroupBy::ReadGroup() {
  TSQLMemAO& input = Input();
  ResetAggregates();
  for (std::size_t k = 0; k < groupColumns_.size(); ++k) GetColumnValue(*groupValues_[k], groupColumns_[k], true, 0);
  AccumulateAggregates(1);
  input.Next();
  while (!input.Eof()) {
    bool differs = false;
    // The next group reads its key again, so a differing key needs no storing here.
    for (std::size_t k = 0; k < groupColumns_.size() && !differs; ++k) {
      GetColumnValue(keyValue_, groupColumns_[k], true, 0);
      // Two NULL keys compare equal: NULL keys form one group.
      differs = keyValue_.Compare(*groupValues_[k], false, false, false) != 0;
    }
    if (differs) {
      // Back onto the group's last row: its plain columns are the group's.
      input.ResultDataSet()->Prior();
      return;
    }
    AccumulateAggregates(1);
    input.Next();
  }
}

void TSQLMemAOGroupBy::DoFirst() {
  TSQLMemAO& input = Input();
  atEnd_ = false;
  aggregateNullRow_ = false;
  shortcutCounted_ = false;
  input.First();
  if (input.Eof()) {
    if (HasAggregates()) {
      aggregateNullRow_ = true;
      ResetAggregates();
    } else {
      atEnd_ = true;
    }
    return;
  }
  if (noGrouping_) {
    ResetAggregates();
    if (!CountShortcut())
      for (; !input.Eof(); input.Next()) AccumulateAggregates(1);
    return;
  }
  ReadGroup();
}

void TSQLMemAOGroupBy::DoNext() {
  if (noGrouping_ || aggregateNullRow_) {
    atEnd_ = true;
    return;
  }
  TSQLMemAO& input = Input();
  input.Next();
  atEnd_ = input.Eof();
  if (!atEnd_) ReadGroup();
}

bool TSQLMemAOGroupBy::DoEof() { return atEnd_; }

Integer TSQLMemAOGroupBy::DoGetRecordCount() {
  return left_ != nullptr ? Input().RecordCount() : TSQLMemAO::DoGetRecordCount();
}

void TSQLMemAOGroupBy::GetColumnValue(TSQLMemVariant& value, Integer columnIndex, bool allowHidden, Integer option) {
  if (!materialized_ && left_ != nullptr && columnIndex >= 0 && columnIndex < ColumnCount()) {
    const TSQLMemFieldLink& link = columns_[static_cast<std::size_t>(columnIndex)];
    if (aggregateNullRow_ && !link.IsAggregate) {
      value.Clear(FieldTypeToDataType(link.FieldType));
      return;
    }
    if (link.Expression != nullptr && CountShortcut()) {
      if (countStarOnly_) {
        value.Clear(edtInteger);
        value.SetAsInteger(Input().RecordCount());
        return;
      }
      // Counted once per row produced, however often the column is read.
      if (!shortcutCounted_) AccumulateAggregates(Input().RecordCount());
      shortcutCounted_ = true;
      TSQLMemAO::GetColumnValue(value, columnIndex, allowHidden, 1);
      return;
    }
  }
  TSQLMemAO::GetColumnValue(value, columnIndex, allowHidden, option);
}
