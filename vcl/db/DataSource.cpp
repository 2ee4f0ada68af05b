#include "vcl/db/DataSource.h"

#include <algorithm>

#include "vcl/db/DBConsts.h"
#include "vcl/db/Fields.h"


// ---- TDataSource ----

TDataSource::TDataSource(TComponent* owner) : TComponent(owner) {}

void TDataSource::BeforeDestruction() {
  TComponent::BeforeDestruction();
  OnStateChange = nullptr;
  try {
    SetDataSet(nullptr);
  } catch (...) {
  }
  while (!dataLinks_.empty()) RemoveDataLink(dataLinks_.back());
}

TDataSource::~TDataSource() {
  if (dataSet_ != nullptr) dataSet_->dataSources_.Remove(this);
  for (TDataLink* link : dataLinks_) {
    link->dataSource_ = nullptr;
    link->active_ = false;
    link->editing_ = false;
  }
}

void TDataSource::SetDataSet(TDataSet* value) {
  if (value == dataSet_) return;
  if (IsLinkedTo(value)) DatabaseError(SCircularDataLink, this);
  if (dataSet_ != nullptr) dataSet_->RemoveDataSource(this);
  if (value != nullptr) value->AddDataSource(this);
}

bool TDataSource::IsLinkedTo(TDataSet* dataSet) const {
  for (int guard = 0; dataSet != nullptr && guard < 100000; ++guard) {
    TDataSource* source = dataSet->DataSource();
    if (source == nullptr) break;
    if (source == this) return true;
    dataSet = source->DataSet();
  }
  return false;
}

void TDataSource::SetEnabled(bool value) {
  enabled_ = value;
  UpdateState();
}

void TDataSource::Edit() {
  if (autoEdit_ && state_ == dsBrowse) dataSet_->Edit();
}

void TDataSource::UpdateState() {
  if (enabled_ && dataSet_ != nullptr)
    SetState(dataSet_->State());
  else
    SetState(dsInactive);
}

void TDataSource::SetState(TDataSetState value) {
  if (state_ == value) return;
  const TDataSetState prior = state_;
  state_ = value;
  NotifyDataLinks(deUpdateState, 0);
  if (ComponentState().Contains(csDestroying)) return;
  if (OnStateChange) OnStateChange(this);
  if (prior == dsInactive) NotifyDataLinks(deLayoutChange, 0);
}

void TDataSource::AddDataLink(TDataLink* link) {
  dataLinks_.push_back(link);
  link->dataSource_ = this;
  if (dataSet_ != nullptr) dataSet_->UpdateBufferCount();
  link->UpdateState();
}

void TDataSource::RemoveDataLink(TDataLink* link) {
  link->dataSource_ = nullptr;
  std::erase(dataLinks_, link);
  link->UpdateState();
  if (dataSet_ != nullptr) dataSet_->UpdateBufferCount();
}

void TDataSource::NotifyLinkTypes(TDataEvent event, NativeInt info, bool visual) {
  // Last first, as links added later (details of details) depend on earlier ones; a handler may
  // remove links, so each is checked before it is called.
  const TPointerSnapshot<TDataLink> links(dataLinks_.begin(), dataLinks_.end());
  for (auto it = links.end(); it != links.begin();) {
    TDataLink* link = *--it;
    if (link->VisualControl() != visual) continue;
    if (std::find(dataLinks_.begin(), dataLinks_.end(), link) == dataLinks_.end()) continue;
    link->DataEvent(event, info);
  }
}

void TDataSource::NotifyDataLinks(TDataEvent event, NativeInt info) {
  // Details before controls, so that a control shows the detail's new rows.
  NotifyLinkTypes(event, info, false);
  NotifyLinkTypes(event, info, true);
}

void TDataSource::DataEvent(TDataEvent event, NativeInt info) {
  if (event == deUpdateState) {
    UpdateState();
    return;
  }
  if (state_ == dsInactive) return;
  NotifyDataLinks(event, info);
  switch (event) {
    case deFieldChange:
      if (OnDataChange) OnDataChange(this, reinterpret_cast<TField*>(info));
      break;
    case deRecordChange:
    case deDataSetChange:
    case deDataSetScroll:
    case deLayoutChange:
      if (OnDataChange) OnDataChange(this, nullptr);
      break;
    case deUpdateRecord:
      if (OnUpdateData) OnUpdateData(this);
      break;
    default:
      break;
  }
}

