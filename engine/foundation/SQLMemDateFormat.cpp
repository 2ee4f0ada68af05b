#include "engine/foundation/SQLMemDateFormat.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <cstring>
#include <span>

#include "engine/foundation/SQLMemConst.h"
#include "engine/foundation/SQLMemDecUtil.h"
#include "engine/foundation/SQLMemExcept.h"
#include "engine/foundation/SQLMemMemory.h"
#include "engine/foundation/SQLMemTypes.h"
#include "engine/foundation/SQLMemValueBytes.h"
#include "vcl/rtl/AnsiStrings.h"
#include "vcl/rtl/CheckedInt.h"
#include "vcl/rtl/DateUtils.h"
#include "vcl/rtl/FormatSettings.h"
#include "vcl/rtl/NumConv.h"
#include "vcl/rtl/OsSeam.h"

namespace {

// The pattern words in token order.
constexpr std::array<std::string_view, 28> kTokenWords = {
    "YYYY", "YY",   "YEAR", "Q",  "MONTH", "MON", "MM", "M",   "RM", "DDD", "DD",  "DAY", "DY",  "DW",
    "D",    "HH12", "HH24", "HH", "H12",   "H24", "H",  "NN",  "N",  "SS",  "S",   "ZZZ", "Z",   "AMPM"};

constexpr std::array<std::string_view, 12> kRomanMonths = {"I",   "II", "III", "IV", "V",  "VI",
                                                           "VII", "VIII", "IX", "X", "XI", "XII"};

Integer ComputeMaxTokenLength() {
  std::size_t longest = 0;
  for (std::string_view w : kTokenWords) longest = std::max(longest, w.size());
  return static_cast<Integer>(longest);
}

Integer maxTokenLength = 0;  // set by the start-up step; computed on demand before it

[[noreturn]] void UnknownDateFormatType() { throw Exception("Unknown DateFormatType"); }

[[noreturn]] void NotAnInteger(std::string_view text) {
  throw EConvertError("'" + AnsiString(text) + "' is not a valid integer value");
}

[[noreturn]] void NotADate(std::string_view text) {
  throw EConvertError("'" + AnsiString(text) + "' is not a valid date");
}

bool IsDigit(char c) { return c >= '0' && c <= '9'; }

// Strict decimal digits: the pattern's number fields take no sign, blank or hex prefix.
Integer DecimalValue(std::string_view digits) {
  if (digits.empty()) NotAnInteger(digits);
  Integer v = 0;
  for (char c : digits) {
    if (!IsDigit(c)) NotAnInteger(digits);
    v = v * 10 + (c - '0');  // at most four digits are ever taken
  }
  return v;
}

Word Hour12(Word hour) { return static_cast<Word>(hour % 12); }

Integer DayOfYear(TDateTime value) {
  Word year = 0, month = 0, day = 0;
  DecodeDate(value, year, month, day);
  Integer n = day;
  for (Word m = 1; m < month; ++m) n += DaysInAMonth(year, m);
  return n;
}

// Monday = 1 .. Sunday = 7, counted from 1 January of year 1 (a Monday, day number 1).
// Worked in floating point, so that no date-time overflows an integer on the way.
Integer WeekDay(TDateTime value) {
  if (!std::isfinite(value)) throw EConvertError("Invalid argument to date encode");
  double r = std::fmod(std::trunc(value) + DateDelta - 1, 7.0);
  if (r < 0) r += 7;
  return static_cast<Integer>(r) + 1;
}

// Number fields whose text has no fixed width.
bool IsVariableWidth(TDateFormatToken t) {
  switch (t) {
    case dftM:
    case dftD:
    case dftDDD:
    case dftH12:
    case dftH24:
    case dftH:
    case dftN:
    case dftS:
    case dftZ:
    case dftRM: return true;
    default: return false;
  }
}

// Whether the text an item writes may start with a character that would continue the field before it.
bool ContinuesField(TDateFormatToken before, const TDateFormater::TItem& item) {
  if (before == dftRM) {
    const char first = item.token == dftLiteral ? item.text[0] : item.token == dftRM ? 'I' : '\0';
    return first == 'I' || first == 'V' || first == 'X';
  }
  if (item.token == dftLiteral) return IsDigit(item.text[0]);
  switch (item.token) {
    case dftMONTH:
    case dftMON:
    case dftRM:
    case dftDAY:
    case dftDY:
    case dftAMPM: return false;
    default: return true;
  }
}

std::size_t LongestName(std::span<const AnsiString> names) {
  std::size_t n = 0;
  for (const AnsiString& s : names) n = std::max(n, s.size());
  return n;
}

// The parse state of one StrToDateTime call.
class TDateParser {
 public:
  TDateParser(std::string_view text, const TFormatSettings& settings) : text_(text), fs_(settings) {}

