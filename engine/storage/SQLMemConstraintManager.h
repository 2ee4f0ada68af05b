// The constraints of a table: their definitions, their binding to the table's fields and indexes, the
// names given to unnamed ones, and the check of a record before it is stored (the first violated
// constraint raises its error).
#pragma once
#include "engine/storage/SQLMemRecordBuffer.h"
#include "engine/storage/SQLMemSchema.h"
#include "vcl/rtl/SysTypes.h"

class TStream;
class TSQLMemCursor;
class TSQLMemTableServices;

class TSQLMemBaseConstraintManager {
 public:
  explicit TSQLMemBaseConstraintManager(TSQLMemTableServices* table) : Table(table) {}
  virtual ~TSQLMemBaseConstraintManager() = default;
  TSQLMemBaseConstraintManager(const TSQLMemBaseConstraintManager&) = delete;
  TSQLMemBaseConstraintManager& operator=(const TSQLMemBaseConstraintManager&) = delete;

  // The definitions in their stream form; a loaded list that is not empty clears NoConstraints.
  void LoadFromStream(TStream& stream);
  void SaveToStream(TStream& stream);

  // Checks newRecordBuffer against every constraint in definition order; the first violation raises.
  // Field references are object ids of the table's fields. Foreign keys are skipped with
  // skipForeignKeys; the cursor is handed to the table's foreign-key test.
  void CheckRecord(TSQLMemCursor* cursor, Integer sessionId, bool skipForeignKeys, const TSQLMemRecordID& recordId,
                   bool insert, const Byte* oldRecordBuffer, const Byte* newRecordBuffer);

  // Binds a definition to the table's current fields and indexes (object ids by name).
  void ResolveConstraint(TSQLMemConstraintDef& constraint);
  // Resolves every definition; NoConstraints (also the answer) becomes whether the list is empty.
  bool ResolveAll();
  // Gives every unnamed foreign key, foreign-key action, not-null and check constraint a unique name.
  void AssignConstraintNames();

  // Adds the primary-key or unique constraint that a primary or unique index implies (with a fresh
  // object id, resolved); nothing for another index.
  void AddFromIndexDef(const TSQLMemIndexDef& indexDef);
  // Deletes the first primary-key or unique constraint on the index; the answer as ResolveAll's.
  bool RemoveByIndexId(Integer indexId);

  TSQLMemConstraintDefs ConstraintDefs;
  TSQLMemTableServices* Table;  // borrowed
  Byte NoConstraints = 1;
};

// Adds to owner (the referenced table's constraint manager) the foreign-key action that serves the
// foreign key of the table tableName / tableObjectId, named after the foreign key, and returns it.
TSQLMemConstraintDefForeignKeyAction* AddForeignKeyAction(TSQLMemBaseConstraintManager& owner,
                                                          const TSQLMemConstraintDefForeignKey& foreignKey,
                                                          const AnsiString& tableName, Integer tableObjectId);
