// Temporary tables and the database "TEMP" that holds them: result sets and work tables that a
// cursor creates and that go when their last cursor lets go of them. A temporary table is
// append-only (records are added at the end and read back by position, never updated or deleted one
// by one), keeps its records in a temporary record store that spills to a file, its index pages in a
// temporary page store, and its BLOB values in one append-only stream. It is used by one cursor's
// thread, so it takes no table lock.
#pragma once
#include <memory>

#include "engine/storage/SQLMemLocalBLOBStream.h"
#include "engine/storage/SQLMemTableData.h"
#include "engine/storage/SQLMemTemporaryPageManager.h"
#include "engine/storage/SQLMemTemporaryRecordManager.h"

class TSQLMemTemporaryStream;

class TSQLMemTemporaryTableData : public TSQLMemTableData {
 public:
  // A table without a name or managers; the database names it. Record ids compare as 48-bit numbers.
  TSQLMemTemporaryTableData(TSQLMemDatabaseData& database, Integer growthStep = 1000, Integer writeBufferSize = 10);
  // Empties the record store (its spill file goes), frees the managers and then the page store with
  // every index page. Never raises.
  ~TSQLMemTemporaryTableData() override;

  TSQLMemPageManager& GetPageManager() override { return *pageManager_; }
  // A new temporary record store for the record size (the old one goes first).
  void CreateRecordManager() override;
  void Lock(bool /*write*/) override {}
  void Unlock() override {}

  // No fields: 10132. Then the name from the cursor, the validations, the field, index and constraint
  // managers (no sequences), 11426 for a foreign key, the record store, the cursor's buffer sizes and,
  // with BLOB fields, a fresh BLOB stream.
  void CreateTable(TSQLMemCursor& cursor, const TSQLMemFieldDefs& fieldDefs, const TSQLMemConstraintDefs& constraintDefs,
                   const TSQLMemIndexDefs& indexDefs) override;
  // The guards, then every index deleted for the session (-2 without one) and its pages applied.
  bool DeleteTable(TSQLMemBaseSession* session, bool dropForeignKeys, bool force) override;
  // The guard, every record and index page gone, and an empty BLOB stream in place of the old one.
  void EmptyTable(TSQLMemCursor* cursor, bool force) override;
  // The load and save slots of a table: they read and write the temporary table stream form (field
  // definitions, index definitions and pages, the record store, int64 BLOB size and the BLOB bytes).
  // A load draws a fresh name first, so that loading one stream twice gives two tables.
  void CheckCanLoad(TStream& stream) override;
  void CheckCanSave(TStream& stream, Byte algorithm, Byte level, Int64 headerSizeValue, bool ignoreOpenCursors) override;
  void LoadFromStream(TStream& stream);
  void SaveToStream(TStream& stream);
  void AttachCursor(TSQLMemCursor& cursor) override;
  // The last cursor going (unless it is loading this table) deletes the table: FreeAfterDetach then
  // answers true and the caller frees it (DetachTableCursor).
  void DetachCursor(TSQLMemCursor& cursor) override;
  bool FreeAfterDetach() const override { return freeAfterDetach_; }
  void AddIndex(TSQLMemIndexDef& indexDef, TSQLMemCursor& cursor) override;

  Int64 RecordIdToNumber(const TSQLMemRecordID& recordId) const override;
  TSQLMemRecordID NumberToRecordId(Int64 number) const override;
  int CompareRecordIds(const TSQLMemRecordID& a, const TSQLMemRecordID& b) const override;

  // ---- BLOB values: the slot holds the int64 position of the value's entry in the BLOB stream ----
  // A stream over table field fieldNo of the cursor's current record: the stored value unless insert
  // is set, the mode is 0 or the field is NULL (10140 without a BLOB stream, 10141 / 10142 for an
  // entry the BLOB stream does not hold).
  std::unique_ptr<TSQLMemLocalBLOBStream> OpenBLOB(TSQLMemCursor& cursor, bool insert, Byte mode, Integer fieldNo);
  // The cursor's road: the stored value of the current record (mode 0 starts empty).
  std::unique_ptr<TSQLMemLocalBLOBStream> OpenBLOB(TSQLMemCursor& cursor, Byte mode, Integer fieldNo) override {
    return OpenBLOB(cursor, false, mode, fieldNo);
  }
  // Appends the closed stream's value as a new entry and points the field at it; an empty value makes
  // the field NULL. A stream opened for reading, or for reading and writing and left unchanged,
  // stores nothing. 10144 without a BLOB stream, 10422 / 10145 when the entry cannot be appended.
  void StoreBLOB(TSQLMemCursor& cursor, Integer fieldNo, TSQLMemLocalBLOBStream& stream) override;
  // The entries live in the BLOB stream, not in blocks: read through OpenBLOB.
  bool StoredBLOBBytes(TSQLMemCursor&, Integer, const Byte*&, Int64&) override { return false; }
  // Entries are never reclaimed, and the slot holds a position rather than a block: nothing to do.
  void FreeBLOB(Byte* /*recordBuffer*/, Integer /*fieldNo*/) override {}
  void MarkBLOBs(Byte* /*recordBuffer*/, bool /*ownedByEdit*/) override {}

  // 10134 / 10135 without record store or buffer; false when the store refuses the record.
  bool InsertRecord(TSQLMemCursor& cursor) override;
  bool UpdateRecord(TSQLMemCursor& /*cursor*/) override { return false; }
  bool DeleteRecord(TSQLMemCursor& /*cursor*/) override { return false; }
  void DeleteRecords(TSQLMemCursor& cursor) override;  // 11301
  // 10136: the cursor's record becomes number - 1 (0 below 2).
  void SetRecNoNatural(TSQLMemCursor& cursor, Int64 recordNo) override;
  Int64 GetRecNoNatural(TSQLMemCursor& cursor) override;  // 10137
  Int64 GetRecordCount() override;                        // 10133

  // Names the table MakeUniqueName("TEMPORARY_TABLE_"), drawn again while the database has a table of
  // that name.
  void DrawUniqueName();
  TSQLMemTemporaryRecordManager* TemporaryRecordManager() const;
  // The BLOB stream; nil while the table has no BLOB fields.
  TSQLMemTemporaryStream* BLOBStream() const { return blobStream_.get(); }
  // Replaces the memory limit of the record stores the table makes (-1: taken from the available
  // memory); for tests that make records spill early.
  void SetRecordMemoryLimit(Integer limit) { recordMemoryLimit_ = limit; }

 private:
  void NewBLOBStreamIfNeeded();

  std::unique_ptr<TSQLMemTemporaryStream> blobStream_;
  Integer writeBufferSize_;
  Integer growthStep_;
  std::unique_ptr<TSQLMemTemporaryPageManager> pageManager_;
  Integer recordMemoryLimit_ = -1;
  bool freeAfterDetach_ = false;
};

class TSQLMemTemporaryDatabaseData : public TSQLMemDatabaseData {
 public:
  TSQLMemTemporaryDatabaseData();
  // A new temporary table with a fresh name "TEMPORARY_TABLE_<random>-<thread>" (drawn again while a
  // table of the database has the same name), which becomes the cursor's table name; in the list.
  TSQLMemDatabaseTable* CreateTableData(TSQLMemCursor& cursor) override;
};
