// The table component: one named table of the engine as a dataset, and the operations on that table as
// a whole (create, delete, empty, rename, restructure, rename a field, foreign keys, save to a file or
// stream, load from one). Whole-table operations run on a closed component only: each holds the
// component's database for the operation (hold reason 3), works through a short-lived engine cursor
// that names the table, and lets both go whatever happens. Only RestructureTable reports its failures
// as text; every other operation raises.
//
// SaveToFile never damages the file it replaces: the table goes into a temporary file beside it, which
// takes the file's place only once it is complete and on the disk.
#pragma once
#include <functional>
#include <memory>
#include <string_view>
#include <vector>

#include "engine/dataset/SQLMemDataSet.h"
#include "engine/dataset/SQLMemDefinitions.h"
#include "vcl/db/DataSource.h"
#include "vcl/rtl/PropertyTable.h"

class TSQLMemLocalCursor;

// What a long copy reports its progress for.
enum TSQLMemTableOperation : Byte {
  tbopImport = 0,
  tbopExport = 1,
  tbopCopy = 2,
  tbopRestructure = 3,
  tbopRepair = 4,
  tbopBatchAppend = 5,
  tbopBatchUpdate = 6,
  tbopBatchAppendUpdate = 7,
  tbopBatchCopy = 8,
  tbopBatchDelete = 9,
};

// Progress in percent; setting abort asks the copy to stop.
using TSQLMemTableProgress =
    std::function<void(TComponent* sender, double progress, TSQLMemTableOperation operation, bool& abort)>;

// The steps of RestructureTable that can fail, numbered as the operation runs them.
enum class TSQLMemRestructureStep : Byte {
  CreateStructure = 4,      // the work table's definitions
  CreateWorkTable = 5,
  OpenWorkTable = 6,
  OpenSource = 7,
  CopyRecords = 8,
  RecreateForeignKeys = 9,  // foreign keys of other tables re-pointed at the work table
  CloseTables = 10,
  DeleteSource = 11,
  RenameWorkTable = 12,
};

class TSQLMemTable : public TSQLMemDataSet {
 public:
  // TableName is "Table" with a unique suffix, so two new components never share a name.
  explicit TSQLMemTable(TComponent* owner);
  ~TSQLMemTable() override;

  TSQLMemTableProgress OnProgress;

  // ---- properties ----
  const AnsiString& TableName() const { return tableName_; }
  // While being read or designed only stored; else, when it differs, the table must be inactive and a
  // property-change event follows.
  void SetTableName(const AnsiString& value);

  // ---- provider support (SQLMemTableProvider.cpp) ----
  AnsiString PSGetTableName() override { return TableName(); }
  // A non-empty text names the table.
  void PSSetCommandText(const AnsiString& text) override;
  // The index named by IndexName, else the one for IndexFieldNames, else the first primary index whose
  // fields exist, else the first unique one; a copy with its descending and case-insensitive fields.
  std::unique_ptr<TIndexDef> PSGetDefaultOrder() override;
  // The fields of the first unique index whose fields all exist; empty when none.
  AnsiString PSGetKeyFields() override;
  // A non-empty list opens the table and restricts it to the records whose index fields equal the
  // parameters (each goes into the field it names, an unnamed one into the index field of its position);
  // an empty list drops the range of an open table.
  void PSSetParams(const TParams& params) override;
  bool Exclusive() const { return exclusive_; }
  void SetExclusive(bool value) { exclusive_ = value; }
  bool Temporary() const { return temporary_; }
  // The table must be inactive; True also sets DatabaseName to "TEMP".
  void SetTemporary(bool value);
  Integer MemoryTableAllocBy() const { return memoryTableAllocBy_; }
  void SetMemoryTableAllocBy(Integer value) { memoryTableAllocBy_ = value; }
  // True while open; False for an empty TableName (no database is touched); else whether the database
  // has the table (looked up and held for the question when none is held).
  bool Exists();

  // The columns and foreign keys as the component holds them (loaded with the field definitions when the
  // table opens), and the copies that ALTER TABLE edits before it calls RestructureTable.
  TSQLMemAdvFieldDefs& AdvFieldDefs() const { return *advFieldDefs_; }
  TSQLMemForeignKeyDefs& ForeignKeyDefs() const { return *foreignKeyDefs_; }
  TSQLMemAdvFieldDefs& AdvFieldDefsCopy() const { return *advFieldDefsCopy_; }
  TSQLMemForeignKeyDefs& ForeignKeyDefsCopy() const { return *foreignKeyDefsCopy_; }

  // ---- whole-table operations (the table must be inactive) ----
  // From the component's definitions: data fields without a definition are added to FieldDefs; the
  // advanced definitions win over FieldDefs when both exist. A temporary table takes the name the
  // engine gave it.
  void CreateTable();
  // Force also drops the foreign keys of other tables that refer to this one.
  void DeleteTable(bool force = false);
  // Deletes every record.
  void EmptyTable();
  void RenameTable(const AnsiString& newName);
  void RenameField(const AnsiString& oldName, const AnsiString& newName);
  // "Table '%s' does not exist" when the table is missing.
  void AddForeignKey(const TSQLMemForeignKeyDef& def);
  void DropConstraint(const AnsiString& name, bool force);
  // Rebuilds the table with the structure of the definition copies, keeping its records and sequences.
  // False when a step failed; the step's message was appended to log (nothing else is ever written
  // there). An open table raises before any step.
  bool RestructureTable(AnsiString& log);

