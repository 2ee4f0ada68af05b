// The engine dataset's life: construction, names, the database hold, opening and closing the cursor,
// field and index definitions from the cursor, and index switching.
#include "engine/dataset/SQLMemDataSet.h"

#include <cstring>

#include "engine/dataset/SQLMemDefinitions.h"
#include "engine/dataset/SQLMemMain.h"
#include "engine/dataset/SQLMemSessionComponent.h"
#include "engine/foundation/SQLMemConst.h"
#include "engine/foundation/SQLMemExcept.h"
#include "engine/foundation/SQLMemMemory.h"
#include "engine/foundation/SQLMemSettings.h"
#include "engine/foundation/SQLMemTypes.h"
#include "engine/storage/SQLMemCursor.h"
#include "engine/storage/SQLMemDatabaseData.h"
#include "engine/storage/SQLMemSchema.h"
#include "vcl/db/DBConsts.h"
#include "vcl/db/FieldDefs.h"
#include "vcl/db/Fields.h"
#include "vcl/rtl/AnsiStrings.h"
#include "vcl/rtl/ExceptionHandler.h"
#include "vcl/rtl/PropertyTable.h"
#include "vcl/rtl/TryFinally.h"

namespace {

void FreeBlock(Byte*& block) noexcept {
  if (block == nullptr) return;
  void* p = block;
  block = nullptr;
  try {
    MemoryManager().FreeMem(p);
  } catch (...) {  // a damaged block is reported by the memory manager's own checks, never from here
  }
}

bool EngineKnowsInMemoryDatabase(const AnsiString& name) {
  if (name == "MEMORY") return true;
  const TSQLMemDatabaseData* data = FindDatabaseData(name);
  return data != nullptr && data->InMemory() != 0;
}

// Copies index definitions item by item, then each one's CaseInsFields and DescFields.
void CopyIndexDefs(const TIndexDefs& source, TIndexDefs& dest) {
  dest.Clear();
  for (int i = 0; i < source.Count(); ++i) {
    const TIndexDef* from = source.Items(i);
    TIndexDef* to = dest.AddIndexDef();
    to->Assign(from);
    to->SetCaseInsFields(from->CaseInsFields());
    to->SetDescFields(from->DescFields());
  }
}

}  // namespace

// ---- construction ----

TSQLMemDataSet::TSQLMemDataSet(TComponent* owner)
    : TDataSet(owner),
      indexDefs_(std::make_unique<TIndexDefs>(this)),
      indexDefsCopy_(std::make_unique<TIndexDefs>(nullptr)),
      engineFieldDefs_(std::make_unique<TSQLMemFieldDefs>()),
      engineIndexDefs_(std::make_unique<TSQLMemIndexDefs>()),
      constraintDefs_(std::make_unique<TSQLMemConstraintDefs>()) {
  DataSetList().Add(this);
  inList_ = true;
  // Handed on to the cursors that tables and queries make.
  if (owner != nullptr && owner->ComponentState().Contains(csDesigning)) DataSetInDesignState = true;
}

TSQLMemDataSet::~TSQLMemDataSet() {
  FreeEditCopy();
  try {
    Close();
  } catch (...) {
  }
  // A close that failed half-way still lets the database go.
  try {
    if (cursor_ != nullptr) DestroyCursorHandle();
    while (holdSet_ != 0) {
      for (Byte reason = 0; reason < 16; ++reason)
        if (HoldsDatabase(reason)) HoldDatabase(reason, false);
    }
  } catch (...) {
  }
  FreeKeyBuffers();
  FreeCursorBuffer();
  FreeValueArrays();
  if (inList_ && DataSetUnitStarted()) DataSetList().Remove(this);
}

bool TSQLMemDataSet::OwnerBeingRead() const { return OwnerBeingCreated(this); }

// ---- names ----

