// The engine's table: one object per table of a database. It owns the table's schema through its four
// managers (fields, indexes, sequences, constraints), reaches the records through a record manager,
// keeps the cursors attached to it and the record buffers they borrow, and carries out every
// table-level operation: building the table from definitions, the guards before deleting, emptying,
// renaming, loading and saving, renaming fields, adding and dropping indexes, and the steps of record
// insertion, update and deletion with the index upkeep that goes with them. Where records and pages
// live is the business of the kinds of table (the memory table).
//
// A failed insert, update or delete leaves the records as they were: index steps already done are
// taken back, a record is changed or removed (and its BLOB values freed) only once every index step
// succeeded, and a new record whose keys cannot all be stored is removed again. Table-level steps are
// not rolled back: checks run before anything changes, and a step that fails leaves the steps before
// it in place.
#pragma once
#include <memory>
#include <vector>

#include "engine/foundation/SQLMemCriticalSection.h"
#include "engine/foundation/SQLMemVariant.h"
#include "engine/storage/SQLMemConstraintManager.h"
#include "engine/storage/SQLMemCursor.h"
#include "engine/storage/SQLMemDatabaseData.h"
#include "engine/storage/SQLMemFieldManager.h"
#include "engine/storage/SQLMemIndexManager.h"
#include "engine/storage/SQLMemRecordBLOB.h"
#include "engine/storage/SQLMemRecordBitmap.h"
#include "engine/storage/SQLMemRecordBuffer.h"
#include "engine/storage/SQLMemSequenceManager.h"
#include "engine/storage/SQLMemTableServices.h"

class TStream;
class TSQLMemBaseSession;

// The session id of table work outside any session.
inline constexpr Integer kNoSessionId = -2;

class TSQLMemTableData : public TSQLMemDatabaseTable, public TSQLMemTableServices, public TSQLMemRecordBitmapTable {
 public:
  // A table of the database, with no managers yet; it is not in the database's list until its owner
  // adds it.
  explicit TSQLMemTableData(TSQLMemDatabaseData& database);
  // Frees the buffer cache and the managers, then leaves the database's list (itself, or through the
  // database's locked removal). Never raises.
  ~TSQLMemTableData() override;

  // ---- storage, supplied by the kinds of table ----
  virtual TSQLMemPageManager& GetPageManager() = 0;
  virtual Integer GetHandle() const { return -1; }
  virtual void CreateRecordManager() = 0;
  // Replaces the index manager by one holding copies of the definitions, each with a fresh object id.
  virtual void CreateIndexManager(const TSQLMemIndexDefs& indexDefs);
  // Gives the cursor the table's record geometry (data size, first field offset, key and record
  // buffer sizes).
  virtual void SetCursorBufferSizes(TSQLMemCursor& cursor);
  // The table lock: write takes it exclusively, otherwise shared. Re-entrant on one thread.
  virtual void Lock(bool write);
  virtual void Unlock();

