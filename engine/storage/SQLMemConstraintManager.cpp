#include "engine/storage/SQLMemConstraintManager.h"

#include <string>

#include "engine/foundation/SQLMemArrays.h"
#include "engine/foundation/SQLMemExcept.h"
#include "engine/foundation/SQLMemValueConvert.h"
#include "engine/storage/SQLMemDatasetServices.h"
#include "engine/storage/SQLMemIndexManager.h"
#include "engine/storage/SQLMemTableServices.h"
#include "vcl/rtl/OsSeam.h"

namespace {

constexpr std::size_t kMaxNameLength = 255;

// base, or while a constraint of that name exists, base followed by a random number 0..65534 (drawn
// anew each round). The number replaces the end of a base too long to take it within 255 characters.
AnsiString UniqueConstraintName(const TSQLMemConstraintDefs& defs, const AnsiString& base) {
  AnsiString name = base.substr(0, kMaxNameLength);
  while (defs.IndexOfName(name) != -1) {
    const std::string suffix = std::to_string(os::RandomInt(65535));
    name = base.substr(0, kMaxNameLength - suffix.size()) + suffix;
  }
  return name;
}

// The position of the field with that object id among the table's fields, or raises code.
Integer FieldNoById(const TSQLMemFieldDefs& fields, Integer objectId, Integer code) {
  const Integer fieldNo = fields.IndexOfObjectID(objectId);
  if (fieldNo == -1) SQLMemError(code, "Field #%d not found", {objectId});
  return fieldNo;
}

Integer FieldIdByName(const TSQLMemFieldDefs& fields, const AnsiString& name, Integer code) {
  const TSQLMemFieldDef* field = fields.FindByName(name);
  if (field == nullptr) SQLMemError(code, "Field '%s' not found", {name});
  return field->ObjectId;
}

void ResolveColumns(const TSQLMemFieldDefs& fields, std::vector<TSQLMemConstraintColumn>& columns, Integer code) {
  for (TSQLMemConstraintColumn& column : columns) column.ObjectId = FieldIdByName(fields, column.Name, code);
}

[[noreturn]] void RaiseNull(const TSQLMemConstraintDef& constraint, const TSQLMemFieldDef& field, Integer code) {
  SQLMemError(code, "Constraint '%s' violated. Value in field '%s' cannot be null", {constraint.Name, field.Name});
}

// The outcome of comparing the field's value in the record with a bound of a check constraint, by
// the field's data type (a bound of another type is converted first).
Integer CompareWithBound(const TSQLMemFieldDef& field, const Byte* recordBuffer, const TSQLMemVariant& bound) {
  TSQLMemVariant converted;
  const TSQLMemVariant* typed = &bound;
  if (bound.DataType() != field.DataType) {
    converted.Assign(bound, true);
    converted.ConvertTo(field.DataType);
    typed = &converted;
  }
  const TSQLMemValueRef value{recordBuffer + field.RecordOffset, field.DataSize, field.DataType, false};
  const TSQLMemValueRef limit{typed->Data(), typed->DataSize(), field.DataType, false};
  return CompareValues(value, limit, false, -1);
}

void CheckRange(const TSQLMemConstraintDefCheck& check, const TSQLMemFieldDefs& fields, const Byte* recordBuffer) {
  const Integer fieldNo = FieldNoById(fields, check.Id3, 30028);
  if (IsRecordFieldNull(fieldNo, recordBuffer)) return;
  const TSQLMemFieldDef& field = fields.GetFieldDef(fieldNo);
  if (!check.MinValue.IsNull() && CompareWithBound(field, recordBuffer, check.MinValue) == ccLess)
    SQLMemError(30029, "Constraint '%s' violated. Value in field '%s' cannot be lower then '%s'",
                {check.Name, field.Name, check.MinValue.GetAsString()});
  if (!check.MaxValue.IsNull() && CompareWithBound(field, recordBuffer, check.MaxValue) == ccGreater)
    SQLMemError(30030, "Constraint '%s' violated. Value in field '%s' cannot be greater then '%s'",
                {check.Name, field.Name, check.MaxValue.GetAsString()});
}

}  // namespace