void TSQLMemDataSet::SetDatabaseName(const AnsiString& value) {
  if (ComponentState().Contains(csReading)) {
    databaseName_ = value;
    inMemory_ = EngineKnowsInMemoryDatabase(value);
    return;
  }
  if (databaseName_ == value) return;
  CheckInactive();
  if (database_ != nullptr) DatabaseError(SDatabaseOpen, this);
  databaseName_ = value;
  inMemory_ = EngineKnowsInMemoryDatabase(value);
  DataEvent(dePropertyChange, 0);
}

void TSQLMemDataSet::SetSessionName(const AnsiString& value) {
  CheckInactive();
  sessionName_ = value;
  DataEvent(dePropertyChange, 0);
}

void TSQLMemDataSet::SetInMemory(bool value) {
  CheckInactive();
  inMemory_ = value;
  if (value) databaseName_ = "MEMORY";
}

void TSQLMemDataSet::CloseDataSet() { Close(); }

AnsiString TSQLMemDataSet::CurrentVersion() const { return ::CurrentVersion(); }

// ---- the database hold ----

void TSQLMemDataSet::HoldDatabase(Byte reason, bool hold) {
  if (reason >= 16) return;
  const std::uint16_t bit = static_cast<std::uint16_t>(1u << reason);
  if (hold && (holdSet_ & bit) == 0) {
    if (holdSet_ == 0) {
      // A database component that names another session but still sits in the default one moves to
      // its session before the look-up, so that a dataset of that session finds it.
      if (!sessionName_.empty()) {
        TSQLMemSession* named = Sessions().FindSession(sessionName_);
        if (named != nullptr && !named->IsDefault() && named->FindDatabase(databaseName_) == nullptr) {
          TSQLMemDatabase* stray = DefaultSession().FindDatabase(databaseName_);
          if (stray != nullptr && !stray->SessionName().empty()) {
            TSQLMemSession* target = Sessions().FindSession(stray->SessionName());
            if (target != nullptr && target != stray->Session()) {
              stray->SetSession(target);
              target->SetActive(true);
            }
          }
        }
      }
      TSQLMemSession* session = Sessions().GetSession(sessionName_);
      TSQLMemDatabase* database = session->GetDatabase(databaseName_, Owner());
      if (database == nullptr) {
        if (OwnerBeingRead()) return;
        SQLMemError(11245, SQLMemCannotOpenDatabase, {databaseName_});
      }
      try {
        database->AddDataSet(this);
      } catch (...) {
        database->Session()->ReleaseDatabase(database);
        throw;
      }
      database_ = database;
    }
    holdSet_ |= bit;
  } else if (!hold && (holdSet_ & bit) != 0) {
    holdSet_ &= static_cast<std::uint16_t>(~bit);
    if (holdSet_ == 0 && database_ != nullptr) {
      TSQLMemDatabase* database = database_;
      database_ = nullptr;
      database->RemoveDataSet(this);
      if (database->Session() != nullptr) database->Session()->ReleaseDatabase(database);
    }
  }
}

// ---- opening and closing ----

TSQLMemCursor* TSQLMemDataSet::CreateCursorHandle() { return nullptr; }

void TSQLMemDataSet::DestroyCursorHandle() {
  TSQLMemCursor* cursor = cursor_;
  cursor_ = nullptr;
  if (cursor == nullptr) return;
  cursor->OwnerDataSet = nullptr;
  cursor->CurrentRecordBuffer = nullptr;
  FreeCursorBuffer();
  if (cursor != keptCursor_) delete cursor;
}

void TSQLMemDataSet::OpenCursor(bool infoQuery) {
  repositioned_ = false;
  HoldDatabase(hrOpen, true);
  if (database_ != nullptr) {
    if (database_->ReadOnly()) readOnly_ = true;
    if (cursor_ == nullptr) cursor_ = keptCursor_ != nullptr ? keptCursor_ : CreateCursorHandle();
  }
  if (cursor_ != nullptr) {
    TDataSet::OpenCursor(infoQuery);
  } else if (!OwnerBeingRead()) {
    SQLMemError(20001, SQLMemErrorCreatingTableHandle);
  }
}

