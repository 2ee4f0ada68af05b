#include "engine/sql/SQLMemExprNode.h"

#include <algorithm>
#include <array>

#include "engine/foundation/SQLMemConst.h"
#include "engine/foundation/SQLMemExcept.h"
#include "engine/foundation/SQLMemTypes.h"
#include "engine/foundation/SQLMemValueConvert.h"
#include "vcl/rtl/CheckedInt.h"

namespace {

constexpr std::array<const char*, 79> MakeOperatorNames() {
  std::array<const char*, 79> names{};
  names.fill("unknown");
  names[opEqual] = "=";
  names[opNotEqual] = "<>";
  names[opGreater] = ">";
  names[opLess] = "<";
  names[opGreaterOrEqual] = ">=";
  names[opLessOrEqual] = "<=";
  names[opNot] = "NOT";
  names[opAnd] = "AND";
  names[opOr] = "OR";
  names[opLike] = "LIKE";
  names[opNotLike] = "NOT LIKE";
  names[opIsNullFunction] = "ISNULL";
  names[opIsNull] = "IS NULL";
  names[opIsNotNull] = "IS NOT NULL";
  names[opPlus] = "+";
  names[opNegate] = "-";
  names[opMultiply] = "*";
  names[opDivide] = "/";
  names[opConcat] = "||";
  names[opUpper] = "UPPER";
  names[opLower] = "LOWER";
  names[opTrim] = "TRIM";
  names[opLTrim] = "LTRIM";
  names[opRTrim] = "RTRIM";
  names[opSum] = "SUM";
  names[opAvg] = "AVG";
  names[opMin] = "MIN";
  names[opMax] = "MAX";
  names[opCount] = "COUNT";
  names[opCountAll] = "COUNT(*)";
  names[opCumSum] = "CUMSUM";
  names[opCumProd] = "CUMPROD";
  names[opGroupConcat] = "GROUP_CONCAT";
  return names;
}

constexpr std::array<const char*, 79> kOperatorNames = MakeOperatorNames();

// Characters of the text HEX makes of an integer of the type, plus one: two digits per byte.
Integer HexTextSizeOfInteger(Integer fieldType) {
  switch (FieldTypeToDataType(fieldType)) {
    case edtShortInt:
    case edtByte: return 3;
    case edtSmallInt:
    case edtWord: return 5;
    case edtInteger:
    case edtCardinal: return 9;
    case edtLargeInt: return 17;
    default: return 0;
  }
}

Integer HexResultSize(const TSQLMemExprNode& node) {
  const TSQLMemExprNode& source = node.Child(0);
  const Integer sourceType = source.GetResultType() & 0x7F;
  Integer size = 0;
  switch (sourceType) {
    case sftChar:
    case sftVarchar:
    case sftWideVarchar:
    case sftMemo:
    case sftFormattedMemo:
    case sftWideMemo: {
      // Two hexadecimal digits per byte of the text.
      const Integer sourceSize = source.GetResultSize();
      size = sourceSize > 0 ? CheckedAdd(CheckedMul(sourceSize, 2), 2) : 1024;
      break;
    }
    default: size = HexTextSizeOfInteger(sourceType); break;
  }
  if (node.ChildCount() > 1 && !node.Child(1).Value().IsNull()) {
    const Integer style = node.Child(1).Value().GetAsInteger();
    if (style == 1) size = CheckedAdd(size, 1);  // "$"
    if (style == 2) size = CheckedAdd(size, 2);  // "0x"
  }
  return size;
}

}  // namespace

bool IsFloatOrCurrencyFieldType(Integer fieldType) {
  return fieldType == sftSingle || fieldType == sftDouble || fieldType == sftExtended || fieldType == sftCurrency;
}

const char* OperatorName(Integer op) {
  return op >= 0 && op < static_cast<Integer>(kOperatorNames.size()) ? kOperatorNames[static_cast<std::size_t>(op)]
                                                                     : "unknown";
}

TSQLMemExprNode::TSQLMemExprNode(Byte op, bool caseInsensitive, bool partialCompare)
    : CaseInsensitive(caseInsensitive), PartialCompare(partialCompare), operator_(op) {}

TSQLMemExprNode::TSQLMemExprNode(Byte op, bool caseInsensitive, bool partialCompare,
                                 std::unique_ptr<TSQLMemExprNode> child0)
    : TSQLMemExprNode(op, caseInsensitive, partialCompare) {
  AddChild(std::move(child0));
}

TSQLMemExprNode::TSQLMemExprNode(Byte op, bool caseInsensitive, bool partialCompare,
                                 std::unique_ptr<TSQLMemExprNode> child0, std::unique_ptr<TSQLMemExprNode> child1)
    : TSQLMemExprNode(op, caseInsensitive, partialCompare, std::move(child0)) {
  AddChild(std::move(child1));
}

TSQLMemExprNode::TSQLMemExprNode(Byte op, bool caseInsensitive, bool partialCompare,
                                 std::unique_ptr<TSQLMemExprNode> child0, std::unique_ptr<TSQLMemExprNode> child1,
                                 std::unique_ptr<TSQLMemExprNode> child2)
    : TSQLMemExprNode(op, caseInsensitive, partialCompare, std::move(child0), std::move(child1)) {
  AddChild(std::move(child2));
}

