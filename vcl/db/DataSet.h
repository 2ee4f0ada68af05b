// TDataSet: the record-buffer machinery that every dataset of the system (the engine's tables and
// queries, test doubles) plugs into. A descendant supplies records through a small set of virtual
// methods; TDataSet keeps a ring of record buffers for the data links, runs the state machine
// (inactive, browse, edit, insert, ...), navigation, bookmarks and the Before/After events, and
// tells data sources and links what changed.
//
// The rules descendants and callers rely on:
// - Buffers. While open the dataset holds BufferCount + 1 record buffers, made by AllocRecordBuffer
//   and freed by FreeRecordBuffer. BufferCount is the largest BufferCount of the active data links
//   (at least 1). The first RecordCount buffers hold the records shown, ActiveBuffer is the current
//   one, TempBuffer the first unused one. CurrentRecord is the buffer the descendant's cursor stands
//   on, -1 after CursorPosChanged; UpdateCursorPos moves the cursor back to the active record
//   (InternalSetToRecord, or InternalFirst/InternalLast for a BOF/EOF bookmark flag).
// - GetRecord(Buffer, gmNext/gmPrior) moves the cursor and fills Buffer; gmCurrent re-reads the
//   record under the cursor. Resync([]) re-reads the current record (or the next, or the prior one)
//   and refills the window around it; rmExact raises "Record not found" when the current record is
//   gone; rmCenter puts it in the middle of the window.
// - Opening: BeforeOpen, OpenCursor (-> InternalOpen, buffers filled), state dsBrowse, AfterOpen,
//   AfterScroll (unless empty). When anything in the open fails, the state goes back to dsInactive
//   and CloseCursor runs (even when InternalOpen never ran or did not finish), then the error goes on.
// - Closing: BeforeClose, state dsInactive (data sources and links hear it while the fields still
//   exist), CloseCursor (buffers freed, then InternalClose, which destroys default fields), AfterClose.
//   A pending edit is dropped without the Cancel events; a cursor holding a lock cancels it in its
//   SetActive override. IsCursorOpen answers true from the start of InternalOpen (a descendant makes
//   its cursor in OpenCursor): InternalOpen's FieldDefs.Update reads from the open cursor, where a
//   closed one would be opened and closed again just for the definitions. While the dataset is inactive every field read answers "no data" (AsString
//   gives ""), whatever the descendant's GetFieldData would say.
// - SetState changes the state and tells everyone (deUpdateState); SetTempState/RestoreState switch
//   to an internal state (dsCalcFields, dsFilter, ...) silently: no data source or link hears about
//   the switch or about anything that happens inside it, and Modified is kept.
// - DisableControls/EnableControls nest. While disabled nothing reaches the data sources except
//   deDisabledStateChange (the links deactivate while the dataset is closed and reactivate when it
//   opens, without the sources changing state). The last EnableControls re-sends the state only when
//   it differs from the state at DisableControls, then a data-set change (a layout change when the
//   dataset was closed in between) unless either state is dsInactive.
// - Field values travel as "native" bytes between fields and the descendant (GetFieldData and
//   SetFieldData); DataConvert turns the native forms of date, time and date-time fields into a
//   TDateTime and back (int32 day + 693594, int32 milliseconds of the day, double milliseconds).
// - Derived classes that override GetFieldData/SetFieldData add `using TDataSet::GetFieldData;` and
//   `using TDataSet::SetFieldData;` to keep the three-argument forms visible through their type.
#pragma once
#include <cstdint>
#include <functional>
#include <memory>
#include <vector>
#include "vcl/db/FieldTypes.h"
#include "vcl/rtl/Component.h"
#include "vcl/rtl/Exceptions.h"
#include "vcl/rtl/Lists.h"
#include "vcl/rtl/Set.h"
#include "vcl/rtl/Variant.h"

class TDataSet;
class TDataSource;
class TDataLink;
class TField;
class TFields;
class TFieldDefs;
class TStream;
class TStrings;

