// The database component: one engine database inside a session. It owns the engine connection (a
// local session) while connected, counts its users, lists the datasets that hold it, and carries the
// record and SQL events that the engine's datasets and queries fire.
#pragma once
#include <functional>
#include <memory>
#include <vector>
#include "engine/foundation/SQLMemVariant.h"
#include "vcl/rtl/Component.h"
#include "vcl/rtl/Lists.h"

class TSQLMemDataSet;
class TSQLMemDataSetLink;
class TSQLMemQuery;
class TSQLMemSession;
class TSQLMemLocalSession;

// One value per field of a record.
using TSQLMemArrayOfTSQLMemVariant = std::vector<std::unique_ptr<TSQLMemVariant>>;

using TSQLMemOnError = std::function<void(TComponent* sender, Integer errorCode, Integer nativeError,
                                          const AnsiString& errorMessage)>;
using TSQLMemBeforeInsertRecord = std::function<void(TSQLMemDataSet* sender, const AnsiString& tableName,
                                                     const TSQLMemArrayOfTSQLMemVariant& fieldValues, bool& abort)>;
using TSQLMemAfterInsertRecord = std::function<void(TSQLMemDataSet* sender, const AnsiString& tableName,
                                                    const TSQLMemArrayOfTSQLMemVariant& fieldValues)>;
using TSQLMemBeforeUpdateRecord =
    std::function<void(TSQLMemDataSet* sender, const AnsiString& tableName, const TSQLMemArrayOfTSQLMemVariant& oldFieldValues,
                       const TSQLMemArrayOfTSQLMemVariant& newFieldValues, bool& abort)>;
using TSQLMemAfterUpdateRecord =
    std::function<void(TSQLMemDataSet* sender, const AnsiString& tableName, const TSQLMemArrayOfTSQLMemVariant& oldFieldValues,
                       const TSQLMemArrayOfTSQLMemVariant& newFieldValues)>;
using TSQLMemBeforeDeleteRecord = TSQLMemBeforeInsertRecord;
using TSQLMemAfterDeleteRecord = TSQLMemAfterInsertRecord;
using TSQLMemBeforeExecuteSQL = std::function<void(TSQLMemQuery* sender, bool& abort)>;
using TSQLMemAfterExecuteSQL = std::function<void(TSQLMemQuery* sender)>;

class TSQLMemDatabase : public TComponent {
 public:
  // Joins the owner when it is a session, else the default session; "MEMORY", in memory, not connected.
  explicit TSQLMemDatabase(TComponent* owner);
  ~TSQLMemDatabase() override;

  // Kept and streamed; the engine components never fire it.
  TSQLMemOnError OnError;
  TSQLMemBeforeInsertRecord BeforeInsertRecord;
  TSQLMemBeforeUpdateRecord BeforeUpdateRecord;
  TSQLMemBeforeDeleteRecord BeforeDeleteRecord;
  TSQLMemBeforeExecuteSQL BeforeExecuteSQL;
  TSQLMemAfterInsertRecord AfterInsertRecord;
  TSQLMemAfterUpdateRecord AfterUpdateRecord;
  TSQLMemAfterDeleteRecord AfterDeleteRecord;
  TSQLMemAfterExecuteSQL AfterExecuteSQL;

  // The datasets and queries fire the events through these. The Before ones answer whether a handler
  // asked to abort (false without a handler).
  bool DoBeforeInsertRecord(TSQLMemDataSet* sender, const AnsiString& tableName, const TSQLMemArrayOfTSQLMemVariant& values);
  void DoAfterInsertRecord(TSQLMemDataSet* sender, const AnsiString& tableName, const TSQLMemArrayOfTSQLMemVariant& values);
  bool DoBeforeUpdateRecord(TSQLMemDataSet* sender, const AnsiString& tableName, const TSQLMemArrayOfTSQLMemVariant& oldValues,
                            const TSQLMemArrayOfTSQLMemVariant& newValues);
  void DoAfterUpdateRecord(TSQLMemDataSet* sender, const AnsiString& tableName, const TSQLMemArrayOfTSQLMemVariant& oldValues,
                           const TSQLMemArrayOfTSQLMemVariant& newValues);
  bool DoBeforeDeleteRecord(TSQLMemDataSet* sender, const AnsiString& tableName, const TSQLMemArrayOfTSQLMemVariant& values);
  void DoAfterDeleteRecord(TSQLMemDataSet* sender, const AnsiString& tableName, const TSQLMemArrayOfTSQLMemVariant& values);
  bool DoBeforeExecuteSQL(TSQLMemQuery* sender);
  void DoAfterExecuteSQL(TSQLMemQuery* sender);

