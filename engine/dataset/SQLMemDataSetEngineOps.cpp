// The engine dataset's operations for the SQL layer: field values as engine values, the filter
// condition and the projection handed to the cursor, the table's use count, the bulk delete and
// update, and the record position.
#include <cstring>

#include "engine/dataset/SQLMemDataSet.h"
#include "engine/foundation/SQLMemConst.h"
#include "engine/foundation/SQLMemExcept.h"
#include "engine/foundation/SQLMemMemory.h"
#include "engine/foundation/SQLMemTypes.h"
#include "engine/sql/SQLMemExpression.h"
#include "engine/storage/SQLMemCursor.h"
#include "engine/storage/SQLMemLocalBLOBStream.h"
#include "engine/storage/SQLMemSchema.h"
#include "vcl/rtl/AnsiStrings.h"
#include "vcl/rtl/CheckedInt.h"
#include "vcl/rtl/Stream.h"
#include "vcl/rtl/StrUtils.h"

// ---- field values ----

void TSQLMemDataSet::GetFieldValue(TSQLMemVariant& value, Integer fieldIndex) {
  TSQLMemCursor& cursor = CheckCursor(10315);
  // The record the dataset's state stands on; without one, the record the cursor last read.
  if (Byte* record = RecordBufferOfState()) cursor.CurrentRecordBuffer = record;
  ReadCursorField(value, fieldIndex);
}

void TSQLMemDataSet::ReadCursorField(TSQLMemVariant& value, Integer fieldIndex) {
  TSQLMemCursor& cursor = CheckCursor(10315);
  if (fieldIndex < 0 || fieldIndex >= cursor.ProjectedFieldDefs().GetCount() || cursor.CurrentRecordBuffer == nullptr ||
      !IsBLOBDataType(cursor.ProjectedFieldDefs().GetFieldDef(fieldIndex).DataType)) {
    cursor.GetFieldValue(value, fieldIndex, true, false);
    return;
  }
  // A BLOB is read whole. The value's size is the BLOB's; two zero bytes follow it in the block, so
  // that text read from it always ends, and writing the value back stores exactly what was read.
  const Byte dataType = cursor.ProjectedFieldDefs().GetFieldDef(fieldIndex).DataType;
  if (!cursor.GetFieldData(fieldIndex, nullptr, cursor.CurrentRecordBuffer)) {
    value.Clear(dataType);
    return;
  }
  TStream* stream = cursor.OpenBLOB(fieldIndex, bomRead);
  if (stream == nullptr) SQLMemError(10315, SQLMemNilPointer);
  void* block = nullptr;
  try {
    const Integer size = CheckedCast<Integer>(stream->GetSize());
    if (size <= 0) {
      value.Clear(dataType);
    } else {
      block = MemoryManager().GetMem(CheckedAdd<Integer>(size, 2));
      stream->SetPosition(0);
      stream->ReadBuffer(block, size);
      std::memset(static_cast<Byte*>(block) + size, 0, 2);
      value.SetData(block, size, dataType, false, true);
      block = nullptr;
    }
  } catch (...) {
    if (block != nullptr) MemoryManager().FreeMem(block);
    try {
      cursor.CloseBLOB(fieldIndex);
    } catch (...) {  // closing a reader stores nothing; the read's own failure is the one to report
    }
    throw;
  }
  cursor.CloseBLOB(fieldIndex);
}

void TSQLMemDataSet::SetFieldValue(const TSQLMemVariant& value, Integer fieldIndex) {
  TSQLMemCursor& cursor = CheckCursor(10316);
  if (Byte* record = RecordBufferOfState()) cursor.CurrentRecordBuffer = record;
  WriteCursorField(cursor, value, fieldIndex);
  fieldChanged_ = true;
}

void TSQLMemDataSet::WriteCursorField(TSQLMemCursor& cursor, const TSQLMemVariant& value, Integer fieldIndex) {
  if (fieldIndex < 0 || fieldIndex >= cursor.ProjectedFieldDefs().GetCount()) {
    // The cursor's own check names the field number and raises.
    cursor.SetFieldValue(nullptr, value, fieldIndex, false);
    return;
  }
  const TSQLMemFieldDef& field = cursor.ProjectedFieldDefs().GetFieldDef(fieldIndex);
  if (!IsBLOBDataType(field.DataType) || value.IsNull()) {
    cursor.SetFieldValue(nullptr, value, fieldIndex, false);
    return;
  }
  // A BLOB value replaces the field's whole value; text is written without its terminator.
  Integer size = value.DataSize();
  if (value.IsText() && !value.IsBLOB()) size = value.IsWide() ? value.GetTextLength() * 2 : value.GetTextLength();
  TStream* stream = cursor.OpenBLOB(fieldIndex, bomWrite);
  if (stream == nullptr) SQLMemError(10316, SQLMemNilPointer);
  try {
    if (size > 0) stream->WriteBuffer(value.Data(), size);
  } catch (...) {
    try {
      cursor.CloseBLOB(fieldIndex);
    } catch (...) {  // the write's own failure is the one to report
    }
    throw;
  }
  cursor.CloseBLOB(fieldIndex);
}

