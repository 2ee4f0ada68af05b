#include "vcl/rtl/NumConv.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <limits>
#include <vector>

#include "vcl/rtl/Exceptions.h"
#include "vcl/rtl/FormatSettings.h"

namespace {

using Int128 = __int128;

constexpr int kMaxDigits = 18;  // significant digits a value is first rounded to

[[noreturn]] void RaiseInvalidInteger(std::string_view text) {
  throw EConvertError("'" + AnsiString(text) + "' is not a valid integer value");
}

[[noreturn]] void RaiseInvalidFloat(std::string_view text) {
  throw EConvertError("'" + AnsiString(text) + "' is not a valid floating point value");
}

bool IsDigit(char c) { return c >= '0' && c <= '9'; }

int HexDigit(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  return -1;
}

// The integer syntax shared by the Integer and Int64 forms. `bits` is the width of the target.
bool ParseInteger(std::string_view s, int bits, Int64& out) {
  size_t i = 0;
  while (i < s.size() && s[i] == ' ') ++i;
  bool negative = false;
  if (i < s.size() && (s[i] == '+' || s[i] == '-')) {
    negative = s[i] == '-';
    ++i;
  }
  bool hex = false;
  if (i < s.size() && s[i] == '$') {
    hex = true;
    ++i;
  } else if (i < s.size() && (s[i] == 'x' || s[i] == 'X')) {
    hex = true;
    ++i;
  } else if (i + 1 < s.size() && s[i] == '0' && (s[i + 1] == 'x' || s[i + 1] == 'X')) {
    hex = true;
    i += 2;
  }
  if (i >= s.size()) return false;
  UInt64 limit = bits == 64 ? std::numeric_limits<UInt64>::max() : (UInt64{1} << bits) - 1;
  UInt64 v = 0;
  if (hex) {
    for (; i < s.size(); ++i) {
      int d = HexDigit(s[i]);
      if (d < 0 || v > (limit >> 4)) return false;
      v = (v << 4) | static_cast<UInt64>(d);
    }
    // Hex text gives the bit pattern of the target type; a sign negates that pattern.
    UInt64 pattern = negative ? UInt64{0} - v : v;
    out = bits == 64 ? static_cast<Int64>(pattern) : static_cast<Int64>(static_cast<Integer>(static_cast<Cardinal>(pattern)));
    return true;
  }
  UInt64 maxMagnitude = (UInt64{1} << (bits - 1)) - (negative ? 0 : 1);
  for (; i < s.size(); ++i) {
    if (!IsDigit(s[i])) return false;
    UInt64 d = static_cast<UInt64>(s[i] - '0');
    if (v > (maxMagnitude - d) / 10) return false;
    v = v * 10 + d;
  }
  out = negative ? static_cast<Int64>(UInt64{0} - v) : static_cast<Int64>(v);
  return true;
}

// The decimal syntax of floating and currency text, split into its parts.
struct DecimalText {
  bool negative = false;
  std::string digits;  // mantissa digits, the decimal separator removed
  Int64 exponent = 0;  // value = digits * 10^exponent
};

bool ParseDecimal(std::string_view s, char decimalSeparator, DecimalText& out) {
  size_t i = 0;
  while (i < s.size() && s[i] == ' ') ++i;
  size_t end = s.size();
  while (end > i && s[end - 1] == ' ') --end;
  if (i < end && (s[i] == '+' || s[i] == '-')) {
    out.negative = s[i] == '-';
    ++i;
  }
  size_t mantissaDigits = 0;
  Int64 fractionDigits = 0;
  bool seenSeparator = false;
  for (; i < end; ++i) {
    char c = s[i];
    if (IsDigit(c)) {
      out.digits += c;
      ++mantissaDigits;
      if (seenSeparator) ++fractionDigits;
    } else if (c == decimalSeparator && !seenSeparator) {
      seenSeparator = true;
    } else {
      break;
    }
  }
  if (mantissaDigits == 0) return false;
  Int64 exponent = 0;
  if (i < end && (s[i] == 'e' || s[i] == 'E')) {
    ++i;
    bool expNegative = false;
    if (i < end && (s[i] == '+' || s[i] == '-')) {
      expNegative = s[i] == '-';
      ++i;
    }
    if (i >= end || !IsDigit(s[i])) return false;
    for (; i < end && IsDigit(s[i]); ++i)
      if (exponent < 100000) exponent = exponent * 10 + (s[i] - '0');  // far beyond any double
    if (expNegative) exponent = -exponent;
  }
  if (i != end) return false;
  out.exponent = exponent - fractionDigits;
  return true;
}

bool DecimalToDouble(const DecimalText& d, double& value) {
  // Leading zeros carry no value; an all-zero mantissa is zero whatever the exponent.
  size_t first = d.digits.find_first_not_of('0');
  if (first == std::string::npos) {
    value = d.negative ? -0.0 : 0.0;
    return true;
  }
  std::string text = d.digits.substr(first) + "e" + std::to_string(d.exponent);
  double v = 0;
  auto r = std::from_chars(text.data(), text.data() + text.size(), v);
  if (r.ec == std::errc::result_out_of_range) {
    // Too small underflows to zero; too large is not a value.
    Int64 magnitude = static_cast<Int64>(d.digits.size() - first) + d.exponent;
    if (magnitude > 0) return false;
    v = 0;
  } else if (r.ec != std::errc() || !std::isfinite(v)) {
    return false;
  }
  value = d.negative ? -v : v;
  return true;
}

// ---- decimal digit records ----

// Rounds rec.Digits to `n` digits, half away from zero.
void RoundDigits(TFloatRec& rec, int n) {
  if (n < 0) {
    rec.Digits.clear();
  } else if (static_cast<size_t>(n) < rec.Digits.size()) {
    bool up = rec.Digits[static_cast<size_t>(n)] >= '5';
    rec.Digits.resize(static_cast<size_t>(n));
    if (up) {
      int k = n - 1;
      while (k >= 0 && rec.Digits[static_cast<size_t>(k)] == '9') {
        rec.Digits[static_cast<size_t>(k)] = '0';
        --k;
      }
      if (k >= 0) {
        ++rec.Digits[static_cast<size_t>(k)];
      } else {
        rec.Digits.insert(rec.Digits.begin(), '1');
        ++rec.Exponent;
      }
    }
  }
  while (!rec.Digits.empty() && rec.Digits.back() == '0') rec.Digits.pop_back();
  if (rec.Digits.empty()) {
    rec.Exponent = 0;
    rec.Negative = false;
  }
}

TFloatRec CurrencyToDecimal(Currency value, int decimals) {
  TFloatRec rec;
  Int64 raw = value.Raw();
  rec.Negative = raw < 0;
  UInt64 magnitude = raw < 0 ? UInt64{0} - static_cast<UInt64>(raw) : static_cast<UInt64>(raw);
  if (magnitude == 0) return rec;
  rec.Digits = std::to_string(magnitude);
  rec.Exponent = static_cast<int>(rec.Digits.size()) - 4;  // raw 5 is 0.0005: "5", Exponent -3
  RoundDigits(rec, rec.Exponent + decimals);
  return rec;
}

AnsiString DigitAt(const AnsiString& digits, int index) {
  return (index >= 0 && static_cast<size_t>(index) < digits.size()) ? AnsiString(1, digits[static_cast<size_t>(index)])
                                                                      : AnsiString("0");
}

// "-ddd.ddd" from a record, with `decimals` digits after the separator.
AnsiString FixedText(const TFloatRec& rec, int decimals, char thousand, char decimalSeparator) {
  AnsiString integer;
  if (rec.Exponent <= 0) {
    integer = "0";
  } else {
    for (int k = 0; k < rec.Exponent; ++k) {
      integer += DigitAt(rec.Digits, k);
      int remaining = rec.Exponent - k - 1;
      if (thousand != 0 && remaining > 0 && remaining % 3 == 0) integer += thousand;
    }
  }
  AnsiString out = integer;
  if (decimals > 0) {
    out += decimalSeparator;
    for (int k = 0; k < decimals; ++k) out += DigitAt(rec.Digits, rec.Exponent + k);
  }
  return out;
}

AnsiString ExponentText(int exponent, int minDigits, bool alwaysSign) {
  AnsiString digits = std::to_string(exponent < 0 ? -exponent : exponent);
  if (static_cast<int>(digits.size()) < minDigits) digits.insert(0, static_cast<size_t>(minDigits) - digits.size(), '0');
  if (exponent < 0) return "-" + digits;
  return alwaysSign ? "+" + digits : digits;
}

AnsiString GeneralText(const TFloatRec& rec, int precision, int expDigits, char decimalSeparator) {
  if (rec.Digits.empty()) return "0";
  AnsiString body;
  if (rec.Exponent > precision || rec.Exponent < -3) {
    body = rec.Digits.substr(0, 1);
    if (rec.Digits.size() > 1) body += decimalSeparator + rec.Digits.substr(1);
    body += "E" + ExponentText(rec.Exponent - 1, std::min(expDigits, 4), false);
  } else if (rec.Exponent <= 0) {
    body = "0";
    body += decimalSeparator;
    body += AnsiString(static_cast<size_t>(-rec.Exponent), '0') + rec.Digits;
  } else {
    int intDigits = rec.Exponent;
    for (int k = 0; k < intDigits; ++k) body += DigitAt(rec.Digits, k);
    if (static_cast<int>(rec.Digits.size()) > intDigits)
      body += decimalSeparator + rec.Digits.substr(static_cast<size_t>(intDigits));
  }
  return rec.Negative ? "-" + body : body;
}

AnsiString CurrencyLayout(const AnsiString& body, bool negative, const TFormatSettings& fs) {
  const AnsiString& c = fs.CurrencyString;
  if (!negative) {
    switch (fs.CurrencyFormat) {
      case 1: return body + c;
      case 2: return c + " " + body;
      case 3: return body + " " + c;
      default: return c + body;
    }
  }
  switch (fs.NegCurrFormat) {
    case 0: return "(" + c + body + ")";
    case 1: return "-" + c + body;
    case 2: return c + "-" + body;
    case 3: return c + body + "-";
    case 4: return "(" + body + c + ")";
    case 5: return "-" + body + c;
    case 6: return body + "-" + c;
    case 7: return body + c + "-";
    case 8: return "-" + body + " " + c;
    case 9: return "-" + c + " " + body;
    case 10: return body + " " + c + "-";
    case 11: return c + " " + body + "-";
    case 12: return c + " -" + body;
    case 13: return body + "- " + c;
    case 14: return "(" + c + " " + body + ")";
    default: return "(" + body + " " + c + ")";
  }
}

// Lays out a record already rounded for the format.
AnsiString RecordText(const TFloatRec& rec, TFloatFormat format, int precision, int digits,
                      const TFormatSettings& fs) {
  switch (format) {
    case ffExponent: {
      if (rec.Digits.empty() && rec.Exponent == 0) {
        AnsiString zero = "0";
        if (precision > 1) zero += fs.DecimalSeparator + AnsiString(static_cast<size_t>(precision - 1), '0');
        return zero + "E+" + ExponentText(0, std::min(digits, 4), false);
      }
      AnsiString body = DigitAt(rec.Digits, 0);
      if (precision > 1) {
        body += fs.DecimalSeparator;
        for (int k = 1; k < precision; ++k) body += DigitAt(rec.Digits, k);
      }
      body += "E" + ExponentText(rec.Exponent - 1, std::min(digits, 4), true);
      return rec.Negative ? "-" + body : body;
    }
    case ffFixed:
    case ffNumber:
    case ffCurrency: {
      if (rec.Exponent > precision) return GeneralText(rec, precision, 0, fs.DecimalSeparator);
      char thousand = format == ffFixed ? 0 : fs.ThousandSeparator;
      AnsiString body = FixedText(rec, digits, thousand, fs.DecimalSeparator);
      if (format == ffCurrency) return CurrencyLayout(body, rec.Negative, fs);
      return rec.Negative ? "-" + body : body;
    }
    default:
      return GeneralText(rec, precision, digits, fs.DecimalSeparator);
  }
}

AnsiString SpecialText(double value) {
  if (std::isnan(value)) return "NAN";
  return value < 0 ? "-INF" : "INF";
}

// ---- picture formats ----

struct Section {
  std::string_view text;
  int intPlaceholders = 0;
  int firstIntZero = -1;      // index of the first '0' before the point, -1 if none
  int fracPlaceholders = 0;
  int lastFracZero = 0;       // how many fraction digits are always shown
  bool thousands = false;
  bool scientific = false;
};

std::vector<std::string_view> SplitSections(std::string_view format) {
  std::vector<std::string_view> sections;
  size_t start = 0;
  char quote = 0;
  for (size_t i = 0; i < format.size(); ++i) {
    char c = format[i];
    if (quote != 0) {
      if (c == quote) quote = 0;
    } else if (c == '\'' || c == '"') {
      quote = c;
    } else if (c == ';' && sections.size() < 2) {
      sections.push_back(format.substr(start, i - start));
      start = i + 1;
    }
  }
  sections.push_back(format.substr(start));
  return sections;
}

bool IsExponentAt(std::string_view f, size_t i) {
  return (f[i] == 'E' || f[i] == 'e') && i + 1 < f.size() && (f[i + 1] == '+' || f[i + 1] == '-');
}

Section ScanSection(std::string_view text) {
  Section s;
  s.text = text;
  bool afterPoint = false;
  for (size_t i = 0; i < text.size(); ++i) {
    char c = text[i];
    if (c == '\'' || c == '"') {
      size_t end = text.find(c, i + 1);
      i = end == std::string_view::npos ? text.size() : end;
    } else if (c == '0' || c == '#') {
      if (afterPoint) {
        ++s.fracPlaceholders;
        if (c == '0') s.lastFracZero = s.fracPlaceholders;
      } else {
        if (c == '0' && s.firstIntZero < 0) s.firstIntZero = s.intPlaceholders;
        ++s.intPlaceholders;
      }
    } else if (c == '.') {
      afterPoint = true;
    } else if (c == ',') {
      s.thousands = true;
    } else if (IsExponentAt(text, i)) {
      s.scientific = true;
      break;  // the exponent's zeros are not mantissa digits; what follows is literal
    }
  }
  return s;
}

AnsiString ApplySection(const Section& s, const TFloatRec& rec, bool writeSign, int exponent,
                        const TFormatSettings& fs) {
  // Integer and fraction digits to place.
  AnsiString intDigits, fracDigits;
  if (s.scientific) {
    for (int k = 0; k < s.intPlaceholders; ++k) intDigits += DigitAt(rec.Digits, k);
    if (static_cast<int>(rec.Digits.size()) > s.intPlaceholders)
      fracDigits = rec.Digits.substr(static_cast<size_t>(s.intPlaceholders));
    size_t firstNonZero = intDigits.find_first_not_of('0');
    intDigits.erase(0, firstNonZero == AnsiString::npos ? intDigits.size() : firstNonZero);
  } else {
    for (int k = 0; k < rec.Exponent; ++k) intDigits += DigitAt(rec.Digits, k);
    if (rec.Exponent >= 0) {
      if (static_cast<int>(rec.Digits.size()) > rec.Exponent) fracDigits = rec.Digits.substr(static_cast<size_t>(rec.Exponent));
    } else {
      fracDigits = AnsiString(static_cast<size_t>(-rec.Exponent), '0') + rec.Digits;
    }
  }
  const int intCount = static_cast<int>(intDigits.size());
  const int fracShown = std::max(static_cast<int>(fracDigits.size()), s.lastFracZero);

  // The sign of a negative value in a section without its own goes before everything, literals
  // included ("-$5.00").
  AnsiString out = writeSign ? "-" : "";
  auto putDigit = [&](char d, int position) {  // position: power of ten of the digit
    out += d;
    if (s.thousands && position > 0 && position % 3 == 0 && fs.ThousandSeparator != 0) out += fs.ThousandSeparator;
  };

  int intIndex = 0;   // integer placeholders seen
  int fracIndex = 0;  // fraction placeholders seen
  bool afterPoint = false;
  bool afterExponent = false;  // the number is complete; what follows is copied
  std::string_view f = s.text;
  for (size_t i = 0; i < f.size(); ++i) {
    char c = f[i];
    if (c == '\'' || c == '"') {
      size_t end = f.find(c, i + 1);
      if (end == std::string_view::npos) end = f.size();
      out.append(f.substr(i + 1, end - i - 1));
      i = end;
    } else if (afterExponent) {
      out += c;
    } else if ((c == '0' || c == '#') && !afterPoint) {
      int position = s.intPlaceholders - 1 - intIndex;
      if (intIndex == 0) {
        for (int p = intCount - 1; p > position; --p) putDigit(intDigits[static_cast<size_t>(intCount - 1 - p)], p);
      }
      if (position < intCount)
        putDigit(intDigits[static_cast<size_t>(intCount - 1 - position)], position);
      else if (s.firstIntZero >= 0 && intIndex >= s.firstIntZero)
        putDigit('0', position);
      ++intIndex;
    } else if ((c == '0' || c == '#') && afterPoint) {
      ++fracIndex;
      if (fracIndex <= fracShown) out += fracIndex <= static_cast<int>(fracDigits.size()) ? fracDigits[static_cast<size_t>(fracIndex - 1)] : '0';
    } else if (c == '.' && !afterPoint) {
      afterPoint = true;
      // Without integer placeholders the integer digits still show, before the separator.
      if (s.intPlaceholders == 0)
        for (int p = intCount - 1; p >= 0; --p) putDigit(intDigits[static_cast<size_t>(intCount - 1 - p)], p);
      if (fracShown > 0) out += fs.DecimalSeparator;
    } else if (c == ',') {
      // thousand separators are placed with the digits
    } else if (s.scientific && IsExponentAt(f, i)) {
      bool alwaysSign = f[i + 1] == '+';
      size_t j = i + 2;
      int expDigits = 0;
      while (j < f.size() && f[j] == '0') {
        ++expDigits;
        ++j;
      }
      out += c;
      out += ExponentText(exponent, expDigits, alwaysSign);
      i = j - 1;
      afterExponent = true;
    } else {
      out += c;
    }
  }
  return out;
}

}  // namespace

