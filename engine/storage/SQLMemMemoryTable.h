// In-memory tables and the database that holds them: a memory table keeps its records in a memory
// record store and its index pages in a memory page store, and runs every operation under its table
// lock. "MEMORY" is the engine's database of such tables.
#pragma once
#include <memory>

#include "engine/storage/SQLMemMemoryPageManager.h"
#include "engine/storage/SQLMemMemoryRecordManager.h"
#include "engine/storage/SQLMemTableData.h"

struct TSQLMemTableStreamDefs;

class TSQLMemMemoryTableData : public TSQLMemTableData, public TSQLMemMemoryRecordTable {
 public:
  // A table named after the cursor, whose record store grows by allocBy records.
  TSQLMemMemoryTableData(TSQLMemDatabaseData& database, const AnsiString& tableName, Integer allocBy);
  // Frees the BLOB blocks of the records, the managers and last the page store (whatever pages are
  // still allocated: destruction never raises). Never raises.
  ~TSQLMemMemoryTableData() override;

  TSQLMemPageManager& GetPageManager() override { return *pageManager_; }
  TSQLMemMemoryPageManager& MemoryPageManager() { return *pageManager_; }
  void CreateRecordManager() override;
  // No fields: 10025. Then the name from the cursor, the validations, the managers in order
  // (sequences, fields, indexes, constraints, autoincrement sequences), the record store and the
  // cursor's buffer sizes.
  void CreateTable(TSQLMemCursor& cursor, const TSQLMemFieldDefs& fieldDefs, const TSQLMemConstraintDefs& constraintDefs,
                   const TSQLMemIndexDefs& indexDefs) override;
  // Also discards every index page of the session and frees the pages (the table is to go).
  bool DeleteTable(TSQLMemBaseSession* session, bool dropForeignKeys, bool force) override;
  // Without force, 11494 while another table's foreign key deletes along with this one's records; then
  // the guard, the indexes' storage and every record (FastClear).
  void EmptyTable(TSQLMemCursor* cursor, bool force) override;
  // 11491 when the database has a table of the new name.
  void RenameTable(const AnsiString& newName) override;
  void AttachCursor(TSQLMemCursor& cursor) override;
  void DetachCursor(TSQLMemCursor& cursor) override;
  void AddIndex(TSQLMemIndexDef& indexDef, TSQLMemCursor& cursor) override;
  void DeleteIndex(Integer indexId, TSQLMemCursor* cursor) override;
  void DropIndexStorage(Integer sessionId, Integer indexId) override;
  void DeleteAllIndexes(TSQLMemCursor* cursor) override;
  void DropConstraint(TSQLMemCursor& cursor, const AnsiString& name, bool keepCounterpart, bool force) override;
  void DropAllIndexStorage(Integer sessionId) override;
  Byte MoveCursor(TSQLMemCursor& cursor, Byte direction) override;
  bool RecordExists(TSQLMemCursor& cursor) override;
  void CheckConstraints(TSQLMemCursor& cursor, Integer sessionId, bool skipForeignKeys, const TSQLMemRecordID& recordId,
                        bool insert, const Byte* oldRecordBuffer, const Byte* newRecordBuffer) override;
  void InitNewRecord(TSQLMemCursor& cursor, Byte* recordBuffer, bool withAutoinc) override;
  void IncUseCount() override;
  void DecUseCount() override;

  // The slot number, sign-extended; a number outside the int32 range is a range error.
  Int64 RecordIdToNumber(const TSQLMemRecordID& recordId) const override { return recordId.RecordNo; }
  TSQLMemRecordID NumberToRecordId(Int64 number) const override;
  int CompareRecordIds(const TSQLMemRecordID& a, const TSQLMemRecordID& b) const override;

  // 10010 / 10018 without record store or buffer.
  bool InsertRecord(TSQLMemCursor& cursor) override;
  // 10014 / 10017; false for a record that is gone.
  bool UpdateRecord(TSQLMemCursor& cursor) override;
  // 10013; false for a record that is gone.
  bool DeleteRecord(TSQLMemCursor& cursor) override;
  // 11312 without record store; 11311 when the cursor sees more records than there are. Every record
  // seen and no delete actions: the fast clear. The cursor ends before the first record.
  void DeleteRecords(TSQLMemCursor& cursor) override;
  // 11450 without record store.
  void UpdateRecords(TSQLMemCursor& cursor, const std::vector<AnsiString>& fieldNames,
                     const std::vector<const TSQLMemVariant*>& values, bool skipForeignKeys) override;

