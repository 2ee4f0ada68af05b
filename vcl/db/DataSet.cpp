#include "vcl/db/DataSet.h"

#include <algorithm>
#include <cstring>

#include "vcl/db/DBConsts.h"
#include "vcl/db/DataSource.h"
#include "vcl/db/FieldDefs.h"
#include "vcl/db/Fields.h"
#include "vcl/rtl/DateUtils.h"
#include "vcl/rtl/ExceptionHandler.h"
#include "vcl/rtl/Stream.h"
#include "vcl/rtl/Strings.h"
#include "vcl/rtl/TryFinally.h"

namespace {

// The text of the silent EAbort an error handler asks for.
constexpr char kOperationAborted[] = "Operation aborted";

bool IsClientConverted(TFieldType type) {
  switch (type) {
    case ftDate:
    case ftTime:
    case ftDateTime:
      return true;
    default:
      return false;
  }
}

// Size of a field's value in its client form.
int ClientSize(const TField* field) {
  return IsClientConverted(field->DataType()) ? static_cast<int>(sizeof(TDateTime)) : field->DataSize();
}

}  // namespace

// ---- the owner-creating question ----

namespace {
TOwnerCreatingQuery ownerCreatingQuery = nullptr;
}  // namespace

void SetOwnerCreatingQuery(TOwnerCreatingQuery query) { ownerCreatingQuery = query; }

bool OwnerBeingCreated(const TComponent* component) {
  const TComponent* owner = component != nullptr ? component->Owner() : nullptr;
  if (owner == nullptr) return false;
  if (owner->ComponentState().Contains(csLoading) || owner->ComponentState().Contains(csReading)) return true;
  return ownerCreatingQuery != nullptr && ownerCreatingQuery(owner);
}

// ---- TBookmark ----

TBookmark::TBookmark(const Byte* data, int size) {
  if (data != nullptr && size > 0) data_.assign(data, data + size);
}

// ---- construction ----

TDataSet::TDataSet(TComponent* owner)
    : TComponent(owner), fields_(std::make_unique<TFields>(this)), fieldDefs_(std::make_unique<TFieldDefs>(this)) {}

void TDataSet::BeforeDestruction() {
  // Closing needs the descendant's virtuals, so it happens here, while the object is complete.
  TComponent::BeforeDestruction();
  try {
    Close();
  } catch (...) {
  }
  while (dataSources_.Count() > 0) RemoveDataSource(dataSources_.Last());
  DetachFields();
}

TDataSet::~TDataSet() {
  // Normally empty by now (BeforeDestruction); a dataset destroyed without `delete` still lets go of
  // its sources and fields. Buffers of such a dataset cannot be handed back to the descendant.
  for (TDataSource* source : dataSources_) {
    source->dataSet_ = nullptr;
  }
  DetachFields();
}

void TDataSet::DetachFields() noexcept {
  // Default fields are owned by this dataset and die with it; persistent fields (owned by others)
  // only forget it.
  while (fields_->Count() > 0) {
    TField* field = fields_->list_.back();
    fields_->list_.pop_back();
    field->dataSet_ = nullptr;
  }
}

void TDataSet::Loaded() {
  TComponent::Loaded();
  if (!streamedActive_) return;
  try {
    SetActive(true);
  } catch (...) {
    if (ComponentState().Contains(csDesigning))
      InternalHandleException();
    else
      throw;
  }
}

// ---- open and close ----

void TDataSet::SetActive(bool value) {
  if (ComponentState().Contains(csReading)) {
    streamedActive_ = value;
    return;
  }
  if (Active() == value) return;
  if (value) {
    DoBeforeOpen();
    try {
      OpenCursor(false);
    } catch (...) {
      // A failed open goes back to dsInactive and closes the cursor, however far it got.
      internalOpenComplete_ = false;
      try {
        if (state_ != dsOpening) OpenCursorComplete();
      } catch (...) {
      }
      throw;
    }
    if (state_ != dsOpening) OpenCursorComplete();
  } else {
    const bool destroying = ComponentState().Contains(csDestroying);
    if (!destroying) DoBeforeClose();
    SetState(dsInactive);
    CloseCursor();
    if (!destroying) DoAfterClose();
  }
}

void TDataSet::OpenCursor(bool infoQuery) {
  if (infoQuery)
    InternalInitFieldDefs();
  else if (state_ != dsOpening)
    DoInternalOpen();
}

void TDataSet::DoInternalOpen() {
  defaultFields_ = fields_->Count() == 0;
  InternalOpen();
  internalOpenComplete_ = true;
  UpdateBufferCount();
  bof_ = true;
}

