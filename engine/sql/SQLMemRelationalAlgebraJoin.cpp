#include "engine/sql/SQLMemRelationalAlgebraJoin.h"

#include <algorithm>
#include <cstdint>

#include "engine/dataset/SQLMemDataSet.h"
#include "engine/foundation/SQLMemExcept.h"
#include "engine/foundation/SQLMemTypes.h"
#include "engine/sql/SQLMemExprNodeBoolean.h"
#include "engine/sql/SQLMemExpression.h"
#include "engine/storage/SQLMemCursor.h"
#include "vcl/db/IndexDefs.h"
#include "vcl/rtl/AnsiStrings.h"
#include "vcl/rtl/CheckedInt.h"
#include "vcl/rtl/StrUtils.h"

namespace {

constexpr char kDifferentLengths[] = "Error - different lists length. L1 = %d, L2 = %d";

Int64 RecordPosition(const TSQLMemDataSet& dataSet) {
  Integer recordNo = 0;
  SmallInt itemNo = 0;
  dataSet.GetRecordPosition(recordNo, itemNo);
  return static_cast<Int64>(static_cast<std::uint64_t>(static_cast<Int64>(recordNo)) << 16 |
                            static_cast<std::uint16_t>(itemNo));
}

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
  // The inputs are gone: the columns read the result from now on, also after a scan that TOP ended.
  hashed_ = false;
  hashedRow_ = -1;
  lookupHash_.Reset(0, 0);
  lookupCells_ = {};
  lookupBytes_ = {};
  lookupPositions_ = {};
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
  if (hashedRow_ >= 0 && !materialized_ && columnIndex >= 0 && columnIndex < ColumnCount()) {
    const TSQLMemFieldLink& link = columns_[static_cast<std::size_t>(columnIndex)];
    if (link.Owner == &Lookup() && link.Expression == nullptr && link.DataSet == nullptr &&
        (allowHidden || !link.Hidden) && link.SourceIndex >= 0 && link.SourceIndex < lookupWidth_) {
      const LookupCell& cell = lookupCells_[static_cast<std::size_t>(hashedRow_) * static_cast<std::size_t>(lookupWidth_) +
                                            static_cast<std::size_t>(link.SourceIndex)];
      // Borrowed: the cells outlive every read of the run.
      if (cell.null)
        value.Clear(cell.type);
      else
        value.SetData(lookupBytes_.data() + cell.offset, cell.size, cell.type, false, false);
      return;
    }
  }
  TSQLMemAO::GetColumnValue(value, columnIndex, allowHidden, option);
}

// ---- running ----

AnsiString TSQLMemAOJoin::ResultFieldName(const TSQLMemAO& input, Integer joinColumn) const {
  const TSQLMemFieldLink& link = columns_[static_cast<std::size_t>(joinColumn)];
  const TSQLMemDataSet* result = input.ResultDataSet();
  if (result == nullptr || result->Cursor() == nullptr || link.Owner != &input || link.SourceIndex < 0 ||
      link.SourceIndex >= input.ColumnCount())
    return AnsiString();
  const TSQLMemFieldLink& inner = input.Column(link.SourceIndex);
  if (inner.DataSet != result || inner.Expression != nullptr) return AnsiString();
  const TSQLMemCursor& cursor = *result->Cursor();
  const TSQLMemFieldDefs& shown = cursor.ProjectedFieldDefs();
  if (inner.SourceIndex < 0 || inner.SourceIndex >= shown.GetCount()) return AnsiString();
  const Integer tableField = shown.GetFieldDef(inner.SourceIndex).TableFieldNo;
  if (tableField < 0 || tableField >= cursor.FieldDefs->GetCount()) return AnsiString();
  return cursor.FieldDefs->GetFieldDef(tableField).Name;
}

