#include "engine/storage/SQLMemCursor.h"

#include <cstring>
#include <vector>

#include "engine/foundation/SQLMemConst.h"
#include "engine/foundation/SQLMemExcept.h"
#include "engine/foundation/SQLMemMemory.h"
#include "engine/foundation/SQLMemSettings.h"
#include "engine/storage/SQLMemRecordBLOB.h"
#include "engine/storage/SQLMemRecordBuffer.h"
#include "engine/sql/SQLMemExpression.h"
#include "vcl/rtl/CheckedInt.h"
#include "vcl/rtl/Stream.h"

namespace {

constexpr Integer kTrailerFlagOffset = TSQLMemRecordID::kSize;

// Length in bytes of the text in a slot, terminator excluded, never past the slot.
Integer SlotTextBytes(const Byte* slot, Integer slotSize, bool wide) {
  const Integer unit = wide ? 2 : 1;
  for (Integer i = 0; i + unit <= slotSize; i += unit) {
    if (slot[i] == 0 && (!wide || slot[i + 1] == 0)) return i;
  }
  return slotSize - slotSize % unit;
}

}  // namespace

TSQLMemCursor::TSQLMemCursor()
    : AllocationStep(MemoryTableGrowthStep),
      ConstraintDefs(std::make_unique<TSQLMemConstraintDefs>()),
      FieldDefs(std::make_unique<TSQLMemFieldDefs>()),
      IndexDefs(std::make_unique<TSQLMemIndexDefs>()),
      ownProjection_(std::make_unique<TSQLMemFieldDefs>()),
      projectedFieldDefs_(ownProjection_.get()) {}

TSQLMemCursor::~TSQLMemCursor() {
  if (spareRecordBuffer_ != nullptr) {
    void* p = spareRecordBuffer_;
    MemoryManager().FreeMem(p);
  }
}

void TSQLMemCursor::RenameField(const AnsiString& oldName, const AnsiString& newName) {
  TSQLMemFieldDef* field = FieldDefs->FindByName(oldName);
  if (field == nullptr) SQLMemError(30345, SQLMemFieldNotFound, {oldName});
  if (FieldDefs->FindByName(newName) != nullptr)
    SQLMemError(30346, SQLMemCannotRenameFieldNameExists, {oldName, newName});
  field->Name = newName.substr(0, 255);
}

void TSQLMemCursor::SetIndexName(const AnsiString& name) {
  indexName_ = name;
  const TSQLMemIndexDef* index = IndexDefs->FindByName(name);
  currentIndexId_ = index != nullptr ? index->ObjectId : -1;
}

const TSQLMemFieldDef& TSQLMemCursor::ProjectedField(Integer fieldNo, Integer code, Integer& tableFieldNo) const {
  const Integer count = ProjectedFieldDefs().GetCount();
  if (fieldNo < 0 || fieldNo >= count) SQLMemError(code, SQLMemInvalidFieldNumber, {fieldNo, count});
  const TSQLMemFieldDef& projected = ProjectedFieldDefs().GetFieldDef(fieldNo);
  tableFieldNo = projected.TableFieldNo;
  return FieldDefs->GetFieldDef(tableFieldNo);
}

const TSQLMemFieldDef& TSQLMemCursor::FieldForValue(Integer fieldNo, bool byTableField, Integer tableCode,
                                                    Integer projectedCode, Integer& tableFieldNo) const {
  if (!byTableField) return ProjectedField(fieldNo, projectedCode, tableFieldNo);
  const Integer count = FieldDefs->GetCount();
  if (fieldNo < 0 || fieldNo >= count) SQLMemError(tableCode, SQLMemInvalidFieldNumber, {fieldNo, count});
  tableFieldNo = fieldNo;
  return FieldDefs->GetFieldDef(fieldNo);
}

bool TSQLMemCursor::GetFieldData(Integer fieldNo, void* destination, const Byte* recordBuffer) const {
  Integer tableFieldNo = -1;
  ProjectedField(fieldNo, 10005, tableFieldNo);
  return GetRecordFieldData(tableFieldNo, *FieldDefs, destination, recordBuffer);
}

void TSQLMemCursor::SetFieldData(Integer fieldNo, const void* source, Byte* recordBuffer) const {
  Integer tableFieldNo = -1;
  ProjectedField(fieldNo, 10006, tableFieldNo);
  PutRecordFieldData(tableFieldNo, *FieldDefs, source, recordBuffer);
  if (source == nullptr) MarkBLOBCleared(recordBuffer, tableFieldNo);
}