void TDataSet::OpenCursorComplete() {
  if (internalOpenComplete_) {
    SetState(dsBrowse);
    DoAfterOpen();
    if (!IsEmpty()) DoAfterScroll();
  } else {
    SetState(dsInactive);
    CloseCursor();
  }
}

void TDataSet::CloseCursor() {
  internalOpenComplete_ = false;
  TryFinally(
      [&] {
        FreeFieldBuffers();
        ClearBuffers();
        SetBufListSize(0);
      },
      [&] {
        TryFinally([&] { InternalClose(); },
                   [&] {
                     bufferCount_ = 0;
                     defaultFields_ = false;
                     calcBuffer_ = nullptr;
                   });
      });
}

void TDataSet::InitFieldDefs() {
  if (IsCursorOpen()) {
    InternalInitFieldDefs();
  } else {
    TryFinally([&] { OpenCursor(true); }, [&] { CloseCursor(); });
  }
}

void TDataSet::CheckActive() const {
  if (state_ == dsInactive) DatabaseError(SDataSetClosed, this);
}

void TDataSet::CheckInactive() {
  if (!Active()) return;
  if (ComponentState().Contains(csUpdating) || ComponentState().Contains(csDesigning))
    Close();
  else
    DatabaseError(SDataSetOpen, this);
}

void TDataSet::CheckCanModify() {
  if (!CanModify()) DatabaseError(SDataSetReadOnly, this);
}

void TDataSet::InternalHandleException() {
  // The application's handler reports it; without one the error goes on to the caller.
  if (!HandleApplicationException(this)) throw;
}

// ---- state ----

void TDataSet::SetState(TDataSetState value) {
  if (state_ == value) return;
  state_ = value;
  modified_ = false;
  DataEvent(deUpdateState, 0);
}

TDataSetState TDataSet::SetTempState(TDataSetState value) {
  const TDataSetState previous = state_;
  state_ = value;
  ++disableCount_;
  return previous;
}

void TDataSet::RestoreState(TDataSetState value) {
  state_ = value;
  --disableCount_;
}

void TDataSet::DisableControls() {
  if (disableCount_ == 0) {
    disableState_ = state_;
    enableEvent_ = deDataSetChange;
  }
  ++disableCount_;
}

void TDataSet::EnableControls() {
  if (disableCount_ == 0) return;
  if (--disableCount_ != 0) return;
  if (disableState_ != state_) DataEvent(deUpdateState, 0);
  if (disableState_ != dsInactive && state_ != dsInactive) DataEvent(enableEvent_, 0);
}

void TDataSet::DataEvent(TDataEvent event, NativeInt info) {
  bool notify = !ControlsDisabled() && state_ != dsBlockRead;
  switch (event) {
    case deFieldChange: {
      auto* field = reinterpret_cast<TField*>(info);
      if (field != nullptr && (field->FieldKind() == fkData || field->FieldKind() == fkInternalCalc))
        SetModified(true);
      UpdateCalcFields();
      if (field != nullptr && field->OnChange) field->OnChange(field);
      break;
    }
    case dePropertyChange:
      fieldDefs_->SetUpdated(false);
      break;
    case deLayoutChange:
      if (ControlsDisabled()) enableEvent_ = deLayoutChange;
      break;
    case deUpdateState:
      if (ControlsDisabled()) {
        // The sources keep their state; their links only follow whether there is data at all.
        event = deDisabledStateChange;
        info = state_ != dsInactive ? 1 : 0;
        notify = true;
        if (state_ == dsInactive) enableEvent_ = deLayoutChange;
      }
      break;
    default:
      break;
  }
  if (!notify) return;
  // A handler may unhook a source; walk a copy.
  const TPointerSnapshot<TDataSource> sources(dataSources_.begin(), dataSources_.end());
  for (TDataSource* source : sources)
    if (dataSources_.IndexOf(source) >= 0) source->DataEvent(event, info);
}

void TDataSet::UpdateCalcFields() {
  if (state_ != dsSetKey && calcFieldsSize_ > 0 && autoCalcFields_ && (state_ == dsEdit || state_ == dsInsert))
    GetCalcFields(ActiveBuffer());
}

// ---- data sources ----

void TDataSet::AddDataSource(TDataSource* dataSource) {
  dataSources_.Add(dataSource);
  dataSource->dataSet_ = this;
  UpdateBufferCount();
  dataSource->UpdateState();
}

void TDataSet::RemoveDataSource(TDataSource* dataSource) {
  dataSource->dataSet_ = nullptr;
  dataSources_.Remove(dataSource);
  dataSource->UpdateState();
  UpdateBufferCount();
}

