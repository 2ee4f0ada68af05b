#include "engine/dataset/SQLMemDatabaseComponent.h"

#include "engine/dataset/SQLMemDataSetLink.h"
#include "engine/dataset/SQLMemMain.h"
#include "engine/dataset/SQLMemSessionComponent.h"
#include "engine/foundation/SQLMemConst.h"
#include "engine/foundation/SQLMemExcept.h"
#include "engine/foundation/SQLMemSettings.h"
#include "engine/storage/SQLMemDatabaseData.h"
#include "engine/storage/SQLMemLocalSession.h"
#include "vcl/db/DBConsts.h"
#include "vcl/db/DataSet.h"
#include "vcl/rtl/AnsiStrings.h"
#include "vcl/rtl/FileUtils.h"
#include "vcl/rtl/PropertyTable.h"

namespace {

// The engine session's first option byte carries the component's read-only state into the connection
// and back out of it; the second has no meaning yet and goes in as 0.
constexpr int kReadOnlyOption = 1;

// Holds a session's LockSession for a scope.
class TSessionHold {
 public:
  explicit TSessionHold(TSQLMemSession& session) : session_(session) { session_.LockSession(); }
  ~TSessionHold() { session_.UnlockSession(); }
  TSessionHold(const TSessionHold&) = delete;
  TSessionHold& operator=(const TSessionHold&) = delete;

 private:
  TSQLMemSession& session_;
};

// The databases start-up makes live as long as the engine: dropping one empties it.
bool IsStartupDatabase(const TSQLMemDatabaseData& data) { return data.Name() == "MEMORY" || data.Name() == "TEMP"; }

}  // namespace

TSQLMemDatabase::TSQLMemDatabase(TComponent* owner) : TComponent(owner) {
  auto* ownerSession = dynamic_cast<TSQLMemSession*>(owner);
  session_ = ownerSession != nullptr ? ownerSession : &DefaultSession();
  sessionName_ = session_->SessionName();
  session_->AddDatabase(this);
  if (!DataSetInDesignState && owner != nullptr && owner->ComponentState().Contains(csDesigning))
    DataSetInDesignState = true;
}

TSQLMemDatabase::~TSQLMemDatabase() {
  try {
    Disconnect();
  } catch (...) {  // a destructor never raises; the connection is gone whatever the datasets did
  }
  connection_.reset();
  if (session_ != nullptr) session_->RemoveDatabase(this);
}

// ---- events ----

bool TSQLMemDatabase::DoBeforeInsertRecord(TSQLMemDataSet* sender, const AnsiString& tableName,
                                           const TSQLMemArrayOfTSQLMemVariant& values) {
  bool abort = false;
  if (BeforeInsertRecord) BeforeInsertRecord(sender, tableName, values, abort);
  return abort;
}

void TSQLMemDatabase::DoAfterInsertRecord(TSQLMemDataSet* sender, const AnsiString& tableName,
                                          const TSQLMemArrayOfTSQLMemVariant& values) {
  if (AfterInsertRecord) AfterInsertRecord(sender, tableName, values);
}

bool TSQLMemDatabase::DoBeforeUpdateRecord(TSQLMemDataSet* sender, const AnsiString& tableName,
                                           const TSQLMemArrayOfTSQLMemVariant& oldValues,
                                           const TSQLMemArrayOfTSQLMemVariant& newValues) {
  bool abort = false;
  if (BeforeUpdateRecord) BeforeUpdateRecord(sender, tableName, oldValues, newValues, abort);
  return abort;
}

void TSQLMemDatabase::DoAfterUpdateRecord(TSQLMemDataSet* sender, const AnsiString& tableName,
                                          const TSQLMemArrayOfTSQLMemVariant& oldValues,
                                          const TSQLMemArrayOfTSQLMemVariant& newValues) {
  if (AfterUpdateRecord) AfterUpdateRecord(sender, tableName, oldValues, newValues);
}

