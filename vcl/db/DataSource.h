// Data sources and data links: how controls and detail datasets follow a dataset. A TDataSource sits
// between one dataset and any number of TDataLinks; it mirrors the dataset's state (inactive while
// disabled) and passes the dataset's data events on, first to the non-visual links (details), then
// to the visual ones. TFieldDataLink ties a control to one field; TMasterDataLink lets a detail
// dataset follow a master's key fields.
//
// What a link sees:
// - ActiveChanged when the source becomes active or inactive (the dataset opens or closes, the source
//   is enabled or disabled); the state change reaches the links before the source's OnStateChange,
//   and a source that leaves dsInactive sends a layout change after OnStateChange.
// - EditingChanged when the source enters or leaves edit/insert (never for a read-only link).
// - DataSetChanged, DataSetScrolled(distance), LayoutChanged, RecordChanged(field) while active;
//   field changes that the link's own UpdateRecord causes are not reported back to it.
// - UpdateData when the dataset asks for pending values (before post), CheckBrowseMode before the
//   dataset leaves edit mode, FocusControl(field) when a field asks for focus.
// The window of buffers a link shows (FirstRecord .. FirstRecord + BufferCount - 1) always contains
// the dataset's active record; ActiveRecord is its index within the link's window.
#pragma once
#include <algorithm>
#include <functional>
#include <iterator>
#include <vector>
#include "vcl/db/DataSet.h"

using TDataChangeEvent = std::function<void(TObject* sender, TField* field)>;

// A copy of a short list of pointers, walked while handlers may change the list itself: on the stack up
// to eight entries, so that an event passed to a few sources or links allocates nothing.
template <typename T>
class TPointerSnapshot {
 public:
  template <typename It>
  TPointerSnapshot(It first, It last) : count_(static_cast<std::size_t>(std::distance(first, last))) {
    if (count_ > kInline) {
      heap_.assign(first, last);
      items_ = heap_.data();
    } else {
      std::copy(first, last, inline_);
    }
  }
  TPointerSnapshot(const TPointerSnapshot&) = delete;
  TPointerSnapshot& operator=(const TPointerSnapshot&) = delete;
  T* const* begin() const noexcept { return items_; }
  T* const* end() const noexcept { return items_ + count_; }

 private:
  static constexpr std::size_t kInline = 8;
  T* inline_[kInline] = {};
  std::vector<T*> heap_;
  T** items_ = inline_;
  std::size_t count_;
};

class TDataSource : public TComponent {
 public:
  explicit TDataSource(TComponent* owner);
  ~TDataSource() override;

  TDataSet* DataSet() const { return dataSet_; }
  // Raises "Circular datalinks are not allowed" when the dataset follows this source.
  void SetDataSet(TDataSet* value);
  bool Enabled() const { return enabled_; }
  void SetEnabled(bool value);
  bool AutoEdit() const { return autoEdit_; }
  void SetAutoEdit(bool value) { autoEdit_ = value; }
  TDataSetState State() const { return state_; }
  // Puts the dataset into edit state when AutoEdit allows and it is browsing.
  void Edit();
  bool IsLinkedTo(TDataSet* dataSet) const;

  TNotifyEvent OnStateChange;
  TDataChangeEvent OnDataChange;  // field is nil for record and data-set changes
  TNotifyEvent OnUpdateData;

  void BeforeDestruction() override;

 private:
  friend class TDataSet;
  friend class TDataLink;

  void AddDataLink(TDataLink* link);
  void RemoveDataLink(TDataLink* link);
  void DataEvent(TDataEvent event, NativeInt info);
  void NotifyDataLinks(TDataEvent event, NativeInt info);
  void NotifyLinkTypes(TDataEvent event, NativeInt info, bool visual);
  void SetState(TDataSetState value);
  void UpdateState();

  TDataSet* dataSet_ = nullptr;
  std::vector<TDataLink*> dataLinks_;  // borrowed; each link removes itself when freed
  bool enabled_ = true;
  bool autoEdit_ = true;
  TDataSetState state_ = dsInactive;
};

class TDataLink : public TPersistent {
 public:
  TDataLink();
  ~TDataLink() override;

  TDataSource* DataSource() const { return dataSource_; }
  // Raises "DataSource cannot be changed" while DataSourceFixed.
  void SetDataSource(TDataSource* value);
  bool DataSourceFixed() const { return dataSourceFixed_; }
  void SetDataSourceFixed(bool value) { dataSourceFixed_ = value; }
  TDataSet* DataSet() const;
  bool Active() const { return active_; }
  bool Editing() const { return editing_; }
  bool ReadOnly() const { return readOnly_; }
  void SetReadOnly(bool value);
  // Visual links (controls) hear events after the non-visual ones (details).
  bool VisualControl() const { return visualControl_; }
  void SetVisualControl(bool value) { visualControl_ = value; }

