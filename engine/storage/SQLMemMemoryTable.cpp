#include "engine/storage/SQLMemMemoryTable.h"

#include <vector>

#include "engine/foundation/SQLMemConst.h"
#include "engine/foundation/SQLMemExcept.h"
#include "engine/foundation/SQLMemTypes.h"
#include "engine/storage/SQLMemCursorPosition.h"
#include "engine/storage/SQLMemSession.h"
#include "vcl/rtl/CheckedInt.h"

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
  // Every index gives its pages back, so that the store can tell whether any page is left in use: such
  // a page belongs to no index.
  bool indexPagesDropped = false;
  try {
    DropAllIndexStorage(kNoSessionId);
    pageManager_->ApplyChanges(kNoSessionId);
    indexPagesDropped = true;
  } catch (...) {
  }
  // The managers go first: the open indexes hold the page store.
  FreeManagers();
  if (indexPagesDropped) {
    try {
      pageManager_->Close();
    } catch (...) {
      ReportPageLeak();
    }
  }
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
  ValidateIndexDefs(indexDefs, fieldDefs);
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
  try {
    TSQLMemLockHold cursors(cursorListLock_, true);
    TSQLMemTableData::AddIndex(indexDef, cursor);
  } catch (...) {
    // A refused index gave its pages back within the session's changes, which are applied as well.
    pageManager_->ApplyChanges(SessionIdOf(&cursor));
    throw;
  }
  pageManager_->ApplyChanges(SessionIdOf(&cursor));
}

void TSQLMemMemoryTableData::DeleteIndex(Integer indexId, TSQLMemCursor* cursor) {
  TTableLockHold hold(*this);
  TSQLMemLockHold cursors(cursorListLock_, true);
  TSQLMemTableData::DeleteIndex(indexId, cursor);
}

void TSQLMemMemoryTableData::DropConstraint(TSQLMemCursor& cursor, const AnsiString& name, bool keepCounterpart,
                                            bool force) {
  {
    TTableLockHold hold(*this);
    TSQLMemTableData::DropConstraint(cursor, name, keepCounterpart, force);
  }
  pageManager_->ApplyChanges(SessionIdOf(&cursor));
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
  if (hasBLOBFields_) RecordBLOBs().DropForeignBLOBs(buffer);
  // The stored copy must carry the stored record's marks; until the record is stored with all its
  // keys, the blocks remain the edit's, so that a cancel or a second post still finds them.
  MarkBLOBs(buffer, false);
  TSQLMemRecordID recordId;
  if (!recordManager_->AppendRecord(buffer, recordId, sessionId)) {
    MarkBLOBs(buffer, true);
    return false;
  }
  if (indexManager_ != nullptr) {
    try {
      indexManager_->InsertRecordKeys({sessionId, buffer, nullptr, recordId});
    } catch (...) {
      recordManager_->DeleteRecord(recordId, sessionId);
      MarkBLOBs(buffer, true);
      FlushPages(sessionId);
      throw;
    }
  }
  PlaceCursor(cursor, recordId);
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
  // The stored record is the old key of every index and of the referential actions; a record that is
  // gone has none, and its slot must not be written (the store answers false for it as well).
  std::vector<Byte> old(static_cast<std::size_t>(RecordSize()));
  if (!ReadStoredRecord(sessionId, recordId, old.data())) return false;
  // BLOB values the edit did not write are the stored record's, whatever the buffer still says.
  if (hasBLOBFields_) RecordBLOBs().KeepStoredBLOBs(old.data(), buffer);
  if (constraintManager_ != nullptr && constraintManager_->ConstraintDefs.HasUpdateActions())
    RunReferentialActions(cursor, false, recordId, old.data(), buffer);
  // Every index step is taken back when one fails, and the record is written only after all of them,
  // so a failed update leaves the record as it was.
  if (indexManager_ != nullptr) {
    try {
      indexManager_->UpdateRecordKeys({sessionId, buffer, old.data(), recordId});
    } catch (...) {
      FlushPages(sessionId);
      throw;
    }
  }
  if (!recordManager_->UpdateRecord(buffer, recordId, sessionId)) {
    if (indexManager_ != nullptr) indexManager_->UpdateRecordKeys({sessionId, old.data(), buffer, recordId});
    FlushPages(sessionId);
    return false;
  }
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
  std::vector<Byte> record(static_cast<std::size_t>(RecordSize()));
  if (!ReadStoredRecord(sessionId, recordId, record.data())) return false;
  // The actions never select the record itself again, so it is as it was read.
  if (constraintManager_ != nullptr && constraintManager_->ConstraintDefs.HasDeleteActions())
    RunReferentialActions(cursor, true, recordId, record.data(), nullptr);
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
  // The keys go first, all or none; the record and its BLOB values only once they are gone, so a
  // failed step leaves the record whole.
  if (indexManager_ != nullptr) {
    try {
      indexManager_->DeleteRecordKeys(sessionId, recordId, record.data());
    } catch (...) {
      FlushPages(sessionId);
      throw;
    }
  }
  if (!recordManager_->DeleteRecord(recordId, sessionId)) {
    if (indexManager_ != nullptr) indexManager_->InsertRecordKeys({sessionId, record.data(), nullptr, recordId});
    FlushPages(sessionId);
    return false;
  }
  FreeRecordBLOBs(record.data());
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
  if (hasBLOBFields_) RecordBLOBs().FreeReplacedBLOBs(storedRecord, newRecord);
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

Int64 TSQLMemMemoryTableData::GetFieldSequenceValue(Integer fieldNo, TSQLMemBaseSession* session) {
  TTableLockHold hold(*this);
  return sequenceManager_->GetNextValue(session, AutoincField(fieldNo, 30335).SequenceId);
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
