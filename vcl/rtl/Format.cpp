#include "vcl/rtl/Format.h"

#include <algorithm>
#include <cstdio>
#include <cstdlib>

#include "vcl/rtl/Exceptions.h"
#include "vcl/rtl/FormatSettings.h"
#include "vcl/rtl/NumConv.h"

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
      case 'e':
      case 'f':
      case 'g':
      case 'n':
      case 'm': {
        if (a.GetKind() != TVarRec::Kind::Float) RaiseFormatError(format);
        const double v = static_cast<double>(a.AsFloat());
        switch (type) {
          case 'e': text = FloatToStrF(v, ffExponent, precision < 0 ? 15 : std::clamp(precision, 1, 18), 3, fs); break;
          case 'f': text = FloatToStrF(v, ffFixed, 18, precision < 0 ? 2 : std::min(precision, 18), fs); break;
          case 'g': text = FloatToStrF(v, ffGeneral, precision <= 0 ? 15 : std::min(precision, 18), 0, fs); break;
          case 'n': text = FloatToStrF(v, ffNumber, 18, precision < 0 ? 2 : std::min(precision, 18), fs); break;
          default:
            text = FloatToStrF(v, ffCurrency, 18, precision < 0 ? fs.CurrencyDecimals : std::min(precision, 18), fs);
        }
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
