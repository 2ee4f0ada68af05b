#include "engine/storage/SQLMemLocalSession.h"

#include "engine/foundation/SQLMemConst.h"
#include "engine/foundation/SQLMemExcept.h"
#include "engine/foundation/SQLMemStreams.h"
#include "engine/storage/SQLMemDatabaseData.h"
#include "engine/storage/SQLMemMemoryTable.h"
#include "engine/storage/SQLMemTransaction.h"

namespace {

using TDatabaseListHold = TThreadList<TSQLMemDatabaseData>::Locked;

// The databases made at start-up, on which no transaction runs.
bool IsStartupDatabase(const AnsiString& name) { return name == "MEMORY" || name == "TEMP"; }

[[noreturn]] void RefuseDatabaseKind() { SQLMemError(10888, SQLMemOperationNotSupported); }

}  // namespace

TSQLMemLocalSession::TSQLMemLocalSession() = default;

TSQLMemLocalSession::~TSQLMemLocalSession() {
  try {
    Disconnect();
  } catch (...) {  // a destructor never raises; Disconnect has left the database whatever happened
  }
}

TSQLMemDatabaseData* TSQLMemLocalSession::FindSessionDatabaseData() const {
  TDatabaseListHold hold(DatabaseList());
  if (InMemory != 0 || Temporary != 0) return FindDatabaseData(InMemory != 0, Temporary != 0, DatabaseName, u"");
  return FindDatabaseData(false, false, DatabaseFileName, DatabaseFileNameUnicode);
}

TSQLMemDatabaseData* TSQLMemLocalSession::CreateSessionDatabaseData() const {
  TDatabaseListHold hold(DatabaseList());
  if (InMemory == 0) return nullptr;
  // The database joins the process-wide list in its constructor and stays there.
  return new TSQLMemMemoryDatabaseData(DatabaseFileName.empty() ? DatabaseName : DatabaseFileName);
}

TSQLMemDatabaseData* TSQLMemLocalSession::GetSessionDatabaseData() const {
  TDatabaseListHold hold(DatabaseList());
  TSQLMemDatabaseData* database = FindSessionDatabaseData();
  return database != nullptr ? database : CreateSessionDatabaseData();
}

void TSQLMemLocalSession::SetConnected(bool connected) {
  if (connected == GetConnected()) return;
  if (connected)
    Connect();
  else
    Disconnect();
}

void TSQLMemLocalSession::Connect() {
  TDatabaseListHold hold(DatabaseList());
  if (!TryConnect()) RefuseDatabaseKind();
}

bool TSQLMemLocalSession::TryConnect() {
  TDatabaseListHold hold(DatabaseList());
  transaction_.reset();
  TSQLMemDatabaseData* database = GetSessionDatabaseData();
  if (database == nullptr) return false;
  // A refused registration leaves the session as it was: unconnected.
  database->AddSession(this);
  databaseData_ = database;
  return true;
}

void TSQLMemLocalSession::Disconnect() {
  if (databaseData_ == nullptr) return;
  TDatabaseListHold hold(DatabaseList());
  std::exception_ptr rollbackError;
  if (transaction_ != nullptr) {
    try {
      transaction_->Rollback();
    } catch (...) {
      rollbackError = std::current_exception();
    }
    transaction_.reset();
  }
  TSQLMemDatabaseData* database = databaseData_;
  databaseData_ = nullptr;
  database->RemoveSession(this);
  if (rollbackError) std::rethrow_exception(rollbackError);
}

void TSQLMemLocalSession::CreateDatabase() {
  TDatabaseListHold hold(DatabaseList());
  if (FindSessionDatabaseData() != nullptr) SQLMemError(20092, SQLMemDatabaseAlreadyOpen);
  TSQLMemDatabaseData* database = CreateSessionDatabaseData();
  if (database == nullptr) RefuseDatabaseKind();
  database->CreateDatabase(this);
}

bool TSQLMemLocalSession::DatabaseExists() const {
  if (InMemory != 0) return FindSessionDatabaseData() != nullptr;
  return FileExistsAnsiOrWide(DatabaseFileName, DatabaseFileNameUnicode);
}

TSQLMemDatabaseData* TSQLMemLocalSession::DatabaseData() {
  if (databaseData_ == nullptr) TryConnect();
  return databaseData_;
}

TSQLMemDatabaseData& TSQLMemLocalSession::RequireDatabaseData() {
  if (databaseData_ == nullptr) Connect();
  return *databaseData_;
}

void TSQLMemLocalSession::GetTableNames(TStrings& names) { RequireDatabaseData().GetTableNames(names); }

bool TSQLMemLocalSession::TableExists(const AnsiString& name) { return RequireDatabaseData().TableExists(name); }

void TSQLMemLocalSession::LoadDatabaseFromStream(TStream& stream) { RequireDatabaseData().LoadFromStream(*this, stream); }

void TSQLMemLocalSession::SaveDatabaseToStream(TStream& stream, Byte algorithm, Byte level, Int64 headerSizeValue) {
  RequireDatabaseData().SaveToStream(*this, stream, algorithm, level, headerSizeValue);
}

AnsiString TSQLMemLocalSession::ConnectedDatabaseName() const { return databaseData_->Name(); }

void TSQLMemLocalSession::StartTransaction() {
  TDatabaseListHold hold(DatabaseList());
  if (databaseData_ == nullptr) SQLMemError(10813, SQLMemNilPointer);
  if (transaction_ != nullptr) SQLMemError(10814, SQLMemTransactionAlreadyStarted, {ConnectedDatabaseName()});
  if (IsStartupDatabase(databaseData_->Name())) SQLMemError(10831, SQLMemTransactionOnlyDiskDatabases);
  transaction_ = std::make_unique<TSQLMemTransaction>(*this, *databaseData_);
}

void TSQLMemLocalSession::Commit(bool flush) {
  if (databaseData_ == nullptr) SQLMemError(10815, SQLMemNilPointer);
  if (transaction_ == nullptr) SQLMemError(10816, SQLMemTransactionNotStarted, {ConnectedDatabaseName()});
  // A refused commit has rolled back: the transaction is over either way.
  std::unique_ptr<TSQLMemTransaction> transaction = std::move(transaction_);
  transaction->Commit(flush);
}

void TSQLMemLocalSession::Rollback() {
  if (databaseData_ == nullptr) SQLMemError(10817, SQLMemNilPointer);
  if (transaction_ == nullptr) SQLMemError(10818, SQLMemTransactionNotStarted, {ConnectedDatabaseName()});
  std::unique_ptr<TSQLMemTransaction> transaction = std::move(transaction_);
  transaction->Rollback();
}
