#include "engine/storage/SQLMemMemoryTable.h"

#include <vector>

#include "engine/foundation/SQLMemConst.h"
#include "engine/foundation/SQLMemExcept.h"
#include "engine/foundation/SQLMemTypes.h"
#include "engine/storage/SQLMemCursorPosition.h"
#include "engine/storage/SQLMemSession.h"
#include "vcl/rtl/CheckedInt.h"

class TSQLMemMemoryTableData::TTableLockHold {
 public:
  explicit TTableLockHold(TSQLMemTableData& table) : table_(table) { table_.Lock(true); }
  ~TTableLockHold() { table_.Unlock(); }
  TTableLockHold(const TTableLockHold&) = delete;
  TTableLockHold& operator=(const TTableLockHold&) = delete;

 private:
  TSQLMemTableData& table_;
};

// ---------------------------------------------------------------------------------------------
// TSQLMemMemoryTableData

TSQLMemMemoryTableData::TSQLMemMemoryTableData(TSQLMemDatabaseData& database, const AnsiString& tableName,
                                               Integer allocBy)
    : TSQLMemTableData(database), pageManager_(std::make_unique<TSQLMemMemoryPageManager>()), allocBy_(allocBy) {
  inMemory_ = 1;
  temporary_ = 0;
  SetTableName(tableName);
}

TSQLMemMemoryTableData::~TSQLMemMemoryTableData() {
  try {
    if (recordManager_ != nullptr && HasBLOBFields() && recordManager_->GetRecordCount() > 0) FastClear();
  } catch (...) {  // a destructor never raises; what could not be freed stays allocated
  }
  // The managers go first: the open indexes hold the page store.
  FreeManagers();
}

TSQLMemMemoryRecordManager* TSQLMemMemoryTableData::MemoryRecordManager() const {
  return static_cast<TSQLMemMemoryRecordManager*>(recordManager_.get());
}

void TSQLMemMemoryTableData::CreateRecordManager() {
  recordManager_.reset();
  recordManager_ = std::make_unique<TSQLMemMemoryRecordManager>(this, allocBy_, RecordSize());
}

void TSQLMemMemoryTableData::CreateTable(TSQLMemCursor& cursor, const TSQLMemFieldDefs& fieldDefs,
                                         const TSQLMemConstraintDefs& constraintDefs,
                                         const TSQLMemIndexDefs& indexDefs) {
  if (fieldDefs.GetCount() == 0) SQLMemError(10025, SQLMemCreateTableNoFieldsSpecified);
  SetTableName(cursor.TableName);
  ValidateFieldDefs(fieldDefs);
  ValidateIndexDefs(indexDefs);
  ValidateConstraintDefs(constraintDefs);
  CreateSequenceManager();
  CreateFieldManager(fieldDefs);
  CreateIndexManager(indexDefs);
  CreateConstraintManager(constraintDefs);
  CreateAutoincSequences();
  if (constraintManager_->ConstraintDefs.HasForeignKeys) ResolveForeignKeys(cursor);
  CreateRecordManager();
  SetCursorBufferSizes(cursor);
}

bool TSQLMemMemoryTableData::DeleteTable(TSQLMemBaseSession* session, bool dropForeignKeys, bool force) {
  const bool toFree = TSQLMemTableData::DeleteTable(session, dropForeignKeys, force);
  if (HasIndexes()) {
    const Integer sessionId = session != nullptr ? session->SessionId : kNoSessionId;
    TTableLockHold hold(*this);
    DropAllIndexStorage(sessionId);
    pageManager_->ApplyChanges(sessionId);
  }
  return toFree;
}

void TSQLMemMemoryTableData::EmptyTable(TSQLMemCursor* cursor, bool force) {
  if (!force && constraintManager_ != nullptr && constraintManager_->ConstraintDefs.HasDeleteActions())
    SQLMemError(11494, SQLMemCannotEmptyReferencedTable, {tableName_});
  TTableLockHold hold(*this);
  TSQLMemTableData::EmptyTable(cursor, force);
  FastClear();
  pageManager_->ApplyChanges(SessionIdOf(cursor));
}

