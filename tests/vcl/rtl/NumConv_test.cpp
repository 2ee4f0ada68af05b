#include "vcl/rtl/NumConv.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>

#include "vcl/rtl/Exceptions.h"
#include "vcl/rtl/FormatSettings.h"

namespace {

template <typename F>
AnsiString MessageOf(F f) {
  try {
    f();
  } catch (const EConvertError& e) {
    return e.Message();
  }
  return "(nothing raised)";
}

const AnsiString kNbsp = "\xA0";  // the Hungarian thousand separator

}  // namespace

TEST(StrToInt, DecimalAndHexText) {
  struct Case {
    const char* text;
    Integer expected;
  } cases[] = {
      {"0", 0},           {"123", 123},        {"-123", -123},       {"+5", 5},
      {"  42", 42},       {"007", 7},          {"$FF", 255},         {"$ff", 255},
      {"0x1F", 31},       {"x10", 16},         {"-$10", -16},        {"$7FFFFFFF", 2147483647},
      {"$FFFFFFFF", -1},  {"$80000000", std::numeric_limits<Integer>::min()},
      {"2147483647", 2147483647}, {"-2147483648", std::numeric_limits<Integer>::min()},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.text);
    EXPECT_EQ(StrToInt(c.text), c.expected);
  }
}

TEST(StrToInt, OverflowAndGarbageRaise) {
  for (const char* text : {"2147483648", "-2147483649", "$100000000", "99999999999999999999", "", " ", "12 ",
                           "1.5", "abc", "$", "0x", "--1", "1e3", "1 000", "+"}) {
    SCOPED_TRACE(text);
    Integer v = 99;
    EXPECT_FALSE(TryStrToInt(text, v));
    EXPECT_EQ(v, 99);
    EXPECT_EQ(MessageOf([&] { StrToInt(text); }), "'" + AnsiString(text) + "' is not a valid integer value");
  }
  EXPECT_EQ(StrToIntDef("x", 7), 7);
  EXPECT_EQ(StrToIntDef("8", 7), 8);
}

TEST(StrToInt64, FullRangeAndHexPatterns) {
  EXPECT_EQ(StrToInt64("9223372036854775807"), std::numeric_limits<Int64>::max());
  EXPECT_EQ(StrToInt64("-9223372036854775808"), std::numeric_limits<Int64>::min());
  EXPECT_EQ(StrToInt64("$FFFFFFFFFFFFFFFF"), -1);
  EXPECT_EQ(StrToInt64("$8000000000000000"), std::numeric_limits<Int64>::min());
  EXPECT_EQ(StrToInt64("4294967296"), Int64{4294967296});
  EXPECT_THROW(StrToInt64("9223372036854775808"), EConvertError);
  EXPECT_THROW(StrToInt64("$10000000000000000"), EConvertError);
  EXPECT_EQ(StrToInt64Def("", -3), -3);
}

TEST(IntToStr, AnyWidthAndHex) {
  EXPECT_EQ(IntToStr(std::numeric_limits<Int64>::min()), "-9223372036854775808");
  EXPECT_EQ(IntToStr(std::numeric_limits<UInt64>::max()), "18446744073709551615");
  EXPECT_EQ(IntToStr(Byte{200}), "200");
  EXPECT_EQ(IntToStr(ShortInt{-5}), "-5");
  EXPECT_EQ(IntToHex(255, 4), "00FF");
  EXPECT_EQ(IntToHex(-1, 2), "FFFFFFFF");
  EXPECT_EQ(IntToHex(Int64{-1}, 1), "FFFFFFFFFFFFFFFF");
  EXPECT_EQ(IntToHex(Word{0xABC}, 2), "ABC");
  EXPECT_EQ(IntToHex(0, 0), "0");
}

TEST(FloatToStr, FifteenSignificantDigitsInGeneralForm) {
  struct Case {
    double value;
    const char* expected;
  } cases[] = {
      {0, "0"},
      {1.5, "1.5"},
      {-2.25, "-2.25"},
      {0.1, "0.1"},
      {100, "100"},
      {1.0 / 3, "0.333333333333333"},
      {2.0 / 3, "0.666666666666667"},
      {1234567.5, "1234567.5"},
      {123456789012345.0, "123456789012345"},
      {1e15, "1E15"},
      {1.5e20, "1.5E20"},
      {0.0001, "0.0001"},
      {0.00001, "1E-5"},
      {-1.5e-7, "-1.5E-7"},
      {1e100, "1E100"},
      {9.9999999999999999e22, "1E23"},
      {std::numeric_limits<double>::infinity(), "INF"},
      {-std::numeric_limits<double>::infinity(), "-INF"},
      {std::nan(""), "NAN"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.expected);
    EXPECT_EQ(FloatToStr(c.value), c.expected);
  }
  EXPECT_EQ(FloatToStr(-1.5, HungarianFormatSettings()), "-1,5");
}

