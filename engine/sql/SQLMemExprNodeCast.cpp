#include "engine/sql/SQLMemExprNodeCast.h"

#include "engine/foundation/SQLMemTypes.h"

TSQLMemExprNodeCast::TSQLMemExprNodeCast(std::unique_ptr<TSQLMemExprNode> argument, Integer targetFieldType)
    : TSQLMemExprNode(opCast, true, false, std::move(argument)), targetType_(targetFieldType) {}

TSQLMemVariant& TSQLMemExprNodeCast::Evaluate() {
  TakeConverted(0, FieldTypeToDataType(targetType_));
  return value_;
}
