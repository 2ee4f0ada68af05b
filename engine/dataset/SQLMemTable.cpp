// The table component: properties, the operation cursor, the open, the whole-table operations other
// than files and restructuring, sequences and registration.
#include "engine/dataset/SQLMemTable.h"

#include "engine/dataset/SQLMemFieldTypeNames.h"
#include "engine/dataset/SQLMemMain.h"
#include "engine/dataset/SQLMemTableHold.h"
#include "engine/foundation/SQLMemArrays.h"
#include "engine/foundation/SQLMemConst.h"
#include "engine/foundation/SQLMemExcept.h"
#include "engine/storage/SQLMemLocalEngine.h"
#include "engine/storage/SQLMemSchema.h"
#include "vcl/db/DBConsts.h"
#include "vcl/db/Fields.h"
#include "vcl/rtl/PropertyTable.h"

namespace {

constexpr char kCannotCreateCursor[] = "Error - cannot create cursor";
constexpr char kDatabaseReadOnly[] = "Error - database is in read only mode";
constexpr char kTableDoesNotExist[] = "Table '%s' does not exist";

}  // namespace

TSQLMemTable::TSQLMemTable(TComponent* owner)
    : TSQLMemDataSet(owner),
      masterLink_(std::make_unique<TMasterDataLink>(this)),
      tableName_(MakeUniqueName("Table")),
      advFieldDefs_(std::make_unique<TSQLMemAdvFieldDefs>()),
      foreignKeyDefs_(std::make_unique<TSQLMemForeignKeyDefs>()),
      advFieldDefsCopy_(std::make_unique<TSQLMemAdvFieldDefs>()),
      foreignKeyDefsCopy_(std::make_unique<TSQLMemForeignKeyDefs>()) {}

// The dataset's destructor closes the table; the master link goes after it.
TSQLMemTable::~TSQLMemTable() = default;

// ---- properties ----

void TSQLMemTable::SetTableName(const AnsiString& value) {
  if (ComponentState().Contains(csReading) || ComponentState().Contains(csDesigning)) {
    tableName_ = value;
    return;
  }
  if (tableName_ == value) return;
  CheckInactive();
  tableName_ = value;
  DataEvent(dePropertyChange, 0);
}

void TSQLMemTable::SetTemporary(bool value) {
  CheckInactive();
  temporary_ = value;
  if (value) SetDatabaseName("TEMP");
}

bool TSQLMemTable::Exists() {
  if (Cursor() != nullptr) return true;
  if (tableName_.empty()) return false;
  if (Database() != nullptr) return Database()->TableExists(tableName_);
  try {
    TSQLMemTableHold hold(*this, hrTableOperation);
    return Database() != nullptr && Database()->TableExists(tableName_);
  } catch (const ESQLMemException& e) {
    if (e.NativeError() == 11245) return false;  // no database of that name
    throw;
  }
}

// ---- cursors ----

std::unique_ptr<TSQLMemLocalCursor> TSQLMemTable::CreateOperationCursor() {
  if (Database() == nullptr) {
    if (OwnerBeingRead()) return nullptr;
    SQLMemError(10915, SQLMemNilPointer);
  }
  return std::make_unique<TSQLMemLocalCursor>();
}

void TSQLMemTable::ApplyOperationSettings(TSQLMemLocalCursor& cursor) const {
  cursor.Session = Database()->Connection();
  cursor.TableName = tableName_;
  cursor.Temporary = temporary_ ? 1 : 0;
  cursor.InMemory = InMemory() ? 1 : 0;
  cursor.ReadOnly = 0;
  cursor.Exclusive = 1;
}

void TSQLMemTable::CheckTableName() {
  if (!temporary_ && tableName_.empty()) DatabaseError(SNoTableName, this);
}

void TSQLMemTable::AddMissingFieldDefs() {
  for (int i = 0; i < Fields().Count(); ++i) {
    const TField* field = Fields()[i];
    if (field->FieldKind() != fkData || FieldDefExists(FieldDefs(), field->FieldName())) continue;
    FieldDefs().Add(field->FieldName(), field->DataType(), field->Size(), field->Required());
  }
}

