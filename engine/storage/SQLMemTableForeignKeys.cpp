// Foreign keys of a table: binding them to the tables they reference, the check of a record against its
// parent, the referential actions on the children of a record deleted or updated, dropping constraints
// with their counterparts, and renaming the tables they name.
//
// A foreign key lives twice: as a foreign key (kind 1) in the child table and as a foreign-key action
// (kind 5) in the parent; each names the other table and the other constraint. Work on a related table
// (this one included, for a self-reference) goes through a cursor of the table's own: the caller's
// cursor keeps its filter, bitmap and position, and is never closed here.
#include <algorithm>
#include <cstring>

#include "engine/foundation/SQLMemConst.h"
#include "engine/foundation/SQLMemExcept.h"
#include "engine/foundation/SQLMemTypes.h"
#include "engine/foundation/SQLMemValueConvert.h"
#include "engine/sql/SQLMemExpression.h"
#include "engine/storage/SQLMemLocalEngine.h"
#include "engine/storage/SQLMemRecordBuffer.h"
#include "engine/storage/SQLMemTableData.h"
#include "vcl/rtl/AnsiStrings.h"

namespace {

constexpr char kTemporaryPrefix[] = "SQLMemFKTNP_";
constexpr std::size_t kTemporaryPrefixLength = 12;

enum TForeignKeyAction : Byte { faRefuse = 0, faCascade = 1, faSetNull = 2, faSetDefault = 3, faNoAction = 4 };

// A cursor of the table's machinery on a related table: attached to the table data without opening it
// by name (so it neither counts as open nor detaches), working under the caller's session, with a
// record buffer of its own or a view of a record buffer it does not own.
class TRelatedCursor : public TSQLMemLocalCursor {
 public:
  TRelatedCursor(TSQLMemTableData& table, TSQLMemBaseSession* session) : session_(session) {
    TableName = table.GetTableName();
    InMemory = table.IsInMemory() ? 1 : 0;
    ReadOnly = 1;
    AttachToTableData(table);
    ownBuffer_ = AllocRecordBuffer();
    CurrentRecordBuffer = ownBuffer_;
  }
  ~TRelatedCursor() override {
    CurrentRecordBuffer = nullptr;
    FreeRecordBuffer(ownBuffer_);
  }
  TSQLMemBaseSession* StorageSession() const override { return session_; }
  // Field values are read from record (which the cursor never writes) until the next View.
  void View(const Byte* record) { CurrentRecordBuffer = const_cast<Byte*>(record); }
  TSQLMemTableData& Table() const { return *TableData(); }

 private:
  TSQLMemBaseSession* session_;
  Byte* ownBuffer_ = nullptr;
};

bool IsForeignKeyKind(Byte kind) { return kind == ckForeignKey || kind == ckForeignKeyAction; }

// The name without the temporary prefix that a table rebuild gives foreign keys.
AnsiString WithoutTemporaryPrefix(const AnsiString& name) {
  if (name.size() < kTemporaryPrefixLength || !AnsiSameText(name.substr(0, kTemporaryPrefixLength), kTemporaryPrefix))
    return name;
  if (name.size() == kTemporaryPrefixLength) SQLMemError(11585, SQLMemInvalidForeignKeyTemporaryName, {name});
  return name.substr(kTemporaryPrefixLength);
}

// The outcome of screening a child record by the match type of its foreign key.
enum class TScreening { Skip, Violated, LookUp };

}  // namespace

// ---------------------------------------------------------------------------------------------
// Related tables and validation

TSQLMemTableData* TSQLMemTableData::FindRelatedTable(const AnsiString& name, Integer notFoundCode) {
  if (AnsiSameText(name, tableName_)) return this;
  TSQLMemLocalCursor probe;
  probe.TableName = name;
  auto* table = static_cast<TSQLMemTableData*>(database_.FindTableData(probe));
  if (table == nullptr || table->fieldManager_ == nullptr) SQLMemError(notFoundCode, SQLMemTableNotFound, {name});
  return table;
}

