#include "engine/storage/SQLMemLocalEngine.h"

#include "engine/storage/SQLMemDatabaseData.h"
#include "engine/storage/SQLMemMemoryTable.h"

namespace {

using TDatabaseListHold = TThreadList<TSQLMemDatabaseData>::Locked;

}  // namespace

TSQLMemLocalSession::~TSQLMemLocalSession() {
  try {
    SetConnected(false);
  } catch (...) {  // a destructor never raises; the database forgets the session with the process
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
  TDatabaseListHold hold(DatabaseList());
  if (connected) {
    TSQLMemDatabaseData* database = GetSessionDatabaseData();
    if (database == nullptr) return;
    database->AddSession(this);
    databaseData_ = database;
  } else {
    TSQLMemDatabaseData* database = databaseData_;
    databaseData_ = nullptr;
    database->RemoveSession(this);
  }
}

TSQLMemDatabaseData* TSQLMemLocalSession::DatabaseData() {
  if (databaseData_ == nullptr) SetConnected(true);
  return databaseData_;
}
