#include "engine/sql/SQLMemExprNodeBoolean.h"

#include <cstring>
#include <type_traits>

#include "engine/foundation/SQLMemConst.h"
#include "engine/foundation/SQLMemExcept.h"
#include "engine/foundation/SQLMemTypes.h"
#include "engine/foundation/SQLMemValueConvert.h"
#include "engine/sql/SQLMemExprNodeConst.h"
#include "engine/sql/SQLMemExprNodeString.h"
#include "vcl/rtl/OsSeam.h"

namespace {

// The 8-bit text of a value: its own bytes when it holds 8-bit text (the matcher stops at the
// terminator), else its text form in scratch.
std::string_view TextView(const TSQLMemVariant& value, AnsiString& scratch) {
  switch (value.DataType()) {
    case edtChar:
    case edtVarchar:
    case edtMemo: return {static_cast<const char*>(value.Data()), static_cast<std::size_t>(value.DataSize())};
    default: scratch = value.GetAsString(); return scratch;
  }
}

// The UTF-16 text of a value in scratch. Blocks are not aligned for char16_t, so wide text is copied.
std::u16string_view TextView(const TSQLMemVariant& value, WideString& scratch) {
  if (value.IsWide()) {
    scratch.resize(static_cast<std::size_t>(value.DataSize()) / 2);
    std::memcpy(scratch.data(), value.Data(), scratch.size() * 2);
  } else {
    scratch = value.GetAsWideString();
  }
  return scratch;
}

bool MatchLike(std::string_view text, std::string_view pattern, bool caseInsensitive) {
  return MatchLikePattern(text, pattern, caseInsensitive);
}

bool MatchLike(std::u16string_view text, std::u16string_view pattern, bool caseInsensitive) {
  return MatchLikePatternW(text, pattern, caseInsensitive);
}

// The prepared form for Ch text, read through map (LOWER's or UPPER's table) when it is given.
template <typename Ch>
std::unique_ptr<TSQLMemLikePatternOf<Ch>>& PreparedSlot(auto& prepared, const std::array<char, 256>* map) {
  if constexpr (std::is_same_v<Ch, char>) {
    if (map == nullptr) return prepared.narrow;
    return map == &CaseMapTable(true) ? prepared.narrowUpper : prepared.narrowLower;
  } else {
    return prepared.wide;
  }
}

}  // namespace

void TSQLMemExprNodeBoolean::BindCursor(TSQLMemCursor* cursor) {
  prepared_.reset();
  TSQLMemExprNode::BindCursor(cursor);
}

void TSQLMemExprNodeBoolean::BindToOperator(TSQLMemColumnSource* source) {
  prepared_.reset();
  TSQLMemExprNode::BindToOperator(source);
}

TSQLMemVariant& TSQLMemExprNodeBoolean::Evaluate() {
  value_.Clear(edtBoolean);
  switch (operator_) {
    case opNot: {
      const TSQLMemVariant& operand = Child(0).Evaluate();
      if (!operand.IsNull()) value_.SetAsBoolean(!operand.GetAsBoolean());
      break;
    }
    case opAnd:
    case opOr: {
      // The deciding value (false for AND, true for OR) wins over NULL, NULL over the other.
      const bool decisive = operator_ == opOr;
      bool sawNull = false;
      for (auto& child : children_) {
        const TSQLMemVariant& operand = child->Evaluate();
        if (operand.IsNull()) {
          sawNull = true;
        } else if (operand.GetAsBoolean() == decisive) {
          value_.SetAsBoolean(decisive);
          return value_;
        }
      }
      if (!sawNull) value_.SetAsBoolean(!decisive);
      break;
    }
    case opIn:
    case opNotIn: EvaluateIn(); break;
    case opBetween:
    case opNotBetween: EvaluateBetween(); break;
    case opLike:
    case opNotLike: EvaluateLike(); break;
    case opIsNull:
    case opIsNotNull: value_.SetAsBoolean(Child(0).Evaluate().IsNull() == (operator_ == opIsNull)); break;
    default: SQLMemError(30116, SQLMemUnknownOperator, {OperatorName(operator_)});
  }
  return value_;
}

