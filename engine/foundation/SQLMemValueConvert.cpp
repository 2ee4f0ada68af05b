#include "engine/foundation/SQLMemValueConvert.h"

#include <algorithm>
#include <array>
#include <bit>
#include <cfloat>
#include <cmath>
#include <cstring>
#include <memory>

#include "engine/foundation/SQLMemConst.h"
#include "engine/foundation/SQLMemDateFormat.h"
#include "engine/foundation/SQLMemExcept.h"
#include "engine/foundation/SQLMemTypes.h"
#include "vcl/rtl/AnsiStrings.h"
#include "vcl/rtl/CheckedInt.h"
#include "vcl/rtl/Currency.h"
#include "vcl/rtl/DateUtils.h"
#include "vcl/rtl/FormatSettings.h"
#include "vcl/rtl/NumConv.h"
#include "vcl/rtl/OsSeam.h"
#include "vcl/rtl/TextConv.h"

namespace {

// ---- reading storage forms ----

AnsiString ReadAnsiText(const void* data, Integer size) {
  if (data == nullptr || size <= 0) return AnsiString();
  const auto* p = static_cast<const char*>(data);
  const void* zero = std::memchr(p, 0, static_cast<std::size_t>(size));
  return AnsiString(p, zero ? static_cast<const char*>(zero) - p : size);
}

WideString ReadWideText(const void* data, Integer size) {
  WideString w;
  if (data == nullptr || size < 2) return w;
  const auto* p = static_cast<const Byte*>(data);
  for (Integer i = 0; i + 1 < size; i += 2) {
    const char16_t unit = LoadValue<char16_t>(p + i);
    if (unit == 0) break;
    w += unit;
  }
  return w;
}

void RequireBytes(const void* data, Integer size, Integer dataType) {
  if (data == nullptr || size < ValueBufferSize(dataType, 0)) RaiseRangeError();
}

Int64 ReadInteger(const void* p, Integer dataType) {
  switch (dataType) {
    case edtShortInt: return LoadValue<ShortInt>(p);
    case edtSmallInt: return LoadValue<SmallInt>(p);
    case edtInteger:
    case edtDate:
    case edtTime: return LoadValue<Integer>(p);
    case edtLargeInt: return LoadValue<Int64>(p);
    case edtByte: return LoadValue<Byte>(p);
    case edtWord: return LoadValue<Word>(p);
    case edtCardinal: return LoadValue<Cardinal>(p);
    case edtBoolean: return LoadValue<SmallInt>(p);
    default: RaiseRangeError();
  }
}

long double ReadFloat(const void* p, Integer dataType) {
  switch (dataType) {
    case edtSingle: return LoadValue<float>(p);
    case edtDouble:
    case edtCurrency: return LoadValue<double>(p);
    case edtExtended: return LoadExtended(p);
    default: RaiseRangeError();
  }
}

TSQLMemTimeStamp ReadTimeStamp(const void* p) {
  TSQLMemTimeStamp ts;
  ts.date = LoadValue<Integer>(p);
  ts.time = LoadValue<Integer>(static_cast<const Byte*>(p) + 4);
  return ts;
}

// ---- writing storage forms ----

TSQLMemBlock CopyToBlock(Integer dataType, const void* source, Integer length = 0) {
  void* buffer = nullptr;
  Integer size = 0;
  CopyValueToBuffer(dataType, source, buffer, size, length);
  return TSQLMemBlock(buffer, size);
}

template <class T>
TSQLMemBlock FixedBlock(Integer dataType, T value) {
  return CopyToBlock(dataType, &value);
}

// Integer targets, Date and Time. With checkRange a value outside the target raises ERangeError;
// without, the low bytes are kept (the engine's wrap-around convention).
TSQLMemBlock StoreInteger(Int64 v, Integer target, bool checkRange) {
  auto check = [&](Int64 lo, Int64 hi) {
    if (checkRange && (v < lo || v > hi)) RaiseRangeError();
  };
  switch (target) {
    case edtShortInt: check(INT8_MIN, INT8_MAX); return FixedBlock(target, static_cast<ShortInt>(static_cast<Byte>(v)));
    case edtSmallInt: check(INT16_MIN, INT16_MAX); return FixedBlock(target, static_cast<SmallInt>(static_cast<Word>(v)));
    case edtInteger:
    case edtDate:
    case edtTime: check(INT32_MIN, INT32_MAX); return FixedBlock(target, static_cast<Integer>(static_cast<Cardinal>(v)));
    case edtLargeInt: return FixedBlock(target, v);
    case edtByte: check(0, UINT8_MAX); return FixedBlock(target, static_cast<Byte>(v));
    case edtWord: check(0, UINT16_MAX); return FixedBlock(target, static_cast<Word>(v));
    case edtCardinal: check(0, UINT32_MAX); return FixedBlock(target, static_cast<Cardinal>(v));
    default: RaiseRangeError();
  }
}

TSQLMemBlock StoreFloat(long double v, Integer target) {
  const bool finite = std::isfinite(v);
  switch (target) {
    case edtSingle:
      if (finite && std::fabs(v) > FLT_MAX) RaiseRangeError();
      return FixedBlock(target, static_cast<float>(v));
    case edtDouble:
    case edtCurrency:
      if (finite && std::fabs(v) > DBL_MAX) RaiseRangeError();
      return FixedBlock(target, static_cast<double>(v));
    case edtExtended: {
      TSQLMemBlock block = TSQLMemBlock::Allocate(kExtendedBytes, false);
      StoreExtended(block.Data(), v);
      return block;
    }
    default: RaiseRangeError();
  }
}

TSQLMemBlock StoreTimeStamp(Integer date, Integer time) {
  TSQLMemBlock block = TSQLMemBlock::Allocate(8, false);
  StoreValue(block.Data(), date);
  StoreValue(static_cast<Byte*>(block.Data()) + 4, time);
  return block;
}

// A day number or milliseconds from a 64-bit integer: checked, or cut to the low 32 bits.
Integer ToInt32(Int64 v, bool checkRange) {
  if (checkRange) return CheckedCast<Integer>(v);
  return static_cast<Integer>(static_cast<Cardinal>(v));
}

TSQLMemBlock StoreBoolean(bool b) { return FixedBlock(edtBoolean, static_cast<SmallInt>(b ? -1 : 0)); }

// A float truncated toward zero as a 64-bit integer; NaN and values beyond 64 bits raise ERangeError.
Int64 TruncToInt64(long double x) {
  const long double t = std::trunc(x);
  if (!(t >= -9223372036854775808.0L && t < 9223372036854775808.0L)) RaiseRangeError();
  return static_cast<Int64>(t);
}

Int64 RoundToInt64(long double x) { return TruncToInt64(std::nearbyint(x)); }

// Text targets from 8-bit text: texts keep their terminator, BLOB targets hold exactly the bytes.
TSQLMemBlock StoreAnsiText(const AnsiString& s, Integer target) {
  switch (target) {
    case edtChar:
    case edtVarchar: return CopyToBlock(edtVarchar, s.c_str());
    case edtWideChar:
    case edtWideVarchar: return CopyToBlock(edtWideVarchar, Cp1250ToUtf16(s).c_str());
    case edtBLOB:
    case edtMemo: return CopyToBlock(target, s.data(), CheckedCast<Integer>(s.size()));
    case edtWideMemo: {
      const WideString w = Cp1250ToUtf16(s);
      return CopyToBlock(target, w.data(), CheckedCast<Integer>(CheckedMul<std::size_t>(w.size(), 2)));
    }
    default: RaiseRangeError();
  }
}

// Text targets from wide text. A Memo holds 8-bit text, so wide text is narrowed into it; a BLOB
// takes the UTF-16 bytes as they are.
TSQLMemBlock StoreWideText(const WideString& w, Integer target) {
  switch (target) {
    case edtChar:
    case edtVarchar: return CopyToBlock(edtVarchar, Utf16ToCp1250(w).c_str());
    case edtWideChar:
    case edtWideVarchar: return CopyToBlock(edtWideVarchar, w.c_str());
    case edtMemo: return StoreAnsiText(Utf16ToCp1250(w), target);
    case edtBLOB:
    case edtWideMemo: return CopyToBlock(target, w.data(), CheckedCast<Integer>(CheckedMul<std::size_t>(w.size(), 2)));
    default: RaiseRangeError();
  }
}

bool IsTextTarget(Integer t) { return (t >= edtChar && t <= edtWideVarchar) || (t >= edtBLOB && t <= edtWideMemo); }

TSQLMemBlock FromText(const AnsiString& s, Integer target) {
  switch (target) {
    case edtShortInt:
    case edtSmallInt:
    case edtInteger:
    case edtByte:
    case edtWord: return StoreInteger(StrToInt(s), target, true);
    // Cardinal values reach 4294967295, beyond the 32-bit parser.
    case edtCardinal: return StoreInteger(StrToInt64(s), target, true);
    case edtLargeInt: return StoreInteger(StrToInt64(s), target, true);
    case edtSingle:
    case edtDouble:
    case edtExtended: {
      TFormatSettings dot = FormatSettings();
      dot.DecimalSeparator = '.';
      return StoreFloat(StrToFloat(s, dot), target);
    }
    case edtDate: return FixedBlock(target, DateTimeToDate(StrToDate(s)));
    case edtTime: return FixedBlock(target, DateTimeToTime(StrToTime(s)));
    case edtTimeStamp: {
      TSQLMemTimeStamp ts;
      DateTimeToTimeStamp(StrToDateTime(s), ts);
      return StoreTimeStamp(ts.date, ts.time);
    }
    case edtBoolean: {
      const AnsiString upper = UpperCase(s);
      return StoreBoolean(upper == "1" || upper == "TRUE");
    }
    case edtCurrency: return FixedBlock(target, StrToCurr(s).ToDouble());
    default: return StoreAnsiText(s, target);
  }
}

enum class TSourceKind { None, AnsiText, WideText, Integer, Float, Date, Time, TimeStamp, Boolean, Currency };

TSourceKind KindOf(Integer t) {
  switch (t) {
    case edtChar:
    case edtVarchar:
    case edtBLOB:
    case edtMemo: return TSourceKind::AnsiText;
    case edtWideChar:
    case edtWideVarchar:
    case edtWideMemo: return TSourceKind::WideText;
    case edtShortInt:
    case edtSmallInt:
    case edtInteger:
    case edtLargeInt:
    case edtByte:
    case edtWord:
    case edtCardinal: return TSourceKind::Integer;
    case edtSingle:
    case edtDouble:
    case edtExtended: return TSourceKind::Float;
    case edtDate: return TSourceKind::Date;
    case edtTime: return TSourceKind::Time;
    case edtTimeStamp: return TSourceKind::TimeStamp;
    case edtBoolean: return TSourceKind::Boolean;
    case edtCurrency: return TSourceKind::Currency;
    default: return TSourceKind::None;
  }
}

bool HasConversion(Integer source, Integer target) {
  const TSourceKind kind = KindOf(source);
  if (kind == TSourceKind::None || KindOf(target) == TSourceKind::None) return false;  // 0, 23, 24
  const bool blobTarget = target >= edtBLOB && target <= edtWideMemo;
  switch (kind) {
    case TSourceKind::AnsiText:
    case TSourceKind::WideText: return true;
    case TSourceKind::Boolean: return !(target >= edtDate && target <= edtWideMemo) && target != edtCurrency;
    case TSourceKind::Currency: return !(target >= edtDate && target <= edtWideMemo);
    default: return !blobTarget;
  }
}

bool IsSignedInteger(Integer t) { return t >= edtShortInt && t <= edtLargeInt; }
bool IsIntegerTarget(Integer t) { return t >= edtShortInt && t <= edtCardinal; }
bool IsFloatTarget(Integer t) { return (t >= edtSingle && t <= edtExtended) || t == edtCurrency; }

TSQLMemBlock FromInteger(Int64 v, Integer source, Integer target) {
  const bool checkRange = !IsSignedInteger(source);
  if (IsTextTarget(target)) return StoreAnsiText(IntToStr(v), target);
  if (IsIntegerTarget(target) || target == edtDate || target == edtTime) return StoreInteger(v, target, checkRange);
  if (IsFloatTarget(target)) return StoreFloat(static_cast<long double>(v), target);
  if (target == edtTimeStamp) return StoreTimeStamp(ToInt32(v, checkRange), NullTime);
  return StoreBoolean(v != 0);  // edtBoolean
}

// Milliseconds from a float: Single and Extended truncate, Double rounds to nearest (ties to even).
Int64 FloatMSecs(long double x, Integer source) {
  return source == edtDouble ? RoundToInt64(x) : TruncToInt64(x);
}

TSQLMemBlock FromFloat(long double x, Integer source, Integer target) {
  if (IsTextTarget(target)) return StoreAnsiText(FloatToStr(static_cast<double>(x)), target);
  if (IsIntegerTarget(target) || target == edtDate) return StoreInteger(TruncToInt64(x), target, true);
  if (IsFloatTarget(target)) return StoreFloat(x, target);
  if (target == edtTime) return FixedBlock(target, static_cast<Integer>(FloatMSecs(x, source) % MSecsPerDay));
  if (target == edtTimeStamp) {
    // The fraction counts away from zero for negative day numbers, as a TDateTime's does, so the time
    // is never negative (-1 would read as the null time); a time rounded up to midnight moves the day.
    Int64 day = TruncToInt64(x);
    Int64 ms = FloatMSecs(std::fabs(x - std::trunc(x)) * MSecsPerDay, source);
    if (ms >= MSecsPerDay) {
      ms -= MSecsPerDay;
      day += x < 0 ? -1 : 1;
    }
    return StoreTimeStamp(ToInt32(day, true), static_cast<Integer>(ms));
  }
  return StoreBoolean(x != 0);  // edtBoolean
}

TSQLMemBlock FromDate(Integer d, Integer target) {
  if (IsTextTarget(target)) {
    return StoreAnsiText(d == NullDate ? AnsiString() : DateToStr(DateToDateTime(d)), target);
  }
  if (IsIntegerTarget(target)) return StoreInteger(d, target, true);
  if (IsFloatTarget(target)) return StoreFloat(d, target);
  switch (target) {
    case edtDate: return FixedBlock(target, d);
    case edtTime: return FixedBlock(target, static_cast<Integer>(d % MSecsPerDay));
    case edtTimeStamp: return StoreTimeStamp(d, NullTime);
    default: return StoreBoolean(d != NullDate);
  }
}

TSQLMemBlock FromTime(Integer ms, Integer target) {
  if (IsTextTarget(target)) return StoreAnsiText(TimeToStr(TimeToDateTime(ms)), target);
  if (IsIntegerTarget(target)) return StoreInteger(ms, target, true);
  if (IsFloatTarget(target)) return StoreFloat(ms, target);
  switch (target) {
    case edtDate:
    case edtTime: return FixedBlock(target, ms);
    case edtTimeStamp: return StoreTimeStamp(NullDate, ms);
    default: return StoreBoolean(ms != NullTime);
  }
}

TSQLMemBlock FromTimeStamp(const TSQLMemTimeStamp& ts, Integer target) {
  if (IsTextTarget(target)) {
    const bool empty = ts.date == NullDate && ts.time == NullTime;
    return StoreAnsiText(empty ? AnsiString() : DateTimeToStr(TimeStampToDateTime(ts)), target);
  }
  if (IsIntegerTarget(target)) return StoreInteger(ts.date, target, true);
  if (IsFloatTarget(target)) {
    long double sum = ts.date == NullDate ? 0.0L : static_cast<long double>(ts.date);
    if (ts.time != NullTime) sum += static_cast<long double>(ts.time) / MSecsPerDay;
    if (target == edtCurrency) return FixedBlock(target, Currency::FromDouble(static_cast<double>(sum)).ToDouble());
    return StoreFloat(sum, target);
  }
  switch (target) {
    case edtDate: return FixedBlock(target, ts.date);
    case edtTime: return FixedBlock(target, ts.time);
    case edtTimeStamp: return StoreTimeStamp(ts.date, ts.time);
    default: return StoreBoolean(!(ts.date == NullDate && ts.time == NullTime));
  }
}

TSQLMemBlock FromBoolean(bool b, Integer target) {
  if (IsTextTarget(target)) return StoreAnsiText(b ? "True" : "False", target);
  if (IsIntegerTarget(target)) return StoreInteger(b ? 1 : 0, target, true);
  if (IsFloatTarget(target)) return StoreFloat(b ? 1.0L : 0.0L, target);
  return StoreBoolean(b);
}

TSQLMemBlock FromCurrency(double amount, Integer target) {
  if (IsTextTarget(target)) return StoreAnsiText(CurrToStr(Currency::FromDouble(amount)), target);
  if (IsIntegerTarget(target)) return StoreInteger(TruncToInt64(amount), target, true);
  if (IsFloatTarget(target)) return StoreFloat(amount, target);
  return StoreBoolean(amount != 0);
}

TSQLMemBlock Convert(const void* source, Integer sourceSize, Integer sourceType, Integer targetType) {
  switch (KindOf(sourceType)) {
    case TSourceKind::AnsiText: return FromText(ReadAnsiText(source, sourceSize), targetType);
    case TSourceKind::WideText: {
      const WideString w = ReadWideText(source, sourceSize);
      if (IsTextTarget(targetType)) return StoreWideText(w, targetType);
      return FromText(Utf16ToCp1250(w), targetType);
    }
    case TSourceKind::Integer: return FromInteger(ReadInteger(source, sourceType), sourceType, targetType);
    case TSourceKind::Float: return FromFloat(ReadFloat(source, sourceType), sourceType, targetType);
    case TSourceKind::Date: return FromDate(LoadValue<Integer>(source), targetType);
    case TSourceKind::Time: return FromTime(LoadValue<Integer>(source), targetType);
    case TSourceKind::TimeStamp: return FromTimeStamp(ReadTimeStamp(source), targetType);
    case TSourceKind::Boolean: return FromBoolean(LoadValue<SmallInt>(source) != 0, targetType);
    case TSourceKind::Currency: return FromCurrency(LoadValue<double>(source), targetType);
    case TSourceKind::None: break;
  }
  RaiseRangeError();
}

}  // namespace

