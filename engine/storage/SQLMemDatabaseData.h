// One open database of the engine (its tables, its attached sessions and the sequence from which its
// schema objects take their ids) and the process-wide list of all of them. Start-up creates the
// in-memory database "MEMORY" and the temporary database "TEMP".
#pragma once
#include <functional>
#include <memory>
#include <vector>
#include "engine/foundation/SQLMemCriticalSection.h"
#include "engine/storage/SQLMemSchema.h"
#include "vcl/rtl/Lists.h"
#include "vcl/rtl/SysTypes.h"

class TStream;
class TStrings;
class TSQLMemBaseSession;
class TSQLMemLocalSession;
class TSQLMemCursor;

// What a database needs of the tables it owns; the table data derives from it.
class TSQLMemDatabaseTable {
 public:
  virtual ~TSQLMemDatabaseTable() = default;
  virtual const AnsiString& GetTableName() const = 0;
  virtual Cardinal GetNameHash() const = 0;  // NameHash of the upper-cased name
  // Set before the database frees the table, so that its destructor takes itself out of the list.
  virtual void MarkDirectRemoval() {}
};

// Per-table lock bookkeeping of a transaction, handed to LockTable / UnlockTable.
struct TSQLMemTableLockState {
  Integer ExclusiveCount = 0;
  Integer Reserved = 0;
  Integer LockCount = 0;
  Integer ModificationCount = 0;
  Integer SecondLockCount = 0;
  Byte LockFlag = 0;
};

class TSQLMemDatabaseData {
 public:
  // A database of the given kind; it joins the process-wide list.
  TSQLMemDatabaseData(const AnsiString& name, bool inMemory, bool temporary);
  // Frees the tables (errors of one table are swallowed) and leaves the list. Never raises.
  virtual ~TSQLMemDatabaseData();
  TSQLMemDatabaseData(const TSQLMemDatabaseData&) = delete;
  TSQLMemDatabaseData& operator=(const TSQLMemDatabaseData&) = delete;

  virtual void AddSession(TSQLMemBaseSession* session);
  virtual void RemoveSession(TSQLMemBaseSession* session);
  virtual void AfterDetach() {}
  virtual void GetTableNames(TStrings& names);
  // By name hash alone; false for an empty name.
  virtual bool TableExists(const AnsiString& name);
  // The kinds of database store and create their tables themselves; the base raises 30035.
  // The database stream: every table, through cursors of the session.
  virtual void LoadFromStream(TSQLMemLocalSession& session, TStream& stream);
  virtual void SaveToStream(TSQLMemLocalSession& session, TStream& stream, Byte algorithm, Byte level,
                            Int64 headerSizeValue);
  virtual void CreateDatabase(TSQLMemBaseSession* /*session*/) {}
  virtual TSQLMemDatabaseTable* CreateTableData(TSQLMemCursor& cursor);
  // The first table whose name hash is that of the cursor's table name; nullptr when none.
  virtual TSQLMemDatabaseTable* FindTableData(TSQLMemCursor& cursor);
  virtual TSQLMemDatabaseTable* GetTableData(TSQLMemCursor& cursor);
  virtual void GetSessionTableLocks(Integer /*sessionId*/, std::vector<std::pair<AnsiString, TSQLMemTableLockState>>& /*locks*/) {}
  virtual bool LockTable(const AnsiString& /*tableName*/, Integer /*sessionId*/, TSQLMemTableLockState& /*state*/,
                         Integer /*mode*/) {
    return true;
  }
  virtual bool UnlockTable(const AnsiString& /*tableName*/, Integer /*sessionId*/, TSQLMemTableLockState& /*state*/) {
    return true;
  }

  void LockTables(bool write);
  void UnlockTables();
  void AddTable(TSQLMemDatabaseTable* table);     // takes ownership
  void RemoveTable(TSQLMemDatabaseTable* table);  // gives ownership back to the caller
  void FreeAllTables() noexcept;
  // Calls visit with every table, in list order, under the read lock.
  void ForEachTable(const std::function<void(TSQLMemDatabaseTable&)>& visit);
  Integer GetTableCount();
  Integer GetSessionCount();
  // The next object id: 1, 2, 3, ...; past the int32 range ERangeError.
  Integer NextObjectId();
  // The object-id sequence's current value (the last id handed out), which a table stream carries;
  // loading a table raises the sequence to the stream's value and never lowers it.
  Int64 ObjectIdSequenceValue() const { return objectIdSequence_.CurrentValue; }
  void RaiseObjectIdSequenceValue(Int64 value);

  const AnsiString& Name() const { return name_; }
  WideString FileName;
  Byte InMemory() const { return inMemory_; }
  Byte Temporary() const { return temporary_; }
  Cardinal NameHashValue() const;
  Cardinal FileNameHashValue() const;

 private:
  TSQLMemReadWriteThreadSyncByCriticalSections lock_;  // guards the two lists
  std::vector<TSQLMemBaseSession*> sessions_;           // borrowed
  std::vector<TSQLMemDatabaseTable*> tables_;           // owned
  AnsiString name_;
  TSQLMemSequenceDef objectIdSequence_;
  Byte inMemory_;
  Byte temporary_;
};

// Every database of the process, under the list's own re-entrant lock.
TThreadList<TSQLMemDatabaseData>& DatabaseList();

// The database that matches: with memory (or temporary) set, one of that kind by name; with neither,
// by file name when one is given, else by name among every kind; with both, none. Names compare
// regardless of case (NameHash first, then the names themselves).
TSQLMemDatabaseData* FindDatabaseData(bool inMemory, bool temporary, const AnsiString& name,
                                      const WideString& fileName);

// Start-up step of the storage's database list: creates "MEMORY" and "TEMP"; the stop step frees
// them. Databases created on demand belong to whoever created them.
void StartDatabaseListUnit();
void StopDatabaseListUnit() noexcept;
