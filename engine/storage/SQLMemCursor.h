// The cursor base: what every engine cursor carries (names, flags, schema definitions, buffers and
// their geometry, position, filters and ranges) and the helpers that move field values in and out of
// its record buffers. The local cursor fills in the table operations.
//
// Buffers: a record buffer is the record data (null bitmap and field slots) followed by a 7-byte
// trailer: the record position (int32 record number, int16 item number) and one bookmark-flag byte
// (3 marks a freshly inserted record). A key buffer is the record data, one byte of the dataset's own,
// the exclusive-flag byte and an int32 key field count (6 bytes after the data, overlapping the
// trailer's place). Every buffer is an engine block.
//
// The storage folder calls the SQL layer for its condition object (TSQLMemExpression) and nothing else.
#pragma once
#include <functional>
#include <memory>
#include <vector>
#include "engine/foundation/SQLMemArrays.h"
#include "engine/foundation/SQLMemVariant.h"
#include "engine/storage/SQLMemDatasetServices.h"
#include "engine/storage/SQLMemRecordBitmap.h"
#include "engine/storage/SQLMemSchema.h"
#include "vcl/rtl/SysTypes.h"

class TSQLMemExpression;
class TSQLMemBaseSession;
class Variant;

// Options of a text filter's comparisons.
struct TSQLMemFilterOptions {
  bool CaseInsensitive = false;
  bool PartialCompare = false;
};
class TSQLMemLocalSession;

// A bookmark is an 8-byte engine block: BOF flag, EOF flag, int32 page number, int16 item number.
inline constexpr Integer kBookmarkSize = 8;
inline constexpr Byte kBookmarkFlagInserted = 3;  // trailer flag of a record that was just inserted

class TSQLMemCursor {
 public:
  TSQLMemCursor();
  // Frees the owned definitions, filters and the spare buffer. Never raises.
  virtual ~TSQLMemCursor();
  TSQLMemCursor(const TSQLMemCursor&) = delete;
  TSQLMemCursor& operator=(const TSQLMemCursor&) = delete;

  // ---- table operations the base relies on (the local cursor gives them their table meaning) ----
  // Marks every field of the buffer NULL; with applyDefaults the table writes defaults.
  virtual void ClearRecordBuffer(Byte* recordBuffer, bool applyDefaults) = 0;
  // A stream over the BLOB field fieldNo (projected) of the current record, mode 0 write, 1 read,
  // 2 both; nullptr when the field cannot be opened. CloseBLOB stores and releases it.
  virtual TStream* OpenBLOB(Integer fieldNo, Byte mode) = 0;
  virtual void CloseBLOB(Integer fieldNo) = 0;

  // ---- the rest of the cursor interface (meanings: the local cursor). A kind of cursor that does
  // not carry an operation answers it with 11394 "Error - operation is not supported". ----
  virtual void CreateTable(const TSQLMemFieldDefs& fieldDefs, const TSQLMemIndexDefs& indexDefs,
                           const TSQLMemConstraintDefs& constraintDefs);
  virtual void DeleteTable(bool dropForeignKeys);
  virtual void EmptyTable();
  virtual void RenameTable(const AnsiString& newName);
  virtual void AddForeignKey(const TSQLMemConstraintDefForeignKey& /*foreignKey*/) { NotSupported(); }
  virtual void DropConstraint(const AnsiString& /*name*/, bool /*keepCounterpart*/, bool /*force*/) { NotSupported(); }
  virtual void LoadTableFromStream(TStream& stream);
  virtual void SaveTableToStream(TStream& stream, Byte algorithm, Byte level, Int64 headerSizeValue,
                                 bool ignoreOpenCursors, bool keepAttached);
  virtual void ReadTableDefs();
  virtual void OpenTable(const TSQLMemFieldDefs* fieldDefs, const TSQLMemIndexDefs* indexDefs,
                         const TSQLMemConstraintDefs* constraintDefs);
  virtual void CloseTable();
  virtual void AddIndex(const TSQLMemIndexDef& indexDef);
  virtual void DeleteIndex(const AnsiString& indexName);
  virtual void DeleteAllIndexes();
  virtual AnsiString FindIndexForSort(const std::vector<AnsiString>& fieldNames,
                                      const std::vector<AnsiString>& descending,
                                      const std::vector<AnsiString>& caseInsensitive);
  virtual bool IsTemporaryTable() { return false; }
  virtual bool IsInMemoryTable() { return false; }
  virtual bool RecordExists();
  virtual Int64 GetRecordCount();
  virtual Byte GetRecord(Byte mode);
  virtual void SetRecNo(Int64 recordNo);
  virtual Int64 GetRecNo();
  virtual void CancelRecord();
  virtual void DiscardRecordChanges();
  virtual void PostRecord(bool insert);
  virtual void DeleteRecord();
  virtual void DeleteAllRecords();
  virtual void UpdateAllRecords(const std::vector<AnsiString>& fieldNames, const std::vector<TSQLMemVariant>& values,
                                bool skipForeignKeys);
  virtual void ResetFilterBitmap();
  virtual void SetProjection(const std::vector<AnsiString>& fieldNames, const std::vector<AnsiString>& aliases);
  virtual void SetFilterText(const AnsiString& text, TSQLMemFilterOptions options);
  virtual void ClearFilterText();
  virtual bool Locate(const AnsiString& fieldNames, const Variant& keyValues, bool caseInsensitive, bool partialKey);
  virtual bool GotoKey(Byte kind);
  virtual void CancelRange();
  virtual void SetRange(Byte* startKeyBuffer, Byte* endKeyBuffer, Integer startKeyFieldCount,
                        Integer endKeyFieldCount, bool startExclusive, bool endExclusive);
  virtual void SetFilterExpression(std::unique_ptr<TSQLMemExpression> expression);
  virtual void CloseBLOBStreams(bool writersOnly);
  virtual Int64 GetLastAutoincValue(Integer tableFieldNo);
  virtual void SetLastAutoincValue(Integer tableFieldNo, Int64 value);
  virtual void IncTableUseCount();
  virtual void DecTableUseCount();
  // Renames within the cursor's own field definitions: an unknown old name raises 30345, an existing
  // new name 30346.
  virtual void RenameField(const AnsiString& oldName, const AnsiString& newName);
  virtual void RefreshDefs() {}
  // The cursor's session as the tables see it (its id, its sequence values); nil without one. The
  // local cursor answers its Session.
  virtual TSQLMemBaseSession* StorageSession() const { return nullptr; }
  virtual TSQLMemIndexDefs& GetIndexDefs() { return *IndexDefs; }

