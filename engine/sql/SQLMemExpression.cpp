#include "engine/sql/SQLMemExpression.h"

#include <algorithm>

#include "engine/foundation/SQLMemConst.h"
#include "engine/foundation/SQLMemExcept.h"
#include "engine/foundation/SQLMemTypes.h"
#include "engine/foundation/SQLMemValueConvert.h"
#include "engine/storage/SQLMemCursor.h"
#include "engine/storage/SQLMemSQLProcessor.h"
#include "engine/storage/SQLMemSchema.h"
#include "vcl/rtl/AnsiStrings.h"
#include "vcl/rtl/CheckedInt.h"
#include "vcl/rtl/StrUtils.h"
#include "vcl/rtl/Strings.h"

namespace {

std::vector<AnsiString> SplitNames(const AnsiString& text) {
  std::vector<AnsiString> names;
  std::size_t start = 0;
  while (start < text.size()) {
    const std::size_t end = std::min(text.find(';', start), text.size());
    names.push_back(AnsiUpperCase(Trim(std::string_view(text).substr(start, end - start))));
    start = end + 1;
  }
  return names;
}

}  // namespace

void SplitNameList(TStrings& list, const AnsiString& text) {
  list.Clear();
  for (const AnsiString& name : SplitNames(text)) list.Add(name);
}

// ---------------------------------------------------------------------------------------------
// The expression

TSQLMemExpression::TSQLMemExpression() = default;

TSQLMemExpression::TSQLMemExpression(std::unique_ptr<TSQLMemExprNode> root) : root_(std::move(root)) {}

std::unique_ptr<TSQLMemExpression> TSQLMemExpression::CreateWithRoot(std::unique_ptr<TSQLMemExprNode> root) {
  return std::make_unique<TSQLMemExpression>(std::move(root));
}

TSQLMemExpression::~TSQLMemExpression() = default;

void TSQLMemExpression::Clear() { root_.reset(); }

void TSQLMemExpression::Assign(const TSQLMemExpression& source) {
  lexer_ = source.lexer_;
  CaseInsensitive = source.CaseInsensitive;
  PartialCompare = source.PartialCompare;
  NullSemantics = source.NullSemantics;
  InMemory = source.InMemory;
  DatabaseName = source.DatabaseName;
  SessionName = source.SessionName;
  SetParams(source.params_.get());
}

void TSQLMemExpression::SetParams(const TSQLMemSQLParams* params) {
  if (params == nullptr) {
    params_.reset();
    return;
  }
  auto copy = std::make_unique<TSQLMemSQLParams>();
  for (Integer i = 0; i < params->GetCount(); ++i) copy->Add().Assign(params->GetItem(i), true);
  params_ = std::move(copy);
}

TSQLMemVariant* TSQLMemExpression::GetValue(bool keepNull) {
  if (root_ == nullptr) return nullptr;
  TSQLMemVariant& value = root_->Evaluate();
  if (value.IsNull() && !keepNull) value.SetAsBoolean(false);
  return &value;
}

bool TSQLMemExpression::ContainsAggregate() const { return root_ != nullptr && root_->IsAggregated(); }
bool TSQLMemExpression::ContainsCountStar() const { return root_ != nullptr && root_->HasCountAll(); }
bool TSQLMemExpression::IsCountStar() const { return root_ != nullptr && root_->Operator() == opCountAll; }

void TSQLMemExpression::ResetAggregates() {
  if (root_ != nullptr) root_->StartAggregation();
}

void TSQLMemExpression::AccumulateAggregates(Integer count) {
  if (root_ != nullptr) root_->Accumulate(count);
}

Integer TSQLMemExpression::GetResultType() const { return root_ != nullptr ? root_->GetResultType() : 0; }
Integer TSQLMemExpression::GetResultSize() const { return root_ != nullptr ? root_->GetResultSize() : 0; }
Integer TSQLMemExpression::GetResultAttribute() const { return root_ != nullptr ? root_->GetResultAttribute() : 0; }

void TSQLMemExpression::ResolveAliases(std::span<const TSQLMemSelectListItem> items) {
  if (root_ != nullptr) root_->ResolveAliases(items);
}