// The extra argument of a data event: a TField* for field events, a buffer shift for scrolls, a
// TField** for focus requests, 0/1 for disabled state changes.
using NativeInt = std::intptr_t;

enum TDataSetState {
  dsInactive = 0,
  dsBrowse = 1,
  dsEdit = 2,
  dsInsert = 3,
  dsSetKey = 4,
  dsCalcFields = 5,
  dsFilter = 6,
  dsNewValue = 7,
  dsOldValue = 8,
  dsCurValue = 9,
  dsBlockRead = 10,
  dsInternalCalc = 11,
  dsOpening = 12,
};
using TDataSetStates = TSet<TDataSetState, 13>;
inline constexpr TDataSetStates dsEditModes{dsEdit, dsInsert, dsSetKey};
inline constexpr TDataSetStates dsWriteModes{dsEdit, dsInsert, dsSetKey, dsCalcFields, dsFilter, dsNewValue,
                                             dsInternalCalc};

enum TDataEvent {
  deFieldChange = 0,
  deRecordChange = 1,
  deDataSetChange = 2,
  deDataSetScroll = 3,
  deLayoutChange = 4,
  deUpdateRecord = 5,
  deUpdateState = 6,
  deCheckBrowseMode = 7,
  dePropertyChange = 8,
  deFieldListChange = 9,
  deFocusControl = 10,
  deParentScroll = 11,
  deDisabledStateChange = 12,
};

enum TGetMode { gmCurrent = 0, gmNext = 1, gmPrior = 2 };
enum TGetResult { grOK = 0, grBOF = 1, grEOF = 2, grError = 3 };
// Stored as one byte in record buffers.
enum TBookmarkFlag : Byte { bfCurrent = 0, bfBOF = 1, bfEOF = 2, bfInserted = 3 };
enum TResyncModeItem { rmExact = 0, rmCenter = 1 };
using TResyncMode = TSet<TResyncModeItem, 2>;
enum TLocateOption { loCaseInsensitive = 0, loPartialKey = 1 };
using TLocateOptions = TSet<TLocateOption, 2>;
enum TFilterOption { foCaseInsensitive = 0, foNoPartialCompare = 1 };
using TFilterOptions = TSet<TFilterOption, 2>;
enum TBlobStreamMode { bmRead = 0, bmWrite = 1, bmReadWrite = 2 };
enum TDataAction { daFail = 0, daAbort = 1, daRetry = 2 };

// A bookmark: BookmarkSize bytes copied from a record buffer, or nil. It converts to the pointer the
// bookmark virtuals take (nullptr for nil), so `ds->BookmarkValid(bm)` works on either form.
class TBookmark {
 public:
  TBookmark() = default;
  TBookmark(const Byte* data, int size);
  bool IsNull() const { return data_.empty(); }
  const Byte* Data() const { return data_.empty() ? nullptr : data_.data(); }
  int Size() const { return static_cast<int>(data_.size()); }
  operator const Byte*() const { return Data(); }
  void Clear() { data_.clear(); }
  friend bool operator==(const TBookmark&, const TBookmark&) = default;

 private:
  std::vector<Byte> data_;
};

using TDataSetNotifyEvent = std::function<void(TDataSet* dataSet)>;
// Fires for any error of the exception family (EDatabaseError, the engine's errors) but EAbort;
// daFail passes it on, daAbort turns it into a silent EAbort, daRetry runs the operation again.
using TDataSetErrorEvent = std::function<void(TDataSet* dataSet, Exception& error, TDataAction& action)>;
using TFilterRecordEvent = std::function<void(TDataSet* dataSet, bool& accept)>;

// Whether the owner of a component is still being created from its definition, its components'
// Loaded included: a dataset that cannot open then stays closed quietly, so the form still comes up.
// The GUI layer answers for its forms (which are "creating" until their OnCreate); without an answer
// an owner counts while it is being read (csLoading or csReading).
using TOwnerCreatingQuery = bool (*)(const TComponent* owner);
void SetOwnerCreatingQuery(TOwnerCreatingQuery query);
bool OwnerBeingCreated(const TComponent* component);