void TSQLMemExprNodeBoolean::EvaluateIn() {
  const TSQLMemVariant& tested = Child(0).Evaluate();
  if (tested.IsNull()) return;
  bool found = false;
  for (std::size_t i = 1; i < children_.size() && !found; ++i) {
    const TSQLMemVariant& item = children_[i]->Evaluate();
    found = !item.IsNull() && tested.Compare(item, false, false, false) == ccEqual;
  }
  value_.SetAsBoolean(found != (operator_ == opNotIn));
}

void TSQLMemExprNodeBoolean::EvaluateBetween() {
  const TSQLMemVariant& tested = Child(0).Evaluate();
  const TSQLMemVariant& low = Child(1).Evaluate();
  const TSQLMemVariant& high = Child(2).Evaluate();
  if (tested.IsNull() || low.IsNull() || high.IsNull()) return;
  const Integer fromLow = tested.Compare(low, false, false, CaseInsensitive);
  const Integer toHigh = tested.Compare(high, false, false, CaseInsensitive);
  const bool inside = (fromLow == ccEqual || fromLow == ccGreater) && (toHigh == ccEqual || toHigh == ccLess);
  value_.SetAsBoolean(inside != (operator_ == opNotBetween));
}

void TSQLMemExprNodeBoolean::EvaluateLike() {
  // LOWER(x) or UPPER(x) against a constant pattern: x's 8-bit text is matched as it stands by a pattern
  // that maps each text byte as it reads it, instead of mapping a copy of the whole text first (the
  // diary's search lowers every memo of the table).
  auto* caseMapping = dynamic_cast<TSQLMemExprNodeStringFunction*>(&Child(0));
  if (caseMapping != nullptr && (caseMapping->Operator() != opLower && caseMapping->Operator() != opUpper))
    caseMapping = nullptr;
  if (dynamic_cast<const TSQLMemExprNodeConst*>(&Child(1)) == nullptr) caseMapping = nullptr;
  const std::array<char, 256>* map = nullptr;
  const TSQLMemVariant* text = caseMapping != nullptr ? &caseMapping->EvaluateCaseOperand(map) : &Child(0).Evaluate();
  const TSQLMemVariant& pattern = Child(1).Evaluate();
  if (text->IsNull() || pattern.IsNull()) return;
  const Byte type = OperationResultType(text->DataType(), pattern.DataType());
  if (!IsTextDataType(type)) SQLMemError(30120, SQLMemNotStringArgument, {"LIKE"});
  if (map != nullptr && IsWideDataType(type)) {
    text = &caseMapping->MapCaseOperand();
    map = nullptr;
  }
  const bool matched = IsWideDataType(type) ? Match(*text, pattern, wideText_, widePattern_, nullptr)
                                            : Match(*text, pattern, narrowText_, narrowPattern_, map);
  value_.SetAsBoolean(matched != (operator_ == opNotLike));
}

template <typename Ch>
bool TSQLMemExprNodeBoolean::Match(const TSQLMemVariant& text, const TSQLMemVariant& pattern,
                                   std::basic_string<Ch>& textScratch, std::basic_string<Ch>& patternScratch,
                                   const std::array<char, 256>* map) {
  const std::basic_string_view<Ch> textView = TextView(text, textScratch);
  const auto* constant = dynamic_cast<const TSQLMemExprNodeConst*>(&Child(1));
  if (constant == nullptr) return MatchLike(textView, TextView(pattern, patternScratch), CaseInsensitive);
  if (prepared_ == nullptr) prepared_ = std::make_unique<TPreparedPattern>();
  // Forms made from an earlier value of the constant are stale.
  if (prepared_->source != constant || prepared_->valueGeneration != constant->ValueGeneration()) {
    *prepared_ = TPreparedPattern{constant, constant->ValueGeneration(), nullptr, nullptr, nullptr, nullptr};
  }
  std::unique_ptr<TSQLMemLikePatternOf<Ch>>& slot = PreparedSlot<Ch>(*prepared_, map);
  // The case tables are made per locale too, so the locale generation also covers the mapped form.
  if (slot == nullptr || slot->CaseInsensitive() != CaseInsensitive ||
      slot->LocaleGeneration() != os::TextLocaleGeneration()) {
    slot.reset();
    slot = std::make_unique<TSQLMemLikePatternOf<Ch>>(TextView(pattern, patternScratch), CaseInsensitive);
    if constexpr (sizeof(Ch) == 1) {
      if (map != nullptr) slot->MapTextBytes(*map);
    }
    ++patternPreparations_;
  }
  return slot->Matches(textView);
}