TEST(FloatToStrF, FixedNumberExponentAndCurrency) {
  TFormatSettings en = EnglishFormatSettings();
  TFormatSettings hu = HungarianFormatSettings();
  struct Case {
    const TFormatSettings* fs;
    double value;
    TFloatFormat format;
    int precision, digits;
    AnsiString expected;
  } cases[] = {
      {&en, 1234.5678, ffFixed, 15, 2, "1234.57"},
      {&en, 1234.5678, ffNumber, 15, 2, "1,234.57"},
      {&en, -1234567.0, ffNumber, 15, 0, "-1,234,567"},
      {&hu, 1234.5678, ffNumber, 15, 2, "1" + kNbsp + "234,57"},
      {&en, 0.125, ffFixed, 15, 2, "0.13"},   // exact half: away from zero
      {&en, 2.675, ffFixed, 15, 2, "2.67"},   // the double is just below 2.675
      {&en, -0.001, ffFixed, 15, 2, "0.00"},  // no negative zero
      {&en, 0.5, ffFixed, 15, 0, "1"},
      {&en, 1234.5, ffExponent, 4, 2, "1.235E+03"},
      {&en, -0.00012, ffExponent, 3, 0, "-1.20E-4"},
      {&en, 0, ffExponent, 3, 2, "0.00E+00"},
      {&en, 1234.5678, ffGeneral, 6, 0, "1234.57"},
      {&en, 1234567.0, ffGeneral, 4, 2, "1.235E06"},
      {&en, -3.5, ffCurrency, 15, 2, "($3.50)"},
      {&en, 1234.5, ffCurrency, 15, 2, "$1,234.50"},
      {&hu, 1234.5, ffCurrency, 15, 2, "1" + kNbsp + "234,50 Ft"},
      {&hu, -1234.5, ffCurrency, 15, 2, "-1" + kNbsp + "234,50 Ft"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.expected);
    EXPECT_EQ(FloatToStrF(c.value, c.format, c.precision, c.digits, *c.fs), c.expected);
  }
}

TEST(FormatFloat, PictureFormats) {
  TFormatSettings en = EnglishFormatSettings();
  TFormatSettings hu = HungarianFormatSettings();
  struct Case {
    const TFormatSettings* fs;
    const char* format;
    double value;
    AnsiString expected;
  } cases[] = {
      {&en, "0.00", 1.5, "1.50"},
      {&en, "0.00", -1.5, "-1.50"},
      {&en, "0.00", -0.001, "0.00"},
      {&en, "#,##0.00", 1234567.891, "1,234,567.89"},
      {&en, "#,##0.00", -1234.5, "-1,234.50"},
      {&en, "#,##0.00", 0.5, "0.50"},
      {&en, "#,##0", 999.5, "1,000"},
      {&en, "0", 2.5, "3"},
      {&en, "0", -2.5, "-3"},
      {&en, "#.##", 1.0, "1"},
      {&en, "0.##", 1.5, "1.5"},
      {&en, "0.0#", 1.234, "1.23"},
      {&en, "000", 7, "007"},
      {&en, "000-000", 123456, "123-456"},
      {&en, "0 'kg'", 12.4, "12 kg"},
      {&en, "'$'#,##0.00", -1234.5, "-$1,234.50"},
      {&en, ".00", -0.5, "-.50"},
      {&en, ",.00", 1234.5, "1,234.50"},
      {&en, "0.00E+00 'x' 0", 1234.5, "1.23E+03 x 0"},
      {&en, "\"<\"0\">\"", 5, "<5>"},
      {&en, "0.00;(0.00)", -1.5, "(1.50)"},
      {&en, "0.00;(0.00);'zero'", 0, "zero"},
      {&en, "0.00;;'zero'", 0.001, "zero"},  // rounds to zero
      {&en, "0.00;;'zero'", -2, "-2.00"},     // empty negative section: the positive one
      {&en, "0.00E+00", 1234.5, "1.23E+03"},
      {&en, "0.0E-0", 0.00012, "1.2E-4"},
      {&en, "0.0e+000", 5, "5.0e+000"},
      {&en, "", 1.5, "1.5"},
      {&hu, "#,##0.00", 1234.5, "1" + kNbsp + "234,50"},
      {&hu, "0.0", 0.25, "0,3"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.format);
    EXPECT_EQ(FormatFloat(c.format, c.value, *c.fs), c.expected);
  }
}

