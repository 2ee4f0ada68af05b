#include "engine/sql/SQLMemExprNodeSystem.h"

#include "engine/dataset/SQLMemDefinitions.h"
#include "engine/dataset/SQLMemTable.h"
#include "engine/foundation/SQLMemConst.h"
#include "engine/foundation/SQLMemExcept.h"
#include "engine/foundation/SQLMemTypes.h"

TSQLMemExprNodeSystem::TSQLMemExprNodeSystem(Byte op, const AnsiString& databaseName, const AnsiString& sessionName,
                                             bool inMemory, const AnsiString& fieldName, const AnsiString& tableName)
    : TSQLMemExprNode(op, true, false), table_(New<TSQLMemTable>(nullptr)), fieldName_(fieldName) {
  table_->SetSessionName(sessionName);
  table_->SetTableName(tableName);
  table_->SetInMemory(inMemory);
  table_->SetDatabaseName(databaseName);
  table_->SetReadOnly(true);
  table_->Open();
  try {
    const TSQLMemAdvFieldDef* field = table_->AdvFieldDefs().FindByName(fieldName);
    if (field == nullptr) SQLMemError(30337, SQLMemFieldNotFound, {fieldName});
    fieldType_ = field->FieldType;
  } catch (...) {
    table_->Close();
    throw;
  }
}

TSQLMemExprNodeSystem::~TSQLMemExprNodeSystem() {
  try {
    table_->Close();
  } catch (...) {
    // Closing a read-only table has nothing to write; the component goes either way.
  }
}

TSQLMemVariant& TSQLMemExprNodeSystem::Evaluate() {
  if (operator_ != opLastAutoInc) SQLMemError(30338, SQLMemUnknownOperator, {OperatorName(operator_)});
  value_.Clear(FieldTypeToDataType(fieldType_));
  value_.SetAsLargeInt(table_->GetLastAutoincValueByName(fieldName_));
  return value_;
}
