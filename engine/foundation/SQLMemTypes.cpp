#include "engine/foundation/SQLMemTypes.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <string>
#include <unordered_map>
#include <vector>
#include "engine/foundation/SQLMemConst.h"
#include "engine/foundation/SQLMemDecUtil.h"
#include "engine/foundation/SQLMemExcept.h"
#include "vcl/rtl/CheckedInt.h"
#include "vcl/rtl/OsSeam.h"
#include "vcl/rtl/TextConv.h"

const std::array<TSQLFieldType, 58> TypeMap = {{
    {"CHAR", sftChar, edtChar, ftFixedChar},
    {"FIXEDCHAR", sftChar, edtChar, ftFixedChar},
    {"STRING", sftVarchar, edtVarchar, ftString},
    {"VARCHAR", sftVarchar, edtVarchar, ftString},
    {"VARCHAR2", sftVarchar, edtVarchar, ftString},
    {"WIDECHAR", sftWideChar, edtWideChar, ftWideString},
    {"FIXEDWIDECHAR", sftWideChar, edtWideChar, ftFixedWideChar},
    {"WIDESTRING", sftWideVarchar, edtWideVarchar, ftWideString},
    {"WIDEVARCHAR", sftWideVarchar, edtWideVarchar, ftWideString},
    {"SIGNEDINT16", sftSmallInt, edtSmallInt, ftSmallint},
    {"SMALLINT", sftSmallInt, edtSmallInt, ftSmallint},
    {"INTEGER", sftInteger, edtInteger, ftInteger},
    {"SIGNEDINT32", sftInteger, edtInteger, ftInteger},
    {"SIGNEDINT64", sftLargeInt, edtLargeInt, ftLargeint},
    {"LARGEINT", sftLargeInt, edtLargeInt, ftLargeint},
    {"INT64", sftLargeInt, edtLargeInt, ftLargeint},
    {"UNSIGNEDINT16", sftWord, edtWord, ftWord},
    {"WORD", sftWord, edtWord, ftWord},
    {"SIGNEDINT8", sftShortInt, edtShortInt, ftInteger},
    {"SHORTINT", sftShortInt, edtShortInt, ftInteger},
    {"UNSIGNEDINT8", sftByte, edtByte, ftWord},
    {"BYTE", sftByte, edtByte, ftWord},
    {"UNSIGNEDINT32", sftCardinal, edtCardinal, ftLargeint},
    {"CARDINAL", sftCardinal, edtCardinal, ftLargeint},
    {"AUTOINC", sftAutoInc, edtInteger, ftAutoInc},
    {"AUTOINCSHORTINT", sftAutoIncShortInt, edtShortInt, ftAutoInc},
    {"AUTOINCSMALLINT", sftAutoIncSmallInt, edtSmallInt, ftAutoInc},
    {"AUTOINCINTEGER", sftAutoIncInteger, edtInteger, ftAutoInc},
    {"AUTOINCLARGEINT", sftAutoIncLargeInt, edtLargeInt, ftLargeint},
    {"AUTOINCBYTE", sftAutoIncByte, edtByte, ftAutoInc},
    {"AUTOINCWORD", sftAutoIncWord, edtWord, ftAutoInc},
    {"AUTOINCCARDINAL", sftAutoIncCardinal, edtCardinal, ftAutoInc},
    {"FLOAT", sftDouble, edtDouble, ftFloat},
    {"SINGLE", sftSingle, edtSingle, ftFloat},
    {"DOUBLE", sftDouble, edtDouble, ftFloat},
    {"EXTENDED", sftExtended, edtExtended, ftFloat},
    {"LOGICAL", sftBoolean, edtBoolean, ftBoolean},
    {"BOOLEAN", sftBoolean, edtBoolean, ftBoolean},
    {"BOOL", sftBoolean, edtBoolean, ftBoolean},
    {"BIT", sftBoolean, edtBoolean, ftBoolean},
    {"CURRENCY", sftCurrency, edtCurrency, ftCurrency},
    {"MONEY", sftCurrency, edtCurrency, ftCurrency},
    {"DATE", sftDate, edtDate, ftDate},
    {"TIME", sftTime, edtTime, ftTime},
    {"DATETIME", sftDateTime, edtTimeStamp, ftDateTime},
    {"TIMESTAMP", sftTimeStamp, edtTimeStamp, ftTimeStamp},
    {"BYTES", sftBytes, edtBytes, ftBytes},
    {"VARBYTES", sftVarBytes, edtVarBytes, ftVarBytes},
    {"BLOB", sftBLOB, edtBLOB, ftBlob},
    {"BLOB", sftBLOB, edtBLOB, ftParadoxOle},
    {"BLOB", sftBLOB, edtBLOB, ftTypedBinary},
    {"BLOB", sftBLOB, edtBLOB, ftDBaseOle},
    {"GRAPHIC", sftGraphic, edtBLOB, ftGraphic},
    {"MEMO", sftMemo, edtMemo, ftMemo},
    {"CLOB", sftMemo, edtMemo, ftMemo},
    {"FORMATTEDMEMO", sftFormattedMemo, edtMemo, ftFmtMemo},
    {"WIDEMEMO", sftWideMemo, edtWideMemo, ftWideMemo},
    {"WIDECLOB", sftWideMemo, edtWideMemo, ftWideMemo},
}};

