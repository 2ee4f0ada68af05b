// The command line: splitting by the class library's rules, and the program's own arguments.
#include "vcl/rtl/CommandLine.h"

#include <gtest/gtest.h>

#include "vcl/rtl/FileUtils.h"
#include "vcl/rtl/TextConv.h"

TEST(CommandLine, SplitsAtBlanksWithQuotesGrouping) {
  struct Case {
    const char16_t* line;
    std::vector<WideString> items;
  } cases[] = {
      {u"prog.exe a b", {u"prog.exe", u"a", u"b"}},
      {u"  \"C:\\Program Files\\q.exe\"\t /skin=\"Dark Blue\"  ", {u"C:\\Program Files\\q.exe", u"/skin=Dark Blue"}},
      {u"p \"\" x", {u"p", u"", u"x"}},
      {u"p C:\\dir\\ a\\\"b", {u"p", u"C:\\dir\\", u"a\\b"}},  // backslashes are plain; the quote opens
      {u"", {}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(Utf16ToUtf8(c.line));
    EXPECT_EQ(SplitCommandLine(c.line), c.items);
  }
}

TEST(CommandLine, ParamStrGivesTheProgramAndItsArguments) {
  EXPECT_GE(ParamCount(), 0);
  const AnsiString program = ParamStr(0);
  EXPECT_TRUE(FileExists(program)) << program;
  EXPECT_EQ(ParamStr(ParamCount() + 1), "");
  EXPECT_EQ(ParamStr(-1), "");
  for (Integer i = 1; i <= ParamCount(); ++i) EXPECT_EQ(Cp1250ToUtf16(ParamStr(i)), ProgramArguments()[static_cast<std::size_t>(i - 1)]);
}
