// Test fixtures of the dataset framework: TArrayDataSet, a dataset over an in-memory array of rows
// that implements the descendant's side of the record-buffer protocol the way the engine's dataset
// does (bookmarks are stable row ids, BLOBs live in a side table referenced by 32-bit handles), and
// recorders that write what a data link, a data source and the dataset's events see into one log.
#pragma once
#include <algorithm>
#include <cstring>
#include <optional>
#include <string>
#include <vector>

#include "vcl/db/DBConsts.h"
#include "vcl/db/DataSet.h"
#include "vcl/db/DataSource.h"
#include "vcl/db/FieldDefs.h"
#include "vcl/db/Fields.h"
#include "vcl/rtl/AnsiStrings.h"
#include "vcl/rtl/Stream.h"

namespace dbtest {

using Log = std::vector<std::string>;

inline const char* StateName(TDataSetState state) {
  static const char* const kNames[] = {"dsInactive", "dsBrowse",    "dsEdit",     "dsInsert",       "dsSetKey",
                                       "dsCalcFields", "dsFilter",  "dsNewValue", "dsOldValue",     "dsCurValue",
                                       "dsBlockRead", "dsInternalCalc", "dsOpening"};
  return kNames[static_cast<int>(state)];
}

struct Column {
  AnsiString name;
  TFieldType type;
  int size = 0;
  bool required = false;
};

// A stream over one BLOB slot of the dataset's side table, written in place.
class TSlotStream : public TStream {
 public:
  TSlotStream(std::vector<std::string>& store, std::size_t slot) : store_(store), slot_(slot) {}
  using TStream::Seek;
  using TStream::SetSize;
  Integer Read(void* buffer, Integer count) override {
    const std::string& data = store_[slot_];
    if (count <= 0 || position_ >= static_cast<Int64>(data.size())) return 0;
    const auto n = static_cast<Integer>(std::min<Int64>(count, static_cast<Int64>(data.size()) - position_));
    std::memcpy(buffer, data.data() + position_, static_cast<std::size_t>(n));
    position_ += n;
    return n;
  }
  Integer Write(const void* buffer, Integer count) override {
    if (count <= 0) return 0;
    std::string& data = store_[slot_];
    if (static_cast<Int64>(data.size()) < position_ + count) data.resize(static_cast<std::size_t>(position_ + count));
    std::memcpy(data.data() + position_, buffer, static_cast<std::size_t>(count));
    position_ += count;
    return count;
  }
  Int64 Seek(Int64 offset, TSeekOrigin origin) override {
    position_ = SeekTarget(offset, origin, position_, static_cast<Int64>(store_[slot_].size()));
    return position_;
  }
  void SetSize(Int64 newSize) override {
    store_[slot_].resize(static_cast<std::size_t>(newSize));
    if (position_ > newSize) position_ = newSize;
    ++setSizeCalls;
  }
  Int64 GetSize() override { return static_cast<Int64>(store_[slot_].size()); }

  static inline int setSizeCalls = 0;

 private:
  std::vector<std::string>& store_;
  std::size_t slot_;
  Int64 position_ = 0;
};

class TArrayDataSet : public TDataSet {
 public:
  using TDataSet::GetFieldData;
  using TDataSet::SetFieldData;

  explicit TArrayDataSet(TComponent* owner, std::vector<Column> columns = {}) : TDataSet(owner), columns_(std::move(columns)) {}