bool TDataSet::IsLinkedTo(TDataSource* dataSource) {
  // Bounded walk: a chain longer than the number of components cannot be a chain of distinct sources.
  for (int guard = 0; dataSource != nullptr && guard < 100000; ++guard) {
    TDataSet* dataSet = dataSource->DataSet();
    if (dataSet == nullptr) break;
    if (dataSet == this) return true;
    dataSource = dataSet->DataSource();
  }
  return false;
}

// ---- buffers ----

Byte* TDataSet::Buffers(int index) const {
  if (index < 0 || index >= static_cast<int>(buffers_.size())) RaiseListIndexError(index);
  return buffers_[static_cast<std::size_t>(index)];
}

Byte* TDataSet::ActiveBuffer() const {
  if (activeRecord_ < 0 || activeRecord_ >= static_cast<int>(buffers_.size())) return nullptr;
  return buffers_[static_cast<std::size_t>(activeRecord_)];
}

Byte* TDataSet::TempBuffer() const {
  if (recordCount_ >= static_cast<int>(buffers_.size())) return nullptr;
  return buffers_[static_cast<std::size_t>(recordCount_)];
}

void TDataSet::SetBufListSize(int value) {
  const int current = static_cast<int>(buffers_.size());
  if (current == value) return;
  if (value < current) {
    for (int i = current - 1; i >= value; --i) {
      Byte* buffer = buffers_[static_cast<std::size_t>(i)];
      buffers_.pop_back();
      if (buffer != nullptr) FreeRecordBuffer(buffer);
    }
    return;
  }
  buffers_.reserve(static_cast<std::size_t>(value));
  while (static_cast<int>(buffers_.size()) < value) {
    Byte* buffer = AllocRecordBuffer();
    buffers_.push_back(buffer);
  }
}

void TDataSet::SetBufferCount(int value) {
  if (bufferCount_ == value) return;
  auto adjustFirstRecord = [&](int delta) {
    if (delta == 0) return;
    for (TDataSource* source : dataSources_)
      for (TDataLink* link : source->dataLinks_)
        if (link->Active()) link->firstRecord_ += delta;
  };
  if (bufferCount_ > value && recordCount_ > 0) {
    // Keep the records that the links show at the front, the active one included.
    int delta = activeRecord_;
    for (TDataSource* source : dataSources_)
      for (TDataLink* link : source->dataLinks_)
        if (link->Active() && link->firstRecord_ < delta) delta = link->firstRecord_;
    // ... but never beyond the records held, and always with the active record inside.
    const int lo = std::max(0, activeRecord_ - value + 1);
    const int hi = std::max(lo, std::min(activeRecord_, recordCount_ - value));
    delta = std::clamp(delta, lo, hi);
    for (int i = 0; i < value; ++i) MoveBuffer(i + delta, i);
    activeRecord_ -= delta;
    if (currentRecord_ != -1) currentRecord_ -= delta;
    if (currentRecord_ < -1 || currentRecord_ >= value) currentRecord_ = -1;
    if (recordCount_ > value) recordCount_ = value;
    adjustFirstRecord(-delta);
  }
  SetBufListSize(value + 1);
  bufferCount_ = value;
  if (!ComponentState().Contains(csDestroying)) {
    GetNextRecords();
    adjustFirstRecord(GetPriorRecords());
  }
}

void TDataSet::UpdateBufferCount() {
  if (!IsCursorOpen()) return;
  int maxBufferCount = 1;
  for (TDataSource* source : dataSources_)
    for (TDataLink* link : source->dataLinks_) maxBufferCount = std::max(maxBufferCount, link->bufferCount_);
  SetBufferCount(maxBufferCount);
}

void TDataSet::MoveBuffer(int curIndex, int newIndex) {
  if (curIndex == newIndex) return;
  Byte* buffer = buffers_[static_cast<std::size_t>(curIndex)];
  if (curIndex < newIndex)
    std::move(buffers_.begin() + curIndex + 1, buffers_.begin() + newIndex + 1, buffers_.begin() + curIndex);
  else
    std::move_backward(buffers_.begin() + newIndex, buffers_.begin() + curIndex, buffers_.begin() + curIndex + 1);
  buffers_[static_cast<std::size_t>(newIndex)] = buffer;
}

void TDataSet::ClearBuffers() {
  recordCount_ = 0;
  activeRecord_ = 0;
  currentRecord_ = -1;
  bof_ = true;
  eof_ = true;
}

void TDataSet::ActivateBuffers() {
  recordCount_ = 1;
  activeRecord_ = 0;
  currentRecord_ = 0;
  bof_ = false;
  eof_ = false;
}

