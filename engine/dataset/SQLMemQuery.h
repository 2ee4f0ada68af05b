// The query component: a dataset that runs an SQL text through the engine's SQL processor. It keeps the
// text and its parameters, turns "?" markers into named parameters, hands the parameter values to the
// processor as engine values and reads the last statement's result cursor as its own records. A text
// that yields no result runs through ExecuteSQL.
//
// The processor exists while the query is prepared and owns the result cursor; the dataset borrows
// that cursor. So unpreparing an open query closes it first, and a query without parameters unprepares
// when it closes, while one with parameters keeps its processor so that a new run with new values
// reuses it (the processor parses the text again at every run).
#pragma once
#include <memory>
#include <vector>

#include "engine/dataset/SQLMemDataSet.h"
#include "vcl/db/DataSource.h"
#include "vcl/db/Params.h"
#include "vcl/rtl/Strings.h"

class TSQLMemLocalSQLProcessor;
class TSQLMemQuery;

// The link through which a query follows its master data source: a new master record or a master that
// opens runs the query again, so that its parameters take the master's values.
class TSQLMemQueryDataLink : public TDetailDataLink {
 public:
  explicit TSQLMemQueryDataLink(TSQLMemQuery& query) : query_(query) {}
  TDataSet* GetDetailDataSet() override;

 protected:
  void ActiveChanged() override;
  void RecordChanged(TField* field) override;
  void CheckBrowseMode() override;

 private:
  TSQLMemQuery& query_;
};

class TSQLMemQuery : public TSQLMemDataSet {
 public:
  explicit TSQLMemQuery(TComponent* owner);
  ~TSQLMemQuery() override;

  // ---- properties ----
  // The text; every change closes and unprepares the query and re-reads the parameters (SQLChanged).
  TStringList& SQL() const { return *sql_; }
  // Takes value's text when it differs from the current one; the change handler runs once.
  void SetSQL(const TStrings& value);
  TParams& Params() const { return *params_; }
  // Values by name; the parameter list itself stays.
  void SetParams(const TParams& value) { params_->AssignValues(value); }
  TParam* ParamByName(std::string_view name) const { return params_->ParamByName(name); }
  bool ParamCheck() const { return paramCheck_; }
  void SetParamCheck(bool value) { paramCheck_ = value; }
  bool RequestLive() const { return requestLive_; }
  void SetRequestLive(bool value) { requestLive_ = value; }
  // The master: every parameter that is not bound takes the value of the master's field of its name at
  // each run. A source linked to this query raises "Circular datalinks are not allowed".
  TDataSource* MasterSource() const { return dataLink_->DataSource(); }
  void SetDataSource(TDataSource* value);
  // The master fields that parameters name, and the query's fields of the same names.
  void GetDetailLinkFields(std::vector<TField*>& masterFields, std::vector<TField*>& detailFields) override;
  // Closes and opens an open query while its master is open and not setting a key.
  void RefreshFromMaster();
  // The text as the processor receives it: markers in their named form.
  const AnsiString& ParsedText() const { return parsedText_; }

  // ---- preparation and execution ----
  bool Prepared() const { return prepared_; }
  // True on an open query raises 30141; True with a text shorter than 2 characters 30142. False closes
  // an open query first, so that no dataset reads a freed result.
  void SetPrepared(bool value);
  void Prepare();
  void Unprepare();
  // Runs a text that needs no result; the query must be inactive. The execution hold is released also
  // when the run fails.
  void ExecuteSQL();
  // -1 before any run and after each preparation until the next run; then the rows that run's
  // statements affected, also after the query was unprepared.
  Integer RowsAffected() const;

  // ---- form definitions ----
  // The bytes of the definition's "Data", kept as they are and written back; dropped when SQL changes.
  const std::vector<Byte>& StoredData() const { return storedData_; }
  // "Data" while there are stored bytes; "ParamData" (the parameters with their types and values)
  // while there are parameters.
  void DefineProperties(TFiler& filer) override;

  void CloseDataSet() override;
  void HoldDatabase(Byte reason, bool hold) override;

  // ---- provider support (SQLMemQueryProvider.cpp) ----
  // The table the text reads when it is a SELECT of one table, else empty.
  AnsiString PSGetTableName() override;
  // The order of the text's ORDER BY as a new index definition (its columns, the descending and the
  // case-insensitive ones; a position names the result's column); nullptr without an ORDER BY of
  // columns.
  std::unique_ptr<TIndexDef> PSGetDefaultOrder() override;
  // A non-empty text becomes SQL.
  void PSSetCommandText(const AnsiString& text) override;
  // A non-empty list becomes Params; the query closes either way.
  void PSSetParams(const TParams& params) override;
  void PSExecute() override;

 protected:
  TDataSource* GetDataSource() override { return dataLink_->DataSource(); }
  TSQLMemCursor* CreateCursorHandle() override;
  void DestroyCursorHandle() override;

 private:
  // The change handler of SQL.
  void SQLChanged();
  // Replaces "?" markers of the text by named ones; the nested change runs with converting_ set.
  void ConvertMarkers();
  // The core of Open and ExecuteSQL: runs the text; the result cursor when wantCursor (may be nil).
  TSQLMemCursor* ExecuteQuery(bool wantCursor);
  void PrepareSQL(const AnsiString& text);
  void HandOverParams();
  void BindMasterValues();

  std::unique_ptr<TSQLMemLocalSQLProcessor> processor_;
  std::unique_ptr<TStringList> sql_;
  bool prepared_ = false;
  std::unique_ptr<TParams> params_;
  AnsiString parsedText_;
  std::unique_ptr<TSQLMemQueryDataLink> dataLink_;
  Integer rowsAffected_ = -1;
  bool requestLive_ = false;
  bool paramCheck_ = true;
  bool rowsPending_ = false;
  bool ran_ = false;  // a run since the last preparation
  bool converting_ = false;
  std::vector<Byte> storedData_;
};

// Registers the query and its parameters for form definitions (the dataset's registration first).
void RegisterSQLMemQuery();