void TSQLMemMemoryTableData::FastClear() {
  if (recordManager_ == nullptr) return;
  if (HasBLOBFields() && recordManager_->GetRecordCount() > 0) {
    std::vector<Byte> buffer(static_cast<std::size_t>(RecordSize()));
    TSQLMemNavigationRequest request;
    request.Direction = ndNext;
    request.First = 1;
    request.RecordBuffer = buffer.data();
    for (recordManager_->NavigateRecord(request); request.Result == nrFound; recordManager_->NavigateRecord(request))
      FreeRecordBLOBs(buffer.data());
  }
  recordManager_->EmptyRecords(kNoSessionId);
  pageManager_->ApplyChanges(kNoSessionId);
}

void TSQLMemMemoryTableData::LoadFromStream(TStream& stream) {
  TTableLockHold hold(*this);
  CheckCanLoad(stream);
  SQLMemError(30035, SQLMemNotImplementedYet);
}

void TSQLMemMemoryTableData::SaveToStream(TStream& stream, Byte algorithm, Byte level, Int64 headerSizeValue,
                                          bool ignoreOpenCursors) {
  TTableLockHold hold(*this);
  CheckCanSave(stream, algorithm, level, headerSizeValue, ignoreOpenCursors);
  SQLMemError(30035, SQLMemNotImplementedYet);
}

void TSQLMemMemoryTableData::RenameTable(const AnsiString& newName) {
  if (database_.TableExists(newName))
    SQLMemError(11491, SQLMemCannotRenameTableNameExists, {tableName_, newName});
  TSQLMemTableData::RenameTable(newName);
}

// ---- locked calls ----

void TSQLMemMemoryTableData::AttachCursor(TSQLMemCursor& cursor) {
  SetTableName(cursor.TableName);
  TSQLMemLockHold hold(cursorListLock_, true);
  TSQLMemTableData::AttachCursor(cursor);
}

void TSQLMemMemoryTableData::DetachCursor(TSQLMemCursor& cursor) {
  TSQLMemLockHold hold(cursorListLock_, true);
  TSQLMemTableData::DetachCursor(cursor);
}

void TSQLMemMemoryTableData::AddIndex(TSQLMemIndexDef& indexDef, TSQLMemCursor& cursor) {
  TTableLockHold hold(*this);
  {
    TSQLMemLockHold cursors(cursorListLock_, true);
    TSQLMemTableData::AddIndex(indexDef, cursor);
  }
  pageManager_->ApplyChanges(SessionIdOf(&cursor));
}

void TSQLMemMemoryTableData::DeleteIndex(Integer indexId, TSQLMemCursor* cursor) {
  TTableLockHold hold(*this);
  TSQLMemLockHold cursors(cursorListLock_, true);
  TSQLMemTableData::DeleteIndex(indexId, cursor);
}

void TSQLMemMemoryTableData::DropIndexStorage(Integer sessionId, Integer indexId) {
  TTableLockHold hold(*this);
  TSQLMemTableData::DropIndexStorage(sessionId, indexId);
}

void TSQLMemMemoryTableData::DeleteAllIndexes(TSQLMemCursor* cursor) {
  TTableLockHold hold(*this);
  TSQLMemTableData::DeleteAllIndexes(cursor);
}

void TSQLMemMemoryTableData::DropAllIndexStorage(Integer sessionId) {
  TTableLockHold hold(*this);
  TSQLMemTableData::DropAllIndexStorage(sessionId);
}

Byte TSQLMemMemoryTableData::MoveCursor(TSQLMemCursor& cursor, Byte direction) {
  TTableLockHold hold(*this);
  return TSQLMemTableData::MoveCursor(cursor, direction);
}

