#include "engine/sql/SQLMemExprNodeIsNull.h"

#include <algorithm>

#include "engine/foundation/SQLMemConst.h"
#include "engine/foundation/SQLMemExcept.h"
#include "engine/foundation/SQLMemTypes.h"
#include "engine/foundation/SQLMemValueConvert.h"

TSQLMemExprNodeIsNullFunction::TSQLMemExprNodeIsNullFunction(std::unique_ptr<TSQLMemExprNode> first,
                                                             std::unique_ptr<TSQLMemExprNode> second)
    : TSQLMemExprNode(opIsNullFunction, true, false) {
  AddChild(std::move(first));
  if (second != nullptr) AddChild(std::move(second));
}

TSQLMemVariant& TSQLMemExprNodeIsNullFunction::Evaluate() {
  if (children_.size() == 1) {
    const bool isNull = Child(0).Evaluate().IsNull();
    value_.Clear(edtBoolean);
    value_.SetAsBoolean(isNull);
  } else if (children_.size() == 2) {
    value_.Assign(Child(0).Evaluate(), true);
    if (!value_.IsNull()) return value_;
    if (firstType_ == 0 && secondType_ == 0) {
      firstType_ = Child(0).GetResultType();
      secondType_ = Child(1).GetResultType();
    }
    if (firstType_ != secondType_ && !(IsScalarFieldType(firstType_) && IsScalarFieldType(secondType_)))
      SQLMemError(11600, SQLMemFunctionTypesMismatch, {"ISNULL", firstType_, secondType_});
    TakeConverted(1, FieldTypeToDataType(firstType_));
  }
  return value_;
}

Integer TSQLMemExprNodeIsNullFunction::GetResultType() const {
  if (children_.size() == 1) return sftBoolean;
  if (children_.size() == 2) return CommonFieldType(Child(0).GetResultType(), Child(1).GetResultType());
  return 0;
}

Integer TSQLMemExprNodeIsNullFunction::GetResultSize() const {
  Integer size = 0;
  for (const auto& child : children_) size = std::max(size, child->GetResultSize());
  return size;
}