AnsiString UInt64ToHex(UInt64 bits, int digits) {
  static const char kHex[] = "0123456789ABCDEF";
  AnsiString s;
  do {
    s.insert(s.begin(), kHex[bits & 15]);
    bits >>= 4;
  } while (bits != 0);
  if (digits > 32) digits = 32;
  if (static_cast<int>(s.size()) < digits) s.insert(0, static_cast<size_t>(digits) - s.size(), '0');
  return s;
}

bool TryStrToInt(std::string_view text, Integer& value) {
  Int64 v;
  if (!ParseInteger(text, 32, v)) return false;
  value = static_cast<Integer>(v);
  return true;
}

Integer StrToInt(std::string_view text) {
  Integer v;
  if (!TryStrToInt(text, v)) RaiseInvalidInteger(text);
  return v;
}

Integer StrToIntDef(std::string_view text, Integer defaultValue) {
  Integer v;
  return TryStrToInt(text, v) ? v : defaultValue;
}

bool TryStrToInt64(std::string_view text, Int64& value) { return ParseInteger(text, 64, value); }

Int64 StrToInt64(std::string_view text) {
  Int64 v;
  if (!TryStrToInt64(text, v)) RaiseInvalidInteger(text);
  return v;
}

Int64 StrToInt64Def(std::string_view text, Int64 defaultValue) {
  Int64 v;
  return TryStrToInt64(text, v) ? v : defaultValue;
}