void TSQLMemCursor::MarkBLOBCleared(Byte* recordBuffer, Integer tableFieldNo) const {
  // The mark tells the post that this edit cleared the value, rather than never having read it.
  const TSQLMemFieldDef& field = FieldDefs->GetFieldDef(tableFieldNo);
  if (IsBLOBDataType(field.DataType)) SetBLOBSlotMark(recordBuffer, field, kBLOBMarkEdit);
}

void TSQLMemCursor::GetFieldValue(TSQLMemVariant& value, Integer fieldNo, bool copy, bool byTableField) {
  Integer tableFieldNo = -1;
  const TSQLMemFieldDef& field = FieldForValue(fieldNo, byTableField, 10317, 10737, tableFieldNo);
  if (CurrentRecordBuffer == nullptr) SQLMemError(11300, SQLMemNilPointer);
  if (IsRecordFieldNull(tableFieldNo, CurrentRecordBuffer)) {
    value.Clear(field.DataType);
    return;
  }
  if (IsBLOBDataType(field.DataType)) {
    // OpenBLOB numbers the projected fields.
    Integer projectedNo = fieldNo;
    if (byTableField) {
      projectedNo = -1;
      for (Integer i = 0; i < ProjectedFieldDefs().GetCount(); ++i)
        if (ProjectedFieldDefs().GetFieldDef(i).TableFieldNo == tableFieldNo) projectedNo = i;
    }
    ReadBLOBValue(value, projectedNo, field);
    return;
  }
  Byte* slot = CurrentRecordBuffer + field.RecordOffset;
  if (IsTextDataType(field.DataType)) {
    // The value holds its text with exactly one terminator, not the whole slot.
    const bool wide = IsWideDataType(field.DataType);
    const Integer bytes = SlotTextBytes(slot, field.DataSize, wide);
    const Integer terminator = wide ? 2 : 1;
    if (bytes + terminator <= field.DataSize) {
      value.SetData(slot, bytes + terminator, field.DataType, copy, false);
    } else {
      std::vector<Byte> text(static_cast<std::size_t>(bytes + terminator), 0);
      std::memcpy(text.data(), slot, static_cast<std::size_t>(bytes));
      value.SetData(text.data(), bytes + terminator, field.DataType, true, false);
    }
    return;
  }
  value.SetData(slot, field.DataSize, field.DataType, copy, false);
}

void TSQLMemCursor::ReadBLOBValue(TSQLMemVariant& value, Integer fieldNo, const TSQLMemFieldDef& field) {
  const Integer zeros = field.DataType == edtWideMemo ? 2 : 1;
  const Byte* stored = nullptr;
  Int64 storedSize = 0;
  if (StoredBLOBBytes(fieldNo, stored, storedSize) && storedSize > 0) {
    const Integer n = CheckedAdd<Integer>(CheckedCast<Integer>(storedSize), zeros);
    value.Clear(field.DataType);
    value.SetDataSize(n);
    std::memcpy(value.Data(), stored, static_cast<std::size_t>(storedSize));
    std::memset(static_cast<Byte*>(value.Data()) + storedSize, 0, static_cast<std::size_t>(zeros));
    return;
  }
  TStream* stream = OpenBLOB(fieldNo, 1);
  if (stream == nullptr) SQLMemError(11300, SQLMemNilPointer);
  struct Closer {
    TSQLMemCursor& cursor;
    Integer fieldNo;
    ~Closer() {
      try {
        cursor.CloseBLOB(fieldNo);
      } catch (...) {  // closing a reader stores nothing; a failure here must not hide the read's own
      }
    }
  } closer{*this, fieldNo};
  const Int64 size = stream->GetSize();
  if (size <= 0) {
    value.Clear(field.DataType);
    return;
  }
  const Integer n = CheckedAdd<Integer>(CheckedCast<Integer>(size), zeros);
  value.Clear(field.DataType);
  value.SetDataSize(n);
  stream->SetPosition(0);
  stream->ReadBuffer(value.Data(), n - zeros);
  std::memset(static_cast<Byte*>(value.Data()) + (n - zeros), 0, static_cast<std::size_t>(zeros));
}