bool TSQLMemDatabase::DoBeforeDeleteRecord(TSQLMemDataSet* sender, const AnsiString& tableName,
                                           const TSQLMemArrayOfTSQLMemVariant& values) {
  bool abort = false;
  if (BeforeDeleteRecord) BeforeDeleteRecord(sender, tableName, values, abort);
  return abort;
}

void TSQLMemDatabase::DoAfterDeleteRecord(TSQLMemDataSet* sender, const AnsiString& tableName,
                                          const TSQLMemArrayOfTSQLMemVariant& values) {
  if (AfterDeleteRecord) AfterDeleteRecord(sender, tableName, values);
}

bool TSQLMemDatabase::DoBeforeExecuteSQL(TSQLMemQuery* sender) {
  bool abort = false;
  if (BeforeExecuteSQL) BeforeExecuteSQL(sender, abort);
  return abort;
}

void TSQLMemDatabase::DoAfterExecuteSQL(TSQLMemQuery* sender) {
  if (AfterExecuteSQL) AfterExecuteSQL(sender);
}

// ---- connection ----

void TSQLMemDatabase::SetConnected(bool value) {
  if (ComponentState().Contains(csReading)) {
    streamedConnected_ = value;
    return;
  }
  if (value == Connected()) return;
  if (value)
    Connect();
  else
    Disconnect();
}

void TSQLMemDatabase::CheckDatabaseName() const {
  if (databaseName_.empty() && !temporary_) DatabaseError(SDatabaseNameMissing, this);
}

std::unique_ptr<TSQLMemLocalSession> TSQLMemDatabase::MakeConnection() {
  auto connection = std::make_unique<TSQLMemLocalSession>();
  const bool temporaryDatabase = temporary_ && databaseName_ == "TEMP";
  connection->InMemory = inMemory_ && !temporaryDatabase ? 1 : 0;
  connection->Temporary = temporaryDatabase ? 1 : 0;
  connection->DatabaseName = databaseName_;
  connection->DatabaseFileName = connection->InMemory != 0 || temporaryDatabase ? databaseName_ : databaseFileName_;
  connection->DatabaseFileNameUnicode = databaseFileNameUnicode_;
  connection->Option1 = readOnly_ ? kReadOnlyOption : 0;
  connection->Option2 = 0;
  return connection;
}

void TSQLMemDatabase::Connect() {
  if (Connected()) {
    ++referenceCount_;
    return;
  }
  CheckDatabaseName();
  AttachSession(true);
  TSQLMemSession& session = *session_;
  session.LockSession();
  std::unique_ptr<TSQLMemLocalSession> connection;
  try {
    connection = MakeConnection();
  } catch (...) {  // no connection: reported below in the component's own words
  }
  if (connection == nullptr) {
    session.UnlockSession();
    DatabaseError(SQLMemDatabaseOpenError, this);
  }
  // A form still being created opens its databases quietly when it can: the form still comes up.
  const bool quiet = OwnerBeingCreated(this);
  try {
    connection->SetConnected(true);
  } catch (...) {
    connection.reset();
    session.UnlockSession();
    if (quiet) return;
    throw;
  }
  readOnly_ = connection->Option1 == kReadOnlyOption;
  connection_ = std::move(connection);
  try {
    DefaultSession().DBNotification(dbOpen, this);
  } catch (...) {
    session.UnlockSession();
    if (quiet) return;
    throw;
  }
  session.UnlockSession();
  ++referenceCount_;
}

void TSQLMemDatabase::Disconnect() {
  if (!Connected()) return;
  if (DataSetUnitStarted()) DefaultSession().DBNotification(dbClose, this);
  // Each close releases the dataset's hold and so takes it out of the list; a dataset that keeps its
  // hold over a close is let go here, so that the loop always ends. The extra use keeps the last
  // release from freeing a temporary database in the middle of its own disconnect.
  ++referenceCount_;
  while (dataSets_.Count() > 0) {
    TSQLMemDataSetLink* dataSet = dataSets_.Last();
    dataSet->CloseDataSet();
    dataSets_.Remove(dataSet);
  }
  connection_.reset();
  referenceCount_ = 0;
}