// ---- TDataLink ----

TDataLink::TDataLink() = default;

TDataLink::~TDataLink() {
  // No virtual notifications from here: the derived parts are gone.
  active_ = false;
  editing_ = false;
  dataSourceFixed_ = false;
  if (dataSource_ != nullptr) {
    TDataSource* source = dataSource_;
    dataSource_ = nullptr;
    std::erase(source->dataLinks_, this);
    if (source->dataSet_ != nullptr) {
      try {
        source->dataSet_->UpdateBufferCount();
      } catch (...) {
      }
    }
  }
}

void TDataLink::SetDataSource(TDataSource* value) {
  if (value == dataSource_) return;
  if (dataSourceFixed_) DatabaseError(SDataSourceChange);
  if (dataSource_ != nullptr) dataSource_->RemoveDataLink(this);
  if (value != nullptr) value->AddDataLink(this);
}

TDataSet* TDataLink::DataSet() const { return dataSource_ != nullptr ? dataSource_->DataSet() : nullptr; }

void TDataLink::SetReadOnly(bool value) {
  if (readOnly_ == value) return;
  readOnly_ = value;
  UpdateState();
}

void TDataLink::UpdateState() {
  SetActive(dataSource_ != nullptr && dataSource_->State() != dsInactive);
  SetEditing(dataSource_ != nullptr && dsEditModes.Contains(dataSource_->State()) && !readOnly_);
}

void TDataLink::SetActive(bool value) {
  if (active_ == value) return;
  active_ = value;
  if (value)
    UpdateRange();
  else
    firstRecord_ = 0;
  ActiveChanged();
}

void TDataLink::SetEditing(bool value) {
  if (editing_ == value) return;
  editing_ = value;
  EditingChanged();
}

void TDataLink::UpdateRange() {
  TDataSet* dataSet = DataSet();
  if (dataSet == nullptr) return;
  int min = std::max(0, dataSet->activeRecord_ - bufferCount_ + 1);
  int max = std::min(dataSet->bufferCount_ - bufferCount_, dataSet->activeRecord_);
  if (max < min) max = min;
  firstRecord_ = std::clamp(firstRecord_, min, max);
  if (firstRecord_ != 0 && dataSet->activeRecord_ - firstRecord_ < bufferCount_ - 1) --firstRecord_;
}

void TDataLink::SetBufferCount(int value) {
  if (value < 1) value = 1;
  if (bufferCount_ == value) return;
  bufferCount_ = value;
  if (active_) {
    UpdateRange();
    DataSet()->UpdateBufferCount();
    UpdateRange();
  }
}

int TDataLink::ActiveRecord() const {
  if (dataSource_ == nullptr || DataSet() == nullptr) return 0;
  if (dataSource_->State() == dsSetKey) return 0;
  return DataSet()->activeRecord_ - firstRecord_;
}

void TDataLink::SetActiveRecord(int value) {
  if (dataSource_ == nullptr || DataSet() == nullptr || dataSource_->State() == dsSetKey) return;
  TDataSet* dataSet = DataSet();
  const int index = value + firstRecord_;
  if (index < 0 || index >= std::max(dataSet->recordCount_, 1)) RaiseRangeError();
  dataSet->activeRecord_ = index;
}

int TDataLink::RecordCount() const {
  if (dataSource_ == nullptr || DataSet() == nullptr) return 0;
  if (dataSource_->State() == dsSetKey) return 1;
  return std::min(DataSet()->recordCount_, bufferCount_);
}

bool TDataLink::Bof() const { return DataSet()->Bof(); }

bool TDataLink::Eof() const { return DataSet()->Eof(); }

int TDataLink::MoveBy(int distance) { return DataSet()->MoveBy(distance); }

bool TDataLink::Edit() {
  if (!readOnly_ && dataSource_ != nullptr) dataSource_->Edit();
  return editing_;
}

void TDataLink::UpdateRecord() {
  updating_ = true;
  try {
    UpdateData();
  } catch (...) {
    updating_ = false;
    throw;
  }
  updating_ = false;
}