bool TSQLMemAOJoin::HasUsableIndex(const TSQLMemAO& input, const std::vector<Integer>& joinColumns) const {
  const TSQLMemDataSet* result = input.ResultDataSet();
  if (result == nullptr) return false;
  const auto firstName = [](const AnsiString& list) {
    return AnsiUpperCase(Trim(list.substr(0, list.find_first_of(";,"))));
  };
  const TIndexDefs& indexes = result->IndexDefs();
  for (Integer column : joinColumns) {
    const AnsiString name = AnsiUpperCase(ResultFieldName(input, column));
    if (name.empty()) continue;
    // Text compares by case in a join: an index that ignores case cannot find its matches.
    const bool text = IsStringFieldType(columns_[static_cast<std::size_t>(column)].FieldType);
    for (Integer i = 0; i < indexes.Count(); ++i) {
      const TIndexDef& index = *indexes.Items(i);
      if (firstName(index.Fields()) != name) continue;
      if (text && index.Options().Contains(ixCaseInsensitive)) continue;
      bool caseInsensitive = false;
      for (AnsiString rest = index.CaseInsFields(); !rest.empty();) {
        const std::size_t end = rest.find_first_of(";,");
        caseInsensitive = caseInsensitive || firstName(rest) == name;
        rest = end == AnsiString::npos ? AnsiString() : rest.substr(end + 1);
      }
      if (text && caseInsensitive) continue;
      return true;
    }
  }
  return false;
}

Int64 TSQLMemAOJoin::WeightedCount(TSQLMemAO& input) const {
  const Int64 count = input.RecordCount();
  const TSQLMemDataSet* result = input.ResultDataSet();
  if (result == nullptr || result->Cursor() == nullptr || result->InMemory()) return count;
  // Records of a table on disk with wide text cost more to read.
  const TSQLMemFieldDefs& fields = *result->Cursor()->FieldDefs;
  for (Integer i = 0; i < fields.GetCount(); ++i)
    if (IsWideStringDataType(fields.GetFieldDef(i).DataType)) return count * 5;
  return count;
}

void TSQLMemAOJoin::ChooseDrivingSide() {
  if (joinType_ == kLeft) {
    leftDrives_ = true;
  } else if (joinType_ == kRight) {
    leftDrives_ = false;
  } else {
    // The side an index serves is searched; otherwise each driving row costs a pass over the lookup
    // side, and the smaller side drives.
    const bool leftIndexed = HasUsableIndex(*left_, leftJoinColumns_);
    const bool rightIndexed = HasUsableIndex(*right_, rightJoinColumns_);
    leftDrives_ = leftIndexed != rightIndexed ? rightIndexed : WeightedCount(*left_) <= WeightedCount(*right_);
  }
}

bool TSQLMemAOJoin::SetLookupFilter() {
  TSQLMemAO& lookup = Lookup();
  TSQLMemDataSet* dataSet = lookup.ResultDataSet();
  if (dataSet == nullptr || dataSet->Cursor() == nullptr) return false;
  std::vector<AnsiString> names;
  for (Integer column : LookupColumns()) {
    names.push_back(ResultFieldName(lookup, column));
    if (names.back().empty()) return false;
  }
  TSQLMemCursor& cursor = *dataSet->Cursor();
  // One "=" per join pair between the lookup field and a constant, without null semantics: a null
  // join value matches a null.
  auto root = std::make_unique<TSQLMemExprNodeBoolean>(opAnd, false, false);
  std::vector<TSQLMemExprNodeConst*> constants;
  std::vector<TSQLMemExprNodeComparison*> comparisons;
  for (const AnsiString& name : names) {
    auto constant = std::make_unique<TSQLMemExprNodeConst>(TSQLMemVariant());
    constants.push_back(constant.get());
    auto comparison = std::make_unique<TSQLMemExprNodeComparison>(
        opEqual, std::make_unique<TSQLMemExprNodeField>(&cursor, AnsiString(), name), std::move(constant), false,
        false, false);
    comparisons.push_back(comparison.get());
    root->AddChild(std::move(comparison));
  }
  // The lookup input's own filter (the conditions pushed down into it) keeps filtering as the last
  // operand; it goes back to the cursor when the lookups end.
  std::unique_ptr<TSQLMemExpression> own = std::move(cursor.FilterExpression);
  TSQLMemExprNode* ownRoot = own != nullptr ? own->Root() : nullptr;
  if (ownRoot != nullptr) root->AddChild(own->ReleaseRoot());
  lookupRoot_ = root.get();
  ownFilter_ = std::move(own);
  ownFilterRoot_ = ownRoot;
  auto condition = std::make_unique<TSQLMemExpression>();
  condition->NullSemantics = false;
  condition->SetRoot(std::move(root));
  dataSet->SetFilterExpression(std::move(condition));
  lookupConstants_ = std::move(constants);
  lookupComparisons_ = std::move(comparisons);
  lookupFiltered_ = true;
  return true;
}

