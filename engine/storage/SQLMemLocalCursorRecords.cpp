// The local cursor's record work: navigation, the record operations that report through result codes,
// the projection, filters, ranges and Locate, the BLOB streams of the current record, and the table's
// sequences and use counts.
#include <cstring>

#include "engine/foundation/SQLMemConst.h"
#include "engine/foundation/SQLMemExcept.h"
#include "engine/sql/SQLMemExpression.h"
#include "engine/storage/SQLMemLocalBLOBStream.h"
#include "engine/storage/SQLMemLocalEngine.h"
#include "engine/storage/SQLMemTableData.h"

namespace {

// The result codes of record operations.
constexpr Integer kInsertRefused = -1;
constexpr Integer kUpdateFailed = -2;
constexpr Integer kDeleteFailed = -3;
constexpr Integer kConstraintFailed = -8;
constexpr Integer kTemporaryCancel = -9;
constexpr Integer kTemporaryDelete = -10;
constexpr Integer kTemporaryDiscard = -11;

AnsiString FlagText(Byte flag) { return flag != 0 ? "-1" : "0"; }

bool IsWriter(const TSQLMemLocalBLOBStream& stream) { return stream.Mode() == bomWrite || stream.Mode() == bomReadWrite; }

}  // namespace

// ---- navigation ----

void TSQLMemLocalCursor::ClearRecordBuffer(Byte* recordBuffer, bool applyDefaults) {
  std::memset(recordBuffer, 0xFF, static_cast<std::size_t>(FieldDefs->NullBitmapSize()));
  if (Temporary == 0 && applyDefaults) OpenTableData(10154).InitNewRecord(*this, recordBuffer, true);
}

bool TSQLMemLocalCursor::RecordExists() {
  TSQLMemTableData& table = OpenTableData(10154);
  if (CurrentRecordBuffer == nullptr) SQLMemError(11300, SQLMemNilPointer);
  // The dataset puts the bookmark of the record in question into the buffer's trailer.
  const Integer pageNo = PageNo;
  const SmallInt itemNo = ItemNo;
  const TSQLMemRecordID id = GetTrailerPosition(CurrentRecordBuffer);
  PageNo = id.RecordNo;
  ItemNo = static_cast<SmallInt>(id.ItemNo);
  bool exists = false;
  try {
    exists = table.RecordExists(*this);
  } catch (...) {
    PageNo = pageNo, ItemNo = itemNo;
    throw;
  }
  PageNo = pageNo, ItemNo = itemNo;
  return exists;
}

Int64 TSQLMemLocalCursor::GetRecordCount() { return OpenTableData(10154).GetCursorRecordCount(*this); }

Byte TSQLMemLocalCursor::GetRecord(Byte mode) { return OpenTableData(10154).MoveCursor(*this, mode); }

void TSQLMemLocalCursor::SetRecNo(Int64 recordNo) { OpenTableData(10154).SetRecNo(*this, recordNo); }

Int64 TSQLMemLocalCursor::GetRecNo() { return OpenTableData(10154).GetRecNo(*this); }

// ---- record operations ----

void TSQLMemLocalCursor::CancelRecord() {
  ResultCode = 0;
  if (Temporary != 0) {
    ResultCode = kTemporaryCancel;
    return;
  }
  OpenTableData(10154).CancelRecord(*this);
}

void TSQLMemLocalCursor::DiscardRecordChanges() {
  ResultCode = 0;
  if (Temporary != 0) {
    ResultCode = kTemporaryDiscard;
    return;
  }
  CloseBLOBStreams(true);
  OpenTableData(10154).DiscardNewBLOBs(CurrentRecordBuffer);
}

