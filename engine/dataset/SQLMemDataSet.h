// The engine's dataset: one engine cursor behind the dataset framework's record-buffer protocol, and
// the hold on the dataset's database that it keeps while it needs it. Tables and queries derive from
// it and supply the cursor (CreateCursorHandle); this class never opens a cursor of its own.
//
// A record buffer is the cursor's: the engine record, its 7-byte trailer and, behind it, the
// calculated-fields area that the open adds (one null byte plus DataSize bytes per calculated or
// lookup field, at the field's Offset). The trailer is the bookmark area: 6 bytes of record position
// (int32 page, int16 item, as the cursor reports its position) and one flag byte (0 current, 1 BOF,
// 2 EOF, 3 inserted). BookmarkSize is 7, but bookmarks are compared and restored by their first 6 bytes.
//
// Field values cross the boundary in the framework's native forms: dates as int32 day + 693594, times
// as int32 milliseconds of the day, date-times as double milliseconds (day + 693594) x 86400000, floats
// as double whatever the engine stores (4-byte floats are widened, 10-byte ones narrowed), time stamps
// as TSQLTimeStamp, integers widened or narrowed to the framework field's size.
#pragma once
#include <array>
#include <cstdint>
#include <functional>
#include <memory>
#include <vector>

#include "engine/dataset/SQLMemDataSetLink.h"
#include "engine/dataset/SQLMemDatabaseComponent.h"
#include "engine/storage/SQLMemDatasetServices.h"
#include "vcl/db/DataSet.h"
#include "vcl/db/IndexDefs.h"
#include "vcl/db/ProviderSupport.h"

class TSQLMemCursor;
class TSQLMemFieldDefs;
class TSQLMemIndexDefs;
class TSQLMemConstraintDefs;
class TSQLMemExpression;

// Reasons for which a dataset holds its database; the first one set finds the database, the last
// one cleared lets it go.
enum TSQLMemHoldReason : Byte {
  hrOpen = 0,           // the dataset is open
  hrPrepared = 1,       // a query is prepared
  hrExecuting = 2,      // a query statement is executing
  hrTableOperation = 3, // a table file or structure operation (create, delete, save, load, ...)
  hrIndexOperation = 5, // an index operation
  hrProvider = 10,      // a provider transaction or statement
};

// A bookmark: the record position (int32 page, int16 item) and the flag byte, whose values are the
// framework's TBookmarkFlag.
inline constexpr int kSQLMemBookmarkSize = 7;
inline constexpr int kSQLMemPositionSize = 6;