TSQLMemBlock ConvertValueBuffer(const void* source, Integer sourceSize, Integer sourceType, Integer targetType) {
  if (!HasConversion(sourceType, targetType)) {
    SQLMemError(30052, SQLMemCannotCast, {EngineDataTypeName(sourceType), EngineDataTypeName(targetType)});
  }
  const TSourceKind kind = KindOf(sourceType);
  if (kind != TSourceKind::AnsiText && kind != TSourceKind::WideText) RequireBytes(source, sourceSize, sourceType);
  try {
    return Convert(source, sourceSize, sourceType, targetType);
  } catch (const ESQLMemException&) {
    throw;  // the engine's own failures (memory limits) keep their codes
  } catch (const Exception&) {
    SQLMemError(30051, SQLMemCannotCast, {EngineDataTypeName(sourceType), EngineDataTypeName(targetType)});
  }
}

void* ConvertValueData(const void* source, Integer sourceSize, Integer sourceType, Integer targetType) {
  return ConvertValueBuffer(source, sourceSize, sourceType, targetType).Release();
}

// ---- comparison ----

namespace {

Integer CodeOf(int r) { return r < 0 ? ccLess : (r == 0 ? ccEqual : ccGreater); }

// Windows-1250 to UTF-16, one table look-up per byte.
const std::array<char16_t, 256>& Cp1250Table() {
  static const std::array<char16_t, 256> table = [] {
    std::array<char16_t, 256> t{};
    for (int c = 0; c < 256; ++c) t[static_cast<std::size_t>(c)] = Cp1250CharToUtf16(static_cast<unsigned char>(c));
    return t;
  }();
  return table;
}

// The text of a compare operand as UTF-16: on the stack up to kInlineUnits characters, so that a
// compare of ordinary values converts nothing on the heap.
class TCompareText {
 public:
  // A wide text, up to its first NUL unit.
  TCompareText(const void* data, Integer size) {
    if (data == nullptr || size <= 0) return;
    const auto* p = static_cast<const Byte*>(data);
    std::size_t n = 0;
    while (n * 2 + 1 < static_cast<std::size_t>(size) && LoadValue<char16_t>(p + n * 2) != 0) ++n;
    char16_t* out = Reserve(n);
    std::memcpy(out, p, n * 2);  // units may sit at odd addresses
  }
  // A narrow text, already bounded at its first NUL.
  explicit TCompareText(std::string_view text) {
    char16_t* out = Reserve(text.size());
    const auto& table = Cp1250Table();
    const auto* p = reinterpret_cast<const unsigned char*>(text.data());
    const std::size_t n = text.size();
    std::size_t i = 0;
    // Code page 1250 keeps ASCII where it is: 8 such bytes at a time widen without the table.
    for (; i + 8 <= n; i += 8) {
      if ((LoadValue<UInt64>(p + i) & 0x8080808080808080ULL) == 0) {
        for (std::size_t k = 0; k < 8; ++k) out[i + k] = p[i + k];
      } else {
        for (std::size_t k = 0; k < 8; ++k) out[i + k] = table[p[i + k]];
      }
    }
    for (; i < n; ++i) out[i] = table[p[i]];
  }
  TCompareText(const TCompareText&) = delete;
  TCompareText& operator=(const TCompareText&) = delete;
  std::u16string_view View() const noexcept { return {data_, size_}; }