  // ---- the table (usable while closed or open; an open dataset needs Refresh/Resync to show changes) ----
  void AddColumn(const AnsiString& name, TFieldType type, int size = 0, bool required = false) {
    columns_.push_back({name, type, size, required});
  }
  int RowCount() const { return static_cast<int>(rows_.size()); }
  // Raw insert of a row of integers into an "ID"-only table (test set-up).
  void AddIntRows(int count, int first = 1) {
    PrepareLayout();
    for (int i = 0; i < count; ++i) {
      Row row{nextId_++, std::vector<Byte>(static_cast<std::size_t>(recordSize_), 0)};
      row.data[static_cast<std::size_t>(offsets_[0])] = 1;
      const Integer v = first + i;
      std::memcpy(row.data.data() + offsets_[0] + 1, &v, 4);
      rows_.push_back(std::move(row));
    }
  }
  // The integer value of column 0 of every row, in order.
  std::vector<int> IntColumn() const {
    std::vector<int> out;
    for (const Row& r : rows_) {
      Integer v;
      std::memcpy(&v, r.data.data() + offsets_[0] + 1, 4);
      out.push_back(v);
    }
    return out;
  }
  void DeleteRowAt(int index) { rows_.erase(rows_.begin() + index); }

  bool readOnly = false;
  int failOpenAt = 0;           // 1: OpenCursor raises before InternalOpen; 2: InternalOpen raises halfway
  bool failPost = false;        // InternalPost raises EDatabaseError
  Log* calls = nullptr;         // InternalOpen / InternalClose / CloseCursor, when set

  // Expose the protected machinery to the tests.
  using TDataSet::ActiveRecord;
  using TDataSet::BufferCount;
  using TDataSet::CalcFieldsSize;
  using TDataSet::CurrentRecord;
  using TDataSet::RestoreState;
  using TDataSet::SetState;
  using TDataSet::SetTempState;

  bool Locate(const AnsiString& keyFields, const Variant& keyValues, TLocateOptions options) override {
    DoBeforeScroll();
    CheckBrowseMode();
    CursorPosChanged();
    const int found = Search(keyFields, keyValues, options);
    if (found < 0) return false;
    cur_ = found;
    Resync(TResyncMode{rmExact, rmCenter});
    DoAfterScroll();
    return true;
  }

  Variant Lookup(const AnsiString& keyFields, const Variant& keyValues, const AnsiString& resultFields) override {
    CheckBrowseMode();
    const int found = Search(keyFields, keyValues, {});
    if (found < 0) return Null();
    filterBuffer_ = TempBuffer();
    std::memcpy(filterBuffer_, rows_[static_cast<std::size_t>(found)].data.data(), static_cast<std::size_t>(recordSize_));
    const TDataSetState saved = SetTempState(dsFilter);
    Variant result;
    try {
      result = FieldValues(resultFields);
    } catch (...) {
      RestoreState(saved);
      throw;
    }
    RestoreState(saved);
    return result;
  }

  bool GetFieldData(TField* field, Byte* buffer) override {
    const Byte* rec = RecordBuffer();
    if (rec == nullptr) return false;
    if (field->FieldNo() > 0) {
      const int offset = offsets_[static_cast<std::size_t>(field->FieldNo() - 1)];
      if (rec[offset] == 0) return false;
      if (field->IsBlob()) {
        Integer handle;
        std::memcpy(&handle, rec + offset + 1, 4);
        return handle > 0 && !blobs_[static_cast<std::size_t>(handle - 1)].empty();
      }
      if (buffer != nullptr) std::memcpy(buffer, rec + offset + 1, static_cast<std::size_t>(field->DataSize()));
      return true;
    }
    const Byte* slot = rec + recordSize_ + field->Offset();
    if (slot[0] == 0) return false;
    if (buffer != nullptr) std::memcpy(buffer, slot + 1, static_cast<std::size_t>(field->DataSize()));
    return true;
  }