void TSQLMemDataSet::CloseCursor() {
  repositioned_ = false;
  TryFinally([&] { TDataSet::CloseCursor(); },
             [&] {
               TryFinally(
                   [&] {
                     if (cursor_ != nullptr) DestroyCursorHandle();
                   },
                   [&] {
                     if (keptCursor_ == nullptr) HoldDatabase(hrOpen, false);
                     engineIndexDefs_->Clear();
                   });
             });
}

void TSQLMemDataSet::SetActive(bool value) {
  if (!value && Active() && (State() == dsEdit || State() == dsInsert)) InternalCancel();
  TDataSet::SetActive(value);
}

void TSQLMemDataSet::InternalOpen() {
  if (cursor_ == nullptr) return;
  try {
    SetBookmarkSize(kSQLMemBookmarkSize);
    FieldDefs().SetUpdated(false);
    FieldDefs().Update();
    LoadKeyFieldData();
    FreeEditCopy();
    if (DefaultFields()) CreateFields();
    BindFields(true);
    cursor_->OwnerDataSet = this;
    // The calculated-fields area lies behind the trailer; the size is set, never added to, so that a
    // cursor kept across a close does not grow on every open.
    cursor_->RecordBufferSize = CheckedAdd<Integer>(cursor_->TrailerOffset + kSQLMemBookmarkSize, CalcFieldsSize());
    FreeCursorBuffer();
    cursorBuffer_ = cursor_->AllocRecordBuffer();
    cursor_->InitRecordBuffer(cursorBuffer_);
    cursor_->CurrentRecordBuffer = cursorBuffer_;
    AllocKeyBuffers();
    if (cursor_->FilterExpression == nullptr) DropRange();
    // A set made Filtered before it opened (say, by its form definition) filters from its first record.
    if (Filtered()) ActivateFilters();
    AfterInternalOpen();
    recordWritten_ = false;
    // The first fetch starts from where the cursor stands, not from a buffer's bookmark.
    repositioned_ = true;
  } catch (...) {
    DestroyCursorHandle();
    throw;
  }
}

void TSQLMemDataSet::InternalClose() {
  FreeValueArrays();
  FreeEditCopy();
  FreeKeyBuffers();
  filterBuffer_ = nullptr;
  setKeyBuffer_ = nullptr;
  BindFields(false);
  if (DefaultFields()) DestroyFields();
  ClearKeyFieldData();
}

void TSQLMemDataSet::InternalHandleException() { TDataSet::InternalHandleException(); }

void TSQLMemDataSet::InternalRefresh() {
  TSQLMemCursor& cursor = CheckCursor(10034);
  // The cursor's view of a filtered or ranged table is rebuilt on the next move.
  cursor.ResetFilterBitmap();
  recordWritten_ = false;
}

// ---- definitions ----

void TSQLMemDataSet::InternalInitFieldDefs() {
  FieldDefs().Clear();
  if (cursor_ != nullptr) {
    engineFieldDefs_->Assign(cursor_->ProjectedFieldDefs());
    constraintDefs_->Assign(*cursor_->ConstraintDefs);
    EngineDefsToFieldDefs();
    LoadIndexDefsFromCursor(*cursor_);
  }
  FieldDefs().SetUpdated(true);
  FreeValueArrays();
  for (Integer i = 0; i < engineFieldDefs_->GetCount(); ++i) {
    oldValues_.push_back(std::make_unique<TSQLMemVariant>());
    newValues_.push_back(std::make_unique<TSQLMemVariant>());
  }
}

void TSQLMemDataSet::EngineDefsToFieldDefs() {
  ::EngineDefsToFieldDefs(*engineFieldDefs_, *constraintDefs_, FieldDefs());
}

void TSQLMemDataSet::LoadIndexDefsFromCursor(TSQLMemCursor& cursor) {
  engineIndexDefs_->Assign(cursor.GetIndexDefs());
  TIndexDefs& defs = *indexDefs_;
  EngineIndexDefsToIndexDefs(*engineIndexDefs_, defs);
  CopyIndexDefs(defs, *indexDefsCopy_);
  defs.SetUpdated(true);
}