TFloatRec FloatToDecimal(double value, int precision, int decimals) {
  TFloatRec rec;
  if (std::isnan(value)) {
    rec.Exponent = -0x8000;
    return rec;
  }
  rec.Negative = std::signbit(value);
  if (std::isinf(value)) {
    rec.Exponent = 0x7FFF;
    return rec;
  }
  if (value == 0) {
    rec.Negative = false;
    return rec;
  }
  // The first 18 significant digits, correctly rounded; the library works on that many.
  char buf[64];
  auto r = std::to_chars(buf, buf + sizeof buf, std::fabs(value), std::chars_format::scientific, kMaxDigits - 1);
  std::string_view text(buf, static_cast<size_t>(r.ptr - buf));
  size_t e = text.find('e');
  for (char c : text.substr(0, e))
    if (IsDigit(c)) rec.Digits += c;
  int exp10 = 0;
  std::from_chars(text.data() + e + 1 + (text[e + 1] == '+' ? 1 : 0), text.data() + text.size(), exp10);
  rec.Exponent = exp10 + 1;
  precision = std::clamp(precision, 1, kMaxDigits);
  long long keep = std::min<long long>(precision, static_cast<long long>(rec.Exponent) + decimals);
  RoundDigits(rec, static_cast<int>(std::max<long long>(keep, -1)));
  return rec;
}

