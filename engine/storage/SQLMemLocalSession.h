// The local session: the connection of one database component to one database of the process-wide
// list. It finds the database by name (or creates an in-memory one), registers with it and so gets
// its session id, forwards the database-level requests to it and owns at most one transaction.
//
// Transactions are refused on the two databases made at start-up ("MEMORY" and "TEMP") and run on any
// other in-memory database; they restore cursor positions and undo no data (see SQLMemTransaction.h).
#pragma once
#include <memory>

#include "engine/storage/SQLMemSession.h"

class TStream;
class TStrings;
class TSQLMemDatabaseData;
class TSQLMemTransaction;

class TSQLMemLocalSession : public TSQLMemBaseSession {
 public:
  TSQLMemLocalSession();
  // Disconnects (errors swallowed). Never raises.
  ~TSQLMemLocalSession() override;

  bool GetConnected() override { return databaseData_ != nullptr; }
  // Nothing when the state does not change. Connect: finds or creates the database and registers with
  // it (the memory database gives the session its id); a failed registration leaves the session
  // unconnected. A session that is neither in-memory nor temporary, or a temporary one that names no
  // temporary database, finds none and is refused with 10888. Disconnect: an open transaction is
  // rolled back and freed, then the session leaves the database (also when the rollback raises, whose
  // error follows).
  void SetConnected(bool connected) override;
  // Creates the in-memory database the session names, which stays in the process-wide list; the
  // session is left unconnected. 20092 when the database is already open; 10888 for other kinds.
  void CreateDatabase() override;
  // In-memory sessions: whether the database is open; others: whether the database file exists.
  bool DatabaseExists() const;
  // The names of the database's tables; connects on demand.
  void GetTableNames(TStrings& names);
  // Whether the database has a table of the name (case does not matter); connects on demand.
  bool TableExists(const AnsiString& name);

  // The database stream of every table (connects on demand): read, replacing tables of the same names,
  // or written with the table streams' compression algorithm and level and header size value.
  void LoadDatabaseFromStream(TStream& stream);
  void SaveDatabaseToStream(TStream& stream, Byte algorithm, Byte level, Int64 headerSizeValue);

  bool InTransaction() const { return transaction_ != nullptr; }
  // 10813 not connected, 10814 a transaction is open, 10831 on "MEMORY" and "TEMP".
  void StartTransaction();
  // 10815 not connected, 10816 no transaction; the transaction commits and is freed.
  void Commit(bool flush);
  // 10817 not connected, 10818 no transaction; the transaction rolls back and is freed. Stored changes
  // stay: only the session's cursors go back to where they stood.
  void Rollback();
  TSQLMemTransaction* Transaction() const { return transaction_.get(); }

  // In-memory or temporary sessions by database name, others by file name; nullptr when none.
  TSQLMemDatabaseData* FindSessionDatabaseData() const;
  // An in-memory session creates a memory database named after its database file name (it joins the
  // process-wide list and stays there); other sessions create nothing.
  TSQLMemDatabaseData* CreateSessionDatabaseData() const;
  TSQLMemDatabaseData* GetSessionDatabaseData() const;
  // The connected database; connects on demand. nullptr when the session finds none.
  TSQLMemDatabaseData* DatabaseData();

 private:
  // Connects; 10888 when the session finds no database.
  void Connect();
  bool TryConnect();
  TSQLMemDatabaseData& RequireDatabaseData();
  // Not virtual, so that the destructor can call it.
  void Disconnect();
  // The database's name, for the messages of transaction statements.
  AnsiString ConnectedDatabaseName() const;

  TSQLMemDatabaseData* databaseData_ = nullptr;  // borrowed
  std::unique_ptr<TSQLMemTransaction> transaction_;
};