class TDataSet : public TComponent {
 public:
  explicit TDataSet(TComponent* owner);
  ~TDataSet() override;

  // ---- open and close ----
  bool Active() const { return state_ != dsInactive && state_ != dsOpening; }
  // While the component is being read from a form definition the value is kept and applied by Loaded.
  virtual void SetActive(bool value);
  void Open() { SetActive(true); }
  void Close() { SetActive(false); }
  TDataSetState State() const { return state_; }

  // ---- navigation ----
  bool Bof() const { return bof_; }
  bool Eof() const { return eof_; }
  bool IsEmpty() const { return activeRecord_ >= recordCount_; }
  void First();
  void Last();
  void Next() { MoveBy(1); }
  void Prior() { MoveBy(-1); }
  // Moves up to `distance` records (negative: backwards); returns how far it went.
  int MoveBy(int distance);
  void Refresh();
  Integer RecordCount() { return GetRecordCount(); }
  Integer RecNo() { return GetRecNo(); }
  // The default ignores the value; descendants move to that record number.
  virtual void SetRecNo(Integer /*value*/) {}
  // The current record again, the window refilled around it (see the unit comment).
  void Resync(TResyncMode mode);
  void UpdateCursorPos();
  void CursorPosChanged() { currentRecord_ = -1; }
  virtual bool IsSequenced() { return true; }

  // ---- editing ----
  bool Modified() const { return modified_; }
  bool CanModify() { return GetCanModify(); }
  void Insert();
  void Append();
  void Edit();
  virtual void Post();
  virtual void Cancel();
  void Delete();
  // Leaves edit or insert state: posts when something changed, else cancels.
  void CheckBrowseMode();
  // Asks the links to write their pending values into the fields (deUpdateRecord).
  void UpdateRecord();
  void ClearFields();
  // Insert/append a record with these values (in field order; missing trailing values stay null) and
  // post it through InternalAddRecord.
  void InsertRecord(std::initializer_list<Variant> values);
  void AppendRecord(std::initializer_list<Variant> values);
  // Assigns the values to the fields in order (Empty skips a field, Null clears it).
  void SetFields(std::initializer_list<Variant> values);

  // ---- bookmarks ----
  TBookmark GetBookmark();  // nil when there is no current record
  void GotoBookmark(const TBookmark& bookmark);
  void FreeBookmark(TBookmark& bookmark) { bookmark.Clear(); }
  TBookmark Bookmark() { return GetBookmark(); }
  void SetBookmark(const TBookmark& bookmark) { GotoBookmark(bookmark); }
  // nil is never valid. The default knows no bookmarks.
  virtual bool BookmarkValid(const Byte* bookmark);
  // <0, 0, >0. The default answers 0; descendants order nil before any bookmark.
  virtual Integer CompareBookmarks(const Byte* bookmark1, const Byte* bookmark2);

  // ---- data sources ----
  void DisableControls();
  void EnableControls();
  bool ControlsDisabled() const { return disableCount_ != 0; }
  // The data source this dataset follows (a detail's master), nil by default.
  TDataSource* DataSource() { return GetDataSource(); }
  // True when `dataSource` shows this dataset or a detail (of a detail ...) of it: its dataset's
  // master source, that one's dataset's master source and so on lead to this dataset.
  bool IsLinkedTo(TDataSource* dataSource);
  // Tells the data sources about a change (see TDataEvent); descendants and fields call it.
  virtual void DataEvent(TDataEvent event, NativeInt info);
  // The master's and this dataset's linking fields (a detail names them); none by default.
  virtual void GetDetailLinkFields(std::vector<TField*>& /*masterFields*/, std::vector<TField*>& /*detailFields*/) {}
  // Refreshes index definitions from the source (tables); nothing by default.
  virtual void UpdateIndexDefs() {}

