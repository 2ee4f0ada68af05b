// What a table's schema managers (fields, indexes, sequences, constraints) need of the table that owns
// them: its name, fields, pages and records, its index manager, the database's object ids and the two
// record tests that only the table can run (duplicate keys, foreign keys). The table data implements it;
// tests give the managers a small fake.
#pragma once
#include "engine/storage/SQLMemBTreeIndex.h"
#include "engine/storage/SQLMemRecordBuffer.h"
#include "engine/storage/SQLMemSchema.h"
#include "vcl/rtl/SysTypes.h"

class TSQLMemBaseIndexManager;
class TSQLMemCursor;

class TSQLMemTableServices : public TSQLMemIndexTable {
 public:
  virtual const AnsiString& GetTableName() const = 0;
  // Every field of the table, in definition order.
  virtual const TSQLMemFieldDefs& TableFieldDefs() const = 0;
  virtual TSQLMemBaseIndexManager& TableIndexManager() = 0;
  virtual TSQLMemBaseRecordManager& TableRecordManager() = 0;
  // The next object id of the table's database.
  virtual Integer NextObjectId() = 0;
  // Whether storing newRecordBuffer would give the unique index indexId a second record with the same
  // key. An insert asks whether the new key is free; an update whether it is free apart from the
  // record's own old key (oldRecordBuffer).
  virtual bool HasDuplicateKey(Integer sessionId, Integer indexId, const TSQLMemRecordID& recordId, bool insert,
                               const Byte* oldRecordBuffer, const Byte* newRecordBuffer) = 0;
  // Whether the record satisfies the foreign key (its parent exists, or its columns exempt it).
  virtual bool ForeignKeyHolds(TSQLMemCursor* cursor, const TSQLMemConstraintDefForeignKey& foreignKey,
                               const Byte* recordBuffer) = 0;
};