void TSQLMemTableData::ValidateForeignKey(TSQLMemTableData& parent,
                                          const TSQLMemConstraintDefForeignKey& foreignKey) const {
  const TSQLMemIndexDef* primary =
      parent.indexManager_ != nullptr ? parent.indexManager_->IndexDefs.FindPrimary() : nullptr;
  const AnsiString& parentName = parent.tableName_;
  if (primary == nullptr) SQLMemError(11442, SQLMemFKDefNoPrimaryKey, {foreignKey.Name, tableName_, parentName});
  if (primary->GetColumnCount() != static_cast<Integer>(foreignKey.Columns.size()))
    SQLMemError(11443, SQLMemFKDefColumnCountMismatch, {foreignKey.Name, tableName_, parentName});
  const TSQLMemFieldDefs& fields = TableFieldDefs();
  for (std::size_t i = 0; i < foreignKey.Columns.size(); ++i) {
    const TSQLMemConstraintColumn& column = foreignKey.Columns[i];
    const TSQLMemFieldDef* field = fields.FindByName(column.Name);
    if (field == nullptr) SQLMemError(11444, SQLMemFKDefFieldNotFound, {foreignKey.Name, tableName_, column.Name});
    const AnsiString& keyName = primary->GetColumn(static_cast<Integer>(i)).Name;
    const TSQLMemFieldDef* key = parent.TableFieldDefs().FindByName(keyName);
    if (key == nullptr)
      SQLMemError(11445, SQLMemFKDefPrimaryKeyFieldNotFound, {foreignKey.Name, tableName_, keyName, parentName});
    if (OperationResultType(field->DataType, key->DataType) == 0 || !IsScalarFieldType(field->FieldType) ||
        !IsScalarFieldType(key->FieldType))
      SQLMemError(11446, SQLMemFKDefTypesMismatch, {foreignKey.Name, tableName_, field->Name, key->Name, parentName});
  }
}

// The parent takes the foreign-key action serving the foreign key, which takes the action as its
// counterpart.
void TSQLMemTableData::BindForeignKey(TSQLMemTableData& parent, TSQLMemConstraintDefForeignKey& foreignKey) {
  if (parent.constraintManager_ == nullptr)
    parent.constraintManager_ = std::make_unique<TSQLMemBaseConstraintManager>(&parent);
  TSQLMemConstraintDefForeignKeyAction* action =
      AddForeignKeyAction(*parent.constraintManager_, foreignKey, tableName_, -1);
  foreignKey.RelatedConstraintName = action->Name;
  foreignKey.RelatedConstraintId = action->ObjectId;
}

void TSQLMemTableData::ResolveForeignKeys(TSQLMemCursor& /*cursor*/) {
  TSQLMemConstraintDefs& constraints = constraintManager_->ConstraintDefs;
  // Every foreign key is checked before any parent changes, so a refused table leaves no action behind.
  std::vector<std::pair<TSQLMemConstraintDefForeignKey*, TSQLMemTableData*>> keys;
  for (Integer i = 0; i < constraints.GetCount(); ++i) {
    auto* foreignKey = dynamic_cast<TSQLMemConstraintDefForeignKey*>(&constraints.GetConstraintDef(i));
    if (foreignKey == nullptr) continue;
    TSQLMemTableData* parent = FindRelatedTable(foreignKey->RelatedTableName, 11582);
    ValidateForeignKey(*parent, *foreignKey);
    keys.emplace_back(foreignKey, parent);
  }
  for (auto& [foreignKey, parent] : keys) BindForeignKey(*parent, *foreignKey);
}

// ---------------------------------------------------------------------------------------------
// The check of a record

