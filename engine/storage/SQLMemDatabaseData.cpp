#include "engine/storage/SQLMemDatabaseData.h"

#include <algorithm>

#include "engine/foundation/SQLMemConst.h"
#include "engine/foundation/SQLMemExcept.h"
#include "engine/foundation/SQLMemTypes.h"
#include "engine/storage/SQLMemCursor.h"
#include "engine/storage/SQLMemMemoryTable.h"
#include "engine/storage/SQLMemTemporaryDatabase.h"
#include "vcl/rtl/CheckedInt.h"
#include "vcl/rtl/Strings.h"
#include "vcl/rtl/TextConv.h"

namespace {

// Holds a database lock for one scope.
class TDatabaseLock {
 public:
  TDatabaseLock(TSQLMemReadWriteThreadSync& lock, bool write) : lock_(lock) {
    if (write)
      lock_.BeginWrite();
    else
      lock_.BeginRead();
  }
  ~TDatabaseLock() { lock_.EndLock(); }
  TDatabaseLock(const TDatabaseLock&) = delete;
  TDatabaseLock& operator=(const TDatabaseLock&) = delete;

 private:
  TSQLMemReadWriteThreadSync& lock_;
};

}  // namespace

TSQLMemDatabaseData::TSQLMemDatabaseData(const AnsiString& name, bool inMemory, bool temporary)
    : name_(name), inMemory_(inMemory ? 1 : 0), temporary_(temporary ? 1 : 0) {
  lock_.SetOwner(this, "TSQLMemDatabaseData");
  DatabaseList().Add(this);
}

TSQLMemDatabaseData::~TSQLMemDatabaseData() {
  FreeAllTables();
  DatabaseList().Remove(this);
}

void TSQLMemDatabaseData::AddSession(TSQLMemBaseSession* session) {
  TDatabaseLock guard(lock_, true);
  sessions_.push_back(session);
}

void TSQLMemDatabaseData::RemoveSession(TSQLMemBaseSession* session) {
  TDatabaseLock guard(lock_, true);
  auto it = std::find(sessions_.begin(), sessions_.end(), session);
  if (it != sessions_.end()) sessions_.erase(it);
}

void TSQLMemDatabaseData::GetTableNames(TStrings& names) {
  TDatabaseLock guard(lock_, false);
  for (TSQLMemDatabaseTable* table : tables_)
    if (table != nullptr) names.Add(table->GetTableName());
}

namespace {

// A table of that name: the hash narrows the search, the names decide, since two names can share a
// hash.
bool IsNamed(const TSQLMemDatabaseTable* table, Cardinal hash, const AnsiString& name) {
  return table != nullptr && table->GetNameHash() == hash && SameNameText(table->GetTableName(), name);
}

}  // namespace

bool TSQLMemDatabaseData::TableExists(const AnsiString& name) {
  if (name.empty()) return false;
  const Cardinal hash = NameHash(name, true);
  TDatabaseLock guard(lock_, false);
  return std::any_of(tables_.begin(), tables_.end(), [&](TSQLMemDatabaseTable* t) { return IsNamed(t, hash, name); });
}

void TSQLMemDatabaseData::LoadFromStream(TSQLMemLocalSession& /*session*/, TStream& /*stream*/) {
  SQLMemError(30035, SQLMemNotImplementedYet);
}

void TSQLMemDatabaseData::SaveToStream(TSQLMemLocalSession& /*session*/, TStream& /*stream*/, Byte /*algorithm*/,
                                       Byte /*level*/, Int64 /*headerSizeValue*/) {
  SQLMemError(30035, SQLMemNotImplementedYet);
}

TSQLMemDatabaseTable* TSQLMemDatabaseData::CreateTableData(TSQLMemCursor& /*cursor*/) {
  SQLMemError(30035, SQLMemNotImplementedYet);
}

TSQLMemDatabaseTable* TSQLMemDatabaseData::FindTableData(TSQLMemCursor& cursor) {
  const Cardinal hash = NameHash(cursor.TableName, true);
  TDatabaseLock guard(lock_, false);
  for (TSQLMemDatabaseTable* table : tables_)
    if (IsNamed(table, hash, cursor.TableName)) return table;
  return nullptr;
}

TSQLMemDatabaseTable* TSQLMemDatabaseData::GetTableData(TSQLMemCursor& cursor) {
  TSQLMemDatabaseTable* table = FindTableData(cursor);
  return table != nullptr ? table : CreateTableData(cursor);
}