void TDataSet::SetCurrentRecord(int index) {
  if (currentRecord_ == index) return;
  Byte* buffer = Buffers(index);
  switch (GetBookmarkFlag(buffer)) {
    case bfCurrent:
    case bfInserted:
      InternalSetToRecord(buffer);
      break;
    case bfBOF:
      InternalFirst();
      break;
    case bfEOF:
      InternalLast();
      break;
  }
  currentRecord_ = index;
}

void TDataSet::UpdateCursorPos() {
  if (recordCount_ > 0) SetCurrentRecord(activeRecord_);
}

bool TDataSet::GetNextRecord() {
  TGetMode mode = gmNext;
  if (recordCount_ > 0) {
    SetCurrentRecord(recordCount_ - 1);
    // The record being inserted is not in the cursor yet: the next one is the one under the cursor.
    if (state_ == dsInsert && currentRecord_ == activeRecord_ && GetBookmarkFlag(ActiveBuffer()) == bfCurrent)
      mode = gmCurrent;
  }
  if (GetRecord(buffers_[static_cast<std::size_t>(recordCount_)], mode, true) != grOK) {
    CursorPosChanged();
    return false;
  }
  if (recordCount_ == 0)
    ActivateBuffers();
  else if (recordCount_ < bufferCount_)
    ++recordCount_;
  else
    MoveBuffer(0, recordCount_);
  currentRecord_ = recordCount_ - 1;
  return true;
}

bool TDataSet::GetPriorRecord() {
  if (recordCount_ > 0) SetCurrentRecord(0);
  if (GetRecord(buffers_[static_cast<std::size_t>(recordCount_)], gmPrior, true) != grOK) {
    CursorPosChanged();
    return false;
  }
  if (recordCount_ == 0) {
    ActivateBuffers();
  } else {
    MoveBuffer(recordCount_, 0);
    if (recordCount_ < bufferCount_) {
      ++recordCount_;
      ++activeRecord_;
    }
  }
  currentRecord_ = 0;
  return true;
}

int TDataSet::GetNextRecords() {
  int result = 0;
  while (recordCount_ < bufferCount_ && GetNextRecord()) ++result;
  return result;
}

int TDataSet::GetPriorRecords() {
  int result = 0;
  while (recordCount_ < bufferCount_ && GetPriorRecord()) ++result;
  return result;
}

void TDataSet::Resync(TResyncMode mode) {
  Byte* spare = TempBuffer();
  if (spare == nullptr) return;
  if (mode.Contains(rmExact)) {
    CursorPosChanged();
    if (GetRecord(spare, gmCurrent, true) != grOK) DatabaseError(SRecordNotFound, this);
  } else if (GetRecord(spare, gmCurrent, false) != grOK && GetRecord(spare, gmNext, false) != grOK &&
             GetRecord(spare, gmPrior, false) != grOK) {
    ClearBuffers();
    DataEvent(deDataSetChange, 0);
    return;
  }
  int count = mode.Contains(rmCenter) ? (bufferCount_ - 1) / 2 : activeRecord_;
  MoveBuffer(recordCount_, 0);
  ActivateBuffers();
  TryFinally(
      [&] {
        while (count > 0 && GetPriorRecord()) --count;
        GetNextRecords();
        GetPriorRecords();
      },
      [&] { DataEvent(deDataSetChange, 0); });
}

// ---- navigation ----

void TDataSet::First() {
  CheckBrowseMode();
  DoBeforeScroll();
  ClearBuffers();
  TryFinally(
      [&] {
        InternalFirst();
        GetNextRecord();
        GetNextRecords();
      },
      [&] {
        bof_ = true;
        DataEvent(deDataSetChange, 0);
        DoAfterScroll();
      });
}

void TDataSet::Last() {
  CheckBrowseMode();
  DoBeforeScroll();
  ClearBuffers();
  TryFinally(
      [&] {
        InternalLast();
        GetPriorRecord();
        GetPriorRecords();
      },
      [&] {
        eof_ = true;
        DataEvent(deDataSetChange, 0);
        DoAfterScroll();
      });
}