bool TSQLMemMemoryTableData::RecordExists(TSQLMemCursor& cursor) {
  TTableLockHold hold(*this);
  return TSQLMemTableData::RecordExists(cursor);
}

void TSQLMemMemoryTableData::CheckConstraints(TSQLMemCursor& cursor, Integer sessionId, bool skipForeignKeys,
                                              const TSQLMemRecordID& recordId, bool insert,
                                              const Byte* oldRecordBuffer, const Byte* newRecordBuffer) {
  TTableLockHold hold(*this);
  TSQLMemTableData::CheckConstraints(cursor, sessionId, skipForeignKeys, recordId, insert, oldRecordBuffer,
                                     newRecordBuffer);
}

void TSQLMemMemoryTableData::InitNewRecord(TSQLMemCursor& cursor, Byte* recordBuffer, bool withAutoinc) {
  TTableLockHold hold(*this);
  TSQLMemTableData::InitNewRecord(cursor, recordBuffer, withAutoinc);
}

void TSQLMemMemoryTableData::IncUseCount() {
  TSQLMemLockHold hold(useCountLock_, true);
  TSQLMemTableData::IncUseCount();
}

void TSQLMemMemoryTableData::DecUseCount() {
  TSQLMemLockHold hold(useCountLock_, true);
  TSQLMemTableData::DecUseCount();
}

// ---- record ids ----

TSQLMemRecordID TSQLMemMemoryTableData::NumberToRecordId(Int64 number) const {
  return TSQLMemRecordID{CheckedCast<Integer>(number), 0};
}

int TSQLMemMemoryTableData::CompareRecordIds(const TSQLMemRecordID& a, const TSQLMemRecordID& b) const {
  return a.RecordNo < b.RecordNo ? -1 : a.RecordNo > b.RecordNo ? 1 : 0;
}

// ---- records ----

bool TSQLMemMemoryTableData::InsertRecord(TSQLMemCursor& cursor) {
  TTableLockHold hold(*this);
  if (recordManager_ == nullptr) SQLMemError(10010, SQLMemNilPointer);
  Byte* buffer = cursor.CurrentRecordBuffer;
  if (buffer == nullptr) SQLMemError(10018, SQLMemNilPointer);
  const Integer sessionId = SessionIdOf(&cursor);
  MarkBLOBs(buffer, false);
  TSQLMemRecordID recordId;
  if (!recordManager_->AppendRecord(buffer, recordId, sessionId)) return false;
  PlaceCursor(cursor, recordId);
  if (indexManager_ != nullptr) indexManager_->InsertRecordKeys({sessionId, buffer, nullptr, recordId});
  FlushPages(sessionId);
  // The bitmap's place for the record is found through the indexes, so they hold it first.
  KeepFilterBitmapAfterInsert(cursor, recordId);
  return true;
}

bool TSQLMemMemoryTableData::UpdateRecord(TSQLMemCursor& cursor) {
  TTableLockHold hold(*this);
  if (recordManager_ == nullptr) SQLMemError(10014, SQLMemNilPointer);
  Byte* buffer = cursor.CurrentRecordBuffer;
  if (buffer == nullptr) SQLMemError(10017, SQLMemNilPointer);
  const Integer sessionId = SessionIdOf(&cursor);
  const TSQLMemRecordID recordId = CursorRecordId(cursor);
  if (constraintManager_ != nullptr && constraintManager_->ConstraintDefs.HasUpdateActions())
    RunReferentialActions(cursor, false);
  // The stored record is the old key of every index; a record that is gone has none, and its slot
  // must not be written (the store answers false for it as well).
  std::vector<Byte> old(static_cast<std::size_t>(RecordSize()));
  if (!ReadStoredRecord(sessionId, recordId, old.data())) return false;
  if (indexManager_ != nullptr) indexManager_->UpdateRecordKeys({sessionId, buffer, old.data(), recordId});
  if (!recordManager_->UpdateRecord(buffer, recordId, sessionId)) return false;
  MarkBLOBs(buffer, false);
  FlushPages(sessionId);
  KeepFilterBitmapAfterUpdate(cursor, recordId);
  return true;
}

