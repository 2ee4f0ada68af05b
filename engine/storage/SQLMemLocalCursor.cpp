// The local cursor's table-level work: opening and closing, the table's definitions, creating,
// deleting, emptying and renaming tables, indexes, loading and saving the table stream, and the
// positions the table's own machinery saves and restores.
#include <cstring>

#include "engine/foundation/SQLMemConst.h"
#include "engine/foundation/SQLMemExcept.h"
#include "engine/foundation/SQLMemMemory.h"
#include "engine/foundation/SQLMemTypes.h"
#include "engine/sql/SQLMemExpression.h"
#include "engine/storage/SQLMemLocalBLOBStream.h"
#include "engine/storage/SQLMemLocalEngine.h"
#include "engine/storage/SQLMemMemoryTable.h"
#include "engine/storage/SQLMemTableData.h"
#include "engine/storage/SQLMemTableStream.h"
#include "vcl/rtl/TextConv.h"

namespace {

// A temporary table goes with the last cursor that detaches from it, unless that cursor is loading it
// (its loading flag). The cursor's own short detaches take the same exemption: the close that starts a
// table-level operation (which names the table it is about to work on), a transient attach (renaming
// a field), and a failed open, which leaves the table as it found it.
class TKeepTemporaryTable {
 public:
  explicit TKeepTemporaryTable(TSQLMemCursor& cursor) : flag_(cursor.Loading), saved_(cursor.Loading) { flag_ = 1; }
  ~TKeepTemporaryTable() { flag_ = saved_; }
  TKeepTemporaryTable(const TKeepTemporaryTable&) = delete;
  TKeepTemporaryTable& operator=(const TKeepTemporaryTable&) = delete;

 private:
  Byte& flag_;
  Byte saved_;
};

}  // namespace

TSQLMemLocalCursor::TSQLMemLocalCursor() = default;

TSQLMemLocalCursor::~TSQLMemLocalCursor() {
  try {
    CloseTable();
  } catch (...) {  // a destructor never raises; the table forgets the cursor when it goes
  }
  FreeSavedPosition();
}

TSQLMemBaseSession* TSQLMemLocalCursor::StorageSession() const { return Session; }

TSQLMemDatabaseData& TSQLMemLocalCursor::SessionDatabase(Integer code) {
  TSQLMemDatabaseData* database = Session != nullptr ? Session->DatabaseData() : nullptr;
  if (database == nullptr) SQLMemError(code, SQLMemNilPointer);
  return *database;
}

TSQLMemTableData& TSQLMemLocalCursor::OpenTableData(Integer code) const {
  if (table_ == nullptr) SQLMemError(code, SQLMemTableNotFound, {TableName});
  return *table_;
}

// ---- definitions ----

void TSQLMemLocalCursor::ReadTableDefs() {
  TSQLMemTableData& table = OpenTableData(10154);
  FieldDefs = std::make_unique<TSQLMemFieldDefs>();
  FieldDefs->Assign(table.TableFieldDefs());
  FieldDefs->UpdateLayout();
  ComputeBufferGeometry();
  if (!ProjectionSupplied()) ProjectAllFields();
  ConstraintDefs = std::make_unique<TSQLMemConstraintDefs>();
  if (table.ConstraintManager() != nullptr) ConstraintDefs->Assign(table.ConstraintManager()->ConstraintDefs);
}

void TSQLMemLocalCursor::RefreshIndexAndConstraintDefs() {
  TSQLMemTableData& table = OpenTableData(10154);
  IndexDefs = std::make_unique<TSQLMemIndexDefs>();
  if (table.IndexManager() != nullptr) IndexDefs->Assign(table.IndexManager()->IndexDefs);
  ConstraintDefs = std::make_unique<TSQLMemConstraintDefs>();
  if (table.ConstraintManager() != nullptr) ConstraintDefs->Assign(table.ConstraintManager()->ConstraintDefs);
  // Object ids change when the table is rebuilt: find the current index again by name.
  SetIndexName(IndexName());
}

void TSQLMemLocalCursor::RefreshDefs() {
  // The table calls this while it attaches the cursor, before the cursor counts as open.
  if (table_ == nullptr) return;
  RefreshIndexAndConstraintDefs();
  ReadTableDefs();
}

TSQLMemIndexDefs& TSQLMemLocalCursor::GetIndexDefs() {
  if (table_ != nullptr && table_->IndexManager() != nullptr) IndexDefs->Assign(table_->IndexManager()->IndexDefs);
  return *IndexDefs;
}