  void SetFieldData(TField* field, const Byte* buffer) override {
    if (!dsWriteModes.Contains(State())) DatabaseError(SNotEditing, this);
    Byte* rec = RecordBuffer();
    if (rec == nullptr) DatabaseError(SNotEditing, this);
    if (field->FieldNo() > 0) {
      field->Validate(buffer);
      const int offset = offsets_[static_cast<std::size_t>(field->FieldNo() - 1)];
      rec[offset] = buffer != nullptr ? 1 : 0;
      std::memset(rec + offset + 1, 0, static_cast<std::size_t>(field->DataSize()));
      if (buffer != nullptr) std::memcpy(rec + offset + 1, buffer, static_cast<std::size_t>(field->DataSize()));
    } else {
      Byte* slot = rec + recordSize_ + field->Offset();
      slot[0] = buffer != nullptr ? 1 : 0;
      std::memset(slot + 1, 0, static_cast<std::size_t>(field->DataSize()));
      if (buffer != nullptr) std::memcpy(slot + 1, buffer, static_cast<std::size_t>(field->DataSize()));
    }
    const TDataSetState s = State();
    if (s != dsCalcFields && s != dsFilter && s != dsNewValue) DataEvent(deFieldChange, reinterpret_cast<NativeInt>(field));
  }

  std::unique_ptr<TStream> CreateBlobStream(TField* field, TBlobStreamMode mode) override {
    Byte* rec = RecordBuffer();
    const int offset = offsets_[static_cast<std::size_t>(field->FieldNo() - 1)];
    Integer handle = 0;
    if (rec != nullptr && rec[offset] != 0) std::memcpy(&handle, rec + offset + 1, 4);
    if (mode == bmRead) {
      blobs_.push_back(handle > 0 ? blobs_[static_cast<std::size_t>(handle - 1)] : std::string());
      return std::make_unique<TSlotStream>(blobs_, blobs_.size() - 1);
    }
    if (State() != dsEdit && State() != dsInsert) DatabaseError(SNotEditing, this);
    // A write gets a slot of its own, so that a cancelled edit leaves the stored value alone.
    blobs_.push_back(mode == bmReadWrite && handle > 0 ? blobs_[static_cast<std::size_t>(handle - 1)] : std::string());
    const auto slot = static_cast<Integer>(blobs_.size());
    rec[offset] = 1;
    std::memcpy(rec + offset + 1, &slot, 4);
    if (auto* blob = dynamic_cast<TBlobField*>(field)) blob->SetModified(true);
    DataEvent(deFieldChange, reinterpret_cast<NativeInt>(field));
    return std::make_unique<TSlotStream>(blobs_, static_cast<std::size_t>(slot - 1));
  }

  bool BookmarkValid(const Byte* bookmark) override { return bookmark != nullptr && IndexOfId(LoadId(bookmark)) >= 0; }

  Integer CompareBookmarks(const Byte* b1, const Byte* b2) override {
    if (b1 == nullptr && b2 == nullptr) return 0;
    if (b1 == nullptr) return 1;
    if (b2 == nullptr) return -1;
    const int i1 = IndexOfId(LoadId(b1)), i2 = IndexOfId(LoadId(b2));
    return i1 == i2 ? 0 : (i1 > i2 ? 1 : -1);
  }

  Integer GetRecNo() override {
    if (State() == dsInsert || IsEmpty()) return -1;
    return IndexOfId(LoadId(ActiveBuffer() + BookmarkOffset())) + 1;
  }
  void SetRecNo(Integer value) override {
    if (value < 1 || value > RowCount()) throw EDatabaseError("Invalid RecNo");
    CheckBrowseMode();
    DoBeforeScroll();
    cur_ = value - 1;
    Resync(TResyncMode{rmCenter});
    DoAfterScroll();
  }

 protected:
  Byte* AllocRecordBuffer() override {
    ++liveBuffers;
    return new Byte[static_cast<std::size_t>(BufferSize())]();
  }
  void FreeRecordBuffer(Byte*& buffer) override {
    --liveBuffers;
    delete[] buffer;
    buffer = nullptr;
  }

 public:
  int liveBuffers = 0;