const std::array<TSQLMemFieldTypeDesc, 35> FieldTypeDescs = {{
    {"Char", sftChar},
    {"Varchar", sftVarchar},
    {"WideChar", sftWideChar},
    {"WideVarchar", sftWideVarchar},
    {"ShortInt", sftShortInt},
    {"SmallInt", sftSmallInt},
    {"Integer", sftInteger},
    {"LargeInt", sftLargeInt},
    {"Byte", sftByte},
    {"Word", sftWord},
    {"Cardinal", sftCardinal},
    {"AutoInc", sftAutoInc},
    {"AutoIncShortInt", sftAutoIncShortInt},
    {"AutoIncSmallInt", sftAutoIncSmallInt},
    {"AutoIncInteger", sftAutoIncInteger},
    {"AutoIncLargeInt", sftAutoIncLargeInt},
    {"AutoIncByte", sftAutoIncByte},
    {"AutoIncWord", sftAutoIncWord},
    {"AutoIncCardinal", sftAutoIncCardinal},
    {"Single", sftSingle},
    {"Double", sftDouble},
    {"Extended", sftExtended},
    {"Boolean", sftBoolean},
    {"Currency", sftCurrency},
    {"Date", sftDate},
    {"Time", sftTime},
    {"DateTime", sftDateTime},
    {"TimeStamp", sftTimeStamp},
    {"Memo", sftMemo},
    {"WideMemo", sftWideMemo},
    {"FormattedMemo", sftFormattedMemo},
    {"BLOB", sftBLOB},
    {"Graphic", sftGraphic},
    {"Bytes", sftBytes},
    {"VarBytes", sftVarBytes},
}};

namespace {

constexpr char kUnknownTypeName[] = "Unknown";

template <typename Pred>
const TSQLFieldType* FirstRow(Pred pred) {
  const auto it = std::find_if(TypeMap.begin(), TypeMap.end(), pred);
  return it == TypeMap.end() ? nullptr : &*it;
}

bool InRange(Integer v, Integer lo, Integer hi) { return v >= lo && v <= hi; }

}  // namespace

// ---- type map ----

EngineDataType FieldTypeToDataType(Integer fieldType) {
  const TSQLFieldType* row = FirstRow([&](const TSQLFieldType& r) { return r.fieldType == fieldType; });
  return row ? row->dataType : edtNone;
}

SQLFieldTypeCode DataTypeToFieldType(Integer dataType) {
  const TSQLFieldType* row = FirstRow([&](const TSQLFieldType& r) { return r.dataType == dataType; });
  return row ? row->fieldType : sftUnknown;
}