void TSQLMemLocalCursor::PostRecord(bool insert) {
  ErrorText.clear();
  TSQLMemTableData& table = OpenTableData(10154);
  const TSQLMemRecordID position{PageNo, static_cast<Word>(ItemNo)};
  try {
    table.CheckConstraints(*this, TSQLMemTableData::SessionIdOf(this), false, position, insert, PreviousRecordBuffer,
                           CurrentRecordBuffer);
  } catch (const Exception& e) {
    ResultCode = kConstraintFailed;
    ErrorText = e.Message();
    return;
  }
  CloseBLOBStreams(true);
  if (insert) {
    // A refusal that comes as an exception is reported like one that comes as an answer.
    bool inserted = false;
    AnsiString reason;
    try {
      inserted = table.InsertRecord(*this);
    } catch (const Exception& e) {
      reason = e.Message();
    }
    ResultCode = inserted ? 0 : kInsertRefused;
    if (!inserted) {
      ErrorText = Format(SQLMemErrorAddingRecord, {TableName, FlagText(InMemory), FlagText(Temporary)});
      if (!reason.empty()) ErrorText += " " + reason;
    }
    SetTrailerPosition(CurrentRecordBuffer, TSQLMemRecordID{PageNo, static_cast<Word>(ItemNo)});
    SetTrailerFlag(CurrentRecordBuffer, kBookmarkFlagInserted);
    return;
  }
  const TSQLMemRecordID id = GetTrailerPosition(CurrentRecordBuffer);
  PageNo = id.RecordNo;
  ItemNo = static_cast<SmallInt>(id.ItemNo);
  ResultCode = 0;
  try {
    if (!table.UpdateRecord(*this)) {
      ResultCode = kUpdateFailed;
      ErrorText = SQLMemErrorUpdatingRecord;
    }
  } catch (const Exception& e) {
    ResultCode = kUpdateFailed;
    ErrorText = AnsiString(SQLMemErrorUpdatingRecord) + e.Message();
  }
}

void TSQLMemLocalCursor::DeleteRecord() {
  ErrorText.clear();
  if (Temporary != 0) {
    ResultCode = kTemporaryDelete;
    return;
  }
  TSQLMemTableData& table = OpenTableData(10154);
  const TSQLMemRecordID id = GetTrailerPosition(CurrentRecordBuffer);
  PageNo = id.RecordNo;
  ItemNo = static_cast<SmallInt>(id.ItemNo);
  ResultCode = 0;
  try {
    if (!table.DeleteRecord(*this)) ResultCode = kDeleteFailed;
  } catch (const Exception& e) {
    ResultCode = kDeleteFailed;
    ErrorText = e.Message();
  }
}

void TSQLMemLocalCursor::DeleteAllRecords() { OpenTableData(10154).DeleteRecords(*this); }

void TSQLMemLocalCursor::UpdateAllRecords(const std::vector<AnsiString>& fieldNames,
                                          const std::vector<TSQLMemVariant>& values, bool skipForeignKeys) {
  std::vector<const TSQLMemVariant*> pointers;
  pointers.reserve(values.size());
  for (const TSQLMemVariant& value : values) pointers.push_back(&value);
  OpenTableData(10154).UpdateRecords(*this, fieldNames, pointers, skipForeignKeys);
}

// ---- projection, filters, ranges, search ----

void TSQLMemLocalCursor::ResetFilterBitmap() {
  if (FilterBitmap != nullptr) FilterBitmap->SetActive(false);
}

