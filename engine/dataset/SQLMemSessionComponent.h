// Sessions of the dataset components: named groups of database components through which a dataset's
// DatabaseName becomes a live TSQLMemDatabase. A session finds the database component of a name or
// makes a temporary one over the engine's database of that name, and frees it again when its last
// user lets it go. The process has one list of sessions; the first one in it is the default session.
#pragma once
#include <functional>
#include <memory>
#include "vcl/rtl/Component.h"
#include "vcl/rtl/Lists.h"

class TSQLMemDatabase;
class TSQLMemSessionComponentManager;
class TSQLMemSessionList;

// What the session's database-list event reports.
enum TSQLMemDatabaseEventKind {
  dbOpen = 0,    // a database of the session connected
  dbClose = 1,   // one disconnects
  dbAdd = 2,     // one joined the session
  dbRemove = 3,  // one left it
};

class TSQLMemSession : public TComponent {
 public:
  // Refuses with "Cannot add a session to the form or data-module while session '%s' has
  // AutoSessionName enabled" when another session of the owner names itself; joins the session list
  // (the first session of an empty list is the default session).
  explicit TSQLMemSession(TComponent* owner);
  // Stops the session, frees its temporary databases, lets the others go and leaves the list.
  ~TSQLMemSession() override;

  bool Active() const { return manager_ != nullptr; }
  // While the component is read only remembered (Loaded applies it); else starts or stops it.
  void SetActive(bool value);
  bool AutoSessionName() const { return autoSessionName_; }
  void SetAutoSessionName(bool value);
  bool KeepConnections() const { return keepConnections_; }
  void SetKeepConnections(bool value) { keepConnections_ = value; }
  const AnsiString& SessionName() const { return sessionName_; }
  void SetSessionName(const AnsiString& value);
  bool IsDefault() const { return default_; }
  TSQLMemSessionComponentManager* Manager() const { return manager_; }

  TNotifyEvent OnStartup;
  std::function<void(TSQLMemSession* sender, TSQLMemDatabaseEventKind kind, TSQLMemDatabase* database)> OnDBNotify;

  // ---- databases ----
  int DatabaseCount() const { return databases_.Count(); }
  TSQLMemDatabase* Databases(int index) const { return databases_.Items(index); }
  void AddDatabase(TSQLMemDatabase* database);
  void RemoveDatabase(TSQLMemDatabase* database);
  // The first database whose DatabaseName is set and equals name ignoring case; nullptr when none.
  TSQLMemDatabase* FindDatabase(const AnsiString& name) const;
  // The database component of that name, else a new temporary one over the engine's database (kept
  // connected until its last user releases it); connected once more for the caller. nullptr when the
  // database cannot be connected (the caller reports "Cannot open database '%s'").
  TSQLMemDatabase* GetDatabase(const AnsiString& name, TComponent* owner);
  // One user less; with none left and KeepConnection off, a temporary database is freed and a
  // database component of the program disconnected.
  void ReleaseDatabase(TSQLMemDatabase* database);
  // Fires the database-list event (no handler: nothing).
  void DBNotification(TSQLMemDatabaseEventKind kind, TSQLMemDatabase* database);

  // Nests; the outermost lock takes the process-wide session lock and makes this session the current
  // one (starting it when inactive). Each LockSession pairs with one UnlockSession.
  void LockSession();
  void UnlockSession();

  void SetName(const AnsiString& value) override;
  void Loaded() override;
  void Notification(TComponent* component, TOperation operation) override;

 private:
  friend class TSQLMemSessionList;
  void Start();
  void Stop() noexcept;
  // Gives the auto-name number back (when one is held).
  void ReleaseAutoNameNumber() noexcept;
  // Names itself "<Name>_<number>" and hands the name to the datasets and databases of its owner.
  void ApplyAutoSessionName();
  // Another session of the same owner (the first one that names itself when autoOnly).
  TSQLMemSession* OtherSessionOfOwner(bool autoOnly) const;

  bool default_ = false;
  TSQLMemSessionComponentManager* manager_ = nullptr;  // the default session's is the process-wide one
  std::unique_ptr<TSQLMemSessionComponentManager> ownManager_;
  TList<TSQLMemDatabase> databases_;
  bool streamedActive_ = false;
  bool keepConnections_ = true;
  bool autoSessionName_ = false;
  bool autoNaming_ = false;
  AnsiString sessionName_;
  int autoNameNumber_ = -1;
  int lockCount_ = 0;
};

class TSQLMemSessionList : public TObject {
 public:
  TSQLMemSessionList();
  // Frees every session, last first.
  ~TSQLMemSessionList() override;
  void FreeSessions() noexcept;

  void AddSession(TSQLMemSession* session);
  void RemoveSession(TSQLMemSession* session);
  int Count();
  TSQLMemSession* Items(int index);
  // "" gives the default session; else the first session of that name ignoring case; nullptr when none.
  TSQLMemSession* FindSession(const AnsiString& name);
  // As FindSession; none raises 20002 "Invalid session name '%s'".
  TSQLMemSession* GetSession(const AnsiString& name);
  TSQLMemSession* DefaultSession();

  // The numbers that sessions with AutoSessionName hold: the lowest free one is taken.
  int TakeAutoNameNumber();
  void GiveAutoNameNumber(int number);

 private:
  TThreadList<TSQLMemSession> sessions_;
  TBits autoNameNumbers_;
};

// The process-wide session lock (re-entrant): auto-name numbers, database release, session start/stop.
void EnterSessionLock();
void LeaveSessionLock() noexcept;