class TSQLMemDataSet : public TDataSet,
                       public TSQLMemDataSetLink,
                       public TSQLMemCursorOwnerDataSet,
                       public IProviderSupport {
 public:
  // DatabaseName "MEMORY", InMemory; joins the process-wide dataset list (20007 before start-up).
  explicit TSQLMemDataSet(TComponent* owner);
  // Frees the edit copy, closes, leaves the dataset list. Never raises.
  ~TSQLMemDataSet() override;

  using TDataSet::GetFieldData;
  using TDataSet::SetFieldData;

  // ---- names and options ----
  const AnsiString& DatabaseName() const { return databaseName_; }
  // See the .cpp: while being read only stored; else the dataset must be inactive and hold no database.
  virtual void SetDatabaseName(const AnsiString& value);
  const AnsiString& SessionName() const override { return sessionName_; }
  void SetSessionName(const AnsiString& value) override;
  bool InMemory() const { return inMemory_; }
  // True also sets DatabaseName to "MEMORY".
  void SetInMemory(bool value);
  bool ReadOnly() const { return readOnly_; }
  void SetReadOnly(bool value) { readOnly_ = value; }
  bool StoreDefs() const { return storeDefs_; }
  void SetStoreDefs(bool value) { storeDefs_ = value; }
  // Writes are accepted and ignored.
  // The engine's version text; a value read from a definition is ignored.
  AnsiString CurrentVersion() const;
  void SetCurrentVersion(const AnsiString& /*value*/) {}
  TIndexDefs& IndexDefs() const { return *indexDefs_; }

  // ---- the database and the cursor ----
  // The database while at least one hold reason is set; nil otherwise.
  TSQLMemDatabase* Database() const { return database_; }
  // Sets or clears one hold reason (0..15); see the .cpp for the rules. 11245 when no database of the
  // name can be found, except while the owner is still being read.
  virtual void HoldDatabase(Byte reason, bool hold);
  bool HoldsDatabase(Byte reason) const { return reason < 16 && (holdSet_ & (1u << reason)) != 0; }
  std::uint16_t HoldSet() const { return holdSet_; }
  TSQLMemCursor* Cursor() const { return cursor_; }
  // Closes the dataset (a database that disconnects closes its datasets through it).
  void CloseDataSet() override;

  // ---- engine definitions as the cursor reports them ----
  TSQLMemFieldDefs& EngineFieldDefs() const { return *engineFieldDefs_; }
  TSQLMemIndexDefs& EngineIndexDefs() const { return *engineIndexDefs_; }
  TSQLMemConstraintDefs& ConstraintDefs() const { return *constraintDefs_; }
  // The index definitions as they were last loaded from the cursor (CaseInsFields and DescFields kept).
  TIndexDefs& IndexDefsCopy() const { return *indexDefsCopy_; }
  // From the cursor into the engine index list and IndexDefs (and the second copy); marks IndexDefs
  // updated. The cursor calls it when an index was added or deleted.
  void LoadIndexDefsFromCursor(TSQLMemCursor& cursor) override;
  // Drops any range, updates the cursor position, clears the cursor's record bitmap, lets the cursor
  // switch to the index (10325 for a name it lacks) and reloads the key fields.
  void SwitchCursorIndex(const AnsiString& indexName);
  // The first index definition with the option whose fields all exist in the dataset; nil when none.
  TIndexDef* FindIndexDefByOption(TIndexOption option);

  // ---- key fields of the current index ----
  Integer KeyFieldCount() const { return static_cast<Integer>(keyFieldNos_.size()); }
  // 1-based field numbers.
  const std::vector<Word>& KeyFieldNos() const { return keyFieldNos_; }
  Integer KeySize() const { return keySize_; }

  // ---- framework overrides: records and bookmarks ----
  bool BookmarkValid(const Byte* bookmark) override;
  Integer CompareBookmarks(const Byte* bookmark1, const Byte* bookmark2) override;
  void SetRecNo(Integer value) override;
  bool GetCurrentRecord(Byte* buffer) override;
  void SetActive(bool value) override;

  // ---- framework overrides: field data ----
  bool GetFieldData(TField* field, Byte* buffer) override;
  void SetFieldData(TField* field, const Byte* buffer) override;
  void DataConvert(TField* field, const Byte* source, Byte* dest, bool toNative) override;
  bool GetIsIndexField(TField* field) override;
  std::unique_ptr<TStream> CreateBlobStream(TField* field, TBlobStreamMode mode) override;
  void CloseBlob(TField* field) override;

  // The field-changed flag: set by SetFieldData and by a BLOB stream opened for writing, cleared when
  // the values are read into the record-event arrays.
  bool FieldChanged() const { return fieldChanged_; }
  void SetFieldChanged(bool value) { fieldChanged_ = value; }
  // Opens the BLOB of field at the cursor for a BLOB stream: bmRead, bmWrite (truncates) or
  // bmReadWrite. Writing outside edit or insert state raises 10111. The stream belongs to the cursor
  // until CloseBlob.
  TStream* OpenCursorBlob(TField* field, TBlobStreamMode mode);

  // ======================================================================================
  // Editing, filters, searching and the engine operations of the SQL layer.
  // (Declared and built in SQLMemDataSetEditing.cpp, SQLMemDataSetSearch.cpp and
  // SQLMemDataSetEngineOps.cpp; this section belongs to those units.)
  // --- begin editing section ---
  // ---- searching ----
  // Searches with the filters in force (the text filter and the OnFilterRecord handler apply during
  // the search even when the dataset is not Filtered); found: the record becomes current.
  bool FindRecord(bool restart, bool goForward) override;
  // "A;B" and one value or a variant array of values; the first matching record becomes current.
  bool Locate(const AnsiString& keyFields, const Variant& keyValues, TLocateOptions options) override;
  // The result fields of the first matching record (Null when none); the current record stays.
  Variant Lookup(const AnsiString& keyFields, const Variant& keyValues, const AnsiString& resultFields) override;

  // ---- filters ----
  void SetFiltered(bool value) override;
  void SetFilterOptions(TFilterOptions value) override;
  void SetOnFilterRecord(const TFilterRecordEvent& value) override;

  // ---- engine operations of the SQL layer (field numbers of the cursor's projected fields) ----
  // The field of the current record. A BLOB is read whole (the value counts its bytes, two zero bytes
  // follow them in the block); an empty one gives NULL of the field's type. 10315 without a cursor.
  void GetFieldValue(TSQLMemVariant& value, Integer fieldIndex);
  // Writes into the current record buffer; a non-NULL BLOB value goes through a BLOB stream. 10316.
  void SetFieldValue(const TSQLMemVariant& value, Integer fieldIndex);
  // Appends a record of count values (field i from values[i]) through the cursor alone, without the
  // dataset's insert state, record buffers or data events: for the SQL layer's own result tables, which
  // nothing shows while they fill. Goes the way of Append and Post when the database has an insert
  // handler. The dataset is read again from First afterwards. Errors as Post's.
  void AppendRecordDirect(const TSQLMemVariant* const* values, Integer count);
  // Hands the condition to the cursor, which owns it from then on (nullptr removes it). 10300.
  void SetFilterExpression(std::unique_ptr<TSQLMemExpression> expression);
  // Restricts and renames the fields; unless the lists describe the fields shown already, the dataset
  // reopens on the same cursor. 10320.
  void SetProjection(const std::vector<AnsiString>& fieldNames, const std::vector<AnsiString>& aliases);
  void IncTableUseCount();
  void DecTableUseCount();
  // Bulk delete and update of every record the cursor shows, from the first on; the dataset then
  // rereads from the first record. 11304-11306 and 11463-11465 when closed, read only or cursor-less.
  void DeleteAllRecords();
  void UpdateAllRecords(const std::vector<AnsiString>& fieldNames, const std::vector<TSQLMemVariant>& values);
  // The cursor's current record position (int32 record number, int16 item). 11352 without a cursor.
  void GetRecordPosition(Integer& recordNo, SmallInt& itemNo) const;
  // Whether the held database has that handler.
  bool HasBeforeInsertRecordEvent() const;
  bool HasAfterInsertRecordEvent() const;
  bool HasBeforeUpdateRecordEvent() const;
  bool HasAfterUpdateRecordEvent() const;
  bool HasBeforeDeleteRecordEvent() const;
  bool HasAfterDeleteRecordEvent() const;
  bool HasBeforeExecuteSQLEvent() const;
  bool HasAfterExecuteSQLEvent() const;

  // ---- provider support (SQLMemDataSetProvider.cpp) ----
  // Asked by PSUpdateRecord with the delta, the kind and the action, which starts as uaFail; the record
  // counts as applied when the handler sets uaApplied.
  std::function<void(TDataSet& delta, TUpdateKind kind, TUpdateAction& action)> OnUpdateRecord;
  // Holds the database for providers (reason 10) while it runs; the statement is rewritten through
  // the SQL lexer (see the .cpp) and run by a query on this dataset's database, session and in-memory
  // flag, with params copied by position.
  Integer PSExecuteStatement(const AnsiString& sql, const TParams* params,
                             std::unique_ptr<TDataSet>* resultSet) override;
  AnsiString PSGetQuoteChar() override { return " @ "; }
  bool PSIsSQLBased() override { return true; }
  bool PSIsSQLSupported() override { return true; }
  bool PSInTransaction() override { return false; }
  void PSStartTransaction() override { HoldDatabase(hrProvider, true); }
  void PSEndTransaction(bool /*commit*/) override { HoldDatabase(hrProvider, false); }
  bool PSUpdateRecord(TUpdateKind kind, TDataSet& delta) override;

 protected:
  // ---- editing over the cursor's write protocol, with the database's record events ----
  void InternalInsert() override;
  void InternalEdit() override;
  void InternalCancel() override;
  void InternalPost() override;
  void InternalAddRecord(Byte* buffer, bool append) override;
  void InternalDelete() override;
  void SetFilterText(const AnsiString& value) override;

  // Gives the cursor the text filter (or clears it) and the OnFilterRecord callback (10269); the open
  // and a refresh call it when Filtered is set.
  void ActivateFilters();
  // Removes the cursor's text filter and the OnFilterRecord callback (10270).
  void DeactivateFilters();

 private:
  // Gives the cursor the Filter text with the FilterOptions, or clears its text filter.
  void ApplyTextFilter(TSQLMemCursor& cursor);
  // The cursor's answer to each record while the filter is in force.
  bool FilterRecord(const Byte* recordBuffer);
  // Runs the cursor's Locate in the filter state with the temporary buffer; true when found.
  bool LocateRecord(const AnsiString& keyFields, const Variant& keyValues, TLocateOptions options);
  // The current values of the cursor's current record buffer, one per field.
  void ReadFieldValues(TSQLMemArrayOfTSQLMemVariant& values);
  // One field of the cursor's current record buffer (a BLOB read whole, without terminators counted).
  void ReadCursorField(TSQLMemVariant& value, Integer fieldIndex);
  static void ClearFieldValues(TSQLMemArrayOfTSQLMemVariant& values) noexcept;
  // The table name handed to the record events.
  AnsiString EventTableName() const;
  bool HasInsertHandler() const { return HasBeforeInsertRecordEvent() || HasAfterInsertRecordEvent(); }
  bool HasUpdateHandler() const { return HasBeforeUpdateRecordEvent() || HasAfterUpdateRecordEvent(); }
  bool HasDeleteHandler() const { return HasBeforeDeleteRecordEvent() || HasAfterDeleteRecordEvent(); }

  bool searching_ = false;  // FindRecord runs: the OnFilterRecord handler answers though not Filtered
  std::vector<Byte> filterRecord_;  // the record the OnFilterRecord handler reads

 public:
  // --- end editing section ---
  // ======================================================================================

 protected:
  // ---- own virtual steps ----
  // The cursor of a table or query; nil here.
  virtual TSQLMemCursor* CreateCursorHandle();
  // Frees the cursor unless it is the kept cursor; cursor := nil.
  virtual void DestroyCursorHandle();
  // Last step of InternalOpen.
  virtual void AfterInternalOpen() {}

  // ---- framework overrides: open and close ----
  void OpenCursor(bool infoQuery) override;
  void CloseCursor() override;
  void InternalOpen() override;
  void InternalClose() override;
  void InternalInitFieldDefs() override;
  bool IsCursorOpen() override { return cursor_ != nullptr; }
  void InternalHandleException() override;
  void InternalRefresh() override;

  // ---- framework overrides: navigation ----
  void InternalFirst() override;
  void InternalLast() override;
  TGetResult GetRecord(Byte* buffer, TGetMode getMode, bool doCheck) override;
  void InternalSetToRecord(Byte* buffer) override;
  void InternalGotoBookmark(const Byte* bookmark) override;
  Integer GetRecNo() override;
  Integer GetRecordCount() override;
  bool GetCanModify() override { return !readOnly_; }

  // ---- framework overrides: buffers and bookmarks ----
  Byte* AllocRecordBuffer() override;
  void FreeRecordBuffer(Byte*& buffer) override;
  Word GetRecordSize() override;
  void InitRecord(Byte* buffer) override;
  void InternalInitRecord(Byte* buffer) override;
  void ClearCalcFields(Byte* buffer) override;
  void GetBookmarkData(const Byte* buffer, Byte* data) override;
  void SetBookmarkData(Byte* buffer, const Byte* data) override;
  TBookmarkFlag GetBookmarkFlag(const Byte* buffer) override;
  void SetBookmarkFlag(Byte* buffer, TBookmarkFlag value) override;

  // ---- helpers for the derived components and the editing units ----
  // The cursor; without one ESQLMemException "Nil pointer occured" with the given code.
  TSQLMemCursor& CheckCursor(Integer code) const;
  // The record buffer the state selects (see GetFieldData); nil when there is none.
  Byte* RecordBufferOfState();
  // Writes value into field fieldIndex of the cursor's current record buffer (a BLOB through a stream).
  static void WriteCursorField(TSQLMemCursor& cursor, const TSQLMemVariant& value, Integer fieldIndex);
  // The position kept in a buffer's bookmark area, and the cursor placed there.
  void PositionCursorAt(const Byte* bookmark);
  void ReadCursorPosition(Byte* bookmark) const;
  // Offsets inside a record buffer.
  Integer BookmarkOffset() const;
  Integer CalcFieldsOffset() const;
  // Reloads the key field count, numbers and size of the cursor's current index.
  void LoadKeyFieldData();
  void ClearKeyFieldData();
  // Re-initialises the range buffers when either is in use and lets the cursor drop its range.
  void DropRange();
  // True while the owner is still being created from its definition (OwnerBeingCreated).
  bool OwnerBeingRead() const;

  // ---- state shared with the table, the query and the editing units ----
  TSQLMemCursor* cursor_ = nullptr;      // owned unless it is keptCursor_
  // When set (a query keeps its result), a close keeps this cursor and the database hold, and the next
  // open reuses it.
  TSQLMemCursor* keptCursor_ = nullptr;  // borrowed
  Byte* cursorBuffer_ = nullptr;         // the cursor's own buffer between framework fetches
  TSQLMemDatabase* database_ = nullptr;
  std::uint16_t holdSet_ = 0;
  Byte* filterBuffer_ = nullptr;     // chosen by Locate/Lookup in the filter state
  Byte* setKeyBuffer_ = nullptr;     // chosen by the table in the set-key state
  Byte* editCopy_ = nullptr;         // taken by InternalEdit (cursor block)
  // The six key buffers: the fourth and fifth hold the start and the end of the table's range.
  std::array<Byte*, 6> keyBuffers_{};
  bool recordWritten_ = false;
  bool repositioned_ = false;
  bool fieldChanged_ = false;
  // Values handed to the database's record events, one per engine field.
  TSQLMemArrayOfTSQLMemVariant oldValues_, newValues_;

 private:
  void FreeKeyBuffers() noexcept;
  void AllocKeyBuffers();
  void FreeValueArrays() noexcept;
  void FreeCursorBuffer() noexcept;
  void FreeEditCopy() noexcept;
  // Fills FieldDefs from the engine field definitions.
  void EngineDefsToFieldDefs();

  AnsiString databaseName_ = "MEMORY";
  AnsiString sessionName_;
  bool inMemory_ = true;
  bool readOnly_ = false;
  bool storeDefs_ = false;
  std::unique_ptr<TIndexDefs> indexDefs_;
  std::unique_ptr<TIndexDefs> indexDefsCopy_;
  std::unique_ptr<TSQLMemFieldDefs> engineFieldDefs_;
  std::unique_ptr<TSQLMemIndexDefs> engineIndexDefs_;
  std::unique_ptr<TSQLMemConstraintDefs> constraintDefs_;
  std::vector<Word> keyFieldNos_;
  Integer keySize_ = 0;
  bool inList_ = false;
};

// Registers the dataset's published properties for form definitions (tables and queries register
// their own classes with this one as parent). Registering again replaces the table.
void RegisterSQLMemDataSet();