// ---- filter condition and projection ----

void TSQLMemDataSet::SetFilterExpression(std::unique_ptr<TSQLMemExpression> expression) {
  CheckCursor(10300).SetFilterExpression(std::move(expression));
}

void TSQLMemDataSet::SetProjection(const std::vector<AnsiString>& fieldNames, const std::vector<AnsiString>& aliases) {
  TSQLMemCursor& cursor = CheckCursor(10320);
  // Nothing to do when the lists name the fields shown already, in that order and under those names.
  const TSQLMemFieldDefs& shown = cursor.ProjectedFieldDefs();
  bool same = fieldNames.size() == aliases.size() && static_cast<Integer>(fieldNames.size()) == shown.GetCount();
  for (std::size_t i = 0; same && i < fieldNames.size(); ++i) {
    const TSQLMemFieldDef& field = shown.GetFieldDef(static_cast<Integer>(i));
    const AnsiString& name = aliases[i].empty() ? fieldNames[i] : aliases[i];
    const bool sameSource = field.TableFieldNo >= 0 && field.TableFieldNo < cursor.FieldDefs->GetCount() &&
                            SameText(cursor.FieldDefs->GetFieldDef(field.TableFieldNo).Name, fieldNames[i]);
    same = sameSource && SameText(field.Name, name);
  }
  if (same) return;
  cursor.SetProjection(fieldNames, aliases);
  // The fields are made anew from the projection: the dataset closes and opens on the same cursor,
  // which keeps its table and filters meanwhile. Like any open, it starts at the first record.
  cursor.SetBeginOfData();
  TSQLMemCursor* kept = cursor_;
  keptCursor_ = kept;
  try {
    Close();
    Open();
  } catch (...) {
    keptCursor_ = nullptr;
    // An open that failed has let go of the cursor without freeing it.
    if (cursor_ != kept) delete kept;
    if (!Active() && HoldsDatabase(hrOpen)) HoldDatabase(hrOpen, false);
    throw;
  }
  keptCursor_ = nullptr;
}

// ---- table use count ----

void TSQLMemDataSet::IncTableUseCount() {
  CheckActive();
  CheckCursor(10041).IncTableUseCount();
}

void TSQLMemDataSet::DecTableUseCount() {
  CheckActive();
  CheckCursor(10041).DecTableUseCount();
}

// ---- bulk operations ----

void TSQLMemDataSet::DeleteAllRecords() {
  if (!Active()) SQLMemError(11304, SQLMemDatasetNotOpened);
  if (ReadOnly()) SQLMemError(11305, SQLMemDatasetReadOnly);
  TSQLMemCursor& cursor = CheckCursor(11306);
  First();
  cursor.CurrentRecordBuffer = ActiveBuffer();
  cursor.DeleteAllRecords();
  // The buffers still show the records that are gone, and a filtered cursor's list of the records it
  // sees may still name them: the list is made again, and the dataset reads again from the start.
  cursor.ResetFilterBitmap();
  First();
}

void TSQLMemDataSet::UpdateAllRecords(const std::vector<AnsiString>& fieldNames,
                                      const std::vector<TSQLMemVariant>& values) {
  if (!Active()) SQLMemError(11463, SQLMemDatasetNotOpened);
  if (ReadOnly()) SQLMemError(11464, SQLMemDatasetReadOnly);
  TSQLMemCursor& cursor = CheckCursor(11465);
  First();
  cursor.CurrentRecordBuffer = ActiveBuffer();
  cursor.UpdateAllRecords(fieldNames, values, false);
  // The buffers still hold the old values, and a filtered set may have lost records: the cursor's list
  // of the records it sees is made again.
  cursor.ResetFilterBitmap();
  First();
}

// ---- position ----

void TSQLMemDataSet::GetRecordPosition(Integer& recordNo, SmallInt& itemNo) const {
  const TSQLMemCursor& cursor = CheckCursor(11352);
  recordNo = cursor.PageNo;
  itemNo = cursor.ItemNo;
}