  // ---- data files ----
  // Algorithms: 1 zlib, 2 bzip2, 3 PPM, anything else none (0). Level 0 is stored as 1; blockSize
  // fills the header's compressed-size field when nothing is compressed and has no other effect. The
  // file is named by fileName (Windows-1250) or, when that is empty, by wideFileName. Refused while
  // another dataset has the table open ("Cannot save table '%s'. Table is open by another dataset").
  void SaveToFile(const AnsiString& fileName, Byte compressionAlgorithm, Byte compressionLevel, Integer blockSize,
                  const WideString& wideFileName = {});
  void SaveToStream(TStream& stream, Byte compressionAlgorithm, Byte compressionLevel, Integer blockSize);
  // Loads whatever table the file holds: an existing table of that name is replaced, and TableName
  // becomes the stored name. The file is opened for reading with others denied writing and is never
  // changed; a load that fails leaves no table of the stored name behind. The component stays closed.
  void LoadFromFile(const AnsiString& fileName, const WideString& wideFileName = {});
  void LoadFromStream(TStream& stream);
  // The indexes the last load built again from the records because the file's index pages disagreed
  // with them: the file was repaired in memory and the next save writes the repaired table.
  const std::vector<AnsiString>& RebuiltIndexes() const { return rebuiltIndexes_; }

  // ---- sequences and progress (the sequence calls raise "Dataset is not opened", 20112 / 20113, on a
  // closed table) ----
  // The last value handed out by the auto-increment sequence of Fields()[fieldIndex].
  Int64 GetLastAutoincValue(Integer fieldIndex);
  Int64 GetLastAutoincValueByName(std::string_view fieldName);
  void SetLastAutoincValue(Integer fieldIndex, Int64 value);
  // Calls OnProgress when assigned.
  void DoProgress(TSQLMemTableOperation operation, bool& abort, double progress);

  // Test seam: runs before every step of RestructureTable; a hook that raises makes that step fail as
  // a failure of the step itself would.
  static inline std::function<void(TSQLMemRestructureStep step)> RestructureStepHook;

  // ======================================================================================
  // Index selection, keys, ranges and master/detail.
  // (Declared and built in SQLMemTableIndexes.cpp, SQLMemTableKeys.cpp and
  // SQLMemTableMasterDetail.cpp; this section belongs to those units.)
  // --- begin index section ---
  // The current order: an index by name, or the index that serves a list of fields ("A;B"). Setting one
  // clears the other; setting the same selection again does nothing, not even a resync. On an open
  // detail table the master's range follows the new index ("Field index out of range" when the index
  // has fewer fields than MasterFields; the new order stays).
  AnsiString IndexName() const { return indexByFields_ ? AnsiString() : indexSelection_; }
  void SetIndexName(const AnsiString& value);
  AnsiString IndexFieldNames() const { return indexByFields_ ? indexSelection_ : AnsiString(); }
  void SetIndexFieldNames(const AnsiString& value);

  // Adds or removes an engine index of the table, open or closed (an open disk table must be
  // exclusive: 11617 / 11618). Field lists are separated by ";" or ","; an empty name raises 20046, an
  // empty field list 20047, an unknown field 20050. Deleting the index an open table is ordered by
  // leaves the table in its natural order with no index selected.
  void AddIndex(const AnsiString& name, const AnsiString& fields, TIndexOptions options,
                const AnsiString& descFields = AnsiString(), const AnsiString& caseInsFields = AnsiString());
  void DeleteIndex(const AnsiString& name);
  // The name of an index whose columns serve an ORDER BY of these columns, or ""; 11382 while closed.
  AnsiString FindIndexForSort(const std::vector<AnsiString>& fieldNames, const std::vector<AnsiString>& descending,
                              const std::vector<AnsiString>& caseInsensitive);
  // Reads the index definitions of a closed table that exists; an open table keeps those its open
  // loaded, and a table not yet created keeps the component's own.
  void UpdateIndexDefs() override;

  // ---- keys and ranges ----
  // Enter the set-key state on a cleared key, range start or range end buffer: field assignments fill
  // it (index fields only), Post keeps it, Cancel restores it as it was.
  void SetKey();
  void SetRangeStart();
  void SetRangeEnd();
  // Moves to the record whose leading index fields equal the key (all of them unless FindKey named
  // fewer); false, with the position kept, when there is none. 10290 while closed.
  bool GotoKey();
  // SetKey, the values into the first index fields in order, GotoKey.
  bool FindKey(std::initializer_list<Variant> values);
  // Restricts the table to the range start .. range end of the current index (a bound never filled is
  // open) and moves to the first record; bounds unchanged since they were last applied do nothing.
  void ApplyRange();
  // Drops the range; the table resyncs only when a range was in force.
  void CancelRange();
  void Post() override;
  void Cancel() override;