  // The text of exactly n characters (fewer at the end of the text).
  std::string_view Take(std::size_t n) {
    const std::string_view s = text_.substr(std::min(pos_, text_.size()), n);
    pos_ += s.size();
    return s;
  }

  // The character at the position, then following digits, to n characters in all.
  Integer ReadDigits(std::size_t n) {
    const std::size_t start = std::min(pos_, text_.size());
    std::size_t end = start;
    if (end < text_.size()) ++end;
    while (end < text_.size() && end - start < n && IsDigit(text_[end])) ++end;
    pos_ = end;
    return DecimalValue(text_.substr(start, end - start));
  }

  Integer ReadRoman() {
    const std::size_t start = std::min(pos_, text_.size());
    std::size_t end = start;
    if (end < text_.size()) ++end;
    while (end < text_.size() && end - start < 4 && (text_[end] == 'I' || text_[end] == 'V' || text_[end] == 'X')) ++end;
    pos_ = end;
    const AnsiString numeral = UpperCase(text_.substr(start, end - start));
    for (std::size_t i = 0; i < kRomanMonths.size(); ++i) {
      if (numeral == kRomanMonths[i]) return static_cast<Integer>(i + 1);
    }
    NotADate(text_);
  }

  // The longest name of the lists that the text continues with, compared by the locale with case
  // ignored; returns its index within its list.
  std::size_t ReadName(std::span<const AnsiString> first, std::span<const AnsiString> second) {
    const std::string_view rest = text_.substr(std::min(pos_, text_.size()));
    std::size_t bestLength = 0, bestIndex = 0;
    for (std::span<const AnsiString> names : {first, second}) {
      for (std::size_t i = 0; i < names.size(); ++i) {
        const AnsiString& name = names[i];
        if (name.empty() || name.size() <= bestLength || name.size() > rest.size()) continue;
        if (AnsiSameText(rest.substr(0, name.size()), name)) {
          bestLength = name.size();
          bestIndex = i;
        }
      }
    }
    if (bestLength == 0) NotADate(text_);
    pos_ += bestLength;
    return bestIndex;
  }

  void Skip(std::size_t n) { pos_ += n; }

  const TFormatSettings& Settings() const { return fs_; }

 private:
  std::string_view text_;
  const TFormatSettings& fs_;
  std::size_t pos_ = 0;
};

Word ToDateField(Integer v) {
  if (v < 0 || v > 0xFFFF) throw EConvertError("Invalid argument to date encode");
  return static_cast<Word>(v);
}

Word ToTimeField(Integer v) {
  if (v < 0 || v > 0xFFFF) throw EConvertError("Invalid argument to time encode");
  return static_cast<Word>(v);
}

}  // namespace

// ---- compiling ----

Integer DateFormatMaxTokenLength() { return maxTokenLength > 0 ? maxTokenLength : ComputeMaxTokenLength(); }

void StartDateFormatUnit() { maxTokenLength = ComputeMaxTokenLength(); }

