#include "engine/dataset/SQLMemSessionComponent.h"

#include <mutex>
#include "engine/dataset/SQLMemDataSetLink.h"
#include "engine/dataset/SQLMemDatabaseComponent.h"
#include "engine/dataset/SQLMemMain.h"
#include "engine/foundation/SQLMemConst.h"
#include "engine/foundation/SQLMemExcept.h"
#include "engine/storage/SQLMemSession.h"
#include "vcl/db/DBConsts.h"
#include "vcl/rtl/AnsiStrings.h"

namespace {

std::recursive_mutex sessionLock;

// Holds the session lock for a scope.
class TSessionLockHold {
 public:
  TSessionLockHold() { EnterSessionLock(); }
  ~TSessionLockHold() { LeaveSessionLock(); }
  TSessionLockHold(const TSessionLockHold&) = delete;
  TSessionLockHold& operator=(const TSessionLockHold&) = delete;
};

// The session of the owner that names itself, other than `except`; checked before the new session
// joins its owner, so that a refused session never appears there.
TSQLMemSession* AutoNamedSessionOf(const TComponent* owner, const TSQLMemSession* except) {
  if (owner == nullptr) return nullptr;
  for (int i = 0; i < owner->ComponentCount(); ++i) {
    auto* session = dynamic_cast<TSQLMemSession*>(owner->Components(i));
    if (session != nullptr && session != except && session->AutoSessionName()) return session;
  }
  return nullptr;
}

TComponent* CheckOwnerTakesSession(TComponent* owner) {
  if (TSQLMemSession* other = AutoNamedSessionOf(owner, nullptr))
    DatabaseErrorFmt(SAutoSessionExists, {other->SessionName()}, other);
  return owner;
}

}  // namespace

void EnterSessionLock() { sessionLock.lock(); }
void LeaveSessionLock() noexcept { sessionLock.unlock(); }

// ---- TSQLMemSessionList ----

TSQLMemSessionList::TSQLMemSessionList() = default;

TSQLMemSessionList::~TSQLMemSessionList() { FreeSessions(); }

void TSQLMemSessionList::FreeSessions() noexcept {
  for (;;) {
    TSQLMemSession* last = nullptr;
    {
      TThreadList<TSQLMemSession>::Locked list(sessions_);
      if (list->Count() == 0) return;
      last = list->Last();
      list->Delete(list->Count() - 1);
    }
    delete last;
  }
}

void TSQLMemSessionList::AddSession(TSQLMemSession* session) {
  TThreadList<TSQLMemSession>::Locked list(sessions_);
  if (list->Count() == 0) session->default_ = true;
  list->Add(session);
}

void TSQLMemSessionList::RemoveSession(TSQLMemSession* session) { sessions_.Remove(session); }

int TSQLMemSessionList::Count() {
  TThreadList<TSQLMemSession>::Locked list(sessions_);
  return list->Count();
}

TSQLMemSession* TSQLMemSessionList::Items(int index) {
  TThreadList<TSQLMemSession>::Locked list(sessions_);
  return list->Items(index);
}

TSQLMemSession* TSQLMemSessionList::DefaultSession() {
  TThreadList<TSQLMemSession>::Locked list(sessions_);
  for (TSQLMemSession* session : *list)
    if (session->IsDefault()) return session;
  return nullptr;
}

TSQLMemSession* TSQLMemSessionList::FindSession(const AnsiString& name) {
  if (name.empty()) return DefaultSession();
  TThreadList<TSQLMemSession>::Locked list(sessions_);
  for (TSQLMemSession* session : *list)
    if (AnsiCompareText(session->SessionName(), name) == 0) return session;
  return nullptr;
}

TSQLMemSession* TSQLMemSessionList::GetSession(const AnsiString& name) {
  TSQLMemSession* session = FindSession(name);
  if (session == nullptr) SQLMemError(20002, SQLMemInvalidSessionName, {name});
  return session;
}

int TSQLMemSessionList::TakeAutoNameNumber() {
  TSessionLockHold hold;
  const int number = autoNameNumbers_.OpenBit();
  autoNameNumbers_.SetBits(number, true);
  return number;
}

void TSQLMemSessionList::GiveAutoNameNumber(int number) {
  TSessionLockHold hold;
  if (number >= 0 && number < autoNameNumbers_.Size()) autoNameNumbers_.SetBits(number, false);
}