void TSQLMemDatabase::AttachSession(bool mustExist) {
  TSQLMemSession* session = mustExist ? Sessions().GetSession(sessionName_) : Sessions().FindSession(sessionName_);
  if (session != nullptr && session != session_) {
    if (session_ != nullptr) session_->RemoveDatabase(this);
    session_ = session;
    if (session->Owner() != Owner()) session->FreeNotification(this);
    session->AddDatabase(this);
    try {
      CheckNameConflict(databaseName_);
    } catch (...) {
      databaseName_.clear();
      throw;
    }
  }
  if (mustExist && session_ != nullptr) session_->SetActive(true);
}

void TSQLMemDatabase::CheckNameConflict(const AnsiString& name) {
  if (forced_ || name.empty() || session_ == nullptr) return;
  TSQLMemDatabase* other = nullptr;
  for (int i = 0; i < session_->DatabaseCount() && other == nullptr; ++i) {
    TSQLMemDatabase* database = session_->Databases(i);
    if (database != this && AnsiCompareText(database->DatabaseName(), name) == 0) other = database;
  }
  if (other == nullptr) return;
  // A temporary database that nobody uses gives its name up; any other keeps it.
  if (!other->temporary_ || other->referenceCount_ > 0) DatabaseError(SDatabaseOpen, this);
  delete other;
}

void TSQLMemDatabase::CheckCanChange() {
  if (Connected()) DatabaseError(SDatabaseOpen, this);
}

void TSQLMemDatabase::SetDatabaseName(const AnsiString& value) {
  if (value == databaseName_) return;
  if (!forced_) {
    Disconnect();
    if (!ComponentState().Contains(csReading)) {
      CheckCanChange();
      CheckNameConflict(value);
    }
  }
  databaseName_ = value;
}

void TSQLMemDatabase::SetInMemory(bool value) {
  if (value == inMemory_) return;
  Disconnect();
  if (!ComponentState().Contains(csReading)) {
    CheckCanChange();
    CheckNameConflict(databaseName_);
  }
  inMemory_ = value;
}

void TSQLMemDatabase::SetKeepConnection(bool value) {
  if (value == keepConnection_) return;
  keepConnection_ = value;
  if (!value && referenceCount_ == 0) Disconnect();
}

void TSQLMemDatabase::SetSessionName(const AnsiString& value) {
  if (value == sessionName_) return;
  Disconnect();
  sessionName_ = value;
}

void TSQLMemDatabase::SetSession(TSQLMemSession* session) {
  if (session == session_) {
    sessionName_ = session->SessionName();
    return;
  }
  Disconnect();
  if (session_ != nullptr) session_->RemoveDatabase(this);
  session_ = session;
  sessionName_ = session->SessionName();
  session->AddDatabase(this);
}

void TSQLMemDatabase::SessionFreed(TSQLMemSession* session) noexcept {
  if (session != session_) return;
  try {
    Disconnect();
  } catch (...) {  // the session is going whatever the datasets did
  }
  connection_.reset();
  referenceCount_ = 0;
  session_ = nullptr;
  sessionName_.clear();
}

void TSQLMemDatabase::AddDataSet(TSQLMemDataSetLink* dataSet) {
  if (dataSets_.IndexOf(dataSet) < 0) dataSets_.Add(dataSet);
}

void TSQLMemDatabase::RemoveDataSet(TSQLMemDataSetLink* dataSet) { dataSets_.Remove(dataSet); }

// ---- database operations ----

void TSQLMemDatabase::CreateDatabase() {
  CheckDatabaseName();
  AttachSession(true);
  if (Connected()) DatabaseError(SDatabaseOpen, this);
  TSessionHold hold(*session_);
  std::unique_ptr<TSQLMemLocalSession> connection = MakeConnection();
  if (connection == nullptr) DatabaseError(SQLMemCannotCreateDatabase, this);
  connection->CreateDatabase();
}

