// A stand-in for the engine's dataset component: it names a database and a session and holds the
// database the way the dataset does (the session finds or makes it; the dataset joins its list and
// lets it go again through the session).
#pragma once
#include "engine/dataset/SQLMemDataSetLink.h"
#include "engine/dataset/SQLMemDatabaseComponent.h"
#include "engine/dataset/SQLMemMain.h"
#include "engine/dataset/SQLMemSessionComponent.h"
#include "vcl/db/DBConsts.h"
#include "vcl/rtl/Component.h"

class TDataSetDouble : public TComponent, public TSQLMemDataSetLink {
 public:
  explicit TDataSetDouble(TComponent* owner, AnsiString databaseName = "MEMORY")
      : TComponent(owner), databaseName_(std::move(databaseName)) {}
  ~TDataSetDouble() override { Release(); }

  const AnsiString& SessionName() const override { return sessionName_; }
  void SetSessionName(const AnsiString& value) override { sessionName_ = value; }
  void CloseDataSet() override {
    ++closes;
    if (!keepsHoldOnClose) Release();
  }

  void Hold() {
    if (database_ != nullptr) return;
    TSQLMemSession* session = Sessions().GetSession(sessionName_);
    database_ = session->GetDatabase(databaseName_, Owner());
    if (database_ == nullptr) DatabaseErrorFmt("Cannot open database '%s'", {databaseName_}, this);
    database_->AddDataSet(this);
  }
  void Release() {
    if (database_ == nullptr) return;
    TSQLMemDatabase* database = database_;
    database_ = nullptr;
    database->RemoveDataSet(this);
    database->Session()->ReleaseDatabase(database);
  }
  TSQLMemDatabase* Database() const { return database_; }

  int closes = 0;
  // Like a dataset that keeps its cursor and its hold over a close.
  bool keepsHoldOnClose = false;

 private:
  AnsiString databaseName_;
  AnsiString sessionName_;
  TSQLMemDatabase* database_ = nullptr;
};
