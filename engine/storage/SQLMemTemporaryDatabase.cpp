#include "engine/storage/SQLMemTemporaryDatabase.h"

#include <algorithm>

#include "engine/foundation/SQLMemArrays.h"
#include "engine/foundation/SQLMemConst.h"
#include "engine/foundation/SQLMemExcept.h"
#include "engine/foundation/SQLMemStreams.h"
#include "engine/foundation/SQLMemTypes.h"
#include "engine/foundation/SQLMemValueBytes.h"
#include "engine/storage/SQLMemBTreeIndex.h"
#include "engine/storage/SQLMemCursorPosition.h"
#include "engine/storage/SQLMemSession.h"
#include "vcl/rtl/CheckedInt.h"
#include "vcl/rtl/Stream.h"

namespace {

// The head of an entry of the BLOB stream: int32 block count of the value's compressed stream, int64
// uncompressed size, int64 length of the stored bytes that follow.
constexpr Integer kEntryHeadSize = 20;
constexpr Int64 kCopyPiece = 1 << 20;

struct TEntryHead {
  Integer BlockCount = 0;
  Int64 UncompressedSize = 0;
  Int64 DataLength = 0;
};

void WriteEntryHead(Byte* bytes, const TEntryHead& head) {
  StoreValue<Integer>(bytes, head.BlockCount);
  StoreValue<Int64>(bytes + 4, head.UncompressedSize);
  StoreValue<Int64>(bytes + 12, head.DataLength);
}

TEntryHead ReadEntryHead(const Byte* bytes) {
  return TEntryHead{LoadValue<Integer>(bytes), LoadValue<Int64>(bytes + 4), LoadValue<Int64>(bytes + 12)};
}

// Copies count bytes from source's position to dest's, in pieces; short reads and writes raise code.
void CopyBytes(TStream& source, TStream& dest, Int64 count, Integer readCode, Integer writeCode) {
  TSQLMemStreamBuffer buffer(static_cast<Integer>(std::min(std::max<Int64>(count, 1), kCopyPiece)));
  for (Int64 done = 0; done < count;) {
    const Integer piece = static_cast<Integer>(std::min(count - done, kCopyPiece));
    StreamReadChecked(buffer.Data(), piece, source, readCode);
    StreamWriteChecked(buffer.Data(), piece, dest, writeCode);
    done += piece;
  }
}

}  // namespace

// ---------------------------------------------------------------------------------------------
// TSQLMemTemporaryTableData

TSQLMemTemporaryTableData::TSQLMemTemporaryTableData(TSQLMemDatabaseData& database, Integer growthStep,
                                                     Integer writeBufferSize)
    : TSQLMemTableData(database), writeBufferSize_(writeBufferSize), growthStep_(growthStep),
      pageManager_(std::make_unique<TSQLMemTemporaryPageManager>()) {
  inMemory_ = 0;
  temporary_ = 1;
}

TSQLMemTemporaryTableData::~TSQLMemTemporaryTableData() {
  try {
    // The spill file goes now.
    if (recordManager_ != nullptr) recordManager_->EmptyRecords(-1);
  } catch (...) {  // a destructor never raises
  }
  // The indexes are not deleted one by one: their pages go with the page store below, and opening
  // each index to delete it would compare names through the locale, which a table freed at process
  // exit may no longer have. A table deleted the ordinary way has dropped its indexes already.
  blobStream_.reset();
  // The managers go before the page store: the open indexes hold it.
  FreeManagers();
}

void TSQLMemTemporaryTableData::DrawUniqueName() {
  AnsiString name;
  do {
    name = MakeUniqueName("TEMPORARY_TABLE_");
  } while (database_.TableExists(name));
  SetTableName(name);
}

TSQLMemTemporaryRecordManager* TSQLMemTemporaryTableData::TemporaryRecordManager() const {
  return static_cast<TSQLMemTemporaryRecordManager*>(recordManager_.get());
}

void TSQLMemTemporaryTableData::CreateRecordManager() {
  recordManager_.reset();
  recordManager_ =
      std::make_unique<TSQLMemTemporaryRecordManager>(RecordSize(), growthStep_, writeBufferSize_, recordMemoryLimit_);
}

void TSQLMemTemporaryTableData::NewBLOBStreamIfNeeded() {
  blobStream_.reset();
  if (hasBLOBFields_) blobStream_ = std::make_unique<TSQLMemTemporaryStream>();
}

