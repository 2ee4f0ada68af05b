#include "engine/sql/SQLMemExprNodeAggregated.h"

#include "engine/dataset/SQLMemDefinitions.h"
#include "engine/dataset/SQLMemTable.h"
#include "engine/foundation/SQLMemArrays.h"
#include "engine/foundation/SQLMemConst.h"
#include "engine/foundation/SQLMemExcept.h"
#include "engine/foundation/SQLMemTypes.h"
#include "engine/foundation/SQLMemValueConvert.h"
#include "vcl/rtl/CheckedInt.h"

TSQLMemExprNodeAggregated::TSQLMemExprNodeAggregated(Byte op) : TSQLMemExprNode(op, true, false) {}

TSQLMemExprNodeAggregated::TSQLMemExprNodeAggregated(Byte op, bool descending, std::unique_ptr<TSQLMemExprNode> argument,
                                                     bool distinct, std::unique_ptr<TSQLMemExprNode> separator)
    : TSQLMemExprNode(op, true, false), distinct_(distinct), descending_(descending) {
  if (argument != nullptr) AddChild(std::move(argument));
  if (separator != nullptr) AddChild(std::move(separator));
}

TSQLMemExprNodeAggregated::~TSQLMemExprNodeAggregated() { DropTemporaryTable(); }

void TSQLMemExprNodeAggregated::DropTemporaryTable() noexcept {
  if (table_ == nullptr) return;
  try {
    if (table_->Active()) table_->Close();
    table_->DeleteTable(true);
  } catch (...) {
    // A table that cannot be dropped now goes with the temporary database.
  }
  table_.reset();
}

void TSQLMemExprNodeAggregated::MakeTemporaryTable() {
  if (children_.empty()) SQLMemError(11338, SQLMemNoChildrenInNode);
  DropTemporaryTable();
  table_.reset(New<TSQLMemTable>(nullptr));
  table_->SetTemporary(true);
  do table_->SetTableName(MakeUniqueName("TEMPORARY_TABLE_"));
  while (table_->Exists());
  temporaryTableName_ = table_->TableName();
  table_->FieldDefs().Clear();
  table_->AdvFieldDefs().Clear();
  table_->IndexDefs().Clear();
  TSQLMemAdvFieldDef* field = table_->AdvFieldDefs().Add();
  field->Name = "Expr";
  field->FieldType = static_cast<Byte>(Child(0).GetResultType());
  field->Size = Child(0).GetResultSize();
  // A text of unknown length (an expression) gets the size an expression column gets.
  if (IsStringFieldType(field->FieldType) && field->Size <= 0) field->Size = 1024;
  table_->IndexDefs().Add("Index", "Expr", descending_ ? TIndexOptions{ixDescending} : TIndexOptions{});
  table_->CreateTable();
  table_->SetIndexName("Index");
  table_->Open();
}

bool TSQLMemExprNodeAggregated::Remember(const TSQLMemVariant& value) {
  if (distinct_ && table_->RecordCount() > 0 && table_->FindKey({value.GetAsVariant()})) return false;
  table_->Append();
  table_->SetFieldValue(value, 0);
  table_->Post();
  return true;
}

void TSQLMemExprNodeAggregated::StartAggregation() {
  count_ = 0;
  value_.Clear();
  if (operator_ == opAvg) sum_.Clear();
  if (operator_ == opGroupConcat && separator_.empty() && wideSeparator_.empty()) {
    separator_ = ",";
    wideSeparator_ = u",";
    if (children_.size() > 1) {
      const TSQLMemVariant& separator = Child(1).Evaluate();
      separator_ = separator.GetAsString();
      wideSeparator_ = separator.GetAsWideString();
    }
  }
  if (distinct_ || operator_ == opGroupConcat) MakeTemporaryTable();
}