  // ---- table-level operations ----
  virtual void CreateTable(TSQLMemCursor& cursor, const TSQLMemFieldDefs& fieldDefs,
                           const TSQLMemConstraintDefs& constraintDefs, const TSQLMemIndexDefs& indexDefs) = 0;
  // Guards (20017 while cursors are attached and force is off; 11481 when foreign keys tie the table
  // and dropForeignKeys is off), then the foreign-key clean-up. The answer says whether the table must
  // now be freed; the table never frees itself: its owner does, after the call (DropTableData).
  virtual bool DeleteTable(TSQLMemBaseSession* session, bool dropForeignKeys, bool force);
  // 10072 while cursors are attached; then every index's storage is discarded for the cursor's
  // session (-2 without a cursor).
  virtual void EmptyTable(TSQLMemCursor* cursor, bool force);
  // 10150 while cursors are attached; then the tables tied to this one by foreign keys take the new
  // name in their constraints (RenameReferencedTable), and the table takes it.
  virtual void RenameTable(const AnsiString& newName);
  // ---- foreign keys (SQLMemTableForeignKeys.cpp) ----
  // Checks the definition against the referenced table and every record already stored, then binds
  // it: the referenced table gets the foreign-key action, this table the foreign key (with each
  // column's field object id and the counterpart's name and id).
  virtual void AddForeignKey(TSQLMemCursor& cursor, const TSQLMemConstraintDefForeignKey& foreignKey);
  // Removes the named constraint (11482 unknown). A foreign key or foreign-key action takes its
  // counterpart in the other table with it unless keepCounterpart; a referenced primary key is refused
  // (11483) unless force, which drops every foreign key referencing the table first.
  virtual void DropConstraint(TSQLMemCursor& cursor, const AnsiString& name, bool keepCounterpart, bool force);
  // Foreign keys and actions that name oldName as their other table take newName; every one loses
  // the temporary prefix from its own and its counterpart's name (11585 for a name that is only it).
  virtual void RenameReferencedTable(const AnsiString& oldName, const AnsiString& newName);
  // 10152 while cursors are attached.
  virtual void CheckCanLoad(TStream& stream);
  // 10153 while cursors are attached, unless ignoreOpenCursors.
  virtual void CheckCanSave(TStream& stream, Byte algorithm, Byte level, Int64 headerSizeValue, bool ignoreOpenCursors);
  // Appends the cursor (the first one makes the record buffer cache) and lets it read the table's
  // definitions.
  virtual void AttachCursor(TSQLMemCursor& cursor);
  // Removes the cursor (11631 for a cursor without a session): the indexes forget the session's paths
  // when no other attached cursor shares it; the last cursor frees the buffer cache.
  virtual void DetachCursor(TSQLMemCursor& cursor);
  // Whether the last DetachCursor deleted the table, which its caller must now free (a temporary
  // table goes with its last cursor). See DetachTableCursor.
  virtual bool FreeAfterDetach() const { return false; }
  // 30343 unknown field, 30344 new name taken, 11489 an index uses the field, 11488 a foreign key does.
  virtual void RenameField(const AnsiString& oldName, const AnsiString& newName);
  // Builds the index over the table's records, adds the key constraint a primary or unique index
  // implies (not for temporary indexes or temporary cursors) and lets every attached cursor reread
  // its definitions. indexDef receives the new object id and root page.
  virtual void AddIndex(TSQLMemIndexDef& indexDef, TSQLMemCursor& cursor);
  // Removes the index's key constraint (with a cursor that is not temporary, for a lasting index),
  // frees its pages for the cursor's session (-2 without one) and deletes its definition.
  virtual void DeleteIndex(Integer indexId, TSQLMemCursor* cursor);
  virtual void DropIndexStorage(Integer sessionId, Integer indexId);
  // DeleteIndex of the first index until none is left.
  virtual void DeleteAllIndexes(TSQLMemCursor* cursor);
  virtual void DropAllIndexStorage(Integer sessionId);
  // The name of the first index serving the sort (names, descending names, case-insensitive names);
  // empty when none does.
  AnsiString FindIndexForSort(const std::vector<AnsiString>& fieldNames, const std::vector<AnsiString>& descending,
                              const std::vector<AnsiString>& caseInsensitive) const;

  // ---- record ids ----
  virtual Int64 RecordIdToNumber(const TSQLMemRecordID& recordId) const = 0;
  virtual TSQLMemRecordID NumberToRecordId(Int64 number) const = 0;
  virtual int CompareRecordIds(const TSQLMemRecordID& a, const TSQLMemRecordID& b) const = 0;

  // ---- moving and fetching (the unfiltered paths; filtered cursors come with the record search) ----
  // Serves one request: through the index manager when it names an index and moves, else through the
  // record manager. 10015 / 10380 without managers, 10016 without a buffer.
  void FetchRecord(Integer sessionId, TSQLMemNavigationRequest& request);
  // Moves the cursor (ndCurrent, ndNext, ndPrior) from its position in its index's order (natural order
  // without one) and reads the record into its current buffer; the cursor takes the request's record
  // id and end flags. An empty table answers nrAfterLast.
  virtual Byte MoveCursor(TSQLMemCursor& cursor, Byte direction);
  // Whether the cursor's position holds a live record for its session.
  virtual bool RecordExists(TSQLMemCursor& cursor);
  // Whether storing the record would duplicate a key of a unique index (see TSQLMemTableServices).
  bool HasDuplicateKey(Integer sessionId, Integer indexId, const TSQLMemRecordID& recordId, bool insert,
                       const Byte* oldRecordBuffer, const Byte* newRecordBuffer) override;