  // ---- index ----
  // Stores the name; the current index becomes that definition's object id, -1 when there is none.
  void SetIndexName(const AnsiString& name);
  const AnsiString& IndexName() const { return indexName_; }
  Integer CurrentIndexId() const { return currentIndexId_; }
  bool HasIndex() const { return currentIndexId_ != -1; }

  // ---- fields of record buffers (field numbers of the projected list) ----
  // Copies field fieldNo out of recordBuffer (as GetRecordFieldData); false when it is NULL. A field
  // number outside the projected fields raises 10005.
  bool GetFieldData(Integer fieldNo, void* destination, const Byte* recordBuffer) const;
  // Writes field fieldNo (a nil source marks it NULL); outside the projected fields 10006.
  void SetFieldData(Integer fieldNo, const void* source, Byte* recordBuffer) const;
  // Reads one field of the current record buffer into value. byTableField numbers the table's fields
  // (outside: 10317), otherwise the projected ones (10737). BLOB fields are read whole through
  // OpenBLOB with one (wide memo: two) zero bytes after the data; an empty BLOB gives NULL. copy gives
  // the value its own copy of the slot, otherwise it borrows the slot.
  void GetFieldValue(TSQLMemVariant& value, Integer fieldNo, bool copy, bool byTableField);
  // Writes value into field fieldNo of recordBuffer (nil: the current record buffer), converted to the
  // field's type; NULL sets the null bit (on a BLOB field: the edit clears the value). Bounds 10318 /
  // 10738; a non-NULL value for a BLOB field raises 11589 / 11591.
  void SetFieldValue(Byte* recordBuffer, const TSQLMemVariant& value, Integer fieldNo, bool byTableField);

  // ---- buffers ----
  // Sets the geometry from the field definitions: data size d (the last field's end), key buffer d + 6,
  // record buffer d + 7. Overflow raises EIntOverflow; no fields raise 10131.
  void ComputeBufferGeometry();
  Byte* AllocRecordBuffer();  // record-buffer size; the first call also makes the spare buffer
  void FreeRecordBuffer(Byte*& buffer);
  Byte* AllocBuffer();        // key-buffer size
  // Zero-fills the whole record buffer (trailer included), then marks every field NULL.
  void InitRecordBuffer(Byte* buffer);
  // The position kept in a record buffer's trailer, and its bookmark flag.
  TSQLMemRecordID GetTrailerPosition(const Byte* recordBuffer) const;
  void SetTrailerPosition(Byte* recordBuffer, const TSQLMemRecordID& position) const;
  Byte GetTrailerFlag(const Byte* recordBuffer) const;
  void SetTrailerFlag(Byte* recordBuffer, Byte flag) const;

  // ---- position and bookmarks ----
  void SetBeginOfData() { Bof = 1, Eof = 0; }
  void SetEndOfData() { Bof = 0, Eof = 1; }
  // A new 8-byte engine block with the flags and position; the caller frees it with FreeBookmark.
  void* GetBookmark() const;
  void SetBookmark(const void* bookmark);
  void FreeBookmark(void*& bookmark);

