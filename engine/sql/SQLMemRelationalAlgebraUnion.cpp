#include "engine/sql/SQLMemRelationalAlgebraUnion.h"

#include <algorithm>

#include "engine/dataset/SQLMemDataSet.h"
#include "engine/dataset/SQLMemTable.h"
#include "engine/foundation/SQLMemExcept.h"
#include "engine/foundation/SQLMemTypes.h"
#include "engine/foundation/SQLMemValueConvert.h"
#include "engine/sql/SQLMemRelationalAlgebraTable.h"
#include "vcl/db/Fields.h"
#include "vcl/rtl/AnsiStrings.h"

namespace {

// The link of an input's output column at position (the input's result field of that number).
const TSQLMemFieldLink& OutputLink(const TSQLMemAO& input, Integer position) {
  return input.Column(input.OutputColumns().at(static_cast<std::size_t>(position)));
}

Integer OutputCount(const TSQLMemAO& input) {
  return input.VisibleCount() > 0 ? input.VisibleCount() : static_cast<Integer>(input.OutputColumns().size());
}

const AnsiString& OutputName(const TSQLMemAO& input, Integer position) {
  const TSQLMemFieldLink& link = OutputLink(input, position);
  return link.DisplayName.empty() ? link.Name : link.DisplayName;
}

// The position of the output column named name (upper-cased comparison), -1 when there is none.
Integer FindOutput(const TSQLMemAO& input, const AnsiString& name) {
  const AnsiString wanted = AnsiUpperCase(name);
  for (Integer i = 0; i < OutputCount(input); ++i)
    if (AnsiUpperCase(OutputName(input, i)) == wanted) return i;
  return -1;
}

}  // namespace

TSQLMemAOUnion::TSQLMemAOUnion(std::unique_ptr<TSQLMemAO> left, std::unique_ptr<TSQLMemAO> right, Byte operation,
                               bool corresponding, bool distinct, const std::vector<AnsiString>& correspondingNames)
    : TSQLMemAO(std::move(left), std::move(right), AnsiString(), AnsiString()), operation_(operation) {
  if (operation_ != kUnion) {
    searchedIsLeft_ = operation_ == kIntersect && dynamic_cast<TSQLMemAOTable*>(left_.get()) == nullptr;
    // A table operator may hand its table itself over as its result; the search needs a copy of the
    // rows it indexes. Duplicates of the searched input change no answer of a key search.
    if (dynamic_cast<TSQLMemAOTable*>(&Searched()) != nullptr) Searched().SetDistinctFlag();
  }
  RunInputs();
  try {
    PairColumns(corresponding, correspondingNames, distinct);
    if (operation_ != kUnion) IndexSearchedResult();
  } catch (...) {
    UnlockTables();
    throw;
  }
  if (distinct) SetDistinctFlag();
  for (Integer c = 0; c < ColumnCount(); ++c) outputColumns_.push_back(c);
  visibleCount_ = ColumnCount();
}

TSQLMemAOUnion::~TSQLMemAOUnion() = default;

void TSQLMemAOUnion::RunInputs() {
  try {
    left_->LockTables();
    right_->LockTables();
    left_->Execute(false);
    right_->Execute(false);
  } catch (...) {
    UnlockTables();
    throw;
  }
}

void TSQLMemAOUnion::PairColumns(bool corresponding, const std::vector<AnsiString>& correspondingNames,
                                 bool distinct) {
  std::vector<std::pair<Integer, Integer>> pairs;
  if (!correspondingNames.empty()) {
    // Names missing on either side are skipped.
    for (const AnsiString& name : correspondingNames) {
      const Integer l = FindOutput(*left_, name);
      const Integer r = FindOutput(*right_, name);
      if (l >= 0 && r >= 0) pairs.emplace_back(l, r);
    }
  } else {
    for (Integer l = 0; l < OutputCount(*left_); ++l) {
      const Integer r =
          corresponding ? FindOutput(*right_, OutputName(*left_, l)) : (l < OutputCount(*right_) ? l : -1);
      if (r >= 0) pairs.emplace_back(l, r);
    }
  }
  for (const auto& [l, r] : pairs) AddPair(l, r, distinct);
  if (leftNumbers_.size() != rightNumbers_.size())
    SQLMemError(10338, "Error - different lists length. L1 = %d, L2 = %d",
                {static_cast<Integer>(leftNumbers_.size()), static_cast<Integer>(rightNumbers_.size())});
  if (leftNumbers_.empty())
    SQLMemError(10339, "Empty field list, item count = %d", {static_cast<Integer>(leftNumbers_.size())});
}

void TSQLMemAOUnion::AddPair(Integer leftField, Integer rightField, bool distinct) {
  const TSQLMemFieldLink& l = OutputLink(*left_, leftField);
  const TSQLMemFieldLink& r = OutputLink(*right_, rightField);
  // A pair without a common type is left out; so is one that cannot be compared, unless nothing
  // compares it (UNION keeps every row, duplicates or not).
  if (CommonFieldType(l.FieldType, r.FieldType) == 0) return;
  if (!IsScalarFieldType(l.FieldType) && !(operation_ == kUnion && !distinct)) return;
  TSQLMemFieldLink link;
  link.Name = OutputName(*left_, leftField);
  link.DisplayName = link.Name;
  link.BaseName = link.Name;
  link.TableName = l.TableName;
  link.TableAlias = l.TableAlias;
  link.FieldType = l.FieldType;
  link.Precision = l.Precision;
  link.Size = std::max(l.Size, r.Size);
  link.BlobCompressionAlgorithm = l.BlobCompressionAlgorithm;
  link.BlobCompressionMode = l.BlobCompressionMode;
  link.BlobBlockSize = std::max(l.BlobBlockSize, r.BlobBlockSize);
  link.Hidden = false;
  link.DataSet = left_->ResultDataSet();
  link.SourceIndex = leftField;
  columns_.push_back(link);
  leftNumbers_.push_back(leftField);
  rightNumbers_.push_back(rightField);
}

