// A detail table follows its master: the values of the master's fields become a range on the leading
// fields of the detail's current index, re-applied on every master scroll, and new detail records take
// them.
#include <cstring>

#include "engine/dataset/SQLMemKeyBuffer.h"
#include "engine/dataset/SQLMemTable.h"
#include "engine/foundation/SQLMemExcept.h"
#include "engine/storage/SQLMemCursor.h"
#include "vcl/db/DBConsts.h"
#include "vcl/db/DataSource.h"
#include "vcl/db/FieldDefs.h"
#include "vcl/db/Fields.h"

// The link reports nothing before it has a source, so its handlers are set on the way to one (the link
// itself is made after this unit's members, too late to be connected with them).
void TSQLMemTable::ConnectMasterLink() {
  if (masterLink_->OnMasterChange) return;
  masterLink_->OnMasterChange = [this](TObject*) {
    CheckBrowseMode();
    SetKeyFromMaster();
    ApplyRange();
  };
  masterLink_->OnMasterDisable = [this](TObject*) { CancelRange(); };
}

const AnsiString& TSQLMemTable::MasterFields() const { return masterLink_->FieldNames(); }

void TSQLMemTable::SetMasterFields(const AnsiString& value) {
  ConnectMasterLink();
  masterLink_->SetFieldNames(value);
}

TDataSource* TSQLMemTable::MasterSource() const { return masterLink_->DataSource(); }

void TSQLMemTable::SetMasterSource(TDataSource* value) {
  if (value != nullptr && IsLinkedTo(value)) DatabaseError(SCircularDataLink, this);
  ConnectMasterLink();
  masterLink_->SetDataSource(value);
}

TDataSource* TSQLMemTable::GetDataSource() { return masterLink_->DataSource(); }

TField* TSQLMemTable::IndexFieldAt(Integer index) {
  if (index < 0 || index >= KeyFieldCount()) DatabaseError(SFieldIndexError, this);
  const Word fieldNo = KeyFieldNos()[static_cast<std::size_t>(index)];
  TField* field = FieldByNumber(fieldNo);
  if (field == nullptr) DatabaseErrorFmt(SIndexFieldMissing, {FieldDefs().Items(fieldNo - 1)->Name()}, this);
  return field;
}

void TSQLMemTable::SetKeyFromMaster() {
  TSQLMemCursor& cursor = CheckCursor(10299);
  const std::vector<TField*>& masterFields = masterLink_->Fields();
  Byte* start = keyBuffers_[kiRangeStart];
  // The values go in through the fields, in a set-key state that nobody hears of; the state, the key
  // buffer being edited and Modified are as before afterwards.
  struct TRestore {
    TSQLMemTable& table;
    TDataSetState state;
    Byte* editedKey;
    bool modified;
    ~TRestore() {
      table.RestoreState(state);
      table.setKeyBuffer_ = editedKey;
      table.SetModified(modified);
    }
  } restore{*this, SetTempState(dsSetKey), setKeyBuffer_, Modified()};
  setKeyBuffer_ = start;
  cursor.InitRecordBuffer(start);
  for (std::size_t i = 0; i < masterFields.size(); ++i) {
    TField* field = IndexFieldAt(static_cast<Integer>(i));
    const TField* master = masterFields[i];
    if (field->DataType() == ftLargeint) {
      if (master->IsNull())
        field->Clear();
      else
        field->SetAsLargeInt(master->AsLargeInt());
    } else {
      field->Assign(master);
    }
  }
  TSQLMemKeyInfo info;
  info.Modified = true;
  info.FieldCount = static_cast<Integer>(masterFields.size());
  WriteKeyInfo(start, KeyInfoOffset(), info);
  std::memcpy(keyBuffers_[kiRangeEnd], start, static_cast<std::size_t>(cursor.RecordBufferSize));
}

void TSQLMemTable::ApplyMasterRange() {
  if (!masterLink_->Active() || masterLink_->Fields().empty()) return;
  SetKeyFromMaster();
  SetRangeToCursor();
}

void TSQLMemTable::AfterInternalOpen() { ApplyMasterRange(); }

void TSQLMemTable::DoOnNewRecord() {
  if (masterLink_->Active() && !masterLink_->Fields().empty()) {
    const std::vector<TField*>& masterFields = masterLink_->Fields();
    for (std::size_t i = 0; i < masterFields.size(); ++i) IndexFieldAt(static_cast<Integer>(i))->Assign(masterFields[i]);
  }
  TSQLMemDataSet::DoOnNewRecord();
}