void TSQLMemDatabaseData::LockTables(bool write) {
  if (write)
    lock_.BeginWrite();
  else
    lock_.BeginRead();
}

void TSQLMemDatabaseData::UnlockTables() { lock_.EndLock(); }

void TSQLMemDatabaseData::AddTable(TSQLMemDatabaseTable* table) {
  TDatabaseLock guard(lock_, true);
  tables_.push_back(table);
}

void TSQLMemDatabaseData::RemoveTable(TSQLMemDatabaseTable* table) {
  TDatabaseLock guard(lock_, true);
  auto it = std::find(tables_.begin(), tables_.end(), table);
  if (it != tables_.end()) tables_.erase(it);
}

void TSQLMemDatabaseData::FreeAllTables() noexcept {
  try {
    TDatabaseLock guard(lock_, true);
    while (!tables_.empty()) {
      TSQLMemDatabaseTable* table = tables_.front();
      // Taken out first, so a table that also removes itself finds nothing left to do.
      tables_.erase(tables_.begin());
      if (table == nullptr) continue;
      try {
        table->MarkDirectRemoval();
        delete table;
      } catch (...) {  // one table failing to go must not keep the others
      }
    }
  } catch (...) {  // the lock itself failed: nothing more can be freed safely
  }
}

void TSQLMemDatabaseData::ForEachTable(const std::function<void(TSQLMemDatabaseTable&)>& visit) {
  TDatabaseLock guard(lock_, false);
  for (TSQLMemDatabaseTable* table : tables_)
    if (table != nullptr) visit(*table);
}

Integer TSQLMemDatabaseData::GetTableCount() {
  TDatabaseLock guard(lock_, false);
  return static_cast<Integer>(tables_.size());
}

Integer TSQLMemDatabaseData::GetSessionCount() {
  TDatabaseLock guard(lock_, false);
  return static_cast<Integer>(sessions_.size());
}

Integer TSQLMemDatabaseData::NextObjectId() { return CheckedCast<Integer>(objectIdSequence_.NextValue()); }

void TSQLMemDatabaseData::RaiseObjectIdSequenceValue(Int64 value) {
  if (objectIdSequence_.CurrentValue < value) objectIdSequence_.CurrentValue = value;
}

Cardinal TSQLMemDatabaseData::NameHashValue() const { return NameHash(name_, true); }

Cardinal TSQLMemDatabaseData::FileNameHashValue() const { return NameHash(Utf16ToCp1250(FileName), true); }

TThreadList<TSQLMemDatabaseData>& DatabaseList() {
  static TThreadList<TSQLMemDatabaseData> list;
  return list;
}

TSQLMemDatabaseData* FindDatabaseData(bool inMemory, bool temporary, const AnsiString& name,
                                      const WideString& fileName) {
  if (inMemory && temporary) return nullptr;
  const bool byFileName = !inMemory && !temporary && !fileName.empty();
  const AnsiString wanted = byFileName ? Utf16ToCp1250(fileName) : name;
  const Cardinal key = NameHash(wanted, true);
  TThreadList<TSQLMemDatabaseData>::Locked list(DatabaseList());
  for (int i = 0; i < list->Count(); ++i) {
    TSQLMemDatabaseData* database = list->Items(i);
    if (database == nullptr) continue;
    if (inMemory && database->InMemory() == 0) continue;
    if (temporary && database->Temporary() == 0) continue;
    // Two names can share a hash: the hash only narrows the search, the names decide.
    if (byFileName) {
      const AnsiString stored = Utf16ToCp1250(database->FileName);
      if (database->FileNameHashValue() != key || !SameNameText(stored, wanted)) continue;
    } else if (database->NameHashValue() != key || !SameNameText(database->Name(), wanted)) {
      continue;
    }
    return database;
  }
  return nullptr;
}

namespace {

// The databases that start-up creates. The list is made first so that it outlives them when the
// process ends without the stop step.
std::vector<std::unique_ptr<TSQLMemDatabaseData>>& StartupDatabases() {
  DatabaseList();
  static std::vector<std::unique_ptr<TSQLMemDatabaseData>> databases;
  return databases;
}

}  // namespace

void StartDatabaseListUnit() {
  auto& databases = StartupDatabases();
  if (!databases.empty()) return;
  databases.push_back(std::make_unique<TSQLMemMemoryDatabaseData>("MEMORY"));
  databases.push_back(std::make_unique<TSQLMemTemporaryDatabaseData>());
}

void StopDatabaseListUnit() noexcept { StartupDatabases().clear(); }
