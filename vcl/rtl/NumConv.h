// Numbers to text and back: integers (decimal and "$" hex), floating values and Currency amounts.
// The decimal and thousand separators and the currency layout come from a TFormatSettings, the
// process-wide one unless given. Parse failures raise EConvertError with the library's texts.
#pragma once
#include <concepts>
#include <string>
#include <string_view>
#include <type_traits>
#include "vcl/rtl/Currency.h"
#include "vcl/rtl/SysTypes.h"

struct TFormatSettings;

// Integer types proper: not bool and not the character types.
template <typename T>
concept IntegerValue = std::integral<T> && !std::same_as<T, bool> && !std::same_as<T, char> &&
                       !std::same_as<T, wchar_t> && !std::same_as<T, char8_t> && !std::same_as<T, char16_t> &&
                       !std::same_as<T, char32_t>;

// Decimal text of any integer type.
template <IntegerValue T>
AnsiString IntToStr(T value) {
  return std::to_string(value);
}

AnsiString UInt64ToHex(UInt64 bits, int digits);
// Upper-case hex of the value's bits in its own width (IntToHex(-1, 2) is "FFFFFFFF" for an
// Integer), padded with zeros to at least `digits` digits.
template <IntegerValue T>
AnsiString IntToHex(T value, int digits) {
  return UInt64ToHex(static_cast<UInt64>(static_cast<std::make_unsigned_t<T>>(value)), digits);
}

// Integer text: leading blanks, an optional sign, then decimal digits or hex digits after "$", "0x"
// or "x". Decimal text must fit the type; hex text may use all its bits ("$FFFFFFFF" is -1 as an
// Integer). Anything else raises EConvertError "'%s' is not a valid integer value".
Integer StrToInt(std::string_view text);
Integer StrToIntDef(std::string_view text, Integer defaultValue);
bool TryStrToInt(std::string_view text, Integer& value);
Int64 StrToInt64(std::string_view text);
Int64 StrToInt64Def(std::string_view text, Int64 defaultValue);
bool TryStrToInt64(std::string_view text, Int64& value);

enum TFloatFormat { ffGeneral = 0, ffExponent = 1, ffFixed = 2, ffNumber = 3, ffCurrency = 4 };

// A value as decimal digits: value = 0.Digits * 10^Exponent. Digits carries no trailing zeros and
// is empty for zero; Exponent is 0x7FFF for an infinity and -0x8000 for NaN.
struct TFloatRec {
  int Exponent = 0;
  bool Negative = false;
  AnsiString Digits;
};
// Rounds (half away from zero, on the value's first 18 significant digits) to at most `precision`
// significant digits and at most `decimals` digits after the decimal point.
TFloatRec FloatToDecimal(double value, int precision, int decimals);

// FloatToStrF(value, ffGeneral, 15, 0).
AnsiString FloatToStr(double value);
AnsiString FloatToStr(double value, const TFormatSettings& settings);
// ffGeneral: the shortest text of at most `precision` significant digits; scientific ("1.5E20",
//            at least `digits` exponent digits) when the integer part has more than `precision`
//            digits or the value is below 0.0001.
// ffExponent: "-d.dddE+ddd" with `precision` digits and at least `digits` exponent digits.
// ffFixed:   "-ddd.ddd" with `digits` decimals; ffNumber adds thousand separators; ffCurrency is
//            ffNumber laid out with CurrencyString by CurrencyFormat / NegCurrFormat.
// Infinity and NaN give "INF", "-INF" and "NAN".
AnsiString FloatToStrF(double value, TFloatFormat format, int precision, int digits);
AnsiString FloatToStrF(double value, TFloatFormat format, int precision, int digits,
                       const TFormatSettings& settings);
// Picture formats: up to three sections "positive;negative;zero". In a section '0' is a digit that
// is always shown, '#' a digit shown when significant, '.' the decimal separator, ',' anywhere
// turns on thousand separators, "E+0"/"E-0" (either case) asks for scientific notation with that
// many exponent digits, 'text' and "text" are literal, other characters are copied. An empty
// format is FloatToStr.
AnsiString FormatFloat(std::string_view format, double value);
AnsiString FormatFloat(std::string_view format, double value, const TFormatSettings& settings);

// Floating text: blanks, optional sign, digits with DecimalSeparator, optional exponent ("E-3"),
// blanks. Thousand separators are not accepted. Otherwise EConvertError
// "'%s' is not a valid floating point value". Values too large for a double are not valid.
double StrToFloat(std::string_view text);
double StrToFloat(std::string_view text, const TFormatSettings& settings);
double StrToFloatDef(std::string_view text, double defaultValue);
bool TryStrToFloat(std::string_view text, double& value);
bool TryStrToFloat(std::string_view text, double& value, const TFormatSettings& settings);

// Currency as text: CurrToStr is the general form (up to four decimals, no trailing zeros);
// CurrToStrF takes ffGeneral, ffFixed, ffNumber or ffCurrency with `digits` decimals (half away
// from zero). StrToCurr reads the same syntax as StrToFloat exactly (no binary rounding), rounds to
// four decimals (ties to even) and raises the floating point message on failure or overflow.
AnsiString CurrToStr(Currency value);
AnsiString CurrToStr(Currency value, const TFormatSettings& settings);
AnsiString CurrToStrF(Currency value, TFloatFormat format, int digits);
AnsiString CurrToStrF(Currency value, TFloatFormat format, int digits, const TFormatSettings& settings);
Currency StrToCurr(std::string_view text);
Currency StrToCurr(std::string_view text, const TFormatSettings& settings);
Currency StrToCurrDef(std::string_view text, Currency defaultValue);
bool TryStrToCurr(std::string_view text, Currency& value);
bool TryStrToCurr(std::string_view text, Currency& value, const TFormatSettings& settings);
