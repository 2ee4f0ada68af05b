// The table's order and its index definitions: choosing the current index by name or by fields, adding
// and deleting indexes, refreshing the definitions from the table, and the index that serves an
// ORDER BY.
#include <memory>

#include "engine/dataset/SQLMemTable.h"
#include "engine/dataset/SQLMemTableHold.h"
#include "engine/foundation/SQLMemConst.h"
#include "engine/foundation/SQLMemExcept.h"
#include "engine/storage/SQLMemLocalEngine.h"
#include "engine/storage/SQLMemSchema.h"
#include "vcl/db/FieldDefs.h"
#include "vcl/rtl/Exceptions.h"

bool TSQLMemTable::ConnectDefinitions() {
  IndexDefs().SetUpdater([this] { UpdateIndexDefs(); });
  const TNotifyEvent store = [this](TObject*) { SetStoreDefs(true); };
  IndexDefs().OnUpdate = store;
  FieldDefs().OnUpdate = store;
  return true;
}

void TSQLMemTable::SetIndexName(const AnsiString& value) { SelectIndex(value, false); }

void TSQLMemTable::SetIndexFieldNames(const AnsiString& value) { SelectIndex(value, !value.empty()); }

void TSQLMemTable::SelectIndex(const AnsiString& text, bool byFields) {
  if (Active()) CheckBrowseMode();
  if (text == indexSelection_ && byFields == indexByFields_) return;
  if (Active()) {
    SwitchCursorIndex(ResolveIndexName(text, byFields));
    ApplyMasterRange();
  }
  indexSelection_ = text;
  indexByFields_ = byFields;
  if (Active()) Resync({});
}

void TSQLMemTable::LoadDefinitionsFromTable() {
  // A table not created yet keeps the definitions the component holds for it: opening a cursor on it
  // would build it from them.
  if (!Exists()) return;
  std::unique_ptr<TSQLMemLocalCursor> cursor = OpenEngineCursor();
  if (cursor == nullptr) return;
  LoadIndexDefsFromCursor(*cursor);
  cursor->CloseTable();
}

void TSQLMemTable::UpdateIndexDefs() {
  if (Cursor() != nullptr) return;  // the open loaded them
  TSQLMemTableHold hold(*this, hrIndexOperation);
  LoadDefinitionsFromTable();
}

template <class Operation>
void TSQLMemTable::RunIndexOperation(Integer notExclusiveCode, Operation operation) {
  FieldDefs().Update();
  TSQLMemTableHold hold(*this, hrIndexOperation);
  // Exclusive comes back, and a cursor made here goes (before the hold), however the operation ends.
  struct TRestore {
    TSQLMemTable& table;
    bool exclusive;
    std::unique_ptr<TSQLMemLocalCursor> cursor;
    ~TRestore() {
      cursor.reset();
      table.SetExclusive(exclusive);
    }
  } restore{*this, Exclusive(), nullptr};
  TSQLMemCursor* cursor = Cursor();
  if (Active()) {
    CheckBrowseMode();
    CursorPosChanged();
    if (!InMemory() && !Temporary() && cursor->Exclusive == 0)
      SQLMemError(notExclusiveCode, SQLMemTableNotExclusive, {TableName()});
  } else {
    SetExclusive(true);
    restore.cursor = OpenEngineCursor();
    if (restore.cursor == nullptr) SQLMemError(10916, SQLMemCannotCreateCursor);
    cursor = restore.cursor.get();
  }
  operation(*cursor);
}

void TSQLMemTable::AddIndex(const AnsiString& name, const AnsiString& fields, TIndexOptions options,
                            const AnsiString& descFields, const AnsiString& caseInsFields) {
  RunIndexOperation(11617, [&](TSQLMemCursor& cursor) {
    if (name.empty()) SQLMemError(20046, SQLMemInvalidIndexName, {name});
    if (fields.empty()) SQLMemError(20047, SQLMemCannotFindIndexField, {fields});
    TSQLMemIndexDef indexDef;
    BuildEngineIndexDef(indexDef, name, fields, options, descFields, caseInsFields, FieldDefs(), AdvFieldDefs());
    cursor.AddIndex(indexDef);
  });
}

void TSQLMemTable::DeleteIndex(const AnsiString& name) {
  RunIndexOperation(11618, [&](TSQLMemCursor& cursor) { cursor.DeleteIndex(name); });
}

AnsiString TSQLMemTable::FindIndexForSort(const std::vector<AnsiString>& fieldNames,
                                          const std::vector<AnsiString>& descending,
                                          const std::vector<AnsiString>& caseInsensitive) {
  return CheckCursor(11382).FindIndexForSort(fieldNames, descending, caseInsensitive);
}

void TSQLMemTable::DataEvent(TDataEvent event, NativeInt info) {
  if (event == dePropertyChange) IndexDefs().SetUpdated(false);
  TSQLMemDataSet::DataEvent(event, info);
}