int TDataSet::MoveBy(int distance) {
  CheckBrowseMode();
  int result = 0;
  DoBeforeScroll();
  if ((distance > 0 && !eof_) || (distance < 0 && !bof_)) {
    bof_ = false;
    eof_ = false;
    int scrollCount = 0;
    TryFinally(
        [&] {
          while (distance > 0) {
            if (activeRecord_ < recordCount_ - 1) {
              ++activeRecord_;
            } else {
              const int shift = recordCount_ < bufferCount_ ? 0 : 1;
              if (!GetNextRecord()) {
                eof_ = true;
                break;
              }
              scrollCount -= shift;
              activeRecord_ = recordCount_ - 1;
            }
            --distance;
            ++result;
          }
          while (distance < 0) {
            if (activeRecord_ > 0) {
              --activeRecord_;
            } else {
              const int shift = recordCount_ < bufferCount_ ? 0 : 1;
              if (!GetPriorRecord()) {
                bof_ = true;
                break;
              }
              scrollCount += shift;
              activeRecord_ = 0;
            }
            ++distance;
            --result;
          }
        },
        [&] {
          DataEvent(deDataSetScroll, scrollCount);
          DoAfterScroll();
        });
  }
  return result;
}

void TDataSet::Refresh() {
  DoBeforeRefresh();
  CheckBrowseMode();
  UpdateCursorPos();
  TryFinally([&] { InternalRefresh(); }, [&] { Resync(TResyncMode{}); });
  DoAfterRefresh();
}

// ---- bookmarks ----

TBookmark TDataSet::GetBookmark() {
  const bool available = (state_ == dsBrowse || state_ == dsEdit || state_ == dsInsert) && !IsEmpty() &&
                         GetBookmarkFlag(ActiveBuffer()) == bfCurrent;
  if (!available || bookmarkSize_ <= 0) return {};
  std::vector<Byte> data(static_cast<std::size_t>(bookmarkSize_));
  GetBookmarkData(ActiveBuffer(), data.data());
  return TBookmark(data.data(), bookmarkSize_);
}

void TDataSet::GotoBookmark(const TBookmark& bookmark) {
  if (bookmark.IsNull()) return;
  CheckBrowseMode();
  DoBeforeScroll();
  InternalGotoBookmark(bookmark.Data());
  Resync(TResyncMode{rmExact, rmCenter});
  DoAfterScroll();
}

bool TDataSet::BookmarkValid(const Byte* /*bookmark*/) { return false; }

Integer TDataSet::CompareBookmarks(const Byte* /*bookmark1*/, const Byte* /*bookmark2*/) { return 0; }

// ---- editing ----

void TDataSet::CheckOperation(void (TDataSet::*operation)(), const TDataSetErrorEvent& errorEvent) {
  for (;;) {
    try {
      UpdateCursorPos();
      (this->*operation)();
      return;
    } catch (EAbort&) {
      throw;
    } catch (Exception& error) {
      TDataAction action = daFail;
      if (errorEvent) errorEvent(this, error, action);
      if (action == daFail) throw;
      if (action == daAbort) throw EAbort(kOperationAborted);
    }
  }
}

void TDataSet::Edit() {
  if (state_ == dsEdit || state_ == dsInsert) return;
  if (recordCount_ == 0) {
    Insert();
    return;
  }
  CheckBrowseMode();
  CheckCanModify();
  DoBeforeEdit();
  CheckOperation(&TDataSet::InternalEdit, OnEditError);
  GetCalcFields(ActiveBuffer());
  SetState(dsEdit);
  DataEvent(deRecordChange, 0);
  DoAfterEdit();
}

void TDataSet::BeginInsertAppend() {
  CheckBrowseMode();
  CheckCanModify();
  DoBeforeInsert();
  DoBeforeScroll();
}

void TDataSet::EndInsertAppend() {
  SetState(dsInsert);
  try {
    DoOnNewRecord();
  } catch (...) {
    try {
      UpdateCursorPos();
      FreeFieldBuffers();
      SetState(dsBrowse);
      Resync(TResyncMode{});
    } catch (...) {
    }
    throw;
  }
  modified_ = false;
  DataEvent(deDataSetChange, 0);
  DoAfterInsert();
  DoAfterScroll();
}

// A new record buffer at the active row, before the current record (at the start when empty).
void TDataSet::PrepareInsertBuffer() {
  const TBookmark oldCurrent = GetBookmark();
  MoveBuffer(recordCount_, activeRecord_);
  Byte* buffer = ActiveBuffer();
  InitRecord(buffer);
  if (recordCount_ == 0)
    SetBookmarkFlag(buffer, bfBOF);
  else
    SetBookmarkData(buffer, oldCurrent.Data());
  if (recordCount_ < bufferCount_) ++recordCount_;
}

// A new record buffer after the last record: the window is refilled backwards from it.
void TDataSet::PrepareAppendBuffer() {
  ClearBuffers();
  Byte* buffer = buffers_[0];
  InitRecord(buffer);
  SetBookmarkFlag(buffer, bfEOF);
  recordCount_ = 1;
  bof_ = false;
  GetPriorRecords();
}

