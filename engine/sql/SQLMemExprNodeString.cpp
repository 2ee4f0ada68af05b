#include "engine/sql/SQLMemExprNodeString.h"

#include <algorithm>
#include <array>
#include <cstring>

#include "engine/foundation/SQLMemConst.h"
#include "engine/foundation/SQLMemDateFormat.h"
#include "engine/foundation/SQLMemExcept.h"
#include "engine/foundation/SQLMemTypes.h"
#include "vcl/rtl/AnsiStrings.h"
#include "vcl/rtl/OsSeam.h"

namespace {

struct TCaseTables {
  Cardinal generation = 0;
  bool made = false;
  std::array<char, 256> lower{}, upper{};
  // Whether the table maps only NUL to NUL, so that a mapped text ends where the text ends.
  bool lowerKeepsEnd = false, upperKeepsEnd = false;
};

bool KeepsEnd(const std::array<char, 256>& table) {
  for (std::size_t b = 0; b < table.size(); ++b)
    if ((table[b] == 0) != (b == 0)) return false;
  return true;
}

const TCaseTables& CaseTables() {
  thread_local TCaseTables tables;
  const Cardinal generation = os::TextLocaleGeneration();
  if (!tables.made || tables.generation != generation) {
    AnsiString bytes(256, '\0');
    for (int i = 0; i < 256; ++i) bytes[static_cast<std::size_t>(i)] = static_cast<char>(i);
    // Each letter maps on its own, so mapping all bytes at once gives each byte's own answer.
    const AnsiString lower = AnsiLowerCase(bytes);
    const AnsiString upper = AnsiUpperCase(bytes);
    std::copy(lower.begin(), lower.end(), tables.lower.begin());
    std::copy(upper.begin(), upper.end(), tables.upper.begin());
    tables.lowerKeepsEnd = KeepsEnd(tables.lower);
    tables.upperKeepsEnd = KeepsEnd(tables.upper);
    tables.generation = generation;
    tables.made = true;
  }
  return tables;
}

// Blanks and control characters.
template <typename Ch>
bool IsTrimmed(Ch c) {
  return static_cast<std::make_unsigned_t<Ch>>(c) <= 0x20;
}

template <typename S>
void TrimEnds(S& text, bool left, bool right) {
  std::size_t begin = 0, end = text.size();
  if (left)
    while (begin < end && IsTrimmed(text[begin])) ++begin;
  if (right)
    while (end > begin && IsTrimmed(text[end - 1])) --end;
  text = text.substr(begin, end - begin);
}

// The text of a value without terminator: 8-bit text up to its first zero byte.
std::string_view BytesOf(const TSQLMemVariant& value) {
  const auto* data = static_cast<const char*>(value.Data());
  const std::size_t size = value.IsNull() ? 0 : static_cast<std::size_t>(value.DataSize());
  const void* nul = std::memchr(data, 0, size);
  return {data, nul != nullptr ? static_cast<std::size_t>(static_cast<const char*>(nul) - data) : size};
}

bool IsEightBitText(Byte dataType) { return dataType == edtChar || dataType == edtVarchar || dataType == edtMemo; }

}  // namespace

const std::array<char, 256>& CaseMapTable(bool upper) {
  const TCaseTables& tables = CaseTables();
  return upper ? tables.upper : tables.lower;
}

void LowerCaseBytes(char* text, std::size_t n) {
  const TCaseTables& tables = CaseTables();
  for (std::size_t i = 0; i < n; ++i) text[i] = tables.lower[static_cast<unsigned char>(text[i])];
}

void UpperCaseBytes(char* text, std::size_t n) {
  const TCaseTables& tables = CaseTables();
  for (std::size_t i = 0; i < n; ++i) text[i] = tables.upper[static_cast<unsigned char>(text[i])];
}

const TSQLMemVariant& TSQLMemExprNodeStringFunction::TakeText(Integer index, TSQLMemVariant& work) {
  work.Assign(Child(index).Evaluate(), false);
  if (!work.IsNull() && !work.IsText()) work.ConvertTo(edtVarchar);
  return work;
}

TSQLMemVariant& TSQLMemExprNodeStringFunction::Evaluate() {
  switch (operator_) {
    case opConcat:
      value_.Assign(Child(0).Evaluate(), false);
      for (std::size_t i = 1; i < children_.size(); ++i) value_.Add(children_[i]->Evaluate());
      break;
    case opUpper:
    case opLower: MapCase(operator_ == opUpper); break;
    case opTrim:
    case opLTrim:
    case opRTrim: TrimText(); break;
    case opLength: {
      const TSQLMemVariant& text = TakeText(0, work_);
      value_.Clear(edtInteger);
      value_.SetAsInteger(text.IsNull() ? 0 : std::max(text.GetTextLength(), 0));
      break;
    }
    case opPos: Position(); break;
    case opSubstring: Substring(); break;
    default: SQLMemError(30131, SQLMemUnknownOperator, {OperatorName(operator_)});
  }
  return value_;
}