  // ---- fields ----
  TFields& Fields() const { return *fields_; }
  int FieldCount() const;
  TFieldDefs& FieldDefs() const { return *fieldDefs_; }
  void SetFieldDefs(const TFieldDefs& value);
  // FieldByName raises "Field '%s' not found"; FindField answers nil. Names ignore case.
  TField* FieldByName(std::string_view fieldName) const;
  TField* FindField(std::string_view fieldName) const;
  TField* FieldByNumber(int fieldNo) const;
  // The fields named in "A;B;C" (FieldByName for each).
  void GetFieldList(std::vector<TField*>& list, std::string_view fieldNames) const;
  void GetFieldNames(TStrings& list) const;
  Variant FieldValues(std::string_view fieldName) const;
  void SetFieldValues(std::string_view fieldName, const Variant& value);
  // True while the fields were made from the field definitions by the open (and die with the close).
  bool DefaultFields() const { return defaultFields_; }
  bool AutoCalcFields() const { return autoCalcFields_; }
  void SetAutoCalcFields(bool value) { autoCalcFields_ = value; }

  // ---- field data (descendants) ----
  // Reads a field of the record the state selects into buffer (native form); false: no value
  // (null, or no record). buffer may be nil to ask only whether there is a value.
  virtual bool GetFieldData(TField* field, Byte* buffer) = 0;
  // With nativeFormat false, buffer holds the field's client form (TDateTime for dates and times).
  // Answers false without asking the descendant while the dataset is inactive.
  bool GetFieldData(TField* field, Byte* buffer, bool nativeFormat);
  // Writes a field of the record the state selects; buffer nil means null.
  virtual void SetFieldData(TField* field, const Byte* buffer) = 0;
  void SetFieldData(TField* field, const Byte* buffer, bool nativeFormat);
  virtual void DataConvert(TField* field, const Byte* source, Byte* dest, bool toNative);
  virtual std::unique_ptr<TStream> CreateBlobStream(TField* field, TBlobStreamMode mode);
  virtual void CloseBlob(TField* /*field*/) {}
  virtual bool GetIsIndexField(TField* /*field*/) { return false; }
  // Copies the active record into buffer; false when there is none.
  virtual bool GetCurrentRecord(Byte* /*buffer*/) { return false; }
  Byte* ActiveBuffer() const;

  // ---- searching and filters ----
  // "A;B" and one value (or a variant array of values). The defaults find nothing.
  virtual bool Locate(const AnsiString& keyFields, const Variant& keyValues, TLocateOptions options);
  virtual Variant Lookup(const AnsiString& keyFields, const Variant& keyValues, const AnsiString& resultFields);
  virtual bool FindRecord(bool /*restart*/, bool /*goForward*/) { return false; }
  bool FindFirst() { return FindRecord(true, true); }
  bool FindLast() { return FindRecord(true, false); }
  bool FindNext() { return FindRecord(false, true); }
  bool FindPrior() { return FindRecord(false, false); }
  bool Found() const { return found_; }
  const AnsiString& Filter() const { return filterText_; }
  void SetFilter(const AnsiString& value) { SetFilterText(value); }
  bool Filtered() const { return filtered_; }
  virtual void SetFiltered(bool value) { filtered_ = value; }
  TFilterOptions FilterOptions() const { return filterOptions_; }
  virtual void SetFilterOptions(TFilterOptions value) { filterOptions_ = value; }
  // A property rather than a plain event member, so that descendants hear when it changes.
  const TFilterRecordEvent& OnFilterRecord() const { return onFilterRecord_; }
  virtual void SetOnFilterRecord(const TFilterRecordEvent& value) { onFilterRecord_ = value; }

  // ---- events ----
  TDataSetNotifyEvent BeforeOpen, AfterOpen, BeforeClose, AfterClose;
  TDataSetNotifyEvent BeforeInsert, AfterInsert, BeforeEdit, AfterEdit;
  TDataSetNotifyEvent BeforePost, AfterPost, BeforeCancel, AfterCancel;
  TDataSetNotifyEvent BeforeDelete, AfterDelete, BeforeScroll, AfterScroll;
  TDataSetNotifyEvent BeforeRefresh, AfterRefresh, OnCalcFields, OnNewRecord;
  TDataSetErrorEvent OnDeleteError, OnEditError, OnPostError;