  // ---- record search: scans, filter bitmaps, counts, numbers and Locate (SQLMemTableSearch.cpp) ----
  // Whether the cursor's current buffer lies in its range and passes its filters and record callback.
  bool RecordAccepted(TSQLMemCursor& cursor);
  // Looks for records that pass the expression (may be nil), the extra condition (may be nil) and the
  // cursor's range and filters, walking from the cursor's current record (fromEnd: from the first or
  // the last) in the cursor's order, forward or backward. Without a bitmap the answer says whether a
  // record was found, and foundId (may be nil) receives it: the nearest in the walk's direction, or
  // with anyMatch simply the first one met. With a bitmap every passing record is added in the
  // cursor's order and the answer is false. lockHeld: the caller already holds the table lock.
  bool ScanRecords(TSQLMemCursor& cursor, TSQLMemExpression* expression, bool anyMatch, bool lockHeld,
                   TSQLMemRecordBitmap* bitmap, TSQLMemRecordID* foundId, bool forward, bool fromEnd,
                   const TSQLMemScanSearchCondition* extraCondition);
  // Fills the cursor's filter bitmap with the records it sees, in its order, and makes it active; the
  // cursor's position and buffer are kept.
  void BuildFilterBitmap(TSQLMemCursor& cursor);
  // The moves of a cursor that needs filtering: over its filter bitmap (built on demand).
  Byte MoveFilteredCursor(TSQLMemCursor& cursor, Byte direction);
  // The records the cursor sees: a filtered cursor's bitmap count, else the table's record count.
  Int64 GetCursorRecordCount(TSQLMemCursor& cursor);
  // Places the cursor on its n-th record (1-based; above the count the last, below 1 the first) and
  // clears its end flags; nothing when it sees no records. The record is not read.
  void SetRecNo(TSQLMemCursor& cursor, Int64 recordNo);
  // The cursor's 1-based record number in its order; -1 at either end, in an empty table or for a
  // record it does not see.
  Int64 GetRecNo(TSQLMemCursor& cursor);
  // The first record in the cursor's order that passes the expression and the cursor's filters
  // becomes current and is read (nil expression: 11375); without one the cursor stays where it was.
  bool LocateByExpression(TSQLMemCursor& cursor, TSQLMemExpression* expression);
  // As LocateByExpression for the condition "key <kind> the cursor's search key" (KeyBuffer over
  // KeyFieldCount fields) on its current index; the record is not read.
  bool LocateByCondition(TSQLMemCursor& cursor, Byte kind);

  // ---- BLOB values of records ----
  // The mark of every non-null BLOB field of the buffer: owned by the edit or by the stored record.
  virtual void MarkBLOBs(Byte* recordBuffer, bool ownedByEdit);
  virtual bool IsEditBLOB(const Byte* recordBuffer, Integer fieldNo) const;
  // Frees the block of a non-null BLOB field and marks the field NULL.
  virtual void FreeBLOB(Byte* recordBuffer, Integer fieldNo);
  // A stream over BLOB field fieldNo (a table field) of the cursor's current record, and storing a
  // closed writer back into it (see TSQLMemRecordBLOBs).
  virtual std::unique_ptr<TSQLMemLocalBLOBStream> OpenBLOB(TSQLMemCursor& cursor, Byte mode, Integer fieldNo);
  virtual void StoreBLOB(TSQLMemCursor& cursor, Integer fieldNo, TSQLMemLocalBLOBStream& stream);
  // The uncompressed stored bytes of BLOB field fieldNo of the cursor's current record, borrowed (see
  // TSQLMemRecordBLOBs::StoredBytes); false where only OpenBLOB reads the value.
  virtual bool StoredBLOBBytes(TSQLMemCursor& cursor, Integer fieldNo, const Byte*& data, Int64& size);
  // The blocks of the table's BLOB values (10140 before the table has fields).
  TSQLMemRecordBLOBs& RecordBLOBs() const;
  // FreeBLOB of every BLOB field (nothing for a table without any).
  virtual void FreeRecordBLOBs(Byte* recordBuffer);
  // FreeBLOB of every field whose block was made by the current edit.
  virtual void DiscardNewBLOBs(Byte* recordBuffer);
  bool HasBLOBFields() const { return hasBLOBFields_; }

