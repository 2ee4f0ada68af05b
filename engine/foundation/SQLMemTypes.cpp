#include "engine/foundation/SQLMemTypes.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <mutex>
#include <memory>
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

Word DayOfWeekSundayFirst(TDateTime t) { return DayOfWeek(t); }

Word DayOfWeekMondayFirst(TDateTime t) { return static_cast<Word>((DayOfWeek(t) + 5) % 7 + 1); }

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

// The UTF-16 characters below this get a prepared equality row; the Latin blocks hold every letter of
// the program's language.
constexpr std::size_t kWideRowSize = 0x250;

template <typename Ch>
constexpr std::size_t RowSize() {
  return sizeof(Ch) == 1 ? 256 : kWideRowSize;
}

template <typename Ch>
char16_t AsUtf16(Ch c) {
  if constexpr (sizeof(Ch) == 1) {
    return Cp1250CharToUtf16(static_cast<unsigned char>(c));
  } else {
    return c;
  }
}

template <typename Ch>
std::size_t RowIndex(Ch c) {
  return sizeof(Ch) == 1 ? static_cast<unsigned char>(c) : static_cast<std::size_t>(c);
}

// The case-insensitive equality rows already asked of the locale, for the locale generation they were
// made in. Read only while a pattern is prepared, never while it matches.
struct TCaseRowCache {
  std::mutex lock;
  Cardinal generation = 0;
  std::unordered_map<Cardinal, std::vector<Byte>> rows;  // key: the character, 8-bit ones | 0x10000
};

template <typename Ch>
std::vector<Byte> CaseInsensitiveRow(Ch pc, Cardinal generation) {
  static TCaseRowCache cache;
  const Cardinal key = static_cast<Cardinal>(RowIndex(pc)) | (sizeof(Ch) == 1 ? 0x10000u : 0u);
  std::lock_guard guard(cache.lock);
  if (cache.generation != generation) {
    cache.rows.clear();
    cache.generation = generation;
  }
  auto it = cache.rows.find(key);
  if (it == cache.rows.end()) {
    std::vector<Byte> row(RowSize<Ch>());
    for (std::size_t c = 1; c < row.size(); ++c) {
      const Ch tc = static_cast<Ch>(c);
      row[c] = tc == pc || CharsEqualIgnoringCase(AsUtf16(tc), AsUtf16(pc));
    }
    it = cache.rows.emplace(key, std::move(row)).first;
  }
  return it->second;
}

// The one 8-bit character an equality row holds besides NUL (set in every row), or -1 for none or several.
int OnlyEqualByte(const Byte* row) {
  int equal = -1, count = 0;
  for (int c = 1; c < 256; ++c) {
    if (row[c] == 0) continue;
    equal = c;
    ++count;
  }
  return count == 1 ? equal : -1;
}