AnsiString FloatToStrF(double value, TFloatFormat format, int precision, int digits, const TFormatSettings& fs) {
  if (!std::isfinite(value)) return SpecialText(value);
  precision = std::clamp(precision, 1, kMaxDigits);
  digits = std::clamp(digits, 0, kMaxDigits);
  bool fixedLike = format == ffFixed || format == ffNumber || format == ffCurrency;
  TFloatRec rec = FloatToDecimal(value, precision, fixedLike ? digits : 9999);
  return RecordText(rec, format, precision, digits, fs);
}

AnsiString FloatToStrF(double value, TFloatFormat format, int precision, int digits) {
  return FloatToStrF(value, format, precision, digits, FormatSettings());
}

AnsiString FloatToStr(double value, const TFormatSettings& settings) {
  return FloatToStrF(value, ffGeneral, 15, 0, settings);
}

AnsiString FloatToStr(double value) { return FloatToStr(value, FormatSettings()); }

AnsiString FormatFloat(std::string_view format, double value, const TFormatSettings& fs) {
  if (format.empty()) return FloatToStr(value, fs);
  if (!std::isfinite(value)) return SpecialText(value);
  std::vector<std::string_view> texts = SplitSections(format);
  auto sectionRecord = [&](const Section& s, int& exponent) {
    TFloatRec rec;
    if (s.scientific) {
      rec = FloatToDecimal(value, std::max(s.intPlaceholders + s.fracPlaceholders, 1), 9999);
      exponent = rec.Digits.empty() ? 0 : rec.Exponent - s.intPlaceholders;
    } else {
      rec = FloatToDecimal(value, kMaxDigits, s.fracPlaceholders);
      exponent = 0;
    }
    return rec;
  };
  size_t index = 0;
  if (value < 0 && texts.size() > 1 && !texts[1].empty()) index = 1;
  if (value == 0 && texts.size() > 2 && !texts[2].empty()) index = 2;
  Section section = ScanSection(texts[index]);
  int exponent = 0;
  TFloatRec rec = sectionRecord(section, exponent);
  // A value that rounds to zero takes the zero section when there is one.
  if (rec.Digits.empty() && index != 2 && texts.size() > 2 && !texts[2].empty()) {
    index = 2;
    section = ScanSection(texts[index]);
    rec = sectionRecord(section, exponent);
  }
  bool writeSign = index == 0 && rec.Negative;
  return ApplySection(section, rec, writeSign, exponent, fs);
}