void TSQLMemExprNode::Reset() {
  for (auto& child : children_) child->Reset();
}

bool TSQLMemExprNode::RefersOnlyToTable(TSQLMemColumnSource* table) const {
  return std::all_of(children_.begin(), children_.end(), [table](const auto& c) { return c->RefersOnlyToTable(table); });
}

bool TSQLMemExprNode::UsesOperator(TSQLMemColumnSource* source) const {
  return std::any_of(children_.begin(), children_.end(), [source](const auto& c) { return c->UsesOperator(source); });
}

bool TSQLMemExprNode::IsAggregated() const {
  return std::any_of(children_.begin(), children_.end(), [](const auto& c) { return c->IsAggregated(); });
}

bool TSQLMemExprNode::HasCountAll() const {
  return std::any_of(children_.begin(), children_.end(), [](const auto& c) { return c->HasCountAll(); });
}

void TSQLMemExprNode::StartAggregation() {
  for (auto& child : children_) child->StartAggregation();
}

void TSQLMemExprNode::Accumulate(Integer weight) {
  for (auto& child : children_) child->Accumulate(weight);
}

void TSQLMemExprNode::BindToOperator(TSQLMemColumnSource* source) {
  for (auto& child : children_) child->BindToOperator(source);
}

void TSQLMemExprNode::BindCursor(TSQLMemCursor* cursor) {
  for (auto& child : children_) child->BindCursor(cursor);
}

void TSQLMemExprNode::SetRecordBuffer(Byte* recordBuffer) {
  for (auto& child : children_) child->SetRecordBuffer(recordBuffer);
}

Integer TSQLMemExprNode::GetResultType() const {
  Integer type = 0;
  for (std::size_t i = 0; i < children_.size(); ++i) {
    const Integer childType = children_[i]->GetResultType();
    type = i == 0 ? childType : CommonFieldType(type, childType);
  }
  if (type == 0) SQLMemError(30283, SQLMemCannotDetermineExpressionType);
  return type;
}

// Text results only. GROUP_CONCAT has a fixed size; "+", "||", MIN, MAX and CAST hold their operands
// side by side, each counted 1024 when unknown or when the result is a variable-length text; HEX two
// digits per byte of its operand.
Integer TSQLMemExprNode::GetResultSize() const {
  const Integer dataType = FieldTypeToDataType(GetResultType());
  if (!IsTextDataType(dataType)) return 0;
  switch (operator_) {
    case opGroupConcat: return 1024;
    case opPlus:
    case opConcat:
    case opMin:
    case opMax:
    case opCast: {
      Integer size = 0;
      for (const auto& child : children_) {
        const Integer childSize = IsVarStringDataType(dataType) ? 0 : child->GetResultSize();
        size = CheckedAdd(size, childSize > 0 ? childSize : 1024);
      }
      return size;
    }
    case opHex: return HexResultSize(*this);
    default: return 0;
  }
}

bool TSQLMemExprNode::IsAvailableIn(TSQLMemColumnSource* source) const {
  return std::all_of(children_.begin(), children_.end(), [source](const auto& c) { return c->IsAvailableIn(source); });
}

bool TSQLMemExprNode::IsJoinCondition(TSQLMemColumnSource*, TSQLMemColumnSource*) const { return false; }

void TSQLMemExprNode::ResolveAliases(std::span<const TSQLMemSelectListItem> items) {
  for (auto& child : children_) child->ResolveAliases(items);
}

Integer TSQLMemExprNode::FindInFieldList(const TStrings& list) const {
  Integer found = -1;
  for (const auto& child : children_) found = child->FindInFieldList(list);
  return found;
}

void TSQLMemExprNode::CollectParameters(std::vector<TSQLMemExprNodeConst*>& list) {
  for (auto& child : children_) child->CollectParameters(list);
}

void TSQLMemExprNode::RaiseUnresolvedField() const {
  for (const auto& child : children_) child->RaiseUnresolvedField();
}

void TSQLMemExprNode::TakeConverted(Integer index, Integer dataType) {
  value_.Assign(Child(index).Evaluate(), false);
  if (value_.IsNull())
    value_.Clear(dataType);
  else
    value_.ConvertTo(dataType);
}

TSQLMemExprNode& TSQLMemExprNode::Child(Integer index) const {
  CheckIndex(index, children_.size());
  return *children_[static_cast<std::size_t>(index)];
}

void TSQLMemExprNode::AddChild(std::unique_ptr<TSQLMemExprNode> child) { children_.push_back(std::move(child)); }

std::unique_ptr<TSQLMemExprNode> TSQLMemExprNode::ReleaseChild(const TSQLMemExprNode* child) {
  auto it = std::find_if(children_.begin(), children_.end(), [child](const auto& c) { return c.get() == child; });
  if (it == children_.end()) return nullptr;
  std::unique_ptr<TSQLMemExprNode> released = std::move(*it);
  children_.erase(it);
  return released;
}
