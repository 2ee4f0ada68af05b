// A session's transaction on one database: the tables it holds locks on and the positions of the
// session's cursors when it started.
//
// No database of this engine keeps per-session page changes, so a transaction neither applies nor
// discards data: every insert, update and delete is stored the moment it is posted, and stays after
// a rollback. What a rollback gives back is the cursors' positions; each cursor then reads its record
// again from the table, so that no buffer shows values that the rollback did not bring back.
#pragma once
#include <memory>
#include <vector>

#include "engine/storage/SQLMemDatabaseData.h"
#include "vcl/rtl/SysTypes.h"

class TSQLMemLocalCursor;
class TSQLMemLocalSession;

class TSQLMemTransaction {
 public:
  // Starts the session's transaction: table locks the database still reports for the session refuse
  // it (10824); the tables it reports are locked for the transaction (10827/10828/10829); every cursor
  // of the session on the database saves its position.
  TSQLMemTransaction(TSQLMemLocalSession& session, TSQLMemDatabaseData& database);
  // Frees the lock entries. Never raises: whether the transaction was finished is CheckFinished's.
  ~TSQLMemTransaction();
  TSQLMemTransaction(const TSQLMemTransaction&) = delete;
  TSQLMemTransaction& operator=(const TSQLMemTransaction&) = delete;

  // Locks the modified tables again for the commit; when one is refused the transaction rolls back
  // and 10826 follows. Otherwise finished, and the locks are released (errors of the release are
  // swallowed). flush would write a page store out; no database of this engine has one.
  void Commit(bool flush);
  // Every cursor of the session goes back to its saved position and rereads its record; finished;
  // the locks are released (10825 for a table the database refuses to unlock). Changes stay stored.
  void Rollback();
  // 10819 "Transaction is not finished" until Commit or Rollback has run.
  void CheckFinished() const;

  bool Finished() const { return finished_ != 0; }
  // Whether a rollback takes stored changes back: never, in this engine (see the top of this file).
  static constexpr bool kRollbackDiscardsChanges = false;

  Integer SessionId() const { return sessionId_; }
  Integer LockedTableCount() const { return static_cast<Integer>(lockedTables_.size()); }

 private:
  struct TLockedTable {
    AnsiString name;  // upper-cased, at most 255 characters
    TSQLMemTableLockState state;
  };

  // Takes the table into the transaction (once per name) and locks it: exclusive in mode 5, else in
  // modes 0 and then 2.
  void AddTable(const AnsiString& tableName, bool exclusive);
  void LockOrRaise(TLockedTable& table, Integer mode, Integer code, const char* modeText);
  // Back to the saved position, then the record as the table holds it now.
  static void RestoreCursor(TSQLMemLocalCursor& cursor);
  // Unlocks every table in list order (10825 on a refusal) and empties the list.
  void ReleaseLocks();
  // The session's cursors on the database's tables, collected under the database's read lock; action
  // runs on each while that lock is held.
  template <class Action>
  void ForEachSessionCursor(Action action);

  Integer sessionId_;
  TSQLMemDatabaseData& database_;
  Byte finished_ = 0;
  std::vector<std::unique_ptr<TLockedTable>> lockedTables_;
};