  // ---- master/detail ----
  // The master's fields ("A;B") whose values the leading fields of the current index must have.
  const AnsiString& MasterFields() const;
  void SetMasterFields(const AnsiString& value);
  TDataSource* MasterSource() const;
  // "Circular datalinks are not allowed" for a source that shows this table or a detail of it.
  void SetMasterSource(TDataSource* value);
  // A property change also marks IndexDefs out of date.
  void DataEvent(TDataEvent event, NativeInt info) override;
  // The published properties of this section (IndexName, IndexFieldNames, MasterFields, MasterSource)
  // for the table's registration.
  static void DefineIndexProperties(TPropertyTableOf<TSQLMemTable>& table);

 protected:
  // The last step of the open: a detail restricts itself to its master's record.
  void AfterInternalOpen() override;
  // A new detail record takes the master's values.
  void DoOnNewRecord() override;
  TDataSource* GetDataSource() override;

 private:
  void SelectIndex(const AnsiString& text, bool byFields);
  template <class Operation>
  void RunIndexOperation(Integer notExclusiveCode, Operation operation);
  void LoadDefinitionsFromTable();
  void EditKeyBuffer(int which, bool clear);  // which: a TSQLMemKeyIndex
  void FinishKeyEdit(bool commit);
  bool SetRangeToCursor();
  bool ResetRange();
  void SetKeyFromMaster();
  void ApplyMasterRange();
  void ConnectMasterLink();
  TField* IndexFieldAt(Integer index);
  // The position of the key information in a key buffer.
  Integer KeyInfoOffset() const { return BookmarkOffset(); }
  // Lets IndexDefs refresh itself through UpdateIndexDefs, and marks the definitions for storing when
  // they change; runs once, as the component is made.
  bool ConnectDefinitions();
  bool definitionsConnected_ = ConnectDefinitions();

 public:
  // --- end index section ---
  // ======================================================================================

 protected:
  // The dataset's cursor: the kept one, else a cursor opened on the table with the component's
  // definitions; the selected index is made current.
  TSQLMemCursor* CreateCursorHandle() override;
  // The framework's field definitions, then the advanced and foreign-key definitions and their copies.
  void InternalInitFieldDefs() override;
  // The dataset's close; the advanced definitions go with the open table.
  void CloseCursor() override;

  // A new engine cursor for a whole-table operation or the open: 10915 "Nil pointer occured" when no
  // database is held, nullptr while the owner is still being read.
  std::unique_ptr<TSQLMemLocalCursor> CreateOperationCursor();
  // "Missing TableName property" for a table that is not temporary and has no name.
  void CheckTableName();
  // A cursor opened on the table with the component's field and index definitions (10916 when none can
  // be made; nullptr while the owner is still being read).
  std::unique_ptr<TSQLMemLocalCursor> OpenEngineCursor();
  // The index name that the selection resolves to: the text itself, or for a field list the index
  // that covers those fields; empty for an empty text.
  AnsiString ResolveIndexName(const AnsiString& text, bool byFields);
  // Adds a field definition for every data field that has none.
  void AddMissingFieldDefs();

  // The index selection: an index name, or a field list when indexByFields_ is set.
  AnsiString indexSelection_;
  bool indexByFields_ = false;
  std::unique_ptr<TMasterDataLink> masterLink_;

 private:
  // The frame of the whole-table operations: inactive check, hold, cursor settings, release.
  void RunTableOperation(Integer noCursorCode, bool checkName, bool refuseReadOnly, bool mustExist,
                         const std::function<void(TSQLMemLocalCursor& cursor)>& operation);
  void ApplyOperationSettings(TSQLMemLocalCursor& cursor) const;
  // The engine field, index and constraint definitions for CreateTable.
  void PrepareCreateDefinitions();
  TSQLMemCursor& OpenCursorFor(Integer code) const;

  AnsiString tableName_;
  bool exclusive_ = false;
  bool temporary_ = false;
  Integer memoryTableAllocBy_ = 1000;
  std::unique_ptr<TSQLMemAdvFieldDefs> advFieldDefs_;
  std::unique_ptr<TSQLMemForeignKeyDefs> foreignKeyDefs_;
  std::unique_ptr<TSQLMemAdvFieldDefs> advFieldDefsCopy_;
  std::unique_ptr<TSQLMemForeignKeyDefs> foreignKeyDefsCopy_;
  std::vector<AnsiString> rebuiltIndexes_;
};

// Registers the table component for form definitions, on top of the dataset's properties (registered
// first when they are not yet). `more` adds the properties that the index section declares (IndexName,
// IndexFieldNames, MasterFields, MasterSource), which live in that section's units.
void RegisterSQLMemTable(const std::function<void(TPropertyTableOf<TSQLMemTable>& table)>& more = {});