  void Loaded() override;
  void BeforeDestruction() override;

 protected:
  // ---- what a descendant provides ----
  virtual Byte* AllocRecordBuffer() = 0;
  virtual void FreeRecordBuffer(Byte*& buffer) = 0;
  virtual TGetResult GetRecord(Byte* buffer, TGetMode getMode, bool doCheck) = 0;
  virtual Word GetRecordSize() { return 0; }
  virtual void InternalOpen() = 0;
  // Runs on every close and after a failed open, also when InternalOpen did not run or finish.
  virtual void InternalClose() = 0;
  virtual bool IsCursorOpen() = 0;
  virtual void InternalInitFieldDefs() = 0;
  virtual void InternalFirst() = 0;
  virtual void InternalLast() = 0;
  virtual void InternalSetToRecord(Byte* /*buffer*/) {}
  virtual void InternalGotoBookmark(const Byte* /*bookmark*/) {}
  virtual void InternalInitRecord(Byte* /*buffer*/) {}
  virtual void InternalRefresh() {}
  virtual void InternalInsert() {}
  virtual void InternalEdit() {}
  virtual void InternalCancel() {}
  // The default checks the required fields.
  virtual void InternalPost();
  virtual void InternalDelete() {}
  // Stores buffer as a new record (InsertRecord/AppendRecord). The default raises.
  virtual void InternalAddRecord(Byte* buffer, bool append);
  // Called inside a catch block: the application's exception handler reports the exception; without
  // an installed handler it passes on.
  virtual void InternalHandleException();
  virtual Integer GetRecordCount() { return -1; }
  virtual Integer GetRecNo() { return -1; }
  virtual bool GetCanModify() { return true; }
  virtual TDataSource* GetDataSource() { return nullptr; }
  virtual void GetBookmarkData(const Byte* /*buffer*/, Byte* /*data*/) {}
  virtual void SetBookmarkData(Byte* /*buffer*/, const Byte* /*data*/) {}
  virtual TBookmarkFlag GetBookmarkFlag(const Byte* /*buffer*/) { return bfCurrent; }
  virtual void SetBookmarkFlag(Byte* /*buffer*/, TBookmarkFlag /*value*/) {}
  virtual void ClearCalcFields(Byte* /*buffer*/) {}

  // ---- open/close steps a descendant may extend ----
  // InfoQuery: only the field definitions are wanted (FieldDefs.Update on a closed dataset).
  virtual void OpenCursor(bool infoQuery);
  virtual void CloseCursor();
  // FieldDefs.Update: InternalInitFieldDefs, opening the cursor for it when closed.
  virtual void InitFieldDefs();
  virtual void CreateFields();
  virtual void BindFields(bool binding);
  virtual void DestroyFields();
  virtual void InitRecord(Byte* buffer);
  virtual void FreeFieldBuffers();
  // Runs OnCalcFields for buffer in the silent dsCalcFields state (when there are calculated fields).
  virtual void GetCalcFields(Byte* buffer);
  virtual void CalculateFields(Byte* buffer);
  virtual void SetFilterText(const AnsiString& value) { filterText_ = value; }

  // ---- event triggers ----
  virtual void DoBeforeOpen() { Fire(BeforeOpen); }
  virtual void DoAfterOpen() { Fire(AfterOpen); }
  virtual void DoBeforeClose() { Fire(BeforeClose); }
  virtual void DoAfterClose() { Fire(AfterClose); }
  virtual void DoBeforeInsert() { Fire(BeforeInsert); }
  virtual void DoAfterInsert() { Fire(AfterInsert); }
  virtual void DoBeforeEdit() { Fire(BeforeEdit); }
  virtual void DoAfterEdit() { Fire(AfterEdit); }
  virtual void DoBeforePost() { Fire(BeforePost); }
  virtual void DoAfterPost() { Fire(AfterPost); }
  virtual void DoBeforeCancel() { Fire(BeforeCancel); }
  virtual void DoAfterCancel() { Fire(AfterCancel); }
  virtual void DoBeforeDelete() { Fire(BeforeDelete); }
  virtual void DoAfterDelete() { Fire(AfterDelete); }
  virtual void DoBeforeScroll() { Fire(BeforeScroll); }
  virtual void DoAfterScroll() { Fire(AfterScroll); }
  virtual void DoBeforeRefresh() { Fire(BeforeRefresh); }
  virtual void DoAfterRefresh() { Fire(AfterRefresh); }
  virtual void DoOnCalcFields() { Fire(OnCalcFields); }
  virtual void DoOnNewRecord() { Fire(OnNewRecord); }

