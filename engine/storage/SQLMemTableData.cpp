// The table's schema side: building it from definitions, its guards, cursors and indexes, and the BLOB
// marks of its records. The record operations are in SQLMemTableRecords.cpp.
#include "engine/storage/SQLMemTableData.h"

#include <cstring>
#include <set>

#include "engine/foundation/SQLMemConst.h"
#include "engine/foundation/SQLMemExcept.h"
#include "engine/foundation/SQLMemTypes.h"
#include "engine/storage/SQLMemBTreeKey.h"
#include "engine/foundation/SQLMemValueBytes.h"
#include "engine/storage/SQLMemDatasetServices.h"
#include "engine/storage/SQLMemSession.h"
#include "vcl/rtl/AnsiStrings.h"
#include "vcl/rtl/CheckedInt.h"
#include "vcl/rtl/Stream.h"

namespace {


// The table's records in natural order, one at a time: what an index is built over.
class TTableRecordSource : public TSQLMemIndexRecordSource {
 public:
  TTableRecordSource(TSQLMemBaseRecordManager& records, Integer sessionId) : records_(records), sessionId_(sessionId) {}
  bool NextRecord(Byte* recordBuffer, TSQLMemRecordID& recordId) override {
    TSQLMemNavigationRequest request;
    request.SessionId = sessionId_;
    request.Direction = ndNext;
    request.First = first_ ? 1 : 0;
    request.RecordId = last_;
    request.RecordBuffer = recordBuffer;
    records_.NavigateRecord(request);
    if (request.Result != nrFound) return false;
    first_ = false;
    last_ = recordId = request.RecordId;
    return true;
  }

 private:
  TSQLMemBaseRecordManager& records_;
  Integer sessionId_;
  bool first_ = true;
  TSQLMemRecordID last_;
};

// Upper-cased names already met; answers whether name is new (and remembers it).
class TNameSet {
 public:
  bool Add(const AnsiString& name) { return names_.insert(AnsiUpperCase(name)).second; }

 private:
  std::set<AnsiString> names_;
};

}  // namespace

TSQLMemTableData::TSQLMemTableData(TSQLMemDatabaseData& database) : database_(database) {
  tableLock_.SetOwner(this, "TSQLMemTableData");
  cursorListLock_.SetOwner(this, "TSQLMemTableData");
  useCountLock_.SetOwner(this, "TSQLMemTableData");
}

TSQLMemTableData::~TSQLMemTableData() {
  FreeManagers();
  if (directRemoval_) return;  // the database took the table out of its list itself
  try {
    database_.RemoveTable(this);
  } catch (...) {  // a destructor never raises
  }
}

void TSQLMemTableData::FreeManagers() noexcept {
  bufferCache_.reset();
  indexManager_.reset();
  fieldManager_.reset();
  constraintManager_.reset();
  recordManager_.reset();
  sequenceManager_.reset();
}

Integer TSQLMemTableData::SessionIdOf(const TSQLMemCursor* cursor) {
  const TSQLMemBaseSession* session = cursor != nullptr ? cursor->StorageSession() : nullptr;
  return session != nullptr ? session->SessionId : kNoSessionId;
}

// ---------------------------------------------------------------------------------------------
// Building a table

void TSQLMemTableData::SetTableName(const AnsiString& name) {
  tableName_ = name;
  nameHash_ = NameHash(name, true);
}

void TSQLMemTableData::AssignObjectIds(TSQLMemMetaObjectDefs& defs) {
  for (Integer i = 0; i < defs.GetCount(); ++i) defs.GetDef(i).ObjectId = database_.NextObjectId();
}

void TSQLMemTableData::ValidateFieldDefs(const TSQLMemFieldDefs& fieldDefs) const {
  if (fieldDefs.GetCount() == 0) SQLMemError(11429, SQLMemCreateTableNoFields, {tableName_});
  TNameSet names;
  for (Integer i = 0; i < fieldDefs.GetCount(); ++i) {
    const AnsiString& name = fieldDefs.GetFieldDef(i).Name;
    if (name.empty()) SQLMemError(11432, SQLMemCreateTableUnnamedFields, {tableName_});
    if (!names.Add(name)) SQLMemError(11430, SQLMemCreateTableDuplicateField, {tableName_, name});
  }
}