  // ---- connection ----
  bool Connected() const { return connection_ != nullptr; }
  // While being read only remembered (Loaded applies it); else Connect or Disconnect.
  void SetConnected(bool value);
  // Connected already: one user more. Else "Database name missing" for an empty name, the session
  // attached and started, the engine connection made ("Database open error" when it cannot be) and
  // opened; an open failure passes on, except while the owner is still being read, when the component
  // quietly stays closed.
  void Connect();
  // Closes every dataset that holds the database and frees the connection; the user count drops to 0.
  void Disconnect();
  Integer ReferenceCount() const { return referenceCount_; }
  // One user less (never below 0); the session's ReleaseDatabase decides what follows.
  void DropReference() {
    if (referenceCount_ > 0) --referenceCount_;
  }
  TSQLMemLocalSession* Connection() const { return connection_.get(); }
  bool ReadOnly() const { return readOnly_; }

  const AnsiString& DatabaseName() const { return databaseName_; }
  // Disconnects first; "Cannot perform this operation on an open database" when another database of
  // the session has the name, unless that one is an unused temporary database, which is freed.
  void SetDatabaseName(const AnsiString& value);
  bool InMemory() const { return inMemory_; }
  void SetInMemory(bool value);
  const AnsiString& DatabaseFileName() const { return databaseFileName_; }
  void SetDatabaseFileName(const AnsiString& value) { databaseFileName_ = value; }
  const WideString& DatabaseFileNameUnicode() const { return databaseFileNameUnicode_; }
  void SetDatabaseFileNameUnicode(const WideString& value) { databaseFileNameUnicode_ = value; }
  bool KeepConnection() const { return keepConnection_; }
  // Off while nobody uses the database closes it.
  void SetKeepConnection(bool value);
  bool Temporary() const { return temporary_; }
  void SetTemporary(bool value) { temporary_ = value; }
  // Set by DROP DATABASE on the component it makes for the drop: skips the name checks.
  bool Forced() const { return forced_; }
  void SetForced(bool value) { forced_ = value; }

  TSQLMemSession* Session() const { return session_; }
  const AnsiString& SessionName() const { return sessionName_; }
  // Moves the component to the session of that name when it next attaches (a connected one
  // disconnects first).
  void SetSessionName(const AnsiString& value);
  // Joins that session now (a session with AutoSessionName hands itself to its owner's databases).
  void SetSession(TSQLMemSession* session);
  // The session that holds the component is being freed: the component leaves it.
  void SessionFreed(TSQLMemSession* session) noexcept;

  // ---- the datasets that hold the database ----
  int DataSetCount() const { return dataSets_.Count(); }
  TSQLMemDataSetLink* DataSets(int index) const { return dataSets_.Items(index); }
  void AddDataSet(TSQLMemDataSetLink* dataSet);  // once
  void RemoveDataSet(TSQLMemDataSetLink* dataSet);

  // ---- database operations ----
  // Creates the in-memory database the component names (20092 when it is open already).
  void CreateDatabase();
  // In memory: frees the engine's database of the name with all its tables (11747 while other sessions
  // use it; nothing when the engine has none). Otherwise deletes the database file.
  void DeleteDatabase();
  // Whether the database has a table of the name; a closed component is connected for the question and
  // closed again; false for an empty name or when it cannot connect.
  bool TableExists(const AnsiString& name);

  void Loaded() override;
  void Notification(TComponent* component, TOperation operation) override;

 private:
  void CheckDatabaseName() const;
  void AttachSession(bool mustExist);
  void CheckNameConflict(const AnsiString& name);
  void CheckCanChange();
  std::unique_ptr<TSQLMemLocalSession> MakeConnection();

  TList<TSQLMemDataSetLink> dataSets_;  // borrowed: each dataset leaves when it lets the database go
  bool keepConnection_ = true;
  bool temporary_ = false;
  bool streamedConnected_ = false;
  bool readOnly_ = false;
  Integer referenceCount_ = 0;
  std::unique_ptr<TSQLMemLocalSession> connection_;
  TSQLMemSession* session_ = nullptr;
  AnsiString sessionName_;
  AnsiString databaseName_ = "MEMORY";
  bool inMemory_ = true;
  AnsiString databaseFileName_;
  WideString databaseFileNameUnicode_;
  bool forced_ = false;
};

// Registers the session and database components for form definitions.
void RegisterSQLMemDatabaseComponents();