std::unique_ptr<TSQLMemLocalCursor> TSQLMemTable::OpenEngineCursor() {
  std::unique_ptr<TSQLMemLocalCursor> cursor = CreateOperationCursor();
  if (cursor == nullptr) {
    if (OwnerBeingRead()) return nullptr;
    SQLMemError(10916, kCannotCreateCursor);
  }
  cursor->Session = Database()->Connection();
  cursor->TableName = tableName_;
  cursor->Exclusive = exclusive_ ? 1 : 0;
  cursor->ReadOnly = ReadOnly() ? 1 : 0;
  cursor->InMemory = InMemory() ? 1 : 0;
  cursor->AllocationStep = memoryTableAllocBy_;
  cursor->Temporary = temporary_ ? 1 : 0;
  ApplyDataSetCursorOptions(*cursor);
  AddMissingFieldDefs();
  const bool haveFields = FieldDefs().Count() > 0;
  if (haveFields) {
    EngineFieldDefs().Clear();
    FieldDefsToEngineFieldDefs(FieldDefs(), EngineFieldDefs());
  }
  // Index definitions name their fields among the field definitions; without those the existing
  // table's own indexes serve.
  if (haveFields && IndexDefs().Count() > 0) {
    EngineIndexDefs().Clear();
    IndexDefsToEngineIndexDefs(IndexDefs(), FieldDefs(), *advFieldDefs_, EngineIndexDefs());
    IndexDefsCopy().Assign(&IndexDefs());
  }
  // Without field definitions the table must exist: nothing is built from an empty list.
  cursor->OpenTable(haveFields ? &EngineFieldDefs() : nullptr, &EngineIndexDefs(), &ConstraintDefs());
  SetReadOnly(cursor->ReadOnly != 0);
  return cursor;
}

AnsiString TSQLMemTable::ResolveIndexName(const AnsiString& text, bool byFields) {
  if (text.empty()) return {};
  if (!byFields) return text;
  IndexDefs().SetUpdated(false);
  return IndexDefs().FindIndexForFields(text)->Name();
}

TSQLMemCursor* TSQLMemTable::CreateCursorHandle() {
  CheckTableName();
  if (keptCursor_ != nullptr) return keptCursor_;
  std::unique_ptr<TSQLMemLocalCursor> cursor = OpenEngineCursor();
  if (cursor == nullptr) return nullptr;
  const AnsiString indexName = ResolveIndexName(indexSelection_, indexByFields_);
  if (!indexName.empty()) cursor->SetIndexName(indexName);
  return cursor.release();
}

void TSQLMemTable::InternalInitFieldDefs() {
  TSQLMemDataSet::InternalInitFieldDefs();
  advFieldDefs_->Clear();
  foreignKeyDefs_->Clear();
  if (Cursor() != nullptr) {
    // NOT NULL and CHECK constraints name their column by its place among all fields of the table.
    const TSQLMemFieldDefs& tableFields = Cursor()->FieldDefs != nullptr ? *Cursor()->FieldDefs : EngineFieldDefs();
    EngineDefsToAdvFieldDefs(EngineFieldDefs(), tableFields, ConstraintDefs(), *advFieldDefs_);
    ConstraintDefsToForeignKeyDefs(ConstraintDefs(), *foreignKeyDefs_);
  }
  advFieldDefsCopy_->Assign(*advFieldDefs_);
  foreignKeyDefsCopy_->Assign(foreignKeyDefs_.get());
}

void TSQLMemTable::CloseCursor() {
  TSQLMemDataSet::CloseCursor();
  advFieldDefs_->Clear();
}

// ---- the frame of the whole-table operations ----

void TSQLMemTable::RunTableOperation(Integer noCursorCode, bool checkName, bool refuseReadOnly, bool mustExist,
                                     const std::function<void(TSQLMemLocalCursor& cursor)>& operation) {
  CheckInactive();
  if (checkName) CheckTableName();
  TSQLMemTableHold hold(*this, hrTableOperation);
  if (refuseReadOnly && Database() != nullptr && Database()->ReadOnly()) DatabaseError(kDatabaseReadOnly);
  if (mustExist && !Exists()) DatabaseErrorFmt(kTableDoesNotExist, {tableName_});
  std::unique_ptr<TSQLMemLocalCursor> cursor = CreateOperationCursor();
  if (cursor == nullptr) SQLMemError(noCursorCode, kCannotCreateCursor);
  ApplyOperationSettings(*cursor);
  operation(*cursor);
}