void TSQLMemTableData::ValidateIndexDefs(const TSQLMemIndexDefs& indexDefs, const TSQLMemFieldDefs& fieldDefs) const {
  TNameSet names;
  Integer primaries = 0;
  for (Integer i = 0; i < indexDefs.GetCount(); ++i) {
    const TSQLMemIndexDef& index = indexDefs.GetItem(i);
    if (index.Name.empty()) SQLMemError(11433, SQLMemCreateTableUnnamedIndexes, {tableName_});
    if (index.GetColumnCount() == 0) SQLMemError(11434, SQLMemCreateTableNoIndexFields, {tableName_, index.Name});
    for (Integer c = 0; c < index.GetColumnCount(); ++c)
      if (const TSQLMemFieldDef* field = fieldDefs.FindByName(index.GetColumn(c).Name))
        CheckIndexColumnField(index, *field);
    if (!names.Add(index.Name)) SQLMemError(11428, SQLMemCreateTableDuplicateIndex, {tableName_, index.Name});
    if (index.Primary != 0 && ++primaries > 1) SQLMemError(11427, SQLMemCreateTableMultiplePrimaryIndexes, {tableName_});
  }
}

void TSQLMemTableData::ValidateConstraintDefs(const TSQLMemConstraintDefs& constraintDefs) const {
  TNameSet names;
  for (Integer i = 0; i < constraintDefs.GetCount(); ++i) {
    const AnsiString& name = constraintDefs.GetConstraintDef(i).Name;
    if (!name.empty() && !names.Add(name)) SQLMemError(11431, SQLMemCreateTableDuplicateConstraint, {tableName_, name});
  }
}

void TSQLMemTableData::CreateSequenceManager() {
  sequenceManager_ = std::make_unique<TSQLMemBaseSequenceManager>(&database_);
}

void TSQLMemTableData::CreateFieldManager(const TSQLMemFieldDefs& fieldDefs) {
  for (Integer i = 0; i < fieldDefs.GetCount(); ++i) {
    const TSQLMemFieldDef& field = fieldDefs.GetFieldDef(i);
    if (IsBLOBDataType(field.DataType) && field.BLOBBlockSize == 0)
      SQLMemError(10421, SQLMemBLOBBlockSizeNotPositive, {field.Name});
  }
  auto manager = std::make_unique<TSQLMemBaseFieldManager>(this, sequenceManager_.get());
  manager->FieldDefs.Assign(fieldDefs);
  AssignObjectIds(manager->FieldDefs);
  manager->FieldDefs.UpdateLayout();
  hasBLOBFields_ = false;
  for (Integer i = 0; i < manager->FieldDefs.GetCount(); ++i)
    if (IsBLOBDataType(manager->FieldDefs.GetFieldDef(i).DataType)) hasBLOBFields_ = true;
  fieldManager_ = std::move(manager);
  // The blocks of values already stored stay with the table when its definitions are replaced.
  if (recordBLOBs_ == nullptr)
    recordBLOBs_ = std::make_unique<TSQLMemRecordBLOBs>(&fieldManager_->FieldDefs);
  else
    recordBLOBs_->SetFieldDefs(&fieldManager_->FieldDefs);
}

void TSQLMemTableData::CreateIndexManager(const TSQLMemIndexDefs& indexDefs) {
  indexManager_.reset();
  auto manager = std::make_unique<TSQLMemBaseIndexManager>(*this);
  manager->AssignDefs(indexDefs);
  AssignObjectIds(manager->IndexDefs);
  indexManager_ = std::move(manager);
}