void TSQLMemTemporaryTableData::CreateTable(TSQLMemCursor& cursor, const TSQLMemFieldDefs& fieldDefs,
                                            const TSQLMemConstraintDefs& constraintDefs,
                                            const TSQLMemIndexDefs& indexDefs) {
  if (fieldDefs.GetCount() == 0) SQLMemError(10132, SQLMemCreateTableNoFieldsSpecified);
  SetTableName(cursor.TableName);
  ValidateFieldDefs(fieldDefs);
  ValidateIndexDefs(indexDefs, fieldDefs);
  ValidateConstraintDefs(constraintDefs);
  CreateFieldManager(fieldDefs);
  CreateIndexManager(indexDefs);
  CreateConstraintManager(constraintDefs);
  if (constraintManager_->ConstraintDefs.HasForeignKeys)
    SQLMemError(11426, SQLMemForeignKeysNotInTemporaryTables);
  CreateRecordManager();
  SetCursorBufferSizes(cursor);
  NewBLOBStreamIfNeeded();
}

bool TSQLMemTemporaryTableData::DeleteTable(TSQLMemBaseSession* session, bool dropForeignKeys, bool force) {
  const bool toFree = TSQLMemTableData::DeleteTable(session, dropForeignKeys, force);
  if (HasIndexes()) {
    const Integer sessionId = session != nullptr ? session->SessionId : kNoSessionId;
    indexManager_->DeleteAllIndexes(sessionId);
    pageManager_->ApplyChanges(sessionId);
  }
  return toFree;
}

void TSQLMemTemporaryTableData::EmptyTable(TSQLMemCursor* cursor, bool force) {
  // The guard runs first, so that a refused call leaves the BLOB values the records point at.
  TSQLMemTableData::EmptyTable(cursor, force);
  if (recordManager_ != nullptr) recordManager_->EmptyRecords(-1);
  // An emptied table takes new records, and their BLOB values need a stream as well.
  NewBLOBStreamIfNeeded();
  pageManager_->ApplyChanges(kNoSessionId);
  if (cursor != nullptr && cursor->StorageSession() != nullptr) pageManager_->ApplyChanges(SessionIdOf(cursor));
}

// ---- cursors and indexes ----

void TSQLMemTemporaryTableData::AttachCursor(TSQLMemCursor& cursor) {
  SetTableName(cursor.TableName);
  freeAfterDetach_ = false;
  TSQLMemTableData::AttachCursor(cursor);
}

void TSQLMemTemporaryTableData::DetachCursor(TSQLMemCursor& cursor) {
  TSQLMemTableData::DetachCursor(cursor);
  if (cursors_.empty() && cursor.Loading == 0) freeAfterDetach_ = DeleteTable(cursor.StorageSession(), true, false);
}

void TSQLMemTemporaryTableData::AddIndex(TSQLMemIndexDef& indexDef, TSQLMemCursor& cursor) {
  TSQLMemTableData::AddIndex(indexDef, cursor);
  pageManager_->ApplyChanges(SessionIdOf(&cursor));
}

// ---- record ids ----

Int64 TSQLMemTemporaryTableData::RecordIdToNumber(const TSQLMemRecordID& recordId) const {
  return TemporaryRecordIdToNumber(recordId);
}

TSQLMemRecordID TSQLMemTemporaryTableData::NumberToRecordId(Int64 number) const {
  return TemporaryNumberToRecordId(number);
}

int TSQLMemTemporaryTableData::CompareRecordIds(const TSQLMemRecordID& a, const TSQLMemRecordID& b) const {
  const Int64 x = TemporaryRecordIdToNumber(a), y = TemporaryRecordIdToNumber(b);
  return x == y ? 0 : x > y ? 1 : -1;
}

// ---- records ----

bool TSQLMemTemporaryTableData::InsertRecord(TSQLMemCursor& cursor) {
  if (recordManager_ == nullptr) SQLMemError(10134, SQLMemNilPointer);
  Byte* buffer = cursor.CurrentRecordBuffer;
  if (buffer == nullptr) SQLMemError(10135, SQLMemNilPointer);
  TSQLMemRecordID recordId;
  if (!recordManager_->AppendRecord(buffer, recordId, -1)) return false;
  PlaceCursor(cursor, recordId);
  const Integer sessionId = SessionIdOf(&cursor);
  if (indexManager_ != nullptr) indexManager_->InsertRecordKeys({sessionId, buffer, nullptr, recordId});
  FlushPages(sessionId);
  KeepFilterBitmapAfterInsert(cursor, recordId);
  return true;
}

void TSQLMemTemporaryTableData::DeleteRecords(TSQLMemCursor& /*cursor*/) {
  SQLMemError(11301, SQLMemOperationNotSupported);
}