// ---- TSQLMemSession ----

TSQLMemSession::TSQLMemSession(TComponent* owner) : TComponent(CheckOwnerTakesSession(owner)) {
  Sessions().AddSession(this);
}

TSQLMemSession::~TSQLMemSession() {
  Stop();
  ReleaseAutoNameNumber();
  // The databases of the program that still name this session leave it (the temporary ones went with
  // Stop).
  while (databases_.Count() > 0) {
    TSQLMemDatabase* database = databases_.Last();
    databases_.Delete(databases_.Count() - 1);
    database->SessionFreed(this);
  }
  if (DataSetUnitStarted()) Sessions().RemoveSession(this);
}

void TSQLMemSession::SetActive(bool value) {
  if (ComponentState().Contains(csReading)) {
    streamedActive_ = value;
    return;
  }
  if (value == Active()) return;
  if (value)
    Start();
  else
    Stop();
}

void TSQLMemSession::Start() {
  TSessionLockHold hold;
  if (OnStartup) OnStartup(this);
  if (sessionName_.empty()) DatabaseError(SSessionNameMissing, this);
  if (!default_) DefaultSession().SetActive(true);
  if (default_) {
    manager_ = &CreateDefaultSessionManager();
  } else {
    ownManager_ = std::make_unique<TSQLMemSessionComponentManager>();
    manager_ = ownManager_.get();
  }
}

void TSQLMemSession::Stop() noexcept {
  if (manager_ == nullptr) return;
  TSessionLockHold hold;
  SetCurrentSessionManager(manager_);
  for (int i = databases_.Count() - 1; i >= 0; --i) {
    if (i >= databases_.Count()) continue;  // a database that went took others with it
    TSQLMemDatabase* database = databases_.Items(i);
    try {
      if (database->Temporary())
        delete database;
      else
        database->Disconnect();
    } catch (...) {  // stopping goes on: a session stops in a destructor too
    }
  }
  if (default_) {
    FreeDefaultSessionManager();
  } else {
    ownManager_.reset();
    if (DataSetUnitStarted()) {
      TSQLMemSession* fallback = Sessions().DefaultSession();
      SetCurrentSessionManager(fallback != nullptr ? fallback->Manager() : nullptr);
    }
  }
  manager_ = nullptr;
}

void TSQLMemSession::LockSession() {
  if (lockCount_ == 0) {
    EnterSessionLock();
    ++lockCount_;
    try {
      if (!Active()) SetActive(true);
      SetCurrentSessionManager(manager_);
    } catch (...) {
      UnlockSession();
      throw;
    }
  } else {
    ++lockCount_;
  }
}

void TSQLMemSession::UnlockSession() {
  if (lockCount_ == 0) return;
  --lockCount_;
  if (lockCount_ == 0) LeaveSessionLock();
}

void TSQLMemSession::AddDatabase(TSQLMemDatabase* database) {
  databases_.Add(database);
  DBNotification(dbAdd, database);
}

void TSQLMemSession::RemoveDatabase(TSQLMemDatabase* database) {
  databases_.Remove(database);
  DBNotification(dbRemove, database);
}

void TSQLMemSession::DBNotification(TSQLMemDatabaseEventKind kind, TSQLMemDatabase* database) {
  if (OnDBNotify) OnDBNotify(this, kind, database);
}

TSQLMemDatabase* TSQLMemSession::FindDatabase(const AnsiString& name) const {
  for (TSQLMemDatabase* database : databases_)
    if (!database->DatabaseName().empty() && AnsiCompareText(database->DatabaseName(), name) == 0) return database;
  return nullptr;
}

TSQLMemDatabase* TSQLMemSession::GetDatabase(const AnsiString& name, TComponent* /*owner*/) {
  TSQLMemDatabase* database = nullptr;
  LockSession();
  try {
    database = FindDatabase(name);
  } catch (...) {
    UnlockSession();
    throw;
  }
  UnlockSession();
  TSQLMemDatabase* made = nullptr;
  if (database == nullptr) {
    made = New<TSQLMemDatabase>(this);
    database = made;
    try {
      database->SetDatabaseName(name);
      database->SetInMemory(FindDatabaseData(name) != nullptr || name == "MEMORY");
      database->SetKeepConnection(false);
      database->SetTemporary(true);
    } catch (...) {
      delete made;
      throw;
    }
  }
  try {
    database->Connect();
  } catch (...) {
    // The caller reports the database it could not open.
    delete made;
    return nullptr;
  }
  return database;
}

