#include "engine/sql/SQLMemRelationalAlgebraJoin.h"

#include <algorithm>

#include "engine/foundation/SQLMemExcept.h"
#include "engine/foundation/SQLMemTypes.h"
#include "engine/sql/SQLMemExpression.h"
#include "vcl/rtl/AnsiStrings.h"
#include "vcl/rtl/CheckedInt.h"

namespace {

constexpr char kDifferentLengths[] = "Error - different lists length. L1 = %d, L2 = %d";

}  // namespace

TSQLMemAOJoin::TSQLMemAOJoin(std::unique_ptr<TSQLMemAO> left, std::unique_ptr<TSQLMemAO> right, Byte joinType,
                             bool natural, const TSQLMemFields& firstFields, const TSQLMemFields& secondFields)
    : TSQLMemAO(std::move(left), std::move(right), AnsiString(), AnsiString()), joinType_(joinType), natural_(natural) {
  const bool cross = joinType_ == kCross;
  if (!cross && !natural_ && firstFields.Count() != secondFields.Count())
    SQLMemError(10330, kDifferentLengths, {firstFields.Count(), secondFields.Count()});
  for (TSQLMemAO* input : {left_.get(), right_.get()})
    for (Integer i = 0; i < input->ColumnCount(); ++i) {
      TSQLMemFieldLink link = input->Column(i);
      link.Owner = input;
      link.DataSet = nullptr;
      link.SourceIndex = i;
      link.Expression = nullptr;
      link.IsAggregate = false;
      columns_.push_back(link);
    }
  const Integer leftCount = left_->ColumnCount();
  if (natural_ && !cross) {
    for (Integer r = leftCount; r < ColumnCount(); ++r)
      for (Integer l = 0; l < leftCount; ++l) {
        if (AnsiUpperCase(GetColumnName(l, false)) != AnsiUpperCase(GetColumnName(r, false))) continue;
        leftJoinColumns_.push_back(l);
        rightJoinColumns_.push_back(r);
        columns_[static_cast<std::size_t>(l)].Hidden = false;
        columns_[static_cast<std::size_t>(r)].Hidden = false;
        TSQLMemIntegerArray used(0, 4, 64);
        left_->FindColumns(GetColumnName(l, false), AnsiString(), used, true);
        right_->FindColumns(GetColumnName(r, false), AnsiString(), used, true);
      }
  } else if (!cross) {
    for (Integer i = 0; i < firstFields.Count(); ++i) AddPairColumn(firstFields.Item(i), leftJoinColumns_, i, 10331);
    for (Integer i = 0; i < secondFields.Count(); ++i) AddPairColumn(secondFields.Item(i), rightJoinColumns_, i, 10332);
    const auto count = static_cast<Integer>(leftJoinColumns_.size());
    if (count != static_cast<Integer>(rightJoinColumns_.size()))
      SQLMemError(10332, kDifferentLengths, {count, static_cast<Integer>(rightJoinColumns_.size())});
    if (count == 0) SQLMemError(10333, "Empty field list, item count = %d", {count});
    for (std::size_t i = 0; i < leftJoinColumns_.size(); ++i) {
      Integer& a = leftJoinColumns_[i];
      Integer& b = rightJoinColumns_[i];
      if (columns_[static_cast<std::size_t>(a)].Owner == columns_[static_cast<std::size_t>(b)].Owner)
        SQLMemError(10334, "Both join fields are from the same table. Field1 = '%s', Field2 = '%s', No1 = %d, No2 = %d.",
                    {Column(a).Name, Column(b).Name, a, b});
      if (a >= leftCount) std::swap(a, b);
    }
  }
  MakeColumnNamesUnique();
}

TSQLMemAOJoin::~TSQLMemAOJoin() = default;

