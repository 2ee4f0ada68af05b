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
#include "vcl/rtl/AnsiStrings.h"
#include "vcl/rtl/Exceptions.h"

bool TSQLMemTable::ConnectDefinitions() {
  IndexDefs().SetUpdater([this] { UpdateIndexDefs(); });
  // While a cursor is attached the lists are being filled from the table, which is nothing to store.
  const TNotifyEvent store = [this](TObject*) {
    if (Cursor() == nullptr) SetStoreDefs(true);
  };
  IndexDefs().OnUpdate = store;
  FieldDefs().OnUpdate = store;
  return true;
}

void TSQLMemTable::DefineIndexProperties(TPropertyTableOf<TSQLMemTable>& table) {
  table.StringProp("IndexName", &TSQLMemTable::SetIndexName);
  table.StringProp("IndexFieldNames", &TSQLMemTable::SetIndexFieldNames);
  table.StringProp("MasterFields", &TSQLMemTable::SetMasterFields);
  table.ComponentProp("MasterSource", &TSQLMemTable::SetMasterSource);
}

void TSQLMemTable::SetIndexName(const AnsiString& value) { SelectIndex(value, false); }

void TSQLMemTable::SetIndexFieldNames(const AnsiString& value) { SelectIndex(value, !value.empty()); }

void TSQLMemTable::SelectIndex(const AnsiString& text, bool byFields) {
  if (Active()) CheckBrowseMode();
  if (text == indexSelection_ && byFields == indexByFields_) return;
  if (!Active()) {
    indexSelection_ = text;
    indexByFields_ = byFields;
    return;
  }
  SwitchCursorIndex(ResolveIndexName(text, byFields));
  indexSelection_ = text;
  indexByFields_ = byFields;
  // The selection follows the cursor's index even when the master's values do not fit the new index;
  // the records shown follow it too.
  try {
    ApplyMasterRange();
  } catch (...) {
    Resync({});
    throw;
  }
  Resync({});
}

void TSQLMemTable::LoadDefinitionsFromTable() {
  // A table not created yet keeps the definitions the component holds for it: a cursor opened with them
  // would build it.
  if (!Exists()) return;
  std::unique_ptr<TSQLMemLocalCursor> cursor = CreateOperationCursor();
  if (cursor == nullptr) return;
  // The table's own definitions are read, so the cursor is given none of the component's.
  cursor->Session = Database()->Connection();
  cursor->TableName = TableName();
  cursor->InMemory = InMemory() ? 1 : 0;
  cursor->Temporary = Temporary() ? 1 : 0;
  cursor->ReadOnly = 1;
  cursor->OpenTable(nullptr, nullptr, nullptr);
  // The definitions load from the dataset's cursor; this one stands in for it while they do.
  struct TBorrowedCursor {
    TSQLMemCursor*& slot;
    ~TBorrowedCursor() { slot = nullptr; }
  } borrowed{cursor_};
  cursor_ = cursor.get();
  const bool storeDefs = StoreDefs();
  InternalInitFieldDefs();
  SetStoreDefs(storeDefs);  // read from the table, not changed by the program
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
  bool wasCurrent = false;
  RunIndexOperation(11618, [&](TSQLMemCursor& cursor) {
    // An open table ordered by the index leaves it first (its range and key fields with it), so that
    // it never stands on an index that is gone; when the deletion fails, the order comes back.
    wasCurrent = Active() && !cursor.IndexName().empty() && SameText(cursor.IndexName(), name);
    if (!wasCurrent) {
      cursor.DeleteIndex(name);
      return;
    }
    const AnsiString current = cursor.IndexName();
    SwitchCursorIndex(AnsiString());
    try {
      cursor.DeleteIndex(name);
    } catch (...) {
      SwitchCursorIndex(current);
      throw;
    }
  });
  if (!wasCurrent) return;
  indexSelection_.clear();
  indexByFields_ = false;
  Resync({});
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