  // The link's window of records.
  int BufferCount() const { return bufferCount_; }
  void SetBufferCount(int value);
  int ActiveRecord() const;
  void SetActiveRecord(int value);
  int RecordCount() const;
  int FirstRecord() const { return firstRecord_; }
  bool Bof() const;
  bool Eof() const;
  int MoveBy(int distance);

  // Asks the source to edit (unless read-only); answers whether the link is now editing.
  virtual bool Edit();
  // Runs UpdateData, with field changes it causes not reported back to this link.
  void UpdateRecord();

 protected:
  virtual void ActiveChanged() {}
  virtual void CheckBrowseMode() {}
  virtual void DataSetChanged() { RecordChanged(nullptr); }
  virtual void DataSetScrolled(int /*distance*/) { DataSetChanged(); }
  virtual void EditingChanged() {}
  // field points at the field asking for focus; a link that takes the focus sets it to nil.
  virtual void FocusControl(TField** /*field*/) {}
  virtual void LayoutChanged() { DataSetChanged(); }
  virtual void RecordChanged(TField* /*field*/) {}
  virtual void UpdateData() {}
  virtual void DataEvent(TDataEvent event, NativeInt info);

  void UpdateState();

 private:
  friend class TDataSource;
  friend class TDataSet;

  void SetActive(bool value);
  void SetEditing(bool value);
  void UpdateRange();

  TDataSource* dataSource_ = nullptr;
  bool dataSourceFixed_ = false;
  bool active_ = false;
  bool editing_ = false;
  bool readOnly_ = false;
  bool updating_ = false;
  bool visualControl_ = false;
  int bufferCount_ = 1;
  int firstRecord_ = 0;
};

// A link that drives a detail dataset; GetDetailDataSet names it.
class TDetailDataLink : public TDataLink {
 public:
  virtual TDataSet* GetDetailDataSet() { return nullptr; }
};

// The link of a detail dataset to its master: FieldNames ("A;B") are the master's key fields.
// OnMasterChange fires when the master's key values may have changed (scroll, key field changed,
// master opened); OnMasterDisable when the master closes or the field list is empty.
class TMasterDataLink : public TDetailDataLink {
 public:
  explicit TMasterDataLink(TDataSet* dataSet) : dataSet_(dataSet) {}

  const AnsiString& FieldNames() const { return fieldNames_; }
  void SetFieldNames(const AnsiString& value);
  const std::vector<TField*>& Fields() const { return fields_; }
  TDataSet* GetDetailDataSet() override { return dataSet_; }

  TNotifyEvent OnMasterChange;
  TNotifyEvent OnMasterDisable;

 protected:
  void ActiveChanged() override;
  void CheckBrowseMode() override;
  void LayoutChanged() override { ActiveChanged(); }
  void RecordChanged(TField* field) override;

 private:
  TDataSet* dataSet_;
  AnsiString fieldNames_;
  std::vector<TField*> fields_;
};

// The link of a control to one field of the data source's dataset (found by FieldName while active).
// Modified marks the control's value as changed; UpdateData then hands it to OnUpdateData, which
// writes it into the field.
class TFieldDataLink : public TDataLink {
 public:
  TFieldDataLink() { SetVisualControl(true); }

  const AnsiString& FieldName() const { return fieldName_; }
  void SetFieldName(const AnsiString& value);
  TField* Field() const { return field_; }
  TComponent* Control() const { return control_; }
  void SetControl(TComponent* value) { control_ = value; }
  bool Editing() const { return fieldEditing_; }
  bool CanModify() const;
  bool Edit() override;
  void Modified() { modified_ = true; }
  bool IsModified() const { return modified_; }
  // Reloads the control from the field (drops the control's changes).
  void Reset() { RecordChanged(nullptr); }

  TNotifyEvent OnDataChange;
  TNotifyEvent OnEditingChange;
  TNotifyEvent OnUpdateData;
  TNotifyEvent OnActiveChange;
  // Asked when the field wants the focus; answers whether the control took it.
  std::function<bool(TFieldDataLink* link)> OnFocusRequest;

 protected:
  void ActiveChanged() override;
  void EditingChanged() override;
  void FocusControl(TField** field) override;
  void LayoutChanged() override { UpdateField(); }
  void RecordChanged(TField* field) override;
  void UpdateData() override;

 private:
  void SetField(TField* value);
  void SetFieldEditing(bool value);
  void UpdateField();

  AnsiString fieldName_;
  TField* field_ = nullptr;
  TComponent* control_ = nullptr;
  bool fieldEditing_ = false;
  bool modified_ = false;
};