void TSQLMemExprNodeStringFunction::MapCase(bool upper) { MapCaseOf(TakeText(0, work_), upper); }

const TSQLMemVariant& TSQLMemExprNodeStringFunction::EvaluateCaseOperand(const std::array<char, 256>*& map) {
  if (operator_ != opLower && operator_ != opUpper) SQLMemError(30131, SQLMemUnknownOperator, {OperatorName(operator_)});
  const bool upper = operator_ == opUpper;
  const TSQLMemVariant& text = TakeText(0, work_);
  map = nullptr;
  const TCaseTables& tables = CaseTables();
  if (text.IsNull() || text.IsWide() || !(upper ? tables.upperKeepsEnd : tables.lowerKeepsEnd)) {
    MapCaseOf(text, upper);
    return value_;
  }
  map = upper ? &tables.upper : &tables.lower;
  return text;
}

const TSQLMemVariant& TSQLMemExprNodeStringFunction::MapCaseOperand() {
  MapCaseOf(work_, operator_ == opUpper);
  return value_;
}

void TSQLMemExprNodeStringFunction::MapCaseOf(const TSQLMemVariant& text, bool upper) {
  if (text.IsNull() || text.IsWide()) {
    value_.Assign(text, false);
    if (text.IsNull()) return;
    wide_ = text.GetAsWideString();
    value_.SetAsWideString(upper ? UpperCaseWide(wide_) : LowerCaseWide(wide_));
    return;
  }
  // The bytes themselves, terminator included, copied once into a block of the value's own and
  // mapped there through the table (a memo's text is long, and this runs for every record).
  value_.SetData(text.Data(), text.DataSize(), text.DataType(), true, false);
  auto* bytes = static_cast<char*>(value_.Data());
  const auto n = static_cast<std::size_t>(value_.DataSize());
  if (upper)
    UpperCaseBytes(bytes, n);
  else
    LowerCaseBytes(bytes, n);
}

void TSQLMemExprNodeStringFunction::TrimText() {
  const TSQLMemVariant& text = TakeText(0, work_);
  value_.Assign(text, false);
  if (text.IsNull()) return;
  const bool left = operator_ != opRTrim, right = operator_ != opLTrim;
  if (text.IsWide()) {
    wide_ = text.GetAsWideString();
    TrimEnds(wide_, left, right);
    value_.SetAsWideString(wide_);
  } else {
    text_ = BytesOf(text);
    TrimEnds(text_, left, right);
    value_.SetAsString(text_);
  }
}

void TSQLMemExprNodeStringFunction::Position() {
  const TSQLMemVariant& needle = TakeText(0, work_);
  const TSQLMemVariant& haystack = TakeText(1, second_);
  value_.Clear(edtInteger);
  std::size_t found = std::string::npos;
  if (!needle.IsNull() && !haystack.IsNull()) {
    if (IsEightBitText(needle.DataType()) && IsEightBitText(haystack.DataType())) {
      found = BytesOf(haystack).find(BytesOf(needle));
    } else {
      wide_ = needle.GetAsWideString();
      wideSecond_ = haystack.GetAsWideString();
      found = wideSecond_.find(wide_);
    }
  }
  value_.SetAsInteger(found == std::string::npos ? 0 : static_cast<Integer>(found) + 1);
}

void TSQLMemExprNodeStringFunction::Substring() {
  // Start and length are read first, as numbers.
  const Integer start = Child(1).Evaluate().GetAsInteger();
  const bool hasLength = children_.size() > 2;
  const Integer length = hasLength ? Child(2).Evaluate().GetAsInteger() : 0;
  const TSQLMemVariant& text = TakeText(0, work_);
  value_.Assign(text, false);
  if (text.IsNull()) return;
  auto cut = [&](auto& s) {
    const std::size_t from = static_cast<std::size_t>(std::max(start, 1) - 1);
    const std::size_t count = hasLength ? static_cast<std::size_t>(std::max(length, 0)) : s.size();
    s = from < s.size() ? s.substr(from, count) : s.substr(0, 0);
  };
  if (text.IsWide()) {
    wide_ = text.GetAsWideString();
    cut(wide_);
    value_.SetAsWideString(wide_);
  } else {
    text_ = BytesOf(text);
    cut(text_);
    value_.SetAsString(text_);
  }
}

Integer TSQLMemExprNodeStringFunction::GetResultType() const {
  switch (operator_) {
    case opConcat: return TSQLMemExprNode::GetResultType();
    case opLength:
    case opPos: return sftInteger;
    default: return Child(0).GetResultType();
  }
}

Integer TSQLMemExprNodeStringFunction::GetResultSize() const {
  switch (operator_) {
    case opConcat: return TSQLMemExprNode::GetResultSize();
    case opUpper:
    case opLower:
    case opTrim:
    case opLTrim:
    case opRTrim:
    case opSubstring: return Child(0).GetResultSize();
    default: return 0;
  }
}