TEST(StrToFloat, DecimalSeparatorComesFromTheSettings) {
  TFormatSettings en = EnglishFormatSettings();
  TFormatSettings hu = HungarianFormatSettings();
  struct Case {
    const TFormatSettings* fs;
    const char* text;
    double expected;
  } cases[] = {
      {&en, "1.5", 1.5},      {&en, " -2.5e3 ", -2500}, {&en, ".5", 0.5},     {&en, "5.", 5},
      {&en, "+1E+2", 100},    {&en, "1E-400", 0},       {&en, "007", 7},      {&en, "0.1", 0.1},
      {&hu, "1,5", 1.5},      {&hu, "-0,25", -0.25},    {&hu, "1,5E3", 1500},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.text);
    EXPECT_EQ(StrToFloat(c.text, *c.fs), c.expected);
  }
  struct Bad {
    const TFormatSettings* fs;
    const char* text;
  } bad[] = {{&en, "1,5"}, {&en, ""},    {&en, "e5"},    {&en, "1e"},  {&en, "1.2.3"}, {&en, "1 000"},
             {&en, "1e400"}, {&en, "abc"}, {&en, "--1"}, {&en, "."},   {&en, "INF"},   {&hu, "1.5"}};
  for (const auto& b : bad) {
    SCOPED_TRACE(b.text);
    double v = 42;
    EXPECT_FALSE(TryStrToFloat(b.text, v, *b.fs));
    EXPECT_EQ(v, 42);
    EXPECT_EQ(MessageOf([&] { StrToFloat(b.text, *b.fs); }),
              "'" + AnsiString(b.text) + "' is not a valid floating point value");
  }
  EXPECT_EQ(StrToFloatDef("x", 2.5), 2.5);
}

TEST(StrToFloat, ReadsBackWhatFloatToStrWrites) {
  const double values[] = {0, 1.5, -2.25, 0.1, 1.0 / 3, 123456.789, 1e-7, -9.87654321e15, 1e300, 4.2};
  for (const TFormatSettings& fs : {EnglishFormatSettings(), HungarianFormatSettings()}) {
    for (double v : values) {
      AnsiString text = FloatToStr(v, fs);
      SCOPED_TRACE(text);
      double back = StrToFloat(text, fs);
      EXPECT_EQ(FloatToStr(back, fs), text);
      EXPECT_NEAR(back, v, std::fabs(v) * 1e-14);
    }
  }
}

TEST(CurrToStr, GeneralAndFixedForms) {
  TFormatSettings en = EnglishFormatSettings();
  TFormatSettings hu = HungarianFormatSettings();
  EXPECT_EQ(CurrToStr(Currency::FromRaw(125000), en), "12.5");
  EXPECT_EQ(CurrToStr(Currency::FromRaw(1), en), "0.0001");
  EXPECT_EQ(CurrToStr(Currency(-3), en), "-3");
  EXPECT_EQ(CurrToStr(Currency(), en), "0");
  EXPECT_EQ(CurrToStr(Currency::FromRaw(std::numeric_limits<Int64>::max()), en), "922337203685477.5807");
  EXPECT_EQ(CurrToStr(Currency::FromRaw(std::numeric_limits<Int64>::min()), en), "-922337203685477.5808");
  EXPECT_EQ(CurrToStr(Currency::FromRaw(125000), hu), "12,5");
  Currency c = Currency::FromRaw(12345678);  // 1234.5678
  EXPECT_EQ(CurrToStrF(c, ffFixed, 2, en), "1234.57");
  EXPECT_EQ(CurrToStrF(c, ffFixed, 6, en), "1234.567800");
  EXPECT_EQ(CurrToStrF(c, ffNumber, 0, en), "1,235");
  EXPECT_EQ(CurrToStrF(-c, ffCurrency, 2, hu), "-1" + kNbsp + "234,57 Ft");
  EXPECT_EQ(CurrToStrF(Currency::FromRaw(50), ffFixed, 2, en), "0.01");    // 0.005: half away from zero
  EXPECT_EQ(CurrToStrF(Currency::FromRaw(-50), ffFixed, 2, en), "-0.01");
}

TEST(StrToCurr, ExactDecimalsRoundedToFourPlaces) {
  TFormatSettings en = EnglishFormatSettings();
  struct Case {
    const char* text;
    Int64 raw;
  } cases[] = {
      {"12.5", 125000},
      {"12.34565", 123456},   // tie, even stays
      {"12.34575", 123458},   // tie, odd rounds up
      {"12.345651", 123457},  // beyond the tie
      {"0.00005", 0},
      {"0.00015", 2},
      {"-0.00015", -2},
      {"1e3", 10000000},
      {"0.1", 1000},
      {"922337203685477.5807", std::numeric_limits<Int64>::max()},
      {"-922337203685477.5808", std::numeric_limits<Int64>::min()},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.text);
    EXPECT_EQ(StrToCurr(c.text, en).Raw(), c.raw);
  }
  for (const char* bad : {"922337203685477.5808", "1e20", "abc", "", "1,5"}) {
    SCOPED_TRACE(bad);
    EXPECT_EQ(MessageOf([&] { StrToCurr(bad, en); }), "'" + AnsiString(bad) + "' is not a valid floating point value");
  }
  EXPECT_EQ(StrToCurr("12,5", HungarianFormatSettings()).Raw(), 125000);
  for (Int64 raw : {Int64{0}, Int64{1}, Int64{-99999}, Int64{123456789012}, std::numeric_limits<Int64>::min()}) {
    Currency v = Currency::FromRaw(raw);
    EXPECT_EQ(StrToCurr(CurrToStr(v, en), en), v);
  }
}