void TSQLMemBaseConstraintManager::LoadFromStream(TStream& stream) {
  ConstraintDefs.LoadFromStream(stream);
  if (ConstraintDefs.GetCount() > 0) NoConstraints = 0;
}

void TSQLMemBaseConstraintManager::SaveToStream(TStream& stream) { ConstraintDefs.SaveToStream(stream); }

void TSQLMemBaseConstraintManager::CheckRecord(TSQLMemCursor* cursor, Integer sessionId, bool skipForeignKeys,
                                               const TSQLMemRecordID& recordId, bool insert,
                                               const Byte* oldRecordBuffer, const Byte* newRecordBuffer) {
  const TSQLMemFieldDefs& fields = Table->TableFieldDefs();
  for (Integer i = 0; i < ConstraintDefs.GetCount(); ++i) {
    TSQLMemConstraintDef& constraint = ConstraintDefs.GetConstraintDef(i);
    switch (constraint.Kind) {
      case ckPrimary: {
        const auto& key = static_cast<const TSQLMemConstraintDefUnique&>(constraint);
        // A key column may not be NULL: refused before any search for a duplicate.
        for (const TSQLMemConstraintColumn& column : key.Columns) {
          const Integer fieldNo = FieldNoById(fields, column.ObjectId, 30329);
          if (IsRecordFieldNull(fieldNo, newRecordBuffer)) RaiseNull(constraint, fields.GetFieldDef(fieldNo), 30330);
        }
        if (Table->HasDuplicateKey(sessionId, key.Id3, recordId, insert, oldRecordBuffer, newRecordBuffer))
          SQLMemError(30319, "Primary Key constraint '%s' violated. Duplicate found.", {constraint.Name});
        break;
      }
      case ckForeignKey:
        if (!skipForeignKeys &&
            !Table->ForeignKeyHolds(cursor, static_cast<const TSQLMemConstraintDefForeignKey&>(constraint),
                                    newRecordBuffer))
          SQLMemError(11420, "Constraint foreign key '%s' violated in table '%s'", {constraint.Name, Table->GetTableName()});
        break;
      case ckUnique: {
        const auto& key = static_cast<const TSQLMemConstraintDefUnique&>(constraint);
        if (Table->HasDuplicateKey(sessionId, key.Id3, recordId, insert, oldRecordBuffer, newRecordBuffer))
          SQLMemError(30320, "Constraint unique '%s' violated. Duplicate found.", {constraint.Name});
        break;
      }
      case ckNotNull: {
        const auto& notNull = static_cast<const TSQLMemConstraintDefNotNull&>(constraint);
        const Integer fieldNo = FieldNoById(fields, notNull.Id3, 30024);
        if (IsRecordFieldNull(fieldNo, newRecordBuffer)) RaiseNull(constraint, fields.GetFieldDef(fieldNo), 30026);
        break;
      }
      case ckCheck:
        CheckRange(static_cast<const TSQLMemConstraintDefCheck&>(constraint), fields, newRecordBuffer);
        break;
      case ckForeignKeyAction:
        break;
      default:
        SQLMemError(30036, "Not implemented yet");
    }
  }
}

void TSQLMemBaseConstraintManager::ResolveConstraint(TSQLMemConstraintDef& constraint) {
  const TSQLMemFieldDefs& fields = Table->TableFieldDefs();
  switch (constraint.Kind) {
    case ckPrimary:
    case ckUnique: {
      auto& key = static_cast<TSQLMemConstraintDefUnique&>(constraint);
      const bool primary = constraint.Kind == ckPrimary;
      const TSQLMemIndexDef* index = Table->TableIndexManager().IndexDefs.FindByName(key.Name3);
      if (index == nullptr) SQLMemError(primary ? 30325 : 30326, "Index '%s' not found", {key.Name3});
      key.Id3 = index->ObjectId;
      ResolveColumns(fields, key.Columns, primary ? 30331 : 30332);
      break;
    }
    case ckForeignKey:
      ResolveColumns(fields, static_cast<TSQLMemConstraintDefForeignKey&>(constraint).Columns, 11419);
      break;
    case ckNotNull:
    case ckCheck: {
      auto& named = static_cast<TSQLMemConstraintDefNotNull&>(constraint);
      named.Id3 = FieldIdByName(fields, named.Name3, 30027);
      break;
    }
    case ckForeignKeyAction:
      break;
    default:
      SQLMemError(30037, "Not implemented yet");
  }
}