  // ---- state ----
  void SetState(TDataSetState value);
  TDataSetState SetTempState(TDataSetState value);
  void RestoreState(TDataSetState value);
  void SetModified(bool value) { modified_ = value; }
  void SetFound(bool value) { found_ = value; }
  void CheckActive() const;
  void CheckInactive();
  void CheckCanModify();
  void CheckRequiredFields();

  // ---- buffers ----
  int BufferCount() const { return bufferCount_; }
  Byte* Buffers(int index) const;
  int ActiveRecord() const { return activeRecord_; }
  int CurrentRecord() const { return currentRecord_; }
  Byte* TempBuffer() const;
  Byte* CalcBuffer() const { return calcBuffer_; }
  int CalcFieldsSize() const { return calcFieldsSize_; }
  int BookmarkSize() const { return bookmarkSize_; }
  void SetBookmarkSize(int value) { bookmarkSize_ = value; }
  int BlobFieldCount() const { return blobFieldCount_; }
  bool GetNextRecord();
  bool GetPriorRecord();
  int GetNextRecords();
  int GetPriorRecords();
  virtual void SetCurrentRecord(int index);
  void ClearBuffers();
  void ActivateBuffers();
  void UpdateBufferCount();

 private:
  friend class TDataSource;
  friend class TDataLink;
  friend class TField;
  friend class TFields;
  friend class TFieldDefs;

  void Fire(const TDataSetNotifyEvent& event) {
    if (event) event(this);
  }
  void SetBufferCount(int value);
  void SetBufListSize(int value);
  void MoveBuffer(int curIndex, int newIndex);
  void OpenCursorComplete();
  void DoInternalOpen();
  void BeginInsertAppend();
  void PrepareInsertBuffer();
  void PrepareAppendBuffer();
  void EndInsertAppend();
  void AddRecord(std::initializer_list<Variant> values, bool append);
  void UpdateCalcFields();
  void CheckOperation(void (TDataSet::*operation)(), const TDataSetErrorEvent& errorEvent);
  void AddDataSource(TDataSource* dataSource);
  void RemoveDataSource(TDataSource* dataSource);
  void DetachFields() noexcept;

  TDataSetState state_ = dsInactive;
  bool bof_ = true;
  bool eof_ = true;
  bool modified_ = false;
  bool found_ = false;
  bool streamedActive_ = false;
  bool internalOpenComplete_ = false;
  bool defaultFields_ = false;
  bool autoCalcFields_ = true;
  bool filtered_ = false;
  AnsiString filterText_;
  TFilterOptions filterOptions_;
  TFilterRecordEvent onFilterRecord_;

  std::vector<Byte*> buffers_;  // owned through AllocRecordBuffer/FreeRecordBuffer
  int bufferCount_ = 0;
  int recordCount_ = 0;
  int activeRecord_ = 0;
  int currentRecord_ = -1;
  Byte* calcBuffer_ = nullptr;
  int calcFieldsSize_ = 0;
  int blobFieldCount_ = 0;
  int bookmarkSize_ = 0;

  int disableCount_ = 0;
  TDataSetState disableState_ = dsInactive;
  TDataEvent enableEvent_ = deDataSetChange;

  std::unique_ptr<TFields> fields_;
  std::unique_ptr<TFieldDefs> fieldDefs_;
  TList<TDataSource> dataSources_;
};