void TSQLMemSession::ReleaseDatabase(TSQLMemDatabase* database) {
  TSessionLockHold hold;
  database->DropReference();
  if (database->ReferenceCount() > 0 || database->KeepConnection()) return;
  if (!database->Temporary())
    database->Disconnect();
  else if (!database->ComponentState().Contains(csDestroying))
    delete database;
}

TSQLMemSession* TSQLMemSession::OtherSessionOfOwner(bool autoOnly) const {
  if (autoOnly) return AutoNamedSessionOf(Owner(), this);
  if (Owner() == nullptr) return nullptr;
  for (int i = 0; i < Owner()->ComponentCount(); ++i) {
    auto* session = dynamic_cast<TSQLMemSession*>(Owner()->Components(i));
    if (session != nullptr && session != this) return session;
  }
  return nullptr;
}

void TSQLMemSession::SetSessionName(const AnsiString& value) {
  if (autoSessionName_ && !autoNaming_) DatabaseError(SAutoSessionActive, this);
  if (Active()) DatabaseError(SSessionActive, this);
  if (!value.empty()) {
    TSQLMemSession* other = Sessions().FindSession(value);
    if (other != nullptr && other != this) DatabaseErrorFmt(SDuplicateSessionName, {value}, this);
  }
  sessionName_ = value;
}

void TSQLMemSession::SetAutoSessionName(bool value) {
  if (value == autoSessionName_) return;
  if (value) {
    if (Active()) DatabaseError(SSessionActive, this);
    if (OtherSessionOfOwner(false) != nullptr) DatabaseError(SAutoSessionExclusive, this);
    autoNameNumber_ = Sessions().TakeAutoNameNumber();
    autoSessionName_ = true;
    try {
      ApplyAutoSessionName();
    } catch (...) {
      autoSessionName_ = false;
      ReleaseAutoNameNumber();
      throw;
    }
  } else {
    autoSessionName_ = false;
    ReleaseAutoNameNumber();
  }
}

void TSQLMemSession::ReleaseAutoNameNumber() noexcept {
  if (autoNameNumber_ < 0) return;
  if (DataSetUnitStarted()) {
    try {
      Sessions().GiveAutoNameNumber(autoNameNumber_);
    } catch (...) {  // nothing to give back to
    }
  }
  autoNameNumber_ = -1;
}

void TSQLMemSession::ApplyAutoSessionName() {
  const AnsiString name = Format("%s_%d", {Name(), autoNameNumber_ + 1});
  autoNaming_ = true;
  try {
    SetSessionName(name);
  } catch (...) {
    autoNaming_ = false;
    throw;
  }
  autoNaming_ = false;
  if (Owner() == nullptr) return;
  for (int i = 0; i < Owner()->ComponentCount(); ++i) {
    TComponent* component = Owner()->Components(i);
    if (auto* dataSet = dynamic_cast<TSQLMemDataSetLink*>(component)) {
      if (AnsiCompareText(dataSet->SessionName(), sessionName_) != 0) dataSet->SetSessionName(sessionName_);
    } else if (auto* database = dynamic_cast<TSQLMemDatabase*>(component)) {
      if (AnsiCompareText(database->SessionName(), sessionName_) != 0) database->SetSession(this);
    }
  }
}

void TSQLMemSession::SetName(const AnsiString& value) {
  TComponent::SetName(value);
  if (autoSessionName_) ApplyAutoSessionName();
}

void TSQLMemSession::Loaded() {
  TComponent::Loaded();
  if (autoSessionName_) ApplyAutoSessionName();
  if (streamedActive_) SetActive(true);
}

void TSQLMemSession::Notification(TComponent* component, TOperation operation) {
  TComponent::Notification(component, operation);
  if (!autoSessionName_ || operation != opInsert || component == this) return;
  if (auto* dataSet = dynamic_cast<TSQLMemDataSetLink*>(component))
    dataSet->SetSessionName(sessionName_);
  else if (auto* database = dynamic_cast<TSQLMemDatabase*>(component))
    database->SetSession(this);
}