SQLFieldTypeCode VCLFieldTypeToFieldType(Integer vclFieldType) {
  const TSQLFieldType* row = FirstRow([&](const TSQLFieldType& r) { return r.vclFieldType == vclFieldType; });
  if (row == nullptr) SQLMemError(30289, SQLMemUnknownDataType, {std::to_string(vclFieldType)});
  return row->fieldType;
}

TFieldType FieldTypeToVCLFieldType(Integer fieldType) {
  const TSQLFieldType* row = FirstRow([&](const TSQLFieldType& r) { return r.fieldType == fieldType; });
  return row ? row->vclFieldType : ftUnknown;
}

const char* FieldTypeName(Integer fieldType) {
  const TSQLFieldType* row = FirstRow([&](const TSQLFieldType& r) { return r.fieldType == fieldType; });
  return row ? row->name : kUnknownTypeName;
}

const char* EngineDataTypeName(Integer dataType) {
  const TSQLFieldType* row = FirstRow([&](const TSQLFieldType& r) { return r.dataType == dataType; });
  return row ? row->name : kUnknownTypeName;
}

// ---- type tests ----

bool IsBLOBDataType(Integer dataType) { return InRange(dataType, edtBLOB, edtWideMemo); }
bool IsBLOBFieldType(Integer fieldType) { return InRange(fieldType, sftBLOB, sftWideMemo); }
bool IsVarStringDataType(Integer dataType) { return dataType == edtVarchar || dataType == edtWideVarchar; }
bool IsWideStringDataType(Integer dataType) { return dataType == edtWideChar || dataType == edtWideVarchar; }
bool IsTextDataType(Integer dataType) {
  return InRange(dataType, edtChar, edtWideVarchar) || dataType == edtMemo || dataType == edtWideMemo;
}
bool IsStringFieldType(Integer fieldType) { return InRange(fieldType, sftChar, sftWideVarchar); }
bool IsWideDataType(Integer dataType) {
  return dataType == edtWideChar || dataType == edtWideVarchar || dataType == edtWideMemo;
}
bool IsWideFieldType(Integer fieldType) {
  return fieldType == sftWideChar || fieldType == sftWideVarchar || fieldType == sftWideMemo;
}
bool IsBytesFieldType(Integer fieldType) { return fieldType == sftBytes || fieldType == sftVarBytes; }
bool IsAutoIncFieldType(Integer fieldType) { return InRange(fieldType, sftAutoInc, sftAutoIncCardinal); }
bool IsNumericDataType(Integer dataType) { return InRange(dataType, edtShortInt, edtExtended) || dataType == edtCurrency; }
bool IsIntegerDataType(Integer dataType) { return InRange(dataType, edtShortInt, edtCardinal); }
bool IsDateTimeDataType(Integer dataType) { return InRange(dataType, edtDate, edtTimeStamp); }
bool IsScalarFieldType(Integer fieldType) { return InRange(fieldType, sftChar, sftTimeStamp); }

// ---- date and time forms ----

namespace {

// Milliseconds of the time of day, rounded half to even; may reach a whole day.
Int64 RoundedMSecs(TDateTime t) {
  if (!std::isfinite(t)) RaiseRangeError();
  const double fraction = std::fabs(t - std::trunc(t));
  return static_cast<Int64>(std::nearbyint(fraction * MSecsPerDay));
}

}  // namespace

TDateTime DateToDateTime(Integer day) { return day == NullDate ? 0.0 : static_cast<double>(day) - DateDelta; }

Integer DateTimeToDate(TDateTime t) {
  const double day = std::trunc(t) + DateDelta;
  // The comparisons are false for NaN, which is out of range as well.
  if (!(day >= static_cast<double>(INT32_MIN) && day <= static_cast<double>(INT32_MAX))) RaiseRangeError();
  return static_cast<Integer>(day);
}

TDateTime TimeToDateTime(Integer ms) {
  if (ms == NullTime) return 0.0;
  const double days = static_cast<double>(ms) / MSecsPerDay;
  return days - std::trunc(days);
}