void TSQLMemTable::PrepareCreateDefinitions() {
  AddMissingFieldDefs();
  if (advFieldDefs_->Count() == 0)
    FieldDefsToAdvFieldDefs(FieldDefs(), *advFieldDefs_);
  else
    AdvFieldDefsToFieldDefs(*advFieldDefs_, FieldDefs());
  if (IndexDefs().Count() > 0) {
    EngineIndexDefs().Clear();
    IndexDefsToEngineIndexDefs(IndexDefs(), FieldDefs(), *advFieldDefs_, EngineIndexDefs());
  }
  AdvFieldDefsToEngineDefs(*advFieldDefs_, EngineFieldDefs(), EngineIndexDefs(), temporary_, ConstraintDefs());
  ForeignKeyDefsToConstraintDefs(*foreignKeyDefs_, ConstraintDefs());
}

void TSQLMemTable::CreateTable() {
  RunTableOperation(10919, true, true, false, [this](TSQLMemLocalCursor& cursor) {
    cursor.AllocationStep = memoryTableAllocBy_;
    PrepareCreateDefinitions();
    cursor.CreateTable(EngineFieldDefs(), EngineIndexDefs(), ConstraintDefs());
    if (temporary_) SetTableName(cursor.TableName);
  });
}

void TSQLMemTable::DeleteTable(bool force) {
  RunTableOperation(10920, true, true, false, [force](TSQLMemLocalCursor& cursor) { cursor.DeleteTable(force); });
}

void TSQLMemTable::EmptyTable() {
  RunTableOperation(10921, true, true, false, [](TSQLMemLocalCursor& cursor) { cursor.EmptyTable(); });
}

void TSQLMemTable::RenameTable(const AnsiString& newName) {
  RunTableOperation(10922, false, true, false, [this, &newName](TSQLMemLocalCursor& cursor) {
    cursor.RenameTable(newName);
    SetTableName(newName);
  });
}

void TSQLMemTable::RenameField(const AnsiString& oldName, const AnsiString& newName) {
  RunTableOperation(10959, false, false, false,
                    [&](TSQLMemLocalCursor& cursor) { cursor.RenameField(oldName, newName); });
}

void TSQLMemTable::AddForeignKey(const TSQLMemForeignKeyDef& def) {
  RunTableOperation(11580, false, false, true, [&def](TSQLMemLocalCursor& cursor) {
    TSQLMemConstraintDefForeignKey constraint;
    ForeignKeyDefToConstraintDef(def, constraint);
    cursor.OpenTable(nullptr, nullptr, nullptr);
    cursor.AddForeignKey(constraint);
  });
}

void TSQLMemTable::DropConstraint(const AnsiString& name, bool force) {
  RunTableOperation(11579, false, false, true, [&name, force](TSQLMemLocalCursor& cursor) {
    cursor.OpenTable(nullptr, nullptr, nullptr);
    cursor.DropConstraint(name, false, force);
  });
}

// ---- sequences and progress ----

namespace {

// The table field behind Fields()[fieldIndex] of an open table.
Integer TableFieldNoOf(TSQLMemTable& table, TSQLMemCursor& cursor, Integer fieldIndex) {
  const TField* field = table.Fields()[fieldIndex];
  const Integer fieldNo = field->FieldNo();
  const TSQLMemFieldDefs& projected = cursor.ProjectedFieldDefs();
  if (fieldNo < 1 || fieldNo > projected.GetCount())
    SQLMemError(11234, SQLMemInvalidFieldNumber, {fieldNo, projected.GetCount()});
  const Integer tableFieldNo = projected.GetFieldDef(fieldNo - 1).TableFieldNo;
  return tableFieldNo >= 0 ? tableFieldNo : fieldNo - 1;
}

}  // namespace