void TSQLMemAOJoin::AddPairColumn(const TSQLMemSelectListItem& field, std::vector<Integer>& target, Integer index,
                                  Integer code) {
  TSQLMemIntegerArray matches(0, 4, 64);
  const Integer found = FindColumns(field.FieldName, field.TableName, matches, true);
  if (found != 1)
    SQLMemError(code, "Invalid field for join operation. Table name = '%s', FieldName = '%s', i = %d, FieldExists = %d",
                {field.TableName, field.FieldName, index, found});
  target.push_back(matches.GetItem(0));
}

void TSQLMemAOJoin::SetMatchCondition(std::unique_ptr<TSQLMemExpression> condition) {
  matchCondition_ = std::move(condition);
}

void TSQLMemAOJoin::Execute(bool topLevel) {
  isTopLevel_ = topLevel;
  if (matchCondition_ != nullptr && !matchCondition_->IsEmpty()) matchCondition_->BindToOperator(this);
  if (condition_ != nullptr && !condition_->IsEmpty()) condition_->BindToOperator(this);
  // Every column of an input is an output of that input, under its own name: the join reads its
  // keys, its shown columns and the fields of its conditions from them.
  for (TSQLMemAO* input : {left_.get(), right_.get()}) {
    if (input->VisibleCount() > 0) continue;
    std::vector<TSQLMemSelectListItem> items;
    for (Integer c = 0; c < input->ColumnCount(); ++c) {
      TSQLMemSelectListItem item;
      item.FieldName = input->Column(c).Name;
      items.push_back(item);
    }
    if (!items.empty()) input->SetSelectList(items, false);
  }
  left_->Execute(false);
  right_->Execute(false);
  Materialize();
  matchCondition_.reset();
}

bool TSQLMemAOJoin::PassesConditionsTo(const TSQLMemAO& input) const {
  // A condition on the null-supplying side of an outer join would remove the rows that make the
  // preserved ones null-extended.
  switch (joinType_) {
    case kLeft:
      return &input == left_.get();
    case kRight:
      return &input == right_.get();
    case kFull:
      return false;
    default:
      return true;
  }
}

void TSQLMemAOJoin::GetColumnValue(TSQLMemVariant& value, Integer columnIndex, bool allowHidden, Integer option) {
  if (columnIndex >= 0 && columnIndex < ColumnCount() && (drivingNull_ || lookupNull_)) {
    const TSQLMemFieldLink& link = columns_[static_cast<std::size_t>(columnIndex)];
    const bool leftNull = leftDrives_ ? drivingNull_ : lookupNull_;
    const bool rightNull = leftDrives_ ? lookupNull_ : drivingNull_;
    if (link.Owner != nullptr &&
        ((leftNull && link.Owner == left_.get()) || (rightNull && link.Owner == right_.get()))) {
      value.Clear(FieldTypeToDataType(link.FieldType));
      return;
    }
  }
  TSQLMemAO::GetColumnValue(value, columnIndex, allowHidden, option);
}

// ---- running ----

void TSQLMemAOJoin::ChooseDrivingSide() {
  if (joinType_ == kLeft) {
    leftDrives_ = true;
  } else if (joinType_ == kRight) {
    leftDrives_ = false;
  } else {
    // Each driving row costs one pass over the lookup side: the smaller side drives.
    leftDrives_ = left_->RecordCount() <= right_->RecordCount();
  }
}

bool TSQLMemAOJoin::PairMatches() {
  for (std::size_t i = 0; i < leftJoinColumns_.size(); ++i) {
    TSQLMemAO::GetColumnValue(leftKey_, leftJoinColumns_[i], true, 1);
    TSQLMemAO::GetColumnValue(rightKey_, rightJoinColumns_[i], true, 1);
    // Join columns that are both null match each other.
    if (leftKey_.IsNull() || rightKey_.IsNull()) {
      if (leftKey_.IsNull() != rightKey_.IsNull()) return false;
      continue;
    }
    if (leftKey_.Compare(rightKey_, false, false, false) != 0) return false;
  }
  return matchCondition_ == nullptr || matchCondition_->IsEmpty() || matchCondition_->GetBooleanValue();
}

