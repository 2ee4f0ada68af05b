#include "engine/sql/SQLMemExprNodeArithmetic.h"

#include "engine/foundation/SQLMemConst.h"
#include "engine/foundation/SQLMemExcept.h"
#include "engine/foundation/SQLMemTypes.h"

TSQLMemExprNodeArithmetic::TSQLMemExprNodeArithmetic(Byte op, std::unique_ptr<TSQLMemExprNode> first)
    : TSQLMemExprNode(op, true, false) {
  if (first != nullptr) AddChild(std::move(first));
}

void TSQLMemExprNodeArithmetic::TakeChild(Integer index) { value_.Assign(Child(index).Evaluate(), false); }

TSQLMemVariant& TSQLMemExprNodeArithmetic::Evaluate() {
  switch (operator_) {
    case opPlus:
    case opMultiply:
      TakeChild(0);
      for (std::size_t i = 1; i < children_.size(); ++i) {
        const TSQLMemVariant& operand = children_[i]->Evaluate();
        if (operator_ == opPlus)
          value_.Add(operand);
        else
          value_.Multiply(operand);
      }
      break;
    case opRandom:
      value_.Clear();
      value_.Random(children_.size() == 1 ? &Child(0).Evaluate() : nullptr);
      break;
    case opCumSum:
    case opCumProd: EvaluateRunning(); break;
    default: {
      if (operator_ < opNegate || (operator_ > opDivide && operator_ < opAbs) || operator_ > opHex)
        SQLMemError(30121, SQLMemUnknownOperator, {OperatorName(operator_)});
      TakeChild(0);
      // The second operand, when the operator has one.
      auto second = [this]() -> const TSQLMemVariant& { return Child(1).Evaluate(); };
      auto optional = [this]() -> const TSQLMemVariant* { return children_.size() > 1 ? &Child(1).Evaluate() : nullptr; };
      switch (operator_) {
        case opNegate: value_.Negate(); break;
        case opDivide: value_.Divide(second()); break;
        case opAbs: value_.Abs(); break;
        case opCeil: value_.Ceiling(); break;
        case opFloor: value_.Floor(); break;
        case opMod: value_.Modulo(second()); break;
        case opPower: value_.Power(second()); break;
        case opRound: value_.Round(optional()); break;
        case opSign: value_.Sign(); break;
        case opTrunc: value_.Truncate(optional()); break;
        case opBitNot: value_.BitNot(); break;
        case opBitAnd: value_.BitAnd(second()); break;
        case opBitOr: value_.BitOr(second()); break;
        case opShiftLeft: value_.ShiftLeft(second()); break;
        case opShiftRight: value_.ShiftRight(second()); break;
        case opXor: value_.BitXor(second()); break;
        default: {  // opHex; a NULL style counts as none
          const TSQLMemVariant* style = optional();
          value_.ToHexString(style != nullptr && !style->IsNull() ? style->GetAsInteger() : 0);
          break;
        }
      }
      break;
    }
  }
  return value_;
}

void TSQLMemExprNodeArithmetic::EvaluateRunning() {
  const bool sum = operator_ == opCumSum;
  if (children_.empty())
    SQLMemError(sum ? 11766 : 11767, SQLMemInvalidOperandCount, {OperatorName(operator_), 0, 1});
  const TSQLMemVariant& x = Child(0).Evaluate();
  if (!x.IsNull() && !x.IsNumeric()) SQLMemError(sum ? 11765 : 11768, SQLMemNotNumericArgument, {OperatorName(operator_)});
  if (!running_) {
    running_ = true;
    if (!x.IsNull()) {
      value_.Assign(x, true);
    } else if (x.IsInteger()) {
      value_.Clear(edtLargeInt);
      value_.SetAsLargeInt(sum ? 0 : 1);
    } else {
      value_.Clear(edtExtended);
      value_.SetAsExtended(sum ? 0.0L : 1.0L);
    }
    return;
  }
  if (x.IsNull()) return;
  if (sum)
    value_.Add(x);
  else
    value_.Multiply(x);
}

Integer TSQLMemExprNodeArithmetic::GetResultType() const {
  auto childDataType = [this](Integer i) { return FieldTypeToDataType(Child(i).GetResultType()); };
  switch (operator_) {
    case opCeil:
    case opFloor: return sftInteger;
    case opMod: return sftLargeInt;
    case opPower:
      // Two integers give the exact integer power; anything else is computed as Extended.
      return IsIntegerDataType(childDataType(0)) && IsIntegerDataType(childDataType(1)) ? sftLargeInt : sftExtended;
    case opRandom: return children_.size() == 1 ? sftInteger : sftExtended;
    case opRound:
    case opTrunc: return children_.size() > 1 ? sftExtended : sftLargeInt;
    case opHex: return sftChar;
    case opCumSum:
    case opCumProd: {
      if (children_.empty()) return 0;
      const Integer type = Child(0).GetResultType();
      return IsFloatOrCurrencyFieldType(type) ? type : sftLargeInt;
    }
    default: return TSQLMemExprNode::GetResultType();
  }
}