  // The cursor takes the record with that 1-based number in slot order; a number without a record
  // (below 1, above the count) leaves it where it was. 10074 without record store.
  void SetRecNoNatural(TSQLMemCursor& cursor, Int64 recordNo) override;
  // The 1-based number of the cursor's record in slot order; -1 when it has none. 10033.
  Int64 GetRecNoNatural(TSQLMemCursor& cursor) override;
  // 10009 without record store.
  Int64 GetRecordCount() override;
  // The session's last value of the field's sequence (30335 for an unknown field number).
  Int64 GetLastAutoincValue(Integer fieldNo, TSQLMemBaseSession* session) override;
  void SetLastAutoincValue(Integer fieldNo, TSQLMemBaseSession* session, Int64 value) override;
  // Draws the next value of the field's sequence for the session, as a new record's autoincrement
  // value is drawn, and answers it (30335 for an unknown field number).
  Int64 GetFieldSequenceValue(Integer fieldNo, TSQLMemBaseSession* session);
  // The field's sequence continues after value (10575 for an unknown field number).
  void SetFieldSequenceValue(Integer fieldNo, Int64 value);

  // Every record's BLOB blocks, then every record and every page (session -2).
  void FastClear();

  // The table stream (the data file's form), under the table lock, after the load or save guard
  // (SQLMemMemoryTableStream.cpp). The load reads the whole stream into new managers beside the table
  // and takes them over only when the stream was read to its end: a stream that fails, in its header or
  // in its body, leaves the table as it was. The table takes the stream's name, definitions, object ids,
  // slots and sequence values; the database's object-id sequence is raised to the stream's value. An
  // index whose pages disagree with the records is built again from them (RebuiltIndexes); records
  // that break a unique index refuse the stream with that index's unique-violation error.
  virtual void LoadFromStream(TStream& stream);
  // headerSizeValue outside the int32 range is a range error.
  virtual void SaveToStream(TStream& stream, Byte algorithm, Byte level, Int64 headerSizeValue, bool ignoreOpenCursors);

  // The indexes that the last load built again because their pages disagreed with the records: a key
  // out of order, or a record its index does not find under the record's own key. Empty after a load
  // whose indexes held.
  const std::vector<AnsiString>& RebuiltIndexes() const { return rebuiltIndexes_; }

  Integer AllocBy() const { return allocBy_; }
  TSQLMemMemoryRecordManager* MemoryRecordManager() const;

  // ---- TSQLMemMemoryRecordTable ----
  bool HasBLOBFields() const override { return TSQLMemTableData::HasBLOBFields(); }
  void FreeReplacedBLOBs(Byte* storedRecord, const Byte* newRecord) override;
  void MarkStoredBLOBs(Byte* storedRecord) override { MarkBLOBs(storedRecord, false); }

 private:
  // Holds the table lock for writing while it lives.
  class TTableLockHold {
   public:
    explicit TTableLockHold(TSQLMemTableData& table) : table_(table) { table_.Lock(true); }
    ~TTableLockHold() { table_.Unlock(); }
    TTableLockHold(const TTableLockHold&) = delete;
    TTableLockHold& operator=(const TTableLockHold&) = delete;

   private:
    TSQLMemTableData& table_;
  };
  // What a load builds beside the table until the stream has been read (SQLMemMemoryTableStream.cpp).
  class TStreamSink;
  struct TLoadedTable;
  // Puts loaded parts in the table's place while it lives, so that the table's services (pages,
  // fields, indexes and, once there are any, records) reach them; the table's own are back afterwards.
  class TLoadedInPlace;
  // The managers of the loaded definitions, built without touching the table's own.
  void BuildLoadedManagers(TLoadedTable& loaded, TSQLMemTableStreamDefs& defs);
  // Checks every loaded index against the loaded records and builds those that disagree again; their
  // names. Records that break a unique index raise its unique-violation error.
  std::vector<AnsiString> RepairLoadedIndexes(TLoadedTable& loaded);
  // Whether the index (of the parts in place) holds each record's own key, in order (unique ones
  // once), under separators that lead a search to every key.
  bool LoadedIndexHolds(const TSQLMemIndexDef& indexDef);
  // Replaces the table's content and name by the loaded ones; only the name can fail, before anything
  // is exchanged.
  void TakeLoadedTable(TLoadedTable& loaded, const AnsiString& tableName);
  const TSQLMemFieldDef& AutoincField(Integer fieldNo, Integer code) const;

  std::unique_ptr<TSQLMemMemoryPageManager> pageManager_;
  Integer allocBy_;
  std::vector<AnsiString> rebuiltIndexes_;
};

class TSQLMemMemoryDatabaseData : public TSQLMemDatabaseData {
 public:
  explicit TSQLMemMemoryDatabaseData(const AnsiString& name = "MEMORY");

  // Session ids 0, 1, 2, ... in the order the sessions arrive.
  void AddSession(TSQLMemBaseSession* session) override;
  // A new memory table named after the cursor, growing by the cursor's allocation step, in the list.
  TSQLMemDatabaseTable* CreateTableData(TSQLMemCursor& cursor) override;
  // The database stream: the table count (11759 / 11760), then each table's stream in the order of the
  // table names, written and read through a cursor of the session (SQLMemMemoryDatabaseStream.cpp).
  void LoadFromStream(TSQLMemLocalSession& session, TStream& stream) override;
  void SaveToStream(TSQLMemLocalSession& session, TStream& stream, Byte algorithm, Byte level,
                    Int64 headerSizeValue) override;

  Integer LastSessionId() const { return lastSessionId_; }

 private:
  Integer lastSessionId_ = -1;
};