void TSQLMemAOJoin::ClearLookupFilter() {
  if (!lookupFiltered_) return;
  lookupFiltered_ = false;
  lookupConstants_.clear();
  lookupComparisons_.clear();
  std::unique_ptr<TSQLMemExpression> own = std::move(ownFilter_);
  if (ownFilterRoot_ != nullptr) own->SetRoot(lookupRoot_->ReleaseChild(ownFilterRoot_));
  ownFilterRoot_ = nullptr;
  lookupRoot_ = nullptr;
  if (own != nullptr && own->IsEmpty()) own.reset();
  Lookup().ResultDataSet()->SetFilterExpression(std::move(own));
}

bool TSQLMemAOJoin::UseLookupHash() {
  if (leftJoinColumns_.size() > 63) return false;  // the null mask's bits
  for (std::size_t i = 0; i < leftJoinColumns_.size(); ++i)
    for (Integer column : {leftJoinColumns_[i], rightJoinColumns_[i]})
      if (!IsIntegerDataType(FieldTypeToDataType(columns_[static_cast<std::size_t>(column)].FieldType))) return false;
  TSQLMemAO& lookup = Lookup();
  for (Integer c = 0; c < lookup.ColumnCount(); ++c)
    if (IsBLOBFieldType(lookup.Column(c).FieldType)) return false;
  // An index finds a few driving rows' matches cheaper than a read of the whole lookup side.
  if (!HasUsableIndex(lookup, LookupColumns())) return true;
  return CheckedMul<Int64>(WeightedCount(Driving()), 4) >= WeightedCount(lookup);
}

void TSQLMemAOJoin::HashKey(const std::vector<Integer>& columns) {
  probe_.assign(columns.size() + 1, 0);
  for (std::size_t i = 0; i < columns.size(); ++i) {
    TSQLMemAO::GetColumnValue(leftKey_, columns[i], true, 1);
    // A null is a value of its own: null join values match each other.
    if (leftKey_.IsNull())
      probe_[0] |= Int64{1} << i;
    else
      probe_[i + 1] = leftKey_.GetAsLargeInt();
  }
}

void TSQLMemAOJoin::BuildLookupHash() {
  TSQLMemAO& lookup = Lookup();
  lookupHash_.Reset(static_cast<Integer>(LookupColumns().size()), static_cast<std::size_t>(lookup.RecordCount()));
  lookupCells_.clear();
  lookupBytes_.clear();
  lookupPositions_.clear();
  lookupWidth_ = lookup.ColumnCount();
  for (lookup.First(); !lookup.Eof(); lookup.Next()) {
    for (Integer c = 0; c < lookupWidth_; ++c) {
      lookup.GetColumnValue(rightKey_, c, true, 0);
      LookupCell& cell = lookupCells_.emplace_back();
      cell.type = rightKey_.DataType();
      cell.null = rightKey_.IsNull();
      if (cell.null) continue;
      cell.offset = lookupBytes_.size();
      cell.size = rightKey_.DataSize();
      const auto* data = static_cast<const Byte*>(rightKey_.Data());
      lookupBytes_.insert(lookupBytes_.end(), data, data + cell.size);
    }
    if (joinType_ == kFull) lookupPositions_.push_back(RecordPosition(*lookup.ResultDataSet()));
    HashKey(LookupColumns());
    lookupHash_.Add(probe_.data());
  }
  hashed_ = true;
}