bool TSQLMemTableData::ForeignKeyHolds(TSQLMemCursor* cursor, const TSQLMemConstraintDefForeignKey& foreignKey,
                                       const Byte* recordBuffer) {
  const TSQLMemFieldDefs& fields = TableFieldDefs();
  Integer nulls = 0;
  TScreening screening = TScreening::LookUp;
  for (std::size_t i = 0; i < foreignKey.Columns.size(); ++i) {
    const Integer fieldNo = fields.IndexOfObjectID(foreignKey.Columns[i].ObjectId);
    if (fieldNo < 0)
      SQLMemError(11422, SQLMemFKCheckInvalidColumn,
                  {foreignKey.Name, tableName_, static_cast<Integer>(i), foreignKey.Columns[i].ObjectId});
    if (!IsRecordFieldNull(fieldNo, recordBuffer)) continue;
    ++nulls;
    // Simple match: the first null column exempts the record.
    if (foreignKey.MatchType == 0) {
      screening = TScreening::Skip;
      break;
    }
  }
  const auto columns = static_cast<Integer>(foreignKey.Columns.size());
  switch (foreignKey.MatchType) {
    case 0:
      break;
    case 1:  // full: all null or none
      if (nulls == columns) screening = TScreening::Skip;
      else if (nulls > 0) screening = TScreening::Violated;
      break;
    case 2:  // partial: the non-null columns must match a parent
      if (nulls == columns) screening = TScreening::Skip;
      break;
    default:
      SQLMemError(11421, SQLMemFKCheckInvalidMatchType, {foreignKey.Name, tableName_, Integer{foreignKey.MatchType}});
  }
  if (screening != TScreening::LookUp) return screening == TScreening::Skip;

  TSQLMemBaseSession* session = cursor != nullptr ? cursor->StorageSession() : nullptr;
  std::unique_ptr<TRelatedCursor> parent;
  try {
    parent = std::make_unique<TRelatedCursor>(*FindRelatedTable(foreignKey.RelatedTableName, 10154), session);
  } catch (const Exception& e) {
    SQLMemError(11423, SQLMemFKCheckCannotOpenReferencedTable, {foreignKey.Name, tableName_, e.Message()});
  }
  TSQLMemTableData& parentTable = parent->Table();
  const TSQLMemIndexDef* primary = parentTable.TableIndexManager().IndexDefs.FindPrimary();
  if (primary == nullptr)
    SQLMemError(11424, SQLMemFKCheckPrimaryKeyNotFound, {foreignKey.Name, tableName_, parentTable.tableName_});
  if (primary->GetColumnCount() < columns)
    SQLMemError(11425, SQLMemFKCheckPrimaryKeyColumnCount,
                {foreignKey.Name, tableName_, primary->Name, parentTable.tableName_});
  TRelatedCursor child(*this, session);
  child.View(recordBuffer);
  TSQLMemExpression lookUp;
  lookUp.BuildForeignKeyCondition(parent.get(), &child, *primary, foreignKey);
  return parentTable.ScanRecords(*parent, &lookUp, true, false, nullptr, nullptr, true, true, nullptr);
}

// ---------------------------------------------------------------------------------------------
// Adding a foreign key

void TSQLMemTableData::AddForeignKey(TSQLMemCursor& cursor, const TSQLMemConstraintDefForeignKey& foreignKey) {
  TSQLMemTableData& parent = *FindRelatedTable(foreignKey.RelatedTableName, 11582);
  if (constraintManager_ == nullptr) constraintManager_ = std::make_unique<TSQLMemBaseConstraintManager>(this);
  TSQLMemConstraintDefs& constraints = constraintManager_->ConstraintDefs;
  if (constraints.IndexOfName(foreignKey.Name) != -1)
    SQLMemError(11588, SQLMemCreateForeignKeyNameExists, {foreignKey.Name, tableName_});
  TSQLMemConstraintDefForeignKey key;
  key.Assign(foreignKey);
  const TSQLMemFieldDefs& fields = TableFieldDefs();
  for (TSQLMemConstraintColumn& column : key.Columns) {
    const TSQLMemFieldDef* field = fields.FindByName(column.Name);
    if (field == nullptr) SQLMemError(11587, SQLMemCreateForeignKeyColumnNotFound, {key.Name, column.Name, tableName_});
    column.ObjectId = field->ObjectId;
  }
  ValidateForeignKey(parent, key);
  // The records already stored must satisfy the new key; they are read into a buffer of the check's own,
  // so the cursor keeps its record and position.
  if (recordManager_ != nullptr && recordManager_->GetRecordCount() > 0) {
    std::vector<Byte> buffer(static_cast<std::size_t>(RecordSize()));
    TSQLMemNavigationRequest request;
    request.SessionId = SessionIdOf(&cursor);
    request.Direction = ndNext;
    request.First = 1;
    request.RecordBuffer = buffer.data();
    for (recordManager_->NavigateRecord(request); request.Result == nrFound; recordManager_->NavigateRecord(request)) {
      request.First = 0;
      if (!ForeignKeyHolds(&cursor, key, buffer.data()))
        SQLMemError(11586, SQLMemForeignKeyViolated, {key.Name, tableName_});
    }
  }
  key.ObjectId = database_.NextObjectId();
  BindForeignKey(parent, key);
  constraints.AddForeignKey().Assign(key);
  constraintManager_->NoConstraints = 0;
}