void TSQLMemTemporaryTableData::SetRecNoNatural(TSQLMemCursor& cursor, Int64 recordNo) {
  if (recordManager_ == nullptr) SQLMemError(10136, SQLMemNilPointer);
  PlaceCursor(cursor, NumberToRecordId(recordNo < 2 ? 0 : recordNo - 1));
}

Int64 TSQLMemTemporaryTableData::GetRecNoNatural(TSQLMemCursor& cursor) {
  if (recordManager_ == nullptr) SQLMemError(10137, SQLMemNilPointer);
  return RecordIdToNumber(CursorRecordId(cursor)) + 1;
}

Int64 TSQLMemTemporaryTableData::GetRecordCount() {
  if (recordManager_ == nullptr) SQLMemError(10133, SQLMemNilPointer);
  return recordManager_->GetRecordCount();
}

// ---- BLOB values ----

std::unique_ptr<TSQLMemLocalBLOBStream> TSQLMemTemporaryTableData::OpenBLOB(TSQLMemCursor& cursor, bool insert,
                                                                             Byte mode, Integer fieldNo) {
  if (blobStream_ == nullptr) SQLMemError(10140, SQLMemNilPointer);
  const TSQLMemFieldDef& field = TableFieldDefs().GetFieldDef(fieldNo);
  CompressedBLOBDescriptor descriptor;
  descriptor.BlockSize = field.BLOBBlockSize;
  descriptor.Algorithm = field.BLOBCompressionAlgorithm;
  descriptor.Mode = field.BLOBCompressionLevel;
  auto base = std::make_unique<TSQLMemTemporaryStream>();
  const Byte* buffer = cursor.CurrentRecordBuffer;
  const bool stored = !insert && mode != bomWrite && buffer != nullptr && !IsRecordFieldNull(fieldNo, buffer);
  if (stored) {
    const Int64 position = LoadValue<Int64>(buffer + field.RecordOffset);
    const Int64 size = blobStream_->GetSize();
    // A position past the end would seek, but hold no entry.
    if (position < 0 || position > size)
      SQLMemError(10141, SQLMemCannotSetStreamPosition, {position, blobStream_->GetPosition(), size});
    StreamSeekChecked(*blobStream_, 10141, position);
    Byte headBytes[kEntryHeadSize];
    StreamReadChecked(headBytes, kEntryHeadSize, *blobStream_, 10142);
    const TEntryHead head = ReadEntryHead(headBytes);
    const Int64 left = size - blobStream_->GetPosition();
    if (head.DataLength < 0 || head.DataLength > left)
      SQLMemError(10142, SQLMemCannotReadBlockFromStream, {position, size, Int64{kEntryHeadSize}, left});
    CopyBytes(*blobStream_, *base, head.DataLength, 10142, 10142);
    base->Seek(0, soBeginning);
    descriptor.BlockCount = head.BlockCount;
    descriptor.UncompressedSize = head.UncompressedSize;
  }
  auto compressed = std::make_unique<TSQLMemCompressedBLOBStream>(*base, descriptor, !stored);
  return std::make_unique<TSQLMemLocalBLOBStream>(std::move(compressed), std::move(base), fieldNo, mode, &cursor);
}

void TSQLMemTemporaryTableData::StoreBLOB(TSQLMemCursor& cursor, Integer fieldNo, TSQLMemLocalBLOBStream& stream) {
  if (blobStream_ == nullptr) SQLMemError(10144, SQLMemNilPointer);
  // A stream opened for writing started empty, so it replaces the value even when nothing was written
  // (as in every other table): clearing a value must not bring the old one back.
  if (stream.Mode() == bomRead || (stream.Mode() != bomWrite && !stream.Modified)) return;
  Byte* buffer = cursor.CurrentRecordBuffer;
  if (buffer == nullptr) SQLMemError(10144, SQLMemNilPointer);
  const TSQLMemFieldDef& field = TableFieldDefs().GetFieldDef(fieldNo);
  TSQLMemCompressedBLOBStream& value = stream.BLOBStream();
  if (value.GetSize() == 0) {
    SetRecordFieldNull(fieldNo, true, buffer);
    return;
  }
  TStream& data = stream.BaseStream();
  const TEntryHead head{CheckedCast<Integer>(value.Descriptor().BlockCount), value.GetSize(), data.GetSize()};
  const Int64 position = blobStream_->GetSize();
  // The entries only ever append: the room doubles, so that a large result does not copy the BLOBs
  // it holds at every step of the stream's growth. The room is a hint only: without memory for it the
  // stream grows as it would.
  const Int64 needed = position + kEntryHeadSize + head.DataLength;
  if (const Int64 room = blobStream_->Capacity(); blobStream_->InMemory() && needed > room) {
    try {
      blobStream_->Reserve(std::max(needed, 2 * room));
    } catch (const Exception&) {
      // Past the memory limit the stream keeps its room and grows by its steps.
    }
  }
  StreamSeekChecked(*blobStream_, 10422, position);
  Byte headBytes[kEntryHeadSize];
  WriteEntryHead(headBytes, head);
  StreamWriteChecked(headBytes, kEntryHeadSize, *blobStream_, 10145);
  data.Seek(0, soBeginning);
  CopyBytes(data, *blobStream_, head.DataLength, 10145, 10145);
  StoreValue<Int64>(buffer + field.RecordOffset, position);
  SetRecordFieldNull(fieldNo, false, buffer);
}