TIndexDef* TSQLMemDataSet::FindIndexDefByOption(TIndexOption option) {
  for (int i = 0; i < indexDefs_->Count(); ++i) {
    TIndexDef* def = indexDefs_->Items(i);
    if (!def->Options().Contains(option)) continue;
    std::vector<TField*> fields;
    try {
      GetFieldList(fields, def->Fields());
    } catch (const Exception&) {
      continue;  // an index on fields the dataset does not show is skipped
    }
    return def;
  }
  return nullptr;
}

// ---- key fields and index switching ----

void TSQLMemDataSet::ClearKeyFieldData() {
  keyFieldNos_.clear();
  keySize_ = 0;
}

void TSQLMemDataSet::LoadKeyFieldData() {
  ClearKeyFieldData();
  if (cursor_ == nullptr) return;
  const AnsiString& name = cursor_->IndexName();
  if (name.empty()) return;
  const TSQLMemIndexDef* index = cursor_->GetIndexDefs().FindByName(name);
  if (index == nullptr) SQLMemError(10325, SQLMemCannotFindIndex, {name});
  const TSQLMemFieldDefs& projected = cursor_->ProjectedFieldDefs();
  Integer size = 0;
  std::vector<Word> numbers;
  for (Integer i = 0; i < index->GetColumnCount(); ++i) {
    const Integer position = projected.IndexOfName(index->GetColumn(i).Name);
    if (position < 0) continue;  // a column the projection leaves out
    numbers.push_back(static_cast<Word>(position + 1));
    size = CheckedAdd<Integer>(size, projected.GetFieldDef(position).DataSize);
  }
  keyFieldNos_ = std::move(numbers);
  keySize_ = size;
}

void TSQLMemDataSet::DropRange() {
  if (cursor_ == nullptr) return;
  Byte* start = keyBuffers_[3];
  Byte* end = keyBuffers_[4];
  // The byte after a key buffer's record data marks it in use.
  const Integer mark = cursor_->RecordDataSize;
  const bool inUse = (start != nullptr && start[mark] != 0) || (end != nullptr && end[mark] != 0);
  if (inUse) {
    if (start != nullptr) cursor_->InitRecordBuffer(start);
    if (end != nullptr) cursor_->InitRecordBuffer(end);
  }
  if (cursor_->IsRanged()) cursor_->CancelRange();
}

void TSQLMemDataSet::SwitchCursorIndex(const AnsiString& indexName) {
  TSQLMemCursor& cursor = CheckCursor(10035);
  DropRange();
  UpdateCursorPos();
  if (cursor.FilterBitmap != nullptr) cursor.ResetFilterBitmap();
  if (!indexName.empty() && cursor.GetIndexDefs().FindByName(indexName) == nullptr)
    SQLMemError(10325, SQLMemCannotFindIndex, {indexName});
  cursor.SetIndexName(indexName);
  ClearKeyFieldData();
  LoadKeyFieldData();
}

// ---- owned blocks ----

void TSQLMemDataSet::AllocKeyBuffers() {
  FreeKeyBuffers();
  for (Byte*& buffer : keyBuffers_) {
    buffer = cursor_->AllocRecordBuffer();
    cursor_->InitRecordBuffer(buffer);
  }
}

void TSQLMemDataSet::FreeKeyBuffers() noexcept {
  for (Byte*& buffer : keyBuffers_) FreeBlock(buffer);
}

void TSQLMemDataSet::FreeValueArrays() noexcept {
  oldValues_.clear();
  newValues_.clear();
}

void TSQLMemDataSet::FreeCursorBuffer() noexcept {
  if (cursor_ != nullptr && cursor_->CurrentRecordBuffer == cursorBuffer_) cursor_->CurrentRecordBuffer = nullptr;
  FreeBlock(cursorBuffer_);
}