void TSQLMemLocalCursor::SetProjection(const std::vector<AnsiString>& fieldNames,
                                       const std::vector<AnsiString>& aliases) {
  if (fieldNames.size() != aliases.size())
    SQLMemError(10321, SQLMemDifferentListsLength,
                {static_cast<Integer>(fieldNames.size()), static_cast<Integer>(aliases.size())});
  if (fieldNames.empty()) SQLMemError(10322, SQLMemNoProjectionFields);
  // Built aside, so that an unknown name leaves the projection as it was.
  TSQLMemFieldDefs projection;
  for (std::size_t i = 0; i < fieldNames.size(); ++i) {
    const Integer tableFieldNo = FieldDefs->IndexOfName(fieldNames[i]);
    if (tableFieldNo < 0) SQLMemError(10323, SQLMemCannotFindField, {fieldNames[i]});
    TSQLMemFieldDef& field = projection.AddFieldDef();
    field.Assign(FieldDefs->GetFieldDef(tableFieldNo));
    field.RecordOffset = FieldDefs->GetFieldDef(tableFieldNo).RecordOffset;
    field.TableFieldNo = tableFieldNo;
    if (!aliases[i].empty()) field.Name = aliases[i].substr(0, 255);
  }
  ProjectedFieldDefs().Assign(projection);
}

void TSQLMemLocalCursor::SetFilterText(const AnsiString& text, TSQLMemFilterOptions options) {
  TextFilter.reset();
  ResetFilterBitmap();
  // Parsed aside, so that a text that does not parse leaves the cursor unfiltered.
  auto filter = std::make_unique<TSQLMemExpression>();
  filter->ParseText(this, text, options);
  TextFilter = std::move(filter);
}

void TSQLMemLocalCursor::ClearFilterText() {
  if (FilterExpression != nullptr) return;
  TextFilter.reset();
  ResetFilterBitmap();
}

bool TSQLMemLocalCursor::Locate(const AnsiString& fieldNames, const Variant& keyValues, bool caseInsensitive,
                                bool partialKey) {
  TSQLMemTableData& table = OpenTableData(10154);
  TSQLMemExpression condition;
  condition.BuildLocateCondition(this, fieldNames, keyValues, caseInsensitive, partialKey);
  return table.LocateByExpression(*this, &condition);
}

bool TSQLMemLocalCursor::GotoKey(Byte kind) { return OpenTableData(10154).LocateByCondition(*this, kind); }

void TSQLMemLocalCursor::CancelRange() {
  RangeStartKeyBuffer = nullptr;
  RangeEndKeyBuffer = nullptr;
  ResetFilterBitmap();
}

void TSQLMemLocalCursor::SetRange(Byte* startKeyBuffer, Byte* endKeyBuffer, Integer startKeyFieldCount,
                                  Integer endKeyFieldCount, bool startExclusive, bool endExclusive) {
  RangeStartKeyBuffer = startKeyBuffer;
  RangeEndKeyBuffer = endKeyBuffer;
  RangeStartKeyFieldCount = startKeyFieldCount;
  RangeEndKeyFieldCount = endKeyFieldCount;
  RangeStartExclusive = startExclusive ? 1 : 0;
  RangeEndExclusive = endExclusive ? 1 : 0;
  ResetFilterBitmap();
}

void TSQLMemLocalCursor::SetFilterExpression(std::unique_ptr<TSQLMemExpression> expression) {
  // The records the previous filter chose are forgotten, as a new text filter or range forgets them.
  ResetFilterBitmap();
  FilterExpression = std::move(expression);
  if (FilterExpression != nullptr) FilterExpression->BindCursor(this);
}

std::unique_ptr<TSQLMemExpression> TSQLMemLocalCursor::TakeFilterExpression() {
  ResetFilterBitmap();
  return std::move(FilterExpression);
}

// ---- BLOB streams ----

TStream* TSQLMemLocalCursor::OpenBLOB(Integer fieldNo, Byte mode) {
  Integer tableFieldNo = -1;
  const TSQLMemFieldDef& field = ProjectedField(fieldNo, 10110, tableFieldNo);
  if (!blobListOpen_) SQLMemError(10113, SQLMemNilPointer);
  if (mode == bomWrite || mode == bomReadWrite) {
    for (const auto& entry : blobStreams_) {
      if (entry == nullptr) SQLMemError(10114, SQLMemNilPointer);
      if (entry->FieldNo() == tableFieldNo && IsWriter(*entry))
        SQLMemError(10115, SQLMemBLOBFieldAlreadyOpened, {fieldNo, field.Name});
    }
  }
  std::unique_ptr<TSQLMemLocalBLOBStream> stream = OpenTableData(10154).OpenBLOB(*this, mode, tableFieldNo);
  if (stream == nullptr) return nullptr;
  blobStreams_.push_back(std::move(stream));
  return blobStreams_.back().get();
}

