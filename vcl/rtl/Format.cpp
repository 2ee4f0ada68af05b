#include "vcl/rtl/Format.h"

#include <cmath>
#include <cstdio>
#include <cstdlib>

#include "vcl/rtl/Exceptions.h"
#include "vcl/rtl/FormatSettings.h"

namespace {

[[noreturn]] void RaiseFormatError(std::string_view format) {
  throw EConvertError("Format '" + AnsiString(format) + "' invalid or incompatible with argument");
}

[[noreturn]] void RaiseNoArgument(std::string_view format) {
  throw EConvertError("No argument for format '" + AnsiString(format) + "'");
}

AnsiString Pad(AnsiString s, int width, bool leftJustify) {
  if (width > 0 && static_cast<int>(s.size()) < width) {
    AnsiString fill(static_cast<size_t>(width) - s.size(), ' ');
    s = leftJustify ? s + fill : fill + s;
  }
  return s;
}

AnsiString DecimalDigits(UInt64 magnitude, int minDigits) {
  AnsiString digits = std::to_string(magnitude);
  if (minDigits > static_cast<int>(digits.size()))
    digits.insert(0, static_cast<size_t>(minDigits) - digits.size(), '0');
  return digits;
}

// Exponent in the library's style: "E", the sign, at least three digits.
AnsiString FixExponent(const AnsiString& s, int minExponentDigits) {
  auto e = s.find_first_of("eE");
  if (e == AnsiString::npos) return s;
  AnsiString mantissa = s.substr(0, e);
  AnsiString exp = s.substr(e + 1);
  char sign = '+';
  if (!exp.empty() && (exp[0] == '+' || exp[0] == '-')) {
    sign = exp[0];
    exp.erase(0, 1);
  }
  while (exp.size() > 1 && exp[0] == '0') exp.erase(0, 1);
  if (static_cast<int>(exp.size()) < minExponentDigits)
    exp.insert(0, static_cast<size_t>(minExponentDigits) - exp.size(), '0');
  return mantissa + "E" + (sign == '-' || minExponentDigits > 0 ? AnsiString(1, sign) : AnsiString()) + exp;
}

AnsiString WithDecimalSeparator(AnsiString s, char separator) {
  auto dot = s.find('.');
  if (dot != AnsiString::npos) s[dot] = separator;
  return s;
}

AnsiString InsertThousands(const AnsiString& fixed, char thousand) {
  // fixed: optional '-', digits, optional '.' and decimals.
  size_t start = (!fixed.empty() && fixed[0] == '-') ? 1 : 0;
  size_t dot = fixed.find('.');
  size_t intEnd = dot == AnsiString::npos ? fixed.size() : dot;
  AnsiString out = fixed.substr(0, start);
  for (size_t i = start; i < intEnd; ++i) {
    out += fixed[i];
    size_t remaining = intEnd - i - 1;
    if (thousand != 0 && remaining > 0 && remaining % 3 == 0) out += thousand;
  }
  out += fixed.substr(intEnd);
  return out;
}

AnsiString Printf(const char* spec, int precision, long double v) {
  char buf[512];
  int n = std::snprintf(buf, sizeof buf, spec, precision, v);
  if (n < 0) return AnsiString();
  if (static_cast<size_t>(n) < sizeof buf) return AnsiString(buf, static_cast<size_t>(n));
  AnsiString big(static_cast<size_t>(n) + 1, '\0');
  std::snprintf(big.data(), big.size(), spec, precision, v);
  big.resize(static_cast<size_t>(n));
  return big;
}

AnsiString FormatGeneral(long double v, int precision) {
  if (precision <= 0 || precision > 18) precision = 15;
  if (std::isnan(v)) return "NAN";
  if (std::isinf(v)) return v < 0 ? "-INF" : "INF";
  AnsiString s = Printf("%.*Lg", precision, v);
  // Drop zeros that %g may leave in the mantissa, and use the library's bare exponent form ("1E20").
  auto e = s.find('e');
  AnsiString mantissa = e == AnsiString::npos ? s : s.substr(0, e);
  if (mantissa.find('.') != AnsiString::npos) {
    while (!mantissa.empty() && mantissa.back() == '0') mantissa.pop_back();
    if (!mantissa.empty() && mantissa.back() == '.') mantissa.pop_back();
  }
  if (e == AnsiString::npos) return mantissa;
  AnsiString exp = s.substr(e + 1);
  bool negative = !exp.empty() && exp[0] == '-';
  if (!exp.empty() && (exp[0] == '+' || exp[0] == '-')) exp.erase(0, 1);
  while (exp.size() > 1 && exp[0] == '0') exp.erase(0, 1);
  return mantissa + "E" + (negative ? "-" : "") + exp;
}

AnsiString FormatMoney(long double v, int precision, const TFormatSettings& fs) {
  if (precision < 0) precision = fs.CurrencyDecimals;
  AnsiString body = InsertThousands(Printf("%.*Lf", precision, std::fabs(v)), fs.ThousandSeparator);
  body = WithDecimalSeparator(body, fs.DecimalSeparator);
  const AnsiString& c = fs.CurrencyString;
  if (v >= 0 || body.find_first_not_of("0.,") == AnsiString::npos) {
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

}  // namespace

AnsiString Format(std::string_view format, std::initializer_list<TVarRec> args) {
  return Format(format, TVarRecs(args.begin(), args.size()), FormatSettings());
}

AnsiString Format(std::string_view format, TVarRecs args) { return Format(format, args, FormatSettings()); }

AnsiString Format(std::string_view format, TVarRecs args, const TFormatSettings& fs) {
  AnsiString out;
  size_t argIndex = 0;
  size_t i = 0;
  auto nextArg = [&]() -> const TVarRec& {
    if (argIndex >= args.size()) RaiseNoArgument(format);
    return args[argIndex++];
  };
  auto readNumber = [&](int& value, bool allowStar) -> bool {  // digits, or '*' where allowed
    if (allowStar && i < format.size() && format[i] == '*') {
      ++i;
      const TVarRec& a = nextArg();
      if (!a.IsInteger()) RaiseFormatError(format);
      value = static_cast<int>(a.AsInt64());
      return true;
    }
    if (i >= format.size() || format[i] < '0' || format[i] > '9') return false;
    long long v = 0;
    while (i < format.size() && format[i] >= '0' && format[i] <= '9') {
      v = v * 10 + (format[i] - '0');
      if (v > 1000000) RaiseFormatError(format);
      ++i;
    }
    value = static_cast<int>(v);
    return true;
  };

  while (i < format.size()) {
    char c = format[i];
    if (c != '%') {
      out += c;
      ++i;
      continue;
    }
    ++i;
    if (i < format.size() && format[i] == '%') {
      out += '%';
      ++i;
      continue;
    }
    // [index ":"]
    int number = -1;
    bool leftJustify = false;
    int width = -1;
    int precision = -1;
    size_t save = i;
    if (readNumber(number, false) && i < format.size() && format[i] == ':') {
      argIndex = static_cast<size_t>(number);
      ++i;
    } else {
      i = save;
    }
    if (i < format.size() && format[i] == '-') {
      leftJustify = true;
      ++i;
    }
    readNumber(width, true);
    if (i < format.size() && format[i] == '.') {
      ++i;
      if (!readNumber(precision, true)) precision = 0;
    }
    if (i >= format.size()) RaiseFormatError(format);
    char type = static_cast<char>(format[i] | 0x20);  // lower case
    ++i;
    const TVarRec& a = nextArg();
    AnsiString text;
    switch (type) {
      case 'd': {
        if (!a.IsInteger()) RaiseFormatError(format);
        Int64 v = a.AsInt64();
        UInt64 magnitude = v < 0 ? UInt64(0) - static_cast<UInt64>(v) : static_cast<UInt64>(v);
        text = (v < 0 ? "-" : "") + DecimalDigits(magnitude, precision);
        break;
      }
      case 'u': {
        if (!a.IsInteger()) RaiseFormatError(format);
        Int64 v = a.AsInt64();
        UInt64 u = a.GetKind() == TVarRec::Kind::Integer ? static_cast<UInt64>(static_cast<Cardinal>(v))
                                                          : static_cast<UInt64>(v);
        text = DecimalDigits(u, precision);
        break;
      }
      case 'x': {
        if (!a.IsInteger()) RaiseFormatError(format);
        Int64 v = a.AsInt64();
        UInt64 u = a.GetKind() == TVarRec::Kind::Integer ? static_cast<UInt64>(static_cast<Cardinal>(v))
                                                          : static_cast<UInt64>(v);
        char buf[32];
        std::snprintf(buf, sizeof buf, "%llX", static_cast<unsigned long long>(u));
        text = buf;
        if (precision > static_cast<int>(text.size()))
          text.insert(0, static_cast<size_t>(precision) - text.size(), '0');
        break;
      }
      case 'e': {
        if (a.GetKind() != TVarRec::Kind::Float) RaiseFormatError(format);
        int p = precision < 0 ? 15 : (precision == 0 ? 1 : precision);
        if (p > 18) p = 18;
        text = WithDecimalSeparator(FixExponent(Printf("%.*Le", p - 1, a.AsFloat()), 3), fs.DecimalSeparator);
        break;
      }
      case 'f':
      case 'n': {
        if (a.GetKind() != TVarRec::Kind::Float) RaiseFormatError(format);
        int p = precision < 0 ? 2 : std::min(precision, 18);
        long double v = a.AsFloat();
        if (std::isnan(v) || std::isinf(v)) {
          text = FormatGeneral(v, 15);
          break;
        }
        text = Printf("%.*Lf", p, v);
        if (type == 'n') text = InsertThousands(text, fs.ThousandSeparator);
        text = WithDecimalSeparator(text, fs.DecimalSeparator);
        break;
      }
      case 'g': {
        if (a.GetKind() != TVarRec::Kind::Float) RaiseFormatError(format);
        text = WithDecimalSeparator(FormatGeneral(a.AsFloat(), precision), fs.DecimalSeparator);
        break;
      }
      case 'm': {
        if (a.GetKind() != TVarRec::Kind::Float) RaiseFormatError(format);
        text = FormatMoney(a.AsFloat(), precision, fs);
        break;
      }
      case 'p': {
        if (a.GetKind() != TVarRec::Kind::Pointer) RaiseFormatError(format);
        char buf[32];
        std::snprintf(buf, sizeof buf, "%0*llX", static_cast<int>(sizeof(void*) * 2),
                      static_cast<unsigned long long>(reinterpret_cast<std::uintptr_t>(a.AsPointer())));
        text = buf;
        break;
      }
      case 's': {
        if (a.GetKind() != TVarRec::Kind::String && a.GetKind() != TVarRec::Kind::Char)
          RaiseFormatError(format);
        text = a.AsString();
        if (precision >= 0 && static_cast<size_t>(precision) < text.size()) text.resize(static_cast<size_t>(precision));
        break;
      }
      default:
        RaiseFormatError(format);
    }
    out += Pad(std::move(text), width, leftJustify);
  }
  return out;
}