bool TSQLMemMemoryTableData::DeleteRecord(TSQLMemCursor& cursor) {
  TTableLockHold hold(*this);
  if (recordManager_ == nullptr) SQLMemError(10013, SQLMemNilPointer);
  const Integer sessionId = SessionIdOf(&cursor);
  const TSQLMemRecordID recordId = CursorRecordId(cursor);
  if (constraintManager_ != nullptr && constraintManager_->ConstraintDefs.HasDeleteActions())
    RunReferentialActions(cursor, true);
  std::vector<Byte> record(static_cast<std::size_t>(RecordSize()));
  if (!ReadStoredRecord(sessionId, recordId, record.data())) return false;
  FreeRecordBLOBs(record.data());
  // Where the cursor goes afterwards: the next record, else the prior one, found from the record
  // while it still exists (in the cursor's index order), with a scratch buffer in the cursor's place.
  TSQLMemRecordID next;
  bool hasNext = false;
  {
    std::vector<Byte> scratch(record.size());
    TCursorPositionKeeper keeper(cursor);
    for (Byte direction : {ndNext, ndPrior}) {
      keeper.Restore();
      PlaceCursor(cursor, recordId);
      cursor.CurrentRecordBuffer = scratch.data();
      if (TSQLMemTableData::MoveCursor(cursor, direction) == nrFound) {
        next = CursorRecordId(cursor);
        hasNext = true;
        break;
      }
    }
  }
  if (indexManager_ != nullptr) indexManager_->DeleteRecordKeys(sessionId, recordId, record.data());
  if (!recordManager_->DeleteRecord(recordId, sessionId)) return false;
  if (cursor.FilterBitmap != nullptr && cursor.FilterBitmap->Active() && cursor.FilterBitmap->CheckRecord(recordId))
    cursor.FilterBitmap->RemoveRecord(recordId);
  if (hasNext)
    PlaceCursor(cursor, next);
  else
    cursor.SetBeginOfData();
  FlushPages(sessionId);
  return true;
}

void TSQLMemMemoryTableData::DeleteRecords(TSQLMemCursor& cursor) {
  if (recordManager_ == nullptr) SQLMemError(11312, SQLMemNilPointer);
  TTableLockHold hold(*this);
  const Int64 seen = RecordsSeenBy(cursor);
  const Int64 count = recordManager_->GetRecordCount();
  if (seen > 0) {
    if (count < seen) SQLMemError(11311, SQLMemInvalidRecordCount, {seen, count});
    const bool deleteActions =
        constraintManager_ != nullptr && constraintManager_->ConstraintDefs.HasDeleteActions();
    if (seen == count && !deleteActions) {
      recordCountSnapshot_ = count;
      FastClear();
      const Integer sessionId = SessionIdOf(&cursor);
      DropAllIndexStorage(sessionId);
      pageManager_->ApplyChanges(sessionId);
    } else {
      TSQLMemTableData::DeleteRecords(cursor);
      FlushPages(SessionIdOf(&cursor));
    }
  }
  cursor.SetBeginOfData();
}

void TSQLMemMemoryTableData::UpdateRecords(TSQLMemCursor& cursor, const std::vector<AnsiString>& fieldNames,
                                           const std::vector<const TSQLMemVariant*>& values, bool skipForeignKeys) {
  if (recordManager_ == nullptr) SQLMemError(11450, SQLMemNilPointer);
  TTableLockHold hold(*this);
  TSQLMemTableData::UpdateRecords(cursor, fieldNames, values, skipForeignKeys);
  FlushPages(SessionIdOf(&cursor));
}

