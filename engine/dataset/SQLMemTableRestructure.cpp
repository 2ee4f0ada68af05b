// Restructuring a table: a work table is made with the new structure, the records are copied into it,
// foreign keys of other tables are pointed at it, and it takes the place and the name of the old table.
// The operation never raises once it has started: each failing step appends one line to the log.
#include <exception>
#include <memory>

#include "engine/dataset/SQLMemBatchMove.h"
#include "engine/dataset/SQLMemTable.h"
#include "engine/foundation/SQLMemArrays.h"
#include "engine/foundation/SQLMemConst.h"
#include "engine/foundation/SQLMemExcept.h"
#include "engine/storage/SQLMemSchema.h"
#include "vcl/rtl/Exceptions.h"
#include "vcl/rtl/Format.h"

namespace {

constexpr char kOperation[] = "restructure";
constexpr char kForeignKeyPrefix[] = "SQLMemFKTNP_";

constexpr char kCannotCreateStructure[] =
    "Error - %s table '%s' failed. Cannot create structure for new table due to error: \r\n%s\r\n";
constexpr char kCannotCreateWorkTable[] =
    "Error - %s table '%s' failed. Cannot create temporary table '%s' due to error: \r\n%s\r\n";
constexpr char kCannotOpenWorkTable[] =
    "Error - %s table '%s' failed. Cannot open temporary table '%s' due to error: \r\n%s\r\n";
constexpr char kCannotOpenSource[] = "Error - %s table '%s' failed. Cannot open source table due to error: \r\n%s\r\n";
constexpr char kCannotCopyRecords[] =
    "Error - %s table '%s' failed. Cannot copy records to temporary table due to error: \r\n%s\r\n";
constexpr char kCannotCopyData[] = "Error - %s table '%s' failed. Cannot copy data due to error: \r\n%s\r\n";
constexpr char kCannotRecreateForeignKeys[] =
    "Error - %s table '%s' failed. Cannot recreate foreign keys referencing this table due to error: \r\n%s\r\n";
constexpr char kCannotCloseWorkTable[] =
    "Error - %s table '%s' failed. Cannot close temporary table due to error: \r\n%s\r\n";
constexpr char kCannotDeleteTable[] = "Error - %s table '%s' failed. Cannot delete table due to error: \r\n%s\r\n";
constexpr char kCannotRenameWorkTable[] =
    "Error - %s table '%s' failed. Cannot rename temporary table '%s' due to error: \r\n%s\r\n";

// The message of the exception being handled; "Unknown error" when it carries none.
AnsiString CurrentErrorMessage() {
  AnsiString message;
  try {
    throw;
  } catch (const Exception& e) {
    message = e.Message();
  } catch (const std::exception& e) {
    message = e.what();
  } catch (...) {
  }
  return message.empty() ? AnsiString("Unknown error") : message;
}

void RunStep(TSQLMemRestructureStep step) {
  if (TSQLMemTable::RestructureStepHook) TSQLMemTable::RestructureStepHook(step);
}

// Closes a table and, for the work table, deletes it again; failures here would only hide the
// failure being reported, so they are swallowed.
void CloseQuietly(TSQLMemTable& table) noexcept {
  try {
    if (table.Active()) table.Close();
  } catch (...) {
  }
}

void DropQuietly(TSQLMemTable& table) noexcept {
  CloseQuietly(table);
  try {
    table.DeleteTable(true);
  } catch (...) {
  }
}

// A component on another table of the same database, for re-pointing its foreign keys.
std::unique_ptr<TSQLMemTable> SiblingTable(const TSQLMemTable& like, const AnsiString& tableName) {
  std::unique_ptr<TSQLMemTable> table(New<TSQLMemTable>(nullptr));
  table->SetSessionName(like.SessionName());
  table->SetDatabaseName(like.DatabaseName());
  if (table->InMemory() != like.InMemory() && !like.InMemory()) table->SetInMemory(false);
  table->SetTableName(tableName);
  table->SetExclusive(true);
  return table;
}

// Every foreign key of another table that references `source` gets a twin, with the same columns and
// rules, that references `work`; the originals go when the source table is deleted. The source records
// each such key as a counterpart constraint naming the other table and the key.
void RecreateReferencingForeignKeys(const TSQLMemTable& source, const TSQLMemTable& work) {
  const TSQLMemConstraintDefs& constraints = source.ConstraintDefs();
  for (Integer i = 0; i < constraints.GetCount(); ++i) {
    const auto* reference = dynamic_cast<const TSQLMemConstraintDefForeignKeyAction*>(&constraints.GetConstraintDef(i));
    if (reference == nullptr || reference->Kind != ckForeignKeyAction) continue;
    std::unique_ptr<TSQLMemTable> other = SiblingTable(work, reference->RelatedTableName);
    other->Open();
    const TSQLMemForeignKeyDef* existing = other->ForeignKeyDefs().FindByName(reference->RelatedConstraintName);
    if (existing == nullptr) SQLMemError(11581, SQLMemCannotFindForeignKey, {reference->RelatedConstraintName});
    TSQLMemForeignKeyDef twin;
    // Named after the foreign key itself: the engine drops the prefix when the work table takes the
    // source's name, so the key ends with the name it had. (The counterpart's name here would append
    // "_Action" to the key's name at every restructure.)
    twin.Name = AnsiString(kForeignKeyPrefix) + existing->Name;
    twin.Fields = existing->Fields;
    twin.MatchType = existing->MatchType;
    twin.DeleteAction = existing->DeleteAction;
    twin.UpdateAction = existing->UpdateAction;
    twin.ReferenceTableName = work.TableName();
    other->Close();
    other->AddForeignKey(twin);
  }
}

}  // namespace

