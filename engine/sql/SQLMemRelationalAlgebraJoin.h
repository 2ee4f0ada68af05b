// The join operator: the rows of two inputs combined. A cross join walks both inputs as nested loops;
// every other join walks one input (the driving side) and, for each of its rows, looks for the rows
// of the other (the lookup side) whose join columns hold the same values. Join columns that are both
// null match each other. An outer join produces a driving row without a match once, with the lookup
// side null; a full join then produces every lookup row no driving row matched, the driving side null.
#pragma once
#include <memory>
#include <vector>

#include "engine/sql/SQLMemRelationalAlgebra.h"

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
  TSQLMemAO& Driving() const { return leftDrives_ ? *left_ : *right_; }
  TSQLMemAO& Lookup() const { return leftDrives_ ? *right_ : *left_; }
  bool PairMatches();
  // Moves the lookup side to the next row that matches the driving row (from its first row when
  // fromStart); false at its end.
  bool SeekMatch(bool fromStart);
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
  Integer lookupIndex_ = 0;
  std::vector<bool> matchedLookupRows_;
  TSQLMemVariant leftKey_;
  TSQLMemVariant rightKey_;
};