// ---- the temporary table stream form ----

void TSQLMemTemporaryTableData::CheckCanLoad(TStream& stream) { LoadFromStream(stream); }

void TSQLMemTemporaryTableData::CheckCanSave(TStream& stream, Byte /*algorithm*/, Byte /*level*/,
                                             Int64 /*headerSizeValue*/, bool /*ignoreOpenCursors*/) {
  SaveToStream(stream);
}

void TSQLMemTemporaryTableData::LoadFromStream(TStream& stream) {
  DrawUniqueName();
  auto fields = std::make_unique<TSQLMemBaseFieldManager>(this, sequenceManager_.get());
  fields->LoadFromStream(stream);
  fields->FieldDefs.UpdateLayout();
  bool hasBLOBFields = false;
  for (Integer i = 0; i < fields->FieldDefs.GetCount(); ++i) {
    const TSQLMemFieldDef& field = fields->FieldDefs.GetFieldDef(i);
    if (!IsBLOBDataType(field.DataType)) continue;
    hasBLOBFields = true;
    if (field.BLOBBlockSize == 0) SQLMemError(11333, SQLMemBLOBBlockSizeNotPositive, {field.Name});
  }
  indexManager_.reset();
  fieldManager_ = std::move(fields);
  hasBLOBFields_ = hasBLOBFields;
  constraintManager_ = std::make_unique<TSQLMemBaseConstraintManager>(this);
  constraintManager_->ResolveAll();
  indexManager_ = std::make_unique<TSQLMemBaseIndexManager>(*this);
  indexManager_->LoadFromStream(stream);
  CreateRecordManager();
  recordManager_->LoadFromStream(stream);
  Int64 blobSize = 0;
  StreamReadChecked(&blobSize, 8, stream, 11195);
  const Int64 left = stream.GetSize() - stream.GetPosition();
  if (blobSize < 0 || blobSize > left || (blobSize > 0 && !hasBLOBFields_))
    SQLMemError(11195, SQLMemCannotReadBlockFromStream, {stream.GetPosition() - 8, stream.GetSize(), Int64{8}, Int64{8}});
  NewBLOBStreamIfNeeded();
  if (blobSize > 0) {
    blobStream_->CopyFromStream(stream, blobSize, stream.GetPosition());
    stream.Seek(blobSize, soCurrent);
  }
}

void TSQLMemTemporaryTableData::SaveToStream(TStream& stream) {
  if (fieldManager_ == nullptr) SQLMemError(10425, SQLMemNilPointer);
  fieldManager_->SaveToStream(stream);
  TableIndexManager().SaveToStream(stream);
  TableRecordManager().SaveToStream(stream);
  const Int64 blobSize = blobStream_ != nullptr ? blobStream_->GetSize() : 0;
  StreamWriteChecked(&blobSize, 8, stream, 11194);
  // The copy puts both positions back where they were.
  if (blobSize > 0) blobStream_->SaveToStream(stream);
  stream.Seek(0, soEnd);
}

// ---------------------------------------------------------------------------------------------
// TSQLMemTemporaryDatabaseData

TSQLMemTemporaryDatabaseData::TSQLMemTemporaryDatabaseData() : TSQLMemDatabaseData("TEMP", false, true) {}

TSQLMemDatabaseTable* TSQLMemTemporaryDatabaseData::CreateTableData(TSQLMemCursor& cursor) {
  auto table = std::make_unique<TSQLMemTemporaryTableData>(*this, 1000, 10);
  // The name is drawn and the table added under one write lock, so that two cursors cannot draw the
  // same name.
  LockTables(true);
  try {
    table->DrawUniqueName();
    AddTable(table.get());
  } catch (...) {
    UnlockTables();
    throw;
  }
  UnlockTables();
  cursor.TableName = table->GetTableName();
  return table.release();
}