void TSQLMemDataSet::FreeEditCopy() noexcept { FreeBlock(editCopy_); }

TSQLMemCursor& TSQLMemDataSet::CheckCursor(Integer code) const {
  if (cursor_ == nullptr) SQLMemError(code, SQLMemNilPointer);
  return *cursor_;
}

// ---- form definitions ----

void RegisterSQLMemDataSet() {
  if (FindPropertyTable(typeid(TComponent)) == nullptr) {
    RegisterStreamedClass<TComponent>("TComponent",
                                      [](TPropertyTableOf<TComponent>& p) { p.IntegerProp("Tag", &TComponent::SetTag); });
  }
  RegisterStreamedClass<TSQLMemDataSet, TComponent>("TSQLMemDataSet", [](TPropertyTableOf<TSQLMemDataSet>& p) {
    // Names first: Active is applied only once the whole definition is read.
    p.StringProp("CurrentVersion", &TSQLMemDataSet::SetCurrentVersion);
    p.BoolProp("StoreDefs", &TSQLMemDataSet::SetStoreDefs);
    p.StringProp("DatabaseName", &TSQLMemDataSet::SetDatabaseName);
    p.BoolProp("ReadOnly", &TSQLMemDataSet::SetReadOnly);
    p.BoolProp("Active", [](TSQLMemDataSet& d, bool v) { d.SetActive(v); });
    p.BoolProp("AutoCalcFields", [](TSQLMemDataSet& d, bool v) { d.SetAutoCalcFields(v); });
    p.StringProp("Filter", [](TSQLMemDataSet& d, const AnsiString& v) { d.SetFilter(v); });
    p.BoolProp("Filtered", [](TSQLMemDataSet& d, bool v) { d.SetFiltered(v); });
    p.SetProp<TFilterOptions>("FilterOptions", [](TSQLMemDataSet& d, TFilterOptions v) { d.SetFilterOptions(v); },
              TIdents<TFilterOption>{{"foCaseInsensitive", foCaseInsensitive}, {"foNoPartialCompare", foNoPartialCompare}});
    p.EventProp("BeforeOpen", &TDataSet::BeforeOpen);
    p.EventProp("AfterOpen", &TDataSet::AfterOpen);
    p.EventProp("BeforeClose", &TDataSet::BeforeClose);
    p.EventProp("AfterClose", &TDataSet::AfterClose);
    p.EventProp("BeforeInsert", &TDataSet::BeforeInsert);
    p.EventProp("AfterInsert", &TDataSet::AfterInsert);
    p.EventProp("BeforeEdit", &TDataSet::BeforeEdit);
    p.EventProp("AfterEdit", &TDataSet::AfterEdit);
    p.EventProp("BeforePost", &TDataSet::BeforePost);
    p.EventProp("AfterPost", &TDataSet::AfterPost);
    p.EventProp("BeforeCancel", &TDataSet::BeforeCancel);
    p.EventProp("AfterCancel", &TDataSet::AfterCancel);
    p.EventProp("BeforeDelete", &TDataSet::BeforeDelete);
    p.EventProp("AfterDelete", &TDataSet::AfterDelete);
    p.EventProp("BeforeScroll", &TDataSet::BeforeScroll);
    p.EventProp("AfterScroll", &TDataSet::AfterScroll);
    p.EventProp("BeforeRefresh", &TDataSet::BeforeRefresh);
    p.EventProp("AfterRefresh", &TDataSet::AfterRefresh);
    p.EventProp("OnCalcFields", &TDataSet::OnCalcFields);
    p.EventProp("OnDeleteError", &TDataSet::OnDeleteError);
    p.EventProp("OnEditError", &TDataSet::OnEditError);
    p.EventProp<TFilterRecordEvent>("OnFilterRecord", [](TSQLMemDataSet& d, TFilterRecordEvent v) { d.SetOnFilterRecord(v); });
    p.EventProp("OnNewRecord", &TDataSet::OnNewRecord);
    p.EventProp("OnPostError", &TDataSet::OnPostError);
  });
}