bool TSQLMemLocalCursor::DefinitionsDiffer(const TSQLMemFieldDefs& fieldDefs, const TSQLMemIndexDefs* indexDefs,
                                           const TSQLMemConstraintDefs* constraintDefs) const {
  const auto differ = [](const AnsiString& a, const AnsiString& b) { return !SameNameText(a, b); };
  const TSQLMemFieldDefs& fields = table_->TableFieldDefs();
  if (fields.GetCount() != fieldDefs.GetCount()) return true;
  for (Integer i = 0; i < fields.GetCount(); ++i) {
    const TSQLMemFieldDef& a = fields.GetFieldDef(i);
    const TSQLMemFieldDef& b = fieldDefs.GetFieldDef(i);
    if (differ(a.Name, b.Name) || a.FieldType != b.FieldType || a.Size != b.Size) return true;
  }
  const TSQLMemIndexDefs empty;
  const TSQLMemIndexDefs& indexes = table_->IndexManager() != nullptr ? table_->IndexManager()->IndexDefs : empty;
  const TSQLMemIndexDefs& given = indexDefs != nullptr ? *indexDefs : empty;
  if (indexes.GetCount() != given.GetCount()) return true;
  for (Integer i = 0; i < indexes.GetCount(); ++i) {
    const TSQLMemIndexDef& a = indexes.GetItem(i);
    const TSQLMemIndexDef& b = given.GetItem(i);
    if (differ(a.Name, b.Name) || a.GetColumnCount() != b.GetColumnCount() || a.IndexKind != b.IndexKind ||
        a.Primary != b.Primary || a.Unique != b.Unique)
      return true;
  }
  const TSQLMemConstraintDefs noConstraints;
  const TSQLMemConstraintDefs& constraints =
      table_->ConstraintManager() != nullptr ? table_->ConstraintManager()->ConstraintDefs : noConstraints;
  const TSQLMemConstraintDefs& givenConstraints = constraintDefs != nullptr ? *constraintDefs : noConstraints;
  if (constraints.GetCount() != givenConstraints.GetCount()) return true;
  for (Integer i = 0; i < constraints.GetCount(); ++i) {
    const TSQLMemConstraintDef& a = constraints.GetConstraintDef(i);
    const TSQLMemConstraintDef& b = givenConstraints.GetConstraintDef(i);
    if (differ(a.Name, b.Name) || a.Kind != b.Kind) return true;
  }
  return false;
}

// ---- open and close ----

void TSQLMemLocalCursor::StartRecordState() {
  SetBeginOfData();
  CloseBLOBStreams(false);
  blobListOpen_ = true;
  FilterBitmap = std::make_unique<TSQLMemRecordBitmap>(table_);
}

void TSQLMemLocalCursor::OpenTable(const TSQLMemFieldDefs* fieldDefs, const TSQLMemIndexDefs* indexDefs,
                                   const TSQLMemConstraintDefs* constraintDefs) {
  FreeSavedPosition();
  if (Open != 0) return;
  TSQLMemDatabaseData& database = SessionDatabase(11762);
  auto* table = static_cast<TSQLMemTableData*>(InMemoryOrTemporary() ? database.FindTableData(*this)
                                                                     : database.GetTableData(*this));
  // Only an in-memory cursor given field definitions builds the table: a new one, or an existing one
  // that is to be rebuilt on open.
  bool build = InMemory != 0 && fieldDefs != nullptr && (table == nullptr || RebuildOnOpen != 0);
  const TSQLMemIndexDefs noIndexes;
  const TSQLMemConstraintDefs noConstraints;
  const auto buildTable = [&](TSQLMemTableData& target) {
    TSQLMemIndexDefs indexes;
    indexes.Assign(indexDefs != nullptr ? *indexDefs : noIndexes);
    for (Integer i = 0; i < indexes.GetCount(); ++i) indexes.GetItem(i).RootPageNo = -1;
    target.CreateTable(*this, *fieldDefs, constraintDefs != nullptr ? *constraintDefs : noConstraints, indexes);
  };
  // A table made here is taken out again when anything fails before the cursor is open, so that no
  // table without a schema stays behind in the database. The temporary database names the tables it
  // makes itself: the cursor then gets its own name back.
  bool created = false;
  const AnsiString requestedName = TableName;
  try {
    if (table == nullptr) {
      table = static_cast<TSQLMemTableData*>(database.CreateTableData(*this));
      if (table == nullptr) SQLMemError(10523, SQLMemNilPointer);
      created = true;
      if (build) {
        buildTable(*table);
        build = false;
      }
    }
    table_ = table;
    table->AttachCursor(*this);
    if (build && DefinitionsDiffer(*fieldDefs, indexDefs, constraintDefs) && table->GetCursorRecordCount(*this) == 0) {
      // An empty table whose definitions changed is rebuilt; one holding records is kept as it is.
      {
        TKeepTemporaryTable keep(*this);
        table->DetachCursor(*this);
      }
      created = true;
      buildTable(*table);
      table->AttachCursor(*this);
    }
  } catch (...) {
    if (table != nullptr && table_ == table) {
      TKeepTemporaryTable keep(*this);
      try {
        table->DetachCursor(*this);
      } catch (...) {  // the cursor goes with the table
      }
    }
    table_ = nullptr;
    if (created) {
      delete table;
      TableName = requestedName;
    }
    throw;
  }
  StartRecordState();
  Open = 1;
  borrowedTable_ = false;
}

