// The join operator: the rows of two inputs combined. A cross join walks both inputs as nested loops;
// every other join walks one input (the driving side) and, for each of its rows, looks for the rows
// of the other (the lookup side) whose join columns hold the same values. The lookup is a filter on
// the lookup side's cursor (the join columns equal to constants that each driving row sets), so an
// index of the lookup side on a join column serves the search. Join columns that are both null match
// each other. Where every join column holds integers and the lookup side has no BLOB column, the
// lookup rows are instead read once into a hash by key (unless an index serves a driving side much
// smaller than the lookup side), and each driving row finds its matches there, in the lookup side's
// order as the filter finds them. An outer join produces a driving row without a match once, with the lookup side null; a
// full join then produces every lookup row no driving row matched, the driving side null.
#pragma once
#include <cstddef>
#include <memory>
#include <vector>

#include "engine/sql/SQLMemIntegerKeyHash.h"
#include "engine/sql/SQLMemRelationalAlgebra.h"

class TSQLMemExprNode;
class TSQLMemExprNodeComparison;
class TSQLMemExprNodeConst;

class TSQLMemAOJoin : public TSQLMemAO {
 public:
  enum : Byte { kCross = 0, kInner = 1, kLeft = 2, kRight = 3, kFull = 4 };

  // firstFields and secondFields hold, pair by pair, the two fields of the join's equalities (either
  // input in either list; each pair is sorted by input). A natural join pairs the columns of equal
  // names. 10330-10334 for lists that do not make pairs of one left and one right column.
  TSQLMemAOJoin(std::unique_ptr<TSQLMemAO> left, std::unique_ptr<TSQLMemAO> right, Byte joinType, bool natural,
                const TSQLMemFields& firstFields, const TSQLMemFields& secondFields);
  ~TSQLMemAOJoin() override;

  // The part of an outer join's ON that is tested on every candidate pair (never on produced rows).
  void SetMatchCondition(std::unique_ptr<TSQLMemExpression> condition);
  void Execute(bool topLevel) override;
  bool PassesConditionsTo(const TSQLMemAO& input) const override;
  void GetColumnValue(TSQLMemVariant& value, Integer columnIndex, bool allowHidden, Integer option) override;

  Byte JoinType() const { return joinType_; }
  bool LeftDrives() const { return leftDrives_; }
  const std::vector<Integer>& LeftJoinColumns() const { return leftJoinColumns_; }
  const std::vector<Integer>& RightJoinColumns() const { return rightJoinColumns_; }

 protected:
  void DoFirst() override;
  void DoNext() override;
  bool DoEof() override;
  Integer DoGetRecordCount() override;

 private:
  void AddPairColumn(const TSQLMemSelectListItem& field, std::vector<Integer>& target, Integer index, Integer code);
  void ChooseDrivingSide();
  // Whether an index of the input's result can serve the search on one of the input's join columns.
  bool HasUsableIndex(const TSQLMemAO& input, const std::vector<Integer>& joinColumns) const;
  // The input's record count, five times over for a table on disk with wide-character fields.
  Int64 WeightedCount(TSQLMemAO& input) const;
  // The name of the table field of the input's result that a join column reads; empty when the
  // column does not read a field of that result.
  AnsiString ResultFieldName(const TSQLMemAO& input, Integer joinColumn) const;
  TSQLMemAO& Driving() const { return leftDrives_ ? *left_ : *right_; }
  TSQLMemAO& Lookup() const { return leftDrives_ ? *right_ : *left_; }
  const std::vector<Integer>& DrivingColumns() const { return leftDrives_ ? leftJoinColumns_ : rightJoinColumns_; }
  const std::vector<Integer>& LookupColumns() const { return leftDrives_ ? rightJoinColumns_ : leftJoinColumns_; }
  // Sets the lookup condition as the lookup cursor's filter (the cursor's own filter becomes its last
  // operand); false when a join column reads no field of the lookup result, and the lookup side is
  // then walked and compared row by row.
  bool SetLookupFilter();
  // Gives the lookup cursor its own filter back and drops the lookup condition.
  void ClearLookupFilter();
  // Whether the lookups go through the hash of the lookup rows (see the class comment).
  bool UseLookupHash();
  // Reads every lookup row (through the lookup side's own filter) into the hash.
  void BuildLookupHash();
  // The hash key of the current row's join columns of the given side, into probe_.
  void HashKey(const std::vector<Integer>& columns);
  // The current lookup row passes: its keys equal the driving row's (when not filtered) and it meets
  // the match condition.
  bool PairMatches();
  // Moves the lookup side to the next row that matches the driving row (from its first match when
  // fromStart); false at its end.
  bool SeekMatch(bool fromStart);
  void RecordMatchedLookupRow();
  bool LookupRowMatched();
  // The driving row's first output row: true when there is one.
  bool StartDrivingRow();
  void AdvanceDriving();
  void StartUnmatchedPass();
  void SkipMatched();

  Byte joinType_;
  bool natural_;
  std::vector<Integer> leftJoinColumns_;
  std::vector<Integer> rightJoinColumns_;
  std::unique_ptr<TSQLMemExpression> matchCondition_;
  bool leftDrives_ = true;
  bool drivingNull_ = false;
  bool lookupNull_ = false;
  bool inMatches_ = false;
  bool unmatchedPass_ = false;
  bool lookupEmpty_ = false;
  // The lookup condition lives in the lookup cursor as its filter while lookupFiltered_; the join keeps
  // pointers to its constants (one per join pair, in pair order) and comparisons.
  bool lookupFiltered_ = false;
  std::vector<TSQLMemExprNodeConst*> lookupConstants_;
  std::vector<TSQLMemExprNodeComparison*> lookupComparisons_;
  TSQLMemExprNode* lookupRoot_ = nullptr;
  // The lookup cursor's own filter: its root is the last operand of the lookup condition meanwhile.
  std::unique_ptr<TSQLMemExpression> ownFilter_;
  TSQLMemExprNode* ownFilterRoot_ = nullptr;
  // Full join: the record positions of the lookup rows that some driving row matched, sorted for the
  // unmatched pass.
  std::vector<Int64> matchedLookupRows_;
  TSQLMemVariant leftKey_;
  TSQLMemVariant rightKey_;
  // The hashed lookup: the lookup rows (numbered in the lookup side's order) by key, each row's values
  // of the lookup input's columns (row r, column c in cell r * lookupWidth_ + c, the bytes of the values
  // one after the other in lookupBytes_, so that a row's values lie together) and record position. The
  // join stands on hashedRow_ (-1: on the lookup cursor's row) among the driving row's matches.
  struct LookupCell {
    std::size_t offset = 0;
    Integer size = 0;
    Byte type = 0;
    bool null = true;
  };
  bool hashed_ = false;
  TSQLMemIntegerKeyHash lookupHash_;
  std::vector<LookupCell> lookupCells_;
  std::vector<Byte> lookupBytes_;
  std::vector<Int64> lookupPositions_;
  Integer lookupWidth_ = 0;
  Integer hashedRow_ = -1;
  std::vector<Int64> probe_;
};
