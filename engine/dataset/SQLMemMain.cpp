#include "engine/dataset/SQLMemMain.h"

#include <memory>
#include "engine/dataset/SQLMemDataSetLink.h"
#include "engine/dataset/SQLMemSessionComponent.h"
#include "engine/foundation/SQLMemConst.h"
#include "engine/foundation/SQLMemExcept.h"
#include "engine/storage/SQLMemCursor.h"
#include "engine/storage/SQLMemDatabaseData.h"
#include "engine/storage/SQLMemSession.h"

bool RebuildTablesOnOpen = false;

namespace {

// Plain pointers on purpose: only the explicit stop step frees these. A program that ends without it
// (a test program, a crash path) must not run session destructors from static destruction, after the
// lists and services they talk to may already be gone.
TThreadList<TSQLMemDataSetLink>* dataSetList = nullptr;
TSQLMemSessionList* sessionList = nullptr;
TSQLMemSessionComponentManager* currentManager = nullptr;
TSQLMemSessionComponentManager* defaultManager = nullptr;

template <typename T>
void FreeAndClear(T*& pointer) noexcept {
  T* doomed = pointer;
  pointer = nullptr;
  delete doomed;
}

[[noreturn]] void RaiseNotInitialized() { SQLMemError(20007, SQLMemDatabaseEngineNotInitialized); }

}  // namespace

void StartDataSetUnit() {
  auto dataSets = std::make_unique<TThreadList<TSQLMemDataSetLink>>();
  auto sessions = std::make_unique<TSQLMemSessionList>();
  dataSetList = dataSets.release();
  sessionList = sessions.release();
  try {
    // The first session of the empty list becomes the default session.
    TSQLMemSession* session = New<TSQLMemSession>(nullptr);
    session->SetSessionName("Default");
  } catch (...) {
    // A step completes or leaves nothing behind.
    FreeAndClear(sessionList);
    FreeAndClear(dataSetList);
    throw;
  }
}

void StopDataSetUnit() noexcept {
  // The sessions go while the list still answers their look-ups (the default one last).
  if (sessionList != nullptr) sessionList->FreeSessions();
  FreeAndClear(sessionList);
  FreeAndClear(dataSetList);
  FreeDefaultSessionManager();
  currentManager = nullptr;
}

TThreadList<TSQLMemDataSetLink>& DataSetList() {
  if (dataSetList == nullptr) RaiseNotInitialized();
  return *dataSetList;
}

TSQLMemSessionList& Sessions() {
  if (sessionList == nullptr) RaiseNotInitialized();
  return *sessionList;
}

bool DataSetUnitStarted() noexcept { return sessionList != nullptr; }

TSQLMemSession& DefaultSession() {
  TSQLMemSession* session = Sessions().DefaultSession();
  if (session == nullptr) RaiseNotInitialized();
  return *session;
}

TSQLMemDatabaseData* FindDatabaseData(const AnsiString& name) {
  TThreadList<TSQLMemDatabaseData>::Locked hold(DatabaseList());
  return FindDatabaseData(false, false, name, u"");
}

void ApplyDataSetCursorOptions(TSQLMemCursor& cursor) { cursor.RebuildOnOpen = RebuildTablesOnOpen ? 1 : 0; }

TSQLMemSessionComponentManager* CurrentSessionManager() { return currentManager; }
void SetCurrentSessionManager(TSQLMemSessionComponentManager* manager) { currentManager = manager; }

TSQLMemSessionComponentManager& CreateDefaultSessionManager() {
  if (defaultManager == nullptr) defaultManager = new TSQLMemSessionComponentManager();
  return *defaultManager;
}

TSQLMemSessionComponentManager& DefaultSessionManager() {
  if (defaultManager == nullptr) RaiseNotInitialized();
  return *defaultManager;
}

void FreeDefaultSessionManager() noexcept {
  if (currentManager == defaultManager) currentManager = nullptr;
  FreeAndClear(defaultManager);
}
