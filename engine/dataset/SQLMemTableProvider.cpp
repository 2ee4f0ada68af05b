// The provider support of the table component: its table, its default order, its key fields and
// the range its parameters set.
#include "engine/dataset/SQLMemTable.h"

#include "vcl/db/Fields.h"
#include "vcl/db/IndexDefs.h"
#include "vcl/db/Params.h"

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

void TSQLMemTable::PSSetParams(const TParams& params) {
  if (params.Count() > 0) {
    Open();
    // The same values bound both ends: the range holds the records equal to them.
    for (const bool end : {false, true}) {
      if (end)
        SetRangeEnd();
      else
        SetRangeStart();
      try {
        for (int i = 0; i < params.Count(); ++i) {
          const TParam& param = *params.Items(i);
          TField* field = param.Name().empty() ? IndexFieldAt(i) : FieldByName(param.Name());
          field->SetAsVariant(param.Value());
        }
        Post();
      } catch (...) {
        Cancel();
        throw;
      }
    }
    ApplyRange();
  } else if (Active()) {
    CancelRange();
  }
  PSReset();
}