void TSQLMemLocalCursor::CloseTable() {
  FreeSavedPosition();
  FreeSpareRecordBuffer();
  TSQLMemTableData* table = table_;
  table_ = nullptr;
  const bool attachedItself = table != nullptr && !borrowedTable_;
  // A temporary table that this was the last cursor of is freed here, after the detach.
  if (attachedItself) DetachTableCursor(table, *this);
  borrowedTable_ = false;
  FilterBitmap.reset();
  TextFilter.reset();
  FilterExpression.reset();
  FieldDefs = std::make_unique<TSQLMemFieldDefs>();
  if (!ProjectionSupplied()) ProjectedFieldDefs().Clear();
  IndexDefs = std::make_unique<TSQLMemIndexDefs>();
  ConstraintDefs = std::make_unique<TSQLMemConstraintDefs>();
  CloseBLOBStreams(false);
  blobListOpen_ = false;
  if (OwnsSession != 0 && Temporary != 0 && attachedItself) {
    delete Session;
    Session = nullptr;
    OwnsSession = 0;
  }
  Open = 0;
}

void TSQLMemLocalCursor::AttachToTableData(TSQLMemTableData& table) {
  FreeSavedPosition();
  table_ = &table;
  SetBeginOfData();
  RefreshIndexAndConstraintDefs();
  StartRecordState();
  ReadTableDefs();
  Open = 1;
  borrowedTable_ = true;
}

// ---- table resolution ----

TSQLMemTableData* TSQLMemLocalCursor::ResolveTable(Integer notFoundCode, Integer transactionCode, bool findOrCreate,
                                                   bool& disposable) {
  {
    // The table the operation names stays, also when this cursor was the last one on it.
    TKeepTemporaryTable keep(*this);
    CloseTable();
  }
  TSQLMemDatabaseData& database = SessionDatabase(notFoundCode);
  TSQLMemDatabaseTable* table = nullptr;
  disposable = false;
  if (InMemoryOrTemporary()) {
    table = database.FindTableData(*this);
  } else {
    if (transactionCode != 0 && Session->InTransaction()) SQLMemError(transactionCode, SQLMemNotInsideTransaction);
    table = findOrCreate ? database.GetTableData(*this) : database.CreateTableData(*this);
    disposable = true;
  }
  if (table == nullptr) SQLMemError(notFoundCode, SQLMemTableNotFound, {TableName});
  return static_cast<TSQLMemTableData*>(table);
}

void TSQLMemLocalCursor::ReleaseResolvedTable(TSQLMemTableData* table, bool disposable) noexcept {
  table_ = nullptr;
  if (disposable) delete table;
}

void TSQLMemLocalCursor::CreateTable(const TSQLMemFieldDefs& fieldDefs, const TSQLMemIndexDefs& indexDefs,
                                     const TSQLMemConstraintDefs& constraintDefs) {
  CloseTable();
  TSQLMemDatabaseData& database = SessionDatabase(10523);
  if (InMemoryOrTemporary() && database.FindTableData(*this) != nullptr) DeleteTable(false);
  auto* table = static_cast<TSQLMemTableData*>(database.GetTableData(*this));
  if (table == nullptr) SQLMemError(10523, SQLMemNilPointer);
  TSQLMemIndexDefs indexes;
  indexes.Assign(indexDefs);
  for (Integer i = 0; i < indexes.GetCount(); ++i) indexes.GetItem(i).RootPageNo = -1;
  try {
    table->CreateTable(*this, fieldDefs, constraintDefs, indexes);
  } catch (...) {
    // Refused definitions leave no table without a schema behind in the database.
    delete table;
    throw;
  }
}