TSQLMemCursor& TSQLMemTable::OpenCursorFor(Integer code) const {
  if (!Active() || Cursor() == nullptr) SQLMemError(code, SQLMemDatasetNotOpened);
  return *Cursor();
}

Int64 TSQLMemTable::GetLastAutoincValue(Integer fieldIndex) {
  TSQLMemCursor& cursor = OpenCursorFor(20112);
  return cursor.GetLastAutoincValue(TableFieldNoOf(*this, cursor, fieldIndex));
}

Int64 TSQLMemTable::GetLastAutoincValueByName(std::string_view fieldName) {
  const TField* field = Fields().FieldByName(fieldName);
  return GetLastAutoincValue(Fields().IndexOf(field));
}

void TSQLMemTable::SetLastAutoincValue(Integer fieldIndex, Int64 value) {
  TSQLMemCursor& cursor = OpenCursorFor(20113);
  cursor.SetLastAutoincValue(TableFieldNoOf(*this, cursor, fieldIndex), value);
}

void TSQLMemTable::DoProgress(TSQLMemTableOperation operation, bool& abort, double progress) {
  if (OnProgress) OnProgress(this, progress, operation, abort);
}

// ---- registration ----

namespace {

const TIdents<TIndexOption> kIndexOptions = {{"ixPrimary", ixPrimary},
                                             {"ixUnique", ixUnique},
                                             {"ixDescending", ixDescending},
                                             {"ixCaseInsensitive", ixCaseInsensitive},
                                             {"ixExpression", ixExpression},
                                             {"ixNonMaintained", ixNonMaintained}};

}  // namespace

void RegisterSQLMemTable(const std::function<void(TPropertyTableOf<TSQLMemTable>& table)>& more) {
  if (FindPropertyTable(typeid(TSQLMemDataSet)) == nullptr) RegisterSQLMemDataSet();
  // The definition items are shared with other dataset components: registered once.
  if (FindPropertyTable(typeid(TFieldDef)) == nullptr) {
    RegisterStreamedClass<TFieldDef>("TFieldDef", [](TPropertyTableOf<TFieldDef>& p) {
      p.StringProp("Name", &TFieldDef::SetName);
      p.EnumProp("DataType", &TFieldDef::SetDataType, FieldTypeIdents());
      p.IntegerProp("Size", &TFieldDef::SetSize);
      p.BoolProp("Required", &TFieldDef::SetRequired);
    });
  }
  if (FindPropertyTable(typeid(TIndexDef)) == nullptr) {
    RegisterStreamedClass<TIndexDef>("TIndexDef", [](TPropertyTableOf<TIndexDef>& p) {
      p.StringProp("Name", &TIndexDef::SetName);
      p.StringProp("Fields", &TIndexDef::SetFields);
      p.SetProp<TIndexOptions>("Options", &TIndexDef::SetOptions, kIndexOptions);
      p.StringProp("DescFields", &TIndexDef::SetDescFields);
      p.StringProp("CaseInsFields", &TIndexDef::SetCaseInsFields);
    });
  }
  RegisterStreamedClass<TSQLMemTable, TSQLMemDataSet>("TSQLMemTable", [&more](TPropertyTableOf<TSQLMemTable>& p) {
    p.StringProp("SessionName", &TSQLMemTable::SetSessionName);
    p.CollectionProp("FieldDefs", [](TSQLMemTable& t) -> TFieldDefs& { return t.FieldDefs(); });
    p.CollectionProp("IndexDefs", [](TSQLMemTable& t) -> TIndexDefs& { return t.IndexDefs(); });
    p.StringProp("TableName", &TSQLMemTable::SetTableName);
    p.BoolProp("Exclusive", &TSQLMemTable::SetExclusive);
    p.IntegerProp("MemoryTableAllocBy", &TSQLMemTable::SetMemoryTableAllocBy);
    p.EventProp("OnProgress", &TSQLMemTable::OnProgress);
    TSQLMemTable::DefineIndexProperties(p);
    if (more) more(p);
  });
}