void TSQLMemTableData::CreateConstraintManager(const TSQLMemConstraintDefs& constraintDefs) {
  for (Integer i = 0; i < constraintDefs.GetCount(); ++i)
    if (constraintDefs.GetConstraintDef(i).Kind > ckForeignKeyAction) SQLMemError(30040, SQLMemNotImplementedYet);
  auto manager = std::make_unique<TSQLMemBaseConstraintManager>(this);
  manager->ConstraintDefs.Assign(constraintDefs);
  for (Integer i = 0; i < manager->ConstraintDefs.GetCount(); ++i) {
    TSQLMemConstraintDef& constraint = manager->ConstraintDefs.GetConstraintDef(i);
    if (auto* named = dynamic_cast<TSQLMemConstraintDefNamed*>(&constraint)) named->Name2 = tableName_.substr(0, 255);
  }
  AssignObjectIds(manager->ConstraintDefs);
  constraintManager_ = std::move(manager);
  constraintManager_->ResolveAll();
}

void TSQLMemTableData::CreateAutoincSequences() {
  TSQLMemFieldDefs& fields = fieldManager_->FieldDefs;
  for (Integer i = 0; i < fields.GetCount(); ++i) {
    TSQLMemFieldDef& field = fields.GetFieldDef(i);
    if (!IsAutoIncFieldType(field.FieldType)) continue;
    const AnsiString name = sequenceManager_->MakeSequenceName(true, field.Name, tableName_);
    TSQLMemSequenceDef& sequence = sequenceManager_->SequenceDefs.AddSequenceDef();
    sequence.Name = name.substr(0, 255);
    sequence.ObjectId = database_.NextObjectId();
    sequence.DataType = field.DataType;
    sequence.Increment = field.Increment;
    sequence.CurrentValue = field.InitialValue;
    sequence.MinValue = field.MinValue;
    sequence.MaxValue = field.MaxValue;
    sequence.Cycle = field.Cycle;
    field.SequenceId = sequence.ObjectId;
  }
}

bool TSQLMemTableData::HasForeignKeys() const {
  if (constraintManager_ == nullptr) return false;
  const TSQLMemConstraintDefs& constraints = constraintManager_->ConstraintDefs;
  return constraints.HasForeignKeys || constraints.HasForeignKeyActions;
}

void TSQLMemTableData::SetCursorBufferSizes(TSQLMemCursor& cursor) {
  const Integer dataSize = RecordSize();
  cursor.RecordDataSize = dataSize;
  cursor.TrailerOffset = dataSize;
  cursor.FirstFieldOffset = fieldManager_->FieldDefs.GetFieldDef(0).RecordOffset;
  cursor.KeyBufferSize = CheckedAdd<Integer>(dataSize, 6);
  cursor.RecordBufferSize = CheckedAdd<Integer>(dataSize, 7);
}

Integer TSQLMemTableData::RecordSize() const {
  if (fieldManager_ == nullptr || fieldManager_->FieldDefs.GetCount() == 0)
    SQLMemError(10131, SQLMemCreateTableNoFieldsSpecified);
  return fieldManager_->FieldDefs.RecordSize();
}

// ---------------------------------------------------------------------------------------------
// Managers as the index and the other managers see them

const TSQLMemFieldDefs& TSQLMemTableData::TableFieldDefs() const {
  if (fieldManager_ == nullptr) SQLMemError(10425, SQLMemNilPointer);
  return fieldManager_->FieldDefs;
}

const TSQLMemFieldDefs* TSQLMemTableData::KeyFieldDefs() const {
  return fieldManager_ != nullptr ? &fieldManager_->FieldDefs : nullptr;
}

TSQLMemBaseIndexManager& TSQLMemTableData::TableIndexManager() {
  if (indexManager_ == nullptr) SQLMemError(10380, SQLMemNilPointer);
  return *indexManager_;
}

TSQLMemBaseRecordManager& TSQLMemTableData::TableRecordManager() {
  if (recordManager_ == nullptr) SQLMemError(10015, SQLMemNilPointer);
  return *recordManager_;
}