bool TSQLMemAOJoin::SeekMatch(bool fromStart) {
  TSQLMemAO& lookup = Lookup();
  if (fromStart) {
    lookup.First();
    lookupIndex_ = 0;
  } else {
    lookup.Next();
    ++lookupIndex_;
  }
  for (; !lookup.Eof(); lookup.Next(), ++lookupIndex_) {
    if (!PairMatches()) continue;
    if (joinType_ == kFull && static_cast<std::size_t>(lookupIndex_) < matchedLookupRows_.size())
      matchedLookupRows_[static_cast<std::size_t>(lookupIndex_)] = true;
    return true;
  }
  return false;
}

bool TSQLMemAOJoin::StartDrivingRow() {
  lookupNull_ = false;
  if (SeekMatch(true)) {
    inMatches_ = true;
    return true;
  }
  inMatches_ = false;
  if (joinType_ == kInner) return false;
  lookupNull_ = true;
  return true;
}

void TSQLMemAOJoin::AdvanceDriving() {
  TSQLMemAO& driving = Driving();
  for (; !driving.Eof(); driving.Next())
    if (StartDrivingRow()) return;
  lookupNull_ = false;
  if (joinType_ == kFull) StartUnmatchedPass();
}

void TSQLMemAOJoin::StartUnmatchedPass() {
  unmatchedPass_ = true;
  drivingNull_ = true;
  lookupNull_ = false;
  Lookup().First();
  lookupIndex_ = 0;
  SkipMatched();
}

void TSQLMemAOJoin::SkipMatched() {
  TSQLMemAO& lookup = Lookup();
  while (!lookup.Eof() && static_cast<std::size_t>(lookupIndex_) < matchedLookupRows_.size() &&
         matchedLookupRows_[static_cast<std::size_t>(lookupIndex_)]) {
    lookup.Next();
    ++lookupIndex_;
  }
}

void TSQLMemAOJoin::DoFirst() {
  drivingNull_ = false;
  lookupNull_ = false;
  inMatches_ = false;
  unmatchedPass_ = false;
  if (joinType_ == kCross) {
    left_->First();
    right_->First();
    return;
  }
  ChooseDrivingSide();
  matchedLookupRows_.assign(joinType_ == kFull ? static_cast<std::size_t>(Lookup().RecordCount()) : 0, false);
  Driving().First();
  AdvanceDriving();
}

void TSQLMemAOJoin::DoNext() {
  if (joinType_ == kCross) {
    right_->Next();
    if (!right_->Eof()) return;
    left_->Next();
    if (!left_->Eof()) right_->First();
    return;
  }
  if (unmatchedPass_) {
    Lookup().Next();
    ++lookupIndex_;
    SkipMatched();
    return;
  }
  if (inMatches_ && SeekMatch(false)) return;
  inMatches_ = false;
  lookupNull_ = false;
  Driving().Next();
  AdvanceDriving();
}

bool TSQLMemAOJoin::DoEof() {
  if (joinType_ == kCross) return left_->Eof() || right_->Eof();
  if (unmatchedPass_) return Lookup().Eof();
  return Driving().Eof();
}

Integer TSQLMemAOJoin::DoGetRecordCount() {
  if (materialized_) return TSQLMemAO::DoGetRecordCount();
  const Int64 leftCount = left_ != nullptr ? left_->RecordCount() : 0;
  const Int64 rightCount = right_ != nullptr ? right_->RecordCount() : 0;
  if (joinType_ == kCross) {
    return CheckedMul(static_cast<Integer>(leftCount), static_cast<Integer>(rightCount));
  }
  if (joinType_ != kInner) return static_cast<Integer>(leftCount == 0 ? rightCount : rightCount == 0 ? leftCount : 0);
  return leftCount > 0 && rightCount > 0 ? static_cast<Integer>(std::max(leftCount, rightCount)) : 0;
}