 private:
  static constexpr std::size_t kInlineUnits = 256;
  char16_t* Reserve(std::size_t n) {
    size_ = n;
    if (n > kInlineUnits) {
      heap_ = std::make_unique_for_overwrite<char16_t[]>(n);
      data_ = heap_.get();
      return heap_.get();
    }
    return inline_;
  }
  char16_t inline_[kInlineUnits];
  std::unique_ptr<char16_t[]> heap_;
  const char16_t* data_ = inline_;
  std::size_t size_ = 0;
};

// Whether two texts of digits and full stops order in the text locale as their character codes do, so
// that comparing them needs no collation: true for the ordinary collations (digits one by one, the full
// stop before the digits and never ignored), false where digits compare as numbers or punctuation is
// ignored. Such texts hold no letters, accents or contractions, so the order of their single characters
// and these probes decide every comparison. Asked again whenever the text locale changes.
bool DigitTextsOrderByCode() {
  thread_local Cardinal generation = 0;
  thread_local int answer = -1;  // -1: not asked yet
  const Cardinal now = os::TextLocaleGeneration();
  if (answer >= 0 && generation == now) return answer == 1;
  bool ordered = true;
  try {
    static constexpr std::u16string_view kChars = u".0123456789";
    for (const bool ignoreCase : {false, true}) {
      for (std::size_t i = 0; i + 1 < kChars.size(); ++i) {
        ordered = ordered && os::CompareText(kChars.substr(i, 1), kChars.substr(i + 1, 1), ignoreCase) < 0 &&
                  os::CompareText(kChars.substr(i + 1, 1), kChars.substr(i, 1), ignoreCase) > 0;
      }
      ordered = ordered && os::CompareText(u"10", u"9", ignoreCase) < 0 && os::CompareText(u".1", u"0", ignoreCase) < 0 &&
                os::CompareText(u"1", u"1.", ignoreCase) < 0 && os::CompareText(u"1.9", u"10", ignoreCase) < 0;
    }
  } catch (const EOSError&) {
    ordered = false;  // the collation path reports its own failures
  }
  generation = now;
  answer = ordered ? 1 : 0;
  return ordered;
}

template <typename Ch>
constexpr bool IsDigitUnit(Ch c) noexcept {
  return (c >= Ch('0') && c <= Ch('9')) || c == Ch('.');
}

// Two texts of digits and full stops (a date key such as "2024.03.15", a number) compared by their
// character codes where the text locale orders such texts so; false, and no answer, for any other text,
// which the collation decides. The bytes of a narrow text are these characters' UTF-16 codes, so both
// forms give the same answer.
template <typename Ch>
bool CompareDigitTexts(std::basic_string_view<Ch> a, std::basic_string_view<Ch> b, Integer& result) {
  const std::size_t n = std::min(a.size(), b.size());
  std::size_t i = 0;
  for (; i < n && a[i] == b[i]; ++i)
    if (!IsDigitUnit(a[i])) return false;
  for (std::size_t j = i; j < a.size(); ++j)
    if (!IsDigitUnit(a[j])) return false;
  for (std::size_t j = i; j < b.size(); ++j)
    if (!IsDigitUnit(b[j])) return false;
  if (!DigitTextsOrderByCode()) return false;
  if (i == a.size()) result = i == b.size() ? ccEqual : ccLess;
  else if (i == b.size()) result = ccGreater;
  else result = a[i] < b[i] ? ccLess : ccGreater;
  return true;
}

template <typename Ch>
bool SameText(std::basic_string_view<Ch> a, std::basic_string_view<Ch> b) noexcept {
  return a.size() == b.size() && std::memcmp(a.data(), b.data(), a.size() * sizeof(Ch)) == 0;
}

// Two texts in the text locale's order, after the equal ones and the digit texts were answered.
Integer CollateTexts(std::u16string_view a, std::u16string_view b, bool caseInsensitive, Integer failureCode) {
  int r = 0;
  try {
    r = os::CompareText(a, b, caseInsensitive);
  } catch (const EOSError&) {
    SQLMemError(failureCode, SQLMemUnknownReturnCode, {0});  // the comparison's failure answer
  }
  return CodeOf(r);
}

Integer CompareWide(std::u16string_view a, std::u16string_view b, bool caseInsensitive, Integer length,
                    Integer failureCode) {
  if (length >= 0) {
    a = a.substr(0, static_cast<std::size_t>(length));
    b = b.substr(0, static_cast<std::size_t>(length));
  }
  // Index keys compare many times per search: equal texts, and texts of digits and full stops where the
  // locale orders them by code, need no collation.
  if (SameText(a, b)) return ccEqual;
  Integer digits = ccEqual;
  if (CompareDigitTexts(a, b, digits)) return digits;
  return CollateTexts(a, b, caseInsensitive, failureCode);
}

// Where a narrow text that has no NUL before from ends: at its first NUL, else at end.
std::size_t NarrowTextEnd(const unsigned char* p, std::size_t from, std::size_t end) noexcept {
  while (from < end && p[from] != 0) ++from;
  return from;
}

bool IsDigitRun(const unsigned char* p, std::size_t from, std::size_t end) noexcept {
  for (; from < end; ++from)
    if (!IsDigitUnit(p[from])) return false;
  return true;
}

static_assert(std::endian::native == std::endian::little);  // the word compare below reads bytes in order

// Narrow texts are answered on their bytes where they can be: equal texts, and texts of digits and full
// stops (whose bytes are these characters' UTF-16 codes too), from one pass over the common start (a
// word at a time) and the differing ends; only other texts are converted for the collation. A text ends
// at its first NUL or after limit characters.
Integer CompareNarrow(const void* first, Integer sizeA, const void* second, Integer sizeB, bool caseInsensitive,
                      Integer length) {
  const std::size_t limit = length >= 0 ? static_cast<std::size_t>(length) : std::string_view::npos;
  const auto* a = static_cast<const unsigned char*>(first);
  const auto* b = static_cast<const unsigned char*>(second);
  const std::size_t endA = a == nullptr ? 0 : std::min(limit, sizeA > 0 ? static_cast<std::size_t>(sizeA) : 0);
  const std::size_t endB = b == nullptr ? 0 : std::min(limit, sizeB > 0 ? static_cast<std::size_t>(sizeB) : 0);
  std::size_t i = 0;
  while (i + 8 <= endA && i + 8 <= endB) {
    const auto word = LoadValue<UInt64>(a + i);
    // Bits set at the bytes that differ and at a's NULs; the lowest one (the first byte in memory on
    // these little-endian targets) names the byte that decides: the zero-byte mask may mark bytes
    // above a NUL, never below the first.
    const UInt64 stop = (word ^ LoadValue<UInt64>(b + i)) | ((word - 0x0101010101010101ULL) & ~word & 0x8080808080808080ULL);
    if (stop != 0) {
      i += static_cast<std::size_t>(std::countr_zero(stop)) / 8;
      break;
    }
    i += 8;
  }
  unsigned char x = 0, y = 0;
  for (;; ++i) {
    x = i < endA ? a[i] : 0;
    y = i < endB ? b[i] : 0;
    if (x != y || x == 0) break;
  }
  if (x == y) return ccEqual;  // both end at i
  const std::size_t nA = NarrowTextEnd(a, i, endA), nB = NarrowTextEnd(b, i, endB);
  if ((x == 0 || IsDigitUnit(x)) && (y == 0 || IsDigitUnit(y)) && IsDigitRun(a, 0, nA) && IsDigitRun(b, i, nB) &&
      DigitTextsOrderByCode())
    return x < y ? ccLess : ccGreater;  // an ended text (0) orders first
  // The shared start up to its last space adds the same weights to both texts at every level of the
  // collation, and no contraction or combining sequence spans a space: the rest decides alone.
  std::size_t from = i;
  while (from > 0 && a[from - 1] != ' ') --from;
  const TCompareText wx(std::string_view(reinterpret_cast<const char*>(a) + from, nA - from));
  const TCompareText wy(std::string_view(reinterpret_cast<const char*>(b) + from, nB - from));
  return CollateTexts(wx.View(), wy.View(), caseInsensitive, 30045);
}

bool FitsInIntegerType(Int64 v, Integer t) {
  switch (t) {
    case edtShortInt: return v >= INT8_MIN && v <= INT8_MAX;
    case edtSmallInt: return v >= INT16_MIN && v <= INT16_MAX;
    case edtInteger: return v >= INT32_MIN && v <= INT32_MAX;
    case edtLargeInt: return true;
    case edtByte: return v >= 0 && v <= UINT8_MAX;
    case edtWord: return v >= 0 && v <= UINT16_MAX;
    case edtCardinal: return v >= 0 && v <= UINT32_MAX;
    default: return false;
  }
}

// The bytes of an integer type's values (ShortInt..Cardinal).
Integer IntegerBytes(Integer t) {
  switch (t) {
    case edtShortInt:
    case edtByte: return 1;
    case edtSmallInt:
    case edtWord: return 2;
    case edtLargeInt: return 8;
    default: return 4;
  }
}

// An integer that fits the integer type target, in that type's bytes.
void StoreFittingInteger(Byte* out, Int64 v, Integer target) {
  switch (target) {
    case edtShortInt: StoreValue(out, static_cast<ShortInt>(v)); break;
    case edtSmallInt: StoreValue(out, static_cast<SmallInt>(v)); break;
    case edtInteger: StoreValue(out, static_cast<Integer>(v)); break;
    case edtByte: StoreValue(out, static_cast<Byte>(v)); break;
    case edtWord: StoreValue(out, static_cast<Word>(v)); break;
    case edtCardinal: StoreValue(out, static_cast<Cardinal>(v)); break;
    default: StoreValue(out, v); break;
  }
}

// A number of integer or float type in the compare type, into out with the bytes ConvertValueBuffer
// would give, without an engine block. False when the value needs the general path: a value out of
// the target's range, whose failure (or wrap) that path decides.
bool ConvertNumberOnStack(const void* p, Integer sourceType, Integer target, Byte* out) {
  const TSourceKind kind = KindOf(sourceType);
  if (kind != TSourceKind::Integer && kind != TSourceKind::Float) return false;
  if (IsIntegerTarget(target)) {
    Int64 v = 0;
    if (kind == TSourceKind::Integer) {
      v = ReadInteger(p, sourceType);
    } else {
      const long double t = std::trunc(ReadFloat(p, sourceType));
      if (!(t >= -9223372036854775808.0L && t < 9223372036854775808.0L)) return false;
      v = static_cast<Int64>(t);
    }
    if (!FitsInIntegerType(v, target)) return false;
    StoreFittingInteger(out, v, target);
    return true;
  }
  if (!IsFloatTarget(target)) return false;
  const long double x = kind == TSourceKind::Integer ? static_cast<long double>(ReadInteger(p, sourceType))
                                                     : ReadFloat(p, sourceType);
  const bool finite = std::isfinite(x);
  switch (target) {
    case edtSingle:
      if (finite && std::fabs(x) > FLT_MAX) return false;
      StoreValue(out, static_cast<float>(x));
      return true;
    case edtDouble:
    case edtCurrency:
      if (finite && std::fabs(x) > DBL_MAX) return false;
      StoreValue(out, static_cast<double>(x));
      return true;
    default:
      StoreExtended(out, x);
      return true;
  }
}

// Text read as an integer of the type target, as FromText does it.
void ParseIntegerOnStack(const AnsiString& s, Integer target, Byte* out) {
  // Cardinal values reach 4294967295, beyond the 32-bit parser.
  const Int64 v = target == edtCardinal || target == edtLargeInt ? StrToInt64(s) : StrToInt(s);
  if (!FitsInIntegerType(v, target)) RaiseRangeError();
  StoreFittingInteger(out, v, target);
}

// One operand of a compare in the compare type: as it is, converted on the stack, or (other
// conversions) in an engine block that lives as long as the operand.
struct TCompareOperand {
  const void* data;
  Integer size;
  Byte local[16] = {};
  TSQLMemBlock converted;