Integer DateTimeToTime(TDateTime t) {
  // A time within half a millisecond of midnight stays on its day: 23:59:59.999.
  return static_cast<Integer>(std::min<Int64>(RoundedMSecs(t), MSecsPerDay - 1));
}

TDateTime TimeStampToDateTime(const TSQLMemTimeStamp& ts) {
  const TDateTime date = DateToDateTime(ts.date);
  if (ts.time == NullTime) return date;
  const TDateTime time = TimeToDateTime(ts.time);
  // Before 30 December 1899 the time of day counts away from zero (-1.25 is 29 Dec 1899, 06:00).
  return date < 0 ? date - time : date + time;
}

void DateTimeToTimeStamp(TDateTime t, TSQLMemTimeStamp& ts) {
  ts.date = DateTimeToDate(t);
  Int64 ms = RoundedMSecs(t);
  if (ms >= MSecsPerDay) {  // rounds up to the next midnight
    ts.date = CheckedAdd<Integer>(ts.date, 1);
    ms = 0;
  }
  ts.time = static_cast<Integer>(ms);
}

// ---- other routines ----

Integer BufferTextLength(const void* buffer, Integer size, Integer fieldType) {
  if (buffer == nullptr || size <= 0) return 0;
  const auto* p = static_cast<const unsigned char*>(buffer);
  if (IsWideFieldType(fieldType)) {
    Integer i = 0;
    for (; i + 1 < size; i += 2) {
      if (p[i] == 0 && p[i + 1] == 0) return i;
    }
    return i;
  }
  const void* zero = std::memchr(p, 0, static_cast<std::size_t>(size));
  return zero ? static_cast<Integer>(static_cast<const unsigned char*>(zero) - p) : size;
}

const char* GetReservedWord(Integer index) { return SQLKeyword(index); }

AnsiString BinaryToMime64(const void* data, Integer length) {
  return EncodeStringFormat(data, length, StringFormatMIME64);
}

namespace {

// The locale's upper case of every Windows-1250 byte. A letter whose upper case has no byte of its own
// in the code page (or is more than one character) stays as it is, as 8-bit upper-casing leaves it.
const std::array<unsigned char, 256>& UpperCaseTable() {
  static const std::array<unsigned char, 256> table = [] {
    std::array<unsigned char, 256> t{};
    for (int c = 0; c < 256; ++c) {
      t[c] = static_cast<unsigned char>(c);
      if (c == 0) continue;
      WideString w(1, Cp1250CharToUtf16(static_cast<unsigned char>(c)));
      os::UpperCaseInPlace(w);
      if (w.size() != 1) continue;
      const unsigned char upper = Utf16CharToCp1250(w[0]);
      if (upper != 0) t[c] = upper;
    }
    return t;
  }();
  return table;
}

bool CharsEqualIgnoringCase(char16_t a, char16_t b) {
  return os::CompareText(std::u16string_view(&a, 1), std::u16string_view(&b, 1), true) == 0;
}

template <typename Ch>
std::basic_string_view<Ch> UpToNul(std::basic_string_view<Ch> s) {
  return s.substr(0, s.find(Ch(0)));
}

// LIKE by dynamic programming over (text position i, pattern position j), one pattern position at a
// time from the end: row j holds, for every i, whether text[i..] matches pattern[j..]. Each cell
// follows the recursive definition of the match, in this order:
//   - the rest of the pattern is "%" (restIsPercent[j]): match, whatever text remains;
//   - the text is used up: match only when the pattern is used up too;
//   - the pattern is used up while text remains: no match;
//   - "%": text[i+k..] matches pattern[j+1..] for some k in 0..n-i-1 (never the empty rest of the text);
//   - "_": text[i+1..] matches pattern[j+1..];
//   - otherwise the characters must be equal and text[i+1..] match pattern[j+1..].
// Memoising the recursion this way keeps the time at O(n * m) where trying every split for every "%"
// would take O(n^k) for k signs. rowEqual(patternChar) gives the character test of one row, so that
// the test can cache the locale's answers.
template <typename Ch, typename RowEqual>
bool MatchLike(std::basic_string_view<Ch> text, std::basic_string_view<Ch> pattern,
               const std::vector<bool>& restIsPercent, RowEqual rowEqual) {
  const std::size_t n = text.size();
  const std::size_t m = pattern.size();
  std::vector<unsigned char> next(n + 1);
  std::vector<unsigned char> cur(n + 1);
  for (std::size_t i = 0; i <= n; ++i) next[i] = restIsPercent[m] || i == n;
  for (std::size_t j = m; j-- > 0;) {
    if (restIsPercent[j]) {
      std::fill(cur.begin(), cur.end(), 1);
    } else {
      cur[n] = 0;
      const Ch pc = pattern[j];
      if (pc == Ch('%')) {
        unsigned char any = 0;
        for (std::size_t i = n; i-- > 0;) {
          any |= next[i];
          cur[i] = any;
        }
      } else if (pc == Ch('_')) {
        for (std::size_t i = 0; i < n; ++i) cur[i] = next[i + 1];
      } else {
        auto equal = rowEqual(pc);
        for (std::size_t i = 0; i < n; ++i) cur[i] = next[i + 1] && equal(text[i]);
      }
    }
    std::swap(cur, next);
  }
  return next[0] != 0;
}

}  // namespace