TDateFormater::TDateFormater(std::string_view pattern) {
  const std::size_t longest = static_cast<std::size_t>(DateFormatMaxTokenLength());
  AnsiString literal;
  auto flushLiteral = [&] {
    if (!literal.empty()) items_.push_back({dftLiteral, std::move(literal)});
    literal.clear();
  };
  std::size_t i = 0;
  while (i < pattern.size()) {
    const char c = pattern[i];
    if (c == '\'' || c == '"') {
      flushLiteral();
      std::size_t end = pattern.find(c, i + 1);
      if (end == std::string_view::npos) end = pattern.size();
      AnsiString quoted(pattern.substr(i + 1, end - i - 1));
      if (!quoted.empty()) items_.push_back({dftLiteral, std::move(quoted)});
      i = end < pattern.size() ? end + 1 : end;
      continue;
    }
    bool matched = false;
    for (std::size_t len = std::min(longest, pattern.size() - i); len > 0 && !matched; --len) {
      const AnsiString candidate = UpperCase(pattern.substr(i, len));
      for (std::size_t t = 0; t < kTokenWords.size(); ++t) {
        if (candidate == kTokenWords[t]) {
          flushLiteral();
          items_.push_back({static_cast<TDateFormatToken>(t), AnsiString()});
          i += len;
          matched = true;
          break;
        }
      }
    }
    if (!matched) literal += pattern[i++];
  }
  flushLiteral();
  for (std::size_t k = 0; k + 1 < items_.size() && unreadable_.empty(); ++k) {
    if (IsVariableWidth(items_[k].token) && ContinuesField(items_[k].token, items_[k + 1])) {
      const TItem& next = items_[k + 1];
      unreadable_ = "the text of " + AnsiString(kTokenWords[items_[k].token]) + " runs into that of " +
                    (next.token == dftLiteral ? "'" + next.text + "'" : AnsiString(kTokenWords[next.token]));
    }
  }
}

// ---- formatting ----

AnsiString TDateFormater::DateTimeToStr(TDateTime value) const { return DateTimeToStr(value, FormatSettings()); }

AnsiString TDateFormater::DateTimeToStr(TDateTime value, const TFormatSettings& fs) const {
  AnsiString out;
  Word hour = 0, minute = 0, second = 0, msec = 0;
  DecodeTime(value, hour, minute, second, msec);
  auto runtime = [&](std::string_view format) { out += FormatDateTime(format, value, fs); };
  auto twoDigits = [&](Integer v) {
    if (v < 10) out += '0';
    out += IntToStr(v);
  };
  for (const TItem& item : items_) {
    switch (item.token) {
      case dftYYYY:
      case dftYEAR: runtime("yyyy"); break;
      case dftYY: runtime("yy"); break;
      case dftQ: {
        Word year = 0, month = 0, day = 0;
        DecodeDate(value, year, month, day);
        out += IntToStr((month - 1) / 3 + 1);
        break;
      }
      case dftMONTH: runtime("mmmm"); break;
      case dftMON: runtime("mmm"); break;
      case dftMM: runtime("mm"); break;
      case dftM: runtime("m"); break;
      case dftRM: {
        Word year = 0, month = 0, day = 0;
        DecodeDate(value, year, month, day);
        if (month >= 1 && month <= 12) out += kRomanMonths[month - 1];
        break;
      }
      case dftDDD: out += IntToStr(DayOfYear(value)); break;
      case dftDD: runtime("dd"); break;
      case dftDAY: runtime("dddd"); break;
      case dftDY: runtime("ddd"); break;
      case dftDW: out += IntToStr(WeekDay(value)); break;
      case dftD: runtime("d"); break;
      case dftHH12:
      case dftHH: twoDigits(Hour12(hour)); break;
      case dftH12:
      case dftH: out += IntToStr(Hour12(hour)); break;
      case dftHH24: runtime("hh"); break;
      case dftH24: runtime("h"); break;
      case dftNN: runtime("nn"); break;
      case dftN: runtime("n"); break;
      case dftSS: runtime("ss"); break;
      case dftS: runtime("s"); break;
      case dftZZZ: runtime("zzz"); break;
      case dftZ: runtime("z"); break;
      case dftAMPM: out += hour > 11 ? "PM" : "AM"; break;
      case dftLiteral: out += item.text; break;
      default: UnknownDateFormatType();
    }
  }
  return out;
}

// ---- parsing ----

TDateTime TDateFormater::StrToDateTime(std::string_view text) const { return StrToDateTime(text, FormatSettings()); }