void TSQLMemTableData::ReadIndexedRecord(TSQLMemNavigationRequest& request) {
  request.Direction = ndCurrent;
  request.First = request.Last = 0;
  TableRecordManager().NavigateRecord(request);
}

bool TSQLMemTableData::HasIndexes() const {
  return indexManager_ != nullptr && indexManager_->IndexDefs.GetCount() > 0;
}

// ---------------------------------------------------------------------------------------------
// Locks, cursors and guards

void TSQLMemTableData::Lock(bool write) {
  if (write)
    tableLock_.BeginWrite();
  else
    tableLock_.BeginRead();
}

void TSQLMemTableData::Unlock() { tableLock_.EndLock(); }

void TSQLMemTableData::AttachCursor(TSQLMemCursor& cursor) {
  if (bufferCache_ == nullptr) bufferCache_ = std::make_unique<TSQLMemRecordBufferCache>(RecordSize());
  cursors_.push_back(&cursor);
  cursor.RefreshDefs();
}

std::vector<TSQLMemCursor*> TSQLMemTableData::AttachedCursors() {
  TSQLMemLockHold hold(cursorListLock_, false);
  return cursors_;
}

void TSQLMemTableData::DetachCursor(TSQLMemCursor& cursor) {
  const TSQLMemBaseSession* session = cursor.StorageSession();
  if (session == nullptr) SQLMemError(11631, SQLMemNilPointer);
  std::erase(cursors_, &cursor);
  if (HasIndexes()) {
    bool sessionStays = false;
    for (const TSQLMemCursor* other : cursors_)
      if (SessionIdOf(other) == session->SessionId) sessionStays = true;
    if (!sessionStays) indexManager_->ReleaseIndexCaches(session->SessionId);
  }
  if (cursors_.empty()) bufferCache_.reset();
}

void TSQLMemTableData::IncUseCount() { useCount_ = CheckedAdd(useCount_, 1); }

void TSQLMemTableData::DecUseCount() { useCount_ = CheckedSub(useCount_, 1); }

void TSQLMemTableData::CheckCanLoad(TStream& /*stream*/) {
  if (IsOpen()) SQLMemError(10152, SQLMemCannotLoadOpenTable, {tableName_});
}

void TSQLMemTableData::CheckCanSave(TStream& /*stream*/, Byte /*algorithm*/, Byte /*level*/, Int64 /*headerSizeValue*/,
                                    bool ignoreOpenCursors) {
  if (!ignoreOpenCursors && IsOpen()) SQLMemError(10153, SQLMemCannotSaveOpenTable, {tableName_});
}

void TSQLMemTableData::EmptyTable(TSQLMemCursor* cursor, bool /*force*/) {
  if (IsOpen()) SQLMemError(10072, SQLMemCannotDeleteOpenTable, {tableName_});
  DropAllIndexStorage(SessionIdOf(cursor));
}



bool TSQLMemTableData::DeleteTable(TSQLMemBaseSession* session, bool dropForeignKeys, bool force) {
  if (!force && IsOpen()) SQLMemError(20017, SQLMemCannotDeleteOpenTable, {tableName_});
  if (!dropForeignKeys && HasForeignKeys()) SQLMemError(11481, SQLMemDeleteTableViolatesForeignKeys, {tableName_});
  if (session != nullptr && HasForeignKeys()) DropForeignKeyCounterparts(session);
  if (constraintManager_ != nullptr) {
    constraintManager_->ConstraintDefs.HasForeignKeys = false;
    constraintManager_->ConstraintDefs.HasForeignKeyActions = false;
  }
  return !force || !IsOpen();
}

void DropTableData(TSQLMemTableData*& table, TSQLMemBaseSession* session, bool dropForeignKeys, bool force) {
  if (table == nullptr) return;
  if (!table->DeleteTable(session, dropForeignKeys, force)) return;
  delete table;
  table = nullptr;
}

