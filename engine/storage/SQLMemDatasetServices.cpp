#include "engine/storage/SQLMemDatasetServices.h"

#include "engine/storage/SQLMemSchema.h"

TSQLMemConstraintDefUnique* ConstraintFromIndexDef(const TSQLMemIndexDef& indexDef, TSQLMemConstraintDefs& constraints) {
  TSQLMemConstraintDefUnique* constraint = nullptr;
  if (indexDef.Primary != 0)
    constraint = &constraints.AddPrimary();
  else if (indexDef.Unique != 0)
    constraint = &constraints.AddUnique();
  else
    return nullptr;
  constraint->Name = indexDef.Name;
  constraint->Name3 = indexDef.Name;
  constraint->Id3 = indexDef.ObjectId;
  for (Integer i = 0; i < indexDef.GetColumnCount(); ++i) {
    TSQLMemConstraintColumn column;
    column.Name = indexDef.GetColumn(i).Name;
    constraint->Columns.push_back(column);
  }
  return constraint;
}