  TCompareOperand(const TSQLMemValueRef& value, Integer type, bool fits) : data(value.data), size(value.size) {
    if (fits || data == nullptr) return;
    if (KindOf(value.dataType) == TSourceKind::Integer || KindOf(value.dataType) == TSourceKind::Float) {
      RequireBytes(data, size, value.dataType);
      if (ConvertNumberOnStack(data, value.dataType, type, local)) {
        data = local;
        size = sizeof local;
        return;
      }
    }
    converted = ConvertValueBuffer(data, size, value.dataType, type);
    data = converted.Data();
    size = converted.Size();
  }
};

template <class T>
Integer CompareOrdered(T a, T b) {
  return a == b ? ccEqual : (a > b ? ccGreater : ccLess);
}

}  // namespace

Integer CompareValues(const TSQLMemValueRef& first, const TSQLMemValueRef& second, bool caseInsensitive,
                      Integer length) {
  if (first.isNull && second.isNull) return ccBothNull;
  if (first.isNull) return ccFirstNull;
  if (second.isNull) return ccSecondNull;

  // Two narrow texts of one type (index keys of text columns) need no conversion to a compare type.
  if (first.dataType == second.dataType &&
      (first.dataType == edtChar || first.dataType == edtVarchar || first.dataType == edtMemo) &&
      first.data != nullptr && second.data != nullptr)
    return CompareNarrow(first.data, first.size, second.data, second.size, caseInsensitive, length);

  Integer type = first.dataType;
  if (first.dataType != second.dataType) {
    type = OperationResultType(first.dataType, second.dataType);
    if (type == 0) {
      SQLMemError(30044, SQLMemCannotCompareIncompatibleTypes,
                  {EngineDataTypeName(first.dataType), EngineDataTypeName(second.dataType)});
    }
  }

  // Two integers whose values both fit the integer compare type compare by value: converting them
  // would keep the values, so nothing needs to be built.
  if (IsIntegerTarget(type) && IsIntegerTarget(first.dataType) && IsIntegerTarget(second.dataType) &&
      first.data != nullptr && second.data != nullptr && first.size >= IntegerBytes(first.dataType) &&
      second.size >= IntegerBytes(second.dataType)) {
    const Int64 x = ReadInteger(first.data, first.dataType);
    const Int64 y = ReadInteger(second.data, second.dataType);
    if (FitsInIntegerType(x, type) && FitsInIntegerType(y, type)) return CompareOrdered(x, y);
  }

  // Operands not in the compare type are converted, numbers on the stack, others into temporary
  // blocks freed on every path.
  const bool firstFits = first.dataType == type || (IsTextDataType(first.dataType) && IsTextDataType(type) &&
                                                    IsWideDataType(first.dataType) == IsWideDataType(type));
  const TCompareOperand firstOperand(first, type, firstFits);
  const TCompareOperand secondOperand(second, type, second.dataType == type);
  const void* a = firstOperand.data;
  const Integer sizeA = firstOperand.size;
  const void* b = secondOperand.data;
  const Integer sizeB = secondOperand.size;
  if (a == nullptr || b == nullptr) SQLMemError(30140, SQLMemValueIsNull);

  switch (type) {
    case edtChar:
    case edtVarchar:
    case edtMemo: {
      return CompareNarrow(a, sizeA, b, sizeB, caseInsensitive, length);
    }
    case edtWideChar:
    case edtWideVarchar:
    case edtWideMemo: {
      const TCompareText x(a, sizeA), y(b, sizeB);
      return CompareWide(x.View(), y.View(), caseInsensitive, length, 30046);
    }
    default: break;
  }

  if (KindOf(type) != TSourceKind::None && type != edtBLOB) {
    RequireBytes(a, sizeA, type);
    RequireBytes(b, sizeB, type);
  }
  switch (type) {
    case edtShortInt:
    case edtSmallInt:
    case edtInteger:
    case edtLargeInt:
    case edtByte:
    case edtWord:
    case edtCardinal:
    case edtDate:
    case edtTime: return CompareOrdered(ReadInteger(a, type), ReadInteger(b, type));
    case edtSingle: return CompareOrdered(LoadValue<float>(a), LoadValue<float>(b));
    case edtDouble:
    case edtCurrency: return CompareOrdered(LoadValue<double>(a), LoadValue<double>(b));
    case edtExtended: return CompareOrdered(LoadExtended(a), LoadExtended(b));
    case edtTimeStamp: {
      const TSQLMemTimeStamp x = ReadTimeStamp(a), y = ReadTimeStamp(b);
      return x.date != y.date ? CompareOrdered(x.date, y.date) : CompareOrdered(x.time, y.time);
    }
    case edtBoolean: return CompareOrdered(LoadValue<SmallInt>(a) != 0, LoadValue<SmallInt>(b) != 0);
    default: SQLMemError(30047, SQLMemUnknownDataType, {EngineDataTypeName(type)});
  }
}

