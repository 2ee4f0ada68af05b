#include "engine/sql/SQLMemExprNodeDate.h"

#include <cmath>

#include "engine/foundation/SQLMemConst.h"
#include "engine/foundation/SQLMemExcept.h"
#include "engine/foundation/SQLMemTypes.h"
#include "vcl/rtl/DateUtils.h"

namespace {

constexpr const char* kDayNames[] = {"Sunday", "Monday", "Tuesday", "Wednesday", "Thursday", "Friday", "Saturday"};
constexpr const char* kMonthNames[] = {"January", "February", "March",     "April",   "May",      "June",
                                       "July",    "August",   "September", "October", "November", "December"};

bool IsDateFunction(Byte op) { return op >= opSysDate && op <= opMSecond; }

}  // namespace

TSQLMemExprNodeDateFunction::TSQLMemExprNodeDateFunction(Byte op, const AnsiString& formatPattern,
                                                         std::unique_ptr<TSQLMemExprNode> argument)
    : TSQLMemExprNode(op, true, false) {
  if (argument != nullptr) AddChild(std::move(argument));
  if (op == opToDate || op == opToString) formatter_ = std::make_unique<TDateFormater>(formatPattern);
}

TSQLMemVariant& TSQLMemExprNodeDateFunction::Evaluate() {
  switch (operator_) {
    case opSysDate:
      value_.Clear();
      value_.SetAsDateTime(Now());
      break;
    case opCurrentDate:
      value_.Clear();
      value_.SetAsDate(Date());
      break;
    case opCurrentTime:
      value_.Clear();
      value_.SetAsTime(Time());
      break;
    case opToDate: {
      value_.Clear(edtTimeStamp);
      const TSQLMemVariant& text = Child(0).Evaluate();
      if (text.IsNull()) break;
      const TDateTime t = formatter_->StrToDateTime(text.GetAsString());
      value_.SetAsDateTime(t);
      double whole = 0;
      const double fraction = std::modf(t, &whole);
      if (t != 0 && whole == 0) value_.ConvertTo(edtTime);
      if (fraction == 0) value_.ConvertTo(edtDate);
      break;
    }
    case opToString: {
      const TSQLMemVariant& date = Child(0).Evaluate();
      if (date.IsNull()) {
        value_.Clear(edtVarchar);
        break;
      }
      const TDateTime t = date.GetAsDateTime();
      value_.Clear(edtVarchar);
      value_.SetAsString(formatter_->DateTimeToStr(t));
      break;
    }
    default:
      if (!IsDateFunction(operator_)) SQLMemError(30130, SQLMemUnknownOperator, {OperatorName(operator_)});
      EvaluatePart();
      break;
  }
  return value_;
}

void TSQLMemExprNodeDateFunction::EvaluatePart() {
  if (children_.empty()) SQLMemError(11606, SQLMemFunctionArgumentMissing, {OperatorName(operator_)});
  const TSQLMemVariant& argument = Child(0).Evaluate();
  const Integer dataType = FieldTypeToDataType(GetResultType());
  value_.Clear(dataType);
  if (argument.IsNull()) return;
  const TDateTime t = argument.GetAsDateTime();
  Word year = 0, month = 0, day = 0, hour = 0, minute = 0, second = 0, msec = 0;
  DecodeDate(t, year, month, day);
  DecodeTime(t, hour, minute, second, msec);
  const Word sundayFirst = DayOfWeek(t);
  switch (operator_) {
    case opYear: value_.SetAsWord(year); break;
    case opQuarter: value_.SetAsWord(static_cast<Word>((month + 2) / 3)); break;
    case opMonth: value_.SetAsWord(month); break;
    case opDay: value_.SetAsWord(day); break;
    case opWeekDay: value_.SetAsWord(sundayFirst); break;
    case opDayOfWeek: value_.SetAsWord(static_cast<Word>(sundayFirst == 1 ? 7 : sundayFirst - 1)); break;
    case opDayName: value_.SetAsString(kDayNames[(sundayFirst + 6) % 7]); break;
    case opMonthName:
      if (month >= 1 && month <= 12) value_.SetAsString(kMonthNames[month - 1]);
      break;
    case opHour: value_.SetAsWord(hour); break;
    case opMinute: value_.SetAsWord(minute); break;
    case opSecond: value_.SetAsWord(second); break;
    default: value_.SetAsWord(msec); break;
  }
}

Integer TSQLMemExprNodeDateFunction::GetResultType() const {
  switch (operator_) {
    case opSysDate:
    case opCurrentDate:
    case opCurrentTime:
    case opToDate: return sftDateTime;
    case opToString:
    case opDayName:
    case opMonthName: return sftVarchar;
    default:
      if (!IsDateFunction(operator_)) SQLMemError(30287, SQLMemUnknownOperator, {OperatorName(operator_)});
      return sftWord;
  }
}

Integer TSQLMemExprNodeDateFunction::GetResultSize() const {
  switch (operator_) {
    case opToString: return formatter_->GetResultLength();
    case opDayName:
    case opMonthName: return 9;
    default: return 0;
  }
}
