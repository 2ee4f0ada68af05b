#include "engine/storage/SQLMemTransaction.h"

#include "engine/foundation/SQLMemConst.h"
#include "engine/foundation/SQLMemExcept.h"
#include "engine/storage/SQLMemLocalEngine.h"
#include "engine/storage/SQLMemTableData.h"
#include "vcl/rtl/AnsiStrings.h"

namespace {

constexpr Integer kLockShared = 0;         // "IS"
constexpr Integer kLockSharedWrite = 2;    // "IRW"
constexpr Integer kLockCommit = 3;         // the relock of a commit
constexpr Integer kLockExclusive = 5;      // "X"
constexpr std::size_t kMaxTableNameLength = 255;

}  // namespace

TSQLMemTransaction::TSQLMemTransaction(TSQLMemLocalSession& session, TSQLMemDatabaseData& database)
    : sessionId_(session.SessionId), database_(database) {
  std::vector<std::pair<AnsiString, TSQLMemTableLockState>> locks;
  database_.GetSessionTableLocks(sessionId_, locks);
  for (const auto& [name, state] : locks)
    if (state.LockCount > 0 || state.ModificationCount > 0 || state.SecondLockCount > 0 || state.LockFlag != 0)
      SQLMemError(10824, SQLMemRemainingTableLocks, {name});
  for (const auto& [name, state] : locks) AddTable(name, state.ExclusiveCount > 0);
  try {
    ForEachSessionCursor([](TSQLMemLocalCursor& cursor) { cursor.SavePosition(); });
  } catch (...) {
    ForEachSessionCursor([](TSQLMemLocalCursor& cursor) { cursor.FreeSavedPosition(); });
    try {
      ReleaseLocks();
    } catch (...) {  // the start's own error is the one to report
    }
    throw;
  }
}

TSQLMemTransaction::~TSQLMemTransaction() = default;

template <class Action>
void TSQLMemTransaction::ForEachSessionCursor(Action action) {
  std::vector<TSQLMemLocalCursor*> cursors;
  database_.LockTables(false);
  try {
    database_.ForEachTable([&](TSQLMemDatabaseTable& table) {
      for (TSQLMemCursor* cursor : static_cast<TSQLMemTableData&>(table).AttachedCursors())
        if (auto* local = dynamic_cast<TSQLMemLocalCursor*>(cursor);
            local != nullptr && TSQLMemTableData::SessionIdOf(local) == sessionId_)
          cursors.push_back(local);
    });
    // The cursors act after the tables' cursor lists are released: a cursor that rereads its record
    // takes its table's lock, which a writer may hold while it reaches the cursor list.
    for (TSQLMemLocalCursor* cursor : cursors) action(*cursor);
  } catch (...) {
    database_.UnlockTables();
    throw;
  }
  database_.UnlockTables();
}

void TSQLMemTransaction::AddTable(const AnsiString& tableName, bool exclusive) {
  AnsiString name = AnsiUpperCase(tableName);
  if (name.size() > kMaxTableNameLength) name.resize(kMaxTableNameLength);
  TLockedTable* table = nullptr;
  for (const auto& entry : lockedTables_)
    if (entry->name == name) table = entry.get();
  if (table == nullptr) {
    lockedTables_.push_back(std::make_unique<TLockedTable>());
    table = lockedTables_.back().get();
    table->name = name;
  }
  if (exclusive) {
    LockOrRaise(*table, kLockExclusive, 10827, "X");
  } else {
    LockOrRaise(*table, kLockShared, 10828, "IS");
    LockOrRaise(*table, kLockSharedWrite, 10829, "IRW");
  }
}

void TSQLMemTransaction::LockOrRaise(TLockedTable& table, Integer mode, Integer code, const char* modeText) {
  if (!database_.LockTable(table.name, sessionId_, table.state, mode))
    SQLMemError(code, SQLMemCannotLockTable, {AnsiString(modeText), table.name, sessionId_});
}

void TSQLMemTransaction::Commit(bool /*flush*/) {
  for (const auto& table : lockedTables_) {
    if (table->state.ModificationCount <= 0) continue;
    if (!database_.LockTable(table->name, sessionId_, table->state, kLockCommit)) {
      Rollback();
      SQLMemError(10826, SQLMemCommitFailedRollbackCalled);
    }
  }
  finished_ = 1;
  try {
    ReleaseLocks();
  } catch (...) {  // the commit has happened; a table that stays locked is the database's business
  }
}

void TSQLMemTransaction::Rollback() {
  try {
    ForEachSessionCursor([](TSQLMemLocalCursor& cursor) {
      try {
        RestoreCursor(cursor);
      } catch (...) {  // one cursor failing to go back must not keep the others where they are
        cursor.SetBeginOfData();
      }
    });
  } catch (...) {  // the database's lock failed: the transaction ends all the same
  }
  finished_ = 1;
  ReleaseLocks();
}

void TSQLMemTransaction::RestoreCursor(TSQLMemLocalCursor& cursor) {
  // A cursor opened after the start has no position to go back to, and keeps its buffer.
  if (!cursor.HasSavedPosition()) return;
  cursor.RestorePosition();
  // Nothing was undone: the restored buffer would show the record as it was when the transaction
  // started, so the cursor reads what the table holds now.
  if (cursor.Open == 0 || cursor.CurrentRecordBuffer == nullptr || cursor.Bof != 0 || cursor.Eof != 0) return;
  if (cursor.TableData()->RecordExists(cursor) && cursor.GetRecord(ndCurrent) == nrFound) return;
  // A record deleted meanwhile stays deleted, and its position leads nowhere: the cursor goes to its
  // first record, or before the first with a cleared buffer when it sees none.
  cursor.SetBeginOfData();
  if (cursor.GetRecord(ndNext) == nrFound) return;
  cursor.SetBeginOfData();
  cursor.InitRecordBuffer(cursor.CurrentRecordBuffer);
}

void TSQLMemTransaction::ReleaseLocks() {
  std::vector<std::unique_ptr<TLockedTable>> tables;
  tables.swap(lockedTables_);
  for (const auto& table : tables)
    if (!database_.UnlockTable(table->name, sessionId_, table->state))
      SQLMemError(10825, SQLMemCannotUnlockTableInTransaction, {table->name, sessionId_});
}

void TSQLMemTransaction::CheckFinished() const {
  if (finished_ == 0) SQLMemError(10819, SQLMemTransactionNotFinished);
}
