// The group-by operator: one output row per group of its input's rows, with the aggregates of the
// select list and of HAVING computed over the group. The input is asked for its rows in the order of
// the grouping columns, so a group is a run of rows with equal keys (NULL keys form one group) and one
// pass with one key comparison per row finds them all. Without GROUP BY the whole input is one group;
// a select list of COUNT(*) alone then takes the input's record count without reading a row.
//
// An empty input gives no row, except when the select list has aggregates: then one row, with the
// aggregates of no rows and every other column NULL.
#pragma once
#include <memory>
#include <vector>

#include "engine/sql/SQLMemRelationalAlgebra.h"

class TSQLMemAOGroupBy : public TSQLMemAO {
 public:
  // groupByFields: the GROUP BY columns (none or empty: no grouping). Each must name exactly one
  // column of the input (10343); the input is sorted by them.
  TSQLMemAOGroupBy(std::unique_ptr<TSQLMemAO> input, const TSQLMemFields* groupByFields);
  ~TSQLMemAOGroupBy() override;

  // The base's select list. A plain column must exist
  // (10341) and, with GROUP BY, be a grouping column (10342); the operator takes over every item's
  // expression, also when it fails.
  void SetSelectList(std::span<const TSQLMemSelectListItem> items, bool distinct) override;
  // Every column that anything bound to this operator looks up is read from the input's result, so the
  // input keeps it among its output whatever the caller asks.
  Integer FindColumns(const AnsiString& fieldName, const AnsiString& tableName, TSQLMemIntegerArray& result,
                      bool markUsed) override;
  void GetColumnValue(TSQLMemVariant& value, Integer columnIndex, bool allowHidden, Integer option) override;

  // Whether the input is counted instead of read: a select list of one expression whose aggregates are
  // all COUNT(*), without GROUP BY and without HAVING (whose aggregates must see every row, since HAVING
  // is tested before a row's columns are read). CountStarOnly: that expression is COUNT(*) itself.
  bool CountShortcut() const;
  bool CountStarOnly() const { return countStarOnly_; }

 protected:
  void DoFirst() override;
  void DoNext() override;
  bool DoEof() override;
  Integer DoGetRecordCount() override;

 private:
  TSQLMemAO& Input() const { return *left_; }
  void CheckSelectList(std::span<const TSQLMemSelectListItem> items);
  bool HasAggregates() const;
  void ResetAggregates();
  void AccumulateAggregates(Integer count);
  // Reads the group that starts at the input's current row; the input is left on its last row.
  void ReadGroup();

  bool noGrouping_;
  std::vector<Integer> groupColumns_;
  std::vector<std::unique_ptr<TSQLMemVariant>> groupValues_;
  TSQLMemVariant keyValue_;
  bool atEnd_ = false;
  // The empty input's one row: only aggregate columns are read, every other one is NULL.
  bool aggregateNullRow_ = false;
  bool countShortcut_ = false;
  bool countStarOnly_ = false;
  bool shortcutCounted_ = false;
};