// ---------------------------------------------------------------------------------------------
// Referential actions

void TSQLMemTableData::RunReferentialActions(TSQLMemCursor& cursor, bool onDelete, const TSQLMemRecordID& recordId,
                                             const Byte* oldRecord, const Byte* newRecord) {
  if (constraintManager_ == nullptr) return;
  actionRecords_.push_back(recordId);
  struct TActionRecordHold {
    std::vector<TSQLMemRecordID>& records;
    ~TActionRecordHold() { records.pop_back(); }
  } hold{actionRecords_};
  const TSQLMemConstraintDefs& constraints = constraintManager_->ConstraintDefs;
  for (Integer i = 0; i < constraints.GetCount(); ++i) {
    const auto* action = dynamic_cast<const TSQLMemConstraintDefForeignKeyAction*>(&constraints.GetConstraintDef(i));
    if (action == nullptr || action->Kind != ckForeignKeyAction) continue;
    RunReferentialAction(cursor, onDelete, *action, oldRecord, newRecord);
  }
}

void TSQLMemTableData::RunReferentialAction(TSQLMemCursor& cursor, bool onDelete,
                                            const TSQLMemConstraintDefForeignKeyAction& action, const Byte* oldRecord,
                                            const Byte* newRecord) {
  const Byte code = onDelete ? action.DeleteAction : action.UpdateAction;
  if (code == faNoAction) return;
  const TSQLMemIndexDef* primary = indexManager_ != nullptr ? indexManager_->IndexDefs.FindPrimary() : nullptr;
  if (!onDelete && primary != nullptr &&
      indexManager_->CompareRecordsByIndex(primary->ObjectId, oldRecord, newRecord, 0) == 0)
    return;
  TSQLMemBaseSession* session = cursor.StorageSession();
  TRelatedCursor child(*FindRelatedTable(action.RelatedTableName, 10154), session);
  TSQLMemTableData& childTable = child.Table();
  const AnsiString& foreignKeyName = action.RelatedConstraintName;
  if (primary == nullptr)
    SQLMemError(11457, SQLMemFKCheckPrimaryKeyNotFound, {foreignKeyName, childTable.tableName_, tableName_});
  if (primary->GetColumnCount() < static_cast<Integer>(action.Columns.size()))
    SQLMemError(11458, SQLMemFKCheckPrimaryKeyColumnCount,
                {foreignKeyName, childTable.tableName_, primary->Name, tableName_});

  // The children: the child cursor owns the selection condition as its bound filter, and its bitmap
  // holds the selected records, less those whose own actions are running further up.
  TRelatedCursor parent(*this, session);
  parent.View(oldRecord);
  auto selection = std::make_unique<TSQLMemExpression>();
  selection->BuildReferencingKeyCondition(&child, &parent, *primary, action);
  if (selection->IsEmpty()) return;
  child.SetFilterExpression(std::move(selection));
  childTable.BuildFilterBitmap(child);
  TSQLMemRecordBitmap& children = *child.FilterBitmap;
  for (const TSQLMemRecordID& id : childTable.actionRecords_)
    if (children.CheckRecord(id)) children.RemoveRecord(id);
  if (children.GetCount() == 0) return;

  switch (code) {
    case faRefuse:
      SQLMemError(onDelete ? 11455 : 11454, onDelete ? SQLMemDeleteViolatesForeignKey : SQLMemUpdateViolatesForeignKey,
                  {tableName_, foreignKeyName, childTable.tableName_});
    case faCascade:
    case faSetNull:
    case faSetDefault:
      break;
    default:
      SQLMemError(11456, SQLMemInvalidForeignKeyAction, {Integer{code}, tableName_, foreignKeyName, childTable.tableName_});
  }
  if (onDelete && code == faCascade) {
    childTable.DeleteRecords(child);
    return;
  }
  std::vector<AnsiString> names;
  std::vector<TSQLMemVariant> values(action.Columns.size());
  const TSQLMemFieldDefs& childFields = childTable.TableFieldDefs();
  for (std::size_t i = 0; i < action.Columns.size(); ++i) {
    const TSQLMemConstraintColumn& column = action.Columns[i];
    const TSQLMemFieldDef* field = childFields.FindByName(column.Name);
    if (field == nullptr)
      SQLMemError(11458, SQLMemFKDefFieldNotFound, {foreignKeyName, childTable.tableName_, column.Name});
    names.push_back(field->Name);
    switch (code) {
      case faSetNull:
        values[i].SetNull();
        break;
      case faSetDefault:
        values[i].Assign(field->DefaultValue, true);
        break;
      case faCascade: {
        const AnsiString& keyName = primary->GetColumn(static_cast<Integer>(i)).Name;
        const Integer keyFieldNo = TableFieldDefs().IndexOfName(keyName);
        if (keyFieldNo < 0) SQLMemError(11461, SQLMemFKDefFieldNotFound, {foreignKeyName, tableName_, keyName});
        parent.View(newRecord);
        parent.GetFieldValue(values[i], keyFieldNo, true, true);
        break;
      }
      default:
        SQLMemError(11462, SQLMemInvalidForeignKeyAction,
                    {Integer{code}, tableName_, foreignKeyName, childTable.tableName_});
    }
  }
  std::vector<const TSQLMemVariant*> pointers;
  for (const TSQLMemVariant& value : values) pointers.push_back(&value);
  // A cascade writes keys whose parent is only being written: the children's own check would refuse them.
  childTable.UpdateRecords(child, names, pointers, code == faCascade);
}