void TSQLMemMemoryTableData::FreeReplacedBLOBs(Byte* storedRecord, const Byte* newRecord) {
  const TSQLMemFieldDefs& fields = TableFieldDefs();
  for (Integer i = 0; i < fields.GetCount(); ++i) {
    if (!IsBLOBDataType(fields.GetFieldDef(i).DataType) || IsRecordFieldNull(i, storedRecord)) continue;
    if (IsRecordFieldNull(i, newRecord) || IsEditBLOB(newRecord, i)) FreeBLOB(storedRecord, i);
  }
}

// ---- numbers and counts in slot order ----

void TSQLMemMemoryTableData::SetRecNoNatural(TSQLMemCursor& cursor, Int64 recordNo) {
  if (recordManager_ == nullptr) SQLMemError(10074, SQLMemNilPointer);
  // Only numbers of records place the cursor: the slot after the last record holds none.
  if (recordNo < 1 || recordNo > recordManager_->GetRecordCount()) return;
  const Int64 slot = MemoryRecordManager()->RecordNoToSlot(recordNo - 1);
  if (slot == -1) return;
  PlaceCursor(cursor, NumberToRecordId(slot));
}

Int64 TSQLMemMemoryTableData::GetRecNoNatural(TSQLMemCursor& cursor) {
  if (recordManager_ == nullptr) SQLMemError(10033, SQLMemNilPointer);
  return MemoryRecordManager()->SlotToRecordNo(cursor.PageNo);
}

Int64 TSQLMemMemoryTableData::GetRecordCount() {
  if (recordManager_ == nullptr) SQLMemError(10009, SQLMemNilPointer);
  return recordManager_->GetRecordCount();
}

const TSQLMemFieldDef& TSQLMemMemoryTableData::AutoincField(Integer fieldNo, Integer code) const {
  const TSQLMemFieldDefs& fields = TableFieldDefs();
  if (fieldNo < 0 || fieldNo >= fields.GetCount()) SQLMemError(code, SQLMemFieldNoNotFound, {fieldNo});
  return fields.GetFieldDef(fieldNo);
}

Int64 TSQLMemMemoryTableData::GetLastAutoincValue(Integer fieldNo, TSQLMemBaseSession* session) {
  TTableLockHold hold(*this);
  return sequenceManager_->GetCurrentValue(session, AutoincField(fieldNo, 30335).SequenceId);
}

void TSQLMemMemoryTableData::SetLastAutoincValue(Integer fieldNo, TSQLMemBaseSession* session, Int64 value) {
  TTableLockHold hold(*this);
  const Integer sequenceId = AutoincField(fieldNo, 30335).SequenceId;
  if (session == nullptr) SQLMemError(10425, SQLMemNilPointer);
  sequenceManager_->SetCurrentValue(*session, sequenceId, value);
}

void TSQLMemMemoryTableData::SetFieldSequenceValue(Integer fieldNo, Int64 value) {
  TTableLockHold hold(*this);
  sequenceManager_->GetSequenceDef(AutoincField(fieldNo, 10575).SequenceId).CurrentValue = value;
}

// ---------------------------------------------------------------------------------------------
// TSQLMemMemoryDatabaseData

TSQLMemMemoryDatabaseData::TSQLMemMemoryDatabaseData(const AnsiString& name) : TSQLMemDatabaseData(name, true, false) {}

void TSQLMemMemoryDatabaseData::AddSession(TSQLMemBaseSession* session) {
  LockTables(true);
  try {
    const Integer id = lastSessionId_ < 0 ? 0 : CheckedAdd(lastSessionId_, 1);
    TSQLMemDatabaseData::AddSession(session);
    session->SessionId = id;
    lastSessionId_ = id;
  } catch (...) {
    UnlockTables();
    throw;
  }
  UnlockTables();
}

TSQLMemDatabaseTable* TSQLMemMemoryDatabaseData::CreateTableData(TSQLMemCursor& cursor) {
  auto table = std::make_unique<TSQLMemMemoryTableData>(*this, cursor.TableName, cursor.AllocationStep);
  AddTable(table.get());
  return table.release();
}