bool TSQLMemTable::RestructureTable(AnsiString& log) {
  CheckInactive();
  const AnsiString logAtEntry = log;
  const bool exclusiveAtEntry = exclusive_;
  exclusive_ = true;
  std::unique_ptr<TSQLMemTable> work;
  // Whatever happens: the work component goes, Exclusive comes back, this table ends closed.
  struct Finally {
    TSQLMemTable& table;
    std::unique_ptr<TSQLMemTable>& work;
    bool exclusive;
    ~Finally() {
      work.reset();
      table.exclusive_ = exclusive;
      CloseQuietly(table);
    }
  } finally{*this, work, exclusiveAtEntry};

  work.reset(New<TSQLMemTable>(nullptr));
  work->SetSessionName(SessionName());
  if (temporary_) work->SetTemporary(true);
  work->SetDatabaseName(DatabaseName());
  if (!InMemory() && work->InMemory()) work->SetInMemory(false);
  do work->SetTableName(MakeUniqueName("TEMP_TABLE_" + tableName_ + "_"));
  while (work->Exists());
  const AnsiString workName = work->TableName();

  const auto fail = [&](const char* format, bool namesWorkTable) {
    const AnsiString message = CurrentErrorMessage();
    log += namesWorkTable ? Format(format, {kOperation, tableName_, workName, message})
                          : Format(format, {kOperation, tableName_, message});
    return false;
  };
  const auto dropWork = [&] {
    CloseQuietly(*this);
    DropQuietly(*work);
  };

  try {
    RunStep(TSQLMemRestructureStep::CreateStructure);
    work->FieldDefs().Clear();
    work->EngineIndexDefs().Clear();
    work->AdvFieldDefs().Assign(*advFieldDefsCopy_);
    work->IndexDefs().Assign(&IndexDefsCopy());
    work->ForeignKeyDefs().Assign(foreignKeyDefsCopy_.get());
    RenameForeignKeyReferences(tableName_, workName, work->ForeignKeyDefs());
  } catch (...) {
    return fail(kCannotCreateStructure, false);
  }
  try {
    RunStep(TSQLMemRestructureStep::CreateWorkTable);
    work->CreateTable();
  } catch (...) {
    return fail(kCannotCreateWorkTable, true);
  }
  try {
    RunStep(TSQLMemRestructureStep::OpenWorkTable);
    work->Open();
  } catch (...) {
    fail(kCannotOpenWorkTable, true);
    DropQuietly(*work);
    return false;
  }
  try {
    RunStep(TSQLMemRestructureStep::OpenSource);
    Open();
  } catch (...) {
    fail(kCannotOpenSource, false);
    dropWork();
    return false;
  }
  AnsiString errorText;
  try {
    RunStep(TSQLMemRestructureStep::CopyRecords);
    TSQLMemBatchMoveOptions options;
    options.Progress = [this](double percent) {
      bool abort = false;
      DoProgress(tbopRestructure, abort, percent);
      return abort;
    };
    options.TrackSequences = true;
    BatchMoveRecords(*this, *work, options, errorText);
  } catch (...) {
    fail(kCannotCopyRecords, false);
    dropWork();
    return false;
  }
  if (!errorText.empty()) {
    log += Format(kCannotCopyData, {kOperation, tableName_, errorText});
    dropWork();
    return false;
  }
  try {
    RunStep(TSQLMemRestructureStep::RecreateForeignKeys);
    RecreateReferencingForeignKeys(*this, *work);
  } catch (...) {
    fail(kCannotRecreateForeignKeys, false);
    dropWork();
    return false;
  }
  try {
    RunStep(TSQLMemRestructureStep::CloseTables);
    work->Close();
    Close();
  } catch (...) {
    fail(kCannotCloseWorkTable, false);
    dropWork();
    return false;
  }
  try {
    RunStep(TSQLMemRestructureStep::DeleteSource);
    DeleteTable(true);
  } catch (...) {
    fail(kCannotDeleteTable, false);
    dropWork();
    return false;
  }
  try {
    RunStep(TSQLMemRestructureStep::RenameWorkTable);
    work->RenameTable(tableName_);
  } catch (...) {
    // The work table now holds the only copy of the records: it stays under its own name.
    return fail(kCannotRenameWorkTable, true);
  }
  return log == logAtEntry;
}