AnsiString FormatFloat(std::string_view format, double value) { return FormatFloat(format, value, FormatSettings()); }

bool TryStrToFloat(std::string_view text, double& value, const TFormatSettings& settings) {
  DecimalText d;
  if (!ParseDecimal(text, settings.DecimalSeparator, d)) return false;
  return DecimalToDouble(d, value);
}

bool TryStrToFloat(std::string_view text, double& value) { return TryStrToFloat(text, value, FormatSettings()); }

double StrToFloat(std::string_view text, const TFormatSettings& settings) {
  double v;
  if (!TryStrToFloat(text, v, settings)) RaiseInvalidFloat(text);
  return v;
}

double StrToFloat(std::string_view text) { return StrToFloat(text, FormatSettings()); }

double StrToFloatDef(std::string_view text, double defaultValue) {
  double v;
  return TryStrToFloat(text, v) ? v : defaultValue;
}

AnsiString CurrToStrF(Currency value, TFloatFormat format, int digits, const TFormatSettings& fs) {
  digits = std::clamp(digits, 0, kMaxDigits);
  if (format == ffGeneral || format == ffExponent) {
    TFloatRec rec = CurrencyToDecimal(value, 4);
    return GeneralText(rec, 19, 0, fs.DecimalSeparator);
  }
  TFloatRec rec = CurrencyToDecimal(value, digits);
  return RecordText(rec, format, 19, digits, fs);
}

