#include "engine/sql/SQLMemExprNodeComparison.h"

#include "engine/foundation/SQLMemConst.h"
#include "engine/foundation/SQLMemExcept.h"
#include "engine/foundation/SQLMemValueConvert.h"
#include "engine/sql/SQLMemColumnSource.h"
#include "engine/storage/SQLMemSchema.h"
#include "vcl/rtl/AnsiStrings.h"

TSQLMemExprNodeComparison::TSQLMemExprNodeComparison(Byte op, std::unique_ptr<TSQLMemExprNode> left,
                                                     std::unique_ptr<TSQLMemExprNode> right, bool rawNull,
                                                     bool caseInsensitive, bool partialCompare)
    : TSQLMemExprNode(op, caseInsensitive, partialCompare), RawNull(rawNull) {
  value_.Clear(edtBoolean);
  AddChild(std::move(left));
  if (right != nullptr) AddChild(std::move(right));
}

TSQLMemExprNodeField* TSQLMemExprNodeComparison::FieldOperand() const {
  for (const auto& child : children_)
    if (auto* field = dynamic_cast<TSQLMemExprNodeField*>(child.get())) return field;
  return nullptr;
}

TSQLMemExprNodeConst* TSQLMemExprNodeComparison::ConstOperand() const {
  for (const auto& child : children_)
    if (auto* constant = dynamic_cast<TSQLMemExprNodeConst*>(child.get())) return constant;
  return nullptr;
}

void TSQLMemExprNodeComparison::Reset() {
  TSQLMemExprNode::Reset();
  TSQLMemExprNodeField* field = FieldOperand();
  TSQLMemExprNodeConst* constant = ConstOperand();
  if (field == nullptr || constant == nullptr) return;
  if ((field->DataType() == edtChar || field->DataType() == edtVarchar) && constant->Value().IsWide()) {
    TSQLMemVariant narrow(edtVarchar);
    narrow.Assign(constant->Value(), true);
    narrow.ConvertTo(edtVarchar);
    constant->SetValue(narrow);
  }
}

TSQLMemVariant& TSQLMemExprNodeComparison::Evaluate() {
  if (operator_ == opIsNull || operator_ == opIsNotNull) {
    const bool isNull = Child(0).Evaluate().IsNull();
    value_.Clear(edtBoolean);
    value_.SetAsBoolean(isNull == (operator_ == opIsNull));
    return value_;
  }
  if (operator_ < opEqual || operator_ > opLessOrEqual) SQLMemError(30117, SQLMemUnknownOperator, {OperatorName(operator_)});
  TSQLMemVariant& left = Child(0).Evaluate();
  TSQLMemVariant& right = Child(1).Evaluate();
  const Integer r = left.Compare(right, RawNull, PartialCompare, CaseInsensitive);
  bool result = false;
  switch (operator_) {
    case opEqual: result = r == ccEqual; break;
    case opNotEqual: result = r != ccEqual; break;
    case opGreater: result = r == ccGreater; break;
    case opLess: result = r == ccLess; break;
    case opGreaterOrEqual: result = r == ccEqual || r == ccGreater; break;
    default: result = r == ccEqual || r == ccLess; break;
  }
  value_.Clear(edtBoolean);
  value_.SetAsBoolean(result);
  return value_;
}

bool TSQLMemExprNodeComparison::IsJoinCondition(TSQLMemColumnSource* left, TSQLMemColumnSource* right) const {
  if (operator_ != opEqual || ChildCount() != 2) return false;
  const auto* first = dynamic_cast<const TSQLMemExprNodeField*>(&Child(0));
  const auto* second = dynamic_cast<const TSQLMemExprNodeField*>(&Child(1));
  if (first == nullptr || second == nullptr) return false;
  struct Found {
    Integer inLeft, inRight;
  };
  auto find = [left, right](const TSQLMemExprNodeField& field, Integer ambiguityCode) {
    auto count = [&field](TSQLMemColumnSource* source) {
      if (source == nullptr) return 0;
      TSQLMemIntegerArray matches(0, 4, 64);
      return source->FindColumns(field.FieldName(), field.TableName(), matches, false);
    };
    const Found found{count(left), count(right)};
    if (found.inLeft + found.inRight > 1) SQLMemError(ambiguityCode, SQLMemAmbiguousFieldReference, {field.FieldName()});
    return found;
  };
  const Found a = find(*first, 10404);
  const Found b = find(*second, 10405);
  if (a.inLeft + a.inRight != 1 || b.inLeft + b.inRight != 1) return false;
  return a.inLeft != b.inLeft;
}

bool TSQLMemExprNodeComparison::IsIndexUsableForComparison(const TSQLMemIndexDef& indexDef) const {
  const TSQLMemExprNodeField* field = FieldOperand();
  if (field == nullptr || ConstOperand() == nullptr || indexDef.GetColumnCount() == 0) return false;
  const TSQLMemIndexColumn& column = indexDef.GetColumn(0);
  // Names spelt alike (the usual case) need no case mapping.
  if (field->FieldName() != column.Name && AnsiUpperCase(field->FieldName()) != AnsiUpperCase(column.Name)) return false;
  if (IsTextDataType(field->DataType()) && (column.CaseInsensitive != 0) != CaseInsensitive) return false;
  if (PartialCompare) return false;
  return operator_ == opEqual || (operator_ >= opGreater && operator_ <= opLessOrEqual);
}

bool TSQLMemExprNodeComparison::IsConstantLongerThanField() const {
  const TSQLMemExprNodeField* field = FieldOperand();
  const TSQLMemExprNodeConst* constant = ConstOperand();
  if (operator_ != opEqual || field == nullptr || constant == nullptr) return false;
  // BLOB text has no declared size to exceed.
  if (!IsTextDataType(field->DataType()) || IsBLOBDataType(field->DataType())) return false;
  if (constant->Value().IsNull()) return false;
  return constant->Value().GetTextLength() > field->DeclaredSize();
}