void TSQLMemExpression::CollectParameters(std::vector<TSQLMemExprNodeConst*>& list) {
  if (root_ != nullptr) root_->CollectParameters(list);
}

void TSQLMemExpression::CheckNoFields() const {
  if (root_ != nullptr) root_->RaiseUnresolvedField();
}

bool TSQLMemExpression::IsField() const { return dynamic_cast<const TSQLMemExprNodeField*>(root_.get()) != nullptr; }
bool TSQLMemExpression::IsConstant() const { return dynamic_cast<const TSQLMemExprNodeConst*>(root_.get()) != nullptr; }
bool TSQLMemExpression::IsNullConstant() const { return IsConstant() && root_->Value().IsNull(); }

void TSQLMemExpression::GetFieldName(AnsiString& tableName, AnsiString& fieldName) const {
  const auto* field = dynamic_cast<const TSQLMemExprNodeField*>(root_.get());
  if (field == nullptr) SQLMemError(30198, SQLMemNodeIsNotField);
  tableName = field->TableName();
  fieldName = field->FieldName();
}

Integer FieldTypeByName(const AnsiString& name) {
  const AnsiString upper = AnsiUpperCase(name);
  for (const TSQLFieldType& row : TypeMap)
    if (upper == row.name) return row.fieldType;
  return 0;
}

AnsiString DataTypeName(Integer fieldType) {
  for (const TSQLFieldType& row : TypeMap)
    if (row.fieldType == fieldType) return row.name;
  return AnsiString();
}

void TSQLMemExpression::BindCursor(TSQLMemCursor* cursor) {
  if (root_ == nullptr) return;
  root_->BindCursor(cursor);
  root_->Reset();
}

void TSQLMemExpression::BindToOperator(TSQLMemColumnSource* source) {
  if (root_ == nullptr) return;
  root_->BindToOperator(source);
  root_->Reset();
}

void TSQLMemExpression::SetRecordBuffer(Byte* recordBuffer) {
  if (root_ == nullptr) return;
  root_->SetRecordBuffer(recordBuffer);
  root_->Reset();
}

void TSQLMemExpression::Reset() {
  if (root_ != nullptr) root_->Reset();
}

bool TSQLMemExpression::GetBooleanValue() {
  if (root_ == nullptr) return true;
  const TSQLMemVariant& result = root_->Evaluate();
  return !result.IsNull() && result.GetAsBoolean();
}

void TSQLMemExpression::AddCondition(std::unique_ptr<TSQLMemExprNode> node) {
  if (node == nullptr) return;
  if (root_ == nullptr) {
    root_ = std::move(node);
  } else if (root_->Operator() == opAnd && dynamic_cast<TSQLMemExprNodeBoolean*>(root_.get()) != nullptr) {
    root_->AddChild(std::move(node));
  } else {
    // A comparison root has no room for a further operand: join both under a new AND.
    auto conjunction = std::make_unique<TSQLMemExprNodeBoolean>(opAnd, true, false);
    conjunction->AddChild(std::move(root_));
    conjunction->AddChild(std::move(node));
    root_ = std::move(conjunction);
  }
}

void TSQLMemExpression::StartBuild(TSQLMemCursor* cursor, bool nullSemantics) {
  Clear();
  cursor_ = cursor;
  NullSemantics = nullSemantics;
}

void TSQLMemExpression::AddEquality(const AnsiString& fieldName, const TSQLMemVariant& value) {
  auto field = std::make_unique<TSQLMemExprNodeField>(cursor_, AnsiString(), fieldName);
  auto constant = std::make_unique<TSQLMemExprNodeConst>(value);
  AddCondition(std::make_unique<TSQLMemExprNodeComparison>(opEqual, std::move(field), std::move(constant),
                                                           NullSemantics, CaseInsensitive, PartialCompare));
}

void TSQLMemExpression::FinishBuild() {
  if (cursor_ != nullptr) Reset();
}