TDateTime TDateFormater::StrToDateTime(std::string_view text, const TFormatSettings& fs) const {
  if (!unreadable_.empty()) {
    throw EConvertError("'" + AnsiString(text) + "' cannot be read with this date pattern: " + unreadable_);
  }
  TDateParser p(text, fs);
  Integer year = 0, month = 0, day = 0, hour = 0, minute = 0, second = 0, msec = 0, dayOfYear = 0;
  for (const TItem& item : items_) {
    switch (item.token) {
      case dftYYYY:
      case dftYEAR: year = DecimalValue(p.Take(4)); break;
      case dftYY: {
        Integer yy = DecimalValue(p.Take(2));
        if (yy < 30) yy += 100;
        year = yy + 1900;
        break;
      }
      case dftQ: month = 3 * (DecimalValue(p.Take(1)) - 1) + 1; break;
      case dftMONTH:
      case dftMON: {
        const bool longFirst = item.token == dftMONTH;
        month = static_cast<Integer>(p.ReadName(longFirst ? fs.LongMonthNames : fs.ShortMonthNames,
                                                longFirst ? fs.ShortMonthNames : fs.LongMonthNames)) +
                1;
        break;
      }
      case dftMM:
      case dftM: month = p.ReadDigits(2); break;
      case dftRM: month = p.ReadRoman(); break;
      case dftDDD: dayOfYear = p.ReadDigits(3); break;
      case dftDD:
      case dftD: day = p.ReadDigits(2); break;
      case dftDAY:
      case dftDY: p.ReadName(fs.LongDayNames, fs.ShortDayNames); break;
      case dftDW: p.ReadDigits(1); break;
      case dftHH12:
      case dftHH24:
      case dftHH:
      case dftH12:
      case dftH24:
      case dftH: hour = p.ReadDigits(2); break;
      case dftNN:
      case dftN: minute = p.ReadDigits(2); break;
      case dftSS:
      case dftS: second = p.ReadDigits(2); break;
      case dftZZZ:
      case dftZ: msec = p.ReadDigits(3); break;
      case dftAMPM: {
        const AnsiString word = UpperCase(p.Take(2));
        if (word == "PM") {
          hour += 12;
        } else if (word != "AM") {
          SQLMemError(30129, SQLMemAMPMWordExpected, {word});
        }
        break;
      }
      case dftLiteral: p.Skip(item.text.size()); break;
      default: UnknownDateFormatType();
    }
  }
  // A day of the year stands in for month and day when the pattern gave neither.
  if (dayOfYear > 0 && month == 0 && day == 0 && year > 0) {
    Integer left = dayOfYear;
    for (Word m = 1; m <= 12; ++m) {
      const Integer days = DaysInAMonth(ToDateField(year), m);
      if (left <= days) {
        month = m;
        day = left;
        break;
      }
      left -= days;
    }
    if (month == 0) NotADate(text);
  }
  const TDateTime date =
      (year == 0 || month == 0 || day == 0) ? 0.0 : EncodeDate(ToDateField(year), ToDateField(month), ToDateField(day));
  const TDateTime time = EncodeTime(ToTimeField(hour), ToTimeField(minute), ToTimeField(second), ToTimeField(msec));
  return date >= 0 ? date + time : date - time;
}

// ---- result length ----

Integer TDateFormater::GetResultLength() const { return GetResultLength(FormatSettings()); }

Integer TDateFormater::GetResultLength(const TFormatSettings& fs) const {
  Integer total = 0;
  for (const TItem& item : items_) {
    std::size_t n = 2;
    switch (item.token) {
      case dftYYYY:
      case dftYEAR: n = 4; break;
      case dftQ: n = 1; break;
      case dftMONTH: n = std::max<std::size_t>(9, LongestName(fs.LongMonthNames)); break;
      case dftMON: n = std::max<std::size_t>(3, LongestName(fs.ShortMonthNames)); break;
      case dftDAY: n = std::max<std::size_t>(12, LongestName(fs.LongDayNames)); break;
      case dftDY: n = std::max<std::size_t>(3, LongestName(fs.ShortDayNames)); break;
      case dftDDD:
      case dftZZZ:
      case dftZ: n = 3; break;
      case dftRM: n = 4; break;  // "VIII"
      case dftLiteral: n = item.text.size(); break;
      case dftYY:
      case dftMM:
      case dftM:
      case dftDD:
      case dftD:
      case dftDW:  // one digit written, two counted as the engine always has
      case dftHH12:
      case dftHH24:
      case dftHH:
      case dftH12:
      case dftH24:
      case dftH:
      case dftNN:
      case dftN:
      case dftSS:
      case dftS:
      case dftAMPM: n = 2; break;
      default: UnknownDateFormatType();
    }
    total = CheckedAdd(total, CheckedCast<Integer>(n));
  }
  return total;
}