void TSQLMemCursor::SetFieldValue(Byte* recordBuffer, const TSQLMemVariant& value, Integer fieldNo, bool byTableField) {
  Byte* buffer = recordBuffer != nullptr ? recordBuffer : CurrentRecordBuffer;
  Integer tableFieldNo = -1;
  const TSQLMemFieldDef& field = FieldForValue(fieldNo, byTableField, 10318, 10738, tableFieldNo);
  if (buffer == nullptr) SQLMemError(11300, SQLMemNilPointer);
  if (value.IsNull()) {
    SetRecordFieldNull(tableFieldNo, true, buffer);
    MarkBLOBCleared(buffer, tableFieldNo);
    return;
  }
  if (IsBLOBDataType(field.DataType))
    SQLMemError(byTableField ? 11589 : 11591, SQLMemBlobFieldValueNotAllowed, {fieldNo, TableName});
  // A value of the field's own type is stored as it is; any other goes through a converted copy.
  TSQLMemVariant converted(field.DataType);
  const TSQLMemVariant* stored = &value;
  if (value.DataType() != field.DataType) {
    converted.Assign(value, true);
    converted.ConvertTo(field.DataType);
    stored = &converted;
  }
  Byte* slot = buffer + field.RecordOffset;
  std::memset(slot, 0, static_cast<std::size_t>(field.DataSize));
  if (IsTextDataType(field.DataType)) {
    // Cut to the slot, keeping room for the terminator.
    const Integer terminator = IsWideDataType(field.DataType) ? 2 : 1;
    const Integer bytes = std::min(stored->DataSize() - terminator, field.DataSize - terminator);
    if (bytes > 0) std::memcpy(slot, stored->Data(), static_cast<std::size_t>(bytes));
  } else {
    stored->CopyDataTo(slot, field.DataSize);
  }
  SetRecordFieldNull(tableFieldNo, false, buffer);
}

void TSQLMemCursor::ComputeBufferGeometry() {
  const Integer dataSize = FieldDefs->RecordSize();
  FirstFieldOffset = FieldDefs->GetFieldDef(0).RecordOffset;
  RecordDataSize = dataSize;
  TrailerOffset = dataSize;
  KeyBufferSize = CheckedAdd<Integer>(dataSize, 6);
  RecordBufferSize = CheckedAdd<Integer>(dataSize, 7);
}

Byte* TSQLMemCursor::AllocRecordBuffer() {
  if (spareRecordBuffer_ == nullptr) spareRecordBuffer_ = static_cast<Byte*>(MemoryManager().GetMem(RecordBufferSize));
  return static_cast<Byte*>(MemoryManager().GetMem(RecordBufferSize));
}

void TSQLMemCursor::FreeRecordBuffer(Byte*& buffer) {
  void* p = buffer;
  MemoryManager().FreeMem(p);
  buffer = nullptr;
}

Byte* TSQLMemCursor::AllocBuffer() { return static_cast<Byte*>(MemoryManager().GetMem(KeyBufferSize)); }

void TSQLMemCursor::InitRecordBuffer(Byte* buffer) {
  std::memset(buffer, 0, static_cast<std::size_t>(RecordBufferSize));
  ClearRecordBuffer(buffer, false);
}

TSQLMemRecordID TSQLMemCursor::GetTrailerPosition(const Byte* recordBuffer) const {
  return LoadRecordID(recordBuffer + TrailerOffset);
}

void TSQLMemCursor::SetTrailerPosition(Byte* recordBuffer, const TSQLMemRecordID& position) const {
  StoreRecordID(recordBuffer + TrailerOffset, position);
}

Byte TSQLMemCursor::GetTrailerFlag(const Byte* recordBuffer) const {
  return recordBuffer[TrailerOffset + kTrailerFlagOffset];
}

void TSQLMemCursor::SetTrailerFlag(Byte* recordBuffer, Byte flag) const {
  recordBuffer[TrailerOffset + kTrailerFlagOffset] = flag;
}

void* TSQLMemCursor::GetBookmark() const {
  Byte* block = static_cast<Byte*>(MemoryManager().GetMem(kBookmarkSize));
  block[0] = Bof;
  block[1] = Eof;
  std::memcpy(block + 2, &PageNo, sizeof PageNo);
  std::memcpy(block + 6, &ItemNo, sizeof ItemNo);
  return block;
}

void TSQLMemCursor::SetBookmark(const void* bookmark) {
  const Byte* block = static_cast<const Byte*>(bookmark);
  Bof = block[0];
  Eof = block[1];
  std::memcpy(&PageNo, block + 2, sizeof PageNo);
  std::memcpy(&ItemNo, block + 6, sizeof ItemNo);
}

void TSQLMemCursor::FreeBookmark(void*& bookmark) {
  if (bookmark != nullptr) MemoryManager().FreeMem(bookmark);
  bookmark = nullptr;
}

void TSQLMemCursor::NotifyIndexDefsChanged() {
  if (OwnerDataSet != nullptr) OwnerDataSet->LoadIndexDefsFromCursor(*this);
}