// ---------------------------------------------------------------------------------------------
// Dropping constraints

void TSQLMemTableData::RemoveConstraint(const AnsiString& name) {
  TSQLMemConstraintDefs& constraints = constraintManager_->ConstraintDefs;
  const Integer index = constraints.IndexOfName(name);
  if (index == -1) return;
  constraints.Delete(index);
  constraintManager_->NoConstraints = constraints.GetCount() == 0 ? 1 : 0;
}

void TSQLMemTableData::DropConstraint(TSQLMemCursor& cursor, const AnsiString& name, bool keepCounterpart, bool force) {
  const Integer index = constraintManager_ != nullptr ? constraintManager_->ConstraintDefs.IndexOfName(name) : -1;
  if (index == -1) SQLMemError(11482, SQLMemConstraintDoesNotExist, {name, tableName_});
  TSQLMemConstraintDefs& constraints = constraintManager_->ConstraintDefs;
  TSQLMemConstraintDef& constraint = constraints.GetConstraintDef(index);
  const AnsiString constraintName = constraint.Name;
  if (IsForeignKeyKind(constraint.Kind)) {
    const auto& key = static_cast<const TSQLMemConstraintDefForeignKeyAction&>(constraint);
    if (!keepCounterpart) {
      const AnsiString otherName = key.RelatedTableName;
      const AnsiString counterpart = key.RelatedConstraintName;
      FindRelatedTable(otherName, 11484)->DropConstraint(cursor, counterpart, true, false);
    }
    RemoveConstraint(constraintName);
    return;
  }
  if (constraint.Kind != ckPrimary) {
    RemoveConstraint(constraintName);
    return;
  }
  if (constraints.HasForeignKeyActions) {
    if (!force) SQLMemError(11483, SQLMemCannotDeleteReferencedPrimaryKey, {constraintName, tableName_});
    // Each drop may take more than one constraint of this list (a self-reference), so the next action
    // is looked up afresh every time.
    for (;;) {
      const TSQLMemConstraintDef* action = nullptr;
      for (Integer i = 0; i < constraints.GetCount() && action == nullptr; ++i)
        if (constraints.GetConstraintDef(i).Kind == ckForeignKeyAction) action = &constraints.GetConstraintDef(i);
      if (action == nullptr) break;
      DropConstraint(cursor, AnsiString(action->Name), false, false);
    }
  }
  const Integer primaryIndexId =
      static_cast<const TSQLMemConstraintDefUnique&>(constraints.GetConstraintDef(constraints.IndexOfName(constraintName))).Id3;
  DeleteIndex(primaryIndexId, &cursor);
  // An index kept by a temporary cursor leaves its constraint; the primary key goes all the same.
  RemoveConstraint(constraintName);
}

