// The table's record side: fetching and moving in natural or index order, the constraint check and
// new-record defaults, and the bulk delete and update that the statements and the referential actions
// use.
#include <cstring>

#include "engine/foundation/SQLMemConst.h"
#include "engine/foundation/SQLMemExcept.h"
#include "engine/storage/SQLMemSession.h"
#include "engine/storage/SQLMemTableData.h"
#include "vcl/rtl/CheckedInt.h"

void TSQLMemTableData::FetchRecord(Integer sessionId, TSQLMemNavigationRequest& request) {
  if (recordManager_ == nullptr) SQLMemError(10015, SQLMemNilPointer);
  if (indexManager_ == nullptr) SQLMemError(10380, SQLMemNilPointer);
  if (request.RecordBuffer == nullptr) SQLMemError(10016, SQLMemNilPointer);
  request.SessionId = sessionId;
  if (request.IndexId != -1 && request.Direction != ndCurrent)
    indexManager_->NavigateByIndex(request);
  else
    recordManager_->NavigateRecord(request);
}

Byte TSQLMemTableData::MoveCursor(TSQLMemCursor& cursor, Byte direction) {
  if (GetRecordCount() == 0) return nrAfterLast;
  // Filters, ranges and the continuation key are the record search's; their moves run over its bitmap.
  if (cursor.NeedsRecordFiltering()) return MoveFilteredCursor(cursor, direction);
  TSQLMemNavigationRequest request;
  request.Direction = direction;
  request.IndexId = cursor.CurrentIndexId();
  request.RecordId = TSQLMemRecordID{cursor.PageNo, static_cast<Word>(cursor.ItemNo)};
  request.RecordBuffer = cursor.CurrentRecordBuffer;
  request.First = cursor.Bof;
  request.Last = cursor.Eof;
  FetchRecord(SessionIdOf(&cursor), request);
  switch (request.Result) {
    case nrFound:
      cursor.PageNo = request.RecordId.RecordNo;
      cursor.ItemNo = static_cast<SmallInt>(request.RecordId.ItemNo);
      cursor.Bof = cursor.Eof = 0;
      break;
    case nrBeforeFirst:
      cursor.SetBeginOfData();
      break;
    case nrAfterLast:
      cursor.SetEndOfData();
      break;
    default:
      break;
  }
  return request.Result;
}

bool TSQLMemTableData::RecordExists(TSQLMemCursor& cursor) {
  const TSQLMemRecordID id{cursor.PageNo, static_cast<Word>(cursor.ItemNo)};
  return TableRecordManager().RecordExists(id, SessionIdOf(&cursor));
}

bool TSQLMemTableData::ReadStoredRecord(Integer sessionId, const TSQLMemRecordID& recordId, Byte* buffer) {
  TSQLMemNavigationRequest request;
  request.SessionId = sessionId;
  request.Direction = ndCurrent;
  request.RecordId = recordId;
  request.RecordBuffer = buffer;
  TableRecordManager().NavigateRecord(request);
  return request.Result == nrFound;
}

void TSQLMemTableData::FlushPages(Integer sessionId) {
  if (HasIndexes()) GetPageManager().ApplyChanges(sessionId);
}

bool TSQLMemTableData::HasDuplicateKey(Integer sessionId, Integer indexId, const TSQLMemRecordID& recordId, bool insert,
                                       const Byte* oldRecordBuffer, const Byte* newRecordBuffer) {
  if (TableRecordManager().GetRecordCount() == 0) return false;
  TSQLMemIndex& index = TableIndexManager().GetIndex(indexId);
  if (insert) return !index.IsKeyFree(sessionId, newRecordBuffer);
  std::vector<Byte> stored;
  if (oldRecordBuffer == nullptr) {
    // Without the record as it was, the stored one is the old key.
    stored.resize(static_cast<std::size_t>(RecordSize()));
    if (!ReadStoredRecord(sessionId, recordId, stored.data())) return !index.IsKeyFree(sessionId, newRecordBuffer);
    oldRecordBuffer = stored.data();
  }
  return !index.IsUpdateKeyFree(sessionId, oldRecordBuffer, newRecordBuffer);
}

void TSQLMemTableData::CheckConstraints(TSQLMemCursor& cursor, Integer sessionId, bool skipForeignKeys,
                                        const TSQLMemRecordID& recordId, bool insert, const Byte* oldRecordBuffer,
                                        const Byte* newRecordBuffer) {
  if (constraintManager_ == nullptr || constraintManager_->NoConstraints != 0) return;
  constraintManager_->CheckRecord(&cursor, sessionId, skipForeignKeys, recordId, insert, oldRecordBuffer,
                                  newRecordBuffer);
}

void TSQLMemTableData::InitNewRecord(TSQLMemCursor& cursor, Byte* recordBuffer, bool withAutoinc) {
  if (fieldManager_ == nullptr) SQLMemError(10425, SQLMemNilPointer);
  fieldManager_->ApplyDefaults(cursor.StorageSession(), recordBuffer, withAutoinc);
}