 protected:
  // The "cursor" exists from OpenCursor to CloseCursor, as an engine cursor does: InternalOpen's
  // FieldDefs.Update then reads the definitions from the open cursor.
  void OpenCursor(bool infoQuery) override {
    if (failOpenAt == 1 && !infoQuery) throw EDatabaseError("cannot open");
    open_ = true;
    TDataSet::OpenCursor(infoQuery);
  }
  void CloseCursor() override {
    if (calls != nullptr) calls->push_back("CloseCursor");
    TDataSet::CloseCursor();
    open_ = false;
  }
  void InternalOpen() override {
    if (calls != nullptr) calls->push_back("InternalOpen");
    FieldDefs().Update();
    PrepareLayout();
    if (DefaultFields()) CreateFields();
    BindFields(true);
    if (failOpenAt == 2) throw EDatabaseError("open failed halfway");
    SetBookmarkSize(4);
    cur_ = -1;
  }
  void InternalClose() override {
    if (calls != nullptr) calls->push_back("InternalClose");
    BindFields(false);
    if (DefaultFields()) DestroyFields();
  }
  bool IsCursorOpen() override { return open_; }
  void InternalInitFieldDefs() override {
    FieldDefs().Clear();
    for (const Column& c : columns_) FieldDefs().Add(c.name, c.type, c.size, c.required);
  }
  // Back onto the current record by its bookmark (the rows may have changed), else to the start.
  void InternalRefresh() override {
    const int index = IsEmpty() ? -1 : IndexOfId(LoadId(ActiveBuffer() + BookmarkOffset()));
    cur_ = index;
    CursorPosChanged();
  }
  void InternalFirst() override { cur_ = -1; }
  void InternalLast() override { cur_ = RowCount(); }

  TGetResult GetRecord(Byte* buffer, TGetMode mode, bool /*doCheck*/) override {
    ++fetches;
    switch (mode) {
      case gmNext:
        if (cur_ < RowCount()) ++cur_;
        if (cur_ >= RowCount()) return grEOF;
        break;
      case gmPrior:
        if (cur_ >= 0) --cur_;
        if (cur_ < 0) return grBOF;
        break;
      case gmCurrent:
        if (cur_ < 0 || cur_ >= RowCount()) return grError;
        break;
    }
    const Row& row = rows_[static_cast<std::size_t>(cur_)];
    std::memcpy(buffer, row.data.data(), static_cast<std::size_t>(recordSize_));
    std::memcpy(buffer + BookmarkOffset(), &row.id, 4);
    buffer[BookmarkOffset() + 4] = bfCurrent;
    GetCalcFields(buffer);
    return grOK;
  }

 public:
  int fetches = 0;

 protected:
  Word GetRecordSize() override { return static_cast<Word>(recordSize_); }
  void InternalSetToRecord(Byte* buffer) override { InternalGotoBookmark(buffer + BookmarkOffset()); }
  void InternalGotoBookmark(const Byte* bookmark) override {
    const int index = IndexOfId(LoadId(bookmark));
    if (index < 0) DatabaseError(SRecordNotFound, this);
    cur_ = index;
  }
  void GetBookmarkData(const Byte* buffer, Byte* data) override { std::memcpy(data, buffer + BookmarkOffset(), 4); }
  void SetBookmarkData(Byte* buffer, const Byte* data) override {
    if (data != nullptr) std::memcpy(buffer + BookmarkOffset(), data, 4);
  }
  TBookmarkFlag GetBookmarkFlag(const Byte* buffer) override {
    return static_cast<TBookmarkFlag>(buffer[BookmarkOffset() + 4]);
  }
  void SetBookmarkFlag(Byte* buffer, TBookmarkFlag value) override { buffer[BookmarkOffset() + 4] = value; }
  void InternalInitRecord(Byte* buffer) override { std::memset(buffer, 0, static_cast<std::size_t>(recordSize_)); }
  void ClearCalcFields(Byte* buffer) override {
    std::memset(buffer + recordSize_, 0, static_cast<std::size_t>(CalcFieldsSize()));
  }
  Integer GetRecordCount() override { return Active() ? RowCount() : 0; }
  bool GetCanModify() override { return !readOnly; }