bool TSQLMemAOJoin::PairMatches() {
  if (!lookupFiltered_ && !hashed_) {
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
  }
  return matchCondition_ == nullptr || matchCondition_->IsEmpty() || matchCondition_->GetBooleanValue();
}

bool TSQLMemAOJoin::SeekMatch(bool fromStart) {
  if (hashed_) {
    if (fromStart) {
      HashKey(DrivingColumns());
      hashedRow_ = lookupHash_.Find(probe_.data());
    } else if (hashedRow_ >= 0) {
      hashedRow_ = lookupHash_.Next(hashedRow_);
    }
    for (; hashedRow_ >= 0; hashedRow_ = lookupHash_.Next(hashedRow_)) {
      if (!PairMatches()) continue;
      if (joinType_ == kFull) matchedLookupRows_.push_back(lookupPositions_[static_cast<std::size_t>(hashedRow_)]);
      return true;
    }
    hashedRow_ = -1;
    return false;
  }
  TSQLMemAO& lookup = Lookup();
  if (fromStart) {
    if (lookupFiltered_) {
      // The driving row's keys become the lookup condition's constants; the cursor's filtered view is
      // built anew from them at the first record.
      const std::vector<Integer>& keys = DrivingColumns();
      for (std::size_t i = 0; i < keys.size(); ++i) {
        TSQLMemAO::GetColumnValue(leftKey_, keys[i], true, 1);
        lookupConstants_[i]->SetValue(leftKey_);
        lookupComparisons_[i]->Reset();  // a wide key meets an 8-bit text field as 8-bit text
      }
      lookup.ResultDataSet()->Cursor()->ResetFilterBitmap();
    }
    lookup.First();
  } else {
    lookup.Next();
  }
  for (; !lookup.Eof(); lookup.Next()) {
    if (!PairMatches()) continue;
    if (joinType_ == kFull) RecordMatchedLookupRow();
    return true;
  }
  return false;
}

void TSQLMemAOJoin::RecordMatchedLookupRow() { matchedLookupRows_.push_back(RecordPosition(*Lookup().ResultDataSet())); }

bool TSQLMemAOJoin::LookupRowMatched() {
  return std::binary_search(matchedLookupRows_.begin(), matchedLookupRows_.end(),
                            RecordPosition(*Lookup().ResultDataSet()));
}

bool TSQLMemAOJoin::StartDrivingRow() {
  lookupNull_ = false;
  if (!lookupEmpty_ && SeekMatch(true)) {
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
  hashedRow_ = -1;
  drivingNull_ = true;
  lookupNull_ = false;
  ClearLookupFilter();
  std::sort(matchedLookupRows_.begin(), matchedLookupRows_.end());
  matchedLookupRows_.erase(std::unique(matchedLookupRows_.begin(), matchedLookupRows_.end()), matchedLookupRows_.end());
  Lookup().First();
  SkipMatched();
}

void TSQLMemAOJoin::SkipMatched() {
  TSQLMemAO& lookup = Lookup();
  while (!lookup.Eof() && LookupRowMatched()) lookup.Next();
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
  ClearLookupFilter();
  ChooseDrivingSide();
  matchedLookupRows_.clear();
  hashed_ = false;
  hashedRow_ = -1;
  lookupEmpty_ = Lookup().RecordCount() <= 0;
  if (!lookupEmpty_) {
    if (UseLookupHash())
      BuildLookupHash();
    else
      SetLookupFilter();
  }
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
  if (joinType_ == kInner && lookupEmpty_) return true;
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
