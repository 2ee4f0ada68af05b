// The local engine: the session that connects to a database of the process-wide list, and the cursor
// through which everything above storage reaches a table. A cursor names a table of its session's
// database, attaches itself to that table's data while it is open, and holds its position, its
// current record buffer, a projection of the table's fields, its filters and range and the BLOB
// streams open on its current record. Table-level work (create, delete, empty, rename, load, save,
// indexes) goes through a cursor that carries the table name; the table data does the work.
//
// Record operations (cancel, discard, post, delete) report through ResultCode and ErrorText and never
// raise for a failure of the table: 0 success, -1 insert refused, -2 update refused or failed, -3
// delete refused or failed, -8 constraint check failed, -9/-10/-11 not available on temporary tables.
//
// Temporary tables (the "TEMP" database) are opened, filled and read through the same operations;
// they are append-only (cancel, discard and delete answer -9, -11 and -10), their stream form is the
// temporary table's own (no header: every load makes a new table with a name of its own), and a
// temporary table goes when the last cursor that opened it closes.
#pragma once
#include <memory>
#include <vector>

#include "engine/storage/SQLMemCursor.h"
#include "engine/storage/SQLMemLocalSession.h"

class TStream;
class TSQLMemDatabaseData;
class TSQLMemTableData;
class TSQLMemLocalBLOBStream;

class TSQLMemLocalCursor : public TSQLMemCursor {
 public:
  TSQLMemLocalCursor();
  // CloseTable, errors swallowed. Never raises.
  ~TSQLMemLocalCursor() override;

  TSQLMemBaseSession* StorageSession() const override;

  // ---- table-level operations ----
  // Closes the cursor; an existing table of the name is deleted first; then the table is built (every
  // index's root page reset). 10523 when the database cannot make the table.
  void CreateTable(const TSQLMemFieldDefs& fieldDefs, const TSQLMemIndexDefs& indexDefs,
                   const TSQLMemConstraintDefs& constraintDefs) override;
  // 10027 table not found; 10838 inside a transaction (disk tables).
  void DeleteTable(bool dropForeignKeys) override;
  void EmptyTable() override;                                   // 10073
  void RenameTable(const AnsiString& newName) override;         // 10151, 10839
  void RenameField(const AnsiString& oldName, const AnsiString& newName) override;  // 11166, 11165
  // On the open (11582 / 11484) and exclusive (11583 / 11486) cursor's table; the cursor then rereads
  // its constraint definitions.
  void AddForeignKey(const TSQLMemConstraintDefForeignKey& foreignKey) override;
  void DropConstraint(const AnsiString& name, bool keepCounterpart, bool force) override;
  // Loads the table named in the stream's header, replacing a table of that name once the header has
  // been checked. On failure the new table is gone and the old one stays when the header was bad.
  // In the temporary database the stream is a temporary table's and the load makes a new table,
  // whose generated name becomes the cursor's table name.
  void LoadTableFromStream(TStream& stream) override;
  // The indexes the last load built again from the records because the stream's index pages
  // disagreed with them (see TSQLMemMemoryTableData::RebuiltIndexes); empty after a clean load.
  std::vector<AnsiString> RebuiltIndexes;
  // Writes the table stream (11762 no session, 11761 no database, 10154 no table); unless keepAttached,
  // the cursor ends detached from the table (a temporary table then goes with its last cursor). A
  // temporary table writes its own stream form, open cursors or not; the compression arguments are
  // for the table stream only.
  void SaveTableToStream(TStream& stream, Byte algorithm, Byte level, Int64 headerSizeValue, bool ignoreOpenCursors,
                         bool keepAttached) override;
  // Field and constraint definitions from the table's managers, the buffer geometry and, unless it is
  // supplied, the projection of every field.
  void ReadTableDefs() override;
  // Opens the table by name (see the .cpp for the build and rebuild-on-open rules); an open cursor
  // returns at once. The definitions may be nil.
  void OpenTable(const TSQLMemFieldDefs* fieldDefs, const TSQLMemIndexDefs* indexDefs,
                 const TSQLMemConstraintDefs* constraintDefs) override;
  void RefreshDefs() override;
  // Detaches from the table (a temporary table goes when this was its last cursor) and frees the
  // cursor's definitions, filters and BLOB streams.
  void CloseTable() override;
  void ClearRecordBuffer(Byte* recordBuffer, bool applyDefaults) override;
  TSQLMemIndexDefs& GetIndexDefs() override;
  void AddIndex(const TSQLMemIndexDef& indexDef) override;  // 20022
  void DeleteIndex(const AnsiString& indexName) override;   // 20021
  void DeleteAllIndexes() override;
  AnsiString FindIndexForSort(const std::vector<AnsiString>& fieldNames, const std::vector<AnsiString>& descending,
                              const std::vector<AnsiString>& caseInsensitive) override;
  bool IsTemporaryTable() override;
  bool IsInMemoryTable() override;

  // ---- records ----
  bool RecordExists() override;
  Int64 GetRecordCount() override;
  Byte GetRecord(Byte mode) override;  // 0 current, 1 next, 2 prior -> 0 ok, 1 BOF, 2 EOF, 3 error
  void SetRecNo(Int64 recordNo) override;
  Int64 GetRecNo() override;
  void CancelRecord() override;
  void DiscardRecordChanges() override;
  void PostRecord(bool insert) override;
  void DeleteRecord() override;
  void DeleteAllRecords() override;
  void UpdateAllRecords(const std::vector<AnsiString>& fieldNames, const std::vector<TSQLMemVariant>& values,
                        bool skipForeignKeys) override;