void TSQLMemExprNodeAggregated::Accumulate(Integer weight) {
  if (!children_.empty()) {
    work_.Assign(Child(0).Evaluate(), false);
    if (work_.IsNull()) work_.Clear(FieldTypeToDataType(Child(0).GetResultType()));
  }
  switch (operator_) {
    case opSum:
    case opAvg: {
      const bool sum = operator_ == opSum;
      if (!work_.IsNull() && !work_.IsNumeric())
        SQLMemError(sum ? 30132 : 30133, SQLMemNotNumericArgument, {OperatorName(operator_)});
      if (work_.IsNull()) {
        if (sum && value_.IsNull()) {
          value_.Clear(work_.IsInteger() ? edtLargeInt : edtExtended);
          if (work_.IsInteger())
            value_.SetAsLargeInt(0);
          else
            value_.SetAsExtended(0.0L);
        }
        break;
      }
      if (distinct_ && !Remember(work_)) break;
      if (sum) {
        value_.Add(work_);
      } else {
        sum_.Add(work_);
        count_ = CheckedAdd(count_, weight);
      }
      break;
    }
    case opMin:
    case opMax: {
      if (value_.IsNull()) {
        value_.Assign(work_, true);
        break;
      }
      if (work_.IsNull()) break;
      const Integer r = work_.Compare(value_, false, false, CaseInsensitive);
      if (r == (operator_ == opMin ? ccLess : ccGreater)) value_.Assign(work_, true);
      break;
    }
    case opCount:
      if (work_.IsNull() || (distinct_ && !Remember(work_))) break;
      count_ = CheckedAdd(count_, weight);
      break;
    case opCountAll: count_ = CheckedAdd(count_, weight); break;
    case opGroupConcat:
      if (!work_.IsNull()) Remember(work_);
      break;
    default: SQLMemError(30134, SQLMemUnknownOperator, {OperatorName(operator_)});
  }
}

void TSQLMemExprNodeAggregated::BuildConcatenation() {
  const Byte type = FieldTypeToDataType(GetResultType());
  value_.Clear(type);
  if (table_ == nullptr || table_->RecordCount() == 0) return;
  TSQLMemVariant stored;
  AnsiString text;
  WideString wide;
  const bool isWide = IsWideDataType(type);
  bool first = true;
  for (table_->First(); !table_->Eof(); table_->Next()) {
    table_->GetFieldValue(stored, 0);
    if (isWide) {
      if (!first) wide += wideSeparator_;
      wide += stored.GetAsWideString();
    } else {
      if (!first) text += separator_;
      text += stored.GetAsString();
    }
    first = false;
  }
  if (isWide)
    value_.SetAsWideString(wide);
  else
    value_.SetAsString(text);
}

TSQLMemVariant& TSQLMemExprNodeAggregated::Evaluate() {
  switch (operator_) {
    case opAvg: {
      value_.Clear(edtDouble);
      if (sum_.IsNull() || count_ == 0) break;
      // The mean of integers is a fraction too: divide as Double, not as the sum's integer type.
      value_.Assign(sum_, true);
      value_.ConvertTo(edtDouble);
      TSQLMemVariant count;
      count.SetAsInteger(count_);
      value_.Divide(count);
      break;
    }
    case opCount:
    case opCountAll:
      value_.Clear(edtInteger);
      value_.SetAsInteger(count_);
      break;
    case opGroupConcat: BuildConcatenation(); break;
    default: break;
  }
  return value_;
}

Integer TSQLMemExprNodeAggregated::GetResultType() const {
  const Integer argumentType = children_.empty() ? 0 : Child(0).GetResultType();
  switch (operator_) {
    case opSum: return children_.empty() ? 0 : IsFloatOrCurrencyFieldType(argumentType) ? argumentType : sftLargeInt;
    case opAvg: return sftDouble;
    case opMin:
    case opMax: return argumentType;
    case opCount:
    case opCountAll: return sftInteger;
    case opGroupConcat: return children_.empty() ? 0 : IsStringFieldType(argumentType) ? argumentType : sftVarchar;
    default: return TSQLMemExprNode::GetResultType();
  }
}