  // ---- filters, ranges and the owner ----
  bool IsFiltered() const { return TextFilter != nullptr || RecordFilter != nullptr || FilterExpression != nullptr; }
  bool IsRanged() const { return RangeStartKeyBuffer != nullptr || RangeEndKeyBuffer != nullptr; }
  bool NeedsRecordFiltering() const { return IsFiltered() || IsRanged() || ContinuationKeyFieldCount > 0; }
  // Lets the owner dataset reload its index definitions (after an index was added or deleted).
  void NotifyIndexDefsChanged();

  // The projected field list: the cursor's own copy, or one supplied by a caller who keeps it.
  TSQLMemFieldDefs& ProjectedFieldDefs() const { return *projectedFieldDefs_; }
  // Hands a supplied list (borrowed; nullptr goes back to the cursor's own list).
  void SetSuppliedProjection(TSQLMemFieldDefs* fieldDefs);
  bool ProjectionSupplied() const { return projectedFieldDefs_ != ownProjection_.get(); }
  // Makes the cursor's own projection show every table field, numbered 0..n-1.
  void ProjectAllFields();

  // ---- state (set by the creator and the table operations) ----
  Integer AllocationStep;
  AnsiString TableName;
  Byte ReadOnly = 0, Exclusive = 0, InMemory = 0, Temporary = 0;
  TSQLMemLocalSession* Session = nullptr;  // borrowed
  Byte Open = 0;
  Byte* CurrentRecordBuffer = nullptr;     // borrowed from the table or allocated by the dataset
  Byte* ContinuationKeyBuffer = nullptr;   // borrowed
  Byte* PreviousRecordBuffer = nullptr;    // borrowed: the record as it was before an edit
  std::unique_ptr<TSQLMemConstraintDefs> ConstraintDefs;
  std::unique_ptr<TSQLMemFieldDefs> FieldDefs;  // every field of the table
  std::unique_ptr<TSQLMemIndexDefs> IndexDefs;
  std::unique_ptr<TSQLMemRecordBitmap> FilterBitmap;
  Byte OwnsSession = 0, Loading = 0;
  Integer ResultCode = 0;  // outcome of the last record operation
  AnsiString ErrorText;
  Byte RebuildOnOpen = 0;
  // Geometry (ComputeBufferGeometry).
  Integer RecordBufferSize = 0, KeyBufferSize = 0, RecordDataSize = 0, FirstFieldOffset = 0, TrailerOffset = 0;
  Integer KeyFieldCount = 0;
  std::unique_ptr<TSQLMemExpression> TextFilter;
  // The bound filter expression: handed over, so the cursor is its only owner.
  std::unique_ptr<TSQLMemExpression> FilterExpression;
  Byte* KeyBuffer = nullptr;
  Byte* RangeStartKeyBuffer = nullptr;  // borrowed
  Byte* RangeEndKeyBuffer = nullptr;    // borrowed
  Byte RangeStartExclusive = 0, RangeEndExclusive = 0;
  Integer RangeStartKeyFieldCount = 0, RangeEndKeyFieldCount = 0;
  Integer ContinuationKeyFieldCount = 0;
  Byte Repair = 0;
  Integer PageNo = 0;
  SmallInt ItemNo = 0;
  Byte Bof = 0, Eof = 0;
  // Tested per record by the table on top of the filters; empty = none.
  std::function<bool(TSQLMemCursor& cursor, const Byte* recordBuffer)> RecordFilter;
  TSQLMemCursorOwnerDataSet* OwnerDataSet = nullptr;  // borrowed

 protected:
  [[noreturn]] static void NotSupported();
  void FreeSpareRecordBuffer();
  // The field definition and table field number of fieldNo, checked against the list it numbers.
  const TSQLMemFieldDef& FieldForValue(Integer fieldNo, bool byTableField, Integer tableCode, Integer projectedCode,
                                       Integer& tableFieldNo) const;
  const TSQLMemFieldDef& ProjectedField(Integer fieldNo, Integer code, Integer& tableFieldNo) const;

 private:
  void ReadBLOBValue(TSQLMemVariant& value, Integer fieldNo, const TSQLMemFieldDef& field);
  // The stored bytes of BLOB field fieldNo (projected) of the current record where the table can lend
  // them whole for the moment of one read; false where ReadBLOBValue goes through OpenBLOB.
  virtual bool StoredBLOBBytes(Integer /*fieldNo*/, const Byte*& /*data*/, Int64& /*size*/) { return false; }
  // A BLOB field made NULL during an edit carries the edit's mark, so that the post clears the value.
  void MarkBLOBCleared(Byte* recordBuffer, Integer tableFieldNo) const;

  AnsiString indexName_;
  Integer currentIndexId_ = -1;
  Byte* spareRecordBuffer_ = nullptr;  // owned
  std::unique_ptr<TSQLMemFieldDefs> ownProjection_;
  TSQLMemFieldDefs* projectedFieldDefs_;
};
