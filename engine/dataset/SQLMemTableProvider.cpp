// The provider support of the table component: its table, its default order and its key fields.
#include "engine/dataset/SQLMemTable.h"

#include "vcl/db/IndexDefs.h"

void TSQLMemTable::PSSetCommandText(const AnsiString& text) {
  if (!text.empty()) SetTableName(text);
}

std::unique_ptr<TIndexDef> TSQLMemTable::PSGetDefaultOrder() {
  TIndexDefs& indexes = IndexDefs();
  indexes.Update();
  TIndexDef* found = nullptr;
  if (!IndexName().empty() && indexes.IndexOf(IndexName()) >= 0)
    found = indexes.Find(IndexName());
  else if (!IndexFieldNames().empty())
    found = indexes.GetIndexForFields(IndexFieldNames(), false);
  if (found == nullptr) found = FindIndexDefByOption(ixPrimary);
  if (found == nullptr) found = FindIndexDefByOption(ixUnique);
  if (found == nullptr) return nullptr;
  auto order = std::make_unique<TIndexDef>(nullptr);
  order->Assign(found);
  return order;
}

AnsiString TSQLMemTable::PSGetKeyFields() {
  IndexDefs().Update();
  const TIndexDef* unique = FindIndexDefByOption(ixUnique);
  return unique != nullptr ? unique->Fields() : AnsiString();
}