// Whether the rest of the pattern from position j counts as a lone "%": exactly for 8-bit patterns,
// by the locale's comparison with case ignored for wide ones.
template <typename Ch>
bool RestIsPercent(std::basic_string_view<Ch> rest) {
  if constexpr (sizeof(Ch) == 1) {
    return rest == "%";
  } else {
    return rest == u"%" || os::CompareText(rest, u"%", true) == 0;
  }
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

bool SameNameText(std::string_view a, std::string_view b) {
  if (a.size() != b.size()) return false;
  const auto& upper = UpperCaseTable();
  for (std::size_t i = 0; i < a.size(); ++i)
    if (upper[static_cast<unsigned char>(a[i])] != upper[static_cast<unsigned char>(b[i])]) return false;
  return true;
}

template <typename Ch>
TSQLMemLikePatternOf<Ch>::TSQLMemLikePatternOf(std::basic_string_view<Ch> pattern, bool caseInsensitive)
    : source_(UpToNul(pattern)),
      anyRestStep_(std::basic_string<Ch>::npos),
      caseInsensitive_(caseInsensitive),
      generation_(os::TextLocaleGeneration()) {
  const std::basic_string_view<Ch> p(source_);
  // Where the rest is a lone "%", the match is decided whatever text remains: the steps end there in
  // one "%". A "%" before it never stands for the empty rest of the text, so a final run of two or
  // more "%" takes one character or more: "_%".
  std::size_t cut = std::basic_string<Ch>::npos;
  for (std::size_t j = 0; j <= p.size() && cut == std::basic_string<Ch>::npos; ++j) {
    if (RestIsPercent<Ch>(p.substr(j))) cut = j;
  }
  if (cut == std::basic_string<Ch>::npos) {
    steps_ = source_;
  } else {
    steps_ = source_.substr(0, cut) + Ch('%');
    const std::size_t lastOther = steps_.find_last_not_of(Ch('%'));
    const std::size_t run = steps_.size() - (lastOther == std::basic_string<Ch>::npos ? 0 : lastOther + 1);
    if (run >= 2) {
      steps_.resize(steps_.size() - run);
      steps_ += Ch('_');
      steps_ += Ch('%');
    }
    anyRestStep_ = steps_.size() - 1;
  }
  rowOf_.assign(steps_.size(), 0);
  onlyEqual_.assign(steps_.size(), -1);
  for (std::size_t j = 0; j < steps_.size(); ++j) {
    const Ch pc = steps_[j];
    if (pc == Ch('%') || pc == Ch('_')) continue;
    std::vector<Byte> row;
    if (caseInsensitive_) {
      row = CaseInsensitiveRow(pc, generation_);
    } else {
      row.assign(RowSize<Ch>(), 0);
      if (RowIndex(pc) < row.size()) row[RowIndex(pc)] = 1;
    }
    if constexpr (sizeof(Ch) == 1) onlyEqual_[j] = OnlyEqualByte(row.data());
    // A NUL ends the text: it stops a seek as a fit would, and the matcher, which checks for the end
    // before it compares, never asks whether a NUL is equal.
    row[0] = 1;
    rowOf_[j] = CheckedCast<Cardinal>(rows_.size());
    rows_.insert(rows_.end(), row.begin(), row.end());
  }
}

template <typename Ch>
bool TSQLMemLikePatternOf<Ch>::Equal(std::size_t step, Ch c) const {
  const std::size_t index = RowIndex(c);
  if (index < RowSize<Ch>()) return rows_[rowOf_[step] + index] != 0;
  const Ch pc = steps_[step];
  return c == pc || (caseInsensitive_ && CharsEqualIgnoringCase(AsUtf16(c), AsUtf16(pc)));
}

// Moves i to the first position from i on where the step can match; false when there is none.
template <typename Ch>
bool TSQLMemLikePatternOf<Ch>::Seek(std::size_t step, const Ch* text, std::size_t n, std::size_t& i) const {
  const Ch pc = steps_[step];
  if (pc == Ch('%') || pc == Ch('_')) return i < n;
  if constexpr (sizeof(Ch) == 1) {
    if (onlyEqual_[step] >= 0) {
      const void* hit = i < n ? std::memchr(text + i, onlyEqual_[step], n - i) : nullptr;
      if (hit == nullptr) return false;
      const auto at = static_cast<std::size_t>(static_cast<const Ch*>(hit) - text);
      if (std::memchr(text + i, 0, at - i) != nullptr) return false;  // the text ended before the fit
      i = at;
      return true;
    }
  }
  // The row stops at a NUL as well as at a fit.
  const Byte* row = rows_.data() + rowOf_[step];
  if constexpr (sizeof(Ch) == 1) {
    while (i < n && row[static_cast<unsigned char>(text[i])] == 0) ++i;
  } else {
    while (i < n && !(text[i] == Ch(0) || Equal(step, text[i]))) ++i;
  }
  return i < n && text[i] != Ch(0);
}

// The matching of glob patterns by back-tracking to the last "%" only: a later "%" can always take
// over what an earlier one would have to, so the leftmost fit of each run between two "%" is the one
// to keep. Each back-track moves that run one character on, which bounds the time by n * m.
// The text is read only as far as the answer needs: its end (its size or a NUL) is noticed where the
// matching reaches it, without a pass that measures it first.
template <typename Ch>
bool TSQLMemLikePatternOf<Ch>::Matches(std::basic_string_view<Ch> text) const {
  constexpr std::size_t npos = std::basic_string<Ch>::npos;
  const Ch* t = text.data();
  const std::size_t n = text.size();
  const std::size_t m = steps_.size();
  std::size_t i = 0, j = 0;
  std::size_t starStep = npos, starText = 0;
  for (;;) {
    if (j == anyRestStep_) return true;
    // Every step left but the any-rest one needs a character.
    if (i == n || t[i] == Ch(0)) return j == m;
    if (j < m) {
      const Ch pc = steps_[j];
      if (pc == Ch('%')) {
        starStep = j++;
        if (j == anyRestStep_) return true;
        if (!Seek(j, t, n, i)) return false;
        starText = i;
        continue;
      }
      if (pc == Ch('_') || Equal(j, t[i])) {
        ++i;
        ++j;
        continue;
      }
    }
    if (starStep == npos) return false;
    j = starStep + 1;
    i = starText + 1;
    if (!Seek(j, t, n, i)) return false;
    starText = i;
  }
}

template <typename Ch>
void TSQLMemLikePatternOf<Ch>::MapTextBytes(const std::array<char, 256>& map) {
  if constexpr (sizeof(Ch) != 1) {
    RaiseRangeError();
  } else {
    for (std::size_t c = 0; c < map.size(); ++c)
      if ((map[c] == 0) != (c == 0)) RaiseRangeError();
    for (std::size_t j = 0; j < steps_.size(); ++j) {
      if (steps_[j] == Ch('%') || steps_[j] == Ch('_')) continue;
      Byte* row = rows_.data() + rowOf_[j];
      std::array<Byte, 256> mapped{};
      for (std::size_t c = 0; c < mapped.size(); ++c) mapped[c] = row[static_cast<unsigned char>(map[c])];
      std::copy(mapped.begin(), mapped.end(), row);
      onlyEqual_[j] = OnlyEqualByte(row);
    }
  }
}

template class TSQLMemLikePatternOf<char>;
template class TSQLMemLikePatternOf<char16_t>;

namespace {

// The calling thread's last prepared pattern, made again when the pattern, the case rule or the locale
// changes.
template <typename Ch>
bool MatchWithThreadPattern(std::basic_string_view<Ch> text, std::basic_string_view<Ch> pattern,
                            bool caseInsensitive) {
  thread_local std::unique_ptr<TSQLMemLikePatternOf<Ch>> last;
  pattern = UpToNul(pattern);
  if (!last || last->CaseInsensitive() != caseInsensitive || last->Source() != pattern ||
      last->LocaleGeneration() != os::TextLocaleGeneration()) {
    last.reset();
    last = std::make_unique<TSQLMemLikePatternOf<Ch>>(pattern, caseInsensitive);
  }
  return last->Matches(text);
}

}  // namespace

bool MatchLikePattern(std::string_view text, std::string_view pattern, bool caseInsensitive) {
  return MatchWithThreadPattern<char>(text, pattern, caseInsensitive);
}

bool MatchLikePatternW(std::u16string_view text, std::u16string_view pattern, bool caseInsensitive) {
  return MatchWithThreadPattern<char16_t>(text, pattern, caseInsensitive);
}