// ---- value buffers ----

Integer ValueBufferSize(Integer dataType, Integer length) {
  switch (dataType) {
    case edtChar:
    case edtVarchar:
    case edtWideChar:
    case edtWideVarchar:
    case edtBytes:
    case edtVarBytes:
      if (length < 0) RaiseRangeError();
      break;
    default: break;
  }
  switch (dataType) {
    case edtChar:
    case edtVarchar: return CheckedAdd(length, 1);
    case edtWideChar:
    case edtWideVarchar: return CheckedMul(CheckedAdd(length, 1), 2);
    case edtShortInt:
    case edtByte: return 1;
    case edtSmallInt:
    case edtWord:
    case edtBoolean: return 2;
    case edtInteger:
    case edtCardinal:
    case edtSingle:
    case edtDate:
    case edtTime: return 4;
    case edtLargeInt:
    case edtDouble:
    case edtTimeStamp:
    case edtBLOB:
    case edtMemo:
    case edtWideMemo:
    case edtCurrency: return 8;
    case edtExtended: return kExtendedBytes;
    case edtBytes:
    case edtVarBytes: return length;
    default: SQLMemError(30050, SQLMemUnknownDataType, {EngineDataTypeName(dataType)});
  }
}

namespace {

std::size_t WideLength(const void* source) {
  const auto* p = static_cast<const unsigned char*>(source);
  std::size_t n = 0;
  while (p[2 * n] != 0 || p[2 * n + 1] != 0) ++n;
  return n;
}

}  // namespace

void CopyValueToBuffer(Integer dataType, const void* source, void*& buffer, Integer& size, Integer length) {
  buffer = nullptr;
  size = 0;
  Integer n = 0;
  bool zeroFill = false;
  switch (dataType) {
    case edtChar:
    case edtVarchar: {
      const std::size_t chars = std::strlen(static_cast<const char*>(source));
      if (chars == 0) return;
      n = ValueBufferSize(dataType, CheckedCast<Integer>(chars));
      zeroFill = true;
      break;
    }
    case edtWideChar:
    case edtWideVarchar: {
      const std::size_t units = WideLength(source);
      if (units == 0) return;
      n = ValueBufferSize(dataType, CheckedCast<Integer>(units));
      zeroFill = true;
      break;
    }
    case edtBLOB:
    case edtMemo:
    case edtWideMemo:
    case edtBytes:
    case edtVarBytes:
      if (length < 0) RaiseRangeError();
      if (length == 0) return;
      n = length;
      break;
    default: n = ValueBufferSize(dataType, 0); break;
  }
  // The text types copy their characters into a zeroed block, so the terminator is the block's last
  // byte or unit; everything else copies exactly n bytes.
  TSQLMemBlock block = TSQLMemBlock::Allocate(n, zeroFill);
  const Integer copied = zeroFill ? n - (IsWideDataType(dataType) ? 2 : 1) : n;
  std::memcpy(block.Data(), source, static_cast<std::size_t>(copied));
  size = block.Size();
  buffer = block.Release();
}

namespace {

void* DecodeToBlock(std::string_view text, Integer formatId, Integer& size) {
  size = 0;
  const AnsiString bytes = DecodeStringFormat(text, formatId);
  if (bytes.empty()) return nullptr;
  TSQLMemBlock block = TSQLMemBlock::Allocate(CheckedCast<Integer>(bytes.size()), false);
  std::memcpy(block.Data(), bytes.data(), bytes.size());
  size = block.Size();
  return block.Release();
}

}  // namespace

void* HexToBinaryBuffer(std::string_view text, Integer& size) { return DecodeToBlock(text, StringFormatHEX, size); }

void* Mime64ToBinaryBuffer(std::string_view text, Integer& size) {
  return DecodeToBlock(text, StringFormatMIME64, size);
}

// ---- wide text ----

WideString UpperCaseWide(std::u16string_view text) {
  WideString s(text);
  os::UpperCaseInPlace(s);
  return s;
}

WideString LowerCaseWide(std::u16string_view text) {
  WideString s(text);
  os::LowerCaseInPlace(s);
  return s;
}