  // ---- record operations ----
  // The constraint check of a record about to be stored (nothing for a table without constraints).
  virtual void CheckConstraints(TSQLMemCursor& cursor, Integer sessionId, bool skipForeignKeys,
                                const TSQLMemRecordID& recordId, bool insert, const Byte* oldRecordBuffer,
                                const Byte* newRecordBuffer);
  // Defaults, and with withAutoinc the next autoincrement values, into a new record buffer.
  virtual void InitNewRecord(TSQLMemCursor& cursor, Byte* recordBuffer, bool withAutoinc);
  // Stores the cursor's current buffer as a new record; the cursor is positioned on it. The record
  // manager's answer.
  virtual bool InsertRecord(TSQLMemCursor& cursor) = 0;
  // Stores the cursor's current buffer over the record at the cursor's position.
  virtual bool UpdateRecord(TSQLMemCursor& cursor) = 0;
  // Removes the record at the cursor's position; the cursor moves to the next record, else the prior
  // one, else before the first.
  virtual bool DeleteRecord(TSQLMemCursor& cursor) = 0;
  virtual void CancelRecord(TSQLMemCursor& /*cursor*/) {}
  // Deletes every record the cursor sees, one by one (11466 for a record that cannot be read).
  virtual void DeleteRecords(TSQLMemCursor& cursor);
  // Sets the named fields of every record the cursor sees to the values (11448 for lists of unequal
  // length, 11447 for an unknown field, 11449 for a record that cannot be read), with the constraint
  // check and the index upkeep of an update.
  virtual void UpdateRecords(TSQLMemCursor& cursor, const std::vector<AnsiString>& fieldNames,
                             const std::vector<const TSQLMemVariant*>& values, bool skipForeignKeys);

  // ---- counts and numbers in natural order ----
  virtual void SetRecNoNatural(TSQLMemCursor& cursor, Int64 recordNo) = 0;
  virtual Int64 GetRecNoNatural(TSQLMemCursor& cursor) = 0;
  Int64 GetRecordCount() override = 0;
  virtual Int64 GetLastAutoincValue(Integer /*fieldNo*/, TSQLMemBaseSession* /*session*/) { return 0; }
  virtual void SetLastAutoincValue(Integer /*fieldNo*/, TSQLMemBaseSession* /*session*/, Int64 /*value*/) {}
  virtual void IncUseCount();
  virtual void DecUseCount();

  // Whether the table references others or is referenced by foreign keys.
  bool HasForeignKeys() const;
  // The foreign-key check of a record (match type screening, then the parent look-up); errors of the
  // look-up raise 11421..11425.
  bool ForeignKeyHolds(TSQLMemCursor* cursor, const TSQLMemConstraintDefForeignKey& foreignKey,
                       const Byte* recordBuffer) override;

  // ---- TSQLMemDatabaseTable ----
  const AnsiString& GetTableName() const override { return tableName_; }
  Cardinal GetNameHash() const override { return nameHash_; }
  void MarkDirectRemoval() override { directRemoval_ = true; }

  // ---- TSQLMemTableServices ----
  const TSQLMemFieldDefs& TableFieldDefs() const override;
  TSQLMemBaseIndexManager& TableIndexManager() override;
  TSQLMemBaseRecordManager& TableRecordManager() override;
  Integer NextObjectId() override { return database_.NextObjectId(); }
  TSQLMemPageManager& IndexPageManager() override { return GetPageManager(); }
  TSQLMemTableData* IndexTableData() override { return this; }
  void ReadIndexedRecord(TSQLMemNavigationRequest& request) override;
  const TSQLMemFieldDefs* KeyFieldDefs() const override;