AnsiString CurrToStrF(Currency value, TFloatFormat format, int digits) {
  return CurrToStrF(value, format, digits, FormatSettings());
}

AnsiString CurrToStr(Currency value, const TFormatSettings& settings) {
  return CurrToStrF(value, ffGeneral, 0, settings);
}

AnsiString CurrToStr(Currency value) { return CurrToStr(value, FormatSettings()); }

bool TryStrToCurr(std::string_view text, Currency& value, const TFormatSettings& settings) {
  DecimalText d;
  if (!ParseDecimal(text, settings.DecimalSeparator, d)) return false;
  // Significant digits beyond the 30th cannot matter after rounding to four decimals, except as a
  // sticky bit that breaks a tie.
  size_t first = d.digits.find_first_not_of('0');
  if (first == std::string::npos) {
    value = Currency();
    return true;
  }
  std::string digits = d.digits.substr(first);
  Int64 exponent = d.exponent + 4;  // raw = digits * 10^exponent
  bool sticky = false;
  if (digits.size() > 30) {
    sticky = digits.find_first_not_of('0', 30) != std::string::npos;
    exponent += static_cast<Int64>(digits.size() - 30);
    digits.resize(30);
  }
  Int128 mantissa = 0;
  for (char c : digits) mantissa = mantissa * 10 + (c - '0');
  const Int128 limit = static_cast<Int128>(std::numeric_limits<Int64>::max()) + (d.negative ? 1 : 0);
  Int128 raw;
  if (exponent >= 0) {
    if (exponent > 19) return false;
    raw = mantissa;
    for (Int64 k = 0; k < exponent; ++k) {
      raw *= 10;
      if (raw > limit) return false;
    }
  } else if (exponent < -31) {
    raw = 0;  // below half of the smallest step
  } else {
    Int128 divisor = 1;
    for (Int64 k = 0; k < -exponent; ++k) divisor *= 10;
    raw = mantissa / divisor;
    Int128 rest = mantissa % divisor;
    Int128 twice = rest * 2;
    if (twice > divisor || (twice == divisor && (sticky || raw % 2 != 0))) ++raw;
  }
  if (raw > limit) return false;
  value = Currency::FromRaw(static_cast<Int64>(d.negative ? -raw : raw));
  return true;
}

bool TryStrToCurr(std::string_view text, Currency& value) { return TryStrToCurr(text, value, FormatSettings()); }

Currency StrToCurr(std::string_view text, const TFormatSettings& settings) {
  Currency v;
  if (!TryStrToCurr(text, v, settings)) RaiseInvalidFloat(text);
  return v;
}

Currency StrToCurr(std::string_view text) { return StrToCurr(text, FormatSettings()); }

Currency StrToCurrDef(std::string_view text, Currency defaultValue) {
  Currency v;
  return TryStrToCurr(text, v) ? v : defaultValue;
}