void TSQLMemExpression::BuildLocateCondition(TSQLMemCursor* cursor, const AnsiString& fieldNames,
                                             const Variant& keyValues, bool caseInsensitive, bool partialKey) {
  StartBuild(cursor, false);
  const std::vector<AnsiString> names = SplitNames(fieldNames);
  const bool isArray = VarIsArray(keyValues);
  const Integer low = isArray ? VarArrayLowBound(keyValues) : 0;
  const Integer valueCount = isArray ? VarArrayHighBound(keyValues) - low + 1 : 1;
  const auto nameCount = static_cast<Integer>(names.size());
  if (nameCount != valueCount) SQLMemError(30112, SQLMemFieldNamesKeyValuesCount, {nameCount, valueCount});
  CaseInsensitive = caseInsensitive;
  PartialCompare = partialKey;
  for (Integer i = 0; i < nameCount; ++i) {
    TSQLMemVariant value;
    value.SetAsVariant(isArray ? VarArrayGet(keyValues, low + i) : keyValues);
    AddEquality(names[static_cast<std::size_t>(i)], value);
  }
  // Several names make an AND even when there are only two: AddCondition's AND holds them in order.
  FinishBuild();
}

namespace {

// The table field number of a key column of cursor: by object id when known, else by name.
Integer KeyFieldNo(const TSQLMemCursor& cursor, Integer objectId, const AnsiString& name) {
  Integer fieldNo = objectId >= 0 ? cursor.FieldDefs->IndexOfObjectID(objectId) : -1;
  if (fieldNo < 0) fieldNo = cursor.FieldDefs->IndexOfName(name);
  if (fieldNo < 0) SQLMemError(30115, SQLMemFieldNotFound, {name});
  return fieldNo;
}

}  // namespace

void TSQLMemExpression::BuildForeignKeyCondition(TSQLMemCursor* cursor, TSQLMemCursor* otherCursor,
                                                 const TSQLMemIndexDef& primaryIndex,
                                                 const TSQLMemConstraintDefForeignKeyAction& foreignKey) {
  StartBuild(cursor, false);
  CaseInsensitive = false;
  PartialCompare = false;
  for (std::size_t i = 0; i < foreignKey.Columns.size(); ++i) {
    const TSQLMemConstraintColumn& column = foreignKey.Columns[i];
    TSQLMemVariant value;
    otherCursor->GetFieldValue(value, KeyFieldNo(*otherCursor, column.ObjectId, column.Name), true, true);
    if (value.IsNull()) continue;
    AddEquality(primaryIndex.GetColumn(static_cast<Integer>(i)).Name, value);
  }
  FinishBuild();
}

void TSQLMemExpression::BuildReferencingKeyCondition(TSQLMemCursor* cursor, TSQLMemCursor* otherCursor,
                                                     const TSQLMemIndexDef& primaryIndex,
                                                     const TSQLMemConstraintDefForeignKeyAction& foreignKey) {
  const bool fullMatch = foreignKey.MatchType == 2;
  StartBuild(cursor, fullMatch);
  CaseInsensitive = false;
  PartialCompare = false;
  for (std::size_t i = 0; i < foreignKey.Columns.size(); ++i) {
    const AnsiString& parentColumn = primaryIndex.GetColumn(static_cast<Integer>(i)).Name;
    TSQLMemVariant value;
    otherCursor->GetFieldValue(value, KeyFieldNo(*otherCursor, -1, parentColumn), true, true);
    if (value.IsNull() && !fullMatch) continue;
    AddEquality(foreignKey.Columns[i].Name, value);
  }
  FinishBuild();
}

std::vector<TSQLMemExprNode*> TSQLMemExpression::Conjuncts() const {
  std::vector<TSQLMemExprNode*> conjuncts;
  if (root_ == nullptr) return conjuncts;
  if (root_->Operator() == opAnd && dynamic_cast<TSQLMemExprNodeBoolean*>(root_.get()) != nullptr) {
    for (Integer i = 0; i < root_->ChildCount(); ++i) conjuncts.push_back(&root_->Child(i));
  } else {
    conjuncts.push_back(root_.get());
  }
  return conjuncts;
}

bool TSQLMemExpression::HasImpossibleTextEquality() const {
  for (TSQLMemExprNode* node : Conjuncts()) {
    const auto* comparison = dynamic_cast<const TSQLMemExprNodeComparison*>(node);
    if (comparison != nullptr && comparison->IsConstantLongerThanField()) return true;
  }
  return false;
}