void TSQLMemAOUnion::Execute(bool topLevel) {
  isTopLevel_ = topLevel;
  Materialize();
}

void TSQLMemAOUnion::ReadFrom(bool left) {
  readingLeft_ = left;
  TSQLMemDataSet* source = (left ? left_ : right_)->ResultDataSet();
  const std::vector<Integer>& numbers = left ? leftNumbers_ : rightNumbers_;
  for (std::size_t c = 0; c < numbers.size(); ++c) {
    columns_[c].DataSet = source;
    columns_[c].SourceIndex = numbers[c];
  }
}

void TSQLMemAOUnion::IndexSearchedResult() {
  TSQLMemDataSet& result = *Searched().ResultDataSet();
  auto* table = dynamic_cast<TSQLMemTable*>(&result);
  if (table == nullptr) SQLMemError(11701, "Dataset is not TSQLMemTable. ClassName = %s", {result.ClassName()});
  // Only the paired fields: a field without a partner would hold no key value and match nothing.
  AnsiString fields;
  std::vector<Integer> indexed;
  for (Integer number : searchedIsLeft_ ? leftNumbers_ : rightNumbers_) {
    if (std::find(indexed.begin(), indexed.end(), number) != indexed.end()) continue;
    indexed.push_back(number);
    if (!fields.empty()) fields += ';';
    fields += table->Fields()[number]->FieldName();
  }
  const AnsiString name = MakeUniqueName("TEMPORARY_TABLE_INDEX_");
  table->AddIndex(name, fields, {});
  table->SetIndexName(name);
}

void TSQLMemAOUnion::DoFirst() {
  TSQLMemDataSet& l = *left_->ResultDataSet();
  TSQLMemDataSet& r = *right_->ResultDataSet();
  l.First();
  r.First();
  ReadFrom(true);
  if (operation_ == kUnion) {
    if (l.Eof()) ReadFrom(false);
    return;
  }
  searchedEmpty_ = Searched().ResultDataSet()->RecordCount() == 0;
  SkipToQualifying();
}

void TSQLMemAOUnion::DoNext() {
  if (operation_ != kUnion) {
    Scanned().ResultDataSet()->Next();
    SkipToQualifying();
    return;
  }
  TSQLMemDataSet& l = *left_->ResultDataSet();
  TSQLMemDataSet& r = *right_->ResultDataSet();
  if (readingLeft_) {
    l.Next();
    if (l.Eof()) ReadFrom(false);
  } else {
    r.Next();
  }
}

bool TSQLMemAOUnion::DoEof() {
  if (operation_ != kUnion) return Scanned().ResultDataSet()->Eof();
  return left_->ResultDataSet()->Eof() && right_->ResultDataSet()->Eof();
}

Integer TSQLMemAOUnion::DoGetRecordCount() {
  if (materialized_) return result_->RecordCount();
  return left_ != nullptr && right_ != nullptr ? left_->RecordCount() + right_->RecordCount() : 0;
}

void TSQLMemAOUnion::SkipToQualifying() {
  TSQLMemDataSet& scanned = *Scanned().ResultDataSet();
  const bool wanted = operation_ == kIntersect;
  for (; !scanned.Eof(); scanned.Next())
    if (FoundInSearched() == wanted) return;
}

bool TSQLMemAOUnion::FoundInSearched() {
  if (searchedEmpty_) return false;
  TSQLMemDataSet& scanned = *Scanned().ResultDataSet();
  auto& searched = static_cast<TSQLMemTable&>(*Searched().ResultDataSet());
  const std::vector<Integer>& scannedNumbers = searchedIsLeft_ ? rightNumbers_ : leftNumbers_;
  const std::vector<Integer>& searchedNumbers = searchedIsLeft_ ? leftNumbers_ : rightNumbers_;
  searched.SetKey();
  try {
    // A NULL stays out of the key, whose cleared field then matches a NULL.
    for (std::size_t c = 0; c < scannedNumbers.size(); ++c) {
      scanned.GetFieldValue(keyValue_, scannedNumbers[c]);
      if (keyValue_.IsNull()) continue;
      searched.SetFieldValue(keyValue_, searchedNumbers[c]);
      // A value that the searched field's type cannot hold (1.5 in an Integer column) equals none of
      // its values; as the key would hold it converted, it must not be looked up.
      searched.GetFieldValue(storedKey_, searchedNumbers[c]);
      if (storedKey_.Compare(keyValue_, false, false, false) != 0) {
        searched.Cancel();
        return false;
      }
    }
  } catch (...) {
    searched.Cancel();
    throw;
  }
  return searched.GotoKey();
}