  void InternalPost() override {
    TDataSet::InternalPost();
    if (failPost) DatabaseError("post refused", this);
    if (State() == dsInsert)
      StoreNew(ActiveBuffer(), GetBookmarkFlag(ActiveBuffer()) == bfEOF);
    else
      rows_[static_cast<std::size_t>(cur_)].data.assign(ActiveBuffer(), ActiveBuffer() + recordSize_);
  }
  void InternalAddRecord(Byte* buffer, bool append) override { StoreNew(buffer, append); }
  void InternalDelete() override { rows_.erase(rows_.begin() + cur_); }

 private:
  struct Row {
    Integer id;
    std::vector<Byte> data;
  };

  void PrepareLayout() {
    offsets_.clear();
    int offset = 0;
    for (const Column& c : columns_) {
      offsets_.push_back(offset);
      int size = 0;
      switch (c.type) {
        case ftString:
        case ftFixedChar:
          size = c.size + 1;
          break;
        case ftWideString:
        case ftFixedWideChar:
          size = (c.size + 1) * 2;
          break;
        case ftSmallint:
        case ftWord:
        case ftBoolean:
          size = 2;
          break;
        case ftInteger:
        case ftAutoInc:
        case ftDate:
        case ftTime:
          size = 4;
          break;
        case ftBytes:
          size = c.size;
          break;
        case ftVarBytes:
          size = c.size + 2;
          break;
        case ftTimeStamp:
          size = 16;
          break;
        case ftBlob:
        case ftMemo:
        case ftGraphic:
        case ftFmtMemo:
        case ftWideMemo:
        case ftParadoxOle:
        case ftDBaseOle:
        case ftTypedBinary:
          size = 4;  // handle into blobs_
          break;
        default:
          size = 8;
          break;
      }
      offset += 1 + size;
    }
    recordSize_ = offset;
  }

  int BookmarkOffset() const { return recordSize_ + CalcFieldsSize(); }
  int BufferSize() const { return BookmarkOffset() + 5; }
  static Integer LoadId(const Byte* bookmark) {
    Integer id;
    std::memcpy(&id, bookmark, 4);
    return id;
  }
  int IndexOfId(Integer id) const {
    for (std::size_t i = 0; i < rows_.size(); ++i)
      if (rows_[i].id == id) return static_cast<int>(i);
    return -1;
  }
  // While Locate/Lookup look at a row (dsFilter), fields read the filter buffer.
  Byte* RecordBuffer() const {
    switch (State()) {
      case dsBrowse:
        return IsEmpty() ? nullptr : ActiveBuffer();
      case dsEdit:
      case dsInsert:
        return ActiveBuffer();
      case dsCalcFields:
        return CalcBuffer();
      case dsFilter:
        return filterBuffer_;
      default:
        return nullptr;
    }
  }
  void StoreNew(const Byte* buffer, bool append) {
    int at = append ? RowCount() : std::clamp(cur_, 0, RowCount());
    // An auto-increment column numbers the row.
    for (std::size_t i = 0; i < columns_.size(); ++i)
      if (columns_[i].type == ftAutoInc) {
        Byte* rec = const_cast<Byte*>(buffer);
        rec[offsets_[i]] = 1;
        const Integer v = nextAutoInc_++;
        std::memcpy(rec + offsets_[i] + 1, &v, 4);
      }
    rows_.insert(rows_.begin() + at, Row{nextId_++, std::vector<Byte>(buffer, buffer + recordSize_)});
    cur_ = at;
  }
  int Search(const AnsiString& keyFields, const Variant& keyValues, TLocateOptions options) {
    std::vector<TField*> keys;
    GetFieldList(keys, keyFields);
    filterBuffer_ = TempBuffer();
    const TDataSetState saved = SetTempState(dsFilter);
    int found = -1;
    try {
      for (int i = 0; i < RowCount() && found < 0; ++i) {
        std::memcpy(filterBuffer_, rows_[static_cast<std::size_t>(i)].data.data(), static_cast<std::size_t>(recordSize_));
        bool match = true;
        for (std::size_t k = 0; k < keys.size() && match; ++k) {
          const Variant want = keys.size() == 1 ? keyValues : VarArrayGet(keyValues, static_cast<Integer>(k));
          if (VarIsStr(want)) {
            AnsiString have = keys[k]->AsString();
            AnsiString w = want.AsString();
            if (options.Contains(loPartialKey)) have = have.substr(0, w.size());
            match = options.Contains(loCaseInsensitive) ? AnsiSameText(have, w) : have == w;
          } else {
            match = VarSameValue(keys[k]->AsVariant(), want);
          }
        }
        if (match) found = i;
      }
    } catch (...) {
      RestoreState(saved);
      throw;
    }
    RestoreState(saved);
    return found;
  }