void TDataLink::DataEvent(TDataEvent event, NativeInt info) {
  if (event == deUpdateState) {
    UpdateState();
    return;
  }
  if (event == deDisabledStateChange) {
    if (info != 0)
      UpdateState();
    else
      SetActive(false);
    return;
  }
  if (!active_) return;
  switch (event) {
    case deFieldChange:
    case deRecordChange:
      if (!updating_) RecordChanged(reinterpret_cast<TField*>(info));
      break;
    case deDataSetChange:
    case deDataSetScroll:
    case deLayoutChange: {
      int count = 0;
      if (dataSource_->State() != dsSetKey) {
        // Keep the active record inside this link's window; `info` is how far the dataset's
        // buffers shifted.
        const int active = DataSet()->activeRecord_;
        const int first = firstRecord_ + static_cast<int>(info);
        const int last = first + bufferCount_ - 1;
        if (active > last)
          count = active - last;
        else if (active < first)
          count = active - first;
        firstRecord_ = first + count;
      }
      if (event == deDataSetChange)
        DataSetChanged();
      else if (event == deDataSetScroll)
        DataSetScrolled(count);
      else
        LayoutChanged();
      break;
    }
    case deUpdateRecord:
      UpdateRecord();
      break;
    case deCheckBrowseMode:
      CheckBrowseMode();
      break;
    case deFocusControl:
      FocusControl(reinterpret_cast<TField**>(info));
      break;
    default:
      break;
  }
}

// ---- TMasterDataLink ----

void TMasterDataLink::SetFieldNames(const AnsiString& value) {
  if (fieldNames_ == value) return;
  fieldNames_ = value;
  ActiveChanged();
}

void TMasterDataLink::ActiveChanged() {
  fields_.clear();
  if (Active()) {
    try {
      DataSet()->GetFieldList(fields_, fieldNames_);
    } catch (...) {
      fields_.clear();
      throw;
    }
  }
  if (dataSet_->Active() && !dataSet_->ComponentState().Contains(csDestroying)) {
    if (Active() && !fields_.empty()) {
      if (OnMasterChange) OnMasterChange(this);
    } else if (OnMasterDisable) {
      OnMasterDisable(this);
    }
  }
}

void TMasterDataLink::CheckBrowseMode() {
  if (dataSet_->Active()) dataSet_->CheckBrowseMode();
}

void TMasterDataLink::RecordChanged(TField* field) {
  if (DataSource()->State() != dsSetKey && dataSet_->Active() && !fields_.empty() &&
      (field == nullptr || std::find(fields_.begin(), fields_.end(), field) != fields_.end()) && OnMasterChange)
    OnMasterChange(this);
}

// ---- TFieldDataLink ----

void TFieldDataLink::SetFieldName(const AnsiString& value) {
  if (fieldName_ == value) return;
  fieldName_ = value;
  UpdateField();
}

void TFieldDataLink::UpdateField() {
  if (Active() && !fieldName_.empty()) {
    field_ = nullptr;
    TField* found = DataSet()->FindField(fieldName_);
    if (found == nullptr) DatabaseErrorFmt(SFieldNotFound, {fieldName_}, control_);
    SetField(found);
  } else {
    SetField(nullptr);
  }
}

void TFieldDataLink::SetField(TField* value) {
  if (field_ == value) return;
  field_ = value;
  EditingChanged();
  RecordChanged(nullptr);
}

bool TFieldDataLink::CanModify() const { return !ReadOnly() && field_ != nullptr && field_->CanModify(); }

bool TFieldDataLink::Edit() {
  if (CanModify()) TDataLink::Edit();
  return fieldEditing_;
}

void TFieldDataLink::SetFieldEditing(bool value) {
  if (fieldEditing_ == value) return;
  fieldEditing_ = value;
  modified_ = false;
  if (OnEditingChange) OnEditingChange(this);
}

void TFieldDataLink::ActiveChanged() {
  UpdateField();
  if (OnActiveChange) OnActiveChange(this);
}

void TFieldDataLink::EditingChanged() { SetFieldEditing(TDataLink::Editing() && CanModify()); }

void TFieldDataLink::FocusControl(TField** field) {
  if (field != nullptr && *field != nullptr && *field == field_ && OnFocusRequest && OnFocusRequest(this))
    *field = nullptr;
}

void TFieldDataLink::RecordChanged(TField* field) {
  if (field == nullptr || field == field_) {
    if (OnDataChange) OnDataChange(this);
    modified_ = false;
  }
}

void TFieldDataLink::UpdateData() {
  if (!modified_) return;
  if (field_ != nullptr && OnUpdateData) OnUpdateData(this);
  modified_ = false;
}