Integer CompareValuesSign(Integer code) {
  switch (code) {
    case ccLess:
    case ccFirstNull: return -1;
    case ccGreater:
    case ccSecondNull: return 1;
    default: return 0;
  }
}

// ---- result types ----

namespace {

// Rows: the left operand's type, columns: the right operand's, both 0..24. The cells of ShortInt and
// SmallInt with Word and Cardinal follow the signed-with-unsigned rule (Integer, LargeInt), so that a
// negative ShortInt never meets a Word as 65535.
constexpr Byte kResultTypes[25][25] = {
    { 0,  0,  0,  0,  0,  0,  0,  0,  0,  0,  0,  0,  0,  0,  0,  0,  0,  0,  0,  0,  0,  0,  0,  0,  0},  // 0
    { 0,  1,  2,  3,  4,  1,  1,  1,  1,  1,  1,  1,  1,  1,  1, 15, 16, 17,  0,  1,  2,  1,  1,  0,  0},  // 1
    { 0,  2,  2,  2,  4,  2,  2,  2,  2,  2,  2,  2,  2,  2,  2, 15, 16, 17,  0,  1,  2,  2,  2,  0,  0},  // 2
    { 0,  3,  2,  3,  4,  3,  3,  3,  3,  3,  3,  3,  3,  3,  3, 15, 16, 17,  0,  1,  2,  3,  3,  0,  0},  // 3
    { 0,  4,  4,  4,  4,  4,  4,  4,  4,  4,  4,  4,  4,  4,  4, 15, 16, 17,  0,  1,  2,  4,  4,  0,  0},  // 4
    { 0,  1,  2,  3,  4,  5,  6,  7,  8,  6,  7,  8, 12, 13, 14, 15, 16, 17,  0,  0,  0,  5, 22,  0,  0},  // 5
    { 0,  1,  2,  3,  4,  6,  6,  7,  8,  6,  7,  8, 12, 13, 14, 15, 16, 17,  0,  0,  0,  6, 22,  0,  0},  // 6
    { 0,  1,  2,  3,  4,  7,  7,  7,  8,  7,  7,  8, 12, 13, 14, 15, 16, 17,  0,  0,  0,  7, 22,  0,  0},  // 7
    { 0,  1,  2,  3,  4,  8,  8,  8,  8,  8,  8,  8, 12, 13, 14, 15, 16, 17,  0,  0,  0,  8, 22,  0,  0},  // 8
    { 0,  1,  2,  3,  4,  6,  6,  7,  8,  9, 10, 11, 12, 13, 14, 15, 16, 17,  0,  0,  0,  9, 22,  0,  0},  // 9
    { 0,  1,  2,  3,  4,  7,  7,  7,  8, 10, 10, 11, 12, 13, 14, 15, 16, 17,  0,  0,  0, 10, 22,  0,  0},  // 10
    { 0,  1,  2,  3,  4,  8,  8,  8,  8, 11, 11, 11, 12, 13, 14, 15, 16, 17,  0,  0,  0, 11, 22,  0,  0},  // 11
    { 0,  1,  2,  3,  4, 12, 12, 12, 12, 12, 12, 12, 12, 13, 14, 15, 16, 17,  0,  0,  0, 12, 22,  0,  0},  // 12
    { 0,  1,  2,  3,  4, 13, 13, 13, 13, 13, 13, 13, 13, 13, 14, 15, 16, 17,  0,  0,  0, 13, 22,  0,  0},  // 13
    { 0,  1,  2,  3,  4, 14, 14, 14, 14, 14, 14, 14, 14, 14, 14, 15, 16, 17,  0,  0,  0, 14, 22,  0,  0},  // 14
    { 0, 15, 15, 15, 15, 15, 15, 15, 15, 15, 15, 15, 15, 15, 15, 15, 17, 15,  0,  0,  0,  0,  0,  0,  0},  // 15
    { 0, 16, 16, 16, 16, 16, 16, 16, 16, 16, 16, 16, 16, 16, 16, 17, 16, 16,  0,  0,  0,  0,  0,  0,  0},  // 16
    { 0, 17, 17, 17, 17, 17, 17, 17, 17, 17, 17, 17, 17, 17, 17, 15, 16, 17,  0,  0,  0,  0,  0,  0,  0},  // 17
    { 0,  0,  0,  0,  0,  0,  0,  0,  0,  0,  0,  0,  0,  0,  0,  0,  0,  0,  0,  0,  0,  0,  0,  0,  0},  // 18
    { 0,  1,  2,  3,  4,  0,  0,  0,  0,  0,  0,  0,  0,  0,  0,  0,  0,  0,  0, 19, 20,  0,  0,  0,  0},  // 19
    { 0,  2,  2,  4,  4,  0,  0,  0,  0,  0,  0,  0,  0,  0,  0,  0,  0,  0,  0, 20, 20,  0,  0,  0,  0},  // 20
    { 0,  1,  2,  3,  4,  5,  6,  7,  8,  9, 10, 11, 12, 13, 14,  0,  0,  0,  0,  0,  0, 21,  0,  0,  0},  // 21
    { 0,  1,  2,  3,  4,  5,  6,  7,  8,  9, 10, 11, 12, 13, 14,  0,  0,  0,  0,  0,  0,  0, 22,  0,  0},  // 22
    { 0,  0,  0,  0,  0,  0,  0,  0,  0,  0,  0,  0,  0,  0,  0,  0,  0,  0,  0,  0,  0,  0,  0,  0,  0},  // 23
    { 0,  0,  0,  0,  0,  0,  0,  0,  0,  0,  0,  0,  0,  0,  0,  0,  0,  0,  0,  0,  0,  0,  0,  0,  0},  // 24
};

}  // namespace

