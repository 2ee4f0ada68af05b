// The local cursor's constraint operations: adding a foreign key to its table and dropping a constraint,
// both on a table the cursor holds open and exclusively.
#include "engine/foundation/SQLMemConst.h"
#include "engine/foundation/SQLMemExcept.h"
#include "engine/storage/SQLMemLocalEngine.h"
#include "engine/storage/SQLMemTableData.h"

void TSQLMemLocalCursor::AddForeignKey(const TSQLMemConstraintDefForeignKey& foreignKey) {
  TSQLMemTableData& table = OpenTableData(11582);
  if (Exclusive == 0) SQLMemError(11583, SQLMemTableNotExclusive, {TableName});
  table.AddForeignKey(*this, foreignKey);
  RefreshIndexAndConstraintDefs();
}

void TSQLMemLocalCursor::DropConstraint(const AnsiString& name, bool keepCounterpart, bool force) {
  TSQLMemTableData& table = OpenTableData(11484);
  if (Exclusive == 0) SQLMemError(11486, SQLMemTableNotExclusive, {TableName});
  table.DropConstraint(*this, name, keepCounterpart, force);
  RefreshIndexAndConstraintDefs();
}