Cardinal NameHash(std::string_view name, bool caseInsensitive) {
  if (name.empty()) return 0;
  if (!caseInsensitive) return Crc32Update(0, name);
  const auto& upper = UpperCaseTable();
  AnsiString folded(name);
  for (char& c : folded) c = static_cast<char>(upper[static_cast<unsigned char>(c)]);
  return Crc32Update(0, folded);
}

bool MatchLikePattern(std::string_view text, std::string_view pattern, bool caseInsensitive) {
  text = UpToNul(text);
  pattern = UpToNul(pattern);
  std::vector<bool> restIsPercent(pattern.size() + 1);
  for (std::size_t j = 0; j <= pattern.size(); ++j) restIsPercent[j] = pattern.substr(j) == "%";
  auto rowEqual = [caseInsensitive](char pc) {
    // -1 unknown, 0 different, 1 equal; indexed by the text byte.
    std::array<signed char, 256> known;
    known.fill(-1);
    return [pc, caseInsensitive, known](char tc) mutable {
      if (tc == pc) return true;
      if (!caseInsensitive) return false;
      signed char& k = known[static_cast<unsigned char>(tc)];
      if (k < 0) {
        k = CharsEqualIgnoringCase(Cp1250CharToUtf16(static_cast<unsigned char>(tc)),
                                   Cp1250CharToUtf16(static_cast<unsigned char>(pc)));
      }
      return k != 0;
    };
  };
  return MatchLike<char>(text, pattern, restIsPercent, rowEqual);
}

bool MatchLikePatternW(std::u16string_view text, std::u16string_view pattern, bool caseInsensitive) {
  text = UpToNul(text);
  pattern = UpToNul(pattern);
  std::vector<bool> restIsPercent(pattern.size() + 1);
  for (std::size_t j = 0; j <= pattern.size(); ++j) {
    const std::u16string_view rest = pattern.substr(j);
    restIsPercent[j] = rest == u"%" || os::CompareText(rest, u"%", true) == 0;
  }
  auto rowEqual = [caseInsensitive](char16_t pc) {
    return [pc, caseInsensitive, known = std::unordered_map<char16_t, bool>()](char16_t tc) mutable {
      if (tc == pc) return true;
      if (!caseInsensitive) return false;
      const auto it = known.find(tc);
      if (it != known.end()) return it->second;
      const bool equal = CharsEqualIgnoringCase(tc, pc);
      known.emplace(tc, equal);
      return equal;
    };
  };
  return MatchLike<char16_t>(text, pattern, restIsPercent, rowEqual);
}
