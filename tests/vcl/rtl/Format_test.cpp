#include "vcl/rtl/Format.h"

#include <gtest/gtest.h>

#include "vcl/rtl/Exceptions.h"
#include "vcl/rtl/FormatSettings.h"

namespace {

struct FormatCase {
  const char* format;
  std::vector<TVarRec> args;
  const char* expected;
};

}  // namespace

TEST(Format, SpecifiersWidthPrecisionAndIndex) {
  const FormatCase cases[] = {
      {"%d", {42}, "42"},
      {"%.5d", {2011}, "02011"},
      {"%.5d", {-7}, "-00007"},
      {"%d", {Int64{-9000000000}}, "-9000000000"},
      {"%5d|%-5d|", {1, 2}, "    1|2    |"},
      {"%u", {-1}, "4294967295"},
      {"%x", {255}, "FF"},
      {"%.4x", {255}, "00FF"},
      {"%x", {-1}, "FFFFFFFF"},
      {"%s and %s", {"a", AnsiString("b")}, "a and b"},
      {"%.2s", {"abc"}, "ab"},
      {"%s", {'c'}, "c"},
      {"%f", {1.5}, "1.50"},
      {"%.3f", {-2.0}, "-2.000"},
      {"%n", {1234567.891}, "1,234,567.89"},
      {"%e", {1.5}, "1.50000000000000E+000"},
      {"%g", {0.5}, "0.5"},
      {"%g", {1e20}, "1E20"},
      {"%m", {-3.5}, "($3.50)"},
      {"%1:s %0:s", {"a", "b"}, "b a"},
      {"%*d", {4, 7}, "   7"},
      {"100%%", {}, "100%"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.format);
    EXPECT_EQ(Format(c.format, TVarRecs(c.args)), c.expected);
  }
}

TEST(Format, MismatchedOrMissingArgumentsRaise) {
  EXPECT_THROW(Format("Field '%s' not found", {1}), EConvertError);
  EXPECT_THROW(Format("%d", {"x"}), EConvertError);
  EXPECT_THROW(Format("%d", {1.0}), EConvertError);
  EXPECT_THROW(Format("%f", {1}), EConvertError);
  EXPECT_THROW(Format("%d %d", {1}), EConvertError);
  EXPECT_THROW(Format("%", {1}), EConvertError);
  EXPECT_THROW(Format("%k", {1}), EConvertError);
}

TEST(Format, DecimalSeparatorComesFromTheSettings) {
  TFormatSettings fs = EnglishFormatSettings();
  fs.DecimalSeparator = ',';
  fs.ThousandSeparator = ' ';
  const TVarRec args[] = {1234.5};
  EXPECT_EQ(Format("%n", args, fs), "1 234,50");
  EXPECT_EQ(Format("%f", args, fs), "1234,50");
}