void DetachTableCursor(TSQLMemTableData*& table, TSQLMemCursor& cursor) {
  if (table == nullptr) return;
  TSQLMemTableData* detaching = table;
  table = nullptr;
  detaching->DetachCursor(cursor);
  if (detaching->FreeAfterDetach()) delete detaching;
}

void TSQLMemTableData::RenameField(const AnsiString& oldName, const AnsiString& newName) {
  TSQLMemFieldDefs& fields = fieldManager_->FieldDefs;
  TSQLMemFieldDef* field = fields.FindByName(oldName);
  if (field == nullptr) SQLMemError(30343, SQLMemFieldNotFound, {oldName});
  if (fields.FindByName(newName) != nullptr) SQLMemError(30344, SQLMemCannotRenameFieldNameExists, {oldName, newName});
  const TSQLMemIndexDefs& indexes = TableIndexManager().IndexDefs;
  for (Integer i = 0; i < indexes.GetCount(); ++i) {
    const TSQLMemIndexDef& index = indexes.GetItem(i);
    for (Integer c = 0; c < index.GetColumnCount(); ++c)
      if (AnsiUpperCase(index.GetColumn(c).Name) == AnsiUpperCase(oldName))
        SQLMemError(11489, SQLMemCannotRenameIndexField, {oldName, tableName_, index.Name});
  }
  if (constraintManager_ != nullptr && constraintManager_->ConstraintDefs.HasForeignKeys) {
    const TSQLMemConstraintDefs& constraints = constraintManager_->ConstraintDefs;
    for (Integer i = 0; i < constraints.GetCount(); ++i) {
      const auto* foreignKey = dynamic_cast<const TSQLMemConstraintDefForeignKey*>(&constraints.GetConstraintDef(i));
      if (foreignKey == nullptr) continue;
      for (const TSQLMemConstraintColumn& column : foreignKey->Columns)
        if (column.ObjectId == field->ObjectId)
          SQLMemError(11488, SQLMemCannotRenameForeignKeyField, {oldName, tableName_, foreignKey->Name});
    }
  }
  field->Name = newName.substr(0, 255);
}

// ---------------------------------------------------------------------------------------------
// Indexes

namespace {

// Every attached cursor takes the table's index definitions again and finds its current index anew.
void RefreshCursors(const std::vector<TSQLMemCursor*>& cursors) {
  for (TSQLMemCursor* cursor : cursors) {
    cursor->RefreshDefs();
    cursor->SetIndexName(cursor->IndexName());
  }
}

}  // namespace

void TSQLMemTableData::AddIndex(TSQLMemIndexDef& indexDef, TSQLMemCursor& cursor) {
  const Integer sessionId = SessionIdOf(&cursor);
  TTableRecordSource records(TableRecordManager(), sessionId);
  TableIndexManager().AddIndex(sessionId, records, indexDef);
  if (indexDef.Temporary == 0 && cursor.Temporary == 0 && constraintManager_ != nullptr)
    constraintManager_->AddFromIndexDef(indexDef);
  RefreshCursors(cursors_);
}

void TSQLMemTableData::RebuildIndex(Integer sessionId, Integer indexId) {
  TTableRecordSource records(TableRecordManager(), sessionId);
  TableIndexManager().RebuildIndex(sessionId, indexId, records);
}

void TSQLMemTableData::DeleteIndex(Integer indexId, TSQLMemCursor* cursor) {
  TSQLMemBaseIndexManager& indexes = TableIndexManager();
  const TSQLMemIndexDef* index = indexes.IndexDefs.FindByObjectID(indexId) != nullptr
                                     ? &static_cast<const TSQLMemIndexDef&>(*indexes.IndexDefs.FindByObjectID(indexId))
                                     : nullptr;
  if (index == nullptr) SQLMemError(20018, SQLMemIndexNotFound);
  const Integer sessionId = SessionIdOf(cursor);
  if (cursor != nullptr && index->Temporary == 0 && cursor->Temporary == 0 && constraintManager_ != nullptr)
    constraintManager_->RemoveByIndexId(indexId);
  indexes.DeleteIndex(sessionId, indexId);
  GetPageManager().ApplyChanges(sessionId);
  RefreshCursors(cursors_);
}

