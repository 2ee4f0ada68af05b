// The sub-query nodes: a scalar "(SELECT ...)", "x [NOT] IN (SELECT ...)" and "[NOT] EXISTS (SELECT ...)".
// Each runs its SELECT through a query component of its own, so the SQL processor is entered again
// while the statement that holds the node is running. Sub-queries are not correlated: the nested text
// sees only its own tables and the statement's parameter values.
#pragma once
#include <memory>

#include "engine/sql/SQLMemExprNode.h"

class TSQLMemQuery;
struct TSQLMemSQLContext;

// A query component for a sub-query of a statement that runs in context: the statement's database,
// session and in-memory flag; live asks for an editable result. The text's parameters take the values
// of the context's parameters of the same names (those without one stay null).
std::unique_ptr<TSQLMemQuery> NewNestedQuery(const AnsiString& sql, const TSQLMemSQLContext& context, bool live);

// Runs every sub-query of the tree under node that has not run yet (see Run). A condition that a
// table's cursor is to test runs them first: inside the cursor's scan their errors could not pass on.
void RunSubQueries(TSQLMemExprNode& node);

// The scalar sub-query, the base of the other two. The query is made and prepared with the node; it
// runs on first use and its answer is kept: the sub-query is evaluated once per node, not per row.
class TSQLMemExprNodeSubQuery : public TSQLMemExprNode {
 public:
  // tested: the operand of IN (nullptr otherwise), which becomes child 0.
  TSQLMemExprNodeSubQuery(const AnsiString& sql, std::unique_ptr<TSQLMemExprNode> tested, bool negated,
                          const TSQLMemSQLContext& context);
  ~TSQLMemExprNodeSubQuery() override;

  // The single row's first column; no row raises 10848, more than one 10849. The query is freed after
  // the run, also when it fails.
  TSQLMemVariant& Evaluate() override;
  // The part of the work that is done once: the scalar and EXISTS answers, the IN query's open.
  virtual void Run();
  // The type of the sub-query's column: the query runs now when it has not yet (a select list asks
  // before any row is read).
  Integer GetResultType() const override;

  const AnsiString& SQLText() const { return sql_; }
  bool Negated() const { return negated_; }
  // The nested query while the node holds it (nullptr once consumed).
  TSQLMemQuery* Query() const { return query_.get(); }

 protected:
  // Opens the query; a failure frees it and passes on.
  void OpenQuery();
  void FreeQuery() noexcept;

  std::unique_ptr<TSQLMemQuery> query_;
  bool negated_;
  bool evaluated_ = false;

 private:
  AnsiString sql_;
  Integer resultType_ = 0;
};

// x [NOT] IN (SELECT ...): the query opens on first use and stays open; each row searches its result
// for x in the first column. A NULL x gives NULL, with or without NOT.
class TSQLMemExprNodeSubQueryIN : public TSQLMemExprNodeSubQuery {
 public:
  using TSQLMemExprNodeSubQuery::TSQLMemExprNodeSubQuery;
  // Without an operand 10850.
  TSQLMemVariant& Evaluate() override;
  void Run() override;
  Integer GetResultType() const override;
};

// [NOT] EXISTS (SELECT ...): whether the result has a row, decided once; the query is freed after it.
class TSQLMemExprNodeSubQueryExists : public TSQLMemExprNodeSubQuery {
 public:
  using TSQLMemExprNodeSubQuery::TSQLMemExprNodeSubQuery;
  TSQLMemVariant& Evaluate() override;
  void Run() override;
  Integer GetResultType() const override;
};