  // ---- TSQLMemRecordBitmapTable ----
  bool IsInMemory() const override { return inMemory_ != 0; }
  bool IsTemporary() const override { return temporary_ != 0; }

  // ---- state, for the owners and tests ----
  TSQLMemDatabaseData& Database() const { return database_; }
  TSQLMemBaseFieldManager* FieldManager() const { return fieldManager_.get(); }
  TSQLMemBaseIndexManager* IndexManager() const { return indexManager_.get(); }
  TSQLMemBaseConstraintManager* ConstraintManager() const { return constraintManager_.get(); }
  TSQLMemBaseSequenceManager* SequenceManager() const { return sequenceManager_.get(); }
  TSQLMemBaseRecordManager* RecordManager() const { return recordManager_.get(); }
  TSQLMemRecordBufferCache* RecordBufferCache() const { return bufferCache_.get(); }
  Integer CursorCount() const { return static_cast<Integer>(cursors_.size()); }
  // A copy of the cursor list, taken under the cursor list lock.
  std::vector<TSQLMemCursor*> AttachedCursors();
  bool IsOpen() const { return !cursors_.empty(); }
  bool HasIndexes() const;
  Integer UseCount() const { return useCount_; }
  // The table's record size: the last field's offset plus its size (10131 without fields).
  Integer RecordSize() const;
  Byte FetchMode = 0;  // handed to the record manager before each fetch in natural order

  // The session id the cursor's work runs under (-2 without a session).
  static Integer SessionIdOf(const TSQLMemCursor* cursor);

 protected:
  // ---- steps of building a table (each replaces what was there) ----
  void SetTableName(const AnsiString& name);
  void AssignObjectIds(TSQLMemMetaObjectDefs& defs);
  // 11429 no fields, 11432 an unnamed field, 11430 a duplicate name.
  void ValidateFieldDefs(const TSQLMemFieldDefs& fieldDefs) const;
  // 11433 an unnamed index, 11434 one without columns, 11435 a BLOB column, 11428 a duplicate name,
  // 11427 two primaries.
  void ValidateIndexDefs(const TSQLMemIndexDefs& indexDefs, const TSQLMemFieldDefs& fieldDefs) const;
  // 11431 two constraints of one non-empty name.
  void ValidateConstraintDefs(const TSQLMemConstraintDefs& constraintDefs) const;
  void CreateSequenceManager();
  // 10421 for a BLOB field with block size 0.
  void CreateFieldManager(const TSQLMemFieldDefs& fieldDefs);
  // 30040 for a constraint kind above 5.
  void CreateConstraintManager(const TSQLMemConstraintDefs& constraintDefs);
  void CreateAutoincSequences();
  // Binds the foreign keys of a table being created to the tables they reference: each is checked
  // against its parent, and the parent gets the foreign-key action. Existing records are not checked.
  virtual void ResolveForeignKeys(TSQLMemCursor& cursor);
  // The referential actions of the foreign keys referencing this table, for the record recordId about
  // to be deleted (oldRecord) or updated from oldRecord to newRecord: refuse, cascade, set null or set
  // default on the children, selected through cursors of the table's own (never the caller's).
  virtual void RunReferentialActions(TSQLMemCursor& cursor, bool onDelete, const TSQLMemRecordID& recordId,
                                     const Byte* oldRecord, const Byte* newRecord);
  // Keeping a built filter bitmap in step after an insert or an update; the record search fills in
  // the filtered cursor (until then an active bitmap raises 30035). A delete only takes the record out.
  virtual void KeepFilterBitmapAfterInsert(TSQLMemCursor& cursor, const TSQLMemRecordID& recordId);
  virtual void KeepFilterBitmapAfterUpdate(TSQLMemCursor& cursor, const TSQLMemRecordID& recordId);
  // Frees the managers (index manager first: its open indexes hold the page manager). Never raises.
  void FreeManagers() noexcept;
  // The record at recordId into buffer; false when it is gone.
  bool ReadStoredRecord(Integer sessionId, const TSQLMemRecordID& recordId, Byte* buffer);
  // Writes the session's changed index pages to the page store (when the table has indexes).
  void FlushPages(Integer sessionId);
  // Builds the index's tree again over the table's records (see TSQLMemBaseIndexManager::RebuildIndex).
  void RebuildIndex(Integer sessionId, Integer indexId);
  // The steps of DeleteRecords and UpdateRecords for one record fetched into buffer.
  void DeleteOneRecord(TSQLMemCursor& cursor, Integer sessionId, const TSQLMemRecordID& recordId, Byte* buffer);
  // The number of records the cursor sees: its built bitmap's count, else the table's.
  Int64 RecordsSeenBy(TSQLMemCursor& cursor);
  // The id of the n-th (0-based) record of a bulk operation: the bitmap's, or the first remaining one.
  bool BulkRecordId(TSQLMemCursor& cursor, Integer sessionId, Int64 n, bool deleting, TSQLMemRecordID& recordId,
                    Byte* buffer);