bool TSQLMemLocalCursor::StoredBLOBBytes(Integer fieldNo, const Byte*& data, Int64& size) {
  Integer tableFieldNo = -1;
  ProjectedField(fieldNo, 10110, tableFieldNo);
  // Without the stream list OpenBLOB raises; it is left to do so.
  if (!blobListOpen_) return false;
  return OpenTableData(10154).StoredBLOBBytes(*this, tableFieldNo, data, size);
}

void TSQLMemLocalCursor::CloseBLOB(Integer fieldNo) {
  Integer tableFieldNo = -1;
  ProjectedField(fieldNo, 10118, tableFieldNo);
  if (!blobListOpen_) SQLMemError(10119, SQLMemNilPointer);
  // Writers are stored first; a failure leaves every stream open.
  for (const auto& entry : blobStreams_) {
    if (entry == nullptr) SQLMemError(10120, SQLMemNilPointer);
    if (entry->FieldNo() == tableFieldNo && IsWriter(*entry)) OpenTableData(10154).StoreBLOB(*this, tableFieldNo, *entry);
  }
  // Then the field's entries leave the list, and only then are their outer streams freed: an outer
  // stream's destruction closes the field again through its dataset, which then finds nothing left.
  std::vector<std::unique_ptr<TSQLMemLocalBLOBStream>> closing;
  for (auto it = blobStreams_.begin(); it != blobStreams_.end();) {
    if ((*it)->FieldNo() == tableFieldNo) {
      closing.push_back(std::move(*it));
      it = blobStreams_.erase(it);
    } else {
      ++it;
    }
  }
  for (auto& entry : closing) delete entry->OuterStream;
}

void TSQLMemLocalCursor::ReleaseBLOBStream(std::size_t index) {
  TSQLMemLocalBLOBStream* entry = blobStreams_[index].get();
  if (entry->OuterStream == nullptr) {
    blobStreams_.erase(blobStreams_.begin() + static_cast<std::ptrdiff_t>(index));
    return;
  }
  // An entry wrapped by a dataset stream is released through that stream, whose destruction closes
  // the field through the dataset; whatever it leaves in the list goes here.
  delete entry->OuterStream;
  for (auto it = blobStreams_.begin(); it != blobStreams_.end(); ++it)
    if (it->get() == entry) {
      blobStreams_.erase(it);
      break;
    }
}

void TSQLMemLocalCursor::CloseBLOBStreams(bool writersOnly) {
  for (std::size_t i = blobStreams_.size(); i-- > 0;) {
    if (i >= blobStreams_.size()) continue;  // a dataset's close took more than one entry
    if (blobStreams_[i] == nullptr) SQLMemError(10121, SQLMemNilPointer);
    if (writersOnly && !IsWriter(*blobStreams_[i])) continue;
    ReleaseBLOBStream(i);
  }
}

// ---- sequences and use counts ----

Int64 TSQLMemLocalCursor::GetLastAutoincValue(Integer tableFieldNo) {
  return OpenTableData(10154).GetLastAutoincValue(tableFieldNo, Session);
}

void TSQLMemLocalCursor::SetLastAutoincValue(Integer tableFieldNo, Int64 value) {
  OpenTableData(10154).SetLastAutoincValue(tableFieldNo, Session, value);
}

void TSQLMemLocalCursor::IncTableUseCount() { OpenTableData(10154).IncUseCount(); }

void TSQLMemLocalCursor::DecTableUseCount() { OpenTableData(10154).DecUseCount(); }