Byte OperationResultType(Integer left, Integer right) {
  if (left < 0 || left > 24 || right < 0 || right > 24) return 0;
  return kResultTypes[left][right];
}

Integer CommonFieldType(Integer leftFieldType, Integer rightFieldType) {
  const Integer left = FieldTypeToDataType(leftFieldType);
  const Integer right = FieldTypeToDataType(rightFieldType);
  const Integer result = OperationResultType(left, right);
  if (left == result) return leftFieldType;
  if (right == result) return rightFieldType;
  return DataTypeToFieldType(result);
}

bool ConvertValueOnStack(const void* source, Integer sourceSize, Integer sourceType, Integer targetType, Byte* out) {
  const TSourceKind kind = KindOf(sourceType);
  if (kind == TSourceKind::Integer || kind == TSourceKind::Float) {
    // Too few bytes, or a value out of the target's range: the general path raises or wraps.
    if (source == nullptr || sourceSize < ValueBufferSize(sourceType, 0)) return false;
    return ConvertNumberOnStack(source, sourceType, targetType, out);
  }
  if ((kind != TSourceKind::AnsiText && kind != TSourceKind::WideText) || !IsIntegerTarget(targetType)) return false;
  try {
    if (kind == TSourceKind::AnsiText) {
      ParseIntegerOnStack(ReadAnsiText(source, sourceSize), targetType, out);
    } else {
      ParseIntegerOnStack(Utf16ToCp1250(ReadWideText(source, sourceSize)), targetType, out);
    }
  } catch (const ESQLMemException&) {
    throw;
  } catch (const Exception&) {
    SQLMemError(30051, SQLMemCannotCast, {EngineDataTypeName(sourceType), EngineDataTypeName(targetType)});
  }
  return true;
}

bool IntegerValueText(const void* source, Integer sourceSize, Integer sourceType, AnsiString& text) {
  if (KindOf(sourceType) != TSourceKind::Integer) return false;
  RequireBytes(source, sourceSize, sourceType);
  text = IntToStr(ReadInteger(source, sourceType));
  return true;
}