void TSQLMemDatabase::DeleteDatabase() {
  if (!forced_) {
    CheckDatabaseName();
    AttachSession(true);
    if (Connected()) DatabaseError(SDatabaseOpen, this);
  }
  if (!inMemory_) {
    if (!databaseFileNameUnicode_.empty())
      DeleteFile(databaseFileNameUnicode_);
    else
      DeleteFile(databaseFileName_);
    return;
  }
  TThreadList<TSQLMemDatabaseData>::Locked hold(DatabaseList());
  TSQLMemDatabaseData* data = FindDatabaseData(databaseName_);
  if (data == nullptr) return;
  if (!forced_ && data->GetSessionCount() > 0) SQLMemError(11747, SQLMemDatabaseUsedByOtherSessions, {databaseName_});
  if (IsStartupDatabase(*data))
    data->FreeAllTables();
  else
    delete data;
}

bool TSQLMemDatabase::TableExists(const AnsiString& name) {
  if (name.empty()) return false;
  const bool wasConnected = Connected();
  if (!wasConnected) {
    try {
      SetConnected(true);
    } catch (...) {
      return false;
    }
  }
  bool exists = false;
  try {
    if (Connected()) exists = connection_->TableExists(name);
  } catch (...) {
    if (!wasConnected) SetConnected(false);
    throw;
  }
  if (!wasConnected) SetConnected(false);
  return exists;
}

void TSQLMemDatabase::Loaded() {
  TComponent::Loaded();
  if (streamedConnected_)
    Connect();
  else
    AttachSession(false);
}

void TSQLMemDatabase::Notification(TComponent* component, TOperation operation) {
  TComponent::Notification(component, operation);
  if (operation == opRemove && component == session_ && session_ != nullptr && !session_->IsDefault()) {
    Disconnect();
    sessionName_.clear();
  }
}

void RegisterSQLMemDatabaseComponents() {
  // The component base is registered once, by whichever component family comes first.
  if (FindPropertyTable(typeid(TComponent)) == nullptr) {
    RegisterStreamedClass<TComponent>("TComponent",
                                      [](TPropertyTableOf<TComponent>& p) { p.IntegerProp("Tag", &TComponent::SetTag); });
  }
  RegisterStreamedClass<TSQLMemSession, TComponent>("TSQLMemSession", [](TPropertyTableOf<TSQLMemSession>& p) {
    p.BoolProp("Active", &TSQLMemSession::SetActive);
    p.BoolProp("AutoSessionName", &TSQLMemSession::SetAutoSessionName);
    p.BoolProp("KeepConnections", &TSQLMemSession::SetKeepConnections);
    p.StringProp("SessionName", &TSQLMemSession::SetSessionName);
    p.EventProp("OnStartup", &TSQLMemSession::OnStartup);
  });
  RegisterStreamedClass<TSQLMemDatabase, TComponent>("TSQLMemDatabase", [](TPropertyTableOf<TSQLMemDatabase>& p) {
    p.BoolProp("Connected", &TSQLMemDatabase::SetConnected);
    p.StringProp("DatabaseName", &TSQLMemDatabase::SetDatabaseName);
    p.BoolProp("InMemory", &TSQLMemDatabase::SetInMemory);
    p.EventProp("OnError", &TSQLMemDatabase::OnError);
    p.EventProp("BeforeInsertRecord", &TSQLMemDatabase::BeforeInsertRecord);
    p.EventProp("BeforeUpdateRecord", &TSQLMemDatabase::BeforeUpdateRecord);
    p.EventProp("BeforeDeleteRecord", &TSQLMemDatabase::BeforeDeleteRecord);
    p.EventProp("BeforeExecuteSQL", &TSQLMemDatabase::BeforeExecuteSQL);
    p.EventProp("AfterInsertRecord", &TSQLMemDatabase::AfterInsertRecord);
    p.EventProp("AfterUpdateRecord", &TSQLMemDatabase::AfterUpdateRecord);
    p.EventProp("AfterDeleteRecord", &TSQLMemDatabase::AfterDeleteRecord);
    p.EventProp("AfterExecuteSQL", &TSQLMemDatabase::AfterExecuteSQL);
  });
}