void TDataSet::Insert() {
  BeginInsertAppend();
  PrepareInsertBuffer();
  InternalInsert();
  EndInsertAppend();
}

void TDataSet::Append() {
  BeginInsertAppend();
  PrepareAppendBuffer();
  InternalInsert();
  EndInsertAppend();
}

void TDataSet::Post() {
  UpdateRecord();
  if (state_ != dsEdit && state_ != dsInsert) return;
  DataEvent(deCheckBrowseMode, 0);
  DoBeforePost();
  CheckOperation(&TDataSet::InternalPost, OnPostError);
  FreeFieldBuffers();
  SetState(dsBrowse);
  Resync(TResyncMode{});
  DoAfterPost();
}

void TDataSet::Cancel() {
  if (state_ != dsEdit && state_ != dsInsert) return;
  DataEvent(deCheckBrowseMode, 0);
  DoBeforeCancel();
  const bool scrollEvents = state_ == dsInsert;
  if (scrollEvents) DoBeforeScroll();
  UpdateCursorPos();
  InternalCancel();
  FreeFieldBuffers();
  SetState(dsBrowse);
  Resync(TResyncMode{});
  DoAfterCancel();
  if (scrollEvents) DoAfterScroll();
}

void TDataSet::Delete() {
  CheckActive();
  if (state_ == dsInsert || state_ == dsSetKey) {
    Cancel();
    return;
  }
  if (recordCount_ == 0) DatabaseError(SDataSetEmpty, this);
  DataEvent(deCheckBrowseMode, 0);
  DoBeforeDelete();
  DoBeforeScroll();
  CheckOperation(&TDataSet::InternalDelete, OnDeleteError);
  FreeFieldBuffers();
  SetState(dsBrowse);
  Resync(TResyncMode{});
  DoAfterDelete();
  DoAfterScroll();
}

void TDataSet::CheckBrowseMode() {
  CheckActive();
  DataEvent(deCheckBrowseMode, 0);
  switch (state_) {
    case dsEdit:
    case dsInsert:
      UpdateRecord();
      if (Modified())
        Post();
      else
        Cancel();
      break;
    case dsSetKey:
      Post();
      break;
    default:
      break;
  }
}

void TDataSet::UpdateRecord() {
  if (!dsEditModes.Contains(state_)) DatabaseError(SNotEditing, this);
  DataEvent(deUpdateRecord, 0);
}

void TDataSet::ClearFields() {
  if (!dsEditModes.Contains(state_)) DatabaseError(SNotEditing, this);
  DataEvent(deCheckBrowseMode, 0);
  FreeFieldBuffers();
  InternalInitRecord(ActiveBuffer());
  if (state_ != dsSetKey) GetCalcFields(ActiveBuffer());
  DataEvent(deRecordChange, 0);
}

void TDataSet::SetFields(std::initializer_list<Variant> values) {
  int index = 0;
  for (const Variant& value : values) {
    if (index >= fields_->Count()) break;
    if (!value.IsEmpty()) fields_->Fields(index)->SetAsVariant(value);
    ++index;
  }
}

void TDataSet::AddRecord(std::initializer_list<Variant> values, bool append) {
  BeginInsertAppend();
  if (append)
    PrepareAppendBuffer();
  else
    PrepareInsertBuffer();
  SetState(dsInsert);
  TryFinally(
      [&] {
        SetFields(values);
        DoBeforePost();
        for (;;) {
          try {
            UpdateCursorPos();
            InternalAddRecord(ActiveBuffer(), append);
            break;
          } catch (EAbort&) {
            throw;
          } catch (Exception& error) {
            TDataAction action = daFail;
            if (OnPostError) OnPostError(this, error, action);
            if (action == daFail) throw;
            if (action == daAbort) throw EAbort(kOperationAborted);
          }
        }
      },
      [&] {
        FreeFieldBuffers();
        SetState(dsBrowse);
        Resync(TResyncMode{});
      });
  DoAfterPost();
}

void TDataSet::InsertRecord(std::initializer_list<Variant> values) { AddRecord(values, false); }

void TDataSet::AppendRecord(std::initializer_list<Variant> values) { AddRecord(values, true); }

void TDataSet::InternalAddRecord(Byte* /*buffer*/, bool /*append*/) { DatabaseError(SDataSetReadOnly, this); }

void TDataSet::InternalPost() { CheckRequiredFields(); }

void TDataSet::CheckRequiredFields() {
  for (TField* field : *fields_) {
    if (field->Required() && !field->ReadOnly() && field->FieldKind() == fkData && field->IsNull()) {
      field->FocusControl();
      DatabaseErrorFmt(SFieldRequired, {field->DisplayName()});
    }
  }
}