  TSQLMemReadWriteThreadSyncBySingleCriticalSection tableLock_;
  TSQLMemReadWriteThreadSyncBySingleCriticalSection cursorListLock_;
  TSQLMemReadWriteThreadSyncBySingleCriticalSection useCountLock_;
  TSQLMemDatabaseData& database_;
  AnsiString tableName_;
  Cardinal nameHash_ = 0;
  std::unique_ptr<TSQLMemBaseSequenceManager> sequenceManager_;
  std::unique_ptr<TSQLMemBaseFieldManager> fieldManager_;
  std::unique_ptr<TSQLMemBaseConstraintManager> constraintManager_;
  std::unique_ptr<TSQLMemBaseIndexManager> indexManager_;
  std::unique_ptr<TSQLMemBaseRecordManager> recordManager_;
  std::vector<TSQLMemCursor*> cursors_;  // borrowed
  std::unique_ptr<TSQLMemRecordBufferCache> bufferCache_;
  std::unique_ptr<TSQLMemRecordBLOBs> recordBLOBs_;  // the blocks of BLOB values, kept over schema rebuilds
  bool directRemoval_ = false;
  bool hasBLOBFields_ = false;
  Byte inMemory_ = 0;
  Byte temporary_ = 0;
  Integer useCount_ = 0;
  Int64 recordCountSnapshot_ = 0;  // the record count as the last bulk delete read it
  // The records whose referential actions are running: a cycle of foreign keys that leads back to one
  // of them does not select it again.
  std::vector<TSQLMemRecordID> actionRecords_;

 private:
  // Steps of the foreign-key machinery (SQLMemTableForeignKeys.cpp).
  TSQLMemTableData* FindRelatedTable(const AnsiString& name, Integer notFoundCode);
  void ValidateForeignKey(TSQLMemTableData& parent, const TSQLMemConstraintDefForeignKey& foreignKey) const;
  void BindForeignKey(TSQLMemTableData& parent, TSQLMemConstraintDefForeignKey& foreignKey);
  void RunReferentialAction(TSQLMemCursor& cursor, bool onDelete, const TSQLMemConstraintDefForeignKeyAction& action,
                            const Byte* oldRecord, const Byte* newRecord);
  void DropForeignKeyCounterparts(TSQLMemBaseSession* session);
  void RemoveConstraint(const AnsiString& name);
};

// Deletes the table (DeleteTable) and, when it answers that the table is to go, frees it after the call
// has returned; table is then nil. Errors of the guards leave the table in place.
void DropTableData(TSQLMemTableData*& table, TSQLMemBaseSession* session, bool dropForeignKeys, bool force);

// Detaches the cursor from the table (DetachCursor) and frees the table when the detach deleted it
// (FreeAfterDetach); table is nil afterwards either way.
void DetachTableCursor(TSQLMemTableData*& table, TSQLMemCursor& cursor);