  // ---- projection, filters, ranges, search ----
  void ResetFilterBitmap() override;
  void SetProjection(const std::vector<AnsiString>& fieldNames, const std::vector<AnsiString>& aliases) override;
  void SetFilterText(const AnsiString& text, TSQLMemFilterOptions options) override;
  void ClearFilterText() override;
  bool Locate(const AnsiString& fieldNames, const Variant& keyValues, bool caseInsensitive, bool partialKey) override;
  bool GotoKey(Byte kind) override;
  void CancelRange() override;
  void SetRange(Byte* startKeyBuffer, Byte* endKeyBuffer, Integer startKeyFieldCount, Integer endKeyFieldCount,
                bool startExclusive, bool endExclusive) override;
  // Takes the expression over (the cursor is its only owner) and binds it to this cursor; nullptr
  // removes the bound filter. The filter bitmap is left as it is.
  void SetFilterExpression(std::unique_ptr<TSQLMemExpression> expression) override;
  // Hands the bound filter expression back to the caller, who owns it from then on.
  std::unique_ptr<TSQLMemExpression> TakeFilterExpression();

  // ---- BLOB streams on the current record ----
  TStream* OpenBLOB(Integer fieldNo, Byte mode) override;  // 10110, 10113, 10114, 10115
  bool StoredBLOBBytes(Integer fieldNo, const Byte*& data, Int64& size) override;
  void CloseBLOB(Integer fieldNo) override;                 // 10118, 10119, 10120
  void CloseBLOBStreams(bool writersOnly) override;         // 10121
  Integer OpenBLOBCount() const { return static_cast<Integer>(blobStreams_.size()); }

  // ---- sequences and use counts ----
  Int64 GetLastAutoincValue(Integer tableFieldNo) override;
  void SetLastAutoincValue(Integer tableFieldNo, Int64 value) override;
  void IncTableUseCount() override;
  void DecTableUseCount() override;

  // ---- SQL script and repair (SQLMemLocalCursorScript.cpp, SQLMemLocalCursorRepair.cpp) ----
  // What a table's script holds: DROP TABLE (only with CreateTable), CREATE TABLE, DROP INDEX IF
  // EXISTS (only with Indexes), CREATE INDEX for the indexes that are not primary, INSERT statements
  // with or without the BLOB fields' values, and every name in brackets.
  struct ScriptOptions {
    bool CreateTable = true, DropTable = false, Indexes = true, DropIndexes = false, Data = true,
         IncludeBLOBs = true, BracketNames = false;
  };
  // Replaces text with the table's script. The cursor must be open (10154); its position and current
  // buffer are kept, also when reading a record fails.
  void ExportTableToSQL(const ScriptOptions& options, AnsiString& text);
  // Rebuilds a damaged table from the records that can still be read, appending lines to log; true
  // at once for in-memory and temporary tables (see the .cpp). Only a cursor without exclusive access
  // raises (11165).
  bool RepairTable(AnsiString& log, TSQLMemLocalSession* session);
  // The rebuild itself, whatever database the table lives in; the new table is made where the
  // source's is. An error the copy does not log drops the new table, keeps the source and propagates.
  bool RebuildTable(AnsiString& log, TSQLMemLocalSession* session);

  // ---- the table's own machinery ----
  // Puts the cursor onto table without opening it by name; such a cursor never detaches or frees it.
  void AttachToTableData(TSQLMemTableData& table);
  void SavePosition();
  void RestorePosition();
  void FreeSavedPosition();
  bool HasSavedPosition() const { return savedBookmark_ != nullptr; }

  TSQLMemTableData* TableData() const { return table_; }
  bool BorrowedTable() const { return borrowedTable_; }

 private:
  TSQLMemDatabaseData& SessionDatabase(Integer code);
  bool InMemoryOrTemporary() const { return InMemory != 0 || Temporary != 0; }
  // The table of a table-level operation (see the .cpp); nullptr raises "Table not found" with code.
  // disposable is set when the table was made for the operation and must be freed afterwards.
  TSQLMemTableData* ResolveTable(Integer notFoundCode, Integer transactionCode, bool findOrCreate, bool& disposable);
  void ReleaseResolvedTable(TSQLMemTableData* table, bool disposable) noexcept;
  TSQLMemTableData& OpenTableData(Integer code) const;  // the attached table, else code "Table not found"
  void RefreshIndexAndConstraintDefs();
  void StartRecordState();  // BOF, fresh stream list and filter bitmap
  // Whether the table's definitions differ from the given ones, position by position.
  bool DefinitionsDiffer(const TSQLMemFieldDefs& fieldDefs, const TSQLMemIndexDefs* indexDefs,
                         const TSQLMemConstraintDefs* constraintDefs) const;
  // Releases one stream entry (through its outer stream when it has one) and takes it off the list.
  void ReleaseBLOBStream(std::size_t index);

  TSQLMemTableData* table_ = nullptr;  // borrowed while open
  void* savedBookmark_ = nullptr;      // engine block
  Byte* savedRecordBuffer_ = nullptr;  // engine block
  bool borrowedTable_ = false;
  bool blobListOpen_ = false;
  std::vector<std::unique_ptr<TSQLMemLocalBLOBStream>> blobStreams_;
};
