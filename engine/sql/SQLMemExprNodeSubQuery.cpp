#include "engine/sql/SQLMemExprNodeSubQuery.h"

#include "engine/dataset/SQLMemQuery.h"
#include "engine/foundation/SQLMemConst.h"
#include "engine/foundation/SQLMemExcept.h"
#include "engine/foundation/SQLMemTypes.h"
#include "engine/sql/SQLMemSQLCommand.h"
#include "engine/storage/SQLMemSQLProcessor.h"
#include "engine/storage/SQLMemSchema.h"
#include "vcl/db/Params.h"

namespace {

// An engine value as the value of a query parameter, in the framework type of its data type.
void AssignParamValue(TParam& param, const TSQLMemVariant& value) {
  const Byte dataType = value.DataType();
  const TFieldType type = FieldTypeToVCLFieldType(DataTypeToFieldType(dataType));
  if (value.IsNull()) {
    param.Clear();
    param.SetDataType(type);
  } else if (dataType == edtBLOB) {
    param.SetAsBlob(value.GetAsString());
  } else if (dataType == edtMemo) {
    param.SetAsMemo(value.GetAsString());
  } else if (IsWideDataType(dataType)) {
    param.SetAsWideString(value.GetAsWideString());
  } else {
    param.SetDataType(type);
    param.SetValue(value.GetAsVariant());
  }
}

}  // namespace

std::unique_ptr<TSQLMemQuery> NewNestedQuery(const AnsiString& sql, const TSQLMemSQLContext& context, bool live) {
  std::unique_ptr<TSQLMemQuery> query(New<TSQLMemQuery>(nullptr));
  query->SQL().SetText(sql);
  query->SetInMemory(context.InMemory);
  if (!context.DatabaseName.empty()) query->SetDatabaseName(context.DatabaseName);
  if (!context.SessionName.empty()) query->SetSessionName(context.SessionName);
  query->SetRequestLive(live);
  if (context.Params == nullptr) return query;
  TParams& params = query->Params();
  for (int i = 0; i < params.Count(); ++i) {
    TParam& param = *params.Items(i);
    if (const TSQLMemSQLParam* outer = context.Params->FindParam(param.Name())) AssignParamValue(param, outer->Value);
  }
  return query;
}

TSQLMemExprNodeSubQuery::TSQLMemExprNodeSubQuery(const AnsiString& sql, std::unique_ptr<TSQLMemExprNode> tested,
                                                 bool negated, const TSQLMemSQLContext& context)
    : TSQLMemExprNode(0, false, false), query_(NewNestedQuery(sql, context, false)), negated_(negated), sql_(sql) {
  if (tested != nullptr) AddChild(std::move(tested));
  query_->Prepare();
}

TSQLMemExprNodeSubQuery::~TSQLMemExprNodeSubQuery() { FreeQuery(); }

void TSQLMemExprNodeSubQuery::FreeQuery() noexcept {
  if (query_ == nullptr) return;
  try {
    query_->Close();
  } catch (...) {
    // The component closes itself again as it goes.
  }
  query_.reset();
}

void TSQLMemExprNodeSubQuery::OpenQuery() {
  try {
    query_->Open();
  } catch (...) {
    FreeQuery();
    throw;
  }
}

void RunSubQueries(TSQLMemExprNode& node) {
  if (auto* subQuery = dynamic_cast<TSQLMemExprNodeSubQuery*>(&node)) subQuery->Run();
  for (Integer i = 0; i < node.ChildCount(); ++i) RunSubQueries(node.Child(i));
}

void TSQLMemExprNodeSubQuery::Run() {
  if (evaluated_) return;
  evaluated_ = true;
  OpenQuery();
  try {
    const Integer rows = query_->RecordCount();
    if (rows == 0) SQLMemError(10848, SQLMemSubqueryReturnsNoRows);
    if (rows > 1) SQLMemError(10849, SQLMemSubqueryReturnsMultipleRows);
    resultType_ = query_->EngineFieldDefs().GetFieldDef(0).FieldType;
    query_->First();
    query_->GetFieldValue(value_, 0);
  } catch (...) {
    FreeQuery();
    throw;
  }
  FreeQuery();
}

TSQLMemVariant& TSQLMemExprNodeSubQuery::Evaluate() {
  Run();
  return value_;
}

Integer TSQLMemExprNodeSubQuery::GetResultType() const {
  // The run is the one Evaluate would make: the node's answer does not change by being asked early.
  const_cast<TSQLMemExprNodeSubQuery*>(this)->Run();
  return resultType_;
}

void TSQLMemExprNodeSubQueryIN::Run() {
  if (evaluated_) return;
  evaluated_ = true;
  OpenQuery();
}

TSQLMemVariant& TSQLMemExprNodeSubQueryIN::Evaluate() {
  Run();
  if (ChildCount() == 0) SQLMemError(10850, SQLMemInSubQueryNoArgument);
  const TSQLMemVariant& tested = Child(0).Evaluate();
  value_.Clear(edtBoolean);
  // NULL IN (...) is unknown, and so is its negation; so is the answer of a query whose run failed.
  if (tested.IsNull() || query_ == nullptr) return value_;
  const AnsiString fieldName = query_->EngineFieldDefs().GetFieldDef(0).Name;
  const bool found = query_->Locate(fieldName, tested.GetAsVariant(), {});
  value_.SetAsBoolean(found != negated_);
  return value_;
}

Integer TSQLMemExprNodeSubQueryIN::GetResultType() const { return sftBoolean; }

void TSQLMemExprNodeSubQueryExists::Run() {
  if (evaluated_) return;
  evaluated_ = true;
  OpenQuery();
  bool any = false;
  try {
    any = !query_->IsEmpty();
  } catch (...) {
    FreeQuery();
    throw;
  }
  FreeQuery();
  value_.Clear(edtBoolean);
  value_.SetAsBoolean(any != negated_);
}

TSQLMemVariant& TSQLMemExprNodeSubQueryExists::Evaluate() {
  Run();
  return value_;
}

Integer TSQLMemExprNodeSubQueryExists::GetResultType() const { return sftBoolean; }