  std::vector<Column> columns_;
  std::vector<Row> rows_;
  std::vector<int> offsets_;
  std::vector<std::string> blobs_;
  int recordSize_ = 0;
  Integer nextId_ = 1;
  Integer nextAutoInc_ = 1;
  int cur_ = -1;
  bool open_ = false;
  Byte* filterBuffer_ = nullptr;
};

// A data link that logs every notification as "<tag>:<what>".
class TRecordingLink : public TDataLink {
 public:
  TRecordingLink(Log& log, std::string tag, int bufferCount = 1) : log_(log), tag_(std::move(tag)) {
    SetBufferCount(bufferCount);
  }
  using TDataLink::SetBufferCount;

 protected:
  void ActiveChanged() override { Add("Active=" + std::to_string(Active())); }
  void EditingChanged() override { Add("Editing=" + std::to_string(Editing())); }
  void DataSetChanged() override { Add("DataSetChanged"); }
  void DataSetScrolled(int distance) override { Add("Scrolled(" + std::to_string(distance) + ")"); }
  void LayoutChanged() override { Add("LayoutChanged"); }
  void RecordChanged(TField* field) override { Add("RecordChanged(" + (field ? field->FieldName() : std::string("nil")) + ")"); }
  void UpdateData() override { Add("UpdateData"); }
  void CheckBrowseMode() override { Add("CheckBrowseMode"); }

 private:
  void Add(const std::string& what) { log_.push_back(tag_ + ":" + what); }
  Log& log_;
  std::string tag_;
};

// Logs the dataset's Before/After events and a data source's state changes into `log`.
inline void RecordEvents(TDataSet* ds, Log& log) {
  auto hook = [&log](const char* name) { return [&log, name](TDataSet*) { log.push_back(name); }; };
  ds->BeforeOpen = hook("BeforeOpen");
  ds->AfterOpen = hook("AfterOpen");
  ds->BeforeClose = hook("BeforeClose");
  ds->AfterClose = hook("AfterClose");
  ds->BeforeInsert = hook("BeforeInsert");
  ds->AfterInsert = hook("AfterInsert");
  ds->BeforeEdit = hook("BeforeEdit");
  ds->AfterEdit = hook("AfterEdit");
  ds->BeforePost = hook("BeforePost");
  ds->AfterPost = hook("AfterPost");
  ds->BeforeCancel = hook("BeforeCancel");
  ds->AfterCancel = hook("AfterCancel");
  ds->BeforeDelete = hook("BeforeDelete");
  ds->AfterDelete = hook("AfterDelete");
  ds->BeforeScroll = hook("BeforeScroll");
  ds->AfterScroll = hook("AfterScroll");
  ds->BeforeRefresh = hook("BeforeRefresh");
  ds->AfterRefresh = hook("AfterRefresh");
  ds->OnNewRecord = hook("OnNewRecord");
}

inline void RecordStates(TDataSource* source, Log& log) {
  source->OnStateChange = [&log](TObject* sender) {
    log.push_back(std::string("StateChange(") + StateName(static_cast<TDataSource*>(sender)->State()) + ")");
  };
}

}  // namespace dbtest
