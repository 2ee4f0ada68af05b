// What a data provider asks of the dataset it drives: statements run on the dataset's database,
// transactions, applying one record of updates, and the table, order and key fields the provider
// builds its own statements from. A dataset that supports providers implements the interface; the
// defaults answer as a dataset without a table or text would.
#pragma once
#include <memory>

#include "vcl/rtl/SysTypes.h"

class TDataSet;
class TIndexDef;
class TParams;

enum TUpdateKind : Byte { ukModify = 0, ukInsert = 1, ukDelete = 2 };
enum TUpdateAction : Byte { uaFail = 0, uaAbort = 1, uaSkip = 2, uaRetry = 3, uaApplied = 4 };

class IProviderSupport {
 public:
  virtual ~IProviderSupport() = default;

  // Runs sql with params (by position) on the dataset's database; the rows affected. When resultSet is
  // given it receives the dataset that ran the statement.
  virtual Integer PSExecuteStatement(const AnsiString& sql, const TParams* params,
                                     std::unique_ptr<TDataSet>* resultSet) = 0;
  // The characters that quote a name in the dataset's SQL.
  virtual AnsiString PSGetQuoteChar() = 0;
  virtual bool PSIsSQLBased() = 0;
  virtual bool PSIsSQLSupported() = 0;
  virtual bool PSInTransaction() = 0;
  virtual void PSStartTransaction() = 0;
  virtual void PSEndTransaction(bool commit) = 0;
  // Applies one record of delta itself; false leaves it to the provider.
  virtual bool PSUpdateRecord(TUpdateKind kind, TDataSet& delta) = 0;

  // ---- the table or text behind the dataset ----
  virtual AnsiString PSGetTableName() { return AnsiString(); }
  // The default order as a new index definition; nullptr when there is none.
  virtual std::unique_ptr<TIndexDef> PSGetDefaultOrder() { return nullptr; }
  // The key fields, ";"-separated; empty when none.
  virtual AnsiString PSGetKeyFields() { return AnsiString(); }
  virtual void PSSetCommandText(const AnsiString& /*text*/) {}
  virtual void PSSetParams(const TParams& /*params*/) {}
  virtual void PSExecute() {}
  virtual void PSReset() {}
};