void TSQLMemLocalCursor::DeleteTable(bool dropForeignKeys) {
  bool disposable = false;
  TSQLMemTableData* table = ResolveTable(10027, 10838, false, disposable);
  try {
    // A table that answers it is to go is freed here, after the call.
    DropTableData(table, Session, dropForeignKeys, false);
  } catch (...) {
    ReleaseResolvedTable(table, disposable);
    throw;
  }
  ReleaseResolvedTable(table, disposable && table != nullptr);
}

void TSQLMemLocalCursor::EmptyTable() {
  bool disposable = false;
  TSQLMemTableData* table = ResolveTable(10073, 0, true, disposable);
  try {
    table->EmptyTable(this, false);
  } catch (...) {
    ReleaseResolvedTable(table, disposable);
    throw;
  }
  ReleaseResolvedTable(table, disposable);
}

void TSQLMemLocalCursor::RenameTable(const AnsiString& newName) {
  bool disposable = false;
  TSQLMemTableData* table = ResolveTable(10151, 10839, false, disposable);
  try {
    table->RenameTable(newName);
  } catch (...) {
    ReleaseResolvedTable(table, disposable);
    throw;
  }
  TableName = newName;
  ReleaseResolvedTable(table, disposable);
}

void TSQLMemLocalCursor::RenameField(const AnsiString& oldName, const AnsiString& newName) {
  bool disposable = false;
  TSQLMemTableData* table = ResolveTable(11166, 11165, false, disposable);
  try {
    table_ = table;
    // A short attach: a temporary table without other cursors stays when it ends.
    TKeepTemporaryTable keep(*this);
    table->AttachCursor(*this);
    struct Detach {
      TSQLMemTableData& table;
      TSQLMemLocalCursor& cursor;
      ~Detach() {
        try {
          table.DetachCursor(cursor);
        } catch (...) {  // the rename's own error, if any, is the one to report
        }
      }
    } detach{*table, *this};
    table->RenameField(oldName, newName);
  } catch (...) {
    ReleaseResolvedTable(table, disposable);
    throw;
  }
  ReleaseResolvedTable(table, disposable);
}

// ---- indexes ----

void TSQLMemLocalCursor::AddIndex(const TSQLMemIndexDef& indexDef) {
  TSQLMemTableData& table = OpenTableData(10154);
  if (IndexDefs->FindByName(indexDef.Name) != nullptr) SQLMemError(20022, SQLMemCannotCreateExistingIndex, {indexDef.Name});
  TSQLMemIndexDef copy;
  copy.Assign(indexDef);
  table.AddIndex(copy, *this);
  RefreshIndexAndConstraintDefs();
  NotifyIndexDefsChanged();
}

void TSQLMemLocalCursor::DeleteIndex(const AnsiString& indexName) {
  TSQLMemTableData& table = OpenTableData(10154);
  const TSQLMemIndexDef* index = IndexDefs->FindByName(indexName);
  if (index == nullptr) SQLMemError(20021, SQLMemCannotDeleteMissingIndex, {indexName});
  table.DeleteIndex(index->ObjectId, this);
  RefreshIndexAndConstraintDefs();
  NotifyIndexDefsChanged();
}

void TSQLMemLocalCursor::DeleteAllIndexes() {
  OpenTableData(10154).DeleteAllIndexes(this);
  RefreshIndexAndConstraintDefs();
  NotifyIndexDefsChanged();
}

AnsiString TSQLMemLocalCursor::FindIndexForSort(const std::vector<AnsiString>& fieldNames,
                                                const std::vector<AnsiString>& descending,
                                                const std::vector<AnsiString>& caseInsensitive) {
  return OpenTableData(10154).FindIndexForSort(fieldNames, descending, caseInsensitive);
}

bool TSQLMemLocalCursor::IsTemporaryTable() { return table_ != nullptr && table_->IsTemporary(); }

bool TSQLMemLocalCursor::IsInMemoryTable() { return table_ != nullptr && table_->IsInMemory(); }

