// The SQL processor base of a query component: its SQL text and parameter values, and the decision
// whether a statement must be prepared again because a parameter value changed since the last run.
// The SQL layer's processor overrides Prepare with its statement runner.
#pragma once
#include <memory>
#include <vector>
#include "engine/foundation/SQLMemVariant.h"
#include "vcl/rtl/SysTypes.h"

class TSQLMemQuery;

struct TSQLMemSQLParam {
  explicit TSQLMemSQLParam(const AnsiString& name);
  AnsiString Name;
  Cardinal NameHashValue;
  TSQLMemVariant Value;
};

class TSQLMemSQLParams {
 public:
  Integer GetCount() const { return static_cast<Integer>(items_.size()); }
  TSQLMemSQLParam& Add(const AnsiString& name);
  TSQLMemSQLParam& GetItem(Integer index) const;  // ERangeError outside 0..count - 1
  void Clear() { items_.clear(); }
  // Folds the value hash of each parameter (the first 256) from a fixed seed: equal values in equal
  // order give equal signatures.
  Integer GetValueSignature() const;

 private:
  std::vector<std::unique_ptr<TSQLMemSQLParam>> items_;
};

class TSQLMemSQLProcessor {
 public:
  explicit TSQLMemSQLProcessor(TSQLMemQuery* query) : Query(query) {}
  virtual ~TSQLMemSQLProcessor() = default;
  TSQLMemSQLProcessor(const TSQLMemSQLProcessor&) = delete;
  TSQLMemSQLProcessor& operator=(const TSQLMemSQLProcessor&) = delete;

  // Clears the needs-preparation flag; after the first preparation a changed parameter signature
  // calls Unprepare. Resets the rows total.
  virtual void Prepare();
  virtual void Unprepare() { NeedsPreparation = 1; }
  void Execute() { Prepare(); }
  void SetSQLText(const char* text) { SQLText = text != nullptr ? text : ""; }

  TSQLMemQuery* Query;  // borrowed
  Int64 RowsTotal = 0;
  AnsiString SQLText;
  TSQLMemSQLParams Params;
  Byte FirstPreparation = 1;
  Integer ParamSignature = 0;
  Byte NeedsPreparation = 0;
};