// ---------------------------------------------------------------------------------------------
// Bulk delete and update

Int64 TSQLMemTableData::RecordsSeenBy(TSQLMemCursor& cursor) {
  // A filtered cursor sees its bitmap's records, built now if need be: never every record of the table.
  if (cursor.NeedsRecordFiltering()) return GetCursorRecordCount(cursor);
  if (cursor.FilterBitmap != nullptr && cursor.FilterBitmap->Active()) return cursor.FilterBitmap->GetCount();
  return GetRecordCount();
}

bool TSQLMemTableData::BulkRecordId(TSQLMemCursor& cursor, Integer sessionId, Int64 n, bool deleting,
                                    TSQLMemRecordID& recordId, Byte* buffer) {
  TSQLMemNavigationRequest request;
  request.SessionId = sessionId;
  request.RecordBuffer = buffer;
  if (cursor.FilterBitmap != nullptr && cursor.FilterBitmap->Active()) {
    cursor.FilterBitmap->GetRecordIdByNo(n + 1, recordId);
    request.Direction = ndCurrent;
  } else {
    // The records in natural order: each is read as the next after the one just handled (a deleted
    // record's slot still orders the walk). A bulk delete starts again from the first.
    request.Direction = ndNext;
    request.First = n == 0 || deleting ? 1 : 0;
  }
  request.RecordId = recordId;
  TableRecordManager().NavigateRecord(request);
  if (request.Result != nrFound) return false;
  recordId = request.RecordId;
  return true;
}

void TSQLMemTableData::DeleteOneRecord(TSQLMemCursor& cursor, Integer sessionId, const TSQLMemRecordID& recordId,
                                       Byte* buffer) {
  if (constraintManager_ != nullptr && constraintManager_->ConstraintDefs.HasDeleteActions())
    RunReferentialActions(cursor, true, recordId, buffer, nullptr);
  if (indexManager_ != nullptr) indexManager_->DeleteRecordKeys(sessionId, recordId, buffer);
  FreeRecordBLOBs(buffer);
  recordManager_->DeleteRecord(recordId, sessionId);
}

void TSQLMemTableData::DeleteRecords(TSQLMemCursor& cursor) {
  const Integer sessionId = SessionIdOf(&cursor);
  const Int64 n = RecordsSeenBy(cursor);
  recordCountSnapshot_ = TableRecordManager().GetRecordCount();
  std::vector<Byte> buffer(static_cast<std::size_t>(RecordSize()));
  TSQLMemRecordID recordId;
  for (Int64 i = 0; i < n; ++i) {
    if (!BulkRecordId(cursor, sessionId, i, true, recordId, buffer.data()))
      SQLMemError(11466, SQLMemCannotLoadRecord, {recordId.RecordNo, Integer{recordId.ItemNo}, tableName_});
    DeleteOneRecord(cursor, sessionId, recordId, buffer.data());
  }
  cursor.Bof = cursor.Eof = 0;
}

void TSQLMemTableData::UpdateRecords(TSQLMemCursor& cursor, const std::vector<AnsiString>& fieldNames,
                                     const std::vector<const TSQLMemVariant*>& values, bool skipForeignKeys) {
  if (fieldNames.size() != values.size())
    SQLMemError(11448, SQLMemInvalidItemNumber, {static_cast<Int64>(values.size()), static_cast<Int64>(fieldNames.size())});
  // Every name is resolved before the first record changes.
  std::vector<Integer> fieldNos;
  for (const AnsiString& name : fieldNames) {
    const Integer fieldNo = cursor.FieldDefs->IndexOfName(name);
    if (fieldNo < 0) SQLMemError(11447, SQLMemCannotFindFieldInTable, {name, tableName_});
    fieldNos.push_back(fieldNo);
  }
  const Integer sessionId = SessionIdOf(&cursor);
  const Int64 n = RecordsSeenBy(cursor);
  const std::size_t size = static_cast<std::size_t>(RecordSize());
  std::vector<Byte> record(size), old(size);
  TSQLMemRecordID recordId;
  for (Int64 i = 0; i < n; ++i) {
    if (!BulkRecordId(cursor, sessionId, i, false, recordId, record.data()))
      SQLMemError(11449, SQLMemCannotLoadRecord, {recordId.RecordNo, Integer{recordId.ItemNo}, tableName_});
    old = record;
    for (std::size_t f = 0; f < fieldNos.size(); ++f) cursor.SetFieldValue(record.data(), *values[f], fieldNos[f], true);
    CheckConstraints(cursor, sessionId, skipForeignKeys, recordId, false, old.data(), record.data());
    if (constraintManager_ != nullptr && constraintManager_->ConstraintDefs.HasUpdateActions())
      RunReferentialActions(cursor, false, recordId, old.data(), record.data());
    if (indexManager_ != nullptr) indexManager_->UpdateRecordKeys({sessionId, record.data(), old.data(), recordId});
    recordManager_->UpdateRecord(record.data(), recordId, sessionId);
  }
}