void TSQLMemExpression::AddScanCondition(TSQLMemExprNodeComparison& comparison, const TSQLMemIndexDef& indexDef,
                                         TSQLMemScanSearchConditionArray& conditions, TSQLMemScanPendingList& pending) {
  TSQLMemExprNodeField* field = comparison.FieldOperand();
  TSQLMemExprNodeConst* constant = comparison.ConstOperand();
  if (field == nullptr || constant == nullptr) SQLMemError(20055, SQLMemPointerIsNil);
  TSQLMemCursor* cursor = field->Cursor();
  if (cursor == nullptr) SQLMemError(20054, SQLMemPointerIsNil);
  if (indexDef.GetColumnCount() == 0) SQLMemError(20057, SQLMemInvalidIndexForSearch);
  const bool descending = indexDef.GetColumn(0).Descending != 0;
  TSQLMemScanSearchCondition condition;
  // "5 < A" asks for the keys above 5: with the constant on the left the comparison reads mirrored.
  const bool mirrored = &comparison.Child(0) == constant;
  bool greater = false;
  switch (comparison.Operator()) {
    case opEqual: condition.Kind = 1; break;
    case opGreater:
    case opLess:
      greater = (comparison.Operator() == opGreater) != mirrored;
      condition.Kind = greater != descending ? 3 : 2;
      break;
    default:
      greater = (comparison.Operator() == opGreaterOrEqual) != mirrored;
      condition.Kind = greater != descending ? 5 : 4;
      break;
  }
  Byte* keyBuffer = cursor->AllocRecordBuffer();
  try {
    cursor->InitRecordBuffer(keyBuffer);
    cursor->SetFieldValue(keyBuffer, constant->Value(), field->ColumnIndex(), true);
    condition.KeyBuffer = keyBuffer;
    condition.KeyFieldCount = 1;
    condition.IndexID = indexDef.ObjectId;
    conditions.Add(condition);
    pending.push_back({keyBuffer, &comparison, this});
  } catch (...) {
    cursor->FreeRecordBuffer(keyBuffer);
    throw;
  }
}

void TSQLMemExpression::ExtractScanConditions(const TSQLMemIndexDefs& indexDefs,
                                              TSQLMemScanSearchConditionArray& conditions,
                                              TSQLMemScanPendingList& pending) {
  std::vector<TSQLMemExprNode*> taken;
  for (TSQLMemExprNode* node : Conjuncts()) {
    auto* comparison = dynamic_cast<TSQLMemExprNodeComparison*>(node);
    if (comparison == nullptr) continue;
    for (Integer i = 0; i < indexDefs.GetCount(); ++i) {
      const TSQLMemIndexDef& indexDef = indexDefs.GetItem(i);
      if (!comparison->IsIndexUsableForComparison(indexDef)) continue;
      AddScanCondition(*comparison, indexDef, conditions, pending);
      taken.push_back(comparison);
      break;
    }
  }
  // The taken comparisons now belong to the pending entries until they are given back.
  for (TSQLMemExprNode* node : taken) {
    if (root_.get() == node) {
      (void)root_.release();
      continue;
    }
    std::unique_ptr<TSQLMemExprNode> released = root_->ReleaseChild(node);
    if (released == nullptr) SQLMemError(20059, SQLMemInvalidIndexNo);
    (void)released.release();
  }
  if (root_ != nullptr && root_->Operator() == opAnd && root_->ChildCount() == 0) root_.reset();
}

// ---------------------------------------------------------------------------------------------
// Start-up

void StartExpressionUnit() {
  TSQLMemScanConditionServices services;
  services.ExtractScanConditions = [](TSQLMemExpression& expression, const TSQLMemIndexDefs& indexDefs,
                                      TSQLMemScanSearchConditionArray& conditions, TSQLMemScanPendingList& pending) {
    expression.ExtractScanConditions(indexDefs, conditions, pending);
  };
  services.AddCondition = [](TSQLMemExpression& expression, TSQLMemExprNode* node) {
    expression.AddCondition(std::unique_ptr<TSQLMemExprNode>(node));
  };
  SetScanConditionServices(std::move(services));
}

void StopExpressionUnit() noexcept { SetScanConditionServices({}); }