void TSQLMemCursor::SetSuppliedProjection(TSQLMemFieldDefs* fieldDefs) {
  projectedFieldDefs_ = fieldDefs != nullptr ? fieldDefs : ownProjection_.get();
}

void TSQLMemCursor::ProjectAllFields() {
  ownProjection_->Assign(*FieldDefs);
  for (Integer i = 0; i < ownProjection_->GetCount(); ++i) ownProjection_->GetFieldDef(i).TableFieldNo = i;
}

void TSQLMemCursor::FreeSpareRecordBuffer() {
  if (spareRecordBuffer_ != nullptr) FreeRecordBuffer(spareRecordBuffer_);
}

// ---- operations a kind of cursor may not carry ----

void TSQLMemCursor::NotSupported() { SQLMemError(11394, SQLMemOperationNotSupported); }
void TSQLMemCursor::CreateTable(const TSQLMemFieldDefs&, const TSQLMemIndexDefs&, const TSQLMemConstraintDefs&) {
  NotSupported();
}
void TSQLMemCursor::DeleteTable(bool) { NotSupported(); }
void TSQLMemCursor::EmptyTable() { NotSupported(); }
void TSQLMemCursor::RenameTable(const AnsiString&) { NotSupported(); }
void TSQLMemCursor::LoadTableFromStream(TStream&) { NotSupported(); }
void TSQLMemCursor::SaveTableToStream(TStream&, Byte, Byte, Int64, bool, bool) { NotSupported(); }
void TSQLMemCursor::ReadTableDefs() { NotSupported(); }
void TSQLMemCursor::OpenTable(const TSQLMemFieldDefs*, const TSQLMemIndexDefs*, const TSQLMemConstraintDefs*) {
  NotSupported();
}
void TSQLMemCursor::CloseTable() { NotSupported(); }
void TSQLMemCursor::AddIndex(const TSQLMemIndexDef&) { NotSupported(); }
void TSQLMemCursor::DeleteIndex(const AnsiString&) { NotSupported(); }
void TSQLMemCursor::DeleteAllIndexes() { NotSupported(); }
AnsiString TSQLMemCursor::FindIndexForSort(const std::vector<AnsiString>&, const std::vector<AnsiString>&,
                                           const std::vector<AnsiString>&) {
  NotSupported();
}
bool TSQLMemCursor::RecordExists() { NotSupported(); }
Int64 TSQLMemCursor::GetRecordCount() { NotSupported(); }
Byte TSQLMemCursor::GetRecord(Byte) { NotSupported(); }
void TSQLMemCursor::SetRecNo(Int64) { NotSupported(); }
Int64 TSQLMemCursor::GetRecNo() { NotSupported(); }
void TSQLMemCursor::CancelRecord() { NotSupported(); }
void TSQLMemCursor::DiscardRecordChanges() { NotSupported(); }
void TSQLMemCursor::PostRecord(bool) { NotSupported(); }
void TSQLMemCursor::DeleteRecord() { NotSupported(); }
void TSQLMemCursor::DeleteAllRecords() { NotSupported(); }
void TSQLMemCursor::UpdateAllRecords(const std::vector<AnsiString>&, const std::vector<TSQLMemVariant>&, bool) {
  NotSupported();
}
void TSQLMemCursor::ResetFilterBitmap() { NotSupported(); }
void TSQLMemCursor::SetProjection(const std::vector<AnsiString>&, const std::vector<AnsiString>&) { NotSupported(); }
void TSQLMemCursor::SetFilterText(const AnsiString&, TSQLMemFilterOptions) { NotSupported(); }
void TSQLMemCursor::ClearFilterText() { NotSupported(); }
bool TSQLMemCursor::Locate(const AnsiString&, const Variant&, bool, bool) { NotSupported(); }
bool TSQLMemCursor::GotoKey(Byte) { NotSupported(); }
void TSQLMemCursor::CancelRange() { NotSupported(); }
void TSQLMemCursor::SetRange(Byte*, Byte*, Integer, Integer, bool, bool) { NotSupported(); }
void TSQLMemCursor::SetFilterExpression(std::unique_ptr<TSQLMemExpression>) { NotSupported(); }
void TSQLMemCursor::CloseBLOBStreams(bool) { NotSupported(); }
Int64 TSQLMemCursor::GetLastAutoincValue(Integer) { NotSupported(); }
void TSQLMemCursor::SetLastAutoincValue(Integer, Int64) { NotSupported(); }
void TSQLMemCursor::IncTableUseCount() { NotSupported(); }
void TSQLMemCursor::DecTableUseCount() { NotSupported(); }