void TSQLMemTableData::DropForeignKeyCounterparts(TSQLMemBaseSession* session) {
  TSQLMemConstraintDefs& constraints = constraintManager_->ConstraintDefs;
  for (Integer i = 0; i < constraints.GetCount(); ++i) {
    const TSQLMemConstraintDef& constraint = constraints.GetConstraintDef(i);
    if (!IsForeignKeyKind(constraint.Kind)) continue;
    const auto& key = static_cast<const TSQLMemConstraintDefForeignKeyAction&>(constraint);
    if (AnsiSameText(key.RelatedTableName, tableName_)) continue;
    TSQLMemTableData& other = *FindRelatedTable(key.RelatedTableName, 10027);
    TRelatedCursor otherCursor(other, session);
    other.DropConstraint(otherCursor, key.RelatedConstraintName, true, false);
  }
}

// ---------------------------------------------------------------------------------------------
// Renaming

void TSQLMemTableData::RenameTable(const AnsiString& newName) {
  if (IsOpen()) SQLMemError(10150, SQLMemCannotRenameOpenTable, {tableName_});
  if (constraintManager_ != nullptr && HasForeignKeys()) {
    const AnsiString oldName = tableName_;
    std::vector<TSQLMemTableData*> others;
    const TSQLMemConstraintDefs& constraints = constraintManager_->ConstraintDefs;
    for (Integer i = 0; i < constraints.GetCount(); ++i) {
      const TSQLMemConstraintDef& constraint = constraints.GetConstraintDef(i);
      if (!IsForeignKeyKind(constraint.Kind)) continue;
      TSQLMemTableData* other = FindRelatedTable(
          static_cast<const TSQLMemConstraintDefForeignKeyAction&>(constraint).RelatedTableName, 10151);
      if (other != this && std::find(others.begin(), others.end(), other) == others.end()) others.push_back(other);
    }
    for (TSQLMemTableData* other : others) other->RenameReferencedTable(oldName, newName);
    RenameReferencedTable(oldName, newName);
  }
  SetTableName(newName);
}

void TSQLMemTableData::RenameReferencedTable(const AnsiString& oldName, const AnsiString& newName) {
  if (constraintManager_ == nullptr) return;
  TSQLMemConstraintDefs& constraints = constraintManager_->ConstraintDefs;
  for (Integer i = 0; i < constraints.GetCount(); ++i) {
    TSQLMemConstraintDef& constraint = constraints.GetConstraintDef(i);
    if (!IsForeignKeyKind(constraint.Kind)) continue;
    auto& key = static_cast<TSQLMemConstraintDefForeignKeyAction&>(constraint);
    if (AnsiSameText(key.RelatedTableName, oldName)) key.RelatedTableName = newName.substr(0, 255);
    key.Name = WithoutTemporaryPrefix(key.Name);
    key.RelatedConstraintName = WithoutTemporaryPrefix(key.RelatedConstraintName);
  }
}