bool TSQLMemBaseConstraintManager::ResolveAll() {
  for (Integer i = 0; i < ConstraintDefs.GetCount(); ++i) ResolveConstraint(ConstraintDefs.GetConstraintDef(i));
  NoConstraints = ConstraintDefs.GetCount() == 0 ? 1 : 0;
  return NoConstraints != 0;
}

void TSQLMemBaseConstraintManager::AssignConstraintNames() {
  for (Integer i = 0; i < ConstraintDefs.GetCount(); ++i) {
    TSQLMemConstraintDef& constraint = ConstraintDefs.GetConstraintDef(i);
    if (!constraint.Name.empty()) continue;
    AnsiString base;
    switch (constraint.Kind) {
      case ckForeignKey:
      case ckForeignKeyAction:
        base = MakeUniqueName("FOREIGN_KEY_");
        break;
      case ckNotNull:
      case ckCheck: {
        const auto& named = static_cast<const TSQLMemConstraintDefNotNull&>(constraint);
        base = AnsiString("$") + (constraint.Kind == ckNotNull ? "C_NotNull" : "C_Check") + "$" + named.Name2 + "$" +
               named.Name3;
        break;
      }
      default:
        SQLMemError(30038, "Not implemented yet");
    }
    constraint.Name = UniqueConstraintName(ConstraintDefs, base);
  }
}

void TSQLMemBaseConstraintManager::AddFromIndexDef(const TSQLMemIndexDef& indexDef) {
  TSQLMemConstraintDefUnique* constraint = ConstraintFromIndexDef(indexDef, ConstraintDefs);
  if (constraint == nullptr) return;
  NoConstraints = 0;
  constraint->ObjectId = Table->NextObjectId();
  try {
    ResolveConstraint(*constraint);
  } catch (...) {
    // A constraint that cannot be bound would refuse every record: it is not kept.
    ConstraintDefs.Delete(ConstraintDefs.GetCount() - 1);
    NoConstraints = ConstraintDefs.GetCount() == 0 ? 1 : 0;
    throw;
  }
}

bool TSQLMemBaseConstraintManager::RemoveByIndexId(Integer indexId) {
  for (Integer i = 0; i < ConstraintDefs.GetCount(); ++i) {
    const TSQLMemConstraintDef& constraint = ConstraintDefs.GetConstraintDef(i);
    if ((constraint.Kind == ckPrimary || constraint.Kind == ckUnique) &&
        static_cast<const TSQLMemConstraintDefUnique&>(constraint).Id3 == indexId) {
      ConstraintDefs.Delete(i);
      break;
    }
  }
  NoConstraints = ConstraintDefs.GetCount() == 0 ? 1 : 0;
  return NoConstraints != 0;
}

TSQLMemConstraintDefForeignKeyAction* AddForeignKeyAction(TSQLMemBaseConstraintManager& owner,
                                                          const TSQLMemConstraintDefForeignKey& foreignKey,
                                                          const AnsiString& tableName, Integer tableObjectId) {
  AnsiString name = foreignKey.Name + "_Action";
  while (owner.ConstraintDefs.IndexOfName(name) != -1) name = MakeUniqueName(foreignKey.Name + "_Action_");
  TSQLMemConstraintDefForeignKeyAction& action = owner.ConstraintDefs.AddForeignKeyAction();
  owner.NoConstraints = 0;
  action.Name = name.substr(0, kMaxNameLength);
  action.ObjectId = owner.Table->NextObjectId();
  action.RelatedTableName = tableName;
  action.RelatedTableId = tableObjectId;
  action.RelatedConstraintName = foreignKey.Name;
  action.RelatedConstraintId = foreignKey.ObjectId;
  action.Columns = foreignKey.Columns;
  action.DeleteAction = foreignKey.DeleteAction;
  action.UpdateAction = foreignKey.UpdateAction;
  action.MatchType = foreignKey.MatchType;
  return &action;
}