void TDataSet::InitRecord(Byte* buffer) {
  InternalInitRecord(buffer);
  ClearCalcFields(buffer);
  SetBookmarkFlag(buffer, bfInserted);
}

void TDataSet::FreeFieldBuffers() {
  for (TField* field : *fields_) field->FreeBuffers();
}

// ---- calculated fields ----

void TDataSet::GetCalcFields(Byte* buffer) {
  if (calcFieldsSize_ <= 0) return;
  const TDataSetState saved = SetTempState(dsCalcFields);
  const bool savedModified = modified_;
  TryFinally([&] { CalculateFields(buffer); },
             [&] {
               RestoreState(saved);
               modified_ = savedModified;
             });
}

void TDataSet::CalculateFields(Byte* buffer) {
  calcBuffer_ = buffer;
  if (state_ != dsInternalCalc) {
    ClearCalcFields(calcBuffer_);
    for (TField* field : *fields_)
      if (field->FieldKind() == fkLookup) field->CalcLookupValue();
  }
  DoOnCalcFields();
}

// ---- fields ----

int TDataSet::FieldCount() const { return fields_->Count(); }

void TDataSet::SetFieldDefs(const TFieldDefs& value) { fieldDefs_->Assign(&value); }

TField* TDataSet::FindField(std::string_view fieldName) const { return fields_->FindField(fieldName); }

TField* TDataSet::FieldByName(std::string_view fieldName) const {
  TField* field = fields_->FindField(fieldName);
  if (field == nullptr) DatabaseErrorFmt(SFieldNotFound, {fieldName}, this);
  return field;
}

TField* TDataSet::FieldByNumber(int fieldNo) const { return fields_->FieldByNumber(fieldNo); }

void TDataSet::GetFieldList(std::vector<TField*>& list, std::string_view fieldNames) const {
  std::size_t pos = 0;
  while (pos <= fieldNames.size()) {
    std::size_t end = fieldNames.find(';', pos);
    if (end == std::string_view::npos) end = fieldNames.size();
    std::string_view name = fieldNames.substr(pos, end - pos);
    while (!name.empty() && name.front() == ' ') name.remove_prefix(1);
    while (!name.empty() && name.back() == ' ') name.remove_suffix(1);
    if (!name.empty()) list.push_back(FieldByName(name));
    pos = end + 1;
  }
}

void TDataSet::GetFieldNames(TStrings& list) const {
  list.BeginUpdate();
  try {
    list.Clear();
    for (TField* field : *fields_) list.Add(field->FieldName());
  } catch (...) {
    list.EndUpdate();
    throw;
  }
  list.EndUpdate();
}

Variant TDataSet::FieldValues(std::string_view fieldName) const {
  std::vector<TField*> list;
  GetFieldList(list, fieldName);
  if (list.size() == 1) return list[0]->AsVariant();
  Variant result = VarArrayCreate(0, static_cast<Integer>(list.size()) - 1, varVariant);
  for (std::size_t i = 0; i < list.size(); ++i) VarArrayPut(result, list[i]->AsVariant(), static_cast<Integer>(i));
  return result;
}

void TDataSet::SetFieldValues(std::string_view fieldName, const Variant& value) {
  std::vector<TField*> list;
  GetFieldList(list, fieldName);
  if (list.size() == 1) {
    list[0]->SetAsVariant(value);
    return;
  }
  for (std::size_t i = 0; i < list.size(); ++i)
    list[i]->SetAsVariant(VarArrayGet(value, VarArrayLowBound(value) + static_cast<Integer>(i)));
}

void TDataSet::CreateFields() {
  for (int i = 0; i < fieldDefs_->Count(); ++i) {
    const TFieldDef* def = fieldDefs_->Items(i);
    if (def->DataType() != ftUnknown && !def->Attributes().Contains(faHiddenCol)) def->CreateField(this);
  }
}

void TDataSet::DestroyFields() { fields_->Clear(); }