void TSQLMemTableData::DropIndexStorage(Integer sessionId, Integer indexId) {
  TableIndexManager().DropIndexPages(sessionId, indexId);
}

void TSQLMemTableData::DeleteAllIndexes(TSQLMemCursor* cursor) {
  if (indexManager_ == nullptr) return;
  while (indexManager_->IndexDefs.GetCount() > 0) DeleteIndex(indexManager_->IndexDefs.GetItem(0).ObjectId, cursor);
}

void TSQLMemTableData::DropAllIndexStorage(Integer sessionId) {
  if (indexManager_ == nullptr) return;
  indexManager_->DropAllIndexPages(sessionId);
}

AnsiString TSQLMemTableData::FindIndexForSort(const std::vector<AnsiString>& fieldNames,
                                              const std::vector<AnsiString>& descending,
                                              const std::vector<AnsiString>& caseInsensitive) const {
  if (indexManager_ == nullptr) return {};
  const Integer id = indexManager_->FindMatchingIndex(&fieldNames, &descending, &caseInsensitive);
  if (id == -1) return {};
  const TSQLMemMetaObjectDef* index = indexManager_->IndexDefs.FindByObjectID(id);
  if (index == nullptr) SQLMemError(11384, SQLMemCannotFindIndexByID, {id});
  return index->Name;
}

// ---------------------------------------------------------------------------------------------
// BLOB values of records

void TSQLMemTableData::MarkBLOBs(Byte* recordBuffer, bool ownedByEdit) {
  if (hasBLOBFields_) RecordBLOBs().MarkBLOBs(ownedByEdit, recordBuffer);
}

bool TSQLMemTableData::IsEditBLOB(const Byte* recordBuffer, Integer fieldNo) const {
  return RecordBLOBs().IsEditBLOB(recordBuffer, fieldNo);
}

void TSQLMemTableData::FreeBLOB(Byte* recordBuffer, Integer fieldNo) {
  if (!hasBLOBFields_ || IsRecordFieldNull(fieldNo, recordBuffer)) return;
  recordBLOBs_->FreeBLOB(recordBuffer, fieldNo);
}

std::unique_ptr<TSQLMemLocalBLOBStream> TSQLMemTableData::OpenBLOB(TSQLMemCursor& cursor, Byte mode, Integer fieldNo) {
  return RecordBLOBs().OpenBLOB(cursor.CurrentRecordBuffer, mode, fieldNo, &cursor);
}

bool TSQLMemTableData::StoredBLOBBytes(TSQLMemCursor& cursor, Integer fieldNo, const Byte*& data, Int64& size) {
  return RecordBLOBs().StoredBytes(cursor.CurrentRecordBuffer, fieldNo, data, size);
}

void TSQLMemTableData::StoreBLOB(TSQLMemCursor& cursor, Integer fieldNo, TSQLMemLocalBLOBStream& stream) {
  if (cursor.CurrentRecordBuffer == nullptr) SQLMemError(10144, SQLMemNilPointer);
  RecordBLOBs().StoreBLOB(cursor.CurrentRecordBuffer, fieldNo, stream);
}

TSQLMemRecordBLOBs& TSQLMemTableData::RecordBLOBs() const {
  if (recordBLOBs_ == nullptr) SQLMemError(10140, SQLMemNilPointer);
  return *recordBLOBs_;
}

void TSQLMemTableData::FreeRecordBLOBs(Byte* recordBuffer) {
  if (hasBLOBFields_) RecordBLOBs().FreeRecordBLOBs(recordBuffer);
}

void TSQLMemTableData::DiscardNewBLOBs(Byte* recordBuffer) {
  if (hasBLOBFields_) RecordBLOBs().DiscardNewBLOBs(recordBuffer);
}