// ---- the table stream ----

void TSQLMemLocalCursor::LoadTableFromStream(TStream& stream) {
  struct LoadingFlag {
    Byte& flag;
    explicit LoadingFlag(Byte& f) : flag(f) { flag = 1; }
    ~LoadingFlag() { flag = 0; }
  } loading{Loading};
  TSQLMemDatabaseData& database = SessionDatabase(10154);
  TSQLMemTableData* table = nullptr;
  if (database.Temporary() != 0) {
    // A temporary table's stream has no header and names no table: the load always makes a new table,
    // so that a stream loaded twice gives two tables and no other table is replaced.
    table = static_cast<TSQLMemTableData*>(database.CreateTableData(*this));
  } else {
    // The header is checked before anything is replaced: a foreign or damaged stream leaves the table
    // of that name alone.
    TableName = CheckTableStreamHeader(stream).TableName;
    if (database.FindTableData(*this) != nullptr) DeleteTable(true);
    table = static_cast<TSQLMemTableData*>(database.GetTableData(*this));
  }
  if (table == nullptr) SQLMemError(10154, SQLMemTableNotFound, {TableName});
  try {
    // The memory table reads the table stream; the other kinds fill their load slot (the temporary
    // table reads its own stream form there).
    RebuiltIndexes.clear();
    if (auto* memoryTable = dynamic_cast<TSQLMemMemoryTableData*>(table)) {
      memoryTable->LoadFromStream(stream);
      RebuiltIndexes = memoryTable->RebuiltIndexes();
    } else {
      table->CheckCanLoad(stream);
    }
  } catch (...) {
    // The load never frees the table itself: the half-loaded table goes here, once.
    delete table;
    table_ = nullptr;
    throw;
  }
  TableName = table->GetTableName();
  table_ = nullptr;
}

void TSQLMemLocalCursor::SaveTableToStream(TStream& stream, Byte algorithm, Byte level, Int64 headerSizeValue,
                                           bool ignoreOpenCursors, bool keepAttached) {
  if (Session == nullptr) SQLMemError(11762, SQLMemNilPointer);
  TSQLMemDatabaseData* database = Session->DatabaseData();
  if (database == nullptr) {
    const auto flag = [](Byte value) { return AnsiString(value != 0 ? "True" : "False"); };
    SQLMemError(11761, SQLMemDatabaseDataNotFound,
                {Session->DatabaseName, Session->DatabaseFileName, Utf16ToCp1250(Session->DatabaseFileNameUnicode),
                 flag(Session->InMemory), flag(Session->Temporary)});
  }
  auto* table = static_cast<TSQLMemTableData*>(database->FindTableData(*this));
  if (table == nullptr) SQLMemError(10154, SQLMemTableNotFound, {TableName});
  // As for the load: the memory table writes the table stream, the other kinds their save slot.
  if (auto* memoryTable = dynamic_cast<TSQLMemMemoryTableData*>(table))
    memoryTable->SaveToStream(stream, algorithm, level, headerSizeValue, ignoreOpenCursors);
  else
    table->CheckCanSave(stream, algorithm, level, headerSizeValue, ignoreOpenCursors);
  // Only a cursor that is open on the table has anything to detach.
  if (!keepAttached && table_ == table && !borrowedTable_) CloseTable();
}

// ---- saved positions ----

void TSQLMemLocalCursor::SavePosition() {
  FreeSavedPosition();
  if (CurrentRecordBuffer != nullptr) {
    savedRecordBuffer_ = AllocRecordBuffer();
    std::memcpy(savedRecordBuffer_, CurrentRecordBuffer, static_cast<std::size_t>(RecordBufferSize));
  }
  savedBookmark_ = GetBookmark();
}

void TSQLMemLocalCursor::RestorePosition() {
  if (savedBookmark_ == nullptr) return;
  SetBookmark(savedBookmark_);
  if (savedRecordBuffer_ == nullptr)
    CurrentRecordBuffer = nullptr;
  else if (CurrentRecordBuffer != nullptr)
    std::memcpy(CurrentRecordBuffer, savedRecordBuffer_, static_cast<std::size_t>(RecordBufferSize));
  FreeSavedPosition();
}

void TSQLMemLocalCursor::FreeSavedPosition() {
  FreeBookmark(savedBookmark_);
  if (savedRecordBuffer_ != nullptr) FreeRecordBuffer(savedRecordBuffer_);
}