void TDataSet::BindFields(bool binding) {
  calcFieldsSize_ = 0;
  blobFieldCount_ = 0;
  for (TField* field : *fields_) {
    if (binding) {
      if (field->FieldKind() == fkCalculated || field->FieldKind() == fkLookup) {
        field->fieldNo_ = -1;
        field->offset_ = calcFieldsSize_;
        calcFieldsSize_ += field->DataSize() + 1;
      } else {
        const int index = fieldDefs_->IndexOf(field->FieldName());
        if (index < 0) DatabaseErrorFmt(SFieldNotFound, {field->DisplayName()}, this);
        const TFieldDef* def = fieldDefs_->Items(index);
        const TFieldType have = field->DataType();
        const TFieldType want = def->DataType();
        const bool compatible = have == want || ((have == ftString || have == ftFixedChar) &&
                                                 (want == ftString || want == ftFixedChar)) ||
                                ((have == ftWideString || have == ftFixedWideChar) &&
                                 (want == ftWideString || want == ftFixedWideChar));
        if (!compatible)
          DatabaseErrorFmt(SFieldTypeMismatch,
                           {field->DisplayName(), FieldTypeName(have), FieldTypeName(want)}, this);
        field->fieldNo_ = def->FieldNo();
        field->offset_ = 0;
        if (field->IsBlob()) ++blobFieldCount_;
      }
      field->Bind(true);
    } else {
      field->Bind(false);
      field->fieldNo_ = 0;
    }
  }
}

// ---- field data ----

bool TDataSet::GetFieldData(TField* field, Byte* buffer, bool nativeFormat) {
  if (state_ == dsInactive) return false;
  if (nativeFormat || buffer == nullptr) return GetFieldData(field, buffer);
  std::vector<Byte> native(static_cast<std::size_t>(std::max(field->DataSize(), 1)));
  if (!GetFieldData(field, native.data())) return false;
  DataConvert(field, native.data(), buffer, false);
  return true;
}

void TDataSet::SetFieldData(TField* field, const Byte* buffer, bool nativeFormat) {
  if (nativeFormat || buffer == nullptr) {
    SetFieldData(field, buffer);
    return;
  }
  std::vector<Byte> native(static_cast<std::size_t>(std::max(field->DataSize(), 1)));
  DataConvert(field, buffer, native.data(), true);
  SetFieldData(field, native.data());
}

void TDataSet::DataConvert(TField* field, const Byte* source, Byte* dest, bool toNative) {
  const TFieldType type = field->DataType();
  if (IsClientConverted(type)) {
    if (toNative) {
      TDateTime value;
      std::memcpy(&value, source, sizeof value);
      const TTimeStamp stamp = DateTimeToTimeStamp(value);
      if (type == ftDate) {
        std::memcpy(dest, &stamp.Date, sizeof stamp.Date);
      } else if (type == ftTime) {
        std::memcpy(dest, &stamp.Time, sizeof stamp.Time);
      } else {
        const double msecs = static_cast<double>(TimeStampToMSecs(stamp));
        std::memcpy(dest, &msecs, sizeof msecs);
      }
    } else {
      TTimeStamp stamp;
      if (type == ftDate) {
        std::memcpy(&stamp.Date, source, sizeof stamp.Date);
        stamp.Time = 0;
      } else if (type == ftTime) {
        stamp.Date = DateDelta;
        std::memcpy(&stamp.Time, source, sizeof stamp.Time);
      } else {
        double msecs;
        std::memcpy(&msecs, source, sizeof msecs);
        // Damaged or out-of-range values read as 0 rather than failing the whole read.
        if (msecs >= 0 && msecs < 9.0e15)
          stamp = MSecsToTimeStamp(static_cast<Int64>(msecs < 0 ? msecs - 0.5 : msecs + 0.5));
        else
          stamp = TTimeStamp{0, 0};
      }
      TDateTime value = 0;
      try {
        value = TimeStampToDateTime(stamp);
      } catch (const Exception&) {
        value = 0;
      }
      std::memcpy(dest, &value, sizeof value);
    }
    return;
  }
  if (type == ftWideString || type == ftFixedWideChar) {
    // Units up to and including the terminating zero, never more than the field holds.
    const int maxUnits = field->DataSize() / 2;
    int units = 0;
    while (units < maxUnits - 1) {
      char16_t c;
      std::memcpy(&c, source + units * 2, 2);
      if (c == 0) break;
      ++units;
    }
    std::memcpy(dest, source, static_cast<std::size_t>(units) * 2);
    const char16_t zero = 0;
    std::memcpy(dest + units * 2, &zero, 2);
    return;
  }
  const int size = ClientSize(field);
  if (size > 0) std::memcpy(dest, source, static_cast<std::size_t>(size));
}

std::unique_ptr<TStream> TDataSet::CreateBlobStream(TField* /*field*/, TBlobStreamMode /*mode*/) { return nullptr; }

// ---- searching ----

bool TDataSet::Locate(const AnsiString& /*keyFields*/, const Variant& /*keyValues*/, TLocateOptions /*options*/) {
  return false;
}

Variant TDataSet::Lookup(const AnsiString& /*keyFields*/, const Variant& /*keyValues*/,
                         const AnsiString& /*resultFields*/) {
  return Null();
}
